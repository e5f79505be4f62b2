#include <gtest/gtest.h>

#include "platform/classlib/actnlist.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/formfile.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/formwrite.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/stdctrls.h"

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

bool SameValue(const TFormValue& a, const TFormValue& b) {
    if (a.kind != b.kind || a.Int != b.Int || a.Str != b.Str || a.Set != b.Set || a.Binary != b.Binary ||
        a.List.size() != b.List.size() || a.Items.size() != b.Items.size() || !(a.Float == b.Float))
        return false;
    for (size_t i = 0; i < a.List.size(); ++i)
        if (!SameValue(a.List[i], b.List[i])) return false;
    for (size_t i = 0; i < a.Items.size(); ++i) {
        if (a.Items[i].size() != b.Items[i].size()) return false;
        for (size_t j = 0; j < a.Items[i].size(); ++j)
            if (a.Items[i][j].Name != b.Items[i][j].Name || !SameValue(a.Items[i][j].Value, b.Items[i][j].Value))
                return false;
    }
    return true;
}

TEST(FormWriter, EveryValueReadsBackAsWritten) {
    auto f = ParseFormFile(kForm, "main.frm");
    for (const TFormProperty& p : f->Properties) {
        const std::string text = FormatFormValue(p.Value, "  ");
        EXPECT_TRUE(SameValue(ParseFormValue(text), p.Value)) << p.Name << " = " << text;
    }
    TFormValue odd;
    odd.kind = TFormValue::vaString;
    odd.Str = std::string("'\0\x01a''\xCE\xBB\r\n", 10);
    EXPECT_TRUE(SameValue(ParseFormValue(FormatFormValue(odd)), odd)) << FormatFormValue(odd);
    odd.Str.clear();
    EXPECT_EQ(FormatFormValue(odd), "''");
    TFormValue tiny;
    tiny.kind = TFormValue::vaFloat;
    tiny.Float = 0.1;
    EXPECT_TRUE(SameValue(ParseFormValue(FormatFormValue(tiny)), tiny)) << FormatFormValue(tiny);
}

TEST(FormWriter, NestsComponentsWhereTheySit) {
    TComponent root(nullptr);
    root.SetName("Root");
    auto* list = new TActionList(&root);
    list->SetName("Actions");
    auto* act = new TAction(&root);
    act->SetName("actOne");
    act->SetActionList(list);
    auto* menu = new TMainMenu(&root);
    menu->SetName("Menu");
    auto* file = new TMenuItem(&root);
    file->SetName("mniFile");
    menu->Items()->Add(file);
    auto* open = new TMenuItem(&root);
    open->SetName("mniOpen");
    file->Add(open);
    auto* panel = new TPanel(&root);
    panel->SetName("Panel");
    auto* label = new TLabel(&root);
    label->SetName("Label");
    label->SetParent(panel);

    auto tree = ParseFormFile(WriteFormText(&root), "written");
    EXPECT_EQ(tree->Name, "Root");
    ASSERT_EQ(tree->Children.size(), 3u);
    EXPECT_EQ(tree->Children[0]->Name, "Actions");
    ASSERT_EQ(tree->Children[0]->Children.size(), 1u);
    EXPECT_EQ(tree->Children[0]->Children[0]->ClassName, "TAction");
    EXPECT_EQ(tree->Children[1]->Name, "Menu");
    ASSERT_EQ(tree->Children[1]->Children.size(), 1u);
    EXPECT_EQ(tree->Children[1]->Children[0]->Name, "mniFile");
    ASSERT_EQ(tree->Children[1]->Children[0]->Children.size(), 1u);
    EXPECT_EQ(tree->Children[1]->Children[0]->Children[0]->Name, "mniOpen");
    EXPECT_EQ(tree->Children[2]->Name, "Panel");
    ASSERT_EQ(tree->Children[2]->Children.size(), 1u);
    EXPECT_EQ(tree->Children[2]->Children[0]->ClassName, "TLabel");
}

}  // namespace
