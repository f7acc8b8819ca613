#include "processing/SmoothPars.h"

#include "processing/ProfileSection.h"

bool SmoothParsImp::Save(const char* pcFileName) const {
  zvraw::ProfileSection s(sectionName(), pcFileName);
  s.put("Number Of Smooths", m_nNumberOfSmooths);
  s.put("Smooth Width", m_nSmoothWidth);
  s.put("Smooth Type", m_eSmoothType);
  return s.ok();
}

bool SmoothParsImp::Restore(const char* pcFileName) {
  const SmoothParsImp defaults(nullptr);
  zvraw::ProfileSection s(sectionName(), pcFileName);
  s.get("Number Of Smooths", defaults.m_nNumberOfSmooths, m_nNumberOfSmooths);
  s.get("Smooth Width", defaults.m_nSmoothWidth, m_nSmoothWidth);
  s.get("Smooth Type", defaults.m_eSmoothType, m_eSmoothType);
  return s.ok();
}
