// The TIFF writer: one page as a new file, or inserted into a little-endian file.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemarkers.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/io/ieccitt.h"
#include "imaging/io/ieformats.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"
#include "imaging/io/iejpeg.h"
#include "imaging/io/ielzw.h"
#include "imaging/io/ietiff.h"
#include "imaging/io/ietifftags.h"
#include "imaging/processing/bwconvert.h"
#include "imaging/processing/quantizer.h"
#include "platform/rtl/sysutils.h"

using namespace ieio;

namespace {

struct WEntry {
    uint16_t tag, type;
    uint32_t count;
    uint8_t value[4];
};

class TagWriter {
public:
    TagWriter(TStream& s, int64_t base, std::atomic<bool>& aborting) : S(s), Base(base), Aborting(aborting) {}
    std::vector<WEntry> entries;

    void Inline(uint16_t tag, uint16_t type, uint32_t count, const void* v, size_t n) {
        WEntry e{tag, type, count, {0, 0, 0, 0}};
        std::memcpy(e.value, v, n);
        Put(e);
    }
    void Short(uint16_t tag, uint32_t v) {
        uint16_t s = static_cast<uint16_t>(v);
        Inline(tag, 3, 1, &s, 2);
    }
    void Long(uint16_t tag, uint32_t v) { Inline(tag, 4, 1, &v, 4); }
    void Shorts(uint16_t tag, const std::vector<uint16_t>& v) {
        if (v.size() <= 2)
            Inline(tag, 3, static_cast<uint32_t>(v.size()), v.data(), v.size() * 2);
        else
            Data(tag, 3, static_cast<uint32_t>(v.size()), v.data(), v.size() * 2);
    }
    void Longs(uint16_t tag, const std::vector<uint32_t>& v) {
        if (v.size() == 1)
            Long(tag, v[0]);
        else
            Data(tag, 4, static_cast<uint32_t>(v.size()), v.data(), v.size() * 4);
    }
    // Unsigned (type 5) or signed (type 10) rationals of floating values.
    void Rationals(uint16_t tag, const std::vector<double>& v, bool isSigned = false) {
        std::vector<uint32_t> d;
        for (double x : v) {
            double den = 1000000;
            while (std::fabs(x) * den > 2147483640.0 && den > 1) den /= 10;
            int64_t num = static_cast<int64_t>(Round(x * den));
            if (!isSigned && num < 0) num = 0;
            d.push_back(static_cast<uint32_t>(static_cast<int32_t>(num)));
            d.push_back(static_cast<uint32_t>(den));
        }
        Data(tag, isSigned ? 10 : 5, static_cast<uint32_t>(v.size()), d.data(), d.size() * 4);
    }
    void Rational(uint16_t tag, double v, bool isSigned = false) { Rationals(tag, {v}, isSigned); }
    void Ascii(uint16_t tag, const std::string& s) {
        if (s.empty()) return;
        if (s.size() <= 4)
            Inline(tag, 2, static_cast<uint32_t>(s.size()), s.data(), s.size());
        else
            Data(tag, 2, static_cast<uint32_t>(s.size() + 1), s.c_str(), s.size() + 1);
    }
    void Bytes(uint16_t tag, uint16_t type, const std::vector<uint8_t>& b) {
        if (b.empty()) return;
        if (b.size() <= 4)
            Inline(tag, type, static_cast<uint32_t>(b.size()), b.data(), b.size());
        else
            Data(tag, type, static_cast<uint32_t>(b.size()), b.data(), b.size());
    }
    void Wide(uint16_t tag, const std::u16string& w) {
        if (w.empty()) return;
        std::vector<uint8_t> b;
        for (char16_t c : w) b.push_back(static_cast<uint8_t>(c)), b.push_back(static_cast<uint8_t>(c >> 8));
        b.push_back(0);
        b.push_back(0);
        Bytes(tag, 1, b);
    }
    void Data(uint16_t tag, uint16_t type, uint32_t count, const void* data, size_t n) {
        if (S.Position() & 1) Pad();
        uint32_t off = static_cast<uint32_t>(S.Position() - Base);
        WriteStreamChecked(S, Aborting, data, static_cast<int64_t>(n));
        Inline(tag, type, count, &off, 4);
    }
    void Pad() {
        uint8_t z = 0;
        WriteStreamChecked(S, Aborting, &z, 1);
    }
    void Put(const WEntry& e) {
        for (auto& x : entries)
            if (x.tag == e.tag) {
                x = e;
                return;
            }
        entries.push_back(e);
    }
    // Writes the directory at an even position; answers its offset from the base.
    uint32_t WriteIFD(uint32_t next) {
        if (S.Position() & 1) Pad();
        std::sort(entries.begin(), entries.end(), [](const WEntry& a, const WEntry& b) { return a.tag < b.tag; });
        uint32_t off = static_cast<uint32_t>(S.Position() - Base);
        std::vector<uint8_t> buf(2 + entries.size() * 12 + 4);
        PutLE16(buf.data(), static_cast<uint32_t>(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i) {
            uint8_t* p = buf.data() + 2 + i * 12;
            PutLE16(p, entries[i].tag);
            PutLE16(p + 2, entries[i].type);
            PutLE32(p + 4, entries[i].count);
            std::memcpy(p + 8, entries[i].value, 4);
        }
        PutLE32(buf.data() + 2 + entries.size() * 12, next);
        WriteStreamChecked(S, Aborting, buf.data(), static_cast<int64_t>(buf.size()));
        return off;
    }

    TStream& S;
    int64_t Base;
    std::atomic<bool>& Aborting;
};

void PackBitsRow(const uint8_t* in, int32_t n, std::vector<uint8_t>& out) {
    out.clear();
    int32_t i = 0, litStart = 0;
    auto flush = [&](int32_t upto) {
        while (litStart < upto) {
            int32_t k = std::min(128, upto - litStart);
            out.push_back(static_cast<uint8_t>(k - 1));
            out.insert(out.end(), in + litStart, in + litStart + k);
            litStart += k;
        }
    };
    while (i < n) {
        int32_t run = 1;
        while (i + run < n && run < 128 && in[i + run] == in[i]) ++run;
        if (run >= 4) {
            flush(i);
            out.push_back(static_cast<uint8_t>(1 - run));
            out.push_back(in[i]);
            i += run;
            litStart = i;
        } else {
            i += run;
        }
    }
    flush(n);
}

void WriteExifTags(TagWriter& t, TIOParamsVals& P) {
    // The EXIF directory goes first, as a block of its own.
    TagWriter e(t.S, t.Base, t.Aborting);
    auto rat = [&](uint16_t tag, double v, bool s = false) {
        if (v != 0) e.Rational(tag, v, s);
    };
    rat(tifftag::ExposureTime, P.ExifExposureTime);
    rat(tifftag::FNumber, P.ExifFNumber);
    e.Short(tifftag::ExposureProgram, static_cast<uint32_t>(P.ExifExposureProgram));
    e.Shorts(tifftag::ISOSpeedRatings, {static_cast<uint16_t>(P.ExifISOSpeedRatings[0]), static_cast<uint16_t>(P.ExifISOSpeedRatings[1])});
    if (!P.ExifVersion.empty()) e.Inline(tifftag::ExifVersion, 7, 4, P.ExifVersion.data(), std::min<size_t>(4, P.ExifVersion.size()));
    e.Ascii(tifftag::DateTimeOriginal, P.ExifDateTimeOriginal);
    e.Ascii(tifftag::DateTimeDigitized, P.ExifDateTimeDigitized);
    rat(tifftag::CompressedBitsPerPixel, P.ExifCompressedBitsPerPixel);
    // Shutter speed, brightness and exposure bias may be negative: signed rationals.
    rat(tifftag::ShutterSpeedValue, P.ExifShutterSpeedValue, true);
    rat(tifftag::ApertureValue, P.ExifApertureValue);
    rat(tifftag::BrightnessValue, P.ExifBrightnessValue, true);
    rat(tifftag::ExposureBiasValue, P.ExifExposureBiasValue, true);
    rat(tifftag::MaxApertureValue, P.ExifMaxApertureValue);
    rat(tifftag::SubjectDistance, P.ExifSubjectDistance);
    e.Short(tifftag::MeteringMode, static_cast<uint32_t>(P.ExifMeteringMode));
    e.Short(tifftag::LightSource, static_cast<uint32_t>(P.ExifLightSource));
    e.Short(tifftag::Flash, static_cast<uint32_t>(P.ExifFlash));
    rat(tifftag::FocalLength, P.ExifFocalLength);
    e.Ascii(tifftag::SubsecTime, P.ExifSubsecTime);
    e.Ascii(tifftag::SubsecTimeOriginal, P.ExifSubsecTimeOriginal);
    e.Ascii(tifftag::SubsecTimeDigitized, P.ExifSubsecTimeDigitized);
    if (!P.ExifFlashPixVersion.empty())
        e.Inline(tifftag::FlashpixVersion, 7, 4, P.ExifFlashPixVersion.data(), std::min<size_t>(4, P.ExifFlashPixVersion.size()));
    e.Short(tifftag::ColorSpace, static_cast<uint32_t>(P.ExifColorSpace));
    e.Short(tifftag::PixelXDimension, static_cast<uint32_t>(P.ExifPixelXDimension));
    e.Short(tifftag::PixelYDimension, static_cast<uint32_t>(P.ExifPixelYDimension));
    e.Ascii(tifftag::RelatedSoundFile, P.ExifRelatedSoundFile);
    rat(tifftag::FocalPlaneXResolution, P.ExifFocalPlaneXResolution);
    rat(tifftag::FocalPlaneYResolution, P.ExifFocalPlaneYResolution);
    e.Short(tifftag::FocalPlaneResolutionUnit, static_cast<uint32_t>(P.ExifFocalPlaneResolutionUnit));
    rat(tifftag::ExposureIndex, P.ExifExposureIndex);
    e.Short(tifftag::SensingMethod, static_cast<uint32_t>(P.ExifSensingMethod));
    e.Short(tifftag::FileSource, static_cast<uint32_t>(P.ExifFileSource));
    e.Short(tifftag::SceneType, static_cast<uint32_t>(P.ExifSceneType));
    if (P.ExifMakerNote.Data->Size() >= 12) {
        // The note's data offsets become file offsets; the record's own copy stays as it was.
        std::vector<uint8_t> note(static_cast<const uint8_t*>(P.ExifMakerNote.Data->Memory()),
                                  static_cast<const uint8_t*>(P.ExifMakerNote.Data->Memory()) + P.ExifMakerNote.Data->Size());
        if (t.S.Position() & 1) t.Pad();
        const uint32_t at = static_cast<uint32_t>(t.S.Position() - t.Base);
        const uint16_t n = LE16(note.data());
        for (uint16_t i = 0; i < n && 2 + (i + 1) * 12 <= static_cast<int>(note.size()); ++i) {
            uint8_t* q = note.data() + 2 + i * 12;
            const uint16_t type = LE16(q + 2);
            static const int sizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
            const int64_t size = type <= 12 ? static_cast<int64_t>(LE32(q + 4)) * sizes[type] : 0;
            if (size > 4) PutLE32(q + 8, LE32(q + 8) + at);
        }
        WriteStreamChecked(t.S, t.Aborting, note.data(), static_cast<int64_t>(note.size()));
        e.Inline(tifftag::MakerNote, 7, static_cast<uint32_t>(note.size()), &at, 4);
    }
    if (!P.ExifUserComment.empty()) {
        std::string code = P.ExifUserCommentCode;
        code.resize(8, '\0');
        std::string all = code + P.ExifUserComment;
        e.Bytes(tifftag::UserComment, 7, std::vector<uint8_t>(all.begin(), all.end()));
    }
    uint32_t exifIFD = e.WriteIFD(0);
    if (!P.ExifImageDescription.empty()) t.Ascii(tifftag::ImageDescription, P.ExifImageDescription);
    if (P.ExifXResolution != 0) t.Rational(tifftag::XResolution, std::trunc(P.ExifXResolution));
    if (P.ExifYResolution != 0) t.Rational(tifftag::YResolution, std::trunc(P.ExifYResolution));
    t.Short(tifftag::Orientation, static_cast<uint32_t>(std::max(1, P.ExifOrientation)));
    t.Short(tifftag::ResolutionUnit, 2);
    t.Ascii(tifftag::Software, P.ExifSoftware);
    t.Wide(tifftag::XPTitle, P.ExifXPTitle);
    t.Wide(tifftag::XPComment, P.ExifXPComment);
    t.Wide(tifftag::XPAuthor, P.ExifXPAuthor);
    t.Wide(tifftag::XPKeywords, P.ExifXPKeywords);
    t.Wide(tifftag::XPSubject, P.ExifXPSubject);
    t.Ascii(tifftag::Artist, P.ExifArtist);
    t.Ascii(tifftag::Make, P.ExifMake);
    t.Ascii(tifftag::Model, P.ExifModel);
    t.Ascii(tifftag::DateTime, P.ExifDateTime);
    t.Rationals(tifftag::WhitePoint, {P.ExifWhitePoint[0], P.ExifWhitePoint[1]});
    t.Short(tifftag::YCbCrPositioning, static_cast<uint32_t>(P.ExifYCbCrPositioning));
    t.Rationals(tifftag::PrimaryChromaticities, std::vector<double>(P.ExifPrimaryChromaticities, P.ExifPrimaryChromaticities + 6));
    t.Rationals(tifftag::YCbCrCoefficients, std::vector<double>(P.ExifYCbCrCoefficients, P.ExifYCbCrCoefficients + 3));
    t.Rationals(tifftag::ReferenceBlackWhite, std::vector<double>(P.ExifReferenceBlackWhite, P.ExifReferenceBlackWhite + 6));
    t.Ascii(tifftag::Copyright, P.ExifCopyright);
    t.Long(tifftag::ExifIFD, exifIFD);
}

}  // namespace

int32_t WriteTIFFStream(TStream& Stream, bool Insert, TIEBitmap* Bitmap, TIEProgressRecord& Progress,
                        TIOParamsVals& Params) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>& aborting = Progress.Aborting ? *Progress.Aborting : dummy;
    int32_t pages = 1;
    int64_t base = Insert ? 0 : Stream.Position();
    int64_t linkPos = -1;
    uint32_t linkTarget = 0;
    if (Insert) {
        uint8_t h[8] = {};
        Stream.Seek(0, soBeginning);
        if (Stream.Read(h, 8) != 8 || h[0] != 'I' || h[1] != 'I' || h[2] != 42) {
            aborting = true;
            return 0;
        }
        // Walk the chain; a chain that loops ends where it meets itself.
        const int64_t size = Stream.Size();
        std::set<uint32_t> seen;
        int64_t link = 4;
        uint32_t target = LE32(h + 4);
        int32_t i = 0;
        for (;;) {
            if (i == Params.TIFFImageIndex || (target == 0 && i < Params.TIFFImageIndex)) {
                linkPos = link;
                linkTarget = target;
            }
            if (target == 0 || !seen.insert(target).second || target + 2 > size) break;
            Stream.Seek(target, soBeginning);
            uint8_t c[2];
            if (Stream.Read(c, 2) != 2) break;
            int64_t next = target + 2 + static_cast<int64_t>(LE16(c)) * 12;
            if (next + 4 > size) break;
            Stream.Seek(next, soBeginning);
            uint8_t n[4];
            if (Stream.Read(n, 4) != 4) break;
            ++i;
            link = next;
            target = LE32(n);
        }
        if (linkPos < 0) {
            linkPos = link;
            linkTarget = 0;
        }
        pages = i + 1;
        Stream.Seek(0, soEnd);
    } else {
        uint8_t z[8] = {};
        WriteStreamChecked(Stream, aborting, z, 8);
    }
    TagWriter t(Stream, base, aborting);

    if (Bitmap == nullptr) {
        // A directory of tags only: the EXIF block.
        WriteExifTags(t, Params);
    } else {
        const int32_t W = Bitmap->Width(), H = Bitmap->Height();
        if (W <= 0 || H <= 0) {
            aborting = true;
            return 0;
        }
        // Working bitmap.
        std::unique_ptr<TIEBitmap> work;
        TIEBitmap* src = Bitmap;
        auto convert = [&](TIEPixelFormat pf) {
            auto b = std::make_unique<TIEBitmap>();
            b->Assign(src);
            b->ConvertTo(pf);
            work = std::move(b);
            src = work.get();
        };
        const bool oneBit = Params.SamplesPerPixel == 1 && Params.BitsPerSample == 1;
        if (!oneBit && src->PixelFormat() == ie1g) convert(ieRGB24);
        if (oneBit && src->PixelFormat() != ie1g) {
            std::unique_ptr<TIEBitmap> rgb;
            TIEBitmap* r = src;
            if (src->PixelFormat() != ieRGB24) {
                rgb = std::make_unique<TIEBitmap>();
                rgb->Assign(src);
                rgb->ConvertTo(ieRGB24);
                r = rgb.get();
            }
            TRGB c0, c1;
            auto b1 = TryConvertTo1Bit(r, c0, c1);
            if (b1) {
                work = std::move(b1);
                src = work.get();
            } else {
                convert(ie1g);
            }
        }
        // Grey and palette formats asked to hold more samples go out as colour.
        const TIEPixelFormat f0 = src->PixelFormat();
        if ((f0 == ie8p || f0 == ie8g || f0 == ie16g) && Params.SamplesPerPixel > 1) convert(ieRGB24);
        if (f0 == ie32f || f0 == ieCIELab) convert(ieRGB24);
        const TIEPixelFormat pf = src->PixelFormat();

        enum Layout { Bilevel, Grey, Palette, RGB, CMYK, Lab, RGB48, NativeCMYK } layout = RGB;
        int bps = 8, spp = 3;
        int photometric = 2;
        std::unique_ptr<TIEQuantizer> quant;
        std::vector<TRGB> pal;
        bool alpha = false;
        int compression = Params.TIFFCompression;
        if (compression == 6) compression = 7;  // JPEG data in the current form
        if (pf == ie1g) {
            layout = Bilevel;
            bps = 1;
            spp = 1;
            photometric = 1;
        } else if (pf == ieCMYK) {
            layout = NativeCMYK;
            spp = 4;
            photometric = 5;
        } else if (pf == ieRGB48) {
            layout = RGB48;
            bps = 16;
        } else if (pf == ie8g || pf == ie16g) {
            layout = Grey;
            spp = 1;
            bps = pf == ie8g ? 8 : 16;
            photometric = 1;
        } else if (pf == ie8p) {
            layout = Palette;
            spp = 1;
            bps = std::clamp(Params.BitsPerSample, 1, 8);
            photometric = 3;
            pal.assign(static_cast<size_t>(1) << bps, TRGB{0, 0, 0});
            quant = std::make_unique<TIEQuantizer>(src, pal.data(), static_cast<int32_t>(pal.size()));
        } else if (Params.SamplesPerPixel == 1 && ((Params.BitsPerSample >= 2 && Params.BitsPerSample <= 8) || Params.BitsPerSample == 16)) {
            spp = 1;
            bps = Params.BitsPerSample;
            const int n = std::min(1 << std::min(bps, 8), 256);
            pal.assign(static_cast<size_t>(n), TRGB{0, 0, 0});
            quant = std::make_unique<TIEQuantizer>(src, pal.data(), n);
            if (compression != 5 && compression != 8) compression = 0;
            if (quant->GrayScale()) {
                layout = Grey;
                photometric = 1;
            } else {
                layout = Palette;
                photometric = 3;
                if (bps == 16) bps = 8;
            }
        } else {
            const int ph = Params.TIFFPhotometric;
            if (ph == 5) {
                layout = CMYK;
                spp = 4;
                photometric = 5;
            } else if (ph == 7) {
                layout = Lab;
                photometric = 8;
            } else {
                layout = RGB;
                alpha = Bitmap->HasAlphaChannel() && !Bitmap->AlphaChannel()->Full && compression != 7;
                if (alpha) {
                    // Full may be stale: only transparent pixels make a fourth sample.
                    alpha = false;
                    TIEBitmap* a = Bitmap->AlphaChannel();
                    for (int32_t y = 0; y < H && !alpha; ++y) {
                        uint8_t* r = a->Scanline(y);
                        for (int32_t x = 0; x < W; ++x)
                            if (r[x] != 255) {
                                alpha = true;
                                break;
                            }
                    }
                }
                if (alpha) spp = 4;
            }
        }
        if (compression == 7 && !(pf == ieRGB24 && (layout == RGB || layout == Grey || layout == CMYK) && bps == 8))
            compression = 0;
        // Fax coding only for bilevel images; others are stored plainly.
        if (compression >= 1 && compression <= 4 && layout != Bilevel) compression = 0;
        const bool fax = compression >= 1 && compression <= 4;
        if (fax) photometric = 0;  // fax data is WhiteIsZero
        int tagCompression = 1;
        switch (compression) {
            case 1: tagCompression = 2; break;
            case 2: tagCompression = 3; break;
            case 3: tagCompression = 3; break;
            case 4: tagCompression = 4; break;
            case 5: tagCompression = 5; break;
            case 7: tagCompression = 7; break;
            case 8: tagCompression = 32773; break;
            default: tagCompression = 1; break;
        }
        TTIFFLZWCompFunc lzw = Params.TIFFLZWCompressor ? Params.TIFFLZWCompressor : DefaultTIFFLZWCompressor;
        if (tagCompression == 5 && !lzw) tagCompression = 1;
        const bool predictor = tagCompression == 5 && layout == RGB && spp == 3 && bps == 8;

        if (Params.HasEXIFData)
            WriteExifTags(t, Params);
        else {
            t.Ascii(tifftag::ImageDescription, Params.TIFFImageDescription);
            t.Rational(tifftag::XResolution, Params.DpiX);
            t.Rational(tifftag::YResolution, Params.DpiY);
            t.Short(tifftag::ResolutionUnit, 2);
        }
        t.Long(tifftag::ImageWidth, static_cast<uint32_t>(W));
        t.Long(tifftag::ImageLength, static_cast<uint32_t>(H));
        t.Shorts(tifftag::BitsPerSample, std::vector<uint16_t>(static_cast<size_t>(spp), static_cast<uint16_t>(bps)));
        t.Short(tifftag::Compression, static_cast<uint32_t>(tagCompression));
        t.Short(tifftag::PhotometricInterpretation, static_cast<uint32_t>(photometric));  // always present, also for 1-bit pages
        t.Ascii(tifftag::DocumentName, Params.TIFFDocumentName);
        t.Short(tifftag::SamplesPerPixel, static_cast<uint32_t>(spp));
        t.Short(tifftag::PlanarConfiguration, 1);
        if (predictor) t.Short(tifftag::Predictor, 2);
        if (fax) {
            t.Short(tifftag::FillOrder, static_cast<uint32_t>(Params.TIFFFillOrder == 2 ? 2 : 1));
            t.Short(tifftag::CleanFaxData, 0);
        }
        // T4Options belongs to Group 3 only: readers warn about it elsewhere.
        if (tagCompression == 3) t.Long(tifftag::T4Options, compression == 3 ? 1 : 0);
        if (tagCompression == 4) t.Long(tifftag::T6Options, 0);  // T6Options: Group 4 only
        if (alpha) t.Short(tifftag::ExtraSamples, 2);
        t.Ascii(tifftag::PageName, Params.TIFFPageName);
        if (Params.TIFFXPos != 0) t.Rational(tifftag::XPosition, Params.TIFFXPos);
        if (Params.TIFFYPos != 0) t.Rational(tifftag::YPosition, Params.TIFFYPos);
        t.Long(tifftag::NewSubfileType, 0);
        if (Params.TIFFPageNumber >= 0 || Params.TIFFPageCount >= 0)
            t.Shorts(tifftag::PageNumber, {static_cast<uint16_t>(std::max(0, Params.TIFFPageNumber)),
                           static_cast<uint16_t>(std::max(0, Params.TIFFPageCount))});
        if (Params.IPTCInfo.GetCount() > 0) {
            // Whole 4-byte units: the data is padded so that the count claims only its own bytes.
            std::vector<uint8_t> b = Params.IPTCInfo.SaveToBuffer(false);
            b.resize((b.size() + 3) / 4 * 4, 0);
            t.Data(tifftag::IPTCNAA, 4, static_cast<uint32_t>(b.size() / 4), b.data(), b.size());
        }
        if (Params.ImagingAnnot && !Params.ImagingAnnot->Objects.empty()) t.Bytes(tifftag::ImagingAnnotations, 1, Params.ImagingAnnot->SaveToBuffer());
        if (layout == Palette) {
            std::vector<uint16_t> map(pal.size() * 3);
            for (size_t i = 0; i < pal.size(); ++i) {
                map[i] = static_cast<uint16_t>(pal[i].r * 257);
                map[pal.size() + i] = static_cast<uint16_t>(pal[i].g * 257);
                map[2 * pal.size() + i] = static_cast<uint16_t>(pal[i].b * 257);
            }
            t.Data(tifftag::ColorMap, 3, static_cast<uint32_t>(map.size()), map.data(), map.size() * 2);
            Params.Palette = pal;
            Params.PaletteCount = static_cast<int32_t>(pal.size());
        }

        const int64_t rowBytes = (static_cast<int64_t>(W) * spp * bps + 7) / 8;
        std::vector<uint32_t> offsets, counts;
        int32_t rowsPerStrip = H;
        if (tagCompression == 7) {
            TIOParamsVals jp(nullptr);
            jp.JPEGQuality = Params.TIFFJPEGQuality;
            jp.JPEGColorSpace = layout == Grey ? 1 : layout == CMYK ? 3 : (Params.TIFFJPEGColorSpace == 4 ? 0 : Params.TIFFJPEGColorSpace);
            if (layout == RGB && jp.JPEGColorSpace != 0 && jp.JPEGColorSpace != 2) jp.JPEGColorSpace = 2;
            if (jp.JPEGColorSpace == 2 && layout == RGB) t.Short(tifftag::PhotometricInterpretation, 6);
            jp.SetDpiX(Params.DpiX);
            jp.SetDpiY(Params.DpiY);
            if (Stream.Position() & 1) t.Pad();
            int64_t at = Stream.Position();
            WriteJPEGStream(Stream, src, jp, Progress);
            offsets.push_back(static_cast<uint32_t>(at - base));
            counts.push_back(static_cast<uint32_t>(Stream.Position() - at));
        } else {
            // Strips of about 512 KB, computed in 64 bits.
            const int64_t total = static_cast<int64_t>(H) * rowBytes;
            rowsPerStrip = static_cast<int32_t>(H / std::max<int64_t>(1, total / 524288));
            if (rowsPerStrip < 1) rowsPerStrip = 1;
            std::vector<uint8_t> row(static_cast<size_t>(rowBytes) + 8), packed;
            void* state = nullptr;
            TIECCITTEncoder faxState;
            const int fillOrder = Params.TIFFFillOrder == 2 ? 2 : 1;
            int64_t stripStart = 0;
            for (int32_t y = 0; y < H && !aborting; ++y) {
                if (y % rowsPerStrip == 0) {
                    if (Stream.Position() & 1) t.Pad();
                    stripStart = Stream.Position();
                }
                if (Progress.OnProgress) Progress.OnProgress(Progress.Sender, static_cast<int>(static_cast<int64_t>(y) * 100 / H));
                std::fill(row.begin(), row.end(), 0);
                uint8_t* s = src->Scanline(y);
                switch (layout) {
                    case Bilevel:
                        std::memcpy(row.data(), s, static_cast<size_t>(rowBytes));
                        break;
                    case Grey:
                    case Palette:
                        for (int32_t x = 0; x < W; ++x) {
                            uint32_t v;
                            if (pf == ie8g || pf == ie8p)
                                v = pf == ie8p && s[x] >= pal.size() ? static_cast<uint32_t>(quant->GetColorIndex(src->GetPalette(s[x]))) : s[x];
                            else if (pf == ie16g) {
                                uint16_t w16;
                                std::memcpy(&w16, s + x * 2, 2);
                                v = w16;
                            } else {
                                TRGB c;
                                std::memcpy(&c, s + x * 3, 3);
                                v = static_cast<uint32_t>(quant->GetColorIndex(c));
                                // Grey output: the quantizer's ramp entry is the grey level.
                                if (layout == Grey) v = bps == 16 ? pal[v].r * 257u : (bps == 8 ? pal[v].r : v);
                            }
                            if (bps == 16) {
                                std::memcpy(&row[static_cast<size_t>(x) * 2], &v, 2);
                            } else if (bps == 8) {
                                row[static_cast<size_t>(x)] = static_cast<uint8_t>(v);
                            } else {
                                int64_t bit = static_cast<int64_t>(x) * bps;
                                for (int b = bps - 1; b >= 0; --b, ++bit)
                                    if ((v >> b) & 1) row[static_cast<size_t>(bit >> 3)] |= static_cast<uint8_t>(0x80 >> (bit & 7));
                            }
                        }
                        break;
                    case RGB: {
                        uint8_t* a = alpha ? Bitmap->AlphaChannel()->Scanline(y) : nullptr;
                        for (int32_t x = 0; x < W; ++x) {
                            uint8_t* d = row.data() + static_cast<size_t>(x) * spp;
                            d[0] = s[x * 3 + 2];
                            d[1] = s[x * 3 + 1];
                            d[2] = s[x * 3];
                            if (alpha) d[3] = a[x];
                        }
                        if (predictor)
                            for (int64_t i = rowBytes - 1; i >= 3; --i) row[static_cast<size_t>(i)] = static_cast<uint8_t>(row[static_cast<size_t>(i)] - row[static_cast<size_t>(i - 3)]);
                        break;
                    }
                    case CMYK:
                        ColorRowConverter(s, iecrBGR, row.data(), &Params, W, iecrAlphaColor);
                        for (int64_t i = 0; i < rowBytes; ++i) row[static_cast<size_t>(i)] = static_cast<uint8_t>(~row[static_cast<size_t>(i)]);
                        break;
                    case NativeCMYK:
                        for (int64_t i = 0; i < rowBytes; ++i) row[static_cast<size_t>(i)] = static_cast<uint8_t>(~s[i]);
                        break;
                    case Lab:
                        ColorRowConverter(s, iecrBGR, row.data(), &Params, W, iecrCIELab);
                        break;
                    case RGB48:
                        std::memcpy(row.data(), s, static_cast<size_t>(rowBytes));
                        break;
                }
                if (fax) {
                    // The coders take black as the set bit.
                    for (int64_t i = 0; i < rowBytes; ++i) row[static_cast<size_t>(i)] = static_cast<uint8_t>(~row[static_cast<size_t>(i)]);
                    if (compression == 1)
                        EncodeCCITTMHRow(row.data(), W, Stream, fillOrder, aborting);
                    else if (compression == 2)
                        EncodeCCITT1DRow(row.data(), W, Stream, fillOrder, aborting, faxState);
                    else if (compression == 3)
                        EncodeCCITTG3Row(row.data(), W, Stream, fillOrder, aborting, faxState);
                    else
                        EncodeCCITTG4Row(row.data(), W, Stream, fillOrder, aborting, faxState);
                } else if (tagCompression == 5) {
                    lzw(row.data(), static_cast<int32_t>(rowBytes), Stream, state);
                } else if (tagCompression == 32773) {
                    PackBitsRow(row.data(), static_cast<int32_t>(rowBytes), packed);
                    WriteStreamChecked(Stream, aborting, packed.data(), static_cast<int64_t>(packed.size()));
                } else {
                    WriteStreamChecked(Stream, aborting, row.data(), rowBytes);
                }
                if ((y + 1) % rowsPerStrip == 0 || y == H - 1) {
                    if (tagCompression == 5) lzw(nullptr, 0, Stream, state);
                    if (compression == 2) EncodeCCITT1DRow(/*Row=*/nullptr, W, Stream, fillOrder, aborting, faxState);
                    if (compression == 3) EncodeCCITTG3Row(/*Row=*/nullptr, W, Stream, fillOrder, aborting, faxState);
                    if (compression == 4) EncodeCCITTG4Row(/*Row=*/nullptr, W, Stream, fillOrder, aborting, faxState);
                    faxState = TIECCITTEncoder{};
                    offsets.push_back(static_cast<uint32_t>(stripStart - base));
                    counts.push_back(static_cast<uint32_t>(Stream.Position() - stripStart));
                }
            }
            if (state) lzw(nullptr, 0, Stream, state);
        }
        if (aborting) return 0;
        t.Long(tifftag::RowsPerStrip, static_cast<uint32_t>(rowsPerStrip));
        t.Longs(tifftag::StripOffsets, offsets);
        t.Longs(tifftag::StripByteCounts, counts);
    }
    if (aborting) return 0;
    uint32_t ifd = t.WriteIFD(Insert ? linkTarget : 0);
    const int64_t end = Stream.Position();
    if (Insert) {
        uint8_t b[4];
        PutLE32(b, ifd);
        Stream.Seek(linkPos, soBeginning);
        WriteStreamChecked(Stream, aborting, b, 4);
    } else {
        uint8_t h[8] = {'I', 'I', 42, 0};
        PutLE32(h + 4, ifd);
        Stream.Seek(base, soBeginning);
        WriteStreamChecked(Stream, aborting, h, 8);
    }
    Stream.Seek(end, soBeginning);
    return aborting ? 0 : pages;
}
