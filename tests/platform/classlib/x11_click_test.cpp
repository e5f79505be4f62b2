// Under a real X server: a form shown through the x11 screen gets a click of
// the X pointer (xdotool) on its button and handles it. Starts its own Xvfb
// when no display is set; skips when Xvfb or xdotool is missing.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/classlib/stdctrls.h"
#include "platform/classlib/threads.h"
#include "platform/win/winscreen.h"

extern char** environ;

namespace {

std::string FindProgram(const std::string& Name) {
    const char* Path = std::getenv("PATH");
    std::string Dirs = Path ? Path : "/usr/bin:/bin";
    for (size_t S = 0; S <= Dirs.size();) {
        size_t E = Dirs.find(':', S);
        if (E == std::string::npos) E = Dirs.size();
        std::string Cand = Dirs.substr(S, E - S) + "/" + Name;
        if (access(Cand.c_str(), X_OK) == 0) return Cand;
        S = E + 1;
    }
    return "";
}

// An Xvfb of our own, on the display number it picks.
class TXvfb {
public:
    bool Start(std::string& Why, const std::string& Size = "1280x1024x24") {
        std::string Bin = FindProgram("Xvfb");
        if (Bin.empty()) {
            Why = "Xvfb is not installed and DISPLAY is not set";
            return false;
        }
        int Fds[2];
        if (pipe(Fds) != 0) return Why = "no pipe", false;
        Pid = fork();
        if (Pid == 0) {
            close(Fds[0]);
            std::string Fd = std::to_string(Fds[1]);
            execl(Bin.c_str(), "Xvfb", "-displayfd", Fd.c_str(), "-screen", "0", Size.c_str(), "-nolisten", "tcp",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(Fds[1]);
        std::string Number;
        pollfd P{Fds[0], POLLIN, 0};
        while (poll(&P, 1, 10000) > 0) {
            char C;
            if (read(Fds[0], &C, 1) != 1 || C == '\n') break;
            Number.push_back(C);
        }
        close(Fds[0]);
        if (Number.empty()) {
            Why = "Xvfb did not start";
            Stop();
            return false;
        }
        setenv("DISPLAY", (":" + Number).c_str(), 1);
        return true;
    }
    void Stop() {
        if (Pid > 0) {
            kill(Pid, SIGTERM);
            waitpid(Pid, nullptr, 0);
            Pid = -1;
        }
    }
    ~TXvfb() { Stop(); }

private:
    pid_t Pid = -1;
};

// Runs xdotool with the arguments, without a shell; its exit status.
int RunXdotool(const std::string& Bin, const std::vector<std::string>& Args) {
    std::vector<char*> Argv;
    std::string Name = "xdotool";
    Argv.push_back(Name.data());
    std::vector<std::string> Copy = Args;
    for (auto& A : Copy) Argv.push_back(A.data());
    Argv.push_back(nullptr);
    pid_t Pid = 0;
    if (posix_spawn(&Pid, Bin.c_str(), nullptr, nullptr, Argv.data(), environ) != 0) return -1;
    int Status = 0;
    waitpid(Pid, &Status, 0);
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

TEST(X11Click, AButtonOfAFormHandlesARealPointerClick) {
    std::string Xdotool = FindProgram("xdotool");
    if (Xdotool.empty()) GTEST_SKIP() << "xdotool is not installed";
    TXvfb Xvfb;
    const char* Display = std::getenv("DISPLAY");
    if (!Display || !*Display) {
        std::string Why;
        if (!Xvfb.Start(Why)) GTEST_SKIP() << "x11 test skipped: " << Why;
    }
    setenv("TESSARO_SCREEN", "x11", 1);
    WinStartup();
    if (std::string(WinCurrentScreen()->Name()) != "x11") {
        WinShutdown();
        GTEST_SKIP() << "the X display " << std::getenv("DISPLAY") << " could not be opened";
    }
    FormsStartup();
    {
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
        auto End = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (Clicks == 0 && std::chrono::steady_clock::now() < End) {
            Application->ProcessMessages();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        EXPECT_EQ(Clicks, 1);
        F->Free();
    }
    FormsShutdown();
    WinShutdown();
}

// The X server's focus going to the disabled owner of a modal dialog (as it
// does, late, after another window went) neither activates the owner nor
// raises it above the dialog.
TEST(X11Screen, FocusOnADisabledOwnerLeavesTheDialogOnTop) {
    std::string Xdotool = FindProgram("xdotool");
    if (Xdotool.empty()) GTEST_SKIP() << "xdotool is not installed";
    const char* Old = std::getenv("DISPLAY");
    const std::string SavedDisplay = Old ? Old : "";
    TXvfb Xvfb;
    std::string Why;
    if (!Xvfb.Start(Why)) GTEST_SKIP() << "x11 test skipped: " << Why;
    setenv("TESSARO_SCREEN", "x11", 1);
    WinStartup();
    if (std::string(WinCurrentScreen()->Name()) != "x11") {
        WinShutdown();
        GTEST_SKIP() << "the X display could not be opened";
    }
    FormsStartup();
    {
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
        auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (std::chrono::steady_clock::now() < End) {
            Application->ProcessMessages();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        EXPECT_EQ(GetActiveWindow(), Dialog->Handle());
        HWND Top = nullptr;
        for (HWND W = GetWindow(GetDesktopWindow(), GW_CHILD); W && !Top; W = GetWindow(W, GW_HWNDNEXT))
            if (IsWindowVisible(W)) Top = W;
        EXPECT_EQ(Top, Dialog->Handle());
        EnableWindow(Owner->Handle(), TRUE);
        Owner->Free();
    }
    FormsShutdown();
    WinShutdown();
    if (SavedDisplay.empty())
        unsetenv("DISPLAY");
    else
        setenv("DISPLAY", SavedDisplay.c_str(), 1);
}

// On a display smaller than the platform's default desktop, a centred form
// sits in the middle of the real display, and one too large for it keeps its
// caption on the screen.
TEST(X11Screen, FormsCentreOnTheRealDisplay) {
    const char* Old = std::getenv("DISPLAY");
    const std::string SavedDisplay = Old ? Old : "";
    TXvfb Xvfb;
    std::string Why;
    if (!Xvfb.Start(Why, "1024x768x24")) GTEST_SKIP() << "x11 test skipped: " << Why;
    setenv("TESSARO_SCREEN", "x11", 1);
    WinStartup();
    if (std::string(WinCurrentScreen()->Name()) != "x11") {
        WinShutdown();
        GTEST_SKIP() << "the X display could not be opened";
    }
    FormsStartup();
    {
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
    FormsShutdown();
    WinShutdown();
    if (SavedDisplay.empty())
        unsetenv("DISPLAY");
    else
        setenv("DISPLAY", SavedDisplay.c_str(), 1);
}

}  // namespace
