// SPDX-License-Identifier: Apache-2.0
#include "overlay.h"

#include <cstring>
#include <utility>
#include <vector>

#include "kmxcore/image/fw_image.h"
#include "kmxcore/image/os_image.h"
#include "kmx_platform.h"

namespace kmxcap {

namespace {

constexpr unsigned gdi_row_alignment = 4;
constexpr unsigned overlay_scale = 1;

unsigned padded_row_bytes(unsigned bytes)
{
    return (bytes + gdi_row_alignment - 1) / gdi_row_alignment * gdi_row_alignment;
}

Cstatus overlay_failure(const std::string& why)
{
    return Cstatus(exit_internal, "cannot draw the overlay: " + why);
}

// GDI reads bitmap rows padded to 4 bytes while frame rows are packed.
// Frames whose rows happen to be aligned are drawn directly; others are
// copied into padded rows first. The header describes one row more than
// the frame (its biHeight), so the copy has that row too.
void draw_frame(Cos_image& target, Cfw_image& frame)
{
    const unsigned rowbytes = frame.get_rowbytes();
    if (rowbytes % gdi_row_alignment == 0) {
        target.draw_image(&frame);
        return;
    }
    const unsigned padded = padded_row_bytes(rowbytes);
    const unsigned height = frame.get_height();
    std::vector<char> pixels(static_cast<size_t>(padded) * (height + 1), 0);
    const auto* source = static_cast<const char*>(frame.get_bp());
    for (unsigned y = 0; y < height; ++y)
        std::memcpy(&pixels[static_cast<size_t>(y) * padded],
                    source + static_cast<size_t>(y) * rowbytes, rowbytes);
    const LONG w = static_cast<LONG>(frame.get_width());
    const LONG h = static_cast<LONG>(height);
    target.draw_bitmap(frame.get_binfo(), pixels.data(), RECT{0, 0, w, h}, RECT{0, 0, w, h});
}

// GDI copies 24-bit rows byte for byte and reads them as BGR, so a frame
// in RGB order lands in the canvas still in RGB order although the canvas
// calls itself BGR: the copy-out reversed what was never reversed.
void swap_red_and_blue(Cpicture& picture)
{
    for (size_t i = 0; i + 2 < picture.samples.size(); i += 3)
        std::swap(picture.samples[i], picture.samples[i + 2]);
}

} // namespace

Cstatus picture_with_overlay(Cfw_image& frame, Eoverlay overlay, Cpicture& picture)
{
    if (frame.get_bp() == nullptr || frame.get_binfo() == nullptr ||
        frame.get_component_size() != 1)
        return overlay_failure("the frame is not an 8-bit image with a bitmap header");
    const int width = static_cast<int>(frame.get_width());
    const int height = static_cast<int>(frame.get_height());
    Cos_image canvas;
    if (canvas.create_image(frame.get_image_type(), width, height) != 1)
        return overlay_failure("no drawing surface of " + std::to_string(width) + "x" +
                               std::to_string(height));
    draw_frame(canvas, frame);
    const RECT area{0, 0, width, height};
    if (overlay == Eoverlay::crosshair)
        canvas.draw_xhair(area, overlay_scale);
    else if (overlay == Eoverlay::grid)
        canvas.draw_grid(area, overlay_scale);
    GdiFlush();
    Cstatus status = picture_from_image(canvas, picture);
    if (status.is_ok() && picture.channels == 3 &&
        frame.get_component_order() != canvas.get_component_order())
        swap_red_and_blue(picture);
    return status;
}

} // namespace kmxcap
