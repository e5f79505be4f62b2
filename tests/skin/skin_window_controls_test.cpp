// A skinned window gives its child controls their skins when its skinning
// starts, passes skin changes on, re-creates a scroll-bar skin on request and
// takes the control skins away when it is unskinned.
#include <gtest/gtest.h>

#include "platform/classlib/forms.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"
#include "skin/skin_data.h"
#include "skin/skin_manager.h"
#include "skin/skin_window.h"
#include "tools/skingen/skin_art.h"
#include "tools/skingen/skin_container_writer.h"

namespace {

void LoadMainVariant(TSkinData& S) {
    for (const auto& V : SkinVariants())
        if (V.Name == "main") {
            const std::vector<uint8_t> File = WriteSkinFile(DrawSkin(V));
            S.SkinStream().Clear();
            S.SkinStream().WriteBuffer(File.data(), static_cast<int64_t>(File.size()));
            S.SkinStream().SetPosition(0);
            ASSERT_TRUE(S.LoadSkin());
            return;
        }
    FAIL() << "no main skin";
}

class SkinWindowControls : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        TestHooks::Start();
        SkinManagerStartup();
    }
    static void TearDownTestSuite() {
        SkinManagerShutdown();
        TestHooks::Stop();
    }
    void SetUp() override {
        Data = std::make_unique<TSkinData>(nullptr);
        LoadMainVariant(*Data);
        Data->SkinControls = {xcButton, xcCheckBox, xcScrollbar, xcEdit, xcCombo};
        Manager = EnsureSkinManager();
        Manager->InstallHook();
        Manager->AddSkinData(Data.get());
        Manager->SkinningOn = true;
    }
    void TearDown() override {
        if (F) F->Free();
        Data.reset();
        Manager->SkinningOn = false;
        Manager->State = 1;
        TestHooks::PumpPending();
    }
    TSkinnedWindow* SkinForm() {
        F = new TForm(Application);
        F->SetBounds(40, 40, 360, 280);
        Button = new TButton(F);
        Button->SetParent(F);
        Button->SetBounds(10, 10, 90, 26);
        Memo = new TMemo(F);
        Memo->ScrollBars = ssVertical;
        for (int I = 0; I < 40; ++I) Memo->Lines().Add("line");
        Memo->SetParent(F);
        Memo->SetBounds(10, 50, 200, 120);
        F->Show();
        TestHooks::PumpPending();
        TSkinnedWindow* S = Manager->FindSkinForm(F->Handle());
        if (!S && Manager->TrySkinWindow(F->Handle())) S = Manager->FindSkinForm(F->Handle());
        if (!S) return nullptr;
        EXPECT_TRUE(TestHooks::PumpUntil([S] { return S->State == 1; }, 3000, "the start of skinning"));
        TestHooks::PumpPending();
        return S;
    }
    std::unique_ptr<TSkinData> Data;
    TSkinManage* Manager = nullptr;
    TForm* F = nullptr;
    TButton* Button = nullptr;
    TMemo* Memo = nullptr;
};

TSkinControl* SkinOf(TSkinnedWindow* W, TControl* C) {
    for (TSkinControl* S : W->ControlSkins.ControlSkins)
        if (S->Control == C) return S;
    return nullptr;
}

TEST_F(SkinWindowControls, StartSkinsTheChildrenAndUnskinningTakesTheSkinsAway) {
    TSkinnedWindow* W = SkinForm();
    ASSERT_NE(W, nullptr);
    ASSERT_NE(SkinOf(W, Button), nullptr);
    EXPECT_EQ(SkinOf(W, Button)->ClassName(), "TSkinButton");
    ASSERT_NE(SkinOf(W, Memo), nullptr);
    EXPECT_EQ(SkinOf(W, Memo)->ClassName(), "TSkinScrollbar");
    EXPECT_EQ(Button->Perform(SKIN_QUERY, 0, 0), 1);
    EXPECT_EQ(W->ControlSkins.HostWindow(), F->Handle());
    // The memo's window is re-created: the form skin gives it a new skin.
    HWND Old = Memo->Handle();
    Memo->RecreateWnd();
    ASSERT_TRUE(TestHooks::PumpUntil(
        [&] {
            TSkinControl* S = SkinOf(W, Memo);
            return S && S->Handle == Memo->Handle() && S->LifeState == 1;
        },
        3000, "the new scroll-bar skin"));
    EXPECT_NE(Memo->Handle(), Old);
    W->Unskin();
    EXPECT_TRUE(W->ControlSkins.ControlSkins.empty());
    EXPECT_EQ(Button->Perform(SKIN_QUERY, 0, 0), 0);
}

}  // namespace
