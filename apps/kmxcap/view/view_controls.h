// SPDX-License-Identifier: Apache-2.0
// The knobs of the live view: what the page may change, within which
// limits, and how a change reaches the capture's settings record.
//
// Every knob holds a number: an index of the camera (exposure, gain, ...),
// a real value (gamma), a switch (0 or 1) or the position in a list of
// named choices (readout, overlay). The description of each knob is made
// once from the open camera, so a request is checked against the camera's
// own limits before the capture thread sees it; the settings record has
// the last word when the change is applied.
#ifndef KMXCAP_VIEW_CONTROLS_H
#define KMXCAP_VIEW_CONTROLS_H

#include <array>
#include <bitset>
#include <string>
#include <vector>

#include "view_json.h"

class Cdevice;
class Ccam_settings;

namespace kmxcap {

enum class Eknob : unsigned {
    exposure,     // exposure index (10 us .. 100 ms on a logarithmic scale)
    gain,         // gain index
    black_level,  // black-level index
    red_gain,     // white-balance gain indexes (colour cameras)
    green_gain,
    blue_gain,
    gamma_on,     // gamma correction switch
    gamma,        // gamma value
    readout,      // normal, bin, preview
    average,      // frames averaged into each picture (1: none)
    overlay,      // none, crosshair, grid (drawn into the picture, not the camera)
    count
};
constexpr unsigned knob_count = static_cast<unsigned>(Eknob::count);

// Readouts and overlays, in the order of their knobs' choices.
constexpr unsigned readout_normal = 0;
constexpr unsigned readout_bin = 1;
constexpr unsigned readout_preview = 2;
constexpr unsigned overlay_none = 0;
constexpr unsigned overlay_crosshair = 1;
constexpr unsigned overlay_grid = 2;

// The most frames the live picture averages (each picture then waits for
// that many camera frames), and the most a saved picture does.
constexpr unsigned max_live_average = 64;
constexpr unsigned max_saved_average = 256;

struct Cknob {
    const char* name = "";     // in requests and answers
    const char* label = "";    // on the page
    bool offered = false;      // this camera has it
    bool camera = false;       // a camera setting: changing it sets the camera up again
    double min = 0.0;
    double max = 0.0;
    double step = 1.0;         // 1: whole numbers; 0: any real number
    std::vector<std::string> choices;  // names of a list knob, by position
    std::vector<bool> choice_offered;  // which of them this camera has
};

using Cknob_values = std::array<double, knob_count>;

// A change: new values of the knobs named.
struct Cknob_change {
    Cknob_values values{};
    std::bitset<knob_count> named;

    bool names(Eknob knob) const { return named[static_cast<unsigned>(knob)]; }
    double at(Eknob knob) const { return values[static_cast<unsigned>(knob)]; }
    void set(Eknob knob, double value)
    {
        values[static_cast<unsigned>(knob)] = value;
        named[static_cast<unsigned>(knob)] = true;
    }
    bool touches_camera() const;
};

class Cview_controls {
public:
    // The knobs of the camera open on `device`.
    explicit Cview_controls(const Cdevice& device);

    const Cknob& knob(Eknob which) const { return knobs[static_cast<unsigned>(which)]; }
    bool colour() const { return is_colour; }

    // Reads one request parameter into the change. False, with the reason,
    // for an unknown name, a knob this camera lacks, a malformed value or
    // one outside the knob's limits.
    bool parse(const std::string& name, const std::string& text, Cknob_change& change,
               std::string& why) const;

    // The knobs' values as the settings record holds them; the overlay is
    // not a setting and is given.
    static Cknob_values values_of(const Ccam_settings& settings, unsigned overlay);
    // Applies the named camera knobs through the record's setters; false,
    // with the name of the knob refused, when a setter refuses (the record
    // may then hold part of the change: the caller keeps a copy).
    static bool apply(const Cknob_change& change, Ccam_settings& settings, std::string& refused);

    // Every knob with its limits and value, and the exposure in
    // microseconds, as members of the object being written.
    void describe(const Cknob_values& values, unsigned exposure_us, Cjson& json) const;

private:
    std::array<Cknob, knob_count> knobs;
    bool is_colour = false;
};

// The knob of a name; false when there is none.
bool knob_of(const std::string& name, Eknob& knob);

} // namespace kmxcap

#endif
