// SPDX-License-Identifier: Apache-2.0
// The simulator's loops for AVX2, built with the options that allow it;
// run only on processors that have it.
#include "sim_loops.h"

namespace kmxsim {

extern const Csim_kernels avx2_sim_kernels = make_sim_kernels("avx2");

} // namespace kmxsim
