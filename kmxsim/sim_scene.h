// SPDX-License-Identifier: Apache-2.0
// The synthetic scene the simulated sensor looks at, and the noise source.
#ifndef KMXSIM_SIM_SCENE_H
#define KMXSIM_SIM_SCENE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kmxsim {

// Scene levels are linear reflectances in 1/4096 units.
constexpr unsigned scene_full_scale = 4096;

// What the sensor makes of the scene at the current settings, per output
// sample of each distinct row (and of a row lit by the disc), for each
// row parity a Bayer mosaic needs. Rebuilt only when a setting, the
// readout size or the format changes; between rebuilds a frame costs a
// noise draw and a store per sample.
struct Crender_cache {
    std::vector<unsigned char> key;  // the settings it was built for
    size_t row_samples = 0;          // output samples per row
    unsigned parities = 1;           // 2 for a Bayer mosaic
    size_t disc_row = 0;             // index of the row lit by the disc
    std::vector<int16_t> mean;       // sensor mean, per row and parity
    std::vector<int16_t> spread;     // noise width: deviate * spread >> 16
    // Sensor value to output sample. When it is a plain shift (with
    // its rounding folded into mean) and perhaps an inversion, the frames
    // compute it and skip the table.
    std::vector<uint16_t> output;
    bool linear = false;
    int shift = 0;
    bool invert = false;
    std::vector<uint16_t> scratch;   // one row of samples

    const int16_t* mean_row(size_t row, unsigned parity) const
    {
        return &mean[(row * parities + parity) * row_samples];
    }
    const int16_t* spread_row(size_t row, unsigned parity) const
    {
        return &spread[(row * parities + parity) * row_samples];
    }
};

// A test chart at one readout size: gradients, fine bars, grey patches
// and colour patches. The moving object is drawn at render time.
//
// The chart is made of bands whose rows repeat, so it keeps each distinct
// row once and an index per row: rendering then works from a few rows
// that stay in cache instead of a whole image.
struct Cscene {
    unsigned width = 0;
    unsigned height = 0;
    bool colour = false;
    std::vector<uint16_t> rows;     // distinct rows, width * components() each
    std::vector<uint32_t> row_of;   // per y: which distinct row it shows
    Crender_cache sensor;           // kept by the frame renderer

    // Rebuilds the chart unless it already has this size and kind.
    void build(unsigned w, unsigned h, bool is_colour);
    unsigned components() const { return colour ? 3 : 1; }
    size_t distinct_rows() const { return row_samples() ? rows.size() / row_samples() : 0; }
    size_t row_samples() const { return static_cast<size_t>(width) * components(); }
    const uint16_t* row(unsigned y) const { return &rows[row_of[y] * row_samples()]; }
    // Level of one component (c 0..2; ignored on monochrome).
    unsigned at(unsigned x, unsigned y, unsigned c) const
    {
        return row(y)[static_cast<size_t>(x) * components() + (colour ? c : 0)];
    }
};

// A slowly moving bright disc: centre and radius for a frame number.
struct Cdisc {
    int cx, cy, radius;
};
constexpr uint16_t disc_level = 3400;
Cdisc moving_disc(unsigned width, unsigned height, uint32_t frame);

// Table of approximately Gaussian deviates (mean 0, sigma gaussian_sigma).
// A random start indexes it with a mask, and from there up to
// gaussian_run deviates are read in sequence: the table carries that many
// extra entries so a run never wraps.
constexpr size_t gaussian_table_size = 1u << 16;
constexpr size_t gaussian_run = 1024;
constexpr int gaussian_sigma = 4096;
const int16_t* gaussian_table();   // gaussian_table_size + gaussian_run entries

// Fast xorshift generator for the noise.
struct Cxorshift {
    uint32_t s;
    uint32_t next()
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
};


} // namespace kmxsim

#endif
