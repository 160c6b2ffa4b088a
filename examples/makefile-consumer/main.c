/* SPDX-License-Identifier: Apache-2.0 */
/*
 * first_frame_c: the C interface of kmxcore. Objects come from the Create_
 * functions and are used through their virtual tables, at the slots that
 * kmxcore_c.h names; any Delete_ name ends any object. Opens camera 1:0,
 * takes one 8-bit frame with the camera's own settings and prints its size
 * and mean value.
 */
#include <stdio.h>

#include <kmxcore/kmxcore_c.h>

static double mean_value(const unsigned char* bytes, unsigned size)
{
    unsigned long long sum = 0;
    for (unsigned i = 0; i < size; ++i)
        sum += bytes[i];
    return size == 0 ? 0.0 : (double)sum / size;
}

int main(void)
{
    printf("kmxcore %s\n", kmxcore_version());
    kmx_log_configure("camera:warn");

    void* library = Create_kmx_interface();
    if (KMX_CALL(int, library, KMX_SLOT_KMX_INTERFACE_OPEN)(library) != 0) {
        fprintf(stderr, "first_frame_c: the camera library could not be opened\n");
        Delete_kmx_interface(library);
        return 1;
    }
    int status = 0;
    void* device = Create_device();
    void* settings = Create_cam_settings();
    void* capture = NULL;
    if (KMX_CALL(int, device, KMX_SLOT_DEVICE_OPEN, unsigned, unsigned)(device, 1, 0) != 0) {
        fprintf(stderr, "first_frame_c: camera 1:0 could not be opened\n");
        status = 2;
        goto done;
    }
    void* camera = KMX_CALL(void*, device, KMX_SLOT_DEVICE_GET_CAMERA_HANDLE)(device);
    KMX_CALL(int, settings, KMX_SLOT_CAM_SETTINGS_INIT, void*)(settings, camera);
    capture = Create_capture_for_device(device);
    KMX_CALL(int, capture, KMX_SLOT_CAPTURE_INIT, void*, void*)(capture, device, settings);
    const int result = KMX_CALL(int, capture, KMX_SLOT_CAPTURE_GET_FRAME)(capture);
    void* frame = KMX_CALL(void*, capture, KMX_SLOT_CAPTURE_GET_IMAGE)(capture);
    if (result != 0 || frame == NULL) {
        fprintf(stderr, "first_frame_c: no frame (capture result %d)\n", result);
        status = 3;
        goto done;
    }
    const unsigned char* pixels = KMX_CALL(void*, frame, KMX_SLOT_IMAGE_GET_BP)(frame);
    const unsigned size = KMX_CALL(unsigned, frame, KMX_SLOT_IMAGE_GET_SIZE)(frame);
    printf("camera 1:0: %u x %u frame, mean %.1f\n",
           KMX_CALL(unsigned, frame, KMX_SLOT_IMAGE_GET_WIDTH)(frame),
           KMX_CALL(unsigned, frame, KMX_SLOT_IMAGE_GET_HEIGHT)(frame), mean_value(pixels, size));
done:
    Delete_capture(capture);
    Delete_cam_settings(settings);
    Delete_device(device); /* closes the camera */
    Delete_kmx_interface(library); /* closes the library instance */
    return status;
}
