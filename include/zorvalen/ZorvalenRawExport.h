/* Marks the functions of the C interface; everything else in the library is hidden. */
#ifndef ZORVALEN_RAW_EXPORT_H
#define ZORVALEN_RAW_EXPORT_H

#if defined(ZORVALENRAW_BUILDING)
#define ZV_EXPORT __attribute__((visibility("default")))
#else
#define ZV_EXPORT
#endif

#ifdef __cplusplus
#define ZV_EXTERN_C extern "C"
#else
#define ZV_EXTERN_C
#endif

#define ZV_API ZV_EXTERN_C ZV_EXPORT

#endif
