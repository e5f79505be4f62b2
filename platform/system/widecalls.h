// Wide (UTF-16) forms of system calls: file attributes, the command line, the
// module file name and character types. Names go to the file system as UTF-8.
#pragma once

#include "platform/rtl/windef.h"
#include "platform/system/sysdefs.h"

#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#ifndef FILE_ATTRIBUTE_READONLY
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#endif
#ifndef FILE_ATTRIBUTE_HIDDEN
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#endif
#ifndef FILE_ATTRIBUTE_DIRECTORY
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#endif
#ifndef FILE_ATTRIBUTE_NORMAL
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#endif

#define CT_CTYPE1 0x00000001u
#define C1_UPPER 0x0001u
#define C1_LOWER 0x0002u
#define C1_DIGIT 0x0004u
#define C1_SPACE 0x0008u
#define C1_PUNCT 0x0010u
#define C1_CNTRL 0x0020u
#define C1_BLANK 0x0040u
#define C1_XDIGIT 0x0080u
#define C1_ALPHA 0x0100u
#define C1_DEFINED 0x0200u

// INVALID_FILE_ATTRIBUTES with ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND /
// ERROR_ACCESS_DENIED when the path cannot be examined. Names starting with a
// dot are hidden; files without write permission are read-only.
DWORD GetFileAttributesW(LPCWSTR lpFileName);
// The program's arguments as one line: each in double quotes when it holds a
// blank or is empty (a double quote inside an argument cannot be represented).
LPCWSTR GetCommandLineW();
// As GetModuleFileNameA, counted in UTF-16 units.
DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
// Only CT_CTYPE1; the type words follow glibc's classes under the program's
// UTF-8 character type. Surrogates are typed as defined and nothing else.
BOOL GetStringTypeExW(DWORD Locale, DWORD dwInfoType, LPCWSTR lpSrcStr, int cchSrc, WORD* lpCharType);
// Finds a built-in module as LoadLibraryA does, by its wide file name.
HMODULE LoadLibraryW(LPCWSTR lpLibFileName);
// Upper-cases in place (towupper); answers the units handled.
DWORD CharUpperBuffW(LPWSTR lpsz, DWORD cchLength);
// A text address is upper-cased in place and returned; a value whose high bits
// are 0 is one character, returned upper-cased in the low word.
LPWSTR CharUpperW(LPWSTR lpsz);
