/* GDI32 services of the POSIX platform layer: a software GDI on real
 * pixels. Filled by the drawing work; the library's image classes draw
 * through these calls. */
#ifndef KMX_GDI32_H
#define KMX_GDI32_H

#include "kmx_platform_api.h"
#include "kmx_win_types.h"

#endif
