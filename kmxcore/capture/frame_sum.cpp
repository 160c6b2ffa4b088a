// SPDX-License-Identifier: Apache-2.0
#include "capture/frame_sum.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kmx_frame_sum {

namespace {

// Each row is handled by a function whose pointers are declared not to
// overlap, so the compiler vectorises without run-time alias checks. The
// bulk of a row goes in blocks of a fixed number of components: a loop of
// known length is vectorised even at -O2, whose cost model refuses loops
// that would need a scalar remainder. The remainder follows in plain form.
constexpr size_t block = 16;

template <typename T>
void add_row(uint32_t* __restrict sums, const T* __restrict row, size_t n)
{
    const size_t bulk = n - n % block;
    for (size_t b = 0; b < bulk; b += block)
        for (size_t k = 0; k < block; ++k)
            sums[b + k] += row[b + k];
    for (size_t k = bulk; k < n; ++k)
        sums[k] += row[k];
}

template <typename T>
void clamp_row(const uint32_t* __restrict sums, T* __restrict row, size_t n, uint32_t limit,
               uint32_t flip)
{
    const size_t bulk = n - n % block;
    for (size_t b = 0; b < bulk; b += block)
        for (size_t k = 0; k < block; ++k)
            row[b + k] = static_cast<T>(std::min(sums[b + k], limit) ^ flip);
    for (size_t k = bulk; k < n; ++k)
        row[k] = static_cast<T>(std::min(sums[k], limit) ^ flip);
}

// Small sums are divided in single precision, which vectorises as a lane-
// wise multiply, instead of by the multiply-high of divide(), which has no
// 32-bit vector form before SSE4.1 and costs several instructions per lane
// even then. The float path multiplies by a reciprocal rounded up:
//
//   m = M * 2^-e, M = ceil(2^e / c), e = 23 + L, 2^(L-1) <= c < 2^L,
//
// so 2^23 < M <= 2^24 is exact in float, as is m, and m = (1 + u) / c
// with 0 <= u < c / 2^e < 2^-23 (u = 0 when c is a power of two).
//
// For every sum s < 2^22 and divisor 2 <= c < 2^23, trunc(float(s) * m) is
// exactly floor(s / c), under any rounding direction the host may have set
// and also when x87 keeps the product in extended precision:
//
// - float(s) is exact. Let k = floor(s / c), s = k*c + r with 0 <= r < c,
//   so k <= s / c <= k + 1 - 1/c.
// - The exact product x = s * m = (s / c)(1 + u) is at least s / c >= k.
//   k is an integer below 2^22, hence a float, and rounding is monotonic,
//   so the rounded product is at least k.
// - Rounding moves x by less than x * 2^-23 (x is 0 or normal; one ulp of
//   its binade is at most x * 2^-23, and an extended intermediate adds
//   less than x * 2^-63). So the rounded product is below
//     s/c + (s/c) * u + x * (2^-23 + 2^-63)
//     < s/c + (s/c) * 2^-22 * (1 + 2^-22)
//     < k + 1 - 1/c + (1/c)(1 - 2^-22)(1 + 2^-22)   [s <= 2^22 - 1]
//     < k + 1.
// - Hence the rounded product lies in [k, k + 1) and truncation gives k.
//
// The bound on the sums is tested block by block, not assumed from the
// frame count, so sums of any size stay exact: a block holding a larger
// one takes the integer path.
constexpr uint32_t float_sums = uint32_t{1} << 22;
constexpr uint32_t float_divisors = uint32_t{1} << 23;

// The rounded-up reciprocal above, for 2 <= c < 2^23. Built from integers
// so that it is the same whatever rounding direction is in force.
float reciprocal(uint32_t c)
{
    uint32_t bits = 0;  // L
    while ((c >> bits) != 0)
        ++bits;
    const uint32_t e = 23 + bits;
    const uint64_t power = uint64_t{1} << e;
    const uint64_t m = power / c + (power % c != 0 ? 1 : 0);
    return std::ldexp(static_cast<float>(m), -static_cast<int>(e));
}

// A block whose sums are all below `small` (known when their bitwise OR
// is) goes the float way, any other the integer way. Below 2^31 the sums
// are also non-negative int32s, whose conversion to float is a single
// instruction, as is the truncation back. The remainder of a row is too
// short to be worth the test.
template <typename T>
void divide_row(const uint32_t* __restrict sums, T* __restrict row, size_t n, Cdivisor d,
                float inverse, uint32_t small, uint32_t flip)
{
    const size_t bulk = n - n % block;
    for (size_t b = 0; b < bulk; b += block) {
        uint32_t bits = 0;
        for (size_t k = 0; k < block; ++k)
            bits |= sums[b + k];
        if (bits < small) {
            for (size_t k = 0; k < block; ++k) {
                const float x = static_cast<float>(static_cast<int32_t>(sums[b + k])) * inverse;
                row[b + k] = static_cast<T>(static_cast<uint32_t>(static_cast<int32_t>(x)) ^ flip);
            }
        } else {
            for (size_t k = 0; k < block; ++k)
                row[b + k] = static_cast<T>(divide(sums[b + k], d) ^ flip);
        }
    }
    for (size_t k = bulk; k < n; ++k)
        row[k] = static_cast<T>(divide(sums[k], d) ^ flip);
}

template <typename T>
void add_frame(uint32_t* sums, const T* frame, size_t n, size_t rows, size_t stride)
{
    for (size_t r = 0; r < rows; ++r)
        add_row(sums + r * n, frame + r * stride, n);
}

template <typename T>
void finish_frame(const uint32_t* sums, T* frame, size_t n, size_t rows, size_t stride,
                  const Cfinish& how)
{
    // A mean of one frame is the sum itself: the clamp with no limit
    // writes it without a division.
    if (!how.mean || how.frames <= 1) {
        const uint32_t limit = how.mean ? std::numeric_limits<uint32_t>::max() : how.limit;
        for (size_t r = 0; r < rows; ++r)
            clamp_row(sums + r * n, frame + r * stride, n, limit, how.flip);
        return;
    }
    const Cdivisor d = make_divisor(how.frames);
    // A divisor too large for the float path sends every block to the
    // integer one: no sum is below a bound of 0.
    const bool float_divisor = how.frames < float_divisors;
    const float inverse = float_divisor ? reciprocal(how.frames) : 0.0f;
    const uint32_t small = float_divisor ? float_sums : 0;
    for (size_t r = 0; r < rows; ++r)
        divide_row(sums + r * n, frame + r * stride, n, d, inverse, small, how.flip);
}

} // namespace

Cdivisor make_divisor(uint32_t d)
{
    // floor(log2 d); d >= 2, so at least 1.
    uint32_t log2 = 0;
    while ((d >> log2) > 1)
        ++log2;

    Cdivisor result;
    if ((d & (d - 1)) == 0) {
        // The add-and-shift already halves once.
        result.shift = log2 - 1;
        return result;
    }
    // The 33-bit multiplier ceil(2^(33 + log2) / d), of which the top bit
    // is implied by the add-and-shift in divide(); only its low 32 bits are
    // kept. 2^(32 + log2) is at most 2^63 and fits.
    const uint64_t power = uint64_t{1} << (32 + log2);
    const uint64_t half = power / d;          // below 2^32, since d > 2^log2
    const uint64_t rem = power % d;
    const uint64_t twice = 2 * half + (2 * rem >= d ? 1 : 0);
    result.magic = static_cast<uint32_t>(twice + 1);
    result.shift = log2;
    return result;
}

void add_frame8(uint32_t* sums, const uint8_t* frame, size_t n, size_t rows, size_t stride)
{
    add_frame(sums, frame, n, rows, stride);
}

void add_frame16(uint32_t* sums, const uint16_t* frame, size_t n, size_t rows, size_t stride)
{
    add_frame(sums, frame, n, rows, stride);
}

void finish_frame8(const uint32_t* sums, uint8_t* frame, size_t n, size_t rows, size_t stride,
                   const Cfinish& how)
{
    finish_frame(sums, frame, n, rows, stride, how);
}

void finish_frame16(const uint32_t* sums, uint16_t* frame, size_t n, size_t rows, size_t stride,
                    const Cfinish& how)
{
    finish_frame(sums, frame, n, rows, stride, how);
}

} // namespace kmx_frame_sum
