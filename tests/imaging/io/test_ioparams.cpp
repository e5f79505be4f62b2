#include <gtest/gtest.h>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/ieioparams.h"
#include "iotest_util.h"

TEST(IOParams, DefaultsOfARecordOwnedByAComponent) {
    TIEImageIO io;
    TIOParamsVals& p = *io.Params;
    EXPECT_EQ(p.Width, 0);
    EXPECT_EQ(p.Height, 0);
    EXPECT_EQ(p.DpiX, 300);
    EXPECT_EQ(p.DpiY, 300);
    EXPECT_EQ(p.BitsPerSample, 8);
    EXPECT_EQ(p.SamplesPerPixel, 3);
    EXPECT_EQ(p.JPEGQuality, 80);
    EXPECT_EQ(p.TIFFPageNumber, -1);
    EXPECT_EQ(p.GIFVersion, "GIF89a");
    EXPECT_EQ(p.PSTitle, "No Title");
    EXPECT_EQ(p.ICOSizes[0].cx, 64);
    EXPECT_EQ(p.ICOBitCounts[0], 8);
    EXPECT_EQ(p.ICOBitCounts[1], 0);
    // A record without owner leaves the resolution unset.
    TIOParamsVals lone(nullptr);
    EXPECT_EQ(lone.DpiX, 0);
}

TEST(IOParams, SettersKeepTheirGroupsTogether) {
    TIOParamsVals p(nullptr);
    p.SetDpiX(72);
    EXPECT_DOUBLE_EQ(p.ExifXResolution, 72.0);
    p.SetImageIndex(3);
    for (int v : {p.ImageIndex, p.TIFFImageIndex, p.DCXImageIndex, p.GIFImageIndex, p.ICOImageIndex, p.CURImageIndex})
        EXPECT_EQ(v, 3);
    p.SetImageCount(5);
    for (int v : {p.ImageCount, p.TIFFImageCount, p.AVIFrameCount, p.GIFImageCount, p.MediaFileFrameCount})
        EXPECT_EQ(v, 5);
    p.SetExifOrientation(6);
    EXPECT_EQ(p.TIFFOrientation, 6);
    p.SetGetExifThumbnail(true);
    EXPECT_TRUE(p.GetThumbnail);
    EXPECT_TRUE(p.GetExifThumbnail);
    p.SetDpiYFloat(299.9);
    EXPECT_EQ(p.DpiY, 299);
}

TEST(IOParams, IndexedExifValuesStayInsideTheirArrays) {
    TIOParamsVals p(nullptr);
    p.SetExifISOSpeedRatings(1, 400);
    p.SetExifISOSpeedRatings(2, 999);   // outside: ignored
    p.SetExifISOSpeedRatings(-1, 999);
    EXPECT_EQ(p.GetExifISOSpeedRatings(1), 400);
    EXPECT_EQ(p.GetExifISOSpeedRatings(2), 0);
    p.SetExifReferenceBlackWhite(5, 2.5);
    p.SetExifReferenceBlackWhite(6, 9.0);
    EXPECT_DOUBLE_EQ(p.GetExifReferenceBlackWhite(5), 2.5);
    EXPECT_DOUBLE_EQ(p.GetExifReferenceBlackWhite(6), 0.0);
    EXPECT_DOUBLE_EQ(p.ExifYCbCrPositioning, 0);
    p.SetExifWhitePoint(100000, 1.0);
    p.SetExifYCbCrCoefficients(3, 1.0);
    p.SetExifPrimaryChromaticities(6, 1.0);
    EXPECT_DOUBLE_EQ(p.GetExifPrimaryChromaticities(6), 0.0);
}

TEST(IOParams, AssignCopiesOwnPaletteAndDropsAStaleThumbnail) {
    TIOParamsVals src(nullptr), dst(nullptr);
    src.SetPaletteCount(16);
    src.Palette[15] = TRGB{1, 2, 3};
    src.GIFComments.Add("hello");
    src.JPEGMarkers.AddMarker(254, "abc", 3);
    dst.ExifThumbnail = std::make_unique<TIEBitmap>();
    dst.ExifThumbnail->Allocate(4, 4, ieRGB24);
    dst.Assign(&src);
    EXPECT_EQ(dst.PaletteCount, 16);
    ASSERT_EQ(dst.Palette.size(), 16u);
    EXPECT_NE(dst.Palette.data(), src.Palette.data());
    EXPECT_EQ(dst.Palette[15], (TRGB{1, 2, 3}));
    EXPECT_EQ(dst.GIFComments.Get(0), "hello");
    EXPECT_EQ(dst.JPEGMarkers.GetCount(), 1);
    // The copy describes the source, which has no thumbnail.
    EXPECT_EQ(dst.ExifThumbnail, nullptr);
}

TEST(IOParams, ResetInfoDropsMetadataAndKeepsWriteOptions) {
    TIOParamsVals p(nullptr);
    p.JPEGQuality = 55;
    p.TIFFCompression = 5;
    p.PNGCompression = 9;
    p.JPEGMarkers.AddMarker(225, "Exif\0\0", 6);
    p.PNGTextKeys.Add("k");
    p.TIFFImageDescription = "d";
    p.HasEXIFData = true;
    p.ResetInfo();
    EXPECT_EQ(p.JPEGQuality, 55);
    EXPECT_EQ(p.TIFFCompression, 5);
    EXPECT_EQ(p.PNGCompression, 9);
    EXPECT_EQ(p.JPEGMarkers.GetCount(), 0);
    EXPECT_EQ(p.PNGTextKeys.Count(), 0);
    EXPECT_TRUE(p.TIFFImageDescription.empty());
    EXPECT_FALSE(p.HasEXIFData);
}

TEST(IOParams, DefaultsResetBothCursorHotSpots) {
    TIOParamsVals p(nullptr);
    p.CURXHotSpot = 5;
    p.CURYHotSpot = 7;
    p.SetDefaultParams();
    EXPECT_EQ(p.CURXHotSpot, 0);
    EXPECT_EQ(p.CURYHotSpot, 0);
}

TEST(IOParams, AssignFromTakesOnlyWriteOptions) {
    TIOParamsVals a(nullptr), b(nullptr);
    a.JPEGQuality = 33;
    a.BMPCompression = 1;
    a.Width = 123;
    a.FileName = "x";
    b.AssignFrom(&a);
    EXPECT_EQ(b.JPEGQuality, 33);
    EXPECT_EQ(b.BMPCompression, 1);
    EXPECT_EQ(b.Width, 0);
    EXPECT_TRUE(b.FileName.empty());
}
