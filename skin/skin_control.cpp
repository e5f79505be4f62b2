#include "skin/skin_control.h"

#include <algorithm>

#include "platform/rtl/sysutils.h"
#include "platform/rtl/scope.h"

// ---- TControlSkinHost ------------------------------------------------------------
bool TControlSkinHost::AddControlSkin(TSkinControl* Skin) {
    if (std::find(ControlSkins.begin(), ControlSkins.end(), Skin) != ControlSkins.end()) return true;
    ControlSkins.push_back(Skin);
    return false;
}

void TControlSkinHost::RemoveControlSkin(TSkinControl* Skin) {
    for (auto It = ControlSkins.rbegin(); It != ControlSkins.rend(); ++It)
        if (*It == Skin) {
            ControlSkins.erase(std::next(It).base());
            return;
        }
}

// ---- TSkinControl ----------------------------------------------------------------
TSkinControl::TSkinControl(TComponent* AOwner) : TComponent(AOwner) {}

TSkinControl::~TSkinControl() {
    if (OldWindowProc) {
        // A control that is being destroyed owns us and has already lost its
        // WindowProc; only a living control gets its own back.
        if (Control && !(Owner() == Control && Control->ComponentState().Contains(csDestroying)))
            Control->WindowProc = OldWindowProc;
        OldWindowProc = nullptr;
    }
    if (WndProcInstance) {
        if (Handle && IsWindow(Handle)) {
            if (UnicodeWindow)
                SetWindowLongPtrW(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldWndProc));
            else
                SetWindowLongPtrA(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldWndProc));
        }
        FreeObjectInstance(WndProcInstance);
        WndProcInstance = nullptr;
    }
    if (SkinForm) SkinForm->RemoveControlSkin(this);
}

void TSkinControl::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas,
                                 bool ASetColor) {
    if (Attached) return;
    auto* C = dynamic_cast<TControl*>(Owner());
    if (!C) return;
    SetColor = ASetColor;
    SkinData = ASkinData;
    SkinForm = ASkinForm;
    Canvas = ACanvas;
    Control = C;
    if (auto* W = dynamic_cast<TWinControl*>(C)) {
        Handle = W->Handle();
        UnicodeWindow = IsWindowUnicode(Handle);
    }
    OldWindowProc = C->WindowProc;
    C->WindowProc = [this](TMessage& M) { SkinWndProc(M); };
    if (SkinForm) SkinForm->AddControlSkin(this);
    if (SetColor) {
        SwitchParentBackground(true);
        SavedColor = C->Color();
        C->SetColor(SkinData ? SkinData->ColButtonFace : SavedColor);
    }
    if (ParentBackgroundWasOn) Mode = 1;
    C->Invalidate();
    Attached = true;
    LifeState = 1;
}

void TSkinControl::AttachWindow(HWND Window, TSkinData* ASkinData, TControlSkinHost* ASkinForm, TCanvas* ACanvas) {
    // A second attach would save our own procedure as the previous one and
    // call itself without end.
    if (Attached) return;
    SkinData = ASkinData;
    Canvas = ACanvas;
    SkinForm = ASkinForm;
    Handle = Window;
    Enabled = true;
    Mode = 0;
    if (SkinForm) SkinForm->AddControlSkin(this);
    UnicodeWindow = IsWindowUnicode(Handle);
    Caption = GetWindowTextWide(Handle);
    WndProcInstance = MakeObjectInstance([this](HWND, UINT Msg, WPARAM W, LPARAM L) -> LRESULT {
        TMessage M{Msg, W, L, 0};
        SkinWndProc(M);
        return M.Result;
    });
    if (UnicodeWindow)
        OldWndProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WndProcInstance)));
    else
        OldWndProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WndProcInstance)));
    InvalidateRect(Handle, /*lpRect=*/nullptr, TRUE);
    Attached = true;
    LifeState = 1;
}

void TSkinControl::Detach() {
    KeptImage.Clear();
    if (SetColor && Control) {
        SwitchParentBackground(false);
        Control->SetColor(SavedColor);
    }
}

bool TSkinControl::BeforeMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_NCDESTROY:
            CallPrevious(M);
            Active = false;
            LifeState = 6;
            Detach();
            return false;
        case SKIN_QUERY: M.Result = 1; return false;
        default: return true;
    }
}

void TSkinControl::AfterMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_SETTEXT:
        case CM_ENABLEDCHANGED: Redraw(); break;
        case WM_PAINT: PaintFrame(reinterpret_cast<HDC>(M.WParam)); break;
        case SKIN_SWITCHCONTROL: Active = static_cast<int32_t>(M.WParam) > 0; break;
        default: break;
    }
}

void TSkinControl::SkinWndProc(TMessage& M) {
    if (M.Msg == SKIN_SWITCHCONTROL) {
        Active = static_cast<int32_t>(M.WParam) > 0;
        if (Active) Redraw();
        return;
    }
    if (!Active) {
        CallPrevious(M);
        return;
    }
    if (BeforeMessage(M)) {
        CallPrevious(M);
        AfterMessage(M);
    }
}

LRESULT TSkinControl::CallPrevious(TMessage& M) {
    if (OldWindowProc) {
        OldWindowProc(M);
    } else if (OldWndProc) {
        M.Result = UnicodeWindow ? CallWindowProcW(OldWndProc, Handle, M.Msg, M.WParam, M.LParam)
                                 : CallWindowProcA(OldWndProc, Handle, M.Msg, M.WParam, M.LParam);
    }
    return M.Result;
}

void TSkinControl::PaintFrame(HDC Dc) {
    try {
        RECT W;
        if (!GetWindowRect(Handle, &W)) return;
        WindowRect = TRect(W);
        TRect R(0, 0, W.right - W.left, W.bottom - W.top);
        if (Dc) {
            Draw(Dc, R);
        } else {
            HDC Own = GetWindowDC(Handle);
            if (!Own) return;
            rtl::TScopeExit ReleaseOwnDc([&] { ReleaseDC(Handle, Own); });
            Draw(Own, R);
        }
    } catch (...) {
        // A failing skin must never break the window's painting.
    }
}

void TSkinControl::Draw(HDC, const TRect&) {}

void TSkinControl::SkinChanged() {
    KeptImage.Clear();
    if (SetColor && Control && SkinData) Control->SetColor(SkinData->ColButtonFace);
    Redraw();
}

void TSkinControl::Redraw() {
    if (GraphicControl) {
        GraphicControl->Invalidate();
    } else if (Handle) {
        InvalidateRect(Handle, /*lpRect=*/nullptr, TRUE);
        UpdateWindow(Handle);
    }
}

void TSkinControl::SendMouseLeave() {
    if (Handle) SendMessageA(Handle, CM_MOUSELEAVE, 0, 0);
}

LONG_PTR TSkinControl::GetWindowLongAW(HWND Window, int Index) {
    return UnicodeWindow ? GetWindowLongW(Window, Index) : GetWindowLongA(Window, Index);
}

TColor TSkinControl::ParentColor(TColor Default) {
    if (!Control || !Control->Parent()) return Default;
    const TPropInfo* P = GetPropInfo(Control->Parent(), "Color");
    if (!P || P->Kind != tkInteger) return Default;
    return static_cast<TColor>(GetOrdProp(*Control->Parent(), *P));
}

void TSkinControl::SwitchParentBackground(bool On) {
    if (!Control || (SkinData && SkinData->Options.Contains(xoParentBackGround))) return;
    if (!GetPropInfo(Control, "ParentBackground")) return;
    if (On) {
        ParentBackgroundWasOn = LowerCase(GetEnumPropName(Control, "ParentBackground")) == "true";
        if (ParentBackgroundWasOn) SetPropFromText(Control, "ParentBackground", "False");
    } else if (ParentBackgroundWasOn) {
        SetPropFromText(Control, "ParentBackground", "True");
    }
}

namespace {
// Reaches the control's own mouse-down handling, which the class library keeps
// for its descendants.
struct TMouseDownAccess : TControl {
    using TControl::MouseDown;
};
}  // namespace

void TSkinControl::ForwardMouseDown(const TMessage& M) {
    if (!Control) return;
    int X = static_cast<int16_t>(LOWORD(M.LParam));
    int Y = static_cast<int16_t>(HIWORD(M.LParam));
    if (Control->Width() > 32768 || Control->Height() > 32768) {
        // 16-bit coordinates cannot say where the press was.
        POINT P;
        GetCursorPos(&P);
        P = Control->ScreenToClient(P);
        X = P.x;
        Y = P.y;
    }
    void (TControl::*Down)(TMouseButton, TShiftState, int, int) = &TMouseDownAccess::MouseDown;
    (Control->*Down)(mbLeft, KeysToShiftState(M.WParam), X, Y);
}

// ---- Properties by name ----------------------------------------------------------
namespace {
TPersistent* Target(TObject* Obj, const std::string& Name, const TPropInfo*& P) {
    P = GetPropInfo(Obj, Name);
    return P ? dynamic_cast<TPersistent*>(Obj) : nullptr;
}
}  // namespace

int32_t GetIntegerPropValue(TObject* Obj, const std::string& Name) {
    const TPropInfo* P;
    TPersistent* O = Target(Obj, Name, P);
    if (!O || P->Kind != tkInteger) return -1;
    return static_cast<int32_t>(GetOrdProp(*O, *P));
}

std::string GetEnumPropName(TObject* Obj, const std::string& Name) {
    const TPropInfo* P;
    TPersistent* O = Target(Obj, Name, P);
    if (!O || P->Kind != tkEnumeration) return {};
    return GetEnumProp(*O, *P);
}

std::u16string GetStrPropWide(TObject* Obj, const std::string& Name) {
    const TPropInfo* P;
    TPersistent* O = Target(Obj, Name, P);
    if (!O) return {};
    if (P->Kind == tkWString) return GetWideStrProp(*O, *P);
    if (P->Kind == tkString) return StringToWideInCodePage(GetStrProp(*O, *P));
    return {};
}

TObject* GetObjectPropValue(TObject* Obj, const std::string& Name) {
    const TPropInfo* P;
    TPersistent* O = Target(Obj, Name, P);
    return O ? GetObjectProp(*O, *P) : nullptr;
}

void SetPropFromText(TObject* Obj, const std::string& Name, const std::string& Text) {
    const TPropInfo* P;
    TPersistent* O = Target(Obj, Name, P);
    if (O) SetPropFromText(*O, *P, Text);
}

// ---- Window helpers --------------------------------------------------------------
std::u16string GetWindowTextWide(HWND Window) {
    if (UnicodePlatform) {
        int N = GetWindowTextLengthW(Window);
        if (N <= 0) return {};
        std::u16string S(static_cast<size_t>(N) + 1, u'\0');
        int Got = GetWindowTextW(Window, reinterpret_cast<LPWSTR>(S.data()), N + 1);
        S.resize(static_cast<size_t>(std::max(Got, 0)));
        return S;
    }
    char Buf[1000] = {};
    SendMessageA(Window, WM_GETTEXT, sizeof Buf, reinterpret_cast<LPARAM>(Buf));
    return StringToWideInCodePage(Buf);
}

bool IsPopupWindow(HWND Window) {
    if (!IsWindow(Window)) return false;
    if (static_cast<DWORD>(GetWindowLongW(Window, GWL_STYLE)) & WS_POPUP) return true;
    // A window directly on the desktop is no child of another window.
    HWND Parent = GetAncestor(Window, GA_PARENT);
    return !Parent || Parent == GetDesktopWindow();
}

void CopyBitmapInto(TBitmap& Source, TBitmap& Target) {
    Target.SetPixelFormat(Source.PixelFormat());
    Target.SetWidth(Source.Width());
    Target.SetHeight(Source.Height());
    Target.Canvas().Draw(0, 0, Source);
}
