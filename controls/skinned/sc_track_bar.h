// The skinned track bar: the look's bar picture stretched along the control
// in three parts and a thumb child showing the look's thumb picture. A press
// on the bar pages toward the pointer and keeps paging every 100 ms.
#pragma once

#include <memory>

#include "controls/skinned/sc_helpers.h"
#include "controls/skinned/sc_image_panel.h"

enum TscProgressBarOrientation { scHorizontal, scVertical };

class TscTrackBar : public TCustomPanel, public TscThemeClient {
    TESSARO_CLASSINFO
public:
    explicit TscTrackBar(TComponent* AOwner);
    ~TscTrackBar() override;

    TscProgressBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TscProgressBarOrientation Value);
    TscFileTheme* FileTheme() const override { return FFileTheme; }
    void SetFileTheme(TscFileTheme* Value) override;
    TscUIStyle UIStyle() const override { return FUIStyle; }
    // MacOS also makes the bar transparent.
    void SetUIStyle(TscUIStyle Value) override;
    TPicture& BarImage() { return *FBarImage; }
    // Copied in; the next relayout loads the look's picture over it.
    void SetBarImage(TGraphic* Value);
    TPicture& SliderImage() { return FThumb->Picture(); }
    virtual void SetSliderImage(TGraphic* Value);

    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    int Position() const { return FPosition; }
    // Limited to Min .. Max; OnChange fires when it differs from the last one reported.
    void SetPosition(int Value);
    int PageSize() const { return FPageSize; }
    // Taken only for 0 <= Value <= Max.
    void SetPageSize(int Value);
    int LineSize() const { return FLineSize; }
    void SetLineSize(int Value);
    bool ShowTick() const { return FShowTick; }
    void SetShowTick(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    int Frequency() const { return FFrequency; }
    void SetFrequency(int Value);
    TNotifyEvent OnChange;

    virtual void UpdateImages();
    virtual bool UsesOwnImages() { return false; }
    virtual bool FocusOnClick() { return true; }
    virtual bool IsThumbTransparent() { return FOrientation == scHorizontal; }

    // The thumb's top-left corner in client pixels for the position.
    POINT GetThumbPosition();
    // The value whose thumb centre is at the pixel (x, or y when vertical);
    // 0 when the thumb is as long as the control. Not clamped.
    int PositionFromPixel(int Pixel);
    void UpdatePosition();
    void Relayout();
    void AdjustThickness();

    TscImagePanel* Thumb() const { return FThumb; }
    TTimer* Timer() const { return FTimer; }
    bool Dragging() const { return FDragging; }
    TBitmap& BarBitmap() { return *FBarBitmap; }

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Resize() override;

private:
    // Pages from the thumb toward a client point by at most Step.
    void PageToward(POINT P, int Step);
    void TimerTick(TObject* Sender);
    void StopTimer();
    void ThumbMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ThumbMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    int Length() { return FOrientation == scHorizontal ? Width() : Height(); }
    int ThumbLength() { return FOrientation == scHorizontal ? FThumb->Width() : FThumb->Height(); }
    void TakeFocus();

    std::unique_ptr<TPicture> FBarImage;
    TTimer* FTimer = nullptr;
    TscImagePanel* FThumb = nullptr;
    int FMin = 0, FMax = 10, FPosition = 0, FLastPosition = 0;
    TscProgressBarOrientation FOrientation = scHorizontal;
    TscFileTheme* FFileTheme = nullptr;
    TscUIStyle FUIStyle = DeepBlue;
    bool FShowTick = true;
    bool FTransparent = false;
    bool FDragging = false;
    int FFrequency = 1;
    int FPageSize = 2, FLineSize = 1;
    std::unique_ptr<TBitmap> FBarBitmap;
    bool FInRelayout = false;
};
