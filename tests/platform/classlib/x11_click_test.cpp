// Under a real X server: a form shown through the x11 screen gets a click of
// the X pointer (xdotool) on its button and handles it. Starts its own Xvfb
// when no display is set; skips when Xvfb or xdotool is missing.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <functional>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/platform/xvfb_server.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/threads.h"
#include "platform/win/winscreen.h"

using namespace xvfbtest;

namespace {

// The class library on the x11 screen of an X server: the one given in
// DISPLAY when the test allows it, else an Xvfb of its own. DISPLAY is put
// back afterwards.
class X11Forms : public ::testing::Test {
protected:
    // False (and Why) when no X server can be had.
    bool Open(std::string& Why, bool UseGivenDisplay, const std::string& Size = "1280x1024x24") {
        const char* Given = std::getenv("DISPLAY");
        SavedDisplay = Given ? Given : "";
        if (!UseGivenDisplay || SavedDisplay.empty()) {
            if (!Xvfb.Start(Why, Size)) return false;
        }
        setenv("TESSARO_SCREEN", "x11", 1);
        WinStartup();
        if (std::string(WinCurrentScreen()->Name()) != "x11") {
            WinShutdown();
            Why = std::string("the X display ") + std::getenv("DISPLAY") + " could not be opened";
            return false;
        }
        FormsStartup();
        Opened = true;
        return true;
    }
    void TearDown() override {
        if (Opened) {
            FormsShutdown();
            WinShutdown();
        }
        Xvfb.Stop();
        if (SavedDisplay.empty())
            unsetenv("DISPLAY");
        else
            setenv("DISPLAY", SavedDisplay.c_str(), 1);
    }
    // Handles messages until Done holds or Ms have passed.
    static void PumpFor(int Ms, const std::function<bool()>& Done = [] { return false; }) {
        auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
        while (!Done() && std::chrono::steady_clock::now() < End) {
            Application->ProcessMessages();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }

    TXvfb Xvfb;
    std::string SavedDisplay;
    bool Opened = false;
};

TEST_F(X11Forms, AButtonOfAFormHandlesARealPointerClick) {
    std::string Xdotool = FindProgram("xdotool");
    if (Xdotool.empty()) GTEST_SKIP() << "xdotool is not installed";
    std::string Why;
    if (!Open(Why, true)) GTEST_SKIP() << "x11 test skipped: " << Why;
    auto* F = new TForm(Application);
    F->SetBounds(100, 120, 240, 120);
    F->SetCaption("x11");
    auto* B = new TButton(F);
    B->SetParent(F);
    B->SetBounds(40, 30, 120, 30);
    B->SetCaption("Press");
    int Clicks = 0;
    B->OnClick = [&](TObject*) { ++Clicks; };
    F->Show();
    Application->ProcessMessages();
    POINT P = B->ClientToScreen(POINT{B->Width() / 2, B->Height() / 2});
    ASSERT_EQ(RunXdotool(Xdotool, {"mousemove", "--sync", std::to_string(P.x), std::to_string(P.y)}), 0);
    ASSERT_EQ(RunXdotool(Xdotool, {"click", "1"}), 0);
    PumpFor(5000, [&] { return Clicks != 0; });
    EXPECT_EQ(Clicks, 1);
    F->Free();
}

// The X server's focus going to the disabled owner of a modal dialog (as it
// does, late, after another window went) neither activates the owner nor
// raises it above the dialog.
TEST_F(X11Forms, FocusOnADisabledOwnerLeavesTheDialogOnTop) {
    std::string Xdotool = FindProgram("xdotool");
    if (Xdotool.empty()) GTEST_SKIP() << "xdotool is not installed";
    std::string Why;
    if (!Open(Why, false)) GTEST_SKIP() << "x11 test skipped: " << Why;
    auto* Owner = new TForm(Application);
    Owner->SetBounds(100, 100, 400, 300);
    Owner->SetCaption("owner window");
    Owner->Show();
    auto* Dialog = new TForm(Owner);
    Dialog->SetBounds(150, 150, 200, 100);
    Dialog->SetCaption("dialog window");
    Dialog->Show();
    EnableWindow(Owner->Handle(), FALSE);
    SetActiveWindow(Dialog->Handle());
    Application->ProcessMessages();
    ASSERT_EQ(RunXdotool(Xdotool, {"search", "--sync", "--name", "owner window", "windowfocus", "--sync"}), 0);
    PumpFor(500);
    EXPECT_EQ(GetActiveWindow(), Dialog->Handle());
    HWND Top = nullptr;
    for (HWND W = GetWindow(GetDesktopWindow(), GW_CHILD); W && !Top; W = GetWindow(W, GW_HWNDNEXT))
        if (IsWindowVisible(W)) Top = W;
    EXPECT_EQ(Top, Dialog->Handle());
    EnableWindow(Owner->Handle(), TRUE);
    Owner->Free();
}

// On a display smaller than the platform's default desktop, a centred form
// sits in the middle of the real display, and one too large for it keeps its
// caption on the screen.
TEST_F(X11Forms, FormsCentreOnTheRealDisplay) {
    std::string Why;
    if (!Open(Why, false, "1024x768x24")) GTEST_SKIP() << "x11 test skipped: " << Why;
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    struct Case {
        int W, H, Left, Top;
    };
    for (const Case& C : {Case{748, 564, 138, 102}, Case{1100, 900, 0, 0}}) {
        auto* F = new TForm(Application);
        F->SetBounds(0, 0, C.W, C.H);
        F->Position = poDesktopCenter;
        F->Show();
        Application->ProcessMessages();
        EXPECT_EQ(F->Left(), C.Left) << C.W;
        EXPECT_EQ(F->Top(), C.Top) << C.W;
        F->Free();
    }
}

}  // namespace
