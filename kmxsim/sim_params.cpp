// SPDX-License-Identifier: Apache-2.0
// Camera parameters, their limits and the conversions between camera
// indexes and values.
#include <algorithm>
#include <array>
#include <cmath>

#include "kmxcore/camera/exposure_curve.h"
#include "sim_state.h"

namespace kmxsim {

namespace {

constexpr double gain_steps_per_doubling = 256.0;
constexpr double bl_steps_per_unit = 4.0;
constexpr double wb_steps_per_unit = 32.0;
constexpr double gamma_origin = 0.1;
constexpr double gamma_step = 0.05;
// Indexes are capped here so a huge double never overflows the cast.
constexpr double index_ceiling = 4294967295.0;

unsigned round_index(double v)
{
    if (!(v > 0.0)) // negative and NaN
        return 0;
    const double r = std::floor(v + 0.5);
    return r >= index_ceiling ? 0xFFFFFFFFu : static_cast<unsigned>(r);
}

bool format_supported(uint32_t caps, unsigned code)
{
    if (code == KMX_FORMAT_RAW)
        return true;
    const bool colour_camera = (caps & KMX_CAP_COLOR) != 0;
    bool colour = false;
    unsigned depth = 8;
    switch (code) {
    case 2: break;
    case 3: depth = 10; break;
    case 10: depth = 12; break;
    case 4: case 6: case 7: case 8: colour = true; break;
    case 5: colour = true; depth = 10; break;
    case 11: colour = true; depth = 12; break;
    default: return false;
    }
    if (colour != colour_camera)
        return false;
    // 8-bit output is always available.
    if (depth == 10)
        return (caps & KMX_CAP_DEPTH10) != 0;
    if (depth == 12)
        return (caps & KMX_CAP_DEPTH12) != 0;
    return true;
}

// A mode switch that needs a capability bit to be turned on.
uint32_t capability_needed(unsigned id)
{
    switch (id) {
    case KMX_PARAM_TEST_MODE: return KMX_CAP_TEST_MODE;
    case KMX_PARAM_PREVIEW: return KMX_CAP_PREVIEW;
    case KMX_PARAM_BIN: return KMX_CAP_BIN;
    default: return 0;
    }
}

} // namespace

double gain_value(unsigned index)
{
    return std::exp2(index / gain_steps_per_doubling);
}

unsigned gain_index(double value)
{
    if (!(value > 0.0))
        return 0;
    return round_index(gain_steps_per_doubling * std::log2(value));
}

double bl_value(unsigned index) { return index / bl_steps_per_unit; }
unsigned bl_index(double value) { return round_index(value * bl_steps_per_unit); }
double wb_value(unsigned index) { return index / wb_steps_per_unit; }
unsigned wb_index(double value) { return round_index(value * wb_steps_per_unit); }
double gamma_value(unsigned index) { return gamma_origin + gamma_step * index; }
unsigned gamma_index(double value) { return round_index((value - gamma_origin) / gamma_step); }

bool param_id_known(unsigned id)
{
    return id < KMXSIM_PARAM_IDS && id != 13 && id != 14 && id != 17;
}

void init_params(Ccamera& camera)
{
    for (unsigned id = 0; id < KMXSIM_PARAM_IDS; ++id)
        camera.params[id] = camera.desc.params[id].def;
    camera.gamma = camera.desc.gamma_default;
    for (unsigned i = 0; i < lut_length; ++i)
        camera.lut[i] = static_cast<uint8_t>(i);
}

int get_param_locked(const Ccamera& camera, unsigned id, unsigned* value)
{
    if (!value || !param_id_known(id))
        return KMX_ERR_BAD_ARGUMENT;
    *value = camera.params[id];
    return KMX_OK;
}

// which: 0 min, 1 max, 2 default.
int get_param_limit_locked(const Ccamera& camera, unsigned id, int which, unsigned* value)
{
    if (!value || !param_id_known(id))
        return KMX_ERR_BAD_ARGUMENT;
    const kmxsim_range& r = camera.desc.params[id];
    if (which == 2 && (camera.desc.no_default_mask & (1u << id)))
        return KMX_ERR_NOT_SUPPORTED;
    *value = which == 0 ? r.min : which == 1 ? r.max : r.def;
    return KMX_OK;
}

int set_param_locked(Ccamera& camera, unsigned id, unsigned value)
{
    if (!param_id_known(id))
        return KMX_ERR_BAD_ARGUMENT;
    const kmxsim_range& r = camera.desc.params[id];
    if (id == KMX_PARAM_EXPOSURE) {
        if (value < exposure_value(r.min) || value > exposure_value(r.max))
            return KMX_ERR_BAD_ARGUMENT;
    } else if (value < r.min || value > r.max) {
        return KMX_ERR_BAD_ARGUMENT;
    }
    if (id == KMX_PARAM_FORMAT && !format_supported(camera.desc.caps, value))
        return KMX_ERR_FORMAT;
    const uint32_t needed = capability_needed(id);
    if (needed && value != 0 && !(camera.desc.caps & needed))
        return KMX_ERR_NOT_SUPPORTED;
    camera.params[id] = value;
    return KMX_OK;
}

uint32_t exposure_us(const Ccamera& camera)
{
    return camera.params[KMX_PARAM_EXPOSURE];
}

} // namespace kmxsim
