// One production run from the Burn action, headless, on the clips in
// $TESSARO_BENCH_CLIPS (made by run_bench.sh), with every box answered. Prints
// each step's time and writes $TESSARO_BENCH_OUT/bare.sh: the same tool command
// lines, bare, on the same clips in $TESSARO_BENCH_OUT/bare/, with the menu
// pages and structure files this run made, timing its own steps.
#include "tests/ui/production_fixture.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include <sys/resource.h>

#include "pipeline/authoring.h"
#include "pipeline/conversion.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point From, Clock::time_point To) { return std::chrono::duration<double>(To - From).count(); }

std::string Env(const char* Name) {
    const char* V = std::getenv(Name);
    return V ? V : "";
}

std::string Replaced(std::string S, const std::string& From, const std::string& To) {
    for (size_t P = 0; !From.empty() && (P = S.find(From, P)) != std::string::npos; P += To.size())
        S.replace(P, From.size(), To);
    return S;
}

// A batch of the program as shell lines that run the tools themselves.
std::string Bare(std::string Text) {
    Text = Replaced(Text, "\r", "");
    Text = Replaced(Text, "\"" + Options.ConverterFile + "\" -p " + ConverterAccessCode, "ffmpeg -nostdin");
    const std::pair<const std::string*, const char*> Tools[] = {
        {&Options.StillEncoderFile, "jpeg2yuv"}, {&Options.VideoEncoderFile, "mpeg2enc"},
        {&Options.MultiplexerFile, "mplex"},     {&Options.SubpictureMuxerFile, "spumux"},
        {&Options.AuthoringToolFile, "dvdauthor"}};
    for (const auto& [File, Tool] : Tools) Text = Replaced(Text, "\"" + *File + "\"", Tool);
    return Text;
}

// Processor time of the program itself, its tools apart.
double OwnCpuSeconds() {
    rusage U{};
    getrusage(RUSAGE_SELF, &U);
    return U.ru_utime.tv_sec + U.ru_stime.tv_sec + (U.ru_utime.tv_usec + U.ru_stime.tv_usec) / 1e6;
}

std::string ReadAllText(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

class ProductionBench : public ProductionRun {
protected:
    void SetUp() override {
        ProductionRun::SetUp();
        if (HasFatalFailure()) return;
        Old = F->WindowProc;
        F->WindowProc = [this](TMessage& M) {
            const bool Step = M.Msg == WM_BUILD_MENU_IMAGES || M.Msg == WM_BUILD_MENU_XML ||
                              M.Msg == WM_BUILD_MENU_VIDEO || M.Msg == WM_AUTHOR_DVD || M.Msg == WM_BURN_DISC;
            if (Step && !Entered.count(M.Msg)) {
                Entered[M.Msg] = Clock::now();
                // The pages and structure files as the menu videos take them, for
                // the bare run; the copying is the benchmark's, not the program's.
                if (M.Msg == WM_BUILD_MENU_VIDEO) CopyMenuInputs();
            }
            Old(M);
        };
    }
    void TearDown() override {
        if (F && Old) F->WindowProc = Old;
        ProductionRun::TearDown();
    }
    void CopyMenuInputs() {
        const auto Start = Clock::now();
        for (const auto& E : fs::directory_iterator(Temp)) {
            const std::string Ext = E.path().extension().string();
            if (!E.is_regular_file() || (Ext != ".jpg" && Ext != ".png" && Ext != ".xml")) continue;
            std::string Text = ReadAllText(E.path().string());
            if (Ext == ".xml") Text = Moved(Text);
            std::ofstream(BareDir + E.path().filename().string(), std::ios::binary) << Text;
        }
        Overhead += Since(Start, Clock::now());
    }
    // Paths of this run's folders as the bare run has them.
    std::string Moved(const std::string& Text) const {
        return Replaced(Replaced(Text, Temp, BareDir), AppFolder, BareDir + "app/");
    }
    TWndMethod Old;
    std::map<UINT, Clock::time_point> Entered;
    std::string BareDir;
    double Overhead = 0;  // time the benchmark spent inside the run
};

TEST_F(ProductionBench, BurnAgainstTheBareTools) {
    const std::string Clips = Env("TESSARO_BENCH_CLIPS"), Out = Env("TESSARO_BENCH_OUT");
    if (Clips.empty() || Out.empty()) GTEST_SKIP() << "run through bench/run_bench.sh";
    BareDir = Out + "/bare/";
    fs::remove_all(BareDir);
    fs::create_directories(BareDir);
    std::vector<std::string> Files;
    for (const auto& E : fs::directory_iterator(Clips)) Files.push_back(E.path().string());
    std::sort(Files.begin(), Files.end());
    ASSERT_FALSE(Files.empty());
    for (const std::string& Clip : Files) AddSource(Clip);
    Options.VideoFormat = 0;
    Options.VideoAspect = 0;
    // The tools at the priority the program gives them by default, as the bare ones run.
    Options.ProcessPriority = 1;

    const double CpuBefore = OwnCpuSeconds();
    const auto Start = Clock::now();
    const TRunResult R = RunBurn(/*TimeoutMs=*/900000);
    const double Cpu = OwnCpuSeconds() - CpuBefore;
    const auto End = Start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(R.Seconds));
    ASSERT_TRUE(R.Ended);
    ASSERT_EQ(Options.DoneCount, static_cast<int>(Files.size()));
    ASSERT_EQ(Entered.size(), 5u);
    const Clock::time_point Marks[] = {Start,
                                       Entered[WM_BUILD_MENU_IMAGES],
                                       Entered[WM_BUILD_MENU_XML],
                                       Entered[WM_BUILD_MENU_VIDEO],
                                       Entered[WM_AUTHOR_DVD],
                                       Entered[WM_BURN_DISC],
                                       End};
    const char* Names[] = {"convert", "menu-pictures", "structure-files", "menu-videos", "DVD-structure", "burn"};
    double Total = 0;
    for (int I = 0; I < 6; ++I) {
        double S = Since(Marks[I], Marks[I + 1]);
        if (I == 3) S -= Overhead;
        Total += S;
        std::printf("program %s %.0f\n", Names[I], S * 1000);
    }
    std::printf("program total %.0f\n", Total * 1000);
    std::printf("program cpu %.0f\n", Cpu * 1000);

    // The same command lines, written by the same routines, in the bare folder.
    fs::create_directories(BareDir + "app/resources");
    fs::copy(AppFolder + "resources", BareDir + "app/resources", fs::copy_options::recursive);
    std::string Sh = "#!/bin/sh\n# The program's tool command lines, bare.\nset -e\ncd '" + BareDir +
                     "'\nnow() { date +%s%N; }\nstep() { e=$(now); echo \"bare $1 $(( (e - s) / 1000000 ))\"; s=$e; }\n"
                     "s=$(now)\n{\n";
    for (size_t I = 0; I < Files.size(); ++I) Sh += Moved(Bare(ConvertBatchText(Files[I], static_cast<int>(I))));
    Sh += "} >/dev/null 2>>tools.log\nstep convert\n{\n";
    Sh += Moved(Bare(MenuBatchText(MenuPageCount(static_cast<int>(Files.size())))));
    Sh += "} >/dev/null 2>>tools.log\nstep menu-videos\n{\n";
    Sh += Moved(Bare(AuthorCommandLine(Temp + "DVD_DISC1"))) + "\n";
    Sh += "} >/dev/null 2>>tools.log\nstep DVD-structure\n{\n";
    Sh += "genisoimage -quiet -dvd-video -udf -V BENCH -o bare.iso DVD_DISC1\n";
    Sh += "} >/dev/null 2>>tools.log\nstep burn\n";
    std::ofstream(Out + "/bare.sh", std::ios::binary) << Sh;
}

}  // namespace
