#include "platform/classlib/actnlist.h"

#include <algorithm>

#include "platform/classlib/formload.h"
#include "platform/win/winuser.h"

namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;

struct TKeyName {
    WORD Key;
    const char* Name;
};
const TKeyName KeyNames[] = {
    {VK_BACK, "BkSp"}, {VK_TAB, "Tab"},     {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},  {VK_END, "End"},      {VK_HOME, "Home"},  {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},   {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
};
}  // namespace

TShortCut ShortCut(WORD Key, bool Shift, bool Ctrl, bool Alt) {
    if (Key & 0xFF00) return scNone;
    TShortCut S = Key;
    if (Shift) S |= scShift;
    if (Ctrl) S |= scCtrl;
    if (Alt) S |= scAlt;
    return S;
}

static std::string KeyText(WORD Key) {
    for (const TKeyName& K : KeyNames)
        if (K.Key == Key) return K.Name;
    if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z')) return std::string(1, static_cast<char>(Key));
    if (Key >= VK_F1 && Key <= VK_F1 + 23) return "F" + IntToStr(Key - VK_F1 + 1);
    return "";
}

std::string ShortCutToText(TShortCut SC) {
    std::string Name = KeyText(SC & 0xFF);
    if (Name.empty()) return "";
    std::string S;
    if (SC & scShift) S += "Shift+";
    if (SC & scCtrl) S += "Ctrl+";
    if (SC & scAlt) S += "Alt+";
    return S + Name;
}

TShortCut TextToShortCut(const std::string& Text) {
    std::string T = Text;
    TShortCut Mods = 0;
    for (;;) {
        if (StartsText("Shift+", T)) {
            Mods |= scShift;
            T.erase(0, 6);
        } else if (StartsText("Ctrl+", T)) {
            Mods |= scCtrl;
            T.erase(0, 5);
        } else if (StartsText("Alt+", T)) {
            Mods |= scAlt;
            T.erase(0, 4);
        } else {
            break;
        }
    }
    for (WORD K = 1; K < 0xFF; ++K) {
        std::string N = KeyText(K);
        if (!N.empty() && SameText(N, T)) return static_cast<TShortCut>(Mods | K);
    }
    return scNone;
}

// ---- TBasicAction -----------------------------------------------------------------
TBasicAction::~TBasicAction() {
    Destroying();
    FClients.clear();
}

bool TBasicAction::Execute() {
    if (OnExecute) {
        OnExecute(this);
        return true;
    }
    return false;
}

bool TBasicAction::Update() {
    if (OnUpdate) {
        OnUpdate(this);
        return true;
    }
    return false;
}

void TBasicAction::RegisterClient(const void* Client, std::function<void(TBasicAction*)> Changed) {
    UnRegisterClient(Client);
    FClients.push_back({Client, std::move(Changed)});
}

void TBasicAction::UnRegisterClient(const void* Client) {
    FClients.erase(std::remove_if(FClients.begin(), FClients.end(), [&](const TClient& C) { return C.Key == Client; }),
                   FClients.end());
}

void TBasicAction::Change() {
    // A client may unregister itself while it is told.
    std::vector<TClient> Copy = FClients;
    for (const TClient& C : Copy) {
        bool Still = std::any_of(FClients.begin(), FClients.end(), [&](const TClient& X) { return X.Key == C.Key; });
        if (Still) C.Changed(this);
    }
}

// ---- TContainedAction -----------------------------------------------------------------
TContainedAction::~TContainedAction() { SetActionList(nullptr); }

void TContainedAction::SetActionList(TActionList* Value) {
    if (Value == FActionList) return;
    if (FActionList) {
        auto& L = FActionList->FActions;
        L.erase(std::remove(L.begin(), L.end(), this), L.end());
    }
    FActionList = Value;
    if (Value) Value->FActions.push_back(this);
}

int TContainedAction::Index() const {
    if (!FActionList) return -1;
    auto& L = FActionList->FActions;
    auto It = std::find(L.begin(), L.end(), this);
    return It == L.end() ? -1 : static_cast<int>(It - L.begin());
}

void TContainedAction::SetParentComponent(TComponent* Value) {
    if (auto* L = dynamic_cast<TActionList*>(Value)) SetActionList(L);
}

bool TContainedAction::Execute() {
    if (FActionList && FActionList->ExecuteAction(this)) return true;
    return TBasicAction::Execute();
}

bool TContainedAction::Update() {
    if (FActionList && FActionList->UpdateAction(this)) return true;
    return TBasicAction::Update();
}

// ---- TCustomAction ---------------------------------------------------------------------
bool TCustomAction::Execute() {
    Update();
    if (!FEnabled) return false;
    if (AutoCheck) SetChecked(!FChecked);
    return TContainedAction::Execute();
}

void TCustomAction::SetCaption(const std::string& Value) {
    if (Value == FCaption) return;
    FCaption = Value;
    Change();
}

void TCustomAction::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    Change();
}

void TCustomAction::SetVisible(bool Value) {
    if (Value == FVisible) return;
    FVisible = Value;
    Change();
}

void TCustomAction::SetChecked(bool Value) {
    if (Value == FChecked) return;
    FChecked = Value;
    // Actions of one group are checked one at a time.
    if (Value && GroupIndex > 0 && ActionList())
        for (int I = 0; I < ActionList()->ActionCount(); ++I) {
            auto* A = dynamic_cast<TCustomAction*>(ActionList()->Actions(I));
            if (A && A != this && A->GroupIndex == GroupIndex) A->SetChecked(false);
        }
    Change();
}

void TCustomAction::SetHint(const std::string& Value) {
    if (Value == FHint) return;
    FHint = Value;
    Change();
}

void TCustomAction::SetShortCut(TShortCut Value) {
    if (Value == FShortCut) return;
    FShortCut = Value;
    Change();
}

void TCustomAction::SetImageIndex(int Value) {
    if (Value == FImageIndex) return;
    FImageIndex = Value;
    Change();
}

// ---- TActionList -------------------------------------------------------------------------
TActionList::~TActionList() {
    Destroying();
    for (TContainedAction* A : std::vector<TContainedAction*>(FActions)) A->SetActionList(nullptr);
}

bool TActionList::ExecuteAction(TBasicAction* Action) {
    bool Handled = false;
    if (OnExecute) OnExecute(Action, Handled);
    return Handled;
}

bool TActionList::UpdateAction(TBasicAction* Action) {
    bool Handled = false;
    if (OnUpdate) OnUpdate(Action, Handled);
    return Handled;
}

bool TActionList::IsShortCut(TShortCut SC) {
    if (SC == scNone) return false;
    for (TContainedAction* A : std::vector<TContainedAction*>(FActions)) {
        auto* C = dynamic_cast<TCustomAction*>(A);
        if (!C || C->ShortCut() != SC) continue;
        // The shortcut runs the action only when it is enabled after its update.
        C->Update();
        if (!C->Enabled()) return false;
        C->Execute();
        return true;
    }
    return false;
}

// ---- Class tables -------------------------------------------------------------------------
TClassInfo& TBasicAction::StaticClassInfo() {
    static TClassInfo CI("TBasicAction", &TComponent::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        C.Define<TBasicAction>("OnExecute", TSetter<TBasicAction>([](TBasicAction& O, const TFormValue& V,
                                                                     TFormReader& R) {
                                   O.OnExecute = R.Method<TNotifyEvent>(V);
                               }));
        C.Define<TBasicAction>("OnUpdate", TSetter<TBasicAction>([](TBasicAction& O, const TFormValue& V,
                                                                    TFormReader& R) {
                                   O.OnUpdate = R.Method<TNotifyEvent>(V);
                               }));
    });
    return CI;
}

TClassInfo& TContainedAction::StaticClassInfo() {
    static TClassInfo CI("TContainedAction", &TBasicAction::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        C.Define<TContainedAction>("Category", TSetter<TContainedAction>([](TContainedAction& O,
                                                                            const TFormValue& V, TFormReader& R) {
                                       O.Category = R.String(V);
                                   }));
    });
    return CI;
}

TClassInfo& TCustomAction::StaticClassInfo() {
    static TClassInfo CI("TCustomAction", &TContainedAction::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        using S = TSetter<TCustomAction>;
        C.Define<TCustomAction>("Caption", S([](TCustomAction& O, const TFormValue& V, TFormReader& R) {
                                    O.SetCaption(R.String(V));
                                }));
        C.Define<TCustomAction>("Enabled", S([](TCustomAction& O, const TFormValue& V, TFormReader& R) {
                                    O.SetEnabled(R.Bool(V));
                                }));
        C.Define<TCustomAction>("Visible", S([](TCustomAction& O, const TFormValue& V, TFormReader& R) {
                                    O.SetVisible(R.Bool(V));
                                }));
        C.Define<TCustomAction>("Checked", S([](TCustomAction& O, const TFormValue& V, TFormReader& R) {
                                    O.SetChecked(R.Bool(V));
                                }));
        C.Define<TCustomAction>("Hint", S([](TCustomAction& O, const TFormValue& V, TFormReader& R) {
                                    O.SetHint(R.String(V));
                                }));
        C.Define<TCustomAction>("ShortCut", S([](TCustomAction& O, const TFormValue& V, TFormReader& R) {
                                    O.SetShortCut(static_cast<TShortCut>(R.Int(V)));
                                }));
        C.Define<TCustomAction>("ImageIndex", S([](TCustomAction& O, const TFormValue& V, TFormReader& R) {
                                    O.SetImageIndex(static_cast<int>(R.Int(V)));
                                }));
        C.Define<TCustomAction>("AutoCheck", S([](TCustomAction& O, const TFormValue& V, TFormReader& R) {
                                    O.AutoCheck = R.Bool(V);
                                }));
        C.Define<TCustomAction>("GroupIndex", S([](TCustomAction& O, const TFormValue& V, TFormReader& R) {
                                    O.GroupIndex = static_cast<int>(R.Int(V));
                                }));
        C.Define<TCustomAction>("HelpContext", S([](TCustomAction& O, const TFormValue& V, TFormReader& R) {
                                    O.HelpContext = static_cast<int>(R.Int(V));
                                }));
    });
    return CI;
}

TClassInfo& TAction::StaticClassInfo() {
    static TClassInfo CI("TAction", &TCustomAction::StaticClassInfo(), CreateComponentOf<TAction>);
    return CI;
}

TClassInfo& TActionList::StaticClassInfo() {
    static TClassInfo CI("TActionList", &TComponent::StaticClassInfo(), CreateComponentOf<TActionList>,
                         [](TClassInfo& C) {
                             using S = TSetter<TActionList>;
                             C.Define<TActionList>("OnExecute", S([](TActionList& O, const TFormValue& V,
                                                                     TFormReader& R) {
                                                       O.OnExecute = R.Method<TActionEvent>(V);
                                                   }));
                             C.Define<TActionList>("OnUpdate", S([](TActionList& O, const TFormValue& V,
                                                                    TFormReader& R) {
                                                       O.OnUpdate = R.Method<TActionEvent>(V);
                                                   }));
                             C.Define<TActionList>("Images", S([](TActionList& O, const TFormValue& V,
                                                                  TFormReader& R) {
                                                       R.Reference(V, [&O](TComponent* X) { O.Images = X; });
                                                   }));
                         });
    return CI;
}

void RegisterActionClasses() {
    RegisterClasses({&TAction::StaticClassInfo(), &TActionList::StaticClassInfo()});
}

bool LinkActionClient(TComponent* Client, TBasicAction*& Field, TActionLinkState& Link, TBasicAction* Value,
                      std::function<void(TBasicAction*)> Changed) {
    if (Value == Field) return false;
    if (Field) Field->UnRegisterClient(Client);
    Field = Value;
    Link = {};
    if (!Field) return false;
    Field->RegisterClient(Client, std::move(Changed));
    Field->FreeNotification(Client);
    return true;
}
