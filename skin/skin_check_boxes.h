// Check-box and radio-button skins: the box comes from the skin's check and
// radio strips. On a class-library control (Mode 1) the skin paints the whole
// control, background and caption too; on a raw window (Mode 0) only the box
// is painted over the native drawing.
#pragma once

#include "skin/skin_control.h"

class TSkinCheckBox : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    // The last BM_SETCHECK WParam + 1; 0 while none was seen.
    int32_t CheckState = 0;
    bool Transparent = false;

    void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) override;
    bool BeforeMessage(TMessage& Message) override;
    void AfterMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
    // The strip frame for the control's state now.
    int BoxFrame();
};

class TSkinRadioButton : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    bool Transparent = false;

    void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) override;
    bool BeforeMessage(TMessage& Message) override;
    void AfterMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
    int BoxFrame();
};
