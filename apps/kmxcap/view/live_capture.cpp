// SPDX-License-Identifier: Apache-2.0
#include "live_capture.h"

#include <cstdio>
#include <ctime>
#include <memory>

#include "kmxcore/image/fw_image.h"
#include "overlay.h"
#include "picture.h"
#include "session.h"
#include "writers.h"

namespace kmxcap {

namespace {

// Requests waiting for the capture thread at most; more are refused.
constexpr size_t max_queued_commands = 16;
// After a failed frame the thread rests this long before it tries again,
// so that a camera that keeps failing does not keep a core busy.
constexpr std::chrono::milliseconds failure_rest{100};
// The live view runs the camera at the settings' live rate.
constexpr int live_rate = 1;

// One request handed to the capture thread, and its answer.
template <typename Result>
class Cpending {
public:
    // The capture thread: false when the requester has given up.
    bool begin()
    {
        std::lock_guard<std::mutex> guard(lock);
        begun = !given_up;
        return begun;
    }
    void finish(Result answer)
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            result = std::move(answer);
            finished = true;
        }
        done.notify_all();
    }
    // The requester: the answer, or `busy` when the request was not taken
    // up within `patience`; once taken up it is waited for to the end.
    Result wait(std::chrono::milliseconds patience, Result busy)
    {
        std::unique_lock<std::mutex> guard(lock);
        if (!done.wait_for(guard, patience, [this] { return finished; }) && !begun) {
            given_up = true;
            return busy;
        }
        done.wait(guard, [this] { return finished; });
        return result;
    }

private:
    std::mutex lock;
    std::condition_variable done;
    bool begun = false;
    bool given_up = false;
    bool finished = false;
    Result result;
};

bool averaging(const Ccam_settings& settings)
{
    return settings.get_average_opt() != 0 && settings.get_average_frames() > 1;
}

const char* capture_failure(int result)
{
    switch (result) {
    case CAPTURE_ERROR_13: return "transfer error (camera status 13)";
    case CAPTURE_ERROR_16: return "transfer error (camera status 16)";
    case CAPTURE_NO_MEMORY: return "not enough memory for the sums";
    default: return "the camera failed the frame";
    }
}

const char* auto_name(Eauto_kind kind)
{
    switch (kind) {
    case Eauto_kind::gain: return "automatic gain";
    case Eauto_kind::white_balance: return "automatic white balance";
    default: return "automatic exposure";
    }
}

// The picture of a frame as `kmxcap snap` writes it: overlay if asked,
// monochrome as the library shows it.
Cstatus picture_of(Cfw_image& frame, bool colour, unsigned overlay, Cpicture& picture)
{
    Cstatus status = overlay == overlay_none
                         ? picture_from_image(frame, picture)
                         : picture_with_overlay(frame,
                                                overlay == overlay_crosshair ? Eoverlay::crosshair
                                                                             : Eoverlay::grid,
                                                picture);
    if (status.is_ok() && !colour)
        invert_grey(picture);
    return status;
}

// "kmxcap-2001-20240501-140307.png": the camera's serial number and the
// local time.
std::string download_name(unsigned serial, Esave_kind kind)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32] = "";
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return "kmxcap-" + std::to_string(serial) + "-" + stamp +
           (kind == Esave_kind::png ? ".png" : ".tif");
}

} // namespace

const char* job_state_name(Ejob_state state)
{
    switch (state) {
    case Ejob_state::queued: return "queued";
    case Ejob_state::running: return "running";
    case Ejob_state::done: return "done";
    case Ejob_state::stopped: return "stopped";
    case Ejob_state::failed: return "failed";
    default: return "idle";
    }
}

Clive_capture::Clive_capture(Csession& session, Cframe_mailbox& frames, unsigned overlay)
    : session(session), frames(frames), overlay(overlay)
{
    publish_settings();
}

Clive_capture::~Clive_capture() { stop(); }

void Clive_capture::start()
{
    // The live picture starts as single frames, as `kmxcap stream` takes
    // them, whatever averaging the camera's defaults suggest.
    Cknob_change single_frames;
    single_frames.set(Eknob::average, 1);
    std::string refused;
    Cview_controls::apply(single_frames, *session.get_capture().get_settings(), refused);
    publish_settings();
    set_up_camera();
    worker = std::thread([this] { run(); });
}

void Clive_capture::stop()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        quit = true;
    }
    stream_state.set_abort();
    job_state.set_abort();
    wake.notify_all();
    if (worker.joinable())
        worker.join();
    // Requests that never ran are answered now.
    std::deque<Ccommand> left;
    {
        std::lock_guard<std::mutex> guard(lock);
        left.swap(commands);
    }
    for (Ccommand& command : left)
        command.cancel();
}

bool Clive_capture::quitting() const
{
    std::lock_guard<std::mutex> guard(lock);
    return quit;
}

bool Clive_capture::post(Ccommand command)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        if (quit || commands.size() >= max_queued_commands)
            return false;
        commands.push_back(std::move(command));
    }
    // A picture averaged from many frames would keep the request waiting:
    // the stop flag ends its wait (a plain frame is delivered as usual).
    stream_state.set_stop();
    wake.notify_all();
    return true;
}

void Clive_capture::run_commands()
{
    for (;;) {
        Ccommand command;
        {
            std::lock_guard<std::mutex> guard(lock);
            if (quit || commands.empty())
                return;
            command = std::move(commands.front());
            commands.pop_front();
        }
        command.run();
    }
}

void Clive_capture::run()
{
    while (!quitting()) {
        // Cleared before the queue is looked at: a request posted after
        // this is seen at the next turn.
        stream_state.clear_stop();
        run_commands();
        if (quitting())
            break;
        const int result = next_picture();
        if (quitting())
            break;
        if (result == CAPTURE_OK || result == CAPTURE_STOPPED) {
            hand_on();
            continue;
        }
        // An average cut short for a waiting request is no failure.
        if (stream_state.stop_requested())
            continue;
        note_failure(capture_failure(result));
        rest();
    }
    session.get_capture().abort_frame();
}

int Clive_capture::next_picture()
{
    Ctool_capture& capture = session.get_capture();
    if (averaging(*capture.get_settings()))
        return capture.average_frames8(&stream_state);
    return capture.complete_frame(&stream_state);
}

void Clive_capture::hand_on()
{
    Cfw_image* image = session.get_capture().get_image();
    Craw_frame* frame = frames.acquire();
    if (frame == nullptr)
        return;
    if (image == nullptr || !copy_frame(*image, *frame)) {
        frames.give_back(frame);
        note_failure("the camera delivered a frame the view cannot show");
        return;
    }
    delivered.tick();
    frame->number = delivered.count();
    frame->settings_version = settings_version;
    frame->overlay = overlay;
    frame->captured = view_clock::now();
    frames.post(frame);
}

void Clive_capture::note_failure(const std::string& what)
{
    std::lock_guard<std::mutex> guard(lock);
    ++failure_count;
    failure_text = what;
}

void Clive_capture::rest()
{
    std::unique_lock<std::mutex> guard(lock);
    wake.wait_for(guard, failure_rest, [this] { return quit || !commands.empty(); });
}

uint64_t Clive_capture::failures() const
{
    std::lock_guard<std::mutex> guard(lock);
    return failure_count;
}

std::string Clive_capture::last_failure() const
{
    std::lock_guard<std::mutex> guard(lock);
    return failure_text;
}

Csettings_snapshot Clive_capture::settings() const
{
    std::lock_guard<std::mutex> guard(lock);
    return snapshot;
}

Cjob_report Clive_capture::job() const
{
    std::lock_guard<std::mutex> guard(lock);
    return report;
}

// --- on the capture thread ------------------------------------------------

bool Clive_capture::set_up_camera()
{
    Ctool_capture& capture = session.get_capture();
    // The stream restarts by itself at the next frame.
    capture.abort_frame();
    return capture.setup(averaging(*capture.get_settings()) ? 1 : 0, live_rate) == 0;
}

void Clive_capture::publish_settings()
{
    Ccam_settings& settings = *session.get_capture().get_settings();
    Csettings_snapshot now;
    now.values = Cview_controls::values_of(settings, overlay);
    now.exposure_us = settings.get_expsoure_value();
    now.version = settings_version;
    std::lock_guard<std::mutex> guard(lock);
    snapshot = now;
}

void Clive_capture::apply_change(const Cknob_change& change, Cchange_result& result)
{
    if (change.touches_camera()) {
        Ccam_settings& settings = *session.get_capture().get_settings();
        const Ccam_settings before = settings;
        std::string refused;
        if (!Cview_controls::apply(change, settings, refused)) {
            settings = before;
            result.outcome = Eoutcome::refused;
            result.message = "the camera's settings refused " + refused;
            return;
        }
        if (!set_up_camera()) {
            settings = before;
            set_up_camera();
            result.outcome = Eoutcome::refused;
            result.message = "the camera refused these settings";
            return;
        }
    }
    if (change.names(Eknob::overlay))
        overlay = static_cast<unsigned>(change.at(Eknob::overlay));
    ++settings_version;
    publish_settings();
    result.outcome = Eoutcome::done;
}

Cchange_result Clive_capture::change(const Cknob_change& change,
                                     std::chrono::milliseconds patience)
{
    auto pending = std::make_shared<Cpending<Cchange_result>>();
    const bool posted = post({[this, pending, change] {
                                  if (!pending->begin())
                                      return;
                                  Cchange_result result;
                                  apply_change(change, result);
                                  result.settings = settings();
                                  pending->finish(result);
                              },
                              [pending] { pending->finish(Cchange_result{}); }});
    if (!posted)
        return Cchange_result{quitting() ? Eoutcome::closed : Eoutcome::busy,
                              "too many requests are waiting", settings()};
    Cchange_result busy{Eoutcome::busy, "the camera is busy; nothing was changed", {}};
    Cchange_result result = pending->wait(patience, busy);
    if (result.outcome != Eoutcome::done)
        result.settings = settings();
    return result;
}

void Clive_capture::report_job(Ejob_state state, const std::string& message)
{
    std::lock_guard<std::mutex> guard(lock);
    report.state = state;
    report.message = message;
    job_running = state == Ejob_state::running;
}

// A stop or abort left from before belongs to nobody now.
void Clive_capture::prepare_job_state()
{
    job_state.clear_stop();
    if (!quitting())
        job_state.clear_abort();
}

bool Clive_capture::start_auto(Eauto_kind kind, std::string& why)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        if (auto_queued || job_running) {
            why = "a procedure is already running";
            return false;
        }
        auto_queued = true;
        ++report.number;
        report.name = auto_name(kind);
        report.state = Ejob_state::queued;
        report.message.clear();
    }
    const bool posted = post({[this, kind] { run_auto(kind); },
                              [this] { report_job(Ejob_state::stopped, "the view closed"); }});
    if (!posted) {
        std::lock_guard<std::mutex> guard(lock);
        auto_queued = false;
        report.state = Ejob_state::failed;
        report.message = why = quit ? "the view is closing" : "too many requests are waiting";
    }
    return posted;
}

void Clive_capture::run_auto(Eauto_kind kind)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        auto_queued = false;
    }
    // Cleared before the job is reported running: from then on a stop
    // request is the page's, and must not be lost.
    prepare_job_state();
    report_job(Ejob_state::running, "");
    Ctool_capture& capture = session.get_capture();
    capture.abort_frame();
    unsigned result = CAPTURE_AUTO_FAILED;
    char settled[160] = "";
    unsigned gain = 0;
    if (kind == Eauto_kind::white_balance) {
        const RECT whole{0, 0, static_cast<LONG>(capture.get_width()),
                         static_cast<LONG>(capture.get_height())};
        unsigned red = 0, green = 0, blue = 0;
        result = capture.wb_process(whole, gain, red, green, blue, &job_state);
        std::snprintf(settled, sizeof settled, "red gain %u, green gain %u, blue gain %u", red,
                      green, blue);
    } else if (kind == Eauto_kind::gain) {
        result = capture.agp_process(gain, &job_state);
        std::snprintf(settled, sizeof settled, "gain %u", gain);
    } else {
        unsigned exposure = 0;
        result = capture.aep_process(exposure, gain, &job_state);
        std::snprintf(settled, sizeof settled, "exposure %u (%u us), gain %u", exposure,
                      capture.get_settings()->get_expsoure_value(), gain);
    }
    // The settled values are in the settings. A procedure that was stopped
    // or failed may have left the camera anywhere: the settings are
    // written again either way, so camera and page agree.
    set_up_camera();
    ++settings_version;
    publish_settings();
    if (result == CAPTURE_AUTO_DONE)
        report_job(Ejob_state::done, settled);
    else if (result == CAPTURE_AUTO_STOPPED)
        report_job(Ejob_state::stopped, "stopped; the settings are as they were");
    else
        report_job(Ejob_state::failed, "the camera could not run it");
}

bool Clive_capture::stop_job()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!job_running)
            return false;
    }
    job_state.set_stop();
    return true;
}

void Clive_capture::run_save(const Csave_request& request, Csave_result& result)
{
    Ctool_capture& capture = session.get_capture();
    Ccam_settings& settings = *capture.get_settings();
    const Ccam_settings live_settings = settings;
    const bool average = request.frames > 1;
    capture.abort_frame();
    int captured = CAPTURE_FAILED;
    Cprovenance provenance;
    if (settings.set_average_opt(average ? 1 : 0) &&
        settings.set_average_frames(average ? request.frames : 0) &&
        capture.setup(average ? 1 : 0, live_rate) == 0) {
        // The facts `kmxcap snap` and `average` record, read from the
        // settings the picture is taken with.
        provenance = capture_provenance(session.get_device(), settings);
        provenance.acquisition = average ? "average" : "snap";
        provenance.frames_averaged = request.frames;
        captured = capture.average_frames8(&job_state);
    }
    Cpicture picture;
    Cstatus status;
    if (captured == CAPTURE_OK)
        status = picture_of(*capture.get_image(), session.colour(),
                            request.overlay ? overlay : overlay_none, picture);
    settings = live_settings;
    set_up_camera();
    if (captured != CAPTURE_OK) {
        const bool stopped = job_state.stop_requested() || job_state.abort_requested();
        result.outcome = stopped ? Eoutcome::stopped : Eoutcome::failed;
        result.message = stopped ? "the save was stopped" : capture_failure(captured);
        return;
    }
    if (status.is_ok())
        status = encode_picture(picture, provenance,
                                request.kind == Esave_kind::png ? Efile_kind::png
                                                                : Efile_kind::tiff,
                                false, result.bytes);
    if (!status.is_ok()) {
        result.outcome = Eoutcome::failed;
        result.message = status.message();
        return;
    }
    result.outcome = Eoutcome::done;
    result.file_name = download_name(session.get_device().get_serial_no(), request.kind);
}

Csave_result Clive_capture::save(const Csave_request& request,
                                 std::chrono::milliseconds patience)
{
    auto pending = std::make_shared<Cpending<Csave_result>>();
    const bool posted = post({[this, pending, request] {
                                  if (!pending->begin())
                                      return;
                                  {
                                      std::lock_guard<std::mutex> guard(lock);
                                      ++report.number;
                                      report.name = "save";
                                  }
                                  // As for the procedures: cleared before
                                  // a stop can be asked for.
                                  prepare_job_state();
                                  report_job(Ejob_state::running, "");
                                  Csave_result result;
                                  run_save(request, result);
                                  report_job(result.outcome == Eoutcome::done ? Ejob_state::done
                                             : result.outcome == Eoutcome::stopped
                                                 ? Ejob_state::stopped
                                                 : Ejob_state::failed,
                                             result.outcome == Eoutcome::done
                                                 ? result.file_name
                                                 : result.message);
                                  pending->finish(std::move(result));
                              },
                              [pending] { pending->finish(Csave_result{}); }});
    if (!posted)
        return Csave_result{quitting() ? Eoutcome::closed : Eoutcome::busy,
                            "too many requests are waiting", {}, {}};
    return pending->wait(patience,
                         Csave_result{Eoutcome::busy, "the camera is busy", {}, {}});
}

} // namespace kmxcap
