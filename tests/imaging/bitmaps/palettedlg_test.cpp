// The palette picker, shown modally on the headless screen.
#include <gtest/gtest.h>

#include "imaging/bitmaps/iepalettedlg.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"

namespace {
struct Hooks {
    Hooks() {
        TestHooks::Start();
        TestHooks::SetModalWatchdog(5000);
    }
    ~Hooks() { TestHooks::Stop(); }
};
}  // namespace

TEST(PaletteDialog, HoverThenClickChoosesTheColour) {
    Hooks hooks;
    TRGB colours[40];
    for (int i = 0; i < 40; ++i) colours[i] = TRGB{uint8_t(i), uint8_t(2 * i), uint8_t(3 * i)};
    TIEPaletteDialog d(nullptr);
    d.SetPalette(colours, 40);
    EXPECT_EQ(d.Width(), 520);
    TestHooks::OnNextModal([&](TCustomForm*) {
        d.FormClick(&d);  // nothing selected yet: stays open
        EXPECT_EQ(d.ModalResult, mrNone);
        d.FormMouseMove(&d, TShiftState{}, 515, 5);  // right of the 32 cells: nothing
        EXPECT_EQ(d.Selected, -1);
        d.FormMouseMove(&d, TShiftState{}, 1 + 16 * 3, 1 + 16);  // column 3 of row 1: entry 35
        EXPECT_EQ(d.Selected, 35);
        d.FormClick(&d);
    });
    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(d.SelectedColor, 3 * 35 | (2 * 35) << 8 | 35 << 16);
    EXPECT_TRUE(TestHooks::Failures().empty());
}

TEST(PaletteDialog, CancelButtonCloses) {
    Hooks hooks;
    TRGB colours[2] = {{0, 0, 0}, {255, 255, 255}};
    TIEPaletteDialog d(nullptr);
    d.SetPalette(colours, 2);
    TestHooks::OnNextModal([&](TCustomForm*) { TestHooks::Click(d.CancelButton); });
    EXPECT_FALSE(d.Execute());
    EXPECT_TRUE(TestHooks::Failures().empty());
}
