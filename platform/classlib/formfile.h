// Form files: the text form of a form's component tree, embedded in the program
// and read when the form is created.
//
//   object frmMain: TfrmMain
//     Left = 192                        integer (also $FF hex, -3)
//     Caption = 'It'#39's'#13#10 + 'on' string: quoted parts, #nn characters, '+' joins lines
//     Scale = 1.5                       float
//     Color = clWhite                   identifier (True/False too)
//     Font.Style = [fsBold, fsItalic]   set
//     Items.Strings = ('a' 'b')         list
//     Columns = <item Width = 3 end>    collection of items
//     Picture.Data = {0A1B}             binary, as hex
//     object btnAdd: TQemButton ... end child component
//   end
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/sysutils.h"

class EFormFileError : public Exception {
public:
    EFormFileError(const std::string& file, int line, const std::string& what)
        : Exception(file + "(" + std::to_string(line) + "): " + what), File(file), Line(line) {}
    std::string File;
    int Line;
};

struct TFormProperty;

struct TFormValue {
    enum Kind { vaInt, vaFloat, vaString, vaIdent, vaSet, vaList, vaCollection, vaBinary };
    Kind kind = vaInt;
    int64_t Int = 0;
    double Float = 0;
    std::string Str;                       // string text (UTF-8) or identifier
    std::vector<std::string> Set;          // set members
    std::vector<TFormValue> List;          // list items
    std::vector<std::vector<TFormProperty>> Items;  // collection items, each its properties
    std::vector<unsigned char> Binary;

    bool IsTrue() const { return kind == vaIdent && SameText(Str, "True"); }
};

struct TFormProperty {
    std::string Name;  // dotted path: "Font.Style"
    TFormValue Value;
    int Line = 0;
};

struct TFormObject {
    std::string Name;       // may be empty
    std::string ClassName;
    int Line = 0;
    std::vector<TFormProperty> Properties;
    std::vector<std::unique_ptr<TFormObject>> Children;
    const TFormProperty* Find(const std::string& Name) const;  // case-blind
};

// Parses a whole form file. FileName only names the file in errors.
std::unique_ptr<TFormObject> ParseFormFile(const std::string& Text, const std::string& FileName);
