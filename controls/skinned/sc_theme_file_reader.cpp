#include "controls/skinned/sc_theme_file_reader.h"

#include <cstring>
#include <set>

namespace {

constexpr size_t HeaderSize = 24, EntrySize = 77, NameSize = 64;

int32_t Get32(const uint8_t* P) {
    return static_cast<int32_t>(static_cast<uint32_t>(P[0]) | static_cast<uint32_t>(P[1]) << 8 |
                                static_cast<uint32_t>(P[2]) << 16 | static_cast<uint32_t>(P[3]) << 24);
}

bool SameNoCase(const std::string& A, const std::string& B) { return SameText(A, B); }

// The whole file; reads stop at its end.
std::vector<uint8_t> ReadAll(const std::string& FileName) {
    TFileStream F(FileName, fmOpenRead | fmShareDenyNone);
    std::vector<uint8_t> Bytes(static_cast<size_t>(F.Size()));
    int64_t Got = F.Read(Bytes.data(), static_cast<int64_t>(Bytes.size()));
    Bytes.resize(static_cast<size_t>(std::max<int64_t>(0, Got)));
    return Bytes;
}

// True when [Offset, Offset + Count) lies inside the file.
bool Inside(int64_t Offset, int64_t Count, size_t Size) {
    return Offset >= 0 && Count >= 0 && Offset + Count <= static_cast<int64_t>(Size);
}

}  // namespace

bool IsValidThemeFile(const std::string& FileName) {
    try {
        if (!FileExists(FileName)) return false;
        TFileStream F(FileName, fmOpenRead | fmShareDenyNone);
        char Magic[13] = {};
        F.Read(Magic, 12);
        return std::strcmp(Magic, "SCPack_TB") == 0;
    } catch (...) {
        return false;
    }
}

TscThemeFileReader::TscThemeFileReader(const std::string& FileName) {
    std::vector<uint8_t> Bytes = ReadAll(FileName);
    Parse(Bytes.data(), Bytes.size());
}

TscThemeFileReader::TscThemeFileReader(const uint8_t* Data, size_t Size) { Parse(Data, Size); }

TscThemeFileReader::~TscThemeFileReader() = default;

void TscThemeFileReader::Parse(const uint8_t* Data, size_t Size) {
    // The header holds 24 bytes whatever length it claims; a shorter one would
    // leave the first entry's offset unread.
    uint8_t Header[HeaderSize] = {};
    if (Size) std::memcpy(Header, Data, std::min(Size, HeaderSize));
    if (Get32(Header + 12) < static_cast<int32_t>(HeaderSize)) throw EscInvalidThemeFile("Invalid skin file for SCPack!");
    int64_t Offset = Get32(Header + 20);
    // The chain has no count: it ends at an entry outside the file or one already read.
    std::set<int64_t> Visited;
    while (Inside(Offset, EntrySize, Size) && Visited.insert(Offset).second) {
        const uint8_t* E = Data + Offset;
        int32_t Next = Get32(E + 73);
        if (Next == 0) break;  // the closing entry carries no value
        size_t NameLen = 0;
        while (NameLen < NameSize && E[NameLen]) ++NameLen;
        std::string Name(reinterpret_cast<const char*>(E), NameLen);
        int64_t At = Get32(E + 65), Count = Get32(E + 69);
        switch (E[64]) {
            case 0:
                if (Inside(At, Count, Size)) {
                    auto S = std::make_unique<TMemoryStream>();
                    S->WriteBuffer(Data + At, Count);
                    S->SetPosition(0);
                    Streams.emplace_back(Name, std::move(S));
                }
                break;
            case 1:
                if (Inside(At, 4, Size)) Integers.emplace_back(Name, Get32(Data + At));
                break;
            case 2:
                if (Inside(At, 1, Size)) Booleans.emplace_back(Name, Data[At]);
                break;
            case 3:
                if (Inside(At, Count, Size)) Texts.emplace_back(Name, std::string(reinterpret_cast<const char*>(Data + At), size_t(Count)));
                break;
            default: break;  // other kinds are skipped
        }
        Offset = Next;
    }
}

TMemoryStream* TscThemeFileReader::GetStream(const std::string& Name) {
    for (auto& [N, S] : Streams)
        if (SameNoCase(N, Name)) {
            S->SetPosition(0);
            return S.get();
        }
    return nullptr;
}

int TscThemeFileReader::GetInteger(const std::string& Name) const {
    for (const auto& [N, V] : Integers)
        if (SameNoCase(N, Name)) return V;
    return -1;
}

bool TscThemeFileReader::GetBool(const std::string& Name) const {
    for (const auto& [N, V] : Booleans)
        if (SameNoCase(N, Name)) return V != 0;
    return false;
}

std::string TscThemeFileReader::GetText(const std::string& Name) const {
    for (const auto& [N, V] : Texts)
        if (SameNoCase(N, Name)) return V;
    return {};
}
