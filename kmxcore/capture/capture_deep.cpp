// SPDX-License-Identifier: Apache-2.0
// Deep accumulation: the camera is switched to a 10- or 12-bit format, one
// or several frames are captured into the deep image, their mean (or
// clamped sum) replaces the last one in place, the camera is switched back
// and the camera library converts the result into an 8-bit copy in pool
// buffer 0.
#include "kmxcore/capture/capture.h"

#include <climits>
#include <cstring>

#include "kmxcore/camera/device.h"
#include "kmxcore/capture/frame_sum.h"
#include "kmxcore/capture/multi_common.h"
#include "kmxcore/capture/thread_state.h"
#include "kmxcore/image/fw_image.h"
#include "kmx_platform.h"

using namespace kmx_multi;

namespace {

// The largest component of a 12-bit and of a 10-bit frame: the limit of a
// clamped sum and the complement a monochrome result is inverted against.
constexpr unsigned mask_12 = 0xFFF;
constexpr unsigned mask_10 = 0x3FF;

// The 8-bit format the camera library converts a monochrome deep result
// into; a colour result goes into the format of the pool buffer that takes
// it (reversed order by default, normal order when the settings ask), so
// that the copy's components are where its format says.
constexpr unsigned mono_copy_format = KMX_FORMAT_MONO8;

constexpr unsigned deep_component_bytes = 2;
constexpr unsigned long setup_value = 0;

unsigned deep_mask(unsigned depth)
{
    return depth == deepest_depth ? mask_12 : mask_10;
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
    const unsigned components = image_mode == colour_image_mode ? colour_components : 1;
    // Room for an unbinned frame: twice the size each way while binning.
    const uint64_t scale = binned ? 2 : 1;
    const uint64_t create_width = scale * width;
    const uint64_t create_height = scale * height;
    // The image operations take int sizes: a doubled size past them is
    // refused, not wrapped.
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
    if (!device)
        return CAPTURE_FAILED;
    Cfw_image* target = device->get_buffer(first_buffer);
    // Whatever happens next, the images of an earlier acquisition are no
    // longer offered as ready.
    restart_needed = 1;
    image_ready = 0;
    deep_image_ready = 0;

    // Without its frame record (never bound by init) there is nothing to
    // hand the camera; without a frame count nothing to divide by.
    const bool summing = average_opt != average_none;
    if (!frame_info.get_frame_info() || (summing && average_frames == 0))
        return CAPTURE_FAILED;
    Csum_buffer sums;
    const uint64_t bytes = sum_buffer_bytes(image_mode, width, height);
    if (summing) {
        // Sums the 32-bit byte count of accumulate_deep cannot describe are
        // as unobtainable as memory that is not there.
        if (!sum_buffer_fits(bytes))
            return CAPTURE_NO_MEMORY;
        sums = allocate_sums(bytes);
        if (!sums)
            return CAPTURE_NO_MEMORY;
    }
    if (!rebuild_deep_image(deep_image, image_mode, depth, width, height,
                            settings.get_bin_mode() != 0))
        return CAPTURE_FAILED;

    // An inversion lost to an earlier refused restore comes back before
    // the one to put back afterwards is read from the camera.
    if (!device->reassert_camera_state())
        return CAPTURE_FAILED;
    const unsigned saved_format = settings.get_format();
    unsigned saved_invert = settings.invert_image() ? 1 : 0;
    const bool switched =
        switch_to_deep(deep_format_code(image_mode, depth), summing, saved_invert);

    continuous = 0;
    next_index = 0;
    buffer_no = 0;
    int result = CAPTURE_FAILED;
    if (switched)
        result = summing ? accumulate_deep(sums.get(), static_cast<unsigned>(bytes), depth, state)
                         : get_multi_deep(state);
    sums.reset();
    // A camera left in the deep format or uninverted would deliver later
    // frames wrongly: the result is not offered.
    if (!restore_from_deep(saved_format, saved_invert))
        result = CAPTURE_FAILED;
    if (result != CAPTURE_OK) {
        image_ready = 0;
        deep_image_ready = 0;
        return result;
    }

    // The camera library reads the deep result through the frame record,
    // which still names the deep image.
    if (!target || device->copy_frame(frame_info.get_frame_info(0),
                                      image_mode == colour_image_mode ? target->get_format()
                                                                      : mono_copy_format,
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

// The camera's format goes to the deep code; its inversion is read (the
// settings' inversion stands in when the camera cannot report it) and, for
// sums, switched off: monochrome results are inverted in software, and
// frames inverted by the camera too would come out inverted twice. The
// set-up makes the camera take it all. False at the first step the camera
// refuses: no frame may then be taken.
bool Ccapture::switch_to_deep(unsigned deep_code, bool summing, unsigned& saved_invert)
{
    const bool format_taken = device->set_param(KMX_PARAM_FORMAT, deep_code) == KMX_OK;
    device->get_param(KMX_PARAM_INVERT, &saved_invert);
    if (!format_taken)
        return false;
    if (summing && device->set_param(KMX_PARAM_INVERT, inversion_off) != KMX_OK)
        return false;
    return device->setup_camera(setup_value) == KMX_OK;
}

// Every step is tried whatever the others answer, so that as much as can
// be is put back; false when the camera refused any. The device then no
// longer takes the camera to hold its format and inversion, so the next
// setup sends them again.
bool Ccapture::restore_from_deep(unsigned saved_format, unsigned saved_invert)
{
    const bool format_back = device->set_param(KMX_PARAM_FORMAT, saved_format) == KMX_OK;
    const bool invert_back = device->set_param(KMX_PARAM_INVERT, saved_invert) == KMX_OK;
    const bool set_up = device->setup_camera(setup_value) == KMX_OK;
    return format_back && invert_back && set_up;
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
    // Never a division by no frames, nor a write past sums the caller made
    // too small.
    if (frames == 0 || !sums_usable(sums, sums_bytes, needed))
        return CAPTURE_FAILED;

    std::memset(sums, 0, sums_bytes - sums_bytes % sum_size);
    uint32_t* words = reinterpret_cast<uint32_t*>(sums);
    // However the loop ends, the sums hold every frame added.
    kmx_frame_sum::Caccumulator added(words, n, height);

    for (unsigned f = 0; f < frames; ++f) {
        // Each deep frame is started on its own, so a failed one leaves no
        // stream to abort.
        const int result = attempt_frame([this, state] { return get_multi_deep(state); });
        if (result != CAPTURE_OK)
            return result;
        // A deep image whose rows do not hold the image's 16-bit components
        // (one created at a depth of 8 or less) is not read past.
        if (!deep_rows_fit(deep_image, n, height))
            return CAPTURE_FAILED;
        added.add(static_cast<const uint16_t*>(deep_image.get_bp()),
                  deep_image.get_rowbytes() / deep_component_bytes, mask);
    }
    added.fold();

    if (average_opt == average_mean || average_opt == average_sum) {
        kmx_frame_sum::Cfinish how;
        how.mean = average_opt == average_mean;
        how.frames = frames;
        how.limit = mask;
        how.flip = image_mode == colour_image_mode ? 0 : mask;
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
