// Helpers of the process tests: a temporary folder, small files, and a run of a
// command line the way the child-process runner does it (pipes, peeks, 100 ms waits).
#pragma once

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/system/process.h"
#include "temp_folder.h"

namespace systest {

struct TTempDir {
    TTempFolder Folder{"tessaro-sys"};
    std::string Path = Folder.Slashed();
};

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

inline bool IsFolder(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

struct TRunResult {
    bool Started = false;
    DWORD Error = 0;
    std::string Out, Err;
    std::string Both;  // stdout and stderr in the order they were read
    DWORD ExitCode = 0;
    bool TimedOut = false;
};

// As the runner: three inheritable pipes, the child's ends replaced by inheritable
// duplicates, STARTF_USESTDHANDLES, then peek both pipes and wait 100 ms on the
// process while idle; drain after the end. Bounded by TimeoutSeconds.
inline TRunResult RunLikeRunner(const std::string& commandLine, DWORD flags = 0, const char* dir = nullptr,
                                LPVOID env = nullptr, int timeoutSeconds = 30) {
    TRunResult r;
    SECURITY_ATTRIBUTES sa{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE inR, inW, outR, outW, errR, errW, tmp;
    CreatePipe(&inR, &inW, &sa, 0);
    DuplicateHandle(GetCurrentProcess(), inR, GetCurrentProcess(), &tmp, 0, TRUE,
                    DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS);
    inR = tmp;
    CreatePipe(&outR, &outW, &sa, 0);
    DuplicateHandle(GetCurrentProcess(), outW, GetCurrentProcess(), &tmp, 0, TRUE,
                    DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS);
    outW = tmp;
    CreatePipe(&errR, &errW, &sa, 0);
    DuplicateHandle(GetCurrentProcess(), errW, GetCurrentProcess(), &tmp, 0, TRUE,
                    DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS);
    errW = tmp;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.wShowWindow = 0;
    si.hStdInput = inR;
    si.hStdOutput = outW;
    si.hStdError = errW;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    PROCESS_INFORMATION pi{};
    std::string cmd = commandLine;
    r.Started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, flags | CREATE_DEFAULT_ERROR_MODE, env,
                               dir, &si, &pi) != FALSE;
    r.Error = GetLastError();
    if (r.Started) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
        auto pass = [&]() {
            bool idle = true;
            HANDLE pipes[2] = {outR, errR};
            for (int k = 0; k < 2; ++k) {
                DWORD avail = 0;
                if (PeekNamedPipe(pipes[k], nullptr, 0, nullptr, &avail, nullptr) && avail > 0) {
                    std::string buf(avail, '\0');
                    DWORD got = 0;
                    ReadFile(pipes[k], buf.data(), avail, &got, nullptr);
                    buf.resize(got);
                    (k == 0 ? r.Out : r.Err) += buf;
                    r.Both += buf;
                    idle = false;
                }
            }
            return idle;
        };
        for (;;) {
            if (std::chrono::steady_clock::now() > deadline) {
                r.TimedOut = true;
                TerminateProcess(pi.hProcess, 0);
                WaitForSingleObject(pi.hProcess, 5000);
                break;
            }
            if (pass() && WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) {
                while (!pass()) {
                }
                break;
            }
        }
        GetExitCodeProcess(pi.hProcess, &r.ExitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    for (HANDLE h : {inR, inW, outR, outW, errR, errW}) CloseHandle(h);
    return r;
}

// Restores the named environment variables when it goes.
struct TEnvGuard {
    explicit TEnvGuard(std::vector<std::string> names) {
        for (auto& n : names) {
            const char* v = std::getenv(n.c_str());
            Saved.push_back({n, v ? std::string(v) : std::string(), v != nullptr});
        }
    }
    ~TEnvGuard() {
        for (auto& s : Saved) {
            if (s.Had)
                ::setenv(s.Name.c_str(), s.Value.c_str(), 1);
            else
                ::unsetenv(s.Name.c_str());
        }
    }
    struct TSaved {
        std::string Name, Value;
        bool Had;
    };
    std::vector<TSaved> Saved;
};

// Waits (bounded) until a file holds something.
inline std::string WaitForText(const std::string& path, int seconds = 10) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string t = ReadText(path);
        if (!t.empty()) return t;
        ::usleep(10000);
    }
    return ReadText(path);
}

// A folder holding only a stand-in "xdg-open" (the test tool under that name).
inline void MakeFakeOpener(const std::string& dir, const std::string& tool) {
    WriteText(dir + "xdg-open", ReadText(tool));
    ::chmod((dir + "xdg-open").c_str(), 0755);
}

inline std::string Quote(const std::string& s) { return "\"" + s + "\""; }

}  // namespace systest
