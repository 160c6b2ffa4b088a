/* SPDX-License-Identifier: Apache-2.0 */
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
/* C names, like the rest of the layer's exports. */
extern "C" {
/* Holds a key down (or lets it go) for GetAsyncKeyState. Returns true. */
KMX_PLATFORM_API bool kmx_platform_set_key_down(int virtual_key, bool down);
/* Lets every key go. */
KMX_PLATFORM_API void kmx_platform_release_all_keys();
}
#endif

/*
 * Window surfaces, for tests and tools that draw into a window and look at
 * the result:
 *   kmx_platform_create_window(width, height) - a window whose client area
 *       is width x height pixels; null when it cannot be made.
 *   kmx_platform_window_pixel(window, x, y) - the colour of a client-area
 *       pixel, CLR_INVALID outside it or for a window that is not alive.
 *   kmx_platform_destroy_window(window) - true when it was alive.
 * Elsewhere a window is an off-screen 32-bit surface, black when made. On
 * Windows it is a real borderless top-level window at the screen's origin,
 * read back through its DC: keep it uncovered while reading.
 */
#if defined(_WIN32)
inline const char* kmx_platform_window_class()
{
    static const char* const name = "kmx_platform_surface";
    static bool registered = false;
    if (!registered) {
        WNDCLASSA window_class = {};
        window_class.lpfnWndProc = DefWindowProcA;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        window_class.lpszClassName = name;
        registered = RegisterClassA(&window_class) != 0;
    }
    return name;
}

inline HWND kmx_platform_create_window(int width, int height)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kmx_platform_window_class(),
                                  "", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window != nullptr)
        UpdateWindow(window);
    return window;
}

inline COLORREF kmx_platform_window_pixel(HWND window, int x, int y)
{
    RECT client;
    if (window == nullptr || !IsWindow(window) || !GetClientRect(window, &client))
        return CLR_INVALID;
    if (x < 0 || y < 0 || x >= client.right || y >= client.bottom)
        return CLR_INVALID;
    HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

inline bool kmx_platform_destroy_window(HWND window)
{
    return window != nullptr && DestroyWindow(window) != 0;
}
#else
extern "C" {
KMX_PLATFORM_API HWND kmx_platform_create_window(int width, int height);
KMX_PLATFORM_API COLORREF kmx_platform_window_pixel(HWND window, int x, int y);
KMX_PLATFORM_API bool kmx_platform_destroy_window(HWND window);
}
#endif

#endif
