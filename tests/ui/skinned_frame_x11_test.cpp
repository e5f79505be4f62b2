// The program's skinned frame on a real X server (an Xvfb of the test's own),
// started with the settings of a new user and driven with the X pointer
// through xdotool: the main window is found by its title, a cut corner shows
// the root window, the skinned minimise button minimises, the bar's File item
// opens a popup whose pixels read back from the server equal its headless
// picture, and the skinned close button ends the program, which writes
// options.ini. Skips when Xvfb or xdotool is missing.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/classlib/extctrls.h"
#include "platform/classlib/threads.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/sysutils.h"
#include "platform/screen/headless.h"
#include "platform/screen/screen.h"
#include "platform/win/winscreen.h"
#include "skin/skin_data.h"
#include "skin/skin_manager.h"
#include "skin/skin_menubar.h"
#include "skin/skin_window.h"
#include "temp_folder.h"
#include "tests/platform/xvfb_server.h"
#include "tests/ui/timed_steps.h"
#include "tests/ui/x11_program.h"
#include "tests/ui/x11_root.h"
#include "ui/main_form.h"
#include "ui/program.h"

namespace {

using xvfbtest::OnScreen;
using xvfbtest::PumpUntil;

constexpr uint32_t kRootColour = 0x2B8C4E;  // no colour of the skin's frame

TSkinnedWindow* MainSkin() {
    TSkinnedWindow* S = SkinManager ? SkinManager->FindSkinForm(frmMain->Handle()) : nullptr;
    return S && S->State == 1 ? S : nullptr;
}

// The popup menu window on screen, or nullptr.
HWND ShownPopup() {
    for (HWND H = FindWindowExW(nullptr, nullptr, u"#32768", nullptr); H; H = FindWindowExW(nullptr, H, u"#32768", nullptr))
        if (IsWindowVisible(H)) return H;
    return nullptr;
}

POINT FrameToScreen(HWND H, const TRect& R) {
    RECT W;
    GetWindowRect(H, &W);
    return POINT{W.left + (R.left + R.right) / 2, W.top + (R.top + R.bottom) / 2};
}

class SkinnedFrameX11 : public xvfbtest::TProgramOnX11 {
protected:
    SkinnedFrameX11() : TProgramOnX11("tessaro_frame_x11") {}
    void SetUp() override {
        TProgramOnX11::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // Once the program holds the server: the server resets the root when its last client goes.
        ASSERT_TRUE(xvfbtest::SetRootColour(kRootColour));
        ASSERT_TRUE(ShowMainWindow([] { return MainSkin() != nullptr; })) << "the main window was not shown skinned";
    }
    TWinSysButton* CaptionButton(int Action) {
        for (auto& B : MainSkin()->CaptionButtons)
            if (B->Button->Action == Action && B->Visible) return B.get();
        return nullptr;
    }
};

TEST_F(SkinnedFrameX11, FoundByTitleCutCornersMinimiseAndTheFilePopup) {
    const HWND Main = frmMain->Handle();
    RECT W;
    GetWindowRect(Main, &W);
    // xdotool finds one shown window by the title, where the main window is.
    std::istringstream Found(xvfbtest::CommandOutput(Xdotool + " search --onlyvisible --name '^" + frmMain->Caption() + "$'"));
    int Matching = 0, Ids = 0;
    for (std::string Id; Found >> Id; ++Ids) {
        const std::string Geometry = xvfbtest::CommandOutput(Xdotool + " getwindowgeometry --shell " + Id);
        int X = -1, Y = -1, Wd = -1, Ht = -1;
        for (std::istringstream L(Geometry); L;) {
            std::string Line;
            std::getline(L, Line);
            std::sscanf(Line.c_str(), "X=%d", &X);
            std::sscanf(Line.c_str(), "Y=%d", &Y);
            std::sscanf(Line.c_str(), "WIDTH=%d", &Wd);
            std::sscanf(Line.c_str(), "HEIGHT=%d", &Ht);
        }
        if (X == W.left && Y == W.top && Wd == W.right - W.left && Ht == W.bottom - W.top) ++Matching;
    }
    EXPECT_EQ(Ids, 1);
    EXPECT_EQ(Matching, 1);

    // The top left corner is cut: the server shows the root window there, and
    // the frame's own colour next to it along the top edge.
    uint32_t Corner = 0, Edge = 0;
    EXPECT_TRUE(PumpUntil([&] { return xvfbtest::ScreenPixel(W.left, W.top, Corner) && Corner == kRootColour; }, 10000))
        << std::hex << Corner;
    ASSERT_TRUE(xvfbtest::ScreenPixel((W.left + W.right) / 2, W.top, Edge));
    EXPECT_NE(Edge, kRootColour);

    // The skinned minimise button minimises.
    TWinSysButton* Minimise = CaptionButton(2);
    ASSERT_NE(Minimise, nullptr);
    ASSERT_TRUE(ClickAt(FrameToScreen(Main, Minimise->Rect)));
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(Main) && !OnScreen(Main); }, 10000)) << "the window was not minimised";

    // Restored, a click on File opens its popup. The popup's steps run from a
    // timer inside the menu loop; its pixels are read until they settle on
    // the picture (the loop's first message selects the first item).
    ShowWindow(Main, SW_RESTORE);
    ASSERT_TRUE(PumpUntil([&] { return !IsIconic(Main) && OnScreen(Main) && MainSkin(); }, 10000));
    TSkinnedWindow* Skin = MainSkin();
    ASSERT_NE(Skin->MenuBar, nullptr);
    ASSERT_FALSE(Skin->MenuBar->Items.empty());
    TMenuBtn* File = Skin->MenuBar->Items[0].get();
    // The items' states as the program's idle time sets them, as on the headless screen.
    frmMain->UpdateActions();
    std::vector<uint32_t> Golden;
    int GW = 0, GH = 0;
    ASSERT_TRUE(LoadPixelsPng(std::string(TESSARO_TEST_DATA) + "/ui/main_file_popup.png", Golden, GW, GH));
    bool Opened = false, Matched = false, Escaped = false;
    std::string Problem;
    const auto GiveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    TTimedSteps Steps(30, [&] {
        if (Escaped) return;
        HWND Popup = ShownPopup();
        if (Popup) {
            Opened = true;
            std::vector<uint32_t> Pixels;
            int PW = 0, PH = 0;
            if (X11ReadBack(WinCurrentScreen(), Popup, Pixels, PW, PH) && PW == GW && PH == GH) {
                // Outside a shaped popup's region the server shows what lies below.
                HRGN Region = CreateRectRgn(0, 0, 0, 0);
                const bool Shaped = GetWindowRgn(Popup, Region) != ERROR;
                Matched = true;
                for (int Y = 0; Y < PH; ++Y)
                    for (int X = 0; X < PW; ++X) {
                        const size_t I = static_cast<size_t>(Y) * PW + X;
                        if ((!Shaped || PtInRegion(Region, X, Y)) && (Pixels[I] & 0xFFFFFF) != (Golden[I] & 0xFFFFFF))
                            Matched = false;
                    }
                DeleteObject(Region);
                if (!Matched) SavePixelsPng(::testing::TempDir() + "x11_file_popup.png", Pixels.data(), PW, PH, PW);
            }
        }
        const bool Late = std::chrono::steady_clock::now() > GiveUp;
        if (Late) Problem = Opened ? "the popup's pixels never equalled its picture" : "no popup opened";
        if (Matched || (Late && Opened)) {
            Escaped = true;
            if (Run({"key", "Escape"}) != 0) Problem = "xdotool could not press Escape";
        }
    });
    ASSERT_TRUE(ClickAt(FrameToScreen(Main, File->Rect)));
    const bool Closed = PumpUntil(
        [&] { return (Escaped || !Problem.empty()) && !ShownPopup(); }, 60000);
    Steps.Stop();
    EXPECT_TRUE(Problem.empty()) << Problem;
    EXPECT_TRUE(Opened);
    EXPECT_TRUE(Matched) << "the File popup read back from the server differs from ui/main_file_popup.png; it is saved as "
                     << ::testing::TempDir() << "x11_file_popup.png";
    EXPECT_TRUE(Closed) << "Escape did not close the popup";
}

TEST_F(SkinnedFrameX11, TheSkinnedCloseButtonEndsTheProgramAndWritesItsOptions) {
    const std::string Options = AppFolder + "options.ini";
    ASSERT_FALSE(FileExists(Options));
    // The window's close handling keeps the label in the options.
    frmMain->txtDiscLabel->SetText("Closed skinned");
    TWinSysButton* Close = CaptionButton(0);
    ASSERT_NE(Close, nullptr);
    ASSERT_TRUE(ClickAt(FrameToScreen(frmMain->Handle(), Close->Rect)));
    EXPECT_TRUE(PumpUntil([] { return Application->Terminated(); }, 20000)) << "the program did not end";
    // What the program does once its loop has ended.
    ProgramShutdown();
    Started = false;
    TIniFile Ini(Options);
    EXPECT_EQ(Ini.ReadString("QZOptions", "DVDLabel", "<none>"), "Closed skinned");
}

}  // namespace
