// SPDX-License-Identifier: Apache-2.0
// The camera's automatic white balance, gain and exposure, run under the
// caller's stop and abort control; the values the camera settled on are
// handed back and kept in the capture's settings so that a later setup()
// writes them again.
#include "kmxcore/capture/capture.h"

#include "kmxcore/camera/device.h"
#include "kmxcore/camera/exposure_curve.h"
#include "kmxcore/capture/thread_state.h"

namespace {

// Status with which the library reports a procedure its callback ended.
constexpr int auto_stopped_status = KMX_AUTO_ABORTED;

// Exposure bounds of the automatic exposure: the exposures of index 0 and
// of the top index (10 us and 100 ms).
constexpr unsigned lowest_exposure_us = kmx_exposure::index0_us;
constexpr unsigned highest_exposure_us = 100000;

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

// The procedures run only on 8-bit settings, and not at all without a
// device.
bool auto_can_start(const Cdevice* device, Ccam_settings& settings)
{
    return device && settings.get_component_depth() == auto_depth;
}

// Reads a settled value into `out`; false, with `out` untouched, when the
// camera library cannot report it: no undefined value is handed on, and
// the procedure itself still succeeded.
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

// The current image stays what it was: what a camera library leaves in the
// procedure's frame record is its own business. An image is offered as
// ready only when there is one, so that image_available() never promises
// an image that get_image() cannot give.
void Ccapture::mark_auto_procedure_done()
{
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
    const int status = device->auto_exp_index_ex(
        auto_record, aep_callback, reinterpret_cast<uintptr_t>(state), lowest_exposure_us,
        highest_exposure_us, lowest_gain, highest_gain);
    if (status != KMX_OK)
        return auto_result(status);
    mark_auto_procedure_done();
    unsigned value = 0;
    if (read_back(*device, KMX_PARAM_EXPOSURE, value)) {
        exposure_index = kmx_exposure::index_of_us(value);
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
