// The analog reader through the C interface: channel counts, samples in the
// reader's buffers, description and units texts, and damaged channel files.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

#include "api/ReaderTestSupport.h"
#include "formats/statistics/ZVRawAnalog.h"
#include "support/Corruption.h"

namespace fs = std::filesystem;
using borealtek_zvraw_version_1::AnalogHeader;

namespace {

// A channel's text, or its result code in angle brackets.
std::string text(CZorvalenBaseReader r, int channel, bool units) {
  char* p = nullptr;
  const int rc = units ? getChannelUnits(r, channel, &p) : getChannelDesciption(r, channel, &p);
  return rc == ZVRAW_OK ? std::string(p) : "<" + std::to_string(rc) + ">";
}

class AnalogReader : public ReaderTest {};

// Channels "Channel c + 1" of 5 samples (sample i: time 0.1 i, value 8 (c + i));
// channel 2 has lost its samples file.
TEST_F(AnalogReader, ChannelCallsByChannelNumber) {
  RawDirectoryFixture fx = twoFunctions();
  write(fx.analogChannels(3, 5));
  fs::remove(raw() / "_CHRO003.DAT");
  CZorvalenBaseReader r = open(ZorvalenBaseType::ANALOG);
  struct Case {
    int channel, rc, size;
    std::string description, units;
  } cases[] = {
      {1, ZVRAW_OK, 5, "Channel 2", ""},         {2, ZVRAW_OK, 0, "Channel 3", ""},
      {3, ZVRAW_FUNCNUM_INVALID, -1, "<14>", "<14>"}, {INT_MAX, ZVRAW_FUNCNUM_INVALID, -1, "<14>", "<14>"},
      {-1, ZVRAW_FUNCNUM_INVALID, -1, "<14>", "<14>"},  // names no channel either
      {INT_MIN, ZVRAW_FUNCNUM_INVALID, -1, "<14>", "<14>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channel);
    const float *times = reinterpret_cast<const float*>(0x1), *values = times;
    int size = -1;
    EXPECT_EQ(readChannel(r, c.channel, &times, &values, &size), c.rc);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(times == nullptr && values == nullptr, c.size <= 0);
    EXPECT_EQ(text(r, c.channel, false), c.description);
    EXPECT_EQ(text(r, c.channel, true), c.units);
  }
  // Both reads share the reader's two buffers, and both texts its holder.
  const float *t0 = nullptr, *v0 = nullptr, *t1 = nullptr, *v1 = nullptr;
  int n = 0, count = 0;
  ASSERT_EQ(readChannel(r, 0, &t0, &v0, &n), ZVRAW_OK);
  ASSERT_EQ(readChannel(r, 1, &t1, &v1, &n), ZVRAW_OK);
  EXPECT_TRUE(t0 == t1 && v0 == v1);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(t0[i] == 0.1f * static_cast<float>(i) && v0[i] == 8.0f * (1 + i)) << i;
  char *description = nullptr, *units = nullptr;
  ASSERT_EQ(getChannelDesciption(r, 0, &description), ZVRAW_OK);
  ASSERT_EQ(getChannelUnits(r, 0, &units), ZVRAW_OK);
  EXPECT_TRUE(description == units && *description == '\0');
  EXPECT_EQ(getChannelCount(r, &count), ZVRAW_OK);
  EXPECT_EQ(count, 3);
  // A run without analog channels.
  for (const char* name : {"_CHROMS.INF", "_CHRO001.DAT", "_CHRO002.DAT"}) fs::remove(raw() / name);
  CZorvalenBaseReader none = open(ZorvalenBaseType::ANALOG);
  EXPECT_EQ(getChannelCount(none, &count), ZVRAW_OK);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(readChannel(none, 0, &t0, &v0, &n), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(text(none, 0, false) + text(none, 0, true), "<14><14>");
}

// 81 description bytes without a NUL are a text of 81 characters with no
// units; units follow the control text's fifth comma.
TEST_F(AnalogReader, DescriptionsFillTheWholeFieldAndUnitsFollowTheControlText) {
  write(twoFunctions());
  AnalogHeader headers[2];
  std::memset(headers[0].Description, 'D', sizeof headers[0].Description);
  const char controlled[] = "Pressure\0$CC$,1.0,0,0,0,bar";
  std::memcpy(headers[1].Description, controlled, sizeof controlled);
  ASSERT_EQ(borealtek_zvraw_version_1::ZVRawAnalog().writeChromInf(rawPath(), headers, 2), ZVRAW_OK);
  CZorvalenBaseReader r = open(ZorvalenBaseType::ANALOG);
  EXPECT_EQ(text(r, 0, false), std::string(sizeof headers[0].Description, 'D'));
  EXPECT_EQ(text(r, 0, true), "");
  EXPECT_EQ(text(r, 1, false), "Pressure");
  EXPECT_EQ(text(r, 1, true), "bar");
}

// Damaged channel files: every call gives a code and reads nothing out of
// bounds (damaged channels read as missing ones).
TEST_F(AnalogReader, DamagedChannelFilesGiveCodes) {
  RawDirectoryFixture fx = twoFunctions();
  write(fx.analogChannels(2, 3));
  const auto readAll = [&] {
    CZorvalenBaseReader r = nullptr;
    int count = 0, last = createRawReaderFromPath(rawPath().c_str(), &r, ZorvalenBaseType::ANALOG);
    if (last != ZVRAW_OK || (last = getChannelCount(r, &count)) != ZVRAW_OK) return last;
    for (int c = -1; c <= count; ++c) {
      const float *times = nullptr, *values = nullptr;
      int n = 0;
      const int rc = readChannel(r, c, &times, &values, &n);
      volatile float sum = 0;  // every sample read, so ASan sees a short array
      for (int i = 0; rc == ZVRAW_OK && i < n; ++i) sum = sum + times[i] + values[i];
      if (c >= 0 && c < count && rc != ZVRAW_OK) last = rc;
      (void)(text(r, c, false) + text(r, c, true));
    }
    EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
    return last;
  };
  for (const char* name : {"_CHROMS.INF", "_CHRO001.DAT"}) expectDamagedFileSurvives(raw() / name, readAll, 0xA7A1u, 60);
}

}  // namespace
