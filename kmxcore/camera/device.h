// SPDX-License-Identifier: Apache-2.0
// Cdevice: one camera as the rest of the library sees it.
//
// Owns: the open camera handle (`camera`), its settings record filled with
// the camera's defaults at open (`settings`), and the pool of frame buffers
// the camera delivers into (`bpool`), all by value.
// Borrows: the library instance (`instance`), copied from Ckmx_interface at
// open time. Close every device before the instance.
//
// States: closed (`camera` null) and open. open()/open_any() answer 0 when
// the device is ready and 1 on any failure, in which case the camera is
// closed again and the pool holds no buffers. Identity, geometry, the
// readout mode, the format and the settings outlive close(), so the same
// object can be opened again.
//
// Opening an open device closes it first: the camera it held is never
// leaked, and reopening the same camera works.
//
// Copies (construction and assignment) never share the camera: a copy has
// the source's identity, geometry, readout mode, format, iformat and
// settings, but no camera handle and an empty pool, so it is a closed
// device that can be opened on its own. Assignment into an open device
// closes it first. Every open camera is therefore closed exactly once.
//
// What the camera holds: acquisitions switch the camera's format and
// inversion (KMX_PARAM_FORMAT, KMX_PARAM_INVERT) for their frames and put
// them back through set_param. The device watches those writes and every
// set-up: after a refused write or set-up, or a format written behind
// `format`, it no longer takes the camera to hold `format` or the last
// inversion asked for, and the next set_format writes them again. So the
// device never answers "already held" for a format the camera may not
// have.
//
// Results: open/open_any 0 or 1; the camera operations hand back the
// camera library's status unchanged (0 = KMX_OK); format checks and setters
// true/false. The operations call one another through virtual dispatch, so
// a derived device can replace single steps (get_info, get_format and
// load_settings change what the open does).
//
// One thread at a time; the device takes no lock.
#ifndef KMX_CAMERA_DEVICE_H
#define KMX_CAMERA_DEVICE_H

#include <kmxcore/buffers/buffer_pool.h>
#include <kmxcore/buffers/frame_info.h>
#include <kmxcore/camera/kmxlib.h>
#include <kmxcore/image/fw_image.h>
#include <kmxcore/image/iformat.h>
#include <kmxcore/kmx_export.h>
#include <kmxcore/settings/cam_settings.h>

// Readout modes (readout_mode).
enum kmx_readout_mode : unsigned {
    KMX_READOUT_NORMAL = 0,  // max_width x max_height
    KMX_READOUT_BIN = 1,     // bin_width x bin_height, needs KMX_CAP_BIN
    KMX_READOUT_PREVIEW = 2  // preview_width x preview_height, needs KMX_CAP_PREVIEW
};

// Component depths as bits of camera_depths.
enum kmx_depth_bit : unsigned {
    KMX_DEPTH_BIT_8 = 1,
    KMX_DEPTH_BIT_10 = 2,
    KMX_DEPTH_BIT_12 = 4
};

// Frame buffers the two-argument open forms ask for.
constexpr unsigned kmx_device_default_buffers = 2;

static_assert(sizeof(unsigned) == 4, "Cdevice: identity and geometry fields are 32-bit");

class KMX_CORE_API Cdevice {
public:
    // Closed, with the defaults; no camera-library call.
    Cdevice();
    // A closed device with the source's identity, geometry, modes and
    // settings (see the top of this file).
    Cdevice(const Cdevice& other);
    // Closes this device if open, then copies as the copy constructor.
    Cdevice& operator=(const Cdevice& other);
    // As close().
    virtual ~Cdevice();

    // Opens a named camera and prepares `no_buffers` frame buffers (0 means
    // 2). 0 ready, 1 on any failure (camera closed again). The chosen format
    // reaches only iformat and the pool; `format` reads KMX_FORMAT_NONE once
    // the camera is open, since nothing has been sent to the camera's format
    // parameter yet, so the first set_format goes through in full.
    virtual int open(unsigned camera_id, unsigned camera_index, unsigned no_buffers);
    virtual int open(unsigned camera_id, unsigned camera_index);
    // Opens whichever camera the camera library picks, starting from the
    // words given; on success both references receive the words of the camera
    // opened (on failure they are untouched). Also stores the chosen format
    // in `format`.
    virtual int open_any(unsigned& camera_id, unsigned& camera_index, unsigned no_buffers);
    virtual int open_any(unsigned& camera_id, unsigned& camera_index);
    // Withdraws and frees the pool, then closes the camera if open.
    virtual void close();

    // Accessors: each returns its field unchanged.
    virtual kmx_camera_t* get_camera_handle() const;
    virtual unsigned get_camera_id() const;
    virtual unsigned get_camera_index() const;
    virtual unsigned get_serial_no() const;
    virtual unsigned get_camera_caps() const;
    // 1 colour, 0 monochrome.
    virtual unsigned get_camera_type() const;
    // Bits of kmx_depth_bit; 8-bit is always included.
    virtual unsigned get_camera_depths() const;
    virtual unsigned get_image_mode() const;
    // Current image size; depends on the readout mode.
    virtual unsigned get_width() const;
    virtual unsigned get_height() const;
    virtual unsigned get_max_width() const;
    virtual unsigned get_max_height() const;
    virtual unsigned get_bin_width() const;
    virtual unsigned get_bin_height() const;
    virtual unsigned get_preview_width() const;
    virtual unsigned get_preview_height() const;
    // 8, 10 or 12.
    virtual unsigned get_max_depth() const;
    // The pool itself, and its buffers and records: null out of range.
    virtual Cbuffer_pool* get_bpool();
    virtual Cfw_image* get_buffer(unsigned index);
    virtual kmx_frame_t* get_frame_info(unsigned index);

    // The format code a camera of `image_mode` (1 colour, anything else
    // monochrome) delivers at the settings' component depth; KMX_FORMAT_NONE
    // for a depth other than 8, 10 or 12.
    virtual unsigned get_format(unsigned image_mode, const Ccam_settings& settings) const;
    // Readout switches: write KMX_PARAM_PREVIEW then KMX_PARAM_BIN on every
    // call; resize the pool only when the mode changes. Bin and preview do
    // nothing at all on a camera without the capability.
    virtual void set_bin_mode();
    virtual void set_preview_mode();
    virtual void set_normal_mode();
    // Switch to the format of these properties. False when no format fits,
    // the camera cannot deliver it, the camera refuses it or the pool cannot
    // take it; iformat is left alone unless the camera took the format.
    virtual bool set_format(unsigned image_mode, unsigned no_components,
                            unsigned component_depth, unsigned component_order);
    // Switch to a format code. True at once, sending nothing, for the code
    // the camera is known to hold; false without sending anything for a
    // code the camera cannot deliver; false when the camera refuses the
    // write (the buffers keep their layout) or the pool cannot take the new
    // layout (the code is then not held, so asking again retries). A format
    // or an inversion the camera may have lost (see the top of this file)
    // is written again, and false when the camera refuses it again.
    virtual bool set_format(unsigned format);
    // Readout mode, then every camera parameter of the record, then
    // setup_camera(0). Always true.
    virtual bool load_settings(const Ccam_settings& settings);

protected:
    // Whether this camera can deliver `format`.
    virtual bool validate_format(unsigned format);

public:
    // Pass-throughs: the camera handle (null while closed) goes first, the
    // arguments follow in order, the library's status comes back unchanged.
    // A value of an `unsigned long` argument that does not fit the camera
    // library's 32-bit word is refused with KMX_ERR_BAD_ARGUMENT instead of
    // being cut short.
    virtual int setup_camera(unsigned long value);
    virtual int assign_buffers(kmx_frame_t* frames, unsigned long count);
    virtual int release_buffers();
    virtual int start_frame_index(unsigned long index);
    virtual int start_frame(kmx_frame_t* frame);
    // 0 complete, KMX_FRAME_BUSY in progress, anything else failed.
    virtual int check_for_complete();
    virtual int check_start_next(unsigned char keep_streaming);
    virtual int abort_frame();
    virtual int get_info(unsigned key, unsigned* value) const;
    virtual int get_param(unsigned id, unsigned* value) const;
    virtual int get_param_min(unsigned id, unsigned* value) const;
    virtual int get_param_max(unsigned id, unsigned* value) const;
    virtual int get_param_default(unsigned id, unsigned* value) const;
    // Also keeps track of what the camera holds of KMX_PARAM_FORMAT and
    // KMX_PARAM_INVERT (see the top of this file); so does setup_camera.
    virtual int set_param(unsigned id, unsigned value);
    virtual int get_fparam(unsigned id, double* value) const;
    virtual int get_fparam_min(unsigned id, double* value) const;
    virtual int get_fparam_max(unsigned id, double* value) const;
    virtual int get_fparam_default(unsigned id, double* value) const;
    virtual int set_fparam(unsigned id, double value);
    virtual int get_stat(unsigned id, unsigned* value) const;
    virtual int reset_stat(unsigned id);

    // Frame copies into caller memory (kmx_copy_frame / kmx_copy_roi).
    // By pool index: 0 without a library call when the pool has no such
    // record (the same value as a successful copy).
    virtual int copy_frame(unsigned index, unsigned format, unsigned char* pixels, RECT rect,
                           unsigned rowbytes);
    virtual int copy_frame(kmx_frame_t* frame, unsigned format, unsigned char* pixels,
                           RECT rect, unsigned rowbytes) const;
    // From the list's first record. KMX_ERR_BAD_ARGUMENT without a library
    // call when the list is empty.
    virtual int copy_frame(Cframe_info& frames, unsigned format, unsigned char* pixels,
                           RECT rect, unsigned rowbytes) const;
    // Into `image` in its own format, pixels, rectangle and row length.
    // KMX_ERR_BAD_ARGUMENT without a library call when the list is empty or
    // the image has no pixel buffer.
    virtual int copy_frame(Cframe_info& frames, Cfw_image& image) const;
    virtual int copy_roi(unsigned index, RECT source, unsigned format, unsigned char* pixels,
                         RECT rect, unsigned rowbytes);
    virtual int copy_roi(kmx_frame_t* frame, RECT source, unsigned format,
                         unsigned char* pixels, RECT rect, unsigned rowbytes) const;

    virtual int camera_vendor_desc(char* text, unsigned length) const;
    virtual int camera_vendor_prefix(char* text, unsigned length) const;
    virtual int camera_product_desc(char* text, unsigned length) const;
    // The camera library has no product prefix: this is the product
    // description.
    virtual int camera_product_prefix(char* text, unsigned length) const;
    virtual int load_lut(unsigned char* table, unsigned length);
    virtual int get_lut(unsigned char* table, unsigned length);

    // Automatic procedures. `user` is pointer-sized: callers pass an object
    // address through it to their progress callback.
    virtual int awb_roi_index(unsigned index, kmx_progress_callback callback, uintptr_t user,
                              RECT region);
    virtual int awb_roi(kmx_frame_t* frame, kmx_progress_callback callback, uintptr_t user,
                        RECT region);
    virtual int auto_gain_index(unsigned index, kmx_progress_callback callback,
                                uintptr_t user, unsigned lowest_gain, unsigned highest_gain);
    virtual int auto_gain(kmx_frame_t* frame, kmx_progress_callback callback, uintptr_t user,
                          unsigned lowest_gain, unsigned highest_gain);
    virtual int auto_exp_index(unsigned index, kmx_progress_callback callback, uintptr_t user,
                               unsigned lowest_exposure, unsigned highest_exposure);
    virtual int auto_exp(kmx_frame_t* frame, kmx_progress_callback callback, uintptr_t user,
                         unsigned lowest_exposure, unsigned highest_exposure);
    virtual int auto_exp_index_ex(unsigned index, kmx_progress_callback callback,
                                  uintptr_t user, unsigned lowest_exposure,
                                  unsigned highest_exposure, unsigned lowest_gain,
                                  unsigned highest_gain);
    virtual int auto_exp_ex(kmx_frame_t* frame, kmx_progress_callback callback,
                            uintptr_t user, unsigned lowest_exposure,
                            unsigned highest_exposure, unsigned lowest_gain,
                            unsigned highest_gain);
    virtual int register_event_callback(unsigned event, kmx_event_callback callback,
                                        uintptr_t context, unsigned reserved);
    virtual int remove_event_callback(unsigned event);

    // Conversions between camera indexes and values.
    virtual int exp_to_index(unsigned exposure, unsigned* index) const;
    virtual int index_to_exp(unsigned index, unsigned* exposure) const;
    virtual int gain_to_index(double gain, unsigned* index) const;
    virtual int index_to_gain(unsigned index, double* gain) const;
    virtual int bl_to_index(double bl, unsigned* index) const;
    virtual int index_to_bl(unsigned index, double* bl) const;
    virtual int wb_gain_to_index(double gain, unsigned* index) const;
    virtual int index_to_wb_gain(unsigned index, double* gain) const;
    virtual int gamma_to_index(double gamma, unsigned* index) const;
    virtual int index_to_gamma(unsigned index, double* gamma) const;

    // Sends the format and the inversion again when the camera may have
    // lost them (a refused write or set-up, see the top of this file).
    // True when the camera holds what the device describes; no library
    // call at all when nothing is in doubt or no format was ever set.
    // Not virtual: it takes no slot in the class's interface.
    bool reassert_camera_state();

protected:
    unsigned camera_id = 0;
    unsigned camera_index = 0;
    kmx_instance_t* instance = nullptr;  // borrowed from Ckmx_interface
    kmx_camera_t* camera = nullptr;      // owned; null while closed
    unsigned serial_no = 0;
    unsigned camera_caps = 0;
    unsigned camera_type = 0;
    unsigned camera_depths = KMX_DEPTH_BIT_8;
    unsigned image_mode = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned max_width = 0;
    unsigned max_height = 0;
    unsigned bin_width = 0;
    unsigned bin_height = 0;
    unsigned preview_width = 0;
    unsigned preview_height = 0;
    unsigned max_depth = 8;
    unsigned readout_mode = KMX_READOUT_NORMAL;
    unsigned format = KMX_FORMAT_NONE;
    Ciformat iformat;
    Ccam_settings settings;
    Cbuffer_pool bpool;

private:
    // Identity and geometry read by the open sequence (shared by both
    // forms); the camera must be open.
    void read_identity();
    // Readout mode and current size from the settings' bin and preview
    // switches, without touching the camera or the pool.
    void choose_readout_mode();
    // Loads the defaults, writes the settings, creates and assigns the pool.
    // 0 on success; 1 with the pool and the camera closed.
    int prepare_camera(unsigned no_buffers);
    // Reshapes the pool to `chosen` at the current size. 0 on success; 1
    // with the pool and the camera closed.
    int reshape_pool(unsigned chosen);
    // Closes the pool and the camera after a failed step of the open.
    void abandon_open();
    // Copies everything but the camera handle and the pool.
    void copy_description(const Cdevice& other);
    // Writes both readout parameters, then switches the mode and resizes
    // the pool if the mode changed.
    void switch_readout(unsigned mode, unsigned new_width, unsigned new_height,
                        unsigned preview_param, unsigned bin_param);
    // The switch to `new_format` once it is known to be new and valid.
    bool apply_format(unsigned new_format);
    // Keeps track of what the camera holds after a parameter write or a
    // set-up that it took (`taken`) or refused.
    void note_param_write(unsigned id, unsigned value, bool taken);
    void note_setup(bool taken);
    // Writes again the inversion the camera may have lost; false when it
    // refuses it again.
    bool restore_inversion();
    // Forgets what the camera held: a newly opened camera holds its own.
    void forget_camera_state();

    // The camera may not hold `format` (a refused write or set-up, or a
    // format written behind it): the next set_format sends it again.
    bool format_in_doubt = false;
    // The inversion last asked of the camera, if any, and whether the
    // camera may not hold it.
    bool invert_asked = false;
    unsigned invert_wanted = 0;
    bool invert_in_doubt = false;
};

#endif
