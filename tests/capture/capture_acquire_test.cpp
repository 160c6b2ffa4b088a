// SPDX-License-Identifier: Apache-2.0
// Single-frame acquisition and continuous streaming, driven by the
// simulated camera's virtual clock and scripted statuses.
#include "capture_fixture.h"

namespace capture_test {
namespace {

using Single8Test = Ccapture_test;

TEST_F(Single8Test, FirstPollCompleteDeliversBufferZeroWithoutLookingAtRequests)
{
    Ccapture_probe& cap = bound();
    script_flat(77);
    state.set_abort();
    kmx_platform_set_key_down(VK_ESCAPE, true); // where the platform allows it
    EXPECT_EQ(cap.get_frame(&state), CAPTURE_OK);
    EXPECT_TRUE(cap.image_available());
    EXPECT_EQ(cap.get_image(), device.get_buffer(0));
    EXPECT_TRUE(filled_with(*cap.get_image(), 77));
    EXPECT_EQ(cap.get_frame_count(), 1u);
    EXPECT_TRUE(state.abort_requested());
    EXPECT_EQ(calls(KMXSIM_FN_CHECK_FOR_COMPLETE), 1u);
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 0u);
    EXPECT_EQ(cap.restart_needed, 1u);
    EXPECT_EQ(cap.continuous, 0u);
}

TEST_F(Single8Test, AbortIsSeenOnlyWhileTheFrameIsInProgress)
{
    Ccapture_probe& cap = bound(KMXSIM_PRESET_MONO, 3);
    state.set_abort();
    EXPECT_EQ(cap.get_frame8(&state), CAPTURE_FAILED);
    EXPECT_EQ(calls(KMXSIM_FN_CHECK_FOR_COMPLETE), 1u);
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 1u);
    EXPECT_FALSE(cap.image_available());
    EXPECT_EQ(cap.get_frame_count(), 0u);
    EXPECT_TRUE(state.abort_requested()); // the library never clears it
}

TEST_F(Single8Test, BusyPollsAreWaitedOutWithoutRequests)
{
    Ccapture_probe& cap = bound(KMXSIM_PRESET_MONO, 4);
    EXPECT_EQ(cap.get_frame8(&state), CAPTURE_OK);
    EXPECT_EQ(calls(KMXSIM_FN_CHECK_FOR_COMPLETE), 5u);
    EXPECT_EQ(cap.get_frame8(), CAPTURE_OK);
    EXPECT_EQ(cap.get_frame_count(), 2u);
}

TEST_F(Single8Test, StatusIsJudgedBeforeTheAbortFlag)
{
    Ccapture_probe& cap = bound(KMXSIM_PRESET_MONO, 3);
    kmxsim_fail(KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_FRAME_FAILED_13, 1, 0);
    state.set_abort();
    EXPECT_EQ(cap.get_frame8(&state), CAPTURE_ERROR_13);
}

TEST_F(Single8Test, FailureStatusesMapAndAbortTheFrameUncounted)
{
    const std::pair<int, int> rows[] = {{KMX_FRAME_FAILED_13, CAPTURE_ERROR_13},
                                        {KMX_FRAME_FAILED_16, CAPTURE_ERROR_16},
                                        {KMX_ERR_STATE, CAPTURE_FAILED}};
    Ccapture_probe& cap = bound();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        kmxsim_clear_calls();
        kmxsim_fail(KMXSIM_FN_CHECK_FOR_COMPLETE, row.first, 1, 0);
        EXPECT_EQ(cap.get_frame8(&state), row.second);
        EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 1u);
        EXPECT_EQ(cap.get_frame_count(), 0u);
        EXPECT_FALSE(cap.image_available());
        EXPECT_EQ(cap.restart_needed, 1u);
    }
}

TEST_F(Single8Test, RefusedStartFailsWithoutPollOrStopTest)
{
    Ccapture_probe& cap = bound();
    kmxsim_fail(KMXSIM_FN_START_FRAME_INDEX, KMX_ERR_INJECTED, 1, 0);
    state.set_stop();
    EXPECT_EQ(cap.get_frame8(&state), CAPTURE_FAILED);
    EXPECT_TRUE(state.stop_requested());
    EXPECT_EQ(calls(KMXSIM_FN_CHECK_FOR_COMPLETE), 0u);
    EXPECT_EQ(cap.get_frame_count(), 0u);
    EXPECT_EQ(cap.restart_needed, 1u);
}

TEST_F(Single8Test, StopFlagIsClearedAfterSingleFrame)
{
    Ccapture_probe& cap = bound();
    state.set_stop();
    EXPECT_EQ(cap.get_frame8(&state), CAPTURE_STOPPED);
    EXPECT_FALSE(state.stop_requested());
    EXPECT_TRUE(cap.image_available());
    EXPECT_EQ(cap.get_frame_count(), 1u);
}

TEST_F(Single8Test, StopTurnsAFailedFrameIntoStoppedAndCountsIt)
{
    Ccapture_probe& cap = bound();
    kmxsim_fail(KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_FRAME_FAILED_16, 1, 0);
    state.set_stop();
    EXPECT_EQ(cap.get_frame8(&state), CAPTURE_STOPPED);
    EXPECT_FALSE(state.stop_requested());
    EXPECT_FALSE(cap.image_available());
    EXPECT_EQ(cap.get_frame_count(), 1u);
}

TEST_F(Single8Test, EscapeKeyAbortsABusyFrame)
{
    Ccapture_probe& cap = bound(KMXSIM_PRESET_MONO, 3);
    if (!kmx_platform_set_key_down(VK_ESCAPE, true))
        GTEST_SKIP() << "the keyboard cannot be held down on this platform";
    EXPECT_EQ(cap.get_frame8(), CAPTURE_FAILED);
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 1u);
    kmx_platform_set_key_down(VK_ESCAPE, false);
    EXPECT_EQ(cap.get_frame8(), CAPTURE_OK);
}

TEST_F(Single8Test, CallerImageReceivesTheFrameAndCaptureStateStays)
{
    Ccapture_probe& cap = bound();
    script_flat(91);
    Cfw_image image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 640, 480), 1);
    EXPECT_EQ(cap.get_frame8(&image, &state), CAPTURE_OK);
    EXPECT_TRUE(filled_with(image, 91));
    EXPECT_EQ(cap.get_image(), nullptr);
    EXPECT_FALSE(cap.image_available());
    EXPECT_EQ(cap.get_frame_count(), 1u);
    EXPECT_EQ(calls(KMXSIM_FN_START_FRAME), 1u);
}

TEST_F(Single8Test, NullOrTooSmallCallerImageFails)
{
    Ccapture_probe& cap = bound();
    EXPECT_EQ(cap.get_frame8(static_cast<Cfw_image*>(nullptr), &state), CAPTURE_FAILED);
    EXPECT_EQ(calls(KMXSIM_FN_START_FRAME), 0u);
    Cfw_image small;
    ASSERT_EQ(small.create_image(KMX_FORMAT_MONO8, 10, 10), 1);
    EXPECT_EQ(cap.get_frame8(&small, &state), CAPTURE_FAILED);
    EXPECT_EQ(calls(KMXSIM_FN_CHECK_FOR_COMPLETE), 0u);
}

using RetryTest = Ccapture_test;

TEST_F(RetryTest, RetriesCountedToNoRetriesPlusOneAttempts)
{
    Ccapture_probe& cap = bound();
    kmxsim_fail(KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_FRAME_FAILED_13, 0, 0);
    EXPECT_EQ(cap.get_frame(&state), CAPTURE_ERROR_13);
    EXPECT_EQ(calls(KMXSIM_FN_START_FRAME_INDEX), 6u);
    EXPECT_EQ(cap.retry_count, 6u);
    EXPECT_FALSE(cap.image_available());
    EXPECT_EQ(cap.restart_needed, 1u);
}

TEST_F(RetryTest, NoRetriesZeroMeansOneAttempt)
{
    Ccapture_probe& cap = bound();
    cap.set_no_retries(0);
    kmxsim_fail(KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_FRAME_FAILED_16, 0, 0);
    EXPECT_EQ(cap.get_frame(), CAPTURE_ERROR_16);
    EXPECT_EQ(calls(KMXSIM_FN_START_FRAME_INDEX), 1u);
}

TEST_F(RetryTest, FailureOtherThan13Or16IsNotRetried)
{
    Ccapture_probe& cap = bound();
    kmxsim_fail(KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_ERR_STATE, 0, 0);
    EXPECT_EQ(cap.get_frame(), CAPTURE_FAILED);
    EXPECT_EQ(calls(KMXSIM_FN_START_FRAME_INDEX), 1u);
}

TEST_F(RetryTest, SecondAttemptSucceedsAfterOneFailure)
{
    Ccapture_probe& cap = bound();
    kmxsim_fail(KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_FRAME_FAILED_13, 1, 0);
    EXPECT_EQ(cap.get_frame(), CAPTURE_OK);
    EXPECT_EQ(cap.retry_count, 1u);
    EXPECT_TRUE(cap.image_available());
}

TEST_F(RetryTest, StopDuringGetFrameCostsOneExtraFrame)
{
    Ccapture_probe& cap = bound();
    state.set_stop();
    EXPECT_EQ(cap.get_frame(&state), CAPTURE_OK);
    EXPECT_EQ(cap.get_frame_count(), 2u);
    EXPECT_FALSE(state.stop_requested());
}

TEST_F(RetryTest, DeepSettingsWithoutImageGoToTheDeepImage)
{
    Ccapture_probe& cap =
        bound(KMXSIM_PRESET_MONO, 0, [](Csettings_probe& s) { s.set_component_depth(10); });
    EXPECT_EQ(cap.get_frame(&state), CAPTURE_OK);
    EXPECT_TRUE(cap.deep_image_available());
    EXPECT_EQ(cap.get_deep_image()->get_component_depth(), 10u);
    EXPECT_EQ(param_values(KMX_PARAM_FORMAT), (std::vector<unsigned>{3, 3}));
    // No 8-bit frame has been taken, so there is no image to offer.
    EXPECT_EQ(cap.get_image(), nullptr);
    EXPECT_FALSE(cap.image_available());
}

TEST_F(RetryTest, DeepSettingsWithCallerImageFillItAt16BitComponents)
{
    Ccapture_probe& cap =
        bound(KMXSIM_PRESET_MONO, 0, [](Csettings_probe& s) { s.set_component_depth(10); });
    const unsigned saved = settings.get_format();
    Cfw_image image;
    EXPECT_EQ(cap.get_frame(&image, &state), CAPTURE_OK);
    EXPECT_EQ(image.get_component_size(), 2u);
    EXPECT_EQ(image.get_width(), 640u);
    EXPECT_FALSE(cap.image_available());
    EXPECT_FALSE(cap.deep_image_available());
    EXPECT_EQ(param_values(KMX_PARAM_FORMAT), (std::vector<unsigned>{3, saved}));
}

using DeepTest = Ccapture_test;

TEST_F(DeepTest, BinModeAllocatesDoubledSizeAndRestoresFormat)
{
    Ccapture_probe& cap = bound(KMXSIM_PRESET_COLOR, 0, [](Csettings_probe& s) {
        s.set_bin_mode(1);
        s.set_component_depth(12);
    });
    ASSERT_EQ(cap.get_width(), 640u);
    ASSERT_EQ(cap.get_height(), 512u);
    const unsigned saved = settings.get_format();
    EXPECT_EQ(cap.get_deep_frame(12, &state), CAPTURE_OK);
    Cimage* deep = cap.get_deep_image();
    EXPECT_EQ(deep->get_bsize(), 1280u * 1024u * 3u * 2u);
    EXPECT_EQ(deep->get_width(), 640u);
    EXPECT_EQ(deep->get_height(), 512u);
    EXPECT_EQ(param_values(KMX_PARAM_FORMAT), (std::vector<unsigned>{KMX_FORMAT_RGB36, saved}));
    EXPECT_EQ(calls(KMXSIM_FN_SETUP_CAMERA), 2u);
    EXPECT_TRUE(cap.deep_image_available());
    EXPECT_EQ(cap.get_frame_count(), 1u);
}

TEST_F(DeepTest, DeepFrameKeepsTheEarlierImageAndIgnoresStop)
{
    Ccapture_probe& cap = bound();
    ASSERT_EQ(cap.get_frame8(), CAPTURE_OK);
    Cfw_image* earlier = cap.get_image();
    state.set_stop();
    EXPECT_EQ(cap.get_deep_frame(10, &state), CAPTURE_OK);
    EXPECT_TRUE(state.stop_requested());
    EXPECT_EQ(cap.get_image(), earlier);
    EXPECT_TRUE(cap.image_available());
    EXPECT_TRUE(cap.deep_image_available());
    EXPECT_EQ(param_values(KMX_PARAM_FORMAT).front(), unsigned{KMX_FORMAT_MONO10});
}

TEST_F(DeepTest, FailureAbortAndRefusedStartAllRestoreTheFormat)
{
    struct Crow {
        kmxsim_fn fn;
        int status;
        bool abort_flag;
        int result;
        size_t aborts;
    };
    const Crow rows[] = {
        {KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_FRAME_FAILED_13, false, CAPTURE_ERROR_13, 1},
        {KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_FRAME_FAILED_16, false, CAPTURE_ERROR_16, 1},
        {KMXSIM_FN_COUNT, 0, true, CAPTURE_FAILED, 1},
        {KMXSIM_FN_START_FRAME, KMX_ERR_INJECTED, false, CAPTURE_FAILED, 0},
    };
    Ccapture_probe& cap = bound(KMXSIM_PRESET_MONO, 3);
    const unsigned saved = settings.get_format();
    for (const Crow& row : rows) {
        SCOPED_TRACE(row.result);
        kmxsim_clear_calls();
        kmxsim_clear_faults();
        if (row.fn != KMXSIM_FN_COUNT)
            kmxsim_fail(row.fn, row.status, 1, 0);
        state.clear_abort();
        if (row.abort_flag)
            state.set_abort();
        EXPECT_EQ(cap.get_deep_frame(12, &state), row.result);
        EXPECT_EQ(param_values(KMX_PARAM_FORMAT),
                  (std::vector<unsigned>{KMX_FORMAT_MONO12, saved}));
        EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), row.aborts);
        EXPECT_FALSE(cap.deep_image_available());
        EXPECT_EQ(cap.get_frame_count(), 0u);
    }
}

TEST_F(DeepTest, NullCallerImageTouchesNoCamera)
{
    Ccapture_probe& cap = bound();
    EXPECT_EQ(cap.get_deep_frame(nullptr, 10, &state), CAPTURE_FAILED);
    EXPECT_EQ(kmxsim_call_count(), 0u);
}

TEST_F(DeepTest, CallerImageGetsAFreshBufferEveryCall)
{
    Ccapture_probe& cap = bound();
    Cfw_image image;
    ASSERT_EQ(cap.get_deep_frame(&image, 10), CAPTURE_OK);
    EXPECT_EQ(image.get_bsize(), 640u * 480u * 2u);
    ASSERT_EQ(cap.get_deep_frame(&image, 12), CAPTURE_OK);
    EXPECT_EQ(image.get_component_depth(), 12u);
    EXPECT_EQ(cap.get_frame_count(), 2u);
}

using RawTest = Ccapture_test;

TEST_F(RawTest, FailureStatusIsPassedOnWithoutAbortOrStopTest)
{
    Ccapture_probe& cap = bound();
    const unsigned saved = settings.get_format();
    kmxsim_fail(KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_FRAME_FAILED_13, 1, 0);
    state.set_stop();
    EXPECT_EQ(cap.get_raw_frame(&state), CAPTURE_ERROR_13);
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 0u);
    EXPECT_EQ(param_values(KMX_PARAM_FORMAT), (std::vector<unsigned>{KMX_FORMAT_RAW, saved}));
    EXPECT_TRUE(state.stop_requested());
    EXPECT_EQ(cap.get_frame_count(), 0u);
}

TEST_F(RawTest, CompletedRawFrameIsBufferZeroAndConsumesStop)
{
    Ccapture_probe& cap = bound();
    const unsigned saved = settings.get_format();
    state.set_stop();
    EXPECT_EQ(cap.get_raw_frame(&state), CAPTURE_STOPPED);
    EXPECT_FALSE(state.stop_requested());
    EXPECT_TRUE(cap.image_available());
    EXPECT_EQ(cap.get_image(), device.get_buffer(0));
    EXPECT_EQ(cap.get_frame_count(), 1u);
    EXPECT_EQ(param_values(KMX_PARAM_FORMAT), (std::vector<unsigned>{KMX_FORMAT_RAW, saved}));
    EXPECT_EQ(cap.get_raw_frame(), CAPTURE_OK);
    EXPECT_EQ(cap.get_frame_count(), 2u);
}

TEST_F(RawTest, AbortedRawFrameIsAbortedRestoredAndStopCounted)
{
    Ccapture_probe& cap = bound(KMXSIM_PRESET_MONO, 3);
    state.set_abort();
    state.set_stop();
    EXPECT_EQ(cap.get_raw_frame(&state), CAPTURE_STOPPED);
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 1u);
    EXPECT_EQ(param_values(KMX_PARAM_FORMAT).size(), 2u);
    EXPECT_EQ(cap.get_frame_count(), 1u);
    EXPECT_FALSE(cap.image_available());
    state.clear_stop();
    EXPECT_EQ(cap.get_raw_frame(&state), CAPTURE_FAILED);
}

TEST_F(RawTest, RefusedStartRestoresTheFormat)
{
    Ccapture_probe& cap = bound();
    kmxsim_fail(KMXSIM_FN_START_FRAME_INDEX, KMX_ERR_INJECTED, 1, 0);
    EXPECT_EQ(cap.get_raw_frame(), CAPTURE_FAILED);
    EXPECT_EQ(param_values(KMX_PARAM_FORMAT).size(), 2u);
    EXPECT_EQ(calls(KMXSIM_FN_CHECK_FOR_COMPLETE), 0u);
}

using StreamTest = Ccapture_test;

TEST_F(StreamTest, IdleCaptureAbortsThenStartsAtBufferZeroAndAlternates)
{
    Ccapture_probe& cap = bound();
    EXPECT_EQ(cap.complete_frame(&state), CAPTURE_OK);
    const auto fns = kmx_test::recorded_functions();
    ASSERT_GE(fns.size(), 2u);
    EXPECT_EQ(fns[0], KMXSIM_FN_ABORT_FRAME);
    EXPECT_EQ(fns[1], KMXSIM_FN_START_FRAME_INDEX);
    EXPECT_EQ(cap.get_buffer_no(), 0u);
    EXPECT_EQ(cap.get_image(), device.get_buffer(0));
    EXPECT_EQ(cap.complete_frame(&state), CAPTURE_OK);
    EXPECT_EQ(cap.get_buffer_no(), 1u);
    EXPECT_EQ(cap.get_image(), device.get_buffer(1));
    EXPECT_EQ(cap.complete_frame(&state), CAPTURE_OK);
    EXPECT_EQ(cap.get_buffer_no(), 0u);
    EXPECT_EQ(calls(KMXSIM_FN_START_FRAME_INDEX), 1u);
    EXPECT_EQ(cap.get_frame_count(), 3u);
    EXPECT_EQ(cap.continuous, 1u);
}

TEST_F(StreamTest, StreamStartedAtOneDeliversOneThenZero)
{
    Ccapture_probe& cap = bound();
    EXPECT_EQ(cap.start_frame(1u), KMX_OK);
    EXPECT_EQ(cap.complete_framex(&state), CAPTURE_OK);
    EXPECT_EQ(cap.get_buffer_no(), 1u);
    EXPECT_EQ(cap.complete_framex(&state), CAPTURE_OK);
    EXPECT_EQ(cap.get_buffer_no(), 0u);
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 0u);
}

TEST_F(StreamTest, SetupSendsTheStreamBackToStartIndex)
{
    Ccapture_probe& cap = bound();
    ASSERT_EQ(cap.start_frame(1u), KMX_OK);
    ASSERT_EQ(cap.complete_framex(&state), CAPTURE_OK);
    ASSERT_EQ(cap.next_index, 0u);
    ASSERT_EQ(cap.setup(0, 0), 0);
    kmxsim_clear_calls();
    EXPECT_EQ(cap.complete_framex(&state), CAPTURE_OK);
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 1u);
    EXPECT_EQ(started_indices().front(), 1u);
    EXPECT_EQ(cap.get_buffer_no(), 1u);
}

TEST_F(StreamTest, StopFlagIsLeftSetByStreaming)
{
    Ccapture_probe& cap = bound();
    state.set_stop();
    EXPECT_EQ(cap.complete_framex(&state), CAPTURE_STOPPED);
    EXPECT_TRUE(state.stop_requested());
    EXPECT_TRUE(cap.image_available());
    EXPECT_EQ(cap.current_framex(&state), CAPTURE_STOPPED);
    EXPECT_EQ(cap.get_frame_count(), 2u);
    EXPECT_EQ(cap.complete_frame(&state), CAPTURE_STOPPED);
    EXPECT_TRUE(state.stop_requested());
}

TEST_F(StreamTest, CurrentFramexReturnsAtOnceWithTheEarlierImage)
{
    Ccapture_probe& cap = bound();
    ASSERT_EQ(cap.complete_frame(), CAPTURE_OK);
    Cfw_image* earlier = cap.get_image();
    kmxsim_use_virtual_clock(1, 5);
    ASSERT_EQ(cap.start_frame(), KMX_OK);
    kmxsim_clear_calls();
    state.set_abort(); // must not be reached: the earlier frame answers first
    EXPECT_EQ(cap.current_framex(&state), CAPTURE_OK);
    EXPECT_EQ(cap.get_image(), earlier);
    EXPECT_EQ(cap.get_frame_count(), 1u);
    EXPECT_EQ(calls(KMXSIM_FN_CHECK_START_NEXT), 1u);
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 0u);
}

TEST_F(StreamTest, CurrentFramexWaitsWhenNoImageIsReady)
{
    Ccapture_probe& cap = bound(KMXSIM_PRESET_MONO, 2);
    EXPECT_EQ(cap.current_frame(&state), CAPTURE_OK);
    EXPECT_EQ(calls(KMXSIM_FN_CHECK_START_NEXT), 3u);
    EXPECT_EQ(cap.get_frame_count(), 1u);
}

TEST_F(StreamTest, CompleteFramexFailureRestartsAtNextIndexWithoutAbort)
{
    Ccapture_probe& cap = bound();
    ASSERT_EQ(cap.start_frame(), KMX_OK);
    ASSERT_EQ(cap.complete_framex(&state), CAPTURE_OK);
    kmxsim_clear_calls();
    kmxsim_fail(KMXSIM_FN_CHECK_START_NEXT, KMX_FRAME_FAILED_16, 1, 0);
    EXPECT_EQ(cap.complete_framex(&state), CAPTURE_ERROR_16);
    EXPECT_EQ(kmx_test::recorded_functions(),
              (std::vector<kmxsim_fn>{KMXSIM_FN_CHECK_START_NEXT, KMXSIM_FN_START_FRAME_INDEX}));
    EXPECT_EQ(started_indices(), (std::vector<unsigned>{1}));
    EXPECT_EQ(cap.get_frame_count(), 1u);
    EXPECT_EQ(cap.restart_needed, 0u);
    EXPECT_EQ(cap.complete_framex(&state), CAPTURE_OK);
    EXPECT_EQ(cap.get_buffer_no(), 1u);
}

TEST_F(StreamTest, CurrentFramexFailureAbortsThenRestarts)
{
    Ccapture_probe& cap = bound();
    ASSERT_EQ(cap.start_frame(), KMX_OK);
    kmxsim_clear_calls();
    kmxsim_fail(KMXSIM_FN_CHECK_START_NEXT, KMX_ERR_STATE, 1, 0);
    EXPECT_EQ(cap.current_framex(&state), CAPTURE_FAILED);
    EXPECT_EQ(kmx_test::recorded_functions(),
              (std::vector<kmxsim_fn>{KMXSIM_FN_CHECK_START_NEXT, KMXSIM_FN_ABORT_FRAME,
                                      KMXSIM_FN_START_FRAME_INDEX}));
    EXPECT_EQ(started_indices(), (std::vector<unsigned>{0}));
}

TEST_F(StreamTest, AbortLeavesTheCaptureStreaming)
{
    Ccapture_probe& cap = bound(KMXSIM_PRESET_MONO, never_completes);
    ASSERT_EQ(cap.start_frame(), KMX_OK);
    state.set_abort();
    EXPECT_EQ(cap.complete_framex(&state), CAPTURE_FAILED);
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 1u);
    EXPECT_EQ(cap.restart_needed, 0u);
    EXPECT_EQ(cap.get_frame_count(), 0u);
    // The next call polls the aborted camera first, with no restart.
    state.clear_abort();
    kmxsim_clear_calls();
    cap.complete_framex(&state);
    EXPECT_EQ(kmx_test::recorded_functions().front(), KMXSIM_FN_CHECK_START_NEXT);
}

TEST_F(StreamTest, RetriesUsedUpLeaveTheCaptureIdle)
{
    Ccapture_probe& cap = bound();
    cap.set_no_retries(2);
    ASSERT_EQ(cap.start_frame(), KMX_OK);
    kmxsim_fail(KMXSIM_FN_CHECK_START_NEXT, KMX_FRAME_FAILED_13, 0, 0);
    EXPECT_EQ(cap.complete_frame(&state), CAPTURE_ERROR_13);
    EXPECT_EQ(calls(KMXSIM_FN_CHECK_START_NEXT), 3u);
    EXPECT_EQ(cap.retry_count, 3u);
    EXPECT_EQ(cap.restart_needed, 1u);
    kmxsim_clear_calls();
    kmxsim_fail(KMXSIM_FN_CHECK_START_NEXT, KMX_FRAME_FAILED_16, 0, 0);
    EXPECT_EQ(cap.current_frame(&state), CAPTURE_ERROR_16);
    EXPECT_EQ(calls(KMXSIM_FN_CHECK_START_NEXT), 3u);
    EXPECT_EQ(cap.restart_needed, 1u);
}

TEST_F(StreamTest, StopFramexLeavesImageUnavailableAndTheCaptureIdle)
{
    Ccapture_probe& cap = bound();
    ASSERT_EQ(cap.start_frame(), KMX_OK);
    EXPECT_EQ(cap.stop_framex(&state), CAPTURE_OK);
    EXPECT_FALSE(cap.image_available());
    EXPECT_EQ(cap.get_image(), device.get_buffer(0));
    EXPECT_EQ(cap.get_frame_count(), 1u);
    EXPECT_EQ(cap.restart_needed, 1u);
    const auto checks = kmx_test::recorded_calls(KMXSIM_FN_CHECK_START_NEXT);
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].args[0], 0u);
}

TEST_F(StreamTest, StopFramexFromIdleRestartsFirst)
{
    Ccapture_probe& cap = bound();
    EXPECT_EQ(cap.stop_frame(&state), CAPTURE_OK);
    const auto fns = kmx_test::recorded_functions();
    ASSERT_GE(fns.size(), 2u);
    EXPECT_EQ(fns[0], KMXSIM_FN_ABORT_FRAME);
    EXPECT_EQ(fns[1], KMXSIM_FN_START_FRAME_INDEX);
}

TEST_F(StreamTest, StopFramexCountsAStopWhateverTheOutcome)
{
    Ccapture_probe& cap = bound();
    ASSERT_EQ(cap.start_frame(), KMX_OK);
    kmxsim_fail(KMXSIM_FN_CHECK_START_NEXT, KMX_FRAME_FAILED_13, 1, 0);
    state.set_stop();
    EXPECT_EQ(cap.stop_framex(&state), CAPTURE_STOPPED);
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 1u);
    EXPECT_EQ(cap.get_frame_count(), 1u);
    EXPECT_TRUE(state.stop_requested());
}

TEST_F(StreamTest, StopFrameWithNoRetriesMakesOneAttemptWithoutRestart)
{
    Ccapture_probe& cap = bound();
    cap.set_no_retries(0);
    ASSERT_EQ(cap.start_frame(), KMX_OK);
    kmxsim_clear_calls();
    kmxsim_fail(KMXSIM_FN_CHECK_START_NEXT, KMX_FRAME_FAILED_16, 0, 0);
    EXPECT_EQ(cap.stop_frame(&state), CAPTURE_ERROR_16);
    EXPECT_EQ(calls(KMXSIM_FN_CHECK_START_NEXT), 1u);
    EXPECT_EQ(calls(KMXSIM_FN_START_FRAME_INDEX), 0u);
    EXPECT_EQ(cap.restart_needed, 1u);
}

TEST_F(StreamTest, StopFrameRetryStartsAtNextIndexAgain)
{
    Ccapture_probe& cap = bound();
    ASSERT_EQ(cap.start_frame(1u), KMX_OK);
    kmxsim_clear_calls();
    kmxsim_fail(KMXSIM_FN_CHECK_START_NEXT, KMX_FRAME_FAILED_13, 1, 0);
    EXPECT_EQ(cap.stop_frame(&state), CAPTURE_OK);
    EXPECT_EQ(started_indices(), (std::vector<unsigned>{1}));
    EXPECT_EQ(cap.retry_count, 1u);
    EXPECT_EQ(cap.get_buffer_no(), 1u);
}

TEST_F(StreamTest, RefusedStartStillCountsAsStreaming)
{
    Ccapture_probe& cap = bound();
    kmxsim_fail(KMXSIM_FN_START_FRAME_INDEX, KMX_ERR_INJECTED, 1, 0);
    EXPECT_EQ(cap.start_frame(), KMX_ERR_INJECTED);
    EXPECT_EQ(cap.restart_needed, 0u);
    kmxsim_clear_calls();
    // Nothing runs, so the poll fails and the stream restarts at next_index.
    EXPECT_EQ(cap.complete_framex(&state), CAPTURE_FAILED);
    EXPECT_EQ(kmx_test::recorded_functions(),
              (std::vector<kmxsim_fn>{KMXSIM_FN_CHECK_START_NEXT, KMXSIM_FN_START_FRAME_INDEX}));
    EXPECT_EQ(cap.complete_framex(&state), CAPTURE_OK);
}

TEST_F(StreamTest, SingleFrameEndsTheStream)
{
    Ccapture_probe& cap = bound();
    ASSERT_EQ(cap.start_frame(1u), KMX_OK);
    ASSERT_EQ(cap.get_frame8(), CAPTURE_OK);
    EXPECT_EQ(cap.restart_needed, 1u);
    EXPECT_EQ(cap.continuous, 0u);
    EXPECT_EQ(cap.next_index, 0u);
    EXPECT_EQ(cap.start_index, 1u);
    kmxsim_clear_calls();
    EXPECT_EQ(cap.abort_frame(), 0);
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 1u);
}

} // namespace
} // namespace capture_test
