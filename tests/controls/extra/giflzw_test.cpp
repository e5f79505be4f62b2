// The GIF codec's LZW coder: row order, round trips, hand-built code streams,
// damaged data, and GIFs exchanged with ImageMagick.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "controls/extra/ag_giflzw.h"
#include "platform/classlib/graphics.h"

namespace {

std::vector<int> InterlacedOrder(int Height) {
    std::vector<int> Rows;
    int Pass = 0;
    for (int Row = 0; Row < Height; Row = NextInterlacedRow(Row, Height, Pass)) Rows.push_back(Row);
    return Rows;
}

TEST(GifLzw, InterlacedRowOrder) {
    struct Case {
        int Height;
        std::vector<int> Rows;
    } Cases[] = {
        {13, {0, 8, 4, 12, 2, 6, 10, 1, 3, 5, 7, 9, 11}},
        {1, {0}},
        {2, {0, 1}},
        {3, {0, 2, 1}},
        {5, {0, 4, 2, 1, 3}},
    };
    for (const auto& C : Cases) EXPECT_EQ(InterlacedOrder(C.Height), C.Rows) << "height " << C.Height;
}

struct Image {
    TGIFLZWTarget Header;
    std::vector<uint8_t> Pixels;  // bottom-up padded rows
    Image(int W, int H, int Bits) : Header{W, H, Bits}, Pixels(DIBRowBytes(W, Bits) * H) {}
    // Sets pixel (x, y) counted from the top row.
    void Set(int X, int Y, int V) {
        uint8_t* Row = &Pixels[(Header.Height - 1 - Y) * DIBRowBytes(Header.Width, Header.BitsPerPixel)];
        switch (Header.BitsPerPixel) {
        case 1: Row[X / 8] = static_cast<uint8_t>((Row[X / 8] & ~(0x80 >> (X % 8))) | ((V & 1) << (7 - X % 8))); break;
        case 4:
            Row[X / 2] = X % 2 == 0 ? static_cast<uint8_t>((Row[X / 2] & 0x0F) | (V << 4))
                                    : static_cast<uint8_t>((Row[X / 2] & 0xF0) | (V & 0xF));
            break;
        default: Row[X] = static_cast<uint8_t>(V);
        }
    }
};

std::string Encode(const Image& Img, bool Interlaced) {
    TStringStream Out;
    EncodeLZW(Out, Img.Header, Interlaced, nullptr, Img.Pixels.data());
    return Out.DataString();
}

// Decodes into a fresh image of Like's size; answers the corrupt flag.
bool Decode(const std::string& Data, const Image& Like, bool Interlaced, Image& Result, bool Tolerant = true) {
    Result = Image(Like.Header.Width, Like.Header.Height, Like.Header.BitsPerPixel);
    TStringStream In(Data);
    return DecodeLZW(In, Result.Header, Interlaced, nullptr, Result.Pixels.data(), Like.Header.BitsPerPixel,
                     Tolerant);
}

TEST(GifLzw, RoundTripsEveryDepthPlainAndInterlaced) {
    std::mt19937 Rng(7);
    struct Case {
        const char* Name;
        int W, H, Bits;
        bool Noise;
    } Cases[] = {
        {"one colour over a million pixels (crosses the table clears)", 1000, 1000, 8, false},
        {"8-bit noise", 333, 211, 8, true},
        {"4-bit noise, odd width", 37, 29, 4, true},
        {"1-bit noise, odd width", 45, 13, 1, true},
        {"1-bit one colour", 100, 100, 1, false},
        {"single pixel", 1, 1, 8, true},
    };
    for (const auto& C : Cases)
        for (bool Interlaced : {false, true}) {
            Image Img(C.W, C.H, C.Bits);
            for (int Y = 0; Y < C.H; ++Y)
                for (int X = 0; X < C.W; ++X)
                    Img.Set(X, Y, C.Noise ? static_cast<int>(Rng() % (1u << C.Bits)) : (1 << C.Bits) - 1);
            Image Back(1, 1, 8);
            EXPECT_FALSE(Decode(Encode(Img, Interlaced), Img, Interlaced, Back)) << C.Name;
            EXPECT_EQ(Back.Pixels, Img.Pixels) << C.Name << (Interlaced ? ", interlaced" : "");
        }
}

TEST(GifLzw, OneBitImageStartsWithCodeSizeTwoAndThreeBitCodes) {
    Image Img(2, 1, 1);
    Img.Set(0, 0, 1);
    // Clear (4), 1, 0, End (5), three bits each, least significant bit first.
    EXPECT_EQ(Encode(Img, false), std::string("\x02\x02\x0C\x0A\x00", 5));
}

// Packs codes as a GIF encoder would, growing the code size as the decoder
// expects (one entry per code after the first following a clear).
std::string PackCodes(int MinCodeSize, const std::vector<int>& Codes) {
    const int Clear = 1 << MinCodeSize;
    int Size = MinCodeSize + 1, NextFree = Clear + 2;
    bool First = true;
    std::vector<uint8_t> Bytes;
    uint32_t Bits = 0;
    int Count = 0;
    for (int Code : Codes) {
        Bits |= static_cast<uint32_t>(Code) << Count;
        Count += Size;
        while (Count >= 8) {
            Bytes.push_back(static_cast<uint8_t>(Bits));
            Bits >>= 8;
            Count -= 8;
        }
        if (Code == Clear) {
            Size = MinCodeSize + 1;
            NextFree = Clear + 2;
            First = true;
        } else if (First) {
            First = false;
        } else if (NextFree < 4096 && ++NextFree == (1 << Size) && Size < 12) {
            ++Size;
        }
    }
    if (Count > 0) Bytes.push_back(static_cast<uint8_t>(Bits));
    std::string Out(1, static_cast<char>(MinCodeSize));
    for (size_t I = 0; I < Bytes.size(); I += 255) {
        size_t L = std::min<size_t>(255, Bytes.size() - I);
        Out += static_cast<char>(L);
        Out.append(reinterpret_cast<const char*>(&Bytes[I]), L);
    }
    Out += '\0';
    return Out;
}

std::vector<int> Row8(const Image& Img) {
    return std::vector<int>(Img.Pixels.begin(), Img.Pixels.begin() + Img.Header.Width);
}

TEST(GifLzw, HandBuiltStreams) {
    struct Case {
        const char* Name;
        int Width;
        std::vector<int> Codes;
        std::vector<int> Pixels;
        bool Corrupt;
    } Cases[] = {
        {"code not yet in the table", 3, {4, 1, 6, 5}, {1, 1, 1}, false},
        {"clear in mid-stream", 3, {4, 1, 2, 4, 3, 5}, {1, 2, 3}, false},
        {"stream without a leading clear", 2, {2, 3, 5}, {2, 3}, false},
        {"end before the last pixel", 4, {4, 1, 5}, {1, 0, 0, 0}, false},
        {"code above the next free code", 4, {4, 1, 7, 5}, {1, 0, 0, 0}, true},
        {"first code after clear names an entry", 2, {4, 6, 5}, {0, 0}, true},
        {"data ends before the end code", 3, {4, 1}, {1, 0, 0}, true},
    };
    for (const auto& C : Cases) {
        Image Like(C.Width, 1, 8), Got(1, 1, 8);
        bool Corrupt = Decode(PackCodes(2, C.Codes), Like, false, Got);
        EXPECT_EQ(Corrupt, C.Corrupt) << C.Name;
        EXPECT_EQ(Row8(Got), C.Pixels) << C.Name;
    }
}

TEST(GifLzw, FullTableKeepsTwelveBitCodesUntilTheNextClear) {
    // 5000 literals after one clear fill the table at code 4095; the rest are
    // still read as 12-bit codes.
    std::vector<int> Codes{256};
    std::vector<int> Expected;
    for (int I = 0; I < 5000; ++I) {
        Codes.push_back(I % 7);
        Expected.push_back(I % 7);
    }
    Codes.push_back(257);
    Image Like(5000, 1, 8), Got(1, 1, 8);
    EXPECT_FALSE(Decode(PackCodes(8, Codes), Like, false, Got));
    EXPECT_EQ(Row8(Got), Expected);
}

TEST(GifLzw, CodesPastTheColourTableAreCorrupt) {
    // Two colours (pixel mask 1) but code size 2: code 3 names no colour.
    std::string Data = PackCodes(2, {4, 1, 3, 5});
    Image Got(3, 1, 1);
    TStringStream In(Data);
    EXPECT_TRUE(DecodeLZW(In, Got.Header, false, nullptr, Got.Pixels.data(), 1, true));
    TStringStream Again(Data);
    try {
        DecodeLZW(Again, Got.Header, false, nullptr, Got.Pixels.data(), 1, false);
        FAIL() << "no exception";
    } catch (const EInvalidGraphicOperation& E) {
        EXPECT_EQ(E.Message, "GIF encoded data is corrupt");
    }
}

TEST(GifLzw, CodeSizeOutOfRange) {
    for (int M : {1, 10}) {
        std::string Data = PackCodes(2, {4, 1, 5});
        Data[0] = static_cast<char>(M);
        Image Got(1, 1, 8);
        TStringStream In(Data);
        EXPECT_TRUE(DecodeLZW(In, Got.Header, false, nullptr, Got.Pixels.data(), 8, true)) << M;
        TStringStream Strict(Data);
        try {
            DecodeLZW(Strict, Got.Header, false, nullptr, Got.Pixels.data(), 8, false);
            FAIL() << "no exception for " << M;
        } catch (const EInvalidGraphicOperation& E) {
            EXPECT_EQ(E.Message, "GIF code size not in range 2 to 9");
        }
    }
}

TEST(GifLzw, TruncatedDataKeepsDecodedRowsAndReadsNoFurther) {
    std::mt19937 Rng(3);
    Image Img(64, 64, 8);
    for (int Y = 0; Y < 64; ++Y)
        for (int X = 0; X < 64; ++X) Img.Set(X, Y, static_cast<int>(Rng() % 256));
    std::string Data = Encode(Img, false);
    for (size_t Cut : {size_t(1), size_t(2), Data.size() / 2, Data.size() * 3 / 4}) {
        // The cut stream's last sub-block claims more bytes than it holds.
        std::string Part = Data.substr(0, Cut);
        Image Got(1, 1, 8);
        EXPECT_TRUE(Decode(Part, Img, false, Got)) << Cut;
        if (Cut == Data.size() / 2) {
            // The top rows (stored last) came through unchanged.
            const int64_t Row = DIBRowBytes(64, 8);
            EXPECT_TRUE(std::equal(Img.Pixels.end() - 8 * Row, Img.Pixels.end(), Got.Pixels.end() - 8 * Row));
        }
    }
}

TEST(GifLzw, ProgressRunsFromStartToEnd) {
    Image Img(50, 40, 8);
    std::vector<std::pair<int, int>> Seen;
    TGIFProgress P = [&](TProgressStage S, uint8_t Pct, const std::string&) { Seen.emplace_back(S, Pct); };
    TStringStream Out;
    EncodeLZW(Out, Img.Header, false, P, Img.Pixels.data());
    ASSERT_GE(Seen.size(), 3u);
    EXPECT_EQ(Seen.front(), std::make_pair(int(psStarting), 0));
    EXPECT_EQ(Seen.back(), std::make_pair(int(psEnding), 100));
    EXPECT_EQ(Seen[Seen.size() - 2], std::make_pair(int(psRunning), 100));
    EXPECT_EQ(Seen[1], std::make_pair(int(psRunning), 2));  // 1 row of 40 is 2.5 %, rounded half to even
}

// ---- Exchanged with ImageMagick -------------------------------------------

bool HaveConvert() { return std::system("convert -version >/dev/null 2>&1") == 0; }

std::string TempName(const std::string& Leaf) {
    return (std::filesystem::path(::testing::TempDir()) /
            (std::to_string(::getpid()) + "-" + Leaf)).string();
}

std::string ReadFile(const std::string& Path) {
    std::ifstream F(Path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(F)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& Path, const std::string& Data) {
    std::ofstream(Path, std::ios::binary) << Data;
}

// A one-frame GIF around LZW data, with a grey palette of 2^Bits entries.
std::string WrapGIF(const Image& Img, const std::string& Lzw, bool Interlaced) {
    const int Bits = Img.Header.BitsPerPixel, Colours = 1 << Bits;
    auto U16 = [](int V) { return std::string{static_cast<char>(V & 0xFF), static_cast<char>(V >> 8)}; };
    std::string G = "GIF89a" + U16(Img.Header.Width) + U16(Img.Header.Height);
    G += static_cast<char>(0x80 | (Bits - 1));
    G += '\0';
    G += '\0';
    for (int I = 0; I < Colours; ++I) G += std::string(3, static_cast<char>(I * 255 / (Colours - 1)));
    G += ',' + U16(0) + U16(0) + U16(Img.Header.Width) + U16(Img.Header.Height);
    G += static_cast<char>(Interlaced ? 0x40 : 0);
    return G + Lzw + ';';
}

// The LZW data of the first image in a GIF file, with its interlace flag and
// colour bits (as a reader that skips extensions finds it).
bool FirstImageData(const std::string& G, std::string& Lzw, bool& Interlaced, int& ColourBits, size_t& Palette) {
    size_t P = 13;
    if (G.size() < P) return false;
    uint8_t Flags = static_cast<uint8_t>(G[10]);
    ColourBits = (Flags & 7) + 1;
    Palette = P;
    if (Flags & 0x80) P += 3u << ColourBits;
    while (P < G.size() && G[P] == '!') {
        P += 2;
        while (P < G.size() && G[P] != 0) P += 1 + static_cast<uint8_t>(G[P]);
        ++P;
    }
    if (P + 10 > G.size() || G[P] != ',') return false;
    uint8_t Desc = static_cast<uint8_t>(G[P + 9]);
    Interlaced = Desc & 0x40;
    P += 10;
    if (Desc & 0x80) {
        ColourBits = (Desc & 7) + 1;
        Palette = P;
        P += 3u << ColourBits;
    }
    size_t Start = P++;
    while (P < G.size() && G[P] != 0) P += 1 + static_cast<uint8_t>(G[P]);
    Lzw = G.substr(Start, P + 1 - Start);
    return P < G.size();
}

TEST(GifLzw, OurDataReadsBackThroughImageMagick) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    std::mt19937 Rng(11);
    for (int Bits : {1, 4, 8})
        for (bool Interlaced : {false, true}) {
            Image Img(301, 77, Bits);
            for (int Y = 0; Y < 77; ++Y)
                for (int X = 0; X < 301; ++X)
                    Img.Set(X, Y, (X / 9 + Y / 5) % 3 ? static_cast<int>(Rng() % (1u << Bits)) : 0);
            std::string Gif = TempName("ours.gif"), Grey = TempName("ours.gray");
            WriteFile(Gif, WrapGIF(Img, Encode(Img, Interlaced), Interlaced));
            ASSERT_EQ(std::system(("convert '" + Gif + "' -depth 8 gray:'" + Grey + "'").c_str()), 0);
            std::string Got = ReadFile(Grey);
            ASSERT_EQ(Got.size(), 301u * 77u);
            int Diffs = 0;
            const int Colours = 1 << Bits;
            for (int Y = 0; Y < 77; ++Y)
                for (int X = 0; X < 301; ++X) {
                    const uint8_t* Row =
                        &Img.Pixels[(76 - Y) * DIBRowBytes(301, Bits)];
                    int V = Bits == 8 ? Row[X] : Bits == 4 ? (X % 2 ? Row[X / 2] & 15 : Row[X / 2] >> 4)
                                                           : (Row[X / 8] >> (7 - X % 8)) & 1;
                    Diffs += static_cast<uint8_t>(Got[Y * 301 + X]) != V * 255 / (Colours - 1);
                }
            EXPECT_EQ(Diffs, 0) << Bits << " bits" << (Interlaced ? ", interlaced" : "");
            std::filesystem::remove(Gif);
            std::filesystem::remove(Grey);
        }
}

TEST(GifLzw, DecodesWhatImageMagickWrites) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    for (bool Interlaced : {false, true}) {
        // A grey ramp with noise, 256 levels, written with ImageMagick's own encoder.
        std::string Pgm = TempName("in.pgm"), Gif = TempName("im.gif"), Grey = TempName("im.gray");
        std::mt19937 Rng(5);
        std::string Body;
        for (int I = 0; I < 257 * 93; ++I) Body += static_cast<char>((I % 257 + Rng() % 16) & 0xFF);
        WriteFile(Pgm, "P5\n257 93\n255\n" + Body);
        std::string Cmd = "convert '" + Pgm + "' " + (Interlaced ? "-interlace GIF " : "") + "'" + Gif + "'";
        ASSERT_EQ(std::system(Cmd.c_str()), 0);
        ASSERT_EQ(std::system(("convert '" + Gif + "' -depth 8 gray:'" + Grey + "'").c_str()), 0);
        std::string Lzw;
        bool FileInterlaced = false;
        int ColourBits = 0;
        std::string File = ReadFile(Gif);
        size_t Palette = 0;
        ASSERT_TRUE(FirstImageData(File, Lzw, FileInterlaced, ColourBits, Palette));
        EXPECT_EQ(FileInterlaced, Interlaced);
        // Map indices through the file's palette to compare with ImageMagick's greys.
        Image Got(257, 93, 8);
        TStringStream In(Lzw);
        EXPECT_FALSE(DecodeLZW(In, Got.Header, FileInterlaced, nullptr, Got.Pixels.data(), ColourBits, true));
        std::string Expected = ReadFile(Grey);
        ASSERT_EQ(Expected.size(), 257u * 93u);
        int Diffs = 0;
        for (int Y = 0; Y < 93; ++Y)
            for (int X = 0; X < 257; ++X) {
                int Index = Got.Pixels[(92 - Y) * DIBRowBytes(257, 8) + X];
                Diffs += File[Palette + Index * 3] != Expected[Y * 257 + X];
            }
        EXPECT_EQ(Diffs, 0) << (Interlaced ? "interlaced" : "plain");
        for (const auto& F : {Pgm, Gif, Grey}) std::filesystem::remove(F);
    }
}

}  // namespace
