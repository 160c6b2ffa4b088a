// SPDX-License-Identifier: Apache-2.0
// The frame loops for the build's baseline instruction set, which every
// processor the build is for runs.
#include "kmxcore/capture/frame_loops.h"

namespace kmx_frame_sum {

extern const Cframe_kernels baseline_kernels = make_kernels("baseline");

} // namespace kmx_frame_sum
