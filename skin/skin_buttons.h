// The push-button skin: each button is drawn whole from the skin's Button
// part into an off-screen bitmap; the left press never reaches the native
// button, so the skin makes the click itself. Also the glyph-and-caption
// layout of buttons that show a glyph.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "skin/skin_control.h"

// Button part frames.
enum : int { bfNormal = 1, bfPressed = 2, bfDisabled = 3, bfHot = 4, bfFocused = 5 };

class TSkinButton : public TSkinControl {
public:
    explicit TSkinButton(TComponent* AOwner);
    ~TSkinButton() override;
    std::unique_ptr<TBitmap> Buffer;
    // The parent's background behind the button instead of the face colour.
    bool Transparent = false;

    void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) override;
    bool BeforeMessage(TMessage& Message) override;
    void AfterMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
    // The caption ("||" a line break) in R, with the focus rectangle.
    void DrawCaption(TCanvas& Canvas, const TRect& R, UINT Alignment, const std::u16string& Text);
    // Refreshes Focused and Enabled and gives the frame for the state.
    int ButtonFrame();

protected:
    // The caption's font and colour for the frame: the control's font, or the
    // raw window's, with the part's text colours and clBtnShadow when disabled.
    void PrepareText(TCanvas& Canvas, int Frame);
};

// A push button with a glyph: a glyph strip (Glyph, NumGlyphs) or an image of
// an image list (Images, ImageIndex, DisabledIndex), laid out with the caption
// by the button's published Margin, Spacing, Layout and Alignment.
class TSkinBitButton : public TSkinButton {
public:
    using TSkinButton::TSkinButton;
    // The name of a published graphic property that holds the glyph, drawn
    // whole; empty for the glyph strip and the image list.
    std::string GlyphProperty;
    void Draw(HDC Dc, const TRect& R) override;
};

// A windowless speed button: it is held in GraphicControl (Control stays
// nil), hooked through its WindowProc and drawn on its own canvas when its
// parent paints it.
class TSkinSpeedButton : public TSkinBitButton {
public:
    using TSkinBitButton::TSkinBitButton;
    ~TSkinSpeedButton() override;
    bool Painting = false;
    void AttachGraphicControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas);
    bool BeforeMessage(TMessage& Message) override;
    void AfterMessage(TMessage& Message) override;
    void PaintFrame(HDC Dc) override;
    // Draws the button on Canvas within R (the button's client area).
    void DrawSpeedButton(TCanvas& Canvas, const TRect& R);

private:
    void GiveBack();
};

// A push button with a drop-down arrow at its right end.
class TSkinMenuButton : public TSkinButton {
public:
    using TSkinButton::TSkinButton;
    void Draw(HDC Dc, const TRect& R) override;
};

// Frame Index (1-based) of Count of a glyph strip drawn at Pos with its
// bottom-left colour transparent; a disabled glyph (index 2) in grey; the
// first frame when the strip has fewer frames than Index.
void DrawGlyphFrame(TCanvas& Canvas, POINT Pos, int Count, int Index, TBitmap& Glyph);

// Class-name prefixes (case-blind) of button classes that handle their own
// left press: their skins get Mode 1 and do not pass the press on. None of
// this program's classes is one; the list starts empty.
std::vector<std::string>& SkinButtonSelfPressPrefixes();

// Where the glyph and the caption of a glyph button go.
struct TGlyphLayoutIn {
    int W = 0, H = 0;    // client size
    int Gw = 0, Gh = 0;  // glyph size
    int Tw = 0, Th = 0;  // caption size (0, 0 when empty)
    int Margin = -1, Spacing = -1;
    int Layout = 0;  // 0 glyph left, 1 right, 2 top, 3 bottom
    bool Centered = false;      // bit buttons: Alignment taCenter
    bool SpeedButton = false;   // speed buttons add 1 to a computed margin
};
struct TGlyphLayoutOut {
    POINT Glyph{};
    TRect Text;
    UINT TextFlag = 0;  // DT_RIGHT or DT_CENTER by the layout
};
TGlyphLayoutOut LayoutGlyphAndText(const TGlyphLayoutIn& In);
// Layout from the value name of a published Layout ("blGlyphTop" ...).
int LayoutFromName(const std::string& Name);
