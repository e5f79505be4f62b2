// The template chooser driven headless as the main window's Choose-template
// action drives it: fill, show modally, take the chosen number on OK.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "core/globals.h"
#include "core/ui_texts.h"
#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieformats.h"
#include "pipeline/template_chooser.h"
#include "platform/classlib/jpeg.h"
#include "platform/classlib/testhooks.h"
#include "platform/win/winscreen.h"

namespace fs = std::filesystem;

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        InitUITexts();
        TestHooks::Start();
        TestHooks::SetModalWatchdog(20000);
        IEIOStartup();
        IEViewsStartup();
    }
    void TearDown() override {
        IEIOShutdown();
        TestHooks::Stop();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

void WriteJpeg(const fs::path& Path, TColor Colour) {
    TBitmap B(64, 48, pf24bit);
    B.Canvas().Brush().SetColor(Colour);
    B.Canvas().FillRect(Bounds(0, 0, 64, 48));
    TJPEGImage J;
    J.Assign(B);
    J.SaveToFile(Path.string());
}

class TemplateTest : public ::testing::Test {
protected:
    void SetUp() override {
        SavedAppDir = AppDir;
        App = fs::temp_directory_path() / ("template_chooser_" + std::to_string(::getpid()));
        fs::remove_all(App);
        fs::create_directories(App / "preview");
        for (int N : {10, 1, 9, 2, 8, 3, 7, 4, 6, 5})
            WriteJpeg(App / "preview" / (std::to_string(N) + ".jpg"), static_cast<TColor>(N * 0x10101 * 20));
        AppDir = App.string() + "/";
        Options.TemplateIndex = 3;
        Chooser = new TfrmTemplate(Application);
    }
    void TearDown() override {
        Chooser->Free();
        TestHooks::PumpPending();
        AppDir = SavedAppDir;
        fs::remove_all(App);
        EXPECT_TRUE(TestHooks::Failures().empty());
    }
    // What the main window's Choose-template action does with the chooser.
    TModalResult Choose(std::function<void(TCustomForm*)> Act) {
        Chooser->FillTemplateGrid();
        TestHooks::OnNextModal(std::move(Act));
        TModalResult R = Chooser->ShowModal();
        if (R == mrOk) Chooser->StoreTemplateIndex();
        return R;
    }
    POINT ThumbCentre(int Index) {
        TRect R = Chooser->imvView->ThumbRect(Index);
        return Chooser->imvView->ClientToScreen(POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2});
    }
    std::string SavedAppDir;
    fs::path App;
    TfrmTemplate* Chooser = nullptr;
};

TEST_F(TemplateTest, FillListsThePreviewsInNumberOrderAndSelectsTheCurrentTemplate) {
    EXPECT_EQ(Chooser->Caption(), "Choose another template");
    EXPECT_EQ(Chooser->btnOK->Caption(), "OK");
    EXPECT_EQ(Chooser->btnCancel->Caption(), "Cancel");
    EXPECT_EQ(Chooser->ClientWidth(), 544);
    EXPECT_EQ(Chooser->ClientHeight(), 278);
    EXPECT_EQ(Chooser->FormStyle, fsStayOnTop);
    TIEMultiView* V = Chooser->imvView;
    // The grid as the form gives it, before the preset frame resizes the cells.
    EXPECT_EQ(V->Background(), clWhite);
    EXPECT_EQ(V->StoreType, ietThumb);
    EXPECT_EQ(V->ThumbWidth, 150);
    EXPECT_EQ(V->ThumbHeight, 150);
    EXPECT_TRUE(V->MouseInteract.Contains(mmiScroll) && V->MouseInteract.Contains(mmiSelect));
    EXPECT_EQ(V->GridWidth, -1);
    EXPECT_EQ(V->SelectionWidth, 3);
    EXPECT_EQ(V->SelectionColor, clRed);
    EXPECT_EQ(V->Style(), iemsFlat);
    EXPECT_EQ(V->ThumbnailsBorderColor(), clBlack);
    EXPECT_EQ(V->WallPaperStyle(), iewoTile);
    // Filled twice: the grid starts over before each showing.
    Chooser->FillTemplateGrid();
    Chooser->FillTemplateGrid();
    ASSERT_EQ(V->GetImageCount(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(V->GetImageBottomText(i)->Text, std::to_string(i + 1) + ".jpg");
        EXPECT_EQ(V->GetImageBottomText(i)->BackgroundStyle, 1);
        EXPECT_FALSE(V->IsImageStored(i));  // read when its cell is first painted
        ASSERT_NE(V->GetImageBitmap(i), nullptr);
        EXPECT_EQ(V->ImageSourceWidth(i), 64);  // kept as a thumbnail of the cell's size
    }
    EXPECT_EQ(V->SelectedImage(), 2);
    EXPECT_EQ(V->PresetThumbnailFrame(), 2);
    EXPECT_EQ(V->SelectionWidth, 0);
    // A template index past the pictures changes nothing: filling left the last one selected.
    Options.TemplateIndex = 11;
    Chooser->FillTemplateGrid();
    EXPECT_EQ(V->SelectedImage(), 9);
}

TEST_F(TemplateTest, ChoosingStoresThePositionPlusOne) {
    // A click on the sixth thumbnail, then OK.
    TModalResult R = Choose([&](TCustomForm* F) {
        TestHooks::Click(ThumbCentre(5));
        TestHooks::PumpUntil([&] { return Chooser->imvView->SelectedImage() == 5; }, 2000, "thumbnail 6 selected");
        TestHooks::Click(TestHooks::FindControlByName(F, "btnOK"));
    });
    EXPECT_EQ(R, mrOk);
    EXPECT_EQ(Options.TemplateIndex, 6);

    // The tenth picture is template 10, not 2 (the listing order would say).
    R = Choose([&](TCustomForm* F) {
        EXPECT_EQ(Chooser->imvView->SelectedImage(), 5);  // the current template
        Chooser->imvView->SetSelectedImage(9);
        TestHooks::Click(TestHooks::FindControlByName(F, "btnOK"));
    });
    EXPECT_EQ(R, mrOk);
    EXPECT_EQ(Options.TemplateIndex, 10);
    EXPECT_EQ(Chooser->imvView->GetImageBottomText(9)->Text, "10.jpg");

    // Cancel: nothing is taken.
    R = Choose([&](TCustomForm* F) {
        Chooser->imvView->SetSelectedImage(0);
        TestHooks::Click(TestHooks::FindControlByName(F, "btnCancel"));
    });
    EXPECT_EQ(R, mrCancel);
    EXPECT_EQ(Options.TemplateIndex, 10);
}

TEST_F(TemplateTest, DoubleClickChoosesLikeOk) {
    TModalResult R = Choose([&](TCustomForm*) { WinHeadlessScreen()->DoubleClick(ThumbCentre(1)); });
    EXPECT_EQ(R, mrOk);
    EXPECT_EQ(Options.TemplateIndex, 2);
}

TEST_F(TemplateTest, EmptyPreviewFolderGivesAnEmptyGridAndKeepsTheTemplate) {
    for (auto& E : fs::directory_iterator(App / "preview")) fs::remove(E.path());
    TModalResult R = Choose([&](TCustomForm* F) { TestHooks::Click(TestHooks::FindControlByName(F, "btnOK")); });
    EXPECT_EQ(R, mrOk);
    EXPECT_EQ(Chooser->imvView->GetImageCount(), 0);
    EXPECT_EQ(Options.TemplateIndex, 3);
}

}  // namespace
