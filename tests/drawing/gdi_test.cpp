// SPDX-License-Identifier: Apache-2.0
// The GDI calls the drawable images rely on, checked on real pixels: the
// same expectations hold for the platform layer's GDI and for Windows.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "drawing_support.h"
#include "kmx_platform_control.h"

using kmx_test::Cdib;

namespace {

constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF black = RGB(0, 0, 0);

// Rows of column x whose pixel is not black.
std::set<int> lit_rows(HDC dc, int x, int height)
{
    std::set<int> rows;
    for (int y = 0; y < height; ++y)
        if (GetPixel(dc, x, y) != black)
            rows.insert(y);
    return rows;
}

} // namespace

TEST(gdi_handles, null_stale_and_wrong_kind_handles_fail_without_effect)
{
    EXPECT_EQ(DeleteObject(nullptr), FALSE);
    EXPECT_EQ(DeleteDC(nullptr), FALSE);
    EXPECT_EQ(LineTo(nullptr, 1, 1), FALSE);
    EXPECT_EQ(SelectObject(nullptr, GetStockObject(WHITE_PEN)), nullptr);
    EXPECT_EQ(SaveDC(nullptr), 0);
    EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);

    Cdib dib(4, 4, 32);
    HPEN pen = CreatePen(PS_SOLID, 1, white);
    ASSERT_NE(pen, nullptr);
    ASSERT_EQ(DeleteObject(pen), TRUE);
    EXPECT_EQ(DeleteObject(pen), FALSE) << "a deleted pen is stale";
    EXPECT_EQ(SelectObject(dib.dc, pen), nullptr);
    // The DC still draws with its own pen (black on black: nothing lit).
    MoveToEx(dib.dc, 0, 1, nullptr);
    EXPECT_EQ(LineTo(dib.dc, 4, 1), TRUE);
    EXPECT_EQ(GetPixel(dib.dc, 1, 1), black);

    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_EQ(DeleteDC(dc), TRUE);
    EXPECT_EQ(DeleteDC(dc), FALSE);
    EXPECT_EQ(SetROP2(dc, R2_XORPEN), 0);
    EXPECT_EQ(Rectangle(dc, 0, 0, 2, 2), FALSE);
    EXPECT_EQ(BitBlt(dib.dc, 0, 0, 2, 2, dc, 0, 0, SRCCOPY), FALSE);

    EXPECT_EQ(SelectObject(dib.dc, reinterpret_cast<HGDIOBJ>(dib.dc)), nullptr)
        << "a DC is not an object to select";
}

TEST(gdi_dib_sections, rows_are_padded_and_oriented_as_the_header_says)
{
    Cdib top_down(3, -2, 8);
    ASSERT_NE(top_down.pixels, nullptr);
    EXPECT_EQ(top_down.pixels[0], 0) << "DIB sections start zeroed";
    top_down.pixels[4 + 2] = 7; // row 1 starts 4 bytes in
    EXPECT_EQ(GetPixel(top_down.dc, 2, 1), RGB(7, 7, 7));

    Cdib bottom_up(3, 2, 8);
    bottom_up.pixels[2] = 9; // first stored row is the bottom one
    EXPECT_EQ(GetPixel(bottom_up.dc, 2, 1), RGB(9, 9, 9));
    EXPECT_EQ(GetPixel(bottom_up.dc, 2, 0), RGB(0, 0, 0));

    Cdib colour(5, -2, 24);
    uint8_t* second_row = colour.pixels + 16; // 15 bytes padded to 16
    second_row[3] = 0x30; // blue, green, red of pixel 1
    second_row[4] = 0x20;
    second_row[5] = 0x10;
    EXPECT_EQ(GetPixel(colour.dc, 1, 1), RGB(0x10, 0x20, 0x30));

    BITMAPINFO bad = {};
    bad.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bad.bmiHeader.biWidth = 0;
    bad.bmiHeader.biHeight = 4;
    bad.bmiHeader.biPlanes = 1;
    bad.bmiHeader.biBitCount = 24;
    void* bits = &bad;
    EXPECT_EQ(CreateDIBSection(nullptr, &bad, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST(gdi_lines, thin_lines_leave_out_their_last_pixel_and_wide_ones_cover_their_width)
{
    Cdib dib(16, -16, 32);
    SelectObject(dib.dc, GetStockObject(WHITE_PEN));
    POINT previous = {-1, -1};
    MoveToEx(dib.dc, 1, 1, nullptr);
    MoveToEx(dib.dc, 1, 2, &previous);
    EXPECT_EQ(previous.x, 1);
    EXPECT_EQ(previous.y, 1);
    LineTo(dib.dc, 6, 2);
    EXPECT_EQ(GetPixel(dib.dc, 0, 2), black);
    for (int x = 1; x < 6; ++x)
        EXPECT_EQ(GetPixel(dib.dc, x, 2), white) << x;
    EXPECT_EQ(GetPixel(dib.dc, 6, 2), black) << "the end point is not drawn";

    HPEN wide = CreatePen(PS_SOLID, 4, white);
    HGDIOBJ old = SelectObject(dib.dc, wide);
    MoveToEx(dib.dc, 0, 10, nullptr);
    LineTo(dib.dc, 16, 10);
    const std::set<int> rows = lit_rows(dib.dc, 8, 16);
    EXPECT_EQ(rows.size(), 4u);
    EXPECT_TRUE(rows.count(10) && rows.count(9));
    EXPECT_GE(*rows.begin(), 8);
    EXPECT_LE(*rows.rbegin(), 12);
    SelectObject(dib.dc, old);
    DeleteObject(wide);
}

TEST(gdi_raster_operations, xor_inverts_and_restores_in_colour_and_on_palette_indices)
{
    std::vector<RGBQUAD> inverted(256);
    for (int i = 0; i < 256; ++i)
        inverted[size_t(i)] = RGBQUAD{BYTE(255 - i), BYTE(255 - i), BYTE(255 - i), 0};
    Cdib grey(8, -8, 8, inverted);
    grey.pixels[3 * 8 + 2] = 5;
    HPEN pen = CreatePen(PS_SOLID, 1, black); // entry 255: all index bits
    HGDIOBJ old = SelectObject(grey.dc, pen);
    EXPECT_EQ(SetROP2(grey.dc, R2_XORPEN), R2_COPYPEN);
    MoveToEx(grey.dc, 0, 3, nullptr);
    LineTo(grey.dc, 8, 3);
    EXPECT_EQ(grey.pixels[3 * 8 + 2], 250) << "index 5 XOR index 255";
    EXPECT_EQ(grey.pixels[3 * 8 + 0], 255);
    MoveToEx(grey.dc, 0, 3, nullptr);
    LineTo(grey.dc, 8, 3);
    EXPECT_EQ(grey.pixels[3 * 8 + 2], 5);
    EXPECT_EQ(grey.pixels[2 * 8 + 2], 0) << "other rows untouched";
    EXPECT_EQ(SetROP2(grey.dc, R2_COPYPEN), R2_XORPEN);
    SelectObject(grey.dc, old);
    DeleteObject(pen);

    Cdib colour(8, -8, 24);
    colour.pixels[24 * 2 + 0] = 0x12;
    colour.pixels[24 * 2 + 1] = 0x34;
    colour.pixels[24 * 2 + 2] = 0x56;
    SelectObject(colour.dc, GetStockObject(WHITE_PEN));
    SetROP2(colour.dc, R2_XORPEN);
    MoveToEx(colour.dc, 0, 2, nullptr);
    LineTo(colour.dc, 8, 2);
    EXPECT_EQ(GetPixel(colour.dc, 0, 2), RGB(0xA9, 0xCB, 0xED));
    MoveToEx(colour.dc, 0, 2, nullptr);
    LineTo(colour.dc, 8, 2);
    EXPECT_EQ(GetPixel(colour.dc, 0, 2), RGB(0x56, 0x34, 0x12));
}

TEST(gdi_arcs, whole_circles_are_centred_and_partial_arcs_stay_in_their_sweep)
{
    Cdib dib(64, -64, 32);
    HPEN pen = CreatePen(PS_SOLID, 2, white);
    HGDIOBJ old = SelectObject(dib.dc, pen);
    Arc(dib.dc, 12, 12, 52, 52, 32, 12, 32, 12);
    int left = 64, right = -1, top = 64, bottom = -1;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (GetPixel(dib.dc, x, y) == white) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_NEAR((left + right) / 2.0, 32, 1.0);
    EXPECT_NEAR((top + bottom) / 2.0, 32, 1.0);
    EXPECT_NEAR(right - left, 40, 2);
    EXPECT_NEAR(bottom - top, 40, 2);
    EXPECT_EQ(GetPixel(dib.dc, 32, 32), black);

    // Counter-clockwise from the right to the top: the upper right quarter.
    Cdib quarter(64, -64, 32);
    SelectObject(quarter.dc, pen);
    Arc(quarter.dc, 12, 12, 52, 52, 60, 32, 32, 4);
    int lit = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (GetPixel(quarter.dc, x, y) == white) {
                ++lit;
                EXPECT_GE(x, 30);
                EXPECT_LE(y, 34);
            }
    EXPECT_GT(lit, 20);
    SelectObject(quarter.dc, old);
    SelectObject(dib.dc, old);
    DeleteObject(pen);
}

TEST(gdi_rectangles, brush_fills_and_pen_outlines)
{
    Cdib dib(8, -8, 32);
    SelectObject(dib.dc, GetStockObject(WHITE_PEN));
    SelectObject(dib.dc, GetStockObject(WHITE_BRUSH));
    Rectangle(dib.dc, 0, 0, 8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(GetPixel(dib.dc, x, y), white) << x << "," << y;

    // Without a pen the filled part is one pixel narrower and lower.
    SelectObject(dib.dc, GetStockObject(NULL_PEN));
    SelectObject(dib.dc, GetStockObject(BLACK_BRUSH));
    Rectangle(dib.dc, 2, 2, 6, 6);
    EXPECT_EQ(GetPixel(dib.dc, 2, 2), black);
    EXPECT_EQ(GetPixel(dib.dc, 4, 4), black);
    EXPECT_EQ(GetPixel(dib.dc, 5, 4), white);
    EXPECT_EQ(GetPixel(dib.dc, 4, 5), white);
    EXPECT_EQ(GetPixel(dib.dc, 1, 1), white);
    SelectObject(dib.dc, GetStockObject(BLACK_PEN));
    SelectObject(dib.dc, GetStockObject(WHITE_BRUSH));
}

TEST(gdi_stretch, sources_are_read_from_the_bottom_row_up_and_scaled_nearest)
{
    // A top-down 8-bit source of 2 x 4: row r holds values 10r, 10r + 1.
    std::vector<uint8_t> block(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
    info->bmiHeader = {sizeof(BITMAPINFOHEADER), 2, -4, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
    for (int i = 0; i < 256; ++i)
        info->bmiColors[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    const uint8_t source[4][4] = {{0, 1, 0, 0}, {10, 11, 0, 0}, {20, 21, 0, 0}, {30, 31, 0, 0}};

    Cdib dest(4, -6, 32);
    // ySrc 1 from the bottom, 3 rows: the top three rows of the picture.
    StretchDIBits(dest.dc, 0, 0, 2, 3, 0, 1, 2, 3, source, info, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(GetPixel(dest.dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dest.dc, 1, 1), RGB(11, 11, 11));
    EXPECT_EQ(GetPixel(dest.dc, 0, 2), RGB(20, 20, 20));

    // The same picture stored bottom-up: ySrc 0 is its bottom row.
    info->bmiHeader.biHeight = 4;
    const uint8_t flipped[4][4] = {{30, 31, 0, 0}, {20, 21, 0, 0}, {10, 11, 0, 0}, {0, 1, 0, 0}};
    Cdib bottom(4, -6, 32);
    StretchDIBits(bottom.dc, 0, 0, 2, 2, 0, 0, 2, 2, flipped, info, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(GetPixel(bottom.dc, 0, 0), RGB(20, 20, 20));
    EXPECT_EQ(GetPixel(bottom.dc, 1, 1), RGB(31, 31, 31));

    // Doubled: every source pixel becomes a 2 x 2 block.
    Cdib doubled(4, -8, 32);
    StretchDIBits(doubled.dc, 0, 0, 4, 8, 0, 0, 2, 4, flipped, info, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(GetPixel(doubled.dc, 3, 1), RGB(1, 1, 1));
    EXPECT_EQ(GetPixel(doubled.dc, 2, 7), RGB(31, 31, 31));

    // Into an 8-bit destination with another table: the nearest entries.
    std::vector<RGBQUAD> inverted(256);
    for (int i = 0; i < 256; ++i)
        inverted[size_t(i)] = RGBQUAD{BYTE(255 - i), BYTE(255 - i), BYTE(255 - i), 0};
    Cdib indexed(4, -4, 8, inverted);
    StretchDIBits(indexed.dc, 0, 0, 2, 4, 0, 0, 2, 4, flipped, info, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(indexed.pixels[0], 255);
    EXPECT_EQ(indexed.pixels[4 * 3 + 1], 255 - 31);
}

TEST(gdi_blits, bitblt_copies_blocks_through_the_window_origin_and_clips)
{
    Cdib source(8, -8, 24);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            source.pixels[size_t(y) * source.stride + size_t(x) * 3 + 2] = BYTE(16 * y + x);
    Cdib dest(8, -8, 32);
    POINT previous = {-1, -1};
    SetWindowOrgEx(dest.dc, 5, 5, &previous);
    EXPECT_EQ(previous.x, 0);
    // Logical (5, 5) is the destination's top-left pixel.
    EXPECT_EQ(BitBlt(dest.dc, 5, 5, 3, 2, source.dc, 2, 1, SRCCOPY), TRUE);
    SetWindowOrgEx(dest.dc, 0, 0, nullptr);
    EXPECT_EQ(GetPixel(dest.dc, 0, 0), RGB(16 + 2, 0, 0));
    EXPECT_EQ(GetPixel(dest.dc, 2, 1), RGB(32 + 4, 0, 0));
    EXPECT_EQ(GetPixel(dest.dc, 3, 0), black);
    EXPECT_EQ(GetPixel(dest.dc, 0, 2), black);
    // Blocks reaching past either bitmap copy only what both hold.
    EXPECT_EQ(BitBlt(dest.dc, 6, 6, 100, 100, source.dc, -3, -3, SRCCOPY), TRUE);
    EXPECT_EQ(GetPixel(dest.dc, 7, 7), black) << "outside the source: left as it was";
}

TEST(gdi_state, savedc_and_restoredc_bring_back_pens_and_raster_modes)
{
    Cdib dib(4, -4, 32);
    HGDIOBJ original = SelectObject(dib.dc, GetStockObject(WHITE_PEN));
    EXPECT_EQ(SaveDC(dib.dc), 1);
    SetROP2(dib.dc, R2_XORPEN);
    SelectObject(dib.dc, GetStockObject(BLACK_PEN));
    EXPECT_EQ(SaveDC(dib.dc), 2);
    SetROP2(dib.dc, R2_NOT);
    EXPECT_EQ(RestoreDC(dib.dc, -1), TRUE);
    EXPECT_EQ(SetROP2(dib.dc, R2_COPYPEN), R2_XORPEN);
    EXPECT_EQ(RestoreDC(dib.dc, 1), TRUE);
    EXPECT_EQ(SelectObject(dib.dc, original), GetStockObject(WHITE_PEN));
    EXPECT_EQ(RestoreDC(dib.dc, 1), FALSE) << "level 1 was used up";
    EXPECT_EQ(RestoreDC(dib.dc, -1), FALSE);
}

TEST(gdi_pattern_pens, a_pattern_bitmap_tiles_the_pixels_of_a_geometric_pen)
{
    Cdib pattern(2, -1, 32);
    pattern.pixels[0] = pattern.pixels[1] = pattern.pixels[2] = 0xFF; // white, black
    SelectObject(pattern.dc, pattern.previous); // a pattern need not sit in a DC
    LOGBRUSH brush = {BS_PATTERN, white, reinterpret_cast<ULONG_PTR>(pattern.bitmap)};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC, 4, &brush, 0, nullptr);
    ASSERT_NE(pen, nullptr);
    Cdib dib(16, -16, 32);
    HGDIOBJ old = SelectObject(dib.dc, pen);
    MoveToEx(dib.dc, 0, 8, nullptr);
    LineTo(dib.dc, 16, 8);
    EXPECT_EQ(GetPixel(dib.dc, 4, 8), white);
    EXPECT_EQ(GetPixel(dib.dc, 5, 8), black);
    EXPECT_EQ(GetPixel(dib.dc, 6, 7), white);
    EXPECT_EQ(GetPixel(dib.dc, 6, 2), black);
    SelectObject(dib.dc, old);
    DeleteObject(pen);
    LOGBRUSH stale = {BS_PATTERN, white, ULONG_PTR(0)};
    EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC, 4, &stale, 0, nullptr), nullptr);
}

TEST(gdi_windows, window_dcs_draw_into_the_window_until_it_is_gone)
{
    HWND window = kmx_platform_create_window(32, 16);
    ASSERT_NE(window, nullptr);
    HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    SelectObject(dc, GetStockObject(WHITE_PEN));
    MoveToEx(dc, 0, 3, nullptr);
    LineTo(dc, 10, 3);
    EXPECT_EQ(ReleaseDC(window, dc), 1);
    EXPECT_EQ(kmx_platform_window_pixel(window, 4, 3), white);
    EXPECT_EQ(kmx_platform_window_pixel(window, 4, 4), black);
    EXPECT_EQ(kmx_platform_window_pixel(window, 32, 3), CLR_INVALID);
    EXPECT_TRUE(kmx_platform_destroy_window(window));
    EXPECT_FALSE(kmx_platform_destroy_window(window));
    EXPECT_EQ(GetDC(window), nullptr);
    EXPECT_EQ(kmx_platform_window_pixel(window, 4, 3), CLR_INVALID);

    HDC screen = GetDC(nullptr);
    EXPECT_NE(screen, nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}
