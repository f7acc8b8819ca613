// A calibrated function (format 12 unless asked otherwise) written through
// the write interface, for the benchmarks that read a whole run: scan s
// holds `points` points at masses 100 + 0.875 p + step (s % grids) (step
// 0.0625 and 8 grids unless asked otherwise) with intensities
// 1 + (7 s + 3 p) % 1000, at 0.001 s minutes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "cluster/ZVRawDataCluster.h"
#include "cluster/ZVRawWriteInterface.h"
#include "formats/directory/ZVRawFunctionDescriptor.h"
#include "zorvalen/ZorvalenRaw.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace zvraw_bench {

inline borealtek_zvraw_version_1::ZVRawFunctionDescriptor_NonMaldi runDescriptor(unsigned scans, unsigned format) {
  borealtek_zvraw_version_1::ZVRawFunctionDescriptor_NonMaldi d;
  (void)d.Initialise(0, 8, format, true, false, 0.6f, 0.02f, 0.0f, 0.001f * scans, scans, 0, 1);
  float times[32] = {0.58f}, starts[32] = {50.0f}, ends[32] = {2000.0f};
  (void)d.Initialise(500.0f, 0.0f, times, starts, ends);
  return d;
}

// Replaces dir with the run, `batch` scans per write (scans a multiple of
// batch); false when a step fails. `spacing` replaces the 0.875 between
// points, so that long scans stay inside the acquisition range.
inline bool writeFormat12Run(const std::filesystem::path& dir, unsigned scans, unsigned points, unsigned batch,
                             bool continuum, float step = 0.0625f, unsigned grids = 8, unsigned format = 12,
                             float spacing = 0.875f) {
  using namespace borealtek_zvraw_version_1;
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  ZVRawDataCluster cluster;
  ZVRawWriteInterface w(cluster);
  if (w.prepareDataCluster(dir.c_str(), 0) != ZVRAW_OK) return false;
  if (w.setFunctionDescriptor(0, runDescriptor(0, format), continuum, true) != ZVRAW_OK) return false;
  for (unsigned first = 0; first < scans; first += batch) {
    std::vector<std::unique_ptr<float[]>> masses(batch), intensities(batch);
    std::vector<std::unique_ptr<char[]>> flags(batch);
    std::vector<unsigned> sizes(batch, points);
    std::vector<double> times(batch);
    for (unsigned k = 0; k < batch; ++k) {
      const unsigned s = first + k;
      masses[k] = std::make_unique_for_overwrite<float[]>(points);
      intensities[k] = std::make_unique_for_overwrite<float[]>(points);
      flags[k] = std::make_unique<char[]>(points);
      for (unsigned p = 0; p < points; ++p) {
        masses[k][p] = 100.0f + spacing * static_cast<float>(p) + step * static_cast<float>(s % grids);
        intensities[k][p] = static_cast<float>(1 + (s * 7 + p * 3) % 1000);
      }
      times[k] = 0.001 * s;
    }
    int rc = w.setFunctionDescriptor(0, runDescriptor(first + batch, format));
    if (rc == ZVRAW_OK)
      rc = w.appendScans(0, batch, masses.data(), intensities.data(), flags.data(), times.data(), sizes.data());
    if (rc == ZVRAW_OK) rc = w.writeScans(0u, true, 0u);
    if (rc != ZVRAW_OK) return false;
  }
  return w.writeFunctionDescriptors() == ZVRAW_OK && w.writeHeader(false) == ZVRAW_OK;
}

// A run written afresh for one benchmark into $TMPDIR (or /tmp)
// /zvraw-bench-<name>/run.raw by write, with a scan reader and a processor of
// the kind on it (no reader handed over yet); all removed when it ends.
struct ProcessorRun {
  ProcessorRun(const char* name, ZorvalenBaseType kind, const std::function<bool(const std::filesystem::path&)>& write) {
    const char* tmp = std::getenv("TMPDIR");
    dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / ("zvraw-bench-" + std::string(name)) / "run.raw";
    if (!write(dir)) {
      std::fprintf(stderr, "%s: could not write %s\n", name, dir.c_str());
      std::abort();
    }
    if (createRawReaderFromPath(dir.c_str(), &reader, ZorvalenBaseType::SCAN) != ZVRAW_OK) std::abort();
    if (createRawProcessor(&processor, kind, nullptr, nullptr) != ZVRAW_OK) std::abort();
  }
  ~ProcessorRun() {
    destroyRawProcessor(processor);
    destroyRawReader(reader);
    std::error_code ec;
    std::filesystem::remove_all(dir.parent_path(), ec);
  }
  ProcessorRun(const ProcessorRun&) = delete;
  ProcessorRun& operator=(const ProcessorRun&) = delete;

  std::filesystem::path dir;
  CZorvalenBaseReader reader = nullptr;
  CZorvalenBaseProcessor processor = nullptr;
};

}  // namespace zvraw_bench
