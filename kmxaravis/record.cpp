// SPDX-License-Identifier: Apache-2.0
// Record words of delivered frames and the copies into caller memory.
#include "record.h"

#include <algorithm>

namespace kmxaravis {

namespace {

bool delivered_view(const kmx_frame_t& r, kmxsupport::Cframe_view& f)
{
    Clayout l;
    if (!delivered_layout(r, l))
        return false;
    f = kmxsupport::frame_view(r, l, l.bayer);
    return true;
}

// Aravis' rows are converted by the plain loop: its copies are not the
// hot path the simulator's are.
constexpr kmxsupport::Ccopy_source copy_source{delivered_view, kmxsupport::deep_to_8};

} // namespace

void mark_delivered(kmx_frame_t& r, const Clayout& l, uint32_t sequence)
{
    kmxsupport::write_record_words(r, frame_tag, kmxsupport::record_words(l, sequence, l.bayer));
}

bool delivered_layout(const kmx_frame_t& r, Clayout& l)
{
    kmxsupport::Crecord_words w;
    if (!kmxsupport::read_record_words(r, frame_tag, w))
        return false;
    if (w.format == code_raw) {
        l = Clayout{w.width, w.height, code_raw, 1, 2, w.depth, w.colour, false, w.bayer};
        if (l.depth < 8 || l.depth > max_raw_depth)
            return false;
    } else if (!layout_for_code(w.format, w.width, w.height, l)) {
        return false;
    }
    return r.buffer != nullptr && w.width != 0 && w.height != 0 && l.bytes() <= r.buffer_size &&
           l.bytes() == w.bytes;
}

bool copy_format_known(unsigned format) { return kmxsupport::copy_pixel_size(format) != 0; }

int copy_frame(const kmx_frame_t* record, const RECT* source, unsigned format,
               unsigned char* pixels, RECT rect, unsigned rowbytes)
{
    return kmxsupport::copy_frame(copy_source, record, source, format, pixels, rect, rowbytes);
}

bool measure_means(const kmx_frame_t& record, RECT region, double means[3])
{
    constexpr int64_t wanted_samples = 65536;
    Clayout l;
    if (!delivered_layout(record, l))
        return false;
    if (!kmxsupport::clip_to_frame(region, l.width, l.height))
        return false;
    const int64_t area = int64_t{region.right - region.left} * (region.bottom - region.top);
    // A grid step that keeps the sample count near the wanted one; odd, so
    // a mosaic's cells are not all read at the same site.
    int64_t step = 1;
    while (area / (step * step) > wanted_samples)
        step += 2;
    const kmxsupport::Cframe_reader reader(kmxsupport::frame_view(record, l, l.bayer));
    double sums[3] = {0, 0, 0};
    uint64_t n = 0;
    for (int64_t y = region.top; y < region.bottom; y += step) {
        for (int64_t x = region.left; x < region.right; x += step) {
            const kmxsupport::Crgb c = reader.at(static_cast<unsigned>(x), static_cast<unsigned>(y));
            sums[0] += c.r;
            sums[1] += c.g;
            sums[2] += c.b;
            ++n;
        }
    }
    for (unsigned k = 0; k < 3; ++k)
        means[k] = sums[k] / static_cast<double>(n);
    return true;
}

} // namespace kmxaravis
