/* SPDX-License-Identifier: Apache-2.0 */
/* USER32 services of the POSIX platform layer. */
#ifndef KMX_USER32_H
#define KMX_USER32_H

#include "kmx_platform_api.h"
#include "kmx_win_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The key's state: bit 15 set while the key is down (see
 * kmx_platform_set_key_down). */
KMX_PLATFORM_API SHORT GetAsyncKeyState(int virtual_key)
    __asm__("kmx_platform_GetAsyncKeyState");

/* A device context drawing into the window's surface; GetDC(NULL) gives a
 * DC of the screen. Release it with ReleaseDC. */
KMX_PLATFORM_API HDC GetDC(HWND hWnd)
    __asm__("kmx_platform_GetDC");
/* 1 when the DC was the window's and is released, 0 otherwise. */
KMX_PLATFORM_API int ReleaseDC(HWND hWnd, HDC hDC)
    __asm__("kmx_platform_ReleaseDC");

KMX_PLATFORM_API BOOL SetRect(RECT* rect, int left, int top, int right, int bottom)
    __asm__("kmx_platform_SetRect");

#ifdef __cplusplus
}
#endif

#endif
