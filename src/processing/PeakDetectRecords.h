#pragma once

// Plain records shared by time-of-flight peak detection, peak centring and
// the dead-time correction. Indices are signed 64-bit point indices.

inline constexpr int PKD_METHOD_TOP = 1;
inline constexpr int PKD_METHOD_CENTROID = 2;
inline constexpr int PKD_METHOD_GAUSSMEDIAN = 3;

// The input spectrum and the arrays derived from it; detection owns none of
// them, the record only points at them.
struct PKD_DATASET {
  float fX0 = 0.0f;  // origin and step of a regular axis (not read)
  float fDx = 0.0f;
  const float* pfXArea = nullptr;  // mass axis for trapezoid areas; null: pfX
  const float* pfX = nullptr;      // masses, ascending
  const float* pfY = nullptr;      // intensities
  const float* pfYSmooth = nullptr;
  const float* pfYRaw = nullptr;
  const float* pfDyDx = nullptr;  // [0] = 0, [i] = pfY[i] - pfY[i-1]; null: taken from pfY
  long lNumPts = 0;
  long lFirstPoint = 0;
  long lLastPoint = 0;
  bool bNegativePeaks = false;
};

// Time-of-flight settings read by the dead-time correction.
struct PKD_QTOF_PARAMS {
  float fRes = 0.0f;
  float fLockMass = 0.0f;
  float fMassWindow = 0.0f;
  float fMassRange = 0.0f;
  float fCycleTime = 0.0f;
  double lfLteff = 0.0;
  double lfVeff = 0.0;
  float fNpMultiplier = 0.0f;
  int nLumaventAverage = 0;
};

struct PKD_PARAMS {
  int nMode = 0;          // 2: areas are ion counts
  int nHalfWidth = 0;     // minimum peak width in points
  int nCntrMethod = 0;    // PKD_METHOD_*, or 4 (area median)
  float fCentTop = 0.0f;  // top percentage of the peak used for centring
  PKD_QTOF_PARAMS sQTOFParams;
  bool bEnableTOFCentroid = false;  // a dead-time correction was given
};

struct PKD_CENT_PEAK {
  float fStart = 0.0f;  // boundaries as point positions
  float fEnd = 0.0f;
  float fCent = 0.0f;    // centre mass
  float fCentHt = 0.0f;  // height at the centre
  float fError = 0.0f;
  float fSigma = 0.0f;
  float fArea = 0.0f;
  float fSkew = 0.0f;
  float fKurtosis = 0.0f;
  bool bLockPeak = false;
  bool bInaccurate = false;  // set only by the dead-time correction
};

// Status bits of an edge record.
inline constexpr int PKD_STATUS_EXISTS = 1;
inline constexpr int PKD_STATUS_BALANCED = 2;
inline constexpr int PKD_STATUS_EXCLUDED = 4;

// A rise or fall of a peak; detection uses only the width in points.
union PKD_BAL {
  float fHeight;
  int nWidth;
};

// One record per input point, describing the peak whose apex is that point.
// Trivial, so that arrays of them cost no fill before edge finding writes
// every record. Write PKD_EDGE{} for an empty record.
struct PKD_EDGE {
  long lStart;  // boundary points
  long lEnd;
  long lCorrStart;
  long lCorrEnd;
  PKD_BAL sRise;  // widths in points
  PKD_BAL sFall;
  int nStatus;  // PKD_STATUS_* bits
};

// A record holds a peak while it exists and is not excluded.
[[nodiscard]] inline bool PeakExists(const PKD_EDGE* psEdges, long i) {
  return (psEdges[i].nStatus & (PKD_STATUS_EXISTS | PKD_STATUS_EXCLUDED)) == PKD_STATUS_EXISTS;
}

// Apex height and point of a peak, for ordering peaks by height; index -1
// and height 0 for a point without a peak. Trivial, like PKD_EDGE.
struct PKD_SORT_EDGE {
  float fHeight;
  long lIndex;
};

// The list centring fills: nNumPeaks of nListLength records are in use.
struct PKD_RESULTS {
  PKD_CENT_PEAK* psCentPeaks = nullptr;
  int nListLength = 0;
  int nNumPeaks = 0;
};
