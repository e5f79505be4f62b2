// The skin component read from a form file keeps its settings and the stored
// skin (a 32-bit count, then the skin file) and parses that skin when the form
// has been read.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "platform/classlib/formload.h"
#include "skin/skin_data.h"
#include "tools/skingen/skin_art.h"
#include "tools/skingen/skin_container_writer.h"

namespace {

std::string Hex(const std::vector<uint8_t>& Bytes) {
    std::string Out;
    char Buf[3];
    for (uint8_t B : Bytes) {
        std::snprintf(Buf, sizeof Buf, "%02X", B);
        Out += Buf;
    }
    return Out;
}

std::string CountOf(int32_t N) {
    uint32_t U = static_cast<uint32_t>(N);
    return Hex({static_cast<uint8_t>(U), static_cast<uint8_t>(U >> 8), static_cast<uint8_t>(U >> 16),
                static_cast<uint8_t>(U >> 24)});
}

std::string Form(const std::string& Name, const std::string& Lines) {
    return "object frmMain: TComponent\n  object " + Name + ": TSkinData\n" + Lines + "  end\nend\n";
}

TEST(SkinData, FormFileSettingsAndStoredSkinParsedWhenLoaded) {
    RegisterSkinClasses();
    const std::vector<uint8_t> File = WriteSkinFile(DrawSkin(SkinVariants().front()));
    TComponent Root(nullptr);
    ReadFormText(&Root,
                 Form("SkinData", "    Active = True\n    DisableTag = 99\n    SkinFormtype = sfMainform\n"
                                  "    Options = [xoTransparent]\n"
                                  "    SkinControls = [xcMainMenu, xcCheckBox, xcTrackBar]\n"
                                  "    SkinStore = '(none)'\n    SkinStream = {" +
                                      CountOf(static_cast<int32_t>(File.size())) + Hex(File) + "}\n"),
                 "skin.frm");
    auto* S = Root.Find<TSkinData>("SkinData");
    ASSERT_NE(S, nullptr);
    EXPECT_TRUE(S->Active());
    EXPECT_EQ(S->DisableTag, 99);
    EXPECT_EQ(S->SkinFormtype, "sfMainform");
    EXPECT_EQ(S->Options, TSkinOptions{xoTransparent});
    EXPECT_EQ(S->SkinControls, (TSkinControlTypes{xcMainMenu, xcCheckBox, xcTrackBar}));
    ASSERT_EQ(S->SkinStream().Size(), static_cast<int64_t>(File.size()));
    EXPECT_EQ(0, std::memcmp(S->SkinStream().Memory(), File.data(), File.size()));
    EXPECT_FALSE(S->SkinEmpty);
    ASSERT_NE(S->Borders[TSkinData::bsTop], nullptr);
    EXPECT_FALSE(S->Borders[TSkinData::bsTop]->Bitmap->Empty());

    // Without a stored skin nothing is parsed.
    ReadFormText(&Root, Form("Plain", "    Active = True\n"), "plain.frm");
    EXPECT_TRUE(Root.Find<TSkinData>("Plain")->SkinEmpty);

    struct TBad {
        const char* Why;
        std::string Lines;
    };
    const TBad Bad[] = {
        {"options not a set", "    Options = xoTransparent\n"},
        {"an unknown option", "    Options = [xoTransparent, xoSparkle]\n"},
        {"an unknown control kind", "    SkinControls = [xcMainMenu, xcGadget]\n"},
        {"no count", "    SkinStream = {010203}\n"},
        {"count above the bytes", "    SkinStream = {" + CountOf(5) + "01020304}\n"},
        {"count below the bytes", "    SkinStream = {" + CountOf(3) + "01020304}\n"},
        {"negative count", "    SkinStream = {" + CountOf(-1) + "01020304}\n"},
    };
    int K = 0;
    for (const auto& B : Bad) {
        SCOPED_TRACE(B.Why);
        EXPECT_THROW(ReadFormText(&Root, Form("Bad" + std::to_string(K++), B.Lines), "bad.frm"), EFormFileError);
    }
}

}  // namespace
