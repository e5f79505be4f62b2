// The GIF LZW coder on any bytes: decoding never reads or writes outside its
// buffers, and encoding then decoding gives back the pixels.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "controls/extra/ag_giflzw.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size < 4) return 0;
    // Header bytes choose the target: width, height, depth, interlace, colour bits.
    const int Bits = (Data[0] & 3) == 0 ? 1 : (Data[0] & 3) == 1 ? 4 : 8;
    const bool Interlaced = Data[0] & 4;
    const int ColourBits = 1 + (Data[0] >> 5);
    TGIFLZWTarget T{1 + Data[1] % 64, 1 + Data[2] % 64, Bits};
    const size_t Bytes = static_cast<size_t>(DIBRowBytes(T.Width, Bits)) * T.Height;
    std::vector<uint8_t> Pixels(Bytes);
    TStringStream In(std::string(reinterpret_cast<const char*>(Data + 3), Size - 3));
    DecodeLZW(In, T, Interlaced, nullptr, Pixels.data(), ColourBits, true);

    // The same bytes as pixels: encoded and decoded they must come back.
    std::vector<uint8_t> Source(Bytes);
    for (size_t I = 0; I < Bytes; ++I) Source[I] = Data[3 + I % (Size - 3)];
    // Padding bits and bytes carry no pixels.
    const int64_t RowBytes = DIBRowBytes(T.Width, Bits);
    const int64_t UsedBits = static_cast<int64_t>(T.Width) * Bits;
    for (int Y = 0; Y < T.Height; ++Y) {
        uint8_t* Row = &Source[Y * RowBytes];
        for (int64_t B = UsedBits; B < RowBytes * 8; ++B) Row[B / 8] &= static_cast<uint8_t>(~(0x80 >> (B % 8)));
    }
    TStringStream Encoded;
    EncodeLZW(Encoded, T, Interlaced, nullptr, Source.data());
    std::vector<uint8_t> Back(Bytes);
    TStringStream Again(Encoded.DataString());
    if (DecodeLZW(Again, T, Interlaced, nullptr, Back.data(), Bits, true) || Back != Source) __builtin_trap();
    return 0;
}
