#include "skin/skin_scrollbars.h"

#include <algorithm>

#include "platform/rtl/sysutils.h"
#include "platform/system/muldiv.h"
#include "skin/skin_control_paint.h"
#include "skin/skin_frames.h"
#include "skin/skin_tabs.h"
#include "platform/commctl/commctrl.h"

namespace {

bool HasImage(const TDataSkinObject* P) { return P && P->Bitmap && !P->Bitmap->Empty(); }

POINT MessagePoint(const TMessage& M) {
    return POINT{static_cast<int16_t>(LOWORD(M.LParam)), static_cast<int16_t>(HIWORD(M.LParam))};
}

}  // namespace

// ---- Drawing one bar ---------------------------------------------------------------------
void PaintSkinScrollBar(TSkinData& Data, TBitmap& Bitmap, const TRect& Rect, bool Vertical, bool Enabled,
                        int A, int HotPart, bool Tracking, int ThumbStart, int ThumbEnd, int Limit) {
    TDataSkinObject& Sb = *Data.Scrollbar;
    TRect R = Rect;
    int T = Sb.Bitmap->Height();
    if (std::abs(T - A) > 2) T = A;
    TCanvas& C = Bitmap.Canvas();
    FillRectColor(C.Handle(), TRect(0, 0, Bitmap.Width(), Bitmap.Height()), Data.ColButtonFace);
    if (Vertical)
        R.right = R.left + T;
    else
        R.bottom = R.top + T;
    int Length = Vertical ? R.Height() : R.Width();
    // The track between the arrows.
    TDataSkinObject* Track = Vertical ? Data.VertScroll.get() : Data.HorzScroll.get();
    if (HasImage(Track)) {
        TRect Tr = R;
        if (Vertical) {
            Tr.top += A;
            Tr.bottom -= A;
        } else {
            Tr.left += A;
            Tr.right -= A;
        }
        DrawSkinImage(C.Handle(), Tr, *Track->Bitmap, /*Vertical=*/false, Track->Tile != 0, Track->Trans == 1, 4,
                      Enabled ? 1 : 3, Track->Margins());
    }
    // The arrows: half the length each when the bar is shorter than two.
    int B = Length < 2 * A ? Length / 2 : A;
    TRect First = R, Second = R;
    if (Vertical) {
        First.bottom = R.top + B;
        Second.top = R.bottom - B;
    } else {
        First.right = R.left + B;
        Second.left = R.right - B;
    }
    int F1 = Vertical ? 9 : 1, F2 = Vertical ? 13 : 5;
    int Add = Tracking ? 1 : 3;
    if (HotPart == 0) F1 += Add;
    if (HotPart == 1) F2 += Add;
    DrawStripFrameOnCanvas(C, First, 23, F1, *Sb.Bitmap);
    DrawStripFrameOnCanvas(C, Second, 23, F2, *Sb.Bitmap);
    if (!Enabled) return;
    int Tf = HotPart == 5 ? (Tracking ? 2 : 3) : 1;
    TDataSkinObject* Thumb = Vertical ? Data.VertScrollThumb.get() : Data.HorzScrollThumb.get();
    if (ThumbStart < Limit && ThumbEnd < Limit && ThumbEnd > ThumbStart) {
        TRect Tr = Vertical ? TRect(0, ThumbStart, T, ThumbEnd) : TRect(ThumbStart, 0, ThumbEnd, T);
        if (HasImage(Thumb))
            DrawSkinImage(C.Handle(), Tr, *Thumb->Bitmap, /*Vertical=*/false, /*Tile=*/false, Thumb->Trans == 1,
                          Thumb->FrameCount > 0 ? Thumb->FrameCount : 3, Tf, Thumb->Margins());
        int Grip = (Vertical ? 20 : 17) + (HotPart == 5 ? (Tracking ? 1 : 2) : 0);
        int G = Sb.Bitmap->Height(), Len = ThumbEnd - ThumbStart;
        if (G < Len + 2) {
            int Off = (Len - G) / 2;
            TRect Gr = Vertical ? TRect(0, ThumbStart + Off, T, ThumbStart + Off + G)
                                : TRect(ThumbStart + Off, 0, ThumbStart + Off + G, T);
            if ((Vertical ? Gr.bottom : Gr.right) <= Limit) DrawStripFrameOnCanvas(C, Gr, 23, Grip, *Sb.Bitmap);
        }
    }
}

// ---- TWScrollbar -----------------------------------------------------------------------------
TWScrollbar::TWScrollbar(TComponent* AOwner) : TCustomPanel(AOwner) {
    ArrowSize = GetSystemMetrics(SM_CXHSCROLL);
    TabStop = false;
    BevelOuter = bvNone;
    SetVisible(false);
}

void TWScrollbar::CreateParams(TCreateParams& P) {
    TCustomPanel::CreateParams(P);
    P.ExStyle = WS_EX_TOOLWINDOW;
}

void TWScrollbar::AttachToControl(TSkinControl* Host, TWinControl* Control, uint8_t Kind) {
    HostSkin = Host;
    HostWindow = Control->Handle();
    HostControl = Control;
    BarKind = Kind;
    Vertical = Kind == 1;
    SetColor(Host->ParentColor(Host->SkinData ? Host->SkinData->ColButtonFace : clBtnFace));
    ParentWindow = GetParent(HostWindow);
    Place(HostWindow);
}

void TWScrollbar::AttachToWindow(TSkinControl* Host, HWND Window, uint8_t Kind) {
    HostSkin = Host;
    HostWindow = Window;
    BarKind = Kind;
    Vertical = Kind == 1;
    ParentWindow = GetParent(HostWindow);
    Place(HostWindow);
}

bool TWScrollbar::ReadInfo(SCROLLBARINFO& Info) const {
    Info = SCROLLBARINFO{};
    Info.cbSize = sizeof Info;
    return SafeGetScrollBarInfo(HostWindow, BarKind == 1 ? OBJID_VSCROLL : OBJID_HSCROLL, &Info);
}

void TWScrollbar::Place(HWND Host) {
    HostWindow = Host;
    SCROLLBARINFO Info;
    if (!ReadInfo(Info)) {
        BarVisible = false;
        return;
    }
    if (!(GetWindowLongW(HostWindow, GWL_STYLE) & WS_VISIBLE) || (Info.rgstate[0] & STATE_SYSTEM_INVISIBLE)) {
        BarVisible = false;
        if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
        TControl::SetVisible(false);
        return;
    }
    RECT S = Info.rcScrollBar;
    POINT A{S.left, S.top}, B{S.right, S.bottom};
    ::ScreenToClient(HostWindow, &A);
    ::ScreenToClient(HostWindow, &B);
    BarRect = TRect(A.x, A.y, B.x, B.y);
    BarLength = Vertical ? S.bottom - S.top : S.right - S.left;
    POINT At{S.left, S.top};
    ::ScreenToClient(GetParent(HostWindow), &At);
    ParentWindow = GetParent(HostWindow);
    SetBounds(At.x, At.y, S.right - S.left, S.bottom - S.top);
    TControl::SetVisible(true);
    BarVisible = true;
    HWND Prev = GetWindow(HostWindow, GW_HWNDPREV);
    if (Prev == Handle()) Prev = GetWindow(Prev, GW_HWNDPREV);
    SetWindowPos(Handle(), Prev ? Prev : HWND_TOP, At.x, At.y, S.right - S.left, S.bottom - S.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    MoveWindow(Handle(), At.x, At.y, S.right - S.left, S.bottom - S.top, TRUE);
}

void TWScrollbar::HideBar() {
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    BarVisible = false;
    TControl::SetVisible(false);
}

int TWScrollbar::HitTest(POINT P) const {
    int C = Vertical ? P.y : P.x;
    if (C < ArrowSize) return 0;
    if (C < ThumbStart) return 2;
    if (C < ThumbEnd) return 5;
    if (C < BarLength - ArrowSize) return 3;
    return 1;
}

int TWScrollbar::FollowedThumbStart(POINT Cursor) const {
    int Start = PressThumbStart + (Vertical ? Cursor.y - PressPoint.y : Cursor.x - PressPoint.x);
    int Hi = BarLength - ArrowSize - (ThumbEnd - ThumbStart);
    return std::max(ArrowSize, std::min(Start, Hi));
}

void TWScrollbar::Press(TMessage& M) {
    TCustomPanel::WndProc(M);
    GetCursorPos(&PressPoint);
    SCROLLBARINFO Info;
    if (ReadInfo(Info)) PressThumbStart = Info.xyThumbTop;
    POINT P = MessagePoint(M);
    HotPart = HitTest(P);
    BarOrigin = POINT{Info.rcScrollBar.left, Info.rcScrollBar.top};
    POINT Screen{P.x + BarOrigin.x, P.y + BarOrigin.y};
    Tracking = true;
    Invalidate();
    HotPart = HitTest(P);
    ReleaseCapture();
    // The host's own scroll loop runs until the button is released.
    SendMessageA(HostWindow, WM_NCLBUTTONDOWN, Vertical ? HTVSCROLL : HTHSCROLL,
                 MAKELPARAM(static_cast<WORD>(Screen.x), static_cast<WORD>(Screen.y)));
    Tracking = false;
    ReleaseCapture();
    Invalidate();
}

void TWScrollbar::WndProc(TMessage& M) {
    switch (M.Msg) {
        case WM_ERASEBKGND: M.Result = 1; return;
        case WM_MOUSEMOVE: {
            TCustomPanel::WndProc(M);
            int Part = HitTest(MessagePoint(M));
            if (Part != HotPart) {
                HotPart = Part;
                Invalidate();
            }
            TrackMouseLeave(Handle());
            return;
        }
        case WM_MOUSELEAVE:
            if (!Tracking) {
                HotPart = -1;
                Invalidate();
            }
            return;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: Press(M); return;
        case WM_LBUTTONUP: {
            TCustomPanel::WndProc(M);
            POINT P = MessagePoint(M);
            Tracking = false;
            ReleaseCapture();
            PostMessageA(HostWindow, WM_NCLBUTTONUP, Vertical ? HTVSCROLL : HTHSCROLL,
                         MAKELPARAM(static_cast<WORD>(P.x + BarOrigin.x), static_cast<WORD>(P.y + BarOrigin.y)));
            return;
        }
        default: TCustomPanel::WndProc(M); return;
    }
}

void TWScrollbar::Paint() {
    TSkinData* Data = HostSkin ? HostSkin->SkinData : nullptr;
    if (!Data || !HasImage(Data->Scrollbar.get())) return;
    SCROLLBARINFO Info;
    if (!ReadInfo(Info) || (Info.rgstate[0] & STATE_SYSTEM_INVISIBLE)) return;
    bool Enabled = !(Info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
    TRect R(0, 0, Info.rcScrollBar.right - Info.rcScrollBar.left, Info.rcScrollBar.bottom - Info.rcScrollBar.top);
    if (R.right < 0 || R.bottom < 0 || R.right > Width() || R.bottom > Height()) return;
    BarLength = BarKind == 1 ? R.Height() : R.Width();
    if (Tracking && HotPart == 5) {
        POINT Cur;
        GetCursorPos(&Cur);
        int Len = ThumbEnd - ThumbStart;
        ThumbStart = FollowedThumbStart(Cur);
        ThumbEnd = ThumbStart + Len;
    } else {
        ThumbStart = Info.xyThumbTop;
        ThumbEnd = Info.xyThumbBottom;
    }
    TBitmap B(R.Width(), R.Height());
    PaintSkinScrollBar(*Data, B, R, Vertical, Enabled, ArrowSize, HotPart, Tracking, ThumbStart, ThumbEnd,
                       Vertical ? Height() : Width());
    BitBlt(Canvas().Handle(), 0, 0, R.Width(), R.Height(), B.Canvas().Handle(), 0, 0, SRCCOPY);
}

// ---- TSkinScrollbar ---------------------------------------------------------------------------
TSkinScrollbar::TSkinScrollbar(TComponent* AOwner) : TSkinControl(AOwner) {}

TSkinScrollbar::~TSkinScrollbar() { FreeBars(); }

void TSkinScrollbar::FreeBars() {
    if (HorzBar) HorzBar->Free();
    if (VertBar) VertBar->Free();
    HorzBar = VertBar = nullptr;
}

void TSkinScrollbar::AttachScrolling(TWinControl* AControl, TSkinData* ASkinData, TControlSkinHost* ASkinForm,
                                     TCanvas* ACanvas) {
    if (Attached || !AControl) return;
    SkinData = ASkinData;
    SkinForm = ASkinForm;
    Canvas = ACanvas;
    Control = AControl;
    Handle = AControl->Handle();
    UnicodeWindow = IsWindowUnicode(Handle);
    if (SkinForm) SkinForm->AddControlSkin(this);
    Border = LowerCase(GetEnumPropName(Control, "BorderStyle")) != "bsnone" && Mode != 1;
    if (const TPropInfo* P = GetPropInfo(Control, "FixedColor"); P && P->Kind == tkInteger && SkinData) {
        SavedColor = GetIntegerPropValue(Control, "FixedColor");
        SetColor = true;
        SetPropFromText(Control, "FixedColor", IntToStr(SkinData->ColButtonFace));
    }
    HorzBar = new TWScrollbar(this);
    VertBar = new TWScrollbar(this);
    HorzBar->AttachToControl(this, AControl, 0);
    VertBar->AttachToControl(this, AControl, 1);
    for (TWScrollbar* B : {HorzBar, VertBar}) {
        B->SetEnabled(AControl->Enabled());
        if (!AControl->Visible()) B->HideBar();
    }
    OldWindowProc = AControl->WindowProc;
    AControl->WindowProc = [this](TMessage& M) { SkinWndProc(M); };
    Attached = true;
    LifeState = 1;
}

void TSkinScrollbar::UpdateBars() {
    for (TWScrollbar* B : {HorzBar, VertBar})
        if (B) B->Place(Handle);
}

void TSkinScrollbar::PaintBorder(HDC Dc) {
    if (!SkinData) return;
    try {
        RECT W;
        GetWindowRect(Handle, &W);
        TRect R(0, 0, W.right - W.left, W.bottom - W.top);
        HBRUSH Shadow = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(SkinData->ColButtonShadow)));
        HBRUSH Face = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(SkinData->ColButtonFace)));
        RECT X = R;
        FrameRect(Dc, &X, Shadow);
        InflateRect(&X, -1, -1);
        FrameRect(Dc, &X, Face);
        DeleteObject(Shadow);
        DeleteObject(Face);
    } catch (...) {
    }
}

bool TSkinScrollbar::BeforeMessage(TMessage& M) {
    if (M.Msg == WM_NCPAINT) {
        if (!Border) return true;
        CallPrevious(M);
        HDC Dc = GetWindowDC(Handle);
        PaintBorder(Dc);
        ReleaseDC(Handle, Dc);
        return false;
    }
    return TSkinControl::BeforeMessage(M);
}

void TSkinScrollbar::AfterMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_SIZE:
        case WM_WINDOWPOSCHANGED: UpdateBars(); break;
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (TWScrollbar* B = M.Msg == WM_HSCROLL ? HorzBar : VertBar) {
                B->HotPart = LOWORD(M.WParam);
                B->Invalidate();
            }
            break;
        case WM_MOUSEWHEEL:
            for (TWScrollbar* B : {HorzBar, VertBar})
                if (B && B->BarVisible) B->Invalidate();
            break;
        case CM_VISIBLECHANGED:
            if (M.WParam)
                UpdateBars();
            else
                for (TWScrollbar* B : {HorzBar, VertBar})
                    if (B) B->HideBar();
            break;
        case CM_ENABLEDCHANGED:
            for (TWScrollbar* B : {HorzBar, VertBar})
                if (B && Control) B->SetEnabled(Control->Enabled());
            break;
        case CM_RECREATEWND:
            // The old window is gone; the form skin gives the new one a skin.
            if (Control && SkinForm && SkinForm->HostWindow())
                PostMessageA(SkinForm->HostWindow(), SKIN_RECREATESCROLL, reinterpret_cast<WPARAM>(Handle), 0);
            break;
        case SKIN_PAINTFORM:
            // The form skin paints its frame somewhere else and wants the
            // border there too; a control without a border keeps its edge.
            if (M.LParam != SKIN_FORM_ANSWER) break;
            if (M.WParam && Border) PaintBorder(reinterpret_cast<HDC>(M.WParam));
            M.Result = SKIN_FORM_ANSWER;
            break;
        default: TSkinControl::AfterMessage(M); break;
    }
}

void TSkinScrollbar::Draw(HDC Dc, const TRect&) {
    auto Style = static_cast<DWORD>(GetWindowLongW(Handle, GWL_STYLE));
    if (VertBar) {
        if (VertBar->BarVisible)
            VertBar->Invalidate();
        else if (Style & WS_VSCROLL)
            VertBar->Place(Handle);
    }
    if (HorzBar) {
        if (HorzBar->BarVisible)
            HorzBar->Invalidate();
        else if (Style & WS_HSCROLL)
            HorzBar->Place(Handle);
    }
    if (VertBar && HorzBar && VertBar->BarVisible && HorzBar->BarVisible && SkinData)
        FillRectColor(Dc,
                      TRect(VertBar->BarRect.left + 2, HorzBar->BarRect.top + 2, VertBar->BarRect.right + 2,
                            HorzBar->BarRect.bottom + 2),
                      SkinData->ColButtonFace);
}

void TSkinScrollbar::SkinChanged() {
    if (const TPropInfo* P = GetPropInfo(Control, "FixedColor"); P && P->Kind == tkInteger && SkinData) {
        SetPropFromText(Control, "FixedColor", IntToStr(SkinData->ColButtonFace));
        SetColor = true;
    }
}

void TSkinScrollbar::Detach() {
    if (SetColor) {
        SetPropFromText(Control, "FixedColor", IntToStr(SavedColor));
        SetColor = false;
    }
    TSkinControl::Detach();
    if (LifeState != 6) FreeBars();
}

void TSkinListView::AttachScrolling(TWinControl* AControl, TSkinData* ASkinData, TControlSkinHost* ASkinForm,
                                    TCanvas* ACanvas) {
    if (Attached) return;
    TSkinScrollbar::AttachScrolling(AControl, ASkinData, ASkinForm, ACanvas);
    if (auto H = reinterpret_cast<HWND>(SendMessageW(Handle, LVM_GETHEADER, 0, 0))) {
        Header = new TSkinHeader(Owner());
        Header->AttachWindow(H, SkinData, SkinForm, ACanvas);
    }
}

// ---- TSkinScrollbarH -------------------------------------------------------------------------------
TSkinScrollbarH::~TSkinScrollbarH() { FreeBars(); }

void TSkinScrollbarH::FreeBars() {
    if (HorzBar) HorzBar->Free();
    if (VertBar) VertBar->Free();
    HorzBar = VertBar = nullptr;
}

void TSkinScrollbarH::AttachWindow(HWND Window, TSkinData* ASkinData, TControlSkinHost* ASkinForm,
                                   TCanvas* ACanvas) {
    if (Attached) return;
    SkinData = ASkinData;
    SkinForm = ASkinForm;
    Canvas = ACanvas;
    Handle = Window;
    if (SkinForm) SkinForm->AddControlSkin(this);
    HorzBar = new TWScrollbar(this);
    VertBar = new TWScrollbar(this);
    HorzBar->AttachToWindow(this, Window, 0);
    VertBar->AttachToWindow(this, Window, 1);
    UnicodeWindow = false;
    WndProcInstance = MakeObjectInstance([this](HWND, UINT Msg, WPARAM W, LPARAM L) -> LRESULT {
        TMessage M{Msg, W, L, 0};
        SkinWndProc(M);
        return M.Result;
    });
    OldWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WndProcInstance)));
    Attached = true;
    LifeState = 1;
}

void TSkinScrollbarH::UpdateBars() {
    for (TWScrollbar* B : {HorzBar, VertBar})
        if (B) B->Place(Handle);
}

void TSkinScrollbarH::AfterMessage(TMessage& M) {
    if (!IsWindowVisible(Handle) && VertBar) VertBar->HideBar();
    switch (M.Msg) {
        case WM_SIZE:
        case WM_NCPAINT:
            UpdateBars();
            Redraw();
            break;
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (TWScrollbar* B = M.Msg == WM_HSCROLL ? HorzBar : VertBar) {
                B->HotPart = LOWORD(M.WParam);
                B->Invalidate();
            }
            break;
        default: TSkinControl::AfterMessage(M); break;
    }
}

void TSkinScrollbarH::Draw(HDC Dc, const TRect&) {
    for (TWScrollbar* B : {HorzBar, VertBar})
        if (B && B->BarVisible) B->Invalidate();
    if (VertBar && HorzBar && VertBar->BarVisible && HorzBar->BarVisible && SkinData)
        FillRectColor(Dc,
                      TRect(VertBar->BarRect.left, HorzBar->BarRect.top, VertBar->BarRect.right + 2,
                            HorzBar->BarRect.bottom + 2),
                      SkinData->ColButtonFace);
}

void TSkinScrollbarH::Detach() {
    TSkinControl::Detach();
    if (LifeState != 6) FreeBars();
}

// ---- TComboxScrollBar ----------------------------------------------------------------------------
TComboxScrollBar::TComboxScrollBar(TComponent* AOwner) : TSkinControl(AOwner) {
    ArrowSize = GetSystemMetrics(SM_CXHSCROLL);
}

bool TComboxScrollBar::BeforeMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_NCPAINT: return true;
        case WM_NCMOUSEMOVE: return M.WParam != HTHSCROLL && M.WParam != HTVSCROLL;
        case WM_NCLBUTTONDOWN: {
            if (M.WParam != HTVSCROLL) return true;
            POINT P = MessagePoint(M);
            return !DragThumb(P);
        }
        default: return TSkinControl::BeforeMessage(M);
    }
}

void TComboxScrollBar::AfterMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_NCPAINT:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case 0x1AE: PaintFrame(nullptr); break;
        default: TSkinControl::AfterMessage(M); break;
    }
}

void TComboxScrollBar::Draw(HDC Dc, const TRect&) {
    if (!SkinData || !HasImage(SkinData->Scrollbar.get())) return;
    SCROLLBARINFO Info{};
    Info.cbSize = sizeof Info;
    if (!SafeGetScrollBarInfo(Handle, OBJID_VSCROLL, &Info) || (Info.rgstate[0] & STATE_SYSTEM_INVISIBLE)) return;
    bool Enabled = !(Info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
    RECT W;
    GetWindowRect(Handle, &W);
    TRect R(0, 0, Info.rcScrollBar.right - Info.rcScrollBar.left, Info.rcScrollBar.bottom - Info.rcScrollBar.top);
    if (R.right < 0 || R.bottom < 0 || R.right > W.right - W.left || R.bottom > W.bottom - W.top) return;
    BarLength = R.Height();
    ThumbStart = Info.xyThumbTop;
    ThumbEnd = Info.xyThumbBottom;
    TBitmap B(R.Width(), R.Height());
    PaintSkinScrollBar(*SkinData, B, R, /*Vertical=*/true, Enabled, ArrowSize, -1, /*Tracking=*/false, ThumbStart,
                       ThumbEnd, W.bottom - W.top);
    BitBlt(Dc, Info.rcScrollBar.left - W.left, Info.rcScrollBar.top - W.top, R.Width(), R.Height(),
           B.Canvas().Handle(), 0, 0, SRCCOPY);
}

int ComboListThumbPos(int Offset, int Track, int Thumb, int Min, int Max, int Page) {
    Offset = std::max(Offset, 0);
    int Pos;
    if (Page != 0) {
        Offset = std::min(Offset, Track - Thumb + 1);
        // A thumb that fills the track leaves nothing to scroll.
        if (Track - Thumb <= 0) return Min;
        Pos = MulDiv(Offset, Max - Min - Page, Track - Thumb) + Min;
        if (Pos >= Max - Page) Pos = Max - Page + 1;
    } else {
        if (Track <= 0) return Min;
        Pos = std::min(MulDiv(std::min(Offset, Track - Thumb), Max - Min, Track) + Min, Max);
    }
    return std::max(Pos, Min);
}

bool TComboxScrollBar::DragThumb(POINT Screen) {
    SCROLLBARINFO Info{};
    Info.cbSize = sizeof Info;
    if (!SafeGetScrollBarInfo(Handle, OBJID_VSCROLL, &Info)) return false;
    int C = Screen.y - Info.rcScrollBar.top;
    if (C < Info.xyThumbTop || C > Info.xyThumbBottom) return false;
    HWND List = Handle;
    SetCapture(List);
    POINT Start;
    GetCursorPos(&Start);
    SCROLLINFO Si{};
    Si.cbSize = sizeof Si;
    Si.fMask = SIF_ALL;
    GetScrollInfo(List, SB_VERT, &Si);
    int Base = Info.xyThumbTop - ArrowSize;
    int Track = (Info.rcScrollBar.bottom - Info.rcScrollBar.top) - 2 * ArrowSize;
    int Thumb = Info.xyThumbBottom - Info.xyThumbTop;
    int Last = Si.nPos;
    // Waits for input; ends on release, on a lost capture or when the list goes.
    MSG Msg;
    while (IsWindow(List) && GetCapture() == List) {
        if (!PeekMessageA(&Msg, /*hWnd=*/nullptr, 0, 0, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        if (Msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(Msg.wParam));
            break;
        }
        if (Msg.message == WM_NCMOUSEMOVE || Msg.message == WM_MOUSEMOVE) {
            TranslateMessage(&Msg);
            DispatchMessageA(&Msg);
            POINT Cur;
            GetCursorPos(&Cur);
            int Pos = ComboListThumbPos(Base + (Cur.y - Start.y), Track, Thumb, Si.nMin, Si.nMax,
                                        static_cast<int>(Si.nPage));
            if (Pos != Last && IsWindow(List)) {
                SendMessageA(List, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, Pos), 0);
                Last = Pos;
            }
        } else if (Msg.message == WM_NCLBUTTONUP || Msg.message == WM_LBUTTONUP) {
            SendMessageA(List, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, Last), 0);
            PostMessageA(List, WM_VSCROLL, SB_ENDSCROLL, 0);
            break;
        } else {
            TranslateMessage(&Msg);
            DispatchMessageA(&Msg);
        }
    }
    if (GetCapture() == List) ReleaseCapture();
    return true;
}
