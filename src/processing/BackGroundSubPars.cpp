#include "processing/BackGroundSubPars.h"

#include "processing/ProfileSection.h"

bool BackGroundSubParsImp::Save(const char* pcFileName) const {
  zvraw::ProfileSection s(sectionName(), pcFileName);
  s.put("Flatten Edges", m_bFlattenEdges);
  s.put("Tolerance", m_fTolerance, 2);
  s.put("Polynomial Order", m_nPolynomialOrder);
  s.put("Percent Below", m_fPercentBelowCurve, 1);
  s.put("Type", m_nType);
  return s.ok();
}

bool BackGroundSubParsImp::Restore(const char* pcFileName) {
  const BackGroundSubParsImp defaults(nullptr);
  zvraw::ProfileSection s(sectionName(), pcFileName);
  s.get("Polynomial Order", defaults.m_nPolynomialOrder, m_nPolynomialOrder);
  s.get("Percent Below", defaults.m_fPercentBelowCurve, m_fPercentBelowCurve);
  s.get("Tolerance", defaults.m_fTolerance, m_fTolerance);
  s.get("Flatten Edges", defaults.m_bFlattenEdges, m_bFlattenEdges);
  s.get("Type", defaults.m_nType, m_nType);
  return s.ok();
}
