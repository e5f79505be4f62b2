// The image views: the base class TIEView and the single-image view
// TIEImageView (zoom, fit, scrolling origin, chessboard background, alpha),
// with the library's resolution globals and the view messages.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "imaging/bitmaps/iedefs.h"
#include "imaging/io/ieimageio.h"
#include "platform/classlib/controls.h"
#include "platform/classlib/extctrls.h"

class TIEBitmap;
class TIEImageIO;
class TIEImageProc;
class TIETransitionEffects;

// The library's default resolution (300 dpi) and the screen's, set by IEViewsStartup.
extern int32_t DefaultDpiX, DefaultDpiY;
extern int32_t ScreenDpiX, ScreenDpiY;
void IEViewsStartup();
void IEViewsShutdown();

// Messages a view answers: repaint, progress (WParam percent), finished work.
constexpr UINT IEM_UPDATE = 8024, IEM_PROGRESS = 8027, IEM_FINWORK = 8028;

using TIEBitmapChangeEvent = std::function<void(bool Destroying)>;
using TViewChangeEvent = std::function<void(TObject* Sender, int32_t Change)>;
using TIEViewProgressEvent = std::function<void(TObject* Sender, int32_t Percent)>;

// A view is what the library's components attach to (TIEImageIO, TIEImageProc) and
// what a transition player draws on.
class TIEView : public TCustomControl, public TIEAttachedView {
    TESSARO_CLASSINFO
public:
    explicit TIEView(TComponent* AOwner);
    ~TIEView() override;

    int32_t AddBitmapChangeCallback(TIEBitmapChangeEvent Callback, TObject* Owner) override;
    void RemoveBitmapChangeCallback(int32_t Handle) override;
    TBitmap* GetBitmap() override { return nullptr; }
    TIEBitmap* GetIEBitmap() override { return nullptr; }
    void SetDpi(int32_t DpiX, int32_t DpiY) override;
    void SetDpiX(int32_t Value);
    void SetDpiY(int32_t Value);
    int32_t DpiX() const override { return FDpiX; }
    int32_t DpiY() const override { return FDpiY; }
    void ImageChange() override;
    void LockPaint() override { ++FPaintLock; }
    void UnlockPaint();
    void UnlockPaintNoUpdate() override {
        if (FPaintLock > 0) --FPaintLock;
    }
    int PaintLockCount() const override { return FPaintLock; }
    TColor Background() const override { return FBackground; }
    void SetBackground(TColor Value) override;
    bool IsThumbnailView() const override;
    void Update() override { TCustomControl::Update(); }
    HWND IOWindow() override { return Parent() && HandleAllocated() ? Handle() : nullptr; }
    TComponent* ViewComponent() override { return this; }
    bool IsSingleImageView() const override { return false; }
    // A view without a selection of its own.
    bool Selected() override { return false; }
    TIEMask* SelectionMask() override { return nullptr; }
    const POINT* SelectionPolygon(int32_t& Count) override {
        Count = 0;
        return nullptr;
    }
    void SaveSelectionToStream(TStream*) override {}
    bool LoadSelectionFromStream(TStream*) override { return false; }
    // Inside Paint the paint canvas; otherwise a canvas on the window's own DC (null
    // without a window), valid until the next call.
    TCanvas* ViewCanvas() override;
    int32_t ViewClientWidth() override { return ClientWidth(); }
    int32_t ViewClientHeight() override { return ClientHeight(); }
    // The background colour over the whole client size.
    void DrawBackgroundTo(TCanvas* Canvas) override;

    TIEViewProgressEvent OnProgress;
    TNotifyEvent OnFinishWork;
    void WndProc(TMessage& Message) override;

protected:
    // Tells the registered callbacks that the bitmap objects changed.
    void CallBitmapChangeEvents(bool Destroying);
    int FPaintLock = 0;
    TColor FBackground = clBtnFace;

private:
    struct TCallback {
        TIEBitmapChangeEvent Event;
        TObject* Owner;
    };
    std::map<int32_t, TCallback> FCallbacks;
    int32_t FNextHandle = 0;
    int32_t FDpiX = 0, FDpiY = 0;
    std::unique_ptr<TCanvas> FWindowCanvas;
    HDC FWindowDC = nullptr;
    HWND FWindowDCOwner = nullptr;
    void ReleaseWindowCanvas();
};

enum TIEBackgroundStyle { iebsSolid, iebsHorizontal, iebsVertical, iebsFDiagonal, iebsBDiagonal, iebsCross,
                          iebsDiagCross, iebsChessboard };

class TIEImageView : public TIEView {
    TESSARO_CLASSINFO
public:
    explicit TIEImageView(TComponent* AOwner);
    ~TIEImageView() override;

    TBitmap* GetBitmap() override;
    TIEBitmap* GetIEBitmap() override;
    TIEBitmap* IEBitmap() { return GetIEBitmap(); }
    // The view's own I/O component, made on first use and bound to its image.
    TIEImageIO* IO();
    // The view's own processing component, made on first use and bound to its image.
    TIEImageProc* Proc();
    // The view's transition player; stopped when the view is resized or cleared.
    TIETransitionEffects& Transition() { return *FTransition; }
    // Fired when a transition ends, with the view as sender.
    TNotifyEvent OnTransitionStop;
    // Loads a file through IO into the view's image and shows it.
    void LoadFromFileIO(const std::string& FileName);

    void SetExternalBitmap(TIEBitmap* Bitmap);
    void ClearImage();
    void Assign(TIEImageView* Source);
    void Fit();
    double Zoom() const { return FZoom; }
    void SetZoom(double Percent);
    int32_t ViewX() const { return FViewX; }
    int32_t ViewY() const { return FViewY; }
    void ScrollTo(int32_t X, int32_t Y);
    void SetChessboardStyle(int32_t Size, TBrushStyle Style);
    int32_t ChessboardSize() const { return FChessSize; }
    void Paint() override;
    void ImageChange() override;
    bool IsSingleImageView() const override { return true; }
    // The background style (colour, chessboard) over the whole client size.
    void DrawBackgroundTo(TCanvas* Canvas) override;
    // Where the image is drawn in the client area at the current zoom and origin.
    TRect ImageRect();

    bool AutoFit() const { return FAutoFit; }
    void SetAutoFit(bool Value);
    bool AutoStretch = false;  // with AutoFit: small images grow to fit too
    bool AutoShrink = true;    // with AutoFit: large images shrink to fit
    bool EnableAlphaChannel = false;
    TIEBackgroundStyle BackgroundStyle = iebsSolid;
    TBorderStyle BorderStyle = bsSingleBorder;
    TViewChangeEvent OnViewChange;
    TNotifyEvent OnImageChange;

protected:
    void Resize() override;
    void CreateParams(TCreateParams& Params) override;

private:
    void DoAutoFit();
    std::unique_ptr<TIEBitmap> FOwnBitmap;
    TIEBitmap* FBitmap = nullptr;  // shown: the own one or an external one
    TIEImageIO* FIO = nullptr;     // owned, attached to this view
    TIEImageProc* FProc = nullptr; // owned, attached to this view
    std::unique_ptr<TBitmap> FWndBitmap;
    double FZoom = 100;
    int32_t FViewX = 0, FViewY = 0;
    int32_t FChessSize = 16;
    TBrushStyle FChessStyle = bsSolid;
    bool FAutoFit = false;
    std::unique_ptr<TIETransitionEffects> FTransition;
};

void RegisterImageViews();
