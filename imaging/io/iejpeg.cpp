#include "imaging/io/iejpeg.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/ieformats.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"

using namespace ieio;

// The codec reports fatal errors through our error exit, which raises
// EIEJpegException; the unwinding passes through the codec's frames.

namespace {

// The notice and version texts are not part of the installed headers; they read empty.
#ifndef JVERSION
#define JVERSION ""
#endif
#ifndef JCOPYRIGHT_SHORT
#define JCOPYRIGHT_SHORT ""
#endif
const char* const RawMessages[] = {
#define JMESSAGE(code, string) string,
#include <jerror.h>
#undef JMESSAGE
    nullptr};
constexpr int RawMessageCount = static_cast<int>(sizeof RawMessages / sizeof RawMessages[0]) - 1;

// Each printf conversion (with a 0x before it) becomes "?", leading blanks go.
std::string CleanMessage(const char* s) {
    std::string out;
    for (size_t i = 0; s[i];) {
        if (s[i] == '0' && s[i + 1] == 'x' && s[i + 2] == '%') {
            i += 2;
            continue;
        }
        if (s[i] == '%') {
            ++i;
            while (s[i] && std::strchr("0123456789.-+ #l", s[i])) ++i;
            if (s[i]) ++i;
            out.push_back('?');
            continue;
        }
        out.push_back(s[i++]);
    }
    size_t b = out.find_first_not_of(' ');
    out = b == std::string::npos ? std::string() : out.substr(b);
    if (out.find_first_not_of("? ") == std::string::npos && !out.empty()) out = "?";
    return out;
}

std::vector<std::string>& Messages() {
    static std::vector<std::string> table = [] {
        std::vector<std::string> t;
        for (int i = 0; i < RawMessageCount; ++i) t.push_back(RawMessages[i] ? CleanMessage(RawMessages[i]) : "");
        return t;
    }();
    return table;
}

struct ErrorManager {
    jpeg_error_mgr pub{};
    int32_t warnings = 0;
    int32_t lastCode = 0;
    std::atomic<bool>* aborting = nullptr;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (err->aborting) *err->aborting = true;
    throw EIEJpegException(JPEGMessageText(err->pub.msg_code));
}

void EmitMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level == -1) {
        ++err->warnings;
        err->lastCode = err->pub.msg_code;
    }
}

void OutputMessage(j_common_ptr) {}
void FormatMessage(j_common_ptr, char* buffer) { buffer[0] = 0; }
void ResetErrorMgr(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->warnings = 0;
    err->pub.msg_code = 0;
}

void InitErrorManager(ErrorManager& e, std::atomic<bool>* aborting) {
    jpeg_std_error(&e.pub);
    e.pub.error_exit = ErrorExit;
    e.pub.emit_message = EmitMessage;
    e.pub.output_message = OutputMessage;
    e.pub.format_message = FormatMessage;
    e.pub.reset_error_mgr = ResetErrorMgr;
    e.aborting = aborting;
}

constexpr size_t IOBufferSize = 65536;

struct StreamSource {
    jpeg_source_mgr pub{};
    TStream* stream = nullptr;
    bool startOfFile = true;
    bool ended = false;  // the data ran out before the codec was done
    std::atomic<bool>* aborting = nullptr;
    std::vector<JOCTET> buffer = std::vector<JOCTET>(IOBufferSize);
};

void InitSource(j_decompress_ptr cinfo) { reinterpret_cast<StreamSource*>(cinfo->src)->startOfFile = true; }

boolean FillInput(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
    int64_t got = src->stream->Read(src->buffer.data(), static_cast<int64_t>(src->buffer.size()));
    if (got <= 0) {
        if (src->startOfFile && src->aborting) *src->aborting = true;
        src->ended = true;
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        got = 2;
    }
    src->startOfFile = false;
    src->pub.next_input_byte = src->buffer.data();
    src->pub.bytes_in_buffer = static_cast<size_t>(got);
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long n) {
    auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
    if (n < 1) return;
    while (n > static_cast<long>(src->pub.bytes_in_buffer)) {
        n -= static_cast<long>(src->pub.bytes_in_buffer);
        FillInput(cinfo);
    }
    src->pub.next_input_byte += n;
    src->pub.bytes_in_buffer -= static_cast<size_t>(n);
}

void TermSource(j_decompress_ptr) {}

void AttachSource(j_decompress_ptr cinfo, StreamSource& src, TStream* stream, std::atomic<bool>* aborting) {
    src.stream = stream;
    src.aborting = aborting;
    src.pub.init_source = InitSource;
    src.pub.fill_input_buffer = FillInput;
    src.pub.skip_input_data = SkipInput;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = TermSource;
    src.pub.bytes_in_buffer = 0;
    src.pub.next_input_byte = nullptr;
    cinfo->src = &src.pub;
}

struct StreamDest {
    jpeg_destination_mgr pub{};
    TStream* stream = nullptr;
    std::atomic<bool>* aborting = nullptr;
    std::vector<JOCTET> buffer;
};

void InitDest(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<StreamDest*>(cinfo->dest);
    d->buffer.assign(IOBufferSize, 0);
    d->pub.next_output_byte = d->buffer.data();
    d->pub.free_in_buffer = d->buffer.size();
}

boolean EmptyOutput(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<StreamDest*>(cinfo->dest);
    if (d->stream->Write(d->buffer.data(), static_cast<int64_t>(d->buffer.size())) !=
            static_cast<int64_t>(d->buffer.size()) &&
        d->aborting)
        *d->aborting = true;
    d->pub.next_output_byte = d->buffer.data();
    d->pub.free_in_buffer = d->buffer.size();
    return TRUE;
}

void TermDest(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<StreamDest*>(cinfo->dest);
    int64_t n = static_cast<int64_t>(d->buffer.size() - d->pub.free_in_buffer);
    if (n > 0 && d->stream->Write(d->buffer.data(), n) != n && d->aborting) *d->aborting = true;
}

// Frees the codec object whatever way the call ends.
struct DecompressGuard {
    jpeg_decompress_struct* c;
    ~DecompressGuard() { jpeg_destroy_decompress(c); }
};
struct CompressGuard {
    jpeg_compress_struct* c;
    ~CompressGuard() { jpeg_destroy_compress(c); }
};

}  // namespace

const char* JPEGMessageText(int Code) {
    static const std::string corrupted = "Corrupted";
    auto& t = Messages();
    if (Code < 0 || Code >= static_cast<int>(t.size())) return corrupted.c_str();
    if (Code == JMSG_COPYRIGHT || Code == JMSG_VERSION) return "";
    return t[Code].c_str();
}

int64_t FindJPEGStart(TStream& Stream) {
    int64_t p = Stream.Position();
    uint8_t buf[102] = {};
    int64_t got = Stream.Read(buf, sizeof buf);
    Stream.Seek(p, soBeginning);
    for (int64_t i = 0; i < 100 && i + 2 < got; ++i)
        if (buf[i] == 0xFF && buf[i + 1] == 0xD8 && buf[i + 2] == 0xFF) return p + i;
    return -1;
}

void ReadJPEGICCProfile(TStream& Stream, TIOParamsVals& Params) {
    int64_t p = Stream.Position();
    TIEBufferedReadStream s(&Stream, 8192);
    s.Seek(p, soBeginning);
    std::vector<std::vector<uint8_t>> chunks;
    int seen = 0, expected = 0;
    uint8_t b = 0;
    auto get = [&](uint8_t& v) { return s.Read(&v, 1) == 1; };
    while (get(b)) {
        if (b != 0xFF) continue;
        uint8_t m = 0;
        if (!get(m)) break;
        while (m == 0xFF)
            if (!get(m)) break;
        if (m <= 0xBF || (m >= 0xD0 && m <= 0xD8)) continue;
        if (m == 0xD9 || m == 0xDA) break;  // no profile after the scan starts
        uint8_t lb[2];
        if (s.Read(lb, 2) != 2) break;
        int32_t len = (lb[0] << 8) | lb[1];
        if (len < 2) break;
        if (m != 0xE2) {
            s.Seek(len - 2, soCurrent);
            continue;
        }
        std::vector<uint8_t> data(static_cast<size_t>(len - 2));
        if (!data.empty() && s.Read(data.data(), static_cast<int64_t>(data.size())) != static_cast<int64_t>(data.size()))
            break;
        // A chunk needs its 14-byte header; number 0 would index before the list.
        if (len < 16 || std::memcmp(data.data(), "ICC_PROFILE\0", 12) != 0 || data[12] == 0) continue;
        size_t num = data[12];
        expected = data[13];
        if (chunks.size() < num) chunks.resize(num);
        chunks[num - 1].assign(data.begin() + 14, data.end());
        ++seen;
        if (expected > 0 && seen >= expected) break;
    }
    std::vector<uint8_t> joined;
    for (auto& c : chunks) joined.insert(joined.end(), c.begin(), c.end());
    if (!joined.empty()) Params.GetColorProfile()->LoadFromBuffer(joined.data(), static_cast<int32_t>(joined.size()));
    Stream.Seek(p, soBeginning);
}

int64_t MeasureJPEGStreamLength(TStream& Stream) {
    int64_t p = Stream.Position();
    TIEBufferedReadStream s(&Stream, 8192);
    s.Seek(p, soBeginning);
    uint8_t b = 0;
    while (s.Read(&b, 1) == 1) {
        if (b != 0xFF) continue;
        uint8_t m = 0;
        if (s.Read(&m, 1) != 1) break;
        if ((m >= 0xC0 && m <= 0xCF) || (m >= 0xDA && m <= 0xFE)) {
            uint8_t lb[2];
            if (s.Read(lb, 2) != 2) break;
            int32_t len = (lb[0] << 8) | lb[1];
            if (len > 2) s.Seek(len - 2, soCurrent);
        } else if (m == 0xD9) {
            break;
        }
    }
    int64_t end = std::min(s.Position(), Stream.Size());
    Stream.Seek(p, soBeginning);
    return end - p;
}

void ReadJPEGStream(TStream& Stream, TStream* TablesStream, TIEBitmap* Bitmap, bool UseColorManagement,
                    bool InvertCMYK, bool ReadMetadata, bool KeepYCbCr, bool Preview, TIEProgressRecord& Progress,
                    TIOParamsVals& Params) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>* flag = Progress.Aborting ? Progress.Aborting : &dummy;
    const int64_t imageStart = Stream.Position();
    if (Params.GetExifThumbnail && !Preview) {
        Params.ExifThumbnail.reset();
        Params.SetGetExifThumbnail(false);
        ReadJPEGStream(Stream, TablesStream, Bitmap, UseColorManagement, InvertCMYK, /*ReadMetadata=*/true, KeepYCbCr,
                       /*Preview=*/true, Progress, Params);
        // Back to where this image starts, not to the start of the stream.
        Stream.Seek(imageStart, soBeginning);
        Params.SetGetExifThumbnail(true);
        if (Params.ExifThumbnail && !Params.ExifThumbnail->IsEmpty()) {
            Bitmap->Assign(Params.ExifThumbnail.get());
            return;
        }
        if (*flag) return;
    }
    Params.JPEGWarningCount = 0;
    Params.JPEGWarningCode = 0;
    int64_t start = FindJPEGStart(Stream);
    if (start < 0) {
        *flag = true;
        return;
    }
    Stream.Seek(start, soBeginning);
    ReadJPEGICCProfile(Stream, Params);
    const bool colorManaged = EnableColorManagement && Params.ColorProfile != nullptr;

    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    InitErrorManager(err, flag);
    cinfo.err = &err.pub;
    jpeg_create_decompress(&cinfo);
    DecompressGuard guard{&cinfo};
    StreamSource src, tablesSrc;
    std::vector<uint8_t> buffer;
    bool headerDone = false, started = false;
    int32_t outW = 0, outH = 0;
    J_COLOR_SPACE fileSpace = JCS_UNKNOWN;
    try {
        if (TablesStream != nullptr && TablesStream != &Stream) {
            AttachSource(&cinfo, tablesSrc, TablesStream, flag);
            jpeg_read_header(&cinfo, FALSE);
        }
        AttachSource(&cinfo, src, &Stream, flag);
        if (!*flag) {
            jpeg_save_markers(&cinfo, JPEG_COM, 0xFFFF);
            for (int m = 0; m < 16; ++m) jpeg_save_markers(&cinfo, JPEG_APP0 + m, 0xFFFF);
            jpeg_read_header(&cinfo, TRUE);
            headerDone = true;
            Params.BitsPerSample = 8;
            fileSpace = cinfo.jpeg_color_space;
            switch (fileSpace) {
                case JCS_GRAYSCALE:
                    Params.JPEGColorSpace = 1;
                    Params.SamplesPerPixel = 1;
                    cinfo.out_color_space = JCS_GRAYSCALE;
                    break;
                case JCS_RGB:
                    Params.JPEGColorSpace = 0;
                    Params.SamplesPerPixel = 3;
                    cinfo.out_color_space = JCS_EXT_BGR;
                    break;
                case JCS_YCbCr:
                    Params.JPEGColorSpace = 2;
                    Params.SamplesPerPixel = 3;
                    cinfo.out_color_space = JCS_EXT_BGR;
                    break;
                case JCS_CMYK:
                    Params.JPEGColorSpace = 3;
                    Params.SamplesPerPixel = 4;
                    cinfo.out_color_space = JCS_CMYK;
                    break;
                case JCS_YCCK:
                    Params.JPEGColorSpace = 4;
                    Params.SamplesPerPixel = 4;
                    cinfo.out_color_space = JCS_CMYK;
                    break;
                default:
                    // A component layout without a colour space cannot be shown: refuse it.
                    Params.SamplesPerPixel = cinfo.num_components;
                    *flag = true;
                    break;
            }
            // Kept samples: three-component data marked YCbCr holds red, green, blue in that
            // order; told so, the codec hands it out reordered to the bitmap's order.
            if (KeepYCbCr && cinfo.num_components == 3 && fileSpace == JCS_YCbCr) cinfo.jpeg_color_space = JCS_RGB;
            // Grey into a colour bitmap: the codec fills the three samples itself.
            if (fileSpace == JCS_GRAYSCALE && !Params.IsNativePixelFormat && !colorManaged)
                cinfo.out_color_space = JCS_EXT_BGR;
            cinfo.dct_method = Params.JPEGDCTMethod == 1 ? JDCT_IFAST : Params.JPEGDCTMethod == 2 ? JDCT_FLOAT : JDCT_ISLOW;
            if (cinfo.density_unit == 2) {
                Params.SetDpiX(static_cast<int32_t>(cinfo.X_density * 2.54));
                Params.SetDpiY(static_cast<int32_t>(cinfo.Y_density * 2.54));
            } else {
                Params.SetDpiX(cinfo.X_density);
                Params.SetDpiY(cinfo.Y_density);
            }
            Params.JPEGProgressive = jpeg_has_multiple_scans(&cinfo) != 0;
            Params.OriginalWidth = static_cast<int32_t>(cinfo.image_width);
            Params.OriginalHeight = static_cast<int32_t>(cinfo.image_height);
            int denom = 1;
            switch (Params.JPEGScale) {
                case 2: denom = 2; break;
                case 3: denom = 4; break;
                case 4: denom = 8; break;
                case 0:
                    if (Params.Width > 0 && Params.Height > 0) {
                        for (int n = 3; n >= 0; --n) {
                            if (static_cast<int64_t>(cinfo.image_width >> n) >= Params.Width &&
                                static_cast<int64_t>(cinfo.image_height >> n) >= Params.Height) {
                                denom = 1 << n;
                                break;
                            }
                        }
                    }
                    break;
                default: break;
            }
            cinfo.scale_num = 1;
            cinfo.scale_denom = denom;
            Params.JPEGScaleUsed = denom;
            if (!*flag) {
                jpeg_start_decompress(&cinfo);
                started = true;
                outW = static_cast<int32_t>(cinfo.output_width);
                outH = static_cast<int32_t>(cinfo.output_height);
                Params.Width = outW;
                Params.Height = outH;
            }
        }
        if (started && !Preview) {
            const int comps = cinfo.output_components;
            TIEPixelFormat pf = ieRGB24;
            if (Params.IsNativePixelFormat) {
                if (cinfo.out_color_space == JCS_GRAYSCALE) pf = ie8g;
                if (cinfo.out_color_space == JCS_CMYK) pf = ieCMYK;
            }
            // Huffman-coded scans spend at least a bit on each block's DC value,
            // so a few thousand pixels a byte is beyond any real file; arithmetic
            // coding can go much further.
            const int64_t Expansion = cinfo.arith_code ? 1 << 20 : 1 << 12;
            if (!PlausibleSize(outW, outH, Stream.Size() - start, Expansion)) {
                *flag = true;
            } else {
                Reallocate(Bitmap, outW, outH, pf);
                if (Bitmap->IsEmpty()) *flag = true;
            }
            const bool direct = (pf == ie8g && comps == 1) || (pf == ieCMYK && comps == 4) ||
                                (pf == ieRGB24 && comps == 3 && !colorManaged);
            if (!direct) buffer.assign(static_cast<size_t>(outW) * 4 + 16, 0);
            // Rows go straight into the bitmap, as many at a time as the codec gives out; a
            // file-backed bitmap maps one row at a time.
            constexpr int32_t MaxBatch = 16;
            const int32_t Batch = Bitmap->Location() == ieTempFile ? 1 : MaxBatch;
            JSAMPROW targets[MaxBatch];
            int32_t y = 0, shown = -1;
            while (!*flag && cinfo.output_scanline < cinfo.output_height && y < Bitmap->Height()) {
                int32_t n = 1;
                if (direct) {
                    n = std::min(Batch, Bitmap->Height() - y);
                    for (int32_t i = 0; i < n; ++i) targets[i] = Bitmap->Scanline(y + i);
                } else {
                    targets[0] = buffer.data();
                }
                const int32_t got = static_cast<int32_t>(jpeg_read_scanlines(&cinfo, targets, static_cast<JDIMENSION>(n)));
                if (got < 1) break;
                if (!direct) {
                    uint8_t* row = Bitmap->Scanline(y);
                    if (comps == 1) {
                        for (int32_t x = 0; x < outW; ++x) row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = buffer[x];
                    } else if (comps == 3) {
                        ColorRowConverter(buffer.data(), iecrBGR, row, &Params, outW, iecrBGR);
                    } else if (comps == 4) {
                        if (InvertCMYK)
                            for (int32_t i = 0; i < outW * 4; ++i) buffer[i] = static_cast<uint8_t>(255 - buffer[i]);
                        ColorRowConverter(buffer.data(), iecrAlphaColor, row, &Params, outW, iecrBGR);
                    }
                }
                y += got;
                const int32_t percent = static_cast<int32_t>(y * 100LL / outH);
                if (Progress.OnProgress && percent != shown) {
                    shown = percent;
                    Progress.OnProgress(Progress.Sender, percent);
                }
            }
            if (y < outH) *flag = true;
            // Rows past the end of the data are the codec's padding.
            if (src.ended) *flag = true;
        }
    } catch (const EIEJpegException&) {
        *flag = true;
    }
    // Markers, also after an error.
    Params.JPEGMarkers.Clear();
    bool firstApp0 = true;
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
        if (m->marker == JPEG_APP0 && firstApp0) {
            firstApp0 = false;
            continue;
        }
        Params.JPEGMarkers.AddMarker(m->marker, m->data, static_cast<uint16_t>(m->data_length));
    }
    if (UseColorManagement && colorManaged && Params.ColorProfile && Params.ColorProfile->TransformsCreated() > 0) {
        Params.ColorProfile->FreeTransform();
        for (int i = Params.JPEGMarkers.GetCount() - 1; i >= 0; --i)
            if (Params.JPEGMarkers.GetMarkerType(i) == JPEG_APP0 + 2) Params.JPEGMarkers.DeleteMarker(i);
    }
    if (started && !*flag && !Preview) {
        try {
            jpeg_finish_decompress(&cinfo);
        } catch (const EIEJpegException&) {
        }
    }
    if (err.warnings > 0) {
        Params.JPEGWarningCount = err.warnings;
        Params.JPEGWarningCode = err.lastCode;
    }
    if (ReadMetadata && headerDone) {
        int i = Params.JPEGMarkers.IndexOf(JPEG_APP0 + 13);
        if (i >= 0)
            Params.IPTCInfo.LoadFromBuffer(Params.JPEGMarkers.GetMarkerData(i), Params.JPEGMarkers.GetMarkerLength(i));
        int e = Params.JPEGMarkers.IndexOf(JPEG_APP0 + 1);
        if (e >= 0) {
            const int32_t dx = Params.DpiX, dy = Params.DpiY;
            if (LoadEXIFFromBuffer(Params.JPEGMarkers.GetMarkerData(e), Params.JPEGMarkers.GetMarkerLength(e), Params)) {
                if (dx == 1 && dy == 1) {
                    const double f = Params.ExifResolutionUnit == 3 ? 2.54 : 1.0;
                    Params.SetDpiX(IntOrZero(Params.ExifXResolution * f));
                    Params.SetDpiY(IntOrZero(Params.ExifYResolution * f));
                } else {
                    Params.SetDpiX(dx);
                    Params.SetDpiY(dy);
                }
                if (Params.EnableAdjustOrientation && !Preview) ApplyEXIFOrientation(Bitmap, Params.ExifOrientation);
            }
        }
    }
}

void WriteJPEGStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>* flag = Progress.Aborting ? Progress.Aborting : &dummy;
    std::unique_ptr<TIEBitmap> work;
    TIEBitmap* src = Bitmap;
    if (src->PixelFormat() != ieRGB24) {
        work = std::make_unique<TIEBitmap>();
        work->Assign(Bitmap);
        work->ConvertTo(ieRGB24);
        src = work.get();
    }
    const int32_t w = src->Width(), h = src->Height();
    if (w <= 0 || h <= 0) {
        *flag = true;
        return;
    }
    jpeg_compress_struct cinfo{};
    ErrorManager err;
    InitErrorManager(err, flag);
    cinfo.err = &err.pub;
    jpeg_create_compress(&cinfo);
    // Destroyed on every way out, a codec exception included.
    CompressGuard guard{&cinfo};
    StreamDest dest;
    dest.stream = &Stream;
    dest.aborting = flag;
    dest.pub.init_destination = InitDest;
    dest.pub.empty_output_buffer = EmptyOutput;
    dest.pub.term_destination = TermDest;
    cinfo.dest = &dest.pub;
    if (*flag) return;
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    J_COLOR_SPACE fileSpace = JCS_RGB;
    bool cmykInput = false;
    switch (Params.JPEGColorSpace) {
        case 1: fileSpace = JCS_GRAYSCALE; break;
        case 2: fileSpace = JCS_YCbCr; break;
        case 3: fileSpace = JCS_CMYK; cmykInput = true; break;
        case 4: fileSpace = JCS_YCCK; cmykInput = true; break;
        default: fileSpace = JCS_RGB; break;
    }
    if (cmykInput) {
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_CMYK;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, fileSpace);
    cinfo.density_unit = 1;
    cinfo.X_density = static_cast<UINT16>(Params.DpiX != 0 ? Params.DpiX : DefaultDpiX);
    cinfo.Y_density = static_cast<UINT16>(Params.DpiY != 0 ? Params.DpiY : DefaultDpiY);
    cinfo.dct_method = Params.JPEGDCTMethod == 1 ? JDCT_IFAST : Params.JPEGDCTMethod == 2 ? JDCT_FLOAT : JDCT_ISLOW;
    cinfo.optimize_coding = Params.JPEGOptimalHuffman ? TRUE : FALSE;
    cinfo.smoothing_factor = Params.JPEGSmooth;
    jpeg_set_quality(&cinfo, Params.JPEGQuality, TRUE);
    // JFIF has no CMYK: such files carry only the codec's Adobe marker.
    if (cmykInput) cinfo.write_JFIF_header = FALSE;
    if (Params.JPEGProgressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    for (int i = 0; i < Params.JPEGMarkers.GetCount(); ++i) {
        uint8_t type = Params.JPEGMarkers.GetMarkerType(i);
        if (type == JPEG_APP0 + 14) continue;
        jpeg_write_marker(&cinfo, type, Params.JPEGMarkers.GetMarkerData(i),
                          static_cast<unsigned>(Params.JPEGMarkers.GetMarkerLength(i)));
    }
    std::vector<uint8_t> buffer(cmykInput ? static_cast<size_t>(w) * 4 : 0);
    for (int32_t y = 0; y < h && !*flag; ++y) {
        uint8_t* row = src->Scanline(y);
        JSAMPROW p = row;
        if (cmykInput) {
            ColorRowConverter(row, iecrBGR, buffer.data(), &Params, w, iecrAlphaColor);
            p = buffer.data();
        }
        jpeg_write_scanlines(&cinfo, &p, 1);
        if (Progress.OnProgress) Progress.OnProgress(Progress.Sender, static_cast<int>((y + 1) * 100LL / h));
    }
    if (!*flag) jpeg_finish_compress(&cinfo);
}
