// Drawing a selection mask: inverted area, marching ants and the outer shade.
#include <algorithm>
#include <cstring>

#include "imaging/bitmaps/iemask.h"
#include "imaging/bitmaps/ieutils.h"
#include "platform/classlib/graphics.h"
#include "platform/gdi/gdi.h"

void TIEMask::DrawInverted(TCanvas* Canvas, int32_t XDst, int32_t YDst, int32_t DestWidth, int32_t DestHeight,
                           int32_t XSrc, int32_t YSrc, int32_t SrcWidth, int32_t SrcHeight) {
    if (!Canvas || BitsPerPixel != 1 || IsEmpty() || Bits.empty()) return;
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[2];
    } info{};
    info.h.biSize = 40;
    info.h.biWidth = Width;
    info.h.biHeight = Height;
    info.h.biPlanes = 1;
    info.h.biBitCount = 1;
    info.h.biCompression = BI_RGB;
    info.colors[1] = RGBQUAD{255, 255, 255, 0};
    StretchDIBits(Canvas->Handle(), XDst, YDst, DestWidth, DestHeight, XSrc, Height - SrcHeight - YSrc, SrcWidth,
                  SrcHeight, Bits.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCINVERT);
}

int32_t TIEMask::ZoomGet(int32_t X, int32_t Y) const {
    const uint8_t* r = ZoomBits.data() + static_cast<size_t>(ZoomRowLen) * Y;
    return BitsPerPixel == 1 ? ((r[X >> 3] & (0x80 >> (X & 7))) ? 1 : 0) : r[X];
}

bool TIEMask::RefreshZoom(int32_t DestWidth, int32_t DestHeight, int32_t XSrc, int32_t YSrc, int32_t SrcWidth,
                          int32_t SrcHeight, int32_t& XStep, int32_t& YStep) {
    if (DestWidth < 1 || DestHeight < 1 || SrcWidth < 1 || SrcHeight < 1 || Bits.empty()) return false;
    if (DestWidth != ZoomWidth || DestHeight != ZoomHeight) {
        ZoomWidth = DestWidth;
        ZoomHeight = DestHeight;
        ZoomRowLen = CalcRowLength(DestWidth, BitsPerPixel, 32);
        ZoomBits.assign(static_cast<size_t>(ZoomRowLen) * DestHeight, 0);
    } else {
        std::fill(ZoomBits.begin(), ZoomBits.end(), 0);
    }
    XStep = static_cast<int32_t>(static_cast<double>(SrcWidth) / DestWidth * 16384);
    YStep = static_cast<int32_t>(static_cast<double>(SrcHeight) / DestHeight * 16384);
    auto x0 = std::max<int64_t>(static_cast<int64_t>(X1 - XSrc) * DestWidth / SrcWidth, 0);
    auto xe = std::min<int64_t>(static_cast<int64_t>(X2 - XSrc + 1) * DestWidth / SrcWidth, DestWidth - 1);
    auto y0 = std::max<int64_t>(static_cast<int64_t>(Y1 - YSrc) * DestHeight / SrcHeight, 0);
    auto ye = std::min<int64_t>(static_cast<int64_t>(Y2 - YSrc + 1) * DestHeight / SrcHeight, DestHeight - 1);
    for (int64_t dy = y0; dy <= ye; ++dy) {
        int32_t sy = YSrc + static_cast<int32_t>((dy * YStep) >> 14);
        uint8_t* r = ZoomBits.data() + static_cast<size_t>(ZoomRowLen) * dy;
        for (int64_t dx = x0; dx <= xe; ++dx) {
            int32_t v = GetPixel(XSrc + static_cast<int32_t>((dx * XStep) >> 14), sy);
            if (BitsPerPixel == 1) {
                if (v) r[dx >> 3] |= static_cast<uint8_t>(0x80 >> (dx & 7));
            } else {
                r[dx] = static_cast<uint8_t>(v);
            }
        }
    }
    return XStep > 0 && YStep > 0;
}

void TIEMask::DrawOutline(TCanvas* Canvas, int32_t XDst, int32_t YDst, int32_t DestWidth, int32_t DestHeight,
                          int32_t XSrc, int32_t YSrc, int32_t SrcWidth, int32_t SrcHeight, int32_t Color1,
                          int32_t Color2, int32_t Phase) {
    if (!Canvas || IsEmpty()) return;
    int32_t xs, ys;
    if (!RefreshZoom(DestWidth, DestHeight, XSrc, YSrc, SrcWidth, SrcHeight, xs, ys)) return;
    COLORREF c1 = static_cast<COLORREF>(ColorToRGB(Color1)), c2 = static_cast<COLORREF>(ColorToRGB(Color2));
    Canvas->Pen().SetStyle(psSolid);
    Canvas->Pen().SetMode(pmCopy);
    HDC dc = Canvas->Handle();
    int64_t ry0 = std::max<int64_t>((static_cast<int64_t>(Y1 - YSrc) << 14) / ys, 0);
    int64_t ry1 = std::min<int64_t>((static_cast<int64_t>(Y2 - YSrc + 1) << 14) / ys + 1, DestHeight - 1);
    int64_t rx0 = std::max<int64_t>((static_cast<int64_t>(X1 - XSrc) << 14) / xs, 0);
    int64_t rx1 = std::min<int64_t>((static_cast<int64_t>(X2 - XSrc + 1) << 14) / xs + 1, DestWidth - 1);
    for (int64_t y = ry0; y <= ry1; ++y)
        for (int64_t x = rx0; x <= rx1; ++x) {
            if (!ZoomGet(static_cast<int32_t>(x), static_cast<int32_t>(y))) continue;
            int32_t sx = XSrc + static_cast<int32_t>((x * xs) >> 14), sy = YSrc + static_cast<int32_t>((y * ys) >> 14);
            bool edge;
            if (x == 0)
                edge = sx <= X1;
            else if (x == rx1)
                edge = sx >= X2 || SrcWidth == Width;
            else if (y == 0)
                edge = sy <= Y1;
            else if (y == ry1)
                edge = sy >= Y2 || SrcHeight == Height;
            else {
                edge = false;
                for (int64_t ny = y - 1; ny <= y + 1 && !edge; ++ny) {
                    auto cy = static_cast<int32_t>(std::clamp<int64_t>(ny, 0, DestHeight - 1));
                    for (int64_t nx = x - 1; nx <= x + 1; ++nx)
                        if (nx >= 0 && nx < DestWidth && !ZoomGet(static_cast<int32_t>(nx), cy)) {
                            edge = true;
                            break;
                        }
                }
            }
            if (!edge) continue;
            int64_t px = XDst + x, py = YDst + y;
            ::SetPixel(dc, static_cast<int>(px), static_cast<int>(py), ((px + py + Phase) & 7) < 4 ? c2 : c1);
        }
}

void TIEMask::DrawOuterShade(TBitmap* Bitmap, int32_t XDst, int32_t YDst, int32_t DestWidth, int32_t DestHeight,
                             int32_t XSrc, int32_t YSrc, int32_t SrcWidth, int32_t SrcHeight) {
    if (!Bitmap || IsEmpty() || Bitmap->PixelFormat() != pf24bit) return;
    int32_t xs, ys;
    if (!RefreshZoom(DestWidth, DestHeight, XSrc, YSrc, SrcWidth, SrcHeight, xs, ys)) return;
    const int32_t BW = Bitmap->Width(), BH = Bitmap->Height();
    int64_t ry0 = std::max<int64_t>((static_cast<int64_t>(-YSrc) << 14) / ys, 0);
    int64_t ry1 = std::min<int64_t>({(static_cast<int64_t>(Height - YSrc) << 14) / ys + 1, DestHeight - 1, BH - 1});
    int64_t rx0 = std::max<int64_t>((static_cast<int64_t>(-XSrc) << 14) / xs, 0);
    int64_t rx1 = std::min<int64_t>({(static_cast<int64_t>(Width - XSrc) << 14) / xs + 1, DestWidth - 1, BW - 1});
    for (int64_t y = ry0; y <= ry1; ++y) {
        int64_t by = YDst + y;
        if (by >= BH) break;
        if (by < 0) continue;
        auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(static_cast<int>(by)));
        for (int64_t x = rx0; x <= rx1; ++x) {
            int64_t bx = XDst + x;
            if (bx >= BW) break;
            if (bx < 0) continue;
            if (ZoomGet(static_cast<int32_t>(x), static_cast<int32_t>(y)) == 0 && ((x + y) & 1) == 0)
                std::memset(row + 3 * bx, 97, 3);
        }
    }
}
