// The single-image view's selection: polygons and mask, programmatic selection,
// grips, moving, drawing, the selection stream and the navigator link.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/bitmaps/ieutils.h"
#include "imaging/processing/magicwand.h"
#include "imaging/views/ieimageview.h"
#include "platform/system/process.h"

namespace {
int32_t RoundI(double V) { return static_cast<int32_t>(std::nearbyint(V)); }
bool IsBreak(const POINT& P) { return P.x == IESelBreak && P.y == IESelBreak; }
}  // namespace

void TIEImageView::ConvertIn(int32_t& X, int32_t& Y) {
    if (SelectionBase != iesbClientArea) return;
    X = XScr2Bmp(X);
    Y = YScr2Bmp(Y);
}

void TIEImageView::ShowSelection(bool Show) {
    if (FSelVisible == Show) return;
    FSelVisible = Show;
    if (FPaintLock == 0) Invalidate();
}

bool TIEImageView::IsRectSelection() {
    if (FPolyPoints.size() != 4) return false;
    const POINT* P = FPolyPoints.data();
    // Edges alternate between horizontal and vertical.
    const bool A = P[0].y == P[1].y && P[1].x == P[2].x && P[2].y == P[3].y && P[3].x == P[0].x;
    const bool B = P[0].x == P[1].x && P[1].y == P[2].y && P[2].x == P[3].x && P[3].y == P[0].y;
    return A || B;
}

void TIEImageView::PolygonBox(int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2) {
    X1 = Y1 = 0x7FFFFFFF;
    X2 = Y2 = -0x7FFFFFFF;
    for (const POINT& P : FPolyPoints) {
        if (IsBreak(P)) continue;
        X1 = std::min<int32_t>(X1, P.x);
        Y1 = std::min<int32_t>(Y1, P.y);
        X2 = std::max<int32_t>(X2, P.x);
        Y2 = std::max<int32_t>(Y2, P.y);
    }
    if (X1 > X2) X1 = Y1 = X2 = Y2 = 0;
}

void TIEImageView::SelectRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Op, bool KeepInside,
                              bool Square) {
    if (X1 == X2 || Y1 == Y2) return;
    ConvertIn(X1, Y1);
    ConvertIn(X2, Y2);
    FSelected = true;
    if (Op == 1 && !FPolyPoints.empty())
        FPolyPoints.push_back(POINT{IESelBreak, IESelBreak});
    else
        ClearPolygons();
    if (Op == 0) FSelectionMask->Empty();
    const int32_t IW = FIEBitmap->Width(), IH = FIEBitmap->Height();
    const double R = FSelectionAspectRatio;
    if (Square && R == -1) {
        Y2 = Y1 + (X2 - X1);
    } else if (R > 0) {
        Y2 = Y1 + RoundI((X2 - X1) * R);
        if (Y2 >= IH)
            X2 = RoundI((IH - Y1 - 1 + X1 * R) / R);
        else if (Y2 < 0)
            X2 = RoundI((X1 * R - Y1) / R);
    }
    if (KeepInside) {
        if (X1 < 0) {
            X2 -= X1;
            X1 = 0;
        }
        if (X2 >= IW) {
            X1 -= X2 - (IW - 1);
            X2 = IW - 1;
        }
        if (Y1 < 0) {
            Y2 -= Y1;
            Y1 = 0;
        }
        if (Y2 >= IH) {
            Y1 -= Y2 - (IH - 1);
            Y2 = IH - 1;
        }
    }
    if (X1 > X2) std::swap(X1, X2);
    if (Y1 > Y2) std::swap(Y1, Y2);
    X1 = std::clamp(X1, 0, std::max(IW - 1, 0));
    Y1 = std::clamp(Y1, 0, std::max(IH - 1, 0));
    X2 = std::clamp(X2, 0, IW);
    Y2 = std::clamp(Y2, 0, IH);
    FPolyPoints.push_back(POINT{X1, Y1});
    FPolyPoints.push_back(POINT{X2, Y1});
    FPolyPoints.push_back(POINT{X2, Y2});
    FPolyPoints.push_back(POINT{X1, Y2});
    ShowSelection(true);
}

void TIEImageView::Select(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Op) {
    if (Op == 0) FSelectionMask->Empty();
    SelectRect(X1, Y1, X2, Y2, Op, /*KeepInside=*/false, /*Square=*/false);
    EndSelect();
    FNeedsRecompose = true;
    RepaintNow();
}

void TIEImageView::AddSelectionPoint(int32_t X, int32_t Y) {
    if (SelectionBase == iesbClientArea) {
        ConvertIn(X, Y);
        X = std::clamp(X, 0, FIEBitmap->Width());
        Y = std::clamp(Y, 0, FIEBitmap->Height());
    }
    FPolyPoints.push_back(POINT{X, Y});
    FSelected = true;
    ShowSelection(true);
    FNeedsRecompose = true;
    if (FPaintLock == 0) RepaintNow();
}

void TIEImageView::EndSelect() {
    // Trailing separators close nothing.
    while (!FPolyPoints.empty() && IsBreak(FPolyPoints.back())) FPolyPoints.pop_back();
    FSelectionMask->FillPolygons(MaskFillValue, FPolyPoints.data(), static_cast<int32_t>(FPolyPoints.size()));
    FSelectionMask->SyncBoundingBox();
    if (FSelectionMask->IsEmpty()) {
        FSelected = false;
        ClearPolygons();
    }
    FNeedsRecompose = true;
}

void TIEImageView::Deselect() {
    if (FSelected) {
        FSelected = false;
        ShowSelection(false);
    }
    ClearPolygons();
    FSelectionMask->Empty();
    FSelectingPolygon = FLassoMode = FSelectingRect = FSelectingCircle = false;
    FGripDragged = ieNone;
    FMovingSelection = -1;
    FRubberBand = false;
    ShowCursor(FUserCursor);
    Update();
}

void TIEImageView::SelectMagicWand(int32_t X, int32_t Y, int32_t Op) {
    ConvertIn(X, Y);
    const int32_t IW = FIEBitmap->Width(), IH = FIEBitmap->Height();
    if (X < 0 || Y < 0 || X >= IW || Y >= IH) return;
    switch (MagicWandMode) {
        case 0: {
            std::vector<POINT> P = MagicWandPolygon(FIEBitmap, X, Y, MagicWandTolerance, MagicWandMaxFilter);
            if (Op == 1 && !FPolyPoints.empty()) {
                FPolyPoints.push_back(POINT{IESelBreak, IESelBreak});
            } else {
                ClearPolygons();
                FSelectionMask->Empty();
            }
            for (POINT Q : P) {
                Q.x = std::clamp<LONG>(Q.x, 0, IW);
                Q.y = std::clamp<LONG>(Q.y, 0, IH);
                FPolyPoints.push_back(Q);
            }
            FSelected = true;
            ShowSelection(true);
            EndSelect();
            break;
        }
        case 1:
        case 2:
            if (Op == 0) {
                ClearPolygons();
                FSelectionMask->Empty();
            }
            if (MagicWandMode == 1)
                MagicWandFill(FIEBitmap, X, Y, MagicWandTolerance, MagicWandMaxFilter, FSelectionMask.get(),
                              MaskFillValue);
            else
                MagicWandGlobal(FIEBitmap, X, Y, MagicWandTolerance, FSelectionMask.get(), MaskFillValue);
            FSelectionMask->SyncBoundingBox();
            FSelected = !FSelectionMask->IsEmpty();
            ShowSelection(FSelected);
            break;
        default: break;
    }
    FNeedsRecompose = true;
    RepaintNow();
}

void TIEImageView::MoveSelection(int32_t DX, int32_t DY) {
    FMovingRectangle = IsRectSelection();
    if (!FMovingRectangle) {
        int32_t MX = DX, MY = DY;
        FSelectionMask->Translate(MX, MY, FSelectionOptions.Contains(iesoCutBorders));
    }
    if (DX == 0 && DY == 0) return;
    if (FPaintLock == 0) Invalidate();
    const int32_t IW = FIEBitmap->Width(), IH = FIEBitmap->Height();
    int32_t X1, Y1, X2, Y2;
    PolygonBox(X1, Y1, X2, Y2);
    if (!FSelectionOptions.Contains(iesoCutBorders)) {
        if (X1 + DX < 0) DX = -X1;
        if (X2 + DX > IW) DX = IW - X2;
        if (Y1 + DY < 0) DY = -Y1;
        if (Y2 + DY > IH) DY = IH - Y2;
        if (X1 + DX < 0 || X2 + DX > IW || Y1 + DY < 0 || Y2 + DY > IH) return;
    } else {
        if (X2 + DX < 0) DX = -X2;
        if (X1 + DX > IW) DX = IW - X1;
        if (Y2 + DY < 0) DY = -Y2;
        if (Y1 + DY > IH) DY = IH - Y1;
    }
    for (POINT& P : FPolyPoints) {
        if (IsBreak(P)) continue;
        P.x = std::clamp<LONG>(P.x + DX, 0, IW);
        P.y = std::clamp<LONG>(P.y + DY, 0, IH);
    }
    DrawSelection(false);
}

void TIEImageView::MoveSelectionBy(int32_t DX, int32_t DY) {
    MoveSelection(DX, DY);
    if (FMovingRectangle) FSelectionMask->Empty();
    EndSelect();
}

TIEGrip TIEImageView::GetSelectionGrip(int32_t X, int32_t Y) {
    if (!FSelected || !FSelVisible || !FSelectionOptions.Contains(iesoSizeable) || !IsRectSelection() ||
        (FSelectingRect && FMouseDownLeft))
        return ieNone;
    POINT C[4];
    for (int I = 0; I < 4; ++I) C[I] = POINT{XBmp2Scr(FPolyPoints[I].x), YBmp2Scr(FPolyPoints[I].y)};
    for (int I = 0; I < 4; ++I)
        if (std::abs(X - C[I].x) <= GripSize && std::abs(Y - C[I].y) <= GripSize) return static_cast<TIEGrip>(I + 1);
    auto Near = [&](const POINT& A, const POINT& B) { return DistancePointToSegment(X, Y, A.x, A.y, B.x, B.y) < 3; };
    // Corners in stored order: top-left, top-right, bottom-right, bottom-left.
    if (Near(C[3], C[0])) return ieLeftSide;
    if (Near(C[1], C[2])) return ieRightSide;
    if (Near(C[0], C[1])) return ieTopSide;
    if (Near(C[2], C[3])) return ieBottomSide;
    return ieNone;
}

TIEGrip TIEImageView::ResizeSelectionByGrip(TIEGrip Grip, int32_t X, int32_t Y, bool KeepAspect) {
    if (!IsRectSelection()) return Grip;
    const int32_t IW = FIEBitmap->Width(), IH = FIEBitmap->Height();
    int32_t MX = XScr2Bmp(X), MY = YScr2Bmp(Y);
    int32_t X1, Y1, X2, Y2;
    PolygonBox(X1, Y1, X2, Y2);
    if (KeepAspect) {
        double Q;
        if (FSelectionAspectRatio > 0)
            Q = 1 / FSelectionAspectRatio;
        else if (FPressBox.Height() != 0 && FPressBox.Width() != 0)
            Q = static_cast<double>(FPressBox.Width()) / FPressBox.Height();
        else
            return Grip;
        if (Grip == ieLeftSide) Grip = ieTopLeft;
        if (Grip == ieRightSide) Grip = ieBottomRight;
        if (Grip == ieTopSide || Grip == ieBottomSide) {
            // MX from MY
            const bool Top = Grip == ieTopSide;
            Grip = Top ? ieTopLeft : ieBottomRight;
            for (int Guard = 0; Guard < 100000; ++Guard) {
                MX = Top ? X2 - RoundI((Y2 - MY) * Q) : X1 + RoundI((MY - Y1) * Q);
                if (MX >= 0 && MX <= IW) break;
                MY += Top ? 1 : -1;
            }
        } else {
            const bool Top = Grip == ieTopLeft || Grip == ieTopRight;
            const bool Left = Grip == ieTopLeft || Grip == ieBottomLeft;
            for (int Guard = 0; Guard < 100000; ++Guard) {
                const int32_t W = Left ? X2 - MX : MX - X1;
                MY = Top ? Y2 - RoundI(W / Q) : Y1 + RoundI(W / Q);
                if (MY >= 0 && MY <= IH) break;
                MX += Left ? 1 : -1;
            }
        }
    }
    const bool Right = Grip == ieTopRight || Grip == ieBottomRight || Grip == ieRightSide;
    const bool Bottom = Grip == ieBottomRight || Grip == ieBottomLeft || Grip == ieBottomSide;
    if (Right) ++MX;
    if (Bottom) ++MY;
    if (Grip == ieTopLeft || Grip == ieBottomLeft || Grip == ieLeftSide) X1 = MX == X2 ? MX - 1 : MX;
    if (Right) X2 = MX == X1 ? MX + 1 : MX;
    if (Grip == ieTopLeft || Grip == ieTopRight || Grip == ieTopSide) Y1 = MY == Y2 ? MY - 1 : MY;
    if (Bottom) Y2 = MY == Y1 ? MY + 1 : MY;
    if (X2 < X1) {
        switch (Grip) {
            case ieTopLeft: Grip = ieTopRight; break;
            case ieTopRight: Grip = ieTopLeft; break;
            case ieBottomLeft: Grip = ieBottomRight; break;
            case ieBottomRight: Grip = ieBottomLeft; break;
            case ieLeftSide: Grip = ieRightSide; break;
            case ieRightSide: Grip = ieLeftSide; break;
            default: break;
        }
    }
    if (Y2 < Y1) {
        switch (Grip) {
            case ieTopRight: Grip = ieBottomRight; break;
            case ieBottomRight: Grip = ieTopRight; break;
            case ieTopLeft: Grip = ieBottomLeft; break;
            case ieBottomLeft: Grip = ieTopLeft; break;
            case ieTopSide: Grip = ieBottomSide; break;
            case ieBottomSide: Grip = ieTopSide; break;
            default: break;
        }
    }
    ClearPolygons();
    if (X1 > X2) std::swap(X1, X2);
    if (Y1 > Y2) std::swap(Y1, Y2);
    if (KeepAspect && FPressBox.Width() > 0 && FPressBox.Height() > 0) {
        const double Q = FSelectionAspectRatio > 0 ? 1 / FSelectionAspectRatio
                                                    : static_cast<double>(FPressBox.Width()) / FPressBox.Height();
        if (X2 > IW) {
            X2 = IW;
            Y2 = Y1 + RoundI((X2 - X1) / Q);
        }
        if (Y2 > IH) {
            Y2 = IH;
            X2 = X1 + RoundI((Y2 - Y1) * Q);
        }
    }
    X1 = std::clamp(X1, 0, IW);
    X2 = std::clamp(X2, 0, IW);
    Y1 = std::clamp(Y1, 0, IH);
    Y2 = std::clamp(Y2, 0, IH);
    if (X1 > X2) std::swap(X1, X2);
    if (Y1 > Y2) std::swap(Y1, Y2);
    FPolyPoints = {POINT{X1, Y1}, POINT{X2, Y1}, POINT{X2, Y2}, POINT{X1, Y2}};
    ShowSelection(true);
    return Grip;
}

int32_t TIEImageView::SelX1() {
    if (FSelectingPolygon || FSelectingRect || FSelectingCircle || FGripDragged != ieNone || FMovingRectangle) {
        int32_t X1, Y1, X2, Y2;
        PolygonBox(X1, Y1, X2, Y2);
        return X1;
    }
    return FSelectionMask->X1;
}

int32_t TIEImageView::SelY1() {
    if (FSelectingPolygon || FSelectingRect || FSelectingCircle || FGripDragged != ieNone || FMovingRectangle) {
        int32_t X1, Y1, X2, Y2;
        PolygonBox(X1, Y1, X2, Y2);
        return Y1;
    }
    return FSelectionMask->Y1;
}

int32_t TIEImageView::SelX2() {
    if (FSelectingPolygon || FSelectingRect || FSelectingCircle || FGripDragged != ieNone || FMovingRectangle) {
        int32_t X1, Y1, X2, Y2;
        PolygonBox(X1, Y1, X2, Y2);
        return X2 - 1;
    }
    return FSelectionMask->X2;
}

int32_t TIEImageView::SelY2() {
    if (FSelectingPolygon || FSelectingRect || FSelectingCircle || FGripDragged != ieNone || FMovingRectangle) {
        int32_t X1, Y1, X2, Y2;
        PolygonBox(X1, Y1, X2, Y2);
        return Y2 - 1;
    }
    return FSelectionMask->Y2;
}

void TIEImageView::ZoomSelection(bool Uniform) {
    const int32_t X1 = SelX1(), Y1 = SelY1();
    const int32_t W = SelX2() - X1 + 1, H = SelY2() - Y1 + 1;
    if (!FSelected || X1 < 0 || Y1 < 0 || W < 2 || H < 2) return;
    Deselect();
    if (Uniform) {
        SetZoom(std::min(Height() / (H / 100.0), Width() / (W / 100.0)));
    } else {
        SetZoomX(Width() / (W / 100.0));
        SetZoomY(Height() / (H / 100.0));
    }
    ScrollTo(static_cast<int32_t>(X1 * FZoomFactorX) - (GetDrawWidth() - static_cast<int32_t>(W * FZoomFactorX)) / 2,
             static_cast<int32_t>(Y1 * FZoomFactorY) - (GetDrawHeight() - static_cast<int32_t>(H * FZoomFactorY)) / 2);
}

void TIEImageView::SetSelectionOptions(TIESelectionOptions Value) {
    FSelectionOptions = Value;
    FNeedsRecompose = true;
    Update();
}

void TIEImageView::SetSelectionAspectRatio(double R) {
    if (R == FSelectionAspectRatio) return;
    FSelectionAspectRatio = R;
    if (R != 0)
        FSelectionOptions.Include(iesoSizeable);
    else
        FSelectionOptions.Exclude(iesoSizeable);
}

// ---- the selection stream ------------------------------------------------------------------

namespace {
void Put32(std::vector<uint8_t>& B, int32_t V) {
    for (int I = 0; I < 4; ++I) B.push_back(static_cast<uint8_t>(static_cast<uint32_t>(V) >> (8 * I)));
}
int32_t Get32(const uint8_t* P) {
    return static_cast<int32_t>(static_cast<uint32_t>(P[0]) | static_cast<uint32_t>(P[1]) << 8 |
                                static_cast<uint32_t>(P[2]) << 16 | static_cast<uint32_t>(P[3]) << 24);
}
}  // namespace

void TIEImageView::SaveSelectionToStream(TStream* Stream) {
    std::vector<uint8_t> B;
    TIEMask& M = *FSelectionMask;
    Put32(B, M.Width);
    Put32(B, M.Height);
    Put32(B, static_cast<int32_t>(FPolyPoints.size()));
    for (const POINT& P : FPolyPoints) {
        Put32(B, P.x);
        Put32(B, P.y);
    }
    int32_t X1, Y1, X2, Y2;
    PolygonBox(X1, Y1, X2, Y2);
    for (int32_t V : {X1, Y1, X2, Y2}) Put32(B, V);
    B.push_back(FSelected ? 1 : 0);
    Put32(B, M.BitsPerPixel);
    for (int32_t V : {M.X1, M.Y1, M.X2, M.Y2}) Put32(B, V);
    B.push_back(M.Full ? 1 : 0);
    B.insert(B.end(), M.Bits.begin(), M.Bits.end());
    Stream->WriteBuffer(B.data(), static_cast<int64_t>(B.size()));
}

bool TIEImageView::LoadSelectionFromStream(TStream* Stream) {
    // Everything is read and checked before anything changes.
    const int64_t Start = Stream->Position();
    auto Fail = [&] {
        Stream->SetPosition(Start);
        return false;
    };
    uint8_t H[12];
    if (Stream->Read(H, 12) != 12) return Fail();
    const int32_t MW = Get32(H), MH = Get32(H + 4), N = Get32(H + 8);
    constexpr int32_t MaxSide = 1 << 20;
    // A mask with rows but no columns (or the reverse) is no mask a view writes.
    if (MW < 0 || MH < 0 || MW > MaxSide || MH > MaxSide || N < 0 || (MW == 0) != (MH == 0)) return Fail();
    const int64_t Left = Stream->Size() - Stream->Position();
    if (static_cast<int64_t>(N) * 8 + 38 > Left) return Fail();
    std::vector<uint8_t> PB(static_cast<size_t>(N) * 8 + 38);
    if (Stream->Read(PB.data(), static_cast<int64_t>(PB.size())) != static_cast<int64_t>(PB.size())) return Fail();
    std::vector<POINT> Points(static_cast<size_t>(N));
    for (int32_t I = 0; I < N; ++I) Points[I] = POINT{Get32(&PB[8 * I]), Get32(&PB[8 * I + 4])};
    const uint8_t* T = PB.data() + 8 * static_cast<size_t>(N);
    const bool Sel = T[16] != 0;
    const int32_t Bpp = Get32(T + 17);
    const int32_t BX1 = Get32(T + 21), BY1 = Get32(T + 25), BX2 = Get32(T + 29), BY2 = Get32(T + 33);
    const bool Full = T[37] != 0;
    if (Bpp != 1 && Bpp != 8) return Fail();
    for (const POINT& P : Points)
        if (!IsBreak(P) && (P.x < 0 || P.y < 0 || P.x > MW || P.y > MH)) return Fail();
    // The rows must be in the stream before anything of their size is allocated.
    const int64_t RowLen = (static_cast<int64_t>(MW) * Bpp + 31) / 32 * 4;
    const int64_t Rows = RowLen * MH;
    if (Stream->Size() - Stream->Position() < Rows) return Fail();
    std::vector<uint8_t> Bits(static_cast<size_t>(Rows));
    if (Rows && Stream->Read(Bits.data(), Rows) != Rows) return Fail();

    FSelectionMask->AllocateBits(MW, MH, Bpp);
    FSelectionMask->Bits = std::move(Bits);
    FSelectionMask->X1 = BX1;
    FSelectionMask->Y1 = BY1;
    FSelectionMask->X2 = BX2;
    FSelectionMask->Y2 = BY2;
    FSelectionMask->Full = Full;
    // A box the rows do not support is recomputed from them.
    if (BX1 != TIEMask::MaxInt && (BX1 < 0 || BY1 < 0 || BX2 >= std::max(MW, 1) || BY2 >= std::max(MH, 1) ||
                                   BX1 > BX2 || BY1 > BY2))
        FSelectionMask->SyncBoundingBox();
    FPolyPoints = std::move(Points);
    FSelected = Sel;
    ShowSelection(true);
    const int32_t IW = FIEBitmap->Width(), IH = FIEBitmap->Height();
    if (IW != MW || IH != MH) {
        // Another image size: a selection past the right or bottom edge moves back so
        // that it ends at the last column (row); the points stay within the image.
        int32_t DX = 0, DY = 0;
        if (!FSelectionMask->IsEmpty()) {
            if (!FPolyPoints.empty()) {
                int32_t X1, Y1, X2, Y2;
                PolygonBox(X1, Y1, X2, Y2);
                if (IW < X2) DX = IW - X2;
                if (IH < Y2) DY = IH - Y2;
            } else {
                if (IW <= FSelectionMask->X2) DX = IW - 1 - FSelectionMask->X2;
                if (IH <= FSelectionMask->Y2) DY = IH - 1 - FSelectionMask->Y2;
            }
        }
        FSelectionMask->Resize(IW, IH);
        for (POINT& P : FPolyPoints)
            if (!IsBreak(P)) {
                P.x = std::clamp<LONG>(P.x + DX, 0, IW);
                P.y = std::clamp<LONG>(P.y + DY, 0, IH);
            }
        if (DX || DY) {
            if (!FPolyPoints.empty()) {
                FSelectionMask->Empty();
                EndSelect();
            } else {
                int32_t MX = DX, MY = DY;
                FSelectionMask->Translate(MX, MY, /*CutBorders=*/true);
            }
        }
        FSelectionMask->SyncBoundingBox();
    }
    FNeedsRecompose = true;
    Update();
    return true;
}

void TIEImageView::SaveSelectionToUndo() {
    TMemoryStream S;
    SaveSelectionToStream(&S);
    std::vector<uint8_t> B(static_cast<size_t>(S.Size()));
    S.SetPosition(0);
    if (!B.empty()) S.ReadBuffer(B.data(), static_cast<int64_t>(B.size()));
    FStoredSelections.push_back(std::move(B));
}

bool TIEImageView::RestoreSelection() {
    if (FStoredSelections.empty()) return false;
    TMemoryStream S;
    const std::vector<uint8_t>& B = FStoredSelections.back();
    if (!B.empty()) S.WriteBuffer(B.data(), static_cast<int64_t>(B.size()));
    S.SetPosition(0);
    const bool R = LoadSelectionFromStream(&S);
    FStoredSelections.pop_back();
    return R;
}

// ---- drawing the selection ----------------------------------------------------------------

void TIEImageView::DrawDashedLine(TCanvas* C, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t& Counter) {
    struct Ctx {
        TCanvas* C;
        int32_t* Counter;
        int32_t C1, C2;
    } X{C, &Counter, ColorToRGB(FSelColor1), ColorToRGB(FSelColor2)};
    LineDDA(
        X1, Y1, X2, Y2,
        [](int PX, int PY, LPARAM D) {
            auto* K = reinterpret_cast<Ctx*>(D);
            K->C->SetPixel(PX, PY, (*K->Counter % 8) < 4 ? K->C1 : K->C2);
            ++*K->Counter;
        },
        reinterpret_cast<LPARAM>(&X));
}

void TIEImageView::DrawSelection(bool FromTimer) {
    if (!HasParentWindow() || !HandleAllocated()) return;
    const bool Dragging = FSelectingPolygon || FSelectingRect || FSelectingCircle || FGripDragged != ieNone;
    const bool Animated = FSelectionOptions.Contains(iesoAnimated);
    if (FSelected && FSelVisible && Animated && FromTimer && !Dragging && FMovingSelection < 0) {
        FAnimPhase = (FAnimPhase + 1) % 10;
        ++FAnimCounter;
    }
    if (FromTimer && FSelected && FSelVisible) Invalidate();  // the outline is drawn by the next paint
    const bool Painting = Canvas().HandleAllocated();
    if (Painting && FSelected && FSelVisible && FPaintLock == 0 && !FAutoScrolling) {
        TCanvas* C = &Canvas();
        if (FSelectionMask->IsEmpty() || Dragging || FMovingRectangle) {
            int32_t Poly = 0, Start = 0;
            const int32_t N = static_cast<int32_t>(FPolyPoints.size());
            if (IsRectSelection()) {
                const POINT* P = FPolyPoints.data();
                const int32_t L = XBmp2Scr(P[0].x), T = YBmp2Scr(P[0].y);
                const int32_t R = XBmp2Scr(P[2].x) - 1, B = YBmp2Scr(P[2].y) - 1;
                int32_t K = FAnimPhase;
                DrawDashedLine(C, L, T, R, T, K);
                K = FAnimPhase;
                DrawDashedLine(C, R, T, R, B, K);
                K = FAnimPhase;
                DrawDashedLine(C, R, B, L, B, K);
                K = FAnimPhase;
                DrawDashedLine(C, L, B, L, T, K);
            } else {
                int32_t K = FAnimPhase;
                for (int32_t I = 0; I <= N; ++I) {
                    if (I == N || IsBreak(FPolyPoints[I])) {
                        const bool Open = I == N && FSelectingPolygon;
                        if (I > Start && !Open) {
                            const POINT& A = FPolyPoints[I - 1];
                            const POINT& B = FPolyPoints[Start];
                            DrawDashedLine(C, XBmp2Scr(A.x), YBmp2Scr(A.y), XBmp2Scr(B.x), YBmp2Scr(B.y), K);
                        }
                        Start = I + 1;
                        ++Poly;
                        continue;
                    }
                    if (I + 1 < N && !IsBreak(FPolyPoints[I + 1])) {
                        const POINT& A = FPolyPoints[I];
                        const POINT& B = FPolyPoints[I + 1];
                        DrawDashedLine(C, XBmp2Scr(A.x), YBmp2Scr(A.y), XBmp2Scr(B.x), YBmp2Scr(B.y), K);
                        if (OnDrawPolygon) OnDrawPolygon(this, Poly, I, C, XBmp2Scr(A.x), YBmp2Scr(A.y));
                    }
                }
            }
        } else if (FDelayOutlineCounter == 0) {
            const TIELayer* L = FLayers[FLayersCurrent].get();
            const uint32_t T0 = GetTickCount();
            FSelectionMask->DrawOutline(C, L->DrawnDest.left, L->DrawnDest.top, L->DrawnDest.right,
                                        L->DrawnDest.bottom, L->DrawnSource.left, L->DrawnSource.top,
                                        L->DrawnSource.right, L->DrawnSource.bottom, ColorToRGB(FSelColor1),
                                        ColorToRGB(FSelColor2), FAnimCounter);
            const uint32_t Ms = GetTickCount() - T0;
            FSelectionTimer->SetInterval(std::max<uint32_t>(210, Ms * 100 / 20));
        }
        // Grips on a sizeable rectangle.
        if (FSelectionOptions.Contains(iesoSizeable) && IsRectSelection() && !(FSelectingRect && FMouseDownLeft) &&
            FMovingSelection < 0) {
            C->Pen().SetMode(pmCopy);
            C->Pen().SetStyle(psSolid);
            C->Pen().SetColor(GripPenColor);
            C->Brush().SetStyle(bsSolid);
            C->Brush().SetColor(GripBrushColor);
            const POINT* P = FPolyPoints.data();
            const int32_t L = XBmp2Scr(P[0].x), T = YBmp2Scr(P[0].y), R = XBmp2Scr(P[2].x), B = YBmp2Scr(P[2].y);
            std::vector<POINT> G{{L, T}, {R, T}, {R, B}, {L, B}};
            if (ShowEdgeGrips) G.insert(G.end(), {{L, (T + B) / 2}, {R, (T + B) / 2}, {(L + R) / 2, T}, {(L + R) / 2, B}});
            for (const POINT& Q : G) C->Rectangle(Q.x - GripSize, Q.y - GripSize, Q.x + GripSize, Q.y + GripSize);
        }
    }
    const bool Run = FDelayZoomCounter > 0 || FDelayOutlineCounter > 0 || (FSelected && FSelVisible && Animated);
    FSelectionTimer->SetEnabled(Run);
    if (FDelayOutlineCounter > 0) --FDelayOutlineCounter;
    if (FDelayZoomCounter > 0 && --FDelayZoomCounter == 0) Update();
}

// ---- navigator -------------------------------------------------------------------------------

void TIEImageView::SetNavigator(TIEImageView* View) {
    if (FNavigator) {
        FNavigator->OnSelectionChanging = nullptr;
        FNavigator->FNavigatorOf = nullptr;
        FNavigator->SetExternalBitmap(nullptr);
        FNavigator->RemoveFreeNotification(this);
    }
    FNavigator = View;
    if (!View) return;
    View->FNavigatorOf = this;
    View->SetAutoFit(true);
    View->SetMouseInteract(TIEMouseInteract{miSelect});
    View->SelectionBase = iesbBitmap;
    View->SetSelectionOptions(TIESelectionOptions{iesoMoveable, iesoCanScroll});
    View->SetExternalBitmap(FIEBitmap);
    View->OnSelectionChanging = [this](TObject*) {
        if (!FNavigator) return;
        // Both axes scale by their own zoom.
        ScrollTo(RoundI(FNavigator->SelX1() * FZoomX / 100), RoundI(FNavigator->SelY1() * FZoomY / 100));
    };
    View->FreeNotification(this);
    SyncNavigator();
}

void TIEImageView::SyncNavigator() {
    if (!FNavigator || FSyncingNavigator) return;
    FSyncingNavigator = true;
    RepaintNow();
    const int32_t X1 = XScr2Bmp(FOffsetX), Y1 = YScr2Bmp(FOffsetY);
    const int32_t X2 = XScr2Bmp(FOffsetX + FVisibleWidth), Y2 = YScr2Bmp(FOffsetY + FVisibleHeight);
    FNavigator->SelectionAbsWidth = X2 - X1;
    FNavigator->SelectionAbsHeight = Y2 - Y1;
    FNavigator->SetSelectionAspectRatio(0);
    FNavigator->Select(X1, Y1, X2, Y2, 0);
    FSyncingNavigator = false;
}
