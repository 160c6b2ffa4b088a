// SPDX-License-Identifier: Apache-2.0
// kmxcap list: every camera the library will open, with its identity,
// geometry, capabilities and depths.
#include "list_command.h"
#include "session.h"

#include <cstdio>

#include "camera_walk.h"
#include "kmxcore/camera/device.h"
#include "kmxcore/camera/kmx_interface.h"

namespace kmxcap {

namespace {

constexpr unsigned text_length = 128;

void print_camera(const Cdevice& device)
{
    char vendor[text_length] = {};
    char product[text_length] = {};
    device.camera_vendor_desc(vendor, text_length);
    device.camera_product_desc(product, text_length);
    std::printf("camera %u:%u  %s %s  serial %u\n", device.get_camera_id(),
                device.get_camera_index(), vendor, product, device.get_serial_no());
    std::printf("  type: %s\n", device.get_camera_type() == 1 ? "colour" : "monochrome");
    std::printf("  size: %ux%u, binned %ux%u, preview %ux%u\n", device.get_max_width(),
                device.get_max_height(), device.get_bin_width(), device.get_bin_height(),
                device.get_preview_width(), device.get_preview_height());
    const unsigned depths = device.get_camera_depths();
    std::printf("  depths:%s%s%s bits\n", (depths & KMX_DEPTH_BIT_8) ? " 8" : "",
                (depths & KMX_DEPTH_BIT_10) ? " 10" : "", (depths & KMX_DEPTH_BIT_12) ? " 12" : "");
    std::printf("  capabilities: 0x%04X", device.get_camera_caps());
    for (const char* name : kmx_apps::capability_names(device.get_camera_caps()))
        std::printf(" %s", name);
    std::printf("\n");
}

} // namespace

Cstatus list_cameras()
{
    Ckmx_interface library;
    if (library.open() != 0)
        return Cstatus(exit_no_camera, library_failure());
    if (kmx_apps::walk_cameras(print_camera) == 0)
        std::printf("no cameras found\n");
    library.close();
    return Cstatus::ok();
}

} // namespace kmxcap
