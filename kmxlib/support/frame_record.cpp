// SPDX-License-Identifier: Apache-2.0
#include "kmxlib/support/frame_record.h"

#include <array>
#include <cstddef>

namespace kmxsupport {

namespace {

constexpr uint32_t check_seed = 0x9E3779B9u;
constexpr uint32_t fnv_prime = 16777619u;
constexpr uint32_t depth_mask = 0xFFu;
constexpr uint32_t colour_bit = 0x100u;
constexpr unsigned phase_shift = 9;
constexpr uint32_t phase_mask = 0x7u;

constexpr unsigned red = 0, green = 1, blue = 2;
// The colours of a cell's four sites (row-major, top left first) by phase.
constexpr std::array<std::array<unsigned, 4>, 5> cell_colours = {{
    {green, green, green, green},  // none
    {red, green, green, blue},     // rggb
    {green, red, blue, green},     // grbg
    {green, blue, red, green},     // gbrg
    {blue, green, green, red},     // bggr
}};

uint32_t check_word(const kmx_frame_t& r)
{
    uint32_t check = check_seed;
    for (unsigned i = 0; i < rw_check; ++i)
        check = (check ^ r.reserved[i]) * fnv_prime;
    return check;
}

} // namespace

unsigned mosaic_colour(Ebayer bayer, unsigned x, unsigned y)
{
    const auto phase = static_cast<size_t>(bayer);
    if (phase >= cell_colours.size())
        return green;
    return cell_colours[phase][(y & 1) * 2 + (x & 1)];
}

void write_record_words(kmx_frame_t& r, uint32_t tag, const Crecord_words& w)
{
    r.reserved[rw_tag] = tag;
    r.reserved[rw_sequence] = w.sequence;
    r.reserved[rw_width] = w.width;
    r.reserved[rw_height] = w.height;
    r.reserved[rw_format] = w.format;
    r.reserved[rw_layout] = (w.depth & depth_mask) | (w.colour ? colour_bit : 0u) |
                            (static_cast<uint32_t>(w.bayer) << phase_shift);
    r.reserved[rw_bytes] = w.bytes;
    r.reserved[rw_check] = check_word(r);
}

bool read_record_words(const kmx_frame_t& r, uint32_t tag, Crecord_words& w)
{
    if (r.reserved[rw_tag] != tag || r.reserved[rw_check] != check_word(r))
        return false;
    const uint32_t layout = r.reserved[rw_layout];
    w.sequence = r.reserved[rw_sequence];
    w.width = r.reserved[rw_width];
    w.height = r.reserved[rw_height];
    w.format = r.reserved[rw_format];
    w.depth = layout & depth_mask;
    w.colour = (layout & colour_bit) != 0;
    w.bayer = static_cast<Ebayer>((layout >> phase_shift) & phase_mask);
    w.bytes = r.reserved[rw_bytes];
    return true;
}

} // namespace kmxsupport
