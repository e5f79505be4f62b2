// Menus that draw their own items: the looks of an opened popup, the hover
// selection, a click running an item, and the look's sizes and fallbacks.
#include <gtest/gtest.h>

#include "controls/golden_png.h"
#include "platform/classlib/forms.h"
#include "platform/commctl/commctrl.h"
#include "platform/screen/headless.h"
#include "platform/win/winscreen.h"
#include "sc_test_env.h"

namespace {

const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new ScTestEnv);

// Steps run one per timer tick, so that each runs inside the menu's own loop
// after the input of the step before has been handled there.
std::vector<std::function<void()>>& Steps() {
    static std::vector<std::function<void()>> S;
    return S;
}
void CALLBACK StepTimer(HWND, UINT, UINT_PTR Id, DWORD) {
    if (Steps().empty()) {
        KillTimer(nullptr, Id);
        return;
    }
    auto Step = Steps().front();
    Steps().erase(Steps().begin());
    Step();
}
void RunSteps(std::vector<std::function<void()>> S) {
    Steps() = std::move(S);
    SetTimer(nullptr, 0, 1, StepTimer);
}

class Menus : public ::testing::Test {
protected:
    void SetUp() override {
        F = new TForm(Application);
        F->SetBounds(40, 40, 300, 260);
        F->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form to show"));
        Menu = new TscPopupMenu(F);
        const struct {
            const char* Caption;
            bool Checked, Enabled, Default;
            TShortCut Short;
        } Items[] = {{"Open", false, true, true, scNone},
                     {"Checked", true, true, false, scNone},
                     {"Disabled", false, false, false, scNone},
                     {"Disabled checked", true, false, false, scNone},
                     {"-", false, true, false, scNone},
                     {"Save", false, true, false, ShortCut('S', false, true, false)},
                     {"Selected", false, true, false, scNone}};
        for (const auto& D : Items) {
            auto* I = new TMenuItem(F);
            I->SetCaption(D.Caption);
            I->SetChecked(D.Checked);
            I->SetEnabled(D.Enabled);
            I->Default = D.Default;
            I->SetShortCut(D.Short);
            I->OnClick = [this, I](TObject*) { Ran.push_back(I->Caption()); };
            Menu->Items()->Add(I);
        }
    }
    void TearDown() override {
        F->Free();
        TestHooks::PumpPending();
    }
    // Opens the menu and runs Inside with the menu window while it is open.
    void Open(const std::function<void(HWND)>& Inside) {
        bool Opened = false;
        TestHooks::OnNextModalWindow([&](HWND W) {
            Opened = true;
            Inside(W);
        });
        POINT P = F->ClientToScreen(POINT{10, 10});
        Menu->Popup(P.x, P.y);
        EXPECT_TRUE(Opened);
    }
    POINT ItemCentre(HWND W, int Index) {
        RECT R{};
        EXPECT_TRUE(GetMenuItemRect(W, Menu->Handle(), Index, &R));
        return POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
    }
    TForm* F = nullptr;
    TscPopupMenu* Menu = nullptr;
    std::vector<std::string> Ran;
};

// Each look: checked, disabled, default, separator, shortcut and the selected item.
TEST_F(Menus, EveryLookOfAnOpenedPopup) {
    auto* Theme = new TscFileTheme(F);
    Theme->SetThemeFile(TESSARO_SC_THEME_FILE);
    Menu->SetFileTheme(Theme);
    Menu->UseSystemFont = false;
    Menu->FontName = "Tahoma";
    struct TLook {
        TscUIStyle Style;
        const char* Golden;
    } Looks[] = {{MacOS, "macos"}, {WinXP, "winxp"}, {DeepBlue, "deepblue"}, {Protein, "protein"},
                 {BlueGlass, "blueglass"}, {FromThemeFile, "themefile"}};
    for (const TLook& L : Looks) {
        SCOPED_TRACE(L.Golden);
        Menu->SetUIStyle(L.Style);
        Open([&](HWND W) {
            RunSteps({[&, W] { WinHeadlessScreen()->MouseMove(ItemCentre(W, 6)); },
                      [&, W] {
                          UpdateWindow(W);
                          ExpectWindowMatchesGolden(W, std::string("controls/skinned/popup_menu_") + L.Golden + ".png");
                          WinHeadlessScreen()->KeyPress(VK_ESCAPE);
                      }});
        });
    }
    EXPECT_TRUE(Ran.empty());
}

// Moving over the items moves the drawn selection; a click runs the item.
TEST_F(Menus, HoverRedrawsAndClickRuns) {
    Menu->SetUIStyle(WinXP);
    uint32_t OpenSelected = 0, OpenAfter = 0, SaveSelected = 0;
    Open([&](HWND W) {
        POINT Save = ItemCentre(W, 5), Open = ItemCentre(W, 0);
        RunSteps({[=] { WinHeadlessScreen()->MouseMove(Open); },
                  [&, W, Open, Save] {
                      UpdateWindow(W);
                      OpenSelected = WinHeadlessScreen()->DesktopPixel(POINT{Open.x + 40, Open.y});
                      WinHeadlessScreen()->MouseMove(Save);
                  },
                  [&, W, Open, Save] {
                      UpdateWindow(W);
                      OpenAfter = WinHeadlessScreen()->DesktopPixel(POINT{Open.x + 40, Open.y});
                      SaveSelected = WinHeadlessScreen()->DesktopPixel(POINT{Save.x + 40, Save.y});
                      WinHeadlessScreen()->Click(Save);
                  }});
    });
    // WinXP selection: $EFD3C6 (as RGB C6D3EF) under the pointer, white where it was.
    EXPECT_EQ(OpenSelected, 0xC6D3EFu);
    EXPECT_EQ(OpenAfter, 0xFFFFFFu);
    EXPECT_EQ(SaveSelected, 0xC6D3EFu);
    TestHooks::PumpPending();
    EXPECT_EQ(Ran, std::vector<std::string>{"Save"});
}

TEST_F(Menus, LookSizesAndPictures) {
    Menu->SetUIStyle(MacOS);
    Menu->SetMenuItemHeight(30);
    Menu->SetSeparatorHeight(30);
    EXPECT_EQ(Menu->MenuItemHeight(), 20);
    EXPECT_EQ(Menu->SeparatorHeight(), 12);
    Menu->SetUIStyle(Protein);
    EXPECT_EQ(Menu->MenuItemHeight(), 21);
    EXPECT_EQ(Menu->SeparatorHeight(), 5);
    EXPECT_EQ(Menu->BarWidth, 26);
    EXPECT_EQ(Menu->SelectedColor, TColor(0xC4302D));
    Menu->SetMenuItemHeight(30);
    EXPECT_EQ(Menu->MenuItemHeight(), 30);
    // Measuring: caption + shortcut + bar + 40; separators their own height.
    TBitmap B(10, 10);
    int W = 0, H = 0;
    TMenuItem* Save = Menu->Items()->Items(5);
    Menu->MeasureItem(Save, &B.Canvas(), W, H);
    EXPECT_EQ(W, B.Canvas().TextWidth("Save") + B.Canvas().TextWidth("Ctrl+S") + 26 + 40);
    EXPECT_EQ(H, 30);
    Menu->MeasureItem(Menu->Items()->Items(4), &B.Canvas(), W, H);
    EXPECT_EQ(H, 5);
    // An item added later is drawn by the menu as well.
    auto* Late = new TMenuItem(F);
    Late->SetCaption("Late");
    Menu->Items()->Add(Late);
    EXPECT_TRUE(static_cast<bool>(Late->OnDrawItem));
    // A checked item whose picture index is beyond the list shows the tick:
    // drawn twice into bitmaps, with and without a list of one picture.
    TImageList List(nullptr);
    List.SetSize(16, 16);
    TBitmap Red(16, 16);
    Red.Canvas().Brush().SetColor(clRed);
    Red.Canvas().FillRect(TRect(0, 0, 16, 16));
    List.AddMasked(&Red, clWhite);
    Menu->Images = &List;
    TMenuItem* Checked = Menu->Items()->Items(1);
    auto Draw = [&](int Index) {
        auto Out = std::make_unique<TBitmap>(120, 21);
        Checked->ImageIndex = Index;
        Menu->DrawItem(Checked, &Out->Canvas(), TRect(0, 0, 120, 21), false);
        return Out;
    };
    auto Beyond = Draw(5), None = Draw(-1), Usable = Draw(0);
    for (int X = 0; X < 26; ++X)
        for (int Y = 0; Y < 21; ++Y) ASSERT_EQ(Beyond->Canvas().Pixel(X, Y), None->Canvas().Pixel(X, Y));
    EXPECT_EQ(Usable->Canvas().Pixel(2, 1), clBlack);  // the frame around a usable picture
    EXPECT_EQ(Usable->Canvas().Pixel(10, 10), clRed);
    Menu->Images = nullptr;
}

// The popup menus' tick pictures come from the list the start-up routine
// makes; after the exit routine a checked item draws no tick.
TEST_F(Menus, TickListMadeAtStartUpAndFreedAtExit) {
    TMenuItem* Checked = Menu->Items()->Items(1);
    auto TickPixels = [&] {
        TBitmap Out(120, 21);
        Menu->DrawItem(Checked, &Out.Canvas(), TRect(0, 0, 120, 21), false);
        int N = 0;
        for (int X = 4; X < 20; ++X)
            for (int Y = 3; Y < 19; ++Y) N += Out.Canvas().Pixel(X, Y) != Menu->BarColor;
        return N;
    };
    EXPECT_GT(TickPixels(), 0);
    ScMenusShutdown();
    EXPECT_EQ(TickPixels(), 0);
    ScMenusStartup();
    ScMenusStartup();  // once only: a second call keeps the list
    EXPECT_GT(TickPixels(), 0);
}

TEST_F(Menus, MainMenuImagesAndTheme) {
    auto* Main = new TscMainMenu(F);
    EXPECT_EQ(Main->GetImages(), nullptr);  // the tick list in use
    TImageList List(nullptr);
    Main->SetImages(&List);
    EXPECT_EQ(Main->GetImages(), &List);
    Main->SetImages(nullptr);
    EXPECT_EQ(Main->GetImages(), nullptr);
    EXPECT_NE(Main->Images, nullptr);
    auto* Theme = new TscFileTheme(F);
    Theme->SetThemeFile(TESSARO_SC_THEME_FILE);
    Main->SetFileTheme(Theme);
    Main->SetUIStyle(FromThemeFile);
    EXPECT_EQ(Main->SelectedColor, Theme->GetColor(skMenuSelectedBackgroundColor));
    Theme->Free();
    EXPECT_EQ(Main->UIStyle(), DeepBlue);
    EXPECT_EQ(Main->SelectedColor, TColor(0xA04A44));
}

}  // namespace
