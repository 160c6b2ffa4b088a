// SPDX-License-Identifier: Apache-2.0
// The frames of the live view on their way from the camera to the
// browsers.
//
// The capture thread copies each camera frame into a Craw_frame and posts
// it to a Cframe_mailbox; the encoder thread takes the newest one, adds
// its statistics and overlay, compresses it once into a Cview_frame and
// hands that to every viewer. The mailbox holds one frame: when the
// encoder falls behind, older frames are dropped rather than queued, so
// the camera never waits for the encoder and what is shown is always the
// newest picture.
#ifndef KMXCAP_VIEW_FRAMES_H
#define KMXCAP_VIEW_FRAMES_H

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

class Cimage_core;

namespace kmxcap {

using view_clock = std::chrono::steady_clock;

// Bytes per row are padded to this many, the way a drawing surface keeps
// them, so that the overlay can be drawn straight onto a copy.
constexpr unsigned view_row_alignment = 4;
constexpr unsigned histogram_bins = 256;

// One camera frame, the view's own copy of its pixels.
struct Craw_frame {
    std::vector<unsigned char> pixels;
    unsigned width = 0;
    unsigned height = 0;
    unsigned channels = 0;       // 1 grey, 3 colour
    unsigned rowbytes = 0;       // width * channels, padded to view_row_alignment
    bool rgb_order = false;      // colour bytes in red, green, blue order (else blue first)
    uint64_t number = 0;         // counts the frames of this view, from 1
    uint64_t settings_version = 0;
    unsigned overlay = 0;        // overlay_none, _crosshair or _grid
    view_clock::time_point captured;
};

// Copies an 8-bit library image (1, 3 or 4 components; the fourth is
// dropped) into the frame's padded rows, reusing its buffer. False for an
// image without pixels, deeper components or rows too short for its width.
bool copy_frame(const Cimage_core& image, Craw_frame& frame);

// Mean, standard deviation and the share of samples at the top value
// (255: saturated), per channel, as the picture is shown.
struct Cchannel_summary {
    double mean = 0.0;
    double deviation = 0.0;
    double saturated = 0.0;
};
using Chistogram = std::array<uint32_t, histogram_bins>;

// A frame ready to serve: its statistics, and the picture as a JPEG once
// anyone watches.
struct Cview_frame {
    uint64_t number = 0;
    uint64_t settings_version = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned channels = 0;
    std::vector<Chistogram> histograms;      // per channel: R, G, B or grey
    std::vector<Cchannel_summary> summaries;
    std::vector<unsigned char> jpeg;          // empty when nobody wanted the picture
    double encode_cpu_ms = 0.0;               // processor time spent making this record
    view_clock::time_point captured;
};

// The histograms and summaries of a frame as it is shown: monochrome
// frames are shown inverted (a sample v as 255 - v), as the library's
// grey colour table shows them.
void summarise(const Craw_frame& frame, Cview_frame& view);

// The hand-over between the capture thread and the encoder thread.
class Cframe_mailbox {
public:
    Cframe_mailbox();
    Cframe_mailbox(const Cframe_mailbox&) = delete;
    Cframe_mailbox& operator=(const Cframe_mailbox&) = delete;

    // A record to fill. Never waits: one record may be filled, one wait in
    // the box and one be encoded at a time.
    Craw_frame* acquire();
    // Puts the filled record in the box; a record still waiting there is
    // dropped (returned for reuse).
    void post(Craw_frame* frame);
    // Gives a record that was acquired but not posted back.
    void give_back(Craw_frame* frame) { release(frame); }
    // Waits for the record in the box and takes it; null once closed.
    Craw_frame* take();
    // Returns a taken record for reuse.
    void release(Craw_frame* frame);
    // Wakes take() for good.
    void close();
    // Frames dropped because the encoder had not taken the one before.
    uint64_t dropped() const;

private:
    static constexpr unsigned records = 3;
    std::array<Craw_frame, records> storage;
    std::vector<Craw_frame*> free_records;
    Craw_frame* waiting = nullptr;
    bool closed = false;
    uint64_t dropped_frames = 0;
    mutable std::mutex lock;
    std::condition_variable posted;
};

// Events per second over the last second or so (frames delivered, frames
// encoded). Safe to use from several threads.
class Crate_meter {
public:
    void tick(view_clock::time_point now = view_clock::now());
    // 0 when nothing happened for a while.
    double per_second(view_clock::time_point now = view_clock::now()) const;
    uint64_t count() const;

private:
    static constexpr unsigned kept = 64;
    std::array<view_clock::time_point, kept> times{};
    uint64_t ticks = 0;
    mutable std::mutex lock;
};

} // namespace kmxcap

#endif
