// SPDX-License-Identifier: Apache-2.0
// Camera encodings, delivered layouts, the choice between them and the
// conversions. A conversion works row by row: it unpacks the camera's
// samples into 16-bit values at the camera's depth, demosaics where the
// camera sends a Bayer mosaic, then writes the delivered layout.
#include "pixels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace kmxaravis {

namespace {

// PFNC values that Aravis 0.8 names only in their older packed forms.
constexpr uint32_t pfnc_mono10p = 0x010A0046u;
constexpr uint32_t pfnc_mono12p = 0x010C0047u;

std::vector<Csource_format> make_source_formats()
{
    using E = Eencoding;
    using B = Ebayer;
    return {
        {0x01080001u, "Mono8", E::mono8, 8, B::none},
        {0x01100003u, "Mono10", E::words16, 10, B::none},
        {0x01100005u, "Mono12", E::words16, 12, B::none},
        {0x01100025u, "Mono14", E::words16, 14, B::none},
        {0x01100007u, "Mono16", E::words16, 16, B::none},
        {0x010C0004u, "Mono10Packed", E::packed_gige, 10, B::none},
        {0x010C0006u, "Mono12Packed", E::packed_gige, 12, B::none},
        {pfnc_mono10p, "Mono10p", E::packed_bits, 10, B::none},
        {pfnc_mono12p, "Mono12p", E::packed_bits, 12, B::none},
        {0x02180014u, "RGB8", E::rgb8, 8, B::none},
        {0x02180015u, "BGR8", E::bgr8, 8, B::none},
        {0x02200016u, "RGBa8", E::rgba8, 8, B::none},
        {0x02200017u, "BGRa8", E::bgra8, 8, B::none},
        {0x02300018u, "RGB10", E::rgb16, 10, B::none},
        {0x02300019u, "BGR10", E::bgr16, 10, B::none},
        {0x0230001Au, "RGB12", E::rgb16, 12, B::none},
        {0x0230001Bu, "BGR12", E::bgr16, 12, B::none},
        {0x01080009u, "BayerRG8", E::mono8, 8, B::rggb},
        {0x01080008u, "BayerGR8", E::mono8, 8, B::grbg},
        {0x0108000Au, "BayerGB8", E::mono8, 8, B::gbrg},
        {0x0108000Bu, "BayerBG8", E::mono8, 8, B::bggr},
        {0x0110000Du, "BayerRG10", E::words16, 10, B::rggb},
        {0x0110000Cu, "BayerGR10", E::words16, 10, B::grbg},
        {0x0110000Eu, "BayerGB10", E::words16, 10, B::gbrg},
        {0x0110000Fu, "BayerBG10", E::words16, 10, B::bggr},
        {0x01100011u, "BayerRG12", E::words16, 12, B::rggb},
        {0x01100010u, "BayerGR12", E::words16, 12, B::grbg},
        {0x01100012u, "BayerGB12", E::words16, 12, B::gbrg},
        {0x01100013u, "BayerBG12", E::words16, 12, B::bggr},
        {0x0110002Fu, "BayerRG16", E::words16, 16, B::rggb},
        {0x0110002Eu, "BayerGR16", E::words16, 16, B::grbg},
        {0x01100030u, "BayerGB16", E::words16, 16, B::gbrg},
        {0x01100031u, "BayerBG16", E::words16, 16, B::bggr},
        {0x010C0027u, "BayerRG10Packed", E::packed_gige, 10, B::rggb},
        {0x010C0026u, "BayerGR10Packed", E::packed_gige, 10, B::grbg},
        {0x010C0028u, "BayerGB10Packed", E::packed_gige, 10, B::gbrg},
        {0x010C0029u, "BayerBG10Packed", E::packed_gige, 10, B::bggr},
        {0x010C002Bu, "BayerRG12Packed", E::packed_gige, 12, B::rggb},
        {0x010C002Au, "BayerGR12Packed", E::packed_gige, 12, B::grbg},
        {0x010C002Cu, "BayerGB12Packed", E::packed_gige, 12, B::gbrg},
        {0x010C002Du, "BayerBG12Packed", E::packed_gige, 12, B::bggr},
        {0x010A0058u, "BayerRG10p", E::packed_bits, 10, B::rggb},
        {0x010A0056u, "BayerGR10p", E::packed_bits, 10, B::grbg},
        {0x010A0054u, "BayerGB10p", E::packed_bits, 10, B::gbrg},
        {0x010A0052u, "BayerBG10p", E::packed_bits, 10, B::bggr},
        {0x010C0059u, "BayerRG12p", E::packed_bits, 12, B::rggb},
        {0x010C0057u, "BayerGR12p", E::packed_bits, 12, B::grbg},
        {0x010C0055u, "BayerGB12p", E::packed_bits, 12, B::gbrg},
        {0x010C0053u, "BayerBG12p", E::packed_bits, 12, B::bggr},
    };
}

bool is_packed_colour(Eencoding e)
{
    switch (e) {
    case Eencoding::rgb8: case Eencoding::bgr8: case Eencoding::rgba8: case Eencoding::bgra8:
    case Eencoding::rgb16: case Eencoding::bgr16:
        return true;
    default:
        return false;
    }
}

unsigned pixel_bytes(Eencoding e)
{
    switch (e) {
    case Eencoding::mono8: return 1;
    case Eencoding::words16: return 2;
    case Eencoding::rgb8: case Eencoding::bgr8: return 3;
    case Eencoding::rgba8: case Eencoding::bgra8: return 4;
    case Eencoding::rgb16: case Eencoding::bgr16: return 6;
    default: return 0; // the packed encodings are not whole bytes per sample
    }
}

// The colours of mosaic_colour's answers.
constexpr unsigned red = 0, green = 1, blue = 2;

// Rank of a candidate source for a delivered format: lower is cheaper.
enum conversion_cost : unsigned { cost_direct = 0, cost_reorder = 1, cost_unpack = 2, cost_demosaic = 3 };

bool same_bytes(const Csource_format& s, const Clayout& out)
{
    if (out.format == code_raw)
        return s.encoding == Eencoding::words16 && s.depth == out.depth;
    switch (out.format) {
    case code_mono8: return s.encoding == Eencoding::mono8 && !s.mosaic();
    case code_mono10: return s.encoding == Eencoding::words16 && !s.mosaic() && s.depth == 10;
    case code_mono12: return s.encoding == Eencoding::words16 && !s.mosaic() && s.depth == 12;
    case code_rgb24: return s.encoding == Eencoding::rgb8;
    case code_bgr24: return s.encoding == Eencoding::bgr8;
    case code_rgb32: return s.encoding == Eencoding::rgba8;
    case code_bgr32: return s.encoding == Eencoding::bgra8;
    case code_rgb30: return s.encoding == Eencoding::rgb16 && s.depth == 10;
    case code_rgb36: return s.encoding == Eencoding::rgb16 && s.depth == 12;
    default: return false;
    }
}

unsigned cost_of(const Csource_format& s, const Clayout& out)
{
    if (same_bytes(s, out))
        return cost_direct;
    if (s.mosaic() && out.format != code_raw)
        return cost_demosaic;
    if (s.encoding == Eencoding::packed_gige || s.encoding == Eencoding::packed_bits)
        return cost_unpack;
    return cost_reorder;
}

// Whether a source can make the delivered layout at all.
bool can_make(const Csource_format& s, const Clayout& out, bool colour_camera)
{
    if (out.format == code_raw)
        return colour_camera ? s.mosaic() : !s.colour();
    if (out.colour != s.colour())
        return false;
    return s.depth >= out.depth;
}

// 16-bit little-endian store and load, whatever the host.
inline void store16(uint8_t* p, unsigned v)
{
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline unsigned load16(const uint8_t* p) { return p[0] | (static_cast<unsigned>(p[1]) << 8); }

// Reads one camera image; every read is bounded by the image's bytes.
class Csource_reader {
public:
    Csource_reader(const Csource_format& format, const uint8_t* base, uint64_t bytes,
                   unsigned width)
        : f_(format), base_(base), bytes_(bytes), width_(width)
    {
    }

    // Samples of row y of a single-channel encoding (mono or mosaic).
    void samples(unsigned y, uint16_t* out) const
    {
        const uint64_t first = uint64_t{y} * width_;
        for (unsigned x = 0; x < width_; ++x)
            out[x] = sample(first + x);
    }

    // Pixels of row y of a packed colour encoding, in R, G, B order.
    void pixels(unsigned y, uint16_t* r, uint16_t* g, uint16_t* b) const
    {
        const unsigned size = pixel_bytes(f_.encoding);
        const bool wide = f_.encoding == Eencoding::rgb16 || f_.encoding == Eencoding::bgr16;
        const bool reversed = f_.encoding == Eencoding::bgr8 || f_.encoding == Eencoding::bgra8 ||
                              f_.encoding == Eencoding::bgr16;
        for (unsigned x = 0; x < width_; ++x) {
            const uint64_t at = (uint64_t{y} * width_ + x) * size;
            unsigned c[3] = {0, 0, 0};
            if (at + size <= bytes_) {
                const uint8_t* p = base_ + at;
                for (unsigned k = 0; k < 3; ++k)
                    c[k] = wide ? load16(p + 2 * k) : p[k];
            }
            r[x] = static_cast<uint16_t>(reversed ? c[2] : c[0]);
            g[x] = static_cast<uint16_t>(c[1]);
            b[x] = static_cast<uint16_t>(reversed ? c[0] : c[2]);
        }
    }

private:
    unsigned sample(uint64_t i) const
    {
        switch (f_.encoding) {
        case Eencoding::mono8:
            return i < bytes_ ? base_[i] : 0;
        case Eencoding::words16:
            return 2 * i + 2 <= bytes_ ? load16(base_ + 2 * i) : 0;
        case Eencoding::packed_gige:
            return gige_sample(i);
        default:
            return bit_sample(i);
        }
    }

    // Two samples in three bytes: the high bits of each in bytes 0 and 2,
    // their low bits in the two halves of byte 1.
    unsigned gige_sample(uint64_t i) const
    {
        const uint64_t at = (i / 2) * 3;
        if (at + 3 > bytes_)
            return 0;
        const uint8_t* p = base_ + at;
        const unsigned low_bits = f_.depth - 8;
        const unsigned low_mask = (1u << low_bits) - 1;
        if ((i & 1) == 0)
            return (static_cast<unsigned>(p[0]) << low_bits) | (p[1] & low_mask);
        return (static_cast<unsigned>(p[2]) << low_bits) | ((p[1] >> 4) & low_mask);
    }

    // Sample i takes bits i * depth onward of a little-endian bit stream.
    unsigned bit_sample(uint64_t i) const
    {
        const uint64_t bit = i * f_.depth;
        const uint64_t at = bit / 8;
        uint32_t window = 0;
        for (unsigned k = 0; k < 3; ++k)
            if (at + k < bytes_)
                window |= static_cast<uint32_t>(base_[at + k]) << (8 * k);
        return (window >> (bit % 8)) & ((1u << f_.depth) - 1);
    }

    const Csource_format& f_;
    const uint8_t* base_;
    uint64_t bytes_;
    unsigned width_;
};

// Index reflected into [0, n): -1 becomes 1 and n becomes n - 2, which
// keeps the parity a mosaic needs.
inline unsigned reflect(long i, unsigned n)
{
    if (i < 0)
        i = -i;
    if (i >= static_cast<long>(n))
        i = 2 * static_cast<long>(n) - 2 - i;
    return static_cast<unsigned>(std::clamp<long>(i, 0, static_cast<long>(n) - 1));
}

// Bilinear demosaicing of one row from the rows above, at and below.
void demosaic_row(Ebayer bayer, unsigned y, unsigned width, const uint16_t* up,
                  const uint16_t* at, const uint16_t* down, uint16_t* r, uint16_t* g,
                  uint16_t* b)
{
    uint16_t* planes[3] = {r, g, b};
    for (unsigned x = 0; x < width; ++x) {
        const unsigned left = reflect(static_cast<long>(x) - 1, width);
        const unsigned right = reflect(static_cast<long>(x) + 1, width);
        const unsigned own = mosaic_colour(bayer, x, y);
        const unsigned cross = (up[x] + down[x] + at[left] + at[right] + 2) / 4;
        const unsigned diagonal = (up[left] + up[right] + down[left] + down[right] + 2) / 4;
        const unsigned across = (at[left] + at[right] + 1) / 2;
        const unsigned vertical = (up[x] + down[x] + 1) / 2;
        planes[own][x] = at[x];
        if (own == green) {
            // The row's other colour lies left and right, the third above and below.
            const unsigned row_other = mosaic_colour(bayer, x ^ 1u, y);
            planes[row_other][x] = static_cast<uint16_t>(across);
            planes[2 - row_other][x] = static_cast<uint16_t>(vertical);
        } else {
            planes[green][x] = static_cast<uint16_t>(cross);
            planes[2 - own][x] = static_cast<uint16_t>(diagonal);
        }
    }
}

// Writes one delivered row from unpacked values at `depth` bits.
class Crow_writer {
public:
    Crow_writer(const Clayout& out, unsigned depth)
        : out_(out), shift_(depth > out.depth ? depth - out.depth : 0)
    {
    }

    void single(const uint16_t* v, unsigned count, uint8_t* row) const
    {
        for (unsigned x = 0; x < count; ++x)
            put(row + uint64_t{x} * out_.sample_bytes, v[x] >> shift_);
    }

    void colour(const uint16_t* r, const uint16_t* g, const uint16_t* b, unsigned count,
                uint8_t* row) const
    {
        const uint64_t pixel = uint64_t{out_.components} * out_.sample_bytes;
        const uint16_t* first = out_.reversed ? b : r;
        const uint16_t* third = out_.reversed ? r : b;
        for (unsigned x = 0; x < count; ++x) {
            uint8_t* p = row + x * pixel;
            put(p, first[x] >> shift_);
            put(p + out_.sample_bytes, g[x] >> shift_);
            put(p + 2 * out_.sample_bytes, third[x] >> shift_);
            if (out_.components == 4)
                put(p + 3 * out_.sample_bytes, 0);
        }
    }

private:
    void put(uint8_t* p, unsigned v) const
    {
        if (out_.sample_bytes == 1)
            *p = static_cast<uint8_t>(v);
        else
            store16(p, v);
    }

    const Clayout& out_;
    unsigned shift_;
};

// The common case of colour cameras: 8-bit colour reordered.
bool convert_colour8_fast(const Cplan& plan, const uint8_t* source, uint64_t source_bytes,
                          unsigned width, unsigned height, uint8_t* out)
{
    const Eencoding e = plan.source->encoding;
    const Clayout& l = plan.out;
    const bool three = e == Eencoding::rgb8 || e == Eencoding::bgr8;
    const bool four = e == Eencoding::rgba8 || e == Eencoding::bgra8;
    if (!(three || four) || l.sample_bytes != 1 || width != l.width || height != l.height)
        return false;
    const unsigned in_size = three ? 3 : 4;
    if (uint64_t{width} * height * in_size > source_bytes)
        return false;
    const bool in_reversed = e == Eencoding::bgr8 || e == Eencoding::bgra8;
    const bool swap = in_reversed != l.reversed;
    const uint64_t pixels = uint64_t{width} * height;
    const unsigned out_size = l.components;
    for (uint64_t i = 0; i < pixels; ++i) {
        const uint8_t* p = source + i * in_size;
        uint8_t* q = out + i * out_size;
        q[0] = swap ? p[2] : p[0];
        q[1] = p[1];
        q[2] = swap ? p[0] : p[2];
        if (out_size == 4)
            q[3] = 0;
    }
    return true;
}

// 8-bit pixels through byte tables, one per component of the pixel (the
// fourth byte of 32-bit pixels stays as it is).
void tone_bytes(const Clayout& l, const std::vector<uint16_t> (&tables)[3], uint8_t* pixels)
{
    uint8_t bytes[4][256];
    for (unsigned k = 0; k < 4; ++k) {
        const unsigned colour = !l.colour ? green : k < 3 ? (l.reversed ? 2 - k : k) : 4;
        for (unsigned v = 0; v < 256; ++v)
            bytes[k][v] = static_cast<uint8_t>(colour < 3 ? tables[colour][v] : v);
    }
    const uint64_t count = l.bytes();
    const unsigned size = l.components;
    if (size == 1) {
        for (uint64_t i = 0; i < count; ++i)
            pixels[i] = bytes[0][pixels[i]];
        return;
    }
    for (uint64_t i = 0; i + size <= count; i += size) {
        uint8_t* p = pixels + i;
        p[0] = bytes[0][p[0]];
        p[1] = bytes[1][p[1]];
        p[2] = bytes[2][p[2]];
        if (size == 4)
            p[3] = bytes[3][p[3]];
    }
}

} // namespace

bool Csource_format::packed_colour() const { return is_packed_colour(encoding); }

const std::vector<Csource_format>& source_formats()
{
    static const std::vector<Csource_format> formats = make_source_formats();
    return formats;
}

const Csource_format* find_source(uint32_t pfnc)
{
    for (const Csource_format& f : source_formats())
        if (f.pfnc == pfnc)
            return &f;
    return nullptr;
}

uint64_t source_image_bytes(const Csource_format& source, unsigned width, unsigned height)
{
    const uint64_t samples = uint64_t{width} * height;
    switch (source.encoding) {
    case Eencoding::packed_gige: return (samples + 1) / 2 * 3;
    case Eencoding::packed_bits: return (samples * source.depth + 7) / 8;
    default: return samples * pixel_bytes(source.encoding);
    }
}

bool layout_for_code(unsigned code, unsigned width, unsigned height, Clayout& l)
{
    struct Crow {
        unsigned code, components, sample_bytes, depth;
        bool colour, reversed;
    };
    static constexpr Crow rows[] = {
        {code_mono8, 1, 1, 8, false, false},  {code_mono10, 1, 2, 10, false, false},
        {code_mono12, 1, 2, 12, false, false}, {code_rgb24, 3, 1, 8, true, false},
        {code_bgr24, 3, 1, 8, true, true},     {code_rgb32, 4, 1, 8, true, false},
        {code_bgr32, 4, 1, 8, true, true},     {code_rgb30, 3, 2, 10, true, false},
        {code_rgb36, 3, 2, 12, true, false},
    };
    for (const Crow& r : rows) {
        if (r.code != code)
            continue;
        l = Clayout{width, height, code, r.components, r.sample_bytes, r.depth, r.colour,
                    r.reversed, Ebayer::none};
        return true;
    }
    return false;
}

Clayout raw_layout(const Csource_format& source, unsigned width, unsigned height)
{
    Clayout l;
    l.width = width;
    l.height = height;
    l.format = code_raw;
    l.components = 1;
    l.sample_bytes = 2;
    l.depth = std::min(source.depth, max_raw_depth);
    l.colour = source.mosaic();
    l.bayer = source.bayer;
    return l;
}

bool offers_colour(const std::vector<uint32_t>& offered)
{
    for (uint32_t pfnc : offered) {
        const Csource_format* f = find_source(pfnc);
        if (f != nullptr && f->colour())
            return true;
    }
    return false;
}

bool plan_format(const std::vector<uint32_t>& offered, bool colour_camera, unsigned code,
                 unsigned width, unsigned height, Cplan& plan)
{
    Clayout wanted;
    if (code != code_raw) {
        if (!layout_for_code(code, width, height, wanted) || wanted.colour != colour_camera)
            return false;
    }
    // Ranked by: raw - the deepest source first; others - the cheapest
    // conversion, then the fewest surplus bits.
    const Csource_format* best = nullptr;
    Clayout best_layout;
    std::pair<unsigned, unsigned> best_rank{std::numeric_limits<unsigned>::max(), 0};
    for (uint32_t pfnc : offered) {
        const Csource_format* s = find_source(pfnc);
        if (s == nullptr)
            continue;
        const Clayout out = code == code_raw ? raw_layout(*s, width, height) : wanted;
        if (!can_make(*s, out, colour_camera))
            continue;
        const unsigned cost = cost_of(*s, out);
        const std::pair<unsigned, unsigned> rank =
            code == code_raw ? std::make_pair(max_raw_depth - out.depth, cost)
                             : std::make_pair(cost, s->depth - out.depth);
        if (best == nullptr || rank < best_rank) {
            best = s;
            best_layout = out;
            best_rank = rank;
        }
    }
    if (best == nullptr)
        return false;
    plan.source = best;
    plan.out = best_layout;
    plan.direct = cost_of(*best, best_layout) == cost_direct;
    return true;
}

void convert_frame(const Cplan& plan, const uint8_t* source, uint64_t source_bytes,
                   unsigned source_width, unsigned source_height, uint8_t* out)
{
    const Clayout& l = plan.out;
    const Csource_format& s = *plan.source;
    if (convert_colour8_fast(plan, source, source_bytes, source_width, source_height, out))
        return;
    std::memset(out, 0, l.bytes());
    const unsigned width = std::min(source_width, l.width);
    const unsigned height = std::min(source_height, l.height);
    if (width == 0 || height == 0)
        return;
    const Csource_reader reader(s, source, source_bytes, source_width);
    const Crow_writer writer(l, s.depth);
    std::vector<uint16_t> planes(3 * size_t{source_width});
    uint16_t* r = planes.data();
    uint16_t* g = r + source_width;
    uint16_t* b = g + source_width;

    if (s.packed_colour()) {
        for (unsigned y = 0; y < height; ++y) {
            reader.pixels(y, r, g, b);
            writer.colour(r, g, b, width, out + y * l.row_bytes());
        }
        return;
    }
    if (!s.mosaic() || l.format == code_raw) {
        for (unsigned y = 0; y < height; ++y) {
            reader.samples(y, r);
            writer.single(r, width, out + y * l.row_bytes());
        }
        return;
    }
    // Demosaicing keeps three unpacked rows: above, at and below.
    std::vector<uint16_t> rows(3 * size_t{source_width});
    auto row_of = [&](unsigned y) { return rows.data() + (y % 3) * size_t{source_width}; };
    reader.samples(0, row_of(0));
    if (source_height > 1)
        reader.samples(1, row_of(1));
    for (unsigned y = 0; y < height; ++y) {
        if (y >= 1 && y + 1 < source_height)
            reader.samples(y + 1, row_of(y + 1));
        const unsigned up = reflect(static_cast<long>(y) - 1, source_height);
        const unsigned down = reflect(static_cast<long>(y) + 1, source_height);
        demosaic_row(s.bayer, y, source_width, row_of(up), row_of(y), row_of(down), r, g, b);
        writer.colour(r, g, b, width, out + y * l.row_bytes());
    }
}

Clayout halve_layout(const Clayout& full)
{
    Clayout half = full;
    half.width = full.width / 2;
    half.height = full.height / 2;
    return half;
}

void halve_frame(const Clayout& full, const uint8_t* in, uint8_t* out)
{
    const Clayout half = halve_layout(full);
    const unsigned samples = full.components;
    const unsigned bytes = full.sample_bytes;
    auto get = [&](unsigned x, unsigned y, unsigned k) {
        const uint8_t* p = in + y * full.row_bytes() + (uint64_t{x} * samples + k) * bytes;
        return bytes == 1 ? unsigned{*p} : load16(p);
    };
    for (unsigned y = 0; y < half.height; ++y) {
        uint8_t* row = out + y * half.row_bytes();
        for (unsigned x = 0; x < half.width; ++x) {
            for (unsigned k = 0; k < samples; ++k) {
                unsigned v;
                if (full.format == code_raw && full.colour) {
                    // Every other 2 x 2 cell: the site keeps its colour.
                    v = get((x & ~1u) * 2 + (x & 1), (y & ~1u) * 2 + (y & 1), k);
                } else {
                    v = (get(2 * x, 2 * y, k) + get(2 * x + 1, 2 * y, k) +
                         get(2 * x, 2 * y + 1, k) + get(2 * x + 1, 2 * y + 1, k) + 2) / 4;
                }
                uint8_t* p = row + (uint64_t{x} * samples + k) * bytes;
                if (bytes == 1)
                    *p = static_cast<uint8_t>(v);
                else
                    store16(p, v);
            }
        }
    }
}

bool Ctone::neutral_for(const Clayout& l) const
{
    const bool eight_bit = l.depth == 8 && l.format != code_raw;
    const bool boosts = l.colour && (red_boost || blue_boost);
    return !invert && !boosts && !(eight_bit && contrast != neutral_contrast);
}

void apply_tone(const Clayout& l, const Ctone& tone, uint8_t* pixels)
{
    if (tone.neutral_for(l))
        return;
    // One table per colour: sample value in, sample value out.
    const unsigned top = (1u << l.depth) - 1;
    const bool eight_bit = l.depth == 8 && l.format != code_raw;
    const double contrast = double(tone.contrast) / neutral_contrast;
    std::vector<uint16_t> tables[3];
    for (unsigned c = 0; c < 3; ++c) {
        const bool boosted = l.colour && ((c == red && tone.red_boost) || (c == blue && tone.blue_boost));
        tables[c].resize(size_t{top} + 1);
        for (unsigned v = 0; v <= top; ++v) {
            double x = boosted ? v * boost_factor : v;
            if (eight_bit && tone.contrast != neutral_contrast)
                x = 127.5 + (x - 127.5) * contrast;
            unsigned out = static_cast<unsigned>(std::lround(std::clamp(x, 0.0, double(top))));
            if (tone.invert)
                out = top - out;
            tables[c][v] = static_cast<uint16_t>(out);
        }
    }
    if (l.sample_bytes == 1 && l.format != code_raw) {
        tone_bytes(l, tables, pixels);
        return;
    }
    const unsigned samples = l.components;
    for (unsigned y = 0; y < l.height; ++y) {
        uint8_t* row = pixels + y * l.row_bytes();
        for (unsigned x = 0; x < l.width; ++x) {
            for (unsigned k = 0; k < std::min(samples, 3u); ++k) {
                unsigned colour = l.colour ? (l.reversed ? 2 - k : k) : green;
                if (l.format == code_raw)
                    colour = l.colour ? mosaic_colour(l.bayer, x, y) : green;
                uint8_t* p = row + (uint64_t{x} * samples + k) * l.sample_bytes;
                const unsigned v = std::min(load16(p), top);
                store16(p, tables[colour][v]);
            }
        }
    }
}
} // namespace kmxaravis
