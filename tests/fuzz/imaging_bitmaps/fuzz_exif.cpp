// EXIF blocks of JPEG APP1 markers: the header check, the TIFF header search and the
// maker-note directory reader.
#include <cstddef>
#include <cstdint>

#include "imaging/bitmaps/iesupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const uint8_t* tiff;
    int64_t tiffSize;
    if (IEEXIFBlockTIFFPart(Data, static_cast<int64_t>(Size), tiff, tiffSize)) {
        TIEMemStream s(tiff, tiffSize);
        FindTIFFHeader(s);
    }
    TIEMemStream all(Data, static_cast<int64_t>(Size));
    FindTIFFHeader(all);
    TIETagsHandler tags;
    tags.Data->WriteBuffer(Data, static_cast<int64_t>(Size));
    tags.ReadTags();
    TIEBufferedReadStream b(&all, 7);
    uint8_t buf[64];
    while (b.Read(buf, Size % 64 + 1) > 0) {
    }
    return 0;
}
