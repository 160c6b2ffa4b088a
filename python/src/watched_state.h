// SPDX-License-Identifier: Apache-2.0
// Cwatched_state: the stop and abort record the module keeps for each
// camera, with room for one more reason to give up: a watch that the
// waiting thread asks now and then while the camera reports a frame in
// progress. The Python bindings use it to learn of Ctrl-C (they run the
// interpreter's signal handlers) without holding the interpreter's lock
// while the camera works.
#ifndef KMX_PYTHON_WATCHED_STATE_H
#define KMX_PYTHON_WATCHED_STATE_H

#include <chrono>
#include <functional>

#include <kmxcore/capture/thread_state.h>

namespace kmx_python {

class Cwatched_state : public Cthread_state {
public:
    /// Answers true when the acquisition should give up now.
    using Cwatch = std::function<bool()>;
    using Cclock = std::chrono::steady_clock;

    /// How often a waiting acquisition asks the watch, at most.
    static constexpr std::chrono::milliseconds watch_period{50};

    /// Installs `watch` (null: none) for the acquisitions of the calling
    /// thread, which alone may then wait on this record; it is first asked
    /// one period from now, so that quick frames never pay for it. Clears
    /// what an earlier watch said.
    void set_watch(Cwatch watch);
    /// Whether the watch has said to give up since it was installed.
    bool watch_gave_up() const { return gave_up; }

    /// The abort flag, or what the watch says when a period has passed
    /// since it was last asked; once it says to give up, every later call
    /// answers true until the next set_watch.
    bool abort_requested() const override;

private:
    Cwatch watch;
    mutable Cclock::time_point next_look{};
    mutable bool gave_up = false;
};

} // namespace kmx_python

#endif
