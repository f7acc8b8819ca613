#include "processing/PeakCentring.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "formats/portability/SysTrace.h"
#include "processing/EdgeRecords.h"
#include "processing/Quantile.h"
#include "processing/TOFPeakCorrection.h"

namespace {

long clampPoint(const PKD_DATASET* d, long p) { return std::clamp(p, 0L, std::max(d->lNumPts - 1, 0L)); }

// A position truncated to its point, on the spectrum.
long pointAt(const PKD_DATASET* d, float pos) {
  if (!(pos > 0.0f)) return 0;
  if (pos >= static_cast<float>(d->lNumPts - 1)) return clampPoint(d, d->lNumPts - 1);
  return static_cast<long>(pos);
}

// Walking from `from` to `to` (step +1 or -1): the last point at or below
// t, and the first point above it, which ends the walk.
struct Bracket {
  long p0, p1;
  float y0, y1;
  bool above;
  [[nodiscard]] float crossing(float t) const {
    return static_cast<float>(p0) + static_cast<float>(p1 - p0) * (t - y0) / (y1 - y0);
  }
};
Bracket bracket(const float* y, long from, long to, long step, float t) {
  Bracket b{from, from, y[from], y[from], false};
  for (long j = from; step > 0 ? j <= to : j >= to; j += step) {
    if (y[j] <= t) {
      b.p0 = j;
      b.y0 = y[j];
    } else if (y[j] > t) {
      b.p1 = j;
      b.y1 = y[j];
      b.above = true;
      break;
    }
  }
  return b;
}

void sayAccurateMass() {
  zvraw::traceLine("Doing Accurate Mass");
}

}  // namespace

long PkdPeakTop(const PKD_DATASET* psData, long lPkStart, long lPkEnd) {
  const float* y = psData->pfY;
  const long start = clampPoint(psData, lPkStart), end = clampPoint(psData, lPkEnd);
  long top = start;
  for (long j = start + 1; j <= end; ++j)
    if (y[j] > y[top]) top = j;
  return top;
}

float PkdMinHeight(const PKD_DATASET* psData, const PKD_CENT_PEAK* psPeak, const PKD_PARAMS* psParams,
                   bool bAccurateMass) {
  const float* y = psData->pfY;
  const long s = pointAt(psData, psPeak->fStart), e = pointAt(psData, psPeak->fEnd);
  const float base = std::max(y[s], y[e]);
  const float top = y[PkdPeakTop(psData, s, e)];
  const float f = (100.0f - psParams->fCentTop) / 100.0f;
  return bAccurateMass ? top * f : base + (top - base) * f;
}

void PkdPeakArea(const PKD_DATASET* psData, long lPkStart, long lPkEnd, PKD_CENT_PEAK* psPeak, bool bTotalIonCount) {
  const float* y = psData->pfY;
  const float* x = psData->pfXArea != nullptr ? psData->pfXArea : psData->pfX;
  const long start = clampPoint(psData, lPkStart), end = clampPoint(psData, lPkEnd);
  double area = 0.0;
  if (bTotalIonCount) {
    for (long j = start; j <= end; ++j) area += y[j];
  } else {
    for (long j = start; j < end; ++j) area += (x[j + 1] - x[j]) * (y[j] + y[j + 1]) / 2.0f;
  }
  psPeak->fArea = static_cast<float>(area);
}

void PkdCentroidPeak(const PKD_DATASET* psData, PKD_CENT_PEAK* psPeak, long lPkStart, long lPkEnd, float fMinHeight,
                     bool bAccurateMass) {
  const float* x = psData->pfX;
  const float* y = psData->pfY;
  const long lo = clampPoint(psData, lPkStart), hi = clampPoint(psData, lPkEnd);
  double sumXW = 0.0, sumW = 0.0;
  for (long j = lo; j <= hi; ++j) {
    float w = 0.0f;
    if (bAccurateMass) {
      sayAccurateMass();
      if (!(y[j] >= fMinHeight)) continue;
      w = y[j];  // the raw intensity, not reduced by the threshold
    } else {
      w = y[j] - fMinHeight;
      if (w < 0.0f) continue;
      if (w == 0.0f) w = 1.0f;  // a point on the threshold still counts
    }
    sumXW += x[j] * w;
    sumW += w;
  }
  psPeak->fCent = static_cast<float>(sumXW) / static_cast<float>(sumW);
}

float InterpolateXForward(const PKD_DATASET* psData, long lPkStart, long lPkEnd, float fMinHt) {
  const long start = clampPoint(psData, lPkStart), end = clampPoint(psData, lPkEnd);
  if (psData->pfY[start] > fMinHt) return static_cast<float>(start);
  const Bracket b = bracket(psData->pfY, start, end, +1, fMinHt);
  if (!b.above) return static_cast<float>(end);
  if (b.p1 == start || b.p0 == b.p1 || b.y0 == b.y1) return static_cast<float>(start);
  return b.crossing(fMinHt);
}

float InterpolateXBackward(const PKD_DATASET* psData, long lPkStart, long lPkEnd, float fMinHt) {
  const long start = clampPoint(psData, lPkStart), end = clampPoint(psData, lPkEnd);
  if (psData->pfY[end] > fMinHt) return static_cast<float>(end);
  const Bracket b = bracket(psData->pfY, end, start, -1, fMinHt);
  if (!b.above || b.p1 == start || b.p0 == b.p1 || b.y0 == b.y1) return static_cast<float>(start);
  return b.crossing(fMinHt);
}

float InterpolateY(const PKD_DATASET* psData, long lPkStart, long lPkEnd, float fCentX) {
  const float* x = psData->pfX;
  const float* y = psData->pfY;
  const long start = clampPoint(psData, lPkStart), end = clampPoint(psData, lPkEnd);
  float x0 = x[start], y0 = y[start], x1 = x[end], y1 = y[end];
  for (long j = start; j <= end; ++j) {
    if (x[j] <= fCentX) {
      x0 = x[j];
      y0 = y[j];
    }
    if (x[j] >= fCentX) {
      x1 = x[j];
      y1 = y[j];
      break;
    }
  }
  if (x1 == x0) return y0;
  return y0 + (y1 - y0) * (fCentX - x0) / (x1 - x0);
}

float PkdPeakCentre(const PKD_DATASET* psData, PKD_CENT_PEAK* psPeak, const PKD_PARAMS* psParams, float* pfWorkSpace,
                    float fMinHt, bool bAccurateMass) {
  const float* x = psData->pfX;
  const long s = pointAt(psData, psPeak->fStart), e = pointAt(psData, psPeak->fEnd);
  const long top = PkdPeakTop(psData, s, e);
  const float h = psData->pfY[top];
  float factor = 1.0f;
  float a = psPeak->fStart, b = psPeak->fEnd;
  if (fMinHt > 0.0f) {
    a = psPeak->fStart = InterpolateXForward(psData, s, top, fMinHt);
    b = psPeak->fEnd = InterpolateXBackward(psData, top, e, fMinHt);
  }
  // A crossing interpolated between non-finite intensities is no position.
  const long lo = std::isfinite(a) ? pointAt(psData, a) : s;
  const long hi = std::isfinite(b) ? pointAt(psData, std::ceil(b)) : e;
  if (lo == hi) {
    psPeak->fCent = x[lo];
    psPeak->fCentHt = h;
    return factor;
  }
  psPeak->fSkew = 0.0f;
  psPeak->fKurtosis = 0.0f;
  const auto centroid = [&] {
    PkdCentroidPeak(psData, psPeak, lo, hi, fMinHt, bAccurateMass);
    psPeak->fCentHt = InterpolateY(psData, lo, hi, psPeak->fCent);
  };
  switch (psParams->nCntrMethod) {
    case PKD_METHOD_TOP:
      psPeak->fCent = x[top];
      psPeak->fCentHt = h;
      break;
    case PKD_METHOD_CENTROID:
      centroid();
      // The one place detection corrects for dead time: counted areas only.
      if (psParams->nMode == 2 && psParams->bEnableTOFCentroid) {
        psPeak->fCent += PkdCorrectTOFPeak(psData, psParams, psPeak, &factor);
        psPeak->fArea *= factor;
      }
      break;
    case PKD_METHOD_GAUSSMEDIAN: {
      const QUANTILE_GSIN in{x, psData->pfY, pfWorkSpace, psData->lNumPts};
      QUANTILE_GSPAR par{top, lo, hi, 0.5f};
      QUANTILE_OUT out;
      if (GaussianQuantile(&in, &par, &out)) {
        psPeak->fCent = out.fX;
        psPeak->fCentHt = InterpolateY(psData, par.lStart, par.lEnd, out.fX);
      } else {
        centroid();  // no usable width
      }
      break;
    }
    case 4: {
      const QUANTILE_SQIN in{x, psData->pfY, psData->lNumPts};
      const QUANTILE_SQPAR par{a, b, 0.5f};
      QUANTILE_OUT out;
      SquareQuantile(&in, &par, &out);
      psPeak->fCent = out.fX;
      psPeak->fCentHt = InterpolateY(psData, lo, hi, out.fX);
      break;
    }
    default:
      break;  // centre and height stay as they were
  }
  return factor;
}

int findCentres(const PKD_DATASET& data, PKD_RESULTS& output, zvraw::EdgeRecords& edges, const PKD_PARAMS& params,
                bool bAccurateMass) {
  const long n = data.lNumPts;
  std::vector<float> workSpace;
  if (params.nCntrMethod == PKD_METHOD_GAUSSMEDIAN) workSpace.assign(2 * static_cast<std::size_t>(n), 0.0f);
  int count = 0;
  int result = 0;
  for (long h = edges.next(-1, +1); h < edges.end(); h = edges.next(h, +1)) {
    if (count >= output.nListLength || output.psCentPeaks == nullptr) {
      result = -1;
      break;
    }
    // A record whose peak had no positive area is reused from scratch.
    PKD_CENT_PEAK& peak = *std::construct_at(output.psCentPeaks + count);
    const PKD_EDGE& edge = edges.at(h);
    peak.fStart = static_cast<float>(edge.lStart);
    peak.fEnd = static_cast<float>(edge.lEnd);
    const float minHt = PkdMinHeight(&data, &peak, &params, bAccurateMass);
    PkdPeakArea(&data, edge.lStart, edge.lEnd, &peak, params.nMode == 2);
    PkdPeakCentre(&data, &peak, &params, workSpace.empty() ? nullptr : workSpace.data(), minHt, bAccurateMass);
    peak.fError = 0.0f;
    if (peak.fArea > 0.0f) ++count;
  }
  output.nNumPeaks = count;
  return result;
}

int FindCentres(const PKD_DATASET* psData, PKD_RESULTS* psOutput, const PKD_EDGE* psEdges, const PKD_PARAMS* psParams,
                bool bAccurateMass) {
  // Centring only reads the records.
  zvraw::EdgeRecords edges = zvraw::EdgeRecords::dense(const_cast<PKD_EDGE*>(psEdges), psData->lNumPts);
  return findCentres(*psData, *psOutput, edges, *psParams, bAccurateMass);
}
