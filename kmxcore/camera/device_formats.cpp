// SPDX-License-Identifier: Apache-2.0
// Cdevice: format choice and checks, readout modes, writing a settings
// record to the camera.
#include "kmxcore/camera/device.h"

#include "kmxcore/camera/exposure_curve.h"

namespace {

unsigned colour_format(unsigned depth)
{
    switch (depth) {
    case 8: return KMX_FORMAT_RGB24;
    case 10: return KMX_FORMAT_RGB30;
    case 12: return KMX_FORMAT_RGB36;
    default: return KMX_FORMAT_NONE;
    }
}

unsigned mono_format(unsigned depth)
{
    switch (depth) {
    case 8: return KMX_FORMAT_MONO8;
    case 10: return KMX_FORMAT_MONO10;
    case 12: return KMX_FORMAT_MONO12;
    default: return KMX_FORMAT_NONE;
    }
}

constexpr unsigned colour_camera = 1;
constexpr unsigned mono_camera = 0;

} // namespace

unsigned Cdevice::get_format(unsigned mode, const Ccam_settings& record) const
{
    const unsigned depth = record.get_component_depth();
    return mode == colour_camera ? colour_format(depth) : mono_format(depth);
}

bool Cdevice::validate_format(unsigned code)
{
    const bool colour = camera_type == colour_camera;
    const bool mono = camera_type == mono_camera;
    switch (code) {
    case KMX_FORMAT_MONO8: return mono;
    case KMX_FORMAT_MONO10: return mono && (camera_depths & KMX_DEPTH_BIT_10);
    case KMX_FORMAT_MONO12: return mono && (camera_depths & KMX_DEPTH_BIT_12);
    case KMX_FORMAT_RGB24:
    case KMX_FORMAT_BGR24:
    case KMX_FORMAT_RGB32:
    case KMX_FORMAT_BGR32: return colour;
    case KMX_FORMAT_RGB30: return colour && (camera_depths & KMX_DEPTH_BIT_10);
    case KMX_FORMAT_RGB36: return colour && (camera_depths & KMX_DEPTH_BIT_12);
    default: return false;
    }
}

bool Cdevice::set_format(unsigned code)
{
    if (code != format || format_in_doubt) {
        if (!validate_format(code) || !apply_format(code))
            return false;
    }
    return restore_inversion();
}

bool Cdevice::set_format(unsigned mode, unsigned no_components, unsigned component_depth,
                         unsigned component_order)
{
    // Worked out on a copy: iformat must keep describing the device's
    // buffers when the camera cannot deliver the format asked for.
    Ciformat candidate(iformat);
    if (!candidate.set_format(mode, no_components, component_depth, component_order))
        return false;
    const unsigned code = candidate.get_format();
    if (!validate_format(code))
        return false;
    if ((code != format || format_in_doubt) && !apply_format(code))
        return false;
    return restore_inversion();
}

bool Cdevice::apply_format(unsigned code)
{
    Ciformat candidate(iformat);
    if (!candidate.set_format(code))
        return false;
    const unsigned previous = format;
    format = code;
    if (set_param(KMX_PARAM_FORMAT, code) != KMX_OK) {
        // The camera did not take it: the buffers keep the layout they
        // have, and the camera's format is in doubt, so that asking again
        // writes it again.
        format = previous;
        format_in_doubt = true;
        return false;
    }
    iformat = candidate;
    if (bpool.modify(code, static_cast<int>(width), static_cast<int>(height)) != 0) {
        // The buffers do not hold this format: forget it, so that asking
        // for it again retries instead of answering true at once.
        format = KMX_FORMAT_NONE;
        return false;
    }
    return true;
}

void Cdevice::note_param_write(unsigned id, unsigned value, bool taken)
{
    if (id == KMX_PARAM_FORMAT) {
        // Another format than `format` (a deep or raw frame's) is held only
        // until it is put back.
        format_in_doubt = !taken || value != format;
    } else if (id == KMX_PARAM_INVERT) {
        invert_asked = true;
        invert_wanted = value;
        invert_in_doubt = !taken;
    }
}

// A refused set-up may have left the camera with anything.
void Cdevice::note_setup(bool taken)
{
    if (taken)
        return;
    format_in_doubt = true;
    invert_in_doubt = invert_asked;
}

bool Cdevice::reassert_camera_state()
{
    if (!format_in_doubt && !invert_in_doubt)
        return true;
    if (format == KMX_FORMAT_NONE)
        return restore_inversion();
    return set_format(format);
}

bool Cdevice::restore_inversion()
{
    if (!invert_in_doubt)
        return true;
    return set_param(KMX_PARAM_INVERT, invert_wanted) == KMX_OK;
}

void Cdevice::forget_camera_state()
{
    format_in_doubt = false;
    invert_asked = false;
    invert_wanted = 0;
    invert_in_doubt = false;
}

void Cdevice::set_bin_mode()
{
    if (!(camera_caps & KMX_CAP_BIN))
        return;
    switch_readout(KMX_READOUT_BIN, bin_width, bin_height, 0, 1);
}

void Cdevice::set_preview_mode()
{
    if (!(camera_caps & KMX_CAP_PREVIEW))
        return;
    switch_readout(KMX_READOUT_PREVIEW, preview_width, preview_height, 1, 0);
}

void Cdevice::set_normal_mode()
{
    switch_readout(KMX_READOUT_NORMAL, max_width, max_height, 0, 0);
}

void Cdevice::switch_readout(unsigned mode, unsigned new_width, unsigned new_height,
                             unsigned preview_param, unsigned bin_param)
{
    width = new_width;
    height = new_height;
    // Both switches are written every time, so the camera follows the
    // device even if something else changed them behind its back.
    set_param(KMX_PARAM_PREVIEW, preview_param);
    set_param(KMX_PARAM_BIN, bin_param);
    if (readout_mode == mode)
        return;
    readout_mode = mode;
    bpool.resize(static_cast<int>(new_width), static_cast<int>(new_height));
}

bool Cdevice::load_settings(const Ccam_settings& record)
{
    if (record.get_bin_mode() != 0)
        set_bin_mode();
    else if (record.get_preview_mode() != 0)
        set_preview_mode();
    else
        set_normal_mode();

    set_param(KMX_PARAM_TEST_MODE, record.get_test_mode());
    set_param(KMX_PARAM_GAIN, record.get_gain());
    set_param(KMX_PARAM_BL, record.get_bl());
    set_param(KMX_PARAM_RATE, record.get_rate());
    set_param(KMX_PARAM_EXPOSURE, kmx_exposure::us_of_index(record.get_exposure()));
    set_param(KMX_PARAM_RED_GAIN, record.get_red_gain());
    set_param(KMX_PARAM_GREEN_GAIN, record.get_green_gain());
    set_param(KMX_PARAM_BLUE_GAIN, record.get_blue_gain());
    set_param(KMX_PARAM_RED_BOOST, record.get_red_boost());
    set_param(KMX_PARAM_BLUE_BOOST, record.get_blue_boost());
    set_param(KMX_PARAM_GAMMA_MODE, record.get_gamma_mode());
    if (record.get_gamma_mode() != 0)
        set_fparam(KMX_FPARAM_GAMMA, record.get_gamma());
    set_param(KMX_PARAM_CONTRAST, record.get_contrast());
    set_param(KMX_PARAM_CONTRAST_MODE, record.get_contrast_mode());
    setup_camera(0);
    return true;
}
