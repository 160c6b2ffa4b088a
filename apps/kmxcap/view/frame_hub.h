// SPDX-License-Identifier: Apache-2.0
// Cframe_hub: the newest finished frame, shared by every viewer.
//
// The encoder publishes each frame once; every viewer's thread waits for
// a frame newer than the one it sent last and sends the newest there is.
// A viewer that is slow to take its frames therefore skips some (its
// queue is the one frame it is sending), and neither the encoder nor the
// other viewers ever wait for it.
#ifndef KMXCAP_FRAME_HUB_H
#define KMXCAP_FRAME_HUB_H

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "view_frames.h"

namespace kmxcap {

class Cframe_hub {
public:
    explicit Cframe_hub(unsigned max_viewers);
    Cframe_hub(const Cframe_hub&) = delete;
    Cframe_hub& operator=(const Cframe_hub&) = delete;

    void publish(std::shared_ptr<const Cview_frame> frame);
    // The newest frame, with or without a picture; null before the first.
    std::shared_ptr<const Cview_frame> latest() const;
    // Waits for a frame with a picture numbered above `after`; null when
    // none came within the timeout, or once the hub is closed.
    std::shared_ptr<const Cview_frame> next_picture(uint64_t after,
                                                    std::chrono::milliseconds timeout);

    // A stream begins; false when max_viewers are watching already.
    bool join();
    void leave();
    unsigned viewers() const;
    // Someone asked for a single picture: pictures are made for a while
    // even while no stream is open.
    void ask_for_picture();
    // Whether the encoder should make pictures (and not statistics only).
    bool pictures_wanted() const;

    // Ends every wait; the hub gives no more frames.
    void close();
    bool is_closed() const;

private:
    const unsigned most_viewers;
    std::shared_ptr<const Cview_frame> newest;
    std::shared_ptr<const Cview_frame> newest_picture;
    unsigned watching = 0;
    view_clock::time_point picture_asked_until{};
    bool closed = false;
    mutable std::mutex lock;
    std::condition_variable published;
};

} // namespace kmxcap

#endif
