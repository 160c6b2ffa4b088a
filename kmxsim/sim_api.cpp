// SPDX-License-Identifier: Apache-2.0
// The 58 functions of the camera-library contract. Each one records its
// call, answers an injected fault, checks its handle and out-pointers and
// then does its work under the state lock.
#include <cmath>
#include <cstring>

#include "sim_frames.h"
#include "sim_state.h"

using namespace kmxsim;

namespace {

uint64_t rect_word(LONG v)
{
    return static_cast<uint64_t>(static_cast<int64_t>(v));
}

bool instance_valid_locked(const kmx_instance_t* instance)
{
    return instance == instance_handle() && state().instance_open;
}

// Runs body on the open camera behind handle, or answers a fault or a
// null/stale handle.
template <class F>
int on_camera(kmxsim_fn fn, kmx_camera_t* handle, std::initializer_list<uint64_t> args, F body)
{
    Centry entry(fn, handle, args);
    if (entry.faulted())
        return entry.finish(entry.fault_status());
    Ccamera* camera = find_camera_locked(handle);
    if (!camera)
        return entry.finish(KMX_ERR_NULL_HANDLE);
    return entry.finish(body(*camera, entry));
}

// Writes text into a caller's buffer of `length` bytes, truncating and
// always terminating.
int write_text(char* text, unsigned length, const char* source)
{
    if (!text || length == 0)
        return KMX_ERR_BAD_ARGUMENT;
    const size_t n = std::min<size_t>(std::strlen(source), length - 1u);
    std::memcpy(text, source, n);
    text[n] = '\0';
    return KMX_OK;
}

const kmxsim_camera_desc* find_desc_locked(unsigned id, unsigned index, unsigned* slot = nullptr)
{
    const auto& cameras = state().cameras;
    for (size_t i = 0; i < cameras.size(); ++i) {
        if (cameras[i].camera_id == id && cameras[i].camera_index == index) {
            if (slot)
                *slot = static_cast<unsigned>(i);
            return &cameras[i];
        }
    }
    return nullptr;
}

enum class text_kind { vendor, prefix, product };

const char* desc_text(const kmxsim_camera_desc& d, text_kind kind)
{
    switch (kind) {
    case text_kind::vendor: return d.vendor;
    case text_kind::prefix: return d.vendor_prefix;
    default: return d.product;
    }
}

int instance_text(kmxsim_fn fn, kmx_instance_t* instance, unsigned id, unsigned index,
                  char* text, unsigned length, text_kind kind)
{
    Centry entry(fn, instance, {id, index, addr(text), length});
    if (entry.faulted())
        return entry.finish(entry.fault_status());
    if (!instance_valid_locked(instance))
        return entry.finish(KMX_ERR_NULL_HANDLE);
    const kmxsim_camera_desc* d = find_desc_locked(id, index);
    if (!d) {
        // An unknown camera still gets an empty, terminated text.
        write_text(text, length, "");
        return entry.finish(KMX_ERR_NOT_FOUND);
    }
    return entry.finish(write_text(text, length, desc_text(*d, kind)));
}

int camera_text(kmxsim_fn fn, kmx_camera_t* camera, char* text, unsigned length, text_kind kind)
{
    return on_camera(fn, camera, {addr(text), length}, [&](Ccamera& c, Centry&) {
        return write_text(text, length, desc_text(c.desc, kind));
    });
}

Ccamera* open_slot_locked(unsigned slot)
{
    auto camera = std::make_unique<kmx_camera>();
    camera->slot = slot;
    camera->desc = state().cameras[slot];
    init_params(*camera);
    state().open_cameras.push_back(std::move(camera));
    return state().open_cameras.back().get();
}

int param_query(kmxsim_fn fn, kmx_camera_t* camera, unsigned id, unsigned* value, int which)
{
    return on_camera(fn, camera, {id, addr(value)}, [&](Ccamera& c, Centry&) {
        return which < 0 ? get_param_locked(c, id, value)
                         : get_param_limit_locked(c, id, which, value);
    });
}

// which: -1 value, 0 min, 1 max, 2 default.
int fparam_query(kmxsim_fn fn, kmx_camera_t* camera, unsigned id, double* value, int which)
{
    return on_camera(fn, camera, {id, addr(value)}, [&](Ccamera& c, Centry& e) {
        if (!value || id != KMX_FPARAM_GAMMA)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        if (which == 2 && (c.desc.no_default_mask & (1u << KMX_FPARAM_GAMMA)))
            return static_cast<int>(KMX_ERR_NOT_SUPPORTED);
        const double v = which < 0    ? c.gamma
                         : which == 0 ? c.desc.gamma_min
                         : which == 1 ? c.desc.gamma_max
                                      : c.desc.gamma_default;
        *value = v;
        e.set_fvalue(v);
        return static_cast<int>(KMX_OK);
    });
}

template <class F>
int to_index(kmxsim_fn fn, kmx_camera_t* camera, double value, unsigned* index, F convert)
{
    return on_camera(fn, camera, {addr(index)}, [&](Ccamera&, Centry& e) {
        e.set_fvalue(value);
        if (!index || std::isnan(value))
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        *index = convert(value);
        return static_cast<int>(KMX_OK);
    });
}

template <class F>
int to_value(kmxsim_fn fn, kmx_camera_t* camera, unsigned index, double* value, F convert)
{
    return on_camera(fn, camera, {index, addr(value)}, [&](Ccamera&, Centry& e) {
        if (!value)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        *value = convert(index);
        e.set_fvalue(*value);
        return static_cast<int>(KMX_OK);
    });
}

int check(kmxsim_fn fn, kmx_camera_t* handle, bool stream, unsigned char flag,
          std::initializer_list<uint64_t> args)
{
    Centry entry(fn, handle, args);
    Ccamera* camera = find_camera_locked(handle);
    if (entry.faulted()) {
        if (camera)
            fault_on_check_locked(*camera, entry.fault_status());
        return entry.finish(entry.fault_status());
    }
    if (!camera)
        return entry.finish(KMX_ERR_NULL_HANDLE);
    bool delivered = false;
    const int status = check_complete_locked(*camera, stream, flag != 0, delivered);
    const kmx_event_callback callback = camera->event_callback;
    const uintptr_t context = camera->event_context;
    const uint32_t sequence = camera->delivered;
    if (delivered && callback) {
        entry.unlock();
        callback(reinterpret_cast<void*>(context), sequence);
    }
    return entry.finish(status);
}

int auto_procedure(kmxsim_fn fn, kmx_camera_t* handle, std::initializer_list<uint64_t> args,
                   const Cauto_request& request)
{
    Centry entry(fn, handle, args);
    if (entry.faulted())
        return entry.finish(entry.fault_status());
    if (!find_camera_locked(handle))
        return entry.finish(KMX_ERR_NULL_HANDLE);
    return entry.finish(run_auto(entry, handle, request));
}

} // namespace

extern "C" {

/* Instance and cameras ------------------------------------------------- */

KMXLIB_API int kmx_open_interface(kmx_instance_t** instance)
{
    Centry entry(KMXSIM_FN_OPEN_INTERFACE, instance, {});
    if (entry.faulted())
        return entry.finish(entry.fault_status());
    if (!instance)
        return entry.finish(KMX_ERR_BAD_ARGUMENT);
    if (state().instance_open)
        return entry.finish(KMX_ERR_IN_USE);
    state().instance_open = true;
    *instance = instance_handle();
    return entry.finish(KMX_OK);
}

KMXLIB_API int kmx_close_interface(kmx_instance_t** instance)
{
    Centry entry(KMXSIM_FN_CLOSE_INTERFACE, instance, {});
    if (entry.faulted())
        return entry.finish(entry.fault_status());
    if (!instance)
        return entry.finish(KMX_ERR_BAD_ARGUMENT);
    if (!instance_valid_locked(*instance))
        return entry.finish(KMX_ERR_NULL_HANDLE);
    // Cameras still open stay usable until they are closed themselves:
    // devices keep their own copy of the instance handle.
    state().instance_open = false;
    return entry.finish(KMX_OK);
}

KMXLIB_API int kmx_list(kmx_instance_t* instance, kmx_camera_list_t** list)
{
    Centry entry(KMXSIM_FN_LIST, instance, {addr(list)});
    if (entry.faulted())
        return entry.finish(entry.fault_status());
    if (!instance_valid_locked(instance))
        return entry.finish(KMX_ERR_NULL_HANDLE);
    if (!list)
        return entry.finish(KMX_ERR_BAD_ARGUMENT);
    *list = static_cast<kmx_camera_list_t*>(make_camera_list_locked());
    return entry.finish(KMX_OK);
}

KMXLIB_API int kmx_dispose_object(void** object)
{
    Centry entry(KMXSIM_FN_DISPOSE_OBJECT, object, {});
    if (entry.faulted())
        return entry.finish(entry.fault_status());
    if (!object || !*object)
        return entry.finish(KMX_ERR_BAD_ARGUMENT);
    if (!dispose_camera_list_locked(*object))
        return entry.finish(KMX_ERR_BAD_ARGUMENT);
    *object = nullptr;
    return entry.finish(KMX_OK);
}

KMXLIB_API int kmx_open(kmx_instance_t* instance, unsigned camera_id, unsigned camera_index,
                        kmx_camera_t** camera)
{
    Centry entry(KMXSIM_FN_OPEN, instance, {camera_id, camera_index, addr(camera)});
    if (entry.faulted())
        return entry.finish(entry.fault_status());
    if (!instance_valid_locked(instance))
        return entry.finish(KMX_ERR_NULL_HANDLE);
    if (!camera)
        return entry.finish(KMX_ERR_BAD_ARGUMENT);
    *camera = nullptr;
    unsigned slot = 0;
    if (!find_desc_locked(camera_id, camera_index, &slot))
        return entry.finish(KMX_ERR_NOT_FOUND);
    if (camera_open_locked(slot))
        return entry.finish(KMX_ERR_IN_USE);
    *camera = to_handle(open_slot_locked(slot));
    return entry.finish(KMX_OK);
}

KMXLIB_API int kmx_open_any(kmx_instance_t* instance, unsigned* camera_id, unsigned* camera_index,
                            kmx_camera_t** camera)
{
    Centry entry(KMXSIM_FN_OPEN_ANY, instance, {addr(camera_id), addr(camera_index), addr(camera)});
    if (entry.faulted())
        return entry.finish(entry.fault_status());
    if (!instance_valid_locked(instance))
        return entry.finish(KMX_ERR_NULL_HANDLE);
    if (!camera_id || !camera_index || !camera)
        return entry.finish(KMX_ERR_BAD_ARGUMENT);
    *camera = nullptr;
    // The search starts at the camera the words name (or at the first
    // camera when they name none) and goes round the list once.
    unsigned first = 0;
    find_desc_locked(*camera_id, *camera_index, &first);
    const size_t count = state().cameras.size();
    for (size_t step = 0; step < count; ++step) {
        const unsigned slot = static_cast<unsigned>((first + step) % count);
        if (camera_open_locked(slot))
            continue;
        Ccamera* opened = open_slot_locked(slot);
        *camera_id = opened->desc.camera_id;
        *camera_index = opened->desc.camera_index;
        *camera = to_handle(opened);
        return entry.finish(KMX_OK);
    }
    return entry.finish(count == 0 ? KMX_ERR_NOT_FOUND : KMX_ERR_IN_USE);
}

KMXLIB_API int kmx_close(kmx_instance_t* instance, kmx_camera_t** camera)
{
    Centry entry(KMXSIM_FN_CLOSE, instance, {addr(camera)});
    if (entry.faulted())
        return entry.finish(entry.fault_status());
    // The instance may have been closed before the camera; only its
    // identity matters here.
    if (instance != instance_handle())
        return entry.finish(KMX_ERR_NULL_HANDLE);
    if (!camera)
        return entry.finish(KMX_ERR_BAD_ARGUMENT);
    Ccamera* c = find_camera_locked(*camera);
    if (!c)
        return entry.finish(KMX_ERR_NULL_HANDLE);
    auto& cameras = state().open_cameras;
    for (auto it = cameras.begin(); it != cameras.end(); ++it) {
        if (it->get() == c) {
            cameras.erase(it);
            break;
        }
    }
    *camera = nullptr;
    return entry.finish(KMX_OK);
}

KMXLIB_API int kmx_get_camera_vendor_desc(kmx_instance_t* instance, unsigned camera_id,
                                          unsigned camera_index, char* text, unsigned length)
{
    return instance_text(KMXSIM_FN_GET_CAMERA_VENDOR_DESC, instance, camera_id, camera_index, text,
                         length, text_kind::vendor);
}

KMXLIB_API int kmx_get_camera_vendor_prefix(kmx_instance_t* instance, unsigned camera_id,
                                            unsigned camera_index, char* text, unsigned length)
{
    return instance_text(KMXSIM_FN_GET_CAMERA_VENDOR_PREFIX, instance, camera_id, camera_index,
                         text, length, text_kind::prefix);
}

KMXLIB_API int kmx_get_camera_product_desc(kmx_instance_t* instance, unsigned camera_id,
                                           unsigned camera_index, char* text, unsigned length)
{
    return instance_text(KMXSIM_FN_GET_CAMERA_PRODUCT_DESC, instance, camera_id, camera_index, text,
                         length, text_kind::product);
}

KMXLIB_API int kmx_camera_vendor_desc(kmx_camera_t* camera, char* text, unsigned length)
{
    return camera_text(KMXSIM_FN_CAMERA_VENDOR_DESC, camera, text, length, text_kind::vendor);
}

KMXLIB_API int kmx_camera_vendor_prefix(kmx_camera_t* camera, char* text, unsigned length)
{
    return camera_text(KMXSIM_FN_CAMERA_VENDOR_PREFIX, camera, text, length, text_kind::prefix);
}

KMXLIB_API int kmx_camera_product_desc(kmx_camera_t* camera, char* text, unsigned length)
{
    return camera_text(KMXSIM_FN_CAMERA_PRODUCT_DESC, camera, text, length, text_kind::product);
}

/* Frames --------------------------------------------------------------- */

KMXLIB_API int kmx_setup_camera(kmx_camera_t* camera, unsigned value)
{
    // Parameters take effect as they are written; set-up only confirms.
    return on_camera(KMXSIM_FN_SETUP_CAMERA, camera, {value},
                     [](Ccamera&, Centry&) { return static_cast<int>(KMX_OK); });
}

KMXLIB_API int kmx_assign_buffers(kmx_camera_t* camera, kmx_frame_t* frames, unsigned count)
{
    return on_camera(KMXSIM_FN_ASSIGN_BUFFERS, camera, {addr(frames), count},
                     [&](Ccamera& c, Centry&) { return assign_buffers_locked(c, frames, count); });
}

KMXLIB_API int kmx_release_buffers(kmx_camera_t* camera)
{
    return on_camera(KMXSIM_FN_RELEASE_BUFFERS, camera, {},
                     [](Ccamera& c, Centry&) { return release_buffers_locked(c); });
}

KMXLIB_API int kmx_start_frame_index(kmx_camera_t* camera, unsigned index)
{
    return on_camera(KMXSIM_FN_START_FRAME_INDEX, camera, {index}, [&](Ccamera& c, Centry&) {
        if (!c.records || index >= c.record_count)
            return static_cast<int>(KMX_ERR_NO_BUFFERS);
        return start_frame_locked(c, &c.records[index], static_cast<int>(index));
    });
}

KMXLIB_API int kmx_start_frame(kmx_camera_t* camera, kmx_frame_t* frame)
{
    return on_camera(KMXSIM_FN_START_FRAME, camera, {addr(frame)}, [&](Ccamera& c, Centry&) {
        if (!frame)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        return start_frame_locked(c, frame, -1);
    });
}

KMXLIB_API int kmx_check_for_complete(kmx_camera_t* camera)
{
    return check(KMXSIM_FN_CHECK_FOR_COMPLETE, camera, false, 0, {});
}

KMXLIB_API int kmx_check_start_next(kmx_camera_t* camera, unsigned char flag)
{
    return check(KMXSIM_FN_CHECK_START_NEXT, camera, true, flag, {flag});
}

KMXLIB_API int kmx_abort_frame(kmx_camera_t* camera)
{
    return on_camera(KMXSIM_FN_ABORT_FRAME, camera, {},
                     [](Ccamera& c, Centry&) { return abort_frame_locked(c); });
}

KMXLIB_API int kmx_copy_frame(kmx_camera_t* camera, kmx_frame_t* frame, unsigned format,
                              unsigned char* pixels, RECT rect, unsigned rowbytes)
{
    return on_camera(KMXSIM_FN_COPY_FRAME, camera,
                     {addr(frame), format, addr(pixels), rect_word(rect.left), rect_word(rect.top),
                      rect_word(rect.right), rect_word(rect.bottom), rowbytes},
                     [&](Ccamera&, Centry&) {
                         return copy_locked(frame, nullptr, format, pixels, rect, rowbytes);
                     });
}

KMXLIB_API int kmx_copy_roi(kmx_camera_t* camera, kmx_frame_t* frame, RECT source, unsigned format,
                            unsigned char* pixels, RECT rect, unsigned rowbytes)
{
    // Eight words hold the record, the source region, the format and the
    // destination address; the destination rectangle and row length do
    // not fit in the call record.
    return on_camera(KMXSIM_FN_COPY_ROI, camera,
                     {addr(frame), rect_word(source.left), rect_word(source.top),
                      rect_word(source.right), rect_word(source.bottom), format, addr(pixels),
                      rowbytes},
                     [&](Ccamera&, Centry&) {
                         return copy_locked(frame, &source, format, pixels, rect, rowbytes);
                     });
}

/* Parameters and information ------------------------------------------- */

KMXLIB_API int kmx_get_param(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return param_query(KMXSIM_FN_GET_PARAM, camera, id, value, -1);
}

KMXLIB_API int kmx_get_param_min(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return param_query(KMXSIM_FN_GET_PARAM_MIN, camera, id, value, 0);
}

KMXLIB_API int kmx_get_param_max(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return param_query(KMXSIM_FN_GET_PARAM_MAX, camera, id, value, 1);
}

KMXLIB_API int kmx_get_param_default(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return param_query(KMXSIM_FN_GET_PARAM_DEFAULT, camera, id, value, 2);
}

KMXLIB_API int kmx_set_param(kmx_camera_t* camera, unsigned id, unsigned value)
{
    return on_camera(KMXSIM_FN_SET_PARAM, camera, {id, value},
                     [&](Ccamera& c, Centry&) { return set_param_locked(c, id, value); });
}

KMXLIB_API int kmx_get_fparam(kmx_camera_t* camera, unsigned id, double* value)
{
    return fparam_query(KMXSIM_FN_GET_FPARAM, camera, id, value, -1);
}

KMXLIB_API int kmx_get_fparam_min(kmx_camera_t* camera, unsigned id, double* value)
{
    return fparam_query(KMXSIM_FN_GET_FPARAM_MIN, camera, id, value, 0);
}

KMXLIB_API int kmx_get_fparam_max(kmx_camera_t* camera, unsigned id, double* value)
{
    return fparam_query(KMXSIM_FN_GET_FPARAM_MAX, camera, id, value, 1);
}

KMXLIB_API int kmx_get_fparam_default(kmx_camera_t* camera, unsigned id, double* value)
{
    return fparam_query(KMXSIM_FN_GET_FPARAM_DEFAULT, camera, id, value, 2);
}

KMXLIB_API int kmx_set_fparam(kmx_camera_t* camera, unsigned id, double value)
{
    return on_camera(KMXSIM_FN_SET_FPARAM, camera, {id}, [&](Ccamera& c, Centry& e) {
        e.set_fvalue(value);
        if (id != KMX_FPARAM_GAMMA)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        if (!(value >= c.desc.gamma_min && value <= c.desc.gamma_max)) // NaN fails too
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        c.gamma = value;
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmx_get_info(kmx_camera_t* camera, unsigned key, unsigned* value)
{
    return on_camera(KMXSIM_FN_GET_INFO, camera, {key, addr(value)}, [&](Ccamera& c, Centry&) {
        if (!value)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        switch (key) {
        case KMX_INFO_SERIAL_NO: *value = c.desc.serial_no; break;
        case KMX_INFO_MAX_WIDTH: *value = c.desc.max_width; break;
        case KMX_INFO_MAX_HEIGHT: *value = c.desc.max_height; break;
        case KMX_INFO_PREVIEW_WIDTH: *value = c.desc.preview_width; break;
        case KMX_INFO_PREVIEW_HEIGHT: *value = c.desc.preview_height; break;
        case KMX_INFO_CAPS: *value = c.desc.caps; break;
        default: return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        }
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmx_get_stat(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return on_camera(KMXSIM_FN_GET_STAT, camera, {id, addr(value)}, [&](Ccamera& c, Centry&) {
        if (!value || id >= stat_count)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        *value = c.stats[id];
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmx_reset_stat(kmx_camera_t* camera, unsigned id)
{
    return on_camera(KMXSIM_FN_RESET_STAT, camera, {id}, [&](Ccamera& c, Centry&) {
        if (id >= stat_count)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        c.stats[id] = 0;
        return static_cast<int>(KMX_OK);
    });
}

/* Conversions ---------------------------------------------------------- */

KMXLIB_API int kmx_exp_to_index(kmx_camera_t* camera, unsigned exposure, unsigned* index)
{
    return on_camera(KMXSIM_FN_EXP_TO_INDEX, camera, {exposure, addr(index)},
                     [&](Ccamera&, Centry&) {
                         if (!index)
                             return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
                         *index = exposure_index(exposure);
                         return static_cast<int>(KMX_OK);
                     });
}

KMXLIB_API int kmx_index_to_exp(kmx_camera_t* camera, unsigned index, unsigned* exposure)
{
    return on_camera(KMXSIM_FN_INDEX_TO_EXP, camera, {index, addr(exposure)},
                     [&](Ccamera&, Centry&) {
                         if (!exposure || index > max_exposure_index)
                             return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
                         *exposure = exposure_value(index);
                         return static_cast<int>(KMX_OK);
                     });
}

KMXLIB_API int kmx_gain_to_index(kmx_camera_t* camera, double gain, unsigned* index)
{
    return to_index(KMXSIM_FN_GAIN_TO_INDEX, camera, gain, index, gain_index);
}

KMXLIB_API int kmx_bl_to_index(kmx_camera_t* camera, double bl, unsigned* index)
{
    return to_index(KMXSIM_FN_BL_TO_INDEX, camera, bl, index, bl_index);
}

KMXLIB_API int kmx_wb_gain_to_index(kmx_camera_t* camera, double gain, unsigned* index)
{
    return to_index(KMXSIM_FN_WB_GAIN_TO_INDEX, camera, gain, index, wb_index);
}

KMXLIB_API int kmx_gamma_to_index(kmx_camera_t* camera, double gamma, unsigned* index)
{
    return to_index(KMXSIM_FN_GAMMA_TO_INDEX, camera, gamma, index, gamma_index);
}

KMXLIB_API int kmx_index_to_gain(kmx_camera_t* camera, unsigned index, double* gain)
{
    return to_value(KMXSIM_FN_INDEX_TO_GAIN, camera, index, gain, gain_value);
}

KMXLIB_API int kmx_index_to_bl(kmx_camera_t* camera, unsigned index, double* bl)
{
    return to_value(KMXSIM_FN_INDEX_TO_BL, camera, index, bl, bl_value);
}

KMXLIB_API int kmx_index_to_wb_gain(kmx_camera_t* camera, unsigned index, double* gain)
{
    return to_value(KMXSIM_FN_INDEX_TO_WB_GAIN, camera, index, gain, wb_value);
}

KMXLIB_API int kmx_index_to_gamma(kmx_camera_t* camera, unsigned index, double* gamma)
{
    return to_value(KMXSIM_FN_INDEX_TO_GAMMA, camera, index, gamma, gamma_value);
}

/* Look-up table --------------------------------------------------------- */

KMXLIB_API int kmx_load_lut(kmx_camera_t* camera, unsigned char* table, unsigned length)
{
    return on_camera(KMXSIM_FN_LOAD_LUT, camera, {addr(table), length}, [&](Ccamera& c, Centry&) {
        if (!table || length != lut_length)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        std::memcpy(c.lut, table, lut_length);
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmx_get_lut(kmx_camera_t* camera, unsigned char* table, unsigned length)
{
    return on_camera(KMXSIM_FN_GET_LUT, camera, {addr(table), length}, [&](Ccamera& c, Centry&) {
        if (!table || length != lut_length)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        std::memcpy(table, c.lut, lut_length);
        return static_cast<int>(KMX_OK);
    });
}

/* Automatic procedures ------------------------------------------------- */

KMXLIB_API int kmx_awb_roi_index(kmx_camera_t* camera, unsigned index,
                                 kmx_progress_callback callback, uintptr_t user, RECT region)
{
    Cauto_request r;
    r.kind = auto_kind::white_balance;
    r.index = index;
    r.callback = callback;
    r.user = user;
    r.region = region;
    return auto_procedure(KMXSIM_FN_AWB_ROI_INDEX, camera,
                          {index, addr(reinterpret_cast<const void*>(callback)), user,
                           rect_word(region.left), rect_word(region.top), rect_word(region.right),
                           rect_word(region.bottom)},
                          r);
}

KMXLIB_API int kmx_auto_gain_index(kmx_camera_t* camera, unsigned index,
                                   kmx_progress_callback callback, uintptr_t user,
                                   unsigned lowest_gain, unsigned highest_gain)
{
    Cauto_request r;
    r.kind = auto_kind::gain;
    r.index = index;
    r.callback = callback;
    r.user = user;
    r.lowest_gain = lowest_gain;
    r.highest_gain = highest_gain;
    return auto_procedure(KMXSIM_FN_AUTO_GAIN_INDEX, camera,
                          {index, addr(reinterpret_cast<const void*>(callback)), user, lowest_gain,
                           highest_gain},
                          r);
}

KMXLIB_API int kmx_auto_exp_index(kmx_camera_t* camera, unsigned index,
                                  kmx_progress_callback callback, uintptr_t user,
                                  unsigned lowest_exposure, unsigned highest_exposure)
{
    Cauto_request r;
    r.kind = auto_kind::exposure;
    r.index = index;
    r.callback = callback;
    r.user = user;
    r.lowest_exposure = lowest_exposure;
    r.highest_exposure = highest_exposure;
    return auto_procedure(KMXSIM_FN_AUTO_EXP_INDEX, camera,
                          {index, addr(reinterpret_cast<const void*>(callback)), user,
                           lowest_exposure, highest_exposure},
                          r);
}

KMXLIB_API int kmx_auto_exp_index_ex(kmx_camera_t* camera, unsigned index,
                                     kmx_progress_callback callback, uintptr_t user,
                                     unsigned lowest_exposure, unsigned highest_exposure,
                                     unsigned lowest_gain, unsigned highest_gain)
{
    Cauto_request r;
    r.kind = auto_kind::exposure_gain;
    r.index = index;
    r.callback = callback;
    r.user = user;
    r.lowest_exposure = lowest_exposure;
    r.highest_exposure = highest_exposure;
    r.lowest_gain = lowest_gain;
    r.highest_gain = highest_gain;
    return auto_procedure(KMXSIM_FN_AUTO_EXP_INDEX_EX, camera,
                          {index, addr(reinterpret_cast<const void*>(callback)), user,
                           lowest_exposure, highest_exposure, lowest_gain, highest_gain},
                          r);
}

KMXLIB_API int kmx_awb_roi(kmx_camera_t* camera, kmx_frame_t* frame,
                           kmx_progress_callback callback, uintptr_t user, RECT region)
{
    Cauto_request r;
    r.kind = auto_kind::white_balance;
    r.record = frame;
    r.callback = callback;
    r.user = user;
    r.region = region;
    return auto_procedure(KMXSIM_FN_AWB_ROI, camera,
                          {addr(frame), addr(reinterpret_cast<const void*>(callback)), user,
                           rect_word(region.left), rect_word(region.top), rect_word(region.right),
                           rect_word(region.bottom)},
                          r);
}

KMXLIB_API int kmx_auto_gain(kmx_camera_t* camera, kmx_frame_t* frame,
                             kmx_progress_callback callback, uintptr_t user, unsigned lowest_gain,
                             unsigned highest_gain)
{
    Cauto_request r;
    r.kind = auto_kind::gain;
    r.record = frame;
    r.callback = callback;
    r.user = user;
    r.lowest_gain = lowest_gain;
    r.highest_gain = highest_gain;
    return auto_procedure(KMXSIM_FN_AUTO_GAIN, camera,
                          {addr(frame), addr(reinterpret_cast<const void*>(callback)), user,
                           lowest_gain, highest_gain},
                          r);
}

KMXLIB_API int kmx_auto_exp(kmx_camera_t* camera, kmx_frame_t* frame,
                            kmx_progress_callback callback, uintptr_t user,
                            unsigned lowest_exposure, unsigned highest_exposure)
{
    Cauto_request r;
    r.kind = auto_kind::exposure;
    r.record = frame;
    r.callback = callback;
    r.user = user;
    r.lowest_exposure = lowest_exposure;
    r.highest_exposure = highest_exposure;
    return auto_procedure(KMXSIM_FN_AUTO_EXP, camera,
                          {addr(frame), addr(reinterpret_cast<const void*>(callback)), user,
                           lowest_exposure, highest_exposure},
                          r);
}

KMXLIB_API int kmx_auto_exp_ex(kmx_camera_t* camera, kmx_frame_t* frame,
                               kmx_progress_callback callback, uintptr_t user,
                               unsigned lowest_exposure, unsigned highest_exposure,
                               unsigned lowest_gain, unsigned highest_gain)
{
    Cauto_request r;
    r.kind = auto_kind::exposure_gain;
    r.record = frame;
    r.callback = callback;
    r.user = user;
    r.lowest_exposure = lowest_exposure;
    r.highest_exposure = highest_exposure;
    r.lowest_gain = lowest_gain;
    r.highest_gain = highest_gain;
    return auto_procedure(KMXSIM_FN_AUTO_EXP_EX, camera,
                          {addr(frame), addr(reinterpret_cast<const void*>(callback)), user,
                           lowest_exposure, highest_exposure, lowest_gain, highest_gain},
                          r);
}

/* Events --------------------------------------------------------------- */

KMXLIB_API int kmx_register_event_callback(kmx_camera_t* camera, unsigned event,
                                           kmx_event_callback callback, uintptr_t context,
                                           unsigned reserved)
{
    return on_camera(KMXSIM_FN_REGISTER_EVENT_CALLBACK, camera,
                     {event, addr(reinterpret_cast<const void*>(callback)), context, reserved},
                     [&](Ccamera& c, Centry&) {
                         if (event != KMX_EVENT_FRAME_COMPLETE || !callback)
                             return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
                         c.event_callback = callback;
                         c.event_context = context;
                         return static_cast<int>(KMX_OK);
                     });
}

KMXLIB_API int kmx_remove_event_callback(kmx_camera_t* camera, unsigned event)
{
    return on_camera(KMXSIM_FN_REMOVE_EVENT_CALLBACK, camera, {event}, [&](Ccamera& c, Centry&) {
        if (event != KMX_EVENT_FRAME_COMPLETE || !c.event_callback)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        c.event_callback = nullptr;
        c.event_context = 0;
        return static_cast<int>(KMX_OK);
    });
}

/* Control functions that read frames ----------------------------------- */

KMXLIB_API uint32_t kmxsim_frame_sequence(const kmx_frame_t* frame)
{
    if (!frame)
        return 0;
    Clayout layout;
    if (!delivered_layout(*frame, layout))
        return 0;
    return frame->reserved[rw_sequence];
}

KMXLIB_API uint32_t kmxsim_test_pattern_value(unsigned slot, unsigned x, unsigned y,
                                             unsigned component, unsigned depth)
{
    (void)slot; // every camera shows the same pattern
    return test_pattern(x, y, component, depth);
}

} // extern "C"
