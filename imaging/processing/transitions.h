// The transition player: a timer steps a progress value from 0 to 1024 over a
// duration; each tick composes one frame from the from and to pictures into the
// output picture and copies it onto the view. Types 1 to 30 and the pan-and-zoom
// are drawn here, the others by the catalogue's step procedures.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/bitmaps/ieattachedview.h"
#include "imaging/processing/transitioneffects.h"
#include "platform/classlib/classes_ext.h"
#include "platform/classlib/graphics.h"

class TIEBitmap;
class TTimer;

enum TIETransitionTiming : uint8_t { iettLinear = 0, iettExponential = 1, iettLogarithmic = 2 };

class TIETransitionEffects : public TObject {
public:
    explicit TIETransitionEffects(TIEAttachedView* View);
    ~TIETransitionEffects() override;
    TIETransitionEffects(const TIETransitionEffects&) = delete;
    TIETransitionEffects& operator=(const TIETransitionEffects&) = delete;

    // Starts a transition over the view's client area: From and To are drawn
    // stretched to it. Nothing starts for iettNone, iettPanZoom (see StartPanZoom), an
    // unknown type or an empty client area. A running transition is stopped first.
    void Start(TBitmap* From, TBitmap* To, TIETransitionType Transition);
    // Moves over Source from StartRect to EndRect (source pixels); the view shows
    // the picture at EndRect at the end.
    void StartPanZoom(TIEBitmap* Source, const TRect& StartRect, const TRect& EndRect);
    void Stop();
    void Tick();
    // The pictures of a transition at a given size without playing it: frames are then
    // composed with ComposeFrame (previews, contact sheets). False while running or
    // for what Start refuses.
    bool Prepare(TBitmap* From, TBitmap* To, TIETransitionType Transition, int32_t Width, int32_t Height);
    bool PreparePanZoom(TIEBitmap* Source, const TRect& StartRect, const TRect& EndRect, int32_t Width,
                        int32_t Height);

    // Composes the frame of Step (0..1024) into the output without touching the view.
    void ComposeFrame(int32_t Step);
    // Composes one frame of a catalogue effect.
    void DrawTableEffect(int32_t Transition, int32_t Step);
    // The step that follows Elapsed milliseconds on the given curve, within 0..1024.
    static int32_t StepAt(uint32_t Elapsed, int32_t Duration, TIETransitionTiming Timing);

    bool Running() const { return FRunning; }
    TIETransitionType Transition() const { return FTransition; }
    int32_t Step() const { return FStep; }
    int32_t FrameCount() const { return FFrameCount; }
    TBitmap& FromPicture() { return *FFrom; }
    TBitmap& ToPicture() { return *FTo; }
    TBitmap& Output() { return *FOut; }
    TTimer* Timer() const { return FTimer; }

    int32_t Duration = 1000;  // ms
    TIETransitionTiming Timing = iettLinear;
    bool ShowTargetAtEnd = false;
    TNotifyEvent OnTransitionStop;  // Sender: the view's component
    // The clock in milliseconds; replaceable so that tests can step it.
    std::function<uint32_t()> Clock;

private:
    void Load(TIETransitionType Transition);
    void Begin();
    void BuildRows();
    void Blit(TBitmap& Picture);
    void DrawBuiltIn(int32_t Step);
    void DrawPanZoom(int32_t Step);

    TIEAttachedView* FView;
    std::unique_ptr<TBitmap> FFrom, FTo, FOut;
    std::vector<uint8_t*> FFromRows, FToRows, FOutRows;
    int32_t FWidth = 0, FHeight = 0;
    bool FRunning = false;
    TTimer* FTimer = nullptr;  // owned by the view as a component, freed here
    int32_t FStep = 0;
    int32_t FMemo = 0;  // what the two random effects have drawn so far
    TIETransitionType FTransition = iettNone;
    uint32_t FStartTime = 0;
    TIEBitmap* FPanZoomSource = nullptr;
    TRect FPanZoomStart, FPanZoomEnd;
    int32_t FFrameCount = 0;
};
