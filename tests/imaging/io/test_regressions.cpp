// Inputs that once made a reader allocate or decode what a header claimed, or
// shift by 32 bits: each now ends at once, refused or with the abort flag.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"
#include "imaging/processing/dibconv.h"
#include "iotest_util.h"

namespace {

std::string Regression(const std::string& Name) { return std::string(TESSARO_TEST_DATA) + "/imaging/regressions/" + Name; }

// Peak resident memory of this process, in MB.
long PeakMB() {
    rusage U{};
    getrusage(RUSAGE_SELF, &U);
    return U.ru_maxrss / 1024;
}

TEST(ReaderRegressions, ClaimedSizesAreNotAllocated) {
    // A tEXt chunk of 1.4 and 2.1 GB behind a 13 x 7 header; a 9229 x 55520
    // JPEG with almost no scan data.
    for (const char* File : {"png-text-chunk-1p4gb.png", "png-text-chunk-2gb.png", "jpeg-grey-9229x55520.jpg"}) {
        TIEImageIO Io;
        Io.LoadFromFile(Regression(File));
        EXPECT_TRUE(Io.Aborting) << File;
    }
    // Far below what any of the claims would take.
    EXPECT_LT(PeakMB(), 700);
}

TEST(ReaderRegressions, WideBitFieldMasksAreRefused) {
    const std::vector<uint8_t> Block = iotest::ReadAll(Regression("dib-16bit-wide-masks.dib"));
    ASSERT_FALSE(Block.empty());
    TIEBitmap Bmp;
    EXPECT_EQ(PackedDIBToIEBitmap(Block.data(), Block.size(), &Bmp), 0);
}

}  // namespace
