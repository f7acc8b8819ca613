#include "processing/SpectrumSum.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <utility>

#include "processing/AddSpectra.h"
#include "processing/ZVSpectrum.h"

// Why a stretch can be summed on its own. The merge of two ascending lists
// takes the points in ascending mass (the second list first on equal
// masses) and joins a point to the one before it in that order when the
// float difference is at most the tolerance; a joined point carries the
// mass of its last member. So every point of a sum has the mass of one of
// the points added, and float subtraction is monotonic: two points whose
// masses lie in stretches separated by a gap (difference above the
// tolerance) are never joined, at any addition. The merge of two lists,
// cut to one stretch's masses, is then the merge of the two lists cut
// alike, with the same joins and the same sums in the same order.
namespace {

constexpr std::uint64_t kIndexBits = 0xFFFFFFFFu;

// Whether the masses ascend (equal neighbours allowed) and hold no NaN,
// eight at a time so that the compiler can compare them side by side.
bool ascending(const float* masses, std::size_t n) {
  if (n > 0 && std::isnan(masses[0])) return false;
  std::size_t i = 1;
  for (; i + 8 <= n; i += 8) {
    unsigned int descending = 0;
    for (std::size_t j = 0; j < 8; ++j) descending |= !(masses[i + j] >= masses[i + j - 1]);  // NaN too
    if (descending != 0) return false;
  }
  for (; i < n; ++i)
    if (!(masses[i] >= masses[i - 1])) return false;
  return true;
}

// Orders floats (no NaN) as unsigned integers do.
std::uint32_t orderedBits(float mass) {
  const auto bits = std::bit_cast<std::uint32_t>(mass);
  return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}

// The mass in the upper half of a sort key.
float massOf(std::uint64_t key) {
  const auto ordered = static_cast<std::uint32_t>(key >> 32);
  return std::bit_cast<float>((ordered & 0x80000000u) != 0 ? ordered & 0x7FFFFFFFu : ~ordered);
}

// Sorts keys by their upper half, equal ones kept in order: a least
// significant digit first radix sort in passes of 11 bits, a pass skipped
// where every key has the same digit.
template <class Keys>
void sortByMass(Keys& keys, Keys& spare, std::size_t n) {
  constexpr int kDigitBits = 11, kPasses = 3;
  constexpr std::size_t kDigits = std::size_t{1} << kDigitBits;
  const auto digit = [](std::uint64_t key, int pass) {
    return static_cast<std::size_t>(key >> (32 + kDigitBits * pass)) & (kDigits - 1);
  };
  std::vector<std::size_t> counts(kPasses * kDigits, 0);
  for (std::size_t k = 0; k < n; ++k)
    for (int pass = 0; pass < kPasses; ++pass) ++counts[pass * kDigits + digit(keys[k], pass)];
  (void)spare.get(n);
  for (int pass = 0; pass < kPasses; ++pass) {
    std::size_t* count = counts.data() + pass * kDigits;
    if (std::find(count, count + kDigits, n) != count + kDigits) continue;
    std::size_t start = 0;
    for (std::size_t d = 0; d < kDigits; ++d) start += std::exchange(count[d], start);
    for (std::size_t k = 0; k < n; ++k) spare[count[digit(keys[k], pass)]++] = keys[k];
    std::swap(keys, spare);
  }
}

}  // namespace

void SpectrumSum::Points::reserve(std::size_t want) {
  if (capacity_ >= want) return;
  // Appends grow the buffer by doubling; one refilled from empty, as a
  // merge's output is, takes what it asks for.
  const std::size_t capacity = n_ == 0 ? want : std::max(want, 2 * capacity_);
  auto masses = std::make_unique_for_overwrite<float[]>(capacity);
  auto intensities = std::make_unique_for_overwrite<float[]>(capacity);
  std::copy_n(masses_.get(), n_, masses.get());
  std::copy_n(intensities_.get(), n_, intensities.get());
  masses_ = std::move(masses);
  intensities_ = std::move(intensities);
  capacity_ = capacity;
}

void SpectrumSum::add(const ZVSpectrum& spectrum) {
  add(spectrum.getMasses(), spectrum.getIntensities(), spectrum.getSize());
}

void SpectrumSum::add(const float* masses, const float* intensities, unsigned int n) {
  if (masses == nullptr || intensities == nullptr) n = 0;
  if (sum_.size() == 0) {  // an empty sum becomes a copy; nothing is pending then
    sum_.append(masses, intensities, n);
    coalesced_ = false;
    order_ = Order::unknown;
    return;
  }
  if (std::uint64_t{sum_.size()} + pending_.size() + n > UINT_MAX) {
    mergePending();  // the sum's own count decides
    if (std::uint64_t{sum_.size()} + n > UINT_MAX) return;
  }
  // While the sum is within a few additions' size, merging each at once
  // costs no more than batching it, and needs no look at its order.
  if (steps_.empty() && (order_ == Order::disordered || sum_.size() <= kMergeAtOnce * std::size_t{n})) {
    mergeNow(masses, intensities, n);
    if (order_ == Order::ascending) order_ = Order::unknown;
    return;
  }
  if (order_ == Order::unknown)  // a batch starts: the stretches need an ascending sum
    order_ = ascending(sum_.masses(), sum_.size()) ? Order::ascending : Order::disordered;
  if (order_ == Order::disordered || !ascending(masses, n)) {
    mergePending();
    mergeNow(masses, intensities, n);
    order_ = Order::disordered;
    return;
  }
  steps_.push_back(static_cast<std::uint32_t>(pending_.size()));
  pending_.append(masses, intensities, n);
  if (pending_.size() >= sum_.size()) mergePending();
}

void SpectrumSum::mergeNow(const float* masses, const float* intensities, std::size_t n) {
  merge(sum_, masses, intensities, n, out_);
  coalesced_ = true;
}

void SpectrumSum::moveTo(ZVSpectrum& out) {
  mergePending();
  const auto n = static_cast<unsigned int>(sum_.size());
  if (sum_.capacity() - n <= n / 4) {  // little to waste: the buffers become the spectrum's
    std::unique_ptr<float[]> masses, intensities;
    sum_.release(masses, intensities);
    out.adopt(std::move(masses), std::move(intensities), n);
  } else {
    (void)out.Initialise(sum_.masses(), sum_.intensities(), n, nullptr, nullptr);
    sum_.clear();
  }
}

void SpectrumSum::merge(Points& list, const float* masses, const float* intensities, std::size_t n, Points& scratch) {
  scratch.reserve(list.size() + n);  // at most UINT_MAX points: add checks
  scratch.setSize(addScans(scratch.masses(), scratch.intensities(), list.masses(), list.intensities(),
                           static_cast<unsigned int>(list.size()), masses, intensities, static_cast<unsigned int>(n)));
  std::swap(list, scratch);
}

void SpectrumSum::mergePending() {
  if (steps_.empty()) return;
  if (steps_.size() == 1)
    merge(sum_, pending_.masses(), pending_.intensities(), pending_.size(), out_);
  else
    mergeByStretches();
  pending_.clear();
  steps_.clear();
  coalesced_ = true;
}

void SpectrumSum::mergeByStretches() {
  const std::size_t n = pending_.size(), sumSize = sum_.size();
  std::uint64_t* unsorted = keys_.get(n);
  for (std::size_t k = 0; k < n; ++k) unsorted[k] = std::uint64_t{orderedBits(pending_.mass(k))} << 32 | k;
  sortByMass(keys_, spareKeys_, n);
  stepsKnown_ = false;  // until the first stretch of more than one point

  out_.clear();
  out_.reserve(sumSize + n);
  // The open stretch: sum_[sumBegin, i) and the batch points of
  // keys_[keyBegin, k), both in mass order.
  std::size_t i = 0, k = 0, sumBegin = 0, keyBegin = 0;
  float last = 0.0f;
  while (i < sumSize || k < n) {
    const float pendingMass = k < n ? massOf(keys_[k]) : 0.0f;
    const bool fromSum = k == n || (i < sumSize && sum_.mass(i) <= pendingMass);
    const float mass = fromSum ? sum_.mass(i) : pendingMass;
    if ((i != sumBegin || k != keyBegin) && mass - last > kAddScansMassTolerance) {
      sumStretch(sumBegin, i, keyBegin, k, last);
      sumBegin = i;
      keyBegin = k;
    }
    fromSum ? ++i : ++k;
    last = mass;
  }
  sumStretch(sumBegin, i, keyBegin, k, last);
  std::swap(sum_, out_);
}

void SpectrumSum::sumStretch(std::size_t sumBegin, std::size_t sumEnd, std::size_t keyBegin, std::size_t keyEnd,
                             float high) {
  const std::size_t fromSum = sumEnd - sumBegin;
  if (fromSum + (keyEnd - keyBegin) == 1) {  // one point: every merge leaves it as it is
    if (fromSum == 1) {
      out_.push(sum_.mass(sumBegin), sum_.intensity(sumBegin));
    } else {
      out_.push(massOf(keys_[keyBegin]), pending_.intensity(static_cast<std::size_t>(keys_[keyBegin] & kIndexBits)));
    }
    return;
  }
  float low = fromSum > 0 ? sum_.mass(sumBegin) : massOf(keys_[keyBegin]);
  if (fromSum > 0 && keyEnd > keyBegin) low = std::min(low, massOf(keys_[keyBegin]));
  if (!stepsKnown_) {
    std::uint32_t* stepOf = stepOf_.get(pending_.size());
    for (std::size_t s = 0; s < steps_.size(); ++s)
      std::fill(stepOf + steps_[s], stepOf + (s + 1 < steps_.size() ? steps_[s + 1] : pending_.size()),
                static_cast<std::uint32_t>(s));
    stepsKnown_ = true;
  }
  members_.clear();
  for (std::size_t k = keyBegin; k < keyEnd; ++k) members_.push_back(static_cast<std::uint32_t>(keys_[k] & kIndexBits));
  std::sort(members_.begin(), members_.end());  // additions in order, each in its own order
  if (coalesced_ && high - low <= kAddScansMassTolerance) {
    sumNarrowStretch(sumBegin, fromSum == 1);
    return;
  }
  stretch_.clear();
  stretch_.append(sum_.masses() + sumBegin, sum_.intensities() + sumBegin, fromSum);
  // The first addition of the batch joins a copied first spectrum's close
  // points even when it brings none here.
  bool joinFirst = !coalesced_;
  for (std::size_t j = 0; j < members_.size();) {
    const std::uint32_t step = stepOf_[members_[j]];
    std::size_t r = j + 1;
    while (r < members_.size() && stepOf_[members_[r]] == step) ++r;
    if (joinFirst && step != 0) merge(stretch_, nullptr, nullptr, 0, scratch_);
    joinFirst = false;
    // One addition's points in a stretch are neighbours: it ascends, and the
    // stretch is every point within a range of masses.
    merge(stretch_, pending_.masses() + members_[j], pending_.intensities() + members_[j], r - j, scratch_);
    j = r;
  }
  if (joinFirst) merge(stretch_, nullptr, nullptr, 0, scratch_);
  out_.append(stretch_.masses(), stretch_.intensities(), stretch_.size());
}

// Every point of the stretch lies within the tolerance of every other, so
// each merge joins the sum's point and the addition's into one point: the
// merge's steps, without its lists. Its order: the addition's points at or
// below the sum's mass, the sum's point, the rest; the mass is the last one's.
void SpectrumSum::sumNarrowStretch(std::size_t sumIndex, bool fromSum) {
  bool have = fromSum;
  float mass = fromSum ? sum_.mass(sumIndex) : 0.0f, intensity = fromSum ? sum_.intensity(sumIndex) : 0.0f;
  for (std::size_t j = 0; j < members_.size();) {
    const std::uint32_t step = stepOf_[members_[j]];
    float total = 0.0f;
    bool started = false, placed = !have;
    const auto take = [&](float y) {
      total = started ? total + y : y;
      started = true;
    };
    for (; j < members_.size() && stepOf_[members_[j]] == step; ++j) {
      const float m = pending_.mass(members_[j]);
      if (!placed && !(m <= mass)) {
        take(intensity);
        placed = true;
      }
      take(pending_.intensity(members_[j]));
      if (placed) mass = m;
    }
    if (!placed) take(intensity);
    intensity = total;
    have = true;
  }
  out_.push(mass, intensity);
}
