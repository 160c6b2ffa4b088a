/* SPDX-License-Identifier: Apache-2.0 */
/* The Windows types and constants the platform layer and the library's
 * own code use, beyond those of the public signatures
 * (kmxcore/win_types.h), with their Windows sizes on every target. */
#ifndef KMX_WIN_TYPES_H
#define KMX_WIN_TYPES_H

#include <stdint.h>

#include "kmxcore/win_types.h"

typedef int32_t BOOL;
typedef uint32_t UINT;
typedef int32_t INT;
typedef int16_t SHORT;
typedef uint32_t COLORREF;
typedef uintptr_t ULONG_PTR;
typedef void* HANDLE;
typedef void* LPVOID;
typedef void VOID;
/* Any GDI object, as Windows declares it even with STRICT: every handle
 * type below converts to it implicitly. */
typedef void* HGDIOBJ;

/* GDI handles beyond those of the public signatures: distinct pointer
 * types, as with STRICT on Windows. */
typedef struct kmx_hpen__* HPEN;
typedef struct kmx_hbrush__* HBRUSH;

#ifndef FALSE
#  define FALSE 0
#endif
#ifndef TRUE
#  define TRUE 1
#endif

typedef RECT* LPRECT;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *LPPOINT;

typedef struct tagLOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
} LOGBRUSH;

typedef struct tagPALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY;

typedef struct tagLOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

#ifdef __cplusplus
static_assert(sizeof(PALETTEENTRY) == 4, "PALETTEENTRY is four bytes");
#endif

enum {
    VK_ESCAPE = 0x1B,
    BI_RGB = 0,
    BI_BITFIELDS = 3,
    DIB_RGB_COLORS = 0,
    DIB_PAL_COLORS = 1,
    R2_BLACK = 1,
    R2_NOTMERGEPEN = 2,
    R2_MASKNOTPEN = 3,
    R2_NOTCOPYPEN = 4,
    R2_MASKPENNOT = 5,
    R2_NOT = 6,
    R2_XORPEN = 7,
    R2_NOTMASKPEN = 8,
    R2_MASKPEN = 9,
    R2_NOTXORPEN = 10,
    R2_NOP = 11,
    R2_MERGENOTPEN = 12,
    R2_COPYPEN = 13,
    R2_MERGEPENNOT = 14,
    R2_MERGEPEN = 15,
    R2_WHITE = 16,
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
    PS_INSIDEFRAME = 6,
    PS_USERSTYLE = 7,
    PS_ALTERNATE = 8,
    PS_STYLE_MASK = 0x0000000F,
    PS_ENDCAP_ROUND = 0,
    PS_ENDCAP_SQUARE = 0x00000100,
    PS_ENDCAP_FLAT = 0x00000200,
    PS_ENDCAP_MASK = 0x00000F00,
    PS_JOIN_ROUND = 0,
    PS_JOIN_BEVEL = 0x00001000,
    PS_JOIN_MITER = 0x00002000,
    PS_JOIN_MASK = 0x0000F000,
    PS_COSMETIC = 0,
    PS_GEOMETRIC = 0x00010000,
    PS_TYPE_MASK = 0x000F0000,
    BS_SOLID = 0,
    BS_NULL = 1,
    BS_HOLLOW = 1,
    BS_HATCHED = 2,
    BS_PATTERN = 3,
    WHITE_BRUSH = 0,
    LTGRAY_BRUSH = 1,
    GRAY_BRUSH = 2,
    DKGRAY_BRUSH = 3,
    BLACK_BRUSH = 4,
    NULL_BRUSH = 5,
    HOLLOW_BRUSH = 5,
    WHITE_PEN = 6,
    BLACK_PEN = 7,
    NULL_PEN = 8,
    DEFAULT_PALETTE = 15
};

#define SRCCOPY ((DWORD)0x00CC0020)
/* Failure result of GetPixel and of the colour calls. */
#define CLR_INVALID ((COLORREF)0xFFFFFFFF)
/* Failure result of RealizePalette and the other UINT GDI calls. */
#define GDI_ERROR ((UINT)0xFFFFFFFF)
/* A colour value as Windows builds it: red in the low byte. */
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r)) | (((WORD)((BYTE)(g))) << 8) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(rgb) ((BYTE)(rgb))
#define GetGValue(rgb) ((BYTE)(((WORD)(rgb)) >> 8))
#define GetBValue(rgb) ((BYTE)((rgb) >> 16))

#endif /* KMX_WIN_TYPES_H */
