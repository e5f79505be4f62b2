// Child processes, pipes, events and the handle table.
#include "platform/system/process.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <unordered_map>

#include "platform/system/toolhelp.h"
#include "platform/system/unicode_conv.h"

extern char** environ;

#ifndef TESSARO_CMD_FALLBACK
#define TESSARO_CMD_FALLBACK ""
#endif

DWORD TKernelObject::Wait(DWORD) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

namespace {

// ---- Handle table ------------------------------------------------------------
std::mutex gTableLock;
std::unordered_map<uintptr_t, std::shared_ptr<TKernelObject>> gTable;
uintptr_t gNextHandle = 0x10000;

HANDLE AddHandle(std::shared_ptr<TKernelObject> obj) {
    std::lock_guard<std::mutex> g(gTableLock);
    uintptr_t v = gNextHandle;
    gNextHandle += 4;  // never reused: a stale handle stays invalid
    gTable.emplace(v, std::move(obj));
    return reinterpret_cast<HANDLE>(v);
}

std::shared_ptr<TKernelObject> FindHandle(HANDLE h) {
    std::lock_guard<std::mutex> g(gTableLock);
    auto it = gTable.find(reinterpret_cast<uintptr_t>(h));
    if (it == gTable.end()) return nullptr;
    return it->second;
}

template <typename T>
std::shared_ptr<T> Find(HANDLE h) {
    auto obj = std::dynamic_pointer_cast<T>(FindHandle(h));
    if (!obj) SetLastError(ERROR_INVALID_HANDLE);
    return obj;
}

// Waits up to ms on a descriptor becoming readable; true when it did.
bool PollReadable(int fd, DWORD ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int timeout = -1;
        if (ms != INFINITE) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                            .count();
            timeout = left < 0 ? 0 : static_cast<int>(left);
        }
        pollfd p{fd, POLLIN, 0};
        int r = ::poll(&p, 1, timeout);
        if (r > 0) return true;
        if (r == 0) return false;
        if (errno != EINTR) return false;
    }
}

// ---- Descriptors (pipe ends, standard handles) -----------------------------------
struct TFdObject : TKernelObject {
    TFdObject(int f, bool owns, DWORD flags) : Fd(f), Owns(owns), Flags(flags) {
        struct stat st{};
        IsPipe = ::fstat(f, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
    }
    ~TFdObject() override {
        if (Owns && Fd >= 0) ::close(Fd);
    }
    DWORD Wait(DWORD ms) override { return PollReadable(Fd, ms) ? WAIT_OBJECT_0 : WAIT_TIMEOUT; }
    int Fd;
    bool Owns;
    bool IsPipe = false;
    std::mutex Lock;       // guards Peeked
    std::string Peeked;    // bytes taken out of the pipe by a peek with a buffer, read first
    std::atomic<DWORD> Flags;
};

// ---- Processes -----------------------------------------------------------------
int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd >= 0) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    return fd;
#else
    (void)pid;
    return -1;
#endif
}

void ReapLater(pid_t pid) {
    // A closed handle on a child that still runs: someone must collect its end.
    std::thread([pid] {
        int st;
        while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

struct TProcessObject : TKernelObject {
    ~TProcessObject() override {
        if (IsChild) {
            std::lock_guard<std::mutex> g(Lock);
            if (!Exited) {
                int st;
                pid_t r = ::waitpid(Pid, &st, WNOHANG);
                if (r == 0) ReapLater(Pid);
            }
        }
        if (PidFd >= 0) ::close(PidFd);
    }

    // Collects the end without blocking; true when the process has ended.
    bool Poll() {
        std::lock_guard<std::mutex> g(Lock);
        if (Exited) return true;
        if (IsChild) {
            int st = 0;
            pid_t r;
            do r = ::waitpid(Pid, &st, WNOHANG);
            while (r < 0 && errno == EINTR);
            if (r == Pid) {
                Exited = true;
                Status = st;
                HaveStatus = true;
            } else if (r < 0) {
                Exited = true;  // reaped elsewhere (SIGCHLD ignored): the code is lost
            }
        } else {
            bool gone;
            if (PidFd >= 0) {
                pollfd p{PidFd, POLLIN, 0};
                gone = ::poll(&p, 1, 0) > 0;
            } else {
                gone = ::kill(Pid, 0) < 0 && errno == ESRCH;
            }
            if (gone) Exited = true;
        }
        return Exited;
    }

    DWORD Wait(DWORD ms) override {
        if (Poll()) return WAIT_OBJECT_0;
        if (PidFd >= 0) {
            if (!PollReadable(PidFd, ms)) return Poll() ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
            // Readable: the process has ended; collect it (a child is a zombie by now).
            for (int i = 0; i < 1000 && !Poll(); ++i) ::usleep(1000);
            return Poll() ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
        }
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            if (Poll()) return WAIT_OBJECT_0;
            if (ms != INFINITE && std::chrono::steady_clock::now() >= deadline) return WAIT_TIMEOUT;
            ::usleep(2000);
        }
    }

    DWORD ExitCode() {
        if (!Poll()) return STILL_ACTIVE;
        std::lock_guard<std::mutex> g(Lock);
        if (HaveStatus) {
            if (WIFEXITED(Status)) return static_cast<DWORD>(WEXITSTATUS(Status));
            if (WIFSIGNALED(Status)) {
                if (Terminated && WTERMSIG(Status) == SIGKILL) return TerminateCode;
                return 128u + static_cast<DWORD>(WTERMSIG(Status));
            }
        }
        return Terminated ? TerminateCode : 0;
    }

    pid_t Pid = 0;
    int PidFd = -1;
    bool IsChild = false;      // started by us: we reap it and kill its group
    std::mutex Lock;
    bool Exited = false;
    bool HaveStatus = false;
    int Status = 0;
    bool Terminated = false;
    DWORD TerminateCode = 0;
};

// Stands for the child's main thread.
struct TThreadObject : TKernelObject {
    explicit TThreadObject(std::shared_ptr<TProcessObject> p) : Process(std::move(p)) {}
    DWORD Wait(DWORD ms) override { return Process->Wait(ms); }
    std::shared_ptr<TProcessObject> Process;
};

struct TEventObject : TKernelObject {
    DWORD Wait(DWORD ms) override {
        std::unique_lock<std::mutex> g(Lock);
        auto ready = [this] { return Signalled; };
        if (ms == INFINITE)
            Cond.wait(g, ready);
        else if (!Cond.wait_for(g, std::chrono::milliseconds(ms), ready))
            return WAIT_TIMEOUT;
        if (!Manual) Signalled = false;
        return WAIT_OBJECT_0;
    }
    std::mutex Lock;
    std::condition_variable Cond;
    bool Manual = false;
    bool Signalled = false;
};

HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

bool IsCurrentProcessHandle(HANDLE h) {
    if (h == kCurrentProcess) return true;
    auto p = std::dynamic_pointer_cast<TProcessObject>(FindHandle(h));
    return p && p->Pid == ::getpid();
}

std::atomic<UINT> gErrorMode{0};

// ---- Spawning ----------------------------------------------------------------
struct TSpawnRequest {
    std::string Program;                 // resolved file
    std::vector<std::string> Argv;
    std::vector<std::string> Env;        // empty with UseEnv false: inherit
    bool UseEnv = false;
    std::string Dir;
    bool UseStd = false;
    std::shared_ptr<TFdObject> Std[3];   // null: /dev/null
    bool SetNice = false;
    int Nice = 0;
};

int DoSpawn(const TSpawnRequest& r, pid_t& pid) {
    posix_spawn_file_actions_t fa;
    posix_spawnattr_t at;
    posix_spawn_file_actions_init(&fa);
    posix_spawnattr_init(&at);
    short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    posix_spawnattr_setflags(&at, flags);
    posix_spawnattr_setpgroup(&at, 0);
    sigset_t none, deflt;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&at, &none);
    sigemptyset(&deflt);
    for (int s : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGUSR1, SIGUSR2, SIGALRM, SIGTSTP, SIGTTIN,
                  SIGTTOU, SIGXFSZ})
        sigaddset(&deflt, s);
    posix_spawnattr_setsigdefault(&at, &deflt);

    if (r.UseStd) {
        for (int i = 0; i < 3; ++i) {
            if (r.Std[i])
                posix_spawn_file_actions_adddup2(&fa, r.Std[i]->Fd, i);
            else
                posix_spawn_file_actions_addopen(&fa, i, "/dev/null", i == 0 ? O_RDONLY : O_WRONLY, 0);
        }
    }
    if (!r.Dir.empty()) posix_spawn_file_actions_addchdir_np(&fa, r.Dir.c_str());

    std::vector<char*> argv;
    for (auto& a : r.Argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    if (r.UseEnv) {
        for (auto& e : r.Env) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
    }
    int rc;
    auto spawn = [&] {
        rc = ::posix_spawn(&pid, r.Program.c_str(), &fa, &at, argv.data(), r.UseEnv ? envp.data() : environ);
    };
    if (r.SetNice) {
        // Nice values belong to threads here: a short-lived thread takes the child's
        // value and spawns it, so the caller's own priority never changes.
        std::thread t([&] {
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), r.Nice);
            spawn();
        });
        t.join();
    } else {
        spawn();
    }
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&at);
    return rc;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string SelfFolder() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string p(buf, static_cast<size_t>(n));
    return p.substr(0, p.rfind('/') + 1);
}

std::string AbsolutePath(const std::string& p) {
    if (!p.empty() && p[0] == '/') return p;
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf)) return p;
    std::string cwd = buf;
    if (cwd.empty() || cwd.back() != '/') cwd += '/';
    return cwd + p;
}

std::vector<std::string> ParseEnvBlockA(const char* block) {
    std::vector<std::string> out;
    while (*block) {
        std::string e = block;
        block += e.size() + 1;
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<std::string> ParseEnvBlockW(const char16_t* block) {
    std::vector<std::string> out;
    while (*block) {
        std::u16string e;
        while (*block) e.push_back(*block++);
        ++block;
        out.push_back(sysconv::Utf16ToUtf8(e));
    }
    return out;
}

struct TStartup {
    DWORD Flags = 0;
    HANDLE In = nullptr, Out = nullptr, Err = nullptr;
};

BOOL CreateProcessCommon(const std::string& app, const std::string& cmdline, DWORD flags,
                         const std::vector<std::string>* env, const std::string& dir, const TStartup& si,
                         PROCESS_INFORMATION* pi) {
    if (!pi) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (flags & CREATE_SUSPENDED) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    TSpawnRequest r;
    std::vector<std::string> args = CommandLineToArgs(cmdline);
    std::string program = app;
    if (program.empty()) {
        if (args.empty()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        program = args[0];
    }
    if (args.empty()) args.push_back(program);

    std::string file;
    if (program.find('/') != std::string::npos) {
        file = program;
    } else {
        // The program's own folder first, as the old platform searched, then PATH.
        std::string beside = SelfFolder() + program;
        file = IsExecutableFile(beside) ? beside : FindProgramOnPath(program);
        if (file.empty() && IsBatchFileName(program) && ::access(program.c_str(), R_OK) == 0) file = program;
    }
    if (file.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    struct stat st{};
    if (::stat(file.c_str(), &st) != 0) {
        SetLastError(Win32ErrorFromErrno(errno) == ERROR_PATH_NOT_FOUND ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (!S_ISREG(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }

    if (IsBatchFileName(file)) {
        std::string cmd = CommandProcessorPath();
        if (cmd.empty()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
        r.Program = cmd;
        r.Argv = {cmd, AbsolutePath(file)};
        r.Argv.insert(r.Argv.end(), args.begin() + 1, args.end());
    } else {
        r.Program = file;
        r.Argv = args;
    }

    if (env) {
        r.UseEnv = true;
        r.Env = *env;
    }
    if (!dir.empty()) {
        struct stat ds{};
        if (::stat(dir.c_str(), &ds) != 0 || !S_ISDIR(ds.st_mode)) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
        r.Dir = dir;
    }
    if (si.Flags & STARTF_USESTDHANDLES) {
        r.UseStd = true;
        HANDLE hs[3] = {si.In, si.Out, si.Err};
        for (int i = 0; i < 3; ++i) {
            if (!hs[i] || hs[i] == INVALID_HANDLE_VALUE) continue;
            r.Std[i] = std::dynamic_pointer_cast<TFdObject>(FindHandle(hs[i]));
            if (!r.Std[i]) {
                SetLastError(ERROR_INVALID_HANDLE);
                return FALSE;
            }
        }
    }
    DWORD prio = flags & (IDLE_PRIORITY_CLASS | BELOW_NORMAL_PRIORITY_CLASS | NORMAL_PRIORITY_CLASS |
                          ABOVE_NORMAL_PRIORITY_CLASS | HIGH_PRIORITY_CLASS | REALTIME_PRIORITY_CLASS);
    if (prio) {
        errno = 0;
        int current = ::getpriority(PRIO_PROCESS, 0);
        int want = PriorityClassToNice(prio);
        if (want != current) {
            r.SetNice = true;
            r.Nice = want;
        }
    }

    pid_t pid = 0;
    int rc = DoSpawn(r, pid);
    if (rc != 0) {
        SetLastError(rc == ENOENT ? ERROR_FILE_NOT_FOUND : Win32ErrorFromErrno(rc));
        return FALSE;
    }
    auto proc = std::make_shared<TProcessObject>();
    proc->Pid = pid;
    proc->IsChild = true;
    proc->PidFd = OpenPidFd(pid);
    pi->hProcess = AddHandle(proc);
    pi->hThread = AddHandle(std::make_shared<TThreadObject>(proc));
    pi->dwProcessId = static_cast<DWORD>(pid);
    pi->dwThreadId = static_cast<DWORD>(pid);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

std::shared_ptr<TFdObject> gStd[3];
std::mutex gStdLock;

}  // namespace

// ---- Public calls ----------------------------------------------------------------

HANDLE RegisterKernelObject(std::shared_ptr<TKernelObject> Object) {
    if (!Object) return nullptr;
    return AddHandle(std::move(Object));
}

std::shared_ptr<TKernelObject> LookupKernelObject(HANDLE h) { return FindHandle(h); }

int HandleToFd(HANDLE h) {
    auto f = std::dynamic_pointer_cast<TFdObject>(FindHandle(h));
    return f ? f->Fd : -1;
}

BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL, DWORD dwCreationFlags, LPVOID lpEnvironment, LPCSTR lpCurrentDirectory,
                    LPSTARTUPINFOA lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation) {
    TStartup si;
    if (lpStartupInfo) {
        si.Flags = lpStartupInfo->dwFlags;
        si.In = lpStartupInfo->hStdInput;
        si.Out = lpStartupInfo->hStdOutput;
        si.Err = lpStartupInfo->hStdError;
    }
    std::vector<std::string> env;
    if (lpEnvironment)
        env = (dwCreationFlags & CREATE_UNICODE_ENVIRONMENT)
                  ? ParseEnvBlockW(static_cast<const char16_t*>(lpEnvironment))
                  : ParseEnvBlockA(static_cast<const char*>(lpEnvironment));
    return CreateProcessCommon(lpApplicationName ? lpApplicationName : "", lpCommandLine ? lpCommandLine : "",
                               dwCreationFlags, lpEnvironment ? &env : nullptr,
                               lpCurrentDirectory ? lpCurrentDirectory : "", si, lpProcessInformation);
}

BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL, DWORD dwCreationFlags, LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory,
                    LPSTARTUPINFOW lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation) {
    TStartup si;
    if (lpStartupInfo) {
        si.Flags = lpStartupInfo->dwFlags;
        si.In = lpStartupInfo->hStdInput;
        si.Out = lpStartupInfo->hStdOutput;
        si.Err = lpStartupInfo->hStdError;
    }
    std::vector<std::string> env;
    if (lpEnvironment)
        env = (dwCreationFlags & CREATE_UNICODE_ENVIRONMENT)
                  ? ParseEnvBlockW(static_cast<const char16_t*>(lpEnvironment))
                  : ParseEnvBlockA(static_cast<const char*>(lpEnvironment));
    auto conv = [](LPCWSTR s) { return s ? sysconv::Utf16ToUtf8(std::u16string(s)) : std::string(); };
    return CreateProcessCommon(conv(lpApplicationName), conv(lpCommandLine), dwCreationFlags,
                               lpEnvironment ? &env : nullptr, conv(lpCurrentDirectory), si, lpProcessInformation);
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    auto obj = FindHandle(hHandle);
    if (!obj) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return obj->Wait(dwMilliseconds);
}

BOOL GetExitCodeProcess(HANDLE hProcess, DWORD* lpExitCode) {
    auto p = Find<TProcessObject>(hProcess);
    if (!p || !lpExitCode) {
        if (p) SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpExitCode = p->ExitCode();
    return TRUE;
}

BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode) {
    auto p = Find<TProcessObject>(hProcess);
    if (!p) return FALSE;
    if (p->Poll()) {
        SetLastError(ERROR_ACCESS_DENIED);  // the process has already ended
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> g(p->Lock);
        p->Terminated = true;
        p->TerminateCode = uExitCode;
    }
    int rc = 0;
    if (p->IsChild) {
        // The child leads its own group: everything it started goes with it.
        rc = ::kill(-p->Pid, SIGKILL);
        if (rc < 0) rc = ::kill(p->Pid, SIGKILL);
    } else {
#ifdef SYS_pidfd_send_signal
        if (p->PidFd >= 0)
            rc = static_cast<int>(::syscall(SYS_pidfd_send_signal, p->PidFd, SIGKILL, nullptr, 0));
        else
#endif
            rc = ::kill(p->Pid, SIGKILL);
    }
    if (rc < 0) {
        int e = errno;
        std::lock_guard<std::mutex> g(p->Lock);
        p->Terminated = false;
        SetLastError(e == ESRCH ? ERROR_ACCESS_DENIED : Win32ErrorFromErrno(e));
        return FALSE;
    }
    return TRUE;
}

DWORD GetProcessId(HANDLE Process) {
    if (Process == kCurrentProcess) return static_cast<DWORD>(::getpid());
    auto p = Find<TProcessObject>(Process);
    return p ? static_cast<DWORD>(p->Pid) : 0;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }
namespace {
thread_local DWORD CachedThreadId = 0;
}

DWORD GetCurrentThreadId() {
    // Asked for every window message sent: a system call each time is dear.
    // A forked child's thread starts with its parent's copy and asks again.
    if (CachedThreadId == 0) {
        static const bool AtFork = pthread_atfork(nullptr, nullptr, [] { CachedThreadId = 0; }) == 0;
        (void)AtFork;
        CachedThreadId = static_cast<DWORD>(::syscall(SYS_gettid));
    }
    return CachedThreadId;
}
HANDLE GetCurrentProcess() { return kCurrentProcess; }

void Sleep(DWORD dwMilliseconds) {
    timespec ts{static_cast<time_t>(dwMilliseconds / 1000), static_cast<long>(dwMilliseconds % 1000) * 1000000L};
    while (::nanosleep(&ts, &ts) < 0 && errno == EINTR) {
    }
}

uint64_t GetTickCount64() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

UINT SetErrorMode(UINT uMode) { return gErrorMode.exchange(uMode); }

HANDLE OpenProcess(DWORD, BOOL, DWORD dwProcessId) {
    pid_t pid = static_cast<pid_t>(dwProcessId);
    if (pid <= 0 || (::kill(pid, 0) < 0 && errno == ESRCH)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto p = std::make_shared<TProcessObject>();
    p->Pid = pid;
    p->PidFd = OpenPidFd(pid);
    if (p->PidFd < 0 && errno == ESRCH) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return AddHandle(p);
}

BOOL CreatePipe(HANDLE* hReadPipe, HANDLE* hWritePipe, LPSECURITY_ATTRIBUTES lpPipeAttributes, DWORD nSize) {
    if (!hReadPipe || !hWritePipe) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) < 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return FALSE;
    }
    if (nSize > 0) ::fcntl(fds[1], F_SETPIPE_SZ, static_cast<int>(nSize));  // a hint, as on the old platform
    DWORD flags = (lpPipeAttributes && lpPipeAttributes->bInheritHandle) ? HANDLE_FLAG_INHERIT : 0;
    *hReadPipe = AddHandle(std::make_shared<TFdObject>(fds[0], true, flags));
    *hWritePipe = AddHandle(std::make_shared<TFdObject>(fds[1], true, flags));
    return TRUE;
}

BOOL DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle, HANDLE hTargetProcessHandle,
                     HANDLE* lpTargetHandle, DWORD, BOOL bInheritHandle, DWORD dwOptions) {
    if (!IsCurrentProcessHandle(hSourceProcessHandle) || !IsCurrentProcessHandle(hTargetProcessHandle)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto src = FindHandle(hSourceHandle);
    if (!src) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    HANDLE result = nullptr;
    if (auto f = std::dynamic_pointer_cast<TFdObject>(src)) {
        int nfd = ::fcntl(f->Fd, F_DUPFD_CLOEXEC, 3);
        if (nfd < 0) {
            SetLastError(Win32ErrorFromErrno(errno));
            if (dwOptions & DUPLICATE_CLOSE_SOURCE) CloseHandle(hSourceHandle);
            return FALSE;
        }
        auto dup = std::make_shared<TFdObject>(nfd, true, bInheritHandle ? HANDLE_FLAG_INHERIT : 0);
        {
            std::lock_guard<std::mutex> g(f->Lock);
            dup->Peeked = f->Peeked;  // bytes already taken out by a peek travel with the duplicate
            if (dwOptions & DUPLICATE_CLOSE_SOURCE) f->Peeked.clear();
        }
        result = AddHandle(dup);
    } else {
        result = AddHandle(src);  // processes, threads, events: one object, another handle
    }
    if (dwOptions & DUPLICATE_CLOSE_SOURCE) CloseHandle(hSourceHandle);
    if (lpTargetHandle) *lpTargetHandle = result;
    return TRUE;
}

BOOL SetHandleInformation(HANDLE hObject, DWORD dwMask, DWORD dwFlags) {
    auto f = Find<TFdObject>(hObject);
    if (!f) return FALSE;
    DWORD v = f->Flags.load();
    f->Flags = (v & ~dwMask) | (dwFlags & dwMask);
    return TRUE;
}

BOOL GetHandleInformation(HANDLE hObject, DWORD* lpdwFlags) {
    auto f = Find<TFdObject>(hObject);
    if (!f || !lpdwFlags) return FALSE;
    *lpdwFlags = f->Flags.load();
    return TRUE;
}

BOOL PeekNamedPipe(HANDLE hNamedPipe, LPVOID lpBuffer, DWORD nBufferSize, DWORD* lpBytesRead,
                   DWORD* lpTotalBytesAvail, DWORD* lpBytesLeftThisMessage) {
    auto f = Find<TFdObject>(hNamedPipe);
    if (!f) return FALSE;
    if (!f->IsPipe) {
        SetLastError(ERROR_BAD_PIPE);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(f->Lock);
    int avail = 0;
    if (::ioctl(f->Fd, FIONREAD, &avail) < 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return FALSE;
    }
    if (avail == 0 && f->Peeked.empty()) {
        pollfd p{f->Fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP) && !(p.revents & POLLIN)) {
            SetLastError(ERROR_BROKEN_PIPE);
            return FALSE;
        }
    }
    DWORD copied = 0;
    if (lpBuffer && nBufferSize > 0) {
        // A copy without consuming: move what is needed out of the pipe into our own
        // buffer, which the next reads empty first.
        size_t want = std::min<size_t>(nBufferSize, f->Peeked.size() + static_cast<size_t>(avail));
        while (f->Peeked.size() < want) {
            char tmp[4096];
            size_t n = std::min(sizeof tmp, want - f->Peeked.size());
            ssize_t got = ::read(f->Fd, tmp, n);
            if (got <= 0) break;
            f->Peeked.append(tmp, static_cast<size_t>(got));
            avail -= static_cast<int>(got);
        }
        copied = static_cast<DWORD>(std::min<size_t>(nBufferSize, f->Peeked.size()));
        std::memcpy(lpBuffer, f->Peeked.data(), copied);
    }
    if (lpBytesRead) *lpBytesRead = copied;
    if (lpTotalBytesAvail) *lpTotalBytesAvail = static_cast<DWORD>(f->Peeked.size() + static_cast<size_t>(avail));
    if (lpBytesLeftThisMessage) *lpBytesLeftThisMessage = 0;
    return TRUE;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, DWORD* lpNumberOfBytesRead,
              void* lpOverlapped) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    auto f = Find<TFdObject>(hFile);
    if (!f) return FALSE;
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToRead)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (nNumberOfBytesToRead == 0) return TRUE;
    {
        std::lock_guard<std::mutex> g(f->Lock);
        if (!f->Peeked.empty()) {
            DWORD n = static_cast<DWORD>(std::min<size_t>(nNumberOfBytesToRead, f->Peeked.size()));
            std::memcpy(lpBuffer, f->Peeked.data(), n);
            f->Peeked.erase(0, n);
            if (lpNumberOfBytesRead) *lpNumberOfBytesRead = n;
            return TRUE;
        }
    }
    ssize_t got;
    do got = ::read(f->Fd, lpBuffer, nNumberOfBytesToRead);
    while (got < 0 && errno == EINTR);
    if (got < 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return FALSE;
    }
    if (got == 0 && f->IsPipe) {
        SetLastError(ERROR_BROKEN_PIPE);  // every writer has gone
        return FALSE;
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(got);
    return TRUE;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, DWORD* lpNumberOfBytesWritten,
               void* lpOverlapped) {
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    auto f = Find<TFdObject>(hFile);
    if (!f) return FALSE;
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToWrite)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A reader that has gone must give an error, not kill us with SIGPIPE.
    sigset_t pipeSet, old, pending;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeSet, &old);
    sigpending(&pending);
    bool wasPending = sigismember(&pending, SIGPIPE);
    const char* p = static_cast<const char*>(lpBuffer);
    size_t left = nNumberOfBytesToWrite, done = 0;
    int err = 0;
    while (left > 0) {
        ssize_t n = ::write(f->Fd, p + done, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
        done += static_cast<size_t>(n);
        left -= static_cast<size_t>(n);
    }
    if (err == EPIPE && !wasPending) {
        timespec zero{0, 0};
        ::sigtimedwait(&pipeSet, nullptr, &zero);
    }
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = static_cast<DWORD>(done);
    if (err) {
        SetLastError(Win32ErrorFromErrno(err));
        return FALSE;
    }
    return TRUE;
}

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) {
    std::u16string wname;
    if (lpFileName)
        for (LPCWSTR c = lpFileName; *c; ++c) wname += *c;
    if (wname.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const bool rd = dwDesiredAccess & GENERIC_READ, wr = dwDesiredAccess & GENERIC_WRITE;
    int flags = O_CLOEXEC | (rd && wr ? O_RDWR : wr ? O_WRONLY : O_RDONLY);
    switch (dwCreationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    // Truncating an existing file needs write access.
    if ((!rd && !wr) || (dwCreationDisposition == TRUNCATE_EXISTING && !wr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = sysconv::Utf16ToUtf8(wname);
    struct stat st{};
    const bool existed = ::stat(path.c_str(), &st) == 0;
    if (existed && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    const mode_t mode = (dwFlagsAndAttributes & 0x1u) ? 0444 : 0666;  // FILE_ATTRIBUTE_READONLY
    int fd;
    do fd = ::open(path.c_str(), flags, mode);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : Win32ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    const DWORD inherit = lpSecurityAttributes && lpSecurityAttributes->bInheritHandle ? HANDLE_FLAG_INHERIT : 0;
    HANDLE h = AddHandle(std::make_shared<TFdObject>(fd, true, inherit));
    SetLastError(existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return h;
}

BOOL CloseHandle(HANDLE hObject) {
    std::shared_ptr<TKernelObject> obj;
    {
        std::lock_guard<std::mutex> g(gTableLock);
        auto it = gTable.find(reinterpret_cast<uintptr_t>(hObject));
        if (it == gTable.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        obj = std::move(it->second);
        gTable.erase(it);
    }
    obj.reset();  // outside the lock: closing may reap or close descriptors
    return TRUE;
}

HANDLE GetStdHandle(DWORD nStdHandle) {
    int fd;
    if (nStdHandle == STD_INPUT_HANDLE)
        fd = 0;
    else if (nStdHandle == STD_OUTPUT_HANDLE)
        fd = 1;
    else if (nStdHandle == STD_ERROR_HANDLE)
        fd = 2;
    else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::lock_guard<std::mutex> g(gStdLock);
    if (!gStd[fd]) gStd[fd] = std::make_shared<TFdObject>(fd, false, HANDLE_FLAG_INHERIT);
    // The same handle each time, as long as nobody closed it.
    static HANDLE handles[3] = {nullptr, nullptr, nullptr};
    if (!handles[fd] || !FindHandle(handles[fd])) handles[fd] = AddHandle(gStd[fd]);
    return handles[fd];
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR) {
    auto e = std::make_shared<TEventObject>();
    e->Manual = bManualReset != FALSE;
    e->Signalled = bInitialState != FALSE;
    return AddHandle(e);
}

BOOL SetEvent(HANDLE hEvent) {
    auto e = Find<TEventObject>(hEvent);
    if (!e) return FALSE;
    {
        std::lock_guard<std::mutex> g(e->Lock);
        e->Signalled = true;
    }
    if (e->Manual)
        e->Cond.notify_all();
    else
        e->Cond.notify_one();
    return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
    auto e = Find<TEventObject>(hEvent);
    if (!e) return FALSE;
    std::lock_guard<std::mutex> g(e->Lock);
    e->Signalled = false;
    return TRUE;
}

// ---- Command lines ---------------------------------------------------------------

std::vector<std::string> CommandLineToArgs(const std::string& CommandLine) {
    std::vector<std::string> args;
    const std::string& s = CommandLine;
    size_t i = 0, n = s.size();
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (i < n && blank(s[i])) ++i;
    if (i >= n) return args;
    // The program: no backslash rules.
    std::string prog;
    if (s[i] == '"') {
        ++i;
        while (i < n && s[i] != '"') prog += s[i++];
        if (i < n) ++i;
    } else {
        while (i < n && !blank(s[i])) prog += s[i++];
    }
    args.push_back(prog);
    for (;;) {
        while (i < n && blank(s[i])) ++i;
        if (i >= n) break;
        std::string arg;
        bool inQuotes = false;
        while (i < n && (inQuotes || !blank(s[i]))) {
            if (s[i] == '\\') {
                size_t bs = 0;
                while (i < n && s[i] == '\\') {
                    ++bs;
                    ++i;
                }
                if (i < n && s[i] == '"') {
                    arg.append(bs / 2, '\\');
                    if (bs % 2) {
                        arg += '"';
                        ++i;
                    }
                    // an even count leaves the quote to group
                } else {
                    arg.append(bs, '\\');
                }
            } else if (s[i] == '"') {
                if (inQuotes && i + 1 < n && s[i + 1] == '"') {
                    arg += '"';  // a doubled quote inside quotes
                    i += 2;
                } else {
                    inQuotes = !inQuotes;
                    ++i;
                }
            } else {
                arg += s[i++];
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string QuoteCommandLineArg(const std::string& Arg) {
    if (!Arg.empty() && Arg.find_first_of(" \t\"") == std::string::npos) return Arg;
    std::string out = "\"";
    size_t bs = 0;
    for (char c : Arg) {
        if (c == '\\') {
            ++bs;
            continue;
        }
        if (c == '"') {
            out.append(bs * 2 + 1, '\\');
        } else {
            out.append(bs, '\\');
        }
        bs = 0;
        out += c;
    }
    out.append(bs * 2, '\\');
    out += '"';
    return out;
}

int PriorityClassToNice(DWORD PriorityClass) {
    switch (PriorityClass) {
        case IDLE_PRIORITY_CLASS: return 19;
        case BELOW_NORMAL_PRIORITY_CLASS: return 10;
        case ABOVE_NORMAL_PRIORITY_CLASS: return -5;
        case HIGH_PRIORITY_CLASS: return -10;
        case REALTIME_PRIORITY_CLASS: return -20;
        default: return 0;
    }
}

bool IsBatchFileName(const std::string& FileName) {
    if (FileName.size() < 4) return false;
    std::string ext = FileName.substr(FileName.size() - 4);
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".bat" || ext == ".cmd";
}

std::string FindProgramOnPath(const std::string& Name) {
    if (Name.empty()) return {};
    if (Name.find('/') != std::string::npos) return IsExecutableFile(Name) ? Name : std::string();
    const char* path = std::getenv("PATH");
    std::string p = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        size_t end = p.find(':', start);
        std::string dir = p.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (dir.empty()) dir = ".";
        std::string cand = dir + "/" + Name;
        if (IsExecutableFile(cand)) return cand;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

std::string CommandProcessorPath() {
    std::string beside = SelfFolder() + "tessaro-cmd";
    if (IsExecutableFile(beside)) return beside;
    std::string fallback = TESSARO_CMD_FALLBACK;
    if (!fallback.empty() && IsExecutableFile(fallback)) return fallback;
    return {};
}
