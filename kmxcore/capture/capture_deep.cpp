// SPDX-License-Identifier: Apache-2.0
// Deep accumulation: the camera is switched to a 10- or 12-bit format, one
// or several frames are captured into the deep image, their mean (or
// clamped sum) replaces the last one in place, the camera is switched back
// and the camera library converts the result into an 8-bit copy in pool
// buffer 0.
//
// Decisions and mended faults:
//   - Averaging with a frame count of 0 is refused with CAPTURE_FAILED
//     before anything is changed; accumulate_deep() refuses it as well.
//   - The sum buffer's size is computed in 64 bits; one that would not fit
//     the operations' 32-bit byte count fails with CAPTURE_NO_MEMORY
//     before anything is changed.
//   - accumulate_deep() never reads or writes outside its buffers: sums
//     smaller than the image needs, or a deep image whose rows do not hold
//     the image's 16-bit components (for example one created with a depth
//     of 8 or less), give CAPTURE_FAILED.
//   - A capture without its frame record (never bound by init) or without
//     pool buffer 0 fails with CAPTURE_FAILED instead of handing a null
//     record or image to the camera library.
//   - The deep image's creation size (twice the frame size while binning)
//     is checked against the image operations' int range instead of
//     wrapping.
//   - Parameter 10 is restored to the value read before the change; when
//     the camera cannot report it, the settings' inversion is restored.
//   - Without a device every operation answers CAPTURE_FAILED and changes
//     nothing.
#include "capture/capture.h"

#include <climits>
#include <cstring>

#include "camera/device.h"
#include "capture/frame_sum.h"
#include "capture/multi_common.h"
#include "capture/thread_state.h"
#include "image/fw_image.h"

using namespace kmx_multi;

namespace {

constexpr unsigned deep_depth_12 = 12;
constexpr unsigned mask_12 = 0xFFF;
constexpr unsigned mask_10 = 0x3FF;

// Deep format codes of the camera while a deep frame is taken.
constexpr unsigned format_colour_12 = 11;
constexpr unsigned format_colour_10 = 5;
constexpr unsigned format_mono_12 = 10;
constexpr unsigned format_mono_10 = 3;

// 8-bit formats of the conversion into pool buffer 0.
constexpr unsigned format_colour_8 = 6;
constexpr unsigned format_mono_8 = 2;

constexpr unsigned deep_component_bytes = 2;

unsigned deep_format(unsigned image_mode, unsigned depth)
{
    if (image_mode == 1)
        return depth == deep_depth_12 ? format_colour_12 : format_colour_10;
    return depth == deep_depth_12 ? format_mono_12 : format_mono_10;
}

unsigned deep_mask(unsigned depth)
{
    return depth == deep_depth_12 ? mask_12 : mask_10;
}

bool fits_int(uint64_t value)
{
    return value <= static_cast<uint64_t>(INT_MAX);
}

// Builds the deep image anew: a buffer for an unbinned frame (twice the
// size while binning), shaped to the current frame size. False, with the
// image closed, when either step fails.
bool rebuild_deep_image(Cimage& image, unsigned image_mode, unsigned depth, unsigned width,
                        unsigned height, bool binned)
{
    if (image.get_bp())
        image.close_image();
    const unsigned components = image_mode == 1 ? 3 : 1;
    const uint64_t scale = binned ? 2 : 1;
    const uint64_t create_width = scale * width;
    const uint64_t create_height = scale * height;
    if (!fits_int(create_width) || !fits_int(create_height))
        return false;
    if (image.create_image(image_mode, components, depth, 0, static_cast<int>(create_width),
                           static_cast<int>(create_height)) != 1)
        return false;
    if (image.modify_image(image_mode, components, depth, 0, static_cast<int>(width),
                           static_cast<int>(height)) != 1) {
        image.close_image();
        return false;
    }
    return true;
}

// True when the image holds `rows` rows of n 16-bit components.
bool deep_rows_fit(const Cimage& image, uint64_t n, uint64_t rows)
{
    const void* bp = image.get_bp();
    const unsigned rowbytes = image.get_rowbytes();
    if (!bp || reinterpret_cast<uintptr_t>(bp) % alignof(uint16_t) != 0 ||
        rowbytes % deep_component_bytes != 0)
        return false;
    return rows_fit(n, rows, rowbytes / deep_component_bytes,
                    image.get_size() / deep_component_bytes);
}

} // namespace

int Ccapture::process_multi_deep(unsigned depth)
{
    return process_multi_deep(depth, nullptr);
}

int Ccapture::process_multi_deep(unsigned depth, Cthread_state* state)
{
    if (!device || !frame_info.get_frame_info())
        return CAPTURE_FAILED;
    const bool summing = average_opt != average_none;
    if (summing && average_frames == 0)
        return CAPTURE_FAILED;
    const uint64_t bytes = sum_buffer_bytes(image_mode, width, height);
    if (summing && !sum_buffer_fits(bytes))
        return CAPTURE_NO_MEMORY;

    Cfw_image* target = device->get_buffer(0);
    restart_needed = 1;
    image_ready = 0;
    deep_image_ready = 0;

    Csum_buffer sums;
    if (summing) {
        sums = allocate_sums(bytes);
        if (!sums)
            return CAPTURE_NO_MEMORY;
    }
    if (!rebuild_deep_image(deep_image, image_mode, depth, width, height,
                            settings.get_bin_mode() != 0))
        return CAPTURE_FAILED;

    const unsigned saved_format = settings.get_format();
    device->set_param(KMX_PARAM_FORMAT, deep_format(image_mode, depth));
    unsigned saved_invert = settings.invert_image() ? 1 : 0;
    device->get_param(KMX_PARAM_INVERT, &saved_invert);
    if (summing)
        device->set_param(KMX_PARAM_INVERT, 0);
    device->setup_camera(0);

    continuous = 0;
    next_index = 0;
    buffer_no = 0;
    const int result = summing
                           ? accumulate_deep(sums.get(), static_cast<unsigned>(bytes), depth, state)
                           : get_multi_deep(state);

    device->set_param(KMX_PARAM_FORMAT, saved_format);
    device->set_param(KMX_PARAM_INVERT, saved_invert);
    device->setup_camera(0);
    sums.reset();
    if (result != CAPTURE_OK) {
        image_ready = 0;
        deep_image_ready = 0;
        return result;
    }

    if (!target || device->copy_frame(frame_info.get_frame_info(0),
                                      image_mode == 1 ? format_colour_8 : format_mono_8,
                                      static_cast<unsigned char*>(target->get_bp()),
                                      target->get_image_rect(), target->get_rowbytes()) != KMX_OK) {
        image_ready = 0;
        deep_image_ready = 0;
        return CAPTURE_FAILED;
    }
    current_image = target;
    image_ready = 1;
    deep_image_ready = 1;
    return CAPTURE_OK;
}

int Ccapture::accumulate_deep(unsigned char* sums, unsigned sums_bytes, unsigned depth)
{
    return accumulate_deep(sums, sums_bytes, depth, nullptr);
}

int Ccapture::accumulate_deep(unsigned char* sums, unsigned sums_bytes, unsigned depth,
                              Cthread_state* state)
{
    if (!device)
        return CAPTURE_FAILED;
    const unsigned mask = deep_mask(depth);
    const unsigned frames = frames_to_sum(average_opt, average_frames);
    const uint64_t n = components_per_row(image_mode, width);
    const uint64_t needed = sum_buffer_bytes(image_mode, width, height);
    if (frames == 0 || !sums_usable(sums, sums_bytes, needed))
        return CAPTURE_FAILED;

    std::memset(sums, 0, sums_bytes - sums_bytes % sum_size);
    uint32_t* words = reinterpret_cast<uint32_t*>(sums);

    for (unsigned f = 0; f < frames; ++f) {
        // Each deep frame is started on its own, so a failed one leaves no
        // stream to abort.
        const int result = attempt_frame([this, state] { return get_multi_deep(state); });
        if (result != CAPTURE_OK)
            return result;
        if (!deep_rows_fit(deep_image, n, height))
            return CAPTURE_FAILED;
        kmx_frame_sum::add_frame16(words, static_cast<const uint16_t*>(deep_image.get_bp()), n,
                                   height, deep_image.get_rowbytes() / deep_component_bytes);
    }

    if (average_opt == average_mean || average_opt == average_sum) {
        kmx_frame_sum::Cfinish how;
        how.mean = average_opt == average_mean;
        how.frames = frames;
        how.limit = mask;
        how.flip = image_mode == 1 ? 0 : mask;
        kmx_frame_sum::finish_frame16(words, static_cast<uint16_t*>(deep_image.get_bp()), n,
                                      height, deep_image.get_rowbytes() / deep_component_bytes,
                                      how);
    }
    deep_image_ready = 1;
    return CAPTURE_OK;
}

int Ccapture::get_multi_deep()
{
    return get_multi_deep(nullptr);
}

int Ccapture::get_multi_deep(Cthread_state* state)
{
    kmx_frame_t* record = frame_info.get_frame_info();
    if (!device || !record)
        return CAPTURE_FAILED;
    record->buffer = deep_image.get_bp();
    record->buffer_size = deep_image.get_bsize();
    if (device->start_frame(record) != KMX_OK)
        return CAPTURE_FAILED;

    int status = device->check_for_complete();
    while (status == KMX_FRAME_BUSY) {
        if (wait_cancelled(state)) {
            device->abort_frame();
            return CAPTURE_FAILED;
        }
        Sleep(0);
        status = device->check_for_complete();
    }
    return status == KMX_OK ? CAPTURE_OK : failure_result(status);
}
