#include "skin/skin_frames.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/win/winuser.h"
#include "platform/rtl/scope.h"

namespace {

constexpr TColor KeyColour = clFuchsia;
constexpr DWORD LeaveDestination = 0x00AA0029u;

bool Inverted(const TRect& R) { return R.right < R.left || R.bottom < R.top; }

struct TFrame {
    int W = 0, H = 0, X = 0, Y = 0;  // size and origin of frame N in the strip
};

// False for a count below 1: nothing is drawn and nothing divides by it.
bool FrameOf(TBitmap& Strip, bool Vertical, int Count, int N, TFrame& F) {
    if (Count < 1) return false;
    if (Vertical) {
        F.W = Strip.Width();
        F.H = Strip.Height() / Count;
        F.X = 0;
        F.Y = (N - 1) * F.H;
    } else {
        F.W = Strip.Width() / Count;
        F.H = Strip.Height();
        F.X = (N - 1) * F.W;
        F.Y = 0;
    }
    return true;
}

// A temporary 24-bit bitmap whose stretching averages (HALFTONE).
std::unique_ptr<TBitmap> NewWork(int W, int H) {
    auto B = std::make_unique<TBitmap>(std::max(W, 0), std::max(H, 0), pf24bit);
    SetStretchBltMode(B->Canvas().Handle(), HALFTONE);
    return B;
}

void Stretch(HDC Dst, int X, int Y, int W, int H, HDC Src, int SX, int SY, int SW, int SH) {
    StretchBlt(Dst, X, Y, W, H, Src, SX, SY, SW, SH, SRCCOPY);
}

// Frame N alone, at size W x H (stretched when that differs from the frame's).
std::unique_ptr<TBitmap> FrameCopy(TBitmap& Strip, const TFrame& F, int W, int H) {
    auto B = NewWork(W, H);
    Stretch(B->Canvas().Handle(), 0, 0, W, H, Strip.Canvas().Handle(), F.X, F.Y, F.W, F.H);
    return B;
}

void Put(HDC Dc, const TRect& R, TBitmap& B, bool Transparent) {
    if (Transparent)
        DrawBitmapTransparent(Dc, R, B, KeyColour);
    else
        BitBlt(Dc, R.left, R.top, B.Width(), B.Height(), B.Canvas().Handle(), 0, 0, SRCCOPY);
}

}  // namespace

std::unique_ptr<TBitmap> RenderNineGridFrame(const TRect& Target, TBitmap& Strip, const TRect& Margins, bool Vertical,
                                             bool Tile, int Count, int N) {
    TFrame F;
    if (Inverted(Target) || !FrameOf(Strip, Vertical, Count, N, F)) return std::make_unique<TBitmap>();
    int W = Target.Width(), H = Target.Height();
    int L = Margins.left, T = Margins.top, R = Margins.right, B = Margins.bottom;
    if (W < L + R) L = R = 0;
    if (H < T + B) T = B = 0;
    auto Out = NewWork(W, H);
    HDC D = Out->Canvas().Handle(), S = Strip.Canvas().Handle();
    int SX = F.X, SY = F.Y, FW = F.W, FH = F.H;
    // Each piece from (x1, y1)-(x2, y2) of the strip to (X1, Y1)-(X2, Y2).
    auto Piece = [&](int X1, int Y1, int X2, int Y2, int x1, int y1, int x2, int y2) {
        Stretch(D, X1, Y1, X2 - X1, Y2 - Y1, S, x1, y1, x2 - x1, y2 - y1);
    };
    if (L * T > 0) Piece(0, 0, L, T, SX, SY, SX + L, SY + T);
    if (L * B > 0) Piece(0, H - B, L, H, SX, SY + FH - B, SX + L, SY + FH);
    if (R * T > 0) Piece(W - R, 0, W, T, SX + FW - R, SY, SX + FW, SY + T);
    if (L > 0) Piece(0, T, L, H - B, SX, SY + T, SX + L, SY + FH - B);
    if (T > 0) Piece(L, 0, W - R, T, SX + L, SY, SX + FW - R, SY + T);
    if (Tile)
        TileBitmapRect(Out->Canvas(), TRect(L, T, W - R, H - B), Strip,
                       TRect(SX + L, SY + T, SX + FW - R, SY + FH - B));
    else
        Piece(L, T, W - R, H - B, SX + L, SY + T, SX + FW - R, SY + FH - B);
    if (R * B > 0) Piece(W - R, H - B, W, H, SX + FW - R, SY + FH - B, SX + FW, SY + FH);
    if (R > 0) Piece(W - R, T, W, H - B, SX + FW - R, SY + T, SX + FW, SY + FH - B);
    if (B > 0) Piece(L, H - B, W - R, H, SX + L, SY + FH - B, SX + FW - R, SY + FH);
    return Out;
}

void DrawSkinImage(HDC Dc, const TRect& R, TBitmap& Strip, bool Vertical, bool Tile, bool Transparent, int Count,
                   int N, const TRect& Margins) {
    if (Inverted(R) || Count < 1) return;
    auto B = RenderNineGridFrame(R, Strip, Margins, Vertical, Tile, Count, N);
    Put(Dc, R, *B, Transparent);
}

TBitmap* TKeptSkinImage::Picture(const TRect& R, TBitmap& AStrip, bool AVertical, bool ATile, int ACount, int AN,
                                 const TRect& AMargins) {
    if (Inverted(R) || ACount < 1) return nullptr;
    if (!Image || Strip != &AStrip || W != R.Width() || H != R.Height() || Count != ACount || N != AN ||
        Vertical != AVertical || Tile != ATile || !EqualRect(&Margins, &AMargins)) {
        Image = RenderNineGridFrame(R, AStrip, AMargins, AVertical, ATile, ACount, AN);
        Strip = &AStrip;
        W = R.Width();
        H = R.Height();
        Count = ACount;
        N = AN;
        Vertical = AVertical;
        Tile = ATile;
        Margins = AMargins;
    }
    return Image.get();
}

void TKeptSkinImage::Draw(HDC Dc, const TRect& R, TBitmap& AStrip, bool AVertical, bool ATile, bool Transparent,
                          int ACount, int AN, const TRect& AMargins) {
    if (TBitmap* P = Picture(R, AStrip, AVertical, ATile, ACount, AN, AMargins)) Put(Dc, R, *P, Transparent);
}

void TileFrameKeepingMargins(TCanvas& Canvas, const TRect& R, TBitmap& Strip, bool Vertical, bool Transparent,
                             int Count, int N, const TRect& Margins) {
    TFrame F;
    if (Inverted(R) || !FrameOf(Strip, Vertical, Count, N, F)) return;
    int W = R.Width(), H = R.Height(), L = Margins.left, Rt = Margins.right;
    auto Work = NewWork(W, H);
    HDC D = Work->Canvas().Handle(), S = Strip.Canvas().Handle();
    Stretch(D, 0, 0, L, H, S, F.X, F.Y, L, F.H);
    int M = F.W - L - Rt;
    if (M > 0) {
        for (int X = L; X < W - Rt; X += M) Stretch(D, X, 0, M, H, S, F.X + L, F.Y, M, F.H);
    } else if (W - Rt > L) {
        // No middle to repeat: the whole frame fills the space between the margins.
        Stretch(D, L, 0, W - Rt - L, H, S, F.X, F.Y, F.W, F.H);
    }
    Stretch(D, W - Rt, 0, Rt, H, S, F.X + F.W - Rt, F.Y, Rt, F.H);
    if (Transparent) {
        Work->Transparent = true;
        Work->TransparentColor = KeyColour;
        Canvas.Draw(R.left, R.top, *Work);
    } else {
        BitBlt(Canvas.Handle(), R.left, R.top, W, H, D, 0, 0, SRCCOPY);
    }
}

void StretchFrameKeepingMargins(HDC Dc, const TRect& R, TBitmap& Strip, bool Vertical, int Count, int N,
                                const TRect& Margins) {
    TFrame F;
    if (Inverted(R) || !FrameOf(Strip, Vertical, Count, N, F)) return;
    int W = R.Width(), H = R.Height(), L = Margins.left, Rt = Margins.right;
    HDC S = Strip.Canvas().Handle();
    if (F.W > W) {
        Stretch(Dc, R.left, R.top, W, H, S, F.X, F.Y, F.W, F.H);
        return;
    }
    Stretch(Dc, R.left, R.top, L, H, S, F.X, F.Y, L, F.H);
    Stretch(Dc, R.left + L, R.top, W - L - Rt, H, S, F.X + L, F.Y, F.W - L - Rt, F.H);
    Stretch(Dc, R.right - Rt, R.top, Rt, H, S, F.X + F.W - Rt, F.Y, Rt, F.H);
}

void DrawStretchedFrame(HDC Dc, const TRect& R, TBitmap& Strip, bool Transparent, int Count, int N) {
    TFrame F;
    if (Inverted(R) || !FrameOf(Strip, /*Vertical=*/false, Count, N, F)) return;
    auto B = FrameCopy(Strip, F, R.Width(), R.Height());
    Put(Dc, R, *B, Transparent);
}

void DrawCenteredFrame(HDC Dc, const TRect& R, TBitmap& Strip, bool Transparent, int Count, int N) {
    TFrame F;
    if (Inverted(R) || !FrameOf(Strip, /*Vertical=*/false, Count, N, F)) return;
    auto B = FrameCopy(Strip, F, F.W, F.H);
    int X = R.left + (R.Width() - F.W) / 2, Y = R.top + (R.Height() - F.H) / 2;
    Put(Dc, TRect(X, Y, X + F.W, Y + F.H), *B, Transparent);
}

void DrawBitmapTransparent(HDC Dc, const TRect& R, TBitmap& Bitmap, TColor TransparentColour) {
    if (Inverted(R) || Bitmap.Empty()) return;
    int BW = Bitmap.Width(), BH = Bitmap.Height();
    HDC Src = Bitmap.Canvas().Handle();
    // The mask: 1 where the bitmap has the transparent colour.
    HBITMAP Mask = CreateBitmap(BW, BH, 1, 1, /*Bits=*/nullptr);
    HDC MaskDc = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(MaskDc, Mask);
    COLORREF OldBk = SetBkColor(Src, static_cast<COLORREF>(ColorToRGB(TransparentColour)));
    BitBlt(MaskDc, 0, 0, BW, BH, Src, 0, 0, SRCCOPY);
    SetBkColor(Src, OldBk);
    SelectObject(MaskDc, Old);
    DeleteDC(MaskDc);
    MaskBlt(Dc, R.left, R.top, R.Width(), R.Height(), Src, 0, 0, Mask, 0, 0, MakeROP4(LeaveDestination, SRCCOPY));
    DeleteObject(Mask);
}

void TileBitmapRect(TCanvas& Canvas, const TRect& Target, TBitmap& Bitmap, const TRect& Source) {
    if (Inverted(Target)) return;
    int SW = Source.Width(), SH = Source.Height();
    if (SW < 0 || SH < 0 || SW * SH == 0) return;
    auto Piece = NewWork(SW, SH);
    BitBlt(Piece->Canvas().Handle(), 0, 0, SW, SH, Bitmap.Canvas().Handle(), Source.left, Source.top, SRCCOPY);
    HDC D = Canvas.Handle(), S = Piece->Canvas().Handle();
    for (int Y = Target.top; Y < Target.bottom; Y += SH)
        for (int X = Target.left; X < Target.right; X += SW) BitBlt(D, X, Y, SW, SH, S, 0, 0, SRCCOPY);
}

HRGN RegionFromColorKey(TBitmap& Bitmap, int XOffset, int YOffset, int BlueTolerance, int GreenTolerance,
                        int RedTolerance, TColor Key) {
    int R0 = Key & 0xFF, G0 = (Key >> 8) & 0xFF, B0 = (Key >> 16) & 0xFF;
    int R1 = std::min(255, R0 + RedTolerance), G1 = std::min(255, G0 + GreenTolerance),
        B1 = std::min(255, B0 + BlueTolerance);
    Bitmap.SetPixelFormat(pf32bit);

    constexpr DWORD Step = 500, FlushAt = 2000;
    DWORD Room = Step;
    std::vector<unsigned char> Buffer(sizeof(RGNDATAHEADER) + sizeof(RECT) * Room);
    auto Header = [&]() -> RGNDATAHEADER& { return reinterpret_cast<RGNDATA*>(Buffer.data())->rdh; };
    auto Rects = [&]() { return reinterpret_cast<RECT*>(Buffer.data() + sizeof(RGNDATAHEADER)); };
    auto Reset = [&] {
        RGNDATAHEADER& H = Header();
        H.dwSize = sizeof(RGNDATAHEADER);
        H.iType = RDH_RECTANGLES;
        H.nCount = 0;
        H.nRgnSize = 0;
        H.rcBound = RECT{0x7FFFFFFF, 0x7FFFFFFF, 0, 0};
    };
    HRGN Result = nullptr;
    auto Flush = [&] {
        HRGN H = ExtCreateRegion(/*Transform=*/nullptr, static_cast<DWORD>(sizeof(RGNDATAHEADER) + sizeof(RECT) * Room),
                                 reinterpret_cast<RGNDATA*>(Buffer.data()));
        if (!Result) {
            Result = H;
        } else if (H) {
            CombineRgn(Result, Result, H, RGN_OR);
            DeleteObject(H);
        }
        Reset();
    };
    auto Add = [&](int X0, int X1, int Y) {
        if (Header().nCount >= Room) {
            Room += Step;
            Buffer.resize(sizeof(RGNDATAHEADER) + sizeof(RECT) * Room);
        }
        RGNDATAHEADER& H = Header();
        RECT Rc{X0 + XOffset, Y + YOffset, X1 + XOffset, Y + 1 + YOffset};
        Rects()[H.nCount++] = Rc;
        H.rcBound.left = std::min(H.rcBound.left, Rc.left);
        H.rcBound.top = std::min(H.rcBound.top, Rc.top);
        H.rcBound.right = std::max(H.rcBound.right, Rc.right);
        H.rcBound.bottom = std::max(H.rcBound.bottom, Rc.bottom);
        if (H.nCount == FlushAt) Flush();
    };
    Reset();
    int W = Bitmap.Width(), Ht = Bitmap.Height();
    for (int Y = 0; Y < Ht; ++Y) {
        const auto* Row = static_cast<const uint8_t*>(Bitmap.ScanLine(Y));
        auto Keyed = [&](int X) {
            const uint8_t* P = Row + 4 * X;
            return P[2] >= R0 && P[2] <= R1 && P[1] >= G0 && P[1] <= G1 && P[0] >= B0 && P[0] <= B1;
        };
        int X = 0;
        while (X < W) {
            while (X < W && Keyed(X)) ++X;
            int X0 = X;
            while (X < W && !Keyed(X)) ++X;
            if (X > X0) Add(X0, X, Y);
        }
    }
    Flush();
    return Result;
}

void PaintControlParentBackground(TControl* Control, HDC Dc, bool /*FromControlSkin*/) {
    if (!Control || !Control->Parent()) return;
    TWinControl* Parent = Control->Parent();
    TRect R = Control->ClientRect();
    OffsetRect(&R, Control->Left(), Control->Top());
    int Saved = SaveDC(Dc);
    OffsetViewportOrgEx(Dc, -Control->Left(), -Control->Top(), /*Old=*/nullptr);
    IntersectClipRect(Dc, R.left, R.top, R.right, R.bottom);
    auto Paint = [&] {
        Parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(Dc), 0);
        Parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Dc), 0);
    };
    rtl::TScopeExit RestoreDc([&] { RestoreDC(Dc, Saved); });
    if (Control->ComponentState().Contains(csDesigning)) {
        try {
            Paint();
        } catch (...) {
        }
    } else {
        Paint();
    }
}
