/* Handle types and enumerations of the libZorvalenRaw C interface.
 *
 * The enumerations occupy disjoint ranges of int, so a value also says which
 * enumeration it belongs to; that is why they double as the integer keys of
 * parameter sets. The values are part of the interface: never renumber them.
 *
 * C++ callers get scoped enumerations (ZorvalenIonMode::EI_POS); C has one
 * namespace for enumerators, so C callers get the same values with the
 * enumeration's name as prefix (ZorvalenIonMode_EI_POS). Every enumeration is
 * int-sized in both languages. */
#ifndef ZORVALEN_RAW_DEFS_H
#define ZORVALEN_RAW_DEFS_H

#include "zorvalen/ZorvalenRawResultCodes.h"

#ifdef __cplusplus
#define ZV_ENUM(name) enum class name : int
#define ZV_MEMBER(name, member) member
#define ZV_ENUM_END(name)
#else
#include <stdbool.h>
#define ZV_ENUM(name) typedef enum name
#define ZV_MEMBER(name, member) name##_##member
#define ZV_ENUM_END(name) name
#endif

/* An output the library writes through: a reference in C++, a pointer in C
 * (the same ABI). The library itself is built against the pointer form, so
 * that it can check for the null a C caller may pass. */
#if defined(__cplusplus) && !defined(ZORVALENRAW_POINTER_OUTPUTS)
#define ZV_REF(type) type&
#else
#define ZV_REF(type) type*
#endif

/* Opaque handles: each points at a library object the caller never looks
 * inside, made by a create function and released only by its destroy function. */
typedef void* CZorvalenBaseReader;
typedef void* CZorvalenBaseProcessor;
typedef void* CZorvalenParameters;
typedef void* CZorvalenRawWriter;
typedef void* CZorvalenAcquisition;
typedef void* CZorvalenSampleList;

/* Progress of a processor: the caller's opaque pointer and the percentage done. */
typedef void (*ProgressCallBack)(void* caller, ZV_REF(const int) percent);

/* Reader kinds 1 to 4, processor kinds 1, 5, 7 and 8. */
ZV_ENUM(ZorvalenBaseType) {
  ZV_MEMBER(ZorvalenBaseType, SCAN) = 1,
  ZV_MEMBER(ZorvalenBaseType, INFO) = 2,
  ZV_MEMBER(ZorvalenBaseType, CHROM) = 3,
  ZV_MEMBER(ZorvalenBaseType, ANALOG) = 4,
  ZV_MEMBER(ZorvalenBaseType, LOCKMASS) = 5,
  ZV_MEMBER(ZorvalenBaseType, DDA) = 7,
  ZV_MEMBER(ZorvalenBaseType, ELVO) = 8
} ZV_ENUM_END(ZorvalenBaseType);

/* A stored ion mode plus 100. */
ZV_ENUM(ZorvalenIonMode) {
  ZV_MEMBER(ZorvalenIonMode, EI_POS) = 100,
  ZV_MEMBER(ZorvalenIonMode, EI_NEG) = 101,
  ZV_MEMBER(ZorvalenIonMode, CI_POS) = 102,
  ZV_MEMBER(ZorvalenIonMode, CI_NEG) = 103,
  ZV_MEMBER(ZorvalenIonMode, FB_POS) = 104,
  ZV_MEMBER(ZorvalenIonMode, FB_NEG) = 105,
  ZV_MEMBER(ZorvalenIonMode, TS_POS) = 106,
  ZV_MEMBER(ZorvalenIonMode, TS_NEG) = 107,
  ZV_MEMBER(ZorvalenIonMode, ES_POS) = 108,
  ZV_MEMBER(ZorvalenIonMode, ES_NEG) = 109,
  ZV_MEMBER(ZorvalenIonMode, AI_POS) = 110,
  ZV_MEMBER(ZorvalenIonMode, AI_NEG) = 111,
  ZV_MEMBER(ZorvalenIonMode, LD_POS) = 112,
  ZV_MEMBER(ZorvalenIonMode, LD_NEG) = 113,
  ZV_MEMBER(ZorvalenIonMode, UNINITIALISED) = 199
} ZV_ENUM_END(ZorvalenIonMode);

/* A stored function (scan) type plus 200. */
ZV_ENUM(ZorvalenFunctionType) {
  ZV_MEMBER(ZorvalenFunctionType, MS) = 200,
  ZV_MEMBER(ZorvalenFunctionType, SIR) = 201,
  ZV_MEMBER(ZorvalenFunctionType, DLY) = 202,
  ZV_MEMBER(ZorvalenFunctionType, CAT) = 203,
  ZV_MEMBER(ZorvalenFunctionType, OFF) = 204,
  ZV_MEMBER(ZorvalenFunctionType, PAR) = 205,
  ZV_MEMBER(ZorvalenFunctionType, MSMS) = 206,
  ZV_MEMBER(ZorvalenFunctionType, NL) = 207,
  ZV_MEMBER(ZorvalenFunctionType, NG) = 208,
  ZV_MEMBER(ZorvalenFunctionType, MRM) = 209,
  ZV_MEMBER(ZorvalenFunctionType, Q1F) = 210,
  ZV_MEMBER(ZorvalenFunctionType, MS2) = 211,
  ZV_MEMBER(ZorvalenFunctionType, DAD) = 212,
  ZV_MEMBER(ZorvalenFunctionType, TOF) = 213,
  ZV_MEMBER(ZorvalenFunctionType, PSD) = 214,
  ZV_MEMBER(ZorvalenFunctionType, TOFS) = 215,
  ZV_MEMBER(ZorvalenFunctionType, TOFD) = 216,
  ZV_MEMBER(ZorvalenFunctionType, MTOF) = 217,
  ZV_MEMBER(ZorvalenFunctionType, TOFM) = 218,
  ZV_MEMBER(ZorvalenFunctionType, TOFP) = 219,
  ZV_MEMBER(ZorvalenFunctionType, ASVSCAN) = 220,
  ZV_MEMBER(ZorvalenFunctionType, ASMAGNET) = 221,
  ZV_MEMBER(ZorvalenFunctionType, ASVSIR) = 222,
  ZV_MEMBER(ZorvalenFunctionType, ASMAGNETSIR) = 223,
  ZV_MEMBER(ZorvalenFunctionType, QUADAUTODAU) = 224,
  ZV_MEMBER(ZorvalenFunctionType, ASBE) = 225,
  ZV_MEMBER(ZorvalenFunctionType, ASB2E) = 226,
  ZV_MEMBER(ZorvalenFunctionType, ASCNL) = 227,
  ZV_MEMBER(ZorvalenFunctionType, ASMIKES) = 228,
  ZV_MEMBER(ZorvalenFunctionType, ASMRM) = 229,
  ZV_MEMBER(ZorvalenFunctionType, ASNRMS) = 230,
  ZV_MEMBER(ZorvalenFunctionType, ASMRMQ) = 231,
  ZV_MEMBER(ZorvalenFunctionType, UNINITIALISED) = 299
} ZV_ENUM_END(ZorvalenFunctionType);

/* Header items: 300 plus the header slot. */
ZV_ENUM(ZorvalenHeaderItem) {
  ZV_MEMBER(ZorvalenHeaderItem, VERSION) = 300,
  ZV_MEMBER(ZorvalenHeaderItem, ACQUIRED_NAME) = 301,
  ZV_MEMBER(ZorvalenHeaderItem, ACQUIRED_DATE) = 302,
  ZV_MEMBER(ZorvalenHeaderItem, ACQUIRED_TIME) = 303,
  ZV_MEMBER(ZorvalenHeaderItem, JOB_CODE) = 304,
  ZV_MEMBER(ZorvalenHeaderItem, TASK_CODE) = 305,
  ZV_MEMBER(ZorvalenHeaderItem, USER_NAME) = 306,
  ZV_MEMBER(ZorvalenHeaderItem, INSTRUMENT) = 307,
  ZV_MEMBER(ZorvalenHeaderItem, CONDITIONS) = 308,
  ZV_MEMBER(ZorvalenHeaderItem, LAB_NAME) = 309,
  ZV_MEMBER(ZorvalenHeaderItem, SAMPLE_DESCRIPTION) = 310,
  ZV_MEMBER(ZorvalenHeaderItem, SOLVENT_DELAY) = 311,
  ZV_MEMBER(ZorvalenHeaderItem, SUBMITTER) = 312,
  ZV_MEMBER(ZorvalenHeaderItem, SAMPLE_ID) = 313,
  ZV_MEMBER(ZorvalenHeaderItem, BOTTLE_NUMBER) = 314,
  ZV_MEMBER(ZorvalenHeaderItem, ANALOG_CH1_OFFSET) = 315,
  ZV_MEMBER(ZorvalenHeaderItem, ANALOG_CH2_OFFSET) = 316,
  ZV_MEMBER(ZorvalenHeaderItem, ANALOG_CH3_OFFSET) = 317,
  ZV_MEMBER(ZorvalenHeaderItem, ANALOG_CH4_OFFSET) = 318,
  ZV_MEMBER(ZorvalenHeaderItem, CAL_MS1_STATIC) = 319,
  ZV_MEMBER(ZorvalenHeaderItem, CAL_MS2_STATIC) = 320,
  ZV_MEMBER(ZorvalenHeaderItem, CAL_MS1_STATIC_PARAMS) = 321,
  ZV_MEMBER(ZorvalenHeaderItem, CAL_MS1_DYNAMIC_PARAMS) = 322,
  ZV_MEMBER(ZorvalenHeaderItem, CAL_MS2_STATIC_PARAMS) = 323,
  ZV_MEMBER(ZorvalenHeaderItem, CAL_MS2_DYNAMIC_PARAMS) = 324,
  ZV_MEMBER(ZorvalenHeaderItem, CAL_MS1_FAST_PARAMS) = 325,
  ZV_MEMBER(ZorvalenHeaderItem, CAL_MS2_FAST_PARAMS) = 326,
  ZV_MEMBER(ZorvalenHeaderItem, CAL_TIME) = 327,
  ZV_MEMBER(ZorvalenHeaderItem, CAL_DATE) = 328,
  ZV_MEMBER(ZorvalenHeaderItem, CAL_TEMPERATURE) = 329,
  ZV_MEMBER(ZorvalenHeaderItem, INLET_METHOD) = 330,
  ZV_MEMBER(ZorvalenHeaderItem, SPARE1) = 331,
  ZV_MEMBER(ZorvalenHeaderItem, SPARE2) = 332,
  ZV_MEMBER(ZorvalenHeaderItem, SPARE3) = 333,
  ZV_MEMBER(ZorvalenHeaderItem, SPARE4) = 334,
  ZV_MEMBER(ZorvalenHeaderItem, SPARE5) = 335,
  ZV_MEMBER(ZorvalenHeaderItem, MS_METHOD) = 336,
  ZV_MEMBER(ZorvalenHeaderItem, INLET_PRERUN_METHOD) = 337,
  ZV_MEMBER(ZorvalenHeaderItem, INLET_POSTRUN_METHOD) = 338,
  ZV_MEMBER(ZorvalenHeaderItem, INLET_SWITCH_METHOD) = 339,
  ZV_MEMBER(ZorvalenHeaderItem, HPLC_METHOD) = 340,
  ZV_MEMBER(ZorvalenHeaderItem, TUNE_METHOD) = 341,
  ZV_MEMBER(ZorvalenHeaderItem, TESSMARK_METHOD) = 342,
  ZV_MEMBER(ZorvalenHeaderItem, REINJECTIONS) = 343,
  ZV_MEMBER(ZorvalenHeaderItem, PIC_MRM_FUNCTION) = 344,
  ZV_MEMBER(ZorvalenHeaderItem, PIC_SCAN_FUNCTION) = 345,
  ZV_MEMBER(ZorvalenHeaderItem, CORLITH_FUNC_LIST) = 346,
  ZV_MEMBER(ZorvalenHeaderItem, CALIBRATION_FILE) = 347,
  ZV_MEMBER(ZorvalenHeaderItem, ASSOCIATED_DATAFILE) = 348,
  ZV_MEMBER(ZorvalenHeaderItem, MUX_STREAM) = 349
} ZV_ENUM_END(ZorvalenHeaderItem);

/* Per-scan items: 400 plus the extended-statistics field id. Items 401 to 523
 * and 652 to 655 are valid; ids without a name have no member. */
ZV_ENUM(ZorvalenScanItem) {
  ZV_MEMBER(ZorvalenScanItem, LINEAR_DETECTOR_VOLTAGE) = 401,
  ZV_MEMBER(ZorvalenScanItem, LINEAR_SENSITIVITY) = 402,
  ZV_MEMBER(ZorvalenScanItem, REFLECTRON_LENS_VOLTAGE) = 403,
  ZV_MEMBER(ZorvalenScanItem, REFLECTRON_DETECTOR_VOLTAGE) = 404,
  ZV_MEMBER(ZorvalenScanItem, REFLECTRON_SENSITIVITY) = 405,
  ZV_MEMBER(ZorvalenScanItem, LASER_REPETITION_RATE) = 406,
  ZV_MEMBER(ZorvalenScanItem, COURSE_LASER_CONTROL) = 407,
  ZV_MEMBER(ZorvalenScanItem, FINE_LASER_CONTROL) = 408,
  ZV_MEMBER(ZorvalenScanItem, LASERAIM_XPOS) = 409,
  ZV_MEMBER(ZorvalenScanItem, LASERAIM_YPOS) = 410,
  ZV_MEMBER(ZorvalenScanItem, NUM_SHOTS_SUMMED) = 411,
  ZV_MEMBER(ZorvalenScanItem, NUM_SHOTS_PERFORMED) = 412,
  ZV_MEMBER(ZorvalenScanItem, SEGMENT_NUMBER) = 413,
  ZV_MEMBER(ZorvalenScanItem, LCMP_TFM_WELL) = 414,
  ZV_MEMBER(ZorvalenScanItem, SEGMENT_TYPE) = 415,
  ZV_MEMBER(ZorvalenScanItem, SOURCE_REGION1) = 416,
  ZV_MEMBER(ZorvalenScanItem, SOURCE_REGION2) = 417,
  ZV_MEMBER(ZorvalenScanItem, REFLECTRON_FIELD_LENGTH) = 418,
  ZV_MEMBER(ZorvalenScanItem, REFLECTRON_LENGTH) = 419,
  ZV_MEMBER(ZorvalenScanItem, REFLECTRON_VOLT) = 420,
  ZV_MEMBER(ZorvalenScanItem, SAMPLE_PLATE_VOLT) = 421,
  ZV_MEMBER(ZorvalenScanItem, REFLECTRON_FIELD_LENGTH_ALT) = 422,
  ZV_MEMBER(ZorvalenScanItem, REFLECTRON_LENGTH_ALT) = 423,
  ZV_MEMBER(ZorvalenScanItem, PSD_STEP_MAJOR) = 424,
  ZV_MEMBER(ZorvalenScanItem, PSD_STEP_MINOR) = 425,
  ZV_MEMBER(ZorvalenScanItem, PSD_FACTOR_1) = 426,
  ZV_MEMBER(ZorvalenScanItem, NEEDLE) = 450,
  ZV_MEMBER(ZorvalenScanItem, COUNTER_ELECTRODE_VOLTAGE) = 451,
  ZV_MEMBER(ZorvalenScanItem, SAMPLING_CONE_VOLTAGE) = 452,
  ZV_MEMBER(ZorvalenScanItem, SKIMMER_LENS) = 453,
  ZV_MEMBER(ZorvalenScanItem, SKIMMER) = 454,
  ZV_MEMBER(ZorvalenScanItem, PROBE_TEMPERATURE) = 455,
  ZV_MEMBER(ZorvalenScanItem, SOURCE_TEMPERATURE) = 456,
  ZV_MEMBER(ZorvalenScanItem, RF_VOLTAGE) = 457,
  ZV_MEMBER(ZorvalenScanItem, SOURCE_APERTURE) = 458,
  ZV_MEMBER(ZorvalenScanItem, SOURCE_CODE) = 459,
  ZV_MEMBER(ZorvalenScanItem, LM_RESOLUTION) = 460,
  ZV_MEMBER(ZorvalenScanItem, HM_RESOLUTION) = 461,
  ZV_MEMBER(ZorvalenScanItem, COLLISION_ENERGY) = 462,
  ZV_MEMBER(ZorvalenScanItem, ION_ENERGY) = 463,
  ZV_MEMBER(ZorvalenScanItem, MULTIPLIER1) = 464,
  ZV_MEMBER(ZorvalenScanItem, MULTIPLIER2) = 465,
  ZV_MEMBER(ZorvalenScanItem, TRANSPORTDC) = 466,
  ZV_MEMBER(ZorvalenScanItem, TOF_APERTURE) = 467,
  ZV_MEMBER(ZorvalenScanItem, ACC_VOLTAGE) = 468,
  ZV_MEMBER(ZorvalenScanItem, STEERING) = 469,
  ZV_MEMBER(ZorvalenScanItem, FOCUS) = 470,
  ZV_MEMBER(ZorvalenScanItem, ENTRANCE) = 471,
  ZV_MEMBER(ZorvalenScanItem, GUARD) = 472,
  ZV_MEMBER(ZorvalenScanItem, TOF) = 473,
  ZV_MEMBER(ZorvalenScanItem, REFLECTRON) = 474,
  ZV_MEMBER(ZorvalenScanItem, COLLISION_RF) = 475,
  ZV_MEMBER(ZorvalenScanItem, TRANSPORT_RF) = 476,
  ZV_MEMBER(ZorvalenScanItem, SET_MASS) = 477,
  ZV_MEMBER(ZorvalenScanItem, COLLISION_ENERGY2) = 478,
  ZV_MEMBER(ZorvalenScanItem, SET_MASS_CALL_SUPPORTED) = 479,
  ZV_MEMBER(ZorvalenScanItem, SET_MASS_CALIBRATED) = 480,
  ZV_MEMBER(ZorvalenScanItem, VESKO_ENABLED) = 481,
  ZV_MEMBER(ZorvalenScanItem, QUAD_START_MASS) = 482,
  ZV_MEMBER(ZorvalenScanItem, QUAD_STOP_MASS) = 483,
  ZV_MEMBER(ZorvalenScanItem, QUAD_PEAK_WIDTH) = 484,
  ZV_MEMBER(ZorvalenScanItem, REFERENCE_SCAN) = 500,
  ZV_MEMBER(ZorvalenScanItem, USE_LOCKMASS_CORRECTION) = 501,
  ZV_MEMBER(ZorvalenScanItem, LOCKMASS_CORRECTION) = 502,
  ZV_MEMBER(ZorvalenScanItem, USETEMP_CORRECTION) = 503,
  ZV_MEMBER(ZorvalenScanItem, TEMP_CORRECTION) = 504,
  ZV_MEMBER(ZorvalenScanItem, TEMP_COEFFICIENT) = 505,
  ZV_MEMBER(ZorvalenScanItem, FAIMS_COMPENSATION_VOLTAGE) = 506,
  ZV_MEMBER(ZorvalenScanItem, TIC_TRACE_A) = 507,
  ZV_MEMBER(ZorvalenScanItem, TIC_TRACE_B) = 508,
  ZV_MEMBER(ZorvalenScanItem, RAW_EE_CV) = 510,
  ZV_MEMBER(ZorvalenScanItem, RAW_EE_CE) = 511,
  ZV_MEMBER(ZorvalenScanItem, ACCURATE_MASS) = 512,
  ZV_MEMBER(ZorvalenScanItem, ACCURATE_MASS_FLAGS) = 513,
  ZV_MEMBER(ZorvalenScanItem, SCAN_ERROR_FLAG) = 514,
  ZV_MEMBER(ZorvalenScanItem, DRE_TRANSMISSION) = 515,
  ZV_MEMBER(ZorvalenScanItem, SCAN_PUSH_COUNT) = 516,
  ZV_MEMBER(ZorvalenScanItem, RAW_STAT_CORL_NORMALISATION_FACTOR) = 517,
  ZV_MEMBER(ZorvalenScanItem, MIN_DRIFT_TIME_CHANNEL) = 522,
  ZV_MEMBER(ZorvalenScanItem, MAX_DRIFT_TIME_CHANNEL) = 523,
  ZV_MEMBER(ZorvalenScanItem, TOTAL_ION_CURRENT) = 652,
  ZV_MEMBER(ZorvalenScanItem, BASE_PEAK_MASS) = 653,
  ZV_MEMBER(ZorvalenScanItem, BASE_PEAK_INTENSITY) = 654,
  ZV_MEMBER(ZorvalenScanItem, PEAKS_IN_SCAN) = 655,
  ZV_MEMBER(ZorvalenScanItem, UNINITIALISED) = 699
} ZV_ENUM_END(ZorvalenScanItem);

/* Sample-list columns (700 to 817) and current-sample items (to 826). */
ZV_ENUM(ZorvalenSampleListItem) {
  ZV_MEMBER(ZorvalenSampleListItem, FILE_NAME) = 700,
  ZV_MEMBER(ZorvalenSampleListItem, FILE_TEXT) = 701,
  ZV_MEMBER(ZorvalenSampleListItem, MS_FILE) = 702,
  ZV_MEMBER(ZorvalenSampleListItem, MS_TUNE_FILE) = 703,
  ZV_MEMBER(ZorvalenSampleListItem, INLET_FILE) = 704,
  ZV_MEMBER(ZorvalenSampleListItem, INLET_PRERUN) = 705,
  ZV_MEMBER(ZorvalenSampleListItem, INLET_POSTRUN) = 706,
  ZV_MEMBER(ZorvalenSampleListItem, INLET_SWITCH) = 707,
  ZV_MEMBER(ZorvalenSampleListItem, AUTO_FILE) = 708,
  ZV_MEMBER(ZorvalenSampleListItem, PROCESS) = 709,
  ZV_MEMBER(ZorvalenSampleListItem, PROCESS_PARAMS) = 710,
  ZV_MEMBER(ZorvalenSampleListItem, PROCESS_OPTIONS) = 711,
  ZV_MEMBER(ZorvalenSampleListItem, ACQU_PROCESS_FILE) = 712,
  ZV_MEMBER(ZorvalenSampleListItem, ACQU_PROCESS_PARAMS) = 713,
  ZV_MEMBER(ZorvalenSampleListItem, ACQU_PROCESS_OPTIONS) = 714,
  ZV_MEMBER(ZorvalenSampleListItem, PROCESS_ACTION) = 715,
  ZV_MEMBER(ZorvalenSampleListItem, SAMPLE_LOCATION) = 716,
  ZV_MEMBER(ZorvalenSampleListItem, SAMPLE_GROUP) = 717,
  ZV_MEMBER(ZorvalenSampleListItem, JOB) = 718,
  ZV_MEMBER(ZorvalenSampleListItem, TASK) = 719,
  ZV_MEMBER(ZorvalenSampleListItem, USER) = 720,
  ZV_MEMBER(ZorvalenSampleListItem, SUBMITTER) = 721,
  ZV_MEMBER(ZorvalenSampleListItem, CONDITIONS) = 722,
  ZV_MEMBER(ZorvalenSampleListItem, TYPE) = 723,
  ZV_MEMBER(ZorvalenSampleListItem, CONTROL) = 724,
  ZV_MEMBER(ZorvalenSampleListItem, ID) = 725,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_A) = 726,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_B) = 727,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_C) = 728,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_D) = 729,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_E) = 730,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_F) = 731,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_G) = 732,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_H) = 733,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_I) = 734,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_J) = 735,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_K) = 736,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_L) = 737,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_M) = 738,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_N) = 739,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_O) = 740,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_P) = 741,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_Q) = 742,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_R) = 743,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_S) = 744,
  ZV_MEMBER(ZorvalenSampleListItem, CONC_T) = 745,
  ZV_MEMBER(ZorvalenSampleListItem, WAVELENGTH_A) = 746,
  ZV_MEMBER(ZorvalenSampleListItem, WAVELENGTH_B) = 747,
  ZV_MEMBER(ZorvalenSampleListItem, WAVELENGTH_C) = 748,
  ZV_MEMBER(ZorvalenSampleListItem, WAVELENGTH_D) = 749,
  ZV_MEMBER(ZorvalenSampleListItem, WAVELENGTH_E) = 750,
  ZV_MEMBER(ZorvalenSampleListItem, WAVELENGTH_F) = 751,
  ZV_MEMBER(ZorvalenSampleListItem, WAVELENGTH_G) = 752,
  ZV_MEMBER(ZorvalenSampleListItem, WAVELENGTH_H) = 753,
  ZV_MEMBER(ZorvalenSampleListItem, WAVELENGTH_I) = 754,
  ZV_MEMBER(ZorvalenSampleListItem, WAVELENGTH_J) = 755,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_A) = 756,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_B) = 757,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_C) = 758,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_D) = 759,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_E) = 760,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_F) = 761,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_G) = 762,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_H) = 763,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_I) = 764,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_J) = 765,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_K) = 766,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_L) = 767,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_M) = 768,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_N) = 769,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_O) = 770,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_P) = 771,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_Q) = 772,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_R) = 773,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_S) = 774,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_T) = 775,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_U) = 776,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_V) = 777,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_W) = 778,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_X) = 779,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_Y) = 780,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_Z) = 781,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_AA) = 782,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_BB) = 783,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_CC) = 784,
  ZV_MEMBER(ZorvalenSampleListItem, MASS_DD) = 785,
  ZV_MEMBER(ZorvalenSampleListItem, FRACTION_FILE) = 786,
  ZV_MEMBER(ZorvalenSampleListItem, FRACTION_1) = 787,
  ZV_MEMBER(ZorvalenSampleListItem, FRACTION_2) = 788,
  ZV_MEMBER(ZorvalenSampleListItem, FRACTION_3) = 789,
  ZV_MEMBER(ZorvalenSampleListItem, FRACTION_4) = 790,
  ZV_MEMBER(ZorvalenSampleListItem, FRACTION_5) = 791,
  ZV_MEMBER(ZorvalenSampleListItem, FRACTION_6) = 792,
  ZV_MEMBER(ZorvalenSampleListItem, FRACTION_7) = 793,
  ZV_MEMBER(ZorvalenSampleListItem, FRACTION_8) = 794,
  ZV_MEMBER(ZorvalenSampleListItem, FRACTION_9) = 795,
  ZV_MEMBER(ZorvalenSampleListItem, FRACTION_10) = 796,
  ZV_MEMBER(ZorvalenSampleListItem, FRACTION_BOOLEAN_LOGIC) = 797,
  ZV_MEMBER(ZorvalenSampleListItem, FRACTION_START) = 798,
  ZV_MEMBER(ZorvalenSampleListItem, INJ_VOL) = 799,
  ZV_MEMBER(ZorvalenSampleListItem, STOCK_DIL) = 800,
  ZV_MEMBER(ZorvalenSampleListItem, USER_DIVISOR_1) = 801,
  ZV_MEMBER(ZorvalenSampleListItem, USER_FACTOR_1) = 802,
  ZV_MEMBER(ZorvalenSampleListItem, USER_FACTOR_2) = 803,
  ZV_MEMBER(ZorvalenSampleListItem, USER_FACTOR_3) = 804,
  ZV_MEMBER(ZorvalenSampleListItem, SPARE_1) = 805,
  ZV_MEMBER(ZorvalenSampleListItem, SPARE_2) = 806,
  ZV_MEMBER(ZorvalenSampleListItem, SPARE_3) = 807,
  ZV_MEMBER(ZorvalenSampleListItem, SPARE_4) = 808,
  ZV_MEMBER(ZorvalenSampleListItem, SPARE_5) = 809,
  ZV_MEMBER(ZorvalenSampleListItem, HPLC_FILE) = 810,
  ZV_MEMBER(ZorvalenSampleListItem, QUAN_REF) = 811,
  ZV_MEMBER(ZorvalenSampleListItem, AUTO_ADDITION) = 812,
  ZV_MEMBER(ZorvalenSampleListItem, MOLFILE) = 813,
  ZV_MEMBER(ZorvalenSampleListItem, SUBJECTTEXT) = 814,
  ZV_MEMBER(ZorvalenSampleListItem, SUBJECTTIME) = 815,
  ZV_MEMBER(ZorvalenSampleListItem, METH_DB) = 816,
  ZV_MEMBER(ZorvalenSampleListItem, CURVE_DB) = 817,
  ZV_MEMBER(ZorvalenSampleListItem, SUBJECT_GENDER) = 818,
  ZV_MEMBER(ZorvalenSampleListItem, SUBJECT_SPECIES) = 819,
  ZV_MEMBER(ZorvalenSampleListItem, RETENTION_TIME_OFFSET) = 820,
  ZV_MEMBER(ZorvalenSampleListItem, PREP_INJ_VOL) = 821,
  ZV_MEMBER(ZorvalenSampleListItem, QUALITY_REFERENCE) = 822,
  ZV_MEMBER(ZorvalenSampleListItem, MIT_FILE) = 823,
  ZV_MEMBER(ZorvalenSampleListItem, REINJECTIONS) = 824,
  ZV_MEMBER(ZorvalenSampleListItem, CARTRIDGE_LOCATION_1) = 825,
  ZV_MEMBER(ZorvalenSampleListItem, CARTRIDGE_LOCATION_2) = 826
} ZV_ENUM_END(ZorvalenSampleListItem);

/* Batch items of the current-sample record. */
ZV_ENUM(ZorvalenBatchItem) {
  ZV_MEMBER(ZorvalenBatchItem, SAMPLELIST_NAME) = 900,
  ZV_MEMBER(ZorvalenBatchItem, FIRST_SAMPLE) = 901,
  ZV_MEMBER(ZorvalenBatchItem, LAST_SAMPLE) = 902,
  ZV_MEMBER(ZorvalenBatchItem, CURRENT_SAMPLE) = 903,
  ZV_MEMBER(ZorvalenBatchItem, BATCH_USER_NAME) = 904
} ZV_ENUM_END(ZorvalenBatchItem);

ZV_ENUM(LockMassParameter) {
  ZV_MEMBER(LockMassParameter, MASS) = 1000,
  ZV_MEMBER(LockMassParameter, TOLERANCE) = 1001,
  ZV_MEMBER(LockMassParameter, FORCE) = 1002
} ZV_ENUM_END(LockMassParameter);

ZV_ENUM(FunctionDefinition) {
  ZV_MEMBER(FunctionDefinition, CONTINUUM) = 1100,
  ZV_MEMBER(FunctionDefinition, IONMODE) = 1101,
  ZV_MEMBER(FunctionDefinition, FUNCTIONTYPE) = 1102,
  ZV_MEMBER(FunctionDefinition, STARTMASS) = 1103,
  ZV_MEMBER(FunctionDefinition, ENDMASS) = 1104,
  ZV_MEMBER(FunctionDefinition, CDT_SCANS) = 1105,
  ZV_MEMBER(FunctionDefinition, SAMPLINGFREQUENCY) = 1106,
  ZV_MEMBER(FunctionDefinition, LTEFF) = 1107,
  ZV_MEMBER(FunctionDefinition, VEFF) = 1108,
  ZV_MEMBER(FunctionDefinition, RESOLUTION) = 1109
} ZV_ENUM_END(FunctionDefinition);

/* There is no 1202. */
ZV_ENUM(AnalogParameter) {
  ZV_MEMBER(AnalogParameter, DESCRIPTION) = 1201,
  ZV_MEMBER(AnalogParameter, UNITS) = 1203,
  ZV_MEMBER(AnalogParameter, TYPE) = 1204
} ZV_ENUM_END(AnalogParameter);

/* A value of AnalogParameter TYPE, not a key. */
ZV_ENUM(AnalogTraceType) {
  ZV_MEMBER(AnalogTraceType, ANALOG) = 1250,
  ZV_MEMBER(AnalogTraceType, ELSD) = 1251,
  ZV_MEMBER(AnalogTraceType, READBACK) = 1252
} ZV_ENUM_END(AnalogTraceType);

ZV_ENUM(PendrakeStatus) {
  ZV_MEMBER(PendrakeStatus, SAMPLELISTQUEUED) = 1300,
  ZV_MEMBER(PendrakeStatus, SAMPLELISTPROCESSED) = 1301,
  ZV_MEMBER(PendrakeStatus, SAMPLELISTFAILED) = 1302,
  ZV_MEMBER(PendrakeStatus, SAMPLELISTNOTFOUND) = 1303,
  ZV_MEMBER(PendrakeStatus, PENDRAKENOTRUNNING) = 1304,
  ZV_MEMBER(PendrakeStatus, ABORTED) = 1305,
  ZV_MEMBER(PendrakeStatus, ABORTING) = 1306,
  ZV_MEMBER(PendrakeStatus, IDLE) = 1307,
  ZV_MEMBER(PendrakeStatus, ACQUIRING) = 1308,
  ZV_MEMBER(PendrakeStatus, UNINITIALISED) = 1320
} ZV_ENUM_END(PendrakeStatus);

ZV_ENUM(PendrakeSettings) {
  ZV_MEMBER(PendrakeSettings, QUEUEFOLDER) = 1350,
  ZV_MEMBER(PendrakeSettings, PROCESSEDFOLDER) = 1351,
  ZV_MEMBER(PendrakeSettings, FAILEDFOLDER) = 1352,
  ZV_MEMBER(PendrakeSettings, STATUSFILE) = 1353,
  ZV_MEMBER(PendrakeSettings, ABORTFILE) = 1354,
  ZV_MEMBER(PendrakeSettings, BROWSERFILE) = 1355,
  ZV_MEMBER(PendrakeSettings, FILTERS) = 1356,
  ZV_MEMBER(PendrakeSettings, SCHEMENAME) = 1357,
  ZV_MEMBER(PendrakeSettings, ACQUIRE) = 1358,
  ZV_MEMBER(PendrakeSettings, CREATESUMMARY) = 1359,
  ZV_MEMBER(PendrakeSettings, PRINTREPORT) = 1360,
  ZV_MEMBER(PendrakeSettings, PROCESS) = 1361,
  ZV_MEMBER(PendrakeSettings, PROFILE) = 1362,
  ZV_MEMBER(PendrakeSettings, QUANTIFY) = 1363,
  ZV_MEMBER(PendrakeSettings, WAITBEFORESUBMIT) = 1364,
  ZV_MEMBER(PendrakeSettings, EXTERNALTIMEOUT) = 1365
} ZV_ENUM_END(PendrakeSettings);

ZV_ENUM(CentroidParameter) {
  ZV_MEMBER(CentroidParameter, RESOLUTION) = 1400
} ZV_ENUM_END(CentroidParameter);

ZV_ENUM(SmoothParameter) {
  ZV_MEMBER(SmoothParameter, NUMBER) = 1450,
  ZV_MEMBER(SmoothParameter, WIDTH) = 1451,
  ZV_MEMBER(SmoothParameter, SMOOTHTYPE) = 1452
} ZV_ENUM_END(SmoothParameter);

/* A value of SmoothParameter SMOOTHTYPE. */
ZV_ENUM(SmoothType) {
  ZV_MEMBER(SmoothType, MEAN) = 1500,
  ZV_MEMBER(SmoothType, MEDIAN) = 1501,
  ZV_MEMBER(SmoothType, SAVITZKY_GOLAY) = 1502
} ZV_ENUM_END(SmoothType);

ZV_ENUM(ThresholdParameter) {
  ZV_MEMBER(ThresholdParameter, VALUE) = 1550,
  ZV_MEMBER(ThresholdParameter, TYPE) = 1551
} ZV_ENUM_END(ThresholdParameter);

/* A value of ThresholdParameter TYPE: an intensity, or a percentage. */
ZV_ENUM(ThresholdType) {
  ZV_MEMBER(ThresholdType, ABSOLUTE_THRESHOLD) = 1600,
  ZV_MEMBER(ThresholdType, RELATIVE_THRESHOLD) = 1601
} ZV_ENUM_END(ThresholdType);

ZV_ENUM(AcquisitionParameter) {
  ZV_MEMBER(AcquisitionParameter, TYPE) = 1650,
  ZV_MEMBER(AcquisitionParameter, LOCKMASS) = 1651,
  ZV_MEMBER(AcquisitionParameter, MS1) = 1652,
  ZV_MEMBER(AcquisitionParameter, MS2) = 1653,
  ZV_MEMBER(AcquisitionParameter, PRECURSOR_MASS_START) = 1654,
  ZV_MEMBER(AcquisitionParameter, PRECURSOR_MASS_END) = 1655,
  ZV_MEMBER(AcquisitionParameter, FUNCTIONS) = 1656,
  ZV_MEMBER(AcquisitionParameter, SAMPLINGFREQUENCY) = 1657,
  ZV_MEMBER(AcquisitionParameter, LTEFF) = 1658,
  ZV_MEMBER(AcquisitionParameter, VEFF) = 1659,
  ZV_MEMBER(AcquisitionParameter, RESOLUTION) = 1660
} ZV_ENUM_END(AcquisitionParameter);

/* Data-dependent, alternating-energy, their ion-mobility variants and
 * scanning-quadrupole acquisitions. */
ZV_ENUM(ZorvalenAcquisitionType) {
  ZV_MEMBER(ZorvalenAcquisitionType, DDA) = 1700,
  ZV_MEMBER(ZorvalenAcquisitionType, ELVO) = 1701,
  ZV_MEMBER(ZorvalenAcquisitionType, HDDDA) = 1702,
  ZV_MEMBER(ZorvalenAcquisitionType, HDELVO) = 1703,
  ZV_MEMBER(ZorvalenAcquisitionType, VESKO) = 1704,
  ZV_MEMBER(ZorvalenAcquisitionType, UNKNOWN) = 1748,
  ZV_MEMBER(ZorvalenAcquisitionType, UNINITIALISED) = 1749
} ZV_ENUM_END(ZorvalenAcquisitionType);

ZV_ENUM(ZorvalenStatusType) {
  ZV_MEMBER(ZorvalenStatusType, MS_OPERATE) = 1750,
  ZV_MEMBER(ZorvalenStatusType, MS_STATUS) = 1751,
  ZV_MEMBER(ZorvalenStatusType, MS_READY) = 1752,
  ZV_MEMBER(ZorvalenStatusType, LC_STATUS) = 1753,
  ZV_MEMBER(ZorvalenStatusType, LC_READY) = 1754,
  ZV_MEMBER(ZorvalenStatusType, FLOW_A) = 1755,
  ZV_MEMBER(ZorvalenStatusType, FLOW_B) = 1756,
  ZV_MEMBER(ZorvalenStatusType, FLOW_C) = 1757,
  ZV_MEMBER(ZorvalenStatusType, FLOW_D) = 1758,
  ZV_MEMBER(ZorvalenStatusType, FLOW_RATE) = 1759,
  ZV_MEMBER(ZorvalenStatusType, QUEUE_PAUSED) = 1760,
  ZV_MEMBER(ZorvalenStatusType, QUEUE_RUNNING) = 1761,
  ZV_MEMBER(ZorvalenStatusType, QUEUE) = 1762,
  ZV_MEMBER(ZorvalenStatusType, QUEUE_COUNT) = 1763,
  ZV_MEMBER(ZorvalenStatusType, DISK_DRIVE) = 1764,
  ZV_MEMBER(ZorvalenStatusType, DISK_SPACE) = 1765,
  ZV_MEMBER(ZorvalenStatusType, TIME_STAMP) = 1766
} ZV_ENUM_END(ZorvalenStatusType);

ZV_ENUM(ZorvalenDDAIndexDetail) {
  ZV_MEMBER(ZorvalenDDAIndexDetail, RT) = 1800,
  ZV_MEMBER(ZorvalenDDAIndexDetail, FUNCTION) = 1801,
  ZV_MEMBER(ZorvalenDDAIndexDetail, START_SCAN) = 1802,
  ZV_MEMBER(ZorvalenDDAIndexDetail, END_SCAN) = 1803,
  ZV_MEMBER(ZorvalenDDAIndexDetail, SCAN_TYPE) = 1804,
  ZV_MEMBER(ZorvalenDDAIndexDetail, SET_MASS) = 1805,
  ZV_MEMBER(ZorvalenDDAIndexDetail, PRECURSOR_MASS) = 1806
} ZV_ENUM_END(ZorvalenDDAIndexDetail);

/* First-stage (survey) or second-stage (fragment) scan. */
ZV_ENUM(ZorvalenScanType) {
  ZV_MEMBER(ZorvalenScanType, MS1) = 1850,
  ZV_MEMBER(ZorvalenScanType, MS2) = 1851,
  ZV_MEMBER(ZorvalenScanType, UNINITIALISED) = 1859
} ZV_ENUM_END(ZorvalenScanType);

ZV_ENUM(DDAIsolationWindowParameter) {
  ZV_MEMBER(DDAIsolationWindowParameter, LOWEROFFSET) = 1900,
  ZV_MEMBER(DDAIsolationWindowParameter, UPPEROFFSET) = 1901
} ZV_ENUM_END(DDAIsolationWindowParameter);

ZV_ENUM(DDAParameter) {
  ZV_MEMBER(DDAParameter, CENTROID) = 1950
} ZV_ENUM_END(DDAParameter);

/* Adaptive background subtraction: one sub-bin's intensity quantile at a
 * nominal mass (mass / 1.0005, rounded). compareQuanAscending orders them. */
typedef struct MassQuan {
  int mass;
  double quantile;
} MassQuan;

#undef ZV_ENUM
#undef ZV_MEMBER
#undef ZV_ENUM_END

#endif
