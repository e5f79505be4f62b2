// The process snapshot: what it lists, killing leftovers by program name or path
// as the pipeline does, and termination of a whole batch pipeline.
#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>
#include <thread>

#include "platform/system/process.h"
#include "platform/system/toolhelp.h"
#include "sys_test_util.h"

using namespace systest;

namespace {

const std::string kTool = SYS_TESTTOOL;

struct TFound {
    DWORD Pid;
    DWORD Parent;
    DWORD Uid;
    std::string File;
    std::string Path;
};

std::vector<TFound> Snapshot() {
    std::vector<TFound> out;
    HANDLE s = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (s == INVALID_HANDLE_VALUE) return out;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(s, &pe); ok; ok = Process32Next(s, &pe)) {
        TFound f{pe.th32ProcessID, pe.th32ParentProcessID, pe.th32OwnerUid, pe.szExeFile, ""};
        HANDLE m = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pe.th32ProcessID);
        if (m != INVALID_HANDLE_VALUE) {
            MODULEENTRY32 me{};
            me.dwSize = sizeof me;
            if (Module32First(m, &me)) f.Path = me.szExePath;
            CloseHandle(m);
        }
        out.push_back(f);
    }
    CloseHandle(s);
    return out;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// What the pipeline does with leftover tools, limited to our own processes.
int KillByName(const std::string& name) {
    int killed = 0;
    for (const auto& f : Snapshot()) {
        if (f.Uid != ::getuid()) continue;
        if (!SameText(f.File, name) && !SameText(f.Path, name)) continue;
        HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, f.Pid);
        if (!h) continue;
        if (TerminateProcess(h, 0)) ++killed;
        CloseHandle(h);
    }
    return killed;
}

size_t CountNamed(const std::string& name) {
    size_t n = 0;
    for (const auto& f : Snapshot())
        if (f.File == name) ++n;
    return n;
}

// Polls (bounded) until the count of processes with that name is what we want.
bool WaitForCount(const std::string& name, size_t want, int seconds = 10) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (CountNamed(name) == want) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return CountNamed(name) == want;
}

// A copy of the test tool under its own name, so the snapshot can tell it apart.
std::string CopyTool(const TTempDir& tmp, const std::string& name) {
    std::string dst = tmp.Path + name;
    WriteText(dst, ReadText(kTool));
    ::chmod(dst.c_str(), 0755);
    return dst;
}

TEST(Snapshot, ListsThisProcessWithNamePathParentAndOwner) {
    char self[4096];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    std::string path(self, static_cast<size_t>(n));
    bool found = false;
    for (const auto& f : Snapshot()) {
        if (f.Pid != GetCurrentProcessId()) continue;
        found = true;
        EXPECT_EQ(f.File, path.substr(path.rfind('/') + 1));
        EXPECT_EQ(f.Path, path);
        EXPECT_EQ(f.Parent, static_cast<DWORD>(::getppid()));
        EXPECT_EQ(f.Uid, static_cast<DWORD>(::getuid()));
    }
    EXPECT_TRUE(found);
}

TEST(Snapshot, RefusesWrongSizesAndEnds) {
    HANDLE s = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(s, INVALID_HANDLE_VALUE);
    PROCESSENTRY32 pe{};
    pe.dwSize = 8;
    EXPECT_FALSE(Process32First(s, &pe));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_LENGTH));
    pe.dwSize = sizeof pe;
    ASSERT_TRUE(Process32First(s, &pe));
    while (Process32Next(s, &pe)) {
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    CloseHandle(s);
    EXPECT_FALSE(Process32First(s, &pe));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(KillProcessesByName, FindsARunningToolByNameAndByFullPath) {
    TTempDir tmp;
    struct TCase {
        bool ByPath;
        bool Upper;
    };
    const TCase cases[] = {{false, false}, {true, false}, {false, true}};
    int i = 0;
    for (const auto& c : cases) {
        std::string name = "sys-kill-" + std::to_string(::getpid()) + "-" + std::to_string(i++) + ".dll";
        std::string path = CopyTool(tmp, name);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string cmd = Quote(path) + " sleep 30";
        ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        ASSERT_TRUE(WaitForCount(name, 1));
        std::string key = c.ByPath ? path : name;
        if (c.Upper)
            for (auto& ch : key) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        EXPECT_EQ(KillByName(key), 1) << key;
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(pi.hProcess, &code);
        EXPECT_NE(code, STILL_ACTIVE);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        EXPECT_TRUE(WaitForCount(name, 0));
    }
    EXPECT_EQ(KillByName("sys-no-such-tool.dll"), 0);
}

TEST(OpenProcess, WaitsForAndEndsAProcessNotStartedByIt) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = Quote(kTool) + " sleep 30";
    ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pi.dwProcessId);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(WaitForSingleObject(h, 20), WAIT_TIMEOUT);
    EXPECT_TRUE(TerminateProcess(h, 0));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(h, 10000), WAIT_OBJECT_0);
    CloseHandle(h);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(OpenProcess(PROCESS_TERMINATE, FALSE, 0x7FFFFFF0u), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(TerminateProcess, EndsEveryProcessOfABatchPipeline) {
    TTempDir tmp;
    const std::string a = "sys-pipe-a-" + std::to_string(::getpid());
    const std::string b = "sys-pipe-b-" + std::to_string(::getpid());
    std::string pa = CopyTool(tmp, a), pb = CopyTool(tmp, b);
    // The first command starts a grandchild of its own; the second waits on the pipe.
    WriteText(tmp.Path + "menu.bat", "@echo off\r\n" + Quote(pa) + " spawnsleep 30 | " + Quote(pb) + " cat\r\n");
    auto runInBackground = [&](PROCESS_INFORMATION& pi) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string cmd = Quote(tmp.Path + "menu.bat");
        return CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, IDLE_PRIORITY_CLASS, nullptr, nullptr,
                              &si, &pi);
    };
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(runInBackground(pi));
    ASSERT_TRUE(WaitForCount(a, 2)) << "the pipeline did not start";
    ASSERT_TRUE(WaitForCount(b, 1));
    // The runner sees one process: the command processor.
    bool sawProcessor = false;
    for (const auto& f : Snapshot())
        if (f.Pid == pi.dwProcessId) sawProcessor = f.File == "tessaro-cmd";
    EXPECT_TRUE(sawProcessor);
    EXPECT_TRUE(TerminateProcess(pi.hProcess, 0));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(WaitForCount(a, 0)) << "an orphan of the pipeline stayed";
    EXPECT_TRUE(WaitForCount(b, 0)) << "an orphan of the pipeline stayed";
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

}  // namespace
