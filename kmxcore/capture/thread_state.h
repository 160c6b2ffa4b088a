// SPDX-License-Identifier: Apache-2.0
/// @file
/// @brief Cthread_state: the record through which a worker thread that runs
/// a capture and a controlling thread cooperate without a lock.
#ifndef KMX_CAPTURE_THREAD_STATE_H
#define KMX_CAPTURE_THREAD_STATE_H

#include <atomic>
#include <cstdint>

#include <kmxcore/kmx_export.h>

/// @brief Stop and abort requests for a running capture, and four words of
/// the application's own bookkeeping between its threads.
///
/// The capture operations read two of the six words while they wait for
/// the camera:
/// - the abort flag: give up the frame now (single frames and streams test
///   it only while the camera reports the frame in progress);
/// - the stop flag: finish the current frame, then report CAPTURE_STOPPED.
///
/// The library never sets either flag and only ever clears the stop flag
/// (single 8-bit and raw frames consume a stop request). The other four
/// words (state, status, cc, active) belong to the application. A null
/// Cthread_state pointer, wherever a capture takes one, means that both
/// flags are clear.
///
/// Threads: every word is a relaxed atomic, so one thread may set a flag
/// while another polls it. Each query loads the word anew and each setter
/// is a single store; no operation reads and rewrites a word, and no
/// ordering between words is promised. Where two threads write the stop
/// flag (set by the controller, cleared by a single frame) the last store
/// wins.
///
/// Owns nothing. Copies take the six words as they stand at the moment of
/// copying (a set flag is carried into the copy).
class KMX_CORE_API Cthread_state {
public:
    /// @brief All six words 0: no request, nothing active.
    Cthread_state() = default;
    /// @brief Copies the six words as they stand.
    /// @param other The record copied.
    Cthread_state(const Cthread_state& other);
    /// @brief Copies the six words as they stand.
    /// @param other The record copied.
    /// @return This record.
    Cthread_state& operator=(const Cthread_state& other);
    /// @brief Ends the record; there is nothing to release.
    virtual ~Cthread_state();

    /// @brief The application's state word.
    /// @return The value last given to set_state(), or 0.
    virtual unsigned get_state() const;
    /// @brief The application's status word.
    /// @return The value last given to set_status(), or 0.
    virtual unsigned get_status() const;
    /// @brief The application's last completion code.
    /// @return The value last given to set_cc(), or 0.
    virtual unsigned get_last_cc() const;
    /// @brief Whether a stop is requested.
    /// @return True while the stop flag is non-zero.
    virtual bool stop_requested() const;
    /// @brief Whether an abort is requested.
    /// @return True while the abort flag is non-zero.
    virtual bool abort_requested() const;
    /// @brief Whether the application marked its worker active.
    /// @return True while the active flag is non-zero.
    virtual bool active() const;
    /// @brief Stores the application's state word.
    /// @param value Any value; the library gives it no meaning.
    virtual void set_state(unsigned value);
    /// @brief Stores the application's status word.
    /// @param value Any value; the library gives it no meaning.
    virtual void set_status(unsigned value);
    /// @brief Stores the application's completion code.
    /// @param value Any value; the library gives it no meaning.
    virtual void set_cc(unsigned value);
    /// @brief Withdraws a stop request (stop flag 0).
    virtual void clear_stop();
    /// @brief Withdraws an abort request (abort flag 0). The library never
    /// does this: clear it before the next capture, or every later wait
    /// gives up at once.
    virtual void clear_abort();
    /// @brief Marks the worker inactive (active flag 0).
    virtual void set_inactive();
    /// @brief Requests a stop (stop flag 1): the running operation finishes
    /// its frame and reports CAPTURE_STOPPED, or CAPTURE_FAILED where it
    /// averages or accumulates.
    virtual void set_stop();
    /// @brief Requests an abort (abort flag 1): the running operation gives
    /// up its frame at its next poll and reports CAPTURE_FAILED.
    virtual void set_abort();
    /// @brief Marks the worker active (active flag 1).
    virtual void set_active();

protected:
    /// One word of the record, safe to read and write from two threads.
    using word = std::atomic<std::uint32_t>;

    word state{0};        ///< The application's state word.
    word status{0};       ///< The application's status word.
    word stop_flag{0};    ///< Stop request: 0 or 1.
    word abort_flag{0};   ///< Abort request: 0 or 1.
    word cc{0};           ///< The application's last completion code.
    word active_flag{0};  ///< The application's worker is running: 0 or 1.

    // Plain aligned 32-bit loads and stores on every target, the 32-bit
    // Windows DLL included: no hidden lock inside the atomics.
    static_assert(word::is_always_lock_free,
                  "Cthread_state: each word must be a lock-free atomic");
    static_assert(sizeof(word) == 4, "Cthread_state: each word is exactly 32 bits");
    static_assert(alignof(word) == 4, "Cthread_state: each word is 4-byte aligned");
};

#endif
