#include "controls/extra/fp_browse.h"

#include <sys/stat.h>

#include "platform/classlib/forms.h"
#include "platform/classlib/formload.h"
#include "platform/commctl/shlobj_dialogs.h"
#include "unicode/widewrappers.h"
#include "platform/system/unicode_conv.h"
#include "platform/rtl/scope.h"

using sysconv::Utf16ToUtf8;

namespace {
bool DirExists(const WideString& Path) {
    struct stat S;
    const std::string P = Utf16ToUtf8(Path);
    return !P.empty() && ::stat(P.c_str(), &S) == 0 && S_ISDIR(S.st_mode);
}
}  // namespace

void TFpBrowseForFolder::SetOptions(TFpBrowseFlags Value) {
    if (Value.Contains(bfEditBox)) Value.Include(bfNewDialogStyle);
    FOptions = Value;
}

void TFpBrowseForFolder::SetRootedAtFileSystemFolder(const WideString& Value) {
    FRootedAtFileSystemFolder = Value;
    RootedAt = SF_FILESYSTEMFOLDER;
}

int TFpBrowseForFolder::DialogLeft() {
    RECT R;
    if (FWindow && GetWindowRect(FWindow, &R)) return R.left;
    return FLeft;
}

int TFpBrowseForFolder::DialogTop() {
    RECT R;
    if (FWindow && GetWindowRect(FWindow, &R)) return R.top;
    return FTop;
}

void TFpBrowseForFolder::SetDialogLeft(int Value) {
    FLeft = Value;
    if (FWindow) Position();
}

void TFpBrowseForFolder::SetDialogTop(int Value) {
    FTop = Value;
    if (FWindow) Position();
}

void TFpBrowseForFolder::SetWindowTitle(const WideString& Value) {
    FWindowTitle = Value;
    if (FWindow) SendMessageW(FWindow, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TFpBrowseForFolder::SetDialogButtonCaption(const WideString& Value) {
    FButtonCaption = Value;
    if (FWindow) SetWindowTextW(GetDlgItem(FWindow, IDOK), Value.c_str());
}

void TFpBrowseForFolder::Position() {
    RECT R;
    if (!FWindow || !GetWindowRect(FWindow, &R)) return;
    int X = FLeft, Y = FTop;
    if (!(FLeft > 0 && FTop > 0)) {
        X = GetSystemMetrics(SM_CXSCREEN) / 2 - (R.right - R.left) / 2;
        Y = GetSystemMetrics(SM_CYSCREEN) / 2 - (R.bottom - R.top) / 2;
    }
    SetWindowPos(FWindow, /*hWndInsertAfter=*/nullptr, X, Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND TFpBrowseForFolder::OwnerWindow() const {
    // The form this component sits on, through windowed owners that are not forms.
    for (TComponent* O = Owner(); O; O = O->Owner()) {
        if (auto* F = dynamic_cast<TCustomForm*>(O)) return F->Handle();
        if (!dynamic_cast<TWinControl*>(O)) break;
    }
    if (Application && Application->MainForm()) return Application->MainForm()->Handle();
    return Application ? Application->Handle() : nullptr;
}

int FpBrowseCallback(HWND Window, UINT Msg, LPARAM Param, LPARAM Data) {
    auto* B = reinterpret_cast<TFpBrowseForFolder*>(Data);
    if (!B) return 0;
    const bool FsOnly = B->FOptions.Contains(bfFileSystemOnly);
    if (Msg == BFFM_INITIALIZED) {
        B->FWindow = Window;
        B->Position();
        // An empty path selects Computer.
        LPITEMIDLIST Start = ParsePathToPIDL(/*Folder=*/nullptr, B->FPath);
        if (Start) SendMessageW(Window, BFFM_SETSELECTIONA, 0, reinterpret_cast<LPARAM>(Start));
        FreePIDL(Start);
        SendMessageW(Window, BFFM_ENABLEOK, 0, !FsOnly || !B->FPath.empty());
        if (!B->FWindowTitle.empty()) B->SetWindowTitle(B->FWindowTitle);
        if (!B->FButtonCaption.empty()) B->SetDialogButtonCaption(B->FButtonCaption);
    } else if (Msg == BFFM_SELCHANGED && B->FWindow) {
        B->FPath = PIDLToPathWide(reinterpret_cast<LPCITEMIDLIST>(Param));
        if (FsOnly) SendMessageW(Window, BFFM_ENABLEOK, 0, !B->FPath.empty());
        if (B->OnChange) B->OnChange(B);
    }
    return 0;
}

bool TFpBrowseForFolder::Execute() {
    LPITEMIDLIST Root = DirExists(FRootedAtFileSystemFolder)
                            ? ParsePathToPIDL(/*Folder=*/nullptr, FRootedAtFileSystemFolder)
                            : ShellFolderToPIDL(RootedAt);
    char16_t Display[261] = {0};
    BROWSEINFOW Info{};
    Info.hwndOwner = OwnerWindow();
    Info.pidlRoot = Root;
    Info.pszDisplayName = Display;
    Info.lpszTitle = FTitle.c_str();
    const UINT Bits[] = {BIF_NEWDIALOGSTYLE, BIF_RETURNONLYFSDIRS, BIF_BROWSEINCLUDEFILES, BIF_EDITBOX};
    for (int F = bfNewDialogStyle; F <= bfEditBox; ++F)
        if (FOptions.Contains(static_cast<TFpBrowseFlag>(F))) Info.ulFlags |= Bits[F];
    Info.lpfn = FpBrowseCallback;
    Info.lParam = reinterpret_cast<LPARAM>(this);
    LPITEMIDLIST Chosen = nullptr;
    bool Result = false;
    {
        rtl::TScopeExit FreeIds([&] {
            FreePIDL(Chosen);
            FreePIDL(Root);
            FWindow = nullptr;
            DoClose();
        });
        DoShow();
        const WideString Before = FPath;
        Chosen = BrowseForFolderWide(&Info);
        Result = Chosen != nullptr;
        // A cancelled dialog leaves Path as it was before, whatever it showed meanwhile.
        FPath = Result ? PIDLToPathWide(Chosen) : Before;
        if (Chosen && FPath.empty()) {
            // An item without a path: its name, as the namespace gives it.
            TShellNav Nav(nullptr);
            Nav.SetFolderIDList(Chosen);
            Nav.MoveUp();
            FPath = Nav.ObjectName();
            if (FPath.empty()) FPath = Display;
        }
    }
    return Result;
}

namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;
}

TClassInfo& TFpBaseDialog::StaticClassInfo() {
    static TClassInfo CI("TFpBaseDialog", &TComponent::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        C.Define<TFpBaseDialog>("OnShow", TSetter<TFpBaseDialog>([](TFpBaseDialog& O, const TFormValue& V,
                                                                     TFormReader& R) {
                                    O.OnShow = R.Method<TNotifyEvent>(V);
                                }));
        C.Define<TFpBaseDialog>("OnClose", TSetter<TFpBaseDialog>([](TFpBaseDialog& O, const TFormValue& V,
                                                                      TFormReader& R) {
                                    O.OnClose = R.Method<TNotifyEvent>(V);
                                }));
    });
    return CI;
}

TClassInfo& TFpBrowseForFolder::StaticClassInfo() {
    static TClassInfo CI(
        "TFpBrowseForFolder", &TFpBaseDialog::StaticClassInfo(), CreateComponentOf<TFpBrowseForFolder>,
        [](TClassInfo& C) {
            using O = TFpBrowseForFolder;
            using S = TSetter<O>;
            auto Wide = [](TFormReader& R, const TFormValue& V) { return sysconv::Utf8ToUtf16(R.String(V)); };
            C.Define<O>("Title", S([Wide](O& B, const TFormValue& V, TFormReader& R) { B.SetTitle(Wide(R, V)); }));
            C.Define<O>("Options", S([](O& B, const TFormValue& V, TFormReader& R) {
                            B.SetOptions(R.Set<TFpBrowseFlag>(
                                V, {"bfNewDialogStyle", "bfFileSystemOnly", "bfBrowseIncludeFiles", "bfEditBox"}));
                        }));
            C.Define<O>("RootedAtFileSystemFolder", S([Wide](O& B, const TFormValue& V, TFormReader& R) {
                            B.SetRootedAtFileSystemFolder(Wide(R, V));
                        }));
            C.Define<O>("Path", S([Wide](O& B, const TFormValue& V, TFormReader& R) { B.SetPath(Wide(R, V)); }));
            C.Define<O>("DialogLeft", S([](O& B, const TFormValue& V, TFormReader& R) {
                            B.SetDialogLeft(static_cast<int>(R.Int(V)));
                        }));
            C.Define<O>("DialogTop", S([](O& B, const TFormValue& V, TFormReader& R) {
                            B.SetDialogTop(static_cast<int>(R.Int(V)));
                        }));
            C.Define<O>("WindowTitle", S([Wide](O& B, const TFormValue& V, TFormReader& R) {
                            B.SetWindowTitle(Wide(R, V));
                        }));
            C.Define<O>("DialogButtonCaption", S([Wide](O& B, const TFormValue& V, TFormReader& R) {
                            B.SetDialogButtonCaption(Wide(R, V));
                        }));
            C.Define<O>("OnChange", S([](O& B, const TFormValue& V, TFormReader& R) {
                            B.OnChange = R.Method<TNotifyEvent>(V);
                        }));
        });
    return CI;
}

void RegisterFpBrowseForFolder() { RegisterClasses({&TFpBrowseForFolder::StaticClassInfo()}); }
