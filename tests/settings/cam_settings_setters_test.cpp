// SPDX-License-Identifier: Apache-2.0
// The setters: limits and conversions on a bound record, fixed ranges only
// on an unbound one, switches, rates and the configuration name.
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <string>
#include <vector>

#include "settings_fixture.h"

namespace {

using settings_test::Csettings_probe;
using settings_test::Csettings_test;
using settings_test::colour_camera_id;
using settings_test::mono_camera_id;

// --- Index setters -----------------------------------------------------------

// One index setter with the library conversion that must feed its value.
struct index_setter {
    const char* name;
    bool (Ccam_settings::*set)(unsigned);
    unsigned (Ccam_settings::*get_index)() const;
    double (Ccam_settings::*get_value)() const;
    int (*convert)(kmx_camera_t*, unsigned, double*);
    unsigned Csettings_probe::*min;
    unsigned Csettings_probe::*max;
};

const std::vector<index_setter>& double_index_setters()
{
    static const std::vector<index_setter> setters = {
        {"gain", &Ccam_settings::set_gain, &Ccam_settings::get_gain,
         &Ccam_settings::get_gain_value, kmx_index_to_gain, &Csettings_probe::min_gain,
         &Csettings_probe::max_gain},
        {"bl", &Ccam_settings::set_bl, &Ccam_settings::get_bl, &Ccam_settings::get_bl_value,
         kmx_index_to_bl, &Csettings_probe::min_bl, &Csettings_probe::max_bl},
        {"red", &Ccam_settings::set_red_gain, &Ccam_settings::get_red_gain,
         &Ccam_settings::get_red_gain_value, kmx_index_to_wb_gain,
         &Csettings_probe::min_red_gain, &Csettings_probe::max_red_gain},
        {"green", &Ccam_settings::set_green_gain, &Ccam_settings::get_green_gain,
         &Ccam_settings::get_green_gain_value, kmx_index_to_wb_gain,
         &Csettings_probe::min_green_gain, &Csettings_probe::max_green_gain},
        {"blue", &Ccam_settings::set_blue_gain, &Ccam_settings::get_blue_gain,
         &Ccam_settings::get_blue_gain_value, kmx_index_to_wb_gain,
         &Csettings_probe::min_blue_gain, &Csettings_probe::max_blue_gain},
    };
    return setters;
}

TEST_F(Csettings_test, BoundIndexSettersRefuseOutsideLimitsAndConvertInside)
{
    // Raise every lower limit so that "below the minimum" is reachable.
    kmxsim_camera_desc desc = preset(KMXSIM_PRESET_COLOR);
    for (unsigned id : {KMX_PARAM_GAIN, KMX_PARAM_BL, KMX_PARAM_RED_GAIN, KMX_PARAM_GREEN_GAIN,
                        KMX_PARAM_BLUE_GAIN, KMX_PARAM_EXPOSURE})
        desc.params[id].min = 5;
    reshape(KMXSIM_PRESET_COLOR, desc);
    Csettings_probe settings = bound_to(colour_camera_id);
    kmx_camera_t* camera = first_camera();

    for (const index_setter& s : double_index_setters()) {
        SCOPED_TRACE(s.name);
        const unsigned lowest = settings.*s.min;
        const unsigned highest = settings.*s.max;
        ASSERT_EQ(lowest, 5u);
        const unsigned index_before = (settings.*s.get_index)();
        const double value_before = (settings.*s.get_value)();

        EXPECT_FALSE((settings.*s.set)(highest + 1));
        EXPECT_FALSE((settings.*s.set)(lowest - 1));
        EXPECT_EQ((settings.*s.get_index)(), index_before);
        EXPECT_EQ((settings.*s.get_value)(), value_before);

        for (unsigned index : {lowest, highest}) {
            ASSERT_TRUE((settings.*s.set)(index));
            double expected = -1.0;
            ASSERT_EQ(s.convert(camera, index, &expected), 0);
            EXPECT_EQ((settings.*s.get_index)(), index);
            EXPECT_DOUBLE_EQ((settings.*s.get_value)(), expected);
        }
    }

    EXPECT_FALSE(settings.set_exposure(settings.max_exposure + 1));
    EXPECT_FALSE(settings.set_exposure(4));
    ASSERT_TRUE(settings.set_exposure(settings.max_exposure));
    unsigned expected_exposure = 0;
    ASSERT_EQ(kmx_index_to_exp(camera, settings.max_exposure, &expected_exposure), 0);
    EXPECT_EQ(settings.get_expsoure_value(), expected_exposure);
}

TEST(Ccam_settings_unbound, IndexSettersStoreAnyIndexAndConvertNothing)
{
    Ccam_settings settings;
    for (const index_setter& s : double_index_setters()) {
        SCOPED_TRACE(s.name);
        EXPECT_TRUE((settings.*s.set)(99999));
        EXPECT_EQ((settings.*s.get_index)(), 99999u);
        EXPECT_EQ((settings.*s.get_value)(), 0.0);
    }
    EXPECT_TRUE(settings.set_exposure(99999));
    EXPECT_EQ(settings.get_exposure(), 99999u);
    EXPECT_EQ(settings.get_expsoure_value(), 0u);
}

TEST_F(Csettings_test, GammaIndexLimitsAreTheFixedOnesOnlyWhenBound)
{
    Csettings_probe bound = bound_to(mono_camera_id);
    const double gamma_before = bound.get_gamma();
    EXPECT_FALSE(bound.set_gamma_index(65));
    EXPECT_DOUBLE_EQ(bound.get_gamma(), gamma_before);
    ASSERT_TRUE(bound.set_gamma_index(10));
    double expected = -1.0;
    ASSERT_EQ(kmx_index_to_gamma(first_camera(), 10, &expected), 0);
    EXPECT_EQ(bound.get_gamma_index(), 10u);
    EXPECT_DOUBLE_EQ(bound.get_gamma(), expected);

    Ccam_settings unbound;
    EXPECT_TRUE(unbound.set_gamma_index(65));
    EXPECT_EQ(unbound.get_gamma_index(), 65u);
    EXPECT_EQ(unbound.get_gamma(), 0.0);
}

// --- Value setters -----------------------------------------------------------

TEST_F(Csettings_test, ValuesPastTheLimitClampOnlyTheIndex)
{
    Csettings_probe settings = bound_to(mono_camera_id);
    kmx_camera_t* camera = first_camera();
    const double huge_gain = 1.0e6;
    unsigned library_index = 0;
    ASSERT_EQ(kmx_gain_to_index(camera, huge_gain, &library_index), 0);
    ASSERT_GT(library_index, settings.max_gain) << "the fixture must exceed the limit";

    EXPECT_TRUE(settings.set_gain_value(huge_gain));
    EXPECT_EQ(settings.get_gain(), settings.max_gain);
    EXPECT_DOUBLE_EQ(settings.get_gain_value(), huge_gain);

    EXPECT_TRUE(settings.set_blue_gain_value(1000.0));
    EXPECT_EQ(settings.get_blue_gain(), settings.max_blue_gain);
    EXPECT_DOUBLE_EQ(settings.get_blue_gain_value(), 1000.0);
    EXPECT_TRUE(settings.set_exposure_value(100000000));
    EXPECT_EQ(settings.get_exposure(), settings.max_exposure);
    EXPECT_EQ(settings.get_expsoure_value(), 100000000u);
}

TEST_F(Csettings_test, ValuesInsideTheLimitsTakeTheLibraryIndex)
{
    Csettings_probe settings = bound_to(colour_camera_id);
    kmx_camera_t* camera = first_camera();
    unsigned expected = 0;

    ASSERT_TRUE(settings.set_gain_value(2.0));
    ASSERT_EQ(kmx_gain_to_index(camera, 2.0, &expected), 0);
    EXPECT_EQ(settings.get_gain(), expected);

    ASSERT_TRUE(settings.set_bl_value(20.0));
    ASSERT_EQ(kmx_bl_to_index(camera, 20.0, &expected), 0);
    EXPECT_EQ(settings.get_bl(), expected);

    ASSERT_TRUE(settings.set_green_gain_value(1.5));
    ASSERT_EQ(kmx_wb_gain_to_index(camera, 1.5, &expected), 0);
    EXPECT_EQ(settings.get_green_gain(), expected);

    ASSERT_TRUE(settings.set_exposure_value(5000));
    ASSERT_EQ(kmx_exp_to_index(camera, 5000, &expected), 0);
    EXPECT_EQ(settings.get_exposure(), expected);
    EXPECT_EQ(settings.get_expsoure_value(), 5000u);
}

TEST_F(Csettings_test, ValuesBelowTheLimitClampToTheMinimumIndex)
{
    kmxsim_camera_desc desc = preset(KMXSIM_PRESET_COLOR);
    desc.params[KMX_PARAM_GAIN].min = 100;
    desc.params[KMX_PARAM_RED_GAIN].min = 16;
    desc.params[KMX_PARAM_BL].min = 8;
    reshape(KMXSIM_PRESET_COLOR, desc);
    Csettings_probe settings = bound_to(colour_camera_id);

    EXPECT_TRUE(settings.set_gain_value(1.0));
    EXPECT_EQ(settings.get_gain(), 100u);
    EXPECT_DOUBLE_EQ(settings.get_gain_value(), 1.0);
    EXPECT_TRUE(settings.set_red_gain_value(0.0));
    EXPECT_EQ(settings.get_red_gain(), 16u);
    EXPECT_TRUE(settings.set_bl_value(0.0));
    EXPECT_EQ(settings.get_bl(), 8u);
}

TEST(Ccam_settings_unbound, ValueSettersStoreTheValueAndLeaveTheIndex)
{
    Ccam_settings settings;
    ASSERT_TRUE(settings.set_gain(17));
    EXPECT_TRUE(settings.set_gain_value(123.5));
    EXPECT_EQ(settings.get_gain(), 17u);
    EXPECT_DOUBLE_EQ(settings.get_gain_value(), 123.5);
    EXPECT_TRUE(settings.set_exposure_value(77));
    EXPECT_EQ(settings.get_exposure(), 0u);
    EXPECT_EQ(settings.get_expsoure_value(), 77u);
    EXPECT_TRUE(settings.set_gamma(42.0));
    EXPECT_DOUBLE_EQ(settings.get_gamma(), 42.0);
    EXPECT_EQ(settings.get_gamma_index(), 0u);
}

TEST_F(Csettings_test, BoundGammaOutsideTheCameraRangeIsRefused)
{
    Csettings_probe settings = bound_to(mono_camera_id);
    const double gamma_before = settings.get_gamma();
    const unsigned index_before = settings.get_gamma_index();
    for (double refused : {settings.max_gamma + 0.01, settings.min_gamma - 0.01,
                           std::numeric_limits<double>::quiet_NaN()}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(settings.set_gamma(refused));
        EXPECT_DOUBLE_EQ(settings.get_gamma(), gamma_before);
        EXPECT_EQ(settings.get_gamma_index(), index_before);
    }

    ASSERT_TRUE(settings.set_gamma(settings.max_gamma));
    unsigned expected = 0;
    ASSERT_EQ(kmx_gamma_to_index(first_camera(), settings.max_gamma, &expected), 0);
    EXPECT_EQ(settings.get_gamma_index(), expected);
    EXPECT_DOUBLE_EQ(settings.get_gamma(), settings.max_gamma);
}

// --- Contrast ----------------------------------------------------------------

TEST_F(Csettings_test, BoundContrastSetsTheModeFromNeutrality)
{
    Csettings_probe settings = bound_to(mono_camera_id);
    EXPECT_TRUE(settings.set_contrast_value(5));
    EXPECT_EQ(settings.get_contrast(), 132u);
    EXPECT_EQ(settings.get_contrast_value(), 5);
    EXPECT_EQ(settings.get_contrast_mode(), 1u);

    EXPECT_TRUE(settings.set_contrast_value(0));
    EXPECT_EQ(settings.get_contrast(), 127u);
    EXPECT_EQ(settings.get_contrast_mode(), 0u);

    EXPECT_TRUE(settings.set_contrast_value(-127));
    EXPECT_EQ(settings.get_contrast(), 0u);
    EXPECT_EQ(settings.get_contrast_value(), -127);
    EXPECT_EQ(settings.get_contrast_mode(), 1u);
}

TEST_F(Csettings_test, BoundContrastOutsideLimitsIsRefusedWithoutChange)
{
    Csettings_probe settings = bound_to(mono_camera_id);
    ASSERT_TRUE(settings.set_contrast(200));
    for (int refused : {-128, INT_MIN, INT_MAX, static_cast<int>(settings.max_contrast) - 126}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(settings.set_contrast_value(refused));
        EXPECT_EQ(settings.get_contrast(), 200u);
        EXPECT_EQ(settings.get_contrast_mode(), 1u);
    }
    EXPECT_FALSE(settings.set_contrast(settings.max_contrast + 1));
    EXPECT_EQ(settings.get_contrast(), 200u);
}

TEST(Ccam_settings_unbound, ContrastLeavesTheModeAlone)
{
    Ccam_settings settings;
    EXPECT_TRUE(settings.set_contrast_value(5));
    EXPECT_EQ(settings.get_contrast(), 132u);
    EXPECT_EQ(settings.get_contrast_mode(), 0u);

    ASSERT_TRUE(settings.set_contrast_mode(1));
    EXPECT_TRUE(settings.set_contrast(127));
    EXPECT_EQ(settings.get_contrast_mode(), 1u);

    // Far out of range wraps in unsigned arithmetic and is simply stored.
    EXPECT_TRUE(settings.set_contrast_value(INT_MIN));
    EXPECT_EQ(settings.get_contrast(), 0x8000007Fu);
    EXPECT_FALSE(settings.set_contrast_mode(2));
    EXPECT_EQ(settings.get_contrast_mode(), 1u);
}

// --- Switches ----------------------------------------------------------------

struct switch_setter {
    const char* name;
    bool (Ccam_settings::*set)(unsigned);
    unsigned (Ccam_settings::*get)() const;
};

TEST(Ccam_settings_unbound, PlainSwitchesTakeZeroAndOneOnly)
{
    const switch_setter switches[] = {
        {"red boost", &Ccam_settings::set_red_boost, &Ccam_settings::get_red_boost},
        {"blue boost", &Ccam_settings::set_blue_boost, &Ccam_settings::get_blue_boost},
        {"gamma mode", &Ccam_settings::set_gamma_mode, &Ccam_settings::get_gamma_mode},
        {"average opt", &Ccam_settings::set_average_opt, &Ccam_settings::get_average_opt},
        {"contrast mode", &Ccam_settings::set_contrast_mode, &Ccam_settings::get_contrast_mode},
    };
    Ccam_settings settings;
    for (const switch_setter& s : switches) {
        SCOPED_TRACE(s.name);
        EXPECT_TRUE((settings.*s.set)(1));
        EXPECT_EQ((settings.*s.get)(), 1u);
        EXPECT_FALSE((settings.*s.set)(2));
        EXPECT_EQ((settings.*s.get)(), 1u);
        EXPECT_TRUE((settings.*s.set)(0));
        EXPECT_EQ((settings.*s.get)(), 0u);
    }
    EXPECT_TRUE(settings.set_invert_image(1));
    EXPECT_TRUE(settings.invert_image());
    EXPECT_FALSE(settings.set_invert_image(2));
    EXPECT_TRUE(settings.invert_image());
}

const switch_setter gated_switches[] = {
    {"test mode", &Ccam_settings::set_test_mode, &Ccam_settings::get_test_mode},
    {"preview mode", &Ccam_settings::set_preview_mode, &Ccam_settings::get_preview_mode},
    {"bin mode", &Ccam_settings::set_bin_mode, &Ccam_settings::get_bin_mode},
};

TEST(Ccam_settings_unbound, CapabilityGatedSwitchesAreAlwaysRefused)
{
    Ccam_settings settings;
    for (const switch_setter& s : gated_switches) {
        SCOPED_TRACE(s.name);
        EXPECT_FALSE((settings.*s.set)(1));
        EXPECT_FALSE((settings.*s.set)(0));
        EXPECT_EQ((settings.*s.get)(), 0u);
    }
}

TEST_F(Csettings_test, CapabilityGatedSwitchesFollowTheCameraBits)
{
    Csettings_probe capable = bound_to(mono_camera_id);
    for (const switch_setter& s : gated_switches) {
        SCOPED_TRACE(s.name);
        EXPECT_TRUE((capable.*s.set)(1));
        EXPECT_EQ((capable.*s.get)(), 1u);
        EXPECT_FALSE((capable.*s.set)(2));
        EXPECT_TRUE((capable.*s.set)(0));
    }

    kmxsim_camera_desc desc = preset(KMXSIM_PRESET_COLOR);
    desc.caps &= ~static_cast<uint32_t>(KMX_CAP_TEST_MODE | KMX_CAP_PREVIEW | KMX_CAP_BIN);
    reshape(KMXSIM_PRESET_COLOR, desc);
    Csettings_probe plain = bound_to(colour_camera_id);
    for (const switch_setter& s : gated_switches) {
        SCOPED_TRACE(s.name);
        EXPECT_FALSE((plain.*s.set)(1));
        EXPECT_EQ((plain.*s.get)(), 0u);
    }
}

TEST_F(Csettings_test, PreviewAndBinModesExcludeEachOther)
{
    Csettings_probe settings = bound_to(mono_camera_id);
    ASSERT_TRUE(settings.set_bin_mode(1));
    EXPECT_TRUE(settings.set_preview_mode(1));
    EXPECT_EQ(settings.get_bin_mode(), 0u);
    EXPECT_TRUE(settings.set_preview_mode(0));
    EXPECT_EQ(settings.get_bin_mode(), 0u);
    EXPECT_EQ(settings.get_preview_mode(), 0u);

    ASSERT_TRUE(settings.set_preview_mode(1));
    EXPECT_TRUE(settings.set_bin_mode(1));
    EXPECT_EQ(settings.get_preview_mode(), 0u);
    EXPECT_TRUE(settings.set_bin_mode(0));
    EXPECT_EQ(settings.get_preview_mode(), 0u);
}

// --- Rates, depth, averaging -------------------------------------------------

struct rate_expectation {
    unsigned rate;
    unsigned index;
};

void expect_rates(Ccam_settings& settings, const std::vector<rate_expectation>& table)
{
    for (const rate_expectation& row : table) {
        SCOPED_TRACE(row.rate);
        ASSERT_TRUE(settings.set_rate(row.rate));
        EXPECT_EQ(settings.get_rate(), row.rate);
        EXPECT_EQ(settings.get_rate_index(), row.index);
        ASSERT_TRUE(settings.set_live_rate(row.rate));
        EXPECT_EQ(settings.get_live_rate(), row.rate);
        EXPECT_EQ(settings.get_live_rate_index(), row.index);
    }
    for (unsigned refused : {2u, 3u, 5u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(refused);
        const unsigned rate_before = settings.get_rate();
        const unsigned index_before = settings.get_rate_index();
        EXPECT_FALSE(settings.set_rate(refused));
        EXPECT_FALSE(settings.set_live_rate(refused));
        EXPECT_EQ(settings.get_rate(), rate_before);
        EXPECT_EQ(settings.get_rate_index(), index_before);
    }
}

TEST_F(Csettings_test, RateOffsetCameraNumbersSetRatesFromOne)
{
    Csettings_probe colour = bound_to(colour_camera_id);
    expect_rates(colour, {{0, 1}, {1, 2}, {4, 4}});
}

TEST_F(Csettings_test, CameraWithoutRateOffsetUsesTheSetRateAsIndex)
{
    Csettings_probe mono = bound_to(mono_camera_id);
    expect_rates(mono, {{0, 0}, {1, 1}, {4, 4}});
}

TEST(Ccam_settings_unbound, RatesAreTheirOwnIndex)
{
    Ccam_settings settings;
    expect_rates(settings, {{0, 0}, {1, 1}, {4, 4}});
}

TEST(Ccam_settings_unbound, DepthSelectionAndAveraging)
{
    Ccam_settings settings;
    EXPECT_TRUE(settings.set_depth_select(2));
    EXPECT_FALSE(settings.set_depth_select(3));
    EXPECT_EQ(settings.get_depth_select(), 2u);
    EXPECT_TRUE(settings.set_average_frames(0));
    EXPECT_EQ(settings.get_average_frames(), 0u);
}

// --- Configuration name ------------------------------------------------------

TEST(Ccam_settings_unbound, LongNameKeepsThirtyTwoCharactersAndItsTerminator)
{
    Csettings_probe settings;
    std::string forty(40, 'n');
    forty.replace(0, 5, "front");
    std::vector<unsigned char> text(forty.begin(), forty.end());
    text.push_back(0);
    EXPECT_TRUE(settings.set_config_name(text.data()));
    EXPECT_EQ(std::string(settings.get_name()), forty.substr(0, 32));
    EXPECT_EQ(settings.name[32], '\0');
}

TEST(Ccam_settings_unbound, NameIsNotReadPastThirtyTwoCharacters)
{
    // Exactly 32 characters with no terminator: reading one byte more would
    // leave the allocation (AddressSanitizer reports it).
    std::vector<unsigned char> unterminated(32, 'x');
    Ccam_settings settings;
    EXPECT_TRUE(settings.set_config_name(unterminated.data()));
    EXPECT_EQ(std::string(settings.get_name()), std::string(32, 'x'));
}

TEST(Ccam_settings_unbound, ShorterNameClearsTheRestAndNullKeepsTheName)
{
    Csettings_probe settings;
    unsigned char long_name[] = "a configuration name of 32 chars";
    unsigned char short_name[] = "day";
    ASSERT_TRUE(settings.set_config_name(long_name));
    EXPECT_TRUE(settings.set_config_name(short_name));
    EXPECT_STREQ(settings.get_name(), "day");
    for (size_t i = 3; i < sizeof(settings.name); ++i)
        EXPECT_EQ(settings.name[i], '\0') << "byte " << i;

    EXPECT_TRUE(settings.set_config_name(nullptr));
    EXPECT_STREQ(settings.get_name(), "day");
}

} // namespace
