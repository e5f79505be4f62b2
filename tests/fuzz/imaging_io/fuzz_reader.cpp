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
#if READER_FORMAT == 21
    // Headerless pixels: six bytes choose the allocation and the layout, the rest is data.
    if (size < 6) return 0;
    static const TIEPixelFormat formats[] = {ie1g, ie8p, ie8g, ie16g, ieRGB24, ie32f, ieCMYK, ieRGB48, ieCIELab};
    io.IEBitmap()->Allocate(1 + data[0] % 64, 1 + data[1] % 64, formats[data[2] % 9]);
    io.Params->RawDataRowAlign = static_cast<int8_t>(data[3]);
    io.Params->RawDataHeaderSize = static_cast<int8_t>(data[4]);
    io.Params->RawDataPlanar = data[5] & 1;
    io.Params->RawDataBGR = data[5] & 2;
    TIEMemStream raw(data + 6, static_cast<int64_t>(size - 6));
    io.LoadFromStreamRawData(raw);
    return 0;
#endif
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
