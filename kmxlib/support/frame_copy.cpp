// SPDX-License-Identifier: Apache-2.0
#include "kmxlib/support/frame_copy.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kmxsupport {

namespace {

constexpr unsigned red = 0, blue = 2;
constexpr unsigned sites_in_cell = 4;

bool rect_valid(const RECT& r)
{
    return r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top;
}

void write_pixel(unsigned char* p, unsigned format, const Crgb& c)
{
    switch (format) {
    case copy_mono8:
        p[0] = static_cast<unsigned char>((77 * c.r + 150 * c.g + 29 * c.b + 128) >> 8);
        return;
    case copy_rgb24: case copy_rgb32:
        p[0] = static_cast<unsigned char>(c.r);
        p[1] = static_cast<unsigned char>(c.g);
        p[2] = static_cast<unsigned char>(c.b);
        break;
    default:
        p[0] = static_cast<unsigned char>(c.b);
        p[1] = static_cast<unsigned char>(c.g);
        p[2] = static_cast<unsigned char>(c.r);
        break;
    }
    if (format == copy_rgb32 || format == copy_bgr32)
        p[3] = 0;
}

// Whether a copy is a straight conversion of each row: a monochrome frame
// into 8-bit monochrome, or a colour frame into 24-bit colour, samples
// kept in order or the first and third of each pixel swapped. The general
// path makes the same bytes through Crgb, one pixel at a time.
bool straight_copy(const Cframe_view& f, unsigned format)
{
    if (f.raw)
        return false;
    if (format == copy_mono8)
        return f.components == 1;
    return (format == copy_rgb24 || format == copy_bgr24) && f.components == 3;
}

struct Cregion {
    RECT from;
    RECT to;
    unsigned rowbytes;
    int64_t width;
    int64_t height;
};

void copy_rows(const Cframe_view& f, unsigned format, deep_to_8_fn deep, unsigned char* pixels,
               const Cregion r)
{
    const uint64_t row_bytes = f.row_bytes();
    const size_t samples = static_cast<size_t>(r.width) * f.components;
    const bool swap = format != copy_mono8 && f.reversed != (format == copy_bgr24);
    for (int64_t y = 0; y < r.height; ++y) {
        const unsigned char* in = f.pixels + static_cast<uint64_t>(r.from.top + y) * row_bytes +
                                  static_cast<uint64_t>(r.from.left) * f.components * f.sample_bytes;
        unsigned char* out = pixels + static_cast<uint64_t>(r.to.top + y) * r.rowbytes +
                             static_cast<uint64_t>(r.to.left) * f.components;
        if (f.sample_bytes == 1)
            std::memcpy(out, in, samples);
        else
            deep(in, samples, f.depth, out);
        if (swap)
            for (size_t i = 0; i < samples; i += 3)
                std::swap(out[i], out[i + 2]);
    }
}

template <class Pixel_at>
void copy_pixels_by(Pixel_at pixel_at, unsigned format, unsigned char* pixels, const Cregion r)
{
    const unsigned pixel_size = copy_pixel_size(format);
    for (int64_t y = 0; y < r.height; ++y) {
        unsigned char* row = pixels + static_cast<uint64_t>(r.to.top + y) * r.rowbytes +
                             static_cast<uint64_t>(r.to.left) * pixel_size;
        for (int64_t x = 0; x < r.width; ++x)
            write_pixel(row + x * pixel_size, format,
                        pixel_at(static_cast<unsigned>(r.from.left + x),
                                 static_cast<unsigned>(r.from.top + y)));
    }
}

// Mosaics get a loop of their own: sharing one with the other layouts
// costs them registers.
void copy_pixels(const Cframe_view& f, unsigned format, unsigned char* pixels, const Cregion r)
{
    const Cframe_reader reader(f);
    if (f.raw && f.colour)
        copy_pixels_by([&](unsigned x, unsigned y) { return reader.mosaic(x, y); }, format,
                       pixels, r);
    else
        copy_pixels_by([&](unsigned x, unsigned y) { return reader.at(x, y); }, format, pixels,
                       r);
}

} // namespace

unsigned copy_pixel_size(unsigned format)
{
    switch (format) {
    case copy_mono8: return 1;
    case copy_rgb24: case copy_bgr24: return 3;
    case copy_rgb32: case copy_bgr32: return 4;
    default: return 0;
    }
}

Ccell_sites cell_sites(Ebayer bayer)
{
    Ccell_sites cell;
    if (bayer == Ebayer::none || bayer == Ebayer::rggb)
        return cell;
    cell.rggb = false;
    unsigned greens = 0;
    for (unsigned site = 0; site < sites_in_cell; ++site) {
        const unsigned colour = mosaic_colour(bayer, site & 1, site >> 1);
        if (colour == red)
            cell.red = site;
        else if (colour == blue)
            cell.blue = site;
        else if (greens < 2)
            cell.greens[greens++] = site;
    }
    return cell;
}

void deep_to_8(const unsigned char* in, size_t n, unsigned depth, unsigned char* out)
{
    const unsigned shift = depth - 8;
    for (size_t i = 0; i < n; ++i) {
        const auto v = static_cast<unsigned>(in[2 * i] | in[2 * i + 1] << 8);
        out[i] = static_cast<unsigned char>(v >> shift);
    }
}

bool clip_to_frame(RECT& region, unsigned width, unsigned height)
{
    region.left = std::max<LONG>(region.left, 0);
    region.top = std::max<LONG>(region.top, 0);
    region.right = std::min<LONG>(region.right, static_cast<LONG>(width));
    region.bottom = std::min<LONG>(region.bottom, static_cast<LONG>(height));
    return region.right > region.left && region.bottom > region.top;
}

int copy_frame(const Ccopy_source& source_of, const kmx_frame_t* record, const RECT* source,
               unsigned format, unsigned char* pixels, RECT rect, unsigned rowbytes)
{
    if (record == nullptr || pixels == nullptr)
        return KMX_ERR_BAD_ARGUMENT;
    const unsigned pixel_size = copy_pixel_size(format);
    if (pixel_size == 0)
        return KMX_ERR_FORMAT;
    Cframe_view f;
    if (!source_of.view(*record, f))
        return KMX_ERR_STATE;
    if (!rect_valid(rect) || static_cast<int64_t>(rect.right) * pixel_size > rowbytes)
        return KMX_ERR_BAD_ARGUMENT;
    RECT from{0, 0, static_cast<LONG>(f.width), static_cast<LONG>(f.height)};
    if (source != nullptr) {
        if (!rect_valid(*source) || source->right > from.right || source->bottom > from.bottom)
            return KMX_ERR_BAD_ARGUMENT;
        from = *source;
    }
    const Cregion region{from, rect, rowbytes,
                         std::min<int64_t>(from.right - from.left, rect.right - rect.left),
                         std::min<int64_t>(from.bottom - from.top, rect.bottom - rect.top)};
    if (straight_copy(f, format))
        copy_rows(f, format, source_of.deep_to_8 ? source_of.deep_to_8 : deep_to_8, pixels, region);
    else
        copy_pixels(f, format, pixels, region);
    return KMX_OK;
}

} // namespace kmxsupport
