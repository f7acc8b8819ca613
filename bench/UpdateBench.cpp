// updateRawReader on a run of 10,000 centroid scans (10 points, one scan item
// each) that has grown by 100 scans since the reader opened, against one
// fread of the grown run's index file. Both runs are laid down by the
// writer; each pass copies the first run into place, opens a reader, copies
// the grown run over it (in place, as a writer grows files), then times the
// update and, before or after it in turn, the fread: both in the same state
// of the machine. Counters: update_per_fread, the best update's time over
// the best such fread's (target: at most 3), and update_per_warm_fread over
// the best of 20 freads in a row, which find everything warm.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Baselines.h"
#include "formats/portability/PageAlignedBuffer.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;

namespace {

constexpr int kScans = 10'000, kGrowth = 100, kPoints = 10;

void writeRun(const fs::path& dir, int scans) {
  CZorvalenRawWriter w = nullptr;
  CZorvalenParameters none = nullptr, values = nullptr;
  const ZorvalenScanItem item = ZorvalenScanItem::COLLISION_ENERGY;
  bool ok = createRawWriter(&w, dir.c_str()) == ZVRAW_OK && createParameters(&none) == ZVRAW_OK &&
            createParameters(&values) == ZVRAW_OK && appendRawFunctionWithStats(w, none, &item, 1) == ZVRAW_OK;
  std::vector<float> m(kPoints), y(kPoints);
  for (int s = 0; ok && s < scans; ++s) {
    for (int p = 0; p < kPoints; ++p) {
      m[p] = 100.0f + 10.0f * static_cast<float>(p) + 0.001f * static_cast<float>(s % 500);
      y[p] = static_cast<float>(1 + (s + p) % 97);
    }
    ok = setParameterValue(values, static_cast<int>(item), std::to_string(s % 50).c_str()) == ZVRAW_OK &&
         appendRawScanWithStats(w, m.data(), y.data(), kPoints, 0.01f * static_cast<float>(s), values) == ZVRAW_OK;
  }
  ok = ok && closeRawWriter(w) == ZVRAW_OK;
  (void)destroyParameters(none);
  (void)destroyParameters(values);
  (void)destroyRawWriter(w);
  if (!ok) std::abort();
}

struct Runs {
  Runs() {
    std::string pattern = (fs::temp_directory_path() / "zvraw-bench-update-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    root = pattern;
    writeRun(root / "base.raw", kScans);
    writeRun(root / "grown.raw", kScans + kGrowth);
  }
  ~Runs() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  Runs(const Runs&) = delete;
  Runs& operator=(const Runs&) = delete;
  // Every file of from over the same names in to.
  static void copyOver(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    for (const auto& e : fs::directory_iterator(from))
      fs::copy_file(e.path(), to / e.path().filename(), fs::copy_options::overwrite_existing);
  }
  fs::path root;
};

void BM_UpdateAfterGrowth(benchmark::State& state) {
  static const Runs runs;
  const fs::path work = runs.root / "work.raw";
  zvraw::PageAlignedBuffer block(fs::file_size(runs.root / "grown.raw" / "_func001.idx"));
  const auto freadIndex = [&] {
    std::FILE* f = std::fopen((work / "_func001.idx").c_str(), "rb");
    if (f == nullptr) std::abort();
    benchmark::DoNotOptimize(std::fread(block.data(), 1, block.size(), f));
    std::fclose(f);
    benchmark::ClobberMemory();
  };
  Runs::copyOver(runs.root / "grown.raw", work);
  const double warm = zvraw_bench::bestSeconds(20, freadIndex);
  double best = 1e30, fread = 1e30;
  bool freadFirst = false;
  for (auto _ : state) {
    Runs::copyOver(runs.root / "base.raw", work);
    CZorvalenBaseReader r = nullptr;
    if (createRawReaderFromPath(work.c_str(), &r, ZorvalenBaseType::INFO) != ZVRAW_OK) std::abort();
    Runs::copyOver(runs.root / "grown.raw", work);
    // The baseline runs in the same state of the machine, before or after
    // the update in turn.
    freadFirst = !freadFirst;
    if (freadFirst) fread = std::min(fread, zvraw_bench::bestSeconds(1, freadIndex));
    int rc = ZVRAW_ERROR;
    const double seconds = zvraw_bench::bestSeconds(1, [&] { rc = updateRawReader(r); });
    if (!freadFirst) fread = std::min(fread, zvraw_bench::bestSeconds(1, freadIndex));
    state.SetIterationTime(seconds);
    best = std::min(best, seconds);
    unsigned scans = 0;
    if (rc != ZVRAW_OK || getScanCount(r, 0, &scans) != ZVRAW_OK || scans != kScans + kGrowth)
      state.SkipWithError("the update did not show the new scans");
    (void)destroyRawReader(r);
  }
  state.counters["update_us"] = best * 1e6;
  state.counters["fread_us"] = fread * 1e6;
  state.counters["update_per_fread"] = best / fread;
  state.counters["update_per_warm_fread"] = best / warm;
}
BENCHMARK(BM_UpdateAfterGrowth)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace
