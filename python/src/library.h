// SPDX-License-Identifier: Apache-2.0
// Clibrary: the camera-library instance of the process as the module
// shares it between its cameras.
//
// Ckmx_interface keeps one instance handle for the whole process and does
// not count its users: one close() closes it for everybody. A Python
// program opens and closes cameras in any order (two `with` blocks, a
// camera left to the garbage collector), so the module counts for it:
// every open camera, and cameras() while it lists, holds a reference
// from acquire(); the first one opens the instance and the last one to go
// closes it.
#ifndef KMX_PYTHON_LIBRARY_H
#define KMX_PYTHON_LIBRARY_H

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <kmxcore/camera/kmx_interface.h>

#include "cameras.h"

namespace kmx_python {

class Clibrary {
public:
    /// The shared instance, opened first if nobody holds it. `choice` names
    /// the camera library ("sim", "aravis" or a file; "" leaves the choice
    /// to KMX_CAMERA_LIBRARY, else the simulator). Throws Ccamera_error
    /// when the camera library cannot be chosen or opened, or when an open
    /// instance belongs to another camera library than `choice`.
    static std::shared_ptr<Clibrary> acquire(const std::string& choice);

    Clibrary(const Clibrary&) = delete;
    Clibrary& operator=(const Clibrary&) = delete;

    /// The name of the camera library in use, as chosen ("sim" by default).
    const std::string& name() const { return chosen; }

    /// Keeps the description of a camera the module holds open, so that
    /// cameras() still lists it; `owner` identifies the entry.
    void register_camera(const void* owner, const Ccamera_description& description);
    /// Forgets the camera of `owner`.
    void forget_camera(const void* owner);
    /// The cameras held open, as registered.
    std::vector<Ccamera_description> open_cameras() const;

private:
    Clibrary() = default;
    // Drops one reference; the last closes the instance.
    static void release(Clibrary* library);

    Ckmx_interface instance;
    unsigned users = 0;      // references handed out and not yet dropped
    std::string chosen;
    mutable std::mutex cameras_mutex;
    std::vector<std::pair<const void*, Ccamera_description>> cameras;
};

} // namespace kmx_python

#endif
