// A least tool bar: flat buttons in a row (wrapping when asked), captions
// shown, drawn by the bar's custom-draw events when set; a button bound to a
// menu item opens that item's sub-menu below itself, on a click or on Alt
// with the hot key of its caption.
#pragma once

#include "platform/classlib/controls.h"
#include "platform/classlib/menus.h"

class TToolBar;

// cdsFocused and cdsGrayed are read by custom-draw handlers; no button here
// takes the focus or an in-between state, so the bar never reports them.
enum TCustomDrawStateItem { cdsSelected, cdsHot, cdsDisabled, cdsFocused, cdsGrayed, cdsDefault };
using TCustomDrawState = TSet<TCustomDrawStateItem>;

class TToolButton : public TGraphicControl {
    TESSARO_CLASSINFO
public:
    explicit TToolButton(TComponent* AOwner);
    bool Grouping = false;
    bool AutoSize = false;
    // The bar's default button: drawn with cdsDefault in its state.
    bool Default = false;
    TMenuItem* MenuItem() const { return FMenuItem; }
    // Takes the item's caption and enabled state.
    void SetMenuItem(TMenuItem* Value);
    bool Hot() const { return FHot; }
    bool Down() const { return FDown; }
    void Click() override;
    TToolBar* ToolBar() const;

protected:
    std::unique_ptr<TControlActionLink> CreateActionLink() override;
    void Paint() override;
    void WndProc(TMessage& Message) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void TextChanged() override;

private:
    TMenuItem* FMenuItem = nullptr;
    bool FHot = false, FDown = false;
};

class TToolButtonActionLink : public TControlActionLink {
public:
    using TControlActionLink::TControlActionLink;
};

using TTBCustomDrawEvent = std::function<void(TToolBar* Sender, TCanvas& Canvas, const TRect& ARect, bool& DefaultDraw)>;
using TTBCustomDrawBtnEvent = std::function<void(TToolBar* Sender, TToolButton* Button, TCanvas& Canvas,
                                                 TCustomDrawState State, bool& DefaultDraw)>;

class TToolBar : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TToolBar(TComponent* AOwner);
    bool Flat = true;
    bool ShowCaptions = true;
    bool Wrapable = false;
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    int ButtonHeight() const { return FButtonHeight; }
    void SetButtonHeight(int Value);
    TTBCustomDrawEvent OnCustomDraw;
    TTBCustomDrawBtnEvent OnCustomDrawButton;
    int ButtonCount() const;
    TToolButton* Buttons(int Index) const;
    // Places the buttons in a row, wrapping when Wrapable; AutoSize fits the height.
    void ArrangeButtons();
    // Draws one button (the custom-draw event, else a flat default).
    void DrawButton(TToolButton* Button, TCanvas& Canvas);

protected:
    void Paint() override;
    void Resize() override;

private:
    bool FAutoSize = false;
    int FButtonHeight = 22;
    bool FArranging = false;
};
