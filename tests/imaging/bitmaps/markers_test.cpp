// JPEG markers, IPTC round trips and annotation round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemarkers.h"

TEST(Markers, AddSetDeleteAssign) {
    TIEMarkerList m;
    EXPECT_EQ(m.IndexOf(254), -1);
    m.AddMarker(225, "Exif", 4);
    m.AddMarker(254, "hello", 5);
    EXPECT_EQ(m.IndexOf(254), 1);
    EXPECT_EQ(m.GetMarkerLength(1), 5);
    EXPECT_EQ(std::memcmp(m.GetMarkerData(1), "hello", 5), 0);
    m.SetMarker(0, 226, "ab", 2);
    EXPECT_EQ(m.GetMarkerType(0), 226);
    TIEMarkerList c;
    c.Assign(&m);
    m.DeleteMarker(0);
    EXPECT_EQ(m.GetCount(), 1);
    EXPECT_EQ(c.GetCount(), 2);
    EXPECT_THROW(m.DeleteMarker(5), EListError);
}

TEST(IPTC, RoundTripWithAndWithoutHeader) {
    TIEIPTCInfoList l;
    l.AddItem(2, 0, 2, "\x00\x02");
    l.AddItem(2, 5, 5, "Title");
    std::string big(40000, 'x');
    l.AddItem(2, 120, 40000, big.data());
    for (bool header : {false, true}) {
        auto buf = l.SaveToBuffer(header);
        EXPECT_EQ(buf.size() % 2, 0u);
        TIEIPTCInfoList r;
        r.LoadFromBuffer(buf.data(), static_cast<int64_t>(buf.size()));
        EXPECT_FALSE(r.Changed);
        // Without the header the version dataset is written anew; with it, it is left out.
        int first = header ? 0 : 1;
        ASSERT_EQ(r.GetCount(), first + 2);
        EXPECT_EQ(r.GetDataSet(first), 5);
        EXPECT_EQ(r.GetItemString(first), "Title");
        EXPECT_EQ(r.GetData(first + 1).size(), 40000u);
    }
    // The extended length form for 40000 bytes.
    auto buf = l.SaveToBuffer(false);
    const uint8_t ext[] = {0x1C, 2, 120, 0x80, 0x04, 0x00, 0x00, 0x9C, 0x40};
    EXPECT_NE(std::search(buf.begin(), buf.end(), ext, ext + 9), buf.end());
}

TEST(IPTC, PhotoshopHeaderAndPadding) {
    TIEIPTCInfoList l;
    l.AddItem(2, 0, 2, "\x00\x02");
    l.AddItem(2, 5, 4, "Tide");
    auto b = l.SaveToBuffer(true);
    // 26 header bytes + 9 dataset bytes = 35, padded to 36; the size field says 9.
    ASSERT_EQ(b.size(), 36u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b.data()), 13), "Photoshop 3.0");
    EXPECT_EQ(b[13], 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b.data()) + 14, 4), "8BIM");
    EXPECT_EQ(b[18], 4);
    EXPECT_EQ(b[19], 4);
    EXPECT_EQ(b[25], 9);
    EXPECT_EQ(b[26], 0x1C);
    EXPECT_EQ(b[35], 0);
}

TEST(IPTC, MalformedBlocksStopSafely) {
    TIEIPTCInfoList l;
    // Leading bytes are skipped to the first 0x1C.
    const uint8_t lead[] = {1, 2, 3, 0x1C, 2, 5, 0, 2, 'o', 'k'};
    l.LoadFromBuffer(lead, sizeof lead);
    ASSERT_EQ(l.GetCount(), 1);
    EXPECT_EQ(l.GetItemString(0), "ok");
    // An extended length whose four bytes are not all there.
    const uint8_t shortExt[] = {0x1C, 2, 5, 0x80, 0x04, 0x00, 0x00};
    l.LoadFromBuffer(shortExt, sizeof shortExt);
    EXPECT_EQ(l.GetCount(), 0);
    // A huge extended length does not wrap round.
    const uint8_t huge[] = {0x1C, 2, 5, 0x80, 0x04, 0xFF, 0xFF, 0xFF, 0xF8, 'a', 'b'};
    l.LoadFromBuffer(huge, sizeof huge);
    EXPECT_EQ(l.GetCount(), 0);
    // A length past the end keeps what came before it.
    const uint8_t past[] = {0x1C, 2, 5, 0, 1, 'a', 0x1C, 2, 6, 0, 9, 'b'};
    l.LoadFromBuffer(past, sizeof past);
    EXPECT_EQ(l.GetCount(), 1);
}

namespace {
std::unique_ptr<TIEImagingObject> Mark(int32_t type) {
    auto o = std::make_unique<TIEImagingObject>();
    std::memcpy(o->Attributes, &type, 4);
    for (int i = 4; i < 164; ++i)
        if (i < 48 || i >= 52) o->Attributes[i] = static_cast<uint8_t>(i);
    return o;
}
}  // namespace

TEST(Annotations, RoundTripOfTextAndLineMarks) {
    IEAnnotScreenDpiY = 96;
    TIEImagingAnnot a;
    auto t = Mark(7);
    t->Text = "Hello";
    t->SetFontHeight(12);
    a.Objects.push_back(std::move(t));
    auto l = Mark(3);
    l->Points = {{1, 2}, {30, -4}, {7, 8}};
    a.Objects.push_back(std::move(l));
    auto other = Mark(13);
    a.Objects.push_back(std::move(other));
    auto buf = a.SaveToBuffer();

    // Order of the first text mark: header, OiGroup, OiIndex, attributes, OiAnText, OiGroup, OiIndex "0".
    auto at = [&](size_t i) { auto* c = reinterpret_cast<char*>(buf.data()) + i; return std::string(c, strnlen(c, 8)); };
    size_t pos = 8;
    EXPECT_EQ(at(pos + 8), "OiGroup");
    pos += 8 + 12 + 2;
    EXPECT_EQ(at(pos + 8), "OiIndex");
    pos += 8 + 12 + 2;
    EXPECT_EQ(buf[pos], 5);
    pos += 8 + 164;
    EXPECT_EQ(at(pos + 8), "OiAnText");
    int32_t size;
    std::memcpy(&size, buf.data() + pos + 16, 4);
    EXPECT_EQ(size, 16 + 6);
    int32_t scale;
    std::memcpy(&scale, buf.data() + pos + 20 + 8, 4);
    EXPECT_EQ(scale, 750);  // 72000 div 96
    pos += 8 + 12 + size;
    EXPECT_EQ(at(pos + 8), "OiGroup");
    pos += 8 + 12 + 2;
    EXPECT_EQ(at(pos + 8), "OiIndex");
    EXPECT_EQ(at(pos + 20), "0");

    TIEImagingAnnot r;
    r.LoadFromBuffer(buf.data(), static_cast<int64_t>(buf.size()));
    ASSERT_EQ(r.Objects.size(), 3u);
    EXPECT_EQ(r.Objects[0]->MarkType(), 7);
    EXPECT_EQ(r.Objects[0]->Text, "Hello");
    EXPECT_EQ(r.Objects[0]->FontHeight(), 12);  // 72000 / 750 x 12 / 96
    EXPECT_EQ(std::memcmp(r.Objects[0]->Attributes + 52, a.Objects[0]->Attributes + 52, 112), 0);
    ASSERT_EQ(r.Objects[1]->Points.size(), 3u);
    EXPECT_EQ(r.Objects[1]->Points[1].x, 30);
    EXPECT_EQ(r.Objects[1]->Points[1].y, -4);
    EXPECT_EQ(r.Objects[2]->MarkType(), 13);

    TIEImagingAnnot c;
    c.Assign(&r);
    EXPECT_EQ(c.Objects[1]->Points.size(), 3u);
    EXPECT_TRUE(TIEImagingAnnot().SaveToBuffer().empty());
}

TEST(Annotations, MalformedBlocksAreBounded) {
    IEAnnotScreenDpiY = 0;  // views not started: 96 is used instead of dividing by 0
    TIEImagingAnnot a;
    auto t = Mark(8);
    t->Text = "x";
    t->SetFontHeight(10);
    a.Objects.push_back(std::move(t));
    auto buf = a.SaveToBuffer();
    // Every truncation of a valid block reads without going past it.
    for (size_t n = 0; n < buf.size(); ++n) {
        std::vector<uint8_t> cut(buf.begin(), buf.begin() + static_cast<long>(n));
        TIEImagingAnnot r;
        r.LoadFromBuffer(cut.data(), static_cast<int64_t>(cut.size()));
    }
    // A text block with a scale of 0 keeps the stored height.
    std::vector<uint8_t> z = buf;
    const char key[] = "OiAnText";
    auto it = std::search(z.begin(), z.end(), key, key + 8);
    ASSERT_NE(it, z.end());
    size_t dataAt = static_cast<size_t>(it - z.begin()) + 12;
    std::memset(z.data() + dataAt + 8, 0, 4);
    TIEImagingAnnot r;
    r.LoadFromBuffer(z.data(), static_cast<int64_t>(z.size()));
    ASSERT_EQ(r.Objects.size(), 1u);
    EXPECT_EQ(r.Objects[0]->FontHeight(), 10);
    // A scale of 1 with the largest stored height: the scaled height fits no
    // int, so the stored one is kept (found by fuzzing).
    TIEImagingAnnot h;
    auto ht = Mark(8);
    ht->Text = "x";
    ht->SetFontHeight(INT32_MAX);
    h.Objects.push_back(std::move(ht));
    auto hb = h.SaveToBuffer();
    auto hk = std::search(hb.begin(), hb.end(), key, key + 8);
    ASSERT_NE(hk, hb.end());
    const uint8_t one[4] = {1, 0, 0, 0};
    std::memcpy(hb.data() + (hk - hb.begin()) + 12 + 8, one, 4);
    TIEImagingAnnot rh;
    rh.LoadFromBuffer(hb.data(), static_cast<int64_t>(hb.size()));
    ASSERT_EQ(rh.Objects.size(), 1u);
    EXPECT_EQ(rh.Objects[0]->FontHeight(), INT32_MAX);
    // A line mark claiming more points than its block holds.
    TIEImagingAnnot l;
    auto m = Mark(4);
    m->Points = {{1, 1}};
    l.Objects.push_back(std::move(m));
    auto lb = l.SaveToBuffer();
    const char ano[] = "OiAnoDat";
    auto at = std::search(lb.begin(), lb.end(), ano, ano + 8);
    size_t d = static_cast<size_t>(at - lb.begin()) + 12;
    lb[d + 4] = 0xFF;
    lb[d + 5] = 0xFF;
    TIEImagingAnnot lr;
    lr.LoadFromBuffer(lb.data(), static_cast<int64_t>(lb.size()));
    ASSERT_EQ(lr.Objects.size(), 1u);
    EXPECT_EQ(lr.Objects[0]->Points.size(), 1u);
}

TEST(Annotations, ImageMarkRoundTrip) {
    IEAnnotScreenDpiX = IEAnnotScreenDpiY = 96;
    TIEImagingAnnot a;
    auto m = Mark(1);
    m->Image = std::make_unique<TIEBitmap>();
    m->Image->Allocate(3, 2, ieRGB24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) m->Image->SetPixelRGB24(x, y, TRGB{uint8_t(x * 50), uint8_t(y * 90), 7});
    a.Objects.push_back(std::move(m));
    auto buf = a.SaveToBuffer();
    const char dibName[] = "OiDIB";
    EXPECT_NE(std::search(buf.begin(), buf.end(), dibName, dibName + 5), buf.end());
    TIEImagingAnnot r;
    r.LoadFromBuffer(buf.data(), static_cast<int64_t>(buf.size()));
    ASSERT_EQ(r.Objects.size(), 1u);
    ASSERT_NE(r.Objects[0]->Image, nullptr);
    TIEBitmap& img = *r.Objects[0]->Image;
    ASSERT_EQ(img.Width(), 3);
    ASSERT_EQ(img.Height(), 2);
    EXPECT_EQ(img.GetPixelRGB24(2, 1), (TRGB{100, 90, 7}));
    TIEImagingAnnot c;
    c.Assign(&r);
    ASSERT_NE(c.Objects[0]->Image, nullptr);
    EXPECT_EQ(c.Objects[0]->Image->GetPixelRGB24(0, 0), (TRGB{0, 0, 7}));
}
