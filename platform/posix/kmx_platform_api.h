/* SPDX-License-Identifier: Apache-2.0 */
/* Export marker of the POSIX platform layer (a shared library, like the
 * system DLLs it stands in for, so every module sees one key state and one
 * set of GDI objects). */
#ifndef KMX_PLATFORM_API_H
#define KMX_PLATFORM_API_H

#define KMX_PLATFORM_API __attribute__((visibility("default")))

#endif
