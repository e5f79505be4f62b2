// The folder picker component: the shell's folder browser with a title and a
// folder selected when it opens.
#pragma once

#include <string>

#include "platform/classlib/classes_ext.h"
#include "platform/rtl/windef.h"

class TFpBrowseForFolder : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TFpBrowseForFolder(TComponent* AOwner) : TComponent(AOwner) {}
    const std::u16string& Title() const { return FTitle; }
    void SetTitle(const std::u16string& Value) { FTitle = Value; }
    // Before Execute: the folder selected when the browser opens; after a
    // confirmed Execute: the chosen folder.
    const std::u16string& GetPath() const { return FPath; }
    void SetPath(const std::u16string& Value) { FPath = Value; }
    // The browser's owner window (the active window when none is set).
    HWND Owner = nullptr;
    // True when the user confirmed a folder.
    bool Execute();

private:
    std::u16string FTitle, FPath;
};

void RegisterFpBrowseForFolder();
