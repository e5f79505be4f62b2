// The program as the user starts it: on an X server (Xvfb) the main window
// appears, is found by its title with xdotool, and its picture is kept beside
// the test as xvfb_main_window.png.
#include <gtest/gtest.h>

#include "platform/xvfb_server.h"
#include "temp_folder.h"

#include <filesystem>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

bool OnPath(const std::string& Program) {
    return std::system(("command -v " + Program + " >/dev/null 2>&1").c_str()) == 0;
}

pid_t Spawn(const std::vector<std::string>& Args, const std::vector<std::string>& Env) {
    std::vector<char*> Argv;
    for (const std::string& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
    Argv.push_back(nullptr);
    std::vector<char*> Envp;
    for (const std::string& E : Env) Envp.push_back(const_cast<char*>(E.c_str()));
    Envp.push_back(nullptr);
    pid_t Pid = -1;
    if (posix_spawnp(&Pid, Argv[0], nullptr, nullptr, Argv.data(), Envp.data()) != 0) return -1;
    return Pid;
}

// Ends a child, waiting at most two seconds before killing it.
void Stop(pid_t Pid) {
    if (Pid <= 0) return;
    kill(Pid, SIGTERM);
    for (int I = 0; I < 40; ++I) {
        if (waitpid(Pid, nullptr, WNOHANG) == Pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(Pid, SIGKILL);
    waitpid(Pid, nullptr, 0);
}

TEST(XvfbStart, TheMainWindowAppearsWithItsTitle) {
    if (!OnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    if (!OnPath("xdotool")) GTEST_SKIP() << "xdotool is not installed";
    const TTempFolder Scratch("tessaro_xvfb");
    const std::string Root = Scratch.Path();
    // A copy of the program folder, so the run writes its INI files there.
    ASSERT_EQ(std::system(("cp -r '" TESSARO_APP_DIR "' '" + Root + "/app'").c_str()), 0);
    // The server picks a free display and says which once it accepts clients.
    xvfbtest::TXvfb Server;
    std::string Why;
    ASSERT_TRUE(Server.Start(Why)) << Why;
    const std::string Display = std::getenv("DISPLAY");
    std::vector<std::string> Env = {"DISPLAY=" + Display, "HOME=" + Root, "XDG_DATA_HOME=" + Root + "/data",
                                    "XDG_CONFIG_HOME=" + Root + "/config", "PATH=/usr/bin:/bin"};
    for (char** E = environ; *E; ++E) {
        const std::string V = *E;
        if (V.rfind("ASAN_OPTIONS=", 0) == 0 || V.rfind("UBSAN_OPTIONS=", 0) == 0) Env.push_back(V);
    }
    pid_t App = Spawn({Root + "/app/tessaro"}, Env);
    ASSERT_GT(App, 0);
    // Waits on what can be seen: the window mapped under its title, then a
    // screenshot of it that shows more than a blank (the first paint done).
    // The deadline only bounds a failure; a busy machine just takes longer.
    std::string Window, Shot = xvfbtest::CommandOutput("pwd") + "/xvfb_main_window.png";
    const bool CanShoot = OnPath("import") && OnPath("convert");
    bool Painted = false;
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (std::chrono::steady_clock::now() < Deadline && !Painted) {
        if (Window.empty())
            Window = xvfbtest::CommandOutput("DISPLAY=" + Display + " xdotool search --onlyvisible --name '^Tessaro$' 2>/dev/null | head -n 1");
        if (!Window.empty()) {
            if (!CanShoot) break;
            std::remove(Shot.c_str());
            const std::string Cmd = "DISPLAY=" + Display + " import -window " + Window + " '" + Shot + "' 2>/dev/null";
            if (std::system(Cmd.c_str()) == 0 && access(Shot.c_str(), R_OK) == 0) {
                const std::string Colours = xvfbtest::CommandOutput("convert '" + Shot + "' -format %k info: 2>/dev/null");
                Painted = std::atoi(Colours.c_str()) > 8;
            }
        }
        if (!Painted) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const std::string Geometry =
        Window.empty() ? "" : xvfbtest::CommandOutput("DISPLAY=" + Display + " xdotool getwindowgeometry " + Window + " 2>/dev/null");
    Stop(App);
    Server.Stop();
    ASSERT_FALSE(Window.empty()) << "no window titled Tessaro was mapped";
    // The window is at least the designed client area (742 x 520) plus its frame.
    int W = 0, H = 0;
    const auto At = Geometry.find("Geometry: ");
    ASSERT_NE(At, std::string::npos) << Geometry;
    ASSERT_EQ(std::sscanf(Geometry.c_str() + At + 10, "%dx%d", &W, &H), 2) << Geometry;
    EXPECT_GE(W, 742);
    EXPECT_GE(H, 520);
    if (CanShoot) {
        EXPECT_TRUE(Painted) << "the window was mapped but never showed its painted picture: " << Shot;
    }
}

}  // namespace
