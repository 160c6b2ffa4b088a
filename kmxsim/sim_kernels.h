// SPDX-License-Identifier: Apache-2.0
// The simulated camera's per-sample loops: making noisy output samples
// from the cached sensor rows, and turning deep samples into 8-bit ones
// for copies. Like the library's frame loops they are compiled once per
// instruction set (the build's baseline, and on x86-64 AVX2 and AVX-512);
// the widest version the processor runs is chosen when the simulator is
// loaded, and every version gives the same bytes. Tests reach each
// version through this header.
#ifndef KMXSIM_SIM_KERNELS_H
#define KMXSIM_SIM_KERNELS_H

#include <cstddef>
#include <cstdint>

namespace kmxsim {

// The sensor's full scale, in 12-bit units.
constexpr int sensor_max = 4095;

// Output computed from the sensor value by a plain shift: 12-, 10- and
// 8-bit output (shift 0, 2, 4), optionally inverted against the output's
// full scale, as 8-bit samples or as 16-bit little-endian ones.
struct Cshift_output {
    int shift = 4;
    bool invert = false;
    bool wide = false;
};

// One version of the loops. A noisy sensor value is
//   mean + ((noise * spread) >> 16)
// in 16-bit arithmetic (the caller keeps it from overflowing), the shift
// rounding down.
struct Csim_kernels {
    const char* name;
    // out = min(max(noisy >> shift, 0), sensor_max >> shift), inverted when
    // asked; n samples of 1 or 2 bytes.
    void (*shifted)(const int16_t* mean, const int16_t* spread, const int16_t* noise, size_t n,
                    const Cshift_output& how, unsigned char* out);
    // out = min(max(noisy, 0), sensor_max): sensor values for a table.
    void (*sensor)(const int16_t* mean, const int16_t* spread, const int16_t* noise, size_t n,
                   uint16_t* out);
    // n 16-bit little-endian samples of `depth` significant bits (8 to 16)
    // to their top 8 bits.
    void (*deep_to_8)(const unsigned char* in, size_t n, unsigned depth, unsigned char* out);
};

extern const Csim_kernels baseline_sim_kernels;
#if defined(KMX_WIDE_VERSIONS)
extern const Csim_kernels avx2_sim_kernels;
extern const Csim_kernels avx512_sim_kernels;
#endif

// The versions this build has and this processor runs, narrowest first;
// the last is the one the simulator uses.
size_t sim_version_count();
const Csim_kernels& sim_version(size_t index);
const Csim_kernels& sim_kernels();

} // namespace kmxsim

#endif
