// SPDX-License-Identifier: Apache-2.0
// The loops behind frame_sum.h, compiled once per instruction set: the
// build's baseline everywhere, and on x86-64 also for AVX2 and AVX-512.
// The library picks the widest version the processor runs when it is
// loaded; every version gives bit-identical results. Tests and benchmarks
// reach each version through this header.
//
// Internal to the library (not exported).
#ifndef KMX_CAPTURE_FRAME_KERNELS_H
#define KMX_CAPTURE_FRAME_KERNELS_H

#include <cstddef>
#include <cstdint>

namespace kmx_frame_sum {

// Exact unsigned 32-bit division by a divisor fixed for a whole frame,
// done as a multiply-high, a shift and an add so that it vectorises (there
// is no vector integer division). Build one with make_divisor.
struct Cdivisor {
    uint32_t magic = 0;   // multiplier of the high product; 0 for powers of two
    uint32_t shift = 0;   // final right shift
};

// The divisor for d, which must be 2 or more (dividing by 1 needs no
// divisor, and the add-and-shift form cannot express it).
Cdivisor make_divisor(uint32_t d);

// n / the divisor, truncating, exactly as the built-in division. Static,
// so each version of the loops compiles its own copy (see frame_loops.h).
static inline uint32_t divide(uint32_t n, const Cdivisor& d)
{
    const uint32_t high = static_cast<uint32_t>((static_cast<uint64_t>(n) * d.magic) >> 32);
    return (((n - high) >> 1) + high) >> d.shift;
}

// Sums below float_sums divided by a count below float_divisors may take
// the single-precision path of the mean (the proof is in frame_sum.cpp).
constexpr uint32_t float_sums = uint32_t{1} << 22;
constexpr uint32_t float_divisors = uint32_t{1} << 23;

// The rounded-up reciprocal of c (2 <= c < float_divisors) that makes the
// float path exact.
float reciprocal(uint32_t c);

// How one finishing pass divides, worked out once per pass.
struct Cmean_plan {
    Cdivisor divisor;     // the exact integer division
    float inverse = 0;    // the rounded-up reciprocal of the count
    uint32_t small = 0;   // sums below this may go the float way; 0: none
    uint32_t flip = 0;    // XORed into every result
};

// Partial sums hold this much before they are folded into the 32-bit sums.
constexpr uint32_t partial_limit = 0xFFFF;

// One version of the loops. Pointers must not overlap; sizes and strides
// are in elements, as in frame_sum.h; nothing is checked.
struct Cframe_kernels {
    const char* name;
    // sums[r * n + k] += frame[r * stride + k].
    void (*add8)(uint32_t* sums, const uint8_t* frame, size_t n, size_t rows, size_t stride);
    void (*add16)(uint32_t* sums, const uint16_t* frame, size_t n, size_t rows, size_t stride);
    // 16-bit partial sums: partial[r * n + k] += frame[r * stride + k], or
    // = when `first` (the partials hold nothing yet). 8-bit values are
    // added only while they cannot carry out of 16 bits; a 16-bit value
    // that does carry adds 65536 to sums[r * n + k], so the partial sums
    // plus the sums stay exact whatever the frames hold.
    void (*add_partial8)(uint16_t* partial, const uint8_t* frame, size_t n, size_t rows,
                         size_t stride, bool first);
    void (*add_partial16)(uint16_t* partial, uint32_t* sums, const uint16_t* frame, size_t n,
                          size_t rows, size_t stride, bool first);
    // sums[i] += partial[i] for i < count.
    void (*fold)(uint32_t* sums, const uint16_t* partial, size_t count);
    // frame[r * stride + k] = min(sums[r * n + k], limit) ^ flip, low bits.
    void (*clamp8)(const uint32_t* sums, uint8_t* frame, size_t n, size_t rows, size_t stride,
                   uint32_t limit, uint32_t flip);
    void (*clamp16)(const uint32_t* sums, uint16_t* frame, size_t n, size_t rows, size_t stride,
                    uint32_t limit, uint32_t flip);
    // frame[r * stride + k] = (sums[r * n + k] / count) ^ flip, low bits.
    void (*mean8)(const uint32_t* sums, uint8_t* frame, size_t n, size_t rows, size_t stride,
                  const Cmean_plan& plan);
    void (*mean16)(const uint32_t* sums, uint16_t* frame, size_t n, size_t rows, size_t stride,
                   const Cmean_plan& plan);
};

// The versions (each defined in its own file, built with its own options).
extern const Cframe_kernels baseline_kernels;
#if defined(KMX_WIDE_VERSIONS)
extern const Cframe_kernels avx2_kernels;
extern const Cframe_kernels avx512_kernels;
#endif

// The versions this build has and this processor runs, narrowest first;
// the last is the one the library uses.
size_t version_count();
const Cframe_kernels& version(size_t index);

} // namespace kmx_frame_sum

#endif
