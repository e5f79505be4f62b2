// The single-image view: construction, layer 0 and the current image, the I/O and
// processing components, the update pass, zoom and the view origin.
#include "imaging/views/ieimageview.h"
#include "imaging/views/iopreviews.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

#include "imaging/bitmaps/iemisc.h"
#include "imaging/processing/imageproc.h"
#include "imaging/processing/transitions.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"

namespace {
// Halves to the even integer.
int32_t RoundI(double V) { return static_cast<int32_t>(std::nearbyint(V)); }
int32_t TruncI(double V) { return static_cast<int32_t>(V); }
}  // namespace

namespace {
void RegisterViewCursors();
}

// ---- TIELayer ----------------------------------------------------------------------

TIELayer::TIELayer(TIEImageView* AOwner, TIEBitmap* ABitmap, bool AOwnsBitmap)
    : Owner(AOwner), Bitmap(ABitmap), OwnsBitmap(AOwnsBitmap) {}

TIELayer::~TIELayer() {
    if (!OwnsBitmap || !Bitmap) return;
    // A wrapped windowing bitmap belongs to the layer too.
    TBitmap* Wnd = Bitmap->EncapsulatesTBitmap && Bitmap->WndBitmapIsExternal() ? Bitmap->GetWndBitmap() : nullptr;
    delete Bitmap;
    delete Wnd;
}

int32_t TIELayer::LayerWidth() const { return Width ? Width : Bitmap->Width(); }
int32_t TIELayer::LayerHeight() const { return Height ? Height : Bitmap->Height(); }

// ---- construction --------------------------------------------------------------------

TIEImageView::TIEImageView(TComponent* AOwner) : TIEView(AOwner) {
    ++FUpdateLockCount;  // nothing below runs the update pass
    FHasOwner = AOwner != nullptr;
    FLegacyBitmap = true;
    MakeOwnImage();
    FLayers.push_back(std::make_unique<TIELayer>(this, FIEBitmap, true));
    FLayers[0]->VisibleBox = false;
    FLayers[0]->Locked = true;
    FLayersCurrent = 0;
    FImageWidth = FIEBitmap->Width();
    FImageHeight = FIEBitmap->Height();
    FTransition = std::make_unique<TIETransitionEffects>(this);
    FTransition->OnTransitionStop = [this](TObject* Sender) {
        if (OnTransitionStop) OnTransitionStop(Sender);
    };
    FDrawDib = IEDrawDibOpen();
    FUserCursor = FCurrentCursor = crIEDefault;
    RegisterViewCursors();
    TControl::SetCursor(crIEDefault);
    SetBounds(Left(), Top(), 105, 105);
    SetDpi(DefaultDpiX, DefaultDpiY);
    FSelectionTimer = new TTimer(nullptr);
    FSelectionTimer->SetEnabled(false);
    FSelectionTimer->SetInterval(210);
    FSelectionTimer->OnTimer = [this](TObject*) { DrawSelection(true); };
    FBackBuffer = std::make_unique<TBitmap>();
    FBackBuffer->SetPixelFormat(pf24bit);
    FSelectionMask = std::make_unique<TIEMask>();
    FSelectionMask->AllocateBits(std::max(FImageWidth, 1), std::max(FImageHeight, 1), 1);
    FWallPaper = std::make_unique<TPicture>();
    --FUpdateLockCount;
    Update();
}

TIEImageView::~TIEImageView() {
    Destroying();
    SyncLayers();
    FTransition.reset();
    if (FNavigator) SetNavigator(nullptr);
    if (FNavigatorOf && FNavigatorOf->FNavigator == this) FNavigatorOf->FNavigator = nullptr;
    delete FIO;
    delete FProc;
    FIO = nullptr;
    FProc = nullptr;
    delete FSelectionTimer;
    IEDrawDibClose(FDrawDib);
    FLayers.clear();
    FBitmap = nullptr;
    FIEBitmap = nullptr;
}

void TIEImageView::MakeOwnImage() {
    auto* B = new TIEBitmap();
    if (FLegacyBitmap) {
        auto* W = new TBitmap();
        W->SetPixelFormat(pf24bit);
        W->SetSize(std::max(Width(), 1), std::max(Height(), 1));
        B->WrapTBitmap(W, /*Reread=*/true);
        B->EncapsulatesTBitmap = true;
        FBitmap = W;
    } else {
        FBitmap = nullptr;
    }
    FIEBitmap = B;
}

// ---- layer and current image -------------------------------------------------------

TBitmap* TIEImageView::Bitmap() {
    // A windowing bitmap the TIEBitmap made itself is replaced whenever the bitmap gets
    // new storage (Allocate, Assign): the pointer is read again, never kept.
    if (FIEBitmap && FIEBitmap->EncapsulatesTBitmap && !FIEBitmap->WndBitmapIsExternal())
        FBitmap = FIEBitmap->GetWndBitmap();
    return FBitmap;
}

void TIEImageView::SyncLayers() {
    if (FLayers.empty()) return;
    Bitmap();
    if (FBitmap && FIEBitmap && FIEBitmap->EncapsulatesTBitmap) {
        // The windowing bitmap may have been changed directly (size or format).
        bool Differs = FBitmap->Width() != FIEBitmap->Width() || FBitmap->Height() != FIEBitmap->Height() ||
                       (FBitmap->PixelFormat() == pf24bit) != (FIEBitmap->PixelFormat() == ieRGB24);
        if (Differs) FIEBitmap->WrapTBitmap(FBitmap, /*Reread=*/true);
    }
    FLayers[FLayersCurrent]->Bitmap = FIEBitmap;
    FImageWidth = FLayers[0]->Bitmap->Width();
    FImageHeight = FLayers[0]->Bitmap->Height();
}

void TIEImageView::SetCurrentLayer(int32_t Index) {
    if (Index < 0 || Index >= LayersCount() || Index == FLayersCurrent) return;
    FLayers[FLayersCurrent]->Bitmap = FIEBitmap;
    int32_t I = Index;
    while (I > 0 && !FLayers[I]->Selectable) --I;
    FLayersCurrent = I;
    FIEBitmap = FLayers[I]->Bitmap;
    FBitmap = FIEBitmap->EncapsulatesTBitmap ? FIEBitmap->GetWndBitmap() : nullptr;
    if (FSelectionMask->Width != FIEBitmap->Width() || FSelectionMask->Height != FIEBitmap->Height()) {
        Deselect();
        FSelectionMask->AllocateBits(std::max(FIEBitmap->Width(), 1), std::max(FIEBitmap->Height(), 1), 1);
    }
    CallBitmapChangeCallbacks();
    Update();
}

void TIEImageView::SetLegacyBitmap(bool Value) {
    if (Value == FLegacyBitmap) return;
    if (!Value) {
        FIEBitmap->EncapsulatesTBitmap = false;
        TBitmap* Old = FIEBitmap->WndBitmapIsExternal() ? FBitmap : nullptr;
        FIEBitmap->SetLocation(ieTempFile);
        // The windowing bitmap the view made is no longer used.
        if (Old && FLayers[FLayersCurrent]->OwnsBitmap) delete Old;
        FBitmap = nullptr;
    } else {
        FIEBitmap->SetLocation(ieTBitmap);
        FIEBitmap->EncapsulatesTBitmap = true;
        FBitmap = FIEBitmap->GetWndBitmap();
    }
    FLegacyBitmap = Value;
    CallBitmapChangeCallbacks();
    Update();
}

void TIEImageView::SetExternalBitmap(TIEBitmap* Source) {
    if (FLayers.empty()) return;
    TIELayer* L = FLayers[FLayersCurrent].get();
    if (!Source) {
        if (L->OwnsBitmap) return;  // the view shows its own image already
        // A new empty image of the view's own, so that the caller may free its bitmap.
        MakeOwnImage();
        FIEBitmap->Allocate(1, 1, ieRGB24);
        FIEBitmap->Fill(ColorToRGB(FBackground));
        L->Bitmap = FIEBitmap;
        L->OwnsBitmap = true;
    } else {
        if (Source == FIEBitmap) return;
        if (L->OwnsBitmap) {
            TBitmap* Wnd = FIEBitmap->EncapsulatesTBitmap && FIEBitmap->WndBitmapIsExternal() ? FBitmap : nullptr;
            delete FIEBitmap;
            delete Wnd;
        }
        L->Bitmap = Source;
        L->OwnsBitmap = false;
        FIEBitmap = Source;
        FBitmap = Source->EncapsulatesTBitmap ? Source->GetWndBitmap() : nullptr;
    }
    CallBitmapChangeCallbacks();
    Update();
}

TIEBitmap* TIEImageView::GetAlphaChannel() { return FIEBitmap->GetAlphaChannel(); }

bool TIEImageView::HasAlphaChannel() { return FIEBitmap->HasAlphaChannel(); }

void TIEImageView::RemoveAlphaChannel(bool Merge) {
    TIEBitmap* B = FIEBitmap;
    if (Merge && B->PixelFormat() == ieRGB24 && B->HasAlphaChannel()) {
        const int32_t Bg = ColorToRGB(FBackground);
        const int32_t BC[3] = {(Bg >> 16) & 0xFF, (Bg >> 8) & 0xFF, Bg & 0xFF};  // blue, green, red
        TIEBitmap* A = B->GetAlphaChannel();
        for (int32_t Y = 0; Y < B->Height(); ++Y) {
            uint8_t* P = B->Scanline(Y);
            const uint8_t* Al = A->Scanline(Y);
            for (int32_t X = 0; X < B->Width(); ++X, P += 3) {
                // An opaque pixel keeps its colour exactly; the others blend over the background.
                const int32_t Alpha = Al[X];
                if (Alpha == 255) continue;
                for (int C = 0; C < 3; ++C) {
                    const int32_t D = P[C] - BC[C];
                    P[C] = static_cast<uint8_t>(BC[C] + static_cast<int32_t>(std::floor(D * Alpha / 256.0)));
                }
            }
        }
    }
    B->RemoveAlphaChannel();
    Update();
}

bool TIEImageView::IsEmpty() { return FIEBitmap->Width() < 2 && FIEBitmap->Height() < 2; }

int32_t TIEImageView::FindLayerAt(int32_t X, int32_t Y) {
    for (int32_t I = LayersCount() - 1; I >= 0; --I) {
        TIELayer* L = FLayers[I].get();
        const TRect& R = L->ClientAreaBox;
        if (!L->Selectable || X < R.left || X > R.right || Y < R.top || Y > R.bottom) continue;
        if (!L->Bitmap->HasAlphaChannel() || FSelectionOptions.Contains(iesoSelectTranspLayers)) return I;
        const int32_t LX = std::clamp(XScr2Bmp(X), 0, L->Bitmap->Width() - 1);
        const int32_t LY = std::clamp(YScr2Bmp(Y), 0, L->Bitmap->Height() - 1);
        if (L->Bitmap->GetAlphaChannel()->Scanline(LY)[LX] != 0) return I;
    }
    return -1;
}

TIEGrip TIEImageView::GetLayerGrip(int32_t X, int32_t Y) {
    const TRect& R = FLayers[FLayersCurrent]->ClientAreaBox;
    const int32_t MX = (R.left + R.right) / 2, MY = (R.top + R.bottom) / 2;
    const POINT P[8] = {{R.left, R.top},    {R.right, R.top},  {R.right, R.bottom}, {R.left, R.bottom},
                        {R.left, MY},       {R.right, MY},     {MX, R.top},         {MX, R.bottom}};
    for (int I = 0; I < 8; ++I)
        if (std::abs(X - P[I].x) <= 4 && std::abs(Y - P[I].y) <= 4) return static_cast<TIEGrip>(I + 1);
    return ieNone;
}

void TIEImageView::DoLayerNotify(int32_t Layer, TIELayerEvent Event) {
    if (!OnLayerNotify) return;
    OnLayerNotify(this, Layer, Event);
}

// ---- components ----------------------------------------------------------------------

TIEImageIO* TIEImageView::IO() {
    if (!FIO) {
        auto IO = std::make_unique<TIEImageIO>(nullptr);
        IO->SetAttachedIEView(this);
        // The view reports the progress of its own loads and saves, as of its processing.
        IO->OnProgress = [this](TObject*, int Percent) {
            if (OnProgress) OnProgress(this, Percent);
        };
        FIO = IO.release();
    }
    return FIO;
}

TIEImageProc* TIEImageView::Proc() {
    if (!FProc) {
        auto P = std::make_unique<TIEImageProc>(nullptr);
        P->SetAttachedIEView(this);
        P->OnProgress = [this](TObject*, int Percent) {
            if (OnProgress) OnProgress(this, Percent);
        };
        FProc = P.release();
    }
    return FProc;
}

void TIEImageView::LoadFromFileIO(const std::string& FileName) {
    // The component updates the view and calls ImageChange after the load.
    IO()->LoadFromFile(FileName);
}

void TIEImageView::Notification(TComponent* AComponent, TOperation Operation) {
    TIEView::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FNavigator) FNavigator = nullptr;
}

// ---- image changes ---------------------------------------------------------------------

void TIEImageView::FillBackground() {
    FIEBitmap->Fill(ColorToRGB(FBackground));
    FIEBitmap->RemoveAlphaChannel();
    Update();
}

void TIEImageView::ClearImage() {
    if (FTransition) FTransition->Stop();
    FIEBitmap->Allocate(1, 1, ieRGB24);
    FillBackground();
}

void TIEImageView::Assign(TIEImageView* Source) {
    if (!Source) {
        FillBackground();
        return;
    }
    if (Source == this) return;
    FIEBitmap->Assign(Source->GetIEBitmap());
    FBackground = Source->Background();
    SetDpi(Source->DpiX(), Source->DpiY());
    Update();
    ImageChange();
}

void TIEImageView::Assign(TBitmap* Source) {
    if (!Source) {
        FillBackground();
        return;
    }
    FIEBitmap->CopyFromTBitmap(Source);
    if (FIEBitmap->PixelFormat() != ie1g && FIEBitmap->PixelFormat() != ieRGB24) FIEBitmap->ConvertTo(ieRGB24);
    Update();
    ImageChange();
}

void TIEImageView::SetBackground(TColor Value) {
    TIEView::SetBackground(Value);
    FNeedsRecompose = true;
    Update();
    ImageChange();
}

void TIEImageView::ImageChange() {
    if (OnImageChange) OnImageChange(this);
}

void TIEImageView::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TIEView::SetBounds(ALeft, ATop, AWidth, AHeight);
    const TComponentState S = ComponentState();
    if ((S.Contains(csLoading) || S.Contains(csReading) || S.Contains(csDesigning)) && FIEBitmap &&
        AWidth > 0 && AHeight > 0) {
        FIEBitmap->Allocate(AWidth, AHeight, ieRGB24);
        FillBackground();
    }
}

void TIEImageView::CreateParams(TCreateParams& Params) { TIEView::CreateParams(Params); }

// ---- layout ----------------------------------------------------------------------------

bool TIEImageView::HasParentWindow() { return Parent() != nullptr || ParentWindow != nullptr; }

int32_t TIEImageView::GetDrawWidth() { return HasParentWindow() ? ClientWidth() : 50; }

int32_t TIEImageView::GetDrawHeight() { return HasParentWindow() ? ClientHeight() : 50; }

double GetOptimalZoom(int32_t ImageW, int32_t ImageH, bool MayShrink, bool MayStretch, int32_t AvailW,
                      int32_t AvailH) {
    if (ImageW == 0 || ImageH == 0 || AvailW == 0 || AvailH == 0) return 100;
    std::feclearexcept(FE_ALL_EXCEPT);
    const double Fit = std::min(AvailW / (ImageW / 100.0), AvailH / (ImageH / 100.0));
    if (!std::isfinite(Fit) || std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW)) return 100;
    const bool LimitX = static_cast<double>(ImageW) / AvailW > static_cast<double>(ImageH) / AvailH;
    const bool Larger = LimitX ? ImageW > AvailW : ImageH > AvailH;
    if (Larger) return MayShrink ? Fit : 100;
    return MayStretch ? Fit : 100;
}

double TIEImageView::GetFitZoom() {
    int32_t FX = 0, FY = 0;
    if (FBackgroundStyle == iebsCropped) {
        FX = GetSystemMetrics(SM_CXEDGE);
        FY = GetSystemMetrics(SM_CYEDGE);
    } else if (FBackgroundStyle == iebsCropShadow) {
        FX = FY = 5;
    } else if (BorderStyle() == bsSingleBorder) {
        FX = GetSystemMetrics(Ctl3D() ? SM_CXEDGE : SM_CXBORDER);
        FY = GetSystemMetrics(Ctl3D() ? SM_CYEDGE : SM_CYBORDER);
    }
    if (FImageWidth <= 0 || FImageHeight <= 0) return 100;
    return std::min((Width() - 2 * FX) / (FImageWidth / 100.0), (Height() - 2 * FY) / (FImageHeight / 100.0));
}

void TIEImageView::Fit() {
    if (FImageWidth < 1 || FImageHeight < 1) return;
    HideHorzScrollBar();
    HideVertScrollBar();
    SetZoom(GetFitZoom());
}

void TIEImageView::Update() {
    if (FUpdateLockCount > 0) return;
    const TComponentState S = ComponentState();
    if (S.Contains(csDesigning) && !HasParentWindow()) return;
    if (S.Contains(csLoading) || S.Contains(csReading) || S.Contains(csWriting) || S.Contains(csDestroying)) return;
    FUpdatingNow = true;
    SyncLayers();
    if ((FAutoFit || AutoStretch || AutoShrink) && FImageWidth >= 1 && FImageHeight >= 1) {
        int32_t MX, MY;
        if (FBackgroundStyle == iebsCropped) {
            MX = GetSystemMetrics(SM_CXEDGE);
            MY = GetSystemMetrics(SM_CYEDGE);
        } else if (FBackgroundStyle == iebsCropShadow) {
            MX = MY = 5;
        } else {
            MX = (Width() - GetDrawWidth()) / 2;
            MY = (Height() - GetDrawHeight()) / 2;
        }
        if (FImageWidth >= 2 || FImageHeight >= 2)
            FZoomX = GetOptimalZoom(FImageWidth, FImageHeight, AutoShrink || FAutoFit, AutoStretch || FAutoFit,
                                    GetDrawWidth() - 2 * MX, GetDrawHeight() - 2 * MY);
        else
            FZoomX = 100;
        FZoomY = FZoomX;
        FZoomX = std::max(FZoomX, 1.0);
        FZoomY = std::max(FZoomY, 1.0);
        FZoomFactorX = FZoomX / 100;
        FZoomFactorY = FZoomY / 100;
        FInvZoomFactorX = 100 / FZoomX;
        FInvZoomFactorY = 100 / FZoomY;
        UpdateExtents();
        UpdateVisibleArea();
        UpdateZoomTables();
        ViewChange(1);
        FDelayZoomCounter = FDelayOutlineCounter = 0;
    }
    if (FImageWidth != FLastImageWidth || FImageHeight != FLastImageHeight) {
        FLastImageWidth = FImageWidth;
        FLastImageHeight = FImageHeight;
        if (FSelected) Deselect();
        FSelectionMask->AllocateBits(std::max(FImageWidth, 1), std::max(FImageHeight, 1), 1);
        if (FIEBitmap->HasAlphaChannel()) {
            TIEBitmap* A = FIEBitmap->GetAlphaChannel();
            if (A->Width() != FIEBitmap->Width() || A->Height() != FIEBitmap->Height()) {
                A->Allocate(FIEBitmap->Width(), FIEBitmap->Height(), ie8g);
                A->Fill(255);
                A->Full = true;
            }
        }
    }
    if (!S.Contains(csDesigning)) {
        const int32_t DW = GetDrawWidth(), DH = GetDrawHeight();
        GetMaxViewXY(FMaxX, FMaxY);
        if (FViewX > FMaxX || FViewY > FMaxY) {
            FViewX = std::min(FViewX, FMaxX);
            FViewY = std::min(FViewY, FMaxY);
            ViewChange(0);
        }
        if (HasParentWindow() && HandleAllocated()) {
            try {
                if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) SetupScrollBar(SB_HORZ);
                if (FScrollBars == ssVertical || FScrollBars == ssBoth) SetupScrollBar(SB_VERT);
            } catch (...) {
            }
            if ((DW != GetDrawWidth() || DH != GetDrawHeight()) && !FInsideNestedUpdate) {
                FInsideNestedUpdate = true;
                Update();
                FInsideNestedUpdate = false;
                FUpdatingNow = true;
            }
        }
        FLastDrawW = GetDrawWidth();
        FLastDrawH = GetDrawHeight();
    }
    UpdateExtents();
    FNeedsRecompose = true;
    FFullRepaint = true;
    if (HasParentWindow()) Invalidate();
    if (FNavigator) {
        FNavigator->Update();
        SyncNavigator();
    }
    FUpdatingNow = false;
}

void TIEImageView::UnlockUpdate() {
    if (FUpdateLockCount > 0) --FUpdateLockCount;
    if (FUpdateLockCount == 0) Update();
}

void TIEImageView::UnlockPaint() {
    if (FPaintLock > 0) --FPaintLock;
    if (FPaintLock == 0) Update();
}

void TIEImageView::UpdateExtents() {
    FExtentX = RoundI(FImageWidth * FZoomFactorX);
    FExtentY = RoundI(FImageHeight * FZoomFactorY);
    FOffsetX = FOffsetY = 0;
    if (ComponentState().Contains(csDesigning)) {
        FVisibleWidth = std::min(FExtentX, Width());
        FVisibleHeight = std::min(FExtentY, Height());
        return;
    }
    const int32_t DW = GetDrawWidth(), DH = GetDrawHeight();
    FVisibleWidth = std::min(FExtentX, DW);
    FVisibleHeight = std::min(FExtentY, DH);
    if (FCenter) {
        if (FVisibleWidth < DW) FOffsetX = (DW - FVisibleWidth) / 2;
        if (FVisibleHeight < DH) FOffsetY = (DH - FVisibleHeight) / 2;
    }
}

void TIEImageView::GetMaxViewXY(int32_t& MaxX, int32_t& MaxY) {
    const int32_t DW = GetDrawWidth(), DH = GetDrawHeight();
    int32_t W = TruncI(FImageWidth * FZoomFactorX);
    int32_t H = TruncI(FImageHeight * FZoomFactorY);
    if (FZoomX != FZoomY) {
        if (DW + 10 < W) W = TruncI((FImageWidth + 1) * FZoomFactorX);
        if (DH + 10 < H) H = TruncI((FImageHeight + 1) * FZoomFactorY);
    } else if (DW + 10 < W || DH + 10 < H) {
        W = TruncI((FImageWidth + 1) * FZoomFactorX);
        H = TruncI((FImageHeight + 1) * FZoomFactorY);
    }
    if (W < 1 || H < 1) {
        MaxX = MaxY = 0;
        return;
    }
    MaxX = std::max(W - DW, 0);
    MaxY = std::max(H - DH, 0);
    // A maximum whose position still shows image column (row) 0 scrolls nothing.
    if (MaxX > 0 && TruncI(MaxX * FInvZoomFactorX) == 0) MaxX = 0;
    if (MaxY > 0 && TruncI(MaxY * FInvZoomFactorY) == 0) MaxY = 0;
    if (W <= Width()) MaxX = 0;
    if (H <= Height()) MaxY = 0;
}

void TIEImageView::SetCenter(bool Value) {
    if (Value == FCenter) return;
    FCenter = Value;
    Update();
}

void TIEImageView::SetZoomFilter(TResampleFilter Value) {
    FSavedZoomFilter = Value;
    if (Value == FZoomFilter) return;
    FZoomFilter = Value;
    Update();
}

void TIEImageView::ViewChange(int32_t Change) {
    if (OnViewChange) OnViewChange(this, Change);
    if (FNavigator) SyncNavigator();
}

// ---- origin ------------------------------------------------------------------------------

void TIEImageView::StartDelayZoom(double OldZoomX, double OldZoomY) {
    if (DelayZoomFilter && FZoomFilter != rfNone && (OldZoomX != 100 || OldZoomY != 100))
        FDelayZoomCounter = FDelayZoomTicks;
    FDelayOutlineCounter = FDelayOutlineTicks;
    if (FSelectionTimer) FSelectionTimer->SetEnabled(true);
}

void TIEImageView::RepaintNow() {
    if (HasParentWindow() && HandleAllocated()) {
        Invalidate();
        TIEView::Update();  // paints now
    }
}

void TIEImageView::ScrollTo(int32_t X, int32_t Y) {
    if (X == FViewX && Y == FViewY) return;
    GetMaxViewXY(FMaxX, FMaxY);
    X = X > FMaxX ? FMaxX : std::max(X, 0);
    Y = Y > FMaxY ? FMaxY : std::max(Y, 0);
    if (X == FViewX && Y == FViewY) return;
    StartDelayZoom(FZoomX, FZoomY);
    FViewX = X;
    FViewY = Y;
    FNeedsRecompose = true;
    FFullRepaint = true;
    UpdateVisibleArea();
    UpdateZoomTables();
    RepaintNow();
    ViewChange(0);
    if (HandleAllocated()) {
        if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
            IESetScrollPos(Handle(), SB_HORZ, TruncI(FViewX / FScrollRatioX), TRUE, FFlatScrollBars);
        if (FScrollBars == ssVertical || FScrollBars == ssBoth)
            IESetScrollPos(Handle(), SB_VERT, TruncI(FViewY / FScrollRatioY), TRUE, FFlatScrollBars);
    }
}

void TIEImageView::SetViewX(int32_t X) { ScrollTo(X, FViewY); }

void TIEImageView::SetViewY(int32_t Y) { ScrollTo(FViewX, Y); }

// ---- zoom ------------------------------------------------------------------------------

void TIEImageView::ZoomXAboutCenter(double Value) { ZoomAxesAboutCenter(Value, /*AlongX=*/true, /*AlongY=*/false); }

void TIEImageView::ZoomYAboutCenter(double Value) { ZoomAxesAboutCenter(Value, /*AlongX=*/false, /*AlongY=*/true); }

void TIEImageView::ZoomAboutCenter(double Value) { ZoomAxesAboutCenter(Value, /*AlongX=*/true, /*AlongY=*/true); }

// The origin that keeps the image point under the client centre in place, limited by
// the maximum origin at the new zoom: limited by the old one, zooming in near the far
// edge would lose the centre point.
void TIEImageView::ZoomAxesAboutCenter(double Value, bool AlongX, bool AlongY) {
    const int32_t CX = GetDrawWidth() / 2, CY = GetDrawHeight() / 2;
    const int32_t BX = RoundI((CX + FViewX - FOffsetX) * FInvZoomFactorX);
    const int32_t BY = RoundI((CY + FViewY - FOffsetY) * FInvZoomFactorY);
    if (AlongX) {
        FZoomX = Value;
        FZoomFactorX = Value / 100;
        FInvZoomFactorX = 100 / Value;
    }
    if (AlongY) {
        FZoomY = Value;
        FZoomFactorY = Value / 100;
        FInvZoomFactorY = 100 / Value;
    }
    int32_t MaxX, MaxY;
    GetMaxViewXY(MaxX, MaxY);
    if (AlongX) FViewX = std::max(0, std::min(TruncI(BX * Value / 100 - CX), MaxX));
    if (AlongY) FViewY = std::max(0, std::min(TruncI(BY * Value / 100 - CY), MaxY));
}

void TIEImageView::SetZoom(double Value) {
    if (!(Value > 0) || (Value == FZoomX && Value == FZoomY)) return;
    StartDelayZoom(FZoomX, FZoomY);
    LockPaint();
    ZoomAboutCenter(Value);
    Update();
    UpdateVisibleArea();
    UpdateZoomTables();
    UnlockPaintNoUpdate();
    RepaintNow();
    ViewChange(1);
}

void TIEImageView::SetZoomX(double Value) {
    if (!(Value > 0) || Value == FZoomX) return;
    StartDelayZoom(FZoomX, 100);
    LockPaint();
    ZoomXAboutCenter(Value);
    Update();
    UpdateVisibleArea();
    UpdateZoomTables();
    UnlockPaintNoUpdate();
    RepaintNow();
    ViewChange(1);
}

void TIEImageView::SetZoomY(double Value) {
    if (!(Value > 0) || Value == FZoomY) return;
    StartDelayZoom(100, FZoomY);
    LockPaint();
    ZoomYAboutCenter(Value);
    Update();
    UpdateVisibleArea();
    UpdateZoomTables();
    UnlockPaintNoUpdate();
    RepaintNow();
    ViewChange(1);
}

void TIEImageView::ZoomAt(int32_t X, int32_t Y, double Value, bool Centre) {
    LockPaint();
    const int32_t BX = XScr2Bmp(X), BY = YScr2Bmp(Y);
    SetZoom(Value);
    const double F = Value / 100;
    int32_t NX, NY;
    if (Centre) {
        NX = TruncI(BX * F - GetDrawWidth() / 2);
        NY = TruncI(BY * F - GetDrawHeight() / 2);
    } else {
        NX = TruncI(BX * F - X + F);
        NY = TruncI(BY * F - Y + F);
    }
    ScrollTo(NX, NY);
    UnlockPaint();
    UpdateVisibleArea();
    UpdateZoomTables();
    ViewChange(1);
}

// ---- start-up -------------------------------------------------------------------------------

namespace {
// The cursor resources of the views, registered under 1778 onwards in this order.
const char* const CursorNames[] = {"ZOOMMENO", "ZOOMPIU", "CROCE",   "GOMMA",   "MANO",    "PENNA",   "CROCE1",
                                   "CROCE3",   "MOVE2",   "MOVEY",   "MOVE1",   "MOVEX",   "MOVE",    "CROCE3+",
                                   "CROCE3-",  "CROCE2",  "CROCE2+", "CROCE2-", "CROCE2-", "1795",    "1796",
                                   "1797",     "1798",    "1799",    "1800",    "1801",    "1802",    "1803",
                                   "1803",     "1805",    "1806",    "1807",    "1808"};
static_assert(sizeof(CursorNames) / sizeof(CursorNames[0]) == 33, "33 view cursors");

// Once per screen object: the cursors loaded stay for the process.
void RegisterViewCursors() {
    static TAppScreen* Done = nullptr;
    if (!Screen || Done == Screen) return;
    Done = Screen;
    for (int I = 0; I < 33; ++I)
        if (HCURSOR H = LoadCursorFromResource(CursorNames[I])) Screen->SetCursors(1778 + I, H);
}
}  // namespace

void IEViewsStartup() {
    DefaultDpiX = 300;
    DefaultDpiY = 300;
    HDC DC = GetDC(nullptr);
    ScreenDpiX = GetDeviceCaps(DC, LOGPIXELSX);
    ScreenDpiY = GetDeviceCaps(DC, LOGPIXELSY);
    IEScreenBitsPerPixel = GetDeviceCaps(DC, BITSPIXEL);
    ReleaseDC(/*hWnd=*/nullptr, DC);
    RegisterViewCursors();
}

void IEViewsShutdown() {}

// ---- class tables ------------------------------------------------------------------------------

namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;
}

TClassInfo& TIEView::StaticClassInfo() {
    static TClassInfo CI("TIEView", &TCustomControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        using S = TSetter<TIEView>;
        C.Define<TIEView>("Background", S([](TIEView& O, const TFormValue& V, TFormReader& R) {
                              O.SetBackground(ControlProps::ReadColor(R, V));
                          }));
        C.Define<TIEView>("BorderStyle", S([](TIEView& O, const TFormValue& V, TFormReader& R) {
                              O.SetBorderStyle(R.Enum<TBorderStyle>(V, {"bsNone", "bsSingle"}));
                          }));
        C.Define<TIEView>("OnMouseEnter", S([](TIEView& O, const TFormValue& V, TFormReader& R) {
                              O.OnMouseEnter = R.Method<TNotifyEvent>(V);
                          }));
        C.Define<TIEView>("OnMouseLeave", S([](TIEView& O, const TFormValue& V, TFormReader& R) {
                              O.OnMouseLeave = R.Method<TNotifyEvent>(V);
                          }));
    });
    return CI;
}

TClassInfo& TIEImageView::StaticClassInfo() {
    static TClassInfo CI(
        "TIEImageView", &TIEView::StaticClassInfo(), CreateComponentOf<TIEImageView>, [](TClassInfo& C) {
            using S = TSetter<TIEImageView>;
            auto Bool = [&C](const char* Name, void (*Set)(TIEImageView&, bool)) {
                C.Define<TIEImageView>(Name, S([Set](TIEImageView& O, const TFormValue& V, TFormReader& R) {
                                           Set(O, R.Bool(V));
                                       }));
            };
            Bool("AutoFit", [](TIEImageView& O, bool B) { O.SetAutoFit(B); });
            Bool("AutoStretch", [](TIEImageView& O, bool B) { O.AutoStretch = B; });
            Bool("AutoShrink", [](TIEImageView& O, bool B) { O.AutoShrink = B; });
            Bool("EnableAlphaChannel", [](TIEImageView& O, bool B) { O.SetEnableAlphaChannel(B); });
            Bool("Center", [](TIEImageView& O, bool B) { O.SetCenter(B); });
            Bool("DoubleBuffer", [](TIEImageView& O, bool B) { O.DoubleBuffer = B; });
            Bool("DelayZoomFilter", [](TIEImageView& O, bool B) { O.DelayZoomFilter = B; });
            Bool("DrawVersion", [](TIEImageView& O, bool B) { O.SetDrawVersion(B); });
            Bool("LegacyBitmap", [](TIEImageView& O, bool B) { O.SetLegacyBitmap(B); });
            Bool("FlatScrollBars", [](TIEImageView& O, bool B) { O.SetFlatScrollBars(B); });
            C.Define<TIEImageView>("BackgroundStyle", S([](TIEImageView& O, const TFormValue& V, TFormReader& R) {
                                       O.SetBackgroundStyle(R.Enum<TIEBackgroundStyle>(
                                           V, {"iebsSolid", "iebsHorizontal", "iebsVertical", "iebsFDiagonal",
                                               "iebsBDiagonal", "iebsCross", "iebsDiagCross", "iebsChessboard",
                                               "iebsDiagonals", "iebsCropped", "iebsCropShadow", "iebsGradient"}));
                                   }));
            C.Define<TIEImageView>("WallPaperStyle", S([](TIEImageView& O, const TFormValue& V, TFormReader& R) {
                                       O.SetWallPaperStyle(
                                           R.Enum<TIEWallPaperStyle>(V, {"iewoNormal", "iewoStretch", "iewoTile"}));
                                   }));
            C.Define<TIEImageView>("ScrollBars", S([](TIEImageView& O, const TFormValue& V, TFormReader& R) {
                                       O.SetScrollBars(R.Enum<TScrollStyle>(
                                           V, {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}));
                                   }));
            C.Define<TIEImageView>("MouseInteract", S([](TIEImageView& O, const TFormValue& V, TFormReader& R) {
                                       O.SetMouseInteract(R.Set<TIEMouseInteractItem>(
                                           V, {"miZoom", "miScroll", "miSelect", "miSelectPolygon",
                                               "miSelectCircle", "miSelectZoom", "miSelectMagicWand",
                                               "miSelectLasso", "miMoveLayers", "miResizeLayers"}));
                                   }));
            C.Define<TIEImageView>("SelectionOptions", S([](TIEImageView& O, const TFormValue& V, TFormReader& R) {
                                       O.SetSelectionOptions(R.Set<TIESelectionOption>(
                                           V, {"iesoAnimated", "iesoSizeable", "iesoMoveable", "iesoFilled",
                                               "iesoCutBorders", "iesoMarkOuter", "iesoCanScroll",
                                               "iesoSelectTranspLayers"}));
                                   }));
            C.Define<TIEImageView>("SelectionBase", S([](TIEImageView& O, const TFormValue& V, TFormReader& R) {
                                       O.SelectionBase =
                                           R.Enum<TIESelectionBase>(V, {"iesbClientArea", "iesbBitmap"});
                                   }));
            C.Define<TIEImageView>("ZoomFilter", S([](TIEImageView& O, const TFormValue& V, TFormReader& R) {
                                       O.SetZoomFilter(static_cast<TResampleFilter>(R.EnumIndex(
                                           V, {"rfNone", "rfTriangle", "rfHermite", "rfBell", "rfBSpline",
                                               "rfLanczos3", "rfMitchell", "rfNearest", "rfLinear",
                                               "rfFastLinear", "rfBilinear", "rfBicubic", "rfProjectBW",
                                               "rfProjectWB"})));
                                   }));
            // A form file's version of the library is accepted and ignored.
            C.Define<TIEImageView>("IELibVersion", S([](TIEImageView&, const TFormValue&, TFormReader&) {}));
            C.Define<TIEImageView>("Cursor", S([](TIEImageView& O, const TFormValue& V, TFormReader& R) {
                                       O.SetCursor(static_cast<TCursor>(ControlProps::ReadCursor(R, V)));
                                   }));
            auto Event = [&C](const char* Name, TNotifyEvent TIEImageView::*Field) {
                C.Define<TIEImageView>(Name, S([Field](TIEImageView& O, const TFormValue& V, TFormReader& R) {
                                           O.*Field = R.Method<TNotifyEvent>(V);
                                       }));
            };
            Event("OnImageChange", &TIEImageView::OnImageChange);
            Event("OnPaint", &TIEImageView::OnPaint);
            Event("OnSelectionChange", &TIEImageView::OnSelectionChange);
            Event("OnSelectionChanging", &TIEImageView::OnSelectionChanging);
            Event("OnFinishWork", &TIEImageView::OnFinishWork);
            C.Define<TIEImageView>("OnViewChange", S([](TIEImageView& O, const TFormValue& V, TFormReader& R) {
                                       O.OnViewChange = R.Method<TViewChangeEvent>(V);
                                   }));
            C.Define<TIEImageView>("OnProgress", S([](TIEImageView& O, const TFormValue& V, TFormReader& R) {
                                       O.OnProgress = R.Method<TIEViewProgressEvent>(V);
                                   }));
        });
    return CI;
}

void RegisterImageViews() {
    RegisterClasses({&TIEImageView::StaticClassInfo()});
    IEPreviewsDialog = IEShowPreviewsDialog;
}
