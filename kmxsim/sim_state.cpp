// SPDX-License-Identifier: Apache-2.0
// Registry of virtual cameras, the call record, faults, the clock and the
// control functions of kmxsim_control.h.
#include "sim_state.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "kmxcore/diagnostics/log.h"

namespace kmxsim {

namespace {

// Appends the handle (or out address) a call was made with.
void append_handle(std::string& text, const void* handle)
{
    char number[2 + 2 * sizeof(uintptr_t) + 1];
    std::snprintf(number, sizeof number, "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(handle));
    text += handle != nullptr ? number : "null";
}

// Appends a recorded argument: addresses in hexadecimal, values in
// decimal (the record does not keep the types, so the size decides).
void append_argument(std::string& text, uint64_t value)
{
    char number[24];
    if (value > UINT32_MAX)
        std::snprintf(number, sizeof number, "0x%" PRIx64, value);
    else
        std::snprintf(number, sizeof number, "%" PRIu64, value);
    text += number;
}

// One line per call: injected faults and refusals at info, every other
// call at debug. A completion check answering "in progress" comes many
// times a frame and is left out.
void log_call(const kmxsim_call& call, bool finished, bool faulted)
{
    if (!finished || call.status == KMX_FRAME_BUSY)
        return;
    const kmx_log_level level = (faulted || call.status != KMX_OK) ? KMX_LOG_INFO : KMX_LOG_DEBUG;
    if (!kmx_log::enabled(KMX_LOG_SIM, level))
        return;
    std::string arguments;
    append_handle(arguments, call.handle);
    for (unsigned i = 0; i < call.nargs; ++i) {
        arguments += ", ";
        append_argument(arguments, call.args[i]);
    }
    kmx_log::write(KMX_LOG_SIM, level, "%s(%s) = %d%s", kmxsim_fn_name(call.fn),
                   arguments.c_str(), call.status, faulted ? " (injected fault)" : "");
}

struct kmx_instance_object {
    int unused;
};

kmx_instance_object g_instance{};

const char* const function_names[KMXSIM_FN_COUNT] = {
    "kmx_open_interface", "kmx_close_interface", "kmx_list", "kmx_dispose_object", "kmx_open",
    "kmx_open_any", "kmx_close", "kmx_get_camera_vendor_desc", "kmx_get_camera_vendor_prefix",
    "kmx_get_camera_product_desc", "kmx_camera_vendor_desc", "kmx_camera_vendor_prefix",
    "kmx_camera_product_desc", "kmx_setup_camera", "kmx_assign_buffers", "kmx_release_buffers",
    "kmx_start_frame_index", "kmx_start_frame", "kmx_check_for_complete",
    "kmx_check_start_next", "kmx_abort_frame", "kmx_copy_frame", "kmx_copy_roi",
    "kmx_get_param", "kmx_get_param_min", "kmx_get_param_max", "kmx_get_param_default",
    "kmx_set_param", "kmx_get_fparam", "kmx_get_fparam_min", "kmx_get_fparam_max",
    "kmx_get_fparam_default", "kmx_set_fparam", "kmx_get_info", "kmx_get_stat",
    "kmx_reset_stat", "kmx_exp_to_index", "kmx_index_to_exp", "kmx_gain_to_index",
    "kmx_bl_to_index", "kmx_wb_gain_to_index", "kmx_gamma_to_index", "kmx_index_to_gain",
    "kmx_index_to_bl", "kmx_index_to_wb_gain", "kmx_index_to_gamma", "kmx_load_lut",
    "kmx_get_lut", "kmx_awb_roi_index", "kmx_auto_gain_index", "kmx_auto_exp_index",
    "kmx_auto_exp_index_ex", "kmx_awb_roi", "kmx_auto_gain", "kmx_auto_exp",
    "kmx_auto_exp_ex", "kmx_register_event_callback", "kmx_remove_event_callback"};

void copy_text(char (&to)[KMXSIM_TEXT], const char* from)
{
    std::strncpy(to, from, KMXSIM_TEXT - 1);
    to[KMXSIM_TEXT - 1] = '\0';
}

void set_range(kmxsim_camera_desc& d, unsigned id, uint32_t min, uint32_t max, uint32_t def)
{
    d.params[id] = kmxsim_range{min, max, def};
}

void fill_mono_preset(kmxsim_camera_desc& d)
{
    d = kmxsim_camera_desc{};
    d.camera_id = 1;
    d.camera_index = 0;
    d.caps = KMX_CAP_DEPTH8 | KMX_CAP_DEPTH10 | KMX_CAP_DEPTH12 | KMX_CAP_PREVIEW | KMX_CAP_BIN |
             KMX_CAP_TEST_MODE;
    d.serial_no = 1001;
    d.max_width = 640;
    d.max_height = 480;
    d.preview_width = 320;
    d.preview_height = 240;
    set_range(d, KMX_PARAM_GAIN, 0, 1023, 281);
    set_range(d, KMX_PARAM_RED_GAIN, 0, 127, 32);
    set_range(d, KMX_PARAM_GREEN_GAIN, 0, 127, 32);
    set_range(d, KMX_PARAM_BLUE_GAIN, 0, 127, 32);
    set_range(d, KMX_PARAM_EXPOSURE, 0, max_exposure_index, 1000);
    set_range(d, KMX_PARAM_BL, 0, 255, 39);
    set_range(d, KMX_PARAM_RATE, 0, 4, 1);
    set_range(d, KMX_PARAM_FORMAT, 0, 11, 2);
    set_range(d, KMX_PARAM_8, 0, 0xFFFFFFFFu, 0);
    set_range(d, KMX_PARAM_TEST_MODE, 0, 1, 0);
    set_range(d, KMX_PARAM_INVERT, 0, 1, 0);
    set_range(d, KMX_PARAM_11, 0, 0xFFFFFFFFu, 0);
    set_range(d, KMX_PARAM_PREVIEW, 0, 1, 0);
    set_range(d, KMX_PARAM_RED_BOOST, 0, 1, 1);
    set_range(d, KMX_PARAM_BLUE_BOOST, 0, 1, 1);
    set_range(d, KMX_PARAM_BIN, 0, 1, 0);
    set_range(d, KMX_PARAM_19, 0, 0xFFFFFFFFu, 0);
    set_range(d, KMX_PARAM_GAMMA_MODE, 0, 1, 0);
    set_range(d, KMX_PARAM_CONTRAST_MODE, 0, 1, 0);
    set_range(d, KMX_PARAM_CONTRAST, 0, 255, 127);
    d.gamma_min = 0.1;
    d.gamma_max = 3.3;
    d.gamma_default = 1.0;
    copy_text(d.vendor, "Kinemetrix Imaging");
    copy_text(d.vendor_prefix, "KMX");
    copy_text(d.product, "KMX-M640 monochrome");
}

void fill_colour_preset(kmxsim_camera_desc& d)
{
    fill_mono_preset(d);
    d.camera_id = 2;
    d.caps = KMX_CAP_DEPTH8 | KMX_CAP_DEPTH10 | KMX_CAP_DEPTH12 | KMX_CAP_COLOR |
             KMX_CAP_RATE_OFFSET | KMX_CAP_PREVIEW | KMX_CAP_BIN | KMX_CAP_TEST_MODE;
    d.serial_no = 2001;
    d.max_width = 1280;
    d.max_height = 1024;
    d.preview_width = 640;
    d.preview_height = 512;
    d.params[KMX_PARAM_GAIN].def = 404;
    d.params[KMX_PARAM_RED_GAIN].def = 40;
    d.params[KMX_PARAM_GREEN_GAIN].def = 32;
    d.params[KMX_PARAM_BLUE_GAIN].def = 44;
    d.params[KMX_PARAM_RATE].def = 4;
    d.params[KMX_PARAM_GAMMA_MODE].def = 1;
    d.params[KMX_PARAM_FORMAT].def = 4;
    copy_text(d.product, "KMX-C1280 colour");
}

// A description the simulator can serve: sizes that fit the 32-bit frame
// arithmetic, ordered limits, terminated texts.
bool desc_acceptable(const kmxsim_camera_desc& d)
{
    constexpr uint32_t max_side = 16384;
    if (d.max_width == 0 || d.max_height == 0 || d.max_width > max_side || d.max_height > max_side)
        return false;
    if (d.preview_width > d.max_width || d.preview_height > d.max_height)
        return false;
    for (const auto& r : d.params)
        if (r.min > r.max)
            return false;
    if (d.params[KMX_PARAM_EXPOSURE].max > max_exposure_index)
        return false;
    if (!(d.gamma_min <= d.gamma_max))
        return false;
    return std::memchr(d.vendor, 0, KMXSIM_TEXT) && std::memchr(d.vendor_prefix, 0, KMXSIM_TEXT) &&
           std::memchr(d.product, 0, KMXSIM_TEXT);
}

void close_all_cameras_locked()
{
    state().open_cameras.clear();
}

} // namespace

Cstate& state()
{
    static Cstate s;
    // An application that only uses the contract functions must find the
    // preset cameras as from a freshly plugged-in bus, without calling
    // kmxsim_reset first.
    static const bool presets_installed = [] {
        s.cameras.assign(KMXSIM_PRESET_COUNT, kmxsim_camera_desc{});
        fill_mono_preset(s.cameras[KMXSIM_PRESET_MONO]);
        fill_colour_preset(s.cameras[KMXSIM_PRESET_COLOR]);
        return true;
    }();
    (void)presets_installed;
    return s;
}

kmx_instance_t* instance_handle()
{
    return reinterpret_cast<kmx_instance_t*>(&g_instance);
}

kmx_camera_t* to_handle(Ccamera* camera)
{
    return static_cast<kmx_camera_t*>(camera);
}

Ccamera* find_camera_locked(const kmx_camera_t* handle)
{
    if (!handle)
        return nullptr;
    for (auto& c : state().open_cameras)
        if (to_handle(c.get()) == handle)
            return c.get();
    return nullptr;
}

bool camera_open_locked(unsigned slot)
{
    for (auto& c : state().open_cameras)
        if (c->slot == slot)
            return true;
    return false;
}

uint64_t now_us_locked()
{
    Cstate& s = state();
    if (s.virtual_clock)
        return s.virtual_now_us;
    using namespace std::chrono;
    static const steady_clock::time_point origin = steady_clock::now();
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now() - origin).count());
}

void reset_locked()
{
    Cstate& s = state();
    close_all_cameras_locked();
    s.lists.clear();
    s.cameras.assign(KMXSIM_PRESET_COUNT, kmxsim_camera_desc{});
    fill_mono_preset(s.cameras[KMXSIM_PRESET_MONO]);
    fill_colour_preset(s.cameras[KMXSIM_PRESET_COLOR]);
    s.instance_open = false;
    s.recording = false;
    s.calls.clear();
    for (auto& f : s.faults)
        f = Cfault{};
    s.virtual_clock = false;
    s.polls_per_frame = 0;
    s.virtual_now_us = 0;
    s.script.clear();
    s.prerendered = 0;
}

Centry::Centry(kmxsim_fn fn, const void* handle, std::initializer_list<uint64_t> args)
    : lock_(state().mutex)
{
    call_.fn = fn;
    call_.handle = handle;
    for (uint64_t a : args) {
        if (call_.nargs == KMXSIM_MAX_ARGS)
            break;
        call_.args[call_.nargs++] = a;
    }
    Cfault& f = state().faults[fn];
    if (!f.armed)
        return;
    const unsigned seen = f.calls++;
    if (seen < f.skip)
        return;
    if (f.times != 0 && seen - f.skip >= f.times)
        return;
    faulted_ = true;
    fault_status_ = f.status;
}

int Centry::finish(int status)
{
    if (!lock_.owns_lock())
        lock_.lock();
    call_.status = status;
    finished_ = true;
    if (state().recording)
        state().calls.push_back(call_);
    return status;
}

Centry::~Centry()
{
    if (lock_.owns_lock())
        lock_.unlock();
    log_call(call_, finished_, faulted_);
}

} // namespace kmxsim

using namespace kmxsim;

extern "C" {

KMXLIB_API void kmxlib_set_log_sink(const kmxlib_log_sink* sink) { kmx_log::use_sink(sink); }

KMXLIB_API const char* kmxsim_fn_name(kmxsim_fn fn)
{
    const int i = static_cast<int>(fn);
    if (i < 0 || i >= KMXSIM_FN_COUNT)
        return "?";
    return function_names[i];
}

KMXLIB_API int kmxsim_preset_desc(kmxsim_preset preset, kmxsim_camera_desc* desc)
{
    if (!desc)
        return KMX_ERR_BAD_ARGUMENT;
    switch (preset) {
    case KMXSIM_PRESET_MONO:
        fill_mono_preset(*desc);
        return KMX_OK;
    case KMXSIM_PRESET_COLOR:
        fill_colour_preset(*desc);
        return KMX_OK;
    default:
        return KMX_ERR_BAD_ARGUMENT;
    }
}

KMXLIB_API void kmxsim_reset(void)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    reset_locked();
}

KMXLIB_API void kmxsim_clear_cameras(void)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    close_all_cameras_locked();
    state().cameras.clear();
}

KMXLIB_API int kmxsim_add_camera(const kmxsim_camera_desc* desc)
{
    if (!desc || !desc_acceptable(*desc))
        return -1;
    std::lock_guard<std::mutex> lock(state().mutex);
    state().cameras.push_back(*desc);
    return static_cast<int>(state().cameras.size() - 1);
}

KMXLIB_API unsigned kmxsim_camera_count(void)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return static_cast<unsigned>(state().cameras.size());
}

KMXLIB_API int kmxsim_get_camera(unsigned slot, kmxsim_camera_desc* desc)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    if (!desc || slot >= state().cameras.size())
        return KMX_ERR_BAD_ARGUMENT;
    *desc = state().cameras[slot];
    return KMX_OK;
}

KMXLIB_API int kmxsim_set_camera(unsigned slot, const kmxsim_camera_desc* desc)
{
    if (!desc || !desc_acceptable(*desc))
        return KMX_ERR_BAD_ARGUMENT;
    std::lock_guard<std::mutex> lock(state().mutex);
    if (slot >= state().cameras.size())
        return KMX_ERR_BAD_ARGUMENT;
    // An open camera keeps the description it was opened with.
    state().cameras[slot] = *desc;
    return KMX_OK;
}

KMXLIB_API int kmxsim_camera_slot(const kmx_camera_t* camera)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    const Ccamera* c = find_camera_locked(camera);
    return c ? static_cast<int>(c->slot) : -1;
}

KMXLIB_API void kmxsim_record(int on)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().recording = on != 0;
}

KMXLIB_API void kmxsim_clear_calls(void)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().calls.clear();
}

KMXLIB_API size_t kmxsim_call_count(void)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().calls.size();
}

KMXLIB_API int kmxsim_get_call(size_t i, kmxsim_call* call)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    if (!call || i >= state().calls.size())
        return 0;
    *call = state().calls[i];
    return 1;
}

KMXLIB_API size_t kmxsim_count_calls(kmxsim_fn fn)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return static_cast<size_t>(std::count_if(state().calls.begin(), state().calls.end(),
                                             [fn](const kmxsim_call& c) { return c.fn == fn; }));
}

KMXLIB_API void kmxsim_fail(kmxsim_fn fn, int status, unsigned times, unsigned skip)
{
    const int i = static_cast<int>(fn);
    if (i < 0 || i >= KMXSIM_FN_COUNT)
        return;
    std::lock_guard<std::mutex> lock(state().mutex);
    state().faults[i] = Cfault{true, status, times, skip, 0};
}

KMXLIB_API void kmxsim_clear_fault(kmxsim_fn fn)
{
    const int i = static_cast<int>(fn);
    if (i < 0 || i >= KMXSIM_FN_COUNT)
        return;
    std::lock_guard<std::mutex> lock(state().mutex);
    state().faults[i] = Cfault{};
}

KMXLIB_API void kmxsim_clear_faults(void)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    for (auto& f : state().faults)
        f = Cfault{};
}

KMXLIB_API void kmxsim_use_virtual_clock(int on, unsigned polls_per_frame)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    Cstate& s = state();
    if (on && !s.virtual_clock)
        s.virtual_now_us = 0;
    s.virtual_clock = on != 0;
    s.polls_per_frame = polls_per_frame;
    // A frame in progress is re-timed on the clock now in use.
    const uint64_t now = now_us_locked();
    for (auto& c : s.open_cameras) {
        if (!c->job.active)
            continue;
        const uint64_t length = c->job.end_us - c->job.start_us;
        c->job.start_us = now;
        c->job.end_us = now + length;
        c->job.busy_polls = 0;
    }
}

KMXLIB_API void kmxsim_advance_us(uint64_t microseconds)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().virtual_now_us += microseconds;
}

KMXLIB_API uint64_t kmxsim_now_us(void)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return now_us_locked();
}

KMXLIB_API uint32_t kmxsim_frames_delivered(const kmx_camera_t* camera)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    const Ccamera* c = find_camera_locked(camera);
    return c ? c->delivered : 0;
}

KMXLIB_API void kmxsim_script_flat_frames(const uint32_t* values, unsigned count)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().script.clear();
    if (!values)
        return;
    count = std::min(count, max_script_values);
    state().script.assign(values, values + count);
}

KMXLIB_API void kmxsim_prerender_frames(unsigned count)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().prerendered = std::min(count, max_prerendered_frames);
}

} // extern "C"

namespace kmxsim {

void* make_camera_list_locked()
{
    kmx_camera_list* list = state().lists.make();
    for (const auto& d : state().cameras)
        list->cameras.emplace_back(d.camera_id, d.camera_index); // (id, index) of every camera
    return list;
}

bool dispose_camera_list_locked(void* object)
{
    return state().lists.dispose(object);
}

} // namespace kmxsim
