// SPDX-License-Identifier: Apache-2.0
// The simulator's per-sample loops, compiled once for each instruction set
// it chooses between: sim_kernels.cpp and its _avx2 and _avx512 twins
// include this file under their own compiler options and publish a table
// of its functions.
//
// Everything here has internal linkage and calls nothing from the standard
// library's headers: a shared inline function would be emitted by every
// version, and the linker could keep a wider copy that the baseline would
// then run on a processor without it.
//
// The loops keep to 16-bit lanes and plain forms the compiler vectorises
// for the instruction set at hand: the product's high half is one multiply
// instruction per vector, the clamps are minimum and maximum, and the
// shift, the clamp's top and the inversion are constants of each
// instantiation.
#ifndef KMXSIM_SIM_LOOPS_H
#define KMXSIM_SIM_LOOPS_H

#include <cstddef>
#include <cstdint>

#include "sim_kernels.h"

namespace kmxsim {
namespace {

inline int16_t noisy(int16_t mean, int16_t spread, int16_t noise)
{
    return static_cast<int16_t>(mean + ((noise * spread) >> 16));
}

template <int Shift, bool Invert, bool Wide>
void shifted_run(const int16_t* __restrict mean, const int16_t* __restrict spread,
                 const int16_t* __restrict noise, size_t n, unsigned char* __restrict out)
{
    constexpr int16_t top = sensor_max >> Shift;
    for (size_t i = 0; i < n; ++i) {
        auto v = static_cast<int16_t>(noisy(mean[i], spread[i], noise[i]) >> Shift);
        v = v < 0 ? int16_t{0} : v;
        v = v > top ? top : v;
        const auto sample = static_cast<uint16_t>(Invert ? top - v : v);
        if constexpr (Wide) {
            out[2 * i] = static_cast<unsigned char>(sample);
            out[2 * i + 1] = static_cast<unsigned char>(sample >> 8);
        } else {
            out[i] = static_cast<unsigned char>(sample);
        }
    }
}

template <int Shift, bool Invert>
void shifted_run(const int16_t* mean, const int16_t* spread, const int16_t* noise, size_t n,
                 bool wide, unsigned char* out)
{
    if (wide)
        shifted_run<Shift, Invert, true>(mean, spread, noise, n, out);
    else
        shifted_run<Shift, Invert, false>(mean, spread, noise, n, out);
}

template <int Shift>
void shifted_run(const int16_t* mean, const int16_t* spread, const int16_t* noise, size_t n,
                 const Cshift_output& how, unsigned char* out)
{
    if (how.invert)
        shifted_run<Shift, true>(mean, spread, noise, n, how.wide, out);
    else
        shifted_run<Shift, false>(mean, spread, noise, n, how.wide, out);
}

// The shifts of 12-, 10- and 8-bit output.
void shifted_samples(const int16_t* mean, const int16_t* spread, const int16_t* noise, size_t n,
                     const Cshift_output& how, unsigned char* out)
{
    switch (how.shift) {
    case 0: shifted_run<0>(mean, spread, noise, n, how, out); break;
    case 2: shifted_run<2>(mean, spread, noise, n, how, out); break;
    default: shifted_run<4>(mean, spread, noise, n, how, out); break;
    }
}

void sensor_samples(const int16_t* __restrict mean, const int16_t* __restrict spread,
                    const int16_t* __restrict noise, size_t n, uint16_t* __restrict out)
{
    for (size_t i = 0; i < n; ++i) {
        auto v = noisy(mean[i], spread[i], noise[i]);
        v = v < 0 ? int16_t{0} : v;
        v = v > sensor_max ? int16_t{sensor_max} : v;
        out[i] = static_cast<uint16_t>(v);
    }
}

void deep_to_8(const unsigned char* __restrict in, size_t n, unsigned depth,
               unsigned char* __restrict out)
{
    const unsigned shift = depth - 8;
    for (size_t i = 0; i < n; ++i) {
        const auto v = static_cast<uint16_t>(in[2 * i] | in[2 * i + 1] << 8);
        out[i] = static_cast<unsigned char>(v >> shift);
    }
}

constexpr Csim_kernels make_sim_kernels(const char* name)
{
    return Csim_kernels{name, shifted_samples, sensor_samples, deep_to_8};
}

} // namespace
} // namespace kmxsim

#endif
