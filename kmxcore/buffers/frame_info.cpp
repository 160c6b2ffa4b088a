// SPDX-License-Identifier: Apache-2.0
#include "kmxcore/buffers/frame_info.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace {

// The camera library sees the array as count records of this size; the
// byte size must fit in 32 bits or the library would be handed less
// memory than it was told about.
constexpr std::uint64_t max_array_bytes = UINT32_MAX;

bool array_size_fits(unsigned count)
{
    return std::uint64_t{count} * sizeof(kmx_frame_t) <= max_array_bytes;
}

void bind_record(kmx_frame_t& record, const Cimage_core& image)
{
    record = kmx_frame_t{};
    record.buffer = image.get_bp();
    record.buffer_size = image.get_bsize();
}

kmx_frame_t* duplicate_records(const kmx_frame_t* source, unsigned count)
{
    if (source == nullptr)
        return nullptr;
    kmx_frame_t* copy = new kmx_frame_t[count];
    std::copy(source, source + count, copy);
    return copy;
}

} // namespace

Cframe_info::Cframe_info(const Cframe_info& other)
    : frame_list(duplicate_records(other.frame_list, other.no_frames)), no_frames(other.no_frames)
{
}

Cframe_info::Cframe_info(Cframe_info&& other) noexcept
    : frame_list(other.frame_list), no_frames(other.no_frames)
{
    other.frame_list = nullptr;
    other.no_frames = 0;
}

// The duplicate is made before the old array goes, so a failed
// allocation leaves the target as it was.
Cframe_info& Cframe_info::operator=(const Cframe_info& other)
{
    if (this == &other)
        return *this;
    kmx_frame_t* copy = duplicate_records(other.frame_list, other.no_frames);
    delete[] frame_list;
    frame_list = copy;
    no_frames = other.no_frames;
    return *this;
}

Cframe_info& Cframe_info::operator=(Cframe_info&& other) noexcept
{
    if (this == &other)
        return *this;
    delete[] frame_list;
    frame_list = other.frame_list;
    no_frames = other.no_frames;
    other.frame_list = nullptr;
    other.no_frames = 0;
    return *this;
}

Cframe_info::~Cframe_info()
{
    delete[] frame_list;
}

int Cframe_info::create(Cfw_image* images, unsigned count)
{
    release();
    if (!array_size_fits(count) || (images == nullptr && count != 0))
        return 1;
    frame_list = new (std::nothrow) kmx_frame_t[count];
    if (frame_list == nullptr)
        return 1;
    for (unsigned i = 0; i < count; ++i)
        bind_record(frame_list[i], images[i]);
    no_frames = count;
    return 0;
}

int Cframe_info::create(Cfw_image& image)
{
    return create(static_cast<Cimage&>(image));
}

int Cframe_info::create(Cimage& image)
{
    release();
    frame_list = new (std::nothrow) kmx_frame_t[1];
    if (frame_list == nullptr)
        return 1;
    no_frames = 1;
    bind_record(frame_list[0], image);
    return 0;
}

int Cframe_info::create(unsigned count)
{
    release();
    if (!array_size_fits(count))
        return 1;
    frame_list = new (std::nothrow) kmx_frame_t[count]();
    if (frame_list == nullptr)
        return 1;
    no_frames = count;
    return 0;
}

int Cframe_info::release()
{
    delete[] frame_list;
    frame_list = nullptr;
    no_frames = 0;
    return 0;
}

int Cframe_info::set(Cfw_image& image, unsigned index)
{
    return set(static_cast<Cimage&>(image), index);
}

int Cframe_info::set(Cfw_image& image)
{
    return set(image, 0);
}

int Cframe_info::set(Cimage& image, unsigned index)
{
    if (index >= no_frames)
        return 1;
    bind_record(frame_list[index], image);
    return 0;
}

int Cframe_info::set(Cimage& image)
{
    return set(image, 0);
}

unsigned Cframe_info::get_no_frames() const { return no_frames; }

kmx_frame_t* Cframe_info::get_frame_info(unsigned index)
{
    if (index >= no_frames)
        return nullptr;
    return frame_list + index;
}

kmx_frame_t* Cframe_info::get_frame_info() { return get_frame_info(0u); }
kmx_frame_t* Cframe_info::get_frame_list() { return frame_list; }
