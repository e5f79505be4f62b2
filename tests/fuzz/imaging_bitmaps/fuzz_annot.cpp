// Annotation blocks (TIFF tag 32932) from files: read, write back and read again.
#include <cstddef>
#include <cstdint>

#include "imaging/bitmaps/iemarkers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    // The first byte picks the screen resolution, 0 included (the views not started).
    IEAnnotScreenDpiY = Size > 0 ? Data[0] % 4 * 48 : 0;
    TIEImagingAnnot a;
    a.LoadFromBuffer(Data, static_cast<int64_t>(Size));
    auto b = a.SaveToBuffer();
    TIEImagingAnnot r;
    r.LoadFromBuffer(b.data(), static_cast<int64_t>(b.size()));
    TIEImagingAnnot c;
    c.Assign(&r);
    return 0;
}
