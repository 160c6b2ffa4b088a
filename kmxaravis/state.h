// SPDX-License-Identifier: Apache-2.0
// The library-wide state of kmxaravis: the instance, the cameras Aravis
// lists, the open cameras and the camera lists handed out. One mutex
// guards all of it and every camera.
#ifndef KMXARAVIS_STATE_H
#define KMXARAVIS_STATE_H

#include <memory>
#include <mutex>
#include <vector>

#include "camera.h"
#include "kmxlib/support/camera_lists.h"

namespace kmxaravis {

struct Cstate {
    std::mutex mutex;
    bool instance_open = false;
    bool listed = false;                 // the device list has been read
    std::vector<Cdevice_entry> devices;  // by transport, then device id
    std::vector<std::unique_ptr<kmx_camera>> cameras;
    kmxsupport::Ccamera_lists lists;     // handed out by kmx_list
};

Cstate& state();
kmx_instance_t* instance_handle();
bool instance_valid_locked(const kmx_instance_t* instance);

// Asks Aravis for its cameras again (GigE Vision discovery waits about a
// second for answers, so this is done only when needed).
void refresh_devices_locked();
const Cdevice_entry* find_device_locked(unsigned id, unsigned index);

// The open camera behind a handle, or null (a stale or foreign handle is
// looked up by address, never dereferenced).
kmx_camera* find_camera_locked(const kmx_camera_t* handle);
bool device_open_locked(const Cdevice_entry& entry);

void* make_camera_list_locked();
bool dispose_camera_list_locked(void* object);

} // namespace kmxaravis

#endif
