// SPDX-License-Identifier: Apache-2.0
#include "mosaic_phase.h"

#include <algorithm>
#include <cstdlib>

#include "kmxcore/camera/device.h"
#include "kmxcore/diagnostics.h"
#include "kmxcore/image/iformat.h"

namespace kmxcap {

namespace {

// The probed square: large enough that noise or texture tells the
// patterns apart, small enough to cost nothing next to the frame.
constexpr unsigned probe_side = 128;
constexpr unsigned rgb_bytes = 3;

struct Cphase {
    Ecfa pattern;
    unsigned red_x, red_y;    // place of red in the 2 x 2 cell
    unsigned blue_x, blue_y;  // place of blue
};

constexpr Cphase phases[] = {
    {Ecfa::rggb, 0, 0, 1, 1},
    {Ecfa::grbg, 1, 0, 0, 1},
    {Ecfa::gbrg, 0, 1, 1, 0},
    {Ecfa::bggr, 1, 1, 0, 0},
};

// A raw sample on the 8-bit scale of the copy.
unsigned sample8(const Cpicture& raw, unsigned x, unsigned y)
{
    const unsigned shift = raw.significant_bits > 8 ? raw.significant_bits - 8 : 0;
    return static_cast<unsigned>(raw.at(x, y, 0) >> shift);
}

} // namespace

Ecfa best_matching_pattern(const Cpicture& raw, unsigned left, unsigned top,
                           unsigned cells_across, unsigned cells_down,
                           const std::vector<unsigned char>& copy, unsigned copy_rowbytes)
{
    unsigned long long error[4] = {0, 0, 0, 0};
    for (unsigned j = 0; j < cells_down; ++j) {
        for (unsigned i = 0; i < cells_across; ++i) {
            const unsigned x = left + 2 * i;
            const unsigned y = top + 2 * j;
            const unsigned char* rgb =
                &copy[static_cast<size_t>(2 * j) * copy_rowbytes + 2 * i * rgb_bytes];
            for (size_t p = 0; p < 4; ++p) {
                const Cphase& phase = phases[p];
                const int red = static_cast<int>(sample8(raw, x + phase.red_x, y + phase.red_y));
                const int blue = static_cast<int>(sample8(raw, x + phase.blue_x, y + phase.blue_y));
                error[p] += static_cast<unsigned>(std::abs(rgb[0] - red) + std::abs(rgb[2] - blue));
            }
        }
    }
    size_t best = 0;
    for (size_t p = 1; p < 4; ++p)
        if (error[p] < error[best])
            best = p;
    for (size_t p = 0; p < 4; ++p)
        if (p != best && error[p] == error[best])
            return Ecfa::none;
    return phases[best].pattern;
}

Ecfa reported_mosaic_pattern(Cdevice& device, unsigned record, const Cpicture& raw)
{
    if (raw.channels != 1 || raw.width < 2 || raw.height < 2)
        return Ecfa::none;
    // An even-aligned square in the middle, whole cells only.
    const unsigned width = std::min(probe_side, raw.width) & ~1u;
    const unsigned height = std::min(probe_side, raw.height) & ~1u;
    const unsigned left = ((raw.width - width) / 2) & ~1u;
    const unsigned top = ((raw.height - height) / 2) & ~1u;
    const unsigned rowbytes = width * rgb_bytes;
    std::vector<unsigned char> copy(static_cast<size_t>(rowbytes) * height);
    const RECT source = {static_cast<LONG>(left), static_cast<LONG>(top),
                         static_cast<LONG>(left + width), static_cast<LONG>(top + height)};
    const RECT whole = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    if (device.copy_roi(record, source, KMX_FORMAT_RGB24, copy.data(), whole, rowbytes) != 0) {
        // A library that will not copy its raw frame in colour is no
        // failure of the run: it must not name a later error.
        kmx_clear_camera_failure();
        return Ecfa::none;
    }
    return best_matching_pattern(raw, left, top, width / 2, height / 2, copy, rowbytes);
}

} // namespace kmxcap
