// SPDX-License-Identifier: Apache-2.0
#include "frame_hub.h"

namespace kmxcap {

namespace {

// After a single picture is asked for, pictures are made this long: long
// enough for a page that polls, short enough to stop soon after.
constexpr std::chrono::seconds picture_demand{3};

} // namespace

Cframe_hub::Cframe_hub(unsigned max_viewers) : most_viewers(max_viewers) {}

void Cframe_hub::publish(std::shared_ptr<const Cview_frame> frame)
{
    if (!frame)
        return;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (closed)
            return;
        if (!frame->jpeg.empty())
            newest_picture = frame;
        newest = std::move(frame);
    }
    published.notify_all();
}

std::shared_ptr<const Cview_frame> Cframe_hub::latest() const
{
    std::lock_guard<std::mutex> guard(lock);
    return newest;
}

std::shared_ptr<const Cview_frame> Cframe_hub::next_picture(uint64_t after,
                                                            std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> guard(lock);
    const bool ready = published.wait_for(guard, timeout, [this, after] {
        return closed || (newest_picture && newest_picture->number > after);
    });
    if (!ready || closed)
        return nullptr;
    return newest_picture;
}

bool Cframe_hub::join()
{
    std::lock_guard<std::mutex> guard(lock);
    if (closed || watching >= most_viewers)
        return false;
    ++watching;
    return true;
}

void Cframe_hub::leave()
{
    std::lock_guard<std::mutex> guard(lock);
    if (watching > 0)
        --watching;
}

unsigned Cframe_hub::viewers() const
{
    std::lock_guard<std::mutex> guard(lock);
    return watching;
}

void Cframe_hub::ask_for_picture()
{
    std::lock_guard<std::mutex> guard(lock);
    picture_asked_until = view_clock::now() + picture_demand;
}

bool Cframe_hub::pictures_wanted() const
{
    std::lock_guard<std::mutex> guard(lock);
    return watching > 0 || view_clock::now() < picture_asked_until;
}

void Cframe_hub::close()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        closed = true;
    }
    published.notify_all();
}

bool Cframe_hub::is_closed() const
{
    std::lock_guard<std::mutex> guard(lock);
    return closed;
}

} // namespace kmxcap
