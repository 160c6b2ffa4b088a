// SPDX-License-Identifier: Apache-2.0
/**
 * @class Ckmx_interface
 * @brief The one camera-library instance of the process.
 *
 * The handle is a static member shared by every object; the objects carry
 * no data. open() is not counted: a second open() is a no-op that answers
 * 0, and one close() (or the destruction of any object, a copy or a
 * temporary included) closes the instance for everybody. Close devices
 * before the instance: they keep their own copy of the handle.
 *
 * The handle is an unguarded process-wide variable: open, close and the
 * static operations belong to one controlling thread.
 */
#ifndef KMX_CAMERA_KMX_INTERFACE_H
#define KMX_CAMERA_KMX_INTERFACE_H

#include <kmxcore/camera/kmxlib.h>
#include <kmxcore/kmx_export.h>

class KMX_CORE_API Ckmx_interface {
public:
    Ckmx_interface() = default;
    /// Copies share the one instance; copying never touches it.
    Ckmx_interface(const Ckmx_interface&) {}
    /// Copies share the one instance; copying never touches it.
    Ckmx_interface& operator=(const Ckmx_interface&) { return *this; }
    /// As close().
    virtual ~Ckmx_interface();

    /// @brief Opens the instance unless one is open; also hands the camera
    /// library kmxcore's diagnostics channel, when it takes one.
    /// @return 0 when an instance is open now (this call or an earlier one
    ///         opened it); 1 when the camera library refused
    virtual int open();
    /// @brief Closes the instance if one is open; the handle is null afterwards.
    virtual void close();

    /// @return the current handle (owned by the camera library), null while
    ///         no instance is open
    static kmx_instance_t* get_interface();

    /// @brief kmx_list with the instance handle.
    /// @return the camera library's status (KMX_OK on success)
    static int list(kmx_camera_list_t** camera_list);
    /// @brief kmx_dispose_object.
    /// @return the camera library's status (KMX_OK on success)
    static int dispose_object(void** object);
    /// @brief kmx_get_camera_vendor_desc with the instance handle: the text
    /// of a camera that need not be open.
    /// @return the camera library's status (KMX_OK on success)
    static int camera_vendor_desc(unsigned camera_id, unsigned camera_index, char* text,
                                  unsigned length);
    /// @brief kmx_get_camera_vendor_prefix with the instance handle.
    /// @return the camera library's status (KMX_OK on success)
    static int camera_vendor_prefix(unsigned camera_id, unsigned camera_index, char* text,
                                    unsigned length);
    /// @brief kmx_get_camera_product_desc with the instance handle.
    /// @return the camera library's status (KMX_OK on success)
    static int camera_product_desc(unsigned camera_id, unsigned camera_index, char* text,
                                   unsigned length);
    /// @brief The camera library has no product prefix: this is the product
    /// description.
    /// @return the camera library's status (KMX_OK on success)
    static int camera_product_prefix(unsigned camera_id, unsigned camera_index, char* text,
                                     unsigned length);

protected:
    static kmx_instance_t* kmx_interface;  ///< the instance handle; null while closed
};

#endif
