// The animated GIF control: shows a GIF graphic and, while Animate is set,
// steps through its frames at their own delays, composing each frame over the
// ones before as their disposal says.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "controls/extra/ag_gif.h"
#include "controls/extra/ag_timer.h"
#include "platform/classlib/controls.h"

// A graphic control with a paint lock, painted through DrawImage.
class TAgImageControl : public TGraphicControl {
public:
    explicit TAgImageControl(TComponent* AOwner);

    void Lock() { PaintLock.lock(); }
    void Unlock() { PaintLock.unlock(); }
    std::recursive_mutex PaintLock;
    TGraphic* ShownGraphic = nullptr;
    bool InPaint = false;

    // Fills the client area with Color, then DrawImage.
    void PaintImage();
    // Shows the current picture now: painted at once on the GUI thread, handed
    // to it from any other thread (only a window's own thread paints it).
    void PaintNow();
    void GraphicChanged();

protected:
    virtual void DrawImage() {}
    virtual void AdjustSize() {}
    void Paint() override { PaintImage(); }
};

class TAgGIFAnimator : public TAgImageControl {
    TESSARO_CLASSINFO
public:
    explicit TAgGIFAnimator(TComponent* AOwner);
    ~TAgGIFAnimator() override;

    bool AsyncDrawing() const { return FAsyncDrawing; }
    void SetAsyncDrawing(bool Value);
    bool Animate() const { return FAnimate; }
    void SetAnimate(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    int FrameIndex() const { return FFrameIndex; }
    void SetFrameIndex(int Value);
    TGIFImage& Image() { return *FImage; }
    // Copies the given image into the control's own.
    void SetImage(TGIFImage* Value);
    bool Loop = true;
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    TNotifyEvent OnChange, OnFrameChanged, OnStart, OnStop;

    TAgTimer& FrameTimer() { return *FTimer; }
    // Milliseconds a frame is shown: 0 for a still image or a bad index, else
    // its delay within 50..10000.
    uint32_t FrameDelay(int Index) const;
    // The composed picture of a frame and its transparent colour (clGIFNone
    // when none); the control keeps it for the next frame.
    TBitmap* ComposeFrame(int Index, TColor& TransparentColour);
    void StopAnimation() { SetAnimate(false); }
    // The timer's handler: the next frame, painted.
    void NextFrameTick(TObject* Sender);
    // How many times the frames were composed from scratch (for tests).
    int FullCompositions() const { return FFullCompositions; }

protected:
    void DrawImage() override;
    void AdjustSize() override;
    void Loaded() override;

private:
    void ImageChanged(TObject* Sender);
    TAgTimer* FTimer;  // owned as a component
    std::unique_ptr<TGIFImage> FImage;
    std::unique_ptr<TBitmap> FCacheBitmap;
    int FCacheIndex = -1;
    TColor FCacheTransparent = clGIFNone;
    bool FAsyncDrawing = false, FAnimate = false, FAutoSize = true, FCenter = false, FStretch = false,
         FTransparent = true;
    int FFrameIndex = 0;
    int FFullCompositions = 0;
};

void RegisterAgGIFAnimator();
