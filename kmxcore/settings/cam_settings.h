// SPDX-License-Identifier: Apache-2.0
/**
 * @class Ccam_settings
 * @brief The capture settings of one camera, as a plain value record.
 *
 * Holds a configuration name, gain, black level (bl), exposure,
 * white-balance gains and boosts, contrast, gamma, capture and live rate
 * selectors, the pixel format (image type, component order, component
 * count, component depth), averaging options and the test, preview, bin
 * and invert modes.
 *
 * Most numeric settings are kept twice: as the index the camera parameter
 * takes and as a value in the camera's unit. Setters keep the two in step
 * through the camera library's conversions.
 *
 * Borrows the camera handle given to init(). It is used only to ask the
 * camera library for limits and conversions; the record never writes to
 * the camera, never closes the handle, and copies share it. Once the camera
 * is closed, call init(nullptr) (or stop using the setters) before changing
 * the record again. Owns nothing; the destructor releases nothing.
 *
 * Bound and unbound: the record is bound while `camera` is not null (only
 * init() binds). Bound, the setters check the camera's limits and convert;
 * unbound, they check only their fixed ranges, convert nothing and store
 * what they are given. Capability-gated switches (test, preview, bin) need
 * a bit of `flags`, which is 0 when unbound, so they are refused unbound.
 *
 * Results: setters and format operations answer true when the setting was
 * taken and false when it was refused, in which case nothing changed.
 * init() and load_defaults() answer 0.
 */
#ifndef KMX_SETTINGS_CAM_SETTINGS_H
#define KMX_SETTINGS_CAM_SETTINGS_H

#include <kmxcore/camera/kmxlib.h>
#include <kmxcore/kmx_export.h>

/// Characters a configuration name keeps; the field has one more byte for
/// the terminator.
constexpr unsigned kmx_settings_name_chars = 32;

static_assert(sizeof(unsigned) == 4, "Ccam_settings: the index and mode fields are 32-bit");
static_assert(sizeof(double) == 8, "Ccam_settings: the value fields are 64-bit IEEE doubles");
static_assert(sizeof(bool) == 1, "Ccam_settings: format_saved is a single byte");

class KMX_CORE_API Ccam_settings {
public:
    Ccam_settings() = default;
    /// Memberwise: the copy shares the bound camera handle.
    Ccam_settings(const Ccam_settings&) = default;
    /// Memberwise: the copy shares the bound camera handle.
    Ccam_settings& operator=(const Ccam_settings&) = default;
    virtual ~Ccam_settings();

    /// @return the configuration name (owned by the record), always terminated
    virtual const char* get_name() const;
    /// @return the gain index
    virtual unsigned get_gain() const;
    /// @return the gain value
    virtual double get_gain_value() const;
    /// @return the gain value of the highest gain index (bound)
    virtual double get_max_gain_value() const;
    /// @return the gain value of the lowest gain index (bound)
    virtual double get_min_gain_value() const;
    /// @return the red white-balance gain index
    virtual unsigned get_red_gain() const;
    /// @return the red white-balance gain value
    virtual double get_red_gain_value() const;
    /// @return the green white-balance gain index
    virtual unsigned get_green_gain() const;
    /// @return the green white-balance gain value
    virtual double get_green_gain_value() const;
    /// @return the blue white-balance gain index
    virtual unsigned get_blue_gain() const;
    /// @return the blue white-balance gain value
    virtual double get_blue_gain_value() const;
    /// @return the exposure index
    virtual unsigned get_exposure() const;
    /// @return the exposure value in the units of KMX_PARAM_EXPOSURE
    ///         (microseconds); the spelling is part of the library's interface
    virtual unsigned get_expsoure_value() const;
    /// @return 0 contrast neutral, 1 contrast applied
    virtual unsigned get_contrast_mode() const;
    /// @return the contrast index (127 neutral)
    virtual unsigned get_contrast() const;
    /// @return contrast - 127: 0 is neutral
    virtual int get_contrast_value() const;
    /// @return 0 gamma off, 1 on
    virtual unsigned get_gamma_mode() const;
    /// @return the gamma value
    virtual double get_gamma() const;
    /// @return the gamma index (0..64)
    virtual unsigned get_gamma_index() const;
    /// @return 1 when the red boost is on
    virtual unsigned get_red_boost() const;
    /// @return 1 when the blue boost is on
    virtual unsigned get_blue_boost() const;
    /// @return the black-level index
    virtual unsigned get_bl() const;
    /// @return the black-level value
    virtual double get_bl_value() const;
    /// @return 0 (8 bits), 1 (10) or 2 (12)
    virtual unsigned get_depth_select() const;
    /// @return the averaging option: 0 off, 1 mean
    virtual unsigned get_average_opt() const;
    /// @return frames per averaged image
    virtual unsigned get_average_frames() const;
    /// @return 1 when preview readout is chosen
    virtual unsigned get_preview_mode() const;
    /// @return 1 when binned readout is chosen
    virtual unsigned get_bin_mode() const;
    /// @return 1 when the test pattern is chosen
    virtual unsigned get_test_mode() const;
    /// @return the capture rate selector: 0, 1 or 4
    virtual unsigned get_rate() const;
    /// @return the value the capture rate selector is written as
    virtual unsigned get_rate_index() const;
    /// @return the live rate selector: 0, 1 or 4
    virtual unsigned get_live_rate() const;
    /// @return the value the live rate selector is written as
    virtual unsigned get_live_rate_index() const;
    /// @return 0 monochrome, 1 colour
    virtual unsigned get_image_type() const;
    /// @return 0 normal component order, 1 reversed
    virtual unsigned get_order() const;
    /// @return components per pixel; 0 stands for the usual count of the type
    virtual unsigned get_no_components() const;
    /// @return true when the camera-side inversion is on (invert is 1)
    virtual bool invert_image() const;

    /// @brief Binds the camera (borrowed; null unbinds), reads its capability
    /// word and limits and loads its defaults.
    /// @return 0 in every case; a null camera loads nothing
    virtual int init(kmx_camera_t* camera);
    /// @brief Sets every setting to the camera's defaults without binding it
    /// or touching `flags`; works on an unbound record. A default the camera
    /// library does not report leaves the preset (or earlier) value.
    /// @return 0 in every case
    virtual int load_defaults(kmx_camera_t* camera);
    /// @brief The format code of the current pixel settings, also stored in
    /// `format`. A component count of 0 is first replaced by the usual count
    /// of the image type.
    /// @return the code; KMX_FORMAT_NONE when no code fits
    virtual unsigned get_format();
    /// @return true when the bound camera offers preview readout; false unbound
    virtual bool preview_mode_allowed();
    /// @return true when the bound camera offers binned readout; false unbound
    virtual bool bin_mode_allowed();
    /// @return true when the bound camera offers the test pattern; false unbound
    virtual bool test_mode_allowed();
    /// @brief The 8-bit native layout of an image type (1 colour, anything
    /// else monochrome).
    /// @return true, always
    virtual bool set_native(unsigned image_type);
    /// @brief Keeps image type, order, components and depth selection.
    /// @return true, always
    virtual bool save_format();
    /// @brief Brings back what save_format kept, as often as asked.
    /// @return true restored; false when nothing was saved
    virtual bool restore_format();
    /// @brief Takes the pixel settings of a format code; does not update
    /// `format`.
    /// @return true taken; false, unchanged, for a code that is not a format
    ///         or, bound, one the camera cannot deliver
    virtual bool set_format(unsigned format);
    /// @return true when the component depth exceeds 8 bits
    virtual bool deep_image() const;
    /// @return 8, 10 or 12 from depth_select (8 for an unknown selection)
    virtual unsigned get_component_depth() const;
    /// @brief Selects a component depth.
    /// @return unbound: true, 10 and 12 are taken and anything else means 8;
    ///         bound: true for a depth the camera offers, false (unchanged)
    ///         otherwise
    virtual bool set_component_depth(unsigned depth);
    /// @return bytes per component: 2 for 10 and 12 bits, else 1
    virtual unsigned get_component_size() const;
    /// @return bytes per pixel: component size times no_components
    virtual unsigned get_pixel_size() const;

    /// @brief Copies at most kmx_settings_name_chars characters of `text`
    /// and zero-fills the rest, so the name stays terminated; null is
    /// ignored.
    /// @return true, always
    virtual bool set_config_name(unsigned char* text);
    /// @brief Sets the gain index; bound, converts it into the value.
    /// @return true taken; false when bound and outside the camera's limits
    virtual bool set_gain(unsigned index);
    /// @brief Sets the gain value; bound, converts it into the index, which
    /// is clamped to the camera's limits. The value is stored as given, so a
    /// clamped index and its value may disagree.
    /// @return true, always
    virtual bool set_gain_value(double gain);
    /// @brief Sets the black-level index (rules as set_gain).
    /// @return true taken; false when bound and outside the camera's limits
    virtual bool set_bl(unsigned index);
    /// @brief Sets the black-level value (rules as set_gain_value).
    /// @return true, always
    virtual bool set_bl_value(double bl);
    /// @brief Sets the contrast mode.
    /// @return true for 0 or 1; false otherwise
    virtual bool set_contrast_mode(unsigned mode);
    /// @brief Sets the contrast index. Bound, contrast_mode follows (0 for
    /// the neutral 127, else 1); unbound, the mode is left alone.
    /// @return true taken; false when bound and outside the camera's limits
    virtual bool set_contrast(unsigned contrast);
    /// @brief set_contrast(value + 127) in unsigned 32-bit arithmetic.
    /// @return as set_contrast
    virtual bool set_contrast_value(int value);
    /// @brief Switches gamma correction.
    /// @return true for 0 or 1; false otherwise
    virtual bool set_gamma_mode(unsigned mode);
    /// @brief Sets the gamma value; bound, converts it into gamma_index.
    /// @return true taken; false when bound and outside the camera's limits
    virtual bool set_gamma(double gamma);
    /// @brief Sets the gamma index.
    /// @return true taken; false when bound and outside the fixed 0..64
    virtual bool set_gamma_index(unsigned index);
    /// @brief Sets the red white-balance gain index (rules as set_gain).
    /// @return true taken; false when bound and outside the camera's limits
    virtual bool set_red_gain(unsigned index);
    /// @brief Sets the blue white-balance gain index (rules as set_gain).
    /// @return true taken; false when bound and outside the camera's limits
    virtual bool set_blue_gain(unsigned index);
    /// @brief Sets the green white-balance gain index (rules as set_gain).
    /// @return true taken; false when bound and outside the camera's limits
    virtual bool set_green_gain(unsigned index);
    /// @brief Sets the red white-balance gain value (rules as
    /// set_gain_value). @return true, always
    virtual bool set_red_gain_value(double gain);
    /// @brief Sets the blue white-balance gain value (rules as
    /// set_gain_value). @return true, always
    virtual bool set_blue_gain_value(double gain);
    /// @brief Sets the green white-balance gain value (rules as
    /// set_gain_value). @return true, always
    virtual bool set_green_gain_value(double gain);
    /// @brief Switches the red boost.
    /// @return true for 0 or 1; false otherwise
    virtual bool set_red_boost(unsigned on);
    /// @brief Switches the blue boost.
    /// @return true for 0 or 1; false otherwise
    virtual bool set_blue_boost(unsigned on);
    /// @brief Sets the exposure index (rules as set_gain).
    /// @return true taken; false when bound and outside the camera's limits
    virtual bool set_exposure(unsigned index);
    /// @brief Sets the exposure value in microseconds (rules as
    /// set_gain_value). @return true, always
    virtual bool set_exposure_value(unsigned exposure);
    /// @brief Sets the capture rate selector. Its index is the selector, or,
    /// bound to a camera with KMX_CAP_RATE_OFFSET, 1, 2 and 4.
    /// @return true for 0, 1 and 4; false otherwise
    virtual bool set_rate(unsigned rate);
    /// @brief Sets the live rate selector (rules as set_rate).
    /// @return true for 0, 1 and 4; false otherwise
    virtual bool set_live_rate(unsigned rate);
    /// @brief Selects the component depth by number, with no capability check.
    /// @return true for 0 (8 bits), 1 (10) or 2 (12); false otherwise
    virtual bool set_depth_select(unsigned select);
    /// @brief Switches averaging.
    /// @return true for 0 or 1; false otherwise
    virtual bool set_average_opt(unsigned on);
    /// @brief Sets the frames per averaged image, 0 included.
    /// @return true, always
    virtual bool set_average_frames(unsigned frames);
    /// @brief Switches the test pattern.
    /// @return true for 0, or 1 on a camera with KMX_CAP_TEST_MODE; false
    ///         otherwise (and always unbound)
    virtual bool set_test_mode(unsigned on);
    /// @brief Switches preview readout; 1 clears binned readout.
    /// @return true for 0, or 1 on a camera with KMX_CAP_PREVIEW; false
    ///         otherwise (and always unbound)
    virtual bool set_preview_mode(unsigned on);
    /// @brief Switches binned readout; 1 clears preview readout.
    /// @return true for 0, or 1 on a camera with KMX_CAP_BIN; false
    ///         otherwise (and always unbound)
    virtual bool set_bin_mode(unsigned on);
    /// @brief Switches the camera-side inversion.
    /// @return true for 0 or 1; false otherwise
    virtual bool set_invert_image(unsigned on);

protected:
    char name[kmx_settings_name_chars + 1] = {}; ///< the configuration name and its terminator
    unsigned gain = 0;              ///< gain index
    double gain_value = 0.0;        ///< gain value
    unsigned bl = 0;                ///< black-level index
    double bl_value = 0.0;          ///< black-level value
    unsigned contrast_mode = 0;     ///< 0 neutral, 1 applied
    unsigned contrast = 0;          ///< 127 is neutral
    unsigned red_gain = 0;          ///< red white-balance gain index
    double red_gain_value = 0.0;    ///< red white-balance gain value
    unsigned green_gain = 0;        ///< green white-balance gain index
    double green_gain_value = 0.0;  ///< green white-balance gain value
    unsigned blue_gain = 0;         ///< blue white-balance gain index
    double blue_gain_value = 0.0;   ///< blue white-balance gain value
    unsigned red_boost = 0;         ///< red boost switch
    unsigned blue_boost = 0;        ///< blue boost switch
    unsigned gamma_mode = 0;        ///< gamma switch
    unsigned gamma_index = 0;       ///< gamma index
    double gamma = 0.0;             ///< gamma value
    unsigned exposure = 0;          ///< index
    unsigned exposure_value = 0;    ///< units of KMX_PARAM_EXPOSURE
    unsigned rate = 0;              ///< selector 0, 1 or 4
    unsigned rate_index = 0;        ///< capture rate as written
    unsigned live_rate = 0;         ///< live rate selector
    unsigned live_rate_index = 0;   ///< live rate as written
    unsigned depth_select = 0;      ///< 0 = 8 bits, 1 = 10, 2 = 12
    unsigned average_opt = 0;       ///< averaging switch
    unsigned average_frames = 2;    ///< frames per averaged image
    unsigned test_mode = 0;         ///< test pattern switch
    unsigned preview_mode = 0;      ///< preview readout switch
    unsigned bin_mode = 0;          ///< binned readout switch
    unsigned invert = 0;            ///< camera-side inversion switch
    unsigned format = 2;            ///< last result of get_format()
    unsigned image_type = 0;        ///< 0 monochrome, 1 colour
    unsigned order = 0;             ///< 0 normal component order, 1 reversed
    unsigned no_components = 1;     ///< 0: the usual count of image_type
    unsigned native_format = 2;     ///< format of the native layout
    unsigned native_type = 0;       ///< image type of the native layout
    unsigned native_order = 0;      ///< component order of the native layout
    unsigned native_components = 1; ///< component count of the native layout
    bool format_saved = false;      ///< true once save_format ran
    unsigned saved_type = 0;        ///< image type kept by save_format
    unsigned saved_order = 0;       ///< component order kept by save_format
    unsigned saved_components = 0;  ///< component count kept by save_format
    unsigned saved_depth_select = 0; ///< depth selection kept by save_format
    kmx_camera_t* camera = nullptr; ///< borrowed, never owned
    unsigned flags = 0;             ///< KMX_INFO_CAPS of the bound camera
    unsigned max_gain = 0;          ///< highest gain index
    double max_gain_value = 0.0;    ///< gain value of max_gain
    unsigned max_bl = 0;            ///< highest black-level index
    unsigned max_exposure = 0;      ///< highest exposure index
    unsigned max_red_gain = 0;      ///< highest red gain index
    unsigned max_green_gain = 0;    ///< highest green gain index
    unsigned max_blue_gain = 0;     ///< highest blue gain index
    double max_gamma = 0.0;         ///< highest gamma value
    unsigned max_gamma_index = 64;  ///< fixed
    unsigned max_contrast = 0;      ///< highest contrast index
    unsigned min_gain = 0;          ///< lowest gain index
    double min_gain_value = 0.0;    ///< gain value of min_gain
    unsigned min_bl = 0;            ///< lowest black-level index
    unsigned min_exposure = 0;      ///< lowest exposure index
    unsigned min_red_gain = 0;      ///< lowest red gain index
    unsigned min_green_gain = 0;    ///< lowest green gain index
    unsigned min_blue_gain = 0;     ///< lowest blue gain index
    double min_gamma = 0.0;         ///< lowest gamma value
    unsigned min_gamma_index = 0;   ///< fixed
    unsigned min_contrast = 0;      ///< lowest contrast index

    static_assert(sizeof(name) == kmx_settings_name_chars + 1,
                  "Ccam_settings: name holds 32 characters and a terminator");
};

#endif
