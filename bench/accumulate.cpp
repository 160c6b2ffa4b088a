// SPDX-License-Identifier: Apache-2.0
// Speed of the averaging kernels over 1280 x 1024 frames, monochrome and
// colour: adding an 8-bit or 16-bit frame into 32-bit sums, and finishing
// the sums into a mean. Each kernel is timed beside a plain memcpy moving
// the same number of bytes, interleaved in the same loop so both see the
// same machine state.
//
// Counters (bytes moved count every byte read and every byte written):
//   kernel_Bps  the kernel's bytes moved per second
//   memcpy_Bps  memcpy's bytes moved per second (it reads and writes half
//               of the kernel's byte count each)
//   ratio       kernel_Bps / memcpy_Bps
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

// The kernels are internal to the library (not exported): the benchmark
// links its own copy of them and runs the version the library would.
#include "kmxcore/capture/frame_sum.h"

namespace {

using namespace kmx_frame_sum;
using Cclock = std::chrono::steady_clock;

constexpr size_t frame_width = 1280;
constexpr size_t frame_height = 1024;
constexpr uint32_t averaged_frames = 7;

struct Cshape {
    size_t n;       // components per row
    size_t rows;
};

Cshape shape(bool colour)
{
    return {frame_width * (colour ? 3 : 1), frame_height};
}

// Times `kernel` and a memcpy of the same traffic, alternately, and
// reports both rates and their ratio.
template <typename Kernel>
void run_against_memcpy(benchmark::State& state, size_t bytes_moved, Kernel kernel)
{
    // memcpy moves twice its length: it reads it and writes it.
    std::vector<unsigned char> from(bytes_moved / 2, 1), to(bytes_moved / 2);
    double kernel_seconds = 0, copy_seconds = 0;
    for (auto _ : state) {
        const auto t0 = Cclock::now();
        kernel();
        benchmark::ClobberMemory();
        const auto t1 = Cclock::now();
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
        const auto t2 = Cclock::now();
        kernel_seconds += std::chrono::duration<double>(t1 - t0).count();
        copy_seconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double total = static_cast<double>(bytes_moved) * static_cast<double>(state.iterations());
    const double kernel_rate = total / kernel_seconds;
    const double copy_rate = total / copy_seconds;
    state.counters["kernel_Bps"] = kernel_rate;
    state.counters["memcpy_Bps"] = copy_rate;
    state.counters["ratio"] = kernel_rate / copy_rate;
}

// One frame added into the sums: frame read, sums read and written.
template <typename T>
void bm_add(benchmark::State& state, bool colour)
{
    const Cshape s = shape(colour);
    const size_t values = s.n * s.rows;
    std::vector<T> frame(values, 3);
    std::vector<uint32_t> sums(values, 0);
    const size_t bytes = values * (sizeof(T) + 2 * sizeof(uint32_t));
    run_against_memcpy(state, bytes, [&] {
        if constexpr (sizeof(T) == 1)
            add_frame8(sums.data(), frame.data(), s.n, s.rows, s.n);
        else
            add_frame16(sums.data(), frame.data(), s.n, s.rows, s.n);
    });
    benchmark::DoNotOptimize(sums.data());
}

// The sums finished into a mean of several frames, inverted as for a
// monochrome result: sums read, frame written.
template <typename T>
void bm_mean(benchmark::State& state, bool colour)
{
    const Cshape s = shape(colour);
    const size_t values = s.n * s.rows;
    std::vector<uint32_t> sums(values);
    for (size_t i = 0; i < values; ++i)
        sums[i] = static_cast<uint32_t>(i % 4096) * averaged_frames;
    std::vector<T> frame(values);
    Cfinish how;
    how.frames = averaged_frames;
    how.limit = sizeof(T) == 1 ? 0xFF : 0xFFF;
    how.flip = how.limit;
    const size_t bytes = values * (sizeof(uint32_t) + sizeof(T));
    run_against_memcpy(state, bytes, [&] {
        if constexpr (sizeof(T) == 1)
            finish_frame8(sums.data(), frame.data(), s.n, s.rows, s.n, how);
        else
            finish_frame16(sums.data(), frame.data(), s.n, s.rows, s.n, how);
    });
    benchmark::DoNotOptimize(frame.data());
}

void accumulate_mono(benchmark::State& state) { bm_add<uint8_t>(state, false); }
void accumulate_colour(benchmark::State& state) { bm_add<uint8_t>(state, true); }
void accumulate_deep_mono(benchmark::State& state) { bm_add<uint16_t>(state, false); }
void accumulate_deep_colour(benchmark::State& state) { bm_add<uint16_t>(state, true); }
void mean_mono(benchmark::State& state) { bm_mean<uint8_t>(state, false); }
void mean_colour(benchmark::State& state) { bm_mean<uint8_t>(state, true); }
void mean_deep_mono(benchmark::State& state) { bm_mean<uint16_t>(state, false); }
void mean_deep_colour(benchmark::State& state) { bm_mean<uint16_t>(state, true); }

} // namespace

BENCHMARK(accumulate_mono);
BENCHMARK(accumulate_colour);
BENCHMARK(accumulate_deep_mono);
BENCHMARK(accumulate_deep_colour);
BENCHMARK(mean_mono);
BENCHMARK(mean_colour);
BENCHMARK(mean_deep_mono);
BENCHMARK(mean_deep_colour);

BENCHMARK_MAIN();
