// SPDX-License-Identifier: Apache-2.0
// Walking through every camera the library will open, for the tools.
#ifndef KMX_APPS_CAMERA_WALK_H
#define KMX_APPS_CAMERA_WALK_H

#include <functional>
#include <vector>

#include "kmxcore/camera/device.h"

namespace kmx_apps {

// Calls visit once for every camera the camera library will open, in the
// order it offers them, with the camera open on a device (one frame
// buffer). The library instance must be open. Each open_any skips the
// cameras already held open, so they stay open until the walk ends; then
// all are closed. A library that offers a camera a second time, or more
// than 64 cameras, ends the walk. Returns the number of cameras visited.
unsigned walk_cameras(const std::function<void(Cdevice&)>& visit);

// The names of the capability bits set in caps (KMX_INFO_CAPS), in one
// order, so that every tool and binding calls them alike: "colour",
// "preview", "binning", "test-mode", "rate-offset".
std::vector<const char*> capability_names(unsigned caps);

} // namespace kmx_apps

#endif
