#include "skin/skin_edits.h"

#include "platform/rtl/sysutils.h"
#include "skin/skin_control_paint.h"
#include "skin/skin_frames.h"
#include "skin/skin_range_controls.h"

namespace {

bool HasBorder(HWND W) {
    RECT Wr, C;
    GetWindowRect(W, &Wr);
    GetClientRect(W, &C);
    return C.right - C.left != Wr.right - Wr.left && C.bottom - C.top != Wr.bottom - Wr.top;
}

void FrameColor(HDC Dc, const TRect& R, TColor Color) {
    HBRUSH B = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color)));
    RECT X = R;
    FrameRect(Dc, &X, B);
    DeleteObject(B);
}

}  // namespace

// ---- Edit ------------------------------------------------------------------------------
void TSkinEdit::AfterMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_PAINT: PaintFrame(reinterpret_cast<HDC>(M.WParam)); break;
        case WM_PRINT: {
            try {
                RECT W;
                if (!GetWindowRect(Handle, &W)) break;
                WindowRect = TRect(W);
                HDC Dc = reinterpret_cast<HDC>(M.WParam);
                bool Own = !Dc;
                if (Own) Dc = GetWindowDC(Handle);
                DrawBorder(Dc, TRect(0, 0, W.right - W.left, W.bottom - W.top));
                if (Own) ReleaseDC(Handle, Dc);
            } catch (...) {
            }
            break;
        }
        case SKIN_PAINTCONTROL:
            // The form skin asks for the client area in its DC. The platform's
            // edit paints into a given DC on WM_PRINTCLIENT; its WM_PAINT
            // always paints the window.
            if (M.LParam != SKIN_FORM_ANSWER) break;
            if (M.WParam) {
                TMessage Print{WM_PRINTCLIENT, M.WParam, PRF_CLIENT, 0};
                CallPrevious(Print);
            }
            M.Result = SKIN_FORM_ANSWER;
            break;
        default: TSkinControl::AfterMessage(M); break;
    }
}

void TSkinEdit::FindUpDown(HWND Window) {
    for (HWND C = GetTopWindow(Window); C; C = GetWindow(C, GW_HWNDNEXT)) {
        char Class[101] = {};
        GetClassNameA(C, Class, 100);
        std::string L = LowerCase(Class);
        if (L == "msctls_updown32" || L.find("spin") != std::string::npos || L.find("updown") != std::string::npos) {
            UpDown = new TSkinUpDown(Owner());
            UpDown->AttachWindow(C, SkinData, SkinForm, Canvas);
            UpDown->Embedded = true;
            return;
        }
    }
}

void TSkinEdit::Draw(HDC Dc, const TRect& R) {
    if (!SkinData) return;
    if (SkinData->SkinControls.Contains(xcSpin) && !UpDown) FindUpDown(Handle);
    RECT C;
    GetClientRect(Handle, &C);
    if (C.right - C.left == R.Width() || C.bottom - C.top == R.Height()) return;  // no border
    FrameColor(Dc, R, SkinData->ColButtonShadow);
    TRect In = R;
    InflateRect(&In, -1, -1);
    FrameColor(Dc, In, 0xFFFFFF);
    InflateRect(&In, -1, -1);
    FrameColor(Dc, In, 0xFFFFFF);
}

void TSkinEdit::DrawBorder(HDC Dc, const TRect& R) {
    RECT W, C;
    GetWindowRect(Handle, &W);
    GetClientRect(Handle, &C);
    if ((W.right - W.left) - (C.right - C.left) <= 2 || (W.bottom - W.top) - (C.bottom - C.top) <= 2) return;
    auto Brush = static_cast<HBRUSH>(GetCurrentObject(Dc, OBJ_BRUSH));
    RECT In = R;
    InflateRect(&In, -1, -1);
    if (Brush) FrameRect(Dc, &In, Brush);
    FrameColor(Dc, R, SkinData ? SkinData->ColButtonShadow : clBtnShadow);
}

// ---- Date-time picker ------------------------------------------------------------------------
TArrowButton::TArrowButton(TComponent* AOwner) : TCustomControl(AOwner) {
    TabStop = false;
    ArrowWidth = GetSystemMetrics(SM_CXHSCROLL);
}

void TArrowButton::AttachToPicker(TSkinDateTime* Skin, TWinControl* APicker) {
    SkinObject = Skin;
    Picker = APicker;
    PickerWindow = APicker->Handle();
    ParentWindow = PickerWindow;
    RECT W;
    GetWindowRect(PickerWindow, &W);
    bool Left = GetWindowLongW(PickerWindow, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR;
    SetBounds(Left ? 2 : (W.right - W.left) - ArrowWidth - 4, 0, ArrowWidth, APicker->Height() - 4);
    HandleNeeded();
    SetWindowLongW(PickerWindow, GWL_STYLE, GetWindowLongW(PickerWindow, GWL_STYLE) | WS_CLIPCHILDREN);
}

void TArrowButton::Reposition(const TRect& R) {
    bool Left = GetWindowLongW(PickerWindow, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR;
    SetLeft(Left ? 2 : R.right - ArrowWidth - 4);
}

void TArrowButton::WndProc(TMessage& M) {
    switch (M.Msg) {
        case CM_MOUSEENTER:
        case CM_MOUSELEAVE:
            if (Picker && Picker->Enabled()) {
                Hot = M.Msg == CM_MOUSEENTER;
                Invalidate();
            }
            break;
        case WM_LBUTTONDOWN: {
            TCustomControl::WndProc(M);
            // The press and release at the same place on the picker's own button.
            int X = static_cast<int16_t>(LOWORD(M.LParam)) + Left(), Y = static_cast<int16_t>(HIWORD(M.LParam)) + Top();
            LPARAM At = MAKELPARAM(static_cast<WORD>(X), static_cast<WORD>(Y));
            PostMessageA(PickerWindow, WM_LBUTTONDOWN, M.WParam, At);
            PostMessageA(PickerWindow, WM_LBUTTONUP, M.WParam, At);
            Invalidate();
            return;
        }
        case WM_LBUTTONUP:
            TCustomControl::WndProc(M);
            ::SetFocus(PickerWindow);
            return;
        default: break;
    }
    TCustomControl::WndProc(M);
}

void TArrowButton::Paint() {
    TSkinData* Data = SkinObject ? SkinObject->SkinData : nullptr;
    if (!Data || !Data->ComboArrow || !Data->ComboArrow->Bitmap || Data->ComboArrow->FrameCount < 1) return;
    TBitmap& Strip = *Data->ComboArrow->Bitmap;
    int W = Strip.Width() / Data->ComboArrow->FrameCount;
    int Frame = Hot ? 4 : 1;
    TRect Target(0, 0, Width(), Picker ? Picker->Height() - 4 : Height());
    FillRectColor(Canvas().Handle(), Target, Data->ColButtonFace);
    Canvas().CopyRect(Target, Strip.Canvas(), TRect((Frame - 1) * W, 0, Frame * W, Strip.Height()));
}

void TSkinDateTime::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas,
                                  bool ASetColor) {
    if (Attached) return;
    TSkinControl::AttachControl(ASkinForm, ASkinData, ACanvas, ASetColor);
    auto* W = dynamic_cast<TWinControl*>(Control);
    if (!W) return;
    ArrowButton = new TArrowButton(this);
    ArrowButton->AttachToPicker(this, W);
}

void TSkinDateTime::AfterMessage(TMessage& M) {
    if (M.Msg == WM_SIZE && ArrowButton)
        ArrowButton->Repaint();
    else
        TSkinControl::AfterMessage(M);
}

void TSkinDateTime::Draw(HDC Dc, const TRect& R) {
    if (ArrowButton) ArrowButton->Reposition(R);
    if (!SkinData || !HasBorder(Handle)) return;
    FrameColor(Dc, R, SkinData->ColButtonShadow);
    TRect In = R;
    InflateRect(&In, -1, -1);
    FrameColor(Dc, In, 0xFFFFFF);
}

// ---- Combo box -------------------------------------------------------------------------
TSkinComBox::~TSkinComBox() { ReleaseEdit(); }

void TSkinComBox::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas,
                                bool ASetColor) {
    if (Attached) return;
    TSkinControl::AttachControl(ASkinForm, ASkinData, ACanvas, ASetColor);
    Style = static_cast<DWORD>(GetWindowLongAW(Handle, GWL_STYLE));
    if ((Style & 3) != CBS_SIMPLE) {
        if (!UnicodeWindow) SubclassEdit();
    } else if (GetComboBoxInfo(Handle, &Info)) {
        Style = static_cast<DWORD>(GetWindowLongAW(Info.hwndList, GWL_STYLE));
    }
}

void TSkinComBox::AttachWindow(HWND Window, TSkinData* ASkinData, TControlSkinHost* ASkinForm, TCanvas* ACanvas) {
    if (Attached) return;
    TSkinControl::AttachWindow(Window, ASkinData, ASkinForm, ACanvas);
    Style = static_cast<DWORD>(GetWindowLongAW(Handle, GWL_STYLE));
    if ((Style & 3) != CBS_SIMPLE) {
        if (!UnicodeWindow) SubclassEdit();
    } else if (GetComboBoxInfo(Handle, &Info)) {
        Style = static_cast<DWORD>(GetWindowLongAW(Info.hwndList, GWL_STYLE));
    }
}

void TSkinComBox::SubclassEdit() {
    EditWindow = GetTopWindow(Handle);
    if (!EditWindow) return;
    EditWndProcInstance = MakeObjectInstance(
        [this](HWND W, UINT Msg, WPARAM Wp, LPARAM Lp) { return EditWndProc(W, Msg, Wp, Lp); });
    EditOldWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(EditWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditWndProcInstance)));
}

void TSkinComBox::ReleaseEdit() {
    if (!EditWndProcInstance) return;
    if (EditWindow && IsWindow(EditWindow))
        SetWindowLongPtrA(EditWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditOldWndProc));
    FreeObjectInstance(EditWndProcInstance);
    EditWndProcInstance = nullptr;
    EditWindow = nullptr;
}

LRESULT TSkinComBox::EditWndProc(HWND W, UINT Msg, WPARAM Wp, LPARAM Lp) {
    LRESULT R = CallWindowProcA(EditOldWndProc, W, Msg, Wp, Lp);
    switch (Msg) {
        case WM_PAINT: PaintFrame(nullptr); break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            MouseState.Include(msPressed);
            Redraw();
            break;
        case WM_LBUTTONUP:
            MouseState.Exclude(msPressed);
            Redraw();
            break;
        default: break;
    }
    return R;
}

void TSkinComBox::Detach() {
    TSkinControl::Detach();
    ReleaseEdit();
}

void TSkinComBox::AfterMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case CN_COMMAND: break;
        case WM_MOUSEMOVE: {
            POINT P{static_cast<int16_t>(LOWORD(M.LParam)), static_cast<int16_t>(HIWORD(M.LParam))};
            RECT B = ButtonRect;
            bool Over = PtInRect(&B, P);
            if (MouseState.Contains(msHot) && Enabled && !Over) {
                MouseState.Exclude(msHot);
                Redraw();
            } else if (!MouseState.Contains(msHot) && Over && Enabled) {
                MouseState.Include(msHot);
                Redraw();
                TrackMouseLeave(Handle);
            }
            break;
        }
        case WM_DRAWITEM:
        case WM_NCPAINT: Redraw(); break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            MouseState.Include(msPressed);
            Redraw();
            break;
        case WM_LBUTTONUP:
            MouseState.Exclude(msPressed);
            Redraw();
            break;
        case CM_MOUSELEAVE:
        case WM_MOUSELEAVE:
            if (MouseState.Contains(msHot)) {
                MouseState.Exclude(msHot);
                Redraw();
            }
            break;
        default: TSkinControl::AfterMessage(M); break;
    }
}

int TSkinComBox::ComboState() {
    // A drop-down combo box has the focus in its edit.
    HWND F = GetFocus();
    Focused = F && (F == Handle || F == EditWindow || F == Info.hwndItem);
    Enabled = !(Style & WS_DISABLED);
    int S = MouseState.Contains(msPressed) ? 2 : Focused || MouseState.Contains(msHot) ? 4 : 1;
    return Enabled ? S : 3;
}

void TSkinComBox::Draw(HDC Dc, const TRect& Rect) {
    if (!SkinData || !SkinData->ComboButton || !SkinData->ComboButton->Bitmap ||
        SkinData->ComboButton->Bitmap->Empty())
        return;
    TDataSkinBorder& Button = *SkinData->ComboButton;
    Style = static_cast<DWORD>(GetWindowLongAW(Handle, GWL_STYLE));
    ExStyle = static_cast<DWORD>(GetWindowLongAW(Handle, GWL_EXSTYLE));
    Info.cbSize = sizeof Info;
    if (GetComboBoxInfo(Handle, &Info)) {
        ButtonRect = TRect(Info.rcButton);
        if (Info.stateButton & STATE_SYSTEM_INVISIBLE) return;
    }
    TRect R(0, 0, Rect.Width(), Rect.Height());
    int State = ComboState();
    bool Left = ExStyle & WS_EX_LEFTSCROLLBAR;
    if (Button.Style == 1) {
        DrawFlat(Dc, R, State, Left);
        return;
    }
    int F = GetSystemMetrics(SM_CXHSCROLL);
    if (SimpleFrame) {
        if (HasBorder(Handle)) {
            FrameColor(Dc, R, SkinData->ColButtonShadow);
            TRect In = R;
            InflateRect(&In, -1, -1);
            FrameColor(Dc, In, 0xFFFFFF);
        }
        if (EditWindow && SkinData->ComboArrow && SkinData->ComboArrow->Bitmap) {
            RECT E;
            GetWindowRect(EditWindow, &E);
            MapWindowPoints(/*hWndFrom=*/nullptr, Handle, reinterpret_cast<POINT*>(&E), 2);
            FillRectColor(Dc, TRect(E), SkinData->ColButtonFace);
            DrawStripFrameOnDC(Dc, TRect(E), SkinData->ComboArrow->FrameCount, State, *SkinData->ComboArrow->Bitmap);
        }
        return;
    }
    if (Button.Style == 2) {
        TDataSkinObject* Part = &Button;
        if (Left && SkinData->SunkEdge) Part = SkinData->SunkEdge.get();
        KeptImage.Draw(Dc, R, *Part->Bitmap, /*Vertical=*/false, /*Tile=*/false, /*Transparent=*/true,
                       Part->FrameCount, State, Part->Margins());
        return;
    }
    TRect B, G;
    TBitmap* Image = Button.Bitmap.get();
    int Saved = SaveDC(Dc);
    if (!Left) {
        ExcludeClipRect(Dc, 2, 2, R.right - F - 4, R.bottom - 2);
        B = TRect(R.right - F - 2, R.top, R.right, R.bottom);
        G = TRect(B.left, R.top, R.right - 2, R.bottom);
    } else {
        ExcludeClipRect(Dc, F + 4, 2, R.right - 2, R.bottom - 2);
        B = TRect(R.left, R.top, F + 2, R.bottom);
        G = TRect(2, R.top, F + 2, R.bottom);
        if (Button.Bitmap2 && !Button.Bitmap2->Empty()) Image = Button.Bitmap2.get();
    }
    if (SkinData->SunkEdge) {
        DrawSkinPartFrame(Dc, R, SkinData->SunkEdge->FrameCount, State, *SkinData->SunkEdge);
        DrawStripFrameKeyed(Dc, B, Button.FrameCount, State, *Image);
        ButtonRect = B;
        TDataSkinObject* E = SkinData->ExtraImages.get();
        if (E && E->Bitmap && !E->Bitmap->Empty() && E->FrameCount > 0) {
            int Ew = E->Bitmap->Width() / E->FrameCount, Eh = E->Bitmap->Height();
            int L = G.left + (G.Width() - Ew) / 2, T = G.top + (G.Height() - Eh) / 2;
            DrawStripFrameOnDC(Dc, TRect(L, T, L + Ew, T + Eh), E->FrameCount, State, *E->Bitmap);
        }
    }
    RestoreDC(Dc, Saved);
}

void TSkinComBox::DrawFlat(HDC Dc, const TRect& R, int State, bool Left) {
    TDataSkinBorder& Button = *SkinData->ComboButton;
    if (Button.FrameCount < 1) return;
    int Bw = Button.Bitmap->Width() / Button.FrameCount, Bh = Button.Bitmap->Height();
    int T = GetSystemMetrics(SM_CYVTHUMB);
    auto Brush = static_cast<HBRUSH>(GetCurrentObject(Dc, OBJ_BRUSH));
    RECT A = R;
    InflateRect(&A, -1, -1);
    if (Brush) FrameRect(Dc, &A, Brush);
    InflateRect(&A, -1, -1);
    RECT Strip = A;
    if (Left)
        Strip.right = A.left + T;
    else
        Strip.left = A.right - T;
    if (Brush) FillRect(Dc, &Strip, Brush);
    TRect B(A);
    if (Left)
        B.right = A.left + Bw;
    else
        B.left = A.right - Bw;
    if (Bh < T) B.bottom = A.top + Bh;
    FrameColor(Dc, R, SkinData->ColButtonShadow);
    ButtonRect = B;
    DrawStripFrameOnDC(Dc, B, Button.FrameCount, State, *Button.Bitmap);
}
