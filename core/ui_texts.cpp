#include "core/ui_texts.h"

#include <iterator>

#include "core/globals.h"
#include "core/qem_utils.h"
#include "platform/rtl/inifiles.h"

// Empty until InitUITexts: start-up order is explicit, not left to static constructors.
#define UITEXT(Key, Default) std::string Key;
#include "core/ui_text_table.inc"
#undef UITEXT

namespace {

const TUIText Table[] = {
#define UITEXT(Key, Default) {#Key, &Key, Default},
#include "core/ui_text_table.inc"
#undef UITEXT
};

const char* const TextSection = "Quillmake";
const char* const AvsExtSection = "QZAPP_AVSExt";
const char* const FiltersSection = "QZAPP_Filters";
const char* const NoValue = "<None>";

}  // namespace

const TUIText* UITextTable() { return Table; }
int UITextCount() { return static_cast<int>(std::size(Table)); }

void InitUITexts() {
    for (const TUIText& T : Table) *T.Text = T.Default;
}

void LoadLanguageTexts(const std::string& FileName) {
    if (!FileExists(FileName)) SaveLanguageTexts(FileName);
    // Read once into memory: the same values the file class gives key by key.
    TMemIniFile Ini(FileName);
    for (const TUIText& T : Table)
        *T.Text = ConvertLineBreaks(Ini.ReadString(TextSection, T.Key, *T.Text), true);

    AvsExtList->Clear();
    for (int N = 1;; ++N) {
        const std::string Ext = Ini.ReadString(AvsExtSection, IntToStr(N), NoValue);
        if (Ext == NoValue) break;  // a gap in the numbering ends the list
        AvsExtList->Add(Ext);
    }

    FilterList->Clear();
    Ini.ReadSectionValues(FiltersSection, *FilterList);
}

void SaveLanguageTexts(const std::string& FileName) {
    // One write at the end instead of one per key; a refused write raises the
    // INI class's "Unable to write to %s" all the same.
    TMemIniFile Ini(FileName);
    Ini.WriteString(TextSection, "LanguageName", ConvertLineBreaks(ExtractFileBaseName(FileName), false));
    for (const TUIText& T : Table) Ini.WriteString(TextSection, T.Key, ConvertLineBreaks(*T.Text, false));
    Ini.UpdateFile();
}
