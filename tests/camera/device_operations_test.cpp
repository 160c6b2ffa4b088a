// SPDX-License-Identifier: Apache-2.0
// Camera operations: arguments reach the camera library in order behind the
// device's handle, statuses come back unchanged, and the frame copies that
// look their record up never hand the library a missing record.
#include <cstring>

#include "device_fixture.h"

namespace device_test {
namespace {

using kmx_test::recorded_calls;

constexpr RECT frame_rect = {0, 0, 640, 480};

TEST_F(Cdevice_test, CopyByIndexBeyondThePoolIsAnsweredWithoutTheLibrary)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0xE007);
    unsigned char pixels[16] = {};
    const unsigned beyond = dev.get_bpool()->get_no_buffers();
    EXPECT_EQ(dev.copy_frame(beyond, KMX_FORMAT_MONO8, pixels, frame_rect, 640u), 0);
    EXPECT_EQ(dev.copy_roi(beyond, frame_rect, KMX_FORMAT_MONO8, pixels, frame_rect, 640u), 0);
    EXPECT_TRUE(recorded_calls().empty());
}

// A closed device keeps its pool's record list until the next open, but
// those records point at freed buffers: none may reach the library.
TEST_F(Cdevice_test, CopyByIndexAfterCloseIsAnsweredWithoutTheLibrary)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0xE007);
    ASSERT_NE(dev.get_frame_info(0), nullptr);
    dev.close();
    start_recording();
    unsigned char pixels[16] = {};
    EXPECT_EQ(dev.get_frame_info(0), nullptr);
    EXPECT_EQ(dev.copy_frame(0u, KMX_FORMAT_MONO8, pixels, frame_rect, 640u), 0);
    EXPECT_EQ(dev.copy_roi(0u, frame_rect, KMX_FORMAT_MONO8, pixels, frame_rect, 640u), 0);
    EXPECT_TRUE(recorded_calls().empty());
}

TEST_F(Cdevice_test, CopyByIndexHandsThePoolRecordToTheLibrary)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0xE007);
    Cfw_image* target = dev.get_buffer(0);
    auto* pixels = static_cast<unsigned char*>(target->get_bp());
    const int status = dev.copy_frame(1u, KMX_FORMAT_MONO8, pixels, frame_rect, 640u);
    const auto calls = recorded_calls(KMXSIM_FN_COPY_FRAME);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].status, status);
    EXPECT_EQ(calls[0].handle, dev.get_camera_handle());
    EXPECT_EQ(calls[0].args[0], reinterpret_cast<uintptr_t>(dev.get_frame_info(1)));
    EXPECT_EQ(calls[0].args[1], unsigned(KMX_FORMAT_MONO8));
    EXPECT_EQ(calls[0].args[2], reinterpret_cast<uintptr_t>(pixels));
    EXPECT_EQ(calls[0].args[5], 640u);
    EXPECT_EQ(calls[0].args[7], 640u);

    const RECT source = {10, 20, 30, 40};
    dev.copy_roi(1u, source, KMX_FORMAT_MONO8, pixels, frame_rect, 640u);
    const auto rois = recorded_calls(KMXSIM_FN_COPY_ROI);
    ASSERT_EQ(rois.size(), 1u);
    EXPECT_EQ(rois[0].args[0], reinterpret_cast<uintptr_t>(dev.get_frame_info(1)));
    EXPECT_EQ(rois[0].args[1], 10u);
    EXPECT_EQ(rois[0].args[4], 40u);
    EXPECT_EQ(rois[0].args[5], unsigned(KMX_FORMAT_MONO8));
}

TEST_F(Cdevice_test, CopyFromEmptyFrameListIsRefusedWithoutTheLibrary)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0xE007);
    Cframe_info empty;
    unsigned char pixels[16] = {};
    EXPECT_EQ(dev.copy_frame(empty, KMX_FORMAT_MONO8, pixels, frame_rect, 640u),
              KMX_ERR_BAD_ARGUMENT);
    EXPECT_EQ(dev.copy_frame(empty, *dev.get_buffer(0)), KMX_ERR_BAD_ARGUMENT);
    // A list of no records is just as empty.
    Cframe_info none;
    none.create(0u);
    EXPECT_EQ(dev.copy_frame(none, *dev.get_buffer(0)), KMX_ERR_BAD_ARGUMENT);
    EXPECT_TRUE(recorded_calls().empty());
}

TEST_F(Cdevice_test, CopyIntoImageWithoutPixelsIsRefusedWithoutTheLibrary)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0xE007);
    Cframe_info frames;
    frames.create(*dev.get_buffer(0));
    Cfw_image blank;
    EXPECT_EQ(dev.copy_frame(frames, blank), KMX_ERR_BAD_ARGUMENT);
    EXPECT_TRUE(recorded_calls().empty());
}

TEST_F(Cdevice_test, CopyIntoImageUsesTheImagesOwnLayout)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0xE007);
    Cframe_info frames;
    frames.create(*dev.get_buffer(0));
    Cfw_image image;
    ASSERT_EQ(image.create_image(0, 1, 8, 0, 100, 50), 1);
    dev.copy_frame(frames, image);
    const auto calls = recorded_calls(KMXSIM_FN_COPY_FRAME);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args[0], reinterpret_cast<uintptr_t>(frames.get_frame_info()));
    EXPECT_EQ(calls[0].args[1], image.get_format());
    EXPECT_EQ(calls[0].args[2], reinterpret_cast<uintptr_t>(image.get_bp()));
    const RECT r = image.get_image_rect();
    EXPECT_EQ(calls[0].args[5], static_cast<uint64_t>(static_cast<uint32_t>(r.right)));
    EXPECT_EQ(calls[0].args[6], static_cast<uint64_t>(static_cast<uint32_t>(r.bottom)));
    EXPECT_EQ(calls[0].args[7], image.get_rowbytes());
}

TEST_F(Cdevice_test, ProductPrefixIsTheProductDescription)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0xE007);
    char desc[64] = {};
    char prefix[64] = {};
    char vendor[64] = {};
    EXPECT_EQ(dev.camera_product_desc(desc, sizeof desc), 0);
    EXPECT_EQ(dev.camera_product_prefix(prefix, sizeof prefix), 0);
    EXPECT_EQ(dev.camera_vendor_desc(vendor, sizeof vendor), 0);
    EXPECT_STREQ(desc, "KMX-M640 monochrome");
    EXPECT_STREQ(prefix, desc);
    EXPECT_STREQ(vendor, "Kinemetrix Imaging");
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_CAMERA_PRODUCT_DESC), 2u);
}

TEST_F(Cdevice_test, ConversionsPassDoublesAndIndexesTheRightWay)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0xE007);
    double gain = 0.0;
    ASSERT_EQ(dev.index_to_gain(281, &gain), 0);
    unsigned index = 0;
    ASSERT_EQ(dev.gain_to_index(gain, &index), 0);
    EXPECT_EQ(index, 281u);
    const auto to_index = recorded_calls(KMXSIM_FN_GAIN_TO_INDEX);
    ASSERT_EQ(to_index.size(), 1u);
    EXPECT_DOUBLE_EQ(to_index[0].fvalue, gain);

    unsigned exposure = 0;
    ASSERT_EQ(dev.index_to_exp(128, &exposure), 0);
    ASSERT_EQ(dev.exp_to_index(exposure, &index), 0);
    EXPECT_EQ(index, 128u);

    // Statuses come back unchanged, busy and failure codes included.
    kmxsim_fail(KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_FRAME_FAILED_16, 1, 0);
    EXPECT_EQ(dev.check_for_complete(), KMX_FRAME_FAILED_16);
}

TEST_F(Cdevice_test, ClosedDeviceHandsTheNullHandleOn)
{
    Cdevice closed;
    start_recording();
    unsigned value = 0;
    EXPECT_NE(closed.get_param(KMX_PARAM_GAIN, &value), 0);
    EXPECT_NE(closed.start_frame_index(0ul), 0);
    const auto calls = recorded_calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].handle, nullptr);
    EXPECT_EQ(calls[1].handle, nullptr);
}

int count_progress(void*, uintptr_t user)
{
    ++*reinterpret_cast<unsigned*>(user);
    return 0;  // end at once
}

TEST_F(Cdevice_test, AutomaticProcedureCarriesAPointerSizedUserValue)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0xE007);
    unsigned progress_calls = 0;
    const auto user = reinterpret_cast<uintptr_t>(&progress_calls);
    dev.auto_gain_index(0, count_progress, user, 0, 1023);
    const auto calls = recorded_calls(KMXSIM_FN_AUTO_GAIN_INDEX);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args[0], 0u);
    EXPECT_EQ(calls[0].args[2], static_cast<uint64_t>(user));
    EXPECT_EQ(calls[0].args[3], 0u);
    EXPECT_EQ(calls[0].args[4], 1023u);
}

TEST_F(Cdevice_test, WordArgumentsTooWideForTheLibraryAreRefused)
{
    if (sizeof(unsigned long) <= sizeof(unsigned))
        GTEST_SKIP() << "unsigned long is 32 bits here";
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0xE007);
    const unsigned long wide = static_cast<unsigned long>(UINT32_MAX) + 1;
    EXPECT_EQ(dev.start_frame_index(wide), KMX_ERR_BAD_ARGUMENT);
    EXPECT_EQ(dev.setup_camera(wide), KMX_ERR_BAD_ARGUMENT);
    EXPECT_EQ(dev.assign_buffers(dev.get_frame_info(0), wide + 2), KMX_ERR_BAD_ARGUMENT);
    EXPECT_TRUE(recorded_calls().empty());
}

} // namespace
} // namespace device_test
