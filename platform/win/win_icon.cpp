// Icons: made from bitmaps or read from embedded .ico files, kept as 32-bit
// pixels with straight alpha, drawn by alpha blending (an icon without alpha
// takes it from its mask).
#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/rtl/resources.h"
#include "platform/win/win_internal.h"

using namespace winimpl;

namespace {

struct TIcon {
    int Width = 0, Height = 0;
    std::vector<uint32_t> Pixels;  // 0xAARRGGBB, straight alpha
    bool Icon = true;
    POINT HotSpot{};
    bool Shared = false;  // the standard icons: DestroyIcon leaves them
    int StandardId = 0;
    // The .ico/.cur data it was read from: LR_COPYFROMRESOURCE picks the
    // entry of the wanted size from it again.
    std::shared_ptr<const std::vector<unsigned char>> Source;
};

std::map<HICON, std::unique_ptr<TIcon>>& Icons() {
    static std::map<HICON, std::unique_ptr<TIcon>> m;
    return m;
}

HICON Register(std::unique_ptr<TIcon> icon) {
    Lock lk(UserMutex());
    HICON h = reinterpret_cast<HICON>(icon.get());
    Icons()[h] = std::move(icon);
    return h;
}

TIcon* IconOf(HICON h) {
    auto it = Icons().find(h);
    return it == Icons().end() ? nullptr : it->second.get();
}

std::atomic<void (*)()> StandardIconPainter{nullptr};
std::once_flag StandardIconsPainted;

// A standard icon about to be read gets its picture first. Lock must not be held.
void PaintIfStandard(HICON h) {
    void (*Paint)() = StandardIconPainter.load();
    if (!Paint) return;
    {
        Lock lk(UserMutex());
        TIcon* icon = IconOf(h);
        if (!icon || !icon->Shared) return;
    }
    std::call_once(StandardIconsPainted, Paint);
}

// A bitmap's pixels as 32-bit top-down rows (0x00RRGGBB for colour bitmaps,
// 0x00FFFFFF / 0 for monochrome ones).
bool ReadBitmap(HBITMAP bm, int& w, int& h, std::vector<uint32_t>& out) {
    BITMAP info{};
    if (!bm || !GetObjectW(bm, sizeof info, &info)) return false;
    w = info.bmWidth;
    h = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    if (w <= 0 || h <= 0) return false;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    out.assign(static_cast<std::size_t>(w) * h, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    int lines = GetDIBits(dc, bm, 0, static_cast<UINT>(h), out.data(), &bi, DIB_RGB_COLORS);
    DeleteDC(dc);
    return lines == h;
}

uint32_t Premultiply(uint32_t p) {
    uint32_t a = p >> 24;
    auto c = [&](int s) { return (((p >> s) & 0xFF) * a + 127) / 255; };
    return (a << 24) | (c(16) << 16) | (c(8) << 8) | c(0);
}

// Alpha from the mask when the colours carry none.
void ApplyMask(std::vector<uint32_t>& colour, const std::vector<uint32_t>* mask) {
    bool alpha = std::any_of(colour.begin(), colour.end(), [](uint32_t p) { return (p >> 24) != 0; });
    if (alpha) return;
    for (std::size_t i = 0; i < colour.size(); ++i) {
        bool transparent = mask && ((*mask)[i] & 0x00FFFFFF) != 0;
        colour[i] = (colour[i] & 0x00FFFFFF) | (transparent ? 0u : 0xFF000000u);
    }
}

int RowBytes(int w, int bpp) { return ((w * bpp + 31) / 32) * 4; }

// One BMP-coded image of an .ico/.cur file: header, palette, colour rows and the AND mask.
std::unique_ptr<TIcon> DecodeIconImage(const unsigned char* p, std::size_t n) {
    if (n < 40) return nullptr;
    auto u32 = [&](std::size_t o) { return static_cast<uint32_t>(p[o] | (p[o + 1] << 8) | (p[o + 2] << 16) | (p[o + 3] << 24)); };
    auto u16 = [&](std::size_t o) { return static_cast<uint32_t>(p[o] | (p[o + 1] << 8)); };
    uint32_t hdr = u32(0);
    int w = static_cast<int32_t>(u32(4)), h2 = static_cast<int32_t>(u32(8)), bpp = static_cast<int>(u16(14));
    uint32_t compression = u32(16), used = u32(32);
    if (hdr < 40 || hdr > n || w <= 0 || w > 1024 || h2 <= 0 || h2 > 2048 || compression != 0) return nullptr;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return nullptr;
    int h = h2 / 2;
    if (h <= 0) return nullptr;
    std::size_t colours = bpp <= 8 ? (used ? used : (1u << bpp)) : 0;
    if (colours > 256) return nullptr;
    std::size_t pal = hdr, bits = pal + colours * 4;
    std::size_t xorSize = static_cast<std::size_t>(RowBytes(w, bpp)) * h;
    std::size_t andSize = static_cast<std::size_t>(RowBytes(w, 1)) * h;
    if (bits + xorSize > n) return nullptr;
    bool haveMask = bits + xorSize + andSize <= n;
    auto icon = std::make_unique<TIcon>();
    icon->Width = w;
    icon->Height = h;
    icon->Pixels.assign(static_cast<std::size_t>(w) * h, 0);
    std::vector<uint32_t> mask(static_cast<std::size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = p + bits + static_cast<std::size_t>(h - 1 - y) * RowBytes(w, bpp);
        const unsigned char* mrow = p + bits + xorSize + static_cast<std::size_t>(h - 1 - y) * RowBytes(w, 1);
        for (int x = 0; x < w; ++x) {
            uint32_t v;
            if (bpp == 32) {
                v = row[x * 4] | (row[x * 4 + 1] << 8) | (row[x * 4 + 2] << 16) | (static_cast<uint32_t>(row[x * 4 + 3]) << 24);
            } else if (bpp == 24) {
                v = row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16);
            } else {
                int per = 8 / bpp;
                int idx = (row[x / per] >> ((per - 1 - x % per) * bpp)) & ((1 << bpp) - 1);
                v = static_cast<std::size_t>(idx) < colours ? (u32(pal + idx * 4) & 0x00FFFFFF) : 0;
            }
            icon->Pixels[static_cast<std::size_t>(y) * w + x] = v;
            if (haveMask) mask[static_cast<std::size_t>(y) * w + x] = ((mrow[x / 8] >> (7 - x % 8)) & 1) ? 0xFFFFFF : 0;
        }
    }
    ApplyMask(icon->Pixels, &mask);
    return icon;
}

std::unique_ptr<TIcon> DecodeIconFile(const unsigned char* p, std::size_t n, int wantW, int wantH) {
    if (n < 6 || p[0] || p[1] || (p[2] != 1 && p[2] != 2) || p[3]) return nullptr;
    bool cursor = p[2] == 2;
    int count = p[4] | (p[5] << 8);
    if (count <= 0 || 6 + static_cast<std::size_t>(count) * 16 > n) return nullptr;
    // The entry closest in size to what is wanted; the deeper colour on a tie.
    // PNG-coded entries are not read here (the class library's icon reads them).
    int best = -1, bestScore = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned char* e = p + 6 + i * 16;
        uint32_t at = e[12] | (e[13] << 8) | (e[14] << 16) | (static_cast<uint32_t>(e[15]) << 24);
        if (at <= n - 4 && p[at] == 0x89 && p[at + 1] == 'P' && p[at + 2] == 'N' && p[at + 3] == 'G') continue;
        int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        int score = -(std::abs(w - wantW) + std::abs(h - wantH)) * 64 + (cursor ? 0 : (e[6] | (e[7] << 8)));
        if (best < 0 || score > bestScore) {
            best = i;
            bestScore = score;
        }
    }
    if (best < 0) return nullptr;
    const unsigned char* e = p + 6 + best * 16;
    uint32_t size = e[8] | (e[9] << 8) | (e[10] << 16) | (static_cast<uint32_t>(e[11]) << 24);
    uint32_t offset = e[12] | (e[13] << 8) | (e[14] << 16) | (static_cast<uint32_t>(e[15]) << 24);
    if (offset >= n || size > n - offset) return nullptr;
    auto icon = DecodeIconImage(p + offset, size);
    if (!icon) return nullptr;
    icon->Icon = !cursor;
    if (cursor) icon->HotSpot = POINT{static_cast<LONG>(e[4] | (e[5] << 8)), static_cast<LONG>(e[6] | (e[7] << 8))};
    return icon;
}

}  // namespace

HICON CreateIconIndirect(ICONINFO* info) {
    if (!info || !info->hbmMask) return nullptr;
    std::vector<uint32_t> mask, colour;
    int mw, mh, cw, ch;
    if (!ReadBitmap(info->hbmMask, mw, mh, mask)) return nullptr;
    auto icon = std::make_unique<TIcon>();
    if (info->hbmColor) {
        if (!ReadBitmap(info->hbmColor, cw, ch, colour) || cw != mw || ch != mh) return nullptr;
        ApplyMask(colour, &mask);
        icon->Width = cw;
        icon->Height = ch;
        icon->Pixels = std::move(colour);
    } else {
        // Monochrome: the AND mask above the XOR image in one bitmap of double height.
        if (mh < 2) return nullptr;
        icon->Width = mw;
        icon->Height = mh / 2;
        icon->Pixels.resize(static_cast<std::size_t>(mw) * icon->Height);
        for (std::size_t i = 0; i < icon->Pixels.size(); ++i) {
            bool transparent = (mask[i] & 0xFFFFFF) != 0;
            bool white = (mask[i + icon->Pixels.size()] & 0xFFFFFF) != 0;
            icon->Pixels[i] = transparent ? 0 : (0xFF000000u | (white ? 0xFFFFFFu : 0));
        }
    }
    icon->Icon = info->fIcon != 0;
    icon->HotSpot = POINT{static_cast<LONG>(info->xHotspot), static_cast<LONG>(info->yHotspot)};
    return Register(std::move(icon));
}

HICON WinCreateIconFromPixels(const uint32_t* argb, int w, int h) {
    if (!argb || w <= 0 || h <= 0) return nullptr;
    auto icon = std::make_unique<TIcon>();
    icon->Width = w;
    icon->Height = h;
    icon->Pixels.assign(argb, argb + static_cast<std::size_t>(w) * h);
    return Register(std::move(icon));
}

BOOL GetIconInfo(HICON h, ICONINFO* info) {
    if (!info) return FALSE;
    PaintIfStandard(h);
    TIcon copy;
    {
        Lock lk(UserMutex());
        TIcon* icon = IconOf(h);
        if (!icon) return FALSE;
        copy = *icon;
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = copy.Width;
    bi.bmiHeader.biHeight = -copy.Height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP colour = CreateDIBSection(/*Dc=*/nullptr, &bi, DIB_RGB_COLORS, &bits, /*Section=*/nullptr, 0);
    if (!colour || !bits) return FALSE;
    std::memcpy(bits, copy.Pixels.data(), copy.Pixels.size() * 4);
    // The mask: 1 where the icon is fully transparent; rows padded to 16 bits.
    int stride = ((copy.Width + 15) / 16) * 2;
    std::vector<unsigned char> m(static_cast<std::size_t>(stride) * copy.Height, 0);
    for (int y = 0; y < copy.Height; ++y)
        for (int x = 0; x < copy.Width; ++x)
            if ((copy.Pixels[static_cast<std::size_t>(y) * copy.Width + x] >> 24) == 0)
                m[static_cast<std::size_t>(y) * stride + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    info->hbmMask = CreateBitmap(copy.Width, copy.Height, 1, 1, m.data());
    info->hbmColor = colour;
    info->fIcon = copy.Icon ? TRUE : FALSE;
    info->xHotspot = static_cast<DWORD>(copy.Icon ? copy.Width / 2 : copy.HotSpot.x);
    info->yHotspot = static_cast<DWORD>(copy.Icon ? copy.Height / 2 : copy.HotSpot.y);
    return TRUE;
}

BOOL DestroyIcon(HICON h) {
    Lock lk(UserMutex());
    auto it = Icons().find(h);
    if (it == Icons().end()) return FALSE;
    if (!it->second->Shared) Icons().erase(it);
    return TRUE;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON h, int cx, int cy, UINT, HBRUSH flicker, UINT flags) {
    PaintIfStandard(h);
    TIcon copy;
    {
        Lock lk(UserMutex());
        TIcon* icon = IconOf(h);
        if (!icon || !dc) return FALSE;
        copy = *icon;
    }
    if (!cx) cx = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : copy.Width;
    if (!cy) cy = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : copy.Height;
    if (!(flags & DI_NORMAL) || copy.Width <= 0 || copy.Height <= 0) return TRUE;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = copy.Width;
    bi.bmiHeader.biHeight = -copy.Height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bm = CreateDIBSection(/*Dc=*/nullptr, &bi, DIB_RGB_COLORS, &bits, /*Section=*/nullptr, 0);
    if (!bm || !bits) return FALSE;
    auto* px = static_cast<uint32_t*>(bits);
    for (std::size_t i = 0; i < copy.Pixels.size(); ++i) {
        uint32_t p = copy.Pixels[i];
        if ((flags & DI_NORMAL) == DI_IMAGE) p |= 0xFF000000u;  // the image without its mask
        if ((flags & DI_NORMAL) == DI_MASK) p = (p >> 24) ? 0xFF000000u : 0xFFFFFFFFu;
        px[i] = Premultiply(p);
    }
    if (flicker) {
        // Drawn on a background of the brush first, as callers asking for that expect.
        RECT r{x, y, x + cx, y + cy};
        FillRect(dc, &r, flicker);
    }
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, bm);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    BOOL ok = AlphaBlend(dc, x, y, cx, cy, mem, 0, 0, copy.Width, copy.Height, blend);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bm);
    return ok;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON h) {
    return DrawIconEx(dc, x, y, h, 0, 0, 0, /*hbrFlickerFreeDraw=*/nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}

HANDLE CopyImage(HANDLE h, UINT type, int cx, int cy, UINT flags) {
    if (type != IMAGE_ICON && type != IMAGE_CURSOR) return nullptr;  // bitmaps: the drawing layer's calls
    PaintIfStandard(reinterpret_cast<HICON>(h));
    TIcon copy;
    {
        Lock lk(UserMutex());
        TIcon* icon = IconOf(reinterpret_cast<HICON>(h));
        if (!icon) return nullptr;
        copy = *icon;
    }
    if (!cx) cx = (flags & LR_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : copy.Width;
    if (!cy) cy = (flags & LR_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : copy.Height;
    if ((flags & LR_COPYFROMRESOURCE) && copy.Source) {
        // The file's own image nearest the size, rather than a scaled one.
        if (auto better = DecodeIconFile(copy.Source->data(), copy.Source->size(), cx, cy)) {
            better->Source = copy.Source;
            better->HotSpot = copy.HotSpot;
            copy = *better;
        }
    }
    auto out = std::make_unique<TIcon>();
    out->Source = copy.Source;
    out->Icon = copy.Icon;
    out->Width = cx;
    out->Height = cy;
    out->HotSpot = POINT{copy.Width ? copy.HotSpot.x * cx / copy.Width : 0, copy.Height ? copy.HotSpot.y * cy / copy.Height : 0};
    out->Pixels.assign(static_cast<std::size_t>(cx) * cy, 0);
    if (copy.Width > 0 && copy.Height > 0)
        for (int y = 0; y < cy; ++y)
            for (int x = 0; x < cx; ++x)
                out->Pixels[static_cast<std::size_t>(y) * cx + x] =
                    copy.Pixels[static_cast<std::size_t>(y * copy.Height / cy) * copy.Width + x * copy.Width / cx];
    if (flags & LR_COPYDELETEORG) DestroyIcon(reinterpret_cast<HICON>(h));
    return Register(std::move(out));
}

HICON LoadIconFromResource(const char* name, int cx, int cy) {
    TResourceData data;
    if (!name || (!FindEmbeddedResource("icons", name, data) && !FindEmbeddedResource("icon", name, data)))
        return nullptr;
    return WinCreateIconFromIco(data.Data, data.Size, cx, cy);
}

HICON WinCreateIconFromIco(const unsigned char* data, std::size_t size, int cx, int cy) {
    if (!data) return nullptr;
    auto icon = DecodeIconFile(data, size, cx ? cx : GetSystemMetrics(SM_CXICON), cy ? cy : GetSystemMetrics(SM_CYICON));
    if (!icon) return nullptr;
    icon->Source = std::make_shared<const std::vector<unsigned char>>(data, data + size);
    return Register(std::move(icon));
}

BOOL WinGetIconSize(HICON h, int* cx, int* cy) {
    Lock lk(UserMutex());
    TIcon* icon = IconOf(h);
    if (!icon) return FALSE;
    if (cx) *cx = icon->Width;
    if (cy) *cy = icon->Height;
    return TRUE;
}

BOOL WinSetIconPixels(HICON h, const uint32_t* argb, int w, int hgt) {
    if (!argb || w <= 0 || hgt <= 0) return FALSE;
    Lock lk(UserMutex());
    TIcon* icon = IconOf(h);
    if (!icon) return FALSE;
    icon->Width = w;
    icon->Height = hgt;
    icon->Pixels.assign(argb, argb + static_cast<std::size_t>(w) * hgt);
    icon->Source.reset();
    return TRUE;
}

void WinSetStandardIconPainter(void (*Paint)()) { StandardIconPainter.store(Paint); }

HICON LoadIconA(HINSTANCE, LPCSTR name) {
    if (!IS_INTRESOURCE(name)) return LoadIconFromResource(name, 0, 0);
    // The standard icons are shared handles; their pictures belong to whoever draws message boxes.
    int id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
    if (id < 32512 || id > 32518) return nullptr;
    Lock lk(UserMutex());
    for (auto& [h, icon] : Icons())
        if (icon->Shared && icon->StandardId == id) return h;
    auto icon = std::make_unique<TIcon>();
    icon->Shared = true;
    icon->StandardId = id;
    icon->Width = icon->Height = 32;
    icon->Pixels.assign(32 * 32, 0);
    lk.unlock();
    return Register(std::move(icon));
}
HICON LoadIconW(HINSTANCE i, LPCWSTR name) {
    if (IS_INTRESOURCE(name)) return LoadIconA(i, reinterpret_cast<LPCSTR>(name));
    std::string n = Utf16ToUtf8(WideOfW(name));
    return LoadIconA(i, n.c_str());
}
