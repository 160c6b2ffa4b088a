// SPDX-License-Identifier: Apache-2.0
// The C entry points: object creation and deletion by name, the format-word
// translations and the library-instance statics.
//
// No C++ exception crosses into a C caller: a creation that runs out of
// storage answers null.
#include "kmxcore/kmxcore_c.h"

#include <new>

#include "kmxcore/buffers/buffer_pool.h"
#include "kmxcore/camera/device.h"
#include "kmxcore/camera/kmx_interface.h"
#include "kmxcore/capture/capture.h"
#include "kmxcore/capture/thread_state.h"
#include "kmxcore/diagnostics/log.h"
#include "kmxcore/image/fw_image.h"
#include "kmxcore/image/iformat.h"
#include "kmxcore/image/image.h"
#include "kmxcore/image/image_binfo.h"
#include "kmxcore/image/image_core.h"
#include "kmxcore/image/image_info.h"
#include "kmxcore/image/os_image.h"
#include "kmxcore/settings/cam_settings.h"

namespace {

template <class T, class... Args>
void* create(Args... args)
{
    T* object = new (std::nothrow) T(args...);
    if (object == nullptr)
        kmx_log::write(KMX_LOG_EXPORTS, KMX_LOG_ERROR, "Create_: out of memory");
    return object;
}

// The exported classes share no base, but every one of them is polymorphic
// and its virtual table begins with the same two destructor entries: the
// second ends the object through its most-derived destructor and returns
// its storage with the global operator delete. Calling that entry ends any
// object of any exported class, whoever made it (a Create_ function, or
// the application's own new of a derived class), exactly as `delete`
// through a pointer to its own class would. A pointer to anything else is
// the caller's fault, as it is for free().
using deleting_destructor = void(KMX_THISCALL*)(void*);

void delete_object(void* object)
{
    if (object == nullptr)
        return;
    const auto destroy =
        reinterpret_cast<deleting_destructor>(kmx_slot(object, KMX_SLOT_DESTROY_AND_FREE));
    destroy(object);
}

} // namespace

extern "C" {

void* Create_kmx_interface(void) { return create<Ckmx_interface>(); }
void* Create_device(void) { return create<Cdevice>(); }
void* Create_cam_settings(void) { return create<Ccam_settings>(); }
void* Create_capture(void) { return create<Ccapture>(); }
void* Create_capture_for_device(void* device)
{
    return create<Ccapture>(static_cast<Cdevice*>(device));
}
void* Create_image_core(void) { return create<Cimage_core>(); }
void* Create_image(void) { return create<Cimage>(); }
void* Create_fw_image(void) { return create<Cfw_image>(); }
void* Create_os_image(void) { return create<Cos_image>(); }
void* Create_buffer_pool(void) { return create<Cbuffer_pool>(); }
void* Create_iformat(void) { return create<Ciformat>(); }
void* Create_image_info(void) { return create<Cimage_info>(); }
void* Create_image_binfo(void) { return create<Cimage_binfo>(); }
void* Create_thread_state(void) { return create<Cthread_state>(); }

void Delete_buffer_pool(void* object) { delete_object(object); }
void Delete_cam_settings(void* object) { delete_object(object); }
void Delete_capture(void* object) { delete_object(object); }
void Delete_device(void* object) { delete_object(object); }
void Delete_frame_info(void* object) { delete_object(object); }
void Delete_fw_image(void* object) { delete_object(object); }
void Delete_iformat(void* object) { delete_object(object); }
void Delete_image(void* object) { delete_object(object); }
void Delete_image_binfo(void* object) { delete_object(object); }
void Delete_image_core(void* object) { delete_object(object); }
void Delete_image_info(void* object) { delete_object(object); }
void Delete_os_image(void* object) { delete_object(object); }
void Delete_kmx_interface(void* object) { delete_object(object); }
void Delete_thread_state(void* object) { delete_object(object); }

unsigned classify_image(unsigned image_mode, unsigned no_components, unsigned component_depth,
                        unsigned component_order)
{
    return Ciformat::classify_image(image_mode, no_components, component_depth,
                                    component_order);
}

uint8_t decompose_format(unsigned format, unsigned* image_mode, unsigned* no_components,
                         unsigned* component_depth, unsigned* component_size,
                         unsigned* component_order, unsigned* pixel_size)
{
    // A C caller may pass null for an output it does not want; the
    // translation writes all six or none, so read into locals first.
    unsigned values[6] = {};
    if (!Ciformat::decompose_format(format, values[0], values[1], values[2], values[3],
                                    values[4], values[5]))
        return 0;
    unsigned* outputs[6] = {image_mode,     no_components,   component_depth,
                            component_size, component_order, pixel_size};
    for (int i = 0; i < 6; ++i)
        if (outputs[i] != nullptr)
            *outputs[i] = values[i];
    return 1;
}

kmx_instance_t* kmx_interface_get_interface(void) { return Ckmx_interface::get_interface(); }

int kmx_interface_list(kmx_camera_list_t** camera_list)
{
    return Ckmx_interface::list(camera_list);
}

int kmx_interface_dispose_object(void** object) { return Ckmx_interface::dispose_object(object); }

int kmx_interface_camera_vendor_desc(unsigned camera_id, unsigned camera_index, char* text,
                                     unsigned length)
{
    return Ckmx_interface::camera_vendor_desc(camera_id, camera_index, text, length);
}

int kmx_interface_camera_vendor_prefix(unsigned camera_id, unsigned camera_index, char* text,
                                       unsigned length)
{
    return Ckmx_interface::camera_vendor_prefix(camera_id, camera_index, text, length);
}

int kmx_interface_camera_product_desc(unsigned camera_id, unsigned camera_index, char* text,
                                      unsigned length)
{
    return Ckmx_interface::camera_product_desc(camera_id, camera_index, text, length);
}

int kmx_interface_camera_product_prefix(unsigned camera_id, unsigned camera_index, char* text,
                                        unsigned length)
{
    return Ckmx_interface::camera_product_prefix(camera_id, camera_index, text, length);
}

} // extern "C"
