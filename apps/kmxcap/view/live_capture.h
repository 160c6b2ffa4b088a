// SPDX-License-Identifier: Apache-2.0
// Clive_capture: the thread that owns the camera while the live view
// runs.
//
// The library is used by one thread per object, so this thread alone
// touches the capture, its settings and the device. It streams frames
// through Ccapture (complete_frame, or an average of several frames per
// picture), copies each one to the encoder's mailbox, and between frames
// runs what other threads asked for: settings changes, the automatic
// white balance, gain and exposure, and saving a picture. They ask
// through the operations below, which queue the request and wait for its
// answer; none of them touches the camera itself.
//
// Stopping: a request to stop the running procedure sets the stop flag of
// the procedures' own Cthread_state, as an application's stop button
// would; stop() sets the abort flag of both thread states, so that any
// wait for the camera ends at its next poll, and joins the thread. The
// stream is aborted before the thread ends; the caller closes the camera.
#ifndef KMXCAP_LIVE_CAPTURE_H
#define KMXCAP_LIVE_CAPTURE_H

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kmxcore/capture/thread_state.h"
#include "options.h"
#include "view_controls.h"
#include "view_frames.h"

namespace kmxcap {

class Csession;

// How a request ended.
enum class Eoutcome {
    done,     // applied, or the picture is ready
    refused,  // the camera or its settings record refused it
    busy,     // not taken up in time (the camera is busy with a procedure); nothing changed
    stopped,  // stopped on request
    failed,   // the camera failed
    closed    // the view is shutting down
};

struct Csettings_snapshot {
    Cknob_values values{};
    unsigned exposure_us = 0;
    uint64_t version = 0;      // counts the changes applied; frames carry it
};

struct Cchange_result {
    Eoutcome outcome = Eoutcome::closed;
    std::string message;
    Csettings_snapshot settings;
};

enum class Esave_kind { png, tiff };

struct Csave_request {
    unsigned frames = 1;       // averaged into the picture
    Esave_kind kind = Esave_kind::png;
    bool overlay = false;      // draw the view's overlay into the picture
};

struct Csave_result {
    Eoutcome outcome = Eoutcome::closed;
    std::string message;
    std::vector<unsigned char> bytes;  // the file
    std::string file_name;
};

enum class Ejob_state { idle, queued, running, done, stopped, failed };

// The automatic procedure or save last asked for, and how it went.
struct Cjob_report {
    uint64_t number = 0;       // counts jobs: the page tells a new one from the last
    std::string name;          // "automatic exposure", "save"
    Ejob_state state = Ejob_state::idle;
    std::string message;       // what it settled on, or why it ended
};

const char* job_state_name(Ejob_state state);

class Clive_capture {
public:
    // `session` must be open and prepared; the capture thread uses it
    // exclusively from start() to stop().
    Clive_capture(Csession& session, Cframe_mailbox& frames, unsigned overlay);
    ~Clive_capture();
    Clive_capture(const Clive_capture&) = delete;
    Clive_capture& operator=(const Clive_capture&) = delete;

    void start();
    void stop();

    // Applies a change between two frames and answers with the settings
    // as they then stand. Waits at most `patience` for the capture thread
    // to take it up (it may be busy with a procedure); a change not taken
    // up by then is dropped and answered busy.
    Cchange_result change(const Cknob_change& change, std::chrono::milliseconds patience);
    // Takes a picture (an average of request.frames) and answers with its
    // file; waits as change() does, then for the picture.
    Csave_result save(const Csave_request& request, std::chrono::milliseconds patience);
    // Queues an automatic procedure; false, with the reason, when one is
    // already queued or running, or the queue is full.
    bool start_auto(Eauto_kind kind, std::string& why);
    // Asks the running procedure or save to stop; false when none runs.
    bool stop_job();

    Csettings_snapshot settings() const;
    Cjob_report job() const;
    double frames_per_second() const { return delivered.per_second(); }
    uint64_t frames_delivered() const { return delivered.count(); }
    uint64_t failures() const;
    std::string last_failure() const;

private:
    // A request in the queue: run() on the capture thread, or cancel()
    // when the view shuts down first.
    struct Ccommand {
        std::function<void()> run;
        std::function<void()> cancel;
    };

    void run();
    bool post(Ccommand command);
    void run_commands();
    int next_picture();
    void hand_on();
    void note_failure(const std::string& what);
    void rest();
    bool quitting() const;

    void apply_change(const Cknob_change& change, Cchange_result& result);
    void run_auto(Eauto_kind kind);
    void run_save(const Csave_request& request, Csave_result& result);
    bool set_up_camera();
    void publish_settings();
    void report_job(Ejob_state state, const std::string& message);
    void prepare_job_state();

    Csession& session;
    Cframe_mailbox& frames;
    // The capture thread's own; read under `lock` by others only through
    // the snapshot.
    unsigned overlay;
    uint64_t settings_version = 0;

    Cthread_state stream_state;   // the stream's waits; stop: a request is waiting
    Cthread_state job_state;      // the procedures' and saves' waits
    Crate_meter delivered;

    mutable std::mutex lock;
    std::condition_variable wake;
    std::deque<Ccommand> commands;
    bool quit = false;
    bool job_running = false;
    bool auto_queued = false;
    Csettings_snapshot snapshot;
    Cjob_report report;
    uint64_t failure_count = 0;
    std::string failure_text;
    std::thread worker;
};

} // namespace kmxcap

#endif
