// SPDX-License-Identifier: Apache-2.0
#include "kmxcore/capture/thread_state.h"

namespace {

// Neither thread relies on ordering between words, only on each word being
// read whole and anew.
constexpr std::memory_order relaxed = std::memory_order_relaxed;
constexpr std::uint32_t flag_clear = 0;
constexpr std::uint32_t flag_set = 1;

} // namespace

Cthread_state::Cthread_state(const Cthread_state& other)
    : state(other.state.load(relaxed)),
      status(other.status.load(relaxed)),
      stop_flag(other.stop_flag.load(relaxed)),
      abort_flag(other.abort_flag.load(relaxed)),
      cc(other.cc.load(relaxed)),
      active_flag(other.active_flag.load(relaxed))
{
}

Cthread_state& Cthread_state::operator=(const Cthread_state& other)
{
    // Word by word; a self-assignment stores each word back unchanged.
    state.store(other.state.load(relaxed), relaxed);
    status.store(other.status.load(relaxed), relaxed);
    stop_flag.store(other.stop_flag.load(relaxed), relaxed);
    abort_flag.store(other.abort_flag.load(relaxed), relaxed);
    cc.store(other.cc.load(relaxed), relaxed);
    active_flag.store(other.active_flag.load(relaxed), relaxed);
    return *this;
}

Cthread_state::~Cthread_state() = default;

unsigned Cthread_state::get_state() const { return state.load(relaxed); }
unsigned Cthread_state::get_status() const { return status.load(relaxed); }
unsigned Cthread_state::get_last_cc() const { return cc.load(relaxed); }
bool Cthread_state::stop_requested() const { return stop_flag.load(relaxed) != flag_clear; }
bool Cthread_state::abort_requested() const { return abort_flag.load(relaxed) != flag_clear; }
bool Cthread_state::active() const { return active_flag.load(relaxed) != flag_clear; }

void Cthread_state::set_state(unsigned value) { state.store(value, relaxed); }
void Cthread_state::set_status(unsigned value) { status.store(value, relaxed); }
void Cthread_state::set_cc(unsigned value) { cc.store(value, relaxed); }
void Cthread_state::clear_stop() { stop_flag.store(flag_clear, relaxed); }
void Cthread_state::clear_abort() { abort_flag.store(flag_clear, relaxed); }
void Cthread_state::set_inactive() { active_flag.store(flag_clear, relaxed); }
void Cthread_state::set_stop() { stop_flag.store(flag_set, relaxed); }
void Cthread_state::set_abort() { abort_flag.store(flag_set, relaxed); }
void Cthread_state::set_active() { active_flag.store(flag_set, relaxed); }
