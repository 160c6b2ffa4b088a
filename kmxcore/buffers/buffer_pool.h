// SPDX-License-Identifier: Apache-2.0
/**
 * @class Cbuffer_pool
 * @brief A fixed set of camera frame images and the frame records that the
 * camera library fills them through.
 *
 * Owns its array of Cfw_image buffers (and through them their pixels and
 * bitmap headers) and its Cframe_info, one record per buffer in buffer
 * order. Borrows the camera handle that the records are registered with
 * while the pool is assigned; it never closes it.
 *
 * States:
 * - closed: no buffers (construction, close, a failed create_pool);
 * - created: buffers made, records bound, not registered;
 * - assigned: records registered with a camera (kmx_assign_buffers);
 * - spent: the camera refused the records; the buffers were closed and the
 *   pool is fit only for close or create_pool. assign refuses it (the
 *   records point at freed memory).
 *
 * The pool is created once at the largest layout and reshaped in place
 * (modify, resize) within each buffer's capacity: reshaping never moves a
 * buffer, so registered records stay valid.
 *
 * Results: 0 success, 1 failure (the opposite of the image operations). A
 * failed create_pool leaves the pool closed; a failed reshape leaves it
 * partly reshaped (buffers before the failing one changed).
 *
 * Copies duplicate every buffer and bind the copy's own records to the
 * duplicates; a copy is never assigned (the registration belongs to the
 * source). If any duplicate cannot be allocated the copy is a closed pool.
 * Assignment closes (and so withdraws) what the target held first and is
 * safe on itself.
 */
#ifndef KMX_BUFFERS_BUFFER_POOL_H
#define KMX_BUFFERS_BUFFER_POOL_H

#include <kmxcore/buffers/frame_info.h>
#include <kmxcore/camera/kmxlib.h>
#include <kmxcore/image/fw_image.h>
#include <kmxcore/kmx_export.h>

/// The most buffers a pool holds. Cameras stream into a handful; a larger
/// count (such as a negative number passed as unsigned) is refused.
constexpr unsigned kmx_pool_max_buffers = 256;

class KMX_CORE_API Cbuffer_pool {
public:
    Cbuffer_pool() = default;
    /// Duplicates every buffer, with records of its own; never assigned
    /// (closed when a duplicate cannot be allocated).
    Cbuffer_pool(const Cbuffer_pool& other);
    /// Closes this pool, then copies as the copy constructor.
    Cbuffer_pool& operator=(const Cbuffer_pool& other);
    /// close(), then the records are freed.
    virtual ~Cbuffer_pool();

    /// @brief A new pool of count buffers (2 when count is 0), each created
    /// with the property form of Cfw_image::create_image, after closing the
    /// old pool. Never throws.
    /// @return 0 created; 1, with the pool closed and nothing allocated, for
    ///         a count above kmx_pool_max_buffers; 1, with nothing left
    ///         allocated, when any buffer or the records cannot be had
    virtual int create_pool(unsigned image_type, unsigned no_components,
                            unsigned component_depth, unsigned component_order, int width,
                            int height, unsigned count);
    /// @brief Every buffer to a format at the pool's current width and height.
    /// @return 0 reshaped; 1 without buffers or when a buffer refuses
    virtual int modify(unsigned format);
    /// @brief Every buffer to a format and size.
    /// @return 0 reshaped; 1 without buffers or when a buffer refuses
    virtual int modify(unsigned format, int width, int height);
    /// @brief Every buffer to new properties and size.
    /// @return 0 reshaped; 1 without buffers or when a buffer refuses
    virtual int modify(unsigned image_type, unsigned no_components, unsigned component_depth,
                       unsigned component_order, int width, int height);
    /// @brief Every buffer to a new size with its current properties.
    /// @return 0 reshaped; 1 without buffers or when a buffer refuses
    virtual int resize(int width, int height);
    /// @brief Registers the records with camera (borrowed), releasing an
    /// earlier registration first.
    /// @return 0 assigned; 1 without buffers, for a spent pool, or when the
    ///         camera refuses (the buffers are then closed: the pool is spent)
    virtual int assign(kmx_camera_t* camera);
    /// @brief Withdraws the registration (kmx_release_buffers) if there is one.
    virtual void release();
    /// @brief Withdraws, closes and frees the buffers. The records are kept
    /// (stale) until the next create_pool or the destructor.
    virtual void close();
    /// @return the number of buffers; 0 while closed
    virtual unsigned get_no_buffers() const;
    /// @return buffer index (owned by the pool), or null when there is none
    virtual Cfw_image* get_buffer(unsigned index);
    /// @return record index (owned by the pool), or null when there are no
    ///         buffers or index is out of range (the stale records a closed
    ///         pool keeps are never handed out)
    virtual kmx_frame_t* get_frame_info(unsigned index);

protected:
    Cfw_image* buffers = nullptr;     ///< the buffers; owned
    Cframe_info frame_info;           ///< one record per buffer
    unsigned no_buffers = 0;          ///< buffers in the pool
    int assigned = 0;                 ///< 1 while the records are registered
    int init_width = 0;               ///< width given to create_pool; never changed after
    int init_height = 0;              ///< height given to create_pool; never changed after
    unsigned init_components = 0;     ///< components given to create_pool
    unsigned init_depth = 0;          ///< depth given to create_pool
    int width = 0;                    ///< the current buffer width
    int height = 0;                   ///< the current buffer height
    unsigned image_type = 0;          ///< the type last set
    unsigned no_components = 0;       ///< the component count last set
    unsigned component_depth = 0;     ///< the depth last set
    unsigned component_order = 0;     ///< the order last set
    kmx_camera_t* camera = nullptr;   ///< where the records are registered; borrowed
};

#endif
