// Caption buttons of a skinned frame, the mouse in its non-client area, the
// window-state operations and the system menu shown in the system's place.
#include <algorithm>

#include "platform/classlib/comctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/menus.h"
#include "platform/commctl/commctrl.h"
#include "platform/system/process.h"
#include "skin/skin_data.h"
#include "skin/skin_frames.h"
#include "skin/skin_manager.h"
#include "skin/skin_menubar.h"
#include "skin/skin_window.h"

namespace {
bool HasImage(const TDataSkinSysButton* B) { return B->Bitmap && !B->Bitmap->Empty() && B->FrameCount >= 1; }
}  // namespace

bool TSkinnedWindow::IsSysButtonVisible(TWinSysButton& B) {
    TDataSkinSysButton& Rec = *B.Button;
    const bool Max = StyleFlags & 1, Min = StyleFlags & 2, Help = StyleFlags & 4, Sys = StyleFlags & 8;
    const bool Maximised = WindowState == 1;
    auto Condition = [&](int Value, bool Second) -> bool {
        switch (Value) {
        case -1: return false;  // hidden, in both places
        case 0: return true;
        case 1: return Maximised;
        case 2: return !Maximised;
        case 3: return WindowActive;
        case 4: return !WindowActive;
        case 5: return false;
        case 6:
        case 8: return Second ? (Min || Max) : ((Min || Max) && Sys);
        case 7: return !Max;
        case 9: return !Min;
        case 10: return Second ? Help : (Help && !Min && !Max);
        case 100: return WindowKind == 1 && SkinManager && SkinManager->MDIMaximized && MenuBar;
        case 200: return !DialogClass && BorderKind == 3;
        default: break;
        }
        if (Value >= 201 && Value <= 999) return true;
        if (Value >= 1000 && Value <= 2000)
            return Second ? true : SendMessageW(Window, SKIN_BUTTONVISIBLE, static_cast<WPARAM>(Value), Rec.Action) > 0;
        return false;
    };
    bool Visible = Condition(Rec.Visibility, false) && Condition(Rec.Visibility1, true);
    switch (Rec.Action) {
    case 0:
        if (!Sys) Visible = false;
        break;
    case 1: B.Enabled = Max && Sys; break;
    case 2: B.Enabled = Min && Sys; break;
    case 3:
    case 11:
    case 12:
        if (BorderKind == 3) Visible = false;
        break;
    default: break;
    }
    B.Visible = Visible;
    return Visible;
}

void TSkinnedWindow::PlaceSysButtons() {
    const int W = FrameWidth;
    for (auto& B : CaptionButtons) {
        TDataSkinSysButton& Rec = *B->Button;
        if (!IsSysButtonVisible(*B) || !HasImage(&Rec)) continue;
        const int BW = Rec.Bitmap->Width() / Rec.FrameCount, BH = Rec.Bitmap->Height();
        int X, Y;
        switch (Rec.Align) {
        case 0: X = Rec.XCoord, Y = Rec.YCoord; break;
        case 1: X = W - Rec.XCoord, Y = Rec.YCoord; break;
        case 2:
        case 8: X = TextRect.left - BW - Rec.XCoord, Y = Rec.YCoord; break;
        case 3:
        case 9: X = TextRect.right + Rec.XCoord, Y = Rec.YCoord; break;
        case 100: {
            const int Margin = SkinData->MenuBar ? SkinData->MenuBar->LeftWidth : 0;
            X = W - Rec.XCoord - BorderRight - Margin;
            Y = BorderTop + (MenuHeight - BH) / 2;
            break;
        }
        default: continue;
        }
        B->Rect = TRect(X, Y, X + BW, Y + BH);
    }
}

void TSkinnedWindow::PaintSysButtons(HDC DC) {
    for (auto& B : CaptionButtons) {
        TDataSkinSysButton& Rec = *B->Button;
        if (!B->Visible || !HasImage(&Rec) || Rec.Visibility == 100) continue;
        if (Rec.Action == 3 || Rec.Action == 11) {
            DrawWindowIcon(DC, B->Rect);
            continue;
        }
        const int F = (Rec.FrameCount < 4 || (WindowActive && B->Enabled)) ? 1 : 4;
        DrawStretchedFrame(DC, B->Rect, *Rec.Bitmap, /*Transparent=*/true, Rec.FrameCount, F);
    }
}

void TWinSysButton::Paint() {
    TDataSkinSysButton& Rec = *Button;
    if (!Visible || !HasImage(&Rec) || !IsWindow(Form->Window)) return;
    HDC DC = GetWindowDC(Form->Window);
    if (!DC) return;
    int F = ButtonState;
    if (!Enabled) F = Rec.FrameCount >= 4 ? 4 : 1;
    if (Rec.Visibility == 100 && F == 3) F = 4;
    if (F > Rec.FrameCount) F = 1;
    if (Rec.Action == 3 || Rec.Action == 11)
        Form->DrawWindowIcon(DC, Rect);
    else
        DrawStretchedFrame(DC, Rect, *Rec.Bitmap, /*Transparent=*/true, Rec.FrameCount, F);
    ReleaseDC(Form->Window, DC);
}

TWinSysButton* TSkinnedWindow::SysButtonAt(POINT P) {
    for (auto& B : CaptionButtons)
        if (B->Visible && B->Button->Action >= 0 && PtInRect(&B->Rect, P)) return B.get();
    return nullptr;
}

// ---- The window icon ----------------------------------------------------------------------
void TSkinnedWindow::PrepareIconBitmap() {
    const int W = GetSystemMetrics(SM_CXSMICON), H = GetSystemMetrics(SM_CYSMICON);
    IconBitmap = std::make_unique<TBitmap>(W, H, pf16bit);
    IconBitmap->Canvas().Brush().SetColor(clFuchsia);
    IconBitmap->Canvas().FillRect(TRect(0, 0, W, H));
    IconSize = W;
    Icon = reinterpret_cast<HICON>(SendMessageW(Window, WM_GETICON, ICON_SMALL, 0));
    if (!Icon) Icon = reinterpret_cast<HICON>(SendMessageW(Window, WM_GETICON, ICON_BIG, 0));
    if (!Icon) return;
    if (HICON Small = static_cast<HICON>(CopyImage(Icon, IMAGE_ICON, W, H, LR_COPYFROMRESOURCE))) {
        DrawIconEx(IconBitmap->Canvas().Handle(), 0, 0, Small, W, H, 0, /*hbrFlickerFreeDraw=*/nullptr, DI_NORMAL);
        DestroyIcon(Small);
    }
}

void TSkinnedWindow::DrawWindowIcon(HDC DC, const TRect& R) {
    if (Icon) DrawIconEx(DC, R.left, R.top, Icon, IconSize, IconSize, 0, /*hbrFlickerFreeDraw=*/nullptr, DI_NORMAL);
}

// ---- The mouse in the non-client area -------------------------------------------------------
bool TSkinnedWindow::NcMouse(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
    const POINT Screen{static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam))};
    const POINT P = ScreenToFrame(Screen);
    TWinSysButton* Button = SysButtonAt(P);
    TMenuBtn* BarItem = Button || !MenuBar ? nullptr : MenuBar->ItemAt(P);
    TNCObject* Object = Button ? static_cast<TNCObject*>(Button) : BarItem;
    Result = 0;
    switch (Msg) {
    case WM_NCMOUSEMOVE:
        if (!WindowActive) return true;  // an inactive frame does not light up
        // A pressed button keeps the mouse until the release, so letting go
        // over another button runs neither.
        if (HotObject && HotObject->ButtonState == 2 && GetKeyState(VK_LBUTTON) < 0) return true;
        if (Object) {
            Object->MouseMove();
            return true;
        }
        if (HotObject) HotObject->MouseLeave();
        HotObject = nullptr;
        return false;
    case WM_NCLBUTTONDOWN:
        if (Object) {
            if (!WindowActive) SetForegroundWindow(Window);
            Object->MouseDown();
            if (BarItem) TrackMenuItem(BarItem);  // it stays the hot one
            return true;
        }
        if (WindowState == 1 && WindowActive && WParam == HTCAPTION) {
            // A maximised window is not dragged by its caption.
            Result = CallDefault(Msg, HTMENU, LParam);
            return true;
        }
        return false;
    case WM_NCLBUTTONUP:
        if (Object) {
            if (Button && HotObject == Button) {
                Button->MouseUp();
                SysButtonClick(Screen);
            }
            return true;
        }
        return false;
    case WM_NCLBUTTONDBLCLK:
        if (Button) {
            if (Button->Button->Action == 3 || Button->Button->Action == 11) {
                if (HoverTimer) HoverTimer->SetEnabled(false);
                PostMessageW(Window, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return true;
        }
        if (WindowState != 0) {
            Restore();
            return true;
        }
        if (StyleFlags & 1) {
            MaximizeOrRestore();
            return true;
        }
        return false;
    case WM_NCRBUTTONDOWN:
        if (WParam == HTCAPTION && WindowKind != 2) {
            ShowSystemMenu(Screen);
            return true;
        }
        return false;
    default: return false;
    }
}

void TSkinnedWindow::SysButtonClick(POINT ScreenPoint) {
    auto* B = dynamic_cast<TWinSysButton*>(HotObject);
    if (!B) return;
    const int Action = B->Button->Action;
    auto ActiveChildCommand = [this](WPARAM Cmd) {
        if (WindowKind != 1 || !MDIClient) return;
        if (HWND Child = reinterpret_cast<HWND>(SendMessageW(MDIClient, WM_MDIGETACTIVE, 0, 0)))
            SendMessageA(Child, WM_SYSCOMMAND, Cmd, 0);
    };
    switch (Action) {
    case 0:
        if (HasCloseCommand()) {
            if (HoverTimer) HoverTimer->SetEnabled(false);
            PostMessageW(Window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        break;
    case 1:
    case 22:
        if (B->Enabled) MaximizeOrRestore();
        break;
    case 2:
    case 23:
        if (B->Enabled) MinimizeOrRestore();
        break;
    case 3:
    case 11:
    case 12: ShowSystemMenu(POINT{ScreenPoint.x + 1, ScreenPoint.y + 1}); break;
    case 4: PostMessageW(Window, WM_SYSCOMMAND, SC_CONTEXTHELP, 0); break;
    case 7:
    case 60: ActiveChildCommand(SC_MINIMIZE); break;
    case 8:
    case 61: ActiveChildCommand(SC_RESTORE); break;
    case 9:
    case 62: ActiveChildCommand(SC_CLOSE); break;
    default: PostMessageW(Window, SKIN_CUSTOMBUTTON, static_cast<WPARAM>(Action), 0); break;
    }
}

bool TSkinnedWindow::HasCloseCommand() {
    if (!SystemMenu) return false;
    MENUITEMINFOA Info{};
    Info.cbSize = sizeof Info;
    Info.fMask = MIIM_ID;
    return GetMenuItemInfoA(SystemMenu, SC_CLOSE, FALSE, &Info) != FALSE;
}

void TSkinnedWindow::MaximizeOrRestore() {
    if (WindowState == 1) {
        Restore();
        return;
    }
    if (WindowKind == 2 && SkinManager) SkinManager->SetMDIMaximized(true);
    WindowState = 1;
    PostMessageW(Window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    HotObject = nullptr;
}

void TSkinnedWindow::MinimizeOrRestore() {
    if (WindowState == 2) {
        Restore();
        return;
    }
    WindowState = 2;
    if ((StyleFlags & 8) && !(StyleFlags & 0x10))
        SetWindowLongPtrW(Window, GWL_STYLE, GetWindowLongPtrW(Window, GWL_STYLE) | WS_SYSMENU);
    PostMessageW(Window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void TSkinnedWindow::Restore() {
    WindowState = 0;
    PostMessageW(Window, WM_SYSCOMMAND, SC_RESTORE, 0);
}

// ---- The system menu ------------------------------------------------------------------------
void TSkinnedWindow::ShowSystemMenu(POINT P) {
    const DWORD Now = GetTickCount();
    if (Now - LastMenuTick > DoubleClickTime) {
        if (SkinManager) SkinManager->PopupKind = 2;
        LastMenuTick = Now;
        BuildSystemMenu();
        if (!SystemMenuPopup) return;
        // Owned by the skinned window itself, which need not be a form.
        HMENU Menu = SystemMenuPopup->Handle();
        const UINT Cmd = static_cast<UINT>(
            TrackPopupMenu(Menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTBUTTON | TPM_RIGHTBUTTON, P.x, P.y, 0, Window,
                           /*prcRect=*/nullptr));
        if (Cmd && SystemMenuPopup)
            if (TMenuItem* Item = SystemMenuPopup->FindItem(static_cast<WORD>(Cmd))) Item->Click();
    } else if (HotObject) {
        // A second click within the double-click time closes, as on the icon.
        if (HoverTimer) HoverTimer->SetEnabled(false);
        PostMessageW(Window, WM_CLOSE, 0, 0);
    }
}

void TSkinnedWindow::BuildSystemMenu() {
    if (SystemMenuPopup) SystemMenuPopup->Free();
    SystemMenuPopup = nullptr;
    if (!SystemMenu) SystemMenu = GetSystemMenu(Window, FALSE);
    if (!SystemMenu) return;
    // The states follow the window now.
    GetSystemMenu(Window, FALSE);
    SystemMenuPopup = new TPopupMenu(this);
    SystemMenuPopup->Tag = 33333;
    SystemMenuPopup->Images = SkinData->MenuGlyphs.get();
    SystemMenuPopup->OwnerDraw = true;
    const int Count = GetMenuItemCount(SystemMenu);
    for (int I = 0; I < Count; ++I) {
        char Text[80] = {};
        MENUITEMINFOA Info{};
        Info.cbSize = sizeof Info;
        Info.fMask = MIIM_STATE | MIIM_ID | MIIM_STRING;
        Info.dwTypeData = Text;
        Info.cch = sizeof Text - 1;
        if (!GetMenuItemInfoA(SystemMenu, static_cast<UINT>(I), TRUE, &Info)) continue;
        auto* Item = new TMenuItem(SystemMenuPopup);
        Item->SetCaption(Text[0] ? std::string(Text) : std::string("-"));
        Item->Tag = static_cast<intptr_t>(Info.wID);
        bool Enabled = true;
        switch (Info.wID) {
        case SC_SIZE:
        case SC_MOVE: Enabled = WindowState != 1; break;
        case SC_MINIMIZE:
            Item->ImageIndex = 2;
            Enabled = WindowState != 2 && (StyleFlags & 2);
            break;
        case SC_MAXIMIZE:
            Item->ImageIndex = 1;
            Enabled = WindowState != 1 && (StyleFlags & 1);
            break;
        case SC_CLOSE: Item->ImageIndex = 3; break;
        case SC_RESTORE:
            Item->ImageIndex = 0;
            Enabled = WindowState != 0;
            break;
        default: Item->ImageIndex = -1; break;
        }
        if (Info.fState & (MFS_DISABLED | MFS_GRAYED)) Enabled = false;
        Item->SetEnabled(Enabled);
        if (Info.fState & MFS_CHECKED) Item->SetChecked(true);
        HWND W = Window;
        const WPARAM Cmd = Info.wID;
        Item->OnClick = [W, Cmd](TObject*) { PostMessageW(W, WM_SYSCOMMAND, Cmd, 0); };
        Item->OnMeasureItem = [this](TObject* S, TCanvas* C, int& Wd, int& H) { MenuItemMeasure(S, C, Wd, H); };
        Item->OnDrawItem = [this](TObject* S, TCanvas* C, TRect R, bool Sel) { MenuItemDraw(S, C, R, Sel); };
        SystemMenuPopup->Items()->Add(Item);
    }
}
