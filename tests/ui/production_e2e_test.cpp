// Whole runs with the real tools: three clips made here go from the Burn action
// through conversion, menu pages, menu videos and the DVD structure into
// DVD_DISC1 of the temporary folder, and are burnt onto the burning library's
// image recorder. The disc folder is read back with lsdvd and from its IFO and
// menu VOB, the image with lsdvd; the temporary folder keeps nothing but the
// disc; the steps' texts, the burn's statuses and the engine log are checked.
#include "tests/ui/production_fixture.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "burning/sb_logger.h"
#include "core/sb_eventer.h"
#include "core/ui_texts.h"
#include "pipeline/authoring.h"
#include "pipeline/progress_dialogs.h"
#include "tests/ui/burn_step_fixture.h"

namespace fs = std::filesystem;

namespace {

std::vector<unsigned char> ReadBytes(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

uint32_t Be32(const std::vector<unsigned char>& D, size_t P) {
    return static_cast<uint32_t>(D[P]) << 24 | D[P + 1] << 16 | D[P + 2] << 8 | D[P + 3];
}
uint16_t Be16(const std::vector<unsigned char>& D, size_t P) { return static_cast<uint16_t>(D[P] << 8 | D[P + 1]); }

// Program chains with cells in the titleset's first menu language unit: its
// menu pages (the builder adds a chain without cells of its own); 0 without
// menus, -1 when the file is unreadable.
int MenuPageCount(const std::string& VtsIfo) {
    const auto D = ReadBytes(VtsIfo);
    if (D.size() < 0x100 || std::string(D.begin(), D.begin() + 12) != "DVDVIDEO-VTS") return -1;
    const size_t Ut = static_cast<size_t>(Be32(D, 0xD0)) * 2048;
    if (Ut == 0) return 0;
    if (Ut + 16 > D.size()) return -1;
    const size_t Pgcit = Ut + Be32(D, Ut + 12);
    if (Pgcit + 2 > D.size()) return -1;
    int Pages = 0;
    for (int I = 0; I < Be16(D, Pgcit); ++I) {
        const size_t Entry = Pgcit + 8 + 8 * static_cast<size_t>(I);
        if (Entry + 8 > D.size()) return -1;
        const size_t Pgc = Pgcit + Be32(D, Entry + 4);
        if (Pgc + 4 > D.size()) return -1;
        if (D[Pgc + 3] > 0) ++Pages;
    }
    return Pages;
}

struct TButtonRect {
    int X0, Y0, X1, Y1;
    bool operator<(const TButtonRect& O) const {
        return std::tie(X0, Y0, X1, Y1) < std::tie(O.X0, O.Y0, O.X1, O.Y1);
    }
    bool operator==(const TButtonRect& O) const = default;
};

// The highlight buttons of each menu VOB (by VOB id) from the navigation packs
// of the titleset's menu file.
std::map<int, std::vector<TButtonRect>> MenuButtons(const std::string& MenuVob) {
    std::map<int, std::vector<TButtonRect>> Out;
    const auto D = ReadBytes(MenuVob);
    for (size_t S = 0; S + 2048 <= D.size(); S += 2048) {
        const unsigned char* P = D.data() + S;
        // Pack header, system header, then the PCI packet (private stream 2, substream 0).
        if (!(P[0] == 0 && P[1] == 0 && P[2] == 1 && P[3] == 0xBA)) continue;
        if (!(P[0x26] == 0 && P[0x27] == 0 && P[0x28] == 1 && P[0x29] == 0xBF && P[0x2C] == 0)) continue;
        const size_t Pci = S + 0x2D;
        const int VobId = Be16(D, S + 0x407 + 24);
        const size_t Hli = Pci + 96;
        if (Be16(D, Hli) == 0 || Out.count(VobId)) continue;  // no highlight, or already read
        const int Count = D[Hli + 17];
        std::vector<TButtonRect> Buttons;
        for (int B = 0; B < Count; ++B) {
            // After the general part (22 bytes) and the colour table (24 bytes).
            const size_t Bi = Hli + 46 + 18 * static_cast<size_t>(B);
            const uint32_t X = D[Bi] << 16 | D[Bi + 1] << 8 | D[Bi + 2];
            const uint32_t Y = D[Bi + 3] << 16 | D[Bi + 4] << 8 | D[Bi + 5];
            Buttons.push_back({static_cast<int>(X >> 12 & 0x3FF), static_cast<int>(Y >> 12 & 0x3FF),
                               static_cast<int>(X & 0x3FF), static_cast<int>(Y & 0x3FF)});
        }
        Out[VobId] = Buttons;
    }
    return Out;
}

std::string RunOutput(const std::string& Cmd) {
    std::string Out;
    if (FILE* P = popen(Cmd.c_str(), "r")) {
        char Buf[4096];
        size_t N;
        while ((N = fread(Buf, 1, sizeof Buf, P)) > 0) Out.append(Buf, N);
        pclose(P);
    }
    return Out;
}

struct TLsdvdTitle {
    double Seconds = 0;
    std::string Format, Aspect;
};

// The titles lsdvd reads from a disc folder, in order.
std::vector<TLsdvdTitle> LsdvdTitles(const std::string& Folder, std::string& Raw) {
    Raw = RunOutput("lsdvd -v '" + Folder + "' 2>/dev/null");
    std::vector<TLsdvdTitle> Titles;
    const std::regex Title(R"(Title: (\d+), Length: (\d+):(\d+):(\d+)\.(\d+))");
    const std::regex Video(R"(Format: (\w+), Aspect ratio: ([\d/]+))");
    std::istringstream In(Raw);
    std::string Line;
    std::smatch M;
    while (std::getline(In, Line)) {
        if (std::regex_search(Line, M, Title)) {
            TLsdvdTitle T;
            T.Seconds = std::stoi(M[2]) * 3600 + std::stoi(M[3]) * 60 + std::stoi(M[4]) + std::stoi(M[5]) / 1000.0;
            Titles.push_back(T);
        } else if (!Titles.empty() && std::regex_search(Line, M, Video)) {
            Titles.back().Format = M[1];
            Titles.back().Aspect = M[2];
        }
    }
    return Titles;
}

// Every path below Folder, relative, folders ending with '/'.
std::set<std::string> Listing(const std::string& Folder) {
    std::set<std::string> Out;
    std::error_code Ec;
    for (auto It = fs::recursive_directory_iterator(Folder, Ec); !Ec && It != fs::recursive_directory_iterator();
         It.increment(Ec)) {
        std::string Rel = fs::relative(It->path(), Folder).string();
        if (It->is_directory()) Rel += "/";
        Out.insert(Rel);
    }
    return Out;
}

struct TRunCase {
    const char* Name;
    uint8_t VideoFormat, VideoAspect;
    bool NoMenu, DirectShow;
    const char* Format;
    const char* Aspect;
};

const TRunCase RunCases[] = {
    {"PalWithMenus", 0, 0, false, false, "PAL", "4/3"},
    {"PalWithoutMenus", 0, 0, true, false, "PAL", "4/3"},
    {"NtscWideWithMenus", 1, 1, false, false, "NTSC", "16/9"},
    {"PalWithMenusThroughTheDirectShowScript", 0, 0, false, true, "PAL", "4/3"},
};

std::string ReadText(const std::string& Path) {
    const auto B = ReadBytes(Path);
    return std::string(B.begin(), B.end());
}

class ProductionE2E : public ProductionRun, public ::testing::WithParamInterface<TRunCase> {
protected:
    void SetUp() override {
        ProductionRun::SetUp();
        if (HasFatalFailure()) return;
        const std::string Missing = MissingTool({"ffmpeg", "jpeg2yuv", "mpeg2enc", "mplex", "spumux", "dvdauthor", "lsdvd"});
        if (!Missing.empty()) GTEST_SKIP() << Missing << " is not installed";
        // The batch and script of every file after the first, read while its
        // converter runs (the end of a file deletes both); the step dialog's
        // caption and the status bar around each later step.
        Old = F->WindowProc;
        F->WindowProc = [this](TMessage& M) {
            const bool Step = M.Msg == WM_BUILD_MENU_XML || M.Msg == WM_BUILD_MENU_VIDEO || M.Msg == WM_AUTHOR_DVD ||
                              M.Msg == WM_BURN_DISC;
            if (Step) NoteStep();
            Old(M);
            if (Step && M.Msg != WM_BURN_DISC) NoteStep();
            if (M.Msg == WM_CONVERT_NEXT)
                Batches.emplace_back(ReadText(Temp + "~convert.bat"), ReadText(Temp + "DirectShow.avs"));
        };
        sbLogger->LogFile = Root + "tessaro.log";
        Statuses.Attach();
    }
    // The engine log is switched on in the registry store, as a user does.
    void BeforeStart() override { EnableEngineLog(); }
    void NoteStep() {
        const std::string Caption = frmProgressOther ? frmProgressOther->Caption() : "";
        const std::string Status = F->StatusBar->Panels().Items(0)->Text();
        if (Captions.empty() || Captions.back() != Caption) Captions.push_back(Caption);
        if (StepStatuses.empty() || StepStatuses.back() != Status) StepStatuses.push_back(Status);
    }
    std::vector<std::string> StatusTexts() { return Statuses.Texts(); }
    void TearDown() override {
        if (F && Old) F->WindowProc = Old;
        ProductionRun::TearDown();
    }
    TWndMethod Old;
    std::vector<std::pair<std::string, std::string>> Batches;  // ~convert.bat, DirectShow.avs
    std::vector<std::string> Captions, StepStatuses;
    TStatusLog Statuses;  // the burning engine's
};

// A plain run of the production steps, with menus, burnt to the recorder.
class ProductionNames : public ProductionRun {
protected:
    void SetUp() override {
        ProductionRun::SetUp();
        if (HasFatalFailure()) return;
        const std::string Missing = MissingTool({"ffmpeg", "jpeg2yuv", "mpeg2enc", "mplex", "spumux", "dvdauthor", "lsdvd"});
        if (!Missing.empty()) GTEST_SKIP() << Missing << " is not installed";
    }
};

std::string Joined(const std::vector<std::string>& V) {
    std::string S;
    for (const std::string& T : V) S += "\n  " + T;
    return S;
}

TEST_P(ProductionE2E, ThreeClipsBecomeADiscFolder) {
    const TRunCase& C = GetParam();
    const int Lengths[] = {2, 3, 4};
    for (int I = 0; I < 3; ++I) {
        const std::string Clip = Root + "src/clip " + std::to_string(I) + ".mp4";
        ASSERT_TRUE(MakeSmallClip(Clip, Lengths[I]));
        AddSource(Clip);
    }
    Options.VideoFormat = C.VideoFormat;
    Options.VideoAspect = C.VideoAspect;
    Options.UseDirectShow = C.DirectShow;
    // As the user does it: the box's click handler sets the menu switch.
    F->chkCreateNoMenuDVD->SetChecked(C.NoMenu);
    ASSERT_EQ(NoMenuDvd, C.NoMenu);

    const TRunResult R = RunBurn();
    std::string Boxes;
    for (const std::string& B : R.Boxes) Boxes += "\n  " + B;
    std::printf("[ run ] %s: %.1f s, %zu boxes%s\n", C.Name, R.Seconds, R.Boxes.size(), Boxes.c_str());
    ASSERT_TRUE(R.Ended) << "boxes:" << Boxes;
    EXPECT_EQ(Options.DoneCount, 3) << Boxes;
    EXPECT_EQ(Options.FailedCount, 0) << Boxes;
    EXPECT_FALSE(F->PipelineCancelled);
    EXPECT_EQ(F->OutputFolder, Temp + "DVD_DISC1");
    // Files 2 and 3 went to the converter directly or through the script.
    ASSERT_EQ(Batches.size(), 2u);
    for (int I = 0; I < 2; ++I) {
        const std::string Clip = Root + "src/clip " + std::to_string(I + 1) + ".mp4";
        const auto& [Batch, Script] = Batches[I];
        if (C.DirectShow) {
            EXPECT_NE(Batch.find(" -i \"" + Temp + "DirectShow.avs\" "), std::string::npos) << Batch;
            EXPECT_NE(Script.find("DirectShowSource(\"" + Clip + "\")"), std::string::npos) << Script;
        } else {
            EXPECT_NE(Batch.find(" -i \"" + Clip + "\" "), std::string::npos) << Batch;
            EXPECT_EQ(Script, "");
        }
    }

    const std::string Disc = Temp + "DVD_DISC1";
    ASSERT_TRUE(FileExists(Disc + "/VIDEO_TS/VIDEO_TS.IFO")) << "boxes:" << Boxes;
    std::string Raw;
    const auto Titles = LsdvdTitles(Disc, Raw);
    ASSERT_EQ(Titles.size(), 3u) << Raw;
    for (int I = 0; I < 3; ++I) {
        EXPECT_NEAR(Titles[I].Seconds, Lengths[I], 0.5) << "title " << I + 1 << "\n" << Raw;
        EXPECT_EQ(Titles[I].Format, C.Format) << Raw;
        EXPECT_EQ(Titles[I].Aspect, C.Aspect) << Raw;
    }

    // The main menu is in the titles' norm (the standard bits of its video
    // attributes: 0 NTSC, 1 PAL).
    const auto Vmg = ReadBytes(Disc + "/VIDEO_TS/VIDEO_TS.IFO");
    ASSERT_GT(Vmg.size(), 0x100u);
    EXPECT_EQ((static_cast<uint8_t>(Vmg[0x100]) >> 4) & 3, C.VideoFormat == 1 ? 0 : 1);

    // Two titles a page: the first page has both title buttons, the second
    // one; each has the three navigation buttons, where the template puts them.
    const std::string Vts = Disc + "/VIDEO_TS/VTS_01_0.IFO";
    if (C.NoMenu) {
        EXPECT_EQ(MenuPageCount(Vts), 0);
    } else {
        EXPECT_EQ(MenuPageCount(Vts), 2);
        const TTemplateLayout L = ReadTemplateLayout(Options.TemplateDir + "dat.dat");
        auto Rect = [](int X, int Y, int W, int H) { return TButtonRect{X, Y, X + W, Y + H}; };
        const TButtonRect B1 = Rect(L.Button1X, L.Button1Y, TitleButtonWidth, TitleButtonHeight);
        const TButtonRect B2 = Rect(L.Button2X, L.Button2Y, TitleButtonWidth, TitleButtonHeight);
        const TButtonRect First = Rect(L.FirstX, L.FirstY, L.FirstWidth, L.FirstHeight);
        const TButtonRect Pre = Rect(L.PreX, L.PreY, L.FirstWidth, L.FirstHeight);
        const TButtonRect Next = Rect(L.NextX, L.NextY, L.FirstWidth, L.FirstHeight);
        std::vector<std::vector<TButtonRect>> Pages;
        for (const auto& [Id, Buttons] : MenuButtons(Disc + "/VIDEO_TS/VTS_01_0.VOB")) Pages.push_back(Buttons);
        ASSERT_EQ(Pages.size(), 2u);
        const std::vector<TButtonRect> Page1 = {B1, B2, First, Pre, Next}, Page2 = {B1, First, Pre, Next};
        auto Show = [](const std::vector<TButtonRect>& V) {
            std::string S;
            for (const auto& B : V) S += Format(" (%d,%d)-(%d,%d)", {B.X0, B.Y0, B.X1, B.Y1});
            return S;
        };
        EXPECT_TRUE(Pages[0] == Page1) << Show(Pages[0]) << " want" << Show(Page1);
        EXPECT_TRUE(Pages[1] == Page2) << Show(Pages[1]) << " want" << Show(Page2);
    }

    // The steps in order, in the dialog's caption and the status bar (without
    // menus the XML step goes straight to the DVD structure).
    std::vector<std::string> Steps = {STR_PROCESSOTHER_BurnDVDStep2, STR_PROCESSOTHER_BurnDVDStep3,
                                      STR_PROCESSOTHER_BurnDVDStep4, STR_PROCESSOTHER_BurnDVDStep5,
                                      STR_PROCESSOTHER_BurnDVDStep6};
    if (C.NoMenu) Steps = {STR_PROCESSOTHER_BurnDVDStep3, STR_PROCESSOTHER_BurnDVDStep5, STR_PROCESSOTHER_BurnDVDStep6};
    EXPECT_TRUE(InOrder(Captions, Steps)) << Joined(Captions);
    EXPECT_TRUE(InOrder(StepStatuses, Steps)) << Joined(StepStatuses);
    EXPECT_EQ(Captions.back(), STR_PROCESSOTHER_BurnDVDStep6);

    // The burn: the recorder's image holds the three titles; the statuses
    // went from the space figures through the burn to its end.
    std::vector<std::string> Images;
    for (const auto& E : fs::directory_iterator(RecorderDir)) Images.push_back(E.path().string());
    ASSERT_EQ(Images.size(), 1u);
    EXPECT_EQ(Images[0].substr(Images[0].size() - 4), ".iso");
    const auto OnImage = LsdvdTitles(Images[0], Raw);
    ASSERT_EQ(OnImage.size(), 3u) << Raw;
    for (int I = 0; I < 3; ++I) EXPECT_NEAR(OnImage[I].Seconds, Lengths[I], 0.5) << Raw;
    EXPECT_EQ(R.Boxes, std::vector<std::string>{IDS_main_MSG_Hint + ": " + IDS_Main_MSG_Finished});
    // The step dialog has gone before the last box.
    EXPECT_EQ(R.OverStepDialog, std::vector<bool>{false});
    const std::vector<std::string> S = StatusTexts();
    std::vector<std::string> Expected = {IDS_Main_Info_RefreshDevice, "Start to burn...!", "Closing Session!",
                                         IDS_Main_MSG_Finished};
    EXPECT_TRUE(InOrder(S, Expected)) << Joined(S);
    EXPECT_TRUE(std::any_of(S.begin(), S.end(), [](const std::string& T) { return T.rfind("Need Space: ", 0) == 0; }))
        << Joined(S);
    EXPECT_EQ(F->StatusBar->Panels().Items(0)->Text(), IDS_Main_MSG_Finished);
    for (const char* Line : {"BurnLib_Recorder_TestUnitReady", "BurnLib_DVDVideo_Create", "BurnLib_Recorder_CloseSession"})
        EXPECT_TRUE(LogHasLine(Root + "tessaro.log", Line)) << Line;

    // Only the disc folder stays: every batch, script, title and menu file is
    // gone. Without menus nothing composes pages, so nothing uses up the title
    // thumbnails either; the next run overwrites them.
    std::set<std::string> Left, Kept = {"DVD_DISC1/"};
    for (const std::string& P : Listing(Temp))
        if (P == "DVD_DISC1/" || P.rfind("DVD_DISC1/", 0) != 0) Left.insert(P);
    if (C.NoMenu) Kept.insert({"0.jpg", "1.jpg", "2.jpg"});
    EXPECT_EQ(Left, Kept);
    for (const std::string& P : Listing(Disc)) {
        const bool Allowed = P == "VIDEO_TS/" || P == "AUDIO_TS/" ||
                             std::regex_match(P, std::regex(R"(VIDEO_TS/(VIDEO_TS|VTS_01_\d)\.(IFO|BUP|VOB))"));
        EXPECT_TRUE(Allowed) << P;
    }
}

TEST_F(ProductionNames, EveryKindOfNameReachesTheDisc) {
    // Names as Linux users have them: other scripts, an emoji above U+FFFF,
    // shell characters that must run nothing, a leading dash, 200 bytes.
    const std::vector<std::string> Names = {
        "é", "日本語", "Ελληνικά", "\xF0\x9F\x8E\xAC film", "$(touch x)", "a'b", "50%", ";&|", "-leading",
        std::string(196, 'n'),
    };
    // Made once under a plain name (the test's shell quotes with '), copied
    // under each name; two seconds, as the thumbnail is taken at one.
    const std::string Base = Root + "src/base.mp4";
    ASSERT_TRUE(MakeSmallClip(Base, 2));
    for (const std::string& N : Names) {
        const std::string Clip = Root + "src/" + N + ".mp4";
        fs::copy_file(Base, Clip);
        AddSource(Clip);
    }
    ASSERT_EQ(F->lsvFiles->Items().Count(), static_cast<int>(Names.size()));
    const TRunResult R = RunBurn(/*TimeoutMs=*/900000);  // ten conversions: allow for a slow, busy machine
    std::string Boxes;
    for (const std::string& B : R.Boxes) Boxes += "\n  " + B;
    ASSERT_TRUE(R.Ended) << "boxes:" << Boxes;
    EXPECT_EQ(Options.DoneCount, static_cast<int>(Names.size())) << Boxes;
    EXPECT_EQ(Options.FailedCount, 0) << Boxes;
    std::vector<std::string> Images;
    for (const auto& E : fs::directory_iterator(RecorderDir)) Images.push_back(E.path().string());
    ASSERT_EQ(Images.size(), 1u) << "boxes:" << Boxes;
    std::string Raw;
    const auto OnImage = LsdvdTitles(Images[0], Raw);
    ASSERT_EQ(OnImage.size(), Names.size()) << Raw;
    for (const auto& T : OnImage) EXPECT_NEAR(T.Seconds, 2, 0.5) << Raw;
    // Nothing in a name was run by a shell.
    for (const auto& E : fs::recursive_directory_iterator(Root))
        EXPECT_NE(E.path().filename().string(), "x") << E.path();
    EXPECT_FALSE(fs::exists("x"));
}

INSTANTIATE_TEST_SUITE_P(Runs, ProductionE2E, ::testing::ValuesIn(RunCases),
                         [](const ::testing::TestParamInfo<TRunCase>& I) { return std::string(I.param.Name); });

}  // namespace
