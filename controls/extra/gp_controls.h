// The gradient progress bar and the panel.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/classlib/extctrls.h"

using TProgressChangeEvent = std::function<void(TObject* Sender, int32_t Percent)>;

class TGpCustomProgressBar : public TGraphicControl {
    TESSARO_CLASSINFO
public:
    explicit TGpCustomProgressBar(TComponent* AOwner);
    int16_t Percent() const { return FPercent; }
    // Stores a new percent as given (no clamping), fires OnChange and repaints.
    void SetPercent(int16_t Value);
    TProgressChangeEvent OnChange;

    // The look: the bar runs from BarColor to BarColorStop over BackColor
    // inside a one-pixel BorderColor frame; ShowText writes "N%" on it.
    TColor BarColor = clWhite;
    TColor BackColor = clWhite;
    TColor BorderColor = 0x3E4444;  // red 68, green 68, blue 62
    bool ShowText = false;

protected:
    void Paint() override;
    TColor FBarColorStop = clNavy;

private:
    int16_t FPercent = 0;
};

class TGpProgressBar : public TGpCustomProgressBar {
    TESSARO_CLASSINFO
public:
    explicit TGpProgressBar(TComponent* AOwner) : TGpCustomProgressBar(AOwner) {}
    TColor BarColorStop() const { return FBarColorStop; }
    // The gradient's end colour; repaints when it changes.
    void SetBarColorStop(TColor Value);
};

class TGpPanel : public TCustomPanel {
    TESSARO_CLASSINFO
public:
    explicit TGpPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

void RegisterGpControls();
