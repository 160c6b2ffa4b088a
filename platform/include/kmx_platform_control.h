/*
 * kmx_platform_control.h - what tests and tools may set in the platform
 * layer. On Windows the keyboard is the real one and these calls answer
 * that they cannot act (false).
 */
#ifndef KMX_PLATFORM_CONTROL_H
#define KMX_PLATFORM_CONTROL_H

#include "kmx_platform.h"

#if defined(_WIN32)
inline bool kmx_platform_set_key_down(int, bool) { return false; }
inline void kmx_platform_release_all_keys() {}
#else
#  include "posix/kmx_platform_api.h"
/* Holds a key down (or lets it go) for GetAsyncKeyState. Returns true. */
KMX_PLATFORM_API bool kmx_platform_set_key_down(int virtual_key, bool down);
/* Lets every key go. */
KMX_PLATFORM_API void kmx_platform_release_all_keys();
#endif

#endif
