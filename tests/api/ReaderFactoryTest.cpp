// Opening readers on a raw directory, sharing it, refreshing and releasing
// it through the C interface.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "api/ReaderTestSupport.h"
#include "support/Corruption.h"

namespace fs = std::filesystem;
using Vardex::Lib::ZorvalenRaw::HandleKind;
using Vardex::Lib::ZorvalenRaw::HandleObject;

namespace {

class ReaderFactory : public ReaderTest {
 protected:
  // raw() spelled with extra separators to exactly `length` bytes.
  [[nodiscard]] std::string paddedPath(std::size_t length) const {
    const std::string name = raw().filename().string();
    const std::string parent = raw().parent_path().string();
    EXPECT_LT(parent.size() + name.size() + 1, length);
    return parent + std::string(length - parent.size() - name.size(), '/') + name;
  }
};

constexpr ZorvalenBaseType kReaderKinds[] = {ZorvalenBaseType::SCAN, ZorvalenBaseType::INFO, ZorvalenBaseType::CHROM,
                                             ZorvalenBaseType::ANALOG};

TEST_F(ReaderFactory, EveryReaderKindOpensAndShares) {
  write(twoFunctions());
  for (ZorvalenBaseType kind : kReaderKinds) {
    CZorvalenBaseReader r = open(kind);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(static_cast<HandleObject*>(r)->handleKind(), static_cast<HandleKind>(kind));
    for (ZorvalenBaseType other : kReaderKinds) {
      CZorvalenBaseReader s = share(r, other);
      ASSERT_NE(s, nullptr);
      EXPECT_EQ(static_cast<HandleObject*>(s)->handleKind(), static_cast<HandleKind>(other));
      EXPECT_EQ(cluster(s), cluster(r));
    }
    EXPECT_EQ(shares(r), 5);
  }
}

TEST_F(ReaderFactory, KindsThatAreNotReadersGive59) {
  write(twoFunctions());
  CZorvalenBaseReader source = open(ZorvalenBaseType::SCAN);
  for (int kind : {0, 5, 6, 7, 8, 9, -1}) {
    CZorvalenBaseReader r = reinterpret_cast<CZorvalenBaseReader>(0x1);
    EXPECT_EQ(createRawReaderFromPath(rawPath().c_str(), &r, static_cast<ZorvalenBaseType>(kind)),
              ZVRAW_READER_NOT_DEFINED)
        << kind;
    EXPECT_EQ(r, nullptr) << kind;
    r = reinterpret_cast<CZorvalenBaseReader>(0x1);
    EXPECT_EQ(createRawReaderFromReader(source, &r, static_cast<ZorvalenBaseType>(kind)), ZVRAW_READER_NOT_DEFINED)
        << kind;
    EXPECT_EQ(r, nullptr) << kind;
  }
  EXPECT_EQ(shares(source), 1);
}

TEST_F(ReaderFactory, PathsAreRefusedNeverCut) {
  write(twoFunctions());
  CZorvalenBaseReader r = reinterpret_cast<CZorvalenBaseReader>(0x1);
  EXPECT_EQ(createRawReaderFromPath(nullptr, &r, ZorvalenBaseType::INFO), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(r, nullptr);
  EXPECT_EQ(createRawReaderFromPath(rawPath().c_str(), nullptr, ZorvalenBaseType::INFO), ZVRAW_NULL_PARAMETERS);

  const std::string fits = paddedPath(200);
  ASSERT_EQ(createRawReaderFromPath(fits.c_str(), &r, ZorvalenBaseType::INFO), ZVRAW_OK);
  EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);

  // 255 bytes is a path the cluster may hold, though its component files'
  // names are too long to open.
  const std::string longest = paddedPath(255);
  const int rc = createRawReaderFromPath(longest.c_str(), &r, ZorvalenBaseType::INFO);
  EXPECT_NE(rc, ZVRAW_OK);
  EXPECT_EQ(r, nullptr);
  for (std::size_t length : {256, 257, 4096}) {
    const std::string tooLong = paddedPath(length);
    r = reinterpret_cast<CZorvalenBaseReader>(0x1);
    EXPECT_EQ(createRawReaderFromPath(tooLong.c_str(), &r, ZorvalenBaseType::SCAN), ZVRAW_FILENAME_ERROR) << length;
    EXPECT_EQ(r, nullptr) << length;
  }
}

TEST_F(ReaderFactory, WhatIsNotARawDirectoryGivesTheClusterCode) {
  write(twoFunctions());
  fs::remove(raw() / "_header.txt");
  for (const std::string& path : {dir().string(), (dir() / "missing").string(), std::string(), rawPath()}) {
    CZorvalenBaseReader r = reinterpret_cast<CZorvalenBaseReader>(0x1);
    const int rc = createRawReaderFromPath(path.c_str(), &r, ZorvalenBaseType::SCAN);
    EXPECT_NE(rc, ZVRAW_OK) << path;
    EXPECT_EQ(r, nullptr) << path;  // and nothing to destroy: LeakSanitizer checks
  }
  CZorvalenBaseReader r = nullptr;
  EXPECT_EQ(createRawReaderFromPath(rawPath().c_str(), &r, ZorvalenBaseType::INFO),
            ZVRAW_HEADERFILE_FILEOPEN_ERROR);
}

TEST_F(ReaderFactory, SharedDirectoryOutlivesTheOpener) {
  write(twoFunctions());
  CZorvalenBaseReader a = open(ZorvalenBaseType::SCAN);
  CZorvalenBaseReader b = share(a, ZorvalenBaseType::INFO);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(shares(b), 2);
  close(a);
  EXPECT_EQ(shares(b), 1);
  unsigned count = 0, scans = 0;
  ASSERT_EQ(cluster(b)->getFunctionCount(count), ZVRAW_OK);
  EXPECT_EQ(count, 2u);
  ASSERT_EQ(cluster(b)->getTotalScans(0, scans), ZVRAW_OK);
  EXPECT_EQ(scans, 5u);
  ASSERT_EQ(cluster(b)->loadData(0, 4u, 4u, true, false), ZVRAW_OK);
  // Destroying b, the last sharer, deletes the cluster (LeakSanitizer
  // reports it otherwise).
}

TEST_F(ReaderFactory, UpdateShowsScansWrittenSinceTheOpen) {
  RawDirectoryFixture fx = twoFunctions();
  for (unsigned f = 0; f < 2; ++f) fx.function(f).stats = {{kLockMassCorrectionField, kFloatField, nullptr}};
  write(fx);
  CZorvalenBaseReader a = open(ZorvalenBaseType::CHROM);
  CZorvalenBaseReader b = share(a, ZorvalenBaseType::SCAN);
  fx.grow(raw(), 0, 5, true);
  EXPECT_EQ(updateRawReader(b), ZVRAW_OK);
  unsigned scans = 0;
  ASSERT_EQ(cluster(a)->getTotalScans(0, scans), ZVRAW_OK);  // one cluster: every sharer sees it
  EXPECT_EQ(scans, 10u);

  // A failed refresh is the directory's state: no new reader is made on it,
  // and the sharers' count stays as it was.
  fx.grow(raw(), 1, 4, false);
  const fs::path sts = raw() / RawDirectoryFixture::statsName(1);
  fs::resize_file(sts, fs::file_size(sts) - 2 * 4);
  const int failed = updateRawReader(a);
  ASSERT_NE(failed, ZVRAW_OK);
  CZorvalenBaseReader c = reinterpret_cast<CZorvalenBaseReader>(0x1);
  EXPECT_EQ(createRawReaderFromReader(b, &c, ZorvalenBaseType::INFO), failed);
  EXPECT_EQ(c, nullptr);
  EXPECT_EQ(shares(a), 2);
}

TEST_F(ReaderFactory, UpdateWithoutStatisticsKeepsTheDirectoryUsable) {
  RawDirectoryFixture fx = twoFunctions();
  write(fx);
  CZorvalenBaseReader a = open(ZorvalenBaseType::SCAN);
  fx.grow(raw(), 1, 2, false);
  EXPECT_EQ(updateRawReader(a), ZVRAW_STATSFILE_FILEREADOPEN_ERROR);
  CZorvalenBaseReader b = share(a, ZorvalenBaseType::INFO);
  ASSERT_NE(b, nullptr);
  unsigned scans = 0;
  ASSERT_EQ(cluster(b)->getTotalScans(1, scans), ZVRAW_OK);
  EXPECT_EQ(scans, 5u);
}

// A live object of another handle family.
class OtherKind : public HandleObject {
 public:
  OtherKind() : HandleObject(HandleKind::Parameters) {}
};

TEST_F(ReaderFactory, NullAndForeignHandles) {
  OtherKind other;
  EXPECT_EQ(destroyRawReader(nullptr), ZVRAW_OK);
  EXPECT_EQ(destroyRawReader(&other), ZVRAW_READER_NOT_DEFINED);  // left alone: ASan sees no free of a stack object
  EXPECT_EQ(updateRawReader(nullptr), ZVRAW_READER_NOT_DEFINED);
  EXPECT_EQ(updateRawReader(&other), ZVRAW_READER_NOT_DEFINED);
  for (CZorvalenBaseReader source : {static_cast<void*>(nullptr), static_cast<void*>(&other)}) {
    CZorvalenBaseReader r = reinterpret_cast<CZorvalenBaseReader>(0x1);
    EXPECT_EQ(createRawReaderFromReader(source, &r, ZorvalenBaseType::SCAN), ZVRAW_READER_NOT_DEFINED);
    EXPECT_EQ(r, nullptr);
  }
  EXPECT_EQ(createRawReaderFromReader(nullptr, nullptr, ZorvalenBaseType::SCAN), ZVRAW_NULL_PARAMETERS);
}

TEST_F(ReaderFactory, CallerBlocksOutliveTheReader) {
  write(twoFunctions());
  CZorvalenBaseReader r = open(ZorvalenBaseType::INFO);
  char* text = nullptr;
  ASSERT_EQ(getErrorMessage(ZVRAW_SCANNUM_INVALID, &text), ZVRAW_OK);
  close(r);
  EXPECT_STREQ(text, "Invalid Scan Number");
  releaseMemory(text);
}

// Damaged component files reach the caller as the open's code and a null
// handle, with nothing left allocated (LeakSanitizer checks).
TEST_F(ReaderFactory, DamagedDirectoriesGiveTheOpenCode) {
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 3, .peaks = 3})
      .function({.type = 18, .format = 13, .extended = true, .scans = 2, .peaks = 2});
  fx.function(0).stats = {{kReferenceScanField, kCharField, [](unsigned) { return 0.0; }}};
  fx.lockMassGain({{0.0f, 1.0f}}).veskoCalibration().mobilityCalibration(800, 0.5, 0.1).analogChannels(1, 3);
  write(fx);
  int round = 0;
  for (const char* name : {"_functns.inf", "_func001.idx", "_func002.idx", "_func001.sts", "_header.txt",
                           "lmgt.inf", "_vesko.inf", "mob_cal.csv", "_CHROMS.INF"}) {
    SCOPED_TRACE(name);
    const fs::path file = raw() / name;
    const Bytes valid = readFile(file);
    const ReaderCall read = [&](const Bytes& damaged) {
      writeFile(file, damaged);
      CZorvalenBaseReader r = reinterpret_cast<CZorvalenBaseReader>(0x1);
      const auto kind = kReaderKinds[round++ % 4];
      const int rc = createRawReaderFromPath(rawPath().c_str(), &r, kind);
      EXPECT_EQ(r == nullptr, rc != ZVRAW_OK);
      if (r != nullptr) {
        EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
      }
      return rc;
    };
    expectRejectsTruncations(valid, read, [](std::size_t) { return true; });
    expectSurvivesCorruptions(valid, read, 0xA9u, 40);
    writeFile(file, valid);
  }
}

}  // namespace
