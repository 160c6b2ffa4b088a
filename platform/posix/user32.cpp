// SPDX-License-Identifier: Apache-2.0
// USER32 and KERNEL32 stand-ins: timing, rectangles and a settable key
// state. The key state is shared between threads (a test holds a key down
// while a worker polls it), so each key is a relaxed atomic word.
#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include "kmx_platform.h"
#include "kmx_platform_control.h"

namespace {

constexpr int key_count = 256;
constexpr SHORT key_down_bit = static_cast<SHORT>(0x8000);

std::array<std::atomic<bool>, key_count>& key_states()
{
    static std::array<std::atomic<bool>, key_count> states{};
    return states;
}

bool valid_key(int virtual_key)
{
    return virtual_key >= 0 && virtual_key < key_count;
}

} // namespace

extern "C" void Sleep(DWORD milliseconds)
{
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

extern "C" SHORT GetAsyncKeyState(int virtual_key)
{
    if (!valid_key(virtual_key))
        return 0;
    return key_states()[virtual_key].load(std::memory_order_relaxed) ? key_down_bit : 0;
}

extern "C" BOOL SetRect(RECT* rect, int left, int top, int right, int bottom)
{
    if (rect == nullptr)
        return FALSE;
    rect->left = left;
    rect->top = top;
    rect->right = right;
    rect->bottom = bottom;
    return TRUE;
}

bool kmx_platform_set_key_down(int virtual_key, bool down)
{
    if (!valid_key(virtual_key))
        return false;
    key_states()[virtual_key].store(down, std::memory_order_relaxed);
    return true;
}

void kmx_platform_release_all_keys()
{
    for (auto& state : key_states())
        state.store(false, std::memory_order_relaxed);
}
