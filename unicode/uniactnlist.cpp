#include "unicode/uniactnlist.h"

#include "unicode/widepropertyfilers.h"
#include "platform/rtl/scope.h"

bool IsUnicodeAction(TBasicAction* Action) {
    return dynamic_cast<TCustomAction*>(Action) && dynamic_cast<IUnicodeAction*>(Action);
}

WideString TCustomActionHelper::GetWideCaption() {
    if (FChangingCaption && FAction->Caption() != FPendingAnsiCaption) return FPendingWideCaption;
    return SyncWideWithAnsi(FWideCaption, FAction->Caption());
}

void TCustomActionHelper::SetWideCaption(const WideString& Value) {
    FPendingWideCaption = GetWideCaption();
    FPendingAnsiCaption = WideToUtf8(Value);
    rtl::TSetForScope SetChangingCaption(FChangingCaption, true);
    SetWideWithAnsi(Value, FWideCaption, FAction->Caption(), [this](const std::string& S) {
        if (S.empty() && !FPendingAnsiCaption.empty()) FPendingWideCaption.clear();
        FAction->SetCaption(S);
    });
}

WideString TCustomActionHelper::GetWideHint() {
    if (FChangingHint && FAction->Hint() != FPendingAnsiHint) return FPendingWideHint;
    return SyncWideWithAnsi(FWideHint, FAction->Hint());
}

void TCustomActionHelper::SetWideHint(const WideString& Value) {
    FPendingWideHint = GetWideHint();
    FPendingAnsiHint = WideToUtf8(Value);
    rtl::TSetForScope SetChangingHint(FChangingHint, true);
    SetWideWithAnsi(Value, FWideHint, FAction->Hint(), [this](const std::string& S) {
        if (S.empty() && !FPendingAnsiHint.empty()) FPendingWideHint.clear();
        FAction->SetHint(S);
    });
}

WideString TCustomActionHelper::WideCaptionForLink(const std::string& Value) {
    if (FChangingCaption && FAction->Caption() != FPendingAnsiCaption) return FWideCaption;
    return Utf8ToWide(Value);
}

WideString TCustomActionHelper::WideHintForLink(const std::string& Value) {
    if (FChangingHint && FAction->Hint() != FPendingAnsiHint) return FWideHint;
    return Utf8ToWide(Value);
}

TCustomActionHelper* GetActionHelper(TBasicAction* Action) {
    if (!Action) throw EUniInternalError("Assertion failed: an action is required (UniActnList)");
    if (!IsUnicodeAction(Action)) return nullptr;
    for (int I = 0; I < Action->ComponentCount(); ++I)
        if (auto* H = dynamic_cast<TCustomActionHelper*>(Action->Components(I))) return H;
    return new TCustomActionHelper(static_cast<TCustomAction*>(Action));
}

WideString GetActionWideCaption(TBasicAction* Action) {
    if (TCustomActionHelper* H = GetActionHelper(Action)) return H->GetWideCaption();
    auto* A = dynamic_cast<TCustomAction*>(Action);
    return A ? Utf8ToWide(A->Caption()) : WideString();
}

WideString GetActionWideHint(TBasicAction* Action) {
    if (TCustomActionHelper* H = GetActionHelper(Action)) return H->GetWideHint();
    auto* A = dynamic_cast<TCustomAction*>(Action);
    return A ? Utf8ToWide(A->Hint()) : WideString();
}

void SetActionWideCaption(TBasicAction* Action, const WideString& Value) {
    if (TCustomActionHelper* H = GetActionHelper(Action))
        H->SetWideCaption(Value);
    else if (auto* A = dynamic_cast<TCustomAction*>(Action))
        A->SetCaption(WideToUtf8(Value));
}

void SetActionWideHint(TBasicAction* Action, const WideString& Value) {
    if (TCustomActionHelper* H = GetActionHelper(Action))
        H->SetWideHint(Value);
    else if (auto* A = dynamic_cast<TCustomAction*>(Action))
        A->SetHint(WideToUtf8(Value));
}

void CopyActionTextsFrom(TBasicAction* Action, TPersistent* Source) {
    auto* A = dynamic_cast<TCustomAction*>(Action);
    if (!A) return;
    if (auto* From = dynamic_cast<TCustomAction*>(Source)) {
        A->SetCaption(WideToUtf8(GetActionWideCaption(From)));
        A->SetHint(WideToUtf8(GetActionWideHint(From)));
    } else if (auto* C = dynamic_cast<TControl*>(Source)) {
        A->SetCaption(WideToUtf8(GetWideControlText(C)));
        A->SetHint(WideToUtf8(GetWideControlHint(C)));
    }
}

void ApplyActionWideTexts(TControl* Control, TBasicAction* Action, bool CheckDefaults) {
    if (!IsUnicodeAction(Action)) return;
    const WideString Text = GetWideControlText(Control);
    if (!CheckDefaults || Text.empty() || Text == Utf8ToWide(Control->Name()))
        SetWideControlText(Control, GetActionWideCaption(Action));
    if (!CheckDefaults || GetWideControlHint(Control).empty()) SetWideControlHint(Control, GetActionWideHint(Action));
}

TClassInfo& TUniAction::StaticClassInfo() {
    static TClassInfo CI("TUniAction", &TAction::StaticClassInfo(), CreateComponentOf<TUniAction>, [](TClassInfo& C) {
        auto Self = [](const TPersistent& O) -> TUniAction& {
            return const_cast<TUniAction&>(static_cast<const TUniAction&>(O));
        };
        DefineWidePropertyFilers(C, {{"Caption", TWidePropertyKind::String,
                                      [Self](const TPersistent& O) { return Self(O).Caption(); },
                                      [Self](TPersistent& O, const WideString& S) { Self(O).SetCaption(S); }},
                                     {"Hint", TWidePropertyKind::String,
                                      [Self](const TPersistent& O) { return Self(O).Hint(); },
                                      [Self](TPersistent& O, const WideString& S) { Self(O).SetHint(S); }}});
    });
    return CI;
}

void TUniAction::Assign(TPersistent* Source) {
    // The class library's actions take no assignment of their own: the state is copied here.
    if (auto* From = dynamic_cast<TCustomAction*>(Source)) {
        SetEnabled(From->Enabled());
        SetVisible(From->Visible());
        SetChecked(From->Checked());
        SetShortCut(From->ShortCut());
        SetImageIndex(From->ImageIndex());
        AutoCheck = From->AutoCheck;
        GroupIndex = From->GroupIndex;
        HelpContext = From->HelpContext;
        Category = From->Category;
    } else if (!dynamic_cast<TControl*>(Source)) {
        TAction::Assign(Source);
        return;
    }
    CopyActionTextsFrom(this, Source);
}

TClassInfo& TUniHintAction::StaticClassInfo() {
    static TClassInfo CI("TUniHintAction", &THintAction::StaticClassInfo(), CreateComponentOf<TUniHintAction>,
                         [](TClassInfo& C) {
                             auto Self = [](const TPersistent& O) -> TUniHintAction& {
                                 return const_cast<TUniHintAction&>(static_cast<const TUniHintAction&>(O));
                             };
                             DefineWidePropertyFilers(
                                 C, {{"Hint", TWidePropertyKind::String,
                                      [Self](const TPersistent& O) { return Self(O).Hint(); },
                                      [Self](TPersistent& O, const WideString& S) { Self(O).SetHint(S); }}});
                         });
    return CI;
}

void TUniHintAction::Assign(TPersistent* Source) {
    if (!dynamic_cast<TCustomAction*>(Source) && !dynamic_cast<TControl*>(Source)) {
        THintAction::Assign(Source);
        return;
    }
    CopyActionTextsFrom(this, Source);
}

// ---- Action links ------------------------------------------------------------------------
WideString WideCaptionForLink(TBasicAction* Action, const std::string& Value) {
    if (Action && IsUnicodeAction(Action)) {
        const WideString Own = GetActionWideCaption(Action);
        if (WideToUtf8(Own) == Value) return Own;
        if (TCustomActionHelper* H = GetActionHelper(Action)) return H->WideCaptionForLink(Value);
    }
    return Utf8ToWide(Value);
}

WideString WideHintForLink(TBasicAction* Action, const std::string& Value) {
    if (Action && IsUnicodeAction(Action)) {
        const WideString Own = GetActionWideHint(Action);
        if (WideToUtf8(Own) == Value) return Own;
        if (TCustomActionHelper* H = GetActionHelper(Action)) return H->WideHintForLink(Value);
    }
    return Utf8ToWide(Value);
}

namespace {
template <class Link>
std::unique_ptr<TControlActionLink> Checked(TControl* Control, const TControlActionLink& Library) {
    if (typeid(Library) != Link::LibraryKind())
        throw EUniInternalError("Assertion failed: the Unicode action link stands in for another link class (UniActnList)");
    return std::make_unique<Link>(Control);
}
}  // namespace

std::unique_ptr<TControlActionLink> UniActionLinkFor(TControl* Control, const TControlActionLink& Library) {
    if (dynamic_cast<TCustomListView*>(Control)) return Checked<TUniListViewActionLink>(Control, Library);
    if (dynamic_cast<TSpeedButton*>(Control)) return Checked<TUniSpeedButtonActionLink>(Control, Library);
    if (dynamic_cast<TToolButton*>(Control)) return Checked<TUniToolButtonActionLink>(Control, Library);
    if (dynamic_cast<TButtonControl*>(Control)) return Checked<TUniButtonActionLink>(Control, Library);
    if (dynamic_cast<TWinControl*>(Control)) return Checked<TUniWinControlActionLink>(Control, Library);
    return Checked<TUniControlActionLink>(Control, Library);
}
