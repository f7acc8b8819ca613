// What the processor exports leave in their outputs when they fail: a
// refused processor leaves everything as it was; otherwise each export keeps
// or presets its outputs, its held spectrum and the set it fills as the
// README's table says. Also the handles of the two create functions.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "api/ReaderTestSupport.h"
#include "support/AcquisitionRuns.h"

namespace {

// Every output an export may write, starting from values no export writes.
struct Outputs {
  float *masses, *intensities;
  int n;
  bool flag;
  float value;
  void* handle;
  ZorvalenScanType type;
  bool operator==(const Outputs&) const = default;
};

Outputs untouched() {
  auto* p = reinterpret_cast<float*>(0x10);
  return {p, p, -7, true, 123.0f, reinterpret_cast<void*>(0x10), static_cast<ZorvalenScanType>(-7)};
}

// The kind of processor a case runs on; none for the create functions.
constexpr auto kNone = static_cast<ZorvalenBaseType>(0);
enum class Left { Kept, Emptied };

using Call = std::function<int(CZorvalenBaseProcessor, Outputs&, CZorvalenParameters)>;
using Change = std::function<void(Outputs&)>;

struct Case {
  const char* what;
  ZorvalenBaseType kind;
  bool reader;  // given one on the run
  Call call;
  int code;
  Change after = nullptr;  // from untouched(); null: untouched
  Left spectrum = Left::Kept, set = Left::Kept;
};

// A set of pairs for the length of one call.
int withPairs(const std::vector<std::pair<int, const char*>>& pairs, const std::function<int(CZorvalenParameters)>& f) {
  CZorvalenParameters s = nullptr;
  EXPECT_EQ(createParameters(&s), ZVRAW_OK);
  for (const auto& [key, text] : pairs) EXPECT_EQ(setParameterValue(s, key, text), ZVRAW_OK);
  const int rc = f(s);
  EXPECT_EQ(destroyParameters(s), ZVRAW_OK);
  return rc;
}

void countZero(Outputs& o) { o.n = 0; }
void flagFalse(Outputs& o) { o.flag = false; }
void noElvoScan(Outputs& o) {
  o.value = 0.0f;
  o.type = ZorvalenScanType::UNINITIALISED;
}

const float kM[] = {100, 101, 102, 103, 104, 105, 106, 107}, kY[] = {1, 5, 2, 6, 3, 7, 4, 8};
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::vector<Case> cases() {
  constexpr auto S = ZorvalenBaseType::SCAN, L = ZorvalenBaseType::LOCKMASS, D = ZorvalenBaseType::DDA,
                 E = ZorvalenBaseType::ELVO;
  constexpr auto kEmptied = Left::Emptied;
  const float nanM[] = {100, kNaN};
  return {
      {"combineScan of a reversed range", S, true, [](auto p, auto&, auto) { return combineScan(p, 0, 1, 0); },
       ZVRAW_SCANRANGE_INVALID, nullptr, kEmptied},
      {"combineScan of a negative function", S, true, [](auto p, auto&, auto) { return combineScan(p, -1, 0, 0); },
       ZVRAW_FUNCNUM_INVALID, nullptr, kEmptied},
      {"combineScan without a reader", S, false, [](auto p, auto&, auto) { return combineScan(p, 0, 0, 0); },
       ZVRAW_ERROR, nullptr, kEmptied},
      {"combineDriftScan of a function without drift data", S, true,
       [](auto p, auto&, auto) { return combineDriftScan(p, 0, 0, 0, 0, 0); }, ZVRAW_DRIFTRANGE_INVALID, nullptr,
       kEmptied},
      {"setScan of counts that differ", S, true, [](auto p, auto&, auto) { return setScan(p, kM, kY, 2, 3); },
       ZVRAW_SCANSIZELENGTH_ERROR, nullptr, kEmptied},
      {"setScan of null masses", S, true, [](auto p, auto&, auto) { return setScan(p, nullptr, kY, 2, 2); },
       ZVRAW_NULL_PARAMETERS, nullptr, kEmptied},
      {"setScan of a NaN mass", S, true, [nanM](auto p, auto&, auto) { return setScan(p, nanM, kY, 2, 2); },
       ZVRAW_PARAMETER_INVALID, nullptr, kEmptied},
      {"getScan without intensities", S, true,
       [](auto p, Outputs& o, auto) { return getScan(p, &o.masses, nullptr, &o.n); }, ZVRAW_NULL_PARAMETERS},
      {"smoothScan by the median", S, true,
       [](auto p, auto&, auto) {
         (void)withPairs({{1452, "1501"}}, [p](auto s) { return setSmoothParameter(p, s); });
         return smoothScan(p);
       },
       ZVRAW_PARAMETER_INVALID},
      {"centroidScan without a resolution", S, false, [](auto p, auto&, auto) { return centroidScan(p); },
       ZVRAW_PARAMETER_NOT_DEFINED},
      {"centroidScan of 7 mass units", S, true, [](auto p, auto&, auto) { return centroidScan(p); }, ZVRAW_ERROR,
       nullptr, kEmptied},
      {"thresholdScan before settings", S, true, [](auto p, auto&, auto) { return thresholdScan(p); },
       ZVRAW_PARAMETER_NOT_DEFINED},
      {"thresholdScan of an infinite threshold", S, true,
       [](auto p, auto&, auto) {
         (void)withPairs({{1550, "inf"}, {1551, "1600"}}, [p](auto s) { return setThresholdParameter(p, s); });
         return thresholdScan(p);
       },
       ZVRAW_PARAMETER_INVALID},
      {"setCentroidParameter without a resolution", S, true,
       [](auto p, auto&, auto s) { return setCentroidParameter(p, s); }, ZVRAW_PARAMETER_NOT_DEFINED},
      {"getCentroidParameter without a resolution", S, false,
       [](auto p, auto&, auto s) { return getCentroidParameter(p, s); }, ZVRAW_PARAMETER_NOT_DEFINED, nullptr,
       Left::Kept, kEmptied},

      {"lockMassCorrect without a reader", L, false,
       [](auto p, Outputs& o, auto) { return lockMassCorrect(p, &o.flag); }, ZVRAW_ERROR, flagFalse},
      {"lockMassCorrect without a mass", L, true, [](auto p, Outputs& o, auto) { return lockMassCorrect(p, &o.flag); },
       ZVRAW_PARAMETER_MISSING, flagFalse},
      {"autoLockMassCorrect without a reader", L, false,
       [](auto p, Outputs& o, auto) { return autoLockMassCorrect(p, true, &o.flag); }, ZVRAW_ERROR, flagFalse},
      {"getLockMassCorrection without a table", L, true,
       [](auto p, Outputs& o, auto) { return getLockMassCorrection(p, 1.0f, &o.value); },
       ZVRAW_PARAMETER_NOT_DEFINED},
      {"getLockMassCandidates without a reader", L, false,
       [](auto p, Outputs& o, auto) { return getLockMassCandidates(p, &o.masses, &o.intensities, &o.n); },
       ZVRAW_ERROR, countZero},
      {"getLockMassValuesParams without a table", L, true,
       [](auto p, auto&, auto s) { return getLockMassValuesParams(p, s); }, ZVRAW_PARAMETER_NOT_DEFINED, nullptr,
       Left::Kept, kEmptied},
      {"LMP_canLockMassCorrect without a reader", L, false,
       [](auto p, Outputs& o, auto) { return LMP_canLockMassCorrect(p, &o.n); }, ZVRAW_ERROR},
      {"LMP_isLockMassCorrected without a reader", L, false,
       [](auto p, Outputs& o, auto) { return LMP_isLockMassCorrected(p, &o.n); }, ZVRAW_ERROR},

      {"ddaGetScanCount without a reader", D, false, [](auto p, Outputs& o, auto) { return ddaGetScanCount(p, &o.n); },
       ZVRAW_ERROR, countZero},
      {"ddaGetScanInfo past the list", D, true, [](auto p, auto&, auto s) { return ddaGetScanInfo(p, 99, s); },
       ZVRAW_DDA_INDEX_INVALID, nullptr, Left::Kept, kEmptied},
      {"ddaGetScan past the list", D, true,
       [](auto p, Outputs& o, auto s) { return ddaGetScan(p, 99, &o.masses, &o.intensities, &o.n, s); },
       ZVRAW_DDA_INDEX_INVALID, nullptr, Left::Kept, kEmptied},
      {"ddaGetNextScan without a reader", D, false,
       [](auto p, Outputs& o, auto s) { return ddaGetNextScan(p, &o.masses, &o.intensities, &o.n, s, &o.flag); },
       ZVRAW_ERROR, flagFalse, Left::Kept, kEmptied},
      {"getQuadIsolationWindowParameters without a reader", D, false,
       [](auto p, auto&, auto s) { return getQuadIsolationWindowParameters(p, s); }, ZVRAW_ERROR, nullptr,
       Left::Kept, kEmptied},
      {"setQuadIsolationWindowParameters without the offsets", D, true,
       [](auto p, auto&, auto s) { return setQuadIsolationWindowParameters(p, s); }, ZVRAW_PARAMETER_MISSING},

      {"elvoGetNextScan without a reader", E, false,
       [](auto p, Outputs& o, auto) {
         return elvoGetNextScan(p, o.value, o.type, o.masses, o.intensities, o.n, o.flag);
       },
       ZVRAW_ERROR, noElvoScan},
      {"elvoGetNextScan of a data-dependent run", E, true,
       [](auto p, Outputs& o, auto) {
         return elvoGetNextScan(p, o.value, o.type, o.masses, o.intensities, o.n, o.flag);
       },
       ZVRAW_ERROR, noElvoScan},

      {"createRawProcessor of an information kind", kNone, false,
       [](auto, Outputs& o, auto) { return createRawProcessor(&o.handle, ZorvalenBaseType::INFO, nullptr, nullptr); },
       ZVRAW_READER_NOT_DEFINED, [](Outputs& o) { o.handle = nullptr; }},
      {"createRawWriter of a null target", kNone, false,
       [](auto, Outputs& o, auto) { return createRawWriter(&o.handle, nullptr); }, ZVRAW_NULL_PARAMETERS,
       [](Outputs& o) { o.handle = nullptr; }},
      {"createRawWriter of a path of 256 bytes", kNone, false,
       [](auto, Outputs& o, auto) { return createRawWriter(&o.handle, std::string(256, 'a').c_str()); },
       ZVRAW_FILENAME_ERROR, [](Outputs& o) { o.handle = nullptr; }},
  };
}

class FailedCallOutputs : public ReaderSetTest {
 protected:
  std::vector<float> spectrumOf(CZorvalenBaseProcessor p) {
    float *m = nullptr, *y = nullptr;
    int n = 0;
    EXPECT_EQ(getScan(p, &m, &y, &n), ZVRAW_OK);
    return {m, m + n};
  }
  std::vector<int> keys() {
    std::vector<int> out;
    for (const auto& [key, text] : parameterPairs(set_)) out.push_back(key);
    return out;
  }
};

TEST_F(FailedCallOutputs, EveryProcessorExportAndFailureKind) {
  std::filesystem::create_directories(raw());
  ddaRun({500.2f}, {.lockMass = true}).write(raw());
  const CZorvalenBaseReader reader = open(ZorvalenBaseType::SCAN);
  CZorvalenBaseProcessor spectral = nullptr, dda = nullptr;  // of another kind than a case's
  ASSERT_EQ(createRawProcessor(&spectral, ZorvalenBaseType::SCAN, nullptr, nullptr), ZVRAW_OK);
  ASSERT_EQ(createRawProcessor(&dda, ZorvalenBaseType::DDA, nullptr, nullptr), ZVRAW_OK);
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.what);
    CZorvalenBaseProcessor p = nullptr;
    if (c.kind != kNone) {
      ASSERT_EQ(createRawProcessor(&p, c.kind, nullptr, nullptr), ZVRAW_OK);
      if (c.reader) {
        ASSERT_EQ(setRawReader(p, reader), ZVRAW_OK);
      }
    }
    const bool spectrum = c.kind == ZorvalenBaseType::SCAN;
    const auto run = [&](CZorvalenBaseProcessor on, int code, Outputs expected, Left set, Left points) {
      ASSERT_EQ(setParameterValue(set_, 5, "kept"), ZVRAW_OK);
      if (spectrum) {
        ASSERT_EQ(setScan(p, kM, kY, 8, 8), ZVRAW_OK);
      }
      Outputs o = untouched();
      EXPECT_EQ(c.call(on, o, set_), code);
      EXPECT_TRUE(o == expected);
      EXPECT_EQ(keys(), set == Left::Kept ? std::vector<int>{5} : std::vector<int>{});
      if (spectrum) {
        EXPECT_EQ(spectrumOf(p).size(), points == Left::Kept ? 8u : 0u);
      }
    };
    Outputs expected = untouched();
    if (c.after) c.after(expected);
    run(p, c.code, expected, c.set, c.spectrum);
    if (c.kind == kNone) continue;
    // A refused processor touches nothing, whatever the export.
    for (const CZorvalenBaseProcessor wrong : {CZorvalenBaseProcessor{}, reader, spectrum ? dda : spectral})
      run(wrong, ZVRAW_PROCESSOR_NOT_DEFINED, untouched(), Left::Kept, Left::Kept);
    EXPECT_EQ(destroyRawProcessor(p), ZVRAW_OK);
  }
  EXPECT_FALSE(std::filesystem::exists(raw() / "_dda.inf"));
  EXPECT_EQ(destroyRawProcessor(spectral), ZVRAW_OK);
  EXPECT_EQ(destroyRawProcessor(dda), ZVRAW_OK);
}

}  // namespace
