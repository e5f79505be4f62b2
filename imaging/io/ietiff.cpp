#include "imaging/io/ietiff.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/io/ieccitt.h"
#include "imaging/io/ieformats.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"
#include "imaging/io/iejpeg.h"
#include "imaging/io/ielzw.h"
#include "imaging/io/ietifftags.h"
#include "platform/rtl/sysutils.h"

using namespace ieio;

namespace {

constexpr int TypeSize[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

struct TIFFEntry {
    uint16_t tag = 0, type = 0;
    uint32_t count = 0;
    uint8_t value[4] = {};
};

// One image file directory with bounded access to its values.
struct TIFFDir {
    bool le = true;
    TStream* s = nullptr;
    int64_t base = 0;
    int64_t size = 0;  // stream size
    std::vector<TIFFEntry> entries;

    uint16_t U16(const uint8_t* p) const { return le ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : static_cast<uint16_t>((p[0] << 8) | p[1]); }
    uint32_t U32(const uint8_t* p) const {
        return le ? LE32(p)
                  : (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) | (static_cast<uint32_t>(p[2]) << 8) | p[3];
    }
    const TIFFEntry* Find(uint16_t tag) const {
        for (const auto& e : entries)
            if (e.tag == tag) return &e;
        return nullptr;
    }
    int64_t ByteCount(const TIFFEntry& e) const {
        return e.type >= 1 && e.type <= 12 ? static_cast<int64_t>(e.count) * TypeSize[e.type] : 0;
    }
    // The value's bytes: inline, or read from the file when they lie inside it.
    bool Bytes(const TIFFEntry& e, std::vector<uint8_t>& out, int64_t n = -1) const {
        if (n < 0) n = ByteCount(e);
        if (n <= 0) {
            out.clear();
            return n == 0;
        }
        if (n <= 4) {
            out.assign(e.value, e.value + n);
            return true;
        }
        int64_t off = base + U32(e.value);
        // Counts come from the file: the data must lie inside the stream.
        if (off < 0 || n > size || off > size - n) return false;
        out.resize(static_cast<size_t>(n));
        s->Seek(off, soBeginning);
        return s->Read(out.data(), n) == n;
    }
    int64_t Int(uint16_t tag, int64_t def) const {
        const TIFFEntry* e = Find(tag);
        if (!e || e->count == 0) return def;
        if (ByteCount(*e) > 4) {
            auto v = Ints(tag);
            return v.empty() ? def : v[0];
        }
        if (e->type == 3 || e->type == 8) return e->type == 8 ? static_cast<int16_t>(U16(e->value)) : U16(e->value);
        if (e->type == 1 || e->type == 7) return e->value[0];
        if (e->type == 6) return static_cast<int8_t>(e->value[0]);
        if (e->type == 9) return static_cast<int32_t>(U32(e->value));
        return U32(e->value);
    }
    std::vector<int64_t> Ints(uint16_t tag) const {
        std::vector<int64_t> v;
        const TIFFEntry* e = Find(tag);
        std::vector<uint8_t> b;
        // Unknown types and counts the data cannot hold give nothing.
        if (!e || e->type < 1 || e->type > 12 || !Bytes(*e, b)) return v;
        int ts = TypeSize[e->type];
        if (b.size() < static_cast<size_t>(e->count) * ts) return v;
        for (uint32_t i = 0; i < e->count; ++i) {
            const uint8_t* p = b.data() + static_cast<size_t>(i) * ts;
            switch (e->type) {
                case 1: case 7: v.push_back(p[0]); break;
                case 3: v.push_back(U16(p)); break;
                case 8: v.push_back(static_cast<int16_t>(U16(p))); break;
                case 4: v.push_back(U32(p)); break;
                case 9: v.push_back(static_cast<int32_t>(U32(p))); break;
                default: v.push_back(0); break;
            }
        }
        return v;
    }
    double Rational(uint16_t tag, uint32_t n = 0) const {
        const TIFFEntry* e = Find(tag);
        if (!e || n >= e->count || (e->type != 5 && e->type != 10)) {
            if (e && n == 0 && (e->type == 3 || e->type == 4)) return static_cast<double>(Int(tag, 0));
            return 0;
        }
        std::vector<uint8_t> b;
        if (!Bytes(*e, b)) return 0;
        const uint8_t* p = b.data() + static_cast<size_t>(n) * 8;
        // Signed rationals: each part converted on its own (a shared ?: type would be unsigned).
        double num = e->type == 10 ? static_cast<double>(static_cast<int32_t>(U32(p))) : static_cast<double>(U32(p));
        double den = e->type == 10 ? static_cast<double>(static_cast<int32_t>(U32(p + 4))) : static_cast<double>(U32(p + 4));
        if (den == 0) den = 1;
        return num / den;
    }
    std::string Ascii(uint16_t tag) const {
        const TIFFEntry* e = Find(tag);
        std::vector<uint8_t> b;
        if (!e || e->count > 1048575 || !Bytes(*e, b, e->count)) return "";
        std::string s(b.begin(), b.end());
        size_t z = s.find('\0');
        if (z != std::string::npos) s.resize(z);
        return s;
    }
    std::vector<uint8_t> Raw(uint16_t tag) const {
        const TIFFEntry* e = Find(tag);
        std::vector<uint8_t> b;
        if (!e || !Bytes(*e, b)) return {};
        return b;
    }
    std::u16string Wide(uint16_t tag) const {
        auto b = Raw(tag);
        std::u16string w;
        for (size_t i = 0; i + 1 < b.size(); i += 2) {
            char16_t c = static_cast<char16_t>(b[i] | (b[i + 1] << 8));
            if (c == 0) break;
            w.push_back(c);
        }
        return w;
    }
    // Reads the entries at base + Offset; false when they do not fit in the stream.
    bool Load(int64_t Offset) {
        entries.clear();
        int64_t at = base + Offset;
        if (at < 0 || at > size - 2) return false;
        s->Seek(at, soBeginning);
        uint8_t c[2];
        if (s->Read(c, 2) != 2) return false;
        uint16_t n = U16(c);
        if (static_cast<int64_t>(n) * 12 > size - at - 2) return false;
        std::vector<uint8_t> raw(static_cast<size_t>(n) * 12);
        if (n > 0 && s->Read(raw.data(), static_cast<int64_t>(raw.size())) != static_cast<int64_t>(raw.size())) return false;
        for (uint16_t i = 0; i < n; ++i) {
            const uint8_t* p = raw.data() + static_cast<size_t>(i) * 12;
            TIFFEntry e;
            e.tag = U16(p);
            e.type = U16(p + 2);
            e.count = U32(p + 4);
            std::memcpy(e.value, p + 8, 4);
            entries.push_back(e);
        }
        return true;
    }
};

bool ReadHeader(TStream& S, int64_t base, bool& le, uint32_t& first) {
    uint8_t h[8];
    S.Seek(base, soBeginning);
    if (S.Read(h, 8) != 8) return false;
    if (h[0] == 'I' && h[1] == 'I' && h[2] == 42 && h[3] == 0)
        le = true;
    else if (h[0] == 'M' && h[1] == 'M' && h[2] == 0 && h[3] == 42)
        le = false;
    else
        return false;
    first = le ? LE32(h + 4) : (static_cast<uint32_t>(h[4]) << 24) | (h[5] << 16) | (h[6] << 8) | h[7];
    return true;
}

// Walks the chain of directories; a chain that comes back to a directory already
// seen ends there (A -> B -> A counts two pages). Answers the page count and loads
// page Wanted into Dir.
int32_t WalkPages(TIFFDir& Dir, uint32_t First, int32_t Wanted, bool& Loaded) {
    Loaded = false;
    std::set<int64_t> seen;
    int64_t offset = First;
    int32_t pages = 0;
    TIFFDir probe = Dir;
    while (offset != 0 && pages < 65536) {
        if (!seen.insert(offset).second) break;
        int64_t at = Dir.base + offset;
        if (at < Dir.base + 8 || at >= Dir.size - 2) break;
        Dir.s->Seek(at, soBeginning);
        uint8_t c[2];
        if (Dir.s->Read(c, 2) != 2) break;
        uint16_t n = Dir.U16(c);
        if (n == 0) break;
        int64_t after = at + 2 + static_cast<int64_t>(n) * 12;
        if (after + 4 > Dir.size) break;
        if (pages == Wanted) Loaded = Dir.Load(offset);
        Dir.s->Seek(after, soBeginning);
        uint8_t nx[4];
        if (Dir.s->Read(nx, 4) != 4) break;
        ++pages;
        offset = Dir.U32(nx);
    }
    (void)probe;
    return pages;
}

struct Page {
    int32_t width = 0, height = 0, spp = 1, bps = 1, photometric = 2, planar = 1, compression = 1;
    int32_t rowsPerStrip = 0, tileW = 0, tileH = 0, predictor = 1, fillOrder = 1, extraSamples = 0;
    int64_t t4 = 0;
    std::vector<TRGB> palette;
    std::string software;
    bool looseMolli = false;
};

void PackBitsDecode(const uint8_t*& p, const uint8_t* end, uint8_t* out, int64_t n) {
    int64_t o = 0;
    while (o < n && p < end) {
        int8_t c = static_cast<int8_t>(*p++);
        if (c >= 0) {
            int64_t k = c + 1;
            for (int64_t i = 0; i < k && p < end; ++i, ++p)
                if (o < n) out[o++] = *p;
        } else if (c != -128) {
            if (p >= end) break;
            uint8_t v = *p++;
            for (int i = 0; i < 1 - c; ++i)
                if (o < n) out[o++] = v;
        }
    }
}

// Decodes the rows of one strip or tile into Out (Rows x RowBytes, zero where data ended).
// False when the data cannot be decoded at all.
bool DecodeBlock(const Page& pg, const std::vector<uint8_t>& data, int32_t rows, int64_t rowBytes,
                 std::vector<uint8_t>& out, TTIFFLZWDecompFunc lzw, bool& shortData) {
    out.assign(static_cast<size_t>(rows * rowBytes), 0);
    switch (pg.compression) {
        case 1:
            std::memcpy(out.data(), data.data(), std::min(out.size(), data.size()));
            shortData = data.size() < out.size();
            return !data.empty();
        case 5: {
            if (!lzw) return false;
            void* state = nullptr;
            bool ok = true;
            for (int32_t r = 0; r < rows; ++r) {
                uint8_t* row = lzw(data.data(), static_cast<int32_t>(data.size()), static_cast<int32_t>(rowBytes), state);
                if (!row) {
                    ok = r > 0;
                    break;
                }
                std::memcpy(out.data() + r * rowBytes, row, static_cast<size_t>(rowBytes));
            }
            lzw(nullptr, 0, 0, state);
            return ok;
        }
        case 2:
        case 3:
        case 4: {
            // Fax rows come out in ie1g form (a set bit is white).
            const int32_t w = static_cast<int32_t>(rowBytes * 8 >= 1 ? pg.tileW > 0 ? pg.tileW : pg.width : 0);
            const int64_t len = static_cast<int64_t>(data.size());
            std::vector<uint8_t> ref(static_cast<size_t>(rowBytes), 0xFF);
            int64_t bit = 0, bytes = 0;
            for (int32_t r = 0; r < rows; ++r) {
                uint8_t* row = out.data() + r * rowBytes;
                if (pg.compression == 2) {
                    if (bytes >= len) break;
                    bytes += DecodeCCITTMHRow(row, data.data() + bytes, len - bytes, pg.fillOrder, w);
                } else if (pg.compression == 3 && !(pg.t4 & 1)) {
                    if (bit >= len * 8) break;
                    bit = DecodeCCITT1DRow(row, data.data(), len, pg.fillOrder, bit, w);
                } else {
                    if (bit >= len * 8) break;
                    bit = DecodeCCITT2DRow(row, data.data(), len, pg.compression == 3 || (pg.t4 & 4), pg.fillOrder, bit,
                                           ref.data(), w);
                    std::memcpy(ref.data(), row, static_cast<size_t>(rowBytes));
                }
            }
            return true;
        }
        case 32773: {
            const uint8_t* p = data.data();
            const uint8_t* end = p + data.size();
            for (int32_t r = 0; r < rows; ++r) PackBitsDecode(p, end, out.data() + r * rowBytes, rowBytes);
            return true;
        }
        case 8:
        case 32946: {
            z_stream z{};
            if (inflateInit(&z) != Z_OK) return false;
            z.next_in = const_cast<Bytef*>(data.data());
            z.avail_in = static_cast<uInt>(data.size());
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            int rc = inflate(&z, Z_FINISH);
            inflateEnd(&z);
            return rc == Z_STREAM_END || rc == Z_OK || rc == Z_BUF_ERROR ? z.total_out > 0 : false;
        }
        default:
            return false;
    }
}

void ApplyPredictor(const Page& pg, uint8_t* row, int32_t width, int32_t samples) {
    if (pg.predictor != 2) return;
    if (pg.bps == 8) {
        for (int32_t i = samples; i < width * samples; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - samples]);
    } else if (pg.bps == 16) {
        auto get = [&](int32_t i) {
            return pg.photometric >= 0 ? static_cast<uint16_t>(row[i * 2] | (row[i * 2 + 1] << 8)) : 0;
        };
        (void)get;
        for (int32_t i = samples; i < width * samples; ++i) {
            uint16_t a, b;
            std::memcpy(&a, row + i * 2, 2);
            std::memcpy(&b, row + (i - samples) * 2, 2);
            uint16_t v = static_cast<uint16_t>(a + b);
            std::memcpy(row + i * 2, &v, 2);
        }
    }
}

// The maker note (tifftag::MakerNote) as a little-endian directory with its data behind it; entries
// whose data lies outside the stream are dropped, an unknown type ends the copy.
void CopyMakerNote(const TIFFDir& e, TIOParamsVals& Params) {
    TIETagsHandler& h = Params.ExifMakerNote;
    h.Data->SetSize(0);
    h.Entries.clear();
    h.EntryCount = 0;
    const TIFFEntry* note = e.Find(tifftag::MakerNote);
    if (!note) return;
    std::vector<uint8_t> raw;
    if (!e.Bytes(*note, raw, note->count) || raw.size() < 2) return;
    const uint16_t n = e.U16(raw.data());
    if (n > 256 || raw.size() < 2 + static_cast<size_t>(n) * 12) return;
    struct Kept {
        uint16_t tag, type;
        uint32_t count;
        uint8_t value[4];
        std::vector<uint8_t> data;
    };
    std::vector<Kept> kept;
    for (uint16_t i = 0; i < n; ++i) {
        const uint8_t* p = raw.data() + 2 + static_cast<size_t>(i) * 12;
        Kept k{e.U16(p), e.U16(p + 2), e.U32(p + 4), {}, {}};
        if (k.type < 1 || k.type > 12) break;
        const int64_t size = static_cast<int64_t>(k.count) * TypeSize[k.type];
        if (size > 4) {
            TIFFEntry te;
            te.type = k.type;
            te.count = k.count;
            std::memcpy(te.value, p + 8, 4);
            if (!e.Bytes(te, k.data)) continue;  // outside the stream: dropped
        } else {
            // Inline values to little-endian, value by value.
            const int ts = TypeSize[k.type];
            std::memcpy(k.value, p + 8, 4);
            if (!e.le && ts > 1)
                for (int at = 0; at + ts <= 4; at += ts) std::reverse(k.value + at, k.value + at + ts);
        }
        kept.push_back(std::move(k));
    }
    std::vector<uint8_t> out(2 + kept.size() * 12);
    PutLE16(out.data(), static_cast<uint32_t>(kept.size()));
    std::vector<uint8_t> data;
    for (size_t i = 0; i < kept.size(); ++i) {
        uint8_t* q = out.data() + 2 + i * 12;
        PutLE16(q, kept[i].tag);
        PutLE16(q + 2, kept[i].type);
        PutLE32(q + 4, kept[i].count);
        if (!kept[i].data.empty()) {
            PutLE32(q + 8, static_cast<uint32_t>(2 + kept.size() * 12 + data.size()));
            data.insert(data.end(), kept[i].data.begin(), kept[i].data.end());
        } else {
            std::memcpy(q + 8, kept[i].value, 4);
        }
    }
    out.insert(out.end(), data.begin(), data.end());
    h.Data->WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
    h.Data->SetPosition(0);
    h.ReadTags();
}

// The page layout from its tags; false when the samples differ in size.
bool ReadPageLayout(const TIFFDir& d, Page& pg) {
    auto bpsAll = d.Ints(tifftag::BitsPerSample);
    for (size_t i = 1; i < bpsAll.size(); ++i)
        if (bpsAll[i] != bpsAll[0]) return false;
    pg.bps = static_cast<int32_t>(d.Int(tifftag::BitsPerSample, 1));
    pg.width = static_cast<int32_t>(d.Int(tifftag::ImageWidth, 0));
    pg.height = static_cast<int32_t>(d.Int(tifftag::ImageLength, 0));
    pg.spp = static_cast<int32_t>(d.Int(tifftag::SamplesPerPixel, 1));
    pg.compression = static_cast<int32_t>(d.Int(tifftag::Compression, 1));
    pg.photometric = static_cast<int32_t>(d.Int(tifftag::PhotometricInterpretation, 2));
    pg.planar = static_cast<int32_t>(d.Int(tifftag::PlanarConfiguration, 1));
    pg.rowsPerStrip = static_cast<int32_t>(std::min<int64_t>(d.Int(tifftag::RowsPerStrip, pg.height), INT32_MAX));
    if (pg.rowsPerStrip <= 0 || pg.rowsPerStrip > pg.height) pg.rowsPerStrip = pg.height;
    pg.tileW = static_cast<int32_t>(d.Int(tifftag::TileWidth, -1));
    pg.tileH = static_cast<int32_t>(d.Int(tifftag::TileLength, -1));
    pg.predictor = static_cast<int32_t>(d.Int(tifftag::Predictor, 1));
    pg.fillOrder = static_cast<int32_t>(d.Int(tifftag::FillOrder, 1));
    pg.t4 = d.Int(tifftag::T4Options, 0);
    pg.extraSamples = static_cast<int32_t>(d.Int(tifftag::ExtraSamples, 0));
    pg.software = d.Ascii(tifftag::Software);
    if (pg.spp == 1 && pg.bps == 1 && pg.compression >= 1 && pg.compression <= 4 && pg.photometric == 2)
        pg.photometric = 0;

    return true;
}

// JPEG pages: new- and old-style JPEG coding, or a JPEG stream the directory points to.
bool IsJPEGPage(const TIFFDir& d, const Page& pg) {
    return pg.compression == 7 || pg.compression == 6 || d.Int(tifftag::JPEGInterchangeFormat, 0) != 0;
}

bool Decodable(const Page& pg, bool jpeg) {
    const int ph = pg.photometric;
    // Decoding layouts; anything else is reported instead of being left blank.
    const bool grey = (ph == 0 || ph == 1) && ((pg.spp == 1 && (pg.bps <= 8 || pg.bps == 16)) || (pg.spp == 2 && pg.bps == 8));
    const bool rgb = ph == 2 && ((pg.spp >= 3 && (pg.bps == 8 || pg.bps == 16)) || (pg.spp == 1 && pg.bps == 16));
    const bool pal = ph == 3 && !pg.palette.empty() && pg.bps <= 8 && (pg.spp == 1 || (pg.spp == 2 && pg.bps == 8));
    const bool cmyk = ph == 5 && pg.spp >= 4 && (pg.bps == 8 || pg.bps == 16);
    const bool lab = ph == 8 && pg.spp == 3 && pg.bps == 8;
    const bool ycbcrJpeg = ph == 6 && (pg.compression == 7 || pg.compression == 6);
    const bool fax = pg.compression >= 2 && pg.compression <= 4;
    const bool known = pg.compression == 1 || pg.compression == 5 || pg.compression == 32773 ||
                       (fax && pg.bps == 1 && pg.spp == 1) ||
                       pg.compression == 8 || pg.compression == 32946 || jpeg;
    return known && (grey || rgb || pal || cmyk || lab || ycbcrJpeg) && !(pg.planar == 2 && (pg.bps < 8 || jpeg));
}

// The bitmap's format for the page; native keeps grey, palette, CMYK and 48-bit pages as they are.
TIEPixelFormat PixelFormatFor(const Page& pg, bool jpeg, bool native) {
    const int ph = pg.photometric;
    TIEPixelFormat pf = ieRGB24;
    if (pg.spp == 1 && pg.bps == 1 && ph != 3)
        pf = ie1g;
    else if (native) {
        if (ph == 3 && pg.spp == 1 && pg.bps == 8) pf = ie8p;
        else if ((ph == 0 || ph == 1) && pg.spp == 1 && pg.bps == 8) pf = ie8g;
        else if ((ph == 0 || ph == 1) && pg.spp == 1 && pg.bps == 16) pf = ie16g;
        else if (ph == 5 && pg.spp >= 4 && !jpeg) pf = ieCMYK;
        else if (ph == 2 && pg.spp >= 3 && pg.bps == 16) pf = ieRGB48;
    }
    if (jpeg) pf = ieRGB24;
    return pf;
}

// The page's description, resolution and position into Params.
void ReadPageTags(const TIFFDir& d, const Page& pg, TIOParamsVals& Params) {
    Params.BitsPerSample = pg.bps;
    Params.SamplesPerPixel = pg.spp;
    Params.Width = pg.width;
    Params.Height = pg.height;
    Params.SetTIFFOrientation(static_cast<int32_t>(d.Int(tifftag::Orientation, 1)));
    switch (pg.compression) {
        case 1: Params.TIFFCompression = 0; break;
        case 2: Params.TIFFCompression = 1; break;
        case 3: Params.TIFFCompression = (pg.t4 & 1) ? 3 : 2; break;
        case 4: Params.TIFFCompression = 4; break;
        case 5: Params.TIFFCompression = 5; break;
        case 6: Params.TIFFCompression = 6; break;
        case 7: Params.TIFFCompression = 7; break;
        case 32773: Params.TIFFCompression = 8; break;
        default: Params.TIFFCompression = 9; break;
    }
    if (pg.photometric >= 0 && pg.photometric <= 6) Params.TIFFPhotometric = static_cast<uint8_t>(pg.photometric);
    if (pg.photometric == 8) Params.TIFFPhotometric = 7;
    Params.TIFFPlanarConfig = pg.planar;
    Params.TIFFDocumentName = d.Ascii(tifftag::DocumentName);
    Params.TIFFImageDescription = d.Ascii(tifftag::ImageDescription);
    Params.TIFFPageName = d.Ascii(tifftag::PageName);
    auto pn = d.Ints(tifftag::PageNumber);
    Params.TIFFPageNumber = pn.size() >= 1 ? static_cast<int32_t>(pn[0]) : 0;
    Params.TIFFPageCount = pn.size() >= 2 ? static_cast<int32_t>(pn[1]) : 0;
    Params.TIFFFillOrder = pg.fillOrder;
    Params.ExifMake = d.Ascii(tifftag::Make);
    Params.ExifModel = d.Ascii(tifftag::Model);
    Params.ExifSoftware = pg.software;
    Params.ExifDateTime = d.Ascii(tifftag::DateTime);
    Params.ExifArtist = d.Ascii(tifftag::Artist);
    Params.ExifCopyright = d.Ascii(tifftag::Copyright);
    for (int i = 0; i < 2; ++i) Params.SetExifWhitePoint(i, d.Rational(tifftag::WhitePoint, i));
    for (int i = 0; i < 6; ++i) Params.SetExifPrimaryChromaticities(i, d.Rational(tifftag::PrimaryChromaticities, i));
    for (int i = 0; i < 3; ++i) Params.SetExifYCbCrCoefficients(i, d.Rational(tifftag::YCbCrCoefficients, i));
    for (int i = 0; i < 6; ++i) Params.SetExifReferenceBlackWhite(i, d.Rational(tifftag::ReferenceBlackWhite, i));
    Params.ExifYCbCrPositioning = static_cast<int32_t>(d.Int(tifftag::YCbCrPositioning, 0));
    Params.ExifXPTitle = d.Wide(tifftag::XPTitle);
    Params.ExifXPComment = d.Wide(tifftag::XPComment);
    Params.ExifXPAuthor = d.Wide(tifftag::XPAuthor);
    Params.ExifXPKeywords = d.Wide(tifftag::XPKeywords);
    Params.ExifXPSubject = d.Wide(tifftag::XPSubject);
    const double f = d.Int(tifftag::ResolutionUnit, 2) == 3 ? 2.54 : 1.0;
    const int32_t dx = IntOrZero(d.Rational(tifftag::XResolution) * f), dy = IntOrZero(d.Rational(tifftag::YResolution) * f);
    Params.SetDpiX(dx == 0 ? DefaultDpiX : dx);
    Params.SetDpiY(dy == 0 ? DefaultDpiY : dy);
    Params.ExifResolutionUnit = static_cast<int32_t>(d.Int(tifftag::ResolutionUnit, 2));
    Params.TIFFXPos = IntOrZero(d.Rational(tifftag::XPosition) * f);
    Params.TIFFYPos = IntOrZero(d.Rational(tifftag::YPosition) * f);
}

// The EXIF directory the page points to, when there is one.
void ReadExifDirectory(const TIFFDir& d, TIOParamsVals& Params) {
    const int64_t exifOffset = d.Int(tifftag::ExifIFD, 0);
    if (exifOffset <= 0) return;
    TIFFDir e = d;
    if (!e.Load(exifOffset)) return;
    Params.HasEXIFData = true;
    Params.ExifExposureTime = e.Rational(tifftag::ExposureTime);
    Params.ExifFNumber = e.Rational(tifftag::FNumber);
    Params.ExifExposureProgram = static_cast<int32_t>(e.Int(tifftag::ExposureProgram, 0));
    auto iso = e.Ints(tifftag::ISOSpeedRatings);
    for (size_t i = 0; i < iso.size() && i < 2; ++i) Params.SetExifISOSpeedRatings(static_cast<int>(i), static_cast<int32_t>(iso[i]));
    Params.ExifVersion = e.Ascii(tifftag::ExifVersion).substr(0, 4);
    Params.ExifDateTimeOriginal = e.Ascii(tifftag::DateTimeOriginal);
    Params.ExifDateTimeDigitized = e.Ascii(tifftag::DateTimeDigitized);
    Params.ExifCompressedBitsPerPixel = e.Rational(tifftag::CompressedBitsPerPixel);
    Params.ExifShutterSpeedValue = e.Rational(tifftag::ShutterSpeedValue);
    Params.ExifApertureValue = e.Rational(tifftag::ApertureValue);
    Params.ExifBrightnessValue = e.Rational(tifftag::BrightnessValue);
    Params.ExifExposureBiasValue = e.Rational(tifftag::ExposureBiasValue);
    Params.ExifMaxApertureValue = e.Rational(tifftag::MaxApertureValue);
    Params.ExifSubjectDistance = e.Rational(tifftag::SubjectDistance);
    Params.ExifMeteringMode = static_cast<int32_t>(e.Int(tifftag::MeteringMode, 0));
    Params.ExifLightSource = static_cast<int32_t>(e.Int(tifftag::LightSource, 0));
    Params.ExifFlash = static_cast<int32_t>(e.Int(tifftag::Flash, 0));
    Params.ExifFocalLength = e.Rational(tifftag::FocalLength);
    CopyMakerNote(e, Params);
    auto uc = e.Raw(tifftag::UserComment);
    if (uc.size() >= 8) {
        Params.ExifUserCommentCode.assign(uc.begin(), uc.begin() + 8);
        std::string t(uc.begin() + 8, uc.end());
        size_t z = t.find('\0');
        if (z != std::string::npos) t.resize(z);
        Params.ExifUserComment = t;
    }
    Params.ExifSubsecTime = e.Ascii(tifftag::SubsecTime);
    Params.ExifSubsecTimeOriginal = e.Ascii(tifftag::SubsecTimeOriginal);
    Params.ExifSubsecTimeDigitized = e.Ascii(tifftag::SubsecTimeDigitized);
    Params.ExifFlashPixVersion = e.Ascii(tifftag::FlashpixVersion).substr(0, 4);
    Params.ExifColorSpace = static_cast<int32_t>(e.Int(tifftag::ColorSpace, 0));
    Params.ExifPixelXDimension = static_cast<int32_t>(e.Int(tifftag::PixelXDimension, 0));
    Params.ExifPixelYDimension = static_cast<int32_t>(e.Int(tifftag::PixelYDimension, 0));
    Params.ExifRelatedSoundFile = e.Ascii(tifftag::RelatedSoundFile);
    Params.ExifFocalPlaneXResolution = e.Rational(tifftag::FocalPlaneXResolution);
    Params.ExifFocalPlaneYResolution = e.Rational(tifftag::FocalPlaneYResolution);
    Params.ExifFocalPlaneResolutionUnit = static_cast<int32_t>(e.Int(tifftag::FocalPlaneResolutionUnit, 0));
    Params.ExifExposureIndex = e.Rational(tifftag::ExposureIndex);
    Params.ExifSensingMethod = static_cast<int32_t>(e.Int(tifftag::SensingMethod, 0));
    Params.ExifFileSource = static_cast<int32_t>(e.Int(tifftag::FileSource, 0));
    Params.ExifSceneType = static_cast<int32_t>(e.Int(tifftag::SceneType, 0));
}

void ReadPalette(const TIFFDir& d, Page& pg, TIOParamsVals& Params) {
    // Palette: 3 x 2^bps values, checked against the tag's own count.
    Params.FreePalette();
    if (pg.bps >= 1 && pg.bps <= 8) {
        auto map = d.Ints(tifftag::ColorMap);
        const size_t n = static_cast<size_t>(1) << pg.bps;
        if (map.size() >= 3 * n) {
            int64_t mx = *std::max_element(map.begin(), map.begin() + static_cast<std::ptrdiff_t>(3 * n));
            pg.palette.resize(n);
            for (size_t i = 0; i < n; ++i) {
                auto c = [&](size_t k) { return static_cast<uint8_t>(mx < 256 ? map[k] : (map[k] >> 8)); };
                pg.palette[i] = TRGB{c(2 * n + i), c(n + i), c(i)};
            }
            Params.Palette = pg.palette;
            Params.PaletteCount = static_cast<int32_t>(n);
        }
    }
}

// IPTC, annotations and the colour profile, stored whole.
void ReadEmbeddedBlocks(const TIFFDir& d, TIOParamsVals& Params) {
    auto iptc = d.Raw(tifftag::IPTCNAA);
    if (!iptc.empty())
        Params.IPTCInfo.LoadFromBuffer(iptc.data(), static_cast<int64_t>(iptc.size()));
    else
        Params.IPTCInfo.Clear();
    auto annot = d.Raw(tifftag::ImagingAnnotations);
    if (!annot.empty()) Params.GetImagingAnnot()->LoadFromBuffer(annot.data(), static_cast<int64_t>(annot.size()));
    auto icc = d.Raw(tifftag::ICCProfile);
    if (!icc.empty()) Params.GetColorProfile()->LoadFromBuffer(icc.data(), static_cast<int32_t>(icc.size()));
}

// An old-style JPEG behind JPEGInterchangeFormat is the whole picture.
void ReadJPEGInterchange(const TIFFDir& d, TStream& Stream, int64_t jifOffset, bool ThumbnailMode, TIEBitmap* Bitmap,
                         TIEProgressRecord& Progress, TIOParamsVals& Params) {
    int64_t at = d.base + jifOffset;
    if (at <= 0 || at >= d.size) {
        SetAbort(Progress);
        return;
    }
    Stream.Seek(at, soBeginning);
    int64_t len = std::min(MeasureJPEGStreamLength(Stream), d.size - at);
    std::vector<uint8_t> buf(static_cast<size_t>(std::max<int64_t>(len, 0)));
    Stream.Seek(at, soBeginning);
    if (buf.empty() || Stream.Read(buf.data(), len) != len) {
        SetAbort(Progress);
        return;
    }
    TIEMemStream js(buf.data(), len);
    TIOParamsVals jp(nullptr);
    TIEBitmap out;
    TIEProgressRecord silent;
    silent.Aborting = Progress.Aborting;
    ReadJPEGStream(js, /*TablesStream=*/nullptr, &out, /*UseColorManagement=*/true, /*InvertCMYK=*/false,
                   /*ReadMetadata=*/false, /*KeepYCbCr=*/false, /*Preview=*/false, silent, jp);
    if (ThumbnailMode && (out.Width() > 400 || out.Height() > 400)) {
        SetAbort(Progress);
        return;
    }
    Bitmap->Assign(&out);
    if (Params.TIFFEnableAdjustOrientation) ApplyEXIFOrientation(Bitmap, Params.TIFFOrientation);
}

// Pages whose strips or tiles hold JPEG streams.
void ReadJPEGData(const TIFFDir& d, TStream& Stream, const Page& pg, TIEBitmap* Bitmap, TIEProgressRecord& Progress,
                  TIOParamsVals& Params) {
    const int ph = pg.photometric;
    TIOParamsVals jp(nullptr);  // the strips' own record: the page keeps its parameters
    jp.JPEGDCTMethod = Params.JPEGDCTMethod;
    TIEProgressRecord silent;
    silent.Aborting = Progress.Aborting;
    auto tables = d.Raw(tifftag::JPEGTables);
    auto readJPEG = [&](TStream& js, TIEBitmap& out) {
        std::unique_ptr<TIEMemStream> ts;
        if (!tables.empty()) ts = std::make_unique<TIEMemStream>(tables.data(), static_cast<int64_t>(tables.size()));
        ReadJPEGStream(js, ts.get(), &out, /*UseColorManagement=*/false, /*InvertCMYK=*/true, /*ReadMetadata=*/false,
                       ph == 2 && !tables.empty(), /*Preview=*/false, silent, jp);
    };
    int64_t jif = d.Int(tifftag::JPEGInterchangeFormat, 0);
    auto offsets = d.Ints(pg.tileW > 0 ? tifftag::TileOffsets : tifftag::StripOffsets);
    if (offsets.empty()) offsets = d.Ints(tifftag::StripOffsets);
    auto counts = d.Ints(pg.tileW > 0 ? tifftag::TileByteCounts : tifftag::StripByteCounts);
    if (counts.empty()) counts = d.Ints(tifftag::StripByteCounts);
    if (pg.compression == 6 || (jif != 0 && d.Int(tifftag::JPEGProc, 1) <= 1 && pg.compression != 7)) {
        int64_t at = d.base + (jif != 0 ? jif : (offsets.empty() ? 0 : offsets[0]));
        if (at <= 0 || at >= d.size) {
            SetAbort(Progress);
            return;
        }
        Stream.Seek(at, soBeginning);
        int64_t len = MeasureJPEGStreamLength(Stream);
        std::vector<uint8_t> buf(static_cast<size_t>(std::max<int64_t>(len, 0)));
        Stream.Seek(at, soBeginning);
        if (buf.empty() || Stream.Read(buf.data(), len) != len) {
            SetAbort(Progress);
            return;
        }
        TIEMemStream js(buf.data(), len);
        TIEBitmap out;
        ReadJPEGStream(js, /*TablesStream=*/nullptr, &out, /*UseColorManagement=*/true, /*InvertCMYK=*/false,
                       /*ReadMetadata=*/false, /*KeepYCbCr=*/false, /*Preview=*/false, silent, jp);
        out.CopyRectTo(Bitmap, 0, 0, 0, 0, std::min(out.Width(), pg.width), std::min(out.Height(), pg.height));
        return;
    }
    const int32_t bw = pg.tileW > 0 ? pg.tileW : pg.width;
    const int32_t bh = pg.tileW > 0 ? std::max(pg.tileH, 1) : pg.rowsPerStrip;
    int32_t x = 0, y = 0;
    for (size_t i = 0; i < offsets.size() && y < pg.height && !Progress.Aborted(); ++i) {
        int64_t at = d.base + offsets[i];
        int64_t n = i < counts.size() && counts[i] > 0 ? counts[i] : d.size - at;
        // A strip past the end or running past it: the file was cut. The rows
        // decoded so far stay, the load reports the failure.
        if (at < 0 || at >= d.size) break;
        const bool cut = n > d.size - at;
        n = std::min(n, d.size - at);
        std::vector<uint8_t> buf(static_cast<size_t>(n));
        Stream.Seek(at, soBeginning);
        if (Stream.Read(buf.data(), n) != n) break;
        TIEMemStream js(buf.data(), n);
        TIEBitmap out;
        readJPEG(js, out);
        if (!out.IsEmpty()) {
            out.CopyRectTo(Bitmap, 0, 0, x, y, std::min(out.Width(), pg.width - x), std::min(out.Height(), pg.height - y));
        }
        if (cut) SetAbort(Progress);  // set after the decoder, which stops on the flag
        x += bw;
        if (x >= pg.width || pg.tileW <= 0) {
            x = 0;
            y += bh;
        }
        Report(Progress, 0);
        if (Progress.OnProgress) Progress.OnProgress(Progress.Sender, static_cast<int>(static_cast<int64_t>(std::min(y, pg.height)) * 100 / pg.height));
    }
    if (y < pg.height) SetAbort(Progress);  // strips missing or cut off
    if (Params.TIFFEnableAdjustOrientation) ApplyEXIFOrientation(Bitmap, Params.TIFFOrientation);
}

// Pages stored uncompressed, as LZW, fax, PackBits or deflate, in strips or tiles.
void ReadStripsAndTiles(const TIFFDir& d, TStream& Stream, const Page& pg, TIEPixelFormat pf, bool wantAlpha,
                        std::unique_ptr<TIEMask>& AlphaMask, TTIFFLZWDecompFunc lzw, TIEBitmap* Bitmap,
                        TIEProgressRecord& Progress, TIOParamsVals& Params) {
    const int ph = pg.photometric;
    const bool fax = pg.compression >= 2 && pg.compression <= 4;
    const bool tiled = pg.tileW > 0 || pg.tileH > 0;
    if (tiled && (pg.tileW <= 0 || pg.tileH <= 0 || pg.planar == 2)) {
        SetAbort(Progress);
        return;
    }
    auto offsets = d.Ints(tiled ? tifftag::TileOffsets : tifftag::StripOffsets);
    auto counts = d.Ints(tiled ? tifftag::TileByteCounts : tifftag::StripByteCounts);
    if (tiled && offsets.empty()) {
        offsets = d.Ints(tifftag::StripOffsets);
        counts = d.Ints(tifftag::StripByteCounts);
    }
    if (offsets.empty()) {
        // No pixel data at all: a failed load, not a blank success.
        SetAbort(Progress);
        return;
    }
    const int32_t blockW = tiled ? pg.tileW : pg.width;
    const int32_t blockH = tiled ? pg.tileH : pg.rowsPerStrip;
    const int32_t planes = pg.planar == 2 ? pg.spp : 1;
    const int32_t samplesPerPlane = pg.planar == 2 ? 1 : pg.spp;
    const int64_t rowBytes = (static_cast<int64_t>(blockW) * samplesPerPlane * pg.bps + 7) / 8;
    const int32_t blocksAcross = tiled ? (pg.width + pg.tileW - 1) / pg.tileW : 1;
    const int32_t blocksDown = (pg.height + blockH - 1) / blockH;
    const int64_t blocksPerPlane = static_cast<int64_t>(blocksAcross) * blocksDown;
    const int bytesPerSample = pg.bps == 16 ? 2 : 1;
    std::vector<uint8_t> chunky(static_cast<size_t>(blockW) * pg.spp * bytesPerSample + 16);
    std::vector<std::vector<uint8_t>> planeRows(static_cast<size_t>(planes));
    std::vector<uint8_t> raw;
    // Fax data decodes to white-is-set rows: BlackIsZero pages are the inverted ones.
    const bool invertGrey = fax ? ph == 1 : ph == 0;
    const int maxv = (1 << std::min(pg.bps, 8)) - 1;
    const bool molli = pg.software.compare(0, 15, "Look@Molli v1.1") == 0;
    int32_t rowsDone = 0;
    auto sample16 = [&](const uint8_t* p) -> uint16_t {
        // Rows hold the file's byte order.
        return d.le ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : static_cast<uint16_t>((p[0] << 8) | p[1]);
    };

    auto convertRow = [&](const uint8_t* src, int32_t n, int32_t x0, int32_t y) {
        uint8_t* dst = Bitmap->Scanline(y);
        const int spp = pg.spp;
        if (pf == ie1g) {
            // WhiteIsZero stores black as 1: the bitmap's 1 is white.
            for (int32_t i = 0; i < n; ++i) {
                bool bit = (src[i >> 3] >> (7 - (i & 7))) & 1;
                if (invertGrey) bit = !bit;
                int32_t X = x0 + i;
                if (bit)
                    dst[X >> 3] |= static_cast<uint8_t>(0x80 >> (X & 7));
                else
                    dst[X >> 3] &= static_cast<uint8_t>(~(0x80 >> (X & 7)));
            }
            return;
        }
        uint8_t* mask = wantAlpha ? AlphaMask->GetScanline(y) : nullptr;
        for (int32_t i = 0; i < n; ++i) {
            const int32_t X = x0 + i;
            const uint8_t* s = src + static_cast<size_t>(i) * spp * bytesPerSample;
            if (ph == 0 || ph == 1) {
                if (pg.bps == 16) {
                    uint16_t v = sample16(s);
                    if (invertGrey) v = static_cast<uint16_t>(~v);
                    if (pf == ie16g) {
                        std::memcpy(dst + X * 2, &v, 2);
                        continue;
                    }
                    uint8_t g = molli ? static_cast<uint8_t>(v >> 4) : static_cast<uint8_t>(v >> 8);
                    dst[X * 3] = dst[X * 3 + 1] = dst[X * 3 + 2] = g;
                    continue;
                }
                int v = s[0];
                if (pg.bps < 8) v = v * 255 / maxv;  // unpacked samples scaled to the full range
                if (invertGrey) v = 255 - v;
                if (pf == ie8g)
                    dst[X] = static_cast<uint8_t>(v);
                else
                    dst[X * 3] = dst[X * 3 + 1] = dst[X * 3 + 2] = static_cast<uint8_t>(v);
                if (mask && spp == 2) mask[X] = s[1];
            } else if (ph == 2) {
                if (pg.spp == 1) {
                    // 5-5-5 packed colour, low byte first; each channel is 5 bits.
                    uint16_t v = static_cast<uint16_t>(s[0] | (s[1] << 8));
                    dst[X * 3 + 2] = static_cast<uint8_t>(((v >> 10) & 31) * 8);
                    dst[X * 3 + 1] = static_cast<uint8_t>(((v >> 5) & 31) * 8);
                    dst[X * 3] = static_cast<uint8_t>((v & 31) * 8);
                } else if (pg.bps == 16) {
                    uint16_t r = sample16(s), g = sample16(s + 2), b = sample16(s + 4);
                    if (pf == ieRGB48) {
                        TRGB48 c{r, g, b};
                        std::memcpy(dst + X * 6, &c, 6);
                    } else {
                        dst[X * 3 + 2] = static_cast<uint8_t>(r >> 8);
                        dst[X * 3 + 1] = static_cast<uint8_t>(g >> 8);
                        dst[X * 3] = static_cast<uint8_t>(b >> 8);
                    }
                    if (mask && spp >= 4) mask[X] = static_cast<uint8_t>(sample16(s + 6) >> 8);
                } else {
                    dst[X * 3 + 2] = s[0];
                    dst[X * 3 + 1] = s[1];
                    dst[X * 3] = s[2];
                    if (mask && spp >= 4) mask[X] = s[3];
                }
            } else if (ph == 3) {
                uint8_t idx = s[0];
                if (pf == ie8p)
                    dst[X] = idx;
                else {
                    TRGB c = idx < pg.palette.size() ? pg.palette[idx] : TRGB{0, 0, 0};
                    std::memcpy(dst + X * 3, &c, 3);
                }
                if (mask && spp == 2) mask[X] = s[1];
            } else if (ph == 5) {
                uint8_t k[4];
                for (int c = 0; c < 4; ++c)
                    k[c] = static_cast<uint8_t>(~(pg.bps == 16 ? (sample16(s + c * 2) >> 8) : s[c]));
                if (pf == ieCMYK)
                    std::memcpy(dst + X * 4, k, 4);
                else
                    ColorRowConverter(k, iecrAlphaColor, dst + X * 3, &Params, 1, iecrBGR);
            } else if (ph == 8) {
                ColorRowConverter(s, iecrCIELab, dst + X * 3, &Params, 1, iecrBGR);
            }
        }
    };

    for (int64_t blk = 0; blk < blocksPerPlane && !Progress.Aborted(); ++blk) {
        const int32_t bx = static_cast<int32_t>(blk % blocksAcross) * blockW;
        const int32_t by = static_cast<int32_t>(blk / blocksAcross) * blockH;
        const int32_t rows = std::min(blockH, pg.height - by);
        const int32_t cols = std::min(blockW, pg.width - bx);
        bool ok = true;
        for (int32_t p = 0; p < planes; ++p) {
            int64_t idx = blk + p * blocksPerPlane;
            if (idx >= static_cast<int64_t>(offsets.size())) {
                ok = false;
                break;
            }
            int64_t at = d.base + offsets[static_cast<size_t>(idx)];
            int64_t n = idx < static_cast<int64_t>(counts.size()) ? counts[static_cast<size_t>(idx)] : 0;
            if (at < 0 || at >= d.size) {
                ok = false;
                break;
            }
            // A block whose count runs past the end was cut, whatever its coding
            // makes of the bytes that remain.
            bool shortData = n > d.size - at;
            if (n <= 0 || n > d.size - at) n = d.size - at;
            raw.resize(static_cast<size_t>(n));
            Stream.Seek(at, soBeginning);
            if (Stream.Read(raw.data(), n) != n ||
                !DecodeBlock(pg, raw, rows, rowBytes, planeRows[static_cast<size_t>(p)], lzw, shortData)) {
                ok = false;
                break;
            }
            if (shortData) SetAbort(Progress);  // the rows that arrived still go in
        }
        if (!ok) {
            SetAbort(Progress);
            break;
        }
        for (int32_t r = 0; r < rows; ++r) {
            const uint8_t* src;
            if (planes == 1) {
                uint8_t* row = planeRows[0].data() + r * rowBytes;
                if (pg.compression == 5 || pg.compression == 8 || pg.compression == 32946)
                    ApplyPredictor(pg, row, blockW, pg.spp);
                if (pg.bps < 8 && pf != ie1g) {
                    // One byte per sample, most significant bits first.
                    const int32_t total = blockW * pg.spp;
                    for (int32_t i = 0; i < total; ++i) {
                        int64_t bit = static_cast<int64_t>(i) * pg.bps;
                        uint32_t v = 0;
                        for (int b = 0; b < pg.bps; ++b, ++bit) v = (v << 1) | ((row[bit >> 3] >> (7 - (bit & 7))) & 1);
                        chunky[static_cast<size_t>(i)] = static_cast<uint8_t>(v);
                    }
                    src = chunky.data();
                } else {
                    src = row;
                }
            } else {
                for (int32_t p = 0; p < planes; ++p) {
                    uint8_t* row = planeRows[static_cast<size_t>(p)].data() + r * rowBytes;
                    if (pg.compression == 5 || pg.compression == 8 || pg.compression == 32946)
                        ApplyPredictor(pg, row, blockW, 1);
                    for (int32_t i = 0; i < blockW; ++i)
                        std::memcpy(&chunky[(static_cast<size_t>(i) * pg.spp + p) * bytesPerSample], row + i * bytesPerSample,
                                    static_cast<size_t>(bytesPerSample));
                }
                src = chunky.data();
            }
            convertRow(src, cols, bx, by + r);
        }
        if (!tiled || bx + blockW >= pg.width) {
            rowsDone = std::min(pg.height, by + rows);
            if (Progress.OnProgress) Progress.OnProgress(Progress.Sender, static_cast<int>(static_cast<int64_t>(rowsDone) * 100 / pg.height));
        }
    }
    // Associated alpha: the file's colours were multiplied by it.
    if (AlphaMask && pg.extraSamples == 1 && Bitmap->PixelFormat() == ieRGB24) {
        for (int32_t y = 0; y < pg.height; ++y) {
            uint8_t* px = Bitmap->Scanline(y);
            const uint8_t* a = AlphaMask->GetScanline(y);
            for (int32_t x = 0; x < pg.width; ++x)
                if (a[x] != 0 && a[x] != 255)
                    for (int c = 0; c < 3; ++c)
                        px[x * 3 + c] = static_cast<uint8_t>(std::min(255, (px[x * 3 + c] * 255 + a[x] / 2) / a[x]));
        }
    }
    if (AlphaMask) {
        AlphaMask->SyncBoundingBox();
        AlphaMask->Full = false;
    }
    if (Params.TIFFEnableAdjustOrientation) ApplyEXIFOrientation(Bitmap, Params.TIFFOrientation);
}

}  // namespace

bool IsRawCameraTIFF(TStream& Stream) {
    int64_t p = Stream.Position();
    bool result = false;
    try {
        TIFFDir d;
        d.s = &Stream;
        d.base = 0;
        d.size = Stream.Size();
        uint32_t first = 0;
        if (ReadHeader(Stream, p, d.le, first) && d.Load(first)) {
            const TIFFEntry* dng = d.Find(tifftag::DNGVersion);
            const TIFFEntry* ph = d.Find(tifftag::PhotometricInterpretation);
            int64_t phv = d.Int(tifftag::PhotometricInterpretation, 0);
            if (dng && dng->type == 1 && dng->count == 4) result = true;
            if (ph && ph->type == 3 && ph->count == 1 && (phv == 32803 || phv == 34892)) result = true;
            if (d.Find(tifftag::SubIFDs) && d.Find(tifftag::TIFFEPStandardID) && d.Int(tifftag::ImageWidth, 0) < 200 && d.Int(tifftag::ImageLength, 0) < 200) result = true;
        }
    } catch (...) {
        result = false;
    }
    Stream.Seek(p, soBeginning);
    return result;
}

void ReadTIFFStream(TIEBitmap* Bitmap, TStream& Stream, int32_t& ImageCount, bool ThumbnailMode, bool NoAlpha,
                    bool BaseAtPosition, std::unique_ptr<TIEMask>& AlphaMask, bool Preview,
                    TIEProgressRecord& Progress, TIOParamsVals& Params) {
    ImageCount = 0;
    TIFFDir d;
    d.s = &Stream;
    d.base = BaseAtPosition ? Stream.Position() : 0;
    d.size = Stream.Size();
    uint32_t first = 0;
    if (!ReadHeader(Stream, d.base, d.le, first) || first == 0) {
        SetAbort(Progress);
        return;
    }
    bool loaded = false;
    ImageCount = WalkPages(d, first, Params.TIFFImageIndex, loaded);
    Params.SetImageCount(ImageCount);
    if (!loaded) {
        SetAbort(Progress);
        return;
    }
    Page pg;
    if (!ReadPageLayout(d, pg)) {
        SetAbort(Progress);
        return;
    }
    ReadPageTags(d, pg, Params);
    ReadExifDirectory(d, Params);
    ReadPalette(d, pg, Params);
    ReadEmbeddedBlocks(d, Params);

    TTIFFLZWDecompFunc lzw = Params.TIFFLZWDecompressor ? Params.TIFFLZWDecompressor : DefaultTIFFLZWDecompressor;
    if ((!ThumbnailMode && (pg.width <= 0 || pg.height <= 0)) || (pg.compression == 5 && !lzw)) {
        SetAbort(Progress);
        return;
    }
    if (Preview) return;
    const int64_t jifOffset = d.Int(tifftag::JPEGInterchangeFormat, 0);
    if (jifOffset != 0 && pg.compression != 7 && d.Int(tifftag::JPEGProc, 1) <= 1) {
        // Old-style JPEG behind JPEGInterchangeFormat (EXIF thumbnails carry no size tags).
        ReadJPEGInterchange(d, Stream, jifOffset, ThumbnailMode, Bitmap, Progress, Params);
        return;
    }
    if (pg.width <= 0 || pg.height <= 0 || pg.spp <= 0 || pg.spp > 16 || pg.bps <= 0 || pg.bps > 16 ||
        (ThumbnailMode && (pg.width > 400 || pg.height > 400)) ||
        !PlausibleSize(pg.width, pg.height, d.size, pg.compression == 1 ? 8 : 1 << 16)) {
        SetAbort(Progress);
        return;
    }

    const int ph = pg.photometric;
    const bool jpeg = IsJPEGPage(d, pg);
    if (!Decodable(pg, jpeg)) {
        SetAbort(Progress);
        return;
    }
    const TIEPixelFormat pf = PixelFormatFor(pg, jpeg, Params.IsNativePixelFormat);
    Bitmap->Allocate(pg.width, pg.height, pf);
    if (Bitmap->IsEmpty()) {
        SetAbort(Progress);
        return;
    }
    Bitmap->Fill(0);
    if (pf == ie8p) {
        for (size_t i = 0; i < pg.palette.size(); ++i) Bitmap->SetPalette(static_cast<int32_t>(i), pg.palette[i]);
        Bitmap->PaletteColorCount = static_cast<int32_t>(pg.palette.size());
    }
    const bool wantAlpha = !NoAlpha && !jpeg &&
                           ((pg.spp == 4 && pg.extraSamples == 2) || (pg.spp == 2 && pg.bps == 8) || (pg.spp == 4 && ph == 2));
    if (wantAlpha) {
        if (!AlphaMask) AlphaMask = std::make_unique<TIEMask>();
        AlphaMask->AllocateBits(pg.width, pg.height, 8);
        AlphaMask->Fill(255);
    }

    if (jpeg) {
        ReadJPEGData(d, Stream, pg, Bitmap, Progress, Params);
        return;
    }
    ReadStripsAndTiles(d, Stream, pg, pf, wantAlpha, AlphaMask, lzw, Bitmap, Progress, Params);
}
