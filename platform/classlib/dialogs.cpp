#include "platform/classlib/dialogs.h"

#include <cstring>

#include <functional>
#include <vector>

#include "platform/classlib/formload.h"
#include "platform/commctl/commctrl.h"
#include "platform/commctl/colordlg.h"
#include "platform/commctl/commdlg.h"

namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;
}

// ---- Open and save dialogs ----------------------------------------------------------
TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner), FFiles(std::make_unique<TStringList>()) {}
TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Run(void* Ofn) { return GetOpenFileNameA(static_cast<OPENFILENAMEA*>(Ofn)) != FALSE; }
bool TSaveDialog::Run(void* Ofn) { return GetSaveFileNameA(static_cast<OPENFILENAMEA*>(Ofn)) != FALSE; }

bool TOpenDialog::Execute() {
    // The filter's '|' become the NULs the platform's dialog reads.
    std::string F = Filter;
    for (char& C : F)
        if (C == '|') C = '\0';
    F.append(2, '\0');
    std::vector<char> Buf(64 * 1024, '\0');
    FileName.copy(Buf.data(), std::min(FileName.size(), Buf.size() - 2));
    static const DWORD Flags[] = {
        OFN_READONLY, OFN_OVERWRITEPROMPT, OFN_HIDEREADONLY, OFN_NOCHANGEDIR, OFN_SHOWHELP, OFN_NOVALIDATE,
        OFN_ALLOWMULTISELECT, OFN_EXTENSIONDIFFERENT, OFN_PATHMUSTEXIST, OFN_FILEMUSTEXIST, OFN_CREATEPROMPT,
        OFN_SHAREAWARE, OFN_NOREADONLYRETURN, OFN_NOTESTFILECREATE, OFN_NONETWORKBUTTON, OFN_NOLONGNAMES, 0,
        OFN_NODEREFERENCELINKS, OFN_ENABLEINCLUDENOTIFY, OFN_ENABLESIZING, OFN_DONTADDTORECENT, OFN_FORCESHOWHIDDEN};
    OPENFILENAMEA O{};
    O.lStructSize = sizeof O;
    if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated())
        O.hwndOwner = Screen->ActiveForm()->Handle();
    O.lpstrFilter = Filter.empty() ? nullptr : F.c_str();
    O.nFilterIndex = static_cast<DWORD>(FilterIndex);
    O.lpstrFile = Buf.data();
    O.nMaxFile = static_cast<DWORD>(Buf.size());
    O.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
    O.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    O.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
    O.Flags = OFN_EXPLORER;
    for (size_t I = 0; I < sizeof Flags / sizeof Flags[0]; ++I)
        if (Options.Contains(static_cast<TOpenOption>(I))) O.Flags |= Flags[I];
    FFiles->Clear();
    if (!Run(&O)) return false;
    FilterIndex = static_cast<int>(O.nFilterIndex);
    // Several files: the folder, then each name, NUL-separated.
    std::vector<std::string> Parts;
    for (const char* P = Buf.data(); *P; P += std::strlen(P) + 1) Parts.emplace_back(P);
    if (Parts.size() > 1) {
        std::string Dir = Parts[0];
        if (Dir.empty() || Dir.back() != '/') Dir += '/';
        for (size_t I = 1; I < Parts.size(); ++I) FFiles->Add(Dir + Parts[I]);
    } else if (!Parts.empty()) {
        FFiles->Add(Parts[0]);
    }
    FileName = FFiles->Count() ? FFiles->Get(0) : std::string();
    return true;
}

TClassInfo& TOpenDialog::StaticClassInfo() {
    static TClassInfo CI("TOpenDialog", &TComponent::StaticClassInfo(), CreateComponentOf<TOpenDialog>, [](TClassInfo& C) {
        using S = TSetter<TOpenDialog>;
        C.Define<TOpenDialog>("Filter", S([](TOpenDialog& O, const TFormValue& V, TFormReader& R) { O.Filter = R.String(V); }));
        C.Define<TOpenDialog>("FilterIndex", S([](TOpenDialog& O, const TFormValue& V, TFormReader& R) {
                                  O.FilterIndex = static_cast<int>(R.Int(V));
                              }));
        C.Define<TOpenDialog>("InitialDir", S([](TOpenDialog& O, const TFormValue& V, TFormReader& R) { O.InitialDir = R.String(V); }));
        C.Define<TOpenDialog>("FileName", S([](TOpenDialog& O, const TFormValue& V, TFormReader& R) { O.FileName = R.String(V); }));
        C.Define<TOpenDialog>("DefaultExt", S([](TOpenDialog& O, const TFormValue& V, TFormReader& R) { O.DefaultExt = R.String(V); }));
        C.Define<TOpenDialog>("Title", S([](TOpenDialog& O, const TFormValue& V, TFormReader& R) { O.Title = R.String(V); }));
        C.Define<TOpenDialog>("Options", S([](TOpenDialog& O, const TFormValue& V, TFormReader& R) {
                                  O.Options = R.Set<TOpenOption>(
                                      V, {"ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir",
                                          "ofShowHelp", "ofNoValidate", "ofAllowMultiSelect", "ofExtensionDifferent",
                                          "ofPathMustExist", "ofFileMustExist", "ofCreatePrompt", "ofShareAware",
                                          "ofNoReadOnlyReturn", "ofNoTestFileCreate", "ofNoNetworkButton",
                                          "ofNoLongNames", "ofOldStyleDialog", "ofNoDereferenceLinks",
                                          "ofEnableIncludeNotify", "ofEnableSizing", "ofDontAddToRecent",
                                          "ofForceShowHidden"});
                              }));
    });
    return CI;
}

TClassInfo& TSaveDialog::StaticClassInfo() {
    static TClassInfo CI("TSaveDialog", &TOpenDialog::StaticClassInfo(), CreateComponentOf<TSaveDialog>);
    return CI;
}

// ---- Colour dialog --------------------------------------------------------------------
TColorDialog::TColorDialog(TComponent* AOwner) : TComponent(AOwner), FCustomColors(std::make_unique<TStringList>()) {}
TColorDialog::~TColorDialog() = default;

bool TColorDialog::Execute() {
    COLORREF custom[16];
    for (int i = 0; i < 16; ++i) {
        custom[i] = 0xFFFFFF;
        const std::string v = FCustomColors->Values(std::string("Color") + static_cast<char>('A' + i));
        if (!v.empty()) custom[i] = static_cast<COLORREF>(std::strtoul(v.c_str(), nullptr, 16)) & 0xFFFFFF;
    }
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    TCustomForm* active = Screen ? Screen->ActiveForm() : nullptr;
    cc.hwndOwner = active ? active->Handle() : nullptr;
    cc.rgbResult = static_cast<COLORREF>(ColorToRGB(Color));
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | (Options.Contains(cdFullOpen) ? CC_FULLOPEN : 0) |
               (Options.Contains(cdPreventFullOpen) ? CC_PREVENTFULLOPEN : 0) |
               (Options.Contains(cdSolidColor) ? CC_SOLIDCOLOR : 0) | (Options.Contains(cdAnyColor) ? CC_ANYCOLOR : 0);
    if (!ChooseColorW(&cc)) return false;
    Color = static_cast<TColor>(cc.rgbResult);
    return true;
}

TClassInfo& TColorDialog::StaticClassInfo() {
    static TClassInfo CI("TColorDialog", &TComponent::StaticClassInfo(), CreateComponentOf<TColorDialog>);
    return CI;
}

void RegisterDialogsClasses() {
    RegisterClasses({&TOpenDialog::StaticClassInfo(), &TSaveDialog::StaticClassInfo(), &TColorDialog::StaticClassInfo()});
}

// ---- Message dialogs ------------------------------------------------------------------

TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
    static const char* const Captions[] = {"Warning", "Error", "Information", "Confirm", ""};
    static const UINT Icons[] = {MB_ICONWARNING, MB_ICONERROR, MB_ICONINFORMATION, MB_ICONQUESTION, 0};
    UINT Type = MB_OK;
    auto Has = [&](TMsgDlgBtn B) { return Buttons.Contains(B); };
    if (Has(mbYes) && Has(mbNo))
        Type = Has(mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
    else if (Has(mbAbort) || Has(mbIgnore))
        Type = MB_ABORTRETRYIGNORE;
    else if (Has(mbRetry))
        Type = MB_RETRYCANCEL;
    else if (Has(mbOK) && Has(mbCancel))
        Type = MB_OKCANCEL;
    std::string Caption = DlgType == mtCustom ? (Application ? Application->Title() : std::string()) : Captions[DlgType];
    UINT Flags = Type | Icons[DlgType];
    int R = Application ? Application->MessageBox(Msg, Caption, Flags)
                        : MessageBoxA(/*hWnd=*/nullptr, Msg.c_str(), Caption.c_str(), Flags);
    // The ids of the buttons are the modal results of the same names.
    return R;
}

void ShowMessage(const std::string& Msg) {
    if (Application)
        Application->MessageBox(Msg, Application->Title(), MB_OK);
    else
        MessageBoxA(/*hWnd=*/nullptr, Msg.c_str(), "", MB_OK);
}
