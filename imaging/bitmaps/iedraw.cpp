// Frames and drop shadows.
#include "imaging/bitmaps/iedraw.h"

#include <algorithm>
#include <cmath>

#include "platform/classlib/graphics.h"
#include "platform/gdi/gdi.h"

void Draw3DFrame(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t TopLeftColor,
                 int32_t BottomRightColor) {
    if (!Canvas) return;
    TPen& pen = Canvas->Pen();
    pen.SetStyle(psSolid);
    pen.SetMode(pmCopy);
    pen.SetWidth(1);
    pen.SetColor(TopLeftColor);
    Canvas->MoveTo(X1, Y2);
    Canvas->LineTo(X1, Y1);
    Canvas->LineTo(X2, Y1);
    pen.SetColor(BottomRightColor);
    Canvas->MoveTo(X1, Y2);
    Canvas->LineTo(X2, Y2);
    Canvas->LineTo(X2, Y1);
}

namespace {
// One band; Right: the band right of the picture (thickness across x), else below it.
void Shadow(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Kind, int32_t Color, bool Right) {
    if (!Canvas) return;
    int32_t thick = Right ? X2 - X1 + 1 : Y2 - Y1 + 1;
    int32_t length = Right ? Y2 - Y1 + 1 : X2 - X1 + 1;
    if (thick <= 0 || length <= 0) return;
    switch (Kind) {
        case 1:
            if (Right)
                Canvas->FillRect(Rect(X1, Y1 + thick, X2, Y2 + 1));
            else
                Canvas->FillRect(Rect(X1 + thick, Y1, X2 + 1, Y2));
            break;
        case 2: {
            TPen& pen = Canvas->Pen();
            pen.SetStyle(psSolid);
            pen.SetMode(pmCopy);
            int32_t c = ColorToRGB(Color);
            for (int32_t k = 0; k < thick; ++k) {
                double d = (thick - k) / (thick / 3.0);
                double m = std::exp(-0.1 - d * d / 6);
                auto ch = [&](int shift) { return static_cast<int32_t>(((c >> shift) & 255) * m); };
                pen.SetColor(ch(0) | (ch(8) << 8) | (ch(16) << 16));
                if (Right) {
                    Canvas->MoveTo(X1 + k, Y1 + thick);
                    Canvas->LineTo(X1 + k, Y2 - thick + k + 3);
                } else {
                    Canvas->MoveTo(X1 + thick, Y1 + k);
                    Canvas->LineTo(X2 - thick + k + 3, Y1 + k);
                }
            }
            break;
        }
        case 3: {
            const double E = std::exp(1.0);
            HDC dc = Canvas->Handle();
            int32_t i0 = 0;
            for (int32_t j = 0; j <= length; ++j) {
                int32_t r = std::clamp(static_cast<int32_t>(std::exp(static_cast<double>(length - 3 * j) / length) / E * 255), 0, 255);
                if (j > length - thick + 1) ++i0;
                for (int32_t i = i0; i <= thick; ++i) {
                    int32_t g = std::max(static_cast<int32_t>(std::exp(static_cast<double>(i) / thick) / E * 255), r);
                    g = std::min(g, 255);
                    COLORREF col = RGB(static_cast<BYTE>(g), static_cast<BYTE>(g), static_cast<BYTE>(g));
                    if (Right)
                        SetPixel(dc, X1 + i, Y1 + j, col);
                    else
                        SetPixel(dc, X1 + j, Y1 + i, col);
                }
            }
            break;
        }
        default:
            break;
    }
}
}  // namespace

void DrawShadowRight(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t Color, int32_t Kind, int32_t Y2, int32_t X2) {
    Shadow(Canvas, X1, Y1, X2, Y2, Kind, Color, /*Right=*/true);
}

void DrawShadowBottom(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t Color, int32_t Kind, int32_t Y2, int32_t X2) {
    Shadow(Canvas, X1, Y1, X2, Y2, Kind, Color, /*Right=*/false);
}
