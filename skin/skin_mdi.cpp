// MDI frames and children of skinned windows: the subclass of the frame's MDI
// client, the manager's maximised state shared by the children, and the
// child's caption buttons in the frame's menu bar.
#include <vector>

#include "platform/classlib/forms.h"
#include "platform/commctl/commctrl.h"
#include "skin/skin_data.h"
#include "skin/skin_frames.h"
#include "skin/skin_manager.h"
#include "skin/skin_menubar.h"
#include "skin/skin_window.h"

void TSkinnedWindow::SubclassMDIClient() {
    if (!MDIClient || MDIClientInstance) return;
    MDIClientInstance =
        MakeObjectInstance([this](HWND H, UINT M, WPARAM W, LPARAM L) { return MDIClientProc(H, M, W, L); });
    MDIClientOldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(MDIClient, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MDIClientInstance)));
    if (SkinManager) {
        SkinManager->MDIClient = MDIClient;
        SkinManager->MDIFrameForm = Form;
    }
}

void TSkinnedWindow::UnsubclassMDIClient() {
    if (!MDIClientInstance) return;
    if (IsWindow(MDIClient) &&
        reinterpret_cast<WNDPROC>(GetWindowLongPtrA(MDIClient, GWLP_WNDPROC)) == MDIClientInstance)
        SetWindowLongPtrA(MDIClient, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MDIClientOldProc));
    FreeObjectInstance(MDIClientInstance);
    MDIClientInstance = nullptr;
    if (SkinManager && SkinManager->MDIClient == MDIClient) {
        SkinManager->MDIClient = nullptr;
        SkinManager->MDIFrameForm = nullptr;
    }
}

bool TSkinnedWindow::IsMDIChildMaximized() {
    if (WindowKind != 1 || !MDIClient) return false;
    BOOL Maximized = FALSE;
    HWND Active = reinterpret_cast<HWND>(SendMessageW(MDIClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&Maximized)));
    return Active && Maximized;
}

LRESULT TSkinnedWindow::MDIClientProc(HWND H, UINT Msg, WPARAM WParam, LPARAM LParam) {
    WNDPROC Old = MDIClientOldProc;
    auto Default = [&] { return CallWindowProcA(Old, H, Msg, WParam, LParam); };
    if (!FrameSkinned) {
        if (Msg == WM_NCDESTROY) {
            LRESULT R = Default();
            UnsubclassMDIClient();
            return R;
        }
        return Default();
    }
    switch (Msg) {
    case WM_NCDESTROY: {
        LRESULT R = Default();
        UnsubclassMDIClient();
        return R;
    }
    case WM_NCCALCSIZE:
        if (!SkinData->Options.Contains(xoMDIScrollbar)) {
            const LONG_PTR S = GetWindowLongPtrW(H, GWL_STYLE);
            if (S & (WS_HSCROLL | WS_VSCROLL))
                SetWindowLongPtrW(H, GWL_STYLE, S & ~static_cast<LONG_PTR>(WS_HSCROLL | WS_VSCROLL));
        }
        return Default();
    case WM_MDICREATE: SkinData->MenuUpdate = false; return Default();
    case WM_MDIDESTROY: {
        LRESULT R = Default();
        if (SkinManager) SkinManager->SetMDIMaximized(IsMDIChildMaximized());
        if (!SendMessageW(H, WM_MDIGETACTIVE, 0, 0) && MenuBar) {
            SkinData->MenuUpdate = SavedMenuUpdate;
            MenuBar->BuildFromWindowMenu();
            PaintFrame();
        }
        return R;
    }
    case WM_MDITILE:
    case WM_MDICASCADE:
        if (SkinManager && SkinManager->MDIMaximized) SkinManager->SetMDIMaximized(false);
        return Default();
    case WM_MDISETMENU: {
        LRESULT R = Default();
        if (WParam && MenuBar) {
            MenuBar->MenuHandle = reinterpret_cast<HMENU>(WParam);
            MenuBar->BuildFromWindowMenu();
        }
        SetMenu(Window, /*hMenu=*/nullptr);
        return R;
    }
    case SKIN_MDIREDRAW:
        RedrawWindow(Window, /*lprcUpdate=*/nullptr, /*hrgnUpdate=*/nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        return 0;
    default: return Default();
    }
}

void TSkinManage::SetMDIMaximized(bool Value) {
    if (Value == MDIMaximized) return;
    MDIMaximized = Value;
    if (SkinData && SkinData->Options.Contains(xoMDIChildBorder)) return;
    for (TSkinnedWindow* E : std::vector<TSkinnedWindow*>(SkinForms)) {
        if (E->WindowKind != 2) continue;
        if (Value) {
            if (E->HasRegion) E->RemoveWindowRegion();
        } else if (E->WindowState != 1) {
            E->WindowState = 0;
            E->UpdateWindowRegion();
            if (!E->HasRegion) E->UpdateFrame();
        }
    }
}

// The active maximised child's buttons, drawn into the frame's bar.
void TSkinnedWindow::PaintMDIButtons(HDC BarDC) {
    if (WindowKind != 1 || !IsMDIChildMaximized()) return;
    for (auto& B : CaptionButtons) {
        TDataSkinSysButton& Rec = *B->Button;
        if (Rec.Visibility != 100 || !Rec.Bitmap || Rec.Bitmap->Empty() || Rec.FrameCount < 1) continue;
        TRect R = B->Rect;
        OffsetRect(&R, -BorderLeft, -BorderTop);
        DrawStretchedFrame(BarDC, R, *Rec.Bitmap, /*Transparent=*/true, Rec.FrameCount, 1);
    }
    if (SkinManager && !SkinManager->MDIMaximized) SkinManager->SetMDIMaximized(true);
}
