// SPDX-License-Identifier: Apache-2.0
// The image description records and Ccapture::get_image_info: defaults,
// memberwise copies, the 8-bit and deep descriptions, and a capture that
// holds no image yet.
#include "multi_fixture.h"

namespace multi_test {
namespace {

using Cimage_info_test = Cmulti_test;

TEST(Cimage_binfo_record, DefaultsAreDepthEightSizeOneAndNothingElse)
{
    const Cimage_binfo binfo;
    EXPECT_EQ(binfo.info.component_depth, 8u);
    EXPECT_EQ(binfo.info.component_size, 1u);
    const unsigned zeros[] = {binfo.info.image_mode, binfo.info.deep, binfo.info.width,
                              binfo.info.height, binfo.info.row_values, binfo.info.averaging,
                              binfo.info.average_opt, binfo.info.average_frames,
                              binfo.buffer_no, binfo.size};
    for (unsigned value : zeros)
        EXPECT_EQ(value, 0u);
    EXPECT_EQ(binfo.bp, nullptr);
    EXPECT_EQ(binfo.current_image, nullptr);
    EXPECT_EQ(binfo.deep_image, nullptr);
}

TEST(Cimage_binfo_record, CopiesCarryEveryFieldPointersIncluded)
{
    Cimage deep;
    unsigned char pixel = 0;
    Cimage_binfo source;
    source.info.width = 7;
    source.info.average_frames = 3;
    source.bp = &pixel;
    source.size = 1;
    source.deep_image = &deep;

    const Cimage_binfo copy(source);
    Cimage_binfo assigned;
    assigned = source;

    for (const Cimage_binfo* b : {&copy, static_cast<const Cimage_binfo*>(&assigned)}) {
        EXPECT_EQ(b->info.width, 7u);
        EXPECT_EQ(b->info.average_frames, 3u);
        EXPECT_EQ(b->bp, &pixel);
        EXPECT_EQ(b->size, 1u);
        EXPECT_EQ(b->deep_image, &deep);
    }
}

TEST_F(Cimage_info_test, BeforeAnyFrameNoPixelsAreDescribed)
{
    auto& capture = averaging(KMXSIM_PRESET_MONO, 1, 4);
    Cimage_binfo binfo;
    binfo.bp = reinterpret_cast<unsigned char*>(&binfo);
    binfo.size = 99;

    capture.get_image_info(&binfo);

    EXPECT_EQ(binfo.bp, nullptr);
    EXPECT_EQ(binfo.size, 0u);
    EXPECT_EQ(binfo.current_image, nullptr);
    EXPECT_EQ(binfo.deep_image, nullptr);
    EXPECT_EQ(binfo.info.deep, 0u);
    EXPECT_EQ(binfo.info.component_depth, 8u);
    EXPECT_EQ(binfo.info.width, 640u);
    EXPECT_EQ(binfo.info.averaging, 1u);
    EXPECT_EQ(binfo.info.average_opt, 1u);
    EXPECT_EQ(binfo.info.average_frames, 4u);
    capture.get_image_info(nullptr);
}

TEST_F(Cimage_info_test, ColourFrameIsDescribedWithTheWidthAsRowValues)
{
    auto& capture = averaging(KMXSIM_PRESET_COLOR, 0, 0);
    ASSERT_EQ(capture.get_frame(), CAPTURE_OK);
    Cimage_binfo binfo;

    capture.get_image_info(&binfo);

    Cfw_image* frame = device.get_buffer(0);
    EXPECT_EQ(binfo.info.image_mode, 1u);
    EXPECT_EQ(binfo.info.width, 1280u);
    EXPECT_EQ(binfo.info.height, 1024u);
    EXPECT_EQ(binfo.info.row_values, 1280u);
    EXPECT_EQ(binfo.current_image, frame);
    EXPECT_EQ(binfo.bp, frame->get_bp());
    EXPECT_EQ(binfo.size, frame->get_size());
    EXPECT_EQ(binfo.info.component_depth, 8u);
    EXPECT_EQ(binfo.info.averaging, 0u);
}

TEST_F(Cimage_info_test, DeepSettingsWithoutADeepResultDescribeTheEightBitImage)
{
    auto& capture = averaging(KMXSIM_PRESET_MONO, 0, 0);
    ASSERT_EQ(capture.get_frame(), CAPTURE_OK);
    ASSERT_TRUE(capture.get_settings()->set_component_depth(12));
    Cimage_binfo binfo;

    capture.get_image_info(&binfo);

    EXPECT_EQ(binfo.info.deep, 0u);
    EXPECT_EQ(binfo.deep_image, nullptr);
    EXPECT_EQ(binfo.bp, device.get_buffer(0)->get_bp());
    EXPECT_EQ(binfo.info.component_size, 1u);
}

TEST_F(Cimage_info_test, DeepResultIsDescribedBesideItsEightBitCopy)
{
    script({1234});
    auto& capture = averaging(KMXSIM_PRESET_MONO, 0, 0,
                              [](Csettings_probe& s) { EXPECT_TRUE(s.set_component_depth(12)); });
    ASSERT_EQ(capture.process_multi_deep(12), CAPTURE_OK);
    Cimage_binfo binfo;

    capture.get_image_info(&binfo);

    EXPECT_EQ(binfo.info.deep, 1u);
    EXPECT_EQ(binfo.info.component_depth, 12u);
    EXPECT_EQ(binfo.info.component_size, 2u);
    EXPECT_EQ(binfo.size, 614400u);
    EXPECT_EQ(binfo.bp, capture.get_deep_image()->get_bp());
    EXPECT_EQ(binfo.deep_image, capture.get_deep_image());
    EXPECT_EQ(binfo.current_image, device.get_buffer(0));
    EXPECT_EQ(binfo.buffer_no, 0u);
    EXPECT_EQ(binfo.info.row_values, 640u);
}

} // namespace
} // namespace multi_test
