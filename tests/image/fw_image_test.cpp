// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>

#include "kmxcore/image/fw_image.h"
#include "kmxcore/image/iformat.h"
#include "kmx_platform.h"

namespace {

// Applications derive from the image classes; so does the test, to read
// whether the header is valid.
class Cprobe_image : public Cfw_image {
public:
    bool valid() const { return header_valid; }
};

const RGBQUAD* table(Cfw_image& image)
{
    return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const unsigned char*>(
                                                image.get_binfo()) +
                                            KMX_BITMAP_HEADER_BYTES);
}

std::uint32_t entry_word(Cfw_image& image, unsigned index)
{
    std::uint32_t word = 0;
    std::memcpy(&word, &table(image)[index], sizeof(word));
    return word;
}

void expect_grey(const RGBQUAD& entry, unsigned grey, unsigned index)
{
    EXPECT_EQ(entry.rgbBlue, grey) << index;
    EXPECT_EQ(entry.rgbGreen, grey) << index;
    EXPECT_EQ(entry.rgbRed, grey) << index;
    EXPECT_EQ(entry.rgbReserved, 0) << index;
}

TEST(FrameHeader, MonochromeFrameIsTopDownWithAnInvertedGreyTable)
{
    Cprobe_image image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 640, 480), 1);
    ASSERT_NE(image.get_binfo(), nullptr);
    EXPECT_TRUE(image.valid());
    const BITMAPINFOHEADER& h = image.get_binfo()->bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 640);
    EXPECT_EQ(h.biHeight, -481);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h.biSizeImage, 0u);
    EXPECT_EQ(h.biXPelsPerMeter, 0);
    EXPECT_EQ(h.biYPelsPerMeter, 0);
    EXPECT_EQ(h.biClrUsed, 256u);
    EXPECT_EQ(h.biClrImportant, 0u);
    for (unsigned i = 0; i < KMX_BITMAP_COLOURS; ++i)
        expect_grey(table(image)[i], 255 - i, i);
}

TEST(FrameHeader, ColourFrameCarriesTheThreeChannelMasks)
{
    Cprobe_image image;
    ASSERT_EQ(image.create_image(1, 0, 8, 0, 33, 7), 1);
    EXPECT_TRUE(image.valid());
    const BITMAPINFOHEADER& h = image.get_binfo()->bmiHeader;
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(h.biWidth, 33);
    EXPECT_EQ(h.biHeight, -8);
    EXPECT_EQ(entry_word(image, 0), 0x00FF0000u);
    EXPECT_EQ(entry_word(image, 1), 0x0000FF00u);
    EXPECT_EQ(entry_word(image, 2), 0x000000FFu);

    Cfw_image four;
    ASSERT_EQ(four.create_image(KMX_FORMAT_BGR32, 2, 2), 1);
    EXPECT_EQ(four.get_binfo()->bmiHeader.biBitCount, 32);
}

TEST(FrameHeader, ReshapeRewritesTheHeaderAndColourLeavesTheRestOfTheTable)
{
    Cprobe_image image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 300, 10), 1);
    BITMAPINFO* const block = image.get_binfo();

    ASSERT_EQ(image.modify_image(KMX_FORMAT_RGB24, 100, 10), 1);
    EXPECT_EQ(image.get_binfo(), block);
    EXPECT_EQ(block->bmiHeader.biBitCount, 24);
    EXPECT_EQ(block->bmiHeader.biClrUsed, 0u);
    EXPECT_EQ(entry_word(image, 2), 0x000000FFu);
    expect_grey(table(image)[3], 252, 3);
    expect_grey(table(image)[255], 0, 255);

    // The sized overloads are reached through virtual dispatch.
    ASSERT_EQ(image.resize_image(50, 20), 1);
    EXPECT_EQ(block->bmiHeader.biWidth, 50);
    EXPECT_EQ(block->bmiHeader.biHeight, -21);
    ASSERT_EQ(image.modify_image(KMX_FORMAT_MONO8), 1);
    EXPECT_EQ(block->bmiHeader.biBitCount, 8);
    expect_grey(table(image)[0], 255, 0);
}

TEST(FrameHeader, DeepComponentsHaveNoValidHeader)
{
    Cprobe_image image;
    ASSERT_EQ(image.create_image(0, 1, 16, 0, 8, 8), 1);
    EXPECT_FALSE(image.valid());
    EXPECT_NE(image.get_binfo(), nullptr);
    EXPECT_EQ(image.get_component_size(), 2u);

    ASSERT_EQ(image.modify_image(KMX_FORMAT_MONO8, 8, 8), 1);
    EXPECT_TRUE(image.valid());
    EXPECT_EQ(image.get_binfo()->bmiHeader.biHeight, -9);

    ASSERT_EQ(image.modify_image(KMX_FORMAT_MONO12, 8, 8), 1);
    EXPECT_FALSE(image.valid());
}

TEST(FrameHeader, RefusedReshapeInvalidatesTheHeader)
{
    Cprobe_image image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 10, 10), 1);
    EXPECT_EQ(image.modify_image(KMX_FORMAT_RGB24, 10, 10), 0);
    EXPECT_FALSE(image.valid());
    EXPECT_EQ(image.get_binfo()->bmiHeader.biBitCount, 8);
    EXPECT_EQ(image.get_format(), KMX_FORMAT_MONO8);
}

TEST(FrameHeader, TallestHeightStillFitsTheNegativeHeader)
{
    Cfw_image image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 0, INT_MAX), 1);
    EXPECT_EQ(image.get_size(), 0u);
    EXPECT_EQ(image.get_binfo()->bmiHeader.biHeight, INT32_MIN);
}

TEST(FrameLifecycle, WithoutAHeaderBlockReshapingFails)
{
    Cprobe_image never;
    EXPECT_EQ(never.modify_image(KMX_FORMAT_MONO8, 0, 0), 0);
    EXPECT_EQ(never.get_binfo(), nullptr);

    Cprobe_image closed;
    ASSERT_EQ(closed.create_image(KMX_FORMAT_MONO8, 4, 4), 1);
    closed.close_image();
    EXPECT_EQ(closed.get_binfo(), nullptr);
    EXPECT_EQ(closed.get_bp(), nullptr);
    EXPECT_FALSE(closed.valid());
    EXPECT_EQ(closed.resize_image(4, 4), 0);
    EXPECT_EQ(closed.modify_image(0, 1, 8, 0, 0, 0), 0);
}

TEST(FrameLifecycle, FailedCreationLeavesNeitherPixelsNorHeader)
{
    Cprobe_image image;
    EXPECT_EQ(image.create_image(0, 1, 33, 0, 4, 4), 0);
    EXPECT_EQ(image.get_binfo(), nullptr);
    EXPECT_EQ(image.get_bp(), nullptr);
    EXPECT_EQ(image.create_image(KMX_FORMAT_RGB36, 65536, 65536), 0);
    EXPECT_EQ(image.get_binfo(), nullptr);

    // Re-creating over a held frame frees the old pixels and header.
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO8, 4, 4), 1);
    EXPECT_EQ(image.create_image(0, 1, 40, 0, 4, 4), 0);
    EXPECT_EQ(image.get_binfo(), nullptr);
    EXPECT_EQ(image.get_bp(), nullptr);
    EXPECT_FALSE(image.valid());
}

TEST(FrameCopy, CopyOwnsItsOwnPixelsAndHeader)
{
    Cprobe_image source;
    ASSERT_EQ(source.create_image(KMX_FORMAT_MONO8, 8, 4), 1);
    std::memset(source.get_bp(), 5, source.get_bsize());

    Cprobe_image copy(source);
    ASSERT_NE(copy.get_binfo(), nullptr);
    EXPECT_NE(copy.get_binfo(), source.get_binfo());
    EXPECT_NE(copy.get_bp(), source.get_bp());
    EXPECT_TRUE(copy.valid());
    EXPECT_EQ(std::memcmp(copy.get_binfo(), source.get_binfo(), KMX_BITMAP_BLOCK_BYTES), 0);
    EXPECT_EQ(static_cast<unsigned char*>(copy.get_bp())[31], 5);

    ASSERT_EQ(copy.resize_image(4, 4), 1);
    EXPECT_EQ(source.get_binfo()->bmiHeader.biWidth, 8);
}

TEST(FrameCopy, AssignmentReleasesTheTargetAndSurvivesSelfAssignment)
{
    Cprobe_image source;
    ASSERT_EQ(source.create_image(KMX_FORMAT_RGB24, 4, 4), 1);
    Cprobe_image target;
    ASSERT_EQ(target.create_image(0, 1, 12, 0, 64, 64), 1);

    target = source;
    EXPECT_TRUE(target.valid());
    EXPECT_NE(target.get_binfo(), source.get_binfo());
    EXPECT_EQ(target.get_binfo()->bmiHeader.biBitCount, 24);
    EXPECT_EQ(target.get_bsize(), 48u);

    Cprobe_image& alias = target;
    target = alias;
    EXPECT_EQ(target.get_binfo()->bmiHeader.biBitCount, 24);

    target = Cprobe_image();
    EXPECT_EQ(target.get_binfo(), nullptr);
    EXPECT_EQ(target.get_bp(), nullptr);
    EXPECT_FALSE(target.valid());
}

} // namespace
