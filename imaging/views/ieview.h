// TIEView, the base of the image views: background colour, border, resolution,
// mouse enter and leave, and the bitmap-change callbacks through which attached
// components (I/O, processing) follow the view's bitmap objects. Also the
// library's resolution globals and the messages a view answers.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "imaging/bitmaps/ieattachedview.h"
#include "imaging/bitmaps/iedefs.h"
#include "platform/classlib/controls.h"
#include "platform/classlib/extctrls.h"

class TIEBitmap;

// The library's default resolution (300 dpi) and the screen's, set by IEViewsStartup.
extern int32_t DefaultDpiX, DefaultDpiY;
extern int32_t ScreenDpiX, ScreenDpiY;
void IEViewsStartup();
void IEViewsShutdown();

// Messages a view answers: update, video frame and event, progress (WParam percent),
// finished work.
constexpr UINT IEM_UPDATE = 8024, IEM_NEWFRAME = 8025, IEM_EVENT = 8026, IEM_PROGRESS = 8027, IEM_FINWORK = 8028;

using TIEBitmapChangeEvent = std::function<void(bool Destroying)>;
using TViewChangeEvent = std::function<void(TObject* Sender, int32_t Change)>;
using TIEViewProgressEvent = std::function<void(TObject* Sender, int32_t Percent)>;

class TIEView : public TCustomControl, public TIEAttachedView {
    TESSARO_CLASSINFO
public:
    explicit TIEView(TComponent* AOwner);
    ~TIEView() override;

    // Handles count up from 0 and are never reused, so a stale handle removes nothing.
    int32_t AddBitmapChangeCallback(TIEBitmapChangeEvent Callback, TObject* Owner) override;
    // Removing -1, a removed handle or one of another view is harmless.
    void RemoveBitmapChangeCallback(int32_t Handle) override;
    // Tells the registered components that the bitmap objects changed. A callback
    // removed during the pass is not called; one added during it waits for the next.
    void CallBitmapChangeCallbacks();

    TBitmap* GetBitmap() override { return nullptr; }
    TIEBitmap* GetIEBitmap() override { return nullptr; }
    virtual TIEBitmap* GetAlphaChannel() { return nullptr; }
    virtual bool HasAlphaChannel() { return false; }
    virtual void RemoveAlphaChannel(bool Merge) { (void)Merge; }

    void SetDpi(int32_t DpiX, int32_t DpiY) override;
    // 0 leaves the stored value.
    virtual void SetDpiX(int32_t Value);
    virtual void SetDpiY(int32_t Value);
    int32_t DpiX() const override { return FDpiX; }
    int32_t DpiY() const override { return FDpiY; }
    void ImageChange() override {}

    void LockPaint() override { ++FPaintLock; }
    // Releases one lock; at 0 the view updates.
    virtual void UnlockPaint();
    void UnlockPaintNoUpdate() override {
        if (FPaintLock > 0) --FPaintLock;
    }
    int PaintLockCount() const override { return FPaintLock; }

    TColor Background() const override { return FBackground; }
    void SetBackground(TColor Value) override;
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);

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
    TCanvas& GetCanvas() { return Canvas(); }
    int32_t ViewClientWidth() override { return ClientWidth(); }
    int32_t ViewClientHeight() override { return ClientHeight(); }
    // The background colour over the whole client size.
    void DrawBackgroundTo(TCanvas* Canvas) override;

    TNotifyEvent OnMouseEnter, OnMouseLeave;
    TIEViewProgressEvent OnProgress;
    TNotifyEvent OnFinishWork;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    // Switches the window's scroll bars to flat ones or back; flat bars start
    // hidden until the next layout shows what is needed.
    void SwitchFlatScrollBars(bool Flat);
    // The update a posted 8024 asks for.
    virtual void UpdateFromMessage() { Invalidate(); }
    int FPaintLock = 0;
    TColor FBackground = static_cast<TColor>(0xFF00000F);

private:
    struct TCallback {
        TIEBitmapChangeEvent Event;
        TObject* Owner;
    };
    std::map<int32_t, TCallback> FCallbacks;
    int32_t FNextHandle = 0;
    int32_t FDpiX = 0, FDpiY = 0;
    TBorderStyle FBorderStyle = bsSingleBorder;
    std::unique_ptr<TCanvas> FWindowCanvas;
    HDC FWindowDC = nullptr;
    HWND FWindowDCOwner = nullptr;
    void ReleaseWindowCanvas();
};
