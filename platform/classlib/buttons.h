// Speed buttons: graphic buttons with a glyph and a caption, flat or raised,
// optionally grouped so that one of a group stays down.
#pragma once

#include <memory>

#include "platform/classlib/controls.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TSpeedButton : public TGraphicControl {
    TESSARO_CLASSINFO
public:
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;
    TBitmap& Glyph() { return *FGlyph; }
    int NumGlyphs = 1;
    bool Flat = false;
    int GroupIndex = 0;
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    bool AllowAllUp = false;
    TButtonLayout Layout = blGlyphLeft;
    int Margin = -1;
    int Spacing = 4;
    void Click() override;

protected:
    std::unique_ptr<TControlActionLink> CreateActionLink() override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    std::unique_ptr<TBitmap> FGlyph;
    bool FDown = false;
    bool FPressed = false;
};

class TSpeedButtonActionLink : public TControlActionLink {
public:
    using TControlActionLink::TControlActionLink;
};

void RegisterButtonsClasses();
