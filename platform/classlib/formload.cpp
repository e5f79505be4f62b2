#include "platform/classlib/formload.h"

#include <mutex>

#include "platform/classlib/actnlist.h"
#include "platform/classlib/buttons.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/stdctrls.h"
#include "platform/rtl/resources.h"

TFormReader::TFormReader(TComponent* Root, std::string FileName) : FRoot(Root), FFileName(std::move(FileName)) {}

void TFormReader::Error(const std::string& What) const { throw EFormFileError(FFileName, FLine, What); }

int64_t TFormReader::Int(const TFormValue& V) const {
    if (V.kind != TFormValue::vaInt) Error(FPath + ": an integer is expected");
    return V.Int;
}

double TFormReader::Float(const TFormValue& V) const {
    if (V.kind == TFormValue::vaInt) return static_cast<double>(V.Int);
    if (V.kind != TFormValue::vaFloat) Error(FPath + ": a number is expected");
    return V.Float;
}

bool TFormReader::Bool(const TFormValue& V) const {
    if (V.kind == TFormValue::vaIdent) {
        if (SameText(V.Str, "True")) return true;
        if (SameText(V.Str, "False")) return false;
    }
    Error(FPath + ": True or False is expected");
}

std::string TFormReader::String(const TFormValue& V) const {
    if (V.kind != TFormValue::vaString && V.kind != TFormValue::vaIdent) Error(FPath + ": a string is expected");
    return V.Str;
}

const std::string& TFormReader::Ident(const TFormValue& V) const {
    if (V.kind != TFormValue::vaIdent) Error(FPath + ": an identifier is expected");
    return V.Str;
}

int TFormReader::EnumIndex(const TFormValue& V, std::initializer_list<const char*> Names) const {
    const std::string& S = Ident(V);
    int I = 0;
    for (const char* N : Names) {
        if (SameText(S, N)) return I;
        ++I;
    }
    Error(FPath + ": invalid value " + S);
}

uint64_t TFormReader::SetBits(const TFormValue& V, std::initializer_list<const char*> Names) const {
    if (V.kind != TFormValue::vaSet) Error(FPath + ": a set is expected");
    uint64_t Bits = 0;
    for (const std::string& M : V.Set) {
        int I = 0;
        bool Found = false;
        for (const char* N : Names) {
            if (SameText(M, N)) {
                Bits |= uint64_t{1} << I;
                Found = true;
                break;
            }
            ++I;
        }
        if (!Found) Error(FPath + ": invalid set member " + M);
    }
    return Bits;
}

void TFormReader::Strings(const TFormValue& V, TStrings& Strings) const {
    if (V.kind != TFormValue::vaList) Error(FPath + ": a list is expected");
    Strings.Clear();
    for (const TFormValue& Item : V.List) Strings.Add(String(Item));
}

const std::vector<unsigned char>& TFormReader::Binary(const TFormValue& V) const {
    if (V.kind != TFormValue::vaBinary) Error(FPath + ": binary data is expected");
    return V.Binary;
}

const std::any* TFormReader::FindHandler(const TFormValue& V) const {
    if (V.kind == TFormValue::vaIdent && SameText(V.Str, "nil")) return nullptr;
    const std::string& Name = Ident(V);
    const std::any* H = FRoot->FindMethod(Name);
    if (!H) Error("The handler " + Name + " of " + FPath + " is not a method of " + FRoot->ClassName());
    return H;
}

void TFormReader::Reference(const TFormValue& V, std::function<void(TComponent*)> Assign) {
    if (V.kind == TFormValue::vaIdent && SameText(V.Str, "nil")) {
        Assign(nullptr);
        return;
    }
    if (FDirect && V.kind == TFormValue::vaIdent && V.Str == DirectObjectName) {
        Assign(FDirect);
        return;
    }
    FFixups.push_back({Ident(V), FPath, FLine, std::move(Assign)});
}

void TFormReader::SetProperties(TPersistent& Obj, const TClassInfo& Info, const std::vector<TFormProperty>& Props,
                                const std::string& Path) {
    for (const TFormProperty& P : Props) {
        FLine = P.Line;
        FPath = Path.empty() ? P.Name : Path + "." + P.Name;
        const TPropertySetter* Setter = Info.FindProperty(P.Name);
        if (!Setter) Error("Error reading " + FPath + ": Property " + P.Name + " does not exist");
        try {
            (*Setter)(Obj, P.Value, *this);
        } catch (const EFormFileError&) {
            throw;
        } catch (const Exception& E) {
            FPath = Path.empty() ? P.Name : Path + "." + P.Name;
            FLine = P.Line;
            Error("Error reading " + FPath + ": " + E.Message);
        }
    }
}

void TFormReader::ReadObject(const TFormObject& Obj, TComponent* Component, TComponent* ParentComponent) {
    Component->SetLoading(true);
    FLoaded.push_back(Component);
    if (ParentComponent) {
        FLine = Obj.Line;
        FPath = Obj.Name;
        try {
            Component->SetParentComponent(ParentComponent);
        } catch (const EFormFileError&) {
            throw;
        } catch (const Exception& E) {
            Error(E.Message);
        }
    }
    SetProperties(*Component, *Component->ClassInfo(), Obj.Properties, Obj.Name);
    for (const auto& Child : Obj.Children) {
        FLine = Child->Line;
        FPath = Child->Name;
        TClassInfo* Info = GetClass(Child->ClassName);
        if (!Info || !Info->Factory()) Error("Class " + Child->ClassName + " not found");
        TComponent* C = Info->Factory()(FRoot);
        try {
            C->SetName(Child->Name);
        } catch (const Exception& E) {
            C->Free();
            Error(E.Message);
        }
        try {
            FRoot->SetFieldByName(Child->Name, C);
        } catch (const Exception& E) {
            Error(E.Message);
        }
        ReadObject(*Child, C, Component);
    }
}

void TFormReader::Read(const TFormObject& Tree) {
    FLine = Tree.Line;
    FPath = Tree.Name;
    try {
        // A second form of one file under the same owner gets "name_1", "name_2", ...
        std::string Name = Tree.Name;
        TComponent* Owner = FRoot->Owner();
        for (int I = 1; Owner && !Name.empty(); ++I) {
            TComponent* Other = Owner->FindComponent(Name);
            if (!Other || Other == FRoot) break;
            Name = Tree.Name + "_" + IntToStr(I);
        }
        FRoot->SetName(Name);
    } catch (const Exception& E) {
        Error(E.Message);
    }
    FRootFileName = Tree.Name;
    ReadObject(Tree, FRoot, /*ParentComponent=*/nullptr);
    ResolveFixups();
    std::vector<TComponent*> Loaded;
    Loaded.swap(FLoaded);
    for (TComponent* C : Loaded) C->Loaded();
}

void TFormReader::ResolveFixups() {
    for (TFixup& F : FFixups) {
        FLine = F.Line;
        FPath = F.Path;
        bool IsRoot = SameText(F.Name, FRoot->Name()) || (!FRootFileName.empty() && SameText(F.Name, FRootFileName));
        TComponent* C = IsRoot ? FRoot : FRoot->FindComponent(F.Name);
        if (!C) Error("Error reading " + F.Path + ": Invalid property value (no component named " + F.Name + ")");
        F.Assign(C);
    }
    FFixups.clear();
}

bool IsPublishedProp(const TComponent* Component, const std::string& Name) {
    return Component && Component->ClassInfo()->FindProperty(Name) != nullptr;
}

bool SetPropValue(TComponent* Component, const std::string& Name, const TFormValue& Value) {
    if (!IsPublishedProp(Component, Name)) return false;
    TComponent* Root = Component->Owner() ? Component->Owner() : Component;
    TFormReader R(Root, Component->ClassName());
    TFormProperty P;
    P.Name = Name;
    P.Value = Value;
    R.SetProperties(*Component, *Component->ClassInfo(), {P}, Component->Name());
    R.ResolveFixups();
    return true;
}

bool SetObjectProp(TComponent* Component, const std::string& Name, TComponent* Value) {
    if (!IsPublishedProp(Component, Name)) return false;
    TComponent* Root = Component->Owner() ? Component->Owner() : Component;
    TFormReader R(Root, Component->ClassName());
    // The object itself, whatever its name or owner.
    R.FDirect = Value;
    TFormProperty P;
    P.Name = Name;
    P.Value.kind = TFormValue::vaIdent;
    P.Value.Str = Value ? TFormReader::DirectObjectName : "nil";
    R.SetProperties(*Component, *Component->ClassInfo(), {P}, Component->Name());
    R.ResolveFixups();
    return true;
}

TFormValue ParseFormValue(const std::string& Text) {
    // The parser reads it as the one property of a one-object form.
    std::unique_ptr<TFormObject> T = ParseFormFile("object X: T\n  V = " + Text + "\nend\n", "value");
    return T->Properties.at(0).Value;
}

// ---- Entry points ----------------------------------------------------------------
void RegisterStandardClasses() {
    static std::once_flag Once;
    std::call_once(Once, [] {
        RegisterControlClasses();
        RegisterActionClasses();
        RegisterMenuClasses();
        RegisterFormClasses();
        RegisterExtCtrlsClasses();
        RegisterStdCtrlsClasses();
        RegisterComCtrlsClasses();
        RegisterButtonsClasses();
        RegisterDialogsClasses();
    });
}

void ReadFormText(TComponent* Root, const std::string& Text, const std::string& FileName) {
    RegisterStandardClasses();
    std::unique_ptr<TFormObject> Tree = ParseFormFile(Text, FileName);
    TFormReader Reader(Root, FileName);
    Reader.Read(*Tree);
}

void ReadFormFile(TComponent* Root, const std::string& Path) {
    std::string Text;
    {
        TFileStream S(Path, fmOpenRead | fmShareDenyWrite);
        Text.resize(static_cast<size_t>(S.Size()));
        if (!Text.empty()) S.ReadBuffer(Text.data(), static_cast<int64_t>(Text.size()));
    }
    ReadFormText(Root, Text, Path);
}

void ReadFormResource(TComponent* Root, const std::string& ResourceName) {
    TResourceData Data;
    if (!FindEmbeddedResource("forms", ResourceName, Data))
        throw EResNotFound("Resource " + ResourceName + " not found");
    ReadFormText(Root, std::string(reinterpret_cast<const char*>(Data.Data), Data.Size), ResourceName);
}

bool FormResourceExists(const std::string& ResourceName) {
    TResourceData Data;
    return FindEmbeddedResource("forms", ResourceName, Data);
}
