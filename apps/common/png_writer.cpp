// SPDX-License-Identifier: Apache-2.0
#include "png_writer.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>
#include <zlib.h>

namespace kmx_apps {

namespace {

// libpng reports errors by longjmp back here; everything with a destructor
// is made by the caller, so nothing is skipped when it jumps.
bool rows_out(png_structp png, png_infop info, const Cpng_layout& layout,
              const png_row_source& rows, std::vector<unsigned char>& row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const int colour_type = layout.channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, layout.width, layout.height, static_cast<int>(layout.bits),
                 colour_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (layout.significant_bits != layout.bits) {
        png_color_8 bits{};
        const auto significant = static_cast<png_byte>(layout.significant_bits);
        bits.gray = bits.red = bits.green = bits.blue = significant;
        png_set_sBIT(png, info, &bits);
    }
    png_set_compression_level(png, layout.fast ? Z_BEST_SPEED : Z_DEFAULT_COMPRESSION);
    png_write_info(png, info);
    for (unsigned y = 0; y < layout.height; ++y) {
        rows(y, row.data());
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    return true;
}

void quiet_warning(png_structp, png_const_charp) {}

bool layout_fits(const Cpng_layout& layout)
{
    return layout.width > 0 && layout.height > 0 &&
           (layout.channels == 1 || layout.channels == 3) &&
           (layout.bits == 8 || layout.bits == 16) && layout.significant_bits > 0 &&
           layout.significant_bits <= layout.bits;
}

} // namespace

std::string write_png(const std::string& path, const Cpng_layout& layout,
                      const png_row_source& rows)
{
    if (!layout_fits(layout) || !rows)
        return "no PNG has this shape";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return std::strerror(errno);
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, quiet_warning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(file);
        return "libpng could not start";
    }
    std::vector<unsigned char> row(static_cast<size_t>(layout.width) * layout.channels *
                                   (layout.bits / 8));
    png_init_io(png, file);
    const bool written = rows_out(png, info, layout, rows, row);
    png_destroy_write_struct(&png, &info);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed)
        return "libpng failed (disk full?)";
    return std::string();
}

} // namespace kmx_apps
