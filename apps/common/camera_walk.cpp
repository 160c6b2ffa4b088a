// SPDX-License-Identifier: Apache-2.0
#include "camera_walk.h"

#include <memory>
#include <vector>

namespace kmx_apps {

namespace {

// Guards against a library that keeps offering cameras.
constexpr size_t max_cameras = 64;
// A camera is held open only to be looked at: one buffer will do.
constexpr unsigned walk_buffers = 1;

struct Ccapability_name {
    unsigned bit;
    const char* name;
};

constexpr Ccapability_name capability_table[] = {
    {KMX_CAP_COLOR, "colour"},     {KMX_CAP_PREVIEW, "preview"},
    {KMX_CAP_BIN, "binning"},      {KMX_CAP_TEST_MODE, "test-mode"},
    {KMX_CAP_RATE_OFFSET, "rate-offset"},
};

bool already_held(const std::vector<std::unique_ptr<Cdevice>>& held, const Cdevice& device)
{
    for (const auto& other : held)
        if (other->get_camera_id() == device.get_camera_id() &&
            other->get_camera_index() == device.get_camera_index())
            return true;
    return false;
}

} // namespace

unsigned walk_cameras(const std::function<void(Cdevice&)>& visit)
{
    std::vector<std::unique_ptr<Cdevice>> held;
    while (held.size() < max_cameras) {
        auto device = std::make_unique<Cdevice>();
        unsigned id = 0;
        unsigned index = 0;
        if (device->open_any(id, index, walk_buffers) != 0 || already_held(held, *device))
            break;
        visit(*device);
        held.push_back(std::move(device));
    }
    const auto visited = static_cast<unsigned>(held.size());
    for (auto& device : held)
        device->close();
    return visited;
}

std::vector<const char*> capability_names(unsigned caps)
{
    std::vector<const char*> names;
    for (const Ccapability_name& cap : capability_table)
        if (caps & cap.bit)
            names.push_back(cap.name);
    return names;
}

} // namespace kmx_apps
