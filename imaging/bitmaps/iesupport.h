// Support routines of the image library: CIE L*a*b* conversion, lenient number
// parsing, the ASCII85 and run-length encoders of the PostScript and PDF writers,
// a TIFF tag directory in memory, and two read streams.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

// sRGB with a D65 white.
TCIELab RGBToCIELab(TRGB RGB);
TRGB CIELabToRGB(TCIELab Lab);

// Parses a number written with either '.' or ','; Default on failure.
long double StrToFloatAnySeparator(const std::string& S, long double Default);
// The largest size with the same aspect ratio inside MaxWidth x MaxHeight; each at least 1.
void ScaleToFit(int32_t Width, int32_t Height, int32_t MaxWidth, int32_t MaxHeight, int32_t& NewWidth,
                int32_t& NewHeight);

// ASCII85: Count (1..4) bytes from Src to Dst; both advance; answers the characters written.
int ASCII85EncodeGroup(const uint8_t*& Src, int Count, char*& Dst);
// Whole buffer, lines broken by CR LF after 75 characters, "~>" CR LF at the end.
// Dst must hold ASCII85BufferBound(Count) bytes. Answers the bytes written.
int64_t ASCII85EncodeBuffer(const uint8_t*& Src, int64_t Count, char*& Dst, int64_t& CharCount);
int64_t ASCII85BufferBound(int64_t Count);
// RunLengthDecode form; Dst must hold RunLengthBound(Len) = Len + Len div 128 + 2 bytes.
int64_t RunLengthEncode(const uint8_t* Src, int64_t Len, uint8_t* Dst);
inline int64_t RunLengthBound(int64_t Len) { return Len + Len / 128 + 2; }
void WriteLineCRLF(TStream& Stream, const std::string& S);

// The EXIF block of a JPEG APP1 marker: "Exif", two zero bytes, then a TIFF file.
constexpr int32_t IEEXIFHeaderSize = 6;
// True when Data (Size bytes, untrusted) starts with the EXIF header and holds a TIFF part
// after it; TIFFData/TIFFSize then give that part. Nothing is read beyond Size.
bool IEEXIFBlockTIFFPart(const void* Data, int64_t Size, const uint8_t*& TIFFData, int64_t& TIFFSize);

// Offset of the first TIFF header in the stream's next 131072 bytes, -1 when none;
// the position is kept.
int64_t FindTIFFHeader(TStream& Stream);

// A TIFF directory (little-endian) in memory: the maker note of an EXIF block.
struct TIETIFFEntry {
    uint16_t Tag = 0;
    uint16_t Type = 0;
    uint32_t Count = 0;
    uint32_t ValueOrOffset = 0;
};

class TIETagsHandler : public TObject {
public:
    TIETagsHandler();
    // Reads the entry count and the entries from Data; entries beyond Data's end are dropped.
    void ReadTags();
    std::unique_ptr<TMemoryStream> Data;
    std::vector<TIETIFFEntry> Entries;
    uint16_t EntryCount = 0;
};

// A read view of a caller's memory block.
class TIEMemStream : public TStream {
public:
    TIEMemStream(const void* Memory, int64_t Size) : FMemory(static_cast<const uint8_t*>(Memory)), FSize(Size) {}
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override { return FSize; }
    void SetSize(int64_t) override {}

private:
    const uint8_t* FMemory;
    int64_t FSize;
    int64_t FPosition = 0;
};

// Buffers the many small reads of format readers over Source (not owned).
class TIEBufferedReadStream : public TStream {
public:
    TIEBufferedReadStream(TStream* Source, int32_t BufferSize);
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    // From the end the offset counts backwards (Size - Offset), as the library's streams do.
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override { return FSize; }
    void SetBufferSize(int32_t N);
    void Refill();

private:
    TStream* FSource;
    int32_t FBufferSize = 0;
    int64_t FPosition = 0;
    int32_t FBufferPos = 0;
    int32_t FBufferFill = 0;
    std::vector<uint8_t> FBuffer;
    int64_t FSize = 0;
};
