// The whole skin load with a description from the fuzzer: the text is packed
// with a few fixed bitmaps by the generator's container writer and read by
// the skin component. Any section, key or number must parse without reading
// outside a bitmap or dividing by a frame count the text sets.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/classlib/graphics.h"
#include "skin/skin_data.h"
#include "tools/skingen/skin_container_writer.h"

namespace {

std::vector<uint8_t> Bmp(int W, int H, TColor A, TColor B) {
    TBitmap Bitmap(W, H, pf24bit);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) Bitmap.Canvas().SetPixel(X, Y, (X + Y) % 3 ? A : B);
    TMemoryStream M;
    Bitmap.SaveToStream(M);
    const auto* P = static_cast<const uint8_t*>(M.Memory());
    return std::vector<uint8_t>(P, P + M.Size());
}

const std::vector<TSkinEntry>& Images() {
    static const std::vector<TSkinEntry> I = {
        {"a.bmp", Bmp(40, 14, 0xFF00FF, 0x336699)},
        {"b.bmp", Bmp(68, 21, 0x102030, 0xFF00FF)},
        {"c.bmp", Bmp(3, 50, 0x808080, 0xFFFFFF)},
        {"d.bmp", Bmp(1, 1, 0x000000, 0x000000)},
    };
    return I;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TESSARO_SCREEN", "headless", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    std::vector<TSkinEntry> Entries = Images();
    Entries.push_back({"skin.ini", std::vector<uint8_t>(Data, Data + Size)});
    const std::vector<uint8_t> File = WriteSkinFile(Entries);
    TSkinData S(nullptr);
    S.SkinStream().WriteBuffer(File.data(), static_cast<int64_t>(File.size()));
    if (!S.LoadSkin() || S.SkinEmpty) abort();
    return 0;
}
