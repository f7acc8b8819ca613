#pragma once

// The settings of mass measurement: one background, smoothing, centring and
// time-of-flight set, each in its own section with the same modifier, and
// three switches kept in section "MASSMEASURE": Do Subtract, Do Smooth and,
// only when the set is built for time-of-flight accurate mass, Do Tof
// Accurate Mass. Without it neither that key nor the TOFACM section is
// written or read.

#include "processing/BackGroundSubPars.h"
#include "processing/CenterPars.h"
#include "processing/ProcParsImp.h"
#include "processing/SmoothPars.h"
#include "processing/TofAcmPars.h"

// The accessors are named after the sets they return, so the set types are
// written with :: inside the classes.
class MassMeasureParsImp : public ProcParsImp {
 public:
  MassMeasureParsImp(const char* pcSectionModifier, bool bTofACM);
  bool operator==(const MassMeasureParsImp&) const = default;

  // Its own section, then the background, smoothing, time-of-flight (only
  // for time-of-flight accurate mass) and centring sets; true when all were.
  bool Serialize(const char* pcParFile, bool bSave);
  bool Save(const char* pcFileName) const;
  bool Restore(const char* pcFileName);

  ::BackGroundSubPars& BackGroundSubPars() { return m_BackSubPars; }
  ::SmoothPars& SmoothPars() { return m_SmoothPars; }
  ::CenterPars& CenterPars() { return m_CenterPars; }
  ::TofAcmPars& TofAcmPars() { return m_TofAcmPars; }
  [[nodiscard]] const ::BackGroundSubPars* getBackSubPars() const { return &m_BackSubPars; }
  [[nodiscard]] const ::SmoothPars* getSmoothPars() const { return &m_SmoothPars; }
  [[nodiscard]] const ::CenterPars* getCenterPars() const { return &m_CenterPars; }
  [[nodiscard]] const ::TofAcmPars* getTofAcmPars() const { return &m_TofAcmPars; }
  bool& DoSubtract() { return m_bDoSubtract; }
  bool& DoSmooth() { return m_bDoSmooth; }
  bool& DoTofAcm() { return m_bDoTofAcm; }
  [[nodiscard]] bool getDoSubtract() const { return m_bDoSubtract; }
  [[nodiscard]] bool getDoSmooth() const { return m_bDoSmooth; }
  [[nodiscard]] bool getDoTofAcm() const { return m_bDoTofAcm; }

 private:
  ::BackGroundSubPars m_BackSubPars;
  ::SmoothPars m_SmoothPars;
  ::CenterPars m_CenterPars;
  ::TofAcmPars m_TofAcmPars;
  bool m_bDoSubtract = false;
  bool m_bDoSmooth = false;
  bool m_bDoTofAcm = false;
  bool m_bTofACM;
};

class MassMeasurePars : public ProcParsHolder<MassMeasureParsImp> {
 public:
  MassMeasurePars(const char* pcSectionModifier, bool bTofACM) : ProcParsHolder(pcSectionModifier, bTofACM) {}

  ::BackGroundSubPars& BackGroundSubPars() { return m_pImp->BackGroundSubPars(); }
  ::SmoothPars& SmoothPars() { return m_pImp->SmoothPars(); }
  ::CenterPars& CenterPars() { return m_pImp->CenterPars(); }
  ::TofAcmPars& TofAcmPars() { return m_pImp->TofAcmPars(); }
  [[nodiscard]] const ::BackGroundSubPars* getBackSubPars() const { return m_pImp->getBackSubPars(); }
  [[nodiscard]] const ::SmoothPars* getSmoothPars() const { return m_pImp->getSmoothPars(); }
  [[nodiscard]] const ::CenterPars* getCenterPars() const { return m_pImp->getCenterPars(); }
  [[nodiscard]] const ::TofAcmPars* getTofAcmPars() const { return m_pImp->getTofAcmPars(); }
  bool& DoSubtract() { return m_pImp->DoSubtract(); }
  bool& DoSmooth() { return m_pImp->DoSmooth(); }
  bool& DoTofAcm() { return m_pImp->DoTofAcm(); }
  [[nodiscard]] bool getDoSubtract() const { return m_pImp->getDoSubtract(); }
  [[nodiscard]] bool getDoSmooth() const { return m_pImp->getDoSmooth(); }
  [[nodiscard]] bool getDoTofAcm() const { return m_pImp->getDoTofAcm(); }
};
