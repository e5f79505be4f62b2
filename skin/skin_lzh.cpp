#include "skin/skin_lzh.h"
#include "platform/rtl/scope.h"

#include <array>
#include <cstring>
#include <new>

namespace {

// The upper six bits of a position are coded with a fixed prefix code; the
// 64 values take lengths 3 to 8 in increasing code order, so the decode table
// follows from how many values have each length.
struct TPositionTables {
    std::array<uint8_t, 256> Code{};  // value of the code that starts the byte
    std::array<uint8_t, 256> Len{};   // its code length
    TPositionTables() {
        static constexpr int Counts[][2] = {{3, 1}, {4, 3}, {5, 8}, {6, 12}, {7, 24}, {8, 16}};
        int Value = 0, Next = 0;  // Next: first byte (code left-aligned) not yet assigned
        for (auto [Length, N] : Counts)
            for (int k = 0; k < N; ++k, ++Value) {
                int Span = 256 >> Length;
                for (int b = Next; b < Next + Span; ++b) {
                    Code[b] = static_cast<uint8_t>(Value);
                    Len[b] = static_cast<uint8_t>(Length);
                }
                Next += Span;
            }
    }
};
const TPositionTables& PositionTables() {
    static const TPositionTables T;
    return T;
}

}  // namespace

TLZH::~TLZH() { delete FTables; }

void TLZH::AllocTables() {
    if (FTables) return;
    FTables = new (std::nothrow) TTables;
    if (!FTables) throw ElzhException("LZH : Cannot get memory for dictionary tables");
}

void TLZH::FreeTables() {
    delete FTables;
    FTables = nullptr;
}

uint64_t TLZH::MaxDecodedSize(uint64_t InputBytes) {
    return InputBytes * 8 * 6;
}

void TLZH::ReadInputBlock(uint8_t* Buffer, uint16_t Count, uint16_t& Actual) {
    Actual = InputStream ? static_cast<uint16_t>(InputStream->Read(Buffer, Count)) : 0;
}

void TLZH::WriteOutputBlock(const uint8_t* Buffer, uint16_t Count, uint16_t& Actual) {
    Actual = OutputStream ? static_cast<uint16_t>(OutputStream->Write(Buffer, Count)) : 0;
}

void TLZH::Decode(uint32_t Size) {
    TLzhWriteProc W = [this](const uint8_t* B, uint16_t C, uint16_t& A) { WriteOutputBlock(B, C, A); };
    TLzhReadProc R = [this](uint8_t* B, uint16_t C, uint16_t& A) { ReadInputBlock(B, C, A); };
    Decode(Size, W, R);
}

void TLZH::FillBits() {
    while (FBitCount < 9) {
        if (FInPos == FInLen && !FInEnded) {
            uint16_t Got = 0;
            (*FRead)(FIn, sizeof FIn, Got);
            FInPos = 0;
            FInLen = Got;
            if (Got == 0) FInEnded = true;
        }
        unsigned Byte = 0;
        if (FInPos < FInLen) {
            Byte = FIn[FInPos++];
            FRealBits += 8;
        }
        FBitBuf = static_cast<uint16_t>(FBitBuf | (Byte << (8 - FBitCount)));
        FBitCount = static_cast<uint8_t>(FBitCount + 8);
    }
}

void TLZH::TakeBits(int Count) {
    if (Count > FRealBits) throw ElzhException("LZH : Compressed data ends too early");
    FRealBits -= Count;
}

int TLZH::GetBit() {
    FillBits();
    TakeBits(1);
    int Bit = FBitBuf >> 15;
    FBitBuf = static_cast<uint16_t>(FBitBuf << 1);
    --FBitCount;
    return Bit;
}

int TLZH::GetByte() {
    FillBits();
    TakeBits(8);
    int Byte = FBitBuf >> 8;
    FBitBuf = static_cast<uint16_t>(FBitBuf << 8);
    FBitCount = static_cast<uint8_t>(FBitCount - 8);
    return Byte;
}

void TLZH::StartHuff() {
    auto& T = *FTables;
    for (int i = 0; i < CharCount; ++i) {
        T.Freq[i] = 1;
        T.Child[i] = static_cast<uint16_t>(i + TreeSize);
        T.Parent[i + TreeSize] = static_cast<uint16_t>(i);
    }
    for (int i = 0, j = CharCount; j <= Root; i += 2, ++j) {
        T.Freq[j] = static_cast<uint16_t>(T.Freq[i] + T.Freq[i + 1]);
        T.Child[j] = static_cast<uint16_t>(i);
        T.Parent[i] = T.Parent[i + 1] = static_cast<uint16_t>(j);
    }
    T.Freq[TreeSize] = 0xFFFF;
    T.Parent[Root] = 0;
}

void TLZH::Reconstruct() {
    auto& T = *FTables;
    // Leaves to the low slots, frequencies halved rounding up.
    int j = 0;
    for (int i = 0; i < TreeSize; ++i)
        if (T.Child[i] >= TreeSize) {
            T.Freq[j] = static_cast<uint16_t>((T.Freq[i] + 1) / 2);
            T.Child[j] = T.Child[i];
            ++j;
        }
    // Internal nodes pairwise, each inserted in frequency order.
    for (int i = 0, n = CharCount; n < TreeSize; i += 2, ++n) {
        unsigned f = T.Freq[i] + T.Freq[i + 1];
        T.Freq[n] = static_cast<uint16_t>(f);
        int k = n - 1;
        while (f < T.Freq[k]) --k;
        ++k;
        std::memmove(&T.Freq[k + 1], &T.Freq[k], (n - k) * sizeof(uint16_t));
        T.Freq[k] = static_cast<uint16_t>(f);
        std::memmove(&T.Child[k + 1], &T.Child[k], (n - k) * sizeof(uint16_t));
        T.Child[k] = static_cast<uint16_t>(i);
    }
    for (int i = 0; i < TreeSize; ++i) {
        int k = T.Child[i];
        if (k >= TreeSize)
            T.Parent[k] = static_cast<uint16_t>(i);
        else
            T.Parent[k] = T.Parent[k + 1] = static_cast<uint16_t>(i);
    }
}

void TLZH::UpdateTree(int Symbol) {
    auto& T = *FTables;
    if (T.Freq[Root] == MaxFreq) Reconstruct();
    int c = T.Parent[Symbol + TreeSize];
    do {
        unsigned k = ++T.Freq[c];
        int l = c + 1;
        if (k > T.Freq[l]) {
            while (k > T.Freq[++l]) {
            }
            --l;
            T.Freq[c] = T.Freq[l];
            T.Freq[l] = static_cast<uint16_t>(k);
            int i = T.Child[c];
            T.Parent[i] = static_cast<uint16_t>(l);
            if (i < TreeSize) T.Parent[i + 1] = static_cast<uint16_t>(l);
            int m = T.Child[l];
            T.Child[l] = static_cast<uint16_t>(i);
            T.Parent[m] = static_cast<uint16_t>(c);
            if (m < TreeSize) T.Parent[m + 1] = static_cast<uint16_t>(c);
            T.Child[c] = static_cast<uint16_t>(m);
            c = l;
        }
        c = T.Parent[c];
    } while (c != 0);
}

int TLZH::DecodeChar() {
    auto& T = *FTables;
    unsigned n = T.Child[Root];
    while (n < TreeSize) n = T.Child[n + GetBit()];
    int Symbol = static_cast<int>(n - TreeSize);
    UpdateTree(Symbol);
    return Symbol;
}

int TLZH::DecodePosition() {
    const auto& P = PositionTables();
    unsigned b = static_cast<unsigned>(GetByte());
    unsigned Upper = static_cast<unsigned>(P.Code[b]) << 6;
    for (int j = P.Len[b] - 2; j > 0; --j) b = (b << 1) + static_cast<unsigned>(GetBit());
    return static_cast<int>(Upper | (b & 63));
}

void TLZH::FlushOutput() {
    if (FOutLen == 0) return;
    uint16_t Done = 0;
    (*FWrite)(FOut, FOutLen, Done);
    if (Done != FOutLen) throw ElzhException("LZH : Cannot write the decoded data");
    FOutLen = 0;
}

void TLZH::PutByte(uint8_t C) {
    if (FOutLen == sizeof FOut) FlushOutput();
    FOut[FOutLen++] = C;
}

void TLZH::Decode(uint32_t Size, const TLzhWriteProc& WriteProc, const TLzhReadProc& ReadProc) {
    FRead = &ReadProc;
    FWrite = &WriteProc;
    FBitBuf = 0;
    FBitCount = 0;
    FRealBits = 0;
    FInPos = FInLen = 0;
    FInEnded = false;
    FOutLen = 0;
    AllocTables();
    rtl::TScopeExit FreeTablesAtExit([&] {
        FreeTables();
        FRead = nullptr;
        FWrite = nullptr;
    });
    auto& T = *FTables;
    StartHuff();
    std::memset(T.Ring, ' ', PresetSpaces);
    std::memset(T.Ring + PresetSpaces, 0, sizeof T.Ring - PresetSpaces);
    unsigned r = PresetSpaces;
    uint64_t Count = 0;
    while (Count < Size) {
        int c = DecodeChar();
        if (c < 256) {
            PutByte(static_cast<uint8_t>(c));
            T.Ring[r] = static_cast<uint8_t>(c);
            r = (r + 1) & (RingSize - 1);
            ++Count;
        } else {
            unsigned i = (r - static_cast<unsigned>(DecodePosition()) - 1) & (RingSize - 1);
            int Length = c - 255 + Threshold;
            // The match goes to the output buffer in one piece (it is at most
            // LookAhead bytes): no test for a full buffer per byte.
            if (FOutLen + Length > static_cast<int>(sizeof FOut)) FlushOutput();
            uint8_t* Out = FOut + FOutLen;
            const unsigned Distance = (r - i) & (RingSize - 1);
            if (i + Length <= RingSize && r + Length <= RingSize && Distance >= static_cast<unsigned>(Length)) {
                // Neither end wraps and the source ends before the copy starts.
                std::memcpy(Out, T.Ring + i, static_cast<size_t>(Length));
                std::memcpy(T.Ring + r, Out, static_cast<size_t>(Length));
                r = (r + Length) & (RingSize - 1);
            } else {
                for (int k = 0; k < Length; ++k) {
                    uint8_t b = T.Ring[(i + k) & (RingSize - 1)];
                    Out[k] = b;
                    T.Ring[r] = b;
                    r = (r + 1) & (RingSize - 1);
                }
            }
            FOutLen = static_cast<uint16_t>(FOutLen + Length);
            Count += static_cast<unsigned>(Length);  // may pass Size: the match is copied whole
        }
    }
    FlushOutput();
}
