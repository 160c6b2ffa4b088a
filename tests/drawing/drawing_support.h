// SPDX-License-Identifier: Apache-2.0
// Helpers of the drawing tests: a DIB section in its own memory DC made
// only with GDI calls, so the tests run the same on the real GDI, and
// ways to compare the pixels of images.
#ifndef KMX_DRAWING_SUPPORT_H
#define KMX_DRAWING_SUPPORT_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "kmxcore/image/os_image.h"
#include "kmx_platform.h"

namespace kmx_test {

// A DIB section selected into a memory DC. Rows padded to 4 bytes; a
// negative height makes it top-down. 8-bit DIBs get a grey table
// (entry i = (i, i, i)) unless a table is given.
class Cdib {
public:
    Cdib(int width_, int height_, int bits_, const std::vector<RGBQUAD>& table = {})
        : width(width_), height(height_ < 0 ? -height_ : height_), bits(bits_)
    {
        std::vector<uint8_t> block(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
        auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
        info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info->bmiHeader.biWidth = width_;
        info->bmiHeader.biHeight = height_;
        info->bmiHeader.biPlanes = 1;
        info->bmiHeader.biBitCount = WORD(bits_);
        info->bmiHeader.biCompression = BI_RGB;
        info->bmiHeader.biClrUsed = bits_ == 8 ? 256 : 0;
        for (int i = 0; i < 256; ++i)
            info->bmiColors[i] = table.empty() ? RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0}
                                               : table[size_t(i)];
        dc = CreateCompatibleDC(nullptr);
        void* bits_pointer = nullptr;
        bitmap = CreateDIBSection(dc, info, DIB_RGB_COLORS, &bits_pointer, nullptr, 0);
        pixels = static_cast<uint8_t*>(bits_pointer);
        previous = SelectObject(dc, bitmap);
        stride = size_t((bits_ * width_ + 31) / 32 * 4);
    }
    ~Cdib()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Cdib(const Cdib&) = delete;
    Cdib& operator=(const Cdib&) = delete;

    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    uint8_t* pixels = nullptr;
    int width;
    int height;
    int bits;
    size_t stride = 0;
};

// Every byte of an image's pixel rows, padding included.
inline std::vector<uint8_t> snapshot(const Cimage_core& image)
{
    const auto* bytes = static_cast<const uint8_t*>(image.get_bp());
    return std::vector<uint8_t>(bytes, bytes + image.get_size());
}

// First byte of pixel (x, y) of a top-down image.
inline uint8_t byte_at(const Cimage_core& image, int x, int y)
{
    const auto* bytes = static_cast<const uint8_t*>(image.get_bp());
    return bytes[size_t(y) * image.get_rowbytes() + size_t(x) * image.get_pixel_size()];
}

// True when any byte of pixel (x, y) differs between two snapshots.
inline bool pixel_changed(const Cimage_core& image, const std::vector<uint8_t>& before, int x,
                          int y)
{
    const auto* now = static_cast<const uint8_t*>(image.get_bp());
    const size_t at = size_t(y) * image.get_rowbytes() + size_t(x) * image.get_pixel_size();
    return std::memcmp(now + at, before.data() + at, image.get_pixel_size()) != 0;
}

// Fills an image with a pattern that differs from pixel to pixel.
inline void fill_gradient(Cimage_core& image)
{
    auto* bytes = static_cast<uint8_t*>(image.get_bp());
    for (size_t i = 0; i < image.get_size(); ++i)
        bytes[i] = uint8_t(i * 7 + i / 640);
}

// Writes the image as a PNG for people to look at; false when the build
// has no PNG writer or writing failed.
bool write_png(const Cos_image& image, const std::string& name);

} // namespace kmx_test

#endif
