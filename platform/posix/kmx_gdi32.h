/* SPDX-License-Identifier: Apache-2.0 */
/* GDI32 services of the POSIX platform layer: a software GDI on real
 * pixels, declared with the Win32 signatures.
 *
 * Device contexts are memory DCs (CreateCompatibleDC) drawing into the DIB
 * section selected into them, or window DCs (GetDC) drawing into a
 * window's off-screen surface. Every handle is looked up in a registry of
 * live objects; a null, stale or wrong-kind handle makes the call fail
 * with the Win32 failure value and is never dereferenced.
 *
 * What is drawn, and how:
 * - DIB sections of 8 (with a colour table), 24 and 32 bits, top-down or
 *   bottom-up, rows padded to 4 bytes, pixels zeroed on creation.
 * - Pens: solid of any width (wider than 1: round caps, each covered pixel
 *   painted once), null pens, and geometric pens whose BS_PATTERN brush
 *   tiles the pen's pixels from the device origin. Dash styles draw solid.
 * - All sixteen binary raster operations of SetROP2. On an 8-bit
 *   destination a colour first maps to the nearest colour-table entry and
 *   the operation works on the index bits.
 * - LineTo leaves out the last pixel of a 1-pixel line; Arc draws the
 *   counter-clockwise arc between the two radials, the whole ellipse when
 *   they coincide; Rectangle fills [left, right - 1) x [top, bottom - 1)
 *   with the brush and strokes the outline through its corner pixels.
 * - StretchDIBits (SRCCOPY, nearest neighbour) takes ySrc counted from the
 *   bottom row of the source, for top-down and bottom-up DIBs alike.
 * - Palettes are accepted and have no effect on drawing.
 */
#ifndef KMX_GDI32_H
#define KMX_GDI32_H

#include "kmx_platform_api.h"
#include "kmx_win_types.h"

#ifdef __cplusplus
extern "C" {
#endif

KMX_PLATFORM_API HDC CreateCompatibleDC(HDC hdc)
    __asm__("kmx_platform_CreateCompatibleDC");
KMX_PLATFORM_API BOOL DeleteDC(HDC hdc)
    __asm__("kmx_platform_DeleteDC");
KMX_PLATFORM_API HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage,
                                          VOID** ppvBits, HANDLE hSection, DWORD offset)
    __asm__("kmx_platform_CreateDIBSection");
KMX_PLATFORM_API HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
    __asm__("kmx_platform_SelectObject");
KMX_PLATFORM_API BOOL DeleteObject(HGDIOBJ ho)
    __asm__("kmx_platform_DeleteObject");
KMX_PLATFORM_API HGDIOBJ GetStockObject(int i)
    __asm__("kmx_platform_GetStockObject");
KMX_PLATFORM_API HPEN CreatePen(int iStyle, int cWidth, COLORREF color)
    __asm__("kmx_platform_CreatePen");
KMX_PLATFORM_API HPEN ExtCreatePen(DWORD iPenStyle, DWORD cWidth, const LOGBRUSH* plbrush,
                                   DWORD cStyle, const DWORD* pstyle)
    __asm__("kmx_platform_ExtCreatePen");
KMX_PLATFORM_API HBRUSH CreateSolidBrush(COLORREF color)
    __asm__("kmx_platform_CreateSolidBrush");
KMX_PLATFORM_API HPALETTE CreatePalette(const LOGPALETTE* plpal)
    __asm__("kmx_platform_CreatePalette");
KMX_PLATFORM_API int SetROP2(HDC hdc, int rop2)
    __asm__("kmx_platform_SetROP2");
KMX_PLATFORM_API BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt)
    __asm__("kmx_platform_MoveToEx");
KMX_PLATFORM_API BOOL LineTo(HDC hdc, int x, int y)
    __asm__("kmx_platform_LineTo");
KMX_PLATFORM_API BOOL Arc(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4,
                          int y4)
    __asm__("kmx_platform_Arc");
KMX_PLATFORM_API BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
    __asm__("kmx_platform_Rectangle");
KMX_PLATFORM_API int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth,
                                   int DestHeight, int xSrc, int ySrc, int SrcWidth,
                                   int SrcHeight, const VOID* lpBits,
                                   const BITMAPINFO* lpbmi, UINT iUsage, DWORD rop)
    __asm__("kmx_platform_StretchDIBits");
KMX_PLATFORM_API BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1,
                             int y1, DWORD rop)
    __asm__("kmx_platform_BitBlt");
KMX_PLATFORM_API COLORREF GetPixel(HDC hdc, int x, int y)
    __asm__("kmx_platform_GetPixel");
KMX_PLATFORM_API int SaveDC(HDC hdc)
    __asm__("kmx_platform_SaveDC");
KMX_PLATFORM_API BOOL RestoreDC(HDC hdc, int nSavedDC)
    __asm__("kmx_platform_RestoreDC");
KMX_PLATFORM_API BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
    __asm__("kmx_platform_SetWindowOrgEx");
KMX_PLATFORM_API HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd)
    __asm__("kmx_platform_SelectPalette");
KMX_PLATFORM_API UINT RealizePalette(HDC hdc)
    __asm__("kmx_platform_RealizePalette");
KMX_PLATFORM_API BOOL GdiFlush(void)
    __asm__("kmx_platform_GdiFlush");

#ifdef __cplusplus
}
#endif

#endif
