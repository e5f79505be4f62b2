// Wide properties in form files. Beside each wide published property P a class
// defines extra keys: P + "W" (UTF-8) and P + "_UTF7"; wide lists carry
// "Strings", "WideStrings", "WideStringsW" and "WideStrings_UTF7". Keys read
// through the gate are applied only while the form's root is being designed or
// while ApplyWideStringsSwitch is on; otherwise they are read and dropped.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/classes_ext.h"
#include "platform/classlib/formload.h"
#include "unicode/unistrings.h"
#include "unicode/widestrings.h"

// Cleared at start-up; nothing in the program sets it.
extern bool ApplyWideStringsSwitch;

// Closed for a reader without a root; open while the root is being designed or
// the switch is on.
bool WideFilerGateOpen(const TFormReader& Reader);
// A text survives a UTF-8 round trip through the system code page unchanged
// when it holds 7-bit characters only: only such texts go without "_UTF7".
bool WideTextSurvivesUtf8(const WideString& Text);

enum class TWidePropertyKind { String, Char };

// One wide published property, in the order the class declares them. A
// character is passed as a one-unit string; character 0 as the empty string.
struct TWideProperty {
    std::string Name;
    TWidePropertyKind Kind = TWidePropertyKind::String;
    std::function<WideString(const TPersistent&)> Get;
    std::function<void(TPersistent&, const WideString&)> Set;
    std::function<bool(const TPersistent&)> Stored;  // empty: always stored
    std::optional<WideChar> Default;                 // characters only
};

// Defines, in the class table, each wide string property P (read and written
// as UTF-8 text), its "W" and "_UTF7" keys, and each wide character's "W" and
// "_UTF7" keys, with the getters the form writer uses.
void DefineWidePropertyFilers(TClassInfo& Info, const std::vector<TWideProperty>& Properties);

// The four list keys of a wide list property, Property + ".Strings" and so on.
void DefineWideStringsFilers(TClassInfo& Info, const std::string& Property,
                             std::function<TUniStrings&(TPersistent&)> Lines);

// A wide character from a "W" value: a string of at most one character (empty
// gives 0); anything else raises EReadError "Invalid property value".
WideChar ReadWideCharValue(const TFormValue& Value);
