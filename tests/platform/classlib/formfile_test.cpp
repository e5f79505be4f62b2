#include <gtest/gtest.h>

#include "platform/classlib/formfile.h"

namespace {

const char* kForm = R"(object frmMain: TfrmMain
  Left = 192
  Top = -3
  Color = $00FFFFFF
  Caption = 'It''s'#13#10 +
    ' mine '#228
  Scale = 1.5
  Visible = False
  Font.Style = [fsBold, fsItalic]
  BorderIcons = []
  Items.Strings = (
    'one'
    'two' + 'three'
    #65)
  Columns = <
    item
      Caption = 'File Name'
      Width = 300
    end
    item
      Width = 100
    end>
  Picture.Data = {
    0A1B2c
    FF}
  OnCreate = FormCreate
  object PanelTop: TPanel
    Align = alTop
    object btnAdd: TQemButton
      Action = actAdd
    end
  end
  object TTimer
  end
end
)";

TEST(FormFile, ReadsEveryKindOfValueAndTheTree) {
    auto f = ParseFormFile(kForm, "main.frm");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Name, "frmMain");
    EXPECT_EQ(f->ClassName, "TfrmMain");
    EXPECT_EQ(f->Find("left")->Value.Int, 192);
    EXPECT_EQ(f->Find("Top")->Value.Int, -3);
    EXPECT_EQ(f->Find("Color")->Value.Int, 0xFFFFFF);
    EXPECT_EQ(f->Find("Caption")->Value.kind, TFormValue::vaString);
    EXPECT_EQ(f->Find("Caption")->Value.Str, "It's\r\n mine \xC3\xA4");
    EXPECT_DOUBLE_EQ(f->Find("Scale")->Value.Float, 1.5);
    EXPECT_EQ(f->Find("Visible")->Value.kind, TFormValue::vaIdent);
    EXPECT_FALSE(f->Find("Visible")->Value.IsTrue());
    EXPECT_EQ(f->Find("Font.Style")->Value.Set, (std::vector<std::string>{"fsBold", "fsItalic"}));
    EXPECT_TRUE(f->Find("BorderIcons")->Value.Set.empty());
    const auto& items = f->Find("Items.Strings")->Value.List;
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].Str, "one");
    EXPECT_EQ(items[1].Str, "twothree");
    EXPECT_EQ(items[2].Str, "A");
    const auto& cols = f->Find("Columns")->Value.Items;
    ASSERT_EQ(cols.size(), 2u);
    EXPECT_EQ(cols[0][0].Value.Str, "File Name");
    EXPECT_EQ(cols[1][0].Value.Int, 100);
    EXPECT_EQ(f->Find("Picture.Data")->Value.Binary, (std::vector<unsigned char>{0x0A, 0x1B, 0x2C, 0xFF}));
    EXPECT_EQ(f->Find("OnCreate")->Value.Str, "FormCreate");
    ASSERT_EQ(f->Children.size(), 2u);
    EXPECT_EQ(f->Children[0]->Name, "PanelTop");
    EXPECT_EQ(f->Children[0]->Children[0]->ClassName, "TQemButton");
    EXPECT_EQ(f->Children[1]->Name, "");
    EXPECT_EQ(f->Children[1]->ClassName, "TTimer");
    EXPECT_EQ(f->Children[0]->Children[0]->Line, 29);
}

TEST(FormFile, ErrorsNameTheFileAndLine) {
    struct Case {
        const char* text;
        int line;
    } cases[] = {
        {"object a: TA\n  Left = \n", 3},
        {"object a: TA\n  Caption = 'open\nend\n", 2},
        {"object a: TA\n  Left = 1\n", 3},
        {"object a: TA\n  Data = {0A1}\nend\n", 2},
        {"object a: TA\n  Caption = 'x' +\n  Left = 1\nend\n", 3},
        {"obj a: TA\nend\n", 1},
        {"object a: TA\nend\nend\n", 3},
    };
    for (const auto& c : cases) {
        try {
            ParseFormFile(c.text, "bad.frm");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const EFormFileError& e) {
            EXPECT_EQ(e.File, "bad.frm");
            EXPECT_EQ(e.Line, c.line) << c.text << " -> " << e.Message;
            EXPECT_NE(e.Message.find("bad.frm("), std::string::npos);
        }
    }
}

}  // namespace
