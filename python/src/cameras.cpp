// SPDX-License-Identifier: Apache-2.0
#include "cameras.h"

#include <algorithm>
#include <tuple>

#include <kmxcore/camera/device.h>

#include "camera_walk.h"
#include "library.h"

namespace kmx_python {

namespace {

constexpr unsigned text_bytes = 128;

struct Cdepth_bit {
    unsigned bit;
    unsigned depth;
};

constexpr Cdepth_bit depth_bits[] = {
    {KMX_DEPTH_BIT_8, 8}, {KMX_DEPTH_BIT_10, 10}, {KMX_DEPTH_BIT_12, 12}};

} // namespace

Ccamera_description describe_camera(const Cdevice& device)
{
    Ccamera_description d;
    d.camera_id = device.get_camera_id();
    d.camera_index = device.get_camera_index();
    char text[text_bytes] = {};
    if (device.camera_vendor_desc(text, text_bytes) == KMX_OK)
        d.vendor = text;
    text[0] = '\0';
    if (device.camera_product_desc(text, text_bytes) == KMX_OK)
        d.model = text;
    d.serial = device.get_serial_no();
    d.width = device.get_max_width();
    d.height = device.get_max_height();
    d.bin_width = device.get_bin_width();
    d.bin_height = device.get_bin_height();
    d.preview_width = device.get_preview_width();
    d.preview_height = device.get_preview_height();
    for (const Cdepth_bit& entry : depth_bits)
        if (device.get_camera_depths() & entry.bit)
            d.depths.push_back(entry.depth);
    for (const char* name : kmx_apps::capability_names(device.get_camera_caps()))
        d.capabilities.push_back(name);
    d.colour = device.get_camera_type() == 1;
    return d;
}

std::vector<Ccamera_description> list_cameras(const std::string& choice)
{
    const std::shared_ptr<Clibrary> library = Clibrary::acquire(choice);
    // The walk opens every camera that nobody holds open; the ones this
    // module holds it cannot open again, so they come from the register.
    std::vector<Ccamera_description> found = library->open_cameras();
    kmx_apps::walk_cameras([&found](Cdevice& device) { found.push_back(describe_camera(device)); });
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return std::tie(a.camera_id, a.camera_index) < std::tie(b.camera_id, b.camera_index);
    });
    return found;
}

} // namespace kmx_python
