// Rendering: blend operations, zoom tables, clipping, transparency, alpha and failures.
#include <gtest/gtest.h>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/bitmaps/ierender.h"

namespace {
std::unique_ptr<TIEBitmap> Rgb(int w, int h, TRGB c) {
    auto b = std::make_unique<TIEBitmap>();
    b->SetLocation(ieMemory);
    b->Allocate(w, h, ieRGB24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->SetPixelRGB24(x, y, c);
    return b;
}
TRGB Grey(uint8_t v) { return TRGB{v, v, v}; }
}  // namespace

// Every channel operation on 2x2 images: source S over destination D, both grey.
TEST(Render, BlendOperationsOn2x2) {
    struct {
        TIEBlendOperation op;
        uint8_t S, D, want;
    } cases[] = {
        {ieBlendNormal, 10, 200, 10},       {ieBlendAdd, 200, 100, 255},
        {ieBlendDifference, 10, 200, 190},  {ieBlendDivide, 0, 200, 200},
        {ieBlendMultiply, 255, 255, 254},   {ieBlendOr, 0x0F, 0xF0, 0xFF},
        {ieBlendAnd, 0x0F, 0xFF, 0x0F},     {ieBlendXor, 0xFF, 0x0F, 0xF0},
        {ieBlendLighten, 10, 200, 200},     {ieBlendDarken, 10, 200, 10},
        {ieBlendAverage, 11, 200, 105},     {ieBlendScreen, 0, 0, 1},
        {ieBlendNegation, 200, 200, 110},   {ieBlendExclusion, 255, 255, 2},
        {ieBlendOverlay, 100, 200, 189},    {ieBlendOverlay, 100, 50, 39},
        {ieBlendHardLight, 200, 100, 189},  {ieBlendSoftLight, 255, 64, 127},
        {ieBlendSoftLightAlt, 128, 128, 128}, {ieBlendColorDodge, 255, 3, 255},
        {ieBlendColorDodge, 127, 64, 128},  {ieBlendColorBurn, 0, 200, 0},
        {ieBlendColorBurn, 128, 200, 145},  {ieBlendInverseColorDodge, 64, 127, 128},
        {ieBlendInverseColorBurn, 200, 128, 145}, {ieBlendSoftDodge, 100, 100, 82},
        {ieBlendSoftDodge, 200, 200, 220},  {ieBlendSoftBurn, 100, 100, 82},
        {ieBlendReflect, 155, 100, 100},    {ieBlendGlow, 100, 155, 100},
        {ieBlendFreeze, 100, 155, 155},     {ieBlendHeat, 155, 100, 155},
        {ieBlendLinearBurn, 100, 100, 0},   {ieBlendLinearBurn, 200, 200, 144},
        {ieBlendInterpolation, 255, 255, 255}, {ieBlendInterpolation, 0, 0, 0},
        {ieBlendInterpolation, 128, 128, 128},
        {ieBlendStamp, 200, 100, 244},
    };
    for (auto c : cases) {
        auto src = Rgb(2, 2, Grey(c.S));
        auto dst = Rgb(2, 2, Grey(c.D));
        ASSERT_TRUE(src->RenderToTIEBitmap(dst.get(), 0, 0, 2, 2, 0, 0, 2, 2, 255, rfNone, c.op));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                ASSERT_EQ(dst->GetPixelRGB24(x, y), Grey(c.want)) << "op " << int(c.op) << " S " << int(c.S);
    }
}

TEST(Render, ChannelAndColourOperations) {
    TRGB d{10, 20, 30};
    BlendPixel(TRGB{1, 2, 3}, d, ieBlendRed);
    EXPECT_EQ(d, (TRGB{10, 20, 3}));
    BlendPixel(TRGB{1, 2, 3}, d, ieBlendGreen);
    EXPECT_EQ(d, (TRGB{10, 2, 3}));
    BlendPixel(TRGB{1, 2, 3}, d, ieBlendBlue);
    EXPECT_EQ(d, (TRGB{1, 2, 3}));
    // Luminosity of white onto red: the lightness of white, so white.
    TRGB r{0, 0, 255};
    BlendPixel(TRGB{255, 255, 255}, r, ieBlendLuminosity);
    EXPECT_EQ(r, (TRGB{255, 255, 255}));
    // Hue of blue onto a red keeps red's saturation and lightness: pure blue.
    TRGB h{0, 0, 255};
    BlendPixel(TRGB{255, 0, 0}, h, ieBlendHue);
    EXPECT_EQ(h, (TRGB{255, 0, 0}));
    // Operations past the last leave the destination.
    auto src = Rgb(2, 2, Grey(0));
    auto dst = Rgb(2, 2, Grey(77));
    src->RenderToTIEBitmap(dst.get(), 0, 0, 2, 2, 0, 0, 2, 2, 255, rfNone, static_cast<TIEBlendOperation>(38));
    EXPECT_EQ(dst->GetPixelRGB24(1, 1), Grey(77));
}

TEST(Render, ZoomTablesAndClipping) {
    TIEBitmap src;
    src.SetLocation(ieMemory);
    src.Allocate(100, 100, ie8g);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) src.SetPixel8(x, y, static_cast<uint8_t>(x));
    auto dst = Rgb(200, 200, Grey(0));
    TIERenderTables tables;
    ASSERT_TRUE(src.RenderToTIEBitmapEx(dst.get(), &tables, nullptr, 0, 0, 200, 200, 0, 0, 100, 100, true, false, 255,
                                        rfNone, ieBlendNormal));
    EXPECT_EQ(tables.ColumnTable[0], 0);
    EXPECT_EQ(tables.ColumnTable[1], 0);
    EXPECT_EQ(tables.ColumnTable[3], 1);
    EXPECT_EQ(dst->GetPixelRGB24(199, 199), Grey(99));
    EXPECT_EQ(dst->GetPixelRGB24(3, 0), Grey(1));

    // Starting 10 columns left of the destination reads from source column 10.
    auto d2 = Rgb(50, 10, Grey(0));
    src.RenderToTIEBitmap(d2.get(), -10, 0, 60, 10, 0, 0, 60, 10);
    EXPECT_EQ(d2->GetPixelRGB24(0, 0), Grey(10));
    EXPECT_EQ(d2->GetPixelRGB24(49, 9), Grey(59));

    // A clip rectangle limits what is drawn.
    auto d3 = Rgb(10, 10, Grey(200));
    RECT clip{2, 2, 3, 3};
    src.RenderToTIEBitmapEx(d3.get(), nullptr, &clip, 0, 0, 10, 10, 0, 0, 10, 10, true, false, 255, rfNone,
                            ieBlendNormal);
    EXPECT_EQ(d3->GetPixelRGB24(1, 1), Grey(200));
    EXPECT_EQ(d3->GetPixelRGB24(2, 2), Grey(2));
    EXPECT_EQ(d3->GetPixelRGB24(4, 4), Grey(200));
}

TEST(Render, TransparencyAndAlpha) {
    auto src = Rgb(2, 2, Grey(0));
    auto dst = Rgb(2, 2, Grey(255));
    src->RenderToTIEBitmap(dst.get(), 0, 0, 2, 2, 0, 0, 2, 2, 128);
    EXPECT_EQ(dst->GetPixelRGB24(0, 0), Grey(127));

    // A full alpha channel is skipped: the same as no alpha.
    auto a = Rgb(2, 2, Grey(0));
    a->GetAlphaChannel();
    ASSERT_TRUE(a->GetAlphaChannel()->Full);
    auto d2 = Rgb(2, 2, Grey(255));
    a->RenderToTIEBitmap(d2.get(), 0, 0, 2, 2, 0, 0, 2, 2);
    EXPECT_EQ(d2->GetPixelRGB24(1, 1), Grey(0));

    // Per-pixel alpha; a fully opaque pixel of a partial channel draws exactly its colour.
    auto p = Rgb(2, 2, Grey(0));
    p->SetAlpha(0, 0, 0);
    p->SetAlpha(1, 0, 128);
    p->SetAlpha(0, 1, 255);
    p->SetAlpha(1, 1, 64);
    auto d3 = Rgb(2, 2, Grey(255));
    p->RenderToTIEBitmap(d3.get(), 0, 0, 2, 2, 0, 0, 2, 2);
    EXPECT_EQ(d3->GetPixelRGB24(0, 0), Grey(255));
    EXPECT_EQ(d3->GetPixelRGB24(1, 0), Grey(127));
    EXPECT_EQ(d3->GetPixelRGB24(0, 1), Grey(0));
    EXPECT_EQ(d3->GetPixelRGB24(1, 1), Grey(191));
}

TEST(Render, FormatsAndGreyRange) {
    TIEBitmap f;
    f.SetLocation(ieMemory);
    f.Allocate(1, 1, ie32f);
    f.SetPixel32f(0, 0, 0.5f);
    f.GrayRangeMin = 0.25;
    f.GrayRangeMax = 0.75;
    auto d = Rgb(1, 1, Grey(0));
    f.RenderToTIEBitmap(d.get(), 0, 0, 1, 1, 0, 0, 1, 1);
    EXPECT_EQ(d->GetPixelRGB24(0, 0), Grey(127));

    struct {
        TIEPixelFormat f;
        TRGB want;
    } formats[] = {{ie1g, Grey(255)}, {ie8g, Grey(255)}, {ie16g, Grey(255)}, {ieCMYK, Grey(255)},
                   {ieRGB48, Grey(255)}, {ieCIELab, Grey(255)}, {ie8p, TRGB{0, 0, 255}}};
    for (auto c : formats) {
        TIEBitmap b;
        b.SetLocation(ieMemory);
        b.Allocate(2, 2, c.f);
        b.Fill(c.f == ie1g ? 1 : c.f == ie8g ? 255 : c.f == ie16g ? 65535 : c.f == ie8p ? 1 : 0xFFFFFF);
        if (c.f == ie8p) b.SetPalette(1, TRGB{0, 0, 255});
        auto out = Rgb(2, 2, Grey(0));
        b.RenderToTIEBitmap(out.get(), 0, 0, 2, 2, 0, 0, 2, 2);
        TRGB got = out->GetPixelRGB24(1, 1);
        EXPECT_NEAR(got.r, c.want.r, 1) << int(c.f);
        EXPECT_NEAR(got.g, c.want.g, 1) << int(c.f);
        EXPECT_NEAR(got.b, c.want.b, 1) << int(c.f);
    }
}

TEST(Render, ResampledDrawing) {
    auto src = Rgb(4, 4, Grey(100));
    auto dst = Rgb(8, 8, Grey(0));
    EXPECT_TRUE(src->RenderToTIEBitmap(dst.get(), 0, 0, 8, 8, 0, 0, 4, 4, 255, rfTriangle));
    EXPECT_EQ(dst->GetPixelRGB24(7, 7), Grey(100));
    EXPECT_EQ(dst->GetPixelRGB24(0, 0), Grey(100));
}

// A source whose rows fail part way through.
class FailingBitmap : public TIEBitmap {
public:
    int Left = 1000;
    void* GetScanline(int32_t Row) override {
        if (--Left < 0) throw EReadError("Stream read error");
        return TIEBitmap::GetScanline(Row);
    }
};

TEST(Render, FailureIsReported) {
    FailingBitmap src;
    src.SetLocation(ieMemory);
    src.Allocate(4, 8, ie8g);
    src.Fill(9);
    auto dst = Rgb(4, 8, Grey(0));
    src.Left = 3;
    EXPECT_FALSE(src.RenderToTIEBitmap(dst.get(), 0, 0, 4, 8, 0, 0, 4, 8));
    EXPECT_EQ(dst->GetPixelRGB24(0, 0), Grey(9));  // what was drawn stays
    EXPECT_EQ(dst->GetPixelRGB24(0, 7), Grey(0));
    EXPECT_EQ(src.Access, iebRead | iebWrite);  // restored

    // A destination in a temporary file cannot have all its rows at once.
    TIEBitmap t;
    t.MinFileSize = 0;
    t.Allocate(4, 4, ieRGB24);
    ASSERT_EQ(t.Location(), ieTempFile);
    auto s2 = Rgb(4, 4, Grey(1));
    EXPECT_FALSE(s2->RenderToTIEBitmap(&t, 0, 0, 4, 4, 0, 0, 4, 4));
}
