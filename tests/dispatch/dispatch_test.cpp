// SPDX-License-Identifier: Apache-2.0
// The camera-library dispatch: which library it loads, that calls reach
// that library's own functions, and the clear failures of a library that
// is missing, incomplete or the dispatch itself.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "kmxlib/kmxlib_dispatch.h"

namespace {

bool ends_with(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string file_of(const void* address)
{
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr)
        return std::string();
    return info.dli_fname;
}

class Cdispatch_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv(KMXLIB_ENVIRONMENT);
        ASSERT_EQ(kmxlib_select(nullptr), KMX_OK);
    }
    void TearDown() override
    {
        if (instance != nullptr)
            kmx_close_interface(&instance);
        kmxlib_select(nullptr);
        unsetenv(KMXLIB_ENVIRONMENT);
    }

    kmx_instance_t* instance = nullptr;
};

TEST_F(Cdispatch_test, CallsBeforeAnyLibraryIsLoadedAnswerTheNullHandle)
{
    if (kmxlib_loaded_library()[0] != '\0')
        GTEST_SKIP() << "another test of this program loaded a library first";
    unsigned value = 0;
    kmx_camera_t* camera = nullptr;
    EXPECT_EQ(kmx_get_info(nullptr, KMX_INFO_CAPS, &value), KMX_ERR_NULL_HANDLE);
    EXPECT_EQ(kmx_open(nullptr, 1, 0, &camera), KMX_ERR_NULL_HANDLE);
    EXPECT_EQ(kmxlib_symbol("kmx_open"), nullptr);
}

TEST_F(Cdispatch_test, TheSimulatorIsTheDefaultAndAnswersThroughTheDispatch)
{
    ASSERT_EQ(kmx_open_interface(&instance), KMX_OK) << kmxlib_last_error();
    EXPECT_STREQ(kmxlib_last_error(), "");
    EXPECT_TRUE(ends_with(kmxlib_loaded_library(), KMXLIB_SIM_FILE)) << kmxlib_loaded_library();
    // This program's kmx_ calls are the dispatch's; the library's own
    // extras are reached through it.
    EXPECT_TRUE(ends_with(file_of(reinterpret_cast<void*>(&kmx_open)), KMXLIB_FILE));
    void* reset = kmxlib_symbol("kmxsim_reset");
    ASSERT_NE(reset, nullptr);
    EXPECT_TRUE(ends_with(file_of(reset), KMXLIB_SIM_FILE));
    EXPECT_EQ(kmxlib_symbol("no_such_function"), nullptr);
    kmx_camera_t* camera = nullptr;
    ASSERT_EQ(kmx_open(instance, 1, 0, &camera), KMX_OK);
    unsigned caps = 0;
    EXPECT_EQ(kmx_get_info(camera, KMX_INFO_CAPS, &caps), KMX_OK);
    EXPECT_NE(caps, 0u);
    EXPECT_EQ(kmx_close(instance, &camera), KMX_OK);
    EXPECT_EQ(camera, nullptr);
}

TEST_F(Cdispatch_test, TheLibraryCannotChangeWhileItsInstanceIsOpen)
{
    ASSERT_EQ(kmx_open_interface(&instance), KMX_OK);
    EXPECT_EQ(kmxlib_select("aravis"), KMX_ERR_IN_USE);
    EXPECT_NE(std::string(kmxlib_last_error()).find("while its instance is open"), std::string::npos);
    ASSERT_EQ(kmx_close_interface(&instance), KMX_OK);
    instance = nullptr;
    EXPECT_EQ(kmxlib_select("sim"), KMX_OK);
    EXPECT_EQ(kmxlib_select(std::string(5000, 'x').c_str()), KMX_ERR_BAD_ARGUMENT);
}

TEST_F(Cdispatch_test, UnusableLibrariesFailTheOpenWithAReason)
{
    struct Ccase {
        std::string name;
        int status;
        const char* reason;
    };
    const Ccase cases[] = {
        {"/nonexistent/libnothing.so", KMX_ERR_NOT_FOUND, "could not be loaded"},
        {PARTIAL_LIBRARY, KMX_ERR_NOT_SUPPORTED, "lacks kmx_close_interface"},
        {KMXLIB_PATH, KMX_ERR_NOT_SUPPORTED, "is the dispatch library itself"},
    };
    for (const Ccase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(kmxlib_select(c.name.c_str()), KMX_OK);
        EXPECT_EQ(kmx_open_interface(&instance), c.status);
        EXPECT_EQ(instance, nullptr);
        EXPECT_NE(std::string(kmxlib_last_error()).find(c.reason), std::string::npos)
            << kmxlib_last_error();
    }
    // A usable library afterwards opens as if nothing had happened.
    ASSERT_EQ(kmxlib_select("sim"), KMX_OK);
    EXPECT_EQ(kmx_open_interface(&instance), KMX_OK);
}

TEST_F(Cdispatch_test, TheEnvironmentChoosesUnlessTheApplicationDid)
{
    setenv(KMXLIB_ENVIRONMENT, "/nonexistent/libfromenv.so", 1);
    EXPECT_EQ(kmx_open_interface(&instance), KMX_ERR_NOT_FOUND);
    EXPECT_NE(std::string(kmxlib_last_error()).find("libfromenv"), std::string::npos);
    ASSERT_EQ(kmxlib_select("sim"), KMX_OK);
    ASSERT_EQ(kmx_open_interface(&instance), KMX_OK);
    ASSERT_EQ(kmx_close_interface(&instance), KMX_OK);
    instance = nullptr;
    setenv(KMXLIB_ENVIRONMENT, "sim", 1);
    ASSERT_EQ(kmxlib_select(""), KMX_OK);
    EXPECT_EQ(kmx_open_interface(&instance), KMX_OK);
}

} // namespace
