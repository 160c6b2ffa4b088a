// SPDX-License-Identifier: Apache-2.0
// Ccam_settings: the capture settings of one camera, as a plain value record.
//
// Holds a configuration name, gain, black level (bl), exposure, white-balance
// gains and boosts, contrast, gamma, capture and live rate selectors, the
// pixel format (image type, component order, component count, component
// depth), averaging options and the test, preview, bin and invert modes.
//
// Most numeric settings are kept twice: as the index the camera parameter
// takes and as a value in the camera's unit. Setters keep the two in step
// through the camera library's conversions.
//
// Borrows: the camera handle given to init(). It is used only to ask the
// camera library for limits and conversions; the record never writes to the
// camera, never closes the handle, and copies share it. Once the camera is
// closed, call init(nullptr) (or stop using the setters) before changing the
// record again. Owns nothing; the destructor releases nothing.
//
// Bound / unbound: the record is bound while `camera` is not null (only
// init() binds). Bound, the setters check the camera's limits and convert;
// unbound, they check only their fixed ranges, convert nothing and store
// what they are given. Capability-gated switches (test, preview, bin) need a
// bit of `flags`, which is 0 when unbound, so they are refused unbound.
//
// Results: setters and format operations answer true when the setting was
// taken and false when it was refused, in which case nothing changed.
// init() and load_defaults() answer 0.
#ifndef KMX_SETTINGS_CAM_SETTINGS_H
#define KMX_SETTINGS_CAM_SETTINGS_H

#include <kmxcore/camera/kmxlib.h>
#include <kmxcore/kmx_export.h>

// Characters a configuration name keeps; the field has one more byte for
// the terminator.
constexpr unsigned kmx_settings_name_chars = 32;

static_assert(sizeof(unsigned) == 4, "Ccam_settings: the index and mode fields are 32-bit");
static_assert(sizeof(double) == 8, "Ccam_settings: the value fields are 64-bit IEEE doubles");
static_assert(sizeof(bool) == 1, "Ccam_settings: format_saved is a single byte");

class KMX_CORE_API Ccam_settings {
public:
    Ccam_settings() = default;
    // Memberwise: the copy shares the bound camera handle.
    Ccam_settings(const Ccam_settings&) = default;
    Ccam_settings& operator=(const Ccam_settings&) = default;
    virtual ~Ccam_settings();

    // Getters: each returns its field unchanged.
    virtual const char* get_name() const;
    virtual unsigned get_gain() const;
    virtual double get_gain_value() const;
    virtual double get_max_gain_value() const;
    virtual double get_min_gain_value() const;
    virtual unsigned get_red_gain() const;
    virtual double get_red_gain_value() const;
    virtual unsigned get_green_gain() const;
    virtual double get_green_gain_value() const;
    virtual unsigned get_blue_gain() const;
    virtual double get_blue_gain_value() const;
    virtual unsigned get_exposure() const;
    // The exposure value in the units of KMX_PARAM_EXPOSURE. The spelling is
    // part of the library's interface.
    virtual unsigned get_expsoure_value() const;
    virtual unsigned get_contrast_mode() const;
    virtual unsigned get_contrast() const;
    // contrast - 127: 0 is neutral.
    virtual int get_contrast_value() const;
    virtual unsigned get_gamma_mode() const;
    virtual double get_gamma() const;
    virtual unsigned get_gamma_index() const;
    virtual unsigned get_red_boost() const;
    virtual unsigned get_blue_boost() const;
    virtual unsigned get_bl() const;
    virtual double get_bl_value() const;
    virtual unsigned get_depth_select() const;
    virtual unsigned get_average_opt() const;
    virtual unsigned get_average_frames() const;
    virtual unsigned get_preview_mode() const;
    virtual unsigned get_bin_mode() const;
    virtual unsigned get_test_mode() const;
    virtual unsigned get_rate() const;
    virtual unsigned get_rate_index() const;
    virtual unsigned get_live_rate() const;
    virtual unsigned get_live_rate_index() const;
    virtual unsigned get_image_type() const;
    virtual unsigned get_order() const;
    virtual unsigned get_no_components() const;
    // True when invert is 1.
    virtual bool invert_image() const;

    // Binds the camera (null unbinds), reads its capability word and limits
    // and loads its defaults. 0 in every case; a null camera loads nothing.
    virtual int init(kmx_camera_t* camera);
    // Sets every setting to the camera's defaults without binding it or
    // touching `flags`; works on an unbound record. A default the camera
    // library does not report leaves the preset (or earlier) value. 0.
    virtual int load_defaults(kmx_camera_t* camera);
    // The format code of the current pixel settings, also stored in
    // `format`; KMX_FORMAT_NONE when no code fits. A component count of 0
    // is first replaced by the usual count of the image type.
    virtual unsigned get_format();
    // The camera's capability bits for these readouts; false unbound.
    virtual bool preview_mode_allowed();
    virtual bool bin_mode_allowed();
    virtual bool test_mode_allowed();
    // 8-bit native layout of an image type (1 colour, anything else
    // monochrome). Always true.
    virtual bool set_native(unsigned image_type);
    // Keeps image type, order, components and depth selection. Always true.
    virtual bool save_format();
    // Brings back what save_format kept, as often as asked; false when
    // nothing was saved.
    virtual bool restore_format();
    // From a format code; false (unchanged) for a code that is not a format
    // or, bound, one the camera cannot deliver. Does not update `format`.
    virtual bool set_format(unsigned format);
    // True when the component depth exceeds 8 bits.
    virtual bool deep_image() const;
    // 8, 10 or 12 from depth_select (8 for an unknown selection).
    virtual unsigned get_component_depth() const;
    // Unbound: 10 and 12 are taken, anything else means 8; true. Bound: only
    // a depth the camera offers is taken; false (unchanged) otherwise.
    virtual bool set_component_depth(unsigned depth);
    // Bytes per component: 2 for 10 and 12 bits, else 1.
    virtual unsigned get_component_size() const;
    // Bytes per pixel: component size times no_components.
    virtual unsigned get_pixel_size() const;

    // Copies at most kmx_settings_name_chars characters and zero-fills the
    // rest, so the name stays terminated. Null is ignored. Always true.
    virtual bool set_config_name(unsigned char* text);
    // Index setters: bound, refuse an index outside the camera's limits and
    // convert the index into the value field. Unbound, store any index.
    virtual bool set_gain(unsigned index);
    // Value setters never refuse: bound, the value is converted into the
    // index, which is clamped to the camera's limits; the value is stored
    // as given, so a clamped index and its value may disagree.
    virtual bool set_gain_value(double gain);
    virtual bool set_bl(unsigned index);
    virtual bool set_bl_value(double bl);
    // 0 or 1.
    virtual bool set_contrast_mode(unsigned mode);
    // Bound: refuse outside the camera's limits, and contrast_mode follows
    // (0 for the neutral 127, else 1). Unbound: store, mode untouched.
    virtual bool set_contrast(unsigned contrast);
    // set_contrast(value + 127) in unsigned 32-bit arithmetic.
    virtual bool set_contrast_value(int value);
    virtual bool set_gamma_mode(unsigned mode);
    // Bound: refuse a gamma outside the camera's limits, convert into
    // gamma_index. Unbound: store.
    virtual bool set_gamma(double gamma);
    // Limits are the fixed 0..64, checked only when bound.
    virtual bool set_gamma_index(unsigned index);
    virtual bool set_red_gain(unsigned index);
    virtual bool set_blue_gain(unsigned index);
    virtual bool set_green_gain(unsigned index);
    virtual bool set_red_gain_value(double gain);
    virtual bool set_blue_gain_value(double gain);
    virtual bool set_green_gain_value(double gain);
    virtual bool set_red_boost(unsigned on);
    virtual bool set_blue_boost(unsigned on);
    virtual bool set_exposure(unsigned index);
    virtual bool set_exposure_value(unsigned exposure);
    // Rate selectors 0, 1 and 4 only. The index is the selector, or, bound
    // to a camera with KMX_CAP_RATE_OFFSET, 1, 2 and 4.
    virtual bool set_rate(unsigned rate);
    virtual bool set_live_rate(unsigned rate);
    // 0 (8 bits), 1 (10) or 2 (12); no capability check.
    virtual bool set_depth_select(unsigned select);
    virtual bool set_average_opt(unsigned on);
    // Any count, 0 included.
    virtual bool set_average_frames(unsigned frames);
    // Switches refuse anything but 0 and 1; these three also need their
    // capability bit. Preview and bin exclude each other: setting one to 1
    // clears the other.
    virtual bool set_test_mode(unsigned on);
    virtual bool set_preview_mode(unsigned on);
    virtual bool set_bin_mode(unsigned on);
    virtual bool set_invert_image(unsigned on);

protected:
    char name[kmx_settings_name_chars + 1] = {};
    unsigned gain = 0;
    double gain_value = 0.0;
    unsigned bl = 0;
    double bl_value = 0.0;
    unsigned contrast_mode = 0;
    unsigned contrast = 0;          // 127 is neutral
    unsigned red_gain = 0;
    double red_gain_value = 0.0;
    unsigned green_gain = 0;
    double green_gain_value = 0.0;
    unsigned blue_gain = 0;
    double blue_gain_value = 0.0;
    unsigned red_boost = 0;
    unsigned blue_boost = 0;
    unsigned gamma_mode = 0;
    unsigned gamma_index = 0;
    double gamma = 0.0;
    unsigned exposure = 0;          // index
    unsigned exposure_value = 0;    // units of KMX_PARAM_EXPOSURE
    unsigned rate = 0;              // selector 0, 1 or 4
    unsigned rate_index = 0;
    unsigned live_rate = 0;
    unsigned live_rate_index = 0;
    unsigned depth_select = 0;      // 0 = 8 bits, 1 = 10, 2 = 12
    unsigned average_opt = 0;
    unsigned average_frames = 2;
    unsigned test_mode = 0;
    unsigned preview_mode = 0;
    unsigned bin_mode = 0;
    unsigned invert = 0;
    unsigned format = 2;            // last result of get_format()
    unsigned image_type = 0;        // 0 monochrome, 1 colour
    unsigned order = 0;
    unsigned no_components = 1;     // 0: the usual count of image_type
    unsigned native_format = 2;
    unsigned native_type = 0;
    unsigned native_order = 0;
    unsigned native_components = 1;
    bool format_saved = false;
    unsigned saved_type = 0;
    unsigned saved_order = 0;
    unsigned saved_components = 0;
    unsigned saved_depth_select = 0;
    kmx_camera_t* camera = nullptr; // borrowed, never owned
    unsigned flags = 0;             // KMX_INFO_CAPS of the bound camera
    unsigned max_gain = 0;
    double max_gain_value = 0.0;
    unsigned max_bl = 0;
    unsigned max_exposure = 0;
    unsigned max_red_gain = 0;
    unsigned max_green_gain = 0;
    unsigned max_blue_gain = 0;
    double max_gamma = 0.0;
    unsigned max_gamma_index = 64;  // fixed
    unsigned max_contrast = 0;
    unsigned min_gain = 0;
    double min_gain_value = 0.0;
    unsigned min_bl = 0;
    unsigned min_exposure = 0;
    unsigned min_red_gain = 0;
    unsigned min_green_gain = 0;
    unsigned min_blue_gain = 0;
    double min_gamma = 0.0;
    unsigned min_gamma_index = 0;   // fixed
    unsigned min_contrast = 0;

    static_assert(sizeof(name) == kmx_settings_name_chars + 1,
                  "Ccam_settings: name holds 32 characters and a terminator");
};

#endif
