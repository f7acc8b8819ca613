// The analog reader through the C interface: channel counts, samples in the
// reader's buffers, description and units texts, and damaged channel files.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "api/ReaderTestSupport.h"
#include "formats/statistics/ZVRawAnalog.h"
#include "support/Corruption.h"

namespace fs = std::filesystem;
using borealtek_zvraw_version_1::AnalogHeader;
using borealtek_zvraw_version_1::ZVRawAnalog;

namespace {

class AnalogReader : public ReaderTest {
 protected:
  // The fixture's channels: "Channel c + 1", sample i at 0.1 i with value 8 (c + i).
  CZorvalenBaseReader openWithChannels(int channels, int samples) {
    RawDirectoryFixture fx = twoFunctions();
    write(fx.analogChannels(channels, samples));
    return open(ZorvalenBaseType::ANALOG);
  }
  static std::string text(int rc, const char* p) { return rc == ZVRAW_OK && p != nullptr ? p : "<" + std::to_string(rc) + ">"; }
  static std::string description(CZorvalenBaseReader r, int c) {
    char* p = nullptr;
    const int rc = getChannelDesciption(r, c, &p);
    return text(rc, p);
  }
  static std::string units(CZorvalenBaseReader r, int c) {
    char* p = nullptr;
    const int rc = getChannelUnits(r, c, &p);
    return text(rc, p);
  }
};

TEST_F(AnalogReader, ChannelCallsByChannelNumber) {
  CZorvalenBaseReader r = openWithChannels(3, 5);
  fs::remove(raw() / "_CHRO003.DAT");
  CZorvalenBaseReader fresh = open(ZorvalenBaseType::ANALOG);
  struct Case {
    int channel;
    int readRc, size;
    std::string description, units;
  } cases[] = {
      {1, ZVRAW_OK, 5, "Channel 2", ""},
      {2, ZVRAW_OK, 0, "Channel 3", ""},  // no samples
      {3, ZVRAW_FUNCNUM_INVALID, -1, "<14>", "<14>"},
      {INT_MAX, ZVRAW_FUNCNUM_INVALID, -1, "<14>", "<14>"},
      {-1, ZVRAW_OK, 0, "<1>", "<1>"},  // names no channel, but is not refused with 14
      {INT_MIN, ZVRAW_OK, 0, "<1>", "<1>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channel);
    const float* times = reinterpret_cast<const float*>(0x1);
    const float* values = times;
    int size = -1;
    EXPECT_EQ(readChannel(fresh, c.channel, &times, &values, &size), c.readRc);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(times == nullptr && values == nullptr, c.size <= 0);
    EXPECT_EQ(description(fresh, c.channel), c.description);
    EXPECT_EQ(units(fresh, c.channel), c.units);
  }
  int count = -1;
  ASSERT_EQ(getChannelCount(r, &count), ZVRAW_OK);
  EXPECT_EQ(count, 3);
  // A run without analog channels.
  for (const char* name : {"_CHROMS.INF", "_CHRO001.DAT", "_CHRO002.DAT"}) fs::remove(raw() / name);
  CZorvalenBaseReader none = open(ZorvalenBaseType::ANALOG);
  ASSERT_EQ(getChannelCount(none, &count), ZVRAW_OK);
  EXPECT_EQ(count, 0);
  const float *times = nullptr, *values = nullptr;
  int size = 0;
  EXPECT_EQ(readChannel(none, 0, &times, &values, &size), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(description(none, 0), "<14>");
  EXPECT_EQ(units(none, 0), "<14>");
}

// One pair of buffers per reader: a second channel read shows through the
// first read's pointers. Texts share one holder the same way.
TEST_F(AnalogReader, ReadsShareTheReadersBuffers) {
  CZorvalenBaseReader r = openWithChannels(2, 5);
  const float *t0 = nullptr, *v0 = nullptr, *t1 = nullptr, *v1 = nullptr;
  int n0 = 0, n1 = 0;
  ASSERT_EQ(readChannel(r, 0, &t0, &v0, &n0), ZVRAW_OK);
  ASSERT_EQ(n0, 5);
  EXPECT_EQ(v0[4], 32.0f);
  ASSERT_EQ(readChannel(r, 1, &t1, &v1, &n1), ZVRAW_OK);
  EXPECT_EQ(t1, t0);
  EXPECT_EQ(v1, v0);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(t0[i], 0.1f * static_cast<float>(i)) << i;
    EXPECT_EQ(v0[i], static_cast<float>(8 * (1 + i))) << i;
  }
  char *first = nullptr, *second = nullptr;
  ASSERT_EQ(getChannelDesciption(r, 0, &first), ZVRAW_OK);
  ASSERT_EQ(getChannelUnits(r, 0, &second), ZVRAW_OK);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, "");
}

// A description field of 81 bytes without a NUL is a text of 81 characters
// with no units; units come after the control text's fifth comma.
TEST_F(AnalogReader, DescriptionsFillTheWholeFieldAndUnitsFollowTheControlText) {
  write(twoFunctions());
  AnalogHeader headers[2];
  std::memset(headers[0].Description, 'D', sizeof headers[0].Description);
  const char controlled[] = "Pressure\0$CC$,1.0,0,0,0,bar";
  std::memcpy(headers[1].Description, controlled, sizeof controlled);
  ASSERT_EQ(ZVRawAnalog().writeChromInf(rawPath(), headers, 2), ZVRAW_OK);
  CZorvalenBaseReader r = open(ZorvalenBaseType::ANALOG);
  EXPECT_EQ(description(r, 0), std::string(sizeof headers[0].Description, 'D'));
  EXPECT_EQ(units(r, 0), "");
  EXPECT_EQ(description(r, 1), "Pressure");
  EXPECT_EQ(units(r, 1), "bar");
}

// Damaged channel files: every analog call gives a code and reads nothing
// out of bounds.
TEST_F(AnalogReader, DamagedChannelFilesGiveCodes) {
  openWithChannels(2, 3);
  const auto readAll = [&] {
    CZorvalenBaseReader r = nullptr;
    if (const int rc = createRawReaderFromPath(rawPath().c_str(), &r, ZorvalenBaseType::ANALOG); rc != ZVRAW_OK)
      return rc;
    int count = 0, last = getChannelCount(r, &count);
    for (int c = -1; c <= count; ++c) {
      const float *times = nullptr, *values = nullptr;
      int n = 0;
      char* p = nullptr;
      const int rc = readChannel(r, c, &times, &values, &n);
      volatile float sum = 0;  // every sample is read, so ASan sees a short array
      for (int i = 0; rc == ZVRAW_OK && i < n; ++i) sum = sum + times[i] + values[i];
      for (int code : {rc, getChannelDesciption(r, c, &p), getChannelUnits(r, c, &p)})
        if (c >= 0 && c < count && code != ZVRAW_OK) last = code;
    }
    EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
    return last;
  };
  for (const char* name : {"_CHROMS.INF", "_CHRO001.DAT"}) {
    SCOPED_TRACE(name);
    const fs::path file = raw() / name;
    const Bytes valid = readFile(file);
    const ReaderCall read = [&](const Bytes& damaged) {
      writeFile(file, damaged);
      return readAll();
    };
    expectRejectsTruncations(valid, read, [](std::size_t) { return true; });  // damaged channels read as missing
    expectSurvivesCorruptions(valid, read, 0xA7A1u, 60);
    writeFile(file, valid);
  }
}

}  // namespace
