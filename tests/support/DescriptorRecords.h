#pragma once

// Hand-built 416-byte _functns.inf records, written field by field from the
// record layout (not through the library's own encoder).

#include <array>
#include <cstdint>

#include "support/ByteBuilder.h"

struct DescriptorHead {
  std::uint16_t type = 0, ionMode = 0, format = 0;
  bool extended = false, sprayer = false;
  float cycleTime = 0, interScanDelay = 0, rtStart = 0, rtEnd = 0;
  std::uint32_t totalScans = 0;
  std::uint8_t collisionEnergy = 0, segmentCount = 0;
};

struct NonMaldiTail {
  float setMass = 0, interSegTime = 0;
  std::array<float, 32> scanTimes{}, startMasses{}, endMasses{};
};

struct MaldiTail {
  std::uint16_t maldiType = 0, detectorMode = 0, samplingRate = 0, sampleIntro = 0, laserUsed = 0;
  float userSetMass = 0, bnGateMass = 0, bnGateWidth = 0;
  std::uint16_t bnGateUsed = 0;
  float focusV = 0, sourceV = 0, gasCellV = 0, extractionV = 0, pulseV = 0;
  std::uint16_t scanLaw = 0;
  float highMass = 0, lowMass = 0, minSampleMass = 0;
};

inline ByteBuilder& descriptorHeadBytes(ByteBuilder& b, const DescriptorHead& h) {
  const auto word = static_cast<std::uint16_t>(h.type | h.ionMode << 5 | h.format << 10 | (h.extended ? 0x4000 : 0) |
                                               (h.sprayer ? 0x8000 : 0));
  return b.u16(word)
      .f32(h.cycleTime)
      .f32(h.interScanDelay)
      .f32(h.rtStart)
      .f32(h.rtEnd)
      .u32(h.totalScans)
      .u8(h.collisionEnergy)
      .u8(h.segmentCount);
}

inline Bytes nonMaldiRecordBytes(const DescriptorHead& h, const NonMaldiTail& t) {
  ByteBuilder b;
  descriptorHeadBytes(b, h).f32(t.setMass).f32(t.interSegTime);
  for (const auto* a : {&t.scanTimes, &t.startMasses, &t.endMasses})
    for (float v : *a) b.f32(v);
  return b.take();
}

// trailerFill fills bytes 82-415, which readers ignore.
inline Bytes maldiRecordBytes(const DescriptorHead& h, const MaldiTail& t, std::uint8_t trailerFill = 0) {
  ByteBuilder b;
  descriptorHeadBytes(b, h)
      .u16(t.maldiType)
      .u16(t.detectorMode)
      .u16(t.samplingRate)
      .u16(t.sampleIntro)
      .u16(t.laserUsed)
      .f32(t.userSetMass)
      .f32(t.bnGateMass)
      .f32(t.bnGateWidth)
      .u16(t.bnGateUsed)
      .f32(t.focusV)
      .f32(t.sourceV)
      .f32(t.gasCellV)
      .f32(t.extractionV)
      .f32(t.pulseV)
      .u16(t.scanLaw)
      .f32(t.highMass)
      .f32(t.lowMass)
      .f32(t.minSampleMass);
  Bytes out = b.take();
  out.resize(416, trailerFill);
  return out;
}

// Distinct values in every field, so a field read from the wrong offset shows.
inline NonMaldiTail distinctNonMaldiTail(float base) {
  NonMaldiTail t;
  t.setMass = base + 0.25f;
  t.interSegTime = base + 0.5f;
  for (int i = 0; i < 32; ++i) {
    t.scanTimes[i] = base + 1 + i;
    t.startMasses[i] = base + 100 + i;
    t.endMasses[i] = base + 200 + i;
  }
  return t;
}
