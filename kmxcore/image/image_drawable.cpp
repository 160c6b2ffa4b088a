// SPDX-License-Identifier: Apache-2.0
// Cimage_drawable: drawing through the image's memory device context.
#include "kmxcore/image/image_drawable.h"
#include "kmx_platform.h"

#include <climits>
#include <cstdlib>

namespace {

constexpr COLORREF white = 0xFFFFFF;
constexpr COLORREF black = 0x000000;
constexpr int xhair_line_width = 4;
constexpr int grid_line_width = 2;
constexpr int circle_pen_width = 2;
constexpr int xhair_circles = 5;
// Radius step bases of the five crosshair circles.
constexpr int xhair_steps[xhair_circles] = {165, 164, 163, 163, 163};
constexpr int grid_radius = 32;
constexpr int grid_spacing = 100;
constexpr unsigned max_grid_scale = 100;
constexpr DWORD pattern_pen_style = PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND;

// What an overlay changes in the context and must put back.
struct Coverlay {
    int previous_rop = 0;
    HGDIOBJ previous_object = nullptr;
    HPEN line_pen = nullptr;
    HPEN circle_pen = nullptr;
};

// XOR pens, line pen selected; the circle pen is selected by the caller.
Coverlay begin_overlay(HDC hdc, HBITMAP pattern, int line_width, COLORREF colour)
{
    Coverlay overlay;
    overlay.previous_rop = SetROP2(hdc, R2_XORPEN);
    if (pattern != nullptr) {
        LOGBRUSH brush;
        brush.lbStyle = BS_PATTERN;
        brush.lbColor = white;
        brush.lbHatch = reinterpret_cast<ULONG_PTR>(pattern);
        overlay.line_pen = ExtCreatePen(pattern_pen_style, DWORD(line_width), &brush, 0, nullptr);
    } else {
        overlay.line_pen = CreatePen(PS_SOLID, line_width, colour);
    }
    overlay.circle_pen = CreatePen(PS_SOLID, circle_pen_width, colour);
    overlay.previous_object = SelectObject(hdc, overlay.line_pen);
    return overlay;
}

void end_overlay(HDC hdc, const Coverlay& overlay)
{
    SetROP2(hdc, overlay.previous_rop);
    if (overlay.previous_object != nullptr)
        SelectObject(hdc, overlay.previous_object);
    DeleteObject(overlay.circle_pen);
    DeleteObject(overlay.line_pen);
}

void line(HDC hdc, int x1, int y1, int x2, int y2)
{
    MoveToEx(hdc, x1, y1, nullptr);
    LineTo(hdc, x2, y2);
}

// GDI takes coordinates of 27 bits; within them, centre plus radius
// arithmetic cannot overflow.
constexpr long long max_coordinate = (1LL << 27) - 1;

// The overlay area's width and height; false when GDI could not take them.
bool area_size(const RECT& area, int& w, int& h)
{
    const long long width = (long long)area.right - area.left;
    const long long height = (long long)area.bottom - area.top;
    if (std::llabs(width) > max_coordinate || std::llabs(height) > max_coordinate)
        return false;
    w = int(width);
    h = int(height);
    return true;
}

// Extents and source rows that GDI takes as int. A caller's rectangle or
// header whose difference or negation does not fit is drawn not at all
// rather than wrapped.
bool fits_int(long long value)
{
    return value >= INT_MIN && value <= INT_MAX;
}

// A whole circle: Arc with start and end on the same point of it.
void circle(HDC hdc, int cx, int cy, int r, int start_x)
{
    MoveToEx(hdc, cx - r, cy - r, nullptr);
    Arc(hdc, cx - r, cy - r, cx + r, cy + r, start_x, cy - r, start_x, cy - r);
}

} // namespace

Cimage_drawable::~Cimage_drawable() = default;

HDC Cimage_drawable::get_hdc() const
{
    return hdc;
}

BITMAPINFO* Cimage_drawable::get_binfo() const
{
    return binfo;
}

void Cimage_drawable::draw_bitmap(BITMAPINFO* header, char* pixels, RECT src, RECT dst)
{
    if (hdc == nullptr || header == nullptr || pixels == nullptr)
        return;
    // StretchDIBits counts ySrc up from the bottom row of the source.
    const long long height = header->bmiHeader.biHeight;
    const long long y_src = height < 0 ? -(height + src.bottom) : src.top;
    const long long dst_width = (long long)dst.right - dst.left;
    const long long dst_height = (long long)dst.bottom - dst.top;
    const long long src_width = (long long)src.right - src.left;
    const long long src_height = (long long)src.bottom - src.top;
    if (!fits_int(y_src) || !fits_int(dst_width) || !fits_int(dst_height) ||
        !fits_int(src_width) || !fits_int(src_height))
        return;
    SaveDC(hdc);
    StretchDIBits(hdc, dst.left, dst.top, int(dst_width), int(dst_height), src.left, int(y_src),
                  int(src_width), int(src_height), pixels, header, DIB_RGB_COLORS, SRCCOPY);
    RestoreDC(hdc, -1);
}

void Cimage_drawable::draw_bitmap(Cimage_drawable* image, RECT src, RECT dst)
{
    if (image == nullptr)
        return;
    draw_bitmap(image->get_binfo(), static_cast<char*>(image->get_bp()), src, dst);
}

void Cimage_drawable::copy_onscreen(HWND window, RECT src, RECT dst, HPALETTE palette)
{
    const long long width = (long long)dst.right - dst.left;
    const long long height = (long long)dst.bottom - dst.top;
    if (hdc == nullptr || !fits_int(width) || !fits_int(height))
        return;
    HDC window_dc = GetDC(window);
    if (window_dc == nullptr)
        return;
    HPALETTE previous_palette = nullptr;
    if (palette != nullptr) {
        previous_palette = SelectPalette(window_dc, palette, FALSE);
        RealizePalette(window_dc);
    }
    POINT previous_origin = {0, 0};
    SetWindowOrgEx(window_dc, 0, 0, &previous_origin);
    BitBlt(window_dc, dst.left, dst.top, int(width), int(height), hdc, src.left, src.top,
           SRCCOPY);
    SetWindowOrgEx(window_dc, previous_origin.x, previous_origin.y, nullptr);
    if (palette != nullptr)
        SelectPalette(window_dc, previous_palette, FALSE);
    ReleaseDC(window, window_dc);
}

void Cimage_drawable::copy_onscreen(HWND window, RECT src, RECT dst)
{
    copy_onscreen(window, src, dst, nullptr);
}

void Cimage_drawable::draw_xhair(const RECT& area, HBITMAP pattern, unsigned scale)
{
    int w = 0;
    int h = 0;
    if (hdc == nullptr || !area_size(area, w, h))
        return;
    if (scale == 0)
        scale = 1;
    const COLORREF colour = image_type != 0 ? white : black;
    const Coverlay overlay = begin_overlay(hdc, pattern, xhair_line_width, colour);
    const int cx = w / 2;
    const int cy = h / 2;
    line(hdc, 0, cy, w, cy);
    line(hdc, cx, 0, cx, h);
    SelectObject(hdc, overlay.circle_pen);
    for (int i = 1; i <= xhair_circles; ++i) {
        const int step = int(unsigned(xhair_steps[i - 1]) / scale);
        const int r = i * step;
        circle(hdc, cx, cy, r, cx - r + step);
    }
    end_overlay(hdc, overlay);
}

void Cimage_drawable::draw_xhair(const RECT& area, HBITMAP pattern)
{
    draw_xhair(area, pattern, 1u);
}

void Cimage_drawable::draw_xhair(const RECT& area, unsigned scale)
{
    draw_xhair(area, static_cast<HBITMAP>(nullptr), scale);
}

void Cimage_drawable::draw_grid(const RECT& area, HBITMAP pattern, unsigned scale)
{
    int w = 0;
    int h = 0;
    if (hdc == nullptr || !area_size(area, w, h))
        return;
    if (scale == 0)
        scale = 1;
    // A spacing of 0 would never leave the line loops.
    if (scale > max_grid_scale)
        return;
    const COLORREF colour = image_type != 0 ? white : black;
    const Coverlay overlay = begin_overlay(hdc, pattern, grid_line_width, colour);
    const int r = int(grid_radius / scale);
    const int d = int(grid_spacing / scale);
    const int cx = w / 2;
    const int cy = h / 2;
    // 64-bit steps: a step past the last line must not overflow.
    for (long long y = cy; y < h; y += d)
        line(hdc, 0, int(y), w, int(y));
    for (long long y = (long long)cy - d; y > 0; y -= d)
        line(hdc, 0, int(y), w, int(y));
    for (long long x = cx; x < w; x += d)
        line(hdc, int(x), 0, int(x), h);
    for (long long x = (long long)cx - d; x > 0; x -= d)
        line(hdc, int(x), 0, int(x), h);
    SelectObject(hdc, overlay.circle_pen);
    circle(hdc, cx, cy, r, cx);
    end_overlay(hdc, overlay);
}

void Cimage_drawable::draw_grid(const RECT& area, HBITMAP pattern)
{
    draw_grid(area, pattern, 1u);
}

void Cimage_drawable::draw_grid(const RECT& area, unsigned scale)
{
    draw_grid(area, static_cast<HBITMAP>(nullptr), scale);
}
