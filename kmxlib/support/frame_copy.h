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

/// Reads a delivered frame as 8-bit colour, pixel by pixel.
class Cframe_reader {
public:
    explicit Cframe_reader(const Cframe_view& frame);
    Crgb at(unsigned x, unsigned y) const;

private:
    unsigned sample8(unsigned x, unsigned y, unsigned k) const;
    Crgb mosaic(unsigned x, unsigned y) const;

    Cframe_view f_;
    uint64_t row_bytes_;
    unsigned red_site_ = 0;   // sites of a cell, row-major from its top left
    unsigned blue_site_ = 3;
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
