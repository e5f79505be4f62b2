// Bitmaps loaded by name from the program's embedded resources/bitmaps/.
#include <cstring>
#include <vector>

#include "platform/rtl/resources.h"
#include "platform/win/win_internal.h"

using namespace winimpl;

namespace {

uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// A BMP file whose header, colour table and pixels all lie inside its data;
// nullptr otherwise.
HBITMAP BitmapFromBmpFile(const unsigned char* d, std::size_t n) {
    if (n < 14 + sizeof(BITMAPINFOHEADER) || d[0] != 'B' || d[1] != 'M') return nullptr;
    uint32_t off = Get32(d + 10);
    BITMAPINFOHEADER h;
    std::memcpy(&h, d + 14, sizeof h);
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > n - 14) return nullptr;
    if (h.biWidth <= 0 || h.biWidth > 0x8000 || h.biHeight == 0 || h.biHeight > 0x8000 || h.biHeight < -0x8000)
        return nullptr;
    int bits = h.biBitCount;
    bool fields = h.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
    if (h.biCompression != BI_RGB && !fields) return nullptr;
    uint64_t colours = bits <= 8 ? (h.biClrUsed && h.biClrUsed < (1u << bits) ? h.biClrUsed : (1u << bits)) : 0;
    uint64_t infoBytes = h.biSize + (fields && h.biSize == sizeof(BITMAPINFOHEADER) ? 12 : 0) + 4 * colours;
    if (14 + infoBytes > n) return nullptr;
    uint64_t rows = static_cast<uint64_t>(h.biHeight < 0 ? -h.biHeight : h.biHeight);
    uint64_t stride = (static_cast<uint64_t>(h.biWidth) * bits + 31) / 32 * 4;
    if (off < 14 + infoBytes || off > n || stride * rows > n - off) return nullptr;
    // Aligned copies: the file's structures sit at odd offsets.
    std::vector<uint32_t> info((infoBytes + 1024 + 3) / 4, 0);
    std::memcpy(info.data(), d + 14, static_cast<std::size_t>(infoBytes));
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    bi->bmiHeader.biClrUsed = static_cast<DWORD>(colours);
    std::vector<uint32_t> pixels(static_cast<std::size_t>((stride * rows + 3) / 4));
    std::memcpy(pixels.data(), d + off, static_cast<std::size_t>(stride * rows));
    return CreateDIBitmap(/*Dc=*/nullptr, &bi->bmiHeader, CBM_INIT, pixels.data(), bi, DIB_RGB_COLORS);
}

}  // namespace

namespace {
// The standard check mark, our own glyph: 13 x 13, a black tick on white.
HBITMAP CheckMarkBitmap() {
    constexpr int N = 13;
    std::vector<uint32_t> px(N * N, 0xFFFFFF);
    // A tick: down from (3,6) to (5,8), up to (10,3), three pixels thick.
    auto dot = [&px](int x, int y) {
        for (int k = 0; k < 3; ++k)
            if (x >= 0 && x < N && y + k >= 0 && y + k < N) px[static_cast<std::size_t>((y + k) * N + x)] = 0;
    };
    for (int x = 3; x <= 5; ++x) dot(x, 6 + (x - 3));
    for (int x = 6; x <= 10; ++x) dot(x, 8 - (x - 5));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = N;
    bi.bmiHeader.biHeight = -N;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return CreateDIBitmap(/*Dc=*/nullptr, &bi.bmiHeader, CBM_INIT, px.data(), &bi, DIB_RGB_COLORS);
}
}  // namespace

HBITMAP LoadBitmapA(HINSTANCE, LPCSTR name) {
    if (name == MAKEINTRESOURCEA(OBM_CHECK)) return CheckMarkBitmap();
    TResourceData data;
    if (!name || IS_INTRESOURCE(name) || !FindEmbeddedResource("bitmaps", name, data)) return nullptr;
    return BitmapFromBmpFile(data.Data, data.Size);
}

HBITMAP LoadBitmapW(HINSTANCE i, LPCWSTR name) {
    if (name == MAKEINTRESOURCEW(OBM_CHECK)) return CheckMarkBitmap();
    if (!name || IS_INTRESOURCE(name)) return nullptr;
    std::string n = Utf16ToUtf8(WideOfW(name));
    return LoadBitmapA(i, n.c_str());
}
