// The skin description's INI reader on any text: loading, listing sections
// and reading every key of every section stay inside the text.
#include <cstdint>
#include <string>

#include "skin/skin_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TStringStream S(std::string(reinterpret_cast<const char*>(Data), Size));
    TQuickIni Ini;
    Ini.LoadFromStream(&S);
    TStringList Sections;
    Ini.ReadSections(&Sections);
    for (int i = 0; i < Sections.Count(); ++i) {
        const std::string Section = Sections[i];
        for (const std::string& Line : Ini.Lines()) {
            const std::string Key = TQuickIni::KeyOfLine(Line);
            Ini.ReadString(Section, Key, "default");
            Ini.ReadInteger(Section, Key, -1);
        }
    }
    return 0;
}
