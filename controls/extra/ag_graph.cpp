#include "controls/extra/ag_graph.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "controls/extra/ag_drawhelpers.h"
#include "platform/gdi/gdi.h"
#include "platform/rtl/sysutils.h"

namespace {

int64_t RowBytes(int Width, int Bits) { return ((static_cast<int64_t>(Width) * Bits + 31) / 32) * 4; }

// Walks the 24-bit pixels in memory order and writes each pixel's index in
// place: the index of pixel x lands at or before the first byte of pixel x.
template <typename F>
void MapPixels(uint8_t* Bits, int Width, int Height, F IndexOf) {
    const int64_t In = RowBytes(Width, 24), Out = RowBytes(Width, 8);
    for (int Y = 0; Y < Height; ++Y) {
        const uint8_t* Src = Bits + Y * In;
        uint8_t* Dst = Bits + Y * Out;
        for (int X = 0; X < Width; ++X) {
            const uint8_t B = Src[3 * X], G = Src[3 * X + 1], R = Src[3 * X + 2];
            Dst[X] = IndexOf(R, G, B, X, Y);
        }
        // Row padding of the result is zero.
        for (int64_t P = Width; P < Out; ++P) Dst[P] = 0;
    }
}

void FillGrey(RGBQUAD* Palette, int From) {
    for (int I = From; I < 256; ++I) Palette[I] = RGBQUAD{128, 128, 128, 0};
}

// ---- Popularity ----------------------------------------------------------------

constexpr int kMaxColours = 2049;
constexpr int kHashSlots = 5191;

struct TPopColour {
    uint8_t B, G, R;
    int Index;
    uint32_t Count;
};

class TPopularity {
public:
    // Counts the colours, dropping low bits until at most 2049 distinct remain.
    void Count(const uint8_t* Bits, int Width, int Height) {
        const int64_t In = RowBytes(Width, 24);
        for (;;) {
            Reset();
            bool Fits = true;
            for (int Y = 0; Y < Height && Fits; ++Y) {
                const uint8_t* Row = Bits + Y * In;
                for (int X = 0; X < Width; ++X) {
                    int Slot = Find(Row[3 * X + 2], Row[3 * X + 1], Row[3 * X]);
                    if (Slot < 0) {
                        Fits = false;
                        break;
                    }
                    ++Colours[Hash[Slot]].Count;
                }
            }
            if (Fits) return;
            DropBit();
        }
    }

    void MakePalette(RGBQUAD* Palette) {
        const int N = static_cast<int>(Colours.size());
        int I = 0;
        for (; I < 256 && I < N; ++I) {
            int Best = -1;
            for (int C = 0; C < N; ++C)
                if (Colours[C].Index < 0 && (Best < 0 || Colours[C].Count > Colours[Best].Count)) Best = C;
            TPopColour& P = Colours[Best];
            Palette[I] = RGBQUAD{P.B, P.G, P.R, 0};
            P.Index = I;
            P.Count = 0;
        }
        FillGrey(Palette, I);
        const int Used = I;
        for (TPopColour& C : Colours) {
            if (C.Index >= 0) continue;
            int Best = 0;
            int BestDist = -1;
            for (int E = 0; E < Used; ++E) {
                int DR = C.R - Palette[E].rgbRed, DG = C.G - Palette[E].rgbGreen, DB = C.B - Palette[E].rgbBlue;
                int D = DR * DR + DG * DG + DB * DB;
                if (BestDist < 0 || D < BestDist) {
                    BestDist = D;
                    Best = E;
                }
            }
            C.Index = Best;
        }
    }

    uint8_t IndexOf(uint8_t R, uint8_t G, uint8_t B) {
        int Slot = Find(R, G, B);
        return static_cast<uint8_t>(Slot >= 0 ? Colours[Hash[Slot]].Index : 0);
    }

    uint8_t RMask = 255, GMask = 255, BMask = 255;

private:
    void Reset() {
        Colours.clear();
        Hash.fill(0xFFFF);
    }

    // The slot of the masked colour, added when new; -1 when the table is full.
    int Find(uint8_t R, uint8_t G, uint8_t B) {
        R &= RMask;
        G &= GMask;
        B &= BMask;
        int Slot = static_cast<int>(((R + G) * (B + G) * (R + B)) % kHashSlots);
        while (Hash[Slot] != 0xFFFF) {
            const TPopColour& C = Colours[Hash[Slot]];
            if (C.R == R && C.G == G && C.B == B) return Slot;
            Slot = Slot + 1 == kHashSlots ? 0 : Slot + 1;
        }
        if (static_cast<int>(Colours.size()) == kMaxColours) return -1;
        Hash[Slot] = static_cast<uint16_t>(Colours.size());
        Colours.push_back(TPopColour{B, G, R, -1, 0});
        return Slot;
    }

    // Blue, red, green, blue, ...: one low bit at a time.
    void DropBit() {
        uint8_t& M = RMask < GMask ? GMask : BMask < RMask ? RMask : BMask;
        M = static_cast<uint8_t>(M << 1);
    }

    std::vector<TPopColour> Colours;
    std::array<uint16_t, kHashSlots> Hash{};
};

// ---- Median cut ------------------------------------------------------------------

struct TCutNode {
    uint8_t C[3];  // red4, green4, blue4
    int Box = 0;
    uint32_t Count = 0;
};

struct TCutBox {
    uint8_t Lower[3] = {0, 0, 0};
    uint8_t Extent[3] = {255, 255, 255};
    uint32_t Pixels = 0;
    std::vector<int> Nodes;  // colour nodes in list order
};

int NodeOf(uint8_t R, uint8_t G, uint8_t B) { return (R >> 4) * 256 + (G >> 4) * 16 + (B >> 4); }

void SortNodes(std::vector<int>& A, int Lo, int Hi, const std::vector<TCutNode>& Nodes, int Ch) {
    auto Key = [&](int N) { return Nodes[N].C[Ch]; };
    if (Hi - Lo + 1 < 8) {
        // Each colour moves before every earlier colour of equal or larger value.
        for (int I = Lo + 1; I <= Hi; ++I) {
            int V = A[I], J = I;
            while (J > Lo && Key(A[J - 1]) >= Key(V)) {
                A[J] = A[J - 1];
                --J;
            }
            A[J] = V;
        }
        return;
    }
    const uint8_t Pivot = Key(A[(Lo + Hi) / 2]);
    int I = Lo, J = Hi;
    while (I <= J) {
        while (Key(A[I]) < Pivot) ++I;
        while (Key(A[J]) > Pivot) --J;
        if (I <= J) std::swap(A[I++], A[J--]);
    }
    if (Lo < J) SortNodes(A, Lo, J, Nodes, Ch);
    if (I < Hi) SortNodes(A, I, Hi, Nodes, Ch);
}

uint32_t MedianCut(uint8_t* Bits, int Width, int Height, RGBQUAD* Palette) {
    std::vector<TCutNode> Nodes(4096);
    for (int N = 0; N < 4096; ++N) Nodes[N].C[0] = static_cast<uint8_t>(N >> 8), Nodes[N].C[1] = (N >> 4) & 15,
                                    Nodes[N].C[2] = N & 15;
    const int64_t In = RowBytes(Width, 24);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X) {
            const uint8_t* P = Bits + Y * In + 3 * X;
            ++Nodes[NodeOf(P[2], P[1], P[0])].Count;
        }
    std::vector<TCutBox> Boxes(1);
    Boxes[0].Pixels = static_cast<uint32_t>(static_cast<int64_t>(Width) * Height);
    for (int N = 0; N < 4096; ++N)
        if (Nodes[N].Count) Boxes[0].Nodes.push_back(N);

    while (Boxes.size() < 256) {
        int Box = -1, Ch = 0, Largest = -1;
        for (size_t B = 0; B < Boxes.size(); ++B) {
            if (Boxes[B].Nodes.size() < 2) continue;
            for (int C = 0; C < 3; ++C)
                if (Boxes[B].Extent[C] > Largest) {
                    Largest = Boxes[B].Extent[C];
                    Box = static_cast<int>(B);
                    Ch = C;
                }
        }
        if (Box < 0) break;
        TCutBox& Old = Boxes[Box];
        SortNodes(Old.Nodes, 0, static_cast<int>(Old.Nodes.size()) - 1, Nodes, Ch);
        const uint32_t Half = Old.Pixels / 2;
        size_t K = 1;
        uint32_t Sum = Nodes[Old.Nodes[0]].Count;
        while (K + 1 < Old.Nodes.size() && Sum + Nodes[Old.Nodes[K]].Count <= Half) Sum += Nodes[Old.Nodes[K++]].Count;
        TCutBox New;
        std::copy(std::begin(Old.Lower), std::end(Old.Lower), New.Lower);
        std::copy(std::begin(Old.Extent), std::end(Old.Extent), New.Extent);
        New.Nodes.assign(Old.Nodes.begin() + static_cast<std::ptrdiff_t>(K), Old.Nodes.end());
        New.Pixels = Old.Pixels - Sum;
        const uint8_t UpperEnd = static_cast<uint8_t>(Old.Lower[Ch] + Old.Extent[Ch]);
        New.Lower[Ch] = static_cast<uint8_t>(16 * Nodes[New.Nodes.front()].C[Ch]);
        New.Extent[Ch] = static_cast<uint8_t>(UpperEnd - New.Lower[Ch]);
        Old.Extent[Ch] = static_cast<uint8_t>(16 * Nodes[Old.Nodes[K - 1]].C[Ch] - Old.Lower[Ch]);
        Old.Nodes.resize(K);
        Old.Pixels = Sum;
        Boxes.push_back(std::move(New));
    }

    std::memset(Palette, 0, 256 * sizeof(RGBQUAD));
    for (size_t B = 0; B < Boxes.size(); ++B) {
        const TCutBox& Box = Boxes[B];
        if (Box.Nodes.empty()) continue;
        int Sum[3] = {0, 0, 0};
        for (int N : Box.Nodes) {
            for (int C = 0; C < 3; ++C) Sum[C] += Nodes[N].C[C] * 16 + 15;
            Nodes[N].Box = static_cast<int>(B);
        }
        const int Count = static_cast<int>(Box.Nodes.size());
        int V[3];
        for (int C = 0; C < 3; ++C) V[C] = Sum[C] / Count;
        if (V[0] <= 16 && V[1] <= 16 && V[2] <= 16) V[0] = V[1] = V[2] = 0;
        Palette[B] = RGBQUAD{static_cast<uint8_t>(V[2]), static_cast<uint8_t>(V[1]), static_cast<uint8_t>(V[0]), 0};
    }
    MapPixels(Bits, Width, Height, [&](uint8_t R, uint8_t G, uint8_t B, int, int) {
        return static_cast<uint8_t>(Nodes[NodeOf(R, G, B)].Box);
    });
    return static_cast<uint32_t>(Boxes.size());
}

// ---- Level tables ----------------------------------------------------------------

struct TLevelSet {
    int Count;
    std::array<uint8_t, 8> Values;
};
constexpr TLevelSet kLevelSets[] = {
    {4, {0, 85, 170, 255}},
    {6, {0, 51, 102, 153, 204, 255}},
    {7, {0, 43, 85, 128, 170, 213, 255}},
    {8, {0, 36, 73, 109, 146, 182, 219, 255}},
};

const TLevelSet& LevelSet(int Levels) {
    for (const TLevelSet& S : kLevelSets)
        if (S.Count == Levels) return S;
    return kLevelSets[0];
}

}  // namespace

uint8_t NearestLevel(int Levels, uint8_t Value) {
    // Made once: one table per level set, for every byte value.
    static const auto Tables = [] {
        std::array<std::array<uint8_t, 256>, 4> T{};
        for (int S = 0; S < 4; ++S)
            for (int V = 0; V < 256; ++V) {
                int Best = 0;
                for (int L = 1; L < kLevelSets[S].Count; ++L)
                    if (std::abs(V - kLevelSets[S].Values[L]) < std::abs(V - kLevelSets[S].Values[Best])) Best = L;
                T[S][V] = static_cast<uint8_t>(Best);
            }
        return T;
    }();
    for (int S = 0; S < 4; ++S)
        if (kLevelSets[S].Count == Levels) return Tables[S][Value];
    return 0;
}

uint32_t ReduceTo8Bit(uint8_t* Bits, int Width, int Height, TColorReduction Method, RGBQUAD* Palette) {
    switch (Method) {
    case crPopularity: {
        TPopularity Pop;
        Pop.Count(Bits, Width, Height);
        Pop.MakePalette(Palette);
        MapPixels(Bits, Width, Height, [&](uint8_t R, uint8_t G, uint8_t B, int, int) { return Pop.IndexOf(R, G, B); });
        return 0;
    }
    case crMedianCut: return MedianCut(Bits, Width, Height, Palette);
    case crFixed784: {
        const TLevelSet &R7 = LevelSet(7), &G8 = LevelSet(8), &B4 = LevelSet(4);
        for (int I = 0; I < 224; ++I)
            Palette[I] = RGBQUAD{B4.Values[I % 4], G8.Values[(I / 4) % 8], R7.Values[I / 32], 0};
        FillGrey(Palette, 224);
        MapPixels(Bits, Width, Height, [](uint8_t R, uint8_t G, uint8_t B, int, int) {
            return static_cast<uint8_t>(NearestLevel(7, R) * 32 + NearestLevel(8, G) * 4 + NearestLevel(4, B));
        });
        return 224;
    }
    case crFixed666: {
        const TLevelSet& L6 = LevelSet(6);
        for (int I = 0; I < 216; ++I) Palette[I] = RGBQUAD{L6.Values[I % 6], L6.Values[(I / 6) % 6], L6.Values[I / 36], 0};
        FillGrey(Palette, 216);
        MapPixels(Bits, Width, Height, [](uint8_t R, uint8_t G, uint8_t B, int, int) {
            return static_cast<uint8_t>(NearestLevel(6, R) * 36 + NearestLevel(6, G) * 6 + NearestLevel(6, B));
        });
        return 216;
    }
    case crChannelRamps: {
        std::memset(Palette, 0, 256 * sizeof(RGBQUAD));
        for (int I = 0; I < 64; ++I) {
            const uint8_t V = static_cast<uint8_t>(I * 4);
            Palette[I].rgbRed = V;
            Palette[64 + I].rgbGreen = V;
            Palette[128 + I].rgbBlue = V;
        }
        MapPixels(Bits, Width, Height, [](uint8_t R, uint8_t G, uint8_t B, int X, int Y) {
            switch ((X + Y) % 3) {
            case 0: return static_cast<uint8_t>(R >> 2);
            case 1: return static_cast<uint8_t>(64 + (G >> 2));
            default: return static_cast<uint8_t>(128 + (B >> 2));
            }
        });
        return 0;
    }
    case crGreyLevels:
    default:
        for (int I = 0; I < 256; ++I)
            Palette[I] = RGBQUAD{static_cast<uint8_t>(I), static_cast<uint8_t>(I), static_cast<uint8_t>(I), 0};
        MapPixels(Bits, Width, Height, [](uint8_t R, uint8_t G, uint8_t B, int, int) {
            return static_cast<uint8_t>((77 * R + 150 * G + 29 * B) >> 8);
        });
        return 0;
    }
}

namespace {

int BitsOf(TPixelFormat F) {
    switch (F) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf24bit: return 24;
    default: return 0;
    }
}

// Reads the bitmap's pixels as a DIB of Bits bits per pixel, with its table.
std::vector<uint8_t> ReadDIB(TBitmap& Bitmap, int Bits, BITMAPINFOHEADER& Header, std::vector<RGBQUAD>& Table) {
    std::vector<uint8_t> Info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* BI = reinterpret_cast<BITMAPINFO*>(Info.data());
    BI->bmiHeader = BITMAPINFOHEADER{};
    BI->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    BI->bmiHeader.biWidth = Bitmap.Width();
    BI->bmiHeader.biHeight = Bitmap.Height();
    BI->bmiHeader.biPlanes = 1;
    BI->bmiHeader.biBitCount = static_cast<WORD>(Bits);
    BI->bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> Pixels(static_cast<size_t>(RowBytes(Bitmap.Width(), Bits) * Bitmap.Height()));
    HDC Dc = CreateCompatibleDC(nullptr);
    const int Lines = GetDIBits(Dc, Bitmap.Handle(), 0, static_cast<UINT>(Bitmap.Height()), Pixels.data(), BI,
                                DIB_RGB_COLORS);
    DeleteDC(Dc);
    if (Lines != Bitmap.Height()) throw EInvalidGraphic("Bitmap image is not valid");
    Header = BI->bmiHeader;
    Header.biHeight = std::abs(Header.biHeight);
    if (Bits <= 8) Table.assign(BI->bmiColors, BI->bmiColors + (size_t(1) << Bits));
    return Pixels;
}

void WriteBMP(TMemoryStream& Out, BITMAPINFOHEADER Header, const std::vector<RGBQUAD>& Table, const uint8_t* Pixels,
              size_t PixelBytes) {
    const uint32_t Headers = 14 + sizeof(BITMAPINFOHEADER) + static_cast<uint32_t>(Table.size() * sizeof(RGBQUAD));
    BITMAPFILEHEADER File{};
    File.bfType = 0x4D42;
    File.bfSize = Headers;  // headers and palette only, as the reader of this data expects
    File.bfOffBits = Headers;
    Header.biSize = sizeof(BITMAPINFOHEADER);
    Header.biSizeImage = static_cast<DWORD>(PixelBytes);
    Out.WriteBuffer(&File, sizeof File);
    Out.WriteBuffer(&Header, sizeof Header);
    if (!Table.empty()) Out.WriteBuffer(Table.data(), static_cast<int64_t>(Table.size() * sizeof(RGBQUAD)));
    Out.WriteBuffer(Pixels, static_cast<int64_t>(PixelBytes));
}

}  // namespace

std::unique_ptr<TMemoryStream> BitmapToPixelFormatStream(TBitmap& Bitmap, TPixelFormat Format,
                                                         TColorReduction Method) {
    if (!Bitmap.Handle()) throw EInvalidGraphic("Bitmap image is not valid");
    auto Out = std::make_unique<TMemoryStream>();
    if (Bitmap.PixelFormat() == Format && Method != crGreyLevels) {
        Bitmap.SaveToStream(*Out);
        Out->SetPosition(0);
        return Out;
    }
    const int Bits = BitsOf(Format);
    // A 24-bit request from another format has no defined conversion.
    if (Bits == 0 || Bits == 24) ShowNotImplemented();
    BITMAPINFOHEADER Header{};
    std::vector<RGBQUAD> Table;
    if (Bits < 8) {
        std::vector<uint8_t> Pixels = ReadDIB(Bitmap, Bits, Header, Table);
        WriteBMP(*Out, Header, Table, Pixels.data(), Pixels.size());
    } else {
        std::vector<uint8_t> Pixels = ReadDIB(Bitmap, 24, Header, Table);
        Table.assign(256, RGBQUAD{});
        Header.biClrUsed = ReduceTo8Bit(Pixels.data(), Bitmap.Width(), Bitmap.Height(), Method, Table.data());
        Header.biBitCount = 8;
        WriteBMP(*Out, Header, Table, Pixels.data(), static_cast<size_t>(RowBytes(Bitmap.Width(), 8) * Bitmap.Height()));
    }
    Out->SetPosition(0);
    return Out;
}
