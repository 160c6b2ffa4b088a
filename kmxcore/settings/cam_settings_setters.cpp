// SPDX-License-Identifier: Apache-2.0
#include <cstring>

#include "kmxcore/settings/cam_settings.h"
#include "kmxcore/camera/camera_call.h"

namespace {

constexpr unsigned neutral_contrast = 127;
constexpr unsigned max_depth_select = 2;

// The rate selectors the camera library accepts.
constexpr unsigned accepted_rates[] = {0, 1, 4};
// On a camera that numbers its rates with an offset, every selector but
// this one moves up one place in the rate list.
constexpr unsigned rate_keeping_its_index = 4;

bool is_switch(unsigned value) { return value <= 1; }

bool within(unsigned value, unsigned lowest, unsigned highest)
{
    return value >= lowest && value <= highest;
}

unsigned clamped(unsigned value, unsigned lowest, unsigned highest)
{
    if (value < lowest)
        return lowest;
    if (value > highest)
        return highest;
    return value;
}

bool is_rate(unsigned rate)
{
    for (unsigned accepted : accepted_rates)
        if (rate == accepted)
            return true;
    return false;
}

unsigned rate_index_of(unsigned rate, bool rate_offset)
{
    if (!rate_offset || rate == rate_keeping_its_index)
        return rate;
    return rate + 1;
}

} // namespace

bool Ccam_settings::set_config_name(unsigned char* text)
{
    if (text == nullptr)
        return true;
    // Stop at the terminator: the text may be shorter than the field.
    unsigned length = 0;
    while (length < kmx_settings_name_chars && text[length] != 0)
        ++length;
    std::memset(name, 0, sizeof(name));
    std::memcpy(name, text, length);
    return true;
}

bool Ccam_settings::set_gain(unsigned index)
{
    if (camera != nullptr) {
        if (!within(index, min_gain, max_gain))
            return false;
        camera_call(kmx_index_to_gain, camera, index, &gain_value);
    }
    gain = index;
    return true;
}

bool Ccam_settings::set_gain_value(double value)
{
    if (camera != nullptr) {
        camera_call(kmx_gain_to_index, camera, value, &gain);
        gain = clamped(gain, min_gain, max_gain);
    }
    gain_value = value;
    return true;
}

bool Ccam_settings::set_bl(unsigned index)
{
    if (camera != nullptr) {
        if (!within(index, min_bl, max_bl))
            return false;
        camera_call(kmx_index_to_bl, camera, index, &bl_value);
    }
    bl = index;
    return true;
}

bool Ccam_settings::set_bl_value(double value)
{
    if (camera != nullptr) {
        camera_call(kmx_bl_to_index, camera, value, &bl);
        bl = clamped(bl, min_bl, max_bl);
    }
    bl_value = value;
    return true;
}

bool Ccam_settings::set_contrast_mode(unsigned mode)
{
    if (!is_switch(mode))
        return false;
    contrast_mode = mode;
    return true;
}

bool Ccam_settings::set_contrast(unsigned index)
{
    if (camera != nullptr && !within(index, min_contrast, max_contrast))
        return false;
    contrast = index;
    // Only a bound record knows that the camera applies contrast at all.
    if (camera != nullptr)
        contrast_mode = index == neutral_contrast ? 0 : 1;
    return true;
}

bool Ccam_settings::set_contrast_value(int value)
{
    // Unsigned arithmetic: a value below -127 wraps to an index so large
    // that a bound camera refuses it, and nothing overflows.
    return set_contrast(static_cast<unsigned>(value) + neutral_contrast);
}

bool Ccam_settings::set_gamma_mode(unsigned mode)
{
    if (!is_switch(mode))
        return false;
    gamma_mode = mode;
    return true;
}

bool Ccam_settings::set_gamma(double value)
{
    if (camera != nullptr) {
        // Written as "inside" so that a NaN, which compares false with
        // everything, is refused instead of reaching the conversion.
        if (!(value >= min_gamma && value <= max_gamma))
            return false;
        camera_call(kmx_gamma_to_index, camera, value, &gamma_index);
    }
    gamma = value;
    return true;
}

bool Ccam_settings::set_gamma_index(unsigned index)
{
    if (camera != nullptr) {
        if (!within(index, min_gamma_index, max_gamma_index))
            return false;
        camera_call(kmx_index_to_gamma, camera, index, &gamma);
    }
    gamma_index = index;
    return true;
}

bool Ccam_settings::set_red_gain(unsigned index)
{
    if (camera != nullptr) {
        if (!within(index, min_red_gain, max_red_gain))
            return false;
        camera_call(kmx_index_to_wb_gain, camera, index, &red_gain_value);
    }
    red_gain = index;
    return true;
}

bool Ccam_settings::set_blue_gain(unsigned index)
{
    if (camera != nullptr) {
        if (!within(index, min_blue_gain, max_blue_gain))
            return false;
        camera_call(kmx_index_to_wb_gain, camera, index, &blue_gain_value);
    }
    blue_gain = index;
    return true;
}

bool Ccam_settings::set_green_gain(unsigned index)
{
    if (camera != nullptr) {
        if (!within(index, min_green_gain, max_green_gain))
            return false;
        camera_call(kmx_index_to_wb_gain, camera, index, &green_gain_value);
    }
    green_gain = index;
    return true;
}

bool Ccam_settings::set_red_gain_value(double value)
{
    if (camera != nullptr) {
        camera_call(kmx_wb_gain_to_index, camera, value, &red_gain);
        red_gain = clamped(red_gain, min_red_gain, max_red_gain);
    }
    red_gain_value = value;
    return true;
}

bool Ccam_settings::set_blue_gain_value(double value)
{
    if (camera != nullptr) {
        camera_call(kmx_wb_gain_to_index, camera, value, &blue_gain);
        blue_gain = clamped(blue_gain, min_blue_gain, max_blue_gain);
    }
    blue_gain_value = value;
    return true;
}

bool Ccam_settings::set_green_gain_value(double value)
{
    if (camera != nullptr) {
        camera_call(kmx_wb_gain_to_index, camera, value, &green_gain);
        green_gain = clamped(green_gain, min_green_gain, max_green_gain);
    }
    green_gain_value = value;
    return true;
}

bool Ccam_settings::set_red_boost(unsigned on)
{
    if (!is_switch(on))
        return false;
    red_boost = on;
    return true;
}

bool Ccam_settings::set_blue_boost(unsigned on)
{
    if (!is_switch(on))
        return false;
    blue_boost = on;
    return true;
}

bool Ccam_settings::set_exposure(unsigned index)
{
    if (camera != nullptr) {
        if (!within(index, min_exposure, max_exposure))
            return false;
        camera_call(kmx_index_to_exp, camera, index, &exposure_value);
    }
    exposure = index;
    return true;
}

bool Ccam_settings::set_exposure_value(unsigned value)
{
    if (camera != nullptr) {
        camera_call(kmx_exp_to_index, camera, value, &exposure);
        exposure = clamped(exposure, min_exposure, max_exposure);
    }
    exposure_value = value;
    return true;
}

bool Ccam_settings::set_rate(unsigned new_rate)
{
    if (!is_rate(new_rate))
        return false;
    rate = new_rate;
    rate_index = rate_index_of(new_rate, camera != nullptr && (flags & KMX_CAP_RATE_OFFSET) != 0);
    return true;
}

bool Ccam_settings::set_live_rate(unsigned new_rate)
{
    if (!is_rate(new_rate))
        return false;
    live_rate = new_rate;
    live_rate_index =
        rate_index_of(new_rate, camera != nullptr && (flags & KMX_CAP_RATE_OFFSET) != 0);
    return true;
}

bool Ccam_settings::set_depth_select(unsigned select)
{
    if (select > max_depth_select)
        return false;
    depth_select = select;
    return true;
}

bool Ccam_settings::set_average_opt(unsigned on)
{
    if (!is_switch(on))
        return false;
    average_opt = on;
    return true;
}

bool Ccam_settings::set_average_frames(unsigned frames)
{
    average_frames = frames;
    return true;
}

bool Ccam_settings::set_test_mode(unsigned on)
{
    if (!is_switch(on) || (flags & KMX_CAP_TEST_MODE) == 0)
        return false;
    test_mode = on;
    return true;
}

bool Ccam_settings::set_preview_mode(unsigned on)
{
    if (!is_switch(on) || (flags & KMX_CAP_PREVIEW) == 0)
        return false;
    preview_mode = on;
    // Preview and binned readout exclude each other.
    if (on == 1)
        bin_mode = 0;
    return true;
}

bool Ccam_settings::set_bin_mode(unsigned on)
{
    if (!is_switch(on) || (flags & KMX_CAP_BIN) == 0)
        return false;
    bin_mode = on;
    if (on == 1)
        preview_mode = 0;
    return true;
}

bool Ccam_settings::set_invert_image(unsigned on)
{
    if (!is_switch(on))
        return false;
    invert = on;
    return true;
}
