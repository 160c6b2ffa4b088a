// SPDX-License-Identifier: Apache-2.0
// The settings record: a fresh record, binding a camera, the camera's
// defaults and the pixel-format operations.
#include <gtest/gtest.h>

#include <vector>

#include "kmxcore/image/iformat.h"
#include "settings_fixture.h"

namespace {

using kmx_test::recorded_calls;
using settings_test::Csettings_probe;
using settings_test::Csettings_test;
using settings_test::colour_camera_id;
using settings_test::mono_camera_id;

constexpr unsigned no_argument_check = ~0u;

// One expected library call: the function and, where it is an integer, the
// first argument after the handle (a parameter id, a key or an index).
struct expected_call {
    kmxsim_fn fn;
    unsigned first_arg;
};

void expect_calls(const std::vector<expected_call>& expected)
{
    const std::vector<kmxsim_call> calls = recorded_calls();
    ASSERT_EQ(calls.size(), expected.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "call " << i << ": " << kmxsim_fn_name(calls[i].fn));
        EXPECT_EQ(calls[i].fn, expected[i].fn);
        if (expected[i].first_arg != no_argument_check) {
            EXPECT_EQ(calls[i].args[0], expected[i].first_arg);
        }
    }
}

double gain_of(kmx_camera_t* camera, unsigned index)
{
    double value = -1.0;
    EXPECT_EQ(kmx_index_to_gain(camera, index, &value), 0);
    return value;
}

double wb_gain_of(kmx_camera_t* camera, unsigned index)
{
    double value = -1.0;
    EXPECT_EQ(kmx_index_to_wb_gain(camera, index, &value), 0);
    return value;
}

double bl_of(kmx_camera_t* camera, unsigned index)
{
    double value = -1.0;
    EXPECT_EQ(kmx_index_to_bl(camera, index, &value), 0);
    return value;
}

unsigned gamma_index_of(kmx_camera_t* camera, double gamma)
{
    unsigned index = ~0u;
    EXPECT_EQ(kmx_gamma_to_index(camera, gamma, &index), 0);
    return index;
}

// --- A fresh record --------------------------------------------------------

TEST(Ccam_settings_fresh, IsUnboundMonochrome8BitWithNoCapabilities)
{
    Csettings_probe settings;
    EXPECT_EQ(settings.get_format(), KMX_FORMAT_MONO8);
    EXPECT_EQ(settings.get_pixel_size(), 1u);
    EXPECT_FALSE(settings.deep_image());
    EXPECT_FALSE(settings.invert_image());
    EXPECT_FALSE(settings.preview_mode_allowed());
    EXPECT_FALSE(settings.bin_mode_allowed());
    EXPECT_FALSE(settings.test_mode_allowed());
    EXPECT_STREQ(settings.get_name(), "");
    EXPECT_EQ(settings.get_average_frames(), 2u);
    EXPECT_EQ(settings.camera, nullptr);
    EXPECT_EQ(settings.max_gamma_index, 64u);
    EXPECT_EQ(settings.min_gamma_index, 0u);
}

// --- Formats ---------------------------------------------------------------

TEST(Ccam_settings_format, ZeroComponentsBecomeTheUsualCountOfTheImageType)
{
    Csettings_probe settings;
    settings.image_type = 1;
    settings.no_components = 0;
    EXPECT_EQ(settings.get_format(), KMX_FORMAT_RGB24);
    EXPECT_EQ(settings.no_components, 3u);

    settings.no_components = 0;
    settings.order = 1;
    EXPECT_EQ(settings.get_format(), KMX_FORMAT_BGR24);
    EXPECT_EQ(settings.format, KMX_FORMAT_BGR24);

    settings.image_type = 0;
    settings.no_components = 0;
    EXPECT_EQ(settings.get_format(), KMX_FORMAT_MONO8);
    EXPECT_EQ(settings.no_components, 1u);
}

TEST(Ccam_settings_format, DeepColourHasTwoByteComponents)
{
    Csettings_probe settings;
    settings.image_type = 1;
    settings.no_components = 3;
    settings.depth_select = 2;
    EXPECT_EQ(settings.get_format(), KMX_FORMAT_RGB36);
    EXPECT_EQ(settings.get_component_size(), 2u);
    EXPECT_EQ(settings.get_pixel_size(), 6u);
    EXPECT_TRUE(settings.deep_image());
}

TEST(Ccam_settings_format, LayoutWithoutCodeIsStoredAsNone)
{
    Csettings_probe settings;
    settings.image_type = 1;
    settings.no_components = 3;
    settings.order = 1;
    settings.depth_select = 1; // reversed order exists only at 8 bits
    EXPECT_EQ(settings.get_format(), KMX_FORMAT_NONE);
    EXPECT_EQ(settings.format, KMX_FORMAT_NONE);
}

TEST(Ccam_settings_format, UnboundRecordTakesAnyValidCode)
{
    Csettings_probe settings;
    settings.format = 99;
    EXPECT_TRUE(settings.set_format(KMX_FORMAT_RGB30));
    EXPECT_EQ(settings.get_image_type(), 1u);
    EXPECT_EQ(settings.get_no_components(), 3u);
    EXPECT_EQ(settings.get_depth_select(), 1u);
    EXPECT_EQ(settings.format, 99u) << "only get_format writes the format field";

    EXPECT_FALSE(settings.set_format(9));
    EXPECT_EQ(settings.get_image_type(), 1u);
    EXPECT_EQ(settings.get_depth_select(), 1u);
}

TEST(Ccam_settings_format, UnboundComponentDepthMapsUnknownDepthsToEightBits)
{
    Ccam_settings settings;
    EXPECT_TRUE(settings.set_component_depth(12));
    EXPECT_EQ(settings.get_depth_select(), 2u);
    EXPECT_TRUE(settings.set_component_depth(10));
    EXPECT_EQ(settings.get_depth_select(), 1u);
    EXPECT_TRUE(settings.set_component_depth(16));
    EXPECT_EQ(settings.get_depth_select(), 0u);
}

TEST(Ccam_settings_format, SaveAndRestoreBringBackTheSameStateEveryTime)
{
    Ccam_settings settings;
    EXPECT_FALSE(settings.restore_format());

    ASSERT_TRUE(settings.set_format(KMX_FORMAT_BGR24));
    EXPECT_TRUE(settings.save_format());
    ASSERT_TRUE(settings.set_format(KMX_FORMAT_MONO12));
    EXPECT_TRUE(settings.restore_format());
    EXPECT_EQ(settings.get_format(), KMX_FORMAT_BGR24);

    ASSERT_TRUE(settings.set_format(KMX_FORMAT_RGB30));
    EXPECT_TRUE(settings.restore_format());
    EXPECT_EQ(settings.get_format(), KMX_FORMAT_BGR24);
    EXPECT_EQ(settings.get_depth_select(), 0u);
}

TEST_F(Csettings_test, BoundRecordRefusesFormatsTheCameraCannotDeliver)
{
    Csettings_probe mono = bound_to(mono_camera_id);
    EXPECT_FALSE(mono.set_format(KMX_FORMAT_RGB30));
    EXPECT_EQ(mono.get_image_type(), 0u);
    EXPECT_TRUE(mono.set_format(KMX_FORMAT_MONO12));
    EXPECT_EQ(mono.get_depth_select(), 2u);
    EXPECT_FALSE(mono.set_component_depth(16));
    EXPECT_EQ(mono.get_depth_select(), 2u);

    kmxsim_camera_desc desc = preset(KMXSIM_PRESET_COLOR);
    desc.caps &= ~static_cast<uint32_t>(KMX_CAP_DEPTH12);
    reshape(KMXSIM_PRESET_COLOR, desc);
    Csettings_probe colour = bound_to(colour_camera_id);
    EXPECT_FALSE(colour.set_component_depth(12));
    EXPECT_EQ(colour.get_depth_select(), 0u);
    EXPECT_FALSE(colour.set_format(KMX_FORMAT_MONO12));
    EXPECT_FALSE(colour.set_format(KMX_FORMAT_RGB36));
    EXPECT_EQ(colour.get_depth_select(), 0u);
    EXPECT_TRUE(colour.set_format(KMX_FORMAT_RGB30));
    EXPECT_EQ(colour.get_format(), KMX_FORMAT_RGB30);
}

TEST_F(Csettings_test, NativeFormatFollowsTheBoundCamera)
{
    Csettings_probe colour = bound_to(colour_camera_id);
    ASSERT_TRUE(colour.set_format(KMX_FORMAT_RGB36));
    EXPECT_TRUE(colour.set_native(1));
    EXPECT_EQ(colour.get_order(), 1u);
    EXPECT_EQ(colour.get_no_components(), 3u);
    EXPECT_EQ(colour.get_format(), KMX_FORMAT_BGR24);
    EXPECT_TRUE(colour.set_native(0));
    EXPECT_EQ(colour.get_format(), KMX_FORMAT_MONO8);
    EXPECT_TRUE(colour.set_native(5));
    EXPECT_EQ(colour.get_format(), KMX_FORMAT_MONO8);
}

// --- init ------------------------------------------------------------------

TEST_F(Csettings_test, InitOnMonochromeCameraReadsLimitsAndDefaults)
{
    const kmxsim_camera_desc desc = preset(KMXSIM_PRESET_MONO);
    Csettings_probe settings = bound_to(mono_camera_id);
    kmx_camera_t* camera = first_camera();

    EXPECT_EQ(settings.camera, camera);
    EXPECT_EQ(settings.flags, desc.caps);
    EXPECT_EQ(settings.get_image_type(), 0u);
    EXPECT_EQ(settings.get_no_components(), 1u);
    EXPECT_TRUE(settings.invert_image());
    EXPECT_EQ(settings.native_format, KMX_FORMAT_MONO8);
    EXPECT_EQ(settings.native_type, 0u);
    EXPECT_EQ(settings.native_order, 0u);
    EXPECT_EQ(settings.native_components, 1u);
    EXPECT_TRUE(settings.preview_mode_allowed());
    EXPECT_TRUE(settings.bin_mode_allowed());
    EXPECT_TRUE(settings.test_mode_allowed());

    EXPECT_EQ(settings.max_gain, desc.params[KMX_PARAM_GAIN].max);
    EXPECT_EQ(settings.min_gain, desc.params[KMX_PARAM_GAIN].min);
    EXPECT_EQ(settings.max_bl, desc.params[KMX_PARAM_BL].max);
    EXPECT_EQ(settings.max_exposure, desc.params[KMX_PARAM_EXPOSURE].max);
    EXPECT_EQ(settings.max_red_gain, desc.params[KMX_PARAM_RED_GAIN].max);
    EXPECT_EQ(settings.max_green_gain, desc.params[KMX_PARAM_GREEN_GAIN].max);
    EXPECT_EQ(settings.max_blue_gain, desc.params[KMX_PARAM_BLUE_GAIN].max);
    EXPECT_EQ(settings.max_contrast, desc.params[KMX_PARAM_CONTRAST].max);
    EXPECT_DOUBLE_EQ(settings.max_gamma, desc.gamma_max);
    EXPECT_DOUBLE_EQ(settings.min_gamma, desc.gamma_min);
    EXPECT_DOUBLE_EQ(settings.get_max_gain_value(), gain_of(camera, settings.max_gain));
    EXPECT_DOUBLE_EQ(settings.get_min_gain_value(), gain_of(camera, settings.min_gain));

    EXPECT_EQ(settings.get_gain(), desc.params[KMX_PARAM_GAIN].def);
    EXPECT_DOUBLE_EQ(settings.get_gain_value(), gain_of(camera, settings.get_gain()));
    EXPECT_EQ(settings.get_bl(), desc.params[KMX_PARAM_BL].def);
    EXPECT_DOUBLE_EQ(settings.get_bl_value(), bl_of(camera, settings.get_bl()));
    EXPECT_EQ(settings.get_expsoure_value(), 1000u);
    EXPECT_EQ(settings.get_exposure(), 128u);
    EXPECT_EQ(settings.get_contrast(), desc.params[KMX_PARAM_CONTRAST].def);
    EXPECT_EQ(settings.get_contrast_mode(), 0u);
    EXPECT_DOUBLE_EQ(settings.get_gamma(), desc.gamma_default);
    EXPECT_EQ(settings.get_gamma_index(), gamma_index_of(camera, desc.gamma_default));
    EXPECT_EQ(settings.get_gamma_mode(), 0u);
    EXPECT_EQ(settings.get_red_boost(), 1u);
    EXPECT_EQ(settings.get_blue_boost(), 1u);
    EXPECT_EQ(settings.get_average_opt(), 1u);
    EXPECT_EQ(settings.get_average_frames(), 2u);

    // A monochrome camera's white balance is never read: the presets stand.
    EXPECT_EQ(settings.get_red_gain(), 26u);
    EXPECT_EQ(settings.get_green_gain(), 31u);
    EXPECT_EQ(settings.get_blue_gain(), 35u);
    EXPECT_EQ(settings.get_red_gain_value(), 0.0);
}

TEST_F(Csettings_test, InitOnColourCameraReadsWhiteBalanceDefaults)
{
    const kmxsim_camera_desc desc = preset(KMXSIM_PRESET_COLOR);
    Csettings_probe settings = bound_to(colour_camera_id);
    kmx_camera_t* camera = first_camera();

    EXPECT_EQ(settings.get_image_type(), 1u);
    EXPECT_EQ(settings.get_no_components(), 3u);
    EXPECT_FALSE(settings.invert_image());
    EXPECT_EQ(settings.native_format, KMX_FORMAT_BGR24);
    EXPECT_EQ(settings.native_type, 1u);
    EXPECT_EQ(settings.native_order, 1u);
    EXPECT_EQ(settings.native_components, 3u);
    EXPECT_EQ(settings.get_gamma_mode(), 1u);
    EXPECT_EQ(settings.get_gain(), desc.params[KMX_PARAM_GAIN].def);

    EXPECT_EQ(settings.get_red_gain(), desc.params[KMX_PARAM_RED_GAIN].def);
    EXPECT_EQ(settings.get_green_gain(), desc.params[KMX_PARAM_GREEN_GAIN].def);
    EXPECT_EQ(settings.get_blue_gain(), desc.params[KMX_PARAM_BLUE_GAIN].def);
    EXPECT_DOUBLE_EQ(settings.get_red_gain_value(), wb_gain_of(camera, settings.get_red_gain()));
    EXPECT_DOUBLE_EQ(settings.get_green_gain_value(),
                     wb_gain_of(camera, settings.get_green_gain()));
    EXPECT_DOUBLE_EQ(settings.get_blue_gain_value(),
                     wb_gain_of(camera, settings.get_blue_gain()));
}

TEST_F(Csettings_test, InitAsksTheLibraryInTheDocumentedOrder)
{
    kmx_camera_t* camera = open_camera(mono_camera_id);
    const kmxsim_camera_desc desc = preset(KMXSIM_PRESET_MONO);
    start_recording();
    Ccam_settings settings;
    ASSERT_EQ(settings.init(camera), 0);

    const unsigned any = no_argument_check;
    expect_calls({
        {KMXSIM_FN_GET_INFO, KMX_INFO_CAPS},
        {KMXSIM_FN_GET_PARAM_MAX, KMX_PARAM_GAIN},
        {KMXSIM_FN_GET_PARAM_MAX, KMX_PARAM_BL},
        {KMXSIM_FN_GET_PARAM_MAX, KMX_PARAM_EXPOSURE},
        {KMXSIM_FN_GET_PARAM_MAX, KMX_PARAM_RED_GAIN},
        {KMXSIM_FN_GET_PARAM_MAX, KMX_PARAM_GREEN_GAIN},
        {KMXSIM_FN_GET_PARAM_MAX, KMX_PARAM_BLUE_GAIN},
        {KMXSIM_FN_GET_FPARAM_MAX, KMX_FPARAM_GAMMA},
        {KMXSIM_FN_GET_PARAM_MAX, KMX_PARAM_CONTRAST},
        {KMXSIM_FN_GET_PARAM_MIN, KMX_PARAM_GAIN},
        {KMXSIM_FN_GET_PARAM_MIN, KMX_PARAM_BL},
        {KMXSIM_FN_GET_PARAM_MIN, KMX_PARAM_EXPOSURE},
        {KMXSIM_FN_GET_PARAM_MIN, KMX_PARAM_RED_GAIN},
        {KMXSIM_FN_GET_PARAM_MIN, KMX_PARAM_GREEN_GAIN},
        {KMXSIM_FN_GET_PARAM_MIN, KMX_PARAM_BLUE_GAIN},
        {KMXSIM_FN_GET_FPARAM_MIN, KMX_FPARAM_GAMMA},
        {KMXSIM_FN_GET_PARAM_MIN, KMX_PARAM_CONTRAST},
        {KMXSIM_FN_INDEX_TO_GAIN, desc.params[KMX_PARAM_GAIN].min},
        {KMXSIM_FN_INDEX_TO_GAIN, desc.params[KMX_PARAM_GAIN].max},
        // load_defaults of a monochrome camera
        {KMXSIM_FN_GET_INFO, KMX_INFO_CAPS},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_GAIN},
        {KMXSIM_FN_INDEX_TO_GAIN, desc.params[KMX_PARAM_GAIN].def},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_BL},
        {KMXSIM_FN_INDEX_TO_BL, desc.params[KMX_PARAM_BL].def},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_EXPOSURE},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_CONTRAST},
        {KMXSIM_FN_GET_FPARAM_DEFAULT, KMX_FPARAM_GAMMA},
        {KMXSIM_FN_GAMMA_TO_INDEX, any},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_RATE},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_RATE},
    });
}

TEST_F(Csettings_test, ColourDefaultsReadWhiteBalanceBeforeGain)
{
    kmx_camera_t* camera = open_camera(colour_camera_id);
    const kmxsim_camera_desc desc = preset(KMXSIM_PRESET_COLOR);
    start_recording();
    Ccam_settings settings;
    ASSERT_EQ(settings.load_defaults(camera), 0);

    const unsigned any = no_argument_check;
    expect_calls({
        {KMXSIM_FN_GET_INFO, KMX_INFO_CAPS},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_RED_GAIN},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_GREEN_GAIN},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_BLUE_GAIN},
        {KMXSIM_FN_INDEX_TO_WB_GAIN, desc.params[KMX_PARAM_RED_GAIN].def},
        {KMXSIM_FN_INDEX_TO_WB_GAIN, desc.params[KMX_PARAM_GREEN_GAIN].def},
        {KMXSIM_FN_INDEX_TO_WB_GAIN, desc.params[KMX_PARAM_BLUE_GAIN].def},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_GAIN},
        {KMXSIM_FN_INDEX_TO_GAIN, desc.params[KMX_PARAM_GAIN].def},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_BL},
        {KMXSIM_FN_INDEX_TO_BL, desc.params[KMX_PARAM_BL].def},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_EXPOSURE},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_CONTRAST},
        {KMXSIM_FN_GET_FPARAM_DEFAULT, KMX_FPARAM_GAMMA},
        {KMXSIM_FN_GAMMA_TO_INDEX, any},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_RATE},
        {KMXSIM_FN_GET_PARAM_DEFAULT, KMX_PARAM_RATE},
    });
}

TEST_F(Csettings_test, InitWithNullUnbindsWithoutLoadingDefaults)
{
    Csettings_probe settings = bound_to(mono_camera_id);
    ASSERT_TRUE(settings.set_gain(500));
    start_recording();

    EXPECT_EQ(settings.init(nullptr), 0);
    EXPECT_TRUE(recorded_calls().empty());
    EXPECT_EQ(settings.camera, nullptr);
    EXPECT_EQ(settings.flags, 0u);
    EXPECT_FALSE(settings.test_mode_allowed());
    EXPECT_EQ(settings.get_gain(), 500u);
    EXPECT_TRUE(settings.set_gain(99999)) << "an unbound record checks no camera limits";
}

TEST_F(Csettings_test, LoadDefaultsNeitherBindsNorReadsCapabilitiesIntoFlags)
{
    kmx_camera_t* camera = open_camera(colour_camera_id);
    Csettings_probe settings;
    ASSERT_EQ(settings.load_defaults(camera), 0);

    EXPECT_EQ(settings.camera, nullptr);
    EXPECT_EQ(settings.flags, 0u);
    EXPECT_EQ(settings.get_image_type(), 1u);
    EXPECT_EQ(settings.get_gain(), preset(KMXSIM_PRESET_COLOR).params[KMX_PARAM_GAIN].def);
    EXPECT_FALSE(settings.set_preview_mode(1));
}

TEST_F(Csettings_test, LoadDefaultsWithoutCameraLeavesThePresets)
{
    Ccam_settings settings;
    ASSERT_EQ(settings.load_defaults(nullptr), 0);
    EXPECT_EQ(settings.get_gain(), 281u);
    EXPECT_EQ(settings.get_bl(), 39u);
    EXPECT_EQ(settings.get_exposure(), 70u);
    EXPECT_EQ(settings.get_gamma_index(), 18u);
    EXPECT_EQ(settings.get_contrast(), 127u);
    EXPECT_EQ(settings.get_rate(), 0u);
}

TEST_F(Csettings_test, MissingDefaultsLeaveThePresetsInPlace)
{
    kmxsim_camera_desc desc = preset(KMXSIM_PRESET_COLOR);
    desc.no_default_mask = (1u << KMX_PARAM_EXPOSURE) | (1u << KMX_FPARAM_GAMMA) |
                           (1u << KMX_PARAM_RED_GAIN) | (1u << KMX_PARAM_GREEN_GAIN) |
                           (1u << KMX_PARAM_BLUE_GAIN);
    reshape(KMXSIM_PRESET_COLOR, desc);
    kmx_camera_t* camera = open_camera(colour_camera_id);

    Ccam_settings settings;
    ASSERT_TRUE(settings.set_gamma(2.5));
    ASSERT_TRUE(settings.set_exposure_value(4321));
    ASSERT_EQ(settings.init(camera), 0);

    EXPECT_EQ(settings.get_exposure(), 70u);
    EXPECT_EQ(settings.get_expsoure_value(), 4321u);
    EXPECT_EQ(settings.get_gamma_index(), 18u);
    EXPECT_DOUBLE_EQ(settings.get_gamma(), 2.5);
    EXPECT_EQ(settings.get_red_gain(), 26u);
    EXPECT_EQ(settings.get_green_gain(), 31u);
    EXPECT_EQ(settings.get_blue_gain(), 35u);
    EXPECT_DOUBLE_EQ(settings.get_red_gain_value(), wb_gain_of(camera, 26));
}

// --- Exposure index of the default ----------------------------------------

struct exposure_case {
    unsigned default_value;
    unsigned expected_index;
};

class Cexposure_default_test : public Csettings_test,
                               public testing::WithParamInterface<exposure_case> {};

TEST_P(Cexposure_default_test, DefaultValueGivesRoundedCappedIndex)
{
    kmxsim_camera_desc desc = preset(KMXSIM_PRESET_MONO);
    desc.params[KMX_PARAM_EXPOSURE].def = GetParam().default_value;
    reshape(KMXSIM_PRESET_MONO, desc);
    Csettings_probe settings = bound_to(mono_camera_id);
    EXPECT_EQ(settings.get_expsoure_value(), GetParam().default_value);
    EXPECT_EQ(settings.get_exposure(), GetParam().expected_index);
}

// 11 units is 2.65 steps above 10: rounding, not truncation, gives 3.
// Below 10 units there is no index: 0 is taken (0 has no logarithm at all).
INSTANTIATE_TEST_SUITE_P(Ccam_settings, Cexposure_default_test,
                         testing::Values(exposure_case{100, 64}, exposure_case{1000, 128},
                                         exposure_case{100000, 256},
                                         exposure_case{1000000, 256}, exposure_case{10, 0},
                                         exposure_case{11, 3}, exposure_case{9, 0},
                                         exposure_case{1, 0}, exposure_case{0, 0},
                                         exposure_case{0xFFFFFFFFu, 256}));

// --- Rate indexes of the defaults ------------------------------------------

TEST_F(Csettings_test, RateOffsetCameraPutsDefaultRateFourFirst)
{
    Csettings_probe colour = bound_to(colour_camera_id);
    ASSERT_EQ(colour.get_rate(), 4u);
    EXPECT_EQ(colour.get_rate_index(), 0u);
    EXPECT_EQ(colour.get_live_rate(), 4u);
    EXPECT_EQ(colour.get_live_rate_index(), 0u);

    // The setter numbers rate 4 differently from the defaults.
    EXPECT_TRUE(colour.set_rate(4));
    EXPECT_EQ(colour.get_rate_index(), 4u);
}

TEST_F(Csettings_test, RateOffsetCameraShiftsOtherDefaultRatesByOne)
{
    kmxsim_camera_desc desc = preset(KMXSIM_PRESET_COLOR);
    desc.params[KMX_PARAM_RATE].def = 1;
    reshape(KMXSIM_PRESET_COLOR, desc);
    Csettings_probe colour = bound_to(colour_camera_id);
    EXPECT_EQ(colour.get_rate_index(), 2u);
    EXPECT_EQ(colour.get_live_rate_index(), 2u);
}

TEST_F(Csettings_test, CameraWithoutRateOffsetUsesTheRateAsIndex)
{
    kmxsim_camera_desc desc = preset(KMXSIM_PRESET_MONO);
    desc.params[KMX_PARAM_RATE].def = 4;
    reshape(KMXSIM_PRESET_MONO, desc);
    Csettings_probe mono = bound_to(mono_camera_id);
    EXPECT_EQ(mono.get_rate(), 4u);
    EXPECT_EQ(mono.get_rate_index(), 4u);
    EXPECT_EQ(mono.get_live_rate_index(), 4u);
}

// --- Copies and derived records --------------------------------------------

TEST_F(Csettings_test, CopySharesTheCameraAndIsIndependentOtherwise)
{
    Csettings_probe original = bound_to(mono_camera_id);
    Csettings_probe copy = original;
    EXPECT_EQ(copy.camera, original.camera);
    EXPECT_FALSE(copy.set_gain(copy.max_gain + 1)) << "the copy is bound too";
    EXPECT_TRUE(copy.set_gain(copy.max_gain));
    EXPECT_NE(original.get_gain(), copy.get_gain());

    Csettings_probe assigned;
    assigned = original;
    EXPECT_EQ(assigned.camera, original.camera);
    EXPECT_EQ(assigned.get_gain(), original.get_gain());
}

// A derived record that replaces single steps, as an application may.
class Cdeep_settings : public Ccam_settings {
public:
    unsigned get_component_depth() const override { return 12; }
    unsigned get_component_size() const override { return 4; }
    bool set_component_depth(unsigned depth) override
    {
        last_depth = depth;
        return true;
    }
    int load_defaults(kmx_camera_t*) override
    {
        ++defaults_loaded;
        return 7;
    }
    unsigned last_depth = 0;
    int defaults_loaded = 0;
};

TEST_F(Csettings_test, RecordOperationsCallReplacedStepsOfDerivedRecords)
{
    Cdeep_settings settings;
    EXPECT_EQ(settings.get_format(), KMX_FORMAT_MONO12);
    EXPECT_TRUE(settings.deep_image());
    EXPECT_EQ(settings.get_pixel_size(), 4u);
    // The depth getters are const: owners that hold the record as const
    // (the device's format choice does) reach the replaced steps too.
    const Ccam_settings& held = settings;
    EXPECT_EQ(held.get_component_depth(), 12u);
    EXPECT_TRUE(held.deep_image());
    EXPECT_EQ(held.get_pixel_size(), 4u);

    EXPECT_TRUE(settings.set_format(KMX_FORMAT_MONO10));
    EXPECT_EQ(settings.last_depth, 10u);

    EXPECT_EQ(settings.init(open_camera(mono_camera_id)), 7);
    EXPECT_EQ(settings.defaults_loaded, 1);
}

} // namespace
