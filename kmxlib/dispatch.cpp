// SPDX-License-Identifier: Apache-2.0
// The camera-library dispatch: the 58 contract functions, each forwarded
// to the library chosen when the instance is opened (see
// kmxlib_dispatch.h).
//
// The chosen library is loaded with RTLD_LOCAL and every function is taken
// from its own handle, so a library that exports the same kmx_ names as
// this one (they all do) never answers in place of the one selected.
#include "kmxlib/kmxlib_dispatch.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kmxcore/diagnostics/log.h"

namespace {

constexpr size_t max_name_bytes = 4095;
constexpr const char* default_library = "sim";

// One slot per contract function, typed from its declaration.
struct Ctable {
    decltype(&::kmx_open_interface) open_interface = nullptr;
    decltype(&::kmx_close_interface) close_interface = nullptr;
    decltype(&::kmx_list) list = nullptr;
    decltype(&::kmx_dispose_object) dispose_object = nullptr;
    decltype(&::kmx_open) open = nullptr;
    decltype(&::kmx_open_any) open_any = nullptr;
    decltype(&::kmx_close) close = nullptr;
    decltype(&::kmx_get_camera_vendor_desc) get_camera_vendor_desc = nullptr;
    decltype(&::kmx_get_camera_vendor_prefix) get_camera_vendor_prefix = nullptr;
    decltype(&::kmx_get_camera_product_desc) get_camera_product_desc = nullptr;
    decltype(&::kmx_camera_vendor_desc) camera_vendor_desc = nullptr;
    decltype(&::kmx_camera_vendor_prefix) camera_vendor_prefix = nullptr;
    decltype(&::kmx_camera_product_desc) camera_product_desc = nullptr;
    decltype(&::kmx_setup_camera) setup_camera = nullptr;
    decltype(&::kmx_assign_buffers) assign_buffers = nullptr;
    decltype(&::kmx_release_buffers) release_buffers = nullptr;
    decltype(&::kmx_start_frame_index) start_frame_index = nullptr;
    decltype(&::kmx_start_frame) start_frame = nullptr;
    decltype(&::kmx_check_for_complete) check_for_complete = nullptr;
    decltype(&::kmx_check_start_next) check_start_next = nullptr;
    decltype(&::kmx_abort_frame) abort_frame = nullptr;
    decltype(&::kmx_copy_frame) copy_frame = nullptr;
    decltype(&::kmx_copy_roi) copy_roi = nullptr;
    decltype(&::kmx_get_param) get_param = nullptr;
    decltype(&::kmx_get_param_min) get_param_min = nullptr;
    decltype(&::kmx_get_param_max) get_param_max = nullptr;
    decltype(&::kmx_get_param_default) get_param_default = nullptr;
    decltype(&::kmx_set_param) set_param = nullptr;
    decltype(&::kmx_get_fparam) get_fparam = nullptr;
    decltype(&::kmx_get_fparam_min) get_fparam_min = nullptr;
    decltype(&::kmx_get_fparam_max) get_fparam_max = nullptr;
    decltype(&::kmx_get_fparam_default) get_fparam_default = nullptr;
    decltype(&::kmx_set_fparam) set_fparam = nullptr;
    decltype(&::kmx_get_info) get_info = nullptr;
    decltype(&::kmx_get_stat) get_stat = nullptr;
    decltype(&::kmx_reset_stat) reset_stat = nullptr;
    decltype(&::kmx_exp_to_index) exp_to_index = nullptr;
    decltype(&::kmx_index_to_exp) index_to_exp = nullptr;
    decltype(&::kmx_gain_to_index) gain_to_index = nullptr;
    decltype(&::kmx_bl_to_index) bl_to_index = nullptr;
    decltype(&::kmx_wb_gain_to_index) wb_gain_to_index = nullptr;
    decltype(&::kmx_gamma_to_index) gamma_to_index = nullptr;
    decltype(&::kmx_index_to_gain) index_to_gain = nullptr;
    decltype(&::kmx_index_to_bl) index_to_bl = nullptr;
    decltype(&::kmx_index_to_wb_gain) index_to_wb_gain = nullptr;
    decltype(&::kmx_index_to_gamma) index_to_gamma = nullptr;
    decltype(&::kmx_load_lut) load_lut = nullptr;
    decltype(&::kmx_get_lut) get_lut = nullptr;
    decltype(&::kmx_awb_roi_index) awb_roi_index = nullptr;
    decltype(&::kmx_auto_gain_index) auto_gain_index = nullptr;
    decltype(&::kmx_auto_exp_index) auto_exp_index = nullptr;
    decltype(&::kmx_auto_exp_index_ex) auto_exp_index_ex = nullptr;
    decltype(&::kmx_awb_roi) awb_roi = nullptr;
    decltype(&::kmx_auto_gain) auto_gain = nullptr;
    decltype(&::kmx_auto_exp) auto_exp = nullptr;
    decltype(&::kmx_auto_exp_ex) auto_exp_ex = nullptr;
    decltype(&::kmx_register_event_callback) register_event_callback = nullptr;
    decltype(&::kmx_remove_event_callback) remove_event_callback = nullptr;
};

// Fills slots from a library handle; remembers the first name it lacks.
class Cbinder {
public:
    explicit Cbinder(void* handle) : handle_(handle) {}

    template <class F>
    Cbinder& operator()(F& slot, const char* name)
    {
        if (!missing_.empty())
            return *this;
        void* address = dlsym(handle_, name);
        if (address == nullptr)
            missing_ = name;
        else
            std::memcpy(&slot, &address, sizeof slot); // object to function pointer
        return *this;
    }
    const std::string& missing() const { return missing_; }

private:
    void* handle_;
    std::string missing_;
};

std::string bind_all(void* handle, Ctable& t)
{
    Cbinder bind(handle);
    bind(t.open_interface, "kmx_open_interface")(t.close_interface, "kmx_close_interface")
        (t.list, "kmx_list")(t.dispose_object, "kmx_dispose_object")(t.open, "kmx_open")
        (t.open_any, "kmx_open_any")(t.close, "kmx_close")
        (t.get_camera_vendor_desc, "kmx_get_camera_vendor_desc")
        (t.get_camera_vendor_prefix, "kmx_get_camera_vendor_prefix")
        (t.get_camera_product_desc, "kmx_get_camera_product_desc")
        (t.camera_vendor_desc, "kmx_camera_vendor_desc")
        (t.camera_vendor_prefix, "kmx_camera_vendor_prefix")
        (t.camera_product_desc, "kmx_camera_product_desc")
        (t.setup_camera, "kmx_setup_camera")(t.assign_buffers, "kmx_assign_buffers")
        (t.release_buffers, "kmx_release_buffers")(t.start_frame_index, "kmx_start_frame_index")
        (t.start_frame, "kmx_start_frame")(t.check_for_complete, "kmx_check_for_complete")
        (t.check_start_next, "kmx_check_start_next")(t.abort_frame, "kmx_abort_frame")
        (t.copy_frame, "kmx_copy_frame")(t.copy_roi, "kmx_copy_roi")
        (t.get_param, "kmx_get_param")(t.get_param_min, "kmx_get_param_min")
        (t.get_param_max, "kmx_get_param_max")(t.get_param_default, "kmx_get_param_default")
        (t.set_param, "kmx_set_param")(t.get_fparam, "kmx_get_fparam")
        (t.get_fparam_min, "kmx_get_fparam_min")(t.get_fparam_max, "kmx_get_fparam_max")
        (t.get_fparam_default, "kmx_get_fparam_default")(t.set_fparam, "kmx_set_fparam")
        (t.get_info, "kmx_get_info")(t.get_stat, "kmx_get_stat")(t.reset_stat, "kmx_reset_stat")
        (t.exp_to_index, "kmx_exp_to_index")(t.index_to_exp, "kmx_index_to_exp")
        (t.gain_to_index, "kmx_gain_to_index")(t.bl_to_index, "kmx_bl_to_index")
        (t.wb_gain_to_index, "kmx_wb_gain_to_index")(t.gamma_to_index, "kmx_gamma_to_index")
        (t.index_to_gain, "kmx_index_to_gain")(t.index_to_bl, "kmx_index_to_bl")
        (t.index_to_wb_gain, "kmx_index_to_wb_gain")(t.index_to_gamma, "kmx_index_to_gamma")
        (t.load_lut, "kmx_load_lut")(t.get_lut, "kmx_get_lut")
        (t.awb_roi_index, "kmx_awb_roi_index")(t.auto_gain_index, "kmx_auto_gain_index")
        (t.auto_exp_index, "kmx_auto_exp_index")(t.auto_exp_index_ex, "kmx_auto_exp_index_ex")
        (t.awb_roi, "kmx_awb_roi")(t.auto_gain, "kmx_auto_gain")(t.auto_exp, "kmx_auto_exp")
        (t.auto_exp_ex, "kmx_auto_exp_ex")
        (t.register_event_callback, "kmx_register_event_callback")
        (t.remove_event_callback, "kmx_remove_event_callback");
    return bind.missing();
}

using set_sink_function = void (*)(const kmxlib_log_sink*);

// A loaded camera library. Never unloaded (see the header).
struct Cloaded {
    std::string file;  // as dlopen found it
    void* handle = nullptr;
    Ctable table;
    set_sink_function set_sink = nullptr;  // optional
};

struct Cdispatch {
    std::mutex mutex;
    std::string selected;  // empty: the environment decides
    bool instance_open = false;
    std::string last_error;
    std::vector<std::unique_ptr<Cloaded>> loaded;
    std::atomic<const Cloaded*> current{nullptr};
    const kmxlib_log_sink* sink = nullptr;  // handed over by kmxcore
};

// Never destroyed: kmxcore hands its log channel back (a call in here)
// from its own static destructors, which may run after ours would.
Cdispatch& dispatch()
{
    static Cdispatch& d = *new Cdispatch;
    return d;
}

// The folder this library was loaded from, with a trailing slash, or "".
std::string own_folder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&kmxlib_select), &info) == 0 || info.dli_fname == nullptr)
        return std::string();
    const std::string file(info.dli_fname);
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

// The file a short name stands for, or "" when it is no short name.
std::string short_name_file(const std::string& name)
{
    if (name == "sim")
        return KMXLIB_SIM_FILE;
    if (name == "aravis")
        return KMXLIB_ARAVIS_FILE;
    return std::string();
}

std::string chosen_name_locked()
{
    const Cdispatch& d = dispatch();
    if (!d.selected.empty())
        return d.selected;
    const char* env = std::getenv(KMXLIB_ENVIRONMENT);
    if (env != nullptr && env[0] != '\0')
        return env;
    return default_library;
}

// Opens a library: a short name next to this library, then through the
// search path; any other name as given. On failure `error` says why.
void* open_library(const std::string& name, std::string& error)
{
    const std::string file = short_name_file(name);
    std::vector<std::string> candidates;
    if (file.empty()) {
        candidates.push_back(name);
    } else {
        const std::string folder = own_folder();
        if (!folder.empty())
            candidates.push_back(folder + file);
        candidates.push_back(file);
    }
    for (const std::string& candidate : candidates) {
        dlerror();
        void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle != nullptr)
            return handle;
        const char* why = dlerror();
        error = why != nullptr ? why : "unknown reason";
    }
    error = "camera library '" + name + "' could not be loaded: " + error;
    return nullptr;
}

// The loaded library of that name, loading and binding it if needed; on
// failure null, with the status and the reason in `error`.
const Cloaded* load_locked(const std::string& name, int& status, std::string& error)
{
    status = KMX_ERR_NOT_FOUND;
    void* handle = open_library(name, error);
    if (handle == nullptr)
        return nullptr;
    Cdispatch& d = dispatch();
    for (const auto& loaded : d.loaded) {
        if (loaded->handle == handle) {
            dlclose(handle); // drops the extra reference only
            return loaded.get();
        }
    }
    auto loaded = std::make_unique<Cloaded>();
    loaded->handle = handle;
    loaded->file = name;
    Dl_info info{};
    void* probe = dlsym(handle, "kmx_open_interface");
    if (probe != nullptr && dladdr(probe, &info) != 0 && info.dli_fname != nullptr)
        loaded->file = info.dli_fname;
    status = KMX_ERR_NOT_SUPPORTED;
    if (probe == reinterpret_cast<void*>(&kmx_open_interface)) {
        // Forwarding to ourselves would never end.
        error = "camera library '" + name + "' is the dispatch library itself";
    } else {
        const std::string missing = bind_all(handle, loaded->table);
        if (missing.empty()) {
            void* set_sink = dlsym(handle, "kmxlib_set_log_sink");
            std::memcpy(&loaded->set_sink, &set_sink, sizeof set_sink);
            if (loaded->set_sink != nullptr && d.sink != nullptr)
                loaded->set_sink(d.sink);
            d.loaded.push_back(std::move(loaded));
            return d.loaded.back().get();
        }
        error = "camera library '" + name + "' (" + loaded->file + ") lacks " + missing;
    }
    // Nothing of it has run yet, so it can go again.
    dlclose(handle);
    return nullptr;
}

const Ctable* table()
{
    const Cloaded* loaded = dispatch().current.load(std::memory_order_acquire);
    return loaded != nullptr ? &loaded->table : nullptr;
}

// One forwarded call: the status of the library in use, or the null-handle
// answer while none is loaded.
template <class F, class... Args>
int forward(F Ctable::*slot, Args... args)
{
    const Ctable* t = table();
    if (t == nullptr)
        return KMX_ERR_NULL_HANDLE;
    return (t->*slot)(args...);
}

// Thread-local copy of a shared text, so a caller keeps a stable pointer.
const char* thread_copy(const std::string& text)
{
    thread_local std::string copy;
    copy = text;
    return copy.c_str();
}

} // namespace

extern "C" {

KMXLIB_API int kmxlib_select(const char* name)
{
    Cdispatch& d = dispatch();
    std::lock_guard<std::mutex> lock(d.mutex);
    const std::string wanted = name != nullptr ? name : "";
    if (wanted.size() > max_name_bytes) {
        d.last_error = "camera library name too long";
        return KMX_ERR_BAD_ARGUMENT;
    }
    if (d.instance_open) {
        d.last_error = "the camera library cannot change while its instance is open";
        return KMX_ERR_IN_USE;
    }
    d.selected = wanted;
    d.last_error.clear();
    return KMX_OK;
}

KMXLIB_API const char* kmxlib_last_error(void)
{
    Cdispatch& d = dispatch();
    std::lock_guard<std::mutex> lock(d.mutex);
    return thread_copy(d.last_error);
}

KMXLIB_API const char* kmxlib_loaded_library(void)
{
    const Cloaded* loaded = dispatch().current.load(std::memory_order_acquire);
    return thread_copy(loaded != nullptr ? loaded->file : std::string());
}

KMXLIB_API void kmxlib_set_log_sink(const kmxlib_log_sink* sink)
{
    Cdispatch& d = dispatch();
    std::lock_guard<std::mutex> lock(d.mutex);
    d.sink = sink;
    kmx_log::use_sink(sink);
    for (const auto& loaded : d.loaded)
        if (loaded->set_sink != nullptr)
            loaded->set_sink(sink);
}

KMXLIB_API void* kmxlib_symbol(const char* name)
{
    const Cloaded* loaded = dispatch().current.load(std::memory_order_acquire);
    if (loaded == nullptr || name == nullptr)
        return nullptr;
    return dlsym(loaded->handle, name);
}

/* Instance and cameras ------------------------------------------------- */

KMXLIB_API int kmx_open_interface(kmx_instance_t** instance)
{
    Cdispatch& d = dispatch();
    std::lock_guard<std::mutex> lock(d.mutex);
    const std::string name = chosen_name_locked();
    std::string error;
    int failure = KMX_OK;
    const Cloaded* loaded = load_locked(name, failure, error);
    if (loaded == nullptr) {
        d.last_error = error;
        kmx_log::write(KMX_LOG_CAMERA, KMX_LOG_ERROR, "%s", error.c_str());
        return failure;
    }
    d.current.store(loaded, std::memory_order_release);
    const int status = loaded->table.open_interface(instance);
    d.instance_open = d.instance_open || status == KMX_OK;
    d.last_error = status == KMX_OK ? std::string()
                                    : "camera library '" + name + "' refused to open (status " +
                                          std::to_string(status) + ")";
    return status;
}

KMXLIB_API int kmx_close_interface(kmx_instance_t** instance)
{
    Cdispatch& d = dispatch();
    std::lock_guard<std::mutex> lock(d.mutex);
    const int status = forward(&Ctable::close_interface, instance);
    if (status == KMX_OK)
        d.instance_open = false;
    return status;
}

KMXLIB_API int kmx_list(kmx_instance_t* instance, kmx_camera_list_t** list)
{
    return forward(&Ctable::list, instance, list);
}

KMXLIB_API int kmx_dispose_object(void** object)
{
    return forward(&Ctable::dispose_object, object);
}

KMXLIB_API int kmx_open(kmx_instance_t* instance, unsigned camera_id, unsigned camera_index,
                        kmx_camera_t** camera)
{
    return forward(&Ctable::open, instance, camera_id, camera_index, camera);
}

KMXLIB_API int kmx_open_any(kmx_instance_t* instance, unsigned* camera_id,
                            unsigned* camera_index, kmx_camera_t** camera)
{
    return forward(&Ctable::open_any, instance, camera_id, camera_index, camera);
}

KMXLIB_API int kmx_close(kmx_instance_t* instance, kmx_camera_t** camera)
{
    return forward(&Ctable::close, instance, camera);
}

KMXLIB_API int kmx_get_camera_vendor_desc(kmx_instance_t* instance, unsigned camera_id,
                                          unsigned camera_index, char* text, unsigned length)
{
    return forward(&Ctable::get_camera_vendor_desc, instance, camera_id, camera_index, text,
                   length);
}

KMXLIB_API int kmx_get_camera_vendor_prefix(kmx_instance_t* instance, unsigned camera_id,
                                            unsigned camera_index, char* text, unsigned length)
{
    return forward(&Ctable::get_camera_vendor_prefix, instance, camera_id, camera_index, text,
                   length);
}

KMXLIB_API int kmx_get_camera_product_desc(kmx_instance_t* instance, unsigned camera_id,
                                           unsigned camera_index, char* text, unsigned length)
{
    return forward(&Ctable::get_camera_product_desc, instance, camera_id, camera_index, text,
                   length);
}

KMXLIB_API int kmx_camera_vendor_desc(kmx_camera_t* camera, char* text, unsigned length)
{
    return forward(&Ctable::camera_vendor_desc, camera, text, length);
}

KMXLIB_API int kmx_camera_vendor_prefix(kmx_camera_t* camera, char* text, unsigned length)
{
    return forward(&Ctable::camera_vendor_prefix, camera, text, length);
}

KMXLIB_API int kmx_camera_product_desc(kmx_camera_t* camera, char* text, unsigned length)
{
    return forward(&Ctable::camera_product_desc, camera, text, length);
}

/* Frames --------------------------------------------------------------- */

KMXLIB_API int kmx_setup_camera(kmx_camera_t* camera, unsigned value)
{
    return forward(&Ctable::setup_camera, camera, value);
}

KMXLIB_API int kmx_assign_buffers(kmx_camera_t* camera, kmx_frame_t* frames, unsigned count)
{
    return forward(&Ctable::assign_buffers, camera, frames, count);
}

KMXLIB_API int kmx_release_buffers(kmx_camera_t* camera)
{
    return forward(&Ctable::release_buffers, camera);
}

KMXLIB_API int kmx_start_frame_index(kmx_camera_t* camera, unsigned index)
{
    return forward(&Ctable::start_frame_index, camera, index);
}

KMXLIB_API int kmx_start_frame(kmx_camera_t* camera, kmx_frame_t* frame)
{
    return forward(&Ctable::start_frame, camera, frame);
}

KMXLIB_API int kmx_check_for_complete(kmx_camera_t* camera)
{
    return forward(&Ctable::check_for_complete, camera);
}

KMXLIB_API int kmx_check_start_next(kmx_camera_t* camera, unsigned char flag)
{
    return forward(&Ctable::check_start_next, camera, flag);
}

KMXLIB_API int kmx_abort_frame(kmx_camera_t* camera)
{
    return forward(&Ctable::abort_frame, camera);
}

KMXLIB_API int kmx_copy_frame(kmx_camera_t* camera, kmx_frame_t* frame, unsigned format,
                              unsigned char* pixels, RECT rect, unsigned rowbytes)
{
    return forward(&Ctable::copy_frame, camera, frame, format, pixels, rect, rowbytes);
}

KMXLIB_API int kmx_copy_roi(kmx_camera_t* camera, kmx_frame_t* frame, RECT source,
                            unsigned format, unsigned char* pixels, RECT rect, unsigned rowbytes)
{
    return forward(&Ctable::copy_roi, camera, frame, source, format, pixels, rect, rowbytes);
}

/* Parameters and information ------------------------------------------- */

KMXLIB_API int kmx_get_param(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return forward(&Ctable::get_param, camera, id, value);
}

KMXLIB_API int kmx_get_param_min(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return forward(&Ctable::get_param_min, camera, id, value);
}

KMXLIB_API int kmx_get_param_max(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return forward(&Ctable::get_param_max, camera, id, value);
}

KMXLIB_API int kmx_get_param_default(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return forward(&Ctable::get_param_default, camera, id, value);
}

KMXLIB_API int kmx_set_param(kmx_camera_t* camera, unsigned id, unsigned value)
{
    return forward(&Ctable::set_param, camera, id, value);
}

KMXLIB_API int kmx_get_fparam(kmx_camera_t* camera, unsigned id, double* value)
{
    return forward(&Ctable::get_fparam, camera, id, value);
}

KMXLIB_API int kmx_get_fparam_min(kmx_camera_t* camera, unsigned id, double* value)
{
    return forward(&Ctable::get_fparam_min, camera, id, value);
}

KMXLIB_API int kmx_get_fparam_max(kmx_camera_t* camera, unsigned id, double* value)
{
    return forward(&Ctable::get_fparam_max, camera, id, value);
}

KMXLIB_API int kmx_get_fparam_default(kmx_camera_t* camera, unsigned id, double* value)
{
    return forward(&Ctable::get_fparam_default, camera, id, value);
}

KMXLIB_API int kmx_set_fparam(kmx_camera_t* camera, unsigned id, double value)
{
    return forward(&Ctable::set_fparam, camera, id, value);
}

KMXLIB_API int kmx_get_info(kmx_camera_t* camera, unsigned key, unsigned* value)
{
    return forward(&Ctable::get_info, camera, key, value);
}

KMXLIB_API int kmx_get_stat(kmx_camera_t* camera, unsigned id, unsigned* value)
{
    return forward(&Ctable::get_stat, camera, id, value);
}

KMXLIB_API int kmx_reset_stat(kmx_camera_t* camera, unsigned id)
{
    return forward(&Ctable::reset_stat, camera, id);
}

/* Conversions ---------------------------------------------------------- */

KMXLIB_API int kmx_exp_to_index(kmx_camera_t* camera, unsigned exposure, unsigned* index)
{
    return forward(&Ctable::exp_to_index, camera, exposure, index);
}

KMXLIB_API int kmx_index_to_exp(kmx_camera_t* camera, unsigned index, unsigned* exposure)
{
    return forward(&Ctable::index_to_exp, camera, index, exposure);
}

KMXLIB_API int kmx_gain_to_index(kmx_camera_t* camera, double gain, unsigned* index)
{
    return forward(&Ctable::gain_to_index, camera, gain, index);
}

KMXLIB_API int kmx_bl_to_index(kmx_camera_t* camera, double bl, unsigned* index)
{
    return forward(&Ctable::bl_to_index, camera, bl, index);
}

KMXLIB_API int kmx_wb_gain_to_index(kmx_camera_t* camera, double gain, unsigned* index)
{
    return forward(&Ctable::wb_gain_to_index, camera, gain, index);
}

KMXLIB_API int kmx_gamma_to_index(kmx_camera_t* camera, double gamma, unsigned* index)
{
    return forward(&Ctable::gamma_to_index, camera, gamma, index);
}

KMXLIB_API int kmx_index_to_gain(kmx_camera_t* camera, unsigned index, double* gain)
{
    return forward(&Ctable::index_to_gain, camera, index, gain);
}

KMXLIB_API int kmx_index_to_bl(kmx_camera_t* camera, unsigned index, double* bl)
{
    return forward(&Ctable::index_to_bl, camera, index, bl);
}

KMXLIB_API int kmx_index_to_wb_gain(kmx_camera_t* camera, unsigned index, double* gain)
{
    return forward(&Ctable::index_to_wb_gain, camera, index, gain);
}

KMXLIB_API int kmx_index_to_gamma(kmx_camera_t* camera, unsigned index, double* gamma)
{
    return forward(&Ctable::index_to_gamma, camera, index, gamma);
}

/* Look-up table --------------------------------------------------------- */

KMXLIB_API int kmx_load_lut(kmx_camera_t* camera, unsigned char* table, unsigned length)
{
    return forward(&Ctable::load_lut, camera, table, length);
}

KMXLIB_API int kmx_get_lut(kmx_camera_t* camera, unsigned char* table, unsigned length)
{
    return forward(&Ctable::get_lut, camera, table, length);
}

/* Automatic procedures ------------------------------------------------- */

KMXLIB_API int kmx_awb_roi_index(kmx_camera_t* camera, unsigned index,
                                 kmx_progress_callback callback, uintptr_t user, RECT region)
{
    return forward(&Ctable::awb_roi_index, camera, index, callback, user, region);
}

KMXLIB_API int kmx_auto_gain_index(kmx_camera_t* camera, unsigned index,
                                   kmx_progress_callback callback, uintptr_t user,
                                   unsigned lowest_gain, unsigned highest_gain)
{
    return forward(&Ctable::auto_gain_index, camera, index, callback, user, lowest_gain,
                   highest_gain);
}

KMXLIB_API int kmx_auto_exp_index(kmx_camera_t* camera, unsigned index,
                                  kmx_progress_callback callback, uintptr_t user,
                                  unsigned lowest_exposure, unsigned highest_exposure)
{
    return forward(&Ctable::auto_exp_index, camera, index, callback, user, lowest_exposure,
                   highest_exposure);
}

KMXLIB_API int kmx_auto_exp_index_ex(kmx_camera_t* camera, unsigned index,
                                     kmx_progress_callback callback, uintptr_t user,
                                     unsigned lowest_exposure, unsigned highest_exposure,
                                     unsigned lowest_gain, unsigned highest_gain)
{
    return forward(&Ctable::auto_exp_index_ex, camera, index, callback, user, lowest_exposure,
                   highest_exposure, lowest_gain, highest_gain);
}

KMXLIB_API int kmx_awb_roi(kmx_camera_t* camera, kmx_frame_t* frame,
                           kmx_progress_callback callback, uintptr_t user, RECT region)
{
    return forward(&Ctable::awb_roi, camera, frame, callback, user, region);
}

KMXLIB_API int kmx_auto_gain(kmx_camera_t* camera, kmx_frame_t* frame,
                             kmx_progress_callback callback, uintptr_t user,
                             unsigned lowest_gain, unsigned highest_gain)
{
    return forward(&Ctable::auto_gain, camera, frame, callback, user, lowest_gain, highest_gain);
}

KMXLIB_API int kmx_auto_exp(kmx_camera_t* camera, kmx_frame_t* frame,
                            kmx_progress_callback callback, uintptr_t user,
                            unsigned lowest_exposure, unsigned highest_exposure)
{
    return forward(&Ctable::auto_exp, camera, frame, callback, user, lowest_exposure,
                   highest_exposure);
}

KMXLIB_API int kmx_auto_exp_ex(kmx_camera_t* camera, kmx_frame_t* frame,
                               kmx_progress_callback callback, uintptr_t user,
                               unsigned lowest_exposure, unsigned highest_exposure,
                               unsigned lowest_gain, unsigned highest_gain)
{
    return forward(&Ctable::auto_exp_ex, camera, frame, callback, user, lowest_exposure,
                   highest_exposure, lowest_gain, highest_gain);
}

/* Events --------------------------------------------------------------- */

KMXLIB_API int kmx_register_event_callback(kmx_camera_t* camera, unsigned event,
                                           kmx_event_callback callback, uintptr_t context,
                                           unsigned reserved)
{
    return forward(&Ctable::register_event_callback, camera, event, callback, context, reserved);
}

KMXLIB_API int kmx_remove_event_callback(kmx_camera_t* camera, unsigned event)
{
    return forward(&Ctable::remove_event_callback, camera, event);
}

} // extern "C"
