// SPDX-License-Identifier: Apache-2.0
/// @file
/// @brief Ccapture: one capture on one open camera, through which every
/// frame of that camera is taken, and the results its acquisitions return.
#ifndef KMX_CAPTURE_CAPTURE_H
#define KMX_CAPTURE_CAPTURE_H

#include <cstdint>

#include <kmxcore/buffers/frame_info.h>
#include <kmxcore/image/iformat.h>
#include <kmxcore/image/image.h>
#include <kmxcore/kmx_export.h>
#include <kmxcore/win_types.h>
#include <kmxcore/settings/cam_settings.h>

class Cdevice;
class Cfw_image;
class Cimage_binfo;
class Cthread_state;

/// @name Capture results
/// Returned by every acquisition (start_frame excepted, which returns the
/// camera library's status).
/// @{
constexpr int CAPTURE_OK = 0;         ///< The frame (or the result) is complete and right.
constexpr int CAPTURE_FAILED = 1;     ///< Failed or abandoned; not retried.
constexpr int CAPTURE_ERROR_13 = 2;   ///< Camera status 13 while waiting; retried.
constexpr int CAPTURE_STOPPED = 3;    ///< The stop flag was seen after the wait.
constexpr int CAPTURE_ERROR_16 = 4;   ///< Camera status 16 while waiting; retried.
constexpr int CAPTURE_NO_MEMORY = 5;  ///< An averaging sum buffer could not be had.
/// @}

/// @name Results of the automatic white balance, gain and exposure
/// @{
constexpr unsigned CAPTURE_AUTO_DONE = 0;     ///< Values read back and stored.
constexpr unsigned CAPTURE_AUTO_STOPPED = 1;  ///< Ended through the progress callback.
constexpr unsigned CAPTURE_AUTO_FAILED = 2;   ///< Not 8-bit settings, or the library failed.
/// @}

/// Retries of a failed frame after construction: six attempts in all.
constexpr unsigned CAPTURE_DEFAULT_RETRIES = 5;

/// @brief One capture on one open camera.
///
/// Borrows the Cdevice (it must outlive the capture and stay open while the
/// capture is used), the device's buffer pool and the pool image that
/// get_image() returns, and every Ccam_settings or Cfw_image passed in.
/// Owns a copy of the settings, the deep image (frames deeper than 8 bits
/// taken without a caller image) and a one-record frame list that names a
/// caller's image or the deep image to the camera for one acquisition.
///
/// Use: construct, init(device, settings), acquire as often as needed, call
/// setup() again whenever the settings change, destroy. One thread at a
/// time; another thread may only stop or abort a running acquisition
/// through the Cthread_state passed to it (null: nobody asks).
///
/// Waiting: an acquisition polls the camera, yielding with Sleep(0) between
/// polls, with no time limit. While the camera reports the frame in
/// progress it gives up on the thread state's abort flag or the Escape key;
/// the camera's status is always looked at before either.
///
/// Deep, raw, averaged and accumulated acquisitions switch the camera's
/// format (KMX_PARAM_FORMAT) or inversion (KMX_PARAM_INVERT) for their
/// frames and put them back. If the camera refuses the switch, no frame is
/// taken and the acquisition answers CAPTURE_FAILED. If it refuses to take
/// the old values back, the acquisition answers CAPTURE_FAILED with nothing
/// offered as ready, and the device sends the format and inversion again
/// with the next setup(). CAPTURE_OK therefore always means that the pixels
/// are right and the camera holds its format and inversion as before.
///
/// Continuous acquisition alternates between pool buffers 0 and 1 (a stream
/// started at n delivers n, then wraps to 0 once the index reaches 2), so
/// the device's pool must hold at least two buffers.
///
/// A capture without a device (constructed without one and never given one
/// by init) refuses instead of touching a null device: acquisitions answer
/// CAPTURE_FAILED, setup 1, start_frame a non-zero status, the property
/// setters false; abort_frame and the rate selectors do nothing. No flag or
/// counter changes on such a refused call.
class KMX_CORE_API Ccapture {
public:
    /// @brief A capture without a device; nothing is acquired until init().
    Ccapture();
    /// @brief A capture that will use `device`; touches neither the device
    /// nor the camera.
    /// @param device The device, borrowed.
    explicit Ccapture(Cdevice* device);
    /// @brief Copies the device pointer, the counters, flags, format and
    /// settings. The copy owns its own deep image (a duplicate) and its own
    /// frame list (empty records of the same length), so that each capture
    /// releases only what it holds.
    /// @param other The capture copied.
    Ccapture(const Ccapture& other);
    /// @brief As the copy constructor; safe on itself.
    /// @param other The capture copied.
    /// @return This capture.
    Ccapture& operator=(const Ccapture& other);
    /// @brief Releases the frame list and the deep image. The device, its
    /// pool and the camera are left alone (a frame in progress is not
    /// aborted).
    virtual ~Ccapture();

    /// @brief Binds the device and brings the camera to the settings.
    ///
    /// Copies the settings, reads the device's geometry, writes the gains,
    /// the black level and the inversion, then setup(settings, 0, 0).
    /// @param device The device to use from now on. Null is refused and
    /// changes nothing.
    /// @param settings The settings to copy; null keeps the capture's own.
    /// @return 1 when bound, whether or not setup() accepted the format
    /// (a caller who needs to know calls setup() itself); 0 for a null
    /// device.
    virtual int init(Cdevice* device, Ccam_settings* settings);
    /// @brief The bound device.
    /// @return The device, or null.
    virtual Cdevice* get_device() const;
    /// @brief The capture's own settings; change them, then call
    /// setup(average, live).
    /// @return The settings, never null.
    virtual Ccam_settings* get_settings();
    /// @brief Whether get_image() holds a completed frame.
    /// @return True when it does.
    virtual bool image_available() const;
    /// @brief Whether get_deep_image() holds a completed deep frame.
    /// @return True when it does.
    virtual bool deep_image_available() const;
    /// @brief The camera kind.
    /// @return 1 for a colour camera, 0 for a monochrome one.
    virtual unsigned get_image_mode() const;
    /// @brief The row length that the current settings deliver at the
    /// current width (not that of the image in hand).
    /// @return Bytes per row.
    virtual unsigned get_bytes_per_row() const;
    /// @brief The image size that the current settings deliver at the
    /// current width and height.
    /// @return Bytes per image.
    virtual unsigned get_image_size() const;
    /// @brief The image width in the current readout.
    /// @return Pixels.
    virtual unsigned get_width() const;
    /// @brief The image height in the current readout.
    /// @return Pixels.
    virtual unsigned get_height() const;
    /// @brief The pool buffer of get_image().
    /// @return The buffer number.
    virtual unsigned get_buffer_no() const;
    /// @brief A pool image by number.
    /// @param n The buffer number.
    /// @return Pool image n, or null when n is beyond the pool or there is
    /// no device.
    virtual Cfw_image* get_image(unsigned n);
    /// @brief The pool image of the last completed frame.
    /// @return The image; null or stale until image_available() says so.
    virtual Cfw_image* get_image() const;
    /// @brief The capture's deep image.
    /// @return The image, never null; check deep_image_available().
    virtual Cimage* get_deep_image();
    /// @brief Describes the current image (8-bit and deep) in one record.
    /// Before any frame the 8-bit part has a null buffer, size 0, depth 8
    /// and component size 1; the geometry and averaging fields are filled
    /// as usual.
    /// @param binfo The record to fill; null is ignored.
    virtual void get_image_info(Cimage_binfo* binfo);
    /// @brief Sets the frame counter to 0.
    virtual void reset_frame_count();
    /// @brief Frames delivered since construction or reset_frame_count().
    /// @return The count.
    virtual unsigned get_frame_count() const;

    /// @brief Copies the settings and writes them to the camera.
    ///
    /// Sends the format (through Cdevice::set_format, which also writes
    /// again a format or inversion the camera lost to a refused write), the
    /// test mode, the rate (KMX_PARAM_RATE), the readout, gain, black
    /// level, colour balance (colour cameras), gamma, contrast and
    /// exposure, then sets the camera up. A running stream is taken to be
    /// stopped. The results of the writes other than the format are not
    /// looked at.
    /// @param settings The settings to copy (may be the capture's own).
    /// @param average Non-zero switches averaging on with the settings'
    /// averaging option and frame count; 0 switches it off.
    /// @param live 1 selects the live rate, anything else the capture rate.
    /// @return 0 when done; 1 when the device refused the settings' format
    /// (the width and height are then left as they were), or there is no
    /// device or no settings.
    virtual int setup(Ccam_settings* settings, int average, int live);
    /// @brief setup() with the capture's own settings.
    /// @param average As for setup(Ccam_settings*, int, int).
    /// @param live As for setup(Ccam_settings*, int, int).
    /// @return As for setup(Ccam_settings*, int, int).
    virtual int setup(int average, int live);
    /// @brief Switches the camera to the settings' live rate and sets it
    /// up; nothing at all when the live and capture rates are equal.
    virtual void select_live_rate();
    /// @brief Switches the camera to the settings' capture rate and sets it
    /// up; nothing at all when the live and capture rates are equal.
    virtual void select_capture_rate();
    /// @brief Sets how often a failed frame is tried again.
    /// @param n Retries after CAPTURE_ERROR_13, CAPTURE_ERROR_16 or (get_frame
    /// only) CAPTURE_STOPPED; 0 makes one attempt only.
    virtual void set_no_retries(unsigned n);

    /// @brief One frame at the settings' depth into the caller's image,
    /// tried again up to the retry limit after CAPTURE_ERROR_13,
    /// CAPTURE_ERROR_16 or CAPTURE_STOPPED (the stop request is consumed by
    /// the attempt). Deep frames give the image a new buffer on every call;
    /// 8-bit frames need an image already large enough for one frame.
    /// Neither ready flag is set: the frame is in the caller's image only.
    /// @param image The caller's image; null fails.
    /// @param state Stop and abort requests, or null.
    /// @return The last attempt's capture result.
    virtual int get_frame(Cfw_image* image, Cthread_state* state);
    /// @brief get_frame(image, null).
    /// @param image The caller's image.
    /// @return As get_frame(Cfw_image*, Cthread_state*).
    virtual int get_frame(Cfw_image* image);
    /// @brief One frame, retried as get_frame(Cfw_image*, Cthread_state*):
    /// settings of 8 bits or less into pool buffer 0 (get_image()), deeper
    /// settings into the deep image (get_deep_image()), so that the frame
    /// always has the depth the settings ask for.
    /// @param state Stop and abort requests, or null.
    /// @return The last attempt's capture result.
    virtual int get_frame(Cthread_state* state);
    /// @brief get_frame(null).
    /// @return As get_frame(Cthread_state*).
    virtual int get_frame();

protected:
    /// @brief One 8-bit frame into the caller's image, one attempt; the
    /// image is neither created nor reshaped.
    /// @param image The caller's image; null fails with nothing started.
    /// @param state Stop and abort requests, or null. A stop request seen
    /// after the wait is cleared, counted and reported.
    /// @return CAPTURE_OK, CAPTURE_STOPPED, or the failure of the frame
    /// (CAPTURE_FAILED when the camera refuses to start it).
    virtual int get_frame8(Cfw_image* image, Cthread_state* state);
    /// @brief get_frame8(image, null).
    /// @param image The caller's image.
    /// @return As get_frame8(Cfw_image*, Cthread_state*).
    virtual int get_frame8(Cfw_image* image);
    /// @brief One 8-bit frame into pool buffer 0, one attempt; on success it
    /// becomes get_image().
    /// @param state Stop and abort requests, or null; as for
    /// get_frame8(Cfw_image*, Cthread_state*).
    /// @return As get_frame8(Cfw_image*, Cthread_state*).
    virtual int get_frame8(Cthread_state* state);
    /// @brief get_frame8(null).
    /// @return As get_frame8(Cthread_state*).
    virtual int get_frame8();
    /// @brief One deep frame into the caller's image, one attempt, with the
    /// camera's format switched to the deep code for the frame and put
    /// back. The image is closed, created anew (room for an unbinned frame)
    /// and shaped to the current size. The stop flag is ignored; neither
    /// ready flag is set.
    /// @param image The caller's image; null fails with no camera call.
    /// @param depth 12 for the 12-bit codes; any other value takes the
    /// 10-bit codes.
    /// @param state Abort requests, or null.
    /// @return CAPTURE_OK; CAPTURE_FAILED when the image cannot be made,
    /// the camera refuses the switch or the start, the frame is abandoned
    /// or the camera refuses to take its format back; CAPTURE_ERROR_13 or
    /// CAPTURE_ERROR_16 for a failed frame.
    virtual int get_deep_frame(Cfw_image* image, unsigned depth, Cthread_state* state);
    /// @brief get_deep_frame(image, depth, null).
    /// @param image The caller's image.
    /// @param depth As for get_deep_frame(Cfw_image*, unsigned, Cthread_state*).
    /// @return As get_deep_frame(Cfw_image*, unsigned, Cthread_state*).
    virtual int get_deep_frame(Cfw_image* image, unsigned depth);
    /// @brief One deep frame into the deep image, as
    /// get_deep_frame(Cfw_image*, unsigned, Cthread_state*). On success
    /// deep_image_available() is true, get_image() keeps the earlier 8-bit
    /// frame and image_available() says whether there is one.
    /// @param depth As for get_deep_frame(Cfw_image*, unsigned, Cthread_state*).
    /// @param state Abort requests, or null.
    /// @return As get_deep_frame(Cfw_image*, unsigned, Cthread_state*).
    virtual int get_deep_frame(unsigned depth, Cthread_state* state);
    /// @brief get_deep_frame(depth, null).
    /// @param depth As for get_deep_frame(unsigned, Cthread_state*).
    /// @return As get_deep_frame(unsigned, Cthread_state*).
    virtual int get_deep_frame(unsigned depth);

public:
    /// @brief Starts continuous acquisition into a pool buffer. The capture
    /// counts as streaming whatever the camera answers.
    /// @param index The first pool buffer; a stream restarts there.
    /// @param state Not used.
    /// @return The camera library's status (0 started).
    virtual int start_frame(unsigned index, Cthread_state* state);
    /// @brief start_frame(index, null).
    /// @param index The first pool buffer.
    /// @return As start_frame(unsigned, Cthread_state*).
    virtual int start_frame(unsigned index);
    /// @brief start_frame(0, state).
    /// @param state Not used.
    /// @return As start_frame(unsigned, Cthread_state*).
    virtual int start_frame(Cthread_state* state);
    /// @brief start_frame(0, null).
    /// @return As start_frame(unsigned, Cthread_state*).
    virtual int start_frame();
    /// @brief Abandons whatever the camera acquires; the next streamed frame
    /// restarts the stream first.
    /// @return 0.
    virtual int abort_frame();
    /// @brief The next frame of the stream, retried up to the retry limit
    /// after CAPTURE_ERROR_13 or CAPTURE_ERROR_16.
    /// @param state Stop and abort requests, or null. A stop request is
    /// reported, not consumed.
    /// @return The last attempt's result, as complete_framex().
    virtual int complete_frame(Cthread_state* state);
    /// @brief complete_frame(null).
    /// @return As complete_frame(Cthread_state*).
    virtual int complete_frame();
    /// @brief The next frame of the stream, one attempt, restarting the
    /// stream first when it may not be running. The frame becomes
    /// get_image().
    /// @param state Stop and abort requests, or null.
    /// @return CAPTURE_OK; CAPTURE_STOPPED for a delivered frame while the
    /// stop flag is set (the flag stays set); CAPTURE_FAILED when
    /// abandoned; CAPTURE_ERROR_13, CAPTURE_ERROR_16 or CAPTURE_FAILED for a
    /// failed frame (the stream is restarted where it stood).
    virtual int complete_framex(Cthread_state* state);
    /// @brief As complete_frame(), but through current_framex().
    /// @param state Stop and abort requests, or null.
    /// @return The last attempt's result.
    virtual int current_frame(Cthread_state* state);
    /// @brief current_frame(null).
    /// @return As current_frame(Cthread_state*).
    virtual int current_frame();
    /// @brief As complete_framex(), but answers CAPTURE_OK at once, with the
    /// earlier image, while a frame is in progress and the earlier one is
    /// available.
    /// @param state Stop and abort requests, or null.
    /// @return As complete_framex().
    virtual int current_framex(Cthread_state* state);
    /// @brief As stop_framex(), tried again from the stream's next buffer
    /// after CAPTURE_ERROR_13 or CAPTURE_ERROR_16.
    /// @param state Stop and abort requests, or null.
    /// @return The last attempt's result.
    virtual int stop_frame(Cthread_state* state);
    /// @brief stop_frame(null).
    /// @return As stop_frame(Cthread_state*).
    virtual int stop_frame();
    /// @brief Lets the frame in progress finish and ends the stream. On
    /// success get_image() holds the frame, but image_available() is false:
    /// nothing follows it.
    /// @param state Stop and abort requests, or null.
    /// @return CAPTURE_OK; CAPTURE_STOPPED whenever the stop flag is set
    /// (the flag stays set); otherwise the failure of the frame.
    virtual int stop_framex(Cthread_state* state);

protected:
    /// @brief Averages several streamed 8-bit frames into the buffer of the
    /// last one, which becomes get_image(); without averaging, one frame of
    /// the stream. The camera's inversion is switched off while frames are
    /// summed (monochrome results are inverted in software) and put back.
    /// @param state Stop and abort requests, or null; either ends the wait.
    /// @return CAPTURE_OK; CAPTURE_NO_MEMORY when the sums cannot be had
    /// (also when their size would not fit 32 bits); CAPTURE_FAILED for a
    /// frame count of 0, a refused switch or start, an abandoned wait, or
    /// an inversion the camera refuses to take back; CAPTURE_ERROR_13 or
    /// CAPTURE_ERROR_16 for failed frames. On every result but CAPTURE_OK
    /// neither image is offered as ready.
    virtual int process_multi_frame8(Cthread_state* state);
    /// @brief process_multi_frame8(null).
    /// @return As process_multi_frame8(Cthread_state*).
    virtual int process_multi_frame8();
    /// @brief Accumulates several deep frames into the deep image, with an
    /// 8-bit copy made by the camera library in pool buffer 0 (which
    /// becomes get_image()). The camera's format goes to the deep code, and
    /// while frames are summed its inversion is switched off; both are put
    /// back.
    /// @param depth 12 for the 12-bit codes; any other value takes the
    /// 10-bit codes.
    /// @param state Stop and abort requests, or null; either ends the wait.
    /// @return As process_multi_frame8(Cthread_state*), and CAPTURE_FAILED
    /// also when the deep image cannot be made or the copy fails.
    virtual int process_multi_deep(unsigned depth, Cthread_state* state);
    /// @brief process_multi_deep(depth, null).
    /// @param depth As for process_multi_deep(unsigned, Cthread_state*).
    /// @return As process_multi_deep(unsigned, Cthread_state*).
    virtual int process_multi_deep(unsigned depth);

public:
    /// @brief One frame of the camera's raw output into pool buffer 0, with
    /// the camera's format switched to raw (KMX_FORMAT_RAW) for the frame
    /// and put back; on success it becomes get_image().
    /// @param state Stop and abort requests, or null. A stop request seen
    /// after a completed or abandoned frame is cleared, counted and
    /// reported.
    /// @return CAPTURE_OK; CAPTURE_STOPPED; CAPTURE_FAILED when the camera
    /// refuses the switch or the start, the frame is abandoned or the
    /// camera refuses to take its format back (nothing is then ready and
    /// the stop flag is left alone); a failed frame's CAPTURE_ERROR_13,
    /// CAPTURE_ERROR_16 or CAPTURE_FAILED as it maps, without aborting it
    /// and without a stop test.
    virtual int get_raw_frame(Cthread_state* state);
    /// @brief get_raw_frame(null).
    /// @return As get_raw_frame(Cthread_state*).
    virtual int get_raw_frame();

protected:
    /// @brief Sums the frames of the running stream and writes the mean (or
    /// the sum clamped to 255) into the last frame's buffer, inverted for a
    /// monochrome camera. Status 16 is tried up to five times per frame.
    /// @param sums Room for one 32-bit sum per component, 4-byte aligned.
    /// @param sums_bytes The size of `sums` in bytes.
    /// @param state Stop and abort requests, or null.
    /// @return CAPTURE_OK; CAPTURE_FAILED for a frame count of 0, sums too
    /// small for the image, a frame buffer too small for it, or an
    /// abandoned wait (the stream is then aborted); a failed frame's result.
    virtual int accumulate(unsigned char* sums, unsigned sums_bytes, Cthread_state* state);
    /// @brief accumulate(sums, sums_bytes, null).
    /// @param sums As for accumulate(unsigned char*, unsigned, Cthread_state*).
    /// @param sums_bytes As for accumulate(unsigned char*, unsigned, Cthread_state*).
    /// @return As accumulate(unsigned char*, unsigned, Cthread_state*).
    virtual int accumulate(unsigned char* sums, unsigned sums_bytes);
    /// @brief Sums deep frames, each started on its own, and writes the
    /// mean (or the sum clamped to the depth's largest value) into the deep
    /// image, inverted against that value for a monochrome camera.
    /// @param sums Room for one 32-bit sum per component, 4-byte aligned.
    /// @param sums_bytes The size of `sums` in bytes.
    /// @param depth 12 for 12-bit values; any other value for 10-bit ones.
    /// @param state Stop and abort requests, or null.
    /// @return As accumulate(unsigned char*, unsigned, Cthread_state*), and
    /// CAPTURE_FAILED for a deep image whose rows do not hold 16-bit
    /// components.
    virtual int accumulate_deep(unsigned char* sums, unsigned sums_bytes, unsigned depth,
                                Cthread_state* state);
    /// @brief accumulate_deep(sums, sums_bytes, depth, null).
    /// @param sums As for accumulate_deep(unsigned char*, unsigned, unsigned, Cthread_state*).
    /// @param sums_bytes As for accumulate_deep(unsigned char*, unsigned, unsigned, Cthread_state*).
    /// @param depth As for accumulate_deep(unsigned char*, unsigned, unsigned, Cthread_state*).
    /// @return As accumulate_deep(unsigned char*, unsigned, unsigned, Cthread_state*).
    virtual int accumulate_deep(unsigned char* sums, unsigned sums_bytes, unsigned depth);
    /// @brief Waits for the next frame of the running stream; it becomes
    /// get_image(). The ready flags are not touched.
    /// @param state Stop and abort requests, or null; either ends the wait.
    /// @return CAPTURE_OK; CAPTURE_FAILED when abandoned (the frame is
    /// aborted); a failed frame's result (the stream is restarted).
    virtual int get_multi_frame(Cthread_state* state);
    /// @brief get_multi_frame(null).
    /// @return As get_multi_frame(Cthread_state*).
    virtual int get_multi_frame();
    /// @brief Starts one deep frame into the deep image and waits for it.
    /// The ready flags are not touched.
    /// @param state Stop and abort requests, or null; either ends the wait.
    /// @return CAPTURE_OK; CAPTURE_FAILED without a frame record, for a
    /// refused start or when abandoned; a failed frame's result.
    virtual int get_multi_deep(Cthread_state* state);
    /// @brief get_multi_deep(null).
    /// @return As get_multi_deep(Cthread_state*).
    virtual int get_multi_deep();

public:
    /// @brief Runs the camera's automatic white balance over a region.
    /// On success the current image is not changed, image_available() is
    /// true only if there is one, and the settled values are also stored
    /// in the capture's settings (those the settings accept). A value the
    /// camera cannot report leaves its out-value and setting alone.
    /// @param roi The region, in image coordinates.
    /// @param gain Receives the settled gain.
    /// @param red_gain Receives the settled red gain.
    /// @param green_gain Receives the settled green gain.
    /// @param blue_gain Receives the settled blue gain.
    /// @param state Stop and abort requests, or null; either ends the
    /// procedure through its progress callback.
    /// @return CAPTURE_AUTO_DONE; CAPTURE_AUTO_STOPPED; CAPTURE_AUTO_FAILED
    /// for settings deeper than 8 bits, no device, or a library failure.
    /// The out-values are written only on CAPTURE_AUTO_DONE.
    virtual unsigned wb_process(RECT roi, unsigned& gain, unsigned& red_gain,
                                unsigned& green_gain, unsigned& blue_gain, Cthread_state* state);
    /// @brief wb_process(roi, gain, red_gain, green_gain, blue_gain, null).
    /// @param roi As for the full form.
    /// @param gain As for the full form.
    /// @param red_gain As for the full form.
    /// @param green_gain As for the full form.
    /// @param blue_gain As for the full form.
    /// @return As the full form.
    virtual unsigned wb_process(RECT roi, unsigned& gain, unsigned& red_gain,
                                unsigned& green_gain, unsigned& blue_gain);
    /// @brief Runs the camera's automatic gain within its gain range; on
    /// success as wb_process().
    /// @param gain Receives the settled gain.
    /// @param state Stop and abort requests, or null.
    /// @return As wb_process().
    virtual unsigned agp_process(unsigned& gain, Cthread_state* state);
    /// @brief agp_process(gain, null).
    /// @param gain As for agp_process(unsigned&, Cthread_state*).
    /// @return As agp_process(unsigned&, Cthread_state*).
    virtual unsigned agp_process(unsigned& gain);
    /// @brief Runs the camera's automatic exposure (with gain as its second
    /// variable) between 10 us and 100 ms; on success as wb_process(). The
    /// settled exposure comes back as its index, truncated: it can lie
    /// slightly below the exposure the camera settled on.
    /// @param exposure_index Receives the settled exposure's index.
    /// @param gain Receives the settled gain.
    /// @param state Stop and abort requests, or null.
    /// @return As wb_process().
    virtual unsigned aep_process(unsigned& exposure_index, unsigned& gain, Cthread_state* state);
    /// @brief aep_process(exposure_index, gain, null).
    /// @param exposure_index As for the full form.
    /// @param gain As for the full form.
    /// @return As the full form.
    virtual unsigned aep_process(unsigned& exposure_index, unsigned& gain);

    /// @brief Stores the test mode in the settings and, only if they accept
    /// it, writes it to KMX_PARAM_TEST_MODE. The camera is not set up.
    /// @param on The value.
    /// @return True when the settings accepted it.
    virtual bool set_test_mode(unsigned on);
    /// @brief As set_test_mode(), for the gain (KMX_PARAM_GAIN).
    /// @param index The value.
    /// @return True when the settings accepted it.
    virtual bool set_gain(unsigned index);
    /// @brief As set_test_mode(), for the black level (KMX_PARAM_BL).
    /// @param index The value.
    /// @return True when the settings accepted it.
    virtual bool set_bl(unsigned index);
    /// @brief As set_test_mode(), for the red gain (KMX_PARAM_RED_GAIN).
    /// @param index The value.
    /// @return True when the settings accepted it.
    virtual bool set_red_gain(unsigned index);
    /// @brief As set_test_mode(), for the green gain (KMX_PARAM_GREEN_GAIN).
    /// @param index The value.
    /// @return True when the settings accepted it.
    virtual bool set_green_gain(unsigned index);
    /// @brief As set_test_mode(), for the blue gain (KMX_PARAM_BLUE_GAIN).
    /// @param index The value.
    /// @return True when the settings accepted it.
    virtual bool set_blue_gain(unsigned index);
    /// @brief As set_test_mode(), for the red boost (KMX_PARAM_RED_BOOST).
    /// @param on The value.
    /// @return True when the settings accepted it.
    virtual bool set_red_boost(unsigned on);
    /// @brief As set_test_mode(), for the blue boost (KMX_PARAM_BLUE_BOOST).
    /// @param on The value.
    /// @return True when the settings accepted it.
    virtual bool set_blue_boost(unsigned on);

protected:
    /// @brief Progress callback of the automatic white balance, in the form
    /// of kmx_progress_callback.
    /// @param camera The camera handle; not looked at.
    /// @param user The Cthread_state* given to the procedure, or 0.
    /// @return 1 to go on; 0 to end the procedure on an abort or stop
    /// request.
    static int wb_callback(void* camera, uintptr_t user);
    /// @brief As wb_callback(), for the automatic gain.
    /// @param camera The camera handle; not looked at.
    /// @param user The Cthread_state* given to the procedure, or 0.
    /// @return As wb_callback().
    static int agp_callback(void* camera, uintptr_t user);
    /// @brief As wb_callback(), for the automatic exposure.
    /// @param camera The camera handle; not looked at.
    /// @param user The Cthread_state* given to the procedure, or 0.
    /// @return As wb_callback().
    static int aep_callback(void* camera, uintptr_t user);

    Cdevice* device = nullptr;          ///< The bound device; borrowed.
    unsigned frame_count = 0;           ///< Frames delivered since construction or reset.
    unsigned no_retries = CAPTURE_DEFAULT_RETRIES;  ///< Retries of a failed frame.
    unsigned retry_count = 0;           ///< Retries used by the running retry loop.
    unsigned continuous = 0;            ///< Flag: streaming or averaging; written, never read.
    unsigned next_index = 0;            ///< Pool buffer the stream fills next.
    unsigned buffer_no = 0;             ///< Pool buffer of current_image.
    unsigned start_index = 0;           ///< Where a stream restarts.
    Cfw_image* current_image = nullptr; ///< Pool image of the last frame; borrowed.
    Cimage deep_image;                  ///< Deep frames taken without a caller image; owned.
    Cframe_info frame_info;             ///< One record after init; owned.
    unsigned image_ready = 0;           ///< Flag: current_image holds a completed frame.
    unsigned deep_image_ready = 0;      ///< Flag: deep_image holds a completed frame.
    unsigned image_mode = 0;            ///< 1 colour camera, 0 monochrome.
    unsigned format = 0;                ///< Format code of the last setup.
    Ciformat iformat;                   ///< `format` with its properties.
    unsigned max_width = 0;             ///< Device geometry at init; not read.
    unsigned max_height = 0;            ///< Device geometry at init; not read.
    unsigned preview_width = 0;         ///< Device geometry at init; not read.
    unsigned preview_height = 0;        ///< Device geometry at init; not read.
    unsigned bin_width = 0;             ///< Device geometry at init; not read.
    unsigned bin_height = 0;            ///< Device geometry at init; not read.
    unsigned width = 0;                 ///< Image width in the current readout.
    unsigned height = 0;                ///< Image height in the current readout.
    unsigned row_values = 0;            ///< Values per monochrome row (= width).
    unsigned rgb_row_values = 0;        ///< Values per colour row (= 3 x width).
    unsigned averaging = 0;             ///< Flag: the last setup asked for averaging.
    unsigned average_opt = 0;           ///< 0 none, 1 mean, 2 clamped sum.
    unsigned average_frames = 0;        ///< Frames to average.
    Ccam_settings settings;             ///< The capture's own copy.
    unsigned restart_needed = 1;        ///< Flag: the stream may not be running.

    // The counters, indices and flags are 32-bit words on every target.
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
    bool switch_format(unsigned code);
    bool restore_format(unsigned saved);
    bool switch_to_deep(unsigned deep_code, bool summing, unsigned& saved_invert);
    bool restore_from_deep(unsigned saved_format, unsigned saved_invert);
    int prepare_deep_target(Cimage& target, unsigned depth);
    int take_deep_frame(Cimage& target, unsigned depth, Cthread_state* state);
};

#endif
