#include "formats/calibration/FunctionCalibration.h"

#include <emmintrin.h>

#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

#include "formats/portability/CLocale.h"
#include "formats/portability/CpuFeatures.h"

namespace borealtek_calibrate_version_1 {

bool FunctionCalibrationImp::operator==(const FunctionCalibrationImp& o) const {
  // Raw memory for the covariances: equal NaN patterns match, signed zeros do not.
  return m_fC == o.m_fC && m_nCalOrder == o.m_nCalOrder && m_nCalType == o.m_nCalType && m_fStdDev == o.m_fStdDev &&
         m_fM == o.m_fM && m_nModOrder == o.m_nModOrder && m_nModType == o.m_nModType && m_fCalTemp == o.m_fCalTemp &&
         std::memcmp(m_afCovars.data(), o.m_afCovars.data(), sizeof m_afCovars) == 0;
}

void FunctionCalibration::setCalibration(double C0, short nCalType) {
  imp_.m_fC[0] = C0;
  imp_.m_nCalOrder = 0;
  imp_.m_nCalType = nCalType;
}

void FunctionCalibration::setCalibration(double C0, double C1, short nCalType) {
  imp_.m_fC[0] = C0;
  imp_.m_fC[1] = C1;
  imp_.m_nCalOrder = 1;
  imp_.m_nCalType = nCalType;
}

void FunctionCalibration::setCalibration(double C0, double C1, double C2, short nCalType) {
  imp_.m_fC[0] = C0;
  imp_.m_fC[1] = C1;
  imp_.m_fC[2] = C2;
  imp_.m_nCalOrder = 2;
  imp_.m_nCalType = nCalType;
}

void FunctionCalibration::setModification(double M0) {
  imp_.m_fM[0] = M0;
  imp_.m_nModOrder = 0;
}

void FunctionCalibration::setModification(double M0, double M1) {
  imp_.m_fM[0] = M0;
  imp_.m_fM[1] = M1;
  imp_.m_nModOrder = 1;
}

void FunctionCalibration::setModification(double M0, double M1, double M2) {
  imp_.m_fM[0] = M0;
  imp_.m_fM[1] = M1;
  imp_.m_fM[2] = M2;
  imp_.m_nModOrder = 2;
}

namespace {

// The array loops evaluate the same expression as detail::evaluatePolynomial,
// with the order and type fixed at compile time so that the inner loop has
// no branches and Horner's rule unrolls. Four masses go through it side by
// side: every lane does exactly the scalar's double operations (no fused
// multiply-add), so the results are the same to the bit on every machine.
// A second copy for processors with 256-bit registers is picked at run time.
using Padded = std::array<double, kCalCoefficients + 1>;  // index 7 is the zero top
typedef double Double2 __attribute__((vector_size(16)));
typedef double Double4 __attribute__((vector_size(32)));
typedef float Float4 __attribute__((vector_size(16)));

// In place; by reference, as a 256-bit value may not cross a call in the
// copy built for processors without it.
template <int Top, bool Root>
[[gnu::always_inline]] inline void evaluateLanes(Double4& x, const Double4* c) {
  if constexpr (Root) {
    // Correctly rounded per lane, as std::sqrt.
    const Double2 lo = _mm_sqrt_pd(Double2{x[0], x[1]}), hi = _mm_sqrt_pd(Double2{x[2], x[3]});
    x = Double4{lo[0], lo[1], hi[0], hi[1]};
  }
  Double4 r = c[Top];
#pragma GCC unroll 8
  for (int k = Top - 1; k >= 0; --k) r = c[k] + r * x;
  x = Root ? r * r : r;
}

template <int Top, bool Root, class T>
[[gnu::always_inline]] inline void evaluateArray(T* values, std::size_t n, const Padded& padded) {
  Double4 c[Top + 1];
  for (int k = 0; k <= Top; ++k) {
    const double v = padded[static_cast<std::size_t>(k)];
    c[k] = Double4{v, v, v, v};  // not 0 + v, which would turn -0 into +0
  }
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    Double4 x;
    if constexpr (std::is_same_v<T, float>) {
      Float4 f;
      std::memcpy(&f, values + i, sizeof f);
      x = __builtin_convertvector(f, Double4);
      evaluateLanes<Top, Root>(x, c);
      f = __builtin_convertvector(x, Float4);
      std::memcpy(values + i, &f, sizeof f);
    } else {
      std::memcpy(&x, values + i, sizeof x);
      evaluateLanes<Top, Root>(x, c);
      std::memcpy(values + i, &x, sizeof x);
    }
  }
  for (; i < n; ++i) {
    const auto v = static_cast<double>(values[i]);
    Double4 x{v, v, v, v};
    evaluateLanes<Top, Root>(x, c);
    values[i] = static_cast<T>(x[0]);
  }
}

template <int Top, bool Root, class T>
ZVRAW_AVX2_COPY void evaluateArrayAvx2(T* values, std::size_t n, const Padded& padded) {
  evaluateArray<Top, Root, T>(values, n, padded);
}
template <int Top, bool Root, class T>
void evaluateArrayPlain(T* values, std::size_t n, const Padded& padded) {
  evaluateArray<Top, Root, T>(values, n, padded);
}

template <class T>
using ArrayLoop = void (*)(T*, std::size_t, const Padded&);

template <class T, bool Avx2, std::size_t... Top>
constexpr std::array<ArrayLoop<T>, 2 * sizeof...(Top)> makeLoops(std::index_sequence<Top...>) {
  if constexpr (Avx2)
    return {evaluateArrayAvx2<static_cast<int>(Top), false, T>..., evaluateArrayAvx2<static_cast<int>(Top), true, T>...};
  else
    return {evaluateArrayPlain<static_cast<int>(Top), false, T>...,
            evaluateArrayPlain<static_cast<int>(Top), true, T>...};
}

template <class T>
void evaluateInPlace(T* values, int nSize, const CalCoefficients& coefficients, short order, short type) {
  static constexpr auto kAvx2 = makeLoops<T, true>(std::make_index_sequence<kCalCoefficients + 1>{});
  static constexpr auto kPlain = makeLoops<T, false>(std::make_index_sequence<kCalCoefficients + 1>{});
  const auto& kLoops = zvraw::cpuHasAvx2() ? kAvx2 : kPlain;
  Padded c{};
  std::copy(coefficients.begin(), coefficients.end(), c.begin());
  const auto top = static_cast<std::size_t>(std::min<int>(order, kCalCoefficients));
  const std::size_t root = type == CALTYPE_ROOTMASS ? kCalCoefficients + 1 : 0;
  kLoops[root + top](values, static_cast<std::size_t>(nSize), c);
}

template <class T>
void calibrateInPlace(const FunctionCalibrationImp& cal, T* values, int nSize) {
  if (values == nullptr || nSize <= 0 || cal.m_nCalOrder < 0) return;
  evaluateInPlace(values, nSize, cal.m_fC, cal.m_nCalOrder, cal.m_nCalType);
  // A second pass gives the same values as CalibrateMass per element: for
  // floats the intermediate was rounded to float there as it is here.
  if (cal.m_nModOrder > 0) evaluateInPlace(values, nSize, cal.m_fM, cal.m_nModOrder, cal.m_nModType);
}

template <class T>
void modifyInPlace(const FunctionCalibrationImp& cal, T* values, int nSize) {
  if (values == nullptr || nSize <= 0 || cal.m_nModOrder < 0) return;
  evaluateInPlace(values, nSize, cal.m_fM, cal.m_nModOrder, cal.m_nModType);
}

// Each coefficient takes at most 24 characters ("-1.234567890123456E+308,")
// and the type marker at most 7, so seven of them fit the buffer with room.
char* renderPolynomial(std::span<char, kCalTextSize> buf, const CalCoefficients& c, short order, short type) {
  std::memset(buf.data(), 0, buf.size());
  if (order < 0) return buf.data();
  std::string text;
  const int top = std::min<int>(order, kCalCoefficients - 1);
  for (int k = 0; k <= top; ++k) text += zvraw::formatC("%.15E,", c[static_cast<std::size_t>(k)]);
  text += zvraw::formatC("T%i", static_cast<int>(type));
  std::memcpy(buf.data(), text.data(), std::min(text.size(), buf.size() - 1));
  return buf.data();
}

}  // namespace

void FunctionCalibration::calibrateMasses(float* pfMasses, int nSize) const { calibrateInPlace(imp_, pfMasses, nSize); }
void FunctionCalibration::calibrateMasses(double* pfMasses, int nSize) const { calibrateInPlace(imp_, pfMasses, nSize); }
void FunctionCalibration::modifyMasses(float* pfMasses, int nSize) const { modifyInPlace(imp_, pfMasses, nSize); }
void FunctionCalibration::modifyMasses(double* pfMasses, int nSize) const { modifyInPlace(imp_, pfMasses, nSize); }

char* FunctionCalibration::calToBuf(std::span<char, kCalTextSize> cBuf) const {
  return renderPolynomial(cBuf, imp_.m_fC, imp_.m_nCalOrder, imp_.m_nCalType);
}

char* FunctionCalibration::modToBuf(std::span<char, kCalTextSize> cBuf) const {
  return renderPolynomial(cBuf, imp_.m_fM, imp_.m_nModOrder, imp_.m_nModType);
}

}  // namespace borealtek_calibrate_version_1
