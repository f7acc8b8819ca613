#include "support/AcquisitionRuns.h"

#include <algorithm>

namespace {

FixtureStatsField constantField(std::uint16_t id, std::uint16_t type, double value) {
  return {id, type, [value](unsigned) { return value; }};
}

// The lock-mass function and drift pairs the options ask for.
AcquisitionRun finish(AcquisitionRun run, RunOptions options) {
  const auto acquired = static_cast<unsigned>(run.fx.functionCount());
  if (options.lockMass) {
    run.lockMassFunction = static_cast<int>(run.fx.functionCount());
    run.fx.function(lockMassFunction());
  }
  if (options.mobility)
    for (unsigned f = 0; f < acquired; ++f)
      if (run.fx.function(f).type != kTypeMS && std::ranges::find(run.driftFunctions, f) == run.driftFunctions.end())
        run.driftFunctions.push_back(f);
  return run;
}

}  // namespace

FixtureFunction runFunction(std::uint16_t type) {
  return {.type = type, .format = 12, .scans = 3, .peaks = 4, .lowMass = 50.0f, .highMass = 1200.0f};
}

FixtureFunction fragmentFunction(float setMass) {
  FixtureFunction fn = runFunction(kTypeTOFD);
  fn.setMass = setMass;
  fn.stats = {constantField(kSetMassField, kFloatField, setMass)};
  return fn;
}

FixtureFunction lockMassFunction() {
  FixtureFunction fn = runFunction(kTypeTOFM);
  fn.stats = {constantField(kReferenceScanField, kCharField, 1)};
  return fn;
}

void AcquisitionRun::write(const std::filesystem::path& dir) const {
  fx.write(dir);
  for (unsigned f : driftFunctions)
    drift_fixture::writePair(dir, f, drift, drift_fixture::ladder(static_cast<int>(fx.function(f).scans), drift.bins));
}

AcquisitionRun veskoRun(int veskoEnabled, RunOptions options) {
  AcquisitionRun run;
  FixtureFunction fn = runFunction(kTypeTOFM);
  fn.stats = {constantField(kVeskoEnabledField, kShortField, veskoEnabled)};
  run.fx.function(fn).veskoCalibration();
  // The quadrupole sweep is binned like drift: one bin per calibration step.
  run.driftFunctions = {0};
  run.drift.bins = 200;
  return finish(std::move(run), options);
}

AcquisitionRun ddaRun(const std::vector<float>& setMasses, RunOptions options) {
  AcquisitionRun run;
  run.fx.function(runFunction(kTypeTOFS));
  for (float mass : setMasses) run.fx.function(fragmentFunction(mass));
  return finish(std::move(run), options);
}

AcquisitionRun elvoRun(float firstEnergy, float secondEnergy, RunOptions options) {
  AcquisitionRun run;
  for (float energy : {firstEnergy, secondEnergy}) {
    FixtureFunction fn = runFunction(kTypeTOFM);
    fn.stats = {constantField(kCollisionEnergyField, kFloatField, energy)};
    run.fx.function(fn);
  }
  if (!options.lockMass) run.fx.function(runFunction(kTypeMS));
  return finish(std::move(run), options);
}
