#include "processing/DeadTimeArray.h"

#include <climits>
#include <cstdio>

#include "formats/portability/CLocale.h"
#include "formats/portability/FileHandle.h"
#include "formats/portability/SysPaths.h"

bool DeadTimeArray::readFromFile(const char* pcFullFileName) {
  if (pcFullFileName == nullptr) return false;
  zvraw::FilePtr f = sysOpenFile(pcFullFileName, "r");  // only a regular file: never wait on a FIFO
  if (!f) return false;
  std::vector<DeadTime> rows;
  {
    zvraw::CLocaleScope numbersWithAPoint;
    for (;;) {
      float v[4] = {0.0f, 0.0f, 0.0f, 0.0f};
      // A word that is not a number never reaches end of file: stop at it.
      const int n = std::fscanf(f.get(), "%f %f %f %f", &v[0], &v[1], &v[2], &v[3]);
      if (n < 1) break;
      rows.emplace_back(v[0], v[1], v[2], v[3]);
      if (n < 4 || rows.size() == static_cast<std::size_t>(INT_MAX)) break;
    }
  }
  if (rows.empty()) return false;
  m_ownedRows.swap(rows);
  m_pdtArray = m_ownedRows;
  m_ndtArraySize = static_cast<int>(m_ownedRows.size());
  m_bMyTable = true;
  indexBlocks();
  return true;
}

DeadTime DeadTimeArray::GetAt(int nIndex) const {
  if (nIndex < 0 || nIndex >= m_ndtArraySize) return DeadTime{};
  return m_pdtArray[static_cast<std::size_t>(nIndex)];
}

void DeadTimeArray::indexBlocks() {
  m_blocks.clear();
  for (long r = 0; r < m_ndtArraySize; ++r) {
    const float sigma = GetAt(static_cast<int>(r)).Sigma();
    if (m_blocks.empty() || !(m_blocks.back().sigma == sigma))
      m_blocks.push_back({sigma, r, r});
    else
      m_blocks.back().last = r;
  }
}

const DeadTimeArray::Block* DeadTimeArray::firstBlockAbove(float fSigma) const {
  for (const Block& b : m_blocks)
    if (b.sigma > fSigma) return &b;
  return nullptr;
}

const DeadTimeArray::Block* DeadTimeArray::lastBlockBelow(float fSigma) const {
  for (auto b = m_blocks.rbegin(); b != m_blocks.rend(); ++b)
    if (b->sigma < fSigma) return &*b;
  return nullptr;
}

DeadTimeArray::UpperWalk DeadTimeArray::upperWalk(float fLambdaPrime, float fSigma) const {
  const Block* block = firstBlockAbove(fSigma);
  if (block == nullptr) return {-1, -1, -1};
  const long first = block->first, last = block->last;
  for (long r = first; r <= last; ++r)
    if (GetAt(static_cast<int>(r)).LambdaPrime() > fLambdaPrime) return {first, last, r};
  return {first, last, -1};
}

// All four from one walk of each sigma block. In the wider block: the last
// row at or below p and the first above it; in the narrower block: the last
// row below p and the row after it.
DeadTimeArray::Corners DeadTimeArray::corners(float fLambdaPrime, float fSigma) const {
  const UpperWalk w = upperWalk(fLambdaPrime, fSigma);
  const Block* lower = lastBlockBelow(fSigma);
  long ll = -1;
  for (long r = lower ? lower->last : -1; lower && r >= lower->first && ll < 0; --r)
    if (GetAt(static_cast<int>(r)).LambdaPrime() < fLambdaPrime) ll = r;
  return {w.above >= 0 ? w.above : w.last, ll >= 0 && ll + 1 <= lower->last ? ll + 1 : -1,
          w.above < 0 ? w.last : (w.above == w.first ? -1 : w.above - 1), ll};
}

long DeadTimeArray::getUpperLambdaPrimeUpperSigma(float fLambdaPrime, float fSigma) const {
  return corners(fLambdaPrime, fSigma).uu;
}

long DeadTimeArray::getLowerLambdaPrimeUpperSigma(float fLambdaPrime, float fSigma) const {
  return corners(fLambdaPrime, fSigma).lu;
}

long DeadTimeArray::getLowerLambdaPrimeLowerSigma(float fLambdaPrime, float fSigma) const {
  return corners(fLambdaPrime, fSigma).ll;
}

long DeadTimeArray::getUpperLambdaPrimeLowerSigma(float fLambdaPrime, float fSigma) const {
  return corners(fLambdaPrime, fSigma).ul;
}

bool DeadTimeArray::IsOffTable(float fLambdaPrimeRequired, float fSigmaRequired) const {
  return upperWalk(fLambdaPrimeRequired, fSigmaRequired).above < 0;
}

DeadTimeArray::Blend DeadTimeArray::blend(float p, float s, long minRow) const {
  const Corners c = corners(p, s);
  if (c.uu < minRow || c.ul < minRow || c.lu < minRow || c.ll < minRow) return {false, 0.0f, 0.0f};
  const DeadTime uu = GetAt(static_cast<int>(c.uu)), ul = GetAt(static_cast<int>(c.ul));
  const DeadTime lu = GetAt(static_cast<int>(c.lu)), ll = GetAt(static_cast<int>(c.ll));
  const auto fraction = [](float num, float den) { return den != 0.0f ? num / den : 0.0f; };
  const float t = fraction(s - ul.Sigma(), uu.Sigma() - ul.Sigma());
  const float a = fraction(p - ll.LambdaPrime(), ul.LambdaPrime() - ll.LambdaPrime());  // narrower block
  const float b = fraction(p - lu.LambdaPrime(), uu.LambdaPrime() - lu.LambdaPrime());  // wider block
  // One weight for both blocks, not the product form of bilinear interpolation.
  const float w = (1.0f - t) * a + t * b;
  const auto mix = [&](float xll, float xlu, float xul, float xuu) {
    return (1.0f - w) * ((1.0f - t) * xll + t * xlu) + w * ((1.0f - t) * xul + t * xuu);
  };
  return {true, mix(ll.Lambda(), lu.Lambda(), ul.Lambda(), uu.Lambda()),
          mix(ll.DeltaT(), lu.DeltaT(), ul.DeltaT(), uu.DeltaT())};
}

float DeadTimeArray::InterpolateLambda(float fLambdaPrime, float fSigma, bool* pbAboveThreshold) const {
  if (pbAboveThreshold) *pbAboveThreshold = false;
  const Blend r = blend(fLambdaPrime, fSigma, 0);
  if (!r.found) return 0.0f;
  if (pbAboveThreshold && m_fLambdaThreshold > 0.0f && r.lambda >= m_fLambdaThreshold) *pbAboveThreshold = true;
  return r.lambda;
}

float DeadTimeArray::InterpolateDeltaT(float fLambdaPrime, float fSigma) const {
  const Blend r = blend(fLambdaPrime, fSigma, 0);
  return r.found ? r.deltaT : 0.0f;
}

void DeadTimeArray::Interpolate(float fLambdaPrime, float fSigma, float& fLambda, float& fDeltaT) const {
  fLambda = 0.0f;
  fDeltaT = 0.0f;
  const Blend r = blend(fLambdaPrime, fSigma, 1);
  if (!r.found) return;
  fLambda = r.lambda;
  fDeltaT = r.deltaT;
}
