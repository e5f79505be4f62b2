#include "skin/skin_reader.h"

#include <cstring>

#include "platform/classlib/dialogs.h"
#include "skin/skin_lzh.h"

namespace {

int32_t ReadInt32(const uint8_t* P) {
    return static_cast<int32_t>(static_cast<uint32_t>(P[0]) | static_cast<uint32_t>(P[1]) << 8 |
                                static_cast<uint32_t>(P[2]) << 16 | static_cast<uint32_t>(P[3]) << 24);
}

// Bytes of the reserved block that follows the header, by version; -1 unknown.
int ReservedBlockSize(int32_t Version) {
    switch (Version) {
        case 20000: return 0;
        case 30000: return 256;
        case 40000: return 80;
        case 50000: return 48;
        default: return -1;
    }
}

}  // namespace

TSkinReader::TSkinReader() : FNames(std::make_unique<TStringList>()), FBody(std::make_unique<TMemoryStream>()) {}

TSkinReader::~TSkinReader() = default;

bool TSkinReader::Decompress(TMemoryStream& Source, TMemoryStream& Target) {
    Source.SetPosition(0);
    Target.SetPosition(0);
    uint8_t SizeField[4];
    if (Source.Read(SizeField, 4) != 4) return false;
    uint32_t Size = static_cast<uint32_t>(ReadInt32(SizeField));
    if (Size > TLZH::MaxDecodedSize(static_cast<uint64_t>(Source.Size() - 4))) return false;
    TLZH Lzh;
    Lzh.InputStream = &Source;
    Lzh.OutputStream = &Target;
    try {
        Lzh.Decode(Size);
    } catch (const ElzhException&) {
        return false;
    }
    return true;
}

bool TSkinReader::LoadFromStream(TMemoryStream& Source) {
    TMemoryStream Payload;
    if (!Decompress(Source, Payload)) return false;
    const auto* P = static_cast<const uint8_t*>(Payload.Memory());
    const int64_t Total = Payload.Size();

    // A payload shorter than the header reads as zeros where it ends.
    uint8_t Header[16] = {};
    if (Total > 0) std::memcpy(Header, P, static_cast<size_t>(std::min<int64_t>(Total, 16)));
    FVersion = ReadInt32(Header);
    FNamesLength = ReadInt32(Header + 4);
    FReserved1 = ReadInt32(Header + 8);
    FReserved2 = ReadInt32(Header + 12);
    const int R = ReservedBlockSize(FVersion);
    if (R < 0) {
        ShowMessage(std::string("This is Older Skin File") + '\r' + "Please update to new version !");
        return false;
    }
    if (Total < 16 || FNamesLength < 0 || 16 + R + static_cast<int64_t>(FNamesLength) > Total) return false;

    int64_t Offset = 16 + R;
    TStringList Names;
    Names.SetText(LowerCase(std::string(reinterpret_cast<const char*>(P + Offset), static_cast<size_t>(FNamesLength))));
    Offset += FNamesLength;
    const int C = Names.Count();
    if (C > MaxEntries || Offset + 4 * static_cast<int64_t>(C) > Total) return false;
    std::array<int32_t, MaxEntries> Sizes{};
    int64_t Sum = 0;
    for (int i = 0; i < C; ++i) {
        Sizes[static_cast<size_t>(i)] = ReadInt32(P + Offset + 4 * i);
        if (Sizes[static_cast<size_t>(i)] < 0) return false;
        Sum += Sizes[static_cast<size_t>(i)];
    }
    Offset += 4 * static_cast<int64_t>(C);
    // The body may run on past the entries: a last match is copied whole.
    if (Sum > Total - Offset) return false;

    FNames->Assign(Names);
    FCount = C;
    FSizes = Sizes;
    FBody->Clear();
    FBody->WriteBuffer(P + Offset, Total - Offset);
    return true;
}

void TSkinReader::CopyEntry(int Index, TMemoryStream& Target) {
    int64_t Offset = 0;
    for (int i = 0; i < Index; ++i) Offset += FSizes[static_cast<size_t>(i)];
    const auto* P = static_cast<const uint8_t*>(FBody->Memory());
    Target.WriteBuffer(P + Offset, FSizes[static_cast<size_t>(Index)]);
    Target.SetPosition(0);
}

void TSkinReader::ExtractFile(const std::string& Name, TMemoryStream& Target) {
    Target.Clear();
    const std::string Wanted = LowerCase(Name);
    for (int i = 0; i < FCount; ++i)
        if (FNames->Get(i) == Wanted) {
            CopyEntry(i, Target);
            return;
        }
}

void TSkinReader::FindFileContaining(const std::string& Part, TMemoryStream& Target, std::string& Name) {
    Target.Clear();
    for (int i = 0; i < FCount; ++i)
        if (FNames->Get(i).find(Part) != std::string::npos) {
            CopyEntry(i, Target);
            Name = FNames->Get(i);
            return;
        }
}
