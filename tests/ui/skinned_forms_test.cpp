// The control dispatch on the program's main window with the skin settings of
// its own form file: each control gets the skin its class row gives, and the
// controls that are no class-library controls of a skinned kind (panels and
// group boxes without the panel kind, the program's own check boxes, track
// bar, progress bars, buttons and labels) get none.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "platform/classlib/testhooks.h"
#include "platform/classlib/threads.h"
#include "platform/rtl/sysutils.h"
#include "skin/skin_data.h"
#include "skin/skin_dispatch.h"
#include "skin/skin_manager.h"
#include "temp_folder.h"
#include "ui/main_form.h"
#include "ui/program.h"

namespace {

class THost : public TControlSkinHost {
public:
    HWND HostWindow() const override { return nullptr; }
};

class SkinnedForms : public ::testing::Test {
protected:
    void SetUp() override {
        Root = Tmp.Slashed();
        ForceDirectories(Root + "app/langs");
        setenv("XDG_DATA_HOME", (Root + "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Root + "config").c_str(), 1);
        TestHooks::Start();
        Started = ProgramStartup(Root + "app/");
        ASSERT_TRUE(Started);
        frmMain->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([] { return frmMain->Showing(); }, 3000, "the main window"));
    }
    void TearDown() override {
        if (Started) ProgramShutdown();
        EXPECT_TRUE(TThread::WaitForAllEnded(5000));
        TestHooks::Stop();
    }
    TTempFolder Tmp{"tessaro_skinforms"};
    std::string Root;
    bool Started = false;
};

TEST_F(SkinnedForms, MainWindowControlsGetWhatTheTableGivesThem) {
    auto* Data = frmMain->Find<TSkinData>("SkinData");
    ASSERT_NE(Data, nullptr);
    // The form's own settings: no panel, spin or menu-item kinds.
    EXPECT_FALSE(Data->SkinControls.Contains(xcPanel));
    EXPECT_FALSE(Data->SkinControls.Contains(xcSpin));
    EXPECT_FALSE(Data->SkinControls.Contains(xcMenuItem));
    // The program starts skinned: its own form skin lets go of the controls
    // first, as no control is skinned twice.
    Data->SetActive(false);
    ASSERT_TRUE(TestHooks::PumpUntil([] { return frmMain->lsvFiles->Perform(SKIN_QUERY, 0, 0) != 1; }, 5000,
                                     "the form's skin switched off"));
    THost Host;
    TComponent RawOwner(nullptr);
    TControlDispatch D(Host, *Data, &RawOwner);
    D.SkinFormControls(frmMain);
    const std::map<std::string, std::string> Want = {
        {"TButton", "TSkinButton"},        {"TComboBox", "TSkinComBox"},       {"TCheckBox", "TSkinCheckBox"},
        {"TEdit", "TSkinEdit"},            {"TMemo", "TSkinScrollbar"},        {"TListView", "TSkinListView"},
        {"TStatusBar", "TSkinStatusBar"},  {"TIEImageView", "TSkinScrollbar"}, {"TIEMultiView", "TSkinScrollbar"},
    };
    std::map<std::string, int> Seen;
    for (int I = 0; I < frmMain->ComponentCount(); ++I) {
        auto* C = dynamic_cast<TControl*>(frmMain->Components(I));
        if (!C) continue;
        std::string Got = "none";
        for (TSkinControl* S : Host.ControlSkins)
            if (S->Control == C || S->GraphicControl == C) Got = S->ClassName();
        auto It = Want.find(C->ClassName());
        SCOPED_TRACE(C->Name() + ": " + C->ClassName());
        EXPECT_EQ(Got, It == Want.end() ? "none" : It->second);
        ++Seen[C->ClassName()];
    }
    // The form holds the kinds this test is about.
    for (const char* K : {"TButton", "TComboBox", "TListView", "TStatusBar", "TPanel", "TscCheckBox", "TGpProgressBar",
                          "TQemButton", "TIEImageView"})
        EXPECT_GT(Seen[K], 0) << K;
    D.DetachControlSkins();
}

}  // namespace
