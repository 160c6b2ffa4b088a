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

} // namespace kmx_apps
