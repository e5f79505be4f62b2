// The skin file: one compressed container of named entries (the skin's
// bitmaps and its INI description), read from memory.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/classes.h"

class TSkinReader : public TObject {
public:
    static constexpr int MaxEntries = 1001;

    TSkinReader();
    ~TSkinReader() override;

    // Decompresses all of Source (from its start) and takes its entries.
    // False after the version message for an unknown version, and silently
    // for a damaged or malformed file; the reader then keeps what it held.
    bool LoadFromStream(TMemoryStream& Source);
    // Source's 4-byte size, then the compressed stream, decoded into Target.
    // False when the size field is incomplete, when the size is more than the
    // input can encode, or when the stream ends early.
    bool Decompress(TMemoryStream& Source, TMemoryStream& Target);
    // The first entry named Name (lower-cased) into Target, rewound; Target
    // stays empty when there is none.
    void ExtractFile(const std::string& Name, TMemoryStream& Target);
    // The first entry whose name contains Part as given; Name is set only
    // when one is found.
    void FindFileContaining(const std::string& Part, TMemoryStream& Target, std::string& Name);

    int Count() const { return FCount; }
    const TStringList& Names() const { return *FNames; }
    int32_t EntrySize(int Index) const { return FSizes.at(static_cast<size_t>(Index)); }
    TMemoryStream& Body() { return *FBody; }
    int32_t Version() const { return FVersion; }
    int32_t NamesLength() const { return FNamesLength; }

private:
    void CopyEntry(int Index, TMemoryStream& Target);

    std::unique_ptr<TStringList> FNames;
    int FCount = 0;
    std::array<int32_t, MaxEntries> FSizes{};
    std::unique_ptr<TMemoryStream> FBody;
    int32_t FVersion = 0, FNamesLength = 0, FReserved1 = 0, FReserved2 = 0;
};
