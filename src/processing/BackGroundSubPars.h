#pragma once

// Settings of background subtraction, kept in section "BACKSUB": Polynomial
// Order, Percent Below (1 decimal), Tolerance (2 decimals), Flatten Edges,
// Type.

#include "processing/ProcParsImp.h"

enum BackGroundSubType : int {
  NORMAL = 1,    // segment subtraction
  ADAPTIVE = 2,  // adaptive subtraction
};

class BackGroundSubParsImp : public ProcParsImp {
 public:
  explicit BackGroundSubParsImp(const char* pcSectionModifier) : ProcParsImp("BACKSUB", pcSectionModifier) {}
  bool operator==(const BackGroundSubParsImp&) const = default;

  bool Serialize(const char* pcParFile, bool bSave) { return bSave ? Save(pcParFile) : Restore(pcParFile); }
  bool Save(const char* pcFileName) const;
  bool Restore(const char* pcFileName);

  int& PolyOrder() { return m_nPolynomialOrder; }
  float& PercentBelow() { return m_fPercentBelowCurve; }
  float& Tolerance() { return m_fTolerance; }
  bool& FlattenEdges() { return m_bFlattenEdges; }
  BackGroundSubType& Type() { return m_nType; }
  [[nodiscard]] int getPolyOrder() const { return m_nPolynomialOrder; }
  [[nodiscard]] float getPercentBelow() const { return m_fPercentBelowCurve; }
  [[nodiscard]] float getTolerance() const { return m_fTolerance; }
  [[nodiscard]] bool getFlattenEdges() const { return m_bFlattenEdges; }
  [[nodiscard]] BackGroundSubType getType() const { return m_nType; }

 private:
  int m_nPolynomialOrder = 5;
  float m_fPercentBelowCurve = 40.0f;
  float m_fTolerance = 0.01f;
  bool m_bFlattenEdges = false;
  BackGroundSubType m_nType = NORMAL;
};

class BackGroundSubPars : public ProcParsHolder<BackGroundSubParsImp> {
 public:
  explicit BackGroundSubPars(const char* pcSectionModifier) : ProcParsHolder(pcSectionModifier) {}

  int& PolyOrder() { return m_pImp->PolyOrder(); }
  float& PercentBelow() { return m_pImp->PercentBelow(); }
  float& Tolerance() { return m_pImp->Tolerance(); }
  bool& FlattenEdges() { return m_pImp->FlattenEdges(); }
  BackGroundSubType& Type() { return m_pImp->Type(); }
  [[nodiscard]] int getPolyOrder() const { return m_pImp->getPolyOrder(); }
  [[nodiscard]] float getPercentBelow() const { return m_pImp->getPercentBelow(); }
  [[nodiscard]] float getTolerance() const { return m_pImp->getTolerance(); }
  [[nodiscard]] bool getFlattenEdges() const { return m_pImp->getFlattenEdges(); }
  [[nodiscard]] BackGroundSubType getType() const { return m_pImp->getType(); }
};
