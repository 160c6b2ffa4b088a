// SPDX-License-Identifier: Apache-2.0
// Opening and closing a camera, and its acquisitions.
#include "session.h"

#include <climits>
#include <cstdint>

#include <kmxcore/diagnostics.h>
#include <kmxcore/image/fw_image.h>
#include <kmxcore/image/iformat.h>
#include <kmxcore/image/image.h>

#include "failure.h"

namespace kmx_python {

namespace {

constexpr unsigned byte_depth = 8;
// The capture's averaging mode that divides the sums by the frame count.
constexpr unsigned average_mean = 1;
// The most frames whose 32-bit sums cannot overflow: every component at
// its maximum, `max_value` added that often, still fits.
unsigned most_frames(unsigned max_value) { return UINT32_MAX / max_value; }

// Retries an attempt as Ccapture::get_frame does: after CAPTURE_ERROR_13,
// CAPTURE_ERROR_16 or CAPTURE_STOPPED, up to `retries` more times.
template <typename Attempt>
int retried(unsigned retries, Attempt attempt)
{
    int result = CAPTURE_FAILED;
    for (unsigned n = 0; n <= retries; ++n) {
        result = attempt();
        if (result == CAPTURE_OK || result == CAPTURE_FAILED)
            break;
    }
    return result;
}

std::string camera_words(unsigned id, unsigned index)
{
    return std::to_string(id) + ":" + std::to_string(index);
}

unsigned check_frames(long long frames, unsigned most)
{
    if (frames < 1 || frames > static_cast<long long>(most))
        throw Crange_error("frames " + std::to_string(frames) + " is out of range: valid 1.." +
                           std::to_string(most));
    return static_cast<unsigned>(frames);
}

} // namespace

// --- the device and the capture ------------------------------------------

void Csession_device::close()
{
    // What Cdevice::close does, but the pool's memory stays: a view of a
    // buffer may outlive the camera. ~Cdevice frees it.
    bpool.release();
    if (camera != nullptr)
        kmx_close(instance, &camera);
    camera = nullptr;
}

int Csession_capture::deep_snap(unsigned depth, Cthread_state* state)
{
    return retried(no_retries, [&] { return get_deep_frame(depth, state); });
}

int Csession_capture::raw_snap(Cthread_state* state)
{
    return retried(no_retries, [&] { return get_raw_frame(state); });
}

// The capture's own averaging fields, as a set-up with averaging on would
// leave them: no camera call is needed to change the frame count.
void Csession_capture::average_over(unsigned frames)
{
    average_opt = average_mean;
    average_frames = frames;
}

int Csession_capture::average8(unsigned frames, Cthread_state* state)
{
    average_over(frames);
    return process_multi_frame8(state);
}

int Csession_capture::average_deep(unsigned frames, unsigned depth, Cthread_state* state)
{
    average_over(frames);
    return process_multi_deep(depth, state);
}

// --- holding the camera for one operation ---------------------------------

Csession::Cuse::Cuse(Csession& used, const char* operation) : session(used)
{
    if (session.user.load() == std::this_thread::get_id())
        throw Cbusy_error(std::string(operation) + " on camera " + session.name() +
                          " from within its own acquisition");
    lock = std::unique_lock<std::mutex>(session.use_mutex, std::try_to_lock);
    if (!lock.owns_lock())
        throw Cbusy_error("camera " + session.name() + " is busy: another thread is using it" +
                          " (stop() or abort() end its acquisition)");
    if (session.closed())
        throw Cclosed_error("camera " + session.name() + " is closed");
    session.user = std::this_thread::get_id();
    session.state.set_watch(session.watch_source ? session.watch_source() : nullptr);
    kmx_clear_camera_failure();
}

Csession::Cuse::~Cuse()
{
    session.state.set_watch(nullptr);
    session.user = std::thread::id();
}

// --- opening and closing ---------------------------------------------------

std::shared_ptr<Csession> Csession::open(const Copen_request& request)
{
    std::shared_ptr<Csession> session(new Csession());
    session->library = Clibrary::acquire(request.library);
    session->open_camera(request);
    return session;
}

void Csession::open_camera(const Copen_request& request)
{
    kmx_clear_camera_failure();
    unsigned id = request.camera_id;
    unsigned index = request.camera_index;
    const int opened = request.any ? device.open_any(id, index) : device.open(id, index);
    if (opened != 0) {
        Cfailure failure;
        failure.operation = request.any ? std::string("opening a camera")
                                        : "opening camera " + camera_words(id, index);
        failure.detail = request.any ? "no camera could be opened"
                                     : "no such camera, or it is open already";
        take_camera_failure(failure);
        throw Ccamera_error(failure);
    }
    identity = describe_camera(device);
    defaults.init(device.get_camera_handle());
    Ccam_settings settings = defaults;
    // Red, green, blue: the order handed to Python, so frames need no
    // reordering (a camera that refuses keeps its own; the copy reorders).
    if (identity.colour)
        settings.set_format(KMX_FORMAT_RGB24);
    capture.init(&device, &settings);
    if (capture.setup(0, 0) != 0)
        fail("setting up camera " + name(), no_result, false);
    read_limits();
    for (Econtrol id : every_control)
        described.push_back(read_control(id));
    note_frame_size();
    library->register_camera(this, identity);
}

Csession::~Csession()
{
    try {
        close();
    } catch (...) {
        // Closing from within the camera's own wait cannot happen here: the
        // wait holds the session.
    }
}

void Csession::close()
{
    if (user.load() == std::this_thread::get_id())
        throw Cbusy_error("close() of camera " + name() + " from within its own acquisition");
    if (closed())
        return;
    state.set_abort();
    std::lock_guard<std::mutex> lock(use_mutex);
    close_locked();
}

void Csession::close_locked()
{
    if (is_closed.exchange(true))
        return;
    device.close();
    state.clear_abort();
    state.clear_stop();
    if (library) {
        library->forget_camera(this);
        library.reset();
    }
}

std::string Csession::name() const
{
    return camera_words(identity.camera_id, identity.camera_index);
}

void Csession::note_frame_size()
{
    frame_width = capture.get_width();
    frame_height = capture.get_height();
}

// --- failures and frames --------------------------------------------------

void Csession::fail(const std::string& operation, int result, bool auto_result)
{
    Cfailure failure;
    failure.operation = operation;
    failure.result = result;
    failure.auto_result = auto_result;
    take_camera_failure(failure);
    failure.aborted = state.Cthread_state::abort_requested() || state.stop_requested() ||
                      state.watch_gave_up();
    // The requests are spent: the next acquisition starts afresh.
    state.clear_abort();
    state.clear_stop();
    throw Ccamera_error(failure);
}

void Csession::deliver(const Cimage_core* image, const Cframe_sink& sink, const char* operation)
{
    Cframe frame;
    if (image == nullptr || !describe_image(*image, !identity.colour, frame)) {
        Cfailure failure;
        failure.operation = operation;
        failure.detail = "the library delivered no image the module can read";
        throw Ccamera_error(failure);
    }
    frame.renewed = image == capture.get_deep_image();
    sink(frame);
}

// --- acquisitions -----------------------------------------------------------

bool Csession::offers_depth(long long asked) const
{
    for (unsigned offered : identity.depths)
        if (offered == asked)
            return true;
    return false;
}

unsigned Csession::snap_depth(long long asked) const
{
    const long long wanted = asked == 0 ? depth : asked;
    check_range(Econtrol::depth, {wanted});
    return static_cast<unsigned>(wanted);
}

unsigned Csession::deep_average_depth(long long asked) const
{
    long long wanted = asked;
    if (wanted == 0)
        wanted = depth > byte_depth || identity.depths.empty() ? depth : identity.depths.back();
    if (wanted <= byte_depth || !offers_depth(wanted))
        throw Crange_error("deep_average depth " + std::to_string(wanted) + " is not offered: " +
                           (depths_text(true).empty() ? "camera " + name() +
                                                            " offers no deep components"
                                                      : "valid " + depths_text(true)));
    return static_cast<unsigned>(wanted);
}

void Csession::snap(long long asked_depth, const Cframe_sink& sink)
{
    const unsigned frame_depth = snap_depth(asked_depth);
    Cuse use(*this, "snap");
    state.clear_abort();
    state.clear_stop();
    if (frame_depth == byte_depth) {
        const int result = capture.get_frame(&state);
        if (result != CAPTURE_OK)
            fail("snap", result, false);
        deliver(capture.get_image(), sink, "snap");
        return;
    }
    const int result = capture.deep_snap(frame_depth, &state);
    if (result != CAPTURE_OK)
        fail("snap", result, false);
    deliver(capture.get_deep_image(), sink, "snap");
}

void Csession::snap_raw(const Cframe_sink& sink)
{
    Cuse use(*this, "snap_raw");
    state.clear_abort();
    state.clear_stop();
    const int result = capture.raw_snap(&state);
    if (result != CAPTURE_OK)
        fail("snap_raw", result, false);
    Cframe frame;
    const Cfw_image* buffer = capture.get_image();
    // A colour camera's raw output is its mosaic, never complemented.
    if (buffer == nullptr ||
        !describe_raw(*buffer, device.get_max_depth(), !identity.colour, frame)) {
        Cfailure failure;
        failure.operation = "snap_raw";
        failure.detail = "the raw frame does not fit its buffer";
        throw Ccamera_error(failure);
    }
    sink(frame);
}

void Csession::average(long long asked_frames, const Cframe_sink& sink)
{
    const unsigned frames = check_frames(asked_frames, most_frames(UINT8_MAX));
    Cuse use(*this, "average");
    state.clear_abort();
    state.clear_stop();
    const int result = capture.average8(frames, &state);
    if (result != CAPTURE_OK)
        fail("average", result, false);
    deliver(capture.get_image(), sink, "average");
}

void Csession::deep_average(long long asked_frames, long long asked_depth, const Cframe_sink& sink)
{
    const unsigned frame_depth = deep_average_depth(asked_depth);
    const unsigned frames = check_frames(asked_frames, most_frames((1u << frame_depth) - 1));
    Cuse use(*this, "deep_average");
    state.clear_abort();
    state.clear_stop();
    const int result = capture.average_deep(frames, frame_depth, &state);
    if (result != CAPTURE_OK)
        fail("deep_average", result, false);
    deliver(capture.get_deep_image(), sink, "deep_average");
}

void Csession::stream_begin()
{
    Cuse use(*this, "stream");
    state.clear_abort();
    state.clear_stop();
    if (capture.start_frame(0u, &state) != KMX_OK) {
        capture.abort_frame();
        fail("stream", CAPTURE_FAILED, false);
    }
}

bool Csession::stream_next(const Cframe_sink& sink)
{
    Cuse use(*this, "stream");
    const int result = capture.complete_frame(&state);
    if (result != CAPTURE_OK && result != CAPTURE_STOPPED) {
        capture.abort_frame();
        fail("stream", result, false);
    }
    deliver(capture.get_image(), sink, "stream");
    if (result == CAPTURE_OK)
        return true;
    // A stop request: this frame was the last.
    capture.abort_frame();
    state.clear_stop();
    return false;
}

void Csession::stream_end() noexcept
{
    if (user.load() == std::this_thread::get_id())
        return;
    std::unique_lock<std::mutex> lock(use_mutex, std::try_to_lock);
    if (!lock.owns_lock() || closed())
        return;
    capture.abort_frame();
    state.clear_stop();
}

// --- automatic procedures ---------------------------------------------------

Cexposure_result Csession::auto_exposure()
{
    Cuse use(*this, "auto_exposure");
    state.clear_abort();
    state.clear_stop();
    unsigned index = 0;
    Cexposure_result settled;
    const unsigned result = capture.aep_process(index, settled.gain, &state);
    if (result != CAPTURE_AUTO_DONE)
        fail("auto_exposure", static_cast<int>(result), true);
    settled.exposure_us = exposure_us_of(index);
    return settled;
}

unsigned Csession::auto_gain()
{
    Cuse use(*this, "auto_gain");
    state.clear_abort();
    state.clear_stop();
    unsigned gain = 0;
    const unsigned result = capture.agp_process(gain, &state);
    if (result != CAPTURE_AUTO_DONE)
        fail("auto_gain", static_cast<int>(result), true);
    return gain;
}

std::array<unsigned, 3> Csession::auto_white_balance(const Cregion* region)
{
    if (!identity.colour)
        throw Crange_error("camera " + name() + " is monochrome: it has no white balance");
    const unsigned w = width();
    const unsigned h = height();
    const Cregion r = region != nullptr ? *region : Cregion{0, 0, w, h};
    if (r.width == 0 || r.height == 0 || r.left >= w || r.top >= h || r.width > w - r.left ||
        r.height > h - r.top)
        throw Crange_error("region (" + std::to_string(r.left) + ", " + std::to_string(r.top) +
                           ", " + std::to_string(r.width) + ", " + std::to_string(r.height) +
                           ") does not lie in the " + std::to_string(w) + "x" +
                           std::to_string(h) + " image");
    Cuse use(*this, "auto_white_balance");
    state.clear_abort();
    state.clear_stop();
    const RECT roi{static_cast<LONG>(r.left), static_cast<LONG>(r.top),
                   static_cast<LONG>(r.left + r.width), static_cast<LONG>(r.top + r.height)};
    unsigned gain = 0;
    std::array<unsigned, 3> balance{};
    const unsigned result =
        capture.wb_process(roi, gain, balance[0], balance[1], balance[2], &state);
    if (result != CAPTURE_AUTO_DONE)
        fail("auto_white_balance", static_cast<int>(result), true);
    return balance;
}

} // namespace kmx_python
