// The chromatogram and analog queries of the C interface: each checks its
// reader and outputs, then calls one method of the chromatogram or analog
// reader.

#include "api/ZorvalenRawAnalogReaderImp.h"
#include "api/ZorvalenRawChromatogramReaderImp.h"
#include "zorvalen/ZorvalenRaw.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

template <class Body>
int onChromatogramReader(CZorvalenBaseReader reader, bool outputsGiven, Body&& body) noexcept {
  return callHandle<ZorvalenRawChromatogramReaderImp>(reader, ZVRAW_READER_NOT_DEFINED, outputsGiven,
                                                      std::forward<Body>(body));
}

template <class Body>
int onAnalogReader(CZorvalenBaseReader reader, bool outputsGiven, Body&& body) noexcept {
  return callHandle<ZorvalenRawAnalogReaderImp>(reader, ZVRAW_READER_NOT_DEFINED, outputsGiven,
                                                std::forward<Body>(body));
}

}  // namespace

ZV_API int readTICChromatogram(CZorvalenBaseReader reader, int nFunction, float** ppTimes, float** ppIntensities,
                               int* pnSize) {
  return onChromatogramReader(reader, allGiven(ppTimes, ppIntensities, pnSize),
                              [&](ZorvalenRawChromatogramReaderImp& r) {
                                return r.ReadTICChromatogram(nFunction, *ppTimes, *ppIntensities, *pnSize);
                              });
}

ZV_API int readBPIChromatogram(CZorvalenBaseReader reader, int nFunction, float** ppTimes, float** ppIntensities,
                               int* pnSize) {
  return onChromatogramReader(reader, allGiven(ppTimes, ppIntensities, pnSize),
                              [&](ZorvalenRawChromatogramReaderImp& r) {
                                return r.ReadBPIChromatogram(nFunction, *ppTimes, *ppIntensities, *pnSize);
                              });
}

ZV_API int readMassChromatograms(CZorvalenBaseReader reader, int nFunction, const float* pfMasses, int nMasses,
                                 float** ppTimes, float** ppIntensities, float fMassWindow, bool bDaughters,
                                 int* pnSize) {
  return onChromatogramReader(reader, allGiven(ppTimes, ppIntensities, pnSize),
                              [&](ZorvalenRawChromatogramReaderImp& r) {
                                return r.ReadMassChromatograms(nFunction, pfMasses, nMasses, *ppTimes, *ppIntensities,
                                                               fMassWindow, bDaughters, *pnSize);
                              });
}

ZV_API int readMRMChromatograms(CZorvalenBaseReader reader, int nFunction, const int* pnChannels, int nChannels,
                                float** ppTimes, float** ppIntensities, int* pnSize) {
  return onChromatogramReader(reader, allGiven(ppTimes, ppIntensities, pnSize),
                              [&](ZorvalenRawChromatogramReaderImp& r) {
                                return r.ReadMRMChromatograms(nFunction, pnChannels, nChannels, *ppTimes,
                                                              *ppIntensities, *pnSize);
                              });
}

ZV_API int readVeskoMassChromatogram(CZorvalenBaseReader reader, int nFunction, float fPrecursorMass, float fMass,
                                     float** ppTimes, float** ppIntensities, float fPrecursorMassWindow,
                                     float fMassWindow, int* pnSize) {
  return onChromatogramReader(reader, allGiven(ppTimes, ppIntensities, pnSize),
                              [&](ZorvalenRawChromatogramReaderImp& r) {
                                return r.ReadMassChromatogram(nFunction, fPrecursorMass, fMass, *ppTimes,
                                                              *ppIntensities, fPrecursorMassWindow, fMassWindow,
                                                              *pnSize);
                              });
}

ZV_API int extractByBins(CZorvalenBaseReader reader, int nFunction, float fMassStart, float fMassEnd,
                         int nFirstBlock, int nLastBlock, int nFirstBin, int nLastBin, int** ppBins,
                         float** ppIntensities, int* pnSize) {
  return onChromatogramReader(reader, allGiven(ppBins, ppIntensities, pnSize),
                              [&](ZorvalenRawChromatogramReaderImp& r) {
                                return r.extractByBins(nFunction, fMassStart, fMassEnd, nFirstBlock, nLastBlock,
                                                       nFirstBin, nLastBin, *ppBins, *ppIntensities, *pnSize);
                              });
}

ZV_API int readMobillogram(CZorvalenBaseReader reader, int nFunction, int nStartScan, int nEndScan,
                           float fStartMass, float fEndMass, int** ppDriftBins, float** ppIntensities, int* pnSize) {
  return onChromatogramReader(reader, allGiven(ppDriftBins, ppIntensities, pnSize),
                              [&](ZorvalenRawChromatogramReaderImp& r) {
                                return r.ReadMobillogram(nFunction, nStartScan, nEndScan, fStartMass, fEndMass,
                                                         *ppDriftBins, *ppIntensities, *pnSize);
                              });
}

ZV_API int getChannelCount(CZorvalenBaseReader reader, int* pnCount) {
  return onAnalogReader(reader, allGiven(pnCount),
                        [&](ZorvalenRawAnalogReaderImp& r) { return r.GetNumberAnalogChannels(*pnCount); });
}

ZV_API int readChannel(CZorvalenBaseReader reader, int nChannel, const float** ppTimes, const float** ppValues,
                       int* pnSize) {
  return onAnalogReader(reader, allGiven(ppTimes, ppValues, pnSize), [&](ZorvalenRawAnalogReaderImp& r) {
    return r.ReadChannel(nChannel, *ppTimes, *ppValues, *pnSize);
  });
}

ZV_API int getChannelDesciption(CZorvalenBaseReader reader, int nChannel, char** ppText) {
  return onAnalogReader(reader, allGiven(ppText),
                        [&](ZorvalenRawAnalogReaderImp& r) { return r.GetChannelDescription(nChannel, *ppText); });
}

ZV_API int getChannelUnits(CZorvalenBaseReader reader, int nChannel, char** ppText) {
  return onAnalogReader(reader, allGiven(ppText),
                        [&](ZorvalenRawAnalogReaderImp& r) { return r.GetChannelUnits(nChannel, *ppText); });
}
