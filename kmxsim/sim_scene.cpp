// SPDX-License-Identifier: Apache-2.0
// The test chart and the noise table.
#include "sim_scene.h"

#include <algorithm>
#include <cmath>

namespace kmxsim {

namespace {

constexpr unsigned grey_level = scene_full_scale / 2;
constexpr unsigned bar_high = 3000;
constexpr unsigned bar_low = 1000;
constexpr unsigned grey_steps = 8;
constexpr unsigned disc_period_frames = 240;

// Colour patches along the bottom: the primaries and secondaries once
// each, plus white and grey, so the chart as a whole stays neutral.
constexpr unsigned patch_count = 8;
const uint16_t colour_patches[patch_count][3] = {
    {3200, 600, 600}, {600, 3200, 600}, {600, 600, 3200}, {3200, 3200, 600},
    {600, 3200, 3200}, {3200, 600, 3200}, {3600, 3600, 3600}, {1900, 1900, 1900}};

// Chart regions by relative position: a flat grey patch top left (where
// tests measure noise), a gradient top right, bars of rising frequency,
// grey steps, and colour patches at the bottom.
void chart_level(double u, double v, unsigned x, uint16_t out[3], bool colour)
{
    unsigned grey = grey_level;
    if (v < 0.25) {
        grey = u < 0.25 ? grey_level
                        : static_cast<unsigned>(200 + (u - 0.25) / 0.75 * 3600);
    } else if (v < 0.5) {
        const unsigned period = 1 + static_cast<unsigned>(u * 6);
        grey = ((x / period) & 1) ? bar_high : bar_low;
    } else if (v < 0.75 || !colour) {
        const unsigned step = static_cast<unsigned>(u * grey_steps);
        grey = 300 + step * 3400 / (grey_steps - 1);
    } else {
        const unsigned patch = static_cast<unsigned>(u * patch_count) % patch_count;
        for (unsigned c = 0; c < 3; ++c)
            out[c] = colour_patches[patch][c];
        return;
    }
    out[0] = out[1] = out[2] = static_cast<uint16_t>(grey);
}

} // namespace

void Cscene::build(unsigned w, unsigned h, bool is_colour)
{
    if (w == width && h == height && is_colour == colour && !row_of.empty())
        return;
    width = w;
    height = h;
    colour = is_colour;
    rows.clear();
    row_of.assign(h, 0);
    const size_t samples = row_samples();
    std::vector<uint16_t> line(samples);
    size_t distinct = 0;
    for (unsigned y = 0; y < h; ++y) {
        const double v = (y + 0.5) / h;
        for (unsigned x = 0; x < w; ++x) {
            uint16_t rgb[3];
            chart_level((x + 0.5) / w, v, x, rgb, colour);
            for (size_t c = 0; c < components(); ++c)
                line[x * components() + c] = rgb[c];
        }
        // Bands repeat their rows: keep a row only when it differs from
        // the one above.
        if (distinct == 0 || !std::equal(line.begin(), line.end(), rows.end() - samples)) {
            rows.insert(rows.end(), line.begin(), line.end());
            ++distinct;
        }
        row_of[y] = static_cast<uint32_t>(distinct - 1);
    }
}

Cdisc moving_disc(unsigned width, unsigned height, uint32_t frame)
{
    // The disc crosses the grey steps from left to right and back.
    const unsigned phase = frame % disc_period_frames;
    const unsigned half = disc_period_frames / 2;
    const double t = phase < half ? phase / double(half) : (disc_period_frames - phase) / double(half);
    Cdisc d;
    d.radius = static_cast<int>(height / 16 + 1);
    d.cx = static_cast<int>(width * (0.1 + 0.8 * t));
    d.cy = static_cast<int>(height * 0.625);
    return d;
}

const int16_t* gaussian_table()
{
    static const std::vector<int16_t> table = [] {
        // Sum of four uniform deviates: close to Gaussian, cheap to make,
        // deterministic across platforms.
        std::vector<int16_t> t(gaussian_table_size + gaussian_run);
        Cxorshift rng{0x2545F491u};
        const double scale = gaussian_sigma / std::sqrt(4.0 / 12.0);
        for (size_t i = 0; i < gaussian_table_size; ++i) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += (rng.next() >> 8) / 16777216.0;
            t[i] = static_cast<int16_t>(std::lround((sum - 2.0) * scale));
        }
        // The tail repeats the start, so a run read from any start in the
        // table stays inside it.
        std::copy_n(t.begin(), gaussian_run, t.begin() + gaussian_table_size);
        return t;
    }();
    return table.data();
}

} // namespace kmxsim
