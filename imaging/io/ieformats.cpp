#include "imaging/io/ieformats.h"

#include <cstring>
#include <memory>
#include <vector>

#include "imaging/bitmaps/ieicc.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/iedialogwords.h"
#include "imaging/io/ieico.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"
#include "imaging/io/iej2000.h"
#include "imaging/io/iejpeg.h"
#include "imaging/io/ielzw.h"
#include "imaging/io/iepcx.h"
#include "imaging/io/iepng.h"
#include "imaging/io/iepnm.h"
#include "imaging/io/ierawcamera.h"
#include "imaging/io/ietga.h"
#include "imaging/io/ietiff.h"
#include "platform/rtl/sysutils.h"

using ieio::LE16;
using ieio::LE32;

TIEConvertColorFunction ColorRowConverter = ConvertColorRow;
bool EnableColorManagement = false;

namespace {

std::vector<std::unique_ptr<TIEFileFormatEntry>>& Registry() {
    static std::vector<std::unique_ptr<TIEFileFormatEntry>> list;
    return list;
}

// Built-in formats are served by the I/O component itself; these only stand for the capability.
void BuiltinReader(TStream&, TIEBitmap*, TIOParamsVals&, bool, TIEProgressRecord&) {}
void BuiltinWriter(TStream&, TIEBitmap*, TIOParamsVals&, TIEProgressRecord&) {}
bool BuiltinTest(TStream&, TIOFormatCode) { return false; }

void AddBuiltin(int32_t Type, const char* Name, const char* Ext, bool Read, bool Write, uint16_t Page) {
    TIEFileFormatEntry e;
    e.FileType = Type;
    e.FullName = Name;
    e.Extensions = Ext;
    e.InternalFormat = true;
    e.DialogPage = Page;
    e.ReadFunction = Read ? BuiltinReader : nullptr;
    e.WriteFunction = Write ? BuiltinWriter : nullptr;
    e.TryFunction = BuiltinTest;
    RegisterFileFormat(e);
}

void RegisterBuiltinFormats() {
    AddBuiltin(ioTIFF, "TIFF Bitmap", "TIF;TIFF;FAX;G3N;G3F;XIF", /*Read=*/true, /*Write=*/true, ppTIFF);
    AddBuiltin(ioGIF, "CompuServe Bitmap", "GIF", /*Read=*/true, /*Write=*/true, ppGIF);
    AddBuiltin(ioJPEG, "JPEG Bitmap", "JPG;JPEG;JPE;JIF", /*Read=*/true, /*Write=*/true, ppJPEG);
    AddBuiltin(ioPCX, "PaintBrush", "PCX", /*Read=*/true, /*Write=*/true, ppPCX);
    AddBuiltin(ioBMP, "Windows Bitmap", "BMP;DIB;RLE", /*Read=*/true, /*Write=*/true, ppBMP);
    AddBuiltin(ioICO, "Windows Icon", "ICO", /*Read=*/true, /*Write=*/true, 0);
    AddBuiltin(ioCUR, "Windows Cursor", "CUR", /*Read=*/true, /*Write=*/false, 0);
    AddBuiltin(ioPNG, "Portable Network Graphics", "PNG", /*Read=*/true, /*Write=*/true, ppPNG);
    AddBuiltin(ioWMF, "Windows Metafile", "WMF", /*Read=*/true, /*Write=*/false, 0);
    AddBuiltin(ioEMF, "Enhanced Windows Metafile", "EMF", /*Read=*/true, /*Write=*/false, 0);
    AddBuiltin(ioTGA, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", /*Read=*/true, /*Write=*/true, ppTGA);
    AddBuiltin(ioPXM, "Portable Pixmap, GrayMap, BitMap", "PXM;PPM;PGM;PBM", /*Read=*/true, /*Write=*/true, 0);
    AddBuiltin(ioWBMP, "Wireless Bitmap", "WBMP", /*Read=*/true, /*Write=*/true, 0);
    AddBuiltin(ioJP2, "JPEG2000", "JP2", /*Read=*/true, /*Write=*/true, ppJ2000);
    AddBuiltin(ioJ2K, "JPEG2000 Code Stream", "J2K;JPC;J2C", /*Read=*/true, /*Write=*/true, ppJ2000);
    AddBuiltin(ioPS, "PostScript Level 2", "PS;EPS", /*Read=*/false, /*Write=*/true, 0);
    AddBuiltin(ioPDF, "Adobe PDF", "PDF", /*Read=*/false, /*Write=*/true, 0);
    AddBuiltin(ioDCX, "Multipage PCX", "DCX", /*Read=*/true, /*Write=*/true, ppPCX);
    AddBuiltin(ioRAW, "Camera RAW", "CRW;CR2;NEF;RAW;PEF;RAF;X3F;BAY;ORF;SRF;MRW;DCR", /*Read=*/true, /*Write=*/false,
               0);
}

std::vector<std::string> SplitExtensions(const std::string& S) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= S.size()) {
        size_t p = S.find(';', start);
        if (p == std::string::npos) p = S.size();
        if (p > start) out.push_back(S.substr(start, p - start));
        start = p + 1;
    }
    return out;
}

// Reads up to N bytes at P into Buf; answers the count; the position goes back to P.
int64_t PeekAt(TStream& S, int64_t P, void* Buf, int64_t N) {
    S.Seek(P, soBeginning);
    int64_t got = S.Read(Buf, N);
    S.Seek(P, soBeginning);
    return got;
}

}  // namespace

void IEIOStartup() {
    if (Registry().empty()) RegisterBuiltinFormats();
    DefaultGIFLZWDecompressor = GIFLZWDecompress;
    DefaultGIFLZWCompressor = GIFLZWCompress;
    DefaultTIFFLZWDecompressor = TIFFLZWDecompress;
    DefaultTIFFLZWCompressor = TIFFLZWCompress;
    ColorRowConverter = ConvertColorRow;
    InitDialogWordTable();
}

void IEIOShutdown() { Registry().clear(); }

void RegisterFileFormat(const TIEFileFormatEntry& Entry) {
    auto e = std::make_unique<TIEFileFormatEntry>(Entry);
    if (e->FullName.size() > 80) e->FullName.resize(80);
    if (e->Extensions.size() > 80) e->Extensions.resize(80);
    Registry().push_back(std::move(e));
}

void UnregisterFileFormat(int32_t FileType) {
    auto& r = Registry();
    for (auto it = r.begin(); it != r.end(); ++it) {
        if ((*it)->FileType == FileType) {
            r.erase(it);
            return;
        }
    }
}

TIEFileFormatEntry* FindFormatByType(int32_t FileType) {
    for (auto& e : Registry())
        if (e->FileType == FileType) return e.get();
    return nullptr;
}

int RegisteredFormatCount() { return static_cast<int>(Registry().size()); }
TIEFileFormatEntry* RegisteredFormat(int Index) {
    auto& r = Registry();
    return (Index >= 0 && Index < static_cast<int>(r.size())) ? r[Index].get() : nullptr;
}

int GetFileExtensionCount(int32_t FileType) {
    TIEFileFormatEntry* e = FindFormatByType(FileType);
    return e ? static_cast<int>(SplitExtensions(e->Extensions).size()) : 0;
}

std::string GetFileExtension(int32_t FileType, int Index) {
    TIEFileFormatEntry* e = FindFormatByType(FileType);
    if (!e) return "";
    auto v = SplitExtensions(e->Extensions);
    return (Index >= 0 && Index < static_cast<int>(v.size())) ? v[Index] : "";
}

TIEFileFormatEntry* FindFormatByExtension(const std::string& Ext) {
    std::string x = LowerCase(Ext);
    if (!x.empty() && x[0] == '.') x.erase(0, 1);
    if (x.empty()) return nullptr;
    for (auto& e : Registry())
        for (const auto& ext : SplitExtensions(e->Extensions))
            if (LowerCase(ext) == x) return e.get();
    return nullptr;
}

TIOFormatCode FindFileTypeByExtension(const std::string& Ext) {
    TIEFileFormatEntry* e = FindFormatByExtension(LowerCase(Ext));
    return e ? e->FileType : 0;
}

bool IsReadableImageFile(const std::string& FileName) {
    TIEFileFormatEntry* e = FindFormatByExtension(ExtractFileExt(FileName));
    return e != nullptr && e->ReadFunction != nullptr;
}

std::string StreamHeaderSignature(const uint8_t* Header) {
    std::string s;
    for (int i = 0; i < 5 && Header[i] != 0; ++i) s.push_back(static_cast<char>(Header[i]));
    return s;
}

bool IsTIFFStream(TStream& Stream) {
    int64_t p = Stream.Position();
    uint8_t h[4] = {};
    if (PeekAt(Stream, p, h, 4) < 4) return false;
    return (h[0] == 'I' && h[1] == 'I' && h[2] == 42 && h[3] == 0) ||
           (h[0] == 'M' && h[1] == 'M' && h[2] == 0 && h[3] == 42);
}

bool IsEMFStream(TStream& Stream) {
    int64_t p = Stream.Position();
    uint8_t h[100] = {};
    if (PeekAt(Stream, p, h, 100) < 100) return false;
    return LE32(h) == 1 && LE32(h + 40) == 0x464D4520;
}

bool IsWMFStream(TStream& Stream) {
    int64_t p = Stream.Position();
    uint8_t h[22] = {};
    if (PeekAt(Stream, p, h, 20) < 20) return false;
    int64_t at = LE32(h) == 0x9AC6CDD7u ? p + 22 : p;
    if (PeekAt(Stream, at, h, 18) < 18) {
        Stream.Seek(p, soBeginning);
        return false;
    }
    Stream.Seek(p, soBeginning);
    return LE16(h) == 1 && LE16(h + 2) == 9 && LE16(h + 16) == 0;
}

bool IsAVIStream(TStream& Stream) {
    int64_t p = Stream.Position();
    uint8_t h[12] = {};
    int64_t got = PeekAt(Stream, p, h, 12);
    return got == 12 && std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "AVI ", 4) == 0;
}

TIOFormatCode FindStreamFormat(TStream& Stream) {
    int64_t p = 0;
    try {
        p = Stream.Position();
        int64_t size = Stream.Size() - p;  // what lies ahead of the position
        uint8_t h[128] = {};
        PeekAt(Stream, p, h, sizeof h);
        TIOFormatCode result = 0;
        if (size > 12 && StreamHeaderSignature(h) == "JFIF")
            result = ioJPEG;
        else if (size > 13 && h[0] == 'G' && h[1] == 'I' && h[2] == 'F')
            result = ioGIF;
        else if (size > 12 && StreamHeaderSignature(h) == "PCX2")
            result = ioPCX;
        else if (size > 4 && StreamHeaderSignature(h) == "PCX")
            result = ioPCX;
        else if (size > 14 && h[0] == 'B' && h[1] == 'M')
            result = ioBMP;
        else if (size > 128 && h[0] == 10 && h[1] <= 5)
            result = ioPCX;
        else if (size > 12 && StreamHeaderSignature(h) == "TIFF")
            result = ioTIFF;
        else if (IsTIFFStream(Stream) && !IsRawCameraTIFF(Stream))
            result = ioTIFF;
        else if (size > 8 && IsPNGStream(Stream))
            result = ioPNG;
        // The later tests read from the position themselves; each leaves it where it was.
        using Test = bool (*)(TStream&);
        static const struct {
            Test test;
            TIOFormatCode code;
        } tests[] = {
            {IsICOStream, ioICO},
            {IsCURStream, ioCUR},
            {IsTGAStream, ioTGA},
            {IsPNMStream, ioPXM},
            {[](TStream& s) { return FindJPEGStart(s) >= 0; }, ioJPEG},
            {IsJP2Stream, ioJP2},
            {IsJ2KStream, ioJ2K},
            {IsAVIStream, ioAVI},
            {IsDCXStream, ioDCX},
            {IsWMFStream, ioWMF},
            {IsEMFStream, ioEMF},
        };
        for (const auto& t : tests) {
            if (result != 0) break;
            Stream.Seek(p, soBeginning);
            if (t.test(Stream)) result = t.code;
        }
        Stream.Seek(p, soBeginning);
        if (result == 0) {
            for (int i = 0; i < RegisteredFormatCount() && result == 0; ++i) {
                TIEFileFormatEntry* e = RegisteredFormat(i);
                if (e->TryFunction == nullptr) continue;
                Stream.Seek(p, soBeginning);
                if (e->TryFunction(Stream, e->FileType)) result = e->FileType;
            }
        }
        if (result == 0) {
            Stream.Seek(p, soBeginning);
            if (IsRawCameraStream(Stream)) result = ioRAW;
        }
        Stream.Seek(p, soBeginning);
        return result;
    } catch (...) {
        // A failing test must not leave the caller's stream somewhere in the middle.
        try {
            Stream.Seek(p, soBeginning);
        } catch (...) {
        }
        return 0;
    }
}

TIOFormatCode FindFileFormat(const std::string& FileName, bool VerifyExtension) {
    if (FileName.empty()) return 0;
    TIOFormatCode result = 0;
    try {
        TFileStream fs(FileName, fmOpenRead | fmShareDenyWrite);
        result = FindStreamFormat(fs);
    } catch (...) {
        result = 0;
    }
    TIEFileFormatEntry* entry = FindFormatByExtension(ExtractFileExt(FileName));
    if (entry && entry->FileType == ioRAW && result == ioTIFF) return ioRAW;
    if (!VerifyExtension || result == 0) return result;
    if (entry == nullptr || result == ioICO || result == ioCUR) return entry ? entry->FileType : 0;
    if (result != entry->FileType) return 0;
    return result;
}

// ---- Colour rows ---------------------------------------------------------------------

TRGB AlphaColorToRGB(uint32_t Value) {
    uint32_t s = Value >> 24;
    TRGB c;
    c.r = static_cast<uint8_t>((Value & 0xFF) * s / 255);
    c.g = static_cast<uint8_t>(((Value >> 8) & 0xFF) * s / 255);
    c.b = static_cast<uint8_t>(((Value >> 16) & 0xFF) * s / 255);
    return c;
}

uint32_t RGBToAlphaColor(TRGB RGB) {
    uint32_t m = RGB.r;
    if (RGB.g > m) m = RGB.g;
    if (RGB.b > m) m = RGB.b;
    if (m == 0) m = 1;
    return (RGB.r * 255 / m) | ((RGB.g * 255 / m) << 8) | ((RGB.b * 255 / m) << 16) | (m << 24);
}

bool ConvertColorRow(const void* Source, uint8_t SF, void* Dest, TIOParamsVals* Params, int32_t Count, uint8_t DF) {
    if (Count <= 0) return true;
    if (EnableColorManagement && Params != nullptr && Params->ColorProfile && Params->ColorProfile->IsValid()) {
        TIEICC* out = Params->GetOutputColorProfile();
        if (out->IsValid() && Params->ColorProfile->Transform(out, SF, DF, 0, 0, Source, Dest, Count)) return true;
    }
    const auto* s = static_cast<const uint8_t*>(Source);
    auto* d = static_cast<uint8_t*>(Dest);
    if (DF == iecrBGR) {
        switch (SF) {
            case iecrRGB:
                for (int32_t i = 0; i < Count; ++i, s += 3, d += 3) {
                    d[0] = s[2];
                    d[1] = s[1];
                    d[2] = s[0];
                }
                return true;
            case iecrBGR:
                std::memmove(d, s, static_cast<size_t>(Count) * 3);
                return true;
            case iecrAlphaColor:
            case iecrCMYK:
                // CMYK inks are complemented on the fly: the caller's row stays as it was.
                for (int32_t i = 0; i < Count; ++i, s += 4, d += 3) {
                    uint32_t v = SF == iecrCMYK
                                     ? static_cast<uint32_t>((255 - s[0]) | ((255 - s[1]) << 8) | ((255 - s[2]) << 16) |
                                                             ((255u - s[3]) << 24))
                                     : static_cast<uint32_t>(s[0] | (s[1] << 8) | (s[2] << 16) |
                                                             (static_cast<uint32_t>(s[3]) << 24));
                    TRGB c = AlphaColorToRGB(v);
                    std::memcpy(d, &c, 3);
                }
                return true;
            case iecrCIELab:
                for (int32_t i = 0; i < Count; ++i, s += 3, d += 3) {
                    TCIELab lab;
                    std::memcpy(&lab, s, 3);
                    TRGB c = CIELabToRGB(lab);
                    std::memcpy(d, &c, 3);
                }
                return true;
            case iecrRGB48:
                for (int32_t i = 0; i < Count; ++i, s += 6, d += 3) {
                    uint16_t w[3];
                    std::memcpy(w, s, 6);
                    d[2] = static_cast<uint8_t>(w[0] >> 8);
                    d[1] = static_cast<uint8_t>(w[1] >> 8);
                    d[0] = static_cast<uint8_t>(w[2] >> 8);
                }
                return true;
            case iecrRGB48BE:
                for (int32_t i = 0; i < Count; ++i, s += 6, d += 3) {
                    d[2] = s[0];
                    d[1] = s[2];
                    d[0] = s[4];
                }
                return true;
            default:
                return false;
        }
    }
    if (SF == iecrBGR) {
        switch (DF) {
            case iecrAlphaColor:
                for (int32_t i = 0; i < Count; ++i, s += 3, d += 4) {
                    uint32_t v = RGBToAlphaColor(TRGB{s[0], s[1], s[2]});
                    std::memcpy(d, &v, 4);
                }
                return true;
            case iecrCIELab:
                for (int32_t i = 0; i < Count; ++i, s += 3, d += 3) {
                    TCIELab lab = RGBToCIELab(TRGB{s[0], s[1], s[2]});
                    std::memcpy(d, &lab, 3);
                }
                return true;
            case iecrGray8:
                for (int32_t i = 0; i < Count; ++i, s += 3) *d++ = static_cast<uint8_t>((21 * s[2] + 71 * s[1] + 8 * s[0]) / 100);
                return true;
            default:
                return false;
        }
    }
    return false;
}
