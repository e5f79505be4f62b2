// Menus (popup and bar, keyboard and mouse, the menu loop's hooks and
// notifications), message boxes answered by script or by input, and dialog
// boxes from templates with the dialog manager's keyboard.
#include <cstring>

#include "cc_test_util.h"
#include "platform/commctl/testhooks.h"
#include "tests/controls/golden_png.h"

using namespace cctest;

namespace {

std::vector<int>& FilterCodes() {
    static std::vector<int> v;
    return v;
}
HHOOK gFilter = nullptr;
LRESULT CALLBACK FilterProc(int code, WPARAM w, LPARAM l) {
    if (code >= 0) FilterCodes().push_back(code);
    return CallNextHookEx(gFilter, code, w, l);
}

class Menus : public CtlTest {
protected:
    void SetUp() override {
        CtlTest::SetUp();
        Popup = CreatePopupMenu();
        Sub = CreatePopupMenu();
        AppendMenuW(Sub, MF_STRING, 200, u"&Deep");
        AppendMenuW(Popup, MF_STRING, 100, u"&Open\tCtrl+O");
        AppendMenuW(Popup, MF_STRING, 101, u"&Save");
        AppendMenuW(Popup, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(Popup, MF_STRING | MF_GRAYED, 102, u"&Print");
        AppendMenuW(Popup, MF_POPUP, reinterpret_cast<UINT_PTR>(Sub), u"&More");
        FilterCodes().clear();
        gFilter = SetWindowsHookExW(WH_MSGFILTER, FilterProc, nullptr, 0);
        HostHook() = [this](HWND, UINT m, WPARAM w, LPARAM, bool&) -> LRESULT {
            if (m == WM_INITMENUPOPUP || m == WM_ENTERMENULOOP || m == WM_EXITMENULOOP || m == WM_MENUSELECT)
                Seen.push_back({m, w});
            return 0;
        };
    }
    void TearDown() override {
        TestHookSetModalWindowHook(nullptr);
        UnhookWindowsHookEx(gFilter);
        DestroyMenu(Popup);
        CtlTest::TearDown();
    }
    void Keys(std::initializer_list<int> keys) {
        std::vector<int> k(keys);
        TestHookSetModalWindowHook([this, k](HWND) {
            for (int vk : k) Screen->KeyPress(vk);
        });
    }
    bool SawMessage(UINT m) const {
        for (auto& s : Seen)
            if (s.first == m) return true;
        return false;
    }
    HMENU Popup = nullptr, Sub = nullptr;
    std::vector<std::pair<UINT, WPARAM>> Seen;
};

TEST_F(Menus, KeyboardChoicePostsWmCommandAndRunsTheMessageFilter) {
    Keys({VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_TRUE(TrackPopupMenu(Popup, TPM_LEFTALIGN, 100, 100, 0, Host, nullptr));
    EXPECT_TRUE(PumpUntil([] { return !NotesWith(WM_COMMAND, 0).empty(); }, 2000));
    auto cmds = NotesWith(WM_COMMAND, 0);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(LOWORD(cmds[0].W), 101);
    ASSERT_FALSE(FilterCodes().empty());
    for (int c : FilterCodes()) EXPECT_EQ(c, MSGF_MENU);
    EXPECT_TRUE(SawMessage(WM_ENTERMENULOOP));
    EXPECT_TRUE(SawMessage(WM_INITMENUPOPUP));
    EXPECT_TRUE(SawMessage(WM_MENUSELECT));
    EXPECT_TRUE(SawMessage(WM_EXITMENULOOP));
    EXPECT_EQ(FindWindowW(u"#32768", nullptr), nullptr);  // the popup is gone
}

TEST_F(Menus, MouseChoiceReturnsTheCommand) {
    TestHookSetModalWindowHook([this](HWND w) {
        char16_t cls[16] = {};
        GetClassNameW(w, cls, 16);
        EXPECT_EQ(std::u16string(cls), u"#32768");
        RECT r;
        ASSERT_TRUE(GetMenuItemRect(nullptr, Popup, 0, &r));
        Screen->MouseMove(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        Screen->Click(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    });
    EXPECT_EQ(TrackPopupMenu(Popup, TPM_RETURNCMD, 100, 100, 0, Host, nullptr), 100);
    Pump();
    EXPECT_TRUE(NotesWith(WM_COMMAND, 0).empty());  // TPM_RETURNCMD posts nothing
}

TEST_F(Menus, SubmenusGreyedItemsEscapeAndOutsideClicks) {
    struct Case {
        std::vector<int> Keys;
        int Expected;
    } cases[] = {
        {{VK_UP, VK_RIGHT, VK_RETURN}, 200},         // the last item opens its submenu
        {{VK_UP, VK_UP, VK_RETURN, VK_ESCAPE}, 0},   // a greyed item cannot be chosen
        {{VK_DOWN, VK_ESCAPE}, 0},
        {{VK_UP, VK_RIGHT, VK_LEFT, VK_UP, VK_UP, VK_RETURN}, 101},  // back out of the submenu
        {{'S'}, 101},  // mnemonic
    };
    for (auto& c : cases) {
        std::vector<int> keys = c.Keys;
        TestHookSetModalWindowHook([this, keys](HWND) {
            for (int vk : keys) {
                if (vk >= 'A' && vk <= 'Z')
                    Screen->TypeText(std::string(1, static_cast<char>(vk)));
                else
                    Screen->KeyPress(vk);
            }
        });
        EXPECT_EQ(TrackPopupMenu(Popup, TPM_RETURNCMD, 100, 100, 0, Host, nullptr), c.Expected) << c.Keys.size();
    }
    TestHookSetModalWindowHook([this](HWND) { Screen->Click(POINT{900, 900}); });
    EXPECT_EQ(TrackPopupMenu(Popup, TPM_RETURNCMD, 100, 100, 0, Host, nullptr), 0);
}

TEST_F(Menus, ItemCallsKeepStateAndText) {
    EXPECT_EQ(GetMenuItemCount(Popup), 5);
    EXPECT_EQ(GetMenuItemID(Popup, 1), 101u);
    EXPECT_EQ(GetMenuItemID(Popup, 4), static_cast<UINT>(-1));
    EXPECT_EQ(GetSubMenu(Popup, 4), Sub);
    EXPECT_EQ(GetMenuState(Popup, 102, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
    EXPECT_EQ(GetMenuState(Popup, 4, MF_BYPOSITION) & 0xFF00, 1u << 8);  // a popup tells its item count
    EXPECT_EQ(CheckMenuItem(Popup, 100, MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
    EXPECT_EQ(GetMenuState(Popup, 100, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(Popup, 999, MF_CHECKED), static_cast<DWORD>(-1));
    EnableMenuItem(Popup, 200, MF_GRAYED);  // found inside the submenu
    EXPECT_EQ(GetMenuState(Sub, 0, MF_BYPOSITION) & MF_GRAYED, MF_GRAYED);
    ModifyMenuA(Popup, 101, MF_BYCOMMAND | MF_STRING, 111, "Save &As\xe2\x80\xa6");
    char16_t buf[32];
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE;
    mi.dwTypeData = buf;
    mi.cch = 32;
    ASSERT_TRUE(GetMenuItemInfoW(Popup, 1, TRUE, &mi));
    EXPECT_EQ(mi.wID, 111u);
    EXPECT_EQ(std::u16string(buf), u"Save &As\u2026");
    mi.fMask = MIIM_STRING;
    mi.dwTypeData = const_cast<char16_t*>(u"Close");
    ASSERT_TRUE(InsertMenuItemW(Popup, 0, TRUE, &mi));
    EXPECT_EQ(GetMenuItemCount(Popup), 6);
    EXPECT_TRUE(RemoveMenu(Popup, 5, MF_BYPOSITION));  // keeps the submenu alive
    EXPECT_TRUE(IsMenu(Sub));
    AppendMenuW(Popup, MF_POPUP, reinterpret_cast<UINT_PTR>(Sub), u"More");
    EXPECT_TRUE(DeleteMenu(Popup, 5, MF_BYPOSITION));  // destroys it
    EXPECT_FALSE(IsMenu(Sub));
    EXPECT_FALSE(DeleteMenu(Popup, 777, MF_BYCOMMAND));
}

TEST_F(Menus, OwnerDrawItemsAreMeasuredAndDrawnByTheOwner) {
    int measured = 0;
    HostHook() = [&measured](HWND, UINT m, WPARAM, LPARAM l, bool& handled) -> LRESULT {
        if (m == WM_MEASUREITEM) {
            auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
            EXPECT_EQ(mis->CtlType, ODT_MENU);
            EXPECT_EQ(mis->itemData, 42u);
            mis->itemWidth = 80;
            mis->itemHeight = 30;
            ++measured;
            handled = true;
            return TRUE;
        }
        return 0;
    };
    HMENU m = CreatePopupMenu();
    AppendMenuW(m, MF_OWNERDRAW, 7, reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(42)));
    TestHookSetModalWindowHook([this, m](HWND) {
        RECT r;
        GetMenuItemRect(nullptr, m, 0, &r);
        EXPECT_EQ(r.bottom - r.top, 30);
        UpdateWindow(FindWindowW(u"#32768", nullptr));
        Screen->KeyPress(VK_ESCAPE);
    });
    TrackPopupMenu(m, TPM_RETURNCMD, 10, 10, 0, Host, nullptr);
    EXPECT_EQ(measured, 1);
    EXPECT_GT(DrawItems(), 0);
    DestroyMenu(m);
}

TEST_F(Menus, MenuBarClickOpensItsPopup) {
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Popup), u"&File");
    ASSERT_TRUE(SetMenu(Host, bar));
    DrawMenuBar(Host);
    RedrawWindow(Host, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    RECT br;
    ASSERT_TRUE(GetMenuItemRect(Host, bar, 0, &br));
    POINT p{(br.left + br.right) / 2, (br.top + br.bottom) / 2};
    EXPECT_EQ(MenuBarItemFromPoint(Host, p), 0);
    EXPECT_EQ(SendMessageW(Host, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y))), HTMENU);
    TestHookSetModalWindowHook([this](HWND) {
        RECT r;
        ASSERT_TRUE(GetMenuItemRect(nullptr, Popup, 1, &r));
        Screen->Click(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    });
    Screen->Click(p);
    EXPECT_TRUE(PumpUntil([] { return !NotesWith(WM_COMMAND, 0).empty(); }, 2000));
    auto cmds = NotesWith(WM_COMMAND, 0);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(LOWORD(cmds[0].W), 101);
    // Alt alone selects the bar; Down opens the first popup, Enter chooses.
    Notes().clear();
    TestHookSetModalWindowHook([this](HWND) {
        Script({[this] { Screen->KeyPress(VK_DOWN); }, [this] { Screen->KeyPress(VK_RETURN); }});
    });
    SetForegroundWindow(Host);
    SetFocus(Host);
    Screen->KeyPress(VK_MENU);
    EXPECT_TRUE(PumpUntil([] { return !NotesWith(WM_COMMAND, 0).empty(); }, 3000));
    cmds = NotesWith(WM_COMMAND, 0);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(LOWORD(cmds[0].W), 100);
    SetMenu(Host, nullptr);
    RemoveMenu(bar, 0, MF_BYPOSITION);
    DestroyMenu(bar);
}

// The border is a non-client frame: items start at client (0, 0), owner-drawn
// items get client rectangles, WM_PRINT gives the pixels on the screen, and the
// classic popup looks as it always did.
TEST_F(Menus, PopupBorderIsANonClientFrame) {
    AppendMenuW(Popup, MF_OWNERDRAW, 300, reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(5)));
    RECT drawn{-1, -1, -1, -1};
    HostHook() = [&drawn](HWND, UINT m, WPARAM, LPARAM l, bool& handled) -> LRESULT {
        if (m == WM_MEASUREITEM) {
            auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
            mis->itemWidth = 40;
            mis->itemHeight = 12;
            handled = true;
            return TRUE;
        }
        if (m == WM_DRAWITEM) drawn = reinterpret_cast<DRAWITEMSTRUCT*>(l)->rcItem;
        return 0;
    };
    TestHookSetModalWindowHook([&](HWND w) {
        UpdateWindow(w);
        RECT wr, cr, first;
        GetWindowRect(w, &wr);
        GetClientRect(w, &cr);
        EXPECT_EQ(cr.right, wr.right - wr.left - 6);
        EXPECT_EQ(cr.bottom, wr.bottom - wr.top - 6);
        ASSERT_TRUE(GetMenuItemRect(nullptr, Popup, 0, &first));
        EXPECT_EQ(first.left, wr.left + 3);
        EXPECT_EQ(first.top, wr.top + 3);
        RECT last;
        ASSERT_TRUE(GetMenuItemRect(nullptr, Popup, 5, &last));
        EXPECT_EQ(drawn.left, 0);
        EXPECT_EQ(drawn.top, last.top - wr.top - 3);
        EXPECT_EQ(drawn.bottom - drawn.top, 12);

        // WM_PRINT into a surface equals what the screen shows.
        int W = wr.right - wr.left, H = wr.bottom - wr.top;
        std::string shot = ::testing::TempDir() + "popup_print_" + std::to_string(getpid()) + ".png";
        ASSERT_TRUE(WinSaveWindowPng(w, shot));
        std::vector<uint32_t> onScreen;
        int sw = 0, sh = 0;
        ASSERT_TRUE(LoadPixelsPng(shot, onScreen, sw, sh));
        std::remove(shot.c_str());
        ASSERT_EQ(sw, W);
        ASSERT_EQ(sh, H);
        TGdiSurface* s = GdiCreateSurface(W, H);
        auto px = [&](int x, int y) { return GdiSurfacePixels(s)[y * GdiSurfaceStride(s) + x] & 0xFFFFFFu; };
        HDC dc = GdiCreateSurfaceDC(s, POINT{0, 0}, nullptr);
        SendMessageW(w, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT);
        GdiReleaseSurfaceDC(dc);
        int differ = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) differ += px(x, y) != (onScreen[static_cast<std::size_t>(y) * W + x] & 0xFFFFFFu);
        EXPECT_EQ(differ, 0);
        GdiDestroySurface(s);
        // WM_PRINTCLIENT alone paints from client (0, 0), without the border.
        s = GdiCreateSurface(W, H);
        dc = GdiCreateSurfaceDC(s, POINT{0, 0}, nullptr);
        SendMessageW(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        GdiReleaseSurfaceDC(dc);
        EXPECT_EQ(px(0, 0), onScreen[static_cast<std::size_t>(3) * W + 3] & 0xFFFFFFu);
        EXPECT_EQ(px(W - 1, H - 1), 0u);
        GdiDestroySurface(s);
        Screen->KeyPress(VK_ESCAPE);
    });
    TrackPopupMenu(Popup, TPM_RETURNCMD, 100, 100, 0, Host, nullptr);

    // Pixels of the classic popup, taken before its border became a frame.
    RemoveMenu(Popup, 5, MF_BYPOSITION);
    HostHook() = nullptr;
    TestHookSetModalWindowHook([&](HWND w) {
        UpdateWindow(w);
        ExpectWindowMatchesGolden(w, "menus/classic_popup.png");
        Screen->KeyPress(VK_ESCAPE);
    });
    TrackPopupMenu(Popup, TPM_RETURNCMD, 100, 100, 0, Host, nullptr);
}

// WH_MSGFILTER follows the loop by its selection reports, the closing one
// included, even when the owner is told nothing.
TEST_F(Menus, MessageFilterSeesSelectionReportsUnderNoNotify) {
    static std::vector<std::pair<WPARAM, LPARAM>> reports;
    reports.clear();
    HHOOK h = SetWindowsHookExW(
        WH_MSGFILTER,
        [](int code, WPARAM w, LPARAM l) -> LRESULT {
            auto* msg = reinterpret_cast<MSG*>(l);
            if (code == MSGF_MENU && msg->message == WM_MENUSELECT) reports.emplace_back(msg->wParam, msg->lParam);
            return CallNextHookEx(nullptr, code, w, l);
        },
        nullptr, 0);
    Keys({VK_DOWN, VK_UP, VK_RIGHT, VK_ESCAPE, VK_ESCAPE});
    EXPECT_EQ(TrackPopupMenu(Popup, TPM_RETURNCMD | TPM_NONOTIFY, 100, 100, 0, Host, nullptr), 0);
    UnhookWindowsHookEx(h);
    EXPECT_FALSE(SawMessage(WM_MENUSELECT));  // the owner heard nothing
    ASSERT_GE(reports.size(), 4u);
    EXPECT_EQ(reports[0], std::make_pair(MAKEWPARAM(100, MF_HILITE), reinterpret_cast<LPARAM>(Popup)));
    EXPECT_EQ(reports[1], std::make_pair(MAKEWPARAM(4, MF_HILITE | MF_POPUP), reinterpret_cast<LPARAM>(Popup)));
    EXPECT_EQ(reports[2], std::make_pair(MAKEWPARAM(200, MF_HILITE), reinterpret_cast<LPARAM>(Sub)));
    EXPECT_EQ(reports.back(), std::make_pair(MAKEWPARAM(0, 0xFFFF), LPARAM(0)));
}

// A press posted to a window outside the menu ends the loop and is handled
// by that window afterwards; one inside the popup does not end it.
TEST_F(Menus, PressPostedOutsideEndsTheLoopAndStaysQueued) {
    HWND other = CreateWindowExW(0, u"CtlHost", u"Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 500, 200, 150,
                                 nullptr, nullptr, nullptr, nullptr);
    struct Case {
        HWND Target;
        UINT Msg;
        POINT At;  // client point, or screen point for the non-client press
    } cases[] = {
        {other, WM_LBUTTONDOWN, {20, 20}},
        {other, WM_RBUTTONDOWN, {30, 10}},
        {Host, WM_NCLBUTTONDOWN, {60, 60}},  // on the owner, past the popup
    };
    for (const Case& c : cases) {
        std::vector<UINT> got;
        HostHook() = [&got, &c](HWND h, UINT m, WPARAM, LPARAM l, bool& handled) -> LRESULT {
            if (h == c.Target && m == c.Msg && l == MAKELPARAM(c.At.x, c.At.y)) {
                got.push_back(m);
                handled = true;
            }
            return 0;
        };
        TestHookSetModalWindowHook([&c](HWND) {
            PostMessageW(c.Target, c.Msg, c.Msg == WM_NCLBUTTONDOWN ? HTCAPTION : MK_LBUTTON,
                         MAKELPARAM(c.At.x, c.At.y));
        });
        EXPECT_EQ(TrackPopupMenu(Popup, TPM_RETURNCMD, 300, 200, 0, Host, nullptr), 0);
        EXPECT_TRUE(got.empty());  // not eaten by the loop, not yet handled
        EXPECT_TRUE(PumpUntil([&got] { return !got.empty(); }, 2000)) << c.Msg;
    }
    // Inside the popup the press is the menu's: the loop goes on to the key.
    TestHookSetModalWindowHook([this](HWND w) {
        RECT r;
        GetMenuItemRect(nullptr, Popup, 0, &r);
        POINT p{r.left + 5, r.top + 5};
        Screen->MouseMove(p);
        ScreenToClient(w, &p);
        PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        Screen->KeyPress(VK_RETURN);
    });
    EXPECT_EQ(TrackPopupMenu(Popup, TPM_RETURNCMD, 300, 200, 0, Host, nullptr), 100);
    HostHook() = nullptr;
    DestroyWindow(other);
}

TEST_F(Menus, SystemMenuIsAPerWindowCopyFollowingTheWindow) {
    HWND dlg = CreateWindowExW(0, u"CtlHost", u"Dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 10, 10,
                               200, 100, nullptr, nullptr, nullptr, nullptr);
    HMENU a = GetSystemMenu(Host, FALSE), b = GetSystemMenu(dlg, FALSE);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(GetSystemMenu(Host, FALSE), a);  // the same copy each time
    ASSERT_EQ(GetMenuItemCount(a), 7);
    const UINT ids[] = {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, 0, SC_CLOSE};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(GetMenuItemID(a, i), ids[i]) << i;
    EXPECT_TRUE(GetMenuState(a, 5, MF_BYPOSITION) & MF_SEPARATOR);
    char16_t text[32];
    GetMenuStringW(a, SC_CLOSE, text, 32, MF_BYCOMMAND);
    EXPECT_EQ(std::u16string(text), u"&Close\tAlt+F4");

    auto grayed = [](HMENU m, UINT id) { return (GetMenuState(m, id, MF_BYCOMMAND) & MF_GRAYED) != 0; };
    struct Case {
        HWND W;
        int Show;
        bool Restore, Move, Size, Min, Max;  // enabled?
    } cases[] = {
        {Host, SW_RESTORE, false, true, true, true, true},
        {Host, SW_MAXIMIZE, true, false, false, true, false},
        {Host, SW_MINIMIZE, true, true, false, false, true},
        {dlg, SW_SHOWNORMAL, false, true, false, false, false},  // no thick frame, no boxes
    };
    for (const Case& c : cases) {
        ShowWindow(c.W, c.Show);
        HMENU m = GetSystemMenu(c.W, FALSE);
        EXPECT_EQ(!grayed(m, SC_RESTORE), c.Restore) << c.Show;
        EXPECT_EQ(!grayed(m, SC_MOVE), c.Move) << c.Show;
        EXPECT_EQ(!grayed(m, SC_SIZE), c.Size) << c.Show;
        EXPECT_EQ(!grayed(m, SC_MINIMIZE), c.Min) << c.Show;
        EXPECT_EQ(!grayed(m, SC_MAXIMIZE), c.Max) << c.Show;
        EXPECT_FALSE(grayed(m, SC_CLOSE));
    }
    ShowWindow(Host, SW_RESTORE);
    // Reverting frees the copy; a gone window's copy is freed with it.
    EXPECT_EQ(GetSystemMenu(dlg, TRUE), nullptr);
    EXPECT_FALSE(IsMenu(b));
    HMENU c = GetSystemMenu(dlg, FALSE);
    DestroyWindow(dlg);
    GetSystemMenu(Host, FALSE);
    EXPECT_FALSE(IsMenu(c));
    EXPECT_EQ(GetSystemMenu(dlg, FALSE), nullptr);
}

// ---- Message boxes ------------------------------------------------------------------
using MessageBoxes = CtlTest;

TEST_F(MessageBoxes, ScriptedAnswersAreReturnedAndLogged) {
    TestHookClearMessageBoxLog();
    TestHookQueueMessageBoxAnswer(IDNO);
    TestHookQueueMessageBoxAnswer(IDRETRY);
    EXPECT_EQ(MessageBoxA(Host, "Overwrite the file?", "Tessaro", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxW(Host, u"Disc not ready", u"Burn", MB_RETRYCANCEL | MB_ICONWARNING), IDRETRY);
    EXPECT_EQ(TestHookPendingMessageBoxAnswers(), 0);
    // Without an answer or hook the headless screen takes the default button.
    EXPECT_EQ(MessageBoxA(Host, "Go on?", "Tessaro", MB_YESNO | MB_DEFBUTTON2), IDNO);
    auto log = TestHookMessageBoxLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].Text, "Overwrite the file?");
    EXPECT_EQ(log[0].Caption, "Tessaro");
    EXPECT_EQ(log[0].Type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(log[1].Answer, IDRETRY);
    EXPECT_EQ(log[2].Answer, IDNO);
}

TEST_F(MessageBoxes, RealBoxAnsweredThroughTheModalHook) {
    struct Case {
        UINT Type;
        int Button;  // clicked, 0: press Escape, -1: press Enter
        int Expected;
    } cases[] = {
        {MB_ABORTRETRYIGNORE | MB_ICONERROR, IDIGNORE, IDIGNORE},
        {MB_YESNOCANCEL | MB_ICONINFORMATION, 0, IDCANCEL},
        {MB_OK, 0, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, -1, IDCANCEL},
        {MB_YESNO, 0, IDYES},  // Escape does nothing; the hook then clicks Yes
    };
    for (auto& c : cases) {
        bool sawIcon = false;
        TestHookSetModalWindowHook([&, c](HWND box) {
            char16_t cls[16] = {};
            GetClassNameW(box, cls, 16);
            EXPECT_EQ(std::u16string(cls), u"#32770");
            UpdateWindow(box);
            if (c.Type & MB_ICONMASK) {
                RECT r;
                GetWindowRect(GetDlgItem(box, 20), &r);
                TShot shot(Screen);
                uint32_t centre = shot.At(POINT{r.left + 16, r.top + 22});
                sawIcon = centre != SysPx(COLOR_BTNFACE);
            }
            if (c.Button > 0) {
                RECT r;
                GetWindowRect(GetDlgItem(box, c.Button), &r);
                Screen->Click(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
            } else {
                Screen->KeyPress(c.Button == 0 ? VK_ESCAPE : VK_RETURN);
                if ((c.Type & MB_TYPEMASK) == MB_YESNO) SendMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
            }
        });
        EXPECT_EQ(MessageBoxA(Host, "Something happened.", "Tessaro", c.Type), c.Expected) << c.Type;
        if (c.Type & MB_ICONMASK) EXPECT_TRUE(sawIcon) << c.Type;
        EXPECT_TRUE(IsWindowEnabled(Host));
    }
    TestHookSetModalWindowHook(nullptr);
}

// ---- Dialog templates ------------------------------------------------------------
struct TTemplate {
    std::vector<uint8_t> Bytes;
    void Align() {
        while (Bytes.size() % 4) Bytes.push_back(0);
    }
    void Word(WORD w) {
        Bytes.push_back(static_cast<uint8_t>(w & 0xFF));
        Bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    void Str(const std::u16string& s) {
        for (char16_t c : s) Word(c);
        Word(0);
    }
    template <class T>
    void Raw(const T& v) {
        const auto* p = reinterpret_cast<const uint8_t*>(&v);
        Bytes.insert(Bytes.end(), p, p + sizeof v);
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls, const std::u16string& text) {
        Align();
        DLGITEMTEMPLATE it{style | WS_CHILD | WS_VISIBLE, 0, x, y, cx, cy, id};
        Raw(it);
        Word(0xFFFF);
        Word(cls);
        Str(text);
        Word(0);
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(Bytes.data()); }
};

TTemplate MakeTemplate() {
    TTemplate t;
    DLGTEMPLATE h{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER, 0, 6, 0, 0, 200, 100};
    t.Raw(h);
    t.Word(0);  // menu
    t.Word(0);  // class
    t.Str(u"Settings");
    t.Word(8);
    t.Str(u"MS Sans Serif");
    t.Item(WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 10, 10, 100, 12, 10, 0x81, u"");
    t.Item(WS_TABSTOP | BS_AUTOCHECKBOX, 10, 28, 100, 10, 11, 0x80, u"&Verbose");
    t.Item(WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 10, 42, 60, 10, 12, 0x80, u"One");
    t.Item(BS_AUTORADIOBUTTON, 10, 54, 60, 10, 13, 0x80, u"Two");
    t.Item(WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 90, 78, 50, 14, IDOK, 0x80, u"OK");
    t.Item(WS_TABSTOP | BS_PUSHBUTTON, 145, 78, 50, 14, IDCANCEL, 0x80, u"Cancel");
    return t;
}

struct TDlgResult {
    std::u16string Name;
    UINT Verbose = 0;
    UINT Two = 0;
};
TDlgResult gDlg;

INT_PTR CALLBACK SettingsProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    switch (m) {
    case WM_INITDIALOG:
        SetDlgItemTextW(h, 10, reinterpret_cast<LPCWSTR>(l));
        CheckRadioButton(h, 12, 13, 12);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
            char16_t buf[64] = {};
            GetDlgItemTextW(h, 10, buf, 64);
            gDlg.Name = buf;
            gDlg.Verbose = IsDlgButtonChecked(h, 11);
            gDlg.Two = IsDlgButtonChecked(h, 13);
            EndDialog(h, LOWORD(w));
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

using Dialogs = CtlTest;

TEST_F(Dialogs, TemplateDialogDrivenByKeyboard) {
    TTemplate t = MakeTemplate();
    FilterCodes().clear();
    gFilter = SetWindowsHookExW(WH_MSGFILTER, FilterProc, nullptr, 0);
    TestHookSetModalWindowHook([this](HWND dlg) {
        EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 10));  // the first tab stop
        auto key = [this](int vk) { return [this, vk] { Screen->KeyPress(vk); }; };
        Script({key(VK_END), [this] { Screen->TypeText("!"); },
                key(VK_TAB),     // to the check box
                key(VK_SPACE),   // checks it
                key(VK_TAB),     // to the radio group
                key(VK_DOWN),    // arrows move within the group and click
                key(VK_RETURN)}); // the default button
    });
    INT_PTR r = DialogBoxIndirectParamW(nullptr, t.Get(), Host, SettingsProc, reinterpret_cast<LPARAM>(u"disc"));
    TestHookSetModalWindowHook(nullptr);
    UnhookWindowsHookEx(gFilter);
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(gDlg.Name, u"disc!");
    EXPECT_EQ(gDlg.Verbose, BST_CHECKED);
    EXPECT_EQ(gDlg.Two, BST_CHECKED);
    ASSERT_FALSE(FilterCodes().empty());
    EXPECT_EQ(FilterCodes()[0], MSGF_DIALOGBOX);
    EXPECT_TRUE(IsWindowEnabled(Host));
    // Escape answers IDCANCEL; an Alt mnemonic clicks its button.
    TestHookSetModalWindowHook([this](HWND) {
        Script({[] { PostMessageW(GetFocus(), WM_SYSCHAR, 'v', 0); }, [this] { Screen->KeyPress(VK_ESCAPE); }});
    });
    r = DialogBoxIndirectParamW(nullptr, t.Get(), Host, SettingsProc, reinterpret_cast<LPARAM>(u"x"));
    TestHookSetModalWindowHook(nullptr);
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(gDlg.Verbose, BST_CHECKED);
}

TEST_F(Dialogs, ModelessDialogItemsAndUnits) {
    TTemplate t = MakeTemplate();
    HWND dlg = CreateDialogIndirectParamW(nullptr, t.Get(), Host, SettingsProc, reinterpret_cast<LPARAM>(u"12"));
    ASSERT_NE(dlg, nullptr);
    BOOL ok = FALSE;
    EXPECT_EQ(GetDlgItemInt(dlg, 10, &ok, TRUE), 12u);
    EXPECT_TRUE(ok);
    SetDlgItemInt(dlg, 10, static_cast<UINT>(-5), TRUE);
    EXPECT_EQ(static_cast<int>(GetDlgItemInt(dlg, 10, &ok, TRUE)), -5);
    SetDlgItemTextA(dlg, 10, "12x");
    GetDlgItemInt(dlg, 10, &ok, FALSE);
    EXPECT_FALSE(ok);
    CheckDlgButton(dlg, 11, BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 11), BST_CHECKED);
    RECT r{0, 0, 4, 8};
    ASSERT_TRUE(MapDialogRect(dlg, &r));
    EXPECT_GT(r.right, 3);
    EXPECT_GT(r.bottom, 8);
    RECT cr;
    GetWindowRect(GetDlgItem(dlg, IDOK), &cr);
    EXPECT_GT(cr.right - cr.left, 40);
    EXPECT_EQ(LOWORD(SendMessageW(dlg, DM_GETDEFID, 0, 0)), IDOK);
    EXPECT_EQ(GetNextDlgTabItem(dlg, GetDlgItem(dlg, IDCANCEL), FALSE), GetDlgItem(dlg, 10));
    EXPECT_EQ(GetNextDlgGroupItem(dlg, GetDlgItem(dlg, 13), FALSE), GetDlgItem(dlg, 12));
    DestroyWindow(dlg);
}

TEST_F(Dialogs, ExtendedTemplatesToo) {
    TTemplate t;
    t.Word(1);       // version
    t.Word(0xFFFF);  // signature
    t.Raw(DWORD{0});  // help id
    t.Raw(DWORD{0});  // extended style
    t.Raw(DWORD{WS_POPUP | WS_CAPTION | DS_SETFONT});
    t.Word(2);  // items
    t.Word(0), t.Word(0), t.Word(120), t.Word(60);
    t.Word(0);
    t.Word(0);
    t.Str(u"Extended");
    t.Word(8);
    t.Word(FW_BOLD);
    t.Bytes.push_back(0);
    t.Bytes.push_back(0);
    t.Str(u"Tahoma");
    for (int k = 0; k < 2; ++k) {
        t.Align();
        t.Raw(DWORD{0});
        t.Raw(DWORD{0});
        t.Raw(DWORD{WS_CHILD | WS_VISIBLE | WS_TABSTOP | (k ? ES_AUTOHSCROLL : BS_PUSHBUTTON)});
        t.Word(10), t.Word(static_cast<WORD>(10 + 20 * k)), t.Word(60), t.Word(14);
        t.Raw(DWORD{k ? 70000u : 3u});
        t.Word(0xFFFF);
        t.Word(k ? 0x81 : 0x80);
        t.Str(k ? u"typed" : u"Press");
        t.Word(0);
    }
    HWND dlg = CreateDialogIndirectParamW(nullptr, t.Get(), Host, SettingsProc, reinterpret_cast<LPARAM>(u""));
    ASSERT_NE(dlg, nullptr);
    char16_t buf[32] = {};
    GetWindowTextW(dlg, buf, 32);
    EXPECT_EQ(std::u16string(buf), u"Extended");
    HWND b = GetDlgItem(dlg, 3);
    ASSERT_NE(b, nullptr);
    GetWindowTextW(b, buf, 32);
    EXPECT_EQ(std::u16string(buf), u"Press");
    HWND e = GetDlgItem(dlg, 70000);  // the extended form's ids are DWORDs
    ASSERT_NE(e, nullptr);
    GetWindowTextW(e, buf, 32);
    EXPECT_EQ(std::u16string(buf), u"typed");
    DestroyWindow(dlg);
}

}  // namespace
