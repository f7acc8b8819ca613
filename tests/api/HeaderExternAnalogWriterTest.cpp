// The header, instrument-settings and analog-trace writers: exact bytes,
// locale independence, refused input and injected write failures.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "api/ZorvalenRawAnalogWriterImp.h"
#include "api/ZorvalenRawExternWriterImp.h"
#include "api/ZorvalenRawHeaderWriterImp.h"
#include "cluster/ZVRawDataCluster.h"
#include "formats/directory/ZVRawExternInfo.h"
#include "support/DecimalCommaLocale.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using namespace Vardex::Lib::ZorvalenRaw;
using namespace borealtek_zvraw_version_1;
using Sets = std::vector<std::vector<std::pair<int, std::string>>>;

namespace {

constexpr int kLteff = 1107, kVeff = 1108, kResolution = 1109;
const std::string kFirst = "Created by Zorvalen SDK\n", kSecond = "Instrument Configuration:\n";

Parameters set(const std::vector<std::pair<int, std::string>>& keys) {
  Parameters p;
  for (const auto& [k, v] : keys) p.SetValue(k, v);
  return p;
}

class WriterFiles : public TempDirTest {};

TEST_F(WriterFiles, ExternFileBytesInAnyLocale) {
  const struct {
    const char* what;
    Sets sets;
    int rc;  // of the last SetValues
    std::string lines;
  } cases[] = {
      {"no value", {}, ZVRAW_OK, ""},
      {"resolution only", {{{kResolution, "20000"}}}, ZVRAW_OK, "Resolution\t\t\t20000\n"},
      {"last Lteff holds", {{{kLteff, "1.0"}}, {{kLteff, "2.0"}}}, ZVRAW_OK, "Lteff\t\t\t2\n"},
      {"three values",
       {{{kResolution, "20000"}, {kVeff, "7200"}, {kLteff, "1800.5"}}},
       ZVRAW_OK,
       "Lteff\t\t\t1800.5\nVeff\t\t\t7200\nResolution\t\t\t20000\n"},
      {"general format", {{{kLteff, "1000000"}, {kVeff, "1.5"}, {kResolution, "10000"}}}, ZVRAW_OK,
       "Lteff\t\t\t1e+06\nVeff\t\t\t1.5\nResolution\t\t\t10000\n"},
      {"not a float", {{{kLteff, "5"}, {kVeff, "abc"}, {kResolution, "3"}}}, ZVRAW_PARAMETER_INVALID, "Lteff\t\t\t5\n"},
      {"not finite", {{{kLteff, "nan"}}, {{kVeff, "inf"}}}, ZVRAW_PARAMETER_INVALID, ""},
      {"key 1106", {{{1106, "5"}, {kLteff, "5"}}}, ZVRAW_PARAMETER_NOT_DEFINED, ""},
  };
  for (const bool comma : {false, true}) {
    DecimalCommaLocale locale;
    if (!comma) std::setlocale(LC_ALL, "C");
    if (comma && !locale.active()) GTEST_SKIP() << "no decimal-comma locale";
    for (const auto& c : cases) {
      ZorvalenRawExternWriterImp w;
      int rc = ZVRAW_OK;
      for (const auto& keys : c.sets) rc = w.SetValues(set(keys));
      EXPECT_EQ(rc, c.rc) << c.what;
      ASSERT_EQ(w.Write(dir().string()), ZVRAW_OK) << c.what;
      EXPECT_EQ(readTextFile(dir() / "_extern.inf"), kFirst + (c.lines.empty() ? "" : kSecond + c.lines))
          << c.what << comma;
    }
  }
  ZVRawExternInfo info;  // the last case left only the first line: write the example again
  ZorvalenRawExternWriterImp w;
  ASSERT_EQ(w.SetValues(set({{kLteff, "1800.5"}, {kVeff, "7200"}, {kResolution, "20000"}})), ZVRAW_OK);
  ASSERT_EQ(w.Write(dir().string()), ZVRAW_OK);
  ASSERT_EQ(info.readExternInfo(dir().string().c_str(), 0), ZVRAW_OK);
  EXPECT_TRUE(info.getLteff() == 1800.5f && info.getVeff() == 7200.0f && info.getTofResolution() == 20000.0f);
}

// Trace k goes to _CHRO(k+1).DAT; refused traces leave no channel and give
// their number to the next one.
TEST_F(WriterFiles, AnalogChannelsAndTheirDescriptions) {
  const std::string d79(79, 'a'), d80(80, 'b'), d100(100, 'c');
  const float t[] = {0.5f, 1.0f}, v[] = {3.0f, -4.0f};
  const struct {
    std::string description;
    const char* type;
    int n;
    const float* times;
    int rc;
    std::string field;  // the bytes up to the control text's NUL
    const char* units;
  } traces[] = {
      {"UV 254", "1251", 2, t, ZVRAW_OK, std::string("UV 254\0$CC$,1.000000,3,0,0,mV", 30), "mV"},
      {"refused", "1250", -1, t, ZVRAW_PARAMETER_INVALID, "", ""},
      {"null", "1250", 2, nullptr, ZVRAW_NULLPOINTER_ERROR, "", ""},
      {d79, "1252", 0, nullptr, ZVRAW_OK, d79, ""},
      {d80, "x", 1, t, ZVRAW_OK, d80, ""},
      {d100, "1250", 2, t, ZVRAW_OK, d100.substr(0, 80), ""},
      {std::string(58, 'e'), "", 2, t, ZVRAW_OK, std::string(58, 'e') + '\0' + "$CC$,1.000000,3,0,0,m", "m"},
  };
  ZorvalenRawAnalogWriterImp w;
  ASSERT_EQ(w.Initialise(dir().string()), ZVRAW_OK);
  for (const auto& c : traces) {
    ASSERT_EQ(w.AppendChannel(set({{1201, c.description}, {1203, "mV"}, {1204, c.type}})), ZVRAW_OK);
    EXPECT_EQ(w.AddTrace(c.times, v, c.n), c.rc) << c.description;
    if (c.rc != ZVRAW_OK) continue;
    const AnalogHeader& h = w.GetHeaders().back();
    EXPECT_EQ(std::string(h.Description, c.field.size() + 1), c.field + '\0') << c.description;
    EXPECT_EQ(h.Units(), c.units) << c.description;
  }
  EXPECT_EQ(w.AddTrace(t, v, 2), ZVRAW_ERROR);  // no channel appended for it
  ASSERT_EQ(w.Close(), ZVRAW_OK);
  EXPECT_EQ(w.GetCurrentChannel(), 4);
  EXPECT_FALSE(fs::exists(dir() / "_CHRO006.DAT"));

  ZVRawAnalog back;  // the channel list as the cluster reads it
  ASSERT_EQ(back.read(dir().string()), ZVRAW_OK);
  ASSERT_EQ(back.getNumberOfChannels(), 5);
  const int flags[] = {2, 4, 0, 1, 0}, lengths[] = {2, 0, 1, 2, 2};
  for (int c = 0; c < 5; ++c) {
    const AnalogHeader* h = nullptr;
    back.getChannelHeader(c, h);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(std::memcmp(h->Description, w.GetHeaders()[c].Description, sizeof h->Description), 0) << c;
    EXPECT_EQ(h->Analog + 2 * h->ELSD + 4 * h->Readback, flags[c]) << c;
    EXPECT_EQ(back.getChannelLength(c), lengths[c]) << c;
  }
}

// Each file these writers rewrite whole: under a file-size limit and with
// its name taken by a directory, the call fails and the file keeps what it held.
TEST_F(WriterFiles, FailedWritesReturnTheFailureAndKeepThePreviousFile) {
  ZVRawDataCluster cluster;
  ZVRawWriteInterface wi(cluster);
  ZorvalenRawHeaderWriterImp header(&wi);
  ZorvalenRawExternWriterImp externs;
  ZorvalenRawAnalogWriterImp analog;
  const float t[64] = {}, v[64] = {};
  const struct {
    const char* file;
    std::function<int()> write;  // writes the file again, larger
  } files[] = {
      {"_header.txt", [&] { return header.SetHeader(set({{310, std::string(200, 's')}})), header.Close(); }},
      {"_extern.inf", [&] { return externs.SetValues(set({{kVeff, "7"}})), externs.Write(dir().string()); }},
      {"_CHROMS.INF", [&] { return analog.AppendChannel({}), analog.AddTrace(t, v, 1), analog.Close(); }},
      {"_CHRO001.DAT", [&] { return analog.Initialise(dir().string()), analog.AppendChannel({}),
                            analog.AddTrace(t, v, 64); }},
  };
  ASSERT_EQ(wi.prepareDataCluster(dir().string().c_str(), 0), ZVRAW_OK);
  for (const auto& f : files) {
    const fs::path p = dir() / f.file;
    ASSERT_EQ(analog.Initialise(dir().string()), ZVRAW_OK);
    ASSERT_EQ(header.Close() + externs.Write(dir().string()), ZVRAW_OK);
    ASSERT_EQ(analog.AppendChannel({}) + analog.AddTrace(t, v, 1) + analog.Close(), ZVRAW_OK);
    const std::string before = readTextFile(p);
    {
      const FileSizeLimit limit(before.size() + 8);
      ASSERT_TRUE(limit.ok());
      EXPECT_EQ(f.write(), ZVRAW_FILEWRITE_ERROR) << f.file;
    }
    EXPECT_EQ(readTextFile(p), before) << f.file;
    fs::remove(p);
    fs::create_directory(p);
    EXPECT_NE(f.write(), ZVRAW_OK) << f.file;
    fs::remove(p);
  }
  const std::string longDir = path(std::string(250, 'd'));
  EXPECT_EQ(externs.Write(""), ZVRAW_EXTERNFILE_FILEOPEN_ERROR);
  EXPECT_EQ(externs.Write(path("missing")), ZVRAW_EXTERNFILE_FILEOPEN_ERROR);
  EXPECT_EQ(externs.Write(longDir), ZVRAW_EXTERNFILE_FILEOPEN_ERROR);
}

}  // namespace
