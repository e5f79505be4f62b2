// Loading a form file into a root component: creates the components by class,
// sets their published properties through the class tables, binds event
// handlers and component fields of the root by name, then calls Loaded on every
// component read, root first, in the order they were read.
#pragma once

#include <any>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/classlib/classes_ext.h"
#include "platform/classlib/formfile.h"

class TStrings;

TESSARO_DECLARE_EXCEPTION(EResNotFound, Exception)

class TFormReader {
public:
    TFormReader(TComponent* Root, std::string FileName);
    TComponent* Root() const { return FRoot; }
    const std::string& FileName() const { return FFileName; }
    int Line() const { return FLine; }
    // The property being set ("btnAdd.Caption"), for messages.
    const std::string& PropertyPath() const { return FPath; }

    // EFormFileError "file(line): What" at the current line.
    [[noreturn]] void Error(const std::string& What) const;

    // Reads a parsed tree into the root.
    void Read(const TFormObject& Tree);

    // Value conversions; a value of another kind is an error naming the line.
    int64_t Int(const TFormValue& V) const;
    double Float(const TFormValue& V) const;  // integers too
    bool Bool(const TFormValue& V) const;
    std::string String(const TFormValue& V) const;  // strings, and identifiers as text
    const std::string& Ident(const TFormValue& V) const;
    // Identifier among Names; the result is its index.
    int EnumIndex(const TFormValue& V, std::initializer_list<const char*> Names) const;
    template <class E>
    E Enum(const TFormValue& V, std::initializer_list<const char*> Names) const {
        return static_cast<E>(EnumIndex(V, Names));
    }
    // Set of identifiers among Names; bit N for the Nth name.
    uint64_t SetBits(const TFormValue& V, std::initializer_list<const char*> Names) const;
    template <class E>
    TSet<E> Set(const TFormValue& V, std::initializer_list<const char*> Names) const {
        return TSet<E>::FromBits(SetBits(V, Names));
    }
    // A list of strings into Strings (replacing its lines).
    void Strings(const TFormValue& V, TStrings& Strings) const;
    const std::vector<unsigned char>& Binary(const TFormValue& V) const;

    // The root's handler named by the value, as the event's function type F.
    template <class F>
    F Method(const TFormValue& V) const {
        const std::any* H = FindHandler(V);
        if (!H) return F();
        const F* Typed = std::any_cast<F>(H);
        if (!Typed) Error("The handler " + V.Str + " does not fit " + FPath);
        return *Typed;
    }

    // A component named by the value, found in the root when the whole tree is
    // read (forms may name components stored after the one that refers to them).
    void Reference(const TFormValue& V, std::function<void(TComponent*)> Assign);

    // Resolves the component references read so far.
    void ResolveFixups();
    // Sets the properties of a nested object (collection items) through Info.
    void SetProperties(TPersistent& Obj, const TClassInfo& Info, const std::vector<TFormProperty>& Props,
                       const std::string& Path);

private:
    friend bool SetObjectProp(TComponent*, const std::string&, TComponent*);
    // A name no form file can hold, standing for FDirect.
    static constexpr const char* DirectObjectName = "\x01object";
    TComponent* FDirect = nullptr;
    const std::any* FindHandler(const TFormValue& V) const;
    void ReadObject(const TFormObject& Obj, TComponent* Component, TComponent* ParentComponent);
    struct TFixup {
        std::string Name;
        std::string Path;
        int Line;
        std::function<void(TComponent*)> Assign;
    };
    TComponent* FRoot;
    std::string FFileName;
    int FLine = 0;
    std::string FPath;
    std::vector<TFixup> FFixups;
    std::vector<TComponent*> FLoaded;
    std::string FRootFileName;
};

// Published properties by name at run time, through the same class tables
// (the skin engine sets "Flat" this way): false when the class has no such
// property; a value of the wrong kind raises as the loader does. References
// to components are looked up in the component's owner.
bool IsPublishedProp(const TComponent* Component, const std::string& Name);
bool SetPropValue(TComponent* Component, const std::string& Name, const TFormValue& Value);
// Sets a published component property to Value itself (nullptr for none).
bool SetObjectProp(TComponent* Component, const std::string& Name, TComponent* Value);
// Form-file value text ("True", "12", "'text'", "clRed", "[fsBold]").
TFormValue ParseFormValue(const std::string& Text);

// The class library's classes that form files may name; called by the loader
// on first use, and by the program's start-up.
void RegisterStandardClasses();

// Reads form-file text, a form file on disk, or the embedded resource of type
// "forms" named ResourceName (with or without its extension) into Root.
void ReadFormText(TComponent* Root, const std::string& Text, const std::string& FileName);
void ReadFormFile(TComponent* Root, const std::string& Path);
void ReadFormResource(TComponent* Root, const std::string& ResourceName);
// True when a form resource of that name is embedded.
bool FormResourceExists(const std::string& ResourceName);
