#pragma once

// Covariance of the coefficients of a polynomial mass calibration, and the
// variance of the calibrated mass it implies. The polynomial variable is
// sqrt(m) for a root-mass calibration; for a mass calibration it is 0.001 m
// when variances are evaluated and m itself in the lock-mass update.
//
// Text form: the packed lower triangle row by row, each value "%+22.15e",
// "," between the values of a row and ";" between rows.

#include <vector>

// The lock-mass update works in a fixed 6 x 6 matrix: orders up to 5.
inline constexpr int WORK_SIZE = 36;

class CCalCovar {
 public:
  // The covariances times the reduced chi-square; a null array gives zeros,
  // an order below 0 an empty object (order -1).
  CCalCovar(bool bUseRootMass, const double* pfCovars, int nOrder, double fChi2Reduced);
  CCalCovar(bool bUseRootMass, const char* pszCovarString);
  // From the singular value decomposition of a least-squares fit of nDim
  // coefficients in the Legendre basis; V[i][k] and W[k] are indexed from 1
  // when b1Indexed is set.
  CCalCovar(const double* const* V, const double* W, int nDim, bool b1Indexed, bool bUseRootMass, double fChi2Reduced);
  CCalCovar(const CCalCovar&) = delete;
  CCalCovar& operator=(const CCalCovar&) = delete;
  ~CCalCovar() = default;

  // Never below 0 (a NaN result reads as 0 too). Uses the work vector: one
  // caller at a time.
  [[nodiscard]] double GetVariance(double fMass) const;
  // A 128-point natural spline of the variance over the range; built once.
  // False for equal or non-finite bounds.
  bool MakeLookupTable(double fMinMass, double fMaxMass);
  // Null when the text and its terminating zero do not fit in nBuf.
  char* Format(char* pcBuf, int nBuf) const;
  bool SetCovariances(const char* pszCovarString);
  bool GetCovariances(double* pfCovars, int nSize) const;
  [[nodiscard]] bool GetUseRootMass() const { return m_bUseRootMass; }
  // The linear coefficient re-determined by one lock-mass measurement, then
  // GetCovariances. Orders 1 to 5 only.
  bool UpdateForLockMass(double fObsLockMass, double fObsLockMassSigma, double fCalLockMass, double* pfCovars,
                         int nSize);

 private:
  static constexpr int kTableSize = 128;
  [[nodiscard]] double CalVar(double fVal, bool bLockMass) const;
  [[nodiscard]] double directVariance(double fMass) const;
  void allocate(int nOrder);
  void clear();

  std::vector<double> m_pfCovars;       // packed lower triangle
  mutable std::vector<double> m_pfVec;  // powers of the polynomial variable
  int m_nOrder = -1;                    // -1: no valid covariance
  std::vector<double> m_pfX, m_pfY, m_pfY2;
  int m_nTableSize = 0;
  bool m_bUseRootMass = false;
  double m_fMinMass = 0.0;
  double m_fMaxMass = 0.0;
  bool m_bLookup = false;
};
