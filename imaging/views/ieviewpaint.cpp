// The single-image view's drawing: the visible area and the zoom tables, the
// coordinate conversions, the back buffer and its copy to the window, the
// background styles and wallpaper.
#include <algorithm>
#include <cmath>

#include "imaging/bitmaps/iedraw.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/views/ieimageview.h"
#include "platform/classlib/forms.h"

int32_t IEScreenBitsPerPixel = 32;

namespace {
int32_t RoundI(double V) { return static_cast<int32_t>(std::nearbyint(V)); }
int32_t TruncI(double V) { return static_cast<int32_t>(V); }
const char* const LibVersion = "0.1";
const char* const LibName = "Tessaro Image Library";
}  // namespace

std::string TIEImageView::IELibVersion() const { return LibVersion; }

// ---- visible area and tables --------------------------------------------------------------

int32_t TIEImageView::SnapX(int32_t V) {
    if (V < 0) V = 0;
    if (V < FExtentX && FTableCountX > 0 && V < static_cast<int32_t>(FScrToBmpX.size())) {
        const int32_t I = FScrToBmpX[V];
        if (I >= 0 && I < static_cast<int32_t>(FBmpToScrX.size())) return FBmpToScrX[I];
    }
    return V;
}

int32_t TIEImageView::SnapY(int32_t V) {
    if (V < 0) V = 0;
    if (V < FExtentY && FTableCountY > 0 && V < static_cast<int32_t>(FScrToBmpY.size())) {
        const int32_t I = FScrToBmpY[V];
        if (I >= 0 && I < static_cast<int32_t>(FBmpToScrY.size())) return FBmpToScrY[I];
    }
    return V;
}

void TIEImageView::UpdateVisibleArea() {
    FFirstVisibleX = FFirstVisibleY = FVisibleImageWidth = FVisibleImageHeight = 0;
    FDisplayWidth = FDisplayHeight = 0;
    if (FExtentX != 0) {
        const double R = static_cast<double>(FImageWidth) / FExtentX;
        FFirstVisibleX = std::min(RoundI(SnapX(FViewX) * R), FImageWidth);
        FVisibleImageWidth = RoundI(R * FVisibleWidth);
        // Never past the row's end, however the two roundings fell.
        FVisibleImageWidth = std::max(0, std::min(FVisibleImageWidth, FImageWidth - FFirstVisibleX));
    }
    if (FExtentY != 0) {
        const double R = static_cast<double>(FImageHeight) / FExtentY;
        FFirstVisibleY = std::min(RoundI(SnapY(FViewY) * R), FImageHeight);
        FVisibleImageHeight = RoundI(R * FVisibleHeight);
        FVisibleImageHeight = std::max(0, std::min(FVisibleImageHeight, FImageHeight - FFirstVisibleY));
    }
    if (FZoomX > 100) {
        FDisplayWidth = TruncI(FVisibleImageWidth * FZoomFactorX);
        if (FDisplayWidth < FVisibleWidth && FFirstVisibleX + FVisibleImageWidth + 1 <= FImageWidth) {
            ++FVisibleImageWidth;
            FDisplayWidth = TruncI(FVisibleImageWidth * FZoomFactorX);
        }
    } else {
        FDisplayWidth = FVisibleWidth;
    }
    if (FZoomY > 100) {
        FDisplayHeight = TruncI(FVisibleImageHeight * FZoomFactorY);
        if (FDisplayHeight < FVisibleHeight && FFirstVisibleY + FVisibleImageHeight + 1 <= FImageHeight) {
            ++FVisibleImageHeight;
            FDisplayHeight = TruncI(FVisibleImageHeight * FZoomFactorY);
        }
    } else {
        FDisplayHeight = FVisibleHeight;
    }
}

namespace {
// One axis of the zoom tables.
void BuildAxis(int32_t Extent, int32_t Display, double Zoom, double Factor, double Inv, int32_t ImageSize,
               std::vector<int32_t>& ScrToBmp, std::vector<int32_t>& BmpToScr) {
    const int32_t N = Extent + Display;
    const int32_t K = TruncI((N + 1) * Inv);
    ScrToBmp.assign(static_cast<size_t>(N) + 2, 0);
    BmpToScr.assign(static_cast<size_t>(K) + 2, 0);
    const int32_t Last = std::max(ImageSize - 1, 0);
    if (Zoom > 100) {
        for (int32_t J = N; J >= 0; --J) {
            const int32_t I = TruncI(J * Inv);
            if (I < static_cast<int32_t>(BmpToScr.size())) BmpToScr[I] = J;
            ScrToBmp[J] = std::min(I, Last);
        }
    } else {
        for (int32_t Kk = K; Kk >= 0; --Kk) {
            const int32_t I = TruncI(Kk * Factor);
            BmpToScr[Kk] = I;
            if (I < static_cast<int32_t>(ScrToBmp.size())) ScrToBmp[I] = std::min(Kk, Last);
        }
    }
}
}  // namespace

void TIEImageView::UpdateZoomTables() {
    if (FZoomX != FTableZoomX || FZoomY != FTableZoomY || FDisplayWidth != FTableDisplayWidth ||
        FDisplayHeight != FTableDisplayHeight || FImageWidth != FTableImageWidth ||
        FImageHeight != FTableImageHeight) {
        FScrToBmpX.clear();
        FScrToBmpY.clear();
        FBmpToScrX.clear();
        FBmpToScrY.clear();
        FTableCountX = FTableCountY = FInvTableCountX = FInvTableCountY = 0;
        FTableZoomX = FZoomX;
        FTableZoomY = FZoomY;
        FTableDisplayWidth = FDisplayWidth;
        FTableDisplayHeight = FDisplayHeight;
        FTableImageWidth = FImageWidth;
        FTableImageHeight = FImageHeight;
        if (FDisplayWidth != 0 && FDisplayHeight != 0 && FImageWidth > 0 && FImageHeight > 0) {
            BuildAxis(FExtentX, FDisplayWidth, FZoomX, FZoomFactorX, FInvZoomFactorX, FImageWidth, FScrToBmpX,
                      FBmpToScrX);
            BuildAxis(FExtentY, FDisplayHeight, FZoomY, FZoomFactorY, FInvZoomFactorY, FImageHeight, FScrToBmpY,
                      FBmpToScrY);
            FTableCountX = FDisplayWidth;
            FTableCountY = FDisplayHeight;
            FInvTableCountX = TruncI(FDisplayWidth * FInvZoomFactorX);
            FInvTableCountY = TruncI(FDisplayHeight * FInvZoomFactorY);
        }
    }
    if (FTableCountX > 0) {
        // The first visible zoomed coordinate: where the screen-to-image window starts.
        FScrWinX = std::min(SnapX(FViewX), static_cast<int32_t>(FScrToBmpX.size()) - 1);
        FScrWinY = std::min(SnapY(FViewY), static_cast<int32_t>(FScrToBmpY.size()) - 1);
    }
}

int32_t TIEImageView::XScr2Bmp(int32_t X) {
    const int32_t A = X - FOffsetX;
    if (A >= 0 && A < FTableCountX && FScrWinX + A < static_cast<int32_t>(FScrToBmpX.size()))
        return FScrToBmpX[FScrWinX + A];
    return TruncI(A * FInvZoomFactorX + FFirstVisibleX);
}

int32_t TIEImageView::YScr2Bmp(int32_t Y) {
    const int32_t A = Y - FOffsetY;
    if (A >= 0 && A < FTableCountY && FScrWinY + A < static_cast<int32_t>(FScrToBmpY.size()))
        return FScrToBmpY[FScrWinY + A];
    return TruncI(A * FInvZoomFactorY + FFirstVisibleY);
}

int32_t TIEImageView::XBmp2Scr(int32_t BX) {
    const int32_t D = BX - FFirstVisibleX;
    if (D >= 0 && D < FInvTableCountX && BX < static_cast<int32_t>(FBmpToScrX.size()))
        return FBmpToScrX[BX] - FScrWinX + FOffsetX;
    const int32_t C = BX - RoundI(SnapX(FViewX) * FInvZoomFactorX);
    return RoundI(C * FZoomFactorX + FOffsetX);
}

int32_t TIEImageView::YBmp2Scr(int32_t BY) {
    const int32_t D = BY - FFirstVisibleY;
    if (D >= 0 && D < FInvTableCountY && BY < static_cast<int32_t>(FBmpToScrY.size()))
        return FBmpToScrY[BY] - FScrWinY + FOffsetY;
    const int32_t C = BY - RoundI(SnapY(FViewY) * FInvZoomFactorY);
    return RoundI(C * FZoomFactorY + FOffsetY);
}

// ---- style setters ---------------------------------------------------------------------

void TIEImageView::SetBackgroundStyle(TIEBackgroundStyle Value) {
    FBackgroundStyle = Value;
    Invalidate();
    Update();
}

void TIEImageView::SetEnableAlphaChannel(bool Value) {
    FEnableAlphaChannel = Value;
    Update();
}

void TIEImageView::SetDrawVersion(bool Value) {
    FDrawVersion = Value;
    Update();
}

void TIEImageView::SetWallPaper(TPicture* Value) {
    FWallPaper->Assign(Value ? Value->Graphic() : nullptr);
    Update();
}

void TIEImageView::SetWallPaperStyle(TIEWallPaperStyle Value) {
    if (Value == FWallPaperStyle) return;
    FWallPaperStyle = Value;
    Update();
}

void TIEImageView::SetChessboardStyle(int32_t Size, TBrushStyle Style) {
    FChessboardSize = Size;
    FChessboardBrushStyle = Style;
}

void TIEImageView::SetCursor(TCursor Value) {
    FUserCursor = FCurrentCursor = Value;
    TControl::SetCursor(Value);
    ShowCursor(Value);
}

void TIEImageView::ShowCursor(TCursor C) {
    FCurrentCursor = C;
    if (!FHasOwner) return;
    TControl::SetCursor(C);
    if (Screen && HandleAllocated()) {
        POINT P;
        GetCursorPos(&P);
        if (WindowFromPoint(P) == Handle())
            if (HCURSOR H = Screen->Cursors(C)) ::SetCursor(H);
    }
}

// ---- backgrounds ---------------------------------------------------------------------------

bool IEGradientFillRect(TRect Rect, HDC DC, TColor Color1, bool Vertical, TColor Color2) {
    const int32_t C1 = ColorToRGB(Color1), C2 = ColorToRGB(Color2);
    TRIVERTEX V[2]{};
    V[0].x = Rect.left;
    V[0].y = Rect.top;
    V[0].Red = static_cast<COLOR16>((C1 & 0xFF) << 8);
    V[0].Green = static_cast<COLOR16>(((C1 >> 8) & 0xFF) << 8);
    V[0].Blue = static_cast<COLOR16>(((C1 >> 16) & 0xFF) << 8);
    V[1].x = Rect.right;
    V[1].y = Rect.bottom;
    V[1].Red = static_cast<COLOR16>((C2 & 0xFF) << 8);
    V[1].Green = static_cast<COLOR16>(((C2 >> 8) & 0xFF) << 8);
    V[1].Blue = static_cast<COLOR16>(((C2 >> 16) & 0xFF) << 8);
    GRADIENT_RECT Mesh{0, 1};
    return GradientFill(DC, V, 2, &Mesh, 1, Vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H) != 0;
}

void DrawViewBackground(TCanvas* C, TBitmap* Bitmap, TIEWallPaperStyle WallPaperStyle, TPicture* WallPaper,
                        TColor GradientEndColor, TBrushStyle ChessboardBrushStyle, int32_t ChessboardSize,
                        TRect ImageRect, int32_t W, int32_t H, int32_t Left, int32_t Top, TColor Background,
                        TIEBackgroundStyle Style) {
    const TRect Area(Left, Top, Left + W, Top + H);
    // The complement names a system colour for an RGB background (its top byte becomes $FF).
    const TColor Complement = static_cast<TColor>(~static_cast<uint32_t>(Background));
    const bool HasImage = ImageRect.right - ImageRect.left >= 2 && ImageRect.bottom - ImageRect.top >= 2;
    C->Pen().SetMode(pmCopy);
    switch (Style) {
        case iebsSolid:
        case iebsHorizontal:
        case iebsVertical:
        case iebsFDiagonal:
        case iebsBDiagonal:
        case iebsCross:
        case iebsDiagCross: {
            static const TBrushStyle Brushes[] = {bsSolid, bsHorizontal, bsVertical, bsFDiagonal,
                                                  bsBDiagonal, bsCross, bsDiagCross};
            C->Brush().SetColor(Background);
            C->Brush().SetStyle(Brushes[Style]);
            C->FillRect(Area);
            break;
        }
        case iebsChessboard: {
            const int32_t S = std::max(ChessboardSize, 1);
            if (Bitmap && Bitmap->PixelFormat() == pf24bit && ChessboardBrushStyle == bsSolid) {
                const int32_t A = ColorToRGB(Background), B = ColorToRGB(Complement);
                const uint8_t PA[3] = {static_cast<uint8_t>(A >> 16), static_cast<uint8_t>(A >> 8),
                                       static_cast<uint8_t>(A)};
                const uint8_t PB[3] = {static_cast<uint8_t>(B >> 16), static_cast<uint8_t>(B >> 8),
                                       static_cast<uint8_t>(B)};
                const int32_t X0 = std::max(Left, 0), X1 = std::min(Left + W, Bitmap->Width());
                const int32_t Y0 = std::max(Top, 0), Y1 = std::min(Top + H, Bitmap->Height());
                for (int32_t Y = Y0; Y < Y1; ++Y) {
                    auto* Row = static_cast<uint8_t*>(Bitmap->ScanLine(Y));
                    const int32_t RowSq = (Y - Top) / S;
                    for (int32_t X = X0; X < X1; ++X) {
                        const uint8_t* P = ((X - Left) / S + RowSq) % 2 == 0 ? PA : PB;
                        std::copy(P, P + 3, Row + 3 * X);
                    }
                }
            } else {
                C->Brush().SetStyle(ChessboardBrushStyle);
                for (int32_t Y = 0; Y < H; Y += S)
                    for (int32_t X = 0; X < W; X += S) {
                        C->Brush().SetColor(((X / S + Y / S) % 2 == 0) ? Complement : Background);
                        C->FillRect(TRect(Left + X, Top + Y, Left + std::min(X + S, W), Top + std::min(Y + S, H)));
                    }
            }
            break;
        }
        case iebsDiagonals:
            C->Brush().SetStyle(bsSolid);
            C->Brush().SetColor(Background);
            C->FillRect(Area);
            C->Pen().SetStyle(psSolid);
            C->Pen().SetColor(Complement);
            C->MoveTo(Left, Top);
            C->LineTo(Left + W, Top + H);
            C->MoveTo(Left + W, Top);
            C->LineTo(Left, Top + H);
            break;
        case iebsCropped:
            C->Brush().SetStyle(bsSolid);
            C->Brush().SetColor(clBtnFace);
            C->FillRect(Area);
            if (HasImage) {
                RECT R{ImageRect.left - GetSystemMetrics(SM_CXEDGE), ImageRect.top - GetSystemMetrics(SM_CYEDGE),
                       ImageRect.right + GetSystemMetrics(SM_CXEDGE), ImageRect.bottom + GetSystemMetrics(SM_CYEDGE)};
                DrawEdge(C->Handle(), &R, EDGE_SUNKEN, BF_RECT);
            }
            break;
        case iebsCropShadow:
            C->Brush().SetStyle(bsSolid);
            C->Brush().SetColor(Background);
            C->FillRect(Area);
            if (HasImage) {
                DrawShadowRight(C, ImageRect.right, ImageRect.top, Background, 2, ImageRect.bottom + 3,
                                ImageRect.right + 5);
                DrawShadowBottom(C, ImageRect.left, ImageRect.bottom, Background, 2, ImageRect.bottom + 5,
                                 ImageRect.right + 4);
            }
            break;
        case iebsGradient:
            IEGradientFillRect(Area, C->Handle(), Background, /*Vertical=*/true, GradientEndColor);
            break;
    }
    C->Brush().SetStyle(bsSolid);
    if (WallPaper && WallPaper->Graphic() && !WallPaper->Graphic()->Empty()) {
        TGraphic& G = *WallPaper->Graphic();
        switch (WallPaperStyle) {
            case iewoNormal: C->Draw(0, 0, G); break;
            case iewoStretch: C->StretchDraw(TRect(0, 0, W, H), G); break;
            case iewoTile: {
                // A picture without size is drawn once: it would never advance.
                const int32_t GW = G.Width(), GH = G.Height();
                if (GW <= 0 || GH <= 0) {
                    C->Draw(0, 0, G);
                    break;
                }
                for (int32_t Y = 0; Y < H; Y += GH)
                    for (int32_t X = 0; X < W; X += GW) C->Draw(X, Y, G);
                break;
            }
        }
    }
}

void TIEImageView::DrawBackgroundTo(TCanvas* Canvas) {
    DrawViewBackground(Canvas, /*Bitmap=*/nullptr, FWallPaperStyle, FWallPaper.get(), GradientEndColor,
                       FChessboardBrushStyle, FChessboardSize, TRect(0, 0, 0, 0), Width(), Height(), 0, 0, FBackground,
                       FBackgroundStyle);
}

void TIEImageView::DrawBackgroundInto(TBitmap* Buffer, TRect ClipRect) {
    TCanvas& C = Buffer->Canvas();
    const bool Clip = ClipRect.right > ClipRect.left && ClipRect.bottom > ClipRect.top;
    HRGN Rgn = nullptr;
    if (Clip) {
        Rgn = CreateRectRgn(ClipRect.left, ClipRect.top, ClipRect.right + 1, ClipRect.bottom + 1);
        SelectClipRgn(C.Handle(), Rgn);
    }
    bool Handled = false;
    if (OnDrawBackground) OnDrawBackground(this, &C, TRect(0, 0, Buffer->Width(), Buffer->Height()), Handled);
    if (!Handled)
        DrawViewBackground(&C, Buffer, FWallPaperStyle, FWallPaper.get(), GradientEndColor, FChessboardBrushStyle,
                           FChessboardSize, ImageRect(), Buffer->Width(), Buffer->Height(), 0, 0, FBackground,
                           FBackgroundStyle);
    if (Clip) {
        SelectClipRgn(C.Handle(), /*Region=*/nullptr);
        DeleteObject(Rgn);
    }
}

// ---- composing and painting -------------------------------------------------------------

void TIEImageView::DrawLayers(TBitmap* Buffer, TRect ClipRect) {
    SyncLayers();
    UpdateExtents();
    UpdateVisibleArea();
    UpdateZoomTables();
    if (ComponentState().Contains(csDesigning)) return;
    TIEBitmap* Cur = FIEBitmap;
    bool Drawn = false;
    const bool AlphaOk = !Cur->HasAlphaChannel() || (Cur->GetAlphaChannel()->Width() == Cur->Width() &&
                                                     Cur->GetAlphaChannel()->Height() == Cur->Height());
    if (Cur->Width() > 0 && Cur->Height() > 0 && AlphaOk) {
        for (int32_t I = 0; I < LayersCount(); ++I) {
            TIELayer* L = FLayers[I].get();
            if (!L->Visible || FDisplayWidth == 0 || FDisplayHeight == 0) continue;
            if (L->Bitmap->Width() < 2 && L->Bitmap->Height() < 2) continue;
            if (!Drawn) {
                TIEBitmap* B = L->Bitmap;
                const bool Covers = FOffsetX < 1 && FOffsetY < 1 && FDisplayWidth >= Buffer->Width() &&
                                    FDisplayHeight >= Buffer->Height();
                const bool Opaque = !FEnableAlphaChannel || !B->HasAlphaChannel() || B->GetAlphaChannel()->Full;
                if (!(Covers && L->Transparency == 255 && Opaque)) DrawBackgroundInto(Buffer, ClipRect);
            }
            TResampleFilter F = FZoomFilter;
            if (L->UseResampleFilter) F = L->ResampleFilter;
            if (FDelayZoomCounter > 0 || (L->Width == 0 && L->Height == 0 && FZoomX == 100 && FZoomY == 100))
                F = rfNone;
            L->ClientAreaBox = TRect(FOffsetX, FOffsetY, FOffsetX + FDisplayWidth, FOffsetY + FDisplayHeight);
            L->DrawnDest = TRect(FOffsetX, FOffsetY, FDisplayWidth, FDisplayHeight);
            L->DrawnSource = TRect(FFirstVisibleX, FFirstVisibleY, FVisibleImageWidth, FVisibleImageHeight);
            // Columns and rows come from the zoom tables, so the picture and the conversions agree.
            TIERenderTables T;
            if (F == rfNone && FTableCountX > 0 && FTableCountY > 0) {
                T.ColumnTable.resize(static_cast<size_t>(FDisplayWidth));
                T.RowTable.resize(static_cast<size_t>(FDisplayHeight));
                for (int32_t X = 0; X < FDisplayWidth; ++X)
                    T.ColumnTable[X] = std::min(XScr2Bmp(FOffsetX + X), L->Bitmap->Width() - 1);
                for (int32_t Y = 0; Y < FDisplayHeight; ++Y)
                    T.RowTable[Y] = std::min(YScr2Bmp(FOffsetY + Y), L->Bitmap->Height() - 1);
            }
            RECT Clip{ClipRect.left, ClipRect.top, ClipRect.right, ClipRect.bottom};
            L->Bitmap->RenderToTBitmapEx(Buffer, T.ColumnTable.empty() ? nullptr : &T, &Clip, FOffsetX, FOffsetY,
                                         FDisplayWidth, FDisplayHeight, FFirstVisibleX, FFirstVisibleY,
                                         FVisibleImageWidth, FVisibleImageHeight, FEnableAlphaChannel,
                                         /*RowCopy=*/false, L->Transparency, F, ieBlendNormal);
            Drawn = true;
        }
    }
    if (!Drawn) DrawBackgroundInto(Buffer, ClipRect);
    if (FSelected && FSelVisible && !FSelectionMask->IsEmpty()) {
        if (FSelectionOptions.Contains(iesoFilled))
            FSelectionMask->DrawInverted(&Buffer->Canvas(), FOffsetX, FOffsetY, FDisplayWidth, FDisplayHeight,
                                         FFirstVisibleX, FFirstVisibleY, FVisibleImageWidth, FVisibleImageHeight);
        if (FSelectionOptions.Contains(iesoMarkOuter))
            FSelectionMask->DrawOuterShade(Buffer, FOffsetX, FOffsetY, FDisplayWidth, FDisplayHeight,
                                           FFirstVisibleX, FFirstVisibleY, FVisibleImageWidth, FVisibleImageHeight);
    }
}

void TIEImageView::PaintTo(TRect Rect) {
    if (!HasParentWindow() || !HandleAllocated()) return;
    const int32_t DW = GetDrawWidth(), DH = GetDrawHeight();
    if (FBackBuffer->Width() != DW || FBackBuffer->Height() != DH || FBackBuffer->PixelFormat() != pf24bit) {
        FBackBuffer->SetPixelFormat(pf24bit);
        FBackBuffer->SetSize(DW, DH);
        FNeedsRecompose = true;
    }
    if (FNeedsRecompose) {
        // The whole buffer is composed: a later copy of another part must find it current.
        DrawLayers(FBackBuffer.get(), TRect(0, 0, DW, DH));
        if (OnDrawBackBuffer) OnDrawBackBuffer(this);
        FNeedsRecompose = false;
    }
    const int32_t W = std::min<int32_t>(Rect.Width(), DW), H = std::min<int32_t>(Rect.Height(), DH);
    HDC DC = Canvas().Handle();
    HDC Src = FBackBuffer->Canvas().Handle();
    if (IEScreenBitsPerPixel <= 8 && !IsRemoteSession()) {
        BITMAPINFOHEADER Hd{};
        Hd.biSize = sizeof(BITMAPINFOHEADER);
        Hd.biWidth = DW;
        Hd.biHeight = DH;
        Hd.biPlanes = 1;
        Hd.biBitCount = 24;
        Hd.biCompression = BI_RGB;
        IEDrawDibDraw(FDrawDib, DC, Rect.left, Rect.top, W, H, &Hd, FBackBuffer->ScanLine(DH - 1), Rect.left,
                      Rect.top, W, H, 0);
    } else if (IEScreenBitsPerPixel >= 24 || IsRemoteSession()) {
        BitBlt(DC, Rect.left, Rect.top, W, H, Src, Rect.left, Rect.top, SRCCOPY);
    } else {
        SetStretchBltMode(DC, HALFTONE);
        StretchBlt(DC, Rect.left, Rect.top, W, H, Src, Rect.left, Rect.top, W, H, SRCCOPY);
    }
    if (FRubberBand) DrawRubberBand();
    // A recreated window leaves a video graph posting to the old handle. The first paint checks
    // too: the window may have been recreated after the graph was made but before any paint.
    const HWND Wnd = Handle();
    if (Wnd != FLastWindowHandle) {
        if (FIO) FIO->UpdateDShowNotifyWindow();
        FLastWindowHandle = Wnd;
    }
}

void TIEImageView::Paint() {
    if (!HasParentWindow()) return;
    const int32_t DW = GetDrawWidth(), DH = GetDrawHeight();
    if (DW == 0 || DH == 0) return;
    if (ComponentState().Contains(csDesigning)) {
        DrawViewBackground(&Canvas(), /*Bitmap=*/nullptr, FWallPaperStyle, FWallPaper.get(), GradientEndColor,
                           FChessboardBrushStyle, FChessboardSize, TRect(0, 0, 0, 0), Width(), Height(), 0, 0,
                           FBackground, FBackgroundStyle);
        return;
    }
    try {
        if (FPaintLock == 0) {
            TRect R = FFullRepaint ? TRect(0, 0, DW, DH) : Canvas().ClipRect();
            if (R.right == 0) R.right = DW;
            if (R.bottom == 0) R.bottom = DH;
            const bool Band = FRubberBand;
            FRubberBand = false;  // the copy wipes the segment; PaintTo draws it again
            PaintTo(R);
            FRubberBand = Band;
            if (Band) DrawRubberBand();
            if (OnDrawCanvas) OnDrawCanvas(this, &Canvas(), TRect(0, 0, DW, DH));
        }
        FFullRepaint = false;
        if (!(FSelectingRect && FSelected)) DrawSelection(false);
        if (OnPaint) OnPaint(this);
    } catch (...) {
    }
    if (FDrawVersion) {
        TCanvas& C = Canvas();
        C.Font().SetName("Arial");
        C.Font().SetHeight(13);
        C.Font().SetColor(clBlack);
        C.Brush().SetStyle(bsSolid);
        C.Brush().SetColor(clWhite);
        const std::string T = std::string(LibName) + " Version " + LibVersion;
        C.TextOut(DW - C.TextWidth(T), DH - C.TextHeight(T), T);
    }
}
