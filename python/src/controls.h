// SPDX-License-Identifier: Apache-2.0
// The settings a Python camera offers as properties, each with the
// camera's limits and default: what cam.controls() lists.
#ifndef KMX_PYTHON_CONTROLS_H
#define KMX_PYTHON_CONTROLS_H

#include <string>
#include <vector>

namespace kmx_python {

enum class Econtrol {
    exposure_us,    ///< exposure in microseconds (the nearest the camera offers)
    gain,           ///< gain index
    black_level,    ///< black-level index
    white_balance,  ///< red, green and blue gain indexes (colour cameras)
    depth,          ///< component depth of snap() and deep_average(): 8, 10 or 12
    binning,        ///< binned readout
    preview,        ///< preview readout
    invert,         ///< the camera inverts its output
    test_pattern,   ///< the camera's deterministic test pattern instead of the scene
};

/// Every control, in the order cam.controls() lists them.
constexpr Econtrol every_control[] = {
    Econtrol::exposure_us, Econtrol::gain,    Econtrol::black_level,
    Econtrol::white_balance, Econtrol::depth, Econtrol::binning,
    Econtrol::preview,     Econtrol::invert,  Econtrol::test_pattern,
};

/// How a control's values read: one number, a switch, or three numbers.
enum class Econtrol_kind { number, switch_, triple };

/// One control as cam.controls() lists it. Numbers hold one value each
/// (three for a triple); switches hold 0 or 1.
struct Ccontrol {
    Econtrol id = Econtrol::gain;
    const char* name = "";
    const char* unit = "";
    Econtrol_kind kind = Econtrol_kind::number;
    std::vector<unsigned> value;
    std::vector<unsigned> min;
    std::vector<unsigned> max;
    std::vector<unsigned> default_value;
};

/// The property name of a control ("exposure_us").
const char* control_name(Econtrol id);
/// The unit of a control's numbers ("us", "index", "bits"; "" for switches).
const char* control_unit(Econtrol id);
/// How a control's values read.
Econtrol_kind control_kind(Econtrol id);

} // namespace kmx_python

#endif
