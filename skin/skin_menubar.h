// The menu bar a skinned frame draws in the band below its title: one button
// per top-level item, painted from the skin's menu-bar image, each opening its
// popup. While a popup from the bar is open, a WH_MSGFILTER hook moves the
// keyboard and the mouse from one bar item to the next.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/classes_ext.h"
#include "platform/classlib/graphics.h"
#include "platform/win/winuser.h"
#include "skin/skin_window.h"

class TMainMenu;
class TMenuItem;

class TSkinnedMenu;

class TMenuBtn : public TNCObject {
public:
    TMenuBtn(TSkinnedWindow* AForm, TSkinnedMenu* ABar) : TNCObject(AForm), Bar(ABar) {}
    TSkinnedMenu* Bar;
    TMenuItem* MenuItem = nullptr;
    int Index = 0;
    std::u16string Caption;
    bool ItemEnabled = true;
    HMENU SubMenu = nullptr;
    UINT Command = 0;
    void Paint() override;
};

class TSkinnedMenu : public TComponent {
public:
    explicit TSkinnedMenu(TComponent* AOwner);
    ~TSkinnedMenu() override;
    std::vector<std::unique_ptr<TMenuBtn>> Items;
    TMainMenu* MenuObject = nullptr;
    TRect BarRect;
    TSkinData* SkinData = nullptr;
    TSkinnedWindow* Form = nullptr;
    std::unique_ptr<TBitmap> Background;
    int ItemCount = 0;
    bool Painting = false;
    HMENU MenuHandle = nullptr;

    void BuildFromWindowMenu();
    // The captions and states of the items again from their menu objects.
    void RefreshFromMenuObject();
    void Paint(HDC DC, const TRect& R);
    void LayoutItems();
    TMenuBtn* ItemAt(POINT FramePoint) const;
    // The first enabled, visible item whose caption marks Key with "&".
    TMenuBtn* FindMenuAccelerator(char16_t Key) const;
    // The menu object's item with that command or sub-menu handle, searched through all levels.
    TMenuItem* FindMenuItem(UINT Command, HMENU SubMenu) const;

private:
    void Position(const TRect& R);
};

// The screen's menu font (made once, freed with the skin unit).
HFONT SkinMenuFont();
void SkinMenuBarShutdown();
