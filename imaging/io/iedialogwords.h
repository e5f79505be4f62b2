// The words of the image library's dialogs: one row per language, 133 words a
// row, UTF-8. Only the English row is filled: every other language shows the
// English word until an application stores its own (SetDialogWord).
#pragma once

#include <cstdint>
#include <string>

enum TMsgLanguage : uint8_t {
    msSystem,
    msEnglish,
    msItalian,
    msGerman,
    msSpanish,
    msFrench,
    msPortuguese,
    msGreek,
    msRussian,
    msDutch,
    msSwedish,
    msPolish,
    msJapanese,
    msCzech,
    msFinnish,
    msFarsi,
    msChinese,
    msChineseTraditional,
    msUser
};
constexpr int IEMsgLanguageCount = 19, IEDialogWordCount = 133;

// Fills the English row and reads the user's language; the I/O start-up runs it.
void InitDialogWordTable();
// Stores a word; a row or word out of range is ignored.
void SetDialogWord(int Language, int Word, const std::string& Text);
// The word in Language (msSystem: the user's language as last read), or the
// English word when that row has none.
std::string GetDialogWord(int Word, TMsgLanguage Language);
// The row for a Windows language id (unknown languages: English).
TMsgLanguage MsgLanguageOfLangID(uint16_t LangId);
// Reads the user's locale again for msSystem.
void IEUpdateSystemLanguage();
TMsgLanguage IESystemLanguage();
