// Virtual image list: many thumbnails in one file, a small cache, lending and reuse of room.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/bitmaps/ievirtual.h"

namespace {
std::unique_ptr<TIEBitmap> Thumb(int n, int w = 40, int h = 30, TIEPixelFormat f = ieRGB24) {
    auto b = std::make_unique<TIEBitmap>();
    b->Allocate(w, h, f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto v = static_cast<uint8_t>(n * 7 + x + 3 * y);
            switch (f) {
                case ieRGB24: b->SetPixelRGB24(x, y, TRGB{v, static_cast<uint8_t>(n), static_cast<uint8_t>(y)}); break;
                case ieRGB48: b->SetPixelRGB48(x, y, TRGB48{uint16_t(v * 257), uint16_t(n), uint16_t(y)}); break;
                case ie8p: b->SetPixel8(x, y, v); break;
                case ie1g: b->SetPixel1(x, y, (x + y + n) % 2); break;
                default: break;
            }
        }
    return b;
}

void ExpectSame(TIEBitmap& a, TIEBitmap& b) {
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    ASSERT_EQ(a.PixelFormat(), b.PixelFormat());
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) ASSERT_EQ(a.GetPixelRGB(x, y), b.GetPixelRGB(x, y)) << x << "," << y;
}
}  // namespace

TEST(VirtualImageList, TwoHundredThumbnailsWithACacheOfEight) {
    TIEVirtualImageList list("ILIST");
    list.MaxMapped = 8;
    std::vector<TIEVirtualImageInfo*> infos;
    for (int n = 0; n < 200; ++n) {
        auto t = Thumb(n);
        infos.push_back(list.AddBitmap(t.get()));
        ASSERT_NE(infos.back()->Data, nullptr);
        ASSERT_LE(list.MappedCount, 8);
    }
    EXPECT_EQ(list.Count(), 200);
    EXPECT_GT(list.FileSize, 262144);  // it grew
    for (int n = 0; n < 200; n += 7) {
        auto want = Thumb(n);
        TIEBitmap got;
        list.CopyToIEBitmap(infos[n], &got);
        ExpectSame(got, *want);
        EXPECT_LE(list.MappedCount, 8);
        EXPECT_EQ(list.MappedImages.back(), infos[n]);  // most recently used last
    }
    // Rows of a stored image, bottom row first.
    auto* bits = static_cast<uint8_t*>(list.GetImageBits(infos[5]));
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits[0], static_cast<uint8_t>(5 * 7 + 0 + 3 * 29));
}

TEST(VirtualImageList, LeastRecentlyUsedIsEvicted) {
    TIEVirtualImageList list("ILIST");
    std::vector<TIEVirtualImageInfo*> infos;
    for (int n = 0; n < 11; ++n) infos.push_back(list.AddBitmap(Thumb(n).get()));
    EXPECT_EQ(list.MappedCount, 10);
    EXPECT_EQ(infos[0]->Data, nullptr);
    EXPECT_NE(infos[1]->Data, nullptr);
    list.GetImageBits(infos[0]);
    EXPECT_NE(infos[0]->Data, nullptr);
    EXPECT_EQ(infos[1]->Data, nullptr);
}

TEST(VirtualImageList, RoomIsReusedAndTheFileShrinks) {
    TIEVirtualImageList list("ILIST");
    auto* a = list.AddBitmap(Thumb(1).get());
    auto* b = list.AddBitmap(Thumb(2).get());
    int64_t posA = a->Position;
    list.Delete(a);
    auto* c = list.AddBitmap(Thumb(3, 20, 20).get());  // smaller: a's room
    EXPECT_EQ(c->Position, posA);
    auto* d = list.AddBitmap(Thumb(4, 80, 80).get());  // larger: appended
    EXPECT_GT(d->Position, b->Position);
    // Growing the file keeps room given back before.
    list.Delete(c);
    ASSERT_EQ(list.FreeChunks.size(), 1u);
    for (int n = 0; n < 60; ++n) list.AddBitmap(Thumb(n, 100, 100).get());
    EXPECT_GT(list.FileSize, 262144);
    auto* e = list.AddBitmap(Thumb(5, 20, 20).get());
    EXPECT_EQ(e->Position, posA);
    // Deleting the last image shrinks the file and forgets the free room.
    while (list.Count() > 0) list.Delete(list.Image(0));
    EXPECT_EQ(list.FileSize, list.GrowthStep);
    EXPECT_TRUE(list.FreeChunks.empty());
    EXPECT_EQ(list.NextPos, 0);
    EXPECT_THROW(list.Delete(e), EListError);
    // After Clear the next image makes a new file.
    list.Clear();
    auto* f = list.AddBitmap(Thumb(6).get());
    EXPECT_NE(f->Data, nullptr);
}

TEST(VirtualImageList, AlphaFullAndPartial) {
    TIEVirtualImageList list("ILIST");
    auto full = Thumb(1);
    full->GetAlphaChannel();  // all 255
    auto* a = list.AddBitmap(full.get());
    TIEBitmap back;
    list.CopyToIEBitmap(a, &back);
    EXPECT_FALSE(back.HasAlphaChannel());
    EXPECT_EQ(list.GetAlphaBits(a), nullptr);

    auto part = Thumb(2);
    part->SetAlpha(3, 4, 17);
    auto* p = list.AddBitmap(part.get());
    list.CopyToIEBitmap(p, &back);
    ASSERT_TRUE(back.HasAlphaChannel());
    EXPECT_EQ(back.GetAlpha(3, 4), 17);
    EXPECT_EQ(back.GetAlpha(0, 0), 255);
    EXPECT_NE(list.GetAlphaBits(p), nullptr);
}

TEST(VirtualImageList, EveryFormatComesBackWithItsRows) {
    TIEVirtualImageList list("ILIST");
    for (TIEPixelFormat f : {ie1g, ie8p, ieRGB24, ieRGB48}) {
        auto t = Thumb(3, 13, 5, f);
        if (f == ie8p)
            for (int i = 0; i < 256; ++i) t->SetPalette(i, TRGB{uint8_t(i), uint8_t(255 - i), 9});
        auto* info = list.AddBitmap(t.get());
        TIEBitmap back;
        list.CopyToIEBitmap(info, &back);
        ExpectSame(back, *t);
    }
}

TEST(VirtualImageList, LendingAndWriteBack) {
    TIEVirtualImageList list("ILIST");
    auto* info = list.AddBitmap(Thumb(1).get());
    TIEBitmap* b1 = list.GetBitmap(info);
    TIEBitmap* b2 = list.GetBitmap(info);
    ASSERT_NE(b1, nullptr);
    EXPECT_EQ(b1, b2);
    EXPECT_TRUE(info->Lent);
    b1->SetPixelRGB24(0, 0, TRGB{1, 2, 3});
    list.ReleaseBitmap(b1, true);
    EXPECT_TRUE(info->Lent);
    // Changing the size while lent: the lent bitmap answers.
    b2->SetWidth(50);
    EXPECT_EQ(list.GetImageWidth(info), 50);
    list.ReleaseBitmap(b2, true);
    EXPECT_FALSE(info->Lent);
    EXPECT_EQ(list.GetImageWidth(info), 50);
    TIEBitmap back;
    list.CopyToIEBitmap(info, &back);
    EXPECT_EQ(back.GetPixelRGB24(0, 0), (TRGB{1, 2, 3}));
    EXPECT_EQ(list.FreeChunks.size(), 1u);  // the old room was given back
    TIEBitmap stranger;
    list.ReleaseBitmap(&stranger, true);  // not lent by this list: nothing
}
