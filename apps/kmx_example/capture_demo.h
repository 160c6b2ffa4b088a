// SPDX-License-Identifier: Apache-2.0
// The capture part of the example: one frame from one camera.
#ifndef KMX_EXAMPLE_CAPTURE_DEMO_H
#define KMX_EXAMPLE_CAPTURE_DEMO_H

// Exit status of the example when a frame could not be captured.
constexpr int exit_capture_failed = 4;

// Opens the camera, binds a capture to it with the camera's own defaults,
// takes one frame and prints its size and the mean of its pixel values.
// 0 on success, exit_capture_failed otherwise (with a message on stderr).
int capture_one_frame(unsigned camera_id, unsigned camera_index);

#endif
