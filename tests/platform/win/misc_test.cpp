// Waits that answer messages, replies, scroll bars, the clipboard, window
// states, the window tree, cursors and debug output.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/system/process.h"
#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"
#include "win_test_util.h"

using namespace wintest;

namespace {

class WinMisc : public ::testing::Test {
protected:
    void SetUp() override {
        WinStartup();
        RegisterRecorder();
        Log().clear();
    }
    void TearDown() override {
        for (HWND h : Made)
            if (IsWindow(h)) DestroyWindow(h);
        PumpPending();
    }
    HWND Make(DWORD style, HWND parent = nullptr, int x = 100, int y = 100, int w = 300, int h = 200,
              const char16_t* text = u"Misc", DWORD ex = 0) {
        HWND hw = CreateWindowExW(ex, u"Recorder", text, style, x, y, w, h, parent, nullptr, nullptr, nullptr);
        Made.push_back(hw);
        return hw;
    }
    std::vector<HWND> Made;
};

TEST_F(WinMisc, WaitForAHandleAnswersSentMessages) {
    HWND a = Make(WS_POPUP);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(done, nullptr);
    std::atomic<LRESULT> answer{-1};
    std::thread worker([&] {
        answer = SendMessageW(a, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"from worker"));
        SetEvent(done);
    });
    // The engine's wait: at most 80 ms at a time, messages handled in between.
    DWORD r = WAIT_TIMEOUT;
    for (int i = 0; i < 200 && r != WAIT_OBJECT_0; ++i) {
        r = MsgWaitForMultipleObjects(1, &done, FALSE, 80, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0 + 1) PumpPending();
    }
    worker.join();
    EXPECT_EQ(r, WAIT_OBJECT_0);
    EXPECT_EQ(answer.load(), TRUE);
    char16_t text[32];
    GetWindowTextW(a, text, 32);
    EXPECT_EQ(std::u16string(text), u"from worker");
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &done, FALSE, 0, QS_ALLINPUT), WAIT_OBJECT_0);
    ResetEvent(done);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &done, FALSE, 30, 0), WAIT_TIMEOUT);
    PostMessageW(a, WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &done, FALSE, 1000, QS_POSTMESSAGE), WAIT_OBJECT_0 + 1);
    PumpPending();
    CloseHandle(done);
    HANDLE stale = done;
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &stale, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
}

std::atomic<int> gAfterReply{0};
LRESULT CALLBACK ReplyingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER) {
        EXPECT_TRUE(InSendMessage());
        EXPECT_TRUE(ReplyMessage(5));
        EXPECT_FALSE(ReplyMessage(6));  // once only
        gAfterReply = 1;
        return 9;
    }
    return DefWindowProcW(h, m, w, l);
}

TEST_F(WinMisc, ReplyMessageAnswersEarly) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ReplyingProc;
    wc.lpszClassName = u"Replying";
    RegisterClassW(&wc);
    HWND a = CreateWindowExW(0, u"Replying", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Made.push_back(a);
    EXPECT_FALSE(InSendMessage());
    std::atomic<LRESULT> got{-1};
    std::thread worker([&] { got = SendMessageW(a, WM_USER, 0, 0); });
    EXPECT_TRUE(PumpUntil([&] { return got.load() != -1; }));
    worker.join();
    EXPECT_EQ(got.load(), 5);
    EXPECT_EQ(gAfterReply.load(), 1);
    // Within the same thread there is nothing to reply to.
    EXPECT_FALSE(ReplyMessage(1));
}

TEST_F(WinMisc, ScrollBarsShowWhenNeededAndAnswerClicks) {
    HWND a = Make(WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, nullptr, 500, 300, 200, 150);
    PumpPending();
    RECT before, after;
    GetClientRect(a, &before);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 50, 0};
    EXPECT_EQ(SetScrollInfo(a, SB_VERT, &si, TRUE), 50);
    GetClientRect(a, &after);
    EXPECT_EQ(after.right, before.right - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_TRUE(GetWindowLongPtrW(a, GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(SetScrollPos(a, SB_VERT, 500, TRUE), 50);
    EXPECT_EQ(GetScrollPos(a, SB_VERT), 90);  // the last page's first line
    int lo, hi;
    EXPECT_TRUE(GetScrollRange(a, SB_VERT, &lo, &hi));
    EXPECT_EQ(hi, 99);

    // A click on the down arrow scrolls a line.
    RECT wr;
    GetWindowRect(a, &wr);
    POINT client{0, 0};
    ClientToScreen(a, &client);
    PumpPending();
    Log().clear();
    WinHeadlessScreen()->Click(POINT{client.x + after.right + 8, client.y + after.bottom - 8});
    PumpPending();
    std::vector<WORD> codes;
    for (auto& e : Log())
        if (e.Hwnd == a && e.Msg == WM_VSCROLL) codes.push_back(LOWORD(e.WParam));
    EXPECT_EQ(codes, (std::vector<WORD>{SB_LINEDOWN, SB_ENDSCROLL}));

    SCROLLBARINFO sbi{};
    sbi.cbSize = sizeof sbi;
    ASSERT_TRUE(GetScrollBarInfo(a, OBJID_VSCROLL, &sbi));
    EXPECT_EQ(sbi.rcScrollBar.left, client.x + after.right);
    EXPECT_EQ(sbi.rcScrollBar.bottom - sbi.rcScrollBar.top, after.bottom);
    EXPECT_EQ(sbi.dxyLineButton, 16);
    EXPECT_GT(sbi.xyThumbTop, 16);  // position 90 of 0..99: the thumb sits low
    EXPECT_EQ(sbi.xyThumbBottom, after.bottom - 16);
    EXPECT_EQ(sbi.rgstate[0], 0u);
    ASSERT_TRUE(GetScrollBarInfo(a, OBJID_HSCROLL, &sbi));
    EXPECT_EQ(sbi.rgstate[0], STATE_SYSTEM_INVISIBLE);

    // A range that fits the page needs no bar.
    si = SCROLLINFO{sizeof si, SIF_RANGE | SIF_PAGE, 0, 9, 10, 0, 0};
    SetScrollInfo(a, SB_VERT, &si, TRUE);
    EXPECT_FALSE(GetWindowLongPtrW(a, GWL_STYLE) & WS_VSCROLL);
    GetClientRect(a, &after);
    EXPECT_EQ(after.right, before.right);
}

TEST_F(WinMisc, ClipboardKeepsDataAndConvertsText) {
    HWND a = Make(WS_POPUP);
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);  // not open
    ASSERT_TRUE(OpenClipboard(a));
    EXPECT_TRUE(EmptyClipboard());
    const std::u16string text = u"h\u00e9llo";
    HGLOBAL mem = WinGlobalAlloc((text.size() + 1) * 2);
    std::memcpy(WinGlobalLock(mem), text.c_str(), (text.size() + 1) * 2);
    EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, mem), mem);
    UINT custom = RegisterClipboardFormatA("Tessaro Test Format");
    HGLOBAL blob = WinGlobalAlloc(3);
    std::memcpy(WinGlobalLock(blob), "abc", 3);
    SetClipboardData(custom, blob);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(GetClipboardOwner(), a);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    HANDLE t = GetClipboardData(CF_TEXT);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(static_cast<const char*>(WinGlobalLock(t)), "h\xC3\xA9llo");
    HANDLE b = GetClipboardData(custom);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(std::memcmp(WinGlobalLock(b), "abc", 3), 0);
    char name[64];
    EXPECT_GT(GetClipboardFormatNameA(custom, name, 64), 0);
    EXPECT_STREQ(name, "Tessaro Test Format");
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_FALSE(IsClipboardFormatAvailable(custom));
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(WinMisc, MaximiseMinimiseAndRestore) {
    HWND a = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 100, 120, 300, 200);
    PumpPending();
    Log().clear();
    SendMessageW(a, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(IsZoomed(a));
    RECT r;
    GetWindowRect(a, &r);
    EXPECT_EQ(r.left, -4);
    EXPECT_EQ(r.right, 1284);
    bool maxSize = false;
    for (auto& e : Log())
        if (e.Hwnd == a && e.Msg == WM_SIZE && e.WParam == SIZE_MAXIMIZED) maxSize = true;
    EXPECT_TRUE(maxSize);
    SendMessageW(a, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsZoomed(a));
    GetWindowRect(a, &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.bottom, 320);
    SendMessageW(a, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(a));
    WINDOWPLACEMENT wp{};
    GetWindowPlacement(a, &wp);
    EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
    EXPECT_EQ(wp.rcNormalPosition.left, 100);
    ShowWindow(a, SW_RESTORE);
    EXPECT_FALSE(IsIconic(a));
    GetWindowRect(a, &r);
    EXPECT_EQ(r.top, 120);
    // WM_CLOSE by default destroys.
    SendMessageW(a, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(a));
}

BOOL CALLBACK Collect(HWND h, LPARAM l) {
    reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
    return TRUE;
}

TEST_F(WinMisc, TreeOrderCoordinatesAndOwners) {
    HWND top = Make(WS_POPUP | WS_VISIBLE, nullptr, 200, 100, 400, 300, u"Top");
    HWND c1 = Make(WS_CHILD | WS_VISIBLE, top, 10, 10, 100, 100, u"one");
    HWND c2 = Make(WS_CHILD | WS_VISIBLE, top, 150, 10, 100, 100, u"two");
    HWND g = Make(WS_CHILD | WS_VISIBLE, c1, 5, 5, 20, 20, u"grandchild");
    EXPECT_EQ(GetWindow(top, GW_CHILD), c1);  // creation order is the z-order from the top
    EXPECT_EQ(GetWindow(c1, GW_HWNDNEXT), c2);
    EXPECT_EQ(GetParent(g), c1);
    EXPECT_EQ(GetAncestor(g, GA_ROOT), top);
    EXPECT_TRUE(IsChild(top, g));
    std::vector<HWND> all;
    EnumChildWindows(top, Collect, reinterpret_cast<LPARAM>(&all));
    EXPECT_EQ(all, (std::vector<HWND>{c1, g, c2}));
    POINT p{0, 0};
    MapWindowPoints(g, c2, &p, 1);
    EXPECT_EQ(p.x, 15 - 150);
    EXPECT_EQ(p.y, 15 - 10);
    EXPECT_EQ(ChildWindowFromPoint(top, POINT{160, 20}), c2);
    EXPECT_EQ(ChildWindowFromPoint(top, POINT{300, 250}), top);
    EXPECT_EQ(WindowFromPoint(POINT{200 + 10 + 5 + 1, 100 + 10 + 5 + 1}), g);
    EXPECT_EQ(FindWindowExW(top, nullptr, u"Recorder", u"two"), c2);
    EXPECT_EQ(FindWindowW(u"Recorder", u"Top"), top);

    // Moving a child to another parent keeps its position in the new parent's coordinates.
    EXPECT_EQ(SetParent(g, c2), c1);
    EXPECT_EQ(GetParent(g), c2);
    RECT r;
    GetWindowRect(g, &r);
    EXPECT_EQ(r.left, 200 + 150 + 5);

    // Owned popups: GetParent gives the owner; they go first when the owner is destroyed.
    HWND owned = Make(WS_POPUP, c1, 0, 0, 10, 10, u"owned");
    EXPECT_EQ(GetWindow(owned, GW_OWNER), top);
    EXPECT_EQ(GetParent(owned), top);
    EXPECT_EQ(GetAncestor(owned, GA_ROOTOWNER), top);
    DestroyWindow(top);
    EXPECT_FALSE(IsWindow(owned));
    EXPECT_FALSE(IsWindow(c2));
}

TEST_F(WinMisc, CursorsFollowTheHitTest) {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR beam = LoadCursorW(nullptr, MAKEINTRESOURCEW(32513));
    EXPECT_NE(arrow, nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);  // shared
    EXPECT_EQ(WinCursorStandardId(beam), 32513);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(LoadCursorFromResource("no such cursor"), nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"BeamClass";
    wc.hCursor = beam;
    RegisterClassW(&wc);
    HWND a = CreateWindowExW(0, u"BeamClass", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 500, 200, 200, nullptr,
                             nullptr, nullptr, nullptr);
    Made.push_back(a);
    PumpPending();
    WinHeadlessScreen()->MouseMove(POINT{800, 600});
    PumpPending();
    EXPECT_EQ(GetCursor(), beam);
    WinHeadlessScreen()->MouseMove(POINT{701, 600});
    PumpPending();
    EXPECT_EQ(WinCursorStandardId(GetCursor()), 32644);  // IDC_SIZEWE on the left border
}

std::vector<std::pair<WPARAM, LPARAM>> gTracked;
RECT gBar{};
void CALLBACK Tracker(HWND, WPARAM cmd, LPARAM l) { gTracked.emplace_back(cmd, l); }
void CALLBACK BarPainter(HWND, HDC dc, const RECT& bar, BOOL) {
    gBar = bar;
    RECT r = bar;
    HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(dc, &r, b);
    DeleteObject(b);
}

TEST_F(WinMisc, MenuBarBandIsLeftToTheMenuCode) {
    SetMenuBarTracker(Tracker);
    SetMenuBarPainter(BarPainter);
    gTracked.clear();
    HWND a = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 300, 600, 300, 200);
    RECT before, after;
    GetClientRect(a, &before);
    SetMenu(a, reinterpret_cast<HMENU>(static_cast<intptr_t>(0x1234)));
    EXPECT_EQ(GetMenu(a), reinterpret_cast<HMENU>(static_cast<intptr_t>(0x1234)));
    GetClientRect(a, &after);
    EXPECT_EQ(after.bottom, before.bottom - GetSystemMetrics(SM_CYMENU));
    PumpPending();
    EXPECT_EQ(gBar.top, 4 + 19);
    EXPECT_EQ(gBar.bottom - gBar.top, GetSystemMetrics(SM_CYMENU) - 1);
    EXPECT_EQ(WinHeadlessScreen()->DesktopPixel(POINT{300 + 50, 600 + 4 + 19 + 5}), 0x010203u);
    EXPECT_EQ(SendMessageW(a, WM_NCHITTEST, 0, MAKELPARAM(350, 600 + 4 + 19 + 5)), HTMENU);
    WinHeadlessScreen()->Click(POINT{350, 600 + 4 + 19 + 5});
    PumpPending();
    SendMessageW(a, WM_SYSCOMMAND, SC_KEYMENU, 'f');
    ASSERT_EQ(gTracked.size(), 2u);
    EXPECT_EQ(gTracked[0].first, SC_MOUSEMENU);
    EXPECT_EQ(GET_X_LPARAM(gTracked[0].second), 350);
    EXPECT_EQ(gTracked[1], (std::pair<WPARAM, LPARAM>{SC_KEYMENU, 'f'}));
    SetMenuBarTracker(nullptr);
    SetMenuBarPainter(nullptr);
}

TEST_F(WinMisc, SystemParametersAndKeyboardLayout) {
    // The 340-byte record of older callers and the full one both work; others are refused.
    NONCLIENTMETRICSA a{};
    a.cbSize = 340;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &a, 0));
    EXPECT_STREQ(a.lfMessageFont.lfFaceName, "Tahoma");
    EXPECT_EQ(a.lfCaptionFont.lfWeight, FW_BOLD);
    EXPECT_EQ(a.iPaddedBorderWidth, 0);  // beyond the record: untouched
    NONCLIENTMETRICSW w{};
    w.cbSize = sizeof w;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof w, &w, 0));
    EXPECT_EQ(std::u16string(w.lfMenuFont.lfFaceName), u"Tahoma");
    w.cbSize = 100;
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 100, &w, 0));
    RECT work;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_FALSE(SystemParametersInfoA(0x7777, 0, &work, 0));

    EXPECT_EQ(LOWORD(reinterpret_cast<uintptr_t>(GetKeyboardLayout(0))), 0x0409);
    EXPECT_EQ(MapVirtualKeyW('Q', MAPVK_VK_TO_CHAR), static_cast<UINT>('Q'));
    EXPECT_EQ(MapVirtualKeyW(VK_NUMPAD0 + 7, MAPVK_VK_TO_CHAR), static_cast<UINT>('7'));
    EXPECT_EQ(MapVirtualKeyW(VK_F5, MAPVK_VK_TO_CHAR), 0u);
    char16_t name[32];
    GetKeyNameTextW(static_cast<LONG>(MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC) << 16), name, 32);
    EXPECT_EQ(std::u16string(name), u"Enter");
    GetKeyNameTextW(static_cast<LONG>(VK_F11 << 16), name, 32);
    EXPECT_EQ(std::u16string(name), u"F11");
    char narrow[8];
    EXPECT_EQ(GetKeyNameTextA(static_cast<LONG>(VK_DELETE << 16), narrow, 4), 3);  // cut to the buffer
    EXPECT_STREQ(narrow, "Del");
}

TEST_F(WinMisc, DebugOutputOnlyWhenAsked) {
    unsetenv("TESSARO_DEBUG");
    testing::internal::CaptureStderr();
    OutputDebugStringA("quiet\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    setenv("TESSARO_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    OutputDebugStringW(u"loud \u00e9\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "loud \xC3\xA9\n");
    unsetenv("TESSARO_DEBUG");
}

}  // namespace
