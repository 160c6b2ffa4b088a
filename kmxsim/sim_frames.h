// SPDX-License-Identifier: Apache-2.0
// Frames of the simulated camera: acquisition, rendering, copies and the
// automatic procedures.
#ifndef KMXSIM_SIM_FRAMES_H
#define KMXSIM_SIM_FRAMES_H

#include "kmxlib/support/frame_record.h"
#include "sim_state.h"

namespace kmxsim {

// Reserved words of a delivered record: the simulator's tag, the layout
// word without a phase (its mosaics are all RGGB).
using kmxsupport::rw_sequence;
constexpr uint32_t frame_tag = 0x53584D4Bu; // "KMXS"

// The layout of a frame the camera would deliver now.
struct Clayout {
    unsigned width = 0;
    unsigned height = 0;
    unsigned format = 0;       // 0 raw
    unsigned components = 1;   // samples per pixel in the buffer
    unsigned sample_bytes = 1;
    unsigned depth = 8;        // significant bits per sample
    bool colour = false;       // colour scene (raw: Bayer mosaic)
    bool reversed = false;     // B, G, R order
    uint64_t bytes() const
    {
        return static_cast<uint64_t>(width) * height * components * sample_bytes;
    }
};

Clayout current_layout(const Ccamera& camera);
// A delivered frame's layout read back from its record; false when the
// record does not describe a frame that fits its buffer.
bool delivered_layout(const kmx_frame_t& record, Clayout& layout);

int assign_buffers_locked(Ccamera& camera, kmx_frame_t* records, unsigned count);
int release_buffers_locked(Ccamera& camera);
// index -1: record given by the caller.
int start_frame_locked(Ccamera& camera, kmx_frame_t* record, int index);
// The completion checks. delivered is set when a frame was delivered now
// (so the caller fires the frame-complete event outside the lock).
int check_complete_locked(Ccamera& camera, bool stream, bool keep_going, bool& delivered);
// A fault answered a completion check: a failure loses the frame.
void fault_on_check_locked(Ccamera& camera, int status);
int abort_frame_locked(Ccamera& camera);

// Sensor units per scene level at 1000 us and gain 1. At the monochrome
// camera's default gain (index 281, a factor of 2.14) mid-grey (level
// 2048) then reads about 1900 of 4095 and the chart's white stays below
// full scale, as a well set-up camera shows it.
constexpr double signal_per_level = 0.4335;
// Gain of a colour channel: white balance, sensitivity and boost.
double channel_factor(const Ccamera& camera, unsigned component, bool colour);
// Writes the reserved words that describe a delivered frame.
void mark_delivered(kmx_frame_t& record, const Clayout& layout, uint32_t sequence);

// Renders one frame into buffer (which holds layout.bytes()).
void render_frame(Ccamera& camera, const Clayout& layout, uint32_t frame_number,
                  unsigned char* buffer);

int copy_locked(const kmx_frame_t* record, const RECT* source, unsigned format,
                unsigned char* pixels, RECT rect, unsigned rowbytes);

// The automatic procedures.
enum class auto_kind { white_balance, gain, exposure, exposure_gain };
struct Cauto_request {
    auto_kind kind = auto_kind::gain;
    kmx_frame_t* record = nullptr; // null: use the assigned record `index`
    unsigned index = 0;
    kmx_progress_callback callback = nullptr;
    uintptr_t user = 0;
    RECT region{};
    unsigned lowest_exposure = 0, highest_exposure = 0;
    unsigned lowest_gain = 0, highest_gain = 0;
};
int run_auto(Centry& entry, kmx_camera_t* handle, const Cauto_request& request);

// The pattern of test mode (before inversion).
uint32_t test_pattern(unsigned x, unsigned y, unsigned component, unsigned depth);

} // namespace kmxsim

#endif
