// The GIF graphic on any bytes: parsing and decoding every frame never reads
// or writes outside its buffers, and refuses what it cannot read by exception.
#include <cstdint>
#include <string>

#include "controls/extra/ag_gif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TStringStream S(std::string(reinterpret_cast<const char*>(Data), Size));
    try {
        TGIFImage G;
        G.LoadFromStream(S);
        for (const auto& F : G.Frames) {
            try {
                F->DecodedBitmap();
            } catch (const Exception&) {
            }
        }
        if (G.GetCount() > 0) {
            TStringStream Out;
            G.SaveToStream(Out);
        }
    } catch (const Exception&) {
    }
    return 0;
}
