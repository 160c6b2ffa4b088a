/* USER32 services of the POSIX platform layer. */
#ifndef KMX_USER32_H
#define KMX_USER32_H

#include "kmx_platform_api.h"
#include "kmx_win_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The key's state: bit 15 set while the key is down (see
 * kmx_platform_set_key_down). */
KMX_PLATFORM_API SHORT GetAsyncKeyState(int virtual_key);

KMX_PLATFORM_API BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);

#ifdef __cplusplus
}
#endif

#endif
