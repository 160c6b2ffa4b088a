/* SPDX-License-Identifier: Apache-2.0 */
/**
 * @file kmxlib.h
 * @brief The camera-library contract.
 *
 * kmxcore reaches the camera only through the 58 plain C functions declared
 * here. Any library that provides them can be linked in: the real camera
 * library, the simulated one that comes with kmxcore, or a test double.
 *
 * Every function takes the library instance or the camera handle first
 * (except where noted) and returns a 32-bit signed status: KMX_OK (0) is
 * success, anything else a kmx_error or one of the kmx_status values that
 * a function names. A null handle is answered with a non-zero status, never
 * dereferenced.
 */
#ifndef KMXLIB_H
#define KMXLIB_H

#include <stddef.h>
#include <stdint.h>

#include <kmxcore/win_types.h> /* RECT */

/** @def KMXLIB_API
 *  The export marker of the contract's functions in a camera library. */
#if defined(_WIN32)
#  if defined(KMXLIB_BUILDING)
#    define KMXLIB_API __declspec(dllexport)
#  else
#    define KMXLIB_API __declspec(dllimport)
#  endif
#else
#  define KMXLIB_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** The library instance; the camera library owns what it points at. */
typedef struct kmx_instance kmx_instance_t;
/** An open camera; the camera library owns what it points at. */
typedef struct kmx_camera kmx_camera_t;
/** A list of cameras handed out by kmx_list. */
typedef struct kmx_camera_list kmx_camera_list_t;

/**
 * A frame record names one destination buffer. The caller owns arrays of
 * records; the camera library owns words 8 to 39 (the reserved words) and
 * may keep per-frame facts there.
 */
typedef struct kmx_frame {
    void* buffer;          /**< first byte of the frame memory */
    uint32_t buffer_size;  /**< bytes available at buffer */
    uint32_t reserved[8];  /**< owned by the camera library */
} kmx_frame_t;

/** Words of a frame record that belong to the camera library. */
enum { KMX_FRAME_RESERVED_WORDS = 8 };

#if defined(__cplusplus)
static_assert(offsetof(kmx_frame_t, buffer) == 0, "kmx_frame_t: buffer pointer must be first");
static_assert(offsetof(kmx_frame_t, buffer_size) == sizeof(void*),
              "kmx_frame_t: buffer_size must follow the buffer pointer");
static_assert(sizeof(void*) != 4 || sizeof(kmx_frame_t) == 40,
              "kmx_frame_t must be exactly 40 bytes on 32-bit targets");
static_assert(sizeof(void*) != 4 || offsetof(kmx_frame_t, buffer_size) == 4,
              "kmx_frame_t: buffer_size must sit at offset 4 on 32-bit targets");
#endif

/**
 * Progress callback of the automatic procedures: called with the camera
 * handle and the user value given to the procedure. The user value is
 * pointer-sized because callers pass an object address through it.
 * Return 1 to go on, 0 to end the procedure (which then returns
 * KMX_AUTO_ABORTED).
 */
typedef int (*kmx_progress_callback)(void* camera, uintptr_t user);

/** Event callback: called with the registered context and a value. */
typedef void (*kmx_event_callback)(void* context, uint32_t value);

/** Status values that kmxcore tests. */
enum kmx_status {
    KMX_OK = 0,
    KMX_AUTO_ABORTED = 8,     /**< automatic procedure ended through its callback */
    KMX_FRAME_FAILED_13 = 13, /**< completion check: the frame failed */
    KMX_FRAME_BUSY = 14,      /**< completion check: the frame is in progress */
    KMX_FRAME_FAILED_16 = 16  /**< completion check: the frame failed */
};

/** Further statuses a compliant library may return; kmxcore treats them as
 * "non-zero" only. */
enum kmx_error {
    KMX_ERR_NULL_HANDLE = 1,      /**< null instance or camera handle */
    KMX_ERR_BAD_ARGUMENT = 2,     /**< null out-pointer, bad length, unknown id */
    KMX_ERR_NOT_FOUND = 3,        /**< no such camera */
    KMX_ERR_IN_USE = 4,           /**< camera already open, instance already open */
    KMX_ERR_NO_BUFFERS = 5,       /**< no records assigned, index out of range */
    KMX_ERR_BUFFER_TOO_SMALL = 6, /**< a frame does not fit in the record's buffer */
    KMX_ERR_NOT_SUPPORTED = 7,    /**< the camera lacks the capability */
    KMX_ERR_NO_MEMORY = 9,
    KMX_ERR_STATE = 10,           /**< no frame in progress, stream not running */
    KMX_ERR_FORMAT = 11,          /**< unknown or unsupported format code */
    KMX_ERR_INJECTED = 12         /**< a fault that a test asked for */
};

/** Integer camera parameters (kmx_get_param and friends). */
enum kmx_param_id {
    KMX_PARAM_GAIN = 0,          /**< gain index */
    KMX_PARAM_RED_GAIN = 1,      /**< white-balance gain indexes */
    KMX_PARAM_GREEN_GAIN = 2,
    KMX_PARAM_BLUE_GAIN = 3,
    KMX_PARAM_EXPOSURE = 4,      /**< value in microseconds; min/max report index limits */
    KMX_PARAM_BL = 5,            /**< black level index */
    KMX_PARAM_RATE = 6,          /**< frame rate selector: 0, 1 or 4 */
    KMX_PARAM_FORMAT = 7,        /**< output format code, 0 for raw sensor output */
    KMX_PARAM_8 = 8,             /**< reserved, written 0 */
    KMX_PARAM_TEST_MODE = 9,     /**< deterministic test pattern, 0 or 1 */
    KMX_PARAM_INVERT = 10,       /**< invert the image, 0 or 1 */
    KMX_PARAM_11 = 11,           /**< reserved, written 0 */
    KMX_PARAM_PREVIEW = 12,      /**< preview readout, 0 or 1 */
    KMX_PARAM_RED_BOOST = 15,
    KMX_PARAM_BLUE_BOOST = 16,
    KMX_PARAM_BIN = 18,          /**< binned readout, 0 or 1 */
    KMX_PARAM_19 = 19,           /**< reserved, written 0 */
    KMX_PARAM_GAMMA_MODE = 20,
    KMX_PARAM_CONTRAST_MODE = 21,
    KMX_PARAM_CONTRAST = 22      /**< contrast index, 127 neutral */
};

/** The floating camera parameter (kmx_get_fparam and friends). */
enum kmx_fparam_id { KMX_FPARAM_GAMMA = 23 };

/** Information keys (kmx_get_info). */
enum kmx_info_key {
    KMX_INFO_SERIAL_NO = 2,
    KMX_INFO_MAX_WIDTH = 5,
    KMX_INFO_MAX_HEIGHT = 6,
    KMX_INFO_PREVIEW_WIDTH = 8,
    KMX_INFO_PREVIEW_HEIGHT = 9,
    KMX_INFO_CAPS = 11
};

/** Capability bits of the KMX_INFO_CAPS word. */
enum kmx_capability {
    KMX_CAP_DEPTH8 = 0x0001,
    KMX_CAP_DEPTH10 = 0x0002,
    KMX_CAP_DEPTH12 = 0x0004,
    KMX_CAP_COLOR = 0x0100,
    KMX_CAP_RATE_OFFSET = 0x1000,
    KMX_CAP_PREVIEW = 0x2000,
    KMX_CAP_BIN = 0x4000,
    KMX_CAP_TEST_MODE = 0x8000
};

/** Output format code for raw sensor data (KMX_PARAM_FORMAT). */
enum { KMX_FORMAT_RAW = 0 };

/** Event numbers (kmx_register_event_callback). */
enum kmx_event { KMX_EVENT_FRAME_COMPLETE = 1 };

/* Instance and cameras ------------------------------------------------- */

/** @brief Opens the library instance. Takes only the address of the instance handle.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_open_interface(kmx_instance_t** instance);
/** @brief Closes the library instance. Takes only the address of the instance handle; the
 *  caller nulls it.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_close_interface(kmx_instance_t** instance);
/** @brief Hands out a list of the cameras, to be given back with kmx_dispose_object.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_list(kmx_instance_t* instance, kmx_camera_list_t** list);
/** @brief Gives back an object handed out by the library. Takes only the address of a pointer
 *  to it.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_dispose_object(void** object);
/** @brief Opens the camera of an id and index word.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_open(kmx_instance_t* instance, unsigned camera_id, unsigned camera_index,
                        kmx_camera_t** camera);
/** @brief Opens a camera not yet open, starting from the words given, and writes its words
 *  back.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_open_any(kmx_instance_t* instance, unsigned* camera_id,
                            unsigned* camera_index, kmx_camera_t** camera);
/** @brief Closes the camera and nulls the handle.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_close(kmx_instance_t* instance, kmx_camera_t** camera);

/** @brief The vendor text of a camera that need not be open, by its id and index.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_camera_vendor_desc(kmx_instance_t* instance, unsigned camera_id,
                                          unsigned camera_index, char* text, unsigned length);
/** @brief The vendor prefix of a camera that need not be open.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_camera_vendor_prefix(kmx_instance_t* instance, unsigned camera_id,
                                            unsigned camera_index, char* text, unsigned length);
/** @brief The product text of a camera that need not be open.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_camera_product_desc(kmx_instance_t* instance, unsigned camera_id,
                                           unsigned camera_index, char* text, unsigned length);
/** @brief The vendor text of an open camera.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_camera_vendor_desc(kmx_camera_t* camera, char* text, unsigned length);
/** @brief The vendor prefix of an open camera.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_camera_vendor_prefix(kmx_camera_t* camera, char* text, unsigned length);
/** @brief The product text of an open camera.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_camera_product_desc(kmx_camera_t* camera, char* text, unsigned length);

/* Frames --------------------------------------------------------------- */

/** @brief Applies the parameters written so far.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_setup_camera(kmx_camera_t* camera, unsigned value);
/** @brief Registers an array of frame records; they stay borrowed until kmx_release_buffers.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_assign_buffers(kmx_camera_t* camera, kmx_frame_t* frames, unsigned count);
/** @brief Withdraws the registered records.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_release_buffers(kmx_camera_t* camera);
/** @brief Starts a frame into registered record index.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_start_frame_index(kmx_camera_t* camera, unsigned index);
/** @brief Starts a frame into a record, borrowed until the frame completes.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_start_frame(kmx_camera_t* camera, kmx_frame_t* frame);
/** @brief Asks whether the frame in progress is complete.
 *  @return KMX_OK complete, KMX_FRAME_BUSY in progress, anything else failed
 *          (KMX_FRAME_FAILED_13, KMX_FRAME_FAILED_16 or another status) */
KMXLIB_API int kmx_check_for_complete(kmx_camera_t* camera);
/** @brief Asks whether the frame of a stream is complete; flag 1 keeps the stream going, 0 lets
 *  it end after this frame.
 *  @return as kmx_check_for_complete */
KMXLIB_API int kmx_check_start_next(kmx_camera_t* camera, unsigned char flag);
/** @brief Abandons the frame in progress.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_abort_frame(kmx_camera_t* camera);
/** @brief Copies a delivered frame into caller memory in a format, rectangle and row length.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_copy_frame(kmx_camera_t* camera, kmx_frame_t* frame, unsigned format,
                              unsigned char* pixels, RECT rect, unsigned rowbytes);
/** @brief Copies a region of a delivered frame into caller memory.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_copy_roi(kmx_camera_t* camera, kmx_frame_t* frame, RECT source,
                            unsigned format, unsigned char* pixels, RECT rect,
                            unsigned rowbytes);

/* Parameters and information ------------------------------------------- */

/** @brief Reads an integer parameter (kmx_param_id).
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_param(kmx_camera_t* camera, unsigned id, unsigned* value);
/** @brief Reads the lowest value of an integer parameter.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_param_min(kmx_camera_t* camera, unsigned id, unsigned* value);
/** @brief Reads the highest value of an integer parameter.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_param_max(kmx_camera_t* camera, unsigned id, unsigned* value);
/** @brief Reads the default of an integer parameter.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_param_default(kmx_camera_t* camera, unsigned id, unsigned* value);
/** @brief Writes an integer parameter.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_set_param(kmx_camera_t* camera, unsigned id, unsigned value);
/** @brief Reads the floating parameter (kmx_fparam_id).
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_fparam(kmx_camera_t* camera, unsigned id, double* value);
/** @brief Reads the lowest value of the floating parameter.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_fparam_min(kmx_camera_t* camera, unsigned id, double* value);
/** @brief Reads the highest value of the floating parameter.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_fparam_max(kmx_camera_t* camera, unsigned id, double* value);
/** @brief Reads the default of the floating parameter.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_fparam_default(kmx_camera_t* camera, unsigned id, double* value);
/** @brief Writes the floating parameter.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_set_fparam(kmx_camera_t* camera, unsigned id, double value);
/** @brief Reads a fact of the camera (kmx_info_key).
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_info(kmx_camera_t* camera, unsigned key, unsigned* value);
/** @brief Reads a statistic of the camera.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_stat(kmx_camera_t* camera, unsigned id, unsigned* value);
/** @brief Resets a statistic of the camera.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_reset_stat(kmx_camera_t* camera, unsigned id);

/* Conversions between camera indexes and values ------------------------- */

/** @brief The exposure index of an exposure value.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_exp_to_index(kmx_camera_t* camera, unsigned exposure, unsigned* index);
/** @brief The exposure value of an exposure index.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_index_to_exp(kmx_camera_t* camera, unsigned index, unsigned* exposure);
/** @brief The gain index of a gain value.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_gain_to_index(kmx_camera_t* camera, double gain, unsigned* index);
/** @brief The black-level index of a black-level value.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_bl_to_index(kmx_camera_t* camera, double bl, unsigned* index);
/** @brief The white-balance gain index of a gain value.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_wb_gain_to_index(kmx_camera_t* camera, double gain, unsigned* index);
/** @brief The gamma index of a gamma value.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_gamma_to_index(kmx_camera_t* camera, double gamma, unsigned* index);
/** @brief The gain value of a gain index.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_index_to_gain(kmx_camera_t* camera, unsigned index, double* gain);
/** @brief The black-level value of a black-level index.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_index_to_bl(kmx_camera_t* camera, unsigned index, double* bl);
/** @brief The white-balance gain value of a gain index.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_index_to_wb_gain(kmx_camera_t* camera, unsigned index, double* gain);
/** @brief The gamma value of a gamma index.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_index_to_gamma(kmx_camera_t* camera, unsigned index, double* gamma);

/** @brief Loads the look-up table applied to 8-bit output: exactly 256 bytes.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_load_lut(kmx_camera_t* camera, unsigned char* table, unsigned length);
/** @brief Reads the look-up table: exactly 256 bytes.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_get_lut(kmx_camera_t* camera, unsigned char* table, unsigned length);

/* Automatic procedures ------------------------------------------------- */

/** @brief Runs the automatic white balance on registered record index, over a region.
 *  @return KMX_OK; KMX_AUTO_ABORTED when the progress callback ended it; another status on
 *          failure */
KMXLIB_API int kmx_awb_roi_index(kmx_camera_t* camera, unsigned index,
                                 kmx_progress_callback callback, uintptr_t user, RECT region);
/** @brief Runs the automatic gain on registered record index, within two gain indexes.
 *  @return as kmx_awb_roi_index */
KMXLIB_API int kmx_auto_gain_index(kmx_camera_t* camera, unsigned index,
                                   kmx_progress_callback callback, uintptr_t user,
                                   unsigned lowest_gain, unsigned highest_gain);
/** @brief Runs the automatic exposure on registered record index, within two exposure values.
 *  @return as kmx_awb_roi_index */
KMXLIB_API int kmx_auto_exp_index(kmx_camera_t* camera, unsigned index,
                                  kmx_progress_callback callback, uintptr_t user,
                                  unsigned lowest_exposure, unsigned highest_exposure);
/** @brief Runs the automatic exposure and gain on registered record index, within two exposure
 *  values and two gain indexes.
 *  @return as kmx_awb_roi_index */
KMXLIB_API int kmx_auto_exp_index_ex(kmx_camera_t* camera, unsigned index,
                                     kmx_progress_callback callback, uintptr_t user,
                                     unsigned lowest_exposure, unsigned highest_exposure,
                                     unsigned lowest_gain, unsigned highest_gain);
/** @brief Runs the automatic white balance on a record, over a region.
 *  @return as kmx_awb_roi_index */
KMXLIB_API int kmx_awb_roi(kmx_camera_t* camera, kmx_frame_t* frame,
                           kmx_progress_callback callback, uintptr_t user, RECT region);
/** @brief Runs the automatic gain on a record. @return as kmx_awb_roi_index */
KMXLIB_API int kmx_auto_gain(kmx_camera_t* camera, kmx_frame_t* frame,
                             kmx_progress_callback callback, uintptr_t user,
                             unsigned lowest_gain, unsigned highest_gain);
/** @brief Runs the automatic exposure on a record. @return as kmx_awb_roi_index */
KMXLIB_API int kmx_auto_exp(kmx_camera_t* camera, kmx_frame_t* frame,
                            kmx_progress_callback callback, uintptr_t user,
                            unsigned lowest_exposure, unsigned highest_exposure);
/** @brief Runs the automatic exposure and gain on a record. @return as kmx_awb_roi_index */
KMXLIB_API int kmx_auto_exp_ex(kmx_camera_t* camera, kmx_frame_t* frame,
                               kmx_progress_callback callback, uintptr_t user,
                               unsigned lowest_exposure, unsigned highest_exposure,
                               unsigned lowest_gain, unsigned highest_gain);

/* Events --------------------------------------------------------------- */

/** @brief Registers an event callback. The two last values are a context pointer passed back to
 *  the callback and a reserved word (0).
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_register_event_callback(kmx_camera_t* camera, unsigned event,
                                           kmx_event_callback callback, uintptr_t context,
                                           unsigned reserved);
/** @brief Removes an event callback.
 *  @return the status: KMX_OK, or the kmx_error that says why not */
KMXLIB_API int kmx_remove_event_callback(kmx_camera_t* camera, unsigned event);

/* Optional: a shared log channel ----------------------------------------- */

/**
 * Besides the 58 functions, a camera library may export
 * kmxlib_set_log_sink. kmxcore looks it up when it opens the library
 * instance and hands over its own diagnostics channel, so that the camera
 * library's messages obey KMX_LOG as kmxcore read it and reach the
 * application's log callback (kmxcore/diagnostics.h). Categories and
 * levels are the kmx_log_category and kmx_log_level values. A library that
 * does not export it is used all the same.
 */
typedef struct kmxlib_log_sink {
    /** Non-zero when a message of this category and level would be written. */
    int (*enabled)(int category, int level);
    /** Writes one message: one line, no line break. */
    void (*write)(int category, int level, const char* message);
} kmxlib_log_sink;

/** @brief From now on the library's messages go to sink; null brings back
 *  the library's own channel (stderr). The sink stays valid until it is
 *  replaced. */
KMXLIB_API void kmxlib_set_log_sink(const kmxlib_log_sink* sink);

#ifdef __cplusplus
}
#endif

#endif /* KMXLIB_H */
