#include "platform/classlib/classes_ext.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <typeinfo>
#include <unordered_map>

#include "platform/classlib/formfile.h"
#include "platform/rtl/sysutils.h"
#include "platform/system/unicode_conv.h"

// The C++ type name stands for the class name: the library's classes are named
// as the class library names them.
std::string ClassNameOf(const std::type_info& Type) {
    int Status = 0;
    char* Demangled = abi::__cxa_demangle(Type.name(), nullptr, nullptr, &Status);
    std::string Name = Status == 0 && Demangled ? Demangled : Type.name();
    std::free(Demangled);
    auto Colon = Name.rfind("::");
    if (Colon != std::string::npos) Name.erase(0, Colon + 2);
    return Name;
}

// ---- TPersistent --------------------------------------------------------------
void TPersistent::Assign(TPersistent* Source) {
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    AssignError(nullptr);
}

std::string TPersistent::ClassName() const { return ClassNameOf(typeid(*this)); }

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
    std::string SourceName = Source ? Source->ClassName() : "nil";
    throw EConvertError("Cannot assign a " + SourceName + " to a " + ClassName());
}

// ---- Class tables ---------------------------------------------------------------
bool TClassInfo::LessText::operator()(const std::string& A, const std::string& B) const {
    return CompareText(A, B) < 0;
}

TClassInfo::TClassInfo(std::string Name, const TClassInfo* Parent, TComponentFactory Create,
                       void (*DefineProperties)(TClassInfo&))
    : FName(std::move(Name)), FParent(Parent), FCreate(Create) {
    if (DefineProperties) DefineProperties(*this);
}

bool TClassInfo::InheritsFrom(const TClassInfo* Other) const {
    for (const TClassInfo* C = this; C; C = C->FParent)
        if (C == Other) return true;
    return false;
}

namespace {
// The form reader asks for the setter of every property it reads: a walk up
// the class chain with case-blind comparisons at each level was a tenth of
// reading a form. The answers are kept per class and name until a table changes.
struct TSetterCache {
    std::mutex Lock;
    std::unordered_map<std::string, const TPropertySetter*> Entries;  // class address + upper-cased name
};

TSetterCache& SetterCache() {
    static auto* Cache = new TSetterCache;
    return *Cache;
}

void ForgetSetters() {
    TSetterCache& C = SetterCache();
    std::lock_guard<std::mutex> G(C.Lock);
    C.Entries.clear();
}
}  // namespace

void TClassInfo::Define(const std::string& Property, TPropertySetter Setter) {
    ForgetSetters();
    TPropInfo& E = FProps[Property];
    if (E.Name.empty()) E.Name = Property;
    E.FormSetter = std::move(Setter);
}

void TClassInfo::DefineGetter(const std::string& Property, TPropertyGetter Getter) {
    FGetters.emplace_back(Property, std::move(Getter));
}

const TPropInfo* TClassInfo::Find(const std::string& Property, bool (*Has)(const TPropInfo&)) const {
    for (const TClassInfo* C = this; C; C = C->FParent) {
        auto It = C->FProps.find(Property);
        if (It != C->FProps.end() && Has(It->second)) return &It->second;
    }
    return nullptr;
}

const TPropertySetter* TClassInfo::FindProperty(const std::string& Property) const {
    const TClassInfo* Self = this;
    std::string Key(reinterpret_cast<const char*>(&Self), sizeof Self);
    Key += UpperCase(Property);
    TSetterCache& C = SetterCache();
    std::lock_guard<std::mutex> G(C.Lock);
    if (auto It = C.Entries.find(Key); It != C.Entries.end()) return It->second;
    const TPropInfo* E = Find(Property, [](const TPropInfo& P) { return static_cast<bool>(P.FormSetter); });
    const TPropertySetter* Setter = E ? &E->FormSetter : nullptr;
    C.Entries.emplace(std::move(Key), Setter);
    return Setter;
}

void TClassInfo::Publish(TPropInfo Info) {
    ForgetSetters();
    TPropInfo& E = FProps[Info.Name];
    if (!Info.FormSetter) Info.FormSetter = std::move(E.FormSetter);
    E = std::move(Info);
}

const TPropInfo* TClassInfo::FindPropInfo(const std::string& Property) const {
    return Find(Property, [](const TPropInfo& P) { return P.Kind != tkUnknown; });
}

const TPropInfo* GetPropInfo(const TObject* Obj, const std::string& Name) {
    auto* C = dynamic_cast<const TComponent*>(Obj);
    return C ? C->ClassInfo()->FindPropInfo(Name) : nullptr;
}

int64_t GetOrdProp(TPersistent& Obj, const TPropInfo& Prop) {
    return (Prop.Kind == tkInteger || Prop.Kind == tkEnumeration) && Prop.GetOrd ? Prop.GetOrd(Obj) : 0;
}

std::string GetEnumProp(TPersistent& Obj, const TPropInfo& Prop) {
    if (Prop.Kind != tkEnumeration && Prop.Kind != tkInteger) return {};
    int64_t V = GetOrdProp(Obj, Prop);
    if (V >= 0 && V < static_cast<int64_t>(Prop.ValueNames.size())) return Prop.ValueNames[static_cast<size_t>(V)];
    return std::to_string(V);
}

std::string GetStrProp(TPersistent& Obj, const TPropInfo& Prop) {
    if (Prop.Kind == tkString && Prop.GetStr) return Prop.GetStr(Obj);
    if (Prop.Kind == tkWString && Prop.GetWStr) return sysconv::Utf16ToUtf8(Prop.GetWStr(Obj));
    return {};
}

std::u16string GetWideStrProp(TPersistent& Obj, const TPropInfo& Prop) {
    if (Prop.Kind == tkWString && Prop.GetWStr) return Prop.GetWStr(Obj);
    if (Prop.Kind == tkString && Prop.GetStr) return sysconv::Utf8ToUtf16(Prop.GetStr(Obj));
    return {};
}

TObject* GetObjectProp(TPersistent& Obj, const TPropInfo& Prop) {
    return Prop.Kind == tkClass && Prop.GetObj ? Prop.GetObj(Obj) : nullptr;
}

bool SetPropFromText(TPersistent& Obj, const TPropInfo& Prop, const std::string& Text) {
    switch (Prop.Kind) {
        case tkInteger:
            if (!Prop.SetOrd) return false;
            Prop.SetOrd(Obj, StrToInt(Text));
            return true;
        case tkEnumeration: {
            if (!Prop.SetOrd) return false;
            for (size_t I = 0; I < Prop.ValueNames.size(); ++I)
                if (SameText(Prop.ValueNames[I], Text)) {
                    Prop.SetOrd(Obj, static_cast<int64_t>(I));
                    return true;
                }
            throw EConvertError("'" + Text + "' is not a value of " + Prop.Name);
        }
        case tkString:
            if (!Prop.SetStr) return false;
            Prop.SetStr(Obj, Text);
            return true;
        case tkWString:
            if (!Prop.SetWStr) return false;
            Prop.SetWStr(Obj, sysconv::Utf8ToUtf16(Text));
            return true;
        case tkClass:
        case tkUnknown: return false;
    }
    return false;
}

bool ClassInheritsFrom(const TClassInfo* Class, const std::string& ClassName) {
    for (const TClassInfo* C = Class; C; C = C->Parent())
        if (SameText(C->Name(), ClassName)) return true;
    return false;
}

bool ObjectInheritsFrom(const TObject* Obj, const std::string& ClassName) {
    auto* C = dynamic_cast<const TComponent*>(Obj);
    return C && ClassInheritsFrom(C->ClassInfo(), ClassName);
}

namespace {
struct TRegistry {
    std::mutex Lock;
    std::map<std::string, TClassInfo*> ByName;  // upper-case names
};
TRegistry& Registry() {
    static TRegistry R;
    return R;
}
}  // namespace

void RegisterClass(TClassInfo& Info) {
    auto& R = Registry();
    std::lock_guard<std::mutex> G(R.Lock);
    R.ByName[UpperCase(Info.Name())] = &Info;
}

void RegisterClasses(std::initializer_list<TClassInfo*> Infos) {
    for (TClassInfo* I : Infos) RegisterClass(*I);
}

void UnRegisterClass(TClassInfo& Info) {
    auto& R = Registry();
    std::lock_guard<std::mutex> G(R.Lock);
    auto It = R.ByName.find(UpperCase(Info.Name()));
    if (It != R.ByName.end() && It->second == &Info) R.ByName.erase(It);
}

TClassInfo* GetClass(const std::string& ClassName) {
    auto& R = Registry();
    std::lock_guard<std::mutex> G(R.Lock);
    auto It = R.ByName.find(UpperCase(ClassName));
    return It == R.ByName.end() ? nullptr : It->second;
}

TClassInfo& FindClass(const std::string& ClassName) {
    TClassInfo* C = GetClass(ClassName);
    if (!C) throw EClassNotFound("Class " + ClassName + " not found");
    return *C;
}

// ---- TComponent ------------------------------------------------------------------
bool IsValidIdent(const std::string& Ident) {
    if (Ident.empty()) return false;
    auto Alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!Alpha(Ident[0])) return false;
    return std::all_of(Ident.begin(), Ident.end(), [&](char c) { return Alpha(c) || (c >= '0' && c <= '9'); });
}

struct TComponent::TMethodTable {
    std::map<std::string, std::any, TClassInfo::LessText> Methods;
    std::map<std::string, std::function<bool(TComponent*)>, TClassInfo::LessText> Fields;
};

TClassInfo& TComponent::StaticClassInfo() {
    static TClassInfo CI("TComponent", /*Parent=*/nullptr, /*Create=*/nullptr, [](TClassInfo& C) {
        C.Define<TComponent>("Tag", [](TComponent& O, const TFormValue& V, TFormReader&) {
            if (V.kind != TFormValue::vaInt) throw EConvertError("Tag must be an integer");
            O.Tag = static_cast<intptr_t>(V.Int);
        });
        // Where the designer showed a non-visual component.
        for (const char* Ignored : {"Left", "Top", "DesignInfo"})
            C.Define(Ignored, [](TPersistent&, const TFormValue&, TFormReader&) {});
    });
    return CI;
}

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    // Those that asked to hear of our end forget us.
    while (!FFreeNotifies.empty()) {
        TComponent* C = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto& Back = C->FFreeNotifies;
        Back.erase(std::remove(Back.begin(), Back.end(), this), Back.end());
        C->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Free() {
    if (!FDestructionStarted) {
        FDestructionStarted = true;
        BeforeDestruction();
    }
    delete this;
}

void TComponent::BeforeDestruction() { Destroying(); }

void TComponent::SetName(const std::string& NewName) {
    if (NewName == FName) return;
    if (!NewName.empty() && !IsValidIdent(NewName))
        throw EComponentError("'" + NewName + "' is not a valid component name");
    if (FOwner && !NewName.empty()) {
        TComponent* Other = FOwner->FindComponent(NewName);
        if (Other && Other != this) throw EComponentError("A component named " + NewName + " already exists");
    }
    FName = NewName;
}

int TComponent::ComponentIndex() const {
    if (!FOwner) return -1;
    auto& L = FOwner->FComponents;
    auto It = std::find(L.begin(), L.end(), this);
    return It == L.end() ? -1 : static_cast<int>(It - L.begin());
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
    if (AName.empty()) return nullptr;
    for (TComponent* C : FComponents)
        if (SameText(C->FName, AName)) return C;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (!AComponent || AComponent->FOwner == this) return;
    if (!AComponent->FName.empty() && FindComponent(AComponent->FName))
        throw EComponentError("A component named " + AComponent->FName + " already exists");
    if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    auto It = std::find(FComponents.begin(), FComponents.end(), AComponent);
    if (It == FComponents.end()) return;
    Notification(AComponent, opRemove);
    // Notification may have changed the list.
    It = std::find(FComponents.begin(), FComponents.end(), AComponent);
    if (It != FComponents.end()) FComponents.erase(It);
    AComponent->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
    // Last made goes first, as a component may use those made before it.
    while (!FComponents.empty()) {
        TComponent* C = FComponents.back();
        FComponents.pop_back();
        C->FOwner = nullptr;
        Notification(C, opRemove);
        C->Free();
    }
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this) return;
    auto Add = [](std::vector<TComponent*>& L, TComponent* C) {
        if (std::find(L.begin(), L.end(), C) == L.end()) L.push_back(C);
    };
    Add(FFreeNotifies, AComponent);
    Add(AComponent->FFreeNotifies, this);
    FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (!AComponent) return;
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent), FFreeNotifies.end());
    auto& L = AComponent->FFreeNotifies;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
}

void TComponent::SetLoading(bool Value) {
    if (Value)
        FComponentState.Include(csLoading);
    else
        FComponentState.Exclude(csLoading);
}

void TComponent::SetDesigning(bool Value) {
    if (Value)
        FComponentState.Include(csDesigning);
    else
        FComponentState.Exclude(csDesigning);
    for (TComponent* C : FComponents) C->SetDesigning(Value);
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
    // Copy: a handler may free or add components.
    std::vector<TComponent*> Owned = FComponents;
    for (auto It = Owned.rbegin(); It != Owned.rend(); ++It)
        if (*It != AComponent && std::find(FComponents.begin(), FComponents.end(), *It) != FComponents.end())
            (*It)->Notification(AComponent, Operation);
}

void TComponent::AddMethod(const std::string& MethodName, std::any Handler) {
    if (!FMethods) FMethods = std::make_unique<TMethodTable>();
    FMethods->Methods[MethodName] = std::move(Handler);
}

void TComponent::AddField(const std::string& FieldName, std::function<bool(TComponent*)> Setter) {
    if (!FMethods) FMethods = std::make_unique<TMethodTable>();
    FMethods->Fields[FieldName] = std::move(Setter);
}

const std::any* TComponent::FindMethod(const std::string& MethodName) const {
    if (!FMethods) return nullptr;
    auto It = FMethods->Methods.find(MethodName);
    return It == FMethods->Methods.end() ? nullptr : &It->second;
}

bool TComponent::SetFieldByName(const std::string& FieldName, TComponent* Value) {
    if (!FMethods) return false;
    auto It = FMethods->Fields.find(FieldName);
    if (It == FMethods->Fields.end()) return false;
    if (!It->second(Value))
        throw EComponentError("Field " + FieldName + " of " + ClassName() + " cannot hold a " +
                              (Value ? Value->ClassName() : std::string("nil")));
    return true;
}

// ---- Collections --------------------------------------------------------------------
int TCollectionItem::Index() const { return FCollection ? FCollection->IndexOf(this) : -1; }

void TCollectionItem::Changed() {
    if (FCollection) FCollection->Changed(this);
}

TCollection::~TCollection() = default;

TCollectionItem* TCollection::Add() {
    FItems.push_back(NewItem());
    Changed(nullptr);
    return FItems.back().get();
}

void TCollection::Delete(int Index) {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    FItems.erase(FItems.begin() + Index);
    Changed(nullptr);
}

void TCollection::Clear() {
    if (FItems.empty()) return;
    FItems.clear();
    Changed(nullptr);
}

void TCollection::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) Changed(nullptr);
}

int TCollection::IndexOf(const TCollectionItem* Item) const {
    for (size_t I = 0; I < FItems.size(); ++I)
        if (FItems[I].get() == Item) return static_cast<int>(I);
    return -1;
}

void TCollection::Move(int From, int To) {
    if (From < 0 || From >= Count() || To < 0 || To >= Count())
        throw EListError("List index out of bounds (" + IntToStr(From < 0 || From >= Count() ? From : To) + ")");
    auto Item = std::move(FItems[From]);
    FItems.erase(FItems.begin() + From);
    FItems.insert(FItems.begin() + To, std::move(Item));
    Changed(nullptr);
}

void TCollection::Update(TCollectionItem* Item) {
    if (OnUpdate) OnUpdate(Item);
}

void TCollection::Changed(TCollectionItem* Item) {
    if (FUpdateCount == 0) Update(Item);
}
