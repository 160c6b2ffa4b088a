// SPDX-License-Identifier: Apache-2.0
// Cpen_raster: turns the outlines GDI draws (lines, arcs, rectangles)
// into sets of device pixels and paints each pixel of one primitive
// exactly once, so an XOR drawing repeated restores every pixel.
//
// Coordinates are device pixels, pixel (x, y) sitting at the point (x, y).
// A pen of width w covers the pixels whose sample point lies closer than
// w / 2 to the outline; the sample point is the pixel itself for odd
// widths and half a pixel to its lower right for even ones, so a
// horizontal line at y of width w covers exactly w rows,
// y - w/2 .. y + (w-1)/2.
#ifndef KMX_GDI_RASTER_H
#define KMX_GDI_RASTER_H

#include "gdi_objects.h"

namespace kmx_gdi {

class Cpen_raster {
public:
    Cpen_raster(Csurface& surface, const Cpen_info& pen, int rop2);

    // From (x1, y1) to (x2, y2); a 1-pixel line leaves out its last pixel.
    void line(int x1, int y1, int x2, int y2);
    // The arc of the ellipse bounded by (left, top, right, bottom), counter-
    // clockwise from the radial through start to the one through end; the
    // whole ellipse when start and end are the same point.
    void arc(const RECT& box, POINT start, POINT end);
    // Outline through the corner pixels (left, top) and (right-1, bottom-1),
    // the inside [left, right - 1) x [top, bottom - 1) filled with brush.
    void rectangle(const RECT& box, const Cbrush_info& brush);

private:
    void plot(int x, int y);
    void plot_brush(int x, int y, Tdevice_value value);
    void thin_line(int x1, int y1, int x2, int y2);
    void wide_line(int x1, int y1, int x2, int y2);
    double half_width() const;
    double sample_offset() const;
    // The bounding box clipped to the surface, or false when empty.
    bool clip(double left, double top, double right, double bottom, RECT& out) const;

    Csurface& surface;
    const Cpen_info& pen;
    int rop2;
    Tdevice_value solid = 0;
};

} // namespace kmx_gdi

#endif
