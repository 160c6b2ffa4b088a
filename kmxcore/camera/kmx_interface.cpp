// SPDX-License-Identifier: Apache-2.0
#include "kmxcore/camera/kmx_interface.h"

#include "kmxcore/camera/camera_call.h"
#include "kmxcore/camera/camera_log.h"

kmx_instance_t* Ckmx_interface::kmx_interface = nullptr;

Ckmx_interface::~Ckmx_interface()
{
    // The destructor is not virtual-dispatched here: a derived close() is
    // already gone, and the instance must be closed all the same.
    Ckmx_interface::close();
}

int Ckmx_interface::open()
{
    if (kmx_interface != nullptr)
        return 0;
    share_log_with_camera_library();
    return camera_call(kmx_open_interface, &kmx_interface) == KMX_OK ? 0 : 1;
}

void Ckmx_interface::close()
{
    if (kmx_interface != nullptr)
        camera_call(kmx_close_interface, &kmx_interface);
    kmx_interface = nullptr;
}

kmx_instance_t* Ckmx_interface::get_interface() { return kmx_interface; }

int Ckmx_interface::list(kmx_camera_list_t** camera_list)
{
    return camera_call(kmx_list, kmx_interface, camera_list);
}

int Ckmx_interface::dispose_object(void** object)
{
    return camera_call(kmx_dispose_object, object);
}

int Ckmx_interface::camera_vendor_desc(unsigned camera_id, unsigned camera_index, char* text,
                                       unsigned length)
{
    return camera_call(kmx_get_camera_vendor_desc, kmx_interface, camera_id, camera_index, text,
                       length);
}

int Ckmx_interface::camera_vendor_prefix(unsigned camera_id, unsigned camera_index, char* text,
                                         unsigned length)
{
    return camera_call(kmx_get_camera_vendor_prefix, kmx_interface, camera_id, camera_index, text,
                       length);
}

int Ckmx_interface::camera_product_desc(unsigned camera_id, unsigned camera_index, char* text,
                                        unsigned length)
{
    return camera_call(kmx_get_camera_product_desc, kmx_interface, camera_id, camera_index, text,
                       length);
}

int Ckmx_interface::camera_product_prefix(unsigned camera_id, unsigned camera_index, char* text,
                                          unsigned length)
{
    return camera_product_desc(camera_id, camera_index, text, length);
}
