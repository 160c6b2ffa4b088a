// SPDX-License-Identifier: Apache-2.0
// Copies of delivered frames into caller memory, converted to 8-bit
// monochrome, 24-bit or 32-bit colour. Deep samples keep their top bits;
// raw mosaics are demosaiced by their 2 x 2 cell.
//
// The destination is described only by its rectangle and row length, so
// the copy writes rows top..bottom-1 and bytes left..right-1 of each
// (times the pixel size) and nothing else; the copied area is the smaller
// of the source (the frame, or the region) and the destination rectangle.
#include <algorithm>
#include <cstring>
#include <utility>

#include "sim_frames.h"
#include "sim_kernels.h"

namespace kmxsim {

namespace {

struct Crgb {
    unsigned r, g, b;
};

unsigned destination_pixel_size(unsigned format)
{
    switch (format) {
    case 2: return 1;
    case 4: case 6: return 3;
    case 7: case 8: return 4;
    default: return 0;
    }
}

bool rect_valid(const RECT& r)
{
    return r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top;
}

class Creader {
public:
    Creader(const kmx_frame_t& r, const Clayout& l)
        : base_(static_cast<const unsigned char*>(r.buffer)), l_(l),
          row_bytes_(static_cast<uint64_t>(l.width) * l.components * l.sample_bytes)
    {
    }

    Crgb at(unsigned x, unsigned y) const
    {
        if (l_.format == KMX_FORMAT_RAW)
            return l_.colour ? mosaic(x, y) : grey(sample8(x, y, 0));
        if (!l_.colour)
            return grey(sample8(x, y, 0));
        const unsigned a = sample8(x, y, 0), b = sample8(x, y, 1), c = sample8(x, y, 2);
        return l_.reversed ? Crgb{c, b, a} : Crgb{a, b, c};
    }

private:
    static Crgb grey(unsigned v) { return Crgb{v, v, v}; }

    unsigned sample8(unsigned x, unsigned y, unsigned k) const
    {
        const unsigned char* p = base_ + y * row_bytes_ +
                                 (static_cast<uint64_t>(x) * l_.components + k) * l_.sample_bytes;
        if (l_.sample_bytes == 1)
            return *p;
        const unsigned v = p[0] | (static_cast<unsigned>(p[1]) << 8);
        return (v >> (l_.depth - 8)) & 0xFF;
    }

    // RGGB: the cell's red, the mean of its greens, its blue. A cell cut
    // by an odd edge reuses the samples it has.
    Crgb mosaic(unsigned x, unsigned y) const
    {
        const unsigned x0 = x & ~1u, y0 = y & ~1u;
        const unsigned x1 = std::min(x0 + 1, l_.width - 1), y1 = std::min(y0 + 1, l_.height - 1);
        const unsigned r = sample8(x0, y0, 0);
        const unsigned g = (sample8(x1, y0, 0) + sample8(x0, y1, 0)) / 2;
        const unsigned b = sample8(x1, y1, 0);
        return Crgb{r, g, b};
    }

    const unsigned char* base_;
    Clayout l_;
    uint64_t row_bytes_;
};

void write_pixel(unsigned char* p, unsigned format, const Crgb& c)
{
    switch (format) {
    case 2:
        p[0] = static_cast<unsigned char>((77 * c.r + 150 * c.g + 29 * c.b + 128) >> 8);
        return;
    case 4: case 7:
        p[0] = static_cast<unsigned char>(c.r);
        p[1] = static_cast<unsigned char>(c.g);
        p[2] = static_cast<unsigned char>(c.b);
        break;
    default: // 6, 8: reversed order
        p[0] = static_cast<unsigned char>(c.b);
        p[1] = static_cast<unsigned char>(c.g);
        p[2] = static_cast<unsigned char>(c.r);
        break;
    }
    if (format == 7 || format == 8)
        p[3] = 0;
}

// Whether a copy is a straight conversion of each row: a monochrome frame
// into 8-bit monochrome, or a colour frame into 24-bit colour, samples
// kept in order or the first and third of each pixel swapped. The general
// path makes the same bytes through Crgb, one pixel at a time.
bool straight_copy(const Clayout& l, unsigned format)
{
    if (l.format == KMX_FORMAT_RAW)
        return false;
    if (format == 2)
        return l.components == 1;
    return (format == 4 || format == 6) && l.components == 3;
}

void copy_rows(const kmx_frame_t& record, const Clayout& l, const RECT& from, unsigned format,
               unsigned char* pixels, const RECT& rect, unsigned rowbytes, int64_t width,
               int64_t height)
{
    const Csim_kernels& kernels = sim_kernels();
    const auto* base = static_cast<const unsigned char*>(record.buffer);
    const uint64_t row_bytes = static_cast<uint64_t>(l.width) * l.components * l.sample_bytes;
    const size_t samples = static_cast<size_t>(width) * l.components;
    const bool swap = format != 2 && l.reversed != (format == 6);
    for (int64_t y = 0; y < height; ++y) {
        const unsigned char* in = base + static_cast<uint64_t>(from.top + y) * row_bytes +
                                  static_cast<uint64_t>(from.left) * l.components * l.sample_bytes;
        unsigned char* out = pixels + static_cast<uint64_t>(rect.top + y) * rowbytes +
                             static_cast<uint64_t>(rect.left) * l.components;
        if (l.sample_bytes == 1)
            std::memcpy(out, in, samples);
        else
            kernels.deep_to_8(in, samples, l.depth, out);
        if (swap)
            for (size_t i = 0; i < samples; i += 3)
                std::swap(out[i], out[i + 2]);
    }
}

} // namespace

int copy_locked(const kmx_frame_t* record, const RECT* source, unsigned format,
                unsigned char* pixels, RECT rect, unsigned rowbytes)
{
    if (!record || !pixels)
        return KMX_ERR_BAD_ARGUMENT;
    const unsigned pixel_size = destination_pixel_size(format);
    if (pixel_size == 0)
        return KMX_ERR_FORMAT;
    Clayout l;
    if (!delivered_layout(*record, l))
        return KMX_ERR_STATE;
    if (!rect_valid(rect) || static_cast<int64_t>(rect.right) * pixel_size > rowbytes)
        return KMX_ERR_BAD_ARGUMENT;
    RECT from{0, 0, static_cast<LONG>(l.width), static_cast<LONG>(l.height)};
    if (source) {
        if (!rect_valid(*source) || source->right > from.right || source->bottom > from.bottom)
            return KMX_ERR_BAD_ARGUMENT;
        from = *source;
    }
    const int64_t width = std::min<int64_t>(from.right - from.left, rect.right - rect.left);
    const int64_t height = std::min<int64_t>(from.bottom - from.top, rect.bottom - rect.top);
    if (straight_copy(l, format)) {
        copy_rows(*record, l, from, format, pixels, rect, rowbytes, width, height);
        return KMX_OK;
    }
    const Creader reader(*record, l);
    for (int64_t y = 0; y < height; ++y) {
        unsigned char* row = pixels + static_cast<uint64_t>(rect.top + y) * rowbytes +
                             static_cast<uint64_t>(rect.left) * pixel_size;
        for (int64_t x = 0; x < width; ++x)
            write_pixel(row + x * pixel_size, format,
                        reader.at(static_cast<unsigned>(from.left + x),
                                  static_cast<unsigned>(from.top + y)));
    }
    return KMX_OK;
}

} // namespace kmxsim
