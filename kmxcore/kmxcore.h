// SPDX-License-Identifier: Apache-2.0
// kmxcore.h - every public class of kmxcore.
//
// Applications that link against the classes include this one header;
// applications that load the library at run time use kmxcore/kmxcore_c.h.
#ifndef KMXCORE_H
#define KMXCORE_H

#include <kmxcore/camera/kmxlib.h>
#include <kmxcore/diagnostics.h>
#include <kmxcore/version.h>

#include <kmxcore/image/iformat.h>
#include <kmxcore/image/image_core.h>
#include <kmxcore/image/image.h>
#include <kmxcore/image/fw_image.h>
#include <kmxcore/image/image_info.h>
#include <kmxcore/image/image_binfo.h>
#include <kmxcore/image/image_drawable.h>
#include <kmxcore/image/os_image.h>

#include <kmxcore/camera/kmx_interface.h>
#include <kmxcore/camera/device.h>

#include <kmxcore/buffers/frame_info.h>
#include <kmxcore/buffers/buffer_pool.h>

#include <kmxcore/settings/cam_settings.h>

#include <kmxcore/capture/thread_state.h>
#include <kmxcore/capture/capture.h>

#endif
