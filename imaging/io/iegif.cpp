#include "imaging/io/iegif.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"
#include "imaging/processing/bwconvert.h"
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/quantizer.h"

using namespace ieio;

namespace {

// Skips data sub-blocks up to the terminator or the end of the stream.
void SkipSubBlocks(TStream& S) {
    uint8_t len = 0;
    while (S.Read(&len, 1) == 1 && len != 0) S.Seek(len, soCurrent);
}

bool ReadTable(TStream& S, int entries, std::vector<TRGB>& table) {
    std::vector<uint8_t> raw(static_cast<size_t>(entries) * 3);
    if (S.Read(raw.data(), static_cast<int64_t>(raw.size())) != static_cast<int64_t>(raw.size())) return false;
    table.resize(entries);
    for (int i = 0; i < entries; ++i) table[i] = TRGB{raw[i * 3 + 2], raw[i * 3 + 1], raw[i * 3]};
    return true;
}

void ProgressTo(TIEProgressRecord& P, int Percent) {
    if (P.OnProgress) P.OnProgress(P.Sender, Percent);
}

}  // namespace

void ReadGIFStream(TStream& Stream, TIEBitmap* Bitmap, int32_t& ImageCount, bool NoAlpha,
                   std::unique_ptr<TIEMask>& AlphaMask, bool Preview, TIEProgressRecord& Progress,
                   TIOParamsVals& Params) {
    ImageCount = 0;
    ProgressTo(Progress, 0);
    uint8_t h[13] = {};
    int64_t got = Stream.Read(h, 13);
    if (got < 3 || h[0] != 'G' || h[1] != 'I' || h[2] != 'F') {
        SetAbort(Progress);
        return;
    }
    if (got < 13) {
        SetAbort(Progress);
        return;
    }
    Params.GIFVersion.assign(reinterpret_cast<const char*>(h), 6);
    Params.GIFWinWidth = LE16(h + 6);
    Params.GIFWinHeight = LE16(h + 8);
    Params.GIFRatio = h[12];
    Params.SetDpiX(DefaultDpiX);
    Params.SetDpiY(DefaultDpiY);
    Params.SamplesPerPixel = 1;
    std::vector<TRGB> global;
    int globalBits = 0;
    if (h[10] & 0x80) {
        globalBits = (h[10] & 7) + 1;
        if (!ReadTable(Stream, 1 << globalBits, global)) {
            SetAbort(Progress);
            return;
        }
        Params.GIFBackground = h[11] < global.size() ? global[h[11]] : TRGB{0, 0, 0};
    }
    if (Stream.Position() >= Stream.Size()) {
        SetAbort(Progress);
        return;
    }
    const int32_t wanted = Params.GIFImageIndex;
    int32_t counter = 0;
    uint8_t gcePacked = 0, gceTransp = 0;
    int32_t gceDelay = 0;
    bool stop = false;
    while (!stop) {
        uint8_t b = 0;
        if (Stream.Read(&b, 1) != 1 || b == ';') break;
        if (b == '!') {
            uint8_t label = 0;
            if (Stream.Read(&label, 1) != 1) break;
            if (label == 0xF9 && counter == wanted) {
                uint8_t g[6] = {};
                if (Stream.Read(g, 6) != 6) break;
                if (g[0] == 4) {
                    gcePacked = g[1];
                    gceDelay = LE16(g + 2);
                    gceTransp = g[4];
                    if (g[5] != 0) SkipSubBlocks(Stream);
                } else {
                    // An odd-sized control block: step back to its data and skip it.
                    Stream.Seek(-5, soCurrent);
                    Stream.Seek(g[0], soCurrent);
                    SkipSubBlocks(Stream);
                }
            } else if (label == 0xFE) {
                uint8_t len = 0;
                while (Stream.Read(&len, 1) == 1 && len != 0) {
                    std::string text(len, '\0');
                    int64_t n = Stream.Read(text.data(), len);
                    text.resize(static_cast<size_t>(std::max<int64_t>(n, 0)));
                    if (!text.empty()) Params.GIFComments.Add(text);
                    if (n < len) break;
                }
            } else {
                SkipSubBlocks(Stream);
            }
            continue;
        }
        if (b != ',') continue;  // a byte that starts no block
        uint8_t d[9] = {};
        if (Stream.Read(d, 9) != 9) break;
        std::vector<TRGB> local;
        int localBits = 0;
        if (d[8] & 0x80) {
            localBits = (d[8] & 7) + 1;
            if (!ReadTable(Stream, 1 << localBits, local)) break;
        }
        if (counter != wanted) {
            Stream.Seek(1, soCurrent);  // code size
            SkipSubBlocks(Stream);
            ++counter;
            continue;
        }
        // The wanted frame.
        ProgressTo(Progress, 30);
        if (Progress.Aborted()) break;
        const std::vector<TRGB>& pal = local.empty() ? global : local;
        const int bits = local.empty() ? globalBits : localBits;
        const bool transparent = (gcePacked & 1) != 0;
        Params.GIFTranspColor = gceTransp < pal.size() ? pal[gceTransp] : TRGB{0, 0, 0};
        Params.GIFXPos = LE16(d);
        Params.GIFYPos = LE16(d + 2);
        const int32_t w = LE16(d + 4), hh = LE16(d + 6);
        Params.Width = w;
        Params.Height = hh;
        Params.GIFDelayTime = gceDelay;
        Params.GIFTransparent = transparent;
        Params.GIFInterlaced = (d[8] & 0x40) != 0;
        Params.GIFDisposal = static_cast<uint8_t>((gcePacked >> 2) & 7);
        Params.BitsPerSample = bits;
        Params.FreePalette();
        if (!pal.empty()) {
            Params.Palette = pal;
            Params.PaletteCount = static_cast<int32_t>(pal.size());
        }
        ++counter;
        if (Preview) {
            Stream.Seek(1, soCurrent);
            SkipSubBlocks(Stream);
            continue;
        }
        const bool bw = pal.size() == 2 && pal[0] == TRGB{0, 0, 0} && pal[1] == TRGB{255, 255, 255};
        const int64_t avail = Stream.Size() - Stream.Position();
        // The header's size decides the allocation: it must be reachable from the data left.
        if (w <= 0 || hh <= 0 || !PlausibleSize(w, hh, avail, 4096)) {
            SetAbort(Progress);
            break;
        }
        std::vector<uint8_t> indices(static_cast<size_t>(w) * hh, 0);
        TGIFLZWDecompFunc decode = Params.GIFLZWDecompressor ? Params.GIFLZWDecompressor : DefaultGIFLZWDecompressor;
        if (decode == nullptr) {
            SetAbort(Progress);
            break;
        }
        const int64_t before = Stream.Position();
        decode(Stream, hh, w, indices.data(), Params.GIFInterlaced);
        if (Stream.Position() == before) {
            SetAbort(Progress);
            break;
        }
        // A whole file goes on after the image data (at least its trailer): data
        // that ran to the end was cut short. What was decoded is kept.
        const bool cut = Stream.Position() >= Stream.Size();
        ProgressTo(Progress, 70);
        if (Progress.Aborted()) break;
        if (!bw && (w > 65000 || hh > 65000) && Stream.Size() - Stream.Position() < 2000) {
            SetAbort(Progress);
            break;
        }
        const bool native = Params.IsNativePixelFormat && !bw;
        Bitmap->Allocate(w, hh, bw ? ie1g : native ? ie8p : ieRGB24);
        if (Bitmap->IsEmpty()) {
            SetAbort(Progress);
            break;
        }
        // Indices past the colour table read as black instead of past the table.
        TRGB lut[256] = {};
        for (size_t i = 0; i < pal.size() && i < 256; ++i) lut[i] = pal[i];
        if (native) {
            for (int i = 0; i < 256; ++i) Bitmap->SetPalette(i, lut[i]);
            Bitmap->PaletteColorCount = 1 << std::max(bits, 1);
        }
        if (!NoAlpha) {
            if (!AlphaMask) AlphaMask = std::make_unique<TIEMask>();
            AlphaMask->AllocateBits(w, hh, 8);
            AlphaMask->Fill(255);
        }
        for (int32_t y = 0; y < hh; ++y) {
            const uint8_t* s = indices.data() + static_cast<size_t>(y) * w;
            uint8_t* r = Bitmap->Scanline(y);
            if (bw) {
                std::memset(r, 0, static_cast<size_t>(Bitmap->RowLen()));
                for (int32_t x = 0; x < w; ++x)
                    if (s[x] & 1) r[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
            } else if (native) {
                std::memcpy(r, s, static_cast<size_t>(w));
            } else {
                for (int32_t x = 0; x < w; ++x) std::memcpy(r + x * 3, &lut[s[x]], 3);
            }
            if (!NoAlpha && transparent) {
                uint8_t* m = AlphaMask->GetScanline(y);
                for (int32_t x = 0; x < w; ++x)
                    if (s[x] == gceTransp) m[x] = 0;
            }
        }
        if (AlphaMask) {
            AlphaMask->SyncBoundingBox();
            AlphaMask->Full = true;
            AlphaMask->SyncFull();
            if (AlphaMask->Full) AlphaMask.reset();
        }
        gcePacked = 0;
        gceDelay = 0;
        gceTransp = 0;
        if (cut) {
            SetAbort(Progress);
            break;
        }
    }
    ImageCount = counter;
    Params.SetImageCount(counter);
    if (!Progress.Aborted()) ProgressTo(Progress, 100);
}

void WriteGIFStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>& aborting = Progress.Aborting ? *Progress.Aborting : dummy;
    ProgressTo(Progress, 0);
    if (aborting) return;
    const int32_t w = Bitmap->Width(), h = Bitmap->Height();
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535) {
        aborting = true;
        return;
    }
    // The colour table and the 3-bit size field hold at most 8 bits.
    TIEBitmap* alpha = Bitmap->HasAlphaChannel() ? Bitmap->AlphaChannel() : nullptr;
    int b = std::clamp(Params.BitsPerSample, 1, 8);
    if (alpha && b == 1) b = 2;  // room for the transparent entry
    std::unique_ptr<TIEBitmap> work;
    TIEBitmap* src = Bitmap;
    TRGB palette[256] = {};
    // The colours a 1-bit image's bits stand for: black and white unless the
    // picture had two other colours.
    TRGB colour0{0, 0, 0}, colour1{255, 255, 255};
    if (b == 1) {
        if (src->PixelFormat() != ie1g) {
            std::unique_ptr<TIEBitmap> rgb;
            TIEBitmap* r = src;
            if (src->PixelFormat() != ieRGB24) {
                rgb = std::make_unique<TIEBitmap>();
                rgb->Assign(src);
                rgb->ConvertTo(ieRGB24);
                r = rgb.get();
            }
            TRGB c0, c1;
            work = TryConvertTo1Bit(r, c0, c1);
            if (work) {
                colour0 = c0;
                colour1 = c1;
            } else {
                work = std::make_unique<TIEBitmap>();
                work->Assign(src);
                work->ConvertTo(ie1g);
            }
            src = work.get();
        }
    } else if (src->PixelFormat() != ieRGB24 && src->PixelFormat() != ie8p) {
        work = std::make_unique<TIEBitmap>();
        work->Assign(Bitmap);
        work->ConvertTo(ieRGB24);
        src = work.get();
    }
    int c = 1 << b;
    if (alpha) {
        c -= 1;
        Params.GIFTransparent = true;
    }
    std::vector<uint8_t> indices(static_cast<size_t>(w) * h);
    std::unique_ptr<TIEQuantizer> quant;
    if (src->PixelFormat() == ie1g) {
        palette[0] = colour0;
        palette[1] = colour1;
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* r = src->Scanline(y);
            for (int32_t x = 0; x < w; ++x)
                indices[static_cast<size_t>(y) * w + x] = (r[x >> 3] & (0x80 >> (x & 7))) ? 1 : 0;
        }
    } else {
        quant = std::make_unique<TIEQuantizer>(src, palette, c);
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* r = src->Scanline(y);
            for (int32_t x = 0; x < w; ++x) {
                int idx;
                if (src->PixelFormat() == ie8p)
                    idx = r[x] < c ? r[x] : quant->GetColorIndex(src->GetPalette(r[x]));
                else {
                    TRGB px;
                    std::memcpy(&px, r + x * 3, 3);
                    idx = quant->GetColorIndex(px);
                }
                indices[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(idx);
            }
        }
    }
    if (alpha) {
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* a = alpha->Scanline(y);
            for (int32_t x = 0; x < w; ++x)
                if (a[x] != 255) indices[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(c);
        }
    }
    ProgressTo(Progress, 30);
    if (aborting) return;
    auto indexOf = [&](TRGB col) {
        if (quant && src->PixelFormat() == ieRGB24) return quant->GetColorIndex(col);
        return NearestPaletteIndex(palette, c, col);
    };
    std::vector<uint8_t> out;
    std::string ver = Params.GIFVersion;
    ver.resize(6, ' ');
    out.insert(out.end(), ver.begin(), ver.end());
    uint8_t sd[7];
    PutLE16(sd, w);
    PutLE16(sd + 2, h);
    sd[4] = static_cast<uint8_t>(0x80 | ((b - 1) << 4) | (b - 1));
    sd[5] = static_cast<uint8_t>(indexOf(Params.GIFBackground));
    sd[6] = 0;
    out.insert(out.end(), sd, sd + 7);
    // The table has 2^b entries; the reserved transparent entry is the last one.
    for (int i = 0; i < (1 << b); ++i) {
        TRGB p = i < 256 ? palette[i] : TRGB{0, 0, 0};
        out.push_back(p.r);
        out.push_back(p.g);
        out.push_back(p.b);
    }
    uint8_t gce[8] = {0x21, 0xF9, 4, 0, 0, 0, 0, 0};
    gce[3] = static_cast<uint8_t>(((Params.GIFDisposal & 7) << 2) | (Params.GIFTransparent ? 1 : 0));
    PutLE16(gce + 4, static_cast<uint32_t>(Params.GIFDelayTime));
    gce[6] = static_cast<uint8_t>(alpha ? c : indexOf(Params.GIFTranspColor));
    out.insert(out.end(), gce, gce + 8);
    uint8_t id[10] = {0x2C};
    PutLE16(id + 1, static_cast<uint32_t>(Params.GIFXPos));
    PutLE16(id + 3, static_cast<uint32_t>(Params.GIFYPos));
    PutLE16(id + 5, w);
    PutLE16(id + 7, h);
    id[9] = Params.GIFInterlaced ? 0x40 : 0;
    out.insert(out.end(), id, id + 10);
    WriteStreamChecked(Stream, aborting, out.data(), static_cast<int64_t>(out.size()));
    ProgressTo(Progress, 70);
    if (aborting) return;
    TGIFLZWCompFunc encode = Params.GIFLZWCompressor ? Params.GIFLZWCompressor : DefaultGIFLZWCompressor;
    if (encode == nullptr) {
        aborting = true;
        return;
    }
    try {
        encode(Stream, h, w, b, indices.data(), Params.GIFInterlaced);
    } catch (const EWriteError&) {
        aborting = true;
        return;
    }
    out.clear();
    out.push_back(0x21);
    out.push_back(0xFE);
    // Long comments continue in further sub-blocks instead of being cut.
    for (int i = 0; i < Params.GIFComments.Count(); ++i) {
        std::string s = Params.GIFComments.Get(i);
        for (size_t at = 0; at < s.size(); at += 255) {
            size_t n = std::min<size_t>(255, s.size() - at);
            out.push_back(static_cast<uint8_t>(n));
            out.insert(out.end(), s.begin() + static_cast<std::ptrdiff_t>(at),
                       s.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
    }
    out.push_back(0);
    out.push_back(0x3B);
    WriteStreamChecked(Stream, aborting, out.data(), static_cast<int64_t>(out.size()));
    ProgressTo(Progress, 100);
}

void WriteGIFFile(const std::string& FileName, TIEBitmap* Bitmap, TIOParamsVals& Params,
                  TIEProgressRecord& Progress) {
    TFileStream fs(FileName, fmCreate);
    WriteGIFStream(fs, Bitmap, Params, Progress);
}
