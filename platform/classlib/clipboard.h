// The class library's clipboard object over the platform clipboard: nested
// opening (the clipboard stays open until the outermost Close), text in UTF-8
// as CF_TEXT, and raw handles of any format.
#pragma once

#include <string>

#include "platform/win/winuser.h"

class TClipboard {
public:
    TClipboard() = default;
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;
    // Opens the platform clipboard on the first call; EOSError when another
    // thread holds it open.
    void Open();
    // Closes it when the calls are balanced; an unbalanced Close does nothing.
    void Close();
    // Empties it (opening it for the time when it is not open).
    void Clear();
    bool HasFormat(UINT Format) const;
    // The text (CF_TEXT, also offered from CF_UNICODETEXT); empty when none.
    std::string AsText();
    // Replaces the clipboard's contents with the text.
    void SetAsText(const std::string& Text);
    // Adds a movable block (WinGlobalAlloc) of a format; the clipboard owns it.
    void SetAsHandle(UINT Format, HANDLE Value);
    HANDLE GetAsHandle(UINT Format);

private:
    int FOpenRefCount = 0;
    bool FEmptied = false;
};

// The process's clipboard object.
TClipboard& Clipboard();
