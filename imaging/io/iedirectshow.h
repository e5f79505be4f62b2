// The video graph wrapper of the image library: a file source decoded to RGB24
// frames that a sample grabber keeps, with seeking and frame notifications to a
// window (over platform/media).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/classes.h"
#include "platform/rtl/windef.h"

class TIEBitmap;
namespace media {
class TFilterGraph;
}

class TIEDirectShow : public TObject {
public:
    TIEDirectShow();
    ~TIEDirectShow() override;
    TIEDirectShow(const TIEDirectShow&) = delete;
    TIEDirectShow& operator=(const TIEDirectShow&) = delete;

    std::string FileInput;
    bool EnableSampleGrabber = false;
    bool RenderAudio = false;  // audio is never rendered: there is no audio output

    // Builds the graph for FileInput: source, converter, grabber (when enabled), null renderer.
    void BuildGraph();
    void Pause();
    // Stops a running or paused graph and drops it.
    void Disconnect();
    bool HasGraph() const { return FGraph != nullptr; }
    // 0 none, 1 frames, 2 samples, 3 fields, 4 bytes, 5 media time (100 ns); nothing without seeking.
    void SetTimeFormat(int32_t Index);
    // In the current time format; 0 without a graph or on failure.
    int64_t GetDuration();
    // Seeks and waits (bounded) for the paused graph to deliver the frame.
    void SeekTo(int64_t Position);
    // Width and height of the grabber's frames; unchanged without them. The subtype
    // name is for capture sources, which there are none of.
    void GetVideoFormat(int32_t& Width, int32_t& Height, std::string& SubType);
    // 100-nanosecond units per frame; 0 when unknown.
    int64_t GetAverageTimePerFrame();
    // Copies the grabber's last frame into Bitmap (made ieRGB24 of the video's size).
    void GrabFrame(TIEBitmap* Bitmap);
    // Each delivered frame posts FrameMessage (WParam 0, LParam this object); graph
    // events post EventMessage likewise.
    void SetNotifyWindow(HWND Window, UINT FrameMessage, UINT EventMessage);
    HWND NotifyWindow() const { return FNotifyWindow; }
    // The last graph event (0 none).
    long LastEvent() const { return FLastEvent; }

private:
    std::unique_ptr<media::TFilterGraph> FGraph;
    HWND FNotifyWindow = nullptr;
    UINT FFrameMessage = 0, FEventMessage = 0;
    long FLastEvent = 0;
    bool FGrabber = false, FSeeking = false, FControl = false;
};
