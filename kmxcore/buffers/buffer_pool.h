// SPDX-License-Identifier: Apache-2.0
// Cbuffer_pool: a fixed set of camera frame images and the frame records
// that the camera library fills them through.
//
// Owns its array of Cfw_image buffers (and through them their pixels and
// bitmap headers) and its Cframe_info, one record per buffer in buffer
// order. Borrows the camera handle that the records are registered with
// while the pool is assigned; it never closes it.
//
// States:
//   closed   - no buffers (construction, close, a failed create_pool);
//   created  - buffers made, records bound, not registered;
//   assigned - records registered with a camera (kmx_assign_buffers);
//   spent    - the camera refused the records; the buffers were closed and
//              the pool is fit only for close or create_pool. assign
//              refuses it (the records point at freed memory).
// The pool is created once at the largest layout and reshaped in place
// (modify, resize) within each buffer's capacity: reshaping never moves a
// buffer, so registered records stay valid.
//
// Results: 0 success, 1 failure (the opposite of the image operations).
// A failed create_pool leaves the pool closed; a failed reshape leaves it
// partly reshaped (buffers before the failing one changed).
//
// Copies duplicate every buffer and bind the copy's own records to the
// duplicates; a copy is never assigned (the registration belongs to the
// source). If any duplicate cannot be allocated the copy is a closed pool.
// Assignment closes (and so withdraws) what the target held first and is
// safe on itself.
#ifndef KMX_BUFFERS_BUFFER_POOL_H
#define KMX_BUFFERS_BUFFER_POOL_H

#include <kmxcore/buffers/frame_info.h>
#include <kmxcore/camera/kmxlib.h>
#include <kmxcore/image/fw_image.h>
#include <kmxcore/kmx_export.h>

// The most buffers a pool holds. Cameras stream into a handful; a larger
// count (such as a negative number passed as unsigned) is refused.
constexpr unsigned kmx_pool_max_buffers = 256;

class KMX_CORE_API Cbuffer_pool {
public:
    Cbuffer_pool() = default;
    Cbuffer_pool(const Cbuffer_pool& other);
    Cbuffer_pool& operator=(const Cbuffer_pool& other);
    // close(), then the records are freed.
    virtual ~Cbuffer_pool();

    // A new pool of count buffers (2 when count is 0), each created with
    // the property form of create_image, after closing the old pool. 1,
    // with the pool closed and nothing allocated, for a count above
    // kmx_pool_max_buffers; 1, with nothing left allocated, when any
    // buffer or the records cannot be had. Never throws.
    virtual int create_pool(unsigned image_type, unsigned no_components,
                            unsigned component_depth, unsigned component_order, int width,
                            int height, unsigned count);
    // Every buffer to a format at the pool's current width and height.
    virtual int modify(unsigned format);
    // Every buffer to a format and size.
    virtual int modify(unsigned format, int width, int height);
    // Every buffer to new properties and size.
    virtual int modify(unsigned image_type, unsigned no_components, unsigned component_depth,
                       unsigned component_order, int width, int height);
    // Every buffer to a new size with its current properties.
    virtual int resize(int width, int height);
    // Registers the records with camera (releasing an earlier registration
    // first). A refusal closes the buffers: the pool is spent.
    virtual int assign(kmx_camera_t* camera);
    // Withdraws the registration (kmx_release_buffers) if there is one.
    virtual void release();
    // Withdraws, closes and frees the buffers. The records are kept (stale)
    // until the next create_pool or the destructor.
    virtual void close();
    virtual unsigned get_no_buffers() const;
    // Buffer index, or null when there is none.
    virtual Cfw_image* get_buffer(unsigned index);
    // Record index, or null when there are no buffers or index is out of
    // range (the stale records a closed pool keeps are never handed out).
    virtual kmx_frame_t* get_frame_info(unsigned index);

protected:
    Cfw_image* buffers = nullptr;
    Cframe_info frame_info;
    unsigned no_buffers = 0;
    int assigned = 0;
    // As given to create_pool; nothing changes them afterwards.
    int init_width = 0;
    int init_height = 0;
    unsigned init_components = 0;
    unsigned init_depth = 0;
    // The current buffer size and the properties last set.
    int width = 0;
    int height = 0;
    unsigned image_type = 0;
    unsigned no_components = 0;
    unsigned component_depth = 0;
    unsigned component_order = 0;
    kmx_camera_t* camera = nullptr;
};

#endif
