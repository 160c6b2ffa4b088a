#include "capture/frame_sum.h"

#include <algorithm>
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

template <typename T>
void divide_row(const uint32_t* __restrict sums, T* __restrict row, size_t n, Cdivisor d,
                uint32_t flip)
{
    const size_t bulk = n - n % block;
    for (size_t b = 0; b < bulk; b += block)
        for (size_t k = 0; k < block; ++k)
            row[b + k] = static_cast<T>(divide(sums[b + k], d) ^ flip);
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
    for (size_t r = 0; r < rows; ++r)
        divide_row(sums + r * n, frame + r * stride, n, d, how.flip);
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
