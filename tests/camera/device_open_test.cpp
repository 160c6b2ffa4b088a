// SPDX-License-Identifier: Apache-2.0
// Opening a camera: identity and geometry, the pool at the largest layout,
// clean-up after every failing step, closing, reopening and copies.
#include <climits>

#include "device_fixture.h"

namespace device_test {
namespace {

using kmx_test::recorded_calls;
using kmx_test::recorded_functions;

constexpr unsigned mono_preset_caps = 0xE007;

size_t closes() { return kmxsim_count_calls(KMXSIM_FN_CLOSE); }

// A camera the simulator can no longer open means a device kept it open.
void expect_camera_free(unsigned id)
{
    Cdevice other;
    EXPECT_EQ(other.open(id, 0), 0);
}

// Reports a different full size than the camera has, to reach layouts the
// simulator refuses to describe.
class Cbig_device : public Cdevice {
public:
    Cbig_device(unsigned w, unsigned h) : reported_width(w), reported_height(h) {}
    int get_info(unsigned key, unsigned* value) const override
    {
        const int status = Cdevice::get_info(key, value);
        if (key == KMX_INFO_MAX_WIDTH)
            *value = reported_width;
        if (key == KMX_INFO_MAX_HEIGHT)
            *value = reported_height;
        return status;
    }
    unsigned reported_width;
    unsigned reported_height;
};

// Chooses a format the pool cannot take in the final reshape.
class Cwrong_format_device : public Cdevice {
public:
    unsigned get_format(unsigned, const Ccam_settings&) const override
    {
        return KMX_FORMAT_MONO10;
    }
};

TEST_F(Cdevice_test, OpenReadsIdentityAndGeometryOfTheMonoPreset)
{
    ASSERT_EQ(device.open(mono_camera_id, 0), 0);
    EXPECT_NE(device.get_camera_handle(), nullptr);
    EXPECT_EQ(device.get_camera_id(), mono_camera_id);
    EXPECT_EQ(device.get_camera_index(), 0u);
    EXPECT_EQ(device.get_serial_no(), 1001u);
    EXPECT_EQ(device.get_camera_caps(), mono_preset_caps);
    EXPECT_EQ(device.get_max_width(), 640u);
    EXPECT_EQ(device.get_max_height(), 480u);
    EXPECT_EQ(device.get_bin_width(), 320u);
    EXPECT_EQ(device.get_bin_height(), 240u);
    EXPECT_EQ(device.get_preview_width(), 320u);
    EXPECT_EQ(device.get_preview_height(), 240u);
    // The defaults select normal readout and 8-bit components.
    EXPECT_EQ(device.readout_mode, unsigned(KMX_READOUT_NORMAL));
    EXPECT_EQ(device.get_width(), 640u);
    EXPECT_EQ(device.get_height(), 480u);
    EXPECT_EQ(device.iformat.get_format(), unsigned(KMX_FORMAT_MONO8));
    EXPECT_EQ(pool_format(device), unsigned(KMX_FORMAT_MONO8));
    EXPECT_EQ(device.get_bpool()->get_no_buffers(), 2u);
}

TEST_F(Cdevice_test, CapabilityWordDecidesTypeDepthsAndPoolLayout)
{
    struct Ccase {
        kmxsim_preset preset;
        unsigned caps;
        unsigned type, depths, max_depth, components, component_bytes, opened_format;
    };
    const Ccase cases[] = {
        {KMXSIM_PRESET_MONO, 0x0006, 0, 7, 12, 1, 2, KMX_FORMAT_MONO8},
        {KMXSIM_PRESET_COLOR, 0x0102, 1, 3, 10, 4, 2, KMX_FORMAT_RGB24},
        {KMXSIM_PRESET_MONO, 0x0000, 0, 1, 8, 1, 1, KMX_FORMAT_MONO8},
        {KMXSIM_PRESET_COLOR, 0x0104, 1, 5, 12, 4, 2, KMX_FORMAT_RGB24},
        {KMXSIM_PRESET_COLOR, 0x0100, 1, 1, 8, 4, 1, KMX_FORMAT_RGB24},
    };
    for (const Ccase& c : cases) {
        SCOPED_TRACE(testing::Message() << "caps 0x" << std::hex << c.caps);
        configure(c.preset, c.caps);
        Cdevice_probe dev;
        ASSERT_EQ(dev.open(c.preset == KMXSIM_PRESET_COLOR ? colour_camera_id : mono_camera_id, 0), 0);
        EXPECT_EQ(dev.get_camera_type(), c.type);
        EXPECT_EQ(dev.get_image_mode(), c.type);
        EXPECT_EQ(dev.get_camera_depths(), c.depths);
        EXPECT_EQ(dev.get_max_depth(), c.max_depth);
        // Buffers are made at full size and the deepest depth.
        const unsigned pixels = dev.get_max_width() * dev.get_max_height();
        EXPECT_EQ(pool_bsize(dev), pixels * c.components * c.component_bytes);
        EXPECT_EQ(dev.iformat.get_format(), c.opened_format);
        EXPECT_EQ(pool_format(dev), c.opened_format);
    }
}

TEST_F(Cdevice_test, OddFullSizeHalvesDownForBinning)
{
    configure(KMXSIM_PRESET_MONO, mono_preset_caps, 7, 5);
    ASSERT_EQ(device.open(mono_camera_id, 0), 0);
    EXPECT_EQ(device.get_bin_width(), 3u);
    EXPECT_EQ(device.get_bin_height(), 2u);
}

TEST_F(Cdevice_test, BufferCountDefaultsToTwo)
{
    ASSERT_EQ(device.open(mono_camera_id, 0, 0), 0);
    EXPECT_EQ(device.get_bpool()->get_no_buffers(), 2u);
    Cdevice three;
    ASSERT_EQ(three.open(colour_camera_id, 0, 3), 0);
    EXPECT_EQ(three.get_bpool()->get_no_buffers(), 3u);
    EXPECT_NE(three.get_frame_info(2), nullptr);
    EXPECT_EQ(three.get_frame_info(3), nullptr);
    EXPECT_EQ(three.get_buffer(3), nullptr);
}

// An absurd count reaches the pool through the open: refused, nothing
// allocated, nothing thrown, and the camera free again.
TEST_F(Cdevice_test, AbsurdBufferCountFailsTheOpenAndClosesTheCamera)
{
    for (unsigned count : {kmx_pool_max_buffers + 1, 0x40000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(count);
        start_recording();
        EXPECT_EQ(device.open(mono_camera_id, 0, count), 1);
        EXPECT_EQ(closes(), 1u);
        EXPECT_EQ(device.get_camera_handle(), nullptr);
        EXPECT_EQ(device.get_bpool()->get_no_buffers(), 0u);
        expect_camera_free(mono_camera_id);
    }
}

TEST_F(Cdevice_test, OpenLeavesFormatUnsetWhileOpenAnyRecordsIt)
{
    ASSERT_EQ(device.open(mono_camera_id, 0), 0);
    EXPECT_EQ(device.format, unsigned(KMX_FORMAT_NONE));
    EXPECT_EQ(device.iformat.get_format(), unsigned(KMX_FORMAT_MONO8));

    Cdevice_probe any;
    unsigned id = 0, index = 0;
    ASSERT_EQ(any.open_any(id, index), 0);
    // The mono camera is taken, so the search moves on to the colour one.
    EXPECT_EQ(id, colour_camera_id);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(any.get_camera_id(), colour_camera_id);
    EXPECT_EQ(any.format, unsigned(KMX_FORMAT_RGB24));
    EXPECT_EQ(any.iformat.get_format(), unsigned(KMX_FORMAT_RGB24));
    EXPECT_EQ(pool_format(any), unsigned(KMX_FORMAT_RGB24));
}

TEST_F(Cdevice_test, RefusedOpenAnyLeavesCallerWordsAlone)
{
    kmxsim_fail(KMXSIM_FN_OPEN_ANY, KMX_ERR_INJECTED, 1, 0);
    unsigned id = 7, index = 9;
    EXPECT_EQ(device.open_any(id, index), 1);
    EXPECT_EQ(id, 7u);
    EXPECT_EQ(index, 9u);
    EXPECT_EQ(device.get_camera_handle(), nullptr);
}

TEST_F(Cdevice_test, WithoutLibraryInstanceOpenFailsWithoutLibraryCall)
{
    library.close();
    start_recording();
    EXPECT_EQ(device.open(mono_camera_id, 0), 1);
    unsigned id = 0, index = 0;
    EXPECT_EQ(device.open_any(id, index), 1);
    EXPECT_TRUE(recorded_calls().empty());
    EXPECT_EQ(device.get_camera_handle(), nullptr);
}

TEST_F(Cdevice_test, RefusedOpenReadsNothingAndClosesNothing)
{
    kmxsim_fail(KMXSIM_FN_OPEN, KMX_ERR_INJECTED, 1, 0);
    start_recording();
    EXPECT_EQ(device.open(mono_camera_id, 0), 1);
    EXPECT_EQ(recorded_functions(), std::vector<kmxsim_fn>{KMXSIM_FN_OPEN});
    EXPECT_EQ(device.get_camera_handle(), nullptr);
    EXPECT_EQ(device.get_serial_no(), 0u);
}

TEST_F(Cdevice_test, RefusedAssignmentClosesPoolAndCamera)
{
    kmxsim_fail(KMXSIM_FN_ASSIGN_BUFFERS, KMX_ERR_INJECTED, 1, 0);
    start_recording();
    EXPECT_EQ(device.open(mono_camera_id, 0), 1);
    EXPECT_EQ(closes(), 1u);
    EXPECT_EQ(device.get_camera_handle(), nullptr);
    EXPECT_EQ(device.get_bpool()->get_no_buffers(), 0u);
    // What was read before the failure stays.
    EXPECT_EQ(device.get_serial_no(), 1001u);
    expect_camera_free(mono_camera_id);
}

TEST_F(Cdevice_test, LayoutBeyondThirtyTwoBitsClosesCamera)
{
    // 65536 x 65536 pixels of four 2-byte components wrap 32 bits; a side
    // above INT_MAX cannot even be given to the pool.
    const unsigned sizes[][2] = {{65536, 65536}, {0x80000000u, 2}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size[0]);
        Cbig_device big(size[0], size[1]);
        start_recording();
        EXPECT_EQ(big.open(colour_camera_id, 0), 1);
        EXPECT_EQ(closes(), 1u);
        EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_ASSIGN_BUFFERS), 0u);
        EXPECT_EQ(big.get_camera_handle(), nullptr);
        EXPECT_EQ(big.get_bpool()->get_no_buffers(), 0u);
        EXPECT_EQ(big.get_max_width(), size[0]);
    }
    expect_camera_free(colour_camera_id);
}

TEST_F(Cdevice_test, FinalReshapeFailureClosesPoolAndCamera)
{
    configure(KMXSIM_PRESET_MONO, 0x0001);  // 8-bit only: no room for 10-bit pixels
    Cwrong_format_device dev;
    start_recording();
    EXPECT_EQ(dev.open(mono_camera_id, 0), 1);
    EXPECT_EQ(closes(), 1u);
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_RELEASE_BUFFERS), 1u);
    EXPECT_EQ(dev.get_camera_handle(), nullptr);
    EXPECT_EQ(dev.get_bpool()->get_no_buffers(), 0u);
    expect_camera_free(mono_camera_id);
}

TEST_F(Cdevice_test, CloseKeepsGeometryAndClosesOnlyOnce)
{
    ASSERT_EQ(device.open(colour_camera_id, 0), 0);
    device.set_bin_mode();
    start_recording();
    device.close();
    EXPECT_EQ(recorded_functions(),
              (std::vector<kmxsim_fn>{KMXSIM_FN_RELEASE_BUFFERS, KMXSIM_FN_CLOSE}));
    EXPECT_EQ(device.get_camera_handle(), nullptr);
    EXPECT_EQ(device.get_width(), 640u);
    EXPECT_EQ(device.get_height(), 512u);
    EXPECT_EQ(device.get_max_width(), 1280u);
    EXPECT_EQ(device.get_serial_no(), 2001u);
    EXPECT_EQ(device.get_camera_type(), 1u);

    kmxsim_clear_calls();
    device.close();
    EXPECT_TRUE(recorded_calls().empty());
}

TEST_F(Cdevice_test, OpeningAnOpenDeviceClosesItsCameraFirst)
{
    ASSERT_EQ(device.open(mono_camera_id, 0), 0);
    start_recording();
    // Without the close the simulator would answer that the camera is in use.
    ASSERT_EQ(device.open(mono_camera_id, 0), 0);
    const auto fns = recorded_functions();
    ASSERT_GE(fns.size(), 3u);
    EXPECT_EQ(fns[0], KMXSIM_FN_RELEASE_BUFFERS);
    EXPECT_EQ(fns[1], KMXSIM_FN_CLOSE);
    EXPECT_EQ(fns[2], KMXSIM_FN_OPEN);

    unsigned id = mono_camera_id, index = 0;
    ASSERT_EQ(device.open_any(id, index), 0);
    EXPECT_EQ(id, mono_camera_id);
    EXPECT_EQ(closes(), 2u);
}

TEST_F(Cdevice_test, CopyOfOpenDeviceIsClosedWithTheSameDescription)
{
    ASSERT_EQ(device.open(mono_camera_id, 0), 0);
    device.set_preview_mode();
    start_recording();
    {
        Cdevice_probe copy(device);
        EXPECT_EQ(copy.get_camera_handle(), nullptr);
        EXPECT_EQ(copy.get_bpool()->get_no_buffers(), 0u);
        EXPECT_EQ(copy.get_serial_no(), 1001u);
        EXPECT_EQ(copy.get_width(), 320u);
        EXPECT_EQ(copy.readout_mode, unsigned(KMX_READOUT_PREVIEW));
        EXPECT_EQ(copy.iformat.get_format(), unsigned(KMX_FORMAT_MONO8));
        EXPECT_EQ(copy.get_camera_depths(), device.get_camera_depths());
    }
    // The copy's end touched neither the camera nor the source's buffers.
    EXPECT_TRUE(recorded_calls().empty());
    EXPECT_NE(device.get_camera_handle(), nullptr);
    EXPECT_EQ(device.get_bpool()->get_no_buffers(), 2u);

    // A copy can be opened on its own once the camera is free.
    Cdevice copy(device);
    device.close();
    EXPECT_EQ(copy.open(mono_camera_id, 0), 0);
    EXPECT_EQ(closes(), 1u);
}

TEST_F(Cdevice_test, AssigningIntoOpenDeviceClosesItsCamera)
{
    ASSERT_EQ(device.open(mono_camera_id, 0), 0);
    Cdevice_probe colour;
    ASSERT_EQ(colour.open(colour_camera_id, 0), 0);
    start_recording();
    device = colour;
    EXPECT_EQ(closes(), 1u);
    EXPECT_EQ(device.get_camera_handle(), nullptr);
    EXPECT_EQ(device.get_camera_type(), 1u);
    EXPECT_EQ(device.get_max_width(), 1280u);
    expect_camera_free(mono_camera_id);

    // Self-assignment keeps the camera.
    Cdevice_probe& same = colour;
    colour = same;
    EXPECT_NE(colour.get_camera_handle(), nullptr);
    colour.close();
    EXPECT_EQ(closes(), 3u);  // mono (assignment), mono (probe), colour
}

} // namespace
} // namespace device_test
