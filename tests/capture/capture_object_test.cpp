// SPDX-License-Identifier: Apache-2.0
// The capture object: construction, binding, set-up, rates, setters,
// copies, and a capture that has no device.
#include "capture_fixture.h"

namespace capture_test {
namespace {

using CaptureObjectTest = Ccapture_test;

TEST_F(CaptureObjectTest, FreshCaptureIsEmptyAndIdle)
{
    Ccapture_probe fresh(&device);
    EXPECT_EQ(fresh.get_device(), &device);
    EXPECT_EQ(capture.get_device(), nullptr);
    EXPECT_EQ(fresh.get_width(), 0u);
    EXPECT_EQ(fresh.get_height(), 0u);
    EXPECT_FALSE(fresh.image_available());
    EXPECT_FALSE(fresh.deep_image_available());
    EXPECT_EQ(fresh.get_image(), nullptr);
    EXPECT_EQ(fresh.get_frame_count(), 0u);
    EXPECT_EQ(fresh.restart_needed, 1u);
    EXPECT_EQ(fresh.get_deep_image()->get_bp(), nullptr);
}

TEST_F(CaptureObjectTest, InitWritesGainsToEveryCameraThenSetsUp)
{
    ASSERT_EQ(device.open(mono_camera_id, 0), 0);
    settings.init(device.get_camera_handle());
    start_recording();
    EXPECT_EQ(capture.init(&device, &settings), 1);
    const auto writes = kmx_test::recorded_param_writes();
    ASSERT_GE(writes.size(), 7u);
    const std::vector<unsigned> first_ids = {KMX_PARAM_GAIN,       KMX_PARAM_BL,
                                             KMX_PARAM_RED_GAIN,   KMX_PARAM_GREEN_GAIN,
                                             KMX_PARAM_BLUE_GAIN,  KMX_PARAM_11,
                                             KMX_PARAM_INVERT};
    for (size_t i = 0; i < first_ids.size(); ++i)
        EXPECT_EQ(writes[i].first, first_ids[i]) << "write " << i;
    EXPECT_EQ(writes[6].second, settings.invert_image() ? 1u : 0u);
    // The set-up that follows sends no colour balance to a monochrome camera.
    EXPECT_EQ(param_values(KMX_PARAM_RED_GAIN).size(), 1u);
    EXPECT_TRUE(param_values(KMX_PARAM_RED_BOOST).empty());
    EXPECT_EQ(capture.get_image_mode(), 0u);
    EXPECT_EQ(capture.frame_info.get_no_frames(), 1u);
    EXPECT_EQ(calls(KMXSIM_FN_SETUP_CAMERA), 1u);
}

TEST_F(CaptureObjectTest, ColourCameraGetsModeOneAndItsBalanceOnSetup)
{
    Ccapture_probe& cap = bound(KMXSIM_PRESET_COLOR);
    EXPECT_EQ(cap.get_image_mode(), 1u);
    ASSERT_EQ(cap.setup(0, 0), 0);
    const auto writes = kmx_test::recorded_param_writes();
    std::vector<unsigned> balance;
    for (const auto& write : writes)
        if (write.first == KMX_PARAM_RED_GAIN || write.first == KMX_PARAM_GREEN_GAIN ||
            write.first == KMX_PARAM_BLUE_GAIN || write.first == KMX_PARAM_RED_BOOST ||
            write.first == KMX_PARAM_BLUE_BOOST)
            balance.push_back(write.first);
    EXPECT_EQ(balance, (std::vector<unsigned>{1, 2, 3, 15, 16}));
    EXPECT_EQ(cap.get_bytes_per_row(), 1280u * 3u);
    EXPECT_EQ(cap.get_image_size(), 1280u * 1024u * 3u);
}

TEST_F(CaptureObjectTest, SizeFollowsTheSelectedReadoutAndBinWinsOverPreview)
{
    Ccapture_probe& cap = bound(KMXSIM_PRESET_MONO, 0, [](Csettings_probe& s) {
        s.bin_mode = 1;
        s.preview_mode = 1;
    });
    EXPECT_EQ(cap.get_width(), 320u);
    EXPECT_EQ(cap.get_height(), 240u);
    settings.bin_mode = 0;
    ASSERT_EQ(cap.setup(&settings, 0, 0), 0);
    EXPECT_EQ(param_values(KMX_PARAM_PREVIEW).back(), 1u);
    settings.preview_mode = 0;
    ASSERT_EQ(cap.setup(&settings, 0, 0), 0);
    EXPECT_EQ(cap.get_width(), 640u);
    EXPECT_EQ(cap.get_bytes_per_row(), 640u);
}

TEST_F(CaptureObjectTest, RefusedFormatKeepsMaximumSizeAndReportsOne)
{
    kmxsim_camera_desc desc{};
    ASSERT_EQ(kmxsim_get_camera(KMXSIM_PRESET_MONO, &desc), 0);
    desc.caps &= ~static_cast<uint32_t>(KMX_CAP_DEPTH12);
    ASSERT_EQ(kmxsim_set_camera(KMXSIM_PRESET_MONO, &desc), 0);
    ASSERT_EQ(device.open(mono_camera_id, 0), 0);
    Ccam_settings unbound; // takes a depth the camera lacks
    ASSERT_TRUE(unbound.set_component_depth(12));
    unbound.set_bin_mode(1);
    EXPECT_EQ(capture.init(&device, &unbound), 1);
    EXPECT_EQ(capture.format, unsigned{KMX_FORMAT_MONO12});
    EXPECT_EQ(capture.get_width(), 640u);
    start_recording();
    EXPECT_EQ(capture.setup(0, 0), 1);
    EXPECT_TRUE(kmx_test::recorded_param_writes().empty());
}

TEST_F(CaptureObjectTest, ContrastOffSendsOnlyTheMode)
{
    Ccapture_probe& cap = bound();
    settings.contrast_mode = 0;
    ASSERT_EQ(cap.setup(&settings, 0, 0), 0);
    EXPECT_EQ(param_values(KMX_PARAM_CONTRAST_MODE), (std::vector<unsigned>{0}));
    EXPECT_TRUE(param_values(KMX_PARAM_CONTRAST).empty());
    kmxsim_clear_calls();
    settings.contrast_mode = 1;
    settings.contrast = 140;
    ASSERT_EQ(cap.setup(&settings, 0, 0), 0);
    const auto writes = kmx_test::recorded_param_writes();
    std::vector<std::pair<unsigned, unsigned>> contrast;
    for (const auto& write : writes)
        if (write.first == KMX_PARAM_CONTRAST || write.first == KMX_PARAM_CONTRAST_MODE)
            contrast.push_back(write);
    EXPECT_EQ(contrast, (std::vector<std::pair<unsigned, unsigned>>{{22, 140}, {21, 1}}));
}

// Tenfold per 64 steps; past the 32-bit parameter (index 553 on) the
// exposure saturates instead of keeping the low 32 bits of a longer one.
TEST_F(CaptureObjectTest, ExposureIndexSendsTenfoldPerSixtyFourStepsAndSaturates)
{
    Ccapture_probe& cap = bound();
    const unsigned indices[] = {0, 64, 128, 192, 256, 552, 553, 1000, 1161, 0xFFFFFFFFu};
    for (unsigned index : indices) {
        settings.exposure = index;
        ASSERT_EQ(cap.setup(&settings, 0, 0), 0);
    }
    EXPECT_EQ(param_values(KMX_PARAM_EXPOSURE),
              (std::vector<unsigned>{10, 100, 1000, 10000, 100000, 4216965039u, 0xFFFFFFFFu,
                                     0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}));
}

TEST_F(CaptureObjectTest, SetupSelectsRateAndAveraging)
{
    Ccapture_probe& cap = bound();
    settings.rate = 0;
    settings.live_rate = 4;
    settings.set_average_opt(1);
    settings.set_average_frames(3);
    ASSERT_EQ(cap.setup(&settings, 1, 1), 0);
    EXPECT_EQ(param_values(KMX_PARAM_RATE).back(), 4u);
    ASSERT_EQ(cap.setup(&settings, 1, 2), 0);
    EXPECT_EQ(param_values(KMX_PARAM_RATE).back(), 0u);
    EXPECT_EQ(cap.averaging, 1u);
    EXPECT_EQ(cap.average_opt, 1u);
    EXPECT_EQ(cap.average_frames, 3u);
    cap.restart_needed = 0;
    ASSERT_EQ(cap.setup(0, 0), 0);
    EXPECT_EQ(cap.restart_needed, 1u);
    EXPECT_EQ(cap.averaging, 0u);
    EXPECT_EQ(cap.average_opt, 0u);
    EXPECT_EQ(cap.average_frames, 0u);
}

TEST_F(CaptureObjectTest, RateSelectorsSwitchOnlyDifferentRates)
{
    Ccapture_probe& cap = bound();
    settings.rate = 1;
    settings.live_rate = 1;
    ASSERT_EQ(cap.setup(&settings, 0, 0), 0);
    kmxsim_clear_calls();
    cap.select_live_rate();
    cap.select_capture_rate();
    EXPECT_EQ(kmxsim_call_count(), 0u);
    settings.live_rate = 4;
    ASSERT_EQ(cap.setup(&settings, 0, 0), 0);
    kmxsim_clear_calls();
    cap.restart_needed = 0;
    cap.select_live_rate();
    cap.select_capture_rate();
    EXPECT_EQ(kmx_test::recorded_param_writes(),
              (std::vector<std::pair<unsigned, unsigned>>{{6, 4}, {6, 1}}));
    EXPECT_EQ(calls(KMXSIM_FN_SETUP_CAMERA), 2u);
    EXPECT_EQ(cap.restart_needed, 0u);
}

TEST_F(CaptureObjectTest, SettersSendOnlyWhatTheSettingsAccept)
{
    Ccapture_probe& cap = bound();
    kmxsim_camera_desc desc{};
    ASSERT_EQ(kmxsim_get_camera(KMXSIM_PRESET_MONO, &desc), 0);
    const unsigned max_gain = desc.params[KMX_PARAM_GAIN].max;
    EXPECT_FALSE(cap.set_gain(max_gain + 1));
    EXPECT_TRUE(kmx_test::recorded_param_writes().empty());
    EXPECT_TRUE(cap.set_gain(max_gain));
    EXPECT_EQ(kmx_test::recorded_param_writes(),
              (std::vector<std::pair<unsigned, unsigned>>{{KMX_PARAM_GAIN, max_gain}}));
    EXPECT_EQ(cap.get_settings()->get_gain(), max_gain);
    kmxsim_clear_calls();
    EXPECT_FALSE(cap.set_test_mode(2));
    EXPECT_TRUE(cap.set_test_mode(1));
    EXPECT_TRUE(cap.set_bl(desc.params[KMX_PARAM_BL].min));
    EXPECT_TRUE(cap.set_red_boost(1));
    EXPECT_TRUE(cap.set_blue_boost(0));
    EXPECT_EQ(kmx_test::recorded_param_writes(),
              (std::vector<std::pair<unsigned, unsigned>>{
                  {KMX_PARAM_TEST_MODE, 1},
                  {KMX_PARAM_BL, desc.params[KMX_PARAM_BL].min},
                  {KMX_PARAM_RED_BOOST, 1},
                  {KMX_PARAM_BLUE_BOOST, 0}}));
    EXPECT_EQ(calls(KMXSIM_FN_SETUP_CAMERA), 0u);
}

TEST_F(CaptureObjectTest, PoolImagesByNumber)
{
    Ccapture_probe& cap = bound();
    EXPECT_EQ(cap.get_image(1), device.get_buffer(1));
    EXPECT_EQ(cap.get_image(7), nullptr);
    ASSERT_EQ(cap.get_frame(), CAPTURE_OK);
    cap.reset_frame_count();
    EXPECT_EQ(cap.get_frame_count(), 0u);
}

using CaptureCopyTest = Ccapture_test;

TEST_F(CaptureCopyTest, CopiesOwnTheirDeepImageAndFrameList)
{
    Ccapture_probe& cap = bound();
    script_flat(600);
    ASSERT_EQ(cap.get_deep_frame(10), CAPTURE_OK);
    {
        Ccapture_probe copy(cap);
        EXPECT_NE(copy.get_deep_image()->get_bp(), cap.get_deep_image()->get_bp());
        EXPECT_EQ(copy.get_deep_image()->get_size(), cap.get_deep_image()->get_size());
        EXPECT_TRUE(copy.deep_image_available());
        EXPECT_EQ(copy.get_device(), &device);
        EXPECT_EQ(copy.get_width(), 640u);
        EXPECT_EQ(copy.frame_info.get_no_frames(), 1u);
        EXPECT_NE(copy.frame_info.get_frame_info(), cap.frame_info.get_frame_info());
        // The copy acquires on its own.
        EXPECT_EQ(copy.get_deep_frame(12), CAPTURE_OK);
    }
    // The original is intact after the copy is gone.
    const auto* values = static_cast<const uint16_t*>(cap.get_deep_image()->get_bp());
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values[0], 600u);
    Ccapture_probe assigned;
    assigned = cap;
    Ccapture_probe& same = assigned;
    assigned = same;
    EXPECT_TRUE(assigned.deep_image_available());
    EXPECT_EQ(assigned.get_deep_frame(10), CAPTURE_OK);
    assigned = Ccapture_probe();
    EXPECT_EQ(assigned.get_deep_image()->get_bp(), nullptr);
    EXPECT_FALSE(assigned.deep_image_available());
    EXPECT_EQ(assigned.frame_info.get_no_frames(), 0u);
}

using NoDeviceTest = Ccapture_test;

TEST_F(NoDeviceTest, EveryOperationRefusesWithoutTouchingAnything)
{
    start_recording();
    Ccapture_probe lone;
    Cfw_image image;
    EXPECT_EQ(lone.init(nullptr, &settings), 0);
    EXPECT_EQ(lone.setup(&settings, 0, 0), 1);
    EXPECT_EQ(lone.setup(0, 1), 1);
    lone.select_live_rate();
    lone.select_capture_rate();
    EXPECT_FALSE(lone.set_gain(1));
    EXPECT_FALSE(lone.set_test_mode(0));
    EXPECT_EQ(lone.get_frame(), CAPTURE_FAILED);
    EXPECT_EQ(lone.get_frame(&image), CAPTURE_FAILED);
    EXPECT_EQ(lone.get_frame8(), CAPTURE_FAILED);
    EXPECT_EQ(lone.get_deep_frame(10), CAPTURE_FAILED);
    EXPECT_EQ(lone.get_deep_frame(&image, 10), CAPTURE_FAILED);
    EXPECT_EQ(lone.get_raw_frame(), CAPTURE_FAILED);
    EXPECT_NE(lone.start_frame(), KMX_OK);
    EXPECT_EQ(lone.abort_frame(), 0);
    EXPECT_EQ(lone.complete_frame(), CAPTURE_FAILED);
    EXPECT_EQ(lone.current_frame(), CAPTURE_FAILED);
    EXPECT_EQ(lone.stop_frame(), CAPTURE_FAILED);
    EXPECT_EQ(lone.get_image(0), nullptr);
    EXPECT_EQ(kmxsim_call_count(), 0u);
    EXPECT_EQ(lone.restart_needed, 1u);
    EXPECT_EQ(lone.continuous, 0u);
    EXPECT_EQ(lone.get_frame_count(), 0u);
    EXPECT_EQ(image.get_bp(), nullptr);
}

TEST_F(NoDeviceTest, DeviceGivenOnlyToTheConstructorHasNoRecordForCallerImages)
{
    ASSERT_EQ(device.open(mono_camera_id, 0), 0);
    Ccapture_probe unbound(&device);
    Cfw_image image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 640, 480), 1);
    start_recording();
    EXPECT_EQ(unbound.get_frame8(&image, nullptr), CAPTURE_FAILED);
    EXPECT_EQ(calls(KMXSIM_FN_START_FRAME), 0u);
    kmxsim_use_virtual_clock(1, 0);
    EXPECT_EQ(unbound.get_frame8(), CAPTURE_OK);
}

} // namespace
} // namespace capture_test
