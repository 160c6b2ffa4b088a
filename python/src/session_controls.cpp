// SPDX-License-Identifier: Apache-2.0
// The settings of a camera as controls: their limits, their values, and
// writing them to the camera.
#include "session.h"

#include "failure.h"

namespace kmx_python {

namespace {

constexpr const char* balance_colours[3] = {"red", "green", "blue"};

unsigned flag(bool on) { return on ? 1 : 0; }

std::string range_text(unsigned min, unsigned max)
{
    return std::to_string(min) + ".." + std::to_string(max);
}

// Switches the camera may lack, with the capability that offers them and
// how a refusal names them.
struct Coptional_switch {
    Econtrol id;
    unsigned capability;
    const char* what;
};

constexpr Coptional_switch optional_switches[] = {
    {Econtrol::binning, KMX_CAP_BIN, "binned readout"},
    {Econtrol::preview, KMX_CAP_PREVIEW, "preview readout"},
    {Econtrol::test_pattern, KMX_CAP_TEST_MODE, "test pattern"},
};

const Coptional_switch* optional_switch(Econtrol id)
{
    for (const Coptional_switch& entry : optional_switches)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

} // namespace

const char* control_name(Econtrol id)
{
    switch (id) {
    case Econtrol::exposure_us: return "exposure_us";
    case Econtrol::gain: return "gain";
    case Econtrol::black_level: return "black_level";
    case Econtrol::white_balance: return "white_balance";
    case Econtrol::depth: return "depth";
    case Econtrol::binning: return "binning";
    case Econtrol::preview: return "preview";
    case Econtrol::invert: return "invert";
    case Econtrol::test_pattern: return "test_pattern";
    }
    return "";
}

const char* control_unit(Econtrol id)
{
    switch (id) {
    case Econtrol::exposure_us: return "us";
    case Econtrol::gain:
    case Econtrol::black_level:
    case Econtrol::white_balance: return "index";
    case Econtrol::depth: return "bits";
    default: return "";
    }
}

Econtrol_kind control_kind(Econtrol id)
{
    switch (id) {
    case Econtrol::white_balance: return Econtrol_kind::triple;
    case Econtrol::binning:
    case Econtrol::preview:
    case Econtrol::invert:
    case Econtrol::test_pattern: return Econtrol_kind::switch_;
    default: return Econtrol_kind::number;
    }
}

void Csession::read_limits()
{
    const struct {
        unsigned param;
        Climits& limits;
    } params[] = {
        {KMX_PARAM_GAIN, gain_limits},           {KMX_PARAM_BL, black_level_limits},
        {KMX_PARAM_EXPOSURE, exposure_index_limits}, {KMX_PARAM_RED_GAIN, red_limits},
        {KMX_PARAM_GREEN_GAIN, green_limits},    {KMX_PARAM_BLUE_GAIN, blue_limits},
    };
    // The settings record reads the same limits; a camera that cannot
    // report one leaves it at 0 there too.
    for (const auto& entry : params) {
        device.get_param_min(entry.param, &entry.limits.min);
        device.get_param_max(entry.param, &entry.limits.max);
    }
}

unsigned Csession::exposure_us_of(unsigned index) const
{
    unsigned us = 0;
    device.index_to_exp(index, &us);
    return us;
}

std::string Csession::depths_text(bool deep_only) const
{
    std::vector<unsigned> listed;
    for (unsigned offered : identity.depths)
        if (!deep_only || offered > 8)
            listed.push_back(offered);
    std::string text;
    for (size_t i = 0; i < listed.size(); ++i) {
        if (i > 0)
            text += i + 1 == listed.size() ? " or " : ", ";
        text += std::to_string(listed[i]);
    }
    return text;
}

Ccontrol Csession::describe_control(Econtrol id) const
{
    for (const Ccontrol& c : described)
        if (c.id == id)
            return c;
    return read_control(id);
}

// The limits and default of a control, from the camera: read once, at open.
Ccontrol Csession::read_control(Econtrol id) const
{
    Ccontrol c;
    c.id = id;
    c.name = control_name(id);
    c.unit = control_unit(id);
    c.kind = control_kind(id);
    const auto number = [&c](unsigned min, unsigned max, unsigned default_value) {
        c.min = {min};
        c.max = {max};
        c.default_value = {default_value};
    };
    switch (id) {
    case Econtrol::exposure_us:
        number(exposure_us_of(exposure_index_limits.min), exposure_us_of(exposure_index_limits.max),
               exposure_us_of(defaults.get_exposure()));
        break;
    case Econtrol::gain: number(gain_limits.min, gain_limits.max, defaults.get_gain()); break;
    case Econtrol::black_level:
        number(black_level_limits.min, black_level_limits.max, defaults.get_bl());
        break;
    case Econtrol::white_balance:
        c.min = {red_limits.min, green_limits.min, blue_limits.min};
        c.max = {red_limits.max, green_limits.max, blue_limits.max};
        c.default_value = {defaults.get_red_gain(), defaults.get_green_gain(),
                           defaults.get_blue_gain()};
        break;
    case Econtrol::depth:
        number(identity.depths.empty() ? 8 : identity.depths.front(),
               identity.depths.empty() ? 8 : identity.depths.back(), 8);
        break;
    case Econtrol::binning: number(0, 1, defaults.get_bin_mode()); break;
    case Econtrol::preview: number(0, 1, defaults.get_preview_mode()); break;
    case Econtrol::invert: number(0, 1, flag(defaults.invert_image())); break;
    case Econtrol::test_pattern: number(0, 1, defaults.get_test_mode()); break;
    }
    if (const Coptional_switch* entry = optional_switch(id))
        if ((device.get_camera_caps() & entry->capability) == 0)
            c.max = {0};
    return c;
}

std::vector<unsigned> Csession::control_value(Econtrol id)
{
    const Ccam_settings& s = *capture.get_settings();
    switch (id) {
    case Econtrol::exposure_us: return {exposure_us_of(s.get_exposure())};
    case Econtrol::gain: return {s.get_gain()};
    case Econtrol::black_level: return {s.get_bl()};
    case Econtrol::white_balance:
        return {s.get_red_gain(), s.get_green_gain(), s.get_blue_gain()};
    case Econtrol::depth: return {depth};
    case Econtrol::binning: return {s.get_bin_mode()};
    case Econtrol::preview: return {s.get_preview_mode()};
    case Econtrol::invert: return {flag(s.invert_image())};
    case Econtrol::test_pattern: return {s.get_test_mode()};
    }
    return {};
}

std::vector<Ccontrol> Csession::controls()
{
    Cuse use(*this, "controls");
    std::vector<Ccontrol> all;
    for (Econtrol id : every_control) {
        if (id == Econtrol::white_balance && !identity.colour)
            continue;
        Ccontrol c = describe_control(id);
        c.value = control_value(id);
        all.push_back(c);
    }
    return all;
}

Ccontrol Csession::control(Econtrol id)
{
    if (id == Econtrol::white_balance && !identity.colour)
        throw Crange_error("camera " + name() + " is monochrome: it has no white balance");
    Cuse use(*this, control_name(id));
    Ccontrol c = describe_control(id);
    c.value = control_value(id);
    return c;
}

void Csession::check_range(Econtrol id, const std::vector<long long>& value) const
{
    const char* name_of = control_name(id);
    if (id == Econtrol::white_balance && !identity.colour)
        throw Crange_error("camera " + name() + " is monochrome: it has no white balance");
    const Ccontrol c = describe_control(id);
    if (value.size() != c.min.size())
        throw Crange_error(std::string(name_of) + " takes " + std::to_string(c.min.size()) +
                           " values");
    if (id == Econtrol::depth) {
        if (!offers_depth(value[0]))
            throw Crange_error("depth " + std::to_string(value[0]) +
                               " is not offered: valid " + depths_text(false));
        return;
    }
    if (c.kind == Econtrol_kind::switch_) {
        if (value[0] < 0 || value[0] > 1)
            throw Crange_error(std::string(name_of) + " is a switch: valid True or False");
        if (value[0] > static_cast<long long>(c.max[0]))
            throw Crange_error("camera " + name() + " offers no " + optional_switch(id)->what +
                               ": valid False");
        return;
    }
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] >= static_cast<long long>(c.min[i]) &&
            value[i] <= static_cast<long long>(c.max[i]))
            continue;
        const std::string what = c.kind == Econtrol_kind::triple
                                     ? std::string(name_of) + " " + balance_colours[i]
                                     : std::string(name_of);
        throw Crange_error(what + " " + std::to_string(value[i]) + " is out of range: valid " +
                           range_text(c.min[i], c.max[i]));
    }
}

void Csession::set_control(Econtrol id, const std::vector<long long>& asked)
{
    check_range(id, asked);
    // In range, so every value fits.
    std::vector<unsigned> value(asked.begin(), asked.end());
    const std::string what = std::string("setting ") + control_name(id);
    Cuse use(*this, control_name(id));
    if (id == Econtrol::depth) {
        // Taken by each acquisition; nothing to tell the camera now.
        depth = value[0];
        return;
    }
    // Nothing to write; the settings record would even refuse a switch the
    // camera lacks, off as it is.
    if (value == control_value(id))
        return;
    Ccam_settings wanted = *capture.get_settings();
    bool taken = true;
    switch (id) {
    case Econtrol::exposure_us: {
        unsigned index = 0;
        if (device.exp_to_index(value[0], &index) != KMX_OK)
            fail(what, no_result, false);
        taken = wanted.set_exposure(index);
        break;
    }
    case Econtrol::gain: taken = wanted.set_gain(value[0]); break;
    case Econtrol::black_level: taken = wanted.set_bl(value[0]); break;
    case Econtrol::white_balance:
        taken = wanted.set_red_gain(value[0]) && wanted.set_green_gain(value[1]) &&
                wanted.set_blue_gain(value[2]);
        break;
    case Econtrol::binning: taken = wanted.set_bin_mode(value[0]); break;
    case Econtrol::preview: taken = wanted.set_preview_mode(value[0]); break;
    case Econtrol::invert: taken = wanted.set_invert_image(value[0]); break;
    case Econtrol::test_pattern: taken = wanted.set_test_mode(value[0]); break;
    case Econtrol::depth: break;
    }
    if (!taken)
        throw Crange_error(what + ": the camera's settings refused it");
    apply_settings(wanted, what);
}

// Writes the settings to the camera; a refusal puts the earlier ones back.
// The inversion is not part of a set-up, so it is written on its own.
void Csession::apply_settings(Ccam_settings wanted, const std::string& what)
{
    Ccam_settings before = *capture.get_settings();
    const bool invert_changes = wanted.invert_image() != before.invert_image();
    bool taken = !invert_changes ||
                 device.set_param(KMX_PARAM_INVERT, flag(wanted.invert_image())) == KMX_OK;
    taken = taken && capture.setup(&wanted, 0, 0) == 0;
    if (!taken) {
        Cfailure failure;
        failure.operation = what;
        failure.detail = "the camera refused it";
        take_camera_failure(failure);
        if (invert_changes)
            device.set_param(KMX_PARAM_INVERT, flag(before.invert_image()));
        capture.setup(&before, 0, 0);
        note_frame_size();
        throw Ccamera_error(failure);
    }
    note_frame_size();
}

} // namespace kmx_python
