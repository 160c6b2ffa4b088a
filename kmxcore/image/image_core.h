// SPDX-License-Identifier: Apache-2.0
// Cimage_core: the geometry, pixel properties and pixel pointer of an image.
//
// Owns nothing: close_image and clear_image do nothing here. Derived
// classes decide where the pixels live (Cimage and Cfw_image on the heap,
// drawable images in a DIB section) and keep the fields in step with them.
//
// Rows are packed (no padding to 4 bytes), stored from the top row down;
// each pixel's components sit next to each other, each in component_size
// bytes. After every successful create or modify:
//   size == rowbytes * height <= bsize.
//
// Copying copies every field, the pixel pointer included: a core never
// owns its pixels, so two cores may describe the same buffer.
#ifndef KMX_IMAGE_IMAGE_CORE_H
#define KMX_IMAGE_IMAGE_CORE_H

#include <kmxcore/kmx_export.h>
#include <kmxcore/win_types.h>

static_assert(sizeof(unsigned) == 4, "image fields are 32-bit unsigned values");
static_assert(sizeof(RECT) == 16, "an image rectangle is four signed 32-bit values");

class KMX_CORE_API Cimage_core {
public:
    Cimage_core() = default;
    Cimage_core(const Cimage_core&) = default;
    Cimage_core& operator=(const Cimage_core&) = default;
    virtual ~Cimage_core();

    // right - left and bottom - top of the image rectangle.
    virtual unsigned get_width() const;
    virtual unsigned get_height() const;
    virtual RECT get_image_rect() const;
    virtual unsigned get_rowbytes() const;
    // Bytes of the current layout.
    virtual unsigned get_size() const;
    // Bytes allocated: the capacity every reshape must fit in.
    virtual unsigned get_bsize() const;
    virtual unsigned get_no_components() const;
    virtual unsigned get_component_size() const;
    virtual unsigned get_component_depth() const;
    virtual unsigned get_component_order() const;
    // component_size * no_components (not the pixel_size field).
    virtual unsigned get_pixel_size() const;
    // 0 monochrome, 1 colour.
    virtual unsigned get_image_type() const;
    // The format code, or KMX_FORMAT_NONE when the properties have none.
    virtual unsigned get_format() const;
    // The first pixel byte; null while the image holds no buffer.
    virtual void* get_bp() const;
    virtual void close_image();
    virtual void clear_image();

protected:
    unsigned image_type = 0;
    unsigned format = 0;
    unsigned char* bp = nullptr;
    RECT image_rect = {0, 0, 0, 0};
    unsigned size = 0;
    unsigned bsize = 0;
    unsigned rowbytes = 0;
    unsigned component_depth = 0;
    unsigned no_components = 0;
    unsigned component_size = 0;
    unsigned component_order = 0;
    // As recorded by the property forms of create_image and modify_image.
    unsigned pixel_size = 0;
};

#endif
