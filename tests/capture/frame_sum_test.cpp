// SPDX-License-Identifier: Apache-2.0
// The frame-sum kernels, every version this processor runs (baseline, and
// AVX2 and AVX-512 where built and present) against the plain arithmetic
// they stand for: strides, remainders of the block and vector loops, the
// exact division, clamping and inversion, the partial sums and their
// folds, sums that wrap 32 bits, and the finished mean against the built-
// in division for every sum a frame count can produce, on the float path
// and the integer path alike.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "kmxcore/capture/frame_kernels.h"
#include "kmxcore/capture/frame_sum.h"
#include "kmx_test_versions.h"

namespace {

using namespace kmx_frame_sum;

// The plain loops are laid out in blocks of this many components; the
// vector steps take two or four blocks at once.
constexpr size_t block = 16;

// A frame of `rows` rows of `stride` elements, every element `fill`.
template <typename T>
std::vector<T> flat_frame(size_t rows, size_t stride, T fill)
{
    return std::vector<T>(rows * stride, fill);
}

TEST(FrameSumVersions, TheWidestVersionTheProcessorRunsIsChosen)
{
    ASSERT_GE(version_count(), 1u);
    EXPECT_EQ(std::string(version(0).name), "baseline");
    EXPECT_EQ(&chosen_kernels(), &version(version_count() - 1));
#if defined(KMX_WIDE_VERSIONS)
    // Built with the wider versions: a processor that has them gets them.
    const size_t expected = kmx_test::wide_version_count();
    EXPECT_EQ(version_count(), expected);
    EXPECT_EQ(std::string(version(1 % version_count()).name), expected > 1 ? "avx2" : "baseline");
#endif
}

// Each test below runs once per version.
class FrameSum : public ::testing::TestWithParam<size_t> {
protected:
    const Cframe_kernels& kernels() const { return version(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(Versions, FrameSum, ::testing::Range<size_t>(0, version_count()),
                         kmx_test::version_name<version>);

TEST_P(FrameSum, AddsEveryComponentAndSkipsTheRowPadding)
{
    // 37 components per row: two full blocks and a remainder of 5; the
    // stride leaves 3 padding bytes that must not be summed.
    const size_t n = 37, rows = 3, stride = 40;
    std::vector<uint8_t> frame(rows * stride, 0xEE);
    for (size_t r = 0; r < rows; ++r)
        for (size_t k = 0; k < n; ++k)
            frame[r * stride + k] = static_cast<uint8_t>(r * 50 + k);
    std::vector<uint32_t> sums(rows * n, 1000);

    add_frame8(sums.data(), frame.data(), n, rows, stride, kernels());
    add_frame8(sums.data(), frame.data(), n, rows, stride, kernels());

    for (size_t r = 0; r < rows; ++r)
        for (size_t k = 0; k < n; ++k)
            ASSERT_EQ(sums[r * n + k], 1000 + 2 * (r * 50 + k)) << r << "," << k;
}

TEST_P(FrameSum, AddsSixteenBitComponentsWithoutLosingHighBits)
{
    const size_t n = 19, rows = 2, stride = 21;
    auto frame = flat_frame<uint16_t>(rows, stride, 0xFFFF);
    std::vector<uint32_t> sums(rows * n, 0);

    for (int i = 0; i < 3; ++i)
        add_frame16(sums.data(), frame.data(), n, rows, stride, kernels());

    for (uint32_t s : sums)
        ASSERT_EQ(s, 3u * 0xFFFF);
}

// The shapes of the reference comparisons: widths around every block and
// vector step, odd strides, a single component, a single row.
struct Cshape {
    size_t n, rows, stride;
};
const Cshape shapes[] = {{1, 1, 1},    {1, 5, 3},    {7, 3, 9},     {15, 2, 15},
                         {16, 2, 17},  {17, 3, 19},  {31, 2, 33},   {32, 2, 32},
                         {33, 3, 35},  {63, 2, 64},  {64, 2, 67},   {65, 2, 65},
                         {127, 2, 131}, {129, 3, 129}, {1283, 3, 1289}};

// A frame of edge values (0, 1, the largest, one below it, the middle) and
// random ones, padding included.
template <typename T>
std::vector<T> edge_frame(const Cshape& s, uint32_t largest, std::mt19937& random)
{
    const uint32_t edges[] = {0, 1, largest, largest - 1, largest / 2};
    std::vector<T> frame(s.rows * s.stride);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<T>(i % 3 == 0 ? random() % (largest + 1) : edges[i % 5]);
    return frame;
}

// Sums near 2^32, so that adding wraps them as the built-in addition does.
std::vector<uint32_t> sums_near_the_top(const Cshape& s, std::mt19937& random)
{
    std::vector<uint32_t> sums(s.rows * s.n);
    for (auto& sum : sums)
        sum = random() % 3 == 0 ? 0xFFFFFFFFu - random() % 70000 : random() % 1000;
    return sums;
}

template <typename T>
void add_reference(std::vector<uint32_t>& sums, const std::vector<T>& frame, const Cshape& s)
{
    for (size_t r = 0; r < s.rows; ++r)
        for (size_t k = 0; k < s.n; ++k)
            sums[r * s.n + k] += frame[r * s.stride + k];
}

TEST_P(FrameSum, AddingMatchesThePlainSumForEveryShapeAndEdgeValue)
{
    std::mt19937 random(3);
    for (const Cshape& s : shapes) {
        SCOPED_TRACE(::testing::Message() << s.n << " x " << s.rows << " / " << s.stride);
        auto sums = sums_near_the_top(s, random);
        auto expected = sums;
        const auto bytes = edge_frame<uint8_t>(s, 0xFF, random);
        const auto words = edge_frame<uint16_t>(s, 0xFFFF, random);
        add_frame8(sums.data(), bytes.data(), s.n, s.rows, s.stride, kernels());
        add_frame16(sums.data(), words.data(), s.n, s.rows, s.stride, kernels());
        add_reference(expected, bytes, s);
        add_reference(expected, words, s);
        ASSERT_EQ(sums, expected);
    }
}

// One run of the accumulator: `frames` frames of `bits`-bit components
// whose depth promises `largest`, the frames holding values up to `top`
// (above largest: the partials must carry into the sums).
struct Crun {
    unsigned bits;
    uint32_t largest;
    uint32_t top;
    unsigned frames;
};
const Crun runs[] = {
    {8, 0xFF, 0xFF, 1},         // stored, folded
    {8, 0xFF, 0xFF, 16},        // the usual average
    {8, 0xFF, 0xFF, 600},       // folded after 257 and 514 frames
    {16, 0xFFF, 0xFFF, 16},     // 12-bit: exactly fills the partials
    {16, 0xFFF, 0xFFF, 40},     // folded every 16 frames
    {16, 0x3FF, 0x3FF, 130},    // 10-bit: every 64
    {16, 0x3FF, 0xFFFF, 20},    // values far above the mask carry
    {16, 0, 0xFFFF, 5},         // no promise at all
    {16, 0xFFFF, 0xFFFF, 4},    // too deep for partials: straight in
};

template <typename T>
void accumulate_run(Caccumulator& into, const std::vector<T>& frame, const Cshape& s,
                    uint32_t largest)
{
    if constexpr (sizeof(T) == 1)
        into.add(frame.data(), s.stride);
    else
        into.add(frame.data(), s.stride, largest);
}

template <typename T>
::testing::AssertionResult accumulates_exactly(const Cframe_kernels& kernels, const Crun& run,
                                               const Cshape& s, std::mt19937& random)
{
    auto sums = sums_near_the_top(s, random);
    auto expected = sums;
    {
        Caccumulator into(sums.data(), s.n, s.rows, kernels);
        for (unsigned f = 0; f < run.frames; ++f) {
            const auto frame = edge_frame<T>(s, run.top, random);
            accumulate_run(into, frame, s, run.largest);
            add_reference(expected, frame, s);
            // Folding midway must not lose or repeat a frame either.
            if (f == run.frames / 3)
                into.fold();
        }
        into.fold();
        if (sums != expected)
            return ::testing::AssertionFailure() << "folded sums differ";
        // What follows the last fold reaches the sums when the
        // accumulator goes away.
        const auto frame = edge_frame<T>(s, run.top, random);
        accumulate_run(into, frame, s, run.largest);
        add_reference(expected, frame, s);
    }
    if (sums != expected)
        return ::testing::AssertionFailure() << "sums differ after the accumulator went away";
    return ::testing::AssertionSuccess();
}

TEST_P(FrameSum, AccumulatorSumsExactlyWhatAddingStraightIntoTheSumsWould)
{
    std::mt19937 random(9);
    for (const Crun& run : runs) {
        for (const Cshape& s : {shapes[0], shapes[5], shapes[8], shapes[14]}) {
            if (run.frames > 100 && s.n > 100)
                continue;  // keeps the run short; the small shapes cover the folds
            SCOPED_TRACE(::testing::Message() << run.bits << " bits, largest " << run.largest
                                              << ", top " << run.top << ", " << run.frames
                                              << " frames, " << s.n << " x " << s.rows);
            if (run.bits == 8)
                ASSERT_TRUE(accumulates_exactly<uint8_t>(kernels(), run, s, random));
            else
                ASSERT_TRUE(accumulates_exactly<uint16_t>(kernels(), run, s, random));
        }
    }
}

TEST(FrameSumDivision, DivisionMatchesTheBuiltInForEveryKindOfDivisor)
{
    std::mt19937 random(7);
    std::vector<uint32_t> divisors = {2, 3, 5, 6, 7, 10, 16, 255, 641, 1000, 4095, 65536,
                                      0x7FFFFFFFu, 0x80000000u, 0x80000001u, 0xFFFFFFFEu,
                                      0xFFFFFFFFu};
    for (int i = 0; i < 200; ++i)
        divisors.push_back(2 + random() % 0xFFFFFFF0u);
    const uint32_t edges[] = {0, 1, 2, 254, 255, 256, 0x7FFFFFFFu, 0x80000000u,
                              0xFFFFFFFEu, 0xFFFFFFFFu};

    for (uint32_t d : divisors) {
        const Cdivisor divisor = make_divisor(d);
        for (uint32_t n : edges) {
            ASSERT_EQ(divide(n, divisor), n / d) << n << " / " << d;
            ASSERT_EQ(divide(n - n % d, divisor), n / d) << "multiple below " << n << " / " << d;
        }
        for (int j = 0; j < 500; ++j) {
            const uint32_t n = static_cast<uint32_t>(random());
            ASSERT_EQ(divide(n, divisor), n / d) << n << " / " << d;
        }
    }
}

TEST_P(FrameSum, MeanTruncatesAndInversionComplementsTheByte)
{
    // Sums of three frames 10, 11 and 12 (33), and of a value that does
    // not divide evenly (35 / 3 = 11).
    const size_t n = 20, rows = 2, stride = 24;
    std::vector<uint32_t> sums(rows * n, 33);
    sums[3] = 35;
    auto frame = flat_frame<uint8_t>(rows, stride, 7);

    Cfinish mean;
    mean.frames = 3;
    finish_frame8(sums.data(), frame.data(), n, rows, stride, mean, kernels());
    EXPECT_EQ(frame[0], 11);
    EXPECT_EQ(frame[3], 11);
    EXPECT_EQ(frame[stride + n - 1], 11);
    EXPECT_EQ(frame[n], 7) << "padding after a row is left alone";

    mean.flip = 255;
    finish_frame8(sums.data(), frame.data(), n, rows, stride, mean, kernels());
    EXPECT_EQ(frame[0], 244);
    EXPECT_EQ(frame[stride + n - 1], 244);
}

TEST_P(FrameSum, MeanOfOneFrameIsTheFrameItself)
{
    const size_t n = 17, rows = 1;
    std::vector<uint32_t> sums(n);
    for (size_t k = 0; k < n; ++k)
        sums[k] = static_cast<uint32_t>(k * 15);
    std::vector<uint8_t> frame(n);

    Cfinish mean;
    mean.frames = 1;
    mean.flip = 255;
    finish_frame8(sums.data(), frame.data(), n, rows, n, mean, kernels());

    for (size_t k = 0; k < n; ++k)
        ASSERT_EQ(frame[k], 255 - k * 15);
}

TEST_P(FrameSum, SaturatedSumClampsAndInvertsAgainstTheLimit)
{
    const size_t n = 3;
    const std::vector<uint32_t> sums = {200, 255, 400};
    std::vector<uint8_t> frame(n);

    Cfinish sum;
    sum.mean = false;
    finish_frame8(sums.data(), frame.data(), n, 1, n, sum, kernels());
    EXPECT_EQ(frame, (std::vector<uint8_t>{200, 255, 255}));

    sum.flip = 255;
    finish_frame8(sums.data(), frame.data(), n, 1, n, sum, kernels());
    EXPECT_EQ(frame, (std::vector<uint8_t>{55, 0, 0}));
}

TEST_P(FrameSum, ClampMatchesThePlainRuleForEveryShapeAndEdgeSum)
{
    std::mt19937 random(13);
    const uint32_t limits[] = {255, 1023, 4095, 0xFFFFFFFFu};
    for (const Cshape& s : shapes) {
        for (uint32_t limit : limits) {
            SCOPED_TRACE(::testing::Message() << s.n << " x " << s.rows << ", limit " << limit);
            const uint32_t edges[] = {0, 1, limit - 1, limit, limit + 1, 0xFFFFFFFFu};
            std::vector<uint32_t> sums(s.rows * s.n);
            for (size_t i = 0; i < sums.size(); ++i)
                sums[i] = i % 4 == 0 ? static_cast<uint32_t>(random()) : edges[i % 6];
            std::vector<uint8_t> bytes(s.rows * s.stride, 0x5A);
            std::vector<uint16_t> words(s.rows * s.stride, 0x5A5A);
            Cfinish how;
            how.mean = false;
            how.limit = limit;
            how.flip = limit & 0xFFF;
            finish_frame8(sums.data(), bytes.data(), s.n, s.rows, s.stride, how, kernels());
            finish_frame16(sums.data(), words.data(), s.n, s.rows, s.stride, how, kernels());
            for (size_t r = 0; r < s.rows; ++r)
                for (size_t k = 0; k < s.stride; ++k) {
                    const uint32_t sum = sums[r * s.n + (k < s.n ? k : 0)];
                    const uint32_t clamped = (sum < limit ? sum : limit) ^ how.flip;
                    const bool padding = k >= s.n;
                    const size_t at = r * s.stride + k;
                    ASSERT_EQ(bytes[at], padding ? 0x5A : uint8_t(clamped)) << r << "," << k;
                    ASSERT_EQ(words[at], padding ? 0x5A5A : uint16_t(clamped)) << r << "," << k;
                }
        }
    }
}

TEST_P(FrameSum, DeepResultsUseTheMaskAsLimitAndInversion)
{
    const size_t n = 4;
    const std::vector<uint32_t> sums = {2001, 5000, 100, 0};
    std::vector<uint16_t> frame(n);

    Cfinish mean;
    mean.frames = 2;
    mean.limit = 4095;
    mean.flip = 4095;
    finish_frame16(sums.data(), frame.data(), n, 1, n, mean, kernels());
    EXPECT_EQ(frame, (std::vector<uint16_t>{3095, 2500 ^ 4095, 50 ^ 4095, 4095}));

    Cfinish sum;
    sum.mean = false;
    sum.limit = 4095;
    finish_frame16(sums.data(), frame.data(), n, 1, n, sum, kernels());
    EXPECT_EQ(frame, (std::vector<uint16_t>{2001, 4095, 100, 0}));
    sum.flip = 4095;
    finish_frame16(sums.data(), frame.data(), n, 1, n, sum, kernels());
    EXPECT_EQ(frame, (std::vector<uint16_t>{2001 ^ 4095, 0, 3995, 4095}));
}

TEST_P(FrameSum, DeepMeanKeepsSixteenBitsOfTheQuotient)
{
    // Components above the mask (a 16-bit caller depth) keep their high
    // bits; the flip touches only the mask's bits. The row is long enough
    // for every vector step.
    const size_t n = 2 * 64 + 1;
    const std::vector<uint32_t> sums(n, 2u * 0xF000);
    std::vector<uint16_t> frame(n);
    Cfinish mean;
    mean.frames = 2;
    mean.limit = 1023;
    mean.flip = 1023;
    finish_frame16(sums.data(), frame.data(), n, 1, n, mean, kernels());
    EXPECT_EQ(frame, std::vector<uint16_t>(n, 0xF000 ^ 1023));
}

TEST_P(FrameSum, EmptyFramesTouchNothing)
{
    std::vector<uint32_t> sums(4, 9);
    std::vector<uint8_t> frame(4, 3);
    add_frame8(sums.data(), frame.data(), 0, 1, 4, kernels());
    add_frame8(sums.data(), frame.data(), 4, 0, 4, kernels());
    finish_frame8(sums.data(), frame.data(), 0, 1, 4, Cfinish(), kernels());
    {
        Caccumulator into(sums.data(), 0, 1, kernels());
        into.add(frame.data(), 4);
    }
    EXPECT_EQ(sums, std::vector<uint32_t>(4, 9));
    EXPECT_EQ(frame, std::vector<uint8_t>(4, 3));
}

// Runs the sums through finish_frame8/16 in rows of `n` with two padding
// elements, and compares every result with the built-in division; the
// padding must keep its fill.
template <typename T>
::testing::AssertionResult finishes_exactly(const Cframe_kernels& kernels,
                                            const std::vector<uint32_t>& sums, size_t n,
                                            uint32_t frames, uint32_t flip)
{
    const size_t stride = n + 2;
    const size_t rows = sums.size() / n;
    const T fill = static_cast<T>(0xA5A5);
    std::vector<T> frame(rows * stride, fill);
    Cfinish how;
    how.frames = frames;
    how.limit = flip;
    how.flip = flip;
    if constexpr (sizeof(T) == 1)
        finish_frame8(sums.data(), frame.data(), n, rows, stride, how, kernels);
    else
        finish_frame16(sums.data(), frame.data(), n, rows, stride, how, kernels);
    for (size_t r = 0; r < rows; ++r) {
        for (size_t k = 0; k < n; ++k) {
            const uint32_t s = sums[r * n + k];
            const T expected = static_cast<T>((s / frames) ^ flip);
            if (frame[r * stride + k] != expected)
                return ::testing::AssertionFailure()
                       << s << " / " << frames << " ^ " << flip << " gave "
                       << +frame[r * stride + k] << ", not " << +expected;
        }
        for (size_t k = n; k < stride; ++k)
            if (frame[r * stride + k] != fill)
                return ::testing::AssertionFailure() << "padding written after row " << r;
    }
    return ::testing::AssertionSuccess();
}

// Every sum 0..top divided by `frames`. With `integer_blocks` the last
// component of every block of the row's bulk holds a sum above any float
// bound (counting down from 2^32 - 1), so every block (and every vector
// step, which spans whole blocks) must take the integer path; without,
// each block of small sums takes the float path.
template <typename T>
::testing::AssertionResult finishes_every_sum(const Cframe_kernels& kernels, uint32_t frames,
                                              uint32_t top, uint32_t flip, bool integer_blocks)
{
    const size_t n = 1000;  // a bulk of whole blocks and a remainder
    const size_t bulk = n - n % block;
    const size_t rows = 256;
    uint64_t next = 0;
    uint32_t large = 0xFFFFFFFFu;
    while (next <= top) {
        std::vector<uint32_t> sums(rows * n);
        for (size_t i = 0; i < sums.size(); ++i) {
            const size_t k = i % n;
            if (integer_blocks && k < bulk && k % block == block - 1)
                sums[i] = large--;
            else
                sums[i] = next <= top ? static_cast<uint32_t>(next++) : top;
        }
        auto result = finishes_exactly<T>(kernels, sums, n, frames, flip);
        if (!result)
            return result;
    }
    return ::testing::AssertionSuccess();
}

const uint32_t frame_counts[] = {1, 2, 3, 7, 16, 255, 1000, 65792};

TEST_P(FrameSum, MeanIsExactForEverySumOfEightBitFrames)
{
    for (uint32_t c : frame_counts) {
        SCOPED_TRACE(c);
        ASSERT_TRUE(finishes_every_sum<uint8_t>(kernels(), c, 255 * c, 0xFF, false));
        ASSERT_TRUE(finishes_every_sum<uint8_t>(kernels(), c, 255 * c, 0, true));
    }
}

TEST_P(FrameSum, DeepMeanIsExactForEverySumUnderTheMask)
{
    const uint32_t masks[] = {1023, 4095, 65535};
    for (uint32_t mask : masks)
        for (uint32_t c : frame_counts) {
            // Keeps the run short: the largest deep sums cover the float
            // bound and well beyond it.
            if (uint64_t{mask} * c > (uint64_t{1} << 25))
                continue;
            SCOPED_TRACE(::testing::Message() << mask << " x " << c);
            ASSERT_TRUE(finishes_every_sum<uint16_t>(kernels(), c, mask * c, mask, false));
            ASSERT_TRUE(finishes_every_sum<uint16_t>(kernels(), c, mask * c, 0, true));
        }
}

TEST_P(FrameSum, MeanIsExactForEveryFrameCountAveragingUses)
{
    // Each count from 1 to 2048 (and the deep sums' bound on counts),
    // with the sums where a quotient rounded the wrong way shows first:
    // multiples of the count and their neighbours, the largest mean of
    // 8-bit and 12-bit frames, both sides of the float bound, the top.
    std::vector<uint32_t> counts;
    for (uint32_t c = 1; c <= 2048; ++c)
        counts.push_back(c);
    counts.push_back(65792);
    counts.push_back(1048832);
    const size_t n = 67;  // vector steps, blocks and a remainder
    for (uint32_t c : counts) {
        std::vector<uint32_t> sums;
        for (uint64_t m : {uint64_t{1}, uint64_t{2}, uint64_t{127}, uint64_t{255},
                           uint64_t{256}, uint64_t{4095}, uint64_t{4096}}) {
            const uint64_t s = m * c;
            for (uint64_t t : {s - 1, s, s + 1})
                if (t <= 0xFFFFFFFFu)
                    sums.push_back(static_cast<uint32_t>(t));
        }
        for (uint32_t s : {0u, 1u, float_sums - 1, float_sums, 0xFFFFFFFFu})
            sums.push_back(s);
        // Rows of small sums only, so the float path takes whole steps.
        std::vector<uint32_t> small;
        for (uint32_t s : sums)
            if (s < float_sums)
                small.push_back(s);
        for (auto* list : {&sums, &small}) {
            const std::vector<uint32_t> seed = *list;
            while (list->size() % n != 0)
                list->push_back(seed[list->size() % seed.size()]);
        }
        ASSERT_TRUE(finishes_exactly<uint8_t>(kernels(), small, n, c, 0xFF)) << c;
        ASSERT_TRUE(finishes_exactly<uint8_t>(kernels(), sums, n, c, 0)) << c;
        ASSERT_TRUE(finishes_exactly<uint16_t>(kernels(), small, n, c, 0xFFF)) << c;
        ASSERT_TRUE(finishes_exactly<uint16_t>(kernels(), sums, n, c, 0)) << c;
    }
}

// Sets a rounding direction for the life of the object.
class Crounding {
public:
    explicit Crounding(int mode) : saved(std::fegetround()) { ok = std::fesetround(mode) == 0; }
    ~Crounding() { std::fesetround(saved); }
    bool ok = false;

private:
    int saved;
};

TEST_P(FrameSum, MeanIsExactUnderEveryRoundingDirection)
{
    std::vector<int> modes;
#ifdef FE_UPWARD
    modes.push_back(FE_UPWARD);
#endif
#ifdef FE_DOWNWARD
    modes.push_back(FE_DOWNWARD);
#endif
#ifdef FE_TOWARDZERO
    modes.push_back(FE_TOWARDZERO);
#endif
    if (modes.empty())
        GTEST_SKIP() << "no directed rounding on this platform";
    const uint32_t counts[] = {3, 7, 255, 1000};
    for (int mode : modes) {
        Crounding rounding(mode);
        ASSERT_TRUE(rounding.ok) << mode;
        for (uint32_t c : counts) {
            SCOPED_TRACE(::testing::Message() << "mode " << mode << ", " << c << " frames");
            ASSERT_TRUE(finishes_every_sum<uint8_t>(kernels(), c, 255 * c, 0xFF, false));
            ASSERT_TRUE(finishes_every_sum<uint16_t>(kernels(), c, 4095 * c, 4095, false));
        }
    }
}

TEST(FrameSumDivision, ReciprocalIsRoundedUpByLessThanOneUnitInTheLastPlace)
{
    // The exactness of the float path rests on c <= 1/m * c < 1 + 2^-23;
    // m * c is exact in double (24 + 23 bits).
    std::vector<uint32_t> counts = {2, 3, 4, 5, 7, 255, 256, 257, 1000, 65792, 0x3FFFFF, 0x400000,
                                    0x400001, 0x7FFFFE, 0x7FFFFF};
    std::mt19937 random(11);
    for (int i = 0; i < 2000; ++i)
        counts.push_back(2 + random() % (float_divisors - 2));
    for (uint32_t c : counts) {
        const double product = static_cast<double>(reciprocal(c)) * c;
        ASSERT_GE(product, 1.0) << c;
        ASSERT_LT(product, 1.0 + 0x1p-23) << c;
        if ((c & (c - 1)) == 0) {
            ASSERT_EQ(product, 1.0) << c;
        }
    }
}

TEST_P(FrameSum, MeanIsExactAroundTheFloatBoundAndForAnySum)
{
    // Sums straddling the bound in one block, the largest sums, and random
    // ones over the whole range; divisors up to and past the float limit.
    const std::vector<uint32_t> counts = {2,          3,          255,         1000,
                                          float_divisors - 1, float_divisors, float_divisors + 1,
                                          0x7FFFFFFFu, 0xFFFFFFFFu};
    std::mt19937 random(5);
    const size_t n = 37;
    for (uint32_t c : counts) {
        SCOPED_TRACE(c);
        std::vector<uint32_t> sums;
        for (uint32_t s = float_sums - 300; s < float_sums + 300; ++s)
            sums.push_back(s);
        for (uint32_t s = 0xFFFFFFFFu - 50; s != 0; ++s)
            sums.push_back(s);
        for (uint32_t k = 1; k < 40; ++k) {
            // Multiples of c and their neighbours, where a quotient rounded
            // the wrong way shows first.
            const uint64_t m = uint64_t{c} * k * 997;
            if (m < 0xFFFFFFFFu) {
                sums.push_back(static_cast<uint32_t>(m - 1));
                sums.push_back(static_cast<uint32_t>(m));
                sums.push_back(static_cast<uint32_t>(m + 1));
            }
        }
        for (int i = 0; i < 3000; ++i)
            sums.push_back(static_cast<uint32_t>(random()) >> (random() % 32));
        sums.resize(sums.size() + n - sums.size() % n, 0);
        ASSERT_TRUE(finishes_exactly<uint8_t>(kernels(), sums, n, c, 0xFF));
        ASSERT_TRUE(finishes_exactly<uint16_t>(kernels(), sums, n, c, 0x0FFF));
    }
}

} // namespace
