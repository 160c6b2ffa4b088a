// SPDX-License-Identifier: Apache-2.0
// What the Python layer costs: Python's cam.average(16) against the same
// averaging called from C++ (Ccapture::process_multi_frame8 through a
// derived class, as an application does), in one process with the
// interpreter embedded, 16 frames of 1280 x 1024, monochrome and colour.
// The simulated cameras run on the virtual clock with pre-rendered frames
// (delivering a frame costs a copy of its bytes). Python and C++ use
// cameras of the same description, so that neither disturbs the other's
// settings; the loops are timed in one benchmark loop, in the
// thread's own processor time (the Python call lets go of the
// interpreter's lock but runs on this thread), taking turns at going
// first, since the one that follows another camera's frames finds the
// caches cold.
//
// Counters, in microseconds per frame taken (16 per averaged image):
//   cpp_us        the averaging from C++
//   python_us     cam.average(16): the call, the lock, a NumPy array that
//                 owns a copy of the result
//   view_us       cam.average(16, copy=False): a view instead of the copy
//   ratio         python_us / cpp_us (the aim: under 1.05)
//   view_ratio    view_us / cpp_us
//   twin_ratio    the same averaging from C++ on a second camera, over
//                 cpp_us: how far two identical loops differ here
#include <benchmark/benchmark.h>

#include <pybind11/embed.h>

#include <functional>
#include <memory>

#include "kmxcore/camera/device.h"
#include "kmxcore/capture/capture.h"
#include "kmxcore/image/iformat.h"
#include "kmxcore/settings/cam_settings.h"

#include "bench_cameras.h"
#include "bench_clock.h"

namespace py = pybind11;

namespace {

using namespace kmx_bench;

constexpr unsigned averaged_frames = 16;
constexpr unsigned prerendered_frames = 2;
// The C++ side's twin of each camera.
constexpr unsigned twin_offset = 10;

class Caverager : public Ccapture {
public:
    using Ccapture::process_multi_frame8;
};

// A camera averaged from C++, as an application does it.
class Ctwin {
public:
    bool open(unsigned camera_id)
    {
        if (device.open(camera_id, 0) != 0)
            return false;
        settings.init(device.get_camera_handle());
        // As the module does: colour in the order it hands out.
        if (device.get_camera_type() == 1)
            settings.set_format(KMX_FORMAT_RGB24);
        settings.set_average_opt(1);
        settings.set_average_frames(averaged_frames);
        capture.init(&device, &settings);
        return capture.setup(1, 0) == 0;
    }
    bool average() { return capture.process_multi_frame8() == CAPTURE_OK; }
    ~Ctwin() { device.close(); }

private:
    Cdevice device;
    Ccam_settings settings;
    Caverager capture;
};

// The Python camera and two C++ twins: the second twin shows how far two
// identical averagings on two cameras differ (their buffers lie apart in
// memory), which is the floor below which no ratio here means anything.
class Crig {
public:
    explicit Crig(unsigned camera_id)
    {
        kmxsim_reset();
        for (unsigned twin = 0; twin <= 2 * twin_offset; twin += twin_offset) {
            add_large_camera(KMXSIM_PRESET_MONO, mono_camera_id + twin);
            if (twin != 0)
                add_large_camera(KMXSIM_PRESET_COLOR, colour_camera_id + twin);
        }
        kmxsim_use_virtual_clock(1, 0);
        kmxsim_prerender_frames(prerendered_frames);
        // The module opens the instance; the twins' devices use it.
        py::module_ kmxcore = py::module_::import("kmxcore");
        camera = kmxcore.attr("open")(py::make_tuple(camera_id, 0));
        py::dict scope;
        scope["cam"] = camera;
        python_average = py::eval("lambda: cam.average(16)", scope);
        python_view = py::eval("lambda: cam.average(16, copy=False)", scope);
        ready = twin->open(camera_id + twin_offset) &&
                other_twin->open(camera_id + 2 * twin_offset);
    }

    ~Crig()
    {
        // The twins' cameras before the module's, which closes the instance.
        twin.reset();
        other_twin.reset();
        camera.attr("close")();
        kmxsim_reset();
    }

    bool ready = false;
    py::object camera;
    py::object python_average;
    py::object python_view;
    std::unique_ptr<Ctwin> twin = std::make_unique<Ctwin>();
    std::unique_ptr<Ctwin> other_twin = std::make_unique<Ctwin>();
};

void average_from_python(benchmark::State& state, unsigned camera_id)
{
    Crig rig(camera_id);
    if (!rig.ready) {
        state.SkipWithError("the simulated cameras could not be opened");
        return;
    }
    bool ok = true;
    const std::function<void()> loops[] = {
        [&] { ok = rig.twin->average() && ok; },
        [&] { benchmark::DoNotOptimize(rig.python_average().ptr()); },
        [&] { benchmark::DoNotOptimize(rig.python_view().ptr()); },
        [&] { ok = rig.other_twin->average() && ok; },
    };
    constexpr unsigned count = sizeof loops / sizeof loops[0];
    // Once untimed: the cameras pre-render, the memory is touched.
    for (const auto& loop : loops)
        loop();
    double seconds[count] = {};
    unsigned first = 0;
    for (auto _ : state) {
        for (unsigned turn = 0; turn < count; ++turn) {
            const unsigned loop = (first + turn) % count;
            const double started = thread_seconds();
            loops[loop]();
            seconds[loop] += thread_seconds() - started;
        }
        first = (first + 1) % count;
    }
    if (!ok) {
        state.SkipWithError("an averaged image failed");
        return;
    }
    const double frames = static_cast<double>(state.iterations()) * averaged_frames;
    state.counters["cpp_us"] = seconds[0] * 1e6 / frames;
    state.counters["python_us"] = seconds[1] * 1e6 / frames;
    state.counters["view_us"] = seconds[2] * 1e6 / frames;
    state.counters["ratio"] = seconds[1] / seconds[0];
    state.counters["view_ratio"] = seconds[2] / seconds[0];
    state.counters["twin_ratio"] = seconds[3] / seconds[0];
}

void python_average_mono(benchmark::State& state)
{
    average_from_python(state, mono_camera_id);
}

void python_average_colour(benchmark::State& state)
{
    average_from_python(state, colour_camera_id);
}

} // namespace

BENCHMARK(python_average_mono)->Unit(benchmark::kMillisecond);
BENCHMARK(python_average_colour)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // The interpreter, with the package of the build tree first on its path.
    py::scoped_interpreter python;
    py::module_::import("sys").attr("path").attr("insert")(0, KMX_PYTHON_DIR);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
