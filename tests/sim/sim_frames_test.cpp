// SPDX-License-Identifier: Apache-2.0
// Frames of the simulated camera: streaming order, sequence numbers,
// noise, formats, buffer sizes, the virtual clock, faults and events.
#include <cmath>
#include <cstring>
#include <vector>

#include "kmx_test_support.h"

namespace {

// An open camera with two (or more) assigned records on the virtual clock.
class Cframes : public kmx_test::Csim_test {
protected:
    void open(unsigned id, unsigned records = 2)
    {
        ASSERT_EQ(kmx_open_interface(&instance), 0);
        ASSERT_EQ(kmx_open(instance, id, 0, &camera), 0);
        kmxsim_use_virtual_clock(1, 0);
        buffers.assign(records, std::vector<unsigned char>(buffer_bytes));
        frames.assign(records, kmx_frame_t{});
        for (unsigned i = 0; i < records; ++i) {
            frames[i].buffer = buffers[i].data();
            frames[i].buffer_size = buffer_bytes;
        }
        ASSERT_EQ(kmx_assign_buffers(camera, frames.data(), records), 0);
    }
    // Starts a single frame into record i and polls it to the end.
    int single(unsigned i = 0)
    {
        int status = kmx_start_frame_index(camera, i);
        if (status != 0)
            return status;
        while ((status = kmx_check_for_complete(camera)) == KMX_FRAME_BUSY) {
        }
        return status;
    }
    unsigned sample16(unsigned record, size_t i) const
    {
        return buffers[record][2 * i] | (buffers[record][2 * i + 1] << 8);
    }

    static constexpr uint32_t buffer_bytes = 1280 * 1024 * 6;
    kmx_instance_t* instance = nullptr;
    kmx_camera_t* camera = nullptr;
    std::vector<std::vector<unsigned char>> buffers;
    std::vector<kmx_frame_t> frames;
};

TEST_F(Cframes, StreamOfHundredFramesAlternatesRecordsWithNoFrameLostOrRepeated)
{
    open(1);
    ASSERT_EQ(kmx_start_frame_index(camera, 0), 0);
    for (uint32_t n = 1; n <= 100; ++n) {
        const int status = kmx_check_start_next(camera, n == 100 ? 0 : 1);
        ASSERT_EQ(status, 0) << n;
        const unsigned record = (n - 1) % 2;
        EXPECT_EQ(kmxsim_frame_sequence(&frames[record]), n);
    }
    EXPECT_EQ(kmxsim_frames_delivered(camera), 100u);
    // Flag 0 ended the stream: nothing is in progress.
    EXPECT_EQ(kmx_check_start_next(camera, 1), KMX_ERR_STATE);
}

TEST_F(Cframes, StreamStartedBeyondTheSecondRecordWrapsToTheFirst)
{
    open(1, 4);
    ASSERT_EQ(kmx_start_frame_index(camera, 3), 0);
    const unsigned expected[] = {3, 0, 1, 0, 1};
    for (unsigned n = 0; n < 5; ++n) {
        ASSERT_EQ(kmx_check_start_next(camera, 1), 0);
        EXPECT_EQ(kmxsim_frame_sequence(&frames[expected[n]]), n + 1) << n;
    }
}

TEST_F(Cframes, VirtualClockCompletesAfterPollsOrAdvancedTime)
{
    open(1);
    kmxsim_use_virtual_clock(1, 3);
    ASSERT_EQ(kmx_start_frame_index(camera, 0), 0);
    EXPECT_EQ(kmx_check_for_complete(camera), KMX_FRAME_BUSY);
    EXPECT_EQ(kmx_check_for_complete(camera), KMX_FRAME_BUSY);
    EXPECT_EQ(kmx_check_for_complete(camera), KMX_FRAME_BUSY);
    EXPECT_EQ(kmx_check_for_complete(camera), 0);

    kmxsim_use_virtual_clock(1, 1000000);
    ASSERT_EQ(kmx_start_frame_index(camera, 1), 0);
    EXPECT_EQ(kmx_check_for_complete(camera), KMX_FRAME_BUSY);
    // Default exposure 1000 us and rate 1 (33 ms).
    kmxsim_advance_us(33999);
    EXPECT_EQ(kmx_check_for_complete(camera), KMX_FRAME_BUSY);
    kmxsim_advance_us(1);
    EXPECT_EQ(kmx_check_for_complete(camera), 0);
    EXPECT_EQ(kmxsim_frame_sequence(&frames[1]), 2u);
    EXPECT_EQ(kmx_check_for_complete(camera), KMX_ERR_STATE);
}

TEST_F(Cframes, AbortLosesTheFrameInProgress)
{
    open(1);
    kmxsim_use_virtual_clock(1, 5);
    ASSERT_EQ(kmx_start_frame_index(camera, 0), 0);
    EXPECT_EQ(kmx_abort_frame(camera), 0);
    EXPECT_EQ(kmx_check_for_complete(camera), KMX_ERR_STATE);
    EXPECT_EQ(kmxsim_frame_sequence(&frames[0]), 0u);
    unsigned aborted = 0;
    ASSERT_EQ(kmx_get_stat(camera, 3, &aborted), 0);
    EXPECT_EQ(aborted, 1u);
}

TEST_F(Cframes, BufferTooSmallFailsAndWritesNothing)
{
    open(1);
    frames[0].buffer_size = 640 * 480 - 1;
    std::memset(buffers[0].data(), 0xAB, buffers[0].size());
    EXPECT_EQ(kmx_start_frame_index(camera, 0), KMX_ERR_BUFFER_TOO_SMALL);

    // Shrunk after the start: the completion check fails instead.
    frames[0].buffer_size = buffer_bytes;
    ASSERT_EQ(kmx_start_frame_index(camera, 0), 0);
    frames[0].buffer_size = 100;
    EXPECT_NE(kmx_check_for_complete(camera), 0);
    for (unsigned char b : buffers[0])
        ASSERT_EQ(b, 0xAB);
    EXPECT_EQ(kmxsim_frame_sequence(&frames[0]), 0u);
}

TEST_F(Cframes, TestModeDeliversThePatternInEveryDepthAndInvertsIt)
{
    open(1);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_TEST_MODE, 1), 0);
    ASSERT_EQ(single(), 0);
    for (unsigned y = 0; y < 480; y += 37)
        for (unsigned x = 0; x < 640; x += 13)
            ASSERT_EQ(buffers[0][y * 640 + x], kmxsim_test_pattern_value(0, x, y, 0, 8));

    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_FORMAT, 10), 0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_INVERT, 1), 0);
    ASSERT_EQ(single(), 0);
    for (unsigned y = 0; y < 480; y += 37)
        for (unsigned x = 0; x < 640; x += 13)
            ASSERT_EQ(sample16(0, y * 640 + x), 4095 - kmxsim_test_pattern_value(0, x, y, 0, 12));
}

TEST_F(Cframes, ReadoutFollowsPreviewAndBinning)
{
    open(1);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_BIN, 1), 0);
    ASSERT_EQ(single(), 0);
    EXPECT_EQ(frames[0].reserved[2], 320u);
    EXPECT_EQ(frames[0].reserved[3], 240u);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_PREVIEW, 1), 0);
    ASSERT_EQ(single(), 0);
    EXPECT_EQ(frames[0].reserved[2], 160u);
    EXPECT_EQ(frames[0].reserved[3], 120u);
}

TEST_F(Cframes, RawColourIsABayerMosaicOfTwelveBitWords)
{
    open(2);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_FORMAT, KMX_FORMAT_RAW), 0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_TEST_MODE, 1), 0);
    ASSERT_EQ(single(), 0);
    const unsigned w = 1280;
    EXPECT_EQ(sample16(0, 0), kmxsim_test_pattern_value(1, 0, 0, 0, 12));        // red
    EXPECT_EQ(sample16(0, 1), kmxsim_test_pattern_value(1, 1, 0, 1, 12));        // green
    EXPECT_EQ(sample16(0, w + 1), kmxsim_test_pattern_value(1, 1, 1, 2, 12));    // blue

    // The scene in raw: every word within 12 bits.
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_TEST_MODE, 0), 0);
    ASSERT_EQ(single(), 0);
    unsigned highest = 0;
    for (size_t i = 0; i < size_t{1280} * 1024; i += 7)
        highest = std::max(highest, sample16(0, i));
    EXPECT_LE(highest, 4095u);
    EXPECT_GT(highest, 255u);
}

TEST_F(Cframes, ScriptedFlatFramesFollowTheScriptAndInversion)
{
    open(1);
    const uint32_t values[] = {10, 200};
    kmxsim_script_flat_frames(values, 2);
    ASSERT_EQ(single(0), 0);
    EXPECT_EQ(buffers[0][1234], 10);
    ASSERT_EQ(single(0), 0);
    EXPECT_EQ(buffers[0][4321], 200);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_INVERT, 1), 0);
    ASSERT_EQ(single(0), 0);
    EXPECT_EQ(buffers[0][99], 255 - 10);
}

TEST_F(Cframes, LookUpTableShapesEightBitOutputAndOnlyTakes256Bytes)
{
    open(1);
    std::vector<unsigned char> table(257, 0);
    for (unsigned i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(255 - i);
    EXPECT_NE(kmx_load_lut(camera, table.data(), 255), 0);
    EXPECT_NE(kmx_load_lut(camera, table.data(), 257), 0);
    ASSERT_EQ(kmx_load_lut(camera, table.data(), 256), 0);
    std::vector<unsigned char> back(256, 0);
    EXPECT_NE(kmx_get_lut(camera, back.data(), 100), 0);
    ASSERT_EQ(kmx_get_lut(camera, back.data(), 256), 0);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), table.begin()));
    const uint32_t flat = 40;
    kmxsim_script_flat_frames(&flat, 1);
    ASSERT_EQ(single(), 0);
    EXPECT_EQ(buffers[0][0], 255 - 40);
}

// Noise of one pixel position over frames, measured on the flat grey
// patch of the chart (top left), in 12-bit output.
TEST_F(Cframes, AveragingSixteenFramesCutsNoiseByAboutFour)
{
    open(1);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_FORMAT, 10), 0);
    const unsigned w = 640;
    const unsigned patch = 100; // inside the flat quarter-width patch
    std::vector<double> single_frame(patch * patch), average(patch * patch, 0.0);
    for (int n = 0; n < 16; ++n) {
        ASSERT_EQ(single(), 0);
        for (unsigned y = 0; y < patch; ++y)
            for (unsigned x = 0; x < patch; ++x) {
                const double v = sample16(0, (y + 10) * w + x + 10);
                average[y * patch + x] += v / 16.0;
                if (n == 0)
                    single_frame[y * patch + x] = v;
            }
    }
    auto deviation = [](const std::vector<double>& v) {
        double mean = 0, square = 0;
        for (double x : v)
            mean += x;
        mean /= v.size();
        for (double x : v)
            square += (x - mean) * (x - mean);
        return std::sqrt(square / v.size());
    };
    const double noisy = deviation(single_frame);
    const double averaged = deviation(average);
    EXPECT_GT(noisy, 10.0);
    EXPECT_GE(noisy / averaged, 3.0);
    EXPECT_LE(noisy / averaged, 5.0);
}

TEST_F(Cframes, BrightnessFollowsExposureGainAndBlackLevel)
{
    open(1);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_FORMAT, 10), 0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_BL, 0), 0);
    auto patch_mean = [&] {
        EXPECT_EQ(single(), 0);
        double sum = 0;
        for (unsigned y = 10; y < 60; ++y)
            for (unsigned x = 10; x < 60; ++x)
                sum += sample16(0, y * 640 + x);
        return sum / 2500.0;
    };
    const double base = patch_mean();
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_EXPOSURE, 500), 0);
    EXPECT_NEAR(patch_mean(), base / 2, base * 0.03);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_GAIN, 281 + 256), 0);
    EXPECT_NEAR(patch_mean(), base, base * 0.03);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_BL, 100), 0);
    EXPECT_NEAR(patch_mean(), base + 400, base * 0.03);
}

TEST_F(Cframes, CompletionFaultsAnswerOnceOrFromTheNthPollAndLoseTheFrame)
{
    open(1);
    kmxsim_use_virtual_clock(1, 2);
    kmxsim_fail(KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_FRAME_FAILED_13, 1, 1);
    ASSERT_EQ(kmx_start_frame_index(camera, 0), 0);
    EXPECT_EQ(kmx_check_for_complete(camera), KMX_FRAME_BUSY);
    EXPECT_EQ(kmx_check_for_complete(camera), KMX_FRAME_FAILED_13);
    EXPECT_EQ(kmx_check_for_complete(camera), KMX_ERR_STATE); // frame lost
    unsigned failed = 0;
    kmx_get_stat(camera, 2, &failed);
    EXPECT_EQ(failed, 1u);

    kmxsim_fail(KMXSIM_FN_CHECK_START_NEXT, KMX_FRAME_FAILED_16, 0, 3);
    kmxsim_use_virtual_clock(1, 0);
    ASSERT_EQ(kmx_start_frame_index(camera, 0), 0);
    EXPECT_EQ(kmx_check_start_next(camera, 1), 0);
    EXPECT_EQ(kmx_check_start_next(camera, 1), 0);
    EXPECT_EQ(kmx_check_start_next(camera, 1), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(kmx_check_start_next(camera, 1), KMX_FRAME_FAILED_16);
    kmxsim_clear_faults();
    ASSERT_EQ(kmx_start_frame_index(camera, 1), 0);
    EXPECT_EQ(kmx_check_start_next(camera, 1), 0);
    EXPECT_EQ(kmxsim_frame_sequence(&frames[1]), 4u);

    kmxsim_fail(KMXSIM_FN_START_FRAME_INDEX, 12, 1, 0);
    EXPECT_EQ(kmx_start_frame_index(camera, 0), 12);
}

// The camera keeps what it can of a frame's work between frames; a
// setting changed between two frames must still show in the second.
TEST_F(Cframes, SettingsChangedBetweenFramesShowInTheNextFrame)
{
    open(1);
    auto frame_mean = [&](unsigned bytes_per_sample) {
        EXPECT_EQ(single(), 0);
        const size_t samples = size_t{640} * 480;
        double sum = 0;
        for (size_t i = 0; i < samples; ++i)
            sum += bytes_per_sample == 2 ? sample16(0, i) : buffers[0][i];
        return sum / samples;
    };
    const double plain = frame_mean(1);
    std::vector<unsigned char> table(256);
    for (unsigned i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(255 - i);
    ASSERT_EQ(kmx_load_lut(camera, table.data(), 256), 0);
    EXPECT_NEAR(frame_mean(1), 255.0 - plain, 0.5);
    for (unsigned i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(i);
    ASSERT_EQ(kmx_load_lut(camera, table.data(), 256), 0);
    EXPECT_NEAR(frame_mean(1), plain, 0.5);

    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_FORMAT, 10), 0);
    const double deep = frame_mean(2);
    EXPECT_NEAR(deep / 16.0, plain, 1.0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_INVERT, 1), 0);
    EXPECT_NEAR(frame_mean(2), 4095.0 - deep, 8.0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_INVERT, 0), 0);
    // Half the light; the brightest parts of the chart were clipped, so
    // the mean falls by less than half.
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_EXPOSURE, 500), 0);
    EXPECT_LT(frame_mean(2), deep * 0.75);
}

TEST_F(Cframes, FourthByteOfThirtyTwoBitPixelsStaysZeroEvenInverted)
{
    open(2);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_FORMAT, 7), 0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_INVERT, 1), 0);
    ASSERT_EQ(single(), 0);
    const size_t pixels = size_t{1280} * 1024;
    unsigned brightest = 0;
    for (size_t i = 0; i < pixels; ++i) {
        ASSERT_EQ(buffers[0][4 * i + 3], 0) << i;
        brightest = std::max<unsigned>(brightest, buffers[0][4 * i]);
    }
    EXPECT_GT(brightest, 128u);
}

TEST_F(Cframes, PrerenderedFramesRepeatTheFirstFramesAndFollowSettings)
{
    open(1);
    const size_t bytes = 640 * 480;
    auto delivered = [&] {
        return std::vector<unsigned char>(buffers[0].begin(), buffers[0].begin() + bytes);
    };
    std::vector<std::vector<unsigned char>> live;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(single(), 0);
        live.push_back(delivered());
    }
    ASSERT_NE(live[0], live[1]) << "the noise differs from frame to frame";

    // Frames 4, 5 and 6 show what frames 1 (number 1 % 2), 0 and 1 showed.
    kmxsim_prerender_frames(2);
    for (unsigned shown : {1u, 0u, 1u}) {
        ASSERT_EQ(single(), 0);
        EXPECT_EQ(delivered(), live[shown]) << shown;
    }
    EXPECT_EQ(kmxsim_frame_sequence(&frames[0]), 6u);

    // A changed setting shows in the next frame: frame 7, inverted frame 0.
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_INVERT, 1), 0);
    ASSERT_EQ(single(), 0);
    auto inverted = live[0];
    for (auto& v : inverted)
        v = static_cast<unsigned char>(255 - v);
    EXPECT_EQ(delivered(), inverted);

    // Back to rendering every frame: frame 8 is not frame 1 again.
    kmxsim_prerender_frames(0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_INVERT, 0), 0);
    ASSERT_EQ(single(), 0);
    EXPECT_NE(delivered(), live[1]);
}

void count_event(void* context, uint32_t)
{
    ++*static_cast<int*>(context);
}

TEST_F(Cframes, FrameCompleteEventFiresUntilRemoved)
{
    open(1);
    int events = 0;
    ASSERT_EQ(kmx_register_event_callback(camera, KMX_EVENT_FRAME_COMPLETE, count_event,
                                          reinterpret_cast<uintptr_t>(&events), 0),
              0);
    ASSERT_EQ(single(), 0);
    ASSERT_EQ(single(), 0);
    EXPECT_EQ(events, 2);
    ASSERT_EQ(kmx_remove_event_callback(camera, KMX_EVENT_FRAME_COMPLETE), 0);
    ASSERT_EQ(single(), 0);
    EXPECT_EQ(events, 2);
}

TEST_F(Cframes, RealClockFrameTakesExposureAndFramePeriod)
{
    open(1);
    kmxsim_use_virtual_clock(0, 0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_RATE, 4), 0);
    const uint64_t start = kmxsim_now_us();
    ASSERT_EQ(kmx_start_frame_index(camera, 0), 0);
    int status;
    while ((status = kmx_check_for_complete(camera)) == KMX_FRAME_BUSY) {
    }
    EXPECT_EQ(status, 0);
    EXPECT_GE(kmxsim_now_us() - start, 17000u);
}

} // namespace
