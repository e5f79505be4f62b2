// Drawing layer speed: the 720x576 HALFTONE stretch of the transitions and
// views (reducing from 1440x1152, enlarging from 360x288), the same without
// HALFTONE, a window-sized copy and a line of text.
#include <benchmark/benchmark.h>

#include <cstring>

#include "platform/gdi/gdi.h"

namespace {

struct TDib {
    HDC Dc;
    HBITMAP Bitmap;
    HGDIOBJ Old;
    TDib(int W, int H, int Bpp = 32) {
        BITMAPINFO Info{};
        Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        Info.bmiHeader.biWidth = W;
        Info.bmiHeader.biHeight = H;  // bottom-up, as image code makes them
        Info.bmiHeader.biPlanes = 1;
        Info.bmiHeader.biBitCount = static_cast<WORD>(Bpp);
        void* Bits = nullptr;
        Bitmap = CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
        int Stride = ((W * Bpp + 31) / 32) * 4;
        auto* P = static_cast<uint8_t*>(Bits);
        for (int I = 0; I < Stride * H; ++I) P[I] = static_cast<uint8_t>(I * 7 + (I >> 11));
        Dc = CreateCompatibleDC(nullptr);
        Old = SelectObject(Dc, Bitmap);
    }
    ~TDib() {
        SelectObject(Dc, Old);
        DeleteObject(Bitmap);
        DeleteDC(Dc);
    }
};

void Stretch(benchmark::State& State, int SrcW, int SrcH, int Mode, int Bpp) {
    TDib Src(SrcW, SrcH, Bpp), Dst(720, 576);
    SetStretchBltMode(Dst.Dc, Mode);
    for (auto _ : State) StretchBlt(Dst.Dc, 0, 0, 720, 576, Src.Dc, 0, 0, SrcW, SrcH, SRCCOPY);
    State.SetItemsProcessed(State.iterations() * 720 * 576);
}

void BM_HalftoneFrom1440x1152(benchmark::State& S) { Stretch(S, 1440, 1152, HALFTONE, 32); }
void BM_HalftoneFrom360x288(benchmark::State& S) { Stretch(S, 360, 288, HALFTONE, 32); }
void BM_HalftoneFrom1440x1152_24bit(benchmark::State& S) { Stretch(S, 1440, 1152, HALFTONE, 24); }
void BM_ColorOnColorFrom1440x1152(benchmark::State& S) { Stretch(S, 1440, 1152, COLORONCOLOR, 32); }
BENCHMARK(BM_HalftoneFrom1440x1152)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HalftoneFrom360x288)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HalftoneFrom1440x1152_24bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorOnColorFrom1440x1152)->Unit(benchmark::kMillisecond);

void BM_BitBltWindow742x520(benchmark::State& State) {
    TDib Src(742, 520), Dst(742, 520);
    for (auto _ : State) BitBlt(Dst.Dc, 0, 0, 742, 520, Src.Dc, 0, 0, SRCCOPY);
}
BENCHMARK(BM_BitBltWindow742x520)->Unit(benchmark::kMillisecond);

void BM_TextLine(benchmark::State& State) {
    TDib Dst(400, 20);
    HFONT F = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
    HGDIOBJ Old = SelectObject(Dst.Dc, F);
    const char* Text = "Converting file 3 of 12: holiday.avi (45%)";
    for (auto _ : State) TextOutA(Dst.Dc, 2, 2, Text, static_cast<int>(strlen(Text)));
    SelectObject(Dst.Dc, Old);
    DeleteObject(F);
}
BENCHMARK(BM_TextLine)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
