// SPDX-License-Identifier: Apache-2.0
// Camera parameters, their limits and defaults, and the conversions.
#include "params.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "frames.h"
#include "genicam.h"

namespace kmxaravis {

namespace {

constexpr std::array<double, 5> rate_table = {15.0, 30.0, 40.0, 50.0, 60.0};
constexpr unsigned max_rate_selector = rate_table.size() - 1;
constexpr unsigned max_contrast = 255;
constexpr uint32_t any_value = 0xFFFFFFFFu;
const char* const balance_entries[3] = {"Red", "Green", "Blue"};

bool param_known(unsigned id)
{
    return id < param_ids && id != 13 && id != 14 && id != 17;
}

struct Crange {
    uint32_t min = 0;
    uint32_t max = 0;
    bool lacking = false;  // the camera has no feature behind this parameter
};

Crange exposure_range(const Cfeatures& f)
{
    if (f.exposure.empty())
        return Crange{0, 0, true};
    // The lowest index the camera reaches and the highest it allows.
    const auto& t = exposure_table();
    const auto low = std::lower_bound(t.begin(), t.end(),
                                      static_cast<uint32_t>(std::ceil(f.exposure_min_us)));
    const auto high = std::upper_bound(t.begin(), t.end(),
                                       static_cast<uint32_t>(std::min(f.exposure_max_us, 4.0e9)));
    const auto min = static_cast<uint32_t>(std::min<ptrdiff_t>(low - t.begin(), max_exposure_index));
    const auto max = static_cast<uint32_t>(high == t.begin() ? 0 : high - t.begin() - 1);
    return Crange{min, std::max(min, max), false};
}

Crange range_of(const Ccamera& c, unsigned id)
{
    const Cfeatures& f = c.features;
    switch (id) {
    case KMX_PARAM_GAIN: return Crange{0, f.gain.max_index(), !f.gain.present()};
    case KMX_PARAM_RED_GAIN: case KMX_PARAM_GREEN_GAIN: case KMX_PARAM_BLUE_GAIN:
        return Crange{0, f.balance_ratio.max_index(), !f.balance_ratio.present()};
    case KMX_PARAM_BL: return Crange{0, f.black_level.max_index(), !f.black_level.present()};
    case KMX_PARAM_EXPOSURE: return exposure_range(f);
    case KMX_PARAM_RATE: return Crange{0, f.frame_rate.empty() ? 0 : max_rate_selector, f.frame_rate.empty()};
    case KMX_PARAM_FORMAT: return Crange{0, code_rgb36, false};
    case KMX_PARAM_8: case KMX_PARAM_11: case KMX_PARAM_19: return Crange{0, any_value, false};
    case KMX_PARAM_TEST_MODE: return Crange{0, f.test_pattern.empty() ? 0u : 1u, f.test_pattern.empty()};
    case KMX_PARAM_BIN: return Crange{0, f.binning ? 1u : 0u, !f.binning};
    case KMX_PARAM_GAMMA_MODE: return Crange{0, f.gamma.present() ? 1u : 0u, !f.gamma.present()};
    case KMX_PARAM_CONTRAST: return Crange{0, max_contrast, false};
    default: return Crange{0, 1, false}; // the switches
    }
}

bool read_numeric_index(const Ccamera& c, const Cnumeric& n, unsigned& index)
{
    if (!n.present()) {
        index = 0;
        return true;
    }
    double value = 0;
    if (!Cgenicam(c.arv).get_number(n.name.c_str(), value))
        return false;
    index = n.index_of(value);
    return true;
}

bool write_numeric_index(const Ccamera& c, const Cnumeric& n, unsigned index)
{
    return !n.present() || Cgenicam(c.arv).set_number(n.name.c_str(), n.value_of(index));
}

bool select_balance(const Ccamera& c, unsigned colour)
{
    return !c.features.balance_selector ||
           Cgenicam(c.arv).set_enum("BalanceRatioSelector", balance_entries[colour]);
}

bool read_exposure_us(const Ccamera& c, uint32_t& value)
{
    if (c.features.exposure.empty()) {
        value = c.params[KMX_PARAM_EXPOSURE];
        return true;
    }
    double us = 0;
    if (!Cgenicam(c.arv).get_number(c.features.exposure.c_str(), us))
        return false;
    value = static_cast<uint32_t>(std::clamp(us, 0.0, 4.0e9));
    return true;
}

// The rate selector nearest to a frame rate.
unsigned nearest_rate(double fps)
{
    unsigned best = 0;
    for (unsigned i = 1; i < rate_table.size(); ++i)
        if (std::fabs(rate_table[i] - fps) < std::fabs(rate_table[best] - fps))
            best = i;
    return best;
}

bool apply_rate(const Ccamera& c, unsigned selector)
{
    const Cfeatures& f = c.features;
    if (f.frame_rate.empty())
        return selector == 0;
    const Cgenicam gc(c.arv);
    if (!f.frame_rate_enable.empty())
        gc.set_bool(f.frame_rate_enable.c_str(), true);
    const double fps = std::clamp(rate_fps(selector), f.rate_min, f.rate_max);
    return gc.set_number(f.frame_rate.c_str(), fps);
}

// Gamma on while the mode is on: through its switch where the camera has
// one, else by writing gamma 1 while the mode is off.
bool apply_gamma(const Ccamera& c)
{
    const Cfeatures& f = c.features;
    if (!f.gamma.present())
        return true;
    const Cgenicam gc(c.arv);
    const bool on = c.params[KMX_PARAM_GAMMA_MODE] != 0;
    if (!f.gamma_enable.empty()) {
        if (!gc.set_bool(f.gamma_enable.c_str(), on))
            return false;
        return !on || gc.set_number(f.gamma.name.c_str(), c.gamma);
    }
    const double neutral = std::clamp(1.0, f.gamma.min, f.gamma.max);
    return gc.set_number(f.gamma.name.c_str(), on ? c.gamma : neutral);
}

bool format_deliverable(const Ccamera& c, unsigned code)
{
    Cplan plan;
    return plan_format(c.features.pixel_formats, c.features.colour, code, c.features.max_width,
                       c.features.max_height, plan);
}

unsigned default_format(const Ccamera& c)
{
    if (!c.features.colour)
        return code_mono8;
    for (unsigned code : {code_rgb24, code_bgr24, code_rgb32, code_bgr32})
        if (format_deliverable(c, code))
            return code;
    return code_rgb24;
}

// Writes a camera-backed parameter; true when it is not camera-backed.
int write_camera_param(Ccamera& c, unsigned id, unsigned value)
{
    const Cfeatures& f = c.features;
    bool written = true;
    switch (id) {
    case KMX_PARAM_GAIN: written = write_numeric_index(c, f.gain, value); break;
    case KMX_PARAM_BL: written = write_numeric_index(c, f.black_level, value); break;
    case KMX_PARAM_RED_GAIN: case KMX_PARAM_GREEN_GAIN: case KMX_PARAM_BLUE_GAIN:
        written = write_balance_index(c, id - KMX_PARAM_RED_GAIN, value);
        break;
    case KMX_PARAM_RATE: written = apply_rate(c, value); break;
    default: break;
    }
    return written ? int{KMX_OK} : int{KMX_ERR_NOT_SUPPORTED};
}

int set_exposure(Ccamera& c, uint32_t us)
{
    const Cfeatures& f = c.features;
    if (f.exposure.empty())
        return us == c.params[KMX_PARAM_EXPOSURE] ? int{KMX_OK} : int{KMX_ERR_NOT_SUPPORTED};
    if (us < f.exposure_min_us || us > f.exposure_max_us)
        return KMX_ERR_BAD_ARGUMENT;
    if (!Cgenicam(c.arv).set_number(f.exposure.c_str(), us))
        return KMX_ERR_NOT_SUPPORTED;
    c.params[KMX_PARAM_EXPOSURE] = us;
    return KMX_OK;
}

} // namespace

double rate_fps(unsigned selector)
{
    return rate_table[std::min(selector, max_rate_selector)];
}

bool read_balance_index(Ccamera& c, unsigned colour, unsigned& index)
{
    return select_balance(c, colour) && read_numeric_index(c, c.features.balance_ratio, index);
}

bool write_balance_index(Ccamera& c, unsigned colour, unsigned index)
{
    return select_balance(c, colour) && write_numeric_index(c, c.features.balance_ratio, index);
}

void read_values_at_open(Ccamera& c)
{
    const Cfeatures& f = c.features;
    const Cgenicam gc(c.arv);
    uint32_t* d = c.defaults;
    read_numeric_index(c, f.gain, d[KMX_PARAM_GAIN]);
    read_numeric_index(c, f.black_level, d[KMX_PARAM_BL]);
    for (unsigned colour = 0; colour < 3; ++colour)
        read_balance_index(c, colour, d[KMX_PARAM_RED_GAIN + colour]);
    d[KMX_PARAM_EXPOSURE] = exposure_value(exposure_range(f).max / 2);
    read_exposure_us(c, d[KMX_PARAM_EXPOSURE]);
    double fps = rate_table[0];
    if (!f.frame_rate.empty() && gc.get_number(f.frame_rate.c_str(), fps))
        d[KMX_PARAM_RATE] = nearest_rate(fps);
    d[KMX_PARAM_FORMAT] = default_format(c);
    d[KMX_PARAM_CONTRAST] = neutral_contrast;
    double gamma = 1.0;
    if (f.gamma.present() && gc.get_number(f.gamma.name.c_str(), gamma))
        c.gamma_default = gamma;
    bool enabled = false;
    d[KMX_PARAM_GAMMA_MODE] =
        f.gamma_enable.empty() ? (f.gamma.present() && gamma != 1.0)
                               : gc.get_bool(f.gamma_enable.c_str(), enabled) && enabled;
    std::copy(std::begin(c.defaults), std::end(c.defaults), std::begin(c.params));
    c.gamma = c.gamma_default;
    for (unsigned i = 0; i < lut_length; ++i)
        c.lut[i] = static_cast<uint8_t>(i);
}

int get_param_locked(Ccamera& c, unsigned id, unsigned* value)
{
    if (value == nullptr || !param_known(id))
        return KMX_ERR_BAD_ARGUMENT;
    bool read = true;
    unsigned v = c.params[id];
    switch (id) {
    case KMX_PARAM_GAIN: read = read_numeric_index(c, c.features.gain, v); break;
    case KMX_PARAM_BL: read = read_numeric_index(c, c.features.black_level, v); break;
    case KMX_PARAM_RED_GAIN: case KMX_PARAM_GREEN_GAIN: case KMX_PARAM_BLUE_GAIN:
        read = read_balance_index(c, id - KMX_PARAM_RED_GAIN, v);
        break;
    case KMX_PARAM_EXPOSURE: {
        uint32_t us = 0;
        read = read_exposure_us(c, us);
        v = us;
        break;
    }
    default: break;
    }
    if (!read)
        return KMX_ERR_STATE;
    *value = v;
    return KMX_OK;
}

int get_param_limit_locked(Ccamera& c, unsigned id, Elimit which, unsigned* value)
{
    if (value == nullptr || !param_known(id))
        return KMX_ERR_BAD_ARGUMENT;
    const Crange r = range_of(c, id);
    *value = which == Elimit::min ? r.min : which == Elimit::max ? r.max : c.defaults[id];
    return KMX_OK;
}

int set_param_locked(Ccamera& c, unsigned id, unsigned value)
{
    if (!param_known(id))
        return KMX_ERR_BAD_ARGUMENT;
    if (id == KMX_PARAM_EXPOSURE)
        return set_exposure(c, value);
    const Crange r = range_of(c, id);
    if (value < r.min || value > r.max)
        return r.lacking ? int{KMX_ERR_NOT_SUPPORTED} : int{KMX_ERR_BAD_ARGUMENT};
    if (id == KMX_PARAM_FORMAT && !format_deliverable(c, value))
        return KMX_ERR_FORMAT;
    const int status = write_camera_param(c, id, value);
    if (status != KMX_OK)
        return status;
    c.params[id] = value;
    if (id == KMX_PARAM_GAMMA_MODE && !apply_gamma(c))
        return KMX_ERR_NOT_SUPPORTED;
    return KMX_OK;
}

int get_fparam_locked(Ccamera& c, unsigned id, bool current, Elimit which, double* value)
{
    if (value == nullptr || id != KMX_FPARAM_GAMMA)
        return KMX_ERR_BAD_ARGUMENT;
    const Cnumeric& g = c.features.gamma;
    if (current)
        *value = c.gamma;
    else
        *value = which == Elimit::min ? g.min : which == Elimit::max ? g.max : c.gamma_default;
    return KMX_OK;
}

int set_fparam_locked(Ccamera& c, unsigned id, double value)
{
    if (id != KMX_FPARAM_GAMMA)
        return KMX_ERR_BAD_ARGUMENT;
    const Cnumeric& g = c.features.gamma;
    if (!(value >= g.min && value <= g.max)) // NaN fails too
        return g.present() ? int{KMX_ERR_BAD_ARGUMENT} : int{KMX_ERR_NOT_SUPPORTED};
    c.gamma = value;
    return apply_gamma(c) ? int{KMX_OK} : int{KMX_ERR_NOT_SUPPORTED};
}

int get_info_locked(const Ccamera& c, unsigned key, unsigned* value)
{
    if (value == nullptr)
        return KMX_ERR_BAD_ARGUMENT;
    const Cfeatures& f = c.features;
    switch (key) {
    case KMX_INFO_SERIAL_NO: *value = serial_number(c.entry); break;
    case KMX_INFO_MAX_WIDTH: *value = f.max_width; break;
    case KMX_INFO_MAX_HEIGHT: *value = f.max_height; break;
    case KMX_INFO_PREVIEW_WIDTH: *value = f.max_width / 2; break;
    case KMX_INFO_PREVIEW_HEIGHT: *value = f.max_height / 2; break;
    case KMX_INFO_CAPS: *value = f.caps(); break;
    default: return KMX_ERR_BAD_ARGUMENT;
    }
    return KMX_OK;
}

const Cnumeric& quantity(const Ccamera& c, Equantity which)
{
    switch (which) {
    case Equantity::gain: return c.features.gain;
    case Equantity::black_level: return c.features.black_level;
    case Equantity::balance: return c.features.balance_ratio;
    default: return c.features.gamma;
    }
}

int load_lut_locked(Ccamera& c, const uint8_t* table, unsigned length)
{
    if (table == nullptr || length != lut_length)
        return KMX_ERR_BAD_ARGUMENT;
    const Cfeatures& f = c.features;
    if (!f.lut)
        return KMX_ERR_NOT_SUPPORTED;
    // The camera's table may be longer and deeper than ours: each of its
    // entries takes the nearest of ours, scaled to its value range.
    const Cgenicam gc(c.arv);
    for (int64_t i = 0; i < f.lut_entries; ++i) {
        const uint8_t v = table[static_cast<size_t>(i * lut_length / f.lut_entries)];
        const double scaled = std::round(double(v) * double(f.lut_top) / 255.0);
        if (!gc.set_number("LUTIndex", double(i)) || !gc.set_number("LUTValue", scaled))
            return KMX_ERR_NOT_SUPPORTED;
    }
    if (!gc.set_bool("LUTEnable", true))
        return KMX_ERR_NOT_SUPPORTED;
    std::memcpy(c.lut, table, lut_length);
    return KMX_OK;
}

int get_lut_locked(const Ccamera& c, uint8_t* table, unsigned length)
{
    if (table == nullptr || length != lut_length)
        return KMX_ERR_BAD_ARGUMENT;
    std::memcpy(table, c.lut, lut_length);
    return KMX_OK;
}

Ctone tone_of(const Ccamera& c)
{
    Ctone t;
    t.invert = c.params[KMX_PARAM_INVERT] != 0;
    t.contrast = c.params[KMX_PARAM_CONTRAST_MODE] ? c.params[KMX_PARAM_CONTRAST] : neutral_contrast;
    t.red_boost = c.params[KMX_PARAM_RED_BOOST] != 0;
    t.blue_boost = c.params[KMX_PARAM_BLUE_BOOST] != 0;
    return t;
}

} // namespace kmxaravis
