#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "formats/portability/FileHandle.h"
#include "formats/portability/SysFileSize.h"
#include "formats/directory/ZVRawFunctionDescriptors.h"
#include "support/Corruption.h"
#include "support/DescriptorRecords.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace fs = std::filesystem;

namespace {

using NonMaldi = ZVRawFunctionDescriptor_NonMaldi_Imp;
using Maldi = ZVRawFunctionDescriptor_Maldi_Imp;

float floatAt(const Bytes& b, std::size_t at) {
  float v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

DescriptorHead fullHead() {
  DescriptorHead h;
  h.type = 13;
  h.ionMode = 9;
  h.format = 12;
  h.extended = true;
  h.sprayer = true;
  h.cycleTime = 1.5f;
  h.interScanDelay = 0.02f;
  h.rtStart = 0.25f;
  h.rtEnd = 30.75f;
  h.totalScans = 123456;
  h.collisionEnergy = 255;
  h.segmentCount = 255;
  return h;
}

MaldiTail fullMaldiTail() {
  return MaldiTail{1, 2, 3, 4, 5, 1001.5f, 1002.5f, 3.25f, 6, 7.5f, 8.5f, 9.5f, 10.5f, 11.5f, 12, 4000, 100, 50};
}

class DescriptorFileTest : public TempDirTest {
 protected:
  void writeDescriptorFile(const Bytes& bytes) { writeFile(dir() / "_functns.inf", bytes); }
  [[nodiscard]] Bytes descriptorFile() const { return readFile(dir() / "_functns.inf"); }
  [[nodiscard]] std::string dirPath() const { return dir().string(); }
};

TEST_F(DescriptorFileTest, NonMaldiRecordReadsEveryFieldAndWritesTheSameBytes) {
  DescriptorHead h = fullHead();
  h.segmentCount = 3;  // segmented: the tail arrays stand as stored
  const Bytes record = nonMaldiRecordBytes(h, distinctNonMaldiTail(10));
  writeDescriptorFile(record);

  ZVRawFunctionDescriptors table;
  ASSERT_EQ(table.readDescriptors(dirPath().c_str()), ZVRAW_OK);
  ASSERT_EQ(table.descriptorCount(), 1u);
  const auto* r = dynamic_cast<const NonMaldi*>(table.getDescriptorImp(0));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->getFunctionType(), 13u);
  EXPECT_EQ(r->getIonMode(), 9u);
  EXPECT_EQ(r->getDataType(), 12u);
  EXPECT_TRUE(r->getExtendedIndex());
  EXPECT_TRUE(r->getLumaventFunction());
  EXPECT_EQ(r->getCycleTime(), 1.5f);
  EXPECT_EQ(r->getInterScanDelay(), 0.02f);
  EXPECT_EQ(r->getRtStart(), 0.25f);
  EXPECT_EQ(r->getRtEnd(), 30.75f);
  EXPECT_EQ(r->getTotalScans(), 123456u);
  EXPECT_EQ(r->getCollisionEnergy(), 255u);
  EXPECT_EQ(r->getSegmentCount(), 3u);
  EXPECT_EQ(r->getSetMass(), 10.25f);
  EXPECT_EQ(r->getInterSegmentTime(), 10.5f);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(r->getSegmentScanTime(i), 11.0f + i) << i;
    EXPECT_EQ(r->getSegmentStartMass(i), 110.0f + i) << i;
    EXPECT_EQ(r->getSegmentEndMass(i), 210.0f + i) << i;
  }

  fs::create_directory(dir() / "out");
  ASSERT_EQ(table.writeDescriptors((dir() / "out").c_str()), ZVRAW_OK);
  EXPECT_EQ(readFile(dir() / "out" / "_functns.inf"), record);
}

TEST_F(DescriptorFileTest, MaldiRecordReadsEveryFieldAndWritesZeroTrailer) {
  DescriptorHead h = fullHead();
  h.type = 17;
  writeDescriptorFile(maldiRecordBytes(h, fullMaldiTail(), 0xAB));

  ZVRawFunctionDescriptors table;
  ASSERT_EQ(table.readDescriptors(dirPath().c_str()), ZVRAW_OK);
  const auto* r = dynamic_cast<const Maldi*>(table.getDescriptorImp(0));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->getFunctionType(), 17u);
  EXPECT_EQ(r->getSegmentCount(), 255u);
  EXPECT_EQ(r->getMaldiFunctionType(), 1u);
  EXPECT_EQ(r->getDetectorMode(), 2u);
  EXPECT_EQ(r->getSamplingRate(), 3u);
  EXPECT_EQ(r->getSampleIntoMethod(), 4u);
  EXPECT_EQ(r->getLaserUsed(), 5u);
  EXPECT_EQ(r->getUserSetMass(), 1001.5f);
  EXPECT_EQ(r->getBngateMass(), 1002.5f);
  EXPECT_EQ(r->getBnGateWidth(), 3.25f);
  EXPECT_EQ(r->getBnGateUsed(), 6u);
  EXPECT_EQ(r->getFocusVoltage(), 7.5f);
  EXPECT_EQ(r->getSourceVoltage(), 8.5f);
  EXPECT_EQ(r->getGasCellVoltage(), 9.5f);
  EXPECT_EQ(r->getExtractionVoltage(), 10.5f);
  EXPECT_EQ(r->getPulseVoltage(), 11.5f);
  EXPECT_EQ(r->getScanLaw(), 12u);
  EXPECT_EQ(r->getAcquHighMass(), 4000.0f);
  EXPECT_EQ(r->getAcquLowMass(), 100.0f);
  EXPECT_EQ(r->getMinSampleMass(), 50.0f);

  ASSERT_EQ(table.writeDescriptors(dirPath().c_str()), ZVRAW_OK);
  EXPECT_EQ(descriptorFile(), maldiRecordBytes(h, fullMaldiTail(), 0x00));
}

TEST(DescriptorHeadPacking, FieldsShareTheirWordsAtTheirEdges) {
  struct Case {
    std::uint32_t type, ion, format;
    bool ext, sprayer;
    std::uint16_t energy, segments;
    std::uint16_t word0, word22;
  } cases[] = {
      {0, 0, 0, false, false, 0, 0, 0x0000, 0x0000},    {31, 0, 0, false, false, 255, 0, 0x001F, 0x00FF},
      {0, 31, 0, false, false, 0, 255, 0x03E0, 0xFF00}, {0, 0, 15, false, false, 255, 255, 0x3C00, 0xFFFF},
      {0, 0, 0, true, false, 1, 1, 0x4000, 0x0101},     {0, 0, 0, false, true, 0, 0, 0x8000, 0x0000},
      {17, 13, 9, true, true, 0, 0, 0xE5B1, 0x0000},
  };
  for (const Case& c : cases) {
    NonMaldi r;
    r.Initialise(c.type, c.ion, c.format, c.ext, c.sprayer, 0, 0, 0, 0, 0, c.energy, c.segments);
    const Bytes b = r.packedRecord();
    ASSERT_EQ(b.size(), 416u);
    EXPECT_EQ(b[0] | b[1] << 8, c.word0) << c.type << "/" << c.ion << "/" << c.format;
    EXPECT_EQ(b[22] | b[23] << 8, c.word22);
    NonMaldi back;
    ByteCursor in(b);
    ASSERT_EQ(back.extractDescriptor(in), ZVRAW_OK);
    EXPECT_EQ(back, r);
  }
}

TEST(DescriptorHeadPacking, OutOfWidthFieldsAreMaskedAndFlagged) {
  NonMaldi r;
  r.Initialise(32 + 2, 0, 0, false, false, 0, 0, 0, 0, 0, 256 + 7, 0);
  EXPECT_FALSE(r.fitsFileWidths());
  const Bytes b = r.packedRecord();
  EXPECT_EQ(b[0] | b[1] << 8, 0x0002);    // the type does not spill into the ion mode
  EXPECT_EQ(b[22] | b[23] << 8, 0x0007);  // the energy does not spill into the segment count
  for (auto widen : {+[](NonMaldi& x) { x.ionMode() = 32; }, +[](NonMaldi& x) { x.dataType() = 16; },
                     +[](NonMaldi& x) { x.segmentCount() = 256; }}) {
    NonMaldi w;
    widen(w);
    EXPECT_FALSE(w.fitsFileWidths());
  }
  EXPECT_TRUE(NonMaldi{}.fitsFileWidths());
}

TEST_F(DescriptorFileTest, RecordCountFollowsWholeRecords) {
  const Bytes one = nonMaldiRecordBytes(fullHead(), distinctNonMaldiTail(0));
  for (std::size_t size : {0u, 1u, 415u, 416u, 417u, 416u * 3 + 100}) {
    Bytes file;
    while (file.size() < size) file.insert(file.end(), one.begin(), one.end());
    file.resize(size);
    writeDescriptorFile(file);
    ZVRawFunctionDescriptors table;
    EXPECT_EQ(table.readDescriptors(dirPath().c_str()), ZVRAW_OK) << size;
    EXPECT_EQ(table.descriptorCount(), size / 416) << size;
  }
}

TEST_F(DescriptorFileTest, FirstRecordDecidesTheKindOfAll) {
  DescriptorHead maldi = fullHead(), plain = fullHead();
  maldi.type = 17;
  plain.type = 0;
  const Bytes m = maldiRecordBytes(maldi, fullMaldiTail()), p = nonMaldiRecordBytes(plain, NonMaldiTail{});
  struct Case {
    std::vector<const Bytes*> records;
    DescriptorKind kind;
  } cases[] = {{{&m, &p, &m}, DescriptorKind::Maldi}, {{&p, &m, &p}, DescriptorKind::NonMaldi}};
  for (const Case& c : cases) {
    Bytes file;
    for (const Bytes* r : c.records) file.insert(file.end(), r->begin(), r->end());
    writeDescriptorFile(file);
    ZVRawFunctionDescriptors table;
    ASSERT_EQ(table.readDescriptors(dirPath().c_str()), ZVRAW_OK);
    ASSERT_EQ(table.descriptorCount(), 3u);
    for (unsigned f = 0; f < 3; ++f) EXPECT_EQ(descriptorKind(*table.getDescriptorImp(f)), c.kind) << f;
  }
  // A MALDI record whose type is not 17 has no set mass of its own.
  writeDescriptorFile([&] {
    Bytes file = m;
    const Bytes second = maldiRecordBytes(plain, fullMaldiTail());
    file.insert(file.end(), second.begin(), second.end());
    return file;
  }());
  ZVRawFunctionDescriptors table;
  ASSERT_EQ(table.readDescriptors(dirPath().c_str()), ZVRAW_OK);
  float setMass = -1;
  EXPECT_EQ(table.getSetMass(1, setMass), ZVRAW_ERROR);
  EXPECT_EQ(setMass, -1.0f);
}

TEST_F(DescriptorFileTest, UnsegmentedRecordKeepsItsRangeInTheTimingFields) {
  DescriptorHead h = fullHead();
  h.segmentCount = 0;
  NonMaldiTail t = distinctNonMaldiTail(0);
  t.interSegTime = 50;   // start mass
  t.scanTimes[0] = 900;  // end mass
  const Bytes record = nonMaldiRecordBytes(h, t);
  writeDescriptorFile(record);

  ZVRawFunctionDescriptors table;
  ASSERT_EQ(table.readDescriptors(dirPath().c_str()), ZVRAW_OK);
  float lo = 0, hi = 0;
  EXPECT_EQ(table.getAcquisitionMassRange(0, lo, hi, 0), ZVRAW_OK);
  EXPECT_EQ(lo, 50.0f);
  EXPECT_EQ(hi, 900.0f);
  EXPECT_EQ(table.getAcquisitionMassRange(0, lo, hi, 1), ZVRAW_SEGMENT_INVALID);

  // The rewrite stores the replaced arrays: every start mass is the float at
  // @28, end mass i the float at @32 + 4i.
  ASSERT_EQ(table.writeDescriptors(dirPath().c_str()), ZVRAW_OK);
  const Bytes out = descriptorFile();
  ASSERT_EQ(out.size(), 416u);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 160, record.begin()));
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(floatAt(out, 160 + 4 * i), 50.0f) << i;
    EXPECT_EQ(floatAt(out, 288 + 4 * i), floatAt(record, 32 + 4 * i)) << i;
  }
}

TEST(DescriptorMassRange, SegmentLimitsPerKind) {
  NonMaldi plain;
  Maldi maldi;
  maldi.acquLowMass() = 10;
  maldi.acquHighMass() = 20;
  for (int i = 0; i < 32; ++i) {
    plain.segmentStartMass(i) = 100.0f + i;
    plain.segmentEndMass(i) = 200.0f + i;
  }
  struct Case {
    ZVRawFunctionDescriptorImp* record;
    std::uint16_t segments, asked;
    int rc;
  } cases[] = {
      {&plain, 3, 0, ZVRAW_OK},
      {&plain, 3, 2, ZVRAW_OK},
      {&plain, 3, 3, ZVRAW_SEGMENT_INVALID},
      {&plain, 40, 31, ZVRAW_OK},
      {&plain, 40, 32, ZVRAW_SEGMENT_INVALID},
      {&plain, 0, 0, ZVRAW_OK},
      {&maldi, 40, 35, ZVRAW_OK},
      {&maldi, 0, 1, ZVRAW_SEGMENT_INVALID},
      {&maldi, 2, 2, ZVRAW_SEGMENT_INVALID},
  };
  for (const Case& c : cases) {
    c.record->segmentCount() = c.segments;
    float lo = -1, hi = -1;
    EXPECT_EQ(c.record->getAcquisitionMassRange(c.asked, lo, hi), c.rc) << c.segments << "/" << c.asked;
    if (c.rc == ZVRAW_OK && c.record == &plain) {
      EXPECT_EQ(lo, 100.0f + c.asked);
      EXPECT_EQ(hi, 200.0f + c.asked);
    }
    if (c.rc == ZVRAW_OK && c.record == &maldi) {
      EXPECT_EQ(hi - lo, 10.0f);
    }
  }
}

TEST(DescriptorTable, SetMassOnlyForMassSelectingTypes) {
  for (unsigned type = 0; type < 32; ++type) {
    NonMaldi r;
    r.functionType() = type;
    r.setMass() = 321.5f;
    ZVRawFunctionDescriptors table(1);
    ASSERT_EQ(table.updateDescriptor(0, r), ZVRAW_OK);
    float m = 0;
    const bool selects = type <= 1 || (type >= 5 && type <= 12);
    EXPECT_EQ(table.getSetMass(0, m), selects ? ZVRAW_OK : ZVRAW_FUNCTIONTYPE_INVALID) << type;
    if (selects) {
      EXPECT_EQ(m, 321.5f);
    }
  }
}

TEST(DescriptorTable, QueriesRefuseBadFunctionsAndEmptySlots) {
  ZVRawFunctionDescriptors none, holes(2);
  NonMaldi r;
  r.cycleTime() = 1.0f;
  r.interScanDelay() = 0.1f;
  ASSERT_EQ(holes.updateDescriptor(0, r), ZVRAW_OK);  // slot 1 stays empty
  unsigned u = 0, v = 0;
  unsigned short s = 0;
  bool b = false;
  float x = 0, y = 0;
  const std::function<int(const ZVRawFunctionDescriptors&, unsigned)> queries[] = {
      [&](auto& t, unsigned f) { return t.getDataFormat(f, u); },
      [&](auto& t, unsigned f) { return t.getFunctionType(f, u); },
      [&](auto& t, unsigned f) { return t.getSegmentCount(f, s); },
      [&](auto& t, unsigned f) { return t.getAcquisitionDetails(f, u, v); },
      [&](auto& t, unsigned f) { return t.getExtendedFormatFlag(f, b); },
      [&](auto& t, unsigned f) { return t.getIonMode(f, u); },
      [&](auto& t, unsigned f) { return t.getInterScanDelay(f, x); },
      [&](auto& t, unsigned f) { return t.getCycleTime(f, x); },
      [&](auto& t, unsigned f) { return t.getScanTime(f, x); },
      [&](auto& t, unsigned f) { return t.getSetMass(f, x); },
      [&](auto& t, unsigned f) { return t.getAcquisitionMassRange(f, x, y, 0); },
  };
  for (std::size_t q = 0; q < std::size(queries); ++q) {
    EXPECT_EQ(queries[q](none, 0), ZVRAW_FUNCNUM_INVALID) << q;
    EXPECT_EQ(queries[q](holes, 2), ZVRAW_FUNCNUM_INVALID) << q;
    EXPECT_EQ(queries[q](holes, ~0u), ZVRAW_FUNCNUM_INVALID) << q;
    EXPECT_EQ(queries[q](holes, 1), ZVRAW_NULLPOINTER_ERROR) << q;
    EXPECT_EQ(queries[q](holes, 0), ZVRAW_OK) << q;
  }
  EXPECT_EQ(holes.getDescriptorImp(1), nullptr);
  EXPECT_EQ(holes.getFunctionDescriptorImp(2), nullptr);
  EXPECT_EQ(holes.getScanTime(0, x), ZVRAW_OK);
  EXPECT_EQ(x, 1.0f - 0.1f);
}

TEST(DescriptorTable, UpdateGrowsAndKeepsKinds) {
  ZVRawFunctionDescriptors none;
  NonMaldi plain;
  Maldi maldi;
  EXPECT_EQ(none.updateDescriptor(0, plain), ZVRAW_ERROR);  // no array to store into

  ZVRawFunctionDescriptors table(2);
  plain.functionType() = 6;
  ASSERT_EQ(table.updateDescriptor(1, plain), ZVRAW_OK);
  ASSERT_EQ(table.updateDescriptor(5, plain), ZVRAW_OK);
  EXPECT_EQ(table.descriptorCount(), 6u);
  for (unsigned f : {0u, 2u, 3u, 4u}) EXPECT_EQ(table.getDescriptorImp(f), nullptr) << f;
  const auto* held = table.getDescriptorImp(1);
  EXPECT_EQ(table.updateDescriptor(1, maldi), ZVRAW_ERROR);
  EXPECT_EQ(table.getDescriptorImp(1), held);
  EXPECT_EQ(held->getFunctionType(), 6u);
  plain.functionType() = 7;
  ASSERT_EQ(table.updateDescriptor(1, plain), ZVRAW_OK);  // assigned in place
  EXPECT_EQ(table.getDescriptorImp(1), held);
  EXPECT_EQ(held->getFunctionType(), 7u);
  // Numbers past what a descriptor file can address allocate nothing.
  for (unsigned f : {~0u, 4294967295u / 416u, 4294967295u / 416u + 7})
    EXPECT_EQ(table.updateDescriptor(f, plain), ZVRAW_FUNCNUM_INVALID) << f;
  EXPECT_EQ(table.descriptorCount(), 6u);
}

TEST(DescriptorTable, AppendAddsEmptySlots) {
  ZVRawFunctionDescriptors table(2);
  ASSERT_EQ(table.updateDescriptor(0, NonMaldi{}), ZVRAW_OK);
  const auto* first = table.getDescriptorImp(0);
  ASSERT_EQ(table.appendFunctions(3), ZVRAW_OK);
  EXPECT_EQ(table.descriptorCount(), 5u);
  EXPECT_EQ(table.getDescriptorImp(0), first);
  EXPECT_EQ(table.appendFunctions(~0u), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(table.descriptorCount(), 5u);

  ZVRawFunctionDescriptors none;
  ASSERT_EQ(none.appendFunctions(2), ZVRAW_OK);
  EXPECT_EQ(none.descriptorCount(), 2u);
  EXPECT_EQ(none.updateDescriptor(1, Maldi{}), ZVRAW_OK);
}

TEST(DescriptorTable, SetDescriptorsChecksBeforeReplacing) {
  ZVRawFunctionDescriptors table(1);
  ASSERT_EQ(table.updateDescriptor(0, NonMaldi{}), ZVRAW_OK);
  NonMaldi plain;
  Maldi maldi;
  maldi.functionType() = 17;
  NonMaldi wrongKind;
  wrongKind.functionType() = 17;
  const ZVRawFunctionDescriptorImp* withNull[] = {&plain, nullptr};
  const ZVRawFunctionDescriptorImp* mismatched[] = {&plain, &wrongKind};
  const ZVRawFunctionDescriptorImp* good[] = {&plain, &maldi, &plain};
  EXPECT_EQ(table.setDescriptors(nullptr, 1), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(table.setDescriptors(withNull, 2), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(table.setDescriptors(mismatched, 2), ZVRAW_ERROR);
  EXPECT_EQ(table.descriptorCount(), 1u);
  ASSERT_EQ(table.setDescriptors(good, 3), ZVRAW_OK);
  EXPECT_EQ(descriptorKind(*table.getDescriptorImp(1)), DescriptorKind::Maldi);
  EXPECT_NE(table.getDescriptorImp(0), &plain);  // copies
  ASSERT_EQ(table.setDescriptors(good, 0), ZVRAW_OK);
  EXPECT_EQ(table.descriptorCount(), 0u);
  EXPECT_EQ(table.updateDescriptor(0, plain), ZVRAW_ERROR);  // no array left
}

TEST(DescriptorTable, CopiesAreDeep) {
  auto table = std::make_unique<ZVRawFunctionDescriptors>(3);
  ASSERT_EQ(table->updateDescriptor(0, NonMaldi{}), ZVRAW_OK);
  ASSERT_EQ(table->updateDescriptor(2, Maldi{}), ZVRAW_OK);
  ZVRawFunctionDescriptors copy(*table), assigned;
  assigned = *table;
  copy.getDescriptorImp(0)->functionType() = 9;
  EXPECT_EQ(table->getDescriptorImp(0)->getFunctionType(), 0u);
  EXPECT_EQ(copy.getDescriptorImp(1), nullptr);
  EXPECT_EQ(descriptorKind(*assigned.getDescriptorImp(2)), DescriptorKind::Maldi);
  table.reset();  // the copies still own their records; sanitizers see any double release
  EXPECT_EQ(assigned.getDescriptorImp(0)->getFunctionType(), 0u);
  const auto& self = assigned;
  assigned = self;
  EXPECT_EQ(assigned.descriptorCount(), 3u);
}

TEST_F(DescriptorFileTest, WritesRefuseBadTablesWithoutTouchingTheFile) {
  const Bytes old = nonMaldiRecordBytes(fullHead(), NonMaldiTail{});
  writeDescriptorFile(old);
  ZVRawFunctionDescriptors holes(2), wide(1);
  ASSERT_EQ(holes.updateDescriptor(0, NonMaldi{}), ZVRAW_OK);
  NonMaldi tooWide;
  tooWide.dataType() = 16;
  ASSERT_EQ(wide.updateDescriptor(0, tooWide), ZVRAW_OK);

  EXPECT_EQ(holes.writeDescriptors(""), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(holes.writeDescriptors(std::string_view{}), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(holes.writeDescriptors(dirPath().c_str()), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(wide.writeDescriptors(dirPath().c_str()), ZVRAW_ERROR);
  EXPECT_EQ(descriptorFile(), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()), 1);
  EXPECT_EQ(wide.writeDescriptors(std::string(243, 'd').c_str()), ZVRAW_ERROR);
  tooWide.dataType() = 15;
  ASSERT_EQ(wide.updateDescriptor(0, tooWide), ZVRAW_OK);
  EXPECT_EQ(wide.writeDescriptors(std::string(243, 'd').c_str()), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(wide.writeDescriptors((dir() / "missing").c_str()), ZVRAW_FILEOPEN_ERROR);
}

TEST_F(DescriptorFileTest, SingleRecordRewriteTouchesOnlyItsBytes) {
  ZVRawFunctionDescriptors unread(1);
  ASSERT_EQ(unread.updateDescriptor(0, NonMaldi{}), ZVRAW_OK);
  EXPECT_EQ(unread.writeDescriptor(0), ZVRAW_FILENAME_ERROR);  // no directory of its own

  Bytes file;
  for (int i = 0; i < 3; ++i) {
    const Bytes r = nonMaldiRecordBytes(fullHead(), distinctNonMaldiTail(static_cast<float>(i)));
    file.insert(file.end(), r.begin(), r.end());
  }
  writeDescriptorFile(file);
  ZVRawFunctionDescriptors table;
  ASSERT_EQ(table.readDescriptors(dirPath().c_str()), ZVRAW_OK);
  table.getDescriptorImp(1)->totalScans() = 77;
  ASSERT_EQ(table.writeDescriptor(1), ZVRAW_OK);
  const Bytes out = descriptorFile();
  ASSERT_EQ(out.size(), file.size());
  for (std::size_t i = 0; i < out.size(); ++i)
    if (i < 416 + 18 || i >= 416 + 22) {
      EXPECT_EQ(out[i], file[i]) << i;
    }
  EXPECT_EQ(out[416 + 18], 77);
  EXPECT_EQ(table.writeDescriptor(3), ZVRAW_ERROR);
  ASSERT_EQ(table.appendFunctions(1), ZVRAW_OK);
  EXPECT_EQ(table.writeDescriptor(3), ZVRAW_NULLPOINTER_ERROR);
  table.getDescriptorImp(0)->ionMode() = 40;
  EXPECT_EQ(table.writeDescriptor(0), ZVRAW_ERROR);
  EXPECT_EQ(descriptorFile(), out);
}

TEST_F(DescriptorFileTest, OpenFailuresAndNames) {
  ZVRawFunctionDescriptors table;
  EXPECT_EQ(table.readDescriptors(dirPath().c_str()), ZVRAW_FILEOPEN_ERROR);
  EXPECT_EQ(table.readDescriptors(std::string_view{}), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(table.readDescriptors(std::string(243, 'd').c_str()), ZVRAW_FILENAME_ERROR);
  EXPECT_STREQ(table.getDataClusterFileName(), dirPath().c_str());  // the last accepted path

  std::string name;
  EXPECT_EQ(getFunctionDescriptorFileName(name, std::string(242, 'd')), ZVRAW_OK);
  EXPECT_EQ(name.size(), 255u);
  EXPECT_EQ(getFunctionDescriptorFileName(name, std::string(243, 'd')), ZVRAW_FILENAME_ERROR);
  EXPECT_TRUE(name.empty());

  // The kind word of a file shorter than two bytes reads its missing bytes as zero.
  unsigned flag = 9;
  EXPECT_EQ(getIsNonMaldiTOFData(path("_functns.inf"), flag), ZVRAW_FILEOPEN_ERROR);
  for (const auto& [bytes, want] : std::vector<std::pair<Bytes, unsigned>>{
           {{}, 1u}, {{0x11}, 0u}, {{0x31}, 0u}, {{0x12}, 1u}, {{0x11, 0xFF}, 0u}}) {
    writeDescriptorFile(bytes);
    EXPECT_EQ(getIsNonMaldiTOFData(path("_functns.inf"), flag), ZVRAW_OK);
    EXPECT_EQ(flag, want) << bytes.size();
  }
}

TEST_F(DescriptorFileTest, FileOfFourGiBIsRefused) {
  zvraw::FilePtr f(std::fopen(path("_functns.inf").c_str(), "wb"));
  ASSERT_TRUE(f);
  if (fseek_64(f.get(), 0, 1, SEEK_SET) != 0 || std::fputc(0, f.get()) == EOF || std::fflush(f.get()) != 0)
    GTEST_SKIP() << "the file system cannot hold a sparse 4 GiB file";
  f.reset();
  ZVRawFunctionDescriptors table;
  EXPECT_EQ(table.readDescriptors(dirPath().c_str()), ZVRAW_DESCRIPTORFILE_READERROR);
}

TEST_F(DescriptorFileTest, DamagedFilesGiveCodesNotCrashes) {
  DescriptorHead plain = fullHead(), maldi = fullHead();
  plain.segmentCount = 0;
  maldi.type = 17;
  for (bool isMaldi : {false, true}) {
    Bytes file;
    for (int i = 0; i < 3; ++i) {
      const Bytes r = isMaldi ? maldiRecordBytes(maldi, fullMaldiTail())
                              : nonMaldiRecordBytes(plain, distinctNonMaldiTail(static_cast<float>(i)));
      file.insert(file.end(), r.begin(), r.end());
    }
    for (std::size_t cut = 0; cut <= file.size(); ++cut) {
      writeDescriptorFile(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut)));
      ZVRawFunctionDescriptors table;
      ASSERT_EQ(table.readDescriptors(dirPath().c_str()), ZVRAW_OK) << cut;
      ASSERT_EQ(table.descriptorCount(), cut / 416) << cut;
    }
    expectSurvivesCorruptions(file, [&](const Bytes& damaged) {
      writeDescriptorFile(damaged);
      ZVRawFunctionDescriptors table;
      int rc = table.readDescriptors(dirPath().c_str());
      float lo, hi;
      for (unsigned f = 0; f < table.descriptorCount() && rc == ZVRAW_OK; ++f)
        for (unsigned short s = 0; s < 34; ++s) (void)table.getAcquisitionMassRange(f, lo, hi, s);
      if (rc == ZVRAW_OK) rc = table.writeDescriptors(dirPath().c_str());  // decoded fields always fit
      return rc;
    });
  }
}

}  // namespace
