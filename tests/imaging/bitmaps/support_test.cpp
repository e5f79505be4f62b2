// Encoders, CIE L*a*b*, number parsing, TIFF header search, tags and streams.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/bitmaps/iemisc.h"
#include "imaging/bitmaps/iesupport.h"

namespace {
std::vector<uint8_t> RLE(const std::vector<uint8_t>& in) {
    std::vector<uint8_t> out(static_cast<size_t>(RunLengthBound(static_cast<int64_t>(in.size()))));
    int64_t n = RunLengthEncode(in.data(), static_cast<int64_t>(in.size()), out.data());
    EXPECT_LE(n, static_cast<int64_t>(out.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

// RunLengthDecode as a PDF or PostScript reader applies it.
std::vector<uint8_t> Unpack(const std::vector<uint8_t>& in) {
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < in.size()) {
        int c = in[i++];
        if (c == 128) break;
        if (c < 128) {
            out.insert(out.end(), in.begin() + static_cast<long>(i), in.begin() + static_cast<long>(i + c + 1));
            i += c + 1;
        } else {
            out.insert(out.end(), static_cast<size_t>(257 - c), in[i++]);
        }
    }
    return out;
}

std::string A85(const std::vector<uint8_t>& in, int64_t& chars) {
    std::string out(static_cast<size_t>(ASCII85BufferBound(static_cast<int64_t>(in.size()))), '\0');
    const uint8_t* s = in.data();
    char* d = out.data();
    int64_t n = ASCII85EncodeBuffer(s, static_cast<int64_t>(in.size()), d, chars);
    EXPECT_EQ(s, in.data() + in.size());
    out.resize(static_cast<size_t>(n));
    return out;
}
}  // namespace

TEST(RunLength, HandComputedOutputs) {
    const uint8_t A = 'A', B = 'B', C = 'C';
    struct {
        std::vector<uint8_t> in, out;
    } cases[] = {
        {{A, A, A, B}, {254, A, 0, B, 128}},
        {{A, B, C, C}, {1, A, B, 255, C, 128}},
        {{A, B, C, C, C}, {1, A, B, 254, C, 128}},
        {{A, B, B}, {0, A, 255, B, 128}},      // a pair that ends the data is a run
        {{}, {128}},
        {{A}, {0, A, 128}},
    };
    for (auto& c : cases) EXPECT_EQ(RLE(c.in), c.out);
    std::vector<uint8_t> same(130, 7);
    EXPECT_EQ(RLE(same), (std::vector<uint8_t>{129, 7, 255, 7, 128}));
    std::vector<uint8_t> lit(129);
    for (int i = 0; i < 129; ++i) lit[i] = static_cast<uint8_t>(i);
    auto out = RLE(lit);
    ASSERT_EQ(out.size(), 1u + 128 + 1 + 1 + 1);
    EXPECT_EQ(out[0], 127);
    EXPECT_EQ(out[129], 0);
}

TEST(RunLength, StaysWithinTheWritersBufferBound) {
    // A B B A B B ... used to take 4 bytes per 3; the writers size Dst as Len + Len div 128 + 2.
    std::vector<uint8_t> abb;
    for (int i = 0; i < 100; ++i) abb.insert(abb.end(), {1, 2, 2});
    std::vector<std::vector<uint8_t>> inputs{abb};
    std::mt19937 gen(5);
    for (int n : {1, 2, 3, 127, 128, 129, 255, 256, 1000}) {
        std::vector<uint8_t> r(static_cast<size_t>(n));
        for (auto& b : r) b = static_cast<uint8_t>(gen() % 3);
        inputs.push_back(r);
        std::vector<uint8_t> pairs(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) pairs[i] = static_cast<uint8_t>((i + 1) / 2 % 2);
        inputs.push_back(pairs);
    }
    for (auto& in : inputs) {
        auto out = RLE(in);
        EXPECT_LE(out.size(), in.size() + in.size() / 128 + 2) << in.size();
        EXPECT_EQ(Unpack(out), in);
    }
}

TEST(ASCII85, GroupsAndLines) {
    const uint8_t zeros[4] = {0, 0, 0, 0};
    char buf[8];
    const uint8_t* s = zeros;
    char* d = buf;
    EXPECT_EQ(ASCII85EncodeGroup(s, 4, d), 1);
    EXPECT_EQ(buf[0], 'z');
    s = zeros;
    d = buf;
    EXPECT_EQ(ASCII85EncodeGroup(s, 1, d), 2);
    EXPECT_EQ(std::string(buf, 2), "!!");
    // "Man " = 0x4D616E20 = 9 * 85^4 + ...: the well-known "9jqo^".
    const uint8_t man[4] = {'M', 'a', 'n', ' '};
    s = man;
    d = buf;
    EXPECT_EQ(ASCII85EncodeGroup(s, 4, d), 5);
    EXPECT_EQ(std::string(buf, 5), "9jqo^");

    std::vector<uint8_t> in(80, 1);
    int64_t chars = 0;
    std::string out = A85(in, chars);
    EXPECT_EQ(chars, 100);
    ASSERT_EQ(out.size(), 106u);
    EXPECT_EQ(out.substr(75, 2), "\r\n");
    EXPECT_EQ(out.substr(102), "~>\r\n");
    std::vector<uint8_t> tail{'M', 'a'};
    chars = 0;
    EXPECT_EQ(A85(tail, chars), "9jn~>\r\n");
}

TEST(CIELab, WhiteBlackAndBack) {
    TCIELab w = RGBToCIELab(TRGB{255, 255, 255});
    EXPECT_NEAR(w.l, 255, 1);
    EXPECT_NEAR(w.a, 0, 1);
    EXPECT_NEAR(w.b, 0, 1);
    EXPECT_EQ(RGBToCIELab(TRGB{0, 0, 0}), (TCIELab{0, 0, 0}));
    EXPECT_EQ(CIELabToRGB(TCIELab{255, 0, 0}), (TRGB{255, 255, 255}));
    EXPECT_EQ(CIELabToRGB(TCIELab{0, 0, 0}), (TRGB{0, 0, 0}));
    TCIELab red = RGBToCIELab(TRGB{0, 0, 255});
    EXPECT_GT(red.a, 60);  // red is far on the a* axis
    TRGB back = CIELabToRGB(red);
    EXPECT_NEAR(back.r, 255, 3);
    EXPECT_NEAR(back.g, 0, 3);
}

TEST(Numbers, AnySeparatorAndScaleToFit) {
    EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloatAnySeparator("1,5", 0)), 1.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloatAnySeparator("1.5", 0)), 1.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloatAnySeparator("abc", 7)), 7.0);
    int32_t w = 0, h = 0;
    ScaleToFit(400, 300, 100, 100, w, h);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 75);
    ScaleToFit(1, 1000, 100, 100, w, h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 100);
    ScaleToFit(10, 20, 100, 100, w, h);  // enlarges too
    EXPECT_EQ(w, 50);
    EXPECT_EQ(h, 100);
}

TEST(TIFFHeader, FoundAndSkipped) {
    std::string mm("\x4D\x4D\x00\x2A\x00\x00\x00\x08xxxxxxxx", 16);
    TStringStream s1(mm);
    EXPECT_EQ(FindTIFFHeader(s1), 0);
    // A candidate whose directory lies past the end is skipped; the next one counts.
    std::string data("\x49\x49\x2A\x00\xFF\x00\x00\x00zz\x49\x49\x2A\x00\x04\x00\x00\x00", 18);
    TStringStream s2(data);
    s2.SetPosition(0);
    EXPECT_EQ(FindTIFFHeader(s2), 10);
    EXPECT_EQ(s2.Position(), 0);
    TStringStream s3("short");
    EXPECT_EQ(FindTIFFHeader(s3), -1);
}

TEST(TagsHandler, EntriesLimitedToData) {
    TIETagsHandler h;
    uint8_t d[2 + 12] = {5, 0, 0x0F, 0x01, 2, 0, 3, 0, 0, 0, 9, 0, 0, 0};  // says 5 entries, holds 1
    h.Data->WriteBuffer(d, sizeof d);
    h.ReadTags();
    ASSERT_EQ(h.EntryCount, 1);
    EXPECT_EQ(h.Entries[0].Tag, 0x010F);
    EXPECT_EQ(h.Entries[0].Count, 3u);
    EXPECT_EQ(h.Entries[0].ValueOrOffset, 9u);
}

TEST(Streams, BufferedReadAndMemoryView) {
    TStringStream src("0123456789");
    TIEBufferedReadStream b(&src, 4);
    char buf[16] = {};
    EXPECT_EQ(b.Read(buf, 10), 10);
    EXPECT_EQ(std::string(buf, 10), "0123456789");
    EXPECT_EQ(b.Read(buf, 1), 0);
    EXPECT_EQ(b.Seek(3, soEnd), 7);
    EXPECT_EQ(b.Read(buf, 2), 2);
    EXPECT_EQ(std::string(buf, 2), "78");
    b.Seek(1, soBeginning);
    EXPECT_EQ(b.Read(buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "123");
    EXPECT_THROW(b.Write(buf, 1), EStreamError);

    const char mem[] = "abcdef";
    TIEMemStream m(mem, 6);
    EXPECT_EQ(m.Write(buf, 3), 0);
    m.Seek(-2, soEnd);
    EXPECT_EQ(m.Read(buf, 10), 2);
    EXPECT_EQ(std::string(buf, 2), "ef");
}

TEST(SmallRoutines, Base64CosineBezierAndTempNames) {
    char out[4];
    const uint8_t one[3] = {'M', 0, 0};
    Base64EncodeGroup(one, out, 1);
    EXPECT_EQ(std::string(out, 4), "TQ==");
    const uint8_t two[3] = {'M', 'a', 0};
    Base64EncodeGroup(two, out, 2);
    EXPECT_EQ(std::string(out, 4), "TWE=");
    TStringStream s60(std::string(60, 'x'));
    std::string text;
    Base64EncodeStreamToText(s60, text, 76);
    EXPECT_EQ(text.size(), 76u + 2 + 4 + 2);
    EXPECT_EQ(text.substr(76, 2), "\r\n");
    TStringStream s3("abc");
    text.clear();
    Base64EncodeStreamToText(s3, text, 76);
    EXPECT_EQ(text, "YWJj\r\n");

    InitCosineTable();
    EXPECT_EQ(IECosineTable[0], 0);
    EXPECT_EQ(IECosineTable[255], 128);
    EXPECT_EQ(IECosineTable[128], 64);

    std::vector<POINT> pts;
    ComputeBezier(POINT{0, 0}, POINT{0, 0}, POINT{10, 10}, POINT{10, 10}, 2, pts);
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_EQ(pts[0].x, 5);
    EXPECT_EQ(pts[1].x, 10);

    EXPECT_EQ(SwapWordBytesIf(0x11223344, true), 0x4433);
    EXPECT_EQ(SwapWordBytesIf(0x11223344, false), 0x11223344);
    EXPECT_EQ(SwapDWordBytesIf(0x11223344, true), 0x44332211);

    std::string n = MakeTempFileName("IMG", "/tmp/");
    ASSERT_EQ(n.size(), std::string("/tmp/IMG-12345678.tmp").size());
    EXPECT_EQ(n.substr(0, 9), "/tmp/IMG-");
    for (char c : n.substr(9, 8)) EXPECT_TRUE(std::isdigit(c) || (c >= 'A' && c <= 'F')) << n;
}

TEST(EXIFBlock, HeaderCheckedWithinTheBlock) {
    const uint8_t* tiff;
    int64_t n;
    const char good[] = "Exif\0\0MM\0*";
    EXPECT_TRUE(IEEXIFBlockTIFFPart(good, 10, tiff, n));
    EXPECT_EQ(n, 4);
    EXPECT_EQ(tiff[0], 'M');
    const char other[] = "Exif\x01\0MM";
    EXPECT_FALSE(IEEXIFBlockTIFFPart(other, 8, tiff, n));
    // No 0 byte and shorter than the header: refused without reading past the block.
    std::vector<uint8_t> shortBlock{'E', 'x', 'i', 'f'};
    EXPECT_FALSE(IEEXIFBlockTIFFPart(shortBlock.data(), 4, tiff, n));
    EXPECT_FALSE(IEEXIFBlockTIFFPart(good, 5, tiff, n));
}
