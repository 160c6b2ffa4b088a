// SPDX-License-Identifier: Apache-2.0
// Handing kmxcore's diagnostics channel to the camera library (see
// camera_log.cpp).
#ifndef KMX_CAMERA_CAMERA_LOG_H
#define KMX_CAMERA_CAMERA_LOG_H

// Lets the camera library write through kmxcore's channel, if it offers
// to; harmless to call again.
void share_log_with_camera_library();

#endif
