// The skin file's compressed stream, written: the encoder half of the skin
// reader's decoder, with the same adaptive tree, rebuild and position code.
// A build tool only; the program carries just the decoder.
#pragma once

#include <cstdint>
#include <vector>

// What a compressed stream holds, for tests that must know their fixture
// reaches the path it is meant for.
struct TLzhEncodeStats {
    int64_t Literals = 0;
    int64_t Matches = 0;
    int64_t LongestMatches = 0;  // of the longest length, 60
    int64_t PresetMatches = 0;   // reading at least one of the preset spaces
    int64_t WrapMatches = 0;     // whose source runs across the ring's end
    int64_t TreeRebuilds = 0;
};

class TLzhEncoder {
public:
    static constexpr int RingSize = 4096;
    static constexpr int LookAhead = 60;
    static constexpr int Threshold = 2;
    static constexpr int PresetSpaces = RingSize - LookAhead;

    TLzhEncoder();
    // One literal byte.
    void PutLiteral(uint8_t Byte);
    // A match of Length (3..60) bytes starting Distance (1..4096) bytes
    // behind the next byte the decoder writes.
    void PutMatch(int Length, int Distance);
    // The bit stream, its last byte padded with zero bits.
    std::vector<uint8_t> Finish();
    int64_t TreeRebuilds() const { return FRebuilds; }

private:
    void PutBits(uint32_t Bits, int Count);
    void EncodeSymbol(int Symbol);
    void UpdateTree(int Symbol);
    void Reconstruct();

    static constexpr int CharCount = 256 - Threshold + LookAhead;
    static constexpr int TreeSize = CharCount * 2 - 1;
    static constexpr int Root = TreeSize - 1;
    uint16_t FFreq[TreeSize + 1];
    uint16_t FParent[TreeSize + CharCount];
    uint16_t FChild[TreeSize];
    std::vector<uint8_t> FOut;
    uint32_t FBitBuf = 0;
    int FBitCount = 0;
    int64_t FRebuilds = 0;
};

// Greedy compression of Data: every match reads only bytes the decoder
// already holds (the preset spaces and the bytes written before).
std::vector<uint8_t> LzhCompress(const std::vector<uint8_t>& Data, TLzhEncodeStats* Stats = nullptr);

// A skin file: the 4-byte little-endian size of Data, then its stream.
std::vector<uint8_t> PackSkinFile(const std::vector<uint8_t>& Data, TLzhEncodeStats* Stats = nullptr);
