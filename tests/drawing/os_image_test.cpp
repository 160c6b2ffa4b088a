// SPDX-License-Identifier: Apache-2.0
// Cos_image and the overlays of Cimage_drawable, on real rasters: what
// lands in the pixels, never how the raster is kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "drawing_support.h"
#include "kmxcore/image/fw_image.h"
#include "kmxcore/image/os_image.h"
#include "kmx_platform_control.h"

using kmx_test::byte_at;
using kmx_test::pixel_changed;
using kmx_test::snapshot;

namespace {

constexpr unsigned mono = 0;
constexpr unsigned colour = 1;
const RECT vga = {0, 0, 640, 480};

// Rows of column x changed since the snapshot, grouped into bands of
// adjacent rows; each band is given by its middle.
std::vector<double> changed_bands_in_column(const Cos_image& image,
                                            const std::vector<uint8_t>& before, int x)
{
    std::vector<double> bands;
    int start = -1;
    const int height = int(image.get_height());
    for (int y = 0; y <= height; ++y) {
        const bool changed = y < height && pixel_changed(image, before, x, y);
        if (changed && start < 0)
            start = y;
        if (!changed && start >= 0) {
            bands.push_back((start + y - 1) / 2.0);
            start = -1;
        }
    }
    return bands;
}

std::vector<double> changed_bands_in_row(const Cos_image& image,
                                         const std::vector<uint8_t>& before, int y)
{
    std::vector<double> bands;
    int start = -1;
    const int width = int(image.get_width());
    for (int x = 0; x <= width; ++x) {
        const bool changed = x < width && pixel_changed(image, before, x, y);
        if (changed && start < 0)
            start = x;
        if (!changed && start >= 0) {
            bands.push_back((start + x - 1) / 2.0);
            start = -1;
        }
    }
    return bands;
}

// Each expected line position has a band within a pixel of it, and there
// are no other bands.
void expect_lines_at(std::vector<double> bands, std::vector<int> expected)
{
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(bands.size(), expected.size());
    for (size_t i = 0; i < bands.size(); ++i)
        EXPECT_NEAR(bands[i], expected[i], 1.0) << "line " << i;
}

// A circle of radius r about (cx, cy): along each diagonal, the changed
// pixels near that radius; opposite diagonals must agree on the centre
// and their mean distance must be the radius (within the pen's width, as
// the centre of an even-sized circle lies between pixels).
void expect_circle(const Cos_image& image, const std::vector<uint8_t>& before, int cx, int cy,
                   int r)
{
    constexpr double root2 = 1.41421356;
    const int signs[4][2] = {{1, 1}, {-1, -1}, {1, -1}, {-1, 1}};
    double mean_k[4] = {};
    for (int d = 0; d < 4; ++d) {
        int hits = 0;
        for (int k = 2; k * root2 <= r + 6.0; ++k) {
            if (k * root2 < r - 6.0)
                continue;
            if (pixel_changed(image, before, cx + signs[d][0] * k, cy + signs[d][1] * k)) {
                mean_k[d] += k;
                ++hits;
            }
        }
        ASSERT_GT(hits, 0) << "radius " << r << " towards " << signs[d][0] << "," << signs[d][1];
        EXPECT_LE(hits, 3) << "a 2-pixel pen crosses a diagonal in at most 3 pixels";
        mean_k[d] /= hits;
    }
    for (int pair = 0; pair < 4; pair += 2) {
        EXPECT_NEAR(mean_k[pair], mean_k[pair + 1], 2.0) << "centred, radius " << r;
        EXPECT_NEAR((mean_k[pair] + mean_k[pair + 1]) / 2.0 * root2, r, 2.0) << "radius " << r;
    }
}

} // namespace

TEST(os_image_create, lays_out_padded_rows_with_the_header_and_paints_white)
{
    Cos_image grey;
    ASSERT_EQ(grey.create_image(mono, 3, 2), 1);
    EXPECT_EQ(grey.get_rowbytes(), 4u);
    EXPECT_EQ(grey.get_size(), 8u);
    EXPECT_EQ(grey.get_format(), 2u);
    const BITMAPINFO* info = grey.get_binfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->bmiHeader.biHeight, -2);
    EXPECT_EQ(info->bmiHeader.biClrUsed, 256u);
    EXPECT_EQ(info->bmiColors[0].rgbRed, 255);
    EXPECT_EQ(info->bmiColors[255].rgbBlue, 0);
    for (unsigned y = 0; y < 2; ++y)
        for (unsigned x = 0; x < 3; ++x)
            EXPECT_EQ(byte_at(grey, int(x), int(y)), 0) << "value 0 shows white";

    Cos_image rgb;
    ASSERT_EQ(rgb.create_image(colour, 5, 1), 1);
    EXPECT_EQ(rgb.get_rowbytes(), 16u);
    EXPECT_EQ(rgb.get_format(), 6u);
    EXPECT_EQ(rgb.get_component_order(), 1u);
    const auto* bytes = static_cast<const uint8_t*>(rgb.get_bp());
    for (unsigned i = 0; i < 15; ++i)
        EXPECT_EQ(bytes[i], 0xFF) << i;

    Cos_image refused;
    EXPECT_EQ(refused.create_image(colour, 0, 10), 0);
    EXPECT_EQ(refused.create_image(mono, 10, -1), 0);
    EXPECT_EQ(refused.create_image(colour, 0x7FFFFFFF, 0x7FFFFFFF), 0);
    EXPECT_EQ(refused.get_hdc(), nullptr);
    EXPECT_EQ(refused.get_binfo(), nullptr);
    EXPECT_EQ(refused.get_bp(), nullptr);
}

TEST(os_image_close, releases_everything_and_leaves_nothing_to_draw_with)
{
    Cos_image image;
    ASSERT_EQ(image.create_image(colour, 16, 16), 1);
    HDC old_dc = image.get_hdc();
    image.close_image();
    EXPECT_EQ(image.get_hdc(), nullptr);
    EXPECT_EQ(image.get_bp(), nullptr);
    EXPECT_EQ(image.get_size(), 0u);
    EXPECT_EQ(image.get_width(), 16u) << "geometry stays";
    EXPECT_EQ(LineTo(old_dc, 1, 1), FALSE) << "the context is gone";
    image.close_image();
    image.draw_xhair(RECT{0, 0, 16, 16}, 1u);
    image.draw_grid(RECT{0, 0, 16, 16}, 1u);
    image.clear_image();
    ASSERT_EQ(image.create_image(mono, 8, 8), 1) << "a closed image can be created again";
}

TEST(os_image_create, creating_again_without_closing_releases_what_the_image_held)
{
    Cos_image image;
    ASSERT_EQ(image.create_image(colour, 16, 16), 1);
    HDC old_dc = image.get_hdc();
    ASSERT_EQ(image.create_image(mono, 8, 4), 1);
    EXPECT_EQ(image.get_format(), 2u);
    EXPECT_EQ(image.get_size(), 8u * 4u);
    EXPECT_EQ(byte_at(image, 7, 3), 0) << "the new image is white";
    if (image.get_hdc() != old_dc) {
        EXPECT_EQ(LineTo(old_dc, 1, 1), FALSE) << "the old context is gone";
    }
}

TEST(os_image_overlays, drawing_the_same_crosshair_or_grid_twice_restores_every_pixel)
{
    HBITMAP no_pattern = nullptr;
    kmx_test::Cdib pattern(4, -4, 24);
    for (size_t i = 0; i < pattern.stride * 4; i += 2)
        pattern.pixels[i] = 0xFF;
    for (unsigned type : {mono, colour}) {
        for (HBITMAP brush : {no_pattern, pattern.bitmap}) {
            Cos_image image;
            ASSERT_EQ(image.create_image(type, 640, 480), 1);
            kmx_test::fill_gradient(image);
            const std::vector<uint8_t> before = snapshot(image);
            for (unsigned scale : {1u, 3u}) {
                image.draw_xhair(vga, brush, scale);
                EXPECT_NE(snapshot(image), before);
                image.draw_xhair(vga, brush, scale);
                EXPECT_EQ(snapshot(image), before) << "crosshair, type " << type;
                image.draw_grid(vga, brush, scale);
                EXPECT_NE(snapshot(image), before);
                image.draw_grid(vga, brush, scale);
                EXPECT_EQ(snapshot(image), before) << "grid, type " << type;
            }
        }
    }
}

TEST(os_image_overlays, crosshair_lines_and_circles_sit_where_the_geometry_puts_them)
{
    Cos_image image;
    ASSERT_EQ(image.create_image(mono, 640, 480), 1);
    const std::vector<uint8_t> before = snapshot(image);
    image.draw_xhair(vga, 2u);
    // Lines through (320, 240), 4 pixels wide; the overlay inverts: white
    // (0) becomes black (255).
    EXPECT_EQ(byte_at(image, 5, 240), 255);
    EXPECT_EQ(byte_at(image, 5, 239), 255);
    EXPECT_EQ(byte_at(image, 5, 236), 0);
    EXPECT_EQ(byte_at(image, 320, 5), 255);
    EXPECT_EQ(byte_at(image, 324, 5), 0);
    for (int r : {82, 164, 243})
        expect_circle(image, before, 320, 240, r);

    Cos_image scale_zero;
    Cos_image scale_one;
    ASSERT_EQ(scale_zero.create_image(colour, 200, 100), 1);
    ASSERT_EQ(scale_one.create_image(colour, 200, 100), 1);
    scale_zero.draw_xhair(RECT{0, 0, 200, 100}, 0u);
    scale_one.draw_xhair(RECT{0, 0, 200, 100}, static_cast<HBITMAP>(nullptr));
    EXPECT_EQ(snapshot(scale_zero), snapshot(scale_one));
}

TEST(os_image_overlays, grid_lines_and_circle_at_scales_1_and_4)
{
    Cos_image image;
    ASSERT_EQ(image.create_image(colour, 640, 480), 1);
    const std::vector<uint8_t> before = snapshot(image);
    image.draw_grid(vga, 1u);
    // Lines 2 pixels wide: a band's middle is half a pixel off the line.
    expect_lines_at(changed_bands_in_column(image, before, 60), {240, 340, 440, 140, 40});
    expect_lines_at(changed_bands_in_row(image, before, 90),
                    {320, 420, 520, 620, 220, 120, 20});
    expect_circle(image, before, 320, 240, 32);
    image.draw_grid(vga, 1u);

    image.draw_grid(vga, 4u);
    std::vector<int> rows;
    for (int y = 15; y < 480; y += 25)
        rows.push_back(y);
    std::vector<int> columns;
    for (int x = 20; x < 640; x += 25)
        columns.push_back(x);
    expect_lines_at(changed_bands_in_column(image, before, 10), rows);
    expect_lines_at(changed_bands_in_row(image, before, 3), columns);
    expect_circle(image, before, 320, 240, 8);
}

TEST(os_image_overlays, grid_scales_above_100_draw_nothing)
{
    Cos_image image;
    ASSERT_EQ(image.create_image(colour, 64, 64), 1);
    const std::vector<uint8_t> before = snapshot(image);
    image.draw_grid(RECT{0, 0, 64, 64}, 101u);
    EXPECT_EQ(snapshot(image), before);
    image.draw_grid(RECT{0, 0, 64, 64}, 100u);
    EXPECT_NE(snapshot(image), before) << "a spacing of 1 still draws";
}

TEST(os_image_draw, a_frame_lands_unscaled_at_the_top_left_from_its_own_rows)
{
    Cfw_image frame;
    ASSERT_EQ(frame.create_image(2u, 640, 480), 1);
    ASSERT_EQ(frame.get_binfo()->bmiHeader.biHeight, -481);
    auto* pixels = static_cast<uint8_t*>(frame.get_bp());
    for (size_t y = 0; y < 480; ++y)
        for (size_t x = 0; x < 640; ++x)
            pixels[y * 640 + x] = uint8_t(x + 3 * y);

    Cos_image full;
    ASSERT_EQ(full.create_image(mono, 640, 480), 1);
    full.draw_image(&frame);
    EXPECT_EQ(snapshot(full), snapshot(frame)) << "row y of the frame is row y of the image";

    Cos_image half;
    ASSERT_EQ(half.create_image(mono, 320, 240), 1);
    half.draw_image(&frame);
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 320; x += 5)
            ASSERT_EQ(byte_at(half, x, y), uint8_t(x + 3 * y)) << x << "," << y;
    EXPECT_EQ(byte_at(half, 319, 239), uint8_t(319 + 3 * 239));

    Cos_image copy;
    ASSERT_EQ(copy.create_image(mono, 100, 50), 1);
    copy.draw_image(static_cast<Cimage_drawable*>(&half));
    EXPECT_EQ(byte_at(copy, 99, 49), uint8_t(99 + 3 * 49));
}

// A bottom-up source (positive biHeight) is read from src.top counted from
// its first stored row: rows stored 10 to 14 land upside up, so the block's
// top row is stored row 14.
TEST(os_image_draw, bottom_up_sources_are_read_from_src_top_counted_in_stored_rows)
{
    constexpr int width = 4;
    constexpr int rows = 30;
    constexpr size_t stride = 12; // 4 pixels of 3 bytes
    std::vector<uint8_t> block(KMX_BITMAP_BLOCK_BYTES, 0);
    auto* header = reinterpret_cast<BITMAPINFO*>(block.data());
    header->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header->bmiHeader.biWidth = width;
    header->bmiHeader.biHeight = rows;
    header->bmiHeader.biPlanes = 1;
    header->bmiHeader.biBitCount = 24;
    header->bmiHeader.biCompression = BI_RGB;
    std::vector<char> pixels(stride * rows);
    for (size_t r = 0; r < size_t(rows); ++r)
        std::memset(pixels.data() + r * stride, int(r), stride);

    Cos_image image;
    ASSERT_EQ(image.create_image(colour, width, 5), 1);
    image.draw_bitmap(header, pixels.data(), RECT{0, 10, width, 15}, RECT{0, 0, width, 5});
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < width; ++x)
            EXPECT_EQ(byte_at(image, x, y), uint8_t(14 - y)) << x << "," << y;
}

// Rectangles and headers whose extents do not fit GDI's int arguments are
// not drawn, and nothing is computed with them that could overflow.
TEST(os_image_draw, extents_beyond_int_are_not_drawn)
{
    Cos_image source;
    ASSERT_EQ(source.create_image(mono, 8, 8), 1);
    kmx_test::fill_gradient(source);
    Cos_image image;
    ASSERT_EQ(image.create_image(mono, 8, 8), 1);
    const std::vector<uint8_t> before = snapshot(image);
    const RECT block = {0, 0, 8, 8};

    image.draw_bitmap(&source, block, RECT{INT_MIN, 0, INT_MAX, 8});
    image.draw_bitmap(&source, block, RECT{0, INT_MAX, 8, INT_MIN});
    image.draw_bitmap(&source, RECT{INT_MAX, 0, INT_MIN, 8}, block);
    image.draw_bitmap(&source, RECT{0, INT_MIN, 8, INT_MAX}, block);
    std::vector<uint8_t> header_block(KMX_BITMAP_BLOCK_BYTES);
    std::memcpy(header_block.data(), source.get_binfo(), header_block.size());
    auto* header = reinterpret_cast<BITMAPINFO*>(header_block.data());
    header->bmiHeader.biHeight = INT_MIN;
    image.draw_bitmap(header, static_cast<char*>(source.get_bp()), RECT{0, -8, 8, -1}, block);
    EXPECT_EQ(snapshot(image), before);

    HWND window = kmx_platform_create_window(16, 16);
    ASSERT_NE(window, nullptr);
    source.copy_onscreen(window, block, RECT{INT_MIN, 0, INT_MAX, 8});
    source.copy_onscreen(window, block, RECT{0, INT_MAX, 8, INT_MIN});
    EXPECT_EQ(kmx_platform_window_pixel(window, 0, 0), RGB(0, 0, 0));
    source.copy_onscreen(window, block, block);
    EXPECT_NE(kmx_platform_window_pixel(window, 7, 7), RGB(0, 0, 0)) << "a sound block still lands";
    kmx_platform_destroy_window(window);
}

TEST(os_image_draw, frames_gdi_cannot_read_safely_are_refused)
{
    Cfw_image narrow; // 3-byte rows: GDI would read 4-byte rows past the end
    ASSERT_EQ(narrow.create_image(2u, 3, 5), 1);
    std::memset(narrow.get_bp(), 0x80, narrow.get_size());
    Cfw_image deep; // 12-bit: no bitmap header
    ASSERT_EQ(deep.create_image(0u, 1u, 12u, 0u, 8, 8), 1);

    Cos_image image;
    ASSERT_EQ(image.create_image(mono, 8, 8), 1);
    const std::vector<uint8_t> before = snapshot(image);
    image.draw_image(&narrow);
    image.draw_image(&deep);
    image.draw_image(static_cast<Cfw_image*>(nullptr));
    Cos_image empty;
    image.draw_image(&empty);
    EXPECT_EQ(snapshot(image), before);
}

TEST(os_image_onscreen, the_block_lands_at_the_window_origin)
{
    Cos_image image;
    ASSERT_EQ(image.create_image(colour, 200, 100), 1);
    auto* bytes = static_cast<uint8_t*>(image.get_bp());
    for (size_t y = 0; y < 100; ++y)
        for (size_t x = 0; x < 200; ++x) {
            uint8_t* p = bytes + y * image.get_rowbytes() + x * 3;
            p[0] = uint8_t(y);
            p[1] = uint8_t(x);
            p[2] = 0x80;
        }
    LOGPALETTE palette_entries = {0x300, 1, {{1, 2, 3, 0}}};
    HPALETTE palette = CreatePalette(&palette_entries);
    for (HPALETTE with : {static_cast<HPALETTE>(nullptr), palette}) {
        HWND window = kmx_platform_create_window(160, 80);
        ASSERT_NE(window, nullptr);
        image.copy_onscreen(window, RECT{10, 20, 0, 0}, RECT{0, 0, 100, 50}, with);
        EXPECT_EQ(kmx_platform_window_pixel(window, 0, 0), RGB(0x80, 10, 20));
        EXPECT_EQ(kmx_platform_window_pixel(window, 99, 49), RGB(0x80, 109, 69));
        EXPECT_EQ(kmx_platform_window_pixel(window, 100, 0), RGB(0, 0, 0));
        EXPECT_EQ(kmx_platform_window_pixel(window, 0, 50), RGB(0, 0, 0));
        kmx_platform_destroy_window(window);
        image.copy_onscreen(window, RECT{0, 0, 0, 0}, RECT{0, 0, 10, 10}, with);
    }
    DeleteObject(palette);
}

TEST(os_image_copies, a_copy_has_its_own_bitmap_with_the_same_pixels)
{
    Cos_image original;
    ASSERT_EQ(original.create_image(mono, 64, 32), 1);
    kmx_test::fill_gradient(original);
    const std::vector<uint8_t> pixels = snapshot(original);

    Cos_image copy(original);
    ASSERT_NE(copy.get_hdc(), nullptr);
    EXPECT_NE(copy.get_hdc(), original.get_hdc());
    EXPECT_NE(copy.get_bp(), original.get_bp());
    EXPECT_EQ(snapshot(copy), pixels);
    copy.draw_xhair(RECT{0, 0, 64, 32}, 1u);
    EXPECT_EQ(snapshot(original), pixels) << "drawing on the copy leaves the original";

    Cos_image assigned;
    ASSERT_EQ(assigned.create_image(colour, 8, 8), 1);
    assigned = original;
    EXPECT_EQ(assigned.get_format(), 2u);
    EXPECT_EQ(snapshot(assigned), pixels);
    assigned = *&assigned;
    EXPECT_EQ(snapshot(assigned), pixels);

    Cos_image empty;
    Cos_image empty_copy(empty);
    EXPECT_EQ(empty_copy.get_hdc(), nullptr);
    EXPECT_EQ(empty_copy.get_bp(), nullptr);
}

TEST(os_image_pictures, frames_with_crosshair_and_grid_are_written_for_people)
{
    Cfw_image frame;
    ASSERT_EQ(frame.create_image(2u, 640, 480), 1);
    auto* pixels = static_cast<uint8_t*>(frame.get_bp());
    for (size_t y = 0; y < 480; ++y)
        for (size_t x = 0; x < 640; ++x)
            pixels[y * 640 + x] = uint8_t((x / 4 + y / 8) % 160);
    Cos_image image;
    ASSERT_EQ(image.create_image(mono, 640, 480), 1);
    image.draw_image(&frame);
    image.draw_xhair(vga, 1u);
    const bool written = kmx_test::write_png(image, "frame_crosshair.png");
    image.draw_xhair(vga, 1u);
    image.draw_grid(vga, 1u);
    kmx_test::write_png(image, "frame_grid.png");
#if defined(KMX_APPS_HAVE_PNG)
    EXPECT_TRUE(written);
#else
    EXPECT_FALSE(written);
#endif
}
