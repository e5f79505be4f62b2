#include "skin/skin_range_controls.h"

#include <algorithm>

#include "skin/skin_bitmaps.h"
#include "skin/skin_control_paint.h"
#include "skin/skin_frames.h"

namespace {

DWORD StyleOf(TSkinControl& S) { return static_cast<DWORD>(S.GetWindowLongAW(S.Handle, GWL_STYLE)); }

bool HasImage(const std::unique_ptr<TDataSkinObject>& P) { return P && P->Bitmap && !P->Bitmap->Empty(); }
bool HasImage(const std::unique_ptr<TDataSkinBorder>& P) { return P && P->Bitmap && !P->Bitmap->Empty(); }

}  // namespace

// ---- Track bar -----------------------------------------------------------------------
bool TSkinTrackBar::BeforeMessage(TMessage& M) {
    if (M.Msg == WM_NOTIFY || M.Msg == CN_NOTIFY) {
        auto* H = reinterpret_cast<NMHDR*>(M.LParam);
        if (!H || H->code != NM_CUSTOMDRAW) return true;
        M.Result = CustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(M.LParam));
        return false;
    }
    return TSkinControl::BeforeMessage(M);
}

LRESULT TSkinTrackBar::CustomDraw(NMCUSTOMDRAW& D) {
    if (D.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (D.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    switch (D.dwItemSpec) {
        case TBCD_THUMB: DrawThumb(D.hdc); return CDRF_SKIPDEFAULT;
        case TBCD_CHANNEL: DrawChannel(D.hdc); return CDRF_SKIPDEFAULT;
        default: return CDRF_DODEFAULT;
    }
}

void TSkinTrackBar::DrawChannel(HDC Dc) {
    if (!SkinData) return;
    RECT C{};
    SendMessageW(Handle, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&C));
    if ((StyleOf(*this) & TBS_VERT) && SkinData->TrackVert && SkinData->TrackVert->Bitmap) {
        TDataSkinObject& P = *SkinData->TrackVert;
        RECT V{C.top, C.left, C.bottom, C.right};  // the channel comes lying down
        TBitmap& B = *P.Bitmap;
        int W = B.Width(), H = B.Height(), T = P.TopHeight, Bo = P.BottomHeight;
        int Cw = V.right - V.left, Ch = V.bottom - V.top;
        int O = W < Cw ? (Cw - W) / 2 : 0;
        HDC S = B.Canvas().Handle();
        StretchBlt(Dc, V.left + O, V.top, W, T, S, 0, 0, W, T, SRCCOPY);
        StretchBlt(Dc, V.left + O, V.top + T, W, Ch - T - Bo, S, 0, T, W, H - T - Bo, SRCCOPY);
        StretchBlt(Dc, V.left + O, V.bottom - Bo, W, Bo, S, 0, H - Bo, W, Bo, SRCCOPY);
    } else if (SkinData->Track && SkinData->Track->Bitmap) {
        TDataSkinObject& P = *SkinData->Track;
        TBitmap& B = *P.Bitmap;
        int W = B.Width(), H = B.Height(), L = P.LeftWidth, Rt = P.RightWidth;
        int Cw = C.right - C.left, Ch = C.bottom - C.top;
        // Half the channel's height down, as the skins are drawn for it.
        int O = H < Ch ? Ch / 2 : 0;
        HDC S = B.Canvas().Handle();
        StretchBlt(Dc, C.left, C.top + O, L, H, S, 0, 0, L, H, SRCCOPY);
        StretchBlt(Dc, C.left + L, C.top + O, Cw - L - Rt, H, S, L, 0, W - L - Rt, H, SRCCOPY);
        StretchBlt(Dc, C.right - Rt, C.top + O, Rt, H, S, W - Rt, 0, Rt, H, SRCCOPY);
    }
}

void TSkinTrackBar::DrawThumb(HDC Dc) {
    if (!IsWindow(Handle) || !SkinData) return;
    RECT T{};
    SendMessageW(Handle, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&T));
    TBitmap* Image = nullptr;
    if ((StyleOf(*this) & TBS_VERT) && SkinData->TrackThumbVert)
        Image = SkinData->TrackThumbVert->Bitmap.get();
    else if (SkinData->TrackThumbHorz)
        Image = SkinData->TrackThumbHorz->Bitmap.get();
    if (Image && !Image->Empty()) {
        DrawStripFrameOnDC(Dc, TRect(T), 5, 2, *Image);
        return;
    }
    HBRUSH Brush = CreateSolidBrush(0xFFFFFF);
    HPEN Pen = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(SkinData->ColButtonShadow)));
    HGDIOBJ OldB = SelectObject(Dc, Brush), OldP = SelectObject(Dc, Pen);
    Rectangle(Dc, T.left, T.top, T.right, T.bottom);
    SelectObject(Dc, OldB);
    SelectObject(Dc, OldP);
    DeleteObject(Brush);
    DeleteObject(Pen);
}

void TSkinTrackBar::SkinChanged() {
    // Focusing it makes the control draw itself anew; the focus goes back.
    HWND Before = SetFocus(Handle);
    if (Before && Before != Handle) SetFocus(Before);
}

// ---- Up-down -------------------------------------------------------------------------
bool TSkinUpDown::BeforeMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_PAINT: HandlePaintMessage(*this, M); return false;
        case WM_ERASEBKGND:
            if (!Control) {
                RECT R;
                GetClientRect(Handle, &R);
                FillRectColor(reinterpret_cast<HDC>(M.WParam), TRect(R), 0xFFFFFF);
            }
            M.Result = 1;
            return false;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            CallPrevious(M);
            MouseState.Include(msPressed);
            PaintFrame(nullptr);
            return false;
        case WM_LBUTTONUP:
            MouseState.Exclude(msPressed);
            CallPrevious(M);
            PaintFrame(nullptr);
            return false;
        default: return TSkinControl::BeforeMessage(M);
    }
}

void TSkinUpDown::Draw(HDC Dc, const TRect& Rect) {
    if (!SkinData) return;
    TRect R = Rect;
    if (Embedded) {
        RECT Client;
        GetClientRect(Handle, &Client);
        FillRectColor(Dc, TRect(Client), 0xFFFFFF);
        RECT P, U;
        GetWindowRect(GetParent(Handle), &P);
        GetWindowRect(Handle, &U);
        // The arrows keep 3 pixels off the edit's border.
        if (U.top - P.top < 3) R.top += 3 - (U.top - P.top);
        if (P.bottom - U.bottom < 3) R.bottom -= 3 - (P.bottom - U.bottom);
        if (P.right - U.right < 3) R.right -= 3 - (P.right - U.right);
    }
    int W = R.Width(), H = R.Height();
    if (W <= 0 || H <= 0) return;
    TBitmap Work(W, H);
    HDC B = Work.Canvas().Handle();
    FillRectColor(B, TRect(0, 0, W, H), SkinData->ColButtonFace);
    POINT Cursor;
    GetCursorPos(&Cursor);
    ScreenToClient(Handle, &Cursor);
    Enabled = !(StyleOf(*this) & WS_DISABLED);
    int S = MouseState.Contains(msPressed) ? 2 : 1;
    bool Horz = StyleOf(*this) & UDS_HORZ;
    struct Button {
        TRect R;
        int Kind, State;
    } Buttons[2];
    if (Horz) {
        int Half = W / 2;
        Buttons[0] = {TRect(0, 0, Half, H), 2, Cursor.x < Half ? S : 1};
        Buttons[1] = {TRect(Half, 0, W, H), 3, Cursor.x >= Half ? S : 1};
    } else {
        int Half = H / 2;
        Buttons[0] = {TRect(0, 0, W, Half), 0, Cursor.y < Half ? S : 1};
        Buttons[1] = {TRect(0, Half, W, H), 1, Cursor.y >= Half ? S : 1};
    }
    TDataSkinBorder* Part = Horz ? SkinData->UpDownHorz.get() : SkinData->UpDownVert.get();
    for (Button& Bt : Buttons) {
        if (!Enabled) Bt.State = 3;
        if (Part && Part->Bitmap && !Part->Bitmap->Empty()) {
            int Index = Bt.State + 4 * Bt.Kind - (Bt.Kind >= 2 ? 8 : 0);
            DrawStretchedFrame(B, Bt.R, *Part->Bitmap, /*Transparent=*/true, Part->FrameCount, Index);
            if (Part->Bitmap2 && !Part->Bitmap2->Empty() && Part->FrameCount > 0) {
                int G = Part->Bitmap2->Width() / Part->FrameCount, Gh = Part->Bitmap2->Height();
                int L = Bt.R.left + (Bt.R.Width() - G) / 2, T = Bt.R.top + (Bt.R.Height() - Gh) / 2;
                DrawStretchedFrame(B, TRect(L, T, L + G, T + Gh), *Part->Bitmap2, /*Transparent=*/true,
                                   Part->FrameCount, Index);
            }
        } else {
            TCanvas& C = Work.Canvas();
            C.Brush().SetColor(Bt.State == 1 || Bt.State == 3 ? SkinData->ColButtonFace : SkinData->ColButtonShadow);
            C.Pen().SetColor(SkinData->ColButtonDkShadow);
            C.Rectangle(Bt.R);
            int X = Bt.R.left + Bt.R.Width() / 2, Y = Bt.R.top + Bt.R.Height() / 2;
            DrawArrowGlyph(C, X, Bt.Kind >= 2 ? Y : Y - 2, Bt.Kind);
        }
    }
    BitBlt(Dc, R.left, R.top, W, H, Work.Canvas().Handle(), 0, 0, SRCCOPY);
}

// ---- Progress bar ----------------------------------------------------------------------
int ProgressFill(int Width, int Pos, int Min, int Max) {
    if (Max <= Min || Width <= 0) return 0;
    int64_t Done = std::clamp<int64_t>(static_cast<int64_t>(Pos) - Min, 0, static_cast<int64_t>(Max) - Min);
    return static_cast<int>(static_cast<int64_t>(Width) * Done / (static_cast<int64_t>(Max) - Min));
}

bool TSkinProgress::BeforeMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_PAINT:
            if (!SkinData || !HasImage(SkinData->Progress)) return true;
            HandlePaintMessage(*this, M);
            M.Result = 0;
            return false;
        case WM_ERASEBKGND: M.Result = 1; return false;
        default: return TSkinControl::BeforeMessage(M);
    }
}

void TSkinProgress::Draw(HDC Dc, const TRect& R) {
    if (!SkinData || !HasImage(SkinData->Progress)) return;
    TDataSkinBorder& P = *SkinData->Progress;
    bool Chunks = P.Style == 1;
    if (Chunks && !HasImage(SkinData->ProgressChunk)) return;
    bool Vertical = StyleOf(*this) & PBS_VERTICAL;
    int W = Vertical ? R.Height() : R.Width(), H = Vertical ? R.Width() : R.Height();
    if (W <= 0 || H <= 0) return;
    TBitmap Work(W, H, pf24bit);
    HDC B = Work.Canvas().Handle();
    TRect All(0, 0, W, H);
    FillRectColor(B, All, SkinData->ColButtonFace);
    auto Frame = [&](const TRect& Where, int Count, int Index) {
        auto F = RenderNineGridFrame(Where, *P.Bitmap, P.Margins(), /*Vertical=*/false, P.Tile != 0, Count, Index);
        if (F && !F->Empty()) DrawBitmapTransparent(B, Where, *F, clFuchsia);
    };
    Frame(All, Chunks ? 1 : 2, 1);
    int Pos = static_cast<int>(SendMessageW(Handle, PBM_GETPOS, 0, 0));
    int Max = static_cast<int>(SendMessageW(Handle, PBM_GETRANGE, FALSE, 0));
    int Min = static_cast<int>(SendMessageW(Handle, PBM_GETRANGE, TRUE, 0));
    int Fill = ProgressFill(W, Pos, Min, Max);
    if (Fill > 0) {
        if (!Chunks) {
            Frame(TRect(0, 0, Fill, H), 2, 2);
        } else {
            TDataSkinObject& C = *SkinData->ProgressChunk;
            TBitmap& Img = *C.Bitmap;
            int Cw = Img.Width(), Ch = Img.Height();
            int Y = (H - Ch) / 2;
            if (C.Tile == 1 && Cw > 0) {
                TBitmap Strip(Fill, Ch);
                for (int X = 0; X < Fill; X += Cw) Strip.Canvas().Draw(X, 0, Img);
                DrawBitmapTransparent(B, TRect(C.LeftWidth + 2, Y, C.LeftWidth + 2 + Fill, Y + Ch), Strip,
                                      clFuchsia);
            } else if (H > 4) {
                TBitmap Strip(Fill, H - 4);
                StretchFrameKeepingMargins(Strip.Canvas().Handle(), TRect(0, 0, Fill, H - 4), Img, /*Vertical=*/false,
                                           1, 1, C.Margins());
                DrawBitmapTransparent(B, TRect(2, 2, 2 + Fill, H - 2), Strip, clFuchsia);
            }
        }
    }
    if (Vertical) RotateBitmapLeft(Work);
    BitBlt(Dc, R.left, R.top, R.Width(), R.Height(), Work.Canvas().Handle(), 0, 0, SRCCOPY);
}
