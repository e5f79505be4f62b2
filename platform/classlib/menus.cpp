#include "platform/classlib/menus.h"

#include <algorithm>
#include <map>

#include "platform/classlib/formload.h"
#include "platform/classlib/controls.h"
#include "platform/classlib/forms.h"
#include "platform/commctl/commctrl.h"

std::function<WORD(TPopupMenu* Menu, int X, int Y)> PopupMenuTracker;

namespace {

std::map<WORD, TMenuItem*>& Commands() {
    static std::map<WORD, TMenuItem*> M;
    return M;
}

WORD NewCommand(TMenuItem* Item) {
    static WORD Next = 0x100;
    auto& M = Commands();
    for (int Tries = 0; Tries < 0xF000; ++Tries) {
        WORD C = Next++;
        if (Next >= 0xF000) Next = 0x100;  // above are the system commands
        if (!M.count(C)) {
            M[C] = Item;
            return C;
        }
    }
    throw EInvalidOperation("Out of menu commands");
}

template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;

}  // namespace

// ---- TMenuItem -------------------------------------------------------------------
TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) { FCommand = NewCommand(this); }

TMenuItem::~TMenuItem() {
    Destroying();
    if (FAction) FAction->UnRegisterClient(this);
    // Sub-items go with their item.
    while (!FItems.empty()) {
        TMenuItem* I = FItems.back();
        FItems.pop_back();
        I->FParent = nullptr;
        I->Free();
    }
    if (FParent) FParent->Remove(this);
    FreeHandle();
    Commands().erase(FCommand);
}

TMenuItem* TMenuItem::FindByCommand(WORD Command) {
    auto It = Commands().find(Command);
    return It == Commands().end() ? nullptr : It->second;
}

void TMenuItem::SetCaption(const std::string& Value) {
    if (Value == FCaption) return;
    bool LineChange = (Value == "-") != IsLine();
    FCaption = Value;
    Changed(LineChange);
}

void TMenuItem::SetShortCut(TShortCut Value) {
    if (Value == FShortCut) return;
    FShortCut = Value;
    Changed(false);
}

void TMenuItem::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    Changed(false);
}

void TMenuItem::SetVisible(bool Value) {
    if (Value == FVisible) return;
    FVisible = Value;
    Changed(true);
}

void TMenuItem::SetChecked(bool Value) {
    if (Value == FChecked) return;
    FChecked = Value;
    // One checked radio item per group among its siblings.
    if (Value && FRadioItem && FParent)
        for (TMenuItem* S : FParent->FItems)
            if (S != this && S->FRadioItem && S->GroupIndex == GroupIndex && S->FChecked) {
                S->FChecked = false;
                S->Changed(false);
            }
    Changed(false);
}

void TMenuItem::SetRadioItem(bool Value) {
    if (Value == FRadioItem) return;
    FRadioItem = Value;
    Changed(false);
}

void TMenuItem::SetAction(TBasicAction* Value) {
    if (LinkActionClient(this, FAction, FActionLink, Value,
                         [this](TBasicAction* A) { ActionChange(A, /*CheckDefaults=*/false); }))
        ActionChange(FAction, ComponentState().Contains(csLoading));
}

void TMenuItem::ActionChange(TBasicAction* Sender, bool CheckDefaults) {
    auto* A = dynamic_cast<TCustomAction*>(Sender);
    if (!A) return;
    TActionLinkState& L = FActionLink;
    TMenuActionLink* Link = ActionLink();
    bool all = !L.Valid;  // the first time the link takes everything over
    if (all ? (!CheckDefaults || FCaption.empty()) : A->Caption() != L.Caption && Link->IsCaptionLinked(A))
        Link->SetCaption(A->Caption());
    if (all ? (!CheckDefaults || FEnabled) : A->Enabled() != L.Enabled) SetEnabled(A->Enabled());
    if (all ? (!CheckDefaults || !FChecked) : A->Checked() != L.Checked) SetChecked(A->Checked());
    if (all ? (!CheckDefaults || FVisible) : A->Visible() != L.Visible) SetVisible(A->Visible());
    if (all ? (!CheckDefaults || FShortCut == scNone) : A->ShortCut() != L.ShortCut) SetShortCut(A->ShortCut());
    if (all ? (!CheckDefaults || Hint.empty()) : A->Hint() != L.Hint && Link->IsHintLinked(A)) Link->SetHint(A->Hint());
    if (all ? (!CheckDefaults || ImageIndex == -1) : A->ImageIndex() != L.ImageIndex) ImageIndex = A->ImageIndex();
    L = {true, A->Caption(), A->Hint(), A->Enabled(), A->Visible(), A->Checked(), A->ShortCut(), A->ImageIndex()};
}

TMenuActionLink* TMenuItem::ActionLink() {
    if (!FActionLinkObject) FActionLinkObject = CreateActionLink();
    return FActionLinkObject.get();
}

std::unique_ptr<TMenuActionLink> TMenuItem::CreateActionLink() { return std::make_unique<TMenuActionLink>(this); }

bool TMenuActionLink::IsCaptionLinked(TCustomAction*) { return true; }
bool TMenuActionLink::IsHintLinked(TCustomAction*) { return true; }
void TMenuActionLink::SetCaption(const std::string& Value) { FClient->SetCaption(Value); }
void TMenuActionLink::SetHint(const std::string& Value) { FClient->Hint = Value; }

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FAction) FAction = nullptr;
}

int TMenuItem::MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }

int TMenuItem::IndexOf(const TMenuItem* Item) const {
    auto It = std::find(FItems.begin(), FItems.end(), Item);
    return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
    if (!Item) return;
    if (Item->FParent) throw EInvalidOperation("Menu inserted twice");
    if (Index < 0 || Index > Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
    Changed(true);
}

void TMenuItem::Remove(TMenuItem* Item) {
    auto It = std::find(FItems.begin(), FItems.end(), Item);
    if (It == FItems.end()) return;
    FItems.erase(It);
    Item->FParent = nullptr;
    Item->FreeHandle();
    if (!ComponentState().Contains(csDestroying)) Changed(true);
}

void TMenuItem::Delete(int Index) {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    TMenuItem* I = FItems[Index];
    Remove(I);
    I->Free();
}

void TMenuItem::Clear() {
    while (!FItems.empty()) Delete(Count() - 1);
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* I = this;
    while (I->FParent) I = I->FParent;
    return I->FMenu;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
    if (auto* M = dynamic_cast<TMenu*>(Value))
        M->Items()->Add(this);
    else if (auto* I = dynamic_cast<TMenuItem*>(Value))
        I->Add(this);
}

void TMenuItem::FreeHandle() {
    for (TMenuItem* I : FItems) I->FreeHandle();
    if (FHandle) DestroyMenu(FHandle);
    FHandle = nullptr;
}

// Items of a main menu's bar show no shortcut; every item of a drop-down or
// popup does, the first level of a popup menu included.
static bool ShowsShortCut(const TMenuItem* Item) {
    return Item->ShortCut() != scNone && Item->Parent() &&
           !(Item->Parent()->Parent() == nullptr && dynamic_cast<TMainMenu*>(Item->GetParentMenu()));
}

void TMenuItem::BuildInto(HMENU Menu) {
    for (TMenuItem* I : FItems) {
        if (!I->FVisible) continue;
        MENUITEMINFOA MI{};
        MI.cbSize = sizeof MI;
        MI.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
        MI.wID = I->FCommand;
        MI.dwItemData = reinterpret_cast<ULONG_PTR>(I);
        std::string Text = I->FCaption;
        if (ShowsShortCut(I)) Text += "\t" + ShortCutToText(I->FShortCut);
        if (I->IsLine()) {
            MI.fType = MFT_SEPARATOR;
        } else {
            MI.fMask |= MIIM_STRING;
            MI.dwTypeData = Text.data();
            MI.cch = static_cast<UINT>(Text.size());
            if (I->FRadioItem) MI.fType |= MFT_RADIOCHECK;
        }
        TMenu* Owner = GetParentMenu();
        if ((Owner && Owner->OwnerDraw) || I->OnDrawItem) MI.fType |= MFT_OWNERDRAW;
        MI.fState = (I->FEnabled ? 0 : MFS_GRAYED) | (I->FChecked ? MFS_CHECKED : 0);
        if (!I->FItems.empty()) {
            MI.fMask |= MIIM_SUBMENU;
            MI.hSubMenu = I->Handle();
        }
        InsertMenuItemA(Menu, static_cast<UINT>(GetMenuItemCount(Menu)), TRUE, &MI);
    }
}

HMENU TMenuItem::Handle() {
    if (!FHandle) {
        FHandle = CreatePopupMenu();
        BuildInto(FHandle);
    }
    return FHandle;
}

void TMenuItem::Changed(bool Rebuild) {
    TMenu* M = GetParentMenu();
    if (!M || M->ComponentState().Contains(csDestroying)) return;
    if (!Rebuild && FParent) {
        // In place: the item's state and text.
        HMENU Host = FParent->FMenu ? FParent->FMenu->FHandle : FParent->FHandle;
        if (Host && FVisible) {
            MENUITEMINFOA MI{};
            MI.cbSize = sizeof MI;
            MI.fMask = MIIM_STATE | MIIM_FTYPE;
            MI.fState = (FEnabled ? 0 : MFS_GRAYED) | (FChecked ? MFS_CHECKED : 0);
            std::string Text = FCaption;
            if (ShowsShortCut(this)) Text += "\t" + ShortCutToText(FShortCut);
            if (IsLine()) {
                MI.fType = MFT_SEPARATOR;
            } else {
                MI.fMask |= MIIM_STRING;
                MI.dwTypeData = Text.data();
                MI.cch = static_cast<UINT>(Text.size());
                if (FRadioItem) MI.fType |= MFT_RADIOCHECK;
            }
            if (M->OwnerDraw || OnDrawItem) MI.fType |= MFT_OWNERDRAW;
            SetMenuItemInfoA(Host, FCommand, FALSE, &MI);
        }
    }
    M->MenuChanged(Rebuild);
}

void TMenuItem::Click() {
    if (!FEnabled) return;
    if (AutoCheck && !(FAction && dynamic_cast<TCustomAction*>(FAction) &&
                       static_cast<TCustomAction*>(FAction)->AutoCheck))
        SetChecked(!FChecked);
    if (OnClick) {
        OnClick(this);
    } else if (FAction) {
        FAction->ActionComponent = this;
        FAction->Execute();
        if (FAction) FAction->ActionComponent = nullptr;
    }
}

void TMenuItem::InitiateAction() {
    if (FAction) FAction->Update();
}

// ---- TMenu ------------------------------------------------------------------------------
TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner) {
    FItems = new TMenuItem(nullptr);
    FItems->FMenu = this;
}

TMenu::~TMenu() {
    Destroying();
    if (FHandle) DestroyMenu(FHandle);
    FHandle = nullptr;
    // The tree goes with the menu (an item freed leaves its owner's list).
    FItems->Free();
}

bool TMenu::IsShortCut(TShortCut ShortCut) {
    if (ShortCut == scNone) return false;
    std::function<TMenuItem*(TMenuItem*)> Find = [&](TMenuItem* P) -> TMenuItem* {
        for (TMenuItem* I : P->FItems) {
            if (!I->FVisible) continue;
            if (I->FShortCut == ShortCut) return I;
            if (TMenuItem* S = Find(I)) return S;
        }
        return nullptr;
    };
    TMenuItem* I = Find(FItems);
    if (!I) return false;
    // An item's action decides whether it may run now.
    I->InitiateAction();
    if (!I->FEnabled) return false;
    I->Click();
    return true;
}

TMenuItem* TMenu::FindItem(WORD Command) const {
    TMenuItem* I = TMenuItem::FindByCommand(Command);
    return I && I->GetParentMenu() == this ? I : nullptr;
}

bool TMenu::DispatchCommand(WORD Command) {
    TMenuItem* I = FindItem(Command);
    if (!I) return false;
    I->Click();
    return true;
}

HMENU TMenu::Handle() {
    if (!FHandle) {
        FHandle = IsPopup() ? CreatePopupMenu() : CreateMenu();
        FItems->BuildInto(FHandle);
    }
    return FHandle;
}

void TMenu::MenuChanged(bool Rebuild) {
    if (!Rebuild || !FHandle) return;
    for (TMenuItem* I : FItems->FItems) I->FreeHandle();
    DestroyMenu(FHandle);
    FHandle = nullptr;
}

void TMainMenu::MenuChanged(bool Rebuild) {
    if (!Rebuild) {
        if (WindowForm && WindowForm->HandleAllocated()) {
            DrawMenuBar(WindowForm->Handle());
            SendMessageW(WindowForm->Handle(), CM_MENUCHANGED, 0, reinterpret_cast<LPARAM>(this));
        }
        return;
    }
    HMENU Old = FHandle;
    if (!Old) return;
    for (TMenuItem* I : FItems->FItems) I->FreeHandle();
    FHandle = nullptr;
    if (WindowForm && WindowForm->HandleAllocated()) {
        SetMenu(WindowForm->Handle(), Handle());
        DrawMenuBar(WindowForm->Handle());
        SendMessageW(WindowForm->Handle(), CM_MENUCHANGED, 0, reinterpret_cast<LPARAM>(this));
    }
    DestroyMenu(Old);
}

// ---- TPopupList ---------------------------------------------------------------------------
TPopupList& LibraryPopupList() {
    static TPopupList* L = new TPopupList;  // lives to the end: menus leave it as they go
    return *L;
}
TPopupList* PopupList = &LibraryPopupList();

void TPopupList::Add(TPopupMenu* Menu) {
    if (std::find(FList.begin(), FList.end(), Menu) == FList.end()) FList.push_back(Menu);
}

void TPopupList::Remove(TPopupMenu* Menu) { FList.erase(std::remove(FList.begin(), FList.end(), Menu), FList.end()); }

namespace {
TMenuItem* ItemWithSubmenu(TMenuItem* Parent, HMENU Sub) {
    for (int I = 0; I < Parent->Count(); ++I) {
        TMenuItem* Item = Parent->Items(I);
        if (Item->Count() == 0) continue;
        if (Item->Handle() == Sub) return Item;
        if (TMenuItem* Found = ItemWithSubmenu(Item, Sub)) return Found;
    }
    return nullptr;
}
}  // namespace

TMenuItem* TPopupList::ItemOfMenuSelect(const TMessage& M) const {
    const UINT Flags = HIWORD(M.WParam), Id = LOWORD(M.WParam);
    if (Flags == 0xFFFF && M.LParam == 0) return nullptr;  // the menu closed
    for (TPopupMenu* Menu : FList) {
        TMenuItem* Found = (Flags & MF_POPUP)
                               ? ItemWithSubmenu(Menu->Items(), GetSubMenu(reinterpret_cast<HMENU>(M.LParam), static_cast<int>(Id)))
                               : Menu->FindItem(static_cast<WORD>(Id));
        if (Found) return Found;
    }
    return nullptr;
}

void TPopupList::WndProc(TMessage& M) {
    switch (M.Msg) {
        case WM_COMMAND:
            for (TPopupMenu* Menu : std::vector<TPopupMenu*>(FList))
                if (Menu->DispatchCommand(LOWORD(M.WParam))) return;
            break;
        case WM_MENUSELECT:
            if (Application) {
                TMenuItem* Item = ItemOfMenuSelect(M);
                Application->SetHint(Item ? GetLongHint(Item->Hint) : std::string());
            }
            break;
        default: break;
    }
}

// ---- TPopupMenu ----------------------------------------------------------------------------
TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) { LibraryPopupList().Add(this); }

TPopupMenu::~TPopupMenu() { LibraryPopupList().Remove(this); }

void TPopupMenu::Popup(int X, int Y) {
    if (OnPopup) OnPopup(this);
    // Sub-items' actions are brought up to date before they show.
    for (int I = 0; I < FItems->Count(); ++I) FItems->Items(I)->InitiateAction();
    WORD Cmd = 0;
    if (PopupMenuTracker) {
        Cmd = PopupMenuTracker(this, X, Y);
    } else {
        MenuChanged(true);
        HWND Owner = nullptr;
        if (auto* C = dynamic_cast<TControl*>(PopupComponent))
            if (TCustomForm* F = GetParentForm(C)) Owner = F->Handle();
        if (!Owner && Screen && Screen->ActiveForm()) Owner = Screen->ActiveForm()->Handle();
        if (!Owner && Application && Application->MainForm()) Owner = Application->MainForm()->Handle();
        UINT Flags = TPM_RETURNCMD | TPM_LEFTBUTTON | TPM_RIGHTBUTTON |
                     (Alignment == paRight ? TPM_RIGHTALIGN : Alignment == paCenter ? TPM_CENTERALIGN : 0);
        Cmd = static_cast<WORD>(TrackPopupMenu(Handle(), Flags, X, Y, 0, Owner, /*prcRect=*/nullptr));
    }
    if (Cmd) DispatchCommand(Cmd);
}

// ---- Class tables ------------------------------------------------------------------------
TClassInfo& TMenuItem::StaticClassInfo() {
    static TClassInfo CI("TMenuItem", &TComponent::StaticClassInfo(), CreateComponentOf<TMenuItem>, [](TClassInfo& C) {
        C.Define<TMenuItem>("Caption", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.SetCaption(R.String(V));
                            }));
        C.Define<TMenuItem>("ShortCut", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.SetShortCut(static_cast<TShortCut>(R.Int(V)));
                            }));
        C.Define<TMenuItem>("Enabled", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.SetEnabled(R.Bool(V));
                            }));
        C.Define<TMenuItem>("Visible", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.SetVisible(R.Bool(V));
                            }));
        C.Define<TMenuItem>("Checked", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.SetChecked(R.Bool(V));
                            }));
        C.Define<TMenuItem>("RadioItem", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.SetRadioItem(R.Bool(V));
                            }));
        C.Define<TMenuItem>("AutoCheck", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.AutoCheck = R.Bool(V);
                            }));
        C.Define<TMenuItem>("Default", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.Default = R.Bool(V);
                            }));
        C.Define<TMenuItem>("GroupIndex", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.GroupIndex = static_cast<int>(R.Int(V));
                            }));
        C.Define<TMenuItem>("ImageIndex", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.ImageIndex = static_cast<int>(R.Int(V));
                            }));
        C.Define<TMenuItem>("Hint", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.Hint = R.String(V);
                            }));
        C.Define<TMenuItem>("Action", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                R.Reference(V, [&O, &R](TComponent* X) {
                                    auto* A = dynamic_cast<TBasicAction*>(X);
                                    if (X && !A) R.Error(X->Name() + " is not an action");
                                    O.SetAction(A);
                                });
                            }));
        C.Define<TMenuItem>("OnClick", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.OnClick = R.Method<TNotifyEvent>(V);
                            }));
        C.Define<TMenuItem>("OnMeasureItem",
                            TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.OnMeasureItem = R.Method<TMenuMeasureItemEvent>(V);
                            }));
        C.Define<TMenuItem>("OnDrawItem", TSetter<TMenuItem>([](TMenuItem& O, const TFormValue& V, TFormReader& R) {
                                O.OnDrawItem = R.Method<TMenuDrawItemEvent>(V);
                            }));
    });
    return CI;
}

TClassInfo& TMenu::StaticClassInfo() {
    static TClassInfo CI("TMenu", &TComponent::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        C.Define<TMenu>("Images", TSetter<TMenu>([](TMenu& O, const TFormValue& V, TFormReader& R) {
                            R.Reference(V, [&O](TComponent* X) { O.Images = X; });
                        }));
        C.Define<TMenu>("OwnerDraw", TSetter<TMenu>([](TMenu& O, const TFormValue& V, TFormReader& R) {
                            O.OwnerDraw = R.Bool(V);
                        }));
    });
    return CI;
}

TClassInfo& TMainMenu::StaticClassInfo() {
    static TClassInfo CI("TMainMenu", &TMenu::StaticClassInfo(), CreateComponentOf<TMainMenu>, [](TClassInfo& C) {
        C.Define<TMainMenu>("AutoMerge", TSetter<TMainMenu>([](TMainMenu& O, const TFormValue& V, TFormReader& R) {
                                O.AutoMerge = R.Bool(V);
                            }));
    });
    return CI;
}

TClassInfo& TPopupMenu::StaticClassInfo() {
    static TClassInfo CI("TPopupMenu", &TMenu::StaticClassInfo(), CreateComponentOf<TPopupMenu>, [](TClassInfo& C) {
        C.Define<TPopupMenu>("AutoPopup", TSetter<TPopupMenu>([](TPopupMenu& O, const TFormValue& V, TFormReader& R) {
                                 O.AutoPopup = R.Bool(V);
                             }));
        C.Define<TPopupMenu>("Alignment", TSetter<TPopupMenu>([](TPopupMenu& O, const TFormValue& V, TFormReader& R) {
                                 O.Alignment = R.Enum<TPopupAlignment>(V, {"paLeft", "paRight", "paCenter"});
                             }));
        C.Define<TPopupMenu>("OnPopup", TSetter<TPopupMenu>([](TPopupMenu& O, const TFormValue& V, TFormReader& R) {
                                 O.OnPopup = R.Method<TNotifyEvent>(V);
                             }));
    });
    return CI;
}

void RegisterMenuClasses() {
    RegisterClasses({&TMenuItem::StaticClassInfo(), &TMainMenu::StaticClassInfo(), &TPopupMenu::StaticClassInfo()});
}
