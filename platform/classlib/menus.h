// Menus: TMenuItem trees owned by a TMainMenu (a form's menu bar) or a
// TPopupMenu; the platform menu (HMENU) is built from the tree when needed and
// kept in step with it. Items run their OnClick or their action.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/actnlist.h"
#include "platform/classlib/classes_ext.h"
#include "platform/classlib/graphics.h"
#include "platform/rtl/windef.h"

class TMenu;
class TCustomForm;

using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;
using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;

class TMenuActionLink;

class TMenuItem : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    bool IsLine() const { return FCaption == "-"; }
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool Value);
    int GroupIndex = 0;
    bool AutoCheck = false;
    bool Default = false;  // shown in bold by menus that draw their items
    int ImageIndex = -1;
    std::string Hint;
    TBasicAction* Action() const { return FAction; }
    void SetAction(TBasicAction* Value);

    TNotifyEvent OnClick;
    TMenuMeasureItemEvent OnMeasureItem;
    TMenuDrawItemEvent OnDrawItem;

    // Sub-items: owned by this item's owner in form files, but listed here.
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int Index) const { return FItems.at(Index); }
    TMenuItem* Parent() const { return FParent; }
    int MenuIndex() const;
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    void Remove(TMenuItem* Item);  // the item is not freed
    void Delete(int Index);        // frees the item
    void Clear();                  // frees every sub-item
    int IndexOf(const TMenuItem* Item) const;
    TMenu* GetParentMenu() const;

    // The id the platform menu reports in WM_COMMAND.
    WORD Command() const { return FCommand; }
    // The platform popup of the sub-items (built on first use).
    HMENU Handle();

    virtual void Click();
    // Updates the action (OnUpdate) of this item.
    void InitiateAction();
    void SetParentComponent(TComponent* Value) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    static TMenuItem* FindByCommand(WORD Command);

    // The link to the action, made when it is first needed.
    TMenuActionLink* ActionLink();

protected:
    // The linked action told of a change (CheckDefaults while the item is read).
    virtual void ActionChange(TBasicAction* Sender, bool CheckDefaults);
    // Makes the item's action link.
    virtual std::unique_ptr<TMenuActionLink> CreateActionLink();

private:
    friend class TMenu;
    friend class TMainMenu;
    friend class TPopupMenu;
    void Changed(bool Rebuild);
    void BuildInto(HMENU Menu);
    void FreeHandle();
    std::string FCaption;
    TShortCut FShortCut = scNone;
    bool FEnabled = true, FVisible = true, FChecked = false, FRadioItem = false;
    TBasicAction* FAction = nullptr;
    TActionLinkState FActionLink;
    std::unique_ptr<TMenuActionLink> FActionLinkObject;
    std::vector<TMenuItem*> FItems;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;  // set on the root item of a menu
    HMENU FHandle = nullptr;
    WORD FCommand = 0;
};

// How a menu item follows its action's caption and hint (see TControlActionLink).
class TMenuActionLink {
public:
    explicit TMenuActionLink(TMenuItem* Client) : FClient(Client) {}
    virtual ~TMenuActionLink() = default;
    TMenuItem* Client() const { return FClient; }
    virtual bool IsCaptionLinked(TCustomAction* Action);
    virtual bool IsHintLinked(TCustomAction* Action);
    virtual void SetCaption(const std::string& Value);
    virtual void SetHint(const std::string& Value);

protected:
    TMenuItem* FClient;
};

class TMenu : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    TMenuItem* Items() const { return FItems; }
    TComponent* Images = nullptr;  // a TCustomImageList
    bool OwnerDraw = false;
    // Runs the enabled, visible item with this shortcut; true when one ran.
    bool IsShortCut(TShortCut ShortCut);
    bool DispatchCommand(WORD Command);
    TMenuItem* FindItem(WORD Command) const;
    HMENU Handle();
    void SetParentComponent(TComponent*) override {}

protected:
    friend class TMenuItem;
    virtual bool IsPopup() const { return false; }
    // The item tree changed: rebuild the platform menu.
    virtual void MenuChanged(bool Rebuild);
    TMenuItem* FItems;
    HMENU FHandle = nullptr;
};

class TMainMenu : public TMenu {
    TESSARO_CLASSINFO
public:
    explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
    bool AutoMerge = false;
    // The form whose menu bar shows this menu (set by the form).
    TCustomForm* WindowForm = nullptr;

protected:
    void MenuChanged(bool Rebuild) override;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
    TESSARO_CLASSINFO
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    bool AutoPopup = true;
    TPopupAlignment Alignment = paLeft;
    TComponent* PopupComponent = nullptr;
    TNotifyEvent OnPopup;
    // Shows the menu at a screen point and runs the chosen item.
    virtual void Popup(int X, int Y);

protected:
    bool IsPopup() const override { return true; }
};

// The popup menus of the program, each listed while it lives. Popups are
// tracked with their form as owner window, so the form hears of selections
// and commands; a list's WndProc serves a program that routes a popup's
// messages to the active list instead.
struct TMessage;

class TPopupList {
public:
    virtual ~TPopupList() = default;
    int Count() const { return static_cast<int>(FList.size()); }
    TPopupMenu* Items(int Index) const { return FList.at(Index); }
    void Add(TPopupMenu* Menu);
    void Remove(TPopupMenu* Menu);
    // WM_COMMAND runs the chosen item of a listed menu; WM_MENUSELECT makes
    // the long hint of the named item the application's hint (empty when none).
    virtual void WndProc(TMessage& Message);
    // The item of a listed menu that a WM_MENUSELECT names (by command, or by
    // submenu when its flags hold MF_POPUP); nullptr when none.
    TMenuItem* ItemOfMenuSelect(const TMessage& Message) const;

protected:
    std::vector<TPopupMenu*> FList;
};
// The list every popup menu joins while it lives (the library's own).
TPopupList& LibraryPopupList();
// The active list: the library's own unless a program put another in its place.
extern TPopupList* PopupList;

// A test or the skin engine may take over how popups are tracked: given the
// menu and the screen point, it returns the chosen item's command (0: none).
extern std::function<WORD(TPopupMenu* Menu, int X, int Y)> PopupMenuTracker;

void RegisterMenuClasses();
