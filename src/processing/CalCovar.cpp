#include "processing/CalCovar.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "formats/portability/CLocale.h"
#include "processing/CalCovarMath.h"

namespace {

constexpr int kMaxLockMassOrder = 5;  // (5 + 1)^2 = WORK_SIZE

bool isSeparator(char c) { return c == ';' || c == ','; }

}  // namespace

CCalCovar::CCalCovar(bool bUseRootMass, const double* pfCovars, int nOrder, double fChi2Reduced)
    : m_bUseRootMass(bUseRootMass) {
  if (nOrder < 0) return;
  allocate(nOrder);
  if (pfCovars == nullptr) return;
  for (std::size_t i = 0; i < m_pfCovars.size(); ++i) m_pfCovars[i] = pfCovars[i] * fChi2Reduced;
}

CCalCovar::CCalCovar(bool bUseRootMass, const char* pszCovarString) : m_bUseRootMass(bUseRootMass) {
  SetCovariances(pszCovarString);
}

CCalCovar::CCalCovar(const double* const* V, const double* W, int nDim, bool b1Indexed, bool bUseRootMass,
                     double fChi2Reduced)
    : m_bUseRootMass(bUseRootMass) {
  if (nDim < 1) return;
  allocate(nDim - 1);
  if (!svdvar(V, W, nDim, fChi2Reduced, m_pfCovars, b1Indexed ? 1 : 0)) {
    clear();
    return;
  }
  convert(m_nOrder, m_pfCovars);
}

void CCalCovar::allocate(int nOrder) {
  const std::size_t count = packedCount(static_cast<std::size_t>(nOrder) + 1);
  if (count > m_pfCovars.max_size()) throw std::bad_alloc();
  m_pfCovars.assign(count, 0.0);
  m_pfVec.assign(static_cast<std::size_t>(nOrder) + 1, 0.0);
  m_nOrder = nOrder;
}

void CCalCovar::clear() {
  m_pfCovars = {};
  m_pfVec = {};
  m_nOrder = -1;
}

double CCalCovar::CalVar(double fVal, bool bLockMass) const {
  if (m_nOrder < 0) return 0.0;
  CalPoly(fVal, m_pfVec, m_nOrder);
  if (bLockMass && m_nOrder > 0) m_pfVec[1] = 0.0;  // leave the linear coefficient out
  const auto d = static_cast<std::size_t>(m_nOrder) + 1;
  double diagonal = 0.0, offDiagonal = 0.0;
  for (std::size_t i = 0; i < d; ++i) {
    diagonal += m_pfVec[i] * m_pfVec[i] * m_pfCovars[packedIndex(i, i)];
    for (std::size_t j = 0; j < i; ++j) offDiagonal += m_pfVec[i] * m_pfVec[j] * m_pfCovars[packedIndex(i, j)];
  }
  return diagonal + 2.0 * offDiagonal;
}

double CCalCovar::directVariance(double fMass) const {
  // d(u^2) = 2u du for a root-mass calibration: 4 m var(u) at u = sqrt(m).
  return m_bUseRootMass ? CalVar(std::sqrt(fMass), false) * 4.0 * fMass : CalVar(0.001 * fMass, false);
}

double CCalCovar::GetVariance(double fMass) const {
  double v = 0.0;
  if (m_bLookup && fMass >= m_fMinMass && fMass <= m_fMaxMass) {
    auto i = static_cast<int>((fMass - m_fMinMass) * (m_nTableSize - 1) / (m_fMaxMass - m_fMinMass));
    i = std::clamp(i, 0, m_nTableSize - 2);
    v = splint(m_pfX, m_pfY, m_pfY2, fMass, i);
  } else {
    v = directVariance(fMass);
  }
  return v > 0.0 ? v : 0.0;  // a negative or NaN variance means none
}

bool CCalCovar::MakeLookupTable(double fMinMass, double fMaxMass) {
  if (m_bLookup) return true;
  const double lo = std::min(fMinMass, fMaxMass);
  const double hi = std::max(fMinMass, fMaxMass);
  if (!std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(hi - lo) || lo == hi) return false;
  m_fMinMass = lo;
  m_fMaxMass = hi;
  m_nTableSize = kTableSize;
  m_pfX.assign(kTableSize, 0.0);
  m_pfY.assign(kTableSize, 0.0);
  m_pfY2 = {};
  // Ascending from the smaller bound, as GetVariance indexes it.
  for (std::size_t i = 0; i < m_pfX.size(); ++i) {
    const double mass = lo + static_cast<double>(i) * (hi - lo) / (kTableSize - 1);
    m_pfX[i] = mass;
    m_pfY[i] = m_bUseRootMass ? 4.0 * mass * CalVar(std::sqrt(mass), false) : CalVar(0.001 * mass, false);
  }
  m_pfY2 = spline(m_pfX, m_pfY, kTableSize);
  m_bLookup = !m_pfY2.empty();
  if (!m_bLookup) m_nTableSize = 0;
  return m_bLookup;
}

char* CCalCovar::Format(char* pcBuf, int nBuf) const {
  if (pcBuf == nullptr || nBuf < 1) return nullptr;
  pcBuf[0] = '\0';
  std::string text;
  const auto append = [&](const std::string& piece) {
    if (text.size() + piece.size() + 1 > static_cast<std::size_t>(nBuf)) return false;  // room for the zero
    text += piece;
    return true;
  };
  for (int r = 0; r <= m_nOrder; ++r) {
    const auto row = static_cast<std::size_t>(r);
    for (std::size_t c = 0; c < row; ++c)
      if (!append(zvraw::formatC("%+22.15e,", m_pfCovars[packedIndex(row, c)]))) return nullptr;
    // Rows are separated by ';', the last one ends bare.
    const std::string diagonal = zvraw::formatC("%+22.15e", m_pfCovars[packedIndex(row, row)]);
    if (!append(r < m_nOrder ? diagonal + ";" : diagonal)) return nullptr;
  }
  std::memcpy(pcBuf, text.c_str(), text.size() + 1);
  return pcBuf;
}

bool CCalCovar::SetCovariances(const char* pszCovarString) {
  if (pszCovarString == nullptr) return false;
  clear();
  m_bLookup = false;
  // Count before allocating: the semicolons claim a size the pieces must match.
  std::uint64_t rows = 1, pieces = 0;
  bool inPiece = false;
  for (const char* c = pszCovarString; *c != '\0'; ++c) {
    if (isSeparator(*c)) {
      rows += *c == ';' ? 1 : 0;
      inPiece = false;
    } else if (!inPiece) {
      inPiece = true;
      ++pieces;
    }
  }
  if (rows > static_cast<std::uint64_t>(INT_MAX) || pieces != packedCount(rows)) return false;
  allocate(static_cast<int>(rows - 1));
  std::size_t k = 0;
  for (const char* c = pszCovarString; *c != '\0';) {
    if (isSeparator(*c)) {
      ++c;
      continue;
    }
    // No number syntax holds a separator, so the read stays within the piece.
    errno = 0;
    char* end = nullptr;
    const double v = zvraw::strtodC(c, &end);
    if (errno == ERANGE && std::isinf(v)) {
      clear();
      return false;
    }
    m_pfCovars[k++] = v;  // a piece that is not a number reads as 0
    while (*c != '\0' && !isSeparator(*c)) ++c;
  }
  return true;
}

bool CCalCovar::GetCovariances(double* pfCovars, int nSize) const {
  const std::size_t count = m_pfCovars.size();
  if (nSize < 0 || static_cast<std::size_t>(nSize) < count) return false;
  if (count > 0 && pfCovars == nullptr) return false;
  std::copy(m_pfCovars.begin(), m_pfCovars.end(), pfCovars);
  return true;
}

bool CCalCovar::UpdateForLockMass(double fObsLockMass, double fObsLockMassSigma, [[maybe_unused]] double fCalLockMass,
                                  double* pfCovars, int nSize) {
  if (m_nOrder < 1 || m_nOrder > kMaxLockMassOrder || fObsLockMass == 0.0 || fObsLockMassSigma == 0.0) return false;
  const double sigma2 = fObsLockMassSigma * fObsLockMassSigma;
  const double x = m_bUseRootMass ? std::sqrt(fObsLockMass) : fObsLockMass;
  const double x2 = m_bUseRootMass ? fObsLockMass : fObsLockMass * fObsLockMass;
  const double w = m_bUseRootMass ? 4.0 * fObsLockMass / sigma2 : 1.0 / sigma2;
  const int dim = m_nOrder + 1;
  std::array<double, WORK_SIZE> A{};
  bool ok = Expand(A, m_pfCovars, dim) && Del(A, dim, 1) && Syminv(A, dim - 1) == 0;
  if (ok) {
    // An information matrix without information on c1, plus the lock mass's own.
    Pad(A, dim - 1, 1);
    std::array<double, 2 * kMaxLockMassOrder + 1> powers{};
    CalPoly(x, powers, 2 * m_nOrder);
    const auto d = static_cast<std::size_t>(dim);
    for (std::size_t i = 0; i < d; ++i)
      for (std::size_t j = i; j < d; ++j) A[i * d + j] += w * powers[i + j];
    ok = Syminv(A, dim) == 0 && Contract(A, m_pfCovars, dim);
  }
  if (!ok) {
    std::fill(m_pfCovars.begin(), m_pfCovars.end(), 0.0);
    m_pfCovars[packedIndex(1, 1)] = 1.0 / (x2 * w);
  }
  m_bLookup = false;
  return GetCovariances(pfCovars, nSize);
}
