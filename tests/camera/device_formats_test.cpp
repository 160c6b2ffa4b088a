// SPDX-License-Identifier: Apache-2.0
// Formats and readout modes: what the camera can deliver, what reaches the
// camera and when the pool is reshaped; writing a whole settings record.
#include <algorithm>
#include <utility>

#include "device_fixture.h"

namespace device_test {
namespace {

using kmx_test::recorded_calls;
using kmx_test::recorded_functions;
using kmx_test::recorded_param_writes;
using Cwrites = std::vector<std::pair<unsigned, unsigned>>;

// The next call of fn is refused.
void refuse_next(kmxsim_fn fn) { kmxsim_fail(fn, KMX_ERR_INJECTED, 1, 0); }

// Reports a component depth the settings record itself never produces.
class Cdepth_settings : public Ccam_settings {
public:
    explicit Cdepth_settings(unsigned d) : depth(d) {}
    unsigned get_component_depth() const override { return depth; }
    unsigned depth;
};

TEST_F(Cdevice_test, FormatFollowsImageModeAndComponentDepth)
{
    const struct {
        unsigned mode, depth, expected;
    } cases[] = {
        {1, 10, KMX_FORMAT_RGB30}, {0, 12, KMX_FORMAT_MONO12},
        {2, 8, KMX_FORMAT_MONO8},  {1, 9, KMX_FORMAT_NONE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " depth " << c.depth);
        EXPECT_EQ(device.get_format(c.mode, Cdepth_settings(c.depth)), c.expected);
    }
}

TEST_F(Cdevice_test, CameraAcceptsOnlyFormatsOfItsTypeAndDepths)
{
    const unsigned codes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, KMX_FORMAT_NONE};
    const struct {
        kmxsim_preset preset;
        unsigned caps;
        std::vector<unsigned> accepted;
    } cameras[] = {
        {KMXSIM_PRESET_MONO, 0x0001, {2}},
        {KMXSIM_PRESET_MONO, 0x0006, {2, 3, 10}},
        {KMXSIM_PRESET_MONO, 0x0004, {2, 10}},
        {KMXSIM_PRESET_COLOR, 0x0100, {4, 6, 7, 8}},
        {KMXSIM_PRESET_COLOR, 0x0102, {4, 5, 6, 7, 8}},
        {KMXSIM_PRESET_COLOR, 0x0106, {4, 5, 6, 7, 8, 11}},
    };
    for (const auto& cam : cameras) {
        configure(cam.preset, cam.caps);
        Cdevice_probe dev;
        ASSERT_EQ(dev.open(cam.preset == KMXSIM_PRESET_COLOR ? colour_camera_id : mono_camera_id, 0), 0);
        for (unsigned code : codes) {
            SCOPED_TRACE(testing::Message() << "caps 0x" << std::hex << cam.caps << " code "
                                            << std::dec << code);
            const bool expected = std::find(cam.accepted.begin(), cam.accepted.end(), code) !=
                                  cam.accepted.end();
            EXPECT_EQ(dev.validate(code), expected);
        }
    }
}

TEST_F(Cdevice_test, SetFormatRefusesWhatTheCameraCannotDeliverWithoutSendingAnything)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0x0001);
    EXPECT_FALSE(dev.set_format(KMX_FORMAT_MONO10));
    EXPECT_FALSE(dev.set_format(9));
    EXPECT_FALSE(dev.set_format(KMX_FORMAT_RGB24));
    // No format set yet: asking for none is asking for the one held.
    EXPECT_TRUE(dev.set_format(KMX_FORMAT_NONE));
    EXPECT_TRUE(recorded_calls().empty());
    EXPECT_EQ(dev.format, unsigned(KMX_FORMAT_NONE));
    EXPECT_EQ(dev.iformat.get_format(), unsigned(KMX_FORMAT_MONO8));
    EXPECT_EQ(pool_format(dev), unsigned(KMX_FORMAT_MONO8));
}

TEST_F(Cdevice_test, SetFormatSendsTheCodeAndReshapesBuffersInPlace)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0x0006);
    void* first = dev.get_buffer(0)->get_bp();
    ASSERT_TRUE(dev.set_format(KMX_FORMAT_MONO10));
    EXPECT_EQ(recorded_param_writes(), (Cwrites{{KMX_PARAM_FORMAT, KMX_FORMAT_MONO10}}));
    EXPECT_EQ(recorded_calls().size(), 1u);
    EXPECT_EQ(dev.format, unsigned(KMX_FORMAT_MONO10));
    EXPECT_EQ(dev.iformat.get_format(), unsigned(KMX_FORMAT_MONO10));
    EXPECT_EQ(pool_format(dev), unsigned(KMX_FORMAT_MONO10));
    EXPECT_EQ(dev.get_buffer(0)->get_bp(), first);
    EXPECT_EQ(dev.get_buffer(0)->get_size(), 640u * 480u * 2u);

    // The code already held is answered at once.
    kmxsim_clear_calls();
    EXPECT_TRUE(dev.set_format(KMX_FORMAT_MONO10));
    EXPECT_TRUE(recorded_calls().empty());
}

TEST_F(Cdevice_test, ColourCameraTakesColourFormatsOnly)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_COLOR, 0x0102);
    EXPECT_FALSE(dev.set_format(KMX_FORMAT_MONO8));
    EXPECT_TRUE(dev.set_format(KMX_FORMAT_BGR32));
    EXPECT_EQ(pool_format(dev), unsigned(KMX_FORMAT_BGR32));
}

TEST_F(Cdevice_test, PropertyFormFailsForDepthTheCameraLacksAndKeepsTheDescription)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_COLOR, 0x0102);
    ASSERT_TRUE(dev.set_format(KMX_FORMAT_RGB24));
    kmxsim_clear_calls();
    EXPECT_FALSE(dev.set_format(1, 3, 12, 0));
    EXPECT_EQ(dev.format, unsigned(KMX_FORMAT_RGB24));
    // iformat keeps describing the buffers the device really has.
    EXPECT_EQ(dev.iformat.get_format(), unsigned(KMX_FORMAT_RGB24));
    EXPECT_TRUE(recorded_calls().empty());

    EXPECT_TRUE(dev.set_format(1, 3, 10, 0));
    EXPECT_EQ(dev.format, unsigned(KMX_FORMAT_RGB30));
    EXPECT_EQ(pool_format(dev), unsigned(KMX_FORMAT_RGB30));
    EXPECT_FALSE(dev.set_format(1, 3, 9, 0));
}

TEST_F(Cdevice_test, FailedFormatChangeIsNotLaterReportedAsHeld)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0x0006);
    dev.close();
    // No buffers to reshape: refused, and refused again.
    EXPECT_FALSE(dev.set_format(KMX_FORMAT_MONO10));
    EXPECT_FALSE(dev.set_format(KMX_FORMAT_MONO10));
}

// The device never answers "already held" for a format the camera may not
// have: after a format written behind it, or a refused write or set-up, the
// next set_format writes the format, and an inversion the camera lost,
// again. Each case starts from MONO8 held and inversion 1 asked.
TEST_F(Cdevice_test, SetFormatSendsAgainWhatTheCameraMayHaveLost)
{
    const struct {
        const char* what;
        void (*disturb)(Cdevice&);
        Cwrites expected;
    } cases[] = {
        {"nothing happened", [](Cdevice&) {}, {}},
        {"deep format written and put back",
         [](Cdevice& d) {
             d.set_param(KMX_PARAM_FORMAT, KMX_FORMAT_MONO12);
             d.set_param(KMX_PARAM_FORMAT, KMX_FORMAT_MONO8);
         },
         {}},
        {"deep format left behind",
         [](Cdevice& d) { d.set_param(KMX_PARAM_FORMAT, KMX_FORMAT_MONO12); },
         {{KMX_PARAM_FORMAT, KMX_FORMAT_MONO8}}},
        {"format put back but refused",
         [](Cdevice& d) {
             d.set_param(KMX_PARAM_FORMAT, KMX_FORMAT_MONO12);
             refuse_next(KMXSIM_FN_SET_PARAM);
             d.set_param(KMX_PARAM_FORMAT, KMX_FORMAT_MONO8);
         },
         {{KMX_PARAM_FORMAT, KMX_FORMAT_MONO8}}},
        {"inversion put back but refused",
         [](Cdevice& d) {
             d.set_param(KMX_PARAM_INVERT, 0);
             refuse_next(KMXSIM_FN_SET_PARAM);
             d.set_param(KMX_PARAM_INVERT, 1);
         },
         {{KMX_PARAM_INVERT, 1}}},
        {"set-up refused",
         [](Cdevice& d) {
             refuse_next(KMXSIM_FN_SETUP_CAMERA);
             d.setup_camera(0);
         },
         {{KMX_PARAM_FORMAT, KMX_FORMAT_MONO8}, {KMX_PARAM_INVERT, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0x0006);
        ASSERT_TRUE(dev.set_format(KMX_FORMAT_MONO8));
        ASSERT_EQ(dev.set_param(KMX_PARAM_INVERT, 1), KMX_OK);
        c.disturb(dev);
        kmxsim_clear_faults();
        kmxsim_clear_calls();

        EXPECT_TRUE(dev.set_format(KMX_FORMAT_MONO8));
        EXPECT_EQ(recorded_param_writes(), c.expected);
        kmxsim_clear_calls();
        EXPECT_TRUE(dev.set_format(0, 1, 8, 0)) << "held now";
        EXPECT_TRUE(recorded_calls().empty());
        dev.close();
    }
}

TEST_F(Cdevice_test, RefusedFormatWriteKeepsTheLayoutAndIsSentAgain)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0x0006);
    ASSERT_TRUE(dev.set_format(KMX_FORMAT_MONO8));
    kmxsim_fail(KMXSIM_FN_SET_PARAM, KMX_ERR_INJECTED, 1, 0);

    EXPECT_FALSE(dev.set_format(KMX_FORMAT_MONO12));
    EXPECT_EQ(dev.format, unsigned(KMX_FORMAT_MONO8));
    EXPECT_EQ(dev.iformat.get_format(), unsigned(KMX_FORMAT_MONO8));
    EXPECT_EQ(pool_format(dev), unsigned(KMX_FORMAT_MONO8));
    kmxsim_clear_calls();
    // The camera's format is unknown now: even the old code goes out again.
    EXPECT_TRUE(dev.set_format(KMX_FORMAT_MONO8));
    EXPECT_EQ(recorded_param_writes(), (Cwrites{{KMX_PARAM_FORMAT, KMX_FORMAT_MONO8}}));
    EXPECT_TRUE(dev.set_format(KMX_FORMAT_MONO12));
    EXPECT_EQ(pool_format(dev), unsigned(KMX_FORMAT_MONO12));
}

TEST_F(Cdevice_test, ReopenedDeviceSendsTheFormatAgain)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0x0006);
    ASSERT_TRUE(dev.set_format(KMX_FORMAT_MONO12));
    dev.close();
    ASSERT_EQ(dev.open(mono_camera_id, 0), 0);
    EXPECT_EQ(pool_format(dev), unsigned(KMX_FORMAT_MONO8));
    kmxsim_clear_calls();
    ASSERT_TRUE(dev.set_format(KMX_FORMAT_MONO12));
    EXPECT_EQ(recorded_param_writes(), (Cwrites{{KMX_PARAM_FORMAT, KMX_FORMAT_MONO12}}));
    EXPECT_EQ(pool_format(dev), unsigned(KMX_FORMAT_MONO12));
}

TEST_F(Cdevice_test, ModeSwitchWritesBothParametersEveryTimeAndResizesOnlyOnChange)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0xE007);
    dev.set_bin_mode();
    EXPECT_EQ(recorded_param_writes(), (Cwrites{{KMX_PARAM_PREVIEW, 0}, {KMX_PARAM_BIN, 1}}));
    EXPECT_EQ(dev.get_width(), 320u);
    EXPECT_EQ(dev.get_height(), 240u);
    EXPECT_EQ(dev.get_buffer(0)->get_width(), 320u);

    // A pool resized behind the device's back shows whether it resizes.
    dev.get_bpool()->resize(16, 16);
    kmxsim_clear_calls();
    dev.set_bin_mode();
    EXPECT_EQ(recorded_param_writes(), (Cwrites{{KMX_PARAM_PREVIEW, 0}, {KMX_PARAM_BIN, 1}}));
    EXPECT_EQ(dev.get_buffer(0)->get_width(), 16u);

    dev.set_normal_mode();
    EXPECT_EQ(dev.get_buffer(0)->get_width(), 640u);
    dev.get_bpool()->resize(16, 16);
    kmxsim_clear_calls();
    dev.set_normal_mode();
    EXPECT_EQ(recorded_param_writes(), (Cwrites{{KMX_PARAM_PREVIEW, 0}, {KMX_PARAM_BIN, 0}}));
    EXPECT_EQ(dev.get_buffer(0)->get_width(), 16u);
    EXPECT_EQ(dev.readout_mode, unsigned(KMX_READOUT_NORMAL));
    EXPECT_EQ(dev.get_width(), 640u);
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_SETUP_CAMERA), 0u);
}

TEST_F(Cdevice_test, PreviewModeUsesTheCamerasPreviewSize)
{
    configure(KMXSIM_PRESET_COLOR, 0xF107, 1000, 800);  // preview 500 x 400
    ASSERT_EQ(device.open(colour_camera_id, 0), 0);
    start_recording();
    device.set_preview_mode();
    EXPECT_EQ(recorded_param_writes(), (Cwrites{{KMX_PARAM_PREVIEW, 1}, {KMX_PARAM_BIN, 0}}));
    EXPECT_EQ(device.get_width(), 500u);
    EXPECT_EQ(device.get_height(), 400u);
    EXPECT_EQ(device.get_buffer(1)->get_width(), 500u);
    EXPECT_EQ(device.readout_mode, unsigned(KMX_READOUT_PREVIEW));
}

TEST_F(Cdevice_test, ReadoutWithoutCapabilityChangesNothing)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0x0007);
    dev.set_bin_mode();
    dev.set_preview_mode();
    EXPECT_TRUE(recorded_calls().empty());
    EXPECT_EQ(dev.get_width(), 640u);
    EXPECT_EQ(dev.get_height(), 480u);
    EXPECT_EQ(dev.readout_mode, unsigned(KMX_READOUT_NORMAL));
}

Csettings_probe distinct_settings(unsigned gamma_mode)
{
    Csettings_probe s;
    s.test_mode = 1;
    s.gain = 11;
    s.bl = 12;
    s.rate = 4;
    s.exposure = 70;  // 124 library units
    s.red_gain = 21;
    s.green_gain = 22;
    s.blue_gain = 23;
    s.red_boost = 1;
    s.blue_boost = 0;
    s.gamma_mode = gamma_mode;
    s.gamma = 1.75;
    s.contrast = 200;
    s.contrast_mode = 1;
    return s;
}

const Cwrites settings_writes(unsigned gamma_mode)
{
    return {{KMX_PARAM_PREVIEW, 0},    {KMX_PARAM_BIN, 0},
            {KMX_PARAM_TEST_MODE, 1},  {KMX_PARAM_GAIN, 11},
            {KMX_PARAM_BL, 12},        {KMX_PARAM_RATE, 4},
            {KMX_PARAM_EXPOSURE, 124}, {KMX_PARAM_RED_GAIN, 21},
            {KMX_PARAM_GREEN_GAIN, 22}, {KMX_PARAM_BLUE_GAIN, 23},
            {KMX_PARAM_RED_BOOST, 1},  {KMX_PARAM_BLUE_BOOST, 0},
            {KMX_PARAM_GAMMA_MODE, gamma_mode}, {KMX_PARAM_CONTRAST, 200},
            {KMX_PARAM_CONTRAST_MODE, 1}};
}

TEST_F(Cdevice_test, LoadSettingsWritesEveryParameterInOrderWithoutGamma)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_COLOR, 0xF107);
    EXPECT_TRUE(dev.load_settings(distinct_settings(0)));
    EXPECT_EQ(recorded_param_writes(), settings_writes(0));
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_SET_FPARAM), 0u);
    const auto fns = recorded_functions();
    ASSERT_FALSE(fns.empty());
    EXPECT_EQ(fns.back(), KMXSIM_FN_SETUP_CAMERA);
    EXPECT_EQ(kmx_test::recorded_calls(KMXSIM_FN_SETUP_CAMERA)[0].args[0], 0u);
}

TEST_F(Cdevice_test, LoadSettingsWritesGammaBetweenGammaModeAndContrast)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_COLOR, 0xF107);
    EXPECT_TRUE(dev.load_settings(distinct_settings(1)));
    EXPECT_EQ(recorded_param_writes(), settings_writes(1));
    const auto calls = recorded_calls();
    size_t gamma_at = calls.size();
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].fn == KMXSIM_FN_SET_FPARAM)
            gamma_at = i;
    ASSERT_LT(gamma_at, calls.size());
    EXPECT_EQ(calls[gamma_at].args[0], unsigned(KMX_FPARAM_GAMMA));
    EXPECT_DOUBLE_EQ(calls[gamma_at].fvalue, 1.75);
    ASSERT_GT(gamma_at, 0u);
    EXPECT_EQ(calls[gamma_at - 1].args[0], unsigned(KMX_PARAM_GAMMA_MODE));
    EXPECT_EQ(calls[gamma_at + 1].args[0], unsigned(KMX_PARAM_CONTRAST));
}

TEST_F(Cdevice_test, LoadSettingsPrefersBinningOverPreview)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0xE007);
    Csettings_probe s = distinct_settings(0);
    s.bin_mode = 1;
    s.preview_mode = 1;
    dev.load_settings(s);
    const Cwrites writes = recorded_param_writes();
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes[0], std::make_pair(unsigned(KMX_PARAM_PREVIEW), 0u));
    EXPECT_EQ(writes[1], std::make_pair(unsigned(KMX_PARAM_BIN), 1u));
    EXPECT_EQ(dev.readout_mode, unsigned(KMX_READOUT_BIN));
}

TEST_F(Cdevice_test, ExposureIndexBecomesLibraryUnitsAndSaturates)
{
    Cdevice_probe& dev = opened(KMXSIM_PRESET_MONO, 0xE007);
    const unsigned cases[][2] = {{0, 10},     {64, 100},         {128, 1000},
                                 {256, 100000}, {552, 4216965039u}, {553, 0xFFFFFFFFu},
                                 {0xFFFFFFFFu, 0xFFFFFFFFu}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        Csettings_probe s;
        s.exposure = c[0];
        kmxsim_clear_calls();
        dev.load_settings(s);
        unsigned written = 0;
        for (const auto& w : recorded_param_writes())
            if (w.first == KMX_PARAM_EXPOSURE)
                written = w.second;
        EXPECT_EQ(written, c[1]);
    }
}

TEST_F(Cdevice_test, OpenWritesTheDefaultsButNotTheFormat)
{
    start_recording();
    ASSERT_EQ(device.open(colour_camera_id, 0), 0);
    const Cwrites writes = recorded_param_writes();
    ASSERT_EQ(writes.size(), 15u);
    EXPECT_EQ(writes[0], std::make_pair(unsigned(KMX_PARAM_PREVIEW), 0u));
    EXPECT_EQ(writes[1], std::make_pair(unsigned(KMX_PARAM_BIN), 0u));
    for (const auto& w : writes)
        EXPECT_NE(w.first, unsigned(KMX_PARAM_FORMAT));
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_SETUP_CAMERA), 1u);
    // The colour preset's defaults switch gamma on.
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_SET_FPARAM), 1u);
}

} // namespace
} // namespace device_test
