#include "formats/scans/EnhancedCalPacking.h"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "formats/portability/CpuFeatures.h"
#include "formats/packets/ZVRawPackedFormats.h"

namespace zvraw_packed {

namespace {

// Packs the points at p one by one (some lie outside the fast range).
[[gnu::noinline]] void packSlowly(const float* masses, const float* intensities, const char* flags, unsigned count,
                                  char* p) {
  for (unsigned k = 0; k < count; ++k)
    packEnhancedCalData(masses[k], intensities[k], flags != nullptr ? flags[k] : NO_FLAG, p + std::size_t{8} * k);
}

// After the lanes: the first point of the largest value over them, then
// the points from i on, packed one by one.
std::uint32_t finishRun(std::span<const float> tops, std::span<const std::uint32_t> topsAt, const float* masses,
                        const float* intensities, const char* flags, std::uint32_t i, std::uint32_t n, char* p) {
  float largest = -1.0f;  // below every intensity that counts
  std::uint32_t largestAt = 0;
  for (std::size_t k = 0; k < tops.size(); ++k)
    if (tops[k] > largest || (tops[k] == largest && tops[k] >= 0 && topsAt[k] < largestAt)) {
      largest = tops[k];
      largestAt = topsAt[k];
    }
  for (; i < n; ++i) {
    const float v = intensities[i];
    packEnhancedCalData(masses[i], v, flags != nullptr ? flags[i] : NO_FLAG, p + std::size_t{8} * i);
    if (v >= 0 && v > largest) {
      largest = v;
      largestAt = i;
    }
  }
  return largestAt;  // the first point when none counts
}

// The plain copy: four lanes, as detail::packFourFromBits packs them.
std::uint32_t packRunPlain(const float* masses, const float* intensities, const char* flags, std::uint32_t n,
                           char* p) {
  using namespace detail;
  const Float4 none = {-1.0f, -1.0f, -1.0f, -1.0f};  // below every intensity that counts
  // Per lane, the largest intensity counted and the first point that has it.
  Float4 top = none;
  Uint4 lanes = {0, 1, 2, 3};
  Uint4 topAt = lanes;
  std::uint32_t i = 0;
  for (; n - i >= 4; i += 4, lanes += 4u) {
    auto four = load4<Float4>(intensities + i);
    const char* f = flags != nullptr ? flags + i : nullptr;
    char* out = p + std::size_t{8} * i;
    if (!packFourFromBits(masses + i, intensities + i, flagsOfFour(f), out)) {
      packSlowly(masses + i, intensities + i, f, 4, out);
      four = four >= 0.0f ? four : none;  // NaN and negative intensities never count
    }
    const Int4 above = four > top;  // strictly: a lane keeps its first point of a value
    top = above ? four : top;
    topAt = above ? lanes : topAt;
  }
  float tops[4];
  std::uint32_t topsAt[4];
  std::memcpy(tops, &top, sizeof tops);
  std::memcpy(topsAt, &topAt, sizeof topsAt);
  return finishRun(tops, topsAt, masses, intensities, flags, i, n, p);
}

// All ones where x <= span, unsigned: min(x, span) is x.
ZVRAW_AVX2_COPY inline __m256i within(__m256i x, __m256i span) {
  return _mm256_cmpeq_epi32(_mm256_min_epu32(x, span), x);
}

// Up to 64 groups of eight points from point `first` packed in AVX2 lanes,
// each lane computing what packFourFromBits does for one point (masses from
// 1 to below 2^31 and intensities from 1 to 2^61 straight from their bits).
// Returns the groups whose packets are wrong and must be packed again point
// by point, one bit each: those with any other value. Kept apart from every
// call, so that its constants stay in registers.
[[gnu::noinline]] ZVRAW_AVX2_COPY std::uint64_t packGroupsAvx2(const float* masses, const float* intensities,
                                                               const char* flags, std::uint32_t first,
                                                               std::uint32_t groups, char* p) {
  const __m256i one = _mm256_set1_epi32(0x3F800000);
  const __m256i massSpan = _mm256_set1_epi32(0x0F7FFFFF), intensitySpan = _mm256_set1_epi32(0x1E800000);
  const __m256i fraction = _mm256_set1_epi32(0x7FFFFF), hidden = _mm256_set1_epi32(0x800000);
  const __m256i bias = _mm256_set1_epi32(126), roundsUp = _mm256_set1_epi32(0xFFFFF7);
  const __m256i four = _mm256_set1_epi32(4), twiceMantissa = _mm256_set1_epi32(0x100000);
  std::uint64_t slow = 0;
  for (std::uint32_t g = 0; g < groups; ++g) {
    const std::uint32_t i = first + 8 * g;
    const __m256i ib = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(intensities + i));
    const __m256i mb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(masses + i));
    const __m256i fast = _mm256_and_si256(within(_mm256_sub_epi32(mb, one), massSpan),
                                          within(_mm256_sub_epi32(ib, one), intensitySpan));
    // A group with any other value is packed here all the same, and again
    // point by point by the caller: no branch keeps the constants from the loop.
    slow |= std::uint64_t{_mm256_movemask_epi8(fast) != -1} << g;
    __m256i f = _mm256_setzero_si256();
    if (flags != nullptr)
      f = _mm256_slli_epi32(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(flags + i))), 28);
    // Both values are positive here: the exponent is the bits above the fraction.
    const __m256i significand = _mm256_or_si256(_mm256_and_si256(ib, fraction), hidden);
    // All ones where the halvings go one further: the mantissa then rounds up to exactly 2^20.
    const __m256i twice = _mm256_cmpgt_epi32(significand, roundsUp);
    const __m256i m =
        _mm256_blendv_epi8(_mm256_srli_epi32(_mm256_add_epi32(significand, four), 3), twiceMantissa, twice);
    const __m256i x = _mm256_sub_epi32(_mm256_sub_epi32(_mm256_srli_epi32(ib, 23), bias), twice);
    const __m256i intensityWords = _mm256_or_si256(_mm256_or_si256(m, _mm256_slli_epi32(x, 22)), f);
    const __m256i massWords =
        _mm256_or_si256(_mm256_slli_epi32(_mm256_or_si256(_mm256_and_si256(mb, fraction), hidden), 3),
                        _mm256_slli_epi32(_mm256_sub_epi32(_mm256_srli_epi32(mb, 23), bias), 27));
    const __m256i low = _mm256_unpacklo_epi32(intensityWords, massWords);   // points 0, 1 | 4, 5
    const __m256i high = _mm256_unpackhi_epi32(intensityWords, massWords);  // points 2, 3 | 6, 7
    char* out = p + std::size_t{8} * i;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute2x128_si256(low, high, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), _mm256_permute2x128_si256(low, high, 0x31));
  }
  return slow;
}

// The AVX2 copy: the whole groups of eight through packGroupsAvx2, those it
// leaves point by point; then the base peak in a pass of its own.
ZVRAW_AVX2_COPY std::uint32_t packRunAvx2(const float* masses, const float* intensities, const char* flags,
                                          std::uint32_t n, char* p) {
  constexpr std::uint32_t kGroups = 64;  // one bit each in the answer of packGroupsAvx2
  const std::uint32_t whole = n / 8 * 8;
  for (std::uint32_t first = 0; first < whole; first += 8 * kGroups) {
    std::uint64_t slow =
        packGroupsAvx2(masses, intensities, flags, first, std::min(kGroups, (whole - first) / 8), p);
    for (; slow != 0; slow &= slow - 1) {
      const std::uint32_t at = first + 8 * static_cast<std::uint32_t>(std::countr_zero(slow));
      packSlowly(masses + at, intensities + at, flags != nullptr ? flags + at : nullptr, 8, p + std::size_t{8} * at);
    }
  }
  // Per lane, the largest intensity counted and the first point that has it.
  const __m256 none = _mm256_set1_ps(-1.0f), zero = _mm256_setzero_ps();
  const __m256i eight = _mm256_set1_epi32(8);
  __m256 top = none;
  __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  __m256i topAt = lanes;
  for (std::uint32_t i = 0; i < whole; i += 8, lanes = _mm256_add_epi32(lanes, eight)) {
    __m256 v = _mm256_loadu_ps(intensities + i);
    v = _mm256_blendv_ps(none, v, _mm256_cmp_ps(v, zero, _CMP_GE_OQ));  // NaN and negatives never count
    const __m256 above = _mm256_cmp_ps(v, top, _CMP_GT_OQ);            // strictly: a lane keeps its first point
    top = _mm256_blendv_ps(top, v, above);
    topAt = _mm256_blendv_epi8(topAt, lanes, _mm256_castps_si256(above));
  }
  float tops[8];
  std::uint32_t topsAt[8];
  _mm256_storeu_ps(tops, top);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(topsAt), topAt);
  return finishRun(tops, topsAt, masses, intensities, flags, whole, n, p);
}

// Adding +0 leaves a sum of counted intensities as it is: such a sum is
// never -0 nor NaN, so skipping and adding 0 give the same float.
inline float counted(float v) { return v >= 0 ? v : 0.0f; }

}  // namespace

std::uint32_t packEnhancedCalRunWithBasePeakPlain(const float* masses, const float* intensities, const char* flags,
                                                  std::uint32_t n, char* p) {
  return packRunPlain(masses, intensities, flags, n, p);
}

std::uint32_t packEnhancedCalRunWithBasePeak(const float* masses, const float* intensities, const char* flags,
                                             std::uint32_t n, char* p) {
  return zvraw::cpuHasAvx2() ? packRunAvx2(masses, intensities, flags, n, p)
                             : packEnhancedCalRunWithBasePeakPlain(masses, intensities, flags, n, p);
}

namespace {

// A group of runs summed side by side, short groups padded with their
// first run (whose sums are dropped).
template <std::size_t K>
struct RunGroup {
  explicit RunGroup(std::span<const IntensityRun> runs) {
    for (std::size_t j = 0; j < K; ++j) {
      const IntensityRun& run = runs[j < runs.size() ? j : 0];
      a[j] = run.intensities;
      n[j] = run.intensities != nullptr ? run.n : 0;
      common = std::min(common, n[j]);
    }
  }
  // Each sum goes on from `from` to its run's end, one point after another.
  void finish(std::span<float> sums, std::uint32_t from, std::span<float> tics) const {
    for (std::size_t j = 0; j < tics.size(); ++j) {
      for (std::uint32_t i = from; i < n[j]; ++i) sums[j] += counted(a[j][i]);
      tics[j] = sums[j];
    }
  }
  const float* a[K];
  std::uint32_t n[K];
  std::uint32_t common = ~std::uint32_t{0};
};

// Four sums in scalar registers.
void sumFourPlain(std::span<const IntensityRun> runs, std::span<float> tics) {
  const RunGroup<4> g(runs);
  float s0 = 0, s1 = 0, s2 = 0, s3 = 0;
  for (std::uint32_t i = 0; i < g.common; ++i) {
    s0 += counted(g.a[0][i]);
    s1 += counted(g.a[1][i]);
    s2 += counted(g.a[2][i]);
    s3 += counted(g.a[3][i]);
  }
  float sums[4] = {s0, s1, s2, s3};
  g.finish(sums, g.common, tics);
}

// Eight sums in the lanes of one register: eight points of each run, turned
// so that each step adds one point to every sum.
ZVRAW_AVX2_COPY void sumEightAvx2(std::span<const IntensityRun> runs, std::span<float> tics) {
  const RunGroup<8> g(runs);
  const __m256 zero = _mm256_setzero_ps();
  __m256 sum = zero;
  std::uint32_t i = 0;
  for (; g.common - i >= 8; i += 8) {
    __m256 r[8];
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) {
      const __m256 v = _mm256_loadu_ps(g.a[j] + i);
      r[j] = _mm256_and_ps(v, _mm256_cmp_ps(v, zero, _CMP_GE_OQ));  // counted, else +0
    }
    __m256 t[8], u[8];
#pragma GCC unroll 4
    for (int j = 0; j < 8; j += 2) {
      t[j] = _mm256_unpacklo_ps(r[j], r[j + 1]);
      t[j + 1] = _mm256_unpackhi_ps(r[j], r[j + 1]);
    }
#pragma GCC unroll 2
    for (int j = 0; j < 8; j += 4) {
      u[j] = _mm256_shuffle_ps(t[j], t[j + 2], 0x44);
      u[j + 1] = _mm256_shuffle_ps(t[j], t[j + 2], 0xEE);
      u[j + 2] = _mm256_shuffle_ps(t[j + 1], t[j + 3], 0x44);
      u[j + 3] = _mm256_shuffle_ps(t[j + 1], t[j + 3], 0xEE);
    }
    // Point i + k of every run, in order.
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) sum = _mm256_add_ps(sum, _mm256_permute2f128_ps(u[k], u[k + 4], 0x20));
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) sum = _mm256_add_ps(sum, _mm256_permute2f128_ps(u[k], u[k + 4], 0x31));
  }
  float sums[8];
  _mm256_storeu_ps(sums, sum);
  g.finish(sums, i, tics);
}

}  // namespace

void sumCountedIntensities(std::span<const IntensityRun> runs, std::span<float> tics) {
  const bool avx2 = zvraw::cpuHasAvx2();
  const std::size_t k = avx2 ? 8 : 4;
  for (std::size_t g = 0; g < runs.size(); g += k) {
    const std::size_t count = std::min(k, runs.size() - g);
    avx2 ? sumEightAvx2(runs.subspan(g, count), tics.subspan(g, count))
         : sumFourPlain(runs.subspan(g, count), tics.subspan(g, count));
  }
}

void sumCountedIntensitiesPlain(std::span<const IntensityRun> runs, std::span<float> tics) {
  for (std::size_t g = 0; g < runs.size(); g += 4) {
    const std::size_t count = std::min<std::size_t>(4, runs.size() - g);
    sumFourPlain(runs.subspan(g, count), tics.subspan(g, count));
  }
}

}  // namespace zvraw_packed
