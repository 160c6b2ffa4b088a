// SPDX-License-Identifier: Apache-2.0
#include "kmxcore/capture/frame_sum.h"

#include <cmath>
#include <iterator>
#include <limits>
#include <new>

#include "kmxcore/capture/frame_kernels.h"
#include "kmx_cpu.h"

namespace kmx_frame_sum {

namespace {

// The versions this build has, in the order of kmx_cpu::instruction_set.
const Cframe_kernels* const compiled[] = {
    &baseline_kernels,
#if defined(KMX_WIDE_VERSIONS)
    &avx2_kernels,
    &avx512_kernels,
#endif
};

// The version every call uses, chosen when the library is loaded. Code that
// runs before that (a static initialiser of another library) gets the
// baseline, so there is always one.
const Cframe_kernels* chosen = &baseline_kernels;
[[maybe_unused]] const bool chosen_at_load = (chosen = &version(version_count() - 1), true);

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
// Every version multiplies in IEEE single precision (x87 aside), so all
// give the same quotients. The bound on the sums is tested block by block,
// not assumed from the frame count, so sums of any size stay exact: a
// block holding a larger one takes the integer path.
Cmean_plan mean_plan(const Cfinish& how)
{
    Cmean_plan plan;
    plan.divisor = make_divisor(how.frames);
    // A divisor too large for the float path sends every block to the
    // integer one: no sum is below a bound of 0.
    if (how.frames < float_divisors) {
        plan.inverse = reciprocal(how.frames);
        plan.small = float_sums;
    }
    plan.flip = how.flip;
    return plan;
}

// A mean of one frame is the sum itself: the clamp with no limit writes it
// without a division.
bool clamps(const Cfinish& how)
{
    return !how.mean || how.frames <= 1;
}

uint32_t clamp_limit(const Cfinish& how)
{
    return how.mean ? std::numeric_limits<uint32_t>::max() : how.limit;
}

} // namespace

size_t version_count()
{
    static const size_t count = [] {
        const auto widest = static_cast<size_t>(kmx_cpu::widest_instruction_set());
        return widest < std::size(compiled) ? widest + 1 : std::size(compiled);
    }();
    return count;
}

const Cframe_kernels& version(size_t index)
{
    return *compiled[index < version_count() ? index : 0];
}

const Cframe_kernels& chosen_kernels()
{
    return *chosen;
}

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

void add_frame8(uint32_t* sums, const uint8_t* frame, size_t n, size_t rows, size_t stride,
                const Cframe_kernels& version)
{
    version.add8(sums, frame, n, rows, stride);
}

void add_frame16(uint32_t* sums, const uint16_t* frame, size_t n, size_t rows, size_t stride,
                 const Cframe_kernels& version)
{
    version.add16(sums, frame, n, rows, stride);
}

void finish_frame8(const uint32_t* sums, uint8_t* frame, size_t n, size_t rows, size_t stride,
                   const Cfinish& how, const Cframe_kernels& version)
{
    if (clamps(how))
        version.clamp8(sums, frame, n, rows, stride, clamp_limit(how), how.flip);
    else
        version.mean8(sums, frame, n, rows, stride, mean_plan(how));
}

void finish_frame16(const uint32_t* sums, uint16_t* frame, size_t n, size_t rows, size_t stride,
                    const Cfinish& how, const Cframe_kernels& version)
{
    if (clamps(how))
        version.clamp16(sums, frame, n, rows, stride, clamp_limit(how), how.flip);
    else
        version.mean16(sums, frame, n, rows, stride, mean_plan(how));
}

Caccumulator::Caccumulator(uint32_t* sums, size_t n, size_t rows, const Cframe_kernels& version)
    : sums_(sums), n_(n), rows_(rows), version_(version)
{
}

Caccumulator::~Caccumulator()
{
    fold();
}

bool Caccumulator::into_partials(uint32_t largest)
{
    // A frame that could fill half the partials' range would need a fold
    // after every frame or so: straight into the sums is cheaper.
    if (largest > partial_limit / 2)
        return false;
    if (held_ > partial_limit - largest)
        fold();
    if (!partial_ && !unavailable_) {
        partial_.reset(new (std::nothrow) uint16_t[n_ * rows_]);
        unavailable_ = !partial_;
    }
    return partial_ != nullptr;
}

void Caccumulator::add(const uint8_t* frame, size_t stride)
{
    constexpr uint32_t largest = 0xFF;
    if (!into_partials(largest)) {
        version_.add8(sums_, frame, n_, rows_, stride);
        return;
    }
    version_.add_partial8(partial_.get(), frame, n_, rows_, stride, held_ == 0);
    held_ += largest;
}

void Caccumulator::add(const uint16_t* frame, size_t stride, uint32_t largest)
{
    // An empty depth still holds values: count it as one, so that the
    // partials take at most partial_limit frames between folds.
    largest = largest == 0 ? 1 : largest;
    if (!into_partials(largest)) {
        version_.add16(sums_, frame, n_, rows_, stride);
        return;
    }
    version_.add_partial16(partial_.get(), sums_, frame, n_, rows_, stride, held_ == 0);
    held_ += largest;
}

void Caccumulator::fold()
{
    if (held_ == 0)
        return;
    version_.fold(sums_, partial_.get(), n_ * rows_);
    held_ = 0;
}

} // namespace kmx_frame_sum
