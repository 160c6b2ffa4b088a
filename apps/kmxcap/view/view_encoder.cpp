// SPDX-License-Identifier: Apache-2.0
#include "view_encoder.h"

#include <ctime>

#include "view_controls.h"

namespace kmxcap {

namespace {

constexpr unsigned char top_value = 255;

} // namespace

double thread_cpu_ms()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

const unsigned char* Cview_encoder::shown_grey(const Craw_frame& frame)
{
    inverted.resize(static_cast<size_t>(frame.width) * frame.height);
    for (unsigned y = 0; y < frame.height; ++y) {
        const unsigned char* from = &frame.pixels[static_cast<size_t>(y) * frame.rowbytes];
        unsigned char* to = &inverted[static_cast<size_t>(y) * frame.width];
        for (unsigned x = 0; x < frame.width; ++x)
            to[x] = static_cast<unsigned char>(top_value - from[x]);
    }
    return inverted.data();
}

bool Cview_encoder::make(Craw_frame& frame, bool with_picture, Cview_frame& view,
                         std::string& why)
{
    const double started_ms = thread_cpu_ms();
    summarise(frame, view);
    view.jpeg.clear();
    bool made = true;
    if (with_picture) {
        // A frame whose overlay cannot be drawn is still shown, without it.
        if (frame.overlay != overlay_none &&
            !overlay.made_for(frame.overlay, frame.width, frame.height, frame.channels))
            made = overlay.make(frame.overlay, frame.width, frame.height, frame.channels,
                                frame.rowbytes, why);
        if (made && frame.overlay != overlay_none)
            overlay.apply(frame.pixels.data(), frame.pixels.size());
        const unsigned char* pixels = frame.pixels.data();
        unsigned pitch = frame.rowbytes;
        Ejpeg_pixels kind = frame.rgb_order ? Ejpeg_pixels::rgb : Ejpeg_pixels::bgr;
        if (frame.channels == 1) {
            pixels = shown_grey(frame);
            pitch = frame.width;
            kind = Ejpeg_pixels::grey;
        }
        std::string jpeg_why;
        if (!jpeg.encode(pixels, frame.width, frame.height, pitch, kind, view_jpeg_quality,
                         view.jpeg, jpeg_why)) {
            made = false;
            why = jpeg_why;
        }
    }
    view.encode_cpu_ms = thread_cpu_ms() - started_ms;
    return made;
}

Cencoder_thread::Cencoder_thread(Cframe_mailbox& frames, Cframe_hub& hub)
    : frames(frames), hub(hub)
{
}

Cencoder_thread::~Cencoder_thread() { stop(); }

void Cencoder_thread::start() { worker = std::thread([this] { run(); }); }

void Cencoder_thread::stop()
{
    frames.close();
    if (worker.joinable())
        worker.join();
}

void Cencoder_thread::run()
{
    for (Craw_frame* frame = frames.take(); frame != nullptr; frame = frames.take()) {
        auto view = std::make_shared<Cview_frame>();
        std::string why;
        const bool wanted = hub.pictures_wanted();
        if (!encoder.make(*frame, wanted, *view, why))
            ++failed;
        spent_us += static_cast<uint64_t>(view->encode_cpu_ms * 1e3);
        frames.release(frame);
        if (wanted && !view->jpeg.empty())
            pictures.tick();
        hub.publish(std::move(view));
    }
}

} // namespace kmxcap
