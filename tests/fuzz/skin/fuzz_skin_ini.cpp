// The skin description's INI reader on any text: loading, listing sections
// and reading keys stay inside the text. Each line's key is read in one
// section, taken in turn, so a text of n lines costs n lookups rather than
// n for every section.
#include <cstdint>
#include <string>

#include "skin/skin_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TStringStream S(std::string(reinterpret_cast<const char*>(Data), Size));
    TQuickIni Ini;
    Ini.LoadFromStream(&S);
    TStringList Sections;
    Ini.ReadSections(&Sections);
    if (Sections.Count() == 0) return 0;
    int i = 0;
    for (const std::string& Line : Ini.Lines()) {
        const std::string Section = Sections[i++ % Sections.Count()];
        const std::string Key = TQuickIni::KeyOfLine(Line);
        Ini.ReadString(Section, Key, "default");
        Ini.ReadInteger(Section, Key, -1);
    }
    return 0;
}
