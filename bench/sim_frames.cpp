// SPDX-License-Identifier: Apache-2.0
// The simulated camera rendering a 1280 x 1024 frame (the scene with its
// noise) against a memcpy of the same bytes, timed alternately in one loop
// in the thread's own processor time: rendering should cost within a small
// factor of writing the frame's bytes, so that streaming benchmarks and
// tests measure the library rather than the scene.
//
// Counters:
//   render_us   microseconds to deliver a rendered frame
//   memcpy_us   microseconds to copy as many bytes
//   ratio       render_us / memcpy_us
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench_cameras.h"
#include "bench_clock.h"

namespace {

using namespace kmx_bench;

struct Cbench_camera {
    kmx_instance_t* instance = nullptr;
    kmx_camera_t* camera = nullptr;
    std::vector<unsigned char> buffer;
    kmx_frame_t frame{};

    Cbench_camera(unsigned id, unsigned format, size_t bytes) : buffer(bytes)
    {
        kmxsim_reset();
        add_large_mono_camera();
        kmxsim_use_virtual_clock(1, 0);
        kmx_open_interface(&instance);
        kmx_open(instance, id, 0, &camera);
        kmx_set_param(camera, KMX_PARAM_FORMAT, format);
        frame.buffer = buffer.data();
        frame.buffer_size = static_cast<uint32_t>(bytes);
        kmx_assign_buffers(camera, &frame, 1);
    }
    ~Cbench_camera() { kmxsim_reset(); }
    bool take()
    {
        if (kmx_start_frame_index(camera, 0) != 0)
            return false;
        return kmx_check_for_complete(camera) == 0;
    }
};

void frames(benchmark::State& state, unsigned id, unsigned format, size_t bytes)
{
    Cbench_camera cam(id, format, bytes);
    std::vector<unsigned char> from(bytes, 0x5A), to(bytes);
    double render_seconds = 0, copy_seconds = 0;
    for (auto _ : state) {
        const double t0 = thread_seconds();
        if (!cam.take()) {
            state.SkipWithError("frame failed");
            return;
        }
        benchmark::DoNotOptimize(cam.buffer.data());
        const double t1 = thread_seconds();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        const double t2 = thread_seconds();
        render_seconds += t1 - t0;
        copy_seconds += t2 - t1;
    }
    const double taken = static_cast<double>(state.iterations());
    state.counters["render_us"] = render_seconds * 1e6 / taken;
    state.counters["memcpy_us"] = copy_seconds * 1e6 / taken;
    state.counters["ratio"] = render_seconds / copy_seconds;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

constexpr size_t pixels = size_t{1280} * 1024;

void render_mono8(benchmark::State& s) { frames(s, mono_camera_id, 2, pixels); }
void render_colour24(benchmark::State& s) { frames(s, colour_camera_id, 4, pixels * 3); }
void render_mono12(benchmark::State& s) { frames(s, mono_camera_id, 10, pixels * 2); }

} // namespace

BENCHMARK(render_mono8);
BENCHMARK(render_colour24);
BENCHMARK(render_mono12);

BENCHMARK_MAIN();
