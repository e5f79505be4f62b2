#include "unicode/widewrappers.h"

#include "platform/commctl/shellmodule.h"
#include "platform/system/module.h"

namespace {
// shell32's entry points, looked up on the first wide browse.
struct TShell32 {
    HMODULE Module = nullptr;
    FARPROC FileOperation = nullptr, BrowseForFolder = nullptr, GetPathFromIDList = nullptr, GetFileInfo = nullptr;
};
TShell32 Shell32;

FARPROC EntryOf(HMODULE Module, const char* Name) {
    FARPROC P = GetProcAddress(Module, Name);
    RaiseLastErrorIfNil(reinterpret_cast<void*>(P));
    return P;
}
}  // namespace

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

LPITEMIDLIST BrowseForFolderWide(BROWSEINFOW* Info) {
    if (!Shell32.Module) {
        RegisterShellModule();
        TShell32 S;
        S.Module = static_cast<HMODULE>(RaiseLastErrorIfNil(LoadLibraryWide(u"shell32.dll")));
        S.FileOperation = EntryOf(S.Module, "SHFileOperationW");
        S.BrowseForFolder = EntryOf(S.Module, "SHBrowseForFolderW");
        S.GetPathFromIDList = EntryOf(S.Module, "SHGetPathFromIDListW");
        S.GetFileInfo = EntryOf(S.Module, "SHGetFileInfoW");
        Shell32 = S;
    }
    return reinterpret_cast<LPITEMIDLIST (*)(BROWSEINFOW*)>(Shell32.BrowseForFolder)(Info);
}

void FreeShell32Module() {
    if (Shell32.Module) FreeLibrary(Shell32.Module);
    Shell32 = TShell32{};
}

bool Shell32Loaded() { return Shell32.Module != nullptr; }

bool IsIntResourceValue(uintptr_t Value) { return (Value >> 16) == 0; }
