/* Result codes of every libZorvalenRaw call: 0 is success, any other value
 * names one condition. The numbers are stored and compared by callers: never
 * renumber them or reuse one for another condition. Each code's comment is
 * the text getErrorMessage gives for it. */
#ifndef ZORVALEN_RAW_RESULT_CODES_H
#define ZORVALEN_RAW_RESULT_CODES_H

#define ZVRAW_BASE 0                                    /* the first code */
#define ZVRAW_OK 0                                      /* "" */
#define ZVRAW_ERROR 1                                   /* "Generic Error" */
#define ZVRAW_DATA_NULL 2                               /* "Internal Null Address Error" */
#define ZVRAW_DATA_TOO_FEW_POINTS 3                     /* "To few data points" */
#define ZVRAW_FILENAME_ERROR 4                          /* "File Name Error" */
#define ZVRAW_FILEOPEN_ERROR 5                          /* "File Open Error" */
#define ZVRAW_HEADERFILE_FILEOPEN_ERROR 6               /* "Header File Open Error" */
#define ZVRAW_HEADERFILE_READERROR 7                    /* "Header File Read Error" */
#define ZVRAW_FILESEEK_ERROR 8                          /* "File Seek Error" */
#define ZVRAW_FILEREAD_ERROR 9                          /* "File Read Error" */
#define ZVRAW_FILEWRITE_ERROR 10                        /* "File Write Error" */
#define ZVRAW_HEADERLINE_NOTAG 11                       /* "Header File Line Format Error" */
#define ZVRAW_HEADERLINE_BADFORMAT 12                   /* "Header File Line Format Error" */
#define ZVRAW_HEADERLINE_NOTPARSED 13                   /* "Header File Parsing Error" */
#define ZVRAW_FUNCNUM_INVALID 14                        /* "Invalid Function Number" */
#define ZVRAW_SEGMENT_INVALID 15                        /* "Invalid Segment Number" */
#define ZVRAW_SCANNUM_INVALID 16                        /* "Invalid Scan Number" */
#define ZVRAW_SCANRANGE_INVALID 17                      /* "Invalid Scan Range" */
#define ZVRAW_RETENTIONTIME_INVALID 18                  /* "Invalid Retention Time" */
#define ZVRAW_DATACLUSTER_INVALID 19                    /* "Invalid Raw Data File" */
#define ZVRAW_FUNCTIONTYPE_UNSUPPORTED 20               /* "Unsupported Function Type" */
#define ZVRAW_DESCRIPTORFILE_READERROR 21               /* "Descriptor File Read Error" */
#define ZVRAW_DESCRIPTORFILE_WRITEERROR 22              /* "Descriptor File Write Error" */
#define ZVRAW_DATALOAD_ABORTED 23                       /* "Data Loading Aborted" */
#define ZVRAW_DATATYPE_UNSUPPORTED 24                   /* "Unsupported Data Type" */
#define ZVRAW_SCANINDICES_INVALID 25                    /* "Invalid Scan Index file" */
#define ZVRAW_FILEPOINTER_INVALID 26                    /* "File Pointer Null Error" */
#define ZVRAW_FUNCTIONTYPE_INVALID 27                   /* "Invalid Function Type" */
#define ZVRAW_IONMODE_INVALID 28                        /* "Invalid Ion Mode" */
#define ZVRAW_SCANBUFFERALLOC_ERROR 29                  /* "Scan buffer memory allocation Error" */
#define ZVRAW_SCANREAD_ERROR 30                         /* "Scan Read Error" */
#define ZVRAW_SCANMEMALLOC_ERROR 31                     /* "Scan Buffer memory allocation Error" */
#define ZVRAW_NULLPOINTER_ERROR 32                      /* "Internal Null Pointer Error" */
#define ZVRAW_BUFFERSIZE_ERROR 33                       /* "Invalid Buffer Size" */
#define ZVRAW_STRING_TOO_LONG 34                        /* "String To Long" */
#define ZVRAW_DATACLUSTER_NOTLOADED 35                  /* "Data Cluster Not loaded" */
#define ZVRAW_GENERIC_ERROR 36                          /* "Unknown Generic Error" */
#define ZVRAW_INTERFACE_INVALID 37                      /* "Invalid Interface" */
#define ZVRAW_COMPRESSED_DATA_ERROR 38                  /* "Compressed Data Error" */
#define ZVRAW_SCANSTATS_INVALID 39                      /* "Invalid Scan Statistics" */
#define ZVRAW_SCANSTATS_FIELD_INVALID 40                /* "Invalid Stats Field" */
#define ZVRAW_FILEREAD_EOFERROR 41                      /* "EOF File Read Error" */
#define ZVRAW_SCANREAD_EOFERROR 42                      /* "EOF Scan File Read Error" */
#define ZVRAW_SCANWRITE_ERROR 43                        /* "Scan Write Error" */
#define ZVRAW_SCANINDICESALLOC_ERROR 44                 /* "Scan Indices Memory Allocation Error" */
#define ZVRAW_MEMALLOC_ERROR 45                         /* "Memory Allocation Error" */
#define ZVRAW_STATSFILE_FILEREADOPEN_ERROR 46           /* "Extended Stats File Open For Read Error" */
#define ZVRAW_STATSFILE_FILEWRITEOPEN_ERROR 47          /* "Extended Stats File Open For Write Error" */
#define ZVRAW_SCAN_CORRUPT_ERROR 48                     /* "Scan Contains corrupt data" */
#define ZVRAW_SCANBUFFER_SIZE_ERROR 49                  /* "Scan buffer is of incorrect size" */
#define ZVRAW_SCANFLAGS_UNSUPPORTED 50                  /* "Data does not support scan flags" */
#define ZVRAW_FUNCTION_NOTLOADED 51                     /* "Function not loaded" */
#define ZVRAW_EXTENDEDSTATS_NOTSET 52                   /* "Extended Stats not set" */
#define ZVRAW_FILENAME_EMPTY 53                         /* "File name empty" */
#define ZVRAW_LOCKMASS_CORRECTION_UNSUPPORTED 54        /* "Lock mass correction not supported" */
#define ZVRAW_DRIFTNUM_INVALID 55                       /* "Invalid drift scan number" */
#define ZVRAW_PARAMETER_NOT_DEFINED 56                  /* "Parameter not defined" */
#define ZVRAW_PARAMETER_INVALID 57                      /* "Parameter invalid" */
#define ZVRAW_PARAMETER_MISSING 58                      /* "Parameter missing" */
#define ZVRAW_READER_NOT_DEFINED 59                     /* "Zorvalen reader type not valid" */
#define ZVRAW_PROCESSOR_NOT_DEFINED 60                  /* "Zorvalen processor type not valid" */
#define ZVRAW_PRODUCTSCAN_INVALID 61                    /* "Product scans not supported" */
#define ZVRAW_LOCKMASS_CORRECTION_NOT_APPLIED 62        /* "Lock mass correction not applied" */
#define ZVRAW_VESKO_CALIBRATION_INVALID 63              /* "Invalid vesko calibration" */
#define ZVRAW_VESKO_RANGE_INVALID 64                    /* "Invalid bin range" */
#define ZVRAW_DDA_INDEX_INVALID 65                      /* "Invalid DDA index" */
#define ZVRAW_MOBILITY_CALIBRATION_INVALID 66           /* "Invalid mobility calibration" */
#define ZVRAW_CENTROID_NO_CONTINUUM 67                  /* "No continuum functions" */
#define ZVRAW_WRITER_FUNCTIONTYPE_NOTSUPPORTED 68       /* "Function type not suported by writer" */
#define ZVRAW_WRITER_CDT_ADD_SCAN_ERROR 69              /* "Can not add scan to CDT function" */
#define ZVRAW_WRITER_CDT_NO_FUNCTION 70                 /* "No CTD function to apend scan data" */
#define ZVRAW_EXTERNFILE_FILEOPEN_ERROR 71              /* "Unknown Code" (no text of its own) */
#define ZVRAW_SCANSIZELENGTH_ERROR 72                   /* "Unknown Code" (no text of its own) */
#define ZVRAW_TRANSFER_RF_NOT_DEFINED 73                /* "Transfer RF not defined" */
#define ZVRAW_MASS_RANGE_INVALID 74                     /* "Invalid mass range" */
#define ZVRAW_SCAN_STAT_NOTSUPPORTED 75                 /* "Unsupported scan stat" */
#define ZVRAW_LOCKMASS_MULTIPLE_REFERENCE_COMPOUND_MATCH 76 /* "More than one reference compound matched" */
#define ZVRAW_INCORRECT_ACQUISITION_TYPE 77             /* "Incorrect acquisition type" */
#define ZVRAW_INIFILE_OPEN_ERROR 78                     /* "Can not open ini file" */
#define ZVRAW_NULL_PARAMETERS 79                        /* "Supplied parameter NULL" */
#define ZVRAW_DRIFTRANGE_INVALID 80                     /* "Invalid drift range" */

#endif
