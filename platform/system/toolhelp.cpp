// Process snapshot over /proc.
#include "platform/system/toolhelp.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/system/process.h"

namespace {

struct TProcInfo {
    DWORD Pid = 0;
    DWORD ParentPid = 0;
    DWORD Threads = 0;
    LONG Nice = 0;
    DWORD Uid = 0;
    std::string ExeFile;
    std::string ExePath;  // empty when the link cannot be read
};

struct TSnapshot : TKernelObject {
    std::vector<TProcInfo> Entries;
    bool Modules = false;
    std::mutex Lock;
    size_t Next = 0;
    size_t NextModule = 0;
};

std::string ReadSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string ExeLink(DWORD pid) {
    char buf[PATH_MAX];
    std::string link = "/proc/" + std::to_string(pid) + "/exe";
    ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string p(buf, static_cast<size_t>(n));
    const std::string deleted = " (deleted)";  // the program file was replaced while running
    if (p.size() > deleted.size() && p.compare(p.size() - deleted.size(), deleted.size(), deleted) == 0)
        p.resize(p.size() - deleted.size());
    return p;
}

std::string BaseName(const std::string& p) {
    size_t s = p.rfind('/');
    return s == std::string::npos ? p : p.substr(s + 1);
}

bool ReadProc(DWORD pid, TProcInfo& info) {
    std::string dir = "/proc/" + std::to_string(pid);
    struct stat st{};
    if (::stat(dir.c_str(), &st) != 0) return false;
    info.Pid = pid;
    info.Uid = st.st_uid;
    std::string stat = ReadSmallFile(dir + "/stat");
    size_t open = stat.find('('), close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    std::string comm = stat.substr(open + 1, close - open - 1);
    // Fields after the name: state ppid pgrp session tty tpgid flags minflt cminflt majflt
    // cmajflt utime stime cutime cstime priority nice num_threads ...
    // A process that has ended but was not yet collected is gone for our callers.
    if (close + 2 < stat.size() && (stat[close + 2] == 'Z' || stat[close + 2] == 'X')) return false;
    std::istringstream rest(stat.substr(close + 2));
    std::vector<std::string> f;
    std::string w;
    while (f.size() < 18 && rest >> w) f.push_back(w);
    if (f.size() < 18) return false;
    try {
        info.ParentPid = static_cast<DWORD>(std::stoul(f[1]));
        info.Nice = static_cast<LONG>(std::stol(f[16]));
        info.Threads = static_cast<DWORD>(std::stoul(f[17]));
    } catch (const std::exception&) {
        return false;
    }
    info.ExePath = ExeLink(pid);
    if (!info.ExePath.empty()) {
        info.ExeFile = BaseName(info.ExePath);
    } else {
        std::string cmdline = ReadSmallFile(dir + "/cmdline");
        std::string argv0 = cmdline.substr(0, cmdline.find('\0'));
        info.ExeFile = argv0.empty() ? comm : BaseName(argv0);
    }
    return true;
}

// The base priority the old platform showed for a class, from the nice value.
LONG PriorityBase(LONG nice) {
    if (nice >= 15) return 4;
    if (nice >= 5) return 6;
    if (nice > -5) return 8;
    if (nice > -15) return 13;
    return 24;
}

void CopyName(char* dst, size_t size, const std::string& src) {
    size_t n = std::min(size - 1, src.size());
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

std::shared_ptr<TSnapshot> FindSnapshot(HANDLE h) {
    auto s = std::dynamic_pointer_cast<TSnapshot>(LookupKernelObject(h));
    if (!s) SetLastError(ERROR_INVALID_HANDLE);
    return s;
}

BOOL FillProcess(TSnapshot& s, size_t index, LPPROCESSENTRY32 lppe) {
    if (index >= s.Entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    const TProcInfo& p = s.Entries[index];
    lppe->cntUsage = 0;
    lppe->th32ProcessID = p.Pid;
    lppe->th32DefaultHeapID = 0;
    lppe->th32ModuleID = 0;
    lppe->cntThreads = p.Threads;
    lppe->th32ParentProcessID = p.ParentPid;
    lppe->pcPriClassBase = PriorityBase(p.Nice);
    lppe->dwFlags = 0;
    CopyName(lppe->szExeFile, sizeof lppe->szExeFile, p.ExeFile);
    lppe->th32OwnerUid = p.Uid;
    s.Next = index + 1;
    return TRUE;
}

BOOL FillModule(TSnapshot& s, size_t index, LPMODULEENTRY32 lpme) {
    if (index >= s.Entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    const TProcInfo& p = s.Entries[index];
    lpme->th32ModuleID = 1;
    lpme->th32ProcessID = p.Pid;
    lpme->GlblcntUsage = 1;
    lpme->ProccntUsage = 1;
    lpme->modBaseAddr = nullptr;
    lpme->modBaseSize = 0;
    lpme->hModule = nullptr;
    CopyName(lpme->szModule, sizeof lpme->szModule, p.ExeFile);
    CopyName(lpme->szExePath, sizeof lpme->szExePath, p.ExePath);
    s.NextModule = index + 1;
    return TRUE;
}

}  // namespace

HANDLE CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID) {
    auto snap = std::make_shared<TSnapshot>();
    if (dwFlags & TH32CS_SNAPPROCESS) {
        DIR* d = ::opendir("/proc");
        if (!d) {
            SetLastError(Win32ErrorFromErrno(errno));
            return INVALID_HANDLE_VALUE;
        }
        while (dirent* e = ::readdir(d)) {
            char* end = nullptr;
            unsigned long pid = std::strtoul(e->d_name, &end, 10);
            if (!end || *end || pid == 0) continue;
            TProcInfo info;
            if (ReadProc(static_cast<DWORD>(pid), info)) snap->Entries.push_back(std::move(info));
        }
        ::closedir(d);
    } else if (dwFlags & TH32CS_SNAPMODULE) {
        DWORD pid = th32ProcessID ? th32ProcessID : static_cast<DWORD>(::getpid());
        TProcInfo info;
        if (!ReadProc(pid, info)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        if (info.ExePath.empty()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        snap->Modules = true;
        snap->Entries.push_back(std::move(info));
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return RegisterKernelObject(snap);
}

BOOL Process32First(HANDLE hSnapshot, LPPROCESSENTRY32 lppe) {
    auto s = FindSnapshot(hSnapshot);
    if (!s) return FALSE;
    if (!lppe || lppe->dwSize < sizeof(PROCESSENTRY32)) {
        SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(s->Lock);
    if (s->Modules) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return FillProcess(*s, 0, lppe);
}

BOOL Process32Next(HANDLE hSnapshot, LPPROCESSENTRY32 lppe) {
    auto s = FindSnapshot(hSnapshot);
    if (!s) return FALSE;
    if (!lppe || lppe->dwSize < sizeof(PROCESSENTRY32)) {
        SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(s->Lock);
    if (s->Modules) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return FillProcess(*s, s->Next, lppe);
}

BOOL Module32First(HANDLE hSnapshot, LPMODULEENTRY32 lpme) {
    auto s = FindSnapshot(hSnapshot);
    if (!s) return FALSE;
    if (!lpme || lpme->dwSize < sizeof(MODULEENTRY32)) {
        SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(s->Lock);
    if (!s->Modules) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return FillModule(*s, 0, lpme);
}

BOOL Module32Next(HANDLE hSnapshot, LPMODULEENTRY32 lpme) {
    auto s = FindSnapshot(hSnapshot);
    if (!s) return FALSE;
    if (!lpme || lpme->dwSize < sizeof(MODULEENTRY32)) {
        SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(s->Lock);
    if (!s->Modules) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return FillModule(*s, s->NextModule, lpme);
}
