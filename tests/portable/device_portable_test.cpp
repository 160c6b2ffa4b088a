// SPDX-License-Identifier: Apache-2.0
// Opening a camera on any camera library: identity, geometry, the pool,
// the formats and readout modes the capability word allows, the value
// conversions, closing and opening again.
#include <cstdlib>
#include <cstring>
#include <string>

#include "portable_fixture.h"

namespace portable_test {
namespace {

constexpr unsigned text_length = 128;

using Cdevice_portable = Cportable_test;

TEST_P(Cdevice_portable, OpenReadsIdentityAndGeometryAndBuildsThePoolAtTheLargestLayout)
{
    // The calls reached the library the environment names (this program
    // links none).
    const char* named = std::getenv(KMXLIB_ENVIRONMENT);
    ASSERT_NE(named, nullptr);
    EXPECT_NE(std::string(kmxlib_loaded_library()).find(std::string("libkmx") + named),
              std::string::npos) << kmxlib_loaded_library();
    const unsigned caps = info(KMX_INFO_CAPS);
    EXPECT_NE(device.get_camera_handle(), nullptr);
    EXPECT_EQ(device.get_camera_id(), GetParam().id);
    EXPECT_EQ(device.get_camera_index(), GetParam().index);
    EXPECT_EQ(device.get_serial_no(), info(KMX_INFO_SERIAL_NO));
    EXPECT_EQ(device.get_camera_caps(), caps);
    EXPECT_EQ(device.get_camera_type(), (caps & KMX_CAP_COLOR) ? 1u : 0u);
    const unsigned max_depth = (caps & KMX_CAP_DEPTH12) ? 12 : (caps & KMX_CAP_DEPTH10) ? 10 : 8;
    EXPECT_EQ(device.get_max_depth(), max_depth);
    EXPECT_TRUE(has_depth(8));
    EXPECT_EQ(device.get_max_width(), info(KMX_INFO_MAX_WIDTH));
    EXPECT_EQ(device.get_max_height(), info(KMX_INFO_MAX_HEIGHT));
    EXPECT_EQ(device.get_bin_width(), device.get_max_width() >> 1);
    EXPECT_EQ(device.get_bin_height(), device.get_max_height() >> 1);
    EXPECT_EQ(device.get_preview_width(), info(KMX_INFO_PREVIEW_WIDTH));
    EXPECT_EQ(device.get_preview_height(), info(KMX_INFO_PREVIEW_HEIGHT));
    // The camera's defaults select normal readout.
    EXPECT_EQ(device.readout_mode, unsigned(KMX_READOUT_NORMAL));
    EXPECT_EQ(device.get_width(), device.get_max_width());

    // Two buffers by default, each at full size and the deepest depth.
    const unsigned components = colour() ? 4 : 1;
    const unsigned component_bytes = max_depth > 8 ? 2 : 1;
    ASSERT_EQ(device.get_bpool()->get_no_buffers(), 2u);
    for (unsigned i = 0; i < 2; ++i)
        EXPECT_EQ(device.get_buffer(i)->get_bsize(),
                  device.get_max_width() * device.get_max_height() * components * component_bytes);
    EXPECT_EQ(device.get_buffer(0)->get_format(), device.iformat.get_format());
    EXPECT_EQ(device.get_frame_info(2), nullptr);

    char vendor[text_length] = {}, product[text_length] = {}, prefix[text_length] = {};
    char listed[text_length] = {};
    EXPECT_EQ(device.camera_vendor_desc(vendor, text_length), 0);
    EXPECT_EQ(device.camera_product_desc(product, text_length), 0);
    EXPECT_EQ(device.camera_product_prefix(prefix, text_length), 0);
    EXPECT_GT(std::strlen(vendor), 0u);
    EXPECT_STREQ(prefix, product);
    EXPECT_EQ(Ckmx_interface::camera_vendor_desc(GetParam().id, GetParam().index, listed,
                                                 text_length), 0);
    EXPECT_STREQ(listed, vendor);
}

TEST_P(Cdevice_portable, FormatsFollowTheCameraTypeAndDepths)
{
    struct Cformat {
        unsigned code;
        bool colour;
        unsigned depth;
    };
    const Cformat formats[] = {{KMX_FORMAT_MONO8, false, 8},  {KMX_FORMAT_MONO10, false, 10},
                               {KMX_FORMAT_MONO12, false, 12}, {KMX_FORMAT_RGB24, true, 8},
                               {KMX_FORMAT_BGR24, true, 8},    {KMX_FORMAT_RGB32, true, 8},
                               {KMX_FORMAT_BGR32, true, 8},    {KMX_FORMAT_RGB30, true, 10},
                               {KMX_FORMAT_RGB36, true, 12}};
    for (const Cformat& f : formats) {
        SCOPED_TRACE(f.code);
        const bool deliverable = f.colour == colour() && has_depth(f.depth);
        EXPECT_EQ(device.set_format(f.code), deliverable);
        if (deliverable) {
            EXPECT_EQ(device.iformat.get_format(), f.code);
            EXPECT_EQ(device.get_buffer(1)->get_format(), f.code);
        }
    }
    for (unsigned code : {0u, 1u, 9u, 12u})
        EXPECT_FALSE(device.set_format(code)) << code;
}

TEST_P(Cdevice_portable, ReadoutModesFollowTheCapabilities)
{
    const unsigned caps = device.get_camera_caps();
    device.set_bin_mode();
    EXPECT_EQ(device.get_width(), (caps & KMX_CAP_BIN) ? device.get_bin_width() : device.get_max_width());
    device.set_normal_mode();
    device.set_preview_mode();
    EXPECT_EQ(device.get_height(),
              (caps & KMX_CAP_PREVIEW) ? device.get_preview_height() : device.get_max_height());
    device.set_normal_mode();
    EXPECT_EQ(device.get_width(), device.get_max_width());
    EXPECT_EQ(device.get_height(), device.get_max_height());
}

TEST_P(Cdevice_portable, ConversionsRoundTripAcrossTheCamerasLimits)
{
    // Exposure follows the contract's rule, the same on every camera.
    for (unsigned index : {64u, 70u, 128u, 200u, 256u}) {
        unsigned value = 0, back = 0;
        ASSERT_EQ(device.index_to_exp(index, &value), 0);
        ASSERT_EQ(device.exp_to_index(value, &back), 0);
        EXPECT_EQ(back, index);
    }
    unsigned value = 0;
    EXPECT_EQ(device.index_to_exp(128, &value), 0);
    EXPECT_EQ(value, 1000u);

    struct Cconversion {
        unsigned param;
        int (Cdevice::*to_value)(unsigned, double*) const;
        int (Cdevice::*to_index)(double, unsigned*) const;
    };
    const Cconversion conversions[] = {
        {KMX_PARAM_GAIN, &Cdevice::index_to_gain, &Cdevice::gain_to_index},
        {KMX_PARAM_BL, &Cdevice::index_to_bl, &Cdevice::bl_to_index},
        {KMX_PARAM_RED_GAIN, &Cdevice::index_to_wb_gain, &Cdevice::wb_gain_to_index},
    };
    for (const Cconversion& c : conversions) {
        unsigned low = 0, high = 0;
        ASSERT_EQ(device.get_param_min(c.param, &low), 0);
        ASSERT_EQ(device.get_param_max(c.param, &high), 0);
        for (unsigned index : {low, (low + high) / 2, high}) {
            double v = 0;
            unsigned back = 0;
            ASSERT_EQ((device.*c.to_value)(index, &v), 0);
            ASSERT_EQ((device.*c.to_index)(v, &back), 0);
            EXPECT_EQ(back, index) << "parameter " << c.param;
        }
    }
}

TEST_P(Cdevice_portable, ClosedDeviceKeepsItsDescriptionAndOpensAgain)
{
    const unsigned width = device.get_max_width();
    const unsigned serial = device.get_serial_no();
    device.close();
    EXPECT_EQ(device.get_camera_handle(), nullptr);
    EXPECT_EQ(device.get_max_width(), width);
    ASSERT_EQ(device.open(GetParam().id, GetParam().index, 3), 0);
    EXPECT_EQ(device.get_bpool()->get_no_buffers(), 3u);
    EXPECT_EQ(device.get_serial_no(), serial);
    // A second device cannot take the open camera, so open_any moves on
    // (or finds none); the first device keeps it.
    Cdevice other;
    unsigned id = GetParam().id, index = GetParam().index;
    if (other.open_any(id, index) == 0) {
        EXPECT_FALSE(id == GetParam().id && index == GetParam().index);
    }
    EXPECT_NE(device.get_camera_handle(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cameras, Cdevice_portable, testing::ValuesIn(cameras_under_test()),
                         camera_name);

} // namespace
} // namespace portable_test
