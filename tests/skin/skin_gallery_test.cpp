// A gallery form with one control of each family, skinned with the shipped
// skin's art and every control kind on: its picture in normal, hot, pressed,
// focused, disabled, checked and indeterminate states, and the same window
// back to its picture before skinning once the skins are detached.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "controls/golden_png.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/screen/headless.h"
#include "skin/skin_buttons.h"
#include "skin/skin_dispatch.h"
#include "tools/skingen/skin_art.h"
#include "tools/skingen/skin_container_writer.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

class THost : public TControlSkinHost {
public:
    HWND HostWindow() const override { return nullptr; }
};

std::vector<uint32_t> Pixels(HWND W) {
    std::string Path = (std::filesystem::temp_directory_path() /
                        ("skin_gallery_" + std::to_string(getpid()) + ".png"))
                           .string();
    std::vector<uint32_t> P;
    int Width = 0, Height = 0;
    EXPECT_TRUE(WinSaveWindowPng(W, Path));
    EXPECT_TRUE(LoadPixelsPng(Path, P, Width, Height));
    std::remove(Path.c_str());
    for (uint32_t& X : P) X &= 0xFFFFFF;
    return P;
}

template <class T>
T* Put(TWinControl* Parent, TComponent* Owner, int L, int Top, int W, int H, const char* Caption = nullptr) {
    auto* C = new T(Owner);
    C->SetParent(Parent);
    C->SetBounds(L, Top, W, H);
    if (Caption) C->SetCaption(Caption);
    return C;
}

TEST(SkinGallery, EveryFamilySkinnedMatchesItsPictureAndUnskinnedIsAsBefore) {
    TSkinData Data(nullptr);
    for (const auto& V : SkinVariants())
        if (V.Name == "main") {
            const std::vector<uint8_t> File = WriteSkinFile(DrawSkin(V));
            Data.SkinStream().WriteBuffer(File.data(), static_cast<int64_t>(File.size()));
            Data.SkinStream().SetPosition(0);
        }
    ASSERT_TRUE(Data.LoadSkin());
    Data.SkinControls = {xcPopupMenu, xcToolbar, xcCombo,    xcCheckBox, xcRadioButton, xcProgress,
                         xcScrollbar, xcEdit,    xcButton,   xcBitBtn,   xcSpeedButton, xcSpin,
                         xcPanel,     xcGroupBox, xcStatusBar, xcTab,    xcTrackBar};
    Data.Options = {};

    auto* F = new TForm(Application);
    F->SetBounds(20, 20, 520, 420);
    F->SetCaption("Gallery");
    auto* Normal = Put<TButton>(F, F, 10, 10, 90, 26, "Normal");
    auto* Hot = Put<TButton>(F, F, 110, 10, 90, 26, "Hot");
    auto* Pressed = Put<TButton>(F, F, 210, 10, 90, 26, "Pressed");
    auto* Disabled = Put<TButton>(F, F, 310, 10, 90, 26, "Disabled");
    Disabled->SetEnabled(false);
    auto* Focused = Put<TButton>(F, F, 410, 10, 90, 26, "Focused");
    auto* Checked = Put<TCheckBox>(F, F, 10, 46, 110, 20, "Checked");
    Checked->SetState(cbChecked);
    auto* Grayed = Put<TCheckBox>(F, F, 130, 46, 110, 20, "Grayed");
    Grayed->SetState(cbGrayed);
    auto* Radio = Put<TRadioButton>(F, F, 250, 46, 110, 20, "Radio");
    Radio->SetChecked(true);
    auto* Edit = Put<TEdit>(F, F, 10, 76, 140, 22);
    Edit->SetText("Edit");
    auto* Combo = Put<TComboBox>(F, F, 160, 76, 140, 22);
    Combo->Items().Add("Combo");
    Combo->SetItemIndex(0);
    auto* Memo = Put<TMemo>(F, F, 10, 108, 140, 70);
    Memo->ScrollBars = ssVertical;
    Memo->RecreateWnd();
    for (int I = 0; I < 12; ++I) Memo->Lines().Add("Line " + std::to_string(I));
    auto* List = Put<TListView>(F, F, 160, 108, 200, 70);
    List->SetViewStyle(vsReport);
    List->Columns().Add()->SetCaption("Name");
    for (int I = 0; I < 3; ++I) List->Items().Add()->SetCaption("Item " + std::to_string(I));
    auto* Progress = Put<TProgressBar>(F, F, 10, 190, 200, 18);
    Progress->SetPosition(40);
    Put<TTrackBar>(F, F, 220, 186, 160, 30);
    Put<TUpDown>(F, F, 390, 186, 16, 26);
    auto* Group = Put<TGroupBox>(F, F, 10, 220, 200, 60, "Group");
    Put<TPanel>(F, F, 220, 220, 150, 60, "Panel");
    auto* Pages = Put<TPageControl>(F, F, 10, 286, 300, 80);
    for (const char* Name : {"First", "Second"}) {
        auto* Sheet = new TTabSheet(F);
        Sheet->SetPageControl(Pages);
        Sheet->SetCaption(Name);
    }
    Pages->SetActivePageIndex(0);
    auto* Bar = new TStatusBar(F);
    Bar->SetParent(F);
    Bar->Panels().Add()->SetWidth(120);
    Bar->Panels().Add()->SetWidth(120);
    Bar->UpdatePanels();
    (void)Group;
    F->Show();
    TestHooks::PumpPending();
    Focused->SetFocus();
    TestHooks::PumpPending();
    const std::vector<uint32_t> Before = Pixels(F->Handle());

    THost Host;
    TComponent RawOwner(nullptr);
    TControlDispatch D(Host, Data, &RawOwner);
    D.SkinFormControls(F);
    for (TSkinControl* S : Host.ControlSkins) {
        if (S->Control == Hot) S->MouseState = {msHot};
        if (S->Control == Pressed) S->MouseState = {msPressed};
    }
    EXPECT_GE(Host.ControlSkins.size(), 18u);
    RedrawWindow(F->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    TestHooks::PumpPending();
    EXPECT_NE(Pixels(F->Handle()), Before);
    ExpectWindowMatchesGolden(F->Handle(), "skin/gallery_skinned.png");

    D.DetachControlSkins();
    RedrawWindow(F->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    TestHooks::PumpPending();
    std::vector<uint32_t> After = Pixels(F->Handle());
    ASSERT_EQ(After.size(), Before.size());
    size_t Diff = 0;
    for (size_t I = 0; I < After.size(); ++I) Diff += After[I] != Before[I];
    EXPECT_EQ(Diff, 0u) << "the unskinned window differs from its picture before skinning";
    (void)Normal;
    (void)Checked;
    (void)Grayed;
    (void)Radio;
    (void)Edit;
    (void)Combo;
    (void)List;
    (void)Progress;
    F->Free();
}

}  // namespace
