// Unicode actions: an action's wide caption and hint live in a helper
// component the action owns; Unicode controls take them when linked.
#pragma once

#include "platform/classlib/actnlist.h"
#include "unicode/unicodewindows.h"

// Marks an action whose texts are wide.
class IUnicodeAction {
public:
    virtual ~IUnicodeAction() = default;
};
bool IsUnicodeAction(TBasicAction* Action);

// Keeps the wide texts consistent while the ANSI ones change: handlers that
// run while the ANSI text is briefly empty still read the previous wide text.
class TCustomActionHelper : public TComponent {
public:
    explicit TCustomActionHelper(TCustomAction* Action) : TComponent(Action), FAction(Action) {}
    WideString GetWideCaption();
    void SetWideCaption(const WideString& Value);
    WideString GetWideHint();
    void SetWideHint(const WideString& Value);
    // While the caption changes and the ANSI caption is not yet the new one,
    // the wide caption a link should show; otherwise Value converted.
    WideString WideCaptionForLink(const std::string& Value);
    WideString WideHintForLink(const std::string& Value);

private:
    TCustomAction* FAction;
    WideString FWideCaption, FPendingWideCaption;
    bool FChangingCaption = false;
    std::string FPendingAnsiCaption;
    WideString FWideHint, FPendingWideHint;
    bool FChangingHint = false;
    std::string FPendingAnsiHint;
};

// nullptr for an action that is not a Unicode one; made on first use. A null
// action fails an assertion (EUniInternalError).
TCustomActionHelper* GetActionHelper(TBasicAction* Action);
WideString GetActionWideCaption(TBasicAction* Action);
WideString GetActionWideHint(TBasicAction* Action);
void SetActionWideCaption(TBasicAction* Action, const WideString& Value);
void SetActionWideHint(TBasicAction* Action, const WideString& Value);
// From an action: its wide texts; from a control: its wide text and hint.
void CopyActionTextsFrom(TBasicAction* Action, TPersistent* Source);
// Run by the Unicode controls before the library's ActionChange when they are
// first linked: the control takes the Unicode action's wide caption and hint
// (under CheckDefaults only an empty caption or one equal to the Name, and an
// empty hint).
void ApplyActionWideTexts(TControl* Control, TBasicAction* Action, bool CheckDefaults);

class TUniAction : public TAction, public IUnicodeAction {
    TESSARO_CLASSINFO
public:
    explicit TUniAction(TComponent* AOwner) : TAction(AOwner) {}
    WideString Caption() { return GetActionWideCaption(this); }
    void SetCaption(const WideString& Value) { SetActionWideCaption(this, Value); }
    WideString Hint() { return GetActionWideHint(this); }
    void SetHint(const WideString& Value) { SetActionWideHint(this, Value); }
    void Assign(TPersistent* Source) override;
};
