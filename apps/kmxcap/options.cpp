// SPDX-License-Identifier: Apache-2.0
// Command-line parsing: getopt_long over the option table, then the
// subcommand's positional arguments and the combinations that can never
// work.
#include "options.h"

#include <getopt.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>

#include "option_table.h"
#include "output_names.h"

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

// "ID", "ID:INDEX" or "serial=N".
bool to_camera(const std::string& text, Coptions& options)
{
    static const std::string serial_prefix = "serial=";
    if (text.compare(0, serial_prefix.size(), serial_prefix) == 0) {
        unsigned serial = 0;
        if (!to_unsigned(text.substr(serial_prefix.size()), serial))
            return false;
        options.camera_given = true;
        options.camera_by_serial = true;
        options.camera_serial = serial;
        return true;
    }
    const size_t colon = text.find(':');
    unsigned index = 0;
    if (colon != std::string::npos && !to_unsigned(text.substr(colon + 1), index))
        return false;
    unsigned id = 0;
    if (!to_unsigned(text.substr(0, colon), id))
        return false;
    options.camera_given = true;
    options.camera_by_serial = false;
    options.camera_id = id;
    options.camera_index = index;
    return true;
}

using Ctake = std::function<bool(const std::string&, Coptions&)>;

Ctake number_into(Cflag_value Coptions::*field)
{
    return [field](const std::string& text, Coptions& o) {
        Cflag_value& target = o.*field;
        target.given = to_unsigned(text, target.value);
        return target.given;
    };
}

Ctake switch_into(Cflag_value Coptions::*field)
{
    return [field](const std::string& text, Coptions& o) {
        Cflag_value& target = o.*field;
        target.given = to_switch(text, target.value);
        return target.given;
    };
}

Ctake flag_into(bool Coptions::*field)
{
    return [field](const std::string&, Coptions& o) {
        o.*field = true;
        return true;
    };
}

// A value out of a fixed list of words.
template <typename T>
Ctake word_into(T Coptions::*field, std::vector<std::pair<const char*, T>> words)
{
    return [field, words](const std::string& text, Coptions& o) {
        for (const auto& word : words) {
            if (text == word.first) {
                o.*field = word.second;
                return true;
            }
        }
        return false;
    };
}

bool take_readout(Coptions& o, Ereadout readout)
{
    o.readouts_clash |= o.readout != Ereadout::normal && o.readout != readout;
    o.readout = readout;
    return true;
}

constexpr char count_letter = 'n';

bool take_count(const std::string& text, Coptions& o)
{
    unsigned count = 0;
    if (!to_unsigned(text, count) || count == 0)
        return false;
    o.frames = count;
    return true;
}

std::vector<Coption_entry> make_table()
{
    using S = Esection;
    const std::vector<Coption_entry> table = {
        {"camera", 'c', "ID[:INDEX]|serial=N", S::camera,
         "camera to open, by id and index or by serial number (default: the first available)",
         to_camera},
        {"camera-library", 0, "NAME", S::camera,
         "camera library: sim (the default), aravis (GigE Vision and USB3 Vision cameras; "
         "3:0 is Aravis' fake camera) or the file of any library with the kmx_ functions; "
         "the environment variable KMX_CAMERA_LIBRARY does the same",
         [](const std::string& t, Coptions& o) {
             o.camera_library = t;
             return !t.empty();
         }},

        {"depth", 0, "8|10|12", S::settings,
         "component depth (snap: deep frame; deep-average: depth summed)",
         [](const std::string& t, Coptions& o) {
             return to_unsigned(t, o.depth) && (o.depth == 8 || o.depth == 10 || o.depth == 12);
         }},
        {"order", 0, "rgb|bgr", S::settings, "component order of 8-bit colour frames",
         word_into(&Coptions::order, std::vector<std::pair<const char*, Ecomponent_order>>{
                                         {"rgb", Ecomponent_order::rgb},
                                         {"bgr", Ecomponent_order::bgr}})},
        {"bin", 0, nullptr, S::settings, "binned readout",
         [](const std::string&, Coptions& o) { return take_readout(o, Ereadout::bin); }},
        {"preview", 0, nullptr, S::settings, "preview readout (one readout: not with --bin)",
         [](const std::string&, Coptions& o) { return take_readout(o, Ereadout::preview); }},
        {"raw", 0, nullptr, S::settings,
         "snap the camera's raw output: one 16-bit word per pixel; colour cameras give "
         "their Bayer mosaic, written as DNG in a TIFF file",
         flag_into(&Coptions::raw)},
        {"gain", 'g', "N", S::settings, "gain index", number_into(&Coptions::gain), true},
        {"black-level", 0, "N", S::settings, "black level index",
         number_into(&Coptions::black_level), true},
        {"exposure", 'e', "US", S::settings,
         "exposure in microseconds (set to the nearest index)",
         number_into(&Coptions::exposure_us), true},
        {"exposure-index", 0, "N", S::settings, "exposure index (0..256: 10 us .. 100 ms)",
         number_into(&Coptions::exposure_index), true},
        {"red-gain", 0, "N", S::settings, "red white-balance gain index (colour cameras)",
         number_into(&Coptions::red_gain), true},
        {"green-gain", 0, "N", S::settings, "green white-balance gain index",
         number_into(&Coptions::green_gain), true},
        {"blue-gain", 0, "N", S::settings, "blue white-balance gain index",
         number_into(&Coptions::blue_gain), true},
        {"red-boost", 0, "on|off", S::settings, "red boost (colour cameras)",
         switch_into(&Coptions::red_boost), true},
        {"blue-boost", 0, "on|off", S::settings, "blue boost",
         switch_into(&Coptions::blue_boost), true},
        {"gamma", 0, "X", S::settings, "gamma (switches gamma correction on)",
         [](const std::string& t, Coptions& o) {
             o.gamma_given = to_double(t, o.gamma) && o.gamma > 0.0;
             return o.gamma_given;
         },
         true},
        {"contrast", 0, "N", S::settings, "contrast index (127 is neutral)",
         number_into(&Coptions::contrast), true},
        {"rate", 0, "R", S::settings, "capture frame-rate selector (0, 1 or 4)",
         number_into(&Coptions::rate), true},
        {"live-rate", 0, "R", S::settings, "live frame-rate selector (0, 1 or 4)",
         number_into(&Coptions::live_rate)},
        {"live", 0, nullptr, S::settings, "capture at the live rate instead of the capture rate",
         flag_into(&Coptions::live)},
        {"invert", 0, "on|off", S::settings,
         "camera-side inversion (monochrome cameras default to on)",
         switch_into(&Coptions::invert), true},
        {"test-mode", 0, nullptr, S::settings,
         "deterministic test pattern instead of the scene", flag_into(&Coptions::test_mode)},
        {"retries", 0, "N", S::settings, "retries of a failed frame (default 5)",
         number_into(&Coptions::retries)},

        {"out", 'o', "FILE", S::output,
         "write the picture to FILE.png (8 or 16 bit), FILE.tif/.tiff (8 or 16 bit) or "
         "FILE.dng (raw colour); '-' writes it to standard output (then every message goes "
         "to standard error). The name may hold %n, %04n, %t, %s (below). Files appear "
         "only when the whole run succeeded",
         [](const std::string& t, Coptions& o) {
             o.out_path = t;
             return !t.empty();
         }},
        {"format", 0, "png|tiff|dng", S::output,
         "file format of -o - (default png); must agree with a file's extension",
         word_into(&Coptions::out_format, std::vector<std::pair<const char*, Eout_format>>{
                                              {"png", Eout_format::png},
                                              {"tiff", Eout_format::tiff},
                                              {"tif", Eout_format::tiff},
                                              {"dng", Eout_format::dng}})},
        {"sidecar", 0, nullptr, S::output,
         "also write the picture's provenance as JSON next to it (frame.png.json)",
         flag_into(&Coptions::sidecar)},
        {"count", count_letter, "N", S::output,
         "frame count of average, deep-average and stream (or N)", take_count},
        {"overlay", 0, "crosshair|grid", S::output, "draw the overlay into the 8-bit image first",
         word_into(&Coptions::overlay, std::vector<std::pair<const char*, Eoverlay>>{
                                           {"crosshair", Eoverlay::crosshair},
                                           {"grid", Eoverlay::grid}})},
        {"pixel-values", 0, "display|camera", S::output,
         "display (default): monochrome pixels are written as the library shows them on "
         "screen through its inverted grey table, so with the default camera inversion "
         "bright light gives high values; camera: exactly as delivered (TIFF files then "
         "say MinIsWhite)",
         word_into(&Coptions::pixel_values, std::vector<std::pair<const char*, Epixel_values>>{
                                                {"display", Epixel_values::display},
                                                {"camera", Epixel_values::camera}})},
        {"scale16", 0, nullptr, S::output,
         "scale 10/12-bit values to the full 16 bits (default: the values as delivered; "
         "files record the significant bits)",
         flag_into(&Coptions::scale16)},
        {"stats", 0, nullptr, S::output,
         "print mean and standard deviation (per channel for colour)",
         flag_into(&Coptions::stats)},
        {"stats-roi", 0, "L,T,W,H", S::output,
         "region of the statistics (default: the whole image)",
         [](const std::string& t, Coptions& o) { return to_region(t, o.stats_region); }},
        {"roi", 0, "L,T,W,H", S::output, "region of auto white-balance (default: the whole image)",
         [](const std::string& t, Coptions& o) { return to_region(t, o.wb_region); }},
        {"sum", 0, nullptr, S::output, "average: clamped sum instead of mean",
         flag_into(&Coptions::sum)},
        {"json", 0, nullptr, S::output, "controls: the listing as JSON",
         flag_into(&Coptions::json)},

        {"listen", 0, "ADDR", S::view,
         "address to listen on (default 127.0.0.1: this machine only; 0.0.0.0 or :: offers "
         "the camera to the network)",
         [](const std::string& t, Coptions& o) {
             o.listen_host = t;
             o.listen_given = true;
             return !t.empty();
         }},
        {"port", 0, "N", S::view, "port (default 8080; 0: any free port, printed at the start)",
         [](const std::string& t, Coptions& o) {
             o.listen_given = true;
             return to_unsigned(t, o.listen_port) && o.listen_port <= 65535;
         }},

        {"quiet", 'q', nullptr, S::other,
         "print only what was asked for (statistics, listings, values): no progress bar, "
         "no summary lines",
         flag_into(&Coptions::quiet)},
        {"verbose", 'v', nullptr, S::other,
         "say on standard error which camera was opened, how the raw mosaic is laid out, "
         "and what was written with which facts",
         flag_into(&Coptions::verbose)},
        {"no-progress", 0, nullptr, S::other,
         "no progress bar (it is shown on a terminal for work that takes more than a second)",
         [](const std::string&, Coptions& o) {
             o.show_progress = false;
             return true;
         }},
        {"help", 'h', nullptr, S::other, "this text",
         [](const std::string&, Coptions& o) {
             o.command = Ecommand::help;
             return true;
         }},
        {"version", 'V', nullptr, S::other, "the version of kmxcap and of the kmxcore library",
         [](const std::string&, Coptions& o) {
             o.command = Ecommand::version;
             return true;
         }},
        // Hidden debugging aid: behave as if Ctrl-C came after this many
        // frames. Lets tests abort at a known point.
        {"abort-after-frames", 0, "N", S::other, "",
         [](const std::string& t, Coptions& o) {
             return to_unsigned(t, o.abort_after_frames) && o.abort_after_frames > 0;
         },
         false, true},
    };
    return table;
}

// getopt_long's value of an option: its short letter, or a code past
// every character for long-only options.
constexpr int long_only_base = 256;

int option_code(size_t index, const Coption_entry& option)
{
    return option.short_name != 0 ? option.short_name : long_only_base + static_cast<int>(index);
}

const Coption_entry* option_of_code(int code)
{
    const std::vector<Coption_entry>& table = option_table();
    for (size_t i = 0; i < table.size(); ++i)
        if (option_code(i, table[i]) == code)
            return &table[i];
    return nullptr;
}

// "-" first: arguments that are not options come back in order as code 1,
// whatever POSIXLY_CORRECT says; ":" next: a missing value is told apart
// from an unknown option, and getopt prints nothing itself.
std::string short_options()
{
    std::string text = "-:";
    for (const Coption_entry& option : option_table()) {
        if (option.short_name == 0)
            continue;
        text += option.short_name;
        if (option.value_name != nullptr)
            text += ':';
    }
    return text;
}

std::vector<struct option> long_options()
{
    std::vector<struct option> options;
    const std::vector<Coption_entry>& table = option_table();
    for (size_t i = 0; i < table.size(); ++i) {
        const Coption_entry& entry = table[i];
        options.push_back({entry.long_name, entry.value_name ? required_argument : no_argument,
                           nullptr, option_code(i, entry)});
    }
    options.push_back({nullptr, 0, nullptr, 0});
    return options;
}

bool command_of(const std::string& word, Ecommand& command)
{
    static const std::map<std::string, Ecommand> commands = {
        {"list", Ecommand::list},         {"snap", Ecommand::snap},
        {"average", Ecommand::average},   {"deep-average", Ecommand::deep_average},
        {"auto", Ecommand::auto_adjust},  {"stream", Ecommand::stream},
        {"controls", Ecommand::controls}, {"set", Ecommand::set},
        {"view", Ecommand::view},         {"help", Ecommand::help}};
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

bool counts_frames(Ecommand command)
{
    return command == Ecommand::average || command == Ecommand::deep_average ||
           command == Ecommand::stream;
}

// Keeps the names of the settings given, once each, in order: set
// reports what the camera took for each.
void note_setting(const std::string& name, Coptions& options)
{
    for (const std::string& noted : options.set_names)
        if (noted == name)
            return;
    options.set_names.push_back(name);
}

// set's NAME=VALUE: the option of that long name, if `set` takes it.
Cstatus take_assignment(const std::string& word, Coptions& options)
{
    const size_t equals = word.find('=');
    if (equals == std::string::npos || equals == 0)
        return usage("'" + word + "' is no NAME=VALUE (try: kmxcap set gain=300)");
    const std::string name = word.substr(0, equals);
    const std::string value = word.substr(equals + 1);
    for (const Coption_entry& option : option_table()) {
        if (name != option.long_name || !option.settable)
            continue;
        if (!option.take(value, options))
            return usage("bad value '" + value + "' for " + name);
        note_setting(name, options);
        return Cstatus::ok();
    }
    return usage("unknown setting '" + name + "' (see kmxcap controls)");
}

// The positional arguments after the subcommand.
Cstatus take_positional(const std::string& word, Coptions& options, unsigned& taken)
{
    ++taken;
    if (options.command == Ecommand::set)
        return take_assignment(word, options);
    if (taken > 1)
        return usage("unexpected argument '" + word + "'");
    switch (options.command) {
    case Ecommand::average:
    case Ecommand::deep_average:
    case Ecommand::stream:
        if (!take_count(word, options))
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

bool settings_given(const Coptions& o)
{
    return o.gain.given || o.black_level.given || o.exposure_index.given ||
           o.exposure_us.given || o.red_gain.given || o.green_gain.given ||
           o.blue_gain.given || o.red_boost.given || o.blue_boost.given || o.contrast.given ||
           o.rate.given || o.live_rate.given || o.invert.given || o.gamma_given ||
           o.test_mode || o.readout != Ereadout::normal || o.depth != 0 ||
           o.order != Ecomponent_order::camera_default;
}

bool output_given(const Coptions& o)
{
    return !o.out_path.empty() || o.stats || o.sidecar || o.out_format != Eout_format::unspecified;
}

// The file name's extension agrees with --format; a file needs one of the
// known extensions.
Cstatus check_output_name(const Coptions& o)
{
    if (o.out_path.empty())
        return Cstatus::ok();
    if (o.out_path == "-") {
        if (o.sidecar)
            return usage("--sidecar needs a file name, not -o -");
        return Cstatus::ok();
    }
    if (!name_pattern_valid(o.out_path))
        return usage("output name '" + o.out_path +
                     "' holds an unknown % pattern (%n, %04n, %t, %s, %%)");
    Eout_format named = Eout_format::unspecified;
    if (!out_format_of_name(o.out_path, named))
        return usage("output file '" + o.out_path + "' must end in .png, .tif, .tiff or .dng");
    if (o.out_format != Eout_format::unspecified && o.out_format != named)
        return usage("--format does not agree with the extension of '" + o.out_path + "'");
    return Cstatus::ok();
}

// Combinations that can never work, whatever the camera.
Cstatus check_combinations(const Coptions& o)
{
    const bool lists = o.command == Ecommand::list;
    if (lists && (settings_given(o) || output_given(o) || o.camera_given))
        return usage("list takes no camera, settings or output flags");
    const bool inspects = o.command == Ecommand::controls || o.command == Ecommand::set;
    if (inspects && (output_given(o) || o.readout != Ereadout::normal))
        return usage("controls and set take no output or readout flags");
    if (o.command == Ecommand::set && o.set_names.empty())
        return usage("set needs NAME=VALUE (try: kmxcap set gain=300)");
    const bool views = o.command == Ecommand::view;
    if (o.listen_given && !views)
        return usage("--listen and --port are for view only");
    if (views && (output_given(o) || o.raw || o.depth > 8 || o.scale16))
        return usage("view shows 8-bit frames and saves them from the page (no --out, --stats, "
                     "--sidecar, --raw, --depth or --scale16)");
    if (o.json && o.command != Ecommand::controls)
        return usage("--json is for controls only");
    if (o.quiet && o.verbose)
        return usage("--quiet and --verbose exclude each other");
    if (counts_frames(o.command) && o.frames == 0)
        return usage("missing frame count");
    if (!counts_frames(o.command) && o.frames != 0 && o.command != Ecommand::auto_adjust)
        return usage("--count is for average, deep-average and stream");
    if (o.command == Ecommand::auto_adjust && o.frames != 0)
        return usage("--count is for average, deep-average and stream");
    if (o.command != Ecommand::stream && o.frames > max_average_frames)
        return usage("frame count '" + std::to_string(o.frames) + "' must be a number from 1 to " +
                     std::to_string(max_average_frames));
    if (o.raw && o.command != Ecommand::snap)
        return usage("--raw is for snap only");
    if (o.raw && o.depth != 0)
        return usage(
            "--raw and --depth exclude each other (raw frames have the camera's own depth)");
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
    if (o.sidecar && o.out_path.empty())
        return usage("--sidecar needs --out FILE");
    if (o.out_format != Eout_format::unspecified && o.out_path.empty())
        return usage("--format needs --out");
    if ((o.out_format == Eout_format::dng || out_name_is_dng(o.out_path)) && !o.raw)
        return usage("a DNG file holds a raw colour frame: snap --raw");
    return check_output_name(o);
}

// The words that end parsing at once, wherever they stand: help wins over
// everything, then the version.
bool asks_help_or_version(const std::vector<std::string>& args, Coptions& options)
{
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            options.command = Ecommand::help;
            return true;
        }
    }
    for (const std::string& arg : args) {
        if (arg == "--version" || arg == "-V") {
            options.command = Ecommand::version;
            return true;
        }
    }
    return false;
}

// Why getopt_long refused the argument at argv[index].
Cstatus refusal(int code, int unknown_code, const std::string& argument)
{
    const Coption_entry* option = option_of_code(unknown_code);
    if (code == ':' && option != nullptr)
        return usage("flag --" + std::string(option->long_name) + " needs a value");
    if (option != nullptr && argument.find('=') != std::string::npos)
        return usage("flag --" + std::string(option->long_name) + " takes no value");
    if (unknown_code > 0 && unknown_code < long_only_base && option == nullptr)
        return usage("unknown flag '-" + std::string(1, static_cast<char>(unknown_code)) + "'");
    return usage("unknown flag '" + argument.substr(0, argument.find('=')) + "'");
}

} // namespace

const std::vector<Coption_entry>& option_table()
{
    static const std::vector<Coption_entry> table = make_table();
    return table;
}

std::string option_name(const Coption_entry& option, bool with_short)
{
    std::string name = "--" + std::string(option.long_name);
    if (with_short && option.short_name != 0)
        name = std::string("-") + option.short_name + ", " + name;
    return name;
}

std::vector<std::string> settable_names()
{
    std::vector<std::string> names;
    for (const Coption_entry& option : option_table())
        if (option.settable)
            names.emplace_back(option.long_name);
    return names;
}

bool out_format_of_name(const std::string& path, Eout_format& format)
{
    const struct {
        const char* extension;
        Eout_format format;
    } kinds[] = {{".png", Eout_format::png},
                 {".tif", Eout_format::tiff},
                 {".tiff", Eout_format::tiff},
                 {".dng", Eout_format::dng}};
    for (const auto& kind : kinds) {
        const std::string ext = kind.extension;
        if (path.size() <= ext.size())
            continue;
        std::string tail = path.substr(path.size() - ext.size());
        for (char& c : tail)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        if (tail == ext) {
            format = kind.format;
            return true;
        }
    }
    return false;
}

bool out_name_is_dng(const std::string& path)
{
    Eout_format format = Eout_format::unspecified;
    return out_format_of_name(path, format) && format == Eout_format::dng;
}

Cstatus parse_options(const std::vector<std::string>& args, Coptions& options)
{
    options = Coptions();
    if (asks_help_or_version(args, options))
        return Cstatus::ok();

    std::vector<std::string> words = args;
    words.insert(words.begin(), "kmxcap");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);
    const std::string shorts = short_options();
    const std::vector<struct option> longs = long_options();

    bool command_seen = false;
    bool count_flag_seen = false;
    unsigned positionals = 0;
    // The subcommand first, then its own arguments.
    const auto take_word = [&](const std::string& word) {
        if (command_seen)
            return take_positional(word, options, positionals);
        if (!command_of(word, options.command))
            return usage("unknown subcommand '" + word + "' (try --help)");
        command_seen = true;
        return Cstatus::ok();
    };
    // optind 0 makes glibc start afresh (the parser may run more than
    // once in a process); opterr 0 keeps getopt quiet: we say what went
    // wrong, on one line.
    optind = 0;
    opterr = 0;
    const int argc = static_cast<int>(words.size());
    int code = 0;
    while ((code = getopt_long(argc, argv.data(), shorts.c_str(), longs.data(), nullptr)) != -1) {
        if (code == ':' || code == '?')
            return refusal(code, optopt, argv[optind - 1]);
        const std::string value = optarg != nullptr ? optarg : "";
        if (code == 1) {
            const Cstatus taken = take_word(value);
            if (!taken.is_ok())
                return taken;
            continue;
        }
        const Coption_entry* option = option_of_code(code);
        count_flag_seen |= code == count_letter;
        if (option == nullptr || !option->take(value, options))
            return usage("bad value '" + value + "' for --" + (option ? option->long_name : "?"));
        if (option->settable)
            note_setting(option->long_name, options);
    }
    // After "--" every word is an argument, whatever it looks like.
    for (int i = optind; i < argc; ++i) {
        const Cstatus taken = take_word(argv[i]);
        if (!taken.is_ok())
            return taken;
    }
    if (!command_seen)
        return usage("missing subcommand (try --help)");
    if (options.command == Ecommand::help)
        return Cstatus::ok();
    if (options.command == Ecommand::auto_adjust && positionals == 0)
        return usage("missing automatic procedure (exposure, gain or white-balance)");
    if (counts_frames(options.command) && count_flag_seen && positionals > 0)
        return usage("the frame count is given twice (N and --count)");
    return check_combinations(options);
}

} // namespace kmxcap
