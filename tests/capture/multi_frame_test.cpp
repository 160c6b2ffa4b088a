// SPDX-License-Identifier: Apache-2.0
// Averaging of streamed 8-bit frames: the arithmetic on flat frames, where
// the result lands, the camera's inversion saved and restored on every
// path, the rule of five consecutive status-16 answers, and refusals that
// change nothing.
#include <cstdint>
#include <vector>

#include "multi_fixture.h"

namespace multi_test {
namespace {

using Cmulti_frame = Cmulti_test;

TEST_F(Cmulti_frame, MeanOfMonochromeFramesTruncatesAndIsInvertedInTheLastFramesBuffer)
{
    script({10, 11, 12});
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 3);

    ASSERT_EQ(capture.process_multi_frame8(), CAPTURE_OK);

    // Sum 33, mean 11, shown inverted as 244. Frames came in buffers 0, 1, 0.
    EXPECT_EQ(capture.get_buffer_no(), 0u);
    EXPECT_EQ(capture.get_image(), device.get_buffer(0));
    EXPECT_TRUE(filled_with(*capture.get_image(), 244));
    EXPECT_TRUE(capture.image_available());
    EXPECT_FALSE(capture.deep_image_available());
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 1u) << "the stream is ended";
}

TEST_F(Cmulti_frame, MeanOfColourFramesTruncatesWithoutInversion)
{
    script({1, 2});
    auto& capture = averaging(KMXSIM_PRESET_COLOR, 1, 2);

    ASSERT_EQ(capture.process_multi_frame8(), CAPTURE_OK);

    EXPECT_EQ(capture.get_buffer_no(), 1u);
    EXPECT_EQ(capture.get_image(), device.get_buffer(1));
    EXPECT_EQ(capture.get_image()->get_size(), 1280u * 1024u * 3u);
    EXPECT_TRUE(filled_with(*capture.get_image(), 1));
}

TEST_F(Cmulti_frame, MeanOfOneFrameInvertsMonochromeAndKeepsColour)
{
    script({200});
    auto& mono = averaging(KMXSIM_PRESET_MONO, 1, 1);
    ASSERT_EQ(mono.process_multi_frame8(), CAPTURE_OK);
    EXPECT_TRUE(filled_with(*mono.get_image(), 55));
    device.close();

    auto& colour = averaging(KMXSIM_PRESET_COLOR, 1, 1);
    ASSERT_EQ(colour.process_multi_frame8(), CAPTURE_OK);
    EXPECT_TRUE(filled_with(*colour.get_image(), 200));
}

TEST_F(Cmulti_frame, SaturatedSumClampsColourAndInvertsMonochrome)
{
    struct Ccase {
        kmxsim_preset camera;
        uint32_t value;
        unsigned char expected;
    };
    const Ccase cases[] = {
        {KMXSIM_PRESET_MONO, 100, 55},     // sum 200, inverted
        {KMXSIM_PRESET_MONO, 200, 0},      // sum 400: past white, black when inverted
        {KMXSIM_PRESET_COLOR, 200, 255},   // sum 400 clamped
        {KMXSIM_PRESET_COLOR, 100, 200},
    };
    for (const auto& c : cases) {
        script({c.value});
        auto& capture = averaging(c.camera, 2, 2);
        ASSERT_EQ(capture.process_multi_frame8(), CAPTURE_OK) << c.value;
        EXPECT_TRUE(filled_with(*capture.get_image(), c.expected)) << c.value;
        device.close();
    }
}

TEST_F(Cmulti_frame, WithoutAveragingOneFrameIsTakenAsDeliveredAndInversionIsLeftAlone)
{
    script({77});
    auto& capture = averaging(KMXSIM_PRESET_MONO, 0, 0);

    ASSERT_EQ(capture.process_multi_frame8(), CAPTURE_OK);

    EXPECT_TRUE(filled_with(*capture.get_image(), 77));
    EXPECT_EQ(capture.get_buffer_no(), 0u);
    EXPECT_EQ(started_indices(), std::vector<unsigned>{0});
    for (unsigned value : param_values(KMX_PARAM_INVERT))
        EXPECT_EQ(value, 0u) << "only the camera's own value is written back";
}

TEST_F(Cmulti_frame, InversionIsRestoredAfterSuccessFailureAbortStopAndRefusedStart)
{
    enum class Cpath { success, failure, abort, stop, refused_start };
    struct Ccase {
        Cpath path;
        int expected;
    };
    const Ccase cases[] = {{Cpath::success, CAPTURE_OK},
                           {Cpath::failure, CAPTURE_ERROR_13},
                           {Cpath::abort, CAPTURE_FAILED},
                           {Cpath::stop, CAPTURE_FAILED},
                           {Cpath::refused_start, CAPTURE_FAILED}};
    for (const auto& c : cases) {
        script({50});
        auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 2, [](Csettings_probe&) {},
                                  c.path == Cpath::success ? 0 : 3);
        device.set_param(KMX_PARAM_INVERT, 1);
        kmxsim_clear_calls();
        Cthread_state requests;
        if (c.path == Cpath::failure)
            kmxsim_fail(KMXSIM_FN_CHECK_START_NEXT, KMX_FRAME_FAILED_13, 0, 0);
        if (c.path == Cpath::abort)
            requests.set_abort();
        if (c.path == Cpath::stop)
            requests.set_stop();
        if (c.path == Cpath::refused_start)
            kmxsim_fail(KMXSIM_FN_START_FRAME_INDEX, KMX_ERR_INJECTED, 1, 0);

        EXPECT_EQ(capture.process_multi_frame8(&requests), c.expected);

        EXPECT_EQ(param_values(KMX_PARAM_INVERT), (std::vector<unsigned>{0, 1}));
        EXPECT_EQ(camera_param(KMX_PARAM_INVERT), 1u);
        EXPECT_EQ(capture.image_available(), c.expected == CAPTURE_OK);
        EXPECT_FALSE(capture.deep_image_available());
        EXPECT_TRUE(requests.stop_requested() == (c.path == Cpath::stop))
            << "the stop request is left for the caller";
        kmxsim_clear_faults();
        device.close();
    }
}

TEST_F(Cmulti_frame, FiveConsecutiveStatus16AnswersEndTheOperation)
{
    script({40});
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 1);
    kmxsim_fail(KMXSIM_FN_CHECK_START_NEXT, KMX_FRAME_FAILED_16, 5, 0);

    EXPECT_EQ(capture.process_multi_frame8(), CAPTURE_ERROR_16);

    EXPECT_EQ(calls(KMXSIM_FN_CHECK_START_NEXT), 5u);
    EXPECT_GE(calls(KMXSIM_FN_ABORT_FRAME), 1u);
    EXPECT_FALSE(capture.image_available());
}

TEST_F(Cmulti_frame, FourStatus16AnswersAreRetriedAndTheFrameIsSummed)
{
    script({40});
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 1);
    kmxsim_fail(KMXSIM_FN_CHECK_START_NEXT, KMX_FRAME_FAILED_16, 4, 0);

    ASSERT_EQ(capture.process_multi_frame8(), CAPTURE_OK);

    EXPECT_TRUE(filled_with(*capture.get_image(), 255 - 40));
    // Each failure restarts the stream where it stood.
    EXPECT_EQ(started_indices(), (std::vector<unsigned>{0, 0, 0, 0, 0}));
}

TEST_F(Cmulti_frame, EscapeKeyAbandonsTheWait)
{
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 2, [](Csettings_probe&) {}, 3);
    if (!kmx_platform_set_key_down(VK_ESCAPE, true))
        GTEST_SKIP() << "the keyboard cannot be held down on this platform";

    EXPECT_EQ(capture.process_multi_frame8(), CAPTURE_FAILED);
    EXPECT_FALSE(capture.image_available());
}

TEST_F(Cmulti_frame, AveragingNoFramesIsRefusedWithoutTouchingTheCamera)
{
    for (unsigned mode : {1u, 2u}) {
        auto& capture = averaging(KMXSIM_PRESET_MONO, mode, 1);
        ASSERT_EQ(capture.get_frame(), CAPTURE_OK);
        capture.average_frames = 0;
        kmxsim_clear_calls();

        EXPECT_EQ(capture.process_multi_frame8(), CAPTURE_FAILED);

        EXPECT_EQ(kmxsim_call_count(), 0u);
        EXPECT_FALSE(capture.image_available()) << "the earlier frame is not the result";
        std::vector<unsigned char> sums(640 * 480 * 4);
        EXPECT_EQ(capture.accumulate(sums.data(), static_cast<unsigned>(sums.size())),
                  CAPTURE_FAILED);
        EXPECT_EQ(kmxsim_call_count(), 0u);
        device.close();
    }
}

TEST_F(Cmulti_frame, SumsThatWouldWrapThirtyTwoBitsFailForWantOfMemory)
{
    auto& capture = averaging(KMXSIM_PRESET_COLOR, 1, 2);
    ASSERT_EQ(capture.get_frame(), CAPTURE_OK);
    // 3 x 4 bytes x 65536 x 32768 = 2^39 bytes: wraps to 0 in 32 bits.
    capture.width = 65536;
    capture.height = 32768;
    capture.restart_needed = 0;  // as a running stream leaves it
    kmxsim_clear_calls();

    EXPECT_EQ(capture.process_multi_frame8(), CAPTURE_NO_MEMORY);

    EXPECT_EQ(kmxsim_call_count(), 0u);
    EXPECT_FALSE(capture.image_available()) << "the earlier frame is not the result";
    EXPECT_EQ(capture.restart_needed, 1u);
}

TEST_F(Cmulti_frame, AccumulateRefusesSumsTooSmallForTheImage)
{
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 1);
    std::vector<unsigned char> sums(640 * 480 * 4 - 4, 0xAB);

    EXPECT_EQ(capture.accumulate(sums.data(), static_cast<unsigned>(sums.size())),
              CAPTURE_FAILED);
    EXPECT_EQ(capture.accumulate(nullptr, 0), CAPTURE_FAILED);
    EXPECT_EQ(kmxsim_call_count(), 0u);
    EXPECT_EQ(sums.front(), 0xAB) << "nothing is touched";
}

// A caller's sum buffer is left with the exact sums, with the pixels as
// captured in a mode that neither divides nor clamps, and however the
// summing ends.
TEST_F(Cmulti_frame, SumsLeftInTheCallersBufferHoldEveryFrameAddedEvenAfterAFailure)
{
    script({10, 200, 255});
    auto& capture = averaging(KMXSIM_PRESET_MONO, 3, 4);
    std::vector<uint32_t> sums(640 * 480, 0xDEAD);
    auto* bytes = reinterpret_cast<unsigned char*>(sums.data());
    const auto size = static_cast<unsigned>(sums.size() * sizeof(uint32_t));

    ASSERT_EQ(device.start_frame_index(0), 0);
    ASSERT_EQ(capture.accumulate(bytes, size), CAPTURE_OK);
    EXPECT_EQ(sums, std::vector<uint32_t>(sums.size(), 10 + 200 + 255 + 10));
    EXPECT_TRUE(filled_with(*capture.get_image(), 10)) << "the last frame, as captured";
    device.abort_frame();

    // The third frame of the next run fails: two frames are in the sums.
    ASSERT_EQ(device.start_frame_index(0), 0);
    kmxsim_fail(KMXSIM_FN_CHECK_START_NEXT, KMX_ERR_STATE, 1, 2);
    EXPECT_EQ(capture.accumulate(bytes, size), CAPTURE_FAILED);
    EXPECT_EQ(sums, std::vector<uint32_t>(sums.size(), 200 + 255));
}

TEST_F(Cmulti_frame, CaptureWithoutDeviceRefuses)
{
    Cmulti_probe unbound;
    std::vector<unsigned char> sums(16);
    EXPECT_EQ(unbound.process_multi_frame8(), CAPTURE_FAILED);
    EXPECT_EQ(unbound.get_multi_frame(), CAPTURE_FAILED);
    EXPECT_EQ(unbound.accumulate(sums.data(), 16), CAPTURE_FAILED);
}

} // namespace
} // namespace multi_test
