// Item ID lists and name masks on any bytes: list routines stay inside a list
// however its counts are damaged, and matching ends in time for any mask.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "controls/extra/fp_shellpidl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size < 2) return 0;
    // Any counts. The format cannot tell a count that leaves its block, so the
    // block is followed by zeros as far as one count can reach: every walk must
    // then end at a zero or short count, and nothing may be read past that.
    std::vector<uint8_t> Raw(Data, Data + Size);
    Raw.resize(Size + 0x10000 + 2, 0);
    auto* List = reinterpret_cast<LPCITEMIDLIST>(Raw.data());
    const int Count = PIDLItemCount(List);
    if (PIDLSize(List) > Raw.size()) __builtin_trap();
    FreePIDL(CopyPIDL(List));
    FreePIDL(CopyPIDLPrefix(List, Data[0] % 8));
    FreePIDL(CopyPIDLItem(List, Count > 0 ? Data[1] % (Count + 2) : 0));
    LPITEMIDLIST Twice = ConcatPIDLs(List, List);
    if (Twice && PIDLItemCount(Twice) != 2 * Count) __builtin_trap();
    FreePIDL(Twice);

    // The bytes as two wide texts: a name and a mask.
    std::u16string Name, Mask;
    for (size_t I = 0; I + 1 < Size; I += 2) {
        const char16_t C = static_cast<char16_t>(Data[I] | (Data[I + 1] << 8));
        (I < Size / 2 ? Name : Mask) += C;
    }
    WideMatchesMask(Name, Mask);
    return 0;
}
