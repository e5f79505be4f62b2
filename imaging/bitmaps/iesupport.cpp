// Support routines of the image library.
#include "imaging/bitmaps/iesupport.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

// ---- CIE L*a*b* ------------------------------------------------------------------------
TCIELab RGBToCIELab(TRGB RGB) {
    auto lin = [](uint8_t c) {
        double v = c / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    double R = lin(RGB.r), G = lin(RGB.g), B = lin(RGB.b);
    double X = (0.412453 * R + 0.35758 * G + 0.180423 * B) / 0.95047;
    double Y = 0.212671 * R + 0.71516 * G + 0.072169 * B;
    double Z = (0.019334 * R + 0.119193 * G + 0.950227 * B) / 1.088883;
    auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
    double L = Y > 0.008856 ? 116 * f(Y) - 16 : 903.3 * Y;
    double a = 500 * (f(X) - f(Y)), b = 200 * (f(Y) - f(Z));
    auto toSigned = [](double v) {
        auto i = static_cast<int32_t>(v);
        return static_cast<int8_t>(static_cast<uint8_t>(i & 0xFF));
    };
    return TCIELab{static_cast<uint8_t>(static_cast<int32_t>(L * 255 / 100) & 0xFF), toSigned(a), toSigned(b)};
}

TRGB CIELabToRGB(TCIELab Lab) {
    double L = Lab.l * 0.39215686275;
    double fy = (L + 16) / 116, fx = fy + Lab.a / 500.0, fz = fy - Lab.b / 200.0;
    auto inv = [](double t) {
        double t3 = t * t * t;
        return t3 > 0.008856 ? t3 : (t - 16.0 / 116.0) / 7.787;
    };
    double X = inv(fx) * 0.95047, Y = inv(fy), Z = inv(fz) * 1.08883;
    double R = 3.2406 * X - 1.5372 * Y - 0.4986 * Z;
    double G = -0.9689 * X + 1.8758 * Y + 0.0415 * Z;
    double B = 0.0557 * X - 0.204 * Y + 1.057 * Z;
    auto gam = [](double v) {
        v = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
        double r = std::nearbyint(v * 255);
        return static_cast<uint8_t>(std::clamp(r, 0.0, 255.0));
    };
    return TRGB{gam(B), gam(G), gam(R)};
}

// ---- Numbers and sizes ------------------------------------------------------------------
static bool ParseFloat(const std::string& S, long double& V) {
    if (S.empty()) return false;
    const char* b = S.c_str();
    char* e = nullptr;
    errno = 0;
    V = std::strtold(b, &e);
    while (e && (*e == ' ' || *e == '\t')) ++e;
    return e != b && e && *e == '\0' && errno != ERANGE;
}

long double StrToFloatAnySeparator(const std::string& S, long double Default) {
    long double v;
    // The process's decimal separator is '.', so the first pass reads '.' numbers.
    if (ParseFloat(S, v)) return v;
    std::string t = S;
    auto comma = t.find(',');
    if (comma != std::string::npos)
        t[comma] = '.';
    else if (auto dot = t.find('.'); dot != std::string::npos)
        t[dot] = ',';
    return ParseFloat(t, v) ? v : Default;
}

void ScaleToFit(int32_t Width, int32_t Height, int32_t MaxWidth, int32_t MaxHeight, int32_t& NewWidth,
                int32_t& NewHeight) {
    if (Width == 0 || Height == 0) return;
    double f = std::min(static_cast<double>(MaxWidth) / Width, static_cast<double>(MaxHeight) / Height);
    NewWidth = std::max(static_cast<int32_t>(Width * f), 1);
    NewHeight = std::max(static_cast<int32_t>(Height * f), 1);
}

// ---- ASCII85 -----------------------------------------------------------------------------
int ASCII85EncodeGroup(const uint8_t*& Src, int Count, char*& Dst) {
    uint8_t g[4] = {0, 0, 0, 0};
    for (int i = 0; i < Count; ++i) g[i] = Src[i];
    Src += Count;
    uint32_t v = (static_cast<uint32_t>(g[0]) << 24) | (g[1] << 16) | (g[2] << 8) | g[3];
    if (v == 0 && Count == 4) {
        *Dst++ = 'z';
        return 1;
    }
    char d[5];
    for (int i = 4; i >= 0; --i) {
        d[i] = static_cast<char>(v % 85 + 33);
        v /= 85;
    }
    for (int i = 0; i <= Count; ++i) *Dst++ = d[i];
    return Count + 1;
}

int64_t ASCII85BufferBound(int64_t Count) {
    int64_t groups = (Count + 3) / 4;
    return groups * 5 + (groups / 15 + 1) * 2 + 4;
}

int64_t ASCII85EncodeBuffer(const uint8_t*& Src, int64_t Count, char*& Dst, int64_t& CharCount) {
    char* start = Dst;
    int line = 0;
    while (Count > 0) {
        int n = Count >= 4 ? 4 : static_cast<int>(Count);
        int c = ASCII85EncodeGroup(Src, n, Dst);
        Count -= n;
        CharCount += c;
        line += c;
        if (line > 74) {
            *Dst++ = '\r';
            *Dst++ = '\n';
            line = 0;
        }
    }
    for (char ch : {'~', '>', '\r', '\n'}) *Dst++ = ch;
    return Dst - start;
}

// ---- Run-length ---------------------------------------------------------------------------
int64_t RunLengthEncode(const uint8_t* Src, int64_t Len, uint8_t* Dst) {
    // PackBits runs. A literal is broken only for a run of three or more equal bytes (or a
    // pair that ends the data): breaking it for every pair would cost a header byte per
    // pair and outgrow the Len + Len div 128 + 2 bytes the writers size their buffers for.
    auto runAt = [&](int64_t j) {
        int64_t n = 1;
        while (j + n < Len && n < 128 && Src[j + n] == Src[j]) ++n;
        return n;
    };
    auto worthRun = [&](int64_t j, int64_t n) { return n >= 3 || (n == 2 && j + 2 == Len); };
    uint8_t* d = Dst;
    int64_t j = 0;
    while (j < Len) {
        int64_t n = runAt(j);
        if (worthRun(j, n)) {
            *d++ = static_cast<uint8_t>(257 - n);
            *d++ = Src[j];
            j += n;
            continue;
        }
        int64_t s = j, len = 0;
        while (j < Len && len < 128) {
            if (len > 0 && worthRun(j, runAt(j))) break;
            ++j;
            ++len;
        }
        *d++ = static_cast<uint8_t>(len - 1);
        std::memcpy(d, Src + s, static_cast<size_t>(len));
        d += len;
    }
    *d++ = 128;
    return d - Dst;
}

void WriteLineCRLF(TStream& Stream, const std::string& S) {
    std::string t = S + "\r\n";
    Stream.WriteBuffer(t.data(), static_cast<int64_t>(t.size()));
}

// ---- EXIF block ----------------------------------------------------------------------------
bool IEEXIFBlockTIFFPart(const void* Data, int64_t Size, const uint8_t*& TIFFData, int64_t& TIFFSize) {
    TIFFData = nullptr;
    TIFFSize = 0;
    // The header text is compared within the block: a block without a 0 byte, or shorter
    // than the header, is refused instead of being read past its end.
    if (!Data || Size < IEEXIFHeaderSize) return false;
    auto* p = static_cast<const uint8_t*>(Data);
    if (std::memcmp(p, "Exif\0", 5) != 0) return false;
    TIFFData = p + IEEXIFHeaderSize;
    TIFFSize = Size - IEEXIFHeaderSize;
    return true;
}

// ---- TIFF header search and tags -------------------------------------------------------------
int64_t FindTIFFHeader(TStream& Stream) {
    int64_t pos = Stream.Position();
    int64_t size = Stream.Size();
    std::vector<uint8_t> buf(131072);
    int64_t got = Stream.Read(buf.data(), static_cast<int64_t>(buf.size()));
    Stream.SetPosition(pos);
    for (int64_t i = 0; i + 8 <= got; ++i) {
        const uint8_t* p = buf.data() + i;
        uint16_t w = static_cast<uint16_t>(p[0] | (p[1] << 8));
        uint16_t ver;
        int64_t off;
        if (w == 18761) {
            ver = static_cast<uint16_t>(p[2] | (p[3] << 8));
            off = static_cast<int32_t>(p[4] | (p[5] << 8) | (p[6] << 16) | (static_cast<uint32_t>(p[7]) << 24));
        } else if (w == 19789) {
            ver = static_cast<uint16_t>((p[2] << 8) | p[3]);
            off = static_cast<int32_t>((static_cast<uint32_t>(p[4]) << 24) | (p[5] << 16) | (p[6] << 8) | p[7]);
        } else {
            continue;
        }
        if (off < 0 || off >= size) continue;
        if (ver == 42 || ver == 20306 || ver == 21330) return i;
    }
    return -1;
}

TIETagsHandler::TIETagsHandler() : Data(std::make_unique<TMemoryStream>()) {}

void TIETagsHandler::ReadTags() {
    int64_t size = Data->Size();
    if (size == 0) return;
    Entries.clear();
    EntryCount = 0;
    const auto* p = static_cast<const uint8_t*>(Data->Memory());
    if (size < 2) return;
    uint16_t n = static_cast<uint16_t>(p[0] | (p[1] << 8));
    // The maker note comes from a file: only entries that lie inside Data are taken.
    int64_t fit = (size - 2) / 12;
    if (n > fit) n = static_cast<uint16_t>(fit);
    for (uint16_t i = 0; i < n; ++i) {
        const uint8_t* e = p + 2 + 12 * static_cast<size_t>(i);
        TIETIFFEntry t;
        t.Tag = static_cast<uint16_t>(e[0] | (e[1] << 8));
        t.Type = static_cast<uint16_t>(e[2] | (e[3] << 8));
        t.Count = e[4] | (e[5] << 8) | (e[6] << 16) | (static_cast<uint32_t>(e[7]) << 24);
        t.ValueOrOffset = e[8] | (e[9] << 8) | (e[10] << 16) | (static_cast<uint32_t>(e[11]) << 24);
        Entries.push_back(t);
    }
    EntryCount = n;
}

// ---- Streams ------------------------------------------------------------------------------
int64_t TIEMemStream::Read(void* Buffer, int64_t Count) {
    if (Count <= 0 || FPosition >= FSize || FPosition < 0) return 0;
    int64_t n = std::min(Count, FSize - FPosition);
    std::memcpy(Buffer, FMemory + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TIEMemStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    switch (Origin) {
        case soBeginning: FPosition = Offset; break;
        case soCurrent: FPosition += Offset; break;
        case soEnd: FPosition = FSize + Offset; break;
    }
    return FPosition;
}

TIEBufferedReadStream::TIEBufferedReadStream(TStream* Source, int32_t BufferSize) : FSource(Source) {
    FSize = Source->Size();
    FPosition = Source->Position();
    SetBufferSize(BufferSize);
}

void TIEBufferedReadStream::SetBufferSize(int32_t N) {
    FBufferSize = std::max(N, 1);
    FBuffer.assign(static_cast<size_t>(FBufferSize), 0);
    Refill();
}

void TIEBufferedReadStream::Refill() {
    FSource->SetPosition(FPosition);
    int64_t got = FSource->Read(FBuffer.data(), FBufferSize);
    FBufferFill = static_cast<int32_t>(std::max<int64_t>(got, 0));
    FBufferPos = 0;
}

int64_t TIEBufferedReadStream::Read(void* Buffer, int64_t Count) {
    if (Count <= 0) return 0;
    if (Count > FBufferSize) {
        FBufferSize = static_cast<int32_t>(std::min<int64_t>(Count, 0x7FFFFFFF));
        // Keep what is buffered: enlarge and read again from the current position.
        FBuffer.assign(static_cast<size_t>(FBufferSize), 0);
        Refill();
    }
    auto* out = static_cast<uint8_t*>(Buffer);
    int64_t done = 0;
    while (done < Count && FPosition < FSize) {
        if (FBufferPos >= FBufferFill) {
            Refill();
            if (FBufferFill == 0) break;
        }
        int64_t n = std::min<int64_t>({Count - done, FBufferFill - FBufferPos, FSize - FPosition});
        std::memcpy(out + done, FBuffer.data() + FBufferPos, static_cast<size_t>(n));
        done += n;
        FBufferPos += static_cast<int32_t>(n);
        FPosition += n;
    }
    return done;
}

int64_t TIEBufferedReadStream::Write(const void*, int64_t) {
    throw EStreamError("TIEBufferedReadStream cannot write!");
}

int64_t TIEBufferedReadStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    int64_t np = FPosition;
    switch (Origin) {
        case soBeginning: np = Offset; break;
        case soCurrent: np = FPosition + Offset; break;
        case soEnd: np = FSize - Offset; break;
    }
    if (np != FPosition) {
        FPosition = np;
        Refill();
    }
    return FPosition;
}
