// SPDX-License-Identifier: Apache-2.0
// Ccapture: single frames (8-bit, deep, raw), the retrying single frame,
// and continuous acquisition into pool buffers 0 and 1.
#include "kmxcore/capture/capture.h"

#include "kmxcore/camera/device.h"
#include "kmxcore/capture/multi_common.h"
#include "kmxcore/capture/thread_state.h"
#include "kmxcore/diagnostics/log.h"
#include "kmxcore/image/fw_image.h"
#include "kmx_platform.h"

namespace {

constexpr unsigned format_param = KMX_PARAM_FORMAT;
constexpr unsigned long setup_value = 0;
using kmx_multi::colour_components;
using kmx_multi::end_stream;
using kmx_multi::first_buffer;
using kmx_multi::keep_streaming;
using kmx_multi::stream_buffers;
constexpr unsigned colour_mode = kmx_multi::colour_image_mode;
constexpr unsigned mono_components = 1;
constexpr unsigned normal_order = 0;
// The deepest component an 8-bit frame carries.
constexpr unsigned byte_depth = 8;
constexpr unsigned bin_scale = 2;
// Returned by start_frame when there is no device to start.
constexpr int no_device_status = KMX_ERR_NULL_HANDLE;

// How a wait for the camera ended.
enum class wait_end {
    complete,       // status 0
    failed,         // a status other than 0 and 14
    abandoned,      // abort flag or Escape while the frame was in progress
    earlier_frame   // current_framex: the previous frame is still current
};

struct wait_result {
    wait_end end;
    int code;       // the capture result this ending maps to
};

// The abort flag is looked at before the key; both are read afresh.
bool abandon_requested(const Cthread_state* state)
{
    if (state != nullptr && state->abort_requested())
        return true;
    return kmx_multi::escape_down();
}

// Polls until the frame is complete, fails or is abandoned. The status is
// always judged before any request, and nothing is looked at (no Sleep, no
// flag, no key) when the first poll already finds the frame complete.
// `earlier_ready`, when given, lets a busy camera answer with the frame
// already delivered.
template <typename Poll>
wait_result wait_for_frame(Poll poll, const Cthread_state* state,
                           const unsigned* earlier_ready = nullptr)
{
    for (int status = poll(); status != KMX_OK; status = poll()) {
        if (status != KMX_FRAME_BUSY)
            return {wait_end::failed, kmx_multi::failure_result(status)};
        if (earlier_ready != nullptr && *earlier_ready == 1)
            return {wait_end::earlier_frame, CAPTURE_OK};
        if (abandon_requested(state))
            return {wait_end::abandoned, CAPTURE_FAILED};
        Sleep(0);
    }
    return {wait_end::complete, CAPTURE_OK};
}

bool stop_requested(const Cthread_state* state)
{
    return state != nullptr && state->stop_requested();
}

// Single frames consume a stop request and report it, whatever the frame's
// own outcome.
int consume_stop(int result, Cthread_state* state)
{
    if (!stop_requested(state))
        return result;
    state->clear_stop();
    return CAPTURE_STOPPED;
}

bool delivered_or_stopped(int result)
{
    return result == CAPTURE_OK || result == CAPTURE_STOPPED;
}

bool retryable(int result)
{
    return result == CAPTURE_ERROR_13 || result == CAPTURE_ERROR_16;
}

} // namespace

// --- the retrying single frame ------------------------------------------

// The retrying single frame: each attempt takes the frame at the settings'
// depth, 8 bits or less into an 8-bit frame, deeper into a deep one. A
// stop seen by an attempt was consumed there, so it is tried again like a
// camera error; CAPTURE_FAILED is final.
template <typename Attempt>
int Ccapture::retry_single_frame(Attempt attempt)
{
    if (device == nullptr)
        return CAPTURE_FAILED;
    restart_needed = 1;
    image_ready = 0;
    deep_image_ready = 0;
    retry_count = 0;
    const unsigned depth = settings.get_component_depth();
    for (;;) {
        const int result = attempt(depth);
        if (result == CAPTURE_OK)
            return result;
        if (result == CAPTURE_FAILED || ++retry_count > no_retries) {
            kmx_log::write(KMX_LOG_CAPTURE, KMX_LOG_INFO,
                           "single frame: result %d after %u retries; given up", result,
                           retry_count > no_retries ? no_retries : retry_count);
            restart_needed = 1;
            return result;
        }
        kmx_log::write(KMX_LOG_CAPTURE, KMX_LOG_INFO, "single frame: result %d, retry %u of %u",
                       result, retry_count, no_retries);
    }
}

int Ccapture::get_frame(Cfw_image* image, Cthread_state* state)
{
    return retry_single_frame([this, image, state](unsigned depth) {
        return depth > byte_depth ? get_deep_frame(image, depth, state) : get_frame8(image, state);
    });
}

int Ccapture::get_frame(Cfw_image* image) { return get_frame(image, nullptr); }

// Deeper settings go to the deep image, as the image form goes to the
// caller's image: the frame then has the depth the settings ask for.
int Ccapture::get_frame(Cthread_state* state)
{
    return retry_single_frame([this, state](unsigned depth) {
        return depth > byte_depth ? get_deep_frame(depth, state) : get_frame8(state);
    });
}

int Ccapture::get_frame() { return get_frame(static_cast<Cthread_state*>(nullptr)); }

// --- single 8-bit frames --------------------------------------------------

int Ccapture::get_frame8(Cfw_image* image, Cthread_state* state)
{
    if (device == nullptr || image == nullptr)
        return CAPTURE_FAILED;
    restart_needed = 0;
    continuous = 0;
    buffer_no = 0;
    next_index = 0;
    // Without a record (no init) there is nothing to hand the camera. A
    // camera that lost its 8-bit format or inversion to a refused restore
    // gets them back first, or no frame is taken.
    if (frame_info.set(*image) != 0 || !device->reassert_camera_state() ||
        device->start_frame(frame_info.get_frame_info()) != 0) {
        restart_needed = 1;
        return CAPTURE_FAILED;
    }
    const wait_result wait = wait_for_frame([this] { return device->check_for_complete(); }, state);
    if (wait.end != wait_end::complete)
        device->abort_frame();
    const int result = consume_stop(wait.code, state);
    if (delivered_or_stopped(result))
        ++frame_count;
    restart_needed = 1;
    return result;
}

int Ccapture::get_frame8(Cfw_image* image) { return get_frame8(image, nullptr); }

int Ccapture::get_frame8(Cthread_state* state)
{
    if (device == nullptr)
        return CAPTURE_FAILED;
    restart_needed = 0;
    continuous = 0;
    buffer_no = 0;
    next_index = 0;
    Cfw_image* image = device->get_buffer(first_buffer);
    // A device without a pool would leave image_available() true with no
    // image to read.
    if (image == nullptr || !device->reassert_camera_state() ||
        device->start_frame_index(first_buffer) != 0) {
        restart_needed = 1;
        return CAPTURE_FAILED;
    }
    const wait_result wait = wait_for_frame([this] { return device->check_for_complete(); }, state);
    if (wait.end == wait_end::complete) {
        current_image = image;
        image_ready = 1;
    } else {
        device->abort_frame();
    }
    const int result = consume_stop(wait.code, state);
    if (delivered_or_stopped(result))
        ++frame_count;
    restart_needed = 1;
    return result;
}

int Ccapture::get_frame8() { return get_frame8(static_cast<Cthread_state*>(nullptr)); }

// --- single deep frames ---------------------------------------------------

int Ccapture::get_deep_frame(Cfw_image* image, unsigned depth, Cthread_state* state)
{
    if (device == nullptr)
        return CAPTURE_FAILED;
    restart_needed = 1;
    continuous = 0;
    buffer_no = 0;
    next_index = 0;
    if (image == nullptr)
        return CAPTURE_FAILED;
    // The frame stays in the caller's image only: both ready flags are 0.
    return take_deep_frame(*image, depth, state);
}

int Ccapture::get_deep_frame(Cfw_image* image, unsigned depth)
{
    return get_deep_frame(image, depth, nullptr);
}

int Ccapture::get_deep_frame(unsigned depth, Cthread_state* state)
{
    if (device == nullptr)
        return CAPTURE_FAILED;
    restart_needed = 1;
    continuous = 0;
    buffer_no = 0;
    next_index = 0;
    const int result = take_deep_frame(deep_image, depth, state);
    if (result != CAPTURE_OK)
        return result;
    deep_image_ready = 1;
    // current_image is untouched; it is only "available" if there is one.
    image_ready = current_image != nullptr ? 1 : 0;
    return result;
}

int Ccapture::get_deep_frame(unsigned depth) { return get_deep_frame(depth, nullptr); }

// Closes the target, creates it again (at twice the size in bin mode, room
// for an unbinned frame) and shapes it to the current width and height.
int Ccapture::prepare_deep_target(Cimage& target, unsigned depth)
{
    const unsigned components = image_mode == colour_mode ? colour_components : mono_components;
    if (target.get_bp() != nullptr)
        target.close_image();
    image_ready = 0;
    deep_image_ready = 0;
    if (target.get_bp() == nullptr || target.get_bsize() == 0) {
        const unsigned scale = settings.get_bin_mode() != 0 ? bin_scale : 1;
        if (target.create_image(image_mode, components, depth, normal_order,
                                static_cast<int>(width * scale),
                                static_cast<int>(height * scale)) != 1)
            return CAPTURE_FAILED;
    }
    if (target.modify_image(image_mode, components, depth, normal_order, static_cast<int>(width),
                            static_cast<int>(height)) != 1) {
        target.close_image();
        return CAPTURE_FAILED;
    }
    return CAPTURE_OK;
}

// One deep frame into the target, the camera switched to the deep format
// for it and back afterwards on every path past the switch. The stop flag
// is not consulted.
int Ccapture::take_deep_frame(Cimage& target, unsigned depth, Cthread_state* state)
{
    if (prepare_deep_target(target, depth) != CAPTURE_OK)
        return CAPTURE_FAILED;
    // An inversion lost to an earlier refused restore comes back first.
    if (frame_info.set(target) != 0 || !device->reassert_camera_state())
        return CAPTURE_FAILED;
    const unsigned saved = settings.get_format();
    // A camera that kept its 8-bit format would fill the 16-bit image with
    // 8-bit data: no frame is taken.
    if (!switch_format(kmx_multi::deep_format_code(image_mode, depth)) ||
        device->start_frame(frame_info.get_frame_info()) != 0) {
        restore_format(saved);
        return CAPTURE_FAILED;
    }
    const wait_result wait = wait_for_frame([this] { return device->check_for_complete(); }, state);
    if (wait.end != wait_end::complete)
        device->abort_frame();
    if (!restore_format(saved))
        return CAPTURE_FAILED;
    if (wait.end == wait_end::complete)
        ++frame_count;
    return wait.code;
}

// The camera takes a format with its set-up; both must be accepted.
bool Ccapture::switch_format(unsigned code)
{
    return device->set_param(format_param, code) == KMX_OK &&
           device->setup_camera(setup_value) == KMX_OK;
}

// Both steps are tried whatever the first answers, so that as much as can
// be is put back. False when the camera refused either: it may still hold
// the deep or raw format, and a frame taken now would be read wrongly. The
// device then no longer takes the camera to hold its format, so the next
// setup sends it again.
bool Ccapture::restore_format(unsigned saved)
{
    const bool written = device->set_param(format_param, saved) == KMX_OK;
    const bool set_up = device->setup_camera(setup_value) == KMX_OK;
    return written && set_up;
}

// --- single raw frames ----------------------------------------------------

int Ccapture::get_raw_frame(Cthread_state* state)
{
    if (device == nullptr)
        return CAPTURE_FAILED;
    restart_needed = 1;
    continuous = 0;
    buffer_no = 0;
    next_index = 0;
    Cfw_image* image = device->get_buffer(first_buffer);
    if (image == nullptr || !device->reassert_camera_state())
        return CAPTURE_FAILED;
    const unsigned saved = settings.get_format();
    // A camera that kept its 8-bit format would deliver an 8-bit frame that
    // the caller takes for raw output: no frame is taken.
    if (!switch_format(KMX_FORMAT_RAW) || device->start_frame_index(first_buffer) != 0) {
        restore_format(saved);
        return CAPTURE_FAILED;
    }
    const wait_result wait = wait_for_frame([this] { return device->check_for_complete(); }, state);
    if (wait.end == wait_end::abandoned)
        device->abort_frame();
    if (!restore_format(saved)) {
        // Nothing is offered as ready, the stop flag is left for the
        // caller, nothing is counted.
        image_ready = 0;
        deep_image_ready = 0;
        return CAPTURE_FAILED;
    }
    // A failure status of the camera is passed on as it is: no abort, no
    // stop test, nothing counted.
    if (wait.end == wait_end::failed)
        return wait.code;
    if (wait.end == wait_end::complete) {
        current_image = image;
        image_ready = 1;
    }
    const int result = consume_stop(wait.code, state);
    if (delivered_or_stopped(result))
        ++frame_count;
    return result;
}

int Ccapture::get_raw_frame() { return get_raw_frame(nullptr); }

// --- continuous acquisition -----------------------------------------------

int Ccapture::start_frame(unsigned index, Cthread_state*)
{
    if (device == nullptr)
        return no_device_status;
    next_index = index;
    buffer_no = index;
    start_index = index;
    restart_needed = 0;
    continuous = 1;
    // A stream in a format the camera lost would deliver wrong bytes as
    // good frames: it does not start.
    if (!device->reassert_camera_state())
        return KMX_ERR_STATE;
    return device->start_frame_index(index);
}

int Ccapture::start_frame(unsigned index) { return start_frame(index, nullptr); }
int Ccapture::start_frame(Cthread_state* state) { return start_frame(first_buffer, state); }
int Ccapture::start_frame() { return start_frame(first_buffer, nullptr); }

int Ccapture::abort_frame()
{
    if (device == nullptr)
        return 0;
    device->abort_frame();
    restart_needed = 1;
    return 0;
}

// A stream that may not be running is aborted and started again at its
// first buffer; whether the start was accepted shows in the next poll.
void Ccapture::restart_stream_if_needed(Cthread_state* state)
{
    if (restart_needed != 1)
        return;
    abort_frame();
    start_frame(start_index, state);
}

// The buffer just completed becomes the current one; the next index wraps
// to 0 once it reaches the second buffer.
void Ccapture::advance_stream()
{
    buffer_no = next_index;
    next_index = next_index + 1 >= stream_buffers ? 0 : next_index + 1;
    current_image = device->get_buffer(buffer_no);
}

// The retrying stream operations: an attempt is made again after a camera
// error (2 or 4) until no_retries retries are used up, after which the
// stream counts as stopped. The attempt is called through virtual dispatch.
int Ccapture::retry_stream_attempt(int (Ccapture::*attempt)(Cthread_state*),
                                   Cthread_state* state)
{
    if (device == nullptr)
        return CAPTURE_FAILED;
    retry_count = 0;
    for (;;) {
        const int result = (this->*attempt)(state);
        if (!retryable(result))
            return result;
        if (++retry_count > no_retries) {
            restart_needed = 1;
            return result;
        }
    }
}

// A streamed frame is complete: its buffer becomes the current image and
// is counted; a stop request turns the result into CAPTURE_STOPPED and
// stays set for the caller to clear.
int Ccapture::deliver_streamed_frame(Cthread_state* state)
{
    advance_stream();
    image_ready = current_image != nullptr ? 1 : 0;
    ++frame_count;
    return stop_requested(state) ? CAPTURE_STOPPED : CAPTURE_OK;
}

int Ccapture::complete_frame(Cthread_state* state)
{
    return retry_stream_attempt(&Ccapture::complete_framex, state);
}

int Ccapture::complete_frame() { return complete_frame(nullptr); }

int Ccapture::complete_framex(Cthread_state* state)
{
    if (device == nullptr)
        return CAPTURE_FAILED;
    restart_stream_if_needed(state);
    const wait_result wait =
        wait_for_frame([this] { return device->check_start_next(keep_streaming); }, state);
    if (wait.end == wait_end::failed) {
        device->start_frame_index(next_index);
        return wait.code;
    }
    if (wait.end == wait_end::abandoned) {
        device->abort_frame();
        return wait.code;
    }
    return deliver_streamed_frame(state);
}

int Ccapture::current_frame(Cthread_state* state)
{
    return retry_stream_attempt(&Ccapture::current_framex, state);
}

int Ccapture::current_frame() { return current_frame(nullptr); }

int Ccapture::current_framex(Cthread_state* state)
{
    if (device == nullptr)
        return CAPTURE_FAILED;
    restart_stream_if_needed(state);
    const wait_result wait = wait_for_frame(
        [this] { return device->check_start_next(keep_streaming); }, state, &image_ready);
    switch (wait.end) {
    case wait_end::earlier_frame:
        return CAPTURE_OK;
    case wait_end::failed:
        device->abort_frame();
        device->start_frame_index(next_index);
        return wait.code;
    case wait_end::abandoned:
        device->abort_frame();
        return wait.code;
    case wait_end::complete:
        break;
    }
    return deliver_streamed_frame(state);
}

int Ccapture::stop_frame(Cthread_state* state)
{
    if (device == nullptr)
        return CAPTURE_FAILED;
    retry_count = 0;
    int result = stop_framex(state);
    while (retryable(result) && ++retry_count <= no_retries) {
        start_frame(next_index, state);
        result = stop_framex(state);
    }
    restart_needed = 1;
    return result;
}

int Ccapture::stop_frame() { return stop_frame(nullptr); }

int Ccapture::stop_framex(Cthread_state* state)
{
    if (device == nullptr)
        return CAPTURE_FAILED;
    restart_stream_if_needed(state);
    const wait_result wait =
        wait_for_frame([this] { return device->check_start_next(end_stream); }, state);
    if (wait.end == wait_end::complete) {
        advance_stream();
        // The stream has ended: the frame is there to read, but nothing is
        // coming after it.
        image_ready = 0;
    } else {
        device->abort_frame();
    }
    int result = wait.code;
    if (stop_requested(state))
        result = CAPTURE_STOPPED;
    if (delivered_or_stopped(result))
        ++frame_count;
    restart_needed = 1;
    return result;
}
