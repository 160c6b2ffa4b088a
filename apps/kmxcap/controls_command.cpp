// SPDX-License-Identifier: Apache-2.0
// The controls listing and set. One table names each control once: its
// camera parameter, unit and conversion; the listing reads the camera
// through it and set reads back through it what the camera took.
#include "controls_command.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "json_writer.h"
#include "kmxcore/camera/exposure_curve.h"
#include "kmxcore/image/iformat.h"
#include "session.h"

namespace kmxcap {

namespace {

// What the index of a control stands for.
enum class Ekind {
    gain,            // index; the library's gain factor, and dB
    exposure_us,     // the parameter in microseconds; limits are indexes
    exposure_index,  // the same parameter as an index
    black_level,     // index; the library's level in 8-bit units
    wb_gain,         // index; the library's factor
    on_off,          // 0 or 1
    gamma,           // the floating parameter
    plain_index,     // an index without a value of its own (contrast)
    rate,            // a selector; the settings take 0, 1 and 4
    format,          // a format code
};

struct Ccontrol_entry {
    const char* name;   // the flag's long name, also set's NAME
    unsigned param;
    Ekind kind;
    bool colour_only;
    unsigned caps_needed;  // capability bits the camera must have (0: none)
    const char* note;
};

constexpr Ccontrol_entry control_entries[] = {
    {"gain", KMX_PARAM_GAIN, Ekind::gain, false, 0, ""},
    {"exposure", KMX_PARAM_EXPOSURE, Ekind::exposure_us, false, 0, ""},
    {"exposure-index", KMX_PARAM_EXPOSURE, Ekind::exposure_index, false, 0,
     "64 steps a decade from 10 us"},
    {"black-level", KMX_PARAM_BL, Ekind::black_level, false, 0, ""},
    {"red-gain", KMX_PARAM_RED_GAIN, Ekind::wb_gain, true, 0, "white balance"},
    {"green-gain", KMX_PARAM_GREEN_GAIN, Ekind::wb_gain, true, 0, "white balance"},
    {"blue-gain", KMX_PARAM_BLUE_GAIN, Ekind::wb_gain, true, 0, "white balance"},
    {"red-boost", KMX_PARAM_RED_BOOST, Ekind::on_off, true, 0, "red x1.25"},
    {"blue-boost", KMX_PARAM_BLUE_BOOST, Ekind::on_off, true, 0, "blue x1.25"},
    {"gamma", KMX_FPARAM_GAMMA, Ekind::gamma, false, 0, "setting it switches gamma-mode on"},
    {"gamma-mode", KMX_PARAM_GAMMA_MODE, Ekind::on_off, false, 0, ""},
    {"contrast", KMX_PARAM_CONTRAST, Ekind::plain_index, false, 0, "127 is neutral"},
    {"contrast-mode", KMX_PARAM_CONTRAST_MODE, Ekind::on_off, false, 0,
     "on when contrast is not 127"},
    {"rate", KMX_PARAM_RATE, Ekind::rate, false, 0, "frame-rate selector: 0, 1 or 4"},
    {"invert", KMX_PARAM_INVERT, Ekind::on_off, false, 0, ""},
    {"test-mode", KMX_PARAM_TEST_MODE, Ekind::on_off, false, KMX_CAP_TEST_MODE,
     "the --test-mode flag"},
    {"format", KMX_PARAM_FORMAT, Ekind::format, false, 0, "0 is raw; see formats"},
};

constexpr unsigned allowed_rates[] = {0, 1, 4};

// One control as read from the camera.
struct Ccontrol {
    const Ccontrol_entry* entry = nullptr;
    double min = 0, max = 0, def = 0, current = 0;
    // The physical value of min, max and current (gain factor, level,
    // microseconds), where the control has one.
    bool has_value = false;
    double value_min = 0, value_max = 0, value_current = 0;
    const char* value_unit = "";
    bool settable = false;
};

const char* unit_of(Ekind kind)
{
    switch (kind) {
    case Ekind::exposure_us: return "us";
    case Ekind::on_off: return "on/off";
    case Ekind::gamma: return "gamma";
    case Ekind::rate: return "selector";
    case Ekind::format: return "code";
    default: return "index";
    }
}

bool is_settable(const char* name)
{
    for (const std::string& settable : settable_names())
        if (settable == name)
            return true;
    return false;
}

// The physical value of an index through the settings record, which
// asks the camera library.
double value_of_index(Ccam_settings& probe, Ekind kind, unsigned param, unsigned index)
{
    switch (kind) {
    case Ekind::gain:
        probe.set_gain(index);
        return probe.get_gain_value();
    case Ekind::black_level:
        probe.set_bl(index);
        return probe.get_bl_value();
    case Ekind::wb_gain:
        if (param == KMX_PARAM_RED_GAIN) {
            probe.set_red_gain(index);
            return probe.get_red_gain_value();
        }
        if (param == KMX_PARAM_GREEN_GAIN) {
            probe.set_green_gain(index);
            return probe.get_green_gain_value();
        }
        probe.set_blue_gain(index);
        return probe.get_blue_gain_value();
    default: return 0.0;
    }
}

unsigned rounded_exposure_index(unsigned us)
{
    return static_cast<unsigned>(std::floor(kmx_exposure::steps_of_us(us) + 0.5));
}

bool read_float_control(Cdevice& device, Ccontrol& c)
{
    const unsigned id = c.entry->param;
    return device.get_fparam_min(id, &c.min) == KMX_OK &&
           device.get_fparam_max(id, &c.max) == KMX_OK &&
           device.get_fparam_default(id, &c.def) == KMX_OK &&
           device.get_fparam(id, &c.current) == KMX_OK;
}

// Reads one control; false when the camera does not answer for it.
bool read_control(Cdevice& device, Ccam_settings& probe, Ccontrol& c)
{
    const Ccontrol_entry& entry = *c.entry;
    c.settable = is_settable(entry.name);
    if (entry.kind == Ekind::gamma)
        return read_float_control(device, c);
    unsigned min = 0, max = 0, def = 0, current = 0;
    const unsigned id = entry.param;
    if (device.get_param_min(id, &min) != KMX_OK || device.get_param_max(id, &max) != KMX_OK ||
        device.get_param_default(id, &def) != KMX_OK || device.get_param(id, &current) != KMX_OK)
        return false;
    c.min = min;
    c.max = max;
    c.def = def;
    c.current = current;
    switch (entry.kind) {
    case Ekind::exposure_us:
        // The limits are indexes, the default and the value microseconds.
        c.min = kmx_exposure::us_of_index(min);
        c.max = kmx_exposure::us_of_index(max);
        break;
    case Ekind::exposure_index:
        c.def = rounded_exposure_index(def);
        c.current = rounded_exposure_index(current);
        c.has_value = true;
        c.value_unit = "us";
        c.value_min = kmx_exposure::us_of_index(min);
        c.value_max = kmx_exposure::us_of_index(max);
        c.value_current = current;
        break;
    case Ekind::gain:
    case Ekind::black_level:
    case Ekind::wb_gain:
        c.has_value = true;
        c.value_unit = entry.kind == Ekind::black_level ? "8-bit units" : "factor";
        c.value_min = value_of_index(probe, entry.kind, id, min);
        c.value_max = value_of_index(probe, entry.kind, id, max);
        c.value_current = value_of_index(probe, entry.kind, id, current);
        break;
    default: break;
    }
    return true;
}

std::vector<Ccontrol> read_controls(Csession& session)
{
    Cdevice& device = session.get_device();
    Ccam_settings probe;
    probe.init(device.get_camera_handle());
    std::vector<Ccontrol> controls;
    for (const Ccontrol_entry& entry : control_entries) {
        if (entry.colour_only && !session.colour())
            continue;
        if ((device.get_camera_caps() & entry.caps_needed) != entry.caps_needed)
            continue;
        Ccontrol control;
        control.entry = &entry;
        if (read_control(device, probe, control))
            controls.push_back(control);
    }
    return controls;
}

// --- formats, readouts, procedures ------------------------------------------

struct Cformat_name {
    unsigned code;
    const char* name;
    bool colour;
    unsigned depth;
};

constexpr Cformat_name format_names[] = {
    {KMX_FORMAT_MONO8, "mono8", false, 8},   {KMX_FORMAT_MONO10, "mono10", false, 10},
    {KMX_FORMAT_MONO12, "mono12", false, 12}, {KMX_FORMAT_RGB24, "rgb24", true, 8},
    {KMX_FORMAT_BGR24, "bgr24", true, 8},    {KMX_FORMAT_RGB32, "rgb32", true, 8},
    {KMX_FORMAT_BGR32, "bgr32", true, 8},    {KMX_FORMAT_RGB30, "rgb30", true, 10},
    {KMX_FORMAT_RGB36, "rgb36", true, 12},
};

std::vector<const Cformat_name*> offered_formats(Csession& session)
{
    std::vector<const Cformat_name*> formats;
    for (const Cformat_name& format : format_names)
        if (format.colour == session.colour() && session.offers_depth(format.depth))
            formats.push_back(&format);
    return formats;
}

std::vector<unsigned> offered_depths(const Csession& session)
{
    std::vector<unsigned> depths;
    for (unsigned depth : {8u, 10u, 12u})
        if (session.offers_depth(depth))
            depths.push_back(depth);
    return depths;
}

struct Creadout {
    const char* name;
    unsigned width, height;
};

std::vector<Creadout> offered_readouts(Cdevice& device)
{
    std::vector<Creadout> readouts = {{"normal", device.get_max_width(), device.get_max_height()}};
    if (device.get_camera_caps() & KMX_CAP_BIN)
        readouts.push_back({"binned", device.get_bin_width(), device.get_bin_height()});
    if (device.get_camera_caps() & KMX_CAP_PREVIEW)
        readouts.push_back({"preview", device.get_preview_width(), device.get_preview_height()});
    return readouts;
}

// The contract offers automatic exposure and gain on every camera;
// white balance needs colour.
std::vector<const char*> automatic_procedures(const Csession& session)
{
    std::vector<const char*> procedures = {"exposure", "gain"};
    if (session.colour())
        procedures.push_back("white-balance");
    return procedures;
}

std::string camera_text(Cdevice& device, int (Cdevice::*read)(char*, unsigned) const)
{
    char text[128] = {};
    if ((device.*read)(text, sizeof text - 1) != 0)
        return std::string();
    return text;
}

double decibels(double factor) { return 20.0 * std::log10(factor); }

// --- text --------------------------------------------------------------------

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Four significant digits: enough for a factor or a level in a note.
std::string brief(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

std::string value_note(const Ccontrol& c)
{
    std::string note;
    if (c.has_value && c.entry->kind == Ekind::exposure_index) {
        note = brief(c.value_current) + " us";
    } else if (c.has_value && c.entry->kind == Ekind::black_level) {
        note = brief(c.value_current) + " (" + brief(c.value_min) + ".." + brief(c.value_max) +
               ") in 8-bit units";
    } else if (c.has_value) {
        note = "x" + brief(c.value_current) + " (x" + brief(c.value_min) + "..x" +
               brief(c.value_max) + ")";
        if (c.entry->kind == Ekind::gain && c.value_current > 0.0) {
            char db[32];
            std::snprintf(db, sizeof db, ", %.2f dB", decibels(c.value_current));
            note += db;
        }
    }
    if (*c.entry->note)
        note += (note.empty() ? "" : "; ") + std::string(c.entry->note);
    if (!c.settable)
        note += note.empty() ? "read only" : "; read only";
    return note;
}

void print_text(Csession& session, const std::vector<Ccontrol>& controls)
{
    Cdevice& device = session.get_device();
    std::printf("camera %u:%u  %s %s  serial %u\n", device.get_camera_id(),
                device.get_camera_index(),
                camera_text(device, &Cdevice::camera_vendor_desc).c_str(),
                camera_text(device, &Cdevice::camera_product_desc).c_str(), device.get_serial_no());
    std::printf("%-15s %-8s %7s %7s %7s %7s  %s\n", "name", "unit", "min", "max", "default",
                "current", "notes");
    for (const Ccontrol& c : controls) {
        const std::string note = value_note(c);
        std::printf("%-15s %-8s %7s %7s %7s %7s%s%s\n", c.entry->name, unit_of(c.entry->kind),
                    number(c.min).c_str(), number(c.max).c_str(), number(c.def).c_str(),
                    number(c.current).c_str(), note.empty() ? "" : "  ", note.c_str());
    }
    std::printf("formats:");
    for (const Cformat_name* format : offered_formats(session))
        std::printf(" %s (%u)", format->name, format->code);
    std::printf(" raw (0)\ndepths:");
    for (unsigned depth : offered_depths(session))
        std::printf(" %u", depth);
    std::printf(" bits\nreadouts:");
    const std::vector<Creadout> readouts = offered_readouts(device);
    for (size_t i = 0; i < readouts.size(); ++i)
        std::printf("%s %s %ux%u", i ? "," : "", readouts[i].name, readouts[i].width,
                    readouts[i].height);
    std::printf("\nautomatic:");
    for (const char* procedure : automatic_procedures(session))
        std::printf(" %s", procedure);
    std::printf("\n");
}

// --- JSON ----------------------------------------------------------------------

void json_control(Cjson_writer& json, const Ccontrol& c)
{
    json.begin_object();
    json.key("name");
    json.value(c.entry->name);
    json.key("unit");
    json.value(unit_of(c.entry->kind));
    json.key("min");
    json.value(c.min);
    json.key("max");
    json.value(c.max);
    json.key("default");
    json.value(c.def);
    json.key("current");
    json.value(c.current);
    json.key("settable");
    json.value(c.settable);
    if (c.entry->kind == Ekind::rate) {
        json.key("values");
        json.begin_array();
        for (unsigned rate : allowed_rates)
            json.value(rate);
        json.end_array();
    }
    if (c.has_value) {
        json.key("value_unit");
        json.value(c.value_unit);
        json.key("value_min");
        json.value(c.value_min);
        json.key("value_max");
        json.value(c.value_max);
        json.key("value");
        json.value(c.value_current);
    }
    if (c.entry->kind == Ekind::gain && c.value_current > 0.0) {
        json.key("db");
        json.value(decibels(c.value_current));
    }
    json.end_object();
}

void print_json(Csession& session, const std::vector<Ccontrol>& controls)
{
    Cdevice& device = session.get_device();
    Cjson_writer json;
    json.begin_object();
    json.key("camera");
    json.begin_object();
    json.key("id");
    json.value(device.get_camera_id());
    json.key("index");
    json.value(device.get_camera_index());
    json.key("vendor");
    json.value(camera_text(device, &Cdevice::camera_vendor_desc));
    json.key("model");
    json.value(camera_text(device, &Cdevice::camera_product_desc));
    json.key("serial");
    json.value(device.get_serial_no());
    json.key("colour");
    json.value(session.colour());
    json.end_object();
    json.key("controls");
    json.begin_array();
    for (const Ccontrol& c : controls)
        json_control(json, c);
    json.end_array();
    json.key("formats");
    json.begin_array();
    for (const Cformat_name* format : offered_formats(session)) {
        json.begin_object();
        json.key("name");
        json.value(format->name);
        json.key("code");
        json.value(format->code);
        json.end_object();
    }
    json.end_array();
    json.key("depths");
    json.begin_array();
    for (unsigned depth : offered_depths(session))
        json.value(depth);
    json.end_array();
    json.key("readouts");
    json.begin_array();
    for (const Creadout& readout : offered_readouts(device)) {
        json.begin_object();
        json.key("name");
        json.value(readout.name);
        json.key("width");
        json.value(readout.width);
        json.key("height");
        json.value(readout.height);
        json.end_object();
    }
    json.end_array();
    json.key("automatic");
    json.begin_array();
    for (const char* procedure : automatic_procedures(session))
        json.value(procedure);
    json.end_array();
    json.end_object();
    std::fputs(json.text().c_str(), stdout);
}

const Ccontrol_entry* entry_named(const std::string& name)
{
    for (const Ccontrol_entry& entry : control_entries)
        if (name == entry.name)
            return &entry;
    return nullptr;
}

// "gain = 300 (x2.25, 7.04 dB)": what the camera holds now.
std::string taken_line(Csession& session, const Ccontrol_entry& entry)
{
    Ccam_settings probe;
    probe.init(session.get_device().get_camera_handle());
    Ccontrol c;
    c.entry = &entry;
    if (!read_control(session.get_device(), probe, c))
        return std::string(entry.name) + ": the camera does not say what it took";
    std::string line = std::string(entry.name) + " = " + number(c.current);
    if (entry.kind == Ekind::exposure_us)
        line += " us (index " + std::to_string(rounded_exposure_index(
                                    static_cast<unsigned>(c.current))) + ")";
    else if (entry.kind == Ekind::exposure_index)
        line += " (" + brief(c.value_current) + " us)";
    else if (entry.kind == Ekind::gain && c.value_current > 0.0)
        line += " (x" + brief(c.value_current) + ", " + brief(decibels(c.value_current)) + " dB)";
    else if (c.has_value)
        line += " (" + brief(c.value_current) + ")";
    return line;
}

} // namespace

Cstatus list_controls(const Coptions& options)
{
    Csession session;
    const Cstatus status = session.open(options);
    if (!status.is_ok())
        return status;
    const std::vector<Ccontrol> controls = read_controls(session);
    if (options.json)
        print_json(session, controls);
    else
        print_text(session, controls);
    return Cstatus::ok();
}

Cstatus set_controls(const Coptions& options)
{
    Csession session;
    Cstatus status = session.open(options);
    if (!status.is_ok())
        return status;
    status = session.prepare(options, 8);
    if (!status.is_ok())
        return status;
    for (const std::string& name : options.set_names) {
        const Ccontrol_entry* entry = entry_named(name);
        if (entry == nullptr)
            return Cstatus(exit_internal, "no control is named " + name);
        std::printf("%s\n", taken_line(session, *entry).c_str());
    }
    return Cstatus::ok();
}

} // namespace kmxcap
