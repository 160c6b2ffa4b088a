// SPDX-License-Identifier: Apache-2.0
// Cthread_state: the record through which a worker thread that runs a
// capture and a controlling thread cooperate without a lock.
//
// Six 32-bit words. The capture operations read two of them while they
// wait for the camera:
//   - abort flag: give up the frame now (tested only while the camera
//     reports the frame in progress);
//   - stop flag: finish the current frame, then report CAPTURE_STOPPED.
// The library never sets either flag and only ever clears the stop flag
// (single 8-bit and raw frames consume a stop request). The other four
// words (state, status, cc, active) belong to the application.
//
// Threads: every word is a relaxed atomic, so one thread may set a flag
// while another polls it. Each query loads the word anew and each setter
// is a single store; no operation reads and rewrites a word, and no
// ordering between words is promised. Where two threads write the stop
// flag (set by the controller, cleared by a single frame) the last store
// wins.
//
// Owns nothing. Copies take the six words as they stand at the moment of
// copying (a set flag is carried into the copy).
#ifndef KMX_CAPTURE_THREAD_STATE_H
#define KMX_CAPTURE_THREAD_STATE_H

#include <atomic>
#include <cstdint>

#include "kmx_export.h"

class KMX_CORE_API Cthread_state {
public:
    Cthread_state() = default;
    Cthread_state(const Cthread_state& other);
    Cthread_state& operator=(const Cthread_state& other);
    virtual ~Cthread_state();

    virtual unsigned get_state() const;
    virtual unsigned get_status() const;
    virtual unsigned get_last_cc() const;
    // The flag queries answer true for any non-zero word.
    virtual bool stop_requested() const;
    virtual bool abort_requested() const;
    virtual bool active() const;
    virtual void set_state(unsigned value);
    virtual void set_status(unsigned value);
    virtual void set_cc(unsigned value);
    // The flags are written as exactly 0 or 1.
    virtual void clear_stop();
    virtual void clear_abort();
    virtual void set_inactive();
    virtual void set_stop();
    virtual void set_abort();
    virtual void set_active();

protected:
    using word = std::atomic<std::uint32_t>;

    word state{0};
    word status{0};
    word stop_flag{0};
    word abort_flag{0};
    word cc{0};
    word active_flag{0};

    // Plain aligned 32-bit loads and stores on every target, the 32-bit
    // Windows DLL included: no hidden lock inside the atomics.
    static_assert(word::is_always_lock_free,
                  "Cthread_state: each word must be a lock-free atomic");
    static_assert(sizeof(word) == 4, "Cthread_state: each word is exactly 32 bits");
    static_assert(alignof(word) == 4, "Cthread_state: each word is 4-byte aligned");
};

#endif
