// The alternating-energy processor: the merged walk and its order, the
// buffers when the largest-scan answer is wrong, failing reads, damaged
// inputs, and the two C++ exports resolved by name from the shared library.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "api/Parameters.h"
#include "api/ReaderTestSupport.h"
#include "api/ZorvalenRawElvoImp.h"
#include "support/AcquisitionRuns.h"
#include "support/Corruption.h"

using Vardex::Lib::ZorvalenRaw::handleCast;
using Vardex::Lib::ZorvalenRaw::Parameters;
using Vardex::Lib::ZorvalenRaw::toHandle;
using Vardex::Lib::ZorvalenRaw::ZorvalenRawElvoImp;
using Vardex::Lib::ZorvalenRaw::ZorvalenRawInfoImp;
using Vardex::Lib::ZorvalenRaw::ZorvalenRawReaderImp;

namespace {

constexpr int kMS1 = 1850, kMS2 = 1851, kNone = 1859;

struct Step {
  int rc = -1;
  float rt = -1.0f;
  int type = -1;
  std::vector<float> masses, intensities;
  bool next = true;  // true until a call writes it
  bool nullArrays = false;
};

using NextScan = int (*)(CZorvalenBaseProcessor, float&, ZorvalenScanType&, float*&, float*&, int&, bool&);

Step step(CZorvalenBaseProcessor p, NextScan next = elvoGetNextScan) {
  Step s;
  ZorvalenScanType type = ZorvalenScanType::MS2;
  float* m = nullptr;
  float* i = nullptr;
  int n = 0;
  s.rc = next(p, s.rt, type, m, i, n, s.next);
  s.type = static_cast<int>(type);
  s.nullArrays = m == nullptr && i == nullptr;
  if (n > 0 && m != nullptr && i != nullptr) {
    s.masses.assign(m, m + n);
    s.intensities.assign(i, i + n);
  }
  return s;
}

// The walk's seams: a largest-scan answer, the classification keys, and a
// count of builds.
class SeamedElvo : public ZorvalenRawElvoImp {
 public:
  std::function<int(int, unsigned int&)> maxScanSize;
  std::function<void(Parameters&)> acquisition;
  mutable int sizeQueries = 0;

 protected:
  int getMaxScanSize(int function, unsigned int& size) const override {
    ++sizeQueries;
    return maxScanSize ? maxScanSize(function, size) : ZorvalenRawElvoImp::getMaxScanSize(function, size);
  }
  void getAcquisitionInfo(ZorvalenRawInfoImp& info, Parameters& set) const override {
    if (acquisition)
      acquisition(set);
    else
      ZorvalenRawElvoImp::getAcquisitionInfo(info, set);
  }
};

class ElvoProcessor : public ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    ASSERT_EQ(createRawProcessor(&p_, ZorvalenBaseType::ELVO, nullptr, nullptr), ZVRAW_OK);
  }
  void TearDown() override {
    EXPECT_EQ(destroyRawProcessor(p_), ZVRAW_OK);
    ReaderTest::TearDown();
  }
  void writeRun(const AcquisitionRun& run) {
    std::filesystem::remove_all(raw());
    std::filesystem::create_directories(raw());
    run.write(raw());
  }
  void attach(CZorvalenBaseProcessor p) { ASSERT_EQ(setRawReader(p, open(ZorvalenBaseType::INFO)), ZVRAW_OK); }
  void attach(SeamedElvo& p) {
    ASSERT_EQ(p.SetRawReader(*handleCast<ZorvalenRawReaderImp>(open(ZorvalenBaseType::SCAN))), ZVRAW_OK);
  }
  // Every step to the end (bounded).
  static std::vector<Step> walk(CZorvalenBaseProcessor p, NextScan next = elvoGetNextScan) {
    std::vector<Step> out;
    for (int k = 0; k < 100; ++k) {
      out.push_back(step(p, next));
      // A failed build leaves the type unset; a failed read does not stop the walk.
      if (!out.back().next || (out.back().rc != ZVRAW_OK && out.back().type == kNone)) break;
    }
    return out;
  }
  static std::vector<std::pair<float, int>> order(const std::vector<Step>& steps) {
    std::vector<std::pair<float, int>> out;
    for (const Step& s : steps) out.emplace_back(s.rt, s.type);
    return out;
  }
  // The scan as readScan gives it.
  Step read(int function, int scan) {
    CZorvalenBaseReader r = open(ZorvalenBaseType::SCAN);
    float* m = nullptr;
    float* i = nullptr;
    int n = 0;
    Step s;
    s.rc = readScan(r, function, scan, &m, &i, &n);
    s.masses.assign(m, m + n);
    s.intensities.assign(i, i + n);
    close(r);
    return s;
  }

  CZorvalenBaseProcessor p_ = nullptr;
};

AcquisitionRun timedRun(std::vector<float> low, std::vector<float> high) {
  AcquisitionRun run = elvoRun(6, 30);
  run.fx.function(0).scans = static_cast<unsigned>(low.size());
  run.fx.function(0).rts = std::move(low);
  run.fx.function(1).scans = static_cast<unsigned>(high.size());
  run.fx.function(1).rts = std::move(high);
  return run;
}

TEST_F(ElvoProcessor, EdgeCases) {
  // Low energy at 0.1, 0.3, 0.5 and high at 0.2, 0.4 interleave.
  writeRun(timedRun({0.1f, 0.3f, 0.5f}, {0.2f, 0.4f}));
  attach(p_);
  const std::vector<Step> steps = walk(p_);
  const std::vector<std::pair<float, int>> want = {{0.1f, kMS1}, {0.2f, kMS2}, {0.3f, kMS1},
                                                   {0.4f, kMS2}, {0.5f, kMS1}, {0.0f, kNone}};
  EXPECT_EQ(order(steps), want);
  for (std::size_t k = 0; k + 1 < steps.size(); ++k) EXPECT_TRUE(steps[k].next && !steps[k].masses.empty());
  EXPECT_FALSE(steps.back().next);

  // A reset after the end returns the first scan again, without a rebuild.
  SeamedElvo seamed;
  attach(seamed);
  (void)walk(toHandle(&seamed));
  const int queries = seamed.sizeQueries;
  EXPECT_EQ(queries, 2);  // one build: the two functions' largest scans
  EXPECT_EQ(elvoResetScan(toHandle(&seamed)), ZVRAW_OK);
  const Step first = step(toHandle(&seamed));
  EXPECT_EQ(first.rt, 0.1f);
  EXPECT_EQ(first.masses, steps.front().masses);
  EXPECT_EQ(seamed.sizeQueries, queries);

  // Not an alternating-energy run (data-dependent, or with ion mobility),
  // or no reader: 1, next untouched; a reset only moves the cursor.
  CZorvalenBaseProcessor fresh = nullptr;
  ASSERT_EQ(createRawProcessor(&fresh, ZorvalenBaseType::ELVO, nullptr, nullptr), ZVRAW_OK);
  EXPECT_EQ(elvoResetScan(fresh), ZVRAW_OK);
  Step refused = step(fresh);
  EXPECT_EQ(refused.rc, ZVRAW_ERROR);
  EXPECT_EQ(refused.rt, 0.0f);
  EXPECT_EQ(refused.type, kNone);
  for (const AcquisitionRun& other : {ddaRun({500.2f, 600.3f}), elvoRun(6, 30, {.mobility = true})}) {
    writeRun(other);
    attach(fresh);
    refused = step(fresh);
    EXPECT_EQ(refused.rc, ZVRAW_ERROR);
    EXPECT_TRUE(refused.next);  // not written
  }
  EXPECT_EQ(destroyRawProcessor(fresh), ZVRAW_OK);

  // One function in both roles: each scan twice, every one MS1.
  writeRun(elvoRun(6, 30));
  SeamedElvo same;
  same.acquisition = [](Parameters& set) {
    set.SetValue(1650, 1701);
    set.SetValue(1652, 1);
    set.SetValue(1653, 1);
  };
  attach(same);
  EXPECT_EQ(order(walk(toHandle(&same))),
            (std::vector<std::pair<float, int>>{
                {0.5f, kMS1}, {0.5f, kMS1}, {0.75f, kMS1}, {0.75f, kMS1}, {1.0f, kMS1}, {1.0f, kMS1}, {0.0f, kNone}}));
}

TEST_F(ElvoProcessor, EqualTimesLowEnergyFirst) {
  // Energies 30 then 6: function 1 is the low-energy one.
  writeRun(elvoRun(30, 6));
  attach(p_);
  const std::vector<Step> steps = walk(p_);
  ASSERT_EQ(steps.size(), 7u);
  for (unsigned k = 0; k < 6; ++k) {
    const int function = k % 2 == 0 ? 1 : 0;
    EXPECT_EQ(steps[k].type, function == 1 ? kMS1 : kMS2) << k;
    EXPECT_EQ(steps[k].masses, read(function, static_cast<int>(k / 2)).masses) << k;
  }
}

TEST_F(ElvoProcessor, LargestScanAnswerWrong) {
  // Function 1's scans are larger than function 0's.
  AcquisitionRun run = elvoRun(6, 30);
  run.fx.function(1).peaks = 9;
  writeRun(run);
  const std::vector<std::function<int(int, unsigned int&)>> answers = {
      [](int, unsigned int&) { return ZVRAW_FUNCNUM_INVALID; },
      [](int, unsigned int& size) { size = 0; return ZVRAW_OK; },
      [](int, unsigned int& size) { size = 1; return ZVRAW_OK; },
  };
  for (std::size_t a = 0; a < answers.size(); ++a) {
    SeamedElvo p;
    p.maxScanSize = answers[a];
    attach(p);
    const std::vector<Step> steps = walk(toHandle(&p));
    ASSERT_EQ(steps.size(), 7u) << a;
    for (unsigned k = 0; k < 6; ++k) {
      const Step whole = read(static_cast<int>(k % 2), static_cast<int>(k / 2));
      EXPECT_EQ(steps[k].rc, ZVRAW_OK);
      EXPECT_EQ(steps[k].masses, whole.masses) << a << " " << k;
      EXPECT_EQ(steps[k].intensities, whole.intensities) << a << " " << k;
    }
  }
}

TEST_F(ElvoProcessor, BadInput) {
  // Handles: null, another processor kind, another family.
  CZorvalenBaseProcessor dda = nullptr;
  ASSERT_EQ(createRawProcessor(&dda, ZorvalenBaseType::DDA, nullptr, nullptr), ZVRAW_OK);
  writeRun(elvoRun(6, 30));
  CZorvalenBaseReader reader = open(ZorvalenBaseType::SCAN);
  for (CZorvalenBaseProcessor wrong : {static_cast<void*>(nullptr), dda, reader}) {
    EXPECT_EQ(step(wrong).rc, ZVRAW_PROCESSOR_NOT_DEFINED);
    EXPECT_EQ(elvoResetScan(wrong), ZVRAW_PROCESSOR_NOT_DEFINED);
  }
  EXPECT_EQ(destroyRawProcessor(dda), ZVRAW_OK);

  // Damaged statistics and index files, a fresh build each time.
  const auto walkFresh = [&] {
    CZorvalenBaseReader r = nullptr;
    if (const int rc = createRawReaderFromPath(rawPath().c_str(), &r, ZorvalenBaseType::SCAN); rc != ZVRAW_OK)
      return rc;
    int rc = setRawReader(p_, r);
    EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
    if (rc != ZVRAW_OK) return rc;
    const std::vector<Step> steps = walk(p_);
    for (const Step& s : steps)
      EXPECT_TRUE(s.rc == ZVRAW_OK || !s.next || (s.nullArrays && s.masses.empty()));
    return steps.back().rc;
  };
  for (const std::string& name : {RawDirectoryFixture::statsName(0), RawDirectoryFixture::indexName(1)})
    expectDamagedFileSurvives(raw() / name, walkFresh, 0xE1B0u, 30);

  // Data cut after the list was built: the high-energy scans report the
  // read's code with their time and type, and the walk goes on past them.
  attach(p_);
  ASSERT_EQ(step(p_).rc, ZVRAW_OK);
  writeFile(raw() / RawDirectoryFixture::dataName(1), Bytes{});
  ASSERT_EQ(elvoResetScan(p_), ZVRAW_OK);
  const std::vector<Step> steps = walk(p_);
  ASSERT_EQ(steps.size(), 7u);
  for (unsigned k = 0; k < 6; ++k) {
    const bool high = k % 2 == 1;
    EXPECT_EQ(steps[k].rc != ZVRAW_OK, high) << k;
    EXPECT_EQ(steps[k].type, high ? kMS2 : kMS1);
    EXPECT_EQ(steps[k].rt, 0.5f + 0.25f * static_cast<float>(k / 2));
    EXPECT_TRUE(steps[k].next);
    EXPECT_EQ(steps[k].nullArrays, high);
  }
}

TEST_F(ElvoProcessor, ResolvedByNameFromTheSharedLibrary) {
  writeRun(timedRun({0.1f, 0.3f}, {0.2f}));
  void* lib = dlopen(ZVRAW_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  const auto resolve = [&](const char* name) {
    void* symbol = dlsym(lib, name);
    EXPECT_NE(symbol, nullptr) << name;
    return symbol;
  };
  // Every handle comes from the loaded library itself.
  auto createReader = reinterpret_cast<decltype(&createRawReaderFromPath)>(resolve("createRawReaderFromPath"));
  auto destroyReader = reinterpret_cast<decltype(&destroyRawReader)>(resolve("destroyRawReader"));
  auto createProcessor = reinterpret_cast<decltype(&createRawProcessor)>(resolve("createRawProcessor"));
  auto destroyProcessor = reinterpret_cast<decltype(&destroyRawProcessor)>(resolve("destroyRawProcessor"));
  auto attachReader = reinterpret_cast<decltype(&setRawReader)>(resolve("setRawReader"));
  auto next = reinterpret_cast<NextScan>(resolve("_Z15elvoGetNextScanPvRfR16ZorvalenScanTypeRPfS4_RiRb"));
  auto reset = reinterpret_cast<int (*)(CZorvalenBaseProcessor)>(resolve("_Z13elvoResetScanPv"));
  if (createReader && destroyReader && createProcessor && destroyProcessor && attachReader && next && reset) {
    CZorvalenBaseReader r = nullptr;
    CZorvalenBaseProcessor p = nullptr;
    ASSERT_EQ(createReader(rawPath().c_str(), &r, ZorvalenBaseType::SCAN), ZVRAW_OK);
    ASSERT_EQ(createProcessor(&p, ZorvalenBaseType::ELVO, nullptr, nullptr), ZVRAW_OK);
    ASSERT_EQ(attachReader(p, r), ZVRAW_OK);
    const std::vector<std::pair<float, int>> want = {{0.1f, kMS1}, {0.2f, kMS2}, {0.3f, kMS1}, {0.0f, kNone}};
    EXPECT_EQ(order(walk(p, next)), want);
    EXPECT_EQ(reset(p), ZVRAW_OK);
    EXPECT_EQ(step(p, next).rt, 0.1f);
    EXPECT_EQ(reset(nullptr), ZVRAW_PROCESSOR_NOT_DEFINED);
    EXPECT_EQ(destroyProcessor(p), ZVRAW_OK);
    EXPECT_EQ(destroyReader(r), ZVRAW_OK);
  }
  EXPECT_EQ(dlclose(lib), 0);
}

}  // namespace
