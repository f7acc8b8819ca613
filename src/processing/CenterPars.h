#pragma once

// Settings of peak detection and centring, kept in section "CENTER": Min
// Peak Width Channels, Top Percent (1 decimal), Centroiding Type, Use Areas.
// The minimum width in daltons is not kept.

#include "processing/ProcParsImp.h"

enum CenterType : int {
  CENTER_TOP = 1,
  CENTER_CENTROID = 2,
  CENTER_MEDIAN = 3,
};

// The accessors are named after the type they return, so the type is
// written ::CenterType inside the classes.
class CenterParsImp : public ProcParsImp {
 public:
  explicit CenterParsImp(const char* pcSectionModifier) : ProcParsImp("CENTER", pcSectionModifier) {}
  bool operator==(const CenterParsImp&) const = default;

  bool Serialize(const char* pcParFile, bool bSave) { return bSave ? Save(pcParFile) : Restore(pcParFile); }
  bool Save(const char* pcFileName) const;
  bool Restore(const char* pcFileName);

  int& MinPeakWidthChannels() { return m_nMinPeakWidthChannels; }
  float& MinPeakWidthDaltons() { return m_fMinPeakWidthDaltons; }
  float& TopPercent() { return m_fTopPercent; }
  ::CenterType& CenterType() { return m_eCenterType; }
  bool& Areas() { return m_bAreas; }
  [[nodiscard]] int getMinPeakWidthChannels() const { return m_nMinPeakWidthChannels; }
  [[nodiscard]] float getMinPeakWidthDaltons() const { return m_fMinPeakWidthDaltons; }
  [[nodiscard]] float getTopPercent() const { return m_fTopPercent; }
  [[nodiscard]] ::CenterType getCenterType() const { return m_eCenterType; }
  [[nodiscard]] bool getAreas() const { return m_bAreas; }

 private:
  int m_nMinPeakWidthChannels = 4;
  float m_fMinPeakWidthDaltons = 1.0f;
  float m_fTopPercent = 80.0f;
  ::CenterType m_eCenterType = CENTER_CENTROID;
  bool m_bAreas = true;
};

class CenterPars : public ProcParsHolder<CenterParsImp> {
 public:
  explicit CenterPars(const char* pcSectionModifier) : ProcParsHolder(pcSectionModifier) {}

  int& MinPeakWidthChannels() { return m_pImp->MinPeakWidthChannels(); }
  float& MinPeakWidthDaltons() { return m_pImp->MinPeakWidthDaltons(); }
  float& TopPercent() { return m_pImp->TopPercent(); }
  ::CenterType& CenterType() { return m_pImp->CenterType(); }
  bool& Areas() { return m_pImp->Areas(); }
  [[nodiscard]] int getMinPeakWidthChannels() const { return m_pImp->getMinPeakWidthChannels(); }
  [[nodiscard]] float getMinPeakWidthDaltons() const { return m_pImp->getMinPeakWidthDaltons(); }
  [[nodiscard]] float getTopPercent() const { return m_pImp->getTopPercent(); }
  [[nodiscard]] ::CenterType getCenterType() const { return m_pImp->getCenterType(); }
  [[nodiscard]] bool getAreas() const { return m_pImp->getAreas(); }
};
