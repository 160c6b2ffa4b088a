// SPDX-License-Identifier: Apache-2.0
// Frames of kmxaravis: each caller record becomes an Aravis buffer over
// the caller's own memory, so a frame that needs no conversion lands there
// without a copy; frames that need one land in a buffer of ours and are
// converted into the record when they complete.
//
// At most one buffer is in the stream at a time: the frame in progress.
// Whatever ends it early (an abort, a new start, the frame deadline, a
// release) takes its buffer back out of the stream before returning, so
// nothing writes into caller memory once the caller may free it.
#ifndef KMXARAVIS_FRAMES_H
#define KMXARAVIS_FRAMES_H

#include "camera.h"

namespace kmxaravis {

// A frame that never arrives ends with KMX_FRAME_FAILED_16 after this many
// frame periods (exposure included), but never sooner than the floor.
constexpr unsigned deadline_frame_periods = 4;
constexpr uint32_t deadline_floor_ms = 1000;
// The first frame after acquisition starts gets this much longer.
constexpr uint32_t first_frame_slack_ms = 2000;

int assign_buffers_locked(Ccamera& camera, kmx_frame_t* records, unsigned count);
int release_buffers_locked(Ccamera& camera);
// index: the assigned record's index, or -1 for a record of the caller.
int start_frame_locked(Ccamera& camera, kmx_frame_t* record, int index);
// The completion checks: a non-blocking look at the stream. `delivered`
// is set when a frame was delivered now (the caller fires the
// frame-complete event once the lock is released).
int check_complete_locked(Ccamera& camera, bool stream, bool keep_going, bool& delivered);
int abort_frame_locked(Ccamera& camera);
// Stops acquisition and destroys the stream and every buffer.
void shutdown_locked(Ccamera& camera);

// What a frame started now would be: the camera's format and the
// delivered layout (before the preview reduction), the camera's image
// size and binning. False when the camera can deliver no format at all.
struct Creadout {
    Cplan plan;
    bool preview = false;
    unsigned width = 0;    // the camera's image
    unsigned height = 0;
    unsigned binning = 1;
    Clayout delivered() const;
};
bool current_readout(const Ccamera& camera, Creadout& readout);

} // namespace kmxaravis

#endif
