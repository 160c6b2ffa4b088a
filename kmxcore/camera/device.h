// SPDX-License-Identifier: Apache-2.0
/**
 * @class Cdevice
 * @brief One camera as the rest of the library sees it.
 *
 * Owns: the open camera handle (`camera`), its settings record filled with
 * the camera's defaults at open (`settings`), and the pool of frame buffers
 * the camera delivers into (`bpool`), all by value.
 * Borrows: the library instance (`instance`), copied from Ckmx_interface at
 * open time. Close every device before the instance.
 *
 * States: closed (`camera` null) and open. open() and open_any() answer 0
 * when the device is ready and 1 on any failure, in which case the camera
 * is closed again and the pool holds no buffers. Identity, geometry, the
 * readout mode, the format and the settings outlive close(), so the same
 * object can be opened again. Opening an open device closes it first: the
 * camera it held is never leaked, and reopening the same camera works.
 *
 * Copies (construction and assignment) never share the camera: a copy has
 * the source's identity, geometry, readout mode, format, iformat and
 * settings, but no camera handle and an empty pool, so it is a closed
 * device that can be opened on its own. Assignment into an open device
 * closes it first. Every open camera is therefore closed exactly once.
 *
 * What the camera holds: acquisitions switch the camera's format and
 * inversion (KMX_PARAM_FORMAT, KMX_PARAM_INVERT) for their frames and put
 * them back through set_param. The device watches those writes and every
 * set-up: after a refused write or set-up, or a format written behind
 * `format`, it no longer takes the camera to hold `format` or the last
 * inversion asked for, and the next set_format writes them again. So the
 * device never answers "already held" for a format the camera may not
 * have.
 *
 * Results: open and open_any 0 or 1; the camera operations hand back the
 * camera library's status unchanged (0 = KMX_OK), passing the camera handle
 * (null while closed) first and their arguments in order; format checks and
 * setters true or false. The operations call one another through virtual
 * dispatch, so a derived device can replace single steps (get_info,
 * get_format and load_settings change what the open does).
 *
 * One thread at a time; the device takes no lock.
 */
#ifndef KMX_CAMERA_DEVICE_H
#define KMX_CAMERA_DEVICE_H

#include <kmxcore/buffers/buffer_pool.h>
#include <kmxcore/buffers/frame_info.h>
#include <kmxcore/camera/kmxlib.h>
#include <kmxcore/image/fw_image.h>
#include <kmxcore/image/iformat.h>
#include <kmxcore/kmx_export.h>
#include <kmxcore/settings/cam_settings.h>

/// Readout modes of a device.
enum kmx_readout_mode : unsigned {
    KMX_READOUT_NORMAL = 0,  ///< max_width x max_height
    KMX_READOUT_BIN = 1,     ///< bin_width x bin_height, needs KMX_CAP_BIN
    KMX_READOUT_PREVIEW = 2  ///< preview_width x preview_height, needs KMX_CAP_PREVIEW
};

/// Component depths as bits of Cdevice::get_camera_depths.
enum kmx_depth_bit : unsigned {
    KMX_DEPTH_BIT_8 = 1,   ///< 8-bit components
    KMX_DEPTH_BIT_10 = 2,  ///< 10-bit components
    KMX_DEPTH_BIT_12 = 4   ///< 12-bit components
};

/// Frame buffers the two-argument open forms ask for.
constexpr unsigned kmx_device_default_buffers = 2;

static_assert(sizeof(unsigned) == 4, "Cdevice: identity and geometry fields are 32-bit");

class KMX_CORE_API Cdevice {
public:
    /// Closed, with the defaults; no camera-library call.
    Cdevice();
    /// A closed device with the source's identity, geometry, modes and
    /// settings, but no camera and an empty pool.
    Cdevice(const Cdevice& other);
    /// Closes this device if open, then copies as the copy constructor.
    Cdevice& operator=(const Cdevice& other);
    /// As close().
    virtual ~Cdevice();

    /// @brief Opens a named camera and prepares `no_buffers` frame buffers
    /// (0 means 2).
    ///
    /// Reads the camera's identity, geometry and defaults, writes the
    /// settings, and creates and assigns the pool. The chosen format reaches
    /// only iformat and the pool; `format` reads KMX_FORMAT_NONE once the
    /// camera is open, since nothing has been sent to the camera's format
    /// parameter yet, so the first set_format goes through in full.
    /// @return 0 ready; 1 on any failure (the camera is closed again)
    virtual int open(unsigned camera_id, unsigned camera_index, unsigned no_buffers);
    /// @brief Opens a named camera with kmx_device_default_buffers buffers.
    /// @return 0 ready; 1 on any failure (the camera is closed again)
    virtual int open(unsigned camera_id, unsigned camera_index);
    /// @brief Opens whichever camera the camera library picks, starting from
    /// the words given, and prepares `no_buffers` buffers.
    ///
    /// On success both references receive the words of the camera opened (on
    /// failure they are untouched). Also stores the chosen format in `format`.
    /// @return 0 ready; 1 on any failure (the camera is closed again)
    virtual int open_any(unsigned& camera_id, unsigned& camera_index, unsigned no_buffers);
    /// @brief open_any with kmx_device_default_buffers buffers.
    /// @return 0 ready; 1 on any failure
    virtual int open_any(unsigned& camera_id, unsigned& camera_index);
    /// @brief Withdraws and frees the pool, then closes the camera if open.
    virtual void close();

    /// @return the camera handle (owned by the device), null while closed
    virtual kmx_camera_t* get_camera_handle() const;
    virtual unsigned get_camera_id() const;     ///< @return the camera's id word
    virtual unsigned get_camera_index() const;  ///< @return the camera's index word
    virtual unsigned get_serial_no() const;     ///< @return the serial number read at open
    /// @return the capability word read at open (KMX_CAP_* bits)
    virtual unsigned get_camera_caps() const;
    virtual unsigned get_camera_type() const;   ///< @return 1 colour, 0 monochrome
    /// @return bits of kmx_depth_bit; 8-bit is always included
    virtual unsigned get_camera_depths() const;
    virtual unsigned get_image_mode() const;    ///< @return 1 colour, 0 monochrome
    /// @return the current image width; it depends on the readout mode
    virtual unsigned get_width() const;
    /// @return the current image height; it depends on the readout mode
    virtual unsigned get_height() const;
    virtual unsigned get_max_width() const;      ///< @return the full sensor width
    virtual unsigned get_max_height() const;     ///< @return the full sensor height
    virtual unsigned get_bin_width() const;      ///< @return the width of binned readout
    virtual unsigned get_bin_height() const;     ///< @return the height of binned readout
    virtual unsigned get_preview_width() const;  ///< @return the width of preview readout
    virtual unsigned get_preview_height() const; ///< @return the height of preview readout
    virtual unsigned get_max_depth() const;      ///< @return 8, 10 or 12: the deepest component
    /// @return the pool (owned by the device)
    virtual Cbuffer_pool* get_bpool();
    /// @return pool buffer index (owned by the pool), or null out of range
    virtual Cfw_image* get_buffer(unsigned index);
    /// @return pool record index (owned by the pool), or null out of range
    virtual kmx_frame_t* get_frame_info(unsigned index);

    /// @brief The format code a camera of `image_mode` (1 colour, anything
    /// else monochrome) delivers at the settings' component depth.
    /// @return the code; KMX_FORMAT_NONE for a depth other than 8, 10 or 12
    virtual unsigned get_format(unsigned image_mode, const Ccam_settings& settings) const;
    /// @brief Switches to binned readout: writes KMX_PARAM_PREVIEW then
    /// KMX_PARAM_BIN, and resizes the pool when the mode changes; nothing at
    /// all on a camera without KMX_CAP_BIN.
    virtual void set_bin_mode();
    /// @brief Switches to preview readout (as set_bin_mode; needs
    /// KMX_CAP_PREVIEW).
    virtual void set_preview_mode();
    /// @brief Switches to full readout: writes both readout parameters, and
    /// resizes the pool when the mode changes.
    virtual void set_normal_mode();
    /// @brief Switches to the format of these properties.
    /// @return true switched; false when no format fits, the camera cannot
    ///         deliver it, the camera refuses it or the pool cannot take it
    ///         (iformat is left alone unless the camera took the format)
    virtual bool set_format(unsigned image_mode, unsigned no_components,
                            unsigned component_depth, unsigned component_order);
    /// @brief Switches to a format code. A format or an inversion the camera
    /// may have lost (see the class) is written again.
    /// @return true switched (at once, sending nothing, for the code the
    ///         camera is known to hold); false, without sending anything, for
    ///         a code the camera cannot deliver; false when the camera
    ///         refuses the write (the buffers keep their layout) or the pool
    ///         cannot take the new layout (the code is then not held, so
    ///         asking again retries); false when the camera refuses a lost
    ///         format or inversion again
    virtual bool set_format(unsigned format);
    /// @brief Writes the readout mode, then every camera parameter of the
    /// record, then setup_camera(0).
    /// @return true, always
    virtual bool load_settings(const Ccam_settings& settings);

protected:
    /// @return whether this camera can deliver `format`
    virtual bool validate_format(unsigned format);

public:
    /// @name Camera operations
    /// Each passes the camera handle (null while closed) and its arguments
    /// to the camera-library function of the same name and answers its
    /// status unchanged (KMX_OK on success). A value of an `unsigned long`
    /// argument that does not fit the camera library's 32-bit word is
    /// refused with KMX_ERR_BAD_ARGUMENT instead of being cut short.
    /// @{

    /// @brief kmx_setup_camera; also keeps track of what the camera holds
    /// (see the class). @return the camera library's status
    virtual int setup_camera(unsigned long value);
    /// @brief kmx_assign_buffers: registers `count` records (borrowed while
    /// assigned). @return the camera library's status
    virtual int assign_buffers(kmx_frame_t* frames, unsigned long count);
    /// @brief kmx_release_buffers. @return the camera library's status
    virtual int release_buffers();
    /// @brief kmx_start_frame_index: a frame into assigned record `index`.
    /// @return the camera library's status
    virtual int start_frame_index(unsigned long index);
    /// @brief kmx_start_frame: a frame into `frame` (borrowed until complete).
    /// @return the camera library's status
    virtual int start_frame(kmx_frame_t* frame);
    /// @brief kmx_check_for_complete.
    /// @return KMX_OK complete, KMX_FRAME_BUSY in progress, anything else failed
    virtual int check_for_complete();
    /// @brief kmx_check_start_next: as check_for_complete for a stream; 1
    /// keeps it going, 0 lets it end after this frame.
    /// @return KMX_OK complete, KMX_FRAME_BUSY in progress, anything else failed
    virtual int check_start_next(unsigned char keep_streaming);
    /// @brief kmx_abort_frame. @return the camera library's status
    virtual int abort_frame();
    /// @brief kmx_get_info (KMX_INFO_* keys). @return the camera library's status
    virtual int get_info(unsigned key, unsigned* value) const;
    /// @brief kmx_get_param (KMX_PARAM_* ids). @return the camera library's status
    virtual int get_param(unsigned id, unsigned* value) const;
    /// @brief kmx_get_param_min. @return the camera library's status
    virtual int get_param_min(unsigned id, unsigned* value) const;
    /// @brief kmx_get_param_max. @return the camera library's status
    virtual int get_param_max(unsigned id, unsigned* value) const;
    /// @brief kmx_get_param_default. @return the camera library's status
    virtual int get_param_default(unsigned id, unsigned* value) const;
    /// @brief kmx_set_param; also keeps track of what the camera holds of
    /// KMX_PARAM_FORMAT and KMX_PARAM_INVERT (see the class).
    /// @return the camera library's status
    virtual int set_param(unsigned id, unsigned value);
    /// @brief kmx_get_fparam (KMX_FPARAM_GAMMA). @return the camera library's status
    virtual int get_fparam(unsigned id, double* value) const;
    /// @brief kmx_get_fparam_min. @return the camera library's status
    virtual int get_fparam_min(unsigned id, double* value) const;
    /// @brief kmx_get_fparam_max. @return the camera library's status
    virtual int get_fparam_max(unsigned id, double* value) const;
    /// @brief kmx_get_fparam_default. @return the camera library's status
    virtual int get_fparam_default(unsigned id, double* value) const;
    /// @brief kmx_set_fparam. @return the camera library's status
    virtual int set_fparam(unsigned id, double value);
    /// @brief kmx_get_stat. @return the camera library's status
    virtual int get_stat(unsigned id, unsigned* value) const;
    /// @brief kmx_reset_stat. @return the camera library's status
    virtual int reset_stat(unsigned id);

    /// @brief kmx_copy_frame from pool record `index` into caller memory.
    /// @return the camera library's status; 0 without a library call when
    ///         the pool has no such record (the same value as a successful
    ///         copy)
    virtual int copy_frame(unsigned index, unsigned format, unsigned char* pixels, RECT rect,
                           unsigned rowbytes);
    /// @brief kmx_copy_frame from a record into caller memory.
    /// @return the camera library's status
    virtual int copy_frame(kmx_frame_t* frame, unsigned format, unsigned char* pixels,
                           RECT rect, unsigned rowbytes) const;
    /// @brief kmx_copy_frame from the list's first record.
    /// @return the camera library's status; KMX_ERR_BAD_ARGUMENT without a
    ///         library call when the list is empty
    virtual int copy_frame(Cframe_info& frames, unsigned format, unsigned char* pixels,
                           RECT rect, unsigned rowbytes) const;
    /// @brief kmx_copy_frame from the list's first record into `image`, in
    /// its own format, pixels, rectangle and row length.
    /// @return the camera library's status; KMX_ERR_BAD_ARGUMENT without a
    ///         library call when the list is empty or the image has no pixels
    virtual int copy_frame(Cframe_info& frames, Cfw_image& image) const;
    /// @brief kmx_copy_roi from pool record `index`.
    /// @return the camera library's status
    virtual int copy_roi(unsigned index, RECT source, unsigned format, unsigned char* pixels,
                         RECT rect, unsigned rowbytes);
    /// @brief kmx_copy_roi from a record. @return the camera library's status
    virtual int copy_roi(kmx_frame_t* frame, RECT source, unsigned format,
                         unsigned char* pixels, RECT rect, unsigned rowbytes) const;

    /// @brief kmx_camera_vendor_desc. @return the camera library's status
    virtual int camera_vendor_desc(char* text, unsigned length) const;
    /// @brief kmx_camera_vendor_prefix. @return the camera library's status
    virtual int camera_vendor_prefix(char* text, unsigned length) const;
    /// @brief kmx_camera_product_desc. @return the camera library's status
    virtual int camera_product_desc(char* text, unsigned length) const;
    /// @brief The camera library has no product prefix: this is the product
    /// description. @return the camera library's status
    virtual int camera_product_prefix(char* text, unsigned length) const;
    /// @brief kmx_load_lut: a 256-byte table for 8-bit output.
    /// @return the camera library's status
    virtual int load_lut(unsigned char* table, unsigned length);
    /// @brief kmx_get_lut. @return the camera library's status
    virtual int get_lut(unsigned char* table, unsigned length);

    /// @brief kmx_awb_roi_index: automatic white balance on assigned record
    /// `index`. `user` is pointer-sized: callers pass an object address
    /// through it to their progress callback.
    /// @return the camera library's status; KMX_AUTO_ABORTED when the
    ///         callback ended it
    virtual int awb_roi_index(unsigned index, kmx_progress_callback callback, uintptr_t user,
                              RECT region);
    /// @brief kmx_awb_roi on a record. @return as awb_roi_index
    virtual int awb_roi(kmx_frame_t* frame, kmx_progress_callback callback, uintptr_t user,
                        RECT region);
    /// @brief kmx_auto_gain_index: automatic gain within the limits.
    /// @return the camera library's status; KMX_AUTO_ABORTED when the
    ///         callback ended it
    virtual int auto_gain_index(unsigned index, kmx_progress_callback callback,
                                uintptr_t user, unsigned lowest_gain, unsigned highest_gain);
    /// @brief kmx_auto_gain on a record. @return as auto_gain_index
    virtual int auto_gain(kmx_frame_t* frame, kmx_progress_callback callback, uintptr_t user,
                          unsigned lowest_gain, unsigned highest_gain);
    /// @brief kmx_auto_exp_index: automatic exposure within the limits
    /// (exposure values). @return as auto_gain_index
    virtual int auto_exp_index(unsigned index, kmx_progress_callback callback, uintptr_t user,
                               unsigned lowest_exposure, unsigned highest_exposure);
    /// @brief kmx_auto_exp on a record. @return as auto_gain_index
    virtual int auto_exp(kmx_frame_t* frame, kmx_progress_callback callback, uintptr_t user,
                         unsigned lowest_exposure, unsigned highest_exposure);
    /// @brief kmx_auto_exp_index_ex: exposure and gain together.
    /// @return as auto_gain_index
    virtual int auto_exp_index_ex(unsigned index, kmx_progress_callback callback,
                                  uintptr_t user, unsigned lowest_exposure,
                                  unsigned highest_exposure, unsigned lowest_gain,
                                  unsigned highest_gain);
    /// @brief kmx_auto_exp_ex on a record. @return as auto_gain_index
    virtual int auto_exp_ex(kmx_frame_t* frame, kmx_progress_callback callback,
                            uintptr_t user, unsigned lowest_exposure,
                            unsigned highest_exposure, unsigned lowest_gain,
                            unsigned highest_gain);
    /// @brief kmx_register_event_callback. @return the camera library's status
    virtual int register_event_callback(unsigned event, kmx_event_callback callback,
                                        uintptr_t context, unsigned reserved);
    /// @brief kmx_remove_event_callback. @return the camera library's status
    virtual int remove_event_callback(unsigned event);

    /// @brief kmx_exp_to_index. @return the camera library's status
    virtual int exp_to_index(unsigned exposure, unsigned* index) const;
    /// @brief kmx_index_to_exp. @return the camera library's status
    virtual int index_to_exp(unsigned index, unsigned* exposure) const;
    /// @brief kmx_gain_to_index. @return the camera library's status
    virtual int gain_to_index(double gain, unsigned* index) const;
    /// @brief kmx_index_to_gain. @return the camera library's status
    virtual int index_to_gain(unsigned index, double* gain) const;
    /// @brief kmx_bl_to_index. @return the camera library's status
    virtual int bl_to_index(double bl, unsigned* index) const;
    /// @brief kmx_index_to_bl. @return the camera library's status
    virtual int index_to_bl(unsigned index, double* bl) const;
    /// @brief kmx_wb_gain_to_index. @return the camera library's status
    virtual int wb_gain_to_index(double gain, unsigned* index) const;
    /// @brief kmx_index_to_wb_gain. @return the camera library's status
    virtual int index_to_wb_gain(unsigned index, double* gain) const;
    /// @brief kmx_gamma_to_index. @return the camera library's status
    virtual int gamma_to_index(double gamma, unsigned* index) const;
    /// @brief kmx_index_to_gamma. @return the camera library's status
    virtual int index_to_gamma(unsigned index, double* gamma) const;
    /// @}

    /// @brief Sends the format and the inversion again when the camera may
    /// have lost them (a refused write or set-up, see the class). No library
    /// call at all when nothing is in doubt or no format was ever set. Not
    /// virtual: it takes no slot in the class's interface.
    /// @return true when the camera holds what the device describes
    bool reassert_camera_state();

protected:
    unsigned camera_id = 0;                    ///< the camera's id word
    unsigned camera_index = 0;                 ///< the camera's index word
    kmx_instance_t* instance = nullptr;        ///< borrowed from Ckmx_interface
    kmx_camera_t* camera = nullptr;            ///< owned; null while closed
    unsigned serial_no = 0;                    ///< read at open
    unsigned camera_caps = 0;                  ///< KMX_CAP_* bits read at open
    unsigned camera_type = 0;                  ///< 1 colour, 0 monochrome
    unsigned camera_depths = KMX_DEPTH_BIT_8;  ///< kmx_depth_bit bits
    unsigned image_mode = 0;                   ///< 1 colour, 0 monochrome
    unsigned width = 0;                        ///< current image width
    unsigned height = 0;                       ///< current image height
    unsigned max_width = 0;                    ///< full sensor width
    unsigned max_height = 0;                   ///< full sensor height
    unsigned bin_width = 0;                    ///< width of binned readout
    unsigned bin_height = 0;                   ///< height of binned readout
    unsigned preview_width = 0;                ///< width of preview readout
    unsigned preview_height = 0;               ///< height of preview readout
    unsigned max_depth = 8;                    ///< deepest component: 8, 10 or 12
    unsigned readout_mode = KMX_READOUT_NORMAL; ///< a kmx_readout_mode
    unsigned format = KMX_FORMAT_NONE;         ///< format code last sent to the camera
    Ciformat iformat;                          ///< the chosen format and its properties
    Ccam_settings settings;                    ///< the camera's defaults, read at open
    Cbuffer_pool bpool;                        ///< the frame buffers; owned

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
