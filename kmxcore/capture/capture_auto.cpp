// SPDX-License-Identifier: Apache-2.0
// The camera's automatic white balance, gain and exposure, run under the
// caller's stop and abort control; the values the camera settled on are
// handed back and kept in the capture's settings so that a later setup()
// writes them again.
//
// Decisions:
//   - Without a device the procedures answer CAPTURE_AUTO_FAILED and change
//     nothing, as for settings deeper than 8 bits.
//   - After success the current image is pool buffer 0, where the camera
//     left the procedure's last frame (the image reported ready is the one
//     get_image() gives, also right after set-up when there was none).
//   - A read-back of a settled value that the camera library fails leaves
//     that out-value and its setting as they were (no undefined value is
//     handed on); the procedure itself still succeeded.
#include "capture/capture.h"

#include <cmath>

#include "camera/device.h"
#include "capture/thread_state.h"

namespace {

// Status with which the library reports a procedure its callback ended.
constexpr int auto_stopped_status = KMX_AUTO_ABORTED;

// Exposure bounds of the automatic exposure: the values of indices 0 and
// 256 (microseconds).
constexpr unsigned lowest_exposure = 10;
constexpr unsigned highest_exposure = 100000;

// Every exposure index step multiplies the value by this base (ten every
// 64 steps); index 0 is 10 microseconds.
constexpr double exposure_base = 1.03663292844;
constexpr double exposure_of_index_0 = 10.0;

// Only 8-bit settings run the procedures.
constexpr unsigned auto_depth = 8;

// Frame record the procedures use.
constexpr unsigned auto_record = 0;

unsigned auto_result(int status)
{
    if (status == KMX_OK)
        return CAPTURE_AUTO_DONE;
    return status == auto_stopped_status ? CAPTURE_AUTO_STOPPED : CAPTURE_AUTO_FAILED;
}

// The callbacks' shared answer: go on (1) unless the caller's record asks
// to abort or stop.
int keep_going(uintptr_t user)
{
    const Cthread_state* state = reinterpret_cast<const Cthread_state*>(user);
    if (!state)
        return 1;
    if (state->abort_requested() || state->stop_requested())
        return 0;
    return 1;
}

// The exposure index of a settled exposure value: the logarithm to the
// base above, truncated toward zero, so a value just below a step's stays
// on the lower index. Values below index 0's are taken as index 0.
unsigned exposure_index_of_value(unsigned value)
{
    const double clamped = value < lowest_exposure ? lowest_exposure : value;
    const double index = std::log(clamped / exposure_of_index_0) / std::log(exposure_base);
    return static_cast<unsigned>(index);
}

// The procedures run only on 8-bit settings (and a device).
bool auto_can_start(const Cdevice* device, Ccam_settings& settings)
{
    return device && settings.get_component_depth() == auto_depth;
}

// Reads a settled value into `out`; false, with `out` untouched, when the
// camera library cannot report it.
bool read_back(const Cdevice& device, unsigned id, unsigned& out)
{
    unsigned value = 0;
    if (device.get_param(id, &value) != KMX_OK)
        return false;
    out = value;
    return true;
}

// The camera's gain range, the bounds of the gain the procedures choose.
void read_gain_range(const Cdevice& device, unsigned& lowest_gain, unsigned& highest_gain)
{
    device.get_param_min(KMX_PARAM_GAIN, &lowest_gain);
    device.get_param_max(KMX_PARAM_GAIN, &highest_gain);
}

} // namespace

// Opening shared by the three procedures: nothing happens without a device
// or on settings deeper than 8 bits; otherwise the continuous state starts
// afresh and no image counts as ready while the camera works.
bool Ccapture::begin_auto_procedure()
{
    if (!auto_can_start(device, settings))
        return false;
    restart_needed = 1;
    image_ready = 0;
    deep_image_ready = 0;
    continuous = 0;
    next_index = 0;
    buffer_no = 0;
    return true;
}

// A completed procedure leaves its last frame in the record it worked in,
// pool buffer 0: that buffer becomes the current image, so that
// image_available() never promises an image that get_image() cannot give.
void Ccapture::mark_auto_procedure_done()
{
    current_image = device->get_buffer(auto_record);
    image_ready = current_image != nullptr ? 1 : 0;
    deep_image_ready = 0;
}

unsigned Ccapture::wb_process(RECT roi, unsigned& gain, unsigned& red_gain, unsigned& green_gain,
                              unsigned& blue_gain)
{
    return wb_process(roi, gain, red_gain, green_gain, blue_gain, nullptr);
}

unsigned Ccapture::wb_process(RECT roi, unsigned& gain, unsigned& red_gain, unsigned& green_gain,
                              unsigned& blue_gain, Cthread_state* state)
{
    if (!begin_auto_procedure())
        return CAPTURE_AUTO_FAILED;

    const int status = device->awb_roi_index(auto_record, wb_callback,
                                             reinterpret_cast<uintptr_t>(state), roi);
    if (status != KMX_OK)
        return auto_result(status);
    mark_auto_procedure_done();
    const bool have_gain = read_back(*device, KMX_PARAM_GAIN, gain);
    const bool have_red = read_back(*device, KMX_PARAM_RED_GAIN, red_gain);
    const bool have_green = read_back(*device, KMX_PARAM_GREEN_GAIN, green_gain);
    const bool have_blue = read_back(*device, KMX_PARAM_BLUE_GAIN, blue_gain);
    if (have_gain)
        settings.set_gain(gain);
    if (have_red)
        settings.set_red_gain(red_gain);
    if (have_green)
        settings.set_green_gain(green_gain);
    if (have_blue)
        settings.set_blue_gain(blue_gain);
    return CAPTURE_AUTO_DONE;
}

unsigned Ccapture::agp_process(unsigned& gain)
{
    return agp_process(gain, nullptr);
}

unsigned Ccapture::agp_process(unsigned& gain, Cthread_state* state)
{
    if (!begin_auto_procedure())
        return CAPTURE_AUTO_FAILED;

    unsigned lowest_gain = 0;
    unsigned highest_gain = 0;
    read_gain_range(*device, lowest_gain, highest_gain);
    const int status = device->auto_gain_index(auto_record, agp_callback,
                                               reinterpret_cast<uintptr_t>(state), lowest_gain,
                                               highest_gain);
    if (status != KMX_OK)
        return auto_result(status);
    mark_auto_procedure_done();
    if (read_back(*device, KMX_PARAM_GAIN, gain))
        settings.set_gain(gain);
    return CAPTURE_AUTO_DONE;
}

unsigned Ccapture::aep_process(unsigned& exposure_index, unsigned& gain)
{
    return aep_process(exposure_index, gain, nullptr);
}

unsigned Ccapture::aep_process(unsigned& exposure_index, unsigned& gain, Cthread_state* state)
{
    if (!begin_auto_procedure())
        return CAPTURE_AUTO_FAILED;

    unsigned lowest_gain = 0;
    unsigned highest_gain = 0;
    read_gain_range(*device, lowest_gain, highest_gain);
    const int status = device->auto_exp_index_ex(auto_record, aep_callback,
                                                 reinterpret_cast<uintptr_t>(state),
                                                 lowest_exposure, highest_exposure, lowest_gain,
                                                 highest_gain);
    if (status != KMX_OK)
        return auto_result(status);
    mark_auto_procedure_done();
    unsigned value = 0;
    if (read_back(*device, KMX_PARAM_EXPOSURE, value)) {
        exposure_index = exposure_index_of_value(value);
        settings.set_exposure(exposure_index);
    }
    if (read_back(*device, KMX_PARAM_GAIN, gain))
        settings.set_gain(gain);
    return CAPTURE_AUTO_DONE;
}

int Ccapture::wb_callback(void*, uintptr_t user)
{
    return keep_going(user);
}

int Ccapture::agp_callback(void*, uintptr_t user)
{
    return keep_going(user);
}

int Ccapture::aep_callback(void*, uintptr_t user)
{
    return keep_going(user);
}
