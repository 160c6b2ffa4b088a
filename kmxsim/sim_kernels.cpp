// SPDX-License-Identifier: Apache-2.0
// The simulator's loops for the build's baseline instruction set, and the
// choice among the versions.
#include <iterator>

#include "kmx_cpu.h"
#include "sim_loops.h"

namespace kmxsim {

extern const Csim_kernels baseline_sim_kernels = make_sim_kernels("baseline");

namespace {

// The versions this build has, in the order of kmx_cpu::instruction_set.
const Csim_kernels* const compiled[] = {
    &baseline_sim_kernels,
#if defined(KMX_WIDE_VERSIONS)
    &avx2_sim_kernels,
    &avx512_sim_kernels,
#endif
};

// Chosen when the simulator is loaded; anything that renders before that
// gets the baseline.
const Csim_kernels* chosen = &baseline_sim_kernels;
[[maybe_unused]] const bool chosen_at_load =
    (chosen = &sim_version(sim_version_count() - 1), true);

} // namespace

size_t sim_version_count()
{
    static const size_t count = [] {
        const auto widest = static_cast<size_t>(kmx_cpu::widest_instruction_set());
        return widest < std::size(compiled) ? widest + 1 : std::size(compiled);
    }();
    return count;
}

const Csim_kernels& sim_version(size_t index)
{
    return *compiled[index < sim_version_count() ? index : 0];
}

const Csim_kernels& sim_kernels()
{
    return *chosen;
}

} // namespace kmxsim
