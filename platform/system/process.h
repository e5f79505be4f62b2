// Child processes, pipes and kernel handles.
//
// A process is started with posix_spawn, never through a shell: the command line
// is split into arguments by our own code, with the quoting rules of the old
// platform (CommandLineToArgs). A program whose name ends in ".bat" or ".cmd" is
// run by our command processor (tessaro-cmd), which reads the file itself inside
// the child, so the caller sees one process. Every child leads its own process
// group; TerminateProcess ends the whole group, so a pipeline inside a batch file
// dies with it.
//
// Handles are opaque numbers validated against one table; a stale or foreign
// handle fails with ERROR_INVALID_HANDLE instead of being dereferenced.
// Only the three standard handles of STARTUPINFO reach a child (as its descriptors
// 0, 1 and 2); every other descriptor is closed on exec whatever its inherit flag,
// so a child never holds the far end of another run's pipe.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/windef.h"
#include "platform/system/sysdefs.h"

// ---- Creation flags and priority classes -----------------------------------
constexpr DWORD CREATE_SUSPENDED = 0x00000004;  // not supported: CreateProcess fails with ERROR_NOT_SUPPORTED
constexpr DWORD DETACHED_PROCESS = 0x00000008;
constexpr DWORD CREATE_NEW_CONSOLE = 0x00000010;
constexpr DWORD CREATE_NEW_PROCESS_GROUP = 0x00000200;
constexpr DWORD CREATE_UNICODE_ENVIRONMENT = 0x00000400;
constexpr DWORD CREATE_DEFAULT_ERROR_MODE = 0x04000000;
constexpr DWORD CREATE_NO_WINDOW = 0x08000000;

constexpr DWORD NORMAL_PRIORITY_CLASS = 0x00000020;
constexpr DWORD IDLE_PRIORITY_CLASS = 0x00000040;
constexpr DWORD HIGH_PRIORITY_CLASS = 0x00000080;
constexpr DWORD REALTIME_PRIORITY_CLASS = 0x00000100;
constexpr DWORD BELOW_NORMAL_PRIORITY_CLASS = 0x00004000;
constexpr DWORD ABOVE_NORMAL_PRIORITY_CLASS = 0x00008000;

constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001;
constexpr DWORD STARTF_USESTDHANDLES = 0x00000100;

constexpr DWORD STILL_ACTIVE = 259;

constexpr DWORD DUPLICATE_CLOSE_SOURCE = 0x00000001;
constexpr DWORD DUPLICATE_SAME_ACCESS = 0x00000002;
constexpr DWORD HANDLE_FLAG_INHERIT = 0x00000001;
constexpr DWORD HANDLE_FLAG_PROTECT_FROM_CLOSE = 0x00000002;

constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);

constexpr UINT SEM_FAILCRITICALERRORS = 0x0001;
constexpr UINT SEM_NOGPFAULTERRORBOX = 0x0002;
constexpr UINT SEM_NOOPENFILEERRORBOX = 0x8000;

struct STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;  // ignored: children have no windows of ours
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
struct STARTUPINFOW {
    DWORD cb;
    LPWSTR lpReserved;
    LPWSTR lpDesktop;
    LPWSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
using LPSTARTUPINFOA = STARTUPINFOA*;
using LPSTARTUPINFOW = STARTUPINFOW*;

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;  // stands for the child's main thread: waiting on it waits for the process
    DWORD dwProcessId;
    DWORD dwThreadId;  // the process id
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

// ---- Processes ----------------------------------------------------------------
// lpApplicationName: the program file (may be null: then the command line's first
// argument names it). A name without '/' is looked for on PATH. lpCommandLine: the
// arguments, the first one being the program as the child sees it. lpEnvironment:
// null, or a block of "NAME=value" strings each ended by NUL and the block by a
// further NUL (UTF-16 with CREATE_UNICODE_ENVIRONMENT). lpCurrentDirectory: the
// child's working folder, null for the caller's. The priority class of
// dwCreationFlags becomes a nice value (PriorityClassToNice). Failure: FALSE and
// GetLastError (ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_BAD_EXE_FORMAT,
// ERROR_DIRECTORY for a bad working folder, ERROR_INVALID_HANDLE for a bad standard handle).
BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes,
                    LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                    LPVOID lpEnvironment, LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                    LPPROCESS_INFORMATION lpProcessInformation);
BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes,
                    LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                    LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo,
                    LPPROCESS_INFORMATION lpProcessInformation);

// Waits for a process (or thread, event, or any waitable handle). Answers
// WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED (GetLastError tells why).
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
// STILL_ACTIVE while the process runs; afterwards its exit code, the code given to
// TerminateProcess when that ended it, or 128 + the signal number when a signal did.
BOOL GetExitCodeProcess(HANDLE hProcess, DWORD* lpExitCode);
// Kills the process; for a child started by CreateProcess, its whole process group.
BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode);
DWORD GetProcessId(HANDLE Process);
DWORD GetCurrentProcessId();
DWORD GetCurrentThreadId();
// The pseudo handle of the calling process (accepted by DuplicateHandle and GetProcessId).
HANDLE GetCurrentProcess();
void Sleep(DWORD dwMilliseconds);
// Milliseconds of a monotonic clock (since the system started); the window layer
// stamps its messages with the same clock.
DWORD GetTickCount();
uint64_t GetTickCount64();
// Kept for callers; there are no error boxes to suppress.
UINT SetErrorMode(UINT uMode);

// ---- Pipes and handles -----------------------------------------------------
// An anonymous pipe; the inherit flag of lpPipeAttributes is kept on both ends.
BOOL CreatePipe(HANDLE* hReadPipe, HANDLE* hWritePipe, LPSECURITY_ATTRIBUTES lpPipeAttributes, DWORD nSize);
// Within the calling process only (both process handles must be GetCurrentProcess()
// or our own process id's handle).
BOOL DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle, HANDLE hTargetProcessHandle,
                     HANDLE* lpTargetHandle, DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwOptions);
BOOL SetHandleInformation(HANDLE hObject, DWORD dwMask, DWORD dwFlags);
BOOL GetHandleInformation(HANDLE hObject, DWORD* lpdwFlags);
// Never blocks: lpTotalBytesAvail gets the bytes waiting in the pipe; with a buffer,
// up to nBufferSize of them are copied without being removed. A pipe whose writers
// have all gone and which is empty fails with ERROR_BROKEN_PIPE.
BOOL PeekNamedPipe(HANDLE hNamedPipe, LPVOID lpBuffer, DWORD nBufferSize, DWORD* lpBytesRead,
                   DWORD* lpTotalBytesAvail, DWORD* lpBytesLeftThisMessage);
// Blocking reads and writes on pipe ends and the standard handles. Reading a pipe
// whose writers have all gone fails with ERROR_BROKEN_PIPE; lpOverlapped must be null.
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, DWORD* lpNumberOfBytesRead,
              void* lpOverlapped);
BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, DWORD* lpNumberOfBytesWritten,
               void* lpOverlapped);
BOOL CloseHandle(HANDLE hObject);
// Opens or creates a file (the name is UTF-16, passed to the file system as UTF-8)
// for ReadFile, WriteFile and CloseHandle. Sharing is accepted and not enforced;
// a folder cannot be opened (ERROR_ACCESS_DENIED). CREATE_ALWAYS and OPEN_ALWAYS on
// an existing file succeed with ERROR_ALREADY_EXISTS; an unknown creation value or
// access without read or write fails with ERROR_INVALID_PARAMETER.
HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
HANDLE GetStdHandle(DWORD nStdHandle);

// ---- Events ----------------------------------------------------------------
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName);
BOOL SetEvent(HANDLE hEvent);
BOOL ResetEvent(HANDLE hEvent);

// ---- Our own additions -------------------------------------------------------
// Splits a command line into arguments with the old platform's rules: blanks and
// tabs separate; double quotes group (a doubled quote inside quotes is a literal
// one); 2n backslashes before a quote give n backslashes and the quote groups,
// 2n+1 give n backslashes and a literal quote; other backslashes are literal. The
// first argument (the program) ends at the next blank, or at the closing quote when
// it starts with one, with no backslash rules.
std::vector<std::string> CommandLineToArgs(const std::string& CommandLine);
// The reverse: quotes an argument only when needed, so CommandLineToArgs gives it back.
std::string QuoteCommandLineArg(const std::string& Arg);
// Nice value for a priority class: idle 19, below normal 10, normal 0, above normal
// -5, high -10, realtime -20. A child never gets a smaller nice value than the
// calling process may set (an ordinary user cannot raise priority): it keeps the caller's then.
int PriorityClassToNice(DWORD PriorityClass);
// True when the program file name ends in ".bat" or ".cmd" (letter case ignored).
bool IsBatchFileName(const std::string& FileName);
// Full path of a program found on PATH (or Name itself when it holds a '/' and is
// an executable file); empty when there is none.
std::string FindProgramOnPath(const std::string& Name);
// The command processor that runs batch files: "tessaro-cmd" beside the running
// program, else the one of the build tree. Empty when neither exists.
std::string CommandProcessorPath();

// Process id and descriptor behind handles, for other layers (-1 / 0 when the handle does not hold one).
int HandleToFd(HANDLE h);

// Waitable objects of other layers (thread handles of the class library) share the
// handle table, so that WaitForSingleObject and CloseHandle work on them.
class TKernelObject {
public:
    virtual ~TKernelObject() = default;
    // WAIT_OBJECT_0 or WAIT_TIMEOUT; WAIT_FAILED with SetLastError when not waitable.
    virtual DWORD Wait(DWORD Milliseconds);
};
HANDLE RegisterKernelObject(std::shared_ptr<TKernelObject> Object);
std::shared_ptr<TKernelObject> LookupKernelObject(HANDLE h);
