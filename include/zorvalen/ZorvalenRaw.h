/* libZorvalenRaw: the one header callers include.
 *
 * Every function returns an int result code (ZVRAW_OK is 0; the other codes
 * are in ZorvalenRawResultCodes.h and getErrorMessage gives their text).
 *
 * Memory: a handle lives from its create function to its destroy function.
 * Blocks the library allocates for the caller (error messages, chromatograms)
 * are released by the caller with releaseMemory and outlive the handle that
 * made them. Everything else handed out by pointer (texts, key lists) belongs
 * to the handle and stays valid until the next call of the same kind on that
 * handle or until the handle is destroyed. */
#ifndef ZORVALEN_RAW_H
#define ZORVALEN_RAW_H

#include "zorvalen/ZorvalenRawDefs.h"
#include "zorvalen/ZorvalenRawExport.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

/* ---- Caller memory and error texts ---- */

/* Releases a block the library allocated for the caller; null is accepted.
 * Returns 0. */
ZV_API int releaseMemory(void* pMemory);

/* The text of a result code in a block allocated for the caller (release it
 * with releaseMemory): "" for 0, "Unknown Code" for a code without a text.
 * 79 for a null ppErrorMessage; 45, with a null text, when the block cannot
 * be allocated. */
ZV_API int getErrorMessage(int nErrorCode, char** ppErrorMessage);

/* ---- Parameter sets: text values under integer keys ----
 * Keys are values of the enumerations in ZorvalenRawDefs.h. A null handle,
 * a handle of another kind, a null text and a null output pointer give 79. */

/* Makes an empty set. */
ZV_API int createParameters(CZorvalenParameters* pParameters);

/* Makes a set holding a copy of the source's pairs. */
ZV_API int createParametersFromParameters(CZorvalenParameters source, CZorvalenParameters* pParameters);

/* Destroys a set; null is accepted. */
ZV_API int destroyParameters(CZorvalenParameters parameters);

/* Stores a copy of the text under the key, replacing any earlier value. */
ZV_API int setParameterValue(CZorvalenParameters parameters, int key, const char* value);

/* The key's text ("" when the key is not set), held by the set until the next
 * getParameterValue on it. */
ZV_API int getParameterValue(CZorvalenParameters parameters, int key, char** value);

/* The set keys in ascending order, held by the set until the next
 * getParameterKeys on it. */
ZV_API int getParameterKeys(CZorvalenParameters parameters, int** keys, int* count);

/* ---- Readers: an open raw data directory ----
 * A reader is opened on a directory path, or made on another reader's
 * directory without reading its files again; the directory stays open until
 * the last reader on it is destroyed, in any order. Kinds: ZorvalenBaseType
 * SCAN (1), INFO (2), CHROM (3), ANALOG (4). A null reader or one of another
 * kind gives 59, a null output pointer 79. */

/* Opens the directory at path as a reader of kind nType. The handle is null
 * unless 0 is returned: 59 for a kind other than 1 to 4, 79 for a null path,
 * 4 for a path longer than 255 bytes, else the code of opening the
 * directory. */
ZV_API int createRawReaderFromPath(const char* path, CZorvalenBaseReader* pReader, ZorvalenBaseType nType);

/* A reader of kind nType on source's directory. The handle is null unless 0
 * is returned: 59 for a null source or a kind other than 1 to 4, else the
 * directory's state (the code of its last failed update). */
ZV_API int createRawReaderFromReader(CZorvalenBaseReader source, CZorvalenBaseReader* pReader,
                                     ZorvalenBaseType nType);

/* Destroys a reader; null is accepted. */
ZV_API int destroyRawReader(CZorvalenBaseReader reader);

/* Re-reads the scan indices and statistics of a directory still being
 * written, for every reader on it: new scans show afterwards. 46 when the
 * directory has no statistics file (its scans still read). */
ZV_API int updateRawReader(CZorvalenBaseReader reader);

/* ---- Scans: a reader of kind SCAN ----
 * Functions and scans are numbered from 0. The arrays belong to the reader:
 * they stay valid until the next read of the same kind on it (and move when
 * a larger scan needs larger arrays); never release them. After a failed
 * read the pointers are null and the sizes 0. */

/* One scan's masses and intensities; a scan of 0 points gives null arrays. */
ZV_API int readScan(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses, float** ppIntensities,
                    int* pnSize);

/* As readScan, plus one flag byte per point (bits 1 and 2 merged into bit 1);
 * a null flag array when no point carries a flag. */
ZV_API int readScanFlags(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses,
                         float** ppIntensities, char** ppFlags, int* pnSize);

/* As readScan, plus the product masses of an MRM function type (27 for
 * another type). */
ZV_API int readProductScan(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses,
                           float** ppIntensities, float** ppProductMasses, int* pnSize, int* pnProductSize);

/* One drift spectrum (drift bin nDrift) of a compressed function, as masses
 * with the scan's lock-mass gain, or as time-of-flight mass indices (with
 * one flag byte per point). The arrays belong to the function's drift
 * reader, shared by every reader on the directory: valid until the next
 * drift read of that function through any of them. */
ZV_API int readDriftScan(CZorvalenBaseReader reader, int nFunction, int nScan, int nDrift, float** ppMasses,
                         float** ppIntensities, int* pnSize);
ZV_API int readDriftScanIndex(CZorvalenBaseReader reader, int nFunction, int nScan, int nDrift,
                              int** ppMassIndices, float** ppIntensities, int* pnSize);
ZV_API int readDriftScanFlagsIndex(CZorvalenBaseReader reader, int nFunction, int nScan, int nDrift,
                                   int** ppMassIndices, float** ppIntensities, char** ppFlags, int* pnSize);

/* The mass of every time-of-flight index of a compressed function's window,
 * with the scan's lock-mass gain, and the index of its first entry. Held by
 * the reader until its next getDriftMassScale; set also when the drift
 * reader reports a failure. */
ZV_API int getDriftMassScale(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses, int* pnSize,
                             int* pnOffset);

/* ---- Chromatograms: a reader of kind CHROM ----
 * Every array is allocated for the caller, who releases each with
 * releaseMemory (two calls: the first array and the second); they outlive
 * the reader. After a failed TIC, BPI, mass or MRM chromatogram both arrays
 * are null and the size 0. */

/* The retention time (minutes) and the total ion current, or the base-peak
 * intensity, of every scan of the function, from the scan index: no scan
 * data are loaded. A function of 0 scans gives 0, null arrays and size 0. */
ZV_API int readTICChromatogram(CZorvalenBaseReader reader, int nFunction, float** ppTimes, float** ppIntensities,
                               int* pnSize);
ZV_API int readBPIChromatogram(CZorvalenBaseReader reader, int nFunction, float** ppTimes, float** ppIntensities,
                               int* pnSize);

/* One retention time per scan, and one block of nMasses x scans intensities:
 * row i (entries i x size to i x size + size - 1) sums each scan's points
 * within pfMasses[i] +- fMassWindow / 2. 1 for nMasses below 1, 79 for a
 * null list, 45 when the block exceeds 2^31 - 1 values, 1 for a function
 * without scans. The scans are loaded 100 at a time into the directory that
 * every reader on it shares: afterwards the function's last block of scans
 * is the loaded one. */
ZV_API int readMassChromatograms(CZorvalenBaseReader reader, int nFunction, const float* pfMasses, int nMasses,
                                 float** ppTimes, float** ppIntensities, float fMassWindow, bool bDaughters,
                                 int* pnSize);

/* The same block for MRM channels of an MRM function (data format 2 or 11):
 * row i is channel pnChannels[i]; 15 for a channel the function does not
 * have, 27 for another data format. A function of 0 scans or without
 * channels gives 0 with null arrays. Loads every scan of the function into
 * the shared directory. */
ZV_API int readMRMChromatograms(CZorvalenBaseReader reader, int nFunction, const int* pnChannels, int nChannels,
                                float** ppTimes, float** ppIntensities, int* pnSize);

/* Scanning-quadrupole mass chromatogram of a compressed function: one point
 * per scan, the intensities within fMass +- fMassWindow / 2 summed over the
 * quadrupole bins of fPrecursorMass +- fPrecursorMassWindow / 2. 63, with
 * the outputs untouched, when the run has no scanning-quadrupole
 * calibration. */
ZV_API int readVeskoMassChromatogram(CZorvalenBaseReader reader, int nFunction, float fPrecursorMass, float fMass,
                                     float** ppTimes, float** ppIntensities, float fPrecursorMassWindow,
                                     float fMassWindow, int* pnSize);

/* Per drift bin nFirstBin to nLastBin of a compressed function: the bin
 * number and the intensities within fMassStart to fMassEnd summed over scans
 * nFirstBlock to nLastBlock. 74 for a bad mass range, 17 or 80 for a
 * reversed scan or bin range, 16 or 55 for a scan or bin the function does
 * not have. */
ZV_API int extractByBins(CZorvalenBaseReader reader, int nFunction, float fMassStart, float fMassEnd,
                         int nFirstBlock, int nLastBlock, int nFirstBin, int nLastBin, int** ppBins,
                         float** ppIntensities, int* pnSize);

/* extractByBins over every drift bin of the function; a function without
 * drift data fails with null arrays. */
ZV_API int readMobillogram(CZorvalenBaseReader reader, int nFunction, int nStartScan, int nEndScan,
                           float fStartMass, float fEndMass, int** ppDriftBins, float** ppIntensities, int* pnSize);

/* ---- Analog channels: a reader of kind ANALOG ----
 * Channels are numbered from 0. What these return belongs to the reader:
 * never release it. */

/* The number of analog channels; always 0. */
ZV_API int getChannelCount(CZorvalenBaseReader reader, int* pnCount);

/* A channel's sample times and values, held by the reader until its next
 * readChannel. 14 for a channel not below the count; a channel without
 * samples gives 0, null arrays and size 0. */
ZV_API int readChannel(CZorvalenBaseReader reader, int nChannel, const float** ppTimes, const float** ppValues,
                       int* pnSize);

/* A channel's description and units texts, held by the reader until its
 * next text. 14 for a channel not below the count, 1 for a channel without
 * a header. */
ZV_API int getChannelDesciption(CZorvalenBaseReader reader, int nChannel, char** ppText);
ZV_API int getChannelUnits(CZorvalenBaseReader reader, int nChannel, char** ppText);

/* ---- Information: a reader of kind INFO ----
 * Questions about an open directory that read no scan data. Function types
 * are the stored type + 200 (ZorvalenFunctionType), ion modes the stored
 * mode + 100 (ZorvalenIonMode). An output the function presets (299, 199,
 * 0, NaN) keeps the preset when the question fails. */

ZV_API int getFunctionCount(CZorvalenBaseReader reader, unsigned int* pnCount);
ZV_API int getScanCount(CZorvalenBaseReader reader, int nFunction, unsigned int* pnScans);
/* Drift bins per scan of a compressed function. */
ZV_API int getDriftScanCount(CZorvalenBaseReader reader, int nFunction, unsigned int* pnDrifts);

/* The acquisition mass range of an MRM number (segment) of the function;
 * 15 for a number outside 0 to 65535. */
ZV_API int getAcquisitionMassRange(CZorvalenBaseReader reader, int nFunction, int nMRM, float* pfLow, float* pfHigh);

/* The retention times (minutes) of the function's first and last scan; a
 * function of 0 scans gives the scan index's code. */
ZV_API int getAcquisitionTimeRange(CZorvalenBaseReader reader, int nFunction, float* pfStart, float* pfEnd);

/* Preset to 299 (UNINITIALISED). */
ZV_API int getFunctionType(CZorvalenBaseReader reader, int nFunction, ZorvalenFunctionType* pType);

/* The short name of a function type ("MS", "SIR", "MSMS", ...), held by the
 * reader until its next text; 27 for a value outside 200 to 231. */
ZV_API int getFunctionTypeString(CZorvalenBaseReader reader, ZorvalenFunctionType type, char** ppText);

/* Whether the function holds continuum data. */
ZV_API int isContinuum(CZorvalenBaseReader reader, int nFunction, ZV_REF(bool) bContinuum);

/* Preset to 199 (UNINITIALISED). */
ZV_API int getIonMode(CZorvalenBaseReader reader, int nFunction, ZorvalenIonMode* pMode);

/* "EI+" to "LD-", held by the reader until its next text; 28 for a value
 * outside 100 to 113. */
ZV_API int getIonModeString(CZorvalenBaseReader reader, ZorvalenIonMode mode, char** ppText);

/* A scan's retention time in minutes. */
ZV_API int getRetentionTime(CZorvalenBaseReader reader, int nFunction, int nScan, float* pfRT);

/* The MRM transitions of an MRM function (points of its scan 0); 0 for other
 * types. Written whatever the result. */
ZV_API int getMRMCount(CZorvalenBaseReader reader, int nFunction, int* pnCount);

/* The scans covering a retention-time range; 0 and 0 when the lookup fails. */
ZV_API int getScanRangeFromTimeRange(CZorvalenBaseReader reader, int nFunction, float fRTStart, float fRTEnd,
                                     ZV_REF(int) nFirstScan, ZV_REF(int) nLastScan);

/* Whether the run has a lock-mass reference function, and which (-1 when it
 * has none). */
ZV_API int getLockMassFunction(CZorvalenBaseReader reader, bool* pbPresent, int* pnFunction);

/* Acquisition classification, made on the reader's first question and kept
 * for its life (updateRawReader does not redo it). getAcquisitionInfo
 * replaces the set's pairs (a null or other-kind set gives 79) with
 * AcquisitionParameter keys: TYPE, a ZorvalenAcquisitionType (VESKO, DDA,
 * HDDDA, ELVO, HDELVO or UNKNOWN); LTEFF, VEFF, RESOLUTION and
 * SAMPLINGFREQUENCY (GHz) with six decimals, 0 when the run records none;
 * PRECURSOR_MASS_START and _END for VESKO; LOCKMASS (-1 for none) and MS1
 * (the survey or low-energy function) for the data-dependent and
 * alternating-energy kinds, and MS2 (the high-energy function) for the
 * latter. */
ZV_API int getAcquisitionInfo(CZorvalenBaseReader reader, CZorvalenParameters parameters);

/* Whether lock-mass correction applies to the run: it has a reference
 * function and is data-dependent or holds functions not yet calibrated; and
 * whether a gain table (lmgt.inf) is applied to its reads. Both give false
 * when they cannot tell, and 0 (79 for a null output). */
ZV_API int canLockMassCorrect(CZorvalenBaseReader reader, bool* pbCan);
ZV_API int isLockMassCorrected(CZorvalenBaseReader reader, bool* pbApplied);

/* Scanning-quadrupole calibration (63 when the run has none): the bins
 * covering fPrecursorMass +- fTolerance / 2, a bin's precursor mass, and the
 * precursor mass range of the function or of one bin. */
ZV_API int getIndexRange(CZorvalenBaseReader reader, int nFunction, float fPrecursorMass, float fTolerance,
                         int* pnFirstIndex, int* pnLastIndex);
ZV_API int getPrecursorMass(CZorvalenBaseReader reader, int nFunction, int nIndex, float* pfMass);
ZV_API int getFunctionPrecursorMassRange(CZorvalenBaseReader reader, int nFunction, float* pfStart, float* pfEnd);
ZV_API int getIndexPrecursorMassRange(CZorvalenBaseReader reader, int nFunction, int nIndex, float* pfStart,
                                      float* pfEnd);

/* Mobility calibration: a collision cross section from a drift time, and
 * back. Preset to NaN; 66 when the run has no calibration. */
ZV_API int getCollisionalCrossSection(CZorvalenBaseReader reader, float fDriftTime, float fMass, int nCharge,
                                      float* pfCrossSection);
ZV_API int getDriftTime_CCS(CZorvalenBaseReader reader, float fCrossSection, float fMass, int nCharge,
                            float* pfDriftTime);

/* Named values in a parameter set (a null or other-kind set gives 79): each
 * clears the set, then stores one text per requested item under the item.
 * Null items with nCount > 0 give 79 and nCount < 0 gives 57, both before
 * the set is cleared. */

/* The header text of each ZorvalenHeaderItem; "" for a value outside 300 to
 * 349 or a run without a header. */
ZV_API int getHeaderItemValue(CZorvalenBaseReader reader, const ZorvalenHeaderItem* pItems, int nCount,
                              CZorvalenParameters parameters);

/* The display name of each ZorvalenScanItem ("Transport RF"); "" for a value
 * that is no scan item or has no name. */
ZV_API int getScanItemName(CZorvalenBaseReader reader, const ZorvalenScanItem* pItems, int nCount,
                           CZorvalenParameters parameters);

/* Each ZorvalenScanItem of one scan: SET_MASS from the function's
 * descriptor; TOTAL_ION_CURRENT and BASE_PEAK_INTENSITY ("%.0f"),
 * BASE_PEAK_MASS ("%.6f") and PEAKS_IN_SCAN from the scan index; the others
 * from the scan's statistics record (integers in decimal, reals with 9
 * significant digits). An item nothing answers is present with "". 16 for a
 * scan beyond the function, with every item present and "". */
ZV_API int getScanItemValue(CZorvalenBaseReader reader, int nFunction, int nScan, const ZorvalenScanItem* pItems,
                            int nCount, CZorvalenParameters parameters);

/* The name of every scan item the function's statistics record, under the
 * item; an empty set for a function without statistics. */
ZV_API int getScanItemsInFunction(CZorvalenBaseReader reader, int nFunction, CZorvalenParameters parameters);

/* Drift bins and times (the transfer RF recorded with a function's first
 * scan; 73 when it is 0). The drift time of bin nDrift in the first function
 * that has the bin: preset to NaN, and NaN with 0 when that function has no
 * statistics. */
ZV_API int getDriftTime(CZorvalenBaseReader reader, int nDrift, float* pfDriftTime);

/* The drift bins covering fDTStart to fDTEnd of a function, preset to -1;
 * 80 for a negative, reversed or not finite range or one beyond the bins.
 * On success first <= last < the bin count; -1 and -1 with 0 when the
 * function has no statistics. */
ZV_API int getDriftRangeFromTimeRange(CZorvalenBaseReader reader, int nFunction, float fDTStart, float fDTEnd,
                                      ZV_REF(int) nFirstBin, ZV_REF(int) nLastBin);

/* ---- Processors: spectrum processing on an open raw directory ----
 * A processor opens no directory: setRawReader hands it a reader, and it
 * makes a reader of its own on that reader's directory, which stays open
 * while the processor holds it (the caller's reader may be destroyed). A
 * null handle, another family's handle or a processor of another kind gives
 * 60, a null output pointer or parameter set 79. */

/* Makes a processor of kind nType: SCAN (1), the spectrum processor,
 * LOCKMASS (5), the lock-mass processor, DDA (7), the data-dependent
 * processor, or ELVO (8), the alternating-energy processor. The handle is
 * null unless 0 is returned: 59 for any other kind. The callback, when a
 * kind reports progress (the lock-mass processor), gets pCaller and a
 * growing percentage (never 0). */
ZV_API int createRawProcessor(CZorvalenBaseProcessor* pProcessor, ZorvalenBaseType nType, ProgressCallBack callback,
                              void* pCaller);

/* Destroys a processor and its reader; null is accepted. */
ZV_API int destroyRawProcessor(CZorvalenBaseProcessor processor);

/* Gives the processor a reader of its own on reader's directory, replacing
 * the one it had. 59 for a null reader or one of another family (the
 * processor keeps its reader); else the directory's state, and no reader
 * unless that is 0. */
ZV_API int setRawReader(CZorvalenBaseProcessor processor, CZorvalenBaseReader reader);

/* The text of a result code, held by the processor until its next
 * getProcessorMessage. For a null processor the text of 60, allocated for
 * the caller (release it with releaseMemory). */
ZV_API int getProcessorMessage(CZorvalenBaseProcessor processor, int nCode, char** ppMessage);

/* ---- The spectrum processor: a processor of kind SCAN ----
 * It holds one spectrum: filled by a combine or setScan, changed in place by
 * smoothScan, centroidScan and thresholdScan, read with getScan. Its
 * settings (smoothing, centroid resolution, threshold) last until it is
 * destroyed. */

/* The scans nFirstScan to nLastScan (inclusive) of the function summed,
 * then, on data not yet calibrated with the lock mass, scaled once by the
 * installed lock-mass gain at the range's mid retention time. 1 without a
 * reader, 17 for a bad range; a read that fails ends the sum and its code is
 * returned, the spectrum holding the scans before it. */
ZV_API int combineScan(CZorvalenBaseProcessor processor, int nFunction, int nFirstScan, int nLastScan);

/* The spectrum of a compressed function's acquisition mass range summed
 * over the scans and drift bins (ranges inclusive), scaled by the gain as
 * combineScan. 14 for a function without drift data, 17 and 80 for a bad
 * scan or bin range. */
ZV_API int combineDriftScan(CZorvalenBaseProcessor processor, int nFunction, int nFirstScan, int nLastScan,
                            int nFirstDrift, int nLastDrift);

/* Copies the caller's points in as the spectrum. 72 (no text) when the
 * counts differ, 57 for a negative count, 79 for a null array with a count
 * above 0; the spectrum is then empty. */
ZV_API int setScan(CZorvalenBaseProcessor processor, const float* pfMasses, const float* pfIntensities,
                   int nMassCount, int nIntensityCount);

/* The spectrum's arrays and point count (null arrays when empty). They
 * belong to the processor and stay valid until the spectrum next changes (a
 * combine, setScan, smoothScan, centroidScan, thresholdScan). */
ZV_API int getScan(CZorvalenBaseProcessor processor, float** ppMasses, float** ppIntensities, int* pnSize);

/* Smooths the spectrum in place with the smoothing settings: SmoothParameter
 * NUMBER (passes, 2), WIDTH (points, 3) and SMOOTHTYPE (a SmoothType,
 * SAVITZKY_GOLAY). setSmoothParameter replaces the settings by a copy of
 * the set (a key left out takes its default; a value that is not an integer
 * is skipped); getSmoothParameter fills the cleared set with the value in
 * use under each key of the settings. */
ZV_API int smoothScan(CZorvalenBaseProcessor processor);
ZV_API int setSmoothParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);
ZV_API int getSmoothParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);

/* Centroids the spectrum in place with the real-time centroider at the
 * CentroidParameter RESOLUTION set, or else the raw directory's resolution
 * (10000 when it records none); 56 when neither can be had, 1 when the
 * centroider fails. setCentroidParameter: 56 without RESOLUTION (the
 * resolution in use stays), 57 unless it reads as a finite number above 0
 * (the raw directory's is then used again). getCentroidParameter fills the
 * cleared set with the resolution in use ("%f"). */
ZV_API int centroidScan(CZorvalenBaseProcessor processor);
ZV_API int setCentroidParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);
ZV_API int getCentroidParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);

/* Keeps the points whose intensity is above ThresholdParameter VALUE: an
 * intensity for TYPE ABSOLUTE_THRESHOLD, a percentage of the base peak for
 * RELATIVE_THRESHOLD. 56 before setThresholdParameter or for another type,
 * 57 for another key or a value that is not a number, 58 when VALUE or TYPE
 * is missing. setThresholdParameter replaces the settings by a copy of the
 * set. */
ZV_API int thresholdScan(CZorvalenBaseProcessor processor);
ZV_API int setThresholdParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);

/* ---- The data-dependent processor: a processor of kind DDA ----
 * The run (a DDA or HDDDA acquisition) as one list in retention-time order:
 * an MS1 entry per survey scan and an MS2 entry per run of consecutive
 * fragment scans with one set mass. At equal times MS1 entries come first,
 * then lower functions, then lower first scans. The list is built by the
 * first query after setRawReader; every query answers 1 before
 * setRawReader and 77 for a run of another kind.
 *
 * Entry details (ZorvalenDDAIndexDetail keys, into the cleared set): RT,
 * FUNCTION, START_SCAN, END_SCAN, SCAN_TYPE (ZorvalenScanType MS1 or MS2);
 * MS2 entries also SET_MASS and PRECURSOR_MASS, the set mass times the
 * installed lock-mass gain at the retention time of the MS1 entry before it
 * (the set mass itself when no gain table is installed).
 *
 * Spectra: the entry's scans summed, centroided when DDAParameter CENTROID
 * is "1"; from 6 points on, intensities below 2 become 0 and runs of zeros
 * keep only their two ends. The arrays belong to the processor and stay
 * valid until its next ddaGetScan or ddaGetNextScan or its destruction. */
ZV_API int ddaGetScanCount(CZorvalenBaseProcessor processor, int* pnCount);
/* 65 for an index outside 0 to the count less 1 (the set is left cleared). */
ZV_API int ddaGetScanInfo(CZorvalenBaseProcessor processor, int nIndex, CZorvalenParameters parameters);
ZV_API int ddaGetScan(CZorvalenBaseProcessor processor, int nIndex, float** ppMasses, float** ppIntensities,
                      int* pnSize, CZorvalenParameters parameters);
/* The entry at the cursor, which moves on; after the last entry 0 with
 * *pbNext false and the arrays and size untouched. ddaResetScan moves the
 * cursor back to the first entry; ddaGetScan leaves it. */
ZV_API int ddaGetNextScan(CZorvalenBaseProcessor processor, float** ppMasses, float** ppIntensities, int* pnSize,
                          CZorvalenParameters parameters, bool* pbNext);
ZV_API int ddaResetScan(CZorvalenBaseProcessor processor);
/* DDAParameter CENTROID: "0" or "1" sets it, anything else leaves it ("0"
 * on a new processor). */
ZV_API int setDDAParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);
ZV_API int getDDAParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);
/* The quadrupole isolation window (DDAIsolationWindowParameter LOWEROFFSET
 * and UPPEROFFSET, floats), kept in the raw directory's "_dda.inf". Set: 1
 * before setRawReader, 58 when either key is missing, 57 unless both are
 * finite numbers (nothing is written then), 5 or 10 when the file cannot be
 * written. Get: both offsets, 0 when the file or a key is missing. */
ZV_API int setQuadIsolationWindowParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);
ZV_API int getQuadIsolationWindowParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);

/* ---- The alternating-energy processor: a processor of kind ELVO ----
 * The scans of an ELVO acquisition's low- and high-energy functions in
 * retention-time order (at equal times the low-energy scan first), each
 * with its type: MS1 for low energy, MS2 for high. These two functions are
 * C++ functions, declared for C++ callers only; a C caller resolves them by
 * their symbol names, _Z15elvoGetNextScanPvRfR16ZorvalenScanTypeRPfS4_RiRb
 * and _Z13elvoResetScanPv, and calls them with pointers in place of the
 * references (the same ABI).
 *
 * elvoGetNextScan: rt 0 and type UNINITIALISED first; 1 before setRawReader
 * or for a run that is not ELVO (HDELVO included), next untouched. At the
 * end 0 with next false. Otherwise the scan at the cursor, which moves on:
 * its arrays belong to the processor and stay valid until its next
 * elvoGetNextScan, setRawReader or destruction; a scan that cannot be read
 * gives the read's code, count 0 and null arrays. elvoResetScan moves the
 * cursor back to the first scan. Both give 60 for a handle that is not an
 * alternating-energy processor. */
#ifdef __cplusplus
ZV_EXPORT int elvoGetNextScan(CZorvalenBaseProcessor processor, float& rt, ZorvalenScanType& type, float*& masses,
                              float*& intensities, int& count, bool& next);
ZV_EXPORT int elvoResetScan(CZorvalenBaseProcessor processor);
#endif

/* ---- Lock-mass correction: a processor of kind LOCKMASS ----
 * The processor measures the reference peak in every scan of the reference
 * function and installs a gain table (retention time, true / observed
 * mass) on the raw directory's data in memory: from then on every reader on
 * it, of any handle sharing the directory, returns masses times the gain at
 * the scan's time. The table is saved as "lmgt.inf" in the raw directory,
 * where later openings find it. Without setRawReader every function gives 1
 * except setLockMassParameters, getLockMassParameters and
 * removeLockMassCorrection (0). A null or other-kind handle gives 60, a
 * null output or parameter set 79. */

/* Corrects with LockMassParameter MASS, TOLERANCE and FORCE ("1" recomputes
 * a table read from "lmgt.inf" with the same settings): 58 when MASS or
 * TOLERANCE is missing, 57 for another key or a value that is not a number,
 * a mass of 0 or below, a negative tolerance, or one not finite. 0 with
 * *pbApplied false for a run that cannot be corrected or is corrected with
 * these settings already. A table without entries is not installed and
 * deletes "lmgt.inf". When the file cannot be written (5 or 10) or deleted
 * (1), the table stays in effect here and *pbApplied tells. */
ZV_API int lockMassCorrect(CZorvalenBaseProcessor processor, bool* pbApplied);

/* Corrects with the one built-in reference compound of the reference
 * function's polarity found among the candidates; 76 when several are
 * found. Without bForce a correction in place is kept (*pbApplied true).
 * The processor's own settings are unchanged afterwards. */
ZV_API int autoLockMassCorrect(CZorvalenBaseProcessor processor, bool bForce, bool* pbApplied);

/* Uninstalls the table and deletes "lmgt.inf" (1 when it cannot be). */
ZV_API int removeLockMassCorrection(CZorvalenBaseProcessor processor);

/* The installed gain at a retention time (minutes): 54 when the run cannot
 * be corrected, 56 when no table is installed; *pfGain is untouched then. */
ZV_API int getLockMassCorrection(CZorvalenBaseProcessor processor, float fRetentionTime, float* pfGain);

/* The reference function's scans summed, centred and cut below 1 percent
 * of the base peak. With *pnCount above 0, two arrays allocated for the
 * caller, each released with releaseMemory; otherwise the pointers are left
 * as they were. */
ZV_API int getLockMassCandidates(CZorvalenBaseProcessor processor, float** ppMasses, float** ppIntensities,
                                 int* pnCount);

/* Fills the cleared set with the installed table's MASS and TOLERANCE
 * ("%f"): 54 and 56 as getLockMassCorrection. */
ZV_API int getLockMassValuesParams(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);

/* The settings lockMassCorrect reads: replaced by a copy of the set, or
 * copied unchanged into the cleared set. */
ZV_API int setLockMassParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);
ZV_API int getLockMassParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);

/* 1 or 0: whether the run can be corrected, and whether a table is in
 * effect, as canLockMassCorrect and isLockMassCorrected of a reader. */
ZV_API int LMP_canLockMassCorrect(CZorvalenBaseProcessor processor, int* pnCan);
ZV_API int LMP_isLockMassCorrected(CZorvalenBaseProcessor processor, int* pnApplied);

/* ---- Writing a raw directory ----
 * A writer lays a new directory down function by function: define a
 * function, append its scans (or drift blocks), then the next function; add
 * header items and analog traces at any time; closeRawWriter writes every
 * file. Retention times are in minutes. Scans are written in batches of 100
 * and at the next function, flushRawWriter and closeRawWriter;
 * destroyRawWriter drops what is still queued. Every call returns the first
 * failure of the writes it caused (a full disk, a file that cannot be
 * made), and what is on disk then still reads back: each indexed scan whole,
 * with its own statistics record. A null writer or one of another kind, a
 * null parameter set and null arrays under a positive count give 79. */

/* Makes a writer on the directory pTarget (created with its parents) and
 * writes its header. 79 for a null pointer, 4 for a path longer than 255
 * bytes, each with a null handle. A directory that cannot be prepared still
 * gives 0 and a handle, whose every later call returns that code (53 empty
 * path, 1 not created) and writes nothing. */
ZV_API int createRawWriter(CZorvalenRawWriter* zvScanWriter, const char* pTarget);

/* Releases a writer without writing: scans still queued are lost. Null is
 * accepted. */
ZV_API int destroyRawWriter(CZorvalenRawWriter zvRawWriter);

/* Starts the next function (numbered from 0) from FunctionDefinition keys,
 * after writing what the previous one queued. FUNCTIONTYPE is TOF (default), TOFS,
 * TOFD, TOFM or TOFP (68 otherwise); a value that does not read gives 1 and
 * an ion mode outside 100 to 113 gives 57. CDT_SCANS above 0 makes a
 * compressed-drift function, which needs LTEFF, VEFF, SAMPLINGFREQUENCY
 * (GHz), STARTMASS and ENDMASS (57 otherwise). A continuum function with all
 * five has its scans rebinned onto its time-of-flight grid. On any nonzero
 * result the function is not started, except that refused scan items (57,
 * 75) start it without statistics. */
ZV_API int appendRawFunction(CZorvalenRawWriter writer, CZorvalenParameters pParameters);

/* As appendRawFunction, and every scan of the function carries a statistics
 * record of the size items in pStats. */
ZV_API int appendRawFunctionWithStats(CZorvalenRawWriter writer, CZorvalenParameters pParameters,
                                      const ZorvalenScanItem* pStats, int size);

/* One scan of the current function: 1 before any function, 69 for a
 * compressed-drift function, 57 for a negative size, a mass or time that is
 * not finite. The WithStats form takes the values of the function's scan
 * items (a scan without values gets a record of zeros). */
ZV_API int appendRawScan(CZorvalenRawWriter writer, const float* pMasses, const float* pIntensities, int nSize,
                         float fRT);
ZV_API int appendRawScanWithStats(CZorvalenRawWriter writer, const float* pMasses, const float* pIntensities,
                                  int nSize, float fRT, CZorvalenParameters pParameters);

/* One drift block of the current compressed-drift function (70 for another
 * function or after closeRawWriter): scansize drift spectra of scans[i]
 * points each, datasize points in all, given as time-of-flight grid indices
 * or as masses (rebinned onto the grid). The block is written at once and
 * its spectra summed become the function's next scan, at fRT. 57 when the
 * counts do not add up to datasize or exceed CDT_SCANS, or fRT is not
 * finite. After a block or scan write fails, every later block of the
 * function returns that failure. */
ZV_API int appendCDTScanIndex(CZorvalenRawWriter writer, const unsigned int* massindex, const unsigned int* intensity,
                              unsigned int datasize, const unsigned int* scans, unsigned int scansize, float fRT);
ZV_API int appendCDTScanIndexWithStats(CZorvalenRawWriter writer, const unsigned int* massindex,
                                       const unsigned int* intensity, unsigned int datasize,
                                       const unsigned int* scans, unsigned int scansize, float fRT,
                                       CZorvalenParameters pParameters);
ZV_API int appendCDTScan(CZorvalenRawWriter writer, const float* masses, const float* intensities,
                         unsigned int datasize, const unsigned int* scans, unsigned int scansize, float fRT);
ZV_API int appendCDTScanWithStats(CZorvalenRawWriter writer, const float* masses, const float* intensities,
                                  unsigned int datasize, const unsigned int* scans, unsigned int scansize, float fRT,
                                  CZorvalenParameters pParameters);

/* Header items (ZorvalenHeaderItem keys) for the header file; VERSION is
 * always written as "01.00". */
ZV_API int setRawHeaderItems(CZorvalenRawWriter writer, CZorvalenParameters pParameters);

/* One analog trace, written at once: AnalogParameter DESCRIPTION, UNITS and
 * TYPE (an AnalogTraceType) describe it; 57 for a negative size. */
ZV_API int appendRawTrace(CZorvalenRawWriter writer, CZorvalenParameters pParameters, const float* pTimes,
                          const float* pIntensities, int nSize);

/* Writes the queued scans and the function descriptors. */
ZV_API int flushRawWriter(CZorvalenRawWriter writer);

/* Writes the channel list, the header, "_extern.inf", closes the drift files
 * and writes the queued scans and the function descriptors; every step runs
 * even after one failed, and the first failure is returned. The writer
 * stays usable: scans appended later are written by the next close. */
ZV_API int closeRawWriter(CZorvalenRawWriter writer);

/* ---- Acquisition: instrument, queue and injection status ----
 * Read from the workstation's files on every request. A null handle or one
 * of another kind, a null parameter set (except in getPendrakeSettings), a
 * null path and a null output pointer give 79 with nothing changed. */

/* Makes a handle and locates the status file (named in "Zorvalen.ini" in
 * the working folder of the settings store), the current-sample record
 * ("ZVCurSmp.txt" in the temporary folder) and the queue monitor's settings.
 * Returns 0 even when something is not found: its path stays empty. */
ZV_API int createAcquisition(CZorvalenAcquisition* pAcquisition);

/* Destroys a handle; null is accepted. */
ZV_API int destroyAcquisition(CZorvalenAcquisition acquisition);

/* The status file's path: replaced, or stored as the text under key 0 of
 * the set (its other keys stay). */
ZV_API int setStatusIniFile(CZorvalenAcquisition acquisition, const char* path);
ZV_API int getStatusIniFile(CZorvalenAcquisition acquisition, CZorvalenParameters parameters);

/* Reads the status file: the status set is cleared and gets one text per
 * ZorvalenStatusType found; queue entries 1, 2, ... (to the first missing
 * number) go under keys 0, 1, ... of the queue set, whose other keys stay.
 * 78 when the file cannot be opened (status set empty, queue set as it was). */
ZV_API int getStatus(CZorvalenAcquisition acquisition, CZorvalenParameters status, CZorvalenParameters queue);

/* The current-sample record's path, as for the status file. */
ZV_API int setZorvalenInjectionFile(CZorvalenAcquisition acquisition, const char* path);
ZV_API int getZorvalenInjectionFile(CZorvalenAcquisition acquisition, CZorvalenParameters parameters);

/* Reads the current-sample record into the cleared set (ZorvalenBatchItem
 * and ZorvalenSampleListItem keys); 78 when it cannot be opened. */
ZV_API int getZorvalenInjection(CZorvalenAcquisition acquisition, CZorvalenParameters parameters);

/* Where the queue program has the sample list of that file name: queued,
 * processed, failed or not found (1300-1303), with the settings of the last
 * re-read; 1304 when the program does not run. */
ZV_API int getSampleListStatus(CZorvalenAcquisition acquisition, const char* path, PendrakeStatus* pStatus);

/* Re-reads the queue monitor's settings into the cleared set
 * (PendrakeSettings keys; the three folders only while the program runs).
 * 1 for a null set. */
ZV_API int getPendrakeSettings(CZorvalenAcquisition acquisition, CZorvalenParameters parameters);

/* Re-reads the settings; 1304 when the queue program does not run, else
 * aborted, aborting, idle or acquiring (1305-1308). */
ZV_API int getPendrakeStatus(CZorvalenAcquisition acquisition, PendrakeStatus* pStatus);

/* Requests a queue abort by creating the abort file (5 when it cannot be
 * created), or withdraws it by deleting the file (10 when it exists and
 * cannot be deleted). */
ZV_API int abortPendrake(CZorvalenAcquisition acquisition, bool bAbort);

/* ---- Sample lists: tab-separated text for the acquisition queue ----
 * A null handle or one of another kind, a null parameter set and a null
 * output pointer give 79. */

ZV_API int createSampleList(CZorvalenSampleList* pSampleList);

/* Destroys a list and its text; null is accepted. */
ZV_API int destroySampleList(CZorvalenSampleList sampleList);

/* Appends a copy of the set as the next row; 57, adding nothing, when it
 * holds a key outside 700 to 817 (ZorvalenSampleListItem FILE_NAME to
 * CURVE_DB). */
ZV_API int addSampleListRow(CZorvalenSampleList sampleList, CZorvalenParameters row);

/* The list as text: a title line ("INDEX" and the item names of every key
 * any row sets) and one line per row (its number from 1, then its values,
 * empty where the row lacks the key), cells joined by tabs and every line
 * ended by a line feed; "INDEX\n1" for a list without rows. Values are
 * copied unchanged. The text belongs to the list: valid until the next
 * sampleListToString on it or its destruction. */
ZV_API int sampleListToString(CZorvalenSampleList sampleList, char** ppText);

/* ---- Adaptive background subtraction ---- */

/* A qsort comparator over an array of MassQuan pointers: each argument is the
 * address of one element (a MassQuan*). Ascending by quantile, then by mass:
 * 1 when the first sorts after the second, else -1 (equal pairs, unordered
 * quantiles such as NaN, and null pointers included); never 0. */
ZV_API int compareQuanAscending(const void* pItem1, const void* pItem2);

#endif
