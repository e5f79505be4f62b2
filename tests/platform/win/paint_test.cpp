// Painting through the window layer onto the headless desktop: update regions
// and WM_PAINT, clipping between windows, the standard frame, window regions,
// scrolling and screenshots.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "platform/gdi/surface.h"
#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"
#include "win_test_util.h"

using namespace wintest;

namespace {

// Each window of class "Painter" fills its client area with the colour kept in
// GWLP_USERDATA and records what it was asked to paint.
std::map<HWND, std::vector<RECT>>& Paints() {
    static std::map<HWND, std::vector<RECT>> p;
    return p;
}

LRESULT CALLBACK PainterProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_PRINTCLIENT) {
        RECT r;
        GetClientRect(h, &r);
        HBRUSH b = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(h, GWLP_USERDATA)));
        FillRect(reinterpret_cast<HDC>(w), &r, b);
        DeleteObject(b);
        return 0;
    }
    if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        Paints()[h].push_back(ps.rcPaint);
        RECT r;
        GetClientRect(h, &r);
        HBRUSH b = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(h, GWLP_USERDATA)));
        FillRect(dc, &r, b);
        DeleteObject(b);
        EndPaint(h, &ps);
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

class WinPaint : public ::testing::Test {
protected:
    void SetUp() override {
        WinStartup();
        Screen = WinHeadlessScreen();
        ASSERT_NE(Screen, nullptr) << "tests run on the headless screen";
        WNDCLASSW wc{};
        wc.lpfnWndProc = PainterProc;
        wc.lpszClassName = u"Painter";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_WINDOW + 1));
        RegisterClassW(&wc);
        Paints().clear();
    }
    void TearDown() override {
        for (HWND h : Made)
            if (IsWindow(h)) DestroyWindow(h);
        PumpPending();
    }
    HWND Make(DWORD style, HWND parent, int x, int y, int w, int h, COLORREF colour, DWORD ex = 0) {
        HWND hw = CreateWindowExW(ex, u"Painter", u"Paint", style, x, y, w, h, parent, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(hw, GWLP_USERDATA, static_cast<LONG_PTR>(colour));
        Made.push_back(hw);
        return hw;
    }
    uint32_t At(int x, int y) { return Screen->DesktopPixel(POINT{x, y}); }
    THeadlessScreen* Screen = nullptr;
    std::vector<HWND> Made;
};

TEST_F(WinPaint, InvalidationCoalescesIntoOnePaint) {
    HWND a = Make(WS_POPUP | WS_VISIBLE, nullptr, 10, 10, 200, 100, RGB(255, 0, 0));
    PumpPending();
    Paints().clear();
    RECT r1{10, 10, 20, 20}, r2{50, 40, 60, 50}, r3{15, 15, 30, 25};
    InvalidateRect(a, &r1, TRUE);
    InvalidateRect(a, &r2, FALSE);
    InvalidateRect(a, &r3, TRUE);
    PumpPending();
    ASSERT_EQ(Paints()[a].size(), 1u);
    RECT want{10, 10, 60, 50};
    EXPECT_TRUE(EqualRect(&Paints()[a][0], &want));
    PumpPending();
    EXPECT_EQ(Paints()[a].size(), 1u);  // validated by BeginPaint

    // Validated parts leave the update region; UpdateWindow paints at once.
    Paints().clear();
    RECT all{0, 0, 200, 100}, left{0, 0, 100, 100};
    InvalidateRect(a, &all, FALSE);
    ValidateRect(a, &left);
    RECT upd;
    EXPECT_TRUE(GetUpdateRect(a, &upd, FALSE));
    RECT wantUpd{100, 0, 200, 100};
    EXPECT_TRUE(EqualRect(&upd, &wantUpd));
    UpdateWindow(a);
    ASSERT_EQ(Paints()[a].size(), 1u);
    EXPECT_TRUE(EqualRect(&Paints()[a][0], &wantUpd));
    EXPECT_FALSE(GetUpdateRect(a, &upd, FALSE));

    // A hidden window is not painted until it is shown.
    Paints().clear();
    ShowWindow(a, SW_HIDE);
    InvalidateRect(a, nullptr, TRUE);
    PumpPending();
    EXPECT_TRUE(Paints()[a].empty());
    ShowWindow(a, SW_SHOWNA);
    PumpPending();
    EXPECT_EQ(Paints()[a].size(), 1u);
}

TEST_F(WinPaint, ChildrenDrawClippedIntoTheirTopLevel) {
    HWND top = Make(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, nullptr, 300, 300, 200, 150, RGB(0, 255, 0));
    HWND a = Make(WS_CHILD | WS_VISIBLE, top, 10, 10, 60, 40, RGB(255, 0, 0));
    HWND b = Make(WS_CHILD | WS_VISIBLE, top, 40, 30, 60, 40, RGB(0, 0, 255));
    // b was made after a, so it lies below a in the z-order: a covers the overlap.
    PumpPending();
    EXPECT_EQ(At(300 + 5, 300 + 5), 0x00FF00u);                // parent
    EXPECT_EQ(At(300 + 15, 300 + 15), 0xFF0000u);              // a
    EXPECT_EQ(At(300 + 50, 300 + 40), 0xFF0000u);              // overlap: a is above
    EXPECT_EQ(At(300 + 90, 300 + 60), 0x0000FFu);              // b alone
    // Bringing b up lets it cover the overlap on its next paint.
    SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpPending();
    EXPECT_EQ(At(300 + 50, 300 + 40), 0x0000FFu);
    // A repaint of a alone cannot reach the part b covers.
    InvalidateRect(a, nullptr, TRUE);
    UpdateWindow(a);
    EXPECT_EQ(At(300 + 50, 300 + 40), 0x0000FFu);
    EXPECT_EQ(At(300 + 15, 300 + 15), 0xFF0000u);
    // Moving a child repaints what it uncovered in the parent.
    MoveWindow(a, 120, 100, 60, 40, TRUE);
    PumpPending();
    EXPECT_EQ(At(300 + 15, 300 + 15), 0x00FF00u);
    EXPECT_EQ(At(300 + 125, 300 + 105), 0xFF0000u);
    // Hiding the top-level takes it off the desktop.
    ShowWindow(top, SW_HIDE);
    EXPECT_NE(At(300 + 5, 300 + 5), 0x00FF00u);
}

// A child shows only inside its parent's client area, and inside every
// ancestor's: the parts of it that reach over a frame leave that frame to be
// drawn by the window it belongs to.
TEST_F(WinPaint, ChildrenReachingPastTheClientLeaveTheFrameToItsWindow) {
    // Client of the top-level on screen: (404, 323)-(596, 446).
    HWND top = Make(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, nullptr, 400, 300, 200, 150, RGB(0, 255, 0));
    // A reaches past the bottom of that client; its client: (508, 407)-(580, 469).
    HWND a = Make(WS_CHILD | WS_THICKFRAME | WS_CLIPCHILDREN | WS_VISIBLE, top, 100, 80, 80, 70, RGB(255, 0, 0));
    // B reaches past the right of A's client, over A's frame and beyond A.
    HWND b = Make(WS_CHILD | WS_VISIBLE, a, 40, 10, 60, 20, RGB(0, 0, 255));
    // Shown with its children in place, as a form is.
    ShowWindow(top, SW_SHOW);
    PumpPending();
    struct TCase {
        const char* What;
        POINT Covered;    // a pixel some child's rectangle covers
        POINT Reference;  // a pixel of the same band that no child covers
    };
    const TCase cases[] = {
        {"top-level's bottom frame under A", {540, 448}, {420, 448}},
        {"A's right frame under B", {582, 425}, {582, 410}},
        {"top-level's right frame beside B", {598, 425}, {598, 400}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(At(c.Covered.x, c.Covered.y), At(c.Reference.x, c.Reference.y));
        EXPECT_NE(At(c.Covered.x, c.Covered.y), 0u);  // drawn, not the fresh surface
    }
    EXPECT_EQ(At(560, 425), 0x0000FFu);  // B inside A's client
    EXPECT_EQ(At(590, 425), 0x00FF00u);  // B past A: the top-level's client shows
    EXPECT_EQ(At(540, 440), 0xFF0000u);  // A inside the top-level's client
    // Repainting the frames alone gives the same picture.
    for (HWND h : {top, a, b}) RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(At(c.Covered.x, c.Covered.y), At(c.Reference.x, c.Reference.y));
    }
    // A point on a frame belongs to the frame's window.
    EXPECT_EQ(WindowFromPoint(POINT{540, 448}), top);
    EXPECT_EQ(WindowFromPoint(POINT{582, 425}), a);
}

TEST_F(WinPaint, StandardFrameAndCaptionInClassicColours) {
    HWND a = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 100, 500, 300, 200, RGB(255, 255, 255));
    PumpPending();
    RECT wr, cr;
    GetWindowRect(a, &wr);
    GetClientRect(a, &cr);
    // Thick frame 4 + caption 19 on top, frame 4 elsewhere.
    EXPECT_EQ(cr.right, 300 - 8);
    EXPECT_EQ(cr.bottom, 200 - 8 - 19);
    POINT origin{0, 0};
    ClientToScreen(a, &origin);
    EXPECT_EQ(origin.x, 104);
    EXPECT_EQ(origin.y, 523);
    const uint32_t active = Rgb(GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(At(100 + 150, 500 + 6), active);
    EXPECT_EQ(At(104 + 5, 523 + 5), 0xFFFFFFu);  // client
    EXPECT_EQ(At(100 + 2, 500 + 100), Rgb(GetSysColor(COLOR_BTNFACE)));  // sizing border band
    // Another window takes the activation: the caption turns inactive.
    HWND b = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 700, 100, 100, 100, RGB(0, 0, 0));
    PumpPending();
    EXPECT_EQ(GetActiveWindow(), b);
    EXPECT_EQ(At(100 + 150, 500 + 6), Rgb(GetSysColor(COLOR_INACTIVECAPTION)));

    // The small icon sits at the left of the caption.
    uint32_t green = 0xFF00C000u;
    std::vector<uint32_t> px(16 * 16, green);
    HICON icon = WinCreateIconFromPixels(px.data(), 16, 16);
    SendMessageW(a, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    RedrawWindow(a, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(At(100 + 4 + 2 + 8, 500 + 4 + 9), 0x00C000u);
    SendMessageW(a, WM_SETICON, ICON_SMALL, 0);
    DestroyIcon(icon);

    // The non-client hit test follows the same layout.
    auto hit = [&](int x, int y) { return SendMessageW(a, WM_NCHITTEST, 0, MAKELPARAM(x, y)); };
    EXPECT_EQ(hit(250, 506), HTCAPTION);
    EXPECT_EQ(hit(200, 600), HTCLIENT);
    EXPECT_EQ(hit(101, 600), HTLEFT);
    EXPECT_EQ(hit(101, 501), HTTOPLEFT);
    EXPECT_EQ(hit(398, 698), HTBOTTOMRIGHT);
    EXPECT_EQ(hit(400 - 2 - 8, 500 + 4 + 8), HTCLOSE);
    EXPECT_EQ(hit(50, 50), HTNOWHERE);
    RECT adj{0, 0, 292, 173};
    AdjustWindowRectEx(&adj, WS_OVERLAPPEDWINDOW, FALSE, 0);
    EXPECT_EQ(adj.right - adj.left, 300);
    EXPECT_EQ(adj.bottom - adj.top, 200);
}

TEST_F(WinPaint, WindowRegionClipsPaintingAndHitTesting) {
    HWND a = Make(WS_POPUP | WS_VISIBLE, nullptr, 600, 600, 100, 100, RGB(255, 0, 255));
    // Only the left half belongs to the window.
    SetWindowRgn(a, CreateRectRgn(0, 0, 50, 100), TRUE);
    PumpPending();
    EXPECT_EQ(At(610, 650), 0xFF00FFu);
    EXPECT_NE(At(670, 650), 0xFF00FFu);
    EXPECT_EQ(WindowFromPoint(POINT{610, 650}), a);
    EXPECT_NE(WindowFromPoint(POINT{670, 650}), a);
    RECT box;
    EXPECT_EQ(GetWindowRgnBox(a, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 50);
    SetWindowRgn(a, nullptr, TRUE);
    PumpPending();
    EXPECT_EQ(At(670, 650), 0xFF00FFu);
}

LRESULT CALLBACK StripesProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        Paints()[h].push_back(ps.rcPaint);
        for (int y = ps.rcPaint.top; y < ps.rcPaint.bottom; ++y) {
            RECT r{0, y, 100, y + 1};
            HBRUSH b = CreateSolidBrush(RGB(y * 2, 0, 0));
            FillRect(dc, &r, b);
            DeleteObject(b);
        }
        EndPaint(h, &ps);
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

TEST_F(WinPaint, ScrollWindowMovesPixelsAndInvalidatesTheRest) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = StripesProc;
    wc.lpszClassName = u"Stripes";
    RegisterClassW(&wc);
    HWND a = CreateWindowExW(0, u"Stripes", u"", WS_POPUP | WS_VISIBLE, 900, 100, 100, 100, nullptr, nullptr, nullptr,
                             nullptr);
    Made.push_back(a);
    PumpPending();
    EXPECT_EQ(At(910, 100 + 30), 60u << 16);
    RECT upd;
    EXPECT_EQ(ScrollWindowEx(a, 0, -10, nullptr, nullptr, nullptr, &upd, SW_INVALIDATE), SIMPLEREGION);
    RECT want{0, 90, 100, 100};
    EXPECT_TRUE(EqualRect(&upd, &want));
    EXPECT_EQ(At(910, 100 + 30), 80u << 16);  // row 40 moved up to row 30
    Paints().clear();
    PumpPending();
    ASSERT_EQ(Paints()[a].size(), 1u);
    EXPECT_TRUE(EqualRect(&Paints()[a][0], &want));
}

TEST_F(WinPaint, ScreenshotsOfWindowsAndDesktop) {
    HWND top = Make(WS_POPUP | WS_VISIBLE, nullptr, 20, 700, 120, 80, RGB(0, 128, 0));
    HWND child = Make(WS_CHILD | WS_VISIBLE, top, 20, 10, 30, 20, RGB(200, 10, 30));
    PumpPending();
    std::string dir = std::filesystem::temp_directory_path() / ("win_paint_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    ASSERT_TRUE(WinSaveWindowPng(child, dir + "/child.png"));
    ASSERT_TRUE(LoadPixelsPng(dir + "/child.png", px, w, h));
    EXPECT_EQ(w, 30);
    EXPECT_EQ(h, 20);
    EXPECT_EQ(px[0], 0xC80A1Eu);
    ASSERT_TRUE(Screen->SaveDesktopPng(dir + "/desktop.png"));
    ASSERT_TRUE(LoadPixelsPng(dir + "/desktop.png", px, w, h));
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 1024);
    EXPECT_EQ(px[static_cast<std::size_t>(700 + 15) * 1280 + 20 + 25], 0xC80A1Eu);
    EXPECT_EQ(px[static_cast<std::size_t>(700 + 5) * 1280 + 20 + 5], 0x008000u);
    EXPECT_FALSE(WinSaveWindowPng(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7FFF0001)), dir + "/x.png"));
    std::filesystem::remove_all(dir);
}

TEST_F(WinPaint, PrintDrawsAWindowAndItsChildrenIntoAnyDC) {
    HWND top = Make(WS_POPUP | WS_BORDER | WS_CLIPCHILDREN, nullptr, 0, 0, 100, 80, RGB(0, 255, 0));
    Make(WS_CHILD | WS_VISIBLE, top, 10, 10, 20, 20, RGB(255, 0, 0));
    Make(WS_CHILD, top, 50, 10, 20, 20, RGB(0, 0, 255));  // hidden: not printed
    TGdiSurface* s = GdiCreateSurface(100, 80);
    HDC dc = GdiCreateSurfaceDC(s, POINT{0, 0}, nullptr);
    SendMessageW(top, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT | PRF_CHILDREN);
    GdiReleaseSurfaceDC(dc);
    auto px = [&](int x, int y) { return GdiSurfacePixels(s)[y * GdiSurfaceStride(s) + x] & 0xFFFFFFu; };
    EXPECT_EQ(px(0, 0), Rgb(GetSysColor(COLOR_WINDOWFRAME)));  // the border
    EXPECT_EQ(px(5, 5), 0x00FF00u);
    EXPECT_EQ(px(1 + 10 + 5, 1 + 10 + 5), 0xFF0000u);  // the child, at its place inside the border
    EXPECT_EQ(px(1 + 50 + 5, 1 + 10 + 5), 0x00FF00u);
    GdiDestroySurface(s);
    // A window that is not visible prints nothing when asked to check.
    TGdiSurface* s2 = GdiCreateSurface(10, 10);
    HDC dc2 = GdiCreateSurfaceDC(s2, POINT{0, 0}, nullptr);
    SendMessageW(top, WM_PRINT, reinterpret_cast<WPARAM>(dc2), PRF_CHECKVISIBLE | PRF_CLIENT);
    GdiReleaseSurfaceDC(dc2);
    EXPECT_EQ(GdiSurfacePixels(s2)[5] & 0xFFFFFFu, 0u);
    GdiDestroySurface(s2);
}

}  // namespace
