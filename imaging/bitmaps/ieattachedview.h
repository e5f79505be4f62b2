// What the components of the image library (I/O, processing, the transition
// player) need of the image view they work on. The views implement it, so the
// components stay below them.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/classlib/graphics.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/windef.h"

class TIEBitmap;
class TIEMask;
class TComponent;

class TIEAttachedView {
public:
    virtual ~TIEAttachedView() = default;
    virtual TBitmap* GetBitmap() = 0;
    virtual TIEBitmap* GetIEBitmap() = 0;
    // The callback hears of new bitmap objects, and of the view's end (Destroying).
    virtual int32_t AddBitmapChangeCallback(std::function<void(bool Destroying)> Callback, TObject* Owner) = 0;
    virtual void RemoveBitmapChangeCallback(int32_t Handle) = 0;
    virtual int32_t DpiX() const = 0;
    virtual int32_t DpiY() const = 0;
    virtual void SetDpi(int32_t DpiX, int32_t DpiY) = 0;
    virtual TColor Background() const = 0;
    virtual void SetBackground(TColor Value) = 0;
    virtual bool IsThumbnailView() const = 0;
    // Repaints now; GUI thread only.
    virtual void Update() = 0;
    virtual void ImageChange() = 0;
    // The window that takes the messages of I/O workers; null without a parent window.
    virtual HWND IOWindow() = 0;

    // The view as a component: removal notifications, and the owner of a player's timer.
    virtual TComponent* ViewComponent() = 0;
    // True for the single-image view, which alone has a selection and a background painter.
    virtual bool IsSingleImageView() const = 0;
    // The selection: a mask of the image's size and the polygon it was made from.
    virtual bool Selected() = 0;
    virtual TIEMask* SelectionMask() = 0;
    virtual const POINT* SelectionPolygon(int32_t& Count) = 0;
    virtual void SaveSelectionToStream(TStream* Stream) = 0;
    virtual bool LoadSelectionFromStream(TStream* Stream) = 0;
    // Drawing straight onto the view.
    virtual TCanvas* ViewCanvas() = 0;
    virtual int32_t ViewClientWidth() = 0;
    virtual int32_t ViewClientHeight() = 0;
    virtual void LockPaint() = 0;
    // Releases one paint lock without repainting.
    virtual void UnlockPaintNoUpdate() = 0;
    virtual int PaintLockCount() const = 0;
    // Paints the view's background over its whole client size onto another canvas.
    virtual void DrawBackgroundTo(TCanvas* Canvas) = 0;
};
