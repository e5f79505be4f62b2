// Tab and header skins: a tab control's tabs (in any of the four positions)
// and pane from the skin's Tabs part, with optional close boxes on page-control
// tabs; tab sheets on the face colour; column headers from the Headerbar part
// with the item under the mouse drawn hot.
#pragma once

#include <memory>
#include <vector>

#include "skin/skin_control.h"

class TSkinUpDown;

class TSkinTab : public TSkinControl {
public:
    explicit TSkinTab(TComponent* AOwner);
    ~TSkinTab() override;
    std::vector<TRect> CloseRects;
    uint8_t Orientation = 0;  // 0 top, 1 bottom, 2 left, 3 right
    bool TabsUnicode = false;
    std::unique_ptr<TBitmap> TabImage, PaneImage, Work;
    TSkinUpDown* UpDown = nullptr;
    // Close boxes on the tabs; a click in one frees that page unless the form
    // window answers SKIN_TABCLOSE with a non-zero value.
    bool CloseButtons = false;

    void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) override;
    void AttachWindow(HWND Window, TSkinData* ASkinData, TControlSkinHost* ASkinForm, TCanvas* ACanvas) override;
    bool BeforeMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
    void SkinChanged() override;
    void PrepareImages();
    // Skins the control's scroll arrows; whether they are shown.
    bool FindUpDown();
};

// The tabs of a tab control in button style, from the skin's Button part.
class TSkinTabBtn : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    bool BeforeMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
};

// A tab set: tabs hanging below a line. The control publishes its tab texts
// ("Tabs", a string list), the selected tab ("TabIndex"), the first tab shown
// ("FirstIndex") and its margins ("StartMargin", "EndMargin").
class TSkinTab31 : public TSkinControl {
public:
    explicit TSkinTab31(TComponent* AOwner);
    ~TSkinTab31() override;
    std::unique_ptr<TBitmap> TabImage;  // the Tabs image mirrored top to bottom
    void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) override;
    bool BeforeMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
    void SkinChanged() override;

private:
    void PrepareImage();
};

// A page control of another library that takes its tab images through its
// published bitmaps "TabBackGround" and "TabBackGroundActive" (Variant 4).
class TSkinAdvPage : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    TSkinUpDown* UpDown = nullptr;
    int32_t Variant = 0;
    void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) override;
    void Detach() override;
    void Draw(HDC Dc, const TRect& R) override;
    void SkinChanged() override;
    bool FindUpDown();

private:
    void HandOverTabImages();
};

class TSkinTabSheet : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    bool BeforeMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
};

class TSkinHeader : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    // Each item's rectangle less 3 pixels at the left and right, from the last drawing.
    std::vector<TRect> ItemRects;
    int32_t HotItem = -1;
    void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) override;
    void AttachWindow(HWND Window, TSkinData* ASkinData, TControlSkinHost* ASkinForm, TCanvas* ACanvas) override;
    bool BeforeMessage(TMessage& Message) override;
    void AfterMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
};
