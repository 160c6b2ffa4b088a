// SPDX-License-Identifier: Apache-2.0
// Windows-only checks of the 32-bit DLLs: the record layouts the camera
// library and the worker threads rely on, and that every contract function
// can be found by name at run time, as a program that loads the camera
// library with LoadLibrary does.
#include <cstddef>
#include <cstdint>
#include <set>

#include <gtest/gtest.h>

#include "kmxcore/capture/thread_state.h"
#include "kmx_platform.h"
#include "kmxcore/camera/kmxlib.h"
#include "kmxsim_control.h"

// The checks in kmxlib.h are written for 32-bit pointers; make sure they
// are really evaluated here and not skipped.
static_assert(sizeof(void*) == 4, "the Windows DLL is a 32-bit build");
static_assert(sizeof(kmx_frame_t) == 40, "kmx_frame_t is 40 bytes");
static_assert(offsetof(kmx_frame_t, buffer) == 0, "kmx_frame_t: buffer pointer at offset 0");
static_assert(offsetof(kmx_frame_t, buffer_size) == 4, "kmx_frame_t: buffer size at offset 4");
static_assert(offsetof(kmx_frame_t, reserved) == 8, "kmx_frame_t: reserved words from offset 8");

// Six 32-bit words after the virtual table pointer, nothing else.
static_assert(sizeof(Cthread_state) == sizeof(void*) + 6 * sizeof(std::uint32_t),
              "Cthread_state holds six 32-bit words");

static_assert(KMXSIM_FN_COUNT == 58, "the contract has 58 functions");

namespace {

// Any function pointer converts to and from this type without a warning.
using any_fn = void (*)();

struct Cnamed {
    kmxsim_fn fn;
    const char* name;
};

// The C name of every contract function.
const Cnamed contract[] = {
    {KMXSIM_FN_OPEN_INTERFACE, "kmx_open_interface"},
    {KMXSIM_FN_CLOSE_INTERFACE, "kmx_close_interface"},
    {KMXSIM_FN_LIST, "kmx_list"},
    {KMXSIM_FN_DISPOSE_OBJECT, "kmx_dispose_object"},
    {KMXSIM_FN_OPEN, "kmx_open"},
    {KMXSIM_FN_OPEN_ANY, "kmx_open_any"},
    {KMXSIM_FN_CLOSE, "kmx_close"},
    {KMXSIM_FN_GET_CAMERA_VENDOR_DESC, "kmx_get_camera_vendor_desc"},
    {KMXSIM_FN_GET_CAMERA_VENDOR_PREFIX, "kmx_get_camera_vendor_prefix"},
    {KMXSIM_FN_GET_CAMERA_PRODUCT_DESC, "kmx_get_camera_product_desc"},
    {KMXSIM_FN_CAMERA_VENDOR_DESC, "kmx_camera_vendor_desc"},
    {KMXSIM_FN_CAMERA_VENDOR_PREFIX, "kmx_camera_vendor_prefix"},
    {KMXSIM_FN_CAMERA_PRODUCT_DESC, "kmx_camera_product_desc"},
    {KMXSIM_FN_SETUP_CAMERA, "kmx_setup_camera"},
    {KMXSIM_FN_ASSIGN_BUFFERS, "kmx_assign_buffers"},
    {KMXSIM_FN_RELEASE_BUFFERS, "kmx_release_buffers"},
    {KMXSIM_FN_START_FRAME_INDEX, "kmx_start_frame_index"},
    {KMXSIM_FN_START_FRAME, "kmx_start_frame"},
    {KMXSIM_FN_CHECK_FOR_COMPLETE, "kmx_check_for_complete"},
    {KMXSIM_FN_CHECK_START_NEXT, "kmx_check_start_next"},
    {KMXSIM_FN_ABORT_FRAME, "kmx_abort_frame"},
    {KMXSIM_FN_COPY_FRAME, "kmx_copy_frame"},
    {KMXSIM_FN_COPY_ROI, "kmx_copy_roi"},
    {KMXSIM_FN_GET_PARAM, "kmx_get_param"},
    {KMXSIM_FN_GET_PARAM_MIN, "kmx_get_param_min"},
    {KMXSIM_FN_GET_PARAM_MAX, "kmx_get_param_max"},
    {KMXSIM_FN_GET_PARAM_DEFAULT, "kmx_get_param_default"},
    {KMXSIM_FN_SET_PARAM, "kmx_set_param"},
    {KMXSIM_FN_GET_FPARAM, "kmx_get_fparam"},
    {KMXSIM_FN_GET_FPARAM_MIN, "kmx_get_fparam_min"},
    {KMXSIM_FN_GET_FPARAM_MAX, "kmx_get_fparam_max"},
    {KMXSIM_FN_GET_FPARAM_DEFAULT, "kmx_get_fparam_default"},
    {KMXSIM_FN_SET_FPARAM, "kmx_set_fparam"},
    {KMXSIM_FN_GET_INFO, "kmx_get_info"},
    {KMXSIM_FN_GET_STAT, "kmx_get_stat"},
    {KMXSIM_FN_RESET_STAT, "kmx_reset_stat"},
    {KMXSIM_FN_EXP_TO_INDEX, "kmx_exp_to_index"},
    {KMXSIM_FN_INDEX_TO_EXP, "kmx_index_to_exp"},
    {KMXSIM_FN_GAIN_TO_INDEX, "kmx_gain_to_index"},
    {KMXSIM_FN_BL_TO_INDEX, "kmx_bl_to_index"},
    {KMXSIM_FN_WB_GAIN_TO_INDEX, "kmx_wb_gain_to_index"},
    {KMXSIM_FN_GAMMA_TO_INDEX, "kmx_gamma_to_index"},
    {KMXSIM_FN_INDEX_TO_GAIN, "kmx_index_to_gain"},
    {KMXSIM_FN_INDEX_TO_BL, "kmx_index_to_bl"},
    {KMXSIM_FN_INDEX_TO_WB_GAIN, "kmx_index_to_wb_gain"},
    {KMXSIM_FN_INDEX_TO_GAMMA, "kmx_index_to_gamma"},
    {KMXSIM_FN_LOAD_LUT, "kmx_load_lut"},
    {KMXSIM_FN_GET_LUT, "kmx_get_lut"},
    {KMXSIM_FN_AWB_ROI_INDEX, "kmx_awb_roi_index"},
    {KMXSIM_FN_AUTO_GAIN_INDEX, "kmx_auto_gain_index"},
    {KMXSIM_FN_AUTO_EXP_INDEX, "kmx_auto_exp_index"},
    {KMXSIM_FN_AUTO_EXP_INDEX_EX, "kmx_auto_exp_index_ex"},
    {KMXSIM_FN_AWB_ROI, "kmx_awb_roi"},
    {KMXSIM_FN_AUTO_GAIN, "kmx_auto_gain"},
    {KMXSIM_FN_AUTO_EXP, "kmx_auto_exp"},
    {KMXSIM_FN_AUTO_EXP_EX, "kmx_auto_exp_ex"},
    {KMXSIM_FN_REGISTER_EVENT_CALLBACK, "kmx_register_event_callback"},
    {KMXSIM_FN_REMOVE_EVENT_CALLBACK, "kmx_remove_event_callback"},
};

TEST(Windows_dll, every_contract_function_is_found_by_its_name)
{
    static_assert(sizeof(contract) / sizeof(contract[0]) == KMXSIM_FN_COUNT,
                  "one entry per contract function");
    HMODULE library = LoadLibraryA("kmxsim.dll");
    ASSERT_NE(library, nullptr) << "LoadLibrary(kmxsim.dll) failed: " << GetLastError();
    std::set<any_fn> addresses;
    for (const auto& entry : contract) {
        EXPECT_STREQ(kmxsim_fn_name(entry.fn), entry.name);
        auto found = reinterpret_cast<any_fn>(GetProcAddress(library, entry.name));
        EXPECT_NE(found, nullptr) << entry.name << " is not exported under its C name";
        if (found == nullptr)
            continue;
        // The code behind the name lies in the camera library itself, and
        // no two names lead to the same function.
        HMODULE owner = nullptr;
        EXPECT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                       reinterpret_cast<LPCSTR>(found), &owner))
            << entry.name;
        EXPECT_EQ(owner, library) << entry.name;
        EXPECT_TRUE(addresses.insert(found).second) << entry.name << " shares its address";
    }
    EXPECT_EQ(GetProcAddress(library, "_kmx_open"), nullptr);
    EXPECT_EQ(GetProcAddress(library, "kmx_no_such_function"), nullptr);
    EXPECT_TRUE(FreeLibrary(library));
}

TEST(Windows_dll, a_loaded_camera_library_answers_through_its_export)
{
    HMODULE library = LoadLibraryA("kmxsim.dll");
    ASSERT_NE(library, nullptr);
    using open_fn = int (*)(kmx_instance_t**);
    using close_fn = int (*)(kmx_instance_t**);
    auto open = reinterpret_cast<open_fn>(
        reinterpret_cast<any_fn>(GetProcAddress(library, "kmx_open_interface")));
    auto close = reinterpret_cast<close_fn>(
        reinterpret_cast<any_fn>(GetProcAddress(library, "kmx_close_interface")));
    ASSERT_NE(open, nullptr);
    ASSERT_NE(close, nullptr);
    kmxsim_reset();
    kmx_instance_t* instance = nullptr;
    ASSERT_EQ(open(&instance), KMX_OK);
    EXPECT_NE(instance, nullptr);
    EXPECT_EQ(close(&instance), KMX_OK);
    EXPECT_NE(open(nullptr), KMX_OK);
    kmxsim_reset();
    EXPECT_TRUE(FreeLibrary(library));
}

} // namespace
