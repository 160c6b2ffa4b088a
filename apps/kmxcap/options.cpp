// SPDX-License-Identifier: Apache-2.0
// Command-line parsing: each flag is looked up in one table that says
// what kind of value it takes and where the value goes.
#include "options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

namespace kmxcap {

namespace {

Cstatus usage(const std::string& text) { return Cstatus(exit_usage, text); }

// Digits only, no sign, no spaces, fits 32 bits.
bool to_unsigned(const std::string& text, unsigned& value)
{
    if (text.empty() || text.size() > 10)
        return false;
    unsigned long long result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + static_cast<unsigned>(c - '0');
    }
    if (result > 0xFFFFFFFFull)
        return false;
    value = static_cast<unsigned>(result);
    return true;
}

bool to_double(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

bool to_switch(const std::string& text, unsigned& value)
{
    if (text == "on" || text == "1") {
        value = 1;
        return true;
    }
    if (text == "off" || text == "0") {
        value = 0;
        return true;
    }
    return false;
}

// "LEFT,TOP,WIDTH,HEIGHT" with a positive width and height.
bool to_region(const std::string& text, Cregion& region)
{
    unsigned parts[4];
    size_t start = 0;
    for (unsigned i = 0; i < 4; ++i) {
        const size_t comma = text.find(',', start);
        const bool last = i == 3;
        if (last != (comma == std::string::npos))
            return false;
        const std::string part = text.substr(start, last ? std::string::npos : comma - start);
        if (!to_unsigned(part, parts[i]))
            return false;
        start = comma + 1;
    }
    if (parts[2] == 0 || parts[3] == 0)
        return false;
    region = {true, parts[0], parts[1], parts[2], parts[3]};
    return true;
}

// "ID" or "ID:INDEX".
bool to_camera(const std::string& text, Coptions& options)
{
    const size_t colon = text.find(':');
    unsigned index = 0;
    if (colon != std::string::npos && !to_unsigned(text.substr(colon + 1), index))
        return false;
    unsigned id = 0;
    if (!to_unsigned(text.substr(0, colon), id))
        return false;
    options.camera_given = true;
    options.camera_id = id;
    options.camera_index = index;
    return true;
}

using Cvalue_parser = std::function<bool(const std::string&, Coptions&)>;
using Cswitch_setter = std::function<void(Coptions&)>;

Cvalue_parser number_into(Cflag_value Coptions::*field)
{
    return [field](const std::string& text, Coptions& o) {
        Cflag_value& target = o.*field;
        target.given = to_unsigned(text, target.value);
        return target.given;
    };
}

Cvalue_parser switch_into(Cflag_value Coptions::*field)
{
    return [field](const std::string& text, Coptions& o) {
        Cflag_value& target = o.*field;
        target.given = to_switch(text, target.value);
        return target.given;
    };
}

const std::map<std::string, Cvalue_parser>& value_flags()
{
    static const std::map<std::string, Cvalue_parser> flags = {
        {"--camera", to_camera},
        {"--camera-library",
         [](const std::string& t, Coptions& o) { o.camera_library = t; return !t.empty(); }},
        {"--out", [](const std::string& t, Coptions& o) { o.out_path = t; return !t.empty(); }},
        {"--stats-roi", [](const std::string& t, Coptions& o) { return to_region(t, o.stats_region); }},
        {"--roi", [](const std::string& t, Coptions& o) { return to_region(t, o.wb_region); }},
        {"--overlay",
         [](const std::string& t, Coptions& o) {
             if (t == "crosshair")
                 o.overlay = Eoverlay::crosshair;
             else if (t == "grid")
                 o.overlay = Eoverlay::grid;
             else
                 return false;
             return true;
         }},
        {"--pixel-values",
         [](const std::string& t, Coptions& o) {
             if (t == "display")
                 o.pixel_values = Epixel_values::display;
             else if (t == "camera")
                 o.pixel_values = Epixel_values::camera;
             else
                 return false;
             return true;
         }},
        {"--depth",
         [](const std::string& t, Coptions& o) {
             return to_unsigned(t, o.depth) && (o.depth == 8 || o.depth == 10 || o.depth == 12);
         }},
        {"--order",
         [](const std::string& t, Coptions& o) {
             if (t == "rgb")
                 o.order = Ecomponent_order::rgb;
             else if (t == "bgr")
                 o.order = Ecomponent_order::bgr;
             else
                 return false;
             return true;
         }},
        {"--gain", number_into(&Coptions::gain)},
        {"--black-level", number_into(&Coptions::black_level)},
        {"--exposure-index", number_into(&Coptions::exposure_index)},
        {"--exposure", number_into(&Coptions::exposure_us)},
        {"--red-gain", number_into(&Coptions::red_gain)},
        {"--green-gain", number_into(&Coptions::green_gain)},
        {"--blue-gain", number_into(&Coptions::blue_gain)},
        {"--red-boost", switch_into(&Coptions::red_boost)},
        {"--blue-boost", switch_into(&Coptions::blue_boost)},
        {"--contrast", number_into(&Coptions::contrast)},
        {"--rate", number_into(&Coptions::rate)},
        {"--live-rate", number_into(&Coptions::live_rate)},
        {"--invert", switch_into(&Coptions::invert)},
        {"--retries", number_into(&Coptions::retries)},
        {"--gamma",
         [](const std::string& t, Coptions& o) {
             o.gamma_given = to_double(t, o.gamma) && o.gamma > 0.0;
             return o.gamma_given;
         }},
        {"--abort-after-frames",
         [](const std::string& t, Coptions& o) {
             return to_unsigned(t, o.abort_after_frames) && o.abort_after_frames > 0;
         }},
    };
    return flags;
}

const std::map<std::string, Cswitch_setter>& switch_flags()
{
    static const std::map<std::string, Cswitch_setter> flags = {
        {"--stats", [](Coptions& o) { o.stats = true; }},
        {"--scale16", [](Coptions& o) { o.scale16 = true; }},
        {"--no-progress", [](Coptions& o) { o.show_progress = false; }},
        {"--raw", [](Coptions& o) { o.raw = true; }},
        {"--bin",
         [](Coptions& o) {
             o.readouts_clash |= o.readout == Ereadout::preview;
             o.readout = Ereadout::bin;
         }},
        {"--preview",
         [](Coptions& o) {
             o.readouts_clash |= o.readout == Ereadout::bin;
             o.readout = Ereadout::preview;
         }},
        {"--sum", [](Coptions& o) { o.sum = true; }},
        {"--live", [](Coptions& o) { o.live = true; }},
        {"--test-mode", [](Coptions& o) { o.test_mode = true; }},
    };
    return flags;
}

bool command_of(const std::string& word, Ecommand& command)
{
    static const std::map<std::string, Ecommand> commands = {
        {"list", Ecommand::list},         {"snap", Ecommand::snap},
        {"average", Ecommand::average},   {"deep-average", Ecommand::deep_average},
        {"auto", Ecommand::auto_adjust},  {"stream", Ecommand::stream},
        {"help", Ecommand::help}};
    const auto found = commands.find(word);
    if (found == commands.end())
        return false;
    command = found->second;
    return true;
}

bool auto_kind_of(const std::string& word, Eauto_kind& kind)
{
    if (word == "exposure")
        kind = Eauto_kind::exposure;
    else if (word == "gain")
        kind = Eauto_kind::gain;
    else if (word == "white-balance")
        kind = Eauto_kind::white_balance;
    else
        return false;
    return true;
}

// The positional argument each subcommand takes.
Cstatus take_positional(const std::string& word, Coptions& options, bool& taken)
{
    if (taken)
        return usage("unexpected argument '" + word + "'");
    taken = true;
    switch (options.command) {
    case Ecommand::average:
    case Ecommand::deep_average:
        if (!to_unsigned(word, options.frames) || options.frames == 0 ||
            options.frames > max_average_frames)
            return usage("frame count '" + word + "' must be a number from 1 to " +
                         std::to_string(max_average_frames));
        return Cstatus::ok();
    case Ecommand::stream:
        if (!to_unsigned(word, options.frames) || options.frames == 0)
            return usage("frame count '" + word + "' must be a positive number");
        return Cstatus::ok();
    case Ecommand::auto_adjust:
        if (!auto_kind_of(word, options.auto_kind))
            return usage("unknown automatic procedure '" + word +
                         "' (exposure, gain or white-balance)");
        return Cstatus::ok();
    default:
        return usage("unexpected argument '" + word + "'");
    }
}

bool takes_positional(Ecommand command)
{
    return command == Ecommand::average || command == Ecommand::deep_average ||
           command == Ecommand::stream || command == Ecommand::auto_adjust;
}

bool has_extension(const std::string& path, const char* extension)
{
    const std::string ext(extension);
    if (path.size() <= ext.size())
        return false;
    std::string tail = path.substr(path.size() - ext.size());
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return tail == ext;
}

bool settings_given(const Coptions& o)
{
    return o.gain.given || o.black_level.given || o.exposure_index.given ||
           o.exposure_us.given || o.red_gain.given || o.green_gain.given ||
           o.blue_gain.given || o.red_boost.given || o.blue_boost.given || o.contrast.given ||
           o.rate.given || o.live_rate.given || o.invert.given || o.gamma_given ||
           o.test_mode || o.readout != Ereadout::normal || o.depth != 0 ||
           o.order != Ecomponent_order::camera_default;
}

// Combinations that can never work, whatever the camera.
Cstatus check_combinations(const Coptions& o)
{
    const bool lists = o.command == Ecommand::list;
    if (lists && (settings_given(o) || !o.out_path.empty() || o.stats || o.camera_given))
        return usage("list takes no camera, settings or output flags");
    if (takes_positional(o.command) && o.frames == 0 && o.command != Ecommand::auto_adjust)
        return usage("missing frame count");
    if (o.raw && o.command != Ecommand::snap)
        return usage("--raw is for snap only");
    if (o.raw && o.depth != 0)
        return usage("--raw and --depth exclude each other (raw frames have the camera's own depth)");
    if (o.sum && o.command != Ecommand::average)
        return usage("--sum is for average only");
    if (o.wb_region.given &&
        !(o.command == Ecommand::auto_adjust && o.auto_kind == Eauto_kind::white_balance))
        return usage("--roi is for auto white-balance only");
    if (o.exposure_index.given && o.exposure_us.given)
        return usage("--exposure and --exposure-index exclude each other");
    if (o.readouts_clash)
        return usage("--bin and --preview exclude each other (one readout per picture)");
    if (o.command == Ecommand::deep_average && o.depth == 8)
        return usage("deep-average needs --depth 10 or 12");
    if (o.command == Ecommand::auto_adjust && o.depth > 8)
        return usage("the automatic procedures work on 8-bit settings only");
    const bool deep = o.raw || o.depth > 8 || o.command == Ecommand::deep_average;
    if (o.overlay != Eoverlay::none && deep)
        return usage("--overlay needs an 8-bit image (not raw or deep)");
    if (o.command == Ecommand::stream && o.depth > 8)
        return usage("stream delivers 8-bit frames only");
    if (o.scale16 && !deep)
        return usage("--scale16 is for raw and deep images");
    if (!o.out_path.empty() && !has_extension(o.out_path, ".png") &&
        !has_extension(o.out_path, ".tif") && !has_extension(o.out_path, ".tiff"))
        return usage("output file '" + o.out_path + "' must end in .png, .tif or .tiff");
    return Cstatus::ok();
}

} // namespace

Cstatus parse_options(const std::vector<std::string>& args, Coptions& options)
{
    options = Coptions();
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h")
            return Cstatus::ok();
    for (const std::string& arg : args) {
        if (arg == "--version") {
            options.command = Ecommand::version;
            return Cstatus::ok();
        }
    }
    if (args.empty())
        return usage("missing subcommand (try --help)");
    if (!command_of(args[0], options.command))
        return usage("unknown subcommand '" + args[0] + "' (try --help)");
    bool positional_taken = !takes_positional(options.command);
    for (size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool inline_value = false;
        const size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
            inline_value = true;
        }
        const auto sw = switch_flags().find(arg);
        if (sw != switch_flags().end()) {
            if (inline_value)
                return usage("flag " + arg + " takes no value");
            sw->second(options);
            continue;
        }
        const auto vf = value_flags().find(arg);
        if (vf != value_flags().end()) {
            if (!inline_value) {
                if (i + 1 >= args.size())
                    return usage("flag " + arg + " needs a value");
                value = args[++i];
            }
            if (!vf->second(value, options))
                return usage("bad value '" + value + "' for " + arg);
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-')
            return usage("unknown flag '" + arg + "'");
        const Cstatus positional = take_positional(arg, options, positional_taken);
        if (!positional.is_ok())
            return positional;
    }
    if (!positional_taken)
        return usage(options.command == Ecommand::auto_adjust
                         ? "missing automatic procedure (exposure, gain or white-balance)"
                         : "missing frame count");
    return check_combinations(options);
}

} // namespace kmxcap
