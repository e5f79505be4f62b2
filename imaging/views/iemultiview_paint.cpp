// The thumbnail grid's layout and drawing: captions and the gaps they need, cells
// on the virtual grid, scroll bars sized to it, and the paint that composes the
// background, the wallpaper and every visible cell in one back buffer.
#include <algorithm>
#include <cstdlib>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iedraw.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/bitmaps/ievirtual.h"
#include "imaging/processing/resample.h"
#include "imaging/views/iemultiview.h"
#include "platform/commctl/commctrl.h"

namespace {

// Byte offsets of the UTF-8 characters of S, and S's size at the end.
std::vector<size_t> CharStarts(const std::string& S) {
    std::vector<size_t> R;
    for (size_t I = 0; I < S.size(); ++I)
        if ((static_cast<unsigned char>(S[I]) & 0xC0) != 0x80) R.push_back(I);
    R.push_back(S.size());
    return R;
}

// The grid's gradient runs to blue; its chessboard has 16-pixel squares.
constexpr TColor GradientEnd = static_cast<TColor>(0xFF0000);
constexpr int32_t ChessboardSize = 16;

}  // namespace

std::string IECutCaption(TCanvas& C, const std::string& Text, int Width, uint8_t CutSide) {
    if (CutSide > 1) return Text;
    const std::vector<size_t> At = CharStarts(Text);
    const int N = static_cast<int>(At.size()) - 1;
    std::string S = Text;
    // Cutting at the end takes two characters in the first step, at the start one.
    for (int Step = 1; C.TextWidth(S) > Width && N >= 2; ++Step) {
        const int Keep = CutSide == 1 ? N - Step : N - Step - 1;
        if (Keep <= 0) return "...";
        S = CutSide == 1 ? "..." + Text.substr(At[N - Keep]) : Text.substr(0, At[Keep]) + "...";
    }
    return S;
}

TIEMText::TIEMText(TIEMultiView* AOwner, uint8_t APosition)
    : Background(AOwner ? AOwner->Background() : clBtnFace), Owner(AOwner), Position(APosition) {
    if (Owner) Font.Assign(Owner->Font());
}

void TIEMText::SetCaption(const std::string& Value) {
    if (Owner) {
        TCanvas& C = Owner->MeasureCanvas();
        C.Font().Assign(Font);
        const int32_t H = C.TextHeight(Value);
        // The gaps change without a new layout; the user's own gaps stay as they were.
        if (Position == 0 && Owner->FUpperGap < H + 2)
            Owner->FUpperGap = H + 2;
        else if (Position == 1 && Owner->FBottomGap < H + 2)
            Owner->FBottomGap = H + (Owner->FStyle == iemsBox ? 4 : 2);
    }
    Text = Value;
}

TCanvas& TIEMultiView::MeasureCanvas() {
    if (!FMeasure) FMeasure = std::make_unique<TBitmap>(1, 1, pf24bit);
    return FMeasure->Canvas();
}

// ---- settings that draw the cells again

void TIEMultiView::SetStyle(TIEMStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Update();
}

void TIEMultiView::SetSelectionStyle(TIESStyle Value) {
    if (Value == FSelectionStyle) return;
    FSelectionStyle = Value;
    Update();
}

void TIEMultiView::SetEnableMultiSelect(bool Value) {
    if (Value == FEnableMultiSelect) return;
    FEnableMultiSelect = Value;
    Update();
}

void TIEMultiView::SetThumbnailsBorderWidth(int32_t Value) {
    if (Value == FThumbnailsBorderWidth) return;
    FThumbnailsBorderWidth = Value;
    Update();
}

void TIEMultiView::SetThumbnailsBorderColor(TColor Value) {
    if (Value == FThumbnailsBorderColor) return;
    FThumbnailsBorderColor = Value;
    Update();
}

void TIEMultiView::SetThumbnailsInternalBorder(bool Value) {
    if (Value == FThumbnailsInternalBorder) return;
    FThumbnailsInternalBorder = Value;
    Update();
}

void TIEMultiView::SetThumbnailsInternalBorderColor(TColor Value) {
    if (Value == FThumbnailsInternalBorderColor) return;
    FThumbnailsInternalBorderColor = Value;
    Update();
}

void TIEMultiView::SetWallPaper(TPicture* Value) {
    FWallPaper->Assign(Value ? Value->Graphic() : nullptr);
    Update();
}

void TIEMultiView::SetWallPaperStyle(TIEWallPaperStyle Value) {
    if (Value == FWallPaperStyle) return;
    FWallPaperStyle = Value;
    Update();
}

void TIEMultiView::SetUpperGap(int32_t Value) {
    FUpperGap = FUserUpperGap = Value;
    Update();
}

void TIEMultiView::SetBottomGap(int32_t Value) {
    FBottomGap = FUserBottomGap = Value;
    Update();
}

void TIEMultiView::SetShowCaptions(bool Value) {
    if (Value == FShowCaptions) return;
    FShowCaptions = Value;
    Update();
}

void TIEMultiView::SetShowCellBackground(bool Value) {
    if (Value == FShowCellBackground) return;
    FShowCellBackground = Value;
    Update();
}

void TIEMultiView::SetBackground(TColor Value) {
    TIEView::SetBackground(Value);
    Update();
}

void TIEMultiView::SetFlatScrollBars(bool Value) {
    if (Value == FFlatScrollBars) return;
    FFlatScrollBars = Value;
    if (!HandleAllocated()) return;
    SwitchFlatScrollBars(Value);
}

void TIEMultiView::CreateWnd() {
    TIEView::CreateWnd();
    // A window made after the setting (a form file's, or a recreation) gets flat bars too.
    if (FFlatScrollBars) InitializeFlatSB(Handle());
}

// ---- layout

int32_t TIEMultiView::Columns() {
    if (GridWidth != -1) return GridWidth;
    return std::max<int32_t>(0, (ClientWidth() - HorizBorder) / std::max(1, HorizBorder + ThumbWidth));
}

void TIEMultiView::ArrangeCells() {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());  // the loader reads the cells
    const int32_t C = Columns();
    int32_t K = 0, R = 0;
    FExtentW = FExtentH = 0;
    const bool Grid = FDisplayMode == mdGrid;
    for (auto& P : FImages) {
        TImage& Img = *P;
        const int32_t X = K * (ThumbWidth + HorizBorder) + (Grid ? HorizBorder : 0);
        const int32_t Y = R * (ThumbHeight + VertBorder) + (Grid ? VertBorder : 0);
        Img.X = X;
        Img.Y = Y;
        Img.Row = R;
        Img.Col = K;
        FExtentW = std::max(FExtentW, X);
        FExtentH = std::max(FExtentH, Y);
        if (!Grid) {
            K = R = 0;  // every cell in the one place
        } else if (++K == C) {
            K = 0;
            ++R;
        }
    }
    FExtentW += ThumbWidth + HorizBorder;
    FExtentH += ThumbHeight + VertBorder;
}

void TIEMultiView::GetMaxViewXY(int32_t& MaxX, int32_t& MaxY) {
    ArrangeCells();
    MaxX = std::max<int32_t>(FExtentW - ClientWidth(), 0);
    MaxY = std::max<int32_t>(FExtentH - ClientHeight(), 0);
}

void TIEMultiView::Resize() {
    TIEView::Resize();
    {
        std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
        FLoadW = Width();
        FLoadH = Height();
    }
    UpdateLayout(false);
}

void TIEMultiView::SetupBar(int Bar, int32_t Max) {
    const bool H = Bar == SB_HORZ;
    HWND W = Handle();
    if (Max < 1) {
        IEShowScrollBar(W, Bar, FALSE, FFlatScrollBars);
        return;
    }
    const int32_t Client = H ? ClientWidth() : ClientHeight();
    double& Scale = H ? FScaleX : FScaleY;
    Scale = (Client + Max - 1) / 65536.0;
    IESetScrollRange(W, Bar, 0, 65535, FALSE, FFlatScrollBars);
    IESetScrollPage(W, Bar, static_cast<int>(Client / Scale), TRUE, FFlatScrollBars);
    IESetScrollPos(W, Bar, static_cast<int>((H ? FViewX : FViewY) / Scale), FALSE, FFlatScrollBars);
    IEEnableScrollBar(W, Bar, ESB_ENABLE_BOTH, FFlatScrollBars);
    IEShowScrollBar(W, Bar, TRUE, FFlatScrollBars);
}

void TIEMultiView::UpdateLayout(bool DropCache) {
    if (FPaintLock > 0 || FUpdating || ComponentState().Contains(csDestroying) ||
        ComponentState().Contains(csLoading) || !Parent() || !HandleAllocated()) {
        FLayoutPending = true;  // the first paint with a window runs it
        FLayoutDrop = FLayoutDrop || DropCache;
        return;
    }
    DropCache = DropCache || FLayoutDrop;
    FLayoutPending = FLayoutDrop = false;
    FUpdating = true;
    if (DropCache) DropAllCachedThumbnails();
    ArrangeCells();
    // Showing or hiding a bar changes the client size: again until it stays.
    for (int Pass = 0; Pass < 9; ++Pass) {
        const int32_t CW = ClientWidth(), CH = ClientHeight();
        int32_t MX, MY;
        GetMaxViewXY(MX, MY);
        if (FViewX > MX || FViewY > MY) {
            std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
            FViewX = std::min(FViewX, MX);
            FViewY = std::min(FViewY, MY);
            ViewChange(0);
        }
        try {
            if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) SetupBar(SB_HORZ, MX);
            if (FScrollBars == ssVertical || FScrollBars == ssBoth) SetupBar(SB_VERT, MY);
        } catch (...) {}
        if (ClientWidth() == CW && ClientHeight() == CH) break;
    }
    // Attached components fetch the selected image's bitmaps again after every layout.
    CallBitmapChangeCallbacks();
    FLastChangeKind = iectNone;
    FUpdating = false;
    Invalidate();
    RedrawWindow(Handle(), /*lprcUpdate=*/nullptr, /*hrgnUpdate=*/nullptr,
                 RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
}

void TIEMultiView::UnlockPaint() {
    if (FPaintLock > 0) --FPaintLock;
    if (FPaintLock == 0) UpdateLayout();
}

void TIEMultiView::Update() {
    UpdateLayout(true);
    TIEView::Update();
}

// ---- painting

void TIEMultiView::Paint() {
    if (FLayoutPending) UpdateLayout(false);
    const int32_t CW = ClientWidth(), CH = ClientHeight();
    if (FPaintLock > 0 || CW == 0 || CH == 0) return;
    FLoadWindow = Handle();
    {
        std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
        FLoadW = Width();
        FLoadH = Height();
    }
    if (FBackBuffer->Width() != CW || FBackBuffer->Height() != CH || FBackBuffer->PixelFormat() != ieRGB24)
        FBackBuffer->Allocate(CW, CH, ieRGB24);
    TBitmap* Buffer = FBackBuffer->GetWndBitmap();
    PaintTo(Buffer);
    // One copy of the whole composed area.
    HDC DC = Canvas().Handle();
    HDC Src = Buffer->Canvas().Handle();
    if (IEScreenBitsPerPixel > 23 || IsRemoteSession()) {
        BitBlt(DC, 0, 0, CW, CH, Src, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(DC, HALFTONE);
        StretchBlt(DC, 0, 0, CW, CH, Src, 0, 0, CW, CH, SRCCOPY);
    }
}

void TIEMultiView::PaintTo(TBitmap* Bitmap) {
    TCanvas& C = Bitmap->Canvas();
    const int32_t CW = ClientWidth(), CH = ClientHeight();
    bool WasAllDisplayed = FAllDisplayed;
    for (bool Restart = true; Restart;) {
        Restart = false;
        // A wallpaper without size is drawn once, not tiled.
        DrawViewBackground(&C, Bitmap, FWallPaperStyle, FWallPaper.get(), GradientEnd, bsSolid, ChessboardSize,
                           TRect(0, 0, 0, 0), CW, CH, 0, 0, FBackground, BackgroundStyle);
        const int32_t Count = GetImageCount();
        if (Count == 0) break;
        const bool Single = FPlaying || FDisplayMode == mdSingle;
        const int32_t N = Single ? 1 : Count;
        int32_t I = 0;
        if (Single) I = FPlayIndex = std::clamp<int32_t>(FPlayIndex, 0, Count - 1);
        WasAllDisplayed = FAllDisplayed;
        FAllDisplayed = true;
        int32_t First = -1, Last = Count - 1;
        for (int32_t K = 0; K < N; ++K, I = (I + 1) % Count) {
            if (OnDrawProgress && N > 1) OnDrawProgress(this, static_cast<int32_t>(K * 100.0 / N), I);
            if (IsImageVisible(I)) {
                if (First < 0) First = I;
                bool Empty;
                {
                    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
                    DropStaleCachedThumbnail(I);
                    Empty = !FImages[I]->Image && !FImages[I]->Cache;
                }
                if (Empty) {
                    WasAllDisplayed = false;
                    if (!LoadForPaint(I)) {
                        Restart = true;  // the image was removed: from the start again
                        break;
                    }
                    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
                    if (!FImages[I]->Image && !FImages[I]->Cache) FAllDisplayed = false;
                }
                const bool Selected = (I == FSelected || (FEnableMultiSelect && IsImageSelected(I))) &&
                                      VisibleSelection && FDisplayMode == mdGrid;
                DrawThumbnail(Bitmap, I, Selected);
            } else if (First >= 0 && Last == Count - 1) {
                Last = I - 1;
            }
        }
        if (!Restart && !Single) KeepLoaded(First, Last);
        if (!Restart && OnDrawProgress && N > 1) OnDrawProgress(this, 100, 0);
    }
    if (FAllDisplayed && !WasAllDisplayed && OnAllDisplayed) OnAllDisplayed(this);
}

void TIEMultiView::CellArea(int32_t Index, int32_t& W, int32_t& A) {
    TImage& Img = *FImages[Index];
    W = ThumbWidth;
    int32_t H = ThumbHeight;
    if (FFrame >= 0 && FFrameNormalBitmap) {
        W = FFrameInner.right - FFrameInner.left;
        H = FFrameInner.bottom - FFrameInner.top;
    }
    int32_t Hi = 0;
    if (FShowCaptions && !Img.InfoText->Text.empty()) {
        TCanvas& C = MeasureCanvas();
        C.Font().Assign(Img.InfoText->Font);
        Hi = C.TextHeight(Img.InfoText->Text);
    }
    A = H - CurrentBottomGap() - CurrentUpperGap() - Hi;
}

void TIEMultiView::DropStaleCachedThumbnail(int32_t Index) {
    TImage& Img = *FImages[Index];
    if (!Img.Cache) return;
    // Sizes changed without Update: the thumbnail drawn for the old cell would not fit.
    int32_t W, A;
    CellArea(Index, W, A);
    if (W != Img.CacheW || A != Img.CacheH) DropCachedThumbnail(Img);
}

void TIEMultiView::DrawThumbnail(TBitmap* Bitmap, int32_t Index, bool DrawnSelected) {
    // A completion never changes an entry or a store while its cell is drawn.
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    TImage& Img = *FImages[Index];
    TCanvas& C = Bitmap->Canvas();
    const int32_t U = CurrentUpperGap(), B = CurrentBottomGap();
    int32_t L = Img.X - FViewX, T = Img.Y - FViewY, W = ThumbWidth, H = ThumbHeight;
    if (OnBeforeImageDraw) OnBeforeImageDraw(this, Index, L, T, &C);
    const bool Framed = FFrame >= 0 && FFrameNormalBitmap;
    if (Framed) {
        // The frame scaled to the cell, its alpha over the background; the image goes inside.
        TIEBitmap* F = Index == FSelected ? FFrameSelectedBitmap.get() : FFrameNormalBitmap.get();
        F->RenderToTBitmap(Bitmap, L, T, W, H, 0, 0, F->Width(), F->Height(), 255, rfNone);
        W = FFrameInner.right - FFrameInner.left;
        H = FFrameInner.bottom - FFrameInner.top;
        L += FFrameInner.left;
        T += FFrameInner.top;
    }
    int32_t KeyW, KeyA;
    CellArea(Index, KeyW, KeyA);
    if (OnBeforeImageDrawEx) {
        TRect R(0, 0, W, H);
        OnBeforeImageDrawEx(this, Index, L, T, Bitmap, R);
        W = R.right - R.left;
        H = R.bottom - R.top;
        L += R.left;
        T += R.top;
    }
    TIEMText& Top = *Img.TopText;
    TIEMText& Info = *Img.InfoText;
    TIEMText& Bottom = *Img.BottomText;
    int32_t Hi = 0;
    if (FShowCaptions && !Info.Text.empty()) {
        C.Font().Assign(Info.Font);
        Hi = C.TextHeight(Info.Text);
    }
    const int32_t A = H - B - U - Hi;

    // The cell's background.
    const TColor CellColour = DrawnSelected && FSelectionStyle == iessBox ? clHighlight
                              : DrawImageBackground                       ? Img.Background
                                                                          : ThumbnailsBackground;
    if (FShowCellBackground)
        DrawViewBackground(&C, Bitmap, iewoNormal, /*WallPaper=*/nullptr, GradientEnd, bsSolid, ChessboardSize,
                           TRect(0, 0, 0, 0), W, H, L, T, CellColour, ThumbnailsBackgroundStyle);

    // The image: resampled once to the cell into the cache store, later copied from there.
    int32_t E = 0, F = 0, Gw = 0, Gh = 0;
    bool Drawn = false;
    if (!Img.Cache && Img.Image && W > 0 && A > 0 && FList->GetImageWidth(Img.Image) > 0 &&
        FList->GetImageHeight(Img.Image) > 0) {
        TIEBitmap Src;
        FList->CopyToIEBitmap(Img.Image, &Src);  // a copy: the store's pixels stay as they are
        ScaleToFit(Src.Width(), Src.Height(), W, A, Gw, Gh);
        TIEBitmap Out;
        if (Src.PixelFormat() == ie1g && (Gw < Src.Width() || Gh < Src.Height())) {
            Out.Allocate(Gw, Gh, ieRGB24);
            ResampleBWToRGB24(&Src, 0, 0, Src.Width() - 1, Src.Height() - 1, &Out);
        } else {
            Out.Allocate(Gw, Gh, Src.PixelFormat());
            ResampleNearest(&Src, &Out);
        }
        if (Src.HasAlphaChannel()) {
            ResampleNearest(Src.GetAlphaChannel(), Out.GetAlphaChannel());
            Out.GetAlphaChannel()->Full = Src.GetAlphaChannel()->Full;
        }
        E = L + std::abs(W - Gw) / 2;
        F = T + std::abs(A - Gh) / 2 + U;
        Out.RenderToTBitmapEx(Bitmap, /*Tables=*/nullptr, /*ClipRect=*/nullptr, E, F, Gw, Gh, 0, 0, Gw, Gh,
                              EnableAlphaChannel, /*RowCopy=*/false, 255, rfNone, ieBlendNormal);
        Img.Cache = FCache->AddBitmap(&Out);
        FCache->SetSourceWidth(Img.Cache, FList->GetSourceWidth(Img.Image));
        FCache->SetSourceHeight(Img.Cache, FList->GetSourceHeight(Img.Image));
        Img.CacheW = KeyW;
        Img.CacheH = KeyA;
        Img.Drawn = TRect(0, 0, Gw, Gh);
        Drawn = true;
    } else if (Img.Cache) {
        if (!FCellBitmap) FCellBitmap = std::make_unique<TIEBitmap>();
        TIEBitmap& Thumb = *FCellBitmap;
        FCache->CopyToIEBitmap(Img.Cache, &Thumb);
        Gw = Thumb.Width();
        Gh = Thumb.Height();
        E = L + std::abs(W - Gw) / 2;
        F = T + std::abs(A - Gh) / 2 + U;
        Thumb.RenderToTBitmapEx(Bitmap, /*Tables=*/nullptr, /*ClipRect=*/nullptr, E, F, Gw, Gh, 0, 0, Gw, Gh,
                                /*EnableAlpha=*/true, /*RowCopy=*/false, 255, rfNone, ieBlendNormal);
        Drawn = true;
    }
    C.Pen().SetMode(pmCopy);
    C.Pen().SetStyle(psSolid);
    C.Pen().SetWidth(1);
    if (Drawn) {
        if (FThumbnailsInternalBorder) {
            C.Pen().SetColor(FThumbnailsInternalBorderColor);
            C.Brush().SetStyle(bsClear);
            C.Rectangle(E + Img.Drawn.left, F + Img.Drawn.top, E + Img.Drawn.right, F + Img.Drawn.bottom);
        }
        if (FShowCellBackground) {
            // The margins around the image in the cell's plain colour.
            C.Brush().SetStyle(bsSolid);
            C.Brush().SetColor(CellColour);
            C.FillRect(TRect(L, T, E, T + H));
            C.FillRect(TRect(E + Gw, T, L + W, T + H));
            C.FillRect(TRect(E, T, E + Gw, F));
            C.FillRect(TRect(E, F + Gh, E + Gw, T + H));
        }
    }

    // Captions: the top one, the info line and the bottom one, each cut to the cell.
    int32_t Band = 0;
    if (FShowCaptions) {
        auto Prepare = [&](TIEMText& Tx) {
            C.Font().Assign(Tx.Font);
            const bool Solid = Tx.BackgroundStyle != 1;
            C.Brush().SetStyle(Solid ? bsSolid : bsClear);
            if (DrawnSelected && FSelectionStyle == iessBox) {
                C.Font().SetColor(clHighlightText);
                if (Solid) C.Brush().SetColor(clHighlight);
            } else if (Solid) {
                C.Brush().SetColor(Tx.Background);
            }
            return IECutCaption(C, Tx.Text, W, Tx.CutSide);
        };
        if (!Top.Text.empty()) {
            const std::string S = Prepare(Top);
            if (FStyle == iemsFlat && Top.BackgroundStyle != 1) C.FillRect(TRect(L, T, L + W, T + C.TextHeight(S)));
            C.TextOut(L + (W - C.TextWidth(S)) / 2, T, S);
        }
        if (!Info.Text.empty()) {
            const std::string S = Prepare(Info);
            if (FStyle == iemsFlat && Info.BackgroundStyle != 1) C.FillRect(TRect(L, T + H - B - Hi, L + W, T + H - B));
            C.TextOut(L + (W - C.TextWidth(S)) / 2, T + H - B - Hi, S);
        }
        if (!Bottom.Text.empty()) {
            const std::string S = Prepare(Bottom);
            const int32_t Bh = C.TextHeight(S);
            if (Bottom.BackgroundStyle != 1) C.FillRect(TRect(L, T + H - Bh - 1, L + W, T + H));
            C.TextOut(L + (W - (C.TextWidth(S) + 2)) / 2 + 1, T + H - Bh - 1, S);
            Band = Bh + 3;
        }
    }

    if (FStyle == iemsBox) {
        if (Drawn) Draw3DFrame(&C, E, F, E + Gw - 1, F + Gh - 1, 0x808080, 0xFFFFFF);
        if (U + B > 0 || (FShowCaptions && !Info.Text.empty()))
            Draw3DFrame(&C, L, T, L + W - 1, T + H - Band - 1, 0xFFFFFF, 0x000000);
        if (FShowCaptions && !Bottom.Text.empty())
            Draw3DFrame(&C, L, T + H - Band + 2, L + W - 1, T + H - 1, 0x808080, 0xFFFFFF);
    }
    if (OnImageDraw) OnImageDraw(this, Index, L, T, &C);

    C.Brush().SetStyle(bsClear);
    C.Pen().SetColor(FThumbnailsBorderColor);
    for (int32_t I = 1; I <= FThumbnailsBorderWidth; ++I) C.Rectangle(L - I, T - I, L + W + I, T + H + I);
    if (DrawnSelected && FSelectionStyle != iessBox && !OnBeforeImageDrawEx && !Framed) {
        // Wider while the grid has the focus.
        const int32_t N = Focused() ? SelectionWidth : 1;
        C.Pen().SetColor(SelectionColor);
        for (int32_t I = 1; I <= N; ++I) C.Rectangle(L - I, T - I, L + W + I, T + H + I);
    }
    C.Brush().SetStyle(bsSolid);
}
