#pragma once

// Compile-time traits of each packet format, so that the scan walk and the
// readers of kept-compressed scans get one inlined decoder per format
// instead of a switch per packet.

#include <cstdint>
#include <type_traits>

#include "formats/packets/ZVRawPackedFormats.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace zvraw_scan_detail {

struct DecodedPeak {
  float mass = 0, intensity = 0, dMass = 0, dIntensity = 0;
  char flags = 0, accFlags = 0;
};

// kStoresMass: the packet holds its masses (else 2 and 11 take them from the
// descriptor's segments and 3-7 from a synthetic axis). kFlags: peak flags
// are kept (12, 13); kErrors: mass and intensity errors (13).
template <unsigned F>
struct PacketCodec;

template <unsigned Bytes, unsigned Peaks, bool StoresMass, bool Flags = false, bool Errors = false>
struct CodecTraits {
  static constexpr unsigned kBytes = Bytes;
  static constexpr unsigned kPeaks = Peaks;
  static constexpr bool kStoresMass = StoresMass;
  static constexpr bool kFlags = Flags;
  static constexpr bool kErrors = Errors;
};

template <>
struct PacketCodec<0> : CodecTraits<4, 1, true> {
  static void decode(const char* p, DecodedPeak* o) { zvraw_packed::extractCompressedData(o->mass, o->intensity, p); }
};
template <>
struct PacketCodec<1> : CodecTraits<10, 2, true> {
  static void decode(const char* p, DecodedPeak* o) {
    zvraw_packed::extractStdScanningData(o[0].mass, o[0].intensity, o[1].mass, o[1].intensity, p);
  }
};
template <unsigned F>
struct UncalibratedCodec : CodecTraits<2, 1, false> {
  static void decode(const char* p, DecodedPeak* o) { zvraw_packed::extractStdUncalibratedData(o->intensity, p); }
};
template <>
struct PacketCodec<2> : UncalibratedCodec<2> {};
template <>
struct PacketCodec<3> : UncalibratedCodec<3> {};
struct FourIntensityCodec : CodecTraits<10, 4, false> {
  static void decode(const char* p, DecodedPeak* o) {
    zvraw_packed::extractHiIntUncalData(o[0].intensity, o[1].intensity, o[2].intensity, o[3].intensity, p);
  }
};
// The two standard deviations are not kept.
struct StdDevCodec : CodecTraits<10, 2, false> {
  static void decode(const char* p, DecodedPeak* o) {
    float sdA, sdB;
    zvraw_packed::extractHiIntUncalStdDevData(o[0].intensity, o[1].intensity, sdA, sdB, p);
  }
};
template <>
struct PacketCodec<4> : FourIntensityCodec {};
template <>
struct PacketCodec<5> : StdDevCodec {};
template <>
struct PacketCodec<6> : FourIntensityCodec {};
template <>
struct PacketCodec<7> : StdDevCodec {};
template <>
struct PacketCodec<8> : CodecTraits<6, 1, true> {
  static void decode(const char* p, DecodedPeak* o) { zvraw_packed::extractHiIntCalData(o->mass, o->intensity, p); }
};
template <>
struct PacketCodec<9> : CodecTraits<6, 1, true> {
  static void decode(const char* p, DecodedPeak* o) { zvraw_packed::extractHiAccCalData(o->mass, o->intensity, p); }
};
// The flags of format 11 are not kept.
template <>
struct PacketCodec<11> : CodecTraits<4, 1, false> {
  static void decode(const char* p, DecodedPeak* o) {
    zvraw_packed::extractEnhancedUncalData(o->intensity, o->flags, p);
  }
};
template <>
struct PacketCodec<12> : CodecTraits<8, 1, true, true> {
  static void decode(const char* p, DecodedPeak* o) {
    zvraw_packed::extractEnhancedCalData(o->mass, o->intensity, o->flags, p);
  }
};
template <>
struct PacketCodec<13> : CodecTraits<12, 1, true, true, true> {
  static void decode(const char* p, DecodedPeak* o) {
    zvraw_packed::extractEnhancedCalAccData(o->mass, o->intensity, o->flags, o->dMass, o->dIntensity, o->accFlags, p);
  }
};

template <unsigned F>
using Format = std::integral_constant<unsigned, F>;

// Calls visit(Format<F>{}) for the format and returns its answer;
// ZVRAW_DATATYPE_UNSUPPORTED for a format without packets.
template <class Visit>
int withCodec(unsigned int format, Visit&& visit) {
  switch (format) {
    case 0:
      return visit(Format<0>{});
    case 1:
      return visit(Format<1>{});
    case 2:
      return visit(Format<2>{});
    case 3:
      return visit(Format<3>{});
    case 4:
      return visit(Format<4>{});
    case 5:
      return visit(Format<5>{});
    case 6:
      return visit(Format<6>{});
    case 7:
      return visit(Format<7>{});
    case 8:
      return visit(Format<8>{});
    case 9:
      return visit(Format<9>{});
    case 11:
      return visit(Format<11>{});
    case 12:
      return visit(Format<12>{});
    case 13:
      return visit(Format<13>{});
    default:
      return ZVRAW_DATATYPE_UNSUPPORTED;
  }
}

// Walks the first n peaks of a packet run of a format that stores masses,
// calling peak(mass, intensity) until it answers false. The run must hold
// getBytesPerScan(format, n) bytes. ZVRAW_COMPRESSED_DATA_ERROR for a format
// that stores no masses.
template <class Peak>
int visitStoredPeaks(const char* run, unsigned int format, unsigned int n, Peak&& peak) {
  return withCodec(format, [&](auto f) {
    using C = PacketCodec<decltype(f)::value>;
    if constexpr (!C::kStoresMass) {
      return ZVRAW_COMPRESSED_DATA_ERROR;
    } else {
      for (unsigned k = 0; k < n; run += C::kBytes) {
        DecodedPeak d[C::kPeaks];
        C::decode(run, d);
        for (unsigned j = 0; j < C::kPeaks && k < n; ++j, ++k)
          if (!peak(d[j].mass, d[j].intensity)) return ZVRAW_OK;
      }
      return ZVRAW_OK;
    }
  });
}

}  // namespace zvraw_scan_detail
