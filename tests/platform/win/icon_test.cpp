// Icons from bitmaps and from .ico data, drawn with their masks and alpha.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/gdi/surface.h"
#include "platform/win/winuser.h"

namespace {

HBITMAP Dib32(int w, int h, const std::vector<uint32_t>& px) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::memcpy(bits, px.data(), px.size() * 4);
    return b;
}

struct TCanvas {
    TGdiSurface* S;
    HDC Dc;
    TCanvas(int w, int h) : S(GdiCreateSurface(w, h)), Dc(GdiCreateSurfaceDC(S, POINT{0, 0}, nullptr)) {}
    ~TCanvas() {
        GdiReleaseSurfaceDC(Dc);
        GdiDestroySurface(S);
    }
    uint32_t At(int x, int y) { return GdiSurfacePixels(S)[y * GdiSurfaceStride(S) + x] & 0xFFFFFF; }
};

TEST(WinIcons, MaskedIconFromBitmapsDrawsAndRoundTrips) {
    HBITMAP colour = Dib32(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
    // Mask rows padded to 16 bits: the bottom-right pixel is transparent.
    const unsigned char maskBits[] = {0x00, 0x00, 0x40, 0x00};
    HBITMAP mask = CreateBitmap(2, 2, 1, 1, maskBits);
    ICONINFO ii{TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&ii);
    ASSERT_NE(icon, nullptr);
    DeleteObject(colour);
    DeleteObject(mask);  // the icon keeps copies

    TCanvas c(6, 6);
    HBRUSH grey = CreateSolidBrush(RGB(9, 9, 9));
    RECT all{0, 0, 6, 6};
    FillRect(c.Dc, &all, grey);
    EXPECT_TRUE(DrawIconEx(c.Dc, 1, 1, icon, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(c.At(1, 1), 0xFF0000u);
    EXPECT_EQ(c.At(2, 1), 0x00FF00u);
    EXPECT_EQ(c.At(1, 2), 0x0000FFu);
    EXPECT_EQ(c.At(2, 2), 0x090909u);  // transparent
    // Stretched to 4x4: each pixel doubles.
    FillRect(c.Dc, &all, grey);
    EXPECT_TRUE(DrawIconEx(c.Dc, 0, 0, icon, 4, 4, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(c.At(1, 1), 0xFF0000u);
    EXPECT_EQ(c.At(3, 0), 0x00FF00u);
    EXPECT_EQ(c.At(3, 3), 0x090909u);
    DeleteObject(grey);

    ICONINFO back{};
    ASSERT_TRUE(GetIconInfo(icon, &back));
    BITMAP bm{};
    GetObjectW(back.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 2);
    DeleteObject(back.hbmColor);
    DeleteObject(back.hbmMask);

    HICON big = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, 4, 4, 0));
    ASSERT_NE(big, nullptr);
    ASSERT_TRUE(GetIconInfo(big, &back));
    GetObjectW(back.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 4);
    DeleteObject(back.hbmColor);
    DeleteObject(back.hbmMask);
    EXPECT_TRUE(DestroyIcon(big));
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon));  // stale
    EXPECT_FALSE(DrawIconEx(c.Dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
}

TEST(WinIcons, IcoFileWithAlpha) {
    // One 2x2 32-bit entry: opaque red, half-transparent white, fully transparent, opaque black.
    std::vector<unsigned char> ico = {0, 0, 1, 0, 1, 0,                      // header
                                      2, 2, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 22, 0, 0, 0};  // entry
    unsigned char dib[40] = {40, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 32, 0};
    ico.insert(ico.end(), dib, dib + 40);
    // Bottom-up rows: row 1 (bottom) first.
    const uint32_t rows[4] = {0x00000000u, 0xFF000000u, 0xFFFF0000u, 0x80FFFFFFu};
    for (uint32_t v : rows)
        for (int b = 0; b < 4; ++b) ico.push_back(static_cast<unsigned char>(v >> (8 * b)));
    for (int i = 0; i < 8; ++i) ico.push_back(0);  // AND mask, ignored when alpha is present
    uint32_t size = static_cast<uint32_t>(ico.size() - 22);
    std::memcpy(&ico[6 + 8], &size, 4);
    HICON icon = WinCreateIconFromIco(ico.data(), ico.size(), 2, 2);
    ASSERT_NE(icon, nullptr);
    TCanvas c(2, 2);
    RECT all{0, 0, 2, 2};
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 200));
    FillRect(c.Dc, &all, blue);
    DeleteObject(blue);
    DrawIconEx(c.Dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(c.At(0, 0), 0xFF0000u);
    EXPECT_EQ(c.At(0, 1), 0x0000C8u);  // transparent
    EXPECT_EQ(c.At(1, 1), 0x000000u);
    uint32_t half = c.At(1, 0);  // white at alpha 128 over blue 200
    EXPECT_NEAR(static_cast<int>(half >> 16), 128, 2);
    EXPECT_NEAR(static_cast<int>(half & 0xFF), 228, 2);
    DestroyIcon(icon);
    // Broken data gives no icon.
    ico[2] = 7;
    EXPECT_EQ(WinCreateIconFromIco(ico.data(), ico.size(), 2, 2), nullptr);
    EXPECT_EQ(WinCreateIconFromIco(ico.data(), 10, 2, 2), nullptr);
}

TEST(WinIcons, StandardIconsAreShared) {
    HICON app = LoadIconA(nullptr, IDI_APPLICATION);
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(32512)), app);
    EXPECT_TRUE(DestroyIcon(app));
    EXPECT_EQ(LoadIconA(nullptr, IDI_APPLICATION), app);
    EXPECT_EQ(LoadIconA(nullptr, "no such icon"), nullptr);
}

}  // namespace
