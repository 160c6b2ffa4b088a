// Shared test support: a fixture that gives every test a fresh simulated
// camera library and a released keyboard, and helpers to read the call
// record.
#ifndef KMX_TEST_SUPPORT_H
#define KMX_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <vector>

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

} // namespace kmx_test

#endif
