#include "imaging/io/ierawcamera.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"
#include "imaging/processing/effects.h"

using namespace ieio;

namespace {

// The decoder reads the caller's stream from where the image starts, through a buffer.
class TRawDatastream : public LibRaw_abstract_datastream {
public:
    TRawDatastream(TStream& S, int64_t Start) : FStream(S), FStart(Start), FSize(S.Size() - Start) {}
    int valid() override { return 1; }
    int read(void* Ptr, size_t Size, size_t Count) override {
        if (Size == 0 || Count == 0) return 0;
        const int64_t want = static_cast<int64_t>(std::min<uint64_t>(uint64_t(Size) * Count, 1ull << 40));
        auto* out = static_cast<uint8_t*>(Ptr);
        int64_t done = 0;
        while (done < want && FPos < FSize) {
            if (!Fill()) break;
            const int64_t n = std::min(want - done, FBufStart + FBufLen - FPos);
            std::memcpy(out + done, FBuf + (FPos - FBufStart), static_cast<size_t>(n));
            done += n;
            FPos += n;
        }
        return static_cast<int>(done / static_cast<int64_t>(Size));
    }
    int seek(INT64 Offset, int Whence) override {
        int64_t to;
        switch (Whence) {
            case SEEK_SET: to = Offset; break;
            case SEEK_CUR: to = FPos + Offset; break;
            case SEEK_END: to = FSize + Offset; break;
            default: return -1;
        }
        if (to < 0) return -1;
        FPos = std::min(to, FSize);
        return 0;
    }
    INT64 tell() override { return FPos; }
    INT64 size() override { return FSize; }
    int get_char() override {
        if (FPos >= FSize || !Fill()) return -1;
        return FBuf[FPos++ - FBufStart];
    }
    char* gets(char* Str, int Size) override {
        if (Size <= 0) return nullptr;
        int i = 0;
        while (i < Size - 1) {
            int c = get_char();
            if (c < 0) break;
            Str[i++] = static_cast<char>(c);
            if (c == '\n') break;
        }
        Str[i] = 0;
        return i > 0 ? Str : nullptr;
    }
    int scanf_one(const char* Fmt, void* Val) override {
        char tok[32];
        int c, i = 0;
        while ((c = get_char()) >= 0 && (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0)) {
        }
        while (c >= 0 && i < 31 && !(c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0)) {
            tok[i++] = static_cast<char>(c);
            c = get_char();
        }
        tok[i] = 0;
        return i > 0 ? std::sscanf(tok, Fmt, Val) : -1;
    }
    int eof() override { return FPos >= FSize; }
    void* make_jas_stream() override { return nullptr; }

private:
    // Makes the buffer hold the byte at FPos.
    bool Fill() {
        if (FPos >= FBufStart && FPos < FBufStart + FBufLen) return true;
        FStream.Seek(FStart + FPos, soBeginning);
        FBufStart = FPos;
        FBufLen = std::max<int64_t>(0, FStream.Read(FBuf, sizeof FBuf));
        return FBufLen > 0;
    }
    TStream& FStream;
    int64_t FStart, FSize;
    int64_t FPos = 0, FBufStart = 0, FBufLen = 0;
    uint8_t FBuf[65536];
};

// LibRaw with the red and blue multipliers of the parameters on top of its white balance.
class TRawDecoder : public LibRaw {
public:
    double RedScale = 1, BlueScale = 1;
    void scale_colors_loop(float scale_mul[4]) override {
        scale_mul[0] = static_cast<float>(scale_mul[0] * RedScale);
        scale_mul[2] = static_cast<float>(scale_mul[2] * BlueScale);
        LibRaw::scale_colors_loop(scale_mul);
    }
    const int* RedHistogram() const {
        return libraw_internal_data.output_data.histogram ? libraw_internal_data.output_data.histogram[0] : nullptr;
    }
    int FujiWidth() const { return libraw_internal_data.internal_output_params.fuji_width; }
};

// A forged header must not make the decoder allocate more than this for the raw data.
constexpr unsigned kRawMemoryLimitMB = 1024;

void SetupDecoder(TRawDecoder& d, const TIOParamsVals& P) {
    auto& o = d.imgdata.params;
    o.use_auto_wb = P.RAWSwitches[1] ? 1 : 0;
    o.use_camera_wb = P.RAWSwitches[2] ? 1 : 0;
    o.four_color_rgb = P.RAWSwitches[3] ? 1 : 0;
    o.half_size = P.RAWHalfSize ? 1 : 0;
    o.user_qual = 0;  // linear interpolation
    o.gamm[0] = 1;
    o.gamm[1] = 1;
    o.no_auto_bright = 1;
    o.output_bps = 16;
    o.use_fuji_rotate = 0;  // the 45-degree layout is turned here
    o.output_color = 1;
    d.imgdata.params.max_raw_memory_mb = kRawMemoryLimitMB;
    d.RedScale = P.RAWRedScale;
    d.BlueScale = P.RAWBlueScale;
}

// ---- CIFF heaps ------------------------------------------------------------------------

struct TCIFF {
    TStream& s;
    bool le;
    int64_t end;
    TIOParamsVals& P;
    std::vector<std::pair<uint16_t, std::vector<uint16_t>>> notes;
    int64_t previewAt = -1, previewSize = 0;
    int32_t previewW = 0, previewH = 0;
    int records = 0;

    uint32_t U32(const uint8_t* p) const {
        return le ? LE32(p) : (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    }
    uint16_t U16(const uint8_t* p) const { return le ? LE16(p) : static_cast<uint16_t>((p[0] << 8) | p[1]); }
    bool ReadAt(int64_t at, void* buf, int64_t n) {
        if (at < 0 || n < 0 || at + n > end) return false;
        s.Seek(at, soBeginning);
        return s.Read(buf, n) == n;
    }
    std::string Text(const uint8_t* p, size_t n, size_t& used) {
        size_t i = 0;
        while (i < n && p[i] != 0) ++i;
        used = std::min(n, i + 1);
        return std::string(reinterpret_cast<const char*>(p), i);
    }
    void Heap(int64_t start, int64_t length, int depth) {
        // Sub-heaps nest a few levels at most and stay inside their parent; this bounds the work.
        if (depth > 8 || length < 6 || start < 0 || start + length > end || ++records > 4096) return;
        uint8_t b[4];
        if (!ReadAt(start + length - 4, b, 4)) return;
        const int64_t table = start + U32(b);
        uint8_t c[2];
        if (table >= start + length - 4 || !ReadAt(table, c, 2)) return;
        const int count = std::min<int>(U16(c), 256);
        for (int i = 0; i < count; ++i) {
            uint8_t r[10];
            if (!ReadAt(table + 2 + i * 10, r, 10)) return;
            const uint16_t tag = U16(r);
            uint32_t size = U32(r + 2);
            int64_t at = start + U32(r + 6);
            std::vector<uint8_t> data;
            if (tag >= 0x4000) {
                data.assign(r + 2, r + 10);
                size = 8;
            } else if ((tag & 0x3FFF) < 0x2800 || (tag & 0x3FFF) > 0x300B) {
                if (size > (1u << 20) || at < start || at + size > start + length) continue;
                if ((tag & 0x3FFF) != 0x2007 && (tag & 0x3FFF) != 0x2008) {
                    data.resize(size);
                    if (!ReadAt(at, data.data(), size)) continue;
                }
            }
            size_t used = 0;
            switch (tag & 0x3FFF) {
                case 0x0805: P.ExifImageDescription = Text(data.data(), data.size(), used); break;
                case 0x080A: {
                    P.ExifMake = Text(data.data(), data.size(), used);
                    size_t more = 0;
                    if (used < data.size()) P.ExifModel = Text(data.data() + used, data.size() - used, more);
                    break;
                }
                case 0x080B: P.ExifSoftware = Text(data.data(), data.size(), used); break;
                case 0x1810:
                    if (data.size() >= 8) {
                        P.ExifPixelXDimension = static_cast<int32_t>(U32(data.data()));
                        P.ExifPixelYDimension = static_cast<int32_t>(U32(data.data() + 4));
                    }
                    break;
                case 0x102A:
                case 0x102D: {
                    std::vector<uint16_t> words;
                    for (size_t k = 0; k + 1 < data.size(); k += 2) words.push_back(U16(&data[k]));
                    notes.emplace_back((tag & 0x3FFF) == 0x102A ? 4 : 1, words);
                    break;
                }
                case 0x2007:
                case 0x2008: {
                    if (at < start || at + size > start + length || size == 0) break;
                    TIEImageIO io;
                    s.Seek(at, soBeginning);
                    io.ParamsFromStreamFormat(s, ioJPEG);
                    if (!io.Aborting && io.Params->Width > 0 &&
                        (previewAt < 0 || (io.Params->Width < previewW && io.Params->Height < previewH))) {
                        previewAt = at;
                        previewSize = size;
                        previewW = io.Params->Width;
                        previewH = io.Params->Height;
                    }
                    break;
                }
                case 0x2800: case 0x2807: case 0x3000: case 0x3002: case 0x3003: case 0x3004: case 0x300A:
                case 0x300B:
                    if (at > start && at + size <= start + length && static_cast<int64_t>(size) < length)
                        Heap(at, size, depth + 1);
                    break;
                default: break;
            }
        }
    }
};

}  // namespace

void ReadCIFFMetadata(TStream& Stream, TIOParamsVals& Params) {
    const int64_t p = Stream.Position();
    uint8_t h[14];
    if (Stream.Read(h, 14) != 14) {
        Stream.Seek(p, soBeginning);
        return;
    }
    const bool le = h[0] == 'I' && h[1] == 'I', be = h[0] == 'M' && h[1] == 'M';
    if ((!le && !be) || std::memcmp(h + 6, "HEAPCCDR", 8) != 0) {
        Stream.Seek(p, soBeginning);
        return;
    }
    TCIFF c{Stream, le, Stream.Size(), Params};
    const uint32_t hl = le ? LE32(h + 2) : (uint32_t(h[2]) << 24) | (h[3] << 16) | (h[4] << 8) | h[5];
    c.Heap(p + hl, c.end - p - hl, 0);
    if (!Params.ExifThumbnail) Params.ExifThumbnail = std::make_unique<TIEBitmap>();
    Params.ExifThumbnail->FreeImage(true);
    if (c.previewAt >= 0) {
        TIEImageIO io;
        io.SetAttachedBitmap(Params.ExifThumbnail.get());
        std::vector<uint8_t> jpeg(static_cast<size_t>(c.previewSize));
        Stream.Seek(c.previewAt, soBeginning);
        if (Stream.Read(jpeg.data(), c.previewSize) == c.previewSize)
            io.LoadFromBuffer(jpeg.data(), c.previewSize, ioJPEG);
    }
    if (!c.notes.empty()) {
        // A little-endian directory of SHORT entries, their words after it.
        auto ms = std::make_unique<TMemoryStream>();
        std::vector<uint8_t> dir(2 + c.notes.size() * 12), tail;
        PutLE16(dir.data(), static_cast<uint32_t>(c.notes.size()));
        for (size_t i = 0; i < c.notes.size(); ++i) {
            uint8_t* e = &dir[2 + i * 12];
            PutLE16(e, c.notes[i].first);
            PutLE16(e + 2, 3);
            PutLE32(e + 4, static_cast<uint32_t>(c.notes[i].second.size()));
            PutLE32(e + 8, static_cast<uint32_t>(dir.size() + tail.size()));
            for (uint16_t w : c.notes[i].second) tail.insert(tail.end(), {uint8_t(w), uint8_t(w >> 8)});
        }
        ms->Write(dir.data(), static_cast<int64_t>(dir.size()));
        ms->Write(tail.data(), static_cast<int64_t>(tail.size()));
        Params.ExifMakerNote.Data = std::move(ms);
        Params.ExifMakerNote.ReadTags();
    }
    Stream.Seek(p, soBeginning);
}

int32_t RawWhitePoint(const int* Histogram, int Bins, int32_t Width, int32_t Height, bool Fuji) {
    const int64_t threshold = static_cast<int64_t>(static_cast<double>(Width) * Height * (Fuji ? 0.005 : 0.01));
    int64_t sum = 0;
    for (int v = Bins - 1; v >= 1; --v) {
        sum += Histogram[v];
        if (sum > threshold) return v * 8;
    }
    return 1;
}

std::vector<double> RawGammaTable(int32_t White, double Gamma, double Bright) {
    if (White <= 0) White = 1;
    std::vector<double> t(65536);
    t[0] = 0;
    for (int i = 1; i < 65536; ++i) t[i] = std::pow(2.0 * i / White, Gamma - 1) * Bright * 442 / White;
    return t;
}

void UnrotateSuperCCD(TIEBitmap* B) {
    const int32_t W = B->Width(), H = B->Height();
    const bool wide = B->PixelFormat() == ieRGB48;
    if (W < 3 || H < 1 || (!wide && B->PixelFormat() != ieRGB24)) return;
    const int bpp = wide ? 6 : 3;
    auto black = [&](const uint8_t* p) {
        for (int k = 0; k < bpp; ++k)
            if (p[k]) return false;
        return true;
    };
    const uint8_t* first = B->Scanline(0);
    int32_t b = 0;
    while (b < W && black(first + b * bpp)) ++b;
    int32_t e = W - 1;
    while (e >= 0 && black(first + e * bpp)) --e;
    const int32_t N = 2 * W - 2 * b - 4;
    // A first row without a lit pixel gives no layout to turn.
    if (e < 1 || N < 2) return;
    const int32_t c = e + 1;
    std::vector<uint8_t> grid(static_cast<size_t>(N) * e * bpp, 0);
    for (int32_t r = 0; r < H; ++r) {
        const uint8_t* s = B->Scanline(r);
        for (int32_t k = 0; k < W; ++k) {
            const int32_t g = r + k - c + 6, col = (k + e - r - 1) / 2;
            if (g >= 0 && g < N && col >= 0 && col < e)
                std::memcpy(&grid[(static_cast<size_t>(g) * e + col) * bpp], s + k * bpp, bpp);
        }
    }
    auto at = [&](int32_t j, int32_t m) { return &grid[(static_cast<size_t>(j) * e + m) * bpp]; };
    TIEBitmap out;
    out.Allocate(2 * e, N, B->PixelFormat());
    out.Fill(0);
    for (int32_t j = 1; j < N; ++j) {
        uint8_t* d = out.Scanline(j - 1);
        for (int32_t m = 1; m < 2 * e; ++m) {
            uint8_t* px = d + m * bpp;
            if ((j + m) % 2 == 0) {
                if (m / 2 < e) std::memcpy(px, at(j, m / 2), bpp);
            } else if (j - 1 < N - 2 && m - 1 < 2 * e - 2 && j + 1 < N) {
                const int32_t m2 = (j & 1) ? m / 2 - 1 : m / 2;
                if (m2 >= 0 && m2 + 1 < e && m / 2 < e) {
                    const uint8_t* q[4] = {at(j - 1, m / 2), at(j, m2), at(j + 1, m / 2), at(j, m2 + 1)};
                    for (int k = 0; k < (wide ? 3 : 3); ++k) {
                        uint32_t sum = 0;
                        for (const uint8_t* s : q) {
                            if (wide) {
                                uint16_t v;
                                std::memcpy(&v, s + k * 2, 2);
                                sum += v;
                            } else {
                                sum += s[k];
                            }
                        }
                        if (wide) {
                            const uint16_t v = static_cast<uint16_t>(sum >> 2);
                            std::memcpy(px + k * 2, &v, 2);
                        } else {
                            px[k] = static_cast<uint8_t>(sum >> 2);
                        }
                    }
                    continue;
                }
                if (j > 1) std::memcpy(px, out.Scanline(j - 2) + m * bpp, bpp);
            } else if (j > 1) {
                std::memcpy(px, out.Scanline(j - 2) + m * bpp, bpp);
            }
        }
    }
    B->Allocate(2 * e, N, out.PixelFormat());
    for (int32_t y = 0; y < N; ++y) std::memcpy(B->Scanline(y), out.Scanline(y), static_cast<size_t>(2 * e) * bpp);
}

bool IsRawCameraStream(TStream& Stream) {
    const int64_t p = Stream.Position();
    bool ok = false;
    try {
        auto d = std::make_unique<TRawDecoder>();
        TRawDatastream ds(Stream, p);
        d->imgdata.params.max_raw_memory_mb = kRawMemoryLimitMB;
        ok = d->open_datastream(&ds) == LIBRAW_SUCCESS;
    } catch (...) {
        ok = false;
    }
    Stream.Seek(p, soBeginning);
    return ok;
}

void ReadRawCameraStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                         TIEProgressRecord& Progress) {
    const int64_t start = Stream.Position();
    if (Params.RAWGetExifThumbnail && !Preview) {
        if (Params.ExifThumbnail) Params.ExifThumbnail->FreeImage(true);
        Params.RAWGetExifThumbnail = false;
        ReadRawCameraStream(Stream, Bitmap, Params, /*Preview=*/true, Progress);
        Params.RAWGetExifThumbnail = true;
        if (Progress.Aborted()) return;
        if (Params.ExifThumbnail && !Params.ExifThumbnail->IsEmpty()) {
            Bitmap->Assign(Params.ExifThumbnail.get());
            Params.Width = Bitmap->Width();
            Params.Height = Bitmap->Height();
            return;
        }
        Stream.Seek(start, soBeginning);
    }
    // Metadata: the EXIF block of TIFF-structured files, the heaps of CRW files.
    {
        TIEBufferedReadStream bs(&Stream, 8192);
        bs.Seek(start, soBeginning);
        const int64_t tiff = FindTIFFHeader(bs);
        if (tiff < 0) {
            Stream.Seek(start, soBeginning);
            ReadCIFFMetadata(Stream, Params);
        } else {
            Stream.Seek(tiff, soBeginning);
            if (LoadEXIFFromRawStream(Stream, Params)) {
                const double f = Params.ExifResolutionUnit == 3 ? 2.54 : 1;
                Params.SetDpiX(static_cast<int32_t>(Params.ExifXResolution * f));
                Params.SetDpiY(static_cast<int32_t>(Params.ExifYResolution * f));
            }
        }
    }
    Stream.Seek(start, soBeginning);
    auto d = std::make_unique<TRawDecoder>();
    SetupDecoder(*d, Params);
    double bright = Params.RAWBright;
    if (Params.RAWAutoAdjustColors && Params.ExifThumbnail && !Params.ExifThumbnail->IsEmpty()) bright = 0.5;
    TRawDatastream ds(Stream, start);
    try {
        if (d->open_datastream(&ds) != LIBRAW_SUCCESS) {
            SetAbort(Progress);
            return;
        }
        const auto& id = d->imgdata.idata;
        Params.RAWCamera = std::string(id.make) + " " + id.model + " " + d->imgdata.color.model2;
        Params.SetDpiX(DefaultDpiX);
        Params.SetDpiY(DefaultDpiY);
        Params.FreePalette();
        const bool cfa = id.filters != 0;
        const bool half = Params.RAWHalfSize && cfa;
        const int32_t trim = cfa && !half ? 1 : 0;
        int32_t w = 0, h = 0;
        if (Preview) {
            // The decoder's own output size for these options, without decoding.
            d->adjust_sizes_info_only();
            w = d->imgdata.sizes.iwidth;
            h = d->imgdata.sizes.iheight;
        }
        // The size the bitmap will have (the decoder's own less the trimmed border).
        Params.Width = std::max(0, w - 2 * trim);
        Params.Height = std::max(0, h - 2 * trim);
        Params.BitsPerSample = Params.IsNativePixelFormat ? 16 : 8;
        Params.SamplesPerPixel = 3;
        if (Preview) return;
        if (d->unpack() != LIBRAW_SUCCESS) {
            SetAbort(Progress);
            return;
        }
        Progress.Report(70);
        if (d->dcraw_process() != LIBRAW_SUCCESS) {
            SetAbort(Progress);
            return;
        }
        Progress.Report(85);
        w = d->imgdata.sizes.iwidth;
        h = d->imgdata.sizes.iheight;
        const int* hist = d->RedHistogram();
        auto* img = d->imgdata.image;
        if (hist == nullptr || img == nullptr || w - 2 * trim <= 0 || h - 2 * trim <= 0) {
            SetAbort(Progress);
            return;
        }
        const int32_t white = RawWhitePoint(hist, LIBRAW_HISTOGRAM_SIZE, w, h, std::string(id.make) == "FUJIFILM");
        std::vector<double> table = RawGammaTable(white, Params.RAWGamma, bright);
        const double aspect = d->imgdata.sizes.pixel_aspect;
        const int hmag = aspect > 0 && aspect < 1 ? std::max(1, static_cast<int>(std::lround(1 / aspect))) : 1;
        const int vmag = aspect > 1 ? std::max(1, static_cast<int>(std::lround(aspect))) : 1;
        const int32_t ow = (w - 2 * trim) * hmag, oh = (h - 2 * trim) * vmag;
        const bool wide = Params.IsNativePixelFormat;
        Bitmap->Allocate(ow, oh, wide ? ieRGB48 : ieRGB24);
        for (int32_t y = trim; y < h - trim; ++y) {
            for (int v = 0; v < vmag; ++v) {
                uint8_t* row = Bitmap->Scanline((y - trim) * vmag + v);
                for (int32_t x = trim; x < w - trim; ++x) {
                    const ushort* px = img[static_cast<size_t>(y) * w + x];
                    double c[3];
                    for (int k = 0; k < 3; ++k) c[k] = px[k] * table[px[k]];
                    for (int m = 0; m < hmag; ++m) {
                        const int32_t ox = (x - trim) * hmag + m;
                        if (wide) {
                            auto* o = reinterpret_cast<uint16_t*>(row) + ox * 3;
                            for (int k = 0; k < 3; ++k) o[k] = static_cast<uint16_t>(std::min(65535.0, c[k] * 65535 / 255));
                        } else {
                            uint8_t* o = row + ox * 3;
                            o[2] = static_cast<uint8_t>(std::min(255.0, c[0]));
                            o[1] = static_cast<uint8_t>(std::min(255.0, c[1]));
                            o[0] = static_cast<uint8_t>(std::min(255.0, c[2]));
                        }
                    }
                }
            }
        }
        Progress.Report(90);
        if (d->FujiWidth() != 0) UnrotateSuperCCD(Bitmap);
        Params.Width = Bitmap->Width();
        Params.Height = Bitmap->Height();
        if (Params.RAWAutoAdjustColors && Params.ExifThumbnail && !Params.ExifThumbnail->IsEmpty() && !wide)
            MatchHistogram(Params.ExifThumbnail.get(), Bitmap);
        Progress.Report(100);
    } catch (...) {
        // The decoder's own failures (memory, damaged blocks) end the read like any bad data.
        SetAbort(Progress);
    }
}
