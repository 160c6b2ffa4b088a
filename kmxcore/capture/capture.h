// SPDX-License-Identifier: Apache-2.0
// Ccapture: one capture on one open camera, through which every frame of
// that camera is taken.
//
// Borrows: the Cdevice (it must outlive the capture and stay open while
// the capture is used), the device's buffer pool and the pool image that
// get_image() returns, and every Ccam_settings or Cfw_image passed in.
// Owns: a copy of the settings, the deep image (frames deeper than 8 bits
// taken without a caller image) and a one-record frame list that names a
// caller's image or the deep image to the camera for one acquisition.
//
// Use: construct, init(device, settings), acquire as often as needed, call
// setup() again whenever the settings change, destroy. One thread at a
// time; another thread may only stop or abort a running acquisition
// through the Cthread_state passed to it.
//
// Results:
//   - acquisitions return a capture result (CAPTURE_OK .. CAPTURE_NO_MEMORY
//     below); start_frame returns the camera library's status unchanged;
//   - setup returns 0, or 1 when the device refuses the settings' format;
//     init always returns 1;
//   - the property setters return false when the settings refuse the value
//     (the camera is then left alone);
//   - the automatic procedures return CAPTURE_AUTO_DONE, _STOPPED or
//     _FAILED.
//
// Waiting: an acquisition polls the camera, yielding with Sleep(0) between
// polls, with no time limit. While the camera reports the frame in
// progress it gives up on the thread state's abort flag or the Escape key.
// The status is always looked at before the abort flag.
//
// Continuous acquisition alternates between pool buffers 0 and 1 (a stream
// started at n delivers n, then wraps to 0 once the index reaches 2), so
// the device's pool must hold at least two buffers.
//
// Decisions made here:
//   - A capture without a device (constructed without one and never given
//     one by init) refuses instead of touching a null device:
//     acquisitions return CAPTURE_FAILED, setup returns 1, start_frame a
//     non-zero status, abort_frame 0 without calling anything, the property
//     setters false, and the rate selectors do nothing. get_image(n) then
//     answers null. No flag or counter of the capture is changed by such a
//     refused call.
//   - get_frame(Cthread_state*) with settings deeper than 8 bits takes the
//     deep frame into the deep image (get_deep_frame(depth, state)), as
//     get_frame(Cfw_image*, Cthread_state*) does into the caller's image;
//     8 bits or less take the 8-bit frame into pool buffer 0.
//   - Copying a capture copies the device pointer, the scalars, the format
//     and the settings. The deep image and the frame list are never shared:
//     the copy gets its own (see capture.cpp), so each object releases only
//     what it holds.
//   - Averaging or accumulating with a frame count of 0 is refused with
//     CAPTURE_FAILED before anything changes; it never reaches a division.
//   - The sum buffer's size is computed in 64 bits: a size that the byte
//     count cannot hold gives CAPTURE_NO_MEMORY before anything changes.
//     accumulate and accumulate_deep refuse a null, short or misaligned
//     sum buffer, and frames that cannot hold the image, with
//     CAPTURE_FAILED instead of reading or writing past them.
//   - get_image_info before any frame touches no image: bp is null, size 0,
//     current_image and deep_image null, depth 8 and component size 1; the
//     geometry and averaging fields are filled as usual.
//   - After an automatic procedure succeeds, the current image is pool
//     buffer 0, where the camera left the procedure's last frame, so that
//     image_available() never promises an image get_image() cannot give.
#ifndef KMX_CAPTURE_CAPTURE_H
#define KMX_CAPTURE_CAPTURE_H

#include <cstdint>

#include "buffers/frame_info.h"
#include "image/iformat.h"
#include "image/image.h"
#include "kmx_export.h"
#include "kmx_platform.h"
#include "settings/cam_settings.h"

class Cdevice;
class Cfw_image;
class Cimage_binfo;
class Cthread_state;

// Capture results of every acquisition.
constexpr int CAPTURE_OK = 0;         // the frame (or result) is complete
constexpr int CAPTURE_FAILED = 1;     // failed or abandoned; not retried
constexpr int CAPTURE_ERROR_13 = 2;   // library status 13 while waiting; retried
constexpr int CAPTURE_STOPPED = 3;    // the stop flag was seen after the wait
constexpr int CAPTURE_ERROR_16 = 4;   // library status 16 while waiting; retried
constexpr int CAPTURE_NO_MEMORY = 5;  // an averaging sum buffer could not be had

// Results of the automatic white balance, gain and exposure.
constexpr unsigned CAPTURE_AUTO_DONE = 0;     // values read back and stored
constexpr unsigned CAPTURE_AUTO_STOPPED = 1;  // ended through the callback
constexpr unsigned CAPTURE_AUTO_FAILED = 2;   // not 8-bit, or the library failed

// Retries of a failed frame after construction: six attempts in all.
constexpr unsigned CAPTURE_DEFAULT_RETRIES = 5;

class KMX_CORE_API Ccapture {
public:
    Ccapture();
    // Stores the device; touches neither the device nor the camera.
    explicit Ccapture(Cdevice* device);
    Ccapture(const Ccapture& other);
    Ccapture& operator=(const Ccapture& other);
    // Releases the frame list and the deep image; leaves the device, its
    // pool and the camera alone (a frame in progress is not aborted).
    virtual ~Ccapture();

    // Binds the device, copies the settings, reads the device geometry,
    // writes gains, black level and inversion, then setup(settings, 0, 0).
    // Always 1, even when setup refuses the format. A null device is
    // refused with 0 and nothing changed; a null settings pointer keeps the
    // capture's own settings.
    virtual int init(Cdevice* device, Ccam_settings* settings);
    virtual Cdevice* get_device() const;
    // The capture's own settings: change them, then call setup(average, live).
    virtual Ccam_settings* get_settings();
    // True while get_image() holds a completed frame.
    virtual bool image_available() const;
    virtual bool deep_image_available() const;
    // 1 colour camera, 0 monochrome.
    virtual unsigned get_image_mode() const;
    // Row and image bytes that the current settings deliver at the current
    // width and height (not those of the image in hand).
    virtual unsigned get_bytes_per_row() const;
    virtual unsigned get_image_size() const;
    virtual unsigned get_width() const;
    virtual unsigned get_height() const;
    virtual unsigned get_buffer_no() const;
    // Pool image n, or null when n is beyond the pool (or no device).
    virtual Cfw_image* get_image(unsigned n);
    // The pool image of the last completed frame; may be null or stale:
    // check image_available().
    virtual Cfw_image* get_image() const;
    virtual Cimage* get_deep_image();
    virtual void get_image_info(Cimage_binfo* binfo);
    virtual void reset_frame_count();
    virtual unsigned get_frame_count() const;

    // Copies the settings and writes them to the camera. average non-zero
    // switches averaging on; live 1 selects the live rate, anything else the
    // capture rate. 0 done; 1 the device refused the format (or no device,
    // or a null settings pointer).
    virtual int setup(Ccam_settings* settings, int average, int live);
    // setup() with the capture's own settings.
    virtual int setup(int average, int live);
    // Switch parameter 6 between the two rates of the settings; nothing at
    // all when they are equal.
    virtual void select_live_rate();
    virtual void select_capture_rate();
    // Retries after a result of 2, 3 (get_frame only) or 4; 0 = one attempt.
    virtual void set_no_retries(unsigned n);

    // One frame, retried up to no_retries times after 2, 3 or 4. Into the
    // caller's image (at the settings' depth: deep frames get a new buffer
    // on every call, 8-bit frames need an image already large enough), or
    // into pool buffer 0 (8 bits) or the deep image (deeper).
    virtual int get_frame(Cfw_image* image, Cthread_state* state);
    virtual int get_frame(Cfw_image* image);
    virtual int get_frame(Cthread_state* state);
    virtual int get_frame();

protected:
    // One 8-bit frame, one attempt. The stop flag, if seen, is cleared and
    // the result becomes CAPTURE_STOPPED (and is counted).
    virtual int get_frame8(Cfw_image* image, Cthread_state* state);
    virtual int get_frame8(Cfw_image* image);
    virtual int get_frame8(Cthread_state* state);
    virtual int get_frame8();
    // One frame of depth 10 or 12 (any other depth uses the 10-bit codes),
    // one attempt; camera parameter 7 is switched for the frame and
    // restored. The stop flag is ignored.
    virtual int get_deep_frame(Cfw_image* image, unsigned depth, Cthread_state* state);
    virtual int get_deep_frame(Cfw_image* image, unsigned depth);
    virtual int get_deep_frame(unsigned depth, Cthread_state* state);
    virtual int get_deep_frame(unsigned depth);

public:
    // Starts continuous acquisition into pool buffer index (0 by default);
    // the library's status. The thread state is not used.
    virtual int start_frame(unsigned index, Cthread_state* state);
    virtual int start_frame(unsigned index);
    virtual int start_frame(Cthread_state* state);
    virtual int start_frame();
    // Abandons whatever the camera acquires; the stream must restart. 0.
    virtual int abort_frame();
    // The next frame of the stream (restarting it first when needed).
    // CAPTURE_STOPPED when the stop flag is set; the flag stays set.
    virtual int complete_frame(Cthread_state* state);
    virtual int complete_frame();
    virtual int complete_framex(Cthread_state* state);
    // As complete_frame, but returns CAPTURE_OK at once, with the earlier
    // image, while a frame is in progress and the earlier one is available.
    virtual int current_frame(Cthread_state* state);
    virtual int current_frame();
    virtual int current_framex(Cthread_state* state);
    // Lets the frame in progress finish and ends the stream. On success
    // get_image() holds it, but image_available() is false.
    virtual int stop_frame(Cthread_state* state);
    virtual int stop_frame();
    virtual int stop_framex(Cthread_state* state);

protected:
    // Averaging of several streamed 8-bit frames into the last one's buffer.
    virtual int process_multi_frame8(Cthread_state* state);
    virtual int process_multi_frame8();
    // Accumulation of several deep frames into the deep image, with an
    // 8-bit copy in pool buffer 0.
    virtual int process_multi_deep(unsigned depth, Cthread_state* state);
    virtual int process_multi_deep(unsigned depth);

public:
    // One frame of the camera's raw output (parameter 7 = 0 for the frame,
    // then restored) into pool buffer 0. A failure status of the camera is
    // returned as it maps (2, 4, 1) without aborting the frame and without
    // looking at the stop flag.
    virtual int get_raw_frame(Cthread_state* state);
    virtual int get_raw_frame();

protected:
    virtual int accumulate(unsigned char* sums, unsigned sums_bytes, Cthread_state* state);
    virtual int accumulate(unsigned char* sums, unsigned sums_bytes);
    virtual int accumulate_deep(unsigned char* sums, unsigned sums_bytes, unsigned depth,
                                Cthread_state* state);
    virtual int accumulate_deep(unsigned char* sums, unsigned sums_bytes, unsigned depth);
    virtual int get_multi_frame(Cthread_state* state);
    virtual int get_multi_frame();
    virtual int get_multi_deep(Cthread_state* state);
    virtual int get_multi_deep();

public:
    // The camera's automatic procedures; out-values written only on
    // CAPTURE_AUTO_DONE, and then also stored in the capture's settings.
    virtual unsigned wb_process(RECT roi, unsigned& gain, unsigned& red_gain,
                                unsigned& green_gain, unsigned& blue_gain, Cthread_state* state);
    virtual unsigned wb_process(RECT roi, unsigned& gain, unsigned& red_gain,
                                unsigned& green_gain, unsigned& blue_gain);
    virtual unsigned agp_process(unsigned& gain, Cthread_state* state);
    virtual unsigned agp_process(unsigned& gain);
    virtual unsigned aep_process(unsigned& exposure_index, unsigned& gain, Cthread_state* state);
    virtual unsigned aep_process(unsigned& exposure_index, unsigned& gain);

    // Each stores the value in the settings and, only if they accept it,
    // writes the same value to its camera parameter.
    virtual bool set_test_mode(unsigned on);
    virtual bool set_gain(unsigned index);
    virtual bool set_bl(unsigned index);
    virtual bool set_red_gain(unsigned index);
    virtual bool set_green_gain(unsigned index);
    virtual bool set_blue_gain(unsigned index);
    virtual bool set_red_boost(unsigned on);
    virtual bool set_blue_boost(unsigned on);

protected:
    // Progress callbacks of the automatic procedures, in the form of
    // kmx_progress_callback. user is the Cthread_state* given to the
    // procedure (0 for none): 1 go on, 0 end the procedure on an abort or
    // stop request. The camera handle is not looked at.
    static int wb_callback(void* camera, uintptr_t user);
    static int agp_callback(void* camera, uintptr_t user);
    static int aep_callback(void* camera, uintptr_t user);

    Cdevice* device = nullptr;          // borrowed
    unsigned frame_count = 0;
    unsigned no_retries = CAPTURE_DEFAULT_RETRIES;
    unsigned retry_count = 0;
    unsigned continuous = 0;            // flag; written, never read
    unsigned next_index = 0;            // pool buffer the stream fills next
    unsigned buffer_no = 0;             // pool buffer of current_image
    unsigned start_index = 0;           // where a stream restarts
    Cfw_image* current_image = nullptr; // borrowed pool image
    Cimage deep_image;                  // owned
    Cframe_info frame_info;             // owned, one record after init
    unsigned image_ready = 0;           // flag
    unsigned deep_image_ready = 0;      // flag
    unsigned image_mode = 0;            // 1 colour, 0 monochrome
    unsigned format = 0;                // format code of the last setup
    Ciformat iformat;
    unsigned max_width = 0;             // device geometry at init; not read
    unsigned max_height = 0;
    unsigned preview_width = 0;
    unsigned preview_height = 0;
    unsigned bin_width = 0;
    unsigned bin_height = 0;
    unsigned width = 0;                 // image size in the current mode
    unsigned height = 0;
    unsigned row_values = 0;            // = width
    unsigned rgb_row_values = 0;        // = 3 * width
    unsigned averaging = 0;             // flag
    unsigned average_opt = 0;
    unsigned average_frames = 0;
    Ccam_settings settings;             // owned copy
    unsigned restart_needed = 1;        // flag: the stream may not be running

    // The counters, indices and flags are 32-bit words, as the design's
    // field table states, on every target.
    static_assert(sizeof(unsigned) == 4, "Ccapture: counters, indices and flags are 32-bit words");
    static_assert(sizeof(uintptr_t) == sizeof(void*),
                  "Ccapture: the callbacks' user value must carry a Cthread_state pointer");

private:
    // Steps shared by the operations above; not virtual, so they take no
    // slot in the class's interface.
    bool store_and_send(bool (Ccam_settings::*setter)(unsigned), unsigned param, unsigned value);
    void select_readout();
    void send_colour_balance();
    void send_contrast();
    void copy_frame_list_length(const Ccapture& other);
    void forget_lost_deep_frame();
    void restart_stream_if_needed(Cthread_state* state);
    void advance_stream();
    int deliver_streamed_frame(Cthread_state* state);
    bool begin_auto_procedure();
    void mark_auto_procedure_done();
    template <typename Attempt>
    int retry_single_frame(Attempt attempt);
    int retry_stream_attempt(int (Ccapture::*attempt)(Cthread_state*), Cthread_state* state);
    void restore_format(unsigned saved);
    int prepare_deep_target(Cimage& target, unsigned depth);
    int take_deep_frame(Cimage& target, unsigned depth, Cthread_state* state);
};

#endif
