// ICC profiles from files: open, and transform a few pixels of every layout to sRGB.
#include <cstddef>
#include <cstdint>

#include "imaging/bitmaps/ieicc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static TIEICC* srgb = [] {
        auto* p = new TIEICC;
        p->LoadSRGBProfile();
        return p;
    }();
    TIEICC icc;
    if (!icc.LoadFromBuffer(Data, static_cast<int32_t>(Size))) return 0;
    uint8_t in[4 * 6 * 3], out[4 * 6 * 3] = {};
    for (size_t i = 0; i < sizeof in; ++i) in[i] = static_cast<uint8_t>(i * 29);
    for (int32_t layout = 0; layout <= 8; ++layout) icc.Transform(srgb, layout, 1, 0, 0, in, out, 3);
    icc.Transform(srgb, 0, 4, 0, 0, in, out, 3);
    TIEICC copy;
    copy.Assign(&icc);
    return 0;
}
