// SPDX-License-Identifier: Apache-2.0
// The frame loops, compiled once for each instruction set the library
// chooses between: frame_kernels.cpp and its _avx2 and _avx512 twins
// include this file under their own compiler options and publish a table
// of its functions.
//
// Everything here has internal linkage, on purpose. An inline function or
// template with external linkage would be emitted by every version, and
// the linker would keep just one of the copies, possibly a wider one that
// the baseline would then run on a processor without it. For the same
// reason the loops call nothing from the standard library's headers.
//
// The plain loops are written so that the compiler vectorises them for
// the instruction set at hand: no aliasing doubt, no branch per component,
// inner loops of a fixed length (vectorised even at -O2, whose cost model
// refuses loops that would need a scalar remainder), the remainder after
// them in plain form. The mean has hand-written AVX2 and AVX-512 steps,
// because compilers make slow vector code of its float conversion and
// narrowing store.
#ifndef KMX_CAPTURE_FRAME_LOOPS_H
#define KMX_CAPTURE_FRAME_LOOPS_H

#include <cstddef>
#include <cstdint>
#if defined(__AVX2__)
#include <immintrin.h>
#endif

#include "kmxcore/capture/frame_kernels.h"

namespace kmx_frame_sum {
namespace {

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
void add_frame(uint32_t* sums, const T* frame, size_t n, size_t rows, size_t stride)
{
    for (size_t r = 0; r < rows; ++r)
        add_row(sums + r * n, frame + r * stride, n);
}

// The first frame into empty partial sums is stored, not added: the
// partials need no clearing and are not read.
template <typename T>
void store_partial_row(uint16_t* __restrict partial, const T* __restrict row, size_t n)
{
    for (size_t k = 0; k < n; ++k)
        partial[k] = row[k];
}

// 8-bit values cannot carry: the caller folds before they could.
void add_partial_row8(uint16_t* __restrict partial, const uint8_t* __restrict row, size_t n)
{
    const size_t bulk = n - n % block;
    for (size_t b = 0; b < bulk; b += block)
        for (size_t k = 0; k < block; ++k)
            partial[b + k] = static_cast<uint16_t>(partial[b + k] + row[b + k]);
    for (size_t k = bulk; k < n; ++k)
        partial[k] = static_cast<uint16_t>(partial[k] + row[k]);
}

// A 16-bit total below the value just added into it has wrapped around:
// 65536 of the sum went missing from the partial, and goes to the sum.
void carry_row(const uint16_t* __restrict partial, uint32_t* __restrict sums,
               const uint16_t* __restrict row, size_t n)
{
    for (size_t k = 0; k < n; ++k)
        if (partial[k] < row[k])
            sums[k] += uint32_t{partial_limit} + 1;
}

// 16-bit values may carry when a frame holds more than its depth promised.
// The carry test is an OR over the row, made once per row: frames that
// keep their promise pay no more than the test and never touch the sums.
// (Whole-row loops with a reduction: GCC vectorises them at -O3, the
// optimised builds' level.) A total below the value added has wrapped;
// SSE2 has no unsigned 16-bit comparison, so the baseline forms its totals
// in 32 bits and tests their high halves instead.
void add_partial_row16(uint16_t* __restrict partial, uint32_t* __restrict sums,
                       const uint16_t* __restrict row, size_t n)
{
#if defined(__AVX2__)
    uint16_t carried = 0;
    for (size_t k = 0; k < n; ++k) {
        const auto total = static_cast<uint16_t>(partial[k] + row[k]);
        partial[k] = total;
        carried |= static_cast<uint16_t>(total < row[k]);
    }
#else
    uint32_t carried = 0;
    for (size_t k = 0; k < n; ++k) {
        const uint32_t total = uint32_t{partial[k]} + row[k];
        partial[k] = static_cast<uint16_t>(total);
        carried |= total >> 16;
    }
#endif
    if (carried != 0)
        carry_row(partial, sums, row, n);
}

void add_partial8(uint16_t* partial, const uint8_t* frame, size_t n, size_t rows, size_t stride,
                  bool first)
{
    for (size_t r = 0; r < rows; ++r) {
        if (first)
            store_partial_row(partial + r * n, frame + r * stride, n);
        else
            add_partial_row8(partial + r * n, frame + r * stride, n);
    }
}

void add_partial16(uint16_t* partial, uint32_t* sums, const uint16_t* frame, size_t n,
                   size_t rows, size_t stride, bool first)
{
    for (size_t r = 0; r < rows; ++r) {
        if (first)
            store_partial_row(partial + r * n, frame + r * stride, n);
        else
            add_partial_row16(partial + r * n, sums + r * n, frame + r * stride, n);
    }
}

void fold_partial(uint32_t* __restrict sums, const uint16_t* __restrict partial, size_t count)
{
    add_row(sums, partial, count);
}

template <typename T>
void clamp_row(const uint32_t* __restrict sums, T* __restrict row, size_t n, uint32_t limit,
               uint32_t flip)
{
    const size_t bulk = n - n % block;
    for (size_t b = 0; b < bulk; b += block)
        for (size_t k = 0; k < block; ++k)
            row[b + k] = static_cast<T>((sums[b + k] < limit ? sums[b + k] : limit) ^ flip);
    for (size_t k = bulk; k < n; ++k)
        row[k] = static_cast<T>((sums[k] < limit ? sums[k] : limit) ^ flip);
}

template <typename T>
void clamp_frame(const uint32_t* sums, T* frame, size_t n, size_t rows, size_t stride,
                 uint32_t limit, uint32_t flip)
{
    for (size_t r = 0; r < rows; ++r)
        clamp_row(sums + r * n, frame + r * stride, n, limit, flip);
}

// The exact integer division, for sums the float path cannot take.
template <typename T>
void divide_run(const uint32_t* __restrict sums, T* __restrict row, size_t n,
                const Cmean_plan& plan)
{
    const Cdivisor d = plan.divisor;
    for (size_t k = 0; k < n; ++k)
        row[k] = static_cast<T>(divide(sums[k], d) ^ plan.flip);
}

#if defined(__AVX512BW__) && defined(__AVX512VL__)

// Whole steps of 16 sums, one AVX-512 register; returns how many sums it
// finished. The float path as in mean_row; a step holding a sum at or
// above the bound is divided in integers instead. The narrowing moves keep
// the low bits, as the plain loop's conversion does. (Steps of one
// register, each tested on its own, keep more loads in flight than wider
// steps tested together, and the pass is bound by its loads.)
template <typename T>
size_t mean_steps(const uint32_t* sums, T* row, size_t n, const Cmean_plan& plan)
{
    constexpr size_t step = 16;
    // The zero-masked forms with every lane selected are the plain
    // instructions; GCC 12 warns about the plain forms' undefined
    // pass-through operand.
    constexpr __mmask16 every_lane = 0xFFFF;
    if (plan.small == 0)
        return 0;
    // Everything the loop needs is in registers first: the stores through
    // `row` may alias any memory, `plan` included.
    const __m512i large = _mm512_set1_epi32(static_cast<int>(~(plan.small - 1)));
    const __m512 inverse = _mm512_set1_ps(plan.inverse);
    const __m128i flip8 = _mm_set1_epi8(static_cast<char>(plan.flip));
    const __m256i flip16 = _mm256_set1_epi16(static_cast<short>(plan.flip));
    size_t k = 0;
    for (; k + step <= n; k += step) {
        const __m512i v = _mm512_loadu_si512(sums + k);
        if (_mm512_test_epi32_mask(v, large) != 0) {
            divide_run(sums + k, row + k, step, plan);
            continue;
        }
        const __m512i q = _mm512_maskz_cvttps_epi32(
            every_lane, _mm512_mul_ps(_mm512_maskz_cvtepi32_ps(every_lane, v), inverse));
        if constexpr (sizeof(T) == 1)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + k),
                             _mm_xor_si128(_mm512_maskz_cvtepi32_epi8(every_lane, q), flip8));
        else
            _mm256_storeu_si256(
                reinterpret_cast<__m256i*>(row + k),
                _mm256_xor_si256(_mm512_maskz_cvtepi32_epi16(every_lane, q), flip16));
    }
    return k;
}

#elif defined(__AVX2__)

// Whole steps of 16 sums, two AVX2 registers; returns how many sums it
// finished. The float path as in mean_row; a step holding a sum at or
// above the bound is divided in integers instead. Quotients are masked to
// the low bits of the result before the (saturating) packs, so the packs
// keep the low bits, as the plain loop's conversion does. The packs work
// within 128-bit lanes; a shuffle puts the results back in order.
template <typename T>
size_t mean_steps(const uint32_t* sums, T* row, size_t n, const Cmean_plan& plan)
{
    constexpr size_t lanes = 8;
    constexpr size_t step = 2 * lanes;
    if (plan.small == 0)
        return 0;
    // Everything the loop needs is in registers first: the stores through
    // `row` may alias any memory, `plan` included.
    const __m256i large = _mm256_set1_epi32(static_cast<int>(~(plan.small - 1)));
    const __m256 inverse = _mm256_set1_ps(plan.inverse);
    const __m256i low_bits = _mm256_set1_epi32(sizeof(T) == 1 ? 0xFF : 0xFFFF);
    const __m128i flip8 = _mm_set1_epi8(static_cast<char>(plan.flip));
    const __m256i flip16 = _mm256_set1_epi16(static_cast<short>(plan.flip));
    auto quotients = [&](__m256i v) {
        return _mm256_and_si256(
            _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(v), inverse)), low_bits);
    };
    size_t k = 0;
    for (; k + step <= n; k += step) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + k));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + k + lanes));
        if (!_mm256_testz_si256(_mm256_or_si256(a, b), large)) {
            divide_run(sums + k, row + k, step, plan);
            continue;
        }
        // Words a0-3 b0-3 | a4-7 b4-7.
        const __m256i words = _mm256_packus_epi32(quotients(a), quotients(b));
        if constexpr (sizeof(T) == 1) {
            // Bytes a0-3 b0-3 a4-7 b4-7 in 32-bit groups, then in order.
            const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(words),
                                                   _mm256_extracti128_si256(words, 1));
            constexpr int order = 0 | 2 << 2 | 1 << 4 | 3 << 6;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + k),
                             _mm_xor_si128(_mm_shuffle_epi32(bytes, order), flip8));
        } else {
            // 64-bit groups a0-3 b0-3 a4-7 b4-7 become a0-3 a4-7 b0-3 b4-7.
            constexpr int order = 0 | 2 << 2 | 1 << 4 | 3 << 6;
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + k),
                                _mm256_xor_si256(_mm256_permute4x64_epi64(words, order), flip16));
        }
    }
    return k;
}

#else

// The baseline leaves every sum to the plain loop.
template <typename T>
size_t mean_steps(const uint32_t*, T*, size_t, const Cmean_plan&)
{
    return 0;
}

#endif

// The float path (see frame_sum.cpp for why it is exact) for blocks whose
// sums all lie below plan.small, known when their bitwise OR does; any
// other block takes the integer path. Below 2^31 the sums are also non-
// negative int32s, whose conversion to float is a single instruction, as
// is the truncation back. The remainder of a row is too short to be worth
// the test.
template <typename T>
void mean_row(const uint32_t* __restrict sums, T* __restrict row, size_t n,
              const Cmean_plan& plan)
{
    const size_t done = mean_steps(sums, row, n, plan);
    sums += done;
    row += done;
    n -= done;
    const Cdivisor d = plan.divisor;
    const float inverse = plan.inverse;
    const uint32_t small = plan.small;
    const uint32_t flip = plan.flip;
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
void mean_frame(const uint32_t* sums, T* frame, size_t n, size_t rows, size_t stride,
                const Cmean_plan& plan)
{
    for (size_t r = 0; r < rows; ++r)
        mean_row(sums + r * n, frame + r * stride, n, plan);
}

// The table of this version's loops.
constexpr Cframe_kernels make_kernels(const char* name)
{
    return Cframe_kernels{name,
                          add_frame<uint8_t>,
                          add_frame<uint16_t>,
                          add_partial8,
                          add_partial16,
                          fold_partial,
                          clamp_frame<uint8_t>,
                          clamp_frame<uint16_t>,
                          mean_frame<uint8_t>,
                          mean_frame<uint16_t>};
}

} // namespace
} // namespace kmx_frame_sum

#endif
