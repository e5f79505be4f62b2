// The UI text table: every text the windows and messages show, one global
// string per key holding its English default until a language file is loaded.
#pragma once

#include <string>

#define UITEXT(Key, Default) extern std::string Key;
#include "core/ui_text_table.inc"
#undef UITEXT

// Three texts without a key, always English (Burn VIDEO_TS).
inline constexpr const char* SelectVideoTsFolderTitle = "Select DVD VIDEO_TS Folder Path";
inline constexpr const char* SelectCorrectDvdFolderMessage = "Please select a correct DVD folder (.../VIDEO_TS)";
inline constexpr const char* BurningDvdDiscStatus = "Burning DVD disc...";

// One row of the table: the language-file key, the text, its English default.
struct TUIText {
    const char* Key;
    std::string* Text;
    const char* Default;
};
// The rows in the order the language files are read and written.
const TUIText* UITextTable();
int UITextCount();

// Start-up of the table: every text gets its English default.
void InitUITexts();

// Fills the texts, FilterList and AvsExtList from a language file; a missing
// file is first written from the texts in memory.
void LoadLanguageTexts(const std::string& FileName);
// True when the texts in memory were last loaded from FileName and the file has
// not changed since (same size and modification time): loading it again would
// give the same texts.
bool LanguageTextsLoadedFrom(const std::string& FileName);
// Writes LanguageName (the file's base name) and every keyed text into the
// file's [Quillmake] section; other keys and sections stay as they are.
void SaveLanguageTexts(const std::string& FileName);
