#include "platform/classlib/forms.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/classlib/actnlist.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/commctrl.h"
#include "platform/system/process.h"
#include "platform/rtl/scope.h"

TApplication* Application = nullptr;
TAppScreen* Screen = nullptr;
std::function<int(HWND, const std::string&, const std::string&, UINT)> MessageBoxHook;
std::vector<std::function<void(TCustomForm*)>> ModalLoopHooks;

namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;

struct TDisabledWindows {
    std::vector<HWND> List;
};

BOOL DisableOne(HWND W, LPARAM P) {
    auto* D = reinterpret_cast<std::pair<HWND, TDisabledWindows*>*>(P);
    if (W != D->first && IsWindowVisible(W) && IsWindowEnabled(W)) {
        D->second->List.push_back(W);
        EnableWindow(W, FALSE);
    }
    return TRUE;
}
}  // namespace

// ---- TCustomForm -------------------------------------------------------------------
TCustomForm::TCustomForm(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>()), FIcon(std::make_unique<TIcon>()) {
    FIcon->OnChange = [this](TObject*) { IconChanged(); };
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csCustomPaint};
    FColor = clBtnFace;
    FVisible = false;
    FParentFont = false;
    FWidth = 320;
    FHeight = 240;
    if (Screen) Screen->FForms.push_back(this);
}

TCustomForm::~TCustomForm() {
    Destroying();
    if (Screen) {
        auto& L = Screen->FForms;
        L.erase(std::remove(L.begin(), L.end(), this), L.end());
        if (Screen->FActiveForm == this) Screen->FActiveForm = nullptr;
    }
    if (Application && Application->MainForm() == this) Application->SetMainForm(nullptr);
    if (FMenu) FMenu->WindowForm = nullptr;
}

void TCustomForm::BeforeDestruction() {
    TWinControl::BeforeDestruction();
    if (!FDestroyed) {
        FDestroyed = true;
        if (OnDestroy) OnDestroy(this);
    }
}

void TCustomForm::LoadFromResource(const std::string& ResourceName) {
    ReadFormResource(this, ResourceName);
    DoCreate();
}

void TCustomForm::LoadFromFile(const std::string& Path) {
    ReadFormFile(this, Path);
    DoCreate();
}

void TCustomForm::LoadFromText(const std::string& Text, const std::string& FileName) {
    ReadFormText(this, Text, FileName);
    DoCreate();
}

void TCustomForm::DoCreate() {
    if (FCreated) return;
    FCreated = true;
    if (OnCreate) OnCreate(this);
}

void TCustomForm::SetClientWidth(int Value) {
    if (ComponentState().Contains(csLoading))
        FLoadClientWidth = Value;
    else
        TWinControl::SetClientWidth(Value);
}

void TCustomForm::SetClientHeight(int Value) {
    if (ComponentState().Contains(csLoading))
        FLoadClientHeight = Value;
    else
        TWinControl::SetClientHeight(Value);
}

void TCustomForm::Loaded() {
    // The menu is known now (references are resolved before Loaded).
    SetLoading(false);
    if (FLoadClientWidth >= 0) TWinControl::SetClientWidth(FLoadClientWidth);
    if (FLoadClientHeight >= 0) TWinControl::SetClientHeight(FLoadClientHeight);
    FLoadClientWidth = FLoadClientHeight = -1;
    SetLoading(true);
    TWinControl::Loaded();
    if (FActiveControl) FActiveControl->FreeNotification(this);
}

DWORD TCustomForm::FormStyleFlags(DWORD& ExStyle) const {
    DWORD Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    ExStyle = 0;
    switch (FBorderStyle) {
        case bsNone: Style |= WS_POPUP; break;
        case bsSingle: Style |= WS_CAPTION | WS_BORDER; break;
        case bsSizeable: Style |= WS_CAPTION | WS_THICKFRAME; break;
        case bsDialog:
            Style |= WS_POPUP | WS_CAPTION | WS_BORDER;
            ExStyle |= WS_EX_DLGMODALFRAME;
            break;
        case bsToolWindow:
            Style |= WS_CAPTION | WS_BORDER;
            ExStyle |= WS_EX_TOOLWINDOW;
            break;
        case bsSizeToolWin:
            Style |= WS_CAPTION | WS_THICKFRAME;
            ExStyle |= WS_EX_TOOLWINDOW;
            break;
    }
    if (FBorderStyle != bsNone) {
        if (FBorderIcons.Contains(biSystemMenu)) Style |= WS_SYSMENU;
        if (FBorderStyle != bsDialog && FBorderStyle != bsToolWindow && FBorderStyle != bsSizeToolWin) {
            if (FBorderIcons.Contains(biMinimize)) Style |= WS_MINIMIZEBOX;
            if (FBorderIcons.Contains(biMaximize)) Style |= WS_MAXIMIZEBOX;
        }
    }
    if (FormStyle == fsStayOnTop) ExStyle |= WS_EX_TOPMOST;
    return Style;
}

void TCustomForm::CreateParams(TCreateParams& P) {
    TWinControl::CreateParams(P);
    P.Style = FormStyleFlags(P.ExStyle);
    if (!FEnabled) P.Style |= WS_DISABLED;
    P.WndParent = nullptr;
    // Other forms stay above the main form.
    if (Application && Application->MainForm() && Application->MainForm() != this &&
        Application->MainForm()->HandleAllocated())
        P.WndParent = Application->MainForm()->Handle();
    if (ParentWindow) {
        P.WndParent = ParentWindow;
        P.Style = (P.Style & ~(WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU)) | WS_CHILD;
    }
}

void TCustomForm::CreateWindowHandle(const TCreateParams& Params) {
    TWinControl::CreateWindowHandle(Params);
    if (FMenu) {
        FMenu->WindowForm = this;
        ::SetMenu(FHandle, FMenu->Handle());
    }
    IconChanged();
}

HICON TCustomForm::GetIconHandle() {
    if (!FIcon->Empty()) return FIcon->Handle();
    if (Application && !Application->Icon().Empty()) return Application->Icon().Handle();
    return nullptr;
}

void TCustomForm::IconChanged() {
    if (!FHandle) return;
    HICON H = nullptr;
    try {
        H = GetIconHandle();
    } catch (const EInvalidGraphic&) {
        H = nullptr;  // an unreadable icon leaves the window without one
    }
    SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(H));
}

TRect TCustomForm::ClientRect() {
    if (FHandle) return TWinControl::ClientRect();
    // Without a window: the frame the window will have.
    DWORD Ex = 0;
    DWORD Style = FormStyleFlags(Ex);
    RECT R{0, 0, 0, 0};
    AdjustWindowRectEx(&R, Style, FMenu != nullptr, Ex);
    return TRect(0, 0, std::max(0, FWidth - (R.right - R.left)), std::max(0, FHeight - (R.bottom - R.top)));
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
    if (Value == FBorderIcons) return;
    FBorderIcons = Value;
    RecreateWnd();
}

void TCustomForm::SetWindowState(TWindowState Value) {
    FWindowState = Value;
    if (FHandle && FVisible)
        ShowWindow(FHandle, Value == wsMinimized ? SW_MINIMIZE : Value == wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
}

void TCustomForm::SetMenu(TMainMenu* Value) {
    if (Value == FMenu) return;
    if (FMenu) FMenu->WindowForm = nullptr;
    FMenu = Value;
    if (FMenu) {
        FMenu->FreeNotification(this);
        FMenu->WindowForm = this;
    }
    if (FHandle) {
        // The client area changes with the bar; keep the outer size.
        ::SetMenu(FHandle, FMenu ? FMenu->Handle() : nullptr);
        DrawMenuBar(FHandle);
    }
}

void TCustomForm::SetActiveControl(TWinControl* Value) {
    FActiveControl = Value;
    if (Value && !ComponentState().Contains(csLoading) && FHandle && FVisible && Value->CanFocus())
        ::SetFocus(Value->Handle());
}

void TCustomForm::FocusControl(TWinControl* Control) {
    FActiveControl = Control;
    if (FHandle && FVisible && Control->CanFocus()) ::SetFocus(Control->Handle());
}

void TCustomForm::ApplyPosition() {
    if (FPositioned) return;
    FPositioned = true;
    TCustomForm* Center = nullptr;
    switch (Position) {
        case poMainFormCenter:
            Center = Application ? Application->MainForm() : nullptr;
            if (Center == this) Center = nullptr;
            break;
        case poOwnerFormCenter: Center = dynamic_cast<TCustomForm*>(Owner()); break;
        case poScreenCenter:
        case poDesktopCenter: break;
        default: return;
    }
    int L, T;
    if (Center && Center->Visible()) {
        L = Center->Left() + (Center->Width() - FWidth) / 2;
        T = Center->Top() + (Center->Height() - FHeight) / 2;
    } else {
        // A form larger than the screen keeps its caption on it.
        L = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - FWidth) / 2);
        T = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - FHeight) / 2);
    }
    SetBounds(L, T, FWidth, FHeight);
}

void TCustomForm::Show() {
    SetVisible(true);
    if (FHandle) {
        BringWindowToTop(FHandle);
        SetForegroundWindow(FHandle);
    }
}

void TCustomForm::VisibleChanged() {
    if (FVisible) {
        HandleNeeded();
        ApplyPosition();
        if (OnShow) OnShow(this);
        // The controls and menu items show their actions' state in the first
        // picture: updated after it, each change would paint them again. A
        // failing update is reported as the idle time's updates report it.
        try {
            UpdateActionTargets();
        } catch (...) {
            if (Application) Application->HandleException(this);
        }
        ShowWindow(FHandle, FWindowState == wsMaximized   ? SW_SHOWMAXIMIZED
                            : FWindowState == wsMinimized ? SW_SHOWMINIMIZED
                                                          : SW_SHOWNORMAL);
        if (FActiveControl && FActiveControl->CanFocus()) ::SetFocus(FActiveControl->Handle());
    } else {
        if (OnHide) OnHide(this);
        if (FHandle) ShowWindow(FHandle, SW_HIDE);
    }
}

TModalResult TCustomForm::ShowModal() {
    if (FVisible || !FEnabled || FModal) throw EInvalidOperation("Cannot make a visible window modal");
    if (GetCapture()) ReleaseCapture();
    HWND ActiveBefore = GetActiveWindow();
    TDisabledWindows Disabled;
    HandleNeeded();
    std::pair<HWND, TDisabledWindows*> P{FHandle, &Disabled};
    EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&P));
    FModal = true;
    ModalResult = mrNone;
    auto Restore = [&] {
        for (HWND W : Disabled.List)
            if (IsWindow(W)) EnableWindow(W, TRUE);
        FModal = false;
        if (ActiveBefore && IsWindow(ActiveBefore)) SetActiveWindow(ActiveBefore);
    };
    {
        rtl::TScopeExit Cleanup([&] { Restore(); });
        Show();
        for (auto& Hook : std::vector<std::function<void(TCustomForm*)>>(ModalLoopHooks)) Hook(this);
        do {
            try {
                Application->HandleMessage();
            } catch (...) {
                Application->HandleException(this);
            }
            if (Application->Terminated()) {
                ModalResult = mrCancel;
            } else if (ModalResult != mrNone) {
                // The form may refuse to close.
                if (!CloseQuery()) {
                    ModalResult = mrNone;
                } else {
                    TCloseAction Action = caHide;
                    DoClose(Action);
                    if (Action == caNone) ModalResult = mrNone;
                }
            }
        } while (ModalResult == mrNone);
        Hide();
    }
    return ModalResult;
}

bool TCustomForm::CloseQuery() {
    bool CanClose = true;
    if (OnCloseQuery) OnCloseQuery(this, CanClose);
    return CanClose;
}

void TCustomForm::DoClose(TCloseAction& Action) {
    if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
    if (FModal) {
        ModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction Action = caHide;
    DoClose(Action);
    if (Action == caNone) return;
    if (Application && Application->MainForm() == this) {
        Application->Terminate();
    } else if (Action == caHide) {
        Hide();
    } else if (Action == caMinimize) {
        SetWindowState(wsMinimized);
    } else {
        Release();
    }
}

void TCustomForm::Release() {
    if (FHandle) PostMessageA(FHandle, CM_RELEASE, 0, 0);
}

void TCustomForm::Activate() {
    FActive = true;
    if (Screen) Screen->FActiveForm = this;
    if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
    FActive = false;
    if (OnDeactivate) OnDeactivate(this);
}

bool TCustomForm::IsShortCut(WORD Key, TShiftState Shift) {
    TShortCut SC = ShortCut(Key, Shift.Contains(ssShift), Shift.Contains(ssCtrl), Shift.Contains(ssAlt));
    if (SC == scNone || (Key >= VK_SHIFT && Key <= VK_MENU)) return false;
    if (FMenu && FMenu->IsShortCut(SC)) return true;
    for (int I = 0; I < ComponentCount(); ++I)
        if (auto* L = dynamic_cast<TActionList*>(Components(I)))
            if (L->IsShortCut(SC)) return true;
    return false;
}

TWinControl* TCustomForm::FindNextControl(TWinControl* Current, bool Forward) {
    std::vector<TWinControl*> L;
    GetTabOrderList(L);
    std::vector<TWinControl*> Ok;
    for (TWinControl* W : L)
        if (W->TabStop && W->CanFocus()) Ok.push_back(W);
    if (Ok.empty()) return nullptr;
    auto It = std::find(Ok.begin(), Ok.end(), Current);
    if (It == Ok.end()) return Forward ? Ok.front() : Ok.back();
    size_t I = static_cast<size_t>(It - Ok.begin());
    return Forward ? Ok[(I + 1) % Ok.size()] : Ok[(I + Ok.size() - 1) % Ok.size()];
}

bool TCustomForm::DialogKey(TWinControl* Focused, WORD Key, TShiftState Shift) {
    if (Shift.Contains(ssAlt) || Shift.Contains(ssCtrl)) return false;
    auto Buttons = [&](auto Pick) -> TButton* {
        std::vector<TWinControl*> L;
        GetTabOrderList(L);
        for (TWinControl* W : L)
            if (auto* B = dynamic_cast<TButton*>(W); B && B->CanFocus() && Pick(B)) return B;
        return nullptr;
    };
    switch (Key) {
        case VK_TAB: {
            if (auto* M = dynamic_cast<TCustomMemo*>(Focused); M && M->WantTabs) return false;
            TWinControl* Next = FindNextControl(Focused == this ? nullptr : Focused, !Shift.Contains(ssShift));
            if (Next) FocusControl(Next);
            return Next != nullptr;
        }
        case VK_RETURN: {
            if (auto* M = dynamic_cast<TCustomMemo*>(Focused); M && M->WantReturns) return false;
            TButton* B = dynamic_cast<TButton*>(Focused);
            if (!B) B = Buttons([](TButton* X) { return X->Default(); });
            if (!B) return false;
            B->Click();
            return true;
        }
        case VK_ESCAPE: {
            TButton* B = Buttons([](TButton* X) { return X->Cancel; });
            if (!B) return false;
            B->Click();
            return true;
        }
        default: return false;
    }
}

void TCustomForm::UpdateActions() {
    if (Showing()) UpdateActionTargets();
}

void TCustomForm::UpdateActionTargets() {
    if (FMenu)
        for (int I = 0; I < FMenu->Items()->Count(); ++I)
            if (FMenu->Items()->Items(I)->Visible()) FMenu->Items()->Items(I)->InitiateAction();
    std::function<void(TWinControl*)> Traverse = [&](TWinControl* W) {
        for (int I = 0; I < W->ControlCount(); ++I) {
            TControl* C = W->Controls(I);
            if (!C->Visible()) continue;
            if (C->Action()) C->Action()->Update();
            if (auto* Child = dynamic_cast<TWinControl*>(C)) Traverse(Child);
        }
    };
    Traverse(this);
}

void TCustomForm::PaintWindow(HDC DC) {
    if (!OnPaint) return;
    FCanvas->SetHandle(DC);
    FCanvas->Font().Assign(Font());
    FCanvas->Brush().SetColor(Color());
    rtl::TScopeExit ReleaseCanvas([&] { FCanvas->SetHandle(nullptr); });
    OnPaint(this);
}

void TCustomForm::WndProc(TMessage& M) {
    switch (M.Msg) {
        case WM_CLOSE: Close(); return;
        case CM_RELEASE: Free(); return;
        case WM_ACTIVATE:
            DefaultHandler(M);
            if (LOWORD(M.WParam) != WA_INACTIVE)
                Activate();
            else
                Deactivate();
            return;
        case WM_COMMAND:
            // Menu commands come without a control.
            if (M.LParam == 0 && HIWORD(M.WParam) == 0) {
                TMenuItem* I = TMenuItem::FindByCommand(LOWORD(M.WParam));
                if (I) {
                    I->Click();
                    return;
                }
            }
            break;
        case WM_INITMENUPOPUP: {
            HMENU H = reinterpret_cast<HMENU>(M.WParam);
            int N = GetMenuItemCount(H);
            for (int I = 0; I < N; ++I)
                if (TMenuItem* Item = TMenuItem::FindByCommand(static_cast<WORD>(GetMenuItemID(H, I))))
                    Item->InitiateAction();
            break;
        }
        case WM_MEASUREITEM: {
            auto* MI = reinterpret_cast<MEASUREITEMSTRUCT*>(M.LParam);
            if (MI && MI->CtlType == ODT_MENU) {
                if (TMenuItem* I = TMenuItem::FindByCommand(static_cast<WORD>(MI->itemID)); I && I->OnMeasureItem) {
                    int W = static_cast<int>(MI->itemWidth), H = static_cast<int>(MI->itemHeight);
                    HDC DC = GetDC(FHandle);
                    TCanvas C;
                    C.SetHandle(DC);
                    I->OnMeasureItem(I, &C, W, H);
                    C.SetHandle(nullptr);
                    ReleaseDC(FHandle, DC);
                    MI->itemWidth = static_cast<UINT>(W);
                    MI->itemHeight = static_cast<UINT>(H);
                    M.Result = TRUE;
                    return;
                }
            }
            break;
        }
        case WM_DRAWITEM: {
            auto* DI = reinterpret_cast<DRAWITEMSTRUCT*>(M.LParam);
            if (DI && DI->CtlType == ODT_MENU) {
                if (TMenuItem* I = TMenuItem::FindByCommand(static_cast<WORD>(DI->itemID)); I && I->OnDrawItem) {
                    TCanvas C;
                    C.SetHandle(DI->hDC);
                    I->OnDrawItem(I, &C, TRect(DI->rcItem), (DI->itemState & ODS_SELECTED) != 0);
                    C.SetHandle(nullptr);
                    M.Result = TRUE;
                    return;
                }
            }
            break;
        }
        default: break;
    }
    TWinControl::WndProc(M);
}

// ---- TScrollBox -----------------------------------------------------------------------
TScrollBox::TScrollBox(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    FWidth = 185;
    FHeight = 41;
    FColor = clBtnFace;
}

void TScrollBox::CreateParams(TCreateParams& P) {
    TWinControl::CreateParams(P);
    if (BorderStyle == bsSingleBorder) P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TScrollBox::CreateWindowHandle(const TCreateParams& P) {
    TWinControl::CreateWindowHandle(P);
    UpdateScrollBars();
}

int TScrollBox::Range(int Bar) {
    // How far the children reach, measured from the unscrolled origin.
    int R = 0;
    for (int I = 0; I < ControlCount(); ++I) {
        TControl* C = Controls(I);
        if (!C->Visible() || C->Align() != alNone) continue;
        R = std::max(R, Bar == SB_HORZ ? C->Left() + C->Width() + FPos[0] : C->Top() + C->Height() + FPos[1]);
    }
    return R;
}

void TScrollBox::UpdateScrollBars() {
    if (!HandleAllocated() || !AutoScroll) return;
    for (int Bar : {SB_HORZ, SB_VERT}) {
        RECT R;
        GetClientRect(FHandle, &R);
        int Page = Bar == SB_HORZ ? R.right : R.bottom;
        int Max = Range(Bar);
        SCROLLINFO SI{};
        SI.cbSize = sizeof SI;
        SI.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        SI.nMin = 0;
        SI.nMax = Max > Page ? Max - 1 : 0;
        SI.nPage = static_cast<UINT>(Max > Page ? Page : 0);
        SI.nPos = FPos[Bar];
        SetScrollInfo(FHandle, Bar, &SI, TRUE);
        if (Max <= Page && FPos[Bar] != 0) ScrollTo(Bar, 0);
    }
}

void TScrollBox::ScrollTo(int Bar, int Position) {
    int Page = Bar == SB_HORZ ? ClientWidth() : ClientHeight();
    int Max = std::max(0, Range(Bar) - Page);
    Position = std::clamp(Position, 0, Max);
    int Delta = FPos[Bar] - Position;
    if (Delta == 0) return;
    FPos[Bar] = Position;
    DisableAlign();
    for (int I = 0; I < ControlCount(); ++I) {
        TControl* C = Controls(I);
        if (C->Align() != alNone) continue;
        if (Bar == SB_HORZ)
            C->SetBounds(C->Left() + Delta, C->Top(), C->Width(), C->Height());
        else
            C->SetBounds(C->Left(), C->Top() + Delta, C->Width(), C->Height());
    }
    EnableAlign();
    if (HandleAllocated()) {
        SetScrollPos(FHandle, Bar, Position, TRUE);
        Invalidate();
    }
}

void TScrollBox::ScrollInView(TControl* Control) {
    if (!Control || Control->Parent() != this) return;
    if (Control->Top() < 0) ScrollTo(SB_VERT, FPos[1] + Control->Top());
    else if (Control->Top() + Control->Height() > ClientHeight())
        ScrollTo(SB_VERT, FPos[1] + Control->Top() + Control->Height() - ClientHeight());
    if (Control->Left() < 0) ScrollTo(SB_HORZ, FPos[0] + Control->Left());
    else if (Control->Left() + Control->Width() > ClientWidth())
        ScrollTo(SB_HORZ, FPos[0] + Control->Left() + Control->Width() - ClientWidth());
}

void TScrollBox::AlignControls(TControl* AControl, TRect& Rect) {
    TWinControl::AlignControls(AControl, Rect);
    UpdateScrollBars();
}

void TScrollBox::WndProc(TMessage& M) {
    if ((M.Msg == WM_VSCROLL || M.Msg == WM_HSCROLL) && M.LParam == 0) {
        int Bar = M.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ;
        int Page = Bar == SB_HORZ ? ClientWidth() : ClientHeight();
        int Pos = FPos[Bar];
        switch (LOWORD(M.WParam)) {
            case SB_LINEUP: Pos -= 8; break;
            case SB_LINEDOWN: Pos += 8; break;
            case SB_PAGEUP: Pos -= Page; break;
            case SB_PAGEDOWN: Pos += Page; break;
            case SB_THUMBTRACK:
            case SB_THUMBPOSITION: Pos = static_cast<short>(HIWORD(M.WParam)); break;
            case SB_TOP: Pos = 0; break;
            case SB_BOTTOM: Pos = Range(Bar); break;
            default: break;
        }
        ScrollTo(Bar, Pos);
        return;
    }
    TWinControl::WndProc(M);
}

// ---- THintWindow ----------------------------------------------------------------------
THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    SetVisible(false);
    SetColor(clInfoBk);
    Font().SetColor(clInfoText);
}

TClassInfo& THintWindow::StaticClassInfo() {
    static TClassInfo CI("THintWindow", &TCustomControl::StaticClassInfo(), CreateComponentOf<THintWindow>);
    return CI;
}

void THintWindow::CreateParams(TCreateParams& P) {
    TCustomControl::CreateParams(P);
    P.Style = WS_POPUP;
    P.ExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
    P.WndParent = nullptr;
}

void THintWindow::WndProc(TMessage& M) {
    if (M.Msg == WM_NCHITTEST) {
        M.Result = HTTRANSPARENT;
        return;
    }
    TCustomControl::WndProc(M);
}

void THintWindow::Paint() {
    TRect R = ClientRect();
    HDC DC = Canvas().Handle();
    HBRUSH Back = CreateSolidBrush(ColorToCOLORREF(Color()));
    FillRect(DC, &R, Back);
    DeleteObject(Back);
    HBRUSH Frame = CreateSolidBrush(ColorToCOLORREF(clInfoText));
    FrameRect(DC, &R, Frame);
    DeleteObject(Frame);
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, ColorToCOLORREF(Font().Color()));
    RECT T{R.left + 3, R.top + 1, R.right - 2, R.bottom - 1};
    HGDIOBJ OldFont = SelectObject(DC, Font().Handle());  // the font the text was measured in
    const std::string Text = Caption();
    DrawTextA(DC, Text.c_str(), -1, &T, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
    SelectObject(DC, OldFont);
}

TRect THintWindow::CalcHintRect(int MaxWidth, const std::string& AHint, void*) {
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font().Handle());
    RECT T{0, 0, MaxWidth, 0};
    DrawTextA(DC, AHint.c_str(), -1, &T, DT_CALCRECT | DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
    SelectObject(DC, Old);
    ReleaseDC(/*hWnd=*/nullptr, DC);
    return TRect(0, 0, T.right + 6, T.bottom + 2);
}

void THintWindow::ActivateHint(const TRect& Rect, const std::string& AHint) {
    SetCaption(AHint);
    HandleNeeded();
    SetBounds(Rect.left, Rect.top, Rect.Width(), Rect.Height());
    SetWindowPos(Handle(), HWND_TOPMOST, Rect.left, Rect.top, Rect.Width(), Rect.Height(),
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(Handle(), /*lpRect=*/nullptr, TRUE);
}

void THintWindow::ActivateHintData(const TRect& Rect, const std::string& AHint, void*) { ActivateHint(Rect, AHint); }

void THintWindow::ReleaseHandle() {
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
}

// ---- TApplication -----------------------------------------------------------------------
namespace {
constexpr UINT_PTR HintShowTimer = 1, HintHideTimer = 2;
const char* const HintTimerClass = "TApplicationHintTimer";
// An ANSI window, as the library's message loop is: its hooks get the
// creation record with the title as it was given (CREATESTRUCTA).
const char* const ApplicationWindowClass = "TApplication";
}  // namespace

LRESULT HintWindowProc(HWND W, UINT Msg, WPARAM WP, LPARAM LP) {
    TApplication* A = Application;
    if (Msg == WM_TIMER) {
        if (A && WP == HintShowTimer) {
            KillTimer(W, HintShowTimer);
            A->ShowHintNow();
        } else if (A && WP == HintHideTimer) {
            A->CancelHint();
        }
        return 0;
    }
    return DefWindowProcA(W, Msg, WP, LP);
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
    WNDCLASSA WC{};
    WC.lpfnWndProc = HintWindowProc;
    WC.lpszClassName = HintTimerClass;
    WNDCLASSA Existing{};
    if (!GetClassInfoA(/*hInstance=*/nullptr, HintTimerClass, &Existing)) RegisterClassA(&WC);
    FHintWnd = CreateWindowExA(0, HintTimerClass, "", WS_POPUP, 0, 0, 0, 0, /*hWndParent=*/nullptr, /*hMenu=*/nullptr,
                               /*hInstance=*/nullptr, /*lpParam=*/nullptr);
    HintWindowClass = &THintWindow::StaticClassInfo();
    MouseControlChanged = [this](TControl* C) { HintMouseControl(C); };
    FIcon = std::make_unique<TIcon>();
    if (HICON Main = LoadIconA(/*hInstance=*/nullptr, "MAINICON")) FIcon->SetHandle(Main);
    FIcon->OnChange = [](TObject*) {
        if (Screen)
            for (TCustomForm* F : Screen->FForms) F->IconChanged();
    };
    char Path[4096];
    ssize_t N = readlink("/proc/self/exe", Path, sizeof Path - 1);
    if (N > 0) ExeName.assign(Path, static_cast<size_t>(N));
}

void TApplication::SetHint(const std::string& Value) {
    if (Value == FHint) return;
    FHint = Value;
    if (OnHint) {
        OnHint(this);
        return;
    }
    THintAction Action(nullptr);
    Action.SetHint(Value);
    Action.Execute();
}

bool TApplication::ExecuteAction(TBasicAction* Action) {
    TMessage M{CM_ACTIONEXECUTE, 0, reinterpret_cast<LPARAM>(Action), 0};
    return CallWindowHooks(M) && M.Result != 0;
}

bool TApplication::CallWindowHooks(TMessage& M) {
    // A copy: a hook may unhook itself or others.
    for (auto& [Id, Hook] : std::vector<std::pair<int, TWindowHook>>(FWindowHooks))
        if (Hook(M)) return true;
    return false;
}

LRESULT ApplicationWindowProc(HWND W, UINT Msg, WPARAM WP, LPARAM LP) {
    auto* A = reinterpret_cast<TApplication*>(GetWindowLongPtrA(W, GWLP_USERDATA));
    if (Msg == WM_NCCREATE && LP) {
        // The handle is known from here on, so hooks of WM_CREATE find the window.
        A = static_cast<TApplication*>(reinterpret_cast<const CREATESTRUCTA*>(LP)->lpCreateParams);
        SetWindowLongPtrA(W, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(A));
        if (A) A->FHandle = W;
    }
    if (A) {
        TMessage M{Msg, WP, LP, 0};
        try {
            if (A->CallWindowHooks(M)) return M.Result;
        } catch (...) {
            A->HandleException(A);
        }
        if (Msg == WM_DESTROY && A->FHandle == W) {
            // The title stays readable once the window is gone.
            A->FTitle = A->Title();
            A->FHandle = nullptr;
        }
    }
    return DefWindowProcA(W, Msg, WP, LP);
}

void TApplication::CreateHandle() {
    if (FHandle) return;
    WNDCLASSA Existing{};
    if (!GetClassInfoA(nullptr, ApplicationWindowClass, &Existing)) {
        WNDCLASSA WC{};
        WC.lpfnWndProc = ApplicationWindowProc;
        WC.lpszClassName = ApplicationWindowClass;
        RegisterClassA(&WC);
    }
    // WM_NCCREATE sets FHandle; the window's text is the title from its creation on.
    CreateWindowExA(0, ApplicationWindowClass, FTitle.c_str(), WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, this);
}

std::string TApplication::Title() const {
    if (!FHandle) return FTitle;
    const int N = GetWindowTextLengthA(FHandle);
    std::string S(static_cast<size_t>(std::max(N, 0)) + 1, '\0');
    const int Got = GetWindowTextA(FHandle, S.data(), static_cast<int>(S.size()));
    S.resize(static_cast<size_t>(std::max(Got, 0)));
    return S;
}

void TApplication::SetTitle(const std::string& Value) {
    if (!FHandle)
        FTitle = Value;
    else if (Title() != Value)
        SetWindowTextA(FHandle, Value.c_str());
}

int TApplication::HookMainWindow(TWindowHook Hook) {
    FWindowHooks.emplace_back(FNextHookId, std::move(Hook));
    return FNextHookId++;
}

void TApplication::UnhookMainWindow(int Id) {
    FWindowHooks.erase(std::remove_if(FWindowHooks.begin(), FWindowHooks.end(),
                                      [Id](const std::pair<int, TWindowHook>& H) { return H.first == Id; }),
                       FWindowHooks.end());
}

TClassInfo& THintAction::StaticClassInfo() {
    static TClassInfo CI("THintAction", &TCustomAction::StaticClassInfo(), CreateComponentOf<THintAction>);
    return CI;
}

bool THintAction::Execute() {
    if (Application && Application->ExecuteAction(this)) return true;
    return TCustomAction::Execute();
}

HWND TApplication::HintWindow() const {
    return FHintShown && FHintWindow && FHintWindow->HandleAllocated() ? FHintWindow->Handle() : nullptr;
}

void TApplication::CancelHint() {
    if (!FHintWnd) return;
    KillTimer(FHintWnd, HintShowTimer);
    KillTimer(FHintWnd, HintHideTimer);
    if (FHintShown && FHintWindow) FHintWindow->ReleaseHandle();
    FHintShown = false;
}

void TApplication::HintMouseControl(TControl* C) {
    CancelHint();
    FHintControl = C;
    // The long hint of the control or the nearest parent that has one.
    std::string Long;
    for (TControl* P = C; P; P = P->Parent())
        if (!P->Hint.empty()) {
            Long = GetLongHint(P->Hint);
            break;
        }
    SetHint(Long);
    if (C && ShowHint && EffectiveShowHint(C) && !GetShortHint(C->Hint).empty() && FHintWnd)
        SetTimer(FHintWnd, HintShowTimer, HintPause, /*lpTimerFunc=*/nullptr);
}

void TApplication::ShowHintNow() {
    TControl* C = FHintControl;
    if (!C || !FHintWnd) return;
    THintInfo Info;
    Info.HintControl = C;
    Info.HintStr = GetShortHint(C->Hint);
    GetCursorPos(&Info.CursorPos);
    Info.HintWindowClass = HintWindowClass;
    if (C->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&Info)) != 0) return;  // the control wants none
    FHintText = Info.HintStr;
    // A window of the class the control chose; THintWindow when it names none.
    const TClassInfo* Class = Info.HintWindowClass && Info.HintWindowClass->InheritsFrom(&THintWindow::StaticClassInfo())
                                  ? Info.HintWindowClass
                                  : &THintWindow::StaticClassInfo();
    if (FHintWindow && FHintWindow->ClassInfo() != Class) {
        FHintWindow->Free();
        FHintWindow = nullptr;
    }
    if (!FHintWindow) {
        TComponent* Made = Class->Factory() ? Class->Factory()(nullptr) : nullptr;
        FHintWindow = dynamic_cast<THintWindow*>(Made);
        if (!FHintWindow) {
            if (Made) Made->Free();
            FHintWindow = new THintWindow(nullptr);
        }
    }
    TRect R = FHintWindow->CalcHintRect(Info.HintMaxWidth, FHintText, Info.HintData);
    POINT P{};
    GetCursorPos(&P);
    OffsetRect(&R, P.x, P.y + 20);
    FHintWindow->ActivateHintData(R, FHintText, Info.HintData);
    FHintShown = true;
    SetTimer(FHintWnd, HintHideTimer, HintHidePause, /*lpTimerFunc=*/nullptr);
}

TApplication::~TApplication() {
    Destroying();
    MouseControlChanged = nullptr;
    // Nothing hooks the window any more while it goes.
    FWindowHooks.clear();
    if (FHandle) DestroyWindow(FHandle);
    if (FHintWnd) DestroyWindow(FHintWnd);
    FHintWnd = nullptr;
    if (FHintWindow) FHintWindow->Free();
    FHintWindow = nullptr;
    // Forms go before the application object.
    DestroyComponents();
}

HWND TApplication::Handle() const {
    return FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : nullptr;
}

void TApplication::AddForm(TCustomForm* Form) {
    if (!FMainForm)
        if (auto* F = dynamic_cast<TForm*>(Form)) {
            F->HandleNeeded();
            FMainForm = F;
        }
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FMainForm) FMainForm = nullptr;
}

void TApplication::Run() {
    if (FMainForm && ShowMainForm) FMainForm->Show();
    while (!FTerminated) {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this);
        }
        if (!FMainForm) break;
    }
}

void TApplication::Terminate() {
    FTerminated = true;
    PostQuitMessage(0);
}

bool TApplication::IsKeyMsg(MSG& Msg) {
    if (Msg.message != WM_KEYDOWN && Msg.message != WM_SYSKEYDOWN) return false;
    HWND W = Msg.hwnd;
    TWinControl* C = nullptr;
    while (W && !(C = FindControl(W))) W = GetParent(W);
    if (!C) return false;
    TCustomForm* F = dynamic_cast<TCustomForm*>(C);
    if (!F) F = GetParentForm(C);
    if (!F) return false;
    TShiftState Shift = KeyDataToShiftState(Msg.lParam);
    if (Msg.message == WM_KEYDOWN && C->Perform(CM_WANTSPECIALKEY, Msg.wParam, 0)) return false;
    if (F->IsShortCut(static_cast<WORD>(Msg.wParam), Shift)) return true;
    if (Msg.message == WM_KEYDOWN) {
        WORD Key = static_cast<WORD>(Msg.wParam);
        if ((Key == VK_TAB || Key == VK_RETURN || Key == VK_ESCAPE) && F->Perform(CM_DIALOGKEY, Key, Msg.lParam))
            return true;
        if (F->DialogKey(C, Key, Shift)) return true;
    }
    // Alt with a letter or digit: the control whose caption marks it as its accelerator.
    WORD K = static_cast<WORD>(Msg.wParam);
    if (Msg.message == WM_SYSKEYDOWN && Shift.Contains(ssAlt) && !Shift.Contains(ssCtrl) &&
        ((K >= 'A' && K <= 'Z') || (K >= '0' && K <= '9')) && F->Perform(CM_DIALOGCHAR, std::tolower(K), 0))
        return true;
    // The main form's shortcuts work from the other forms too, unless modal.
    if (FMainForm && F != FMainForm && !F->Modal() && FMainForm->IsShortCut(static_cast<WORD>(Msg.wParam), Shift))
        return true;
    return false;
}

bool TApplication::ProcessMessage(MSG& Msg) {
    if (!PeekMessageA(&Msg, /*hWnd=*/nullptr, 0, 0, PM_REMOVE)) return false;
    if (Msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    if (FHintShown && (Msg.message == WM_LBUTTONDOWN || Msg.message == WM_RBUTTONDOWN || Msg.message == WM_KEYDOWN ||
                       Msg.message == WM_SYSKEYDOWN))
        CancelHint();
    bool Handled = false;
    if (OnMessage) OnMessage(Msg, Handled);
    if (!Handled && !IsKeyMsg(Msg)) {
        TranslateMessage(&Msg);
        DispatchMessageA(&Msg);
    }
    return true;
}

void TApplication::ProcessMessages() {
    MSG Msg;
    while (ProcessMessage(Msg)) {
    }
}

void TApplication::Idle() {
    bool Done = true;
    try {
        MouseIdle();
        if (OnIdle) OnIdle(this, Done);
        if (Done && Screen)
            for (TCustomForm* F : std::vector<TCustomForm*>(Screen->FForms)) F->UpdateActions();
    } catch (...) {
        HandleException(this);
    }
    if (CheckSynchronize()) Done = false;
    if (Done) WaitMessage();
}

void TApplication::HandleMessage() {
    MSG Msg;
    if (!ProcessMessage(Msg)) Idle();
}

void TApplication::HandleException(TObject* Sender) { HandleException(Sender, std::current_exception()); }

void TApplication::HandleException(TObject* Sender, const std::exception_ptr& E) {
    if (!E) return;
    try {
        std::rethrow_exception(E);
    } catch (const EAbort&) {
    } catch (const std::exception& X) {
        if (OnException)
            OnException(Sender, X);
        else
            ShowException(X);
    } catch (...) {
        ShowException(Exception("Unknown exception"));
    }
}

void TApplication::ShowException(const std::exception& E) {
    std::string Msg = E.what();
    if (!Msg.empty() && Msg.back() != '.') Msg += '.';
    MessageBox(Msg, Title(), MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
    HWND Owner = nullptr;
    if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated())
        Owner = Screen->ActiveForm()->Handle();
    else if (FMainForm && FMainForm->HandleAllocated())
        Owner = FMainForm->Handle();
    if (MessageBoxHook) return MessageBoxHook(Owner, Text, Caption, Flags);
    return MessageBoxA(Owner, Text.c_str(), Caption.c_str(), Flags);
}

// ---- TAppScreen ----------------------------------------------------------------------------
TAppScreen::TAppScreen(TComponent* AOwner) : TComponent(AOwner) {}

TControl* TAppScreen::ActiveControl() const {
    return FActiveForm ? FActiveForm->ActiveControl() : nullptr;
}

void TAppScreen::SetCursor(TCursor Value) {
    if (Value == FCursor) return;
    FCursor = Value;
    ::SetCursor(Cursors(Value == crDefault ? crArrow : Value));
}

HCURSOR TAppScreen::Cursors(int Index) {
    auto It = FCursors.find(Index);
    if (It != FCursors.end()) return It->second;
    LPCSTR Id = IDC_ARROW;
    switch (Index) {
        case crIBeam: Id = IDC_IBEAM; break;
        case crHourGlass:
        case crSQLWait: Id = IDC_WAIT; break;
        case crCross: Id = IDC_CROSS; break;
        case crUpArrow: Id = IDC_UPARROW; break;
        case crSizeNESW: Id = IDC_SIZENESW; break;
        case crSizeNS:
        case crVSplit: Id = IDC_SIZENS; break;
        case crSizeNWSE: Id = IDC_SIZENWSE; break;
        case crSizeWE:
        case crHSplit: Id = IDC_SIZEWE; break;
        case crSizeAll: Id = IDC_SIZEALL; break;
        case crNo:
        case crNoDrop: Id = IDC_NO; break;
        case crHandPoint: Id = IDC_HAND; break;
        case crAppStart: Id = IDC_APPSTARTING; break;
        case crHelp: Id = IDC_HELP; break;
        case crNone: return nullptr;
        default: break;
    }
    HCURSOR C = LoadCursorA(/*hInstance=*/nullptr, Id);
    FCursors[Index] = C;
    return C;
}

void TAppScreen::SetCursors(int Index, HCURSOR Handle) { FCursors[Index] = Handle; }

int TAppScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TAppScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

void FormsStartup() {
    if (Application) return;
    CommctlStartup();
    SetMainThread();
    Screen = new TAppScreen(nullptr);
    Application = new TApplication(nullptr);
    ControlExceptionHandler = [](const std::exception_ptr& E) {
        if (Application) Application->HandleException(/*Sender=*/nullptr, E);
    };
    SyncExceptionHandler = ControlExceptionHandler;
}

void FormsShutdown() {
    if (Application) Application->Free();
    Application = nullptr;
    if (Screen) Screen->Free();
    Screen = nullptr;
    ControlExceptionHandler = nullptr;
    SyncExceptionHandler = nullptr;
    ShutdownThreadSynchronization();
}

// ---- Class tables ---------------------------------------------------------------------------
TClassInfo& TCustomForm::StaticClassInfo() {
    static TClassInfo CI("TCustomForm", &TWinControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        PublishCaption(C);
        C.PublishEnum<TCustomForm>("BorderStyle",
                                   {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
                                   [](TCustomForm& O) -> int64_t { return O.BorderStyle(); },
                                   [](TCustomForm& O, int64_t V) { O.SetBorderStyle(static_cast<TFormBorderStyle>(V)); });
        C.Define<TCustomForm>("BorderStyle", TSetter<TCustomForm>([](TCustomForm& O, const TFormValue& V,
                                                                     TFormReader& R) {
                                  O.SetBorderStyle(R.Enum<TFormBorderStyle>(
                                      V, {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow",
                                          "bsSizeToolWin"}));
                              }));
        C.Define<TCustomForm>("Icon.Data", TSetter<TCustomForm>([](TCustomForm& O, const TFormValue& V,
                                                                   TFormReader& R) {
                                  const auto& Data = R.Binary(V);
                                  TMemoryStream S;
                                  if (!Data.empty()) S.WriteBuffer(Data.data(), static_cast<int64_t>(Data.size()));
                                  S.SetPosition(0);
                                  try {
                                      O.Icon().LoadFromStream(S);
                                  } catch (const EInvalidGraphic& E) {
                                      R.Error(E.Message);
                                  }
                              }));
        C.Define<TCustomForm>("BorderIcons", TSetter<TCustomForm>([](TCustomForm& O, const TFormValue& V,
                                                                     TFormReader& R) {
                                  O.SetBorderIcons(
                                      R.Set<TBorderIcon>(V, {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}));
                              }));
        C.Define<TCustomForm>("Position", TSetter<TCustomForm>([](TCustomForm& O, const TFormValue& V,
                                                                  TFormReader& R) {
                                  O.Position = R.Enum<TPosition>(
                                      V, {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                                          "poScreenCenter", "poDesktopCenter", "poMainFormCenter",
                                          "poOwnerFormCenter"});
                              }));
        C.Define<TCustomForm>("FormStyle", TSetter<TCustomForm>([](TCustomForm& O, const TFormValue& V,
                                                                   TFormReader& R) {
                                  O.FormStyle =
                                      R.Enum<TFormStyle>(V, {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"});
                              }));
        C.Define<TCustomForm>("WindowState", TSetter<TCustomForm>([](TCustomForm& O, const TFormValue& V,
                                                                     TFormReader& R) {
                                  O.SetWindowState(
                                      R.Enum<TWindowState>(V, {"wsNormal", "wsMinimized", "wsMaximized"}));
                              }));
        C.Define<TCustomForm>("KeyPreview", TSetter<TCustomForm>([](TCustomForm& O, const TFormValue& V,
                                                                    TFormReader& R) { O.KeyPreview = R.Bool(V); }));
        C.Define<TCustomForm>("PixelsPerInch", TSetter<TCustomForm>([](TCustomForm& O, const TFormValue& V,
                                                                       TFormReader& R) {
                                  O.PixelsPerInch = static_cast<int>(R.Int(V));
                              }));
        C.Define<TCustomForm>("Menu", TSetter<TCustomForm>([](TCustomForm& O, const TFormValue& V, TFormReader& R) {
                                  R.Reference(V, [&O, &R](TComponent* X) {
                                      auto* M = dynamic_cast<TMainMenu*>(X);
                                      if (X && !M) R.Error(X->Name() + " is not a main menu");
                                      O.SetMenu(M);
                                  });
                              }));
        C.Define<TCustomForm>("ActiveControl", TSetter<TCustomForm>([](TCustomForm& O, const TFormValue& V,
                                                                       TFormReader& R) {
                                  R.Reference(V, [&O](TComponent* X) {
                                      O.SetActiveControl(dynamic_cast<TWinControl*>(X));
                                  });
                              }));
        auto Notify = [&C](const char* Name, TNotifyEvent TCustomForm::*Field) {
            C.Define<TCustomForm>(Name, TSetter<TCustomForm>([Field](TCustomForm& O, const TFormValue& V,
                                                                     TFormReader& R) {
                                      O.*Field = R.Method<TNotifyEvent>(V);
                                  }));
        };
        Notify("OnCreate", &TCustomForm::OnCreate);
        Notify("OnShow", &TCustomForm::OnShow);
        Notify("OnHide", &TCustomForm::OnHide);
        Notify("OnActivate", &TCustomForm::OnActivate);
        Notify("OnDeactivate", &TCustomForm::OnDeactivate);
        Notify("OnDestroy", &TCustomForm::OnDestroy);
        Notify("OnPaint", &TCustomForm::OnPaint);
        C.Define<TCustomForm>("OnClose", TSetter<TCustomForm>([](TCustomForm& O, const TFormValue& V,
                                                                 TFormReader& R) {
                                  O.OnClose = R.Method<TCloseEvent>(V);
                              }));
        C.Define<TCustomForm>("OnCloseQuery", TSetter<TCustomForm>([](TCustomForm& O, const TFormValue& V,
                                                                      TFormReader& R) {
                                  O.OnCloseQuery = R.Method<TCloseQueryEvent>(V);
                              }));
        for (const char* Ignored : {"OldCreateOrder", "TextHeight", "Scaled", "AutoScroll", "HorzScrollBar.Visible",
                                    "VertScrollBar.Visible", "HelpFile"})
            C.Define(Ignored, [](TPersistent&, const TFormValue&, TFormReader&) {});
    });
    return CI;
}

TClassInfo& TForm::StaticClassInfo() {
    static TClassInfo CI("TForm", &TCustomForm::StaticClassInfo(), CreateComponentOf<TForm>);
    return CI;
}

TClassInfo& TScrollBox::StaticClassInfo() {
    static TClassInfo CI("TScrollBox", &TWinControl::StaticClassInfo(), CreateComponentOf<TScrollBox>, [](TClassInfo& C) {
        C.PublishBool<TScrollBox>("AutoScroll", [](TScrollBox& O) { return O.AutoScroll; },
                                  [](TScrollBox& O, bool V) { O.AutoScroll = V; });
        C.PublishEnum<TScrollBox>("BorderStyle", {"bsNone", "bsSingle"},
                                  [](TScrollBox& O) -> int64_t { return O.BorderStyle; });
        C.Define<TScrollBox>("AutoScroll", TSetter<TScrollBox>([](TScrollBox& O, const TFormValue& V, TFormReader& R) {
                                 O.AutoScroll = R.Bool(V);
                             }));
        C.Define<TScrollBox>("BorderStyle", TSetter<TScrollBox>([](TScrollBox& O, const TFormValue& V, TFormReader& R) {
                                 O.BorderStyle = R.Enum<TBorderStyle>(V, {"bsNone", "bsSingle"});
                             }));
        for (const char* Ignored : {"HorzScrollBar.Visible", "VertScrollBar.Visible", "HorzScrollBar.Range",
                                    "VertScrollBar.Range"})
            C.Define(Ignored, [](TPersistent&, const TFormValue&, TFormReader&) {});
    });
    return CI;
}

void RegisterFormClasses() { RegisterClasses({&TForm::StaticClassInfo(), &TScrollBox::StaticClassInfo()}); }
