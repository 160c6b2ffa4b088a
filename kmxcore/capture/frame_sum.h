// SPDX-License-Identifier: Apache-2.0
// Arithmetic of multi-frame averaging: frames are added component by
// component into packed unsigned 32-bit sums, one sum per component value
// (n sums per row, no padding), and the finished sums are written back into
// a frame as a truncated mean or a clamped sum, optionally inverted.
//
// Internal to the library (not exported). The functions take plain pointers
// that must not overlap, sizes in size_t, and row strides in elements of the
// frame (bytes for 8-bit frames, 16-bit components for deep frames). They
// check nothing: the callers have already made sure that `rows` rows of
// `n` sums and of `stride` elements (the last row needing only n) fit.
//
// The loops are written so that the compiler vectorises them: no aliasing
// doubt, no branch per component, contiguous inner loops.
#ifndef KMX_CAPTURE_FRAME_SUM_H
#define KMX_CAPTURE_FRAME_SUM_H

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

// n / the divisor, truncating, exactly as the built-in division.
inline uint32_t divide(uint32_t n, const Cdivisor& d)
{
    const uint32_t high = static_cast<uint32_t>((static_cast<uint64_t>(n) * d.magic) >> 32);
    return (((n - high) >> 1) + high) >> d.shift;
}

// How finished sums become components.
struct Cfinish {
    bool mean = true;     // true: sum / frames; false: the sum clamped to limit
    uint32_t frames = 1;  // frames summed; the divisor of the mean, at least 1
    uint32_t limit = 255; // clamp of the saturated sum: 255, or the deep mask
    uint32_t flip = 0;    // XORed into every result: limit to invert, else 0
};

// sums[r * n + k] += frame[r * stride + k] for r < rows, k < n.
void add_frame8(uint32_t* sums, const uint8_t* frame, size_t n, size_t rows, size_t stride);
void add_frame16(uint32_t* sums, const uint16_t* frame, size_t n, size_t rows, size_t stride);

// frame[r * stride + k] = the finished sums[r * n + k], stored as its low
// 8 (respectively 16) bits.
void finish_frame8(const uint32_t* sums, uint8_t* frame, size_t n, size_t rows, size_t stride,
                   const Cfinish& how);
void finish_frame16(const uint32_t* sums, uint16_t* frame, size_t n, size_t rows, size_t stride,
                    const Cfinish& how);

} // namespace kmx_frame_sum

#endif
