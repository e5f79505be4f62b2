// Built-in modules and the running program's file name.
#include "platform/system/module.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace {

struct TModule {
    std::string FileName;
    std::vector<TBuiltinExport> Exports;
    std::function<bool()> Available;
    int Loads = 0;
};

std::mutex gLock;
std::vector<std::unique_ptr<TModule>> gModules;  // never shrinks: module handles stay valid

// The running program's own module handle; never dereferenced by anyone.
char gProgramTag;
HMODULE ProgramModule() { return reinterpret_cast<HMODULE>(&gProgramTag); }

std::string Upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string NamePart(const std::string& path) {
    size_t s = path.find_last_of("/\\");
    return s == std::string::npos ? path : path.substr(s + 1);
}

TModule* FindModule(HMODULE h) {
    for (auto& m : gModules)
        if (reinterpret_cast<HMODULE>(m.get()) == h) return m.get();
    return nullptr;
}

}  // namespace

void RegisterBuiltinModule(const std::string& FileName, std::vector<TBuiltinExport> Exports,
                           std::function<bool()> Available) {
    std::lock_guard<std::mutex> g(gLock);
    for (auto& m : gModules)
        if (Upper(m->FileName) == Upper(FileName)) {
            m->Exports = std::move(Exports);
            m->Available = std::move(Available);
            return;
        }
    auto m = std::make_unique<TModule>();
    m->FileName = FileName;
    m->Exports = std::move(Exports);
    m->Available = std::move(Available);
    gModules.push_back(std::move(m));
}

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
    if (!lpLibFileName || !*lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string name = Upper(NamePart(lpLibFileName));
    std::function<bool()> available;
    TModule* found = nullptr;
    {
        std::lock_guard<std::mutex> g(gLock);
        for (auto& m : gModules)
            if (Upper(m->FileName) == name) {
                found = m.get();
                available = m->Available;
            }
    }
    if (!found || (available && !available())) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::mutex> g(gLock);
    ++found->Loads;
    return reinterpret_cast<HMODULE>(found);
}

BOOL FreeLibrary(HMODULE hLibModule) {
    std::lock_guard<std::mutex> g(gLock);
    TModule* m = FindModule(hLibModule);
    if (!m || m->Loads == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --m->Loads;
    return TRUE;
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    std::lock_guard<std::mutex> g(gLock);
    TModule* m = FindModule(hModule);
    if (!m) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (lpProcName && reinterpret_cast<uintptr_t>(lpProcName) > 0xFFFF)
        for (const auto& e : m->Exports)
            if (e.Name == lpProcName) return e.Proc;
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
    if (!lpModuleName) return ProgramModule();
    std::string name = Upper(NamePart(lpModuleName));
    std::lock_guard<std::mutex> g(gLock);
    for (auto& m : gModules)
        if (Upper(m->FileName) == name && m->Loads > 0) return reinterpret_cast<HMODULE>(m.get());
    std::string self = Upper(NamePart(GetModuleFileNameStr()));
    if (name == self) return ProgramModule();
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

std::string GetModuleFileNameStr(HMODULE hModule) {
    if (hModule && hModule != ProgramModule()) {
        std::lock_guard<std::mutex> g(gLock);
        TModule* m = FindModule(hModule);
        return m ? m->FileName : std::string();
    }
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    std::string p = GetModuleFileNameStr(hModule);
    if (p.empty()) {
        SetLastError(hModule ? ERROR_MOD_NOT_FOUND : ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (p.size() >= nSize) {
        std::memcpy(lpFilename, p.data(), nSize);  // cut, without a terminator, as the old platform does
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, p.c_str(), p.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(p.size());
}
