// Popup and main menus whose items the component draws itself: side bar,
// background, selection box, caption, shortcut, tick and picture in the
// colours of the look (bitmaps in the MacOS look).
#pragma once

#include <memory>
#include <string>

#include "controls/skinned/sc_helpers.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/menus.h"

// What both menus add to their base and how they measure and draw an item.
class TscMenuLook {
public:
    virtual ~TscMenuLook() = default;
    int MenuItemHeight() const { return FMenuItemHeight; }
    void SetMenuItemHeight(int Value);  // the MacOS look keeps its own
    int SeparatorHeight() const { return FSeparatorHeight; }
    void SetSeparatorHeight(int Value);
    TColor BarColor = clBtnFace;
    int BarWidth = 0;
    TColor Color = clWhite;
    TColor SeparatorColor = TColor(0x808080);
    TColor SelectedBorderColor = clHighlight;
    TColor SelectedColor = clHighlight;
    TColor SelectedFontColor = clWhite;
    TColor FontColor = clWhite;
    TColor BorderColor = clBlack;  // kept only
    bool FlatMenu = false;
    std::string FontName = "MS Sans Serif";
    int FontSize = 8;
    uint8_t FontCharset = 1;
    bool UseSystemFont = true;
    TBiDiMode BiDiMode = bdLeftToRight;

    void MeasureItem(TMenuItem* Item, TCanvas* Canvas, int& Width, int& Height);
    void DrawItem(TMenuItem* Item, TCanvas* Canvas, TRect R, bool Selected);

protected:
    // The look's values: the side bar, heights, and six colours from the table or theme.
    void ApplyLook(TscUIStyle Style, TscFileTheme* Theme);
    virtual TCustomImageList* UsableImages() = 0;
    virtual TCustomImageList* TickImages() = 0;
    TscUIStyle FLookStyle = DeepBlue;
    TscFileTheme* FLookTheme = nullptr;
    int FMenuItemHeight = 21, FSeparatorHeight = 21;
};

// Sets both handlers on the item and on all its sub-items.
void SetMenuItemsOwnerDraw(TMenuItem* Item, const TMenuMeasureItemEvent& Measure, const TMenuDrawItemEvent& Draw);
// The window's frame in the two colours, painted into the window's own whole-window context.
void DrawFlatMenuFrame(HWND Window, TColor First, TColor Second);
// The system's menu font, when the metrics can be read.
void AssignSystemMenuFont(TFont& Font);
// Make and free the tick picture list every popup menu shares (once each, at
// program start-up after the forms start and at exit before they stop).
void ScMenusStartup();
void ScMenusShutdown();

class TscPopupMenu : public TPopupMenu, public TscMenuLook, public TscThemeClient {
    TESSARO_CLASSINFO
public:
    explicit TscPopupMenu(TComponent* AOwner);
    ~TscPopupMenu() override;
    TscUIStyle UIStyle() const override { return FLookStyle; }
    void SetUIStyle(TscUIStyle Value) override;
    TscFileTheme* FileTheme() const override { return FLookTheme; }
    void SetFileTheme(TscFileTheme* Value) override;
    void Popup(int X, int Y) override;
    void Loaded() override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void MenuChanged(bool Rebuild) override;
    TCustomImageList* UsableImages() override { return dynamic_cast<TCustomImageList*>(Images); }
    TCustomImageList* TickImages() override;

private:
    void HookItems();
};

class TscForm;

class TscMainMenu : public TMainMenu, public TscMenuLook, public TscThemeClient {
    TESSARO_CLASSINFO
public:
    explicit TscMainMenu(TComponent* AOwner);
    ~TscMainMenu() override;
    TscUIStyle UIStyle() const override { return FLookStyle; }
    void SetUIStyle(TscUIStyle Value) override;
    TscFileTheme* FileTheme() const override { return FLookTheme; }
    void SetFileTheme(TscFileTheme* Value) override;
    // Nil while the menu's own tick list is in use; setting nil puts it back.
    TComponent* GetImages() const { return Images == FTicks.get() ? nullptr : Images; }
    void SetImages(TComponent* Value) { Images = Value ? Value : FTicks.get(); }
    void Loaded() override;
    // The skinned form that shows this menu on its menu bar (set by that form).
    TscForm* SkinForm = nullptr;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void MenuChanged(bool Rebuild) override;
    TCustomImageList* UsableImages() override {
        return Images == FTicks.get() ? nullptr : dynamic_cast<TCustomImageList*>(Images);
    }
    TCustomImageList* TickImages() override { return FTicks.get(); }

private:
    void HookItems();
    std::unique_ptr<TCustomImageList> FTicks;
};
