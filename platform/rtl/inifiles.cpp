// INI files. Both classes edit the file as a list of lines, so that comments,
// unknown lines and the order of everything survive a write.
#include "platform/rtl/inifiles.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>

namespace {

using Lines = std::vector<std::string>;

enum LineKind { lkOther, lkSection, lkKey };

struct Parsed {
    LineKind Kind = lkOther;
    std::string Name;   // section or key
    std::string Value;  // key's value, trimmed and unquoted
};

Parsed ParseLine(const std::string& Line) {
    Parsed p;
    std::string t = Trim(Line);
    if (t.empty() || t[0] == ';') return p;
    if (t[0] == '[') {
        size_t close = t.find(']');
        p.Kind = lkSection;
        p.Name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return p;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos) return p;
    p.Kind = lkKey;
    p.Name = Trim(t.substr(0, eq));
    p.Value = Trim(t.substr(eq + 1));
    if (p.Value.size() >= 2 && (p.Value[0] == '"' || p.Value[0] == '\'') && p.Value.back() == p.Value[0])
        p.Value = p.Value.substr(1, p.Value.size() - 2);
    return p;
}

// Each block of Section: the header's index and the index past its last line.
struct Block {
    size_t Header, End;
};

std::vector<Block> FindBlocks(const Lines& L, const std::string& Section) {
    std::vector<Block> r;
    bool in = false;
    for (size_t i = 0; i < L.size(); ++i) {
        Parsed p = ParseLine(L[i]);
        if (p.Kind != lkSection) continue;
        if (in) r.back().End = i;
        in = SameText(p.Name, Section);
        if (in) r.push_back({i, L.size()});
    }
    return r;
}

bool ReadValue(const Lines& L, const std::string& Section, const std::string& Ident, std::string& Value) {
    for (const Block& b : FindBlocks(L, Section))
        for (size_t i = b.Header + 1; i < b.End; ++i) {
            Parsed p = ParseLine(L[i]);
            if (p.Kind == lkKey && SameText(p.Name, Ident)) {
                Value = p.Value;
                return true;
            }
        }
    return false;
}

void WriteValue(Lines& L, const std::string& Section, const std::string& Ident, const std::string& Value) {
    std::string line = Ident + "=" + Value;
    auto blocks = FindBlocks(L, Section);
    for (const Block& b : blocks)
        for (size_t i = b.Header + 1; i < b.End; ++i) {
            Parsed p = ParseLine(L[i]);
            if (p.Kind == lkKey && SameText(p.Name, Ident)) {
                L[i] = line;
                return;
            }
        }
    if (blocks.empty()) {
        if (!L.empty() && !Trim(L.back()).empty()) L.emplace_back();
        L.push_back("[" + Section + "]");
        L.push_back(line);
        return;
    }
    // A new key goes after the last non-blank line of the section's first block.
    const Block& b = blocks.front();
    size_t at = b.End;
    while (at > b.Header + 1 && Trim(L[at - 1]).empty()) --at;
    L.insert(L.begin() + static_cast<long>(at), line);
}

bool DeleteValue(Lines& L, const std::string& Section, const std::string& Ident) {
    bool changed = false;
    auto blocks = FindBlocks(L, Section);
    // From the last block backwards so that earlier indexes stay valid;
    // every copy goes, or a shadowed duplicate would show up afterwards.
    for (auto b = blocks.rbegin(); b != blocks.rend(); ++b)
        for (size_t i = b->End; i-- > b->Header + 1;) {
            Parsed p = ParseLine(L[i]);
            if (p.Kind == lkKey && SameText(p.Name, Ident)) {
                L.erase(L.begin() + static_cast<long>(i));
                changed = true;
            }
        }
    return changed;
}

bool EraseBlocks(Lines& L, const std::string& Section) {
    auto blocks = FindBlocks(L, Section);
    for (auto b = blocks.rbegin(); b != blocks.rend(); ++b)
        L.erase(L.begin() + static_cast<long>(b->Header), L.begin() + static_cast<long>(b->End));
    return !blocks.empty();
}

void SectionKeys(const Lines& L, const std::string& Section, TStrings& Strings, bool WithValues) {
    Strings.BeginUpdate();
    Strings.Clear();
    std::vector<std::string> seen;
    for (const Block& b : FindBlocks(L, Section))
        for (size_t i = b.Header + 1; i < b.End; ++i) {
            Parsed p = ParseLine(L[i]);
            if (p.Kind != lkKey) continue;
            bool dup = false;
            for (const auto& s : seen)
                if (SameText(s, p.Name)) dup = true;
            if (dup) continue;  // the first of duplicate keys wins
            seen.push_back(p.Name);
            Strings.Add(WithValues ? p.Name + "=" + p.Value : p.Name);
        }
    Strings.EndUpdate();
}

void SectionNames(const Lines& L, TStrings& Strings) {
    Strings.BeginUpdate();
    Strings.Clear();
    for (const auto& line : L) {
        Parsed p = ParseLine(line);
        if (p.Kind != lkSection) continue;
        bool dup = false;
        for (int i = 0; i < Strings.Count(); ++i)
            if (SameText(Strings[i], p.Name)) dup = true;
        if (!dup) Strings.Add(p.Name);
    }
    Strings.EndUpdate();
}

// A missing or unreadable file reads as empty.
Lines LoadLines(const std::string& FileName) {
    Lines r;
    if (!FileExists(FileName)) return r;
    TStringList l;
    try {
        l.LoadFromFile(FileName);
    } catch (const EStreamError&) {
        return r;
    }
    r.reserve(static_cast<size_t>(l.Count()));
    for (int i = 0; i < l.Count(); ++i) r.push_back(l[i]);
    return r;
}

// True when FileName is a regular file whose bytes are Data.
bool HoldsExactly(const std::string& FileName, const std::string& Data) {
    struct stat St {};
    if (stat(FileName.c_str(), &St) != 0 || !S_ISREG(St.st_mode) || St.st_size != static_cast<off_t>(Data.size()))
        return false;
    try {
        std::ifstream Current(FileName, std::ios::binary);
        const std::string Old((std::istreambuf_iterator<char>(Current)), std::istreambuf_iterator<char>());
        return Current.good() && Old == Data;
    } catch (const std::exception&) {
        return false;
    }
}

void SaveLines(const std::string& FileName, const Lines& L) {
    std::string data;
    for (const auto& s : L) {
        data += s;
        data += "\r\n";
    }
    // A file that already holds exactly this text is left alone: the program
    // writes a value back at every start, and rewriting an unchanged file
    // (truncated and written again) cost more than the rest of reading the
    // settings.
    if (HoldsExactly(FileName, data)) return;
    try {
        TFileStream f(FileName, fmCreate);
        f.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    } catch (const EStreamError&) {
        throw EIniFileException("Unable to write to " + FileName);
    }
}

}  // namespace

// ---- TCustomIniFile -------------------------------------------------------

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
    return StrToIntDef(ReadString(Section, Ident, ""), Default);
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& Section, const std::string& Ident, double Default) {
    return StrToFloatDef(ReadString(Section, Ident, ""), Default);
}

void TCustomIniFile::WriteFloat(const std::string& Section, const std::string& Ident, double Value) {
    WriteString(Section, Ident, FloatToStr(Value));
}

bool TCustomIniFile::SectionExists(const std::string& Section) {
    TStringList keys;
    ReadSection(Section, keys);
    return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
    TStringList keys;
    ReadSection(Section, keys);
    return keys.IndexOf(Ident) >= 0;
}

// ---- TIniFile -------------------------------------------------------------

TIniFile::TIniFile(const std::string& FileName) : TCustomIniFile(FileName) {}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) {
    std::string v;
    return ReadValue(LoadLines(FFileName), Section, Ident, v) ? v : Default;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
    Lines l = LoadLines(FFileName);
    WriteValue(l, Section, Ident, Value);
    SaveLines(FFileName, l);
}

void TIniFile::ReadSection(const std::string& Section, TStrings& Strings) {
    SectionKeys(LoadLines(FFileName), Section, Strings, /*WithValues=*/false);
}

void TIniFile::ReadSections(TStrings& Strings) { SectionNames(LoadLines(FFileName), Strings); }

void TIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) {
    SectionKeys(LoadLines(FFileName), Section, Strings, /*WithValues=*/true);
}

void TIniFile::EraseSection(const std::string& Section) {
    Lines l = LoadLines(FFileName);
    if (EraseBlocks(l, Section)) SaveLines(FFileName, l);
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
    Lines l = LoadLines(FFileName);
    if (DeleteValue(l, Section, Ident)) SaveLines(FFileName, l);
}

// ---- TMemIniFile ----------------------------------------------------------

TMemIniFile::TMemIniFile(const std::string& FileName) : TCustomIniFile(FileName), FLines(LoadLines(FileName)) {}

std::string TMemIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
    std::string v;
    return ReadValue(FLines, Section, Ident, v) ? v : Default;
}

void TMemIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
    WriteValue(FLines, Section, Ident, Value);
}

void TMemIniFile::ReadSection(const std::string& Section, TStrings& Strings) {
    SectionKeys(FLines, Section, Strings, /*WithValues=*/false);
}

void TMemIniFile::ReadSections(TStrings& Strings) { SectionNames(FLines, Strings); }

void TMemIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) {
    SectionKeys(FLines, Section, Strings, /*WithValues=*/true);
}

void TMemIniFile::EraseSection(const std::string& Section) { EraseBlocks(FLines, Section); }

void TMemIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
    DeleteValue(FLines, Section, Ident);
}

void TMemIniFile::UpdateFile() { SaveLines(FFileName, FLines); }

void TMemIniFile::Clear() { FLines.clear(); }

void TMemIniFile::Rename(const std::string& FileName, bool Reload) {
    FFileName = FileName;
    if (Reload) FLines = LoadLines(FileName);
}
