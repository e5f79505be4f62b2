// TIEImageIO::ImportMetafile: a metafile played into a 24-bit DIB, then into the target.
#include <algorithm>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"
#include "platform/classlib/metafile.h"
#include "platform/rtl/scope.h"

namespace {

// Plays Meta over a fill of Fill into a fresh DIB of W x H.
void Render(TMetafile& Meta, TIEDibbitmap& Dib, int32_t W, int32_t H, COLORREF Fill) {
    Dib.AllocateBits(W, H, 24);
    HBRUSH b = CreateSolidBrush(Fill);
    RECT r{0, 0, W, H};
    FillRect(Dib.DC(), &r, b);
    DeleteObject(b);
    Meta.DrawTo(Dib.DC(), r);
    GdiFlush();
}

}  // namespace

void TIEImageIO::ImportMetafile(const std::string& FileName, int32_t Width, bool WithAlpha, int32_t Height) {
    if (StartAsync(&TIEImageIO::ImportMetafile, FileName, Width, WithAlpha, Height)) return;
    Aborting = false;
    if (Width == 0 || Height == 0 || !MakeConsistentBitmap()) {
        DoFinishWork();
        return;
    }
    Params->ResetInfo();
    TMetafile meta;
    rtl::TScopeExit FinishWork([&] {
        Aborting = true;
        DoFinishWork();
    });
    meta.LoadFromFile(FileName);
    FinishWork.Dismiss();
    const int64_t mw = meta.Width(), mh = meta.Height();
    int64_t w = Width, h = Height;
    // A side computed from the other needs the metafile's aspect: a metafile
    // without a size has none.
    if (Width < 0 && Height >= 0) {
        w = mh > 0 ? Height * mw / mh : 0;
    } else if (Height < 0 && Width >= 0) {
        h = mw > 0 ? Width * mh / mw : 0;
    } else if (Width < 0 && Height < 0) {
        w = mw;
        h = mh;
    }
    if (w <= 0 || h <= 0) {
        Aborting = true;
        DoFinishWork();
        return;
    }
    if (w > 16000 || h > 16000) {
        if (w >= h) {
            h = h * 16000 / w;
            w = 16000;
        } else {
            w = w * 16000 / h;
            h = 16000;
        }
        w = std::max<int64_t>(w, 1);
        h = std::max<int64_t>(h, 1);
    }
    const auto W = static_cast<int32_t>(w), H = static_cast<int32_t>(h);
    {
        TIEDibbitmap dib;
        Render(meta, dib, W, H, static_cast<COLORREF>(ColorToRGB(GetBackground())));
        FIEBitmap->CopyFromTIEDibbitmap(&dib);
    }
    FIEBitmap->RemoveAlphaChannel();
    Params->FileName = FileName;
    Params->FileType = meta.Enhanced() ? ioEMF : ioWMF;
    Params->BitsPerSample = 8;
    Params->SamplesPerPixel = 3;
    Params->Width = W;
    Params->Height = H;
    Params->SetDpiX(DefaultDpiX);
    Params->SetDpiY(DefaultDpiY);
    Params->FreePalette();
    TellViewDpi();
    if (WithAlpha) {
        // What the metafile leaves of a key colour fill is transparent (genuine
        // pixels of that colour too: the method cannot tell them apart).
        TIEDibbitmap key;
        Render(meta, key, W, H, RGB(3, 2, 1));
        TIEBitmap* alpha = FIEBitmap->AlphaChannel();
        for (int32_t y = 0; y < H; ++y) {
            const auto* row = static_cast<const uint8_t*>(key.GetScanline(y));
            uint8_t* a = alpha->Scanline(y);
            for (int32_t x = 0; x < W; ++x, row += 3) a[x] = row[0] == 1 && row[1] == 2 && row[2] == 3 ? 0 : 255;
        }
        FIEBitmap->SyncFull();
    }
    Update();
    DoFinishWork();
}
