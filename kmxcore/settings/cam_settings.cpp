// SPDX-License-Identifier: Apache-2.0
#include "kmxcore/settings/cam_settings.h"

#include <cmath>

#include "kmxcore/camera/exposure_curve.h"
#include "kmxcore/image/iformat.h"
#include "kmxcore/camera/camera_call.h"

namespace {

// Preset indexes that stand wherever the camera library reports no default.
constexpr unsigned preset_bl = 39;
constexpr unsigned preset_red_gain = 26;
constexpr unsigned preset_green_gain = 31;
constexpr unsigned preset_blue_gain = 35;
constexpr unsigned preset_gamma_index = 18;
constexpr unsigned preset_colour_gain = 404;
constexpr unsigned preset_mono_gain = 281;
constexpr unsigned preset_exposure_index = 70;
constexpr unsigned neutral_contrast = 127;
constexpr unsigned default_average_frames = 2;

// The rate selector that the rate-offset numbering puts first.
constexpr unsigned rate_listed_first = 4;

// The nearest exposure index of a camera's default exposure (in
// microseconds), capped at the top of the settings' range.
unsigned exposure_index_of(unsigned exposure_us)
{
    const double steps = kmx_exposure::steps_of_us(exposure_us);
    if (steps > kmx_exposure::top_index)
        return kmx_exposure::top_index;
    return static_cast<unsigned>(std::floor(steps + 0.5));
}

// Position of a default rate in the rate list of a rate-offset camera:
// rate 4 comes first, the others follow shifted by one.
unsigned offset_rate_index(unsigned rate)
{
    return rate == rate_listed_first ? 0 : rate + 1;
}

} // namespace

Ccam_settings::~Ccam_settings() = default;

const char* Ccam_settings::get_name() const { return name; }
unsigned Ccam_settings::get_gain() const { return gain; }
double Ccam_settings::get_gain_value() const { return gain_value; }
double Ccam_settings::get_max_gain_value() const { return max_gain_value; }
double Ccam_settings::get_min_gain_value() const { return min_gain_value; }
unsigned Ccam_settings::get_red_gain() const { return red_gain; }
double Ccam_settings::get_red_gain_value() const { return red_gain_value; }
unsigned Ccam_settings::get_green_gain() const { return green_gain; }
double Ccam_settings::get_green_gain_value() const { return green_gain_value; }
unsigned Ccam_settings::get_blue_gain() const { return blue_gain; }
double Ccam_settings::get_blue_gain_value() const { return blue_gain_value; }
unsigned Ccam_settings::get_exposure() const { return exposure; }
unsigned Ccam_settings::get_expsoure_value() const { return exposure_value; }
unsigned Ccam_settings::get_contrast_mode() const { return contrast_mode; }
unsigned Ccam_settings::get_contrast() const { return contrast; }

int Ccam_settings::get_contrast_value() const
{
    // Unsigned subtraction: no signed overflow whatever the stored index.
    return static_cast<int>(contrast - neutral_contrast);
}

unsigned Ccam_settings::get_gamma_mode() const { return gamma_mode; }
double Ccam_settings::get_gamma() const { return gamma; }
unsigned Ccam_settings::get_gamma_index() const { return gamma_index; }
unsigned Ccam_settings::get_red_boost() const { return red_boost; }
unsigned Ccam_settings::get_blue_boost() const { return blue_boost; }
unsigned Ccam_settings::get_bl() const { return bl; }
double Ccam_settings::get_bl_value() const { return bl_value; }
unsigned Ccam_settings::get_depth_select() const { return depth_select; }
unsigned Ccam_settings::get_average_opt() const { return average_opt; }
unsigned Ccam_settings::get_average_frames() const { return average_frames; }
unsigned Ccam_settings::get_preview_mode() const { return preview_mode; }
unsigned Ccam_settings::get_bin_mode() const { return bin_mode; }
unsigned Ccam_settings::get_test_mode() const { return test_mode; }
unsigned Ccam_settings::get_rate() const { return rate; }
unsigned Ccam_settings::get_rate_index() const { return rate_index; }
unsigned Ccam_settings::get_live_rate() const { return live_rate; }
unsigned Ccam_settings::get_live_rate_index() const { return live_rate_index; }
unsigned Ccam_settings::get_image_type() const { return image_type; }
unsigned Ccam_settings::get_order() const { return order; }
unsigned Ccam_settings::get_no_components() const { return no_components; }
bool Ccam_settings::invert_image() const { return invert == 1; }

int Ccam_settings::init(kmx_camera_t* new_camera)
{
    flags = 0;
    camera = new_camera;
    if (camera == nullptr)
        return 0;
    camera_call(kmx_get_info, camera, KMX_INFO_CAPS, &flags);

    const bool colour = (flags & KMX_CAP_COLOR) != 0;
    image_type = colour ? 1 : 0;
    no_components = colour ? 3 : 1;
    // A monochrome camera is shown inverted by default.
    invert = colour ? 0 : 1;
    native_format = colour ? KMX_FORMAT_BGR24 : KMX_FORMAT_MONO8;
    native_type = image_type;
    native_order = colour ? 1 : 0;
    native_components = no_components;

    camera_call(kmx_get_param_max, camera, KMX_PARAM_GAIN, &max_gain);
    camera_call(kmx_get_param_max, camera, KMX_PARAM_BL, &max_bl);
    camera_call(kmx_get_param_max, camera, KMX_PARAM_EXPOSURE, &max_exposure);
    camera_call(kmx_get_param_max, camera, KMX_PARAM_RED_GAIN, &max_red_gain);
    camera_call(kmx_get_param_max, camera, KMX_PARAM_GREEN_GAIN, &max_green_gain);
    camera_call(kmx_get_param_max, camera, KMX_PARAM_BLUE_GAIN, &max_blue_gain);
    camera_call(kmx_get_fparam_max, camera, KMX_FPARAM_GAMMA, &max_gamma);
    camera_call(kmx_get_param_max, camera, KMX_PARAM_CONTRAST, &max_contrast);

    camera_call(kmx_get_param_min, camera, KMX_PARAM_GAIN, &min_gain);
    camera_call(kmx_get_param_min, camera, KMX_PARAM_BL, &min_bl);
    camera_call(kmx_get_param_min, camera, KMX_PARAM_EXPOSURE, &min_exposure);
    camera_call(kmx_get_param_min, camera, KMX_PARAM_RED_GAIN, &min_red_gain);
    camera_call(kmx_get_param_min, camera, KMX_PARAM_GREEN_GAIN, &min_green_gain);
    camera_call(kmx_get_param_min, camera, KMX_PARAM_BLUE_GAIN, &min_blue_gain);
    camera_call(kmx_get_fparam_min, camera, KMX_FPARAM_GAMMA, &min_gamma);
    camera_call(kmx_get_param_min, camera, KMX_PARAM_CONTRAST, &min_contrast);

    camera_call(kmx_index_to_gain, camera, min_gain, &min_gain_value);
    camera_call(kmx_index_to_gain, camera, max_gain, &max_gain_value);
    return load_defaults(camera);
}

int Ccam_settings::load_defaults(kmx_camera_t* source)
{
    unsigned caps = 0;
    camera_call(kmx_get_info, source, KMX_INFO_CAPS, &caps);
    const bool colour = (caps & KMX_CAP_COLOR) != 0;
    image_type = colour ? 1 : 0;

    bl = preset_bl;
    red_gain = preset_red_gain;
    green_gain = preset_green_gain;
    blue_gain = preset_blue_gain;
    gamma_index = preset_gamma_index;

    if (colour) {
        gain = preset_colour_gain;
        gamma_mode = 1;
        camera_call(kmx_get_param_default, source, KMX_PARAM_RED_GAIN, &red_gain);
        camera_call(kmx_get_param_default, source, KMX_PARAM_GREEN_GAIN, &green_gain);
        camera_call(kmx_get_param_default, source, KMX_PARAM_BLUE_GAIN, &blue_gain);
        camera_call(kmx_index_to_wb_gain, source, red_gain, &red_gain_value);
        camera_call(kmx_index_to_wb_gain, source, green_gain, &green_gain_value);
        camera_call(kmx_index_to_wb_gain, source, blue_gain, &blue_gain_value);
    } else {
        gain = preset_mono_gain;
        gamma_mode = 0;
    }

    camera_call(kmx_get_param_default, source, KMX_PARAM_GAIN, &gain);
    camera_call(kmx_index_to_gain, source, gain, &gain_value);
    camera_call(kmx_get_param_default, source, KMX_PARAM_BL, &bl);
    camera_call(kmx_index_to_bl, source, bl, &bl_value);

    exposure = preset_exposure_index;
    unsigned default_exposure = 0;
    if (camera_call(kmx_get_param_default, source, KMX_PARAM_EXPOSURE, &default_exposure) == KMX_OK) {
        exposure_value = default_exposure;
        exposure = exposure_index_of(default_exposure);
    }

    contrast_mode = 0;
    contrast = neutral_contrast;
    camera_call(kmx_get_param_default, source, KMX_PARAM_CONTRAST, &contrast);

    double default_gamma = 1.0;
    if (camera_call(kmx_get_fparam_default, source, KMX_FPARAM_GAMMA, &default_gamma) == KMX_OK) {
        gamma = default_gamma;
        camera_call(kmx_gamma_to_index, source, default_gamma, &gamma_index);
    }

    red_boost = 1;
    blue_boost = 1;
    rate = 0;
    camera_call(kmx_get_param_default, source, KMX_PARAM_RATE, &rate);
    live_rate = 0;
    camera_call(kmx_get_param_default, source, KMX_PARAM_RATE, &live_rate);

    depth_select = 0;
    average_opt = 1;
    average_frames = default_average_frames;
    test_mode = 0;
    preview_mode = 0;
    bin_mode = 0;

    const bool rate_offset = (caps & KMX_CAP_RATE_OFFSET) != 0;
    rate_index = rate_offset ? offset_rate_index(rate) : rate;
    live_rate_index = rate_offset ? offset_rate_index(live_rate) : live_rate;
    return 0;
}

unsigned Ccam_settings::get_format()
{
    const unsigned depth = get_component_depth();
    if (no_components == 0)
        no_components = image_type == 1 ? 3 : 1;
    format = Ciformat::classify_image(image_type, no_components, depth, order);
    return format;
}

bool Ccam_settings::preview_mode_allowed() { return (flags & KMX_CAP_PREVIEW) != 0; }
bool Ccam_settings::bin_mode_allowed() { return (flags & KMX_CAP_BIN) != 0; }
bool Ccam_settings::test_mode_allowed() { return (flags & KMX_CAP_TEST_MODE) != 0; }

bool Ccam_settings::set_native(unsigned new_type)
{
    depth_select = 0;
    if (new_type == 1) {
        image_type = 1;
        order = native_order;
        no_components = native_components;
        return true;
    }
    image_type = 0;
    order = 0;
    no_components = 1;
    return true;
}

bool Ccam_settings::save_format()
{
    saved_type = image_type;
    saved_order = order;
    saved_components = no_components;
    saved_depth_select = depth_select;
    format_saved = true;
    return true;
}

bool Ccam_settings::restore_format()
{
    if (!format_saved)
        return false;
    image_type = saved_type;
    order = saved_order;
    no_components = saved_components;
    depth_select = saved_depth_select;
    return true;
}

namespace {

// The capability bit a bound camera needs for a component depth, or 0 for
// a depth no camera offers.
unsigned depth_capability(unsigned depth)
{
    switch (depth) {
    case 8: return KMX_CAP_DEPTH8;
    case 10: return KMX_CAP_DEPTH10;
    case 12: return KMX_CAP_DEPTH12;
    default: return 0;
    }
}

unsigned depth_selection(unsigned depth)
{
    switch (depth) {
    case 10: return 1;
    case 12: return 2;
    default: return 0;
    }
}

} // namespace

bool Ccam_settings::set_format(unsigned code)
{
    unsigned mode = 0;
    unsigned components = 0;
    unsigned depth = 0;
    unsigned component_size = 0;
    unsigned component_order = 0;
    unsigned pixel_size = 0;
    if (!Ciformat::decompose_format(code, mode, components, depth, component_size,
                                    component_order, pixel_size))
        return false;
    if (camera != nullptr) {
        const unsigned camera_mode = (flags & KMX_CAP_COLOR) != 0 ? 1 : 0;
        if (mode != camera_mode)
            return false;
        if ((flags & depth_capability(depth)) == 0)
            return false;
    }
    // The depth was checked above; the result adds nothing.
    set_component_depth(depth);
    image_type = mode;
    no_components = components;
    order = component_order;
    return true;
}

bool Ccam_settings::deep_image() const { return get_component_depth() > 8; }

unsigned Ccam_settings::get_component_depth() const
{
    switch (depth_select) {
    case 1: return 10;
    case 2: return 12;
    default: return 8;
    }
}

bool Ccam_settings::set_component_depth(unsigned depth)
{
    if (camera == nullptr) {
        depth_select = depth_selection(depth);
        return true;
    }
    const unsigned needed = depth_capability(depth);
    if (needed == 0 || (flags & needed) == 0)
        return false;
    depth_select = depth_selection(depth);
    return true;
}

unsigned Ccam_settings::get_component_size() const
{
    return depth_select == 1 || depth_select == 2 ? 2 : 1;
}

unsigned Ccam_settings::get_pixel_size() const { return get_component_size() * no_components; }
