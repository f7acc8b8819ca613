#include "api/WriterValues.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "api/FunctionDescriptor.h"
#include "drift/IMSUtil.h"
#include "formats/portability/TextNumbers.h"
#include "formats/statistics/StatsTable.h"
#include "formats/statistics/ZVRawExtStatsRecord.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

// One decimal integer, the whole text: an optional sign, then digits.
bool wholeInteger(std::string_view text, long long& value) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() < '0' || text.front() > '9') return false;  // "+-1"
  }
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc{} && end == text.data() + text.size();
}

// One finite float, the whole text, in the "C" locale.
bool wholeFloat(std::string_view text, float& value) {
  if (text.empty() || zvraw::isCSpace(text.front())) return false;
  const std::string copy(text);  // strtof needs its terminator
  char* end = nullptr;
  errno = 0;
  value = zvraw::strtofC(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value)) return false;
  // A text that underflows to 0 would read back as another number.
  return !(errno == ERANGE && value == 0.0f);
}

// Four values at a time, so that the checks run at the pace of the copy
// that follows them (a comparison gives -1 where it holds, NaN never does).
typedef float Float4 __attribute__((vector_size(16)));
typedef std::int32_t Mask4 __attribute__((vector_size(16)));
constexpr Mask4 kAll = {-1, -1, -1, -1};

Float4 load4(const float* p) {
  Float4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
Float4 abs4(Float4 v) {
  Mask4 bits;
  std::memcpy(&bits, &v, sizeof bits);
  bits &= 0x7FFFFFFF;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}
bool allSet(Mask4 m) { return (m[0] & m[1] & m[2] & m[3]) == -1; }

}  // namespace

MassBounds massBoundsOf(const FunctionDescriptor& d) {
  return {d.StartMassGiven(), d.EndMassGiven(), d.GetStartMass(), d.GetEndMass()};
}

int checkGridMasses(const FunctionDescriptor& d) {
  if (!d.StartMassGiven() || !d.EndMassGiven() || !(d.IsCDT() || d.GetContinuum())) return ZVRAW_OK;
  const float ttm = IMSUtil::TimeToMass(d.GetLteff(), d.GetVeff(), d.GetSamplingFrequency());
  int first = 0, last = 0;
  if (!IMSUtil::GridIndices(ttm, d.GetStartMass(), d.GetEndMass(), IMSUtil::HalfUp::Float, first, last))
    return ZVRAW_OK;
  const float low = IMSUtil::MassScale(first, 1, ttm).front();
  const float high = IMSUtil::MassScale(last, 1, ttm).front();
  // Every rebinned scan holds the grid's end points, and the readers drop a
  // mass more than 1.0 outside the function's range.
  const bool inRange = low >= d.GetStartMass() - kMassFloor && high <= d.GetEndMass() + kMassFloor;
  return inRange && low > kMassFloor && high < kMassLimit ? ZVRAW_OK : ZVRAW_PARAMETER_INVALID;
}

int checkMasses(const float* masses, std::size_t n, const MassBounds& bounds) {
  if (n == 0) return ZVRAW_OK;
  // Strictly ascending from above 1.0: then the last mass alone bounds the
  // rest. Every test is "is above", which NaN fails.
  bool good = masses[0] > kMassFloor && masses[n - 1] < kMassLimit;
  Mask4 rising = kAll;
  std::size_t k = 1;
  for (; n - k >= 4; k += 4) rising &= load4(masses + k) > load4(masses + k - 1);
  for (; k < n; ++k) good = good && masses[k] > masses[k - 1];
  good = good && allSet(rising);
  if (bounds.hasLow) good = good && masses[0] >= bounds.low;
  if (bounds.hasHigh) good = good && masses[n - 1] <= bounds.high;
  return good ? ZVRAW_OK : ZVRAW_PARAMETER_INVALID;
}

int checkIntensities(const float* intensities, std::size_t n) {
  const Float4 limit = {kIntensityLimit, kIntensityLimit, kIntensityLimit, kIntensityLimit};
  Mask4 inReach = kAll;
  std::size_t k = 0;
  for (; n - k >= 4; k += 4) inReach &= abs4(load4(intensities + k)) <= limit;
  bool good = allSet(inReach);
  for (; k < n; ++k) good = good && std::fabs(intensities[k]) <= kIntensityLimit;
  return good ? ZVRAW_OK : ZVRAW_PARAMETER_INVALID;
}

int checkDriftMasses(const float* masses, std::size_t datasize, const unsigned int* scans, std::size_t scansize,
                     const MassBounds& bounds) {
  std::size_t offset = 0;
  for (std::size_t i = 0; i < scansize; ++i) {
    const std::size_t n = scans[i];
    if (n > datasize - offset) return ZVRAW_PARAMETER_INVALID;
    if (const int rc = checkMasses(masses + offset, n, bounds); rc != ZVRAW_OK) return rc;
    offset += n;
  }
  return ZVRAW_OK;
}

int checkHeaderValue(std::string_view value) {
  return !value.empty() && zvraw::isCSpace(value.front()) ? ZVRAW_PARAMETER_INVALID : ZVRAW_OK;
}

int packStatsValue(std::string_view text, int id, unsigned int type, char* out) {
  long long whole = 0;
  switch (type) {
    case CHAR_FIELD: {
      if (!wholeInteger(text, whole) || whole < INT8_MIN || whole > INT8_MAX) return ZVRAW_PARAMETER_INVALID;
      const auto v = static_cast<std::int8_t>(whole);
      std::memcpy(out, &v, sizeof v);
      return ZVRAW_OK;
    }
    case SHORT_INT_FIELD: {
      if (!wholeInteger(text, whole) || whole < INT16_MIN || whole > INT16_MAX) return ZVRAW_PARAMETER_INVALID;
      const auto v = static_cast<std::int16_t>(whole);
      std::memcpy(out, &v, sizeof v);  // little-endian host
      return ZVRAW_OK;
    }
    case SINGLE_FLOAT_FIELD: {
      float v = 0.0f;
      if (!wholeFloat(text, v)) return ZVRAW_PARAMETER_INVALID;
      const double wholePart = std::trunc(static_cast<double>(v));
      if (id == borealtek_zvraw_version_1::QUAD_PEAK_WIDTH && !(wholePart >= INT_MIN && wholePart <= INT_MAX))
        return ZVRAW_PARAMETER_INVALID;
      std::memcpy(out, &v, sizeof v);
      return ZVRAW_OK;
    }
    default:
      return ZVRAW_PARAMETER_INVALID;
  }
}

}  // namespace Vardex::Lib::ZorvalenRaw
