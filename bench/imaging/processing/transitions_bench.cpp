// One frame of every transition effect at the size of a PAL video frame, the
// processing component's grey conversion of a 4000x3000 picture, and the magic
// wand on a 2000x2000 uniform picture. With --write-ppm=<file> the grey
// conversion's source picture is written for compare_gray.sh and nothing runs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"
#include "imaging/processing/imageproc.h"
#include "imaging/processing/magicwand.h"
#include "imaging/processing/procstartup.h"
#include "imaging/processing/transitions.h"

namespace {

void Fill(TBitmap& B, int W, int H, int Seed) {
    B.SetPixelFormat(pf24bit);
    B.SetSize(W, H);
    for (int Y = 0; Y < H; ++Y) {
        auto* P = static_cast<uint8_t*>(B.ScanLine(Y));
        for (int X = 0; X < W; ++X) {
            P[X * 3] = static_cast<uint8_t>(X * 255 / W + Seed);
            P[X * 3 + 1] = static_cast<uint8_t>(Y * 255 / H);
            P[X * 3 + 2] = static_cast<uint8_t>((X + Y + Seed) & 255);
        }
    }
}

void Frame(benchmark::State& State) {
    const auto Type = static_cast<TIETransitionType>(State.range(0));
    static TBitmap From, To;
    static bool Ready = false;
    if (!Ready) {
        Fill(From, 720, 576, 0);
        Fill(To, 720, 576, 97);
        Ready = true;
    }
    static TIEBitmap PanSource;
    if (PanSource.IsEmpty()) PanSource.CopyFromTBitmap(&To);
    TIETransitionEffects P(nullptr);
    if (Type == iettPanZoom)
        P.PreparePanZoom(&PanSource, TRect(-100, -80, 500, 400), TRect(0, 0, 720, 576), 720, 576);
    else
        P.Prepare(&From, &To, Type, 720, 576);
    int Step = 1;
    for (auto _ : State) {
        P.ComposeFrame(Step);
        Step = Step % 1023 + 97;  // different steps, never 0
    }
    State.SetLabel(Type == iettPanZoom ? "pan and zoom" : IETransitionEffect(Type).Name);
}
BENCHMARK(Frame)->DenseRange(1, 164)->Unit(benchmark::kMillisecond);

std::unique_ptr<TIEBitmap> Photo() {
    auto B = std::make_unique<TIEBitmap>();
    B->SetLocation(ieMemory);
    B->Allocate(4000, 3000, ieRGB24);
    for (int Y = 0; Y < 3000; ++Y) {
        auto* Row = reinterpret_cast<TRGB*>(B->Scanline(Y));
        for (int X = 0; X < 4000; ++X)
            Row[X] = TRGB{static_cast<uint8_t>(X / 16), static_cast<uint8_t>(Y / 12), static_cast<uint8_t>((X ^ Y) & 255)};
    }
    return B;
}

void ConvertToGray4000x3000(benchmark::State& State) {
    auto Source = Photo();
    TIEBitmap Work;
    Work.SetLocation(ieMemory);
    TIEImageProc P;
    P.AutoUndo = false;
    P.SetAttachedBitmap(&Work);
    for (auto _ : State) {
        State.PauseTiming();
        Work.Assign(Source.get());
        State.ResumeTiming();
        P.ConvertToGray();
    }
}
BENCHMARK(ConvertToGray4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();

void MagicWand2000(benchmark::State& State) {
    TIEBitmap B;
    B.SetLocation(ieMemory);
    B.Allocate(2000, 2000, ieRGB24);
    B.Fill(0x336699);
    for (auto _ : State) {
        TIEMask M;
        M.AllocateBits(2000, 2000, 1);
        if (State.range(0) == 0)
            MagicWandFill(&B, 1000, 1000, 0, false, &M, 1);
        else
            benchmark::DoNotOptimize(MagicWandPolygon(&B, 1000, 1000, 0, false));
    }
    State.SetLabel(State.range(0) == 0 ? "fill" : "polygon");
}
BENCHMARK(MagicWand2000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    IEProcessingStartup();
    for (int I = 1; I < argc; ++I)
        if (std::strncmp(argv[I], "--write-ppm=", 12) == 0) {
            auto B = Photo();
            FILE* F = std::fopen(argv[I] + 12, "wb");
            if (!F) return 1;
            std::fprintf(F, "P6\n4000 3000\n255\n");
            for (int Y = 0; Y < 3000; ++Y) {
                auto* Row = reinterpret_cast<TRGB*>(B->Scanline(Y));
                for (int X = 0; X < 4000; ++X) {
                    uint8_t Px[3] = {Row[X].r, Row[X].g, Row[X].b};
                    std::fwrite(Px, 1, 3, F);
                }
            }
            std::fclose(F);
            return 0;
        }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
