// A full repaint of the program's main window (frame, every control, the file
// list with sixty files) with its skin switched on beside the classic look,
// on the headless screen.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/classlib/testhooks.h"
#include "platform/rtl/sysutils.h"
#include "skin/skin_data.h"
#include "skin/skin_manager.h"
#include "ui/main_form.h"
#include "ui/program.h"

namespace {

bool Skinned(TControl* C) { return C && C->Perform(SKIN_QUERY, 0, 0) == 1; }

struct TMainWindow {
    TSkinData* Data = nullptr;
    TMainWindow() {
        setenv("TESSARO_SCREEN", "headless", 1);
        char Tmpl[] = "/tmp/tessaro_skin_bench_XXXXXX";
        Root = std::string(mkdtemp(Tmpl)) + "/";
        ForceDirectories(Root + "app/langs");
        setenv("XDG_DATA_HOME", (Root + "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Root + "config").c_str(), 1);
        TestHooks::Start();
        ProgramStartup(Root + "app/");
        frmMain->Show();
        TestHooks::PumpUntil([] { return frmMain->Showing(); }, 10000, "the main window");
        for (int I = 0; I < 60; ++I) frmMain->lsvFiles->Items().Add()->SetCaption("clip" + std::to_string(I) + ".mpg");
        Data = frmMain->Find<TSkinData>("SkinData");
    }
    ~TMainWindow() {
        ProgramShutdown();
        TestHooks::Stop();
        std::error_code Ec;
        std::filesystem::remove_all(Root, Ec);
    }
    std::string Root;
    void Switch(bool On) {
        Data->SetActive(On);
        TestHooks::PumpUntil([On] { return Skinned(frmMain->lsvFiles) == On; }, 20000, "the skin switched");
        TestHooks::PumpPending();
    }
};

// Made by the first benchmark, shut down before the program's statics go.
std::unique_ptr<TMainWindow> TheMain;
TMainWindow& Main() {
    if (!TheMain) TheMain = std::make_unique<TMainWindow>();
    return *TheMain;
}

void Repaint() {
    RedrawWindow(frmMain->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void BM_MainWindowClassic(benchmark::State& State) {
    Main().Switch(false);
    for (auto _ : State) Repaint();
}
BENCHMARK(BM_MainWindowClassic)->Unit(benchmark::kMillisecond);

void BM_MainWindowSkinned(benchmark::State& State) {
    Main().Switch(true);
    for (auto _ : State) Repaint();
}
BENCHMARK(BM_MainWindowSkinned)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TheMain.reset();
    return 0;
}
