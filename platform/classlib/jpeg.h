// JPEG pictures: the compressed data and, when needed, the decoded 24-bit bitmap.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/graphics.h"

class EJPEG : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;

    int Width() const override;
    int Height() const override;
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    bool Empty() const override { return FData.empty() && !FBitmap; }

    // The picture of a bitmap (any format); compressed when the data are needed.
    void Assign(TBitmap& Source);
    void Assign(const TJPEGImage& Source);
    // Decodes into Dest, which becomes a 24-bit bitmap of the picture's size.
    void AssignTo(TBitmap& Dest);

    void Draw(TCanvas& Canvas, const TRect& R) override;
    void LoadFromStream(TStream& Stream) override;  // from the position to the end
    void SaveToStream(TStream& Stream) override;

    void DIBNeeded();   // decodes
    void JPEGNeeded();  // compresses
    void Compress() { JPEGNeeded(); }

    int CompressionQuality = 90;  // 1..100
    bool ProgressiveEncoding = false;
    bool Grayscale = false;
    TJPEGScale Scale = jsFullSize;
    TJPEGPerformance Performance = jpBestQuality;

private:
    void ReadHeader();
    std::vector<unsigned char> FData;
    std::unique_ptr<TBitmap> FBitmap;
    int FWidth = 0, FHeight = 0;
};
