// Wide calls of the Unicode layer. Every system here is a Unicode one, so each
// wrapper is the wide call itself; the names are the ones the layer's callers use.
#pragma once

#include "platform/commctl/shlobj_dialogs.h"
#include "platform/gdi/gdi.h"
#include "platform/system/process.h"
#include "platform/system/widecalls.h"
#include "platform/win/winuser.h"
#include "unicode/widestrings.h"

BOOL SetWindowTextWide(HWND Wnd, LPCWSTR Text);
HANDLE CreateFileWide(LPCWSTR FileName, DWORD Access, DWORD Share, LPSECURITY_ATTRIBUTES Security,
                      DWORD Creation, DWORD FlagsAndAttributes, HANDLE Template);
DWORD GetFileAttributesWide(LPCWSTR FileName);
HMODULE LoadLibraryWide(LPCWSTR FileName);
int DrawTextWide(HDC Dc, LPCWSTR Text, int Count, RECT* Rect, UINT Format);
DWORD GetModuleFileNameWide(HMODULE Module, LPWSTR Buffer, DWORD Size);
// A text address is upper-cased in place and returned; a value whose high bits
// are 0 is one character, returned upper-cased.
LPWSTR CharUpperWide(LPWSTR Text);
DWORD CharUpperBuffWide(LPWSTR Text, DWORD Count);
BOOL GetStringTypeExWide(DWORD Locale, DWORD InfoType, LPCWSTR Text, int Count, WORD* CharType);
// The first call loads the built-in shell32.dll and looks its four entry points
// up (a failure raises the last system error); SHBrowseForFolderW runs with Info.
LPITEMIDLIST BrowseForFolderWide(BROWSEINFOW* Info);
// Frees shell32 when a browse loaded it (at the layer's end).
void FreeShell32Module();
bool Shell32Loaded();
bool IsIntResourceValue(uintptr_t Value);
