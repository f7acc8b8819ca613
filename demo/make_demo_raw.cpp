// Writes the demo raw directory that the examples read, with the library's
// own writer classes:
//   function 0: continuum MS, data format 12 (calibrated masses, 30-byte
//               index records), 20 scans of one 12-point peak profile;
//   function 1: centroid MS, data format 9, 10 scans of 5 peaks;
// each with per-scan statistics, and a header.
//
//     make_demo_raw DIRECTORY
//
// Every value is exact in its packed format, so readers get back exactly
// what is written here.

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "cluster/ExtendedStatsDescriptor.h"
#include "cluster/ZVRawDataCluster.h"
#include "cluster/ZVRawWriteInterface.h"
#include "formats/statistics/ZVRawExtStatsRecord.h"
#include "formats/directory/ZVRawFunctionDescriptor.h"

using namespace borealtek_zvraw_version_1;

namespace {

struct Function {
  unsigned format;
  bool continuum;
  unsigned scans;
  double firstTime, timeStep;  // minutes
  float lowMass, highMass;
};

constexpr Function kFunctions[] = {
    {12, true, 20, 0.05, 0.05, 100.0f, 1000.0f},
    {9, false, 10, 0.1, 0.1, 50.0f, 600.0f},
};

// Function 0: a peak centred on 500.375, its height growing with the scan.
constexpr float kProfile[] = {0, 10, 40, 160, 640, 1280, 2560, 1280, 640, 160, 40, 10};
// Function 1: five peaks.
constexpr float kCentroidMasses[] = {100.0f, 200.5f, 301.25f, 402.0f, 503.75f};

// Points of scan s of function f, in arrays the writer moves out;
// no point is flagged.
void makeScan(unsigned f, unsigned s, std::unique_ptr<float[]>& masses, std::unique_ptr<float[]>& intensities,
              std::unique_ptr<char[]>& flags, unsigned& size) {
  if (f == 0) {
    size = sizeof kProfile / sizeof kProfile[0];
    masses = std::make_unique_for_overwrite<float[]>(size);
    intensities = std::make_unique_for_overwrite<float[]>(size);
    for (unsigned p = 0; p < size; ++p) {
      masses[p] = 499.625f + 0.125f * static_cast<float>(p);
      intensities[p] = kProfile[p] * static_cast<float>(s + 1);
    }
  } else {
    size = sizeof kCentroidMasses / sizeof kCentroidMasses[0];
    masses = std::make_unique_for_overwrite<float[]>(size);
    intensities = std::make_unique_for_overwrite<float[]>(size);
    for (unsigned p = 0; p < size; ++p) {
      masses[p] = kCentroidMasses[p];
      intensities[p] = static_cast<float>(100 * (p + 1) + s);
    }
  }
  flags = std::make_unique<char[]>(size);
}

ZVRawFunctionDescriptor_NonMaldi descriptor(const Function& fn) {
  ZVRawFunctionDescriptor_NonMaldi d;
  const double lastTime = fn.firstTime + fn.timeStep * (fn.scans - 1);
  // MS (type 0), electrospray positive (ion mode 8), one segment; 30-byte
  // index records for the calibrated format 12.
  (void)d.Initialise(0, 8, fn.format, fn.format == 12, false, static_cast<float>(fn.timeStep), 0.01f,
                     static_cast<float>(fn.firstTime), static_cast<float>(lastTime), fn.scans, 0, 1);
  float times[32] = {static_cast<float>(fn.timeStep)}, starts[32] = {fn.lowMass}, ends[32] = {fn.highMass};
  (void)d.Initialise(0.0f, 0.0f, times, starts, ends);
  return d;
}

// The per-scan statistics each scan carries: collision energy and set mass,
// two floats a record.
constexpr int kStatsRecordSize = 8;

ExtendedStatsDescriptor statsLayout() {
  ExtendedStatsDescriptor layout(2, kStatsRecordSize);
  layout.addField({COLLISION_ENERGY, 'f'}, 0);
  layout.addField({SET_MASS, 'f'}, 4);
  return layout;
}

int writeFunction(ZVRawWriteInterface& w, unsigned f) {
  const Function& fn = kFunctions[f];
  const ZVRawFunctionDescriptor_NonMaldi d = descriptor(fn);
  if (int rc = w.setFunctionDescriptor(f, d, fn.continuum, true); rc != 0) return rc;
  if (int rc = w.setExtendedStatsDescriptor(f, statsLayout()); rc != 0) return rc;

  std::vector<std::unique_ptr<float[]>> masses(fn.scans), intensities(fn.scans);
  std::vector<std::unique_ptr<char[]>> flags(fn.scans);
  std::vector<double> times(fn.scans);
  std::vector<unsigned> sizes(fn.scans);
  std::vector<unsigned char> stats(fn.scans * kStatsRecordSize);
  for (unsigned s = 0; s < fn.scans; ++s) {
    makeScan(f, s, masses[s], intensities[s], flags[s], sizes[s]);
    times[s] = fn.firstTime + fn.timeStep * s;
    const float energy = 4.0f + static_cast<float>(f), setMass = 0.0f;
    std::memcpy(&stats[s * kStatsRecordSize], &energy, 4);
    std::memcpy(&stats[s * kStatsRecordSize + 4], &setMass, 4);
  }
  int rc = w.appendScans(f, fn.scans, masses.data(), intensities.data(), flags.data(), times.data(), sizes.data());
  if (rc == 0) rc = w.writeScans(f, true, 0u);
  if (rc == 0) rc = w.appendStats(f, fn.scans, stats.data());
  if (rc == 0) rc = w.writeExtendedStats(f, 0u);
  return rc;
}

int writeDemo(const char* directory) {
  ZVRawDataCluster cluster;
  ZVRawWriteInterface w(cluster);
  if (int rc = w.prepareDataCluster(directory, 0); rc != 0) return rc;
  for (unsigned f = 0; f < sizeof kFunctions / sizeof kFunctions[0]; ++f)
    if (int rc = writeFunction(w, f); rc != 0) return rc;
  if (int rc = w.writeFunctionDescriptors(); rc != 0) return rc;
  const char* header[][2] = {{"Acquired Name", "demo"},
                             {"Acquired Date", "01-Jan-2026"},
                             {"Acquired Time", "12:00:00"},
                             {"Instrument", "demo writer"},
                             {"Sample Description", "libZorvalenRaw demo directory"}};
  for (const auto& item : header)
    if (int rc = w.setHeaderValue(item[0], item[1]); rc != 0) return rc;
  return w.writeHeader(false);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo_raw DIRECTORY\n");
    return 2;
  }
  const int rc = writeDemo(argv[1]);
  if (rc != 0) std::fprintf(stderr, "make_demo_raw: writing %s failed with result code %d\n", argv[1], rc);
  return rc == 0 ? 0 : 1;
}
