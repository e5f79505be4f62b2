#include <gtest/gtest.h>

#include <cstring>

#include "imaging/bitmaps/ieicc.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/iejpeg.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {

std::vector<uint8_t> Bytes(TMemoryStream& ms) {
    auto* p = static_cast<uint8_t*>(ms.Memory());
    return std::vector<uint8_t>(p, p + ms.Size());
}

std::vector<uint8_t> SaveJPEG(TIEBitmap& b, const std::function<void(TIOParamsVals&)>& setup) {
    TIEImageIO w;
    w.SetTargetBitmap(&b);
    setup(*w.Params);
    TMemoryStream ms;
    w.SaveToStreamJPEG(ms);
    EXPECT_FALSE(w.Aborting);
    return Bytes(ms);
}

// A smooth image: JPEG keeps it within a few levels.
void Smooth(TIEBitmap& b, int32_t w, int32_t h) {
    b.Allocate(w, h, ieRGB24);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b.SetPixelRGB24(x, y, TRGB{static_cast<uint8_t>(x * 255 / w), static_cast<uint8_t>(y * 255 / h), 128});
}

int MaxDiff(TIEBitmap& a, TIEBitmap& b) {
    int m = 0;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x) {
            TRGB p = a.GetPixelRGB(x, y), q = b.GetPixelRGB(x, y);
            m = std::max({m, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
        }
    return m;
}

}  // namespace

TEST(JPEGReader, FilesWrittenByImageMagick) {
    struct Case {
        const char* file;
        int spp, colorSpace;
        bool progressive;
    } cases[] = {{"jpeg420.jpg", 3, 2, false},
                 {"jpeggrey.jpg", 1, 1, false},
                 {"jpegprog.jpg", 3, 2, true},
                 {"jpegcmyk.jpg", 4, 4, false}};  // the codec stores CMYK input as YCCK
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TIEImageIO io;
        io.LoadFromFile(DataDir() + c.file);
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.IEBitmap()->PixelFormat(), ieRGB24);
        EXPECT_EQ(io.Params->SamplesPerPixel, c.spp);
        EXPECT_EQ(io.Params->JPEGColorSpace, c.colorSpace);
        EXPECT_EQ(io.Params->JPEGProgressive, c.progressive);
        EXPECT_EQ(io.Params->Width, 13);
        // Two decoders of the same library: equal up to rounding.
        EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + std::string(c.file) + ".rgba"), 2), 0);
    }
}

TEST(JPEGReader, NativeGreyAndCMYK) {
    TIEImageIO io;
    io.SetNativePixelFormat(true);
    io.LoadFromFile(DataDir() + "jpeggrey.jpg");
    EXPECT_EQ(io.IEBitmap()->PixelFormat(), ie8g);
    io.LoadFromFile(DataDir() + "jpegcmyk.jpg");
    EXPECT_EQ(io.IEBitmap()->PixelFormat(), ieCMYK);
}

// Rows are decoded straight into the bitmap, several at a time where its storage
// allows: every row lands in its place in memory and in a temporary file alike,
// and grey read as colour repeats the native grey sample in all three channels.
TEST(JPEGReader, RowsLandInTheirPlaceInEveryStorage) {
    TIEBitmap src;
    Smooth(src, 203, 157);
    for (bool grey : {false, true}) {
        SCOPED_TRACE(grey ? "grey" : "colour");
        auto file = SaveJPEG(src, [&](TIOParamsVals& p) {
            p.JPEGQuality = 95;
            if (grey) p.JPEGColorSpace = 1;
        });
        auto load = [&](TIEBitmap& into, bool native) {
            TIEImageIO io;
            io.SetTargetBitmap(&into);
            io.SetNativePixelFormat(native);
            io.LoadFromBuffer(file.data(), static_cast<int64_t>(file.size()), ioJPEG);
            EXPECT_FALSE(io.Aborting);
        };
        TIEBitmap inMemory, inFile;
        inMemory.SetLocation(ieMemory);
        inFile.SetLocation(ieTempFile);
        inFile.MinFileSize = 0;
        load(inMemory, false);
        load(inFile, false);
        ASSERT_EQ(inFile.Location(), ieTempFile);
        ASSERT_EQ(inMemory.PixelFormat(), ieRGB24);
        ASSERT_EQ(inFile.PixelFormat(), ieRGB24);
        ASSERT_EQ(inMemory.Height(), 157);
        int differing = 0;
        for (int32_t y = 0; y < 157; ++y)
            differing += std::memcmp(inMemory.Scanline(y), inFile.Scanline(y), 203 * 3) != 0;
        EXPECT_EQ(differing, 0);
        if (!grey) {
            EXPECT_LE(MaxDiff(inMemory, src), 6);
            continue;
        }
        TIEBitmap native;
        native.SetLocation(ieMemory);
        load(native, true);
        ASSERT_EQ(native.PixelFormat(), ie8g);
        int wrong = 0, far = 0;
        for (int32_t y = 0; y < 157; ++y) {
            const uint8_t* g = native.Scanline(y);
            const uint8_t* c = inMemory.Scanline(y);
            for (int32_t x = 0; x < 203; ++x) {
                wrong += c[x * 3] != g[x] || c[x * 3 + 1] != g[x] || c[x * 3 + 2] != g[x];
                const TRGB p = src.GetPixelRGB(x, y);
                far += std::abs(g[x] - (p.r * 299 + p.g * 587 + p.b * 114) / 1000) > 6;
            }
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(far, 0);
    }
}

TEST(JPEGReader, ScalingResolutionAndStartSearch) {
    TIEBitmap b;
    Smooth(b, 320, 240);
    auto file = SaveJPEG(b, [](TIOParamsVals& p) { p.SetDpiX(96); p.SetDpiY(96); });
    struct Case {
        int reqW, reqH, denom, outW, outH;
    } cases[] = {{40, 30, 8, 40, 30}, {41, 30, 4, 80, 60}, {300, 300, 1, 320, 240}};
    for (const auto& c : cases) {
        TIEImageIO io;
        io.Params->JPEGScale = 0;
        io.Params->Width = c.reqW;
        io.Params->Height = c.reqH;
        io.LoadFromBuffer(file.data(), static_cast<int64_t>(file.size()), ioJPEG);
        EXPECT_EQ(io.Params->JPEGScaleUsed, c.denom);
        EXPECT_EQ(io.IEBitmap()->Width(), c.outW);
        EXPECT_EQ(io.IEBitmap()->Height(), c.outH);
        EXPECT_EQ(io.Params->OriginalWidth, 320);
        EXPECT_EQ(io.Params->DpiX, 96);
    }
    // Dots per centimetre: 118 give 299 dpi, 100 give 254.
    for (auto [dens, dpi] : {std::pair{118, 299}, std::pair{100, 254}}) {
        auto f = file;
        ASSERT_EQ(0, std::memcmp(&f[6], "JFIF", 4));
        f[13] = 2;
        f[14] = 0, f[15] = static_cast<uint8_t>(dens), f[16] = 0, f[17] = static_cast<uint8_t>(dens);
        TIEImageIO io;
        io.ParamsFromStreamFormat(*std::make_unique<TIEMemStream>(f.data(), static_cast<int64_t>(f.size())), ioJPEG);
        EXPECT_EQ(io.Params->DpiX, dpi);
    }
    // Up to 99 bytes of other data before the image are passed over; 100 are too many.
    for (auto [pad, ok] : {std::pair{99, true}, std::pair{100, false}}) {
        std::vector<uint8_t> f(static_cast<size_t>(pad), 'x');
        f.insert(f.end(), file.begin(), file.end());
        TIEImageIO io;
        io.LoadFromBuffer(f.data(), static_cast<int64_t>(f.size()), ioJPEG);
        EXPECT_EQ(io.Aborting, !ok) << pad;
    }
}

TEST(JPEGReader, DamagedInput) {
    TIEBitmap b;
    Smooth(b, 64, 64);
    auto file = SaveJPEG(b, [](TIOParamsVals&) {});
    // Cut inside the scan: what arrived is decoded (the codec fills the rest,
    // with warnings) and the load says it was cut short.
    std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() * 2 / 3));
    TIEImageIO io;
    io.LoadFromBuffer(cut.data(), static_cast<int64_t>(cut.size()), ioJPEG);
    EXPECT_TRUE(io.Aborting);
    EXPECT_GT(io.Params->JPEGWarningCount, 0);
    EXPECT_EQ(io.IEBitmap()->Height(), 64);
    // Cut inside the header: a codec error, reported through the flag.
    std::vector<uint8_t> head(file.begin(), file.begin() + 40);
    io.LoadFromBuffer(head.data(), static_cast<int64_t>(head.size()), ioJPEG);
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(std::string(JPEGMessageText(9999)), "Corrupted");
    EXPECT_NE(std::string(JPEGMessageText(1)), "Corrupted");
}

TEST(JPEGWriter, RoundTripsAndColourSpaces) {
    TIEBitmap b;
    Smooth(b, 48, 32);
    for (int cs : {2, 0, 3, 4}) {
        SCOPED_TRACE(cs);
        auto f = SaveJPEG(b, [&](TIOParamsVals& p) {
            p.JPEGQuality = 95;
            p.JPEGColorSpace = static_cast<uint8_t>(cs);
        });
        TIEImageIO io;
        io.LoadFromBuffer(f.data(), static_cast<int64_t>(f.size()), ioJPEG);
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->JPEGColorSpace, cs);
        EXPECT_LE(MaxDiff(b, *io.IEBitmap()), 12);
        std::string s(f.begin(), f.end());
        // JFIF allows only YCbCr and grey: the others carry only the Adobe marker.
        EXPECT_EQ(s.find("JFIF") != std::string::npos, cs == 2);
    }
    auto g = SaveJPEG(b, [](TIOParamsVals& p) { p.JPEGColorSpace = 1; p.JPEGProgressive = true; });
    TIEImageIO io;
    io.LoadFromBuffer(g.data(), static_cast<int64_t>(g.size()), ioJPEG);
    EXPECT_EQ(io.Params->SamplesPerPixel, 1);
    EXPECT_TRUE(io.Params->JPEGProgressive);
    // An image the codec refuses: its exception reaches the caller, nothing leaks.
    TIEBitmap wide;
    wide.Allocate(70000, 1, ieRGB24);
    wide.Fill(0);
    TIEImageIO w;
    w.SetTargetBitmap(&wide);
    TMemoryStream ms;
    EXPECT_THROW(w.SaveToStreamJPEG(ms), EIEJpegException);
    EXPECT_TRUE(w.Aborting);
}

TEST(JPEGWriter, MarkersSurviveAndIPTCIsWritten) {
    TIEBitmap b;
    Smooth(b, 16, 16);
    auto f = SaveJPEG(b, [](TIOParamsVals& p) {
        p.JPEGMarkers.AddMarker(254, "menu preview", 12);
        p.JPEGMarkers.AddMarker(238, "Adobe-ish", 9);  // never written: the codec writes its own
        p.IPTCInfo.AddItem(2, 5, 5, "Title");
    });
    TIEImageIO io;
    io.LoadFromBuffer(f.data(), static_cast<int64_t>(f.size()), ioJPEG);
    auto& m = io.Params->JPEGMarkers;
    int com = m.IndexOf(254);
    ASSERT_GE(com, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.GetMarkerData(com)), 12), "menu preview");
    EXPECT_LT(m.IndexOf(238), 0);
    EXPECT_LT(m.IndexOf(224), 0);  // the JFIF header is not kept as a marker
    ASSERT_EQ(io.Params->IPTCInfo.GetCount(), 1);
    EXPECT_EQ(io.Params->IPTCInfo.GetItemString(0), "Title");
}

TEST(JPEGReader, ICCProfileChunksInAnyOrderAndBadChunksIgnored) {
    std::vector<uint8_t> raw(900);
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<uint8_t>(i * 7 + 3);
    size_t third = raw.size() / 3;
    auto chunk = [&](uint8_t num, uint8_t count, size_t from, size_t len) {
        std::vector<uint8_t> d(12 + 2);
        std::memcpy(d.data(), "ICC_PROFILE", 12);
        d[12] = num;
        d[13] = count;
        d.insert(d.end(), raw.begin() + static_cast<std::ptrdiff_t>(from), raw.begin() + static_cast<std::ptrdiff_t>(from + len));
        return d;
    };
    TIEBitmap b;
    Smooth(b, 8, 8);
    auto f = SaveJPEG(b, [&](TIOParamsVals& p) {
        auto c0 = chunk(0, 3, 0, 10);  // number 0: no such chunk
        p.JPEGMarkers.AddMarker(226, c0.data(), static_cast<uint16_t>(c0.size()));
        p.JPEGMarkers.AddMarker(226, "ICC_PROFILE", 12);  // too short for a chunk header
        auto c3 = chunk(3, 3, 2 * third, raw.size() - 2 * third);
        auto c1 = chunk(1, 3, 0, third);
        auto c2 = chunk(2, 3, third, third);
        for (auto* c : {&c3, &c1, &c2}) p.JPEGMarkers.AddMarker(226, c->data(), static_cast<uint16_t>(c->size()));
    });
    TIEMemStream ms(f.data(), static_cast<int64_t>(f.size()));
    TIOParamsVals p(nullptr);
    ReadJPEGICCProfile(ms, p);
    EXPECT_EQ(ms.Position(), 0);
    ASSERT_NE(p.ColorProfile, nullptr);
    EXPECT_EQ(p.ColorProfile->RawProfile(), raw);
}

TEST(JPEGStreams, HeaderOffsetsAndLength) {
    TIEBitmap b;
    Smooth(b, 24, 16);
    TIEImageIO w;
    w.SetTargetBitmap(&b);
    w.StreamHeaders = true;
    TMemoryStream ms;
    ms.WriteBuffer("lead", 4);
    w.SaveToStreamJPEG(ms);
    const int64_t end = ms.Position();
    ms.WriteBuffer("tail data", 9);
    auto all = Bytes(ms);
    EXPECT_EQ(0, std::memcmp(&all[4], "JFIF\0\0\0\0", 8));
    ms.SetPosition(4);
    EXPECT_EQ(FindStreamFormat(ms), ioJPEG);
    TIEImageIO r;
    r.LoadFromStream(ms);
    EXPECT_FALSE(r.Aborting);
    EXPECT_EQ(r.IEBitmap()->Width(), 24);
    EXPECT_EQ(ms.Position(), end);
    // The measured length of the data after the header ends with its EOI.
    TIEMemStream m2(all.data() + 16, end - 16);
    EXPECT_EQ(MeasureJPEGStreamLength(m2), end - 16);
    // The thumbnail request on data that starts inside a stream still finds the image.
    TIEImageIO t;
    t.Params->SetGetExifThumbnail(true);
    ms.SetPosition(16);
    t.LoadFromStreamJPEG(ms);
    EXPECT_FALSE(t.Aborting);
    EXPECT_EQ(t.IEBitmap()->Width(), 24);
}

TEST(JPEGWriter, ImageMagickReadsWhatWeWrite) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    TIEBitmap b;
    Smooth(b, 40, 24);
    TIEImageIO io;
    io.SetTargetBitmap(&b);
    io.Params->JPEGQuality = 90;
    io.SaveToFile(dir / "w.jpg");
    ASSERT_FALSE(io.Aborting);
    TIEImageIO back;
    back.LoadFromFile(dir / "w.jpg");
    EXPECT_EQ(CountDiffs(*back.IEBitmap(), DecodeWithConvert(dir / "w.jpg", dir / "t"), 2), 0);
}

TEST(JPEGExif, FieldsAndThumbnailRoundTrip) {
    TIEBitmap b;
    Smooth(b, 160, 120);
    TIEImageIO w;
    w.SetTargetBitmap(&b);
    w.Params->HasEXIFData = true;
    w.Params->ExifMake = "Tessaro";
    w.Params->ExifModel = "Menu";
    w.Params->ExifExposureBiasValue = -0.5;
    w.Params->ExifISOSpeedRatings[0] = 200;
    w.Params->ExifDateTimeOriginal = "2026:12:10 12:00:00";
    w.Params->SetExifOrientation(1);
    w.Params->ExifThumbnail = std::make_unique<TIEBitmap>();
    Smooth(*w.Params->ExifThumbnail, 40, 30);
    TMemoryStream ms;
    w.SaveToStreamJPEG(ms);
    ASSERT_FALSE(w.Aborting);
    auto bytes = Bytes(ms);

    TIEImageIO r;
    r.LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), ioJPEG);
    ASSERT_FALSE(r.Aborting);
    EXPECT_TRUE(r.Params->HasEXIFData);
    EXPECT_EQ(r.Params->ExifMake, "Tessaro");
    EXPECT_EQ(r.Params->ExifModel, "Menu");
    EXPECT_DOUBLE_EQ(r.Params->ExifExposureBiasValue, -0.5);
    EXPECT_EQ(r.Params->ExifISOSpeedRatings[0], 200);
    EXPECT_EQ(r.Params->ExifDateTimeOriginal, "2026:12:10 12:00:00");
    ASSERT_NE(r.Params->ExifThumbnail, nullptr);
    EXPECT_EQ(r.Params->ExifThumbnail->Width(), 40);
    EXPECT_EQ(r.IEBitmap()->Width(), 160);

    // The thumbnail instead of the image, also for data that starts inside a stream.
    std::vector<uint8_t> shifted(37, 'x');
    shifted.insert(shifted.end(), bytes.begin(), bytes.end());
    TIEImageIO t;
    t.Params->SetGetExifThumbnail(true);
    TIEMemStream s2(shifted.data(), static_cast<int64_t>(shifted.size()));
    s2.SetPosition(37);
    t.LoadFromStreamJPEG(s2);
    EXPECT_FALSE(t.Aborting);
    EXPECT_EQ(t.IEBitmap()->Width(), 40);
    EXPECT_EQ(t.IEBitmap()->Height(), 30);

    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    WriteAll(dir / "exif.jpg", bytes);
    std::string cmd = "identify -format '%[EXIF:Make]|%[EXIF:DateTimeOriginal]' '" + (dir / "exif.jpg") + "' > '" + (dir / "o") + "' 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    auto o = ReadAll(dir / "o");
    EXPECT_EQ(std::string(o.begin(), o.end()), "Tessaro|2026:12:10 12:00:00");
}

TEST(JPEGExif, ResolutionFromExifWhenJFIFSaysOneToOne) {
    TIEBitmap b;
    Smooth(b, 16, 16);
    TIEImageIO w;
    w.SetTargetBitmap(&b);
    w.Params->SetDpiX(1);  // JFIF density 1:1
    w.Params->SetDpiY(1);
    w.Params->HasEXIFData = true;
    w.Params->ExifXResolution = 72;
    w.Params->ExifYResolution = 72;
    TMemoryStream ms;
    w.SaveToStreamJPEG(ms);
    auto bytes = Bytes(ms);
    TIEImageIO r;
    r.LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), ioJPEG);
    EXPECT_EQ(r.Params->DpiX, 72);
    EXPECT_EQ(r.Params->DpiY, 72);
}

TEST(JPEGExif, MakerNoteTravelsWithItsData) {
    // A maker note of two entries: a SHORT inline and an 8-byte ASCII value behind the directory.
    std::vector<uint8_t> note = {2, 0,
                                 1, 0, 3, 0, 1, 0, 0, 0, 7, 0, 0, 0,
                                 2, 0, 2, 0, 8, 0, 0, 0, 26, 0, 0, 0,
                                 'v', 'e', 'r', 's', 'i', 'o', 'n', 0};
    TIEBitmap b;
    Smooth(b, 16, 16);
    TIEImageIO w;
    w.SetTargetBitmap(&b);
    w.Params->HasEXIFData = true;
    w.Params->ExifMakerNote.Data->WriteBuffer(note.data(), static_cast<int64_t>(note.size()));
    TMemoryStream ms;
    w.SaveToStreamJPEG(ms);
    w.SaveToStreamJPEG(ms);  // the record's own note is not changed by a save
    EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(w.Params->ExifMakerNote.Data->Memory()),
                                   static_cast<uint8_t*>(w.Params->ExifMakerNote.Data->Memory()) + note.size()),
              note);
    ms.SetPosition(0);
    TIEImageIO r;
    r.LoadFromStreamJPEG(ms);
    ASSERT_FALSE(r.Aborting);
    auto& h = r.Params->ExifMakerNote;
    ASSERT_EQ(h.Entries.size(), 2u);
    EXPECT_EQ(h.Entries[0].Tag, 1);
    EXPECT_EQ(h.Entries[0].ValueOrOffset & 0xFFFF, 7u);
    const uint32_t off = h.Entries[1].ValueOrOffset;
    ASSERT_LE(off + 8, h.Data->Size());
    EXPECT_EQ(std::string(static_cast<const char*>(h.Data->Memory()) + off), "version");
}
