// Object instances: window procedures bound to objects, their slots and
// their lifetime while a window calls them.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"
#include "win_test_util.h"

using namespace wintest;

namespace {

struct TCounter {
    std::string Name;
    std::vector<std::pair<HWND, UINT>> Seen;
    WNDPROC Old = nullptr;
    LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        Seen.emplace_back(h, m);
        if (m == WM_USER + 7) return static_cast<LRESULT>(Name.size());
        return CallWindowProcW(Old, h, m, w, l);
    }
};

class ObjectInstances : public ::testing::Test {
protected:
    void SetUp() override {
        WinStartup();
        RegisterRecorder();
    }
    void TearDown() override {
        for (HWND h : Made)
            if (IsWindow(h)) DestroyWindow(h);
        PumpPending();
    }
    HWND Make() {
        HWND h = CreateWindowExW(0, u"Recorder", u"w", WS_POPUP, 0, 0, 50, 40, nullptr, nullptr, nullptr, nullptr);
        Made.push_back(h);
        return h;
    }
    std::vector<HWND> Made;
};

TEST_F(ObjectInstances, EachObjectGetsItsOwnProcedureAndWindow) {
    TCounter a{"alpha"}, b{"be"};
    WNDPROC pa = MakeObjectInstance([&a](HWND h, UINT m, WPARAM w, LPARAM l) { return a.Proc(h, m, w, l); });
    WNDPROC pb = MakeObjectInstance([&b](HWND h, UINT m, WPARAM w, LPARAM l) { return b.Proc(h, m, w, l); });
    ASSERT_NE(pa, nullptr);
    ASSERT_NE(pa, pb);
    HWND ha = Make(), hb = Make();
    a.Old = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(ha, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pa)));
    b.Old = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hb, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pb)));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(ha, GWLP_WNDPROC)), pa);
    EXPECT_EQ(SendMessageW(ha, WM_USER + 7, 0, 0), 5);
    EXPECT_EQ(SendMessageA(hb, WM_USER + 7, 0, 0), 2);
    EXPECT_EQ(CallWindowProcW(pa, hb, WM_USER + 7, 0, 0), 5);  // called directly, with another window
    ASSERT_EQ(a.Seen.size(), 2u);
    EXPECT_EQ(a.Seen[0], std::make_pair(ha, UINT(WM_USER + 7)));
    EXPECT_EQ(a.Seen[1], std::make_pair(hb, UINT(WM_USER + 7)));
    ASSERT_EQ(b.Seen.size(), 1u);
    EXPECT_EQ(b.Seen[0].first, hb);
    // Unsubclassed and freed, the windows answer as before.
    SetWindowLongPtrW(ha, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(a.Old));
    SetWindowLongPtrA(hb, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(b.Old));
    FreeObjectInstance(pa);
    FreeObjectInstance(pb);
    EXPECT_EQ(SendMessageW(ha, WM_USER + 7, 0, 0), 0);
    EXPECT_EQ(a.Seen.size(), 2u);
}

TEST_F(ObjectInstances, SlotsAreReusedOnlyAfterFreeingAndRunningOutIsAnError) {
    std::vector<WNDPROC> held;
    std::set<WNDPROC> distinct;
    int calls = 0;
    for (std::size_t i = 0; i < kObjectInstanceSlots; ++i) {
        WNDPROC p = MakeObjectInstance([&calls, i](HWND, UINT, WPARAM, LPARAM) {
            ++calls;
            return static_cast<LRESULT>(i);
        });
        held.push_back(p);
        distinct.insert(p);
    }
    EXPECT_EQ(distinct.size(), kObjectInstanceSlots);  // none handed out twice while held
    EXPECT_THROW(MakeObjectInstance([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }), std::length_error);
    EXPECT_EQ(CallWindowProcW(held[100], nullptr, WM_USER, 0, 0), 100);

    // Freed twice, a slot is still one slot.
    FreeObjectInstance(held[100]);
    FreeObjectInstance(held[100]);
    FreeObjectInstance(nullptr);
    FreeObjectInstance(DefWindowProcW);  // not an instance
    WNDPROC again = MakeObjectInstance([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return -1; });
    EXPECT_EQ(again, held[100]);
    EXPECT_EQ(CallWindowProcW(again, nullptr, WM_USER, 0, 0), -1);
    EXPECT_THROW(MakeObjectInstance([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }), std::length_error);

    // The longest-freed slot comes back first.
    FreeObjectInstance(held[7]);
    FreeObjectInstance(held[3]);
    EXPECT_EQ(MakeObjectInstance([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }), held[7]);
    EXPECT_EQ(MakeObjectInstance([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }), held[3]);
    held[100] = again;
    for (WNDPROC p : held) FreeObjectInstance(p);
    EXPECT_EQ(calls, 1);
}

TEST_F(ObjectInstances, FreeingWhileRunningKeepsTheCallAndLaterCallsGetTheDefault) {
    HWND h = Make();
    struct TSelfFreeing {
        WNDPROC Me = nullptr, Old = nullptr;
        std::string State = "still here";
        std::string SeenAfterFree;
    } obj;
    obj.Me = MakeObjectInstance([&obj](HWND hw, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_USER + 1) {
            // Unsubclass and free from inside the call, as a window does at its end.
            SetWindowLongPtrW(hw, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(obj.Old));
            FreeObjectInstance(obj.Me);
            obj.SeenAfterFree = obj.State;
            return 42;
        }
        return CallWindowProcW(obj.Old, hw, m, w, l);
    });
    obj.Old = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(obj.Me)));
    EXPECT_EQ(SendMessageW(h, WM_USER + 1, 0, 0), 42);
    EXPECT_EQ(obj.SeenAfterFree, "still here");
    // A stale copy of the freed procedure reaches the default procedure.
    EXPECT_EQ(CallWindowProcW(obj.Me, h, WM_GETTEXTLENGTH, 0, 0), 1);
}

}  // namespace
