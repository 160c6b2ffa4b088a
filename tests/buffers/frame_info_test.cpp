// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <utility>

#include "kmxcore/buffers/frame_info.h"
#include "kmxcore/image/iformat.h"

namespace {

bool reserved_words_zero(const kmx_frame_t& record)
{
    for (unsigned word : record.reserved)
        if (word != 0)
            return false;
    return true;
}

void scribble(kmx_frame_t& record)
{
    for (unsigned i = 0; i < KMX_FRAME_RESERVED_WORDS; ++i)
        record.reserved[i] = 0xA0 + i;
}

TEST(FrameRecords, CountedListIsAllZero)
{
    Cframe_info list;
    ASSERT_EQ(list.create(3u), 0);
    EXPECT_EQ(list.get_no_frames(), 3u);
    for (unsigned i = 0; i < 3; ++i) {
        const kmx_frame_t* record = list.get_frame_info(i);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->buffer, nullptr);
        EXPECT_EQ(record->buffer_size, 0u);
        EXPECT_TRUE(reserved_words_zero(*record));
    }
    EXPECT_EQ(list.get_frame_list(), list.get_frame_info());

    ASSERT_EQ(list.create(0u), 0);
    EXPECT_NE(list.get_frame_list(), nullptr);
    EXPECT_EQ(list.get_no_frames(), 0u);
    EXPECT_EQ(list.get_frame_info(), nullptr);
}

TEST(FrameRecords, RecordHoldsTheImageCapacityNotItsSize)
{
    Cfw_image image;
    ASSERT_EQ(image.create_image(1, 4, 12, 0, 100, 10), 1);
    ASSERT_EQ(image.modify_image(KMX_FORMAT_RGB24, 100, 10), 1);
    ASSERT_EQ(image.get_size(), 3000u);

    Cframe_info list;
    ASSERT_EQ(list.create(image), 0);
    EXPECT_EQ(list.get_no_frames(), 1u);
    EXPECT_EQ(list.get_frame_info()->buffer, image.get_bp());
    EXPECT_EQ(list.get_frame_info()->buffer_size, 8000u);

    Cimage plain;
    ASSERT_EQ(plain.create_image(KMX_FORMAT_MONO8, 5, 5), 1);
    ASSERT_EQ(list.create(plain), 0);
    EXPECT_EQ(list.get_frame_info()->buffer, plain.get_bp());
    EXPECT_EQ(list.get_frame_info()->buffer_size, 25u);
}

TEST(FrameRecords, ImageArrayBindsEachRecordInOrder)
{
    Cfw_image images[3];
    for (unsigned i = 0; i < 3; ++i)
        ASSERT_EQ(images[i].create_image(KMX_FORMAT_MONO8, 4, static_cast<int>(i + 1)), 1);
    Cframe_info list;
    ASSERT_EQ(list.create(images, 3), 0);
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_EQ(list.get_frame_info(i)->buffer, images[i].get_bp()) << i;
        EXPECT_EQ(list.get_frame_info(i)->buffer_size, 4 * (i + 1)) << i;
        EXPECT_TRUE(reserved_words_zero(*list.get_frame_info(i))) << i;
    }
}

TEST(FrameRecords, SetRebindsAndZeroesTheLibraryWordsWithinRangeOnly)
{
    Cfw_image image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 8, 8), 1);
    Cframe_info list;
    ASSERT_EQ(list.create(3u), 0);
    scribble(*list.get_frame_info(2));
    scribble(*list.get_frame_info(0));

    EXPECT_EQ(list.set(image, 3), 1);
    EXPECT_EQ(list.get_frame_info(3), nullptr);
    EXPECT_EQ(list.set(image, 2), 0);
    EXPECT_EQ(list.get_frame_info(2)->buffer, image.get_bp());
    EXPECT_EQ(list.get_frame_info(2)->buffer_size, 64u);
    EXPECT_TRUE(reserved_words_zero(*list.get_frame_info(2)));

    Cimage& plain = image;
    EXPECT_EQ(list.set(plain), 0);
    EXPECT_EQ(list.get_frame_info(0)->buffer, image.get_bp());
    EXPECT_TRUE(reserved_words_zero(*list.get_frame_info(0)));
    EXPECT_EQ(list.get_frame_info(1)->buffer, nullptr);
}

TEST(FrameRecords, EmptyListAnswersNullAndRefusesSet)
{
    Cframe_info list;
    Cfw_image image;
    EXPECT_EQ(list.get_frame_info(), nullptr);
    EXPECT_EQ(list.get_frame_list(), nullptr);
    EXPECT_EQ(list.set(image), 1);
    EXPECT_EQ(list.release(), 0);
    EXPECT_EQ(list.release(), 0);
}

// count * 40 bytes above 4 GiB would be allocated short in 32 bits.
TEST(FrameRecords, ArrayBeyondThirtyTwoBitsFailsAndLeavesTheListEmpty)
{
    Cframe_info list;
    ASSERT_EQ(list.create(2u), 0);
    EXPECT_EQ(list.create(0x08000000u), 1);
    EXPECT_EQ(list.get_frame_list(), nullptr);
    EXPECT_EQ(list.get_no_frames(), 0u);
    EXPECT_EQ(list.create(0xFFFFFFFFu), 1);

    Cfw_image image;
    EXPECT_EQ(list.create(&image, 0x08000000u), 1);
    EXPECT_EQ(list.get_frame_list(), nullptr);
    EXPECT_EQ(list.create(nullptr, 2), 1);
    EXPECT_EQ(list.get_no_frames(), 0u);
}

TEST(FrameRecordsCopy, CopyHasItsOwnArrayPointingAtTheSameImages)
{
    Cfw_image image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 4, 4), 1);
    Cframe_info source;
    ASSERT_EQ(source.create(2u), 0);
    ASSERT_EQ(source.set(image, 1), 0);

    Cframe_info copy(source);
    EXPECT_NE(copy.get_frame_list(), source.get_frame_list());
    EXPECT_EQ(copy.get_no_frames(), 2u);
    EXPECT_EQ(copy.get_frame_info(1)->buffer, image.get_bp());

    source.release();
    EXPECT_EQ(copy.get_frame_info(1)->buffer_size, 16u);
}

TEST(FrameRecordsCopy, AssignmentAndMoveKeepOneOwnerPerArray)
{
    Cfw_image image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 4, 4), 1);
    Cframe_info source;
    ASSERT_EQ(source.create(image), 0);
    Cframe_info target;
    ASSERT_EQ(target.create(5u), 0);

    target = source;
    EXPECT_EQ(target.get_no_frames(), 1u);
    EXPECT_NE(target.get_frame_list(), source.get_frame_list());

    Cframe_info& alias = target;
    target = alias;
    EXPECT_EQ(target.get_frame_info()->buffer, image.get_bp());

    Cframe_info moved(std::move(target));
    EXPECT_EQ(target.get_frame_list(), nullptr);
    EXPECT_EQ(moved.get_frame_info()->buffer, image.get_bp());
    source = std::move(moved);
    EXPECT_EQ(source.get_no_frames(), 1u);
    EXPECT_EQ(moved.get_no_frames(), 0u);
}

} // namespace
