// SPDX-License-Identifier: Apache-2.0
// The automatic white balance, gain and exposure. A camera that has the
// GenICam procedure (GainAuto, ExposureAuto, BalanceWhiteAuto = Once) runs
// its own while frames are taken; otherwise, or when the camera's own does
// not finish, a software loop measures delivered frames and corrects the
// camera: towards mid-grey, exposure first and then gain, for at most a
// fixed number of steps. The progress callback runs after every step; an
// answer of 0 ends the procedure with KMX_AUTO_ABORTED and puts the values
// it changed back as they were.
#ifndef KMXARAVIS_AUTO_H
#define KMXARAVIS_AUTO_H

#include <mutex>

#include "camera.h"

namespace kmxaravis {

enum class Eauto { white_balance, gain, exposure, exposure_gain };

struct Cauto_request {
    Eauto kind = Eauto::gain;
    kmx_frame_t* record = nullptr;  // null: the assigned record `index`
    unsigned index = 0;
    kmx_progress_callback callback = nullptr;
    uintptr_t user = 0;
    RECT region{};
    unsigned lowest_exposure = 0;   // microseconds
    unsigned highest_exposure = 0;
    unsigned lowest_gain = 0;       // indexes
    unsigned highest_gain = 0;
};

// The software loop's limits: steps, the level it aims at on the 8-bit
// scale, and how close counts as there.
constexpr unsigned max_auto_steps = 16;
constexpr unsigned max_camera_auto_frames = 20;
constexpr double auto_target_level = 127.5;
constexpr double auto_tolerance = 0.04;

// Runs a procedure on an open camera; `lock` holds the library mutex and
// is let go around the callbacks and while frames arrive.
int run_auto(std::unique_lock<std::mutex>& lock, kmx_camera_t* handle, const Cauto_request& request);

} // namespace kmxaravis

#endif
