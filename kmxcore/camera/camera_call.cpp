// SPDX-License-Identifier: Apache-2.0
// The checked camera-library calls: names, statuses, the log line and the
// thread's last failure.
#include "kmxcore/camera/camera_call.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace kmx_camera_call {

namespace {

template <typename Function>
any_function as_key(Function function)
{
    return reinterpret_cast<any_function>(function);
}

struct Cfunction_name {
    any_function function;
    const char* name;
};

// Every function of the contract with its name, for the log lines.
const Cfunction_name function_names[] = {
    {as_key(&kmx_open_interface), "kmx_open_interface"},
    {as_key(&kmx_close_interface), "kmx_close_interface"},
    {as_key(&kmx_list), "kmx_list"},
    {as_key(&kmx_dispose_object), "kmx_dispose_object"},
    {as_key(&kmx_open), "kmx_open"},
    {as_key(&kmx_open_any), "kmx_open_any"},
    {as_key(&kmx_close), "kmx_close"},
    {as_key(&kmx_get_camera_vendor_desc), "kmx_get_camera_vendor_desc"},
    {as_key(&kmx_get_camera_vendor_prefix), "kmx_get_camera_vendor_prefix"},
    {as_key(&kmx_get_camera_product_desc), "kmx_get_camera_product_desc"},
    {as_key(&kmx_camera_vendor_desc), "kmx_camera_vendor_desc"},
    {as_key(&kmx_camera_vendor_prefix), "kmx_camera_vendor_prefix"},
    {as_key(&kmx_camera_product_desc), "kmx_camera_product_desc"},
    {as_key(&kmx_setup_camera), "kmx_setup_camera"},
    {as_key(&kmx_assign_buffers), "kmx_assign_buffers"},
    {as_key(&kmx_release_buffers), "kmx_release_buffers"},
    {as_key(&kmx_start_frame_index), "kmx_start_frame_index"},
    {as_key(&kmx_start_frame), "kmx_start_frame"},
    {as_key(&kmx_check_for_complete), "kmx_check_for_complete"},
    {as_key(&kmx_check_start_next), "kmx_check_start_next"},
    {as_key(&kmx_abort_frame), "kmx_abort_frame"},
    {as_key(&kmx_copy_frame), "kmx_copy_frame"},
    {as_key(&kmx_copy_roi), "kmx_copy_roi"},
    {as_key(&kmx_get_param), "kmx_get_param"},
    {as_key(&kmx_get_param_min), "kmx_get_param_min"},
    {as_key(&kmx_get_param_max), "kmx_get_param_max"},
    {as_key(&kmx_get_param_default), "kmx_get_param_default"},
    {as_key(&kmx_set_param), "kmx_set_param"},
    {as_key(&kmx_get_fparam), "kmx_get_fparam"},
    {as_key(&kmx_get_fparam_min), "kmx_get_fparam_min"},
    {as_key(&kmx_get_fparam_max), "kmx_get_fparam_max"},
    {as_key(&kmx_get_fparam_default), "kmx_get_fparam_default"},
    {as_key(&kmx_set_fparam), "kmx_set_fparam"},
    {as_key(&kmx_get_info), "kmx_get_info"},
    {as_key(&kmx_get_stat), "kmx_get_stat"},
    {as_key(&kmx_reset_stat), "kmx_reset_stat"},
    {as_key(&kmx_exp_to_index), "kmx_exp_to_index"},
    {as_key(&kmx_index_to_exp), "kmx_index_to_exp"},
    {as_key(&kmx_gain_to_index), "kmx_gain_to_index"},
    {as_key(&kmx_bl_to_index), "kmx_bl_to_index"},
    {as_key(&kmx_wb_gain_to_index), "kmx_wb_gain_to_index"},
    {as_key(&kmx_gamma_to_index), "kmx_gamma_to_index"},
    {as_key(&kmx_index_to_gain), "kmx_index_to_gain"},
    {as_key(&kmx_index_to_bl), "kmx_index_to_bl"},
    {as_key(&kmx_index_to_wb_gain), "kmx_index_to_wb_gain"},
    {as_key(&kmx_index_to_gamma), "kmx_index_to_gamma"},
    {as_key(&kmx_load_lut), "kmx_load_lut"},
    {as_key(&kmx_get_lut), "kmx_get_lut"},
    {as_key(&kmx_awb_roi_index), "kmx_awb_roi_index"},
    {as_key(&kmx_auto_gain_index), "kmx_auto_gain_index"},
    {as_key(&kmx_auto_exp_index), "kmx_auto_exp_index"},
    {as_key(&kmx_auto_exp_index_ex), "kmx_auto_exp_index_ex"},
    {as_key(&kmx_awb_roi), "kmx_awb_roi"},
    {as_key(&kmx_auto_gain), "kmx_auto_gain"},
    {as_key(&kmx_auto_exp), "kmx_auto_exp"},
    {as_key(&kmx_auto_exp_ex), "kmx_auto_exp_ex"},
    {as_key(&kmx_register_event_callback), "kmx_register_event_callback"},
    {as_key(&kmx_remove_event_callback), "kmx_remove_event_callback"},
};

struct Cstatus_name {
    int status;
    const char* name;
};

const Cstatus_name status_names[] = {
    {KMX_OK, "KMX_OK"},
    {KMX_ERR_NULL_HANDLE, "KMX_ERR_NULL_HANDLE"},
    {KMX_ERR_BAD_ARGUMENT, "KMX_ERR_BAD_ARGUMENT"},
    {KMX_ERR_NOT_FOUND, "KMX_ERR_NOT_FOUND"},
    {KMX_ERR_IN_USE, "KMX_ERR_IN_USE"},
    {KMX_ERR_NO_BUFFERS, "KMX_ERR_NO_BUFFERS"},
    {KMX_ERR_BUFFER_TOO_SMALL, "KMX_ERR_BUFFER_TOO_SMALL"},
    {KMX_ERR_NOT_SUPPORTED, "KMX_ERR_NOT_SUPPORTED"},
    {KMX_AUTO_ABORTED, "KMX_AUTO_ABORTED"},
    {KMX_ERR_NO_MEMORY, "KMX_ERR_NO_MEMORY"},
    {KMX_ERR_STATE, "KMX_ERR_STATE"},
    {KMX_ERR_FORMAT, "KMX_ERR_FORMAT"},
    {KMX_ERR_INJECTED, "KMX_ERR_INJECTED"},
    {KMX_FRAME_FAILED_13, "KMX_FRAME_FAILED_13"},
    {KMX_FRAME_BUSY, "KMX_FRAME_BUSY"},
    {KMX_FRAME_FAILED_16, "KMX_FRAME_FAILED_16"},
};

// Bytes kept of the last failed call's name and arguments.
constexpr size_t failure_text_bytes = 256;

struct Cfailure {
    int status;
    char text[failure_text_bytes];
};

thread_local Cfailure last = {KMX_OK, {}};

void copy_text(char* target, size_t length, const char* source)
{
    if (target == nullptr || length == 0)
        return;
    std::snprintf(target, length, "%s", source);
}

} // namespace

const char* function_name(any_function function)
{
    for (const Cfunction_name& entry : function_names)
        if (entry.function == function)
            return entry.name;
    return "kmx_?";
}

const char* status_name(int status)
{
    for (const Cstatus_name& entry : status_names)
        if (entry.status == status)
            return entry.name;
    return "unknown status";
}

void report(any_function function, int status, kmx_log_level level,
            const std::string& arguments) noexcept
{
    const char* name = function_name(function);
    if (level == KMX_LOG_WARN) {
        last.status = status;
        std::snprintf(last.text, sizeof last.text, "%s(%s)", name, arguments.c_str());
        kmx_log::write(KMX_LOG_CAMERA, level, "%s(%s) failed: status %d (%s)", name,
                       arguments.c_str(), status, status_name(status));
        return;
    }
    kmx_log::write(KMX_LOG_CAMERA, level, "%s(%s): %s", name, arguments.c_str(),
                   status_name(status));
}

int last_failure(char* text, unsigned length)
{
    copy_text(text, length, last.status == KMX_OK ? "" : last.text);
    return last.status;
}

void clear_last_failure()
{
    last.status = KMX_OK;
    last.text[0] = '\0';
}

void append_signed(std::string& text, long long value) { text += std::to_string(value); }

void append_unsigned(std::string& text, unsigned long long value) { text += std::to_string(value); }

void append_double(std::string& text, double value)
{
    char number[32];
    std::snprintf(number, sizeof number, "%g", value);
    text += number;
}

void append_pointer(std::string& text, const void* value)
{
    if (value == nullptr) {
        text += "null";
        return;
    }
    char number[2 + 2 * sizeof(uintptr_t) + 1];
    std::snprintf(number, sizeof number, "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(value));
    text += number;
}

void append_rect(std::string& text, const RECT& value)
{
    text += "{";
    append_signed(text, value.left);
    text += ", ";
    append_signed(text, value.top);
    text += ", ";
    append_signed(text, value.right);
    text += ", ";
    append_signed(text, value.bottom);
    text += "}";
}

} // namespace kmx_camera_call
