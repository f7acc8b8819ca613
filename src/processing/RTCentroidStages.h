#pragma once

// The real-time centroider's stages after the rebinning: triangle
// smoothing, differences, and the peak finder that centres each peak of
// negative curvature with counting-statistics uncertainties and marks the
// ones whose shape does not allow an accurate mass. Working arrays come
// with their capacities and are replaced when a spectrum needs more.

#include <cstdint>
#include <memory>

// A null array gets n / 2 new entries; a non-null one is left as it is.
// False for a negative n.
template <class T>
bool AllocateArray(std::unique_ptr<T[]>& pArray, long n);

// smoothed[i] = sum of (w + 1 - |k|) x data[i + k] over k = -w .. w, the
// terms outside 0 .. n - 1 left out; no normalisation (width 3 weighs
// 1 2 3 4 3 2 1). The output is grown to n entries first. False for a width
// below 1 (after the growing), for n < 1 or no data.
template <class T>
bool Triangle(int nWidth, const T* pData, int n, std::unique_ptr<T[]>& pSmoothedData, int& nSmoothedLength);

// Differences over d = max(width / 2, 1) points on each side, divided by
// their span: central inside, one-sided against the end points within d of
// an end (width 2 is the central difference halved). The output is grown
// to n entries. False unless n > 1, width <= n / 2 and data are given.
bool Differentiate(const float* pData, int n, int nDifferenceWidth, std::unique_ptr<float[]>& pfDeriv,
                   int& nDerivLength);

// The peak finder's widths: the peak's standard deviation, the smoothed
// peak's, how far an edge walk reaches (bins), and the normalised gradient
// of a unit Gaussian at the threshold distance.
struct PeakFinderShape {
  float sigma = 0, sigmaSmooth = 0, gradNorm = 0;
  std::int64_t reach = 0;
};
PeakFinderShape MakePeakFinderShape(float fPeakWidth, int nSmoothWidth, bool bNormGradThresh,
                                    float fGradientThresholdWidth, int nMaxPeakWidth);

// Peaks of the smoothed data (the targeting signal) centred on the data
// (with the background, when given, for their uncertainties), written from
// entry 0 of the outputs, each with its position in bins. Uncertainties are
// written only when both sigma arrays are given and bNormGradThresh is set;
// the position sigma is negative for a peak whose mass is not accurate.
// The outputs need room for n / 2 peaks. False for n < 3, difference widths
// too large for n, or no smoothed data; lNumPeaks is 0 then.
bool PeakDetectImp2(const float* pfBackground, const float* pfData, const float* pfSmoothed, int n, float fPeakWidth,
                    int nSmoothWidth, bool bNormGradThresh, float fGradientThresholdWidth, float fGradientThreshold,
                    int nMaxPeakWidth, float fAbsoluteThreshold, float fMinPeakValue,
                    std::unique_ptr<float[]>& pfDeriv1, std::unique_ptr<float[]>& pfDeriv2, int& nDeriv1Length,
                    int& nDeriv2Length, int nFirstDiffWidth, int nSecondDiffWidth, bool bCentroidArea,
                    int nCentroidPercentage, float fMinAccBaseWidth, float fMaxAccBaseWidth, double* pdPeakPositions,
                    float* pfPeakPosSigmas, float* pfPeakValues, float* pfPeakValSigmas, long& lNumPeaks);

// Centroid of the points at or above (100 - percentage) % of the window's
// maximum, weighted by their height above that level; the value is the
// window's sum (or the point nearest the centroid), with uncertainties
// from counting statistics of signal plus background. False when the
// window is not 1 to 8 smoothed sigmas long, holds no signal, or its value
// is below fMinPeakValue.
template <class T>
bool FindSinglePeak(const T* pBackground, const T* pCentroidData, long lNumPoints, float fMinPeakValue, float fSigma,
                    float fSigmaSmooth, bool bCentroidArea, int nCentroidPercentage, double& dPeakPosition,
                    float& fSigmaPosition, float& fPeakValue, float& fSigmaValue);

// A window of the accurate width (fMinAccBaseWidth to fMaxAccBaseWidth
// smoothed sigmas) whose two end values are small and alike against the
// peak's maximum.
bool IsAccurateMass(const float* pSmoothData, long nPoints, float fSigmaSmooth, float fMaxY, float fMinAccBaseWidth,
                    float fMaxAccBaseWidth);
