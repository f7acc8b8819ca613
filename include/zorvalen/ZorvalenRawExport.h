/* Marks the functions of the C interface; everything else in the library is hidden. */
#ifndef ZORVALEN_RAW_EXPORT_H
#define ZORVALEN_RAW_EXPORT_H

/* Standard attributes in C++, so that they may follow extern "C" and precede
 * ZV_RESULT_USED in either compiler. */
#if defined(ZORVALENRAW_BUILDING) && defined(__cplusplus)
#define ZV_EXPORT [[gnu::visibility("default")]]
#elif defined(ZORVALENRAW_BUILDING)
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

/* The compiler warns when a caller ignores the result code: [[nodiscard]]
 * where the language has it (C++17, C23), else the GNU attribute. A (void)
 * cast silences the warning, except GCC's for the GNU attribute (C before
 * C23, C++ before C++17). */
#if defined(__cplusplus) && __cplusplus >= 201703L
#define ZV_RESULT_USED [[nodiscard]]
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ > 201710L && defined(__has_c_attribute)
#if __has_c_attribute(nodiscard)
#define ZV_RESULT_USED [[nodiscard]]
#endif
#endif
#if !defined(ZV_RESULT_USED) && defined(__GNUC__)
#define ZV_RESULT_USED __attribute__((warn_unused_result))
#elif !defined(ZV_RESULT_USED)
#define ZV_RESULT_USED
#endif

#endif
