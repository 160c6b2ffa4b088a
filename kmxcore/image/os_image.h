// SPDX-License-Identifier: Apache-2.0
/**
 * @class Cos_image
 * @brief A drawable image whose pixels are a GDI DIB section in its own
 * memory device context.
 *
 * Owns the header block, the context and the bitmap, and releases them in
 * close_image and its destructor.
 *
 * Layout: monochrome images are 8-bit (format 2) with an inverted grey
 * colour table (entry i is 255 - i: pixel 0 shows white, 255 black);
 * colour images are 24-bit BGR (format 6, component order 1). Rows are
 * padded to a multiple of 4 bytes and stored top row first; the header's
 * biHeight is exactly -height.
 *
 * Typical use: create_image at the window's size, draw_image the current
 * camera frame, optionally draw_xhair or draw_grid, then copy_onscreen.
 *
 * Copying an image that holds a bitmap gives the copy its own DIB section
 * with the same pixels, so both copies work and each releases only what it
 * owns. When the new bitmap cannot be made the copy is empty (no header,
 * context or bitmap; its geometry fields are those of the source).
 * Assignment releases what the target held first and is safe on itself.
 *
 * draw_image draws nothing when the source's header does not describe its
 * pixels as GDI reads them: no header or pixels, components deeper than 8
 * bits, a bit count that is not 8 per component, a width other than the
 * image's, or rows not padded to 4 bytes (GDI would read past the buffer).
 */
#ifndef KMX_IMAGE_OS_IMAGE_H
#define KMX_IMAGE_OS_IMAGE_H

#include <kmxcore/image/fw_image.h>
#include <kmxcore/image/image_drawable.h>

class KMX_CORE_API Cos_image : public Cimage_drawable {
public:
    Cos_image() = default;
    /// A copy with its own DIB section holding the same pixels (empty when
    /// it cannot be made).
    Cos_image(const Cos_image& other);
    /// Releases what this image held, then copies as the copy constructor.
    Cos_image& operator=(const Cos_image& other);
    /// Releases as close_image does.
    ~Cos_image() override;

    /// @brief Releases the context first, then the bitmap (a selected bitmap
    /// cannot be deleted), then the header; bp null, size and bsize 0.
    /// Geometry and format stay.
    void close_image() override;
    /// @brief Paints every pixel white: 0xFF bytes in colour, 0 in monochrome.
    void clear_image() override;

    /// @brief A new white DIB section of width x height, colour for
    /// image_type 1 and monochrome otherwise, after releasing what the image
    /// still held.
    /// @return 1 made; 0 when the size is not positive, too large for 32-bit
    ///         sizes, or GDI or the allocator refuse
    virtual int create_image(unsigned image_type, int width, int height);
    /// @brief Copies the top-left block both images have, unscaled, to this
    /// image's top-left; nothing when the frame's header does not describe
    /// its pixels (see the class).
    /// @param frame borrowed for the call; null draws nothing
    virtual void draw_image(Cfw_image* frame);
    /// @brief As above, from another drawable image.
    /// @param image borrowed for the call; null draws nothing
    virtual void draw_image(Cimage_drawable* image);

private:
    void copy_pixels_of(const Cos_image& other);
};

#endif
