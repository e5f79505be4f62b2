// Repainting a 4000x3000 picture in a 1024x768 single-image view at zoom 25, 100
// and 350 on the headless screen: a scroll step (the back buffer composed again),
// an expose (the buffer only copied to the window) and a zoom step.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieformats.h"
#include "imaging/views/ieimageview.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"

namespace {

struct TSetup {
    TForm* Form;
    TIEImageView* View;
    TSetup() {
        setenv("TESSARO_SCREEN", "headless", 1);
        TestHooks::Start();
        IEIOStartup();
        IEViewsStartup();
        Form = new TForm(Application);
        Form->SetBounds(0, 0, 1060, 820);
        View = new TIEImageView(Form);
        View->SetBorderStyle(bsNoBorder);
        View->SetScrollBars(ssNone);
        View->SetParent(Form);
        View->SetBounds(0, 0, 1024, 768);
        Form->Show();
        TIEBitmap* B = View->IEBitmap();
        B->Allocate(4000, 3000, ieRGB24);
        for (int Y = 0; Y < 3000; ++Y) {
            uint8_t* P = B->Scanline(Y);
            for (int X = 0; X < 4000; ++X) {
                P[3 * X] = static_cast<uint8_t>(X ^ Y);
                P[3 * X + 1] = static_cast<uint8_t>(Y / 12);
                P[3 * X + 2] = static_cast<uint8_t>(X / 16);
            }
        }
        View->Update();
        TestHooks::PumpPending();
    }
};

TSetup& S() {
    static TSetup Setup;
    return Setup;
}

void ScrollStep(benchmark::State& St) {
    TIEImageView* V = S().View;
    V->SetZoom(static_cast<double>(St.range(0)));
    int32_t MX, MY;
    V->GetMaxViewXY(MX, MY);
    int I = 0;
    for (auto _ : St) {
        if (MX == 0 && MY == 0) {
            // The whole picture fits (zoom 25): nothing scrolls, so compose again directly.
            V->Update();
            UpdateWindow(V->Handle());
            continue;
        }
        // ScrollTo composes and paints at once.
        V->ScrollTo((I * 37) % (MX + 1), (I * 23) % (MY + 1));
        ++I;
    }
}

void Expose(benchmark::State& St) {
    TIEImageView* V = S().View;
    V->SetZoom(static_cast<double>(St.range(0)));
    TestHooks::PumpPending();
    for (auto _ : St) {
        InvalidateRect(V->Handle(), nullptr, FALSE);
        UpdateWindow(V->Handle());
    }
}

void ZoomStep(benchmark::State& St) {
    TIEImageView* V = S().View;
    const double Z = static_cast<double>(St.range(0));
    int I = 0;
    for (auto _ : St) V->SetZoom(++I % 2 ? Z : Z * 1.1);
}

}  // namespace

BENCHMARK(ScrollStep)->Arg(25)->Arg(100)->Arg(350)->Unit(benchmark::kMillisecond);
BENCHMARK(Expose)->Arg(25)->Arg(100)->Arg(350)->Unit(benchmark::kMillisecond);
BENCHMARK(ZoomStep)->Arg(25)->Arg(100)->Arg(350)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
