#include "platform/classlib/clipboard.h"

#include <cstring>

#include "platform/rtl/sysutils.h"
#include "platform/rtl/scope.h"

void TClipboard::Open() {
    if (FOpenRefCount == 0) {
        if (!OpenClipboard(nullptr)) throw EOSError("Cannot open clipboard", static_cast<int>(GetLastError()));
        FEmptied = false;
    }
    ++FOpenRefCount;
}

void TClipboard::Close() {
    if (FOpenRefCount == 0) return;
    if (--FOpenRefCount == 0) CloseClipboard();
}

void TClipboard::Clear() {
    Open();
    EmptyClipboard();
    FEmptied = true;
    Close();
}

bool TClipboard::HasFormat(UINT Format) const { return IsClipboardFormatAvailable(Format) != 0; }

std::string TClipboard::AsText() {
    Open();
    std::string Out;
    if (HANDLE H = GetClipboardData(CF_TEXT)) {
        const auto* P = static_cast<const char*>(WinGlobalLock(H));
        if (P) Out.assign(P, strnlen(P, WinGlobalSize(H)));
    }
    Close();
    return Out;
}

void TClipboard::SetAsText(const std::string& Text) {
    Open();
    rtl::TScopeExit CloseAtExit([&] { Close(); });
    EmptyClipboard();
    FEmptied = true;
    HGLOBAL Block = WinGlobalAlloc(Text.size() + 1);
    std::memcpy(WinGlobalLock(Block), Text.c_str(), Text.size() + 1);
    SetClipboardData(CF_TEXT, Block);
}

void TClipboard::SetAsHandle(UINT Format, HANDLE Value) {
    Open();
    rtl::TScopeExit CloseAtExit([&] { Close(); });
    // The first data of an opening replaces what was there.
    if (!FEmptied) {
        EmptyClipboard();
        FEmptied = true;
    }
    SetClipboardData(Format, Value);
}

HANDLE TClipboard::GetAsHandle(UINT Format) {
    Open();
    HANDLE H = GetClipboardData(Format);
    Close();
    return H;
}

TClipboard& Clipboard() {
    static TClipboard* C = new TClipboard;  // lives to the end of the process
    return *C;
}
