// The English language file shipped in the program folder.
#pragma once

#include <string>

// The open dialog's filters: the video types the converter reads.
extern const char* const EnglishFilters[];

// Writes FileName afresh: LanguageName, every text with its English default,
// the filters and an empty DirectShow extension list. Needs the globals unit
// started. Answers false when the file cannot be written.
bool WriteEnglishLanguageFile(const std::string& FileName);
