// The language files of one folder with their display names, for the
// Languages menu.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/classes.h"

class TQemMultiLanguages : public TObject {
public:
    // Folder ends with '/'; Section and Key name the display-name entry.
    TQemMultiLanguages(const std::string& Folder, const std::string& Section, const std::string& Key);

    std::string GetFileName(int32_t Index) const;      // empty outside 0..Count-1
    std::string GetLanguageName(int32_t Index) const;  // empty outside 0..Count-1
    int32_t GetCount() const { return Count; }
    void SetItemIndex(int32_t Index);                  // ignored outside 0..Count-1

    // Made only when the folder exists.
    std::unique_ptr<TStringList> FileNames;      // full paths, in search order
    std::unique_ptr<TStringList> LanguageNames;  // parallel to FileNames
    int32_t Count = 0;
    int32_t ItemIndex = 0;
};
