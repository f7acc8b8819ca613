#pragma once

// Adaptive background subtraction. Ion masses cluster just above whole
// numbers, so every point belongs to a nominal mass (mass / BARYON,
// rounded) and to one of nBins sub-bins across that nominal mass's width.
// Per sub-bin and nominal mass a quantile of the intensities there is taken;
// a point's background is a chosen rank of those quantiles over the window
// of 2 x half window + 1 nominal masses around its own, in its own sub-bin.

#include "zorvalen/ZorvalenRawDefs.h"

// Width of one nominal mass, in daltons.
inline constexpr double BARYON = 1.0005;
// Most points of one nominal mass that one sub-bin takes.
inline constexpr int DELTA_BUFFER_SIZE = 250;

namespace zvraw {
struct ABSWorkspace;
}

class ABS {
 public:
  enum Result { OK = 0, SPEC_TOO_SMALL = 1, MASSES_INVALID = 2, BUFFER_TOO_SMALL = 3 };

  ABS(int nBins, int nHalfWindow, double dQuantLevel)
      : m_nBins(nBins), m_nHalfWindow(nHalfWindow), m_dQuantLevel(dQuantLevel) {}

  [[nodiscard]] int GetSubBins() const { return m_nBins; }
  void SetSubBins(int nBins) { m_nBins = nBins; }
  [[nodiscard]] int GetHalfWindow() const { return m_nHalfWindow; }
  void SetHalfWindow(int nHalfWindow) { m_nHalfWindow = nHalfWindow; }
  [[nodiscard]] double GetQuantile() const { return m_dQuantLevel; }
  void SetQuantile(double dQuantLevel) { m_dQuantLevel = dQuantLevel; }

  // Subtracts each point's background from pfSignal in place, and writes it
  // to pfBack (nLength values) unless that is null. Masses should ascend (a
  // point below the highest nominal mass so far counts with that one); a
  // nominal mass without points adds nothing to the quantiles (a sub-bin
  // without points counts as 0), and non-finite intensities count as 0.
  // The first nominal mass borrows the quantiles of the next, the last
  // enters no window, and the first and last half window + 1 nominal masses
  // use the first and the last full window. The rank is 0.5 + window x
  // level, truncated, kept within the window. Fails before changing
  // anything with SPEC_TOO_SMALL (fewer than one point, or the first and
  // last masses, when finite, no more than a window apart) or
  // MASSES_INVALID (null arrays, fewer than 1 sub-bin, a negative half
  // window, a NaN level, a negative or non-finite mass, a last nominal mass
  // beyond the int range). BUFFER_TOO_SMALL: more than DELTA_BUFFER_SIZE
  // points of one nominal mass in one sub-bin; the points whose window was
  // complete before that nominal mass entered stay subtracted. Memory that
  // cannot be had is std::bad_alloc, with the signal as far as it got.
  Result ABSFast(const double* pfMasses, double* pfSignal, int nLength, double* pfBack) const;
  Result ABSFast(const float* pfMasses, float* pfSignal, int nLength, float* pfBack) const;
  Result ABSFast(const float* pfMasses, double* pfSignal, int nLength, double* pfBack) const;
  Result ABSFast(const double* pfMasses, float* pfSignal, int nLength, float* pfBack) const;
  // The same in the caller's workspace, whose memory later calls reuse.
  Result ABSFast(const double* pfMasses, float* pfSignal, int nLength, float* pfBack, zvraw::ABSWorkspace& workspace) const;

  // The checks ABSFast makes on the settings and masses before it starts.
  [[nodiscard]] Result CheckSpectrum(const double* pfMasses, int nLength) const;
  [[nodiscard]] Result CheckSpectrum(const float* pfMasses, int nLength) const;

 private:
  int m_nBins;
  int m_nHalfWindow;
  double m_dQuantLevel;
};
