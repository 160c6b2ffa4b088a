// SPDX-License-Identifier: Apache-2.0
// Cpicture: the tool's own copy of an image, independent of the library's
// buffers, as it will be written: packed rows, RGB order for colour, every
// sample in a 16-bit word whatever its depth.
#ifndef KMXCAP_PICTURE_H
#define KMXCAP_PICTURE_H

#include <cstdint>
#include <string>
#include <vector>

#include "options.h"
#include "status.h"

class Cimage_core;

namespace kmxcap {

// The colour-filter pattern of a raw mosaic: the colours of its 2 x 2
// cell, left to right along the top row, then the bottom row.
enum class Ecfa { none, rggb, grbg, gbrg, bggr };

// "RGGB", ...; "" for none.
const char* cfa_name(Ecfa pattern);

struct Cpicture {
    unsigned width = 0;
    unsigned height = 0;
    unsigned channels = 0;          // 1 grey (or a mosaic), 3 RGB
    unsigned significant_bits = 8;  // 8, 10, 12 or 16
    // Grey values run from white (0) to black (the maximum): what a
    // camera's inversion delivers, or the display polarity of a camera
    // that does not invert.
    bool inverted = false;
    // A raw colour frame: one sample per pixel, of the colour the
    // pattern gives its place (channels is then 1).
    Ecfa mosaic = Ecfa::none;
    std::vector<uint16_t> samples;  // width * height * channels

    // Bytes per sample in a file: 1 up to 8 significant bits, else 2.
    unsigned file_bits() const { return significant_bits <= 8 ? 8 : 16; }
    unsigned max_value() const { return (1u << significant_bits) - 1; }
    uint16_t at(unsigned x, unsigned y, unsigned channel) const
    {
        return samples[(static_cast<size_t>(y) * width + x) * channels + channel];
    }
};

// Copies an image of the library (pool frame, deep image, drawable):
// components of 1 or 2 bytes, 1, 3 or 4 per pixel (the fourth is
// dropped), reversed order turned into RGB. Refuses an image without
// pixels, or whose rows or buffer are too small for its geometry.
Cstatus picture_from_image(const Cimage_core& image, Cpicture& picture);

// The camera's raw output in a pool buffer: one 16-bit word per pixel with
// `depth` significant bits, width x height of the buffer's geometry.
Cstatus picture_from_raw(const Cimage_core& buffer, unsigned depth, Cpicture& picture);

// Replaces every grey sample v by max - v, what the inverted grey colour
// table shows, and flips `inverted`. Mosaics too: undoing a camera's
// inversion gives back the sensor's values.
void invert_grey(Cpicture& picture);

// Spreads 10- or 12-bit samples over the full 16 bits (the top bits are
// repeated into the low ones, so the maximum becomes 65535).
void scale_to_16_bits(Cpicture& picture);

struct Cchannel_stats {
    double mean = 0.0;
    double deviation = 0.0;  // population standard deviation
};

// Mean and standard deviation of each channel over a region (the whole
// picture when the region is not given). False when the region does not
// lie inside the picture.
bool picture_stats(const Cpicture& picture, const Cregion& region,
                   std::vector<Cchannel_stats>& stats);

// "mean 123.45 sd 6.78" or "R mean .. sd .., G ..., B ..." on one line.
std::string format_stats(const Cpicture& picture, const std::vector<Cchannel_stats>& stats);

} // namespace kmxcap

#endif
