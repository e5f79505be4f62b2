#include "platform/classlib/classes_ext.h"

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

// The C++ type name stands for the class name: the library's classes are named
// as the class library names them.
std::string ClassNameOf(const std::type_info& Type) {
    int Status = 0;
    char* Demangled = abi::__cxa_demangle(Type.name(), nullptr, nullptr, &Status);
    std::string Name = Status == 0 && Demangled ? Demangled : Type.name();
    std::free(Demangled);
    // Drop namespaces: only the class name matters.
    auto Colon = Name.rfind("::");
    if (Colon != std::string::npos) Name.erase(0, Colon + 2);
    return Name;
}

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
