#include "controls/extra/ag_giflzw.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "platform/classlib/graphics.h"
#include "platform/rtl/sysutils.h"

namespace {

constexpr int kTableSize = 4096;
constexpr int kStackLimit = 4096;
constexpr int kHashSlots = 17777;
constexpr int kBlockBytes = 255;

// Reports a percentage only when it changes: callers redraw on each report.
class TProgressReporter {
public:
    explicit TProgressReporter(const TGIFProgress& P) : FProgress(P) {}
    void Start() {
        if (FProgress) FProgress(psStarting, 0, {});
    }
    void Running(int64_t Done, int64_t Total) {
        if (!FProgress || Total <= 0) return;
        int Percent = static_cast<int>(Round(static_cast<double>(Done) * 100.0 / static_cast<double>(Total)));
        Percent = std::clamp(Percent, 0, 100);
        if (Percent == FLast) return;
        FLast = Percent;
        FProgress(psRunning, static_cast<uint8_t>(Percent), {});
    }
    void End(uint8_t Percent, const std::string& Msg) {
        if (FProgress) FProgress(psEnding, Percent, Msg);
    }

private:
    const TGIFProgress& FProgress;
    int FLast = -1;
};

// Codes come least significant bit first out of length-prefixed sub-blocks.
// Reading stops at the end of the data the stream holds, never past it.
class TCodeReader {
public:
    explicit TCodeReader(TStream& S) : FSource(S) {}

    bool Read(int Size, int& Code) {
        while (FCount < Size) {
            int B = NextByte();
            if (B < 0) return false;
            FBits |= static_cast<uint32_t>(B) << FCount;
            FCount += 8;
        }
        Code = static_cast<int>(FBits & ((1u << Size) - 1));
        FBits >>= Size;
        FCount -= Size;
        return true;
    }

private:
    int NextByte() {
        while (FPos == FLen) {
            if (FEnded) return -1;
            uint8_t L = 0;
            if (FSource.Read(&L, 1) != 1) {
                FEnded = true;
                return -1;
            }
            FLen = static_cast<int>(FSource.Read(FBlock.data(), L));
            FPos = 0;
            if (FLen < L) FEnded = true;  // the block ran past the data: use what is there
        }
        return FBlock[FPos++];
    }

    TStream& FSource;
    std::array<uint8_t, kBlockBytes> FBlock{};
    int FPos = 0, FLen = 0;
    bool FEnded = false;
    uint32_t FBits = 0;
    int FCount = 0;
};

class TPixelWriter {
public:
    TPixelWriter(const TGIFLZWTarget& T, bool Interlaced, uint8_t* Pixels)
        : FTarget(T), FInterlaced(Interlaced), FPixels(Pixels), FRowBytes(DIBRowBytes(T.Width, T.BitsPerPixel)) {
        FDone = T.Width <= 0 || T.Height <= 0;
    }
    bool Done() const { return FDone; }

    void Put(int Pixel) {
        if (FDone) return;
        uint8_t* Row = FPixels + static_cast<int64_t>(FTarget.Height - 1 - FRow) * FRowBytes;
        switch (FTarget.BitsPerPixel) {
        case 1: {
            uint8_t Bit = static_cast<uint8_t>((Pixel & 1) << (7 - FX % 8));
            if (FX % 8 == 0)
                Row[FX / 8] = Bit;
            else
                Row[FX / 8] |= Bit;
            break;
        }
        case 4:
            if (FX % 2 == 0)
                Row[FX / 2] = static_cast<uint8_t>((Pixel & 0xF) << 4);
            else
                Row[FX / 2] |= static_cast<uint8_t>(Pixel & 0xF);
            break;
        default:
            Row[FX] = static_cast<uint8_t>(Pixel);
        }
        if (++FX < FTarget.Width) return;
        FX = 0;
        FRow = FInterlaced ? NextInterlacedRow(FRow, FTarget.Height, FPass) : FRow + 1;
        if (FRow >= FTarget.Height) FDone = true;
    }

private:
    const TGIFLZWTarget& FTarget;
    bool FInterlaced;
    uint8_t* FPixels;
    int64_t FRowBytes;
    int FX = 0, FRow = 0, FPass = 0;
    bool FDone = false;
};

[[noreturn]] void RaiseCorrupt() { throw EInvalidGraphicOperation("GIF encoded data is corrupt"); }

class TCodeWriter {
public:
    explicit TCodeWriter(TStream& T) : FTarget(T) {}

    void Write(int Code, int Size) {
        FBits |= static_cast<uint32_t>(Code) << FCount;
        FCount += Size;
        while (FCount >= 8) {
            FBlock[FLen++] = static_cast<uint8_t>(FBits);
            FBits >>= 8;
            FCount -= 8;
            if (FLen == kBlockBytes) WriteBlock();
        }
    }

    void Flush() {
        if (FCount > 0) {
            FBlock[FLen++] = static_cast<uint8_t>(FBits);
            FBits = 0;
            FCount = 0;
        }
        if (FLen > 0) WriteBlock();
        uint8_t Terminator = 0;
        FTarget.WriteBuffer(&Terminator, 1);
    }

private:
    void WriteBlock() {
        uint8_t L = static_cast<uint8_t>(FLen);
        FTarget.WriteBuffer(&L, 1);
        FTarget.WriteBuffer(FBlock.data(), FLen);
        FLen = 0;
    }

    TStream& FTarget;
    std::array<uint8_t, kBlockBytes> FBlock{};
    int FLen = 0;
    uint32_t FBits = 0;
    int FCount = 0;
};

int PixelAt(const uint8_t* Row, int X, int Bits) {
    switch (Bits) {
    case 1: return (Row[X / 8] >> (7 - X % 8)) & 1;
    case 4: return X % 2 == 0 ? Row[X / 2] >> 4 : Row[X / 2] & 0xF;
    default: return Row[X];
    }
}

}  // namespace

int64_t DIBRowBytes(int Width, int BitsPerPixel) {
    return ((static_cast<int64_t>(Width) * BitsPerPixel + 31) / 32) * 4;
}

int NextInterlacedRow(int Row, int Height, int& Pass) {
    static constexpr int Step[4] = {8, 8, 4, 2};
    static constexpr int Start[4] = {0, 4, 2, 1};
    if (Pass < 0 || Pass > 3) return Height;
    if (Row + Step[Pass] < Height) return Row + Step[Pass];
    while (++Pass <= 3)
        if (Start[Pass] < Height) return Start[Pass];
    return Height;
}

bool DecodeLZW(TStream& Source, const TGIFLZWTarget& Target, bool Interlaced, const TGIFProgress& Progress,
               uint8_t* Pixels, int ColourBits, bool Tolerant) {
    TProgressReporter Report(Progress);
    Report.Start();
    try {
        const int64_t SourceSize = Source.Size();
        bool Corrupt = false;
        // Tolerant decoding keeps what was decoded and says the data was bad.
        auto Bad = [&] {
            if (!Tolerant) RaiseCorrupt();
            Corrupt = true;
        };

        TPixelWriter Out(Target, Interlaced, Pixels);
        uint8_t M = 0;
        if (Source.Read(&M, 1) != 1) {
            Report.End(100, {});
            return !Out.Done();
        }
        if (M < 2 || M > 9) {
            if (!Tolerant) throw EInvalidGraphicOperation("GIF code size not in range 2 to 9");
            Corrupt = true;
            M = static_cast<uint8_t>(std::clamp<int>(M, 2, 9));
        }
        const int Clear = 1 << M, End = Clear + 1, FirstFree = Clear + 2;
        // A code below Clear is a pixel of the colour table; codes past the
        // table's colours but below Clear name no entry.
        const int PixelMask = std::min((1 << std::clamp(ColourBits, 1, 8)) - 1, Clear - 1);

        // Zeroed, so a bad code can never walk into undefined entries.
        auto Prefix = std::make_unique<uint16_t[]>(kTableSize);
        auto Suffix = std::make_unique<uint8_t[]>(kTableSize);
        auto Stack = std::make_unique<uint8_t[]>(kStackLimit + 1);

        int Size = M + 1, Limit = 1 << Size, NextFree = FirstFree;
        bool Full = false;
        int Prev = -1, FirstPixel = 0;
        TCodeReader Codes(Source);
        int Code = 0;
        bool HaveCode = Codes.Read(Size, Code);
        while (HaveCode && Code != End && !Out.Done()) {
            if (Code == Clear) {
                Size = M + 1;
                Limit = 1 << Size;
                NextFree = FirstFree;
                Full = false;
                if (!Codes.Read(Size, Code)) {
                    HaveCode = false;
                    break;
                }
                if (Code == End) break;
                if (Code > PixelMask) {
                    Bad();
                    break;
                }
                Out.Put(Code);
                Prev = FirstPixel = Code;
            } else {
                const bool Literal = Code <= PixelMask;
                const bool InTable = Code >= FirstFree && Code < NextFree;
                const bool Pending = !Full && Code == NextFree && Prev >= 0;  // the entry this code makes
                if (!Literal && !InTable && !Pending) {
                    Bad();
                    break;
                }
                int Sp = 0;
                int C = Code;
                if (Pending) {
                    Stack[Sp++] = static_cast<uint8_t>(FirstPixel);
                    C = Prev;
                }
                while (C > PixelMask && Sp < kStackLimit) {
                    Stack[Sp++] = Suffix[C];
                    C = Prefix[C];
                }
                if (C > PixelMask) {
                    Bad();
                    break;
                }
                FirstPixel = C;
                Stack[Sp++] = static_cast<uint8_t>(C);
                while (Sp > 0 && !Out.Done()) Out.Put(Stack[--Sp]);
                if (!Full && Prev >= 0) {
                    Prefix[NextFree] = static_cast<uint16_t>(Prev);
                    Suffix[NextFree] = static_cast<uint8_t>(FirstPixel);
                    if (++NextFree >= Limit) {
                        if (Size == 12)
                            Full = true;
                        else {
                            ++Size;
                            Limit <<= 1;
                        }
                    }
                }
                Prev = Code;
            }
            Report.Running(Source.Position(), SourceSize);
            HaveCode = Codes.Read(Size, Code);
        }
        // Data that ends before its end code and its last row is damaged.
        if (!HaveCode && !Out.Done()) Bad();
        Report.End(100, {});
        return Corrupt;
    } catch (const Exception& E) {
        Report.End(0, E.Message);
        throw;
    }
}

void EncodeLZW(TStream& Target, const TGIFLZWTarget& Header, bool Interlaced, const TGIFProgress& Progress,
               const uint8_t* Pixels) {
    TProgressReporter Report(Progress);
    Report.Start();
    try {
        const int Bits = Header.BitsPerPixel;
        const int S0 = Bits == 1 ? 3 : Bits + 1;
        const uint8_t MinCodeSize = static_cast<uint8_t>(S0 - 1);
        Target.WriteBuffer(&MinCodeSize, 1);
        const int Clear = 1 << (S0 - 1), End = Clear + 1;

        struct TNode {
            uint16_t Prefix, Code;
            uint8_t Suffix;
        };
        auto Nodes = std::make_unique<TNode[]>(kTableSize);
        std::vector<int16_t> Index(kHashSlots, -1);  // node number, -1 when empty

        TCodeWriter Out(Target);
        int Last = End, Size = S0, Limit = 1 << S0;
        Out.Write(Clear, Size);

        const int64_t RowBytes = DIBRowBytes(Header.Width, Bits);
        int Prefix = 0, N = 0;
        int64_t Hash = 0;
        const int W = Header.Width, H = Header.Height;
        if (W > 0 && H > 0) {
            int Pass = 0, Done = 0;
            for (int Y = 0; Y < H; Y = Interlaced ? NextInterlacedRow(Y, H, Pass) : Y + 1) {
                const uint8_t* Row = Pixels + static_cast<int64_t>(H - 1 - Y) * RowBytes;
                for (int X = 0; X < W; ++X) {
                    const int P = PixelAt(Row, X, Bits);
                    if (++N == 1) {
                        Prefix = P;
                        Hash = P * 301 + 903;
                        continue;
                    }
                    Hash = ((P + N + 4) * Hash) % kHashSlots;
                    int Slot = static_cast<int>(Hash);
                    while (Index[Slot] >= 0) {
                        const TNode& Node = Nodes[Index[Slot]];
                        if (Node.Prefix == Prefix && Node.Suffix == P) break;
                        Slot = Slot + 1 == kHashSlots ? 0 : Slot + 1;
                    }
                    if (Index[Slot] >= 0) {
                        Prefix = Nodes[Index[Slot]].Code;
                        continue;
                    }
                    Out.Write(Prefix, Size);
                    const int NewCode = ++Last;
                    Nodes[NewCode] = TNode{static_cast<uint16_t>(Prefix), static_cast<uint16_t>(NewCode),
                                           static_cast<uint8_t>(P)};
                    Index[Slot] = static_cast<int16_t>(NewCode);
                    Prefix = P;
                    Hash = P * 301 + 903;
                    N = 1;
                    if (NewCode >= Limit) {
                        Limit <<= 1;
                        ++Size;
                    } else if (NewCode >= 4094) {
                        Out.Write(Prefix, Size);
                        Out.Write(Clear, Size);
                        N = 0;
                        Last = End;
                        Size = S0;
                        Limit = 1 << S0;
                        std::fill(Index.begin(), Index.end(), -1);
                    }
                }
                Report.Running(++Done, H);
            }
        }
        if (N > 0) Out.Write(Prefix, Size);
        Out.Write(End, Size);
        Out.Flush();
        Report.End(100, {});
    } catch (const Exception& E) {
        Report.End(0, E.Message);
        throw;
    }
}
