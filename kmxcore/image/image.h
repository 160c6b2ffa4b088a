// SPDX-License-Identifier: Apache-2.0
/**
 * @class Cimage
 * @brief An image that owns a pixel buffer on the heap (malloc/free,
 * uninitialised on allocation).
 *
 * The buffer is created once at the largest layout the image will need;
 * modify_image and resize_image then reshape it in place and never
 * reallocate: they fail (0) when the new layout needs more than bsize
 * bytes, and a failed modify leaves every field as it was.
 *
 * Results: 1 success, 0 failure. Failures: a negative width or height, a
 * depth above 32, a colour component count other than 0, 3 or 4, an
 * invalid format code, a row or image size that does not fit in 32 bits,
 * and a failed allocation (the image is then empty: bp null, size and
 * bsize 0).
 *
 * create_image on an image that still holds a buffer releases that buffer
 * first (through close_image), so nothing leaks; callers usually close
 * first anyway.
 *
 * Copies duplicate the pixel buffer (all bsize bytes): each image owns its
 * own. When the duplicate cannot be allocated the copy is empty (bp null,
 * size and bsize 0) and keeps the geometry. Assignment releases what the
 * target held and is safe on itself.
 */
#ifndef KMX_IMAGE_IMAGE_H
#define KMX_IMAGE_IMAGE_H

#include <kmxcore/image/image_core.h>

class KMX_CORE_API Cimage : public Cimage_core {
public:
    Cimage() = default;
    /// A copy with its own duplicate of the pixel buffer (empty when that
    /// cannot be allocated).
    Cimage(const Cimage& other);
    /// Releases this image's buffer, then copies as the copy constructor.
    Cimage& operator=(const Cimage& other);
    /// Frees the buffer.
    ~Cimage() override;

    /// @brief Frees the buffer: bp null, size and bsize 0. Geometry, format
    /// and pixel properties stay for reading.
    void close_image() override;
    /// @brief Zeroes all bsize bytes when the image holds a buffer and size
    /// is not 0.
    void clear_image() override;

    /// @brief A new buffer for a format code.
    /// @return 1 made; 0 for an invalid code or size, or no memory
    virtual int create_image(unsigned format, int width, int height);
    /// @brief A new buffer for a set of properties.
    ///
    /// A monochrome request (any type but 1) takes 1 component in order 0;
    /// a colour request with 0 components takes 3; depth 0 means 8.
    /// Properties without a format code still make an image (format
    /// KMX_FORMAT_NONE). The type and rectangle are stored even when a
    /// later check fails.
    /// @return 1 made; 0 refused (see the class) or no memory
    virtual int create_image(unsigned image_type, unsigned no_components,
                             unsigned component_depth, unsigned component_order, int width,
                             int height);
    /// @brief The current width and height in another format, in place.
    /// @return 1 reshaped; 0 when it does not fit bsize or the code is invalid
    virtual int modify_image(unsigned format);
    /// @brief Another format and size, in place.
    /// @return 1 reshaped; 0 when it does not fit bsize or is refused
    virtual int modify_image(unsigned format, int width, int height);
    /// @brief Other properties and size, in place (rules as the property
    /// form of create_image).
    /// @return 1 reshaped; 0 when it does not fit bsize or is refused
    virtual int modify_image(unsigned image_type, unsigned no_components,
                             unsigned component_depth, unsigned component_order, int width,
                             int height);
    /// @brief The current properties at another size, in place.
    /// @return 1 reshaped; 0 when it does not fit bsize or is refused
    virtual int resize_image(int width, int height);

    /// What a create or modify works out before it touches the image;
    /// complete only inside the image's own code.
    struct pixel_layout;

private:
    // Not virtual: no slot in the class's interface.
    void store_layout(const pixel_layout& layout);
    bool allocate_layout(const pixel_layout& layout);
};

#endif
