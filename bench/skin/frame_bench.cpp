// Repainting a main window's frame and caption: the skinned frame (borders,
// title with caption text and buttons, menu bar) beside the classic frame of
// a window of the same size with the same menu; a plain repaint copies the
// skinned frame drawn last, a change of activation draws it anew.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"
#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"
#include "skin/skin_data.h"
#include "skin/skin_manager.h"
#include "skin/skin_window.h"
#include "tools/skingen/skin_art.h"
#include "tools/skingen/skin_container_writer.h"

namespace {

HMENU MakeMenu() {
    HMENU Bar = CreateMenu();
    for (const char16_t* Caption : {u"File", u"Tools", u"Settings", u"Help"}) {
        HMENU Sub = CreatePopupMenu();
        AppendMenuW(Sub, MF_STRING, 100, u"Item");
        AppendMenuW(Bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Sub), Caption);
    }
    return Bar;
}

struct TFrames {
    std::unique_ptr<TSkinData> Data;
    HWND Classic = nullptr, Skinned = nullptr;
    TFrames() {
        setenv("TESSARO_SCREEN", "headless", 1);
        TestHooks::Start();
        SkinManagerStartup();
        WNDCLASSW C{};
        C.lpfnWndProc = DefWindowProcW;
        C.lpszClassName = u"BenchFrame";
        C.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
        RegisterClassW(&C);
        Data = std::make_unique<TSkinData>(nullptr);
        const std::vector<uint8_t> File = WriteSkinFile(DrawSkin(SkinVariants().front()));
        Data->SkinStream().WriteBuffer(File.data(), static_cast<int64_t>(File.size()));
        Data->SkinStream().SetPosition(0);
        Data->LoadSkin();
        TSkinManage* M = EnsureSkinManager();
        M->InstallHook();
        M->AddSkinData(Data.get());
        Classic = CreateWindowExW(0, u"BenchFrame", u"Tessaro - DVD slideshow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                  10, 742, 560, nullptr, MakeMenu(), nullptr, nullptr);
        M->SkinningOn = true;
        Skinned = CreateWindowExW(0, u"BenchFrame", u"Tessaro - DVD slideshow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                                  40, 742, 560, nullptr, MakeMenu(), nullptr, nullptr);
        M->TrySkinWindow(Skinned);
        TSkinnedWindow* S = M->FindSkinForm(Skinned);
        TestHooks::PumpUntil([S] { return S && S->State == 1; }, 5000, "the skinned frame");
        // The same outer size for both.
        RECT R;
        GetWindowRect(Skinned, &R);
        SetWindowPos(Classic, nullptr, 0, 0, R.right - R.left, R.bottom - R.top, SWP_NOMOVE | SWP_NOZORDER);
        TestHooks::PumpPending();
    }
};

TFrames& Frames() {
    static TFrames F;
    return F;
}

void BM_ClassicFrame(benchmark::State& State) {
    HWND H = Frames().Classic;
    for (auto _ : State) SendMessageW(H, WM_NCPAINT, 1, 0);
}
BENCHMARK(BM_ClassicFrame)->Unit(benchmark::kMicrosecond);

void BM_SkinnedFrame(benchmark::State& State) {
    HWND H = Frames().Skinned;
    for (auto _ : State) SendMessageW(H, WM_NCPAINT, 1, 0);
}
BENCHMARK(BM_SkinnedFrame)->Unit(benchmark::kMicrosecond);

// Active and inactive in turn: every repaint draws the frame anew.
void BM_ClassicFrameActivation(benchmark::State& State) {
    HWND H = Frames().Classic;
    WPARAM Active = 0;
    for (auto _ : State) SendMessageW(H, WM_NCACTIVATE, Active ^= 1, 0);
}
BENCHMARK(BM_ClassicFrameActivation)->Unit(benchmark::kMicrosecond);

void BM_SkinnedFrameActivation(benchmark::State& State) {
    HWND H = Frames().Skinned;
    WPARAM Active = 0;
    for (auto _ : State) SendMessageW(H, WM_NCACTIVATE, Active ^= 1, 0);
}
BENCHMARK(BM_SkinnedFrameActivation)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
