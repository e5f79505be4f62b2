// The windowing library's metafile graphic: an enhanced or 16-bit metafile held
// as its bytes, sized in pixels at 96 dpi, drawn by playing its records.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/classlib/graphics.h"

class TMetafile : public TGraphic {
public:
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void SetWidth(int Value) override { FWidth = Value; }
    void SetHeight(int Value) override { FHeight = Value; }
    bool Enhanced() const { return FEnhanced; }
    bool Empty() const override { return FData.empty(); }
    // Plays the metafile into R.
    void Draw(TCanvas& Canvas, const TRect& R) override;
    void DrawTo(HDC Dc, const RECT& R);
    // Data that is neither kind of metafile raises EInvalidGraphic.
    void LoadFromStream(TStream& Stream) override;
    void SaveToStream(TStream& Stream) override;
    void Clear();

private:
    std::vector<uint8_t> FData;
    bool FEnhanced = false;
    int FWidth = 0, FHeight = 0;
};
