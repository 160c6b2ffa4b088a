// SPDX-License-Identifier: Apache-2.0
// Csurface: a raster of real pixels, as a DIB section or a window holds
// it, and the pixel-level work of the software GDI on it: reading and
// writing colours, mapping colours to colour-table indices, and applying
// the binary raster operations.
#ifndef KMX_GDI_SURFACE_H
#define KMX_GDI_SURFACE_H

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "kmx_win_types.h"

namespace kmx_gdi {

// A device pixel value: a colour-table index on 8-bit surfaces, blue in
// the low byte, then green, then red on 24- and 32-bit surfaces.
using Tdevice_value = uint32_t;

class Csurface {
public:
    // Validates the layout; a surface that cannot be made has no pixels
    // (is_valid false). Pixels start at zero.
    Csurface(int width, int height, int bits, bool top_down);
    Csurface(const Csurface&) = delete;
    Csurface& operator=(const Csurface&) = delete;

    bool is_valid() const { return !pixels.empty(); }
    int get_width() const { return width; }
    int get_height() const { return height; }
    int get_bits() const { return bits; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint8_t* get_pixels() { return pixels.data(); }

    // The colour table of an 8-bit surface (a copy of up to 256 entries).
    void set_colours(const RGBQUAD* table, size_t count);
    const std::vector<RGBQUAD>& get_colours() const { return colours; }

    // The device value nearest to a colour (exact on 24/32 bits).
    Tdevice_value to_device(COLORREF colour);
    COLORREF to_colour(Tdevice_value value) const;

    Tdevice_value read(int x, int y) const;
    void write(int x, int y, Tdevice_value value);
    // Applies raster operation rop2 (R2_BLACK .. R2_WHITE) with the pen
    // value to the pixel; outside the surface nothing happens.
    void apply(int x, int y, Tdevice_value pen, int rop2);

    // Bytes per row of a DIB of this width and depth, rounded up to 4.
    static uint64_t stride_of(int width, int bits);

private:
    uint8_t* address(int x, int y);
    const uint8_t* address(int x, int y) const;
    Tdevice_value value_mask() const;

    int width = 0;
    int height = 0;
    int bits = 0;
    bool top_down = true;
    size_t stride = 0;
    std::vector<uint8_t> pixels;
    std::vector<RGBQUAD> colours;
    // Colour to index memo of 8-bit surfaces: the nearest-entry search
    // is a scan of the table.
    std::unordered_map<COLORREF, Tdevice_value> nearest;
};

// The colour of pixel (x, y) of a packed DIB given by header and bits, or
// CLR_INVALID outside it; rows as GDI reads them (padded to 4 bytes).
class Cdib_reader {
public:
    // False when the header describes nothing this GDI can read.
    bool open(const BITMAPINFO* header, const void* bits);
    int get_width() const { return width; }
    int get_height() const { return height; }
    // visual_y counts from the top row of the picture.
    COLORREF colour_at(int x, int visual_y) const;
    // The colour-table index of an 8-bit source pixel.
    bool is_indexed() const { return bit_count == 8; }
    uint8_t index_at(int x, int visual_y) const;
    const std::vector<RGBQUAD>& get_colours() const { return colours; }

private:
    const uint8_t* row(int visual_y) const;

    const uint8_t* base = nullptr;
    int width = 0;
    int height = 0;
    int bit_count = 0;
    bool top_down = false;
    size_t stride = 0;
    std::vector<RGBQUAD> colours;
};

} // namespace kmx_gdi

#endif
