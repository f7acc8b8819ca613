// What every read export leaves in its outputs when it fails, by kind of
// failure: the scan reads empty theirs; the drift reads empty theirs when the
// drift reader refuses and leave them when the function is refused; queries
// with a preset keep it; everything else, and every refused handle, leaves
// the outputs as they were.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <vector>

#include "api/ReaderTestSupport.h"
#include "support/FullDirectory.h"

namespace {

// Every output an export may write, starting from values no export writes.
struct Outputs {
  float *masses, *intensities, *products;
  int* indices;
  char *flags, *text;
  int n, m, i, j;
  unsigned u;
  float a, b;
  bool flag;
  ZorvalenFunctionType type;
  ZorvalenIonMode mode;

  friend bool operator==(const Outputs& x, const Outputs& y) {
    // Bit by bit, so that a NaN preset compares equal to itself.
    const auto bits = [](float v) { return std::bit_cast<std::uint32_t>(v); };
    return x.masses == y.masses && x.intensities == y.intensities && x.products == y.products &&
           x.indices == y.indices && x.flags == y.flags && x.text == y.text && x.n == y.n && x.m == y.m &&
           x.i == y.i && x.j == y.j && x.u == y.u && bits(x.a) == bits(y.a) && bits(x.b) == bits(y.b) &&
           x.flag == y.flag && x.type == y.type && x.mode == y.mode;
  }
};

Outputs untouched() {
  auto* p = reinterpret_cast<float*>(0x10);
  return {p, p, p, reinterpret_cast<int*>(0x10), reinterpret_cast<char*>(0x10), reinterpret_cast<char*>(0x10),
          -7, -7, -7, -7, 77u, 123.0f, 456.0f, true, static_cast<ZorvalenFunctionType>(-7),
          static_cast<ZorvalenIonMode>(-7)};
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

using Call = std::function<int(CZorvalenBaseReader, Outputs&)>;
using Change = std::function<void(Outputs&)>;

struct Case {
  const char* what;
  ZorvalenBaseType kind;
  Call call;
  int code;
  Change after = nullptr;  // from untouched(); null: untouched
};

// The outputs of each read after a refusal that empties them: null
// pointers, sizes 0.
void emptyScan(Outputs& o) {
  o.masses = o.intensities = nullptr;
  o.n = 0;
}
void emptyFlags(Outputs& o) {
  emptyScan(o);
  o.flags = nullptr;
}
void emptyProduct(Outputs& o) {
  emptyScan(o);
  o.products = nullptr;
  o.m = 0;
}
void emptyIndex(Outputs& o) {
  o.indices = nullptr;
  o.intensities = nullptr;
  o.n = 0;
}
void emptyIndexFlags(Outputs& o) {
  emptyIndex(o);
  o.flags = nullptr;
}

Call readScanAt(int f, int s) {
  return [=](CZorvalenBaseReader r, Outputs& o) { return readScan(r, f, s, &o.masses, &o.intensities, &o.n); };
}
Call readFlagsAt(int f, int s) {
  return [=](CZorvalenBaseReader r, Outputs& o) {
    return readScanFlags(r, f, s, &o.masses, &o.intensities, &o.flags, &o.n);
  };
}
Call readProductAt(int f, int s) {
  return [=](CZorvalenBaseReader r, Outputs& o) {
    return readProductScan(r, f, s, &o.masses, &o.intensities, &o.products, &o.n, &o.m);
  };
}
Call driftAt(int f, int s, int d) {
  return [=](CZorvalenBaseReader r, Outputs& o) { return readDriftScan(r, f, s, d, &o.masses, &o.intensities, &o.n); };
}
Call driftIndexAt(int f, int s, int d) {
  return [=](CZorvalenBaseReader r, Outputs& o) {
    return readDriftScanIndex(r, f, s, d, &o.indices, &o.intensities, &o.n);
  };
}
Call driftFlagsAt(int f, int s, int d) {
  return [=](CZorvalenBaseReader r, Outputs& o) {
    return readDriftScanFlagsIndex(r, f, s, d, &o.indices, &o.intensities, &o.flags, &o.n);
  };
}

std::vector<Case> cases() {
  constexpr auto kScan = ZorvalenBaseType::SCAN, kInfo = ZorvalenBaseType::INFO;
  // The directory: 2 functions of 3 scans; function 0 has 2 drift blocks of 4 bins, function 1 none.
  std::vector<Case> all;
  for (const auto& [fn, sc, rc] : {std::tuple{2, 0, ZVRAW_FUNCNUM_INVALID}, {-1, 0, ZVRAW_FUNCNUM_INVALID},
                                   {0, 3, ZVRAW_SCANNUM_INVALID}, {0, -1, ZVRAW_SCANNUM_INVALID}}) {
    const int f = fn, s = sc, code = rc;
    all.push_back({"readScan", kScan, readScanAt(f, s), code, emptyScan});
    all.push_back({"readScanFlags", kScan, readFlagsAt(f, s), code, emptyFlags});
    all.push_back({"readProductScan", kScan, readProductAt(f, s), code, emptyProduct});
    // The scan index answers a scan past the count with a time of 0.
    all.push_back({"getRetentionTime", kInfo,
                   [f, s](CZorvalenBaseReader r, Outputs& o) { return getRetentionTime(r, f, s, &o.a); }, code,
                   s == 3 ? Change([](Outputs& o) { o.a = 0; }) : nullptr});
  }
  for (const auto& [fn, sc, dr, rc, empties] :
       {std::tuple{2, 0, 0, ZVRAW_FUNCNUM_INVALID, false}, {-1, 0, 0, ZVRAW_FUNCNUM_INVALID, false},
        {0, 2, 0, ZVRAW_SCANNUM_INVALID, true}, {0, -1, 0, ZVRAW_SCANNUM_INVALID, true},
        {0, 0, 4, ZVRAW_DRIFTNUM_INVALID, true}, {0, 0, -1, ZVRAW_DRIFTNUM_INVALID, true},
        {0, -5, -5, ZVRAW_SCANNUM_INVALID, true}, {1, 0, 0, ZVRAW_FILEOPEN_ERROR, true},
        {1, 0, -1, ZVRAW_DRIFTNUM_INVALID, true}, {2, -1, -1, ZVRAW_FUNCNUM_INVALID, false}}) {
    const int f = fn, s = sc, d = dr, code = rc;
    const bool cleared = empties;
    const auto when = [cleared](Change c) { return cleared ? c : nullptr; };
    all.push_back({"readDriftScan", kScan, driftAt(f, s, d), code, when(emptyScan)});
    all.push_back({"readDriftScanIndex", kScan, driftIndexAt(f, s, d), code, when(emptyIndex)});
    all.push_back({"readDriftScanFlagsIndex", kScan, driftFlagsAt(f, s, d), code, when(emptyIndexFlags)});
  }
  // Function 1 has no drift files: no scale, the offset as it was.
  for (const auto& [fn, sc, rc] : {std::tuple{2, 0, ZVRAW_FUNCNUM_INVALID}, {-1, 0, ZVRAW_FUNCNUM_INVALID},
                                   {0, -1, ZVRAW_SCANNUM_INVALID}, {0, 3, ZVRAW_SCANNUM_INVALID},
                                   {1, 0, ZVRAW_FILEOPEN_ERROR}}) {
    const int f = fn, s = sc, code = rc;
    all.push_back({"getDriftMassScale", kScan,
                   [f, s](CZorvalenBaseReader r, Outputs& o) { return getDriftMassScale(r, f, s, &o.masses, &o.n, &o.m); },
                   code, [](Outputs& o) {
                     o.masses = nullptr;
                     o.n = 0;
                   }});
  }
  for (int f : {2, -1}) {
    const int code = ZVRAW_FUNCNUM_INVALID;
    all.insert(all.end(), {
        {"getScanCount", kInfo, [f](CZorvalenBaseReader r, Outputs& o) { return getScanCount(r, f, &o.u); }, code},
        {"getDriftScanCount", kInfo, [f](CZorvalenBaseReader r, Outputs& o) { return getDriftScanCount(r, f, &o.u); },
         code},
        {"getAcquisitionMassRange", kInfo,
         [f](CZorvalenBaseReader r, Outputs& o) { return getAcquisitionMassRange(r, f, 0, &o.a, &o.b); }, code},
        {"getAcquisitionTimeRange", kInfo,
         [f](CZorvalenBaseReader r, Outputs& o) { return getAcquisitionTimeRange(r, f, &o.a, &o.b); }, code},
        // The scan index answers a function past the count with false.
        {"isContinuum", kInfo, [f](CZorvalenBaseReader r, Outputs& o) { return isContinuum(r, f, o.flag); }, code,
         f == 2 ? Change([](Outputs& o) { o.flag = false; }) : nullptr},
        {"getFunctionType", kInfo, [f](CZorvalenBaseReader r, Outputs& o) { return getFunctionType(r, f, &o.type); },
         code, [](Outputs& o) { o.type = ZorvalenFunctionType::UNINITIALISED; }},
        {"getIonMode", kInfo, [f](CZorvalenBaseReader r, Outputs& o) { return getIonMode(r, f, &o.mode); }, code,
         [](Outputs& o) { o.mode = ZorvalenIonMode::UNINITIALISED; }},
        {"getMRMCount", kInfo, [f](CZorvalenBaseReader r, Outputs& o) { return getMRMCount(r, f, &o.i); }, code,
         [](Outputs& o) { o.i = 0; }},
        {"getScanRangeFromTimeRange", kInfo,
         [f](CZorvalenBaseReader r, Outputs& o) { return getScanRangeFromTimeRange(r, f, 0.5f, 0.75f, o.i, o.j); },
         code, [](Outputs& o) { o.i = o.j = 0; }},
    });
  }
  // The scanning-quadrupole calibration belongs to the directory: only a
  // negative function is refused.
  all.insert(all.end(), {
      {"getIndexRange", kInfo,
       [](CZorvalenBaseReader r, Outputs& o) { return getIndexRange(r, -1, 500.0f, 2.0f, &o.i, &o.j); },
       ZVRAW_FUNCNUM_INVALID},
      {"getPrecursorMass", kInfo, [](CZorvalenBaseReader r, Outputs& o) { return getPrecursorMass(r, -1, 1, &o.a); },
       ZVRAW_FUNCNUM_INVALID},
      {"getFunctionPrecursorMassRange", kInfo,
       [](CZorvalenBaseReader r, Outputs& o) { return getFunctionPrecursorMassRange(r, -1, &o.a, &o.b); },
       ZVRAW_FUNCNUM_INVALID},
      {"getIndexPrecursorMassRange", kInfo,
       [](CZorvalenBaseReader r, Outputs& o) { return getIndexPrecursorMassRange(r, -1, 1, &o.a, &o.b); },
       ZVRAW_FUNCNUM_INVALID},
  });
  for (int segment : {5, -1})
    all.push_back({"getAcquisitionMassRange of a segment the function lacks", kInfo,
                   [segment](CZorvalenBaseReader r, Outputs& o) {
                     return getAcquisitionMassRange(r, 0, segment, &o.a, &o.b);
                   },
                   ZVRAW_SEGMENT_INVALID});
  constexpr auto kChrom = ZorvalenBaseType::CHROM, kAnalog = ZorvalenBaseType::ANALOG;
  static const float kMass = 60.0f;
  static const int kChannel = 0;
  const Change minusOnes = [](Outputs& o) { o.i = o.j = -1; };
  // Functions 2 and -1 do not exist (14); function 1 has no drift files (5).
  for (int f : {2, -1, 1}) {
    const int code = f == 1 ? ZVRAW_FILEOPEN_ERROR : ZVRAW_FUNCNUM_INVALID;
    if (f != 1) {  // the chromatograms of the scans need no drift files
      all.insert(all.end(), {
          {"readTICChromatogram", kChrom,
           [f](CZorvalenBaseReader r, Outputs& o) {
             return readTICChromatogram(r, f, &o.masses, &o.intensities, &o.n);
           },
           code, emptyScan},
          {"readMassChromatograms", kChrom,
           [f](CZorvalenBaseReader r, Outputs& o) {
             return readMassChromatograms(r, f, &kMass, 1, &o.masses, &o.intensities, 1.0f, false, &o.n);
           },
           code, emptyScan},
          {"readMRMChromatograms", kChrom,
           [f](CZorvalenBaseReader r, Outputs& o) {
             return readMRMChromatograms(r, f, &kChannel, 1, &o.masses, &o.intensities, &o.n);
           },
           code, emptyScan},
      });
    }
    all.insert(all.end(), {
        // A function number is refused before the outputs are touched; a
        // failed extraction empties them.
        {"readVeskoMassChromatogram", kChrom,
         [f](CZorvalenBaseReader r, Outputs& o) {
           return readVeskoMassChromatogram(r, f, 500.0f, 60.0f, &o.masses, &o.intensities, 2.0f, 1.0f, &o.n);
         },
         code, f == 1 ? Change(emptyScan) : nullptr},
        {"extractByBins", kChrom,
         [f](CZorvalenBaseReader r, Outputs& o) {
           return extractByBins(r, f, 100.0f, 10000.0f, 0, 1, 0, 0, &o.indices, &o.intensities, &o.n);
         },
         code, emptyIndex},
        {"readMobillogram", kChrom,
         [f](CZorvalenBaseReader r, Outputs& o) {
           return readMobillogram(r, f, 0, 1, 100.0f, 10000.0f, &o.indices, &o.intensities, &o.n);
         },
         code, emptyIndex},
        {"getDriftRangeFromTimeRange", kInfo,
         [f](CZorvalenBaseReader r, Outputs& o) { return getDriftRangeFromTimeRange(r, f, 1.0f, 2.0f, o.i, o.j); },
         f == 1 ? ZVRAW_DRIFTRANGE_INVALID : ZVRAW_FUNCNUM_INVALID, minusOnes},
    });
  }
  all.insert(all.end(), {
      {"readBPIChromatogram", kChrom,
       [](CZorvalenBaseReader r, Outputs& o) { return readBPIChromatogram(r, 2, &o.masses, &o.intensities, &o.n); },
       ZVRAW_FUNCNUM_INVALID, emptyScan},
      // One channel: number 1 is past the count; a negative one names no channel.
      {"readChannel past the count", kAnalog,
       [](CZorvalenBaseReader r, Outputs& o) {
         return readChannel(r, 1, const_cast<const float**>(&o.masses), const_cast<const float**>(&o.intensities),
                            &o.n);
       },
       ZVRAW_FUNCNUM_INVALID, [](Outputs& o) { o.masses = o.intensities = nullptr; }},
      {"getChannelDesciption past the count", kAnalog,
       [](CZorvalenBaseReader r, Outputs& o) { return getChannelDesciption(r, 1, &o.text); }, ZVRAW_FUNCNUM_INVALID},
      {"getChannelUnits of a negative channel", kAnalog,
       [](CZorvalenBaseReader r, Outputs& o) { return getChannelUnits(r, -1, &o.text); }, ZVRAW_FUNCNUM_INVALID},
      {"getDriftTime of a bin no function has", kInfo,
       [](CZorvalenBaseReader r, Outputs& o) { return getDriftTime(r, 1000, &o.a); }, ZVRAW_DRIFTNUM_INVALID,
       [](Outputs& o) { o.a = kNaN; }},
  });
  const Change nanA = [](Outputs& o) { o.a = kNaN; };
  all.insert(all.end(), {
      {"getFunctionTypeString of no type", kInfo,
       [](CZorvalenBaseReader r, Outputs& o) {
         return getFunctionTypeString(r, static_cast<ZorvalenFunctionType>(150), &o.text);
       },
       ZVRAW_FUNCTIONTYPE_INVALID},
      {"getIonModeString of no mode", kInfo,
       [](CZorvalenBaseReader r, Outputs& o) {
         return getIonModeString(r, static_cast<ZorvalenIonMode>(114), &o.text);
       },
       ZVRAW_IONMODE_INVALID},
      // Charge 0 and mass 0 give no finite number.
      {"getDriftTime_CCS of charge 0", kInfo,
       [](CZorvalenBaseReader r, Outputs& o) { return getDriftTime_CCS(r, 200.0f, 500.0f, 0, &o.a); },
       ZVRAW_PARAMETER_INVALID, nanA},
      {"getDriftTime_CCS of cross section 0 and charge 0", kInfo,
       [](CZorvalenBaseReader r, Outputs& o) { return getDriftTime_CCS(r, 0.0f, 500.0f, 0, &o.a); },
       ZVRAW_PARAMETER_INVALID, nanA},
      {"getCollisionalCrossSection of mass 0", kInfo,
       [](CZorvalenBaseReader r, Outputs& o) { return getCollisionalCrossSection(r, 5.0f, 0.0f, 1, &o.a); },
       ZVRAW_PARAMETER_INVALID, nanA},
      {"getCollisionalCrossSection past the float range", kInfo,
       [](CZorvalenBaseReader r, Outputs& o) { return getCollisionalCrossSection(r, 3e38f, 1e-30f, 1000000000, &o.a); },
       ZVRAW_PARAMETER_INVALID, nanA},
  });
  return all;
}

class FailedReadOutputs : public ReaderTest {};

TEST_F(FailedReadOutputs, EveryReadExportAndFailureKind) {
  std::filesystem::create_directories(raw());
  writeFullDirectory(raw());
  CZorvalenBaseReader readers[5] = {};
  readers[1] = open(ZorvalenBaseType::SCAN);
  for (int kind = 2; kind <= 4; ++kind) readers[kind] = share(readers[1], static_cast<ZorvalenBaseType>(kind));
  for (const Case& c : cases()) {
    const int kind = static_cast<int>(c.kind);
    const CZorvalenBaseReader right = readers[kind];
    Outputs o = untouched();
    EXPECT_EQ(c.call(right, o), c.code) << c.what;
    Outputs expected = untouched();
    if (c.after) c.after(expected);
    EXPECT_TRUE(o == expected) << c.what << " (code " << c.code << ")";

    // A refused handle touches nothing, whatever the export.
    for (const CZorvalenBaseReader wrong : {CZorvalenBaseReader{}, readers[kind % 4 + 1]}) {
      o = untouched();
      EXPECT_EQ(c.call(wrong, o), ZVRAW_READER_NOT_DEFINED) << c.what;
      EXPECT_TRUE(o == untouched()) << c.what << " on a refused handle";
    }
  }
}

// The queries that fill a parameter set keep it as it was when they refuse
// their items or count; a refused function or scan clears it, and the scan
// items are then listed empty.
TEST_F(FailedReadOutputs, ParameterSetQueries) {
  std::filesystem::create_directories(raw());
  writeFullDirectory(raw());
  const CZorvalenBaseReader info = open(ZorvalenBaseType::INFO);
  CZorvalenParameters set = nullptr;
  ASSERT_EQ(createParameters(&set), ZVRAW_OK);
  const ZorvalenScanItem item[1] = {static_cast<ZorvalenScanItem>(401)};
  const ZorvalenHeaderItem header[1] = {static_cast<ZorvalenHeaderItem>(300)};
  struct Row {
    const char* what;
    std::function<int()> call;
    int code;
    std::vector<int> keys;  // afterwards
  };
  const Row rows[] = {
      {"getScanItemsInFunction past the count", [&] { return getScanItemsInFunction(info, 5, set); },
       ZVRAW_FUNCNUM_INVALID, {}},
      {"getScanItemsInFunction of a negative function", [&] { return getScanItemsInFunction(info, -1, set); },
       ZVRAW_FUNCNUM_INVALID, {}},
      {"getScanItemValue past the functions", [&] { return getScanItemValue(info, 7, 0, item, 1, set); },
       ZVRAW_FUNCNUM_INVALID, {401}},
      {"getScanItemValue of a negative scan", [&] { return getScanItemValue(info, 0, -1, item, 1, set); },
       ZVRAW_SCANNUM_INVALID, {401}},
      {"getScanItemValue of a negative count", [&] { return getScanItemValue(info, 0, 0, item, -1, set); },
       ZVRAW_PARAMETER_INVALID, {5}},
      {"getHeaderItemValue without items", [&] { return getHeaderItemValue(info, nullptr, 1, set); },
       ZVRAW_NULL_PARAMETERS, {5}},
      {"getHeaderItemValue of a negative count", [&] { return getHeaderItemValue(info, header, -1, set); },
       ZVRAW_PARAMETER_INVALID, {5}},
      {"getScanItemValue past the scans", [&] { return getScanItemValue(info, 0, 99, item, 1, set); },
       ZVRAW_SCANNUM_INVALID, {401}},
  };
  for (const Row& row : rows) {
    ASSERT_EQ(setParameterValue(set, 5, "kept"), ZVRAW_OK);
    EXPECT_EQ(row.call(), row.code) << row.what;
    int* keys = nullptr;
    int count = 0;
    ASSERT_EQ(getParameterKeys(set, &keys, &count), ZVRAW_OK);
    EXPECT_EQ(std::vector<int>(keys, keys + count), row.keys) << row.what;
    // The next row starts from one "kept" entry.
    ASSERT_EQ(destroyParameters(set), ZVRAW_OK);
    ASSERT_EQ(createParameters(&set), ZVRAW_OK);
  }
  EXPECT_EQ(destroyParameters(set), ZVRAW_OK);
}

// A function without scans has no ranges yet: 16, both outputs untouched.
TEST_F(FailedReadOutputs, RangesOfAFunctionWithoutScans) {
  RawDirectoryFixture fx;
  fx.function({.scans = 0});
  write(fx);
  CZorvalenBaseReader r = open(ZorvalenBaseType::INFO);
  Outputs o = untouched();
  EXPECT_EQ(getAcquisitionTimeRange(r, 0, &o.a, &o.b), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(getAcquisitionMassRange(r, 0, 0, &o.a, &o.b), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(o.a, untouched().a);
  EXPECT_EQ(o.b, untouched().b);
}

TEST_F(FailedReadOutputs, ConversionsWithoutCalibrationKeepTheirPreset) {
  std::filesystem::create_directories(raw());
  writeFullDirectory(raw());
  std::filesystem::remove(raw() / "mob_cal.csv");
  const CZorvalenBaseReader info = open(ZorvalenBaseType::INFO);
  float value = 1.0f;
  EXPECT_EQ(getCollisionalCrossSection(info, 5.0f, 500.0f, 1, &value), ZVRAW_MOBILITY_CALIBRATION_INVALID);
  EXPECT_TRUE(std::isnan(value));
  value = 1.0f;
  EXPECT_EQ(getDriftTime_CCS(info, 0.0f, 500.0f, 0, &value), ZVRAW_MOBILITY_CALIBRATION_INVALID);
  EXPECT_TRUE(std::isnan(value));
}

}  // namespace
