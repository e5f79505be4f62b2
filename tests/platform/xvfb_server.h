// An Xvfb of a test's own, on the display number it picks itself; Start sets
// DISPLAY to it. For tests that need a real X server when none is given.
#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace xvfbtest {

// The program's path on PATH; empty when it is not there.
inline std::string FindProgram(const std::string& Name) {
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

// What a shell command prints on its standard output, without the last line end.
inline std::string CommandOutput(const std::string& Command) {
    std::string Out;
    if (FILE* P = popen(Command.c_str(), "r")) {
        char Buf[256];
        while (fgets(Buf, sizeof Buf, P)) Out += Buf;
        pclose(P);
    }
    while (!Out.empty() && (Out.back() == '\n' || Out.back() == '\r')) Out.pop_back();
    return Out;
}

// Runs xdotool (at Bin) with the arguments, without a shell; its exit status, or
// -1 when it could not run.
inline int RunXdotool(const std::string& Bin, const std::vector<std::string>& Args) {
    std::vector<std::string> Copy = Args;
    std::string Name = "xdotool";
    std::vector<char*> Argv{Name.data()};
    for (auto& A : Copy) Argv.push_back(A.data());
    Argv.push_back(nullptr);
    pid_t Pid = 0;
    if (posix_spawn(&Pid, Bin.c_str(), nullptr, nullptr, Argv.data(), environ) != 0) return -1;
    int Status = 0;
    waitpid(Pid, &Status, 0);
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

class TXvfb {
public:
    bool Start(std::string& Why, const std::string& Size = "1280x1024x24") {
        std::string Bin = FindProgram("Xvfb");
        if (Bin.empty()) {
            Why = "Xvfb is not installed and DISPLAY is not set";
            return false;
        }
        int Fds[2];
        if (pipe(Fds) != 0) {
            Why = "no pipe";
            return false;
        }
        const pid_t Parent = getpid();
        Pid = fork();
        if (Pid == 0) {
            // The server ends with the test, also when the test dies without
            // reaching Stop (an abort, a sanitizer report, a timeout's kill).
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != Parent) _exit(127);
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

}  // namespace xvfbtest
