// SPDX-License-Identifier: Apache-2.0
// The averaging arithmetic against OpenCV, which imaging developers would
// otherwise reach for, on the same 1280 x 1024 frames and sums in the same
// run. Each benchmark times kmxcore's kernels (one benchmark per version
// the processor runs) and OpenCV's calls alternately in one loop, in the
// thread's own processor time, so both see the same machine state and
// neither pays for time the shared machine gives to others.
//
//   add/<frame>/<version>     one frame added into the sums. kmxcore adds
//       runs of 16 frames through its accumulator, as averaging 16 frames
//       does: 16-bit partial sums, folded into the 32-bit sums after the
//       run (the fold is in the time). OpenCV adds the same frames with
//       cv::accumulate into 32-bit float sums, and with cv::add into 32-bit
//       integer sums.
//   add_direct/<frame>/<version>   the same, kmxcore adding each frame
//       straight into the 32-bit sums (add_frame8/16): the loop alone.
//   mean/<frame>/<version>    the finishing pass: sums of 16 frames to
//       their mean, inverted against full scale for monochrome, against
//       convertTo doing the same scaling into the same frame.
//
// Frames: mono8 and colour8 (8-bit), mono16 and colour16 (12-bit values in
// 16-bit components). Counters, in microseconds per frame (per pass for
// mean):
//   kmx_us       kmxcore
//   cv_us        cv::accumulate, or convertTo
//   cv_add_us    cv::add into 32-bit integers (add benchmarks)
//   ratio        cv_us / kmx_us: kmxcore's throughput over OpenCV's
//   ratio_add    cv_add_us / kmx_us
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "kmxcore/capture/frame_kernels.h"
#include "kmxcore/capture/frame_sum.h"

#include "bench_clock.h"

namespace {

using namespace kmx_frame_sum;
using kmx_bench::thread_seconds;

constexpr int frame_width = 1280;
constexpr int frame_height = 1024;
constexpr unsigned run_frames = 16;
constexpr unsigned deep_mask = 0xFFF;

struct Cframe_kind {
    const char* name;
    int channels;
    bool deep;
};
const Cframe_kind kinds[] = {
    {"mono8", 1, false}, {"colour8", 3, false}, {"mono16", 1, true}, {"colour16", 3, true}};

// The two buffers a stream alternates between, as OpenCV sees them and as
// kmxcore does, filled with values of the frame's depth.
struct Cframes {
    explicit Cframes(const Cframe_kind& kind)
        : n(static_cast<size_t>(frame_width) * kind.channels), deep(kind.deep)
    {
        const int type = CV_MAKETYPE(deep ? CV_16U : CV_8U, kind.channels);
        for (cv::Mat& frame : frames) {
            frame.create(frame_height, frame_width, type);
            cv::randu(frame, 0, deep ? deep_mask + 1 : 256);
        }
    }
    const uint8_t* bytes(unsigned i) const { return frames[i % 2].ptr<uint8_t>(); }
    const uint16_t* words(unsigned i) const { return frames[i % 2].ptr<uint16_t>(); }
    size_t n;       // components per row (and the row stride)
    bool deep;
    cv::Mat frames[2];
};

// Times the sides of a comparison alternately: run() times each side once,
// in turn; microseconds(i, units) is side i's total time per unit.
template <size_t Sides>
class Ctimes {
public:
    template <typename... Side>
    void run(Side&&... sides)
    {
        size_t i = 0;
        (time(i++, sides), ...);
    }
    double microseconds(size_t side, double units) const { return seconds_[side] * 1e6 / units; }

private:
    template <typename Side>
    void time(size_t i, Side& side)
    {
        const double start = thread_seconds();
        side();
        benchmark::ClobberMemory();
        seconds_[i] += thread_seconds() - start;
    }
    double seconds_[Sides]{};
};

void add_run(benchmark::State& state, const Cframe_kind& kind, const Cframe_kernels& version,
             bool direct)
{
    const Cframes f(kind);
    std::vector<uint32_t> sums(f.n * frame_height, 0);
    cv::Mat float_sums(frame_height, frame_width, CV_MAKETYPE(CV_32F, kind.channels),
                       cv::Scalar::all(0));
    cv::Mat int_sums(frame_height, frame_width, CV_MAKETYPE(CV_32S, kind.channels),
                     cv::Scalar::all(0));
    Ctimes<3> times;
    for (auto _ : state) {
        times.run(
            [&] {
                if (direct) {
                    for (unsigned i = 0; i < run_frames; ++i) {
                        if (f.deep)
                            add_frame16(sums.data(), f.words(i), f.n, frame_height, f.n, version);
                        else
                            add_frame8(sums.data(), f.bytes(i), f.n, frame_height, f.n, version);
                    }
                    return;
                }
                Caccumulator into(sums.data(), f.n, frame_height, version);
                for (unsigned i = 0; i < run_frames; ++i) {
                    if (f.deep)
                        into.add(f.words(i), f.n, deep_mask);
                    else
                        into.add(f.bytes(i), f.n);
                }
            },
            [&] {
                for (unsigned i = 0; i < run_frames; ++i)
                    cv::accumulate(f.frames[i % 2], float_sums);
            },
            [&] {
                for (unsigned i = 0; i < run_frames; ++i)
                    cv::add(int_sums, f.frames[i % 2], int_sums, cv::noArray(), CV_32S);
            });
    }
    benchmark::DoNotOptimize(sums.data());
    const double frames = static_cast<double>(state.iterations()) * run_frames;
    const double kmx_us = times.microseconds(0, frames);
    state.counters["kmx_us"] = kmx_us;
    state.counters["cv_us"] = times.microseconds(1, frames);
    state.counters["cv_add_us"] = times.microseconds(2, frames);
    state.counters["ratio"] = times.microseconds(1, frames) / kmx_us;
    state.counters["ratio_add"] = times.microseconds(2, frames) / kmx_us;
}

void mean_pass(benchmark::State& state, const Cframe_kind& kind, const Cframe_kernels& version)
{
    const size_t n = static_cast<size_t>(frame_width) * kind.channels;
    const unsigned full_scale = kind.deep ? deep_mask : 0xFF;
    const bool mono = kind.channels == 1;
    cv::Mat sums(frame_height, frame_width, CV_MAKETYPE(CV_32S, kind.channels));
    cv::randu(sums, 0, static_cast<int>(run_frames * full_scale + 1));
    const int depth = kind.deep ? CV_16U : CV_8U;
    cv::Mat frame(frame_height, frame_width, CV_MAKETYPE(depth, kind.channels));
    const auto* sum_words = sums.ptr<uint32_t>();
    Cfinish how;
    how.frames = run_frames;
    how.limit = full_scale;
    how.flip = mono ? full_scale : 0;
    const double scale = (mono ? -1.0 : 1.0) / run_frames;
    const double offset = mono ? full_scale : 0.0;
    Ctimes<2> times;
    for (auto _ : state) {
        times.run(
            [&] {
                if (kind.deep)
                    finish_frame16(sum_words, frame.ptr<uint16_t>(), n, frame_height, n, how,
                                   version);
                else
                    finish_frame8(sum_words, frame.ptr<uint8_t>(), n, frame_height, n, how,
                                  version);
            },
            [&] { sums.convertTo(frame, frame.type(), scale, offset); });
    }
    benchmark::DoNotOptimize(frame.data);
    const double passes = static_cast<double>(state.iterations());
    state.counters["kmx_us"] = times.microseconds(0, passes);
    state.counters["cv_us"] = times.microseconds(1, passes);
    state.counters["ratio"] = times.microseconds(1, passes) / times.microseconds(0, passes);
}

// One benchmark per kind of frame and version of the kernels.
void register_all()
{
    for (size_t v = 0; v < version_count(); ++v) {
        const Cframe_kernels& kernels = version(v);
        for (const Cframe_kind& kind : kinds) {
            const std::string suffix = std::string("/") + kind.name + "/" + kernels.name;
            benchmark::RegisterBenchmark(("add" + suffix).c_str(),
                                         [&kind, &kernels](benchmark::State& s) {
                                             add_run(s, kind, kernels, false);
                                         });
            benchmark::RegisterBenchmark(("add_direct" + suffix).c_str(),
                                         [&kind, &kernels](benchmark::State& s) {
                                             add_run(s, kind, kernels, true);
                                         });
            benchmark::RegisterBenchmark(("mean" + suffix).c_str(),
                                         [&kind, &kernels](benchmark::State& s) {
                                             mean_pass(s, kind, kernels);
                                         });
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
