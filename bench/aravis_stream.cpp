// SPDX-License-Identifier: Apache-2.0
// kmxaravis' cost per streamed frame against Aravis' own buffer loop, on
// Aravis' in-process fake camera (2048 x 2048 RGB8, software trigger, 25
// frames a second). Batches of frames streamed through the contract
// (kmx_start_frame_index, then kmx_check_start_next per frame, through the
// dispatch) alternate with batches of the same frames taken by a second
// fake camera with arv_stream_push_buffer / arv_stream_try_pop_buffer.
// Both sides wait for a frame the same way (a poll every 100 us), so the
// difference is what kmxaravis adds.
//
// Processor time is the whole process's: it includes the fake camera's own
// rendering of each frame in Aravis' stream thread, the same on both sides,
// as it would include a real camera's transport. The caller's own thread
// is reported beside it.
//
// Counters (per frame):
//   aravis_ms, kmxaravis_ms       processor time of the process
//   ratio                         kmxaravis_ms / aravis_ms
//   aravis_caller_us, kmxaravis_caller_us
//                                 processor time of the calling thread
// Benchmarks: BM_aravis_stream/0 delivers RGB24 (the camera's own bytes,
// no conversion: frames land in the caller's memory), /1 delivers BGR24
// (each frame reordered into the caller's memory).
#include <arv.h>
#include <benchmark/benchmark.h>

#include <time.h>

#include <vector>

#include "kmxlib/kmxlib_dispatch.h"

#include "bench_clock.h"

namespace {

using kmx_bench::seconds;

constexpr unsigned fake_id = 3;
constexpr unsigned side = 2048;
constexpr unsigned rgb_bytes = 3;
constexpr int frames_per_batch = 8;
constexpr unsigned poll_us = 100;
constexpr unsigned code_rgb24 = 4, code_bgr24 = 6;

struct Ctimes {
    double process = 0;
    double caller = 0;
};

// Times a batch: process and calling-thread processor time.
template <class F>
bool timed(Ctimes& total, F batch)
{
    const double p0 = seconds(CLOCK_PROCESS_CPUTIME_ID), t0 = seconds(CLOCK_THREAD_CPUTIME_ID);
    const bool ok = batch();
    total.process += seconds(CLOCK_PROCESS_CPUTIME_ID) - p0;
    total.caller += seconds(CLOCK_THREAD_CPUTIME_ID) - t0;
    return ok;
}

// The fake camera through kmxaravis, streaming into two records.
class Ckmxaravis_side {
public:
    explicit Ckmxaravis_side(unsigned format)
    {
        for (auto& m : memory)
            m.resize(size_t{side} * side * 4);
        if (kmxlib_select("aravis") != KMX_OK || kmx_open_interface(&instance) != KMX_OK ||
            kmx_open(instance, fake_id, 0, &camera) != KMX_OK)
            return;
        for (unsigned i = 0; i < 2; ++i)
            records[i] = kmx_frame_t{memory[i].data(), static_cast<uint32_t>(memory[i].size()), {}};
        ready = kmx_assign_buffers(camera, records, 2) == KMX_OK &&
                kmx_set_param(camera, KMX_PARAM_FORMAT, format) == KMX_OK;
    }
    ~Ckmxaravis_side()
    {
        if (camera != nullptr) {
            kmx_release_buffers(camera);
            kmx_close(instance, &camera);
        }
        if (instance != nullptr)
            kmx_close_interface(&instance);
    }

    bool batch()
    {
        if (kmx_start_frame_index(camera, 0) != KMX_OK)
            return false;
        bool ok = true;
        for (int i = 0; i < frames_per_batch && ok; ++i) {
            // The last frame ends the stream: nothing stays queued while
            // the other side runs.
            const unsigned char keep_going = i + 1 < frames_per_batch ? 1 : 0;
            int status;
            while ((status = kmx_check_start_next(camera, keep_going)) == KMX_FRAME_BUSY)
                g_usleep(poll_us);
            ok = status == KMX_OK;
        }
        return ok;
    }

    bool ready = false;

private:
    kmx_instance_t* instance = nullptr;
    kmx_camera_t* camera = nullptr;
    std::vector<uint8_t> memory[2];
    kmx_frame_t records[2] = {};
};

// A second fake camera driven with Aravis' own calls, set up alike.
class Caravis_side {
public:
    Caravis_side()
    {
        arv_enable_interface("Fake");
        camera = arv_camera_new("Fake_1", nullptr);
        if (camera == nullptr)
            return;
        GError* error = nullptr;
        arv_camera_set_region(camera, 0, 0, side, side, &error);
        arv_camera_set_pixel_format(camera, ARV_PIXEL_FORMAT_RGB_8_PACKED, &error);
        arv_camera_set_trigger(camera, "Software", &error);
        stream = arv_camera_create_stream(camera, nullptr, nullptr, &error);
        if (error == nullptr && stream != nullptr)
            arv_camera_start_acquisition(camera, &error);
        for (auto& b : buffers)
            b = arv_buffer_new_allocate(size_t{side} * side * rgb_bytes);
        ready = error == nullptr && stream != nullptr;
        if (error != nullptr)
            g_error_free(error);
    }
    ~Caravis_side()
    {
        if (stream != nullptr) {
            arv_camera_stop_acquisition(camera, nullptr);
            g_object_unref(stream);
        }
        for (ArvBuffer* b : buffers)
            if (b != nullptr)
                g_object_unref(b);
        if (camera != nullptr)
            g_object_unref(camera);
    }

    bool batch()
    {
        // Two buffers in turn, as the other side's two records.
        push(0);
        bool ok = true;
        for (int i = 0; i < frames_per_batch && ok; ++i) {
            ArvBuffer* got;
            while ((got = arv_stream_try_pop_buffer(stream)) == nullptr)
                g_usleep(poll_us);
            ok = arv_buffer_get_status(got) == ARV_BUFFER_STATUS_SUCCESS;
            g_object_unref(got);
            if (i + 1 < frames_per_batch)
                push((i + 1) % 2);
        }
        return ok;
    }

    bool ready = false;

private:
    void push(int i)
    {
        g_object_ref(buffers[i]);
        arv_stream_push_buffer(stream, buffers[i]);
        arv_camera_software_trigger(camera, nullptr);
    }

    ArvCamera* camera = nullptr;
    ArvStream* stream = nullptr;
    ArvBuffer* buffers[2] = {nullptr, nullptr};
};

void BM_aravis_stream(benchmark::State& state)
{
    Ckmxaravis_side ours(state.range(0) == 0 ? code_rgb24 : code_bgr24);
    Caravis_side theirs;
    if (!ours.ready || !theirs.ready) {
        state.SkipWithError("the fake camera could not be set up");
        return;
    }
    // One untimed batch each first: setting the camera up and starting
    // acquisition is no per-frame cost.
    bool ok = ours.batch() && theirs.batch();
    Ctimes kmx, arv;
    bool ours_first = true; // the order alternates, so neither side gains from it
    for (auto _ : state) {
        auto run_ours = [&] { return timed(kmx, [&] { return ours.batch(); }); };
        auto run_theirs = [&] { return timed(arv, [&] { return theirs.batch(); }); };
        ok = ok && (ours_first ? run_ours() && run_theirs() : run_theirs() && run_ours());
        ours_first = !ours_first;
    }
    if (!ok) {
        state.SkipWithError("a streamed frame failed");
        return;
    }
    const double frames = static_cast<double>(state.iterations()) * frames_per_batch;
    state.counters["aravis_ms"] = arv.process * 1e3 / frames;
    state.counters["kmxaravis_ms"] = kmx.process * 1e3 / frames;
    state.counters["ratio"] = kmx.process / arv.process;
    state.counters["aravis_caller_us"] = arv.caller * 1e6 / frames;
    state.counters["kmxaravis_caller_us"] = kmx.caller * 1e6 / frames;
    state.SetItemsProcessed(static_cast<int64_t>(frames));
}

BENCHMARK(BM_aravis_stream)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
