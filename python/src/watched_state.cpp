// SPDX-License-Identifier: Apache-2.0
#include "watched_state.h"

#include <utility>

namespace kmx_python {

void Cwatched_state::set_watch(Cwatch new_watch)
{
    watch = std::move(new_watch);
    gave_up = false;
    next_look = Cclock::now() + watch_period;
}

bool Cwatched_state::abort_requested() const
{
    if (Cthread_state::abort_requested() || gave_up)
        return true;
    if (!watch)
        return false;
    const Cclock::time_point now = Cclock::now();
    if (now < next_look)
        return false;
    next_look = now + watch_period;
    gave_up = watch();
    return gave_up;
}

} // namespace kmx_python
