// Every export of the C interface called with what a careless caller
// passes: null handles, handles of another family or reader kind, null
// output pointers. Each gives a result code, touches nothing it was not
// given, and leaves no created handle behind.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "api/ReaderTestSupport.h"

namespace {

// One export on a handle: call it with every output given, or with its
// output pointers null.
struct HandleExport {
  const char* name;
  // The reader kind the export serves; 0 for any reader.
  int kind;
  std::function<int(void* handle)> call;
  // Null for exports without outputs.
  std::function<int(void* handle)> callWithoutOutputs;
  // What call gives on the right kind of reader (the test directory has no
  // calibrations).
  int onRightKind = ZVRAW_OK;
};

// Scratch outputs the calls write into.
struct Outputs {
  void* handle = nullptr;
  unsigned u = 0;
  int i = 0, j = 0;
  float a = 0, b = 0;
  bool flag = false;
  char* text = nullptr;
  float *masses = nullptr, *intensities = nullptr, *products = nullptr;
  const float* readOnly = nullptr;
  int* indices = nullptr;
  int n = 0, m = 0;
  ZorvalenFunctionType type{};
  ZorvalenIonMode mode{};
  void* set = nullptr;  // a parameter set
};

// The exports whose outputs are references for C++ callers, called as a C
// caller calls them: with pointers, which may be null.
template <class Export, class CForm>
CForm asC(Export e) {
  return reinterpret_cast<CForm>(reinterpret_cast<void (*)()>(e));
}
using IsContinuumC = int (*)(CZorvalenBaseReader, int, bool*);
using ScanRangeC = int (*)(CZorvalenBaseReader, int, float, float, int*, int*);
constexpr ZorvalenScanItem kScanItems[] = {ZorvalenScanItem::TRANSPORT_RF};
constexpr ZorvalenHeaderItem kHeaderItems[] = {ZorvalenHeaderItem::VERSION};

constexpr int kScan = 1, kInfo = 2, kChrom = 3, kAnalog = 4;

// A caller's release of the two arrays a successful chromatogram handed out.
int released(Outputs& o, int rc) {
  if (rc == ZVRAW_OK) {
    EXPECT_EQ(releaseMemory(o.masses), ZVRAW_OK);
    EXPECT_EQ(releaseMemory(o.intensities), ZVRAW_OK);
  }
  o.masses = o.intensities = nullptr;
  return rc;
}

std::vector<HandleExport> readerExports(Outputs& o) {
  return {
      {"updateRawReader", 0, [](void* h) { return updateRawReader(h); }, nullptr},
      {"createRawReaderFromReader", 0,
       [&o](void* h) {
         const int rc = createRawReaderFromReader(h, &o.handle, ZorvalenBaseType::INFO);
         EXPECT_EQ(destroyRawReader(o.handle), ZVRAW_OK);
         return rc;
       },
       [](void* h) { return createRawReaderFromReader(h, nullptr, ZorvalenBaseType::INFO); }},
      {"readScan", kScan, [&o](void* h) { return readScan(h, 0, 0, &o.masses, &o.intensities, &o.n); },
       [&o](void* h) { return readScan(h, 0, 0, &o.masses, nullptr, &o.n); }},
      {"readScanFlags", kScan,
       [&o](void* h) { return readScanFlags(h, 0, 0, &o.masses, &o.intensities, &o.text, &o.n); },
       [&o](void* h) { return readScanFlags(h, 0, 0, &o.masses, &o.intensities, nullptr, &o.n); }},
      {"readProductScan", kScan,
       [&o](void* h) { return readProductScan(h, 0, 0, &o.masses, &o.intensities, &o.products, &o.n, &o.m); },
       [&o](void* h) { return readProductScan(h, 0, 0, &o.masses, &o.intensities, &o.products, &o.n, nullptr); },
       ZVRAW_FUNCTIONTYPE_INVALID},
      {"readDriftScan", kScan, [&o](void* h) { return readDriftScan(h, 0, 0, 0, &o.masses, &o.intensities, &o.n); },
       [&o](void* h) { return readDriftScan(h, 0, 0, 0, nullptr, &o.intensities, &o.n); }, ZVRAW_FILEOPEN_ERROR},
      {"readDriftScanIndex", kScan,
       [&o](void* h) { return readDriftScanIndex(h, 0, 0, 0, &o.indices, &o.intensities, &o.n); },
       [&o](void* h) { return readDriftScanIndex(h, 0, 0, 0, &o.indices, &o.intensities, nullptr); },
       ZVRAW_FILEOPEN_ERROR},
      {"readDriftScanFlagsIndex", kScan,
       [&o](void* h) { return readDriftScanFlagsIndex(h, 0, 0, 0, &o.indices, &o.intensities, &o.text, &o.n); },
       [&o](void* h) { return readDriftScanFlagsIndex(h, 0, 0, 0, &o.indices, nullptr, &o.text, &o.n); },
       ZVRAW_FILEOPEN_ERROR},
      {"getDriftMassScale", kScan, [&o](void* h) { return getDriftMassScale(h, 0, 0, &o.masses, &o.n, &o.m); },
       [&o](void* h) { return getDriftMassScale(h, 0, 0, &o.masses, &o.n, nullptr); }, ZVRAW_FILEOPEN_ERROR},
      {"getFunctionCount", kInfo, [&o](void* h) { return getFunctionCount(h, &o.u); },
       [](void* h) { return getFunctionCount(h, nullptr); }},
      {"getScanCount", kInfo, [&o](void* h) { return getScanCount(h, 0, &o.u); },
       [](void* h) { return getScanCount(h, 0, nullptr); }},
      {"getDriftScanCount", kInfo, [&o](void* h) { return getDriftScanCount(h, 0, &o.u); },
       [](void* h) { return getDriftScanCount(h, 0, nullptr); }},
      {"getAcquisitionMassRange", kInfo, [&o](void* h) { return getAcquisitionMassRange(h, 0, 0, &o.a, &o.b); },
       [&o](void* h) { return getAcquisitionMassRange(h, 0, 0, &o.a, nullptr); }},
      {"getAcquisitionTimeRange", kInfo, [&o](void* h) { return getAcquisitionTimeRange(h, 0, &o.a, &o.b); },
       [&o](void* h) { return getAcquisitionTimeRange(h, 0, nullptr, &o.b); }},
      {"getFunctionType", kInfo, [&o](void* h) { return getFunctionType(h, 0, &o.type); },
       [](void* h) { return getFunctionType(h, 0, nullptr); }},
      {"getFunctionTypeString", kInfo,
       [&o](void* h) { return getFunctionTypeString(h, ZorvalenFunctionType::MS, &o.text); },
       [](void* h) { return getFunctionTypeString(h, ZorvalenFunctionType::MS, nullptr); }},
      {"isContinuum", kInfo, [&o](void* h) { return isContinuum(h, 0, o.flag); },
       [](void* h) { return asC<decltype(&isContinuum), IsContinuumC>(&isContinuum)(h, 0, nullptr); }},
      {"getIonMode", kInfo, [&o](void* h) { return getIonMode(h, 0, &o.mode); },
       [](void* h) { return getIonMode(h, 0, nullptr); }},
      {"getIonModeString", kInfo, [&o](void* h) { return getIonModeString(h, ZorvalenIonMode::AI_NEG, &o.text); },
       [](void* h) { return getIonModeString(h, ZorvalenIonMode::AI_NEG, nullptr); }},
      {"getRetentionTime", kInfo, [&o](void* h) { return getRetentionTime(h, 0, 1, &o.a); },
       [](void* h) { return getRetentionTime(h, 0, 1, nullptr); }},
      {"getMRMCount", kInfo, [&o](void* h) { return getMRMCount(h, 0, &o.i); },
       [](void* h) { return getMRMCount(h, 0, nullptr); }},
      {"getScanRangeFromTimeRange", kInfo,
       [&o](void* h) { return getScanRangeFromTimeRange(h, 0, 0.5f, 0.75f, o.i, o.j); },
       [&o](void* h) {
         return asC<decltype(&getScanRangeFromTimeRange), ScanRangeC>(&getScanRangeFromTimeRange)(h, 0, 0.5f, 0.75f,
                                                                                                  &o.i, nullptr);
       }},
      {"getLockMassFunction", kInfo, [&o](void* h) { return getLockMassFunction(h, &o.flag, &o.i); },
       [&o](void* h) { return getLockMassFunction(h, nullptr, &o.i); }},
      {"getIndexRange", kInfo, [&o](void* h) { return getIndexRange(h, 0, 500.0f, 2.0f, &o.i, &o.j); },
       [&o](void* h) { return getIndexRange(h, 0, 500.0f, 2.0f, &o.i, nullptr); }, ZVRAW_VESKO_CALIBRATION_INVALID},
      {"getPrecursorMass", kInfo, [&o](void* h) { return getPrecursorMass(h, 0, 1, &o.a); },
       [](void* h) { return getPrecursorMass(h, 0, 1, nullptr); }, ZVRAW_VESKO_CALIBRATION_INVALID},
      {"getFunctionPrecursorMassRange", kInfo, [&o](void* h) { return getFunctionPrecursorMassRange(h, 0, &o.a, &o.b); },
       [&o](void* h) { return getFunctionPrecursorMassRange(h, 0, nullptr, &o.b); }, ZVRAW_VESKO_CALIBRATION_INVALID},
      {"getIndexPrecursorMassRange", kInfo,
       [&o](void* h) { return getIndexPrecursorMassRange(h, 0, 1, &o.a, &o.b); },
       [&o](void* h) { return getIndexPrecursorMassRange(h, 0, 1, &o.a, nullptr); }, ZVRAW_VESKO_CALIBRATION_INVALID},
      {"getCollisionalCrossSection", kInfo,
       [&o](void* h) { return getCollisionalCrossSection(h, 5.0f, 500.0f, 1, &o.a); },
       [](void* h) { return getCollisionalCrossSection(h, 5.0f, 500.0f, 1, nullptr); },
       ZVRAW_MOBILITY_CALIBRATION_INVALID},
      {"getDriftTime_CCS", kInfo, [&o](void* h) { return getDriftTime_CCS(h, 200.0f, 500.0f, 1, &o.a); },
       [](void* h) { return getDriftTime_CCS(h, 200.0f, 500.0f, 1, nullptr); }, ZVRAW_MOBILITY_CALIBRATION_INVALID},
      {"getHeaderItemValue", kInfo, [&o](void* h) { return getHeaderItemValue(h, kHeaderItems, 1, o.set); },
       [](void* h) { return getHeaderItemValue(h, kHeaderItems, 1, nullptr); }},
      {"getScanItemName", kInfo, [&o](void* h) { return getScanItemName(h, kScanItems, 1, o.set); },
       [](void* h) { return getScanItemName(h, kScanItems, 1, nullptr); }},
      {"getScanItemValue", kInfo, [&o](void* h) { return getScanItemValue(h, 0, 0, kScanItems, 1, o.set); },
       [](void* h) { return getScanItemValue(h, 0, 0, kScanItems, 1, nullptr); }},
      {"getScanItemsInFunction", kInfo, [&o](void* h) { return getScanItemsInFunction(h, 0, o.set); },
       [](void* h) { return getScanItemsInFunction(h, 0, nullptr); }},
      {"getAcquisitionInfo", kInfo, [&o](void* h) { return getAcquisitionInfo(h, o.set); },
       [](void* h) { return getAcquisitionInfo(h, nullptr); }},
      {"canLockMassCorrect", kInfo, [&o](void* h) { return canLockMassCorrect(h, &o.flag); },
       [](void* h) { return canLockMassCorrect(h, nullptr); }},
      {"isLockMassCorrected", kInfo, [&o](void* h) { return isLockMassCorrected(h, &o.flag); },
       [](void* h) { return isLockMassCorrected(h, nullptr); }},
      {"getDriftTime", kInfo, [&o](void* h) { return getDriftTime(h, 0, &o.a); },
       [](void* h) { return getDriftTime(h, 0, nullptr); }, ZVRAW_DRIFTNUM_INVALID},
      {"getDriftRangeFromTimeRange", kInfo,
       [&o](void* h) { return getDriftRangeFromTimeRange(h, 0, 0.0f, 1.0f, o.i, o.j); },
       [&o](void* h) {
         return asC<decltype(&getDriftRangeFromTimeRange), ScanRangeC>(&getDriftRangeFromTimeRange)(h, 0, 0.0f, 1.0f,
                                                                                                    &o.i, nullptr);
       },
       ZVRAW_DRIFTRANGE_INVALID},
      // Arrays that succeed here are released as a caller releases them.
      {"readTICChromatogram", kChrom,
       [&o](void* h) { return released(o, readTICChromatogram(h, 0, &o.masses, &o.intensities, &o.n)); },
       [&o](void* h) { return readTICChromatogram(h, 0, nullptr, &o.intensities, &o.n); }},
      {"readBPIChromatogram", kChrom,
       [&o](void* h) { return released(o, readBPIChromatogram(h, 0, &o.masses, &o.intensities, &o.n)); },
       [&o](void* h) { return readBPIChromatogram(h, 0, &o.masses, &o.intensities, nullptr); }},
      {"readMassChromatograms", kChrom,
       [&o](void* h) {
         return released(o, readMassChromatograms(h, 0, &o.a, 1, &o.masses, &o.intensities, 1.0f, false, &o.n));
       },
       [&o](void* h) { return readMassChromatograms(h, 0, &o.a, 1, &o.masses, nullptr, 1.0f, false, &o.n); }},
      {"readMRMChromatograms", kChrom,
       [&o](void* h) { return released(o, readMRMChromatograms(h, 0, &o.i, 1, &o.masses, &o.intensities, &o.n)); },
       [&o](void* h) { return readMRMChromatograms(h, 0, &o.i, 1, nullptr, &o.intensities, &o.n); }},
      {"readVeskoMassChromatogram", kChrom,
       [&o](void* h) { return readVeskoMassChromatogram(h, 0, 500, 400, &o.masses, &o.intensities, 1, 1, &o.n); },
       [&o](void* h) { return readVeskoMassChromatogram(h, 0, 500, 400, &o.masses, &o.intensities, 1, 1, nullptr); },
       ZVRAW_VESKO_CALIBRATION_INVALID},
      {"extractByBins", kChrom,
       [&o](void* h) { return extractByBins(h, 0, 100, 200, 0, 1, 0, 1, &o.indices, &o.intensities, &o.n); },
       [&o](void* h) { return extractByBins(h, 0, 100, 200, 0, 1, 0, 1, nullptr, &o.intensities, &o.n); },
       ZVRAW_FILEOPEN_ERROR},
      {"readMobillogram", kChrom,
       [&o](void* h) { return readMobillogram(h, 0, 0, 1, 100, 200, &o.indices, &o.intensities, &o.n); },
       [&o](void* h) { return readMobillogram(h, 0, 0, 1, 100, 200, &o.indices, nullptr, &o.n); },
       ZVRAW_FILEOPEN_ERROR},
      {"getChannelCount", kAnalog, [&o](void* h) { return getChannelCount(h, &o.n); },
       [](void* h) { return getChannelCount(h, nullptr); }},
      {"readChannel", kAnalog, [&o](void* h) { return readChannel(h, 0, &o.readOnly, &o.readOnly, &o.n); },
       [&o](void* h) { return readChannel(h, 0, &o.readOnly, nullptr, &o.n); }, ZVRAW_FUNCNUM_INVALID},
      {"getChannelDesciption", kAnalog, [&o](void* h) { return getChannelDesciption(h, 0, &o.text); },
       [](void* h) { return getChannelDesciption(h, 0, nullptr); }, ZVRAW_FUNCNUM_INVALID},
      {"getChannelUnits", kAnalog, [&o](void* h) { return getChannelUnits(h, 0, &o.text); },
       [](void* h) { return getChannelUnits(h, 0, nullptr); }, ZVRAW_FUNCNUM_INVALID},
  };
}

class BadInput : public ReaderTest {};

TEST_F(BadInput, ReaderExports) {
  RawDirectoryFixture fx = twoFunctions();
  for (unsigned f = 0; f < 2; ++f) fx.function(f).stats = {{kLockMassCorrectionField, kFloatField, nullptr}};
  write(fx);
  CZorvalenBaseReader byKind[5] = {};
  byKind[1] = open(ZorvalenBaseType::SCAN);
  for (int kind = 2; kind <= 4; ++kind) byKind[kind] = share(byKind[1], static_cast<ZorvalenBaseType>(kind));
  CZorvalenParameters parameters = nullptr;
  ASSERT_EQ(createParameters(&parameters), ZVRAW_OK);

  Outputs o;
  o.set = parameters;
  for (const HandleExport& e : readerExports(o)) {
    SCOPED_TRACE(e.name);
    o.handle = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(e.call(nullptr), ZVRAW_READER_NOT_DEFINED);
    EXPECT_EQ(e.call(parameters), ZVRAW_READER_NOT_DEFINED);
    for (int kind = 1; kind <= 4; ++kind) {
      if (e.kind != 0 && e.kind != kind) {
        EXPECT_EQ(e.call(byKind[kind]), ZVRAW_READER_NOT_DEFINED) << kind;
      }
    }
    const CZorvalenBaseReader right = byKind[e.kind == 0 ? 1 : e.kind];
    if (e.callWithoutOutputs) {
      EXPECT_EQ(e.callWithoutOutputs(right), ZVRAW_NULL_PARAMETERS);
    }
    EXPECT_EQ(e.call(right), e.onRightKind);
  }
  EXPECT_EQ(destroyRawReader(parameters), ZVRAW_READER_NOT_DEFINED);
  EXPECT_EQ(destroyParameters(byKind[1]), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(destroyParameters(parameters), ZVRAW_OK);
  EXPECT_EQ(shares(byKind[1]), 4);  // nothing made by the refused calls is left
}

TEST_F(BadInput, CreateFromPath) {
  write(twoFunctions());
  const std::string path = rawPath();
  const std::string tooLong(4096, 'a');
  struct Case {
    const char* path;
    bool out;
    int kind;
    int expected;
  } cases[] = {
      {nullptr, true, 1, ZVRAW_NULL_PARAMETERS},      {path.c_str(), false, 1, ZVRAW_NULL_PARAMETERS},
      {nullptr, false, 0, ZVRAW_NULL_PARAMETERS},     {tooLong.c_str(), true, 2, ZVRAW_FILENAME_ERROR},
      {tooLong.c_str(), true, 9, ZVRAW_READER_NOT_DEFINED}, {path.c_str(), true, 0, ZVRAW_READER_NOT_DEFINED},
      {path.c_str(), true, 5, ZVRAW_READER_NOT_DEFINED}, {path.c_str(), true, 6, ZVRAW_READER_NOT_DEFINED},
      {path.c_str(), true, -1, ZVRAW_READER_NOT_DEFINED},
  };
  for (const Case& c : cases) {
    CZorvalenBaseReader r = reinterpret_cast<CZorvalenBaseReader>(0x1);
    EXPECT_EQ(createRawReaderFromPath(c.path, c.out ? &r : nullptr, static_cast<ZorvalenBaseType>(c.kind)),
              c.expected)
        << (c.path ? std::string(c.path).size() : 0) << " " << c.out << " " << c.kind;
    if (c.out) {
      EXPECT_EQ(r, nullptr);
    }
  }
}

TEST_F(BadInput, MemoryAndErrorTexts) {
  EXPECT_EQ(releaseMemory(nullptr), ZVRAW_OK);
  EXPECT_EQ(getErrorMessage(ZVRAW_OK, nullptr), ZVRAW_NULL_PARAMETERS);
}

}  // namespace
