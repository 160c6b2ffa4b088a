// SPDX-License-Identifier: Apache-2.0
// Frames per second of the simulated camera at 1280 x 1024, next to a
// memcpy of the same bytes in the same run: rendering a frame should cost
// within a small factor of writing its bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "kmxsim_control.h"

namespace {

constexpr unsigned colour_camera_id = 2;
constexpr unsigned mono_camera_id = 3;

// A 1280 x 1024 monochrome camera beside the colour preset.
kmxsim_camera_desc large_mono()
{
    kmxsim_camera_desc d;
    kmxsim_preset_desc(KMXSIM_PRESET_MONO, &d);
    d.camera_id = mono_camera_id;
    d.max_width = 1280;
    d.max_height = 1024;
    d.preview_width = 640;
    d.preview_height = 512;
    return d;
}

struct Cbench_camera {
    kmx_instance_t* instance = nullptr;
    kmx_camera_t* camera = nullptr;
    std::vector<unsigned char> buffer;
    kmx_frame_t frame{};

    Cbench_camera(unsigned id, unsigned format, size_t bytes) : buffer(bytes)
    {
        kmxsim_reset();
        const kmxsim_camera_desc d = large_mono();
        kmxsim_add_camera(&d);
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

void report(benchmark::State& state, size_t bytes)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void frames(benchmark::State& state, unsigned id, unsigned format, size_t bytes)
{
    Cbench_camera cam(id, format, bytes);
    for (auto _ : state) {
        if (!cam.take()) {
            state.SkipWithError("frame failed");
            break;
        }
        benchmark::DoNotOptimize(cam.buffer.data());
    }
    report(state, bytes);
}

void copy_baseline(benchmark::State& state, size_t bytes)
{
    std::vector<unsigned char> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    report(state, bytes);
}

constexpr size_t pixels = size_t{1280} * 1024;

void BM_frame_mono8(benchmark::State& s) { frames(s, mono_camera_id, 2, pixels); }
void BM_memcpy_mono8(benchmark::State& s) { copy_baseline(s, pixels); }
void BM_frame_colour24(benchmark::State& s) { frames(s, colour_camera_id, 4, pixels * 3); }
void BM_memcpy_colour24(benchmark::State& s) { copy_baseline(s, pixels * 3); }
void BM_frame_mono12(benchmark::State& s) { frames(s, mono_camera_id, 10, pixels * 2); }
void BM_memcpy_mono12(benchmark::State& s) { copy_baseline(s, pixels * 2); }

BENCHMARK(BM_frame_mono8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_memcpy_mono8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_frame_colour24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_memcpy_colour24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_frame_mono12)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_memcpy_mono12)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
