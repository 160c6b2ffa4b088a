// SPDX-License-Identifier: Apache-2.0
/**
 * @class Cimage_drawable
 * @brief An image held in a Windows DIB section selected into its own
 * memory device context, with a bitmap header (BITMAPINFOHEADER and a
 * 256-entry colour table) describing it.
 *
 * It takes pixels from any bitmap header and pixel block (stretched),
 * copies a block of itself into a window, and draws two overlays on itself:
 * a crosshair with five circles and a square grid with a centre circle.
 * Overlays are drawn with R2_XORPEN in the colour whose device value is all
 * ones (white on colour images, black = entry 255 of the inverted grey
 * table on monochrome ones), so drawing the same overlay twice restores
 * every pixel. Overlays use only the size of the area passed and are drawn
 * from the image's own origin.
 *
 * This class releases nothing: Cos_image creates and owns the header,
 * device context and bitmap. Copies are copies of every field.
 *
 * The drawing operations report nothing; on an image without a device
 * context they draw nothing, nor do draw_bitmap and copy_onscreen for
 * rectangles (or a header height) whose extents do not fit GDI's int
 * arguments. draw_grid with a scale above 100 draws nothing: the grid would
 * have a spacing of 0 pixels, and its centre circle (radius 32 / scale) is
 * already of radius 0 from scale 33 on, so there is nothing left to show.
 */
#ifndef KMX_IMAGE_IMAGE_DRAWABLE_H
#define KMX_IMAGE_IMAGE_DRAWABLE_H

#include <kmxcore/image/image_core.h>

class KMX_CORE_API Cimage_drawable : public Cimage_core {
public:
    Cimage_drawable() = default;
    /// Copies every field: the copy names the same context and bitmap.
    Cimage_drawable(const Cimage_drawable&) = default;
    /// Copies every field: the copy names the same context and bitmap.
    Cimage_drawable& operator=(const Cimage_drawable&) = default;
    ~Cimage_drawable() override;

    /// @return the memory device context holding the bitmap (borrowed from
    ///         the image); null while there is none
    virtual HDC get_hdc() const;
    /// @return the header block describing the DIB section (borrowed from the
    ///         image); null while there is none
    virtual BITMAPINFO* get_binfo() const;
    /// @brief Stretches the src part of a bitmap into the dst part of this
    /// image.
    ///
    /// src is counted from the top row of the picture for top-down headers
    /// (negative biHeight) and from the first stored row for bottom-up ones.
    /// The header and pixels are borrowed for the call.
    virtual void draw_bitmap(BITMAPINFO* header, char* pixels, RECT src, RECT dst);
    /// @brief As above, from another drawable image's header and pixels.
    virtual void draw_bitmap(Cimage_drawable* image, RECT src, RECT dst);
    /// @brief Copies the block of this image starting at src.left, src.top
    /// (its right and bottom are not used) unscaled into dst of the window,
    /// with the palette realised in the window's DC while copying when given.
    virtual void copy_onscreen(HWND window, RECT src, RECT dst, HPALETTE palette);
    /// @brief As above, without a palette.
    virtual void copy_onscreen(HWND window, RECT src, RECT dst);
    /// @brief Draws the crosshair: lines through the centre of area's size,
    /// 4 pixels wide, and circles of radius i * (165, 164, 163, 163, 163) /
    /// scale (i = 1 .. 5), 2 pixels wide.
    ///
    /// A pattern bitmap (borrowed) makes the lines a geometric pen tiled
    /// with it. A scale of 0 counts as 1.
    virtual void draw_xhair(const RECT& area, HBITMAP pattern, unsigned scale);
    /// @brief The crosshair with a pattern, at scale 1.
    virtual void draw_xhair(const RECT& area, HBITMAP pattern);
    /// @brief The crosshair with solid lines.
    virtual void draw_xhair(const RECT& area, unsigned scale);
    /// @brief Draws the grid: lines 2 pixels wide every 100 / scale pixels
    /// through the centre of area's size (never at 0), and a circle of
    /// radius 32 / scale about the centre.
    ///
    /// A pattern bitmap (borrowed) makes the lines a geometric pen tiled
    /// with it. A scale of 0 counts as 1; above 100 nothing is drawn.
    virtual void draw_grid(const RECT& area, HBITMAP pattern, unsigned scale);
    /// @brief The grid with a pattern, at scale 1.
    virtual void draw_grid(const RECT& area, HBITMAP pattern);
    /// @brief The grid with solid lines.
    virtual void draw_grid(const RECT& area, unsigned scale);

protected:
    BITMAPINFO* binfo = nullptr;  ///< header block (1064 bytes) describing the DIB section
    HDC hdc = nullptr;            ///< memory device context holding the bitmap
    HBITMAP hbitmap = nullptr;    ///< the DIB section whose pixels bp points at
};

#endif
