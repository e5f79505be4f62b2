// PNG pictures: 8-bit red, green and blue with an optional alpha channel.
#pragma once

#include <vector>

#include "platform/classlib/graphics.h"

class EPNGError : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

enum TPNGTransparencyMode { ptmNone, ptmBit, ptmPartial };

class TPngImage : public TGraphic {
public:
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}

    // The pixels of a bitmap, opaque.
    void Assign(TBitmap& Source);
    // Dest becomes a 24-bit bitmap of the colours (alpha dropped).
    void AssignTo(TBitmap& Dest) const;

    // Drawn by the transparency: with an alpha channel every colour channel becomes
    // (picture * alpha + (255 - alpha) * background + 255) >> 8; with one transparent
    // colour its pixels leave the background alone; otherwise the pixels replace it.
    void Draw(TCanvas& Canvas, const TRect& R) override;
    void LoadFromStream(TStream& Stream) override;
    void SaveToStream(TStream& Stream) override;  // RGB, or RGBA when it has an alpha channel

    TPNGTransparencyMode TransparencyMode() const { return FMode; }
    TColor TransparentColor() const { return FTransparentColor; }  // ptmBit with a colour key
    // Pixels as blue, green, red, alpha.
    const unsigned char* Pixel(int X, int Y) const { return &FPixels[(static_cast<size_t>(Y) * FWidth + X) * 4]; }

private:
    int FWidth = 0, FHeight = 0;
    std::vector<unsigned char> FPixels;  // BGRA, rows from the top
    TPNGTransparencyMode FMode = ptmNone;
    TColor FTransparentColor = clNone;
};
