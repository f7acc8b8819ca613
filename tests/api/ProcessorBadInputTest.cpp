// The processor exports given what a careless caller or a damaged directory
// gives them: every call answers with a result code, and the lock-mass
// table the combines detach is attached again whatever happened.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "api/ProcessorTestSupport.h"
#include "api/ZorvalenSpectrumProcessorImp.h"
#include "drift/DriftPairFixture.h"
#include "formats/scans/ZVRawFunctionData.h"
#include "support/Corruption.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

class ProcessorBadInput : public ProcessorTest {
 protected:
  // Whether function 0 of the cluster reads with the installed table (true
  // without one).
  static bool tableAttached(CZorvalenBaseReader reader) {
    borealtek_zvraw_version_1::ZVRawDataCluster* c = cluster(reader);
    const borealtek_zvraw_version_1::ZVRawExternalLumavent* table = nullptr;
    (void)c->getExternalLumavent(table);
    float gain = 0;
    const auto* data = c->getImp()->getFunctionData(0u);
    return table == nullptr || data == nullptr || data->getLockMassGainFromRT(3.0f, gain) == ZVRAW_OK;
  }
};

// Another processor kind, for the refusals.
class OtherKind : public ZorvalenRawProcessorImp {
 public:
  OtherKind() : ZorvalenRawProcessorImp(ZorvalenBaseType::DDA) {}
  std::unique_ptr<ZorvalenRawReaderImp> CreateRawReader(ZorvalenRawReaderImp&) override { return nullptr; }
};

TEST_F(ProcessorBadInput, EveryExportRefusesWhatIsNotItsOwn) {
  write(gainRun(true));
  CZorvalenBaseReader reader = open(ZorvalenBaseType::SCAN);
  CZorvalenBaseProcessor good = spectrumProcessor(reader);
  OtherKind other;
  float *m = nullptr, *y = nullptr;
  int n = 0;
  const float masses[] = {1, 2};
  const std::vector<std::pair<const char*, std::function<int(void*)>>> exports = {
      {"setRawReader", [&](void* h) { return setRawReader(h, reader); }},
      {"combineScan", [](void* h) { return combineScan(h, 0, 0, 1); }},
      {"combineDriftScan", [](void* h) { return combineDriftScan(h, 0, 0, 1, 0, 3); }},
      {"setScan", [&](void* h) { return setScan(h, masses, masses, 2, 2); }},
      {"getScan", [&](void* h) { return getScan(h, &m, &y, &n); }},
      {"smoothScan", [](void* h) { return smoothScan(h); }},
      {"setSmoothParameter", [&](void* h) { return setSmoothParameter(h, set_); }},
      {"getSmoothParameter", [&](void* h) { return getSmoothParameter(h, set_); }},
      {"centroidScan", [](void* h) { return centroidScan(h); }},
      {"setCentroidParameter", [&](void* h) { return setCentroidParameter(h, set_); }},
      {"getCentroidParameter", [&](void* h) { return getCentroidParameter(h, set_); }},
      {"thresholdScan", [](void* h) { return thresholdScan(h); }},
      {"setThresholdParameter", [&](void* h) { return setThresholdParameter(h, set_); }},
  };
  for (const auto& [name, call] : exports) {
    SCOPED_TRACE(name);
    for (void* wrong : {static_cast<void*>(nullptr), reader, set_, toHandle(&other)}) {
      if (wrong == toHandle(&other) && std::string(name) == "setRawReader") continue;  // every kind takes a reader
      EXPECT_EQ(call(wrong), ZVRAW_PROCESSOR_NOT_DEFINED);
    }
    EXPECT_TRUE(tableAttached(reader));
  }
  // Missing outputs and sets: 79, the processor untouched.
  EXPECT_EQ(getScan(good, nullptr, &y, &n), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(getScan(good, &m, nullptr, &n), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(getScan(good, &m, &y, nullptr), ZVRAW_NULL_PARAMETERS);
  for (void* notASet : {static_cast<void*>(nullptr), reader}) {
    EXPECT_EQ(setSmoothParameter(good, notASet), ZVRAW_NULL_PARAMETERS);
    EXPECT_EQ(getSmoothParameter(good, notASet), ZVRAW_NULL_PARAMETERS);
    EXPECT_EQ(setCentroidParameter(good, notASet), ZVRAW_NULL_PARAMETERS);
    EXPECT_EQ(getCentroidParameter(good, notASet), ZVRAW_NULL_PARAMETERS);
    EXPECT_EQ(setThresholdParameter(good, notASet), ZVRAW_NULL_PARAMETERS);
  }
  // What is not a reader leaves the processor its own.
  for (void* notAReader : {static_cast<void*>(nullptr), set_, toHandle(&other)})
    EXPECT_EQ(setRawReader(good, notAReader), ZVRAW_READER_NOT_DEFINED);
  EXPECT_EQ(combineScan(good, 0, 0, 1), ZVRAW_OK);
  EXPECT_EQ(createRawProcessor(nullptr, ZorvalenBaseType::SCAN, nullptr, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(getProcessorMessage(good, 0, nullptr), ZVRAW_NULL_PARAMETERS);
  char* text = reinterpret_cast<char*>(0x1);
  EXPECT_EQ(getProcessorMessage(reader, 17, &text), ZVRAW_PROCESSOR_NOT_DEFINED);
  EXPECT_EQ(destroyRawProcessor(reader), ZVRAW_PROCESSOR_NOT_DEFINED);
  EXPECT_EQ(destroyRawProcessor(nullptr), ZVRAW_OK);
  EXPECT_TRUE(tableAttached(reader));
}

// Texts that do not read as their key's value, under every key.
TEST_F(ProcessorBadInput, UnreadableTextsUnderEveryKey) {
  CZorvalenBaseProcessor p = spectrumProcessor();
  const float masses[] = {100, 101, 102, 103, 104, 105, 106, 107}, intensities[] = {1, 5, 2, 6, 3, 7, 4, 8};
  for (const int key : {1400, 1450, 1451, 1452, 1500, 1501, 1502, 1550, 1551, 1600, 1601}) {
    for (const char* text : {"1e99999", "", "-2147483649"}) {
      SCOPED_TRACE(std::to_string(key) + " = \"" + text + "\"");
      const CZorvalenParameters set = pairs({{key, text}});
      ASSERT_EQ(setScan(p, masses, intensities, 8, 8), ZVRAW_OK);
      EXPECT_EQ(setCentroidParameter(p, set), key == 1400 ? ZVRAW_PARAMETER_INVALID : ZVRAW_PARAMETER_NOT_DEFINED);
      EXPECT_EQ(centroidScan(p), ZVRAW_PARAMETER_NOT_DEFINED);  // no resolution, no reader
      EXPECT_EQ(setSmoothParameter(p, set), ZVRAW_OK);
      EXPECT_EQ(smoothScan(p), ZVRAW_OK);
      EXPECT_EQ(getSmoothParameter(p, set_), ZVRAW_OK);
      EXPECT_EQ(setThresholdParameter(p, pairs({{key, text}})), ZVRAW_OK);
      // A leading number reads: "1e99999" is the type 1, "-2147483649" a threshold.
      const std::string t = text;
      const bool readsButAlone = (key == 1550 && t == "-2147483649") || (key == 1551 && t == "1e99999");
      EXPECT_EQ(thresholdScan(p), readsButAlone ? ZVRAW_PARAMETER_MISSING : ZVRAW_PARAMETER_INVALID);
      EXPECT_EQ(spectrumOf(p).masses.size(), 8u);
    }
  }
}

// Damaged data files: the combines give codes, never detach the table for
// good, and leave a spectrum getScan can hand out.
TEST_F(ProcessorBadInput, CombinesOverDamagedFiles) {
  write(gainRun(true));
  std::uint32_t seed = 0xC0DE;
  const auto combineAll = [&](bool drift) {
    CZorvalenBaseReader reader = nullptr;
    const int opened = createRawReaderFromPath(rawPath().c_str(), &reader, ZorvalenBaseType::SCAN);
    if (opened != ZVRAW_OK) return opened;
    CZorvalenBaseProcessor p = nullptr;
    EXPECT_EQ(createRawProcessor(&p, ZorvalenBaseType::SCAN, nullptr, nullptr), ZVRAW_OK);
    const bool attached = tableAttached(reader);  // not to a function the damage left without scans
    int rc = setRawReader(p, reader);
    if (rc == ZVRAW_OK) rc = drift ? combineDriftScan(p, 0, 0, 1, 0, 3) : combineScan(p, 0, 0, 1);
    EXPECT_EQ(tableAttached(reader), attached);
    (void)spectrumOf(p);
    EXPECT_EQ(destroyRawProcessor(p), ZVRAW_OK);
    EXPECT_EQ(destroyRawReader(reader), ZVRAW_OK);
    return rc;
  };
  for (const char* name : {"_func001.idx", "_func001.dat"}) {
    SCOPED_TRACE(name);
    expectDamagedFileSurvives(raw() / name, [&] { return combineAll(false); }, seed++, 60);
  }
  drift_fixture::expectDamagedPairsGiveCodes(raw(), [&] { return combineAll(true); }, seed, 60);
}

}  // namespace
