// SPDX-License-Identifier: Apache-2.0
// What the processor offers beyond the build's baseline instruction set.
// The libraries compile their frame loops once per instruction set and
// choose a version at load time with this; only the baseline files may
// include it (see the frame loop headers for why).
#ifndef KMX_CPU_H
#define KMX_CPU_H

namespace kmx_cpu {

// The instruction sets the frame loops are built for, narrowest first.
enum class instruction_set { baseline, avx2, avx512 };

// The widest instruction set that both the processor and the operating
// system support (the system must save the wider registers; the
// compiler's run-time check asks it). AVX-512 here means the Skylake
// server subset: foundation, byte and word, and vector length
// extensions. Only x86-64 builds with GCC or Clang look past the
// baseline; elsewhere (32-bit Windows among them) there is nothing else
// to choose.
inline instruction_set widest_instruction_set()
{
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl"))
        return instruction_set::avx512;
    if (__builtin_cpu_supports("avx2"))
        return instruction_set::avx2;
#endif
    return instruction_set::baseline;
}

} // namespace kmx_cpu

#endif
