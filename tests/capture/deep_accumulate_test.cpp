// SPDX-License-Identifier: Apache-2.0
// Deep accumulation: the arithmetic in 16-bit components against the
// depth's mask, the deep formats and inversion switched for the operation
// and restored, the deep image's capacity, the 8-bit copy in buffer 0, and
// refusals that change nothing.
#include <cstdint>
#include <vector>

#include "multi_fixture.h"

namespace multi_test {
namespace {

using Cdeep_accumulate = Cmulti_test;

// The 8-bit format a monochrome camera's settings hold.
constexpr unsigned mono8 = 2;

TEST_F(Cdeep_accumulate, TwelveBitMonochromeMeanIsInvertedAgainstTheMask)
{
    script({1000, 1001});
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 2);

    ASSERT_EQ(capture.process_multi_deep(12), CAPTURE_OK);

    EXPECT_TRUE(deep_filled_with(*capture.get_deep_image(), 1000 ^ 4095));
    EXPECT_EQ(capture.get_deep_image()->get_component_depth(), 12u);
    EXPECT_EQ(param_values(KMX_PARAM_FORMAT), (std::vector<unsigned>{10, mono8}));
    EXPECT_EQ(param_values(KMX_PARAM_INVERT), (std::vector<unsigned>{0, 0}));
    EXPECT_EQ(calls(KMXSIM_FN_START_FRAME), 2u);
    // The 8-bit copy is the current image, and both results are ready.
    EXPECT_EQ(capture.get_image(), device.get_buffer(0));
    EXPECT_EQ(calls(KMXSIM_FN_COPY_FRAME), 1u);
    EXPECT_TRUE(capture.image_available());
    EXPECT_TRUE(capture.deep_image_available());
}

TEST_F(Cdeep_accumulate, SaturatedSumsClampToTheMask)
{
    struct Ccase {
        kmxsim_preset camera;
        uint32_t value;
        uint16_t expected;
    };
    const Ccase cases[] = {
        {KMXSIM_PRESET_COLOR, 2500, 4095},  // sum 5000 clamped
        {KMXSIM_PRESET_MONO, 2500, 0},      // sum 5000, inverted
        {KMXSIM_PRESET_MONO, 50, 3995},     // sum 100, inverted
    };
    for (const auto& c : cases) {
        script({c.value});
        auto& capture = averaging(c.camera, 2, 2);
        ASSERT_EQ(capture.process_multi_deep(12), CAPTURE_OK) << c.value;
        EXPECT_TRUE(deep_filled_with(*capture.get_deep_image(), c.expected)) << c.value;
        device.close();
    }
}

TEST_F(Cdeep_accumulate, TenBitAndOtherDepthsUseTheTenBitMaskAndCodes)
{
    for (unsigned depth : {10u, 16u}) {
        script({0});
        auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 1);
        ASSERT_EQ(capture.process_multi_deep(depth), CAPTURE_OK) << depth;
        EXPECT_TRUE(deep_filled_with(*capture.get_deep_image(), 1023)) << depth;
        EXPECT_EQ(param_values(KMX_PARAM_FORMAT), (std::vector<unsigned>{3, mono8})) << depth;
        EXPECT_EQ(capture.get_deep_image()->get_component_depth(), depth);
        device.close();
    }
}

TEST_F(Cdeep_accumulate, ColourMeanIsNotInverted)
{
    script({300, 301});
    auto& capture = averaging(KMXSIM_PRESET_COLOR, 1, 2);

    ASSERT_EQ(capture.process_multi_deep(10), CAPTURE_OK);

    EXPECT_TRUE(deep_filled_with(*capture.get_deep_image(), 300));
    const unsigned colour8 = capture.get_settings()->get_format();
    EXPECT_EQ(param_values(KMX_PARAM_FORMAT), (std::vector<unsigned>{5, colour8}));
}

TEST_F(Cdeep_accumulate, TheEightBitCopyKeepsTheComponentOrderOfThePool)
{
    // The test pattern has different components; the copy keeps the deep
    // result's top 8 bits in the order the 8-bit settings (and the pool
    // buffer they shape) hold them.
    for (unsigned format : {KMX_FORMAT_BGR24, KMX_FORMAT_RGB24}) {
        auto& capture = averaging(KMXSIM_PRESET_COLOR, 1, 1, [format](Csettings_probe& s) {
            s.set_test_mode(1);
            s.set_format(format);
        });
        ASSERT_EQ(capture.process_multi_deep(12), CAPTURE_OK) << format;
        const Cimage_core& copy = *capture.get_image();
        ASSERT_EQ(copy.get_format(), format);
        const auto* deep = static_cast<const uint16_t*>(capture.get_deep_image()->get_bp());
        const auto* bytes = static_cast<const unsigned char*>(copy.get_bp());
        const bool reversed = format == KMX_FORMAT_BGR24;
        for (unsigned x : {0u, 5u, 200u})
            for (unsigned k = 0; k < 3; ++k)
                EXPECT_EQ(bytes[3 * x + (reversed ? 2 - k : k)], deep[3 * x + k] >> 4)
                    << "format " << format << ", x " << x << ", component " << k;
        device.close();
    }
}

TEST_F(Cdeep_accumulate, WithoutAveragingOneFrameIsKeptAsDelivered)
{
    script({700});
    auto& capture = averaging(KMXSIM_PRESET_MONO, 0, 0);

    ASSERT_EQ(capture.process_multi_deep(12), CAPTURE_OK);

    EXPECT_EQ(calls(KMXSIM_FN_START_FRAME), 1u);
    EXPECT_TRUE(deep_filled_with(*capture.get_deep_image(), 700));
    for (unsigned value : param_values(KMX_PARAM_INVERT))
        EXPECT_EQ(value, 0u) << "only the camera's own value is written back";
}

TEST_F(Cdeep_accumulate, BinnedFramesGetRoomForAnUnbinnedOne)
{
    script({5});
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 1,
                              [](Csettings_probe& s) { EXPECT_TRUE(s.set_bin_mode(1)); });

    ASSERT_EQ(capture.process_multi_deep(12), CAPTURE_OK);

    const Cimage* deep = capture.get_deep_image();
    EXPECT_EQ(deep->get_width(), capture.get_width());
    EXPECT_EQ(deep->get_bsize(), 4 * deep->get_size());
}

TEST_F(Cdeep_accumulate, Status16OnEveryAttemptGivesUpAfterFiveStarts)
{
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 3);
    device.set_param(KMX_PARAM_INVERT, 1);
    kmxsim_clear_calls();
    kmxsim_fail(KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_FRAME_FAILED_16, 0, 0);

    EXPECT_EQ(capture.process_multi_deep(12), CAPTURE_ERROR_16);

    EXPECT_EQ(calls(KMXSIM_FN_START_FRAME), 5u);
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 0u) << "single frames leave no stream behind";
    EXPECT_EQ(param_values(KMX_PARAM_FORMAT), (std::vector<unsigned>{10, mono8}));
    EXPECT_EQ(param_values(KMX_PARAM_INVERT), (std::vector<unsigned>{0, 1}));
    EXPECT_FALSE(capture.image_available());
    EXPECT_FALSE(capture.deep_image_available());
}

TEST_F(Cdeep_accumulate, AbortRestoresTheFormatAndInversion)
{
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 2, [](Csettings_probe&) {}, 3);
    state.set_abort();

    EXPECT_EQ(capture.process_multi_deep(12, &state), CAPTURE_FAILED);

    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 1u);
    EXPECT_EQ(camera_param(KMX_PARAM_FORMAT), mono8);
    EXPECT_EQ(param_values(KMX_PARAM_INVERT), (std::vector<unsigned>{0, 0}));
    EXPECT_FALSE(capture.deep_image_available());
}

// A stop request ends the wait like an abort (result 1, not 3), and the
// flag is left for the application, which has not seen a 3.
TEST_F(Cdeep_accumulate, StopRequestEndsTheWaitWithFailureAndStaysSet)
{
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 2, [](Csettings_probe&) {}, 3);
    device.set_param(KMX_PARAM_INVERT, 1);
    kmxsim_clear_calls();
    state.set_stop();

    EXPECT_EQ(capture.process_multi_deep(12, &state), CAPTURE_FAILED);

    EXPECT_TRUE(state.stop_requested());
    EXPECT_EQ(calls(KMXSIM_FN_START_FRAME), 1u);
    EXPECT_EQ(calls(KMXSIM_FN_ABORT_FRAME), 1u);
    EXPECT_EQ(param_values(KMX_PARAM_FORMAT), (std::vector<unsigned>{10, mono8}));
    EXPECT_EQ(param_values(KMX_PARAM_INVERT), (std::vector<unsigned>{0, 1}));
    EXPECT_EQ(calls(KMXSIM_FN_COPY_FRAME), 0u);
    EXPECT_FALSE(capture.deep_image_available());
    EXPECT_FALSE(capture.image_available());
}

TEST_F(Cdeep_accumulate, FailedConversionLeavesNothingReady)
{
    script({100});
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 1);
    kmxsim_fail(KMXSIM_FN_COPY_FRAME, KMX_ERR_INJECTED, 1, 0);

    EXPECT_EQ(capture.process_multi_deep(12), CAPTURE_FAILED);

    EXPECT_TRUE(deep_filled_with(*capture.get_deep_image(), 100 ^ 4095))
        << "the deep result is kept";
    EXPECT_FALSE(capture.deep_image_available());
    EXPECT_FALSE(capture.image_available());
}

TEST_F(Cdeep_accumulate, RefusalsTouchNoCameraAndOfferNoEarlierImage)
{
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 1);
    ASSERT_EQ(capture.get_frame(), CAPTURE_OK);
    kmxsim_clear_calls();

    capture.average_frames = 0;
    EXPECT_EQ(capture.process_multi_deep(12), CAPTURE_FAILED);
    capture.average_frames = 1;
    capture.width = 65536;
    capture.height = 65536;
    capture.restart_needed = 0;  // as a running stream leaves it
    EXPECT_EQ(capture.process_multi_deep(12), CAPTURE_NO_MEMORY);

    EXPECT_EQ(kmxsim_call_count(), 0u);
    EXPECT_FALSE(capture.image_available()) << "the earlier frame is not the result";
    EXPECT_FALSE(capture.deep_image_available());
    EXPECT_EQ(capture.restart_needed, 1u);
}

TEST_F(Cdeep_accumulate, AccumulateRefusesSumsOrDeepRowsThatDoNotFit)
{
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 1);
    std::vector<uint32_t> small(16);
    EXPECT_EQ(capture.accumulate_deep(reinterpret_cast<unsigned char*>(small.data()),
                                      static_cast<unsigned>(small.size() * 4), 12),
              CAPTURE_FAILED);
    EXPECT_EQ(kmxsim_call_count(), 0u);

    // A deep image shaped for 8-bit components (with room for the camera's
    // 16-bit frame) cannot hold the 16-bit rows: the frame is refused after
    // capture, and nothing is read past its rows.
    std::vector<uint32_t> sums(640 * 480);
    Cimage* deep = capture.get_deep_image();
    ASSERT_EQ(deep->create_image(0, 1, 8, 0, 1280, 480), 1);
    ASSERT_EQ(deep->modify_image(0, 1, 8, 0, 640, 480), 1);
    EXPECT_EQ(capture.accumulate_deep(reinterpret_cast<unsigned char*>(sums.data()),
                                      static_cast<unsigned>(sums.size() * 4), 12),
              CAPTURE_FAILED);
}

TEST_F(Cdeep_accumulate, CaptureWithoutFrameRecordRefuses)
{
    averaging(KMXSIM_PRESET_MONO, 1, 1);
    Cmulti_probe unbound(&device);
    kmxsim_clear_calls();

    EXPECT_EQ(unbound.process_multi_deep(12), CAPTURE_FAILED);
    EXPECT_EQ(unbound.get_multi_deep(), CAPTURE_FAILED);
    EXPECT_EQ(kmxsim_call_count(), 0u);
}

} // namespace
} // namespace multi_test
