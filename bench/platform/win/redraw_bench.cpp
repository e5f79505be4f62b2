// Full redraw of a 742x520 window holding 60 child windows that paint
// themselves (a face, a bevel and a caption each, as simple controls do),
// through the whole path: invalidation, WM_NCPAINT/WM_ERASEBKGND/WM_PAINT,
// clipped DCs on the top-level surface, and the headless screen's composition.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"

namespace {

LRESULT CALLBACK ControlProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT r;
        GetClientRect(h, &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
        char16_t text[32];
        int n = GetWindowTextW(h, text, 32);
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, text, n, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(h, &ps);
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

struct TForm {
    HWND Top = nullptr;
    TForm() {
        setenv("TESSARO_SCREEN", "headless", 1);
        WinStartup();
        WNDCLASSW wc{};
        wc.lpfnWndProc = ControlProc;
        wc.lpszClassName = u"BenchControl";
        RegisterClassW(&wc);
        WNDCLASSW fc{};
        fc.lpfnWndProc = DefWindowProcW;
        fc.lpszClassName = u"BenchForm";
        fc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
        RegisterClassW(&fc);
        Top = CreateWindowExW(0, u"BenchForm", u"Redraw", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 20, 20,
                              742, 520, nullptr, nullptr, nullptr, nullptr);
        for (int i = 0; i < 60; ++i) {
            std::u16string t = u"Item ";
            t += static_cast<char16_t>(u'0' + i / 10);
            t += static_cast<char16_t>(u'0' + i % 10);
            CreateWindowExW(0, u"BenchControl", t.c_str(), WS_CHILD | WS_VISIBLE, 8 + (i % 6) * 120, 8 + (i / 6) * 48,
                            112, 40, Top, nullptr, nullptr, nullptr);
        }
        Pump();
    }
    static void Pump() {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    }
};

TForm& Form() {
    static TForm f;
    return f;
}

void BM_FullRedraw(benchmark::State& state) {
    HWND top = Form().Top;
    for (auto _ : state)
        RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    state.SetItemsProcessed(state.iterations() * 61);
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMillisecond);

void BM_FullRedrawThroughQueue(benchmark::State& state) {
    HWND top = Form().Top;
    for (auto _ : state) {
        InvalidateRect(top, nullptr, TRUE);
        RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        TForm::Pump();
    }
}
BENCHMARK(BM_FullRedrawThroughQueue)->Unit(benchmark::kMillisecond);

void BM_FullRedrawAndCompose(benchmark::State& state) {
    HWND top = Form().Top;
    for (auto _ : state) {
        RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        benchmark::DoNotOptimize(WinHeadlessScreen()->ComposeDesktop());
    }
}
BENCHMARK(BM_FullRedrawAndCompose)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    DestroyWindow(Form().Top);
    WinShutdown();
    benchmark::Shutdown();
    return 0;
}
