/* SPDX-License-Identifier: Apache-2.0 */
/*
 * An application written in C that loads kmxcore at run time and reaches
 * every object through the C factory functions and the objects' virtual
 * tables only. A misordered declaration in any class calls the wrong
 * function here and fails a check.
 */
#include <stdbool.h>
#include <stdio.h>
#include <string.h>

#include "kmxcore/kmxcore_c.h"

#if defined(_WIN32)
#  include <windows.h>
typedef HMODULE library_handle;
static library_handle load_library(const char* path) { return LoadLibraryA(path); }
static void* find_symbol(library_handle library, const char* name)
{
    return (void*)GetProcAddress(library, name);
}
#else
#  include <dlfcn.h>
typedef void* library_handle;
static library_handle load_library(const char* path) { return dlopen(path, RTLD_NOW); }
static void* find_symbol(library_handle library, const char* name) { return dlsym(library, name); }
#endif

static int checks;
static int failures;

static void check(bool condition, const char* what, int line)
{
    ++checks;
    if (!condition) {
        ++failures;
        fprintf(stderr, "load_library.c:%d: check failed: %s\n", line, what);
    }
}

typedef void* (*create_fn)(void);
typedef void* (*create_for_device_fn)(void*);
typedef void (*delete_fn)(void*);
typedef unsigned (*classify_fn)(unsigned, unsigned, unsigned, unsigned);
typedef uint8_t (*decompose_fn)(unsigned, unsigned*, unsigned*, unsigned*, unsigned*, unsigned*,
                                unsigned*);
typedef void* (*get_interface_fn)(void);
typedef int (*describe_fn)(unsigned, unsigned, char*, unsigned);

static library_handle library;

static void* symbol(const char* name)
{
    void* address = find_symbol(library, name);
    check(address != NULL, name, __LINE__);
    return address;
}

static void* create(const char* name) { return ((create_fn)symbol(name))(); }
static void destroy(const char* name, void* object) { ((delete_fn)symbol(name))(object); }

static void format_words(void)
{
    classify_fn classify = (classify_fn)symbol("classify_image");
    decompose_fn decompose = (decompose_fn)symbol("decompose_format");
    if (classify == NULL || decompose == NULL)
        return;
    check(classify(1, 0, 8, 1) == 6, "classify colour reversed", __LINE__);
    check(classify(7, 5, 10, 9) == 3, "classify any mode but 1 as monochrome", __LINE__);
    unsigned v[6] = {77, 77, 77, 77, 77, 77};
    check(decompose(9, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) == 0, "9 is no format", __LINE__);
    check(v[0] == 77 && v[5] == 77, "nothing written for a non-format", __LINE__);
    check(decompose(5, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) == 1, "5 is a format", __LINE__);
    check(v[0] == 1 && v[1] == 3 && v[2] == 10 && v[3] == 2 && v[4] == 0 && v[5] == 6,
          "properties of format 5", __LINE__);
}

/* The library loaded is the one these headers describe, and its log
 * channel takes a list and reports what it did not understand. */
static void version_and_log(void)
{
    typedef const char* (*version_fn)(void);
    typedef int (*configure_fn)(const char*);
    typedef kmx_log_level (*get_level_fn)(kmx_log_category);
    version_fn version = (version_fn)symbol("kmxcore_version");
    configure_fn configure = (configure_fn)symbol("kmx_log_configure");
    get_level_fn get_level = (get_level_fn)symbol("kmx_log_get_level");
    if (version == NULL || configure == NULL || get_level == NULL)
        return;
    check(strcmp(version(), KMXCORE_VERSION_STRING) == 0, "the headers' version", __LINE__);
    check(configure("exports:debug,lens:debug") == 1, "one item not understood", __LINE__);
    check(get_level(KMX_LOG_EXPORTS) == KMX_LOG_DEBUG, "exports at debug", __LINE__);
    check(configure("exports:error") == 0, "back to error", __LINE__);
}

static void iformat_slots(void)
{
    void* iformat = create("Create_iformat");
    check(KMX_CALL(unsigned, iformat, KMX_SLOT_IFORMAT_GET_FORMAT)(iformat) == 0,
          "fresh format word is 0", __LINE__);
    check(KMX_CALL(_Bool, iformat, KMX_SLOT_IFORMAT_SET_FORMAT, unsigned)(iformat, 5),
          "set_format(5)", __LINE__);
    check(KMX_CALL(unsigned, iformat, KMX_SLOT_IFORMAT_GET_FORMAT)(iformat) == 5, "format 5",
          __LINE__);
    check(KMX_CALL(unsigned, iformat, KMX_SLOT_IFORMAT_GET_COMPONENT_SIZE)(iformat) == 2,
          "component size 2", __LINE__);
    check(KMX_CALL(unsigned, iformat, KMX_SLOT_IFORMAT_GET_PIXEL_SIZE)(iformat) == 6,
          "pixel size 6", __LINE__);
    check(!KMX_CALL(_Bool, iformat, KMX_SLOT_IFORMAT_SET_FORMAT_PROPERTIES, unsigned, unsigned,
                    unsigned, unsigned)(iformat, 1, 4, 10, 0),
          "four 10-bit components have no code", __LINE__);
    destroy("Delete_thread_state", iformat);
}

static void thread_state_slots(void)
{
    void* state = create("Create_thread_state");
    check(!KMX_CALL(_Bool, state, KMX_SLOT_THREAD_STATE_ABORT_REQUESTED)(state), "abort clear",
          __LINE__);
    KMX_CALL(void, state, KMX_SLOT_THREAD_STATE_SET_ABORT)(state);
    check(KMX_CALL(_Bool, state, KMX_SLOT_THREAD_STATE_ABORT_REQUESTED)(state), "abort set",
          __LINE__);
    check(!KMX_CALL(_Bool, state, KMX_SLOT_THREAD_STATE_STOP_REQUESTED)(state),
          "stop untouched by abort", __LINE__);
    KMX_CALL(void, state, KMX_SLOT_THREAD_STATE_CLEAR_ABORT)(state);
    check(!KMX_CALL(_Bool, state, KMX_SLOT_THREAD_STATE_ABORT_REQUESTED)(state), "abort cleared",
          __LINE__);
    KMX_CALL(void, state, KMX_SLOT_THREAD_STATE_SET_CC, unsigned)(state, 42);
    check(KMX_CALL(unsigned, state, KMX_SLOT_THREAD_STATE_GET_LAST_CC)(state) == 42, "cc",
          __LINE__);
    destroy("Delete_image", state);
}

static void settings_defaults(void)
{
    void* settings = create("Create_cam_settings");
    check(KMX_CALL(unsigned, settings, KMX_SLOT_CAM_SETTINGS_GET_AVERAGE_FRAMES)(settings) == 2,
          "two frames averaged by default", __LINE__);
    check(KMX_CALL(unsigned, settings, KMX_SLOT_CAM_SETTINGS_GET_FORMAT)(settings) == 2,
          "8-bit monochrome by default", __LINE__);
    check(!KMX_CALL(_Bool, settings, KMX_SLOT_CAM_SETTINGS_SET_RATE, unsigned)(settings, 2),
          "rate 2 refused", __LINE__);
    check(KMX_CALL(_Bool, settings, KMX_SLOT_CAM_SETTINGS_SET_RATE, unsigned)(settings, 4),
          "rate 4 taken", __LINE__);
    check(KMX_CALL(unsigned, settings, KMX_SLOT_CAM_SETTINGS_GET_RATE)(settings) == 4, "rate 4",
          __LINE__);
    check(KMX_CALL(unsigned, settings, KMX_SLOT_CAM_SETTINGS_GET_COMPONENT_DEPTH)(settings) == 8,
          "depth 8", __LINE__);
    destroy("Delete_device", settings);
}

static void images(void)
{
    void* image = create("Create_image");
    check(KMX_CALL(int, image, KMX_SLOT_IMAGE_CREATE_IMAGE_FORMAT, unsigned, int, int)(image, 2, 8,
                                                                                      4) == 1,
          "create 8 x 4 monochrome", __LINE__);
    check(KMX_CALL(unsigned, image, KMX_SLOT_IMAGE_GET_SIZE)(image) == 32, "size 32", __LINE__);
    check(KMX_CALL(int, image, KMX_SLOT_IMAGE_RESIZE_IMAGE, int, int)(image, 4, 4) == 1,
          "resize within capacity", __LINE__);
    check(KMX_CALL(unsigned, image, KMX_SLOT_IMAGE_GET_BSIZE)(image) == 32, "capacity kept",
          __LINE__);
    destroy("Delete_os_image", image);

    void* os_image = create("Create_os_image");
    check(KMX_CALL(int, os_image, KMX_SLOT_OS_IMAGE_CREATE_IMAGE, unsigned, int, int)(os_image, 0, 3,
                                                                                     2) == 1,
          "DIB section 3 x 2", __LINE__);
    check(KMX_CALL(unsigned, os_image, KMX_SLOT_IMAGE_GET_ROWBYTES)(os_image) == 4,
          "rows padded to 4 bytes", __LINE__);
    check(KMX_CALL(void*, os_image, KMX_SLOT_DRAWABLE_GET_HDC)(os_image) != NULL,
          "device context", __LINE__);
    /* The Cos_image destructor must run (it releases the DIB section)
     * although the name used is the base class's. */
    destroy("Delete_image_core", os_image);

    const char* creators[] = {"Create_fw_image", "Create_image_core", "Create_buffer_pool",
                              "Create_image_info", "Create_image_binfo"};
    const char* deleters[] = {"Delete_buffer_pool", "Delete_image_info", "Delete_fw_image",
                              "Delete_iformat", "Delete_frame_info"};
    for (int i = 0; i < 5; ++i) {
        void* object = create(creators[i]);
        check(object != NULL, creators[i], __LINE__);
        destroy(deleters[i], object);
    }
}

static void camera_and_capture(void)
{
    void* instance = create("Create_kmx_interface");
    get_interface_fn get_interface = (get_interface_fn)symbol("kmx_interface_get_interface");
    describe_fn product_desc = (describe_fn)symbol("kmx_interface_camera_product_desc");
    describe_fn product_prefix = (describe_fn)symbol("kmx_interface_camera_product_prefix");
    if (instance == NULL || get_interface == NULL || product_desc == NULL || product_prefix == NULL)
        return;
    check(get_interface() == NULL, "no instance before open", __LINE__);
    check(KMX_CALL(int, instance, KMX_SLOT_KMX_INTERFACE_OPEN)(instance) == 0, "instance opens",
          __LINE__);
    check(get_interface() != NULL, "instance handle", __LINE__);
    char desc[64] = {0}, prefix[64] = {0};
    check(product_desc(1, 0, desc, sizeof desc) == 0, "product description", __LINE__);
    check(product_prefix(1, 0, prefix, sizeof prefix) == 0, "product prefix", __LINE__);
    check(strcmp(desc, prefix) == 0 && desc[0] != '\0', "prefix is the description", __LINE__);

    void* device = create("Create_device");
    check(KMX_CALL(int, device, KMX_SLOT_DEVICE_OPEN, unsigned, unsigned)(device, 1, 0) == 0,
          "device opens camera 1", __LINE__);
    check(KMX_CALL(unsigned, device, KMX_SLOT_DEVICE_GET_MAX_WIDTH)(device) == 640, "max width",
          __LINE__);
    check(KMX_CALL(unsigned, device, KMX_SLOT_DEVICE_GET_CAMERA_TYPE)(device) == 0, "monochrome",
          __LINE__);
    KMX_CALL(void, device, KMX_SLOT_DEVICE_SET_BIN_MODE)(device);
    check(KMX_CALL(unsigned, device, KMX_SLOT_DEVICE_GET_WIDTH)(device) == 320, "binned width",
          __LINE__);
    void* camera = KMX_CALL(void*, device, KMX_SLOT_DEVICE_GET_CAMERA_HANDLE)(device);
    check(camera != NULL, "camera handle", __LINE__);

    void* settings = create("Create_cam_settings");
    check(KMX_CALL(int, settings, KMX_SLOT_CAM_SETTINGS_INIT, void*)(settings, camera) == 0,
          "settings bound to the camera", __LINE__);
    check(KMX_CALL(unsigned, settings, KMX_SLOT_CAM_SETTINGS_GET_GAIN)(settings) == 281,
          "camera's default gain", __LINE__);

    void* capture = ((create_for_device_fn)symbol("Create_capture_for_device"))(device);
    check(KMX_CALL(void*, capture, KMX_SLOT_CAPTURE_GET_DEVICE)(capture) == device,
          "capture bound to the device", __LINE__);
    check(KMX_CALL(int, capture, KMX_SLOT_CAPTURE_INIT, void*, void*)(capture, device, settings) ==
              1,
          "capture init", __LINE__);
    check(KMX_CALL(unsigned, capture, KMX_SLOT_CAPTURE_GET_WIDTH)(capture) == 640,
          "normal readout after set-up", __LINE__);
    check(KMX_CALL(int, capture, KMX_SLOT_CAPTURE_GET_FRAME)(capture) == 0, "a frame", __LINE__);
    check(KMX_CALL(_Bool, capture, KMX_SLOT_CAPTURE_IMAGE_AVAILABLE)(capture), "image available",
          __LINE__);
    void* frame = KMX_CALL(void*, capture, KMX_SLOT_CAPTURE_GET_IMAGE)(capture);
    check(frame != NULL && KMX_CALL(unsigned, frame, KMX_SLOT_IMAGE_GET_SIZE)(frame) == 640 * 480,
          "frame of 640 x 480 bytes", __LINE__);

    destroy("Delete_kmx_interface", capture);
    destroy("Delete_capture", settings);
    destroy("Delete_cam_settings", device);
    destroy("Delete_iformat", instance);
    check(get_interface() == NULL, "instance closed by deleting its object", __LINE__);
}

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : KMXCORE_LIBRARY;
    library = load_library(path);
    if (library == NULL) {
        fprintf(stderr, "cannot load %s\n", path);
        return 1;
    }
    format_words();
    version_and_log();
    iformat_slots();
    thread_state_slots();
    settings_defaults();
    images();
    camera_and_capture();
    printf("%d passed, %d failed\n", checks - failures, failures);
    return failures == 0 ? 0 : 1;
}
