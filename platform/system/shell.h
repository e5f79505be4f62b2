// Shell services: special folders, the temporary folder and file names, the
// system version, opening documents, folders and links, recursive delete, file
// drops and volume information.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/windef.h"
#include "platform/system/sysdefs.h"

using HRESULT = LONG;
#ifndef S_OK
#define S_OK (static_cast<HRESULT>(0))
#endif
#ifndef S_FALSE
#define S_FALSE (static_cast<HRESULT>(1))
#endif
#ifndef E_FAIL
#define E_FAIL (static_cast<HRESULT>(0x80004005u))
#endif
#ifndef E_INVALIDARG
#define E_INVALIDARG (static_cast<HRESULT>(0x80070057u))
#endif

// ---- Special folders ----------------------------------------------------------
constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_PERSONAL = 0x0005;  // documents
constexpr int CSIDL_MYDOCUMENTS = CSIDL_PERSONAL;
constexpr int CSIDL_FAVORITES = 0x0006;
constexpr int CSIDL_RECENT = 0x0008;
constexpr int CSIDL_MYMUSIC = 0x000d;
constexpr int CSIDL_MYVIDEO = 0x000e;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_DRIVES = 0x0011;  // "My Computer": no file-system path
constexpr int CSIDL_FONTS = 0x0014;
constexpr int CSIDL_TEMPLATES = 0x0015;
constexpr int CSIDL_APPDATA = 0x001a;
constexpr int CSIDL_LOCAL_APPDATA = 0x001c;
constexpr int CSIDL_INTERNET_CACHE = 0x0020;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_WINDOWS = 0x0024;
constexpr int CSIDL_SYSTEM = 0x0025;
constexpr int CSIDL_PROGRAM_FILES = 0x0026;
constexpr int CSIDL_MYPICTURES = 0x0027;
constexpr int CSIDL_PROFILE = 0x0028;
constexpr int CSIDL_COMMON_DOCUMENTS = 0x002e;
constexpr int CSIDL_FLAG_CREATE = 0x8000;
constexpr int CSIDL_FLAG_MASK = 0xFF00;

// Where each folder is (no trailing '/'; $HOME stands for the home folder):
//   CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA: $XDG_DATA_HOME, else $HOME/.local/share
//   CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS: XDG_DOCUMENTS_DIR, else $HOME/Documents
//   CSIDL_DESKTOP, CSIDL_DESKTOPDIRECTORY: XDG_DESKTOP_DIR, else $HOME/Desktop
//   CSIDL_MYVIDEO: XDG_VIDEOS_DIR, else $HOME/Videos; CSIDL_MYMUSIC: XDG_MUSIC_DIR, else
//   $HOME/Music; CSIDL_MYPICTURES: XDG_PICTURES_DIR, else $HOME/Pictures;
//   CSIDL_TEMPLATES: XDG_TEMPLATES_DIR, else $HOME/Templates
//   CSIDL_PROFILE: $HOME; CSIDL_INTERNET_CACHE: $XDG_CACHE_HOME, else $HOME/.cache;
//   CSIDL_FONTS: the application-data folder + "/fonts"
//   CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROGRAM_FILES: the running program's folder
// The XDG_*_DIR values come from the environment when set, else from
// $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config/user-dirs.dirs), where
// "$HOME/..." and absolute paths are understood. Relative XDG values are ignored.
// CSIDL_DRIVES and unknown values have no path.
std::string SpecialFolderPath(int Csidl);  // empty when none
// Path into a MAX_PATH buffer; with fCreate the folder is made (with its parents)
// when missing. FALSE when the folder has no path, does not fit, or cannot be made.
BOOL SHGetSpecialFolderPathA(HWND hwnd, LPSTR pszPath, int csidl, BOOL fCreate);
// S_OK; S_FALSE when the folder does not exist (and CSIDL_FLAG_CREATE was not given);
// E_INVALIDARG for an unknown folder; E_FAIL when it cannot be made.
HRESULT SHGetFolderPathA(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPSTR pszPath);

// ---- Temporary folder and files -------------------------------------------
// $TMPDIR when set and not empty, else /tmp; with a trailing '/'. The answer is the
// length; a buffer too small gets nothing and the answer is the size needed with the terminator.
DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer);
// lpPathName + up to three characters of lpPrefixString + four hexadecimal digits
// + ".tmp". uUnique 0: a free number is chosen and the file is created empty;
// otherwise the name uses uUnique's low 16 bits and nothing is created. The
// answer is the number used, 0 on failure. lpTempFileName holds MAX_PATH characters.
UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName);
// The program's folder (no system folder exists here; built-in modules are found by name).
UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize);
UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize);

// ---- Version ----------------------------------------------------------------
constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
struct OSVERSIONINFOEXA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};
// Always an NT-family system newer than XP: 6.1, build 7601, no service-pack text.
// dwOSVersionInfoSize must be the size of one of the two records.
BOOL GetVersionExA(OSVERSIONINFOA* lpVersionInformation);
DWORD GetVersion();  // the same as one number: major in the low byte, minor next, build in the high word

// ---- Opening documents, folders and links --------------------------------------
constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_NOASSOC = 31;
// lpOperation null, "open", "explore" or "edit": a document, folder or URL
// ("scheme:...") goes to xdg-open; an executable file is started with lpParameters
// split as a command line (no shell either way). The answer, as a number, is above
// 32 on success; SE_ERR_FNF for a missing file, SE_ERR_NOASSOC when xdg-open is not
// installed (GetLastError ERROR_NO_ASSOCIATION), SE_ERR_ACCESSDENIED for an unknown
// operation. The opener runs detached; we do not wait for it.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                        INT nShowCmd);

// ---- File operations ---------------------------------------------------------
constexpr UINT FO_MOVE = 0x0001;
constexpr UINT FO_COPY = 0x0002;
constexpr UINT FO_DELETE = 0x0003;
constexpr UINT FO_RENAME = 0x0004;
constexpr WORD FOF_MULTIDESTFILES = 0x0001;
constexpr WORD FOF_SILENT = 0x0004;
constexpr WORD FOF_RENAMEONCOLLISION = 0x0008;
constexpr WORD FOF_NOCONFIRMATION = 0x0010;
constexpr WORD FOF_ALLOWUNDO = 0x0040;
constexpr WORD FOF_FILESONLY = 0x0080;
constexpr WORD FOF_SIMPLEPROGRESS = 0x0100;
constexpr WORD FOF_NOCONFIRMMKDIR = 0x0200;
constexpr WORD FOF_NOERRORUI = 0x0400;
using FILEOP_FLAGS = WORD;
struct SHFILEOPSTRUCTA {
    HWND hwnd;
    UINT wFunc;
    LPCSTR pFrom;  // names each ended by NUL, the list by a further NUL
    LPCSTR pTo;
    FILEOP_FLAGS fFlags;
    BOOL fAnyOperationsAborted;
    LPVOID hNameMappings;
    LPCSTR lpszProgressTitle;
};
// FO_DELETE: each named file is deleted, each named folder with everything in it
// (symbolic links are removed, never followed). There is no recycle bin:
// FOF_ALLOWUNDO deletes as well. Other operations answer ERROR_NOT_SUPPORTED.
// 0 on success, else a system error number (the first failure; the walk goes on).
int SHFileOperationA(SHFILEOPSTRUCTA* lpFileOp);
struct SHFILEOPSTRUCTW {
    HWND hwnd;
    UINT wFunc;
    LPCWSTR pFrom;  // as SHFILEOPSTRUCTA, in UTF-16
    LPCWSTR pTo;
    FILEOP_FLAGS fFlags;
    BOOL fAnyOperationsAborted;
    LPVOID hNameMappings;
    LPCWSTR lpszProgressTitle;
};
// SHFileOperationA with the names converted to UTF-8.
int SHFileOperationW(SHFILEOPSTRUCTW* lpFileOp);

// ---- Dropped files -------------------------------------------------------------
// An HDROP is the address of a DROPFILES block allocated with std::malloc: the
// record, then at offset pFiles the names (UTF-8 when fWide is 0, UTF-16 when 1),
// each ended by NUL and the list by a further NUL. DragFinish frees it with std::free.
struct DROPFILES {
    DWORD pFiles;
    POINT pt;
    BOOL fNC;
    BOOL fWide;
};
// Builds such a block (for the screen layer and tests).
HDROP CreateDropFiles(const std::vector<std::string>& FileNames, POINT pt, bool Wide = false);
// iFile 0xFFFFFFFF: the number of names. Otherwise the length of name iFile
// (without terminator) when lpszFile is null, else the number of characters copied
// (at most cch - 1, terminated). 0 for an index out of range.
UINT DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch);
BOOL DragQueryPoint(HDROP hDrop, POINT* ppt);
void DragFinish(HDROP hDrop);
void DragAcceptFiles(HWND hWnd, BOOL fAccept);  // recorded by the window layer; nothing here

// ---- Volumes -----------------------------------------------------------------
constexpr DWORD FILE_CASE_SENSITIVE_SEARCH = 0x00000001;
constexpr DWORD FILE_CASE_PRESERVED_NAMES = 0x00000002;
constexpr DWORD FILE_UNICODE_ON_DISK = 0x00000004;
constexpr DWORD FILE_READ_ONLY_VOLUME = 0x00080000;
// For the file system holding lpRootPathName (any folder): the volume label (from
// /dev/disk/by-label, else empty), a serial number from the file-system id, the
// longest name, flags, and the file-system type ("ext4", "iso9660", "udf").
// FALSE with ERROR_PATH_NOT_FOUND when the folder does not exist.
BOOL GetVolumeInformationA(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer, DWORD nVolumeNameSize,
                           DWORD* lpVolumeSerialNumber, DWORD* lpMaximumComponentLength,
                           DWORD* lpFileSystemFlags, LPSTR lpFileSystemNameBuffer, DWORD nFileSystemNameSize);
