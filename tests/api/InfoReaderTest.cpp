// The information reader through the C interface: counts, ranges, types
// and ion modes with their names, the presets kept on failure, and the
// calibration-backed conversions.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <string>

#include "api/ReaderTestSupport.h"
#include "api/ZorvalenRawInfoImp.h"
#include "formats/directory/ZVRawFunctionDescriptor.h"
#include "formats/directory/ZVRawFunctionTexts.h"

namespace fs = std::filesystem;
using Vardex::Lib::ZorvalenRaw::handleCast;
using Vardex::Lib::ZorvalenRaw::ZorvalenRawInfoImp;

namespace {

constexpr int kTOF = 13, kMRM = 9;

class InfoReader : public ReaderTest {
 protected:
  // A TOF MS function (5 scans), an MRM function (3 scans of 3
  // transitions) and a function without scans.
  static RawDirectoryFixture run() {
    RawDirectoryFixture fx;
    fx.function({.type = kTOF, .format = 12, .scans = 5, .peaks = 4})
        .function({.type = kMRM, .ionMode = 9, .format = 2, .scans = 3, .peaks = 3, .lowMass = 20.0f})
        .function({.format = 12, .scans = 0});
    return fx;
  }
  CZorvalenBaseReader info() { return open(ZorvalenBaseType::INFO); }
};

TEST_F(InfoReader, CountsAndRanges) {
  RawDirectoryFixture fx = run();
  write(fx);
  CZorvalenBaseReader r = info();
  unsigned count = 0;
  ASSERT_EQ(getFunctionCount(r, &count), ZVRAW_OK);
  EXPECT_EQ(count, 3u);
  const unsigned expected[] = {5, 3, 0};
  for (int f = 0; f < 3; ++f) {
    unsigned scans = 99, bins = 99;
    ASSERT_EQ(getScanCount(r, f, &scans), ZVRAW_OK);
    EXPECT_EQ(scans, expected[f]);
    EXPECT_TRUE(getDriftScanCount(r, f, &bins) == ZVRAW_OK && bins == 0) << f;  // no drift data
  }
  float start = 0, end = 0, rt = 0;
  ASSERT_EQ(getAcquisitionTimeRange(r, 0, &start, &end), ZVRAW_OK);
  EXPECT_EQ(start, fixtureRT(fx.function(0), 0));
  EXPECT_EQ(end, fixtureRT(fx.function(0), 4));
  ASSERT_EQ(getRetentionTime(r, 1, 2, &rt), ZVRAW_OK);
  EXPECT_EQ(rt, fixtureRT(fx.function(1), 2));

  // Function 2 has no scans yet: every question about its scans gives 16.
  EXPECT_EQ(getAcquisitionTimeRange(r, 2, &start, &end), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(getRetentionTime(r, 2, 0, &rt), ZVRAW_SCANNUM_INVALID);
  int first = -1, last = -1;
  EXPECT_EQ(getScanRangeFromTimeRange(r, 2, 0.0f, 1.0f, first, last), ZVRAW_SCANNUM_INVALID);
  // NaN orders with no time.
  EXPECT_EQ(getScanRangeFromTimeRange(r, 0, NAN, 1.0f, first, last), ZVRAW_RETENTIONTIME_INVALID);
  EXPECT_EQ(getScanRangeFromTimeRange(r, 0, 0.0f, NAN, first, last), ZVRAW_RETENTIONTIME_INVALID);
  EXPECT_TRUE(first == 0 && last == 0);

  ASSERT_EQ(getScanRangeFromTimeRange(r, 0, fixtureRT(fx.function(0), 1), fixtureRT(fx.function(0), 3), first,
                                      last),
            ZVRAW_OK);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 3);
}

TEST_F(InfoReader, MassRangeOfAnMRMNumber) {
  write(run());
  CZorvalenBaseReader r = info();
  float low = -1, high = -1;
  ASSERT_EQ(getAcquisitionMassRange(r, 1, 0, &low, &high), ZVRAW_OK);
  EXPECT_EQ(low, 20.0f);
  EXPECT_EQ(high, 2000.0f);
  // The largest 16-bit segment reaches the descriptor, which has no such
  // segment; beyond it the number never wraps onto segment 0.
  EXPECT_NE(getAcquisitionMassRange(r, 1, 65535, &low, &high), ZVRAW_OK);
  for (int mrm : {65536, 65536 + 1, -1, INT_MIN}) {
    low = high = -1;
    EXPECT_EQ(getAcquisitionMassRange(r, 1, mrm, &low, &high), ZVRAW_SEGMENT_INVALID) << mrm;
    EXPECT_EQ(low, -1.0f) << mrm;
  }
}

TEST_F(InfoReader, TypesAndIonModes) {
  write(run());
  CZorvalenBaseReader r = info();
  ZorvalenFunctionType type{};
  ASSERT_EQ(getFunctionType(r, 0, &type), ZVRAW_OK);
  EXPECT_EQ(static_cast<int>(type), 213);
  ASSERT_EQ(getFunctionType(r, 1, &type), ZVRAW_OK);
  EXPECT_EQ(type, ZorvalenFunctionType::MRM);
  ZorvalenIonMode mode{};
  ASSERT_EQ(getIonMode(r, 0, &mode), ZVRAW_OK);
  EXPECT_EQ(mode, ZorvalenIonMode::ES_POS);
  ASSERT_EQ(getIonMode(r, 1, &mode), ZVRAW_OK);
  EXPECT_EQ(mode, ZorvalenIonMode::ES_NEG);

  for (int value = 200; value <= 231; ++value) {
    char* text = nullptr;
    ASSERT_EQ(getFunctionTypeString(r, static_cast<ZorvalenFunctionType>(value), &text), ZVRAW_OK) << value;
    EXPECT_STREQ(text, zvraw::functionTypeText(static_cast<unsigned>(value - 200))) << value;
  }
  const char* modes[] = {"EI+", "EI-", "CI+", "CI-", "FB+", "FB-", "TS+", "TS-", "ES+", "ES-", "AI+", "AI-", "LD+", "LD-"};
  for (int value = 100; value <= 113; ++value) {
    char* text = nullptr;
    ASSERT_EQ(getIonModeString(r, static_cast<ZorvalenIonMode>(value), &text), ZVRAW_OK) << value;
    EXPECT_STREQ(text, modes[value - 100]) << value;
  }
  for (int value : {150, 199, 232, 299, -1, INT_MIN}) {
    char* text = reinterpret_cast<char*>(0x1);
    EXPECT_EQ(getFunctionTypeString(r, static_cast<ZorvalenFunctionType>(value), &text), ZVRAW_FUNCTIONTYPE_INVALID);
    EXPECT_EQ(text, reinterpret_cast<char*>(0x1)) << value;
  }
  for (int value : {99, 114, 199, -1, INT_MAX}) {
    char* text = reinterpret_cast<char*>(0x1);
    EXPECT_EQ(getIonModeString(r, static_cast<ZorvalenIonMode>(value), &text), ZVRAW_IONMODE_INVALID);
    EXPECT_EQ(text, reinterpret_cast<char*>(0x1)) << value;
  }
}

TEST_F(InfoReader, ATextLivesUntilTheReadersNextText) {
  write(run());
  CZorvalenBaseReader r = info();
  char* first = nullptr;
  char* second = nullptr;
  ASSERT_EQ(getFunctionTypeString(r, ZorvalenFunctionType::MSMS, &first), ZVRAW_OK);
  EXPECT_STREQ(first, "MSMS");
  ASSERT_EQ(getIonModeString(r, ZorvalenIonMode::ES_POS, &second), ZVRAW_OK);
  EXPECT_EQ(first, second);  // one buffer per reader, reused
  EXPECT_STREQ(first, "ES+");
}

TEST_F(InfoReader, PresetsSurviveFailures) {
  write(run());
  CZorvalenBaseReader r = info();
  for (int f : {-1, 3, INT_MIN}) {
    SCOPED_TRACE(f);
    ZorvalenFunctionType type = ZorvalenFunctionType::MS;
    ZorvalenIonMode mode = ZorvalenIonMode::EI_POS;
    int mrms = 7, first = 7, last = 7;
    unsigned scans = 7;
    float a = -2, b = -2;
    bool continuum = true;
    EXPECT_EQ(getFunctionType(r, f, &type), ZVRAW_FUNCNUM_INVALID);
    EXPECT_EQ(type, ZorvalenFunctionType::UNINITIALISED);
    EXPECT_EQ(getIonMode(r, f, &mode), ZVRAW_FUNCNUM_INVALID);
    EXPECT_EQ(mode, ZorvalenIonMode::UNINITIALISED);
    EXPECT_EQ(getMRMCount(r, f, &mrms), ZVRAW_FUNCNUM_INVALID);
    EXPECT_EQ(mrms, 0);
    EXPECT_NE(getScanRangeFromTimeRange(r, f, 0.0f, 10.0f, first, last), ZVRAW_OK);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(getScanCount(r, f, &scans), ZVRAW_FUNCNUM_INVALID);
    EXPECT_EQ(getDriftScanCount(r, f, &scans), ZVRAW_FUNCNUM_INVALID);
    EXPECT_EQ(scans, 7u);
    EXPECT_EQ(getAcquisitionTimeRange(r, f, &a, &b), ZVRAW_FUNCNUM_INVALID);
    EXPECT_EQ(getRetentionTime(r, f, 0, &a), ZVRAW_FUNCNUM_INVALID);
    EXPECT_EQ(getAcquisitionMassRange(r, f, 0, &a, &b), ZVRAW_FUNCNUM_INVALID);
    EXPECT_EQ(a, -2.0f);
    EXPECT_NE(isContinuum(r, f, continuum), ZVRAW_OK);
    // Without a scanning-quadrupole calibration a valid-looking number still
    // gets 63; a negative one never reaches the cluster.
    const int quadrupole = f < 0 ? ZVRAW_FUNCNUM_INVALID : ZVRAW_VESKO_CALIBRATION_INVALID;
    EXPECT_EQ(getIndexRange(r, f, 500.0f, 2.0f, &first, &last), quadrupole);
    EXPECT_EQ(getPrecursorMass(r, f, 0, &a), quadrupole);
    EXPECT_EQ(getFunctionPrecursorMassRange(r, f, &a, &b), quadrupole);
    EXPECT_EQ(getIndexPrecursorMassRange(r, f, 0, &a, &b), quadrupole);
    EXPECT_EQ(a, -2.0f);
  }
  float rt = -2;
  EXPECT_EQ(getRetentionTime(r, 0, -1, &rt), ZVRAW_SCANNUM_INVALID);
  EXPECT_NE(getRetentionTime(r, 0, 5, &rt), ZVRAW_OK);
  int first = 7, last = 7;
  EXPECT_NE(getScanRangeFromTimeRange(r, 0, 50.0f, 60.0f, first, last), ZVRAW_OK);  // after the last scan
  EXPECT_EQ(first + last, 0);
}

TEST_F(InfoReader, MRMCountAndContinuum) {
  write(run());
  CZorvalenBaseReader r = info();
  int mrms = 7;
  ASSERT_EQ(getMRMCount(r, 1, &mrms), ZVRAW_OK);
  EXPECT_EQ(mrms, 3);
  ASSERT_EQ(getMRMCount(r, 0, &mrms), ZVRAW_OK);
  EXPECT_EQ(mrms, 0);
  bool tof = false, mrm = true;
  ASSERT_EQ(isContinuum(r, 0, tof), ZVRAW_OK);
  ASSERT_EQ(isContinuum(r, 1, mrm), ZVRAW_OK);
  EXPECT_NE(tof, mrm);  // the fixture marks every type but MRM alike
  bool any = !tof;
  ASSERT_EQ(handleCast<ZorvalenRawInfoImp>(r)->HasContinuumFunction(any), ZVRAW_OK);
  EXPECT_TRUE(any);
}

TEST_F(InfoReader, FunctionDescriptorCopy) {
  write(run());
  auto* reader = handleCast<ZorvalenRawInfoImp>(info());
  borealtek_zvraw_version_1::ZVRawFunctionDescriptor_NonMaldi descriptor;
  ASSERT_EQ(reader->getFunctionDescriptor(1, descriptor), ZVRAW_OK);
  EXPECT_EQ(descriptor.functionType(), static_cast<std::uint32_t>(kMRM));
  EXPECT_EQ(descriptor.dataType(), 2u);
  EXPECT_EQ(reader->getFunctionDescriptor(-1, descriptor), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(reader->getFunctionDescriptor(3, descriptor), ZVRAW_FUNCNUM_INVALID);
}

TEST_F(InfoReader, LockMassFunction) {
  RawDirectoryFixture one;
  one.function({.scans = 2});
  write(one);
  bool present = true;
  int function = 7;
  ASSERT_EQ(getLockMassFunction(info(), &present, &function), ZVRAW_OK);
  EXPECT_FALSE(present);
  EXPECT_EQ(function, -1);

  fs::remove_all(raw());
  RawDirectoryFixture two;
  two.function({.scans = 2}).function({.scans = 2}).function({.scans = 2});
  two.function(1).stats = {{kReferenceScanField, kCharField, [](unsigned) { return 1.0; }}};
  write(two);
  ASSERT_EQ(getLockMassFunction(info(), &present, &function), ZVRAW_OK);
  EXPECT_TRUE(present);
  EXPECT_EQ(function, 1);
}

TEST_F(InfoReader, ScanningQuadrupoleConversions) {
  RawDirectoryFixture fx = run();
  write(fx);
  CZorvalenBaseReader without = info();
  int first = -7, last = -7;
  float a = -7, b = -7;
  EXPECT_EQ(getIndexRange(without, 0, 500.0f, 2.0f, &first, &last), ZVRAW_VESKO_CALIBRATION_INVALID);
  EXPECT_EQ(getPrecursorMass(without, 0, 10, &a), ZVRAW_VESKO_CALIBRATION_INVALID);
  EXPECT_EQ(getFunctionPrecursorMassRange(without, 0, &a, &b), ZVRAW_VESKO_CALIBRATION_INVALID);
  EXPECT_EQ(getIndexPrecursorMassRange(without, 0, 10, &a, &b), ZVRAW_VESKO_CALIBRATION_INVALID);

  fs::remove_all(raw());
  fx.veskoCalibration();
  write(fx);
  CZorvalenBaseReader r = info();
  ASSERT_EQ(getIndexRange(r, 0, 500.0f, 2.0f, &first, &last), ZVRAW_OK);
  int expectedFirst = 0, expectedLast = 0;
  ASSERT_EQ(cluster(r)->getPrecursormassRangeToIndices(0, 499.0f, 501.0f, expectedFirst, expectedLast), ZVRAW_OK);
  EXPECT_EQ(first, expectedFirst);
  EXPECT_EQ(last, expectedLast);
  EXPECT_LT(first, last);
  ASSERT_EQ(getPrecursorMass(r, 0, 100, &a), ZVRAW_OK);
  ASSERT_EQ(getPrecursorMass(r, 0, 101, &b), ZVRAW_OK);
  EXPECT_GT(a, 100.0f);  // the fixture sweeps 100 to 1100 over bins 0-199
  EXPECT_NEAR(b - a, 5.0f, 1e-3f);
  ASSERT_EQ(getIndexPrecursorMassRange(r, 0, 100, &a, &b), ZVRAW_OK);
  EXPECT_LT(a, b);
}

TEST_F(InfoReader, CrossSectionConversions) {
  RawDirectoryFixture fx = run();
  write(fx);
  float ccs = 1, drift = 1;
  CZorvalenBaseReader without = info();
  EXPECT_EQ(getCollisionalCrossSection(without, 5.0f, 500.0f, 1, &ccs), ZVRAW_MOBILITY_CALIBRATION_INVALID);
  EXPECT_TRUE(std::isnan(ccs));
  EXPECT_EQ(getDriftTime_CCS(without, 200.0f, 500.0f, 1, &drift), ZVRAW_MOBILITY_CALIBRATION_INVALID);
  EXPECT_TRUE(std::isnan(drift));

  fs::remove_all(raw());
  fx.mobilityCalibration(800, 0.5, 0.1);
  write(fx);
  CZorvalenBaseReader r = info();
  ASSERT_EQ(getCollisionalCrossSection(r, 5.0f, 500.0f, 1, &ccs), ZVRAW_OK);
  ASSERT_TRUE(std::isfinite(ccs));
  ASSERT_EQ(getDriftTime_CCS(r, ccs, 500.0f, 1, &drift), ZVRAW_OK);
  EXPECT_NEAR(drift, 5.0f, 1e-3f);
}

// Missing or cut calibration, gain and statistics files: every question
// answers with a code, and failed ones keep their presets.
TEST_F(InfoReader, DamagedOptionalFiles) {
  RawDirectoryFixture fx = run();
  fx.function(0).stats = {{kLockMassCorrectionField, kFloatField, nullptr}};
  fx.lockMassGain({{0.0f, 1.0f}, {5.0f, 1.1f}}).veskoCalibration().mobilityCalibration(800, 0.5, 0.1);
  write(fx);
  for (const std::string name : {"_vesko.inf", "mob_cal.csv", "lmgt.inf", "_func001.sts"}) {
    const Bytes valid = readFile(raw() / name);
    for (std::size_t keep : {std::size_t{0}, valid.size() / 2, valid.size() - 1, std::size_t{SIZE_MAX}}) {
      SCOPED_TRACE(name + " cut to " + std::to_string(keep));
      if (keep == SIZE_MAX) {
        fs::remove(raw() / name);
      } else {
        writeFile(raw() / name, Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(keep)));
      }
      CZorvalenBaseReader r = nullptr;
      const int opened = createRawReaderFromPath(rawPath().c_str(), &r, ZorvalenBaseType::INFO);
      if (opened != ZVRAW_OK) {
        EXPECT_EQ(r, nullptr);
        continue;
      }
      int first = -7, last = -7, function = -7;
      float a = -7, b = -7;
      bool present = false;
      const int rc = getIndexRange(r, 0, 500.0f, 2.0f, &first, &last);
      EXPECT_GE(rc, 0);
      EXPECT_LE(rc, ZVRAW_DRIFTRANGE_INVALID);
      EXPECT_GE(getPrecursorMass(r, 0, 3, &a), 0);
      EXPECT_GE(getFunctionPrecursorMassRange(r, 0, &a, &b), 0);
      if (getCollisionalCrossSection(r, 5.0f, 500.0f, 1, &a) != ZVRAW_OK) {
        EXPECT_TRUE(std::isnan(a));
      }
      if (getDriftTime_CCS(r, 200.0f, 500.0f, 1, &b) != ZVRAW_OK) {
        EXPECT_TRUE(std::isnan(b));
      }
      EXPECT_EQ(getLockMassFunction(r, &present, &function), ZVRAW_OK);
      EXPECT_EQ(present, function >= 0);
      EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
    }
    writeFile(raw() / name, valid);
  }
}

}  // namespace
