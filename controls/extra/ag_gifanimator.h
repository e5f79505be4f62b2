// The animated GIF control: holds the frames of a GIF picture, composed with
// their disposal, and steps through them on a timer while Animate is set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/extctrls.h"

// One composed frame: 0xAARRGGBB pixels (alpha 0 or 255) and its display time.
struct TAgGIFFrame {
    std::vector<uint32_t> Pixels;
    int DelayMs = 100;
};

// Decodes a GIF file's frames, each composed over the ones before as their
// disposal says; false for data that is not a GIF or has no frame.
bool DecodeGIFFrames(const std::vector<uint8_t>& Data, int& Width, int& Height, std::vector<TAgGIFFrame>& Frames);

class TAgGIFAnimator : public TGraphicControl {
    TESSARO_CLASSINFO
public:
    explicit TAgGIFAnimator(TComponent* AOwner);
    ~TAgGIFAnimator() override;

    // EInvalidGraphic when the data is no GIF; stops an animation first.
    void LoadFromStream(TStream& Stream);
    void LoadFromFile(const std::string& FileName);
    int FrameCount() const { return static_cast<int>(FFrames.size()); }
    int CurrentFrame() const { return FCurrent; }
    int ImageWidth() const { return FWidth; }
    int ImageHeight() const { return FHeight; }

    bool Animate() const { return FAnimate; }
    // True starts stepping the frames on the timer; False stops it and
    // repaints; nothing happens when the value is unchanged.
    void SetAnimate(bool Value);
    // Moves to the next frame (what the timer does), wrapping at the end.
    void NextFrame();

protected:
    void Paint() override;

private:
    void TimerTick(TObject* Sender);
    int FWidth = 0, FHeight = 0;
    std::vector<TAgGIFFrame> FFrames;
    int FCurrent = 0;
    bool FAnimate = false;
    TTimer* FTimer = nullptr;  // owned as a component
};

void RegisterAgGIFAnimator();
