// SPDX-License-Identifier: Apache-2.0
// The frame loops for AVX2, built with the options that allow it; the
// library runs them only on processors that have it.
#include "kmxcore/capture/frame_loops.h"

namespace kmx_frame_sum {

extern const Cframe_kernels avx2_kernels = make_kernels("avx2");

} // namespace kmx_frame_sum
