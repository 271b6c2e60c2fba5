/* Export and linkage macros shared by every public portkit header. */
#ifndef PORTKIT_EXPORT_H
#define PORTKIT_EXPORT_H

#if defined(_WIN32)
#if defined(PORTKIT_STATIC)
#define PORTKIT_API
#elif defined(PORTKIT_BUILDING_LIBRARY)
#define PORTKIT_API __declspec(dllexport)
#else
#define PORTKIT_API __declspec(dllimport)
#endif
#else
#define PORTKIT_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define PORTKIT_BEGIN_DECLS extern "C" {
#define PORTKIT_END_DECLS }
#else
#define PORTKIT_BEGIN_DECLS
#define PORTKIT_END_DECLS
#endif

#endif
