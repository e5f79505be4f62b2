#include "unicode/widewrappers.h"

BOOL SetWindowTextWide(HWND Wnd, LPCWSTR Text) { return SetWindowTextW(Wnd, Text); }

HANDLE CreateFileWide(LPCWSTR FileName, DWORD Access, DWORD Share, LPSECURITY_ATTRIBUTES Security,
                      DWORD Creation, DWORD FlagsAndAttributes, HANDLE Template) {
    return CreateFileW(FileName, Access, Share, Security, Creation, FlagsAndAttributes, Template);
}

DWORD GetFileAttributesWide(LPCWSTR FileName) { return GetFileAttributesW(FileName); }

HMODULE LoadLibraryWide(LPCWSTR FileName) { return LoadLibraryW(FileName); }

int DrawTextWide(HDC Dc, LPCWSTR Text, int Count, RECT* Rect, UINT Format) {
    return DrawTextW(Dc, Text, Count, Rect, Format);
}

DWORD GetModuleFileNameWide(HMODULE Module, LPWSTR Buffer, DWORD Size) {
    return GetModuleFileNameW(Module, Buffer, Size);
}

LPWSTR CharUpperWide(LPWSTR Text) { return CharUpperW(Text); }

DWORD CharUpperBuffWide(LPWSTR Text, DWORD Count) { return CharUpperBuffW(Text, Count); }

BOOL GetStringTypeExWide(DWORD Locale, DWORD InfoType, LPCWSTR Text, int Count, WORD* CharType) {
    return GetStringTypeExW(Locale, InfoType, Text, Count, CharType);
}

LPITEMIDLIST BrowseForFolderWide(BROWSEINFOW* Info) { return SHBrowseForFolderW(Info); }

bool IsIntResourceValue(uintptr_t Value) { return (Value >> 16) == 0; }
