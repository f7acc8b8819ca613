#pragma once

// Settings of adaptive background subtraction, kept in section
// "ABS SUBTRACT": Bins, Half Window, Quantile (4 decimals).

#include "processing/ProcParsImp.h"

class ABSSubtractParsImp : public ProcParsImp {
 public:
  explicit ABSSubtractParsImp(const char* pcSectionModifier) : ProcParsImp("ABS SUBTRACT", pcSectionModifier) {}
  bool operator==(const ABSSubtractParsImp&) const = default;

  bool Serialize(const char* pcParFile, bool bSave) { return bSave ? Save(pcParFile) : Restore(pcParFile); }
  bool Save(const char* pcFileName) const;
  bool Restore(const char* pcFileName);

  int& Bins() { return m_nBins; }
  int& HalfWindow() { return m_nHalfWindow; }
  double& Quantile() { return m_fQuantile; }
  [[nodiscard]] int getBins() const { return m_nBins; }
  [[nodiscard]] int getHalfWindow() const { return m_nHalfWindow; }
  [[nodiscard]] double getQuantile() const { return m_fQuantile; }

 private:
  int m_nBins = 20;
  int m_nHalfWindow = 10;
  double m_fQuantile = 0.45;
};

class ABSSubtractPars : public ProcParsHolder<ABSSubtractParsImp> {
 public:
  explicit ABSSubtractPars(const char* pcSectionModifier) : ProcParsHolder(pcSectionModifier) {}

  int& Bins() { return m_pImp->Bins(); }
  int& HalfWindow() { return m_pImp->HalfWindow(); }
  double& Quantile() { return m_pImp->Quantile(); }
  [[nodiscard]] int getBins() const { return m_pImp->getBins(); }
  [[nodiscard]] int getHalfWindow() const { return m_pImp->getHalfWindow(); }
  [[nodiscard]] double getQuantile() const { return m_pImp->getQuantile(); }
};
