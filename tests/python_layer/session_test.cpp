// SPDX-License-Identifier: Apache-2.0
// The session under the Python module: the shared camera-library
// instance, frames that outlive close(), the watch that turns Ctrl-C into
// an abort, one operation at a time, and the ranges of counts and depths.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "failure.h"
#include "kmx_test_support.h"
#include "session.h"

namespace kmx_python {
namespace {

constexpr unsigned never = 0xFFFFFFFFu;  // busy polls before a virtual frame completes

class Csession_test : public kmx_test::Csim_test {
protected:
    void SetUp() override
    {
        Csim_test::SetUp();
        kmxsim_use_virtual_clock(1, 0);
    }

    static std::shared_ptr<Csession> open_camera(unsigned id)
    {
        Copen_request request;
        request.any = false;
        request.camera_id = id;
        return Csession::open(request);
    }

    // Runs `work` and hands back the failure it threw.
    template <typename Work>
    static Cfailure failure_of(Work work)
    {
        try {
            work();
        } catch (const Ccamera_error& e) {
            return e.failure();
        }
        ADD_FAILURE() << "no Ccamera_error";
        return Cfailure();
    }

    static void wait_until_busy(const Csession& session)
    {
        while (!session.busy())
            std::this_thread::yield();
    }
};

const Cframe_sink ignore_frame = [](Cframe&) {};

TEST_F(Csession_test, cameras_share_one_instance_opened_once_and_closed_with_the_last)
{
    start_recording();
    auto mono = open_camera(kmx_test::mono_camera_id);
    auto colour = open_camera(kmx_test::colour_camera_id);
    {
        Copen_request other;
        other.library = "aravis";
        EXPECT_THROW(Csession::open(other), Ccamera_error);
    }
    mono->close();
    colour->snap(0, ignore_frame);
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_CLOSE_INTERFACE), 0u);
    colour.reset();
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_OPEN_INTERFACE), 1u);
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_CLOSE_INTERFACE), 1u);
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_CLOSE), 2u);
    // Listing alone opens and closes the instance again.
    EXPECT_EQ(list_cameras("").size(), 2u);
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_CLOSE_INTERFACE), 2u);
}

TEST_F(Csession_test, frames_kept_by_a_sink_stay_readable_after_close)
{
    auto session = open_camera(kmx_test::colour_camera_id);
    const uint32_t flat = 77;
    kmxsim_script_flat_frames(&flat, 1);
    Cframe pool_frame;
    Cframe deep_frame;
    session->average(2, [&](Cframe& f) { pool_frame = f; });
    session->snap(12, [&](Cframe& f) { deep_frame = f; });
    session->close();
    // Under the sanitizers a freed buffer would be reported here.
    std::vector<unsigned char> out(pool_frame.packed_bytes());
    copy_packed(pool_frame, out.data());
    EXPECT_EQ(out.front(), flat);
    std::vector<uint16_t> deep(deep_frame.packed_bytes() / 2);
    copy_packed(deep_frame, deep.data());
    EXPECT_EQ(deep.back(), flat);
}

TEST_F(Csession_test, a_watch_that_gives_up_aborts_the_wait_and_is_asked_only_now_and_then)
{
    auto session = open_camera(kmx_test::mono_camera_id);
    std::atomic<unsigned> asked{0};
    session->set_watch_source([&asked]() -> Cwatched_state::Cwatch {
        return [&asked] { return ++asked >= 3; };
    });
    kmxsim_use_virtual_clock(1, never);
    const auto started = std::chrono::steady_clock::now();
    const Cfailure f = failure_of([&] { session->average(4, ignore_frame); });
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(f.aborted);
    EXPECT_EQ(f.result, CAPTURE_FAILED);
    EXPECT_EQ(asked.load(), 3u);
    EXPECT_GE(waited, 3 * Cwatched_state::watch_period);
    // The next operation starts with a fresh watch.
    kmxsim_use_virtual_clock(1, 0);
    asked = 0;
    session->snap(0, ignore_frame);
}

TEST_F(Csession_test, one_operation_at_a_time_and_close_from_another_thread_aborts_it)
{
    auto session = open_camera(kmx_test::mono_camera_id);
    kmxsim_use_virtual_clock(1, never);
    Cfailure seen;
    std::thread worker([&] { seen = failure_of([&] { session->snap(12, ignore_frame); }); });
    wait_until_busy(*session);
    EXPECT_THROW(session->snap(0, ignore_frame), Cbusy_error);
    EXPECT_THROW(session->controls(), Cbusy_error);
    EXPECT_THROW(session->set_control(Econtrol::gain, {1}), Cbusy_error);
    EXPECT_EQ(session->width(), 640u);
    session->close();
    worker.join();
    EXPECT_TRUE(seen.aborted);
    EXPECT_THROW(session->snap(0, ignore_frame), Cclosed_error);
    session->close();
}

TEST_F(Csession_test, the_waiting_thread_cannot_close_or_use_its_own_camera)
{
    auto session = open_camera(kmx_test::mono_camera_id);
    bool close_refused = false;
    bool use_refused = false;
    session->set_watch_source([&]() -> Cwatched_state::Cwatch {
        return [&] {
            try {
                session->close();
            } catch (const Cbusy_error&) {
                close_refused = true;
            }
            try {
                session->controls();
            } catch (const Cbusy_error&) {
                use_refused = true;
            }
            return true;
        };
    });
    kmxsim_use_virtual_clock(1, never);
    failure_of([&] { session->snap(0, ignore_frame); });
    EXPECT_TRUE(close_refused);
    EXPECT_TRUE(use_refused);
    EXPECT_FALSE(session->closed());
}

TEST_F(Csession_test, counts_and_depths_outside_what_the_camera_takes_are_refused)
{
    auto session = open_camera(kmx_test::mono_camera_id);
    start_recording();
    EXPECT_THROW(session->average(0, ignore_frame), Crange_error);
    EXPECT_THROW(session->average(16843010LL, ignore_frame), Crange_error);
    EXPECT_THROW(session->deep_average(1048833LL, 12, ignore_frame), Crange_error);
    EXPECT_THROW(session->deep_average(2, 8, ignore_frame), Crange_error);
    EXPECT_THROW(session->snap(9, ignore_frame), Crange_error);
    EXPECT_THROW(session->snap(-8, ignore_frame), Crange_error);
    EXPECT_THROW(session->set_control(Econtrol::gain, {-1}), Crange_error);
    EXPECT_THROW(session->set_control(Econtrol::gain, {1, 2}), Crange_error);
    EXPECT_EQ(kmxsim_call_count(), 0u) << "a refused value reaches no camera";
}

} // namespace
} // namespace kmx_python
