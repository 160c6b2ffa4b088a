// SPDX-License-Identifier: Apache-2.0
/**
 * @class Cfw_image
 * @brief A camera frame image: a Cimage that also owns a Windows bitmap
 * header block describing its pixels for drawing.
 *
 * The block is a BITMAPINFOHEADER and a 256-entry colour table, 1064
 * bytes (malloc/free). It is rewritten by every successful create and sized
 * modify: biHeight is -(height + 1) (top-down rows, one row more than the
 * image), biBitCount 8 * no_components, monochrome images get an inverted
 * grey colour table (entry i = 255 - i, so pixel 0 shows white) and colour
 * images the three masks red, green, blue. Images with components deeper
 * than 8 bits have no bitmap header: it is left unwritten and header_valid
 * is false, while the operation still succeeds.
 *
 * The pixel buffer and the header block are held together or not at all.
 * A sized modify on an image without a header (never created, or closed)
 * fails with 0; a failed modify clears header_valid.
 *
 * Copies duplicate both the pixels and the header block; when either
 * duplicate cannot be allocated the copy is empty (no buffer, no header,
 * header_valid false). Assignment releases what the target held and is
 * safe on itself.
 */
#ifndef KMX_IMAGE_FW_IMAGE_H
#define KMX_IMAGE_FW_IMAGE_H

#include <cstddef>

#include <kmxcore/image/image.h>

/// The header block of a frame: the 40-byte header and 256 colour-table
/// entries.
enum : unsigned {
    KMX_BITMAP_COLOURS = 256,      ///< entries of the colour table
    KMX_BITMAP_HEADER_BYTES = 40,  ///< bytes of the BITMAPINFOHEADER
    KMX_BITMAP_BLOCK_BYTES = KMX_BITMAP_HEADER_BYTES + KMX_BITMAP_COLOURS * 4 ///< the whole block
};

static_assert(sizeof(BITMAPINFOHEADER) == KMX_BITMAP_HEADER_BYTES,
              "the bitmap header is 40 bytes");
static_assert(sizeof(RGBQUAD) == 4, "a colour-table entry is 4 bytes");
static_assert(KMX_BITMAP_BLOCK_BYTES == 1064, "the header block is 1064 bytes");
static_assert(offsetof(BITMAPINFO, bmiColors) == KMX_BITMAP_HEADER_BYTES,
              "the colour table follows the header directly");

class KMX_CORE_API Cfw_image : public Cimage {
public:
    Cfw_image() = default;
    /// A copy with its own pixels and header block (empty when either
    /// cannot be allocated).
    Cfw_image(const Cfw_image& other);
    /// Releases what this image held, then copies as the copy constructor.
    Cfw_image& operator=(const Cfw_image& other);
    /// Frees the header block and the pixels.
    ~Cfw_image() override;

    /// The forms of Cimage that this class does not replace.
    using Cimage::create_image;
    /// The forms of Cimage that this class does not replace.
    using Cimage::modify_image;

    /// @brief As Cimage, and frees the header block: header_valid false,
    /// binfo null.
    void close_image() override;
    /// @brief As Cimage, then a header block.
    /// @return 1 made; 0 as Cimage, or when the header block cannot be
    ///         allocated (the pixel buffer is then freed too)
    int create_image(unsigned format, int width, int height) override;
    /// @brief As Cimage, then a header block.
    /// @return 1 made; 0 as Cimage, or when the header block cannot be
    ///         allocated (the pixel buffer is then freed too)
    int create_image(unsigned image_type, unsigned no_components, unsigned component_depth,
                     unsigned component_order, int width, int height) override;
    /// @brief As Cimage, then the header is refreshed.
    /// @return 1 reshaped; 0 as Cimage, or without a header block
    int modify_image(unsigned format, int width, int height) override;
    /// @brief As Cimage, then the header is refreshed.
    /// @return 1 reshaped; 0 as Cimage, or without a header block
    int modify_image(unsigned image_type, unsigned no_components, unsigned component_depth,
                     unsigned component_order, int width, int height) override;

    /// @return the header block (borrowed from the image), valid or not;
    ///         null before creation and after closing
    virtual BITMAPINFO* get_binfo();

protected:
    bool header_valid = false;    ///< true when the header describes the current image
    BITMAPINFO* binfo = nullptr;  ///< the header block; owned

private:
    // Not virtual: no slot in the class's interface.
    int attach_header(int width, int height);
};

#endif
