// SPDX-License-Identifier: Apache-2.0
// The automatic white balance, gain and exposure: convergence on the
// simulated scene, read-back into the out-values and the settings, stop and
// abort through the thread state, deep settings refused, and the exposure
// index taken by truncation.
#include <cmath>
#include <cstdint>
#include <vector>

#include "kmxcore/camera/exposure_curve.h"
#include "multi_fixture.h"

namespace multi_test {
namespace {

using Cauto_process = Cmulti_test;

constexpr unsigned sentinel = 0xABCDu;

// Mean of the 8-bit pixels of an image.
double mean_level(const Cimage_core& image)
{
    const auto* bytes = static_cast<const unsigned char*>(image.get_bp());
    double sum = 0;
    for (unsigned i = 0; i < image.get_size(); ++i)
        sum += bytes[i];
    return sum / image.get_size();
}

// A camera whose automatic exposure settles at once on a chosen value.
class Csettled_exposure_device : public Cdevice {
public:
    unsigned exposure = 0;
    int get_param(unsigned id, unsigned* value) const override
    {
        if (id != KMX_PARAM_EXPOSURE)
            return Cdevice::get_param(id, value);
        *value = exposure;
        return KMX_OK;
    }
    int auto_exp_index_ex(unsigned, kmx_progress_callback, uintptr_t, unsigned, unsigned,
                          unsigned, unsigned) override
    {
        return KMX_OK;
    }
};

TEST_F(Cauto_process, AutomaticGainSettlesTheSceneNearMidGreyAndIsKept)
{
    auto& capture = averaging(KMXSIM_PRESET_MONO, 0, 0);
    unsigned lowest = 0, highest = 0;
    device.get_param_min(KMX_PARAM_GAIN, &lowest);
    device.get_param_max(KMX_PARAM_GAIN, &highest);
    kmxsim_clear_calls();
    unsigned gain = sentinel;

    ASSERT_EQ(capture.agp_process(gain, &state), CAPTURE_AUTO_DONE);

    EXPECT_EQ(gain, camera_param(KMX_PARAM_GAIN));
    EXPECT_EQ(capture.get_settings()->get_gain(), gain);
    // Nothing was captured since set-up: no image is promised.
    EXPECT_EQ(capture.get_image(), nullptr);
    EXPECT_FALSE(capture.image_available());
    EXPECT_FALSE(capture.deep_image_available());
    EXPECT_EQ(capture.restart_needed, 1u);
    const auto procedure = kmx_test::recorded_calls(KMXSIM_FN_AUTO_GAIN_INDEX);
    ASSERT_EQ(procedure.size(), 1u);
    EXPECT_EQ(procedure[0].args[0], 0u) << "record index";
    EXPECT_EQ(procedure[0].args[2], reinterpret_cast<uintptr_t>(&state));
    EXPECT_EQ(procedure[0].args[3], lowest);
    EXPECT_EQ(procedure[0].args[4], highest);

    ASSERT_EQ(capture.get_frame(), CAPTURE_OK);
    EXPECT_NEAR(mean_level(*capture.get_image()), 128.0, 32.0);
}

TEST_F(Cauto_process, AutomaticExposureSettlesAndKeepsTheTruncatedIndex)
{
    auto& capture = averaging(KMXSIM_PRESET_MONO, 0, 0);
    ASSERT_EQ(capture.get_frame(), CAPTURE_OK);
    Cfw_image* earlier = capture.get_image();
    unsigned index = sentinel, gain = sentinel;

    ASSERT_EQ(capture.aep_process(index, gain), CAPTURE_AUTO_DONE);

    // The current image is left as it was, and offered as there is one.
    EXPECT_EQ(capture.get_image(), earlier);
    EXPECT_TRUE(capture.image_available());
    const double value = camera_param(KMX_PARAM_EXPOSURE);
    EXPECT_LE(10.0 * std::pow(kmx_exposure::base, index), value + 1e-6);
    EXPECT_GT(10.0 * std::pow(kmx_exposure::base, index + 1), value);
    EXPECT_EQ(capture.get_settings()->get_exposure(), index);
    EXPECT_EQ(gain, camera_param(KMX_PARAM_GAIN));
    const auto procedure = kmx_test::recorded_calls(KMXSIM_FN_AUTO_EXP_INDEX_EX);
    ASSERT_EQ(procedure.size(), 1u);
    EXPECT_EQ(procedure[0].args[3], 10u);
    EXPECT_EQ(procedure[0].args[4], 100000u);

    ASSERT_EQ(capture.get_frame(), CAPTURE_OK);
    EXPECT_NEAR(mean_level(*capture.get_image()), 128.0, 32.0);
}

TEST_F(Cauto_process, WhiteBalanceReadsTheFourGainsBackInOrder)
{
    auto& capture = averaging(KMXSIM_PRESET_COLOR, 0, 0);
    unsigned gain = sentinel, red = sentinel, green = sentinel, blue = sentinel;
    RECT roi{100, 100, 400, 300};

    ASSERT_EQ(capture.wb_process(roi, gain, red, green, blue), CAPTURE_AUTO_DONE);

    std::vector<unsigned> read;
    for (const auto& call : kmx_test::recorded_calls(KMXSIM_FN_GET_PARAM))
        read.push_back(static_cast<unsigned>(call.args[0]));
    EXPECT_EQ(read, (std::vector<unsigned>{0, 1, 2, 3}));
    EXPECT_EQ(red, camera_param(KMX_PARAM_RED_GAIN));
    EXPECT_EQ(green, camera_param(KMX_PARAM_GREEN_GAIN));
    EXPECT_EQ(blue, camera_param(KMX_PARAM_BLUE_GAIN));
    EXPECT_EQ(capture.get_settings()->get_red_gain(), red);
    EXPECT_EQ(capture.get_settings()->get_blue_gain(), blue);
    const auto procedure = kmx_test::recorded_calls(KMXSIM_FN_AWB_ROI_INDEX);
    ASSERT_EQ(procedure.size(), 1u);
    EXPECT_EQ(procedure[0].args[3], 100u);
    EXPECT_EQ(procedure[0].args[6], 300u);
}

TEST_F(Cauto_process, AbortOrStopThroughTheThreadStateEndsTheProcedures)
{
    auto& capture = averaging(KMXSIM_PRESET_COLOR, 0, 0);
    ASSERT_EQ(capture.get_frame(), CAPTURE_OK);
    for (bool abort : {true, false}) {
        // A dark, unbalanced picture: every procedure has work to do, so the
        // library asks its callback before it could finish.
        unsigned lowest = 0, highest = 0;
        device.get_param_min(KMX_PARAM_RED_GAIN, &lowest);
        device.get_param_max(KMX_PARAM_BLUE_GAIN, &highest);
        device.set_param(KMX_PARAM_RED_GAIN, lowest);
        device.set_param(KMX_PARAM_BLUE_GAIN, highest);
        device.get_param_min(KMX_PARAM_GAIN, &lowest);
        device.set_param(KMX_PARAM_GAIN, lowest);
        device.set_param(KMX_PARAM_EXPOSURE, 10);
        Cthread_state requests;
        abort ? requests.set_abort() : requests.set_stop();
        unsigned gain = sentinel, index = sentinel, red = sentinel, green = sentinel,
                 blue = sentinel;
        const unsigned settings_gain = capture.get_settings()->get_gain();

        EXPECT_EQ(capture.agp_process(gain, &requests), CAPTURE_AUTO_STOPPED);
        EXPECT_EQ(capture.aep_process(index, gain, &requests), CAPTURE_AUTO_STOPPED);
        EXPECT_EQ(capture.wb_process(RECT{0, 0, 64, 64}, gain, red, green, blue, &requests),
                  CAPTURE_AUTO_STOPPED);

        EXPECT_EQ(gain, sentinel);
        EXPECT_EQ(index, sentinel);
        EXPECT_EQ(red, sentinel);
        EXPECT_EQ(capture.get_settings()->get_gain(), settings_gain);
        EXPECT_FALSE(capture.image_available());
        EXPECT_EQ(requests.stop_requested(), !abort) << "the request is left as it was";
    }
}

TEST_F(Cauto_process, CallbacksGoOnUnlessAskedToStop)
{
    Cthread_state requests;
    const auto user = reinterpret_cast<uintptr_t>(&requests);
    for (auto callback : {&Cmulti_probe::wb_callback, &Cmulti_probe::agp_callback,
                          &Cmulti_probe::aep_callback}) {
        EXPECT_EQ(callback(nullptr, 0), 1);
        EXPECT_EQ(callback(nullptr, user), 1);
        requests.set_stop();
        EXPECT_EQ(callback(nullptr, user), 0);
        requests.clear_stop();
        requests.set_abort();
        EXPECT_EQ(callback(nullptr, user), 0);
        requests.clear_abort();
    }
}

TEST_F(Cauto_process, DeepSettingsAreRefusedWithoutCallingTheCamera)
{
    auto& capture = averaging(KMXSIM_PRESET_MONO, 0, 0,
                              [](Csettings_probe& s) { EXPECT_TRUE(s.set_component_depth(12)); });
    capture.image_ready = 1;
    kmxsim_clear_calls();
    unsigned gain = sentinel, index = sentinel, red = sentinel, green = sentinel,
             blue = sentinel;

    EXPECT_EQ(capture.agp_process(gain), CAPTURE_AUTO_FAILED);
    EXPECT_EQ(capture.aep_process(index, gain), CAPTURE_AUTO_FAILED);
    EXPECT_EQ(capture.wb_process(RECT{0, 0, 8, 8}, gain, red, green, blue), CAPTURE_AUTO_FAILED);

    EXPECT_EQ(kmxsim_call_count(), 0u);
    EXPECT_EQ(gain, sentinel);
    EXPECT_TRUE(capture.image_available()) << "nothing was changed";
}

TEST_F(Cauto_process, OtherLibraryFailuresAreFailures)
{
    auto& capture = averaging(KMXSIM_PRESET_MONO, 0, 0);
    kmxsim_fail(KMXSIM_FN_AUTO_GAIN_INDEX, KMX_ERR_INJECTED, 0, 0);
    unsigned gain = sentinel;

    EXPECT_EQ(capture.agp_process(gain), CAPTURE_AUTO_FAILED);

    EXPECT_EQ(gain, sentinel);
    EXPECT_FALSE(capture.image_available());
}

TEST_F(Cauto_process, ExposureIndexIsTheTruncatedLogarithmOfTheSettledValue)
{
    Csettled_exposure_device settled;
    ASSERT_EQ(settled.open(capture_test::mono_camera_id, 0), 0);
    settings.init(settled.get_camera_handle());
    Cmulti_probe capture;
    capture.init(&settled, &settings);

    struct Ccase {
        unsigned value;
        unsigned index;
    };
    // 100 lies a hair below index 64's value (63.999999996), so it stays
    // on 63; values below index 0's count as index 0.
    const Ccase cases[] = {{100, 63}, {101, 64}, {5, 0}, {10, 0}, {11, 2},
                           {20, 19}, {1000, 127}, {100000, 255}};
    for (const auto& c : cases) {
        settled.exposure = c.value;
        unsigned index = sentinel, gain = sentinel;
        ASSERT_EQ(capture.aep_process(index, gain), CAPTURE_AUTO_DONE);
        EXPECT_EQ(index, c.index) << c.value;
        EXPECT_EQ(capture.get_settings()->get_exposure(), c.index) << c.value;
    }
    settled.close();
}

TEST_F(Cauto_process, CaptureWithoutDeviceRefuses)
{
    Cmulti_probe unbound;
    unsigned gain = sentinel;
    EXPECT_EQ(unbound.agp_process(gain), CAPTURE_AUTO_FAILED);
    EXPECT_EQ(gain, sentinel);
}

} // namespace
} // namespace multi_test
