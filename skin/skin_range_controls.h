// Skins of the controls that show a value: the track bar (its channel and
// thumb replaced through custom draw, so the native control keeps its
// behaviour), up-down buttons and progress bars.
#pragma once

#include "platform/commctl/commctrl.h"
#include "skin/skin_control.h"

class TSkinTrackBar : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    bool BeforeMessage(TMessage& Message) override;
    void SkinChanged() override;
    // The answer to one custom-draw notification.
    LRESULT CustomDraw(NMCUSTOMDRAW& Draw);
    void DrawChannel(HDC Dc);
    void DrawThumb(HDC Dc);
};

class TSkinUpDown : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    // The up-down sits inside an edit's window (set by the edit skin).
    bool Embedded = false;
    bool BeforeMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
};

class TSkinProgress : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    bool BeforeMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
};

// The filled width of a progress bar: (Pos - Min) / (Max - Min) of Width,
// clamped to 0..Width; 0 when Max <= Min.
int ProgressFill(int Width, int Pos, int Min, int Max);
