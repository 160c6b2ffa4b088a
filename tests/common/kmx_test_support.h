// SPDX-License-Identifier: Apache-2.0
// Shared test support: a fixture that gives every test a fresh simulated
// camera library and a released keyboard, one that also holds the library
// instance open and opens the preset cameras, and helpers to read the call
// record.
#ifndef KMX_TEST_SUPPORT_H
#define KMX_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <vector>

#include "kmxcore/camera/device.h"
#include "kmxcore/camera/kmx_interface.h"
#include "kmx_platform_control.h"
#include "kmxsim_control.h"

namespace kmx_test {

// Every recorded call, in order.
inline std::vector<kmxsim_call> recorded_calls()
{
    std::vector<kmxsim_call> calls(kmxsim_call_count());
    for (size_t i = 0; i < calls.size(); ++i)
        kmxsim_get_call(i, &calls[i]);
    return calls;
}

// The recorded calls of one function, in order.
inline std::vector<kmxsim_call> recorded_calls(kmxsim_fn fn)
{
    std::vector<kmxsim_call> selected;
    for (const auto& call : recorded_calls())
        if (call.fn == fn)
            selected.push_back(call);
    return selected;
}

// The recorded functions, in order: compact for sequence checks.
inline std::vector<kmxsim_fn> recorded_functions()
{
    std::vector<kmxsim_fn> fns;
    for (const auto& call : recorded_calls())
        fns.push_back(call.fn);
    return fns;
}

// (id, value) of every kmx_set_param, in order.
inline std::vector<std::pair<unsigned, unsigned>> recorded_param_writes()
{
    std::vector<std::pair<unsigned, unsigned>> writes;
    for (const auto& call : recorded_calls(KMXSIM_FN_SET_PARAM))
        writes.emplace_back(static_cast<unsigned>(call.args[0]),
                            static_cast<unsigned>(call.args[1]));
    return writes;
}

// Fresh simulator and keyboard before and after every test.
class Csim_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        kmxsim_reset();
        kmx_platform_release_all_keys();
    }
    void TearDown() override
    {
        kmx_platform_release_all_keys();
        kmxsim_reset();
    }
    // Starts a clean call record.
    static void start_recording()
    {
        kmxsim_clear_calls();
        kmxsim_record(1);
    }
};

// The ids under which the library lists the simulator's preset cameras.
constexpr unsigned mono_camera_id = 1;
constexpr unsigned colour_camera_id = 2;

inline unsigned preset_camera_id(kmxsim_preset which)
{
    return which == KMXSIM_PRESET_COLOR ? colour_camera_id : mono_camera_id;
}

// A fresh simulator with the library instance open for the whole test.
// Fixtures that open cameras close them in their own TearDown before
// calling this one, which closes the instance.
class Ccamera_test : public Csim_test {
protected:
    void SetUp() override
    {
        Csim_test::SetUp();
        ASSERT_EQ(library.open(), 0);
    }
    void TearDown() override
    {
        library.close();
        Csim_test::TearDown();
    }

    // The description of a preset camera, as the simulator holds it now.
    static kmxsim_camera_desc preset(kmxsim_preset which)
    {
        kmxsim_camera_desc desc{};
        EXPECT_EQ(kmxsim_get_camera(static_cast<unsigned>(which), &desc), 0);
        return desc;
    }

    // Replaces a preset camera's description; do it before opening it.
    static void reshape(kmxsim_preset which, const kmxsim_camera_desc& desc)
    {
        ASSERT_EQ(kmxsim_set_camera(static_cast<unsigned>(which), &desc), 0);
    }

    // Opens a preset camera on a device; the caller closes the device.
    static void open_preset(Cdevice& device, kmxsim_preset which)
    {
        EXPECT_EQ(device.open(preset_camera_id(which), 0), 0);
    }

    Ckmx_interface library;
};

} // namespace kmx_test

#endif
