#include "processing/MassMeasurePars.h"

#include "processing/ProfileSection.h"

MassMeasureParsImp::MassMeasureParsImp(const char* pcSectionModifier, bool bTofACM)
    : ProcParsImp("MASSMEASURE", pcSectionModifier),
      m_BackSubPars(pcSectionModifier),
      m_SmoothPars(pcSectionModifier),
      m_CenterPars(pcSectionModifier),
      m_TofAcmPars(pcSectionModifier),
      m_bTofACM(bTofACM) {}

bool MassMeasureParsImp::Serialize(const char* pcParFile, bool bSave) {
  // Every part runs, also after one has failed.
  bool ok = bSave ? Save(pcParFile) : Restore(pcParFile);
  ok = m_BackSubPars.Serialize(pcParFile, bSave) && ok;
  ok = m_SmoothPars.Serialize(pcParFile, bSave) && ok;
  if (m_bTofACM) ok = m_TofAcmPars.Serialize(pcParFile, bSave) && ok;
  ok = m_CenterPars.Serialize(pcParFile, bSave) && ok;
  return ok;
}

bool MassMeasureParsImp::Save(const char* pcFileName) const {
  zvraw::ProfileSection s(sectionName(), pcFileName);
  if (m_bTofACM) s.put("Do Tof Accurate Mass", m_bDoTofAcm);
  s.put("Do Smooth", m_bDoSmooth);
  s.put("Do Subtract", m_bDoSubtract);
  return s.ok();
}

bool MassMeasureParsImp::Restore(const char* pcFileName) {
  zvraw::ProfileSection s(sectionName(), pcFileName);
  s.get("Do Subtract", false, m_bDoSubtract);
  s.get("Do Smooth", false, m_bDoSmooth);
  if (m_bTofACM) s.get("Do Tof Accurate Mass", false, m_bDoTofAcm);
  return s.ok();
}
