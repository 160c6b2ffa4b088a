/* SPDX-License-Identifier: Apache-2.0 */
// The camera lists a camera library hands out (kmx_list): each the two
// words of every camera listed, owned by the library until the caller
// disposes of it or the library shuts down.
#ifndef KMXLIB_SUPPORT_CAMERA_LISTS_H
#define KMXLIB_SUPPORT_CAMERA_LISTS_H

#include <cstdint>
#include <utility>
#include <vector>

struct kmx_camera_list {
    std::vector<std::pair<uint32_t, uint32_t>> cameras;
};

namespace kmxsupport {

/// The lists handed out. Not locked: the library calls it under its own
/// lock.
class Ccamera_lists {
public:
    Ccamera_lists() = default;
    Ccamera_lists(const Ccamera_lists&) = delete;
    Ccamera_lists& operator=(const Ccamera_lists&) = delete;
    ~Ccamera_lists() { clear(); }

    /// A new empty list, kept until disposed of.
    kmx_camera_list* make();
    /// Frees a list handed out; false for anything else (a stale or
    /// foreign pointer is never freed).
    bool dispose(void* object);
    /// Frees every list.
    void clear();

private:
    std::vector<kmx_camera_list*> lists_;
};

} // namespace kmxsupport

#endif
