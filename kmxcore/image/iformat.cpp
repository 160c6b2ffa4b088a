// SPDX-License-Identifier: Apache-2.0
#include "kmxcore/image/iformat.h"

#include <iterator>

namespace {

struct format_properties {
    unsigned code;
    unsigned image_mode;
    unsigned no_components;
    unsigned component_depth;
    unsigned component_size;
    unsigned component_order;
};

// The whole of decompose_format: one row per defined code.
constexpr format_properties format_table[] = {
    {KMX_FORMAT_MONO8, 0, 1, 8, 1, 0},  {KMX_FORMAT_MONO10, 0, 1, 10, 2, 0},
    {KMX_FORMAT_RGB24, 1, 3, 8, 1, 0},  {KMX_FORMAT_RGB30, 1, 3, 10, 2, 0},
    {KMX_FORMAT_BGR24, 1, 3, 8, 1, 1},  {KMX_FORMAT_RGB32, 1, 4, 8, 1, 0},
    {KMX_FORMAT_BGR32, 1, 4, 8, 1, 1},  {KMX_FORMAT_MONO12, 0, 1, 12, 2, 0},
    {KMX_FORMAT_RGB36, 1, 3, 12, 2, 0},
};

const format_properties* find_format(unsigned code)
{
    for (const auto& row : format_table)
        if (row.code == code)
            return &row;
    return nullptr;
}

unsigned classify_mono(unsigned depth)
{
    switch (depth) {
    case 8: return KMX_FORMAT_MONO8;
    case 10: return KMX_FORMAT_MONO10;
    case 12: return KMX_FORMAT_MONO12;
    default: return KMX_FORMAT_NONE;
    }
}

unsigned classify_colour(unsigned components, unsigned depth, unsigned order)
{
    if (components == 0)
        components = 3;
    if (components != 3 && components != 4)
        return KMX_FORMAT_NONE;
    if (order == 1) {
        if (depth != 8)
            return KMX_FORMAT_NONE;
        return components == 3 ? KMX_FORMAT_BGR24 : KMX_FORMAT_BGR32;
    }
    if (components == 4)
        return depth == 8 ? KMX_FORMAT_RGB32 : KMX_FORMAT_NONE;
    switch (depth) {
    case 8: return KMX_FORMAT_RGB24;
    case 10: return KMX_FORMAT_RGB30;
    case 12: return KMX_FORMAT_RGB36;
    default: return KMX_FORMAT_NONE;
    }
}

} // namespace

Ciformat::~Ciformat() = default;

unsigned Ciformat::get_format() const { return format; }
unsigned Ciformat::get_image_mode() const { return image_mode; }
unsigned Ciformat::get_no_components() const { return no_components; }
unsigned Ciformat::get_component_size() const { return component_size; }
unsigned Ciformat::get_component_depth() const { return component_depth; }
unsigned Ciformat::get_component_order() const { return component_order; }
unsigned Ciformat::get_pixel_size() const { return pixel_size; }

bool Ciformat::get_details(unsigned& image_mode_out, unsigned& no_components_out,
                           unsigned& component_depth_out, unsigned& component_size_out,
                           unsigned& component_order_out, unsigned& pixel_size_out) const
{
    image_mode_out = image_mode;
    no_components_out = no_components;
    component_depth_out = component_depth;
    component_size_out = component_size;
    component_order_out = component_order;
    pixel_size_out = pixel_size;
    return true;
}

bool Ciformat::set_format(unsigned image_mode_in, unsigned no_components_in,
                          unsigned component_depth_in, unsigned component_order_in)
{
    const unsigned code =
        classify_image(image_mode_in, no_components_in, component_depth_in, component_order_in);
    if (code == KMX_FORMAT_NONE)
        return false;
    decompose_format(code, image_mode, no_components, component_depth, component_size,
                     component_order, pixel_size);
    format = code;
    return true;
}

bool Ciformat::set_format(unsigned format_in)
{
    if (format_in == format)
        return true;
    if (!decompose_format(format_in, image_mode, no_components, component_depth,
                          component_size, component_order, pixel_size))
        return false;
    format = format_in;
    return true;
}

unsigned Ciformat::classify_image(unsigned image_mode, unsigned no_components,
                                  unsigned component_depth, unsigned component_order)
{
    if (image_mode != 1)
        return classify_mono(component_depth);
    return classify_colour(no_components, component_depth, component_order);
}

bool Ciformat::decompose_format(unsigned format, unsigned& image_mode, unsigned& no_components,
                                unsigned& component_depth, unsigned& component_size,
                                unsigned& component_order, unsigned& pixel_size)
{
    const format_properties* row = find_format(format);
    if (row == nullptr)
        return false;
    image_mode = row->image_mode;
    no_components = row->no_components;
    component_depth = row->component_depth;
    component_size = row->component_size;
    component_order = row->component_order;
    pixel_size = row->no_components * row->component_size;
    return true;
}
