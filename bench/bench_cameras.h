// SPDX-License-Identifier: Apache-2.0
// The simulated cameras the frame benchmarks time: the colour preset, at
// 1280 x 1024 already, and a monochrome camera of that size beside it.
#ifndef KMX_BENCH_CAMERAS_H
#define KMX_BENCH_CAMERAS_H

#include "kmxsim_control.h"

namespace kmx_bench {

constexpr unsigned colour_camera_id = 2;
constexpr unsigned mono_camera_id = 3;

// Adds a camera of a preset at 1280 x 1024 under `camera_id`.
inline void add_large_camera(kmxsim_preset preset, unsigned camera_id)
{
    kmxsim_camera_desc d;
    kmxsim_preset_desc(preset, &d);
    d.camera_id = camera_id;
    d.max_width = 1280;
    d.max_height = 1024;
    d.preview_width = 640;
    d.preview_height = 512;
    kmxsim_add_camera(&d);
}

// Adds the 1280 x 1024 monochrome camera (mono_camera_id).
inline void add_large_mono_camera() { add_large_camera(KMXSIM_PRESET_MONO, mono_camera_id); }

} // namespace kmx_bench

#endif
