// The x11 screen under a real X server: a window opened through the window
// layer shows the pixels drawn into it (read back from the server), and X
// input events become window messages. Starts its own Xvfb when no display is
// set; skips when there is neither.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/platform/xvfb_server.h"
#include "platform/screen/screen.h"
#include "platform/system/shell.h"
#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"
#include "../win/win_test_util.h"

using namespace wintest;

bool SendClickAndKeyAt(int RootX, int RootY, int WinX, int WinY);
bool DropUrisAt(int RootX, int RootY, const char* UriList);
long ServerPixelAt(int RootX, int RootY);

using namespace xvfbtest;

namespace {

LRESULT CALLBACK HalvesProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT r;
        GetClientRect(h, &r);
        RECT left{0, 0, r.right / 2, r.bottom}, right{r.right / 2, 0, r.right, r.bottom};
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
        FillRect(dc, &left, red);
        FillRect(dc, &right, blue);
        DeleteObject(red);
        DeleteObject(blue);
        EndPaint(h, &ps);
        return 0;
    }
    return RecorderProc(h, m, w, l);
}

// Rows of a colour that changes with y (and with RowsShift): a band put in
// the wrong place shows.
int RowsShift = 0;
uint32_t RowColour(int y) {
    y += RowsShift;
    return static_cast<uint32_t>(((y % 256) << 16) | (((y / 256) % 4 * 60) << 8) | (255 - y % 200));
}
LRESULT CALLBACK RowsProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT r;
        GetClientRect(h, &r);
        for (int y = 0; y < r.bottom; ++y) {
            const uint32_t c = RowColour(y);
            HBRUSH b = CreateSolidBrush(RGB(c >> 16, (c >> 8) & 0xFF, c & 0xFF));
            RECT row{0, y, r.right, y + 1};
            FillRect(dc, &row, b);
            DeleteObject(b);
        }
        EndPaint(h, &ps);
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

// What the program draws reaches the server: a window larger than the
// segment its pixels pass through arrives whole; changes drawn outside
// WM_PAINT show once the thread looks for messages, and, from a thread that
// never does, after a short while.
void CheckDrawnPixelsReachTheServer(TScreen* screen) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RowsProc;
    wc.lpszClassName = u"Rows";
    RegisterClassW(&wc);
    const int W = 1000, H = 900;
    HWND h = CreateWindowExW(0, u"Rows", u"rows", WS_POPUP | WS_VISIBLE, 10, 20, W, H, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_TRUE(h);
    std::vector<uint32_t> px;
    int w = 0, hgt = 0;
    // The first picture, then the whole window drawn again twice (the first
    // pictures go through the connection, later ones through the shared segment).
    for (int Shift : {0, 37, 74}) {
        RowsShift = Shift;
        InvalidateRect(h, nullptr, FALSE);
        ASSERT_TRUE(PumpUntil(
            [&] {
                return X11ReadBack(screen, h, px, w, hgt) && w == W && hgt == H && px[(H - 1) * W] == RowColour(H - 1);
            },
            10000));
        for (int y = 0; y < H; ++y)
            for (int x : {0, W / 2, W - 1}) ASSERT_EQ(px[y * W + x], RowColour(y)) << x << "," << y << " shift " << Shift;
    }

    auto Fill = [&](COLORREF c) {
        HDC dc = GetDC(h);
        HBRUSH b = CreateSolidBrush(c);
        RECT r{100, 100, 200, 200};
        FillRect(dc, &r, b);
        DeleteObject(b);
        ReleaseDC(h, dc);
    };
    const int Rx = 10 + 150, Ry = 20 + 150;  // window point (150, 150)
    Fill(RGB(0, 200, 0));
    EXPECT_TRUE(PumpUntil([&] { return ServerPixelAt(Rx, Ry) == 0x00C800; }, 10000));
    std::thread([&] { Fill(RGB(200, 0, 200)); }).join();
    // This thread now looks for no messages while it waits.
    const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool shown = false;
    while (!shown && std::chrono::steady_clock::now() < End) shown = ServerPixelAt(Rx, Ry) == 0xC800C8;
    EXPECT_TRUE(shown) << "a change drawn while no thread looks for messages never reached the server";
    DestroyWindow(h);
}

TEST(X11Screen, ShowsDrawnPixelsAndTurnsEventsIntoMessages) {
    TXvfb xvfb;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        std::string why;
        if (!xvfb.Start(why)) GTEST_SKIP() << "x11 screen test skipped: " << why;
    }
    setenv("TESSARO_SCREEN", "x11", 1);
    WinStartup();
    TScreen* screen = WinCurrentScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_STREQ(screen->Name(), "x11") << "the X display could not be opened";

    WNDCLASSW wc{};
    wc.lpfnWndProc = HalvesProc;
    wc.lpszClassName = u"Halves";
    RegisterClassW(&wc);
    HWND h = CreateWindowExW(0, u"Halves", u"x11 test", WS_POPUP | WS_VISIBLE, 50, 60, 120, 80, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_TRUE(h);
    PumpPending();

    std::vector<uint32_t> px;
    int w = 0, hgt = 0;
    bool shown = PumpUntil(
        [&] {
            return X11ReadBack(screen, h, px, w, hgt) && w == 120 && hgt == 80 && px[10 * 120 + 10] == 0xFF0000u &&
                   px[10 * 120 + 110] == 0x0000FFu;
        },
        10000);
    ASSERT_TRUE(shown) << "read back " << w << "x" << hgt;
    for (int y = 0; y < 80; y += 13)
        for (int x = 0; x < 120; x += 7) ASSERT_EQ(px[y * 120 + x], x < 60 ? 0xFF0000u : 0x0000FFu) << x << "," << y;

    // Events sent to the X window arrive as messages.
    SetFocus(h);
    Log().clear();
    ASSERT_TRUE(SendClickAndKeyAt(80, 80, 30, 20));
    bool got = PumpUntil(
        [&] { return MessagesOf(h, {WM_LBUTTONUP}).size() == 1 && MessagesOf(h, {WM_CHAR}).size() == 1; }, 10000);
    ASSERT_TRUE(got);
    for (auto& e : Log()) {
        if (e.Hwnd == h && e.Msg == WM_LBUTTONDOWN) {
            EXPECT_EQ(GET_X_LPARAM(e.LParam), 30);
            EXPECT_EQ(GET_Y_LPARAM(e.LParam), 20);
        }
        if (e.Hwnd == h && e.Msg == WM_CHAR) {
            EXPECT_EQ(e.WParam, static_cast<WPARAM>('q'));
        }
    }

    // Files dropped by another X client arrive as WM_DROPFILES; escaped UTF-8
    // (Japanese, an accent, a pair, a quote) comes out as the bytes on disc.
    SetWindowLongPtrW(h, GWL_EXSTYLE, WS_EX_ACCEPTFILES);
    Log().clear();
    ASSERT_TRUE(DropUrisAt(100, 90,
                           "file:///tmp/a%20b.mpg\r\n# comment\r\nfile:///tmp/c.avi\r\n"
                           "file:///tmp/%E6%98%A0%E7%94%BB%20caf%C3%A9%F0%9F%8E%AC%22q%22.mp4\r\n"));
    ASSERT_TRUE(PumpUntil([&] { return MessagesOf(h, {WM_DROPFILES}).size() == 1; }, 10000));
    for (auto& e : Log())
        if (e.Hwnd == h && e.Msg == WM_DROPFILES) {
            HDROP drop = reinterpret_cast<HDROP>(e.WParam);
            EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 3u);
            char name[64];
            DragQueryFileA(drop, 0, name, sizeof name);
            EXPECT_STREQ(name, "/tmp/a b.mpg");
            DragQueryFileA(drop, 2, name, sizeof name);
            EXPECT_STREQ(name, "/tmp/\xE6\x98\xA0\xE7\x94\xBB caf\xC3\xA9\xF0\x9F\x8E\xAC\"q\".mp4");
            POINT p;
            DragQueryPoint(drop, &p);
            EXPECT_EQ(p.x, 50);
            EXPECT_EQ(p.y, 30);
            DragFinish(drop);
        }
    DestroyWindow(h);
    CheckDrawnPixelsReachTheServer(screen);
    WinShutdown();
}

}  // namespace

// The X library ends the program when the server goes away; the exit must not
// turn into an abort in the screen's cleanup.
TEST(X11ScreenDeathTest, TheServerGoingAwayEndsTheProgramWithoutAnAbort) {
    if (FindProgram("Xvfb").empty()) GTEST_SKIP() << "Xvfb is not installed";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The dead connection's memory is left for the exit; that is no leak to report.
    std::string asan = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
    setenv("ASAN_OPTIONS", (asan + (asan.empty() ? "" : ":") + "detect_leaks=0").c_str(), 1);
    EXPECT_EXIT(
        {
            TXvfb xvfb;
            std::string why;
            if (!xvfb.Start(why)) _exit(3);
            setenv("TESSARO_SCREEN", "x11", 1);
            WinStartup();
            if (std::string(WinCurrentScreen()->Name()) != "x11") _exit(4);
            xvfb.Stop();
            for (int i = 0; i < 600; ++i) usleep(50000);
            _exit(5);
        },
        ::testing::ExitedWithCode(1), "");
}
