// SPDX-License-Identifier: Apache-2.0
/**
 * @class Cimage_binfo
 * @brief A Cimage_info plus where the described pixels are.
 *
 * The pool buffer number, the first pixel byte and the byte count, and the
 * image objects themselves. Filled by Ccapture::get_image_info and read
 * field by field by the application.
 *
 * Borrows everything it points at: the pointers refer into the capture and
 * the device's buffer pool and stay valid only while those live and keep
 * their buffers. Copies copy every field, pointers included; the
 * destructor, the only virtual operation, releases nothing.
 */
#ifndef KMX_IMAGE_IMAGE_BINFO_H
#define KMX_IMAGE_IMAGE_BINFO_H

#include <kmxcore/image/image_info.h>
#include <kmxcore/kmx_export.h>

class Cfw_image;
class Cimage;

class KMX_CORE_API Cimage_binfo {
public:
    Cimage_binfo() = default;
    /// Copies every field; the pointers then name the same images.
    Cimage_binfo(const Cimage_binfo&) = default;
    /// Copies every field; the pointers then name the same images.
    Cimage_binfo& operator=(const Cimage_binfo&) = default;
    virtual ~Cimage_binfo();

    Cimage_info info;                     ///< the description
    unsigned buffer_no = 0;               ///< pool buffer of current_image
    unsigned char* bp = nullptr;          ///< first byte of the described pixels (borrowed)
    unsigned size = 0;                    ///< bytes of the described image
    Cfw_image* current_image = nullptr;   ///< the capture's 8-bit image (borrowed)
    Cimage* deep_image = nullptr;         ///< the deep image when info.deep is 1 (borrowed)
};

static_assert(sizeof(void*) != 4 || sizeof(Cimage_binfo) == 68,
              "Cimage_binfo: 68 bytes on 32-bit targets (table pointer, 44-byte info, five words)");
static_assert(sizeof(void*) != 8 || sizeof(Cimage_binfo) == 96,
              "Cimage_binfo: 96 bytes on 64-bit targets (pointers aligned to 8)");

#endif
