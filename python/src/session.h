// SPDX-License-Identifier: Apache-2.0
// Csession: one camera opened from Python, with everything the library
// needs to use it: a share of the camera-library instance, the device, the
// settings bound to the camera, a capture, and the stop/abort record
// through which other threads reach a running acquisition.
//
// Threads: one operation at a time. An operation asked while another
// thread runs one fails at once with Cbusy_error instead of waiting
// behind it (a stream or an averaging can take minutes); stop() and
// abort() never wait and may come from any thread. close() asks the
// running acquisition to abort and waits for it.
//
// Memory: frames are handed to a sink while the session holds the camera,
// straight from the library's buffers. A sink may keep a view of them
// (copy=False in Python) by holding a shared_ptr to the session: the
// buffers then stay allocated until the last holder lets go, even after
// close(), which closes the camera and the instance at once.
#ifndef KMX_PYTHON_SESSION_H
#define KMX_PYTHON_SESSION_H

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <kmxcore/camera/device.h>
#include <kmxcore/capture/capture.h>
#include <kmxcore/settings/cam_settings.h>

#include "cameras.h"
#include "controls.h"
#include "frames.h"
#include "library.h"
#include "watched_state.h"

namespace kmx_python {

/// Which camera to open, on which camera library.
struct Copen_request {
    std::string library;      ///< "sim", "aravis", a file; "" the default
    bool any = true;          ///< the first camera the library offers
    unsigned camera_id = 0;   ///< otherwise this one
    unsigned camera_index = 0;
};

/// A region of the image: left, top, width and height in pixels.
struct Cregion {
    unsigned left = 0;
    unsigned top = 0;
    unsigned width = 0;
    unsigned height = 0;
};

/// What the automatic exposure settled on.
struct Cexposure_result {
    unsigned exposure_us = 0;
    unsigned gain = 0;
};

/// Receives a frame in the library's memory while the session holds the
/// camera; it may convert the frame in place (complement_in_place).
using Cframe_sink = std::function<void(Cframe&)>;

// The device of a session: closing it lets go of the camera but keeps the
// frame buffers' memory until the device is destroyed, for views of them
// that outlive close().
class Csession_device : public Cdevice {
public:
    void close() override;
};

// The capture of a session, with the protected acquisitions opened and
// retried like get_frame.
class Csession_capture : public Ccapture {
public:
    using Ccapture::Ccapture;
    int deep_snap(unsigned depth, Cthread_state* state);
    int raw_snap(Cthread_state* state);
    int average8(unsigned frames, Cthread_state* state);
    int average_deep(unsigned frames, unsigned depth, Cthread_state* state);
    unsigned retries() const { return no_retries; }

private:
    void average_over(unsigned frames);
};

class Csession {
public:
    /// Opens the camera (and the instance, when no other camera holds it).
    /// Throws Ccamera_error when either refuses.
    static std::shared_ptr<Csession> open(const Copen_request& request);

    Csession(const Csession&) = delete;
    Csession& operator=(const Csession&) = delete;
    /// As close(); never throws.
    ~Csession();

    /// Aborts a running acquisition, waits for it, and closes the camera;
    /// the instance is closed with the last camera. Nothing when closed.
    /// Throws Cbusy_error when called from the thread that runs the
    /// acquisition (from within its wait).
    void close();
    bool closed() const { return is_closed.load(); }

    const Ccamera_description& description() const { return identity; }
    /// "id:index", as kmxcore.open() takes it.
    std::string name() const;
    bool colour() const { return identity.colour; }
    /// The frame size of the current readout (any thread, any time).
    unsigned width() const { return frame_width.load(); }
    unsigned height() const { return frame_height.load(); }

    /// @name Settings
    /// Setting a control writes it to the camera at once; a value outside
    /// the camera's limits throws Crange_error naming them, a refusal by
    /// the camera Ccamera_error (the setting then stays as it was).
    /// @{
    std::vector<Ccontrol> controls();
    Ccontrol control(Econtrol id);
    void set_control(Econtrol id, const std::vector<long long>& value);
    /// @}

    /// @name Acquisitions
    /// Each hands its frame to `sink` and throws Ccamera_error when the
    /// capture fails, Crange_error for counts or depths the camera cannot
    /// take.
    /// @{
    /// One frame at `depth` (0: the depth control), retried like
    /// Ccapture::get_frame.
    void snap(long long depth, const Cframe_sink& sink);
    /// One frame of the camera's raw output, retried alike.
    void snap_raw(const Cframe_sink& sink);
    /// The mean of `frames` streamed 8-bit frames.
    void average(long long frames, const Cframe_sink& sink);
    /// The mean of `frames` deep frames at `depth` (0: the depth control
    /// if deep, else the deepest the camera offers).
    void deep_average(long long frames, long long depth, const Cframe_sink& sink);
    /// Starts continuous acquisition.
    void stream_begin();
    /// The next frame of the stream; false when a stop request ended the
    /// stream with this frame.
    bool stream_next(const Cframe_sink& sink);
    /// Ends the stream; never throws, and does nothing while another
    /// thread holds the camera (its acquisition has ended the stream).
    void stream_end() noexcept;
    /// @}

    /// @name Automatic procedures
    /// They settle the camera's values, which the controls then show.
    /// @{
    Cexposure_result auto_exposure();
    unsigned auto_gain();
    /// Over `region` (the whole image when null); colour cameras only.
    std::array<unsigned, 3> auto_white_balance(const Cregion* region);
    /// @}

    /// A running acquisition finishes its frame and ends: a stream after
    /// that frame, an averaging or automatic procedure without a result. A
    /// single frame is taken all the same.
    void stop() { state.set_stop(); }
    /// A running acquisition gives up its frame now.
    void abort() { state.set_abort(); }
    /// Makes each operation ask `source` for a watch on its wait (see
    /// Cwatched_state); a null watch, or no source, watches nothing. Set
    /// once, before the session is shared between threads.
    void set_watch_source(std::function<Cwatched_state::Cwatch()> source)
    {
        watch_source = std::move(source);
    }
    /// Whether an operation is running.
    bool busy() const { return user.load() != std::thread::id(); }

private:
    Csession() = default;
    // Holds the camera for one operation on the calling thread: refuses
    // when another thread (or this one, from within a wait) holds it or the
    // camera is closed, installs the watch and clears the thread's last
    // camera-library failure.
    class Cuse {
    public:
        Cuse(Csession& used, const char* operation);
        ~Cuse();
        Cuse(const Cuse&) = delete;
        Cuse& operator=(const Cuse&) = delete;

    private:
        Csession& session;
        std::unique_lock<std::mutex> lock;
    };

    void open_camera(const Copen_request& request);
    void read_limits();
    [[noreturn]] void fail(const std::string& operation, int result, bool auto_result);
    void deliver(const Cimage_core* image, const Cframe_sink& sink, const char* operation);
    unsigned snap_depth(long long asked) const;
    unsigned deep_average_depth(long long asked) const;
    bool offers_depth(long long depth) const;
    void apply_settings(Ccam_settings wanted, const std::string& what);
    void note_frame_size();
    void close_locked();
    unsigned exposure_us_of(unsigned index) const;
    std::string depths_text(bool deep_only) const;
    std::vector<unsigned> control_value(Econtrol id);
    Ccontrol describe_control(Econtrol id) const;
    Ccontrol read_control(Econtrol id) const;
    void check_range(Econtrol id, const std::vector<long long>& value) const;

    std::shared_ptr<Clibrary> library;
    Ccamera_description identity;
    Csession_device device;
    Ccam_settings defaults;          // the camera's defaults, bound to it
    Csession_capture capture{&device};
    Cwatched_state state;
    std::function<Cwatched_state::Cwatch()> watch_source;
    unsigned depth = 8;              // the depth control
    std::vector<Ccontrol> described; // every control's limits, read at open

    struct Climits {
        unsigned min = 0;
        unsigned max = 0;
    };
    Climits gain_limits, black_level_limits, exposure_index_limits;
    Climits red_limits, green_limits, blue_limits;

    std::atomic<unsigned> frame_width{0};
    std::atomic<unsigned> frame_height{0};
    std::mutex use_mutex;                  // held by the running operation
    std::atomic<std::thread::id> user{};   // the thread that holds it
    std::atomic<bool> is_closed{false};
};

} // namespace kmx_python

#endif
