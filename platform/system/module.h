// Modules: the running program and the built-in modules that other layers
// register (the help viewer's entry points). There is no loading of foreign code:
// LoadLibraryA finds a registered module by its file name (letter case and folder
// ignored) and answers it when the module says it is available.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/windef.h"
#include "platform/system/sysdefs.h"

using FARPROC = void (*)();

// Null with ERROR_MOD_NOT_FOUND when no registered module has that file name or
// the module is not available on this system.
HMODULE LoadLibraryA(LPCSTR lpLibFileName);
BOOL FreeLibrary(HMODULE hLibModule);
// Null with ERROR_PROC_NOT_FOUND when the module has no such entry.
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// Null names the running program.
HMODULE GetModuleHandleA(LPCSTR lpModuleName);
// Null module: the running program's full path (/proc/self/exe). A buffer that is
// too small gets nSize characters without terminator, the answer is nSize and the
// last error ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
std::string GetModuleFileNameStr(HMODULE hModule = nullptr);

struct TBuiltinExport {
    std::string Name;
    FARPROC Proc;
};
// Registers (or replaces) a built-in module under FileName ("HHCTRL.OCX").
// Available is asked at each LoadLibraryA; empty means always available.
void RegisterBuiltinModule(const std::string& FileName, std::vector<TBuiltinExport> Exports,
                           std::function<bool()> Available = {});
