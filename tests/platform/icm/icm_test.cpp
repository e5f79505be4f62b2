// Colour-management calls over LittleCMS 2: profiles, transforms, colour types.
#include <gtest/gtest.h>

#include <vector>

#include "platform/icm/icm.h"

namespace {
HPROFILE SRGB() {
    static char name[] = "sRGB Color Space Profile.icm";
    PROFILE p{PROFILE_FILENAME, name, sizeof name};
    return OpenColorProfileA(&p, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
}
}  // namespace

TEST(Icm, SRGBToSRGBKeepsColours) {
    HPROFILE a = SRGB(), b = SRGB();
    ASSERT_NE(a, nullptr);
    HPROFILE pair[2] = {a, b};
    DWORD intents[2] = {0, 0};
    HTRANSFORM t = CreateMultiProfileTransform(pair, 2, intents, 2, BEST_MODE | USE_RELATIVE_COLORIMETRIC, 0);
    ASSERT_NE(t, nullptr);
    COLOR in[2] = {}, out[2] = {};
    in[0].rgb = {65535, 0, 0, 0};
    in[1].rgb = {32896, 32896, 32896, 0};
    ASSERT_TRUE(TranslateColors(t, in, 2, COLOR_RGB, out, COLOR_RGB));
    EXPECT_NEAR(out[0].rgb.red, 65535, 300);
    EXPECT_NEAR(out[0].rgb.green, 0, 300);
    EXPECT_NEAR(out[1].rgb.blue, 32896, 300);
    // The colour types must fit the profiles: RGB in, CMYK out fails cleanly.
    EXPECT_FALSE(TranslateColors(t, in, 1, COLOR_RGB, out, COLOR_CMYK));
    EXPECT_TRUE(DeleteColorTransform(t));
    EXPECT_TRUE(CloseColorProfile(a));
    EXPECT_TRUE(CloseColorProfile(b));
}

TEST(Icm, InvalidProfilesAreRefused) {
    std::vector<uint8_t> junk(200, 0x41);
    PROFILE p{PROFILE_MEMBUFFER, junk.data(), static_cast<DWORD>(junk.size())};
    EXPECT_EQ(OpenColorProfileA(&p, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING), nullptr);
    PROFILE empty{PROFILE_MEMBUFFER, junk.data(), 0};
    EXPECT_EQ(OpenColorProfileA(&empty, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING), nullptr);
    char missing[] = "/nonexistent/profile.icc";
    PROFILE f{PROFILE_FILENAME, missing, sizeof missing};
    EXPECT_EQ(OpenColorProfileA(&f, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING), nullptr);
    HPROFILE one[1] = {nullptr};
    EXPECT_EQ(CreateMultiProfileTransform(one, 1, nullptr, 0, 0, 0), nullptr);
}
