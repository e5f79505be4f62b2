// Unicode menu items, wide shortcut texts and hot-key handling.
#pragma once

#include "platform/classlib/menus.h"
#include "unicode/unicodewindows.h"

// Far-East system locales (Japanese, Chinese, Korean) write hot keys as
// "File(&F)". Read from the program's locale on first use; tests may set it.
bool& FarEastSystemLocale();

// "Shift+Ctrl+A": key characters from the keyboard, other keys by their key
// name; the fixed set (Backspace, Tab, Enter, Escape, Space, the paging and
// arrow keys, Insert, Delete, F1-F24) takes the class library's text.
WideString ShortCutToWideText(TShortCut ShortCut);
// 1-based position after the last "&" that is not "&&" and not last; 0 when none.
int WideHotKeyPos(const WideString& Caption);
// The hot-key character, or empty.
WideString WideHotKeyChar(const WideString& Caption);
WideString WideStripHotKey(const WideString& Caption);
bool WideSameCaption(const WideString& A, const WideString& B);     // case ignored
bool WideSameCaptionStr(const WideString& A, const WideString& B);  // exactly
// The key's character equals the caption's hot-key character, case ignored.
bool IsWideAccelChar(WORD CharCode, const WideString& Caption);

class TUniMenuItem : public TMenuItem {
    TESSARO_CLASSINFO
public:
    explicit TUniMenuItem(TComponent* AOwner) : TMenuItem(AOwner) {}
    // Raises EUniInternalError when the hot-key signs of the wide caption cannot
    // be brought to where the library's caption has them.
    WideString Caption();
    void SetCaption(const WideString& Value);
    WideString Hint();
    void SetHint(const WideString& Value);
    // Writes the wide caption (and the wide shortcut text) into the platform
    // menu when its entry shows other text.
    void UpdateMenuString();
    void Loaded() override;

protected:
    // A Unicode action gives its wide caption and hint (under CheckDefaults
    // only to an item without them), then the library's link does the rest.
    void ActionChange(TBasicAction* Sender, bool CheckDefaults) override;
    std::unique_ptr<TMenuActionLink> CreateActionLink() override;

private:
    WideString FCaption, FHint;
};

WideString GetMenuItemWideHint(TMenuItem* Item);

// The menu items' Unicode action link: the item's wide caption and hint are
// set from the action's wide texts.
class TUniMenuActionLink : public TMenuActionLink {
public:
    explicit TUniMenuActionLink(TUniMenuItem* Client) : TMenuActionLink(Client) {}
    void SetCaption(const std::string& Value) override;
    void SetHint(const std::string& Value) override;
};

// The popup list of Unicode menus. It remembers the library's list; one is
// made at start-up and freed at exit without being made the active list (the
// library tracks popups with their form as owner, and TUniForm already turns
// selections into wide hints), so its WndProc runs only when a caller routes
// a popup's messages to it: WM_MENUSELECT sets the wide application hint from
// the named item's long wide hint, WM_ENTERMENULOOP puts the remembered list
// back and refreshes each of its menus' first item, then the library's handling.
class TUniPopupList : public TPopupList {
public:
    TUniPopupList() : FRemembered(PopupList) {}
    TPopupList* Remembered() const { return FRemembered; }
    void WndProc(TMessage& Message) override;

private:
    TPopupList* FRemembered;
};
extern TUniPopupList* UniPopupList;

// Start and end of this unit (UnicodeStartup runs them).
void UniMenusStartup();
void UniMenusShutdown();
