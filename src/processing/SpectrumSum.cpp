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

// Sorts a bucket's keys, and their intensities with them: by insertion
// when few, else least significant digit first over the bits in which
// their masses differ, a pass skipped where every key has the same digit.
template <class Keys, class Intensities>
void sortBucket(std::uint64_t* keys, float* intensities, std::size_t n, Keys& spareKeys, Intensities& spareIntensities,
                std::vector<std::uint32_t>& counts) {
  constexpr std::size_t kFew = 16;
  if (n <= kFew) {
    for (std::size_t k = 1; k < n; ++k) {
      const std::uint64_t key = keys[k];
      const float intensity = intensities[k];
      std::size_t j = k;
      for (; j > 0 && keys[j - 1] > key; --j) {
        keys[j] = keys[j - 1];
        intensities[j] = intensities[j - 1];
      }
      keys[j] = key;
      intensities[j] = intensity;
    }
    return;
  }
  std::uint32_t low = UINT32_MAX, high = 0;
  for (std::size_t k = 0; k < n; ++k) {
    low = std::min(low, static_cast<std::uint32_t>(keys[k] >> 32));
    high = std::max(high, static_cast<std::uint32_t>(keys[k] >> 32));
  }
  const int bits = static_cast<int>(std::bit_width(high - low));
  if (bits == 0) return;  // one mass: in batch order already
  const int maxDigitBits = std::clamp(static_cast<int>(std::bit_width(n)) - 1, 8, 11);
  const int passes = (bits + maxDigitBits - 1) / maxDigitBits, digitBits = (bits + passes - 1) / passes;
  const std::size_t digits = std::size_t{1} << digitBits;
  const auto digit = [&](std::uint64_t key, int pass) {
    return static_cast<std::size_t>(((static_cast<std::uint32_t>(key >> 32) - low) >> (digitBits * pass)) &
                                    (digits - 1));
  };
  counts.assign(digits * static_cast<std::size_t>(passes), 0);
  for (std::size_t k = 0; k < n; ++k)
    for (int pass = 0; pass < passes; ++pass) ++counts[pass * digits + digit(keys[k], pass)];
  std::uint64_t* fromKeys = keys;
  std::uint64_t* toKeys = spareKeys.get(n);
  float* from = intensities;
  float* to = spareIntensities.get(n);
  for (int pass = 0; pass < passes; ++pass) {
    std::uint32_t* count = counts.data() + pass * digits;
    if (count[digit(fromKeys[0], pass)] == n) continue;
    std::uint32_t start = 0;
    for (std::size_t d = 0; d < digits; ++d) start += std::exchange(count[d], start);
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint32_t at = count[digit(fromKeys[k], pass)]++;
      toKeys[at] = fromKeys[k];
      to[at] = from[k];
    }
    std::swap(fromKeys, toKeys);
    std::swap(from, to);
  }
  if (fromKeys != keys) {
    std::copy_n(fromKeys, n, keys);
    std::copy_n(from, n, intensities);
  }
}

}  // namespace

void SpectrumSum::Points::reserve(std::size_t want, std::size_t hope) {
  if (capacity_ >= want) return;
  // Appends grow the buffer by doubling; one refilled from empty, as a
  // merge's output is, takes what it asks for.
  std::size_t capacity = n_ == 0 ? want : std::max(want, 2 * capacity_);
  std::unique_ptr<float[]> masses, intensities;
  if (hope > capacity) {
    masses.reset(new (std::nothrow) float[hope]);
    if (masses) intensities.reset(new (std::nothrow) float[hope]);
    if (intensities) capacity = hope;
  }
  if (!intensities) {
    masses = std::make_unique_for_overwrite<float[]>(capacity);
    intensities = std::make_unique_for_overwrite<float[]>(capacity);
  }
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
  expected_ -= std::min<std::size_t>(expected_, n);
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
  if (steps_.empty() && expected_ > 0)  // room for the largest batch to come: half the sum at most, and an addition
    pending_.reserve(n, std::min<std::size_t>((sum_.size() + n + expected_) / 2 + n, UINT_MAX));
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

// Buckets by the top bits of the masses' range, each addition ascending,
// so that the spreading pass writes a few places at a time and each bucket
// is then sorted while it sits in cache. A key holds its batch index below
// the mass bits, so keys are distinct and any sort of them is the stable
// one.
void SpectrumSum::sortPending() {
  const std::size_t n = pending_.size();
  std::uint64_t* keys = keys_.get(n, pending_.capacity());
  float* intensities = keyIntensities_.get(n, pending_.capacity());
  if (n == 0) return;
  std::uint32_t low = UINT32_MAX, high = 0;
  for (std::size_t s = 0; s < steps_.size(); ++s) {
    const std::size_t end = s + 1 < steps_.size() ? steps_[s + 1] : n;
    if (end == steps_[s]) continue;
    low = std::min(low, orderedBits(pending_.mass(steps_[s])));
    high = std::max(high, orderedBits(pending_.mass(end - 1)));
  }
  // At least 2^kPerBucketBits keys a bucket on average.
  constexpr int kMaxBucketBits = 8, kPerBucketBits = 5;
  const int bucketBits = std::clamp(static_cast<int>(std::bit_width(n)) - kPerBucketBits, 1, kMaxBucketBits);
  const int shift = std::max(0, static_cast<int>(std::bit_width(high - low)) - bucketBits);
  const auto bucket = [&](std::size_t k) { return (orderedBits(pending_.mass(k)) - low) >> shift; };
  buckets_.assign((std::size_t{1} << bucketBits) + 1, 0);
  for (std::size_t k = 0; k < n; ++k) ++buckets_[bucket(k) + 1];
  for (std::size_t b = 1; b < buckets_.size(); ++b) buckets_[b] += buckets_[b - 1];
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t at = buckets_[bucket(k)]++;
    keys[at] = std::uint64_t{orderedBits(pending_.mass(k))} << 32 | k;
    intensities[at] = pending_.intensity(k);
  }
  // buckets_[b] is now where bucket b ends.
  std::size_t begin = 0;
  for (std::size_t b = 0; b + 1 < buckets_.size(); ++b) {
    const std::size_t end = buckets_[b];
    sortBucket(keys + begin, intensities + begin, end - begin, spareKeys_, spareIntensities_, digitCounts_);
    begin = end;
  }
}

void SpectrumSum::mergeByStretches() {
  const std::size_t n = pending_.size(), sumSize = sum_.size(), total = sumSize + n;
  sortPending();
  stepsKnown_ = false;  // until the first stretch of more than one point
  // From the top down, so that in the sum's own buffers no write reaches
  // the sum's points still to be read: there are i of them, and top_ never
  // falls below i plus the batch points still to be read.
  into_ = &sum_;
  if (sum_.capacity() < total) {
    into_ = &out_;
    out_.clear();
    out_.reserve(total, std::min<std::size_t>(total + expected_, UINT_MAX));
  }
  top_ = total;
  // The open stretch: sum_[i, sumEnd) and the batch points of keys_[k,
  // keyEnd), both in mass order, from low up to high.
  std::size_t i = sumSize, k = n, sumEnd = sumSize, keyEnd = n;
  float low = 0.0f, high = 0.0f;
  const auto close = [&] {
    if ((sumEnd - i) + (keyEnd - k) == 1) {  // one point: every merge leaves it as it is
      if (sumEnd > i) {
        put(sum_.mass(i), sum_.intensity(i));
      } else {
        put(low, keyIntensities_[k]);
      }
    } else {
      sumStretch(i, sumEnd, k, keyEnd, high);
    }
  };
  while (i > 0 || k > 0) {
    const float pendingMass = k > 0 ? massOf(keys_[k - 1]) : 0.0f;
    // Equal masses: the sum's comes first going up, so last going down.
    const bool fromSum = k == 0 || (i > 0 && sum_.mass(i - 1) > pendingMass);
    const float mass = fromSum ? sum_.mass(i - 1) : pendingMass;
    if (i == sumEnd && k == keyEnd) {
      high = mass;
    } else if (low - mass > kAddScansMassTolerance) {
      close();
      sumEnd = i;
      keyEnd = k;
      high = mass;
    }
    fromSum ? --i : --k;
    low = mass;
  }
  if (sumEnd > 0 || keyEnd > 0) close();
  const std::size_t size = total - top_;
  if (top_ > 0) {  // points were joined: down to the start
    std::copy(into_->masses() + top_, into_->masses() + total, into_->masses());
    std::copy(into_->intensities() + top_, into_->intensities() + total, into_->intensities());
  }
  into_->setSize(size);
  if (into_ != &sum_) std::swap(sum_, out_);
}

void SpectrumSum::sumStretch(std::size_t sumBegin, std::size_t sumEnd, std::size_t keyBegin, std::size_t keyEnd,
                             float high) {
  const std::size_t fromSum = sumEnd - sumBegin;
  float low = fromSum > 0 ? sum_.mass(sumBegin) : massOf(keys_[keyBegin]);
  if (fromSum > 0 && keyEnd > keyBegin) low = std::min(low, massOf(keys_[keyBegin]));
  if (!stepsKnown_) {
    std::uint32_t* stepOf = stepOf_.get(pending_.size(), pending_.capacity());
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
  top_ -= stretch_.size();
  std::copy_n(stretch_.masses(), stretch_.size(), into_->masses() + top_);
  std::copy_n(stretch_.intensities(), stretch_.size(), into_->intensities() + top_);
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
  put(mass, intensity);
}
