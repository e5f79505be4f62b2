// Processes and pipes: command-line splitting, runs with redirected pipes, exit
// codes, termination, priorities, working folder, environment, pipe semantics.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "platform/system/process.h"
#include "sys_test_util.h"

using namespace systest;

namespace {

const std::string kTool = SYS_TESTTOOL;

struct TSplitCase {
    const char* Line;
    std::vector<std::string> Args;
};

TEST(CommandLineToArgs, FollowsTheQuotingRules) {
    const TSplitCase cases[] = {
        {"prog a b", {"prog", "a", "b"}},
        {"  prog \t a   b  ", {"prog", "a", "b"}},
        {"\"/opt/my tools/x.dll\" \"a b\" c", {"/opt/my tools/x.dll", "a b", "c"}},
        {"p \"a\\\"b\"", {"p", "a\"b"}},          // \" inside quotes is a literal quote
        {"p a\\\\\\\"b", {"p", "a\\\"b"}},        // 3 backslashes + quote: 1 backslash, literal quote
        {"p \"a\\\\\" b", {"p", "a\\", "b"}},     // 2 backslashes + quote: 1 backslash, quote closes
        {"p a\\\\b c\\", {"p", "a\\\\b", "c\\"}},  // backslashes not before a quote stay
        {"p \"\"", {"p", ""}},
        {"p \"a\"\"b\"", {"p", "a\"b"}},          // doubled quote inside quotes
        {"p a\"b c\"d", {"p", "ab cd"}},
        {"\"pro g\"x y", {"pro g", "x", "y"}},    // the program ends at its closing quote
        {"p \"unclosed arg", {"p", "unclosed arg"}},
        {"", {}},
        {"   ", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(CommandLineToArgs(c.Line), c.Args) << c.Line;
}

TEST(CommandLineToArgs, QuotingGivesEveryArgumentBack) {
    const std::vector<std::string> args = {"",        "plain", "a b",           "a\"b",         "a\\",
                                           "a\\\"",   "a\\\\ b\\", "$(touch pwned)", "ünï cödé", "100% \"!\"",
                                           "tab\there"};
    std::string line = "prog";
    for (const auto& a : args) line += " " + QuoteCommandLineArg(a);
    std::vector<std::string> expected = {"prog"};
    expected.insert(expected.end(), args.begin(), args.end());
    EXPECT_EQ(CommandLineToArgs(line), expected) << line;
}

TEST(CreateProcess, RunsWithRedirectedPipesAndGivesTheExitCode) {
    struct TCase {
        std::string Args;
        std::string Out, Err;
        DWORD Code;
    };
    const TCase cases[] = {
        {"args one \"two words\"", "[one]\n[two words]\n", "", 0},
        {"err \"to stderr\"", "", "to stderr\n", 0},
        {"exit 3", "", "", 3},
        {"exit 255", "", "", 255},
    };
    for (const auto& c : cases) {
        auto r = RunLikeRunner(Quote(kTool) + " " + c.Args);
        ASSERT_TRUE(r.Started) << r.Error;
        EXPECT_FALSE(r.TimedOut);
        EXPECT_EQ(r.Out, c.Out) << c.Args;
        EXPECT_EQ(r.Err, c.Err) << c.Args;
        EXPECT_EQ(r.ExitCode, c.Code) << c.Args;
    }
}

TEST(CreateProcess, ReportsWhyAProgramCannotStart) {
    TTempDir tmp;
    struct TCase {
        std::string Line;
        const char* Dir;
        DWORD Error;
    };
    const TCase cases[] = {
        {Quote(tmp.Path + "missing.dll") + " x", nullptr, ERROR_FILE_NOT_FOUND},
        {"no-such-program-anywhere x", nullptr, ERROR_FILE_NOT_FOUND},
        {Quote(tmp.Path) + " x", nullptr, ERROR_ACCESS_DENIED},
        {Quote(kTool) + " args", "/no/such/folder", ERROR_DIRECTORY},
    };
    for (const auto& c : cases) {
        auto r = RunLikeRunner(c.Line, 0, c.Dir);
        EXPECT_FALSE(r.Started) << c.Line;
        EXPECT_EQ(r.Error, c.Error) << c.Line;
    }
}

TEST(CreateProcess, UsesTheWorkingFolderAndTheEnvironmentBlock) {
    TTempDir tmp;
    auto r = RunLikeRunner(Quote(kTool) + " cwd", 0, tmp.Path.c_str());
    ASSERT_TRUE(r.Started);
    char real[4096];
    ASSERT_NE(::realpath(tmp.Path.c_str(), real), nullptr);
    EXPECT_EQ(r.Out, std::string(real) + "\n");

    const char block[] = "SYS_TEST_VALUE=a b $x\0OTHER=1\0";
    r = RunLikeRunner(Quote(kTool) + " env SYS_TEST_VALUE", 0, nullptr, const_cast<char*>(block));
    EXPECT_EQ(r.Out, "a b $x\n");
    r = RunLikeRunner(Quote(kTool) + " env PATH", 0, nullptr, const_cast<char*>(block));
    EXPECT_EQ(r.Out, "(unset)\n");  // the block replaces the environment

    const char16_t wblock[] = u"SYS_TEST_VALUE=wïde\0";
    r = RunLikeRunner(Quote(kTool) + " env SYS_TEST_VALUE", CREATE_UNICODE_ENVIRONMENT, nullptr,
                      const_cast<char16_t*>(wblock));
    EXPECT_EQ(r.Out, "wïde\n");
}

TEST(CreateProcess, PriorityClassesBecomeNiceValues) {
    errno = 0;
    int own = ::getpriority(PRIO_PROCESS, 0);
    struct TCase {
        DWORD Class;
        int Nice;
    };
    const TCase cases[] = {{IDLE_PRIORITY_CLASS, 19}, {BELOW_NORMAL_PRIORITY_CLASS, 10}};
    for (const auto& c : cases) {
        if (c.Nice < own) continue;
        auto r = RunLikeRunner(Quote(kTool) + " nice", c.Class);
        ASSERT_TRUE(r.Started);
        EXPECT_EQ(r.Out, std::to_string(c.Nice) + "\n") << c.Class;
    }
    // Raising priority needs privileges: the child gets it, or keeps our value.
    auto r = RunLikeRunner(Quote(kTool) + " nice", HIGH_PRIORITY_CLASS);
    int got = std::atoi(r.Out.c_str());
    EXPECT_TRUE(got == -10 || got == own) << got;
    // No class: the caller's value.
    r = RunLikeRunner(Quote(kTool) + " nice");
    EXPECT_EQ(std::atoi(r.Out.c_str()), own);
    // Our own priority never changes by starting children.
    EXPECT_EQ(::getpriority(PRIO_PROCESS, 0), own);
}

TEST(CreateProcess, WideCallsTakeUtf16) {
    std::string narrow = Quote(kTool) + " args \"Grüße 𝄞\"";
    // Build the UTF-16 text by hand from the UTF-8 one, as the Unicode layer would.
    std::u16string wide;
    for (size_t i = 0; i < narrow.size();) {
        unsigned char b = static_cast<unsigned char>(narrow[i]);
        uint32_t cp;
        int len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 4;
        cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        for (int k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(narrow[i + k]) & 0x3F);
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            wide += static_cast<char16_t>(0xD800 + (cp >> 10));
            wide += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            wide += static_cast<char16_t>(cp);
        }
    }
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE r, w;
    ASSERT_TRUE(CreatePipe(&r, &w, &sa, 0));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = w;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, wide.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(w);
    std::string got;
    char buf[256];
    DWORD n = 0;
    while (ReadFile(r, buf, sizeof buf, &n, nullptr) && n) got.append(buf, n);
    EXPECT_EQ(got, "[Grüße 𝄞]\n");
    CloseHandle(r);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

TEST(TerminateProcess, EndsTheChildWithTheGivenCode) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = Quote(kTool) + " sleep 30";
    ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 50), WAIT_TIMEOUT);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(GetProcessId(pi.hProcess), pi.dwProcessId);
    EXPECT_TRUE(TerminateProcess(pi.hProcess, 42));
    EXPECT_EQ(WaitForSingleObject(pi.hThread, 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 42u);
    // An ended process cannot be terminated again.
    EXPECT_FALSE(TerminateProcess(pi.hProcess, 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_TRUE(CloseHandle(pi.hThread));
}

TEST(Handles, StaleAndForeignHandlesAreRefused) {
    HANDLE r, w;
    ASSERT_TRUE(CreatePipe(&r, &w, nullptr, 0));
    EXPECT_TRUE(CloseHandle(r));
    EXPECT_FALSE(CloseHandle(r));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    DWORD n = 0;
    EXPECT_FALSE(ReadFile(r, &n, 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(0x1234), 0), WAIT_FAILED);
    DWORD code;
    EXPECT_FALSE(GetExitCodeProcess(w, &code));  // a pipe is not a process
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(TerminateProcess(nullptr, 0));
    EXPECT_TRUE(CloseHandle(w));
}

TEST(Pipes, PeekReadWriteAndBrokenEnds) {
    HANDLE r, w;
    ASSERT_TRUE(CreatePipe(&r, &w, nullptr, 0));
    DWORD avail = 99, done = 0;
    ASSERT_TRUE(PeekNamedPipe(r, nullptr, 0, nullptr, &avail, nullptr));
    EXPECT_EQ(avail, 0u);
    ASSERT_TRUE(WriteFile(w, "hello", 5, &done, nullptr));
    EXPECT_EQ(done, 5u);
    // A peek with a buffer copies without consuming.
    char buf[16] = {};
    DWORD peeked = 0;
    ASSERT_TRUE(PeekNamedPipe(r, buf, 3, &peeked, &avail, nullptr));
    EXPECT_EQ(peeked, 3u);
    EXPECT_EQ(std::string(buf, 3), "hel");
    EXPECT_EQ(avail, 5u);
    ASSERT_TRUE(ReadFile(r, buf, sizeof buf, &done, nullptr));
    std::string got(buf, done);
    if (done < 5) {
        ASSERT_TRUE(ReadFile(r, buf, sizeof buf, &done, nullptr));
        got.append(buf, done);
    }
    EXPECT_EQ(got, "hello");
    // Writers gone: peek and read report a broken pipe.
    CloseHandle(w);
    EXPECT_FALSE(PeekNamedPipe(r, nullptr, 0, nullptr, &avail, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
    EXPECT_FALSE(ReadFile(r, buf, 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
    CloseHandle(r);
    // Reader gone: the write fails instead of killing us.
    ASSERT_TRUE(CreatePipe(&r, &w, nullptr, 0));
    CloseHandle(r);
    EXPECT_FALSE(WriteFile(w, "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_DATA));
    CloseHandle(w);
}

TEST(Pipes, InheritFlagFollowsAttributesAndDuplicates) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE r, w, d;
    ASSERT_TRUE(CreatePipe(&r, &w, &sa, 0));
    DWORD flags = 0;
    ASSERT_TRUE(GetHandleInformation(r, &flags));
    EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    ASSERT_TRUE(SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0));
    ASSERT_TRUE(GetHandleInformation(r, &flags));
    EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), w, GetCurrentProcess(), &d, 0, FALSE,
                                DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS));
    EXPECT_FALSE(CloseHandle(w));  // closed by the duplication
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(d, "z", 1, &n, nullptr));
    char c = 0;
    ASSERT_TRUE(ReadFile(r, &c, 1, &n, nullptr));
    EXPECT_EQ(c, 'z');
    CloseHandle(d);
    CloseHandle(r);
}

TEST(Events, ManualAndAutoReset) {
    HANDLE manual = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE automatic = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    SetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    CloseHandle(manual);
    CloseHandle(automatic);
}

// The id is kept per thread; each thread, and a forked child, has its own.
TEST(Threads, EachThreadAndAForkedChildHaveTheirOwnId) {
    const DWORD Main = GetCurrentThreadId();
    EXPECT_EQ(Main, static_cast<DWORD>(::syscall(SYS_gettid)));
    EXPECT_EQ(GetCurrentThreadId(), Main);
    DWORD Other = 0, Kernel = 0;
    std::thread([&] {
        Other = GetCurrentThreadId();
        Kernel = static_cast<DWORD>(::syscall(SYS_gettid));
    }).join();
    EXPECT_EQ(Other, Kernel);
    EXPECT_NE(Other, Main);
    pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0)
        _exit(GetCurrentThreadId() == static_cast<DWORD>(::syscall(SYS_gettid)) && GetCurrentThreadId() != Main ? 0 : 1);
    int Status = 0;
    ASSERT_EQ(waitpid(Child, &Status, 0), Child);
    EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
    EXPECT_EQ(GetCurrentThreadId(), Main);
}

TEST(Errors, TextsAndFormatMessage) {
    EXPECT_EQ(SysErrorText(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified.");
    char buf[256];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED,
                             0, buf, sizeof buf, nullptr);
    EXPECT_EQ(std::string(buf, n), "Access is denied.\r\n");
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, buf, 4, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(Win32ErrorFromErrno(ENOENT), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
