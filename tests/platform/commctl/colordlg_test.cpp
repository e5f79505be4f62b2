// The colour dialog and the class library's TColorDialog, answered by the modal hook.
#include <string>

#include "cc_test_util.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/forms.h"
#include "platform/commctl/colordlg.h"
#include "platform/commctl/testhooks.h"

using namespace cctest;

namespace {

class ColorDialog : public CtlTest {
protected:
    void TearDown() override {
        TestHookSetModalWindowHook(nullptr);
        CtlTest::TearDown();
    }
    // Clicks the swatch Id, then Ok (or Cancel) in the next colour dialog.
    static void Answer(int Id, int Button) {
        TestHookSetModalWindowHook([Id, Button](HWND Dlg) {
            if (Id) SendMessageW(GetDlgItem(Dlg, Id), BM_CLICK, 0, 0);
            SendMessageW(GetDlgItem(Dlg, Button), BM_CLICK, 0, 0);
        });
    }
};

TEST_F(ColorDialog, SwatchesOkAndCancel) {
    COLORREF custom[16];
    for (int i = 0; i < 16; ++i) custom[i] = RGB(i * 10, 200, 255 - i * 10);
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT;
    cc.rgbResult = RGB(1, 2, 3);
    struct {
        int Swatch, Button;
        BOOL Result;
        COLORREF Colour;
    } cases[] = {
        {IDC_CC_BASIC + 5, IDOK, TRUE, ColorDialogBasicColor(5)},
        {IDC_CC_BASIC + 47, IDOK, TRUE, RGB(255, 255, 255)},
        {IDC_CC_BASIC + 7, IDOK, TRUE, RGB(0, 0, 0)},
        {IDC_CC_CUSTOM + 3, IDOK, TRUE, RGB(30, 200, 225)},
        {IDC_CC_BASIC + 20, IDCANCEL, FALSE, RGB(30, 200, 225)},  // the result stays as it was
        {0, IDOK, TRUE, RGB(30, 200, 225)},                        // OK alone keeps the initial colour
    };
    for (const auto& c : cases) {
        Answer(c.Swatch, c.Button);
        EXPECT_EQ(ChooseColorW(&cc), c.Result) << c.Swatch;
        EXPECT_EQ(cc.rgbResult, c.Colour) << c.Swatch;
    }
    // The 48 basic colours are distinct.
    for (int i = 0; i < 48; ++i)
        for (int j = i + 1; j < 48; ++j) EXPECT_NE(ColorDialogBasicColor(i), ColorDialogBasicColor(j)) << i << " " << j;
    cc.lpCustColors = nullptr;
    EXPECT_FALSE(ChooseColorW(&cc));
}

TEST_F(ColorDialog, ClassLibraryDialogTakesCustomColours) {
    TColorDialog dlg(nullptr);
    dlg.Color = 0x00FF00;
    dlg.CustomColors().Add("ColorB=123456");
    Answer(IDC_CC_CUSTOM + 1, IDOK);
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.Color, 0x123456);
    Answer(IDC_CC_BASIC + 3, IDCANCEL);
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(dlg.Color, 0x123456);
    Answer(IDC_CC_CUSTOM + 9, IDOK);  // unset: white
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.Color, 0xFFFFFF);
}

}  // namespace
