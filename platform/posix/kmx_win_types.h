/* Windows types and constants used by the library, with their Windows
 * sizes on every target: LONG and DWORD are 32 bits even on LP64. */
#ifndef KMX_WIN_TYPES_H
#define KMX_WIN_TYPES_H

#include <stdint.h>

typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef int32_t INT;
typedef int16_t SHORT;
typedef uint32_t COLORREF;
typedef uintptr_t ULONG_PTR;
typedef void* HANDLE;
typedef void* LPVOID;

/* GDI and USER handles: distinct pointer types, as with STRICT on Windows. */
typedef struct kmx_hdc__* HDC;
typedef struct kmx_hgdiobj__* HGDIOBJ;
typedef struct kmx_hbitmap__* HBITMAP;
typedef struct kmx_hpen__* HPEN;
typedef struct kmx_hbrush__* HBRUSH;
typedef struct kmx_hpalette__* HPALETTE;
typedef struct kmx_hwnd__* HWND;

#ifndef FALSE
#  define FALSE 0
#endif
#ifndef TRUE
#  define TRUE 1
#endif

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *LPPOINT;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO;

typedef struct tagLOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
} LOGBRUSH;

#ifdef __cplusplus
static_assert(sizeof(RECT) == 16, "RECT is four 32-bit values");
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD is four bytes");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");
#endif

enum {
    VK_ESCAPE = 0x1B,
    BI_RGB = 0,
    DIB_RGB_COLORS = 0,
    R2_BLACK = 1,
    R2_NOT = 6,
    R2_XORPEN = 7,
    R2_COPYPEN = 13,
    PS_SOLID = 0,
    PS_ENDCAP_ROUND = 0,
    PS_JOIN_ROUND = 0,
    PS_GEOMETRIC = 0x00010000,
    BS_SOLID = 0,
    BS_PATTERN = 3,
    WHITE_BRUSH = 0,
    BLACK_BRUSH = 4,
    NULL_BRUSH = 5,
    WHITE_PEN = 6,
    BLACK_PEN = 7
};

#define SRCCOPY ((DWORD)0x00CC0020)

#endif /* KMX_WIN_TYPES_H */
