// The checks before a run and a run whose first file cannot start: each shows
// its reason once and leaves the window unlocked, with no dialog shown.
#include "tests/ui/main_convert_fixture.h"

#include "core/ui_texts.h"
#include "pipeline/progress_dialogs.h"
#include "pipeline/redirect.h"

namespace {

TEST_F(MainConvert, EachFailedCheckShowsItsReasonAndUnlocks) {
    const std::string Dummy = Root + "converter.dll";
    WriteFileText(Dummy, "");
    WriteFileText(Root + "afile", "");
    struct Row {
        const char* What;
        std::string ConverterFile;
        bool WithEntry;
        std::string TempDir;
        int VideoFormat;
        std::string Text;
        UINT Icon;
    };
    const std::vector<Row> Rows = {
        {"converter missing", Root + "none/moxilon.dll", true, Temp, 0,
         Format(STR_MAIN_NoEncoder, {Root + "none/moxilon.dll"}), MB_ICONWARNING},
        {"empty list", Dummy, false, Temp, 0, STR_MAIN_NoFilesToEncode, MB_ICONWARNING},
        {"blank temp folder", Dummy, true, "   ", 0, STR_MAIN_DirEmpty, MB_ICONQUESTION},
        {"temp folder under a file", Dummy, true, Root + "afile/sub/", 0, STR_MAIN_FailToCreate, MB_ICONQUESTION},
        {"video format 2", Dummy, true, Temp, 2, "", MB_ICONWARNING},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.What);
        F->lsvFiles->Items().Clear();
        Items.clear();
        if (R.WithEntry) AddSource(Dummy);
        Options.ConverterFile = R.ConverterFile;
        Options.TempDir = R.TempDir;
        Options.VideoFormat = static_cast<uint8_t>(R.VideoFormat);
        TestHooks::ScriptMessageBoxes({IDOK});
        F->actBurn->Execute();
        TestHooks::PumpPending();
        const auto Boxes = TestHooks::MessageBoxesShown();
        ASSERT_EQ(Boxes.size(), 1u);
        if (!R.Text.empty())
            EXPECT_EQ(Boxes[0].Text, R.Text);
        else
            EXPECT_NE(Boxes[0].Text.find("PAL or NTSC"), std::string::npos) << Boxes[0].Text;
        EXPECT_EQ(Boxes[0].Caption, STR_Hint);
        EXPECT_EQ(Boxes[0].Flags & 0xF0u, R.Icon);
        EXPECT_TRUE(F->actBurn->Enabled());
        EXPECT_TRUE(F->lsvFiles->Enabled());
        EXPECT_FALSE(frmProgress->Visible());
        EXPECT_FALSE(F->ConvertRedirector->Running());
        EXPECT_FALSE(FileExists(Temp + "~convert.bat"));
    }
    // Nothing was converted into the temporary folder that passed.
    EXPECT_FALSE(FileExists(Temp + "0.mpg"));
}

// The script template of the language profile is missing: the run is reported
// and ends before the dialog, instead of waiting for a converter never started.
TEST_F(MainConvert, AMissingScriptTemplateEndsTheRunBeforeTheDialog) {
    WriteFileText(Root + "clip.avi", "x");
    AddSource(Root + "clip.avi");
    Options.UseDirectShow = true;
    ProfileDir = Root + "profile/";
    ForceDirectories(ProfileDir);
    int Modals = 0;
    TestHooks::OnNextModal([&](TCustomForm* Form) {
        ++Modals;
        Form->ModalResult = mrAbort;
    });
    TestHooks::ScriptMessageBoxes({IDOK});
    F->actBurn->Execute();
    TestHooks::PumpPending();
    const auto Boxes = TestHooks::MessageBoxesShown();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Caption, STR_Error);
    EXPECT_EQ(Modals, 0);
    EXPECT_TRUE(F->actBurn->Enabled());
    EXPECT_TRUE(F->lsvFiles->Enabled());
    EXPECT_FALSE(F->ConvertRedirector->Running());
    EXPECT_FALSE(FileExists(Temp + "~convert.bat"));
    EXPECT_EQ(F->ConvertQueue->Count(), 0);
}

}  // namespace

namespace {

// The menu step with a thumbnail missing (its file failed to convert): the
// failure is reported, the step dialog closes, the window is unlocked and the
// temporary DVD folders go; the next step is never posted.
TEST_F(MainConvert, AFailedMenuPictureEndsTheRunAfterTheStepDialog) {
    ForceDirectories(Temp + "AUDIO_TS");
    Options.TitleCount = 1;
    F->SetRunningState(true);
    F->PipelineCancelled = false;
    int XmlPosted = 0;
    auto Old = F->WindowProc;
    F->WindowProc = [&](TMessage& M) {
        if (M.Msg == WM_BUILD_MENU_XML) ++XmlPosted;
        Old(M);
    };
    bool DialogShown = false;
    TestHooks::OnNextModal([&](TCustomForm* Form) { DialogShown = Form == frmProgressOther; });
    TestHooks::ScriptMessageBoxes({IDOK});
    PostMessageA(F->Handle(), WM_BUILD_MENU_IMAGES, 0, 0);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->actBurn->Enabled(); }, 30000, "the run to end"));
    F->WindowProc = Old;
    EXPECT_TRUE(DialogShown);
    EXPECT_FALSE(frmProgressOther->Visible());
    EXPECT_EQ(XmlPosted, 0);
    const auto Boxes = TestHooks::MessageBoxesShown();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, IDS_main_MSG_BuildMenuImageError);
    EXPECT_EQ(Boxes[0].Caption, IDS_main_MSG_Error);
    EXPECT_FALSE(FileExists(Temp + "menu_0.jpg"));
    EXPECT_FALSE(DirectoryExists(Temp + "AUDIO_TS"));
    EXPECT_TRUE(F->lsvFiles->Enabled());
}

// Without menus no picture is made: the next step is posted at once and the
// step dialog hosts it; a cancelled run does nothing at all.
TEST_F(MainConvert, MenuStepWithoutMenusGoesOnAndACancelledRunStops) {
    Options.TitleCount = 1;
    for (bool Cancelled : {true, false}) {
        SCOPED_TRACE(Cancelled ? "cancelled" : "without menus");
        NoMenuDvd = true;
        F->SetRunningState(true);
        F->PipelineCancelled = Cancelled;
        int XmlPosted = 0, Modals = 0;
        auto Old = F->WindowProc;
        F->WindowProc = [&](TMessage& M) {
            if (M.Msg == WM_BUILD_MENU_XML) {
                ++XmlPosted;
                frmProgressOther->ModalResult = mrOk;
                return;
            }
            Old(M);
        };
        TestHooks::OnNextModal([&](TCustomForm*) { ++Modals; });
        TestHooks::ScriptMessageBoxes({});
        PostMessageA(F->Handle(), WM_BUILD_MENU_IMAGES, 0, 0);
        if (Cancelled)
            TestHooks::PumpPending();
        else
            EXPECT_TRUE(TestHooks::PumpUntil([&] { return XmlPosted == 1 && F->actBurn->Enabled(); }, 10000,
                                             "the step to pass"));
        F->WindowProc = Old;
        EXPECT_EQ(XmlPosted, Cancelled ? 0 : 1);
        EXPECT_EQ(Modals, Cancelled ? 0 : 1);
        EXPECT_EQ(F->actBurn->Enabled(), !Cancelled);
        EXPECT_FALSE(FileExists(Temp + "menu_0.jpg"));
        EXPECT_EQ(TestHooks::MessageBoxesShown().size(), 0u);
        NoMenuDvd = false;
    }
}

}  // namespace
