// SPDX-License-Identifier: Apache-2.0
// Export marker for the classes and C functions of kmxcore. Everything
// without it stays inside the library.
#ifndef KMX_EXPORT_H
#define KMX_EXPORT_H

#if defined(_WIN32)
#  if defined(KMX_CORE_BUILDING)
#    define KMX_CORE_API __declspec(dllexport)
#  else
#    define KMX_CORE_API __declspec(dllimport)
#  endif
#else
#  define KMX_CORE_API __attribute__((visibility("default")))
#endif

#endif
