/* SPDX-License-Identifier: Apache-2.0 */
/*
 * kmx_platform.h - the few Windows services the library uses.
 *
 * On Windows this is <windows.h> with its USER32, GDI32 and KERNEL32.
 * Elsewhere it is our own layer: the Windows types and constants the
 * library needs, Sleep, SetRect, GetAsyncKeyState over a key state that
 * tests and tools can set (kmx_platform_control.h), and a software GDI.
 */
#ifndef KMX_PLATFORM_H
#define KMX_PLATFORM_H

#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#else
#  include "posix/kmx_win_types.h"
#  include "posix/kmx_kernel32.h"
#  include "posix/kmx_user32.h"
#  include "posix/kmx_gdi32.h"
#endif

#endif /* KMX_PLATFORM_H */
