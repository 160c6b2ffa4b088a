// SPDX-License-Identifier: Apache-2.0
#include "kmxcore/image/image.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "kmxcore/image/iformat.h"
#include "kmx_platform.h"

namespace {

constexpr unsigned colour_type = 1;
constexpr unsigned max_component_depth = 32;
constexpr unsigned default_component_depth = 8;
constexpr unsigned default_colour_components = 3;
constexpr std::uint64_t max_32bit_size = UINT32_MAX;

} // namespace

// Everything a create or modify decides before it touches the image.
struct Cimage::pixel_layout {
    unsigned image_type;
    unsigned format;
    unsigned no_components;
    unsigned component_depth;
    unsigned component_size;
    unsigned component_order;
    unsigned rowbytes;
    unsigned size;
};

namespace {

// Row length and image size in 64 bits, refused when either would not fit
// the 32-bit fields: a wrapped size would allocate a buffer the camera
// then writes past.
bool compute_sizes(unsigned pixel_bytes, int width, int height, Cimage::pixel_layout& layout)
{
    if (width < 0 || height < 0)
        return false;
    const std::uint64_t row = std::uint64_t{pixel_bytes} * static_cast<std::uint64_t>(width);
    if (row > max_32bit_size)
        return false;
    const std::uint64_t total = row * static_cast<std::uint64_t>(height);
    if (total > max_32bit_size)
        return false;
    layout.rowbytes = static_cast<unsigned>(row);
    layout.size = static_cast<unsigned>(total);
    return true;
}

// Bytes per component for a depth; false above 32 bits.
bool component_size_for(unsigned& depth, unsigned& bytes)
{
    if (depth > max_component_depth)
        return false;
    if (depth == 0)
        depth = default_component_depth;
    bytes = depth <= 8 ? 1 : depth <= 16 ? 2 : 4;
    return true;
}

bool layout_from_properties(unsigned image_type, unsigned no_components, unsigned depth,
                            unsigned order, int width, int height, Cimage::pixel_layout& layout)
{
    unsigned bytes = 0;
    if (!component_size_for(depth, bytes))
        return false;
    if (image_type != colour_type) {
        no_components = 1;
        order = 0;
    } else {
        if (no_components == 0)
            no_components = default_colour_components;
        if (no_components != 3 && no_components != 4)
            return false;
    }
    layout.image_type = image_type;
    layout.format = Ciformat::classify_image(image_type, no_components, depth, order);
    layout.no_components = no_components;
    layout.component_depth = depth;
    layout.component_size = bytes;
    layout.component_order = order;
    return compute_sizes(bytes * no_components, width, height, layout);
}

bool layout_from_format(unsigned format, int width, int height, Cimage::pixel_layout& layout)
{
    unsigned pixel_bytes = 0;
    if (!Ciformat::decompose_format(format, layout.image_type, layout.no_components,
                                    layout.component_depth, layout.component_size,
                                    layout.component_order, pixel_bytes))
        return false;
    layout.format = format;
    return compute_sizes(pixel_bytes, width, height, layout);
}

// malloc never sees 0: some runtimes answer malloc(0) with null, which
// would read as a failure for an empty image.
unsigned char* allocate_bytes(unsigned count)
{
    return static_cast<unsigned char*>(std::malloc(count != 0 ? count : 1));
}

unsigned char* duplicate_bytes(const unsigned char* source, unsigned count)
{
    if (source == nullptr)
        return nullptr;
    unsigned char* copy = allocate_bytes(count);
    if (copy != nullptr)
        std::memcpy(copy, source, count);
    return copy;
}

} // namespace

Cimage::Cimage(const Cimage& other) : Cimage_core(other)
{
    bp = duplicate_bytes(other.bp, other.bsize);
    if (bp == nullptr)
        size = bsize = 0;
}

Cimage& Cimage::operator=(const Cimage& other)
{
    if (this == &other)
        return *this;
    unsigned char* copy = duplicate_bytes(other.bp, other.bsize);
    std::free(bp);
    Cimage_core::operator=(other);
    bp = copy;
    if (bp == nullptr)
        size = bsize = 0;
    return *this;
}

Cimage::~Cimage()
{
    std::free(bp);
}

void Cimage::close_image()
{
    std::free(bp);
    bp = nullptr;
    size = 0;
    bsize = 0;
}

// The whole allocation, not only the current layout.
void Cimage::clear_image()
{
    if (bp == nullptr || size == 0)
        return;
    std::memset(bp, 0, bsize);
}

// The row length and the component properties of a layout. Only the
// property forms record pixel_size; the format forms leave it as it was.
void Cimage::store_layout(const pixel_layout& layout)
{
    rowbytes = layout.rowbytes;
    no_components = layout.no_components;
    component_size = layout.component_size;
    component_depth = layout.component_depth;
    component_order = layout.component_order;
}

// A buffer of exactly the layout's size, the layout stored with it; on
// failure the image is empty (bp null, size and bsize 0) and keeps the
// properties it had.
bool Cimage::allocate_layout(const pixel_layout& layout)
{
    bp = allocate_bytes(layout.size);
    if (bp == nullptr) {
        size = bsize = 0;
        return false;
    }
    size = bsize = layout.size;
    store_layout(layout);
    return true;
}

int Cimage::create_image(unsigned format_code, int width, int height)
{
    pixel_layout layout{};
    if (!layout_from_format(format_code, width, height, layout))
        return 0;
    if (bp != nullptr)
        close_image();
    image_type = layout.image_type;
    format = layout.format;
    SetRect(&image_rect, 0, 0, width, height);
    return allocate_layout(layout) ? 1 : 0;
}

int Cimage::create_image(unsigned type, unsigned components, unsigned depth, unsigned order,
                         int width, int height)
{
    // A negative size is refused before anything changes: it would leave
    // a rectangle whose width reads as billions.
    if (width < 0 || height < 0)
        return 0;
    if (bp != nullptr)
        close_image();
    image_type = type;
    SetRect(&image_rect, 0, 0, width, height);
    pixel_layout layout{};
    if (!layout_from_properties(type, components, depth, order, width, height, layout))
        return 0;
    format = layout.format;
    if (!allocate_layout(layout))
        return 0;
    pixel_size = layout.component_size * layout.no_components;
    return 1;
}

int Cimage::modify_image(unsigned format_code)
{
    return modify_image(format_code, static_cast<int>(get_width()),
                        static_cast<int>(get_height()));
}

// Reshapes only when the whole new layout fits; a refusal changes nothing.
int Cimage::modify_image(unsigned format_code, int width, int height)
{
    pixel_layout layout{};
    if (!layout_from_format(format_code, width, height, layout) || layout.size > bsize)
        return 0;
    image_type = layout.image_type;
    format = layout.format;
    SetRect(&image_rect, 0, 0, width, height);
    size = layout.size;
    store_layout(layout);
    return 1;
}

int Cimage::modify_image(unsigned type, unsigned components, unsigned depth, unsigned order,
                         int width, int height)
{
    pixel_layout layout{};
    if (!layout_from_properties(type, components, depth, order, width, height, layout) ||
        layout.size > bsize)
        return 0;
    image_type = layout.image_type;
    format = layout.format;
    SetRect(&image_rect, 0, 0, width, height);
    size = layout.size;
    store_layout(layout);
    pixel_size = layout.component_size * layout.no_components;
    return 1;
}

int Cimage::resize_image(int width, int height)
{
    return modify_image(image_type, no_components, component_depth, component_order, width,
                        height);
}
