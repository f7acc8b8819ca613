#include "formats/directory/ZVRawHeader.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#include "support/DecimalCommaLocale.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace fs = std::filesystem;

namespace {

using namespace borealtek_zvraw_version_1;
using borealtek_calibrate_version_1::CALTYPE_ROOTMASS;

Bytes complemented(const Bytes& b) {
  Bytes out(b);
  for (auto& c : out) c = static_cast<std::uint8_t>(~c);
  return out;
}

class ZVRawHeaderTest : public TempDirTest {
 protected:
  // Reads text as the directory's _header.txt into a header of n functions.
  ZVRawHeader readText(const std::string& text, unsigned n = 1) {
    writeTextFile(dir() / TEXT_HEADER_FILE_NAME, text);
    ZVRawHeader h(n);
    EXPECT_EQ(h.readHeader(dir().string()), ZVRAW_OK);
    return h;
  }
  // The header as written to _header.txt of a fresh directory.
  std::string written(const ZVRawHeader& h) {
    const fs::path out = dir() / ("written" + std::to_string(writes_++));
    fs::create_directory(out);
    EXPECT_EQ(h.writeHeader(out.string(), false), ZVRAW_OK);
    return readTextFile(out / TEXT_HEADER_FILE_NAME);
  }
  const FunctionCalibration& cal(const ZVRawHeader& h, int i) {
    const FunctionCalibration* p = nullptr;
    EXPECT_EQ(h.getCalibration(i, p), ZVRAW_OK);
    static const FunctionCalibration none;
    return p ? *p : none;
  }

 private:
  int writes_ = 0;
};

TEST(ZVRawHeaderNames, TableAndSlotNumbering) {
  std::set<std::string> tags;
  for (std::size_t i = 0; i < availableItems.size(); ++i) {
    EXPECT_EQ(availableItems[i].nSlot, static_cast<int>(i));
    tags.insert(availableItems[i].pcTag);
    EXPECT_EQ(ZVRawHeader::NameToIndex(availableItems[i].pcTag, 7), static_cast<int>(i));
    EXPECT_STREQ(ZVRawHeader::IndexToName(static_cast<int>(i)), availableItems[i].pcTag);
  }
  EXPECT_EQ(tags.size(), 50u);
  EXPECT_EQ(ZVRawHeader::NameToIndex("SampleID", -1), 13);
  EXPECT_EQ(ZVRawHeader::NameToIndex("Corlith Func List", -1), 46);
  EXPECT_EQ(ZVRawHeader::NameToIndex(CAL_TEMPERATURE, -1), 29);

  struct Case {
    const char* name;
    int offset, slot;
  };
  const Case cases[] = {
      {CAL_FUNCTION, 0, 50},         {CAL_FUNCTION, 31, 81},     {CAL_FUNCTION, 32, -1},
      {CAL_FUNCTION, -1, -1},        {CAL_STDEV_FUNCTION, 0, 82}, {CAL_MODIFICATION, 31, 145},
      {CAL_SEGMENT, 22, 168},        {CAL_SEGMENT, 31, 177},     {CAL_COVARIANCES, 0, -1},
      {"version", -1, -1},           {"Version ", -1, -1},       {"", 0, -1},
      {nullptr, 0, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(ZVRawHeader::NameToIndex(c.name, c.offset), c.slot) << (c.name ? c.name : "null") << " " << c.offset;

  const std::pair<int, const char*> names[] = {{49, "Mux Stream"},          {50, CAL_FUNCTION},      {81, CAL_FUNCTION},
                                               {82, CAL_STDEV_FUNCTION},    {113, CAL_STDEV_FUNCTION}, {114, CAL_MODIFICATION},
                                               {145, CAL_MODIFICATION},     {146, CAL_SEGMENT},      {177, CAL_SEGMENT},
                                               {178, ""},                   {-1, ""}};
  for (const auto& [index, name] : names) EXPECT_STREQ(ZVRawHeader::IndexToName(index), name) << index;
}

TEST(ZVRawHeaderSlots, SetAndGetValues) {
  ZVRawHeader h(2);
  EXPECT_EQ(h.setNameValuePair(CAL_FUNCTION, "v", 0), ZVRAW_OK);
  EXPECT_STREQ(h.getNamedValue(CAL_FUNCTION, 0), "v");
  EXPECT_EQ(h.setNameValuePair(CAL_FUNCTION, "v", 32), ZVRAW_ERROR);
  EXPECT_EQ(h.setNameValuePair("SampleID", "S-17", -1), ZVRAW_OK);
  EXPECT_STREQ(h.getNamedValue(13), "S-17");
  EXPECT_STREQ(h.getNamedValue("SampleID", 5), "S-17");

  struct Refusal {
    const char* what;
    int rc;
    std::function<int(ZVRawHeader&)> call;
  };
  const Refusal refusals[] = {
      {"slot 169", ZVRAW_ERROR, [](auto& x) { return x.setNameValuePair(169, "x", -1); }},
      {"slot -1", ZVRAW_ERROR, [](auto& x) { return x.setNameValuePair(-1, "x", -1); }},
      {"unknown name", ZVRAW_ERROR, [](auto& x) { return x.setNameValuePair("Nope", "x", -1); }},
      {"segment past the last slot", ZVRAW_ERROR, [](auto& x) { return x.setNameValuePair(CAL_SEGMENT, "x", 23); }},
      {"null name", ZVRAW_ERROR, [](auto& x) { return x.setNameValuePair(static_cast<const char*>(nullptr), "x", -1); }},
      {"null value", ZVRAW_NULLPOINTER_ERROR, [](auto& x) { return x.setNameValuePair(13, nullptr, -1); }},
      {"line feed", ZVRAW_HEADERLINE_BADFORMAT, [](auto& x) { return x.setNameValuePair(13, "a\n$$ Version: 9", -1); }},
      {"carriage return", ZVRAW_HEADERLINE_BADFORMAT, [](auto& x) { return x.setNameValuePair(13, "a\rb", -1); }},
      {"named slot one past full", ZVRAW_STRING_TOO_LONG,
       [](auto& x) { return x.setNameValuePair(13, std::string(510, 'x').c_str(), -1); }},
      {"numbered slot one past full", ZVRAW_STRING_TOO_LONG,
       [](auto& x) { return x.setNameValuePair(CAL_MODIFICATION, std::string(508, 'x').c_str(), 0); }},
      {"two-digit number one past full", ZVRAW_STRING_TOO_LONG,
       [](auto& x) { return x.setNameValuePair(CAL_MODIFICATION, std::string(507, 'x').c_str(), 9); }},
  };
  for (const Refusal& r : refusals) {
    ZVRawHeader copy = h;
    EXPECT_EQ(r.call(copy), r.rc) << r.what;
    EXPECT_EQ(copy, h) << r.what << " changed the header";
  }
  // Exactly full slots are taken.
  EXPECT_EQ(h.setNameValuePair(13, std::string(509, 'x').c_str(), -1), ZVRAW_OK);
  EXPECT_EQ(h.setNameValuePair(CAL_MODIFICATION, std::string(507, 'y').c_str(), 0), ZVRAW_OK);
  EXPECT_EQ(std::string(h.getNamedValue(CAL_MODIFICATION, 0)), std::string(507, 'y'));
  EXPECT_EQ(h.setNameValuePair(CAL_SEGMENT, "last", 22), ZVRAW_OK);
  EXPECT_STREQ(h.getNamedValue(CAL_SEGMENT, 22), "last");

  // Items outside 0-49, empty items and names without a slot read as "".
  for (int item : {-1, 50, 168, 1000}) EXPECT_STREQ(h.getNamedValue(item), "") << item;
  EXPECT_STREQ(h.getNamedValue(0), "");
  EXPECT_STREQ(h.getNamedValue(CAL_SEGMENT, 30), "");
  EXPECT_STREQ(h.getNamedValue("Nope", -1), "");
  EXPECT_STREQ(h.getNamedValue(static_cast<const char*>(nullptr), -1), "");
  // A named item set with an offset is numbered but still reads back.
  EXPECT_EQ(h.setNameValuePair("Version", "x:y", 4), ZVRAW_OK);
  EXPECT_STREQ(h.getNamedValue("Version", -1), "x:y");
}

TEST(ZVRawHeaderSlots, CalibrationsCopiesAndEquality) {
  ZVRawHeader h(40);
  const FunctionCalibration sentinel;
  const FunctionCalibration* p = &sentinel;
  for (int bad : {-1, 40, 1 << 30}) {
    EXPECT_EQ(h.getCalibration(bad, p), ZVRAW_FUNCNUM_INVALID);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(h.setCalibration(bad, FunctionCalibration()), ZVRAW_FUNCNUM_INVALID);
  }
  FunctionCalibration c;
  c.setCalibration(0.5, 1.0, 0);
  ASSERT_EQ(h.setCalibration(3, c), ZVRAW_OK);
  EXPECT_STREQ(h.getNamedValue(CAL_FUNCTION, 3), "5.000000000000000E-01,1.000000000000000E+00,T0");
  // Every function up to 32 gets its slot, uncalibrated ones an empty value.
  EXPECT_STREQ(h.getNamedValue(CAL_FUNCTION, 0), "");
  EXPECT_STREQ(h.getNamedValue(CAL_FUNCTION, 31), "");
  ASSERT_EQ(h.setCalibration(35, c), ZVRAW_OK);  // past the slots, kept all the same
  ASSERT_EQ(h.getCalibration(35, p), ZVRAW_OK);
  EXPECT_EQ(*p, c);

  ZVRawHeader copy(h);
  EXPECT_EQ(copy, h);
  const auto& self = copy;
  copy = self;  // self-assignment keeps everything
  EXPECT_EQ(copy, h);
  ASSERT_EQ(copy.getCalibration(35, p), ZVRAW_OK);
  EXPECT_EQ(*p, c);
  ASSERT_EQ(copy.setNameValuePair(0, "2", -1), ZVRAW_OK);
  EXPECT_NE(copy, h);
  copy = h;
  FunctionCalibration other = c;
  other.Cov(0, -0.0);
  ASSERT_EQ(copy.setCalibration(35, other), ZVRAW_OK);
  EXPECT_NE(copy, h);
  EXPECT_NE(ZVRawHeader(2), ZVRawHeader(3));

  // A header without functions copies as one without functions.
  const ZVRawHeader none(0);
  ZVRawHeader noneCopy(none);
  EXPECT_EQ(noneCopy, none);
  EXPECT_EQ(noneCopy.setCalibration(0, c), ZVRAW_FUNCNUM_INVALID);
}

TEST_F(ZVRawHeaderTest, ReadsCalibrationLines) {
  struct Case {
    const char* what;
    std::string text;
    short order, type;
    double c0, c1;
    std::string rendered;
  };
  const std::string wide = "1," + std::string(252, '0') + ",T1";  // the last comma at 254
  const Case cases[] = {
      {"two coefficients", "$$ Cal Function 1: 1.0E+00,2.0E+00,T1\n", 1, 1, 1.0, 2.0,
       "1.000000000000000E+00,2.000000000000000E+00,T1"},
      {"C0 alone gives order 1", "$$ Cal Function 1: 5.0,T0\n", 1, 0, 5.0, 0.0, "5.000000000000000E+00,0.000000000000000E+00,T0"},
      {"all zero gives no calibration", "$$ Cal Function 1: 0,-0,T1\n", -1, 1, 0.0, 0.0, ""},
      {"leading blanks and hex", "$$   Cal Function 1:   0x10,  -2.5e1,T0\n", 1, 0, 16.0, -25.0,
       "1.600000000000000E+01,-2.500000000000000E+01,T0"},
      {"prefix numbers", "$$ Cal Function 1: 3abc,x,T1x\n", 1, 1, 3.0, 0.0, "3.000000000000000E+00,0.000000000000000E+00,T1"},
      {"lower-case marker", "$$ Cal Function 1: 3,4,t1\n", 1, 0, 3.0, 4.0, "3.000000000000000E+00,4.000000000000000E+00,T0"},
      {"missing marker", "$$ Cal Function 1: 3,4,\n", 1, 0, 3.0, 4.0, "3.000000000000000E+00,4.000000000000000E+00,T0"},
      {"marker inside the 256-character window", "$$ Cal Function 1: " + wide + "\n", 1, 1, 1.0, 0.0,
       "1.000000000000000E+00,0.000000000000000E+00,T1"},
      {"CRLF", "$$ Cal Function 1: 1,2,T1\r\n", 1, 1, 1.0, 2.0, "1.000000000000000E+00,2.000000000000000E+00,T1"},
      {"no $$", "Cal Function 1: 1,2,T1\n", -1, 0, 0.0, 0.0, ""},
      {"no comma", "$$ Cal Function 1: 1.0E+00\n", -1, 0, 0.0, 0.0, ""},
      {"no number", "$$ Cal Function: 1,2,T1\n", -1, 0, 0.0, 0.0, ""},
      {"number 0", "$$ Cal Function 0: 1,2,T1\n", -1, 0, 0.0, 0.0, ""},
      {"number above the count", "$$ Cal Function 2: 1,2,T1\n", -1, 0, 0.0, 0.0, ""},
      {"negative number", "$$ Cal Function -1: 1,2,T1\n", -1, 0, 0.0, 0.0, ""},
      {"number past int", "$$ Cal Function 4294967297: 1,2,T1\n", -1, 0, 0.0, 0.0, ""},
      {"20-digit number", "$$ Cal Function 00000000000000000001: 1,2,T1\n", 1, 1, 1.0, 2.0,
       "1.000000000000000E+00,2.000000000000000E+00,T1"},
      {"20-digit number past int", "$$ Cal Function 12345678901234567890: 1,2,T1\n", -1, 0, 0.0, 0.0, ""},
      {"blank before the colon", "$$ Cal Function 1 : 1,2,T1\n", 1, 1, 1.0, 2.0,
       "1.000000000000000E+00,2.000000000000000E+00,T1"},
  };
  for (const Case& c : cases) {
    const ZVRawHeader h = readText(c.text);
    const FunctionCalibration& f = cal(h, 0);
    EXPECT_EQ(f.calOrder(), c.order) << c.what;
    EXPECT_EQ(f.calType(), c.type) << c.what;
    EXPECT_EQ(f.C0(), c.c0) << c.what;
    EXPECT_EQ(f.C1(), c.c1) << c.what;
    EXPECT_STREQ(h.getNamedValue(CAL_FUNCTION, 0), c.rendered.c_str()) << c.what;
  }
}

TEST_F(ZVRawHeaderTest, PolynomialFieldEdges) {
  // Orders from the highest non-zero coefficient; fields past C6 are ignored.
  const std::pair<std::string, short> orders[] = {
      {"1,0,3,0,T0", 2}, {"0,0,0,0,0,0,7,T0", 6}, {"0,0,0,0,0,0,0,9,9,9,T0", -1}, {"nan,T0", 1}, {"0,nan,T0", 1},
  };
  for (const auto& [value, order] : orders) EXPECT_EQ(cal(readText("$$ Cal Function 1: " + value + "\n"), 0).calOrder(), order) << value;

  // 300 commas: the first seven fields are the coefficients, the marker
  // follows the last comma of the first 256 characters.
  std::string many;
  for (int i = 1; i <= 300; ++i) many += std::to_string(i % 10) + ",";
  many.insert(256, "T1");  // after the comma at 255, the last one looked at
  const ZVRawHeader h300 = readText("$$ Cal Function 1: " + many + "\n");
  const FunctionCalibration& f = cal(h300, 0);
  EXPECT_EQ(f.calOrder(), 6);
  EXPECT_EQ(f.calType(), CALTYPE_ROOTMASS);
  EXPECT_EQ(f.C6(), 7.0);

  // A comma at 255 with "T1" at 256-257 still counts; one past the window does not.
  const std::string edge = "1," + std::string(253, '0') + ",T1";
  EXPECT_EQ(cal(readText("$$ Cal Function 1: " + edge + "\n"), 0).calType(), CALTYPE_ROOTMASS);
  const std::string past = "1" + std::string(255, '0') + ",T1";
  EXPECT_EQ(cal(readText("$$ Cal Function 1: " + past + "\n"), 0).calOrder(), -1);

  // The text written for an order past 6 reads back as the same polynomial.
  ZVRawHeader h(1);
  FunctionCalibration high;
  high.getImp().m_fC = {1, 2, 3, 4, 5, 6, 7};
  high.calOrder() = 30;
  ASSERT_EQ(h.setCalibration(0, high), ZVRAW_OK);
  ASSERT_EQ(h.writeHeader(dir().string(), false), ZVRAW_OK);
  ZVRawHeader back(1);
  ASSERT_EQ(back.readHeader(dir().string()), ZVRAW_OK);
  EXPECT_EQ(cal(back, 0).getImp().m_fC, high.getImp().m_fC);
  EXPECT_EQ(cal(back, 0).calOrder(), 6);
}

TEST_F(ZVRawHeaderTest, OtherCalibrationLines) {
  const std::string hundred = "1" + std::string(99, '0');  // 1e99 whole, 1e62 when cut at 63
  std::string forty;
  for (int i = 0; i < 40; ++i) forty += std::to_string(i + 1) + ",";
  const ZVRawHeader h = readText(
      "$$ Cal Function 1: 1,2,T0\n"
      "$$ Cal Temperature: 30.5\n"
      "$$ Cal Function 2: 3,4,T0\n"
      "$$ Cal Modification 1: 1,2,T1\n"
      "$$ Cal Modification 2: 5.0\n"
      "$$ Cal StdDev Function 2:  0.125\n"
      "$$ Cal CoVar 1: 1.5,-2,," + hundred + ",x,7,\n"
      "$$ Cal CoVar 2: " + forty + "\n"
      "$$ Cal CoVar 3: 9\n"
      "$$ Cal Segment 1: 100\n"
      "$$ Cal StdDev Function 1 3: 2\n",
      2);
  const FunctionCalibration& a = cal(h, 0);
  const FunctionCalibration& b = cal(h, 1);
  // The temperature reaches only the lines after it.
  EXPECT_EQ(a.calTemp(), 0.0);
  EXPECT_EQ(b.calTemp(), 30.5);
  EXPECT_STREQ(h.getNamedValue(CAL_TEMPERATURE, -1), "30.5");
  EXPECT_EQ(a.modOrder(), 1);
  EXPECT_EQ(a.modType(), CALTYPE_ROOTMASS);
  EXPECT_EQ(a.M1(), 2.0);
  EXPECT_EQ(b.modOrder(), -1);  // no comma: unchanged
  EXPECT_EQ(b.stdDev(), 0.125);
  EXPECT_EQ(a.stdDev(), 2.0);  // "1 3": the number stops at the blank
  const double expectedA[] = {1.5, -2, 0, 1e62, 0, 7, 0};
  for (unsigned short i = 0; i < 7; ++i) EXPECT_EQ(a.Cov(i), expectedA[i]) << i;
  for (unsigned short i = 0; i < 28; ++i) EXPECT_EQ(b.Cov(i), i + 1.0) << i;
  // Only "Cal Function" lines keep slot text.
  EXPECT_STREQ(h.getNamedValue(CAL_MODIFICATION, 0), "");
  EXPECT_STREQ(h.getNamedValue(CAL_STDEV_FUNCTION, 1), "");
  EXPECT_STREQ(h.getNamedValue(CAL_SEGMENT, 0), "");
  EXPECT_STREQ(h.getNamedValue(CAL_FUNCTION, 1), "3.000000000000000E+00,4.000000000000000E+00,T0");
}

TEST_F(ZVRawHeaderTest, NamedLines) {
  const std::string value1022(1022 - std::string("$$ Sample Description: ").size(), 'v');
  const ZVRawHeader h = readText(
      "comment line\n"
      "\n"
      "$$ Version: 1.0\r\n"
      "$$Acquired Name:x:y\n"
      "$$ Job Code :dropped\n"
      "$$ Task Code\n"
      "$$ No Such Tag: z\n"
      "$ User Name: single dollar\n"
      "$$ Instrument: \t \n"
      "$$ Sample Description: " + value1022 + "\n"
      "$$ Submitter: " + std::string(1023 - 14, 's') + "\n"
      "$$ Conditions: a" + std::string(1, '\0') + "b\n"
      "$$ Bottle Number: last line without LF");
  EXPECT_STREQ(h.getNamedValue("Version", -1), "1.0");
  EXPECT_STREQ(h.getNamedValue("Acquired Name", -1), "x:y");
  EXPECT_STREQ(h.getNamedValue("Job Code", -1), "");
  EXPECT_STREQ(h.getNamedValue("Task Code", -1), "");
  EXPECT_STREQ(h.getNamedValue("User Name", -1), "");
  EXPECT_STREQ(h.getNamedValue("Instrument", -1), "");
  EXPECT_NE(written(h).find("\n$$ Instrument: \n"), std::string::npos);  // empty, but set
  // A 1022-character line is read, its value cut to fill the slot; 1023 are skipped.
  EXPECT_EQ(std::string(h.getNamedValue("Sample Description", -1)), std::string(509, 'v'));
  EXPECT_STREQ(h.getNamedValue("Submitter", -1), "");
  EXPECT_STREQ(h.getNamedValue("Conditions", -1), "a");
  EXPECT_STREQ(h.getNamedValue("Bottle Number", -1), "last line without LF");
}

TEST_F(ZVRawHeaderTest, ReadingKeepsSlotsTheFileDoesNotName) {
  ZVRawHeader h(1);
  ASSERT_EQ(h.setNameValuePair("Version", "9", -1), ZVRAW_OK);
  ASSERT_EQ(h.setNameValuePair("Spare2", "kept", -1), ZVRAW_OK);
  writeTextFile(dir() / TEXT_HEADER_FILE_NAME, "$$ Version: 1\n");
  ASSERT_EQ(h.readHeader(dir().string()), ZVRAW_OK);
  EXPECT_STREQ(h.getNamedValue("Version", -1), "1");
  EXPECT_STREQ(h.getNamedValue("Spare2", -1), "kept");
}

TEST_F(ZVRawHeaderTest, BothFileFormsRoundTrip) {
  ZVRawHeader h(3);
  ASSERT_EQ(h.setNameValuePair("Version", "01.00", -1), ZVRAW_OK);
  ASSERT_EQ(h.setNameValuePair(CAL_TEMPERATURE, "25", -1), ZVRAW_OK);
  ASSERT_EQ(h.setNameValuePair("Mux Stream", std::string(509, 'm').c_str(), -1), ZVRAW_OK);
  FunctionCalibration c;
  c.setCalibration(1e-3, 0.9999, -3e-9, CALTYPE_ROOTMASS);
  c.setTemperature(25.0);
  ASSERT_EQ(h.setCalibration(2, c), ZVRAW_OK);

  const fs::path txtDir = dir() / "txt", infDir = dir() / "inf";
  fs::create_directory(txtDir);
  fs::create_directory(infDir);
  ASSERT_EQ(h.writeHeader(txtDir.string(), false), ZVRAW_OK);
  ASSERT_EQ(h.writeHeader(infDir.string(), true), ZVRAW_OK);
  const Bytes txt = readFile(txtDir / TEXT_HEADER_FILE_NAME);
  EXPECT_EQ(readFile(infDir / ENCRYPTED_HEADER_FILE_NAME), complemented(txt));
  EXPECT_FALSE(fs::exists(infDir / TEXT_HEADER_FILE_NAME));
  EXPECT_EQ(std::string(txt.begin(), txt.begin() + 15), "$$ Version: 01.");
  EXPECT_NE(readTextFile(txtDir / TEXT_HEADER_FILE_NAME)
                .find("$$ Cal Function 1: \n$$ Cal Function 2: \n$$ Cal Function 3: 1.000000000000000E-03,"),
            std::string::npos);

  ZVRawHeader fromTxt(3), fromInf(3);
  ASSERT_EQ(fromTxt.readHeader(txtDir.string()), ZVRAW_OK);
  ASSERT_EQ(fromInf.readHeader(infDir.string()), ZVRAW_OK);
  EXPECT_EQ(fromTxt, fromInf);
  EXPECT_EQ(fromTxt, h);
}

TEST_F(ZVRawHeaderTest, WhichFileIsRead) {
  const std::string inf = "$$ Version: from inf\n";
  writeFile(dir() / ENCRYPTED_HEADER_FILE_NAME, complemented(Bytes(inf.begin(), inf.end())));
  writeTextFile(dir() / TEXT_HEADER_FILE_NAME, "$$ Version: from txt\n");
  ZVRawHeader h(0);
  ASSERT_EQ(h.readHeader(dir().string()), ZVRAW_OK);
  EXPECT_STREQ(h.getNamedValue(0), "from inf");
  fs::remove(dir() / ENCRYPTED_HEADER_FILE_NAME);
  ASSERT_EQ(h.readHeader(dir().string()), ZVRAW_OK);
  EXPECT_STREQ(h.getNamedValue(0), "from txt");
  fs::rename(dir() / TEXT_HEADER_FILE_NAME, dir() / "_HEADER.TXT");  // found in upper case
  ASSERT_EQ(h.readHeader(dir().string()), ZVRAW_OK);
  fs::remove(dir() / "_HEADER.TXT");
  EXPECT_EQ(h.readHeader(dir().string()), ZVRAW_HEADERFILE_FILEOPEN_ERROR);
  EXPECT_EQ(h.readHeader(""), ZVRAW_FILENAME_ERROR);
  // 243 + "/_header.inf" is 255 characters; one more is too long.
  EXPECT_EQ(h.readHeader(std::string(243, 'd')), ZVRAW_HEADERFILE_FILEOPEN_ERROR);
  EXPECT_EQ(h.readHeader(std::string(244, 'd')), ZVRAW_FILENAME_ERROR);
  EXPECT_STREQ(h.getNamedValue(0), "from txt");  // failed reads change nothing
}

TEST_F(ZVRawHeaderTest, OversizedFileIsRefused) {
  writeTextFile(dir() / TEXT_HEADER_FILE_NAME, "$$ Version: 1\n");
  fs::resize_file(dir() / TEXT_HEADER_FILE_NAME, ZVRawHeader::kMaxHeaderFileSize + 1);  // sparse
  ZVRawHeader h(1);
  EXPECT_EQ(h.readHeader(dir().string()), ZVRAW_HEADERFILE_READERROR);
  EXPECT_EQ(h, ZVRawHeader(1));
  fs::resize_file(dir() / TEXT_HEADER_FILE_NAME, ZVRawHeader::kMaxHeaderFileSize);
  EXPECT_EQ(h.readHeader(dir().string()), ZVRAW_OK);
  EXPECT_STREQ(h.getNamedValue(0), "1");
}

TEST_F(ZVRawHeaderTest, WriteFailures) {
  ZVRawHeader h(1);
  ASSERT_EQ(h.setNameValuePair("Sample Description", std::string(400, 'x').c_str(), -1), ZVRAW_OK);
  EXPECT_EQ(h.writeHeader("", false), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(h.writeHeader(std::string(244, 'd'), true), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(h.writeHeader(path("missing"), false), ZVRAW_FILEOPEN_ERROR);

  // A file-size limit below the header's size makes the write fail; the
  // previous header stays as it was and no temporary file is left.
  writeTextFile(dir() / TEXT_HEADER_FILE_NAME, "$$ Version: old\n");
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit low = saved;
  low.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &low), 0);
  const int rcTxt = h.writeHeader(dir().string(), false);
  const int rcInf = h.writeHeader(dir().string(), true);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(rcTxt, ZVRAW_FILEWRITE_ERROR);
  EXPECT_EQ(rcInf, ZVRAW_FILEWRITE_ERROR);
  EXPECT_EQ(readTextFile(dir() / TEXT_HEADER_FILE_NAME), "$$ Version: old\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()), 1);
}

TEST_F(ZVRawHeaderTest, NumbersIgnoreTheCallersLocale) {
  const DecimalCommaLocale locale;
  if (!locale.active()) return missingDecimalCommaLocale();
  const ZVRawHeader h = readText(
      "$$ Cal Temperature: 21.5\n"
      "$$ Cal Function 12: 1.5,2.25,T0\n"
      "$$ Cal StdDev Function 12: 0.5\n"
      "$$ Cal CoVar 12: 0.75,1.25\n",
      12);
  const FunctionCalibration& f = cal(h, 11);
  EXPECT_EQ(f.C0(), 1.5);
  EXPECT_EQ(f.C1(), 2.25);
  EXPECT_EQ(f.calTemp(), 21.5);
  EXPECT_EQ(f.stdDev(), 0.5);
  EXPECT_EQ(f.Cov(1), 1.25);
  EXPECT_STREQ(h.getNamedValue(CAL_FUNCTION, 11), "1.500000000000000E+00,2.250000000000000E+00,T0");
}

}  // namespace

namespace {

using namespace borealtek_zvraw_version_1;

class ZVRawHeaderRewriteTest : public TempDirTest {};

TEST_F(ZVRawHeaderRewriteTest, WritingTextRemovesAStaleInvertedHeader) {
  // An old inverted header, in either spelling, would be read in preference.
  for (const char* stale : {"_header.inf", "_HEADER.INF"}) {
    const std::string old = "$$ Version: old\n";
    Bytes bytes(old.begin(), old.end());
    for (auto& b : bytes) b = static_cast<std::uint8_t>(~b);
    writeFile(dir() / stale, bytes);
    ZVRawHeader h(0);
    ASSERT_EQ(h.setNameValuePair("Version", "new", -1), ZVRAW_OK);
    ASSERT_EQ(h.writeHeader(dir().string(), false), ZVRAW_OK);
    EXPECT_FALSE(std::filesystem::exists(dir() / stale)) << stale;
    ZVRawHeader back(0);
    ASSERT_EQ(back.readHeader(dir().string()), ZVRAW_OK);
    EXPECT_STREQ(back.getNamedValue("Version", -1), "new");
  }
}

}  // namespace
