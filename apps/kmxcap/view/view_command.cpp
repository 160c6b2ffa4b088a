// SPDX-License-Identifier: Apache-2.0
#include "view_command.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include "abort_watch.h"
#include "kmxcore/capture/thread_state.h"
#include "kmxlib/kmxlib_dispatch.h"
#include "session.h"
#include "view_server.h"

namespace kmxcap {

namespace {

// The capture thread's completion checks rest this long after each busy
// answer instead of spinning (see Cpatient_device).
constexpr std::chrono::microseconds busy_nap{250};
// How often the main thread looks whether it was asked to stop.
constexpr std::chrono::milliseconds interrupt_poll{100};
constexpr unsigned text_length = 128;

// A browser that goes away mid-stream must not end the process with
// SIGPIPE: writes to its socket fail instead, and end its stream only.
class Cbroken_pipes_ignored {
public:
    Cbroken_pipes_ignored()
    {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, &previous);
    }
    ~Cbroken_pipes_ignored() { sigaction(SIGPIPE, &previous, nullptr); }
    Cbroken_pipes_ignored(const Cbroken_pipes_ignored&) = delete;
    Cbroken_pipes_ignored& operator=(const Cbroken_pipes_ignored&) = delete;

private:
    struct sigaction previous = {};
};

Cview_identity identity_of(Cdevice& device)
{
    Cview_identity identity;
    char text[text_length] = {};
    device.camera_vendor_desc(text, text_length);
    identity.vendor = text;
    text[0] = '\0';
    device.camera_product_desc(text, text_length);
    identity.product = text;
    const char* library = kmxlib_loaded_library();
    identity.library = library != nullptr ? library : "";
    identity.serial = device.get_serial_no();
    identity.camera_id = device.get_camera_id();
    identity.camera_index = device.get_camera_index();
    identity.width = device.get_max_width();
    identity.height = device.get_max_height();
    identity.colour = device.get_camera_type() == 1;
    return identity;
}

unsigned overlay_of(Eoverlay overlay)
{
    switch (overlay) {
    case Eoverlay::crosshair: return overlay_crosshair;
    case Eoverlay::grid: return overlay_grid;
    default: return overlay_none;
    }
}

} // namespace

Cstatus run_view(const Coptions& options)
{
    Csession session;
    Cstatus status = session.open(options);
    if (!status.is_ok())
        return status;
    status = session.prepare(options, 8);
    if (!status.is_ok())
        return status;
    session.get_device().set_busy_nap(busy_nap);

    const Cview_controls controls(session.get_device());
    const Cview_identity identity = identity_of(session.get_device());
    Cframe_mailbox frames;
    Cframe_hub hub(max_view_streams);
    Cencoder_thread encoder(frames, hub);
    Clive_capture capture(session, frames, overlay_of(options.overlay));
    Cview_server server(capture, hub, encoder, frames, controls, identity);
    std::string why;
    if (!server.bind(options.listen_host, static_cast<int>(options.listen_port), why))
        return Cstatus(exit_listen_failed, why);

    Cthread_state interrupt;
    Cabort_watch watch(interrupt);
    Cbroken_pipes_ignored pipes;
    encoder.start();
    capture.start();
    server.start();
    std::printf("kmxcap view: camera %u:%u (%s %s, serial %u) at %s (Ctrl-C to stop)\n",
                identity.camera_id, identity.camera_index, identity.vendor.c_str(),
                identity.product.c_str(), identity.serial, server.url().c_str());
    std::fflush(stdout);

    while (!interrupt.abort_requested())
        std::this_thread::sleep_for(interrupt_poll);

    // Streams end first, so the server's connections can; then the camera
    // stops and the last frames are drained.
    hub.close();
    server.stop();
    capture.stop();
    encoder.stop();
    session.close();
    std::printf("kmxcap view: stopped, camera closed\n");
    return Cstatus::ok();
}

} // namespace kmxcap
