#include "core/multi_languages.h"

#include "core/qem_utils.h"
#include "platform/rtl/inifiles.h"

TQemMultiLanguages::TQemMultiLanguages(const std::string& Folder, const std::string& Section, const std::string& Key) {
    if (!DirectoryExists(Folder)) return;
    FileNames = std::make_unique<TStringList>();
    LanguageNames = std::make_unique<TStringList>();
    TSearchRec SR;
    if (FindFirst(AddTrailingBackslash(Folder) + "*.ini", faAnyFile, SR) == 0) {
        do {
            if (SR.Attr & faDirectory) continue;
            const std::string Path = Folder + SR.Name;
            const std::string Base = ExtractFileBaseName(SR.Name);
            std::string Name = TIniFile(Path).ReadString(Section, Key, Base);
            if (Name.empty()) Name = Base;
            FileNames->Add(Path);
            LanguageNames->Add(Name);
            ++Count;
        } while (FindNext(SR) == 0);
        FindClose(SR);
    }
}

std::string TQemMultiLanguages::GetFileName(int32_t Index) const {
    return Index >= 0 && Index < Count ? FileNames->Get(Index) : std::string();
}

std::string TQemMultiLanguages::GetLanguageName(int32_t Index) const {
    return Index >= 0 && Index < Count ? LanguageNames->Get(Index) : std::string();
}

void TQemMultiLanguages::SetItemIndex(int32_t Index) {
    if (Index >= 0 && Index < Count) ItemIndex = Index;
}
