#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

#include "processing/ABSSubtract.h"
#include "processing/ABSSubtractPars.h"
#include "processing/BackGroundSubPars.h"
#include "processing/SegmentBackground.h"
#include "processing/ZVSpectrum.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

// The set the adaptive type stands for; nothing is read from a file.
ABSSubtractPars adaptiveDefaults() { return ABSSubtractPars("Temp"); }

ZVRAW_RESULT adaptiveResult(int rc) {
  switch (rc) {
    case 0:
      return ZVRAW_OK;
    case kAbsSubtractSpecTooSmall:
      return ZVRAW_DATA_TOO_FEW_POINTS;
    case kAbsSubtractBufferTooSmall:
      return ZVRAW_BUFFERSIZE_ERROR;
    default:
      return ZVRAW_ERROR;
  }
}

// Points with |y| < 1e-6, counted by getZeroCount, whose count is an int.
std::uint64_t zeroCount(float* y, unsigned int n) {
  std::uint64_t zeros = 0;
  for (unsigned int done = 0; done < n;) {
    const unsigned int part = std::min<unsigned int>(n - done, INT_MAX);
    zeros += static_cast<std::uint64_t>(getZeroCount(y + done, static_cast<int>(part)));
    done += part;
  }
  return zeros;
}

}  // namespace

ZVRAW_RESULT ZVSpectrum::getBackSubtractParams(Array& pfIntensity, Array& pfBackGround, Array& pfSubtracted,
                                               Array& pfWorksSpace, long nPolyOrder, float /*fBelow*/, float /*fTol*/,
                                               char* /*cSubDescription*/) const {
  // |LONG_MIN| is one more than a long holds; either way far too many.
  const std::uint64_t segments = nPolyOrder < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(nPolyOrder)
                                                : static_cast<std::uint64_t>(nPolyOrder);
  // Segments beyond the points only repeat knots: a count from a settings
  // file may not make the work array outgrow the spectrum by much.
  if (segments > std::max<std::uint64_t>(m_nNumPts, kMostSegmentsBeyondPoints)) return ZVRAW_BUFFERSIZE_ERROR;
  const std::size_t n = m_nNumPts;
  auto data = std::make_unique_for_overwrite<float[]>(n);
  if (n > 0) std::copy_n(m_pfIntensity.get(), n, data.get());
  auto back = std::make_unique<float[]>(n);
  auto subtracted = std::make_unique<float[]>(n);
  auto work = std::make_unique<float[]>(static_cast<std::size_t>(segments) + 4);
  pfIntensity = std::move(data);
  pfBackGround = std::move(back);
  pfSubtracted = std::move(subtracted);
  pfWorksSpace = std::move(work);
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::segmentSubtract(long m0, float below, float tol, Array& back, Array& subtracted) const {
  Array data, work;
  if (const ZVRAW_RESULT rc = getBackSubtractParams(data, back, subtracted, work, m0, below, tol, nullptr);
      rc != ZVRAW_OK)
    return rc;
  (void)killsub(data.get(), back.get(), subtracted.get(), static_cast<long>(m_nNumPts), m0, below, tol, work.get());
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::Subtract(const BackGroundSubPars* pSubPars) {
  if (!pSubPars) return ZVRAW_NULLPOINTER_ERROR;
  if (pSubPars->getType() == ADAPTIVE) {
    const ABSSubtractPars pars = adaptiveDefaults();
    return ABS_Subtract(&pars);
  }
  if (!m_pfMass || !m_pfIntensity) return ZVRAW_NULLPOINTER_ERROR;
  float* y = m_pfIntensity.get();
  const unsigned int n = m_nNumPts;
  const float zeroShare =
      n > 0 ? static_cast<float>(zeroCount(y, n)) / static_cast<float>(n) / 2.0f : 0.0f;  // in single precision
  const float below = pSubPars->getPercentBelow() / 100.0f + zeroShare;
  Array back, subtracted;
  const long m0 = static_cast<long>(pSubPars->getPolyOrder()) + 1;
  if (const ZVRAW_RESULT rc = segmentSubtract(m0, below, 0.01f, back, subtracted); rc != ZVRAW_OK) return rc;
  const float* sub = subtracted.get();
  for (unsigned int k = 0; k < n; ++k) {
    float v = y[k] == 0.0f ? 0.0f : sub[k];  // no background under a point that held nothing
    if (static_cast<double>(v) > -1e-6 && static_cast<double>(v) < 1e-6) v = 0.0f;
    y[k] = v;
  }
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::Subtract(const BackGroundSubPars* pSubPars, ZVSpectrum& subspec) const {
  if (!pSubPars || !m_pfMass || !m_pfIntensity) return ZVRAW_NULLPOINTER_ERROR;
  Array back, subtracted;
  if (const ZVRAW_RESULT rc = segmentSubtract(pSubPars->getPolyOrder(), pSubPars->getPercentBelow() / 100.0f,
                                              pSubPars->getTolerance(), back, subtracted);
      rc != ZVRAW_OK)
    return rc;
  return subspec.Initialise(m_pfMass.get(), subtracted.get(), m_nNumPts, nullptr, nullptr);
}

ZVRAW_RESULT ZVSpectrum::SubtractAndGetBackground(const BackGroundSubPars* pSubPars, ZVSpectrum& background) {
  if (!pSubPars) return ZVRAW_NULLPOINTER_ERROR;
  if (pSubPars->getType() == ADAPTIVE) {
    const ABSSubtractPars pars = adaptiveDefaults();
    return ABS_Subtract_Background(&pars, background);
  }
  if (!m_pfMass || !m_pfIntensity) return ZVRAW_NULLPOINTER_ERROR;
  Array back, subtracted;
  if (const ZVRAW_RESULT rc = segmentSubtract(pSubPars->getPolyOrder(), pSubPars->getPercentBelow() / 100.0f,
                                              pSubPars->getTolerance(), back, subtracted);
      rc != ZVRAW_OK)
    return rc;
  (void)Initialise(m_pfMass.get(), subtracted.get(), m_nNumPts, nullptr, nullptr);
  return background.Initialise(m_pfMass.get(), back.get(), m_nNumPts, nullptr, nullptr);
}

ZVRAW_RESULT ZVSpectrum::adaptiveSubtract(const ABSSubtractPars& pars, ZVSpectrum* background) {
  if (m_nNumPts > INT_MAX) return ZVRAW_BUFFERSIZE_ERROR;  // the subtractor counts in int
  int n = static_cast<int>(m_nNumPts);
  Array back;
  const int rc = ABSSubtract(&m_pfMass, &m_pfIntensity, &n, background ? &back : nullptr, pars.getBins(),
                             pars.getHalfWindow(), static_cast<float>(pars.getQuantile()));
  if (rc != 0) return adaptiveResult(rc);
  m_nNumPts = static_cast<unsigned int>(n);
  releaseSigmas();  // the points were re-gridded
  if (background) (void)background->Initialise(m_pfMass.get(), back.get(), m_nNumPts, nullptr, nullptr);
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::ABS_Subtract(const ABSSubtractPars* pABSSubPars) {
  if (!pABSSubPars) return ZVRAW_NULLPOINTER_ERROR;
  return adaptiveSubtract(*pABSSubPars, nullptr);
}

ZVRAW_RESULT ZVSpectrum::ABS_Subtract(const ABSSubtractPars* pABSSubPars, ZVSpectrum& abs_spec) const {
  if (!pABSSubPars) return ZVRAW_NULLPOINTER_ERROR;
  (void)abs_spec.Initialise(*this);
  return abs_spec.adaptiveSubtract(*pABSSubPars, nullptr);
}

ZVRAW_RESULT ZVSpectrum::ABS_Subtract_Background(const ABSSubtractPars* pABSSubPars, ZVSpectrum& background) {
  if (!pABSSubPars) return ZVRAW_NULLPOINTER_ERROR;
  return adaptiveSubtract(*pABSSubPars, &background);
}
