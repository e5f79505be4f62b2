#include "core/ui_texts.h"

#include <sys/stat.h>

#include <iterator>
#include <unordered_map>

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

// The file the texts in memory were read from, as it was then.
struct TLoadedStamp {
    std::string FileName;
    struct timespec Modified {};
    off_t Size = -1;
};
TLoadedStamp Loaded;

bool StampOf(const std::string& FileName, TLoadedStamp& Out) {
    struct stat St {};
    if (stat(FileName.c_str(), &St) != 0) return false;
    Out.FileName = FileName;
    Out.Modified = St.st_mtim;
    Out.Size = St.st_size;
    return true;
}

}  // namespace

const TUIText* UITextTable() { return Table; }
int UITextCount() { return static_cast<int>(std::size(Table)); }

void InitUITexts() {
    for (const TUIText& T : Table) *T.Text = T.Default;
    Loaded = TLoadedStamp{};
}

void LoadLanguageTexts(const std::string& FileName) {
    if (!FileExists(FileName)) SaveLanguageTexts(FileName);
    // Read once into memory: the same values the file class gives key by key.
    TMemIniFile Ini(FileName);
    // The section is read once; a key is then found by its upper-case name, the
    // first of duplicate keys winning as with ReadString.
    std::unordered_map<std::string, std::string> Values;
    {
        TStringList Section;
        Ini.ReadSectionValues(TextSection, Section);
        Values.reserve(static_cast<size_t>(Section.Count()));
        for (int I = 0; I < Section.Count(); ++I) {
            const std::string& Line = Section[I];
            const size_t Eq = Line.find('=');
            Values.emplace(UpperCase(Line.substr(0, Eq)), Eq == std::string::npos ? "" : Line.substr(Eq + 1));
        }
    }
    for (const TUIText& T : Table) {
        const auto It = Values.find(UpperCase(T.Key));
        if (It != Values.end()) *T.Text = ConvertLineBreaks(It->second, /*Decode=*/true);
    }

    AvsExtList->Clear();
    for (int N = 1;; ++N) {
        const std::string Ext = Ini.ReadString(AvsExtSection, IntToStr(N), NoValue);
        if (Ext == NoValue) break;  // a gap in the numbering ends the list
        AvsExtList->Add(Ext);
    }

    FilterList->Clear();
    Ini.ReadSectionValues(FiltersSection, *FilterList);
    if (!StampOf(FileName, Loaded)) Loaded = TLoadedStamp{};
}

bool LanguageTextsLoadedFrom(const std::string& FileName) {
    TLoadedStamp Now;
    return !Loaded.FileName.empty() && Loaded.FileName == FileName && StampOf(FileName, Now) &&
           Now.Size == Loaded.Size && Now.Modified.tv_sec == Loaded.Modified.tv_sec &&
           Now.Modified.tv_nsec == Loaded.Modified.tv_nsec;
}

void SaveLanguageTexts(const std::string& FileName) {
    // One write at the end instead of one per key; a refused write raises the
    // INI class's "Unable to write to %s" all the same.
    TMemIniFile Ini(FileName);
    Ini.WriteString(TextSection, "LanguageName", ConvertLineBreaks(ExtractFileBaseName(FileName), /*Decode=*/false));
    for (const TUIText& T : Table) Ini.WriteString(TextSection, T.Key, ConvertLineBreaks(*T.Text, /*Decode=*/false));
    Ini.UpdateFile();
}
