// SPDX-License-Identifier: Apache-2.0
#include "overlay_mask.h"

#include <cstring>

#include "kmx_platform.h"
#include "kmxcore/image/os_image.h"
#include "view_controls.h"

namespace kmxcap {

namespace {

constexpr unsigned colour_image_type = 1;
constexpr unsigned mono_image_type = 0;
constexpr unsigned overlay_scale = 1;

} // namespace

bool Coverlay_mask::make(unsigned which, unsigned frame_width, unsigned frame_height,
                         unsigned frame_channels, unsigned rowbytes, std::string& why)
{
    overlay = width = height = channels = 0;
    runs.clear();
    pattern.clear();
    Cos_image surface;
    const unsigned type = frame_channels == 3 ? colour_image_type : mono_image_type;
    if (surface.create_image(type, static_cast<int>(frame_width),
                             static_cast<int>(frame_height)) != 1) {
        why = "no drawing surface of " + std::to_string(frame_width) + "x" +
              std::to_string(frame_height);
        return false;
    }
    if (surface.get_rowbytes() != rowbytes) {
        why = "the drawing surface's rows differ from the frame's";
        return false;
    }
    const size_t size = static_cast<size_t>(rowbytes) * frame_height;
    const auto* bytes = static_cast<const unsigned char*>(surface.get_bp());
    const std::vector<unsigned char> blank(bytes, bytes + size);
    const RECT area{0, 0, static_cast<LONG>(frame_width), static_cast<LONG>(frame_height)};
    if (which == overlay_crosshair)
        surface.draw_xhair(area, overlay_scale);
    else
        surface.draw_grid(area, overlay_scale);
    GdiFlush();

    pattern.resize(size);
    for (size_t i = 0; i < size; ++i)
        pattern[i] = static_cast<unsigned char>(bytes[i] ^ blank[i]);
    for (size_t i = 0; i < size;) {
        if (pattern[i] == 0) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < size && pattern[i] != 0)
            ++i;
        runs.push_back({start, i - start});
    }
    overlay = which;
    width = frame_width;
    height = frame_height;
    channels = frame_channels;
    return true;
}

bool Coverlay_mask::made_for(unsigned which, unsigned frame_width, unsigned frame_height,
                             unsigned frame_channels) const
{
    return overlay == which && width == frame_width && height == frame_height &&
           channels == frame_channels;
}

void Coverlay_mask::apply(unsigned char* pixels, size_t size) const
{
    for (const Crun& run : runs) {
        if (run.offset >= size)
            return;
        const size_t length = run.length < size - run.offset ? run.length : size - run.offset;
        unsigned char* to = pixels + run.offset;
        const unsigned char* with = &pattern[run.offset];
        for (size_t i = 0; i < length; ++i)
            to[i] ^= with[i];
    }
}

} // namespace kmxcap
