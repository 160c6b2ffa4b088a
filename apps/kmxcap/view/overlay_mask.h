// SPDX-License-Identifier: Apache-2.0
// Coverlay_mask: the crosshair or grid of one frame size, drawn once by
// the library's drawable image and laid over every frame.
//
// The library draws its overlays with XOR pens: every pixel a line covers
// is XORed with the pen's colour, whatever the pixel holds. An overlay
// therefore changes the same bits of every frame of a size, and XORing a
// frame with what the overlay did to a blank surface gives exactly the
// pixels that drawing it onto the frame gives. Drawing it onto each frame
// costs tens of milliseconds on the software drawing layer (the circles of
// the crosshair above all); XORing the few hundred kilobytes it covers
// costs a small fraction of a millisecond.
#ifndef KMXCAP_OVERLAY_MASK_H
#define KMXCAP_OVERLAY_MASK_H

#include <cstddef>
#include <string>
#include <vector>

namespace kmxcap {

class Coverlay_mask {
public:
    // Draws the overlay (overlay_crosshair or overlay_grid) with a
    // Cos_image of this size and kind (1 grey or 3 colour channels) and
    // keeps the bytes it changed. `rowbytes`: the row length of the frames
    // it will be laid over, which must be the drawing surface's. False,
    // with the reason, when no surface can be made or its rows differ.
    bool make(unsigned overlay, unsigned width, unsigned height, unsigned channels,
              unsigned rowbytes, std::string& why);
    // Whether the mask was made for frames of this kind.
    bool made_for(unsigned overlay, unsigned width, unsigned height, unsigned channels) const;
    // XORs the overlay into a frame of `size` bytes laid out as described
    // to make(); bytes beyond `size` are never touched.
    void apply(unsigned char* pixels, size_t size) const;

private:
    // A stretch of bytes the overlay changes.
    struct Crun {
        size_t offset;
        size_t length;
    };
    std::vector<Crun> runs;
    std::vector<unsigned char> pattern;  // what each byte is XORed with (dense)
    unsigned overlay = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned channels = 0;
};

} // namespace kmxcap

#endif
