// SPDX-License-Identifier: Apache-2.0
// GDI32 stand-in: device contexts, bitmaps, pens, brushes and palettes on
// the handle registry, drawing through Cpen_raster and Csurface. Every
// entry point takes the registry lock, looks its handles up by kind and
// fails with the Win32 failure value when one is not a live object.
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "gdi_objects.h"
#include "gdi_raster.h"
#include "kmx_platform.h"

using namespace kmx_gdi;

namespace {

constexpr int max_colours = 256;
constexpr int first_rop2 = R2_BLACK;
constexpr int last_rop2 = R2_WHITE;

Cgdi_object* find_dc(HDC hdc)
{
    return registry().find(to_value(hdc), Ekind::dc);
}

// Moves one point of a DC's state (the pen position or the window origin)
// to (x, y), reporting the old one when asked. The caller holds the lock.
BOOL replace_point(HDC hdc, POINT Cdc_state::*point, int x, int y, LPPOINT previous)
{
    Cgdi_object* dc = find_dc(hdc);
    if (dc == nullptr)
        return FALSE;
    if (previous != nullptr)
        *previous = dc->dc.state.*point;
    dc->dc.state.*point = POINT{x, y};
    return TRUE;
}

Thandle new_dc(bool memory, Thandle window)
{
    auto dc = std::make_unique<Cgdi_object>();
    dc->kind = Ekind::dc;
    dc->dc.memory = memory;
    dc->dc.window = window;
    dc->dc.state.bitmap = memory ? registry().default_bitmap() : 0;
    dc->dc.state.pen = registry().stock(BLACK_PEN);
    dc->dc.state.brush = registry().stock(WHITE_BRUSH);
    dc->dc.state.palette = registry().stock(DEFAULT_PALETTE);
    return registry().add(std::move(dc));
}

// Logical to device coordinates: the window origin maps to (0, 0).
POINT to_device(const Cgdi_object& dc, int x, int y)
{
    return POINT{LONG(x - dc.dc.state.origin.x), LONG(y - dc.dc.state.origin.y)};
}

const Cpen_info* selected_pen(const Cgdi_object& dc)
{
    const Cgdi_object* pen = registry().find(dc.dc.state.pen, Ekind::pen);
    return pen != nullptr ? &pen->pen : nullptr;
}

const Cbrush_info* selected_brush(const Cgdi_object& dc)
{
    const Cgdi_object* brush = registry().find(dc.dc.state.brush, Ekind::brush);
    return brush != nullptr ? &brush->brush : nullptr;
}

bool valid_bitmap_header(const BITMAPINFO* info, UINT usage)
{
    if (info == nullptr || usage != DIB_RGB_COLORS)
        return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    return h.biSize >= sizeof(BITMAPINFOHEADER) && h.biPlanes == 1 &&
           h.biCompression == BI_RGB && h.biWidth > 0 && h.biHeight != 0 &&
           h.biHeight != std::numeric_limits<LONG>::min() &&
           (h.biBitCount == 8 || h.biBitCount == 24 || h.biBitCount == 32);
}

size_t colour_count(const BITMAPINFOHEADER& h)
{
    return (h.biClrUsed == 0 || h.biClrUsed > max_colours) ? max_colours : h.biClrUsed;
}

// A pattern pen keeps its own copy of the pattern's colours, so the
// bitmap may be deleted while the pen lives, as with Windows brushes.
bool copy_pattern(Thandle bitmap_handle, Cpen_info& pen)
{
    Cgdi_object* bitmap = registry().find(bitmap_handle, Ekind::bitmap);
    if (bitmap == nullptr || !bitmap->surface)
        return false;
    const Csurface& surface = *bitmap->surface;
    pen.pattern_width = surface.get_width();
    pen.pattern_height = surface.get_height();
    pen.pattern.clear();
    pen.pattern.reserve(size_t(pen.pattern_width) * size_t(pen.pattern_height));
    for (int y = 0; y < pen.pattern_height; ++y)
        for (int x = 0; x < pen.pattern_width; ++x)
            pen.pattern.push_back(surface.to_colour(surface.read(x, y)));
    return true;
}

HPEN add_pen(const Cpen_info& info)
{
    auto pen = std::make_unique<Cgdi_object>();
    pen->kind = Ekind::pen;
    pen->pen = info;
    return to_handle<HPEN>(registry().add(std::move(pen)));
}

// Which DC state field an object of this kind occupies, or null.
Thandle* slot_for(Cdc_state& state, Ekind kind)
{
    switch (kind) {
    case Ekind::bitmap:
        return &state.bitmap;
    case Ekind::pen:
        return &state.pen;
    case Ekind::brush:
        return &state.brush;
    default:
        return nullptr;
    }
}

bool nearest_scale_rect_valid(int dest_w, int dest_h, int src_w, int src_h)
{
    return dest_w > 0 && dest_h > 0 && src_w > 0 && src_h > 0;
}

// Source pixel for destination offset i of n, nearest neighbour.
int scaled(int i, int n, int source_n)
{
    return int((long long)i * source_n / n);
}

// The offsets [first, last) of a run of n that stay inside both extents.
struct Crun {
    long long first;
    long long last;
};

Crun clip_run(long long n, long long source_start, long long source_extent,
              long long dest_start, long long dest_extent)
{
    const long long first = std::max({0LL, -source_start, -dest_start});
    const long long last = std::min({n, source_extent - source_start, dest_extent - dest_start});
    return Crun{first, std::max(first, last)};
}

bool same_colour_tables(const Csurface& a, const Csurface& b)
{
    return a.get_bits() == 8 && b.get_bits() == 8 &&
           a.get_colours().size() == b.get_colours().size() &&
           std::memcmp(a.get_colours().data(), b.get_colours().data(),
                       a.get_colours().size() * sizeof(RGBQUAD)) == 0;
}

// Copies colours between two surfaces; indices go straight across when
// both are 8-bit with the same colour table.
void blit(Csurface& dest, POINT d, int cx, int cy, const Csurface& source, POINT s)
{
    const Crun xs = clip_run(cx, s.x, source.get_width(), d.x, dest.get_width());
    const Crun ys = clip_run(cy, s.y, source.get_height(), d.y, dest.get_height());
    const bool same_indices = same_colour_tables(dest, source);
    // Read first, then write: source and destination may be one surface.
    std::vector<Tdevice_value> block;
    block.reserve(size_t((xs.last - xs.first) * (ys.last - ys.first)));
    for (long long j = ys.first; j < ys.last; ++j)
        for (long long i = xs.first; i < xs.last; ++i)
            block.push_back(source.read(int(s.x + i), int(s.y + j)));
    size_t next = 0;
    for (long long j = ys.first; j < ys.last; ++j) {
        for (long long i = xs.first; i < xs.last; ++i) {
            const Tdevice_value value = block[next++];
            dest.write(int(d.x + i), int(d.y + j),
                       same_indices ? value : dest.to_device(source.to_colour(value)));
        }
    }
}

} // namespace

extern "C" HDC CreateCompatibleDC(HDC hdc)
{
    Cgdi_lock lock;
    if (hdc != nullptr && find_dc(hdc) == nullptr)
        return nullptr;
    return to_handle<HDC>(new_dc(true, 0));
}

extern "C" BOOL DeleteDC(HDC hdc)
{
    Cgdi_lock lock;
    Cgdi_object* dc = find_dc(hdc);
    if (dc == nullptr || !dc->dc.memory)
        return FALSE;
    registry().remove(to_value(hdc));
    return TRUE;
}

extern "C" HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, VOID** ppvBits,
                                   HANDLE hSection, DWORD)
{
    Cgdi_lock lock;
    if (ppvBits != nullptr)
        *ppvBits = nullptr;
    if (hdc != nullptr && find_dc(hdc) == nullptr)
        return nullptr;
    if (hSection != nullptr || !valid_bitmap_header(pbmi, usage))
        return nullptr;
    const BITMAPINFOHEADER& h = pbmi->bmiHeader;
    const bool top_down = h.biHeight < 0;
    const int height = top_down ? -h.biHeight : h.biHeight;
    auto surface = std::make_shared<Csurface>(h.biWidth, height, h.biBitCount, top_down);
    if (!surface->is_valid())
        return nullptr;
    if (h.biBitCount == 8) {
        const auto* table = reinterpret_cast<const RGBQUAD*>(
            reinterpret_cast<const uint8_t*>(pbmi) + h.biSize);
        surface->set_colours(table, colour_count(h));
    }
    auto bitmap = std::make_unique<Cgdi_object>();
    bitmap->kind = Ekind::bitmap;
    bitmap->surface = surface;
    const Thandle handle = registry().add(std::move(bitmap));
    if (handle != 0 && ppvBits != nullptr)
        *ppvBits = surface->get_pixels();
    return to_handle<HBITMAP>(handle);
}

extern "C" HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    Cgdi_lock lock;
    Cgdi_object* dc = find_dc(hdc);
    Cgdi_object* object = registry().find_any(to_value(h));
    if (dc == nullptr || object == nullptr)
        return nullptr;
    Thandle* slot = slot_for(dc->dc.state, object->kind);
    if (slot == nullptr)
        return nullptr;
    if (object->kind == Ekind::bitmap) {
        // Only memory DCs hold bitmaps, and a bitmap sits in one DC.
        if (!dc->dc.memory)
            return nullptr;
        if (!object->stock && registry().is_selected(to_value(h), to_value(hdc)))
            return nullptr;
    }
    const Thandle previous = *slot;
    *slot = to_value(h);
    return to_handle<HGDIOBJ>(previous);
}

extern "C" BOOL DeleteObject(HGDIOBJ ho)
{
    Cgdi_lock lock;
    Cgdi_object* object = registry().find_any(to_value(ho));
    if (object == nullptr || object->kind == Ekind::dc || object->kind == Ekind::window)
        return FALSE;
    if (object->stock)
        return TRUE;
    // A selected object stays: the DC would otherwise draw with a dead one.
    if (registry().is_selected(to_value(ho)))
        return FALSE;
    registry().remove(to_value(ho));
    return TRUE;
}

extern "C" HGDIOBJ GetStockObject(int i)
{
    Cgdi_lock lock;
    return to_handle<HGDIOBJ>(registry().stock(i));
}

extern "C" HPEN CreatePen(int iStyle, int cWidth, COLORREF color)
{
    Cgdi_lock lock;
    const int style = iStyle & PS_STYLE_MASK;
    if (style > PS_INSIDEFRAME || style == PS_USERSTYLE)
        return nullptr;
    Cpen_info info;
    info.null_pen = style == PS_NULL;
    info.width = cWidth < 1 ? 1 : cWidth;
    info.colour = color & 0xFFFFFF;
    return add_pen(info);
}

extern "C" HPEN ExtCreatePen(DWORD iPenStyle, DWORD cWidth, const LOGBRUSH* plbrush,
                             DWORD cStyle, const DWORD* pstyle)
{
    Cgdi_lock lock;
    const DWORD type = iPenStyle & PS_TYPE_MASK;
    const DWORD style = iPenStyle & PS_STYLE_MASK;
    if (plbrush == nullptr || cStyle != 0 || pstyle != nullptr || style == PS_USERSTYLE)
        return nullptr;
    if (type != PS_GEOMETRIC && type != PS_COSMETIC)
        return nullptr;
    if (type == PS_COSMETIC && cWidth != 1)
        return nullptr;
    if (cWidth > 0x7FFFFFFF)
        return nullptr;
    Cpen_info info;
    info.width = cWidth < 1 ? 1 : int(cWidth);
    info.colour = plbrush->lbColor & 0xFFFFFF;
    info.null_pen = style == PS_NULL || plbrush->lbStyle == BS_NULL;
    if (plbrush->lbStyle == BS_PATTERN) {
        if (type != PS_GEOMETRIC || !copy_pattern(Thandle(plbrush->lbHatch), info))
            return nullptr;
    } else if (plbrush->lbStyle != BS_SOLID && plbrush->lbStyle != BS_NULL) {
        return nullptr;
    }
    return add_pen(info);
}

extern "C" HBRUSH CreateSolidBrush(COLORREF color)
{
    Cgdi_lock lock;
    auto brush = std::make_unique<Cgdi_object>();
    brush->kind = Ekind::brush;
    brush->brush.colour = color & 0xFFFFFF;
    return to_handle<HBRUSH>(registry().add(std::move(brush)));
}

extern "C" HPALETTE CreatePalette(const LOGPALETTE* plpal)
{
    Cgdi_lock lock;
    if (plpal == nullptr || plpal->palNumEntries == 0)
        return nullptr;
    auto palette = std::make_unique<Cgdi_object>();
    palette->kind = Ekind::palette;
    palette->palette.assign(plpal->palPalEntry, plpal->palPalEntry + plpal->palNumEntries);
    return to_handle<HPALETTE>(registry().add(std::move(palette)));
}

extern "C" int SetROP2(HDC hdc, int rop2)
{
    Cgdi_lock lock;
    Cgdi_object* dc = find_dc(hdc);
    if (dc == nullptr || rop2 < first_rop2 || rop2 > last_rop2)
        return 0;
    const int previous = dc->dc.state.rop2;
    dc->dc.state.rop2 = rop2;
    return previous;
}

extern "C" BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    Cgdi_lock lock;
    return replace_point(hdc, &Cdc_state::position, x, y, lppt);
}

extern "C" BOOL LineTo(HDC hdc, int x, int y)
{
    Cgdi_lock lock;
    Cgdi_object* dc = find_dc(hdc);
    if (dc == nullptr)
        return FALSE;
    const POINT from = to_device(*dc, dc->dc.state.position.x, dc->dc.state.position.y);
    const POINT to = to_device(*dc, x, y);
    dc->dc.state.position = POINT{x, y};
    Csurface* surface = target_of(*dc);
    const Cpen_info* pen = selected_pen(*dc);
    if (surface != nullptr && pen != nullptr)
        Cpen_raster(*surface, *pen, dc->dc.state.rop2).line(from.x, from.y, to.x, to.y);
    return TRUE;
}

extern "C" BOOL Arc(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    Cgdi_lock lock;
    Cgdi_object* dc = find_dc(hdc);
    if (dc == nullptr)
        return FALSE;
    Csurface* surface = target_of(*dc);
    const Cpen_info* pen = selected_pen(*dc);
    if (surface == nullptr || pen == nullptr)
        return TRUE;
    const POINT top_left = to_device(*dc, x1, y1);
    const POINT bottom_right = to_device(*dc, x2, y2);
    const RECT box{top_left.x, top_left.y, bottom_right.x, bottom_right.y};
    Cpen_raster(*surface, *pen, dc->dc.state.rop2)
        .arc(box, to_device(*dc, x3, y3), to_device(*dc, x4, y4));
    return TRUE;
}

extern "C" BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    Cgdi_lock lock;
    Cgdi_object* dc = find_dc(hdc);
    if (dc == nullptr)
        return FALSE;
    Csurface* surface = target_of(*dc);
    const Cpen_info* pen = selected_pen(*dc);
    const Cbrush_info* brush = selected_brush(*dc);
    if (surface == nullptr || pen == nullptr || brush == nullptr)
        return TRUE;
    const POINT top_left = to_device(*dc, left, top);
    const POINT bottom_right = to_device(*dc, right, bottom);
    Cpen_raster(*surface, *pen, dc->dc.state.rop2)
        .rectangle(RECT{top_left.x, top_left.y, bottom_right.x, bottom_right.y}, *brush);
    return TRUE;
}

// ySrc counts rows up from the bottom of the source picture for top-down
// and bottom-up DIBs alike; the source rectangle is clipped to the DIB.
extern "C" int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight,
                             int xSrc, int ySrc, int SrcWidth, int SrcHeight, const VOID* lpBits,
                             const BITMAPINFO* lpbmi, UINT iUsage, DWORD rop)
{
    Cgdi_lock lock;
    Cgdi_object* dc = find_dc(hdc);
    Cdib_reader source;
    if (dc == nullptr || rop != SRCCOPY || iUsage != DIB_RGB_COLORS)
        return 0;
    if (!nearest_scale_rect_valid(DestWidth, DestHeight, SrcWidth, SrcHeight))
        return 0;
    if (!source.open(lpbmi, lpBits))
        return 0;
    Csurface* surface = target_of(*dc);
    if (surface == nullptr)
        return 0;
    const POINT origin = to_device(*dc, xDest, yDest);
    const long long source_top = (long long)source.get_height() - ySrc - SrcHeight;
    for (int j = 0; j < DestHeight; ++j) {
        const long long sy = source_top + scaled(j, DestHeight, SrcHeight);
        const long long dy = (long long)origin.y + j;
        if (sy < 0 || sy >= source.get_height() || dy < 0 || dy >= surface->get_height())
            continue;
        for (int i = 0; i < DestWidth; ++i) {
            const long long sx = (long long)xSrc + scaled(i, DestWidth, SrcWidth);
            const long long dx = (long long)origin.x + i;
            if (sx < 0 || sx >= source.get_width() || dx < 0 || dx >= surface->get_width())
                continue;
            const COLORREF colour = source.colour_at(int(sx), int(sy));
            surface->write(int(dx), int(dy), surface->to_device(colour));
        }
    }
    return SrcHeight;
}

extern "C" BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1,
                       DWORD rop)
{
    Cgdi_lock lock;
    Cgdi_object* dest_dc = find_dc(hdc);
    Cgdi_object* source_dc = find_dc(hdcSrc);
    if (dest_dc == nullptr || source_dc == nullptr || rop != SRCCOPY || cx < 0 || cy < 0)
        return FALSE;
    Csurface* dest = target_of(*dest_dc);
    Csurface* source = target_of(*source_dc);
    if (dest == nullptr || source == nullptr)
        return FALSE;
    blit(*dest, to_device(*dest_dc, x, y), cx, cy, *source, to_device(*source_dc, x1, y1));
    return TRUE;
}

extern "C" COLORREF GetPixel(HDC hdc, int x, int y)
{
    Cgdi_lock lock;
    Cgdi_object* dc = find_dc(hdc);
    if (dc == nullptr)
        return CLR_INVALID;
    Csurface* surface = target_of(*dc);
    const POINT p = to_device(*dc, x, y);
    if (surface == nullptr || !surface->contains(p.x, p.y))
        return CLR_INVALID;
    return surface->to_colour(surface->read(p.x, p.y));
}

extern "C" int SaveDC(HDC hdc)
{
    Cgdi_lock lock;
    Cgdi_object* dc = find_dc(hdc);
    if (dc == nullptr)
        return 0;
    dc->dc.saved.push_back(dc->dc.state);
    return int(dc->dc.saved.size());
}

// A negative level counts back from the latest save (-1: the latest); a
// positive one names the save; the saves above it are dropped.
extern "C" BOOL RestoreDC(HDC hdc, int nSavedDC)
{
    Cgdi_lock lock;
    Cgdi_object* dc = find_dc(hdc);
    if (dc == nullptr || nSavedDC == 0)
        return FALSE;
    const long long count = (long long)dc->dc.saved.size();
    const long long level = nSavedDC > 0 ? nSavedDC : count + nSavedDC + 1;
    if (level < 1 || level > count)
        return FALSE;
    dc->dc.state = dc->dc.saved[size_t(level - 1)];
    dc->dc.saved.resize(size_t(level - 1));
    return TRUE;
}

extern "C" BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    Cgdi_lock lock;
    return replace_point(hdc, &Cdc_state::origin, x, y, lppt);
}

extern "C" HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL)
{
    Cgdi_lock lock;
    Cgdi_object* dc = find_dc(hdc);
    if (dc == nullptr || registry().find(to_value(hPal), Ekind::palette) == nullptr)
        return nullptr;
    const Thandle previous = dc->dc.state.palette;
    dc->dc.state.palette = to_value(hPal);
    return to_handle<HPALETTE>(previous);
}

// Drawing here does not go through palettes: nothing to map.
extern "C" UINT RealizePalette(HDC hdc)
{
    Cgdi_lock lock;
    return find_dc(hdc) != nullptr ? 0 : GDI_ERROR;
}

// Drawing is never batched: everything is done when a call returns.
extern "C" BOOL GdiFlush(void)
{
    return TRUE;
}
