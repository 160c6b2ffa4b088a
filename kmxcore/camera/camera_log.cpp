// SPDX-License-Identifier: Apache-2.0
// Handing kmxcore's diagnostics channel to the camera library.
//
// A camera library may export kmxlib_set_log_sink (kmxlib.h); the one
// kmxcore is linked with is asked for it when the library instance opens.
// Where it exists the camera library's messages obey kmxcore's KMX_LOG and
// reach the application's log callback; where it does not, nothing
// changes. When kmxcore is unloaded the camera library gets its own
// channel back, so it never calls into code that is gone.
#include "kmxcore/camera/camera_log.h"

#include "kmxcore/diagnostics/log.h"
#include "kmx_platform.h"

#if !defined(_WIN32)
// A weak reference: null when the camera library does not export it.
extern "C" __attribute__((weak)) void kmxlib_set_log_sink(const kmxlib_log_sink* sink);
#endif

namespace {

using set_sink_function = void (*)(const kmxlib_log_sink*);

set_sink_function find_set_sink()
{
#if defined(_WIN32)
    // Asks the DLL that provides the contract's functions.
    HMODULE module = nullptr;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                        GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExA(flags, reinterpret_cast<LPCSTR>(&kmx_open_interface), &module))
        return nullptr;
    return reinterpret_cast<set_sink_function>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "kmxlib_set_log_sink")));
#else
    return &kmxlib_set_log_sink;
#endif
}

class Csink_detacher {
public:
    explicit Csink_detacher(set_sink_function set_sink) : set(set_sink) {}
    ~Csink_detacher() { set(nullptr); }
    Csink_detacher(const Csink_detacher&) = delete;
    Csink_detacher& operator=(const Csink_detacher&) = delete;

private:
    set_sink_function set;
};

} // namespace

void share_log_with_camera_library()
{
    const set_sink_function set_sink = find_set_sink();
    if (set_sink == nullptr)
        return;
    // Made once, destroyed when kmxcore is unloaded or the process ends.
    static Csink_detacher detacher(set_sink);
    set_sink(kmx_log::own_sink());
}
