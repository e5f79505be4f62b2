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

// Check boxes and radio buttons of other libraries that show glyph strips of
// their own: the skin builds such a strip from its box images and hands it
// over through published properties, and draws nothing itself. Kind 1: a
// check box with "CustomGlyphs", "transparentcolor" and "UseCustomGlyphs";
// 2: a radio button with the same; 3: a check box whose "Properties" object
// has a "Glyph" bitmap.
class TSkinObjImage : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    int32_t Kind = 0;
    void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) override;
    void Detach() override;
    void SkinChanged() override;
    void HandOverGlyphs();
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
