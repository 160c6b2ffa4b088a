// SPDX-License-Identifier: Apache-2.0
#include "view_controls.h"

#include <cmath>
#include <cstdlib>

#include "kmxcore/camera/device.h"
#include "kmxcore/settings/cam_settings.h"

namespace kmxcap {

namespace {

struct Cknob_name {
    Eknob knob;
    const char* name;
    const char* label;
};

constexpr Cknob_name knob_names[knob_count] = {
    {Eknob::exposure, "exposure", "Exposure"},
    {Eknob::gain, "gain", "Gain"},
    {Eknob::black_level, "black_level", "Black level"},
    {Eknob::red_gain, "red_gain", "Red gain"},
    {Eknob::green_gain, "green_gain", "Green gain"},
    {Eknob::blue_gain, "blue_gain", "Blue gain"},
    {Eknob::gamma_on, "gamma_on", "Gamma correction"},
    {Eknob::gamma, "gamma", "Gamma"},
    {Eknob::readout, "readout", "Readout"},
    {Eknob::average, "average", "Average (frames)"},
    {Eknob::overlay, "overlay", "Overlay"},
};

constexpr unsigned index_of(Eknob knob) { return static_cast<unsigned>(knob); }

// A value is at most this many characters: a 32-bit index or a real with
// a few decimals, never more.
constexpr size_t max_value_chars = 16;

// Digits with at most one decimal point, nothing else (no sign, exponent,
// spaces, "nan" or "inf").
bool to_number(const std::string& text, double& value)
{
    if (text.empty() || text.size() > max_value_chars)
        return false;
    bool point = false;
    bool digit = false;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digit = true;
        } else {
            return false;
        }
    }
    if (!digit)
        return false;
    value = std::strtod(text.c_str(), nullptr);
    return std::isfinite(value);
}

bool to_switch(const std::string& text, double& value)
{
    if (text == "1" || text == "on" || text == "true") {
        value = 1;
        return true;
    }
    if (text == "0" || text == "off" || text == "false") {
        value = 0;
        return true;
    }
    return false;
}

// The camera's limits of an index parameter; not offered when the camera
// cannot tell them.
void index_limits(const Cdevice& device, unsigned param, Cknob& knob)
{
    unsigned lowest = 0;
    unsigned highest = 0;
    knob.offered = device.get_param_min(param, &lowest) == KMX_OK &&
                   device.get_param_max(param, &highest) == KMX_OK && lowest <= highest;
    knob.min = lowest;
    knob.max = highest;
    knob.camera = true;
}

void choice_list(Cknob& knob, std::vector<std::string> names, std::vector<bool> offered)
{
    knob.choices = std::move(names);
    knob.choice_offered = std::move(offered);
    knob.offered = true;
    knob.min = 0;
    knob.max = static_cast<double>(knob.choices.size() - 1);
}

std::string range_text(const Cknob& knob)
{
    char text[64];
    std::snprintf(text, sizeof text, knob.step == 0 ? "%.3g..%.3g" : "%.0f..%.0f", knob.min,
                  knob.max);
    return text;
}

} // namespace

bool knob_of(const std::string& name, Eknob& knob)
{
    for (const Cknob_name& entry : knob_names) {
        if (name == entry.name) {
            knob = entry.knob;
            return true;
        }
    }
    return false;
}

bool Cknob_change::touches_camera() const
{
    for (unsigned i = 0; i < knob_count; ++i)
        if (named[i] && static_cast<Eknob>(i) != Eknob::overlay)
            return true;
    return false;
}

Cview_controls::Cview_controls(const Cdevice& device) : is_colour(device.get_camera_type() == 1)
{
    for (const Cknob_name& entry : knob_names) {
        Cknob& knob = knobs[index_of(entry.knob)];
        knob.name = entry.name;
        knob.label = entry.label;
    }
    index_limits(device, KMX_PARAM_EXPOSURE, knobs[index_of(Eknob::exposure)]);
    index_limits(device, KMX_PARAM_GAIN, knobs[index_of(Eknob::gain)]);
    index_limits(device, KMX_PARAM_BL, knobs[index_of(Eknob::black_level)]);
    const unsigned balance_params[] = {KMX_PARAM_RED_GAIN, KMX_PARAM_GREEN_GAIN,
                                       KMX_PARAM_BLUE_GAIN};
    const Eknob balance_knobs[] = {Eknob::red_gain, Eknob::green_gain, Eknob::blue_gain};
    for (unsigned c = 0; c < 3; ++c) {
        Cknob& knob = knobs[index_of(balance_knobs[c])];
        index_limits(device, balance_params[c], knob);
        knob.offered = knob.offered && is_colour;
    }

    Cknob& gamma = knobs[index_of(Eknob::gamma)];
    gamma.offered = device.get_fparam_min(KMX_FPARAM_GAMMA, &gamma.min) == KMX_OK &&
                    device.get_fparam_max(KMX_FPARAM_GAMMA, &gamma.max) == KMX_OK &&
                    gamma.min > 0.0 && gamma.min <= gamma.max;
    gamma.step = 0;
    gamma.camera = true;
    Cknob& gamma_on = knobs[index_of(Eknob::gamma_on)];
    gamma_on.offered = gamma.offered;
    gamma_on.max = 1;
    gamma_on.camera = true;

    const unsigned caps = device.get_camera_caps();
    Cknob& readout = knobs[index_of(Eknob::readout)];
    choice_list(readout, {"normal", "bin", "preview"},
                {true, (caps & KMX_CAP_BIN) != 0, (caps & KMX_CAP_PREVIEW) != 0});
    readout.camera = true;

    Cknob& average = knobs[index_of(Eknob::average)];
    average.offered = true;
    average.camera = true;
    average.min = 1;
    average.max = max_live_average;

    choice_list(knobs[index_of(Eknob::overlay)], {"none", "crosshair", "grid"},
                {true, true, true});
}

bool Cview_controls::parse(const std::string& name, const std::string& text,
                           Cknob_change& change, std::string& why) const
{
    Eknob which;
    if (!knob_of(name, which)) {
        why = "unknown setting '" + name.substr(0, max_value_chars * 2) + "'";
        return false;
    }
    const Cknob& k = knob(which);
    if (!k.offered) {
        why = std::string("this camera has no ") + k.name;
        return false;
    }
    double value = 0;
    if (!k.choices.empty()) {
        unsigned position = 0;
        while (position < k.choices.size() && k.choices[position] != text)
            ++position;
        if (position == k.choices.size() || !k.choice_offered[position]) {
            why = std::string(k.name) + " must be one of:";
            for (size_t i = 0; i < k.choices.size(); ++i)
                if (k.choice_offered[i])
                    why += " " + k.choices[i];
            return false;
        }
        value = position;
    } else if (which == Eknob::gamma_on) {
        if (!to_switch(text, value)) {
            why = std::string(k.name) + " must be on or off";
            return false;
        }
    } else {
        const bool whole = k.step != 0;
        if (!to_number(text, value) || (whole && value != std::floor(value)) ||
            value < k.min || value > k.max) {
            why = std::string(k.name) + " must be " + (whole ? "a whole number " : "a number ") +
                  "in " + range_text(k);
            return false;
        }
    }
    change.set(which, value);
    return true;
}

Cknob_values Cview_controls::values_of(const Ccam_settings& settings, unsigned overlay)
{
    Cknob_values v{};
    v[index_of(Eknob::exposure)] = settings.get_exposure();
    v[index_of(Eknob::gain)] = settings.get_gain();
    v[index_of(Eknob::black_level)] = settings.get_bl();
    v[index_of(Eknob::red_gain)] = settings.get_red_gain();
    v[index_of(Eknob::green_gain)] = settings.get_green_gain();
    v[index_of(Eknob::blue_gain)] = settings.get_blue_gain();
    v[index_of(Eknob::gamma_on)] = settings.get_gamma_mode() != 0 ? 1 : 0;
    v[index_of(Eknob::gamma)] = settings.get_gamma();
    v[index_of(Eknob::readout)] = settings.get_bin_mode() != 0       ? readout_bin
                                  : settings.get_preview_mode() != 0 ? readout_preview
                                                                     : readout_normal;
    v[index_of(Eknob::average)] =
        settings.get_average_opt() != 0 && settings.get_average_frames() > 1
            ? settings.get_average_frames()
            : 1;
    v[index_of(Eknob::overlay)] = overlay;
    return v;
}

namespace {

bool apply_readout(unsigned readout, Ccam_settings& settings)
{
    switch (readout) {
    case readout_bin: return settings.set_bin_mode(1);
    case readout_preview: return settings.set_preview_mode(1);
    default: return settings.set_bin_mode(0) && settings.set_preview_mode(0);
    }
}

bool apply_average(unsigned frames, Ccam_settings& settings)
{
    return settings.set_average_opt(frames > 1 ? 1 : 0) &&
           settings.set_average_frames(frames > 1 ? frames : 0);
}

bool apply_one(Eknob knob, double value, Ccam_settings& settings)
{
    const auto index = static_cast<unsigned>(value);
    switch (knob) {
    case Eknob::exposure: return settings.set_exposure(index);
    case Eknob::gain: return settings.set_gain(index);
    case Eknob::black_level: return settings.set_bl(index);
    case Eknob::red_gain: return settings.set_red_gain(index);
    case Eknob::green_gain: return settings.set_green_gain(index);
    case Eknob::blue_gain: return settings.set_blue_gain(index);
    case Eknob::gamma_on: return settings.set_gamma_mode(index);
    case Eknob::gamma: return settings.set_gamma(value);
    case Eknob::readout: return apply_readout(index, settings);
    case Eknob::average: return apply_average(index, settings);
    default: return true;  // not a setting of the camera
    }
}

} // namespace

bool Cview_controls::apply(const Cknob_change& change, Ccam_settings& settings,
                           std::string& refused)
{
    for (const Cknob_name& entry : knob_names) {
        if (!change.names(entry.knob))
            continue;
        if (!apply_one(entry.knob, change.at(entry.knob), settings)) {
            refused = entry.name;
            return false;
        }
    }
    return true;
}

void Cview_controls::describe(const Cknob_values& values, unsigned exposure_us, Cjson& json) const
{
    json.member("colour", is_colour).member("exposure_us", exposure_us);
    json.key("knobs").begin_array();
    for (unsigned i = 0; i < knob_count; ++i) {
        const Cknob& k = knobs[i];
        if (!k.offered)
            continue;
        json.begin_object().member("name", k.name).member("label", k.label);
        // A list knob answers with the name of its choice.
        const auto position = static_cast<size_t>(values[i]);
        if (!k.choices.empty() && position < k.choices.size())
            json.member("value", k.choices[position]);
        else
            json.member("value", values[i]);
        json.member("min", k.min)
            .member("max", k.max)
            .member("step", k.step)
            .member("camera", k.camera);
        if (!k.choices.empty()) {
            json.key("choices").begin_array();
            for (size_t c = 0; c < k.choices.size(); ++c)
                if (k.choice_offered[c])
                    json.value(k.choices[c]);
            json.end_array();
        }
        json.end_object();
    }
    json.end_array();
}

} // namespace kmxcap
