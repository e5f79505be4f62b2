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
