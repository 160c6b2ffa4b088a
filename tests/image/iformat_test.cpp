// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "kmxcore/image/iformat.h"

namespace {

struct properties {
    unsigned image_mode, no_components, component_depth, component_size, component_order,
        pixel_size;
};

const unsigned all_codes[] = {2, 3, 4, 5, 6, 7, 8, 10, 11};

TEST(IformatClassify, MonochromeIgnoresCountAndOrderForEveryModeButOne)
{
    EXPECT_EQ(Ciformat::classify_image(0, 0, 8, 0), KMX_FORMAT_MONO8);
    EXPECT_EQ(Ciformat::classify_image(7, 5, 10, 9), KMX_FORMAT_MONO10);
    EXPECT_EQ(Ciformat::classify_image(2, 4, 12, 1), KMX_FORMAT_MONO12);
    EXPECT_EQ(Ciformat::classify_image(0, 1, 16, 0), KMX_FORMAT_NONE);
    EXPECT_EQ(Ciformat::classify_image(0, 1, 0, 0), KMX_FORMAT_NONE);
}

TEST(IformatClassify, ColourSubstitutesThreeComponentsAndTreatsOrderTwoAsNormal)
{
    EXPECT_EQ(Ciformat::classify_image(1, 0, 8, 0), KMX_FORMAT_RGB24);
    EXPECT_EQ(Ciformat::classify_image(1, 0, 8, 1), KMX_FORMAT_BGR24);
    EXPECT_EQ(Ciformat::classify_image(1, 3, 8, 2), KMX_FORMAT_RGB24);
    EXPECT_EQ(Ciformat::classify_image(1, 4, 8, 1), KMX_FORMAT_BGR32);
    EXPECT_EQ(Ciformat::classify_image(1, 3, 10, 0), KMX_FORMAT_RGB30);
    EXPECT_EQ(Ciformat::classify_image(1, 3, 12, 0), KMX_FORMAT_RGB36);
}

TEST(IformatClassify, ColourLayoutsWithoutACodeAreRefused)
{
    EXPECT_EQ(Ciformat::classify_image(1, 3, 12, 1), KMX_FORMAT_NONE);
    EXPECT_EQ(Ciformat::classify_image(1, 4, 10, 0), KMX_FORMAT_NONE);
    EXPECT_EQ(Ciformat::classify_image(1, 4, 12, 1), KMX_FORMAT_NONE);
    EXPECT_EQ(Ciformat::classify_image(1, 2, 8, 0), KMX_FORMAT_NONE);
    EXPECT_EQ(Ciformat::classify_image(1, 5, 8, 0), KMX_FORMAT_NONE);
    EXPECT_EQ(Ciformat::classify_image(1, 1, 8, 0), KMX_FORMAT_NONE);
}

// A wrong row in either direction of the table shows up here.
TEST(IformatDecompose, EveryCodeClassifiesBackToItself)
{
    for (unsigned code : all_codes) {
        properties p{};
        ASSERT_TRUE(Ciformat::decompose_format(code, p.image_mode, p.no_components,
                                               p.component_depth, p.component_size,
                                               p.component_order, p.pixel_size))
            << code;
        EXPECT_EQ(Ciformat::classify_image(p.image_mode, p.no_components, p.component_depth,
                                           p.component_order),
                  code);
        EXPECT_EQ(p.pixel_size, p.no_components * p.component_size) << code;
        EXPECT_EQ(p.component_size, p.component_depth > 8 ? 2u : 1u) << code;
    }
}

TEST(IformatDecompose, TwelveBitColourIsThreeTwoByteWords)
{
    properties p{};
    ASSERT_TRUE(Ciformat::decompose_format(KMX_FORMAT_RGB36, p.image_mode, p.no_components,
                                           p.component_depth, p.component_size,
                                           p.component_order, p.pixel_size));
    EXPECT_EQ(p.image_mode, 1u);
    EXPECT_EQ(p.no_components, 3u);
    EXPECT_EQ(p.component_depth, 12u);
    EXPECT_EQ(p.pixel_size, 6u);
}

TEST(IformatDecompose, NonCodesWriteNothing)
{
    for (unsigned code : {0u, 1u, 9u, 12u, 0xFFFFFFFFu}) {
        properties p{91, 92, 93, 94, 95, 96};
        EXPECT_FALSE(Ciformat::decompose_format(code, p.image_mode, p.no_components,
                                                p.component_depth, p.component_size,
                                                p.component_order, p.pixel_size))
            << code;
        EXPECT_EQ(p.image_mode, 91u);
        EXPECT_EQ(p.no_components, 92u);
        EXPECT_EQ(p.component_depth, 93u);
        EXPECT_EQ(p.component_size, 94u);
        EXPECT_EQ(p.component_order, 95u);
        EXPECT_EQ(p.pixel_size, 96u);
    }
}

TEST(IformatObject, FreshObjectAcceptsZeroWithoutChangeAndRefusesNine)
{
    Ciformat f;
    EXPECT_TRUE(f.set_format(0));
    EXPECT_EQ(f.get_format(), 0u);
    EXPECT_EQ(f.get_component_depth(), 8u);
    EXPECT_FALSE(f.set_format(9));
    EXPECT_EQ(f.get_format(), 0u);
    EXPECT_EQ(f.get_pixel_size(), 1u);
}

TEST(IformatObject, PropertiesHoldTheDecompositionOfTheirCode)
{
    Ciformat f;
    ASSERT_TRUE(f.set_format(1, 3, 10, 0));
    EXPECT_EQ(f.get_format(), KMX_FORMAT_RGB30);
    EXPECT_EQ(f.get_component_size(), 2u);
    EXPECT_EQ(f.get_pixel_size(), 6u);
    EXPECT_EQ(f.get_component_depth(), 10u);

    ASSERT_TRUE(f.set_format(0, 4, 12, 1));
    EXPECT_EQ(f.get_format(), KMX_FORMAT_MONO12);
    EXPECT_EQ(f.get_no_components(), 1u);
    EXPECT_EQ(f.get_component_order(), 0u);

    EXPECT_FALSE(f.set_format(1, 4, 12, 0));
    EXPECT_EQ(f.get_format(), KMX_FORMAT_MONO12);
}

TEST(IformatObject, DetailsFollowTheDecomposeArgumentOrder)
{
    Ciformat f;
    ASSERT_TRUE(f.set_format(KMX_FORMAT_BGR32));
    properties p{};
    EXPECT_TRUE(f.get_details(p.image_mode, p.no_components, p.component_depth,
                              p.component_size, p.component_order, p.pixel_size));
    EXPECT_EQ(p.image_mode, 1u);
    EXPECT_EQ(p.no_components, 4u);
    EXPECT_EQ(p.component_depth, 8u);
    EXPECT_EQ(p.component_size, 1u);
    EXPECT_EQ(p.component_order, 1u);
    EXPECT_EQ(p.pixel_size, 4u);
}

} // namespace
