// SPDX-License-Identifier: Apache-2.0
// kmx_example: a first tour of kmxcore on whatever camera library is
// linked in. Lists the cameras, opens the first one, prints its identity
// and geometry, switches it to binned readout and closes it; then takes a
// frame from every camera (capture_demo.cpp).
//
// Exit status: 0 on success, 1 when the camera library cannot be opened,
// 2 when there is no camera, 3 when the chosen camera cannot be opened,
// 4 when a frame could not be captured.
#include <cstdio>
#include <vector>

#include "camera_walk.h"
#include "capture_demo.h"
#include "kmxcore/camera/device.h"
#include "kmxcore/camera/kmx_interface.h"

namespace {

constexpr int exit_ok = 0;
constexpr int exit_no_library = 1;
constexpr int exit_no_camera = 2;
constexpr int exit_open_failed = 3;

// Bytes of the description texts asked from the camera library.
constexpr unsigned text_length = 128;

struct Ccamera_words {
    unsigned id;
    unsigned index;
};

void print_descriptions(const Cdevice& device)
{
    char vendor[text_length] = {};
    char product[text_length] = {};
    device.camera_vendor_desc(vendor, text_length);
    device.camera_product_desc(product, text_length);
    std::printf("  camera %u/%u: %s, %s\n", device.get_camera_id(), device.get_camera_index(),
                vendor, product);
}

// Every camera the library will open, printed as it is found.
std::vector<Ccamera_words> list_cameras()
{
    std::vector<Ccamera_words> found;
    kmx_apps::walk_cameras([&found](Cdevice& device) {
        print_descriptions(device);
        found.push_back({device.get_camera_id(), device.get_camera_index()});
    });
    return found;
}

void print_depths(unsigned depths)
{
    std::printf("  component depths:");
    if (depths & KMX_DEPTH_BIT_8)
        std::printf(" 8");
    if (depths & KMX_DEPTH_BIT_10)
        std::printf(" 10");
    if (depths & KMX_DEPTH_BIT_12)
        std::printf(" 12");
    std::printf(" bits\n");
}

void print_identity(const Cdevice& device)
{
    std::printf("Camera %u/%u\n", device.get_camera_id(), device.get_camera_index());
    std::printf("  serial number: %u\n", device.get_serial_no());
    std::printf("  capabilities: 0x%04X\n", device.get_camera_caps());
    std::printf("  type: %s\n", device.get_camera_type() ? "colour" : "monochrome");
    print_depths(device.get_camera_depths());
}

void print_geometry(const Cdevice& device)
{
    std::printf("  full size: %u x %u\n", device.get_max_width(), device.get_max_height());
    std::printf("  binned size: %u x %u\n", device.get_bin_width(), device.get_bin_height());
    std::printf("  preview size: %u x %u\n", device.get_preview_width(),
                device.get_preview_height());
    std::printf("  current size: %u x %u\n", device.get_width(), device.get_height());
}

void switch_to_binning(Cdevice& device)
{
    if (!(device.get_camera_caps() & KMX_CAP_BIN)) {
        std::printf("  binned readout: not offered by this camera\n");
        return;
    }
    device.set_bin_mode();
    std::printf("  binned readout: %u x %u\n", device.get_width(), device.get_height());
}

int show_camera(const Ccamera_words& words)
{
    Cdevice device;
    if (device.open(words.id, words.index) != 0) {
        std::fprintf(stderr, "kmx_example: camera %u/%u could not be opened\n", words.id,
                     words.index);
        return exit_open_failed;
    }
    print_identity(device);
    print_geometry(device);
    switch_to_binning(device);
    device.close();
    std::printf("Camera closed.\n");
    return exit_ok;
}

} // namespace

int main()
{
    Ckmx_interface library;
    if (library.open() != 0) {
        std::fprintf(stderr, "kmx_example: the camera library could not be opened\n");
        return exit_no_library;
    }
    std::printf("Cameras:\n");
    const std::vector<Ccamera_words> cameras = list_cameras();
    if (cameras.empty()) {
        std::fprintf(stderr, "kmx_example: no camera found\n");
        library.close();
        return exit_no_camera;
    }
    int status = show_camera(cameras.front());
    for (const Ccamera_words& words : cameras)
        if (capture_one_frame(words.id, words.index) != exit_ok)
            status = status == exit_ok ? exit_capture_failed : status;
    library.close();
    return status;
}
