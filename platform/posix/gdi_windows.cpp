// SPDX-License-Identifier: Apache-2.0
// Windows of the POSIX platform layer: off-screen 32-bit surfaces that
// tests and tools create and read, with GetDC/ReleaseDC giving device
// contexts that draw into them.
#include <memory>

#include "gdi_objects.h"
#include "kmx_platform.h"
#include "kmx_platform_control.h"

using namespace kmx_gdi;

namespace {

constexpr int window_bits = 32;

Thandle new_window_dc(Thandle window)
{
    auto dc = std::make_unique<Cgdi_object>();
    dc->kind = Ekind::dc;
    dc->dc.memory = false;
    dc->dc.window = window;
    dc->dc.state.pen = registry().stock(BLACK_PEN);
    dc->dc.state.brush = registry().stock(WHITE_BRUSH);
    dc->dc.state.palette = registry().stock(DEFAULT_PALETTE);
    return registry().add(std::move(dc));
}

} // namespace

extern "C" HDC GetDC(HWND hWnd)
{
    Cgdi_lock lock;
    const Thandle window = hWnd == nullptr ? registry().screen() : to_value(hWnd);
    if (registry().find(window, Ekind::window) == nullptr)
        return nullptr;
    return to_handle<HDC>(new_window_dc(window));
}

extern "C" int ReleaseDC(HWND hWnd, HDC hDC)
{
    Cgdi_lock lock;
    Cgdi_object* dc = registry().find(to_value(hDC), Ekind::dc);
    if (dc == nullptr || dc->dc.memory)
        return 0;
    const Thandle window = hWnd == nullptr ? registry().screen() : to_value(hWnd);
    if (dc->dc.window != window)
        return 0;
    registry().remove(to_value(hDC));
    return 1;
}

HWND kmx_platform_create_window(int width, int height)
{
    Cgdi_lock lock;
    auto window = std::make_unique<Cgdi_object>();
    window->kind = Ekind::window;
    window->surface = std::make_shared<Csurface>(width, height, window_bits, true);
    if (!window->surface->is_valid())
        return nullptr;
    return to_handle<HWND>(registry().add(std::move(window)));
}

bool kmx_platform_destroy_window(HWND window)
{
    Cgdi_lock lock;
    Cgdi_object* object = registry().find(to_value(window), Ekind::window);
    if (object == nullptr || object->stock)
        return false;
    // Its DCs stay until released, drawing nothing: they find no window.
    registry().remove(to_value(window));
    return true;
}

COLORREF kmx_platform_window_pixel(HWND window, int x, int y)
{
    Cgdi_lock lock;
    Cgdi_object* object = registry().find(to_value(window), Ekind::window);
    if (object == nullptr || !object->surface->contains(x, y))
        return CLR_INVALID;
    return object->surface->to_colour(object->surface->read(x, y));
}
