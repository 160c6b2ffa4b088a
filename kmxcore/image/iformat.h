// SPDX-License-Identifier: Apache-2.0
/**
 * @class Ciformat
 * @brief A pixel-layout format code together with its six properties.
 *
 * The format code is an enumerated value, not a bit field: nine codes are
 * defined (kmx_format_code), each one fixed combination of image mode,
 * component count, component depth, component size, component order and
 * pixel size. The same code is camera parameter KMX_PARAM_FORMAT, so the
 * numbers are shared with the camera library. Owns nothing.
 */
#ifndef KMX_IMAGE_IFORMAT_H
#define KMX_IMAGE_IFORMAT_H

#include <kmxcore/kmx_export.h>

/// The defined format codes.
enum kmx_format_code : unsigned {
    KMX_FORMAT_MONO8 = 2,      ///< 8-bit monochrome
    KMX_FORMAT_MONO10 = 3,     ///< 10-bit monochrome in 2-byte words
    KMX_FORMAT_RGB24 = 4,      ///< 24-bit colour, normal order
    KMX_FORMAT_RGB30 = 5,      ///< three 10-bit components in 2-byte words
    KMX_FORMAT_BGR24 = 6,      ///< 24-bit colour, reversed order
    KMX_FORMAT_RGB32 = 7,      ///< 32-bit colour, normal order
    KMX_FORMAT_BGR32 = 8,      ///< 32-bit colour, reversed order
    KMX_FORMAT_MONO12 = 10,    ///< 12-bit monochrome in 2-byte words
    KMX_FORMAT_RGB36 = 11,     ///< three 12-bit components in 2-byte words
    KMX_FORMAT_NONE = 0xFFFFFFFFu  ///< what classification gives when no code fits
};

class KMX_CORE_API Ciformat {
public:
    Ciformat() = default;
    /// Copies the code and its properties.
    Ciformat(const Ciformat&) = default;
    /// Copies the code and its properties.
    Ciformat& operator=(const Ciformat&) = default;
    virtual ~Ciformat();

    /// @return the format code held (0 before any set_format)
    virtual unsigned get_format() const;
    /// @return 0 monochrome, 1 colour
    virtual unsigned get_image_mode() const;
    /// @return components per pixel
    virtual unsigned get_no_components() const;
    /// @return bytes per component
    virtual unsigned get_component_size() const;
    /// @return significant bits per component
    virtual unsigned get_component_depth() const;
    /// @return 0 normal order, 1 reversed
    virtual unsigned get_component_order() const;
    /// @return bytes per pixel
    virtual unsigned get_pixel_size() const;
    /// @brief Writes the six properties, in decompose_format's order.
    /// @return true, always
    virtual bool get_details(unsigned& image_mode, unsigned& no_components,
                             unsigned& component_depth, unsigned& component_size,
                             unsigned& component_order, unsigned& pixel_size) const;
    /// @brief Takes the format of these properties (rules as classify_image).
    /// @return true taken; false, with the object unchanged, when no code fits
    virtual bool set_format(unsigned image_mode, unsigned no_components,
                            unsigned component_depth, unsigned component_order);
    /// @brief Takes a format code.
    /// @return true taken (at once for the code already held); false, with the
    ///         object unchanged, for a value that is not a format
    virtual bool set_format(unsigned format);

    /// @brief The code for a set of properties.
    ///
    /// Any image mode but 1 is monochrome; a colour count of 0 means 3; any
    /// order but 1 is normal order.
    /// @return the format code, or KMX_FORMAT_NONE when none fits
    static unsigned classify_image(unsigned image_mode, unsigned no_components,
                                   unsigned component_depth, unsigned component_order);
    /// @brief The six properties of a code.
    /// @return true, with all six outputs written, for one of the nine codes;
    ///         false, with nothing written, otherwise
    static bool decompose_format(unsigned format, unsigned& image_mode, unsigned& no_components,
                                 unsigned& component_depth, unsigned& component_size,
                                 unsigned& component_order, unsigned& pixel_size);

protected:
    unsigned format = 0;           ///< the code held
    unsigned image_mode = 0;       ///< 0 monochrome, 1 colour
    unsigned component_order = 0;  ///< 0 normal, 1 reversed
    unsigned component_depth = 8;  ///< significant bits per component
    unsigned no_components = 1;    ///< components per pixel
    unsigned component_size = 1;   ///< bytes per component
    unsigned pixel_size = 1;       ///< bytes per pixel
};

#endif
