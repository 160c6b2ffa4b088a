/* SPDX-License-Identifier: Apache-2.0 */
/**
 * @file win_types.h
 * @brief The Windows types that appear in kmxcore's signatures.
 *
 * Rectangles, device contexts, windows, palettes and bitmap headers are
 * part of the classes' interface. On Windows they are the system's own
 * (from `<windows.h>`). Elsewhere this header defines them with the
 * Windows layouts (LONG and DWORD are 32 bits even on LP64 targets) and
 * nothing else: no function of the drawing layer is declared here.
 */
#ifndef KMXCORE_WIN_TYPES_H
#define KMXCORE_WIN_TYPES_H

#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#else

#include <stdint.h>

/** An unsigned 8-bit value. */
typedef uint8_t BYTE;
/** An unsigned 16-bit value. */
typedef uint16_t WORD;
/** An unsigned 32-bit value. */
typedef uint32_t DWORD;
/** A signed 32-bit value. */
typedef int32_t LONG;

/** A device context: where drawing goes. */
typedef struct kmx_hdc__* HDC;
/** A bitmap, as a pattern for the overlay pens. */
typedef struct kmx_hbitmap__* HBITMAP;
/** A colour palette. */
typedef struct kmx_hpalette__* HPALETTE;
/** A window. */
typedef struct kmx_hwnd__* HWND;

/** A rectangle: left and top inclusive, right and bottom exclusive. */
typedef struct tagRECT {
    LONG left;   /**< first column */
    LONG top;    /**< first row */
    LONG right;  /**< one past the last column */
    LONG bottom; /**< one past the last row */
} RECT;

/** One colour-table entry of a bitmap header. */
typedef struct tagRGBQUAD {
    BYTE rgbBlue;     /**< blue intensity */
    BYTE rgbGreen;    /**< green intensity */
    BYTE rgbRed;      /**< red intensity */
    BYTE rgbReserved; /**< zero */
} RGBQUAD;

/** The 40-byte header of a device-independent bitmap. */
typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;         /**< bytes of this header: 40 */
    LONG biWidth;         /**< pixels per row */
    LONG biHeight;        /**< rows; negative for top-down bitmaps */
    WORD biPlanes;        /**< 1 */
    WORD biBitCount;      /**< bits per pixel */
    DWORD biCompression;  /**< BI_RGB (0) or BI_BITFIELDS (3) */
    DWORD biSizeImage;    /**< bytes of the pixels, or 0 */
    LONG biXPelsPerMeter; /**< horizontal resolution */
    LONG biYPelsPerMeter; /**< vertical resolution */
    DWORD biClrUsed;      /**< colour-table entries in use */
    DWORD biClrImportant; /**< colour-table entries needed to show the picture */
} BITMAPINFOHEADER;

/** A bitmap header followed by its colour table (or colour masks). */
typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader; /**< the header */
    RGBQUAD bmiColors[1];       /**< the first of the table's entries */
} BITMAPINFO;

#ifdef __cplusplus
static_assert(sizeof(RECT) == 16, "RECT is four 32-bit values");
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD is four bytes");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");
#endif

#endif /* _WIN32 */

#endif /* KMXCORE_WIN_TYPES_H */
