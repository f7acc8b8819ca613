#pragma once

// Quantiles of a profile whose channels are boxes one point wide: point p
// stands for the positions p - 0.5 to p + 0.5, and a fractional position
// between two points is turned into a mass by Ch2X.

struct QUANTILE_SQIN {
  const float* pfX = nullptr;  // mass axis
  const float* pfY = nullptr;  // profile
  long lNumPts = 0;
};

struct QUANTILE_SQPAR {
  float fA = 0.0f;  // range, in point positions
  float fB = 0.0f;
  float fFract = 0.0f;  // 0.5 for the median
};

struct QUANTILE_GSIN {
  const float* pfX = nullptr;
  const float* pfY = nullptr;
  float* pfConvolution = nullptr;  // 2 lNumPts floats of work space
  long lNumPts = 0;
};

struct QUANTILE_GSPAR {
  long lCentre = 0;
  long lStart = 0;  // updated to the extent of the weighted profile
  long lEnd = 0;
  float fFract = 0.0f;
};

struct QUANTILE_OUT {
  float fX = 0.0f;    // the quantile's mass
  float fSum = 0.0f;  // the profile's area over the range
};

// The position where the cumulative box area over fA..fB reaches fFract of
// the total; where it crosses that level several times (negative
// intensities), the middle crossing. False, with a NaN result, when the
// profile is empty or the range is not a number.
bool SquareQuantile(const QUANTILE_SQIN* lpsData, const QUANTILE_SQPAR* lpsParams, QUANTILE_OUT* lpsOutput);

// The quantile of the profile weighted by a Gaussian around lCentre whose
// width comes from the heights halfway to lStart and lEnd. False, with the
// output untouched, when no width is finite and above 0.
bool GaussianQuantile(const QUANTILE_GSIN* lpsGaussInput, QUANTILE_GSPAR* lpsGaussParams, QUANTILE_OUT* lpsOutput);

// Mass at a point position, linear between points and beyond the ends; NaN
// for a position that is not finite or an empty axis.
float Ch2X(const QUANTILE_SQIN* lpsData, float fX);
