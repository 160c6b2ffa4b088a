/* SPDX-License-Identifier: Apache-2.0 */
/*
 * kmxsim_control.h - control of the simulated camera library.
 *
 * Not part of the camera-library contract: tests and tools use it to
 * define the virtual cameras, record every contract call with its
 * arguments, make any function answer a chosen status, drive a virtual
 * clock, script frame content and read back what the camera delivered.
 *
 * kmxsim_reset() brings everything back to the start: the default
 * cameras, no instance, real-time clock, no recording, no faults.
 */
#ifndef KMXSIM_CONTROL_H
#define KMXSIM_CONTROL_H

#include <stddef.h>
#include <stdint.h>

#include "kmxcore/camera/kmxlib.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Every function of the contract, for the call record and for faults. */
typedef enum kmxsim_fn {
    KMXSIM_FN_OPEN_INTERFACE,
    KMXSIM_FN_CLOSE_INTERFACE,
    KMXSIM_FN_LIST,
    KMXSIM_FN_DISPOSE_OBJECT,
    KMXSIM_FN_OPEN,
    KMXSIM_FN_OPEN_ANY,
    KMXSIM_FN_CLOSE,
    KMXSIM_FN_GET_CAMERA_VENDOR_DESC,
    KMXSIM_FN_GET_CAMERA_VENDOR_PREFIX,
    KMXSIM_FN_GET_CAMERA_PRODUCT_DESC,
    KMXSIM_FN_CAMERA_VENDOR_DESC,
    KMXSIM_FN_CAMERA_VENDOR_PREFIX,
    KMXSIM_FN_CAMERA_PRODUCT_DESC,
    KMXSIM_FN_SETUP_CAMERA,
    KMXSIM_FN_ASSIGN_BUFFERS,
    KMXSIM_FN_RELEASE_BUFFERS,
    KMXSIM_FN_START_FRAME_INDEX,
    KMXSIM_FN_START_FRAME,
    KMXSIM_FN_CHECK_FOR_COMPLETE,
    KMXSIM_FN_CHECK_START_NEXT,
    KMXSIM_FN_ABORT_FRAME,
    KMXSIM_FN_COPY_FRAME,
    KMXSIM_FN_COPY_ROI,
    KMXSIM_FN_GET_PARAM,
    KMXSIM_FN_GET_PARAM_MIN,
    KMXSIM_FN_GET_PARAM_MAX,
    KMXSIM_FN_GET_PARAM_DEFAULT,
    KMXSIM_FN_SET_PARAM,
    KMXSIM_FN_GET_FPARAM,
    KMXSIM_FN_GET_FPARAM_MIN,
    KMXSIM_FN_GET_FPARAM_MAX,
    KMXSIM_FN_GET_FPARAM_DEFAULT,
    KMXSIM_FN_SET_FPARAM,
    KMXSIM_FN_GET_INFO,
    KMXSIM_FN_GET_STAT,
    KMXSIM_FN_RESET_STAT,
    KMXSIM_FN_EXP_TO_INDEX,
    KMXSIM_FN_INDEX_TO_EXP,
    KMXSIM_FN_GAIN_TO_INDEX,
    KMXSIM_FN_BL_TO_INDEX,
    KMXSIM_FN_WB_GAIN_TO_INDEX,
    KMXSIM_FN_GAMMA_TO_INDEX,
    KMXSIM_FN_INDEX_TO_GAIN,
    KMXSIM_FN_INDEX_TO_BL,
    KMXSIM_FN_INDEX_TO_WB_GAIN,
    KMXSIM_FN_INDEX_TO_GAMMA,
    KMXSIM_FN_LOAD_LUT,
    KMXSIM_FN_GET_LUT,
    KMXSIM_FN_AWB_ROI_INDEX,
    KMXSIM_FN_AUTO_GAIN_INDEX,
    KMXSIM_FN_AUTO_EXP_INDEX,
    KMXSIM_FN_AUTO_EXP_INDEX_EX,
    KMXSIM_FN_AWB_ROI,
    KMXSIM_FN_AUTO_GAIN,
    KMXSIM_FN_AUTO_EXP,
    KMXSIM_FN_AUTO_EXP_EX,
    KMXSIM_FN_REGISTER_EVENT_CALLBACK,
    KMXSIM_FN_REMOVE_EVENT_CALLBACK,
    KMXSIM_FN_COUNT
} kmxsim_fn;

/* The contract's name of a function ("kmx_open"), or "?" out of range. */
KMXLIB_API const char* kmxsim_fn_name(kmxsim_fn fn);

/* Virtual cameras ------------------------------------------------------ */

enum { KMXSIM_PARAM_IDS = 23,  /* integer parameter ids 0..22 */
       KMXSIM_TEXT = 64 };

typedef struct kmxsim_range {
    uint32_t min;
    uint32_t max;
    uint32_t def;
} kmxsim_range;

typedef struct kmxsim_camera_desc {
    uint32_t camera_id;       /* the two words kmx_open takes */
    uint32_t camera_index;
    uint32_t caps;            /* KMX_CAP_* bits */
    uint32_t serial_no;
    uint32_t max_width, max_height;
    uint32_t preview_width, preview_height;
    /* min, max and default of every integer parameter id 0..22. For
     * KMX_PARAM_EXPOSURE min and max are exposure index limits (0..256)
     * and the default is an exposure value in microseconds. */
    kmxsim_range params[KMXSIM_PARAM_IDS];
    double gamma_min, gamma_max, gamma_default;
    /* Bit n set: kmx_get_param_default(n) answers KMX_ERR_NOT_SUPPORTED;
     * bit KMX_FPARAM_GAMMA: so does kmx_get_fparam_default(gamma). */
    uint32_t no_default_mask;
    char vendor[KMXSIM_TEXT];
    char vendor_prefix[KMXSIM_TEXT];
    char product[KMXSIM_TEXT];
} kmxsim_camera_desc;

/* The presets that kmxsim_reset installs, in this order. */
typedef enum kmxsim_preset {
    /* Monochrome, 8/10/12-bit, preview, binning, test mode: 640 x 480,
     * preview 320 x 240, id 1 index 0. */
    KMXSIM_PRESET_MONO = 0,
    /* Colour, 8/10/12-bit, preview, binning, test mode, rate offset:
     * 1280 x 1024, preview 640 x 512, id 2 index 0. */
    KMXSIM_PRESET_COLOR = 1,
    KMXSIM_PRESET_COUNT
} kmxsim_preset;

/* Fills *desc with a preset. Returns 0, or non-zero for an unknown preset. */
KMXLIB_API int kmxsim_preset_desc(kmxsim_preset preset, kmxsim_camera_desc* desc);

/* Everything back to the start (see the top of this file). */
KMXLIB_API void kmxsim_reset(void);
/* Removes every camera (none may be open). */
KMXLIB_API void kmxsim_clear_cameras(void);
/* Adds a camera; returns its slot, or -1 when the desc is refused. */
KMXLIB_API int kmxsim_add_camera(const kmxsim_camera_desc* desc);
KMXLIB_API unsigned kmxsim_camera_count(void);
/* Reads or replaces the description in a slot. 0 on success. */
KMXLIB_API int kmxsim_get_camera(unsigned slot, kmxsim_camera_desc* desc);
KMXLIB_API int kmxsim_set_camera(unsigned slot, const kmxsim_camera_desc* desc);
/* The slot of an open camera handle, or -1. */
KMXLIB_API int kmxsim_camera_slot(const kmx_camera_t* camera);

/* Call record ---------------------------------------------------------- */

enum { KMXSIM_MAX_ARGS = 8 };

/* One call of the contract. args holds the arguments after the handle in
 * order: unsigned values as they are, pointers as addresses, a RECT as
 * four entries (left, top, right, bottom); fvalue holds a double argument
 * or the double written back by a floating getter/conversion. */
typedef struct kmxsim_call {
    kmxsim_fn fn;
    int status;                 /* what the call returned */
    const void* handle;         /* instance or camera, or the out address */
    unsigned nargs;
    uint64_t args[KMXSIM_MAX_ARGS];
    double fvalue;
} kmxsim_call;

/* Recording starts off; turning it on does not clear what was recorded. */
KMXLIB_API void kmxsim_record(int on);
KMXLIB_API void kmxsim_clear_calls(void);
KMXLIB_API size_t kmxsim_call_count(void);
/* The i-th recorded call, or 0 past the end. Valid until the next call
 * into the simulator that records or clears. */
KMXLIB_API int kmxsim_get_call(size_t i, kmxsim_call* call);
/* How many recorded calls were of fn. */
KMXLIB_API size_t kmxsim_count_calls(kmxsim_fn fn);

/* Faults --------------------------------------------------------------- */

/* Makes fn answer status without doing anything: the first `skip` calls go
 * through normally, then `times` calls fail (0 = every call from then on).
 * A later kmxsim_fail for the same fn replaces the earlier one. For the two
 * completion checks a failure status is what the poll answers; the frame in
 * progress is then lost as with a real transfer error. */
KMXLIB_API void kmxsim_fail(kmxsim_fn fn, int status, unsigned times, unsigned skip);
KMXLIB_API void kmxsim_clear_fault(kmxsim_fn fn);
KMXLIB_API void kmxsim_clear_faults(void);

/* Clock ---------------------------------------------------------------- */

/* Real time (the default): a frame takes its exposure and frame period.
 * Virtual: a frame completes after `polls_per_frame` busy answers of the
 * completion checks (0: complete at the first poll), or when
 * kmxsim_advance_us has moved the clock past its end, whichever is first.
 * Nothing sleeps on the virtual clock. */
KMXLIB_API void kmxsim_use_virtual_clock(int on, unsigned polls_per_frame);
KMXLIB_API void kmxsim_advance_us(uint64_t microseconds);
KMXLIB_API uint64_t kmxsim_now_us(void);

/* Frames --------------------------------------------------------------- */

/* Sequence number of the frame last delivered into a record (1 for the
 * first frame a camera delivered after it was opened), or 0 when none.
 * The simulator keeps it in the record's reserved words. */
KMXLIB_API uint32_t kmxsim_frame_sequence(const kmx_frame_t* frame);
/* Frames the camera has delivered since it was opened. */
KMXLIB_API uint32_t kmxsim_frames_delivered(const kmx_camera_t* camera);

/* Scripted flat frames: from now on frame k of every camera is filled with
 * values[k % count] in every component (in the output depth's units,
 * before inversion, look-up table and copies). count 0 goes back to the
 * scene. At most 64 values. */
KMXLIB_API void kmxsim_script_flat_frames(const uint32_t* values, unsigned count);

/* Pre-rendered frames: from now on each camera renders `count` frames once
 * (again whenever its settings, readout size or the script change) and
 * delivers frame k as a copy of pre-rendered frame k % count, which is
 * what it would have rendered as frame k % count. Delivering a frame then
 * costs a copy of its bytes, about what a camera's transfer into memory
 * costs the host, so benchmarks measure the library rather than the
 * scene. count 0 goes back to rendering every frame. At most 64. */
KMXLIB_API void kmxsim_prerender_frames(unsigned count);

/* The noise-free value of the test-mode pattern at (x, y), component c, for
 * a camera slot and depth (8, 10, 12): tests compare delivered pixels with
 * it. */
KMXLIB_API uint32_t kmxsim_test_pattern_value(unsigned slot, unsigned x, unsigned y,
                                             unsigned component, unsigned depth);

#ifdef __cplusplus
}
#endif

#endif /* KMXSIM_CONTROL_H */
