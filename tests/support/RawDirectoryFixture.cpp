#include "support/RawDirectoryFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>

#include "formats/portability/CLocale.h"
#include "formats/statistics/ZVRawAnalog.h"
#include "formats/directory/ZVRawExternalLumavent.h"
#include "formats/directory/ZVRawFunctionDescriptorImp.h"
#include "formats/index/ZVRawFunctionScanIndexImp.h"
#include "formats/directory/ZVRawHeader.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "formats/directory/ZVRawVeskoCalibration.h"
#include "support/DescriptorRecords.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace borealtek_zvraw_version_1;

float fixtureMass(unsigned f, unsigned s, unsigned p) {
  return 100.0f + 10.0f * static_cast<float>(p) + 0.25f * static_cast<float>(s % 16) + 0.5f * static_cast<float>(f % 4);
}

float fixtureIntensity(unsigned f, unsigned s, unsigned p) { return static_cast<float>(1 + (s * 7 + p * 3 + f) % 200); }

float fixtureRT(const FixtureFunction& fn, unsigned s) {
  return s < fn.rts.size() ? fn.rts[s] : fn.rtStart + fn.rtStep * static_cast<float>(s);
}

unsigned RawDirectoryFixture::packetSize(std::uint16_t format) {
  switch (format) {
    case 0:
    case 11:
      return 4;
    case 2:
      return 2;
    case 8:
    case 9:
      return 6;
    case 12:
      return 8;
    case 13:
      return 12;
    default:
      return 0;  // formats the fixture writes no packets for
  }
}

std::string RawDirectoryFixture::indexName(unsigned f) { return zvraw::formatC("_func%03u.idx", f + 1); }
std::string RawDirectoryFixture::dataName(unsigned f) { return zvraw::formatC("_func%03u.dat", f + 1); }
std::string RawDirectoryFixture::statsName(unsigned f) { return zvraw::formatC("_func%03u.sts", f + 1); }

std::pair<float, float> RawDirectoryFixture::pointOf(unsigned f, unsigned s, unsigned p) const {
  const FixtureFunction& fn = functions_.at(f);
  return fn.point ? fn.point(s, p) : std::pair{fixtureMass(f, s, p), fixtureIntensity(f, s, p)};
}

Bytes RawDirectoryFixture::scanBytes(unsigned f, unsigned s) const {
  const FixtureFunction& fn = functions_.at(f);
  const unsigned size = packetSize(fn.format);
  Bytes out(std::size_t{size} * fn.peaks);
  for (unsigned p = 0; p < fn.peaks && size > 0; ++p) {
    char* at = reinterpret_cast<char*>(out.data()) + std::size_t{p} * size;
    const auto [m, i] = pointOf(f, s, p);
    switch (fn.format) {
      case 0:
        zvraw_packed::packCompressedData(m, i, at);
        break;
      case 2: {  // u16 intensity word: mantissa in bits 3-15, exponent 0
        const auto w = static_cast<std::uint16_t>(static_cast<unsigned>(i) << 3);
        std::memcpy(at, &w, 2);
        break;
      }
      case 8:
        zvraw_packed::packHiIntCalData(m, i, at);
        break;
      case 9:
        zvraw_packed::packHiAccCalData(m, i, at);
        break;
      case 11: {  // u32: 22-bit mantissa, exponent 21 (a factor of 1)
        const std::uint32_t w = static_cast<std::uint32_t>(i) | 21u << 22;
        std::memcpy(at, &w, 4);
        break;
      }
      case 12:
        zvraw_packed::packEnhancedCalData(m, i, 0, at);
        break;
      case 13:
        zvraw_packed::packEnhancedCalAccData(m, i, 0, 0.0f, 0.0f, 0, at);
        break;
      default:
        break;
    }
  }
  return out;
}

Bytes RawDirectoryFixture::dataBytes(unsigned f) const {
  Bytes out;
  for (unsigned s = 0; s < functions_.at(f).scans; ++s) {
    const Bytes scan = scanBytes(f, s);
    out.insert(out.end(), scan.begin(), scan.end());
  }
  return out;
}

Bytes RawDirectoryFixture::indexRecordsBytes(unsigned f, unsigned first, unsigned last) const {
  const FixtureFunction& fn = functions_.at(f);
  const std::uint64_t scanSize = std::uint64_t{packetSize(fn.format)} * fn.peaks;
  Bytes out;
  for (unsigned s = first; s < last; ++s) {
    ZVRawFunctionScanIndexImp r;
    const std::uint64_t offset = scanSize * s;
    r.scanOffset() = static_cast<std::uint32_t>(offset);
    r.peaksInScan() = fn.peaks;
    r.useContinuumFlag() = fn.type == 9 ? 0 : 1;  // centroid scans unless MRM
    r.calibratedMasses() = fn.calibrated ? 1 : 0;
    r.rt() = fixtureRT(fn, s);
    float tic = 0, bpi = 0, bpm = 0;
    for (unsigned p = 0; p < fn.peaks; ++p) {
      const auto [m, i] = pointOf(f, s, p);
      tic += i;
      if (i > bpi) bpi = i, bpm = m;
    }
    r.tic() = tic;
    r.basePeakIntensity() = bpi;
    r.basePeakMass() = bpm;
    std::array<std::uint8_t, kScanIndexRecordSizeEx> bytes{};
    (void)r.packScanIndex(bytes, fn.format, fn.extended);  // an unpacked base peak leaves zeros
    if (fn.extended) {
      ByteBuilder high;
      high.u32(static_cast<std::uint32_t>(offset >> 32));
      std::memcpy(bytes.data() + 26, high.view().data(), 4);
    }
    out.insert(out.end(), bytes.begin(), bytes.begin() + static_cast<long>(scanIndexRecordSize(fn.extended)));
  }
  return out;
}

Bytes RawDirectoryFixture::indexBytes(unsigned f) const { return indexRecordsBytes(f, 0, functions_.at(f).scans); }

Bytes RawDirectoryFixture::descriptorBytes() const {
  ByteBuilder b;
  for (const FixtureFunction& fn : functions_) {
    DescriptorHead h;
    h.type = fn.type;
    h.ionMode = fn.ionMode;
    h.format = fn.format;
    h.extended = fn.extended;
    h.sprayer = fn.sprayerBit;
    h.cycleTime = fn.rtStep * 60.0f;
    h.interScanDelay = 0.02f;
    h.rtStart = fn.rtStart;
    h.rtEnd = fixtureRT(fn, fn.scans == 0 ? 0 : fn.scans - 1);
    h.totalScans = fn.scans;
    h.segmentCount = static_cast<std::uint8_t>(fn.segments.empty() ? 1 : fn.segments.size());
    if (fn.type == kMaldiFunctionType) {
      MaldiTail t;
      t.lowMass = fn.lowMass;
      t.highMass = fn.highMass;
      b.bytes(maldiRecordBytes(h, t));
    } else {
      NonMaldiTail t;
      t.setMass = fn.setMass;
      t.scanTimes[0] = fn.rtStep * 60.0f;
      t.startMasses[0] = fn.lowMass;
      t.endMasses[0] = fn.highMass;
      for (std::size_t k = 0; k < fn.segments.size() && k < t.startMasses.size(); ++k) {
        t.scanTimes[k] = t.scanTimes[0];
        t.startMasses[k] = fn.segments[k].first;
        t.endMasses[k] = fn.segments[k].second;
      }
      b.bytes(nonMaldiRecordBytes(h, t));
    }
  }
  return b.take();
}

namespace {

void putField(ByteBuilder& b, std::uint16_t type, double v) {
  switch (type) {
    case kCharField:
      b.u8(static_cast<std::uint8_t>(static_cast<std::int8_t>(v)));
      break;
    case kShortField:
      b.i16(static_cast<std::int16_t>(v));
      break;
    case kLongField:
      b.i32(static_cast<std::int32_t>(v));
      break;
    case kFloatField:
      b.f32(static_cast<float>(v));
      break;
    case kDoubleField:
      b.f64(v);
      break;
    default:
      break;
  }
}

unsigned fieldWidth(std::uint16_t type) {
  constexpr std::array<unsigned, 5> widths{1, 2, 4, 4, 8};
  return type < widths.size() ? widths[type] : 0;
}

// Leader: u16 header size, version 1, record size, field count, 24 zeros;
// then one 48-byte descriptor per field: id, type, offset, 42 zero bytes.
ByteBuilder statsLeader(const FixtureFunction& fn) {
  std::uint16_t recordSize = 0;
  for (const FixtureStatsField& s : fn.stats) recordSize = static_cast<std::uint16_t>(recordSize + fieldWidth(s.type));
  ByteBuilder b;
  b.u16(static_cast<std::uint16_t>(32 + 48 * fn.stats.size())).u16(1).u16(recordSize);
  b.u16(static_cast<std::uint16_t>(fn.stats.size())).zeros(24);
  std::uint16_t offset = 0;
  for (const FixtureStatsField& s : fn.stats) {
    b.u16(s.id).u16(s.type).u16(offset).zeros(42);
    offset = static_cast<std::uint16_t>(offset + fieldWidth(s.type));
  }
  return b;
}

void statsRecords(ByteBuilder& b, const FixtureFunction& fn, unsigned first, unsigned last) {
  for (unsigned s = first; s < last; ++s)
    for (const FixtureStatsField& field : fn.stats) putField(b, field.type, field.value ? field.value(s) : 0.0);
}

void appendFile(const fs::path& p, const Bytes& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::app);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot append to fixture " << p;
}

}  // namespace

Bytes RawDirectoryFixture::statsBytes(unsigned f) const {
  const FixtureFunction& fn = functions_.at(f);
  ByteBuilder b = statsLeader(fn);
  statsRecords(b, fn, 0, fn.scans);
  return b.take();
}

void RawDirectoryFixture::write(const fs::path& dir) const {
  writeFile(dir / "_functns.inf", descriptorBytes());
  ZVRawHeader header(static_cast<unsigned>(functions_.size()));
  ASSERT_EQ(header.setNameValuePair("Sample Description", description_.c_str(), -1), 0);
  for (unsigned f = 0; f < functions_.size(); ++f) {
    const FixtureFunction& fn = functions_[f];
    writeFile(dir / indexName(f), indexBytes(f));
    writeFile(dir / dataName(f), dataBytes(f));
    if (!fn.stats.empty()) writeFile(dir / statsName(f), statsBytes(f));
    if (fn.calibration) {
      ASSERT_EQ(header.setCalibration(static_cast<int>(f), *fn.calibration), 0);
    }
  }
  ASSERT_EQ(header.writeHeader(dir.string(), false), 0);

  if (gains_) {
    ZVRawExternalLumavent table;
    table.setLockMass(556.2771f, 0.5f);
    for (const auto& [rt, gain] : *gains_) table.add(rt, gain);
    ASSERT_EQ(table.saveFile(dir.string()), 0);
  }
  if (vesko_) {
    VeskoCalibrationSettings settings;
    VeskoCalibration cal;
    cal.scanTime = 1.0f;
    cal.startMZ = 100.0f;
    cal.endMZ = 1100.0f;
    cal.quadWindow = 20.0f;
    // Bins 0-199 sweep 100 to 1100: start line bin = (m - 100) / 5.
    for (double m : {100.0, 600.0, 1100.0})
      cal.points.push_back({m, (m - 100) / 5, (m - 100) / 5 + 2, (m - 100) / 5 + 4});
    settings.AddCalibration(cal);
    ASSERT_EQ(ZVRawVeskoCalibration(settings).Write((dir / "_vesko.inf").c_str()), 0);
  }
  if (mobility_) {
    const auto [c, e, t0] = *mobility_;
    writeTextFile(dir / "mob_cal.csv", zvraw::formatC("* Coefficient: %.6f\n* Exponent: %.6f\n* t0: %.6f\n", c, e, t0));
  }
  if (extern_) writeTextFile(dir / "_extern.inf", *extern_);
  if (analog_) {
    const auto [channels, samples] = *analog_;
    std::vector<AnalogHeader> headers(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c) {
      headers[static_cast<std::size_t>(c)].Analog = true;
      std::snprintf(headers[static_cast<std::size_t>(c)].Description, sizeof(AnalogHeader::Description), "Channel %d",
                    c + 1);
    }
    ZVRawAnalog analog;
    ASSERT_EQ(analog.writeChromInf(dir.string(), headers.data(), channels), 0);
    for (int c = 0; c < channels; ++c) {
      std::vector<float> times, values;
      for (int i = 0; i < samples; ++i) {
        times.push_back(0.1f * static_cast<float>(i));
        values.push_back(static_cast<float>(8 * (c + i)));
      }
      ASSERT_EQ(analog.writeChromDat(dir.string(), c, times.data(), values.data(), samples), 0);
    }
  }
}

void RawDirectoryFixture::grow(const fs::path& dir, unsigned f, unsigned scans, bool halfRecord) {
  FixtureFunction& fn = functions_.at(f);
  const unsigned first = fn.scans;
  fn.scans += scans;
  Bytes data;
  for (unsigned s = first; s < fn.scans; ++s) {
    const Bytes scan = scanBytes(f, s);
    data.insert(data.end(), scan.begin(), scan.end());
  }
  appendFile(dir / dataName(f), data);
  if (!fn.stats.empty()) {
    ByteBuilder b;
    statsRecords(b, fn, first, fn.scans);
    appendFile(dir / statsName(f), b.take());
  }
  Bytes records = indexRecordsBytes(f, first, fn.scans);
  if (halfRecord) {
    const Bytes next = indexRecordsBytes(f, fn.scans, fn.scans + 1);
    records.insert(records.end(), next.begin(), next.begin() + static_cast<long>(next.size() / 2));
  }
  appendFile(dir / indexName(f), records);
}
