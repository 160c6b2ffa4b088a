// SPDX-License-Identifier: Apache-2.0
/**
 * @class Cimage_info
 * @brief A plain description of the image a capture holds.
 *
 * Filled in one call by Ccapture::get_image_info and read field by field
 * by the application (there are no accessors): ten 32-bit words, the
 * geometry, the pixel properties and the averaging options under which the
 * image was taken. Owns nothing; copies copy every field; the destructor,
 * the only virtual operation, releases nothing.
 */
#ifndef KMX_IMAGE_IMAGE_INFO_H
#define KMX_IMAGE_IMAGE_INFO_H

#include <kmxcore/kmx_export.h>

class KMX_CORE_API Cimage_info {
public:
    Cimage_info() = default;
    /// Copies every field.
    Cimage_info(const Cimage_info&) = default;
    /// Copies every field.
    Cimage_info& operator=(const Cimage_info&) = default;
    virtual ~Cimage_info();

    unsigned image_mode = 0;       ///< 0 monochrome, 1 colour
    unsigned deep = 0;             ///< 1: the deep image is described
    unsigned width = 0;            ///< pixels
    unsigned height = 0;           ///< pixels
    unsigned row_values = 0;       ///< values per monochrome row: the width
    unsigned component_depth = 8;  ///< significant bits per component
    unsigned component_size = 1;   ///< bytes per component
    unsigned averaging = 0;        ///< 1: the capture was set up for averaging
    unsigned average_opt = 0;      ///< 0 none, 1 mean, 2 clamped sum
    unsigned average_frames = 0;   ///< frames per averaged image
};

static_assert(sizeof(unsigned) == 4, "Cimage_info: every field is a 32-bit word");
static_assert(sizeof(Cimage_info) == sizeof(void*) + 10 * sizeof(unsigned),
              "Cimage_info: a table pointer followed by ten 32-bit words, no padding");

#endif
