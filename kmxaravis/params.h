// SPDX-License-Identifier: Apache-2.0
// The contract's camera parameters on a GenICam camera: which feature
// each one maps to, its limits and default, the conversions between
// indexes and values, the look-up table and the information keys.
//
// A parameter whose feature the camera lacks keeps a neutral value (its
// only allowed value) and any other value is answered with
// KMX_ERR_NOT_SUPPORTED. Inversion, contrast, the colour boosts and the
// preview readout have no GenICam feature: they are stored here and
// applied in software to every delivered frame.
#ifndef KMXARAVIS_PARAMS_H
#define KMXARAVIS_PARAMS_H

#include <cstdint>

#include "camera.h"
#include "kmxlib/support/exposure_table.h"

namespace kmxaravis {

// The contract's exposure rule: index i is 1.03663292844^i x 0.01 x 1000
// microseconds, truncated; 0 is 10 us, 256 is 100 ms.
using kmxsupport::exposure_index;
using kmxsupport::exposure_table;
using kmxsupport::exposure_value;
using kmxsupport::max_exposure_index;

// Reads what the camera holds at open into the defaults and parameters.
void read_values_at_open(Ccamera& camera);

// which: 0 min, 1 max, 2 default.
enum class Elimit { min = 0, max = 1, fallback = 2 };
int get_param_locked(Ccamera& camera, unsigned id, unsigned* value);
int get_param_limit_locked(Ccamera& camera, unsigned id, Elimit which, unsigned* value);
int set_param_locked(Ccamera& camera, unsigned id, unsigned value);

// which: the value itself when `current` is true.
int get_fparam_locked(Ccamera& camera, unsigned id, bool current, Elimit which, double* value);
int set_fparam_locked(Ccamera& camera, unsigned id, double value);

int get_info_locked(const Ccamera& camera, unsigned key, unsigned* value);

// Conversions of the camera's own units (gain, black level,
// white-balance ratio, gamma) through its feature's index steps.
enum class Equantity { gain, black_level, balance, gamma };
const Cnumeric& quantity(const Ccamera& camera, Equantity which);

int load_lut_locked(Ccamera& camera, const uint8_t* table, unsigned length);
int get_lut_locked(const Ccamera& camera, uint8_t* table, unsigned length);

// The software stages the parameters ask for.
Ctone tone_of(const Ccamera& camera);

// Frame rate of a rate selector (0 to 4), in frames per second.
double rate_fps(unsigned selector);

// Reads or writes one white-balance ratio (colour 0 red, 1 green, 2 blue)
// as an index; false when the camera refuses.
bool read_balance_index(Ccamera& camera, unsigned colour, unsigned& index);
bool write_balance_index(Ccamera& camera, unsigned colour, unsigned index);

} // namespace kmxaravis

#endif
