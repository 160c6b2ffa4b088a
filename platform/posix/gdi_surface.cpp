// SPDX-License-Identifier: Apache-2.0
// Pixels of the software GDI. Each operation touches only addresses inside
// the surface; callers clip, and the checks here are the last guard.
#include "gdi_surface.h"

#include <limits>
#include <new>

namespace kmx_gdi {

namespace {

// Larger rasters are refused rather than attempted: no camera image or
// window comes near, and it keeps every offset well inside size_t.
constexpr uint64_t max_surface_bytes = uint64_t(1) << 30;
constexpr size_t max_colours = 256;
constexpr Tdevice_value index_mask = 0xFF;
constexpr Tdevice_value rgb_mask = 0xFFFFFF;

bool supported_bits(int bits)
{
    return bits == 8 || bits == 24 || bits == 32;
}

// The device value of a colour on a 24/32-bit surface: blue low.
Tdevice_value bgr_of(COLORREF colour)
{
    return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

COLORREF colour_of_bgr(Tdevice_value bgr)
{
    return (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF);
}

COLORREF colour_of_quad(const RGBQUAD& quad)
{
    return RGB(quad.rgbRed, quad.rgbGreen, quad.rgbBlue);
}

int distance2(const RGBQUAD& quad, COLORREF colour)
{
    const int dr = int(quad.rgbRed) - int(GetRValue(colour));
    const int dg = int(quad.rgbGreen) - int(GetGValue(colour));
    const int db = int(quad.rgbBlue) - int(GetBValue(colour));
    return dr * dr + dg * dg + db * db;
}

// Bit k of (rop2 - 1) gives the result for pen bit p and destination bit
// d where k = 2p + d; applied to all bits of a value at once.
Tdevice_value combine(int rop2, Tdevice_value pen, Tdevice_value dst)
{
    const unsigned table = unsigned(rop2 - 1) & 0xF;
    Tdevice_value result = 0;
    if (table & 1)
        result |= ~pen & ~dst;
    if (table & 2)
        result |= ~pen & dst;
    if (table & 4)
        result |= pen & ~dst;
    if (table & 8)
        result |= pen & dst;
    return result;
}

} // namespace

uint64_t Csurface::stride_of(int width, int bits)
{
    return (uint64_t(bits) * uint64_t(width) + 31) / 32 * 4;
}

Csurface::Csurface(int width_, int height_, int bits_, bool top_down_)
{
    if (width_ <= 0 || height_ <= 0 || !supported_bits(bits_))
        return;
    const uint64_t row = stride_of(width_, bits_);
    const uint64_t total = row * uint64_t(height_);
    if (total > max_surface_bytes)
        return;
    try {
        pixels.assign(size_t(total), 0);
    } catch (const std::bad_alloc&) {
        return;
    }
    width = width_;
    height = height_;
    bits = bits_;
    top_down = top_down_;
    stride = size_t(row);
    if (bits == 8)
        colours.assign(max_colours, RGBQUAD{0, 0, 0, 0});
}

void Csurface::set_colours(const RGBQUAD* table, size_t count)
{
    if (bits != 8 || table == nullptr)
        return;
    if (count == 0 || count > max_colours)
        count = max_colours;
    colours.assign(table, table + count);
    nearest.clear();
}

Tdevice_value Csurface::to_device(COLORREF colour)
{
    colour &= rgb_mask;
    if (bits != 8)
        return bgr_of(colour);
    const auto known = nearest.find(colour);
    if (known != nearest.end())
        return known->second;
    Tdevice_value best = 0;
    int best_distance = std::numeric_limits<int>::max();
    for (size_t i = 0; i < colours.size(); ++i) {
        const int d = distance2(colours[i], colour);
        if (d < best_distance) {
            best_distance = d;
            best = Tdevice_value(i);
        }
    }
    nearest.emplace(colour, best);
    return best;
}

COLORREF Csurface::to_colour(Tdevice_value value) const
{
    if (bits != 8)
        return colour_of_bgr(value & rgb_mask);
    if (value >= colours.size())
        return 0;
    return colour_of_quad(colours[value]);
}

const uint8_t* Csurface::address(int x, int y) const
{
    const size_t memory_row = top_down ? size_t(y) : size_t(height - 1 - y);
    return pixels.data() + memory_row * stride + size_t(x) * size_t(bits / 8);
}

uint8_t* Csurface::address(int x, int y)
{
    return const_cast<uint8_t*>(static_cast<const Csurface*>(this)->address(x, y));
}

Tdevice_value Csurface::value_mask() const
{
    return bits == 8 ? index_mask : rgb_mask;
}

Tdevice_value Csurface::read(int x, int y) const
{
    if (!contains(x, y))
        return 0;
    const uint8_t* p = address(x, y);
    if (bits == 8)
        return p[0];
    return Tdevice_value(p[0]) | Tdevice_value(p[1]) << 8 | Tdevice_value(p[2]) << 16;
}

void Csurface::write(int x, int y, Tdevice_value value)
{
    if (!contains(x, y))
        return;
    uint8_t* p = address(x, y);
    p[0] = uint8_t(value);
    if (bits == 8)
        return;
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value >> 16);
}

void Csurface::apply(int x, int y, Tdevice_value pen, int rop2)
{
    if (!contains(x, y))
        return;
    if (rop2 == R2_COPYPEN) {
        write(x, y, pen);
        return;
    }
    write(x, y, combine(rop2, pen, read(x, y)) & value_mask());
}

bool Cdib_reader::open(const BITMAPINFO* header, const void* bits)
{
    if (header == nullptr || bits == nullptr)
        return false;
    const BITMAPINFOHEADER& h = header->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0)
        return false;
    if (h.biPlanes != 1 || h.biCompression != BI_RGB || !supported_bits(h.biBitCount))
        return false;
    if (h.biHeight == std::numeric_limits<LONG>::min())
        return false;
    base = static_cast<const uint8_t*>(bits);
    width = h.biWidth;
    height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    top_down = h.biHeight < 0;
    bit_count = h.biBitCount;
    stride = size_t(Csurface::stride_of(width, bit_count));
    colours.clear();
    if (bit_count == 8) {
        const size_t count = (h.biClrUsed == 0 || h.biClrUsed > max_colours) ? max_colours
                                                                            : h.biClrUsed;
        // The colour table follows the header, whose size biSize gives.
        const auto* table = reinterpret_cast<const RGBQUAD*>(
            reinterpret_cast<const uint8_t*>(header) + h.biSize);
        colours.assign(table, table + count);
        colours.resize(max_colours, RGBQUAD{0, 0, 0, 0});
    }
    return true;
}

const uint8_t* Cdib_reader::row(int visual_y) const
{
    const size_t memory_row = top_down ? size_t(visual_y) : size_t(height - 1 - visual_y);
    return base + memory_row * stride;
}

uint8_t Cdib_reader::index_at(int x, int visual_y) const
{
    return row(visual_y)[x];
}

COLORREF Cdib_reader::colour_at(int x, int visual_y) const
{
    if (x < 0 || visual_y < 0 || x >= width || visual_y >= height)
        return CLR_INVALID;
    if (bit_count == 8)
        return colour_of_quad(colours[index_at(x, visual_y)]);
    const uint8_t* p = row(visual_y) + size_t(x) * size_t(bit_count / 8);
    return RGB(p[2], p[1], p[0]);
}

} // namespace kmx_gdi
