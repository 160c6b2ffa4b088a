// SPDX-License-Identifier: Apache-2.0
// Capturing on any camera library: single frames into the pool and into
// caller images, the stream's two alternating buffers, stop and abort
// from another thread, deep and raw frames where the camera has them,
// averaging and the automatic exposure.
#include <atomic>
#include <chrono>
#include <thread>

#include "portable_fixture.h"

namespace portable_test {
namespace {

using Ccapture_portable = Cportable_test;

bool any_byte_set(const Cimage_core& image)
{
    const auto* bytes = static_cast<const unsigned char*>(image.get_bp());
    for (unsigned i = 0; bytes != nullptr && i < image.get_size(); ++i)
        if (bytes[i] != 0)
            return true;
    return false;
}

TEST_P(Ccapture_portable, SingleFramesFillPoolBuffersAndCallerImagesOfTheRightSize)
{
    Ccapture_probe& cap = bound();
    ASSERT_EQ(cap.get_frame(&state), CAPTURE_OK);
    ASSERT_TRUE(cap.image_available());
    EXPECT_EQ(cap.get_image(), device.get_buffer(0));
    EXPECT_EQ(cap.get_image()->get_width(), device.get_width());
    EXPECT_EQ(cap.get_image()->get_height(), device.get_height());
    EXPECT_TRUE(any_byte_set(*cap.get_image()));
    EXPECT_EQ(cap.get_frame_count(), 1u);

    Cfw_image image;
    ASSERT_EQ(image.create_image(cap.get_image()->get_format(), device.get_width(), device.get_height()), 1);
    EXPECT_EQ(cap.get_frame8(&image, &state), CAPTURE_OK);
    EXPECT_TRUE(any_byte_set(image));
    Cfw_image small;
    ASSERT_EQ(small.create_image(image.get_format(), 10, 10), 1);
    EXPECT_EQ(cap.get_frame8(&small, &state), CAPTURE_FAILED);
    EXPECT_EQ(cap.get_frame8(static_cast<Cfw_image*>(nullptr), &state), CAPTURE_FAILED);
    // The failures left the camera ready for the next frame.
    EXPECT_EQ(cap.get_frame(&state), CAPTURE_OK);
}

TEST_P(Ccapture_portable, StreamedFramesAlternateBetweenTheTwoBuffers)
{
    Ccapture_probe& cap = bound([](Ccam_settings& s) {
        s.set_average_opt(0);
        s.set_average_frames(0);
    });
    cap.setup(0, 0);
    ASSERT_EQ(device.start_frame_index(0), 0);
    std::vector<unsigned> buffers;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(cap.get_multi_frame(), CAPTURE_OK);
        buffers.push_back(cap.get_buffer_no());
        EXPECT_EQ(cap.get_image(), device.get_buffer(cap.get_buffer_no()));
    }
    device.abort_frame();
    EXPECT_EQ(buffers, (std::vector<unsigned>{0, 1, 0, 1}));
}

// The worker streams until the controller's stop shows as
// CAPTURE_STOPPED; the controller's abort then ends the next waits.
TEST_P(Ccapture_portable, ControllerStopsAndAbortsAStreamingWorker)
{
    Ccapture_probe& cap = bound();
    constexpr unsigned frame_limit = 100000; // a stop that never arrives fails, not hangs
    int stop_result = -1;
    unsigned frames_before_stop = 0;
    int abort_result = CAPTURE_OK;
    Cthread_state shared;

    std::thread worker([&] {
        shared.set_active();
        int result = CAPTURE_OK;
        for (unsigned n = 0; n < frame_limit && result == CAPTURE_OK; ++n)
            result = cap.complete_frame(&shared);
        stop_result = result;
        frames_before_stop = cap.get_frame_count();
        shared.clear_stop();
        // A real camera delivers again soon: the abort is seen while the
        // worker waits for one of the next frames.
        for (unsigned n = 0; n < frame_limit && abort_result == CAPTURE_OK; ++n)
            abort_result = cap.complete_frame(&shared);
        shared.set_inactive();
    });

    while (!shared.active())
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    shared.set_stop();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (shared.stop_requested() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    shared.set_abort();
    worker.join();

    EXPECT_EQ(stop_result, CAPTURE_STOPPED);
    EXPECT_GE(frames_before_stop, 1u);
    EXPECT_EQ(abort_result, CAPTURE_FAILED);
    EXPECT_FALSE(shared.active());
    // The camera is fit for the next capture.
    EXPECT_EQ(cap.get_frame(), CAPTURE_OK);
}

TEST_P(Ccapture_portable, DeepAndRawFramesWhereTheCameraHasThem)
{
    Ccapture_probe& cap = bound();
    for (unsigned depth : {10u, 12u}) {
        SCOPED_TRACE(depth);
        if (!has_depth(depth)) {
            EXPECT_FALSE(settings.set_component_depth(depth));
            continue;
        }
        ASSERT_EQ(cap.get_deep_frame(depth, &state), CAPTURE_OK);
        EXPECT_TRUE(cap.deep_image_available());
        EXPECT_EQ(cap.get_deep_image()->get_component_depth(), depth);
        EXPECT_EQ(cap.get_deep_image()->get_width(), device.get_width());
    }
    // Raw frames: one 16-bit word per pixel, whatever the camera.
    ASSERT_EQ(cap.get_raw_frame(&state), CAPTURE_OK);
    EXPECT_EQ(cap.get_image(), device.get_buffer(0));
    // The earlier format is back for the next 8-bit frame.
    ASSERT_EQ(cap.get_frame(&state), CAPTURE_OK);
    EXPECT_EQ(cap.get_image()->get_component_depth(), 8u);
}

TEST_P(Ccapture_portable, AveragedImageAndAutomaticExposureComeBack)
{
    Ccapture_probe& cap = bound([](Ccam_settings& s) {
        s.set_average_opt(1);
        s.set_average_frames(4);
    });
    cap.setup(1, 0);
    ASSERT_EQ(cap.process_multi_frame8(&state), CAPTURE_OK);
    EXPECT_TRUE(cap.image_available());
    EXPECT_TRUE(any_byte_set(*cap.get_image()));

    unsigned exposure_index = 0, gain = 0;
    EXPECT_EQ(cap.aep_process(exposure_index, gain, &state), CAPTURE_AUTO_DONE);
    unsigned low = 0, high = 0;
    device.get_param_min(KMX_PARAM_EXPOSURE, &low);
    device.get_param_max(KMX_PARAM_EXPOSURE, &high);
    EXPECT_GE(exposure_index, low > 0 ? low - 1 : 0); // the read-back index is truncated
    EXPECT_LE(exposure_index, high);
    EXPECT_EQ(cap.get_settings()->get_exposure(), exposure_index); // the capture's own copy
}

INSTANTIATE_TEST_SUITE_P(Cameras, Ccapture_portable, testing::ValuesIn(cameras_under_test()),
                         camera_name);

} // namespace
} // namespace portable_test
