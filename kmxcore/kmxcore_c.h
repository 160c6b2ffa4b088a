/* SPDX-License-Identifier: Apache-2.0 */
/**
 * @file kmxcore_c.h
 * @brief The C entry points of kmxcore, for applications that load the
 * library at run time (dlopen/LoadLibrary) or are written in another
 * language.
 *
 * Objects are opaque pointers. Create_<class> makes an object with its
 * class's default constructor; any Delete_<class> name ends any object
 * through its virtual destructor and returns its storage. Everything else
 * an object does is reached through its virtual table: the first word of
 * every object points at the table, and the table's entries are the
 * class's virtual operations in the order of the KMX_SLOT_* constants
 * below.
 *
 * The slot numbers are those of this build's compilers (GCC, Clang and
 * mingw-w64 lay tables out the same way): two destructor entries head
 * every table (slot 0 destroys, slot 1 destroys and frees), then each
 * class's operations in declaration order, a derived class's new
 * operations after its base's. An operation takes the object as its first
 * argument. On 32-bit Windows, member functions use the thiscall
 * convention: declare pointers to them with KMX_THISCALL.
 *
 * Example: unsigned format = KMX_CALL(unsigned, iformat, KMX_SLOT_IFORMAT_GET_FORMAT)(iformat);
 */
#ifndef KMXCORE_C_H
#define KMXCORE_C_H

#include <stdint.h>

#include <kmxcore/diagnostics.h>
#include <kmxcore/kmx_export.h>
#include <kmxcore/version.h>

/** @def KMX_THISCALL
 *  The calling convention of virtual operations: thiscall on 32-bit
 *  Windows, the default elsewhere. */
#if defined(_WIN32) && defined(__i386__)
#  define KMX_THISCALL __attribute__((thiscall))
#else
#  define KMX_THISCALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** Any object of kmxcore, opaque to C. */
typedef struct kmx_object kmx_object;
/** The camera library's instance (kmxlib.h). */
typedef struct kmx_instance kmx_instance_t;
/** A camera list of the camera library (kmxlib.h). */
typedef struct kmx_camera_list kmx_camera_list_t;

/** @brief The entry of a slot of an object's virtual table, as an untyped
 *  function address. */
static inline void* kmx_slot(const void* object, unsigned slot)
{
    return (*(void* const* const*)object)[slot];
}

/** @def KMX_CALL
 *  The entry of a slot cast to a function taking the object first: use as
 *  KMX_CALL(return type, object, slot, further argument types...)(object, ...). */
#define KMX_CALL(result, object, slot, ...) \
    ((result(KMX_THISCALL*)(void*, ##__VA_ARGS__))kmx_slot((object), (slot)))

/** @brief A new Ckmx_interface (the instance is not opened).
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_kmx_interface(void);
/** @brief A new Cdevice (closed).
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_device(void);
/** @brief A new Ccam_settings (unbound).
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_cam_settings(void);
/** @brief A new Ccapture not bound to a device.
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_capture(void);
/** @brief A new Ccapture bound to `device` (a Cdevice, borrowed: it must outlive the capture).
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_capture_for_device(void* device);
/** @brief A new Cimage_core.
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_image_core(void);
/** @brief A new Cimage (no buffer).
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_image(void);
/** @brief A new Cfw_image (no buffer).
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_fw_image(void);
/** @brief A new Cos_image (no bitmap).
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_os_image(void);
/** @brief A new Cbuffer_pool (closed).
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_buffer_pool(void);
/** @brief A new Ciformat.
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_iformat(void);
/** @brief A new Cimage_info.
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_image_info(void);
/** @brief A new Cimage_binfo.
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_image_binfo(void);
/** @brief A new Cthread_state (every word 0).
 *  @return the object, or null when storage ran out */
KMX_C_API void* Create_thread_state(void);

/** @brief One function under fourteen names: ends any object of any
 *  exported class through its virtual destructor (the most-derived one
 *  runs, whatever the name used) and returns the storage with the global
 *  operator delete: objects made by a Create_ function, and objects the
 *  application made with new, of an exported class or of its own class
 *  derived from one. A null object is ignored. As with free(), a pointer
 *  that is not such a live object (already deleted, on the stack, or of
 *  some other type) is the caller's fault. */
KMX_C_API void Delete_buffer_pool(void* object);
/** @brief The same function as Delete_buffer_pool. */
KMX_C_API void Delete_cam_settings(void* object);
/** @brief The same function as Delete_buffer_pool. */
KMX_C_API void Delete_capture(void* object);
/** @brief The same function as Delete_buffer_pool. */
KMX_C_API void Delete_device(void* object);
/** @brief The same function as Delete_buffer_pool. */
KMX_C_API void Delete_frame_info(void* object);
/** @brief The same function as Delete_buffer_pool. */
KMX_C_API void Delete_fw_image(void* object);
/** @brief The same function as Delete_buffer_pool. */
KMX_C_API void Delete_iformat(void* object);
/** @brief The same function as Delete_buffer_pool. */
KMX_C_API void Delete_image(void* object);
/** @brief The same function as Delete_buffer_pool. */
KMX_C_API void Delete_image_binfo(void* object);
/** @brief The same function as Delete_buffer_pool. */
KMX_C_API void Delete_image_core(void* object);
/** @brief The same function as Delete_buffer_pool. */
KMX_C_API void Delete_image_info(void* object);
/** @brief The same function as Delete_buffer_pool. */
KMX_C_API void Delete_os_image(void* object);
/** @brief The same function as Delete_buffer_pool. */
KMX_C_API void Delete_kmx_interface(void* object);
/** @brief The same function as Delete_buffer_pool. */
KMX_C_API void Delete_thread_state(void* object);

/** @brief The format code for four properties (Ciformat::classify_image).
 *  @return the code, or 0xFFFFFFFF (KMX_FORMAT_NONE) when none fits */
KMX_C_API unsigned classify_image(unsigned image_mode, unsigned no_components,
                                  unsigned component_depth, unsigned component_order);
/** @brief The six properties of a format code (Ciformat::decompose_format);
 *  null outputs are skipped.
 *  @return 1 with every output written for one of the nine codes; 0 with
 *          nothing written otherwise */
KMX_C_API uint8_t decompose_format(unsigned format, unsigned* image_mode,
                                   unsigned* no_components, unsigned* component_depth,
                                   unsigned* component_size, unsigned* component_order,
                                   unsigned* pixel_size);

/** @brief The library instance; open and close it through a kmx_interface
 *  object (Ckmx_interface::get_interface).
 *  @return the handle, null while no instance is open */
KMX_C_API kmx_instance_t* kmx_interface_get_interface(void);
/** @brief Ckmx_interface::list. @return the camera library's status */
KMX_C_API int kmx_interface_list(kmx_camera_list_t** camera_list);
/** @brief Ckmx_interface::dispose_object. @return the camera library's status */
KMX_C_API int kmx_interface_dispose_object(void** object);
/** @brief Ckmx_interface::camera_vendor_desc. @return the camera library's status */
KMX_C_API int kmx_interface_camera_vendor_desc(unsigned camera_id, unsigned camera_index,
                                               char* text, unsigned length);
/** @brief Ckmx_interface::camera_vendor_prefix. @return the camera library's status */
KMX_C_API int kmx_interface_camera_vendor_prefix(unsigned camera_id, unsigned camera_index,
                                                 char* text, unsigned length);
/** @brief Ckmx_interface::camera_product_desc. @return the camera library's status */
KMX_C_API int kmx_interface_camera_product_desc(unsigned camera_id, unsigned camera_index,
                                                char* text, unsigned length);
/** @brief Ckmx_interface::camera_product_prefix: the same as
 *  kmx_interface_camera_product_desc. @return the camera library's status */
KMX_C_API int kmx_interface_camera_product_prefix(unsigned camera_id, unsigned camera_index,
                                                  char* text, unsigned length);

/* Virtual slots --------------------------------------------------------- */

/** The two slots every class's table starts with. */
enum {
    KMX_SLOT_DESTROY = 0,          /**< every class: ends the object, keeps the storage */
    KMX_SLOT_DESTROY_AND_FREE = 1  /**< every class: ends the object, frees the storage */
};

/* Ckmx_interface */
enum {
    KMX_SLOT_KMX_INTERFACE_OPEN = 2,  /* int open(obj): 0 open, 1 refused */
    KMX_SLOT_KMX_INTERFACE_CLOSE = 3  /* void close(obj) */
};

/* Ciformat */
enum {
    KMX_SLOT_IFORMAT_GET_FORMAT = 2,
    KMX_SLOT_IFORMAT_GET_IMAGE_MODE = 3,
    KMX_SLOT_IFORMAT_GET_NO_COMPONENTS = 4,
    KMX_SLOT_IFORMAT_GET_COMPONENT_SIZE = 5,
    KMX_SLOT_IFORMAT_GET_COMPONENT_DEPTH = 6,
    KMX_SLOT_IFORMAT_GET_COMPONENT_ORDER = 7,
    KMX_SLOT_IFORMAT_GET_PIXEL_SIZE = 8,
    KMX_SLOT_IFORMAT_GET_DETAILS = 9,        /* bool (obj, unsigned& x6) */
    KMX_SLOT_IFORMAT_SET_FORMAT_PROPERTIES = 10, /* bool (obj, mode, components, depth, order) */
    KMX_SLOT_IFORMAT_SET_FORMAT = 11         /* bool (obj, unsigned format) */
};

/* Cimage_core, and the first slots of every image class */
enum {
    KMX_SLOT_IMAGE_GET_WIDTH = 2,
    KMX_SLOT_IMAGE_GET_HEIGHT = 3,
    KMX_SLOT_IMAGE_GET_IMAGE_RECT = 4,
    KMX_SLOT_IMAGE_GET_ROWBYTES = 5,
    KMX_SLOT_IMAGE_GET_SIZE = 6,
    KMX_SLOT_IMAGE_GET_BSIZE = 7,
    KMX_SLOT_IMAGE_GET_NO_COMPONENTS = 8,
    KMX_SLOT_IMAGE_GET_COMPONENT_SIZE = 9,
    KMX_SLOT_IMAGE_GET_COMPONENT_DEPTH = 10,
    KMX_SLOT_IMAGE_GET_COMPONENT_ORDER = 11,
    KMX_SLOT_IMAGE_GET_PIXEL_SIZE = 12,
    KMX_SLOT_IMAGE_GET_IMAGE_TYPE = 13,
    KMX_SLOT_IMAGE_GET_FORMAT = 14,
    KMX_SLOT_IMAGE_GET_BP = 15,
    KMX_SLOT_IMAGE_CLOSE_IMAGE = 16,
    KMX_SLOT_IMAGE_CLEAR_IMAGE = 17
};

/* Cimage and Cfw_image (after the image slots); results 1 success, 0 failure */
enum {
    KMX_SLOT_IMAGE_CREATE_IMAGE_FORMAT = 18,     /* int (obj, format, int width, int height) */
    KMX_SLOT_IMAGE_CREATE_IMAGE_PROPERTIES = 19, /* int (obj, type, components, depth, order, w, h) */
    KMX_SLOT_IMAGE_MODIFY_IMAGE_FORMAT = 20,     /* int (obj, format) */
    KMX_SLOT_IMAGE_MODIFY_IMAGE_FORMAT_SIZE = 21,/* int (obj, format, w, h) */
    KMX_SLOT_IMAGE_MODIFY_IMAGE_PROPERTIES = 22, /* int (obj, type, components, depth, order, w, h) */
    KMX_SLOT_IMAGE_RESIZE_IMAGE = 23,            /* int (obj, w, h) */
    KMX_SLOT_FW_IMAGE_GET_BINFO = 24             /* BITMAPINFO* (obj) */
};

/* Cimage_drawable and Cos_image (after the image slots) */
enum {
    KMX_SLOT_DRAWABLE_GET_HDC = 18,
    KMX_SLOT_DRAWABLE_GET_BINFO = 19,
    KMX_SLOT_DRAWABLE_DRAW_BITMAP_HEADER = 20,   /* (obj, BITMAPINFO*, char*, RECT src, RECT dst) */
    KMX_SLOT_DRAWABLE_DRAW_BITMAP_IMAGE = 21,    /* (obj, drawable, RECT src, RECT dst) */
    KMX_SLOT_DRAWABLE_COPY_ONSCREEN_PALETTE = 22,/* (obj, HWND, RECT, RECT, HPALETTE) */
    KMX_SLOT_DRAWABLE_COPY_ONSCREEN = 23,        /* (obj, HWND, RECT, RECT) */
    KMX_SLOT_DRAWABLE_DRAW_XHAIR = 24,           /* (obj, const RECT*, HBITMAP, unsigned scale) */
    KMX_SLOT_DRAWABLE_DRAW_XHAIR_PATTERN = 25,   /* (obj, const RECT*, HBITMAP) */
    KMX_SLOT_DRAWABLE_DRAW_XHAIR_SCALE = 26,     /* (obj, const RECT*, unsigned scale) */
    KMX_SLOT_DRAWABLE_DRAW_GRID = 27,
    KMX_SLOT_DRAWABLE_DRAW_GRID_PATTERN = 28,
    KMX_SLOT_DRAWABLE_DRAW_GRID_SCALE = 29,
    KMX_SLOT_OS_IMAGE_CREATE_IMAGE = 30,         /* int (obj, image_type, int w, int h) */
    KMX_SLOT_OS_IMAGE_DRAW_FRAME = 31,           /* void (obj, fw_image) */
    KMX_SLOT_OS_IMAGE_DRAW_DRAWABLE = 32         /* void (obj, drawable) */
};

/* Cframe_info (reached through a buffer pool or a capture; results 0 success, 1 failure) */
enum {
    KMX_SLOT_FRAME_INFO_CREATE_IMAGES = 2,   /* int (obj, fw_image array, unsigned count) */
    KMX_SLOT_FRAME_INFO_CREATE_FW_IMAGE = 3,
    KMX_SLOT_FRAME_INFO_CREATE_IMAGE = 4,
    KMX_SLOT_FRAME_INFO_CREATE_COUNT = 5,
    KMX_SLOT_FRAME_INFO_RELEASE = 6,
    KMX_SLOT_FRAME_INFO_SET_FW_IMAGE_INDEX = 7,
    KMX_SLOT_FRAME_INFO_SET_FW_IMAGE = 8,
    KMX_SLOT_FRAME_INFO_SET_IMAGE_INDEX = 9,
    KMX_SLOT_FRAME_INFO_SET_IMAGE = 10,
    KMX_SLOT_FRAME_INFO_GET_NO_FRAMES = 11,
    KMX_SLOT_FRAME_INFO_GET_FRAME_INFO_INDEX = 12,
    KMX_SLOT_FRAME_INFO_GET_FRAME_INFO = 13,
    KMX_SLOT_FRAME_INFO_GET_FRAME_LIST = 14
};

/* Cbuffer_pool (results 0 success, 1 failure) */
enum {
    KMX_SLOT_BUFFER_POOL_CREATE_POOL = 2, /* int (obj, type, components, depth, order, w, h, count) */
    KMX_SLOT_BUFFER_POOL_MODIFY_FORMAT = 3,
    KMX_SLOT_BUFFER_POOL_MODIFY_FORMAT_SIZE = 4,
    KMX_SLOT_BUFFER_POOL_MODIFY_PROPERTIES = 5,
    KMX_SLOT_BUFFER_POOL_RESIZE = 6,
    KMX_SLOT_BUFFER_POOL_ASSIGN = 7,
    KMX_SLOT_BUFFER_POOL_RELEASE = 8,
    KMX_SLOT_BUFFER_POOL_CLOSE = 9,
    KMX_SLOT_BUFFER_POOL_GET_NO_BUFFERS = 10,
    KMX_SLOT_BUFFER_POOL_GET_BUFFER = 11,
    KMX_SLOT_BUFFER_POOL_GET_FRAME_INFO = 12
};

/* Ccam_settings */
enum {
    KMX_SLOT_CAM_SETTINGS_GET_NAME = 2,
    KMX_SLOT_CAM_SETTINGS_GET_GAIN = 3,
    KMX_SLOT_CAM_SETTINGS_GET_GAIN_VALUE = 4,
    KMX_SLOT_CAM_SETTINGS_GET_MAX_GAIN_VALUE = 5,
    KMX_SLOT_CAM_SETTINGS_GET_MIN_GAIN_VALUE = 6,
    KMX_SLOT_CAM_SETTINGS_GET_RED_GAIN = 7,
    KMX_SLOT_CAM_SETTINGS_GET_RED_GAIN_VALUE = 8,
    KMX_SLOT_CAM_SETTINGS_GET_GREEN_GAIN = 9,
    KMX_SLOT_CAM_SETTINGS_GET_GREEN_GAIN_VALUE = 10,
    KMX_SLOT_CAM_SETTINGS_GET_BLUE_GAIN = 11,
    KMX_SLOT_CAM_SETTINGS_GET_BLUE_GAIN_VALUE = 12,
    KMX_SLOT_CAM_SETTINGS_GET_EXPOSURE = 13,
    KMX_SLOT_CAM_SETTINGS_GET_EXPSOURE_VALUE = 14,
    KMX_SLOT_CAM_SETTINGS_GET_CONTRAST_MODE = 15,
    KMX_SLOT_CAM_SETTINGS_GET_CONTRAST = 16,
    KMX_SLOT_CAM_SETTINGS_GET_CONTRAST_VALUE = 17,
    KMX_SLOT_CAM_SETTINGS_GET_GAMMA_MODE = 18,
    KMX_SLOT_CAM_SETTINGS_GET_GAMMA = 19,
    KMX_SLOT_CAM_SETTINGS_GET_GAMMA_INDEX = 20,
    KMX_SLOT_CAM_SETTINGS_GET_RED_BOOST = 21,
    KMX_SLOT_CAM_SETTINGS_GET_BLUE_BOOST = 22,
    KMX_SLOT_CAM_SETTINGS_GET_BL = 23,
    KMX_SLOT_CAM_SETTINGS_GET_BL_VALUE = 24,
    KMX_SLOT_CAM_SETTINGS_GET_DEPTH_SELECT = 25,
    KMX_SLOT_CAM_SETTINGS_GET_AVERAGE_OPT = 26,
    KMX_SLOT_CAM_SETTINGS_GET_AVERAGE_FRAMES = 27,
    KMX_SLOT_CAM_SETTINGS_GET_PREVIEW_MODE = 28,
    KMX_SLOT_CAM_SETTINGS_GET_BIN_MODE = 29,
    KMX_SLOT_CAM_SETTINGS_GET_TEST_MODE = 30,
    KMX_SLOT_CAM_SETTINGS_GET_RATE = 31,
    KMX_SLOT_CAM_SETTINGS_GET_RATE_INDEX = 32,
    KMX_SLOT_CAM_SETTINGS_GET_LIVE_RATE = 33,
    KMX_SLOT_CAM_SETTINGS_GET_LIVE_RATE_INDEX = 34,
    KMX_SLOT_CAM_SETTINGS_GET_IMAGE_TYPE = 35,
    KMX_SLOT_CAM_SETTINGS_GET_ORDER = 36,
    KMX_SLOT_CAM_SETTINGS_GET_NO_COMPONENTS = 37,
    KMX_SLOT_CAM_SETTINGS_INVERT_IMAGE = 38,
    KMX_SLOT_CAM_SETTINGS_INIT = 39,           /* int (obj, kmx_camera_t*) */
    KMX_SLOT_CAM_SETTINGS_LOAD_DEFAULTS = 40,  /* int (obj, kmx_camera_t*) */
    KMX_SLOT_CAM_SETTINGS_GET_FORMAT = 41,
    KMX_SLOT_CAM_SETTINGS_PREVIEW_MODE_ALLOWED = 42,
    KMX_SLOT_CAM_SETTINGS_BIN_MODE_ALLOWED = 43,
    KMX_SLOT_CAM_SETTINGS_TEST_MODE_ALLOWED = 44,
    KMX_SLOT_CAM_SETTINGS_SET_NATIVE = 45,
    KMX_SLOT_CAM_SETTINGS_SAVE_FORMAT = 46,
    KMX_SLOT_CAM_SETTINGS_RESTORE_FORMAT = 47,
    KMX_SLOT_CAM_SETTINGS_SET_FORMAT = 48,
    KMX_SLOT_CAM_SETTINGS_DEEP_IMAGE = 49,
    KMX_SLOT_CAM_SETTINGS_GET_COMPONENT_DEPTH = 50,
    KMX_SLOT_CAM_SETTINGS_SET_COMPONENT_DEPTH = 51,
    KMX_SLOT_CAM_SETTINGS_GET_COMPONENT_SIZE = 52,
    KMX_SLOT_CAM_SETTINGS_GET_PIXEL_SIZE = 53,
    KMX_SLOT_CAM_SETTINGS_SET_CONFIG_NAME = 54,
    KMX_SLOT_CAM_SETTINGS_SET_GAIN = 55,
    KMX_SLOT_CAM_SETTINGS_SET_GAIN_VALUE = 56,
    KMX_SLOT_CAM_SETTINGS_SET_BL = 57,
    KMX_SLOT_CAM_SETTINGS_SET_BL_VALUE = 58,
    KMX_SLOT_CAM_SETTINGS_SET_CONTRAST_MODE = 59,
    KMX_SLOT_CAM_SETTINGS_SET_CONTRAST = 60,
    KMX_SLOT_CAM_SETTINGS_SET_CONTRAST_VALUE = 61,
    KMX_SLOT_CAM_SETTINGS_SET_GAMMA_MODE = 62,
    KMX_SLOT_CAM_SETTINGS_SET_GAMMA = 63,
    KMX_SLOT_CAM_SETTINGS_SET_GAMMA_INDEX = 64,
    KMX_SLOT_CAM_SETTINGS_SET_RED_GAIN = 65,
    KMX_SLOT_CAM_SETTINGS_SET_BLUE_GAIN = 66,
    KMX_SLOT_CAM_SETTINGS_SET_GREEN_GAIN = 67,
    KMX_SLOT_CAM_SETTINGS_SET_RED_GAIN_VALUE = 68,
    KMX_SLOT_CAM_SETTINGS_SET_BLUE_GAIN_VALUE = 69,
    KMX_SLOT_CAM_SETTINGS_SET_GREEN_GAIN_VALUE = 70,
    KMX_SLOT_CAM_SETTINGS_SET_RED_BOOST = 71,
    KMX_SLOT_CAM_SETTINGS_SET_BLUE_BOOST = 72,
    KMX_SLOT_CAM_SETTINGS_SET_EXPOSURE = 73,
    KMX_SLOT_CAM_SETTINGS_SET_EXPOSURE_VALUE = 74,
    KMX_SLOT_CAM_SETTINGS_SET_RATE = 75,
    KMX_SLOT_CAM_SETTINGS_SET_LIVE_RATE = 76,
    KMX_SLOT_CAM_SETTINGS_SET_DEPTH_SELECT = 77,
    KMX_SLOT_CAM_SETTINGS_SET_AVERAGE_OPT = 78,
    KMX_SLOT_CAM_SETTINGS_SET_AVERAGE_FRAMES = 79,
    KMX_SLOT_CAM_SETTINGS_SET_TEST_MODE = 80,
    KMX_SLOT_CAM_SETTINGS_SET_PREVIEW_MODE = 81,
    KMX_SLOT_CAM_SETTINGS_SET_BIN_MODE = 82,
    KMX_SLOT_CAM_SETTINGS_SET_INVERT_IMAGE = 83
};

/* Cdevice */
enum {
    KMX_SLOT_DEVICE_OPEN_COUNT = 2,     /* int (obj, id, index, buffers): 0 ready, 1 failed */
    KMX_SLOT_DEVICE_OPEN = 3,           /* int (obj, id, index) */
    KMX_SLOT_DEVICE_OPEN_ANY_COUNT = 4, /* int (obj, unsigned* id, unsigned* index, buffers) */
    KMX_SLOT_DEVICE_OPEN_ANY = 5,
    KMX_SLOT_DEVICE_CLOSE = 6,
    KMX_SLOT_DEVICE_GET_CAMERA_HANDLE = 7,
    KMX_SLOT_DEVICE_GET_CAMERA_ID = 8,
    KMX_SLOT_DEVICE_GET_CAMERA_INDEX = 9,
    KMX_SLOT_DEVICE_GET_SERIAL_NO = 10,
    KMX_SLOT_DEVICE_GET_CAMERA_CAPS = 11,
    KMX_SLOT_DEVICE_GET_CAMERA_TYPE = 12,
    KMX_SLOT_DEVICE_GET_CAMERA_DEPTHS = 13,
    KMX_SLOT_DEVICE_GET_IMAGE_MODE = 14,
    KMX_SLOT_DEVICE_GET_WIDTH = 15,
    KMX_SLOT_DEVICE_GET_HEIGHT = 16,
    KMX_SLOT_DEVICE_GET_MAX_WIDTH = 17,
    KMX_SLOT_DEVICE_GET_MAX_HEIGHT = 18,
    KMX_SLOT_DEVICE_GET_BIN_WIDTH = 19,
    KMX_SLOT_DEVICE_GET_BIN_HEIGHT = 20,
    KMX_SLOT_DEVICE_GET_PREVIEW_WIDTH = 21,
    KMX_SLOT_DEVICE_GET_PREVIEW_HEIGHT = 22,
    KMX_SLOT_DEVICE_GET_MAX_DEPTH = 23,
    KMX_SLOT_DEVICE_GET_BPOOL = 24,
    KMX_SLOT_DEVICE_GET_BUFFER = 25,
    KMX_SLOT_DEVICE_GET_FRAME_INFO = 26,
    KMX_SLOT_DEVICE_GET_FORMAT = 27,
    KMX_SLOT_DEVICE_SET_BIN_MODE = 28,
    KMX_SLOT_DEVICE_SET_PREVIEW_MODE = 29,
    KMX_SLOT_DEVICE_SET_NORMAL_MODE = 30,
    KMX_SLOT_DEVICE_SET_FORMAT_PROPERTIES = 31,
    KMX_SLOT_DEVICE_SET_FORMAT = 32,
    KMX_SLOT_DEVICE_LOAD_SETTINGS = 33,
    KMX_SLOT_DEVICE_VALIDATE_FORMAT = 34,
    KMX_SLOT_DEVICE_SETUP_CAMERA = 35,
    KMX_SLOT_DEVICE_ASSIGN_BUFFERS = 36,
    KMX_SLOT_DEVICE_RELEASE_BUFFERS = 37,
    KMX_SLOT_DEVICE_START_FRAME_INDEX = 38,
    KMX_SLOT_DEVICE_START_FRAME = 39,
    KMX_SLOT_DEVICE_CHECK_FOR_COMPLETE = 40,
    KMX_SLOT_DEVICE_CHECK_START_NEXT = 41,
    KMX_SLOT_DEVICE_ABORT_FRAME = 42,
    KMX_SLOT_DEVICE_GET_INFO = 43,
    KMX_SLOT_DEVICE_GET_PARAM = 44,
    KMX_SLOT_DEVICE_GET_PARAM_MIN = 45,
    KMX_SLOT_DEVICE_GET_PARAM_MAX = 46,
    KMX_SLOT_DEVICE_GET_PARAM_DEFAULT = 47,
    KMX_SLOT_DEVICE_SET_PARAM = 48,
    KMX_SLOT_DEVICE_GET_FPARAM = 49,
    KMX_SLOT_DEVICE_GET_FPARAM_MIN = 50,
    KMX_SLOT_DEVICE_GET_FPARAM_MAX = 51,
    KMX_SLOT_DEVICE_GET_FPARAM_DEFAULT = 52,
    KMX_SLOT_DEVICE_SET_FPARAM = 53,
    KMX_SLOT_DEVICE_GET_STAT = 54,
    KMX_SLOT_DEVICE_RESET_STAT = 55,
    KMX_SLOT_DEVICE_COPY_FRAME_INDEX = 56,
    KMX_SLOT_DEVICE_COPY_FRAME_RECORD = 57,
    KMX_SLOT_DEVICE_COPY_FRAME_LIST = 58,
    KMX_SLOT_DEVICE_COPY_FRAME_LIST_IMAGE = 59,
    KMX_SLOT_DEVICE_COPY_ROI_INDEX = 60,
    KMX_SLOT_DEVICE_COPY_ROI_RECORD = 61,
    KMX_SLOT_DEVICE_CAMERA_VENDOR_DESC = 62,
    KMX_SLOT_DEVICE_CAMERA_VENDOR_PREFIX = 63,
    KMX_SLOT_DEVICE_CAMERA_PRODUCT_DESC = 64,
    KMX_SLOT_DEVICE_CAMERA_PRODUCT_PREFIX = 65,
    KMX_SLOT_DEVICE_LOAD_LUT = 66,
    KMX_SLOT_DEVICE_GET_LUT = 67,
    KMX_SLOT_DEVICE_AWB_ROI_INDEX = 68,
    KMX_SLOT_DEVICE_AWB_ROI = 69,
    KMX_SLOT_DEVICE_AUTO_GAIN_INDEX = 70,
    KMX_SLOT_DEVICE_AUTO_GAIN = 71,
    KMX_SLOT_DEVICE_AUTO_EXP_INDEX = 72,
    KMX_SLOT_DEVICE_AUTO_EXP = 73,
    KMX_SLOT_DEVICE_AUTO_EXP_INDEX_EX = 74,
    KMX_SLOT_DEVICE_AUTO_EXP_EX = 75,
    KMX_SLOT_DEVICE_REGISTER_EVENT_CALLBACK = 76,
    KMX_SLOT_DEVICE_REMOVE_EVENT_CALLBACK = 77,
    KMX_SLOT_DEVICE_EXP_TO_INDEX = 78,
    KMX_SLOT_DEVICE_INDEX_TO_EXP = 79,
    KMX_SLOT_DEVICE_GAIN_TO_INDEX = 80,
    KMX_SLOT_DEVICE_INDEX_TO_GAIN = 81,
    KMX_SLOT_DEVICE_BL_TO_INDEX = 82,
    KMX_SLOT_DEVICE_INDEX_TO_BL = 83,
    KMX_SLOT_DEVICE_WB_GAIN_TO_INDEX = 84,
    KMX_SLOT_DEVICE_INDEX_TO_WB_GAIN = 85,
    KMX_SLOT_DEVICE_GAMMA_TO_INDEX = 86,
    KMX_SLOT_DEVICE_INDEX_TO_GAMMA = 87
};

/* Cthread_state */
enum {
    KMX_SLOT_THREAD_STATE_GET_STATE = 2,
    KMX_SLOT_THREAD_STATE_GET_STATUS = 3,
    KMX_SLOT_THREAD_STATE_GET_LAST_CC = 4,
    KMX_SLOT_THREAD_STATE_STOP_REQUESTED = 5,
    KMX_SLOT_THREAD_STATE_ABORT_REQUESTED = 6,
    KMX_SLOT_THREAD_STATE_ACTIVE = 7,
    KMX_SLOT_THREAD_STATE_SET_STATE = 8,
    KMX_SLOT_THREAD_STATE_SET_STATUS = 9,
    KMX_SLOT_THREAD_STATE_SET_CC = 10,
    KMX_SLOT_THREAD_STATE_CLEAR_STOP = 11,
    KMX_SLOT_THREAD_STATE_CLEAR_ABORT = 12,
    KMX_SLOT_THREAD_STATE_SET_INACTIVE = 13,
    KMX_SLOT_THREAD_STATE_SET_STOP = 14,
    KMX_SLOT_THREAD_STATE_SET_ABORT = 15,
    KMX_SLOT_THREAD_STATE_SET_ACTIVE = 16
};

/* Ccapture. Acquisitions answer capture results: 0 ok, 1 failed, 2 and 4
 * camera errors (retried by the retrying forms), 3 stopped, 5 no memory. */
enum {
    KMX_SLOT_CAPTURE_INIT = 2,            /* int (obj, device, settings): 1 bound, 0 null device */
    KMX_SLOT_CAPTURE_GET_DEVICE = 3,
    KMX_SLOT_CAPTURE_GET_SETTINGS = 4,
    KMX_SLOT_CAPTURE_IMAGE_AVAILABLE = 5,
    KMX_SLOT_CAPTURE_DEEP_IMAGE_AVAILABLE = 6,
    KMX_SLOT_CAPTURE_GET_IMAGE_MODE = 7,
    KMX_SLOT_CAPTURE_GET_BYTES_PER_ROW = 8,
    KMX_SLOT_CAPTURE_GET_IMAGE_SIZE = 9,
    KMX_SLOT_CAPTURE_GET_WIDTH = 10,
    KMX_SLOT_CAPTURE_GET_HEIGHT = 11,
    KMX_SLOT_CAPTURE_GET_BUFFER_NO = 12,
    KMX_SLOT_CAPTURE_GET_IMAGE_INDEX = 13,    /* fw_image* (obj, unsigned n) */
    KMX_SLOT_CAPTURE_GET_IMAGE = 14,          /* fw_image* (obj) */
    KMX_SLOT_CAPTURE_GET_DEEP_IMAGE = 15,
    KMX_SLOT_CAPTURE_GET_IMAGE_INFO = 16,
    KMX_SLOT_CAPTURE_RESET_FRAME_COUNT = 17,
    KMX_SLOT_CAPTURE_GET_FRAME_COUNT = 18,
    KMX_SLOT_CAPTURE_SETUP_SETTINGS = 19,     /* int (obj, settings, int average, int live) */
    KMX_SLOT_CAPTURE_SETUP = 20,              /* int (obj, int average, int live) */
    KMX_SLOT_CAPTURE_SELECT_LIVE_RATE = 21,
    KMX_SLOT_CAPTURE_SELECT_CAPTURE_RATE = 22,
    KMX_SLOT_CAPTURE_SET_NO_RETRIES = 23,
    KMX_SLOT_CAPTURE_GET_FRAME_IMAGE_STATE = 24, /* int (obj, fw_image, thread_state) */
    KMX_SLOT_CAPTURE_GET_FRAME_IMAGE = 25,
    KMX_SLOT_CAPTURE_GET_FRAME_STATE = 26,       /* int (obj, thread_state) */
    KMX_SLOT_CAPTURE_GET_FRAME = 27,             /* int (obj) */
    KMX_SLOT_CAPTURE_GET_FRAME8_IMAGE_STATE = 28,
    KMX_SLOT_CAPTURE_GET_FRAME8_IMAGE = 29,
    KMX_SLOT_CAPTURE_GET_FRAME8_STATE = 30,
    KMX_SLOT_CAPTURE_GET_FRAME8 = 31,
    KMX_SLOT_CAPTURE_GET_DEEP_FRAME_IMAGE_STATE = 32,
    KMX_SLOT_CAPTURE_GET_DEEP_FRAME_IMAGE = 33,
    KMX_SLOT_CAPTURE_GET_DEEP_FRAME_STATE = 34,
    KMX_SLOT_CAPTURE_GET_DEEP_FRAME = 35,
    KMX_SLOT_CAPTURE_START_FRAME_INDEX_STATE = 36,
    KMX_SLOT_CAPTURE_START_FRAME_INDEX = 37,
    KMX_SLOT_CAPTURE_START_FRAME_STATE = 38,
    KMX_SLOT_CAPTURE_START_FRAME = 39,
    KMX_SLOT_CAPTURE_ABORT_FRAME = 40,
    KMX_SLOT_CAPTURE_COMPLETE_FRAME_STATE = 41,
    KMX_SLOT_CAPTURE_COMPLETE_FRAME = 42,
    KMX_SLOT_CAPTURE_COMPLETE_FRAMEX = 43,
    KMX_SLOT_CAPTURE_CURRENT_FRAME_STATE = 44,
    KMX_SLOT_CAPTURE_CURRENT_FRAME = 45,
    KMX_SLOT_CAPTURE_CURRENT_FRAMEX = 46,
    KMX_SLOT_CAPTURE_STOP_FRAME_STATE = 47,
    KMX_SLOT_CAPTURE_STOP_FRAME = 48,
    KMX_SLOT_CAPTURE_STOP_FRAMEX = 49,
    KMX_SLOT_CAPTURE_PROCESS_MULTI_FRAME8_STATE = 50,
    KMX_SLOT_CAPTURE_PROCESS_MULTI_FRAME8 = 51,
    KMX_SLOT_CAPTURE_PROCESS_MULTI_DEEP_STATE = 52,
    KMX_SLOT_CAPTURE_PROCESS_MULTI_DEEP = 53,
    KMX_SLOT_CAPTURE_GET_RAW_FRAME_STATE = 54,
    KMX_SLOT_CAPTURE_GET_RAW_FRAME = 55,
    KMX_SLOT_CAPTURE_ACCUMULATE_STATE = 56,
    KMX_SLOT_CAPTURE_ACCUMULATE = 57,
    KMX_SLOT_CAPTURE_ACCUMULATE_DEEP_STATE = 58,
    KMX_SLOT_CAPTURE_ACCUMULATE_DEEP = 59,
    KMX_SLOT_CAPTURE_GET_MULTI_FRAME_STATE = 60,
    KMX_SLOT_CAPTURE_GET_MULTI_FRAME = 61,
    KMX_SLOT_CAPTURE_GET_MULTI_DEEP_STATE = 62,
    KMX_SLOT_CAPTURE_GET_MULTI_DEEP = 63,
    KMX_SLOT_CAPTURE_WB_PROCESS_STATE = 64,
    KMX_SLOT_CAPTURE_WB_PROCESS = 65,
    KMX_SLOT_CAPTURE_AGP_PROCESS_STATE = 66,
    KMX_SLOT_CAPTURE_AGP_PROCESS = 67,
    KMX_SLOT_CAPTURE_AEP_PROCESS_STATE = 68,
    KMX_SLOT_CAPTURE_AEP_PROCESS = 69,
    KMX_SLOT_CAPTURE_SET_TEST_MODE = 70,
    KMX_SLOT_CAPTURE_SET_GAIN = 71,
    KMX_SLOT_CAPTURE_SET_BL = 72,
    KMX_SLOT_CAPTURE_SET_RED_GAIN = 73,
    KMX_SLOT_CAPTURE_SET_GREEN_GAIN = 74,
    KMX_SLOT_CAPTURE_SET_BLUE_GAIN = 75,
    KMX_SLOT_CAPTURE_SET_RED_BOOST = 76,
    KMX_SLOT_CAPTURE_SET_BLUE_BOOST = 77
};

#ifdef __cplusplus
}
#endif

#endif /* KMXCORE_C_H */
