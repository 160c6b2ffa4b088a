// SPDX-License-Identifier: Apache-2.0
// Making the served frames: statistics, the overlay and the JPEG.
//
// Cview_encoder turns one camera frame into a Cview_frame on the thread
// that calls it. The overlay is the library's own, drawn by its drawable
// image (see Coverlay_mask), and the statistics are those of the frame
// without it. Monochrome pictures are shown as the library shows them,
// each sample v as 255 - v.
//
// Cencoder_thread runs a Cview_encoder on the frames of a mailbox and
// publishes what it makes to a hub; pictures are compressed only while
// somebody wants them, so a view nobody watches costs statistics only.
#ifndef KMXCAP_VIEW_ENCODER_H
#define KMXCAP_VIEW_ENCODER_H

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "frame_hub.h"
#include "jpeg_encoder.h"
#include "overlay_mask.h"
#include "view_frames.h"

namespace kmxcap {

class Cview_encoder {
public:
    // Fills `view` from `frame`: statistics always, the picture (overlay
    // and JPEG) when with_picture. The overlay is drawn into the frame's
    // own pixels. False, with the reason, when the picture could not be
    // made (the statistics are still right).
    bool make(Craw_frame& frame, bool with_picture, Cview_frame& view, std::string& why);

private:
    const unsigned char* shown_grey(const Craw_frame& frame);

    Coverlay_mask overlay;
    Cjpeg_encoder jpeg;
    std::vector<unsigned char> inverted;  // monochrome rows as shown
};

class Cencoder_thread {
public:
    Cencoder_thread(Cframe_mailbox& frames, Cframe_hub& hub);
    ~Cencoder_thread();
    Cencoder_thread(const Cencoder_thread&) = delete;
    Cencoder_thread& operator=(const Cencoder_thread&) = delete;

    void start();
    // Closes the mailbox and waits for the thread.
    void stop();

    double pictures_per_second() const { return pictures.per_second(); }
    uint64_t pictures_made() const { return pictures.count(); }
    uint64_t failures() const { return failed.load(); }
    // Processor time spent making frames (statistics, overlay, JPEG) so
    // far, in microseconds.
    uint64_t cpu_us() const { return spent_us.load(); }

private:
    void run();

    Cframe_mailbox& frames;
    Cframe_hub& hub;
    Cview_encoder encoder;
    Crate_meter pictures;
    std::atomic<uint64_t> failed{0};
    std::atomic<uint64_t> spent_us{0};
    std::thread worker;
};

// Processor time used by the calling thread, in milliseconds.
double thread_cpu_ms();

} // namespace kmxcap

#endif
