// One reader per target: READER_FORMAT is the format code the bytes are read as
// (0: detect the format from the content first).
#include <cstddef>
#include <cstdint>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    IEIOStartup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TIEImageIO io;
    try {
        io.LoadFromBuffer(data, static_cast<int64_t>(size), READER_FORMAT);
    } catch (const Exception&) {
        // Stream errors reach the caller by design; memory errors are what we hunt.
    }
    TIEMemStream ms(data, static_cast<int64_t>(size));
    if (READER_FORMAT != 0)
        io.ParamsFromStreamFormat(ms, READER_FORMAT);
    else
        io.ParamsFromStream(ms);
    return 0;
}
