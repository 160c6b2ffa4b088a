// SPDX-License-Identifier: Apache-2.0
// kmxcore.h - every public class of kmxcore.
//
// Applications that link against the classes include this one header;
// applications that load the library at run time use exports/kmxcore_c.h.
#ifndef KMXCORE_H
#define KMXCORE_H

#include "camera/kmxlib.h"

#include "image/iformat.h"
#include "image/image_core.h"
#include "image/image.h"
#include "image/fw_image.h"
#include "image/image_info.h"
#include "image/image_binfo.h"
#include "image/image_drawable.h"
#include "image/os_image.h"

#include "camera/kmx_interface.h"
#include "camera/device.h"

#include "buffers/frame_info.h"
#include "buffers/buffer_pool.h"

#include "settings/cam_settings.h"

#include "capture/thread_state.h"
#include "capture/capture.h"

#endif
