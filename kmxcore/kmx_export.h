/* SPDX-License-Identifier: Apache-2.0 */
/**
 * @file kmx_export.h
 * @brief Export markers of kmxcore's classes and C functions.
 *
 * Everything without a marker stays inside the library. The list of
 * exported names itself is kept in one place in the sources (the linker
 * hides whatever it does not name); the markers only say which
 * declarations may be exported.
 */
#ifndef KMX_EXPORT_H
#define KMX_EXPORT_H

/** @def KMX_CORE_API
 *  The export marker of kmxcore's classes: exported from the library that
 *  is being built, imported by its users. */
#if defined(_WIN32)
#  if defined(KMX_CORE_BUILDING)
#    define KMX_CORE_API __declspec(dllexport)
#  else
#    define KMX_CORE_API __declspec(dllimport)
#  endif
#else
#  define KMX_CORE_API __attribute__((visibility("default")))
#endif

/** The marker of the C entry points: the same as the classes'. */
#define KMX_C_API KMX_CORE_API

#endif
