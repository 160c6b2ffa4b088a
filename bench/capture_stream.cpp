// SPDX-License-Identifier: Apache-2.0
// The capture layer's own cost per streamed frame. A batch of frames taken
// with Ccapture::complete_frame is timed beside the same number of frames
// taken by calling the simulated camera library directly (start, then one
// kmx_check_start_next per frame), interleaved in one loop so both see the
// same machine state. The virtual clock completes every frame at its first
// poll, and the camera is shrunk to 8 x 8 pixels of flat grey so that
// rendering the frame costs little next to the calls being measured.
//
// Counters:
//   capture_ns   nanoseconds per frame through Ccapture
//   direct_ns    nanoseconds per frame calling the library directly
//   overhead_ns  capture_ns - direct_ns: what the capture layer adds
//   ratio        capture_ns / direct_ns
#include <benchmark/benchmark.h>

#include "kmxcore/camera/device.h"
#include "kmxcore/camera/kmx_interface.h"
#include "kmxcore/capture/capture.h"
#include "kmxsim_control.h"

#include "bench_clock.h"

namespace {

using kmx_bench::thread_seconds;

constexpr unsigned mono_id = 1;
constexpr unsigned tiny_side = 8;
constexpr int frames_per_batch = 256;
constexpr unsigned char keep_streaming = 1;

// An open tiny camera, a bound capture and the virtual clock that completes
// every frame at once.
class Cstream_rig {
public:
    Cstream_rig()
    {
        kmxsim_reset();
        kmxsim_camera_desc desc{};
        kmxsim_get_camera(KMXSIM_PRESET_MONO, &desc);
        desc.max_width = desc.max_height = tiny_side;
        desc.preview_width = desc.preview_height = tiny_side / 2;
        kmxsim_set_camera(KMXSIM_PRESET_MONO, &desc);
        ready = library.open() == 0 && device.open(mono_id, 0) == 0;
        if (!ready)
            return;
        settings.init(device.get_camera_handle());
        capture.init(&device, &settings);
        kmxsim_use_virtual_clock(1, 0);
        // Flat frames skip the simulated scene and its noise.
        const uint32_t grey = 128;
        kmxsim_script_flat_frames(&grey, 1);
    }

    ~Cstream_rig()
    {
        device.close();
        library.close();
        kmxsim_reset();
    }

    bool ready = false;
    Ckmx_interface library;
    Cdevice device;
    Ccam_settings settings;
    Ccapture capture;
};

void BM_stream_frame_overhead(benchmark::State& state)
{
    Cstream_rig rig;
    if (!rig.ready) {
        state.SkipWithError("the simulated camera could not be opened");
        return;
    }
    kmx_camera_t* camera = rig.device.get_camera_handle();
    double capture_seconds = 0, direct_seconds = 0;
    int failures = 0;
    for (auto _ : state) {
        // Both sides start their batch from a stopped camera: the capture
        // restarts its stream itself, the direct side explicitly.
        rig.capture.abort_frame();
        const double t0 = thread_seconds();
        for (int i = 0; i < frames_per_batch; ++i)
            failures += rig.capture.complete_frame() != CAPTURE_OK;
        const double t1 = thread_seconds();
        kmx_abort_frame(camera);
        kmx_start_frame_index(camera, 0);
        for (int i = 0; i < frames_per_batch; ++i)
            failures += kmx_check_start_next(camera, keep_streaming) != KMX_OK;
        const double t2 = thread_seconds();
        capture_seconds += t1 - t0;
        direct_seconds += t2 - t1;
    }
    if (failures != 0) {
        state.SkipWithError("a streamed frame failed");
        return;
    }
    const double frames = static_cast<double>(state.iterations()) * frames_per_batch;
    const double capture_ns = capture_seconds * 1e9 / frames;
    const double direct_ns = direct_seconds * 1e9 / frames;
    state.counters["capture_ns"] = capture_ns;
    state.counters["direct_ns"] = direct_ns;
    state.counters["overhead_ns"] = capture_ns - direct_ns;
    state.counters["ratio"] = capture_ns / direct_ns;
    state.SetItemsProcessed(static_cast<int64_t>(frames));
}

BENCHMARK(BM_stream_frame_overhead);

} // namespace

BENCHMARK_MAIN();
