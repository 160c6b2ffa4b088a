// SPDX-License-Identifier: Apache-2.0
// The simulated camera library answers the contract: instance, cameras,
// descriptions, parameters, conversions, the call record and faults.
#include <cmath>
#include <cstring>
#include <string>

#include "kmx_test_support.h"

namespace {

using kmx_test::Csim_test;

class Copen_camera : public Csim_test {
protected:
    void SetUp() override
    {
        Csim_test::SetUp();
        ASSERT_EQ(kmx_open_interface(&instance), 0);
        ASSERT_EQ(kmx_open(instance, 1, 0, &camera), 0);
    }
    kmx_instance_t* instance = nullptr;
    kmx_camera_t* camera = nullptr;
};

constexpr unsigned canary = 0xC0FFEEu;

TEST_F(Csim_test, EveryFunctionRefusesNullHandlesAndWritesNothing)
{
    unsigned u = canary, u2 = canary;
    double d = 1234.5;
    char text[8] = "abcdefg";
    unsigned char lut[256] = {};
    kmx_frame_t frame{};
    RECT r{0, 0, 4, 4};
    kmx_camera_t* cam = nullptr;
    kmx_camera_list_t* list = nullptr;
    kmx_instance_t* inst = nullptr;

    EXPECT_NE(kmx_open_interface(nullptr), 0);
    EXPECT_NE(kmx_close_interface(nullptr), 0);
    EXPECT_NE(kmx_close_interface(&inst), 0);
    EXPECT_NE(kmx_list(nullptr, &list), 0);
    EXPECT_NE(kmx_dispose_object(nullptr), 0);
    void* nothing = nullptr;
    EXPECT_NE(kmx_dispose_object(&nothing), 0);
    EXPECT_NE(kmx_open(nullptr, 1, 0, &cam), 0);
    EXPECT_NE(kmx_open_any(nullptr, &u, &u2, &cam), 0);
    EXPECT_NE(kmx_close(nullptr, &cam), 0);
    EXPECT_NE(kmx_get_camera_vendor_desc(nullptr, 1, 0, text, sizeof text), 0);
    EXPECT_NE(kmx_get_camera_vendor_prefix(nullptr, 1, 0, text, sizeof text), 0);
    EXPECT_NE(kmx_get_camera_product_desc(nullptr, 1, 0, text, sizeof text), 0);
    EXPECT_STREQ(text, "abcdefg");
    EXPECT_NE(kmx_camera_vendor_desc(nullptr, text, sizeof text), 0);
    EXPECT_NE(kmx_camera_vendor_prefix(nullptr, text, sizeof text), 0);
    EXPECT_NE(kmx_camera_product_desc(nullptr, text, sizeof text), 0);
    EXPECT_STREQ(text, "abcdefg");
    EXPECT_NE(kmx_setup_camera(nullptr, 0), 0);
    EXPECT_NE(kmx_assign_buffers(nullptr, &frame, 1), 0);
    EXPECT_NE(kmx_release_buffers(nullptr), 0);
    EXPECT_NE(kmx_start_frame_index(nullptr, 0), 0);
    EXPECT_NE(kmx_start_frame(nullptr, &frame), 0);
    EXPECT_NE(kmx_check_for_complete(nullptr), 0);
    EXPECT_NE(kmx_check_start_next(nullptr, 1), 0);
    EXPECT_NE(kmx_abort_frame(nullptr), 0);
    EXPECT_NE(kmx_copy_frame(nullptr, &frame, 2, lut, r, 16), 0);
    EXPECT_NE(kmx_copy_roi(nullptr, &frame, r, 2, lut, r, 16), 0);
    EXPECT_NE(kmx_get_param(nullptr, 0, &u), 0);
    EXPECT_NE(kmx_get_param_min(nullptr, 0, &u), 0);
    EXPECT_NE(kmx_get_param_max(nullptr, 0, &u), 0);
    EXPECT_NE(kmx_get_param_default(nullptr, 0, &u), 0);
    EXPECT_NE(kmx_set_param(nullptr, 0, 1), 0);
    EXPECT_NE(kmx_get_fparam(nullptr, KMX_FPARAM_GAMMA, &d), 0);
    EXPECT_NE(kmx_get_fparam_min(nullptr, KMX_FPARAM_GAMMA, &d), 0);
    EXPECT_NE(kmx_get_fparam_max(nullptr, KMX_FPARAM_GAMMA, &d), 0);
    EXPECT_NE(kmx_get_fparam_default(nullptr, KMX_FPARAM_GAMMA, &d), 0);
    EXPECT_NE(kmx_set_fparam(nullptr, KMX_FPARAM_GAMMA, 1.0), 0);
    EXPECT_NE(kmx_get_info(nullptr, KMX_INFO_CAPS, &u), 0);
    EXPECT_NE(kmx_get_stat(nullptr, 0, &u), 0);
    EXPECT_NE(kmx_reset_stat(nullptr, 0), 0);
    EXPECT_NE(kmx_exp_to_index(nullptr, 100, &u), 0);
    EXPECT_NE(kmx_index_to_exp(nullptr, 1, &u), 0);
    EXPECT_NE(kmx_gain_to_index(nullptr, 1.0, &u), 0);
    EXPECT_NE(kmx_bl_to_index(nullptr, 1.0, &u), 0);
    EXPECT_NE(kmx_wb_gain_to_index(nullptr, 1.0, &u), 0);
    EXPECT_NE(kmx_gamma_to_index(nullptr, 1.0, &u), 0);
    EXPECT_NE(kmx_index_to_gain(nullptr, 1, &d), 0);
    EXPECT_NE(kmx_index_to_bl(nullptr, 1, &d), 0);
    EXPECT_NE(kmx_index_to_wb_gain(nullptr, 1, &d), 0);
    EXPECT_NE(kmx_index_to_gamma(nullptr, 1, &d), 0);
    EXPECT_NE(kmx_load_lut(nullptr, lut, 256), 0);
    EXPECT_NE(kmx_get_lut(nullptr, lut, 256), 0);
    EXPECT_NE(kmx_awb_roi_index(nullptr, 0, nullptr, 0, r), 0);
    EXPECT_NE(kmx_auto_gain_index(nullptr, 0, nullptr, 0, 0, 10), 0);
    EXPECT_NE(kmx_auto_exp_index(nullptr, 0, nullptr, 0, 10, 100), 0);
    EXPECT_NE(kmx_auto_exp_index_ex(nullptr, 0, nullptr, 0, 10, 100, 0, 10), 0);
    EXPECT_NE(kmx_awb_roi(nullptr, &frame, nullptr, 0, r), 0);
    EXPECT_NE(kmx_auto_gain(nullptr, &frame, nullptr, 0, 0, 10), 0);
    EXPECT_NE(kmx_auto_exp(nullptr, &frame, nullptr, 0, 10, 100), 0);
    EXPECT_NE(kmx_auto_exp_ex(nullptr, &frame, nullptr, 0, 10, 100, 0, 10), 0);
    EXPECT_NE(kmx_register_event_callback(nullptr, KMX_EVENT_FRAME_COMPLETE, nullptr, 0, 0), 0);
    EXPECT_NE(kmx_remove_event_callback(nullptr, KMX_EVENT_FRAME_COMPLETE), 0);

    EXPECT_EQ(u, canary);
    EXPECT_EQ(u2, canary);
    EXPECT_EQ(d, 1234.5);
    EXPECT_EQ(cam, nullptr);
    EXPECT_EQ(list, nullptr);
}

TEST_F(Copen_camera, NullOutPointersAndUnknownIdsAreRefused)
{
    unsigned u = canary;
    double d = 1234.5;
    for (unsigned id : {13u, 14u, 17u, 23u, 100u, 0xFFFFFFFFu}) {
        EXPECT_NE(kmx_get_param(camera, id, &u), 0) << id;
        EXPECT_NE(kmx_get_param_min(camera, id, &u), 0) << id;
        EXPECT_NE(kmx_get_param_max(camera, id, &u), 0) << id;
        EXPECT_NE(kmx_get_param_default(camera, id, &u), 0) << id;
        EXPECT_NE(kmx_set_param(camera, id, 0), 0) << id;
        EXPECT_NE(kmx_get_info(camera, id, &u), 0) << id;
    }
    for (unsigned id : {0u, 22u, 24u}) {
        EXPECT_NE(kmx_get_fparam(camera, id, &d), 0);
        EXPECT_NE(kmx_set_fparam(camera, id, 1.0), 0);
    }
    EXPECT_EQ(u, canary);
    EXPECT_EQ(d, 1234.5);

    EXPECT_NE(kmx_get_param(camera, 0, nullptr), 0);
    EXPECT_NE(kmx_get_param_default(camera, 0, nullptr), 0);
    EXPECT_NE(kmx_get_fparam(camera, KMX_FPARAM_GAMMA, nullptr), 0);
    EXPECT_NE(kmx_get_info(camera, KMX_INFO_CAPS, nullptr), 0);
    EXPECT_NE(kmx_get_stat(camera, 0, nullptr), 0);
    EXPECT_NE(kmx_exp_to_index(camera, 100, nullptr), 0);
    EXPECT_NE(kmx_index_to_gain(camera, 1, nullptr), 0);
    EXPECT_NE(kmx_gain_to_index(camera, std::nan(""), &u), 0);
    EXPECT_NE(kmx_camera_vendor_desc(camera, nullptr, 10), 0);
    char text[4] = "xyz";
    EXPECT_NE(kmx_camera_product_desc(camera, text, 0), 0);
    EXPECT_STREQ(text, "xyz");
    EXPECT_NE(kmx_list(instance, nullptr), 0);
    EXPECT_NE(kmx_open(instance, 1, 0, nullptr), 0);
    EXPECT_NE(kmx_start_frame(camera, nullptr), 0);
    EXPECT_NE(kmx_start_frame_index(camera, 0), 0); // no records assigned
    EXPECT_NE(kmx_assign_buffers(camera, nullptr, 2), 0);
    EXPECT_NE(kmx_register_event_callback(camera, 99, nullptr, 0, 0), 0);
    EXPECT_NE(kmx_remove_event_callback(camera, KMX_EVENT_FRAME_COMPLETE), 0);
}

TEST_F(Csim_test, OneInstanceAtATime)
{
    kmx_instance_t* a = nullptr;
    kmx_instance_t* b = nullptr;
    ASSERT_EQ(kmx_open_interface(&a), 0);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(kmx_open_interface(&b), KMX_ERR_IN_USE);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(kmx_close_interface(&a), 0);
    EXPECT_NE(kmx_close_interface(&a), 0);
    EXPECT_EQ(kmx_open_interface(&b), 0);
}

TEST_F(Copen_camera, OpenRefusesACameraAlreadyOpenAndUnknownWords)
{
    int marker = 0;
    kmx_camera_t* again = reinterpret_cast<kmx_camera_t*>(&marker);
    EXPECT_EQ(kmx_open(instance, 1, 0, &again), KMX_ERR_IN_USE);
    EXPECT_EQ(again, nullptr);
    EXPECT_EQ(kmx_open(instance, 7, 0, &again), KMX_ERR_NOT_FOUND);
    EXPECT_EQ(kmxsim_camera_slot(camera), KMXSIM_PRESET_MONO);
}

TEST_F(Copen_camera, OpenAnySkipsOpenCamerasAndReportsItsChoice)
{
    unsigned id = 1, index = 0;
    kmx_camera_t* other = nullptr;
    ASSERT_EQ(kmx_open_any(instance, &id, &index, &other), 0);
    EXPECT_EQ(id, 2u);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(kmxsim_camera_slot(other), KMXSIM_PRESET_COLOR);

    unsigned id3 = 2, index3 = 0;
    kmx_camera_t* third = nullptr;
    EXPECT_NE(kmx_open_any(instance, &id3, &index3, &third), 0);
    EXPECT_EQ(id3, 2u); // words untouched on failure
    EXPECT_EQ(third, nullptr);

    EXPECT_EQ(kmx_close(instance, &camera), 0);
    EXPECT_EQ(camera, nullptr);
    EXPECT_EQ(kmx_open_any(instance, &id3, &index3, &third), 0);
    EXPECT_EQ(id3, 1u);
    EXPECT_EQ(kmx_close(instance, &third), 0);
    EXPECT_EQ(kmx_close(instance, &other), 0);
}

TEST_F(Copen_camera, ClosedHandleIsRefusedNotDereferenced)
{
    kmx_camera_t* stale = camera;
    ASSERT_EQ(kmx_close(instance, &camera), 0);
    unsigned u = canary;
    EXPECT_EQ(kmx_get_param(stale, 0, &u), KMX_ERR_NULL_HANDLE);
    EXPECT_EQ(u, canary);
    EXPECT_NE(kmx_close(instance, &stale), 0);
}

TEST_F(Copen_camera, ListIsDisposedAndNulled)
{
    kmx_camera_list_t* list = nullptr;
    ASSERT_EQ(kmx_list(instance, &list), 0);
    ASSERT_NE(list, nullptr);
    void* object = list;
    EXPECT_EQ(kmx_dispose_object(&object), 0);
    EXPECT_EQ(object, nullptr);
    int foreign = 0;
    object = &foreign;
    EXPECT_NE(kmx_dispose_object(&object), 0);
    EXPECT_EQ(object, &foreign);
}

TEST_F(Copen_camera, DescriptionsAreTruncatedWithinTheBufferAndTerminated)
{
    char text[64];
    ASSERT_EQ(kmx_camera_product_desc(camera, text, sizeof text), 0);
    EXPECT_STREQ(text, "KMX-M640 monochrome");
    ASSERT_EQ(kmx_get_camera_product_desc(instance, 2, 0, text, sizeof text), 0);
    EXPECT_STREQ(text, "KMX-C1280 colour");
    ASSERT_EQ(kmx_get_camera_vendor_prefix(instance, 1, 0, text, sizeof text), 0);
    EXPECT_STREQ(text, "KMX");

    // Six bytes of room inside a guarded buffer: five characters and the
    // terminator, the guard untouched.
    char guarded[10];
    std::memset(guarded, '#', sizeof guarded);
    ASSERT_EQ(kmx_camera_vendor_desc(camera, guarded, 6), 0);
    EXPECT_STREQ(guarded, "Kinem");
    EXPECT_EQ(std::string(guarded + 6, 4), "####");
    ASSERT_EQ(kmx_get_camera_vendor_desc(instance, 1, 0, guarded, 1), 0);
    EXPECT_EQ(guarded[0], '\0');
    EXPECT_EQ(guarded[1], 'i');

    EXPECT_EQ(kmx_get_camera_vendor_desc(instance, 9, 9, text, sizeof text), KMX_ERR_NOT_FOUND);
}

TEST_F(Copen_camera, PresetLimitsDefaultsAndInfo)
{
    unsigned v = 0;
    const struct {
        unsigned id, min, max, def;
    } expected[] = {{0, 0, 1023, 281}, {1, 0, 127, 32}, {4, 0, 256, 1000}, {5, 0, 255, 39},
                    {6, 0, 4, 1},      {7, 0, 11, 2},   {8, 0, 0xFFFFFFFFu, 0},
                    {22, 0, 255, 127}};
    for (const auto& e : expected) {
        EXPECT_EQ(kmx_get_param_min(camera, e.id, &v), 0);
        EXPECT_EQ(v, e.min) << e.id;
        EXPECT_EQ(kmx_get_param_max(camera, e.id, &v), 0);
        EXPECT_EQ(v, e.max) << e.id;
        EXPECT_EQ(kmx_get_param_default(camera, e.id, &v), 0);
        EXPECT_EQ(v, e.def) << e.id;
        EXPECT_EQ(kmx_get_param(camera, e.id, &v), 0);
        EXPECT_EQ(v, e.def) << e.id;
    }
    double g = 0;
    EXPECT_EQ(kmx_get_fparam_max(camera, KMX_FPARAM_GAMMA, &g), 0);
    EXPECT_DOUBLE_EQ(g, 3.3);
    const struct {
        unsigned key, value;
    } info[] = {{KMX_INFO_SERIAL_NO, 1001}, {KMX_INFO_MAX_WIDTH, 640},   {KMX_INFO_MAX_HEIGHT, 480},
                {KMX_INFO_PREVIEW_WIDTH, 320}, {KMX_INFO_PREVIEW_HEIGHT, 240}, {KMX_INFO_CAPS, 0xE007}};
    for (const auto& i : info) {
        EXPECT_EQ(kmx_get_info(camera, i.key, &v), 0);
        EXPECT_EQ(v, i.value) << i.key;
    }
}

TEST_F(Copen_camera, SetParamRefusesOutOfRangeAndUnsupportedValuesUnchanged)
{
    unsigned v = 0;
    EXPECT_EQ(kmx_set_param(camera, KMX_PARAM_GAIN, 1023), 0);
    EXPECT_NE(kmx_set_param(camera, KMX_PARAM_GAIN, 1024), 0);
    kmx_get_param(camera, KMX_PARAM_GAIN, &v);
    EXPECT_EQ(v, 1023u);

    EXPECT_EQ(kmx_set_param(camera, KMX_PARAM_EXPOSURE, 10), 0);
    EXPECT_EQ(kmx_set_param(camera, KMX_PARAM_EXPOSURE, 100000), 0);
    EXPECT_NE(kmx_set_param(camera, KMX_PARAM_EXPOSURE, 9), 0);
    EXPECT_NE(kmx_set_param(camera, KMX_PARAM_EXPOSURE, 100001), 0);
    kmx_get_param(camera, KMX_PARAM_EXPOSURE, &v);
    EXPECT_EQ(v, 100000u);

    // Monochrome camera: colour formats refused, raw and deep mono taken.
    for (unsigned code : {4u, 5u, 6u, 7u, 8u, 11u, 1u, 9u})
        EXPECT_NE(kmx_set_param(camera, KMX_PARAM_FORMAT, code), 0) << code;
    kmx_get_param(camera, KMX_PARAM_FORMAT, &v);
    EXPECT_EQ(v, 2u);
    for (unsigned code : {0u, 2u, 3u, 10u})
        EXPECT_EQ(kmx_set_param(camera, KMX_PARAM_FORMAT, code), 0) << code;
    EXPECT_EQ(kmx_set_param(camera, KMX_PARAM_8, 0xFFFFFFFFu), 0);
    EXPECT_NE(kmx_set_fparam(camera, KMX_FPARAM_GAMMA, 3.4), 0);
    EXPECT_NE(kmx_set_fparam(camera, KMX_FPARAM_GAMMA, std::nan("")), 0);
    EXPECT_EQ(kmx_set_fparam(camera, KMX_FPARAM_GAMMA, 2.2), 0);
    double g = 0;
    kmx_get_fparam(camera, KMX_FPARAM_GAMMA, &g);
    EXPECT_DOUBLE_EQ(g, 2.2);
}

TEST_F(Csim_test, ModesNeedTheirCapabilityAndColourFormatsNeedDepths)
{
    kmxsim_camera_desc d;
    ASSERT_EQ(kmxsim_preset_desc(KMXSIM_PRESET_COLOR, &d), 0);
    d.camera_id = 9;
    d.caps = KMX_CAP_COLOR | KMX_CAP_DEPTH8;
    ASSERT_GE(kmxsim_add_camera(&d), 0);
    kmx_instance_t* inst = nullptr;
    kmx_camera_t* cam = nullptr;
    ASSERT_EQ(kmx_open_interface(&inst), 0);
    ASSERT_EQ(kmx_open(inst, 9, 0, &cam), 0);
    EXPECT_NE(kmx_set_param(cam, KMX_PARAM_TEST_MODE, 1), 0);
    EXPECT_NE(kmx_set_param(cam, KMX_PARAM_PREVIEW, 1), 0);
    EXPECT_NE(kmx_set_param(cam, KMX_PARAM_BIN, 1), 0);
    EXPECT_EQ(kmx_set_param(cam, KMX_PARAM_BIN, 0), 0);
    EXPECT_NE(kmx_set_param(cam, KMX_PARAM_FORMAT, 5), 0);
    EXPECT_NE(kmx_set_param(cam, KMX_PARAM_FORMAT, 2), 0);
    EXPECT_EQ(kmx_set_param(cam, KMX_PARAM_FORMAT, 8), 0);
}

TEST_F(Copen_camera, ExposureConversionsAgreeBothWays)
{
    unsigned value = 0, index = 0;
    const unsigned known[][2] = {{0, 10}, {64, 100}, {128, 1000}, {256, 100000}};
    for (const auto& k : known) {
        ASSERT_EQ(kmx_index_to_exp(camera, k[0], &value), 0);
        EXPECT_EQ(value, k[1]);
    }
    EXPECT_NE(kmx_index_to_exp(camera, 257, &value), 0);
    unsigned previous = 0;
    for (unsigned i = 0; i <= 256; ++i) {
        kmx_index_to_exp(camera, i, &value);
        ASSERT_GE(value, previous);
        kmx_exp_to_index(camera, value, &index);
        unsigned back = 0;
        kmx_index_to_exp(camera, index, &back);
        // Low indexes share values (whole microseconds); where values
        // differ the index comes back exactly.
        EXPECT_EQ(back, value) << i;
        if (value != previous) {
            EXPECT_EQ(index, i);
        }
        previous = value;
    }
    kmx_exp_to_index(camera, 5, &index);
    EXPECT_EQ(index, 0u);
    kmx_exp_to_index(camera, 10000000, &index);
    EXPECT_EQ(index, 256u);
}

TEST_F(Copen_camera, IndexValueConversionsRoundTrip)
{
    for (unsigned i = 0; i <= 1023; ++i) {
        double v = 0;
        unsigned back = 0;
        kmx_index_to_gain(camera, i, &v);
        kmx_gain_to_index(camera, v, &back);
        EXPECT_EQ(back, i);
        kmx_index_to_bl(camera, i, &v);
        kmx_bl_to_index(camera, v, &back);
        EXPECT_EQ(back, i);
        kmx_index_to_wb_gain(camera, i, &v);
        kmx_wb_gain_to_index(camera, v, &back);
        EXPECT_EQ(back, i);
        kmx_index_to_gamma(camera, i, &v);
        kmx_gamma_to_index(camera, v, &back);
        EXPECT_EQ(back, i);
    }
    double v = 0;
    kmx_index_to_gain(camera, 256, &v);
    EXPECT_DOUBLE_EQ(v, 2.0);
    unsigned index = 7;
    kmx_gain_to_index(camera, 8.0, &index);
    EXPECT_EQ(index, 768u); // beyond the camera's maximum: not clamped
    kmx_gain_to_index(camera, -1.0, &index);
    EXPECT_EQ(index, 0u);
    kmx_bl_to_index(camera, -3.0, &index);
    EXPECT_EQ(index, 0u);
    kmx_gamma_to_index(camera, 0.0, &index);
    EXPECT_EQ(index, 0u);
    kmx_wb_gain_to_index(camera, 1e300, &index); // capped, never wrapped
    EXPECT_EQ(index, 0xFFFFFFFFu);
}

TEST_F(Copen_camera, CallRecordKeepsArgumentsStatusAndOrder)
{
    start_recording();
    unsigned v = 0;
    kmx_set_param(camera, KMX_PARAM_GAIN, 300);
    kmx_get_param(camera, 13, &v);
    double g = 0;
    kmx_get_fparam(camera, KMX_FPARAM_GAMMA, &g);
    kmx_copy_frame(camera, nullptr, 2, nullptr, RECT{-1, 2, 3, 4}, 9);
    kmxsim_record(0);
    kmx_setup_camera(camera, 0);

    const auto calls = kmx_test::recorded_calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].fn, KMXSIM_FN_SET_PARAM);
    EXPECT_EQ(calls[0].handle, camera);
    EXPECT_EQ(calls[0].status, 0);
    EXPECT_EQ(calls[0].nargs, 2u);
    EXPECT_EQ(calls[0].args[1], 300u);
    EXPECT_EQ(calls[1].status, KMX_ERR_BAD_ARGUMENT);
    EXPECT_EQ(calls[1].args[1], reinterpret_cast<uintptr_t>(&v));
    EXPECT_DOUBLE_EQ(calls[2].fvalue, 1.0);
    ASSERT_EQ(calls[3].nargs, 8u);
    EXPECT_EQ(static_cast<int64_t>(calls[3].args[3]), -1);
    EXPECT_EQ(calls[3].args[7], 9u);
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_SETUP_CAMERA), 0u);
    EXPECT_STREQ(kmxsim_fn_name(KMXSIM_FN_REMOVE_EVENT_CALLBACK), "kmx_remove_event_callback");
    EXPECT_STREQ(kmxsim_fn_name(KMXSIM_FN_COUNT), "?");
}

TEST_F(Copen_camera, FaultsSkipThenFailTimesThenPass)
{
    kmxsim_fail(KMXSIM_FN_GET_PARAM, 77, 2, 1);
    unsigned v = canary;
    EXPECT_EQ(kmx_get_param(camera, 0, &v), 0);
    v = canary;
    EXPECT_EQ(kmx_get_param(camera, 0, &v), 77);
    EXPECT_EQ(kmx_get_param(camera, 0, &v), 77);
    EXPECT_EQ(v, canary); // a faulted call does nothing
    EXPECT_EQ(kmx_get_param(camera, 0, &v), 0);

    kmxsim_fail(KMXSIM_FN_SET_PARAM, 5, 0, 0);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(kmx_set_param(camera, 0, 1), 5);
    kmxsim_clear_fault(KMXSIM_FN_SET_PARAM);
    EXPECT_EQ(kmx_set_param(camera, 0, 1), 0);

    kmxsim_fail(KMXSIM_FN_OPEN_INTERFACE, 3, 1, 0);
    kmx_instance_t* other = nullptr;
    EXPECT_EQ(kmx_open_interface(&other), 3);
    EXPECT_EQ(other, nullptr);
}

TEST_F(Csim_test, ControlRefusesBadDescriptionsAndResetRestoresPresets)
{
    kmxsim_camera_desc d;
    EXPECT_NE(kmxsim_preset_desc(KMXSIM_PRESET_COUNT, &d), 0);
    ASSERT_EQ(kmxsim_preset_desc(KMXSIM_PRESET_MONO, &d), 0);
    d.params[0].min = 10;
    d.params[0].max = 5;
    EXPECT_EQ(kmxsim_add_camera(&d), -1);
    EXPECT_EQ(kmxsim_add_camera(nullptr), -1);
    kmxsim_clear_cameras();
    EXPECT_EQ(kmxsim_camera_count(), 0u);
    kmxsim_reset();
    EXPECT_EQ(kmxsim_camera_count(), 2u);
    ASSERT_EQ(kmxsim_get_camera(KMXSIM_PRESET_COLOR, &d), 0);
    EXPECT_EQ(d.caps, 0xF107u);
    EXPECT_EQ(d.params[KMX_PARAM_FORMAT].def, 4u);
    EXPECT_NE(kmxsim_get_camera(2, &d), 0);
}

} // namespace
