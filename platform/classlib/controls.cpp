#include "platform/classlib/controls.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <mutex>

#include "platform/classlib/actnlist.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/menus.h"
#include "platform/commctl/commctrl.h"
#include "platform/classlib/cl_text.h"
#include "platform/rtl/scope.h"

std::function<void(const std::exception_ptr&)> ControlExceptionHandler;
std::function<void(TControl*)> MouseControlChanged;

namespace {

const char* const ControlProp = "ClassLibControl";
thread_local TWinControl* CreatingControl = nullptr;
// The graphic control that holds the mouse while a button is down.
TControl* CaptureControl = nullptr;
// The control under the mouse, told of entering and leaving.
TControl* MouseControl = nullptr;

void SetMouseControl(TControl* C) {
    if (C == MouseControl) return;
    TControl* Old = MouseControl;
    MouseControl = C;
    if (Old) Old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(Old));
    if (C && MouseControl == C) C->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(C));
    if (MouseControlChanged && MouseControl == C) MouseControlChanged(C);
}

struct TClassEntry {
    WNDPROC DefProc;
};
std::map<std::string, TClassEntry>& WindowClasses() {
    static std::map<std::string, TClassEntry> M;
    return M;
}

int LoWordSigned(LPARAM L) { return static_cast<short>(L & 0xFFFF); }
int HiWordSigned(LPARAM L) { return static_cast<short>((L >> 16) & 0xFFFF); }

void HandleControlException() {
    auto E = std::current_exception();
    if (ControlExceptionHandler) {
        ControlExceptionHandler(E);
        return;
    }
    try {
        std::rethrow_exception(E);
    } catch (const std::exception& X) {
        std::fprintf(stderr, "unhandled exception in a window procedure: %s\n", X.what());
    } catch (...) {
        std::fprintf(stderr, "unhandled exception in a window procedure\n");
    }
}

// Automatic dragging: one drag at a time, on the GUI thread.
struct TDragInfo {
    TControl* Source = nullptr;
    bool Started = false;
    POINT StartPos{};
    int Threshold = 5;
    TControl* Target = nullptr;
    bool Accepted = false;
    TDragImageList* Images = nullptr;  // showing while the drag runs
    HWND Captured = nullptr;
};
TDragInfo Drag;

// The drag is under way: the mouse stays with the source wherever it goes,
// and the source's drag image appears under the mouse.
void DragStarted(POINT Screen) {
    TControl* S = Drag.Source;
    auto* W = dynamic_cast<TWinControl*>(S);
    if (!W) W = S->Parent();
    if (W && W->HandleAllocated()) {
        Drag.Captured = W->Handle();
        if (GetCapture() != Drag.Captured) SetCapture(Drag.Captured);
    }
    Drag.Images = S->GetDragImages();
    if (Drag.Images && !Drag.Images->BeginDrag(/*Window=*/nullptr, Screen.x, Screen.y)) Drag.Images = nullptr;
}

void DragMoved(POINT Screen) {
    if (Drag.Images) Drag.Images->DragMove(Screen.x, Screen.y);
    if (::Screen) ::SetCursor(::Screen->Cursors(Drag.Accepted ? Drag.Source->DragCursor : crNoDrop));
}

}  // namespace

void DragImageListDestroyed(TDragImageList* List) {
    if (Drag.Images == List) Drag.Images = nullptr;
}

namespace {

// Ends what DragStarted began (D is the finished drag's copy).
void DragFinished(const TDragInfo& D) {
    if (D.Images) D.Images->EndDrag();
    if (D.Captured && GetCapture() == D.Captured) ReleaseCapture();
}

TControl* DragTargetAt(POINT Screen, POINT& Local) {
    HWND W = WindowFromPoint(Screen);
    TWinControl* C = nullptr;
    while (W && !(C = FindControl(W))) W = GetParent(W);
    if (!C) return nullptr;
    POINT P = C->ScreenToClient(Screen);
    TControl* Target = C;
    if (TControl* G = C->ControlAtPos(P, /*AllowDisabled=*/false)) Target = G;
    Local = Target->ScreenToClient(Screen);
    return Target;
}

}  // namespace

// ---- Helpers -------------------------------------------------------------------
TShiftState KeysToShiftState(WPARAM Keys) {
    TShiftState S;
    if (Keys & MK_SHIFT) S.Include(ssShift);
    if (Keys & MK_CONTROL) S.Include(ssCtrl);
    if (Keys & MK_LBUTTON) S.Include(ssLeft);
    if (Keys & MK_RBUTTON) S.Include(ssRight);
    if (Keys & MK_MBUTTON) S.Include(ssMiddle);
    if (GetKeyState(VK_MENU) < 0) S.Include(ssAlt);
    return S;
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
    TShiftState S;
    if (GetKeyState(VK_SHIFT) < 0) S.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) S.Include(ssCtrl);
    if ((KeyData & 0x20000000) || GetKeyState(VK_MENU) < 0) S.Include(ssAlt);
    return S;
}

COLORREF ColorToCOLORREF(TColor Color) { return static_cast<COLORREF>(ColorToRGB(Color) & 0xFFFFFF); }

const char* ControlPropName() { return ControlProp; }

TControl* CurrentMouseControl() { return MouseControl; }

TWinControl* FindControl(HWND Handle) {
    if (!Handle) return nullptr;
    return static_cast<TWinControl*>(GetPropA(Handle, ControlProp));
}

void MouseIdle() {
    POINT P{};
    GetCursorPos(&P);
    HWND W = WindowFromPoint(P);
    TWinControl* C = nullptr;
    while (W && !(C = FindControl(W))) W = GetParent(W);
    TControl* Target = C;
    if (C) {
        POINT L = P;
        ::ScreenToClient(C->Handle(), &L);
        if (TControl* G = C->ControlAtPos(L, /*AllowDisabled=*/false)) Target = G;
    }
    SetMouseControl(Target);
}

std::string GetShortHint(const std::string& Hint) {
    auto Bar = Hint.find('|');
    return Bar == std::string::npos ? Hint : Hint.substr(0, Bar);
}

std::string GetLongHint(const std::string& Hint) {
    auto Bar = Hint.find('|');
    return Bar == std::string::npos ? Hint : Hint.substr(Bar + 1);
}

bool EffectiveShowHint(const TControl* C) {
    while (C && C->ParentShowHint && C->Parent()) C = C->Parent();
    return C && C->ShowHint;
}

TCustomForm* GetParentForm(TControl* Control) {
    while (Control && Control->Parent()) Control = Control->Parent();
    return dynamic_cast<TCustomForm*>(Control);
}

WNDPROC RegisterControlClass(const std::string& Name, const std::string& Base, UINT ClassStyle) {
    auto& M = WindowClasses();
    auto It = M.find(Name);
    if (It != M.end()) return It->second.DefProc;
    // The library's windows are Unicode windows: the standard classes are, and
    // a superclass passes their messages on unchanged.
    WNDCLASSW WC{};
    WNDPROC Def = DefWindowProcW;
    std::u16string BaseW = cltext::ToUtf16(Base);
    if (!Base.empty() && GetClassInfoW(/*hInstance=*/nullptr, reinterpret_cast<LPCWSTR>(BaseW.c_str()), &WC)) {
        Def = WC.lpfnWndProc;
    } else {
        WC = WNDCLASSW{};
        WC.style = ClassStyle;
        WC.hCursor = LoadCursorA(/*hInstance=*/nullptr, IDC_ARROW);
    }
    std::u16string NameW = cltext::ToUtf16(Name);
    WC.lpfnWndProc = ControlWindowProc;
    WC.lpszClassName = reinterpret_cast<LPCWSTR>(NameW.c_str());
    WC.hInstance = nullptr;
    RegisterClassW(&WC);
    M[Name] = TClassEntry{Def};
    return Def;
}

LRESULT ControlWindowProc(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* C = FindControl(hWnd);
    if (!C && CreatingControl) {
        C = CreatingControl;
        CreatingControl = nullptr;
        C->FHandle = hWnd;
        SetPropA(hWnd, ControlProp, C);
    }
    if (!C) {
        char Name[256] = {};
        GetClassNameA(hWnd, Name, sizeof Name);
        auto It = WindowClasses().find(Name);
        WNDPROC Def = It != WindowClasses().end() ? It->second.DefProc : DefWindowProcW;
        return CallWindowProcW(Def, hWnd, Msg, wParam, lParam);
    }
    TMessage M{Msg, wParam, lParam, 0};
    try {
        if (C->WindowProc)
            C->WindowProc(M);
        else
            C->WndProc(M);
    } catch (...) {
        HandleControlException();
    }
    return M.Result;
}

// ---- TControl --------------------------------------------------------------------
TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    WindowProc = [this](TMessage& M) { WndProc(M); };
    FFont->OnChange = [this](TObject*) {
        if (FChangingFont) return;
        FParentFont = false;
        FontChanged();
    };
}

TControl::~TControl() {
    Destroying();
    if (CaptureControl == this) CaptureControl = nullptr;
    if (MouseControl == this) {
        MouseControl = nullptr;
        if (MouseControlChanged) MouseControlChanged(nullptr);
    }
    if (Drag.Source == this) {
        DragFinished(Drag);
        Drag = TDragInfo{};
    }
    if (Drag.Target == this) Drag.Target = nullptr;
    if (FAction) FAction->UnRegisterClient(this);
    FAction = nullptr;
    if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* AParent) {
    if (AParent == FParent) return;
    if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent) FParent->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
}

void TControl::SetParentComponent(TComponent* Value) {
    if (auto* W = dynamic_cast<TWinControl*>(Value)) SetParent(W);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (Constraints.MinWidth > 0 && AWidth < Constraints.MinWidth) AWidth = Constraints.MinWidth;
    if (Constraints.MaxWidth > 0 && AWidth > Constraints.MaxWidth) AWidth = Constraints.MaxWidth;
    if (Constraints.MinHeight > 0 && AHeight < Constraints.MinHeight) AHeight = Constraints.MinHeight;
    if (Constraints.MaxHeight > 0 && AHeight > Constraints.MaxHeight) AHeight = Constraints.MaxHeight;
    if (AWidth < 0) AWidth = 0;
    if (AHeight < 0) AHeight = 0;
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
    TRect Old = BoundsRect();
    bool Resized = AWidth != FWidth || AHeight != FHeight;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    if (!dynamic_cast<TWinControl*>(this) && FParent && FParent->HandleAllocated() && FVisible) {
        InvalidateRect(FParent->Handle(), &Old, TRUE);
        TRect New = BoundsRect();
        InvalidateRect(FParent->Handle(), &New, TRUE);
    }
    BoundsChanged();
    if (!FInSetBounds) UpdateAnchorRules();
    if (FParent && FAlign != alNone) FParent->Realign();
    if (Resized) Resize();
}

TRect TControl::ClientRect() { return TRect(0, 0, FWidth, FHeight); }

void TControl::SetClientWidth(int Value) { SetWidth(FWidth - ClientWidth() + Value); }
void TControl::SetClientHeight(int Value) { SetHeight(FHeight - ClientHeight() + Value); }

POINT TControl::ClientToScreen(POINT P) {
    if (auto* W = dynamic_cast<TWinControl*>(this)) {
        ::ClientToScreen(W->Handle(), &P);
        return P;
    }
    if (!FParent) return P;
    return FParent->ClientToScreen(POINT{P.x + FLeft, P.y + FTop});
}

POINT TControl::ScreenToClient(POINT P) {
    if (auto* W = dynamic_cast<TWinControl*>(this)) {
        ::ScreenToClient(W->Handle(), &P);
        return P;
    }
    if (!FParent) return P;
    POINT Q = FParent->ScreenToClient(P);
    return POINT{Q.x - FLeft, Q.y - FTop};
}

void TControl::SetAlign(TAlign Value) {
    if (Value == FAlign) return;
    FAlign = Value;
    if (FParent) FParent->Realign();
}

void TControl::SetAnchors(TAnchors Value) {
    FAnchors = Value;
    UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
    if (!FParent || ComponentState().Contains(csLoading)) {
        FAnchorsValid = false;
        return;
    }
    TRect R = FParent->ClientRect();
    FAnchorParentW = R.Width();
    FAnchorParentH = R.Height();
    FAnchorBounds = BoundsRect();
    FAnchorsValid = true;
}

void TControl::AnchorToParent(int, int, int NewW, int NewH) {
    if (FAlign != alNone || !FAnchorsValid) return;
    int DX = NewW - FAnchorParentW, DY = NewH - FAnchorParentH;
    const TRect& B = FAnchorBounds;
    int L = B.left, T = B.top, W = B.Width(), H = B.Height();
    if (FAnchors.Contains(akRight)) {
        if (FAnchors.Contains(akLeft))
            W += DX;
        else
            L += DX;
    } else if (!FAnchors.Contains(akLeft)) {
        L += DX / 2;
    }
    if (FAnchors.Contains(akBottom)) {
        if (FAnchors.Contains(akTop))
            H += DY;
        else
            T += DY;
    } else if (!FAnchors.Contains(akTop)) {
        T += DY / 2;
    }
    rtl::TSetForScope SetInSetBounds(FInSetBounds, true);
    SetBounds(L, T, W, H);
}

bool TControl::Showing() const {
    if (!FVisible) return false;
    if (FParent) return FParent->Showing();
    auto* W = dynamic_cast<const TWinControl*>(this);
    return W && W->FHandle && IsWindowVisible(W->FHandle);
}

void TControl::SetVisible(bool Value) {
    if (Value == FVisible) return;
    FVisible = Value;
    VisibleChanged();
    Perform(CM_VISIBLECHANGED, Value ? 1 : 0, 0);
    if (FParent && FAlign != alNone) FParent->Realign();
}

void TControl::VisibleChanged() {
    if (FParent && FParent->HandleAllocated()) {
        TRect R = BoundsRect();
        InvalidateRect(FParent->Handle(), &R, TRUE);
    }
}

void TControl::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    EnabledChanged();
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::EnabledChanged() { Invalidate(); }

std::string TControl::GetText() { return FText; }

void TControl::SetText(const std::string& Value) {
    if (Value == GetText()) return;
    SetTextBuf(Value);
    TextChanged();
}

void TControl::SetTextBuf(const std::string& Value) {
    FText = Value;
    Invalidate();
}

void TControl::SetColor(TColor Value) {
    FParentColor = false;
    if (Value == FColor) return;
    FColor = Value;
    ColorChanged();
}

void TControl::SetParentColor(bool Value) {
    FParentColor = Value;
    if (Value && FParent) ParentColorChanged();
}

void TControl::ColorChanged() { Invalidate(); }

void TControl::ParentColorChanged() {
    if (!FParentColor || !FParent) return;
    if (FColor != FParent->Color()) {
        FColor = FParent->Color();
        ColorChanged();
    }
    FParentColor = true;
}

void TControl::SetParentFont(bool Value) {
    FParentFont = Value;
    if (Value && FParent) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!FParentFont || !FParent) return;
    FChangingFont = true;
    FFont->Assign(FParent->Font());
    FChangingFont = false;
    FontChanged();
}

void TControl::FontChanged() { Invalidate(); }

void TControl::SetCursor(TCursor Value) { FCursor = Value; }

TBiDiMode TControl::BiDiMode() const { return FParentBiDiMode && FParent ? FParent->BiDiMode() : FBiDiMode; }

void TControl::SetBiDiMode(TBiDiMode Value) {
    FBiDiMode = Value;
    FParentBiDiMode = false;
    Invalidate();
}

void TControl::SetParentBiDiMode(bool Value) {
    if (!Value && FParent) FBiDiMode = FParent->BiDiMode();
    FParentBiDiMode = Value;
    Invalidate();
}

bool IsAccel(WORD Key, const std::string& Caption) {
    for (size_t I = 0; I + 1 < Caption.size(); ++I) {
        if (Caption[I] != '&') continue;
        if (Caption[I + 1] == '&') {  // "&&" is a plain ampersand
            ++I;
            continue;
        }
        return std::tolower(static_cast<unsigned char>(Caption[I + 1])) == std::tolower(Key & 0xFF);
    }
    return false;
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
    FPopupMenu = Value;
    if (Value) Value->FreeNotification(this);
}

void TControl::SetAction(TBasicAction* Value) {
    if (LinkActionClient(this, FAction, FActionLink, Value,
                         [this](TBasicAction* A) { ActionChange(A, /*CheckDefaults=*/false); }))
        ActionChange(FAction, ComponentState().Contains(csLoading));
}

void TControl::ActionChange(TBasicAction* Sender, bool CheckDefaults) {
    auto* A = dynamic_cast<TCustomAction*>(Sender);
    if (!A) return;
    TActionLinkState& L = FActionLink;
    TControlActionLink* Link = ActionLink();
    bool all = !L.Valid;  // the first time the link takes everything over
    if (all ? (!CheckDefaults || GetText().empty() || GetText() == Name())
            : A->Caption() != L.Caption && Link->IsCaptionLinked(A))
        Link->SetCaption(A->Caption());
    if (all ? (!CheckDefaults || FEnabled) : A->Enabled() != L.Enabled) SetEnabled(A->Enabled());
    if (all ? (!CheckDefaults || Hint.empty()) : A->Hint() != L.Hint && Link->IsHintLinked(A)) Link->SetHint(A->Hint());
    if (all ? (!CheckDefaults || FVisible) : A->Visible() != L.Visible) SetVisible(A->Visible());
    L = {true, A->Caption(), A->Hint(), A->Enabled(), A->Visible(), A->Checked(), A->ShortCut(), A->ImageIndex()};
}

TControlActionLink* TControl::ActionLink() {
    if (!FActionLinkObject) FActionLinkObject = CreateActionLink();
    return FActionLinkObject.get();
}

std::unique_ptr<TControlActionLink> TControl::CreateActionLink() { return std::make_unique<TControlActionLink>(this); }

std::unique_ptr<TControlActionLink> TWinControl::CreateActionLink() {
    return std::make_unique<TWinControlActionLink>(this);
}

bool TControlActionLink::IsCaptionLinked(TCustomAction*) { return true; }
bool TControlActionLink::IsHintLinked(TCustomAction*) { return true; }
void TControlActionLink::SetCaption(const std::string& Value) { FClient->SetCaption(Value); }
void TControlActionLink::SetHint(const std::string& Value) { FClient->Hint = Value; }

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FPopupMenu) FPopupMenu = nullptr;
    if (AComponent == FAction) {
        FAction = nullptr;
    }
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (FParentColor) ParentColorChanged();
    if (FParentFont) ParentFontChanged();
    UpdateAnchorRules();
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage M{Msg, WParam, LParam, 0};
    if (WindowProc)
        WindowProc(M);
    else
        WndProc(M);
    return M.Result;
}

void TControl::WndProc(TMessage& Message) {
    if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && Message.Msg != WM_MOUSEWHEEL) {
        WMMouse(Message);
        return;
    }
    // A windowless control paints on the DC its parent hands it.
    if (Message.Msg == WM_PAINT)
        if (auto* G = dynamic_cast<TGraphicControl*>(this)) {
            G->PaintTo(reinterpret_cast<HDC>(Message.WParam));
            return;
        }
    DefaultHandler(Message);
}

void TControl::WMMouse(TMessage& Message) {
    int X = LoWordSigned(Message.LParam), Y = HiWordSigned(Message.LParam);
    TShiftState Shift = KeysToShiftState(Message.WParam);
    bool Graphic = dynamic_cast<TWinControl*>(this) == nullptr;
    switch (Message.Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (ControlStyle.Contains(csCaptureMouse) && Graphic && FParent) {
                CaptureControl = this;
                SetCapture(FParent->Handle());
            }
            if (ControlStyle.Contains(csClickEvents)) FClicking = true;
            if (Message.Msg == WM_LBUTTONDBLCLK && ControlStyle.Contains(csDoubleClicks)) {
                DblClick();
                Shift.Include(ssDouble);
            } else if (DragMode == dmAutomatic) {
                BeginDrag(false);
            }
            MouseDown(mbLeft, Shift, X, Y);
            break;
        case WM_LBUTTONUP: {
            bool WasClicking = FClicking;
            FClicking = false;
            if (Dragging()) {
                EndDrag(true);
                WasClicking = false;
            }
            if (CaptureControl == this) {
                CaptureControl = nullptr;
                ReleaseCapture();
            }
            MouseUp(mbLeft, Shift, X, Y);
            TRect R = ClientRect();
            POINT P{X, Y};
            if (WasClicking && PtInRect(&R, P)) Click();
            break;
        }
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK: MouseDown(mbRight, Shift, X, Y); break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK: MouseDown(mbMiddle, Shift, X, Y); break;
        case WM_RBUTTONUP: {
            MouseUp(mbRight, Shift, X, Y);
            // The context menu: this control's, else the nearest parent's.
            POINT Screen = ClientToScreen(POINT{X, Y});
            bool Handled = false;
            if (OnContextPopup) OnContextPopup(this, POINT{X, Y}, Handled);
            if (Handled) break;
            for (TControl* C = this; C; C = C->FParent) {
                if (C->FPopupMenu && C->FPopupMenu->AutoPopup) {
                    C->FPopupMenu->PopupComponent = this;
                    C->FPopupMenu->Popup(Screen.x, Screen.y);
                    break;
                }
            }
            break;
        }
        case WM_MBUTTONUP: MouseUp(mbMiddle, Shift, X, Y); break;
        case WM_MOUSEMOVE:
            if (Drag.Source == this) {
                POINT Screen = ClientToScreen(POINT{X, Y});
                if (!Drag.Started && (std::abs(Screen.x - Drag.StartPos.x) >= Drag.Threshold ||
                                      std::abs(Screen.y - Drag.StartPos.y) >= Drag.Threshold)) {
                    Drag.Started = true;
                    DragStarted(Screen);
                }
                if (Drag.Started) {
                    POINT Local{};
                    TControl* T = DragTargetAt(Screen, Local);
                    if (T != Drag.Target && Drag.Target) {
                        bool A = false;
                        Drag.Target->DragOver(this, 0, 0, dsDragLeave, A);
                    }
                    Drag.Accepted = false;
                    if (T) T->DragOver(this, Local.x, Local.y, T == Drag.Target ? dsDragMove : dsDragEnter, Drag.Accepted);
                    Drag.Target = T;
                    // A handler may have ended the drag.
                    if (Drag.Source == this) DragMoved(Screen);
                }
            }
            MouseMove(Shift, X, Y);
            break;
        default: break;
    }
    if (!Graphic) DefaultHandler(Message);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Click() {
    if (OnClick) {
        OnClick(this);
    } else if (FAction) {
        FAction->ActionComponent = this;
        FAction->Execute();
        if (FAction) FAction->ActionComponent = nullptr;
    }
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::BeginDrag(bool Immediate, int Threshold) {
    if (Drag.Source && Drag.Source != this) Drag.Source->EndDrag(false);
    if (Drag.Source == this) DragFinished(Drag);
    Drag = TDragInfo{};
    Drag.Source = this;
    Drag.Started = Immediate;
    GetCursorPos(&Drag.StartPos);
    if (Threshold >= 0) Drag.Threshold = Threshold;
    if (Immediate) DragStarted(Drag.StartPos);
}

bool TControl::Dragging() const { return Drag.Source == this && Drag.Started; }

void TControl::EndDrag(bool Drop) {
    if (Drag.Source != this) return;
    TDragInfo D = Drag;
    Drag = TDragInfo{};
    DragFinished(D);
    POINT Screen{};
    GetCursorPos(&Screen);
    TControl* Target = nullptr;
    POINT Local{};
    if (D.Started && Drop) {
        // Moves may have been merged: the target is asked again where the button went up.
        TControl* T = DragTargetAt(Screen, Local);
        if (D.Target && D.Target != T) {
            bool Ignored = false;
            D.Target->DragOver(this, 0, 0, dsDragLeave, Ignored);
        }
        bool Accept = false;
        if (T) T->DragOver(this, Local.x, Local.y, dsDragMove, Accept);
        if (T && Accept) {
            Target = T;
            Target->DragDrop(this, Local.x, Local.y);
        }
    }
    if (D.Started && OnEndDrag) OnEndDrag(this, Target, Local.x, Local.y);
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
    Accept = static_cast<bool>(OnDragOver);
    if (OnDragOver) OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
    if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

void TControl::Invalidate() {
    if (FParent && FParent->HandleAllocated() && FVisible) {
        TRect R = BoundsRect();
        InvalidateRect(FParent->Handle(), &R, !ControlStyle.Contains(csOpaque));
    }
}

void TControl::Update() {
    if (FParent) FParent->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() {
    if (!FParent) return;
    auto& L = FParent->FControls;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
    L.push_back(this);
    if (auto* W = dynamic_cast<TWinControl*>(this); W && W->HandleAllocated())
        SetWindowPos(W->FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

void TControl::SendToBack() {
    if (!FParent) return;
    auto& L = FParent->FControls;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
    L.insert(L.begin(), this);
    if (auto* W = dynamic_cast<TWinControl*>(this); W && W->HandleAllocated())
        SetWindowPos(W->FHandle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

// ---- TWinControl --------------------------------------------------------------------
TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    Destroying();
    if (FHandle) DestroyHandle();
    while (!FControls.empty()) {
        TControl* C = FControls.back();
        RemoveControl(C);
        C->Free();
    }
    if (FBrush) DeleteObject(FBrush);
}

HWND TWinControl::Handle() {
    if (!FHandle) {
        if (ComponentState().Contains(csDestroying)) return nullptr;
        CreateHandle();
    }
    return FHandle;
}

void TWinControl::CreateHandle() {
    if (FHandle) return;
    CreateWnd();
    // Children are made after their parent.
    for (TControl* C : std::vector<TControl*>(FControls))
        if (auto* W = dynamic_cast<TWinControl*>(C)) W->HandleNeeded();
}

void TWinControl::CreateParams(TCreateParams& P) {
    P.Caption = FText;
    P.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (ControlStyle.Contains(csAcceptsControls)) P.Style |= WS_CLIPCHILDREN;
    if (FVisible) P.Style |= WS_VISIBLE;
    if (!FEnabled) P.Style |= WS_DISABLED;
    if (TabStop) P.Style |= WS_TABSTOP;
    P.X = FLeft;
    P.Y = FTop;
    P.Width = FWidth;
    P.Height = FHeight;
    P.WndParent = FParent ? FParent->Handle() : ParentWindow;
    P.WinClassName = ClassName();
}

void TWinControl::CreateWnd() {
    TCreateParams P;
    CreateParams(P);
    if (!P.WndParent && (P.Style & WS_CHILD))
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    FDefWndProc = RegisterControlClass(P.WinClassName, P.BaseClassName, P.ClassStyle);
    TWinControl* Saved = CreatingControl;
    CreatingControl = this;
    static int NextId = 100;
    HMENU Id = (P.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(NextId++)) : nullptr;
    HWND H = CreateWindowExA(P.ExStyle, P.WinClassName.c_str(), P.Caption.c_str(), P.Style, P.X, P.Y, P.Width,
                             P.Height, P.WndParent, Id, /*hInstance=*/nullptr, /*lpParam=*/nullptr);
    CreatingControl = Saved;
    if (!H) throw EOSError("Error creating window " + P.WinClassName, static_cast<int>(GetLastError()));
    if (!FHandle) {
        FHandle = H;
        SetPropA(H, ControlProp, this);
    }
    CreateWindowHandle(P);
}

void TWinControl::CreateWindowHandle(const TCreateParams&) {
    SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), 0);
    RECT R;
    GetClientRect(FHandle, &R);
    FLastClientW = R.right;
    FLastClientH = R.bottom;
}

void TWinControl::DestroyHandle() {
    if (!FHandle) return;
    FDestroyingHandle = true;
    HWND H = FHandle;
    // Children's windows go with ours; their objects stay.
    DestroyWnd();
    if (IsWindow(H)) RemovePropA(H, ControlProp);
    FHandle = nullptr;
    FDestroyingHandle = false;
}

void TWinControl::DestroyWnd() {
    if (FHandle) {
        std::string Saved = GetText();
        FText = Saved;
        DestroyWindow(FHandle);
    }
}

void TWinControl::SetCtl3D(bool Value) {
    FParentCtl3D = false;
    if (Value == FCtl3D) return;
    FCtl3D = Value;
    Perform(CM_CTL3DCHANGED, 0, 0);
    RecreateWnd();
    for (TControl* C : std::vector<TControl*>(FControls))
        if (auto* W = dynamic_cast<TWinControl*>(C)) W->ParentCtl3DChanged();
}

void TWinControl::SetParentCtl3D(bool Value) {
    if (Value == FParentCtl3D) return;
    FParentCtl3D = Value;
    if (Value) ParentCtl3DChanged();
}

void TWinControl::ParentCtl3DChanged() {
    if (!FParentCtl3D || !FParent) return;
    Perform(CM_PARENTCTL3DCHANGED, 0, 0);
    if (FParent->Ctl3D() != FCtl3D) {
        SetCtl3D(FParent->Ctl3D());
        FParentCtl3D = true;
    }
}

void TWinControl::RecreateWnd() {
    if (FHandle) Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::InsertControl(TControl* AControl) {
    FControls.push_back(AControl);
    AControl->FParent = this;
    if (AControl->FParentFont) AControl->ParentFontChanged();
    if (AControl->FParentColor) AControl->ParentColorChanged();
    if (auto* W = dynamic_cast<TWinControl*>(AControl)) {
        if (W->FParentCtl3D && W->FCtl3D != FCtl3D) {
            W->FCtl3D = FCtl3D;
            if (W->FHandle) W->RecreateWnd();
        }
        FTabList.push_back(W);
        if (FHandle) W->HandleNeeded();
    } else {
        AControl->Invalidate();
    }
    AControl->UpdateAnchorRules();
    if (AControl->FAlign != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* AControl) {
    auto It = std::find(FControls.begin(), FControls.end(), AControl);
    if (It == FControls.end()) return;
    if (CaptureControl == AControl) CaptureControl = nullptr;
    AControl->Invalidate();
    FControls.erase(It);
    if (auto* W = dynamic_cast<TWinControl*>(AControl)) {
        FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), W), FTabList.end());
        if (W->FHandle) W->DestroyHandle();
    }
    AControl->FParent = nullptr;
    if (AControl->FAlign != alNone && !ComponentState().Contains(csDestroying)) Realign();
}

bool TWinControl::ContainsControl(TControl* Control) const {
    for (TControl* C = Control; C; C = C->Parent())
        if (C == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls) {
    for (auto It = FControls.rbegin(); It != FControls.rend(); ++It) {
        TControl* C = *It;
        if (!AllowWinControls && dynamic_cast<TWinControl*>(C)) continue;
        if (!C->Visible() || (!AllowDisabled && !C->Enabled())) continue;
        TRect R = C->BoundsRect();
        if (PtInRect(&R, Pos)) return C;
    }
    return nullptr;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
    for (TWinControl* W : FTabList) {
        List.push_back(W);
        W->GetTabOrderList(List);
    }
}

int TWinControl::TabOrder() const {
    if (!FParent) return -1;
    auto& L = FParent->FTabList;
    auto It = std::find(L.begin(), L.end(), this);
    return It == L.end() ? -1 : static_cast<int>(It - L.begin());
}

void TWinControl::SetTabOrder(int Value) {
    if (!FParent) return;
    auto& L = FParent->FTabList;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
    if (Value < 0) Value = 0;
    if (Value > static_cast<int>(L.size())) Value = static_cast<int>(L.size());
    L.insert(L.begin() + Value, this);
}

bool TWinControl::Focused() { return FHandle && GetFocus() == FHandle; }

bool TWinControl::CanFocus() {
    for (TControl* C = this; C; C = C->Parent())
        if (!C->Visible() || !C->Enabled()) return false;
    return true;
}

void TWinControl::SetFocus() {
    if (TCustomForm* F = GetParentForm(this); F && F != this) {
        F->FocusControl(this);
        return;
    }
    ::SetFocus(Handle());
}

void TWinControl::EnableAlign() {
    if (FAlignLevel > 0 && --FAlignLevel == 0 && FRealignPending) Realign();
}

void TWinControl::Realign() {
    if (FAlignLevel > 0 || ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) {
        FRealignPending = true;
        return;
    }
    FRealignPending = false;
    TRect R = ClientRect();
    ++FAlignLevel;
    rtl::TScopeExit LeaveAlignLevel([&] { --FAlignLevel; });
    AlignControls(/*AControl=*/nullptr, R);
}

void TWinControl::AlignControls(TControl*, TRect& Rect) {
    auto Pass = [&](TAlign A) {
        std::vector<TControl*> L;
        for (TControl* C : FControls)
            if (C->FAlign == A && C->FVisible) L.push_back(C);
        std::stable_sort(L.begin(), L.end(), [A](TControl* X, TControl* Y) {
            switch (A) {
                case alTop: return X->FTop < Y->FTop;
                case alBottom: return X->FTop + X->FHeight > Y->FTop + Y->FHeight;
                case alLeft: return X->FLeft < Y->FLeft;
                case alRight: return X->FLeft + X->FWidth > Y->FLeft + Y->FWidth;
                default: return false;
            }
        });
        for (TControl* C : L) {
            C->FInSetBounds = true;
            switch (A) {
                case alTop:
                    C->SetBounds(Rect.left, Rect.top, Rect.Width(), C->FHeight);
                    Rect.top += C->FHeight;
                    break;
                case alBottom:
                    C->SetBounds(Rect.left, Rect.bottom - C->FHeight, Rect.Width(), C->FHeight);
                    Rect.bottom -= C->FHeight;
                    break;
                case alLeft:
                    C->SetBounds(Rect.left, Rect.top, C->FWidth, Rect.Height());
                    Rect.left += C->FWidth;
                    break;
                case alRight:
                    C->SetBounds(Rect.right - C->FWidth, Rect.top, C->FWidth, Rect.Height());
                    Rect.right -= C->FWidth;
                    break;
                case alClient: C->SetBounds(Rect.left, Rect.top, Rect.Width(), Rect.Height()); break;
                default: break;
            }
            C->FInSetBounds = false;
        }
    };
    for (TAlign A : {alTop, alBottom, alLeft, alRight, alClient}) Pass(A);
}

void TWinControl::BoundsChanged() {
    if (FHandle && !FInSetBoundsFromWindow) {
        FInSetBoundsFromWindow = true;
        SetWindowPos(FHandle, /*hWndInsertAfter=*/nullptr, FLeft, FTop, FWidth, FHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        FInSetBoundsFromWindow = false;
    }
    ClientSizeChanged();
}

void TWinControl::ClientSizeChanged() {
    TRect R = ClientRect();
    if (R.Width() == FLastClientW && R.Height() == FLastClientH) return;
    int OldW = FLastClientW, OldH = FLastClientH;
    FLastClientW = R.Width();
    FLastClientH = R.Height();
    if (ComponentState().Contains(csLoading)) return;
    for (TControl* C : std::vector<TControl*>(FControls)) C->AnchorToParent(OldW, OldH, FLastClientW, FLastClientH);
    Realign();
}

TRect TWinControl::ClientRect() {
    if (FHandle) {
        RECT R;
        GetClientRect(FHandle, &R);
        return TRect(R);
    }
    return TControl::ClientRect();
}

void TWinControl::Invalidate() {
    if (FHandle) InvalidateRect(FHandle, /*lpRect=*/nullptr, !ControlStyle.Contains(csOpaque));
}

void TWinControl::Update() {
    if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::SetVisible(bool Value) { TControl::SetVisible(Value); }

void TWinControl::VisibleChanged() {
    if (FHandle) ShowWindow(FHandle, FVisible ? SW_SHOWNOACTIVATE : SW_HIDE);
}

std::string TWinControl::GetText() {
    if (!FHandle) return FText;
    int N = GetWindowTextLengthA(FHandle);
    std::string S(static_cast<size_t>(N) + 1, '\0');
    int Got = GetWindowTextA(FHandle, S.data(), N + 1);
    S.resize(static_cast<size_t>(std::max(Got, 0)));
    return S;
}

void TWinControl::SetTextBuf(const std::string& Value) {
    FText = Value;
    if (FHandle) SetWindowTextA(FHandle, Value.c_str());
}

void TWinControl::FontChanged() {
    if (FHandle) {
        SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), TRUE);
        Invalidate();
    }
    for (TControl* C : FControls) C->ParentFontChanged();
}

void TWinControl::ColorChanged() {
    Invalidate();
    for (TControl* C : FControls) C->ParentColorChanged();
}

void TWinControl::EnabledChanged() {
    if (FHandle) EnableWindow(FHandle, FEnabled);
}

HBRUSH TWinControl::BackgroundBrush() {
    if (!FBrush || FBrushColor != FColor) {
        if (FBrush) DeleteObject(FBrush);
        FBrush = CreateSolidBrush(ColorToCOLORREF(FColor));
        FBrushColor = FColor;
    }
    return FBrush;
}

void TWinControl::Loaded() {
    TControl::Loaded();
    Realign();
}

void TWinControl::ShowControl() {
    if (FHandle) ShowWindow(FHandle, SW_SHOW);
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
    bool Started = First == nullptr;
    for (TControl* C : FControls) {
        if (!Started) {
            Started = C == First;
            if (!Started) continue;
        }
        auto* G = dynamic_cast<TGraphicControl*>(C);
        if (!G || !G->Visible()) continue;
        int Saved = SaveDC(DC);
        OffsetViewportOrgEx(DC, G->Left(), G->Top(), /*Old=*/nullptr);
        IntersectClipRect(DC, 0, 0, G->Width(), G->Height());
        rtl::TScopeExit RestoreDc([&] { RestoreDC(DC, Saved); });
        // Through its message handling, so a replaced WindowProc sees the paint.
        G->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    }
}

void TWinControl::PaintWindow(HDC DC) {
    TMessage M{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
    DefaultHandler(M);
}

bool TWinControl::HasGraphicChildren() const {
    for (TControl* C : FControls)
        if (!dynamic_cast<TWinControl*>(C) && C->Visible()) return true;
    return false;
}

void TWinControl::WMPaint(TMessage& Message) {
    if (Message.WParam) {
        // Painting into a given DC (a transparent child showing its parent).
        HDC DC = reinterpret_cast<HDC>(Message.WParam);
        if (ControlStyle.Contains(csCustomPaint))
            PaintWindow(DC);
        else
            DefaultHandler(Message);
        PaintControls(DC);
        Message.Result = 0;
        return;
    }
    if (ControlStyle.Contains(csCustomPaint) && DoubleBuffered) {
        PAINTSTRUCT PS;
        HDC DC = BeginPaint(FHandle, &PS);
        RECT R;
        GetClientRect(FHandle, &R);
        HDC Mem = CreateCompatibleDC(DC);
        HBITMAP Picture = CreateCompatibleBitmap(DC, std::max<int>(1, R.right), std::max<int>(1, R.bottom));
        HGDIOBJ Old = SelectObject(Mem, Picture);
        {
            rtl::TScopeExit ReleaseAtExit([&] {
                SelectObject(Mem, Old);
                DeleteObject(Picture);
                DeleteDC(Mem);
                EndPaint(FHandle, &PS);
            });
            // The erase goes to the picture: WParam and LParam both name it.
            Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(Mem), reinterpret_cast<LPARAM>(Mem));
            PaintWindow(Mem);
            PaintControls(Mem);
            BitBlt(DC, 0, 0, R.right, R.bottom, Mem, 0, 0, SRCCOPY);
        }
        Message.Result = 0;
        return;
    }
    if (ControlStyle.Contains(csCustomPaint)) {
        PAINTSTRUCT PS;
        HDC DC = BeginPaint(FHandle, &PS);
        {
            rtl::TScopeExit EndPaintAtExit([&] { EndPaint(FHandle, &PS); });
            PaintWindow(DC);
            PaintControls(DC);
        }
        Message.Result = 0;
        return;
    }
    // A standard window paints itself; graphic children go on top.
    DefaultHandler(Message);
    if (HasGraphicChildren()) {
        HDC DC = GetDC(FHandle);
        PaintControls(DC);
        ReleaseDC(FHandle, DC);
    }
}

void TWinControl::ReflectToChild(TMessage& Message, HWND Child) {
    TWinControl* C = FindControl(Child);
    if (C && C != this) {
        Message.Result = C->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    DefaultHandler(Message);
}

void TWinControl::UpdateBoundsFromWindow() {
    if (!FHandle || FInSetBoundsFromWindow) return;
    RECT R;
    GetWindowRect(FHandle, &R);
    HWND P = GetParent(FHandle);
    if (P && (GetWindowLongPtrA(FHandle, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(/*hWndFrom=*/nullptr, P, reinterpret_cast<POINT*>(&R), 2);
    {
        rtl::TSetForScope SetInSetBoundsFromWindow(FInSetBoundsFromWindow, true);
        TControl::SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top);
    }
    ClientSizeChanged();
}

void TWinControl::WndProc(TMessage& M) {
    switch (M.Msg) {
        case WM_PAINT: WMPaint(M); return;
        case WM_SYSCHAR:
            // Alt with a character no key-down accelerator took (one outside A-Z
            // and 0-9, such as a Greek or Japanese hot key) is offered the same way.
            if (TCustomForm* F = GetParentForm(this))
                if (F->Perform(CM_DIALOGCHAR, M.WParam, M.LParam)) {
                    M.Result = 0;
                    return;
                }
            break;
        case WM_ERASEBKGND:
            if (DoubleBuffered && M.WParam != static_cast<WPARAM>(M.LParam)) {
                M.Result = 1;  // the buffered paint erases in memory
                return;
            }
            if (FDefWndProc == DefWindowProcW) {
                RECT R;
                GetClientRect(FHandle, &R);
                FillRect(reinterpret_cast<HDC>(M.WParam), &R, BackgroundBrush());
                M.Result = 1;
                return;
            }
            break;
        case WM_COMMAND:
            if (M.LParam) {
                ReflectToChild(M, reinterpret_cast<HWND>(M.LParam));
                return;
            }
            break;
        case WM_NOTIFY: {
            auto* N = reinterpret_cast<NMHDR*>(M.LParam);
            if (N && N->hwndFrom) {
                ReflectToChild(M, N->hwndFrom);
                return;
            }
            break;
        }
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (M.LParam) {
                ReflectToChild(M, reinterpret_cast<HWND>(M.LParam));
                return;
            }
            break;
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
            ReflectToChild(M, reinterpret_cast<HWND>(M.LParam));
            return;
        case CN_CTLCOLORBTN:
        case CN_CTLCOLOREDIT:
        case CN_CTLCOLORLISTBOX:
        case CN_CTLCOLORSTATIC: {
            HDC DC = reinterpret_cast<HDC>(M.WParam);
            SetTextColor(DC, ColorToCOLORREF(FFont->Color()));
            SetBkColor(DC, ColorToCOLORREF(FColor));
            M.Result = reinterpret_cast<LRESULT>(BackgroundBrush());
            return;
        }
        case WM_SIZE:
        case WM_MOVE:
            DefaultHandler(M);
            UpdateBoundsFromWindow();
            return;
        case WM_SETFOCUS:
            DefaultHandler(M);
            DoEnter();
            if (TCustomForm* F = GetParentForm(this); F && F != this)
                F->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(this));
            return;
        case WM_KILLFOCUS:
            DefaultHandler(M);
            Perform(CM_EXIT, 0, 0);
            return;
        case CM_EXIT: DoExit(); return;
        case CM_RECREATEWND:
            if (FHandle) {
                DestroyHandle();
                CreateHandle();
            }
            return;
        case CM_FOCUSCHANGED:
            for (TControl* C : std::vector<TControl*>(FControls)) C->Perform(M.Msg, M.WParam, M.LParam);
            return;
        case CM_DIALOGKEY:
            for (TControl* C : std::vector<TControl*>(FControls))
                if ((M.Result = C->Perform(M.Msg, M.WParam, M.LParam)) != 0) return;
            return;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            WORD Key = static_cast<WORD>(M.WParam);
            if (DoKeyDown(Key, KeyDataToShiftState(M.LParam)) || Key == 0) return;
            M.WParam = Key;
            break;
        }
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            WORD Key = static_cast<WORD>(M.WParam);
            if (DoKeyUp(Key, KeyDataToShiftState(M.LParam)) || Key == 0) return;
            M.WParam = Key;
            break;
        }
        case WM_CHAR: {
            char Key = static_cast<char>(M.WParam);
            if (M.WParam < 0x80) {
                if (DoKeyPress(Key) || Key == 0) return;
                M.WParam = static_cast<unsigned char>(Key);
            }
            break;
        }
        case WM_SETCURSOR:
            if (LOWORD(M.LParam) == HTCLIENT && reinterpret_cast<HWND>(M.WParam) == FHandle) {
                TCursor Cur = Screen ? Screen->Cursor() : crDefault;
                if (Cur == crDefault) {
                    POINT P;
                    GetCursorPos(&P);
                    ::ScreenToClient(FHandle, &P);
                    TControl* C = ControlAtPos(P, /*AllowDisabled=*/true);
                    Cur = C && C->Cursor() != crDefault ? C->Cursor() : FCursor;
                }
                if (Cur != crDefault && Screen) {
                    ::SetCursor(Screen->Cursors(Cur));
                    M.Result = TRUE;
                    return;
                }
            }
            break;
        case CM_DIALOGCHAR:
            // Offered to the children in turn until one takes it.
            for (TControl* C : std::vector<TControl*>(FControls))
                if (C->Visible() && C->Perform(CM_DIALOGCHAR, M.WParam, M.LParam)) {
                    M.Result = 1;
                    return;
                }
            M.Result = 0;
            return;
        case WM_NCDESTROY: {
            DefaultHandler(M);
            RemovePropA(FHandle, ControlProp);
            FHandle = nullptr;
            return;
        }
        default:
            if (M.Msg >= WM_MOUSEFIRST && M.Msg <= WM_MOUSELAST && M.Msg != WM_MOUSEWHEEL) {
                POINT P{LoWordSigned(M.LParam), HiWordSigned(M.LParam)};
                TControl* Target = nullptr;
                if (CaptureControl && CaptureControl->Parent() == this)
                    Target = CaptureControl;
                else if (!Drag.Started || Drag.Source == nullptr)
                    Target = ControlAtPos(P, /*AllowDisabled=*/false);
                else if (Drag.Source && Drag.Source->Parent() == this && !dynamic_cast<TWinControl*>(Drag.Source))
                    Target = Drag.Source;
                if (M.Msg == WM_MOUSEMOVE && !CaptureControl) SetMouseControl(Target ? Target : this);
                if (Target && Target != this) {
                    M.Result = Target->Perform(M.Msg, M.WParam,
                                               MAKELPARAM(P.x - Target->Left(), P.y - Target->Top()));
                    return;
                }
            }
            break;
    }
    TControl::WndProc(M);
}

void TWinControl::DefaultHandler(TMessage& M) {
    if (!FHandle) return;
    M.Result = CallWindowProcW(FDefWndProc ? FDefWndProc : DefWindowProcW, FHandle, M.Msg, M.WParam, M.LParam);
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

bool TWinControl::DoKeyDown(WORD& Key, TShiftState Shift) {
    TCustomForm* F = GetParentForm(this);
    if (F && F != this && F->KeyPreview && F->OnKeyDown) {
        F->OnKeyDown(F, Key, Shift);
        if (Key == 0) return true;
    }
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
    return Key == 0;
}

bool TWinControl::DoKeyPress(char& Key) {
    TCustomForm* F = GetParentForm(this);
    if (F && F != this && F->KeyPreview && F->OnKeyPress) {
        F->OnKeyPress(F, Key);
        if (Key == 0) return true;
    }
    if (OnKeyPress) OnKeyPress(this, Key);
    return Key == 0;
}

bool TWinControl::DoKeyUp(WORD& Key, TShiftState Shift) {
    TCustomForm* F = GetParentForm(this);
    if (F && F != this && F->KeyPreview && F->OnKeyUp) {
        F->OnKeyUp(F, Key, Shift);
        if (Key == 0) return true;
    }
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
    return Key == 0;
}

// ---- TGraphicControl / TCustomControl -------------------------------------------------
TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {}
TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::PaintTo(HDC DC) {
    FCanvas->SetHandle(DC);
    FCanvas->Font().Assign(Font());
    FCanvas->Brush().SetColor(Color());
    rtl::TScopeExit ReleaseCanvas([&] { FCanvas->SetHandle(nullptr); });
    Paint();
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {
    ControlStyle.Include(csCustomPaint);
}
TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(HDC DC) {
    FCanvas->SetHandle(DC);
    FCanvas->Font().Assign(Font());
    FCanvas->Brush().SetColor(Color());
    rtl::TScopeExit ReleaseCanvas([&] { FCanvas->SetHandle(nullptr); });
    Paint();
}

void TCustomControl::Paint() {
    if (OnPaint) OnPaint(this);
}

// ---- Class tables ------------------------------------------------------------------------
namespace ControlProps {

TColor ReadColor(TFormReader& R, const TFormValue& V) {
    if (V.kind == TFormValue::vaInt) return static_cast<TColor>(V.Int);
    TColor C = 0;
    if (V.kind == TFormValue::vaIdent && IdentToColor(V.Str, C)) return C;
    R.Error(R.PropertyPath() + ": invalid colour " + V.Str);
}

TCursor ReadCursor(TFormReader& R, const TFormValue& V) {
    if (V.kind == TFormValue::vaInt) return static_cast<TCursor>(V.Int);
    static const std::pair<const char*, TCursor> Names[] = {
        {"crDefault", crDefault},   {"crNone", crNone},         {"crArrow", crArrow},
        {"crCross", crCross},       {"crIBeam", crIBeam},       {"crSizeNESW", crSizeNESW},
        {"crSizeNS", crSizeNS},     {"crSizeNWSE", crSizeNWSE}, {"crSizeWE", crSizeWE},
        {"crUpArrow", crUpArrow},   {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
        {"crNoDrop", crNoDrop},     {"crHSplit", crHSplit},     {"crVSplit", crVSplit},
        {"crMultiDrag", crMultiDrag}, {"crSQLWait", crSQLWait}, {"crNo", crNo},
        {"crAppStart", crAppStart}, {"crHelp", crHelp},         {"crHandPoint", crHandPoint},
        {"crSizeAll", crSizeAll},   {"crSize", crSize}};
    const std::string& S = R.Ident(V);
    for (auto& N : Names)
        if (SameText(S, N.first)) return N.second;
    R.Error(R.PropertyPath() + ": invalid cursor " + S);
}

void DefineFont(TClassInfo& C, TFont& (*Get)(TPersistent&), const std::string& P) {
    C.Define(P + ".Charset", [Get](TPersistent& O, const TFormValue& V, TFormReader& R) {
        static const std::pair<const char*, int> Sets[] = {{"ANSI_CHARSET", 0}, {"DEFAULT_CHARSET", 1},
                                                           {"SYMBOL_CHARSET", 2}, {"OEM_CHARSET", 255},
                                                           {"EASTEUROPE_CHARSET", 238}, {"RUSSIAN_CHARSET", 204},
                                                           {"GB2312_CHARSET", 134}, {"SHIFTJIS_CHARSET", 128}};
        if (V.kind == TFormValue::vaInt) {
            Get(O).SetCharset(static_cast<uint8_t>(V.Int));
            return;
        }
        for (auto& S : Sets)
            if (SameText(R.Ident(V), S.first)) {
                Get(O).SetCharset(static_cast<uint8_t>(S.second));
                return;
            }
        R.Error(R.PropertyPath() + ": invalid charset " + V.Str);
    });
    C.Define(P + ".Color", [Get](TPersistent& O, const TFormValue& V, TFormReader& R) {
        Get(O).SetColor(ReadColor(R, V));
    });
    C.Define(P + ".Height", [Get](TPersistent& O, const TFormValue& V, TFormReader& R) {
        Get(O).SetHeight(static_cast<int>(R.Int(V)));
    });
    C.Define(P + ".Size", [Get](TPersistent& O, const TFormValue& V, TFormReader& R) {
        Get(O).SetSize(static_cast<int>(R.Int(V)));
    });
    C.Define(P + ".Name", [Get](TPersistent& O, const TFormValue& V, TFormReader& R) {
        Get(O).SetName(R.String(V));
    });
    C.Define(P + ".Style", [Get](TPersistent& O, const TFormValue& V, TFormReader& R) {
        Get(O).SetStyle(R.Set<TFontStyle>(V, {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}));
    });
    C.Define(P + ".Pitch", [Get](TPersistent& O, const TFormValue& V, TFormReader& R) {
        Get(O).SetPitch(R.Enum<TFontPitch>(V, {"fpDefault", "fpVariable", "fpFixed"}));
    });
}

}  // namespace ControlProps

using namespace ControlProps;

template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;

TClassInfo& TControl::StaticClassInfo() {
    static TClassInfo CI("TControl", &TComponent::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        auto Int = [&C](const char* Name, void (*Set)(TControl&, int)) {
            C.Define<TControl>(Name, TSetter<TControl>([Set](TControl& O, const TFormValue& V, TFormReader& R) {
                                   Set(O, static_cast<int>(R.Int(V)));
                               }));
        };
        Int("Left", [](TControl& O, int V) { O.SetLeft(V); });
        Int("Top", [](TControl& O, int V) { O.SetTop(V); });
        Int("Width", [](TControl& O, int V) { O.SetWidth(V); });
        Int("Height", [](TControl& O, int V) { O.SetHeight(V); });
        Int("ClientWidth", [](TControl& O, int V) { O.SetClientWidth(V); });
        Int("ClientHeight", [](TControl& O, int V) { O.SetClientHeight(V); });
        Int("Constraints.MinWidth", [](TControl& O, int V) { O.Constraints.MinWidth = V; });
        Int("Constraints.MinHeight", [](TControl& O, int V) { O.Constraints.MinHeight = V; });
        Int("Constraints.MaxWidth", [](TControl& O, int V) { O.Constraints.MaxWidth = V; });
        Int("Constraints.MaxHeight", [](TControl& O, int V) { O.Constraints.MaxHeight = V; });
        C.Define<TControl>("Align", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.SetAlign(R.Enum<TAlign>(
                                   V, {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"}));
                           }));
        C.Define<TControl>("Anchors", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.SetAnchors(R.Set<TAnchorKind>(V, {"akLeft", "akTop", "akRight", "akBottom"}));
                           }));
        C.Define<TControl>("Visible", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.SetVisible(R.Bool(V));
                           }));
        C.Define<TControl>("Enabled", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.SetEnabled(R.Bool(V));
                           }));
        C.Define<TControl>("Caption", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.SetCaption(R.String(V));
                           }));
        C.Define<TControl>("Text", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.SetText(R.String(V));
                           }));
        C.Define<TControl>("Color", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.SetColor(ReadColor(R, V));
                           }));
        C.Define<TControl>("ParentColor", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.SetParentColor(R.Bool(V));
                           }));
        C.Define<TControl>("ParentFont", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.SetParentFont(R.Bool(V));
                           }));
        DefineFont(C, [](TPersistent& O) -> TFont& { return static_cast<TControl&>(O).Font(); });
        C.PublishObject<TControl>("Font", [](TControl& O) -> TObject* { return &O.Font(); });
        C.PublishInteger<TControl>("Color", [](TControl& O) -> int64_t { return O.Color(); },
                                   [](TControl& O, int64_t V) { O.SetColor(static_cast<TColor>(V)); });
        C.PublishBool<TControl>("Enabled", [](TControl& O) { return O.Enabled(); },
                                [](TControl& O, bool V) { O.SetEnabled(V); });
        C.Define<TControl>("Cursor", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.SetCursor(ReadCursor(R, V));
                           }));
        C.Define<TControl>("Hint", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.Hint = R.String(V);
                           }));
        C.Define<TControl>("ShowHint", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.ShowHint = R.Bool(V);
                               O.ParentShowHint = false;
                           }));
        C.Define<TControl>("ParentShowHint",
                           TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.ParentShowHint = R.Bool(V);
                           }));
        C.Define<TControl>("DragMode", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.DragMode = R.Enum<TDragMode>(V, {"dmManual", "dmAutomatic"});
                           }));
        C.Define<TControl>("DragCursor", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.DragCursor = ReadCursor(R, V);
                           }));
        C.Define<TControl>("PopupMenu", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               R.Reference(V, [&O, &R](TComponent* X) {
                                   auto* P = dynamic_cast<TPopupMenu*>(X);
                                   if (X && !P) R.Error(X->Name() + " is not a popup menu");
                                   O.SetPopupMenu(P);
                               });
                           }));
        C.Define<TControl>("Action", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               R.Reference(V, [&O, &R](TComponent* X) {
                                   auto* A = dynamic_cast<TBasicAction*>(X);
                                   if (X && !A) R.Error(X->Name() + " is not an action");
                                   O.SetAction(A);
                               });
                           }));
        auto Notify = [&C](const char* Name, TNotifyEvent TControl::*Field) {
            C.Define<TControl>(Name, TSetter<TControl>([Field](TControl& O, const TFormValue& V, TFormReader& R) {
                                   O.*Field = R.Method<TNotifyEvent>(V);
                               }));
        };
        Notify("OnClick", &TControl::OnClick);
        Notify("OnDblClick", &TControl::OnDblClick);
        Notify("OnResize", &TControl::OnResize);
        C.Define<TControl>("OnMouseDown", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.OnMouseDown = R.Method<TMouseEvent>(V);
                           }));
        C.Define<TControl>("OnMouseUp", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.OnMouseUp = R.Method<TMouseEvent>(V);
                           }));
        C.Define<TControl>("OnMouseMove", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.OnMouseMove = R.Method<TMouseMoveEvent>(V);
                           }));
        C.Define<TControl>("OnDragOver", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.OnDragOver = R.Method<TDragOverEvent>(V);
                           }));
        C.Define<TControl>("OnDragDrop", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.OnDragDrop = R.Method<TDragDropEvent>(V);
                           }));
        C.Define<TControl>("OnEndDrag", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.OnEndDrag = R.Method<TEndDragEvent>(V);
                           }));
        C.Define<TControl>("OnContextPopup",
                           TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.OnContextPopup = R.Method<TContextPopupEvent>(V);
                           }));
        // Kept by the form designer only.
        C.Define<TControl>("BiDiMode", TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.SetBiDiMode(R.Enum<TBiDiMode>(V, {"bdLeftToRight", "bdRightToLeft",
                                                                   "bdRightToLeftNoAlign",
                                                                   "bdRightToLeftReadingOnly"}));
                           }));
        C.Define<TControl>("ParentBiDiMode",
                           TSetter<TControl>([](TControl& O, const TFormValue& V, TFormReader& R) {
                               O.SetParentBiDiMode(R.Bool(V));
                           }));
        for (const char* Ignored : {"Ctl3D", "ParentCtl3D", "DesignSize",
                                    "ExplicitLeft", "ExplicitTop", "ExplicitWidth", "ExplicitHeight"})
            C.Define(Ignored, [](TPersistent&, const TFormValue&, TFormReader&) {});
    });
    return CI;
}

TClassInfo& TWinControl::StaticClassInfo() {
    static TClassInfo CI("TWinControl", &TControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        C.Define<TWinControl>("TabOrder", TSetter<TWinControl>([](TWinControl& O, const TFormValue& V,
                                                                  TFormReader& R) {
                                  O.SetTabOrder(static_cast<int>(R.Int(V)));
                              }));
        C.Define<TWinControl>("TabStop", TSetter<TWinControl>([](TWinControl& O, const TFormValue& V,
                                                                 TFormReader& R) { O.TabStop = R.Bool(V); }));
        C.Define<TWinControl>("Ctl3D", TSetter<TWinControl>([](TWinControl& O, const TFormValue& V,
                                                               TFormReader& R) { O.SetCtl3D(R.Bool(V)); }));
        C.Define<TWinControl>("ParentCtl3D", TSetter<TWinControl>([](TWinControl& O, const TFormValue& V,
                                                                     TFormReader& R) {
                                  O.SetParentCtl3D(R.Bool(V));
                              }));
        C.Define<TWinControl>("OnEnter", TSetter<TWinControl>([](TWinControl& O, const TFormValue& V,
                                                                 TFormReader& R) {
                                  O.OnEnter = R.Method<TNotifyEvent>(V);
                              }));
        C.Define<TWinControl>("OnExit", TSetter<TWinControl>([](TWinControl& O, const TFormValue& V,
                                                                TFormReader& R) {
                                  O.OnExit = R.Method<TNotifyEvent>(V);
                              }));
        C.Define<TWinControl>("OnKeyDown", TSetter<TWinControl>([](TWinControl& O, const TFormValue& V,
                                                                   TFormReader& R) {
                                  O.OnKeyDown = R.Method<TKeyEvent>(V);
                              }));
        C.Define<TWinControl>("OnKeyUp", TSetter<TWinControl>([](TWinControl& O, const TFormValue& V,
                                                                 TFormReader& R) {
                                  O.OnKeyUp = R.Method<TKeyEvent>(V);
                              }));
        C.Define<TWinControl>("OnKeyPress", TSetter<TWinControl>([](TWinControl& O, const TFormValue& V,
                                                                    TFormReader& R) {
                                  O.OnKeyPress = R.Method<TKeyPressEvent>(V);
                              }));
        C.Define<TWinControl>("ParentBackground", TSetter<TWinControl>([](TWinControl& O, const TFormValue& V,
                                                                          TFormReader& R) {
                                  O.ParentBackground = R.Bool(V);
                              }));
        C.Define<TWinControl>("DoubleBuffered", TSetter<TWinControl>([](TWinControl& O, const TFormValue& V,
                                                                        TFormReader& R) {
                                  O.DoubleBuffered = R.Bool(V);
                              }));
        for (const char* Ignored : {"ParentDoubleBuffered", "UseDockManager",
                                    "DockSite", "ImeMode", "ImeName"})
            C.Define(Ignored, [](TPersistent&, const TFormValue&, TFormReader&) {});
    });
    return CI;
}

TClassInfo& TGraphicControl::StaticClassInfo() {
    static TClassInfo CI("TGraphicControl", &TControl::StaticClassInfo(), /*Create=*/nullptr);
    return CI;
}

TClassInfo& TCustomControl::StaticClassInfo() {
    static TClassInfo CI("TCustomControl", &TWinControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        C.Define<TCustomControl>("OnPaint", TSetter<TCustomControl>([](TCustomControl& O, const TFormValue& V,
                                                                       TFormReader& R) {
                                     O.OnPaint = R.Method<TNotifyEvent>(V);
                                 }));
    });
    return CI;
}

void PublishCaption(TClassInfo& C) {
    C.PublishString<TControl>("Caption", [](TControl& O) { return O.Caption(); },
                              [](TControl& O, const std::string& V) { O.SetCaption(V); });
}

void PublishParentBackground(TClassInfo& C) {
    C.PublishBool<TWinControl>("ParentBackground", [](TWinControl& O) { return O.ParentBackground; },
                               [](TWinControl& O, bool V) {
                                   O.ParentBackground = V;
                                   O.Invalidate();
                               });
}

void RegisterControlClasses() {}
