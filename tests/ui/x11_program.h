// For tests that run the program on an X server of their own, with the
// settings of a new user.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/classlib/forms.h"
#include "platform/classlib/threads.h"
#include "platform/rtl/sysutils.h"
#include "platform/screen/screen.h"
#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"
#include "temp_folder.h"
#include "tests/platform/xvfb_server.h"
#include "ui/main_form.h"
#include "ui/program.h"

namespace xvfbtest {

// Handles messages until Done holds or Ms pass; true when Done held. The time
// only bounds a failure.
inline bool PumpUntil(const std::function<bool()>& Done, int Ms) {
    const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
    while (!Done()) {
        if (std::chrono::steady_clock::now() >= End) return false;
        Application->ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

// No message waits in the thread's queue.
inline bool QueueEmpty() {
    MSG M;
    return !PeekMessageW(&M, nullptr, 0, 0, PM_NOREMOVE);
}

// The window is mapped and viewable on the server, so a pointer click lands
// on it (a shown window only says the window layer asked for the mapping).
inline bool OnScreen(HWND H) {
    std::vector<uint32_t> Pixels;
    int W = 0, Ht = 0;
    return IsWindowVisible(H) && X11ReadBack(WinCurrentScreen(), H, Pixels, W, Ht);
}

// The program started on a fresh Xvfb in a fresh folder; skips when Xvfb or
// xdotool is missing. PrepareAppFolder runs before the start.
class TProgramOnX11 : public ::testing::Test {
protected:
    explicit TProgramOnX11(const char* TempPrefix) : Tmp(TempPrefix) {}
    void SetUp() override {
        std::string Why;
        Xdotool = FindProgram("xdotool");
        if (Xdotool.empty()) GTEST_SKIP() << "xdotool is not installed";
        if (!Xvfb.Start(Why)) GTEST_SKIP() << Why;
        Root = Tmp.Slashed();
        AppFolder = Root + "app/";
        ForceDirectories(AppFolder + "langs");
        PrepareAppFolder();
        setenv("XDG_DATA_HOME", (Root + "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Root + "config").c_str(), 1);
        setenv("TESSARO_SCREEN", "x11", 1);
        Started = ProgramStartup(AppFolder);
        ScreenOpened = true;
        ASSERT_TRUE(Started);
        ASSERT_STREQ(WinCurrentScreen()->Name(), "x11");
    }
    void TearDown() override {
        if (Started) ProgramShutdown();
        TThread::WaitForAllEnded(5000);
        // The screen lets go of the X server before the server goes.
        if (ScreenOpened) WinShutdown();
        Xvfb.Stop();
    }
    virtual void PrepareAppFolder() {}
    // Shows the main window; true once the server shows it and Also holds.
    bool ShowMainWindow(const std::function<bool()>& Also, int Ms = 20000) {
        frmMain->Show();
        return PumpUntil([&] { return OnScreen(frmMain->Handle()) && Also(); }, Ms);
    }
    // The X pointer to a point of the screen, then a left click there.
    bool ClickAt(POINT P) {
        return Run({"mousemove", "--sync", std::to_string(P.x), std::to_string(P.y)}) == 0 && Run({"click", "1"}) == 0;
    }
    bool ClickOn(TControl* C) { return ClickAt(C->ClientToScreen(POINT{C->Width() / 2, C->Height() / 2})); }
    int Run(const std::vector<std::string>& Args) { return RunXdotool(Xdotool, Args); }

    TXvfb Xvfb;
    TTempFolder Tmp;
    std::string Xdotool, Root, AppFolder;
    bool Started = false, ScreenOpened = false;
};

}  // namespace xvfbtest
