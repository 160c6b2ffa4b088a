// SPDX-License-Identifier: Apache-2.0
/**
 * @class Cimage_core
 * @brief The geometry, pixel properties and pixel pointer of an image.
 *
 * Owns nothing: close_image and clear_image do nothing here. Derived
 * classes decide where the pixels live (Cimage and Cfw_image on the heap,
 * drawable images in a DIB section) and keep the fields in step with them.
 *
 * Rows are packed (no padding to 4 bytes), stored from the top row down;
 * each pixel's components sit next to each other, each in component_size
 * bytes. After every successful create or modify:
 * `size == rowbytes * height <= bsize`.
 *
 * Copying copies every field, the pixel pointer included: a core never
 * owns its pixels, so two cores may describe the same buffer.
 */
#ifndef KMX_IMAGE_IMAGE_CORE_H
#define KMX_IMAGE_IMAGE_CORE_H

#include <kmxcore/kmx_export.h>
#include <kmxcore/win_types.h>

static_assert(sizeof(unsigned) == 4, "image fields are 32-bit unsigned values");
static_assert(sizeof(RECT) == 16, "an image rectangle is four signed 32-bit values");

class KMX_CORE_API Cimage_core {
public:
    Cimage_core() = default;
    /// Copies every field: the copy describes the same pixels.
    Cimage_core(const Cimage_core&) = default;
    /// Copies every field: the copy describes the same pixels.
    Cimage_core& operator=(const Cimage_core&) = default;
    virtual ~Cimage_core();

    /// @return right - left of the image rectangle
    virtual unsigned get_width() const;
    /// @return bottom - top of the image rectangle
    virtual unsigned get_height() const;
    /// @return the image rectangle: (0, 0, width, height) once created
    virtual RECT get_image_rect() const;
    /// @return bytes from one row to the next
    virtual unsigned get_rowbytes() const;
    /// @return bytes of the current layout: rowbytes * height
    virtual unsigned get_size() const;
    /// @return bytes allocated: the capacity every reshape must fit in
    virtual unsigned get_bsize() const;
    /// @return components per pixel: 1 monochrome, 3 or 4 colour
    virtual unsigned get_no_components() const;
    /// @return bytes per component: 1, or 2 for components deeper than 8 bits
    virtual unsigned get_component_size() const;
    /// @return significant bits per component
    virtual unsigned get_component_depth() const;
    /// @return 0 normal order (red first), 1 reversed (blue first)
    virtual unsigned get_component_order() const;
    /// @return component_size * no_components (not the pixel_size field)
    virtual unsigned get_pixel_size() const;
    /// @return 0 monochrome, 1 colour
    virtual unsigned get_image_type() const;
    /// @return the format code, or KMX_FORMAT_NONE when the properties have none
    virtual unsigned get_format() const;
    /// @return the first pixel byte (borrowed from the image); null while the
    ///         image holds no buffer
    virtual void* get_bp() const;
    /// @brief Releases the pixels where a derived class owns them; nothing here.
    virtual void close_image();
    /// @brief Blanks the pixels where a derived class owns them; nothing here.
    virtual void clear_image();

protected:
    unsigned image_type = 0;         ///< 0 monochrome, 1 colour
    unsigned format = 0;             ///< format code of the layout
    unsigned char* bp = nullptr;     ///< first pixel byte; owned by the derived class
    RECT image_rect = {0, 0, 0, 0};  ///< (0, 0, width, height)
    unsigned size = 0;               ///< bytes of the current layout
    unsigned bsize = 0;              ///< bytes allocated
    unsigned rowbytes = 0;           ///< bytes per row
    unsigned component_depth = 0;    ///< significant bits per component
    unsigned no_components = 0;      ///< components per pixel
    unsigned component_size = 0;     ///< bytes per component
    unsigned component_order = 0;    ///< 0 red first, 1 blue first
    /// Bytes per pixel as recorded by the property forms of create_image and
    /// modify_image.
    unsigned pixel_size = 0;
};

#endif
