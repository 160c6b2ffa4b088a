// SPDX-License-Identifier: Apache-2.0
// The simulated cameras the frame benchmarks time: the colour preset, at
// 1280 x 1024 already, and a monochrome camera of that size beside it.
#ifndef KMX_BENCH_CAMERAS_H
#define KMX_BENCH_CAMERAS_H

#include "kmxsim_control.h"

namespace kmx_bench {

constexpr unsigned colour_camera_id = 2;
constexpr unsigned mono_camera_id = 3;

// Adds the 1280 x 1024 monochrome camera (mono_camera_id).
inline void add_large_mono_camera()
{
    kmxsim_camera_desc d;
    kmxsim_preset_desc(KMXSIM_PRESET_MONO, &d);
    d.camera_id = mono_camera_id;
    d.max_width = 1280;
    d.max_height = 1024;
    d.preview_width = 640;
    d.preview_height = 512;
    kmxsim_add_camera(&d);
}

} // namespace kmx_bench

#endif
