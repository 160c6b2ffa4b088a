// SPDX-License-Identifier: Apache-2.0
// The objects of the software GDI and the registry that hands out their
// handles. A handle is a slot index with the slot's generation, so a
// handle to a deleted object never finds the object that reuses its slot;
// lookups check the kind, and unknown values are simply not found.
//
// All state is guarded by one lock (Cgdi_lock) held for the whole of
// every GDI and USER call.
#ifndef KMX_GDI_OBJECTS_H
#define KMX_GDI_OBJECTS_H

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "gdi_surface.h"

namespace kmx_gdi {

enum class Ekind { dc, bitmap, pen, brush, palette, window };

using Thandle = uintptr_t;

struct Cpen_info {
    bool null_pen = false;
    int width = 1;
    COLORREF colour = 0;
    // A pattern brush copied at creation, row-major, top row first.
    int pattern_width = 0;
    int pattern_height = 0;
    std::vector<COLORREF> pattern;
};

struct Cbrush_info {
    bool null_brush = false;
    COLORREF colour = 0;
};

// What SaveDC saves and RestoreDC brings back.
struct Cdc_state {
    Thandle bitmap = 0;
    Thandle pen = 0;
    Thandle brush = 0;
    Thandle palette = 0;
    int rop2 = R2_COPYPEN;
    POINT origin = {0, 0};
    POINT position = {0, 0};
};

struct Cdc_info {
    bool memory = true;
    // The window of a window DC (0: the screen).
    Thandle window = 0;
    Cdc_state state;
    std::vector<Cdc_state> saved;
};

struct Cgdi_object {
    Ekind kind = Ekind::pen;
    bool stock = false;
    // Bitmaps and windows: their pixels. Window DCs share their window's.
    std::shared_ptr<Csurface> surface;
    Cpen_info pen;
    Cbrush_info brush;
    std::vector<PALETTEENTRY> palette;
    Cdc_info dc;
};

class Cgdi_registry {
public:
    // The one registry of the process, with its stock objects.
    static Cgdi_registry& instance();

    Thandle add(std::unique_ptr<Cgdi_object> object);
    // The live object of that kind, or null.
    Cgdi_object* find(Thandle handle, Ekind kind);
    Cgdi_object* find_any(Thandle handle);
    void remove(Thandle handle);

    Thandle stock(int index) const;
    // The 1 x 1 bitmap a new memory DC holds until another is selected.
    Thandle default_bitmap() const { return default_bitmap_handle; }
    // True when a DC other than except (0: any DC), in its current or a
    // saved state, uses the object.
    bool is_selected(Thandle handle, Thandle except = 0);
    // The screen window that GetDC(NULL) draws on, made on first use.
    Thandle screen();

    std::mutex& lock() { return mutex; }

private:
    Cgdi_registry();
    void add_stock_objects();

    struct Cslot {
        uint32_t generation = 1;
        std::unique_ptr<Cgdi_object> object;
    };

    std::mutex mutex;
    std::vector<Cslot> slots;
    // Freed slots are reused oldest first, which keeps a stale handle
    // stale for as long as possible.
    std::deque<uint32_t> free_slots;
    std::vector<Thandle> stock_objects;
    Thandle screen_window = 0;
    Thandle default_bitmap_handle = 0;
};

// Holds the registry's lock for the scope.
class Cgdi_lock {
public:
    Cgdi_lock() : guard(Cgdi_registry::instance().lock()) {}

private:
    std::lock_guard<std::mutex> guard;
};

inline Cgdi_registry& registry()
{
    return Cgdi_registry::instance();
}

template <typename Thandle_type>
Thandle to_value(Thandle_type handle)
{
    return reinterpret_cast<Thandle>(handle);
}

template <typename Thandle_type>
Thandle_type to_handle(Thandle value)
{
    return reinterpret_cast<Thandle_type>(value);
}

// The surface a DC draws on (its selected bitmap's, its window's), or null.
Csurface* target_of(Cgdi_object& dc);

} // namespace kmx_gdi

#endif
