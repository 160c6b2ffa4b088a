// SPDX-License-Identifier: Apache-2.0
#include "kmxcore/image/image_core.h"

Cimage_core::~Cimage_core() = default;

// Unsigned subtraction: a rectangle set by a derived class cannot make the
// difference overflow.
unsigned Cimage_core::get_width() const
{
    return static_cast<unsigned>(image_rect.right) - static_cast<unsigned>(image_rect.left);
}

unsigned Cimage_core::get_height() const
{
    return static_cast<unsigned>(image_rect.bottom) - static_cast<unsigned>(image_rect.top);
}

RECT Cimage_core::get_image_rect() const { return image_rect; }
unsigned Cimage_core::get_rowbytes() const { return rowbytes; }
unsigned Cimage_core::get_size() const { return size; }
unsigned Cimage_core::get_bsize() const { return bsize; }
unsigned Cimage_core::get_no_components() const { return no_components; }
unsigned Cimage_core::get_component_size() const { return component_size; }
unsigned Cimage_core::get_component_depth() const { return component_depth; }
unsigned Cimage_core::get_component_order() const { return component_order; }
unsigned Cimage_core::get_pixel_size() const { return component_size * no_components; }
unsigned Cimage_core::get_image_type() const { return image_type; }
unsigned Cimage_core::get_format() const { return format; }
void* Cimage_core::get_bp() const { return bp; }

// A core owns no buffer, so there is nothing to close or clear.
void Cimage_core::close_image() {}
void Cimage_core::clear_image() {}
