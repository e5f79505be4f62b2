// The skin component read from a form file keeps its settings and skin bytes.
#include <gtest/gtest.h>

#include "platform/classlib/formload.h"
#include "skin/skin_data.h"

namespace {

TEST(SkinData, FormFileSettingsAndStoredSkin) {
    RegisterSkinClasses();
    TComponent Root(nullptr);
    ReadFormText(&Root, R"(object frmMain: TComponent
  object SkinData: TSkinData
    Active = True
    DisableTag = 99
    SkinFormtype = sfMainform
    Options = [xoTransparent]
    SkinControls = [xcMainMenu, xcCheckBox, xcTrackBar]
    SkinStore = {4C5A480001020304}
  end
end
)", "skin.frm");
    auto* S = Root.Find<TSkinData>("SkinData");
    ASSERT_NE(S, nullptr);
    EXPECT_TRUE(S->Active());
    EXPECT_EQ(S->DisableTag, 99);
    EXPECT_EQ(S->SkinFormtype, "sfMainform");
    EXPECT_EQ(S->Options, (std::vector<std::string>{"xoTransparent"}));
    EXPECT_EQ(S->SkinControls.size(), 3u);
    ASSERT_EQ(S->SkinStream().Size(), 8);
    EXPECT_EQ(S->SkinStream().Position(), 0);
    EXPECT_EQ(static_cast<const unsigned char*>(S->SkinStream().Memory())[7], 0x04);
    EXPECT_THROW(ReadFormText(&Root, R"(object frmMain: TComponent
  object SkinData2: TSkinData
    Options = xoTransparent
  end
end
)", "bad.frm"),
                 EFormFileError);
}

}  // namespace
