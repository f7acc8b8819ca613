#include "processing/PeakDetect.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "formats/portability/SysTrace.h"
#include "processing/EdgeRecords.h"
#include "processing/PeakBalance.h"
#include "processing/PeakCentring.h"
#include "processing/PeakEdges.h"
#include "processing/PeakSort.h"
#include "processing/TOFPeakCorrection.h"

namespace {

// An upper bound of the maxima edge finding can record: points above 0
// whose predecessor is not at or above them and whose successor does not
// rise (a rise needs the first, a fall the second).
long maximaBound(const float* y, long n) {
  long count = 0;
  for (long i = 1; i + 1 < n; ++i)
    count += static_cast<long>((y[i] > 0.0f) & !(y[i] - y[i - 1] <= 0.0f) & !(y[i + 1] - y[i] > 0.0f));
  return count;
}

PKD_QTOF_PARAMS tofSettings(const TOFDeadTimeCorrection& c) {
  PKD_QTOF_PARAMS q;
  q.fRes = static_cast<float>(c.getResolution());
  q.fMassRange = static_cast<float>(c.getMassRange());
  q.fCycleTime = static_cast<float>(c.getCycleTime());
  q.lfLteff = c.getLteff();
  q.lfVeff = c.getVeff();
  q.fNpMultiplier = static_cast<float>(c.getNPMultiplier());
  return q;
}

PKD_PARAMS detectionParams(int nHalfWidth, float fCentTop, int nCentMethod, bool bCounts,
                           const TOFDeadTimeCorrection* pDeadTimeCorrection) {
  PKD_PARAMS p;
  p.nMode = bCounts ? 2 : 0;
  p.nHalfWidth = nHalfWidth;
  p.nCntrMethod = nCentMethod;
  p.fCentTop = fCentTop;
  if (pDeadTimeCorrection != nullptr) {
    p.bEnableTOFCentroid = true;
    p.sQTOFParams = tofSettings(*pDeadTimeCorrection);
    p.sQTOFParams.fMassWindow = 1.0f;
    p.sQTOFParams.nLumaventAverage = 10;
  }
  return p;
}

// Every working array of one detection comes from one block, sized by the
// maxima: one allocation instead of several, and a block the allocator
// hands back unchanged (its pages already mapped) on the next call. The
// arrays hold plain records, written before they are read.
class WorkBlock {
 public:
  explicit WorkBlock(std::size_t bytes) : m_bytes(std::make_unique_for_overwrite<std::byte[]>(bytes)) {}
  template <class T>
  T* take(std::size_t count) {
    m_used = (m_used + alignof(T) - 1) / alignof(T) * alignof(T);
    T* first = reinterpret_cast<T*>(m_bytes.get() + m_used);
    m_used += count * sizeof(T);
    return first;
  }
  template <class... T>
  static std::size_t bytesFor(std::size_t count) {
    return count * (sizeof(T) + ...) + (alignof(T) + ...);
  }

 private:
  std::unique_ptr<std::byte[]> m_bytes;
  std::size_t m_used = 0;
};

// The steps of PkdCentDetect over records for the maxima only, with the
// height order followed over the maxima and the runs between them.
class Detection {
 public:
  Detection(const float* x, const float* y, long n, const PKD_PARAMS& params, bool bAccurateMass)
      : m_bound(maximaBound(y, n)),
        m_block(WorkBlock::bytesFor<long, PKD_EDGE, PeakSortEntry, PeakSortEntry, long, PKD_CENT_PEAK>(
            static_cast<std::size_t>(m_bound))) {
    PKD_DATASET data;
    data.pfX = x;
    data.pfY = data.pfYRaw = data.pfYSmooth = y;
    data.lNumPts = n;  // slopes are taken from y as needed
    const auto bound = static_cast<std::size_t>(m_bound);
    auto* apex = m_block.take<long>(bound);
    zvraw::EdgeRecords edges = zvraw::EdgeRecords::list(apex, m_block.take<PKD_EDGE>(bound), m_bound);
    findEdges(data, edges, 1);  // the caller's width is applied by the balancing

    const long maxima = edges.end();
    auto* byHeight = m_block.take<PeakSortEntry>(bound);
    auto* scratch = m_block.take<PeakSortEntry>(bound);
    for (long h = 0; h < maxima; ++h) byHeight[h] = {apex[h], h, y[apex[h]]};
    sortPeaksAsRecords(byHeight, maxima, n, scratch);
    auto* highestFirst = m_block.take<long>(bound);
    for (long k = 0; k < maxima; ++k) highestFirst[k] = byHeight[maxima - 1 - k].lHandle;
    balanceFromHighest(data, edges, params.nHalfWidth, highestFirst, maxima);
    findLowestPoints(data, edges);

    m_peaks = m_block.take<PKD_CENT_PEAK>(bound);
    PKD_RESULTS results{m_peaks, static_cast<int>(std::min<long>(m_bound, INT_MAX)), 0};
    m_result = findCentres(data, results, edges, params, bAccurateMass);
    m_count = results.nNumPeaks;
  }

  [[nodiscard]] int result() const { return m_result; }
  [[nodiscard]] int count() const { return m_count; }
  [[nodiscard]] const PKD_CENT_PEAK& peak(int k) const { return m_peaks[k]; }

 private:
  long m_bound;
  WorkBlock m_block;
  PKD_CENT_PEAK* m_peaks = nullptr;
  int m_result = 0;
  int m_count = 0;
};

}  // namespace

int PkdCentDetect(PKD_DATASET* psData, PKD_EDGE* psEdges, PKD_RESULTS* psResults, const PKD_PARAMS* psParams,
                  bool bAccurateMass) {
  psData->pfYRaw = psData->pfYSmooth = psData->pfY;
  if (psData->lNumPts <= 0) {
    psResults->nNumPeaks = 0;
    return 0;
  }
  PKD_PARAMS everyMaximum = *psParams;
  everyMaximum.nHalfWidth = 1;  // the caller's width is applied by the balancing
  PkdFindEdges(psData, psEdges, &everyMaximum);
  const auto balanced = std::make_unique_for_overwrite<PKD_EDGE[]>(static_cast<std::size_t>(psData->lNumPts));
  PkdCopyEdges(balanced.get(), psEdges, psData->lNumPts);
  if (const int rc = PkdWidthBalanceEdges(psData, balanced.get(), psParams); rc != 0) return rc;
  PkdFindLowestPoints(psData, balanced.get());
  return FindCentres(psData, psResults, balanced.get(), psParams, bAccurateMass);
}

int PeakDetect(const float* pfXIn, const float* pfYIn, long lNumIn, float* pfXOut, float* pfYOut, long* lNumOut,
               int nHalfWidth, float fCentTop, int nCentMethod, bool bArea, bool bCounts, bool bAccurateMass,
               const TOFDeadTimeCorrection* pDeadTimeCorrection) {
  if (lNumIn <= 0) {
    zvraw::traceLine("No Peaks to detect");
    return -1;
  }
  if (pfXIn == nullptr || pfYIn == nullptr || pfXOut == nullptr || pfYOut == nullptr || lNumOut == nullptr) return -1;
  const PKD_PARAMS params = detectionParams(nHalfWidth, fCentTop, nCentMethod, bCounts, pDeadTimeCorrection);
  const Detection d(pfXIn, pfYIn, lNumIn, params, bAccurateMass);
  *lNumOut = d.count();
  for (int k = 0; k < d.count(); ++k) {
    pfXOut[k] = d.peak(k).fCent;
    pfYOut[k] = bArea ? d.peak(k).fArea : d.peak(k).fCentHt;
  }
  return d.result();
}

void peakDetectTOF(float* pfMassOrig, float* pfIntenOrig, unsigned int& nNumPts, int nMinPeakWidth, float fCentTop,
                   int nCentMethod, bool bArea, bool bAreaAsCounts, bool bAccurateMass,
                   const TOFDeadTimeCorrection* pDeadTimeCorrection) {
  if (nNumPts == 0) return;
  if (pfMassOrig == nullptr || pfIntenOrig == nullptr) {
    nNumPts = 0;
    return;
  }
  const PKD_PARAMS params = detectionParams(nMinPeakWidth, fCentTop, nCentMethod, bAreaAsCounts, pDeadTimeCorrection);
  const Detection d(pfMassOrig, pfIntenOrig, nNumPts, params, bAccurateMass);
  if (d.result() != 0) {
    nNumPts = 0;  // the arrays stay as they were
    return;
  }
  for (int k = 0; k < d.count(); ++k) {
    pfMassOrig[k] = d.peak(k).fCent;
    pfIntenOrig[k] = bArea ? d.peak(k).fArea : d.peak(k).fCentHt;
  }
  nNumPts = static_cast<unsigned int>(d.count());
}

void defaultPeakDetectTOF(float* pfMass, float* pfInten, unsigned int& nNumPts) {
  peakDetectTOF(pfMass, pfInten, nNumPts, 4, 80.0f, PKD_METHOD_CENTROID, true, true, false, nullptr);
}

int PeakCorrect(float fMass, float fInten, const TOFDeadTimeCorrection* pDeadTimeCorrection, float& fMassCorrection,
                float& fIntenCorrection, bool& bAccurateMass) {
  PKD_PARAMS params;
  if (pDeadTimeCorrection != nullptr) params.sQTOFParams = tofSettings(*pDeadTimeCorrection);
  PKD_CENT_PEAK peak;
  peak.fCent = fMass;
  peak.fArea = fInten;
  fMassCorrection = PkdCorrectTOFPeak(nullptr, &params, &peak, &fIntenCorrection);
  bAccurateMass = !peak.bInaccurate;
  return bAccurateMass ? 1 : 0;
}

void peakCorrectTof(float fMass, float fInten, const TOFDeadTimeCorrection* pDeadTimeCorrection, float& fMassCorrection,
                    float& fIntenCorrection, bool& bAccurateMass) {
  PeakCorrect(fMass, fInten, pDeadTimeCorrection, fMassCorrection, fIntenCorrection, bAccurateMass);
}
