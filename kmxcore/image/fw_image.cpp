// SPDX-License-Identifier: Apache-2.0
#include "kmxcore/image/fw_image.h"
#include "kmx_platform.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned colour_type = 1;
constexpr unsigned max_header_depth = 8;
constexpr WORD bits_per_component = 8;
constexpr DWORD grey_table_entries = KMX_BITMAP_COLOURS;
// BI_BITFIELDS-style channel masks, kept in the first three table entries.
constexpr DWORD colour_masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};

BITMAPINFO* allocate_header()
{
    return static_cast<BITMAPINFO*>(std::malloc(KMX_BITMAP_BLOCK_BYTES));
}

BITMAPINFO* duplicate_header(const BITMAPINFO* source)
{
    if (source == nullptr)
        return nullptr;
    BITMAPINFO* copy = allocate_header();
    if (copy != nullptr)
        std::memcpy(copy, source, KMX_BITMAP_BLOCK_BYTES);
    return copy;
}

// The colour table lies past the one entry that BITMAPINFO declares;
// address it from the block rather than through the declared array.
RGBQUAD* colour_table(BITMAPINFO* block)
{
    return reinterpret_cast<RGBQUAD*>(reinterpret_cast<unsigned char*>(block) +
                                      KMX_BITMAP_HEADER_BYTES);
}

// Monochrome frames show pixel 0 as white: entry i is grey 255 - i.
void write_inverted_grey(RGBQUAD* table)
{
    for (unsigned i = 0; i < KMX_BITMAP_COLOURS; ++i) {
        const BYTE grey = static_cast<BYTE>(KMX_BITMAP_COLOURS - 1 - i);
        table[i] = RGBQUAD{grey, grey, grey, 0};
    }
}

void write_colour_masks(RGBQUAD* table)
{
    for (unsigned i = 0; i < 3; ++i)
        std::memcpy(&table[i], &colour_masks[i], sizeof(DWORD));
}

// Writes the header for a frame; false (nothing written) when components
// are deeper than 8 bits, which GDI cannot show.
bool write_header(BITMAPINFO* block, unsigned image_type, unsigned no_components,
                  unsigned depth, int width, int height)
{
    if (depth > max_header_depth)
        return false;
    BITMAPINFOHEADER& header = block->bmiHeader;
    header.biSize = KMX_BITMAP_HEADER_BYTES;
    header.biWidth = width;
    // One row more than the image, negative for top-down rows. In 64 bits:
    // height + 1 must not overflow for the largest height.
    header.biHeight = static_cast<LONG>(-(static_cast<std::int64_t>(height) + 1));
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits_per_component * no_components);
    header.biCompression = BI_RGB;
    header.biSizeImage = 0;
    header.biXPelsPerMeter = 0;
    header.biYPelsPerMeter = 0;
    header.biClrImportant = 0;
    if (image_type == colour_type) {
        header.biClrUsed = 0;
        write_colour_masks(colour_table(block));
    } else {
        header.biClrUsed = grey_table_entries;
        write_inverted_grey(colour_table(block));
    }
    return true;
}

} // namespace

Cfw_image::Cfw_image(const Cfw_image& other)
    : Cimage(other), header_valid(other.header_valid), binfo(duplicate_header(other.binfo))
{
    // Pixels and header go together: if either copy failed, keep neither.
    if ((other.bp != nullptr && bp == nullptr) || (other.binfo != nullptr && binfo == nullptr))
        Cfw_image::close_image();
}

Cfw_image& Cfw_image::operator=(const Cfw_image& other)
{
    if (this == &other)
        return *this;
    BITMAPINFO* header_copy = duplicate_header(other.binfo);
    Cimage::operator=(other);
    std::free(binfo);
    binfo = header_copy;
    header_valid = other.header_valid;
    if ((other.bp != nullptr && bp == nullptr) || (other.binfo != nullptr && binfo == nullptr))
        Cfw_image::close_image();
    return *this;
}

Cfw_image::~Cfw_image()
{
    std::free(binfo);
}

void Cfw_image::close_image()
{
    header_valid = false;
    std::free(binfo);
    binfo = nullptr;
    Cimage::close_image();
}

// A fresh buffer gets a fresh header block; without one the buffer goes
// too, so that a failed create holds nothing.
int Cfw_image::attach_header(int width, int height)
{
    binfo = allocate_header();
    if (binfo == nullptr) {
        Cimage::close_image();
        return 0;
    }
    header_valid = write_header(binfo, image_type, no_components, component_depth, width, height);
    return 1;
}

int Cfw_image::create_image(unsigned format_code, int width, int height)
{
    header_valid = false;
    if (!Cimage::create_image(format_code, width, height))
        return 0;
    return attach_header(width, height);
}

int Cfw_image::create_image(unsigned type, unsigned components, unsigned depth, unsigned order,
                            int width, int height)
{
    header_valid = false;
    if (!Cimage::create_image(type, components, depth, order, width, height))
        return 0;
    return attach_header(width, height);
}

int Cfw_image::modify_image(unsigned format_code, int width, int height)
{
    if (binfo == nullptr)
        return 0;
    if (!Cimage::modify_image(format_code, width, height)) {
        header_valid = false;
        return 0;
    }
    header_valid = write_header(binfo, image_type, no_components, component_depth, width, height);
    return 1;
}

int Cfw_image::modify_image(unsigned type, unsigned components, unsigned depth, unsigned order,
                            int width, int height)
{
    if (binfo == nullptr)
        return 0;
    if (!Cimage::modify_image(type, components, depth, order, width, height)) {
        header_valid = false;
        return 0;
    }
    header_valid = write_header(binfo, image_type, no_components, component_depth, width, height);
    return 1;
}

BITMAPINFO* Cfw_image::get_binfo() { return binfo; }
