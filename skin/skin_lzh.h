// The decoder of the skin file's compressed stream: an LZSS ring of 4 KB with
// adaptive Huffman coding of literals and match lengths and a fixed code for
// the upper six bits of match positions.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/rtl/classes.h"

class ElzhException : public Exception {
public:
    using Exception::Exception;
};

// Block callbacks: move up to Count bytes and report how many moved.
using TLzhReadProc = std::function<void(uint8_t* Buffer, uint16_t Count, uint16_t& Actual)>;
using TLzhWriteProc = std::function<void(const uint8_t* Buffer, uint16_t Count, uint16_t& Actual)>;

class TLZH : public TObject {
public:
    static constexpr int RingSize = 4096;        // N
    static constexpr int LookAhead = 60;         // F, the longest match
    static constexpr int Threshold = 2;          // shortest match minus 1
    static constexpr int CharCount = 256 - Threshold + LookAhead;  // 314 symbols
    static constexpr int TreeSize = CharCount * 2 - 1;             // 627 nodes
    static constexpr int Root = TreeSize - 1;                      // 626
    static constexpr int MaxFreq = 0x8000;
    static constexpr int PresetSpaces = RingSize - LookAhead;      // 4036

    ~TLZH() override;

    // Produces at least Size bytes (a last match is copied whole, so up to 59
    // more). The bit buffer looks one byte ahead, past the end of the input
    // too; a bit taken from beyond the end means the data was cut short, and
    // raises ElzhException rather than decoding zeros.
    void Decode(uint32_t Size, const TLzhWriteProc& WriteProc, const TLzhReadProc& ReadProc);
    // Decode over the two streams below, through the methods that follow.
    void Decode(uint32_t Size);

    TStream* InputStream = nullptr;
    TStream* OutputStream = nullptr;
    void ReadInputBlock(uint8_t* Buffer, uint16_t Count, uint16_t& Actual);
    void WriteOutputBlock(const uint8_t* Buffer, uint16_t Count, uint16_t& Actual);

    void AllocTables();
    void FreeTables();

    // The most bytes a stream of InputBytes can decode to: a literal costs at
    // least 1 bit, a 60-byte match at least 1 + 9 bits, so 6 bytes a bit.
    static uint64_t MaxDecodedSize(uint64_t InputBytes);

private:
    int GetBit();
    int GetByte();
    void FillBits();
    void TakeBits(int Count);
    void StartHuff();
    void Reconstruct();
    void UpdateTree(int Symbol);
    int DecodeChar();
    int DecodePosition();
    void PutByte(uint8_t C);
    void FlushOutput();

    struct TTables {
        uint8_t Ring[RingSize + LookAhead - 1];
        uint16_t Freq[TreeSize + 1];
        uint16_t Parent[TreeSize + CharCount];
        uint16_t Child[TreeSize];
    };
    TTables* FTables = nullptr;

    const TLzhReadProc* FRead = nullptr;
    const TLzhWriteProc* FWrite = nullptr;
    uint16_t FBitBuf = 0;
    uint8_t FBitCount = 0;
    int FRealBits = 0;  // bits of the buffer that came from the input
    uint8_t FIn[4096];
    uint16_t FInPos = 0, FInLen = 0;
    bool FInEnded = false;
    uint8_t FOut[4096];
    uint16_t FOutLen = 0;
};
