// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kmxcore/buffers/buffer_pool.h"
#include "kmxcore/camera/kmx_interface.h"
#include "kmxcore/image/iformat.h"
#include "kmx_test_support.h"

namespace {

using kmx_test::recorded_calls;
using kmx_test::recorded_functions;

constexpr unsigned mono_camera_id = 1;
constexpr int refusal_status = 5;

// A pool of two 8-bit buffers and the preset monochrome camera, open for
// the test.
class PoolAssign : public kmx_test::Csim_test {
protected:
    void SetUp() override
    {
        Csim_test::SetUp();
        ASSERT_EQ(instance.open(), 0);
        ASSERT_EQ(kmx_open(Ckmx_interface::get_interface(), mono_camera_id, 0, &camera), KMX_OK);
        ASSERT_EQ(pool.create_pool(0, 1, 8, 0, 640, 480, 2), 0);
        start_recording();
    }
    void TearDown() override
    {
        pool.close();
        if (camera != nullptr)
            kmx_close(Ckmx_interface::get_interface(), &camera);
        instance.close();
        Csim_test::TearDown();
    }

    Ckmx_interface instance;
    kmx_camera_t* camera = nullptr;
    Cbuffer_pool pool;
};

TEST_F(PoolAssign, AssignHandsTheWholeRecordArrayToTheCamera)
{
    ASSERT_EQ(pool.assign(camera), 0);
    const auto calls = recorded_calls(KMXSIM_FN_ASSIGN_BUFFERS);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].handle, camera);
    EXPECT_EQ(calls[0].args[0], reinterpret_cast<std::uintptr_t>(pool.get_frame_info(0)));
    EXPECT_EQ(calls[0].args[1], 2u);
}

TEST_F(PoolAssign, AssigningAgainReleasesFirst)
{
    ASSERT_EQ(pool.assign(camera), 0);
    ASSERT_EQ(pool.assign(camera), 0);
    const std::vector<kmxsim_fn> expected = {KMXSIM_FN_ASSIGN_BUFFERS, KMXSIM_FN_RELEASE_BUFFERS,
                                             KMXSIM_FN_ASSIGN_BUFFERS};
    EXPECT_EQ(recorded_functions(), expected);
}

TEST_F(PoolAssign, ReleaseCallsTheLibraryOnlyWhileAssigned)
{
    pool.release();
    EXPECT_TRUE(recorded_functions().empty());

    ASSERT_EQ(pool.assign(camera), 0);
    pool.release();
    pool.release();
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_RELEASE_BUFFERS), 1u);
    EXPECT_EQ(recorded_calls(KMXSIM_FN_RELEASE_BUFFERS)[0].handle, camera);
}

TEST_F(PoolAssign, ClosingAnAssignedPoolWithdrawsItOnce)
{
    ASSERT_EQ(pool.assign(camera), 0);
    pool.close();
    pool.close();
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_RELEASE_BUFFERS), 1u);
    EXPECT_EQ(pool.get_buffer(0), nullptr);
}

TEST_F(PoolAssign, ReshapingAnAssignedPoolKeepsTheRegisteredRecords)
{
    ASSERT_EQ(pool.assign(camera), 0);
    void* const first = pool.get_buffer(0)->get_bp();
    ASSERT_EQ(pool.resize(320, 240), 0);
    EXPECT_EQ(pool.get_frame_info(0)->buffer, first);
    EXPECT_EQ(pool.get_frame_info(0)->buffer_size, 640u * 480u);
    const std::vector<kmxsim_fn> expected = {KMXSIM_FN_ASSIGN_BUFFERS};
    EXPECT_EQ(recorded_functions(), expected);
}

TEST_F(PoolAssign, RefusedAssignmentLeavesASpentPoolThatIsNeverHandedOverAgain)
{
    kmxsim_fail(KMXSIM_FN_ASSIGN_BUFFERS, refusal_status, 1, 0);
    EXPECT_EQ(pool.assign(camera), 1);
    EXPECT_EQ(pool.get_no_buffers(), 2u);
    for (unsigned i = 0; i < 2; ++i) {
        EXPECT_EQ(pool.get_buffer(i)->get_bp(), nullptr);
        EXPECT_EQ(pool.get_buffer(i)->get_binfo(), nullptr);
    }
    // Its records point at freed memory: the camera must not get them.
    EXPECT_EQ(pool.assign(camera), 1);
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_ASSIGN_BUFFERS), 1u);

    pool.close();
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_RELEASE_BUFFERS), 0u);
    ASSERT_EQ(pool.create_pool(0, 1, 8, 0, 640, 480, 2), 0);
    EXPECT_EQ(pool.assign(camera), 0);
}

TEST_F(PoolAssign, BufferRecreatedBehindThePoolIsNotHandedOver)
{
    Cfw_image* buffer = pool.get_buffer(1);
    buffer->close_image();
    // Another size, so the record cannot match by chance: the allocator may
    // hand back the very block just freed.
    ASSERT_EQ(buffer->create_image(KMX_FORMAT_MONO8, 320, 240), 1);
    EXPECT_EQ(pool.assign(camera), 1);
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_ASSIGN_BUFFERS), 0u);
}

TEST_F(PoolAssign, CopyOfAnAssignedPoolIsNotAssigned)
{
    ASSERT_EQ(pool.assign(camera), 0);
    {
        Cbuffer_pool copy(pool);
        EXPECT_NE(copy.get_buffer(0)->get_bp(), pool.get_buffer(0)->get_bp());
        copy.release();
        copy.close();
    }
    {
        Cbuffer_pool target;
        target = pool;
    }
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_RELEASE_BUFFERS), 0u);
    pool.close();
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_RELEASE_BUFFERS), 1u);
}

TEST_F(PoolAssign, AssigningOverAnAssignedPoolWithdrawsTheTargetFirst)
{
    Cbuffer_pool other;
    ASSERT_EQ(other.create_pool(0, 1, 8, 0, 8, 8, 1), 0);
    ASSERT_EQ(pool.assign(camera), 0);
    pool = other;
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_RELEASE_BUFFERS), 1u);
    EXPECT_EQ(pool.get_no_buffers(), 1u);
    pool.close();
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_RELEASE_BUFFERS), 1u);
}

} // namespace
