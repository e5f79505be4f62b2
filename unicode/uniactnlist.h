// Unicode actions: an action's wide caption and hint live in a helper
// component the action owns; Unicode controls take them when linked.
#pragma once

#include "platform/classlib/actnlist.h"
#include "platform/classlib/buttons.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/toolbar.h"

#include <memory>
#include <typeinfo>
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

// The wide text a link gives its client for the ANSI Value the action passes
// on: the action's own wide text when that is what Value stands for, else the
// helper's choice while the text changes, else Value converted.
WideString WideCaptionForLink(TBasicAction* Action, const std::string& Value);
WideString WideHintForLink(TBasicAction* Action, const std::string& Value);

// The Unicode action links: each derives from the library's link of its
// control kind and sets the linked control's wide caption and hint. The
// library asks a link after the action changed, passing every change on, so
// the links keep its test of what is linked.
template <class Base>
class TUniLinkOf : public Base {
public:
    explicit TUniLinkOf(TControl* Client) : Base(Client) {}
    // The library's link class this one stands in for.
    static const std::type_info& LibraryKind() { return typeid(Base); }
    void SetCaption(const std::string& Value) override {
        SetWideControlText(this->FClient, WideCaptionForLink(this->FClient->Action(), Value));
    }
    void SetHint(const std::string& Value) override {
        SetWideControlHint(this->FClient, WideHintForLink(this->FClient->Action(), Value));
    }
};
class TUniControlActionLink : public TUniLinkOf<TControlActionLink> {
public:
    using TUniLinkOf::TUniLinkOf;
};
class TUniWinControlActionLink : public TUniLinkOf<TWinControlActionLink> {
public:
    using TUniLinkOf::TUniLinkOf;
};
class TUniButtonActionLink : public TUniLinkOf<TButtonActionLink> {
public:
    using TUniLinkOf::TUniLinkOf;
};
class TUniSpeedButtonActionLink : public TUniLinkOf<TSpeedButtonActionLink> {
public:
    using TUniLinkOf::TUniLinkOf;
};
class TUniToolButtonActionLink : public TUniLinkOf<TToolButtonActionLink> {
public:
    using TUniLinkOf::TUniLinkOf;
};
class TUniListViewActionLink : public TUniLinkOf<TListViewActionLink> {
public:
    using TUniLinkOf::TUniLinkOf;
};
// The Unicode link for the control's kind (list view, speed button, tool
// button, button, other windowed control, other control). Library is the link
// the control's library class makes: the chosen link must stand in for
// exactly that class, else EUniInternalError.
std::unique_ptr<TControlActionLink> UniActionLinkFor(TControl* Control, const TControlActionLink& Library);

// The hint action with a wide hint: the wide application hint goes out in it.
class TUniHintAction : public THintAction, public IUnicodeAction {
    TESSARO_CLASSINFO
public:
    explicit TUniHintAction(TComponent* AOwner) : THintAction(AOwner) {}
    WideString Hint() { return GetActionWideHint(this); }
    void SetHint(const WideString& Value) { SetActionWideHint(this, Value); }
    void Assign(TPersistent* Source) override;
};

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
