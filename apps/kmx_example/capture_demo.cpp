// SPDX-License-Identifier: Apache-2.0
// One frame from one camera through Ccapture, reported by its size and the
// mean of its pixel values.
#include "capture_demo.h"

#include <cstdint>
#include <cstdio>

#include "kmxcore/camera/device.h"
#include "kmxcore/capture/capture.h"
#include "kmxcore/capture/thread_state.h"
#include "kmxcore/image/fw_image.h"

namespace {

// Mean of every byte of an 8-bit frame (all components alike).
double mean_value(const Cfw_image& image)
{
    const auto* bytes = static_cast<const unsigned char*>(image.get_bp());
    const unsigned size = image.get_size();
    if (bytes == nullptr || size == 0)
        return 0.0;
    std::uint64_t sum = 0;
    for (unsigned i = 0; i < size; ++i)
        sum += bytes[i];
    return static_cast<double>(sum) / size;
}

int report_failure(unsigned id, unsigned index, const char* what, int code)
{
    std::fprintf(stderr, "kmx_example: camera %u/%u: %s (%d)\n", id, index, what, code);
    return exit_capture_failed;
}

} // namespace

int capture_one_frame(unsigned camera_id, unsigned camera_index)
{
    Cdevice device;
    const int opened = device.open(camera_id, camera_index);
    if (opened != 0)
        return report_failure(camera_id, camera_index, "cannot be opened", opened);
    Ccam_settings settings;
    settings.init(device.get_camera_handle());
    // An 8-bit frame is what every camera offers and what the mean reads.
    settings.set_component_depth(8);
    Ccapture capture;
    capture.init(&device, &settings);
    Cthread_state requests;
    const int result = capture.get_frame(&requests);
    if (result != CAPTURE_OK || capture.get_image() == nullptr) {
        device.close();
        return report_failure(camera_id, camera_index, "no frame", result);
    }
    const Cfw_image& image = *capture.get_image();
    std::printf("Frame from camera %u/%u: %u x %u, %u byte(s) per pixel, mean %.2f\n",
                camera_id, camera_index, image.get_width(), image.get_height(),
                image.get_pixel_size(), mean_value(image));
    device.close();
    return 0;
}
