// SPDX-License-Identifier: Apache-2.0
#include "png_writer.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <png.h>
#include <zlib.h>

namespace kmx_apps {

namespace {

constexpr size_t longest_keyword = 79;

bool ascii_only(const std::string& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool keyword_fits(const std::string& keyword)
{
    if (keyword.empty() || keyword.size() > longest_keyword)
        return false;
    for (char c : keyword) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || (byte > 0x7E && byte < 0xA1))
            return false;
    }
    return true;
}

// Plain ASCII goes into tEXt, which every reader knows; anything else
// into iTXt, the chunk that holds UTF-8. The records point into layout.
std::vector<png_text> text_chunks(const Cpng_layout& layout)
{
    std::vector<png_text> chunks;
    for (const auto& entry : layout.text) {
        png_text chunk{};
        const bool plain = ascii_only(entry.second);
        chunk.compression = plain ? PNG_TEXT_COMPRESSION_NONE : PNG_ITXT_COMPRESSION_NONE;
        chunk.key = const_cast<char*>(entry.first.c_str());
        chunk.text = const_cast<char*>(entry.second.c_str());
        chunk.text_length = plain ? entry.second.size() : 0;
        chunk.itxt_length = plain ? 0 : entry.second.size();
        chunks.push_back(chunk);
    }
    return chunks;
}

// libpng reports errors by longjmp back here; everything with a destructor
// is made by the caller, so nothing is skipped when it jumps.
bool rows_out(png_structp png, png_infop info, const Cpng_layout& layout,
              const png_row_source& rows, std::vector<png_text>& text,
              std::vector<unsigned char>& row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const int colour_type = layout.channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, layout.width, layout.height, static_cast<int>(layout.bits),
                 colour_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // Every depth is recorded, 8 of 8 bits included, so a reader never has
    // to guess whether 16-bit samples hold 10, 12 or 16 bits.
    png_color_8 bits{};
    const auto significant = static_cast<png_byte>(layout.significant_bits);
    bits.gray = bits.red = bits.green = bits.blue = significant;
    png_set_sBIT(png, info, &bits);
    if (layout.pixels_per_metre != 0)
        png_set_pHYs(png, info, layout.pixels_per_metre, layout.pixels_per_metre,
                     PNG_RESOLUTION_METER);
    // Text before the image data, so that readers which stop at the
    // pixels still see it.
    if (!text.empty())
        png_set_text(png, info, text.data(), static_cast<int>(text.size()));
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
    for (const auto& entry : layout.text)
        if (!keyword_fits(entry.first))
            return false;
    return layout.width > 0 && layout.height > 0 &&
           (layout.channels == 1 || layout.channels == 3) &&
           (layout.bits == 8 || layout.bits == 16) && layout.significant_bits > 0 &&
           layout.significant_bits <= layout.bits;
}

// No exception may cross libpng's C frames: a failed allocation becomes
// libpng's own error, which jumps back to rows_out.
void append_bytes(png_structp png, png_bytep data, size_t length)
{
    auto* bytes = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    try {
        bytes->insert(bytes->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        png_error(png, "out of memory");
    }
}

void flush_nothing(png_structp) {}

// Runs libpng with the output set up by `attach`.
bool encode(const Cpng_layout& layout, const png_row_source& rows,
            const std::function<void(png_structp)>& attach)
{
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, quiet_warning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<unsigned char> row(static_cast<size_t>(layout.width) * layout.channels *
                                   (layout.bits / 8));
    std::vector<png_text> text = text_chunks(layout);
    attach(png);
    const bool written = rows_out(png, info, layout, rows, text, row);
    png_destroy_write_struct(&png, &info);
    return written;
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
    const bool written = encode(layout, rows, [file](png_structp png) { png_init_io(png, file); });
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed)
        return "libpng failed (disk full?)";
    return std::string();
}

std::string encode_png(const Cpng_layout& layout, const png_row_source& rows,
                       std::vector<unsigned char>& bytes)
{
    bytes.clear();
    if (!layout_fits(layout) || !rows)
        return "no PNG has this shape";
    const bool written = encode(layout, rows, [&bytes](png_structp png) {
        png_set_write_fn(png, &bytes, append_bytes, flush_nothing);
    });
    if (!written)
        return "libpng failed";
    return std::string();
}

} // namespace kmx_apps
