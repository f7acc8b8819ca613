#pragma once

// A parameter set of lock-mass settings: keys 1000 (the lock mass), 1001
// (the half-width of the window searched around it) and 1002 (force: "1"
// recomputes even when the installed table has these settings). The
// caller's pairs stay as given; GetParams reads them into a LockMassPars
// record, with the code of the reading, when a correction runs.

#include <memory>
#include <string>

#include "api/ProcessParametersImp.h"

namespace Vardex::Lib::ZorvalenRaw {

class LockMassPars {
 public:
  void setLockMass(float mass) { m_fLockMass = mass; }
  void setTolerance(float tolerance) { m_fTolerance = tolerance; }
  void setForce(bool force) { m_bForce = force; }
  void setCode(int code) { m_nCode = code; }
  [[nodiscard]] float getLockMass() const { return m_fLockMass; }
  [[nodiscard]] float getTolerance() const { return m_fTolerance; }
  [[nodiscard]] float GetMassTolerance() const { return m_fTolerance; }
  [[nodiscard]] bool getForce() const { return m_bForce; }
  // 0, 57 (another key, or a value that is not a usable number) or 58 (the
  // mass or the tolerance missing).
  [[nodiscard]] int getCode() const { return m_nCode; }

 private:
  float m_fLockMass = 0.0f;
  float m_fTolerance = 0.0f;
  bool m_bForce = false;
  int m_nCode = 0;
};

class LockMassParametersImp : public ProcessParametersImp {
 public:
  LockMassParametersImp();
  LockMassParametersImp(const LockMassParametersImp&) = delete;
  LockMassParametersImp& operator=(const LockMassParametersImp&) = delete;
  ~LockMassParametersImp() override;

  // Both 1000 and 1001 are set.
  [[nodiscard]] bool valid() const;
  // 1000 and 1001 read a float, 1002 sets force exactly for the integer 1;
  // any other key, or a mass or tolerance that does not read, sets 57. So
  // does a lock mass of 0 or below, a negative tolerance, or either not
  // finite: the gains they give would scale every mass by 0, infinity or NaN.
  void SetLockMassValue(int key, const std::string& text);
  // The record read afresh (from its defaults) from every set key in
  // ascending order; a missing 1000 or 1001 then gives 58 unless the code is
  // already set.
  [[nodiscard]] const LockMassPars& GetParams();

 private:
  std::unique_ptr<LockMassPars> m_pLockmassParameters;
};

}  // namespace Vardex::Lib::ZorvalenRaw
