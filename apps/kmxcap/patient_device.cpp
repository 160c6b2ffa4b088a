// SPDX-License-Identifier: Apache-2.0
#include "patient_device.h"

#include <thread>

namespace kmxcap {

int Cpatient_device::after_poll(int status) const
{
    const long long nap = busy_nap_us.load(std::memory_order_relaxed);
    if (status == KMX_FRAME_BUSY && nap > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(nap));
    return status;
}

int Cpatient_device::check_for_complete()
{
    return after_poll(Cdevice::check_for_complete());
}

int Cpatient_device::check_start_next(unsigned char keep_streaming)
{
    return after_poll(Cdevice::check_start_next(keep_streaming));
}

} // namespace kmxcap
