#include "imaging/views/ieimageview.h"

#include <algorithm>
#include <cmath>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/processing/imageproc.h"
#include "imaging/processing/transitions.h"
#include "imaging/views/iemultiview.h"
#include "platform/classlib/formload.h"

// DefaultDpiX and DefaultDpiY are defined beside the I/O parameters record,
// which reads them; the views' start-up sets them.
int32_t ScreenDpiX = 0, ScreenDpiY = 0;

void IEViewsStartup() {
    DefaultDpiX = 300;
    DefaultDpiY = 300;
    HDC DC = GetDC(nullptr);
    ScreenDpiX = GetDeviceCaps(DC, LOGPIXELSX);
    ScreenDpiY = GetDeviceCaps(DC, LOGPIXELSY);
    ReleaseDC(nullptr, DC);
}

void IEViewsShutdown() {}

// ---- TIEView -------------------------------------------------------------------------

TIEView::TIEView(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csCustomPaint, csOpaque};
    FDpiX = DefaultDpiX;
    FDpiY = DefaultDpiY;
}

TIEView::~TIEView() {
    CallBitmapChangeEvents(true);
    ReleaseWindowCanvas();
}

void TIEView::ReleaseWindowCanvas() {
    if (FWindowCanvas) FWindowCanvas->SetHandle(nullptr);
    if (FWindowDC) ReleaseDC(FWindowDCOwner, FWindowDC);
    FWindowDC = nullptr;
    FWindowDCOwner = nullptr;
}

TCanvas* TIEView::ViewCanvas() {
    if (Canvas().HandleAllocated()) return &Canvas();
    ReleaseWindowCanvas();
    if (!HandleAllocated()) return nullptr;
    FWindowDCOwner = Handle();
    FWindowDC = GetDC(FWindowDCOwner);
    if (!FWindowDC) return nullptr;
    if (!FWindowCanvas) FWindowCanvas = std::make_unique<TCanvas>();
    FWindowCanvas->SetHandle(FWindowDC);
    return FWindowCanvas.get();
}

int32_t TIEView::AddBitmapChangeCallback(TIEBitmapChangeEvent Callback, TObject* Owner) {
    int32_t H = FNextHandle++;
    FCallbacks[H] = TCallback{std::move(Callback), Owner};
    return H;
}

void TIEView::RemoveBitmapChangeCallback(int32_t Handle) {
    if (Handle < 0) return;
    FCallbacks.erase(Handle);
}

void TIEView::CallBitmapChangeEvents(bool Destroying) {
    // A callback may remove itself: walk a copy.
    auto Copy = FCallbacks;
    for (auto& [H, C] : Copy)
        if (C.Event) C.Event(Destroying);
}

void TIEView::SetDpi(int32_t DpiX, int32_t DpiY) {
    SetDpiX(DpiX);
    SetDpiY(DpiY);
}

void TIEView::SetDpiX(int32_t Value) {
    if (Value != 0) FDpiX = Value;
}

void TIEView::SetDpiY(int32_t Value) {
    if (Value != 0) FDpiY = Value;
}

void TIEView::ImageChange() {}

bool TIEView::IsThumbnailView() const { return dynamic_cast<const TIEMultiView*>(this) != nullptr; }

void TIEView::UnlockPaint() {
    if (FPaintLock > 0) --FPaintLock;
    if (FPaintLock == 0) Invalidate();
}

void TIEView::DrawBackgroundTo(TCanvas* C) {
    C->Brush().SetStyle(bsSolid);
    C->Brush().SetColor(FBackground);
    C->FillRect(TRect(0, 0, ClientWidth(), ClientHeight()));
}

void TIEView::SetBackground(TColor Value) {
    FBackground = Value;
    Invalidate();
}

void TIEView::WndProc(TMessage& M) {
    switch (M.Msg) {
        case IEM_UPDATE:
            // From an I/O worker, with the loaded image's resolution (0: unchanged).
            if (M.WParam != 0 || M.LParam != 0)
                SetDpi(M.WParam != 0 ? static_cast<int32_t>(M.WParam) : DpiX(),
                       M.LParam != 0 ? static_cast<int32_t>(M.LParam) : DpiY());
            ImageChange();
            Invalidate();
            return;
        case IEM_PROGRESS:
            if (OnProgress) OnProgress(this, static_cast<int32_t>(M.WParam));
            return;
        case IEM_FINWORK:
            if (OnFinishWork) OnFinishWork(this);
            return;
        case WM_ERASEBKGND:
            M.Result = 1;  // Paint covers the whole client area
            return;
        default: break;
    }
    TCustomControl::WndProc(M);
}

// ---- TIEImageView ---------------------------------------------------------------------

TIEImageView::TIEImageView(TComponent* AOwner)
    : TIEView(AOwner), FOwnBitmap(std::make_unique<TIEBitmap>()), FWndBitmap(std::make_unique<TBitmap>()) {
    FBitmap = FOwnBitmap.get();
    FOwnBitmap->Allocate(1, 1, ieRGB24);
    FOwnBitmap->Fill(ColorToRGB(FBackground));
    FTransition = std::make_unique<TIETransitionEffects>(this);
    FTransition->OnTransitionStop = [this](TObject* Sender) {
        if (OnTransitionStop) OnTransitionStop(Sender);
    };
    SetBounds(0, 0, 100, 100);
}

TIEImageView::~TIEImageView() {
    FTransition.reset();
    delete FProc;
    delete FIO;
}

TBitmap* TIEImageView::GetBitmap() { return FBitmap ? FBitmap->GetWndBitmap() : nullptr; }

TIEBitmap* TIEImageView::GetIEBitmap() { return FBitmap; }

TIEImageIO* TIEImageView::IO() {
    if (!FIO) {
        auto IO = std::make_unique<TIEImageIO>(nullptr);
        IO->SetAttachedIEView(this);
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
    // The component repaints the view and calls ImageChange after the load.
    IO()->LoadFromFile(FileName);
}

void TIEImageView::SetExternalBitmap(TIEBitmap* Bitmap) {
    FBitmap = Bitmap ? Bitmap : FOwnBitmap.get();
    CallBitmapChangeEvents(false);  // an attached component follows
    ImageChange();
}

void TIEImageView::ClearImage() {
    FTransition->Stop();
    FBitmap->Allocate(1, 1, ieRGB24);
    FBitmap->Fill(ColorToRGB(FBackground));
    ImageChange();
}

void TIEImageView::Assign(TIEImageView* Source) {
    if (!Source || Source == this) return;
    FBitmap->Assign(Source->GetIEBitmap());
    ImageChange();
}

void TIEImageView::SetAutoFit(bool Value) {
    FAutoFit = Value;
    if (Value) DoAutoFit();
    Invalidate();
}

void TIEImageView::DoAutoFit() {
    if (!FBitmap || FBitmap->Width() <= 0 || FBitmap->Height() <= 0) return;
    TRect R = ClientRect();
    double Fits = std::min(100.0 * R.Width() / FBitmap->Width(), 100.0 * R.Height() / FBitmap->Height());
    double Z = 100;
    if (Fits < 100 && AutoShrink) Z = Fits;
    if (Fits > 100 && AutoStretch) Z = Fits;
    if (Z != FZoom || FViewX != 0 || FViewY != 0) {
        FZoom = Z;
        FViewX = 0;
        FViewY = 0;
        if (OnViewChange) OnViewChange(this, 0);
    }
}

void TIEImageView::Fit() {
    if (!FBitmap || FBitmap->Width() <= 0 || FBitmap->Height() <= 0) return;
    TRect R = ClientRect();
    SetZoom(std::min(100.0 * R.Width() / FBitmap->Width(), 100.0 * R.Height() / FBitmap->Height()));
    ScrollTo(0, 0);
}

void TIEImageView::SetZoom(double Percent) {
    if (Percent <= 0 || Percent == FZoom) return;
    FZoom = Percent;
    if (OnViewChange) OnViewChange(this, 0);
    Invalidate();
}

void TIEImageView::ScrollTo(int32_t X, int32_t Y) {
    // The origin stays within the zoomed image's part that does not fit.
    TRect R = ClientRect();
    int32_t ZW = static_cast<int32_t>(std::lround(FBitmap->Width() * FZoom / 100));
    int32_t ZH = static_cast<int32_t>(std::lround(FBitmap->Height() * FZoom / 100));
    X = std::clamp(X, 0, std::max(0, ZW - static_cast<int32_t>(R.Width())));
    Y = std::clamp(Y, 0, std::max(0, ZH - static_cast<int32_t>(R.Height())));
    if (X == FViewX && Y == FViewY) return;
    FViewX = X;
    FViewY = Y;
    if (OnViewChange) OnViewChange(this, 1);
    Invalidate();
}

void TIEImageView::SetChessboardStyle(int32_t Size, TBrushStyle Style) {
    if (Size > 0) FChessSize = Size;
    FChessStyle = Style;
    Invalidate();
}

void TIEImageView::ImageChange() {
    if (FAutoFit) DoAutoFit();
    Invalidate();
    if (OnImageChange) OnImageChange(this);
}

void TIEImageView::Resize() {
    TIEView::Resize();
    if (FTransition) FTransition->Stop();
    if (FAutoFit) DoAutoFit();
}

void TIEImageView::CreateParams(TCreateParams& Params) {
    TIEView::CreateParams(Params);
    if (BorderStyle == bsSingleBorder) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TIEImageView::DrawBackgroundTo(TCanvas* C) {
    TRect R = ClientRect();
    TCanvas& B = *C;
    B.Brush().SetStyle(bsSolid);
    B.Brush().SetColor(FBackground);
    B.FillRect(TRect(0, 0, R.Width(), R.Height()));
    if (BackgroundStyle == iebsChessboard) {
        // Every other square in a darker grey, drawn with the chessboard's brush style.
        int32_t S = FChessSize;
        B.Brush().SetColor(0xC0C0C0);
        B.Brush().SetStyle(FChessStyle == bsClear ? bsSolid : FChessStyle);
        for (int32_t Y = 0; Y < R.Height(); Y += S)
            for (int32_t X = ((Y / S) % 2) * S; X < R.Width(); X += 2 * S)
                B.FillRect(TRect(X, Y, std::min<int32_t>(X + S, R.Width()), std::min<int32_t>(Y + S, R.Height())));
        B.Brush().SetStyle(bsSolid);
    }
}

TRect TIEImageView::ImageRect() {
    TRect R = ClientRect();
    int32_t ZW = static_cast<int32_t>(std::lround(FBitmap->Width() * FZoom / 100));
    int32_t ZH = static_cast<int32_t>(std::lround(FBitmap->Height() * FZoom / 100));
    // Smaller than the client area: centred; larger: from the view origin.
    int32_t X = ZW < R.Width() ? (R.Width() - ZW) / 2 : -FViewX;
    int32_t Y = ZH < R.Height() ? (R.Height() - ZH) / 2 : -FViewY;
    return TRect(X, Y, X + ZW, Y + ZH);
}

void TIEImageView::Paint() {
    if (FPaintLock > 0) return;
    TRect R = ClientRect();
    if (R.Width() <= 0 || R.Height() <= 0) return;
    if (FWndBitmap->Width() != R.Width() || FWndBitmap->Height() != R.Height() ||
        FWndBitmap->PixelFormat() != pf24bit) {
        FWndBitmap = std::make_unique<TBitmap>(R.Width(), R.Height(), pf24bit);
    }
    DrawBackgroundTo(&FWndBitmap->Canvas());
    if (FBitmap && FBitmap->Width() > 0 && FBitmap->Height() > 0) {
        TRect I = ImageRect();
        RECT Clip{0, 0, R.Width(), R.Height()};
        FBitmap->RenderToTBitmapEx(FWndBitmap.get(), nullptr, &Clip, I.left, I.top, I.Width(), I.Height(), 0, 0,
                                   FBitmap->Width(), FBitmap->Height(), EnableAlphaChannel && FBitmap->HasAlphaChannel(),
                                   false, 255, FZoom < 100 ? rfFastLinear : rfNone, ieBlendNormal);
    }
    Canvas().Draw(0, 0, *FWndBitmap);
    if (OnPaint) OnPaint(this);
}

// ---- Class tables ------------------------------------------------------------------------

namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;
}

TClassInfo& TIEView::StaticClassInfo() {
    static TClassInfo CI("TIEView", &TCustomControl::StaticClassInfo(), nullptr, [](TClassInfo& C) {
        C.Define<TIEView>("Background", TSetter<TIEView>([](TIEView& O, const TFormValue& V, TFormReader& R) {
                              O.SetBackground(ControlProps::ReadColor(R, V));
                          }));
    });
    return CI;
}

TClassInfo& TIEImageView::StaticClassInfo() {
    static TClassInfo CI("TIEImageView", &TIEView::StaticClassInfo(), CreateComponentOf<TIEImageView>,
                         [](TClassInfo& C) {
                             using S = TSetter<TIEImageView>;
                             C.Define<TIEImageView>("AutoFit", S([](TIEImageView& O, const TFormValue& V,
                                                                    TFormReader& R) { O.SetAutoFit(R.Bool(V)); }));
                             C.Define<TIEImageView>("AutoStretch", S([](TIEImageView& O, const TFormValue& V,
                                                                        TFormReader& R) { O.AutoStretch = R.Bool(V); }));
                             C.Define<TIEImageView>("AutoShrink", S([](TIEImageView& O, const TFormValue& V,
                                                                       TFormReader& R) { O.AutoShrink = R.Bool(V); }));
                             C.Define<TIEImageView>("EnableAlphaChannel",
                                                    S([](TIEImageView& O, const TFormValue& V, TFormReader& R) {
                                                        O.EnableAlphaChannel = R.Bool(V);
                                                    }));
                             C.Define<TIEImageView>("BackgroundStyle", S([](TIEImageView& O, const TFormValue& V,
                                                                            TFormReader& R) {
                                                        O.BackgroundStyle = R.Enum<TIEBackgroundStyle>(
                                                            V, {"iebsSolid", "iebsHorizontal", "iebsVertical",
                                                                "iebsFDiagonal", "iebsBDiagonal", "iebsCross",
                                                                "iebsDiagCross", "iebsChessboard"});
                                                    }));
                             C.Define<TIEImageView>("BorderStyle", S([](TIEImageView& O, const TFormValue& V,
                                                                        TFormReader& R) {
                                                        O.BorderStyle =
                                                            R.Enum<TBorderStyle>(V, {"bsNone", "bsSingle"});
                                                    }));
                             C.Define<TIEImageView>("OnImageChange", S([](TIEImageView& O, const TFormValue& V,
                                                                          TFormReader& R) {
                                                        O.OnImageChange = R.Method<TNotifyEvent>(V);
                                                    }));
                         });
    return CI;
}

void RegisterImageViews() { RegisterClasses({&TIEImageView::StaticClassInfo()}); }
