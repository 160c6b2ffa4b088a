/* SPDX-License-Identifier: Apache-2.0 */
// The reserved words a camera library writes into a frame record once a
// frame is delivered into it. A tag names the library that wrote them and
// a check word lets a later copy trust the others: a record the caller
// changed, or one another library filled, then holds no frame.
#ifndef KMXLIB_SUPPORT_FRAME_RECORD_H
#define KMXLIB_SUPPORT_FRAME_RECORD_H

#include <cstdint>

#include "kmxcore/camera/kmxlib.h"

namespace kmxsupport {

enum reserved_word : unsigned {
    rw_tag = 0,
    rw_sequence = 1,
    rw_width = 2,
    rw_height = 3,
    rw_format = 4,   // format code, 0 raw
    rw_layout = 5,   // depth | colour << 8 | Bayer phase << 9
    rw_bytes = 6,    // bytes written
    rw_check = 7
};
static_assert(unsigned{rw_check} < unsigned{KMX_FRAME_RESERVED_WORDS},
              "the record words must fit the reserved words");

/// Where the red sample of a 2 x 2 Bayer cell sits, by the GenICam name.
enum class Ebayer : uint32_t { none = 0, rggb = 1, grbg = 2, gbrg = 3, bggr = 4 };

/// Which colour (0 red, 1 green, 2 blue) a mosaic samples at (x, y);
/// green for a phase that is not a mosaic.
unsigned mosaic_colour(Ebayer bayer, unsigned x, unsigned y);

/// What the words say about the frame in the buffer.
struct Crecord_words {
    uint32_t sequence = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t format = 0;
    unsigned depth = 8;          // significant bits of a sample
    bool colour = false;         // colour image, or (raw) a Bayer mosaic
    Ebayer bayer = Ebayer::none; // the mosaic's phase, where the library records one
    uint32_t bytes = 0;          // bytes delivered
};

/// The words of a frame laid out as `layout` says: a library's own layout
/// type, with the fields of Crecord_words by name and its byte count.
template <class Layout>
Crecord_words record_words(const Layout& layout, uint32_t sequence, Ebayer bayer)
{
    Crecord_words w;
    w.sequence = sequence;
    w.width = layout.width;
    w.height = layout.height;
    w.format = layout.format;
    w.depth = layout.depth;
    w.colour = layout.colour;
    w.bayer = bayer;
    w.bytes = static_cast<uint32_t>(layout.bytes());
    return w;
}

/// Writes the words of a delivered frame, tagged with `tag`.
void write_record_words(kmx_frame_t& record, uint32_t tag, const Crecord_words& words);
/// Reads them back; false when the record carries no words of `tag`, or
/// words that were changed since.
bool read_record_words(const kmx_frame_t& record, uint32_t tag, Crecord_words& words);

} // namespace kmxsupport

#endif
