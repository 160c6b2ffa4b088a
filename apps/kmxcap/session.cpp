// SPDX-License-Identifier: Apache-2.0
// Opening the camera and turning flags into settings.
#include "session.h"

#include <cstdio>

#include "camera_walk.h"
#include "kmxcore/camera/exposure_curve.h"
#include "kmxcore/diagnostics.h"
#include "kmxlib/kmxlib_dispatch.h"

namespace kmxcap {

namespace {

Cstatus refused(const std::string& what)
{
    return Cstatus(exit_setting_refused, "the camera refused " + what);
}

std::string number_text(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Settings that are not camera parameters of their own; the rate
// selectors, which the settings record takes from a fixed list.
constexpr unsigned no_camera_param = ~0u;
constexpr unsigned rate_selector = ~1u;

// An index the settings record refused, with what the camera says about
// it: the range of its parameter and the status it answers when offered
// the value itself. The failed call is logged by the library (category
// camera) and named here, so it is not named again on the error line.
Cstatus refused_by_camera(Cdevice& device, unsigned param, const char* what, unsigned value)
{
    unsigned lowest = 0;
    unsigned highest = 0;
    const bool have_range = device.get_param_min(param, &lowest) == KMX_OK &&
                            device.get_param_max(param, &highest) == KMX_OK;
    const int status = device.set_param(param, value);
    std::string text = std::string("the camera refused ") + what + " " + std::to_string(value);
    if (status != KMX_OK)
        text += ": status " + std::to_string(status) + " (" + kmx_camera_status_name(status) + ")";
    if (have_range)
        text += ", valid " + std::to_string(lowest) + ".." + std::to_string(highest);
    kmx_clear_camera_failure();
    return Cstatus(exit_setting_refused, text);
}

// The flag value through a setter; the setter's refusal becomes one line,
// with the camera's own answer for a camera parameter.
Cstatus apply(const Cflag_value& flag, Ccam_settings& settings,
              bool (Ccam_settings::*setter)(unsigned), const char* what,
              Cdevice& device, unsigned param = no_camera_param)
{
    if (!flag.given || (settings.*setter)(flag.value))
        return Cstatus::ok();
    if (param == rate_selector)
        return refused(std::string(what) + " " + std::to_string(flag.value) + ", valid 0, 1 or 4");
    if (param == no_camera_param)
        return refused(std::string(what) + " " + std::to_string(flag.value));
    return refused_by_camera(device, param, what, flag.value);
}

Cstatus apply_readout(const Coptions& o, Ccam_settings& settings)
{
    if (o.readout == Ereadout::bin && !settings.set_bin_mode(1))
        return refused("binned readout");
    if (o.readout == Ereadout::preview && !settings.set_preview_mode(1))
        return refused("preview readout");
    if (o.test_mode && !settings.set_test_mode(1))
        return refused("test mode");
    return Cstatus::ok();
}

Cstatus apply_format(const Coptions& o, bool colour, unsigned depth, Ccam_settings& settings)
{
    if (o.order != Ecomponent_order::camera_default) {
        if (!colour)
            return refused("a component order (it is a monochrome camera)");
        const unsigned code =
            o.order == Ecomponent_order::rgb ? KMX_FORMAT_RGB24 : KMX_FORMAT_BGR24;
        if (!settings.set_format(code))
            return refused(o.order == Ecomponent_order::rgb ? "RGB order" : "BGR order");
    }
    if (!settings.set_component_depth(depth))
        return refused(std::to_string(depth) + "-bit components");
    return Cstatus::ok();
}

// The exposure parameter takes microseconds while its limits are indexes,
// so the camera is not asked about a refused index. The settings record
// would take any number of microseconds and clamp its index; a value
// outside the exposures of the camera's indexes is refused here instead,
// so that what is asked is what is taken.
Cstatus apply_exposure(const Coptions& o, Ccam_settings& settings, Cdevice& device)
{
    unsigned lowest = 0;
    unsigned highest = 0;
    const bool have_range = device.get_param_min(KMX_PARAM_EXPOSURE, &lowest) == KMX_OK &&
                            device.get_param_max(KMX_PARAM_EXPOSURE, &highest) == KMX_OK;
    if (o.exposure_index.given && !settings.set_exposure(o.exposure_index.value)) {
        std::string text = "exposure index " + std::to_string(o.exposure_index.value);
        if (have_range)
            text += ", valid " + std::to_string(lowest) + ".." + std::to_string(highest);
        return refused(text);
    }
    if (!o.exposure_us.given)
        return Cstatus::ok();
    if (have_range) {
        const unsigned shortest = kmx_exposure::us_of_index(lowest);
        const unsigned longest = kmx_exposure::us_of_index(highest);
        if (o.exposure_us.value < shortest || o.exposure_us.value > longest)
            return refused("exposure " + std::to_string(o.exposure_us.value) + " us, valid " +
                           std::to_string(shortest) + ".." + std::to_string(longest) + " us");
    }
    return apply(o.exposure_us, settings, &Ccam_settings::set_exposure_value,
                 "exposure (microseconds)", device);
}

Cstatus apply_colour(const Coptions& o, bool colour, Ccam_settings& settings, Cdevice& device)
{
    const bool any = o.red_gain.given || o.green_gain.given || o.blue_gain.given ||
                     o.red_boost.given || o.blue_boost.given;
    if (any && !colour)
        return refused("white-balance settings (it is a monochrome camera)");
    const struct {
        const Cflag_value& flag;
        bool (Ccam_settings::*setter)(unsigned);
        const char* what;
        unsigned param;
    } steps[] = {
        {o.red_gain, &Ccam_settings::set_red_gain, "red gain", KMX_PARAM_RED_GAIN},
        {o.green_gain, &Ccam_settings::set_green_gain, "green gain", KMX_PARAM_GREEN_GAIN},
        {o.blue_gain, &Ccam_settings::set_blue_gain, "blue gain", KMX_PARAM_BLUE_GAIN},
        {o.red_boost, &Ccam_settings::set_red_boost, "red boost", no_camera_param},
        {o.blue_boost, &Ccam_settings::set_blue_boost, "blue boost", no_camera_param},
    };
    for (const auto& step : steps) {
        Cstatus status = apply(step.flag, settings, step.setter, step.what, device, step.param);
        if (!status.is_ok())
            return status;
    }
    return Cstatus::ok();
}

Cstatus apply_tone(const Coptions& o, Ccam_settings& settings, Cdevice& device)
{
    if (o.gamma_given && (!settings.set_gamma_mode(1) || !settings.set_gamma(o.gamma))) {
        std::string text = "gamma " + number_text(o.gamma);
        double lowest = 0.0;
        double highest = 0.0;
        if (device.get_fparam_min(KMX_FPARAM_GAMMA, &lowest) == KMX_OK &&
            device.get_fparam_max(KMX_FPARAM_GAMMA, &highest) == KMX_OK)
            text += ", valid " + number_text(lowest) + ".." + number_text(highest);
        return refused(text);
    }
    const struct {
        const Cflag_value& flag;
        bool (Ccam_settings::*setter)(unsigned);
        const char* what;
        unsigned param;
    } steps[] = {
        {o.gain, &Ccam_settings::set_gain, "gain index", KMX_PARAM_GAIN},
        {o.black_level, &Ccam_settings::set_bl, "black level index", KMX_PARAM_BL},
        {o.contrast, &Ccam_settings::set_contrast, "contrast index", KMX_PARAM_CONTRAST},
        {o.rate, &Ccam_settings::set_rate, "frame-rate selector", rate_selector},
        {o.live_rate, &Ccam_settings::set_live_rate, "live frame-rate selector", rate_selector},
        {o.invert, &Ccam_settings::set_invert_image, "inversion", no_camera_param},
    };
    for (const auto& step : steps) {
        Cstatus status = apply(step.flag, settings, step.setter, step.what, device, step.param);
        if (!status.is_ok())
            return status;
    }
    return Cstatus::ok();
}

} // namespace

int Ctool_capture::get_multi_frame(Cthread_state* state)
{
    const int result = Ccapture::get_multi_frame(state);
    if (result == CAPTURE_OK && on_frame)
        on_frame();
    return result;
}

int Ctool_capture::get_multi_deep(Cthread_state* state)
{
    const int result = Ccapture::get_multi_deep(state);
    if (result == CAPTURE_OK && on_frame)
        on_frame();
    return result;
}

std::string library_failure()
{
    const std::string why = kmxlib_last_error();
    return "the camera library could not be opened" + (why.empty() ? std::string() : ": " + why);
}

Cstatus select_camera_library(const Coptions& options)
{
    if (options.camera_library.empty() || kmxlib_select(options.camera_library.c_str()) == 0)
        return Cstatus::ok();
    return Cstatus(exit_no_camera, kmxlib_last_error());
}

Csession::~Csession() { close(); }

namespace {

// The id and index of the camera with this serial number.
bool find_serial(unsigned serial, unsigned& id, unsigned& index)
{
    bool found = false;
    kmx_apps::walk_cameras([&](Cdevice& camera) {
        if (found || camera.get_serial_no() != serial)
            return;
        found = true;
        id = camera.get_camera_id();
        index = camera.get_camera_index();
    });
    // The walk ends at the open that finds no further camera: that is no
    // failure to name on an error line.
    kmx_clear_camera_failure();
    return found;
}

} // namespace

Cstatus Csession::open(const Coptions& options)
{
    if (library.open() != 0)
        return Cstatus(exit_no_camera, library_failure());
    library_open = true;
    if (options.camera_by_serial) {
        unsigned id = 0;
        unsigned index = 0;
        if (!find_serial(options.camera_serial, id, index))
            return Cstatus(exit_no_camera, "no camera has serial number " +
                                               std::to_string(options.camera_serial));
        if (device.open(id, index) != 0)
            return Cstatus(exit_no_camera, "camera " + std::to_string(id) + ":" +
                                               std::to_string(index) + " (serial " +
                                               std::to_string(options.camera_serial) +
                                               ") could not be opened");
        return Cstatus::ok();
    }
    if (options.camera_given) {
        if (device.open(options.camera_id, options.camera_index) != 0)
            return Cstatus(exit_no_camera, "camera " + std::to_string(options.camera_id) + ":" +
                                               std::to_string(options.camera_index) +
                                               " could not be opened");
        return Cstatus::ok();
    }
    unsigned id = 0;
    unsigned index = 0;
    if (device.open_any(id, index) != 0)
        return Cstatus(exit_no_camera, "no camera could be opened");
    return Cstatus::ok();
}

bool Csession::offers_depth(unsigned depth) const
{
    const unsigned depths = device.get_camera_depths();
    switch (depth) {
    case 8: return (depths & KMX_DEPTH_BIT_8) != 0;
    case 10: return (depths & KMX_DEPTH_BIT_10) != 0;
    case 12: return (depths & KMX_DEPTH_BIT_12) != 0;
    default: return false;
    }
}

Cstatus Csession::prepare(const Coptions& options, unsigned settings_depth)
{
    // An error line names the camera-library call that failed in the step
    // that failed: the open's unchecked writes (a camera without gamma
    // refuses the gamma mode) are no cause of a refusal here.
    kmx_clear_camera_failure();
    settings.init(device.get_camera_handle());
    const Cstatus steps[] = {
        apply_readout(options, settings),
        apply_format(options, colour(), settings_depth, settings),
        apply_exposure(options, settings, device),
        apply_colour(options, colour(), settings, device),
        apply_tone(options, settings, device),
    };
    for (const Cstatus& status : steps)
        if (!status.is_ok())
            return status;
    capture.init(&device, &settings);
    if (options.retries.given)
        capture.set_no_retries(options.retries.value);
    // init always answers 1; a set-up of our own tells whether the device
    // took the settings' format.
    if (capture.setup(0, options.live ? 1 : 0) != 0)
        return refused("the pixel format of these settings");
    // Nor are the set-up's unchecked writes the cause of a later failure.
    kmx_clear_camera_failure();
    return Cstatus::ok();
}

void Csession::close()
{
    device.close();
    if (library_open)
        library.close();
    library_open = false;
}

} // namespace kmxcap
