#pragma once

// A sum of many spectra that comes out bit for bit as adding them one by one
// with ZVSpectrum::operator+= from an empty spectrum, without merging each
// into the whole sum so far: that costs the scans times the points of the
// sum, which grows with every scan whose masses move.
//
// An addition is merged at once while the sum is at most a few times its
// size. Past that, additions wait in a batch until it holds as many points
// as the sum, so each point is sorted once and the sum rewritten a
// logarithmic number of times. A batch is merged one stretch of masses at a
// time: the sorted points of the sum and the batch fall apart where
// neighbours lie more than the merge tolerance apart, no merge ever joins
// points across such a gap, so each stretch is summed on its own, its
// additions replayed in order by the two-list merge itself. Stretches of
// one point, nearly all of them for centroid scans, are copied. The merged
// sum is written from the top down, into the sum's own buffers when they
// have room, so that a growing sum touches little fresh memory. Once an
// addition's masses do not ascend (or hold a NaN), every later one is
// merged at once, as the order rules of the merge then need.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

class ZVSpectrum;

class SpectrumSum {
 public:
  // As sum += ZVSpectrum(masses, intensities, n): null arrays add an empty
  // spectrum, and an addition that would take the sum past UINT_MAX points
  // is left out.
  void add(const float* masses, const float* intensities, unsigned int n);
  void add(const ZVSpectrum& spectrum);
  // Tells that at most this many points will be added from now on, so that
  // a sum that grows makes room for them once rather than at every batch.
  void expect(std::size_t points) { expected_ = points; }
  // Takes two new[] arrays of capacity points as room for its merges, when
  // that is more than it holds for them.
  void reuse(std::unique_ptr<float[]> masses, std::unique_ptr<float[]> intensities, std::size_t capacity) {
    if (masses && intensities && capacity > out_.capacity())
      out_.adopt(std::move(masses), std::move(intensities), capacity);
  }
  // Replaces out's contents by the sum (no sigmas); the sum starts again
  // empty and keeps its buffers for the next one.
  void moveTo(ZVSpectrum& out);
  // Empties the sum, whatever an addition left, keeping its buffers.
  void restart() {
    sum_.clear();
    pending_.clear();
    steps_.clear();
    coalesced_ = false;
    order_ = Order::unknown;
    expected_ = 0;
  }

 private:
  // Points in buffers that grow and never shrink, left uninitialised, so
  // that no merge pays for zeroing memory it is about to write.
  class Points {
   public:
    [[nodiscard]] std::size_t size() const { return n_; }
    [[nodiscard]] float* masses() { return masses_.get(); }
    [[nodiscard]] float* intensities() { return intensities_.get(); }
    [[nodiscard]] float mass(std::size_t k) const { return masses_[k]; }
    [[nodiscard]] float intensity(std::size_t k) const { return intensities_[k]; }
    [[nodiscard]] std::size_t capacity() const { return capacity_; }
    void clear() { n_ = 0; }
    // Takes the buffers in place of its own, emptied.
    void adopt(std::unique_ptr<float[]> masses, std::unique_ptr<float[]> intensities, std::size_t capacity) {
      masses_ = std::move(masses);
      intensities_ = std::move(intensities);
      capacity_ = capacity;
      n_ = 0;
    }
    // Hands the buffers over, leaving none.
    void release(std::unique_ptr<float[]>& masses, std::unique_ptr<float[]>& intensities) {
      masses = std::move(masses_);
      intensities = std::move(intensities_);
      capacity_ = n_ = 0;
    }
    // Room for want points, the present ones kept; room for hope points
    // when that much can be had.
    void reserve(std::size_t want, std::size_t hope = 0);
    // After writing n points through masses() and intensities().
    void setSize(std::size_t n) { n_ = n; }
    void append(const float* m, const float* y, std::size_t n) {
      reserve(n_ + n);
      std::copy_n(m, n, masses_.get() + n_);
      std::copy_n(y, n, intensities_.get() + n_);
      n_ += n;
    }
    void push(float m, float y) {
      if (n_ == capacity_) reserve(n_ + 1);
      masses_[n_] = m;
      intensities_[n_] = y;
      ++n_;
    }

   private:
    std::unique_ptr<float[]> masses_, intensities_;
    std::size_t capacity_ = 0, n_ = 0;
  };

  // An array rewritten before each use: it grows without keeping or
  // zeroing what it held.
  template <class T>
  class Scratch {
   public:
    // Room for n, for hope when that much can be had.
    T* get(std::size_t n, std::size_t hope = 0) {
      if (capacity_ < n) {
        data_.reset();  // before the next, so that the two are never held at once
        if (hope > n) data_.reset(new (std::nothrow) T[hope]);
        capacity_ = data_ ? hope : n;
        if (!data_) data_ = std::make_unique_for_overwrite<T[]>(n);
      }
      return data_.get();
    }
    T& operator[](std::size_t k) { return data_[k]; }
    const T& operator[](std::size_t k) const { return data_[k]; }

   private:
    std::unique_ptr<T[]> data_;
    std::size_t capacity_ = 0;
  };

  // An addition is merged at once while the sum holds at most this many
  // times its points.
  static constexpr std::size_t kMergeAtOnce = 8;

  // list becomes addScans(list, the n points), through scratch.
  static void merge(Points& list, const float* masses, const float* intensities, std::size_t n, Points& scratch);
  // The one-by-one step for this addition, the batch being empty.
  void mergeNow(const float* masses, const float* intensities, std::size_t n);
  void mergePending();
  // Fills keys_ with the batch's points in mass order.
  void sortPending();
  void mergeByStretches();
  // Writes below top_ in into_ the stretch of sum_[sumBegin, sumEnd) and
  // the batch points of keys_[keyBegin, keyEnd), high being its highest
  // mass, reading them before it writes.
  void sumStretch(std::size_t sumBegin, std::size_t sumEnd, std::size_t keyBegin, std::size_t keyEnd, float high);
  void sumNarrowStretch(std::size_t sumIndex, bool fromSum);
  void put(float mass, float intensity) {
    --top_;
    into_->masses()[top_] = mass;
    into_->intensities()[top_] = intensity;
  }

  Points sum_;                        // the sum of the merged additions
  Points pending_;                    // the batch, additions in order
  std::vector<std::uint32_t> steps_;  // where each addition of the batch starts
  // False while the sum is a first spectrum copied as it came, whose points
  // may lie within the tolerance of each other until the next addition.
  bool coalesced_ = false;
  // Whether the sum's masses ascend without NaN, which batching needs: known
  // when a batch starts, and disordered for good once an addition is not.
  enum class Order { unknown, ascending, disordered };
  Order order_ = Order::unknown;
  std::size_t expected_ = 0;  // points still to come, as far as told

  // Scratch, kept from one merge to the next.
  Points out_, stretch_, scratch_;
  Scratch<std::uint64_t> keys_, spareKeys_;  // mass bits and batch index
  Scratch<float> keyIntensities_, spareIntensities_;  // the intensity of each key
  std::vector<std::uint32_t> buckets_, digitCounts_;
  Points* into_ = nullptr;  // where a batch merge writes, below top_
  std::size_t top_ = 0;
  Scratch<std::uint32_t> stepOf_;            // the addition of each batch point
  bool stepsKnown_ = false;                  // stepOf_ filled for this batch
  std::vector<std::uint32_t> members_;
};
