// SPDX-License-Identifier: Apache-2.0
// Averaging end to end: 16 frames of 1280 x 1024, monochrome and colour,
// streamed from the simulated camera and averaged by Ccapture (what
// process_multi_frame8 does for an application), against the same loop
// written directly on the camera library with OpenCV doing the arithmetic
// (cv::accumulate into a float sum, convertTo into the last frame's
// buffer). The camera runs on the virtual clock with pre-rendered frames,
// so delivering a frame costs it a copy of the frame's bytes, as a real
// camera's transfer costs the host its memory traffic; a third loop takes
// the same frames without arithmetic, to show what that camera side costs.
// The three loops are timed alternately in one benchmark loop, in the
// thread's own processor time.
//
// Counters, in microseconds per frame taken (16 per averaged image):
//   library_us        Ccapture's averaging
//   opencv_us         the direct loop with OpenCV
//   camera_us         the direct loop without arithmetic
//   ratio             library_us / opencv_us
//   arithmetic_ratio  (opencv_us - camera_us) / (library_us - camera_us):
//                     OpenCV's arithmetic time over the library's
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "kmxcore/camera/device.h"
#include "kmxcore/camera/kmx_interface.h"
#include "kmxcore/capture/capture.h"
#include "kmxcore/image/fw_image.h"
#include "kmxcore/settings/cam_settings.h"

#include "bench_cameras.h"
#include "bench_clock.h"

namespace {

using namespace kmx_bench;

constexpr unsigned averaged_frames = 16;
constexpr unsigned prerendered_frames = 2;
constexpr unsigned stream_buffers = 2;


// An application's capture class: the averaging is reached by deriving.
class Caverager : public Ccapture {
public:
    using Ccapture::process_multi_frame8;
};

// The camera open, averaging 16 frames, and OpenCV's views of the two
// buffers the stream alternates between.
class Crig {
public:
    explicit Crig(unsigned camera_id)
    {
        kmxsim_reset();
        add_large_mono_camera();
        ready = library.open() == 0 && device.open(camera_id, 0) == 0;
        if (!ready)
            return;
        camera = device.get_camera_handle();
        settings.init(camera);
        settings.set_average_opt(1);
        settings.set_average_frames(averaged_frames);
        capture.init(&device, &settings);
        capture.setup(1, 0);
        mono = capture.get_image_mode() != 1;
        kmxsim_use_virtual_clock(1, 0);
        kmxsim_prerender_frames(prerendered_frames);
        const int type = CV_MAKETYPE(CV_8U, mono ? 1 : 3);
        const int rows = static_cast<int>(capture.get_height());
        const int columns = static_cast<int>(capture.get_width());
        for (unsigned i = 0; i < stream_buffers; ++i) {
            Cfw_image* image = device.get_buffer(i);
            frames[i] = cv::Mat(rows, columns, type, image->get_bp(), image->get_rowbytes());
        }
        sums.create(rows, columns, CV_MAKETYPE(CV_32F, mono ? 1 : 3));
    }

    ~Crig()
    {
        device.close();
        library.close();
        kmxsim_reset();
    }

    // The averaging loop written on the camera library, with or without
    // OpenCV's arithmetic. False when a frame fails.
    bool average_directly(bool arithmetic)
    {
        unsigned saved_invert = 0;
        kmx_get_param(camera, KMX_PARAM_INVERT, &saved_invert);
        kmx_set_param(camera, KMX_PARAM_INVERT, 0);
        if (arithmetic)
            sums.setTo(0);
        bool ok = kmx_start_frame_index(camera, 0) == KMX_OK;
        unsigned buffer = 0;
        for (unsigned i = 0; ok && i < averaged_frames; ++i) {
            int status = KMX_FRAME_BUSY;
            while (status == KMX_FRAME_BUSY)
                status = kmx_check_start_next(camera, 1);
            ok = status == KMX_OK;
            buffer = i % stream_buffers;
            if (ok && arithmetic)
                cv::accumulate(frames[buffer], sums);
        }
        kmx_abort_frame(camera);
        kmx_set_param(camera, KMX_PARAM_INVERT, saved_invert);
        if (ok && arithmetic) {
            // The mean, shown inverted for monochrome as the library does.
            const double scale = (mono ? -1.0 : 1.0) / averaged_frames;
            sums.convertTo(frames[buffer], frames[buffer].type(), scale, mono ? 255.0 : 0.0);
        }
        return ok;
    }

    bool ready = false;
    bool mono = true;
    Ckmx_interface library;
    Cdevice device;
    Ccam_settings settings;
    Caverager capture;
    kmx_camera_t* camera = nullptr;
    cv::Mat frames[stream_buffers];
    cv::Mat sums;
};

void averaging(benchmark::State& state, unsigned camera_id)
{
    Crig rig(camera_id);
    if (!rig.ready) {
        state.SkipWithError("the simulated camera could not be opened");
        return;
    }
    // Once untimed: the camera pre-renders its frames, and the memory of
    // the sums is touched for the first time.
    bool ok = rig.capture.process_multi_frame8() == CAPTURE_OK && rig.average_directly(true);
    double seconds[3] = {0, 0, 0};
    for (auto _ : state) {
        const double t0 = thread_seconds();
        ok = ok && rig.capture.process_multi_frame8() == CAPTURE_OK;
        const double t1 = thread_seconds();
        ok = ok && rig.average_directly(true);
        const double t2 = thread_seconds();
        ok = ok && rig.average_directly(false);
        const double t3 = thread_seconds();
        seconds[0] += t1 - t0;
        seconds[1] += t2 - t1;
        seconds[2] += t3 - t2;
    }
    if (!ok) {
        state.SkipWithError("an averaged image failed");
        return;
    }
    const double frames = static_cast<double>(state.iterations()) * averaged_frames;
    const double library_us = seconds[0] * 1e6 / frames;
    const double opencv_us = seconds[1] * 1e6 / frames;
    const double camera_us = seconds[2] * 1e6 / frames;
    state.counters["library_us"] = library_us;
    state.counters["opencv_us"] = opencv_us;
    state.counters["camera_us"] = camera_us;
    state.counters["ratio"] = library_us / opencv_us;
    state.counters["arithmetic_ratio"] = (opencv_us - camera_us) / (library_us - camera_us);
}

void averaging_mono(benchmark::State& state) { averaging(state, mono_camera_id); }
void averaging_colour(benchmark::State& state) { averaging(state, colour_camera_id); }

} // namespace

BENCHMARK(averaging_mono)->Unit(benchmark::kMillisecond);
BENCHMARK(averaging_colour)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
