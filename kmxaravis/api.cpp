// SPDX-License-Identifier: Apache-2.0
// The 58 functions of the camera-library contract on Aravis, and the
// extras of kmxaravis_control.h. Each one takes the library lock, finds
// the camera behind its handle (a stale handle is answered, never
// dereferenced) and hands the work to the camera's modules. No exception
// leaves an exported function.
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "auto.h"
#include "frames.h"
#include "genicam.h"
#include "kmxcore/diagnostics/log.h"
#include "kmxaravis/kmxaravis_control.h"
#include "params.h"
#include "record.h"
#include "state.h"

using namespace kmxaravis;

namespace {

constexpr const char* fake_interface = "Fake";

template <class F>
int guarded(F body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return KMX_ERR_NO_MEMORY;
    } catch (...) {
        return KMX_ERR_STATE;
    }
}

// Runs body on the open camera behind handle under the lock.
template <class F>
int on_camera(kmx_camera_t* handle, F body)
{
    return guarded([&] {
        std::lock_guard<std::mutex> lock(state().mutex);
        kmx_camera* camera = find_camera_locked(handle);
        if (camera == nullptr)
            return static_cast<int>(KMX_ERR_NULL_HANDLE);
        return body(*camera);
    });
}

int write_text(char* text, unsigned length, const std::string& source)
{
    if (text == nullptr || length == 0)
        return KMX_ERR_BAD_ARGUMENT;
    const size_t n = std::min<size_t>(source.size(), length - 1u);
    std::memcpy(text, source.data(), n);
    text[n] = '\0';
    return KMX_OK;
}

enum class Etext { vendor, prefix, product };

std::string text_of(const Cdevice_entry& e, Etext kind)
{
    switch (kind) {
    case Etext::vendor: return e.vendor;
    case Etext::prefix: return vendor_prefix(e.vendor);
    default: return e.model;
    }
}

// The listed device, looking again once when it is not in the list.
const Cdevice_entry* listed_device_locked(unsigned id, unsigned index)
{
    const Cdevice_entry* e = find_device_locked(id, index);
    if (e == nullptr) {
        refresh_devices_locked();
        e = find_device_locked(id, index);
    }
    return e;
}

int instance_text(kmx_instance_t* instance, unsigned id, unsigned index, char* text,
                  unsigned length, Etext kind)
{
    return guarded([&] {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (!instance_valid_locked(instance))
            return static_cast<int>(KMX_ERR_NULL_HANDLE);
        const Cdevice_entry* e = listed_device_locked(id, index);
        if (e == nullptr) {
            write_text(text, length, ""); // an unknown camera still gets a terminated text
            return static_cast<int>(KMX_ERR_NOT_FOUND);
        }
        return write_text(text, length, text_of(*e, kind));
    });
}

int camera_text(kmx_camera_t* camera, char* text, unsigned length, Etext kind)
{
    return on_camera(camera, [&](Ccamera& c) { return write_text(text, length, text_of(c.entry, kind)); });
}

int open_entry_locked(const Cdevice_entry& entry, kmx_camera_t** camera)
{
    int status = KMX_OK;
    std::unique_ptr<kmx_camera> opened = open_camera(entry, status);
    if (!opened)
        return status;
    *camera = opened.get();
    state().cameras.push_back(std::move(opened));
    return KMX_OK;
}

template <class F>
int to_index(kmx_camera_t* camera, double value, unsigned* index, F convert)
{
    return on_camera(camera, [&](Ccamera& c) {
        if (index == nullptr || std::isnan(value))
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        *index = convert(c, value);
        return static_cast<int>(KMX_OK);
    });
}

template <class F>
int to_value(kmx_camera_t* camera, unsigned index, double* value, F convert)
{
    return on_camera(camera, [&](Ccamera& c) {
        if (value == nullptr)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        *value = convert(c, index);
        return static_cast<int>(KMX_OK);
    });
}

int index_of(kmx_camera_t* camera, Equantity which, double value, unsigned* index)
{
    return to_index(camera, value, index,
                    [which](Ccamera& c, double v) { return quantity(c, which).index_of(v); });
}

int value_of(kmx_camera_t* camera, Equantity which, unsigned index, double* value)
{
    return to_value(camera, index, value,
                    [which](Ccamera& c, unsigned i) { return quantity(c, which).value_of(i); });
}

int check(kmx_camera_t* handle, bool stream, unsigned char flag)
{
    return guarded([&] {
        std::unique_lock<std::mutex> lock(state().mutex);
        kmx_camera* c = find_camera_locked(handle);
        if (c == nullptr)
            return static_cast<int>(KMX_ERR_NULL_HANDLE);
        bool delivered = false;
        const int status = check_complete_locked(*c, stream, flag != 0, delivered);
        const kmx_event_callback callback = c->event_callback;
        const uintptr_t context = c->event_context;
        const uint32_t sequence = c->delivered;
        lock.unlock();
        // Fired on the polling thread, outside the lock.
        if (delivered && callback != nullptr)
            callback(reinterpret_cast<void*>(context), sequence);
        return status;
    });
}

int auto_procedure(kmx_camera_t* handle, const Cauto_request& request)
{
    return guarded([&] {
        std::unique_lock<std::mutex> lock(state().mutex);
        if (find_camera_locked(handle) == nullptr)
            return static_cast<int>(KMX_ERR_NULL_HANDLE);
        return run_auto(lock, handle, request);
    });
}

Cauto_request request(Eauto kind, kmx_frame_t* record, unsigned index,
                      kmx_progress_callback callback, uintptr_t user)
{
    Cauto_request r;
    r.kind = kind;
    r.record = record;
    r.index = index;
    r.callback = callback;
    r.user = user;
    return r;
}

Cauto_request with_exposure(Cauto_request r, unsigned lowest, unsigned highest)
{
    r.lowest_exposure = lowest;
    r.highest_exposure = highest;
    return r;
}

Cauto_request with_gain(Cauto_request r, unsigned lowest, unsigned highest)
{
    r.lowest_gain = lowest;
    r.highest_gain = highest;
    return r;
}

Cauto_request with_region(Cauto_request r, RECT region)
{
    r.region = region;
    return r;
}

const char* thread_copy(const std::string& text)
{
    thread_local std::string copy;
    copy = text;
    return copy.c_str();
}

} // namespace

extern "C" {

/* Instance and cameras ------------------------------------------------- */

KMXLIB_API int kmx_open_interface(kmx_instance_t** instance)
{
    return guarded([&] {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (instance == nullptr)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        if (state().instance_open)
            return static_cast<int>(KMX_ERR_IN_USE);
        // The fake camera is always there, after the real ones, so the
        // library can be tried and tested without hardware.
        arv_enable_interface(fake_interface);
        if (!state().listed)
            refresh_devices_locked();
        state().instance_open = true;
        *instance = instance_handle();
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmx_close_interface(kmx_instance_t** instance)
{
    return guarded([&] {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (instance == nullptr)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        if (!instance_valid_locked(*instance))
            return static_cast<int>(KMX_ERR_NULL_HANDLE);
        // Open cameras stay usable until they are closed themselves.
        state().instance_open = false;
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmx_list(kmx_instance_t* instance, kmx_camera_list_t** list)
{
    return guarded([&] {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (!instance_valid_locked(instance))
            return static_cast<int>(KMX_ERR_NULL_HANDLE);
        if (list == nullptr)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        refresh_devices_locked();
        *list = static_cast<kmx_camera_list_t*>(make_camera_list_locked());
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmx_dispose_object(void** object)
{
    return guarded([&] {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (object == nullptr || *object == nullptr || !dispose_camera_list_locked(*object))
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        *object = nullptr;
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmx_open(kmx_instance_t* instance, unsigned camera_id, unsigned camera_index,
                        kmx_camera_t** camera)
{
    return guarded([&] {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (!instance_valid_locked(instance))
            return static_cast<int>(KMX_ERR_NULL_HANDLE);
        if (camera == nullptr)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        *camera = nullptr;
        const Cdevice_entry* e = listed_device_locked(camera_id, camera_index);
        if (e == nullptr)
            return static_cast<int>(KMX_ERR_NOT_FOUND);
        if (device_open_locked(*e))
            return static_cast<int>(KMX_ERR_IN_USE);
        return open_entry_locked(*e, camera);
    });
}

KMXLIB_API int kmx_open_any(kmx_instance_t* instance, unsigned* camera_id, unsigned* camera_index,
                            kmx_camera_t** camera)
{
    return guarded([&] {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (!instance_valid_locked(instance))
            return static_cast<int>(KMX_ERR_NULL_HANDLE);
        if (camera_id == nullptr || camera_index == nullptr || camera == nullptr)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        *camera = nullptr;
        // The search starts at the camera the words name (or at the first
        // one) and goes round the list once.
        const std::vector<Cdevice_entry> devices = state().devices;
        size_t first = 0;
        for (size_t i = 0; i < devices.size(); ++i)
            if (devices[i].transport == *camera_id && devices[i].index == *camera_index)
                first = i;
        int status = devices.empty() ? KMX_ERR_NOT_FOUND : KMX_ERR_IN_USE;
        for (size_t step = 0; step < devices.size(); ++step) {
            const Cdevice_entry& e = devices[(first + step) % devices.size()];
            if (device_open_locked(e))
                continue;
            status = open_entry_locked(e, camera);
            if (status == KMX_OK) {
                *camera_id = e.transport;
                *camera_index = e.index;
                return static_cast<int>(KMX_OK);
            }
        }
        return status;
    });
}

KMXLIB_API int kmx_close(kmx_instance_t* instance, kmx_camera_t** camera)
{
    return guarded([&] {
        std::lock_guard<std::mutex> lock(state().mutex);
        // The instance may have been closed before the camera; only its
        // identity matters here.
        if (instance != instance_handle())
            return static_cast<int>(KMX_ERR_NULL_HANDLE);
        if (camera == nullptr)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        kmx_camera* c = find_camera_locked(*camera);
        if (c == nullptr)
            return static_cast<int>(KMX_ERR_NULL_HANDLE);
        auto& cameras = state().cameras;
        for (auto it = cameras.begin(); it != cameras.end(); ++it) {
            if (it->get() == c) {
                cameras.erase(it); // stops acquisition, frees the stream and buffers
                break;
            }
        }
        *camera = nullptr;
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmx_get_camera_vendor_desc(kmx_instance_t* instance, unsigned camera_id,
                                          unsigned camera_index, char* text, unsigned length)
{
    return instance_text(instance, camera_id, camera_index, text, length, Etext::vendor);
}

KMXLIB_API int kmx_get_camera_vendor_prefix(kmx_instance_t* instance, unsigned camera_id,
                                            unsigned camera_index, char* text, unsigned length)
{
    return instance_text(instance, camera_id, camera_index, text, length, Etext::prefix);
}

KMXLIB_API int kmx_get_camera_product_desc(kmx_instance_t* instance, unsigned camera_id,
                                           unsigned camera_index, char* text, unsigned length)
{
    return instance_text(instance, camera_id, camera_index, text, length, Etext::product);
}

KMXLIB_API int kmx_camera_vendor_desc(kmx_camera_t* camera, char* text, unsigned length)
{
    return camera_text(camera, text, length, Etext::vendor);
}

KMXLIB_API int kmx_camera_vendor_prefix(kmx_camera_t* camera, char* text, unsigned length)
{
    return camera_text(camera, text, length, Etext::prefix);
}

KMXLIB_API int kmx_camera_product_desc(kmx_camera_t* camera, char* text, unsigned length)
{
    return camera_text(camera, text, length, Etext::product);
}

/* Frames --------------------------------------------------------------- */

KMXLIB_API int kmx_setup_camera(kmx_camera_t* camera, unsigned)
{
    // Features take effect as they are written; the readout (format,
    // size, binning, test pattern) is set up by the next frame.
    return on_camera(camera, [](Ccamera&) { return static_cast<int>(KMX_OK); });
}

KMXLIB_API int kmx_assign_buffers(kmx_camera_t* camera, kmx_frame_t* frames, unsigned count)
{
    return on_camera(camera, [&](Ccamera& c) { return assign_buffers_locked(c, frames, count); });
}

KMXLIB_API int kmx_release_buffers(kmx_camera_t* camera)
{
    return on_camera(camera, [](Ccamera& c) { return release_buffers_locked(c); });
}

KMXLIB_API int kmx_start_frame_index(kmx_camera_t* camera, unsigned index)
{
    return on_camera(camera, [&](Ccamera& c) {
        if (c.records == nullptr || index >= c.record_count)
            return static_cast<int>(KMX_ERR_NO_BUFFERS);
        return start_frame_locked(c, &c.records[index], static_cast<int>(index));
    });
}

KMXLIB_API int kmx_start_frame(kmx_camera_t* camera, kmx_frame_t* frame)
{
    return on_camera(camera, [&](Ccamera& c) {
        if (frame == nullptr)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        return start_frame_locked(c, frame, -1);
    });
}

KMXLIB_API int kmx_check_for_complete(kmx_camera_t* camera) { return check(camera, false, 0); }

KMXLIB_API int kmx_check_start_next(kmx_camera_t* camera, unsigned char flag)
{
    return check(camera, true, flag);
}

KMXLIB_API int kmx_abort_frame(kmx_camera_t* camera)
{
    return on_camera(camera, [](Ccamera& c) { return abort_frame_locked(c); });
}

KMXLIB_API int kmx_copy_frame(kmx_camera_t* camera, kmx_frame_t* frame, unsigned format,
                              unsigned char* pixels, RECT rect, unsigned rowbytes)
{
    return on_camera(camera, [&](Ccamera&) {
        return copy_frame(frame, nullptr, format, pixels, rect, rowbytes);
    });
}

KMXLIB_API int kmx_copy_roi(kmx_camera_t* camera, kmx_frame_t* frame, RECT source,
                            unsigned format, unsigned char* pixels, RECT rect, unsigned rowbytes)
{
    return on_camera(camera, [&](Ccamera&) {
        return copy_frame(frame, &source, format, pixels, rect, rowbytes);
    });
}

/* Parameters and information ------------------------------------------- */

KMXLIB_API int kmx_get_param(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return on_camera(camera, [&](Ccamera& c) { return get_param_locked(c, id, value); });
}

KMXLIB_API int kmx_get_param_min(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return on_camera(camera, [&](Ccamera& c) { return get_param_limit_locked(c, id, Elimit::min, value); });
}

KMXLIB_API int kmx_get_param_max(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return on_camera(camera, [&](Ccamera& c) { return get_param_limit_locked(c, id, Elimit::max, value); });
}

KMXLIB_API int kmx_get_param_default(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return on_camera(camera,
                     [&](Ccamera& c) { return get_param_limit_locked(c, id, Elimit::fallback, value); });
}

KMXLIB_API int kmx_set_param(kmx_camera_t* camera, unsigned id, unsigned value)
{
    return on_camera(camera, [&](Ccamera& c) { return set_param_locked(c, id, value); });
}

KMXLIB_API int kmx_get_fparam(kmx_camera_t* camera, unsigned id, double* value)
{
    return on_camera(camera,
                     [&](Ccamera& c) { return get_fparam_locked(c, id, true, Elimit::min, value); });
}

KMXLIB_API int kmx_get_fparam_min(kmx_camera_t* camera, unsigned id, double* value)
{
    return on_camera(camera,
                     [&](Ccamera& c) { return get_fparam_locked(c, id, false, Elimit::min, value); });
}

KMXLIB_API int kmx_get_fparam_max(kmx_camera_t* camera, unsigned id, double* value)
{
    return on_camera(camera,
                     [&](Ccamera& c) { return get_fparam_locked(c, id, false, Elimit::max, value); });
}

KMXLIB_API int kmx_get_fparam_default(kmx_camera_t* camera, unsigned id, double* value)
{
    return on_camera(camera, [&](Ccamera& c) {
        return get_fparam_locked(c, id, false, Elimit::fallback, value);
    });
}

KMXLIB_API int kmx_set_fparam(kmx_camera_t* camera, unsigned id, double value)
{
    return on_camera(camera, [&](Ccamera& c) { return set_fparam_locked(c, id, value); });
}

KMXLIB_API int kmx_get_info(kmx_camera_t* camera, unsigned key, unsigned* value)
{
    return on_camera(camera, [&](Ccamera& c) { return get_info_locked(c, key, value); });
}

KMXLIB_API int kmx_get_stat(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return on_camera(camera, [&](Ccamera& c) {
        if (value == nullptr || id >= stat_count)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        *value = c.stats[id];
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmx_reset_stat(kmx_camera_t* camera, unsigned id)
{
    return on_camera(camera, [&](Ccamera& c) {
        if (id >= stat_count)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        c.stats[id] = 0;
        return static_cast<int>(KMX_OK);
    });
}

/* Conversions ---------------------------------------------------------- */

KMXLIB_API int kmx_exp_to_index(kmx_camera_t* camera, unsigned exposure, unsigned* index)
{
    return on_camera(camera, [&](Ccamera&) {
        if (index == nullptr)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        *index = exposure_index(exposure);
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmx_index_to_exp(kmx_camera_t* camera, unsigned index, unsigned* exposure)
{
    return on_camera(camera, [&](Ccamera&) {
        if (exposure == nullptr || index > max_exposure_index)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        *exposure = exposure_value(index);
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmx_gain_to_index(kmx_camera_t* camera, double gain, unsigned* index)
{
    return index_of(camera, Equantity::gain, gain, index);
}

KMXLIB_API int kmx_bl_to_index(kmx_camera_t* camera, double bl, unsigned* index)
{
    return index_of(camera, Equantity::black_level, bl, index);
}

KMXLIB_API int kmx_wb_gain_to_index(kmx_camera_t* camera, double gain, unsigned* index)
{
    return index_of(camera, Equantity::balance, gain, index);
}

KMXLIB_API int kmx_gamma_to_index(kmx_camera_t* camera, double gamma, unsigned* index)
{
    return index_of(camera, Equantity::gamma, gamma, index);
}

KMXLIB_API int kmx_index_to_gain(kmx_camera_t* camera, unsigned index, double* gain)
{
    return value_of(camera, Equantity::gain, index, gain);
}

KMXLIB_API int kmx_index_to_bl(kmx_camera_t* camera, unsigned index, double* bl)
{
    return value_of(camera, Equantity::black_level, index, bl);
}

KMXLIB_API int kmx_index_to_wb_gain(kmx_camera_t* camera, unsigned index, double* gain)
{
    return value_of(camera, Equantity::balance, index, gain);
}

KMXLIB_API int kmx_index_to_gamma(kmx_camera_t* camera, unsigned index, double* gamma)
{
    return value_of(camera, Equantity::gamma, index, gamma);
}

/* Look-up table --------------------------------------------------------- */

KMXLIB_API int kmx_load_lut(kmx_camera_t* camera, unsigned char* table, unsigned length)
{
    return on_camera(camera, [&](Ccamera& c) { return load_lut_locked(c, table, length); });
}

KMXLIB_API int kmx_get_lut(kmx_camera_t* camera, unsigned char* table, unsigned length)
{
    return on_camera(camera, [&](Ccamera& c) { return get_lut_locked(c, table, length); });
}

/* Automatic procedures ------------------------------------------------- */

KMXLIB_API int kmx_awb_roi_index(kmx_camera_t* camera, unsigned index,
                                 kmx_progress_callback callback, uintptr_t user, RECT region)
{
    return auto_procedure(camera, with_region(request(Eauto::white_balance, nullptr, index,
                                                      callback, user),
                                              region));
}

KMXLIB_API int kmx_auto_gain_index(kmx_camera_t* camera, unsigned index,
                                   kmx_progress_callback callback, uintptr_t user,
                                   unsigned lowest_gain, unsigned highest_gain)
{
    return auto_procedure(camera, with_gain(request(Eauto::gain, nullptr, index, callback, user),
                                            lowest_gain, highest_gain));
}

KMXLIB_API int kmx_auto_exp_index(kmx_camera_t* camera, unsigned index,
                                  kmx_progress_callback callback, uintptr_t user,
                                  unsigned lowest_exposure, unsigned highest_exposure)
{
    return auto_procedure(camera, with_exposure(request(Eauto::exposure, nullptr, index, callback,
                                                        user),
                                                lowest_exposure, highest_exposure));
}

KMXLIB_API int kmx_auto_exp_index_ex(kmx_camera_t* camera, unsigned index,
                                     kmx_progress_callback callback, uintptr_t user,
                                     unsigned lowest_exposure, unsigned highest_exposure,
                                     unsigned lowest_gain, unsigned highest_gain)
{
    return auto_procedure(
        camera, with_gain(with_exposure(request(Eauto::exposure_gain, nullptr, index, callback, user),
                                        lowest_exposure, highest_exposure),
                          lowest_gain, highest_gain));
}

KMXLIB_API int kmx_awb_roi(kmx_camera_t* camera, kmx_frame_t* frame,
                           kmx_progress_callback callback, uintptr_t user, RECT region)
{
    if (frame == nullptr)
        return KMX_ERR_BAD_ARGUMENT;
    return auto_procedure(camera,
                          with_region(request(Eauto::white_balance, frame, 0, callback, user), region));
}

KMXLIB_API int kmx_auto_gain(kmx_camera_t* camera, kmx_frame_t* frame,
                             kmx_progress_callback callback, uintptr_t user,
                             unsigned lowest_gain, unsigned highest_gain)
{
    if (frame == nullptr)
        return KMX_ERR_BAD_ARGUMENT;
    return auto_procedure(camera, with_gain(request(Eauto::gain, frame, 0, callback, user),
                                            lowest_gain, highest_gain));
}

KMXLIB_API int kmx_auto_exp(kmx_camera_t* camera, kmx_frame_t* frame,
                            kmx_progress_callback callback, uintptr_t user,
                            unsigned lowest_exposure, unsigned highest_exposure)
{
    if (frame == nullptr)
        return KMX_ERR_BAD_ARGUMENT;
    return auto_procedure(camera, with_exposure(request(Eauto::exposure, frame, 0, callback, user),
                                                lowest_exposure, highest_exposure));
}

KMXLIB_API int kmx_auto_exp_ex(kmx_camera_t* camera, kmx_frame_t* frame,
                               kmx_progress_callback callback, uintptr_t user,
                               unsigned lowest_exposure, unsigned highest_exposure,
                               unsigned lowest_gain, unsigned highest_gain)
{
    if (frame == nullptr)
        return KMX_ERR_BAD_ARGUMENT;
    return auto_procedure(
        camera, with_gain(with_exposure(request(Eauto::exposure_gain, frame, 0, callback, user),
                                        lowest_exposure, highest_exposure),
                          lowest_gain, highest_gain));
}

/* Events --------------------------------------------------------------- */

KMXLIB_API int kmx_register_event_callback(kmx_camera_t* camera, unsigned event,
                                           kmx_event_callback callback, uintptr_t context,
                                           unsigned)
{
    return on_camera(camera, [&](Ccamera& c) {
        if (event != KMX_EVENT_FRAME_COMPLETE || callback == nullptr)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        c.event_callback = callback;
        c.event_context = context;
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmx_remove_event_callback(kmx_camera_t* camera, unsigned event)
{
    return on_camera(camera, [&](Ccamera& c) {
        if (event != KMX_EVENT_FRAME_COMPLETE || c.event_callback == nullptr)
            return static_cast<int>(KMX_ERR_BAD_ARGUMENT);
        c.event_callback = nullptr;
        c.event_context = 0;
        return static_cast<int>(KMX_OK);
    });
}

/* The optional log hand-over (kmxlib.h) ---------------------------------- */

KMXLIB_API void kmxlib_set_log_sink(const kmxlib_log_sink* sink) { kmx_log::use_sink(sink); }

/* Beyond the contract (kmxaravis_control.h) ----------------------------- */

KMXLIB_API const char* kmxaravis_last_error(void) { return thread_copy(last_failure()); }

KMXLIB_API void* kmxaravis_arv_camera(kmx_camera_t* camera)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    kmx_camera* c = find_camera_locked(camera);
    if (c == nullptr)
        return nullptr;
    // Whatever the caller changes, the next frame sets the readout again.
    c->applied.valid = false;
    return c->arv;
}

KMXLIB_API int kmxaravis_set_frame_deadline_ms(kmx_camera_t* camera, unsigned milliseconds)
{
    return on_camera(camera, [&](Ccamera& c) {
        c.deadline_ms = milliseconds;
        return static_cast<int>(KMX_OK);
    });
}

KMXLIB_API int kmxaravis_set_fake_genicam(const char* path)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    arv_set_fake_camera_genicam_filename(path);
    return KMX_OK;
}

} // extern "C"
