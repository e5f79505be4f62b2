// The folder picker component: the folder browser over our shell namespace,
// returning the chosen folder as a wide path.
#pragma once

#include <string>

#include "controls/extra/fp_shellnav.h"
#include "platform/classlib/classes_ext.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/windef.h"

// A dialog component: OnShow before its window opens, OnClose after it closed.
class TFpBaseDialog : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TFpBaseDialog(TComponent* AOwner) : TComponent(AOwner) {}
    TNotifyEvent OnShow, OnClose;

protected:
    void DoShow() {
        if (OnShow) OnShow(this);
    }
    void DoClose() {
        if (OnClose) OnClose(this);
    }
};

enum TFpBrowseFlag { bfNewDialogStyle, bfFileSystemOnly, bfBrowseIncludeFiles, bfEditBox };
using TFpBrowseFlags = TSet<TFpBrowseFlag>;

class TFpBrowseForFolder : public TFpBaseDialog {
    TESSARO_CLASSINFO
public:
    explicit TFpBrowseForFolder(TComponent* AOwner) : TFpBaseDialog(AOwner) {}

    const WideString& Title() const { return FTitle; }
    void SetTitle(const WideString& Value) { FTitle = Value; }
    TFpBrowseFlags Options() const { return FOptions; }
    // A set with bfEditBox also takes bfNewDialogStyle.
    void SetOptions(TFpBrowseFlags Value);
    const WideString& RootedAtFileSystemFolder() const { return FRootedAtFileSystemFolder; }
    // Also makes RootedAt SF_FILESYSTEMFOLDER.
    void SetRootedAtFileSystemFolder(const WideString& Value);
    TFpShellFolder RootedAt = SF_DESKTOP;
    // Before Execute: the folder selected when the browser opens; after it the
    // chosen folder; while open it follows the selection.
    const WideString& GetPath() const { return FPath; }
    void SetPath(const WideString& Value) { FPath = Value; }
    // The dialog's position; both above 0 place it, otherwise it is centred.
    // While open, reading gives and writing moves the window's edge.
    int DialogLeft();
    int DialogTop();
    void SetDialogLeft(int Value);
    void SetDialogTop(int Value);
    const WideString& WindowTitle() const { return FWindowTitle; }
    void SetWindowTitle(const WideString& Value);
    const WideString& DialogButtonCaption() const { return FButtonCaption; }
    void SetDialogButtonCaption(const WideString& Value);
    TNotifyEvent OnChange;
    HWND DialogWindow() const { return FWindow; }

    // True when the user confirmed an item.
    bool Execute();

private:
    friend int FpBrowseCallback(HWND Window, UINT Msg, LPARAM Param, LPARAM Data);
    HWND OwnerWindow() const;
    void Position();

    WideString FTitle, FPath, FRootedAtFileSystemFolder, FWindowTitle, FButtonCaption;
    TFpBrowseFlags FOptions{bfNewDialogStyle};
    int FLeft = -1, FTop = -1;
    HWND FWindow = nullptr;
};

void RegisterFpBrowseForFolder();
