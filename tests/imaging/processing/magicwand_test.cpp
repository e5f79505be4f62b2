// The magic-wand routines on tiny drawn pictures: tolerance per channel,
// 4-connectivity, the 3 x 3 growth, global selection, seeds outside the image,
// outline vertices, every pixel format and a large uniform picture.
#include "imaging/processing/magicwand.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"

// The heap in use and its peak, so that a test can bound what a routine takes.
namespace {
std::atomic<long long> HeapNow{0}, HeapPeak{0};

void* CountedAlloc(size_t N) {
    void* P = std::malloc(N ? N : 1);
    if (!P) return nullptr;
    long long Now = HeapNow += static_cast<long long>(malloc_usable_size(P));
    long long Peak = HeapPeak.load();
    while (Now > Peak && !HeapPeak.compare_exchange_weak(Peak, Now)) {
    }
    return P;
}

void CountedFree(void* P) {
    if (!P) return;
    HeapNow -= static_cast<long long>(malloc_usable_size(P));
    std::free(P);
}

void* CountedNew(size_t N) {
    if (void* P = CountedAlloc(N)) return P;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(size_t N) { return CountedNew(N); }
void* operator new[](size_t N) { return CountedNew(N); }
void* operator new(size_t N, const std::nothrow_t&) noexcept { return CountedAlloc(N); }
void* operator new[](size_t N, const std::nothrow_t&) noexcept { return CountedAlloc(N); }
void operator delete(void* P) noexcept { CountedFree(P); }
void operator delete[](void* P) noexcept { CountedFree(P); }
void operator delete(void* P, size_t) noexcept { CountedFree(P); }
void operator delete[](void* P, size_t) noexcept { CountedFree(P); }
void operator delete(void* P, const std::nothrow_t&) noexcept { CountedFree(P); }
void operator delete[](void* P, const std::nothrow_t&) noexcept { CountedFree(P); }

namespace {

// The most heap a call takes beyond what was in use before it.
template <class F>
long long HeapTaken(F&& Call) {
    const long long Base = HeapNow.load();
    HeapPeak = Base;
    Call();
    return HeapPeak.load() - Base;
}

// Each letter is a colour; '.' is white.
std::unique_ptr<TIEBitmap> Draw(const std::vector<std::string>& Rows) {
    static const std::map<char, TRGB> Colours = {
        {'.', TRGB{255, 255, 255}}, {'A', TRGB{40, 80, 120}}, {'B', TRGB{0, 200, 0}}};
    auto B = std::make_unique<TIEBitmap>();
    B->Allocate(static_cast<int>(Rows[0].size()), static_cast<int>(Rows.size()), ieRGB24);
    for (size_t Y = 0; Y < Rows.size(); ++Y)
        for (size_t X = 0; X < Rows[Y].size(); ++X)
            B->SetPixelRGB24(static_cast<int>(X), static_cast<int>(Y), Colours.at(Rows[Y][X]));
    return B;
}

std::unique_ptr<TIEMask> MaskFor(TIEBitmap* B) {
    auto M = std::make_unique<TIEMask>();
    M->AllocateBits(B->Width(), B->Height(), 1);
    return M;
}

std::vector<std::string> Rows(TIEMask* M) {
    std::vector<std::string> Out;
    for (int Y = 0; Y < M->Height; ++Y) {
        std::string S;
        for (int X = 0; X < M->Width; ++X) S += M->GetPixel(X, Y) ? '#' : '.';
        Out.push_back(S);
    }
    return Out;
}

enum Routine { Fill, FillMax, Global };

std::vector<std::string> Select(const std::vector<std::string>& Picture, int X, int Y, int Tolerance, Routine R) {
    auto B = Draw(Picture);
    auto M = MaskFor(B.get());
    if (R == Global)
        MagicWandGlobal(B.get(), X, Y, Tolerance, M.get(), 1);
    else
        MagicWandFill(B.get(), X, Y, Tolerance, R == FillMax, M.get(), 1);
    return Rows(M.get());
}

TEST(MagicWand, ToleranceHoldsForEachChannelAlone) {
    // The seed (100, 100, 100) beside one pixel off in one channel by Delta.
    struct Case {
        int Channel, Delta, Tolerance;
        bool Similar;
    };
    const Case Cases[] = {
        {0, 7, 7, true},    {0, 8, 7, false},   {1, 7, 7, true},   {1, 8, 7, false},  {2, 7, 7, true},
        {2, 8, 7, false},   {0, -7, 7, true},   {2, -8, 7, false}, {1, 0, 0, true},   {1, 1, 0, false},
        {0, 100, 100, true}, {0, 101, 100, false}, {2, 155, 155, true}, {1, -100, 99, false},
    };
    for (const Case& K : Cases) {
        auto B = std::make_unique<TIEBitmap>();
        B->Allocate(2, 1, ieRGB24);
        B->SetPixelRGB24(0, 0, TRGB{100, 100, 100});
        TRGB Off{100, 100, 100};
        uint8_t* Ch = K.Channel == 0 ? &Off.r : K.Channel == 1 ? &Off.g : &Off.b;
        *Ch = static_cast<uint8_t>(100 + K.Delta);
        B->SetPixelRGB24(1, 0, Off);
        for (Routine R : {Fill, Global}) {
            auto M = MaskFor(B.get());
            if (R == Global)
                MagicWandGlobal(B.get(), 0, 0, K.Tolerance, M.get(), 1);
            else
                MagicWandFill(B.get(), 0, 0, K.Tolerance, false, M.get(), 1);
            EXPECT_EQ(M->GetPixel(0, 0) != 0, true);
            EXPECT_EQ(M->GetPixel(1, 0) != 0, K.Similar)
                << "channel " << K.Channel << " delta " << K.Delta << " tolerance " << K.Tolerance;
        }
    }
}

TEST(MagicWand, ConnectivityGrowthAndGlobal) {
    struct Case {
        std::vector<std::string> Picture;
        int X, Y;
        Routine R;
        std::vector<std::string> Want;
    };
    const std::vector<std::string> Diagonals = {"A.A", ".A.", "A.A"};
    const std::vector<std::string> Gap = {"AA.AA", "AA.AA"};
    const std::vector<std::string> Ring = {"AAAAA", "A...A", "A.A.A", "A...A", "AAAAA"};
    const Case Cases[] = {
        // Diagonal neighbours are not reached by the 4-connected fill.
        {Diagonals, 1, 1, Fill, {"...", ".#.", "..."}},
        {Diagonals, 1, 1, FillMax, {"###", "###", "###"}},
        {Diagonals, 1, 1, Global, {"#.#", ".#.", "#.#"}},
        // A one-pixel gap: the growth covers it, the region beyond stays out.
        {Gap, 0, 0, Fill, {"##...", "##..."}},
        {Gap, 1, 1, FillMax, {"###..", "###.."}},
        {Gap, 4, 0, FillMax, {"..###", "..###"}},
        {Gap, 0, 1, Global, {"##.##", "##.##"}},
        // The ring's inside is white and connected to nothing white outside.
        {Ring, 0, 0, Fill, {"#####", "#...#", "#...#", "#...#", "#####"}},
        {Ring, 2, 2, Fill, {".....", ".....", "..#..", ".....", "....."}},
        {Ring, 1, 1, Fill, {".....", ".###.", ".#.#.", ".###.", "....."}},
        {Ring, 1, 1, Global, {".....", ".###.", ".#.#.", ".###.", "....."}},
        {Ring, 2, 2, Global, {"#####", "#...#", "#.#.#", "#...#", "#####"}},
        // A seed in the last row and column.
        {{"..A", ".AA", "AAA"}, 2, 2, Fill, {"..#", ".##", "###"}},
    };
    for (const Case& K : Cases)
        EXPECT_EQ(Select(K.Picture, K.X, K.Y, 0, K.R), K.Want)
            << K.Picture[0] << " seed " << K.X << "," << K.Y << " routine " << K.R;
}

TEST(MagicWand, ASeedOutsideTheImageSelectsNothing) {
    const std::vector<std::string> Picture = {"AAA", "AAA"};
    const std::vector<std::string> Nothing = {"...", "..."};
    for (POINT P : {POINT{3, 0}, POINT{0, 2}, POINT{-1, 0}, POINT{0, -1}, POINT{3, 2}, POINT{100000, 5}}) {
        for (Routine R : {Fill, FillMax, Global}) EXPECT_EQ(Select(Picture, P.x, P.y, 255, R), Nothing) << P.x << "," << P.y;
        auto B = Draw(Picture);
        EXPECT_TRUE(MagicWandPolygon(B.get(), P.x, P.y, 255, false).empty()) << P.x << "," << P.y;
        EXPECT_TRUE(MagicWandPolygon(B.get(), P.x, P.y, 255, true).empty());
    }
    // No mask: nothing either.
    auto B = Draw(Picture);
    MagicWandFill(B.get(), 0, 0, 0, false, nullptr, 1);
    MagicWandGlobal(B.get(), 0, 0, 0, nullptr, 1);
}

std::vector<std::pair<int, int>> Vertices(const std::vector<POINT>& P) {
    std::vector<std::pair<int, int>> Out;
    for (POINT V : P) Out.emplace_back(V.x, V.y);
    return Out;
}

TEST(MagicWandPolygon, OutlinesRunAlongThePixelCorners) {
    using V = std::vector<std::pair<int, int>>;
    struct Case {
        std::vector<std::string> Picture;
        int X, Y;
        V Want;
    };
    // Clockwise from the top-left corner. The chain rounds an outer corner by a diagonal
    // step, so such a corner appears twice; an inner corner is one turn, so once.
    const Case Cases[] = {
        {{"...", ".A.", "..."}, 1, 1, V{{1, 1}, {2, 1}, {2, 1}, {2, 2}, {2, 2}, {1, 2}, {1, 2}, {1, 1}}},
        {{"....", ".AA.", ".AA.", "...."}, 2, 2, V{{1, 1}, {3, 1}, {3, 1}, {3, 3}, {3, 3}, {1, 3}, {1, 3}, {1, 1}}},
        {{"AAA", "AAA"}, 1, 0, V{{0, 0}, {3, 0}, {3, 0}, {3, 2}, {3, 2}, {0, 2}, {0, 2}, {0, 0}}},
        // The L: the inner corner at (1, 2) is the one turn the other way.
        {{"A..", "A..", "AA."}, 0, 0,
         V{{0, 0}, {1, 0}, {1, 0}, {1, 2}, {2, 2}, {2, 2}, {2, 3}, {2, 3}, {0, 3}, {0, 3}, {0, 0}}},
        // A notch: two inner corners.
        {{"A.A", "AAA"}, 0, 0,
         V{{0, 0}, {1, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 0}, {2, 0}, {3, 0}, {3, 0}, {3, 2}, {3, 2}, {0, 2}, {0, 2}, {0, 0}}},
    };
    for (const Case& K : Cases) {
        auto B = Draw(K.Picture);
        EXPECT_EQ(Vertices(MagicWandPolygon(B.get(), K.X, K.Y, 0, false)), K.Want) << K.Picture[0];
    }
    // The growth closes the notch, but only within the region's box: a single pixel stays one.
    auto B = Draw({"A.A", "AAA"});
    EXPECT_EQ(Vertices(MagicWandPolygon(B.get(), 0, 0, 0, true)),
              (V{{0, 0}, {3, 0}, {3, 0}, {3, 2}, {3, 2}, {0, 2}, {0, 2}, {0, 0}}));
    auto One = Draw({"...", ".A.", "..."});
    EXPECT_EQ(Vertices(MagicWandPolygon(One.get(), 1, 1, 0, true)),
              (V{{1, 1}, {2, 1}, {2, 1}, {2, 2}, {2, 2}, {1, 2}, {1, 2}, {1, 1}}));
}

TEST(MagicWand, EveryPixelFormatReadsItsColours) {
    // Black, black, white, white: the two dark pixels are the region in every format.
    for (TIEPixelFormat F : {ie1g, ie8p, ie8g, ie16g, ieRGB24, ie32f, ieCMYK, ieRGB48, ieCIELab}) {
        auto B = std::make_unique<TIEBitmap>();
        B->Allocate(4, 2, ieRGB24);
        B->Fill(0xFFFFFF);
        B->FillRect(0, 0, 1, 1, 0);
        B->SetPixelFormat(F);
        ASSERT_EQ(B->PixelFormat(), F);
        for (Routine R : {Fill, Global}) {
            auto M = MaskFor(B.get());
            if (R == Global)
                MagicWandGlobal(B.get(), 1, 1, 10, M.get(), 1);
            else
                MagicWandFill(B.get(), 1, 1, 10, false, M.get(), 1);
            EXPECT_EQ(Rows(M.get()), (std::vector<std::string>{"##..", "##.."})) << static_cast<int>(F);
        }
        EXPECT_EQ(Vertices(MagicWandPolygon(B.get(), 3, 0, 10, false)).front(), std::make_pair(2, 0));
    }
}

TEST(MagicWand, ALargeUniformPictureIsOneRegion) {
    const int W = 2000, H = 2000;
    const long long Cells = 1LL * (4 * W + 4) * (4 * H + 4), Bits = 1LL * W * H / 8;
    auto B = std::make_unique<TIEBitmap>();
    B->Allocate(W, H, ieRGB24);
    B->Fill(0x204060);
    auto M = MaskFor(B.get());
    // The fill keeps one visited bit per pixel and a list of row segments: a byte or a
    // queued seed per pixel would take several times more.
    const long long FillHeap = HeapTaken([&] { MagicWandFill(B.get(), 1234, 567, 0, false, M.get(), 1); });
    EXPECT_LE(FillHeap, Bits + 256 * 1024);
    M->SyncFull();
    EXPECT_TRUE(M->Full);
    EXPECT_EQ(M->X1, 0);
    EXPECT_EQ(M->Y2, 1999);
    // The outline takes a byte per cell of the grid magnified four times, and the chain.
    std::vector<POINT> P;
    const long long OutlineHeap = HeapTaken([&] { P = MagicWandPolygon(B.get(), 1999, 1999, 0, false); });
    EXPECT_LE(OutlineHeap, Cells + Bits + 1024 * 1024);
    using V = std::vector<std::pair<int, int>>;
    EXPECT_EQ(Vertices(P), (V{{0, 0}, {2000, 0}, {2000, 0}, {2000, 2000}, {2000, 2000}, {0, 2000}, {0, 2000}, {0, 0}}));
}

}  // namespace
