// SPDX-License-Identifier: Apache-2.0
// The frame-sum kernels on small hand-made frames: strides, remainders of
// the block loops, the exact division, clamping and inversion; and the
// finished mean against the built-in division for every sum a frame count
// can produce, on the float path and the integer path alike.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <random>
#include <vector>

// The kernels are internal to the library (not exported), so the test
// compiles its own copy of them.
#include "capture/frame_sum.cpp"

namespace {

using namespace kmx_frame_sum;

// A frame of `rows` rows of `stride` elements, every element `fill`.
template <typename T>
std::vector<T> flat_frame(size_t rows, size_t stride, T fill)
{
    return std::vector<T>(rows * stride, fill);
}

TEST(FrameSum, AddsEveryComponentAndSkipsTheRowPadding)
{
    // 37 components per row: two full blocks and a remainder of 5; the
    // stride leaves 3 padding bytes that must not be summed.
    const size_t n = 37, rows = 3, stride = 40;
    std::vector<uint8_t> frame(rows * stride, 0xEE);
    for (size_t r = 0; r < rows; ++r)
        for (size_t k = 0; k < n; ++k)
            frame[r * stride + k] = static_cast<uint8_t>(r * 50 + k);
    std::vector<uint32_t> sums(rows * n, 1000);

    add_frame8(sums.data(), frame.data(), n, rows, stride);
    add_frame8(sums.data(), frame.data(), n, rows, stride);

    for (size_t r = 0; r < rows; ++r)
        for (size_t k = 0; k < n; ++k)
            ASSERT_EQ(sums[r * n + k], 1000 + 2 * (r * 50 + k)) << r << "," << k;
}

TEST(FrameSum, AddsSixteenBitComponentsWithoutLosingHighBits)
{
    const size_t n = 19, rows = 2, stride = 21;
    auto frame = flat_frame<uint16_t>(rows, stride, 0xFFFF);
    std::vector<uint32_t> sums(rows * n, 0);

    for (int i = 0; i < 3; ++i)
        add_frame16(sums.data(), frame.data(), n, rows, stride);

    for (uint32_t s : sums)
        ASSERT_EQ(s, 3u * 0xFFFF);
}

TEST(FrameSum, DivisionMatchesTheBuiltInForEveryKindOfDivisor)
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

TEST(FrameSum, MeanTruncatesAndInversionComplementsTheByte)
{
    // Sums of three frames 10, 11 and 12 (33), and of a value that does
    // not divide evenly (35 / 3 = 11).
    const size_t n = 20, rows = 2, stride = 24;
    std::vector<uint32_t> sums(rows * n, 33);
    sums[3] = 35;
    auto frame = flat_frame<uint8_t>(rows, stride, 7);

    Cfinish mean;
    mean.frames = 3;
    finish_frame8(sums.data(), frame.data(), n, rows, stride, mean);
    EXPECT_EQ(frame[0], 11);
    EXPECT_EQ(frame[3], 11);
    EXPECT_EQ(frame[stride + n - 1], 11);
    EXPECT_EQ(frame[n], 7) << "padding after a row is left alone";

    mean.flip = 255;
    finish_frame8(sums.data(), frame.data(), n, rows, stride, mean);
    EXPECT_EQ(frame[0], 244);
    EXPECT_EQ(frame[stride + n - 1], 244);
}

TEST(FrameSum, MeanOfOneFrameIsTheFrameItself)
{
    const size_t n = 17, rows = 1;
    std::vector<uint32_t> sums(n);
    for (size_t k = 0; k < n; ++k)
        sums[k] = static_cast<uint32_t>(k * 15);
    std::vector<uint8_t> frame(n);

    Cfinish mean;
    mean.frames = 1;
    mean.flip = 255;
    finish_frame8(sums.data(), frame.data(), n, rows, n, mean);

    for (size_t k = 0; k < n; ++k)
        ASSERT_EQ(frame[k], 255 - k * 15);
}

TEST(FrameSum, SaturatedSumClampsAndInvertsAgainstTheLimit)
{
    const size_t n = 3;
    const std::vector<uint32_t> sums = {200, 255, 400};
    std::vector<uint8_t> frame(n);

    Cfinish sum;
    sum.mean = false;
    finish_frame8(sums.data(), frame.data(), n, 1, n, sum);
    EXPECT_EQ(frame, (std::vector<uint8_t>{200, 255, 255}));

    sum.flip = 255;
    finish_frame8(sums.data(), frame.data(), n, 1, n, sum);
    EXPECT_EQ(frame, (std::vector<uint8_t>{55, 0, 0}));
}

TEST(FrameSum, DeepResultsUseTheMaskAsLimitAndInversion)
{
    const size_t n = 4;
    const std::vector<uint32_t> sums = {2001, 5000, 100, 0};
    std::vector<uint16_t> frame(n);

    Cfinish mean;
    mean.frames = 2;
    mean.limit = 4095;
    mean.flip = 4095;
    finish_frame16(sums.data(), frame.data(), n, 1, n, mean);
    EXPECT_EQ(frame, (std::vector<uint16_t>{3095, 2500 ^ 4095, 50 ^ 4095, 4095}));

    Cfinish sum;
    sum.mean = false;
    sum.limit = 4095;
    finish_frame16(sums.data(), frame.data(), n, 1, n, sum);
    EXPECT_EQ(frame, (std::vector<uint16_t>{2001, 4095, 100, 0}));
    sum.flip = 4095;
    finish_frame16(sums.data(), frame.data(), n, 1, n, sum);
    EXPECT_EQ(frame, (std::vector<uint16_t>{2001 ^ 4095, 0, 3995, 4095}));
}

TEST(FrameSum, DeepMeanKeepsSixteenBitsOfTheQuotient)
{
    // Components above the mask (a 16-bit caller depth) keep their high
    // bits; the flip touches only the mask's bits.
    const std::vector<uint32_t> sums = {2u * 0xF000};
    std::vector<uint16_t> frame(1);
    Cfinish mean;
    mean.frames = 2;
    mean.limit = 1023;
    mean.flip = 1023;
    finish_frame16(sums.data(), frame.data(), 1, 1, 1, mean);
    EXPECT_EQ(frame[0], 0xF000 ^ 1023);
}

TEST(FrameSum, EmptyFramesTouchNothing)
{
    std::vector<uint32_t> sums(4, 9);
    std::vector<uint8_t> frame(4, 3);
    add_frame8(sums.data(), frame.data(), 0, 1, 4);
    add_frame8(sums.data(), frame.data(), 4, 0, 4);
    finish_frame8(sums.data(), frame.data(), 0, 1, 4, Cfinish());
    EXPECT_EQ(sums, std::vector<uint32_t>(4, 9));
    EXPECT_EQ(frame, std::vector<uint8_t>(4, 3));
}

// Runs the sums through finish_frame8/16 in rows of `n` with two padding
// elements, and compares every result with the built-in division; the
// padding must keep its fill.
template <typename T>
::testing::AssertionResult finishes_exactly(const std::vector<uint32_t>& sums, size_t n,
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
        finish_frame8(sums.data(), frame.data(), n, rows, stride, how);
    else
        finish_frame16(sums.data(), frame.data(), n, rows, stride, how);
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
// bound (counting down from 2^32 - 1), so every block must take the
// integer path; without, each block of small sums takes the float path.
template <typename T>
::testing::AssertionResult finishes_every_sum(uint32_t frames, uint32_t top, uint32_t flip,
                                              bool integer_blocks)
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
        auto result = finishes_exactly<T>(sums, n, frames, flip);
        if (!result)
            return result;
    }
    return ::testing::AssertionSuccess();
}

const uint32_t frame_counts[] = {1, 2, 3, 7, 16, 255, 1000, 65792};

TEST(FrameSum, MeanIsExactForEverySumOfEightBitFrames)
{
    for (uint32_t c : frame_counts) {
        SCOPED_TRACE(c);
        ASSERT_TRUE(finishes_every_sum<uint8_t>(c, 255 * c, 0xFF, false));
        ASSERT_TRUE(finishes_every_sum<uint8_t>(c, 255 * c, 0, true));
    }
}

TEST(FrameSum, DeepMeanIsExactForEverySumUnderTheMask)
{
    const uint32_t masks[] = {1023, 4095, 65535};
    for (uint32_t mask : masks)
        for (uint32_t c : frame_counts) {
            // Keeps the run short: the largest deep sums cover the float
            // bound and well beyond it.
            if (uint64_t{mask} * c > (uint64_t{1} << 25))
                continue;
            SCOPED_TRACE(::testing::Message() << mask << " x " << c);
            ASSERT_TRUE(finishes_every_sum<uint16_t>(c, mask * c, mask, false));
            ASSERT_TRUE(finishes_every_sum<uint16_t>(c, mask * c, 0, true));
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

TEST(FrameSum, MeanIsExactUnderEveryRoundingDirection)
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
            ASSERT_TRUE(finishes_every_sum<uint8_t>(c, 255 * c, 0xFF, false));
            ASSERT_TRUE(finishes_every_sum<uint16_t>(c, 4095 * c, 4095, false));
        }
    }
}

TEST(FrameSum, ReciprocalIsRoundedUpByLessThanOneUnitInTheLastPlace)
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

TEST(FrameSum, MeanIsExactAroundTheFloatBoundAndForAnySum)
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
        ASSERT_TRUE(finishes_exactly<uint8_t>(sums, n, c, 0xFF));
        ASSERT_TRUE(finishes_exactly<uint16_t>(sums, n, c, 0x0FFF));
    }
}

} // namespace
