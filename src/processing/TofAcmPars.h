#pragma once

// Settings of time-of-flight accurate mass and dead-time correction, kept in
// section "TOFACM": Resolution, NP Multiplier, Mass Window, Lock Mass (each 1
// decimal), Lumavent Scans. The effective voltage and length, the mass range
// and the cycle time are not kept; their accessors are const and still
// writable, so those four are mutable.

#include "processing/ProcParsImp.h"

class TofAcmParsImp : public ProcParsImp {
 public:
  explicit TofAcmParsImp(const char* pcSectionModifier) : ProcParsImp("TOFACM", pcSectionModifier) {}
  bool operator==(const TofAcmParsImp&) const = default;

  bool Serialize(const char* pcParFile, bool bSave) { return bSave ? Save(pcParFile) : Restore(pcParFile); }
  bool Save(const char* pcFileName) const;
  bool Restore(const char* pcFileName);

  float& Resolution() { return m_fResolution; }
  float& NPMultiplier() { return m_fNpMultiplier; }
  float& MassWindow() { return m_fMassWindow; }
  float& LockMass() { return m_fLockMass; }
  int& LumaventScans() { return m_nLumaventScans; }
  [[nodiscard]] float getResolution() const { return m_fResolution; }
  [[nodiscard]] float getNPMultiplier() const { return m_fNpMultiplier; }
  [[nodiscard]] float getMassWindow() const { return m_fMassWindow; }
  [[nodiscard]] float getLockMass() const { return m_fLockMass; }
  [[nodiscard]] int getLumaventScans() const { return m_nLumaventScans; }
  float& Veff() const { return m_fVeff; }
  float& Lteff() const { return m_fLteff; }
  float& MassRange() const { return m_fMassRange; }
  float& CycleTime() const { return m_fCycleTime; }

 private:
  float m_fResolution = 5000.0f;
  float m_fNpMultiplier = 1.0f;
  float m_fMassWindow = 0.0f;
  float m_fLockMass = 0.0f;
  int m_nLumaventScans = 10;
  mutable float m_fVeff = 0.0f;
  mutable float m_fLteff = 0.0f;
  mutable float m_fMassRange = 0.0f;
  mutable float m_fCycleTime = 0.0f;
};

class TofAcmPars : public ProcParsHolder<TofAcmParsImp> {
 public:
  explicit TofAcmPars(const char* pcSectionModifier) : ProcParsHolder(pcSectionModifier) {}

  float& Resolution() { return m_pImp->Resolution(); }
  float& NPMultiplier() { return m_pImp->NPMultiplier(); }
  float& MassWindow() { return m_pImp->MassWindow(); }
  float& LockMass() { return m_pImp->LockMass(); }
  int& LumaventScans() { return m_pImp->LumaventScans(); }
  [[nodiscard]] float getResolution() const { return m_pImp->getResolution(); }
  [[nodiscard]] float getNPMultiplier() const { return m_pImp->getNPMultiplier(); }
  [[nodiscard]] float getMassWindow() const { return m_pImp->getMassWindow(); }
  [[nodiscard]] float getLockMass() const { return m_pImp->getLockMass(); }
  [[nodiscard]] int getLumaventScans() const { return m_pImp->getLumaventScans(); }
  float& Veff() const { return m_pImp->Veff(); }
  float& Lteff() const { return m_pImp->Lteff(); }
  float& MassRange() const { return m_pImp->MassRange(); }
  float& CycleTime() const { return m_pImp->CycleTime(); }
};
