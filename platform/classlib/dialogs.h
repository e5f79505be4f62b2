// Message dialogs of the class library, shown as platform message boxes.
#pragma once

#include <memory>
#include <string>

#include "platform/classlib/forms.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// ---- Open and save dialogs --------------------------------------------------------
enum TOpenOption {
    ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate, ofAllowMultiSelect,
    ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn,
    ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify,
    ofEnableSizing, ofDontAddToRecent, ofForceShowHidden
};
using TOpenOptions = TSet<TOpenOption>;

class TOpenDialog : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TOpenDialog(TComponent* AOwner);
    ~TOpenDialog() override;
    // "Videos|*.avi;*.mpg|All files|*.*"
    std::string Filter;
    int FilterIndex = 1;
    std::string InitialDir;
    std::string FileName;
    std::string DefaultExt;
    std::string Title;
    TOpenOptions Options{ofHideReadOnly, ofEnableSizing};
    // Every chosen file with its full path (one when not multi-select).
    TStrings& Files() { return *FFiles; }
    // True when the user chose; FileName and Files hold the choice.
    virtual bool Execute();

protected:
    virtual bool Run(void* OpenFileName);

private:
    std::unique_ptr<TStrings> FFiles;
};

class TSaveDialog : public TOpenDialog {
    TESSARO_CLASSINFO
public:
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}

protected:
    bool Run(void* OpenFileName) override;
};

// ---- Colour dialog ------------------------------------------------------------------
enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
using TColorDialogOptions = TSet<TColorDialogOption>;

class TColorDialog : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TColorDialog(TComponent* AOwner);
    ~TColorDialog() override;
    TColor Color = 0;
    // Up to sixteen custom colours as "ColorA=RRGGBB" .. "ColorP=..." (hexadecimal
    // of the colour value, blue in the high byte); unset ones are white.
    TStrings& CustomColors() { return *FCustomColors; }
    TColorDialogOptions Options;
    // True when the user chose OK; Color holds the choice.
    virtual bool Execute();

private:
    std::unique_ptr<TStrings> FCustomColors;
};

void RegisterDialogsClasses();

// The caption is the type's ("Warning", "Error", "Information", "Confirm"),
// the application's title for mtCustom. The buttons map to the nearest
// message-box set; the result is the modal result of the button chosen.
TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
void ShowMessage(const std::string& Msg);
