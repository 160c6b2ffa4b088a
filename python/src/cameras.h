// SPDX-License-Identifier: Apache-2.0
// What kmxcore.cameras() lists: each camera's identity, sizes, depths and
// capabilities.
#ifndef KMX_PYTHON_CAMERAS_H
#define KMX_PYTHON_CAMERAS_H

#include <string>
#include <vector>

class Cdevice;

namespace kmx_python {

struct Ccamera_description {
    unsigned camera_id = 0;
    unsigned camera_index = 0;
    std::string vendor;
    std::string model;
    unsigned serial = 0;
    unsigned width = 0;            ///< full sensor
    unsigned height = 0;
    unsigned bin_width = 0;        ///< binned readout
    unsigned bin_height = 0;
    unsigned preview_width = 0;    ///< preview readout
    unsigned preview_height = 0;
    std::vector<unsigned> depths;  ///< component depths offered: 8, 10, 12
    std::vector<std::string> capabilities;  ///< "colour", "preview", "binning", ...
    bool colour = false;
};

/// The description of the camera open on `device`.
Ccamera_description describe_camera(const Cdevice& device);

/// Every camera of the camera library `choice` ("" for the default), in
/// the order of their id and index. Cameras this module holds open are
/// listed with the description taken when they were opened. Throws
/// Ccamera_error when the camera library cannot be opened.
std::vector<Ccamera_description> list_cameras(const std::string& choice);

} // namespace kmx_python

#endif
