// The single-image view's selection: rectangles by program, grips, moving, the
// selection stream (exact bytes, round trip, a narrower image, damaged streams).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/views/imageview_fixture.h"

using namespace viewtest;

namespace {

const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

std::vector<uint8_t> StreamBytes(TIEImageView* V) {
    TMemoryStream S;
    V->SaveSelectionToStream(&S);
    std::vector<uint8_t> B(static_cast<size_t>(S.Size()));
    S.SetPosition(0);
    if (!B.empty()) S.ReadBuffer(B.data(), static_cast<int64_t>(B.size()));
    return B;
}

bool LoadBytes(TIEImageView* V, const std::vector<uint8_t>& B) {
    TMemoryStream S;
    if (!B.empty()) S.WriteBuffer(B.data(), static_cast<int64_t>(B.size()));
    S.SetPosition(0);
    return V->LoadSelectionFromStream(&S);
}

void Put(std::vector<uint8_t>& B, int32_t V) {
    for (int I = 0; I < 4; ++I) B.push_back(static_cast<uint8_t>(static_cast<uint32_t>(V) >> (8 * I)));
}

std::vector<POINT> Points(TIEImageView* V) { return V->GetSelectionPoints(); }

TEST(ImageViewSelection, SelectRectInImageCoordinates) {
    TShownView S(120, 100);
    TIEImageView* V = S.View;
    V->IEBitmap()->Allocate(40, 30, ieRGB24);
    V->Update();
    V->SelectionBase = iesbBitmap;
    struct {
        int X1, Y1, X2, Y2;
        bool Keep, Square;
        bool Selects;
        POINT TL, BR;
    } const Cases[] = {
        {10, 10, 10, 50, false, false, false, {0, 0}, {0, 0}},  // zero width selects nothing
        {10, 5, 20, 15, false, false, true, {10, 5}, {20, 15}},
        {20, 15, 10, 5, false, false, true, {10, 5}, {20, 15}},    // corners ordered
        {-5, -5, 50, 50, false, false, true, {0, 0}, {40, 30}},    // clamped: right and bottom may reach the size
        {-5, 2, 5, 12, true, false, true, {0, 2}, {10, 12}},       // kept inside: moved, size kept
        {35, 25, 45, 35, true, false, true, {29, 19}, {39, 29}},
        {4, 4, 14, 8, false, true, true, {4, 4}, {14, 14}},        // square from the width
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.X1 << "," << C.Y1 << " " << C.X2 << "," << C.Y2);
        V->Deselect();
        V->SelectRect(C.X1, C.Y1, C.X2, C.Y2, 0, C.Keep, C.Square);
        if (C.Selects) V->EndSelect();
        EXPECT_EQ(V->Selected(), C.Selects);
        if (!C.Selects) continue;
        const auto P = Points(V);
        ASSERT_EQ(P.size(), 4u);
        EXPECT_EQ(P[0].x, C.TL.x);
        EXPECT_EQ(P[0].y, C.TL.y);
        EXPECT_EQ(P[2].x, C.BR.x);
        EXPECT_EQ(P[2].y, C.BR.y);
        EXPECT_EQ(P[1].x, C.BR.x);  // top-right, then bottom-right, bottom-left
        EXPECT_EQ(P[3].y, C.BR.y);
    }
    // Op 1 adds a second rectangle after a separator; the mask holds both.
    V->Select(1, 1, 5, 5, 0);
    V->Select(20, 20, 25, 25, 1);
    const auto P = Points(V);
    ASSERT_EQ(P.size(), 9u);
    EXPECT_EQ(P[4].x, IESelBreak);
    EXPECT_TRUE(V->SelectionMask()->IsPointInside(2, 2));
    EXPECT_TRUE(V->SelectionMask()->IsPointInside(22, 22));
    EXPECT_FALSE(V->SelectionMask()->IsPointInside(10, 10));
    V->Deselect();
    EXPECT_FALSE(V->Selected());
    EXPECT_TRUE(V->SelectionMask()->IsEmpty());
}

TEST(ImageViewSelection, GripsResizeAndFlip) {
    TShownView S(120, 100);
    TIEImageView* V = S.View;
    V->IEBitmap()->Allocate(100, 80, ieRGB24);
    V->Update();  // zoom 100, offset (10, 10)
    const int OX = V->OffsetX(), OY = V->OffsetY();
    V->SelectionBase = iesbBitmap;
    struct {
        TIEGrip Grip;
        int MX, MY;  // image coordinates the grip is dragged to
        TIEGrip After;
        RECT Box;
    } const Cases[] = {
        {ieLeftSide, 5, 40, ieLeftSide, {5, 20, 60, 50}},
        {ieLeftSide, 80, 40, ieRightSide, {60, 20, 80, 50}},    // across the right edge: flips
        {ieRightSide, 10, 40, ieLeftSide, {11, 20, 20, 50}},  // right edges are exclusive
        {ieTopSide, 30, 70, ieBottomSide, {20, 50, 60, 70}},
        {ieTopLeft, 70, 60, ieBottomRight, {60, 50, 70, 60}},
        {ieBottomRight, 59, 49, ieBottomRight, {20, 20, 60, 50}},
        {ieLeftSide, 60, 40, ieLeftSide, {59, 20, 60, 50}},      // onto the other edge: one pixel stays
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << "grip " << C.Grip << " to " << C.MX << "," << C.MY);
        V->Select(20, 20, 60, 50, 0);
        const TIEGrip G = V->ResizeSelectionByGrip(C.Grip, C.MX + OX, C.MY + OY, false);
        EXPECT_EQ(G, C.After);
        const auto P = Points(V);
        ASSERT_EQ(P.size(), 4u);
        EXPECT_EQ(P[0].x, C.Box.left);
        EXPECT_EQ(P[0].y, C.Box.top);
        EXPECT_EQ(P[2].x, C.Box.right);
        EXPECT_EQ(P[2].y, C.Box.bottom);
        EXPECT_LT(P[0].x, P[2].x) << "never zero width";
    }
    // The grip under the mouse: corners within 5 pixels, sides within 3.
    V->Select(20, 20, 60, 50, 0);
    struct {
        int X, Y;
        TIEGrip G;
    } const Hits[] = {{20, 20, ieTopLeft}, {25, 25, ieTopLeft}, {60, 20, ieTopRight}, {60, 50, ieBottomRight},
                      {20, 50, ieBottomLeft}, {18, 35, ieLeftSide}, {62, 35, ieRightSide}, {40, 22, ieTopSide},
                      {40, 48, ieBottomSide}, {40, 35, ieNone}, {26, 26, ieNone}};
    for (const auto& H : Hits) EXPECT_EQ(V->GetSelectionGrip(H.X + OX, H.Y + OY), H.G) << H.X << "," << H.Y;
}

TEST(ImageViewSelection, MovingStaysInsideUnlessCutBorders) {
    TShownView S(120, 100);
    TIEImageView* V = S.View;
    V->IEBitmap()->Allocate(50, 40, ieRGB24);
    V->Update();
    V->SelectionBase = iesbBitmap;
    struct {
        bool Cut;
        int DX, DY;
        RECT Box;
    } const Cases[] = {{false, 5, 5, {15, 15, 25, 25}},
                       {false, 100, -100, {40, 0, 50, 10}},
                       {true, -15, 0, {0, 10, 5, 20}}};  // clipped at the edge
    for (const auto& C : Cases) {
        V->SetSelectionOptions(C.Cut ? TIESelectionOptions{iesoCutBorders, iesoSizeable} : TIESelectionOptions{});
        V->Select(10, 10, 20, 20, 0);
        V->MoveSelectionBy(C.DX, C.DY);
        const auto P = Points(V);
        ASSERT_EQ(P.size(), 4u);
        EXPECT_EQ(P[0].x, C.Box.left);
        EXPECT_EQ(P[0].y, C.Box.top);
        EXPECT_EQ(P[2].x, C.Box.right);
        EXPECT_EQ(P[2].y, C.Box.bottom);
        EXPECT_TRUE(V->SelectionMask()->IsPointInside(C.Box.left, C.Box.top));
    }
}

// The stream of a rectangle on a 5 x 3 image, every byte.
TEST(ImageViewSelection, StreamBytesRoundTripAndANarrowerImage) {
    TShownView S(120, 100);
    TIEImageView* V = S.View;
    V->IEBitmap()->Allocate(5, 3, ieRGB24);
    V->Update();
    V->SelectionBase = iesbBitmap;
    V->Select(1, 0, 4, 2, 0);
    std::vector<uint8_t> E;
    Put(E, 5);
    Put(E, 3);
    Put(E, 4);
    for (int32_t C : {1, 0, 4, 0, 4, 2, 1, 2}) Put(E, C);
    for (int32_t C : {1, 0, 4, 2}) Put(E, C);  // polygon box
    E.push_back(1);                             // selected
    Put(E, 1);                                  // bits per pixel
    for (int32_t C : {1, 0, 3, 1}) Put(E, C);  // mask box: columns 1..3 of rows 0..1
    E.push_back(0);                             // not full
    // Rows bottom-up, 4 bytes each: row 2 empty, rows 1 and 0 with bits 1..3 (MSB first).
    for (uint8_t B : {0x00, 0x00, 0x00, 0x00, 0x70, 0x00, 0x00, 0x00, 0x70, 0x00, 0x00, 0x00}) E.push_back(B);
    const std::vector<uint8_t> Got = StreamBytes(V);
    EXPECT_EQ(Got, E);
    EXPECT_EQ(Got.size(), 50u + 8 * 4 + 4 * 3);

    // Round trip into a cleared view.
    V->Deselect();
    ASSERT_TRUE(LoadBytes(V, Got));
    EXPECT_TRUE(V->Selected());
    EXPECT_EQ(StreamBytes(V), Got);

    // A wider selection loaded into a narrower image ends at the image's last column.
    V->IEBitmap()->Allocate(40, 30, ieRGB24);
    V->Update();
    V->Select(20, 5, 36, 15, 0);
    const std::vector<uint8_t> Wide = StreamBytes(V);
    V->IEBitmap()->Allocate(30, 30, ieRGB24);
    V->Update();
    ASSERT_TRUE(LoadBytes(V, Wide));
    const auto P = Points(V);
    ASSERT_EQ(P.size(), 4u);
    EXPECT_EQ(P[2].x, 30);
    EXPECT_EQ(P[0].x, 14);
    EXPECT_EQ(V->SelectionMask()->Width, 30);
    EXPECT_EQ(V->SelX2(), 29);
    EXPECT_TRUE(V->SelectionMask()->IsPointInside(14, 10));
    EXPECT_FALSE(V->SelectionMask()->IsPointInside(13, 10));
}

TEST(ImageViewSelection, ShortOrDamagedStreamsChangeNothing) {
    TShownView S(120, 100);
    TIEImageView* V = S.View;
    V->IEBitmap()->Allocate(5, 3, ieRGB24);
    V->Update();
    V->SelectionBase = iesbBitmap;
    V->Select(1, 0, 4, 2, 0);
    const std::vector<uint8_t> Good = StreamBytes(V);
    V->Select(0, 0, 2, 2, 0);
    const std::vector<uint8_t> Before = StreamBytes(V);
    auto With = [&](size_t At, int32_t Value) {
        std::vector<uint8_t> B = Good;
        for (int I = 0; I < 4; ++I) B[At + I] = static_cast<uint8_t>(static_cast<uint32_t>(Value) >> (8 * I));
        return B;
    };
    const size_t Tail = 12 + 8 * 4;
    struct {
        const char* What;
        std::vector<uint8_t> Bytes;
    } const Cases[] = {
        {"empty", {}},
        {"header only", std::vector<uint8_t>(Good.begin(), Good.begin() + 12)},
        {"one byte short", std::vector<uint8_t>(Good.begin(), Good.end() - 1)},
        {"negative width", With(0, -5)},
        {"rows without columns", With(0, 0)},
        {"huge height", With(4, 0x7FFFFFFF)},
        {"a mask far larger than the stream", With(4, 1 << 20)},
        {"negative count", With(8, -1)},
        {"count past the end", With(8, 1000000)},
        {"depth 3", With(Tail + 17, 3)},
        {"point outside", With(12, 900)},
    };
    for (const auto& C : Cases) {
        EXPECT_FALSE(LoadBytes(V, C.Bytes)) << C.What;
        EXPECT_EQ(StreamBytes(V), Before) << C.What;
    }
}

TEST(ImageViewSelection, UndoStackOfSelections) {
    TShownView S(120, 100);
    TIEImageView* V = S.View;
    V->IEBitmap()->Allocate(50, 40, ieRGB24);
    V->Update();
    V->SelectionBase = iesbBitmap;
    EXPECT_FALSE(V->RestoreSelection());
    V->Select(5, 5, 15, 15, 0);
    V->SaveSelectionToUndo();
    V->Select(20, 20, 30, 30, 0);
    EXPECT_TRUE(V->RestoreSelection());
    EXPECT_EQ(V->SelX1(), 5);
    EXPECT_FALSE(V->RestoreSelection());
    // An image of another size drops the selection.
    V->IEBitmap()->Allocate(60, 40, ieRGB24);
    V->Update();
    EXPECT_FALSE(V->Selected());
}

TEST(ImageViewSelection, MagicWandModes) {
    TShownView S(120, 100);
    TIEImageView* V = S.View;
    TIEBitmap* B = V->IEBitmap();
    B->Allocate(60, 40, ieRGB24);
    B->Fill(0xFFFFFF);
    auto Blue = [&](int X0, int Y0, int X1, int Y1) {
        for (int Y = Y0; Y < Y1; ++Y)
            for (int X = X0; X < X1; ++X) {
                uint8_t* P = B->Scanline(Y) + 3 * X;
                P[0] = 200;
                P[1] = P[2] = 30;
            }
    };
    Blue(5, 5, 15, 15);
    Blue(30, 20, 50, 35);
    V->Update();
    V->SelectionBase = iesbBitmap;
    struct {
        uint8_t Mode;
        bool Second;
    } const Cases[] = {{0, false}, {1, false}, {2, true}};  // outline, connected region, every similar pixel
    for (const auto& C : Cases) {
        V->Deselect();
        V->MagicWandMode = C.Mode;
        V->SelectMagicWand(8, 8, 0);
        EXPECT_TRUE(V->Selected()) << int(C.Mode);
        EXPECT_TRUE(V->SelectionMask()->IsPointInside(10, 10)) << int(C.Mode);
        EXPECT_FALSE(V->SelectionMask()->IsPointInside(20, 10)) << int(C.Mode);
        EXPECT_EQ(V->SelectionMask()->IsPointInside(40, 25), C.Second) << int(C.Mode);
    }
    // Outside the image nothing happens.
    V->Deselect();
    V->SelectMagicWand(70, 8, 0);
    EXPECT_FALSE(V->Selected());
}

// A navigator shows the main view's picture with its visible area as a fixed
// selection; dragging that selection scrolls the main view, Y by its own zoom.
TEST(ImageViewSelection, NavigatorFollowsAndSteers) {
    TShownView S(200, 150);
    TIEImageView* V = S.View;
    FillCoded(*V->IEBitmap(), 400, 300);
    V->Update();
    auto* N = new TIEImageView(S.Form);
    N->SetBorderStyle(bsNoBorder);
    N->SetScrollBars(ssNone);
    N->SetParent(S.Form);
    N->SetBounds(220, 10, 100, 75);
    V->SetNavigator(N);
    EXPECT_EQ(N->IEBitmap(), V->IEBitmap());
    EXPECT_TRUE(N->AutoFit());
    EXPECT_EQ(N->MouseInteract(), TIEMouseInteract{miSelect});
    ASSERT_TRUE(N->Selected());
    EXPECT_EQ(N->SelX1(), 0);
    EXPECT_EQ(N->SelY1(), 0);
    V->ScrollTo(100, 60);
    EXPECT_EQ(N->SelX1(), 100);
    EXPECT_EQ(N->SelY1(), 60);
    // Another zoom on Y: the navigator's selection moved by (20, 10) scrolls Y by ZoomY.
    V->SetZoomY(200);
    V->ScrollTo(100, 100);
    const int X1 = N->SelX1(), Y1 = N->SelY1();
    N->MoveSelectionBy(20, 10);
    N->OnSelectionChanging(N);
    EXPECT_EQ(V->ViewX(), X1 + 20);
    EXPECT_EQ(V->ViewY(), (Y1 + 10) * 2);
    // The navigator freed first is forgotten; the main view goes on.
    N->Free();
    V->ScrollTo(0, 0);
    EXPECT_EQ(V->Navigator(), nullptr);
}

// Inputs that fuzzing found: what a view takes saves and loads again unchanged.
TEST(ImageViewSelection, FoundStreamsRoundTrip) {
    TShownView S(120, 100);
    TIEImageView* V = S.View;
    V->IEBitmap()->Allocate(37, 23, ieRGB24);
    V->Update();
    V->SelectionBase = iesbBitmap;
    for (const char* Name : {"regression-reload-differs"}) {
        SCOPED_TRACE(Name);
        std::ifstream F(std::string(TESSARO_TEST_DATA) + "/imaging/fuzzseeds/selection/" + Name, std::ios::binary);
        const std::vector<uint8_t> In((std::istreambuf_iterator<char>(F)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(In.empty());
        V->Deselect();
        if (!LoadBytes(V, In)) continue;
        const std::vector<uint8_t> Once = StreamBytes(V);
        ASSERT_TRUE(LoadBytes(V, Once));
        const std::vector<uint8_t> Twice = StreamBytes(V);
        ASSERT_EQ(Once.size(), Twice.size());
        for (size_t I = 0; I < Once.size(); ++I) ASSERT_EQ(Once[I], Twice[I]) << "byte " << I;
    }
}

}  // namespace
