// SPDX-License-Identifier: Apache-2.0
// Opening the camera and turning flags into settings.
#include "session.h"

#include <cstdio>

namespace kmxcap {

namespace {

Cstatus refused(const std::string& what)
{
    return Cstatus(exit_setting_refused, "the camera refused " + what);
}

// The flag value through a setter; the setter's refusal becomes one line.
Cstatus apply(const Cflag_value& flag, Ccam_settings& settings,
              bool (Ccam_settings::*setter)(unsigned), const char* what)
{
    if (!flag.given || (settings.*setter)(flag.value))
        return Cstatus::ok();
    return refused(std::string(what) + " " + std::to_string(flag.value));
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
        const unsigned code = o.order == Ecomponent_order::rgb ? KMX_FORMAT_RGB24 : KMX_FORMAT_BGR24;
        if (!settings.set_format(code))
            return refused(o.order == Ecomponent_order::rgb ? "RGB order" : "BGR order");
    }
    if (!settings.set_component_depth(depth))
        return refused(std::to_string(depth) + "-bit components");
    return Cstatus::ok();
}

Cstatus apply_exposure(const Coptions& o, Ccam_settings& settings)
{
    Cstatus status = apply(o.exposure_index, settings, &Ccam_settings::set_exposure,
                           "exposure index");
    if (!status.is_ok())
        return status;
    return apply(o.exposure_us, settings, &Ccam_settings::set_exposure_value,
                 "exposure (microseconds)");
}

Cstatus apply_colour(const Coptions& o, bool colour, Ccam_settings& settings)
{
    const bool any = o.red_gain.given || o.green_gain.given || o.blue_gain.given ||
                     o.red_boost.given || o.blue_boost.given;
    if (any && !colour)
        return refused("white-balance settings (it is a monochrome camera)");
    const struct {
        const Cflag_value& flag;
        bool (Ccam_settings::*setter)(unsigned);
        const char* what;
    } steps[] = {
        {o.red_gain, &Ccam_settings::set_red_gain, "red gain"},
        {o.green_gain, &Ccam_settings::set_green_gain, "green gain"},
        {o.blue_gain, &Ccam_settings::set_blue_gain, "blue gain"},
        {o.red_boost, &Ccam_settings::set_red_boost, "red boost"},
        {o.blue_boost, &Ccam_settings::set_blue_boost, "blue boost"},
    };
    for (const auto& step : steps) {
        Cstatus status = apply(step.flag, settings, step.setter, step.what);
        if (!status.is_ok())
            return status;
    }
    return Cstatus::ok();
}

Cstatus apply_tone(const Coptions& o, Ccam_settings& settings)
{
    if (o.gamma_given) {
        if (!settings.set_gamma_mode(1) || !settings.set_gamma(o.gamma))
            return refused("gamma " + std::to_string(o.gamma));
    }
    const struct {
        const Cflag_value& flag;
        bool (Ccam_settings::*setter)(unsigned);
        const char* what;
    } steps[] = {
        {o.gain, &Ccam_settings::set_gain, "gain index"},
        {o.black_level, &Ccam_settings::set_bl, "black level index"},
        {o.contrast, &Ccam_settings::set_contrast, "contrast index"},
        {o.rate, &Ccam_settings::set_rate, "frame-rate selector"},
        {o.live_rate, &Ccam_settings::set_live_rate, "live frame-rate selector"},
        {o.invert, &Ccam_settings::set_invert_image, "inversion"},
    };
    for (const auto& step : steps) {
        Cstatus status = apply(step.flag, settings, step.setter, step.what);
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

Csession::~Csession() { close(); }

Cstatus Csession::open(const Coptions& options)
{
    if (library.open() != 0)
        return Cstatus(exit_no_camera, "the camera library could not be opened");
    library_open = true;
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
    settings.init(device.get_camera_handle());
    const Cstatus steps[] = {
        apply_readout(options, settings),
        apply_format(options, colour(), settings_depth, settings),
        apply_exposure(options, settings),
        apply_colour(options, colour(), settings),
        apply_tone(options, settings),
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
