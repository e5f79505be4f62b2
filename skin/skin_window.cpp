#include "skin/skin_window.h"

#include <algorithm>

#include "platform/classlib/forms.h"
#include "platform/commctl/commctrl.h"
#include "platform/classlib/menus.h"
#include "skin/skin_data.h"
#include "skin/skin_manager.h"
#include "skin/skin_menubar.h"

namespace {
bool IsMDIClientClass(HWND W) { return SkinClassName(W) == "MDIClient"; }
}  // namespace

// ---- Hot objects ---------------------------------------------------------------------
TNCObject::~TNCObject() {
    if (Form && Form->HotObject == this) Form->HotObject = nullptr;
}

void TNCObject::MouseDown() {
    if (Form->HotObject && Form->HotObject != this) Form->HotObject->MouseLeave();
    if (!Visible) return;
    Form->HotObject = this;
    ButtonState = 2;
    Paint();
}

void TNCObject::MouseUp() {
    if (!Visible) return;
    ButtonState = 3;
    Paint();
}

void TNCObject::MouseMove() {
    if (Form->HotObject == this) return;
    if (Form->HotObject) Form->HotObject->MouseLeave();
    if (!Visible) return;
    Form->HotObject = this;
    ButtonState = 3;
    Paint();
}

void TNCObject::MouseLeave() {
    if (!Visible) return;
    if (Form->HotObject == this) Form->HotObject = nullptr;
    ButtonState = 1;
    Paint();
}

// ---- Life ----------------------------------------------------------------------------
TSkinnedWindow::TSkinnedWindow(TComponent* AOwner) : TComponent(AOwner) {
    DoubleClickTime = GetDoubleClickTime();
    NONCLIENTMETRICSA M{};
    M.cbSize = sizeof M;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof M, &M, 0)) TitleFont = CreateFontIndirectA(&M.lfCaptionFont);
    IconBitmap = std::make_unique<TBitmap>();
    TitleBitmap = std::make_unique<TBitmap>();
}

TSkinnedWindow::~TSkinnedWindow() {
    if (Subclassed()) DetachWindow();
    UnsubclassMDIClient();
    DetachControlSkins();
    FreeSysButtons();
    HoverTimer.reset();
    if (SystemMenuPopup) SystemMenuPopup->Free();
    SystemMenuPopup = nullptr;
    FreeMenuBar();
    if (TitleFont) DeleteObject(TitleFont);
    if (SkinManager) SkinManager->RemoveSkinForm(this);
}

void TSkinnedWindow::AttachForm(TSkinData* ASkinData, TCustomForm* AForm) {
    Form = AForm;
    if (ASkinData->OnBeforeSkinForm) ASkinData->OnBeforeSkinForm(AForm, Window, WindowClassName);
    SubclassWindow(ASkinData);
    if (FrameSkinned) {
        SavedFormWindowProc = Form->WindowProc;
        Form->WindowProc = [this](TMessage& M) { FormWindowProc(M); };
    }
    SavedFormColor = Form->Color();
    Form->SetColor(ASkinData->ColButtonFace);
    if (SkinData->SkinControls.Contains(xcMenuItem)) SkinMainMenus(Form, /*On=*/true);
}

void TSkinnedWindow::SkinWindow(TSkinData* ASkinData) { SubclassWindow(ASkinData); }

void TSkinnedWindow::SubclassWindow(TSkinData* ASkinData) {
    if (WndProcInstance) return;
    if (SkinManager) SkinManager->State = 1;
    SkinData = ASkinData;
    HoverTimer = std::make_unique<TTimer>(nullptr);
    HoverTimer->SetEnabled(false);
    HoverTimer->SetInterval(250);
    HoverTimer->OnTimer = [this](TObject*) { HoverPoll(); };
    FrameSkinned = SkinData->SkinControls.Contains(xcMainMenu);
    Style = static_cast<DWORD>(GetWindowLongPtrW(Window, GWL_STYLE));
    const DWORD ExStyle = static_cast<DWORD>(GetWindowLongPtrW(Window, GWL_EXSTYLE));
    RightToLeft = (ExStyle & WS_EX_LEFTSCROLLBAR) != 0;
    IsChild = (Style & WS_CHILD) != 0;
    if (WindowClassName.empty()) WindowClassName = SkinClassName(Window);
    OwnerWindow = GetWindow(Window, GW_OWNER);
    StyleFlags = 0;
    if (Style & WS_SYSMENU) StyleFlags |= 8;
    if (Style & WS_MINIMIZEBOX) StyleFlags |= 2;
    if (Style & WS_MAXIMIZEBOX) StyleFlags |= 1;
    if (ExStyle & WS_EX_CONTEXTHELP) StyleFlags |= 4;
    ReadWindowState();
    Sizeable = (Style & WS_THICKFRAME) != 0;
    WindowKind = 0;
    for (HWND C = GetWindow(Window, GW_CHILD); C; C = GetWindow(C, GW_HWNDNEXT))
        if (IsMDIClientClass(C)) {
            WindowKind = 1;
            MDIClient = C;
            break;
        }
    if (ExStyle & WS_EX_MDICHILD) {
        WindowKind = 2;
        if (SkinData->Options.Contains(xoMDIChildBorder)) FrameSkinned = false;
    }
    BorderKind = 1;
    if ((Style & WS_CAPTION) != WS_CAPTION)
        BorderKind = 2;
    else if (Style & WS_THICKFRAME)
        BorderKind = 0;
    else if (Style & 0x80)
        BorderKind = 3;
    if (ExStyle & WS_EX_DLGMODALFRAME) BorderKind = 3;
    // The platform reports version 6.1: the system-menu style is ours to take.
    UnicodeWindow = IsWindowUnicode(Window) != FALSE;
    if (WindowClassName == "#32770" || WindowClassName == "TMessageForm") {
        BorderKind = 3;
        DialogClass = true;
    }
    if (WindowKind == 1) {
        SavedMenuUpdate = SkinData->MenuUpdate;
        SubclassMDIClient();
    }
    WndProcInstance = MakeObjectInstance([this](HWND H, UINT M, WPARAM W, LPARAM L) { return WindowProc(H, M, W, L); });
    if (UnicodeWindow)
        OldWndProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WndProcInstance)));
    else
        OldWndProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WndProcInstance)));
    if (FrameSkinned) {
        WindowMenu = GetMenu(Window);
        if (WindowMenu && WindowKind != 2) {
            MenuBar = new TSkinnedMenu(this);
            MenuBar->SkinData = SkinData;
            MenuBar->Form = this;
            MenuHeight = GetSystemMetrics(SM_CYMENU);
            if (Form) MenuBar->MenuObject = Form->Menu();
            MenuBar->BuildFromWindowMenu();
        }
        InitFrameFromSkin();
    } else {
        State = 1;
    }
    if (WindowKind == 2) {
        const int Need = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CXFRAME);
        if (BorderTop < Need) MenuHeight = Need - BorderTop;
        if (WindowState == 1 && SkinManager) SkinManager->SetMDIMaximized(true);
    }
}

void TSkinnedWindow::ReadWindowState() {
    WINDOWPLACEMENT P{};
    P.length = sizeof P;
    GetWindowPlacement(Window, &P);
    switch (P.showCmd) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: WindowState = 2; break;
    case SW_SHOWMAXIMIZED: WindowState = 1; break;
    default: WindowState = 0; break;
    }
}

void TSkinnedWindow::InitFrameFromSkin() {
    FrameCache.reset();
    FrameCacheOther.reset();
    for (TKeptSkinImage& I : BorderImages) I.Clear();
    if (!SkinData || SkinData->SkinEmpty) return;
    if (BorderKind == 2) {
        BorderLeft = BorderTop = BorderRight = BorderBottom = 0;
        MenuHeight = 0;
    } else {
        // A frame count below 1 counts as one frame: the whole image, never a division by 0.
        auto Size = [this](int Side, bool Height) {
            TDataSkinBorder* B = SkinData->Borders[static_cast<std::size_t>(Side)].get();
            if (!B || !B->Bitmap) return 0;
            return (Height ? B->Bitmap->Height() : B->Bitmap->Width()) / std::max(1, static_cast<int>(B->FrameCount));
        };
        BorderTop = Size(TSkinData::bsTop, true);
        BorderLeft = Size(TSkinData::bsLeft, false);
        BorderRight = Size(TSkinData::bsRight, false);
        BorderBottom = Size(TSkinData::bsBottom, true);
    }
    FreeSysButtons();
    for (auto& Rec : SkinData->SysButtons) {
        auto B = std::make_unique<TWinSysButton>(this, Rec.get());
        if (Rec->Action == 3 || Rec->Action == 11) {
            PrepareIconBitmap();
            if (!Rec->Bitmap) Rec->Bitmap = std::make_unique<TBitmap>();
            if (Rec->Bitmap->Empty()) Rec->Bitmap->Assign(*IconBitmap);
            if (SkinData->AppIcon && SkinData->AppIcon->Empty()) SkinData->AppIcon->Assign(*IconBitmap);
            Rec->FrameCount = 1;
        }
        CaptionButtons.push_back(std::move(B));
    }
}

void TSkinnedWindow::FreeSysButtons() {
    HotObject = nullptr;
    CaptionButtons.clear();
}

// ---- Start ---------------------------------------------------------------------------
void TSkinnedWindow::Start() {
    SystemMenu = GetSystemMenu(Window, FALSE);
    PrepareIconBitmap();
    RECT C;
    GetClientRect(Window, &C);
    SavedClientRect = TRect(C.left, C.top, C.right, C.bottom);
    RECT W;
    GetWindowRect(Window, &W);
    StandardFrameWidth = (W.right - W.left) - (C.right - C.left);
    StandardFrameHeight = (W.bottom - W.top) - (C.bottom - C.top);
    // The children keep their own look until the control skins dress them.
    if (Form && SkinData->SkinControls.Contains(xcPopupMenu)) SkinPopupMenus(Form, /*On=*/true);
    if (State == 0) {
        if (WindowKind == 2) {
            if (WindowState == 1) {
                if (MDIClient) PostMessageA(MDIClient, SKIN_MDIREDRAW, 0, 0);
            } else if (WindowState == 0) {
                State = 5;
                ApplyFrameSize(false);
                State = 1;
                UpdateWindowRegion();
            }
        } else if (!IsChild && BorderKind != 2 && WindowState != 2) {
            State = 5;
            ApplyFrameSize(false);
            State = 1;
            if (WindowState == 1)
                UpdateFrame();
            else
                UpdateWindowRegion();
        }
    }
    SkinChildren();
    SendMessageA(Window, SKIN_FINISHED, 0, SKIN_FORM_ANSWER);
    if (SkinData->OnAfterSkinForm) SkinData->OnAfterSkinForm(Form, Window, WindowClassName);
    State = 1;
    if (HoverTimer) HoverTimer->SetEnabled(true);
}

void TSkinnedWindow::ApplyFrameSize(bool KeepCurrentClient) {
    if (WindowState == 1) {
        SetWindowPos(Window, /*hWndInsertAfter=*/nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        return;
    }
    RECT C;
    if (DialogClass || State == 3) {
        GetClientRect(Window, &C);
        SavedClientRect = TRect(C.left, C.top, C.right, C.bottom);
    }
    int Width = SavedClientRect.Width() + BorderLeft + BorderRight;
    // The window menu left the classic frame before the client was read: the
    // band takes its height back, for forms and other windows alike.
    int ClientHeight = SavedClientRect.Height() - (MenuBar && !(DialogClass || State == 3) ? MenuHeight : 0);
    if (KeepCurrentClient) {
        GetClientRect(Window, &C);
        SavedClientRect = TRect(C.left, C.top, C.right, C.bottom);
        ClientHeight = SavedClientRect.Height();
    } else if (Form) {
        Width = Form->ClientWidth() + BorderLeft + BorderRight;
        ClientHeight = WindowKind == 2 ? Form->ClientHeight() : Form->ClientHeight() - MenuHeight;
    }
    int Height = ClientHeight + BorderTop + BorderBottom + MenuHeight;
    if (DialogClass && !KeepCurrentClient) {
        DialogCaption = WindowText();
        HDC DC = GetWindowDC(Window);
        HGDIOBJ Old = SelectObject(DC, TitleFont ? static_cast<HGDIOBJ>(TitleFont) : GetStockObject(SYSTEM_FONT));
        SIZE S{};
        GetTextExtentPoint32W(DC, DialogCaption.c_str(), static_cast<int>(DialogCaption.size()), &S);
        SelectObject(DC, Old);
        ReleaseDC(Window, DC);
        CaptionTextWidth = S.cx;
        const int Need = SkinData->Title->LeftWidth + CaptionTextWidth + SkinData->Title->RightWidth;
        if (Width < Need) {
            const int Shift = (Need - Width) / 2;
            for (HWND Child = GetWindow(Window, GW_CHILD); Child; Child = GetWindow(Child, GW_HWNDNEXT)) {
                RECT R;
                GetWindowRect(Child, &R);
                POINT P{R.left, R.top};
                ScreenToClient(Window, &P);
                SetWindowPos(Child, /*hWndInsertAfter=*/nullptr, P.x + Shift, P.y, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING | SWP_NOOWNERZORDER);
            }
            Width = Need;
        }
    }
    SetWindowPos(Window, /*hWndInsertAfter=*/nullptr, 0, 0, Width, Height,
                 SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE);
}

std::u16string TSkinnedWindow::WindowText() const {
    char16_t Buffer[1001] = {};
    GetWindowTextW(Window, Buffer, 1001);
    return Buffer;
}

// ---- The window procedure --------------------------------------------------------------
LRESULT TSkinnedWindow::CallDefault(UINT Msg, WPARAM WParam, LPARAM LParam) {
    return UnicodeWindow ? CallWindowProcW(OldWndProc, Window, Msg, WParam, LParam)
                         : CallWindowProcA(OldWndProc, Window, Msg, WParam, LParam);
}

LRESULT TSkinnedWindow::WindowProc(HWND, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (State == 0 && Msg == WM_NCPAINT) return 0;
    // First stage: every skinned window.
    switch (Msg) {
    case WM_ERASEBKGND: {
        LRESULT R = CallDefault(Msg, WParam, LParam);
        if (Form) return R;
        RECT C;
        GetClientRect(Window, &C);
        FillRect(reinterpret_cast<HDC>(WParam), &C, SkinData->FaceBrush ? SkinData->FaceBrush : GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_NCDESTROY: {
        State = 4;
        WNDPROC Old = OldWndProc;
        bool Wide = UnicodeWindow;
        HWND W = Window;
        DetachWindow();
        LRESULT R = Wide ? CallWindowProcW(Old, W, Msg, WParam, LParam) : CallWindowProcA(Old, W, Msg, WParam, LParam);
        State = 6;
        return R;
    }
    case WM_NCACTIVATE:
        if (State == 0 && WindowKind != 2) return 0;
        if (!FrameSkinned) return CallDefault(Msg, WParam, LParam);
        break;
    case 0xAE: return 0;
    case WM_INITMENUPOPUP:
        // A popup menu of the window that is not of its bar (a context menu) stays of kind 0.
        if (SkinManager) {
            HMENU M = reinterpret_cast<HMENU>(WParam);
            if (M == SystemMenu)
                SkinManager->PopupKind = 2;
            else if (IsMenuOfBar(M))
                SkinManager->PopupKind = 1;
        }
        return CallDefault(Msg, WParam, LParam);
    case WM_CTLCOLORBTN: {
        LRESULT R = CallDefault(Msg, WParam, LParam);
        if (!Form) SetBkMode(reinterpret_cast<HDC>(WParam), TRANSPARENT);
        return R;
    }
    case WM_CTLCOLORSTATIC: {
        LRESULT R = CallDefault(Msg, WParam, LParam);
        if (Form) return R;
        SetBkMode(reinterpret_cast<HDC>(WParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(SkinData->FaceBrush ? SkinData->FaceBrush : GetSysColorBrush(COLOR_BTNFACE));
    }
    case SKIN_START: Start(); return 0;
    case SKIN_RECREATESCROLL:
        ControlDispatch().RecreateScrollbarSkin(reinterpret_cast<HWND>(WParam));
        return 0;
    case SKIN_QUERY: PostMessageA(Window, SKIN_FINISHED, 0, SKIN_FORM_ANSWER); return 1;
    default:
        if (!FrameSkinned) return CallDefault(Msg, WParam, LParam);
        break;
    }
    if (IsChild && WindowKind != 2) return CallDefault(Msg, WParam, LParam);
    // Second stage.
    switch (Msg) {
    case WM_SIZE: SizeHandler(WParam); break;
    case WM_ACTIVATE:
    case WM_NCACTIVATE: WindowActive = (WParam & 0xFF) != 0; break;
    case WM_GETMINMAXINFO: {
        LRESULT R = CallDefault(Msg, WParam, LParam);
        ReadWindowState();
        return R;
    }
    case WM_WINDOWPOSCHANGED: ReadWindowState(); return CallDefault(Msg, WParam, LParam);
    case WM_SETICON: {
        LRESULT R = CallDefault(Msg, WParam, LParam);
        PrepareIconBitmap();
        return R;
    }
    case WM_COMMAND: {
        const WPARAM Id = LOWORD(WParam);
        if (Id == SC_SIZE || Id == SC_MOVE || Id == SC_MINIMIZE || Id == SC_MAXIMIZE || Id == SC_NEXTWINDOW ||
            Id == SC_PREVWINDOW || Id == SC_CLOSE || Id == SC_RESTORE) {
            PostMessageW(Window, WM_SYSCOMMAND, Id, 0);
            return 0;
        }
        return CallDefault(Msg, WParam, LParam);
    }
    case WM_SYSCOMMAND: {
        LRESULT R = 0;
        if ((WParam & 0xFFF0) == SC_KEYMENU && KeyMenu(LParam, R)) return R;
        if (SysCommand(WParam, LParam, R)) return R;
        return CallDefault(Msg, WParam, LParam);
    }
    case SKIN_OPENMENUITEM: OpenMenuItemAt(LParam); return 0;
    case CM_MENUCHANGED: MenuChanged(WParam, LParam); return 0;
    default: break;
    }
    const bool MaximizedChild = WindowKind == 2 && WindowState == 1;
    if (MaximizedChild || State == 0) return Msg == WM_SIZE ? 0 : CallDefault(Msg, WParam, LParam);
    // Third stage: the handler replaces the default.
    switch (Msg) {
    case WM_NCACTIVATE: return NcActivate(WParam, LParam);
    case WM_SIZE: SizeHandler(WParam); return 0;
    case WM_NCCALCSIZE: return NcCalcSize(WParam, LParam);
    case WM_NCHITTEST: return NcHitTest(WParam, LParam);
    case WM_NCPAINT: return NcPaint(WParam, LParam);
    case WM_NCMOUSEMOVE:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN: {
        LRESULT R = 0;
        if (NcMouse(Msg, WParam, LParam, R)) return R;
        return CallDefault(Msg, WParam, LParam);
    }
    case SKIN_REPAINTFRAME: PaintFrame(); return 0;
    case WM_MEASUREITEM: {
        LRESULT R = 0;
        if (MeasureItemMessage(LParam, R)) return R;
        return CallDefault(Msg, WParam, LParam);
    }
    case WM_DRAWITEM: {
        LRESULT R = 0;
        if (DrawItemMessage(LParam, R)) return R;
        return CallDefault(Msg, WParam, LParam);
    }
    default: return CallDefault(Msg, WParam, LParam);
    }
}

void TSkinnedWindow::SizeHandler(WPARAM WParam) {
    CallDefault(WM_SIZE, WParam, 0);
    if (WParam == SIZE_RESTORED) WindowState = 0;
    else if (WParam == SIZE_MINIMIZED) WindowState = 2;
    else if (WParam == SIZE_MAXIMIZED) WindowState = 1;
    if (WindowState == 2) return;
    if (WindowKind == 2 && ((SkinManager && SkinManager->MDIMaximized) || WindowState != 0)) return;
    if (State == 1 || State == 3) UpdateWindowRegion();
}

LRESULT TSkinnedWindow::NcCalcSize(WPARAM WParam, LPARAM LParam) {
    LRESULT R = CallDefault(WM_NCCALCSIZE, WParam, LParam);
    if (!WParam) return R;
    auto* P = reinterpret_cast<NCCALCSIZE_PARAMS*>(LParam);
    if ((WindowKind == 2 && WindowState != 0) || BorderKind == 2) {
        P->rgrc[1] = P->rgrc[0];
        return WVR_VALIDRECTS;
    }
    const WINDOWPOS* Pos = P->lppos;
    RECT Win = Pos ? RECT{Pos->x, Pos->y, Pos->x + Pos->cx, Pos->y + Pos->cy} : P->rgrc[0];
    if (!Pos) {
        // Without the new position the first rectangle was the window's before the default changed it.
        RECT Old;
        GetWindowRect(Window, &Old);
        POINT O{Old.left, Old.top};
        if (HWND Parent = GetParent(Window); Parent && (Style & WS_CHILD)) ScreenToClient(Parent, &O);
        Win = RECT{O.x, O.y, O.x + (Old.right - Old.left), O.y + (Old.bottom - Old.top)};
    }
    RECT C{Win.left + BorderLeft, Win.top + BorderTop + MenuHeight, Win.right - BorderRight, Win.bottom - BorderBottom};
    if (C.right < C.left) C.right = C.left;
    if (C.bottom < C.top) C.bottom = C.top;
    P->rgrc[0] = C;
    P->rgrc[1] = C;
    return WVR_VALIDRECTS;
}

POINT TSkinnedWindow::ScreenToFrame(POINT P) const {
    ScreenToClient(Window, &P);
    if (!(WindowKind == 2 && WindowState == 2)) {
        P.x += BorderLeft;
        P.y += BorderTop + MenuHeight;
    }
    return P;
}

LRESULT TSkinnedWindow::NcHitTest(WPARAM WParam, LPARAM LParam) {
    LRESULT R = CallDefault(WM_NCHITTEST, WParam, LParam);
    if (R != HTNOWHERE && R != HTCAPTION) return R;
    POINT P = ScreenToFrame(POINT{static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam))});
    if (P.y > 3) R = HTCAPTION;
    if (P.y > BorderTop && MenuHeight > 0 && P.y <= BorderTop + MenuHeight) R = HTMENU;
    return R;
}

LRESULT TSkinnedWindow::NcActivate(WPARAM WParam, LPARAM LParam) {
    WindowActive = WParam != 0;
    if (HoverTimer) HoverTimer->SetEnabled(WParam != 0);
    if (WindowKind == 1 && MDIClient) SendMessageW(MDIClient, WM_NCACTIVATE, WParam, 0);
    if (WindowKind == 2) CallDefault(WM_NCACTIVATE, WParam, LParam);
    if (!(WindowKind == 2 && WindowState == 1)) PaintFrame();
    return 1;
}

LRESULT TSkinnedWindow::NcPaint(WPARAM WParam, LPARAM LParam) {
    // The system draws no caption buttons of its own on a skinned frame.
    if (!(StyleFlags & 0x10)) {
        const LONG_PTR S = GetWindowLongPtrW(Window, GWL_STYLE);
        if (S & WS_SYSMENU) SetWindowLongPtrW(Window, GWL_STYLE, S & ~static_cast<LONG_PTR>(WS_SYSMENU));
    }
    if (!SkinData->FramePaintEnabled) return 0;
    if ((WindowKind == 2 && WindowState == 1) || BorderKind == 2) return CallDefault(WM_NCPAINT, WParam, LParam);
    PaintFrame();
    return 0;
}

bool TSkinnedWindow::SysCommand(WPARAM WParam, LPARAM LParam, LRESULT& Result) {
    (void)Result;
    const WPARAM Cmd = WParam & 0xFFF0;
    if (Cmd == SC_KEYMENU && LParam == ' ' && !InMenuLoop) {
        POINT P{0, 0};
        ClientToScreen(Window, &P);
        ShowSystemMenu(P);
        return true;
    }
    if (WParam == SC_MINIMIZE) WindowState = 2;
    else if (WParam == SC_MAXIMIZE) WindowState = 1;
    else if (WParam == SC_RESTORE) {
        WindowState = 0;
        if (WindowKind == 2 && SkinManager && SkinManager->MDIMaximized) SkinManager->SetMDIMaximized(false);
    }
    return false;
}

void TSkinnedWindow::FormWindowProc(TMessage& M) {
    switch (M.Msg) {
    case WM_SETTEXT:
        if (SavedFormWindowProc) SavedFormWindowProc(M);
        if (IsWindowVisible(Window)) {
            if (WindowState == 1 && WindowKind == 2) {
                if (MDIClient) PostMessageA(MDIClient, SKIN_MDIREDRAW, 0, 0);
            } else if (WindowState == 2) {
                PaintFrame();
            } else {
                UpdateFrame();
            }
        }
        return;
    case SKIN_APPLYCHANGE: SkinChanged(); return;
    case CM_DIALOGCHAR: DialogChar(M); return;
    case SKIN_PAINTFORM:
        if (M.LParam != SKIN_FORM_ANSWER) break;
        if (M.WParam) PaintFrame(reinterpret_cast<HDC>(M.WParam));
        M.Result = SKIN_FORM_ANSWER;
        return;
    case SKIN_ISSKINNEDFORM: M.Result = M.LParam == SKIN_FORM_ANSWER ? SKIN_FORM_ANSWER : 1; return;
    default: break;
    }
    if (SavedFormWindowProc) SavedFormWindowProc(M);
}

void TSkinnedWindow::HoverPoll() {
    if (InMenuLoop || !HotObject) return;
    POINT P;
    GetCursorPos(&P);
    P = ScreenToFrame(P);
    if (!PtInRect(&HotObject->Rect, P)) {
        TNCObject* Hot = HotObject;
        Hot->MouseLeave();
        HotObject = nullptr;
    }
}

void TSkinnedWindow::SkinChanged() {
    if (Form) {
        Form->SetColor(SkinData->ColButtonFace);
        if (Screen)
            for (int I = 0; I < Screen->FormCount(); ++I)
                if (Screen->Forms(I)->Owner() == Form) Screen->Forms(I)->SetColor(SkinData->ColButtonFace);
    }
    State = 3;
    for (TKeptSkinImage& I : BorderImages) I.Clear();
    for (TSkinControl* S : std::vector<TSkinControl*>(ControlSkins.ControlSkins)) S->SkinChanged();
    if (FrameSkinned) {
        if (Form && SkinData->SkinControls.Contains(xcPopupMenu)) SkinPopupMenus(Form, /*On=*/true);
        ApplyFrameSize(true);
        if (Form) {
            Form->SetHeight(Form->Height() + 1);
            Form->SetHeight(Form->Height() - 1);
        }
        UpdateWindowRegion();
        InvalidateAndUpdate();
    }
    SendMessageA(Window, SKIN_FINISHED, 0, SKIN_FORM_ANSWER);
    if (SkinData->OnAfterSkinForm) SkinData->OnAfterSkinForm(Form, Window, WindowClassName);
    State = 1;
}

// ---- Unskin and detach -------------------------------------------------------------------
void TSkinnedWindow::RestoreProcedures() {
    if (Form && SavedFormWindowProc) {
        Form->WindowProc = SavedFormWindowProc;
        SavedFormWindowProc = nullptr;
    }
    if (!WndProcInstance) return;
    if (IsWindow(Window)) {
        if (UnicodeWindow)
            SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldWndProc));
        else
            SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldWndProc));
    }
    FreeObjectInstance(WndProcInstance);
    WndProcInstance = nullptr;
}

TControlDispatch& TSkinnedWindow::ControlDispatch() {
    if (!FDispatch) {
        ControlSkins.Window = Window;
        FDispatch = std::make_unique<TControlDispatch>(ControlSkins, *SkinData, this);
        FDispatch->HostState = [this] { return State; };
        FDispatch->FrameSkinned = [this] { return FrameSkinned; };
        FDispatch->SkinMenuItemTree = [this](TMenuItem* Item) { SkinMenuItemTree(Item, /*On=*/true); };
    }
    return *FDispatch;
}

void TSkinnedWindow::SkinChildren() {
    if (!SkinData || !IsWindow(Window)) return;
    ControlSkins.Window = Window;
    if (Form)
        ControlDispatch().SkinFormControls(Form);
    else
        ControlDispatch().SkinChildWindows(Window);
}

void TSkinnedWindow::DetachControlSkins() {
    if (FDispatch) FDispatch->DetachControlSkins();
}

// The form's menus lose the skin's item handlers (they point at this object).
void TSkinnedWindow::UndoMenuDrawing() {
    if (!Form) return;
    SkinPopupMenus(Form, /*On=*/false);
    if (SkinData && SkinData->SkinControls.Contains(xcMenuItem)) SkinMainMenus(Form, /*On=*/false);
}

void TSkinnedWindow::Unskin() {
    if (HoverTimer) HoverTimer->SetEnabled(false);
    if (!FrameSkinned) {
        DetachControlSkins();
        UndoMenuDrawing();
        if (Form && State != 4) Form->SetColor(SavedFormColor);
        RestoreProcedures();
        UnsubclassMDIClient();
        return;
    }
    if (SystemMenuPopup) SystemMenuPopup->Free();
    SystemMenuPopup = nullptr;
    if (!Subclassed()) return;
    RestoreProcedures();
    // The skinned frame answered the activation changes itself; the classic
    // frame learns whether the window is active now, or it would come back
    // looking as it did when the skin took over.
    if (IsWindow(Window) && !(GetWindowLongPtrW(Window, GWL_STYLE) & WS_CHILD))
        DefWindowProcW(Window, WM_NCACTIVATE, GetActiveWindow() == Window, 0);
    DetachControlSkins();
    UndoMenuDrawing();
    if (Form && State != 4) Form->SetColor(SavedFormColor);
    if (IsWindow(Window) && (StyleFlags & 8) && !(StyleFlags & 0x10))
        SetWindowLongPtrW(Window, GWL_STYLE, GetWindowLongPtrW(Window, GWL_STYLE) | WS_SYSMENU);
    if (MenuBar && IsWindow(Window)) SetMenu(Window, MenuBar->MenuHandle);
    FreeMenuBar();
    UnsubclassMDIClient();
    if (State != 4 && IsWindow(Window) && (WindowKind == 2 || !(GetWindowLongPtrW(Window, GWL_STYLE) & WS_CHILD))) {
        RECT R;
        GetWindowRect(Window, &R);
        POINT P{R.left, R.top};
        if (WindowKind == 2 && GetParent(Window)) ScreenToClient(GetParent(Window), &P);
        // The classic frame comes back around the same client area; a
        // maximised window keeps its place and size.
        if (WindowState == 1)
            SetWindowPos(Window, /*hWndInsertAfter=*/nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOZORDER);
        else
            SetWindowPos(Window, /*hWndInsertAfter=*/nullptr, P.x, P.y,
                         (R.right - R.left) - BorderLeft - BorderRight + StandardFrameWidth,
                         (R.bottom - R.top) - BorderTop - BorderBottom + StandardFrameHeight,
                         SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    // The platform owns the region it was given; it frees it when replaced.
    if (IsWindow(Window)) SetWindowRgn(Window, /*hRgn=*/nullptr, TRUE);
    HasRegion = false;
    RegionWidth = RegionHeight = 0;
}

void TSkinnedWindow::DetachWindow() {
    if (HoverTimer) HoverTimer->SetEnabled(false);
    if (!FrameSkinned) {
        DetachControlSkins();
        UndoMenuDrawing();
        RestoreProcedures();
        return;
    }
    if (SystemMenuPopup) SystemMenuPopup->Free();
    SystemMenuPopup = nullptr;
    if (!Subclassed()) return;
    RestoreProcedures();
    // The skinned frame answered the activation changes itself; the classic
    // frame learns whether the window is active now, or it would come back
    // looking as it did when the skin took over.
    if (IsWindow(Window) && !(GetWindowLongPtrW(Window, GWL_STYLE) & WS_CHILD))
        DefWindowProcW(Window, WM_NCACTIVATE, GetActiveWindow() == Window, 0);
    DetachControlSkins();
    UndoMenuDrawing();
    FreeMenuBar();
    UnsubclassMDIClient();
}

namespace {
bool Contains(HMENU Menu, HMENU Wanted, int Depth) {
    if (!Menu || Depth > 8) return false;
    const int N = GetMenuItemCount(Menu);
    for (int I = 0; I < N; ++I)
        if (HMENU Sub = GetSubMenu(Menu, I); Sub && (Sub == Wanted || Contains(Sub, Wanted, Depth + 1))) return true;
    return false;
}
}  // namespace

bool TSkinnedWindow::IsMenuOfBar(HMENU Menu) const {
    if (!Menu) return false;
    if (MenuBar && Contains(MenuBar->MenuHandle, Menu, 0)) return true;
    return Contains(WindowMenu, Menu, 0);
}

void TSkinnedWindow::FreeMenuBar() {
    if (!MenuBar) return;
    TSkinnedMenu* Bar = MenuBar;
    MenuBar = nullptr;
    Bar->Free();
}

void TSkinnedWindow::UpdateFrame() {
    SetWindowPos(Window, /*hWndInsertAfter=*/nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TSkinnedWindow::InvalidateAndUpdate() {
    InvalidateRect(Window, /*lpRect=*/nullptr, TRUE);
    UpdateWindow(Window);
}
