// SPDX-License-Identifier: Apache-2.0
// first_frame: opens the first camera, takes one 8-bit frame with the
// camera's own settings and prints its size and mean value. With the
// simulated camera library that kmxcore installs by default, no camera is
// needed.
#include <cstdio>

#include <kmxcore/kmxcore.h>

namespace {

// The mean of every byte of an 8-bit frame (all components alike).
double mean_value(const Cfw_image& frame)
{
    const auto* bytes = static_cast<const unsigned char*>(frame.get_bp());
    unsigned long long sum = 0;
    for (unsigned i = 0; i < frame.get_size(); ++i)
        sum += bytes[i];
    return frame.get_size() == 0 ? 0.0 : static_cast<double>(sum) / frame.get_size();
}

} // namespace

int main()
{
    std::printf("kmxcore %s\n", kmxcore_version());
    // Failing camera-library calls are reported on stderr, with their status.
    kmx_log_configure("camera:warn");

    Ckmx_interface library;
    if (library.open() != 0) {
        std::fprintf(stderr, "first_frame: the camera library could not be opened\n");
        return 1;
    }
    Cdevice device;
    unsigned camera_id = 0;
    unsigned camera_index = 0;
    if (device.open_any(camera_id, camera_index) != 0) {
        std::fprintf(stderr, "first_frame: no camera could be opened\n");
        return 2;
    }
    Ccam_settings settings;
    settings.init(device.get_camera_handle());
    settings.set_component_depth(8);
    Ccapture capture(&device);
    capture.init(&device, &settings);
    const int result = capture.get_frame();
    const Cfw_image* frame = capture.get_image();
    if (result != CAPTURE_OK || frame == nullptr) {
        std::fprintf(stderr, "first_frame: no frame (capture result %d)\n", result);
        return 3;
    }
    std::printf("camera %u:%u: %u x %u frame, mean %.1f\n", camera_id, camera_index,
                frame->get_width(), frame->get_height(), mean_value(*frame));
    device.close();
    library.close();
    return 0;
}
