// SPDX-License-Identifier: Apache-2.0
// Rasterising of pens: every primitive is the set of pixels whose sample
// point falls inside the pen's band around the outline.
#include "gdi_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kmx_gdi {

namespace {

constexpr double pi = 3.14159265358979323846;

double segment_distance(double px, double py, double x1, double y1, double x2, double y2)
{
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    const double length2 = dx * dx + dy * dy;
    double t = 0.0;
    if (length2 > 0.0)
        t = std::clamp(((px - x1) * dx + (py - y1) * dy) / length2, 0.0, 1.0);
    return std::hypot(px - (x1 + t * dx), py - (y1 + t * dy));
}

// Radial distance from a point to an ellipse about the origin: exact for
// circles, close enough for the near-round ellipses drawn here.
double ellipse_distance(double px, double py, double a, double b)
{
    const double length = std::hypot(px, py);
    if (length == 0.0)
        return std::min(a, b);
    const double scale = std::sqrt((px * px) / (a * a) + (py * py) / (b * b));
    return std::fabs(length - length / scale);
}

// Angle of a point in the usual sense (y up), 0 .. 2 pi.
double angle_of(double x, double y)
{
    const double angle = std::atan2(-y, x);
    return angle < 0.0 ? angle + 2.0 * pi : angle;
}

bool in_sweep(double angle, double from, double to)
{
    const double sweep = to > from ? to - from : to - from + 2.0 * pi;
    const double offset = angle >= from ? angle - from : angle - from + 2.0 * pi;
    return offset <= sweep;
}

int floor_mod(int value, int modulus)
{
    const int remainder = value % modulus;
    return remainder < 0 ? remainder + modulus : remainder;
}

// Distance from a point to the outline of the box [l, r] x [t, b].
double box_outline_distance(double px, double py, double l, double t, double r, double b)
{
    const bool inside = px >= l && px <= r && py >= t && py <= b;
    if (inside)
        return std::min(std::min(px - l, r - px), std::min(py - t, b - py));
    const double dx = std::max(std::max(l - px, 0.0), px - r);
    const double dy = std::max(std::max(t - py, 0.0), py - b);
    return std::hypot(dx, dy);
}

} // namespace

Cpen_raster::Cpen_raster(Csurface& surface_, const Cpen_info& pen_, int rop2_)
    : surface(surface_), pen(pen_), rop2(rop2_)
{
    solid = surface.to_device(pen.colour);
}

double Cpen_raster::half_width() const
{
    return std::max(pen.width, 1) / 2.0;
}

double Cpen_raster::sample_offset() const
{
    return pen.width % 2 == 0 ? 0.5 : 0.0;
}

void Cpen_raster::plot(int x, int y)
{
    if (!surface.contains(x, y))
        return;
    if (pen.pattern.empty()) {
        surface.apply(x, y, solid, rop2);
        return;
    }
    const size_t px = size_t(floor_mod(x, pen.pattern_width));
    const size_t py = size_t(floor_mod(y, pen.pattern_height));
    const COLORREF colour = pen.pattern[py * size_t(pen.pattern_width) + px];
    surface.apply(x, y, surface.to_device(colour), rop2);
}

void Cpen_raster::plot_brush(int x, int y, Tdevice_value value)
{
    surface.apply(x, y, value, rop2);
}

bool Cpen_raster::clip(double left, double top, double right, double bottom, RECT& out) const
{
    const double w = surface.get_width();
    const double h = surface.get_height();
    left = std::max(std::floor(left), 0.0);
    top = std::max(std::floor(top), 0.0);
    right = std::min(std::ceil(right), w - 1.0);
    bottom = std::min(std::ceil(bottom), h - 1.0);
    if (left > right || top > bottom)
        return false;
    out = RECT{LONG(left), LONG(top), LONG(right), LONG(bottom)};
    return true;
}

void Cpen_raster::line(int x1, int y1, int x2, int y2)
{
    if (pen.null_pen)
        return;
    if (pen.width <= 1)
        thin_line(x1, y1, x2, y2);
    else
        wide_line(x1, y1, x2, y2);
}

// Bresenham; the end point is not drawn, as GDI does, so joined lines
// paint their shared corner once.
void Cpen_raster::thin_line(int x1, int y1, int x2, int y2)
{
    const long dx = std::labs(long(x2) - x1);
    const long dy = -std::labs(long(y2) - y1);
    const int step_x = x1 < x2 ? 1 : -1;
    const int step_y = y1 < y2 ? 1 : -1;
    long error = dx + dy;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        plot(x, y);
        const long twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += step_x;
        }
        if (twice <= dx) {
            error += dx;
            y += step_y;
        }
    }
}

// A zero-length wide line paints nothing, like a zero-length thin one.
void Cpen_raster::wide_line(int x1, int y1, int x2, int y2)
{
    if (x1 == x2 && y1 == y2)
        return;
    const double half = half_width();
    RECT area;
    if (!clip(std::min(x1, x2) - half - 1, std::min(y1, y2) - half - 1,
              std::max(x1, x2) + half + 1, std::max(y1, y2) + half + 1, area))
        return;
    const double offset = sample_offset();
    for (int y = area.top; y <= area.bottom; ++y)
        for (int x = area.left; x <= area.right; ++x)
            if (segment_distance(x + offset, y + offset, x1, y1, x2, y2) < half)
                plot(x, y);
}

void Cpen_raster::arc(const RECT& box, POINT start, POINT end)
{
    if (pen.null_pen)
        return;
    const double left = std::min(box.left, box.right);
    const double right = std::max(box.left, box.right);
    const double top = std::min(box.top, box.bottom);
    const double bottom = std::max(box.top, box.bottom);
    // The outline runs through the first and last pixel inside the box.
    const double a = (right - left - 1.0) / 2.0;
    const double b = (bottom - top - 1.0) / 2.0;
    if (a < 0.0 || b < 0.0)
        return;
    const double cx = (left + right - 1.0) / 2.0;
    const double cy = (top + bottom - 1.0) / 2.0;
    const double ra = std::max(a, 0.5);
    const double rb = std::max(b, 0.5);
    const bool whole = start.x == end.x && start.y == end.y;
    const double from = angle_of(start.x - cx, start.y - cy);
    const double to = angle_of(end.x - cx, end.y - cy);
    const double half = pen.width <= 1 ? 0.5 : half_width();
    const double offset = pen.width <= 1 ? 0.0 : sample_offset();
    RECT area;
    if (!clip(cx - ra - half - 1, cy - rb - half - 1, cx + ra + half + 1, cy + rb + half + 1,
              area))
        return;
    for (int y = area.top; y <= area.bottom; ++y) {
        for (int x = area.left; x <= area.right; ++x) {
            const double px = x + offset - cx;
            const double py = y + offset - cy;
            if (ellipse_distance(px, py, ra, rb) >= half)
                continue;
            if (whole || in_sweep(angle_of(px, py), from, to))
                plot(x, y);
        }
    }
}

void Cpen_raster::rectangle(const RECT& box, const Cbrush_info& brush)
{
    const int left = std::min(box.left, box.right);
    const int right = std::max(box.left, box.right);
    const int top = std::min(box.top, box.bottom);
    const int bottom = std::max(box.top, box.bottom);
    if (right - left < 1 || bottom - top < 1)
        return;
    const bool stroke = !pen.null_pen;
    const double half = pen.width <= 1 ? 0.5 : half_width();
    const double offset = pen.width <= 1 ? 0.0 : sample_offset();
    const Tdevice_value fill = surface.to_device(brush.colour);
    RECT area;
    if (!clip(left - half - 1, top - half - 1, right + half, bottom + half, area))
        return;
    for (int y = area.top; y <= area.bottom; ++y) {
        for (int x = area.left; x <= area.right; ++x) {
            const double distance = box_outline_distance(x + offset, y + offset, left, top,
                                                          right - 1, bottom - 1);
            if (stroke && distance < half) {
                plot(x, y);
                continue;
            }
            const bool inside = x >= left && x < right - 1 && y >= top && y < bottom - 1;
            if (inside && !brush.null_brush)
                plot_brush(x, y, fill);
        }
    }
}

} // namespace kmx_gdi
