#include "skin/skin_menubar.h"

#include <algorithm>

#include "platform/classlib/actnlist.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/menus.h"
#include "platform/commctl/commctrl.h"
#include "platform/system/codepages.h"
#include "platform/system/process.h"
#include "skin/skin_control_paint.h"
#include "skin/skin_data.h"
#include "skin/skin_frames.h"
#include "skin/skin_manager.h"

namespace {
HFONT gMenuFont = nullptr;

// The menu loop of a bar item's popup.
HHOOK gHook = nullptr;
TSkinnedWindow* LoopForm = nullptr;
int LoopIndex = -1;
TMenuItem* LoopMenuItem = nullptr;
POINT LoopPoint{};
bool FirstKeySent = false;
bool SwitchPending = false;

std::u16string Wide(const std::string& S) { return StringToWideInCodePage(S); }

char16_t LowerChar(char16_t C) { return (C >= u'A' && C <= u'Z') ? static_cast<char16_t>(C + 32) : C; }

bool HasAccelerator(const std::u16string& Caption, char16_t Key) {
    for (std::size_t I = 0; I + 1 < Caption.size(); ++I)
        if (Caption[I] == u'&') {
            if (Caption[I + 1] == u'&') {
                ++I;
                continue;
            }
            return LowerChar(Caption[I + 1]) == LowerChar(Key);
        }
    return false;
}

TMenuItem* FindIn(TMenuItem* Parent, UINT Command, HMENU SubMenu) {
    for (int I = 0; I < Parent->Count(); ++I) {
        TMenuItem* It = Parent->Items(I);
        if (SubMenu ? (It->Count() > 0 && It->Handle() == SubMenu) : It->Command() == Command) return It;
        if (TMenuItem* Deep = FindIn(It, Command, SubMenu)) return Deep;
    }
    return nullptr;
}

TMenuBtn* Neighbour(TSkinnedMenu* Bar, int From, int Dir) {
    const int N = static_cast<int>(Bar->Items.size());
    for (int K = 1; K <= N; ++K) {
        TMenuBtn* B = Bar->Items[static_cast<std::size_t>(((From + Dir * K) % N + N) % N)].get();
        if (B->Visible && !B->Caption.empty()) return B;
    }
    return nullptr;
}

LRESULT CALLBACK MenuLoopHookProc(int Code, WPARAM WParam, LPARAM LParam) {
    auto* Msg = reinterpret_cast<MSG*>(LParam);
    const LRESULT Result = CallNextHookEx(gHook, Code, WParam, LParam);
    if (Result || Code != MSGF_MENU || !LoopForm || !LoopForm->MenuBar || !Msg) return Result;
    TSkinnedWindow* Form = LoopForm;
    TSkinnedMenu* Bar = Form->MenuBar;
    if (!FirstKeySent) {
        // Selects the first item of the popup, as the keyboard would.
        FirstKeySent = true;
        PostMessageW(Msg->hwnd, WM_KEYDOWN, VK_DOWN, 0);
    }
    TMenuBtn* Chosen = nullptr;
    switch (Msg->message) {
    case WM_KEYDOWN:
        if (Msg->wParam == VK_RETURN || Msg->wParam == VK_ESCAPE) SwitchPending = false;
        if (Msg->wParam == VK_LEFT) {
            const bool FromBarPopup = !LoopMenuItem || (LoopMenuItem->Count() > 0 && LoopMenuItem->Handle() == Form->OpenSubMenu) ||
                                      (LoopMenuItem->Parent() && LoopMenuItem->Parent()->Count() > 0 &&
                                       LoopMenuItem->Parent()->Handle() == Form->OpenSubMenu);
            if (FromBarPopup) Chosen = Neighbour(Bar, LoopIndex, -1);
        } else if (Msg->wParam == VK_RIGHT) {
            if (!LoopMenuItem || LoopMenuItem->Count() == 0) Chosen = Neighbour(Bar, LoopIndex, 1);
        }
        break;
    case WM_SYSKEYDOWN:
        if (Msg->wParam == VK_MENU) Form->InMenuLoop = false;
        return Result;
    case WM_MENUSELECT: {
        const UINT Flags = HIWORD(Msg->wParam);
        if (Flags == 0xFFFF && !Msg->lParam) {
            if (!SwitchPending) Form->InMenuLoop = false;
            return Result;
        }
        SwitchPending = false;
        HMENU Menu = reinterpret_cast<HMENU>(Msg->lParam);
        if (Flags & MF_POPUP)
            LoopMenuItem = Bar->FindMenuItem(0, GetSubMenu(Menu, LOWORD(Msg->wParam)));
        else
            LoopMenuItem = Bar->FindMenuItem(LOWORD(Msg->wParam), /*SubMenu=*/nullptr);
        break;
    }
    case WM_MOUSEMOVE:
        if (Msg->pt.x == LoopPoint.x && Msg->pt.y == LoopPoint.y) break;
        LoopPoint = Msg->pt;
        Chosen = Bar->ItemAt(Form->ScreenToFrame(Msg->pt));
        break;
    default: break;
    }
    if (Chosen && Chosen->Index != LoopIndex) {
        SwitchPending = true;
        Form->PostOpenMenuItem(Chosen);
    }
    return Result;
}

void StartMenuLoopHook() {
    SwitchPending = false;
    FirstKeySent = false;
    GetCursorPos(&LoopPoint);
    if (!gHook) gHook = SetWindowsHookExA(WH_MSGFILTER, MenuLoopHookProc, /*hmod=*/nullptr, GetCurrentThreadId());
}

void StopMenuLoopHook() {
    if (gHook) UnhookWindowsHookEx(gHook);
    gHook = nullptr;
    LoopMenuItem = nullptr;
    LoopIndex = -1;
    FirstKeySent = false;
}
}  // namespace

HFONT SkinMenuFont() {
    if (!gMenuFont) {
        NONCLIENTMETRICSA M{};
        M.cbSize = sizeof M;
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof M, &M, 0);
        gMenuFont = CreateFontIndirectA(&M.lfMenuFont);
    }
    return gMenuFont;
}

void SkinMenuBarShutdown() {
    StopMenuLoopHook();
    LoopForm = nullptr;
    if (gMenuFont) DeleteObject(gMenuFont);
    gMenuFont = nullptr;
}

// ---- The bar ----------------------------------------------------------------------------
TSkinnedMenu::TSkinnedMenu(TComponent* AOwner) : TComponent(AOwner), Background(std::make_unique<TBitmap>()) {}

TSkinnedMenu::~TSkinnedMenu() {
    if (Form && Form->HotObject && std::any_of(Items.begin(), Items.end(),
                                               [this](const auto& B) { return B.get() == Form->HotObject; }))
        Form->HotObject = nullptr;
    if (LoopForm == Form && Form && Form->MenuBar == this) LoopForm = nullptr;
}

TMenuItem* TSkinnedMenu::FindMenuItem(UINT Command, HMENU SubMenu) const {
    if (!MenuObject) return nullptr;
    return FindIn(MenuObject->Items(), Command, SubMenu);
}

void TSkinnedMenu::BuildFromWindowMenu() {
    if (HMENU M = GetMenu(Form->Window)) MenuHandle = M;
    if (!MenuHandle) return;
    if (Form->Form && !Form->Form->Menu()) return;
    if (Form->Form) MenuObject = Form->Form->Menu();
    if (Form->HotObject && dynamic_cast<TMenuBtn*>(Form->HotObject)) Form->HotObject = nullptr;
    Items.clear();
    ItemCount = GetMenuItemCount(MenuHandle);
    for (int I = 0; I < ItemCount; ++I) {
        char Text[81] = {};
        MENUITEMINFOA Info{};
        Info.cbSize = sizeof Info;
        Info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_TYPE;
        Info.dwTypeData = Text;
        Info.cch = 80;
        GetMenuItemInfoA(MenuHandle, static_cast<UINT>(I), TRUE, &Info);
        auto B = std::make_unique<TMenuBtn>(Form, this);
        B->Index = I;
        B->SubMenu = Info.hSubMenu;
        B->ItemEnabled = !(Info.fState & (MFS_DISABLED | MFS_GRAYED));
        B->Visible = true;
        B->Command = Info.wID;
        B->Caption = Wide(Text);
        if (TMenuItem* Item = MenuObject ? MenuObject->FindItem(static_cast<WORD>(Info.wID)) : nullptr) {
            Item->InitiateAction();
            B->Caption = Wide(Item->Caption());
            B->ItemEnabled = Item->Enabled();
            B->MenuItem = Item;
            B->SubMenu = Item->Count() > 0 ? Item->Handle() : nullptr;
        }
        Items.push_back(std::move(B));
    }
    SetMenu(Form->Window, /*hMenu=*/nullptr);
}

void TSkinnedMenu::RefreshFromMenuObject() {
    for (auto& B : Items)
        if (B->MenuItem) {
            B->Caption = Wide(B->MenuItem->Caption());
            B->ItemEnabled = B->MenuItem->Enabled();
            B->Visible = B->MenuItem->Visible();
        }
}

void TSkinnedMenu::Position(const TRect& R) {
    TDataSkinObject* Part = SkinData->MenuBar.get();
    const bool HasPart = Part && Part->Bitmap && !Part->Bitmap->Empty();
    int X = HasPart ? Part->LeftWidth + 4 : 6;
    if (HasPart && R.Width() < X) X = 12;
    HDC DC = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, SkinMenuFont());
    for (auto& B : Items) {
        if (!B->Visible) {
            B->Rect = TRect(0, 0, 0, 0);
            continue;
        }
        RECT T{0, 0, 0, 0};
        if (!B->Caption.empty()) DrawWideText(DC, B->Caption, &T, DT_CALCRECT | DT_NOCLIP | DT_SINGLELINE);
        int W = T.right - T.left;
        if (W > 0) W += 10;
        B->Rect = TRect(R.left + X, R.top, R.left + X + W, R.bottom - 1);
        X += W;
    }
    SelectObject(DC, Old);
    DeleteDC(DC);
}

void TSkinnedMenu::LayoutItems() {
    TRect R(Form->BorderLeft, Form->BorderTop, Form->FrameWidth - Form->BorderRight,
            Form->BorderTop + Form->MenuHeight);
    if (R.Width() <= 0 || R.Height() <= 0) return;
    BarRect = R;
    Position(R);
}

void TSkinnedMenu::Paint(HDC DC, const TRect& R) {
    if (R.Width() <= 0 || R.Height() <= 0) return;
    TBitmap B(R.Width(), R.Height(), pf24bit);
    TDataSkinObject* Part = SkinData->MenuBar.get();
    const TRect Local(0, 0, R.Width(), R.Height());
    if (Part && Part->Bitmap && !Part->Bitmap->Empty()) {
        const int Frame = Form->WindowActive ? 1 : 2;
        const TRect Margins(Part->LeftWidth, 0, Part->RightWidth, 0);
        if (Part->Tile == 1)
            DrawSkinImage(B.Canvas().Handle(), Local, *Part->Bitmap, /*Vertical=*/true, /*Tile=*/false,
                          /*Transparent=*/false, 2, Frame, Margins);
        else
            TileFrameKeepingMargins(B.Canvas(), Local, *Part->Bitmap, /*Vertical=*/true, /*Transparent=*/false, 2,
                                    Frame, Margins);
    } else {
        B.Canvas().Brush().SetColor(SkinData->ColMenubar);
        B.Canvas().FillRect(Local);
    }
    BarRect = R;
    Background = std::make_unique<TBitmap>(R.Width(), R.Height(), pf24bit);
    BitBlt(Background->Canvas().Handle(), 0, 0, R.Width(), R.Height(), B.Canvas().Handle(), 0, 0, SRCCOPY);
    Position(R);
    Painting = true;
    HDC BD = B.Canvas().Handle();
    HGDIOBJ Old = SelectObject(BD, SkinMenuFont());
    B.Canvas().Font().SetColor(SkinData->ColMenuBarText);
    for (auto& Item : Items) {
        if (!Item->Visible || Item->Caption.empty()) continue;
        TRect IR = Item->Rect;
        OffsetRect(&IR, -R.left, -R.top);
        SelectObject(BD, SkinMenuFont());
        SetTextColor(BD, ColorToRGB(SkinData->ColMenuBarText));
        DrawMenuItemText(B.Canvas(), IR, Item->Caption, 2, Item->ItemEnabled);
    }
    SelectObject(BD, Old);
    Painting = false;
    Form->PaintMDIButtons(BD);
    BitBlt(DC, R.left, R.top, R.Width(), R.Height(), BD, 0, 0, SRCCOPY);
}

TMenuBtn* TSkinnedMenu::ItemAt(POINT P) const {
    for (const auto& B : Items)
        if (!B->Caption.empty() && PtInRect(&B->Rect, P)) return B.get();
    return nullptr;
}

TMenuBtn* TSkinnedMenu::FindMenuAccelerator(char16_t Key) const {
    for (const auto& B : Items)
        if (B->ItemEnabled && B->Visible && HasAccelerator(B->Caption, Key)) return B.get();
    return nullptr;
}

void TMenuBtn::Paint() {
    if (!IsWindow(Form->Window) || !Bar->Background || Bar->Background->Empty()) return;
    HDC DC = GetWindowDC(Form->Window);
    if (!DC) return;
    const TRect& BR = Bar->BarRect;
    BitBlt(DC, Rect.left, BR.top, Rect.Width(), BR.Height(), Bar->Background->Canvas().Handle(), Rect.left - BR.left, 0,
           SRCCOPY);
    TCanvas C;
    C.SetHandle(DC);
    if (ButtonState == 2 || ButtonState == 3) {
        C.Brush().SetColor(Bar->SkinData->ColButtonHilight);
        C.FrameRect(Rect);
    }
    SelectObject(DC, SkinMenuFont());
    C.Font().SetColor(Bar->SkinData->ColMenuBarText);
    SetTextColor(DC, ColorToRGB(Bar->SkinData->ColMenuBarText));
    SetBkMode(DC, TRANSPARENT);
    DrawMenuItemText(C, Rect, Caption, 2, ItemEnabled);
    C.SetHandle(nullptr);
    ReleaseDC(Form->Window, DC);
}

// ---- Opening items -----------------------------------------------------------------------
bool TSkinnedWindow::TrackMenuItem(TMenuBtn* Item) {
    if (!Item) return false;
    PostMessageW(Window, WM_COMMAND, MAKEWPARAM(Item->Command, 0), 0);
    if (!Item->SubMenu) return false;
    LoopIndex = Item->Index;
    LoopForm = this;
    MakeMenuOwnerDrawn(Item->SubMenu);  // the skin draws the items
    RECT W;
    GetWindowRect(Window, &W);
    InMenuLoop = true;
    const POINT At{W.left + (RightToLeft ? Item->Rect.right : Item->Rect.left), W.top + Item->Rect.bottom};
    if (SkinManager) SkinManager->PopupKind = 1;
    OpenSubMenu = Item->SubMenu;
    StartMenuLoopHook();
    LoopIndex = Item->Index;
    if (Item->ItemEnabled)
        TrackPopupMenu(Item->SubMenu, TPM_NONOTIFY | TPM_RIGHTBUTTON | (RightToLeft ? TPM_RIGHTALIGN : 0), At.x, At.y,
                       0, Window, /*prcRect=*/nullptr);
    StopMenuLoopHook();
    if (LoopForm == this) LoopForm = nullptr;
    InMenuLoop = false;
    return true;
}

void TSkinnedWindow::PostOpenMenuItem(TMenuBtn* Item) {
    RECT W;
    GetWindowRect(Window, &W);
    PostMessageW(Window, WM_NCLBUTTONDOWN, 1,
                 MAKELPARAM(static_cast<WORD>(Item->Rect.left + W.left + 1), static_cast<WORD>(Item->Rect.top + W.top + 1)));
}

bool TSkinnedWindow::KeyMenu(LPARAM Key, LRESULT& Result) {
    if (InMenuLoop || Key == ' ' || Key == '-' || GetCapture()) return false;
    TMenuBtn* Item = nullptr;
    if (Key != 0 || !MenuBar) {
        if (MenuBar) Item = MenuBar->FindMenuAccelerator(static_cast<char16_t>(Key));
    } else {
        for (auto& B : MenuBar->Items)
            if (B->Visible && !B->Caption.empty()) {
                Item = B.get();
                break;
            }
    }
    if (Key != 0 && !Item) return false;
    TrackMenuItem(Item);
    Result = 1;
    return true;
}

bool TSkinnedWindow::DialogChar(TMessage& M) {
    if (SavedFormWindowProc) SavedFormWindowProc(M);
    if (M.Result) return true;
    const bool AltOnly = GetKeyState(VK_MENU) < 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_SHIFT) >= 0;
    if (AltOnly && MenuBar)
        if (TMenuBtn* Item = MenuBar->FindMenuAccelerator(static_cast<char16_t>(M.WParam))) {
            PostOpenMenuItem(Item);
            M.Result = 1;
            return true;
        }
    if (WindowKind == 2 && SkinManager && SkinManager->MDIFrameForm) {
        if (SkinManager->MDIFrameForm->Perform(CM_DIALOGCHAR, M.WParam, M.LParam)) return true;
    } else if (Form && Application && Application->MainForm() && Form != Application->MainForm() && !Form->Modal()) {
        Application->MainForm()->Perform(CM_DIALOGCHAR, M.WParam, M.LParam);
    }
    M.Result = 0;
    return true;
}

void TSkinnedWindow::MenuChanged(WPARAM WParam, LPARAM LParam) {
    const bool Saved = SkinData->FramePaintEnabled;
    SkinData->FramePaintEnabled = false;
    CallDefault(CM_MENUCHANGED, WParam, LParam);
    SkinData->FramePaintEnabled = Saved;
    if (MenuBar) {
        // The bar shows the menu's captions as they are now, whether or not
        // the skin rebuilds its items (a language switch renames them).
        if (GetMenu(Window) && SkinData->MenuUpdate) {
            MenuBar->MenuHandle = GetMenu(Window);
            MenuBar->BuildFromWindowMenu();
        } else {
            MenuBar->RefreshFromMenuObject();
        }
        PaintFrame();
    }
    if (GetMenu(Window)) SetMenu(Window, /*hMenu=*/nullptr);
}

void TSkinnedWindow::OpenMenuItemAt(LPARAM ScreenPoint) {
    const POINT P = ScreenToFrame(POINT{static_cast<short>(LOWORD(ScreenPoint)), static_cast<short>(HIWORD(ScreenPoint))});
    if (SysButtonAt(P)) return;
    if (MenuBar)
        if (TMenuBtn* Item = MenuBar->ItemAt(P)) TrackMenuItem(Item);
}
