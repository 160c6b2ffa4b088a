// SPDX-License-Identifier: Apache-2.0
// Multi-frame averaging: several frames of a continuously running camera
// are added into 32-bit sums and their mean (or clamped sum) is written
// into the buffer of the last frame, which becomes the current image.
#include "kmxcore/capture/capture.h"

#include <cstring>

#include "kmxcore/camera/device.h"
#include "kmxcore/capture/frame_sum.h"
#include "kmxcore/capture/multi_common.h"
#include "kmxcore/capture/thread_state.h"
#include "kmxcore/image/fw_image.h"
#include "kmx_platform.h"

using namespace kmx_multi;

namespace {

// Largest 8-bit component, and the complement a monochrome result is
// inverted against.
constexpr unsigned byte_max = 0xFF;

} // namespace

int Ccapture::process_multi_frame8()
{
    return process_multi_frame8(nullptr);
}

int Ccapture::process_multi_frame8(Cthread_state* state)
{
    if (!device)
        return CAPTURE_FAILED;
    // Whatever happens next, the image of an earlier acquisition is no
    // longer offered as ready.
    restart_needed = 1;
    image_ready = 0;
    deep_image_ready = 0;

    const bool summing = average_opt != average_none;
    // No frame to divide by and no result to write.
    if (summing && average_frames == 0)
        return CAPTURE_FAILED;
    Csum_buffer sums;
    const uint64_t bytes = sum_buffer_bytes(image_mode, width, height);
    if (summing) {
        // Sums the 32-bit byte count of accumulate cannot describe are as
        // unobtainable as memory that is not there.
        if (!sum_buffer_fits(bytes))
            return CAPTURE_NO_MEMORY;
        sums = allocate_sums(bytes);
        if (!sums)
            return CAPTURE_NO_MEMORY;
    }

    // A camera that lost its 8-bit format or inversion to a refused restore
    // gets them back before frames are summed, and before the inversion
    // to put back afterwards is read from it.
    if (!device->reassert_camera_state())
        return CAPTURE_FAILED;
    // The camera's inversion is put back as it was read; a camera that
    // cannot report it gets the settings' inversion instead of an undefined
    // value.
    unsigned saved_invert = settings.invert_image() ? 1 : 0;
    device->get_param(KMX_PARAM_INVERT, &saved_invert);
    // Summed frames must arrive uninverted: monochrome results are
    // inverted in software, and frames inverted by the camera too would
    // come out inverted twice.
    if (summing && device->set_param(KMX_PARAM_INVERT, inversion_off) != KMX_OK) {
        device->set_param(KMX_PARAM_INVERT, saved_invert);
        return CAPTURE_FAILED;
    }

    continuous = 1;
    next_index = 0;
    buffer_no = 0;
    if (device->start_frame_index(first_buffer) != KMX_OK) {
        device->set_param(KMX_PARAM_INVERT, saved_invert);
        return CAPTURE_FAILED;
    }

    int result = summing ? accumulate(sums.get(), static_cast<unsigned>(bytes), state)
                         : get_multi_frame(state);
    device->abort_frame();
    sums.reset();
    // A camera left uninverted would deliver every later frame the other
    // way round: the result is not offered (the device sends the inversion
    // again with the next set-up).
    if (device->set_param(KMX_PARAM_INVERT, saved_invert) != KMX_OK)
        result = CAPTURE_FAILED;
    // A stream into a buffer the pool does not have (fewer than two
    // buffers) has no image to offer.
    if (result == CAPTURE_OK && !current_image)
        result = CAPTURE_FAILED;
    if (result != CAPTURE_OK) {
        image_ready = 0;
        deep_image_ready = 0;
        return result;
    }
    image_ready = 1;
    return CAPTURE_OK;
}

int Ccapture::accumulate(unsigned char* sums, unsigned sums_bytes)
{
    return accumulate(sums, sums_bytes, nullptr);
}

int Ccapture::accumulate(unsigned char* sums, unsigned sums_bytes, Cthread_state* state)
{
    if (!device)
        return CAPTURE_FAILED;
    const unsigned frames = frames_to_sum(average_opt, average_frames);
    const uint64_t n = components_per_row(image_mode, width);
    const uint64_t stride = image_mode == colour_image_mode ? rgb_row_values : row_values;
    const uint64_t needed = sum_buffer_bytes(image_mode, width, height);
    // Never a division by no frames, nor a write past sums the caller made
    // too small.
    if (frames == 0 || !sums_usable(sums, sums_bytes, needed))
        return CAPTURE_FAILED;

    std::memset(sums, 0, sums_bytes - sums_bytes % sum_size);
    uint32_t* words = reinterpret_cast<uint32_t*>(sums);
    // However the loop ends, the sums hold every frame added.
    kmx_frame_sum::Caccumulator added(words, n, height);

    for (unsigned f = 0; f < frames; ++f) {
        int result = attempt_frame([this, state] { return get_multi_frame(state); });
        const Cfw_image* frame = current_image;
        // A frame buffer too small for the image's rows is not read past.
        if (result == CAPTURE_OK &&
            (!frame || !frame->get_bp() || !rows_fit(n, height, stride, frame->get_size())))
            result = CAPTURE_FAILED;
        if (result != CAPTURE_OK) {
            device->abort_frame();
            return result;
        }
        added.add(static_cast<const uint8_t*>(frame->get_bp()), stride);
    }
    added.fold();

    if (average_opt == average_mean || average_opt == average_sum) {
        kmx_frame_sum::Cfinish how;
        how.mean = average_opt == average_mean;
        how.frames = frames;
        how.limit = byte_max;
        how.flip = image_mode == colour_image_mode ? 0 : byte_max;
        kmx_frame_sum::finish_frame8(words, static_cast<uint8_t*>(current_image->get_bp()), n,
                                     height, stride, how);
    }
    image_ready = 1;
    return CAPTURE_OK;
}

int Ccapture::get_multi_frame()
{
    return get_multi_frame(nullptr);
}

int Ccapture::get_multi_frame(Cthread_state* state)
{
    if (!device)
        return CAPTURE_FAILED;
    int status = device->check_start_next(keep_streaming);
    while (status == KMX_FRAME_BUSY) {
        if (wait_cancelled(state)) {
            device->abort_frame();
            return CAPTURE_FAILED;
        }
        Sleep(0);
        status = device->check_start_next(keep_streaming);
    }
    if (status != KMX_OK) {
        device->start_frame_index(next_index);
        return failure_result(status);
    }
    buffer_no = next_index;
    next_index = next_index + 1 >= stream_buffers ? 0 : next_index + 1;
    current_image = device->get_buffer(buffer_no);
    return CAPTURE_OK;
}
