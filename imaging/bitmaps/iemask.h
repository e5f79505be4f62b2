// Selection and transparency mask: 1 or 8 bits per pixel, rows bottom-up, with
// the inclusive bounding box of the set pixels and a Full flag.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/windef.h"

class TIEBitmap;
class TCanvas;
class TBitmap;

// The x of the point that separates polygons in FillPolygons.
constexpr int32_t IEPolygonSeparator = 1048575;

class TIEMask : public TObject {
public:
    TIEMask() = default;
    ~TIEMask() override { FreeBits(); }
    TIEMask(const TIEMask&) = delete;
    TIEMask& operator=(const TIEMask&) = delete;

    void AllocateBits(int32_t AWidth, int32_t AHeight, int32_t ABitsPerPixel);
    void FreeBits();
    void Resize(int32_t NewWidth, int32_t NewHeight);
    uint8_t* GetScanline(int32_t Row) { return Bits.data() + static_cast<size_t>(RowLen) * (Height - Row - 1); }
    void SetPixel(int32_t X, int32_t Y, int32_t Value);
    int32_t GetPixel(int32_t X, int32_t Y);
    bool IsPointInside(int32_t X, int32_t Y) { return GetPixel(X, Y) != 0; }
    void Fill(int32_t Value);
    void Empty();
    bool IsEmpty() const { return X1 == MaxInt; }
    void SyncBoundingBox();
    void SyncFull();
    // Writes Value into X1..X2 of row Y (a row outside the mask is not drawn); answers
    // the pixels written.
    int32_t DrawHorizontalLine(int32_t Value, int32_t AX1, int32_t AX2, int32_t Y);
    void FillPolygon(int32_t Value, const POINT* Points, int32_t Count);
    void FillPolygons(int32_t Value, const POINT* Points, int32_t Count);
    void Translate(int32_t& DX, int32_t& DY, bool CutBorders);
    // Copies Source pixels into Dest through the mask within the box, clipped to both bitmaps.
    void CopyBitmap(TIEBitmap* Dest, TIEBitmap* Source, bool DestRelative, bool SourceRelative, bool CopyAlpha);

    // Drawing the selection: the mask's source rectangle shown stretched into the
    // destination rectangle of a canvas or a 24-bit bitmap.
    void DrawInverted(TCanvas* Canvas, int32_t XDst, int32_t YDst, int32_t DestWidth, int32_t DestHeight, int32_t XSrc,
                      int32_t YSrc, int32_t SrcWidth, int32_t SrcHeight);
    // Marching ants: Phase (the views' offset) shifts the dashes.
    void DrawOutline(TCanvas* Canvas, int32_t XDst, int32_t YDst, int32_t DestWidth, int32_t DestHeight, int32_t XSrc,
                     int32_t YSrc, int32_t SrcWidth, int32_t SrcHeight, int32_t Color1, int32_t Color2, int32_t Phase);
    void DrawOuterShade(TBitmap* Bitmap, int32_t XDst, int32_t YDst, int32_t DestWidth, int32_t DestHeight,
                        int32_t XSrc, int32_t YSrc, int32_t SrcWidth, int32_t SrcHeight);

    static constexpr int32_t MaxInt = 2147483647;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t BitsPerPixel = 0;
    int32_t RowLen = 0;
    std::vector<uint8_t> Bits;
    int32_t X1 = MaxInt, Y1 = MaxInt, X2 = 0, Y2 = 0;
    bool Full = false;

private:
    void EmptyBox() {
        X1 = Y1 = MaxInt;
        X2 = Y2 = 0;
    }
    void GrowBox(int32_t X, int32_t Y);
    void UpdateFull(int32_t V, bool Assign);
    // The zoomed copy shared by DrawOutline and DrawOuterShade (same depth, rows top-down here).
    bool RefreshZoom(int32_t DestWidth, int32_t DestHeight, int32_t XSrc, int32_t YSrc, int32_t SrcWidth,
                     int32_t SrcHeight, int32_t& XStep, int32_t& YStep);
    int32_t ZoomGet(int32_t X, int32_t Y) const;

public:
    std::vector<uint8_t> ZoomBits;
    int32_t ZoomWidth = 0, ZoomHeight = 0, ZoomRowLen = 0;
};
