// The program's start, the main window's layout, actions, locking and
// language switch, and the settings, about and log dialogs, on the headless
// screen with a program folder made by each test.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include <sys/stat.h>

#include "burning/burn_engine.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "controls/golden_png.h"
#include "pipeline/progress_dialogs.h"
#include "platform/classlib/pngimage.h"
#include "platform/classlib/testhooks.h"
#include "platform/classlib/threads.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/sysutils.h"
#include "platform/commctl/commctrl.h"
#include "platform/commctl/shlobj_dialogs.h"
#include "platform/win/winscreen.h"
#include "skin/skin_data.h"
#include "unicode/unicodestartup.h"
#include "unicode/uniforms.h"
#include "unicode/widestrings.h"
#include "imaging/views/ieimageview.h"
#include "ui/about_wnd.h"
#include "ui/log_wnd.h"
#include "ui/main_form.h"
#include "ui/program.h"
#include "ui/settings_wnd.h"
#include "temp_folder.h"

namespace {

std::string ReadFile(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
}

void WriteFile(const std::string& Path, const std::string& Text) {
    std::ofstream Out(Path, std::ios::binary);
    Out << Text;
}

std::string IniValue(const std::string& File, const std::string& Section, const std::string& Key) {
    TIniFile Ini(File);
    return Ini.ReadString(Section, Key, "<none>");
}

// A fresh program folder (with its language folder unless told otherwise),
// the application objects and the program started in it.
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Root = Scratch.Slashed();
        AppFolder = Root + "app/";
        ForceDirectories(AppFolder);
        // Keep the temporary folder the options make out of the user's home.
        setenv("XDG_DATA_HOME", (Root + "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Root + "config").c_str(), 1);
        TestHooks::Start();
    }
    void TearDown() override {
        if (Started) ProgramShutdown();
        EXPECT_TRUE(TThread::WaitForAllEnded(5000));
        TestHooks::Stop();
    }
    static void DeleteTree(const std::string& Path) {
        std::error_code Ec;
        std::filesystem::remove_all(Path, Ec);
    }
    void Start(bool WithLangs = true) {
        if (WithLangs) ForceDirectories(AppFolder + "langs");
        Started = ProgramStartup(AppFolder);
        ASSERT_TRUE(Started);
        ASSERT_NE(frmMain, nullptr);
    }
    void ShowMain() {
        frmMain->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([] { return frmMain->Showing(); }, 3000, "the main window to show"));
        SetForegroundWindow(frmMain->Handle());
        TestHooks::PumpPending();
    }
    TTempFolder Scratch{"tessaro_ui"};
    std::string Root, AppFolder;
    bool Started = false;
};

TEST_F(MainWindow, StartsInAnEmptyProgramFolder) {
    Start();
    // config.ini gets the default title; the English file is written from memory.
    EXPECT_EQ(IniValue(AppFolder + "config.ini", "VideoAPP_Form", "AppTitle"), "Tessaro");
    EXPECT_TRUE(FileExists(AppFolder + "langs/English.ini"));
    EXPECT_EQ(CurrentLanguageFile, AppFolder + "langs/English.ini");
    EXPECT_EQ(Application->MainForm(), frmMain);
    EXPECT_EQ(frmMain->Caption(), "Tessaro");
    EXPECT_EQ(Application->Title(), "Tessaro");
    // Start-up made the hidden application window; it carries the title.
    ASSERT_NE(Application->ApplicationWindow(), nullptr);
    char AppText[32]{};
    GetWindowTextA(Application->ApplicationWindow(), AppText, sizeof AppText);
    EXPECT_STREQ(AppText, "Tessaro");
    EXPECT_EQ(ProductTitle, "Tessaro");
    // The dialogs are made, owned by the main window.
    ASSERT_NE(frmSettings, nullptr);
    ASSERT_NE(frmAbout, nullptr);
    ASSERT_NE(frmLog, nullptr);
    EXPECT_EQ(frmSettings->Owner(), frmMain);
    EXPECT_EQ(frmAbout->Owner(), frmMain);
    EXPECT_EQ(frmLog->Owner(), frmMain);
    ASSERT_NE(frmProgress, nullptr);
    ASSERT_NE(frmProgressOther, nullptr);
    EXPECT_EQ(frmProgress->Owner(), frmMain);
    EXPECT_EQ(frmProgressOther->Owner(), frmMain);
    // The form stores the no-menu box checked; the start clears it through its
    // click handler: the run starts with menus, unlocked.
    EXPECT_FALSE(frmMain->chkCreateNoMenuDVD->Checked());
    EXPECT_FALSE(NoMenuDvd);
    EXPECT_EQ(frmMain->chkCreateNoMenuDVD->Caption(), IDS_Main_chk_CreateNoMenuDVD);
    EXPECT_EQ(frmMain->chkCreateNoMenuDVD->Hint, IDS_Main_chk_CreateNoMenuDVDHint);
    EXPECT_TRUE(frmMain->chkCreateNoMenuDVD->ShowHint);
    EXPECT_TRUE(frmMain->actChoosetemplate->Enabled());
    EXPECT_TRUE(frmMain->actBurn->Enabled());
    EXPECT_TRUE(frmMain->lsvFiles->Enabled());
    // The Languages menu lists the one file, checked.
    ASSERT_EQ(frmMain->mniSettingsLanguage->Count(), 1);
    EXPECT_EQ(frmMain->mniSettingsLanguage->Items(0)->Caption(), "English");
    EXPECT_TRUE(frmMain->mniSettingsLanguage->Items(0)->Checked());
    // The skin stored with the main window is parsed at the start.
    auto* Skin = frmMain->Find<TSkinData>("SkinData");
    ASSERT_NE(Skin, nullptr);
    EXPECT_FALSE(Skin->SkinEmpty);
}

TEST_F(MainWindow, TheStartReadsTheUnicodeLayersValuesAndTheEndStopsIt) {
    IsUnicodePlatform = false;
    DefaultCodePage = 0;
    Start();
    EXPECT_TRUE(UnicodeLayerStarted());
    EXPECT_TRUE(IsUnicodePlatform);
    EXPECT_EQ(DefaultCodePage, 3u);
    EXPECT_TRUE(WideCharHookInstalled());
    ASSERT_NE(UniApplication, nullptr);
    // The first message the hook sees puts the idle control on the main window, once.
    auto idleControls = [] {
        int n = 0;
        for (int i = 0; i < frmMain->ControlCount(); ++i)
            if (dynamic_cast<TUniAppIdleEventControl*>(frmMain->Controls(i))) ++n;
        return n;
    };
    for (int round = 0; round < 2; ++round) {
        PostMessageW(frmMain->Handle(), WM_NULL, 0, 0);
        TestHooks::PumpPending();
        EXPECT_EQ(idleControls(), 1);
    }
    ProgramShutdown();
    Started = false;
    EXPECT_FALSE(UnicodeLayerStarted());
    EXPECT_FALSE(WideCharHookInstalled());
    EXPECT_EQ(UniApplication, nullptr);
}

TEST_F(MainWindow, WithoutALanguageFolderTheStartEndsAfterConfigIni) {
    TestHooks::ScriptMessageBoxes({IDOK});
    EXPECT_FALSE(ProgramStartup(AppFolder));
    EXPECT_EQ(frmMain, nullptr);
    EXPECT_EQ(IniValue(AppFolder + "config.ini", "VideoAPP_Form", "AppTitle"), "Tessaro");
    ASSERT_EQ(TestHooks::MessageBoxesShown().size(), 1u);
}

TEST_F(MainWindow, DiscLabelBoxShowsTheLanguageDefaultAndTheBurnerTheSavedLabel) {
    WriteFile(AppFolder + "options.ini", "[QZOptions]\r\nDVDLabel=HOLIDAY\r\n");
    Start();
    EXPECT_EQ(frmMain->txtDiscLabel->Text(), IDS_Main_DVDLabel);
    EXPECT_EQ(Options.DVDLabel, IDS_Main_DVDLabel);
    ASSERT_NE(frmMain->Burner, nullptr);
}

TEST_F(MainWindow, ComponentsStandWhereTheyArePlaced) {
    Start();
    EXPECT_EQ(frmMain->ClientWidth(), 742);
    EXPECT_EQ(frmMain->ClientHeight(), 520);
    EXPECT_EQ(frmMain->BorderStyle(), bsSingle);
    EXPECT_EQ(frmMain->Color(), clWhite);
    EXPECT_EQ(frmMain->Font().Name(), "Tahoma");
    struct Place {
        const char* Name;
        int L, T, W, H;
    };
    const Place Places[] = {
        {"PanelTop", 0, 0, 742, 41},      {"lsvFiles", 2, 41, 436, 236},  {"pnlLeft", 448, 41, 297, 284},
        {"pnlSizebar", 2, 281, 438, 42},  {"pnlBurner", 1, 326, 440, 174}, {"btnAdd", 8, 6, 110, 27},
        {"btnRemove", 124, 6, 110, 27},   {"btnUp", 239, 6, 130, 27},     {"btnDown", 372, 6, 130, 27},
        {"btnSettings", 509, 6, 120, 27}, {"btnHelp", 635, 6, 96, 27},    {"btnBurn", 544, 364, 98, 69},
        {"btnChooseAnotherTemplate", 38, 5, 220, 34}, {"imgSizeBar", 0, 0, 438, 36}, {"prgSize", 10, 9, 0, 11},
        {"chkCreateNoMenuDVD", 474, 326, 161, 19},
    };
    // The size meter's bar starts on the scale's zero tick and runs between its
    // short ticks and its labels, as wide as the estimate: nothing with an empty list.
    for (const Place& P : Places) {
        TControl* C = TestHooks::FindControlByName(frmMain, P.Name);
        ASSERT_NE(C, nullptr) << P.Name;
        EXPECT_EQ(C->Left(), P.L) << P.Name;
        EXPECT_EQ(C->Top(), P.T) << P.Name;
        EXPECT_EQ(C->Width(), P.W) << P.Name;
        EXPECT_EQ(C->Height(), P.H) << P.Name;
    }
    // The status bar takes the bottom at the height its font asks.
    EXPECT_EQ(frmMain->StatusBar->Align(), alBottom);
    EXPECT_EQ(frmMain->StatusBar->Top() + frmMain->StatusBar->Height(), 520);
    EXPECT_EQ(frmMain->StatusBar->Width(), 742);
    // Bound to their actions; the help button follows the right edge.
    EXPECT_EQ(frmMain->btnAdd->Action(), frmMain->actAdd);
    EXPECT_EQ(frmMain->btnBurn->Action(), frmMain->actBurn);
    EXPECT_EQ(frmMain->btnChooseAnotherTemplate->Action(), frmMain->actChoosetemplate);
    EXPECT_TRUE(frmMain->btnHelp->Anchors().Contains(akRight));
    EXPECT_FALSE(frmMain->lblShowLog->Visible());
    ASSERT_EQ(frmMain->lsvFiles->Columns().Count(), 2);
    EXPECT_EQ(frmMain->lsvFiles->Columns().Items(0)->Caption(), "File Name");
    EXPECT_EQ(frmMain->lsvFiles->Columns().Items(0)->Width(), 300);
    EXPECT_EQ(frmMain->lsvFiles->Columns().Items(1)->Width(), 100);
    EXPECT_TRUE(frmMain->lsvFiles->MultiSelect());
    EXPECT_TRUE(frmMain->lsvFiles->RowSelect());
    EXPECT_EQ(frmMain->lsvFiles->ViewStyle(), vsReport);
    EXPECT_EQ(frmMain->lsvFiles->PopupMenu(), frmMain->mnuListView);
    EXPECT_EQ(frmMain->lsvFiles->SmallImages(), frmMain->ImgListIcon);
    EXPECT_EQ(frmMain->ImgListIcon->Width(), 20);
    EXPECT_EQ(frmMain->ImgListIcon->Height(), 18);
    ASSERT_EQ(frmMain->StatusBar->Panels().Count(), 2);
    EXPECT_EQ(frmMain->StatusBar->Panels().Items(0)->Width(), 440);
    EXPECT_EQ(frmMain->StatusBar->Panels().Items(1)->Width(), 50);
    // The menus in their order, separators included.
    auto Captions = [](TMenuItem* M) {
        std::string S;
        for (int I = 0; I < M->Count(); ++I) S += (I ? "|" : "") + M->Items(I)->Caption();
        return S;
    };
    EXPECT_EQ(Captions(frmMain->mniFile), "Add|Delete|-|Up|Down|-|Burn|-|Exit");
    EXPECT_EQ(Captions(frmMain->mniSettings), "Settings...|Erase|Burn VIDEO_TS|-|Language");
    EXPECT_FALSE(frmMain->mniSettings->Items(3)->Visible());
    EXPECT_EQ(Captions(frmMain->mniHelp),
              "Help Contents|Quick Start...|-|Online Resources...|Contact Technical Support...|-|About...");
    EXPECT_EQ(Captions(frmMain->mnuListView->Items()), "Add|Delete|-|Up|Down|-|Clear");
}

TEST_F(MainWindow, ScreenshotMatchesTheGoldenPicture) {
    Start();
    ShowMain();
    const std::string Actual = TestHooks::Screenshot("main_window_actual");
    ASSERT_TRUE(SaveWindowAsShownPng(frmMain->Handle(), Actual));
    const std::string Golden = std::string(TESSARO_TEST_DATA) + "/ui/main_window.png";
    if (std::getenv("TESSARO_UPDATE_GOLDEN")) WriteFile(Golden, ReadFile(Actual));
    TPngImage A, G;
    A.LoadFromFile(Actual);
    ASSERT_TRUE(FileExists(Golden)) << Golden;
    G.LoadFromFile(Golden);
    ASSERT_EQ(A.Width(), G.Width());
    ASSERT_EQ(A.Height(), G.Height());
    int Diff = 0;
    for (int Y = 0; Y < A.Height(); ++Y)
        for (int X = 0; X < A.Width(); ++X)
            if (std::memcmp(A.Pixel(X, Y), G.Pixel(X, Y), 3) != 0) ++Diff;
    EXPECT_EQ(Diff, 0) << "pixels differ; the window is saved at " << Actual;
}

TEST_F(MainWindow, EachActionRunsFromItsMenuItemAndShortcut) {
    Start();
    ShowMain();
    struct Row {
        TAction* Action;
        TMenuItem* Item;
        TMenuItem* Popup;
        const char* Shortcut;
    };
    TfrmMain* F = frmMain;
    // A middle item selected: the list's own update leaves every list action on.
    for (const char* N : {"a.avi", "b.avi", "c.avi"}) F->lsvFiles->Items().Add()->SetCaption(N);
    F->lsvFiles->Items()[1]->SetSelected(true);
    const Row Rows[] = {
        {F->actAdd, F->mniFileAdd, F->mniAdd, "Ctrl+O"},
        {F->actRemove, F->mniFileDelete, F->mniDelete, "Del"},
        {F->actClear, nullptr, F->mniClear, "Shift+Del"},
        {F->actUp, F->mniFileUp, F->mniUp, "Ctrl+U"},
        {F->actDown, F->mniFileDown, F->mniDown, "Ctrl+D"},
        {F->actBurn, F->mniFileBurn, nullptr, "F9"},
        {F->actExit, F->mniFileExit, nullptr, ""},
        {F->actHelp, F->mniHelpContents, nullptr, "F1"},
        {F->actSettings, F->mniSettingsSettings, nullptr, "F2"},
        {F->actAbout, F->mniHelpAbout, nullptr, ""},
        {F->actQuickStart, F->mniHelpQuickStart, nullptr, ""},
        {F->actOnlineResources, F->mniHelpOnlineResources, nullptr, ""},
        {F->actContactTechnicalSupport, F->mniHelpTechnicalSupport, nullptr, ""},
        {F->ActErase, F->mniSettingsErase, nullptr, ""},
        {F->actBurnVideoTS, F->mniSettingsBurnVideoTS, nullptr, ""},
    };
    // The buttons run their actions when clicked.
    const std::pair<TQemButton*, TAction*> Buttons[] = {
        {F->btnAdd, F->actAdd},           {F->btnRemove, F->actRemove}, {F->btnUp, F->actUp},
        {F->btnDown, F->actDown},         {F->btnSettings, F->actSettings}, {F->btnHelp, F->actHelp},
        {F->btnChooseAnotherTemplate, F->actChoosetemplate}, {F->btnBurn, F->actBurn},
    };
    for (auto [Button, Action] : Buttons) {
        SCOPED_TRACE(Button->Name());
        int Runs = 0;
        Action->OnExecute = [&Runs](TObject*) { ++Runs; };
        TestHooks::Click(Button);
        EXPECT_TRUE(TestHooks::PumpUntil([&] { return Runs == 1; }, 2000, Button->Name()));
        Action->OnExecute = nullptr;
    }
    for (const Row& R : Rows) {
        ASSERT_NE(R.Action, nullptr);
        SCOPED_TRACE(R.Action->Name());
        int Runs = 0;
        R.Action->OnExecute = [&Runs](TObject*) { ++Runs; };
        R.Action->SetEnabled(true);
        EXPECT_EQ(ShortCutToText(R.Action->ShortCut()), R.Shortcut);
        if (R.Item) {
            EXPECT_EQ(R.Item->Action(), R.Action);
            SendMessageA(F->Handle(), WM_COMMAND, R.Item->Command(), 0);
            EXPECT_EQ(Runs, 1) << "menu item";
        }
        if (R.Popup) {
            EXPECT_EQ(R.Popup->Action(), R.Action);
            R.Popup->Click();
            EXPECT_EQ(Runs, R.Item ? 2 : 1) << "popup item";
        }
        if (*R.Shortcut) {
            const int Before = Runs;
            const TShortCut S = R.Action->ShortCut();
            TestHooks::PressKey(S & 0xFF, S & scShift, S & scCtrl, S & scAlt);
            EXPECT_TRUE(TestHooks::PumpUntil([&] { return Runs == Before + 1; }, 2000, R.Shortcut)) << R.Shortcut;
        }
        R.Action->OnExecute = nullptr;
    }
}

TEST_F(MainWindow, RunningStateLocksExactlyTheListedControls) {
    Start();
    TfrmMain* F = frmMain;
    const std::vector<TAction*> Locked = {F->actAdd,      F->actRemove,      F->actClear,  F->actUp,
                                          F->actDown,     F->actExit,        F->actSettings, F->actBurnVideoTS,
                                          F->ActErase,    F->actBurn,        F->actChoosetemplate};
    const std::vector<TAction*> Free = {F->actHelp,          F->actQuickStart, F->actOnlineResources,
                                        F->actContactTechnicalSupport, F->actAbout, F->actPlaySource};
    const std::vector<TControl*> FreeControls = {F->cmbDevice,      F->cmbModes,    F->cmbBurnSpeed,
                                                 F->txtDiscLabel,   F->btnRefresh,  F->pnlBurner,
                                                 F->chkBufferProtect, F->ckbCloseDisc, F->chkEjectAfter,
                                                 F->chkTestMode,    F->ckbCDROMXA,  F->ckbSOPC};
    F->SetRunningState(true);
    for (TAction* A : Locked) EXPECT_FALSE(A->Enabled()) << A->Name();
    EXPECT_FALSE(F->lsvFiles->Enabled());
    EXPECT_FALSE(F->chkCreateNoMenuDVD->Enabled());
    for (TAction* A : Free) EXPECT_TRUE(A->Enabled()) << A->Name();
    for (TControl* C : FreeControls) EXPECT_TRUE(C->Enabled()) << C->Name();
    EXPECT_TRUE(F->mniSettingsLanguage->Enabled());
    F->SetRunningState(false);
    for (TAction* A : Locked) EXPECT_TRUE(A->Enabled()) << A->Name();
    EXPECT_TRUE(F->lsvFiles->Enabled());
    EXPECT_TRUE(F->chkCreateNoMenuDVD->Enabled());
    // Without menus the template stays unchosen after the run.
    F->chkCreateNoMenuDVD->SetChecked(true);
    EXPECT_TRUE(NoMenuDvd);
    EXPECT_FALSE(F->actChoosetemplate->Enabled());
    F->SetRunningState(true);
    F->SetRunningState(false);
    EXPECT_FALSE(F->actChoosetemplate->Enabled());
    F->chkCreateNoMenuDVD->SetChecked(false);
    EXPECT_FALSE(NoMenuDvd);
    EXPECT_TRUE(F->actChoosetemplate->Enabled());
}

TEST_F(MainWindow, BackgroundAndPanelsDragTheWindow) {
    Start();
    ShowMain();
    TfrmMain* F = frmMain;
    int Moves = 0;
    auto Old = F->WindowProc;
    // The move loop itself is the window layer's; here only the request counts.
    F->WindowProc = [&](TMessage& M) {
        if (M.Msg == WM_SYSCOMMAND && M.WParam == 0xF012) {
            ++Moves;
            return;
        }
        Old(M);
    };
    struct Spot {
        TControl* Where;
        POINT P;  // client point of Where
    };
    const Spot Spots[] = {
        {F, {700, 480}},          {F->PanelTop, {4, 4}},     {F->pnlLeft, {200, 120}},
        {F->pnlSizebar, {10, 41}}, {F->pnlBurner, {420, 165}}, {F->pnlChooseButton, {5, 5}},
    };
    for (const Spot& S : Spots) {
        SCOPED_TRACE(S.Where->Name());
        const int Before = Moves;
        TestHooks::Click(S.Where->ClientToScreen(S.P));
        EXPECT_TRUE(TestHooks::PumpUntil([&] { return Moves == Before + 1; }, 2000, "the move request"));
    }
    F->WindowProc = Old;
}

TEST_F(MainWindow, AStartThatWaitsForThePaintScansAndShowsThePreviewAfterIt) {
    ForceDirectories(AppFolder + "preview");
    if (std::system(("ffmpeg -nostdin -v error -f lavfi -i color=c=blue:s=64x48 -frames:v 1 '" + AppFolder +
                     "preview/1.jpg'")
                        .c_str()) != 0)
        GTEST_SKIP() << "ffmpeg could not make a preview";
    ForceDirectories(AppFolder + "langs");
    Started = ProgramStartup(AppFolder, TStartWork::AfterFirstPaint);
    ASSERT_TRUE(Started);
    TfrmMain* F = frmMain;
    // The window is made with everything else of FormCreate, but not scanned yet.
    EXPECT_TRUE(F->StartWorkPending);
    EXPECT_EQ(F->cmbDevice->Items().Count(), 0);
    EXPECT_NE(F->imgViewer->IEBitmap()->Width(), 64);
    EXPECT_EQ(F->Caption(), "Tessaro");
    EXPECT_EQ(F->txtDiscLabel->Text(), IDS_Main_DVDLabel);
    EXPECT_FALSE(F->chkCreateNoMenuDVD->Checked());
    // What the window went through: its paints, and its input closed and opened
    // again around the scan, with what it held each time.
    // The recorder stays in the chain (the skin subclasses the form after it),
    // and stops recording once the start work is done.
    auto Record = std::make_shared<bool>(true);
    auto SeenBox = std::make_shared<std::vector<std::string>>();
    const TWndMethod Old = F->WindowProc;
    F->WindowProc = [F, Old, Record, SeenBox](TMessage& M) {
        std::vector<std::string>& Seen = *SeenBox;
        if (*Record) {
            const std::string Held = "(" + std::to_string(F->cmbDevice->Items().Count()) + " drives, " +
                                     (F->imgViewer->IEBitmap()->Width() == 64 ? "preview" : "no preview") + ")";
            if (M.Msg == WM_PAINT && (Seen.empty() || Seen.back().rfind("paint", 0) != 0))
                Seen.push_back("paint" + Held);
            if (M.Msg == WM_ENABLE) Seen.push_back((M.WParam ? "enabled" : "disabled") + Held);
        }
        Old(M);
    };
    ShowMain();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return !F->StartWorkPending; }, 10000, "the start work"));
    *Record = false;
    const std::vector<std::string> Seen = *SeenBox;
    ASSERT_GE(Seen.size(), 3u);
    EXPECT_EQ(Seen[0], "paint(0 drives, no preview)");
    EXPECT_EQ(Seen[1], "disabled(0 drives, no preview)");
    const int Drives = F->cmbDevice->Items().Count();
    EXPECT_EQ(Seen[2], "enabled(" + std::to_string(Drives) + " drives, no preview)");
    // The scan's outcome is the one of a start that scans in FormCreate.
    ASSERT_GE(Drives, 1);
    EXPECT_EQ(F->DeviceNumber, Drives);
    EXPECT_EQ(F->cmbDevice->ItemIndex(), Drives - 1);
    EXPECT_EQ(F->cmbBurnSpeed->Items().Count(), F->Burner->WriteSpeeds->Count());
    EXPECT_EQ(F->StatusBar->Panels().Items(1)->Text().rfind(
                  DiscTypeName(static_cast<DISC_TYPE>(F->SelectedDiscType)) + ", Used Space:", 0),
              0u);
    // The scan's status texts went to the log only, as before the window was up.
    EXPECT_NE(F->StatusBar->Panels().Items(0)->Text(), IDS_Main_Info_RefreshDevice);
    EXPECT_TRUE(IsWindowEnabled(F->Handle()));
    EXPECT_EQ(GetActiveWindow(), F->Handle());
    EXPECT_EQ(F->imgViewer->IEBitmap()->Width(), 64);
    // Later activations load the preview again, as always.
    DeleteFile(AppFolder + "preview/1.jpg");
    F->FormActivate(F);
    EXPECT_LE(F->imgViewer->IEBitmap()->Width(), 1);
    EXPECT_TRUE(TestHooks::MessageBoxesShown().empty());
}

TEST_F(MainWindow, OpenDialogTakesItsFilterFromTheLanguageFile) {
    ForceDirectories(AppFolder + "langs");
    WriteFile(AppFolder + "langs/English.ini", "[QZAPP_Filters]\r\nVideo Files=*.avi;*.mpg\r\n");
    Start();
    EXPECT_EQ(frmMain->dlgOpen->Filter, "Video Files|*.avi;*.mpg|All Files|*.*");
    EXPECT_TRUE(frmMain->dlgOpen->Options.Contains(ofAllowMultiSelect));
    EXPECT_TRUE(frmMain->dlgOpen->Options.Contains(ofHideReadOnly));
    EXPECT_TRUE(frmMain->dlgOpen->Options.Contains(ofEnableSizing));
}

TEST_F(MainWindow, DrivePanelShowsTheWriterAndReadsTheOptionsBack) {
    Start();
    TfrmMain* F = frmMain;
    TsbBurner& B = *F->Burner;
    // The image recorder is always there: one DVD writer, chosen at start.
    ASSERT_GE(F->cmbDevice->Items().Count(), 1);
    EXPECT_EQ(F->DeviceNumber, F->cmbDevice->Items().Count());
    EXPECT_EQ(F->cmbDevice->ItemIndex(), F->DeviceNumber - 1);
    EXPECT_EQ(F->cmbBurnSpeed->Items().Count(), B.WriteSpeeds->Count());
    if (B.WriteSpeeds->Count() > 0) {
        EXPECT_EQ(F->cmbBurnSpeed->ItemIndex(), 0);
        EXPECT_EQ(F->cmbBurnSpeed->Items()[0], B.WriteSpeeds->GetItem(0)->StrSpeed);
    }
    // A DVD lists Track-At-Once only.
    if (IsDvdMedia(static_cast<DISC_TYPE>(F->SelectedDiscType))) {
        ASSERT_EQ(F->cmbModes->Items().Count(), 1);
        EXPECT_EQ(F->cmbModes->Items()[0], IDS_Burn_Mode_TrackAtOnce);
        EXPECT_EQ(F->TaoModeIndex, 0);
        EXPECT_EQ(F->DaoRawModeIndex, -1);
        EXPECT_EQ(F->DaoPqModeIndex, -1);
        EXPECT_EQ(F->SaoModeIndex, -1);
    }
    const std::string Space = F->StatusBar->Panels().Items(1)->Text();
    EXPECT_EQ(Space.rfind(DiscTypeName(static_cast<DISC_TYPE>(F->SelectedDiscType)) + ", Used Space:", 0), 0u)
        << Space;
    // Read back: test mode switches the calibration off, the closing box ends sessions.
    F->chkTestMode->SetChecked(true);
    F->ckbSOPC->SetChecked(true);
    F->ckbSOPC->SetEnabled(false);
    F->ckbCloseDisc->SetChecked(true);
    F->chkEjectAfter->SetChecked(false);
    F->txtDiscLabel->SetText("TRIP");
    F->cmbModes->SetItemIndex(F->TaoModeIndex);
    F->ApplyBurnOptions();
    EXPECT_TRUE(B.BurnOptions.TestMode);
    EXPECT_FALSE(B.BurnOptions.OPC);
    EXPECT_FALSE(B.BurnOptions.NextSessionAllowed);
    EXPECT_FALSE(B.BurnOptions.EjectAfterBurn);
    EXPECT_EQ(B.BurnOptions.WriteMode, 7);
    EXPECT_EQ(Options.DVDLabel, "TRIP");
    // Shown again from the engine's record.
    F->ShowBurnOptions();
    EXPECT_TRUE(F->chkTestMode->Checked());
    EXPECT_FALSE(F->ckbSOPC->Enabled());
    EXPECT_TRUE(F->ckbCloseDisc->Checked());
    EXPECT_EQ(F->txtDiscLabel->Text(), "TRIP");
}

TEST_F(MainWindow, ListStateDrivesTheEditActions) {
    Start();
    TfrmMain* F = frmMain;
    ShowMain();
    struct Case {
        int Items;
        int Selected;  // -1: none
        bool Remove, Clear, Up, Down;
    };
    const Case Cases[] = {
        {0, -1, false, false, false, false},
        {1, 0, true, true, false, false},  // the only item
        {3, -1, false, true, false, false},
        {3, 0, true, true, false, true},
        {3, 1, true, true, true, true},
        {3, 2, true, true, true, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Items << " items, selected " << C.Selected);
        F->lsvFiles->Items().Clear();
        for (int I = 0; I < C.Items; ++I) F->lsvFiles->Items().Add()->SetCaption("f" + IntToStr(I) + ".avi");
        F->lsvFiles->ClearSelection();
        if (C.Selected >= 0) F->lsvFiles->Items()[C.Selected]->SetSelected(true);
        bool Handled = true;
        F->aclMainUpdate(F->actRemove, Handled);
        EXPECT_FALSE(Handled);
        EXPECT_EQ(F->actRemove->Enabled(), C.Remove);
        EXPECT_EQ(F->actClear->Enabled(), C.Clear);
        EXPECT_EQ(F->actUp->Enabled(), C.Up);
        EXPECT_EQ(F->actDown->Enabled(), C.Down);
    }
}

TEST_F(MainWindow, LanguagesMenuSwitchesTheLanguage) {
    ForceDirectories(AppFolder + "langs");
    WriteFile(AppFolder + "langs/Deutsch.ini",
              "[Quillmake]\r\nLanguageName=Deutsch\r\nSTR_MAIN_mnuFile=Datei\r\nSTR_MAIN_lblWriters=Brenner:\r\n"
              "STR_MAIN_mniFile_Exit=Beenden\r\nSTR_MAIN_lsvFiles_Captain=Dateiname\r\n"
              "IDS_Main_DVDLabel=MEINE_DVD\r\nIDS_Main_act_Erase=L\xC3\xB6schen\r\n");
    Start();
    TfrmMain* F = frmMain;
    ASSERT_EQ(F->mniSettingsLanguage->Count(), 2);
    TMenuItem* German = nullptr;
    TMenuItem* English = nullptr;
    for (int I = 0; I < 2; ++I) {
        TMenuItem* M = F->mniSettingsLanguage->Items(I);
        (M->Caption() == "Deutsch" ? German : English) = M;
    }
    ASSERT_NE(German, nullptr);
    ASSERT_NE(English, nullptr);
    EXPECT_TRUE(English->Checked());
    EXPECT_FALSE(German->Checked());
    SendMessageA(F->Handle(), WM_COMMAND, German->Command(), 0);
    EXPECT_TRUE(German->Checked());
    EXPECT_FALSE(English->Checked());
    EXPECT_EQ(IniValue(AppFolder + "config.ini", "VideoAPP_Form", "LanguageFile"), "Deutsch.ini");
    EXPECT_EQ(CurrentLanguageFile, AppFolder + "langs/Deutsch.ini");
    EXPECT_EQ(F->mniFile->Caption(), "Datei");
    EXPECT_EQ(F->mniFileExit->Caption(), "Beenden");
    EXPECT_EQ(F->lblWriters->Caption(), "Brenner:");
    EXPECT_EQ(F->lsvFiles->Columns().Items(0)->Caption(), "Dateiname");
    EXPECT_EQ(F->mniSettingsErase->Caption(), "L\xC3\xB6schen");
    EXPECT_EQ(Options.DVDLabel, "MEINE_DVD");
    EXPECT_EQ(HelpFile, AppFolder + "langs/Deutsch_help.chm");
    EXPECT_EQ(ProfileDir, AppFolder + "langs/Deutsch_Profile/");
    // Back to English: the texts missing from the other file were kept, the
    // English file has them all.
    SendMessageA(F->Handle(), WM_COMMAND, English->Command(), 0);
    EXPECT_EQ(IniValue(AppFolder + "config.ini", "VideoAPP_Form", "LanguageFile"), "English.ini");
    EXPECT_EQ(F->mniFile->Caption(), "File");
    EXPECT_EQ(F->lblWriters->Caption(), "Writers:");
}

TEST_F(MainWindow, OfTwoLanguagesWithOneNameTheLaterIsTaken) {
    ForceDirectories(AppFolder + "langs");
    for (const char* N : {"First.ini", "Second.ini"})
        WriteFile(AppFolder + "langs/" + N, "[Quillmake]\r\nLanguageName=Same\r\n");
    Start();
    TfrmMain* F = frmMain;
    ASSERT_EQ(F->mniSettingsLanguage->Count(), 3);
    int Later = -1;
    for (int I = 0; I < F->Languages->GetCount(); ++I)
        if (F->Languages->GetLanguageName(I) == "Same") Later = I;
    ASSERT_GE(Later, 0);
    for (int I = 0; I < 3; ++I) {
        TMenuItem* Item = F->mniSettingsLanguage->Items(I);
        if (Item->Caption() != "Same") continue;
        Item->Click();
        EXPECT_EQ(CurrentLanguageFile, F->Languages->GetFileName(Later));
        EXPECT_TRUE(Item->Checked());
    }
}

TEST_F(MainWindow, ExitSavesOptionsWithoutTheCloseHandling) {
    Start();
    TfrmMain* F = frmMain;
    ShowMain();
    F->txtDiscLabel->SetText("EDITED");
    Options.Quality = 4321;
    SendMessageA(F->Handle(), WM_COMMAND, F->mniFileExit->Command(), 0);
    EXPECT_TRUE(Application->Terminated());
    ProgramRun();  // returns at once: the loop has ended
    ProgramShutdown();
    Started = false;
    MSG M;
    while (PeekMessageA(&M, nullptr, 0, 0, PM_REMOVE)) {
    }
    const std::string Ini = AppFolder + "options.ini";
    ASSERT_TRUE(FileExists(Ini));
    EXPECT_EQ(IniValue(Ini, "QZOptions", "Quality"), "4321");
    // FormClose did not run: the edited label was not taken.
    EXPECT_EQ(IniValue(Ini, "QZOptions", "DVDLabel"), IDS_Main_DVDLabel);
}

TEST_F(MainWindow, ClosingTheWindowStoresTheDiscLabel) {
    Start();
    ShowMain();
    frmMain->txtDiscLabel->SetText("CLOSED");
    frmMain->Close();
    TestHooks::PumpPending();
    ProgramShutdown();
    Started = false;
    MSG M;
    while (PeekMessageA(&M, nullptr, 0, 0, PM_REMOVE)) {
    }
    EXPECT_EQ(IniValue(AppFolder + "options.ini", "QZOptions", "DVDLabel"), "CLOSED");
    EXPECT_EQ(IniValue(AppFolder + "config.ini", "VideoAPP_Form", "LanguageFile"), "English.ini");
}

// ---- Steps 3 to 5 -------------------------------------------------------------------------------
// A stand-in for the DVD-structure builder: prints the lines the real one
// prints for two titles and makes the folder it was given.
void WriteFakeAuthorTool(const std::string& Path, const std::string& Temp) {
    WriteFile(Path, "#!/bin/sh\n"
                    "mkdir -p \"$2/VIDEO_TS\"\n"
                    "echo \"INFO: dvdauthor creating VTS\"\n"
                    "echo \"STAT: Processing " + Temp + "0.mpg...\"\n"
                    "echo \"STAT: Processing " + Temp + "1.mpg...\" 1>&2\n");
    chmod(Path.c_str(), 0755);
}

TEST_F(MainWindow, WithoutMenusTheXmlStepGoesStraightToTheDvdStructure) {
    Start();
    ShowMain();
    TfrmMain* F = frmMain;
    const std::string Temp = Root + "work/";
    ForceDirectories(Temp);
    Options.TempDir = Temp;
    Options.TitleCount = 2;
    Options.AuthoringToolFile = AppFolder + "authora.dll";
    WriteFakeAuthorTool(Options.AuthoringToolFile, Temp);
    NoMenuDvd = true;
    F->PipelineCancelled = false;
    F->SetRunningState(true);
    int BurnPosted = 0;
    auto Old = F->WindowProc;
    // The burn step itself is not part of this test.
    F->WindowProc = [&](TMessage& M) {
        if (M.Msg == WM_BURN_DISC) {
            ++BurnPosted;
            return;
        }
        Old(M);
    };
    PostMessageA(F->Handle(), WM_BUILD_MENU_XML, 0, 0);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return BurnPosted == 1; }, 10000, "the burn step to be posted"));
    F->WindowProc = Old;
    // The builder wrote into the first numbered folder; its intermediates are gone.
    EXPECT_EQ(F->OutputFolder, Temp + "DVD_DISC1");
    EXPECT_TRUE(DirectoryExists(Temp + "DVD_DISC1/VIDEO_TS"));
    EXPECT_FALSE(FileExists(Temp + "dvd.xml"));
    EXPECT_EQ(F->StatusBar->Panels().Items(0)->Text(), STR_PROCESSOTHER_BurnDVDStep6);
    NoMenuDvd = false;
}

TEST_F(MainWindow, ACancelledRunTakesNoFurtherStep) {
    Start();
    TfrmMain* F = frmMain;
    const std::string Temp = Root + "work/";
    ForceDirectories(Temp);
    Options.TempDir = Temp;
    NoMenuDvd = true;
    F->PipelineCancelled = true;
    for (UINT Msg : {WM_BUILD_MENU_XML, WM_BUILD_MENU_VIDEO, WM_AUTHOR_DVD}) SendMessageA(F->Handle(), Msg, 0, 0);
    TestHooks::PumpPending();
    EXPECT_FALSE(FileExists(Temp + "dvd.xml"));
    EXPECT_FALSE(FileExists(Temp + "menu.bat"));
    EXPECT_FALSE(DirectoryExists(Temp + "DVD_DISC1"));
    NoMenuDvd = false;
}

TEST_F(MainWindow, AFailedXmlWorkerEndsTheRunInsteadOfGoingOn) {
    Start();
    ShowMain();
    TfrmMain* F = frmMain;
    Options.TempDir = Root + "missing/folder/";
    Options.TitleCount = 1;
    NoMenuDvd = false;
    F->PipelineCancelled = false;
    F->SetRunningState(true);
    int VideoPosted = 0;
    auto Old = F->WindowProc;
    F->WindowProc = [&](TMessage& M) {
        if (M.Msg == WM_BUILD_MENU_VIDEO) ++VideoPosted;
        Old(M);
    };
    TestHooks::ScriptMessageBoxes({IDOK});
    PostMessageA(F->Handle(), WM_BUILD_MENU_XML, 0, 0);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->actBurn->Enabled(); }, 10000, "the run to end"));
    F->WindowProc = Old;
    EXPECT_EQ(VideoPosted, 0);
    ASSERT_EQ(TestHooks::MessageBoxesShown().size(), 1u);
    EXPECT_EQ(TestHooks::MessageBoxesShown()[0].Caption, STR_Error);
    EXPECT_TRUE(F->lsvFiles->Enabled());
}

// Burn VIDEO_TS keeps the window enabled (its dialog is modeless): the drive
// panel and the Languages menu must not be usable while the burn step runs.
TEST_F(MainWindow, BurnVideoTsLocksTheDrivePanelAndLanguagesWhileItBurns) {
    Start();
    ShowMain();
    TfrmMain* F = frmMain;
    const std::string Folder = Root + "Trip/video_ts";
    ForceDirectories(Folder);
    Options.LastOpenDir = Folder;
    F->PipelineCancelled = true;  // left over from a cancelled conversion
    struct Seen {
        int Burns = 0;
        bool Panel = true, Languages = true, List = true, Cancelled = true, Dialog = false;
    } S;
    auto Old = F->WindowProc;
    F->WindowProc = [&](TMessage& M) {
        if (M.Msg == WM_BURN_DISC) {
            ++S.Burns;
            S.Panel = F->pnlBurner->Enabled();
            S.Languages = F->mniSettingsLanguage->Enabled();
            S.List = F->lsvFiles->Enabled();
            S.Cancelled = F->PipelineCancelled;
            S.Dialog = frmProgressOther && frmProgressOther->Visible();
        }
        Old(M);
    };
    TestHooks::OnNextModalWindow([](HWND Window) { PostMessageA(Window, WM_COMMAND, IDOK, 0); });
    F->actBurnVideoTS->Execute();
    F->WindowProc = Old;
    ASSERT_EQ(S.Burns, 1);
    EXPECT_FALSE(S.Panel);
    EXPECT_FALSE(S.Languages);
    EXPECT_FALSE(S.List);
    EXPECT_FALSE(S.Cancelled);
    EXPECT_TRUE(S.Dialog);
    EXPECT_EQ(F->OutputFolder, Root + "Trip");
    EXPECT_EQ(Options.LastOpenDir, Folder);
    EXPECT_EQ(F->StatusBar->Panels().Items(0)->Text(), BurningDvdDiscStatus);
    // Once the burn step has returned, both are usable again, and the window is
    // not left locked.
    EXPECT_TRUE(F->pnlBurner->Enabled());
    EXPECT_TRUE(F->mniSettingsLanguage->Enabled());
    EXPECT_TRUE(F->actBurn->Enabled());
    EXPECT_TRUE(F->lsvFiles->Enabled());
    EXPECT_FALSE(frmProgressOther && frmProgressOther->Visible());
    if (frmProgressOther) frmProgressOther->Hide();
}

TEST_F(MainWindow, BurnVideoTsRefusesAFolderThatIsNoVideoTs) {
    Start();
    ShowMain();
    TfrmMain* F = frmMain;
    const std::string Folder = Root + "Trip/other";
    ForceDirectories(Folder);
    Options.LastOpenDir = Folder;
    int Burns = 0;
    auto Old = F->WindowProc;
    F->WindowProc = [&](TMessage& M) {
        if (M.Msg == WM_BURN_DISC) ++Burns;
        Old(M);
    };
    TestHooks::ScriptMessageBoxes({IDOK});
    TestHooks::OnNextModalWindow([](HWND Window) { PostMessageA(Window, WM_COMMAND, IDOK, 0); });
    F->actBurnVideoTS->Execute();
    F->WindowProc = Old;
    EXPECT_EQ(Burns, 0);
    ASSERT_EQ(TestHooks::MessageBoxesShown().size(), 1u);
    EXPECT_EQ(TestHooks::MessageBoxesShown()[0].Text, SelectCorrectDvdFolderMessage);
    EXPECT_EQ(TestHooks::MessageBoxesShown()[0].Caption, "Hint");
    EXPECT_EQ(Options.LastOpenDir, Folder);
    EXPECT_TRUE(F->actBurn->Enabled());
}

TEST_F(MainWindow, BurnEventsFromAWorkerReachTheStatusBarOnTheGuiThread) {
    Start();
    ShowMain();
    TfrmMain* F = frmMain;
    std::thread Worker([] {
        sbCallBackEventer->DoMessage("Setting speed is successful: 1385 kb/sec", sbMsgInfo);
    });
    Worker.join();
    ASSERT_TRUE(TestHooks::PumpUntil(
        [&] { return F->StatusBar->Panels().Items(0)->Text() == "Setting speed is successful: 1385 kb/sec"; }, 3000,
        "the status text"));
    // Above 97 % the closing hint follows the progress text; out of range is held.
    std::thread Progress([] { sbCallBackEventer->DoProgress(nullptr, 120); });
    Progress.join();
    ASSERT_TRUE(TestHooks::PumpUntil(
        [&] { return F->StatusBar->Panels().Items(0)->Text() == IDS_ERASEDISC_MSG_TimeHint; }, 3000,
        "the closing hint"));
    sbCallBackEventer->DoProgress(nullptr, 40);
    EXPECT_EQ(F->StatusBar->Panels().Items(0)->Text(), STR_MAIN_Burning);
}

TEST(ToolPriority, FollowsTheOptionScale) {
    const std::pair<int, int> Cases[] = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 1}, {255, 1}};
    for (auto [Option, Class] : Cases) {
        EXPECT_EQ(MenuToolPriority(static_cast<uint8_t>(Option)), Class) << Option;
        EXPECT_EQ(AuthorToolPriority(static_cast<uint8_t>(Option)), Class) << Option;
    }
}

// ---- Settings dialog -------------------------------------------------------------------------
struct OptionsSnapshot {
    int VideoFormat, Quality, VideoAspect, TemplateIndex;
    std::string LastOpenDir, TempDir, DVDLabel;
    bool ShowWindow, UseDirectShow;
    static OptionsSnapshot Take() {
        return {Options.VideoFormat, Options.Quality, Options.VideoAspect, Options.TemplateIndex,
                Options.LastOpenDir, Options.TempDir, Options.DVDLabel, Options.ShowWindow, Options.UseDirectShow};
    }
    bool operator==(const OptionsSnapshot&) const = default;
};

TEST_F(MainWindow, SettingsOkWritesTheEditedOptionsOnly) {
    Start();
    ShowMain();
    Options.VideoFormat = 0;
    Options.VideoAspect = 0;
    Options.UseDirectShow = false;
    Options.TempDir = "/tmp/somewhere/";
    Options.LastOpenDir = "/home/x/";
    OptionsSnapshot Expected = OptionsSnapshot::Take();
    Expected.VideoFormat = 1;
    Expected.VideoAspect = 1;
    Expected.UseDirectShow = true;
    Expected.Quality = 5000;
    TestHooks::OnNextModal([](TCustomForm* Form) {
        auto* S = dynamic_cast<TfrmSettings*>(Form);
        ASSERT_NE(S, nullptr);
        EXPECT_EQ(S->cmbVideoFormat->ItemIndex(), 0);
        EXPECT_EQ(S->txtTempDir->Text(), "/tmp/somewhere/");
        EXPECT_TRUE(S->txtTempDir->ReadOnly());
        EXPECT_EQ(S->TrackBarVideoQuality->Position(), 6400);
        EXPECT_EQ(S->TrackBarVideoQuality->Height(), 21);
        TestHooks::PumpPending();
        ExpectWindowMatchesGolden(S->Handle(), "ui/settings_dialog.png");
        TestHooks::Choose(S->cmbVideoFormat, 1);
        TestHooks::Choose(S->cmbVideoAspect, 1);
        S->TrackBarVideoQuality->SetPosition(5000);
        TestHooks::Click(S->chkDirectShow);
        TestHooks::PumpPending();
        TestHooks::Click(S->btnOK);
    });
    // The language choice is stored again on OK.
    WriteFile(AppFolder + "config.ini", "[VideoAPP_Form]\r\nAppTitle=Tessaro\r\n");
    SendMessageA(frmMain->Handle(), WM_COMMAND, frmMain->mniSettingsSettings->Command(), 0);
    EXPECT_TRUE(OptionsSnapshot::Take() == Expected);
    EXPECT_EQ(Options.VideoFormat, 1);
    EXPECT_EQ(Options.VideoAspect, 1);
    EXPECT_TRUE(Options.UseDirectShow);
    EXPECT_EQ(IniValue(AppFolder + "config.ini", "VideoAPP_Form", "LanguageFile"), "English.ini");
    EXPECT_TRUE(TestHooks::Failures().empty());
}

TEST_F(MainWindow, SettingsCancelChangesNothing) {
    Start();
    ShowMain();
    const OptionsSnapshot Before = OptionsSnapshot::Take();
    TestHooks::OnNextModal([](TCustomForm* Form) {
        auto* S = dynamic_cast<TfrmSettings*>(Form);
        ASSERT_NE(S, nullptr);
        TestHooks::Choose(S->cmbVideoFormat, 1);
        S->txtTempDir->SetText("/elsewhere/");
        TestHooks::Click(S->btnCancel);
    });
    frmMain->actSettings->Execute();
    EXPECT_TRUE(OptionsSnapshot::Take() == Before);
}

TEST_F(MainWindow, SettingsBrowseFillsTheFolderBoxAndCancelStillChangesNothing) {
    Start();
    ShowMain();
    const std::string Chosen = Root + "chosen";
    ForceDirectories(Chosen);
    const std::string Before = Options.TempDir;
    std::string Shown;
    TestHooks::OnNextModal([&](TCustomForm* Form) {
        auto* S = dynamic_cast<TfrmSettings*>(Form);
        ASSERT_NE(S, nullptr);
        TestHooks::OnNextModalWindow([&](HWND Window) {
            SendMessageA(Window, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(Chosen.c_str()));
            PostMessageA(Window, WM_COMMAND, IDOK, 0);
        });
        S->btnBrowse->Click();
        Shown = S->txtTempDir->Text();
        TestHooks::Click(S->btnCancel);
    });
    frmMain->actSettings->Execute();
    EXPECT_EQ(Shown, Chosen + "/");
    EXPECT_EQ(Options.TempDir, Before);
}

TEST_F(MainWindow, SettingsKeepAVideoFormatTheListCannotShow) {
    WriteFile(AppFolder + "options.ini", "[QZOptions]\r\nVideoFormat=7\r\nVideoAspect=9\r\n");
    Start();
    ShowMain();
    ASSERT_EQ(Options.VideoFormat, 7);
    TestHooks::OnNextModal([](TCustomForm* Form) {
        auto* S = dynamic_cast<TfrmSettings*>(Form);
        ASSERT_NE(S, nullptr);
        EXPECT_EQ(S->cmbVideoFormat->ItemIndex(), -1);
        TestHooks::Click(S->btnOK);
    });
    frmMain->actSettings->Execute();
    EXPECT_EQ(Options.VideoFormat, 7);
    EXPECT_EQ(Options.VideoAspect, 9);
}

TEST_F(MainWindow, SettingsHoldTheQualityWithinTheBar) {
    Start();
    ShowMain();
    Options.Quality = 10000;
    TestHooks::OnNextModal([](TCustomForm* Form) {
        auto* S = dynamic_cast<TfrmSettings*>(Form);
        ASSERT_NE(S, nullptr);
        EXPECT_EQ(S->TrackBarVideoQuality->Position(), 9600);
        TestHooks::Click(S->btnOK);
    });
    frmMain->actSettings->Execute();
    EXPECT_EQ(Options.Quality, 9600);
    EXPECT_EQ(frmSettings->TrackBarVideoQuality->Min(), 64);
    EXPECT_EQ(frmSettings->TrackBarVideoQuality->Max(), 9600);
}

TEST_F(MainWindow, SettingsTextsFollowTheLanguageOfTheStart) {
    Start();
    EXPECT_EQ(frmSettings->Caption(), STR_SETTINGS_Title);
    ASSERT_EQ(frmSettings->cmbVideoFormat->Items().Count(), 2);
    EXPECT_EQ(frmSettings->cmbVideoFormat->Items()[0], "PAL (720x576)");
    EXPECT_EQ(frmSettings->cmbVideoFormat->Items()[1], "NTSC (720x480)");
    ASSERT_EQ(frmSettings->cmbVideoAspect->Items().Count(), 2);
    EXPECT_EQ(frmSettings->cmbVideoAspect->Items()[1], "16:9");
    EXPECT_TRUE(frmSettings->btnOK->Default());
    EXPECT_EQ(frmSettings->btnOK->ModalResult, mrOk);
    EXPECT_EQ(frmSettings->btnCancel->ModalResult, mrCancel);
    EXPECT_EQ(frmSettings->ClientWidth(), 438);
    EXPECT_EQ(frmSettings->ClientHeight(), 324);
}

// ---- About box and log window ------------------------------------------------------------------
TEST_F(MainWindow, AboutShowsTheCurrentTextsEachTime) {
    Start();
    ShowMain();
    TestHooks::OnNextModal([](TCustomForm* Form) {
        auto* A = dynamic_cast<TfrmAbout*>(Form);
        ASSERT_NE(A, nullptr);
        EXPECT_EQ(A->Caption(), STR_ABOUT_Title);
        EXPECT_EQ(A->lblApplicationTitle->Caption(), ProductTitle);
        EXPECT_EQ(A->lblVersionText->Caption(), ProductVersion);
        EXPECT_EQ(A->btnOK->Caption(), STR_ABOUT_btnOK);
        TestHooks::Click(A->btnOK);
    });
    SendMessageA(frmMain->Handle(), WM_COMMAND, frmMain->mniHelpAbout->Command(), 0);
    EXPECT_FALSE(frmAbout->Visible());
    // The About item carries the action's caption from the texts.
    EXPECT_EQ(frmMain->mniHelpAbout->Caption(), STR_ABOUT_Title);
    EXPECT_EQ(frmAbout->ClientWidth(), 459);
    EXPECT_EQ(frmAbout->ClientHeight(), 316);
}

TEST_F(MainWindow, LogWindowKeepsItsButtonsCentredAndSavesItsLines) {
    Start();
    TfrmLog* L = frmLog;
    EXPECT_EQ(L->Caption(), STR_LOG_Title);
    EXPECT_EQ(L->btnSave->Caption(), "Save Log...");
    for (int W : {400, 523, 640}) {
        L->SetClientWidth(W);
        TestHooks::PumpPending();
        const int Pair = L->btnSave->Left() + L->btnSave->Width() - L->btnOK->Left();
        EXPECT_EQ(L->btnSave->Left(), L->btnOK->Left() + L->btnOK->Width() + 8) << W;
        EXPECT_EQ(L->btnOK->Left(), L->pnlBottom->ClientWidth() / 2 - Pair / 2) << W;
    }
    L->mmoLog->Lines().Add("first");
    L->mmoLog->Lines().Add("second");
    const std::string File = Root + "log.txt";
    L->SaveLogTo(File);
    TStringList Read;
    Read.LoadFromFile(File);
    ASSERT_EQ(Read.Count(), 2);
    EXPECT_EQ(Read[0], "first");
    EXPECT_EQ(Read[1], "second");
}

}  // namespace
