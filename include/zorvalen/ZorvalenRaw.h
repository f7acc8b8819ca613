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
#include "zorvalen/ZorvalenRawVersion.h"

/* ---- Caller memory and error texts ---- */

/* Releases a block the library allocated for the caller; null is accepted.
 * Returns 0. */
ZV_API int releaseMemory(void* pMemory);

/* The text of a result code in a block allocated for the caller (release it
 * with releaseMemory): "" for 0, "Unknown Code" for a code without a text.
 * 79 for a null ppErrorMessage; 45, with a null text, when the block cannot
 * be allocated. */
ZV_API ZV_RESULT_USED int getErrorMessage(int nErrorCode, char** ppErrorMessage);

/* ---- Parameter sets: text values under integer keys ----
 * Keys are values of the enumerations in ZorvalenRawDefs.h. A null handle,
 * a handle of another kind, a null text and a null output pointer give 79. */

/* Makes an empty set. */
ZV_API ZV_RESULT_USED int createParameters(CZorvalenParameters* pParameters);

/* Makes a set holding a copy of the source's pairs. */
ZV_API ZV_RESULT_USED int createParametersFromParameters(CZorvalenParameters source, CZorvalenParameters* pParameters);

/* Destroys a set; null is accepted. */
ZV_API int destroyParameters(CZorvalenParameters parameters);

/* Stores a copy of the text under the key, replacing any earlier value. */
ZV_API ZV_RESULT_USED int setParameterValue(CZorvalenParameters parameters, int key, const char* value);

/* The key's text ("" when the key is not set), held by the set until the next
 * getParameterValue on it. */
ZV_API ZV_RESULT_USED int getParameterValue(CZorvalenParameters parameters, int key, char** value);

/* The set keys in ascending order, held by the set until the next
 * getParameterKeys on it. */
ZV_API ZV_RESULT_USED int getParameterKeys(CZorvalenParameters parameters, int** keys, int* count);

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
ZV_API ZV_RESULT_USED int createRawReaderFromPath(const char* path, CZorvalenBaseReader* pReader,
                                                  ZorvalenBaseType nType);

/* A reader of kind nType on source's directory. The handle is null unless 0
 * is returned: 59 for a null source or a kind other than 1 to 4, else the
 * directory's state (the code of its last failed update). */
ZV_API ZV_RESULT_USED int createRawReaderFromReader(CZorvalenBaseReader source, CZorvalenBaseReader* pReader,
                                                    ZorvalenBaseType nType);

/* Destroys a reader; null is accepted. */
ZV_API int destroyRawReader(CZorvalenBaseReader reader);

/* Re-reads the scan indices and statistics of a directory still being
 * written, for every reader on it: new scans show afterwards. 46 when the
 * directory has no statistics file (its scans still read). */
ZV_API ZV_RESULT_USED int updateRawReader(CZorvalenBaseReader reader);

/* ---- Scans: a reader of kind SCAN ----
 * Functions and scans are numbered from 0. The arrays belong to the reader:
 * they stay valid until the next read of the same kind on it (and move when
 * a larger scan needs larger arrays); never release them. After a failed
 * read the pointers are null and the sizes 0. */

/* One scan's masses and intensities; a scan of 0 points gives null arrays. */
ZV_API ZV_RESULT_USED int readScan(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses,
                                   float** ppIntensities, int* pnSize);

/* As readScan, plus one flag byte per point (bits 1 and 2 merged into bit 1);
 * a null flag array when no point carries a flag. */
ZV_API ZV_RESULT_USED int readScanFlags(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses,
                                        float** ppIntensities, char** ppFlags, int* pnSize);

/* As readScan, plus the product masses of an MRM function type (27 for
 * another type). */
ZV_API ZV_RESULT_USED int readProductScan(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses,
                                          float** ppIntensities, float** ppProductMasses, int* pnSize,
                                          int* pnProductSize);

/* One drift spectrum (drift bin nDrift) of a compressed function, as masses
 * with the scan's lock-mass gain, or as time-of-flight mass indices (with
 * one flag byte per point). The arrays belong to the function's drift
 * reader, shared by every reader on the directory: valid until the next
 * drift read of that function through any of them. */
ZV_API ZV_RESULT_USED int readDriftScan(CZorvalenBaseReader reader, int nFunction, int nScan, int nDrift,
                                        float** ppMasses, float** ppIntensities, int* pnSize);
ZV_API ZV_RESULT_USED int readDriftScanIndex(CZorvalenBaseReader reader, int nFunction, int nScan, int nDrift,
                                             int** ppMassIndices, float** ppIntensities, int* pnSize);
ZV_API ZV_RESULT_USED int readDriftScanFlagsIndex(CZorvalenBaseReader reader, int nFunction, int nScan, int nDrift,
                                                  int** ppMassIndices, float** ppIntensities, char** ppFlags,
                                                  int* pnSize);

/* The mass of every time-of-flight index of a compressed function's window,
 * with the scan's lock-mass gain, and the index of its first entry. Held by
 * the reader until its next getDriftMassScale; set also when the drift
 * reader reports a failure. */
ZV_API ZV_RESULT_USED int getDriftMassScale(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses,
                                            int* pnSize, int* pnOffset);

/* ---- Chromatograms: a reader of kind CHROM ----
 * Every array is allocated for the caller, who releases each with
 * releaseMemory (two calls: the first array and the second); they outlive
 * the reader. After a failed TIC, BPI, mass or MRM chromatogram both arrays
 * are null and the size 0. */

/* The retention time (minutes) and the total ion current, or the base-peak
 * intensity, of every scan of the function, from the scan index: no scan
 * data are loaded. A function of 0 scans gives 0, null arrays and size 0. */
ZV_API ZV_RESULT_USED int readTICChromatogram(CZorvalenBaseReader reader, int nFunction, float** ppTimes,
                                              float** ppIntensities, int* pnSize);
ZV_API ZV_RESULT_USED int readBPIChromatogram(CZorvalenBaseReader reader, int nFunction, float** ppTimes,
                                              float** ppIntensities, int* pnSize);

/* One retention time per scan, and one block of nMasses x scans intensities:
 * row i (entries i x size to i x size + size - 1) sums each scan's points
 * within pfMasses[i] +- fMassWindow / 2. 1 for nMasses below 1, 79 for a
 * null list, 45 when the block exceeds 2^31 - 1 values, 1 for a function
 * without scans. The scans are loaded 100 at a time into the directory that
 * every reader on it shares: afterwards the function's last block of scans
 * is the loaded one. */
ZV_API ZV_RESULT_USED int readMassChromatograms(CZorvalenBaseReader reader, int nFunction, const float* pfMasses,
                                                int nMasses, float** ppTimes, float** ppIntensities, float fMassWindow,
                                                bool bDaughters, int* pnSize);

/* The same block for MRM channels of an MRM function (data format 2 or 11):
 * row i is channel pnChannels[i]; 15 for a channel the function does not
 * have, 27 for another data format. A function of 0 scans or without
 * channels gives 0 with null arrays. Loads every scan of the function into
 * the shared directory. */
ZV_API ZV_RESULT_USED int readMRMChromatograms(CZorvalenBaseReader reader, int nFunction, const int* pnChannels,
                                               int nChannels, float** ppTimes, float** ppIntensities, int* pnSize);

/* Scanning-quadrupole mass chromatogram of a compressed function: one point
 * per scan, the intensities within fMass +- fMassWindow / 2 summed over the
 * quadrupole bins of fPrecursorMass +- fPrecursorMassWindow / 2. 63, with
 * the outputs untouched, when the run has no scanning-quadrupole
 * calibration. */
ZV_API ZV_RESULT_USED int readVeskoMassChromatogram(CZorvalenBaseReader reader, int nFunction, float fPrecursorMass,
                                                    float fMass, float** ppTimes, float** ppIntensities,
                                                    float fPrecursorMassWindow, float fMassWindow, int* pnSize);

/* Per drift bin nFirstBin to nLastBin of a compressed function: the bin
 * number and the intensities within fMassStart to fMassEnd summed over scans
 * nFirstBlock to nLastBlock. 74 for a bad mass range, 17 or 80 for a
 * reversed scan or bin range, 16 or 55 for a scan or bin the function does
 * not have. */
ZV_API ZV_RESULT_USED int extractByBins(CZorvalenBaseReader reader, int nFunction, float fMassStart, float fMassEnd,
                                        int nFirstBlock, int nLastBlock, int nFirstBin, int nLastBin, int** ppBins,
                                        float** ppIntensities, int* pnSize);

/* extractByBins over every drift bin of the function; a function without
 * drift data fails with null arrays. */
ZV_API ZV_RESULT_USED int readMobillogram(CZorvalenBaseReader reader, int nFunction, int nStartScan, int nEndScan,
                                          float fStartMass, float fEndMass, int** ppDriftBins, float** ppIntensities,
                                          int* pnSize);

/* ---- Analog channels: a reader of kind ANALOG ----
 * Channels are numbered from 0. What these return belongs to the reader:
 * never release it. */

/* The number of analog channels; always 0. */
ZV_API ZV_RESULT_USED int getChannelCount(CZorvalenBaseReader reader, int* pnCount);

/* A channel's sample times and values, held by the reader until its next
 * readChannel. 14 for a channel not below the count; a channel without
 * samples gives 0, null arrays and size 0. */
ZV_API ZV_RESULT_USED int readChannel(CZorvalenBaseReader reader, int nChannel, const float** ppTimes,
                                      const float** ppValues, int* pnSize);

/* A channel's description and units texts, held by the reader until its
 * next text. 14 for a channel not below the count, 1 for a channel without
 * a header. */
ZV_API ZV_RESULT_USED int getChannelDesciption(CZorvalenBaseReader reader, int nChannel, char** ppText);
ZV_API ZV_RESULT_USED int getChannelUnits(CZorvalenBaseReader reader, int nChannel, char** ppText);

/* ---- Information: a reader of kind INFO ----
 * Questions about an open directory that read no scan data. Function types
 * are the stored type + 200 (ZorvalenFunctionType), ion modes the stored
 * mode + 100 (ZorvalenIonMode). An output the function presets (299, 199,
 * 0, NaN) keeps the preset when the question fails. */

ZV_API ZV_RESULT_USED int getFunctionCount(CZorvalenBaseReader reader, unsigned int* pnCount);
ZV_API ZV_RESULT_USED int getScanCount(CZorvalenBaseReader reader, int nFunction, unsigned int* pnScans);
/* Drift bins per scan of a compressed function. */
ZV_API ZV_RESULT_USED int getDriftScanCount(CZorvalenBaseReader reader, int nFunction, unsigned int* pnDrifts);

/* The acquisition mass range of an MRM number (segment) of the function;
 * 15 for a number outside 0 to 65535. */
ZV_API ZV_RESULT_USED int getAcquisitionMassRange(CZorvalenBaseReader reader, int nFunction, int nMRM, float* pfLow,
                                                  float* pfHigh);

/* The retention times (minutes) of the function's first and last scan; a
 * function of 0 scans gives the scan index's code. */
ZV_API ZV_RESULT_USED int getAcquisitionTimeRange(CZorvalenBaseReader reader, int nFunction, float* pfStart,
                                                  float* pfEnd);

/* Preset to 299 (UNINITIALISED). */
ZV_API ZV_RESULT_USED int getFunctionType(CZorvalenBaseReader reader, int nFunction, ZorvalenFunctionType* pType);

/* The short name of a function type ("MS", "SIR", "MSMS", ...), held by the
 * reader until its next text; 27 for a value outside 200 to 231. */
ZV_API ZV_RESULT_USED int getFunctionTypeString(CZorvalenBaseReader reader, ZorvalenFunctionType type, char** ppText);

/* Whether the function holds continuum data. */
ZV_API ZV_RESULT_USED int isContinuum(CZorvalenBaseReader reader, int nFunction, ZV_REF(bool) bContinuum);

/* Preset to 199 (UNINITIALISED). */
ZV_API ZV_RESULT_USED int getIonMode(CZorvalenBaseReader reader, int nFunction, ZorvalenIonMode* pMode);

/* "EI+" to "LD-", held by the reader until its next text; 28 for a value
 * outside 100 to 113. */
ZV_API ZV_RESULT_USED int getIonModeString(CZorvalenBaseReader reader, ZorvalenIonMode mode, char** ppText);

/* A scan's retention time in minutes. */
ZV_API ZV_RESULT_USED int getRetentionTime(CZorvalenBaseReader reader, int nFunction, int nScan, float* pfRT);

/* The MRM transitions of an MRM function (points of its scan 0); 0 for other
 * types. Written whatever the result. */
ZV_API ZV_RESULT_USED int getMRMCount(CZorvalenBaseReader reader, int nFunction, int* pnCount);

/* The scans covering a retention-time range; 0 and 0 when the lookup fails. */
ZV_API ZV_RESULT_USED int getScanRangeFromTimeRange(CZorvalenBaseReader reader, int nFunction, float fRTStart,
                                                    float fRTEnd, ZV_REF(int) nFirstScan, ZV_REF(int) nLastScan);

/* Whether the run has a lock-mass reference function, and which (-1 when it
 * has none). */
ZV_API ZV_RESULT_USED int getLockMassFunction(CZorvalenBaseReader reader, bool* pbPresent, int* pnFunction);

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
ZV_API ZV_RESULT_USED int getAcquisitionInfo(CZorvalenBaseReader reader, CZorvalenParameters parameters);

/* Whether lock-mass correction applies to the run: it has a reference
 * function and is data-dependent or holds functions not yet calibrated; and
 * whether a gain table (lmgt.inf) is applied to its reads. Both give false
 * when they cannot tell, and 0 (79 for a null output). */
ZV_API ZV_RESULT_USED int canLockMassCorrect(CZorvalenBaseReader reader, bool* pbCan);
ZV_API ZV_RESULT_USED int isLockMassCorrected(CZorvalenBaseReader reader, bool* pbApplied);

/* Scanning-quadrupole calibration (63 when the run has none): the bins
 * covering fPrecursorMass +- fTolerance / 2, a bin's precursor mass, and the
 * precursor mass range of the function or of one bin. */
ZV_API ZV_RESULT_USED int getIndexRange(CZorvalenBaseReader reader, int nFunction, float fPrecursorMass,
                                        float fTolerance, int* pnFirstIndex, int* pnLastIndex);
ZV_API ZV_RESULT_USED int getPrecursorMass(CZorvalenBaseReader reader, int nFunction, int nIndex, float* pfMass);
ZV_API ZV_RESULT_USED int getFunctionPrecursorMassRange(CZorvalenBaseReader reader, int nFunction, float* pfStart,
                                                        float* pfEnd);
ZV_API ZV_RESULT_USED int getIndexPrecursorMassRange(CZorvalenBaseReader reader, int nFunction, int nIndex,
                                                     float* pfStart, float* pfEnd);

/* Mobility calibration: a collision cross section from a drift time, and
 * back. Preset to NaN; 66 when the run has no calibration. */
ZV_API ZV_RESULT_USED int getCollisionalCrossSection(CZorvalenBaseReader reader, float fDriftTime, float fMass,
                                                     int nCharge, float* pfCrossSection);
ZV_API ZV_RESULT_USED int getDriftTime_CCS(CZorvalenBaseReader reader, float fCrossSection, float fMass, int nCharge,
                                           float* pfDriftTime);

/* Named values in a parameter set (a null or other-kind set gives 79): each
 * clears the set, then stores one text per requested item under the item.
 * Null items with nCount > 0 give 79 and nCount < 0 gives 57, both before
 * the set is cleared. */

/* The header text of each ZorvalenHeaderItem; "" for a value outside 300 to
 * 349 or a run without a header. */
ZV_API ZV_RESULT_USED int getHeaderItemValue(CZorvalenBaseReader reader, const ZorvalenHeaderItem* pItems, int nCount,
                                             CZorvalenParameters parameters);

/* The display name of each ZorvalenScanItem ("Transport RF"); "" for a value
 * that is no scan item or has no name. */
ZV_API ZV_RESULT_USED int getScanItemName(CZorvalenBaseReader reader, const ZorvalenScanItem* pItems, int nCount,
                                          CZorvalenParameters parameters);

/* Each ZorvalenScanItem of one scan: SET_MASS from the function's
 * descriptor; TOTAL_ION_CURRENT and BASE_PEAK_INTENSITY ("%.0f"),
 * BASE_PEAK_MASS ("%.6f") and PEAKS_IN_SCAN from the scan index; the others
 * from the scan's statistics record (integers in decimal, reals with 9
 * significant digits). An item nothing answers is present with "". 16 for a
 * scan beyond the function, with every item present and "". */
ZV_API ZV_RESULT_USED int getScanItemValue(CZorvalenBaseReader reader, int nFunction, int nScan,
                                           const ZorvalenScanItem* pItems, int nCount, CZorvalenParameters parameters);

/* The name of every scan item the function's statistics record, under the
 * item; an empty set for a function without statistics. */
ZV_API ZV_RESULT_USED int getScanItemsInFunction(CZorvalenBaseReader reader, int nFunction,
                                                 CZorvalenParameters parameters);

/* Drift bins and times (the transfer RF recorded with a function's first
 * scan; 73 when it is 0). The drift time of bin nDrift in the first function
 * that has the bin: preset to NaN, and NaN with 0 when that function has no
 * statistics. */
ZV_API ZV_RESULT_USED int getDriftTime(CZorvalenBaseReader reader, int nDrift, float* pfDriftTime);

/* The drift bins covering fDTStart to fDTEnd of a function, preset to -1;
 * 80 for a negative, reversed or not finite range or one beyond the bins.
 * On success first <= last < the bin count; -1 and -1 with 0 when the
 * function has no statistics. */
ZV_API ZV_RESULT_USED int getDriftRangeFromTimeRange(CZorvalenBaseReader reader, int nFunction, float fDTStart,
                                                     float fDTEnd, ZV_REF(int) nFirstBin, ZV_REF(int) nLastBin);

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
ZV_API ZV_RESULT_USED int createRawWriter(CZorvalenRawWriter* zvScanWriter, const char* pTarget);

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
ZV_API ZV_RESULT_USED int appendRawFunction(CZorvalenRawWriter writer, CZorvalenParameters pParameters);

/* As appendRawFunction, and every scan of the function carries a statistics
 * record of the size items in pStats. */
ZV_API ZV_RESULT_USED int appendRawFunctionWithStats(CZorvalenRawWriter writer, CZorvalenParameters pParameters,
                                                     const ZorvalenScanItem* pStats, int size);

/* One scan of the current function: 1 before any function, 69 for a
 * compressed-drift function, 57 for a negative size, a mass or time that is
 * not finite. The WithStats form takes the values of the function's scan
 * items (a scan without values gets a record of zeros). */
ZV_API ZV_RESULT_USED int appendRawScan(CZorvalenRawWriter writer, const float* pMasses, const float* pIntensities,
                                        int nSize, float fRT);
ZV_API ZV_RESULT_USED int appendRawScanWithStats(CZorvalenRawWriter writer, const float* pMasses,
                                                 const float* pIntensities, int nSize, float fRT,
                                                 CZorvalenParameters pParameters);

/* One drift block of the current compressed-drift function (70 for another
 * function or after closeRawWriter): scansize drift spectra of scans[i]
 * points each, datasize points in all, given as time-of-flight grid indices
 * or as masses (rebinned onto the grid). The block is written at once and
 * its spectra summed become the function's next scan, at fRT. 57 when the
 * counts do not add up to datasize or exceed CDT_SCANS, or fRT is not
 * finite. After a block or scan write fails, every later block of the
 * function returns that failure. */
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

/* Header items (ZorvalenHeaderItem keys) for the header file; VERSION is
 * always written as "01.00". */
ZV_API ZV_RESULT_USED int setRawHeaderItems(CZorvalenRawWriter writer, CZorvalenParameters pParameters);

/* One analog trace, written at once: AnalogParameter DESCRIPTION, UNITS and
 * TYPE (an AnalogTraceType) describe it; 57 for a negative size. */
ZV_API ZV_RESULT_USED int appendRawTrace(CZorvalenRawWriter writer, CZorvalenParameters pParameters,
                                         const float* pTimes, const float* pIntensities, int nSize);

/* Writes the queued scans and the function descriptors. */
ZV_API ZV_RESULT_USED int flushRawWriter(CZorvalenRawWriter writer);

/* Writes the channel list, the header, "_extern.inf", closes the drift files
 * and writes the queued scans and the function descriptors; every step runs
 * even after one failed, and the first failure is returned. The writer
 * stays usable: scans appended later are written by the next close. */
ZV_API ZV_RESULT_USED int closeRawWriter(CZorvalenRawWriter writer);

/* ---- Acquisition: instrument, queue and injection status ----
 * Read from the workstation's files on every request. A null handle or one
 * of another kind, a null parameter set (except in getPendrakeSettings), a
 * null path and a null output pointer give 79 with nothing changed. */

/* Makes a handle and locates the status file (named in "Zorvalen.ini" in
 * the working folder of the settings store), the current-sample record
 * ("ZVCurSmp.txt" in the temporary folder) and the queue monitor's settings.
 * Returns 0 even when something is not found: its path stays empty. */
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
 * 78 when the file cannot be opened (status set empty, queue set as it was). */
ZV_API ZV_RESULT_USED int getStatus(CZorvalenAcquisition acquisition, CZorvalenParameters status,
                                    CZorvalenParameters queue);

/* The current-sample record's path, as for the status file. */
ZV_API ZV_RESULT_USED int setZorvalenInjectionFile(CZorvalenAcquisition acquisition, const char* path);
ZV_API ZV_RESULT_USED int getZorvalenInjectionFile(CZorvalenAcquisition acquisition, CZorvalenParameters parameters);

/* Reads the current-sample record into the cleared set (ZorvalenBatchItem
 * and ZorvalenSampleListItem keys); 78 when it cannot be opened. */
ZV_API ZV_RESULT_USED int getZorvalenInjection(CZorvalenAcquisition acquisition, CZorvalenParameters parameters);

/* Where the queue program has the sample list of that file name: queued,
 * processed, failed or not found (1300-1303), with the settings of the last
 * re-read; 1304 when the program does not run. */
ZV_API ZV_RESULT_USED int getSampleListStatus(CZorvalenAcquisition acquisition, const char* path,
                                              PendrakeStatus* pStatus);

/* Re-reads the queue monitor's settings into the cleared set
 * (PendrakeSettings keys; the three folders only while the program runs).
 * 1 for a null set. */
ZV_API ZV_RESULT_USED int getPendrakeSettings(CZorvalenAcquisition acquisition, CZorvalenParameters parameters);

/* Re-reads the settings; 1304 when the queue program does not run, else
 * aborted, aborting, idle or acquiring (1305-1308). */
ZV_API ZV_RESULT_USED int getPendrakeStatus(CZorvalenAcquisition acquisition, PendrakeStatus* pStatus);

/* Requests a queue abort by creating the abort file (5 when it cannot be
 * created), or withdraws it by deleting the file (10 when it exists and
 * cannot be deleted). */
ZV_API ZV_RESULT_USED int abortPendrake(CZorvalenAcquisition acquisition, bool bAbort);

/* ---- Sample lists: tab-separated text for the acquisition queue ----
 * A null handle or one of another kind, a null parameter set and a null
 * output pointer give 79. */

ZV_API ZV_RESULT_USED int createSampleList(CZorvalenSampleList* pSampleList);

/* Destroys a list and its text; null is accepted. */
ZV_API int destroySampleList(CZorvalenSampleList sampleList);

/* Appends a copy of the set as the next row; 57, adding nothing, when it
 * holds a key outside 700 to 817 (ZorvalenSampleListItem FILE_NAME to
 * CURVE_DB). */
ZV_API ZV_RESULT_USED int addSampleListRow(CZorvalenSampleList sampleList, CZorvalenParameters row);

/* The list as text: a title line ("INDEX" and the item names of every key
 * any row sets) and one line per row (its number from 1, then its values,
 * empty where the row lacks the key), cells joined by tabs and every line
 * ended by a line feed; "INDEX\n1" for a list without rows. Values are
 * copied unchanged. The text belongs to the list: valid until the next
 * sampleListToString on it or its destruction. */
ZV_API ZV_RESULT_USED int sampleListToString(CZorvalenSampleList sampleList, char** ppText);

/* ---- Adaptive background subtraction ---- */

/* A qsort comparator over an array of MassQuan pointers: each argument is the
 * address of one element (a MassQuan*). Ascending by quantile, then by mass:
 * 1 when the first sorts after the second, else -1 (equal pairs, unordered
 * quantiles such as NaN, and null pointers included); never 0. */
ZV_API int compareQuanAscending(const void* pItem1, const void* pItem2);

#endif
