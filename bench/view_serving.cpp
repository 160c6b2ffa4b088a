// SPDX-License-Identifier: Apache-2.0
// kmxcap view serving its live stream to 1 and to 4 browsers at once, on
// the simulated colour camera (1280 x 1024) at its live rate.
//
// The whole view runs in this process as `kmxcap view` runs it: the
// capture thread, the encoder thread and the web server; the viewers are
// threads that read the multipart stream over loopback sockets as a
// browser does, part by part. Each benchmark first measures the camera's
// own rate with nobody watching (statistics only, no pictures), then, in
// the same run, the rates while the viewers watch.
//
// Counters:
//   camera_fps      frames the camera delivered per second while watched
//   alone_fps       the same, before anyone watched
//   camera_ratio    camera_fps / alone_fps: 1 when serving never slows
//                   the camera
//   viewer_fps      pictures each viewer received per second (their mean)
//   delivered_ratio viewer_fps / camera_fps: 1 when every viewer sees
//                   every frame
//   encode_ms       processor time per frame for statistics, overlay and
//                   JPEG (made once for all viewers)
//   encode_share    encode_ms / the camera's frame period: the share of
//                   one processor core the encoding takes
#include <benchmark/benchmark.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "frame_hub.h"
#include "live_capture.h"
#include "options.h"
#include "session.h"
#include "view_controls.h"
#include "view_encoder.h"
#include "view_frames.h"
#include "view_server.h"

namespace {

using namespace kmxcap;
using seconds_d = std::chrono::duration<double>;

constexpr unsigned colour_camera_id = 2;
constexpr std::chrono::microseconds busy_nap{250};
constexpr auto window = std::chrono::milliseconds(1000);
constexpr auto settle = std::chrono::milliseconds(500);

// A viewer: one socket reading /stream.mjpg and counting its parts.
class Cviewer {
public:
    explicit Cviewer(int port) : socket_fd(socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const std::string request = "GET /stream.mjpg HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        if (socket_fd >= 0 &&
            connect(socket_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            send(socket_fd, request.data(), request.size(), 0) > 0)
            worker = std::thread([this] { run(); });
    }
    ~Cviewer()
    {
        if (socket_fd >= 0)
            shutdown(socket_fd, SHUT_RDWR);
        if (worker.joinable())
            worker.join();
        if (socket_fd >= 0)
            close(socket_fd);
    }
    Cviewer(const Cviewer&) = delete;
    Cviewer& operator=(const Cviewer&) = delete;

    uint64_t parts() const { return received.load(); }

private:
    // Until the socket is shut down.
    void run()
    {
        // Each part's headers end in a blank line and name its length; the
        // body is skipped unread beyond the buffer.
        std::string pending;
        size_t skip = 0;
        std::vector<char> buffer(1 << 16);
        for (;;) {
            const ssize_t got = recv(socket_fd, buffer.data(), buffer.size(), 0);
            if (got <= 0)
                return;
            size_t at = 0;
            const size_t size = static_cast<size_t>(got);
            if (skip > 0) {
                at = std::min(skip, size);
                skip -= at;
            }
            pending.append(buffer.data() + at, size - at);
            for (;;) {
                const size_t length_at = pending.find("Content-Length: ");
                const size_t end = pending.find("\r\n\r\n", length_at);
                if (length_at == std::string::npos || end == std::string::npos)
                    break;
                const size_t body = std::strtoul(pending.c_str() + length_at + 16, nullptr, 10);
                ++received;
                const size_t start = end + 4;
                if (pending.size() - start >= body) {
                    pending.erase(0, start + body);
                } else {
                    skip = body - (pending.size() - start);
                    pending.clear();
                }
            }
        }
    }

    const int socket_fd;
    std::atomic<uint64_t> received{0};
    std::thread worker;
};

// `kmxcap view --camera 2 --port 0`, in this process.
class Cview_rig {
public:
    Cview_rig()
    {
        Coptions options;
        options.command = Ecommand::view;
        options.camera_given = true;
        options.camera_id = colour_camera_id;
        if (!session.open(options).is_ok() || !session.prepare(options, 8).is_ok())
            return;
        session.get_device().set_busy_nap(busy_nap);
        controls = std::make_unique<Cview_controls>(session.get_device());
        encoder = std::make_unique<Cencoder_thread>(frames, hub);
        capture = std::make_unique<Clive_capture>(session, frames, overlay_none);
        server = std::make_unique<Cview_server>(*capture, hub, *encoder, frames, *controls,
                                                Cview_identity{});
        std::string why;
        if (!server->bind("127.0.0.1", 0, why))
            return;
        encoder->start();
        capture->start();
        server->start();
        ready = true;
    }
    ~Cview_rig()
    {
        hub.close();
        if (server)
            server->stop();
        if (capture)
            capture->stop();
        if (encoder)
            encoder->stop();
        session.close();
    }

    bool ready = false;
    Csession session;
    Cframe_mailbox frames;
    Cframe_hub hub{max_view_streams};
    std::unique_ptr<Cview_controls> controls;
    std::unique_ptr<Cencoder_thread> encoder;
    std::unique_ptr<Clive_capture> capture;
    std::unique_ptr<Cview_server> server;
};

// Frames the camera delivers per second over `span`, nobody or somebody
// watching.
double camera_rate(const Cview_rig& rig, std::chrono::milliseconds span)
{
    const uint64_t before = rig.capture->frames_delivered();
    const auto started = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(span);
    const double elapsed = seconds_d(std::chrono::steady_clock::now() - started).count();
    return static_cast<double>(rig.capture->frames_delivered() - before) / elapsed;
}

void BM_view_serving(benchmark::State& state)
{
    Cview_rig rig;
    if (!rig.ready) {
        state.SkipWithError("the simulated colour camera or a loopback port is not available");
        return;
    }
    std::this_thread::sleep_for(settle);
    const double alone_fps = camera_rate(rig, window);

    std::vector<std::unique_ptr<Cviewer>> viewers;
    for (int64_t i = 0; i < state.range(0); ++i)
        viewers.push_back(std::make_unique<Cviewer>(rig.server->port()));
    std::this_thread::sleep_for(settle);

    double elapsed = 0, camera_frames = 0, viewer_parts = 0, encode_us = 0;
    for (auto _ : state) {
        const uint64_t frames0 = rig.capture->frames_delivered();
        const uint64_t cpu0 = rig.encoder->cpu_us();
        uint64_t parts0 = 0;
        for (const auto& viewer : viewers)
            parts0 += viewer->parts();
        const auto started = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(window);
        elapsed += seconds_d(std::chrono::steady_clock::now() - started).count();
        camera_frames += static_cast<double>(rig.capture->frames_delivered() - frames0);
        encode_us += static_cast<double>(rig.encoder->cpu_us() - cpu0);
        uint64_t parts1 = 0;
        for (const auto& viewer : viewers)
            parts1 += viewer->parts();
        viewer_parts += static_cast<double>(parts1 - parts0);
    }
    viewers.clear();
    if (camera_frames == 0 || alone_fps == 0) {
        state.SkipWithError("the camera delivered no frames");
        return;
    }
    const double camera_fps = camera_frames / elapsed;
    const double viewer_fps = viewer_parts / static_cast<double>(state.range(0)) / elapsed;
    const double encode_ms = encode_us / 1e3 / camera_frames;
    state.counters["camera_fps"] = camera_fps;
    state.counters["alone_fps"] = alone_fps;
    state.counters["camera_ratio"] = camera_fps / alone_fps;
    state.counters["viewer_fps"] = viewer_fps;
    state.counters["delivered_ratio"] = viewer_fps / camera_fps;
    state.counters["encode_ms"] = encode_ms;
    state.counters["encode_share"] = encode_ms * camera_fps / 1e3;
}

// Fixed windows of a second: the rates are of wall-clock time, and each
// run costs a few seconds whatever --benchmark_min_time asks.
BENCHMARK(BM_view_serving)->ArgName("viewers")->Arg(1)->Arg(4)->Iterations(3)->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
