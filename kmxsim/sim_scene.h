// The synthetic scene the simulated sensor looks at, and the noise source.
#ifndef KMXSIM_SIM_SCENE_H
#define KMXSIM_SIM_SCENE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kmxsim {

// Scene levels are linear reflectances in 1/4096 units.
constexpr unsigned scene_full_scale = 4096;

// A test chart at one readout size: gradients, fine bars, grey patches
// and colour patches. The moving object is drawn at render time.
struct Cscene {
    unsigned width = 0;
    unsigned height = 0;
    bool colour = false;
    std::vector<uint16_t> level;   // width * height * (colour ? 3 : 1)

    // Rebuilds the chart unless it already has this size and kind.
    void build(unsigned w, unsigned h, bool is_colour);
    // Level of one component (c 0..2; ignored on monochrome).
    unsigned at(unsigned x, unsigned y, unsigned c) const
    {
        const size_t components = colour ? 3 : 1;
        return level[(static_cast<size_t>(y) * width + x) * components + (colour ? c : 0)];
    }
};

// A slowly moving bright disc: centre and radius for a frame number.
struct Cdisc {
    int cx, cy, radius;
};
Cdisc moving_disc(unsigned width, unsigned height, uint32_t frame);

// Table of approximately Gaussian deviates (mean 0, sigma 256), length a
// power of two so a random word indexes it with a mask.
constexpr size_t gaussian_table_size = 1u << 16;
const int16_t* gaussian_table();

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
