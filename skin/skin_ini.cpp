#include "skin/skin_ini.h"

TQuickIni::TQuickIni() = default;

TQuickIni::~TQuickIni() = default;

void TQuickIni::LoadFromStream(TStream* Stream) {
    if (!Stream) return;
    std::string Text;
    const int64_t Left = Stream->Size() - Stream->Position();
    if (Left > 0) {
        Text.resize(static_cast<size_t>(Left));
        Text.resize(static_cast<size_t>(Stream->Read(Text.data(), Left)));
    }
    // A NUL byte ends the text.
    if (size_t Nul = Text.find('\0'); Nul != std::string::npos) Text.resize(Nul);
    FLines.clear();
    FSections.clear();
    size_t i = 0;
    while (i < Text.size()) {
        size_t j = Text.find_first_of("\r\n", i);
        if (j == std::string::npos) j = Text.size();
        std::string Line = Trim(Text.substr(i, j - i));
        i = j;
        if (i < Text.size()) {
            ++i;
            if (Text[j] == '\r' && i < Text.size() && Text[i] == '\n') ++i;
        }
        if (Line.empty() || Line[0] == ';') continue;
        FLines.push_back(Line);
        if (IsSectionLine(Line)) FSections.emplace_back(Line, static_cast<int>(FLines.size()) - 1);
    }
}

void TQuickIni::ReadSections(TStrings* Strings) {
    if (!Strings) throw EAssertionFailed("The parameter Strings is unassigned!");
    Strings->BeginUpdate();
    Strings->Clear();
    for (const auto& S : FSections) Strings->Add(Trim(S.first.substr(1, S.first.size() - 2)));
    Strings->EndUpdate();
}

int TQuickIni::FindSection(const std::string& Name) const {
    const std::string Header = LowerCase("[" + Name + "]");
    for (const auto& S : FSections)
        if (LowerCase(S.first) == Header) return S.second;
    return -1;
}

bool TQuickIni::IsSectionLine(const std::string& Line) {
    const std::string T = Trim(Line);
    return !T.empty() && T.front() == '[' && T.back() == ']';
}

std::string TQuickIni::KeyOfLine(const std::string& Line) {
    const size_t Eq = Line.find('=');
    return Eq == std::string::npos ? std::string() : LowerCase(Trim(Line.substr(0, Eq)));
}

std::string TQuickIni::ValueOfLine(const std::string& Line, const std::string& Key) {
    if (Line.empty() || Key.empty()) return {};
    const size_t Eq = Line.find('=');
    if (Eq == std::string::npos || KeyOfLine(Line) != Key) return {};
    return Trim(Line.substr(Eq + 1));
}

std::string TQuickIni::ReadString(const std::string& Section, const std::string& Key, const std::string& Default) {
    const std::string LowKey = LowerCase(Key);
    if (FLines.empty()) return Default;
    const int Header = FindSection(Section);
    if (Header < 0) return Default;
    for (size_t i = static_cast<size_t>(Header) + 1; i < FLines.size() && !IsSectionLine(FLines[i]); ++i) {
        if (KeyOfLine(FLines[i]) != LowKey) continue;
        const std::string Value = ValueOfLine(FLines[i], LowKey);
        return Value.empty() ? Default : Value;
    }
    return Default;
}

int TQuickIni::ReadInteger(const std::string& Section, const std::string& Key, int Default) {
    std::string S = ReadString(Section, Key, "");
    if (S.size() > 2 && S[0] == '0' && (S[1] == 'x' || S[1] == 'X')) S = "$" + S.substr(2);
    return StrToIntDef(S, Default);
}
