// SPDX-License-Identifier: Apache-2.0
#include "view_frames.h"

#include <cmath>
#include <cstring>

#include "kmxcore/image/image_core.h"

namespace kmxcap {

namespace {

constexpr unsigned reversed_order = 1;
constexpr unsigned top_value = histogram_bins - 1;

unsigned padded(unsigned bytes)
{
    return (bytes + view_row_alignment - 1) / view_row_alignment * view_row_alignment;
}

// Rows of the image hold width pixels of pixel_bytes and fit its buffer.
bool rows_fit(const Cimage_core& image, uint64_t pixel_bytes)
{
    const uint64_t row = pixel_bytes * image.get_width();
    const uint64_t rowbytes = image.get_rowbytes();
    return rowbytes >= row &&
           rowbytes * (image.get_height() - 1) + row <= image.get_bsize();
}

void copy_rows(const unsigned char* source, unsigned source_rowbytes, unsigned source_channels,
               Craw_frame& frame)
{
    const size_t row = static_cast<size_t>(frame.width) * frame.channels;
    for (unsigned y = 0; y < frame.height; ++y) {
        const unsigned char* from = source + static_cast<size_t>(y) * source_rowbytes;
        unsigned char* to = &frame.pixels[static_cast<size_t>(y) * frame.rowbytes];
        if (source_channels == frame.channels) {
            std::memcpy(to, from, row);
            continue;
        }
        // Four components: the fourth byte of each pixel is unused.
        for (unsigned x = 0; x < frame.width; ++x, from += source_channels, to += 3)
            std::memcpy(to, from, 3);
    }
}

Cchannel_summary summary_of(const Chistogram& histogram)
{
    double count = 0;
    double sum = 0;
    double squares = 0;
    for (unsigned v = 0; v < histogram_bins; ++v) {
        const double n = histogram[v];
        count += n;
        sum += n * v;
        squares += n * v * v;
    }
    Cchannel_summary s;
    if (count == 0)
        return s;
    s.mean = sum / count;
    const double variance = squares / count - s.mean * s.mean;
    s.deviation = variance > 0 ? std::sqrt(variance) : 0.0;
    s.saturated = histogram[top_value] / count;
    return s;
}

} // namespace

bool copy_frame(const Cimage_core& image, Craw_frame& frame)
{
    const auto* source = static_cast<const unsigned char*>(image.get_bp());
    const unsigned components = image.get_no_components();
    if (source == nullptr || image.get_width() == 0 || image.get_height() == 0 ||
        image.get_component_size() != 1 ||
        (components != 1 && components != 3 && components != 4) || !rows_fit(image, components))
        return false;
    frame.width = image.get_width();
    frame.height = image.get_height();
    frame.channels = components == 1 ? 1 : 3;
    frame.rowbytes = padded(frame.width * frame.channels);
    frame.rgb_order = frame.channels == 3 && image.get_component_order() != reversed_order;
    // The padding bytes are never shown; they are left as they are.
    frame.pixels.resize(static_cast<size_t>(frame.rowbytes) * frame.height);
    copy_rows(source, image.get_rowbytes(), components, frame);
    return true;
}

void summarise(const Craw_frame& frame, Cview_frame& view)
{
    view.number = frame.number;
    view.settings_version = frame.settings_version;
    view.width = frame.width;
    view.height = frame.height;
    view.channels = frame.channels;
    view.captured = frame.captured;
    view.histograms.assign(frame.channels, Chistogram{});
    if (frame.channels == 1) {
        Chistogram& h = view.histograms[0];
        for (unsigned y = 0; y < frame.height; ++y) {
            const unsigned char* row = &frame.pixels[static_cast<size_t>(y) * frame.rowbytes];
            for (unsigned x = 0; x < frame.width; ++x)
                ++h[row[x]];
        }
        // Shown through the inverted grey table.
        for (unsigned v = 0; v < histogram_bins / 2; ++v)
            std::swap(h[v], h[top_value - v]);
    } else {
        // Channels in R, G, B order whatever order the bytes are in.
        const unsigned red = frame.rgb_order ? 0 : 2;
        Chistogram& r = view.histograms[0];
        Chistogram& g = view.histograms[1];
        Chistogram& b = view.histograms[2];
        for (unsigned y = 0; y < frame.height; ++y) {
            const unsigned char* p = &frame.pixels[static_cast<size_t>(y) * frame.rowbytes];
            for (unsigned x = 0; x < frame.width; ++x, p += 3) {
                ++r[p[red]];
                ++g[p[1]];
                ++b[p[2 - red]];
            }
        }
    }
    view.summaries.clear();
    for (const Chistogram& h : view.histograms)
        view.summaries.push_back(summary_of(h));
}

Cframe_mailbox::Cframe_mailbox()
{
    for (Craw_frame& record : storage)
        free_records.push_back(&record);
}

Craw_frame* Cframe_mailbox::acquire()
{
    std::lock_guard<std::mutex> guard(lock);
    // Three records and one of each role: there is always a free one.
    if (free_records.empty())
        return nullptr;
    Craw_frame* record = free_records.back();
    free_records.pop_back();
    return record;
}

void Cframe_mailbox::post(Craw_frame* frame)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        if (waiting != nullptr) {
            free_records.push_back(waiting);
            ++dropped_frames;
        }
        waiting = frame;
    }
    posted.notify_one();
}

Craw_frame* Cframe_mailbox::take()
{
    std::unique_lock<std::mutex> guard(lock);
    posted.wait(guard, [this] { return waiting != nullptr || closed; });
    if (closed)
        return nullptr;
    Craw_frame* record = waiting;
    waiting = nullptr;
    return record;
}

void Cframe_mailbox::release(Craw_frame* frame)
{
    if (frame == nullptr)
        return;
    std::lock_guard<std::mutex> guard(lock);
    free_records.push_back(frame);
}

void Cframe_mailbox::close()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        closed = true;
    }
    posted.notify_all();
}

uint64_t Cframe_mailbox::dropped() const
{
    std::lock_guard<std::mutex> guard(lock);
    return dropped_frames;
}

void Crate_meter::tick(view_clock::time_point now)
{
    std::lock_guard<std::mutex> guard(lock);
    times[ticks % kept] = now;
    ++ticks;
}

double Crate_meter::per_second(view_clock::time_point now) const
{
    using seconds = std::chrono::duration<double>;
    // Rates over about this long; older events no longer count.
    constexpr double window_s = 1.0;
    constexpr double stale_s = 2.0;
    std::lock_guard<std::mutex> guard(lock);
    if (ticks < 2)
        return 0.0;
    const view_clock::time_point last = times[(ticks - 1) % kept];
    if (seconds(now - last).count() > stale_s)
        return 0.0;
    // Walk back from the newest event while the span stays within the
    // window; at least two events give a rate.
    const uint64_t available = ticks < kept ? ticks : kept;
    uint64_t used = 2;
    while (used < available &&
           seconds(last - times[(ticks - used - 1) % kept]).count() <= window_s)
        ++used;
    const double span = seconds(last - times[(ticks - used) % kept]).count();
    return span > 0 ? (used - 1) / span : 0.0;
}

uint64_t Crate_meter::count() const
{
    std::lock_guard<std::mutex> guard(lock);
    return ticks;
}

} // namespace kmxcap
