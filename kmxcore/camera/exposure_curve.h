// SPDX-License-Identifier: Apache-2.0
// The exposure curve: cameras take their exposure in microseconds, settings
// keep it as an index on a logarithmic scale. Index i stands for
// base^i x 0.01 ms, and base is the 64th root of ten, so every 64 steps
// multiply the exposure by ten: index 0 is 10 us, 64 is 100 us, 128 is
// 1 ms, 256 is 100 ms.
//
// The settings record, the device, the capture and the simulated camera
// all convert through this one header (header-only, so that the simulated
// camera library, built on its own, shares it too).
#ifndef KMX_CAMERA_EXPOSURE_CURVE_H
#define KMX_CAMERA_EXPOSURE_CURVE_H

#include <cmath>
#include <cstdint>

namespace kmx_exposure {

// The ratio between neighbouring indexes (the double 0x3FF0960C68D9B442).
constexpr double base = 1.03663292844;
// Index 0, in milliseconds and in microseconds.
constexpr double index0_ms = 0.01;
constexpr unsigned index0_us = 10;
constexpr double us_per_ms = 1000.0;
// 100 ms: the top of the range the settings and the automatic exposure
// work in.
constexpr unsigned top_index = 256;

// One more than the largest exposure a 32-bit camera parameter holds.
constexpr double parameter_limit_us = 4294967296.0;

/// The exposure of an index in microseconds, truncated toward zero. From
/// index 553 on the exposure no longer fits the camera's 32-bit parameter:
/// it saturates at UINT32_MAX rather than wrapping to a short exposure.
inline unsigned us_of_index(unsigned index)
{
    // The product is formed in this order (base^i, then ms, then us) so that
    // whole values such as 100 us at index 64 come out exactly.
    const double us = std::pow(base, static_cast<double>(index)) * index0_ms * us_per_ms;
    if (!(us < parameter_limit_us))
        return UINT32_MAX;
    return static_cast<unsigned>(us);
}

/// The fractional index of an exposure in microseconds. Exposures shorter
/// than index 0's have no index of their own (0 has no logarithm): they
/// count as index 0.
inline double steps_of_us(unsigned us)
{
    if (us < index0_us)
        return 0.0;
    return std::log(us / static_cast<double>(index0_us)) / std::log(base);
}

/// The index of an exposure, truncated toward zero: an exposure just short
/// of a step stays on the step below (100 us gives 63, 101 us gives 64).
inline unsigned index_of_us(unsigned us)
{
    return static_cast<unsigned>(steps_of_us(us));
}

} // namespace kmx_exposure

#endif
