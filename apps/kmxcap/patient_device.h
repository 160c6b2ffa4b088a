// SPDX-License-Identifier: Apache-2.0
// Cpatient_device: a camera device whose completion checks rest a moment
// before they answer "still in progress".
//
// The library waits for a frame by asking the camera again and again,
// yielding in between; a thread that waits that way for a frame of tens
// of milliseconds keeps a processor core busy the whole time. A tool that
// streams for a long while (the live view) wants the core for encoding
// and serving instead, so its device naps briefly after every busy
// answer. The nap is short against a frame (a quarter of a millisecond
// against 16 ms and more), so frames are noticed about as soon as before.
// With no nap set the device is an ordinary Cdevice.
#ifndef KMXCAP_PATIENT_DEVICE_H
#define KMXCAP_PATIENT_DEVICE_H

#include <atomic>
#include <chrono>

#include "kmxcore/camera/device.h"

namespace kmxcap {

class Cpatient_device : public Cdevice {
public:
    // How long a busy answer waits before it is given; zero: not at all.
    void set_busy_nap(std::chrono::microseconds nap) { busy_nap_us = nap.count(); }

    int check_for_complete() override;
    int check_start_next(unsigned char keep_streaming) override;

private:
    int after_poll(int status) const;

    // Set by the thread that configures the tool, read by the one that
    // captures.
    std::atomic<long long> busy_nap_us{0};
};

} // namespace kmxcap

#endif
