#include "processing/SinhAxis.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>

#include "formats/scans/SpectrumRebin.h"

namespace {

// The single-precision 4.70964 (= 2 x 2.35482) and 2.35482, widened.
constexpr double kWidthFactor = 4.709640026092529;
constexpr double kFwhmPerSigma = 2.3548200130462646;

// Bins between closed-form values (the recurrence drifts by a few ulps
// per step at most), and the independent chains that keep it from waiting
// on itself.
constexpr int kResyncBins = 1024;
constexpr int kChains = 4;

struct Scale {
  double a = 0, c = 0, h = 0;
  // False for a resolution or flight-time factor that is not finite and above 0.
  bool set(double resolution, double ctof) {
    if (!(resolution > 0) || !std::isfinite(resolution) || !(ctof > 0) || !std::isfinite(ctof)) return false;
    a = kWidthFactor * resolution;
    c = 0.3 * a * ctof;
    h = 0.5 / (kFwhmPerSigma * resolution);
    return std::isfinite(c * c) && c > 0;
  }
  [[nodiscard]] double u(double m) const { return a * std::log((std::sqrt(c * c + m) + std::sqrt(m)) / c); }
};

bool usableMass(double m) { return m >= 0 && std::isfinite(m); }

template <class M>
int sinhAxis(const M* x, int n, double* out, int capacity, double du, double resolution, double ctof, double& u0) {
  Scale s;
  if (x == nullptr || n < 1 || !(du > 0) || !std::isfinite(du) || !s.set(resolution, ctof)) return 0;
  const double first = static_cast<double>(x[0]), last = static_cast<double>(x[n - 1]);
  if (!usableMass(first) || !usableMass(last)) return 0;
  const double start = s.u(first);
  const double span = (s.u(last) - start) / du;
  // Checked in double, before any int conversion or allocation.
  if (!(span >= 0) || !(span < static_cast<double>(borealtek_zvraw_version_1::kMaxGridIndices))) return 0;
  const int count = static_cast<int>(span) + 1;
  u0 = start;
  if (out == nullptr || count > capacity) return -count;
  // sinh(x + d) = sinh(x) e^d + sinh(d) e^-x along kChains interleaved
  // chains (bin j steps from bin j - kChains), taken afresh every few bins.
  const double d = s.h * du, step = kChains * d;
  const double grow = std::exp(step), shrink = std::exp(-step), sinhStep = std::sinh(step);
  const double sinhD = std::sinh(d), growD = std::exp(d), shrinkD = std::exp(-d);
  for (int i = 0; i < count; i += kResyncBins) {
    const double arg = s.h * (start + i * du);
    double sh[kChains], decay[kChains];
    sh[0] = std::sinh(arg);
    decay[0] = std::exp(-arg);
    for (int c = 1; c < kChains; ++c) {
      sh[c] = sh[c - 1] * growD + sinhD * decay[c - 1];
      decay[c] = decay[c - 1] * shrinkD;
    }
    const int end = std::min(count, i + kResyncBins);
    for (int j = i; j < end; j += kChains) {
      for (int c = 0; c < kChains; ++c) {
        const double root = s.c * sh[c];
        if (j + c < end) out[j + c] = root * root;
        sh[c] = sh[c] * grow + sinhStep * decay[c];
        decay[c] *= shrink;
      }
    }
  }
  return count;
}

template <class M, class Y>
int sinhRebin(const M* x, const Y* y, int n, std::unique_ptr<double[]>& u, std::unique_ptr<float[]>& v, int& m,
              double du, double resolution, double ctof, double& u0) {
  const int need = -sinhAxis(x, n, nullptr, 0, du, resolution, ctof, u0);
  if (need < 2) return -1;
  if (need > m) {
    u.reset();
    v.reset();
    m = 0;
    u = std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(need));
    v = std::make_unique_for_overwrite<float[]>(static_cast<std::size_t>(need));
    m = need;
  }
  if (m < 1) return -1;
  const int count = sinhAxis(x, n, u.get(), m, du, resolution, ctof, u0);
  borealtek_zvraw_version_1::resampleKeepingSum(x, y, n, u.get(), v.get(), count);
  return count;
}

}  // namespace

int SinhAxis(const double* pdX, int nX, double* pdU, int nUP, double dDeltaU, double dResolution, double dCtof,
             double& dU0) {
  return sinhAxis(pdX, nX, pdU, nUP, dDeltaU, dResolution, dCtof, dU0);
}
int SinhAxis(const float* pdX, int nX, double* pdU, int nUP, double dDeltaU, double dResolution, double dCtof,
             double& dU0) {
  return sinhAxis(pdX, nX, pdU, nUP, dDeltaU, dResolution, dCtof, dU0);
}

int SinhRebin(const double* x, const unsigned short* y, int n, std::unique_ptr<double[]>& u,
              std::unique_ptr<float[]>& v, int& m, double dDeltaU, double dResolution, double dCtof, double& dU0) {
  return sinhRebin(x, y, n, u, v, m, dDeltaU, dResolution, dCtof, dU0);
}
int SinhRebin(const double* x, const float* y, int n, std::unique_ptr<double[]>& u, std::unique_ptr<float[]>& v, int& m,
              double dDeltaU, double dResolution, double dCtof, double& dU0) {
  return sinhRebin(x, y, n, u, v, m, dDeltaU, dResolution, dCtof, dU0);
}
int SinhRebin(const float* x, const float* y, int n, std::unique_ptr<double[]>& u, std::unique_ptr<float[]>& v, int& m,
              double dDeltaU, double dResolution, double dCtof, double& dU0) {
  return sinhRebin(x, y, n, u, v, m, dDeltaU, dResolution, dCtof, dU0);
}

bool SinhBinsToMass(const double* pMasses, long lNumDataPoints, double dDeltaU, double dResolution, double dCtof,
                    double dU0, double* pdPeakPositions, float* pfPeakPosSigmas, long lNumPeaks) {
  Scale s;
  if (!s.set(dResolution, dCtof)) return false;
  if (lNumPeaks > 0 && (pMasses == nullptr || pdPeakPositions == nullptr)) return false;
  const double q = s.a * (0.3 * dCtof) * (0.3 * dCtof), h2 = 1.0 / (kFwhmPerSigma * dResolution);
  for (long k = 0; k < lNumPeaks; ++k) {
    const double p = pdPeakPositions[k];
    const double i = std::trunc(p);
    const bool inside = p >= 0 && i < static_cast<double>(lNumDataPoints);
    // The mass step per bin at bin i, the derivative of the axis formula:
    // sinh(2x) dU q, with sinh(x) = sqrt(mass) / c read off the axis inside it.
    const double root = inside ? std::sqrt(pMasses[static_cast<long>(i)]) / s.c : 0.0;
    const double slope = inside  ? 2.0 * root * std::sqrt(1.0 + root * root) * dDeltaU * q
                         : std::isnan(p) ? 0.0
                                         : std::sinh(h2 * (dU0 + i * dDeltaU)) * dDeltaU * q;
    pdPeakPositions[k] = inside ? pMasses[static_cast<long>(i)] + (p - i) * slope : 0.0;
    if (pfPeakPosSigmas != nullptr) {
      const float sigma = pfPeakPosSigmas[k];
      pfPeakPosSigmas[k] = std::copysign(static_cast<float>(std::fabs(static_cast<double>(sigma) * slope)), sigma);
    }
  }
  return true;
}
