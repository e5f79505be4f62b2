#include "imaging/processing/wndbitmap.h"

#include <cstring>

#include "imaging/processing/procmath.h"
#include "imaging/processing/procstartup.h"
#include "platform/classlib/graphics.h"

void CopyTBitmap(TBitmap* source, TBitmap* dest) {
    if (source == dest) return;
    const int w = source->Width(), h = source->Height();
    if (w == 0 || h == 0) {
        dest->SetSize(1, 1);
        dest->SetPixelFormat(source->PixelFormat());
        return;
    }
    if (dest->Width() != w || dest->Height() != h || dest->PixelFormat() != source->PixelFormat()) {
        dest->SetSize(1, 1);
        dest->SetPixelFormat(source->PixelFormat());
        dest->SetSize(w, h);
    }
    // Indices mean nothing without their palette.
    const auto pal = source->Palette();
    if (!pal.empty()) dest->SetPalette(pal);
    const size_t n = static_cast<size_t>(source->RowBytes());
    for (int y = 0; y < h; ++y) std::memcpy(dest->ScanLine(y), source->ScanLine(y), n);
}

std::unique_ptr<TBitmap> DuplicateTBitmap(TBitmap* source) {
    auto b = std::make_unique<TBitmap>();
    CopyTBitmap(source, b.get());
    return b;
}

void ExpandTBitmap1To24(TBitmap* source, TBitmap* dest, TIEProgressRecord& progress) {
    if (source == dest) return;
    const int w = source->Width(), h = source->Height();
    dest->SetSize(1, 1);
    dest->SetPixelFormat(pf24bit);
    dest->SetSize(w, h);
    if (w == 0 || h == 0) return;
    BuildExpansionTable();  // once per process; a no-op after start-up
    progress.Per1 = 100.0 / (h + 0.5);
    const int full = w / 8, rest = w % 8;
    for (int y = 0; y < h; ++y) {
        const auto* in = static_cast<const uint8_t*>(source->ScanLine(y));
        auto* out = static_cast<uint8_t*>(dest->ScanLine(y));
        for (int i = 0; i < full; ++i) std::memcpy(out + 24 * i, IEExpansionTable[in[i]], 24);
        if (rest) std::memcpy(out + 24 * full, IEExpansionTable[in[full]], static_cast<size_t>(rest) * 3);
        progress.Report(static_cast<int>(improc::Trunc64(progress.Per1 * (y + 1))));
    }
}
