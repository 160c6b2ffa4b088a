// Windows-only checks of the 32-bit DLLs: the record layouts the camera
// library and the worker threads rely on, and that every contract function
// can be found by name at run time, as a program that loads the camera
// library with LoadLibrary does.
#include <cstddef>
#include <cstdint>

#include <gtest/gtest.h>

#include "capture/thread_state.h"
#include "kmx_platform.h"
#include "kmxlib.h"
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

struct Cimported {
    kmxsim_fn fn;
    any_fn address;
};

// What the linker resolved through the import library, for each function.
const Cimported imported[] = {
    {KMXSIM_FN_OPEN_INTERFACE, reinterpret_cast<any_fn>(&kmx_open_interface)},
    {KMXSIM_FN_CLOSE_INTERFACE, reinterpret_cast<any_fn>(&kmx_close_interface)},
    {KMXSIM_FN_LIST, reinterpret_cast<any_fn>(&kmx_list)},
    {KMXSIM_FN_DISPOSE_OBJECT, reinterpret_cast<any_fn>(&kmx_dispose_object)},
    {KMXSIM_FN_OPEN, reinterpret_cast<any_fn>(&kmx_open)},
    {KMXSIM_FN_OPEN_ANY, reinterpret_cast<any_fn>(&kmx_open_any)},
    {KMXSIM_FN_CLOSE, reinterpret_cast<any_fn>(&kmx_close)},
    {KMXSIM_FN_GET_CAMERA_VENDOR_DESC, reinterpret_cast<any_fn>(&kmx_get_camera_vendor_desc)},
    {KMXSIM_FN_GET_CAMERA_VENDOR_PREFIX, reinterpret_cast<any_fn>(&kmx_get_camera_vendor_prefix)},
    {KMXSIM_FN_GET_CAMERA_PRODUCT_DESC, reinterpret_cast<any_fn>(&kmx_get_camera_product_desc)},
    {KMXSIM_FN_CAMERA_VENDOR_DESC, reinterpret_cast<any_fn>(&kmx_camera_vendor_desc)},
    {KMXSIM_FN_CAMERA_VENDOR_PREFIX, reinterpret_cast<any_fn>(&kmx_camera_vendor_prefix)},
    {KMXSIM_FN_CAMERA_PRODUCT_DESC, reinterpret_cast<any_fn>(&kmx_camera_product_desc)},
    {KMXSIM_FN_SETUP_CAMERA, reinterpret_cast<any_fn>(&kmx_setup_camera)},
    {KMXSIM_FN_ASSIGN_BUFFERS, reinterpret_cast<any_fn>(&kmx_assign_buffers)},
    {KMXSIM_FN_RELEASE_BUFFERS, reinterpret_cast<any_fn>(&kmx_release_buffers)},
    {KMXSIM_FN_START_FRAME_INDEX, reinterpret_cast<any_fn>(&kmx_start_frame_index)},
    {KMXSIM_FN_START_FRAME, reinterpret_cast<any_fn>(&kmx_start_frame)},
    {KMXSIM_FN_CHECK_FOR_COMPLETE, reinterpret_cast<any_fn>(&kmx_check_for_complete)},
    {KMXSIM_FN_CHECK_START_NEXT, reinterpret_cast<any_fn>(&kmx_check_start_next)},
    {KMXSIM_FN_ABORT_FRAME, reinterpret_cast<any_fn>(&kmx_abort_frame)},
    {KMXSIM_FN_COPY_FRAME, reinterpret_cast<any_fn>(&kmx_copy_frame)},
    {KMXSIM_FN_COPY_ROI, reinterpret_cast<any_fn>(&kmx_copy_roi)},
    {KMXSIM_FN_GET_PARAM, reinterpret_cast<any_fn>(&kmx_get_param)},
    {KMXSIM_FN_GET_PARAM_MIN, reinterpret_cast<any_fn>(&kmx_get_param_min)},
    {KMXSIM_FN_GET_PARAM_MAX, reinterpret_cast<any_fn>(&kmx_get_param_max)},
    {KMXSIM_FN_GET_PARAM_DEFAULT, reinterpret_cast<any_fn>(&kmx_get_param_default)},
    {KMXSIM_FN_SET_PARAM, reinterpret_cast<any_fn>(&kmx_set_param)},
    {KMXSIM_FN_GET_FPARAM, reinterpret_cast<any_fn>(&kmx_get_fparam)},
    {KMXSIM_FN_GET_FPARAM_MIN, reinterpret_cast<any_fn>(&kmx_get_fparam_min)},
    {KMXSIM_FN_GET_FPARAM_MAX, reinterpret_cast<any_fn>(&kmx_get_fparam_max)},
    {KMXSIM_FN_GET_FPARAM_DEFAULT, reinterpret_cast<any_fn>(&kmx_get_fparam_default)},
    {KMXSIM_FN_SET_FPARAM, reinterpret_cast<any_fn>(&kmx_set_fparam)},
    {KMXSIM_FN_GET_INFO, reinterpret_cast<any_fn>(&kmx_get_info)},
    {KMXSIM_FN_GET_STAT, reinterpret_cast<any_fn>(&kmx_get_stat)},
    {KMXSIM_FN_RESET_STAT, reinterpret_cast<any_fn>(&kmx_reset_stat)},
    {KMXSIM_FN_EXP_TO_INDEX, reinterpret_cast<any_fn>(&kmx_exp_to_index)},
    {KMXSIM_FN_INDEX_TO_EXP, reinterpret_cast<any_fn>(&kmx_index_to_exp)},
    {KMXSIM_FN_GAIN_TO_INDEX, reinterpret_cast<any_fn>(&kmx_gain_to_index)},
    {KMXSIM_FN_BL_TO_INDEX, reinterpret_cast<any_fn>(&kmx_bl_to_index)},
    {KMXSIM_FN_WB_GAIN_TO_INDEX, reinterpret_cast<any_fn>(&kmx_wb_gain_to_index)},
    {KMXSIM_FN_GAMMA_TO_INDEX, reinterpret_cast<any_fn>(&kmx_gamma_to_index)},
    {KMXSIM_FN_INDEX_TO_GAIN, reinterpret_cast<any_fn>(&kmx_index_to_gain)},
    {KMXSIM_FN_INDEX_TO_BL, reinterpret_cast<any_fn>(&kmx_index_to_bl)},
    {KMXSIM_FN_INDEX_TO_WB_GAIN, reinterpret_cast<any_fn>(&kmx_index_to_wb_gain)},
    {KMXSIM_FN_INDEX_TO_GAMMA, reinterpret_cast<any_fn>(&kmx_index_to_gamma)},
    {KMXSIM_FN_LOAD_LUT, reinterpret_cast<any_fn>(&kmx_load_lut)},
    {KMXSIM_FN_GET_LUT, reinterpret_cast<any_fn>(&kmx_get_lut)},
    {KMXSIM_FN_AWB_ROI_INDEX, reinterpret_cast<any_fn>(&kmx_awb_roi_index)},
    {KMXSIM_FN_AUTO_GAIN_INDEX, reinterpret_cast<any_fn>(&kmx_auto_gain_index)},
    {KMXSIM_FN_AUTO_EXP_INDEX, reinterpret_cast<any_fn>(&kmx_auto_exp_index)},
    {KMXSIM_FN_AUTO_EXP_INDEX_EX, reinterpret_cast<any_fn>(&kmx_auto_exp_index_ex)},
    {KMXSIM_FN_AWB_ROI, reinterpret_cast<any_fn>(&kmx_awb_roi)},
    {KMXSIM_FN_AUTO_GAIN, reinterpret_cast<any_fn>(&kmx_auto_gain)},
    {KMXSIM_FN_AUTO_EXP, reinterpret_cast<any_fn>(&kmx_auto_exp)},
    {KMXSIM_FN_AUTO_EXP_EX, reinterpret_cast<any_fn>(&kmx_auto_exp_ex)},
    {KMXSIM_FN_REGISTER_EVENT_CALLBACK, reinterpret_cast<any_fn>(&kmx_register_event_callback)},
    {KMXSIM_FN_REMOVE_EVENT_CALLBACK, reinterpret_cast<any_fn>(&kmx_remove_event_callback)},
};

TEST(Windows_dll, every_contract_function_is_found_by_its_name)
{
    static_assert(sizeof(imported) / sizeof(imported[0]) == KMXSIM_FN_COUNT,
                  "one entry per contract function");
    HMODULE library = LoadLibraryA("kmxsim.dll");
    ASSERT_NE(library, nullptr) << "LoadLibrary(kmxsim.dll) failed: " << GetLastError();
    for (const auto& entry : imported) {
        const char* name = kmxsim_fn_name(entry.fn);
        auto found = reinterpret_cast<any_fn>(GetProcAddress(library, name));
        EXPECT_NE(found, nullptr) << name << " is not exported under its C name";
        // The same function the program is linked against, not another
        // export that happens to carry the name.
        EXPECT_EQ(found, entry.address) << name;
    }
    EXPECT_EQ(GetProcAddress(library, "_kmx_open"), nullptr);
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
