// SPDX-License-Identifier: Apache-2.0
#include "kmxcore/buffers/buffer_pool.h"
#include "kmxcore/camera/camera_call.h"
#include "kmxcore/diagnostics/log.h"

#include <new>
#include <utility>

namespace {

constexpr unsigned default_buffer_count = 2;

void close_images(Cfw_image* images, unsigned count)
{
    for (unsigned i = 0; i < count; ++i)
        images[i].close_image();
}

// Closes the first `created` images and frees the array.
void discard_images(Cfw_image*& images, unsigned created)
{
    close_images(images, created);
    delete[] images;
    images = nullptr;
}

// Duplicates of count images, or null when any duplicate could not
// allocate what its source holds (the partial array is freed).
Cfw_image* duplicate_images(const Cfw_image* source, unsigned count)
{
    Cfw_image* copies = new Cfw_image[count];
    for (unsigned i = 0; i < count; ++i) {
        copies[i] = source[i];
        const bool lost = source[i].get_bp() != nullptr && copies[i].get_bp() == nullptr;
        if (lost) {
            delete[] copies;
            return nullptr;
        }
    }
    return copies;
}

} // namespace

Cbuffer_pool::Cbuffer_pool(const Cbuffer_pool& other)
    : frame_info(),
      init_width(other.init_width),
      init_height(other.init_height),
      init_components(other.init_components),
      init_depth(other.init_depth),
      width(other.width),
      height(other.height),
      image_type(other.image_type),
      no_components(other.no_components),
      component_depth(other.component_depth),
      component_order(other.component_order)
{
    if (other.buffers == nullptr)
        return;
    Cfw_image* copies = duplicate_images(other.buffers, other.no_buffers);
    if (copies == nullptr)
        return;
    Cframe_info records;
    try {
        records.create(copies, other.no_buffers);
    } catch (...) {
        delete[] copies;
        throw;
    }
    buffers = copies;
    frame_info = std::move(records);
    no_buffers = other.no_buffers;
}

// Everything the copy needs is built before the target lets go of its own
// pool, so a failed allocation leaves the target untouched.
Cbuffer_pool& Cbuffer_pool::operator=(const Cbuffer_pool& other)
{
    if (this == &other)
        return *this;
    Cbuffer_pool copy(other);
    close();
    frame_info.release();
    buffers = copy.buffers;
    frame_info = std::move(copy.frame_info);
    no_buffers = copy.no_buffers;
    assigned = 0;
    init_width = copy.init_width;
    init_height = copy.init_height;
    init_components = copy.init_components;
    init_depth = copy.init_depth;
    width = copy.width;
    height = copy.height;
    image_type = copy.image_type;
    no_components = copy.no_components;
    component_depth = copy.component_depth;
    component_order = copy.component_order;
    camera = nullptr;
    copy.buffers = nullptr;
    copy.no_buffers = 0;
    return *this;
}

Cbuffer_pool::~Cbuffer_pool()
{
    close();
    frame_info.release();
}

int Cbuffer_pool::create_pool(unsigned type, unsigned components, unsigned depth,
                              unsigned order, int new_width, int new_height, unsigned count)
{
    close();
    camera = nullptr;
    if (count == 0)
        count = default_buffer_count;
    // A count no camera needs is a caller's mistake (or a wrapped negative
    // number): refused before anything is allocated, rather than an array
    // of gigabytes or an exception through the virtual table.
    if (count > kmx_pool_max_buffers)
        return 1;
    buffers = new (std::nothrow) Cfw_image[count];
    if (buffers == nullptr)
        return 1;
    init_width = width = new_width;
    init_height = height = new_height;
    init_components = no_components = components;
    init_depth = component_depth = depth;
    image_type = type;
    component_order = order;
    for (unsigned i = 0; i < count; ++i) {
        if (buffers[i].create_image(type, components, depth, order, new_width, new_height))
            continue;
        kmx_log::write(KMX_LOG_BUFFERS, KMX_LOG_WARN,
                       "Cbuffer_pool::create_pool: buffer %u of %u (%d x %d, %u x %u bits) "
                       "could not be made",
                       i, count, new_width, new_height, components, depth);
        discard_images(buffers, i);
        return 1;
    }
    // No partial pool survives when the records cannot be had.
    if (frame_info.create(buffers, count) != 0) {
        discard_images(buffers, count);
        return 1;
    }
    no_buffers = count;
    return 0;
}

int Cbuffer_pool::modify(unsigned format)
{
    if (buffers == nullptr)
        return 1;
    for (unsigned i = 0; i < no_buffers; ++i)
        if (buffers[i].modify_image(format, width, height) != 1)
            return 1;
    return 0;
}

int Cbuffer_pool::modify(unsigned format, int new_width, int new_height)
{
    if (buffers == nullptr)
        return 1;
    width = new_width;
    height = new_height;
    for (unsigned i = 0; i < no_buffers; ++i)
        if (buffers[i].modify_image(format, new_width, new_height) != 1)
            return 1;
    return 0;
}

int Cbuffer_pool::modify(unsigned type, unsigned components, unsigned depth, unsigned order,
                         int new_width, int new_height)
{
    if (buffers == nullptr)
        return 1;
    image_type = type;
    width = new_width;
    height = new_height;
    no_components = components;
    component_depth = depth;
    component_order = order;
    for (unsigned i = 0; i < no_buffers; ++i)
        if (buffers[i].modify_image(type, components, depth, order, new_width, new_height) != 1)
            return 1;
    return 0;
}

int Cbuffer_pool::resize(int new_width, int new_height)
{
    if (buffers == nullptr)
        return 1;
    width = new_width;
    height = new_height;
    for (unsigned i = 0; i < no_buffers; ++i)
        if (buffers[i].resize_image(new_width, new_height) != 1)
            return 1;
    return 0;
}

int Cbuffer_pool::assign(kmx_camera_t* target)
{
    if (buffers == nullptr)
        return 1;
    if (assigned)
        release();
    // A spent pool (or a buffer closed or re-created behind the pool's
    // back) has records pointing at freed memory: the camera would write
    // into it, so such records are never handed over.
    for (unsigned i = 0; i < no_buffers; ++i) {
        const kmx_frame_t* record = frame_info.get_frame_info(i);
        if (record == nullptr || buffers[i].get_bp() == nullptr ||
            record->buffer != buffers[i].get_bp() ||
            record->buffer_size != buffers[i].get_bsize())
            return 1;
    }
    if (camera_call(kmx_assign_buffers, target, frame_info.get_frame_list(), no_buffers) !=
        KMX_OK) {
        kmx_log::write(KMX_LOG_BUFFERS, KMX_LOG_WARN,
                       "Cbuffer_pool::assign: the camera refused the %u records; the buffers "
                       "are closed and the pool is spent",
                       no_buffers);
        close_images(buffers, no_buffers);
        assigned = 0;
        return 1;
    }
    camera = target;
    assigned = 1;
    return 0;
}

void Cbuffer_pool::release()
{
    if (buffers != nullptr && assigned && camera != nullptr)
        camera_call(kmx_release_buffers, camera);
    camera = nullptr;
    assigned = 0;
}

void Cbuffer_pool::close()
{
    if (buffers != nullptr) {
        if (assigned)
            release();
        close_images(buffers, no_buffers);
        delete[] buffers;
        buffers = nullptr;
    }
    no_buffers = 0;
    camera = nullptr;
}

unsigned Cbuffer_pool::get_no_buffers() const { return no_buffers; }

Cfw_image* Cbuffer_pool::get_buffer(unsigned index)
{
    if (buffers == nullptr || index >= no_buffers)
        return nullptr;
    return buffers + index;
}

// The records outlive close() until the next create_pool, but they point
// at freed buffers then: a closed pool answers null, like get_buffer.
kmx_frame_t* Cbuffer_pool::get_frame_info(unsigned index)
{
    if (buffers == nullptr || index >= no_buffers)
        return nullptr;
    return frame_info.get_frame_info(index);
}
