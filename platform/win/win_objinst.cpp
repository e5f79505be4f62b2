// Object instances: window procedures bound to objects, handed out from a
// fixed table of entry points like the kind-converting thunks.
#include <array>
#include <deque>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "platform/win/winuser.h"

namespace {

struct TInstanceSlot {
    // Shared so a call in progress keeps its method when the slot is freed under it.
    std::shared_ptr<const TObjectWndProc> Method;
};

std::mutex& InstanceMutex() {
    static std::mutex m;
    return m;
}
std::array<TInstanceSlot, kObjectInstanceSlots> gSlots;
// Free slots, longest-freed first, so a stale copy of a freed procedure is
// unlikely to reach the next owner soon.
std::deque<std::size_t>& FreeSlots() {
    static std::deque<std::size_t> q = [] {
        std::deque<std::size_t> d;
        for (std::size_t i = 0; i < kObjectInstanceSlots; ++i) d.push_back(i);
        return d;
    }();
    return q;
}

template <std::size_t N>
LRESULT CALLBACK InstanceEntry(HWND h, UINT m, WPARAM w, LPARAM l) {
    std::shared_ptr<const TObjectWndProc> method;
    {
        std::lock_guard<std::mutex> lk(InstanceMutex());
        method = gSlots[N].Method;
    }
    if (!method) return DefWindowProcW(h, m, w, l);
    return (*method)(h, m, w, l);
}
template <std::size_t... I>
constexpr std::array<WNDPROC, sizeof...(I)> MakeInstanceEntries(std::index_sequence<I...>) {
    return {&InstanceEntry<I>...};
}
constexpr std::array<WNDPROC, kObjectInstanceSlots> kInstanceEntries =
    MakeInstanceEntries(std::make_index_sequence<kObjectInstanceSlots>{});

}  // namespace

WNDPROC MakeObjectInstance(TObjectWndProc Method) {
    auto method = std::make_shared<const TObjectWndProc>(std::move(Method));
    std::lock_guard<std::mutex> lk(InstanceMutex());
    auto& free = FreeSlots();
    if (free.empty()) throw std::length_error("MakeObjectInstance: all window procedure slots are in use");
    std::size_t i = free.front();
    free.pop_front();
    gSlots[i].Method = std::move(method);
    return kInstanceEntries[i];
}

void FreeObjectInstance(WNDPROC Instance) {
    if (!Instance) return;
    std::shared_ptr<const TObjectWndProc> old;  // destroyed after the lock is released
    std::lock_guard<std::mutex> lk(InstanceMutex());
    for (std::size_t i = 0; i < kObjectInstanceSlots; ++i) {
        if (kInstanceEntries[i] != Instance) continue;
        if (!gSlots[i].Method) return;  // freed twice: the slot is already queued
        old = std::move(gSlots[i].Method);
        FreeSlots().push_back(i);
        return;
    }
}
