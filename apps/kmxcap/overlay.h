// SPDX-License-Identifier: Apache-2.0
// Drawing a camera frame through a DIB-section image with the crosshair
// or grid overlay, the way the library shows frames in a window.
#ifndef KMXCAP_OVERLAY_H
#define KMXCAP_OVERLAY_H

#include "options.h"
#include "picture.h"
#include "status.h"

class Cfw_image;

namespace kmxcap {

// Draws the 8-bit frame into a Cos_image of its size, adds the overlay and
// copies the result out (RGB order for colour).
Cstatus picture_with_overlay(Cfw_image& frame, Eoverlay overlay, Cpicture& picture);

} // namespace kmxcap

#endif
