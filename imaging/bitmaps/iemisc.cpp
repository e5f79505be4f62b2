// Small routines of the image library.
#include "imaging/bitmaps/iemisc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "imaging/bitmaps/iebitmap.h"

int32_t IECosineTable[256];

void InitCosineTable() {
    for (int i = 0; i < 256; ++i)
        IECosineTable[i] = static_cast<int32_t>(std::nearbyint(64 - std::cos(i * M_PI / 255) * 64));
}

void IEBitmapsStartup() {
    static bool done = false;
    if (done) return;
    done = true;
    DefaultMinFileSize = -1;
    InitCosineTable();
}

void ComputeBezier(POINT P0, POINT P1, POINT P2, POINT P3, int32_t Count, std::vector<POINT>& Points) {
    Points.assign(Count > 0 ? Count : 0, POINT{0, 0});
    double step = Count > 0 ? 1.0 / Count : 0, t = 0;
    for (int32_t k = 1; k <= Count; ++k) {
        t += step;
        double u = 1 - t;
        double a = u * u * u, b = 3 * t * u * u, c = 3 * t * t * u, d = t * t * t;
        Points[k - 1].x = static_cast<LONG>(std::nearbyint(a * P0.x + b * P1.x + c * P2.x + d * P3.x));
        Points[k - 1].y = static_cast<LONG>(std::nearbyint(a * P0.y + b * P1.y + c * P2.y + d * P3.y));
    }
}

static const char Base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void Base64EncodeGroup(const uint8_t* Source, char* Dest, int Count) {
    uint32_t v = static_cast<uint32_t>(Source[0]) << 16;
    if (Count > 1) v |= static_cast<uint32_t>(Source[1]) << 8;
    if (Count > 2) v |= Source[2];
    Dest[0] = Base64Alphabet[(v >> 18) & 63];
    Dest[1] = Base64Alphabet[(v >> 12) & 63];
    Dest[2] = Count > 1 ? Base64Alphabet[(v >> 6) & 63] : '=';
    Dest[3] = Count > 2 ? Base64Alphabet[v & 63] : '=';
}

void Base64EncodeStreamToText(TStream& Stream, std::string& Text, int LineLength) {
    int groupsPerLine = LineLength / 4 > 0 ? LineLength / 4 : 1;
    int onLine = 0;
    uint8_t g[3];
    bool any = false;
    while (true) {
        int n = 0;
        while (n < 3 && Stream.Read(&g[n], 1) == 1) ++n;
        if (n == 0) break;
        for (int i = n; i < 3; ++i) g[i] = 0;
        char out[4];
        Base64EncodeGroup(g, out, n);
        Text.append(out, 4);
        any = true;
        if (++onLine == groupsPerLine) {
            Text += "\r\n";
            onLine = 0;
        }
        if (n < 3) break;
    }
    if (any && onLine > 0) Text += "\r\n";
}

int32_t SwapWordBytesIf(int32_t Value, bool Swap) {
    if (!Swap) return Value;
    return ((Value & 0xFF) << 8) | ((Value >> 8) & 0xFF);
}

int32_t SwapDWordBytesIf(int32_t Value, bool Swap) {
    if (!Swap) return Value;
    uint32_t v = static_cast<uint32_t>(Value);
    return static_cast<int32_t>((v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24));
}

std::string IETempFolder() {
    const char* t = std::getenv("TMPDIR");
    std::string d = (t && *t) ? t : "/tmp";
    if (d.back() != '/') d += '/';
    return d;
}

static std::string DrawTempName(const std::string& Prefix, const std::string& Dir) {
    thread_local std::mt19937 gen(std::random_device{}());
    std::uniform_int_distribution<int32_t> dist(0, 2147483646);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(dist(gen)));
    return Dir + Prefix + "-" + hex + ".tmp";
}

std::string MakeTempFileName(const std::string& Prefix, const std::string& Dir) {
    while (true) {
        std::string name = DrawTempName(Prefix, Dir);
        struct stat st {};
        if (::stat(name.c_str(), &st) != 0) return name;
    }
}

std::string CreateTempFileExclusive(const std::string& Prefix, const std::string& Dir) {
    // Created with O_EXCL: two bitmaps (or processes) drawing the same name cannot share it.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = DrawTempName(Prefix, Dir);
        int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}
