// SPDX-License-Identifier: Apache-2.0
// Handle registry and stock objects of the software GDI.
#include "gdi_objects.h"

namespace kmx_gdi {

namespace {

// Low bits: slot index + 1 (so no handle is 0); high bits: generation.
constexpr unsigned index_bits = 20;
constexpr Thandle index_mask = (Thandle(1) << index_bits) - 1;
constexpr uint32_t max_slots = uint32_t(index_mask) - 1;
constexpr unsigned generation_bits = sizeof(Thandle) * 8 - index_bits - 1;
constexpr Thandle generation_mask = (Thandle(1) << generation_bits) - 1;
constexpr int stock_count = DEFAULT_PALETTE + 1;
constexpr int screen_width = 1024;
constexpr int screen_height = 768;
constexpr int screen_bits = 32;

std::unique_ptr<Cgdi_object> stock_brush(COLORREF colour, bool null_brush)
{
    auto object = std::make_unique<Cgdi_object>();
    object->kind = Ekind::brush;
    object->stock = true;
    object->brush.colour = colour;
    object->brush.null_brush = null_brush;
    return object;
}

std::unique_ptr<Cgdi_object> stock_pen(COLORREF colour, bool null_pen)
{
    auto object = std::make_unique<Cgdi_object>();
    object->kind = Ekind::pen;
    object->stock = true;
    object->pen.colour = colour;
    object->pen.null_pen = null_pen;
    return object;
}

bool uses(const Cdc_state& state, Thandle handle)
{
    return state.bitmap == handle || state.pen == handle || state.brush == handle ||
           state.palette == handle;
}

} // namespace

Cgdi_registry& Cgdi_registry::instance()
{
    static Cgdi_registry registry;
    return registry;
}

Cgdi_registry::Cgdi_registry()
{
    add_stock_objects();
}

void Cgdi_registry::add_stock_objects()
{
    stock_objects.assign(stock_count, 0);
    stock_objects[WHITE_BRUSH] = add(stock_brush(RGB(255, 255, 255), false));
    stock_objects[LTGRAY_BRUSH] = add(stock_brush(RGB(192, 192, 192), false));
    stock_objects[GRAY_BRUSH] = add(stock_brush(RGB(128, 128, 128), false));
    stock_objects[DKGRAY_BRUSH] = add(stock_brush(RGB(64, 64, 64), false));
    stock_objects[BLACK_BRUSH] = add(stock_brush(RGB(0, 0, 0), false));
    stock_objects[NULL_BRUSH] = add(stock_brush(0, true));
    stock_objects[WHITE_PEN] = add(stock_pen(RGB(255, 255, 255), false));
    stock_objects[BLACK_PEN] = add(stock_pen(RGB(0, 0, 0), false));
    stock_objects[NULL_PEN] = add(stock_pen(0, true));

    auto palette = std::make_unique<Cgdi_object>();
    palette->kind = Ekind::palette;
    palette->stock = true;
    palette->palette.assign(1, PALETTEENTRY{0, 0, 0, 0});
    stock_objects[DEFAULT_PALETTE] = add(std::move(palette));

    auto bitmap = std::make_unique<Cgdi_object>();
    bitmap->kind = Ekind::bitmap;
    bitmap->stock = true;
    bitmap->surface = std::make_shared<Csurface>(1, 1, screen_bits, true);
    default_bitmap_handle = add(std::move(bitmap));
}

Thandle Cgdi_registry::add(std::unique_ptr<Cgdi_object> object)
{
    uint32_t index = 0;
    if (!free_slots.empty()) {
        index = free_slots.front();
        free_slots.pop_front();
    } else {
        if (slots.size() >= max_slots)
            return 0;
        index = uint32_t(slots.size());
        slots.emplace_back();
    }
    Cslot& slot = slots[index];
    slot.object = std::move(object);
    return (Thandle(slot.generation) & generation_mask) << index_bits | (Thandle(index) + 1);
}

Cgdi_object* Cgdi_registry::find_any(Thandle handle)
{
    const Thandle index_plus_one = handle & index_mask;
    if (index_plus_one == 0 || index_plus_one > slots.size())
        return nullptr;
    Cslot& slot = slots[index_plus_one - 1];
    if ((handle >> index_bits) != (Thandle(slot.generation) & generation_mask))
        return nullptr;
    return slot.object.get();
}

Cgdi_object* Cgdi_registry::find(Thandle handle, Ekind kind)
{
    Cgdi_object* object = find_any(handle);
    return (object != nullptr && object->kind == kind) ? object : nullptr;
}

void Cgdi_registry::remove(Thandle handle)
{
    if (find_any(handle) == nullptr)
        return;
    const uint32_t index = uint32_t((handle & index_mask) - 1);
    Cslot& slot = slots[index];
    slot.object.reset();
    ++slot.generation;
    free_slots.push_back(index);
}

Thandle Cgdi_registry::stock(int index) const
{
    if (index < 0 || index >= int(stock_objects.size()))
        return 0;
    return stock_objects[size_t(index)];
}

bool Cgdi_registry::is_selected(Thandle handle, Thandle except)
{
    const Cgdi_object* skipped = find_any(except);
    for (const Cslot& slot : slots) {
        if (!slot.object || slot.object->kind != Ekind::dc || slot.object.get() == skipped)
            continue;
        const Cdc_info& dc = slot.object->dc;
        if (uses(dc.state, handle))
            return true;
        for (const Cdc_state& saved : dc.saved)
            if (uses(saved, handle))
                return true;
    }
    return false;
}

Thandle Cgdi_registry::screen()
{
    if (find(screen_window, Ekind::window) != nullptr)
        return screen_window;
    auto window = std::make_unique<Cgdi_object>();
    window->kind = Ekind::window;
    window->stock = true;
    window->surface = std::make_shared<Csurface>(screen_width, screen_height, screen_bits, true);
    screen_window = add(std::move(window));
    return screen_window;
}

Csurface* target_of(Cgdi_object& dc)
{
    if (!dc.dc.memory) {
        Cgdi_object* window = registry().find(dc.dc.window, Ekind::window);
        return window != nullptr ? window->surface.get() : nullptr;
    }
    Cgdi_object* bitmap = registry().find(dc.dc.state.bitmap, Ekind::bitmap);
    return bitmap != nullptr ? bitmap->surface.get() : nullptr;
}

} // namespace kmx_gdi
