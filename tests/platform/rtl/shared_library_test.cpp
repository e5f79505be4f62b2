// Libraries opened on first use: entries are found and callable, and a missing
// library or entry fails with a message that names it, reported once.
#include <gtest/gtest.h>

#include <string>

#include "platform/rtl/shared_library.h"

namespace {

TEST(SharedLibrary, BindsEntriesOfAnOpenedLibrary) {
    TSharedLibrary Math("arithmetic", "libm.so.6");
    ASSERT_TRUE(Math.Open()) << Math.Error();
    double (*Cos)(double) = nullptr;
    ASSERT_TRUE(Math.Bind(Cos, "cos"));
    EXPECT_DOUBLE_EQ(Cos(0.0), 1.0);
    EXPECT_TRUE(Math.Error().empty());

    double (*Missing)(double) = nullptr;
    EXPECT_FALSE(Math.Bind(Missing, "tessaro_no_such_entry"));
    EXPECT_EQ(Missing, nullptr);
    EXPECT_EQ(Math.Error(), "arithmetic is unavailable: libm.so.6 has no entry tessaro_no_such_entry");
}

TEST(SharedLibrary, MissingLibraryFailsWithItsNameReportedOnce) {
    TSharedLibrary Lib("video decoding", "libtessaro-absent.so.1");
    EXPECT_FALSE(Lib.Open());
    EXPECT_FALSE(Lib.Open());
    int (*Entry)() = nullptr;
    EXPECT_FALSE(Lib.Bind(Entry, "anything"));
    const std::string e = Lib.Error();
    EXPECT_EQ(e.rfind("video decoding is unavailable: ", 0), 0u) << e;
    EXPECT_NE(e.find("libtessaro-absent.so.1"), std::string::npos) << e;

    testing::internal::CaptureStderr();
    Lib.ReportError();
    Lib.ReportError();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "tessaro: " + e + "\n");
}

}  // namespace
