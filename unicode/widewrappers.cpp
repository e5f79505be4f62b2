#include "unicode/widewrappers.h"

BOOL SetWindowTextWide(HWND Wnd, LPCWSTR Text) { return SetWindowTextW(Wnd, Text); }

DWORD GetFileAttributesWide(LPCWSTR FileName) { return GetFileAttributesW(FileName); }

int DrawTextWide(HDC Dc, LPCWSTR Text, int Count, RECT* Rect, UINT Format) {
    return DrawTextW(Dc, Text, Count, Rect, Format);
}

DWORD GetModuleFileNameWide(HMODULE Module, LPWSTR Buffer, DWORD Size) {
    return GetModuleFileNameW(Module, Buffer, Size);
}

LPWSTR CharUpperWide(LPWSTR Text) {
    const auto v = reinterpret_cast<uintptr_t>(Text);
    if (IsIntResourceValue(v)) {
        char16_t c = static_cast<char16_t>(v);
        CharUpperBuffW(&c, 1);
        return reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(c));
    }
    CharUpperBuffW(Text, static_cast<DWORD>(WideStrLen(Text)));
    return Text;
}

DWORD CharUpperBuffWide(LPWSTR Text, DWORD Count) { return CharUpperBuffW(Text, Count); }

BOOL GetStringTypeExWide(DWORD Locale, DWORD InfoType, LPCWSTR Text, int Count, WORD* CharType) {
    return GetStringTypeExW(Locale, InfoType, Text, Count, CharType);
}

LPITEMIDLIST BrowseForFolderWide(BROWSEINFOW* Info) { return SHBrowseForFolderW(Info); }

bool IsIntResourceValue(uintptr_t Value) { return (Value >> 16) == 0; }
