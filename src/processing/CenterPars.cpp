#include "processing/CenterPars.h"

#include "processing/ProfileSection.h"

bool CenterParsImp::Save(const char* pcFileName) const {
  zvraw::ProfileSection s(sectionName(), pcFileName);
  s.put("Min Peak Width Channels", m_nMinPeakWidthChannels);
  s.put("Use Areas", m_bAreas);
  s.put("Top Percent", m_fTopPercent, 1);
  s.put("Centroiding Type", m_eCenterType);
  return s.ok();
}

bool CenterParsImp::Restore(const char* pcFileName) {
  const CenterParsImp defaults(nullptr);
  zvraw::ProfileSection s(sectionName(), pcFileName);
  s.get("Min Peak Width Channels", defaults.m_nMinPeakWidthChannels, m_nMinPeakWidthChannels);
  s.get("Top Percent", defaults.m_fTopPercent, m_fTopPercent);
  s.get("Centroiding Type", defaults.m_eCenterType, m_eCenterType);
  s.get("Use Areas", defaults.m_bAreas, m_bAreas);
  return s.ok();
}
