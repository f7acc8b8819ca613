/* libZorvalenRaw: the one header callers include, and the reference of every
 * function it declares.
 *
 * Results. Every function returns an int result code: ZVRAW_OK (0) or one of
 * the codes in ZorvalenRawResultCodes.h; getErrorMessage gives the text of
 * any code. The codes named below are the ones a caller should expect; any
 * call may also give ZVRAW_MEMALLOC_ERROR (out of memory) or ZVRAW_ERROR (an
 * internal failure): no exception leaves the library. ZV_RESULT_USED makes the
 * compiler warn when a caller ignores the code.
 *
 * Handles. A handle lives from its create function to its destroy function;
 * destroy functions accept null. A null handle or one of another family is
 * refused: ZVRAW_READER_NOT_DEFINED for readers, ZVRAW_NULL_PARAMETERS for
 * parameter sets, writers, acquisition handles and sample lists, as is a null
 * output pointer (ZVRAW_NULL_PARAMETERS). A destroyed handle cannot be told
 * from a live one: never use it again.
 *
 * Memory. Blocks the library allocates for the caller (error texts,
 * chromatogram and mobilogram arrays) are the caller's: release each with
 * releaseMemory, never free. They outlive the handle that made them.
 * Everything else handed out by pointer (scans, texts, key lists, channel
 * arrays) belongs to the handle: valid until the next call of the same kind
 * on it or until it is destroyed; never release it. What a read needed
 * stays held for the next one until the readers are destroyed: about 25
 * bytes a point of the largest scan read, 17 of them again for each further
 * function read (the README's standing limits).
 *
 * Threads. The library starts no thread. Handles not made from one another
 * may be used from different threads at once, on different directories or
 * on one: a writer laying a run down and a reader opened on it with
 * createRawReaderFromPath, each on its own thread, is the usual live case.
 * Handles made from one another (a reader and the readers made from it by
 * createRawReaderFromReader, a processor and the reader given to its
 * setRawReader) share one open directory: never call two of them, or one
 * handle twice, at the same time (an updateRawReader on one thread against
 * a readScan through a reader made from it on another is a data race). Hold
 * one lock of your own around them when several threads need them.
 *
 * Output. The library writes nothing to the caller's standard output or
 * standard error: what it has to say is in its result codes.
 *
 * C and C++. Enumerators are scoped in C++ and prefixed in C; outputs written
 * through ZV_REF are references in C++ and pointers in C:
 *
 *     C++:  int rc = createRawReaderFromPath(path, &reader, ZorvalenBaseType::INFO);
 *           int first = 0, last = 0;
 *           rc = getScanRangeFromTimeRange(reader, 0, 1.0f, 2.0f, first, last);
 *     C:    int rc = createRawReaderFromPath(path, &reader, ZorvalenBaseType_INFO);
 *           int first = 0, last = 0;
 *           rc = getScanRangeFromTimeRange(reader, 0, 1.0f, 2.0f, &first, &last);
 *
 * Functions and scans are numbered from 0; retention times are in minutes. */
#ifndef ZORVALEN_RAW_H
#define ZORVALEN_RAW_H

#include "zorvalen/ZorvalenRawDefs.h"
#include "zorvalen/ZorvalenRawExport.h"
#include "zorvalen/ZorvalenRawResultCodes.h"
#include "zorvalen/ZorvalenRawVersion.h"

/* ---- Caller memory and error texts ---- */

/* Releases a block the library allocated for the caller; null is accepted.
 * Always ZVRAW_OK. */
ZV_API int releaseMemory(void* pMemory);

/* The text of nErrorCode in a new block the caller releases with
 * releaseMemory: "" for ZVRAW_OK, "Unknown Code" for a code without a text.
 * ZVRAW_NULL_PARAMETERS for a null ppErrorMessage; ZVRAW_MEMALLOC_ERROR, with
 * a null text, when the block cannot be allocated. */
ZV_API ZV_RESULT_USED int getErrorMessage(int nErrorCode, char** ppErrorMessage);

/* ---- Parameter sets: text values under integer keys ----
 * Keys are values of the enumerations in ZorvalenRawDefs.h; integers are
 * stored as decimal text, booleans as "1" and "0". A null or other-kind set,
 * a null text and a null output pointer give ZVRAW_NULL_PARAMETERS. */

/* Makes an empty set in *pParameters. */
ZV_API ZV_RESULT_USED int createParameters(CZorvalenParameters* pParameters);

/* Makes in *pParameters a set holding a copy of source's pairs. */
ZV_API ZV_RESULT_USED int createParametersFromParameters(CZorvalenParameters source, CZorvalenParameters* pParameters);

/* Destroys a set; null is accepted. */
ZV_API int destroyParameters(CZorvalenParameters parameters);

/* Stores a copy of value under key, replacing any earlier value. */
ZV_API ZV_RESULT_USED int setParameterValue(CZorvalenParameters parameters, int key, const char* value);

/* The text under key ("" when the key is not set). The text belongs to the
 * set: valid until its next getParameterValue. */
ZV_API ZV_RESULT_USED int getParameterValue(CZorvalenParameters parameters, int key, char** value);

/* The set's keys in ascending order, and their count. The array belongs to
 * the set: valid until its next getParameterKeys. */
ZV_API ZV_RESULT_USED int getParameterKeys(CZorvalenParameters parameters, int** keys, int* count);

/* ---- Readers: an open raw data directory ----
 * A reader is opened on a directory path, or made on another reader's
 * directory without reading its files again; the directory stays open until
 * the last reader on it is destroyed, in any order. Kinds (ZorvalenBaseType):
 * SCAN, INFO, CHROM and ANALOG. */

/* Opens the directory at path as a reader of kind nType in *pReader, which
 * stays null unless ZVRAW_OK is returned. ZVRAW_READER_NOT_DEFINED for a kind
 * that is no reader kind, ZVRAW_NULL_PARAMETERS for a null path,
 * ZVRAW_FILENAME_ERROR for a path longer than 242 bytes (241 for a run of
 * 100 functions or more, 240 for 1000 or more: the run's file names would
 * not fit a path of 255 bytes beside it), else the code of
 * opening the directory: ZVRAW_FILEOPEN_ERROR for a missing directory or
 * one without the files every run has, another code for a damaged file. */
ZV_API ZV_RESULT_USED int createRawReaderFromPath(const char* path, CZorvalenBaseReader* pReader,
                                                  ZorvalenBaseType nType);

/* A reader of kind nType on source's directory, in *pReader (null unless
 * ZVRAW_OK). ZVRAW_READER_NOT_DEFINED for a null source or a kind that is no
 * reader kind, else the directory's state: the code of its last failed
 * update (a ZVRAW_STATSFILE_FILEREADOPEN_ERROR is not kept). */
ZV_API ZV_RESULT_USED int createRawReaderFromReader(CZorvalenBaseReader source, CZorvalenBaseReader* pReader,
                                                    ZorvalenBaseType nType);

/* Destroys a reader, and with the last reader on it the directory; null is
 * accepted. */
ZV_API int destroyRawReader(CZorvalenBaseReader reader);

/* Re-reads a directory still being written, for every reader on it, so that
 * they answer as readers opened afresh: the scan indices (new scans), the
 * statistics, the acquisition mass ranges of the functions known at the
 * open (which loads decode against) and the drift files (new blocks, files
 * made since, and pairs replaced since, read afresh). The number of
 * functions and the header stay as they were at the open. Arrays handed out
 * stay valid as each read says, across any number of updates.
 * The statistics answer for the last function the reader knows only:
 * ZVRAW_STATSFILE_FILEREADOPEN_ERROR when it has no statistics file (the
 * update is done all the same), its damaged file's code (the run then does
 * not open either, and reads fail until an update succeeds); an earlier
 * function's missing or damaged file is passed over at the open (its items
 * past its records read "").
 * Files cut shorter under the reader (no writer does that) are not re-read
 * as a fresh open would: a cut data or index file's scans stay counted (a
 * cut data file's fail to read), and a function other than function 0
 * whose statistics file holds fewer records than its index keeps only the
 * scans they cover (function 0 keeps its count, and its scans past them
 * fail to read). */
ZV_API ZV_RESULT_USED int updateRawReader(CZorvalenBaseReader reader);

/* ---- Scans: a reader of kind SCAN ----
 * The arrays belong to the reader, and readScan, readScanFlags and
 * readProductScan share them: valid until the reader's next call of any of
 * the three (they move when a larger scan needs larger arrays); never
 * release them. A scan of 0 points gives ZVRAW_OK, null arrays and size 0. After a
 * failed read the pointers are null and the sizes 0. Expect
 * ZVRAW_FUNCNUM_INVALID and ZVRAW_SCANNUM_INVALID for numbers the run does
 * not have. */

/* One scan's masses and intensities, and their count. */
ZV_API ZV_RESULT_USED int readScan(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses,
                                   float** ppIntensities, int* pnSize);

/* As readScan, plus one flag byte per point; a null flag array when no point
 * carries a flag. */
ZV_API ZV_RESULT_USED int readScanFlags(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses,
                                        float** ppIntensities, char** ppFlags, int* pnSize);

/* As readScan, plus the product masses of an MRM function and their count;
 * ZVRAW_FUNCTIONTYPE_INVALID for another function type. */
ZV_API ZV_RESULT_USED int readProductScan(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses,
                                          float** ppIntensities, float** ppProductMasses, int* pnSize,
                                          int* pnProductSize);

/* One drift spectrum (drift bin nDrift, from 0) of a compressed function:
 * masses with the scan's lock-mass gain, or time-of-flight mass indices
 * (with one flag byte per point). The arrays belong to the function's drift
 * reader, shared by every reader on the directory: valid until the next
 * drift read of that function through any of them. ZVRAW_FUNCNUM_INVALID
 * (outputs as they were), ZVRAW_SCANNUM_INVALID, ZVRAW_DRIFTNUM_INVALID,
 * ZVRAW_FILEOPEN_ERROR for a function without drift files. */
ZV_API ZV_RESULT_USED int readDriftScan(CZorvalenBaseReader reader, int nFunction, int nScan, int nDrift,
                                        float** ppMasses, float** ppIntensities, int* pnSize);
ZV_API ZV_RESULT_USED int readDriftScanIndex(CZorvalenBaseReader reader, int nFunction, int nScan, int nDrift,
                                             int** ppMassIndices, float** ppIntensities, int* pnSize);
ZV_API ZV_RESULT_USED int readDriftScanFlagsIndex(CZorvalenBaseReader reader, int nFunction, int nScan, int nDrift,
                                                  int** ppMassIndices, float** ppIntensities, char** ppFlags,
                                                  int* pnSize);

/* The mass of every time-of-flight index of a compressed function's window,
 * with the scan's lock-mass gain, their count, and the index of the first.
 * The array belongs to the reader until its next getDriftMassScale.
 * ZVRAW_SCANNUM_INVALID for a scan the function does not have. After a
 * failure: a null array, size 0, the offset as it was. */
ZV_API ZV_RESULT_USED int getDriftMassScale(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses,
                                            int* pnSize, int* pnOffset);

/* ---- Chromatograms: a reader of kind CHROM ----
 * Every array is allocated for the caller: release each with releaseMemory
 * (two calls: the first array and the second). They outlive the reader.
 * After a failed TIC, BPI, mass or MRM chromatogram both arrays are null and
 * the size 0. */

/* The retention time and the total ion current, or the base-peak intensity,
 * of every scan of the function, from the scan index (no scan data are
 * loaded). A function of 0 scans gives ZVRAW_OK, null arrays and size 0;
 * ZVRAW_FUNCNUM_INVALID. */
ZV_API ZV_RESULT_USED int readTICChromatogram(CZorvalenBaseReader reader, int nFunction, float** ppTimes,
                                              float** ppIntensities, int* pnSize);
ZV_API ZV_RESULT_USED int readBPIChromatogram(CZorvalenBaseReader reader, int nFunction, float** ppTimes,
                                              float** ppIntensities, int* pnSize);

/* One retention time per scan, and one block of nMasses x size intensities:
 * row i (entries i x size to i x size + size - 1) sums each scan's points
 * of masses above pfMasses[i] - fMassWindow / 2 and up to pfMasses[i] +
 * fMassWindow / 2 (a window of 0 sums nothing). ZVRAW_NULL_PARAMETERS for a null
 * list; ZVRAW_ERROR for nMasses below 1 or a function without scans;
 * ZVRAW_MEMALLOC_ERROR when the block would exceed 2^31 - 1 values. The
 * scans are loaded 100 at a time into the directory every reader on it
 * shares: afterwards the function's last block of scans is the loaded one. */
ZV_API ZV_RESULT_USED int readMassChromatograms(CZorvalenBaseReader reader, int nFunction, const float* pfMasses,
                                                int nMasses, float** ppTimes, float** ppIntensities, float fMassWindow,
                                                bool bDaughters, int* pnSize);

/* The same block for MRM channels of an MRM function (data format 2 or 11):
 * row i is channel pnChannels[i]. ZVRAW_SEGMENT_INVALID for a channel the
 * function does not have, ZVRAW_FUNCTIONTYPE_INVALID for an MRM function of
 * another data format. A function of another type (every function a writer
 * makes), of 0 scans or without channels gives ZVRAW_OK with null arrays
 * and size 0, whatever channel numbers are asked for (a count below 1
 * still gives ZVRAW_ERROR, a null list ZVRAW_NULL_PARAMETERS). Leaves
 * every scan of the function loaded in the shared directory. */
ZV_API ZV_RESULT_USED int readMRMChromatograms(CZorvalenBaseReader reader, int nFunction, const int* pnChannels,
                                               int nChannels, float** ppTimes, float** ppIntensities, int* pnSize);

/* Scanning-quadrupole mass chromatogram of a compressed function: one point
 * per scan, the intensities within fMass +- fMassWindow / 2 summed over the
 * quadrupole bins of fPrecursorMass +- fPrecursorMassWindow / 2.
 * ZVRAW_FUNCNUM_INVALID, ZVRAW_VESKO_CALIBRATION_INVALID (no calibration,
 * or a precursor mass or window that is not finite) and a precursor
 * window the calibration cannot turn into bins (64) leave the outputs as
 * they were; any other failure gives null arrays and size 0. */
ZV_API ZV_RESULT_USED int readVeskoMassChromatogram(CZorvalenBaseReader reader, int nFunction, float fPrecursorMass,
                                                    float fMass, float** ppTimes, float** ppIntensities,
                                                    float fPrecursorMassWindow, float fMassWindow, int* pnSize);

/* Per drift bin nFirstBin to nLastBin of a compressed function: the bin
 * number and the intensities within fMassStart to fMassEnd summed over scans
 * nFirstBlock to nLastBlock. ZVRAW_MASS_RANGE_INVALID for a bad mass range,
 * ZVRAW_SCANRANGE_INVALID or ZVRAW_DRIFTRANGE_INVALID for a reversed scan or
 * bin range (a last one below the first by one is an empty range: ZVRAW_OK,
 * sums of 0 or no bins), ZVRAW_SCANNUM_INVALID or ZVRAW_DRIFTNUM_INVALID for a scan or
 * bin the function does not have. After a failure: null arrays, size 0. */
ZV_API ZV_RESULT_USED int extractByBins(CZorvalenBaseReader reader, int nFunction, float fMassStart, float fMassEnd,
                                        int nFirstBlock, int nLastBlock, int nFirstBin, int nLastBin, int** ppBins,
                                        float** ppIntensities, int* pnSize);

/* extractByBins over every drift bin of the function; a function without
 * drift data fails with null arrays and size 0. */
ZV_API ZV_RESULT_USED int readMobillogram(CZorvalenBaseReader reader, int nFunction, int nStartScan, int nEndScan,
                                          float fStartMass, float fEndMass, int** ppDriftBins, float** ppIntensities,
                                          int* pnSize);

/* ---- Analog channels: a reader of kind ANALOG ----
 * Channels are numbered from 0. What these hand out belongs to the reader:
 * never release it. */

/* The number of analog channels, 0 for a run without any. The result is
 * always ZVRAW_OK on an analog reader. */
ZV_API ZV_RESULT_USED int getChannelCount(CZorvalenBaseReader reader, int* pnCount);

/* A channel's sample times and values, and their count: valid until the
 * reader's next readChannel. A channel without samples gives ZVRAW_OK, null
 * arrays and size 0. ZVRAW_FUNCNUM_INVALID for a channel number outside 0
 * to the count - 1 (size as it was); ZVRAW_DATA_NULL when its arrays are
 * missing. */
ZV_API ZV_RESULT_USED int readChannel(CZorvalenBaseReader reader, int nChannel, const float** ppTimes,
                                      const float** ppValues, int* pnSize);

/* A channel's description or units text: valid until the reader's next
 * text. ZVRAW_FUNCNUM_INVALID for a channel number outside 0 to the count -
 * 1, ZVRAW_ERROR
 * for a channel without a header; the pointer is then as it was. */
ZV_API ZV_RESULT_USED int getChannelDesciption(CZorvalenBaseReader reader, int nChannel, char** ppText);
ZV_API ZV_RESULT_USED int getChannelUnits(CZorvalenBaseReader reader, int nChannel, char** ppText);

/* ---- Information: a reader of kind INFO ----
 * Questions that read no scan data. Function types are the stored type + 200
 * (ZorvalenFunctionType), ion modes the stored mode + 100 (ZorvalenIonMode).
 * ZVRAW_FUNCNUM_INVALID for a function the run does not have;
 * ZVRAW_SCANNUM_INVALID for one that has no scans yet from
 * getAcquisitionMassRange, getAcquisitionTimeRange, isContinuum,
 * getRetentionTime, getScanRangeFromTimeRange and getScanItemValue (the
 * counts give 0). An output
 * preset by the function (UNINITIALISED, 0, -1, NaN) keeps the preset when
 * the question fails. */

/* The number of functions. */
ZV_API ZV_RESULT_USED int getFunctionCount(CZorvalenBaseReader reader, unsigned int* pnCount);

/* The number of scans of a function. */
ZV_API ZV_RESULT_USED int getScanCount(CZorvalenBaseReader reader, int nFunction, unsigned int* pnScans);

/* The drift bins per scan of a compressed function; 0 bins, with ZVRAW_OK,
 * for a function without drift data. */
ZV_API ZV_RESULT_USED int getDriftScanCount(CZorvalenBaseReader reader, int nFunction, unsigned int* pnDrifts);

/* The acquisition mass range of MRM number (segment) nMRM of the function;
 * ZVRAW_SEGMENT_INVALID for a segment the function does not have (one
 * outside 0 to 65535, or past its segments: a writer's functions have only
 * segment 0). A function that
 * has no scans yet has no range: ZVRAW_SCANNUM_INVALID, outputs untouched. */
ZV_API ZV_RESULT_USED int getAcquisitionMassRange(CZorvalenBaseReader reader, int nFunction, int nMRM, float* pfLow,
                                                  float* pfHigh);

/* The retention times of the function's first and last scan. A function
 * that has no scans yet: ZVRAW_SCANNUM_INVALID, outputs untouched. */
ZV_API ZV_RESULT_USED int getAcquisitionTimeRange(CZorvalenBaseReader reader, int nFunction, float* pfStart,
                                                  float* pfEnd);

/* The function's type, preset to ZorvalenFunctionType UNINITIALISED. */
ZV_API ZV_RESULT_USED int getFunctionType(CZorvalenBaseReader reader, int nFunction, ZorvalenFunctionType* pType);

/* The short name of a function type ("MS", "SIR", "MSMS", ...): valid until
 * the reader's next text. ZVRAW_FUNCTIONTYPE_INVALID for a value outside
 * 200 to 231, the pointer then as it was. */
ZV_API ZV_RESULT_USED int getFunctionTypeString(CZorvalenBaseReader reader, ZorvalenFunctionType type, char** ppText);

/* Whether the function holds continuum data; false for a function number
 * not below the count (ZVRAW_FUNCNUM_INVALID; a negative one leaves the flag
 * as it was). The flag comes from the
 * function's scans: a function that holds none gives ZVRAW_SCANNUM_INVALID
 * and false. */
ZV_API ZV_RESULT_USED int isContinuum(CZorvalenBaseReader reader, int nFunction, ZV_REF(bool) bContinuum);

/* The function's ion mode, preset to ZorvalenIonMode UNINITIALISED. */
ZV_API ZV_RESULT_USED int getIonMode(CZorvalenBaseReader reader, int nFunction, ZorvalenIonMode* pMode);

/* The name of an ion mode ("EI+" to "LD-"): valid until the reader's next
 * text. ZVRAW_IONMODE_INVALID for a value outside 100 to 113. */
ZV_API ZV_RESULT_USED int getIonModeString(CZorvalenBaseReader reader, ZorvalenIonMode mode, char** ppText);

/* A scan's retention time. ZVRAW_SCANNUM_INVALID for a negative scan (the
 * time as it was); a scan the index refuses (not below the count, or any
 * scan of a function without scans) fails with the time 0. */
ZV_API ZV_RESULT_USED int getRetentionTime(CZorvalenBaseReader reader, int nFunction, int nScan, float* pfRT);

/* The MRM transitions of an MRM function (the points of its scan 0), 0 for
 * other types; written whatever the result. */
ZV_API ZV_RESULT_USED int getMRMCount(CZorvalenBaseReader reader, int nFunction, int* pnCount);

/* The first and last scan covering a retention-time range; 0 and 0 when the
 * lookup fails: ZVRAW_RETENTIONTIME_INVALID for a NaN time, a start after
 * the end, or a range outside the function's scans. */
ZV_API ZV_RESULT_USED int getScanRangeFromTimeRange(CZorvalenBaseReader reader, int nFunction, float fRTStart,
                                                    float fRTEnd, ZV_REF(int) nFirstScan, ZV_REF(int) nLastScan);

/* Whether the run has a lock-mass reference function, and which (-1 when it
 * has none). */
ZV_API ZV_RESULT_USED int getLockMassFunction(CZorvalenBaseReader reader, bool* pbPresent, int* pnFunction);

/* The kind of acquisition, worked out on the reader's first question and
 * kept for its life (updateRawReader does not redo it). The set's pairs are
 * replaced (a null or other-kind set: ZVRAW_NULL_PARAMETERS) by
 * AcquisitionParameter keys: TYPE, a ZorvalenAcquisitionType (VESKO, DDA,
 * HDDDA, ELVO, HDELVO or UNKNOWN); LTEFF, VEFF, RESOLUTION and
 * SAMPLINGFREQUENCY (GHz) with six decimals: LTEFF, VEFF and
 * SAMPLINGFREQUENCY from function 0's drift files or _extern.inf,
 * RESOLUTION from _extern.inf only (10000 when it names none; every run a
 * writer makes has one), each 0 when its source is missing;
 * PRECURSOR_MASS_START and _END for VESKO; LOCKMASS (-1 for none) and MS1
 * (the survey or low-energy function) for the data-dependent and
 * alternating-energy kinds, and MS2 (the high-energy function) for the
 * latter. */
ZV_API ZV_RESULT_USED int getAcquisitionInfo(CZorvalenBaseReader reader, CZorvalenParameters parameters);

/* Whether lock-mass correction applies to the run (it has a reference
 * function and is data-dependent or holds functions not yet calibrated), and
 * whether a gain table (lmgt.inf) is applied to its reads. Both answer false
 * and ZVRAW_OK when they cannot tell. */
ZV_API ZV_RESULT_USED int canLockMassCorrect(CZorvalenBaseReader reader, bool* pbCan);
ZV_API ZV_RESULT_USED int isLockMassCorrected(CZorvalenBaseReader reader, bool* pbApplied);

/* Scanning-quadrupole calibration (ZVRAW_VESKO_CALIBRATION_INVALID when the
 * run has none): the bins covering fPrecursorMass +- fTolerance / 2, a bin's
 * precursor mass, the precursor mass range of the function or of one bin. */
ZV_API ZV_RESULT_USED int getIndexRange(CZorvalenBaseReader reader, int nFunction, float fPrecursorMass,
                                        float fTolerance, int* pnFirstIndex, int* pnLastIndex);
ZV_API ZV_RESULT_USED int getPrecursorMass(CZorvalenBaseReader reader, int nFunction, int nIndex, float* pfMass);
ZV_API ZV_RESULT_USED int getFunctionPrecursorMassRange(CZorvalenBaseReader reader, int nFunction, float* pfStart,
                                                        float* pfEnd);
ZV_API ZV_RESULT_USED int getIndexPrecursorMassRange(CZorvalenBaseReader reader, int nFunction, int nIndex,
                                                     float* pfStart, float* pfEnd);

/* Mobility calibration: a collision cross section from a drift time, and
 * back; preset to NaN. ZVRAW_MOBILITY_CALIBRATION_INVALID when the run has
 * no calibration, ZVRAW_PARAMETER_INVALID when the conversion has no finite
 * result (a cross section for a mass of 0, a drift time for a charge of 0,
 * a value past the float range). Finite results are answers: a charge of 0
 * gives a cross section of 0, and a cross section or mass of 0 the
 * calibration's drift-time offset, negated. */
ZV_API ZV_RESULT_USED int getCollisionalCrossSection(CZorvalenBaseReader reader, float fDriftTime, float fMass,
                                                     int nCharge, float* pfCrossSection);
ZV_API ZV_RESULT_USED int getDriftTime_CCS(CZorvalenBaseReader reader, float fCrossSection, float fMass, int nCharge,
                                           float* pfDriftTime);

/* Named values in a parameter set: each clears the set, then stores one text
 * per requested item under the item. A null or other-kind set, or null items
 * with nCount > 0, give ZVRAW_NULL_PARAMETERS, and nCount < 0 gives
 * ZVRAW_PARAMETER_INVALID, each before the set is cleared. */

/* The header text of each ZorvalenHeaderItem; "" for a value outside 300 to
 * 349 or a run without a header. */
ZV_API ZV_RESULT_USED int getHeaderItemValue(CZorvalenBaseReader reader, const ZorvalenHeaderItem* pItems, int nCount,
                                             CZorvalenParameters parameters);

/* The display name of each ZorvalenScanItem ("Transport RF"); "" for a value
 * that is no scan item or has no name. */
ZV_API ZV_RESULT_USED int getScanItemName(CZorvalenBaseReader reader, const ZorvalenScanItem* pItems, int nCount,
                                          CZorvalenParameters parameters);

/* Each ZorvalenScanItem of one scan: SET_MASS from the function's
 * descriptor for the function types that record one there (200, 201 and 205
 * to 212), and from the scan's statistics record for every other type,
 * among them all the time-of-flight types a writer makes (so each scan's
 * own value); TOTAL_ION_CURRENT and BASE_PEAK_INTENSITY ("%.0f"),
 * BASE_PEAK_MASS ("%.6f") and PEAKS_IN_SCAN from the scan index; the others
 * from the scan's statistics record (integers in decimal, reals with 9
 * significant digits, QUAD_PEAK_WIDTH as the whole part of its float, an
 * int: a stored value past the int range reads as the nearest int, NaN as
 * 0). An item with a rendering that a function with statistics does not
 * record reads "0" (its record holds 0 there; ACCURATE_MASS reads ""); an
 * item nothing answers (no statistics, or no rendering) is present with "".
 * ZVRAW_SCANNUM_INVALID for a scan beyond the function, with every item
 * present and "". */
ZV_API ZV_RESULT_USED int getScanItemValue(CZorvalenBaseReader reader, int nFunction, int nScan,
                                           const ZorvalenScanItem* pItems, int nCount, CZorvalenParameters parameters);

/* The name of every scan item the function's statistics record, under the
 * item; an empty set for a function without statistics. */
ZV_API ZV_RESULT_USED int getScanItemsInFunction(CZorvalenBaseReader reader, int nFunction,
                                                 CZorvalenParameters parameters);

/* The drift time of bin nDrift, preset to NaN, from the transfer RF recorded
 * with the first scan of the first function that has the bin and an RF.
 * ZVRAW_TRANSFER_RF_NOT_DEFINED (NaN kept) when the functions that have the
 * bin record none (an RF of 0, or no statistics): so for every drift run
 * this library writes, whose statistics hold no transfer RF.
 * ZVRAW_DRIFTNUM_INVALID when no function has the bin. */
ZV_API ZV_RESULT_USED int getDriftTime(CZorvalenBaseReader reader, int nDrift, float* pfDriftTime);

/* The drift bins covering fDTStart to fDTEnd of a function, preset to -1:
 * first <= last < the bin count. ZVRAW_DRIFTRANGE_INVALID for a negative,
 * reversed or not finite range, one beyond the bins, or a transfer RF of 0;
 * ZVRAW_TRANSFER_RF_NOT_DEFINED (-1 and -1) when the function has no
 * statistics (as getDriftTime). */
ZV_API ZV_RESULT_USED int getDriftRangeFromTimeRange(CZorvalenBaseReader reader, int nFunction, float fDTStart,
                                                     float fDTEnd, ZV_REF(int) nFirstBin, ZV_REF(int) nLastBin);

/* ---- Processors: spectrum processing on an open raw directory ----
 * A processor opens no directory: setRawReader hands it a reader, and it
 * makes a reader of its own on that reader's directory, which stays open
 * while the processor holds it (the caller's reader may be destroyed). A
 * null handle, another family's handle or a processor of another kind gives
 * ZVRAW_PROCESSOR_NOT_DEFINED, a null output pointer or parameter set
 * ZVRAW_NULL_PARAMETERS. */

/* Makes a processor of kind nType in *pProcessor: SCAN, the spectrum
 * processor, LOCKMASS, the lock-mass processor, DDA, the data-dependent
 * processor, or ELVO, the alternating-energy processor. The handle is null
 * unless ZVRAW_OK is returned: ZVRAW_READER_NOT_DEFINED for any other kind.
 * The callback (may be null), when a kind reports progress (the lock-mass
 * processor) and pCaller is not null, gets pCaller and a percentage above
 * any the processor reported before (never 0; so a second correction on one
 * processor reports nothing). */
ZV_API ZV_RESULT_USED int createRawProcessor(CZorvalenBaseProcessor* pProcessor, ZorvalenBaseType nType,
                                             ProgressCallBack callback, void* pCaller);

/* Destroys a processor and its reader; null is accepted. */
ZV_API int destroyRawProcessor(CZorvalenBaseProcessor processor);

/* Gives the processor a reader of its own on reader's directory, replacing
 * the one it had. ZVRAW_READER_NOT_DEFINED for a null reader or one of
 * another family (the processor keeps its reader); else the directory's
 * state, and no reader unless that is ZVRAW_OK. */
ZV_API ZV_RESULT_USED int setRawReader(CZorvalenBaseProcessor processor, CZorvalenBaseReader reader);

/* The text of result code nCode, held by the processor until its next
 * getProcessorMessage. For a null processor: the text of
 * ZVRAW_PROCESSOR_NOT_DEFINED, allocated for the caller (release it with
 * releaseMemory), and ZVRAW_OK. */
ZV_API ZV_RESULT_USED int getProcessorMessage(CZorvalenBaseProcessor processor, int nCode, char** ppMessage);

/* ---- The spectrum processor: a processor of kind SCAN ----
 * It holds one spectrum: filled by a combine or setScan, changed in place by
 * smoothScan, centroidScan and thresholdScan, read with getScan. Its
 * settings (smoothing, centroid resolution, threshold) last until it is
 * destroyed. */

/* The scans nFirstScan to nLastScan (inclusive) of the function summed,
 * then, on data not yet calibrated with the lock mass, scaled once by the
 * installed lock-mass gain at the range's mid retention time. ZVRAW_ERROR
 * without a reader, ZVRAW_SCANRANGE_INVALID for a bad range; a read that
 * fails ends the sum and its code is returned, the spectrum holding the
 * scans before it. */
ZV_API ZV_RESULT_USED int combineScan(CZorvalenBaseProcessor processor, int nFunction, int nFirstScan, int nLastScan);

/* The spectrum of a compressed function's acquisition mass range summed
 * over the scans and drift bins (ranges inclusive), scaled by the gain as
 * combineScan. ZVRAW_FUNCNUM_INVALID for a function the run does not have,
 * ZVRAW_SCANRANGE_INVALID and ZVRAW_DRIFTRANGE_INVALID for a bad scan or bin
 * range; a function without drift data has no bins, so any bin range gives
 * ZVRAW_DRIFTRANGE_INVALID. */
ZV_API ZV_RESULT_USED int combineDriftScan(CZorvalenBaseProcessor processor, int nFunction, int nFirstScan,
                                           int nLastScan, int nFirstDrift, int nLastDrift);

/* Copies the caller's points in as the spectrum. ZVRAW_SCANSIZELENGTH_ERROR
 * when the counts differ, ZVRAW_PARAMETER_INVALID for a negative count or a
 * mass or intensity that is not finite (NaN, infinite), ZVRAW_NULL_PARAMETERS
 * for a null array with a count above 0; the spectrum is then empty. */
ZV_API ZV_RESULT_USED int setScan(CZorvalenBaseProcessor processor, const float* pfMasses, const float* pfIntensities,
                                  int nMassCount, int nIntensityCount);

/* The spectrum's arrays and point count (null arrays when empty). They
 * belong to the processor and stay valid until the spectrum next changes (a
 * combine, setScan, smoothScan, centroidScan, thresholdScan). */
ZV_API ZV_RESULT_USED int getScan(CZorvalenBaseProcessor processor, float** ppMasses, float** ppIntensities,
                                  int* pnSize);

/* Smooths the spectrum in place with the smoothing settings: SmoothParameter
 * NUMBER (passes, 2), WIDTH (points, 3) and SMOOTHTYPE (a SmoothType,
 * SAVITZKY_GOLAY). Zero-suppressed data are first padded with zero points
 * in their gaps. ZVRAW_PARAMETER_INVALID, the spectrum unchanged, for
 * SMOOTHTYPE MEDIAN (not run), NUMBER above 1000 or below -1000, WIDTH above
 * 10000, or more than 2^31 multiply-adds, |NUMBER| x (2 x WIDTH + 1) x
 * (points after padding - 2 x WIDTH), when the window is shorter than the
 * padded spectrum (a longer one smooths nothing); ZVRAW_MEMALLOC_ERROR,
 * unchanged, when memory runs out.
 * setSmoothParameter replaces the settings by a copy of the set (a key left
 * out takes its default; a value is read as the integer it begins with,
 * "4.5" as 4, and one that begins with none is skipped); getSmoothParameter
 * fills the cleared set with the value in use under each key the last set
 * held (all three on a new processor; a key left out is not listed, though
 * its default is in use). Zero padding adds up to 2 x (WIDTH x NUMBER + 1)
 * points a gap, none when WIDTH x NUMBER is negative. */
ZV_API ZV_RESULT_USED int smoothScan(CZorvalenBaseProcessor processor);
ZV_API ZV_RESULT_USED int setSmoothParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);
ZV_API ZV_RESULT_USED int getSmoothParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);

/* Centroids the spectrum in place with the real-time centroider at the
 * CentroidParameter RESOLUTION set, or else the raw directory's resolution
 * (10000 when it records none); ZVRAW_PARAMETER_NOT_DEFINED when neither
 * can be had, ZVRAW_ERROR when the centroider fails, the spectrum then
 * empty. The centroider subtracts a background taken over 21 nominal masses
 * (mass / 1.0005, rounded), so a spectrum whose first and last masses lie
 * fewer than 22 nominal masses apart (about 22 mass units) fails; an empty
 * one, or one within a single step of the centroider's mass axis, gives
 * ZVRAW_OK and no peaks. The centroider bins the spectrum's mass range at
 * about five bins per peak width: a range that needs more than
 * 2^19 + 2 x points bins (at most 2^24) is refused with
 * ZVRAW_PARAMETER_INVALID, the spectrum unchanged. setCentroidParameter:
 * ZVRAW_PARAMETER_NOT_DEFINED without RESOLUTION (the resolution in use
 * stays), ZVRAW_PARAMETER_INVALID unless it reads as a finite number above 0
 * (the raw directory's is then used again). getCentroidParameter fills the
 * cleared set with the resolution in use ("%f"). */
ZV_API ZV_RESULT_USED int centroidScan(CZorvalenBaseProcessor processor);
ZV_API ZV_RESULT_USED int setCentroidParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);
ZV_API ZV_RESULT_USED int getCentroidParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);

/* Keeps the points whose intensity is above ThresholdParameter VALUE: an
 * intensity for TYPE ABSOLUTE_THRESHOLD, a percentage of the base peak for
 * RELATIVE_THRESHOLD. A VALUE that reads as a number that is not finite
 * ("nan", "inf") is refused by setThresholdParameter and by thresholdScan
 * with ZVRAW_PARAMETER_INVALID, the spectrum unchanged.
 * ZVRAW_PARAMETER_NOT_DEFINED before
 * setThresholdParameter or for another type, ZVRAW_PARAMETER_INVALID for
 * another key or a value that is not a number, ZVRAW_PARAMETER_MISSING when
 * VALUE or TYPE is missing; with the settings sound, ZVRAW_ERROR for an empty
 * spectrum. setThresholdParameter replaces the settings by a copy of the
 * set. */
ZV_API ZV_RESULT_USED int thresholdScan(CZorvalenBaseProcessor processor);
ZV_API ZV_RESULT_USED int setThresholdParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);

/* ---- The data-dependent processor: a processor of kind DDA ----
 * The run (a DDA or HDDDA acquisition) as one list in retention-time order:
 * an MS1 entry per survey scan and an MS2 entry per run of consecutive
 * fragment scans with one set mass. At equal times MS1 entries come first,
 * then lower functions, then lower first scans. The list is built by the
 * first query after setRawReader; every query answers ZVRAW_ERROR before
 * setRawReader (but ddaResetScan, ZVRAW_OK, and the settings calls
 * setDDAParameters and getDDAParameters, which need no run) and
 * ZVRAW_INCORRECT_ACQUISITION_TYPE for a run of another kind.
 *
 * Entry details (ZorvalenDDAIndexDetail keys, into the cleared set): RT,
 * FUNCTION, START_SCAN, END_SCAN, SCAN_TYPE (ZorvalenScanType MS1 or MS2);
 * MS2 entries also SET_MASS and PRECURSOR_MASS, the set mass times the
 * installed lock-mass gain at the retention time of the MS1 entry before it
 * (the set mass itself when no gain table is installed).
 *
 * Spectra: the entry's scans summed, centroided when DDAParameter CENTROID
 * is "1" (a spectrum the centroider refuses gives centroidScan's code and no
 * arrays, the entry's details set); from 6 points on, intensities below 2 become 0 and runs of zeros
 * keep only their two ends. The arrays belong to the processor and stay
 * valid until its next ddaGetScan or ddaGetNextScan or its destruction. */
ZV_API ZV_RESULT_USED int ddaGetScanCount(CZorvalenBaseProcessor processor, int* pnCount);
/* The entry count; the details, or the details and spectrum, of entry
 * nIndex: ZVRAW_DDA_INDEX_INVALID for an index outside 0 to the count less 1
 * (the set is left cleared). */
ZV_API ZV_RESULT_USED int ddaGetScanInfo(CZorvalenBaseProcessor processor, int nIndex, CZorvalenParameters parameters);
ZV_API ZV_RESULT_USED int ddaGetScan(CZorvalenBaseProcessor processor, int nIndex, float** ppMasses,
                                     float** ppIntensities, int* pnSize, CZorvalenParameters parameters);
/* The entry at the cursor, which moves on; after the last entry 0 with
 * *pbNext false and the arrays and size untouched. ddaResetScan moves the
 * cursor back to the first entry; ddaGetScan leaves it. */
ZV_API ZV_RESULT_USED int ddaGetNextScan(CZorvalenBaseProcessor processor, float** ppMasses, float** ppIntensities,
                                         int* pnSize, CZorvalenParameters parameters, bool* pbNext);
ZV_API ZV_RESULT_USED int ddaResetScan(CZorvalenBaseProcessor processor);
/* DDAParameter CENTROID: "0" or "1" sets it, anything else leaves it ("0"
 * on a new processor). */
ZV_API ZV_RESULT_USED int setDDAParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);
ZV_API ZV_RESULT_USED int getDDAParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);
/* The quadrupole isolation window (DDAIsolationWindowParameter LOWEROFFSET
 * and UPPEROFFSET, floats), kept in the raw directory's "_dda.inf". Set:
 * ZVRAW_ERROR before setRawReader, ZVRAW_PARAMETER_MISSING when either key
 * is missing, ZVRAW_PARAMETER_INVALID unless both are finite numbers
 * (nothing is written then), ZVRAW_FILEOPEN_ERROR or ZVRAW_FILEWRITE_ERROR
 * when the file cannot be written. Get: both offsets, 0 when the file or a key is missing. */
ZV_API ZV_RESULT_USED int setQuadIsolationWindowParameters(CZorvalenBaseProcessor processor,
                                                           CZorvalenParameters parameters);
ZV_API ZV_RESULT_USED int getQuadIsolationWindowParameters(CZorvalenBaseProcessor processor,
                                                           CZorvalenParameters parameters);

/* ---- The alternating-energy processor: a processor of kind ELVO ----
 * The scans of an ELVO acquisition's low- and high-energy functions in
 * retention-time order (at equal times the low-energy scan first), each
 * with its type: MS1 for low energy, MS2 for high. These two functions are
 * C++ functions, declared for C++ callers only; a C caller resolves them by
 * their symbol names, _Z15elvoGetNextScanPvRfR16ZorvalenScanTypeRPfS4_RiRb
 * and _Z13elvoResetScanPv, and calls them with pointers in place of the
 * references (the same ABI).
 *
 * elvoGetNextScan: rt 0 and type UNINITIALISED first; ZVRAW_ERROR before
 * setRawReader or for a run that is not ELVO (HDELVO included), next
 * untouched. At the
 * end 0 with next false. Otherwise the scan at the cursor, which moves on:
 * its arrays belong to the processor and stay valid until its next
 * elvoGetNextScan, setRawReader or destruction; a scan that cannot be read
 * gives the read's code, count 0 and null arrays. elvoResetScan moves the
 * cursor back to the first scan. Both give ZVRAW_PROCESSOR_NOT_DEFINED for
 * a handle that is not an alternating-energy processor. */
#ifdef __cplusplus
ZV_EXPORT ZV_RESULT_USED int elvoGetNextScan(CZorvalenBaseProcessor processor, float& rt, ZorvalenScanType& type,
                                             float*& masses, float*& intensities, int& count, bool& next);
ZV_EXPORT ZV_RESULT_USED int elvoResetScan(CZorvalenBaseProcessor processor);
#endif

/* ---- Lock-mass correction: a processor of kind LOCKMASS ----
 * The processor measures the reference peak in every scan of the reference
 * function and installs a gain table (retention time, true / observed
 * mass) on the raw directory's data in memory, for every handle sharing the
 * directory: masses read through the header's mass calibration (functions
 * stored uncalibrated with a calibration in the header; a writer of this
 * library writes none) and drift reads come back times the gain at the
 * scan's time, and, when any function but the reference one is stored
 * uncalibrated, every combine is scaled by the gain at its range's middle
 * time. Every other scan read comes back as stored, every scan a writer of
 * this library wrote among them. The table is saved as "lmgt.inf" in the
 * raw directory, where later openings (and only they, for readers opened
 * separately) find it. Without setRawReader every function gives
 * ZVRAW_ERROR except setLockMassParameters, getLockMassParameters and
 * removeLockMassCorrection (ZVRAW_OK). A null or other-kind handle gives
 * ZVRAW_PROCESSOR_NOT_DEFINED, a null output or parameter set
 * ZVRAW_NULL_PARAMETERS. */

/* Corrects with LockMassParameter MASS, TOLERANCE and FORCE ("1" recomputes
 * a table read from "lmgt.inf" with the same settings; any other text is
 * taken as not "1"):
 * ZVRAW_PARAMETER_MISSING when MASS or TOLERANCE is missing,
 * ZVRAW_PARAMETER_INVALID for another key or a value that is not a number,
 * a mass of 0 or below, a negative tolerance, or one not finite. ZVRAW_OK
 * with *pbApplied false for a run that cannot be corrected, or whose table
 * in effect was read from "lmgt.inf" with these settings (a table made by a
 * processor is made again). A table without entries is not installed and
 * deletes "lmgt.inf". When the file cannot be written (ZVRAW_FILEOPEN_ERROR
 * or ZVRAW_FILEWRITE_ERROR) or deleted (ZVRAW_ERROR), the table stays in
 * effect here and *pbApplied tells. */
ZV_API ZV_RESULT_USED int lockMassCorrect(CZorvalenBaseProcessor processor, bool* pbApplied);

/* Corrects with the one built-in reference compound of the reference
 * function's polarity found among the candidates;
 * ZVRAW_LOCKMASS_MULTIPLE_REFERENCE_COMPOUND_MATCH when several are found.
 * Without bForce a correction in place is kept (*pbApplied true).
 * The processor's own settings are unchanged afterwards. */
ZV_API ZV_RESULT_USED int autoLockMassCorrect(CZorvalenBaseProcessor processor, bool bForce, bool* pbApplied);

/* Uninstalls the table and deletes "lmgt.inf" (ZVRAW_ERROR when it cannot
 * be). */
ZV_API ZV_RESULT_USED int removeLockMassCorrection(CZorvalenBaseProcessor processor);

/* The installed gain at a retention time (minutes):
 * ZVRAW_LOCKMASS_CORRECTION_UNSUPPORTED when the run cannot be corrected,
 * ZVRAW_PARAMETER_NOT_DEFINED when no table is installed or its gain there
 * is not finite and above 0 (scans are then read without a gain, as by
 * readScan); *pfGain is untouched then. */
ZV_API ZV_RESULT_USED int getLockMassCorrection(CZorvalenBaseProcessor processor, float fRetentionTime, float* pfGain);

/* The reference function's scans summed, centred and cut below 1 percent
 * of the base peak. With *pnCount above 0, two arrays allocated for the
 * caller, each released with releaseMemory; otherwise the pointers are left
 * as they were. */
ZV_API ZV_RESULT_USED int getLockMassCandidates(CZorvalenBaseProcessor processor, float** ppMasses,
                                                float** ppIntensities, int* pnCount);

/* Fills the cleared set with the installed table's MASS and TOLERANCE
 * ("%f"); fails as getLockMassCorrection when the run cannot be corrected
 * or no table is installed. */
ZV_API ZV_RESULT_USED int getLockMassValuesParams(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);

/* The settings lockMassCorrect reads: replaced by a copy of the set, or
 * copied unchanged into the cleared set. */
ZV_API ZV_RESULT_USED int setLockMassParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);
ZV_API ZV_RESULT_USED int getLockMassParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters);

/* 1 or 0: whether the run can be corrected, and whether a table is in
 * effect, as canLockMassCorrect and isLockMassCorrected of a reader. */
ZV_API ZV_RESULT_USED int LMP_canLockMassCorrect(CZorvalenBaseProcessor processor, int* pnCan);
ZV_API ZV_RESULT_USED int LMP_isLockMassCorrected(CZorvalenBaseProcessor processor, int* pnApplied);

/* ---- Writing a raw directory ----
 * A writer lays a new directory down function by function: define a
 * function, append its scans (or drift blocks), then the next function; add
 * header items and analog traces at any time; closeRawWriter writes every
 * file. Scans are written in batches of 100 and at the next function,
 * flushRawWriter and closeRawWriter. A batch goes down as its scans'
 * data, their statistics records, the function records, and last their
 * index records, which make readers count them: a reader opened or updated
 * meanwhile sees a prefix of whole scans. Every call returns the first
 * failure of the writes it caused (ZVRAW_FILEWRITE_ERROR,
 * ZVRAW_FILEOPEN_ERROR, ...); the failed batch is taken back whole, and
 * what is on disk then still reads back: each indexed scan whole, with its
 * own statistics record, and each function's record counting and spanning
 * (retention times, masses) only the scans written. Where the file system
 * refuses to cut a failed batch back, the index may keep some of its scans,
 * which read back whole all the same. A value the
 * files cannot hold as given is refused with ZVRAW_PARAMETER_INVALID, never
 * changed, and nothing of that call is queued or stored:
 *
 *   kept as given   masses of a scan or a float drift spectrum: strictly
 *                   ascending, the first above 1.0, all below 2^31, inside
 *                   STARTMASS-ENDMASS where the function gives them (the
 *                   readers drop any other); retention times; trace times
 *                   and values (finite); drift counts, and indices up to
 *                   2^31 - 1 (readDriftScanIndex gives them as int);
 *                   statistics values that are numbers of their field: a
 *                   short -32768 to 32767, REFERENCE_SCAN a byte -128 to
 *                   127, a float field a finite float (no blanks around,
 *                   not "nan" or "inf", no overflow and no nonzero text
 *                   that underflows to 0); header values (at
 *                   most 509 bytes, no line break, no leading white space)
 *   at precision    intensities, in format 12's steps (its exponent is
 *                   never negative): from 1 - 2^-21 up (which reads 1), 21
 *                   significant bits, rounded to nearest, halves up
 *                   (1000.1 reads 1000.1001); below, a step of 2^-21, rounded
 *                   the same way (0.001 reads 0.00099993, 1e-5 reads
 *                   1.0014e-5), so values below 2^-22 read 0; negative
 *                   values in the steps of their magnitude, but moved
 *                   toward 0 by at least half a step and less than 1.5
 *                   (-1 reads -0.99999905, -2097152 reads -2097150, -0.001
 *                   reads -0.00099945), so magnitudes below 1.5 x 2^-21
 *                   read 0;
 *                   magnitudes beyond 2^63 - 2^42 are refused. A float
 *                   statistics text: the nearest float; QUAD_PEAK_WIDTH
 *                   only a text whose nearest float has a whole part that
 *                   is an int (-2^31 to 2^31 - 1; "2147483647" is 2^31),
 *                   which getScanItemValue gives back.
 *                   The index record's TIC (a float) and base-peak
 *                   intensity (16-bit mantissa, exponent to 4^15: it tops
 *                   out at 32767 x 4^15, about 3.5e13, in readBPIChromatogram
 *                   and BASE_PEAK_INTENSITY while the scan keeps its value).
 *                   Integer drift intensities: as floats (exact to 2^24).
 *                   Rebinned scans and drift spectra given as masses hold
 *                   their grid's rebinning: each point spread evenly from
 *                   half-way to its neighbours (an outer point as far out as
 *                   in), what falls outside the grid dropped; a drift cell
 *                   keeps the whole part of its share, so a spectrum loses
 *                   under one count for each cell it covers. Profile spectra
 *                   framed by zeros keep all but those fractions; isolated
 *                   points spread thinly over many cells lose most (give
 *                   centroided drift data as indices). LTEFF, VEFF and
 *                   RESOLUTION reach _extern.inf with 6 significant digits
 *                   (1234.56789 reads 1234.57). SET_MASS is
 *                   stored in each scan's record, and getScanItemValue
 *                   gives each scan's own (the writer's types keep no set
 *                   mass in the function's record).
 *   refused (57)    all of the above outside its range, NaN and infinity;
 *                   a function whose grid (a drift function, or a continuum
 *                   one with the five grid values) ends at or beyond mass
 *                   1.0 or 2^31, or more than 1.0 outside STARTMASS-ENDMASS;
 *                   in a float drift spectrum a negative intensity, a point
 *                   with intensity outside the grid's outer cell edges (the
 *                   last cell can end below ENDMASS), a cell of 2^32 or
 *                   more, and a spectrum with intensity of which no cell
 *                   would keep a whole count; a drift block whose summed
 *                   scan would hold more than 4,194,303 points (each cell
 *                   with a count, the empty cell either side of each run of
 *                   them, and the grid's two ends).
 *
 * A null or other-kind writer, a null parameter set
 * and null arrays under a positive count give ZVRAW_NULL_PARAMETERS; a
 * refused call writes nothing. No write waits on a FIFO or device at a
 * file's name: the drift files "_funcNNN.cdt" and ".ind" are then refused
 * (appendRawFunction gives ZVRAW_FILEWRITE_ERROR and makes neither), the
 * scan, index and statistics files are written under the name in upper case,
 * where the readers find them, and any other file takes the special file's
 * place as a regular file. A directory at any other such name is never
 * replaced: that write fails (ZVRAW_FILEWRITE_ERROR;
 * ZVRAW_DESCRIPTORFILE_WRITEERROR for "_functns.inf"). Under a file-size limit, ignore SIGXFSZ to get a code
 * (ZVRAW_SCANWRITE_ERROR for scan data, ZVRAW_FILEWRITE_ERROR for the rest,
 * drift files included)
 * instead of the signal's end of the process. */

/* Makes a writer on the directory pTarget (created with its parents) in
 * *zvScanWriter and writes its header. ZVRAW_NULL_PARAMETERS for a null
 * pointer, ZVRAW_FILENAME_ERROR for a path longer than 255 bytes, each with
 * a null handle. A directory that cannot be prepared still gives ZVRAW_OK
 * and a handle: the first call after createRawWriter, and every later one,
 * returns that code and writes nothing, and the target is left as it was
 * (directories made for it are removed again). The codes:
 * ZVRAW_FILENAME_EMPTY for an empty path; ZVRAW_FILENAME_ERROR for a path
 * over 242 bytes, too long for the run's files ("_func001.dat") beside it;
 * ZVRAW_ERROR when it cannot be created, is not a directory or cannot be
 * listed; the header's write failure when it takes no file
 * (ZVRAW_FILEOPEN_ERROR: not writable) or no bytes (ZVRAW_FILEWRITE_ERROR:
 * a full disk). So does a directory that already
 * holds a run, with ZVRAW_FILENAME_ERROR: a regular file (links followed)
 * named as a file the readers take as part of a run, in any of the spellings
 * they try (as named, upper case, lower case): "_header.txt", "_header.inf",
 * "_functns.inf", "_extern.inf", "_tof.txt", "_vesko.inf", "mob_cal.csv",
 * "_dda.inf", "lmgt.inf", "_CHROMS.INF", "_ANALOGS.INF", "_ANALOGS.DAT",
 * "_CHRONNN.DAT" and "_funcNNN" with ".dat", ".idx", ".sts", ".cdt" or
 * ".ind". A new run would be read together with every old file it does not
 * rewrite; nothing in such a directory is touched. */
ZV_API ZV_RESULT_USED int createRawWriter(CZorvalenRawWriter* zvScanWriter, const char* pTarget);

/* Releases a writer without writing: scans still queued are lost. Null is
 * accepted. */
ZV_API int destroyRawWriter(CZorvalenRawWriter zvRawWriter);

/* Starts the next function (numbered from 0) from FunctionDefinition keys,
 * after writing what the previous one queued; other keys are ignored.
 * FUNCTIONTYPE is TOF (default), TOFS, TOFD, TOFM or TOFP (else
 * ZVRAW_WRITER_FUNCTIONTYPE_NOTSUPPORTED). A value is the number its text
 * begins with (CONTINUUM: 0 or 1). A text that begins with no number, or
 * whose number overflows or underflows a float ("1e39" in a float key;
 * integer keys read "1e39" as 1) or, in an integer key, lies past the int
 * range, gives ZVRAW_ERROR, except for CDT_SCANS (ignored without a number,
 * an ordinary function; ZVRAW_PARAMETER_INVALID past the range) and
 * RESOLUTION (ignored; _extern.inf keeps any earlier resolution). NaN or
 * infinity in STARTMASS, ENDMASS, SAMPLINGFREQUENCY, LTEFF, VEFF or
 * RESOLUTION, a CDT_SCANS below 0 or above 65536 (past an int too) and an
 * ion mode outside 100 to 113 give ZVRAW_PARAMETER_INVALID. CDT_SCANS 1 to
 * 65536 makes a compressed-drift function, which needs LTEFF, VEFF,
 * SAMPLINGFREQUENCY (GHz), STARTMASS and ENDMASS (ZVRAW_PARAMETER_INVALID
 * otherwise). A continuum function with all five has its scans rebinned
 * onto its time-of-flight grid (a grid the readers would not give back whole
 * gives ZVRAW_PARAMETER_INVALID). On a
 * failure the function is not started and takes no number. A refused
 * definition writes nothing; otherwise what the previous function queued
 * is written first (its failure is returned, ZVRAW_SCANWRITE_ERROR among
 * them), then its drift files are closed (it takes no more blocks; a close
 * that fails gives ZVRAW_FILEWRITE_ERROR), then the new drift files are
 * made (ZVRAW_FILEWRITE_ERROR when they cannot be). ZVRAW_FILENAME_ERROR, the function not started,
 * when its file names would not fit a path of 255 bytes beside the
 * directory: from the 100th function on they are a byte longer
 * ("_func0100.dat"), so a directory path of 242 bytes takes 99 functions. */
ZV_API ZV_RESULT_USED int appendRawFunction(CZorvalenRawWriter writer, CZorvalenParameters pParameters);

/* As appendRawFunction, and every scan of the function carries a statistics
 * record of the size scan items in pStats: 401 to 410, 462, 477, 481, 482 to
 * 484 and 500 (another value of 401 to 523 or 652 to 655 gives
 * ZVRAW_SCAN_STAT_NOTSUPPORTED, any other ZVRAW_PARAMETER_INVALID; the
 * function is then not started). */
ZV_API ZV_RESULT_USED int appendRawFunctionWithStats(CZorvalenRawWriter writer, CZorvalenParameters pParameters,
                                                     const ZorvalenScanItem* pStats, int size);

/* One scan of the current function at retention time fRT: ZVRAW_ERROR
 * before any function, ZVRAW_WRITER_CDT_ADD_SCAN_ERROR for a compressed-drift
 * function, ZVRAW_PARAMETER_INVALID for a negative size, a time that is not
 * finite, or masses or intensities outside what the files keep (see above).
 * After a failed write of the function, it and every later scan of the
 * function return that failure. The WithStats form takes the values of the
 * function's scan items (an item without a value gets 0; keys not declared
 * are ignored); a value that is no number of its field refuses the scan
 * with ZVRAW_PARAMETER_INVALID. */
ZV_API ZV_RESULT_USED int appendRawScan(CZorvalenRawWriter writer, const float* pMasses, const float* pIntensities,
                                        int nSize, float fRT);
ZV_API ZV_RESULT_USED int appendRawScanWithStats(CZorvalenRawWriter writer, const float* pMasses,
                                                 const float* pIntensities, int nSize, float fRT,
                                                 CZorvalenParameters pParameters);

/* One drift block of the current compressed-drift function
 * (ZVRAW_WRITER_CDT_NO_FUNCTION for another function or after
 * closeRawWriter): scansize drift spectra of scans[i] points each, datasize
 * points in all, given as time-of-flight grid indices or as masses (rebinned
 * onto the grid). The block is written at once, and its spectra summed
 * become the function's next scan, at fRT (indices off the function's grid
 * stay in the drift spectra, not in the sum). ZVRAW_PARAMETER_INVALID, and
 * nothing written, when the counts do not add up to datasize or exceed
 * CDT_SCANS, when fRT, or a mass or intensity given as float, is not
 * finite, when a drift spectrum's values are not kept (see above), or when
 * the sum would be a scan of more than 4,194,303 points. After a block or scan write fails,
 * every later block of the function returns that failure. */
ZV_API ZV_RESULT_USED int appendCDTScanIndex(CZorvalenRawWriter writer, const unsigned int* massindex,
                                             const unsigned int* intensity, unsigned int datasize,
                                             const unsigned int* scans, unsigned int scansize, float fRT);
ZV_API ZV_RESULT_USED int appendCDTScanIndexWithStats(CZorvalenRawWriter writer, const unsigned int* massindex,
                                                      const unsigned int* intensity, unsigned int datasize,
                                                      const unsigned int* scans, unsigned int scansize, float fRT,
                                                      CZorvalenParameters pParameters);
ZV_API ZV_RESULT_USED int appendCDTScan(CZorvalenRawWriter writer, const float* masses, const float* intensities,
                                        unsigned int datasize, const unsigned int* scans, unsigned int scansize,
                                        float fRT);
ZV_API ZV_RESULT_USED int appendCDTScanWithStats(CZorvalenRawWriter writer, const float* masses,
                                                 const float* intensities, unsigned int datasize,
                                                 const unsigned int* scans, unsigned int scansize, float fRT,
                                                 CZorvalenParameters pParameters);

/* Header items (ZorvalenHeaderItem keys; other keys are ignored) for the
 * header file; VERSION is always written as "01.00". A value holds at most
 * 509 bytes and no line break and begins with no white space (the reader
 * skips it): a set with a value that does not fit gives
 * ZVRAW_PARAMETER_INVALID and sets none of its items. */
ZV_API ZV_RESULT_USED int setRawHeaderItems(CZorvalenRawWriter writer, CZorvalenParameters pParameters);

/* One analog trace, written at once: AnalogParameter DESCRIPTION, UNITS and
 * TYPE (an AnalogTraceType) describe it; ZVRAW_PARAMETER_INVALID, no
 * channel, for a negative size or a time or value that is NaN or infinite.
 * DESCRIPTION and UNITS share the trace's 81-byte record
 * field: the description is cut to 80 bytes, and the units to 59 bytes less
 * the description's length (none from a description of 59 bytes or more). A
 * trace that fails to write leaves no channel. */
ZV_API ZV_RESULT_USED int appendRawTrace(CZorvalenRawWriter writer, CZorvalenParameters pParameters,
                                         const float* pTimes, const float* pIntensities, int nSize);

/* Writes the queued scans and the function descriptors. Returns the run's
 * first failed write of scans, statistics records, function descriptors,
 * drift blocks or trace data if there was one, else this flush's own
 * failure. Those are written once, so what a failure lost stays lost: every
 * later flush and close of the writer returns that failure again, whatever
 * functions follow. */
ZV_API ZV_RESULT_USED int flushRawWriter(CZorvalenRawWriter writer);

/* Writes the channel list, the header, "_extern.inf", closes the drift files
 * (ZVRAW_FILEWRITE_ERROR when that close fails) and writes the queued scans
 * and the function descriptors; every step runs even after one failed.
 * Returns the run's first failed write, as flushRawWriter (a close that
 * fails to write the drift files' last blocks counts too), else the first
 * failure of its steps. A run without a function gives
 * ZVRAW_DATACLUSTER_INVALID once every file is written: the readers open no
 * directory without one. The writer stays usable: functions and scans
 * appended later are written by the next close. */
ZV_API ZV_RESULT_USED int closeRawWriter(CZorvalenRawWriter writer);

/* ---- Acquisition: instrument, queue and injection status ----
 * Read from the workstation's files on every request. A null or other-kind
 * handle, a null parameter set (except in getPendrakeSettings), a null path
 * and a null output pointer give ZVRAW_NULL_PARAMETERS with nothing changed. */

/* Makes a handle in *pAcquisition and locates the status file (named in
 * "Zorvalen.ini" in the working folder of the settings store), the
 * current-sample record ("ZVCurSmp.txt" in the temporary folder: the first
 * of TMPDIR, TMP, TEMP and TEMPDIR that is set, else /tmp) and the
 * queue monitor's settings. ZVRAW_OK even when something is not found: its
 * path stays empty. */
ZV_API ZV_RESULT_USED int createAcquisition(CZorvalenAcquisition* pAcquisition);

/* Destroys a handle; null is accepted. */
ZV_API int destroyAcquisition(CZorvalenAcquisition acquisition);

/* The status file's path: replaced, or stored as the text under key 0 of
 * the set (its other keys stay). */
ZV_API ZV_RESULT_USED int setStatusIniFile(CZorvalenAcquisition acquisition, const char* path);
ZV_API ZV_RESULT_USED int getStatusIniFile(CZorvalenAcquisition acquisition, CZorvalenParameters parameters);

/* Reads the status file: the status set is cleared and gets one text per
 * ZorvalenStatusType found; queue entries 1, 2, ... (to the first missing
 * number) go under keys 0, 1, ... of the queue set, whose other keys stay.
 * ZVRAW_INIFILE_OPEN_ERROR when the file cannot be opened (the status set
 * then empty, the queue set as it was). */
ZV_API ZV_RESULT_USED int getStatus(CZorvalenAcquisition acquisition, CZorvalenParameters status,
                                    CZorvalenParameters queue);

/* The current-sample record's path, as for the status file. */
ZV_API ZV_RESULT_USED int setZorvalenInjectionFile(CZorvalenAcquisition acquisition, const char* path);
ZV_API ZV_RESULT_USED int getZorvalenInjectionFile(CZorvalenAcquisition acquisition, CZorvalenParameters parameters);

/* Reads the current-sample record into the cleared set (ZorvalenBatchItem
 * and ZorvalenSampleListItem keys); ZVRAW_INIFILE_OPEN_ERROR when it cannot
 * be opened. */
ZV_API ZV_RESULT_USED int getZorvalenInjection(CZorvalenAcquisition acquisition, CZorvalenParameters parameters);

/* Where the queue program has the sample list of that file name, in
 * *pStatus: PendrakeStatus SAMPLELISTQUEUED, SAMPLELISTPROCESSED,
 * SAMPLELISTFAILED or SAMPLELISTNOTFOUND, from the folders of the last
 * settings read (createAcquisition, getPendrakeStatus, getPendrakeSettings);
 * PENDRAKENOTRUNNING when the program was not running at that
 * read. */
ZV_API ZV_RESULT_USED int getSampleListStatus(CZorvalenAcquisition acquisition, const char* path,
                                              PendrakeStatus* pStatus);

/* Re-reads the queue monitor's settings into the cleared set
 * (PendrakeSettings keys; the three folders only while the program runs).
 * ZVRAW_ERROR for a null set. */
ZV_API ZV_RESULT_USED int getPendrakeSettings(CZorvalenAcquisition acquisition, CZorvalenParameters parameters);

/* Re-reads the settings and sets *pStatus: PendrakeStatus
 * PENDRAKENOTRUNNING when the queue program does not run, else ABORTED,
 * ABORTING, IDLE or ACQUIRING. */
ZV_API ZV_RESULT_USED int getPendrakeStatus(CZorvalenAcquisition acquisition, PendrakeStatus* pStatus);

/* Requests a queue abort by creating the abort file (ZVRAW_FILEOPEN_ERROR
 * when it cannot be created), or withdraws it by deleting the file
 * (ZVRAW_FILEWRITE_ERROR when it exists and cannot be deleted). */
ZV_API ZV_RESULT_USED int abortPendrake(CZorvalenAcquisition acquisition, bool bAbort);

/* ---- Sample lists: tab-separated text for the acquisition queue ----
 * A null or other-kind handle, a null parameter set and a null output
 * pointer give ZVRAW_NULL_PARAMETERS. */

/* Makes an empty list in *pSampleList. */
ZV_API ZV_RESULT_USED int createSampleList(CZorvalenSampleList* pSampleList);

/* Destroys a list and its text; null is accepted. */
ZV_API int destroySampleList(CZorvalenSampleList sampleList);

/* Appends a copy of the set as the next row; ZVRAW_PARAMETER_INVALID, adding
 * nothing, when it holds a key outside 700 to 817 (ZorvalenSampleListItem
 * FILE_NAME to CURVE_DB). */
ZV_API ZV_RESULT_USED int addSampleListRow(CZorvalenSampleList sampleList, CZorvalenParameters row);

/* The list as text: a title line ("INDEX" and the item names of every key
 * any row sets, ascending) and one line per row (its number from 1, then its
 * values, empty where the row lacks the key), cells joined by tabs and every
 * line ended by a line feed; "INDEX\n1" for a list without rows. Values are
 * copied unchanged. The text belongs to the list: valid until its next
 * sampleListToString or its destruction. */
ZV_API ZV_RESULT_USED int sampleListToString(CZorvalenSampleList sampleList, char** ppText);

/* ---- Adaptive background subtraction ---- */

/* A qsort comparator over an array of MassQuan pointers: each argument is
 * the address of one element (a MassQuan*). Ascending by quantile, then by
 * mass: 1 when the first sorts after the second, else -1 (equal pairs,
 * unordered quantiles such as NaN, and null pointers included); never 0.
 * Returns no result code. */
ZV_API int compareQuanAscending(const void* pItem1, const void* pItem2);

#endif
