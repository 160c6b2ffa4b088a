/* SPDX-License-Identifier: Apache-2.0 */
/* KERNEL32 services of the POSIX platform layer. */
#ifndef KMX_KERNEL32_H
#define KMX_KERNEL32_H

#include "kmx_platform_api.h"
#include "kmx_win_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Suspends the thread for the given milliseconds; 0 only yields. */
KMX_PLATFORM_API void Sleep(DWORD milliseconds)
    __asm__("kmx_platform_Sleep");

#ifdef __cplusplus
}
#endif

#endif
