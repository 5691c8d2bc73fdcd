/* Export marking shared by the public Pixmend headers.
 * Everything in an application library is hidden unless declared with PIXMEND_API. */
#ifndef PIXMEND_EXPORT_H
#define PIXMEND_EXPORT_H

#if defined(__GNUC__) || defined(__clang__)
#define PIXMEND_API __attribute__((visibility("default")))
#else
#define PIXMEND_API
#endif

#ifdef __cplusplus
#define PIXMEND_BEGIN_C extern "C" {
#define PIXMEND_END_C }
#else
#define PIXMEND_BEGIN_C
#define PIXMEND_END_C
#endif

#endif
