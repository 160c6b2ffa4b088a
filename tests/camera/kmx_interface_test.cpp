// SPDX-License-Identifier: Apache-2.0
// The process's library instance: opened once, closed by anyone, and the
// static pass-throughs handing the handle (null included) to the library.
#include <gtest/gtest.h>

#include "kmxcore/camera/kmx_interface.h"
#include "kmx_test_support.h"

namespace {

using kmx_test::recorded_calls;
using kmx_test::recorded_functions;

class Ckmx_interface_test : public kmx_test::Csim_test {
protected:
    void TearDown() override
    {
        Ckmx_interface().close();
        Csim_test::TearDown();
    }
};

TEST_F(Ckmx_interface_test, OpenMakesOneLibraryCallAndSecondOpenNone)
{
    Ckmx_interface first;
    start_recording();
    ASSERT_EQ(first.open(), 0);
    EXPECT_NE(Ckmx_interface::get_interface(), nullptr);
    EXPECT_EQ(recorded_functions(), std::vector<kmxsim_fn>{KMXSIM_FN_OPEN_INTERFACE});

    kmxsim_clear_calls();
    Ckmx_interface second;
    EXPECT_EQ(second.open(), 0);
    EXPECT_EQ(first.open(), 0);
    EXPECT_TRUE(recorded_calls().empty());
}

TEST_F(Ckmx_interface_test, CloseWithoutInstanceMakesNoLibraryCall)
{
    Ckmx_interface instance;
    start_recording();
    instance.close();
    EXPECT_TRUE(recorded_calls().empty());
    EXPECT_EQ(Ckmx_interface::get_interface(), nullptr);
}

TEST_F(Ckmx_interface_test, RefusedOpenReportsFailureAndKeepsHandleNull)
{
    kmxsim_fail(KMXSIM_FN_OPEN_INTERFACE, KMX_ERR_INJECTED, 1, 0);
    Ckmx_interface instance;
    EXPECT_EQ(instance.open(), 1);
    EXPECT_EQ(Ckmx_interface::get_interface(), nullptr);
    // The refusal was one-off: the next open succeeds.
    EXPECT_EQ(instance.open(), 0);
    EXPECT_NE(Ckmx_interface::get_interface(), nullptr);
}

TEST_F(Ckmx_interface_test, DestroyingAnyObjectClosesTheSharedInstance)
{
    Ckmx_interface opener;
    ASSERT_EQ(opener.open(), 0);
    start_recording();
    {
        Ckmx_interface bystander;
        Ckmx_interface copy(opener);
    }
    EXPECT_EQ(Ckmx_interface::get_interface(), nullptr);
    // Only the first destruction found an instance to close.
    EXPECT_EQ(recorded_functions(), std::vector<kmxsim_fn>{KMXSIM_FN_CLOSE_INTERFACE});
}

TEST_F(Ckmx_interface_test, CopyingNeitherOpensNorCloses)
{
    Ckmx_interface opener;
    ASSERT_EQ(opener.open(), 0);
    start_recording();
    Ckmx_interface copy(opener);
    Ckmx_interface assigned;
    assigned = opener;
    EXPECT_TRUE(recorded_calls().empty());
    EXPECT_NE(Ckmx_interface::get_interface(), nullptr);
}

TEST_F(Ckmx_interface_test, StaticsPassTheNullHandleWhenNoInstanceIsOpen)
{
    start_recording();
    kmx_camera_list_t* list = nullptr;
    EXPECT_NE(Ckmx_interface::list(&list), 0);
    char text[32] = "unchanged";
    EXPECT_NE(Ckmx_interface::camera_vendor_desc(1, 0, text, sizeof text), 0);
    const auto calls = recorded_calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].fn, KMXSIM_FN_LIST);
    EXPECT_EQ(calls[0].handle, nullptr);
    EXPECT_EQ(calls[1].fn, KMXSIM_FN_GET_CAMERA_VENDOR_DESC);
    EXPECT_EQ(calls[1].handle, nullptr);
}

TEST_F(Ckmx_interface_test, DescriptionsOfAClosedCameraComeThroughTheInstance)
{
    Ckmx_interface instance;
    ASSERT_EQ(instance.open(), 0);
    char vendor[64] = {};
    char product[64] = {};
    char prefix[64] = {};
    ASSERT_EQ(Ckmx_interface::camera_vendor_desc(1, 0, vendor, sizeof vendor), 0);
    ASSERT_EQ(Ckmx_interface::camera_product_desc(1, 0, product, sizeof product), 0);
    ASSERT_EQ(Ckmx_interface::camera_product_prefix(1, 0, prefix, sizeof prefix), 0);
    EXPECT_STREQ(vendor, "Kinemetrix Imaging");
    EXPECT_STREQ(product, "KMX-M640 monochrome");
    // There is no product prefix in the camera library: the description serves.
    EXPECT_STREQ(prefix, product);
    EXPECT_NE(Ckmx_interface::camera_product_desc(99, 0, product, sizeof product), 0);
}

TEST_F(Ckmx_interface_test, ListIsDisposedThroughTheInstanceStatics)
{
    Ckmx_interface instance;
    ASSERT_EQ(instance.open(), 0);
    kmx_camera_list_t* list = nullptr;
    ASSERT_EQ(Ckmx_interface::list(&list), 0);
    ASSERT_NE(list, nullptr);
    void* object = list;
    EXPECT_EQ(Ckmx_interface::dispose_object(&object), 0);
    EXPECT_EQ(object, nullptr);
}

} // namespace
