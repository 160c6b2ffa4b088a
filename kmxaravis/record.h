// SPDX-License-Identifier: Apache-2.0
// What kmxaravis keeps in the reserved words of a frame record once a
// frame is delivered into it, and the copies of delivered frames into
// caller memory (kmx_copy_frame, kmx_copy_roi).
#ifndef KMXARAVIS_RECORD_H
#define KMXARAVIS_RECORD_H

#include <cstdint>

#include "kmxcore/camera/kmxlib.h"
#include "kmxlib/support/frame_copy.h"
#include "pixels.h"

namespace kmxaravis {

// The reserved words of a delivered record (they carry a mosaic's phase).
using kmxsupport::rw_bytes;
using kmxsupport::rw_format;
using kmxsupport::rw_height;
using kmxsupport::rw_sequence;
using kmxsupport::rw_width;
constexpr uint32_t frame_tag = 0x41584D4Bu; // "KMXA"

void mark_delivered(kmx_frame_t& record, const Clayout& layout, uint32_t sequence);
// The layout of the frame a record holds; false when the record holds no
// frame of ours, or one that does not fit its buffer.
bool delivered_layout(const kmx_frame_t& record, Clayout& layout);

// The destination formats of the copies.
bool copy_format_known(unsigned format);

// Copies the frame of `record` (or the `source` region of it) into
// `pixels`: rows rect.top to rect.bottom - 1, bytes rect.left to
// rect.right - 1 of each (times the pixel size), nothing else. Deep
// samples keep their top 8 bits; raw mosaics are demosaiced by their
// 2 x 2 cell. Returns a contract status.
int copy_frame(const kmx_frame_t* record, const RECT* source, unsigned format,
               unsigned char* pixels, RECT rect, unsigned rowbytes);

// Mean red, green and blue (grey: three equal means) of a delivered
// frame over a region, on the 8-bit scale; at most about 65536 pixels are
// read, spread evenly. False when the record holds no frame or the region
// misses it.
bool measure_means(const kmx_frame_t& record, RECT region, double means[3]);

} // namespace kmxaravis

#endif
