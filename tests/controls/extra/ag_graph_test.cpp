// Colour reduction to palette images: the level tables, each reduction method on
// small fixtures, and the BMP data handed to the GIF writer.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "controls/extra/ag_graph.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

struct Px {
    uint8_t R, G, B;
};

// Bottom-up 24-bit rows of a one-row image, padded to 4 bytes.
std::vector<uint8_t> Row24(const std::vector<Px>& Pixels) {
    std::vector<uint8_t> Bits(((Pixels.size() * 24 + 31) / 32) * 4);
    for (size_t I = 0; I < Pixels.size(); ++I) {
        Bits[3 * I] = Pixels[I].B;
        Bits[3 * I + 1] = Pixels[I].G;
        Bits[3 * I + 2] = Pixels[I].R;
    }
    return Bits;
}

TEST(ColourReduction, LevelTables) {
    struct Case {
        int Levels, Value, Level;
    } Cases[] = {
        {4, 42, 0}, {4, 43, 1}, {4, 255, 3}, {8, 18, 0}, {8, 19, 1}, {6, 25, 0}, {6, 26, 1}, {7, 64, 1}, {7, 65, 2},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(NearestLevel(C.Levels, static_cast<uint8_t>(C.Value)), C.Level) << C.Levels << " levels, " << C.Value;
}

TEST(ColourReduction, PopularityKeepsTheMostFrequentAndMapsTheRestToTheNearest) {
    // 300 colours: colour i appears i + 1 times, so colours 44..299 are kept.
    std::vector<Px> Pixels;
    auto ColourOf = [](int I) { return Px{static_cast<uint8_t>(I % 256), static_cast<uint8_t>(I / 256 * 100), 7}; };
    for (int I = 0; I < 300; ++I)
        for (int N = 0; N <= I; ++N) Pixels.push_back(ColourOf(I));
    std::vector<uint8_t> Bits = Row24(Pixels);
    RGBQUAD Pal[256];
    EXPECT_EQ(ReduceTo8Bit(Bits.data(), static_cast<int>(Pixels.size()), 1, crPopularity, Pal), 0u);
    // Entry 0 is the most frequent colour (299).
    EXPECT_EQ(Pal[0].rgbRed, 299 % 256);
    EXPECT_EQ(Pal[0].rgbGreen, 100);
    std::set<int> Kept;
    for (const RGBQUAD& E : Pal) Kept.insert(E.rgbRed + 256 * (E.rgbGreen / 100));
    for (int I = 44; I < 300; ++I) EXPECT_TRUE(Kept.count(I)) << I;
    // Colour 43 (red 43, green 0) is not kept; its nearest kept colour is red 44.
    size_t First43 = 43 * 44 / 2;
    EXPECT_EQ(Pal[Bits[First43]].rgbRed, 44);
    EXPECT_EQ(Pal[Bits[First43]].rgbGreen, 0);
}

TEST(ColourReduction, PopularityWithFewColoursLeavesGreyEntries) {
    std::vector<Px> Pixels{{10, 20, 30}, {10, 20, 30}, {200, 0, 0}};
    std::vector<uint8_t> Bits = Row24(Pixels);
    RGBQUAD Pal[256];
    ReduceTo8Bit(Bits.data(), 3, 1, crPopularity, Pal);
    EXPECT_EQ((std::vector<int>{Bits[0], Bits[1], Bits[2]}), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(Pal[1].rgbRed, 200);
    for (int I = 2; I < 256; ++I) EXPECT_EQ(Pal[I].rgbRed + Pal[I].rgbGreen + Pal[I].rgbBlue, 3 * 128) << I;
}

TEST(ColourReduction, PopularityDropsBlueLowBitFirstPastTwoThousandColours) {
    // 16 reds x 256 blues = 4096 colours; without blue's low bit 2048 remain.
    std::vector<Px> Pixels;
    for (int R = 0; R < 16; ++R)
        for (int B = 0; B < 256; ++B) Pixels.push_back(Px{static_cast<uint8_t>(R * 16), 0, static_cast<uint8_t>(B)});
    std::vector<uint8_t> Bits = Row24(Pixels);
    RGBQUAD Pal[256];
    ReduceTo8Bit(Bits.data(), static_cast<int>(Pixels.size()), 1, crPopularity, Pal);
    for (const RGBQUAD& E : Pal) EXPECT_EQ(E.rgbBlue % 2, 0);
    std::set<int> Reds;
    for (const RGBQUAD& E : Pal) Reds.insert(E.rgbRed);
    EXPECT_GT(Reds.size(), 1u);  // red kept all its bits
    for (int R : Reds) EXPECT_EQ(R % 16, 0);
}

TEST(ColourReduction, MedianCut) {
    {
        std::vector<Px> One(10, Px{200, 100, 50});
        std::vector<uint8_t> Bits = Row24(One);
        RGBQUAD Pal[256];
        EXPECT_EQ(ReduceTo8Bit(Bits.data(), 10, 1, crMedianCut, Pal), 1u);
        // 12-bit colour (12, 6, 3): each channel v x 16 + 15.
        EXPECT_EQ((std::vector<int>{Pal[0].rgbRed, Pal[0].rgbGreen, Pal[0].rgbBlue}), (std::vector<int>{207, 111, 63}));
        for (int I = 1; I < 256; ++I) EXPECT_EQ(Pal[I].rgbRed | Pal[I].rgbGreen | Pal[I].rgbBlue, 0) << I;
        for (int I = 0; I < 10; ++I) EXPECT_EQ(Bits[I], 0);
    }
    {
        // Dark colours (every channel 16 or less) give black entries.
        std::vector<Px> Two{{0, 0, 0}, {0, 0, 0}, {255, 255, 255}, {5, 0, 0}};
        std::vector<uint8_t> Bits = Row24(Two);
        RGBQUAD Pal[256];
        EXPECT_EQ(ReduceTo8Bit(Bits.data(), 4, 1, crMedianCut, Pal), 2u);
        EXPECT_EQ(Bits[0], Bits[3]);
        EXPECT_NE(Bits[0], Bits[2]);
        EXPECT_EQ(Pal[Bits[0]].rgbRed, 0);
        EXPECT_EQ(Pal[Bits[2]].rgbRed, 255);
    }
}

TEST(ColourReduction, FixedPalettesRampsAndGrey) {
    struct Case {
        TColorReduction Method;
        Px Pixel;
        int X;  // column of the pixel (the ramps choose the channel by it)
        int Index;
        uint32_t Used;
    } Cases[] = {
        {crFixed784, {255, 255, 255}, 0, 6 * 32 + 7 * 4 + 3, 224},
        {crFixed784, {128, 36, 85}, 0, 3 * 32 + 1 * 4 + 1, 224},
        {crFixed666, {255, 0, 0}, 0, 180, 216},
        {crFixed666, {0, 51, 204}, 0, 6 + 4, 216},
        {crChannelRamps, {255, 128, 64}, 0, 63, 0},
        {crChannelRamps, {255, 128, 64}, 1, 64 + 32, 0},
        {crChannelRamps, {255, 128, 64}, 2, 128 + 16, 0},
        {crGreyLevels, {255, 0, 0}, 0, 76, 0},
        {crGreyLevels, {255, 255, 255}, 0, 255, 0},
    };
    for (const auto& C : Cases) {
        std::vector<Px> Pixels(3, Px{0, 0, 0});
        Pixels[C.X] = C.Pixel;
        std::vector<uint8_t> Bits = Row24(Pixels);
        RGBQUAD Pal[256];
        EXPECT_EQ(ReduceTo8Bit(Bits.data(), 3, 1, C.Method, Pal), C.Used) << C.Method;
        EXPECT_EQ(Bits[C.X], C.Index) << C.Method << " at " << C.X;
    }
    RGBQUAD Pal[256];
    std::vector<uint8_t> Bits = Row24({{0, 0, 0}});
    ReduceTo8Bit(Bits.data(), 1, 1, crFixed784, Pal);
    EXPECT_EQ((std::vector<int>{Pal[223].rgbRed, Pal[223].rgbGreen, Pal[223].rgbBlue}), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(Pal[224].rgbRed, 128);
    ReduceTo8Bit(Bits.data(), 1, 1, crChannelRamps, Pal);
    EXPECT_EQ((std::vector<int>{Pal[70].rgbRed, Pal[70].rgbGreen, Pal[200].rgbBlue}), (std::vector<int>{0, 24, 0}));
}

TEST(ColourReduction, InPlaceRowsOfSeveralHeights) {
    // Rows of 5 pixels: 16 bytes in, 8 bytes out; every row lands right.
    const int W = 5, H = 3;
    std::vector<uint8_t> Bits(16 * H, 0);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) Bits[Y * 16 + 3 * X + 2] = static_cast<uint8_t>(10 * Y + X);  // red
    RGBQUAD Pal[256];
    ReduceTo8Bit(Bits.data(), W, H, crChannelRamps, Pal);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) {
            int Expected = (X + Y) % 3 == 0 ? (10 * Y + X) >> 2 : (X + Y) % 3 == 1 ? 64 : 128;
            EXPECT_EQ(Bits[Y * 8 + X], Expected) << X << "," << Y;
        }
}

TEST(ColourReduction, BitmapToPixelFormatStream) {
    TBitmap Bmp(4, 2, pf24bit);
    for (int Y = 0; Y < 2; ++Y)
        for (int X = 0; X < 4; ++X) Bmp.Canvas().SetPixel(X, Y, RGB(X * 60, Y * 200, 0));
    auto S = BitmapToPixelFormatStream(Bmp, pf8bit, crGreyLevels);
    ASSERT_EQ(S->Position(), 0);
    BITMAPFILEHEADER File;
    BITMAPINFOHEADER Info;
    S->ReadBuffer(&File, sizeof File);
    S->ReadBuffer(&Info, sizeof Info);
    const uint16_t Type = File.bfType;  // packed fields: copied before comparing
    const uint32_t Size = File.bfSize, OffBits = File.bfOffBits;
    EXPECT_EQ(Type, 0x4D42);
    EXPECT_EQ(Size, 14u + 40u + 1024u);  // headers and palette only
    EXPECT_EQ(OffBits, 14u + 40u + 1024u);
    EXPECT_EQ(Info.biBitCount, 8);
    EXPECT_EQ(Info.biHeight, 2);
    EXPECT_EQ(S->Size(), 14 + 40 + 1024 + 2 * 4);
    // Bottom-up: the first stored row is image row 1 (green 200).
    std::vector<uint8_t> Pixels(8);
    S->Seek(OffBits, soBeginning);
    S->ReadBuffer(Pixels.data(), 8);
    EXPECT_EQ(Pixels[0], (150 * 200) >> 8);
    EXPECT_EQ(Pixels[4 + 3], (77 * 180) >> 8);

    // Already in the asked format: the bitmap's own data.
    TBitmap Eight(3, 3, pf8bit);
    auto Same = BitmapToPixelFormatStream(Eight, pf8bit, crPopularity);
    TMemoryStream Own;
    Eight.SaveToStream(Own);
    EXPECT_EQ(Same->Size(), Own.Size());

    // 1 and 4 bits: the platform's own table.
    auto One = BitmapToPixelFormatStream(Bmp, pf1bit, crPopularity);
    One->SetPosition(14);
    One->ReadBuffer(&Info, sizeof Info);
    EXPECT_EQ(Info.biBitCount, 1);
}

TEST(ColourReduction, RefusedRequests) {
    TBitmap Empty;
    EXPECT_THROW(BitmapToPixelFormatStream(Empty, pf8bit, crPopularity), EInvalidGraphic);
    TBitmap Bmp(2, 2, pf8bit);
    for (TPixelFormat F : {pf16bit, pf24bit}) {
        TestHooks::ScriptMessageBoxes({IDOK});
        EXPECT_THROW(BitmapToPixelFormatStream(Bmp, F, crPopularity), EAbort) << F;
        ASSERT_FALSE(TestHooks::MessageBoxesShown().empty());
        EXPECT_EQ(TestHooks::MessageBoxesShown().back().Text, "Function not yet implemented");
    }
}

}  // namespace
