#include "imaging/io/iepnm.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/io/ieformats.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"
#include "imaging/processing/resample.h"
#include "platform/rtl/sysutils.h"

using namespace ieio;

namespace {

bool IsTokenChar(int c) { return c >= 0 && c < 128 && std::isalnum(c); }

// A run of letters and digits, or "#" and the rest of its line; empty at the end.
// The separator after a token is consumed (a "#" is left for the next token).
std::string ReadPNMToken(TByteReader& R) {
    int c;
    do {
        c = R.Get();
        if (c < 0) return {};
    } while (!IsTokenChar(c) && c != '#');
    std::string t(1, static_cast<char>(c));
    if (c == '#') {
        while ((c = R.Get()) >= 0 && c != '\n' && c != '\r')
            if (t.size() < 4096) t.push_back(static_cast<char>(c));
        return t;
    }
    while ((c = R.Get()) >= 0 && IsTokenChar(c))
        if (t.size() < 64) t.push_back(static_cast<char>(c));
    if (c == '#') R.Unget();
    return t;
}

// Decimal value of a token; -1 for anything that is no number or does not fit.
int64_t TokenValue(const std::string& t) {
    if (t.empty() || t.size() > 18) return -1;
    int64_t v = 0;
    for (char ch : t) {
        if (ch < '0' || ch > '9') return -1;
        v = v * 10 + (ch - '0');
    }
    return v;
}

struct PNMHeader {
    int Kind = 0;  // 1..6, 0: none
    int64_t Width = -1, Height = -1, Maximum = -1;
};

// Reads the header tokens (at most MaxTokens when above 0); comments go to Comments.
void ReadPNMHeader(TByteReader& R, PNMHeader& H, TStringList* Comments, int MaxTokens) {
    int stage = 0, count = 0;
    for (;;) {
        if (MaxTokens > 0 && count++ >= MaxTokens) return;
        std::string t = ReadPNMToken(R);
        if (t.empty()) return;
        if (t[0] == '#') {
            if (Comments) Comments->Add(Trim(t.substr(1)));
            continue;
        }
        switch (stage++) {
            case 0:
                H.Kind = (t.size() == 2 && t[0] == 'P' && t[1] >= '1' && t[1] <= '6') ? t[1] - '0' : 0;
                if (H.Kind == 0) return;
                if (H.Kind == 1 || H.Kind == 4) H.Maximum = 1;
                break;
            case 1: H.Width = TokenValue(t); break;
            case 2:
                H.Height = TokenValue(t);
                if (H.Kind == 1 || H.Kind == 4) return;
                break;
            default: H.Maximum = TokenValue(t); return;
        }
    }
}

// Scale of samples up to Maximum onto 0..255 (values above the maximum saturate).
uint8_t Scale8(int64_t v, int64_t maximum) {
    if (v <= 0) return 0;
    if (v >= maximum) return 255;
    return static_cast<uint8_t>(static_cast<double>(v) / maximum * 255.0);
}

void SetGrey(uint8_t* row, int32_t x, uint8_t v) { std::memset(row + x * 3, v, 3); }

}  // namespace

bool IsPNMStream(TStream& Stream) {
    const int64_t p = Stream.Position();
    PNMHeader h;
    {
        TByteReader r(Stream);
        ReadPNMHeader(r, h, /*Comments=*/nullptr, 501);
    }
    Stream.Seek(p, soBeginning);
    return h.Kind != 0 && h.Width > 0 && h.Height > 0;
}

void ReadPNMStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TIEProgressRecord& Progress) {
    Params.PNMComments.Clear();
    TByteReader r(Stream);
    PNMHeader h;
    ReadPNMHeader(r, h, &Params.PNMComments, 0);
    const int kind = h.Kind;
    // A maximum of 0 would divide by zero; above 65535 no sample size holds it.
    if (kind == 0 || h.Width <= 0 || h.Height <= 0 || h.Width > 1000000 || h.Height > 1000000 || h.Maximum < 1 ||
        h.Maximum > 65535) {
        SetAbort(Progress);
        return;
    }
    const int32_t w = static_cast<int32_t>(h.Width), hgt = static_cast<int32_t>(h.Height);
    const int64_t maximum = h.Maximum;
    const bool wide = maximum > 255;
    Params.FreePalette();
    Params.Width = w;
    Params.Height = hgt;
    Params.SetDpiX(DefaultDpiX);
    Params.SetDpiY(DefaultDpiY);
    Params.BitsPerSample = (kind == 1 || kind == 4) ? 1 : wide ? 16 : 8;
    Params.SamplesPerPixel = (kind == 3 || kind == 6) ? 3 : 1;
    Progress.Per1 = 100.0 / hgt;
    if (Preview) return;

    const int64_t available = Stream.Size() - r.Tell();
    if (!PlausibleSize(w, hgt, available, kind == 4 ? 8 : 1)) {
        SetAbort(Progress);
        return;
    }
    const bool native48 = kind == 6 && wide && Params.IsNativePixelFormat;
    const TIEPixelFormat pf = (kind == 1 || kind == 4) ? ie1g : native48 ? ieRGB48 : ieRGB24;
    Reallocate(Bitmap, w, hgt, pf);
    auto report = [&](int32_t rows) { Report(Progress, rows); };

    if (kind == 1) {
        for (int32_t y = 0; y < hgt; ++y) {
            uint8_t* row = Bitmap->Scanline(y);
            std::memset(row, 0, Bitmap->RowLen());
            for (int32_t x = 0; x < w;) {
                int c = r.Get();
                if (c < 0) {
                    SetAbort(Progress);
                    return;
                }
                if (c == '0') row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
                if (c == '0' || c == '1') ++x;
            }
            report(y + 1);
        }
        return;
    }
    if (kind == 2 || kind == 3) {
        const int spp = kind == 3 ? 3 : 1;
        auto next = [&](uint8_t& out) {
            std::string t;
            do t = ReadPNMToken(r);
            while (!t.empty() && t[0] == '#');
            if (t.empty()) return false;
            int64_t v = TokenValue(t);
            out = Scale8(v < 0 ? 0 : v, maximum);
            return true;
        };
        for (int32_t y = 0; y < hgt; ++y) {
            uint8_t* row = Bitmap->Scanline(y);
            for (int32_t x = 0; x < w; ++x) {
                uint8_t s[3];
                for (int k = 0; k < spp; ++k)
                    if (!next(s[k])) {
                        SetAbort(Progress);
                        return;
                    }
                if (spp == 1)
                    SetGrey(row, x, s[0]);
                else {
                    row[x * 3] = s[2];
                    row[x * 3 + 1] = s[1];
                    row[x * 3 + 2] = s[0];
                }
            }
            report(y + 1);
        }
        return;
    }

    // Binary kinds read straight from the stream.
    r.Sync();
    uint8_t lut[256];
    for (int v = 0; v < 256; ++v) lut[v] = wide ? 0 : Scale8(v, maximum);
    if (kind == 4) {
        const int32_t n = (w + 7) / 8;
        for (int32_t y = 0; y < hgt; ++y) {
            uint8_t* row = Bitmap->Scanline(y);
            if (!ReadExact(Stream, row, n, Progress)) return;
            for (int32_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(~row[i]);
            report(y + 1);
        }
        return;
    }
    const int spp = kind == 6 ? 3 : 1;
    const int bytes = wide ? 2 : 1;
    std::vector<uint8_t> buf(static_cast<size_t>(w) * spp * bytes);
    for (int32_t y = 0; y < hgt; ++y) {
        if (!ReadExact(Stream, buf.data(), static_cast<int64_t>(buf.size()), Progress)) return;
        uint8_t* row = Bitmap->Scanline(y);
        if (native48) {
            auto* d = reinterpret_cast<uint16_t*>(row);
            for (int64_t i = 0; i < static_cast<int64_t>(w) * 3; ++i) {
                uint32_t v = (buf[i * 2] << 8) | buf[i * 2 + 1];
                if (maximum != 65535) v = v >= maximum ? 65535 : static_cast<uint32_t>(v * 65535 / maximum);
                d[i] = static_cast<uint16_t>(v);
            }
        } else {
            for (int32_t x = 0; x < w; ++x) {
                uint8_t s[3];
                for (int k = 0; k < spp; ++k) {
                    const size_t i = (static_cast<size_t>(x) * spp + k) * bytes;
                    if (!wide)
                        s[k] = lut[buf[i]];
                    else if (maximum == 65535)
                        s[k] = buf[i];  // the high byte
                    else
                        s[k] = Scale8((buf[i] << 8) | buf[i + 1], maximum);
                }
                if (spp == 1)
                    SetGrey(row, x, s[0]);
                else {
                    row[x * 3] = s[2];
                    row[x * 3 + 1] = s[1];
                    row[x * 3 + 2] = s[0];
                }
            }
        }
        report(y + 1);
    }
}

void WritePNMStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>& abort = Progress.Aborting ? *Progress.Aborting : dummy;
    const TIEPixelFormat pf = Bitmap->PixelFormat();
    const int32_t bps = Params.BitsPerSample, spp = Params.SamplesPerPixel;
    enum { None, P4, P5, P6x16from8, P6x16, P6 } mode = None;
    TIEPixelFormat need = pf;
    if ((bps == 1 && spp == 1) || pf == ie1g) {
        mode = P4;
        need = ie1g;
    } else if (bps == 8 && spp == 1) {
        mode = P5;
        need = ieRGB24;
    } else if (bps == 16 && spp == 3 && pf == ieRGB24) {
        mode = P6x16from8;
    } else if (pf == ieRGB48) {
        mode = P6x16;
    } else if ((bps == 8 && spp == 3) || pf == ieRGB24) {
        mode = P6;
        need = ieRGB24;
    }
    if (mode == None || Bitmap->Width() <= 0 || Bitmap->Height() <= 0) {
        SetAbort(Progress);
        return;
    }
    // Rows of another pixel format are converted in a copy: the caller's image stays as it is.
    std::unique_ptr<TIEBitmap> copy;
    TIEBitmap* src = Bitmap;
    if (need != pf) {
        copy = std::make_unique<TIEBitmap>();
        copy->AssignImage(Bitmap);
        copy->ConvertTo(need);
        src = copy.get();
    }
    const int32_t w = src->Width(), hgt = src->Height();
    std::string head = mode == P4 ? "P4 " : mode == P5 ? "P5 " : "P6 ";
    for (int i = 0; i < Params.PNMComments.Count(); ++i) head += "\n# " + Params.PNMComments[i] + "\n";
    head += std::to_string(w) + " " + std::to_string(hgt);
    if (mode != P4) head += (mode == P5 || mode == P6) ? " 255" : " 65535";
    head += "\n";
    WriteStreamChecked(Stream, abort, head.data(), static_cast<int64_t>(head.size()));
    Progress.Per1 = 100.0 / hgt;
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < hgt && !abort; ++y) {
        const uint8_t* row = src->Scanline(y);
        switch (mode) {
            case P4:
                out.resize((w + 7) / 8);
                for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(~row[i]);
                break;
            case P5:
                out.resize(w);
                ColorRowConverter(row, iecrBGR, out.data(), &Params, w, iecrGray8);
                break;
            case P6x16from8:
                out.resize(static_cast<size_t>(w) * 6);
                for (int32_t x = 0; x < w; ++x)
                    for (int k = 0; k < 3; ++k) out[x * 6 + k * 2] = out[x * 6 + k * 2 + 1] = row[x * 3 + 2 - k];
                break;
            case P6x16: {
                out.resize(static_cast<size_t>(w) * 6);
                const auto* s = reinterpret_cast<const uint16_t*>(row);
                for (int64_t i = 0; i < static_cast<int64_t>(w) * 3; ++i) {
                    out[i * 2] = static_cast<uint8_t>(s[i] >> 8);
                    out[i * 2 + 1] = static_cast<uint8_t>(s[i]);
                }
                break;
            }
            default:
                out.resize(static_cast<size_t>(w) * 3);
                for (int32_t x = 0; x < w; ++x) {
                    out[x * 3] = row[x * 3 + 2];
                    out[x * 3 + 1] = row[x * 3 + 1];
                    out[x * 3 + 2] = row[x * 3];
                }
                break;
        }
        WriteStreamChecked(Stream, abort, out.data(), static_cast<int64_t>(out.size()));
        Report(Progress, y + 1);
    }
}

// ---- WBMP ----------------------------------------------------------------------------

namespace {

// Up to four bytes of seven bits each, most significant first; -1 when longer or short.
int64_t ReadWBMPMultiByte(TStream& S) {
    int64_t v = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t b;
        if (S.Read(&b, 1) != 1) return -1;
        v = (v << 7) | (b & 0x7F);
        if ((b & 0x80) == 0) return v;
    }
    return -1;
}

void PutWBMPMultiByte(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t tmp[5];
    int n = 0;
    do {
        tmp[n++] = static_cast<uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0);
    while (n > 0) {
        --n;
        out.push_back(static_cast<uint8_t>(tmp[n] | (n > 0 ? 0x80 : 0)));
    }
}

}  // namespace

void ReadWBMPStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                    TIEProgressRecord& Progress) {
    const int64_t type = ReadWBMPMultiByte(Stream);
    const int64_t fixed = ReadWBMPMultiByte(Stream);
    const int64_t w = ReadWBMPMultiByte(Stream);
    const int64_t hgt = ReadWBMPMultiByte(Stream);
    if (type != 0 || fixed != 0 || w <= 0 || hgt <= 0) {
        SetAbort(Progress);
        return;
    }
    Params.BitsPerSample = 1;
    Params.SamplesPerPixel = 1;
    Params.Width = static_cast<int32_t>(w);
    Params.Height = static_cast<int32_t>(hgt);
    Params.SetDpiX(DefaultDpiX);
    Params.SetDpiY(DefaultDpiY);
    Params.FreePalette();
    if (Preview) return;
    if (!PlausibleSize(w, hgt, Stream.Size() - Stream.Position(), 8)) {
        SetAbort(Progress);
        return;
    }
    Progress.Per1 = 100.0 / hgt;
    Reallocate(Bitmap, static_cast<int32_t>(w), static_cast<int32_t>(hgt), ie1g);
    const int64_t n = (w + 7) / 8;
    for (int32_t y = 0; y < hgt; ++y) {
        if (!ReadExact(Stream, Bitmap->Scanline(y), n, Progress)) return;
        Report(Progress, y);
    }
}

void WriteWBMPStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals&, TIEProgressRecord& Progress) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>& abort = Progress.Aborting ? *Progress.Aborting : dummy;
    if (Bitmap->Width() <= 0 || Bitmap->Height() <= 0) {
        SetAbort(Progress);
        return;
    }
    std::unique_ptr<TIEBitmap> copy;
    TIEBitmap* src = Bitmap;
    if (Bitmap->PixelFormat() != ie1g) {
        copy = std::make_unique<TIEBitmap>();
        copy->AssignImage(Bitmap);
        copy->ConvertTo(ie1g);
        src = copy.get();
    }
    int32_t w = src->Width(), hgt = src->Height();
    if (w > 255 || hgt > 255) {
        // A very thin image keeps a side of at least one pixel.
        int32_t nw, nh;
        if (w > hgt) {
            nw = 255;
            nh = std::max<int32_t>(1, static_cast<int32_t>(static_cast<int64_t>(hgt) * 255 / w));
        } else {
            nh = 255;
            nw = std::max<int32_t>(1, static_cast<int32_t>(static_cast<int64_t>(w) * 255 / hgt));
        }
        auto scaled = std::make_unique<TIEBitmap>();
        scaled->Allocate(nw, nh, ie1g);
        ResampleBitmap(src, scaled.get(), rfProjectBW);
        if (scaled->PixelFormat() != ie1g) scaled->ConvertTo(ie1g);
        copy = std::move(scaled);
        src = copy.get();
        w = nw;
        hgt = nh;
    }
    std::vector<uint8_t> head;
    PutWBMPMultiByte(head, 0);
    PutWBMPMultiByte(head, 0);
    PutWBMPMultiByte(head, static_cast<uint32_t>(w));
    PutWBMPMultiByte(head, static_cast<uint32_t>(hgt));
    WriteStreamChecked(Stream, abort, head.data(), static_cast<int64_t>(head.size()));
    Progress.Per1 = 100.0 / hgt;
    const int64_t n = (w + 7) / 8;
    for (int32_t y = 0; y < hgt && !abort; ++y) {
        WriteStreamChecked(Stream, abort, src->Scanline(y), n);
        Report(Progress, y);
    }
}
