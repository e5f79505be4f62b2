// The class library's persistent objects, components and the class registry
// that form files create components through.
#pragma once

#include <string>

#include "platform/rtl/classes.h"

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
