// SPDX-License-Identifier: Apache-2.0
// The command line of kmxcap: a subcommand, its positional arguments and
// flags, parsed into one plain record. One table of options drives the
// parser (getopt_long, short and long forms) and the --help text, so the
// two cannot drift apart. Parsing checks spelling, number syntax, fixed
// ranges and combinations that can never work; whether the camera accepts
// a value is decided later by its settings record.
#ifndef KMXCAP_OPTIONS_H
#define KMXCAP_OPTIONS_H

#include <string>
#include <vector>

#include "status.h"

namespace kmxcap {

enum class Ecommand {
    help, version, list, snap, average, deep_average, auto_adjust, stream, controls, set, view
};
enum class Eauto_kind { exposure, gain, white_balance };
enum class Ereadout { normal, bin, preview };
enum class Eoverlay { none, crosshair, grid };
// display: monochrome pixels are written as the library shows them
// through its inverted grey table (max - value); camera: as delivered.
enum class Epixel_values { display, camera };
enum class Ecomponent_order { camera_default, rgb, bgr };
// The file format --format asks for; unspecified: the name's extension
// decides (PNG for standard output).
enum class Eout_format { unspecified, png, tiff, dng };

// An unsigned flag value that may be absent.
struct Cflag_value {
    bool given = false;
    unsigned value = 0;
};

// A rectangle in image pixels: left, top, width, height.
struct Cregion {
    bool given = false;
    unsigned left = 0;
    unsigned top = 0;
    unsigned width = 0;
    unsigned height = 0;
};

struct Coptions {
    Ecommand command = Ecommand::help;
    unsigned frames = 0;                 // average, deep-average, stream
    Eauto_kind auto_kind = Eauto_kind::exposure;

    bool camera_given = false;
    unsigned camera_id = 0;
    unsigned camera_index = 0;
    std::string camera_library;          // empty: KMX_CAMERA_LIBRARY or the simulator
    bool camera_by_serial = false;       // -c serial=N
    unsigned camera_serial = 0;

    std::string out_path;                // "-": standard output; may hold %n, %t, %s
    Eout_format out_format = Eout_format::unspecified;
    bool sidecar = false;
    bool json = false;                   // controls
    bool quiet = false;
    bool verbose = false;
    bool stats = false;
    Cregion stats_region;
    Cregion wb_region;
    Eoverlay overlay = Eoverlay::none;
    Epixel_values pixel_values = Epixel_values::display;
    bool scale16 = false;
    bool show_progress = true;

    bool raw = false;
    Ereadout readout = Ereadout::normal;
    bool readouts_clash = false;         // both --bin and --preview given
    unsigned depth = 0;                  // 0: the subcommand's default
    Ecomponent_order order = Ecomponent_order::camera_default;
    bool sum = false;
    bool live = false;
    bool test_mode = false;

    Cflag_value gain;
    Cflag_value black_level;
    Cflag_value exposure_index;
    Cflag_value exposure_us;
    Cflag_value red_gain;
    Cflag_value green_gain;
    Cflag_value blue_gain;
    Cflag_value red_boost;
    Cflag_value blue_boost;
    Cflag_value contrast;
    Cflag_value rate;
    Cflag_value live_rate;
    Cflag_value invert;
    Cflag_value retries;
    bool gamma_given = false;
    double gamma = 1.0;

    // The settings given (as flags or as set's NAME=VALUE), once each, in
    // the order given: what set reports.
    std::vector<std::string> set_names;

    // view: where the live view listens.
    std::string listen_host = "127.0.0.1";
    unsigned listen_port = 8080;         // 0: any free port
    bool listen_given = false;

    // Hidden debugging aid: behave as if Ctrl-C came after this many
    // frames (0: never). Lets tests abort at a known point.
    unsigned abort_after_frames = 0;
};

// Parses argv[1..]. On failure the status carries exit_usage and one line
// naming the offending argument.
Cstatus parse_options(const std::vector<std::string>& args, Coptions& options);

// The --help text, made from the option table.
std::string help_text();

// The long names of the options `set NAME=VALUE` takes, in table order.
std::vector<std::string> settable_names();

// The format an output name's extension gives (.png, .tif, .tiff, .dng in
// any case); false for none of them.
bool out_format_of_name(const std::string& path, Eout_format& format);
bool out_name_is_dng(const std::string& path);

// Largest frame count of average and deep-average: deep sums of 12-bit
// values stay exact in 32 bits up to about a million frames.
constexpr unsigned max_average_frames = 1000000;

} // namespace kmxcap

#endif
