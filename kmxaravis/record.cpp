// SPDX-License-Identifier: Apache-2.0
// Record words of delivered frames and the copies into caller memory.
#include "record.h"

#include <algorithm>

namespace kmxaravis {

namespace {

constexpr uint32_t check_seed = 0x9E3779B9u;
constexpr uint32_t fnv_prime = 16777619u;
constexpr uint32_t mosaic_bit = 0x100u;
constexpr unsigned phase_shift = 9;
constexpr uint32_t phase_mask = 0x7u;

uint32_t check_word(const kmx_frame_t& r)
{
    uint32_t check = check_seed;
    for (unsigned i = 0; i < rw_check; ++i)
        check = (check ^ r.reserved[i]) * fnv_prime;
    return check;
}

struct Crgb {
    unsigned r, g, b;
};

unsigned destination_pixel_size(unsigned format)
{
    switch (format) {
    case code_mono8: return 1;
    case code_rgb24: case code_bgr24: return 3;
    case code_rgb32: case code_bgr32: return 4;
    default: return 0;
    }
}

bool rect_valid(const RECT& r)
{
    return r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top;
}

// Reads a delivered frame as 8-bit colour.
class Creader {
public:
    Creader(const kmx_frame_t& r, const Clayout& l)
        : base_(static_cast<const unsigned char*>(r.buffer)), l_(l)
    {
    }

    Crgb at(unsigned x, unsigned y) const
    {
        if (l_.format == code_raw)
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
        const unsigned char* p = base_ + y * l_.row_bytes() +
                                 (uint64_t{x} * l_.components + k) * l_.sample_bytes;
        if (l_.sample_bytes == 1)
            return *p;
        const unsigned v = p[0] | (static_cast<unsigned>(p[1]) << 8);
        return (v >> (l_.depth - 8)) & 0xFF;
    }

    // The cell's red, the mean of its greens, its blue; a cell cut by an
    // odd edge reuses the samples it has.
    Crgb mosaic(unsigned x, unsigned y) const
    {
        const unsigned x0 = x & ~1u, y0 = y & ~1u;
        const unsigned x1 = std::min(x0 + 1, l_.width - 1), y1 = std::min(y0 + 1, l_.height - 1);
        unsigned sums[3] = {0, 0, 0}, counts[3] = {0, 0, 0};
        for (unsigned sy : {y0, y1}) {
            for (unsigned sx : {x0, x1}) {
                const unsigned c = mosaic_colour(l_.bayer, sx, sy);
                sums[c] += sample8(sx, sy, 0);
                ++counts[c];
            }
        }
        auto mean = [&](unsigned c) { return counts[c] ? sums[c] / counts[c] : 0u; };
        return Crgb{mean(0), mean(1), mean(2)};
    }

    const unsigned char* base_;
    Clayout l_;
};

void write_pixel(unsigned char* p, unsigned format, const Crgb& c)
{
    switch (format) {
    case code_mono8:
        p[0] = static_cast<unsigned char>((77 * c.r + 150 * c.g + 29 * c.b + 128) >> 8);
        return;
    case code_rgb24: case code_rgb32:
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
    if (format == code_rgb32 || format == code_bgr32)
        p[3] = 0;
}

} // namespace

void mark_delivered(kmx_frame_t& r, const Clayout& l, uint32_t sequence)
{
    r.reserved[rw_tag] = frame_tag;
    r.reserved[rw_sequence] = sequence;
    r.reserved[rw_width] = l.width;
    r.reserved[rw_height] = l.height;
    r.reserved[rw_format] = l.format;
    r.reserved[rw_layout] = l.depth | (l.colour ? mosaic_bit : 0u) |
                            (static_cast<uint32_t>(l.bayer) << phase_shift);
    r.reserved[rw_bytes] = static_cast<uint32_t>(l.bytes());
    r.reserved[rw_check] = check_word(r);
}

bool delivered_layout(const kmx_frame_t& r, Clayout& l)
{
    if (r.reserved[rw_tag] != frame_tag || r.reserved[rw_check] != check_word(r))
        return false;
    const uint32_t layout = r.reserved[rw_layout];
    const unsigned width = r.reserved[rw_width], height = r.reserved[rw_height];
    if (r.reserved[rw_format] == code_raw) {
        l = Clayout{width, height, code_raw, 1, 2, layout & 0xFFu, (layout & mosaic_bit) != 0,
                    false, static_cast<Ebayer>((layout >> phase_shift) & phase_mask)};
        if (l.depth < 8 || l.depth > max_raw_depth)
            return false;
    } else if (!layout_for_code(r.reserved[rw_format], width, height, l)) {
        return false;
    }
    return r.buffer != nullptr && width != 0 && height != 0 && l.bytes() <= r.buffer_size &&
           l.bytes() == r.reserved[rw_bytes];
}

bool copy_format_known(unsigned format) { return destination_pixel_size(format) != 0; }

int copy_frame(const kmx_frame_t* record, const RECT* source, unsigned format,
               unsigned char* pixels, RECT rect, unsigned rowbytes)
{
    if (record == nullptr || pixels == nullptr)
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
    if (source != nullptr) {
        if (!rect_valid(*source) || source->right > from.right || source->bottom > from.bottom)
            return KMX_ERR_BAD_ARGUMENT;
        from = *source;
    }
    const int64_t width = std::min<int64_t>(from.right - from.left, rect.right - rect.left);
    const int64_t height = std::min<int64_t>(from.bottom - from.top, rect.bottom - rect.top);
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

bool measure_means(const kmx_frame_t& record, RECT region, double means[3])
{
    constexpr int64_t wanted_samples = 65536;
    Clayout l;
    if (!delivered_layout(record, l))
        return false;
    region.left = std::max<LONG>(region.left, 0);
    region.top = std::max<LONG>(region.top, 0);
    region.right = std::min<LONG>(region.right, static_cast<LONG>(l.width));
    region.bottom = std::min<LONG>(region.bottom, static_cast<LONG>(l.height));
    if (region.right <= region.left || region.bottom <= region.top)
        return false;
    const int64_t area = int64_t{region.right - region.left} * (region.bottom - region.top);
    // A grid step that keeps the sample count near the wanted one; odd, so
    // a mosaic's cells are not all read at the same site.
    int64_t step = 1;
    while (area / (step * step) > wanted_samples)
        step += 2;
    const Creader reader(record, l);
    double sums[3] = {0, 0, 0};
    uint64_t n = 0;
    for (int64_t y = region.top; y < region.bottom; y += step) {
        for (int64_t x = region.left; x < region.right; x += step) {
            const Crgb c = reader.at(static_cast<unsigned>(x), static_cast<unsigned>(y));
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
