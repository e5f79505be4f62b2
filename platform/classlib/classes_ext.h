// The class library's persistent objects, components, collections and the
// class registry that form files create components through.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/sets.h"

TESSARO_DECLARE_EXCEPTION(EComponentError, Exception)
TESSARO_DECLARE_EXCEPTION(EClassNotFound, Exception)
TESSARO_DECLARE_EXCEPTION(EOutOfResources, Exception)

class TClassInfo;
class TComponent;
class TFormReader;
struct TFormValue;

// An object whose state can be copied from another by Assign.
class TPersistent : public TObject {
public:
    // Copies Source's state; a class that cannot take Source's kind asks Source
    // to assign itself (AssignTo), which raises EConvertError by default.
    virtual void Assign(TPersistent* Source);
    // The object's class name as the class library names it ("TButton").
    virtual std::string ClassName() const;

protected:
    virtual void AssignTo(TPersistent* Dest);
    // EConvertError "Cannot assign a <Source's class> to a <this class>".
    [[noreturn]] void AssignError(TPersistent* Source);
};

// The drawing classes derive from this name.
using TPersistentBase = TPersistent;

using TNotifyEvent = std::function<void(TObject* Sender)>;

enum TComponentStateItem { csLoading, csReading, csWriting, csDestroying, csDesigning, csFreeNotification };
using TComponentState = TSet<TComponentStateItem>;
enum TOperation { opInsert, opRemove };

class TComponent;
using TComponentFactory = TComponent* (*)(TComponent* Owner);

// A property setter of a class table: sets Obj's property from a form-file value.
using TPropertySetter = std::function<void(TPersistent& Obj, const TFormValue& Value, TFormReader& Reader)>;

// A property getter of a class table, for the form writer: false when the
// property is not written (not stored, or at its default).
using TPropertyGetter = std::function<bool(const TPersistent& Obj, TFormValue& Value)>;

// How published properties are known: one entry per property and class
// table. A form file's value is set through the entry's FormSetter; code that
// deals with control classes it does not know when it is built (the skins)
// reads and writes through the typed accessors. tkUnknown: form files only.
enum TTypeKind { tkInteger, tkEnumeration, tkString, tkWString, tkClass, tkUnknown };

struct TPropInfo {
    std::string Name;
    TTypeKind Kind = tkUnknown;
    std::vector<std::string> ValueNames;  // tkEnumeration, by ordinal; a Boolean is False, True
    std::function<int64_t(TPersistent&)> GetOrd;  // tkInteger, tkEnumeration
    std::function<void(TPersistent&, int64_t)> SetOrd;
    std::function<std::string(TPersistent&)> GetStr;  // tkString (UTF-8)
    std::function<void(TPersistent&, const std::string&)> SetStr;
    std::function<std::u16string(TPersistent&)> GetWStr;  // tkWString
    std::function<void(TPersistent&, const std::u16string&)> SetWStr;
    std::function<TObject*(TPersistent&)> GetObj;  // tkClass
    TPropertySetter FormSetter;  // empty: form files do not set it here
};

// What the loader knows of a class: its name, its parent class, how to create
// one and its published properties by name (dotted paths such as "Font.Style"
// are names of their own), each with its form-file setter and its typed
// accessors in one entry. Lookups go up the class chain, each to the nearest
// class that gives what is asked for.
class TClassInfo {
public:
    TClassInfo(std::string Name, const TClassInfo* Parent, TComponentFactory Create,
               void (*DefineProperties)(TClassInfo&) = nullptr);
    const std::string& Name() const { return FName; }
    const TClassInfo* Parent() const { return FParent; }
    TComponentFactory Factory() const { return FCreate; }
    bool InheritsFrom(const TClassInfo* Other) const;

    // The form-file setter of the property's entry (the typed accessors stay).
    void Define(const std::string& Property, TPropertySetter Setter);
    // A setter typed by the class it applies to.
    template <class C>
    void Define(const std::string& Property, std::function<void(C&, const TFormValue&, TFormReader&)> Setter) {
        Define(Property, [Setter](TPersistent& Obj, const TFormValue& V, TFormReader& R) {
            Setter(static_cast<C&>(Obj), V, R);
        });
    }
    // Case-blind; nullptr when no class of the chain has the property.
    const TPropertySetter* FindProperty(const std::string& Property) const;

    // The typed accessors of the property's entry (its form-file setter stays
    // unless Info brings one).
    void Publish(TPropInfo Info);
    // Case-blind; the nearest entry with typed accessors, nullptr when none.
    const TPropInfo* FindPropInfo(const std::string& Property) const;
    template <class C>
    void PublishInteger(const std::string& Name, std::function<int64_t(C&)> Get,
                        std::function<void(C&, int64_t)> Set = {}) {
        TPropInfo P;
        P.Name = Name;
        P.Kind = tkInteger;
        P.GetOrd = [Get](TPersistent& O) { return Get(static_cast<C&>(O)); };
        if (Set) P.SetOrd = [Set](TPersistent& O, int64_t V) { Set(static_cast<C&>(O), V); };
        Publish(std::move(P));
    }
    template <class C>
    void PublishEnum(const std::string& Name, std::vector<std::string> ValueNames, std::function<int64_t(C&)> Get,
                     std::function<void(C&, int64_t)> Set = {}) {
        PublishInteger<C>(Name, std::move(Get), std::move(Set));
        TPropInfo P = *FindPropInfo(Name);
        P.Kind = tkEnumeration;
        P.ValueNames = std::move(ValueNames);
        Publish(std::move(P));
    }
    template <class C>
    void PublishBool(const std::string& Name, std::function<bool(C&)> Get, std::function<void(C&, bool)> Set = {}) {
        std::function<void(C&, int64_t)> S;
        if (Set) S = [Set](C& O, int64_t V) { Set(O, V != 0); };
        PublishEnum<C>(Name, {"False", "True"}, [Get](C& O) -> int64_t { return Get(O) ? 1 : 0; }, std::move(S));
    }
    template <class C>
    void PublishString(const std::string& Name, std::function<std::string(C&)> Get,
                       std::function<void(C&, const std::string&)> Set = {}) {
        TPropInfo P;
        P.Name = Name;
        P.Kind = tkString;
        P.GetStr = [Get](TPersistent& O) { return Get(static_cast<C&>(O)); };
        if (Set) P.SetStr = [Set](TPersistent& O, const std::string& V) { Set(static_cast<C&>(O), V); };
        Publish(std::move(P));
    }
    template <class C>
    void PublishWideString(const std::string& Name, std::function<std::u16string(C&)> Get,
                           std::function<void(C&, const std::u16string&)> Set = {}) {
        TPropInfo P;
        P.Name = Name;
        P.Kind = tkWString;
        P.GetWStr = [Get](TPersistent& O) { return Get(static_cast<C&>(O)); };
        if (Set) P.SetWStr = [Set](TPersistent& O, const std::u16string& V) { Set(static_cast<C&>(O), V); };
        Publish(std::move(P));
    }
    template <class C>
    void PublishObject(const std::string& Name, std::function<TObject*(C&)> Get) {
        TPropInfo P;
        P.Name = Name;
        P.Kind = tkClass;
        P.GetObj = [Get](TPersistent& O) { return Get(static_cast<C&>(O)); };
        Publish(std::move(P));
    }

    // Getters for the form writer, written in the order they are defined here.
    void DefineGetter(const std::string& Property, TPropertyGetter Getter);
    const std::vector<std::pair<std::string, TPropertyGetter>>& Getters() const { return FGetters; }

    struct LessText {
        bool operator()(const std::string& A, const std::string& B) const;
    };

private:
    std::string FName;
    const TClassInfo* FParent;
    TComponentFactory FCreate;
    // The nearest entry along the chain that Has what is asked for.
    const TPropInfo* Find(const std::string& Property, bool (*Has)(const TPropInfo&)) const;
    std::map<std::string, TPropInfo, LessText> FProps;
    std::vector<std::pair<std::string, TPropertyGetter>> FGetters;
};

// Each registered class declares its table with this in its body and defines
// StaticClassInfo in its source file.
#define TESSARO_CLASSINFO                                                     \
public:                                                                       \
    static TClassInfo& StaticClassInfo();                                     \
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

template <class T>
TComponent* CreateComponentOf(TComponent* Owner) {
    return new T(Owner);
}

// The published property of that name of Obj's class table; nullptr when Obj
// is no component or its class publishes no such property.
const TPropInfo* GetPropInfo(const TObject* Obj, const std::string& Name);
// Typed readers. Integer and enumeration properties give their ordinal; an
// enumeration's value name is its name in ValueNames (a number out of range
// gives the number as text); string readers convert between the two string
// kinds; any other kind reads as 0, empty text or nullptr.
int64_t GetOrdProp(TPersistent& Obj, const TPropInfo& Prop);
std::string GetEnumProp(TPersistent& Obj, const TPropInfo& Prop);
std::string GetStrProp(TPersistent& Obj, const TPropInfo& Prop);
std::u16string GetWideStrProp(TPersistent& Obj, const TPropInfo& Prop);
TObject* GetObjectProp(TPersistent& Obj, const TPropInfo& Prop);
// Sets a property from text: an integer with StrToInt (EConvertError for text
// that is no integer), an enumeration by value name (case-blind; EConvertError
// for an unknown name), a string as it is. A read-only property or one of
// another kind is left alone; returns whether the value was set.
bool SetPropFromText(TPersistent& Obj, const TPropInfo& Prop, const std::string& Text);

// Class tests by name through the class-table chain (case-blind): true when
// the class or one of its ancestors has that name.
bool ClassInheritsFrom(const TClassInfo* Class, const std::string& ClassName);
bool ObjectInheritsFrom(const TObject* Obj, const std::string& ClassName);

// The class registry, by class name (case-blind).
void RegisterClass(TClassInfo& Info);
void RegisterClasses(std::initializer_list<TClassInfo*> Infos);
void UnRegisterClass(TClassInfo& Info);
TClassInfo* GetClass(const std::string& ClassName);   // nullptr when unknown
TClassInfo& FindClass(const std::string& ClassName);  // EClassNotFound "Class %s not found"

// Owner frees what it owns; others that asked for a free notification hear
// of a component's end. Free() runs BeforeDestruction (events that need the
// whole object) and deletes.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    static TClassInfo& StaticClassInfo();
    virtual const TClassInfo* ClassInfo() const { return &StaticClassInfo(); }

    // Runs BeforeDestruction, then deletes the component (null is fine).
    void Free();
    virtual void BeforeDestruction();

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    // EComponentError for a name that is not an identifier or that another
    // component of the same owner has.
    virtual void SetName(const std::string& NewName);
    intptr_t Tag = 0;

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const { return FComponents.at(Index); }
    int ComponentIndex() const;
    // Among the owned components, case-blind; nullptr when absent.
    TComponent* FindComponent(const std::string& AName) const;
    template <class T>
    T* Find(const std::string& AName) const {
        return dynamic_cast<T*>(FindComponent(AName));
    }
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    void DestroyComponents();

    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    TComponentState ComponentState() const { return FComponentState; }
    // The loader sets csLoading before it reads a component; Loaded clears it.
    void SetLoading(bool Value);
    // The component and those it owns are being designed (no designer runs in
    // the program; tools and tests set it).
    void SetDesigning(bool Value);
    virtual void Loaded();
    // The loader hands each component the one it is nested in within the form
    // file (controls take it as their parent, menu items as their parent item).
    virtual void SetParentComponent(TComponent* Value) { (void)Value; }

    // The root's table of event handlers and component fields, by name.
    const std::any* FindMethod(const std::string& MethodName) const;
    // Sets the field of that name to Value: false when there is no such field,
    // EComponentError when Value is of another class.
    bool SetFieldByName(const std::string& FieldName, TComponent* Value);

    // Called on the owner and every owned component when a component is added
    // or goes away, and on those that asked for free notification.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

protected:
    void Destroying() { FComponentState.Include(csDestroying); }
    // Handlers are plain member functions bound to this object.
    template <class C, class R, class... A>
    void DefineMethod(const std::string& MethodName, R (C::*M)(A...)) {
        C* Self = static_cast<C*>(this);
        AddMethod(MethodName, std::function<R(A...)>([Self, M](A... Args) -> R { return (Self->*M)(Args...); }));
    }
    template <class T>
    void DefineField(const std::string& FieldName, T*& Field) {
        T** Where = &Field;
        AddField(FieldName, [Where](TComponent* Value) -> bool {
            if (!Value) return *Where = nullptr, true;
            T* Typed = dynamic_cast<T*>(Value);
            if (!Typed) return false;
            *Where = Typed;
            return true;
        });
    }

private:
    void AddMethod(const std::string& MethodName, std::any Handler);
    void AddField(const std::string& FieldName, std::function<bool(TComponent*)> Setter);
    struct TMethodTable;
    TComponent* FOwner = nullptr;
    std::string FName;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    TComponentState FComponentState;
    std::unique_ptr<TMethodTable> FMethods;
    bool FDestructionStarted = false;
};

// True for a valid identifier: a letter or '_', then letters, digits or '_'.
bool IsValidIdent(const std::string& Ident);

// ---- Collections ----------------------------------------------------------
class TCollection;

class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TCollection* Collection) : FCollection(Collection) {}
    TCollection* Collection() const { return FCollection; }
    int Index() const;

protected:
    void Changed();  // tells the collection

private:
    friend class TCollection;
    TCollection* FCollection;
};

// Owns its items; Update runs after each change (null: all items).
class TCollection : public TPersistent {
public:
    ~TCollection() override;
    int Count() const { return static_cast<int>(FItems.size()); }
    TCollectionItem* Item(int Index) const { return FItems.at(Index).get(); }
    TCollectionItem* Add();
    void Delete(int Index);
    void Clear();
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    int IndexOf(const TCollectionItem* Item) const;
    // Moves an item to another index.
    void Move(int From, int To);
    std::function<void(TCollectionItem*)> OnUpdate;

protected:
    virtual std::unique_ptr<TCollectionItem> NewItem() = 0;
    virtual void Update(TCollectionItem* Item);
    void Changed(TCollectionItem* Item);

private:
    friend class TCollectionItem;
    std::vector<std::unique_ptr<TCollectionItem>> FItems;
    int FUpdateCount = 0;
};

// A collection of one item class.
template <class T>
class TCollectionOf : public TCollection {
public:
    T* Add() { return static_cast<T*>(TCollection::Add()); }
    T* Items(int Index) const { return static_cast<T*>(Item(Index)); }

protected:
    std::unique_ptr<TCollectionItem> NewItem() override { return std::make_unique<T>(this); }
};

// What a control or menu item last took over from its action, so that a change of
// the action passes on only the properties that changed: a caption the program set
// on the control survives the action being enabled or disabled.
struct TActionLinkState {
    bool Valid = false;
    std::string Caption, Hint;
    bool Enabled = true, Visible = true, Checked = false;
    uint16_t ShortCut = 0;
    int ImageIndex = -1;
};
