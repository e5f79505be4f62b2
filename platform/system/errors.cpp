// Last error per thread, and the system's texts for error numbers.
#include <cerrno>
#include <cstring>

#include "platform/system/sysdefs.h"

namespace {
thread_local DWORD tLastError = 0;

struct TErrorText {
    DWORD Code;
    const char* Text;
};
const TErrorText kErrorTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command."},
    {ERROR_BAD_FORMAT, "An attempt was made to load a program with an incorrect format."},
    {ERROR_INVALID_DATA, "The data is invalid."},
    {ERROR_OUTOFMEMORY, "Not enough storage is available to complete this operation."},
    {ERROR_NO_MORE_FILES, "There are no more files."},
    {ERROR_WRITE_PROTECT, "The media is write protected."},
    {ERROR_NOT_READY, "The device is not ready."},
    {24, "The program issued a command but the command length is incorrect."},
    {ERROR_SHARING_VIOLATION, "The process cannot access the file because it is being used by another process."},
    {ERROR_HANDLE_EOF, "Reached the end of the file."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_BROKEN_PIPE, "The pipe has been ended."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    {ERROR_BUSY, "The requested resource is in use."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application."},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    {ERROR_BAD_PIPE, "The pipe state is invalid."},
    {ERROR_NO_DATA, "The pipe is being closed."},
    {ERROR_MORE_DATA, "More data is available."},
    {ERROR_NO_MORE_ITEMS, "No more data is available."},
    {ERROR_DIRECTORY, "The directory name is invalid."},
    {299, "Only part of a ReadProcessMemory or WriteProcessMemory request was completed."},
    {ERROR_BADDB, "The configuration registry database is corrupt."},
    {ERROR_BADKEY, "The configuration registry key is invalid."},
    {ERROR_CANTOPEN, "The configuration registry key could not be opened."},
    {ERROR_CANTREAD, "The configuration registry key could not be read."},
    {ERROR_CANTWRITE, "The configuration registry key could not be written."},
    {ERROR_KEY_DELETED, "Illegal operation attempted on a registry key that has been marked for deletion."},
    {ERROR_NO_ASSOCIATION, "No application is associated with the specified file for this operation."},
};
}  // namespace

DWORD GetLastError() { return tLastError; }
void SetLastError(DWORD dwErrCode) { tLastError = dwErrCode; }

DWORD Win32ErrorFromErrno(int Errno) {
    switch (Errno) {
        case 0: return ERROR_SUCCESS;
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS: return ERROR_ACCESS_DENIED;
        case EBADF: return ERROR_INVALID_HANDLE;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case EMFILE:
        case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
        case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case EINVAL: return ERROR_INVALID_PARAMETER;
        case EPIPE: return ERROR_NO_DATA;
        case ENOSPC:
        case EDQUOT: return ERROR_DISK_FULL;
        case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        case EBUSY:
        case ETXTBSY: return ERROR_BUSY;
        case EISDIR: return ERROR_DIRECTORY;
        case ENOSYS: return ERROR_CALL_NOT_IMPLEMENTED;
        case ENOTSUP: return ERROR_NOT_SUPPORTED;
        case ESRCH: return ERROR_INVALID_PARAMETER;
        case ELOOP: return ERROR_PATH_NOT_FOUND;
        default: return ERROR_INVALID_FUNCTION;
    }
}

std::string SysErrorText(DWORD ErrorCode) {
    for (const auto& e : kErrorTexts)
        if (e.Code == ErrorCode) return e.Text;
    return "Unknown error (" + std::to_string(ErrorCode) + ").";
}

DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer,
                     DWORD nSize, void* Arguments) {
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) || !lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string text = SysErrorText(dwMessageId) + "\r\n";
    if (text.size() + 1 > nSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}
