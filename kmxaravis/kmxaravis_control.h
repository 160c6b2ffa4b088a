/* SPDX-License-Identifier: Apache-2.0 */
/**
 * @file kmxaravis_control.h
 * @brief kmxaravis beyond the camera-library contract.
 *
 * kmxaravis implements the 58 functions of kmxlib.h on GigE Vision and
 * USB3 Vision cameras through Aravis 0.8. These few further functions
 * serve applications and tests that need the camera underneath. Through
 * the dispatch library they are reached with kmxlib_symbol(), for which
 * the *_fn types are given.
 *
 * Camera ids: #KMXARAVIS_CAMERA_GIGE, #KMXARAVIS_CAMERA_USB3 and
 * #KMXARAVIS_CAMERA_FAKE (always listed, last). Camera index: the place in
 * that transport's list sorted by device id, stable from run to run.
 */
#ifndef KMXARAVIS_CONTROL_H
#define KMXARAVIS_CONTROL_H

#include <kmxcore/camera/kmxlib.h>

#ifdef __cplusplus
extern "C" {
#endif

/** The camera ids of kmxaravis: one per transport. */
enum kmxaravis_camera_id {
    KMXARAVIS_CAMERA_GIGE = 1, /**< GigE Vision cameras */
    KMXARAVIS_CAMERA_USB3 = 2, /**< USB3 Vision cameras */
    KMXARAVIS_CAMERA_FAKE = 3  /**< Aravis' in-process fake camera */
};

/**
 * @brief Why the last Aravis call of kmxaravis failed.
 * @return one line, or ""; valid until the calling thread calls this again
 */
KMXLIB_API const char* kmxaravis_last_error(void);
/** kmxaravis_last_error(), as kmxlib_symbol() gives it. */
typedef const char* (*kmxaravis_last_error_fn)(void);

/**
 * @brief The Aravis camera (an `ArvCamera*`) behind an open camera.
 *
 * It belongs to kmxaravis: valid until kmx_close(), not to be
 * unreferenced. Features changed through it that kmxaravis also sets
 * (pixel format, size, binning, trigger) are set again at the next frame.
 * @param camera an open camera
 * @return the camera, or NULL for a handle that is not an open camera
 */
KMXLIB_API void* kmxaravis_arv_camera(kmx_camera_t* camera);
/** kmxaravis_arv_camera(), as kmxlib_symbol() gives it. */
typedef void* (*kmxaravis_arv_camera_fn)(kmx_camera_t* camera);

/**
 * @brief How long a started frame may take before its completion check
 * answers KMX_FRAME_FAILED_16.
 *
 * An unplugged camera then fails instead of hanging a caller that polls
 * without limit.
 * @param camera an open camera
 * @param milliseconds the deadline; 0 goes back to the default: four frame
 *        periods with the exposure, at least a second, and two seconds more
 *        for the first frame after acquisition starts
 * @return KMX_OK, or KMX_ERR_NULL_HANDLE
 */
KMXLIB_API int kmxaravis_set_frame_deadline_ms(kmx_camera_t* camera, unsigned milliseconds);
/** kmxaravis_set_frame_deadline_ms(), as kmxlib_symbol() gives it. */
typedef int (*kmxaravis_set_frame_deadline_ms_fn)(kmx_camera_t* camera, unsigned milliseconds);

/**
 * @brief The GenICam file of the fake cameras opened from now on, so tests
 * can describe other fake cameras.
 * @param path the file; NULL: Aravis' own description
 * @return KMX_OK
 */
KMXLIB_API int kmxaravis_set_fake_genicam(const char* path);
/** kmxaravis_set_fake_genicam(), as kmxlib_symbol() gives it. */
typedef int (*kmxaravis_set_fake_genicam_fn)(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* KMXARAVIS_CONTROL_H */
