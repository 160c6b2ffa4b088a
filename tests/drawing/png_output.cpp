// SPDX-License-Identifier: Apache-2.0
// PNG pictures of drawn images, written into the build tree for people to
// look at. Without libpng (the Windows build) nothing is written.
#include "drawing_support.h"

#if defined(KMX_HAVE_PNG)
#include <png.h>

#include <cstdio>
#endif

namespace kmx_test {

#if defined(KMX_HAVE_PNG)
namespace {

// One RGB row of the image, through its colour table when it has one.
std::vector<png_byte> rgb_row(const Cos_image& image, int y)
{
    const auto* row = static_cast<const uint8_t*>(image.get_bp()) + size_t(y) * image.get_rowbytes();
    const RGBQUAD* table = image.get_binfo()->bmiColors;
    std::vector<png_byte> out;
    for (unsigned x = 0; x < image.get_width(); ++x) {
        if (image.get_no_components() == 1) {
            const RGBQUAD& c = table[row[x]];
            out.insert(out.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
        } else {
            const uint8_t* p = row + x * 3;
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
    }
    return out;
}

// Kept apart so that no local of the caller lives across setjmp: libpng
// reports errors by longjmp back here.
bool encode(png_structp png, png_infop info, FILE* file, unsigned width, unsigned height,
            png_bytep* rows)
{
    if (setjmp(png_jmpbuf(png)) != 0)
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

} // namespace

bool write_png(const Cos_image& image, const std::string& name)
{
    if (image.get_bp() == nullptr)
        return false;
    const std::string path = std::string(KMX_DRAWING_OUTPUT_DIR) + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    // Rows first: libpng reports errors by longjmp, which must not skip
    // destructors.
    std::vector<std::vector<png_byte>> rows;
    std::vector<png_bytep> row_pointers;
    for (unsigned y = 0; y < image.get_height(); ++y)
        rows.push_back(rgb_row(image, int(y)));
    for (auto& row : rows)
        row_pointers.push_back(row.data());
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    const bool written = info != nullptr && encode(png, info, file, image.get_width(),
                                                   image.get_height(), row_pointers.data());
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return written;
}
#else
bool write_png(const Cos_image&, const std::string&)
{
    return false;
}
#endif

} // namespace kmx_test
