// Damaged and hostile header files: every cut and a seeded set of random
// corruptions of both file forms must read without a sanitizer finding, and
// whatever was read must write a header that reads back the same.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "formats/directory/ZVRawHeader.h"
#include "support/Corruption.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace fs = std::filesystem;

namespace {

using namespace borealtek_zvraw_version_1;

constexpr unsigned kFunctions = 3;

std::string hostileHeader() {
  std::string commas;
  for (int i = 0; i < 300; ++i) commas += "1,";
  std::string wideCoVar;  // 100-character fields: cut at 63 they lose the exponent
  for (int i = 0; i < 9; ++i) wideCoVar += "0." + std::string(96, '1') + "e1,";
  std::ostringstream text;
  text << "$$ Version: 01.00\n"
       << "$$ Acquired Name: sample-07\n"
       << "$$ Cal Temperature: 24.75\n"
       << "$$ Sample Description: " << std::string(1022 - 23, 'd') << "\n"
       << "$$ Cal Function 1: 1.000000000000000E-03,9.999000000000000E-01,-3.0E-09,T1\n"
       << "$$ Cal Function 2: " << commas << "T1\n"
       << "$$ Cal Function 12345678901234567890: 1,2,T0\n"
       << "$$ Cal Modification 1: 1.0E-04,1.0,T0\n"
       << "$$ Cal StdDev Function 1: 1.25E-03\n"
       << "$$ Cal CoVar 1: 1.0,2.0,3.0,-4.0e-2\n"
       << "$$ Cal CoVar 3: " << wideCoVar << "\n"
       << "$$ Cal Segment 1: 7\n"
       << "# a comment\n"
       << "$$ Mux Stream: last\n";
  return text.str();
}

Bytes complemented(const std::string& text) {
  Bytes out(text.begin(), text.end());
  for (auto& b : out) b = static_cast<std::uint8_t>(~b);
  return out;
}

class ZVRawHeaderCorruptionTest : public TempDirTest {
 protected:
  // Reads damaged bytes as the given header file; on success the header
  // must write out and read back to the same file text.
  int readDamaged(const Bytes& damaged, const char* fileName) {
    const fs::path in = dir() / (std::string("in") + fileName), out = dir() / "out";
    fs::create_directories(in);
    fs::create_directories(out);
    writeFile(in / fileName, damaged);
    ZVRawHeader h(kFunctions);
    const int rc = h.readHeader(in.string());
    if (rc != ZVRAW_OK) return rc;
    EXPECT_EQ(h.writeHeader(out.string(), false), ZVRAW_OK);
    const std::string first = readTextFile(out / TEXT_HEADER_FILE_NAME);
    ZVRawHeader again(kFunctions);
    EXPECT_EQ(again.readHeader(out.string()), ZVRAW_OK);
    EXPECT_EQ(again.writeHeader(out.string(), false), ZVRAW_OK);
    EXPECT_EQ(readTextFile(out / TEXT_HEADER_FILE_NAME), first);
    std::istringstream lines(first);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 3u + 23u + ZVRawHeader::kSlotTextSize);
    return rc;
  }
};

TEST_F(ZVRawHeaderCorruptionTest, HostileFixtureReadsAsIntended) {
  writeTextFile(dir() / TEXT_HEADER_FILE_NAME, hostileHeader());
  ZVRawHeader h(kFunctions);
  ASSERT_EQ(h.readHeader(dir().string()), ZVRAW_OK);
  const FunctionCalibration* c = nullptr;
  ASSERT_EQ(h.getCalibration(0, c), ZVRAW_OK);
  EXPECT_EQ(c->calOrder(), 2);
  EXPECT_EQ(c->calTemp(), 24.75);
  EXPECT_EQ(c->modOrder(), 1);
  EXPECT_EQ(c->stdDev(), 1.25e-3);
  EXPECT_EQ(c->Cov(3), -4.0e-2);
  ASSERT_EQ(h.getCalibration(1, c), ZVRAW_OK);
  EXPECT_EQ(c->calOrder(), 6);
  EXPECT_EQ(c->C6(), 1.0);
  EXPECT_EQ(c->calType(), 0);  // the last comma of the window is followed by "1,"
  ASSERT_EQ(h.getCalibration(2, c), ZVRAW_OK);
  EXPECT_EQ(c->calOrder(), -1);
  EXPECT_DOUBLE_EQ(c->Cov(0), 0.1111111111111111);  // 1.111... had the field not been cut at 63
  EXPECT_DOUBLE_EQ(c->Cov(8), 0.1111111111111111);
  EXPECT_EQ(c->Cov(9), 0.0);
  EXPECT_EQ(std::string(h.getNamedValue("Sample Description", -1)).size(), ZVRawHeader::kSlotTextSize - 2);
  EXPECT_STREQ(h.getNamedValue("Mux Stream", -1), "last");
}

TEST_F(ZVRawHeaderCorruptionTest, EveryCutOfBothFormsReads) {
  const std::string text = hostileHeader();
  struct Form {
    const char* fileName;
    Bytes bytes;
  };
  const Form forms[] = {{TEXT_HEADER_FILE_NAME, Bytes(text.begin(), text.end())},
                        {ENCRYPTED_HEADER_FILE_NAME, complemented(text)}};
  for (const Form& form : forms) {
    for (std::size_t cut = 0; cut <= form.bytes.size(); ++cut) {
      const Bytes damaged(form.bytes.begin(), form.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
      // A cut header is still a header: the cut line is shortened or dropped.
      ASSERT_EQ(readDamaged(damaged, form.fileName), ZVRAW_OK) << form.fileName << " cut at " << cut;
    }
  }
}

TEST_F(ZVRawHeaderCorruptionTest, RandomCorruptionsOfBothForms) {
  const std::string text = hostileHeader();
  expectSurvivesCorruptions(Bytes(text.begin(), text.end()),
                            [&](const Bytes& b) { return readDamaged(b, TEXT_HEADER_FILE_NAME); }, 0x5eed, 300);
  expectSurvivesCorruptions(complemented(text), [&](const Bytes& b) { return readDamaged(b, ENCRYPTED_HEADER_FILE_NAME); },
                            0xbead, 300);
}

}  // namespace
