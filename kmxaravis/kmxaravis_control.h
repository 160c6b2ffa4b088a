/* SPDX-License-Identifier: Apache-2.0 */
/*
 * kmxaravis_control.h - kmxaravis beyond the camera-library contract.
 *
 * kmxaravis implements the 58 functions of kmxlib.h on GigE Vision and
 * USB3 Vision cameras through Aravis 0.8. These few further functions
 * serve applications and tests that need the camera underneath. Through
 * the dispatch library they are reached with kmxlib_symbol(), for which
 * the *_fn types below are given.
 *
 * Camera ids: 1 GigE Vision, 2 USB3 Vision, 3 Aravis' in-process fake
 * camera (always listed, last). Camera index: the place in that
 * transport's list sorted by device id, stable from run to run.
 */
#ifndef KMXARAVIS_CONTROL_H
#define KMXARAVIS_CONTROL_H

#include "kmxlib.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    KMXARAVIS_CAMERA_GIGE = 1,
    KMXARAVIS_CAMERA_USB3 = 2,
    KMXARAVIS_CAMERA_FAKE = 3
};

/* Why the last Aravis call of kmxaravis failed, as one line, or "". The
 * text stays valid until the calling thread calls this again. */
KMXLIB_API const char* kmxaravis_last_error(void);
typedef const char* (*kmxaravis_last_error_fn)(void);

/* The Aravis camera (an ArvCamera*) behind an open camera, or NULL. It
 * belongs to kmxaravis: valid until kmx_close, not to be unreferenced.
 * Features changed through it that kmxaravis also sets (pixel format,
 * size, binning, trigger) are set again at the next frame. */
KMXLIB_API void* kmxaravis_arv_camera(kmx_camera_t* camera);
typedef void* (*kmxaravis_arv_camera_fn)(kmx_camera_t* camera);

/* How long a started frame may take before its completion check answers
 * KMX_FRAME_FAILED_16 (an unplugged camera then fails instead of hanging
 * a caller that polls without limit). 0 goes back to the default: four
 * frame periods with the exposure, at least a second, and two seconds more
 * for the first frame after acquisition starts. */
KMXLIB_API int kmxaravis_set_frame_deadline_ms(kmx_camera_t* camera, unsigned milliseconds);
typedef int (*kmxaravis_set_frame_deadline_ms_fn)(kmx_camera_t* camera, unsigned milliseconds);

/* The GenICam file of the fake cameras opened from now on (NULL: Aravis'
 * own), so tests can describe other fake cameras. */
KMXLIB_API int kmxaravis_set_fake_genicam(const char* path);
typedef int (*kmxaravis_set_fake_genicam_fn)(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* KMXARAVIS_CONTROL_H */
