// The skin description's INI text, read from memory. Read-only; the text is
// taken as bytes (UTF-8 passes through), letter case and blanks are ASCII.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/classes.h"

class TQuickIni : public TObject {
public:
    TQuickIni();
    ~TQuickIni() override;

    // Replaces the contents with the text from the stream's position to its
    // end; a nil stream changes nothing.
    void LoadFromStream(TStream* Stream);
    // The section names in file order. A nil list raises EAssertionFailed.
    void ReadSections(TStrings* Strings);
    // The first line of the section with the key decides; an empty value
    // gives the default.
    std::string ReadString(const std::string& Section, const std::string& Key, const std::string& Default);
    // Decimal, "$" hexadecimal or "0x" hexadecimal; anything else the default.
    int ReadInteger(const std::string& Section, const std::string& Key, int Default);

    // Line index of the header "[Name]" (letter case ignored), or -1.
    int FindSection(const std::string& Name) const;
    static bool IsSectionLine(const std::string& Line);
    static std::string KeyOfLine(const std::string& Line);
    static std::string ValueOfLine(const std::string& Line, const std::string& Key);

    const std::vector<std::string>& Lines() const { return FLines; }

private:
    std::vector<std::string> FLines;
    // Header lines as written, with their index in FLines.
    std::vector<std::pair<std::string, int>> FSections;
};
