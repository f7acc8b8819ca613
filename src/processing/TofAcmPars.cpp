#include "processing/TofAcmPars.h"

#include "processing/ProfileSection.h"

bool TofAcmParsImp::Save(const char* pcFileName) const {
  zvraw::ProfileSection s(sectionName(), pcFileName);
  s.put("Resolution", m_fResolution, 1);
  s.put("NP Multiplier", m_fNpMultiplier, 1);
  s.put("Mass Window", m_fMassWindow, 1);
  s.put("Lock Mass", m_fLockMass, 1);
  s.put("Lumavent Scans", m_nLumaventScans);
  return s.ok();
}

bool TofAcmParsImp::Restore(const char* pcFileName) {
  const TofAcmParsImp defaults(nullptr);
  zvraw::ProfileSection s(sectionName(), pcFileName);
  s.get("Resolution", defaults.m_fResolution, m_fResolution);
  s.get("NP Multiplier", defaults.m_fNpMultiplier, m_fNpMultiplier);
  s.get("Mass Window", defaults.m_fMassWindow, m_fMassWindow);
  s.get("Lock Mass", defaults.m_fLockMass, m_fLockMass);
  s.get("Lumavent Scans", defaults.m_nLumaventScans, m_nLumaventScans);
  return s.ok();
}
