// SPDX-License-Identifier: Apache-2.0
// The C entry points of the diagnostics channel (kmxcore/diagnostics.h):
// kmxcore's own channel, which the camera libraries write through once the
// library instance is open.
#include "kmxcore/diagnostics.h"

#include "kmxcore/camera/camera_call.h"
#include "kmxcore/diagnostics/log.h"

extern "C" {

void kmx_log_set_callback(kmx_log_callback callback, void* user)
{
    kmx_log::set_callback(callback, user);
}

int kmx_log_configure(const char* spec) { return kmx_log::configure(spec); }

void kmx_log_set_level(kmx_log_category category, kmx_log_level level)
{
    kmx_log::set_level(category, level);
}

kmx_log_level kmx_log_get_level(kmx_log_category category) { return kmx_log::get_level(category); }

const char* kmx_log_category_name(kmx_log_category category)
{
    return kmx_log::category_name(category);
}

const char* kmx_log_level_name(kmx_log_level level) { return kmx_log::level_name(level); }

int kmx_last_camera_failure(char* text, unsigned length)
{
    return kmx_camera_call::last_failure(text, length);
}

void kmx_clear_camera_failure(void) { kmx_camera_call::clear_last_failure(); }

const char* kmx_camera_status_name(int status) { return kmx_camera_call::status_name(status); }

} // extern "C"
