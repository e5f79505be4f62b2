#include "unicode/uniforms.h"

#include <algorithm>
#include <cstdio>
#include <typeinfo>

#include "platform/rtl/scope.h"
#include "platform/system/process.h"

#include "platform/commctl/commctrl.h"
#include "unicode/uniactnlist.h"
#include "unicode/unimenus.h"
#include "unicode/widepropertyfilers.h"

TUniApplication* UniApplication = nullptr;

namespace {
HHOOK WideCharHook = nullptr;

LRESULT CALLBACK WideCharHookProc(int Code, WPARAM W, LPARAM L) {
    if (Code >= 0 && W == PM_REMOVE && UniApplication) {
        MSG* Msg = reinterpret_cast<MSG*>(L);
        try {
            if (DispatchWideCharMessage(*Msg)) Msg->message = WM_NULL;
        } catch (...) {
            Msg->message = WM_NULL;
            if (Application) Application->HandleException(UniApplication);
        }
    }
    return CallNextHookEx(WideCharHook, Code, W, L);
}
}  // namespace

// ---- TUniForm ---------------------------------------------------------------------
TClassInfo& TUniForm::StaticClassInfo() {
    static TClassInfo CI("TUniForm", &TForm::StaticClassInfo(), CreateComponentOf<TUniForm>, [](TClassInfo& C) {
        auto Self = [](TPersistent& O) -> TUniForm& { return static_cast<TUniForm&>(O); };
        auto Get = [](const TPersistent& O) -> TUniForm& { return const_cast<TUniForm&>(static_cast<const TUniForm&>(O)); };
        DefineWidePropertyFilers(
            C, {{"Caption", TWidePropertyKind::String, [Get](const TPersistent& O) { return Get(O).Caption(); },
                 [Self](TPersistent& O, const WideString& S) { Self(O).SetCaption(S); },
                 [Get](const TPersistent& O) { return ControlCaptionStored(&Get(O)); }},
                {"Hint", TWidePropertyKind::String, [Get](const TPersistent& O) { return Get(O).Hint(); },
                 [Self](TPersistent& O, const WideString& S) { Self(O).SetHint(S); },
                 [Get](const TPersistent& O) { return ControlHintStored(&Get(O)); }}});
    });
    return CI;
}

namespace {
TMenuItem* ItemWithSubmenu(TMenuItem* Parent, HMENU Sub) {
    for (int I = 0; I < Parent->Count(); ++I) {
        TMenuItem* Item = Parent->Items(I);
        if (Item->Count() > 0) {
            if (Item->Handle() == Sub) return Item;
            if (TMenuItem* Found = ItemWithSubmenu(Item, Sub)) return Found;
        }
    }
    return nullptr;
}
}  // namespace

void TUniForm::WndProc(TMessage& M) {
    if (M.Msg == WM_MENUSELECT && UniApplication && Menu()) {
        const UINT Flags = HIWORD(M.WParam), Item = LOWORD(M.WParam);
        TMenuItem* Found = nullptr;
        if (!(Flags == 0xFFFF && M.LParam == 0)) {
            if (Flags & MF_POPUP)
                Found = ItemWithSubmenu(Menu()->Items(), GetSubMenu(reinterpret_cast<HMENU>(M.LParam), static_cast<int>(Item)));
            else
                Found = TMenuItem::FindByCommand(static_cast<WORD>(Item));
        }
        UniApplication->SetHint(Found ? GetLongWideHint(GetMenuItemWideHint(Found)) : WideString());
    }
    TForm::WndProc(M);
}

void TUniForm::CreateWnd() {
    if (!IsUnicodePlatform) {
        TForm::CreateWnd();
        return;
    }
    TCreateParams P;
    CreateParams(P);
    P.ExStyle &= ~static_cast<DWORD>(0x80000);  // WS_EX_LAYERED: layering is applied to the made window
    CreateUnicodeWindow(this, P, "");
    CreateWindowHandle(P);
}

// ---- The idle control -------------------------------------------------------------
TUniAppIdleEventControl::TUniAppIdleEventControl(TComponent* AOwner) : TControl(AOwner), FAction(new TAction(this)) {
    auto Update = [](TObject*) {
        if (UniApplication) UniApplication->UpdateHint();
    };
    FAction->OnExecute = Update;
    FAction->OnUpdate = Update;
    SetAction(FAction);
    SetBounds(0, 0, 0, 0);
}

TUniAppIdleEventControl::~TUniAppIdleEventControl() {
    if (UniApplication && UniApplication->FIdleEventControl == this) UniApplication->FIdleEventControl = nullptr;
}

// ---- TUniApplication --------------------------------------------------------------
TUniApplication::TUniApplication() : TComponent(nullptr) {
    if (Application) FHookId = Application->HookMainWindow([this](TMessage& M) { return AppWindowHook(M); });
}

bool TUniApplication::AppWindowHook(TMessage& M) {
    if (M.Msg == WM_CREATE) {
        // The stored wide title, unless the library's title changed after it
        // (the window's creation record holds the title it was given).
        const auto* CS = reinterpret_cast<const CREATESTRUCTA*>(M.LParam);
        if (!FTitle.empty() && CS) {
            const WideString Stored = SyncWideWithAnsi(FTitle, CS->lpszName ? CS->lpszName : "");
            SetTitle(Stored);
            FTitle.clear();
        }
        return false;
    }
    if (M.Msg != CM_ACTIONEXECUTE || !M.LParam) return false;
    auto* Action = reinterpret_cast<TBasicAction*>(M.LParam);
    if (typeid(*Action) != typeid(THintAction)) return false;
    const WideString Wide = Hint();
    if (static_cast<THintAction*>(Action)->Hint() != WideToUtf8(Wide)) return false;
    auto* Uni = new TUniHintAction(this);
    {
        rtl::TScopeExit FreeUni([&] { Uni->Free(); });
        Uni->SetHint(Wide);
        Uni->Execute();
    }
    M.Result = 1;
    return true;
}

TUniApplication::~TUniApplication() {
    if (FHookId && Application) Application->UnhookMainWindow(FHookId);
    if (FIdleEventControl) {
        TUniAppIdleEventControl* C = FIdleEventControl;
        FIdleEventControl = nullptr;
        C->Free();
    }
}

WideString TUniApplication::Hint() { return SyncWideWithAnsi(FHint, Application ? Application->Hint() : std::string()); }

void TUniApplication::SetHint(const WideString& Value) {
    if (!Application) return;
    SetWideWithAnsi(Value, FHint, Application->Hint(), [](const std::string& S) { Application->SetHint(S); });
}

WideString TUniApplication::Title() {
    if (HWND W = Application ? Application->ApplicationWindow() : nullptr) {
        const LRESULT N = DefWindowProcW(W, WM_GETTEXTLENGTH, 0, 0);
        std::u16string S(static_cast<size_t>(std::max<LRESULT>(N, 0)) + 1, u'\0');
        const LRESULT Got = DefWindowProcW(W, WM_GETTEXT, S.size(), reinterpret_cast<LPARAM>(S.data()));
        S.resize(static_cast<size_t>(std::max<LRESULT>(Got, 0)));
        return S;
    }
    return SyncWideWithAnsi(FTitle, Application ? Application->Title() : std::string());
}

void TUniApplication::SetTitle(const WideString& Value) {
    if (!Application) return;
    if (HWND W = Application->ApplicationWindow()) {
        if (Title() != Value || !FTitle.empty()) {
            DefWindowProcW(W, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Value.c_str()));
            FTitle.clear();
        }
        return;
    }
    SetWideWithAnsi(Value, FTitle, Application->Title(), [](const std::string& S) { Application->SetTitle(S); });
}

void TUniApplication::UpdateHint() { SetHint(GetLongWideHint(FindWideHintUpwards(CurrentMouseControl()))); }

// ---- The hook ---------------------------------------------------------------------
bool DispatchWideCharMessage(MSG& Msg) {
    if (!UniApplication || !Application) return false;
    TForm* Main = Application->MainForm();
    if (!UniApplication->FMainFormChecked && Main) {
        UniApplication->FMainFormChecked = true;
        if (!dynamic_cast<TUniForm*>(Main)) {
            auto* C = new TUniAppIdleEventControl(Main);
            C->SetParent(Main);
            UniApplication->FIdleEventControl = C;
        }
    }
    if (Msg.message != WM_CHAR || Msg.wParam <= 255 || !IsWindowUnicode(Msg.hwnd)) return false;
    bool Handled = false;
    if (Application->OnMessage) Application->OnMessage(Msg, Handled);
    Application->CancelHint();
    if (!Handled) DispatchMessageW(&Msg);
    return true;
}

void InstallWideCharHook() {
    if (WideCharHook) return;
    WideCharHook = SetWindowsHookExW(WH_GETMESSAGE, &WideCharHookProc, /*hmod=*/nullptr, GetCurrentThreadId());
    if (!WideCharHook) RaiseLastWideError();
}

bool UninstallWideCharHook() {
    if (!WideCharHook) return true;
    HHOOK H = WideCharHook;
    WideCharHook = nullptr;
    if (UnhookWindowsHookEx(H)) return true;
    // At exit a failure is reported and the end goes on.
    std::fprintf(stderr, "The wide character hook could not be removed (error %u).\n",
                 static_cast<unsigned>(GetLastError()));
    return false;
}

bool WideCharHookInstalled() { return WideCharHook != nullptr; }

void UniFormsStartup() {
    if (!UniApplication) UniApplication = new TUniApplication();
    if (IsUnicodePlatform) InstallWideCharHook();
}

void UniFormsShutdown() {
    UninstallWideCharHook();
    delete UniApplication;
    UniApplication = nullptr;
}
