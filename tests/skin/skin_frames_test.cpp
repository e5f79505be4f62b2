// Drawing of skin images on tiny hand-made strips: which frame is cut out, the
// nine-grid and three-slice rules, magenta transparency, colour-keyed regions
// and the parent painted behind a control.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"
#include "skin/skin_frames.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

using TPixelFn = std::function<uint32_t(int X, int Y)>;  // 0xRRGGBB

void PutPixel(TBitmap& Bm, int X, int Y, uint32_t C) {
    auto* P = static_cast<uint8_t*>(Bm.ScanLine(Y)) + 3 * X;
    P[0] = static_cast<uint8_t>(C);
    P[1] = static_cast<uint8_t>(C >> 8);
    P[2] = static_cast<uint8_t>(C >> 16);
}

uint32_t PixelOf(TBitmap& Bm, int X, int Y) {
    if (Bm.PixelFormat() == pf32bit) return static_cast<uint32_t*>(Bm.ScanLine(Y))[X] & 0xFFFFFF;
    auto* P = static_cast<uint8_t*>(Bm.ScanLine(Y)) + 3 * X;
    return static_cast<uint32_t>(P[0]) | static_cast<uint32_t>(P[1]) << 8 | static_cast<uint32_t>(P[2]) << 16;
}

std::unique_ptr<TBitmap> Make(int W, int H, const TPixelFn& F) {
    auto B = std::make_unique<TBitmap>(W, H, pf24bit);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) PutPixel(*B, X, Y, F(X, Y));
    return B;
}

// Distinct, never magenta.
uint32_t Coded(int X, int Y) { return static_cast<uint32_t>((X & 0xFF) << 16 | (Y & 0xFF) << 8 | 0x11); }
constexpr uint32_t Magenta = 0xFF00FF, Backdrop = 0x336699;

// Every pixel of Dest: inside the W x H area at (X, Y) as Expect says
// (relative coordinates), Backdrop outside.
void ExpectArea(TBitmap& Dest, int X, int Y, int W, int H, const TPixelFn& Expect) {
    int Bad = 0;
    for (int Py = 0; Py < Dest.Height(); ++Py)
        for (int Px = 0; Px < Dest.Width(); ++Px) {
            bool In = Px >= X && Px < X + W && Py >= Y && Py < Y + H;
            uint32_t Want = In ? Expect(Px - X, Py - Y) : Backdrop;
            if (PixelOf(Dest, Px, Py) != Want && Bad++ < 5)
                ADD_FAILURE() << "pixel " << Px << "," << Py << ": " << std::hex << PixelOf(Dest, Px, Py) << " want "
                              << Want;
        }
    EXPECT_EQ(Bad, 0);
}

std::unique_ptr<TBitmap> Backdropped(int W, int H) {
    return Make(W, H, [](int, int) { return Backdrop; });
}

// A reference: the source area stretched (HALFTONE) to W x H.
std::unique_ptr<TBitmap> Stretched(TBitmap& Src, int SX, int SY, int SW, int SH, int W, int H) {
    auto B = std::make_unique<TBitmap>(W, H, pf24bit);
    SetStretchBltMode(B->Canvas().Handle(), HALFTONE);
    StretchBlt(B->Canvas().Handle(), 0, 0, W, H, Src.Canvas().Handle(), SX, SY, SW, SH, SRCCOPY);
    return B;
}

TEST(SkinFrames, FrameTwoOfAThreeFrameStripStartsAtItsThird) {
    // 3 frames of 30 x 6 side by side (90 wide), and the same stacked (90 high).
    auto Horz = Make(90, 6, Coded);
    auto Vert = Make(6, 90, Coded);
    const TRect M(3, 2, 3, 2);
    struct TCase {
        const char* Name;
        bool Vertical;
        std::function<void(TBitmap& Dest, const TRect& R)> Draw;
    };
    const TCase Cases[] = {
        {"nine-grid stretched", false,
         [&](TBitmap& D, const TRect& R) { DrawSkinImage(D.Canvas().Handle(), R, *Horz, false, false, false, 3, 2, M); }},
        {"nine-grid tiled", false,
         [&](TBitmap& D, const TRect& R) { DrawSkinImage(D.Canvas().Handle(), R, *Horz, false, true, false, 3, 2, M); }},
        {"nine-grid render", false,
         [&](TBitmap& D, const TRect& R) {
             auto B = RenderNineGridFrame(R, *Horz, M, false, false, 3, 2);
             BitBlt(D.Canvas().Handle(), R.left, R.top, B->Width(), B->Height(), B->Canvas().Handle(), 0, 0, SRCCOPY);
         }},
        {"stretched", false,
         [&](TBitmap& D, const TRect& R) { DrawStretchedFrame(D.Canvas().Handle(), R, *Horz, false, 3, 2); }},
        {"centred", false,
         [&](TBitmap& D, const TRect& R) {
             DrawCenteredFrame(D.Canvas().Handle(), TRect(R.left - 4, R.top - 2, R.right + 4, R.bottom + 2), *Horz,
                               false, 3, 2);
         }},
        {"three slices tiled", false,
         [&](TBitmap& D, const TRect& R) { TileFrameKeepingMargins(D.Canvas(), R, *Horz, false, false, 3, 2, M); }},
        {"three slices stretched", false,
         [&](TBitmap& D, const TRect& R) { StretchFrameKeepingMargins(D.Canvas().Handle(), R, *Horz, false, 3, 2, M); }},
        {"vertical nine-grid", true,
         [&](TBitmap& D, const TRect& R) { DrawSkinImage(D.Canvas().Handle(), R, *Vert, true, true, false, 3, 2, M); }},
        {"vertical three slices tiled", true,
         [&](TBitmap& D, const TRect& R) { TileFrameKeepingMargins(D.Canvas(), R, *Vert, true, false, 3, 2, M); }},
        {"vertical three slices stretched", true,
         [&](TBitmap& D, const TRect& R) { StretchFrameKeepingMargins(D.Canvas().Handle(), R, *Vert, true, 3, 2, M); }},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        int FW = C.Vertical ? 6 : 30, FH = C.Vertical ? 30 : 6;
        auto Dest = Backdropped(FW + 10, FH + 8);
        C.Draw(*Dest, Bounds(5, 4, FW, FH));
        if (C.Vertical)
            ExpectArea(*Dest, 5, 4, FW, FH, [](int X, int Y) { return Coded(X, Y + 30); });
        else
            ExpectArea(*Dest, 5, 4, FW, FH, [](int X, int Y) { return Coded(X + 30, Y); });
    }
}

TEST(SkinFrames, NineGridDropsMarginsThatDoNotFitAndTilesOnlyTheCentre) {
    auto Frame = Make(20, 20, [](int X, int Y) { return Coded(X * 12, Y * 12); });
    const TRect M(6, 6, 6, 6);
    // 10 x 10: no margins, the whole frame stretched through the centre.
    auto Small = RenderNineGridFrame(TRect(0, 0, 10, 10), *Frame, M, false, false, 1, 1);
    auto Whole = Stretched(*Frame, 0, 0, 20, 20, 10, 10);
    ExpectArea(*Small, 0, 0, 10, 10, [&](int X, int Y) { return PixelOf(*Whole, X, Y); });
    // 10 wide, 30 high: left and right dropped, top and bottom kept at 6 rows.
    auto Tall = RenderNineGridFrame(TRect(0, 0, 10, 30), *Frame, M, false, false, 1, 1);
    auto Top = Stretched(*Frame, 0, 0, 20, 6, 10, 6);
    auto Bottom = Stretched(*Frame, 0, 14, 20, 6, 10, 6);
    for (int X = 0; X < 10; ++X)
        for (int Y = 0; Y < 6; ++Y) {
            EXPECT_EQ(PixelOf(*Tall, X, Y), PixelOf(*Top, X, Y));
            EXPECT_EQ(PixelOf(*Tall, X, 24 + Y), PixelOf(*Bottom, X, Y));
        }

    // Tiled: the corners are the frame's, the centre repeats the frame's 8 x 8
    // middle (the last tile's overrun covered by the edges), the edges stretch.
    auto Tiled = RenderNineGridFrame(TRect(0, 0, 29, 29), *Frame, M, false, true, 1, 1);
    auto TopEdge = Stretched(*Frame, 6, 0, 8, 6, 17, 6);
    auto RightEdge = Stretched(*Frame, 14, 6, 6, 8, 6, 17);
    for (int Y = 0; Y < 29; ++Y)
        for (int X = 0; X < 29; ++X) {
            bool MidX = X >= 6 && X < 23, MidY = Y >= 6 && Y < 23;
            uint32_t Want;
            if (MidX && MidY)
                Want = PixelOf(*Frame, 6 + (X - 6) % 8, 6 + (Y - 6) % 8);
            else if (MidX && Y < 6)
                Want = PixelOf(*TopEdge, X - 6, Y);
            else if (MidY && X >= 23)
                Want = PixelOf(*RightEdge, X - 23, Y - 6);
            else if (!MidX && !MidY)
                Want = PixelOf(*Frame, X < 6 ? X : X - 9, Y < 6 ? Y : Y - 9);
            else
                continue;
            ASSERT_EQ(PixelOf(*Tiled, X, Y), Want) << X << "," << Y;
        }
}

TEST(SkinFrames, KeptImageDrawsWhatDrawSkinImageDrawsThroughEveryChange) {
    // Two frames with magenta corners, so transparency shows too.
    auto Strip = Make(24, 10, [](int X, int Y) { return (X % 12 < 2 && Y < 2) ? Magenta : Coded(X * 9, Y * 20); });
    auto Other = Make(24, 10, [](int X, int Y) { return Coded(255 - X * 9, Y * 7); });
    struct TStep {
        TBitmap* Strip;
        TRect R, Margins;
        int N;
        bool Tile, Transparent, ClearFirst;
    };
    // Each step changes one thing from the step before (or nothing: a copy).
    const TStep Steps[] = {
        {Strip.get(), TRect(2, 3, 32, 17), TRect(3, 3, 3, 3), 1, false, true, false},
        {Strip.get(), TRect(2, 3, 32, 17), TRect(3, 3, 3, 3), 1, false, true, false},
        {Strip.get(), TRect(5, 1, 35, 15), TRect(3, 3, 3, 3), 1, false, true, false},   // moved only
        {Strip.get(), TRect(5, 1, 36, 15), TRect(3, 3, 3, 3), 1, false, true, false},   // one wider
        {Strip.get(), TRect(5, 1, 36, 16), TRect(3, 3, 3, 3), 1, false, true, false},   // one higher
        {Strip.get(), TRect(5, 1, 36, 16), TRect(3, 3, 3, 3), 2, false, true, false},   // other frame
        {Strip.get(), TRect(5, 1, 36, 16), TRect(2, 3, 3, 3), 2, false, true, false},   // other margins
        {Strip.get(), TRect(5, 1, 36, 16), TRect(2, 3, 3, 3), 2, true, true, false},    // tiled
        {Strip.get(), TRect(5, 1, 36, 16), TRect(2, 3, 3, 3), 2, true, false, false},   // opaque
        {Other.get(), TRect(5, 1, 36, 16), TRect(2, 3, 3, 3), 2, true, false, false},   // other strip
        {Other.get(), TRect(5, 1, 36, 16), TRect(2, 3, 3, 3), 2, true, false, true},    // cleared
    };
    TKeptSkinImage Kept;
    for (std::size_t I = 0; I < std::size(Steps); ++I) {
        SCOPED_TRACE(I);
        const TStep& S = Steps[I];
        if (S.ClearFirst) Kept.Clear();
        auto Got = Backdropped(40, 20), Want = Backdropped(40, 20);
        Kept.Draw(Got->Canvas().Handle(), S.R, *S.Strip, false, S.Tile, S.Transparent, 2, S.N, S.Margins);
        DrawSkinImage(Want->Canvas().Handle(), S.R, *S.Strip, false, S.Tile, S.Transparent, 2, S.N, S.Margins);
        ExpectArea(*Got, 0, 0, 40, 20, [&](int X, int Y) { return PixelOf(*Want, X, Y); });
    }
}

TEST(SkinFrames, ThreeSlicesRepeatTheMiddleAndEndWithoutOne) {
    auto Frame = Make(10, 4, Coded);
    struct TCase {
        int L, R, W;
    };
    // A middle of 6, of 0 and of -2 pixels.
    for (const TCase C : {TCase{2, 2, 25}, TCase{5, 5, 30}, TCase{6, 6, 30}, TCase{5, 5, 8}}) {
        SCOPED_TRACE(testing::Message() << C.L << "/" << C.R << " in " << C.W);
        auto Dest = Backdropped(C.W, 4);
        TileFrameKeepingMargins(Dest->Canvas(), TRect(0, 0, C.W, 4), *Frame, false, false, 1, 1,
                                TRect(C.L, 0, C.R, 0));
        int M = 10 - C.L - C.R, Mid = C.W - C.L - C.R;
        auto Whole = Stretched(*Frame, 0, 0, 10, 4, std::max(Mid, 1), 4);
        ExpectArea(*Dest, 0, 0, C.W, 4, [&](int X, int Y) {
            if (X >= C.W - C.R) return Coded(X - (C.W - 10), Y);  // the right slice, drawn last
            if (X < C.L) return Coded(X, Y);
            if (M > 0) return Coded(C.L + (X - C.L) % M, Y);
            return PixelOf(*Whole, X - C.L, Y);  // no middle: the frame between the margins
        });
    }
}

TEST(SkinFrames, CountBelowOneAndInvertedRectanglesDrawNothing) {
    auto Strip = Make(30, 10, Coded);
    const TRect M(1, 1, 1, 1);
    struct TCase {
        const char* Name;
        std::function<void(TBitmap& D, const TRect& R, int Count)> Draw;
    };
    const TCase Cases[] = {
        {"nine-grid",
         [&](TBitmap& D, const TRect& R, int N) { DrawSkinImage(D.Canvas().Handle(), R, *Strip, false, false, false, N, 1, M); }},
        {"nine-grid tiled transparent",
         [&](TBitmap& D, const TRect& R, int N) { DrawSkinImage(D.Canvas().Handle(), R, *Strip, true, true, true, N, 1, M); }},
        {"three slices tiled",
         [&](TBitmap& D, const TRect& R, int N) { TileFrameKeepingMargins(D.Canvas(), R, *Strip, false, false, N, 1, M); }},
        {"three slices stretched",
         [&](TBitmap& D, const TRect& R, int N) { StretchFrameKeepingMargins(D.Canvas().Handle(), R, *Strip, true, N, 1, M); }},
        {"stretched", [&](TBitmap& D, const TRect& R, int N) { DrawStretchedFrame(D.Canvas().Handle(), R, *Strip, false, N, 1); }},
        {"centred", [&](TBitmap& D, const TRect& R, int N) { DrawCenteredFrame(D.Canvas().Handle(), R, *Strip, true, N, 1); }},
        {"render",
         [&](TBitmap& D, const TRect& R, int N) {
             auto B = RenderNineGridFrame(R, *Strip, M, false, false, N, 1);
             EXPECT_TRUE(B->Empty());
             BitBlt(D.Canvas().Handle(), R.left, R.top, B->Width(), B->Height(), B->Canvas().Handle(), 0, 0, SRCCOPY);
         }},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        for (int Count : {0, -1}) {
            auto Dest = Backdropped(20, 12);
            C.Draw(*Dest, TRect(0, 0, 20, 12), Count);
            ExpectArea(*Dest, 0, 0, 0, 0, nullptr);
        }
        auto Dest = Backdropped(20, 12);
        C.Draw(*Dest, TRect(15, 0, 5, 12), 1);
        C.Draw(*Dest, TRect(0, 10, 20, 2), 1);
        ExpectArea(*Dest, 0, 0, 0, 0, nullptr);
    }
    auto Dest = Backdropped(4, 4);
    TileBitmapRect(Dest->Canvas(), TRect(4, 0, 0, 4), *Strip, TRect(0, 0, 2, 2));
    TileBitmapRect(Dest->Canvas(), TRect(0, 0, 4, 4), *Strip, TRect(0, 0, 0, 2));
    TileBitmapRect(Dest->Canvas(), TRect(0, 0, 4, 4), *Strip, TRect(2, 2, 0, 4));
    ExpectArea(*Dest, 0, 0, 0, 0, nullptr);
}

TEST(SkinFrames, TransparentDrawingLeavesTheDestinationUnderMagenta) {
    EXPECT_EQ(MakeROP4(0x00AA0029u, SRCCOPY), 0xCCAA0029u);
    // Magenta on a diagonal band; a near-magenta pixel is drawn.
    auto Keyed = [](int X, int Y) -> uint32_t {
        if ((X + Y) % 3 == 0) return Magenta;
        if (X == 1 && Y == 1) return 0xFF00FE;
        return Coded(X, Y);
    };
    auto Strip = Make(24, 6, Keyed);  // 3 frames of 8 x 6
    auto Expect = [&](int Ox) {
        return [=](int X, int Y) { return Keyed(X + Ox, Y) == Magenta ? Backdrop : Keyed(X + Ox, Y); };
    };
    struct TCase {
        const char* Name;
        int W, H, Ox;  // the drawn area and the strip column it starts at
        std::function<void(TBitmap& D, const TRect& R)> Draw;
    };
    const TCase Cases[] = {
        {"bitmap", 24, 6, 0, [&](TBitmap& D, const TRect& R) { DrawBitmapTransparent(D.Canvas().Handle(), R, *Strip, clFuchsia); }},
        {"nine-grid", 8, 6, 8,
         [&](TBitmap& D, const TRect& R) {
             DrawSkinImage(D.Canvas().Handle(), R, *Strip, false, false, true, 3, 2, TRect(2, 2, 2, 2));
         }},
        {"stretched", 8, 6, 16, [&](TBitmap& D, const TRect& R) { DrawStretchedFrame(D.Canvas().Handle(), R, *Strip, true, 3, 3); }},
        {"centred", 8, 6, 8,
         [&](TBitmap& D, const TRect& R) {
             DrawCenteredFrame(D.Canvas().Handle(), TRect(R.left - 1, R.top - 1, R.right + 1, R.bottom + 1), *Strip, true, 3, 2);
         }},
        {"three slices", 8, 6, 0,
         [&](TBitmap& D, const TRect& R) { TileFrameKeepingMargins(D.Canvas(), R, *Strip, false, true, 3, 1, TRect(2, 0, 2, 0)); }},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        auto Dest = Backdropped(C.W + 6, C.H + 4);
        C.Draw(*Dest, Bounds(3, 2, C.W, C.H));
        ExpectArea(*Dest, 3, 2, C.W, C.H, Expect(C.Ox));
    }
}

// Which pixels of a bitmap a region holds, as a row of 0 and 1 per line.
std::vector<std::string> Coverage(HRGN Rgn, int X0, int Y0, int W, int H) {
    std::vector<std::string> Rows;
    for (int Y = 0; Y < H; ++Y) {
        std::string Row;
        for (int X = 0; X < W; ++X) Row += PtInRegion(Rgn, X0 + X, Y0 + Y) ? '1' : '0';
        Rows.push_back(Row);
    }
    return Rows;
}

TEST(SkinFrames, RegionFromColorKeyTable) {
    struct TCase {
        const char* Name;
        std::vector<std::vector<uint32_t>> Pixels;  // rows of 0xRRGGBB
        TColor Key;
        std::vector<std::string> Expect;
    };
    const uint32_t A = 0x102030, B = 0xFFFFFF;
    const TCase Cases[] = {
        {"no magenta: every row whole", {{A, B, A, B, A}, {B, B, B, B, B}, {A, A, A, A, A}}, clFuchsia,
         {"11111", "11111", "11111"}},
        {"green 1 keyed, green 2 not; red and blue exact at 255",
         {{0xFF00FF, 0xFF01FF, 0xFF02FF, 0xFE00FF, 0xFF00FE, A}}, clFuchsia, {"001111"}},
        {"runs between key pixels", {{Magenta, A, A, Magenta, Magenta, A}, {A, Magenta, A, A, A, Magenta}}, clFuchsia,
         {"011001", "101110"}},
        {"a grey key with tolerance above it", {{0x808080, 0x818181, 0x828080, 0x7F8080, 0x818080}}, 0x808080,
         {"00110"}},
        {"all keyed", {{Magenta, Magenta}, {Magenta, Magenta}}, clFuchsia, {"00", "00"}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        int W = static_cast<int>(C.Pixels[0].size()), H = static_cast<int>(C.Pixels.size());
        auto Bm = Make(W, H, [&](int X, int Y) { return C.Pixels[Y][X]; });
        HRGN Rgn = RegionFromColorKey(*Bm, 7, 3, 1, 1, 1, C.Key);
        ASSERT_NE(Rgn, nullptr);
        EXPECT_EQ(Bm->PixelFormat(), pf32bit);
        EXPECT_EQ(Coverage(Rgn, 7, 3, W, H), C.Expect);
        // Nothing outside the bitmap's rectangle at the offset.
        RECT Box;
        GetRgnBox(Rgn, &Box);
        if (C.Name == std::string("no magenta: every row whole")) {
            HRGN Whole = CreateRectRgn(7, 3, 7 + W, 3 + H);
            EXPECT_TRUE(EqualRgn(Rgn, Whole));
            DeleteObject(Whole);
        }
        if (Box.right > Box.left) {
            EXPECT_GE(Box.left, 7);
            EXPECT_GE(Box.top, 3);
            EXPECT_LE(Box.right, 7 + W);
            EXPECT_LE(Box.bottom, 3 + H);
        }
        DeleteObject(Rgn);
    }
}

TEST(SkinFrames, RegionFromColorKeyKeepsEveryRunPastTheFlushes) {
    // A checkerboard: one-pixel runs that no row shares with the next, 2525 in all,
    // so the buffer grows past 500 rectangles and is flushed at 2000.
    const int W = 101, H = 50;
    auto Bm = Make(W, H, [](int X, int Y) { return (X + Y) % 2 ? Magenta : Coded(X, Y); });
    HRGN Rgn = RegionFromColorKey(*Bm, -4, 10, 1, 1, 1, clFuchsia);
    ASSERT_NE(Rgn, nullptr);
    int Runs = 0, Wrong = 0;
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) {
            bool Solid = (X + Y) % 2 == 0;
            Runs += Solid;
            if (static_cast<bool>(PtInRegion(Rgn, X - 4, Y + 10)) != Solid) ++Wrong;
        }
    EXPECT_EQ(Runs, 2525);
    EXPECT_EQ(Wrong, 0);
    DWORD Size = GetRegionData(Rgn, 0, nullptr);
    std::vector<unsigned char> Data(Size);
    ASSERT_EQ(GetRegionData(Rgn, Size, reinterpret_cast<RGNDATA*>(Data.data())), Size);
    const auto& Hdr = reinterpret_cast<RGNDATA*>(Data.data())->rdh;
    EXPECT_EQ(Hdr.nCount, 2525u);
    EXPECT_EQ(Hdr.rcBound.left, -4);
    EXPECT_EQ(Hdr.rcBound.top, 10);
    EXPECT_EQ(Hdr.rcBound.right, W - 4);
    EXPECT_EQ(Hdr.rcBound.bottom, H + 10);
    DeleteObject(Rgn);
}

// A parent whose painting shows where each pixel came from: its erase fills
// with its colour, its paint codes the left 20 columns by position.
class TCodedParent : public TCustomControl {
public:
    explicit TCodedParent(TComponent* Owner) : TCustomControl(Owner) {}
    int Paints = 0;

protected:
    void Paint() override {
        ++Paints;
        for (int Y = 0; Y < Height(); ++Y)
            for (int X = 0; X < 20; ++X) {
                uint32_t C = Coded(X, Y);
                Canvas().SetPixel(X, Y, static_cast<TColor>(RGB(C >> 16, (C >> 8) & 0xFF, C & 0xFF)));
            }
    }
};

TEST(SkinFrames, PaintControlParentBackgroundDrawsTheParentBehindTheControl) {
    auto* F = new TForm(Application);
    F->SetBounds(0, 0, 200, 150);
    auto* P = new TCodedParent(F);
    P->SetParent(F);
    P->SetBounds(0, 0, 60, 40);
    P->SetColor(static_cast<TColor>(0x0000C0));  // dark red
    auto* C = new TCustomControl(F);
    C->SetParent(P);
    C->SetBounds(12, 5, 16, 8);
    F->Show();
    TestHooks::PumpPending();

    for (bool FromSkin : {false, true}) {
        auto Dest = Backdropped(20, 10);
        HDC Dc = Dest->Canvas().Handle();
        int Before = P->Paints;
        PaintControlParentBackground(C, Dc, FromSkin);
        EXPECT_EQ(P->Paints, Before + 1);
        // The control's 16 x 8 client area: the parent's pixels from (12, 5);
        // its paint covers x < 20, its erase colour the rest.
        ExpectArea(*Dest, 0, 0, 16, 8, [](int X, int Y) { return X + 12 < 20 ? Coded(X + 12, Y + 5) : 0xC00000u; });
        // The DC is as it was: origin and clipping restored.
        POINT Org;
        GetViewportOrgEx(Dc, &Org);
        EXPECT_EQ(Org.x, 0);
        EXPECT_EQ(Org.y, 0);
        RECT Clip;
        GetClipBox(Dc, &Clip);
        EXPECT_EQ(Clip.right, 20);
        EXPECT_EQ(Clip.bottom, 10);
    }
    // Without a parent nothing is painted.
    auto* Orphan = new TCustomControl(F);
    auto Dest = Backdropped(4, 4);
    PaintControlParentBackground(Orphan, Dest->Canvas().Handle(), true);
    ExpectArea(*Dest, 0, 0, 0, 0, nullptr);
    F->Free();
}

}  // namespace
