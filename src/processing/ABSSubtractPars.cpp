#include "processing/ABSSubtractPars.h"

#include "processing/ProfileSection.h"

bool ABSSubtractParsImp::Save(const char* pcFileName) const {
  zvraw::ProfileSection s(sectionName(), pcFileName);
  s.put("Bins", m_nBins);
  s.put("Half Window", m_nHalfWindow);
  s.put("Quantile", m_fQuantile, 4);
  return s.ok();
}

bool ABSSubtractParsImp::Restore(const char* pcFileName) {
  const ABSSubtractParsImp defaults(nullptr);
  zvraw::ProfileSection s(sectionName(), pcFileName);
  s.get("Bins", defaults.m_nBins, m_nBins);
  s.get("Half Window", defaults.m_nHalfWindow, m_nHalfWindow);
  s.get("Quantile", defaults.m_fQuantile, m_fQuantile);
  return s.ok();
}
