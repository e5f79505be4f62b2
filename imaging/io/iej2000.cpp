#include "imaging/io/iej2000.h"

#include <openjpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"

using namespace ieio;

namespace {

// The codec reads and writes the caller's stream; offsets count from where the image starts.
struct TStreamLink {
    TStream* stream;
    int64_t start;
    bool failed = false;
};

OPJ_SIZE_T ReadLink(void* buffer, OPJ_SIZE_T n, void* user) {
    auto* l = static_cast<TStreamLink*>(user);
    const int64_t got = l->stream->Read(buffer, static_cast<int64_t>(n));
    return got > 0 ? static_cast<OPJ_SIZE_T>(got) : static_cast<OPJ_SIZE_T>(-1);
}

OPJ_SIZE_T WriteLink(void* buffer, OPJ_SIZE_T n, void* user) {
    auto* l = static_cast<TStreamLink*>(user);
    const int64_t put = l->stream->Write(buffer, static_cast<int64_t>(n));
    if (put != static_cast<int64_t>(n)) {
        l->failed = true;
        return static_cast<OPJ_SIZE_T>(-1);
    }
    return n;
}

OPJ_OFF_T SkipLink(OPJ_OFF_T n, void* user) {
    auto* l = static_cast<TStreamLink*>(user);
    const int64_t from = l->stream->Position();
    const int64_t to = l->stream->Seek(n, soCurrent);
    return to - from == n ? n : -1;
}

OPJ_BOOL SeekLink(OPJ_OFF_T n, void* user) {
    auto* l = static_cast<TStreamLink*>(user);
    return l->stream->Seek(l->start + n, soBeginning) == l->start + n ? OPJ_TRUE : OPJ_FALSE;
}

void Quiet(const char*, void*) {}

struct TCodecDeleter {
    void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct TStreamDeleter {
    void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct TImageDeleter {
    void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};
using TCodec = std::unique_ptr<opj_codec_t, TCodecDeleter>;
using TOpjStream = std::unique_ptr<opj_stream_t, TStreamDeleter>;
using TImage = std::unique_ptr<opj_image_t, TImageDeleter>;

TOpjStream MakeStream(TStreamLink& link, bool input, int64_t length) {
    TOpjStream s(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, input ? OPJ_TRUE : OPJ_FALSE));
    if (!s) return s;
    opj_stream_set_user_data(s.get(), &link, nullptr);
    if (input) {
        opj_stream_set_read_function(s.get(), ReadLink);
        opj_stream_set_user_data_length(s.get(), static_cast<OPJ_UINT64>(std::max<int64_t>(0, length)));
    } else {
        opj_stream_set_write_function(s.get(), WriteLink);
    }
    opj_stream_set_skip_function(s.get(), SkipLink);
    opj_stream_set_seek_function(s.get(), SeekLink);
    return s;
}

void SilenceCodec(opj_codec_t* c) {
    opj_set_info_handler(c, Quiet, nullptr);
    opj_set_warning_handler(c, Quiet, nullptr);
    opj_set_error_handler(c, Quiet, nullptr);
}

bool PeekSignature(TStream& S, uint8_t* h, int n) {
    const int64_t p = S.Position();
    const bool ok = S.Read(h, n) == n;
    S.Seek(p, soBeginning);
    return ok;
}

uint32_t BE32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// YCbCr to RGB tables of the luma weights 0.299, 0.587, 0.114.
struct TYCbCrTables {
    int CrToR[256], CbToB[256], CrToG[256], CbToG[256];
    TYCbCrTables() {
        for (int i = 0; i < 256; ++i) {
            const double d = i - 128;
            CrToR[i] = static_cast<int>(std::lround(1.402 * d));
            CbToB[i] = static_cast<int>(std::lround(1.772 * d));
            CrToG[i] = -static_cast<int>(std::lround(0.714136 * d));
            CbToG[i] = -static_cast<int>(std::lround(0.344136 * d));
        }
    }
};
const TYCbCrTables& YCbCr() {
    static const TYCbCrTables t;
    return t;
}

uint8_t Clamp8(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// One component as 8-bit samples at image positions.
struct TPlane {
    const opj_image_comp_t* c;
    uint32_t imageX0, imageY0;
    uint32_t maxValue;
    int Column(int32_t x) const {
        const int64_t i = static_cast<int64_t>((imageX0 + x) / c->dx) - c->x0;
        return static_cast<int>(std::clamp<int64_t>(i, 0, static_cast<int64_t>(c->w) - 1));
    }
    const OPJ_INT32* Row(int32_t y) const {
        const int64_t i = static_cast<int64_t>((imageY0 + y) / c->dy) - c->y0;
        return c->data + static_cast<size_t>(std::clamp<int64_t>(i, 0, static_cast<int64_t>(c->h) - 1)) * c->w;
    }
    uint8_t Sample(const OPJ_INT32* row, int col) const {
        int64_t v = row[col];
        if (c->sgnd) v += int64_t{1} << (c->prec - 1);
        const uint32_t u = static_cast<uint32_t>(std::clamp<int64_t>(v, 0, maxValue));
        // Top 8 bits of deeper samples; shallower ones stretched to the full range.
        if (c->prec >= 8) return static_cast<uint8_t>((static_cast<uint64_t>(u) << (32 - c->prec)) >> 24);
        return static_cast<uint8_t>(u * 255 / maxValue);
    }
};

}  // namespace

bool IsJP2Stream(TStream& Stream) {
    uint8_t h[12];
    return PeekSignature(Stream, h, 12) && BE32(h) == 12 && BE32(h + 4) == 0x6A502020 && BE32(h + 8) == 0x0D0A870A;
}

bool IsJ2KStream(TStream& Stream) {
    uint8_t h[4];
    return PeekSignature(Stream, h, 4) && h[0] == 0xFF && h[1] == 0x4F && h[2] == 0xFF && h[3] == 0x51;
}

void ReadJ2000Stream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                     TIEProgressRecord& Progress) {
    const bool jp2 = IsJP2Stream(Stream);
    if (!jp2 && !IsJ2KStream(Stream)) {
        SetAbort(Progress);
        return;
    }
    const int64_t start = Stream.Position();
    const int64_t available = Stream.Size() - start;
    TStreamLink link{&Stream, start};
    TCodec codec(opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    TOpjStream stream = MakeStream(link, /*input=*/true, available);
    if (!codec || !stream) {
        SetAbort(Progress);
        return;
    }
    SilenceCodec(codec.get());
    opj_dparameters_t dp;
    opj_set_default_decoder_parameters(&dp);
    opj_image_t* raw = nullptr;
    if (!opj_setup_decoder(codec.get(), &dp) || !opj_read_header(stream.get(), codec.get(), &raw)) {
        if (raw) opj_image_destroy(raw);
        SetAbort(Progress);
        return;
    }
    TImage image(raw);
    const int64_t w = static_cast<int64_t>(image->x1) - image->x0, h = static_cast<int64_t>(image->y1) - image->y0;
    const uint32_t n = image->numcomps;
    if (w <= 0 || h <= 0 || n == 0) {
        SetAbort(Progress);
        return;
    }
    for (uint32_t i = 0; i < n; ++i)
        if (image->comps[i].prec < 1 || image->comps[i].prec > 31 || image->comps[i].dx == 0 ||
            image->comps[i].dy == 0) {
            SetAbort(Progress);
            return;
        }
    // A bare code stream says nothing of colour: one component is grey, three or more RGB.
    const OPJ_COLOR_SPACE cs = image->color_space;
    if (cs == OPJ_CLRSPC_CMYK || cs == OPJ_CLRSPC_EYCC) {
        SetAbort(Progress);
        return;
    }
    const bool grey = cs == OPJ_CLRSPC_GRAY || n < 3;
    // Chroma planes at a coarser step than the first plane are Cb and Cr whatever the
    // file says (the reference decoder takes them so too).
    const bool subsampledChroma = n >= 3 && image->comps[0].dx == 1 && image->comps[0].dy == 1 &&
                                  (image->comps[1].dx > 1 || image->comps[1].dy > 1);
    const bool ycc = !grey && (cs == OPJ_CLRSPC_SYCC || (subsampledChroma && cs != OPJ_CLRSPC_SRGB));
    Params.Width = static_cast<int32_t>(w);
    Params.Height = static_cast<int32_t>(h);
    Params.BitsPerSample = static_cast<int32_t>(image->comps[0].prec);
    Params.SamplesPerPixel = grey ? 1 : 3;
    Params.SetDpiX(DefaultDpiX);
    Params.SetDpiY(DefaultDpiY);
    Params.FreePalette();
    if (Preview) return;
    // Code streams reach high ratios, but a forged size must not reach the decoder's allocations.
    if (!PlausibleSize(w, h, available, 4096)) {
        SetAbort(Progress);
        return;
    }
    // Components past the used ones (alpha, extra channels) are not decoded; a full set keeps
    // the decoder's colour transform.
    const OPJ_UINT32 wanted[3] = {0, 1, 2};
    const OPJ_UINT32 used = grey ? 1 : 3;
    if ((n > used && !opj_set_decoded_components(codec.get(), used, wanted, OPJ_FALSE)) ||
        !opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get())) {
        SetAbort(Progress);
        return;
    }
    TPlane planes[3];
    for (OPJ_UINT32 i = 0; i < used; ++i) {
        const opj_image_comp_t* c = &image->comps[i];
        if (c->data == nullptr || c->w == 0 || c->h == 0) {
            SetAbort(Progress);
            return;
        }
        planes[i] = TPlane{c, image->x0, image->y0, static_cast<uint32_t>((uint64_t{1} << c->prec) - 1)};
    }
    const bool oneBit = grey && image->comps[0].prec == 1;
    Reallocate(Bitmap, static_cast<int32_t>(w), static_cast<int32_t>(h), oneBit ? ie1g : ieRGB24);
    const TYCbCrTables& t = YCbCr();
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* d = Bitmap->Scanline(y);
        const OPJ_INT32* r0 = planes[0].Row(y);
        if (oneBit) {
            std::memset(d, 0, Bitmap->RowLen());
            for (int32_t x = 0; x < w; ++x)
                if (r0[planes[0].Column(x)] != 0) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        } else if (grey) {
            for (int32_t x = 0; x < w; ++x) std::memset(d + x * 3, planes[0].Sample(r0, planes[0].Column(x)), 3);
        } else {
            const OPJ_INT32* r1 = planes[1].Row(y);
            const OPJ_INT32* r2 = planes[2].Row(y);
            for (int32_t x = 0; x < w; ++x) {
                const int a = planes[0].Sample(r0, planes[0].Column(x));
                const int b = planes[1].Sample(r1, planes[1].Column(x));
                const int c = planes[2].Sample(r2, planes[2].Column(x));
                if (ycc) {
                    d[x * 3 + 2] = Clamp8(a + t.CrToR[c]);
                    d[x * 3 + 1] = Clamp8(a + t.CbToG[b] + t.CrToG[c]);
                    d[x * 3] = Clamp8(a + t.CbToB[b]);
                } else {
                    d[x * 3 + 2] = static_cast<uint8_t>(a);
                    d[x * 3 + 1] = static_cast<uint8_t>(b);
                    d[x * 3] = static_cast<uint8_t>(c);
                }
            }
        }
        Progress.Report(static_cast<int>(static_cast<int64_t>(y) * 100 / h));
        if (Progress.Aborted()) break;
    }
}

bool J2000EncodeSettingsFor(const TIOParamsVals& Params, TIEPixelFormat Format, int32_t Width, int32_t Height,
                            TJ2000EncodeSettings& S) {
    const int cs = Format == ie1g ? 0 : Params.J2000ColorSpace;
    const int prec = Format == ie1g ? 1 : Params.BitsPerSample;
    const double r = Params.J2000Rate;
    if (cs > 2 || prec < 1 || prec > 16 || !(r > 0) || Width <= 0 || Height <= 0) return false;
    S.Components = cs == 0 ? 1 : 3;
    S.Precision = prec;
    S.Reversible = r >= 1;
    S.Ratio = r >= 1 ? 0 : 1 / r;
    S.Order = Params.J2000ProgressionOrder == 0 ? 0 : Params.J2000ProgressionOrder == 1 ? 1 : -1;
    S.ColourTransform = S.Components == 3;
    // Every resolution level needs at least one sample.
    int levels = 1;
    while (levels < 6 && (std::min(Width, Height) >> levels) > 0) ++levels;
    S.Resolutions = levels;
    return true;
}

void WriteJ2000Stream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TJ2000Kind Kind,
                      TIEProgressRecord& Progress) {
    const int32_t w = Bitmap->Width(), h = Bitmap->Height();
    TJ2000EncodeSettings s;
    const TIEPixelFormat pf = Bitmap->PixelFormat();
    if ((pf != ie1g && pf != ieRGB24) || !J2000EncodeSettingsFor(Params, pf, w, h, s)) {
        SetAbort(Progress);
        return;
    }
    opj_image_cmptparm_t cp[3];
    std::memset(cp, 0, sizeof cp);
    for (int i = 0; i < s.Components; ++i) {
        cp[i].dx = cp[i].dy = 1;
        cp[i].w = static_cast<OPJ_UINT32>(w);
        cp[i].h = static_cast<OPJ_UINT32>(h);
        cp[i].prec = static_cast<OPJ_UINT32>(s.Precision);
        cp[i].sgnd = 0;
    }
    TImage image(opj_image_create(static_cast<OPJ_UINT32>(s.Components), cp,
                                  s.Components == 1 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
    if (!image) {
        SetAbort(Progress);
        return;
    }
    image->x0 = image->y0 = 0;
    image->x1 = static_cast<OPJ_UINT32>(w);
    image->y1 = static_cast<OPJ_UINT32>(h);
    const int64_t maxval = (int64_t{1} << s.Precision) - 1;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = Bitmap->Scanline(y);
        for (int32_t x = 0; x < w; ++x) {
            const size_t at = static_cast<size_t>(y) * w + x;
            if (pf == ie1g) {
                image->comps[0].data[at] = (row[x >> 3] & (0x80 >> (x & 7))) ? 1 : 0;
                continue;
            }
            const int b = row[x * 3], g = row[x * 3 + 1], r = row[x * 3 + 2];
            if (s.Components == 1) {
                image->comps[0].data[at] = static_cast<OPJ_INT32>((21 * r + 71 * g + 8 * b) / 100 * maxval / 255);
            } else {
                image->comps[0].data[at] = static_cast<OPJ_INT32>(r * maxval / 255);
                image->comps[1].data[at] = static_cast<OPJ_INT32>(g * maxval / 255);
                image->comps[2].data[at] = static_cast<OPJ_INT32>(b * maxval / 255);
            }
        }
        Progress.Report(static_cast<int>(static_cast<int64_t>(y) * 100 / h));
        if (Progress.Aborted()) return;
    }
    opj_cparameters_t ep;
    opj_set_default_encoder_parameters(&ep);
    ep.tcp_numlayers = 1;
    ep.cp_disto_alloc = 1;
    ep.tcp_rates[0] = static_cast<float>(s.Ratio);
    ep.irreversible = s.Reversible ? 0 : 1;
    ep.numresolution = s.Resolutions;
    if (s.Order == 0) ep.prog_order = OPJ_LRCP;
    if (s.Order == 1) ep.prog_order = OPJ_RLCP;
    ep.tcp_mct = s.ColourTransform ? 1 : 0;
    TCodec codec(opj_create_compress(Kind == TJ2000Kind::JP2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    TStreamLink link{&Stream, Stream.Position()};
    TOpjStream stream = MakeStream(link, /*input=*/false, 0);
    if (!codec || !stream) {
        SetAbort(Progress);
        return;
    }
    SilenceCodec(codec.get());
    // The encoder's failures, and a stream that took fewer bytes, are a failed save.
    const bool ok = opj_setup_encoder(codec.get(), &ep, image.get()) &&
                    opj_start_compress(codec.get(), image.get(), stream.get()) &&
                    opj_encode(codec.get(), stream.get()) && opj_end_compress(codec.get(), stream.get());
    if (!ok || link.failed) SetAbort(Progress);
}
