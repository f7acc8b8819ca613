#pragma once

// What a writer call may take: the values the files hold as given, or at a
// precision they state, and that the readers give back. Every test here
// refuses with 57 (ZVRAW_PARAMETER_INVALID); the writers call them before
// they queue or store anything of the call.
//
// Masses (format 12 and the readers' bad-mass test): strictly ascending, the
// first above 1.0 (the readers compare the first peaks with 1.0), all below
// 2^31 (a 5-bit exponent over a 27-bit mantissa: every float mass below it
// is kept exactly), inside STARTMASS-ENDMASS where the function gives them.
// Intensities (format 12, whose exponent is never negative): 21 significant
// bits from 1 - 2^-21 up, a fixed step of 2^-21 below, negative values moved
// toward 0 by half a step to 1.5 steps; magnitudes above 2^63 - 2^42 are out
// of its reach.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Vardex::Lib::ZorvalenRaw {

class FunctionDescriptor;

inline constexpr float kMassFloor = 1.0f;
inline constexpr float kMassLimit = 0x1p31f;
inline constexpr float kIntensityLimit = 0x1p63f - 0x1p42f;

// The masses a function takes: its given STARTMASS and ENDMASS.
struct MassBounds {
  bool hasLow = false, hasHigh = false;
  float low = 0.0f, high = 0.0f;
};
[[nodiscard]] MassBounds massBoundsOf(const FunctionDescriptor& definition);

// A function whose scans are rebinned onto a time-of-flight grid (a
// compressed-drift function, or a continuum one with the five grid values):
// 57 when the grid's first or last mass lies outside (1.0, 2^31) or more
// than 1.0 outside STARTMASS-ENDMASS, since every rebinned scan carries both
// and the readers would drop them. 0 for a function without a grid.
[[nodiscard]] int checkGridMasses(const FunctionDescriptor& definition);

// One spectrum's masses (null is fine for n = 0).
[[nodiscard]] int checkMasses(const float* masses, std::size_t n, const MassBounds& bounds);
// Intensities format 12 can reach (NaN and infinity are not).
[[nodiscard]] int checkIntensities(const float* intensities, std::size_t n);
// The float drift spectra of a block, scans[i] points each, one after
// another: each one's masses as checkMasses. 57 too when the counts run
// past datasize.
[[nodiscard]] int checkDriftMasses(const float* masses, std::size_t datasize, const unsigned int* scans,
                                   std::size_t scansize, const MassBounds& bounds);

// A header item the reader gives back as set: it skips white space after the
// tag's colon, so a value must not begin with any.
[[nodiscard]] int checkHeaderValue(std::string_view value);

// A statistics value as its field holds it: the text is one decimal integer
// of the field's range (short -32768 to 32767, one byte -128 to 127, as the
// readers give them back) or, for a float field, one finite number that is
// a float (not beyond its range, not a nonzero text that underflows to 0).
// No white space around it. `type` is the field type (CHAR_FIELD,
// SHORT_INT_FIELD or SINGLE_FLOAT_FIELD) of field id `id`; the value is
// written at `out` in that width, little-endian. QUAD_PEAK_WIDTH reads back
// as an int, its whole part, so it takes only floats whose whole part is one.
[[nodiscard]] int packStatsValue(std::string_view text, int id, unsigned int type, char* out);

}  // namespace Vardex::Lib::ZorvalenRaw
