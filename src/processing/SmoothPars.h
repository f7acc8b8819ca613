#pragma once

// Settings of smoothing, kept in section "SMOOTH": Number Of Smooths, Smooth
// Width, Smooth Type.

#include "processing/ProcParsImp.h"
#include "processing/SmoothTypeImp.h"

class SmoothParsImp : public ProcParsImp {
 public:
  explicit SmoothParsImp(const char* pcSectionModifier) : ProcParsImp("SMOOTH", pcSectionModifier) {}
  bool operator==(const SmoothParsImp&) const = default;

  bool Serialize(const char* pcParFile, bool bSave) { return bSave ? Save(pcParFile) : Restore(pcParFile); }
  bool Save(const char* pcFileName) const;
  bool Restore(const char* pcFileName);

  int& NumberOfSmooths() { return m_nNumberOfSmooths; }
  int& SmoothWidth() { return m_nSmoothWidth; }
  SmoothTypeImp& SmoothType() { return m_eSmoothType; }
  [[nodiscard]] int getNumberOfSmooths() const { return m_nNumberOfSmooths; }
  [[nodiscard]] int getSmoothWidth() const { return m_nSmoothWidth; }
  [[nodiscard]] SmoothTypeImp getSmoothType() const { return m_eSmoothType; }

 private:
  int m_nNumberOfSmooths = 2;
  int m_nSmoothWidth = 3;
  SmoothTypeImp m_eSmoothType = SMOOTH_SAVITZKY_GOLAY;
};

class SmoothPars : public ProcParsHolder<SmoothParsImp> {
 public:
  explicit SmoothPars(const char* pcSectionModifier) : ProcParsHolder(pcSectionModifier) {}

  int& NumberOfSmooths() { return m_pImp->NumberOfSmooths(); }
  int& SmoothWidth() { return m_pImp->SmoothWidth(); }
  SmoothTypeImp& SmoothType() { return m_pImp->SmoothType(); }
  [[nodiscard]] int getNumberOfSmooths() const { return m_pImp->getNumberOfSmooths(); }
  [[nodiscard]] int getSmoothWidth() const { return m_pImp->getSmoothWidth(); }
  [[nodiscard]] SmoothTypeImp getSmoothType() const { return m_pImp->getSmoothType(); }
};
