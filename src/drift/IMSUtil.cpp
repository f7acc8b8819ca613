#include "drift/IMSUtil.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Vardex::Lib::ZorvalenRaw::IMSUtil {

namespace {

template <class Y>
int zeropad(const std::uint32_t* inX, const std::uint32_t* inY, std::size_t size, std::vector<std::uint32_t>& outX,
            std::vector<Y>& outY, int startX, int endX) {
  if (startX < 0 || size == 0 || inX == nullptr || inY == nullptr) {
    outX.clear();
    outY.clear();
    return startX < 0 ? INPUTINVALID : OK;
  }
  const std::int64_t first = startX, end = endX;
  auto kept = [&](std::size_t k) { return inY[k] != 0 && inX[k] >= first && inX[k] <= end; };
  std::size_t k = 0;
  while (k < size && !kept(k)) ++k;
  // Each kept point brings at most two zeros before it; two more close the window.
  const std::size_t most = 3 * (size - k) + 2;
  if (outX.size() < most) outX.resize(most);
  if (outY.size() < most) outY.resize(most);
  std::uint32_t* px = outX.data();
  Y* py = outY.data();
  std::size_t n = 0;
  auto emit = [&](std::int64_t x, std::uint32_t y) {
    px[n] = static_cast<std::uint32_t>(x);
    py[n] = static_cast<Y>(y);
    ++n;
  };
  if (k < size) {
    std::int64_t last = inX[k];
    if (last - first >= 1) emit(first, 0);
    if (last - first >= 2) emit(last - 1, 0);
    emit(last, inY[k]);
    for (++k; k < size; ++k) {
      if (!kept(k)) continue;
      const std::int64_t x = inX[k];
      const std::int64_t d = x - last;
      if (d <= 0) continue;  // out of order or repeated: the first one holds
      if (d >= 3) emit(last + 1, 0);
      if (d >= 2) emit(x - 1, 0);
      emit(x, inY[k]);
      last = x;
    }
    if (end - last >= 2) emit(last + 1, 0);
    if (end - last >= 1) emit(end, 0);
  }
  outX.resize(n);
  outY.resize(n);
  return OK;
}

template <class V>
void combine(const std::uint32_t* u, const V* v, std::size_t size, std::vector<float>& y, int offset) {
  if (u == nullptr || v == nullptr) return;
  const auto n = static_cast<std::int64_t>(y.size());
  float* acc = y.data();
  for (std::size_t k = 0; k < size; ++k) {
    const std::int64_t at = static_cast<std::int64_t>(u[k]) - offset;
    if (at >= 0 && at < n) acc[at] += static_cast<float>(v[k]);
  }
}

template <class X>
int removeZero(const std::vector<X>& inX, const std::vector<float>& inY, std::vector<X>& outX,
               std::vector<float>& outY) {
  const std::size_t n = std::min(inX.size(), inY.size());
  if (n <= 4) {
    outX.assign(inX.begin(), inX.begin() + static_cast<std::ptrdiff_t>(n));
    outY.assign(inY.begin(), inY.begin() + static_cast<std::ptrdiff_t>(n));
    return OK;
  }
  outX.assign(1, inX[0]);
  outY.assign(1, inY[0]);
  float lastKept = inY[0];
  for (std::size_t i = 1; i + 1 < n; ++i) {
    if (lastKept + inY[i] + inY[i + 1] > 0) {
      outX.push_back(inX[i]);
      outY.push_back(inY[i]);
      lastKept = inY[i];
    }
  }
  outX.push_back(inX[n - 1]);
  outY.push_back(inY[n - 1]);
  return OK;
}

template <class Y, class ToUnsigned>
int removeZeroIntensities(const std::vector<std::uint32_t>& inX, const std::vector<Y>& inY,
                          std::vector<std::uint32_t>& outX, std::vector<std::uint32_t>& outY, ToUnsigned toUnsigned) {
  const std::size_t n = std::min(inX.size(), inY.size());
  outX.clear();
  outY.clear();
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t y = toUnsigned(inY[k]);
    if (y == 0) continue;
    outX.push_back(inX[k]);
    outY.push_back(y);
  }
  return OK;
}

}  // namespace

float TimeToMass(float lTeff, float Veff, float ADCFrequency) {
  const float lf = lTeff * ADCFrequency;
  return Veff / (5184.0f * lf * lf);
}

float MassToIndex(float mass, float timeToMass) { return std::sqrt(mass / timeToMass); }

float IndexToMass(int index, float timeToMass) {
  const auto i = static_cast<float>(index);
  return timeToMass * i * i;
}

std::vector<float> MassScale(int startIndex, int numberOfIndex, float timeToMass) {
  if (numberOfIndex <= 0) return {};
  std::vector<float> scale(static_cast<std::size_t>(numberOfIndex));
  for (int i = 0; i < numberOfIndex; ++i) {
    const auto v = static_cast<float>(static_cast<std::int64_t>(startIndex) + i);
    scale[static_cast<std::size_t>(i)] = (timeToMass * v) * v;
  }
  return scale;
}

bool GridIndices(float timeToMass, float startMass, float endMass, HalfUp rounding, int& startIndex, int& endIndex) {
  if (!std::isfinite(timeToMass) || !(timeToMass > 0) || !std::isfinite(startMass) || !std::isfinite(endMass) ||
      !(startMass > 0) || !(startMass <= endMass))
    return false;
  auto halfUp = [rounding](float index) {
    return rounding == HalfUp::Float ? static_cast<double>(index + 0.5f) : static_cast<double>(index) + 0.5;
  };
  const double first = halfUp(MassToIndex(startMass, timeToMass));
  const double last = halfUp(MassToIndex(endMass, timeToMass));
  // A quotient that overflowed to infinity fails here, before any int conversion.
  constexpr double kIntLimit = 2147483648.0;
  if (!(first < kIntLimit) || !(last < kIntLimit)) return false;
  const int s = static_cast<int>(first), e = static_cast<int>(last);
  if (static_cast<std::int64_t>(e) - s + 1 > kMaxGridIndices) return false;
  startIndex = s;
  endIndex = e;
  return true;
}

void Resample(const float* x, const float* y, int n, const float* u, float* v, int m) {
  borealtek_zvraw_version_1::resampleKeepingSum(x, y, n, u, v, m);
}

void ResampleWindow(const float* x, int n, const float* u, int m, int& first, int& count) {
  std::int64_t from = 0, cells = 0;
  borealtek_zvraw_version_1::rebinWindow(x, n, u, m, from, cells);
  first = static_cast<int>(from);  // within m
  count = static_cast<int>(cells);
}

void AxisEdges(const float* u, int m, double& low, double& high) {
  low = high = 0.0;
  if (u == nullptr || m <= 0) return;
  low = borealtek_zvraw_version_1::rebin_detail::edge(u, m, 0);
  high = borealtek_zvraw_version_1::rebin_detail::edge(u, m, m);
}

int Zeropad(const std::uint32_t* inX, const std::uint32_t* inY, std::size_t size, std::vector<std::uint32_t>& outX,
            std::vector<std::uint32_t>& outY, int startX, int endX) {
  return zeropad(inX, inY, size, outX, outY, startX, endX);
}

int Zeropad(const std::uint32_t* inX, const std::uint32_t* inY, std::size_t size, std::vector<std::uint32_t>& outX,
            std::vector<float>& outY, int startX, int endX) {
  return zeropad(inX, inY, size, outX, outY, startX, endX);
}

void CombineScans(const std::uint32_t* u, const float* v, std::size_t size, std::vector<float>& y, int offset) {
  combine(u, v, size, y, offset);
}

void CombineScans(const std::uint32_t* u, const std::uint32_t* v, std::size_t size, std::vector<float>& y, int offset) {
  combine(u, v, size, y, offset);
}

void CombineScans(const std::vector<std::uint32_t>& u, const std::vector<std::uint32_t>& v, std::vector<float>& y,
                  int offset) {
  combine(u.data(), v.data(), std::min(u.size(), v.size()), y, offset);
}

int RemoveZero(const std::vector<int>& inX, const std::vector<float>& inY, std::vector<int>& outX,
               std::vector<float>& outY) {
  return removeZero(inX, inY, outX, outY);
}

int RemoveZero(const std::vector<float>& inX, const std::vector<float>& inY, std::vector<float>& outX,
               std::vector<float>& outY) {
  return removeZero(inX, inY, outX, outY);
}

int RemoveZeroIntensities(const std::vector<std::uint32_t>& inX, const std::vector<std::uint32_t>& inY,
                          std::vector<std::uint32_t>& outX, std::vector<std::uint32_t>& outY) {
  return removeZeroIntensities(inX, inY, outX, outY, [](std::uint32_t y) { return y; });
}

int RemoveZeroIntensities(const std::vector<std::uint32_t>& inX, const std::vector<float>& inY,
                          std::vector<std::uint32_t>& outX, std::vector<std::uint32_t>& outY) {
  return removeZeroIntensities(inX, inY, outX, outY, ToUnsignedIntensity);
}

}  // namespace Vardex::Lib::ZorvalenRaw::IMSUtil
