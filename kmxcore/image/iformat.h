// SPDX-License-Identifier: Apache-2.0
// Ciformat: a pixel-layout format code together with its six properties.
//
// The format code is an enumerated value, not a bit field: nine codes are
// defined, each one fixed combination of image mode, component count,
// component depth, component size, component order and pixel size. The
// same code is camera parameter KMX_PARAM_FORMAT, so the numbers are shared
// with the camera library. Owns nothing.
#ifndef KMX_IMAGE_IFORMAT_H
#define KMX_IMAGE_IFORMAT_H

#include <kmxcore/kmx_export.h>

// The defined codes.
enum kmx_format_code : unsigned {
    KMX_FORMAT_MONO8 = 2,
    KMX_FORMAT_MONO10 = 3,
    KMX_FORMAT_RGB24 = 4,
    KMX_FORMAT_RGB30 = 5,      // three 10-bit components in 2-byte words
    KMX_FORMAT_BGR24 = 6,      // 24-bit colour, reversed order
    KMX_FORMAT_RGB32 = 7,
    KMX_FORMAT_BGR32 = 8,      // 32-bit colour, reversed order
    KMX_FORMAT_MONO12 = 10,
    KMX_FORMAT_RGB36 = 11,     // three 12-bit components in 2-byte words
    KMX_FORMAT_NONE = 0xFFFFFFFFu  // what classification gives when no code fits
};

class KMX_CORE_API Ciformat {
public:
    Ciformat() = default;
    Ciformat(const Ciformat&) = default;
    Ciformat& operator=(const Ciformat&) = default;
    virtual ~Ciformat();

    virtual unsigned get_format() const;
    virtual unsigned get_image_mode() const;
    virtual unsigned get_no_components() const;
    virtual unsigned get_component_size() const;
    virtual unsigned get_component_depth() const;
    virtual unsigned get_component_order() const;
    virtual unsigned get_pixel_size() const;
    // Writes the six properties (decompose_format's order); always true.
    virtual bool get_details(unsigned& image_mode, unsigned& no_components,
                             unsigned& component_depth, unsigned& component_size,
                             unsigned& component_order, unsigned& pixel_size) const;
    // From properties: false (object unchanged) when no code fits.
    virtual bool set_format(unsigned image_mode, unsigned no_components,
                            unsigned component_depth, unsigned component_order);
    // From a code: true at once for the held code; false (unchanged) for a
    // value that is not a format.
    virtual bool set_format(unsigned format);

    // The code for these properties, or KMX_FORMAT_NONE. Any image mode
    // but 1 is monochrome; a colour count of 0 means 3; any order but 1 is
    // normal order.
    static unsigned classify_image(unsigned image_mode, unsigned no_components,
                                   unsigned component_depth, unsigned component_order);
    // True and all six outputs written for one of the nine codes; false and
    // nothing written otherwise.
    static bool decompose_format(unsigned format, unsigned& image_mode, unsigned& no_components,
                                 unsigned& component_depth, unsigned& component_size,
                                 unsigned& component_order, unsigned& pixel_size);

protected:
    unsigned format = 0;
    unsigned image_mode = 0;
    unsigned component_order = 0;
    unsigned component_depth = 8;
    unsigned no_components = 1;
    unsigned component_size = 1;
    unsigned pixel_size = 1;
};

#endif
