#include "imaging/io/ierawpixels.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"

using namespace ieio;

namespace {

// Channel Plane of every pixel from one stored plane row per image row.
bool ReadPlane(TStream& S, TIEBitmap* B, int Plane, int Channels, int SampleBytes, int32_t Align,
               TIEProgressRecord& P) {
    const int32_t w = B->Width();
    const int32_t stored = CalcRowLength(w, SampleBytes * 8, Align);
    std::vector<uint8_t> row(stored);
    for (int32_t y = 0; y < B->Height(); ++y) {
        if (!ReadExact(S, row.data(), stored, P)) return false;
        uint8_t* d = B->Scanline(y) + Plane * SampleBytes;
        for (int32_t x = 0; x < w; ++x)
            std::memcpy(d + static_cast<size_t>(x) * Channels * SampleBytes, &row[static_cast<size_t>(x) * SampleBytes],
                        SampleBytes);
    }
    return true;
}

}  // namespace

void ReadRawPixelStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress) {
    const int32_t w = Bitmap->Width(), h = Bitmap->Height();
    const TIEPixelFormat pf = Bitmap->PixelFormat();
    // Alignments that are no whole number of bytes would give rows of no length.
    if (w <= 0 || h <= 0 || Params.RawDataRowAlign <= 0 || Params.RawDataRowAlign % 8 != 0 ||
        Params.RawDataHeaderSize < 0 || pf == ieCIELab || pf == ieNoFormat) {
        SetAbort(Progress);
        return;
    }
    Progress.Per1 = 100.0 / h;
    Stream.Seek(Params.RawDataHeaderSize, soCurrent);
    const int32_t align = Params.RawDataRowAlign;
    const int32_t stored = CalcRowLength(w, Bitmap->BitCount(), align);
    const int32_t have = Bitmap->RowLen();
    // The rows must be there before the work starts.
    const bool planar = Params.RawDataPlanar && (pf == ieRGB24 || pf == ieRGB48 || pf == ieCMYK);
    const int channels = pf == ieCMYK ? 4 : 3;
    const int bytes = pf == ieRGB48 ? 2 : 1;
    const int64_t need = planar ? static_cast<int64_t>(CalcRowLength(w, bytes * 8, align)) * channels * h
                                : static_cast<int64_t>(stored) * h;
    if (need > Stream.Size() - Stream.Position()) {
        SetAbort(Progress);
        return;
    }
    if (planar) {
        const int step = channels == 4 ? 25 : 33;
        for (int p = 0; p < channels; ++p) {
            Progress.Report(p * step);
            if (!ReadPlane(Stream, Bitmap, p, channels, bytes, align, Progress)) return;
        }
        Progress.Report(100);
    } else {
        const int32_t take = std::min(stored, have);
        for (int32_t y = 0; y < h; ++y) {
            if (!ReadExact(Stream, Bitmap->Scanline(y), take, Progress)) return;
            if (stored > take) Stream.Seek(stored - take, soCurrent);
            Report(Progress, y);
        }
    }
    if (!Params.RawDataBGR && (pf == ieRGB24 || pf == ieRGB48)) {
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* r = Bitmap->Scanline(y);
            if (pf == ieRGB24) {
                for (int32_t x = 0; x < w; ++x) std::swap(r[x * 3], r[x * 3 + 2]);
            } else {
                auto* s = reinterpret_cast<uint16_t*>(r);
                for (int32_t x = 0; x < w; ++x) std::swap(s[x * 3], s[x * 3 + 2]);
            }
        }
    }
}
