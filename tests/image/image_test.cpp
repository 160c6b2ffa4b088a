// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "kmxcore/image/image.h"
#include "kmxcore/image/iformat.h"

namespace {

unsigned char* pixels(const Cimage& image)
{
    return static_cast<unsigned char*>(image.get_bp());
}

TEST(ImageCreate, MonochromeRequestTakesOneComponentOrderZeroAndDepthEight)
{
    Cimage image;
    ASSERT_EQ(image.create_image(0, 5, 0, 9, 640, 480), 1);
    EXPECT_EQ(image.get_no_components(), 1u);
    EXPECT_EQ(image.get_component_order(), 0u);
    EXPECT_EQ(image.get_component_depth(), 8u);
    EXPECT_EQ(image.get_format(), KMX_FORMAT_MONO8);
    EXPECT_EQ(image.get_rowbytes(), 640u);
    EXPECT_EQ(image.get_size(), 307200u);
    EXPECT_EQ(image.get_bsize(), 307200u);
    EXPECT_EQ(image.get_width(), 640u);
    EXPECT_EQ(image.get_height(), 480u);
    EXPECT_NE(image.get_bp(), nullptr);
}

TEST(ImageCreate, ComponentSizeFollowsDepth)
{
    Cimage deep_mono;
    ASSERT_EQ(deep_mono.create_image(0, 1, 16, 0, 10, 2), 1);
    EXPECT_EQ(deep_mono.get_component_size(), 2u);
    EXPECT_EQ(deep_mono.get_format(), KMX_FORMAT_NONE);
    EXPECT_EQ(deep_mono.get_size(), 40u);

    Cimage widest;
    ASSERT_EQ(widest.create_image(1, 4, 32, 0, 2, 2), 1);
    EXPECT_EQ(widest.get_component_size(), 4u);
    EXPECT_EQ(widest.get_pixel_size(), 16u);

    Cimage shallow;
    ASSERT_EQ(shallow.create_image(0, 1, 5, 0, 2, 2), 1);
    EXPECT_EQ(shallow.get_component_depth(), 5u);
    EXPECT_EQ(shallow.get_component_size(), 1u);
}

TEST(ImageCreate, RefusedPropertiesAllocateNothing)
{
    Cimage too_deep;
    EXPECT_EQ(too_deep.create_image(0, 1, 33, 0, 10, 10), 0);
    EXPECT_EQ(too_deep.get_bp(), nullptr);
    EXPECT_EQ(too_deep.get_bsize(), 0u);
    // The type and rectangle are stored before the depth is checked.
    EXPECT_EQ(too_deep.get_width(), 10u);

    Cimage two_components;
    EXPECT_EQ(two_components.create_image(1, 2, 8, 0, 10, 10), 0);
    EXPECT_EQ(two_components.get_bp(), nullptr);

    Cimage bad_code;
    EXPECT_EQ(bad_code.create_image(9u, 10, 10), 0);
    EXPECT_EQ(bad_code.get_bp(), nullptr);
    EXPECT_EQ(bad_code.get_width(), 0u);
}

TEST(ImageCreate, RowsArePacked)
{
    Cimage image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 3, 5), 1);
    EXPECT_EQ(image.get_rowbytes(), 3u);
    EXPECT_EQ(image.get_size(), 15u);

    Cimage colour;
    ASSERT_EQ(colour.create_image(KMX_FORMAT_RGB30, 3, 5), 1);
    EXPECT_EQ(colour.get_rowbytes(), 18u);
    EXPECT_EQ(colour.get_pixel_size(), 6u);
}

// 32-bit arithmetic would wrap these sizes to small numbers and allocate
// a buffer far shorter than the layout.
TEST(ImageSizes, LayoutsBeyondThirtyTwoBitsAreRefusedWithoutAllocating)
{
    Cimage exactly_4gib;
    EXPECT_EQ(exactly_4gib.create_image(KMX_FORMAT_MONO8, 65536, 65536), 0);
    EXPECT_EQ(exactly_4gib.get_bp(), nullptr);
    EXPECT_EQ(exactly_4gib.get_size(), 0u);

    Cimage wide_rows;
    EXPECT_EQ(wide_rows.create_image(1, 4, 32, 0, 0x10000000, 1), 0);
    EXPECT_EQ(wide_rows.get_bp(), nullptr);

    Cimage huge;
    EXPECT_EQ(huge.create_image(KMX_FORMAT_RGB36, INT_MAX, INT_MAX), 0);
    EXPECT_EQ(huge.get_bp(), nullptr);
    EXPECT_EQ(huge.get_bsize(), 0u);
}

TEST(ImageSizes, WrappingModifyIsRefusedAndChangesNothing)
{
    Cimage image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 64, 64), 1);
    // 65536 * 65536 wraps to 0 in 32 bits, which would "fit" any capacity.
    EXPECT_EQ(image.modify_image(KMX_FORMAT_MONO8, 65536, 65536), 0);
    EXPECT_EQ(image.modify_image(0, 1, 8, 0, 65536, 65536), 0);
    EXPECT_EQ(image.resize_image(65536, 65536), 0);
    EXPECT_EQ(image.get_width(), 64u);
    EXPECT_EQ(image.get_rowbytes(), 64u);
    EXPECT_EQ(image.get_size(), 4096u);
}

TEST(ImageSizes, NegativeSizesAreRefused)
{
    Cimage image;
    EXPECT_EQ(image.create_image(KMX_FORMAT_MONO8, -1, 10), 0);
    EXPECT_EQ(image.create_image(0, 1, 8, 0, 10, -1), 0);
    EXPECT_EQ(image.get_bp(), nullptr);
    EXPECT_EQ(image.get_width(), 0u);

    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 10, 10), 1);
    EXPECT_EQ(image.modify_image(KMX_FORMAT_MONO8, -10, -10), 0);
    EXPECT_EQ(image.resize_image(-1, 1), 0);
    EXPECT_EQ(image.get_width(), 10u);
    EXPECT_EQ(image.get_size(), 100u);
}

TEST(ImageReshape, TwelveBitColourCapacityHoldsAnEightBitLayout)
{
    Cimage image;
    ASSERT_EQ(image.create_image(1, 4, 12, 0, 100, 10), 1);
    EXPECT_EQ(image.get_format(), KMX_FORMAT_NONE);
    EXPECT_EQ(image.get_component_size(), 2u);
    EXPECT_EQ(image.get_rowbytes(), 800u);
    EXPECT_EQ(image.get_bsize(), 8000u);
    void* const buffer = image.get_bp();

    ASSERT_EQ(image.modify_image(KMX_FORMAT_RGB24, 100, 10), 1);
    EXPECT_EQ(image.get_rowbytes(), 300u);
    EXPECT_EQ(image.get_size(), 3000u);
    EXPECT_EQ(image.get_bsize(), 8000u);
    EXPECT_EQ(image.get_bp(), buffer);
    EXPECT_EQ(image.get_format(), KMX_FORMAT_RGB24);
}

TEST(ImageReshape, LayoutBeyondCapacityIsRefusedAndKeepsTheOldLayout)
{
    Cimage image;
    ASSERT_EQ(image.create_image(1, 4, 12, 0, 100, 10), 1);
    ASSERT_EQ(image.modify_image(KMX_FORMAT_RGB24, 100, 10), 1);
    void* const buffer = image.get_bp();

    EXPECT_EQ(image.modify_image(KMX_FORMAT_RGB30, 200, 10), 0);
    EXPECT_EQ(image.modify_image(1, 4, 16, 0, 101, 10), 0);
    EXPECT_EQ(image.get_bp(), buffer);
    EXPECT_EQ(image.get_bsize(), 8000u);
    EXPECT_EQ(image.get_format(), KMX_FORMAT_RGB24);
    EXPECT_EQ(image.get_width(), 100u);
    EXPECT_EQ(image.get_rowbytes(), 300u);
    EXPECT_EQ(image.get_size(), 3000u);
    EXPECT_EQ(image.get_no_components(), 3u);
}

TEST(ImageReshape, FormatOnlyModifyKeepsTheSizeAndResizeKeepsTheProperties)
{
    Cimage image;
    ASSERT_EQ(image.create_image(0, 1, 16, 0, 40, 30), 1);  // no format code
    ASSERT_EQ(image.resize_image(20, 10), 1);
    EXPECT_EQ(image.get_component_size(), 2u);
    EXPECT_EQ(image.get_size(), 400u);

    ASSERT_EQ(image.modify_image(KMX_FORMAT_RGB24), 1);
    EXPECT_EQ(image.get_width(), 20u);
    EXPECT_EQ(image.get_height(), 10u);
    EXPECT_EQ(image.get_size(), 600u);

    ASSERT_EQ(image.resize_image(40, 20), 1);
    EXPECT_EQ(image.get_format(), KMX_FORMAT_RGB24);
    EXPECT_EQ(image.get_size(), 2400u);
}

// Reads the pixel_size field, which only the property forms record.
class Cimage_probe : public Cimage {
public:
    using Cimage::pixel_size;
};

TEST(ImageReshape, OnlyThePropertyFormsRecordThePixelSizeField)
{
    Cimage_probe image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_RGB36, 4, 4), 1);
    EXPECT_EQ(image.pixel_size, 0u);
    ASSERT_EQ(image.modify_image(1, 3, 8, 0, 4, 4), 1);
    EXPECT_EQ(image.pixel_size, 3u);
    ASSERT_EQ(image.modify_image(KMX_FORMAT_RGB36, 4, 4), 1);
    EXPECT_EQ(image.pixel_size, 3u);
    EXPECT_EQ(image.get_pixel_size(), 6u);

    ASSERT_EQ(image.create_image(1, 3, 12, 0, 2, 2), 1);
    EXPECT_EQ(image.pixel_size, 6u);
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 2, 2), 1);
    EXPECT_EQ(image.pixel_size, 6u);
    EXPECT_EQ(image.get_pixel_size(), 1u);
}

TEST(ImageClear, ZeroesTheWholeAllocationButNothingWhenTheLayoutIsEmpty)
{
    Cimage image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 8, 8), 1);
    std::memset(image.get_bp(), 0xAB, image.get_bsize());
    ASSERT_EQ(image.modify_image(KMX_FORMAT_MONO8, 4, 4), 1);
    image.clear_image();
    for (unsigned i = 0; i < image.get_bsize(); ++i)
        ASSERT_EQ(pixels(image)[i], 0) << i;

    std::memset(image.get_bp(), 0xAB, image.get_bsize());
    ASSERT_EQ(image.modify_image(KMX_FORMAT_MONO8, 0, 8), 1);
    EXPECT_EQ(image.get_size(), 0u);
    image.clear_image();
    EXPECT_EQ(pixels(image)[0], 0xAB);

    Cimage empty;
    empty.clear_image();  // no buffer: nothing to touch
    EXPECT_EQ(empty.get_bp(), nullptr);
}

TEST(ImageLifecycle, CloseKeepsGeometryAndAnEmptyImageCannotBeReshaped)
{
    Cimage image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_RGB24, 16, 8), 1);
    image.close_image();
    EXPECT_EQ(image.get_bp(), nullptr);
    EXPECT_EQ(image.get_size(), 0u);
    EXPECT_EQ(image.get_bsize(), 0u);
    EXPECT_EQ(image.get_width(), 16u);
    EXPECT_EQ(image.get_format(), KMX_FORMAT_RGB24);
    EXPECT_EQ(image.resize_image(16, 8), 0);
    image.close_image();  // twice is harmless
    EXPECT_EQ(image.get_bp(), nullptr);
}

// Under LeakSanitizer the first buffer would be reported if it leaked.
TEST(ImageLifecycle, CreatingAgainReleasesTheHeldBuffer)
{
    Cimage image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 100, 100), 1);
    ASSERT_EQ(image.create_image(0, 1, 12, 0, 10, 10), 1);
    EXPECT_EQ(image.get_bsize(), 200u);
    ASSERT_EQ(image.create_image(KMX_FORMAT_RGB24, 4, 4), 1);
    EXPECT_EQ(image.get_bsize(), 48u);
}

TEST(ImageCopy, CopyOwnsItsOwnPixels)
{
    Cimage source;
    ASSERT_EQ(source.create_image(KMX_FORMAT_MONO8, 4, 4), 1);
    ASSERT_EQ(source.modify_image(KMX_FORMAT_MONO8, 2, 2), 1);
    std::memset(source.get_bp(), 7, source.get_bsize());

    Cimage copy(source);
    ASSERT_NE(copy.get_bp(), nullptr);
    EXPECT_NE(copy.get_bp(), source.get_bp());
    EXPECT_EQ(copy.get_bsize(), 16u);
    EXPECT_EQ(copy.get_size(), 4u);
    EXPECT_EQ(std::memcmp(copy.get_bp(), source.get_bp(), 16), 0);

    pixels(copy)[0] = 9;
    EXPECT_EQ(pixels(source)[0], 7);
    copy.close_image();
    EXPECT_EQ(pixels(source)[15], 7);

    Cimage empty;
    Cimage empty_copy(empty);
    EXPECT_EQ(empty_copy.get_bp(), nullptr);
}

TEST(ImageCopy, AssignmentReleasesTheTargetAndSurvivesSelfAssignment)
{
    Cimage source;
    ASSERT_EQ(source.create_image(KMX_FORMAT_RGB24, 3, 3), 1);
    std::memset(source.get_bp(), 3, source.get_bsize());
    Cimage target;
    ASSERT_EQ(target.create_image(KMX_FORMAT_MONO8, 50, 50), 1);

    target = source;
    EXPECT_NE(target.get_bp(), source.get_bp());
    EXPECT_EQ(target.get_bsize(), 27u);
    EXPECT_EQ(target.get_format(), KMX_FORMAT_RGB24);
    EXPECT_EQ(pixels(target)[26], 3);

    Cimage& alias = target;
    target = alias;
    EXPECT_EQ(target.get_bsize(), 27u);
    EXPECT_EQ(pixels(target)[0], 3);

    target = Cimage();
    EXPECT_EQ(target.get_bp(), nullptr);
    EXPECT_EQ(target.get_bsize(), 0u);
}

} // namespace
