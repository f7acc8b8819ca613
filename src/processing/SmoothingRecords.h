#pragma once

// The records of the staged smoother. SMOOTH only views buffers that its
// driver owns: the data, the passes' window buffer and the weights.

// Settings of one smoothing run.
struct SMO_PARAMS {
  int nMethod = 0;           // 2: Savitzky-Golay family, the only one that runs
  int nSGPoly = 0;           // polynomial order: 2 smooths, 0 is a moving mean
  int nSGDeriv = 0;          // derivative order: 0 smooths
  int nWidth = 0;            // half-width: the window is 2 * nWidth + 1 points
  int nIterates = 0;         // passes
  bool bMedianConv = false;  // not used by the smoother
  bool bAllowMedian = false;
  float fPeakWidth = 0.0f;
  float fFactor = 0.0f;
  bool bUsePeakWidth = false;
};

// The data being smoothed.
struct SMO_DATASET {
  float* pfY = nullptr;
  long lNumPts = 0;
};

// Control record of a run.
struct SMOOTH {
  int nIteration = 0;  // passes done
  int bComplete = 0;
  SMO_DATASET* lpsData = nullptr;
  SMO_PARAMS* lpsParams = nullptr;
  float* pfDataX = nullptr;   // not used by the smoother
  float* pfPrevY = nullptr;   // window buffer of the passes (SmoothData.h)
  int nIterationsMax = 0;     // passes done by the Savitzky-Golay stage
  float* pfCoeffs = nullptr;  // 2 * nWidth + 1 weights
};
