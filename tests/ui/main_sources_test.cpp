// The main window's source list on the headless screen: adding real media files
// made by ffmpeg (probed, listed, refused), duplicates, editing and ordering,
// drops, and the size meter under the list.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "controls/golden_png.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "imaging/bitmaps/iebitmap.h"
#include "imaging/views/ieimageview.h"
#include "pipeline/template_chooser.h"
#include "pipeline/source_list.h"
#include "platform/classlib/pngimage.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"
#include "platform/commctl/commdlg.h"
#include "platform/classlib/threads.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/sysutils.h"
#include "platform/system/shell.h"
#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"
#include "skin/skin_manager.h"
#include "skin/skin_window.h"
#include "ui/main_form.h"
#include "ui/main_sources.h"
#include "ui/program.h"
#include "temp_folder.h"

namespace {

void WriteFile(const std::string& Path, const std::string& Text) {
    std::ofstream Out(Path, std::ios::binary);
    Out << Text;
}

bool Shell(const std::string& Cmd) { return std::system(Cmd.c_str()) == 0; }

// Media made once for all tests: a 2-second clip with sound, a sound-only file
// and a text file dressed as a video.
std::unique_ptr<TTempFolder> MediaFolder;
std::string MediaDir;
bool MediaMade = false;

class SourceList : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        MediaFolder = std::make_unique<TTempFolder>("tessaro_srclist_media");
        MediaDir = MediaFolder->Slashed();
        MediaMade = Shell("ffmpeg -nostdin -v error -f lavfi -i testsrc=size=160x120:rate=25:duration=2 "
                        "-f lavfi -i sine=duration=2 -c:v mpeg4 -c:a aac -shortest '" + MediaDir + "av.mp4'") &&
                    Shell("ffmpeg -nostdin -v error -f lavfi -i sine=duration=2 '" + MediaDir + "sound.wav'");
        // Template previews of three sizes, so that the shown one can be told apart.
        ForceDirectories(MediaDir + "preview");
        const char* Sizes[] = {"64x48", "80x40", "40x40"};
        for (int I = 0; I < 3; ++I)
            MediaMade = MediaMade && Shell(std::string("ffmpeg -nostdin -v error -f lavfi -i color=c=blue:s=") + Sizes[I] +
                                           " -frames:v 1 '" + MediaDir + "preview/" + std::to_string(I + 1) + ".jpg'");
        WriteFile(MediaDir + "s.srt", "1\n00:00:00,000 --> 00:00:01,000\nhello\n");
        MediaMade = MediaMade && Shell("ffmpeg -nostdin -v error -i '" + MediaDir + "s.srt' '" + MediaDir + "subs.mkv'");
        WriteFile(MediaDir + "notes.avi", "just some words, not a video\n");
        WriteFile(MediaDir + "notes.txt", "not listed\n");
    }
    static void TearDownTestSuite() {
        MediaFolder.reset();
    }

    void SetUp() override {
        if (!MediaMade) GTEST_SKIP() << "ffmpeg could not make the test media";
        Root = Scratch.Slashed();
        AppFolder = Root + "app/";
        ForceDirectories(AppFolder + "langs");
        setenv("XDG_DATA_HOME", (Root + "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Root + "config").c_str(), 1);
        // The language file's filters decide what can be added.
        WriteFile(AppFolder + "langs/English.ini",
                  "[Quillmake]\r\nLanguageName=English\r\n[QZAPP_Filters]\r\nVideo Files=*.avi;*.mp4;*.mpg;*.mkv\r\n"
                  "Sound=*.wav\r\n");
        Shell("cp -r '" + MediaDir + "preview' '" + AppFolder + "'");
        TestHooks::Start();
        Started = ProgramStartup(AppFolder);
        ASSERT_TRUE(Started);
        ASSERT_NE(frmMain, nullptr);
        List = frmMain->lsvFiles;
        ASSERT_NE(List, nullptr);
    }
    void TearDown() override {
        if (Started) ProgramShutdown();
        if (!Root.empty()) {
            EXPECT_TRUE(TThread::WaitForAllEnded(5000));
            TestHooks::Stop();
        }
    }
    // A copy of the clip under another name in the test's folder.
    std::string Clip(const std::string& Name) {
        const std::string Path = Root + Name;
        EXPECT_TRUE(Shell("cp '" + MediaDir + "av.mp4' '" + Path + "'"));
        return Path;
    }
    std::vector<std::string> Captions() {
        std::vector<std::string> C;
        for (int I = 0; I < List->Items().Count(); ++I) C.push_back(List->Items().Item(I)->Caption());
        return C;
    }
    TFileItem* FileOf(int Index) { return static_cast<TFileItem*>(List->Items().Item(Index)->Data); }

    TTempFolder Scratch{"tessaro_srclist"};
    std::string Root, AppFolder;
    bool Started = false;
    TListView* List = nullptr;
};

TEST_F(SourceList, AddsProbedFilesAndRefusesTheOthersInOrder) {
    TestHooks::ScriptMessageBoxes({IDOK});
    TStringList Files;
    for (const char* Name : {"av.mp4", "missing.avi", "notes.txt", "notes.avi", "sound.wav"})
        Files.Add(MediaDir + Name);
    frmMain->AddMediaFiles(Files);

    // The missing and the unsupported file go without a word; the text file is refused.
    EXPECT_EQ(Captions(), (std::vector<std::string>{MediaDir + "av.mp4", MediaDir + "sound.wav"}));
    const auto& Boxes = TestHooks::MessageBoxesShown();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Caption, "Error");
    EXPECT_EQ(Boxes[0].Flags & 0xF0, MB_ICONASTERISK);
    // The library opens the text file but finds no play time in it.
    EXPECT_EQ(Boxes[0].Text, "An error occurred while adding file:\r\n\r\nCan not get file \"" + MediaDir +
                                 "notes.avi\" play time.");
    EXPECT_EQ(TestHooks::UnexpectedMessageBoxes(), 0);

    // The clip's sub-items in their order, each what the library reports.
    TListItem* Item = List->Items().Item(0);
    TFileItem* F = FileOf(0);
    ASSERT_NE(F, nullptr);
    EXPECT_EQ(F->FileName, "av.mp4");
    EXPECT_EQ(F->FilePath, MediaDir);
    EXPECT_EQ(Item->ImageIndex(), 0);
    const std::vector<std::string> Expected{F->Format,      F->PlayTime,     F->FileSize,    F->VideoCodec,
                                            F->Width,       F->Height,       F->VideoBitrate, F->AspectRatio,
                                            F->FrameRate,   F->AudioCodec,   F->AudioBitRate, F->Channels,
                                            F->SamplingRate, F->AudioCount,  F->VideoCount,  F->CompleteName};
    ASSERT_EQ(Item->SubItems().Count(), 16);
    for (int I = 0; I < 16; ++I) EXPECT_EQ(Item->SubItems()[I], Expected[I]) << "sub-item " << I;
    EXPECT_EQ(Item->SubItems()[0], "MPEG-4");
    EXPECT_NE(Item->SubItems()[1].find("0:00:02.0"), std::string::npos) << Item->SubItems()[1];
    EXPECT_EQ(PlayTimeToMs(Item->SubItems()[1]) / 100, 20) << Item->SubItems()[1];
    EXPECT_EQ(Item->SubItems()[2], IntToStr(static_cast<int64_t>(FileSizeOf(MediaDir + "av.mp4"))));
    EXPECT_EQ(Item->SubItems()[4], "160");
    EXPECT_EQ(Item->SubItems()[5], "120");
    EXPECT_EQ(Item->SubItems()[13], "1");
    EXPECT_EQ(Item->SubItems()[14], "1");
    EXPECT_EQ(Item->SubItems()[15], MediaDir + "av.mp4");
    // Sound only is accepted.
    TFileItem* S = FileOf(1);
    EXPECT_EQ(S->AudioCount, "1");
    EXPECT_EQ(S->VideoCodec, "");
}

TEST_F(SourceList, RefusalMessagesComeInTheirOrder) {
    // The order of the checks, on probed values as the library can leave them.
    struct Case {
        TFileItem Item;
        const std::string* Key;
    };
    auto Make = [](std::string Name, std::string Size, std::string Time, std::string V, std::string A) {
        TFileItem F;
        F.CompleteName = Name, F.FileSize = Size, F.PlayTime = Time, F.VideoCount = V, F.AudioCount = A;
        return F;
    };
    const Case Cases[] = {
        {Make("", "", "", "0", "0"), &STR_MAIN_AddingError1},
        {Make("x", "", "", "0", "0"), &STR_MAIN_AddingError2},
        {Make("x", "1", "", "0", "0"), &STR_MAIN_AddingError3},
        {Make("x", "1", "0:00:01.000", "0", "0"), &STR_MAIN_AddingError4},
        {Make("x", "1", "0:00:01.000", "0", "1"), nullptr},
        {Make("x", "1", "0:00:01.000", "1", "0"), nullptr},
    };
    for (const Case& C : Cases) EXPECT_EQ(ProbeRefusal(C.Item), C.Key);
    EXPECT_NE(STR_MAIN_AddingError1.find("complete name"), std::string::npos);
    EXPECT_NE(STR_MAIN_AddingError4.find("no audio and video"), std::string::npos);
}

TEST_F(SourceList, AFileWithNeitherSoundNorPictureIsRefused) {
    // The library leaves the stream counts empty, not "0", when a kind is missing.
    TestHooks::ScriptMessageBoxes({IDOK});
    frmMain->AddMediaFile(MediaDir + "subs.mkv");
    EXPECT_EQ(List->Items().Count(), 0);
    const auto& Boxes = TestHooks::MessageBoxesShown();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "An error occurred while adding file:\r\n\r\nFile\"" + MediaDir +
                                 "subs.mkv\" has no audio and video.");
    EXPECT_EQ(Boxes[0].Caption, "Error");
}

TEST_F(SourceList, SamePathOnceOtherLetterCaseAgain) {
    const std::string A = Clip("clip.mp4"), B = Clip("CLIP.mp4");
    frmMain->AddMediaFile(A);
    frmMain->AddMediaFile(A);
    frmMain->AddMediaFile(B);
    EXPECT_EQ(Captions(), (std::vector<std::string>{A, B}));
    EXPECT_TRUE(TestHooks::MessageBoxesShown().empty());
}

TEST_F(SourceList, RemoveClearUpAndDown) {
    const std::string A = Clip("a.mp4"), B = Clip("b.mp4"), C = Clip("c.mp4"), D = Clip("d.mp4");
    for (const std::string& P : {A, B, C, D}) frmMain->AddMediaFile(P);
    ASSERT_EQ(List->Items().Count(), 4);
    TFileItem* DataOfA = FileOf(0);

    // Up on the first and Down on the last change nothing.
    SelectListItem(List, 0);
    frmMain->actUpExecute(nullptr);
    SelectListItem(List, 3);
    frmMain->actDownExecute(nullptr);
    EXPECT_EQ(Captions(), (std::vector<std::string>{A, B, C, D}));

    // Down moves the item with its data and keeps it selected.
    SelectListItem(List, 0);
    frmMain->actDownExecute(nullptr);
    EXPECT_EQ(Captions(), (std::vector<std::string>{B, A, C, D}));
    EXPECT_EQ(FileOf(1), DataOfA);
    ASSERT_NE(List->Selected(), nullptr);
    EXPECT_EQ(List->Selected()->Index(), 1);
    EXPECT_EQ(List->SelCount(), 1);
    EXPECT_EQ(List->Items().Item(1)->SubItems().Count(), 16);
    frmMain->actUpExecute(nullptr);
    EXPECT_EQ(Captions(), (std::vector<std::string>{A, B, C, D}));
    EXPECT_EQ(List->Selected()->Index(), 0);

    // Removing the last two selects the new last item.
    List->ClearSelection();
    List->Items().Item(2)->SetSelected(true);
    List->Items().Item(3)->SetSelected(true);
    frmMain->actRemoveExecute(nullptr);
    EXPECT_EQ(Captions(), (std::vector<std::string>{A, B}));
    ASSERT_NE(List->Selected(), nullptr);
    EXPECT_EQ(List->Selected()->Index(), 1);
    EXPECT_EQ(frmMain->FileItems.size(), 2u);
    // Removing from the middle selects the item now at that place.
    for (const std::string& P : {C, D}) frmMain->AddMediaFile(P);
    List->ClearSelection();
    List->Items().Item(1)->SetSelected(true);
    frmMain->actRemoveExecute(nullptr);
    EXPECT_EQ(Captions(), (std::vector<std::string>{A, C, D}));
    EXPECT_EQ(List->Selected()->Index(), 1);
    // Nothing selected: nothing removed, the meter still refreshed.
    List->ClearSelection();
    frmMain->prgSize->SetWidth(77);
    frmMain->actRemoveExecute(nullptr);
    EXPECT_EQ(List->Items().Count(), 3);
    EXPECT_NE(frmMain->prgSize->Width(), 77);

    frmMain->actClearExecute(nullptr);
    EXPECT_EQ(List->Items().Count(), 0);
    EXPECT_TRUE(frmMain->FileItems.empty());
    EXPECT_EQ(frmMain->prgSize->Width(), 0);
}

TEST_F(SourceList, DragToReorderMovesTheFocusedItem) {
    const std::string A = Clip("a.mp4"), B = Clip("b.mp4"), C = Clip("c.mp4");
    for (const std::string& P : {A, B, C}) frmMain->AddMediaFile(P);
    bool Accept = true;
    frmMain->lsvFilesDragOver(List, frmMain, 0, 0, dsDragMove, Accept);
    EXPECT_FALSE(Accept);
    // A, B, C: drop A's item onto C's place.
    SelectListItem(List, 0);
    TListItem* Target = List->Items().Item(2);
    Target->MakeVisible(false);
    TestHooks::PumpPending();
    // Find a point inside the third row.
    int X = -1, Y = -1;
    for (int Yi = 0; Yi < List->Height() && X < 0; ++Yi)
        for (int Xi = 0; Xi < List->Width() && X < 0; Xi += 8)
            if (List->GetItemAt(Xi, Yi) == Target) X = Xi, Y = Yi;
    ASSERT_GE(X, 0) << "no point over the third row";
    frmMain->lsvFilesDragOver(List, List, X, Y, dsDragMove, Accept);
    EXPECT_TRUE(Accept);
    frmMain->lsvFilesDragDrop(List, List, X, Y);
    EXPECT_EQ(Captions(), (std::vector<std::string>{B, A, C}));
}

TEST_F(SourceList, DropSkipsFoldersAndUnsupportedFilesAndKeepsLongNames) {
    // A folder whose name looks like a video, a text file and a clip behind a
    // path far longer than 256 characters.
    const std::string Folder = Root + "folder.mp4";
    ForceDirectories(Folder);
    std::string Deep = Root;
    for (int I = 0; I < 6; ++I) Deep += std::string(60, static_cast<char>('a' + I)) + "/";
    ForceDirectories(Deep);
    const std::string LongClip = Deep + "clip.mp4";
    ASSERT_GT(LongClip.size(), 300u);
    ASSERT_TRUE(Shell("cp '" + MediaDir + "av.mp4' '" + LongClip + "'"));
    const std::string Short = Clip("short.mp4");

    HDROP Drop = CreateDropFiles({Folder, MediaDir + "notes.txt", LongClip, Short}, POINT{5, 5});
    SendMessageA(frmMain->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(Drop), 0);
    EXPECT_EQ(Captions(), (std::vector<std::string>{LongClip, Short}));
    EXPECT_TRUE(TestHooks::MessageBoxesShown().empty());
    // The last item is selected and the meter counts the two clips.
    ASSERT_NE(List->Selected(), nullptr);
    EXPECT_EQ(List->Selected()->Index(), 1);
    EXPECT_GE(frmMain->prgSize->Width(), 1);
}

TEST_F(SourceList, NamesWithADoubleQuoteAreRefusedAtOnceWithABox) {
    // Through the add path and by a drop: the box names the file and why; the
    // accented name beside it is added.
    const std::string Quoted = Clip("q \"odd\" é.mp4"), Accented = Clip("e-é 日本.mp4");
    TestHooks::ScriptMessageBoxes({IDOK, IDOK});
    TStringList Files;
    Files.Add(Quoted);
    Files.Add(Accented);
    frmMain->AddMediaFiles(Files);
    HDROP Drop = CreateDropFiles({Quoted}, POINT{5, 5});
    SendMessageA(frmMain->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(Drop), 0);
    EXPECT_EQ(Captions(), (std::vector<std::string>{Accented}));
    const auto& Boxes = TestHooks::MessageBoxesShown();
    ASSERT_EQ(Boxes.size(), 2u);
    for (const auto& Box : Boxes) {
        EXPECT_EQ(Box.Text, "An error occurred while adding file:\r\n\r\nThe name of file \"" + Quoted +
                                "\" holds a double quote (\"), which the conversion cannot pass on. Rename the "
                                "file and add it again.");
        EXPECT_EQ(Box.Caption, "Error");
    }
    EXPECT_EQ(TestHooks::UnexpectedMessageBoxes(), 0);
}

TEST_F(SourceList, TheDoubleQuoteRefusalAsTheUserSeesIt) {
    // A fixed folder, so the box's text and picture are the same on every run.
    const std::string Folder = "/tmp/tessaro quote test/";
    ForceDirectories(Folder);
    const std::string Quoted = Folder + "my \"best\" clip.mp4";
    ASSERT_TRUE(Shell("cp '" + MediaDir + "av.mp4' '" + Quoted + "'"));
    bool Seen = false;
    TestHooks::OnNextModalWindow([&](HWND Window) {
        Seen = true;
        // The box as it shows once the skin has given it its frame.
        EXPECT_TRUE(TestHooks::PumpUntil(
            [Window] {
                TSkinnedWindow* S = SkinManager ? SkinManager->FindSkinForm(Window) : nullptr;
                return S && S->State == 1;
            },
            5000, "the message box skinned"));
        TestHooks::PumpPending();
        ExpectWindowMatchesGolden(Window, "ui/refused_quote_name.png");
        PostMessageA(Window, WM_COMMAND, IDOK, 0);
    });
    frmMain->AddMediaFile(Quoted);
    EXPECT_TRUE(Seen);
    EXPECT_EQ(List->Items().Count(), 0);
    { std::error_code Ec; std::filesystem::remove_all(Folder, Ec); }
}

TEST_F(SourceList, SizeMeterFollowsTheEstimate) {
    frmMain->AddMediaFile(Clip("a.mp4"));
    ASSERT_EQ(List->Items().Count(), 1);
    // Quality 10000 kbit/s: the estimate in MB equals the play time in seconds.
    Options.Quality = 10000;
    struct Case {
        const char* PlayTime;
        int64_t SizeMB;
        TColor Color;
        int Width;
        bool Warn;
    };
    const TColor Blue = RGB(35, 126, 216), Orange = RGB(255, 128, 0), Red = RGB(218, 17, 5);
    const Case Cases[] = {
        {"1:10:49.000", 4249, Blue, 322, false},   {"1:10:50.000", 4250, Orange, 323, false},
        {"1:14:42.000", 4482, Orange, 340, false}, {"1:14:43.000", 4483, Red, 340, true},
        {"1:40:00.000", 6000, Red, 380, true},     {"0:00:00.000", 0, Blue, 1, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.PlayTime);
        FileOf(0)->PlayTime = C.PlayTime;
        TestHooks::ScriptMessageBoxes({IDOK});
        const size_t Before = TestHooks::MessageBoxesShown().size();
        frmMain->UpdateSizeMeter();
        EXPECT_EQ(EstimateSize(PlayTimeToMs(C.PlayTime), 10000).SizeMB, C.SizeMB);
        EXPECT_EQ(frmMain->prgSize->BarColorStop(), C.Color);
        EXPECT_EQ(frmMain->prgSize->Width(), C.Width);
        const auto& Boxes = TestHooks::MessageBoxesShown();
        ASSERT_EQ(Boxes.size(), Before + (C.Warn ? 1 : 0));
        if (C.Warn) {
            EXPECT_EQ(Boxes.back().Text, "Note: Burning file is much more than DVD-5 disc.");
            EXPECT_EQ(Boxes.back().Caption, "Warning");
            EXPECT_EQ(Boxes.back().Flags & 0xF0, MB_ICONEXCLAMATION);
        }
    }
    // 60 minutes at 6400 kbit/s: 2304 MB, 175 pixels.
    FileOf(0)->PlayTime = "1:00:00.000";
    Options.Quality = 6400;
    frmMain->UpdateSizeMeter();
    EXPECT_EQ(frmMain->prgSize->Width(), 175);
    EXPECT_EQ(frmMain->prgSize->BarColorStop(), Blue);
}

TEST_F(SourceList, ScaleHasTicksAndTheLimitLines) {
    // The start drew the scale with its lines; a redraw of the labels keeps them.
    frmMain->DrawSizeScale(false);
    TBitmap& Bmp = frmMain->imgSizeBar->Picture().Bitmap();
    ASSERT_GT(Bmp.Width(), 400);
    ASSERT_EQ(Bmp.PixelFormat(), pf24bit);
    auto Pixel = [&Bmp](int X, int Y) {
        const auto* Row = static_cast<const unsigned char*>(Bmp.ScanLine(Y)) + 3 * X;
        return RGB(Row[2], Row[1], Row[0]);
    };
    // Long tick at 0 and 1000 MB, short at 250 MB, the red and yellow lines.
    EXPECT_EQ(Pixel(10, 15), RGB(68, 68, 62));
    EXPECT_EQ(Pixel(86, 15), RGB(68, 68, 62));
    EXPECT_EQ(Pixel(29, 4), RGB(68, 68, 62));
    EXPECT_EQ(Pixel(29, 15), clWhite);
    EXPECT_EQ(Pixel(348, 10), RGB(218, 17, 5));
    EXPECT_EQ(Pixel(333, 10), RGB(247, 200, 10));
    EXPECT_EQ(frmMain->prgSize->Width(), 1);
}

// The meter as a person sees it: the bar starts on the scale's zero tick, runs
// between the short ticks and the labels, ends on the tick of its estimate, and
// the labels stay in sight under it.
TEST_F(SourceList, SizeMeterBarLiesOnTheScaleWithTheLabelsInSight) {
    frmMain->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([] { return frmMain->Showing(); }, 3000, "the main window to show"));
    frmMain->AddMediaFile(Clip("a.mp4"));
    ASSERT_EQ(List->Items().Count(), 1);
    TImage* Img = frmMain->imgSizeBar;
    TGpProgressBar* Bar = frmMain->prgSize;
    TBitmap& Bmp = Img->Picture().Bitmap();
    ASSERT_EQ(Bmp.Width(), Img->Width());
    ASSERT_EQ(Bmp.Height(), Img->Height());
    const TColor Ink = RGB(68, 68, 62), Yellow = RGB(247, 200, 10), Red = RGB(218, 17, 5);
    auto Pixel = [&Bmp](int X, int Y) {
        const auto* Row = static_cast<const unsigned char*>(Bmp.ScanLine(Y)) + 3 * X;
        return RGB(Row[2], Row[1], Row[0]);
    };
    // Read the scale back from what was drawn: the long ticks (every 1000 MB)
    // and the spans of the two limit lines.
    std::vector<int> Long;
    int YellowFirst = -1, YellowLast = -1, RedFirst = -1, RedLast = -1;
    for (int X = 0; X < Bmp.Width(); ++X) {
        if (Pixel(X, 15) == Ink) Long.push_back(X);
        if (Pixel(X, 15) == Yellow) {
            if (YellowFirst < 0) YellowFirst = X;
            YellowLast = X;
        }
        if (Pixel(X, 15) == Red) {
            if (RedFirst < 0) RedFirst = X;
            RedLast = X;
        }
    }
    ASSERT_EQ(Long.size(), 6u);
    ASSERT_GE(YellowFirst, 0);
    ASSERT_GE(RedFirst, 0);

    // The labels lie inside the picture, whole: ink under the long ticks and a
    // blank last row (nothing cut off at the bottom).
    int LabelInk = 0;
    for (int Y = 20; Y < Bmp.Height(); ++Y)
        for (int X = 0; X < Bmp.Width(); ++X) LabelInk += Pixel(X, Y) != clWhite;
    EXPECT_GT(LabelInk, 50);
    int CutOff = 0;
    for (int X = 0; X < Bmp.Width(); ++X) CutOff += Pixel(X, Bmp.Height() - 1) != clWhite;
    EXPECT_EQ(CutOff, 0);
    EXPECT_LE(Img->Top() + Img->Height(), frmMain->pnlSizebar->Height());

    // In window coordinates: the bar's left edge on the zero tick, its band
    // below the short ticks and above the labels.
    const POINT Zero = Img->ClientToScreen(POINT{Long[0], 0});
    const POINT BarOrigin = Bar->ClientToScreen(POINT{0, 0});
    EXPECT_EQ(BarOrigin.x, Zero.x);
    EXPECT_GE(BarOrigin.y, Zero.y + 8);
    EXPECT_LE(BarOrigin.y + Bar->Height(), Zero.y + 20);
    EXPECT_GT(Bar->Height(), 4);

    // Quality 10000 kbit/s: the estimate in MB equals the play time in seconds.
    Options.Quality = 10000;
    auto Estimate = [this](int MB) {
        FileOf(0)->PlayTime = std::to_string(MB / 3600) + ":" + std::to_string(MB / 60 % 60 / 10) +
                              std::to_string(MB / 60 % 10) + ":" + std::to_string(MB % 60 / 10) +
                              std::to_string(MB % 10) + ".000";
        TestHooks::ScriptMessageBoxes({IDOK});
        frmMain->UpdateSizeMeter();
    };
    auto BarEnd = [Bar] { return Bar->ClientToScreen(POINT{Bar->Width(), 0}).x; };  // first column past the bar
    auto Column = [Img](int X) { return Img->ClientToScreen(POINT{X, 0}).x; };
    // Every labelled estimate ends the bar right at its tick; 5000 MB is the
    // scale's full range and anything above stops there.
    for (int K = 1; K <= 5; ++K) {
        SCOPED_TRACE(K * 1000);
        Estimate(K * 1000);
        EXPECT_EQ(BarEnd(), Column(Long[K]));
    }
    Estimate(9000);
    EXPECT_EQ(BarEnd(), Column(Long[5]));
    // The bar's last column reaches the yellow line at 4250 MB, not before, and
    // the red line at the DVD-5's 4482 MB.
    struct Mark {
        int MB, First, Last;
        bool On;
    };
    for (const Mark& M : {Mark{4249, YellowFirst, YellowLast, false}, Mark{4250, YellowFirst, YellowLast, true},
                          Mark{4482, RedFirst, RedLast, true}}) {
        SCOPED_TRACE(M.MB);
        Estimate(M.MB);
        const int Last = BarEnd() - 1;
        EXPECT_EQ(Last >= Column(M.First) && Last <= Column(M.Last), M.On) << Last;
    }

    // On the screen at 4482 MB: every pixel of the label band shows the picture
    // as drawn, the long ticks show above the bar, and the bar's end is filled.
    Estimate(4482);
    TestHooks::PumpPending();
    const std::string Shot = Root + "size_meter.png";
    ASSERT_TRUE(WinSaveWindowPng(frmMain->pnlSizebar->Handle(), Shot));
    TPngImage Png;
    Png.LoadFromFile(Shot);
    const POINT PanelOrigin = frmMain->pnlSizebar->ClientToScreen(POINT{0, 0});
    const POINT ImgAt{Zero.x - Long[0] - PanelOrigin.x, Zero.y - PanelOrigin.y};
    auto Screen = [&Png](int X, int Y) {
        const unsigned char* P = Png.Pixel(X, Y);
        return RGB(P[2], P[1], P[0]);
    };
    ASSERT_GE(Png.Width(), ImgAt.x + Bmp.Width());
    ASSERT_GE(Png.Height(), ImgAt.y + Bmp.Height());
    int Hidden = 0;
    for (int Y = 20; Y < Bmp.Height(); ++Y)
        for (int X = 0; X < Bmp.Width(); ++X) Hidden += Screen(ImgAt.x + X, ImgAt.y + Y) != Pixel(X, Y);
    EXPECT_EQ(Hidden, 0) << "label pixels hidden or changed";
    for (int X : Long) EXPECT_EQ(Screen(ImgAt.x + X, ImgAt.y + 4), Ink) << X;
    const TColor End = Screen(BarOrigin.x - PanelOrigin.x + Bar->Width() - 3, BarOrigin.y - PanelOrigin.y + Bar->Height() / 2);
    EXPECT_GT(GetRValue(End), 200) << std::hex << End;
    EXPECT_LT(GetBValue(End), 80) << std::hex << End;
}

TEST_F(SourceList, AddRunsTheOpenDialogInTheLastFolder) {
    const std::string A = Clip("chosen.mp4");
    Options.LastOpenDir = Root;
    // Cancel adds nothing but still refreshes the meter.
    TestHooks::OnNextModalWindow(
        [](HWND Dlg) { SendMessageW(Dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
    frmMain->prgSize->SetWidth(77);
    frmMain->actAddExecute(nullptr);
    EXPECT_EQ(List->Items().Count(), 0);
    EXPECT_EQ(frmMain->prgSize->Width(), 0);
    // The name typed in the dialog's folder is added and selected.
    TestHooks::OnNextModalWindow([](HWND Dlg) {
        SetDlgItemTextA(Dlg, IDC_FD_NAME, "chosen.mp4");
        SendMessageW(Dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Options.LastOpenDir = Root;
    frmMain->actAddExecute(nullptr);
    ASSERT_EQ(List->Items().Count(), 1);
    EXPECT_EQ(std::filesystem::canonical(List->Items().Item(0)->Caption()), std::filesystem::canonical(A));
    ASSERT_NE(List->Selected(), nullptr);
    EXPECT_EQ(List->Selected()->Index(), 0);
    EXPECT_EQ(std::filesystem::canonical(Options.LastOpenDir), std::filesystem::canonical(Root));
    EXPECT_GE(frmMain->prgSize->Width(), 1);
    EXPECT_TRUE(TestHooks::Failures().empty());
}

TEST_F(SourceList, PlaySourceOpensTheSelectedFileWithTheShell) {
    // A stand-in opener on the path records what it was asked to open.
    const std::string Bin = Root + "bin/", Record = Root + "opened.txt";
    ForceDirectories(Bin);
    WriteFile(Bin + "xdg-open", "#!/bin/sh\necho \"$1\" > '" + Record + ".tmp' && mv '" + Record + ".tmp' '" + Record +
                                    "'\n");
    chmod((Bin + "xdg-open").c_str(), 0755);
    const std::string OldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (Bin + ":" + OldPath).c_str(), 1);
    const std::string A = Clip("a.mp4"), B = Clip("b.mp4");
    frmMain->AddMediaFile(A);
    frmMain->AddMediaFile(B);
    // Nothing selected: nothing opened.
    List->ClearSelection();
    frmMain->actPlaySourceExecute(nullptr);
    SelectListItem(List, 1);
    frmMain->lsvFilesDblClick(List);
    const bool Opened = TestHooks::PumpUntil([&] { return FileExists(Record); }, 5000, "the opener to run").Ok;
    setenv("PATH", OldPath.c_str(), 1);
    ASSERT_TRUE(Opened);
    std::ifstream In(Record);
    std::string Line;
    std::getline(In, Line);
    EXPECT_EQ(Line, B);
}

TEST_F(SourceList, ChosenTemplateChangesThePreviewAndTheTemplateFolder) {
    ASSERT_NE(frmMain->imgViewer, nullptr);
    ASSERT_NE(frmTemplate, nullptr);
    EXPECT_EQ(frmTemplate->Owner(), frmMain);
    // The start shows template 1's preview.
    EXPECT_EQ(Options.TemplateIndex, 1);
    EXPECT_EQ(frmMain->imgViewer->IEBitmap()->Width(), 64);
    EXPECT_EQ(frmMain->imgViewer->BorderStyle(), bsNoBorder);
    EXPECT_EQ(frmMain->imgViewer->BackgroundStyle(), iebsChessboard);
    EXPECT_TRUE(frmMain->imgViewer->AutoFit());

    // Cancel changes nothing.
    TestHooks::OnNextModal([](TCustomForm* F) {
        frmTemplate->imvView->SetSelectedImage(1);
        F->ModalResult = mrCancel;
    });
    frmMain->actChoosetemplateExecute(nullptr);
    EXPECT_EQ(Options.TemplateIndex, 1);
    EXPECT_EQ(frmMain->imgViewer->IEBitmap()->Width(), 64);

    // OK with the third picture: template 3, its preview and its folder.
    TestHooks::OnNextModal([](TCustomForm* F) {
        ASSERT_EQ(frmTemplate->imvView->GetImageCount(), 3);
        frmTemplate->imvView->SetSelectedImage(2);
        F->ModalResult = mrOk;
    });
    frmMain->actChoosetemplateExecute(nullptr);
    EXPECT_EQ(Options.TemplateIndex, 3);
    EXPECT_EQ(frmMain->imgViewer->IEBitmap()->Width(), 40);
    EXPECT_EQ(Options.TemplateDir, AppFolder + "template3/");
    EXPECT_TRUE(TestHooks::Failures().empty());

    // A preview gone from the folder leaves the view empty on the next activation.
    DeleteFile(AppFolder + "preview/3.jpg");
    MainFormShown = true;
    frmMain->FormActivate(frmMain);
    EXPECT_LE(frmMain->imgViewer->IEBitmap()->Width(), 1);
}

}  // namespace
