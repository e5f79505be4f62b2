// Lists, hash set, byte array, counting stream and the small routines of the image library.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>

#include "imaging/bitmaps/ieutils.h"

TEST(Hash1, KeysOfOneBucketChainAndDuplicatesAreRefused) {
    THash1 h(4);
    EXPECT_TRUE(h.AddKey(5));
    EXPECT_TRUE(h.AddKey(5 + 16));
    EXPECT_TRUE(h.AddKey(5 + 32));
    EXPECT_FALSE(h.AddKey(5));
    EXPECT_FALSE(h.AddKey(5 + 32));
    EXPECT_EQ(h.KeyCount, 3);
    EXPECT_EQ(h.BucketStates[5], 2);
    int32_t index;
    THash1Item* item;
    EXPECT_TRUE(h.Insert(7, index, item));
    EXPECT_EQ(index, 7);
    EXPECT_EQ(item, nullptr);  // held directly in its bucket
}

TEST(IEList, AddDeleteAndAssign) {
    TIERecordList r(16);
    uint8_t rec[16];
    std::memset(rec, 7, 16);
    EXPECT_EQ(r.AddItem(rec), 0);
    std::memset(rec, 9, 16);
    EXPECT_EQ(r.AddItem(rec), 1);
    r.Delete(r.ItemCount);  // out of range: nothing
    EXPECT_EQ(r.ItemCount, 2);
    r.Delete(0);
    ASSERT_EQ(r.ItemCount, 1);
    EXPECT_EQ(static_cast<uint8_t*>(r.GetItem(0))[15], 9);
    r.Delete(0);
    EXPECT_EQ(r.ItemCount, 0);

    TIEIntegerList a, b;
    a.AddValue(3);
    a.AddValue(-4);
    a.Values[2] = 11;
    b.Assign(&a);
    ASSERT_EQ(b.Count(), 2);
    EXPECT_EQ(b.Get(1), -4);
    EXPECT_EQ(b.Values[2], 11);
    b.Clear();
    EXPECT_EQ(b.Count(), 0);
    EXPECT_FALSE(b.Modified);
    EXPECT_EQ(b.ElementSize, 4);
}

TEST(IEByteArray, GrowsByBlocks) {
    TIEByteArray a;
    a.SetSize(8192);
    EXPECT_EQ(a.Capacity, 8192);
    a.Data[8191] = 42;
    a.SetSize(8193);
    EXPECT_EQ(a.Capacity, 16385);
    EXPECT_EQ(a.Data[8191], 42);
    a.AppendByte(5);
    EXPECT_EQ(a.Size, 8194);
    EXPECT_EQ(a.Data[8193], 5);
    TStringStream s("abc");
    EXPECT_EQ(a.AppendFromStream(s, 10), 3);
    EXPECT_EQ(a.Size, 8197);
    EXPECT_EQ(a.Data[8196], 'c');
}

TEST(NulStream, CountsWithoutStoring) {
    TNulStream s;
    char buf[100] = {};
    s.Write(buf, 100);
    s.Seek(10, soBeginning);
    s.Write(buf, 5);
    EXPECT_EQ(s.Position(), 15);
    EXPECT_EQ(s.Size(), 100);
    EXPECT_EQ(s.Seek(3, soEnd), 97);  // the library's streams count back from the end
}

TEST(WriteStreamChecked, ShortWriteSetsAborting) {
    class Short : public TStream {
    public:
        int64_t Read(void*, int64_t) override { return 0; }
        int64_t Write(const void*, int64_t Count) override { return Count / 2; }
        int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
    } shortStream;
    std::atomic<bool> aborting{false};
    char b[8] = {};
    TNulStream ok;
    WriteStreamChecked(ok, aborting, b, 8);
    EXPECT_FALSE(aborting);
    WriteStreamChecked(shortStream, aborting, b, 8);
    EXPECT_TRUE(aborting);
}

TEST(SmallRoutines, BitsRowsAndBytes) {
    struct {
        int32_t n, bits;
    } counts[] = {{1, 0}, {2, 1}, {3, 2}, {256, 8}, {257, 9}, {0, -1}};
    for (auto c : counts) EXPECT_EQ(BitsForCount(c.n), c.bits) << c.n;
    EXPECT_EQ(CalcRowLength(1, 1, 32), 4);
    EXPECT_EQ(CalcRowLength(3, 8, 8), 3);
    EXPECT_EQ(CalcRowLength(3, 24, 32), 12);
    EXPECT_EQ(CalcRowLength(9, 1, 32), 4);
    EXPECT_THROW(CalcRowLength(2000000000, 48, 32), ERangeError);
    EXPECT_EQ(BitMaskWidth(0), 0);
    EXPECT_EQ(BitMaskWidth(0x7E0), 6);
    EXPECT_EQ(BitMaskWidth(0xF800), 5);
    uint8_t b = 0x01;
    ReverseByteBits(b);
    EXPECT_EQ(b, 0x80);
    uint32_t d = 0x00000001;
    ReverseDWordBits(d);
    EXPECT_EQ(d, 0x80000000u);
    EXPECT_EQ(SwapWordBytes(0x12345678), 0x12347856);
    EXPECT_EQ(SwapDWordBytes(0x12345678), 0x78563412);
    EXPECT_EQ(CalcColorCount(8, 3), 16777216);
    EXPECT_EQ(CalcColorCount(4, 0), 1);
    EXPECT_DOUBLE_EQ(static_cast<double>(IEIntPow(2, -2)), 0.25);
    EXPECT_DOUBLE_EQ(static_cast<double>(IEPow(0, 3)), 0.0);
    EXPECT_NEAR(static_cast<double>(IEPow(2, 0.5)), 1.41421356, 1e-8);
    EXPECT_NEAR(static_cast<double>(IEPowDouble(9, 0.5)), 3.0, 1e-12);
}

TEST(SmallRoutines, Geometry) {
    struct {
        int32_t x, y, ex, ey;
    } lines[] = {{100, 10, 100, 0}, {10, 100, 0, 100}, {50, 40, 50, 50}};
    for (auto l : lines) {
        int32_t x = l.x, y = l.y;
        ConstrainLine45(0, 0, x, y);
        EXPECT_EQ(x, l.ex);
        EXPECT_EQ(y, l.ey);
    }
    EXPECT_EQ(RectContainment(10, 10, 20, 20, 0, 0, 30, 30), 0);
    EXPECT_EQ(RectContainment(0, 0, 30, 30, 10, 10, 20, 20), 2);
    EXPECT_EQ(RectContainment(0, 0, 30, 30, 10, 10, 40, 20), 1);
    EXPECT_TRUE(RectsIntersect(5, 5, 0, 0, 5, 5, 9, 9));
    EXPECT_FALSE(RectsIntersect(0, 0, 4, 4, 5, 5, 9, 9));
    EXPECT_TRUE(IsPointInRect(5, 5, 5, 5, 5, 5));
    EXPECT_DOUBLE_EQ(DistancePointToSegment(5, 5, 0, 0, 10, 0), 5.0);
    EXPECT_DOUBLE_EQ(DistancePointToSegment(13, 4, 0, 0, 10, 0), 5.0);
    EXPECT_DOUBLE_EQ(DistancePointToSegment(100000, 0, 0, 0, 10, 0), 1000000.0);
}

TEST(ForceDirectories, CreatesParentsAndReportsFailure) {
    std::string base = std::string(testing::TempDir()) + "img1_force_" + std::to_string(::getpid());
    IEForceDirectories(base + "/a/b/");
    EXPECT_TRUE(IEDirectoryExists(base + "/a/b"));
    EXPECT_THROW(IEForceDirectories(""), Exception);
    EXPECT_THROW(IEForceDirectories("/proc/img1_cannot/x"), Exception);
    ::rmdir((base + "/a/b").c_str());
    ::rmdir((base + "/a").c_str());
    ::rmdir(base.c_str());
}
