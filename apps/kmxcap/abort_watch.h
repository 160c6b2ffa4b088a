// SPDX-License-Identifier: Apache-2.0
// Cabort_watch: turns Ctrl-C, SIGTERM and (on a terminal) the Escape key
// into the abort flag of a Cthread_state while a capture runs.
//
// A signal handler may do almost nothing safely, so it only counts the
// signal and writes one byte into a pipe; a watcher thread waits on that
// pipe (and on stdin when it is a terminal, read in non-canonical mode
// with echo off so a single Escape arrives at once) and calls set_abort.
// The capture notices the flag at its next poll of a frame in progress.
//
// The first SIGINT re-arms the default action, so a second Ctrl-C ends a
// process that does not react. The destructor stops the thread and puts
// back the signal actions and the terminal mode.
//
// On Windows the library's own GetAsyncKeyState test sees Escape; this
// class is POSIX only, like the tool's build.
#ifndef KMXCAP_ABORT_WATCH_H
#define KMXCAP_ABORT_WATCH_H

#include <thread>

class Cthread_state;

namespace kmxcap {

class Cabort_watch {
public:
    explicit Cabort_watch(Cthread_state& state);
    ~Cabort_watch();
    Cabort_watch(const Cabort_watch&) = delete;
    Cabort_watch& operator=(const Cabort_watch&) = delete;

    // True once an interrupt or Escape has been seen.
    bool aborted() const;
    // Behaves as a Ctrl-C from outside (raises SIGINT in this process).
    static void simulate_interrupt();

private:
    void watch();

    Cthread_state& state;
    std::thread watcher;
    bool terminal_changed = false;
};

} // namespace kmxcap

#endif
