// Input injected through the headless screen: hit testing, activation by
// click, double clicks, capture, keys and typed text, focus, mouse tracking,
// close requests and dropped files.
#include <gtest/gtest.h>

#include "platform/system/shell.h"
#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"
#include "win_test_util.h"

using namespace wintest;

namespace {

class WinInput : public ::testing::Test {
protected:
    void SetUp() override {
        WinStartup();
        Screen = WinHeadlessScreen();
        ASSERT_NE(Screen, nullptr);
        RegisterRecorder();
        Top = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 100, 100, 400, 300);
        Child = Make(WS_CHILD | WS_VISIBLE, Top, 20, 20, 100, 50);
        ClientToScreen(Top, &Origin);  // client origin of Top on the screen
        PumpPending();
        Log().clear();
    }
    void TearDown() override {
        ReleaseCapture();
        for (HWND h : Made)
            if (IsWindow(h)) DestroyWindow(h);
        PumpPending();
    }
    HWND Make(DWORD style, HWND parent, int x, int y, int w, int h, DWORD ex = 0) {
        HWND hw = CreateWindowExW(ex, u"Recorder", u"In", style, x, y, w, h, parent, nullptr, nullptr, nullptr);
        Made.push_back(hw);
        return hw;
    }
    POINT InChild(int x, int y) { return POINT{Origin.x + 20 + x, Origin.y + 20 + y}; }
    std::vector<TLogEntry> Of(HWND h, const std::vector<UINT>& keep) {
        std::vector<TLogEntry> out;
        for (auto& e : Log())
            if (e.Hwnd == h && std::find(keep.begin(), keep.end(), e.Msg) != keep.end()) out.push_back(e);
        return out;
    }
    THeadlessScreen* Screen = nullptr;
    HWND Top = nullptr, Child = nullptr;
    POINT Origin{0, 0};
    std::vector<HWND> Made;
};

TEST_F(WinInput, ClicksGoToTheWindowUnderTheMouse) {
    Screen->Click(InChild(5, 7));
    PumpPending();
    auto msgs = Of(Child, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_SETCURSOR, WM_NCHITTEST});
    ASSERT_GE(msgs.size(), 4u);
    EXPECT_EQ(MessagesOf(Child, {WM_LBUTTONDOWN, WM_LBUTTONUP}), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    for (auto& e : Of(Child, {WM_LBUTTONDOWN})) {
        EXPECT_EQ(GET_X_LPARAM(e.LParam), 5);
        EXPECT_EQ(GET_Y_LPARAM(e.LParam), 7);
        EXPECT_TRUE(e.WParam & MK_LBUTTON);
    }
    EXPECT_TRUE(MessagesOf(Top, {WM_LBUTTONDOWN}).empty());

    // A second click in time on a CS_DBLCLKS window is a double click.
    Log().clear();
    Screen->DoubleClick(InChild(50, 30));
    PumpPending();
    EXPECT_EQ(MessagesOf(Child, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK}),
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));

    // A disabled child passes the click to its parent.
    Log().clear();
    EnableWindow(Child, FALSE);
    Screen->Click(InChild(5, 5));
    PumpPending();
    EXPECT_TRUE(MessagesOf(Child, {WM_LBUTTONDOWN}).empty());
    auto parent = Of(Top, {WM_LBUTTONDOWN});
    ASSERT_EQ(parent.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(parent[0].LParam), 25);
    EnableWindow(Child, TRUE);

    // Clicks on the frame come as non-client messages with the hit code.
    Log().clear();
    Screen->Click(POINT{100 + 1, 100 + 150});
    PumpPending();
    auto nc = Of(Top, {WM_NCLBUTTONDOWN});
    ASSERT_EQ(nc.size(), 1u);
    EXPECT_EQ(static_cast<LRESULT>(nc[0].WParam), HTLEFT);
}

TEST_F(WinInput, PendingMouseMovesMerge) {
    Screen->MouseMove(InChild(1, 1));
    Screen->MouseMove(InChild(2, 2));
    Screen->MouseMove(InChild(3, 4));
    PumpPending();
    auto moves = Of(Child, {WM_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(moves[0].LParam), 3);
    EXPECT_EQ(GET_Y_LPARAM(moves[0].LParam), 4);
    // A press between moves keeps them apart.
    Log().clear();
    Screen->MouseMove(InChild(5, 5));
    Screen->MouseDown(InChild(5, 5));
    Screen->MouseMove(InChild(8, 8));
    Screen->MouseUp(InChild(8, 8));
    PumpPending();
    EXPECT_EQ(MessagesOf(Child, {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}),
              (std::vector<UINT>{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));
}

TEST_F(WinInput, ClickActivatesAnInactiveWindow) {
    HWND other = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 600, 100, 200, 200);
    PumpPending();
    ASSERT_EQ(GetActiveWindow(), other);
    Log().clear();
    Screen->Click(InChild(3, 3));
    PumpPending();
    EXPECT_EQ(GetActiveWindow(), Top);
    auto ma = Of(Child, {WM_MOUSEACTIVATE});
    ASSERT_EQ(ma.size(), 1u);
    EXPECT_EQ(reinterpret_cast<HWND>(ma[0].WParam), Top);
    auto act = Of(Top, {WM_ACTIVATE});
    ASSERT_EQ(act.size(), 1u);
    EXPECT_EQ(LOWORD(act[0].WParam), WA_CLICKACTIVE);
    EXPECT_EQ(MessagesOf(Child, {WM_LBUTTONDOWN}).size(), 1u);
}

TEST_F(WinInput, CaptureTakesTheMouseEverywhere) {
    SetCapture(Child);
    EXPECT_EQ(GetCapture(), Child);
    Screen->MouseMove(POINT{Origin.x + 300, Origin.y + 200});
    PumpPending();
    auto moves = Of(Child, {WM_MOUSEMOVE});
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(GET_X_LPARAM(moves.back().LParam), 280);
    EXPECT_EQ(GET_Y_LPARAM(moves.back().LParam), 180);
    EXPECT_TRUE(MessagesOf(Top, {WM_MOUSEMOVE}).empty());
    Log().clear();
    ReleaseCapture();
    EXPECT_EQ(MessagesOf(Child, {WM_CAPTURECHANGED}).size(), 1u);
    Screen->MouseMove(POINT{Origin.x + 301, Origin.y + 200});
    PumpPending();
    EXPECT_TRUE(MessagesOf(Child, {WM_MOUSEMOVE}).empty());
    EXPECT_FALSE(MessagesOf(Top, {WM_MOUSEMOVE}).empty());
}

TEST_F(WinInput, KeysGoToTheFocusAndTypeCharacters) {
    SetFocus(Child);
    EXPECT_EQ(GetFocus(), Child);
    Log().clear();
    Screen->KeyPress('A');
    Screen->KeyDown(VK_SHIFT);
    Screen->KeyPress('B');
    Screen->KeyPress('2');
    Screen->KeyUp(VK_SHIFT);
    Screen->TypeText("é€𝄞");
    PumpPending();
    std::u16string typed;
    for (auto& e : Of(Child, {WM_CHAR})) typed.push_back(static_cast<char16_t>(e.WParam));
    EXPECT_EQ(typed, u"aB@é€𝄞");
    auto keys = Of(Child, {WM_KEYDOWN, WM_KEYUP});
    ASSERT_GE(keys.size(), 2u);
    EXPECT_EQ(keys[0].Msg, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(keys[0].WParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);

    // With Alt held keys are system keys, and Alt+F4 closes the top-level window.
    Log().clear();
    Screen->KeyDown(VK_MENU);
    Screen->KeyPress(VK_F4);
    Screen->KeyUp(VK_MENU);
    PumpPending();
    EXPECT_FALSE(MessagesOf(Child, {WM_SYSKEYDOWN}).empty());
    EXPECT_FALSE(IsWindow(Top));
}

TEST_F(WinInput, FocusMovesAndDisabledWindowsLoseIt) {
    HWND second = Make(WS_CHILD | WS_VISIBLE, Top, 200, 20, 50, 50);
    SetFocus(Child);
    Log().clear();
    EXPECT_EQ(SetFocus(second), Child);
    auto kill = Of(Child, {WM_KILLFOCUS});
    auto set = Of(second, {WM_SETFOCUS});
    ASSERT_EQ(kill.size(), 1u);
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(reinterpret_cast<HWND>(kill[0].WParam), second);
    EXPECT_EQ(reinterpret_cast<HWND>(set[0].WParam), Child);
    // A disabled window cannot take the focus and loses it when disabled.
    EnableWindow(second, FALSE);
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(SetFocus(second), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WinInput, MouseLeaveAndHoverAreTracked) {
    Screen->MouseMove(InChild(10, 10));
    PumpPending();
    TRACKMOUSEEVENT t{sizeof t, TME_LEAVE | TME_HOVER, Child, 30};
    ASSERT_TRUE(TrackMouseEvent(&t));
    EXPECT_TRUE(PumpUntil([&] { return !MessagesOf(Child, {WM_MOUSEHOVER}).empty(); }, 3000));
    Log().clear();
    Screen->MouseMove(POINT{Origin.x + 300, Origin.y + 200});
    PumpPending();
    EXPECT_EQ(MessagesOf(Child, {WM_MOUSELEAVE}).size(), 1u);
    Screen->MouseMove(POINT{Origin.x + 310, Origin.y + 200});
    PumpPending();
    EXPECT_EQ(MessagesOf(Child, {WM_MOUSELEAVE}).size(), 1u);  // once per tracking request
    // Asking while the mouse is elsewhere gives the leave at once.
    Log().clear();
    ASSERT_TRUE(TrackMouseEvent(&t));
    PumpPending();
    EXPECT_EQ(MessagesOf(Child, {WM_MOUSELEAVE}).size(), 1u);
}

TEST_F(WinInput, CloseRequestAndDroppedFiles) {
    HWND target = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 600, 400, 200, 150, WS_EX_ACCEPTFILES);
    PumpPending();
    Log().clear();
    Screen->DropFiles(target, POINT{650, 480}, {"/tmp/a b.mpg", "/tmp/ü.avi"});
    PumpPending();
    auto drops = Of(target, {WM_DROPFILES});
    ASSERT_EQ(drops.size(), 1u);
    HDROP drop = reinterpret_cast<HDROP>(drops[0].WParam);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 2u);
    char name[64];
    DragQueryFileA(drop, 1, name, sizeof name);
    EXPECT_STREQ(name, "/tmp/ü.avi");
    POINT p;
    DragQueryPoint(drop, &p);
    POINT c{0, 0};
    ClientToScreen(target, &c);
    EXPECT_EQ(p.x, 650 - c.x);
    DragFinish(drop);
    // A child that takes no files leaves them to its top-level window; one that does gets them.
    Log().clear();
    Screen->DropFiles(Top, InChild(1, 1), {"/tmp/x"});
    PumpPending();
    auto toTop = Of(Top, {WM_DROPFILES});
    ASSERT_EQ(toTop.size(), 1u);
    EXPECT_TRUE(MessagesOf(Child, {WM_DROPFILES}).empty());
    DragFinish(reinterpret_cast<HDROP>(toTop[0].WParam));
    SetWindowLongPtrW(Child, GWL_EXSTYLE, WS_EX_ACCEPTFILES);
    Log().clear();
    Screen->DropFiles(Top, InChild(1, 1), {"/tmp/x"});
    PumpPending();
    auto toChild = Of(Child, {WM_DROPFILES});
    ASSERT_EQ(toChild.size(), 1u);
    DragQueryPoint(reinterpret_cast<HDROP>(toChild[0].WParam), &p);
    EXPECT_EQ(p.x, 1);
    EXPECT_EQ(p.y, 1);
    DragFinish(reinterpret_cast<HDROP>(toChild[0].WParam));

    Screen->RequestClose(target);
    PumpPending();
    EXPECT_EQ(MessagesOf(target, {WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}),
              (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(target));
}

TEST_F(WinInput, DraggingFrameAndCaptionSizesAndMoves) {
    // The bottom-right corner of Top (100,100)-(500,400).
    Screen->Drag(POINT{498, 398}, POINT{548, 418}, 3);
    PumpPending();
    RECT r;
    GetWindowRect(Top, &r);
    EXPECT_EQ(r.right, 550);
    EXPECT_EQ(r.bottom, 420);
    EXPECT_EQ(r.left, 100);
    std::vector<WPARAM> cmds;
    for (auto& e : Of(Top, {WM_SYSCOMMAND})) cmds.push_back(e.WParam);
    EXPECT_EQ(cmds, (std::vector<WPARAM>{SC_SIZE + WMSZ_BOTTOMRIGHT}));
    // The minimum tracking size holds.
    Screen->Drag(POINT{548, 418}, POINT{120, 110}, 2);
    PumpPending();
    GetWindowRect(Top, &r);
    EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXMINTRACK));
    EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYMINTRACK));
    // The caption moves the window; Escape during a drag puts it back.
    Screen->Drag(POINT{150, 110}, POINT{250, 160}, 2);
    PumpPending();
    GetWindowRect(Top, &r);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 150);
    Screen->MouseDown(POINT{250, 160});
    Screen->MouseMove(POINT{300, 300});
    Screen->KeyPress(VK_ESCAPE);
    Screen->MouseUp(POINT{300, 300});
    PumpPending();
    GetWindowRect(Top, &r);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 150);
}

LRESULT CALLBACK SeeThroughProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NCHITTEST) return HTTRANSPARENT;
    return RecorderProc(h, m, w, l);
}

TEST_F(WinInput, TransparentWindowsLetClicksThrough) {
    // A see-through child above Child over the same place.
    WNDCLASSW wc{};
    wc.lpfnWndProc = SeeThroughProc;
    wc.lpszClassName = u"SeeThrough";
    RegisterClassW(&wc);
    HWND glass = CreateWindowExW(0, u"SeeThrough", u"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, Top, nullptr, nullptr,
                                 nullptr);
    Made.push_back(glass);
    SetWindowPos(glass, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpPending();
    Log().clear();
    Screen->Click(InChild(4, 4));
    PumpPending();
    EXPECT_EQ(MessagesOf(Child, {WM_LBUTTONDOWN}).size(), 1u);
    EXPECT_TRUE(MessagesOf(glass, {WM_LBUTTONDOWN}).empty());
}

}  // namespace
