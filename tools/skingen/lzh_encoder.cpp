#include "tools/skingen/lzh_encoder.h"

#include <array>
#include <cstring>
#include <stdexcept>

namespace {

// Prefix codes of the upper six position bits: lengths 3 to 8, in
// increasing code order, the same counts the decoder builds its table from.
struct TPositionCodes {
    std::array<uint8_t, 64> Code{};  // left-aligned in a byte
    std::array<uint8_t, 64> Len{};
    TPositionCodes() {
        static constexpr int Counts[][2] = {{3, 1}, {4, 3}, {5, 8}, {6, 12}, {7, 24}, {8, 16}};
        int Value = 0, Next = 0;
        for (auto [Length, N] : Counts)
            for (int k = 0; k < N; ++k, ++Value) {
                Code[static_cast<size_t>(Value)] = static_cast<uint8_t>(Next);
                Len[static_cast<size_t>(Value)] = static_cast<uint8_t>(Length);
                Next += 256 >> Length;
            }
    }
};
const TPositionCodes& PositionCodes() {
    static const TPositionCodes C;
    return C;
}

}  // namespace

TLzhEncoder::TLzhEncoder() {
    for (int i = 0; i < CharCount; ++i) {
        FFreq[i] = 1;
        FChild[i] = static_cast<uint16_t>(i + TreeSize);
        FParent[i + TreeSize] = static_cast<uint16_t>(i);
    }
    for (int i = 0, j = CharCount; j <= Root; i += 2, ++j) {
        FFreq[j] = static_cast<uint16_t>(FFreq[i] + FFreq[i + 1]);
        FChild[j] = static_cast<uint16_t>(i);
        FParent[i] = FParent[i + 1] = static_cast<uint16_t>(j);
    }
    FFreq[TreeSize] = 0xFFFF;
    FParent[Root] = 0;
}

void TLzhEncoder::PutBits(uint32_t Bits, int Count) {
    for (int i = Count - 1; i >= 0; --i) {
        FBitBuf = (FBitBuf << 1) | ((Bits >> i) & 1);
        if (++FBitCount == 8) {
            FOut.push_back(static_cast<uint8_t>(FBitBuf));
            FBitBuf = 0;
            FBitCount = 0;
        }
    }
}

void TLzhEncoder::Reconstruct() {
    ++FRebuilds;
    int j = 0;
    for (int i = 0; i < TreeSize; ++i)
        if (FChild[i] >= TreeSize) {
            FFreq[j] = static_cast<uint16_t>((FFreq[i] + 1) / 2);
            FChild[j] = FChild[i];
            ++j;
        }
    for (int i = 0, n = CharCount; n < TreeSize; i += 2, ++n) {
        unsigned f = FFreq[i] + FFreq[i + 1];
        int k = n - 1;
        while (f < FFreq[k]) --k;
        ++k;
        std::memmove(&FFreq[k + 1], &FFreq[k], (n - k) * sizeof(uint16_t));
        FFreq[k] = static_cast<uint16_t>(f);
        std::memmove(&FChild[k + 1], &FChild[k], (n - k) * sizeof(uint16_t));
        FChild[k] = static_cast<uint16_t>(i);
    }
    for (int i = 0; i < TreeSize; ++i) {
        int k = FChild[i];
        if (k >= TreeSize)
            FParent[k] = static_cast<uint16_t>(i);
        else
            FParent[k] = FParent[k + 1] = static_cast<uint16_t>(i);
    }
}

void TLzhEncoder::UpdateTree(int Symbol) {
    if (FFreq[Root] == 0x8000) Reconstruct();
    int c = FParent[Symbol + TreeSize];
    do {
        unsigned k = ++FFreq[c];
        int l = c + 1;
        if (k > FFreq[l]) {
            while (k > FFreq[++l]) {
            }
            --l;
            FFreq[c] = FFreq[l];
            FFreq[l] = static_cast<uint16_t>(k);
            int i = FChild[c];
            FParent[i] = static_cast<uint16_t>(l);
            if (i < TreeSize) FParent[i + 1] = static_cast<uint16_t>(l);
            int m = FChild[l];
            FChild[l] = static_cast<uint16_t>(i);
            FParent[m] = static_cast<uint16_t>(c);
            if (m < TreeSize) FParent[m + 1] = static_cast<uint16_t>(c);
            FChild[c] = static_cast<uint16_t>(m);
            c = l;
        }
        c = FParent[c];
    } while (c != 0);
}

void TLzhEncoder::EncodeSymbol(int Symbol) {
    // The decoder walks from the root taking child(n + bit); collect the bits
    // from the leaf up, then send them root first. No limit on the depth.
    uint8_t Path[TreeSize];
    int Depth = 0;
    for (int k = FParent[Symbol + TreeSize]; k != Root; k = FParent[k]) Path[Depth++] = static_cast<uint8_t>(k - FChild[FParent[k]]);
    while (Depth > 0) PutBits(Path[--Depth], 1);
    UpdateTree(Symbol);
}

void TLzhEncoder::PutLiteral(uint8_t Byte) { EncodeSymbol(Byte); }

void TLzhEncoder::PutMatch(int Length, int Distance) {
    if (Length < Threshold + 1 || Length > LookAhead || Distance < 1 || Distance > RingSize)
        throw std::invalid_argument("LZH match out of range");
    EncodeSymbol(255 - Threshold + Length);
    const unsigned Position = static_cast<unsigned>(Distance - 1);
    const auto& P = PositionCodes();
    PutBits(P.Code[Position >> 6] >> (8 - P.Len[Position >> 6]), P.Len[Position >> 6]);
    PutBits(Position & 63, 6);
}

std::vector<uint8_t> TLzhEncoder::Finish() {
    if (FBitCount > 0) {
        FOut.push_back(static_cast<uint8_t>(FBitBuf << (8 - FBitCount)));
        FBitBuf = 0;
        FBitCount = 0;
    }
    return std::move(FOut);
}

std::vector<uint8_t> LzhCompress(const std::vector<uint8_t>& Data, TLzhEncodeStats* Stats) {
    constexpr int N = TLzhEncoder::RingSize, F = TLzhEncoder::LookAhead, Preset = TLzhEncoder::PresetSpaces;
    constexpr int MinMatch = TLzhEncoder::Threshold + 1;
    constexpr int MaxChain = 256;
    // The history the decoder sees: the preset spaces, then the data.
    std::vector<uint8_t> V(Preset, ' ');
    V.insert(V.end(), Data.begin(), Data.end());
    const int64_t End = static_cast<int64_t>(V.size());
    constexpr int HashBits = 15;
    std::vector<int64_t> Head(size_t{1} << HashBits, -1);
    std::vector<int64_t> Prev(V.size(), -1);
    auto Hash = [&](int64_t p) {
        return ((V[p] << 10) ^ (V[p + 1] << 5) ^ V[p + 2]) & ((1u << HashBits) - 1);
    };
    auto Insert = [&](int64_t p) {
        if (p + MinMatch > End) return;
        unsigned h = Hash(p);
        Prev[p] = Head[h];
        Head[h] = p;
    };
    for (int64_t p = 0; p < Preset; ++p) Insert(p);

    TLzhEncoder E;
    TLzhEncodeStats S;
    int64_t Cur = Preset;
    while (Cur < End) {
        int BestLen = 0;
        int64_t BestPos = -1;
        const int Limit = static_cast<int>(std::min<int64_t>(F, End - Cur));
        if (Limit >= MinMatch) {
            int Steps = 0;
            for (int64_t p = Head[Hash(Cur)]; p >= 0 && p >= Cur - N && Steps < MaxChain; p = Prev[p], ++Steps) {
                int L = 0;
                while (L < Limit && V[p + L] == V[Cur + L]) ++L;
                if (L > BestLen) {
                    BestLen = L;
                    BestPos = p;
                    if (L == Limit) break;
                }
            }
        }
        if (BestLen >= MinMatch) {
            E.PutMatch(BestLen, static_cast<int>(Cur - BestPos));
            ++S.Matches;
            if (BestLen == F) ++S.LongestMatches;
            if (BestPos < Preset) ++S.PresetMatches;
            if ((BestPos & (N - 1)) + BestLen > N) ++S.WrapMatches;
            for (int k = 0; k < BestLen; ++k) Insert(Cur + k);
            Cur += BestLen;
        } else {
            E.PutLiteral(V[Cur]);
            ++S.Literals;
            Insert(Cur);
            ++Cur;
        }
    }
    S.TreeRebuilds = E.TreeRebuilds();
    if (Stats) *Stats = S;
    return E.Finish();
}

std::vector<uint8_t> PackSkinFile(const std::vector<uint8_t>& Data, TLzhEncodeStats* Stats) {
    const auto Size = static_cast<uint32_t>(Data.size());
    std::vector<uint8_t> Out = {static_cast<uint8_t>(Size), static_cast<uint8_t>(Size >> 8),
                                static_cast<uint8_t>(Size >> 16), static_cast<uint8_t>(Size >> 24)};
    std::vector<uint8_t> Stream = LzhCompress(Data, Stats);
    Out.insert(Out.end(), Stream.begin(), Stream.end());
    return Out;
}
