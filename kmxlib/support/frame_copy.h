/* SPDX-License-Identifier: Apache-2.0 */
// Copies of delivered frames into caller memory (kmx_copy_frame,
// kmx_copy_roi), converted to 8-bit monochrome, 24-bit or 32-bit colour.
// Deep samples keep their top 8 bits; raw mosaics are demosaiced by their
// 2 x 2 cell.
//
// The destination is described only by its rectangle and row length, so
// the copy writes rows top..bottom-1 and bytes left..right-1 of each
// (times the pixel size) and nothing else; the copied area is the smaller
// of the source (the frame, or the region) and the destination rectangle.
#ifndef KMXLIB_SUPPORT_FRAME_COPY_H
#define KMXLIB_SUPPORT_FRAME_COPY_H

#include <cstddef>
#include <cstdint>

#include "kmxcore/camera/kmxlib.h"
#include "kmxlib/support/frame_record.h"

namespace kmxsupport {

/// The destination formats of the copies.
enum copy_format : unsigned {
    copy_mono8 = 2,
    copy_rgb24 = 4,
    copy_bgr24 = 6,
    copy_rgb32 = 7,
    copy_bgr32 = 8
};
/// Bytes a pixel of a destination format takes; 0 for any other format.
unsigned copy_pixel_size(unsigned format);

/// A delivered frame as the copies read it: rows packed, no padding.
struct Cframe_view {
    const unsigned char* pixels = nullptr;
    unsigned width = 0;
    unsigned height = 0;
    bool raw = false;
    unsigned components = 1;     // samples per pixel
    unsigned sample_bytes = 1;   // 1, or a little-endian 16-bit word
    unsigned depth = 8;          // significant bits of a sample
    bool colour = false;         // colour image, or (raw) a Bayer mosaic
    bool reversed = false;       // B, G, R order
    Ebayer bayer = Ebayer::none; // raw mosaics only

    uint64_t row_bytes() const { return uint64_t{width} * components * sample_bytes; }
};

/// The view of the frame in `record` laid out as `layout` says: a
/// library's own layout type, with the fields of Cframe_view by name.
template <class Layout>
Cframe_view frame_view(const kmx_frame_t& record, const Layout& layout, Ebayer bayer)
{
    Cframe_view f;
    f.pixels = static_cast<const unsigned char*>(record.buffer);
    f.width = layout.width;
    f.height = layout.height;
    f.raw = layout.format == KMX_FORMAT_RAW;
    f.components = layout.components;
    f.sample_bytes = layout.sample_bytes;
    f.depth = layout.depth;
    f.colour = layout.colour;
    f.reversed = layout.reversed;
    f.bayer = bayer;
    return f;
}

struct Crgb {
    unsigned r, g, b;
};

/// Where a mosaic's colours sit in its 2 x 2 cell: sites 0 to 3, row-major
/// from the top left.
struct Ccell_sites {
    unsigned red = 0;
    unsigned greens[2] = {1, 2};
    unsigned blue = 3;
    bool rggb = true;
};
/// The sites of a phase; RGGB's for a mosaic without a recorded phase.
Ccell_sites cell_sites(Ebayer bayer);

/// Reads a delivered frame as 8-bit colour, pixel by pixel. Defined here,
/// whole, so that the copies' pixel loops inline it and keep it in
/// registers.
class Cframe_reader {
public:
    explicit Cframe_reader(const Cframe_view& frame)
        : f_(frame), row_bytes_(frame.row_bytes()), cell_(cell_sites(frame.bayer))
    {
    }

    Crgb at(unsigned x, unsigned y) const
    {
        if (f_.raw)
            return f_.colour ? mosaic(x, y) : grey(sample8(x, y, 0));
        if (!f_.colour)
            return grey(sample8(x, y, 0));
        const unsigned a = sample8(x, y, 0), b = sample8(x, y, 1), c = sample8(x, y, 2);
        return f_.reversed ? Crgb{c, b, a} : Crgb{a, b, c};
    }

    // The cell's red, the mean of its greens, its blue (raw mosaics only).
    // A cell cut by an odd edge reuses the samples it has: its missing
    // sites read their neighbours across the edge, so no colour of the
    // cell reads as black.
    Crgb mosaic(unsigned x, unsigned y) const
    {
        const unsigned x0 = x & ~1u, y0 = y & ~1u;
        const unsigned x1 = x0 + 1 < f_.width ? x0 + 1 : x0;
        const unsigned y1 = y0 + 1 < f_.height ? y0 + 1 : y0;
        const unsigned s00 = sample8(x0, y0, 0), s10 = sample8(x1, y0, 0);
        const unsigned s01 = sample8(x0, y1, 0), s11 = sample8(x1, y1, 0);
        // RGGB, the common phase (the simulator's only one), keeps its
        // sites in registers; the others pick theirs from the cell.
        if (cell_.rggb)
            return Crgb{s00, (s10 + s01) / 2, s11};
        const unsigned sites[4] = {s00, s10, s01, s11};
        const unsigned green = (sites[cell_.greens[0]] + sites[cell_.greens[1]]) / 2;
        return Crgb{sites[cell_.red], green, sites[cell_.blue]};
    }

private:
    static Crgb grey(unsigned v) { return Crgb{v, v, v}; }

    unsigned sample8(unsigned x, unsigned y, unsigned k) const
    {
        const unsigned char* p = f_.pixels + y * row_bytes_ +
                                 (uint64_t{x} * f_.components + k) * f_.sample_bytes;
        if (f_.sample_bytes == 1)
            return *p;
        const unsigned v = p[0] | (static_cast<unsigned>(p[1]) << 8);
        return (v >> (f_.depth - 8)) & 0xFF;
    }

    Cframe_view f_;
    uint64_t row_bytes_;
    Ccell_sites cell_;
};

/// n little-endian 16-bit samples of `depth` significant bits (8 to 16)
/// to their top 8 bits.
using deep_to_8_fn = void (*)(const unsigned char* in, size_t n, unsigned depth,
                              unsigned char* out);
void deep_to_8(const unsigned char* in, size_t n, unsigned depth, unsigned char* out);

/// How a camera library lets the copies read its records.
struct Ccopy_source {
    /// The frame a record holds; false when it holds no frame of the
    /// library's, or one that does not fit its buffer.
    bool (*view)(const kmx_frame_t& record, Cframe_view& frame);
    /// The row conversion of deep samples (a library may pick a faster
    /// one for the processor it runs on).
    deep_to_8_fn deep_to_8;
};

/// Clips a region (of an automatic procedure's measurement) to a frame of
/// width x height; false when nothing of it is left.
bool clip_to_frame(RECT& region, unsigned width, unsigned height);

/// Copies the frame of `record` (or the `source` region of it) into
/// `pixels`. Returns a contract status: KMX_ERR_BAD_ARGUMENT for a null
/// record or destination or for rectangles that do not fit,
/// KMX_ERR_FORMAT for an unknown destination format, KMX_ERR_STATE for a
/// record that holds no frame.
int copy_frame(const Ccopy_source& from, const kmx_frame_t* record, const RECT* source,
               unsigned format, unsigned char* pixels, RECT rect, unsigned rowbytes);

} // namespace kmxsupport

#endif
