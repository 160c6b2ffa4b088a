// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "kmxcore/buffers/buffer_pool.h"
#include "kmxcore/image/iformat.h"

namespace {

constexpr unsigned twelve_bit_colour_bytes = 1280u * 1024u * 4u * 2u;

TEST(PoolCreate, CountZeroMeansTwoBuffersAtTheLargestLayout)
{
    Cbuffer_pool pool;
    ASSERT_EQ(pool.create_pool(1, 4, 12, 0, 1280, 1024, 0), 0);
    ASSERT_EQ(pool.get_no_buffers(), 2u);
    for (unsigned i = 0; i < 2; ++i) {
        Cfw_image* buffer = pool.get_buffer(i);
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(buffer->get_bsize(), twelve_bit_colour_bytes);
        EXPECT_EQ(buffer->get_format(), KMX_FORMAT_NONE);
        EXPECT_EQ(pool.get_frame_info(i)->buffer, buffer->get_bp());
        EXPECT_EQ(pool.get_frame_info(i)->buffer_size, twelve_bit_colour_bytes);
    }
    EXPECT_NE(pool.get_buffer(0)->get_bp(), pool.get_buffer(1)->get_bp());
    EXPECT_EQ(pool.get_buffer(2), nullptr);
    EXPECT_EQ(pool.get_frame_info(2), nullptr);
}

TEST(PoolReshape, TwelveBitColourPoolBecomesTwentyFourBitWithoutMovingABuffer)
{
    Cbuffer_pool pool;
    ASSERT_EQ(pool.create_pool(1, 4, 12, 0, 1280, 1024, 2), 0);
    void* const first = pool.get_buffer(0)->get_bp();
    void* const second = pool.get_buffer(1)->get_bp();
    kmx_frame_t* const records = pool.get_frame_info(0);

    ASSERT_EQ(pool.modify(KMX_FORMAT_RGB24, 1280, 1024), 0);
    for (unsigned i = 0; i < 2; ++i) {
        EXPECT_EQ(pool.get_buffer(i)->get_size(), 1280u * 1024u * 3u);
        EXPECT_EQ(pool.get_buffer(i)->get_bsize(), twelve_bit_colour_bytes);
        EXPECT_EQ(pool.get_buffer(i)->get_format(), KMX_FORMAT_RGB24);
        EXPECT_EQ(pool.get_buffer(i)->get_binfo()->bmiHeader.biBitCount, 24);
    }
    EXPECT_EQ(pool.get_buffer(0)->get_bp(), first);
    EXPECT_EQ(pool.get_buffer(1)->get_bp(), second);
    EXPECT_EQ(pool.get_frame_info(0), records);
    EXPECT_EQ(records[1].buffer, second);
}

TEST(PoolReshape, FormatOnlyModifyUsesThePoolSize)
{
    Cbuffer_pool pool;
    ASSERT_EQ(pool.create_pool(0, 1, 12, 0, 1024, 768, 3), 0);
    ASSERT_EQ(pool.resize(640, 480), 0);
    ASSERT_EQ(pool.modify(KMX_FORMAT_MONO8), 0);
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_EQ(pool.get_buffer(i)->get_width(), 640u);
        EXPECT_EQ(pool.get_buffer(i)->get_height(), 480u);
        EXPECT_EQ(pool.get_buffer(i)->get_size(), 640u * 480u);
    }
    ASSERT_EQ(pool.modify(0, 1, 10, 0, 100, 100), 0);
    EXPECT_EQ(pool.get_buffer(2)->get_component_size(), 2u);
}

TEST(PoolReshape, LayoutBeyondCapacityFails)
{
    Cbuffer_pool pool;
    ASSERT_EQ(pool.create_pool(0, 1, 8, 0, 64, 64, 2), 0);
    EXPECT_EQ(pool.modify(KMX_FORMAT_RGB24, 64, 64), 1);
    EXPECT_EQ(pool.resize(65, 64), 1);
    EXPECT_EQ(pool.modify(0, 1, 12, 0, 64, 64), 1);
    EXPECT_EQ(pool.resize(65536, 65536), 1);  // wraps to 0 in 32 bits
    EXPECT_EQ(pool.get_buffer(0)->get_size(), 4096u);
    EXPECT_EQ(pool.get_buffer(1)->get_width(), 64u);
}

TEST(PoolClosed, ClosedPoolRefusesEverything)
{
    Cbuffer_pool pool;
    EXPECT_EQ(pool.get_buffer(0), nullptr);
    EXPECT_EQ(pool.get_frame_info(0), nullptr);
    EXPECT_EQ(pool.modify(KMX_FORMAT_MONO8), 1);
    EXPECT_EQ(pool.modify(KMX_FORMAT_MONO8, 1, 1), 1);
    EXPECT_EQ(pool.modify(0, 1, 8, 0, 1, 1), 1);
    EXPECT_EQ(pool.resize(1, 1), 1);
    EXPECT_EQ(pool.assign(nullptr), 1);
    pool.release();
    pool.close();

    ASSERT_EQ(pool.create_pool(0, 1, 8, 0, 8, 8, 1), 0);
    ASSERT_NE(pool.get_frame_info(0), nullptr);
    pool.close();
    EXPECT_EQ(pool.get_no_buffers(), 0u);
    EXPECT_EQ(pool.get_buffer(0), nullptr);
    // The record list survives close() pointing at the freed buffer; the
    // pool must not hand such a record out.
    EXPECT_EQ(pool.get_frame_info(0), nullptr);
    EXPECT_EQ(pool.resize(8, 8), 1);
}

// Every one of these layouts fails in a buffer's create_image; none may
// leave buffers behind (LeakSanitizer would report them).
TEST(PoolCreate, FailedCreationLeavesNoPartialPool)
{
    struct bad_layout {
        unsigned type, components, depth;
        int width, height;
    };
    const bad_layout layouts[] = {
        {0, 1, 33, 640, 480},         // depth beyond 32 bits
        {1, 2, 8, 640, 480},          // two colour components
        {1, 4, 32, 65536, 65536},     // 64 GiB, wraps in 32 bits
        {0, 1, 8, INT_MAX, INT_MAX},  // far beyond 32 bits
        {0, 1, 8, -640, 480},         // negative width
        {0, 1, 8, 640, -1},           // negative height
    };
    for (const auto& l : layouts) {
        Cbuffer_pool pool;
        ASSERT_EQ(pool.create_pool(0, 1, 8, 0, 16, 16, 2), 0);
        EXPECT_EQ(pool.create_pool(l.type, l.components, l.depth, 0, l.width, l.height, 3), 1)
            << l.depth << " " << l.width;
        EXPECT_EQ(pool.get_no_buffers(), 0u);
        EXPECT_EQ(pool.get_buffer(0), nullptr);
        EXPECT_EQ(pool.get_frame_info(0), nullptr);
        EXPECT_EQ(pool.resize(16, 16), 1);
    }
}

// Counts no camera needs (a negative number passed as unsigned, or the
// result of a bad calculation) are refused before anything is allocated;
// the pool that was there is closed, as by any failed creation.
TEST(PoolCreate, AbsurdCountsAreRefusedWithoutAllocating)
{
    Cbuffer_pool pool;
    ASSERT_EQ(pool.create_pool(0, 1, 8, 0, 8, 8, kmx_pool_max_buffers), 0);
    EXPECT_EQ(pool.get_no_buffers(), kmx_pool_max_buffers);
    for (unsigned count : {kmx_pool_max_buffers + 1, 0x40000000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(pool.create_pool(1, 4, 12, 0, 1280, 1024, count), 1) << count;
        EXPECT_EQ(pool.get_no_buffers(), 0u);
        EXPECT_EQ(pool.get_buffer(0), nullptr);
        EXPECT_EQ(pool.get_frame_info(0), nullptr);
    }
}

TEST(PoolCreate, RecreatingReplacesBuffersAndRecords)
{
    Cbuffer_pool pool;
    ASSERT_EQ(pool.create_pool(0, 1, 8, 0, 16, 16, 4), 0);
    ASSERT_EQ(pool.create_pool(1, 3, 8, 0, 8, 8, 1), 0);
    EXPECT_EQ(pool.get_no_buffers(), 1u);
    EXPECT_EQ(pool.get_frame_info(1), nullptr);
    EXPECT_EQ(pool.get_frame_info(0)->buffer, pool.get_buffer(0)->get_bp());
    EXPECT_EQ(pool.get_frame_info(0)->buffer_size, 192u);
}

TEST(PoolCopy, CopyOwnsDuplicateBuffersWithItsOwnRecords)
{
    Cbuffer_pool source;
    ASSERT_EQ(source.create_pool(1, 3, 8, 0, 32, 16, 2), 0);
    ASSERT_EQ(source.resize(16, 16), 0);

    Cbuffer_pool copy(source);
    ASSERT_EQ(copy.get_no_buffers(), 2u);
    for (unsigned i = 0; i < 2; ++i) {
        Cfw_image* buffer = copy.get_buffer(i);
        EXPECT_NE(buffer->get_bp(), source.get_buffer(i)->get_bp());
        EXPECT_EQ(buffer->get_bsize(), 32u * 16u * 3u);
        EXPECT_EQ(buffer->get_width(), 16u);
        EXPECT_EQ(copy.get_frame_info(i)->buffer, buffer->get_bp());
    }
    // The copy keeps the pool's current size.
    ASSERT_EQ(copy.modify(KMX_FORMAT_MONO8), 0);
    EXPECT_EQ(copy.get_buffer(1)->get_size(), 256u);
    EXPECT_EQ(source.get_buffer(1)->get_format(), KMX_FORMAT_RGB24);

    Cbuffer_pool closed;
    Cbuffer_pool closed_copy(closed);
    EXPECT_EQ(closed_copy.get_buffer(0), nullptr);
    EXPECT_EQ(closed_copy.get_frame_info(0), nullptr);
}

TEST(PoolCopy, AssignmentReplacesTheTargetAndSurvivesSelfAssignment)
{
    Cbuffer_pool source;
    ASSERT_EQ(source.create_pool(0, 1, 8, 0, 8, 8, 3), 0);
    Cbuffer_pool target;
    ASSERT_EQ(target.create_pool(1, 4, 12, 0, 64, 64, 2), 0);

    target = source;
    ASSERT_EQ(target.get_no_buffers(), 3u);
    EXPECT_NE(target.get_buffer(2)->get_bp(), source.get_buffer(2)->get_bp());
    EXPECT_EQ(target.get_frame_info(2)->buffer, target.get_buffer(2)->get_bp());

    Cbuffer_pool& alias = target;
    target = alias;
    EXPECT_EQ(target.get_no_buffers(), 3u);
    EXPECT_EQ(target.get_frame_info(0)->buffer, target.get_buffer(0)->get_bp());

    target = Cbuffer_pool();
    EXPECT_EQ(target.get_no_buffers(), 0u);
    EXPECT_EQ(target.get_frame_info(0), nullptr);
}

} // namespace
