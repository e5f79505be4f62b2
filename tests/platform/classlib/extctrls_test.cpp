// Images with stored pictures, timers, bevels and form key preview.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/classlib/extctrls.h"
#include "platform/classlib/formfile.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/system/process.h"
#include "platform/win/winscreen.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

// Picture.Data as form files keep it: the class name, then the bitmap's size
// and its BMP file.
std::string PictureDataHex(TBitmap& B) {
    TMemoryStream M;
    B.SaveToStream(M);
    std::vector<unsigned char> D;
    std::string Cls = "TBitmap";
    D.push_back(static_cast<unsigned char>(Cls.size()));
    D.insert(D.end(), Cls.begin(), Cls.end());
    uint32_t N = static_cast<uint32_t>(M.Size());
    for (int I = 0; I < 4; ++I) D.push_back(static_cast<unsigned char>(N >> (8 * I)));
    const auto* P = static_cast<const unsigned char*>(M.Memory());
    D.insert(D.end(), P, P + N);
    std::string Hex;
    char Buf[3];
    for (unsigned char C : D) {
        std::snprintf(Buf, sizeof Buf, "%02X", C);
        Hex += Buf;
    }
    return Hex;
}

class TfrmPic : public TForm {
public:
    explicit TfrmPic(TComponent* Owner, const std::string& Text) : TForm(Owner) {
        DefineMethod("FormKeyDown", &TfrmPic::FormKeyDown);
        DefineMethod("txtKeyDown", &TfrmPic::txtKeyDown);
        DefineField("imgLogo", imgLogo);
        DefineField("txtName", txtName);
        LoadFromText(Text, "frmPic.frm");
    }
    void FormKeyDown(TObject*, WORD& Key, TShiftState) {
        FormKeys.push_back(Key);
        if (Key == VK_F5) Key = 0;  // the form keeps F5 to itself
    }
    void txtKeyDown(TObject*, WORD& Key, TShiftState) { EditKeys.push_back(Key); }
    TImage* imgLogo = nullptr;
    TEdit* txtName = nullptr;
    std::vector<WORD> FormKeys, EditKeys;
};

TEST(ExtCtrls, ImageShowsTheStoredPictureAndKeyPreviewSeesKeysFirst) {
    TBitmap B(6, 4);
    B.Canvas().Brush().SetColor(clRed);
    B.Canvas().FillRect(TRect(0, 0, 6, 4));
    B.Canvas().Brush().SetColor(clBlue);
    B.Canvas().FillRect(TRect(3, 0, 6, 4));
    std::string Text = "object frmPic: TfrmPic\n  ClientHeight = 100\n  ClientWidth = 100\n  KeyPreview = True\n"
                       "  OnKeyDown = FormKeyDown\n"
                       "  object imgLogo: TImage\n    Left = 10\n    Top = 10\n    Width = 60\n    Height = 40\n"
                       "    Stretch = True\n    Picture.Data = {" + PictureDataHex(B) + "}\n  end\n"
                       "  object txtName: TEdit\n    Left = 10\n    Top = 60\n    OnKeyDown = txtKeyDown\n  end\nend\n";
    auto* F = new TfrmPic(Application, Text);
    ASSERT_NE(F->imgLogo->Picture().Graphic(), nullptr);
    EXPECT_EQ(F->imgLogo->Picture().Width(), 6);
    F->Show();
    TestHooks::PumpPending();
    // Stretched to 60 x 40: the left half red, the right half blue.
    THeadlessScreen* H = WinHeadlessScreen();
    EXPECT_EQ(H->DesktopPixel(F->imgLogo->ClientToScreen(POINT{10, 20})), 0xFF0000u);
    EXPECT_EQ(H->DesktopPixel(F->imgLogo->ClientToScreen(POINT{50, 20})), 0x0000FFu);
    F->txtName->SetFocus();
    TestHooks::PressKey('A');
    TestHooks::PressKey(VK_F5);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->FormKeys.size() == 2; }, 2000, "the keys"));
    EXPECT_EQ(F->FormKeys, (std::vector<WORD>{'A', VK_F5}));
    EXPECT_EQ(F->EditKeys, (std::vector<WORD>{'A'}));
    F->Free();
}

TEST(ExtCtrls, StoredPictureOfAnUnknownClassIsAClearError) {
    std::string Text = "object frmPic: TfrmPic\n  object imgLogo: TImage\n    Picture.Data = {0454476966}\n  end\nend\n";
    try {
        TfrmPic F(nullptr, Text);
        FAIL();
    } catch (const EFormFileError& E) {
        EXPECT_EQ(E.Line, 3);
        EXPECT_NE(E.Message.find("Unknown picture class TGif"), std::string::npos) << E.Message;
    }
}

TEST(ExtCtrls, TimerTicksOnlyWhileEnabledAndAssigned) {
    TTimer T(nullptr);
    int Ticks = 0;
    T.SetInterval(10);
    T.SetOnTimer([&](TObject*) { ++Ticks; });
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Ticks >= 2; }, 2000, "two ticks"));
    T.SetEnabled(false);
    int Before = Ticks;
    for (int I = 0; I < 6; ++I) {
        Sleep(10);
        TestHooks::PumpPending();
    }
    EXPECT_EQ(Ticks, Before);
}

}  // namespace
