// SPDX-License-Identifier: Apache-2.0
// The C header's slot numbers against the compiler's own virtual tables.
//
// A pointer to a virtual member function holds, in the layout GCC, Clang
// and mingw-w64 share, one plus the byte offset of the function's entry in
// the virtual table. Comparing it with every KMX_SLOT_ constant proves
// the slot order that C callers rely on: a misordered declaration, an
// operation made non-virtual or an overload out of place fails here.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "kmxcore/buffers/buffer_pool.h"
#include "kmxcore/buffers/frame_info.h"
#include "kmxcore/camera/device.h"
#include "kmxcore/camera/kmx_interface.h"
#include "kmxcore/capture/capture.h"
#include "kmxcore/capture/thread_state.h"
#include "kmxcore/kmxcore_c.h"
#include "kmxcore/image/fw_image.h"
#include "kmxcore/image/iformat.h"
#include "kmxcore/image/image.h"
#include "kmxcore/image/os_image.h"
#include "kmxcore/settings/cam_settings.h"

namespace {

template <class Member>
long slot_of(Member member)
{
    static_assert(sizeof(Member) == 2 * sizeof(std::ptrdiff_t),
                  "a member-function pointer is an entry word and an adjustment word");
    std::ptrdiff_t words[2];
    std::memcpy(words, &member, sizeof words);
    EXPECT_EQ(words[0] & 1, 1) << "the operation is not virtual";
    return static_cast<long>((words[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*)));
}

// The protected operations, named from outside the way a derived
// application class names them.
struct Cdevice_slots : Cdevice {
    using Cdevice::validate_format;
};

struct Ccapture_slots : Ccapture {
    using Ccapture::accumulate;
    using Ccapture::accumulate_deep;
    using Ccapture::get_deep_frame;
    using Ccapture::get_frame8;
    using Ccapture::get_multi_deep;
    using Ccapture::get_multi_frame;
    using Ccapture::process_multi_deep;
    using Ccapture::process_multi_frame8;
};

TEST(SlotOrder, CameraSettingsMatchesTheCHeader)
{
    EXPECT_EQ(slot_of(&Ccam_settings::get_name), KMX_SLOT_CAM_SETTINGS_GET_NAME);
    EXPECT_EQ(slot_of(&Ccam_settings::get_gain), KMX_SLOT_CAM_SETTINGS_GET_GAIN);
    EXPECT_EQ(slot_of(&Ccam_settings::get_gain_value), KMX_SLOT_CAM_SETTINGS_GET_GAIN_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_max_gain_value), KMX_SLOT_CAM_SETTINGS_GET_MAX_GAIN_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_min_gain_value), KMX_SLOT_CAM_SETTINGS_GET_MIN_GAIN_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_red_gain), KMX_SLOT_CAM_SETTINGS_GET_RED_GAIN);
    EXPECT_EQ(slot_of(&Ccam_settings::get_red_gain_value), KMX_SLOT_CAM_SETTINGS_GET_RED_GAIN_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_green_gain), KMX_SLOT_CAM_SETTINGS_GET_GREEN_GAIN);
    EXPECT_EQ(slot_of(&Ccam_settings::get_green_gain_value), KMX_SLOT_CAM_SETTINGS_GET_GREEN_GAIN_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_blue_gain), KMX_SLOT_CAM_SETTINGS_GET_BLUE_GAIN);
    EXPECT_EQ(slot_of(&Ccam_settings::get_blue_gain_value), KMX_SLOT_CAM_SETTINGS_GET_BLUE_GAIN_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_exposure), KMX_SLOT_CAM_SETTINGS_GET_EXPOSURE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_expsoure_value), KMX_SLOT_CAM_SETTINGS_GET_EXPSOURE_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_contrast_mode), KMX_SLOT_CAM_SETTINGS_GET_CONTRAST_MODE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_contrast), KMX_SLOT_CAM_SETTINGS_GET_CONTRAST);
    EXPECT_EQ(slot_of(&Ccam_settings::get_contrast_value), KMX_SLOT_CAM_SETTINGS_GET_CONTRAST_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_gamma_mode), KMX_SLOT_CAM_SETTINGS_GET_GAMMA_MODE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_gamma), KMX_SLOT_CAM_SETTINGS_GET_GAMMA);
    EXPECT_EQ(slot_of(&Ccam_settings::get_gamma_index), KMX_SLOT_CAM_SETTINGS_GET_GAMMA_INDEX);
    EXPECT_EQ(slot_of(&Ccam_settings::get_red_boost), KMX_SLOT_CAM_SETTINGS_GET_RED_BOOST);
    EXPECT_EQ(slot_of(&Ccam_settings::get_blue_boost), KMX_SLOT_CAM_SETTINGS_GET_BLUE_BOOST);
    EXPECT_EQ(slot_of(&Ccam_settings::get_bl), KMX_SLOT_CAM_SETTINGS_GET_BL);
    EXPECT_EQ(slot_of(&Ccam_settings::get_bl_value), KMX_SLOT_CAM_SETTINGS_GET_BL_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_depth_select), KMX_SLOT_CAM_SETTINGS_GET_DEPTH_SELECT);
    EXPECT_EQ(slot_of(&Ccam_settings::get_average_opt), KMX_SLOT_CAM_SETTINGS_GET_AVERAGE_OPT);
    EXPECT_EQ(slot_of(&Ccam_settings::get_average_frames), KMX_SLOT_CAM_SETTINGS_GET_AVERAGE_FRAMES);
    EXPECT_EQ(slot_of(&Ccam_settings::get_preview_mode), KMX_SLOT_CAM_SETTINGS_GET_PREVIEW_MODE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_bin_mode), KMX_SLOT_CAM_SETTINGS_GET_BIN_MODE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_test_mode), KMX_SLOT_CAM_SETTINGS_GET_TEST_MODE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_rate), KMX_SLOT_CAM_SETTINGS_GET_RATE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_rate_index), KMX_SLOT_CAM_SETTINGS_GET_RATE_INDEX);
    EXPECT_EQ(slot_of(&Ccam_settings::get_live_rate), KMX_SLOT_CAM_SETTINGS_GET_LIVE_RATE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_live_rate_index), KMX_SLOT_CAM_SETTINGS_GET_LIVE_RATE_INDEX);
    EXPECT_EQ(slot_of(&Ccam_settings::get_image_type), KMX_SLOT_CAM_SETTINGS_GET_IMAGE_TYPE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_order), KMX_SLOT_CAM_SETTINGS_GET_ORDER);
    EXPECT_EQ(slot_of(&Ccam_settings::get_no_components), KMX_SLOT_CAM_SETTINGS_GET_NO_COMPONENTS);
    EXPECT_EQ(slot_of(&Ccam_settings::invert_image), KMX_SLOT_CAM_SETTINGS_INVERT_IMAGE);
    EXPECT_EQ(slot_of(&Ccam_settings::init), KMX_SLOT_CAM_SETTINGS_INIT);
    EXPECT_EQ(slot_of(&Ccam_settings::load_defaults), KMX_SLOT_CAM_SETTINGS_LOAD_DEFAULTS);
    EXPECT_EQ(slot_of(&Ccam_settings::get_format), KMX_SLOT_CAM_SETTINGS_GET_FORMAT);
    EXPECT_EQ(slot_of(&Ccam_settings::preview_mode_allowed), KMX_SLOT_CAM_SETTINGS_PREVIEW_MODE_ALLOWED);
    EXPECT_EQ(slot_of(&Ccam_settings::bin_mode_allowed), KMX_SLOT_CAM_SETTINGS_BIN_MODE_ALLOWED);
    EXPECT_EQ(slot_of(&Ccam_settings::test_mode_allowed), KMX_SLOT_CAM_SETTINGS_TEST_MODE_ALLOWED);
    EXPECT_EQ(slot_of(&Ccam_settings::set_native), KMX_SLOT_CAM_SETTINGS_SET_NATIVE);
    EXPECT_EQ(slot_of(&Ccam_settings::save_format), KMX_SLOT_CAM_SETTINGS_SAVE_FORMAT);
    EXPECT_EQ(slot_of(&Ccam_settings::restore_format), KMX_SLOT_CAM_SETTINGS_RESTORE_FORMAT);
    EXPECT_EQ(slot_of(&Ccam_settings::set_format), KMX_SLOT_CAM_SETTINGS_SET_FORMAT);
    EXPECT_EQ(slot_of(&Ccam_settings::deep_image), KMX_SLOT_CAM_SETTINGS_DEEP_IMAGE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_component_depth), KMX_SLOT_CAM_SETTINGS_GET_COMPONENT_DEPTH);
    EXPECT_EQ(slot_of(&Ccam_settings::set_component_depth), KMX_SLOT_CAM_SETTINGS_SET_COMPONENT_DEPTH);
    EXPECT_EQ(slot_of(&Ccam_settings::get_component_size), KMX_SLOT_CAM_SETTINGS_GET_COMPONENT_SIZE);
    EXPECT_EQ(slot_of(&Ccam_settings::get_pixel_size), KMX_SLOT_CAM_SETTINGS_GET_PIXEL_SIZE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_config_name), KMX_SLOT_CAM_SETTINGS_SET_CONFIG_NAME);
    EXPECT_EQ(slot_of(&Ccam_settings::set_gain), KMX_SLOT_CAM_SETTINGS_SET_GAIN);
    EXPECT_EQ(slot_of(&Ccam_settings::set_gain_value), KMX_SLOT_CAM_SETTINGS_SET_GAIN_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_bl), KMX_SLOT_CAM_SETTINGS_SET_BL);
    EXPECT_EQ(slot_of(&Ccam_settings::set_bl_value), KMX_SLOT_CAM_SETTINGS_SET_BL_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_contrast_mode), KMX_SLOT_CAM_SETTINGS_SET_CONTRAST_MODE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_contrast), KMX_SLOT_CAM_SETTINGS_SET_CONTRAST);
    EXPECT_EQ(slot_of(&Ccam_settings::set_contrast_value), KMX_SLOT_CAM_SETTINGS_SET_CONTRAST_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_gamma_mode), KMX_SLOT_CAM_SETTINGS_SET_GAMMA_MODE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_gamma), KMX_SLOT_CAM_SETTINGS_SET_GAMMA);
    EXPECT_EQ(slot_of(&Ccam_settings::set_gamma_index), KMX_SLOT_CAM_SETTINGS_SET_GAMMA_INDEX);
    EXPECT_EQ(slot_of(&Ccam_settings::set_red_gain), KMX_SLOT_CAM_SETTINGS_SET_RED_GAIN);
    EXPECT_EQ(slot_of(&Ccam_settings::set_blue_gain), KMX_SLOT_CAM_SETTINGS_SET_BLUE_GAIN);
    EXPECT_EQ(slot_of(&Ccam_settings::set_green_gain), KMX_SLOT_CAM_SETTINGS_SET_GREEN_GAIN);
    EXPECT_EQ(slot_of(&Ccam_settings::set_red_gain_value), KMX_SLOT_CAM_SETTINGS_SET_RED_GAIN_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_blue_gain_value), KMX_SLOT_CAM_SETTINGS_SET_BLUE_GAIN_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_green_gain_value), KMX_SLOT_CAM_SETTINGS_SET_GREEN_GAIN_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_red_boost), KMX_SLOT_CAM_SETTINGS_SET_RED_BOOST);
    EXPECT_EQ(slot_of(&Ccam_settings::set_blue_boost), KMX_SLOT_CAM_SETTINGS_SET_BLUE_BOOST);
    EXPECT_EQ(slot_of(&Ccam_settings::set_exposure), KMX_SLOT_CAM_SETTINGS_SET_EXPOSURE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_exposure_value), KMX_SLOT_CAM_SETTINGS_SET_EXPOSURE_VALUE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_rate), KMX_SLOT_CAM_SETTINGS_SET_RATE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_live_rate), KMX_SLOT_CAM_SETTINGS_SET_LIVE_RATE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_depth_select), KMX_SLOT_CAM_SETTINGS_SET_DEPTH_SELECT);
    EXPECT_EQ(slot_of(&Ccam_settings::set_average_opt), KMX_SLOT_CAM_SETTINGS_SET_AVERAGE_OPT);
    EXPECT_EQ(slot_of(&Ccam_settings::set_average_frames), KMX_SLOT_CAM_SETTINGS_SET_AVERAGE_FRAMES);
    EXPECT_EQ(slot_of(&Ccam_settings::set_test_mode), KMX_SLOT_CAM_SETTINGS_SET_TEST_MODE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_preview_mode), KMX_SLOT_CAM_SETTINGS_SET_PREVIEW_MODE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_bin_mode), KMX_SLOT_CAM_SETTINGS_SET_BIN_MODE);
    EXPECT_EQ(slot_of(&Ccam_settings::set_invert_image), KMX_SLOT_CAM_SETTINGS_SET_INVERT_IMAGE);
}

TEST(SlotOrder, DeviceMatchesTheCHeader)
{
    EXPECT_EQ(slot_of(static_cast<int (Cdevice::*)(unsigned, unsigned, unsigned)>(&Cdevice::open)), KMX_SLOT_DEVICE_OPEN_COUNT);
    EXPECT_EQ(slot_of(static_cast<int (Cdevice::*)(unsigned, unsigned)>(&Cdevice::open)), KMX_SLOT_DEVICE_OPEN);
    EXPECT_EQ(slot_of(static_cast<int (Cdevice::*)(unsigned&, unsigned&, unsigned)>(&Cdevice::open_any)), KMX_SLOT_DEVICE_OPEN_ANY_COUNT);
    EXPECT_EQ(slot_of(static_cast<int (Cdevice::*)(unsigned&, unsigned&)>(&Cdevice::open_any)), KMX_SLOT_DEVICE_OPEN_ANY);
    EXPECT_EQ(slot_of(&Cdevice_slots::close), KMX_SLOT_DEVICE_CLOSE);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_camera_handle), KMX_SLOT_DEVICE_GET_CAMERA_HANDLE);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_camera_id), KMX_SLOT_DEVICE_GET_CAMERA_ID);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_camera_index), KMX_SLOT_DEVICE_GET_CAMERA_INDEX);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_serial_no), KMX_SLOT_DEVICE_GET_SERIAL_NO);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_camera_caps), KMX_SLOT_DEVICE_GET_CAMERA_CAPS);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_camera_type), KMX_SLOT_DEVICE_GET_CAMERA_TYPE);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_camera_depths), KMX_SLOT_DEVICE_GET_CAMERA_DEPTHS);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_image_mode), KMX_SLOT_DEVICE_GET_IMAGE_MODE);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_width), KMX_SLOT_DEVICE_GET_WIDTH);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_height), KMX_SLOT_DEVICE_GET_HEIGHT);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_max_width), KMX_SLOT_DEVICE_GET_MAX_WIDTH);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_max_height), KMX_SLOT_DEVICE_GET_MAX_HEIGHT);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_bin_width), KMX_SLOT_DEVICE_GET_BIN_WIDTH);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_bin_height), KMX_SLOT_DEVICE_GET_BIN_HEIGHT);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_preview_width), KMX_SLOT_DEVICE_GET_PREVIEW_WIDTH);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_preview_height), KMX_SLOT_DEVICE_GET_PREVIEW_HEIGHT);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_max_depth), KMX_SLOT_DEVICE_GET_MAX_DEPTH);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_bpool), KMX_SLOT_DEVICE_GET_BPOOL);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_buffer), KMX_SLOT_DEVICE_GET_BUFFER);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_frame_info), KMX_SLOT_DEVICE_GET_FRAME_INFO);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_format), KMX_SLOT_DEVICE_GET_FORMAT);
    EXPECT_EQ(slot_of(&Cdevice_slots::set_bin_mode), KMX_SLOT_DEVICE_SET_BIN_MODE);
    EXPECT_EQ(slot_of(&Cdevice_slots::set_preview_mode), KMX_SLOT_DEVICE_SET_PREVIEW_MODE);
    EXPECT_EQ(slot_of(&Cdevice_slots::set_normal_mode), KMX_SLOT_DEVICE_SET_NORMAL_MODE);
    EXPECT_EQ(slot_of(static_cast<bool (Cdevice::*)(unsigned, unsigned, unsigned, unsigned)>(&Cdevice::set_format)), KMX_SLOT_DEVICE_SET_FORMAT_PROPERTIES);
    EXPECT_EQ(slot_of(static_cast<bool (Cdevice::*)(unsigned)>(&Cdevice::set_format)), KMX_SLOT_DEVICE_SET_FORMAT);
    EXPECT_EQ(slot_of(&Cdevice_slots::load_settings), KMX_SLOT_DEVICE_LOAD_SETTINGS);
    EXPECT_EQ(slot_of(&Cdevice_slots::validate_format), KMX_SLOT_DEVICE_VALIDATE_FORMAT);
    EXPECT_EQ(slot_of(&Cdevice_slots::setup_camera), KMX_SLOT_DEVICE_SETUP_CAMERA);
    EXPECT_EQ(slot_of(&Cdevice_slots::assign_buffers), KMX_SLOT_DEVICE_ASSIGN_BUFFERS);
    EXPECT_EQ(slot_of(&Cdevice_slots::release_buffers), KMX_SLOT_DEVICE_RELEASE_BUFFERS);
    EXPECT_EQ(slot_of(&Cdevice_slots::start_frame_index), KMX_SLOT_DEVICE_START_FRAME_INDEX);
    EXPECT_EQ(slot_of(&Cdevice_slots::start_frame), KMX_SLOT_DEVICE_START_FRAME);
    EXPECT_EQ(slot_of(&Cdevice_slots::check_for_complete), KMX_SLOT_DEVICE_CHECK_FOR_COMPLETE);
    EXPECT_EQ(slot_of(&Cdevice_slots::check_start_next), KMX_SLOT_DEVICE_CHECK_START_NEXT);
    EXPECT_EQ(slot_of(&Cdevice_slots::abort_frame), KMX_SLOT_DEVICE_ABORT_FRAME);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_info), KMX_SLOT_DEVICE_GET_INFO);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_param), KMX_SLOT_DEVICE_GET_PARAM);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_param_min), KMX_SLOT_DEVICE_GET_PARAM_MIN);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_param_max), KMX_SLOT_DEVICE_GET_PARAM_MAX);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_param_default), KMX_SLOT_DEVICE_GET_PARAM_DEFAULT);
    EXPECT_EQ(slot_of(&Cdevice_slots::set_param), KMX_SLOT_DEVICE_SET_PARAM);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_fparam), KMX_SLOT_DEVICE_GET_FPARAM);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_fparam_min), KMX_SLOT_DEVICE_GET_FPARAM_MIN);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_fparam_max), KMX_SLOT_DEVICE_GET_FPARAM_MAX);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_fparam_default), KMX_SLOT_DEVICE_GET_FPARAM_DEFAULT);
    EXPECT_EQ(slot_of(&Cdevice_slots::set_fparam), KMX_SLOT_DEVICE_SET_FPARAM);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_stat), KMX_SLOT_DEVICE_GET_STAT);
    EXPECT_EQ(slot_of(&Cdevice_slots::reset_stat), KMX_SLOT_DEVICE_RESET_STAT);
    EXPECT_EQ(slot_of(static_cast<int (Cdevice::*)(unsigned, unsigned, unsigned char*, RECT, unsigned)>(&Cdevice::copy_frame)), KMX_SLOT_DEVICE_COPY_FRAME_INDEX);
    EXPECT_EQ(slot_of(static_cast<int (Cdevice::*)(kmx_frame_t*, unsigned, unsigned char*, RECT, unsigned) const>(&Cdevice::copy_frame)), KMX_SLOT_DEVICE_COPY_FRAME_RECORD);
    EXPECT_EQ(slot_of(static_cast<int (Cdevice::*)(Cframe_info&, unsigned, unsigned char*, RECT, unsigned) const>(&Cdevice::copy_frame)), KMX_SLOT_DEVICE_COPY_FRAME_LIST);
    EXPECT_EQ(slot_of(static_cast<int (Cdevice::*)(Cframe_info&, Cfw_image&) const>(&Cdevice::copy_frame)), KMX_SLOT_DEVICE_COPY_FRAME_LIST_IMAGE);
    EXPECT_EQ(slot_of(static_cast<int (Cdevice::*)(unsigned, RECT, unsigned, unsigned char*, RECT, unsigned)>(&Cdevice::copy_roi)), KMX_SLOT_DEVICE_COPY_ROI_INDEX);
    EXPECT_EQ(slot_of(static_cast<int (Cdevice::*)(kmx_frame_t*, RECT, unsigned, unsigned char*, RECT, unsigned) const>(&Cdevice::copy_roi)), KMX_SLOT_DEVICE_COPY_ROI_RECORD);
    EXPECT_EQ(slot_of(&Cdevice_slots::camera_vendor_desc), KMX_SLOT_DEVICE_CAMERA_VENDOR_DESC);
    EXPECT_EQ(slot_of(&Cdevice_slots::camera_vendor_prefix), KMX_SLOT_DEVICE_CAMERA_VENDOR_PREFIX);
    EXPECT_EQ(slot_of(&Cdevice_slots::camera_product_desc), KMX_SLOT_DEVICE_CAMERA_PRODUCT_DESC);
    EXPECT_EQ(slot_of(&Cdevice_slots::camera_product_prefix), KMX_SLOT_DEVICE_CAMERA_PRODUCT_PREFIX);
    EXPECT_EQ(slot_of(&Cdevice_slots::load_lut), KMX_SLOT_DEVICE_LOAD_LUT);
    EXPECT_EQ(slot_of(&Cdevice_slots::get_lut), KMX_SLOT_DEVICE_GET_LUT);
    EXPECT_EQ(slot_of(&Cdevice_slots::awb_roi_index), KMX_SLOT_DEVICE_AWB_ROI_INDEX);
    EXPECT_EQ(slot_of(&Cdevice_slots::awb_roi), KMX_SLOT_DEVICE_AWB_ROI);
    EXPECT_EQ(slot_of(&Cdevice_slots::auto_gain_index), KMX_SLOT_DEVICE_AUTO_GAIN_INDEX);
    EXPECT_EQ(slot_of(&Cdevice_slots::auto_gain), KMX_SLOT_DEVICE_AUTO_GAIN);
    EXPECT_EQ(slot_of(&Cdevice_slots::auto_exp_index), KMX_SLOT_DEVICE_AUTO_EXP_INDEX);
    EXPECT_EQ(slot_of(&Cdevice_slots::auto_exp), KMX_SLOT_DEVICE_AUTO_EXP);
    EXPECT_EQ(slot_of(&Cdevice_slots::auto_exp_index_ex), KMX_SLOT_DEVICE_AUTO_EXP_INDEX_EX);
    EXPECT_EQ(slot_of(&Cdevice_slots::auto_exp_ex), KMX_SLOT_DEVICE_AUTO_EXP_EX);
    EXPECT_EQ(slot_of(&Cdevice_slots::register_event_callback), KMX_SLOT_DEVICE_REGISTER_EVENT_CALLBACK);
    EXPECT_EQ(slot_of(&Cdevice_slots::remove_event_callback), KMX_SLOT_DEVICE_REMOVE_EVENT_CALLBACK);
    EXPECT_EQ(slot_of(&Cdevice_slots::exp_to_index), KMX_SLOT_DEVICE_EXP_TO_INDEX);
    EXPECT_EQ(slot_of(&Cdevice_slots::index_to_exp), KMX_SLOT_DEVICE_INDEX_TO_EXP);
    EXPECT_EQ(slot_of(&Cdevice_slots::gain_to_index), KMX_SLOT_DEVICE_GAIN_TO_INDEX);
    EXPECT_EQ(slot_of(&Cdevice_slots::index_to_gain), KMX_SLOT_DEVICE_INDEX_TO_GAIN);
    EXPECT_EQ(slot_of(&Cdevice_slots::bl_to_index), KMX_SLOT_DEVICE_BL_TO_INDEX);
    EXPECT_EQ(slot_of(&Cdevice_slots::index_to_bl), KMX_SLOT_DEVICE_INDEX_TO_BL);
    EXPECT_EQ(slot_of(&Cdevice_slots::wb_gain_to_index), KMX_SLOT_DEVICE_WB_GAIN_TO_INDEX);
    EXPECT_EQ(slot_of(&Cdevice_slots::index_to_wb_gain), KMX_SLOT_DEVICE_INDEX_TO_WB_GAIN);
    EXPECT_EQ(slot_of(&Cdevice_slots::gamma_to_index), KMX_SLOT_DEVICE_GAMMA_TO_INDEX);
    EXPECT_EQ(slot_of(&Cdevice_slots::index_to_gamma), KMX_SLOT_DEVICE_INDEX_TO_GAMMA);
}

TEST(SlotOrder, ThreadStateMatchesTheCHeader)
{
    EXPECT_EQ(slot_of(&Cthread_state::get_state), KMX_SLOT_THREAD_STATE_GET_STATE);
    EXPECT_EQ(slot_of(&Cthread_state::get_status), KMX_SLOT_THREAD_STATE_GET_STATUS);
    EXPECT_EQ(slot_of(&Cthread_state::get_last_cc), KMX_SLOT_THREAD_STATE_GET_LAST_CC);
    EXPECT_EQ(slot_of(&Cthread_state::stop_requested), KMX_SLOT_THREAD_STATE_STOP_REQUESTED);
    EXPECT_EQ(slot_of(&Cthread_state::abort_requested), KMX_SLOT_THREAD_STATE_ABORT_REQUESTED);
    EXPECT_EQ(slot_of(&Cthread_state::active), KMX_SLOT_THREAD_STATE_ACTIVE);
    EXPECT_EQ(slot_of(&Cthread_state::set_state), KMX_SLOT_THREAD_STATE_SET_STATE);
    EXPECT_EQ(slot_of(&Cthread_state::set_status), KMX_SLOT_THREAD_STATE_SET_STATUS);
    EXPECT_EQ(slot_of(&Cthread_state::set_cc), KMX_SLOT_THREAD_STATE_SET_CC);
    EXPECT_EQ(slot_of(&Cthread_state::clear_stop), KMX_SLOT_THREAD_STATE_CLEAR_STOP);
    EXPECT_EQ(slot_of(&Cthread_state::clear_abort), KMX_SLOT_THREAD_STATE_CLEAR_ABORT);
    EXPECT_EQ(slot_of(&Cthread_state::set_inactive), KMX_SLOT_THREAD_STATE_SET_INACTIVE);
    EXPECT_EQ(slot_of(&Cthread_state::set_stop), KMX_SLOT_THREAD_STATE_SET_STOP);
    EXPECT_EQ(slot_of(&Cthread_state::set_abort), KMX_SLOT_THREAD_STATE_SET_ABORT);
    EXPECT_EQ(slot_of(&Cthread_state::set_active), KMX_SLOT_THREAD_STATE_SET_ACTIVE);
}

TEST(SlotOrder, CaptureMatchesTheCHeader)
{
    EXPECT_EQ(slot_of(&Ccapture_slots::init), KMX_SLOT_CAPTURE_INIT);
    EXPECT_EQ(slot_of(&Ccapture_slots::get_device), KMX_SLOT_CAPTURE_GET_DEVICE);
    EXPECT_EQ(slot_of(&Ccapture_slots::get_settings), KMX_SLOT_CAPTURE_GET_SETTINGS);
    EXPECT_EQ(slot_of(&Ccapture_slots::image_available), KMX_SLOT_CAPTURE_IMAGE_AVAILABLE);
    EXPECT_EQ(slot_of(&Ccapture_slots::deep_image_available), KMX_SLOT_CAPTURE_DEEP_IMAGE_AVAILABLE);
    EXPECT_EQ(slot_of(&Ccapture_slots::get_image_mode), KMX_SLOT_CAPTURE_GET_IMAGE_MODE);
    EXPECT_EQ(slot_of(&Ccapture_slots::get_bytes_per_row), KMX_SLOT_CAPTURE_GET_BYTES_PER_ROW);
    EXPECT_EQ(slot_of(&Ccapture_slots::get_image_size), KMX_SLOT_CAPTURE_GET_IMAGE_SIZE);
    EXPECT_EQ(slot_of(&Ccapture_slots::get_width), KMX_SLOT_CAPTURE_GET_WIDTH);
    EXPECT_EQ(slot_of(&Ccapture_slots::get_height), KMX_SLOT_CAPTURE_GET_HEIGHT);
    EXPECT_EQ(slot_of(&Ccapture_slots::get_buffer_no), KMX_SLOT_CAPTURE_GET_BUFFER_NO);
    EXPECT_EQ(slot_of(static_cast<Cfw_image* (Ccapture::*)(unsigned)>(&Ccapture::get_image)), KMX_SLOT_CAPTURE_GET_IMAGE_INDEX);
    EXPECT_EQ(slot_of(static_cast<Cfw_image* (Ccapture::*)() const>(&Ccapture::get_image)), KMX_SLOT_CAPTURE_GET_IMAGE);
    EXPECT_EQ(slot_of(&Ccapture_slots::get_deep_image), KMX_SLOT_CAPTURE_GET_DEEP_IMAGE);
    EXPECT_EQ(slot_of(&Ccapture_slots::get_image_info), KMX_SLOT_CAPTURE_GET_IMAGE_INFO);
    EXPECT_EQ(slot_of(&Ccapture_slots::reset_frame_count), KMX_SLOT_CAPTURE_RESET_FRAME_COUNT);
    EXPECT_EQ(slot_of(&Ccapture_slots::get_frame_count), KMX_SLOT_CAPTURE_GET_FRAME_COUNT);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Ccam_settings*, int, int)>(&Ccapture::setup)), KMX_SLOT_CAPTURE_SETUP_SETTINGS);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(int, int)>(&Ccapture::setup)), KMX_SLOT_CAPTURE_SETUP);
    EXPECT_EQ(slot_of(&Ccapture_slots::select_live_rate), KMX_SLOT_CAPTURE_SELECT_LIVE_RATE);
    EXPECT_EQ(slot_of(&Ccapture_slots::select_capture_rate), KMX_SLOT_CAPTURE_SELECT_CAPTURE_RATE);
    EXPECT_EQ(slot_of(&Ccapture_slots::set_no_retries), KMX_SLOT_CAPTURE_SET_NO_RETRIES);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cfw_image*, Cthread_state*)>(&Ccapture::get_frame)), KMX_SLOT_CAPTURE_GET_FRAME_IMAGE_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cfw_image*)>(&Ccapture::get_frame)), KMX_SLOT_CAPTURE_GET_FRAME_IMAGE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cthread_state*)>(&Ccapture::get_frame)), KMX_SLOT_CAPTURE_GET_FRAME_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)()>(&Ccapture::get_frame)), KMX_SLOT_CAPTURE_GET_FRAME);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cfw_image*, Cthread_state*)>(&Ccapture_slots::get_frame8)), KMX_SLOT_CAPTURE_GET_FRAME8_IMAGE_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cfw_image*)>(&Ccapture_slots::get_frame8)), KMX_SLOT_CAPTURE_GET_FRAME8_IMAGE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cthread_state*)>(&Ccapture_slots::get_frame8)), KMX_SLOT_CAPTURE_GET_FRAME8_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)()>(&Ccapture_slots::get_frame8)), KMX_SLOT_CAPTURE_GET_FRAME8);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cfw_image*, unsigned, Cthread_state*)>(&Ccapture_slots::get_deep_frame)), KMX_SLOT_CAPTURE_GET_DEEP_FRAME_IMAGE_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cfw_image*, unsigned)>(&Ccapture_slots::get_deep_frame)), KMX_SLOT_CAPTURE_GET_DEEP_FRAME_IMAGE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(unsigned, Cthread_state*)>(&Ccapture_slots::get_deep_frame)), KMX_SLOT_CAPTURE_GET_DEEP_FRAME_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(unsigned)>(&Ccapture_slots::get_deep_frame)), KMX_SLOT_CAPTURE_GET_DEEP_FRAME);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(unsigned, Cthread_state*)>(&Ccapture::start_frame)), KMX_SLOT_CAPTURE_START_FRAME_INDEX_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(unsigned)>(&Ccapture::start_frame)), KMX_SLOT_CAPTURE_START_FRAME_INDEX);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cthread_state*)>(&Ccapture::start_frame)), KMX_SLOT_CAPTURE_START_FRAME_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)()>(&Ccapture::start_frame)), KMX_SLOT_CAPTURE_START_FRAME);
    EXPECT_EQ(slot_of(&Ccapture_slots::abort_frame), KMX_SLOT_CAPTURE_ABORT_FRAME);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cthread_state*)>(&Ccapture::complete_frame)), KMX_SLOT_CAPTURE_COMPLETE_FRAME_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)()>(&Ccapture::complete_frame)), KMX_SLOT_CAPTURE_COMPLETE_FRAME);
    EXPECT_EQ(slot_of(&Ccapture_slots::complete_framex), KMX_SLOT_CAPTURE_COMPLETE_FRAMEX);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cthread_state*)>(&Ccapture::current_frame)), KMX_SLOT_CAPTURE_CURRENT_FRAME_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)()>(&Ccapture::current_frame)), KMX_SLOT_CAPTURE_CURRENT_FRAME);
    EXPECT_EQ(slot_of(&Ccapture_slots::current_framex), KMX_SLOT_CAPTURE_CURRENT_FRAMEX);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cthread_state*)>(&Ccapture::stop_frame)), KMX_SLOT_CAPTURE_STOP_FRAME_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)()>(&Ccapture::stop_frame)), KMX_SLOT_CAPTURE_STOP_FRAME);
    EXPECT_EQ(slot_of(&Ccapture_slots::stop_framex), KMX_SLOT_CAPTURE_STOP_FRAMEX);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cthread_state*)>(&Ccapture_slots::process_multi_frame8)), KMX_SLOT_CAPTURE_PROCESS_MULTI_FRAME8_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)()>(&Ccapture_slots::process_multi_frame8)), KMX_SLOT_CAPTURE_PROCESS_MULTI_FRAME8);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(unsigned, Cthread_state*)>(&Ccapture_slots::process_multi_deep)), KMX_SLOT_CAPTURE_PROCESS_MULTI_DEEP_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(unsigned)>(&Ccapture_slots::process_multi_deep)), KMX_SLOT_CAPTURE_PROCESS_MULTI_DEEP);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cthread_state*)>(&Ccapture::get_raw_frame)), KMX_SLOT_CAPTURE_GET_RAW_FRAME_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)()>(&Ccapture::get_raw_frame)), KMX_SLOT_CAPTURE_GET_RAW_FRAME);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(unsigned char*, unsigned, Cthread_state*)>(&Ccapture_slots::accumulate)), KMX_SLOT_CAPTURE_ACCUMULATE_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(unsigned char*, unsigned)>(&Ccapture_slots::accumulate)), KMX_SLOT_CAPTURE_ACCUMULATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(unsigned char*, unsigned, unsigned, Cthread_state*)>(&Ccapture_slots::accumulate_deep)), KMX_SLOT_CAPTURE_ACCUMULATE_DEEP_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(unsigned char*, unsigned, unsigned)>(&Ccapture_slots::accumulate_deep)), KMX_SLOT_CAPTURE_ACCUMULATE_DEEP);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cthread_state*)>(&Ccapture_slots::get_multi_frame)), KMX_SLOT_CAPTURE_GET_MULTI_FRAME_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)()>(&Ccapture_slots::get_multi_frame)), KMX_SLOT_CAPTURE_GET_MULTI_FRAME);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)(Cthread_state*)>(&Ccapture_slots::get_multi_deep)), KMX_SLOT_CAPTURE_GET_MULTI_DEEP_STATE);
    EXPECT_EQ(slot_of(static_cast<int (Ccapture::*)()>(&Ccapture_slots::get_multi_deep)), KMX_SLOT_CAPTURE_GET_MULTI_DEEP);
    EXPECT_EQ(slot_of(static_cast<unsigned (Ccapture::*)(RECT, unsigned&, unsigned&, unsigned&, unsigned&, Cthread_state*)>(&Ccapture::wb_process)), KMX_SLOT_CAPTURE_WB_PROCESS_STATE);
    EXPECT_EQ(slot_of(static_cast<unsigned (Ccapture::*)(RECT, unsigned&, unsigned&, unsigned&, unsigned&)>(&Ccapture::wb_process)), KMX_SLOT_CAPTURE_WB_PROCESS);
    EXPECT_EQ(slot_of(static_cast<unsigned (Ccapture::*)(unsigned&, Cthread_state*)>(&Ccapture::agp_process)), KMX_SLOT_CAPTURE_AGP_PROCESS_STATE);
    EXPECT_EQ(slot_of(static_cast<unsigned (Ccapture::*)(unsigned&)>(&Ccapture::agp_process)), KMX_SLOT_CAPTURE_AGP_PROCESS);
    EXPECT_EQ(slot_of(static_cast<unsigned (Ccapture::*)(unsigned&, unsigned&, Cthread_state*)>(&Ccapture::aep_process)), KMX_SLOT_CAPTURE_AEP_PROCESS_STATE);
    EXPECT_EQ(slot_of(static_cast<unsigned (Ccapture::*)(unsigned&, unsigned&)>(&Ccapture::aep_process)), KMX_SLOT_CAPTURE_AEP_PROCESS);
    EXPECT_EQ(slot_of(&Ccapture_slots::set_test_mode), KMX_SLOT_CAPTURE_SET_TEST_MODE);
    EXPECT_EQ(slot_of(&Ccapture_slots::set_gain), KMX_SLOT_CAPTURE_SET_GAIN);
    EXPECT_EQ(slot_of(&Ccapture_slots::set_bl), KMX_SLOT_CAPTURE_SET_BL);
    EXPECT_EQ(slot_of(&Ccapture_slots::set_red_gain), KMX_SLOT_CAPTURE_SET_RED_GAIN);
    EXPECT_EQ(slot_of(&Ccapture_slots::set_green_gain), KMX_SLOT_CAPTURE_SET_GREEN_GAIN);
    EXPECT_EQ(slot_of(&Ccapture_slots::set_blue_gain), KMX_SLOT_CAPTURE_SET_BLUE_GAIN);
    EXPECT_EQ(slot_of(&Ccapture_slots::set_red_boost), KMX_SLOT_CAPTURE_SET_RED_BOOST);
    EXPECT_EQ(slot_of(&Ccapture_slots::set_blue_boost), KMX_SLOT_CAPTURE_SET_BLUE_BOOST);
}

TEST(SlotOrder, FormatWordMatchesTheCHeader)
{
    EXPECT_EQ(slot_of(&Ciformat::get_format), KMX_SLOT_IFORMAT_GET_FORMAT);
    EXPECT_EQ(slot_of(&Ciformat::get_image_mode), KMX_SLOT_IFORMAT_GET_IMAGE_MODE);
    EXPECT_EQ(slot_of(&Ciformat::get_no_components), KMX_SLOT_IFORMAT_GET_NO_COMPONENTS);
    EXPECT_EQ(slot_of(&Ciformat::get_component_size), KMX_SLOT_IFORMAT_GET_COMPONENT_SIZE);
    EXPECT_EQ(slot_of(&Ciformat::get_component_depth), KMX_SLOT_IFORMAT_GET_COMPONENT_DEPTH);
    EXPECT_EQ(slot_of(&Ciformat::get_component_order), KMX_SLOT_IFORMAT_GET_COMPONENT_ORDER);
    EXPECT_EQ(slot_of(&Ciformat::get_pixel_size), KMX_SLOT_IFORMAT_GET_PIXEL_SIZE);
    EXPECT_EQ(slot_of(&Ciformat::get_details), KMX_SLOT_IFORMAT_GET_DETAILS);
    EXPECT_EQ(slot_of(static_cast<bool (Ciformat::*)(unsigned, unsigned, unsigned, unsigned)>(&Ciformat::set_format)), KMX_SLOT_IFORMAT_SET_FORMAT_PROPERTIES);
    EXPECT_EQ(slot_of(static_cast<bool (Ciformat::*)(unsigned)>(&Ciformat::set_format)), KMX_SLOT_IFORMAT_SET_FORMAT);
}

TEST(SlotOrder, BufferPoolMatchesTheCHeader)
{
    EXPECT_EQ(slot_of(&Cbuffer_pool::create_pool), KMX_SLOT_BUFFER_POOL_CREATE_POOL);
    EXPECT_EQ(slot_of(static_cast<int (Cbuffer_pool::*)(unsigned)>(&Cbuffer_pool::modify)), KMX_SLOT_BUFFER_POOL_MODIFY_FORMAT);
    EXPECT_EQ(slot_of(static_cast<int (Cbuffer_pool::*)(unsigned, int, int)>(&Cbuffer_pool::modify)), KMX_SLOT_BUFFER_POOL_MODIFY_FORMAT_SIZE);
    EXPECT_EQ(slot_of(static_cast<int (Cbuffer_pool::*)(unsigned, unsigned, unsigned, unsigned, int, int)>(&Cbuffer_pool::modify)), KMX_SLOT_BUFFER_POOL_MODIFY_PROPERTIES);
    EXPECT_EQ(slot_of(&Cbuffer_pool::resize), KMX_SLOT_BUFFER_POOL_RESIZE);
    EXPECT_EQ(slot_of(&Cbuffer_pool::assign), KMX_SLOT_BUFFER_POOL_ASSIGN);
    EXPECT_EQ(slot_of(&Cbuffer_pool::release), KMX_SLOT_BUFFER_POOL_RELEASE);
    EXPECT_EQ(slot_of(&Cbuffer_pool::close), KMX_SLOT_BUFFER_POOL_CLOSE);
    EXPECT_EQ(slot_of(&Cbuffer_pool::get_no_buffers), KMX_SLOT_BUFFER_POOL_GET_NO_BUFFERS);
    EXPECT_EQ(slot_of(&Cbuffer_pool::get_buffer), KMX_SLOT_BUFFER_POOL_GET_BUFFER);
    EXPECT_EQ(slot_of(&Cbuffer_pool::get_frame_info), KMX_SLOT_BUFFER_POOL_GET_FRAME_INFO);
}

TEST(SlotOrder, FrameInfoMatchesTheCHeader)
{
    EXPECT_EQ(slot_of(static_cast<int (Cframe_info::*)(Cfw_image*, unsigned)>(&Cframe_info::create)), KMX_SLOT_FRAME_INFO_CREATE_IMAGES);
    EXPECT_EQ(slot_of(static_cast<int (Cframe_info::*)(Cfw_image&)>(&Cframe_info::create)), KMX_SLOT_FRAME_INFO_CREATE_FW_IMAGE);
    EXPECT_EQ(slot_of(static_cast<int (Cframe_info::*)(Cimage&)>(&Cframe_info::create)), KMX_SLOT_FRAME_INFO_CREATE_IMAGE);
    EXPECT_EQ(slot_of(static_cast<int (Cframe_info::*)(unsigned)>(&Cframe_info::create)), KMX_SLOT_FRAME_INFO_CREATE_COUNT);
    EXPECT_EQ(slot_of(&Cframe_info::release), KMX_SLOT_FRAME_INFO_RELEASE);
    EXPECT_EQ(slot_of(static_cast<int (Cframe_info::*)(Cfw_image&, unsigned)>(&Cframe_info::set)), KMX_SLOT_FRAME_INFO_SET_FW_IMAGE_INDEX);
    EXPECT_EQ(slot_of(static_cast<int (Cframe_info::*)(Cfw_image&)>(&Cframe_info::set)), KMX_SLOT_FRAME_INFO_SET_FW_IMAGE);
    EXPECT_EQ(slot_of(static_cast<int (Cframe_info::*)(Cimage&, unsigned)>(&Cframe_info::set)), KMX_SLOT_FRAME_INFO_SET_IMAGE_INDEX);
    EXPECT_EQ(slot_of(static_cast<int (Cframe_info::*)(Cimage&)>(&Cframe_info::set)), KMX_SLOT_FRAME_INFO_SET_IMAGE);
    EXPECT_EQ(slot_of(&Cframe_info::get_no_frames), KMX_SLOT_FRAME_INFO_GET_NO_FRAMES);
    EXPECT_EQ(slot_of(static_cast<kmx_frame_t* (Cframe_info::*)(unsigned)>(&Cframe_info::get_frame_info)), KMX_SLOT_FRAME_INFO_GET_FRAME_INFO_INDEX);
    EXPECT_EQ(slot_of(static_cast<kmx_frame_t* (Cframe_info::*)()>(&Cframe_info::get_frame_info)), KMX_SLOT_FRAME_INFO_GET_FRAME_INFO);
    EXPECT_EQ(slot_of(&Cframe_info::get_frame_list), KMX_SLOT_FRAME_INFO_GET_FRAME_LIST);
}

TEST(SlotOrder, ImageCoreMatchesTheCHeader)
{
    EXPECT_EQ(slot_of(&Cimage_core::get_width), KMX_SLOT_IMAGE_GET_WIDTH);
    EXPECT_EQ(slot_of(&Cimage_core::get_height), KMX_SLOT_IMAGE_GET_HEIGHT);
    EXPECT_EQ(slot_of(&Cimage_core::get_image_rect), KMX_SLOT_IMAGE_GET_IMAGE_RECT);
    EXPECT_EQ(slot_of(&Cimage_core::get_rowbytes), KMX_SLOT_IMAGE_GET_ROWBYTES);
    EXPECT_EQ(slot_of(&Cimage_core::get_size), KMX_SLOT_IMAGE_GET_SIZE);
    EXPECT_EQ(slot_of(&Cimage_core::get_bsize), KMX_SLOT_IMAGE_GET_BSIZE);
    EXPECT_EQ(slot_of(&Cimage_core::get_no_components), KMX_SLOT_IMAGE_GET_NO_COMPONENTS);
    EXPECT_EQ(slot_of(&Cimage_core::get_component_size), KMX_SLOT_IMAGE_GET_COMPONENT_SIZE);
    EXPECT_EQ(slot_of(&Cimage_core::get_component_depth), KMX_SLOT_IMAGE_GET_COMPONENT_DEPTH);
    EXPECT_EQ(slot_of(&Cimage_core::get_component_order), KMX_SLOT_IMAGE_GET_COMPONENT_ORDER);
    EXPECT_EQ(slot_of(&Cimage_core::get_pixel_size), KMX_SLOT_IMAGE_GET_PIXEL_SIZE);
    EXPECT_EQ(slot_of(&Cimage_core::get_image_type), KMX_SLOT_IMAGE_GET_IMAGE_TYPE);
    EXPECT_EQ(slot_of(&Cimage_core::get_format), KMX_SLOT_IMAGE_GET_FORMAT);
    EXPECT_EQ(slot_of(&Cimage_core::get_bp), KMX_SLOT_IMAGE_GET_BP);
    EXPECT_EQ(slot_of(&Cimage_core::close_image), KMX_SLOT_IMAGE_CLOSE_IMAGE);
    EXPECT_EQ(slot_of(&Cimage_core::clear_image), KMX_SLOT_IMAGE_CLEAR_IMAGE);
    EXPECT_EQ(slot_of(static_cast<int (Cimage::*)(unsigned, int, int)>(&Cimage::create_image)), KMX_SLOT_IMAGE_CREATE_IMAGE_FORMAT);
    EXPECT_EQ(slot_of(static_cast<int (Cimage::*)(unsigned, unsigned, unsigned, unsigned, int, int)>(&Cimage::create_image)), KMX_SLOT_IMAGE_CREATE_IMAGE_PROPERTIES);
    EXPECT_EQ(slot_of(static_cast<int (Cimage::*)(unsigned)>(&Cimage::modify_image)), KMX_SLOT_IMAGE_MODIFY_IMAGE_FORMAT);
    EXPECT_EQ(slot_of(static_cast<int (Cimage::*)(unsigned, int, int)>(&Cimage::modify_image)), KMX_SLOT_IMAGE_MODIFY_IMAGE_FORMAT_SIZE);
    EXPECT_EQ(slot_of(static_cast<int (Cimage::*)(unsigned, unsigned, unsigned, unsigned, int, int)>(&Cimage::modify_image)), KMX_SLOT_IMAGE_MODIFY_IMAGE_PROPERTIES);
    EXPECT_EQ(slot_of(&Cimage::resize_image), KMX_SLOT_IMAGE_RESIZE_IMAGE);
}

TEST(SlotOrder, LibraryInstanceMatchesTheCHeader)
{
    EXPECT_EQ(slot_of(&Ckmx_interface::open), KMX_SLOT_KMX_INTERFACE_OPEN);
    EXPECT_EQ(slot_of(&Ckmx_interface::close), KMX_SLOT_KMX_INTERFACE_CLOSE);
}

TEST(SlotOrder, DrawableImagesMatchTheCHeader)
{
    // The image slots come first, as in every image class.
    EXPECT_EQ(slot_of(&Cos_image::get_bp), KMX_SLOT_IMAGE_GET_BP);
    EXPECT_EQ(slot_of(&Cos_image::clear_image), KMX_SLOT_IMAGE_CLEAR_IMAGE);
    EXPECT_EQ(slot_of(&Cimage_drawable::get_hdc), KMX_SLOT_DRAWABLE_GET_HDC);
    EXPECT_EQ(slot_of(&Cimage_drawable::get_binfo), KMX_SLOT_DRAWABLE_GET_BINFO);
    EXPECT_EQ(slot_of(static_cast<void (Cimage_drawable::*)(BITMAPINFO*, char*, RECT, RECT)>(
                  &Cimage_drawable::draw_bitmap)),
              KMX_SLOT_DRAWABLE_DRAW_BITMAP_HEADER);
    EXPECT_EQ(slot_of(static_cast<void (Cimage_drawable::*)(Cimage_drawable*, RECT, RECT)>(
                  &Cimage_drawable::draw_bitmap)),
              KMX_SLOT_DRAWABLE_DRAW_BITMAP_IMAGE);
    EXPECT_EQ(slot_of(static_cast<void (Cimage_drawable::*)(HWND, RECT, RECT, HPALETTE)>(
                  &Cimage_drawable::copy_onscreen)),
              KMX_SLOT_DRAWABLE_COPY_ONSCREEN_PALETTE);
    EXPECT_EQ(slot_of(static_cast<void (Cimage_drawable::*)(HWND, RECT, RECT)>(
                  &Cimage_drawable::copy_onscreen)),
              KMX_SLOT_DRAWABLE_COPY_ONSCREEN);
    EXPECT_EQ(slot_of(static_cast<void (Cimage_drawable::*)(const RECT&, HBITMAP, unsigned)>(
                  &Cimage_drawable::draw_xhair)),
              KMX_SLOT_DRAWABLE_DRAW_XHAIR);
    EXPECT_EQ(slot_of(static_cast<void (Cimage_drawable::*)(const RECT&, HBITMAP)>(
                  &Cimage_drawable::draw_xhair)),
              KMX_SLOT_DRAWABLE_DRAW_XHAIR_PATTERN);
    EXPECT_EQ(slot_of(static_cast<void (Cimage_drawable::*)(const RECT&, unsigned)>(
                  &Cimage_drawable::draw_xhair)),
              KMX_SLOT_DRAWABLE_DRAW_XHAIR_SCALE);
    EXPECT_EQ(slot_of(static_cast<void (Cimage_drawable::*)(const RECT&, HBITMAP, unsigned)>(
                  &Cimage_drawable::draw_grid)),
              KMX_SLOT_DRAWABLE_DRAW_GRID);
    EXPECT_EQ(slot_of(static_cast<void (Cimage_drawable::*)(const RECT&, HBITMAP)>(
                  &Cimage_drawable::draw_grid)),
              KMX_SLOT_DRAWABLE_DRAW_GRID_PATTERN);
    EXPECT_EQ(slot_of(static_cast<void (Cimage_drawable::*)(const RECT&, unsigned)>(
                  &Cimage_drawable::draw_grid)),
              KMX_SLOT_DRAWABLE_DRAW_GRID_SCALE);
    EXPECT_EQ(slot_of(&Cos_image::create_image), KMX_SLOT_OS_IMAGE_CREATE_IMAGE);
    EXPECT_EQ(slot_of(static_cast<void (Cos_image::*)(Cfw_image*)>(&Cos_image::draw_image)),
              KMX_SLOT_OS_IMAGE_DRAW_FRAME);
    EXPECT_EQ(slot_of(static_cast<void (Cos_image::*)(Cimage_drawable*)>(&Cos_image::draw_image)),
              KMX_SLOT_OS_IMAGE_DRAW_DRAWABLE);
}

} // namespace
