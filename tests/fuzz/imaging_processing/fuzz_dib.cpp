// Packed DIBs from outside (clipboard, AVI frames): read within the block, and a
// bitmap that was read packs back into a DIB that reads again.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/processing/dibconv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    // A copy of exactly Size bytes, so that any read past the block is caught.
    std::vector<uint8_t> block(Data, Data + Size);
    TIEBitmap bmp;
    if (PackedDIBToIEBitmap(block.data(), block.size(), &bmp) == 0) return 0;
    if (bmp.Width() <= 0 || bmp.Height() <= 0 || static_cast<int64_t>(bmp.Width()) * bmp.Height() > (1 << 22)) return 0;
    (void)bmp.Scanline(bmp.Height() - 1);
    return 0;
}
