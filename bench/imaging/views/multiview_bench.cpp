// Filling a thumbnail grid of 150x150 cells from a folder of JPEG files until every
// thumbnail is stored: the grid reads only what is shown, so it is paged through,
// each page waited for, with the keep range wide enough to keep every image.
// Usage: multiview_bench --dir=<folder of pictures> (compare_montage.sh makes one).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "imaging/io/ieformats.h"
#include "imaging/views/iemultiview.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"

namespace {

std::string Folder;

struct TSetup {
    TForm* Form;
    TSetup() {
        setenv("TESSARO_SCREEN", "headless", 1);
        TestHooks::Start();
        IEIOStartup();
        IEViewsStartup();
        Form = new TForm(Application);
        Form->SetBounds(0, 0, 1600, 1000);
        Form->Show();
    }
};

TSetup& S() {
    static TSetup Setup;
    return Setup;
}

bool AllStored(TIEMultiView* V) {
    for (int32_t I = 0; I < V->GetImageCount(); ++I)
        if (V->IsImageVisible(I) && !V->IsImageStored(I)) return false;
    return true;
}

void FillUntilStored(benchmark::State& St) {
    TForm* F = S().Form;
    int32_t Images = 0;
    for (auto _ : St) {
        auto* V = new TIEMultiView(F);
        V->SetParent(F);
        V->SetBounds(0, 0, 1580, 960);
        V->StoreType = ietThumb;
        V->ThumbWidth = V->ThumbHeight = 150;
        V->GridWidth = -1;
        V->KeepRange = 100000;
        V->FillFromDirectory(Folder);
        V->DeselectAll();
        int32_t MX, MY;
        V->GetMaxViewXY(MX, MY);
        for (int32_t Y = 0;; Y = std::min(Y + V->ClientHeight(), MY)) {
            V->SetViewY(Y);
            V->Update();
            TestHooks::PumpUntil([&] { return AllStored(V); }, 600000, "a page of thumbnails");
            if (Y == MY) break;
        }
        Images = V->GetImageCount();
        V->Free();
        TestHooks::PumpPending();
    }
    St.counters["images"] = Images;
}
// CPU time of the whole process: the reads run on the loader's worker threads.
BENCHMARK(FillUntilStored)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(false)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    for (int I = 1; I < argc; ++I)
        if (std::strncmp(argv[I], "--dir=", 6) == 0) Folder = argv[I] + 6;
    if (Folder.empty()) {
        std::fprintf(stderr, "usage: %s --dir=<folder of pictures> [benchmark flags]\n", argv[0]);
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
