// ICC profiles and transforms.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/ieicc.h"
#include "imaging/bitmaps/iemisc.h"

namespace {
std::vector<uint8_t> Load(const char* name) {
    TMemoryStream m;
    m.LoadFromFile(std::string(TESSARO_TEST_DATA) + "/imaging/bitmaps/" + name);
    auto* p = static_cast<uint8_t*>(m.Memory());
    return std::vector<uint8_t>(p, p + m.Size());
}
}  // namespace

TEST(ICC, InvalidProfileIsNotValid) {
    TIEICC a, b;
    std::vector<uint8_t> junk(300);
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<uint8_t>(i * 37);
    EXPECT_FALSE(a.LoadFromBuffer(junk.data(), static_cast<int32_t>(junk.size())));
    EXPECT_FALSE(a.IsValid());
    b.LoadSRGBProfile();
    EXPECT_TRUE(b.IsValid());
    uint8_t px[3] = {1, 2, 3}, out[3] = {};
    EXPECT_FALSE(a.Transform(&b, 0, 1, 0, 0, px, out, 1));
}

TEST(ICC, TransformWritesEveryLayoutAndKeepsTheSource) {
    auto srgb = Load("srgb.icc");
    TIEICC in, out;
    ASSERT_TRUE(in.LoadFromBuffer(srgb.data(), static_cast<int32_t>(srgb.size())));
    out.LoadSRGBProfile();
    ASSERT_TRUE(out.IsValid());
    // Layout 1 (blue, green, red) to layout 1: the colours come back, the source is untouched.
    uint8_t src[6] = {10, 100, 200, 255, 255, 255};
    uint8_t dst[6] = {};
    ASSERT_TRUE(in.Transform(&out, ieiccBGR, ieiccBGR, 0, 0, src, dst, 2));
    EXPECT_EQ(src[0], 10);
    EXPECT_EQ(src[2], 200);
    EXPECT_NEAR(dst[0], 10, 2);
    EXPECT_NEAR(dst[2], 200, 2);
    EXPECT_NEAR(dst[3], 255, 1);
    EXPECT_EQ(in.TransformsCreated(), 1);
    ASSERT_TRUE(in.Transform(&out, ieiccBGR, ieiccBGR, 0, 0, src, dst, 2));
    EXPECT_EQ(in.TransformsCreated(), 1);  // reused for the same layouts
    // Red, green, blue out: every layout the transform answers true for has output.
    uint8_t rgb[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    ASSERT_TRUE(in.Transform(&out, ieiccBGR, ieiccRGB, 0, 0, src, rgb, 2));
    EXPECT_NEAR(rgb[0], 200, 2);
    EXPECT_NEAR(rgb[2], 10, 2);
    EXPECT_EQ(in.TransformsCreated(), 2);
    uint8_t w48[12] = {};
    ASSERT_TRUE(in.Transform(&out, ieiccRGB, ieiccRGB48BE, 0, 0, src, w48, 2));
    EXPECT_NEAR((w48[6] << 8) | w48[7], 65535, 600);
    // A layout whose colour type does not fit the profile fails instead of pretending.
    uint8_t cmyk[8] = {};
    EXPECT_FALSE(in.Transform(&out, ieiccRGB, ieiccCMYK, 0, 0, src, cmyk, 2));

    auto grey = Load("gray22.icc");
    TIEICC g;
    ASSERT_TRUE(g.LoadFromBuffer(grey.data(), static_cast<int32_t>(grey.size())));
    uint8_t gv[2] = {0, 255}, gout[6] = {};
    ASSERT_TRUE(g.Transform(&out, ieiccGray, ieiccBGR, 0, 0, gv, gout, 2));
    EXPECT_NEAR(gout[3], 255, 2);
    EXPECT_NEAR(gout[0], 0, 2);

    TIEICC copy;
    EXPECT_TRUE(copy.Assign(&in));
    EXPECT_EQ(copy.RawLength(), in.RawLength());
}
