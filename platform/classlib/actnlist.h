// Actions and action lists: a command with its caption, state and shortcut,
// shared by the controls and menu items linked to it. Changing an action's
// state reaches every linked client; OnUpdate runs at idle time for the
// actions of the controls and top menu items shown.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/classlib/classes_ext.h"
#include "platform/rtl/windef.h"

class TActionList;

// A key with its modifiers: the virtual key in the low byte.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;
TShortCut ShortCut(WORD Key, bool Shift, bool Ctrl, bool Alt);
// "Ctrl+O", "Shift+Del", "F9"; empty for scNone.
std::string ShortCutToText(TShortCut ShortCut);
// The reverse; scNone for text that is no shortcut.
TShortCut TextToShortCut(const std::string& Text);

class TBasicAction : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}
    ~TBasicAction() override;
    // Runs the action: the list's OnExecute, else the action's OnExecute.
    // False when nothing handled it (or the action is disabled).
    virtual bool Execute();
    // Runs OnUpdate: the list's, else the action's. False when none handled it.
    virtual bool Update();
    TNotifyEvent OnExecute, OnUpdate;

    // Whatever shows the action (controls, menu items) hears of its changes.
    void RegisterClient(const void* Client, std::function<void(TBasicAction*)> Changed);
    void UnRegisterClient(const void* Client);
    int ClientCount() const { return static_cast<int>(FClients.size()); }
    // The component that asked to run the action (the clicked control).
    TComponent* ActionComponent = nullptr;

protected:
    void Change();

private:
    struct TClient {
        const void* Key;
        std::function<void(TBasicAction*)> Changed;
    };
    std::vector<TClient> FClients;
};

// Puts Value in place of a client's action Field (a control's or a menu
// item's): the old action forgets the client, the new one tells it of its
// changes through Changed and of its freeing, and the link starts over. True
// when a new action is linked, for the client to take its state over.
bool LinkActionClient(TComponent* Client, TBasicAction*& Field, TActionLinkState& Link, TBasicAction* Value,
                      std::function<void(TBasicAction*)> Changed);

class TContainedAction : public TBasicAction {
    TESSARO_CLASSINFO
public:
    explicit TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}
    ~TContainedAction() override;
    TActionList* ActionList() const { return FActionList; }
    void SetActionList(TActionList* Value);
    std::string Category;
    int Index() const;
    bool Execute() override;
    bool Update() override;
    void SetParentComponent(TComponent* Value) override;

private:
    TActionList* FActionList = nullptr;
};

class TCustomAction : public TContainedAction {
    TESSARO_CLASSINFO
public:
    explicit TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}
    bool Execute() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    bool AutoCheck = false;
    int GroupIndex = 0;
    int HelpContext = 0;

private:
    std::string FCaption, FHint;
    bool FEnabled = true, FVisible = true, FChecked = false;
    TShortCut FShortCut = scNone;
    int FImageIndex = -1;
};

class TAction : public TCustomAction {
    TESSARO_CLASSINFO
public:
    explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
};

using TActionEvent = std::function<void(TBasicAction* Action, bool& Handled)>;

class TActionList : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TActionList(TComponent* AOwner) : TComponent(AOwner) {}
    ~TActionList() override;
    int ActionCount() const { return static_cast<int>(FActions.size()); }
    TContainedAction* Actions(int Index) const { return FActions.at(Index); }
    TActionEvent OnExecute, OnUpdate;
    TComponent* Images = nullptr;  // a TCustomImageList

    bool ExecuteAction(TBasicAction* Action);
    bool UpdateAction(TBasicAction* Action);
    // Runs the enabled action with this shortcut; true when one ran.
    bool IsShortCut(TShortCut ShortCut);

private:
    friend class TContainedAction;
    std::vector<TContainedAction*> FActions;
};

void RegisterActionClasses();
