// IPTC blocks from files: read, write back and read again.
#include <cstddef>
#include <cstdint>

#include "imaging/bitmaps/iemarkers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TIEIPTCInfoList l;
    l.LoadFromBuffer(Data, static_cast<int64_t>(Size));
    for (bool header : {false, true}) {
        auto b = l.SaveToBuffer(header);
        TIEIPTCInfoList r;
        r.LoadFromBuffer(b.data(), static_cast<int64_t>(b.size()));
    }
    return 0;
}
