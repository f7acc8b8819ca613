#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "formats/statistics/STSFile.h"
#include "support/Corruption.h"
#include "support/StatsTableFixture.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

// One record of every numeric type with sign bits set, and a string field.
// Record size 1 + 2 + 4 + 4 + 8 + 81 = 100.
StatsTableFixture allTypes() {
  StatsTableFixture t;
  t.field(1, CHAR_FIELD, 0, 1, "c")
      .field(2, SHORT_INT_FIELD, 1, 2, "s")
      .field(3, LONG_INT_FIELD, 3, 4, "i")
      .field(4, SINGLE_FLOAT_FIELD, 7, 4, "f")
      .field(5, DOUBLE_FLOAT_FIELD, 11, 8, "d")
      .field(6, STRING_FIELD, 19, 81, "text");
  return t;
}

void appendAllTypesRecord(ByteBuilder& b, int k) {
  b.u8(0x80 | k).i16(static_cast<std::int16_t>(-2 - k)).i32(INT_MIN + k).f32(1.5f + k).f64(-2.25 - k);
  b.text("row" + std::to_string(k), 81);
}

Bytes allTypesTable(int records) {
  ByteBuilder b = allTypes().leader(100);
  for (int k = 0; k < records; ++k) appendAllTypesRecord(b, k);
  return b.take();
}

class STSFileTest : public TempDirTest {
 protected:
  STSFile& open(const Bytes& bytes) {
    writeFile(dir() / "t.sts", bytes);
    file_.read(path("t.sts"));
    return file_;
  }
  STSFile file_;
};

TEST_F(STSFileTest, ValidityFollowsTheLeader) {
  struct Case {
    const char* what;
    int headerSize, fieldCount, recordSize;
    std::size_t fileSize;
    bool ok;
    std::uint32_t records;
  };
  const Case cases[] = {
      {"header only", 128, 2, 85, 128, true, 0},
      {"two records", 128, 2, 85, 298, true, 2},
      {"one byte over", 128, 2, 85, 299, false, 0},
      {"header size not 32 + 48 x fields", 80, 2, 85, 128, false, 0},
      {"record size 0", 128, 2, 0, 128, false, 0},
      {"header past the end", 176, 3, 8, 128, false, 0},
      // 32 + 48 x 1366 wraps a 16-bit sum to 64; the count must not match.
      {"field count that wraps 16 bits", 64, 1366, 1, 64, false, 0},
      {"no fields", 32, 0, 4, 40, true, 2},
  };
  for (const Case& c : cases) {
    ByteBuilder b;
    b.u16(static_cast<std::uint16_t>(c.headerSize)).u16(1).u16(static_cast<std::uint16_t>(c.recordSize));
    b.u16(static_cast<std::uint16_t>(c.fieldCount));
    b.zeros(c.fileSize - b.size());
    STSFile& f = open(b.take());
    EXPECT_EQ(f.isOK(), c.ok) << c.what;
    EXPECT_EQ(f.getNumberOfRecords(), c.records) << c.what;
    EXPECT_EQ(f.getNumberOfFields(), c.fieldCount) << c.what;
    EXPECT_EQ(f.getVersion(), 1) << c.what;
  }
}

TEST_F(STSFileTest, FieldsMustLieInsideTheRecord) {
  struct Case {
    const char* what;
    std::uint16_t type, offset, size, recordSize;
    bool ok;
  };
  const Case cases[] = {
      {"char in the last byte", CHAR_FIELD, 7, 1, 8, true},
      {"short one byte over", SHORT_INT_FIELD, 7, 2, 8, false},
      {"int over a one-byte record", LONG_INT_FIELD, 0, 4, 1, false},
      {"float at the end", SINGLE_FLOAT_FIELD, 4, 4, 8, true},
      {"double over", DOUBLE_FLOAT_FIELD, 1, 8, 8, false},
      {"string of its size", STRING_FIELD, 4, 81, 85, true},
      {"string one byte over", STRING_FIELD, 4, 82, 85, false},
      {"unknown type inside", 9, 8, 100, 8, true},
      {"unknown type past the end", 9, 9, 0, 8, false},
  };
  for (const Case& c : cases) {
    ByteBuilder b = StatsTableFixture().field(1, c.type, c.offset, c.size).leader(c.recordSize);
    b.zeros(2 * c.recordSize);
    STSFile& f = open(b.take());
    EXPECT_EQ(f.isOK(), c.ok) << c.what;
    EXPECT_EQ(f.getNumberOfRecords(), c.ok ? 2u : 0u) << c.what;
  }
}

TEST_F(STSFileTest, MissingOrShortFileIsNotValid) {
  EXPECT_FALSE(file_.read(path("missing")));
  EXPECT_FALSE(file_.isOK());
  char c = 1;
  STSField f;
  EXPECT_FALSE(file_.getValue(f, 0, c));
  EXPECT_EQ(c, 0);
  EXPECT_TRUE(file_.getFields().empty());
  EXPECT_FALSE(open(Bytes{0x20, 0x00}).isOK());
}

TEST_F(STSFileTest, ReadAgainStartsOver) {
  ASSERT_TRUE(open(allTypesTable(3)).isOK());
  writeFile(dir() / "other", StatsTableFixture(7).leader(8).take());
  EXPECT_TRUE(file_.read(path("other")));
  EXPECT_EQ(file_.getVersion(), 7);
  EXPECT_EQ(file_.getNumberOfRecords(), 0u);
  EXPECT_FALSE(file_.read(path("missing")));
  EXPECT_EQ(file_.getVersion(), 0);
  EXPECT_EQ(file_.getNumberOfFields(), 0);
}

TEST_F(STSFileTest, FieldsAreReadWhole) {
  STSFile& f = open(allTypesTable(1));
  const std::vector<STSField> fields = f.getFields();
  ASSERT_EQ(fields.size(), 6u);
  EXPECT_EQ(fields[5].ID, 6);
  EXPECT_EQ(fields[5].Type, STRING_FIELD);
  EXPECT_EQ(fields[5].Offset, 19);
  EXPECT_EQ(fields[5].Size, 81);
  EXPECT_STREQ(fields[5].Name, "text");
  EXPECT_TRUE(open(StatsTableFixture().leader(4).take()).getFields().empty());  // no fields
}

TEST_F(STSFileTest, TypedValuesKeepTheirSigns) {
  STSFile& f = open(allTypesTable(3));
  const std::vector<STSField> fl = f.getFields();
  ASSERT_EQ(fl.size(), 6u);
  for (int k = 0; k < 3; ++k) {
    char c = 0;
    short s = 0;
    int i = 0;
    float x = 0;
    double d = 0;
    ASSERT_TRUE(f.getValue(fl[0], k, c));
    ASSERT_TRUE(f.getValue(fl[1], k, s));
    ASSERT_TRUE(f.getValue(fl[2], k, i));
    ASSERT_TRUE(f.getValue(fl[3], k, x));
    ASSERT_TRUE(f.getValue(fl[4], k, d));
    EXPECT_EQ(c, static_cast<char>(0x80 | k));
    EXPECT_EQ(s, -2 - k);
    EXPECT_EQ(i, INT_MIN + k);
    EXPECT_EQ(x, 1.5f + static_cast<float>(k));
    EXPECT_EQ(d, -2.25 - k);
  }
}

TEST_F(STSFileTest, RefusedQueriesClearTheValue) {
  STSFile& f = open(allTypesTable(2));
  const std::vector<STSField> fl = f.getFields();
  ASSERT_EQ(fl.size(), 6u);
  float x = 9;
  EXPECT_FALSE(f.getValue(fl[2], 0, x));  // an int field in the float form
  EXPECT_EQ(x, 0.0f);
  int i = 9;
  for (int record : {-1, 2, INT_MAX}) {
    EXPECT_FALSE(f.getValue(fl[2], record, i)) << record;
    EXPECT_EQ(i, 0);
  }
  // A descriptor that points past the end of the file reads short.
  STSField far = fl[4];
  far.Offset = 60000;
  double d = 1;
  EXPECT_FALSE(f.getValue(far, 1, d));
  EXPECT_EQ(d, 0.0);
  char text[8];
  EXPECT_FALSE(f.getValue(fl[0], 0, text, sizeof text));
  EXPECT_FALSE(f.getValue(fl[5], 0, nullptr, 8));
  EXPECT_FALSE(f.getValue(fl[5], 0, text, 0));
}

TEST_F(STSFileTest, StringsAreCutToTheBuffer) {
  STSFile& f = open(allTypesTable(2));
  const std::vector<STSField> fl = f.getFields();
  ASSERT_EQ(fl.size(), 6u);
  // Exactly 40 bytes on the heap, so an over-write is seen by the sanitizers.
  std::vector<char> small(40, 'x');
  ASSERT_TRUE(f.getValue(fl[5], 1, small.data(), 40));
  EXPECT_EQ(std::string(small.data(), 4), "row1");
  EXPECT_EQ(small[39], '\0');  // zero from the field, not a terminator we added
  std::vector<char> wide(100, 'x');
  ASSERT_TRUE(f.getValue(fl[5], 0, wide.data(), 100));
  EXPECT_STREQ(wide.data(), "row0");
  EXPECT_EQ(std::count(wide.begin() + 81, wide.end(), '\0'), 19);  // cleared past the field

  // Text without NULs fills the buffer with no terminator.
  ByteBuilder b = StatsTableFixture().field(1, STRING_FIELD, 0, 81).leader(81);
  b.text(std::string(81, 'A'), 81);
  STSFile& g = open(b.take());
  const std::vector<STSField> one = g.getFields();
  ASSERT_EQ(one.size(), 1u);
  std::vector<char> exact(40);
  ASSERT_TRUE(g.getValue(one[0], 0, exact.data(), 40));
  EXPECT_EQ(std::string(exact.begin(), exact.end()), std::string(40, 'A'));
}

TEST_F(STSFileTest, ColumnsMatchValueByValueReads) {
  // Wide records, so that a column crosses several read blocks; fields at
  // the start and at the very end of the record.
  constexpr std::uint16_t kRecord = 20000;
  constexpr int kRecords = 120;
  ByteBuilder b = StatsTableFixture()
                      .field(1, SINGLE_FLOAT_FIELD, 0, 4)
                      .field(2, SINGLE_FLOAT_FIELD, kRecord - 4, 4)
                      .field(3, SINGLE_FLOAT_FIELD, 12, 4)
                      .field(4, LONG_INT_FIELD, 8, 4)
                      .leader(kRecord);
  for (int r = 0; r < kRecords; ++r) {
    Bytes rec = ByteBuilder().f32(static_cast<float>(r) + 0.5f).zeros(kRecord - 4).take();
    for (std::size_t i = 4; i < rec.size(); i += 7) rec[i] = static_cast<std::uint8_t>(r + i);
    b.bytes(rec);
  }
  STSFile& f = open(b.take());
  const std::vector<STSField> fields = f.getFields();
  ASSERT_EQ(fields.size(), 4u);
  for (const STSField& field : fields) {
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{kRecords}, std::size_t{kRecords + 1}}) {
      std::vector<float> column(n, 7.0f), single(n, 0.0f);
      bool allSingle = true;
      for (std::size_t r = 0; r < n; ++r) allSingle &= f.getValue(field, static_cast<int>(r), single[r]);
      EXPECT_EQ(f.getColumn(field, column), allSingle) << field.ID << " x " << n;
      EXPECT_EQ(column, single) << field.ID << " x " << n;
    }
  }
  std::vector<float> column(3);
  EXPECT_TRUE(f.getColumn(fields[0], column));
  EXPECT_EQ(column, (std::vector<float>{0.5f, 1.5f, 2.5f}));
}

// Records read a block at a time give what reads value by value give, and a
// table cut short after its read passes its whole records only.
TEST_F(STSFileTest, RecordsReadInBlocksMatchValueByValueReads) {
  constexpr int kRecords = 2000;  // 100-byte records: several blocks
  STSFile& f = open(allTypesTable(kRecords));
  const std::vector<STSField> fl = f.getFields();
  std::uint32_t passed = 0;
  EXPECT_TRUE(f.forEachRecord(kRecords, [&](std::uint32_t r, std::span<const std::uint8_t> record) {
    EXPECT_EQ(r, passed++);
    for (const STSField& field : fl) {
      int i = 1, si = 1;
      float x = 1, sx = 1;
      std::array<char, 40> t{}, st{};
      EXPECT_EQ(STSFile::getValue(field, record, i), f.getValue(field, static_cast<int>(r), si));
      EXPECT_EQ(STSFile::getValue(field, record, x), f.getValue(field, static_cast<int>(r), sx));
      EXPECT_EQ(STSFile::getValue(field, record, t.data(), 40), f.getValue(field, static_cast<int>(r), st.data(), 40));
      EXPECT_TRUE(i == si && x == sx && t == st) << r << " " << field.ID;
    }
  }));
  EXPECT_EQ(passed, std::uint32_t{kRecords});
  ASSERT_EQ(::truncate(path("t.sts").c_str(), 32 + 6 * 48 + 100 * 1500 + 50), 0);
  passed = 0;
  EXPECT_FALSE(f.forEachRecord(kRecords, [&](std::uint32_t, std::span<const std::uint8_t>) { ++passed; }));
  EXPECT_EQ(passed, 1500u);
}

TEST_F(STSFileTest, ValuesPastTwoGiBAreReachable) {
  // A sparse table of 8-byte records with its last record beyond 4 GiB.
  const std::uint64_t records = (std::uint64_t{5} << 30) / 8;
  const std::uint64_t size = 32 + 48 + records * 8;
  Bytes head = StatsTableFixture().field(1, SINGLE_FLOAT_FIELD, 4, 4).leader(8).take();
  const std::string p = path("big.sts");
  const int fd = ::open(p.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, head.data(), head.size()), static_cast<ssize_t>(head.size()));
  const float last = 42.5f;
  ASSERT_EQ(::pwrite(fd, &last, 4, static_cast<off_t>(size - 4)), 4);
  ::close(fd);

  STSFile f;
  ASSERT_TRUE(f.read(p));
  EXPECT_EQ(f.getNumberOfRecords(), records);
  const std::vector<STSField> fl = f.getFields();
  ASSERT_EQ(fl.size(), 1u);
  float v = 0;
  ASSERT_TRUE(f.getValue(fl[0], static_cast<int>(records - 1), v));
  EXPECT_EQ(v, last);
}

TEST_F(STSFileTest, RecordCountBeyondThirtyTwoBitsIsRefused) {
  const std::uint64_t size = 32 + (std::uint64_t{1} << 32) + 1;  // 2^32 + 1 one-byte records
  Bytes head = StatsTableFixture().leader(1).take();
  writeFile(dir() / "huge.sts", head);
  ASSERT_EQ(::truncate(path("huge.sts").c_str(), static_cast<off_t>(size)), 0);
  STSFile f;
  EXPECT_FALSE(f.read(path("huge.sts")));
  EXPECT_EQ(f.getNumberOfRecords(), 0u);
}

TEST_F(STSFileTest, EveryTruncationAndCorruptionIsSafe) {
  const Bytes valid = allTypesTable(2);
  const auto readAll = [&](const Bytes& bytes) {
    STSFile& f = open(bytes);
    if (!f.isOK()) return ZVRAW_ERROR;
    std::vector<char> text(81);
    for (const STSField& fl : f.getFields()) {
      for (int r = 0; r < static_cast<int>(f.getNumberOfRecords()); ++r) {
        double d;
        (void)f.getValue(fl, r, d);
        (void)f.getValue(fl, r, text.data(), 81);
      }
    }
    return ZVRAW_OK;
  };
  // A cut after a whole record is a shorter valid table.
  constexpr std::size_t kHeader = 32 + 6 * 48;
  expectRejectsTruncations(valid, readAll,
                           [](std::size_t cut) { return cut >= kHeader && (cut - kHeader) % 100 == 0; });
  expectSurvivesCorruptions(valid, readAll);
}

class STSFileWriteTest : public TempDirTest {
 protected:
  template <class Write>
  Bytes written(Write write) {
    zvraw::FilePtr out(std::fopen(path("w").c_str(), "wb"));
    EXPECT_TRUE(out);
    write(out.get());
    EXPECT_TRUE(zvraw::closeChecked(out));
    return readFile(dir() / "w");
  }
};

TEST_F(STSFileWriteTest, LeaderAndFieldsRoundTrip) {
  STSFile w;
  w.setHeaderSize(128);
  w.setVersion(3);
  w.setRecordSize(12);
  w.setNumberOfFields(9);  // replaced by writeFields
  STSField fields[2];
  fields[0] = {1, SINGLE_FLOAT_FIELD, 0, "time", 4};
  fields[1] = {2, DOUBLE_FLOAT_FIELD, 4, {}, 8};
  const Bytes bytes = written([&](std::FILE* f) {
    EXPECT_EQ(w.writeLeader(f), 32);
    EXPECT_EQ(w.writeFields(f, fields, 2), 96);
  });
  EXPECT_EQ(w.getNumberOfFields(), 2);
  const Bytes expected = StatsTableFixture(3).field(1, 3, 0, 4, "time").field(2, 4, 4, 8).leader(12, 128, 9).take();
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(w.writeFields(nullptr, nullptr, 1), 0);
  EXPECT_EQ(w.writeLeader(nullptr), 0);
}

TEST_F(STSFileWriteTest, ValuesAreLittleEndian) {
  STSFile w;
  const Bytes bytes = written([&](std::FILE* f) {
    EXPECT_TRUE(w.setValue(f, -2));
    EXPECT_TRUE(w.setValue(f, 1.5f));
  });
  EXPECT_EQ(bytes, (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xC0, 0x3F}));
  EXPECT_FALSE(w.setValue(nullptr, 1));
}

TEST_F(STSFileWriteTest, TextTakesAtMostItsLengthAndIsPaddedTo81) {
  const std::string pump("Pump A\0$CC$,10,x,y,z,psi", 24);
  struct Case {
    int n;
    std::size_t kept;
  };
  for (const Case c : {Case{24, 24}, Case{3, 3}, Case{0, 0}, Case{-5, 0}}) {
    std::vector<char> exact(pump.begin(), pump.begin() + static_cast<std::ptrdiff_t>(c.kept));  // no byte to spare
    STSFile w;
    const Bytes bytes = written([&](std::FILE* f) { EXPECT_TRUE(w.setValue(f, exact.data(), c.n)); });
    ASSERT_EQ(bytes.size(), 81u) << c.n;
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(c.kept)), pump.substr(0, c.kept));
    EXPECT_EQ(std::count(bytes.begin() + static_cast<std::ptrdiff_t>(c.kept), bytes.end(), 0),
              static_cast<std::ptrdiff_t>(81 - c.kept));
  }
  const std::string longer(100, 'z');
  STSFile w;
  const Bytes bytes = written([&](std::FILE* f) { EXPECT_TRUE(w.setValue(f, longer.data(), 100)); });
  EXPECT_EQ(bytes, Bytes(81, 'z'));
  EXPECT_FALSE(w.setValue(nullptr, "x", 1));
  EXPECT_TRUE(written([&](std::FILE* f) { EXPECT_FALSE(w.setValue(f, nullptr, 1)); }).empty());
}

}  // namespace
