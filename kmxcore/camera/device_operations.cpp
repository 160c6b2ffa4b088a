// SPDX-License-Identifier: Apache-2.0
// Cdevice: the camera operations. Each hands its arguments to the camera
// library behind the device's camera handle and answers the library's
// status unchanged; the handle is not tested, a closed device passes null
// and the library refuses it.
#include "kmxcore/camera/device.h"
#include "kmxcore/camera/camera_call.h"

namespace {

// The camera library takes 32-bit words; an `unsigned long` is wider on
// LP64 hosts. A value that would be cut short is refused rather than
// silently naming a different count or record.
bool fits_word(unsigned long value)
{
    return static_cast<unsigned long>(static_cast<unsigned>(value)) == value;
}

} // namespace

int Cdevice::setup_camera(unsigned long value)
{
    if (!fits_word(value))
        return KMX_ERR_BAD_ARGUMENT;
    const int status = camera_call(kmx_setup_camera, camera, static_cast<unsigned>(value));
    note_setup(status == KMX_OK);
    return status;
}

int Cdevice::assign_buffers(kmx_frame_t* frames, unsigned long count)
{
    if (!fits_word(count))
        return KMX_ERR_BAD_ARGUMENT;
    return camera_call(kmx_assign_buffers, camera, frames, static_cast<unsigned>(count));
}

int Cdevice::release_buffers() { return camera_call(kmx_release_buffers, camera); }

int Cdevice::start_frame_index(unsigned long index)
{
    if (!fits_word(index))
        return KMX_ERR_BAD_ARGUMENT;
    return camera_call(kmx_start_frame_index, camera, static_cast<unsigned>(index));
}

int Cdevice::start_frame(kmx_frame_t* frame) { return camera_call(kmx_start_frame, camera, frame); }
int Cdevice::check_for_complete() { return camera_poll(kmx_check_for_complete, camera); }

int Cdevice::check_start_next(unsigned char keep_streaming)
{
    return camera_poll(kmx_check_start_next, camera, keep_streaming);
}

int Cdevice::abort_frame() { return camera_call(kmx_abort_frame, camera); }

int Cdevice::get_info(unsigned key, unsigned* value) const
{
    return camera_call(kmx_get_info, camera, key, value);
}

int Cdevice::get_param(unsigned id, unsigned* value) const
{
    return camera_call(kmx_get_param, camera, id, value);
}

int Cdevice::get_param_min(unsigned id, unsigned* value) const
{
    return camera_call(kmx_get_param_min, camera, id, value);
}

int Cdevice::get_param_max(unsigned id, unsigned* value) const
{
    return camera_call(kmx_get_param_max, camera, id, value);
}

int Cdevice::get_param_default(unsigned id, unsigned* value) const
{
    return camera_call(kmx_get_param_default, camera, id, value);
}

int Cdevice::set_param(unsigned id, unsigned value)
{
    const int status = camera_call(kmx_set_param, camera, id, value);
    note_param_write(id, value, status == KMX_OK);
    return status;
}

int Cdevice::get_fparam(unsigned id, double* value) const
{
    return camera_call(kmx_get_fparam, camera, id, value);
}

int Cdevice::get_fparam_min(unsigned id, double* value) const
{
    return camera_call(kmx_get_fparam_min, camera, id, value);
}

int Cdevice::get_fparam_max(unsigned id, double* value) const
{
    return camera_call(kmx_get_fparam_max, camera, id, value);
}

int Cdevice::get_fparam_default(unsigned id, double* value) const
{
    return camera_call(kmx_get_fparam_default, camera, id, value);
}

int Cdevice::set_fparam(unsigned id, double value) { return camera_call(kmx_set_fparam, camera, id, value); }

int Cdevice::get_stat(unsigned id, unsigned* value) const
{
    return camera_call(kmx_get_stat, camera, id, value);
}

int Cdevice::reset_stat(unsigned id) { return camera_call(kmx_reset_stat, camera, id); }

int Cdevice::copy_frame(unsigned index, unsigned format_code, unsigned char* pixels, RECT rect,
                        unsigned rowbytes)
{
    kmx_frame_t* frame = bpool.get_frame_info(index);
    if (!frame)
        return 0;
    return camera_call(kmx_copy_frame, camera, frame, format_code, pixels, rect, rowbytes);
}

int Cdevice::copy_frame(kmx_frame_t* frame, unsigned format_code, unsigned char* pixels,
                        RECT rect, unsigned rowbytes) const
{
    return camera_call(kmx_copy_frame, camera, frame, format_code, pixels, rect, rowbytes);
}

int Cdevice::copy_frame(Cframe_info& frames, unsigned format_code, unsigned char* pixels,
                        RECT rect, unsigned rowbytes) const
{
    kmx_frame_t* frame = frames.get_frame_info();
    if (!frame)
        return KMX_ERR_BAD_ARGUMENT;
    return camera_call(kmx_copy_frame, camera, frame, format_code, pixels, rect, rowbytes);
}

int Cdevice::copy_frame(Cframe_info& frames, Cfw_image& image) const
{
    kmx_frame_t* frame = frames.get_frame_info();
    if (!frame)
        return KMX_ERR_BAD_ARGUMENT;
    auto* pixels = static_cast<unsigned char*>(image.get_bp());
    if (!pixels)
        return KMX_ERR_BAD_ARGUMENT;
    return camera_call(kmx_copy_frame, camera, frame, image.get_format(), pixels, image.get_image_rect(),
                          image.get_rowbytes());
}

int Cdevice::copy_roi(unsigned index, RECT source, unsigned format_code, unsigned char* pixels,
                      RECT rect, unsigned rowbytes)
{
    kmx_frame_t* frame = bpool.get_frame_info(index);
    if (!frame)
        return 0;
    return camera_call(kmx_copy_roi, camera, frame, source, format_code, pixels, rect, rowbytes);
}

int Cdevice::copy_roi(kmx_frame_t* frame, RECT source, unsigned format_code,
                      unsigned char* pixels, RECT rect, unsigned rowbytes) const
{
    return camera_call(kmx_copy_roi, camera, frame, source, format_code, pixels, rect, rowbytes);
}

int Cdevice::camera_vendor_desc(char* text, unsigned length) const
{
    return camera_call(kmx_camera_vendor_desc, camera, text, length);
}

int Cdevice::camera_vendor_prefix(char* text, unsigned length) const
{
    return camera_call(kmx_camera_vendor_prefix, camera, text, length);
}

int Cdevice::camera_product_desc(char* text, unsigned length) const
{
    return camera_call(kmx_camera_product_desc, camera, text, length);
}

int Cdevice::camera_product_prefix(char* text, unsigned length) const
{
    return camera_call(kmx_camera_product_desc, camera, text, length);
}

int Cdevice::load_lut(unsigned char* table, unsigned length)
{
    return camera_call(kmx_load_lut, camera, table, length);
}

int Cdevice::get_lut(unsigned char* table, unsigned length)
{
    return camera_call(kmx_get_lut, camera, table, length);
}

int Cdevice::awb_roi_index(unsigned index, kmx_progress_callback callback, uintptr_t user,
                           RECT region)
{
    return camera_auto(kmx_awb_roi_index, camera, index, callback, user, region);
}

int Cdevice::awb_roi(kmx_frame_t* frame, kmx_progress_callback callback, uintptr_t user,
                     RECT region)
{
    return camera_auto(kmx_awb_roi, camera, frame, callback, user, region);
}

int Cdevice::auto_gain_index(unsigned index, kmx_progress_callback callback, uintptr_t user,
                             unsigned lowest_gain, unsigned highest_gain)
{
    return camera_auto(kmx_auto_gain_index, camera, index, callback, user, lowest_gain, highest_gain);
}

int Cdevice::auto_gain(kmx_frame_t* frame, kmx_progress_callback callback, uintptr_t user,
                       unsigned lowest_gain, unsigned highest_gain)
{
    return camera_auto(kmx_auto_gain, camera, frame, callback, user, lowest_gain, highest_gain);
}

int Cdevice::auto_exp_index(unsigned index, kmx_progress_callback callback, uintptr_t user,
                            unsigned lowest_exposure, unsigned highest_exposure)
{
    return camera_auto(kmx_auto_exp_index, camera, index, callback, user, lowest_exposure, highest_exposure);
}

int Cdevice::auto_exp(kmx_frame_t* frame, kmx_progress_callback callback, uintptr_t user,
                      unsigned lowest_exposure, unsigned highest_exposure)
{
    return camera_auto(kmx_auto_exp, camera, frame, callback, user, lowest_exposure, highest_exposure);
}

int Cdevice::auto_exp_index_ex(unsigned index, kmx_progress_callback callback, uintptr_t user,
                               unsigned lowest_exposure, unsigned highest_exposure,
                               unsigned lowest_gain, unsigned highest_gain)
{
    return camera_auto(kmx_auto_exp_index_ex, camera, index, callback, user, lowest_exposure,
                                 highest_exposure, lowest_gain, highest_gain);
}

int Cdevice::auto_exp_ex(kmx_frame_t* frame, kmx_progress_callback callback, uintptr_t user,
                         unsigned lowest_exposure, unsigned highest_exposure,
                         unsigned lowest_gain, unsigned highest_gain)
{
    return camera_auto(kmx_auto_exp_ex, camera, frame, callback, user, lowest_exposure, highest_exposure,
                           lowest_gain, highest_gain);
}

int Cdevice::register_event_callback(unsigned event, kmx_event_callback callback,
                                     uintptr_t context, unsigned reserved)
{
    return camera_call(kmx_register_event_callback, camera, event, callback, context, reserved);
}

int Cdevice::remove_event_callback(unsigned event)
{
    return camera_call(kmx_remove_event_callback, camera, event);
}

int Cdevice::exp_to_index(unsigned exposure, unsigned* index) const
{
    return camera_call(kmx_exp_to_index, camera, exposure, index);
}

int Cdevice::index_to_exp(unsigned index, unsigned* exposure) const
{
    return camera_call(kmx_index_to_exp, camera, index, exposure);
}

int Cdevice::gain_to_index(double gain, unsigned* index) const
{
    return camera_call(kmx_gain_to_index, camera, gain, index);
}

int Cdevice::index_to_gain(unsigned index, double* gain) const
{
    return camera_call(kmx_index_to_gain, camera, index, gain);
}

int Cdevice::bl_to_index(double bl, unsigned* index) const
{
    return camera_call(kmx_bl_to_index, camera, bl, index);
}

int Cdevice::index_to_bl(unsigned index, double* bl) const
{
    return camera_call(kmx_index_to_bl, camera, index, bl);
}

int Cdevice::wb_gain_to_index(double gain, unsigned* index) const
{
    return camera_call(kmx_wb_gain_to_index, camera, gain, index);
}

int Cdevice::index_to_wb_gain(unsigned index, double* gain) const
{
    return camera_call(kmx_index_to_wb_gain, camera, index, gain);
}

int Cdevice::gamma_to_index(double gamma, unsigned* index) const
{
    return camera_call(kmx_gamma_to_index, camera, gamma, index);
}

int Cdevice::index_to_gamma(unsigned index, double* gamma) const
{
    return camera_call(kmx_index_to_gamma, camera, index, gamma);
}
