// Small memory canvases for the drawing tests.
#pragma once

#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

// A memory DC with a 32-bit bitmap selected, freed with the object.
struct TCanvas {
    HDC Dc = nullptr;
    HBITMAP Bitmap = nullptr;
    HGDIOBJ OldBitmap = nullptr;
    int W = 0;
    int H = 0;
    TCanvas(int Width, int Height, COLORREF Fill = RGB(255, 255, 255)) : W(Width), H(Height) {
        HDC Screen = CreateCompatibleDC(nullptr);
        Dc = CreateCompatibleDC(nullptr);
        BITMAPINFO Info{};
        Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        Info.bmiHeader.biWidth = W;
        Info.bmiHeader.biHeight = -H;
        Info.bmiHeader.biPlanes = 1;
        Info.bmiHeader.biBitCount = 32;
        void* Bits = nullptr;
        Bitmap = CreateDIBSection(Screen, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
        DeleteDC(Screen);
        OldBitmap = SelectObject(Dc, Bitmap);
        Fill_(Fill);
    }
    ~TCanvas() {
        SelectObject(Dc, OldBitmap);
        DeleteObject(Bitmap);
        DeleteDC(Dc);
    }
    void Fill_(COLORREF C) {
        HBRUSH B = CreateSolidBrush(C);
        RECT R{0, 0, W, H};
        FillRect(Dc, &R, B);
        DeleteObject(B);
    }
    // Read from the bitmap itself: GetPixel answers CLR_INVALID outside the clip.
    COLORREF At(int X, int Y) const {
        TGdiSurface* S = GdiBitmapSurface(Bitmap);
        uint32_t P = GdiSurfacePixels(S)[Y * GdiSurfaceStride(S) + X];
        return RGB((P >> 16) & 0xFF, (P >> 8) & 0xFF, P & 0xFF);
    }
    // One character per pixel through a legend of colours ('?' for others).
    std::string Map(const std::vector<std::pair<char, COLORREF>>& Legend) const {
        std::string S;
        for (int Y = 0; Y < H; ++Y) {
            for (int X = 0; X < W; ++X) {
                char C = '?';
                for (auto& [Ch, Col] : Legend)
                    if (At(X, Y) == Col) C = Ch;
                S.push_back(C);
            }
            S.push_back('\n');
        }
        return S;
    }
};
