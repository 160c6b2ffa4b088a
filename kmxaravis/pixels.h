// SPDX-License-Identifier: Apache-2.0
// Pixels of kmxaravis: the encodings a GenICam camera sends, the layouts
// the contract delivers into caller memory, the choice between them, the
// conversions, and the software stages that stand in for features no
// camera has (inversion, contrast, colour boosts, preview readout).
//
// Nothing here talks to a camera, so all of it is tested on its own.
#ifndef KMXARAVIS_PIXELS_H
#define KMXARAVIS_PIXELS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kmxlib/support/frame_record.h"

namespace kmxaravis {

// Output format codes of the contract (KMX_PARAM_FORMAT).
enum format_code : unsigned {
    code_raw = 0,
    code_mono8 = 2,
    code_mono10 = 3,
    code_rgb24 = 4,
    code_rgb30 = 5,   // three 16-bit words at 10 bits
    code_bgr24 = 6,
    code_rgb32 = 7,
    code_bgr32 = 8,
    code_mono12 = 10,
    code_rgb36 = 11   // three 16-bit words at 12 bits
};

// Where the red sample of a 2 x 2 Bayer cell sits, by the GenICam name.
using Ebayer = kmxsupport::Ebayer;

// How a camera lays its samples out in a buffer.
enum class Eencoding {
    mono8,        // one byte per sample
    words16,      // one little-endian 16-bit word per sample (Mono10, Mono12, Mono16, BayerXX16...)
    packed_gige,  // two samples in three bytes (Mono10Packed, Mono12Packed)
    packed_bits,  // a little-endian bit stream (Mono10p, Mono12p, BayerXX10p, BayerXX12p)
    rgb8,
    bgr8,
    rgba8,
    bgra8,
    rgb16,        // three little-endian 16-bit words (RGB10, RGB12)
    bgr16
};

// One GenICam pixel format kmxaravis can read.
struct Csource_format {
    uint32_t pfnc;       // the GenICam (PFNC) value, as Aravis reports it
    const char* name;    // the GenICam name
    Eencoding encoding;
    unsigned depth;      // significant bits of a sample
    Ebayer bayer;        // mosaic phase, none for monochrome and packed colour

    bool mosaic() const { return bayer != Ebayer::none; }
    bool packed_colour() const;
    bool colour() const { return mosaic() || packed_colour(); }
};

// The format of a PFNC value, or null when kmxaravis cannot read it.
const Csource_format* find_source(uint32_t pfnc);
// The formats kmxaravis can read, in the order it prefers them.
const std::vector<Csource_format>& source_formats();
// Bytes an image of width x height takes in this encoding.
uint64_t source_image_bytes(const Csource_format& source, unsigned width, unsigned height);

// A frame as delivered into a caller's record: rows packed, no padding.
struct Clayout {
    unsigned width = 0;
    unsigned height = 0;
    unsigned format = code_mono8;
    unsigned components = 1;    // samples per pixel
    unsigned sample_bytes = 1;
    unsigned depth = 8;         // significant bits of a sample
    bool colour = false;        // colour image, or (raw) a Bayer mosaic
    bool reversed = false;      // B, G, R order
    Ebayer bayer = Ebayer::none;  // raw mosaics only

    uint64_t row_bytes() const { return uint64_t{width} * components * sample_bytes; }
    uint64_t bytes() const { return row_bytes() * height; }
};

// The layout of format `code` (2 to 11) at this size; false for any
// other code. Raw layouts come from raw_layout.
bool layout_for_code(unsigned code, unsigned width, unsigned height, Clayout& layout);
// The raw layout of a source: one 16-bit word per pixel at the source's
// depth (at most 12 bits), a mosaic with its phase for Bayer sources.
Clayout raw_layout(const Csource_format& source, unsigned width, unsigned height);
// Raw output has no more significant bits than the contract's deepest
// components.
constexpr unsigned max_raw_depth = 12;

// How one delivered format is made: the camera's format and whether its
// bytes already are the delivered bytes (then frames land in caller
// memory without a copy).
struct Cplan {
    const Csource_format* source = nullptr;
    Clayout out;
    bool direct = false;
};

// Chooses, among the formats a camera offers, the one that delivers
// format `code` (raw included) most cheaply: the same layout first, then
// a plain reordering or shift, then unpacking, then demosaicing. False
// when nothing the camera offers can give that format, or when the
// format's colour is not the camera's. `width` and `height` are the
// delivered size.
bool plan_format(const std::vector<uint32_t>& offered, bool colour_camera, unsigned code,
                 unsigned width, unsigned height, Cplan& plan);
// Whether the camera offers colour (a mosaic or packed colour) at all.
bool offers_colour(const std::vector<uint32_t>& offered);

// Converts one camera image of source_width x source_height into the
// plan's layout at `out`. Where the sizes differ the common part is
// converted and the rest of `out` set to zero. `source_bytes` bounds
// every read; a short image reads as zeros past its end.
void convert_frame(const Cplan& plan, const uint8_t* source, uint64_t source_bytes,
                   unsigned source_width, unsigned source_height, uint8_t* out);

// The emulated preview readout: a frame of `full` reduced to half its
// size in `half` (which halve_layout describes): means of 2 x 2 pixels;
// a raw mosaic keeps every other cell, so its phase stays.
Clayout halve_layout(const Clayout& full);
void halve_frame(const Clayout& full, const uint8_t* in, uint8_t* out);

// The software stages applied to every delivered frame, in this order:
// the colour boosts (red and blue times 1.25, colour and mosaic output),
// contrast (8-bit output only), inversion (every output).
struct Ctone {
    bool invert = false;
    unsigned contrast = 127;    // 127 is neutral
    bool red_boost = false;
    bool blue_boost = false;

    bool neutral_for(const Clayout& layout) const;
};
constexpr unsigned neutral_contrast = 127;
constexpr double boost_factor = 1.25;
void apply_tone(const Clayout& layout, const Ctone& tone, uint8_t* pixels);

// Which colour (0 red, 1 green, 2 blue) a mosaic samples at (x, y).
using kmxsupport::mosaic_colour;

} // namespace kmxaravis

#endif
