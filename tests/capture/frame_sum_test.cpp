// The frame-sum kernels on small hand-made frames: strides, remainders of
// the block loops, the exact division, clamping and inversion.
#include <gtest/gtest.h>

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

} // namespace
