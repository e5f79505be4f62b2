// Process snapshot over /proc, and opening a running process by its id.
#pragma once

#include "platform/rtl/windef.h"
#include "platform/system/sysdefs.h"

constexpr DWORD TH32CS_SNAPHEAPLIST = 0x00000001;
constexpr DWORD TH32CS_SNAPPROCESS = 0x00000002;
constexpr DWORD TH32CS_SNAPTHREAD = 0x00000004;
constexpr DWORD TH32CS_SNAPMODULE = 0x00000008;

constexpr DWORD PROCESS_TERMINATE = 0x0001;
constexpr DWORD PROCESS_QUERY_INFORMATION = 0x0400;
constexpr DWORD PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
constexpr DWORD SYNCHRONIZE = 0x00100000;
constexpr DWORD PROCESS_ALL_ACCESS = 0x001F0FFF;

// Linux paths are longer than MAX_PATH: the full path field holds up to 4095 bytes.
constexpr int TH32_MAX_EXE_PATH = 4096;

struct PROCESSENTRY32 {
    DWORD dwSize;  // set to sizeof(PROCESSENTRY32) before Process32First
    DWORD cntUsage;
    DWORD th32ProcessID;
    ULONG_PTR th32DefaultHeapID;
    DWORD th32ModuleID;
    DWORD cntThreads;
    DWORD th32ParentProcessID;
    LONG pcPriClassBase;
    DWORD dwFlags;
    // File name of the program (no folder): from the executable's link when it can
    // be read, else from the first argument, else the kernel's short name.
    CHAR szExeFile[MAX_PATH];
    // Our addition: the owner (real user id) of the process, so that callers can
    // restrict themselves to the current user's processes (getuid()).
    DWORD th32OwnerUid;
};
using LPPROCESSENTRY32 = PROCESSENTRY32*;

struct MODULEENTRY32 {
    DWORD dwSize;  // set to sizeof(MODULEENTRY32) before Module32First
    DWORD th32ModuleID;
    DWORD th32ProcessID;
    DWORD GlblcntUsage;
    DWORD ProccntUsage;
    BYTE* modBaseAddr;
    DWORD modBaseSize;
    HMODULE hModule;
    CHAR szModule[256];                   // file name of the program
    CHAR szExePath[TH32_MAX_EXE_PATH];    // its full path
};
using LPMODULEENTRY32 = MODULEENTRY32*;

// TH32CS_SNAPPROCESS: every process visible in /proc at the time of the call.
// TH32CS_SNAPMODULE with a process id (0 = the caller): that process's program as
// its one module (reading another user's program path fails with ERROR_ACCESS_DENIED,
// or ERROR_PARTIAL_COPY as the old platform answered for inaccessible processes).
// INVALID_HANDLE_VALUE on failure. Free with CloseHandle.
HANDLE CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID);
// FALSE with ERROR_NO_MORE_FILES at the end; ERROR_BAD_LENGTH when dwSize is too small.
BOOL Process32First(HANDLE hSnapshot, LPPROCESSENTRY32 lppe);
BOOL Process32Next(HANDLE hSnapshot, LPPROCESSENTRY32 lppe);
BOOL Module32First(HANDLE hSnapshot, LPMODULEENTRY32 lpme);
BOOL Module32Next(HANDLE hSnapshot, LPMODULEENTRY32 lpme);

#ifndef ERROR_BAD_LENGTH
#define ERROR_BAD_LENGTH 24L
#endif
#ifndef ERROR_PARTIAL_COPY
#define ERROR_PARTIAL_COPY 299L
#endif

// A handle on a running process (any process the user may see). TerminateProcess on
// it ends that one process (not its group); WaitForSingleObject waits for its end.
// Null with ERROR_INVALID_PARAMETER when no such process exists.
HANDLE OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId);
