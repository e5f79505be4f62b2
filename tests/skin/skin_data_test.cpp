// The skin component read from a form file keeps its settings and the stored
// skin (a 32-bit count, then the skin file) and parses that skin when the form
// has been read.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/classlib/comctrls.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/formwrite.h"
#include "skin/skin_data.h"
#include "skin/skin_manager.h"
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
    EXPECT_EQ(S->SkinFormtype, sfMainform);
    EXPECT_EQ(S->Options, TSkinOptions{xoTransparent});
    EXPECT_EQ(S->SkinControls, (TSkinControlTypes{xcMainMenu, xcCheckBox, xcTrackBar}));
    ASSERT_EQ(S->SkinStream().Size(), static_cast<int64_t>(File.size()));
    EXPECT_EQ(0, std::memcmp(S->SkinStream().Memory(), File.data(), File.size()));
    EXPECT_FALSE(S->SkinEmpty);
    ASSERT_NE(S->Borders[TSkinData::bsTop], nullptr);
    EXPECT_FALSE(S->Borders[TSkinData::bsTop]->Bitmap->Empty());

    // Without a stored skin nothing is parsed, and Active turns itself off.
    ReadFormText(&Root, Form("Plain", "    Active = True\n    SkinStream = {" + CountOf(0) + "}\n"), "plain.frm");
    EXPECT_TRUE(Root.Find<TSkinData>("Plain")->SkinEmpty);
    EXPECT_FALSE(Root.Find<TSkinData>("Plain")->Active());

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
        {"negative count with bytes", "    SkinStream = {" + CountOf(-1) + "01020304}\n"},
        {"an unknown form kind", "    SkinFormtype = sfPopup\n"},
    };
    int K = 0;
    for (const auto& B : Bad) {
        SCOPED_TRACE(B.Why);
        EXPECT_THROW(ReadFormText(&Root, Form("Bad" + std::to_string(K++), B.Lines), "bad.frm"), EFormFileError);
    }
}

TEST(SkinData, ConstructionValues) {
    TSkinData S(nullptr);
    EXPECT_FALSE(S.Active());
    EXPECT_EQ(S.DisableTag, 99);
    TSkinControlTypes All;
    for (int K = xcMainMenu; K <= xcFastReport; ++K) All.Include(static_cast<TSkinControlType>(K));
    All.Exclude(xcMenuItem);
    All.Exclude(xcFastReport);
    EXPECT_EQ(S.SkinControls, All);
    EXPECT_EQ(S.Options, (TSkinOptions{xoPreview, xoToolbarBK}));
    ASSERT_EQ(S.Skin3rd().Count(), 7);
    EXPECT_EQ(S.Skin3rd().Get(2), "TIEMultiView=scrollbar");
    EXPECT_EQ(S.Skin3rd().Get(3), "TIEImageView=scrollbar");
    EXPECT_EQ(S.SkinFile(), "");
    EXPECT_EQ(S.SkinStore(), "(none)");
    EXPECT_EQ(S.SkinFormtype, sfMainform);
    EXPECT_EQ(S.Version(), "4.93.11.13");
    EXPECT_TRUE(S.MenuUpdate);
    EXPECT_FALSE(S.MenuMerge);
    EXPECT_TRUE(S.SkinEmpty);
    EXPECT_TRUE(S.FramePaintEnabled);
    EXPECT_EQ(S.SkinStream().Size(), 0);
    EXPECT_TRUE(S.AppIcon->Empty());
    EXPECT_EQ(S.AppIcon->PixelFormat(), pf24bit);
    for (auto* Part : {static_cast<TDataSkinObject*>(S.Button.get()), static_cast<TDataSkinObject*>(S.Title.get())})
        ASSERT_NE(Part, nullptr);
    EXPECT_EQ(S.Button->Name, "Buttons");
    EXPECT_EQ(S.Borders[TSkinData::bsBottom]->Name, "Bottom");
}

// The four menu glyphs come from SKINMENU with white transparent: drawn on
// red, white pixels stay red and black ones are black.
TEST(SkinData, MenuGlyphsAreTheResourceGlyphsWithWhiteTransparent) {
    TSkinData S(nullptr);
    ASSERT_EQ(S.MenuGlyphs->Count(), 4);
    EXPECT_EQ(S.MenuGlyphs->Width(), 16);
    EXPECT_EQ(S.MenuGlyphs->Height(), 16);
    TBitmap Source;
    Source.LoadFromResourceName(nullptr, "SKINMENU");
    ASSERT_EQ(Source.Width(), 64);
    for (int G = 0; G < 4; ++G) {
        SCOPED_TRACE(G);
        TBitmap Out(16, 16, pf24bit);
        Out.Canvas().Brush().SetColor(clRed);
        Out.Canvas().FillRect(TRect(0, 0, 16, 16));
        S.MenuGlyphs->Draw(Out.Canvas(), 0, 0, G);
        int Black = 0;
        for (int Y = 0; Y < 16; ++Y)
            for (int X = 0; X < 16; ++X) {
                const bool Ink = (Source.Canvas().Pixel(G * 16 + X, Y) & 0xFFFFFF) == 0;
                Black += Ink;
                ASSERT_EQ(Out.Canvas().Pixel(X, Y) & 0xFFFFFF, Ink ? clBlack : clRed) << X << "," << Y;
            }
        EXPECT_GT(Black, 0);
    }
}

// A form written back keeps every setting and the stored skin's bytes; a
// skin held while designing reads "(Good)" and is not parsed.
TEST(SkinData, WrittenFormReadsBackTheSameAndDesigningParsesNothing) {
    RegisterSkinClasses();
    const std::vector<uint8_t> File = WriteSkinFile(DrawSkin(SkinVariants().front()));
    TComponent Root(nullptr);
    ReadFormText(&Root,
                 Form("SkinData", "    SkinControls = [xcMainMenu, xcMenuItem, xcFastReport]\n"
                                  "    Options = [xoMenuBG]\n    Skin3rd.Strings = (\n      'TOne=panel'\n"
                                  "      'TTwo=Edit')\n    SkinFormtype = sfDialog\n    MenuUpdate = False\n"
                                  "    MenuMerge = True\n    DisableTag = 7\n    Version = 'ignored'\n"
                                  "    SkinStream = {" +
                                      CountOf(static_cast<int32_t>(File.size())) + Hex(File) + "}\n"),
                 "skin.frm");
    const std::string Text = WriteFormText(&Root);
    EXPECT_NE(Text.find("Version = '4.93.11.13'"), std::string::npos) << Text.substr(0, 600);
    EXPECT_NE(Text.find("SkinStore = '(none)'"), std::string::npos);
    TComponent Again(nullptr);
    ReadFormText(&Again, Text, "again.frm");
    auto* A = Root.Find<TSkinData>("SkinData");
    auto* B = Again.Find<TSkinData>("SkinData");
    ASSERT_NE(B, nullptr);
    for (auto* S : {A, B}) {
        // A dialog's skin data keeps its control kinds as read.
        EXPECT_EQ(S->SkinControls, (TSkinControlTypes{xcMainMenu, xcMenuItem, xcFastReport}));
        EXPECT_EQ(S->Options, TSkinOptions{xoMenuBG});
        ASSERT_EQ(S->Skin3rd().Count(), 2);
        EXPECT_EQ(S->Skin3rd().Get(1), "TTwo=Edit");
        EXPECT_EQ(S->SkinFormtype, sfDialog);
        EXPECT_FALSE(S->MenuUpdate);
        EXPECT_TRUE(S->MenuMerge);
        EXPECT_EQ(S->DisableTag, 7);
        ASSERT_EQ(S->SkinStream().Size(), static_cast<int64_t>(File.size()));
        EXPECT_EQ(0, std::memcmp(S->SkinStream().Memory(), File.data(), File.size()));
        EXPECT_FALSE(S->SkinEmpty);
    }

    TSkinData D(nullptr);
    D.SetDesigning(true);
    TMemoryStream M;
    B->WriteSkinStream(M);
    M.SetPosition(0);
    D.ReadSkinStream(M);
    EXPECT_EQ(D.SkinStream().Size(), static_cast<int64_t>(File.size()));
    EXPECT_TRUE(D.SkinEmpty);
    EXPECT_EQ(D.SkinStore(), "(Good)");
    EXPECT_FALSE(D.LoadSkin());
    EXPECT_TRUE(D.SkinEmpty);
}

// After the form is read, the main form's skin data drops the menu-item kind
// when the main menu is skinned and the system-menu kind otherwise.
TEST(SkinData, LoadedSettlesTheMenuKinds) {
    RegisterSkinClasses();
    struct TCase {
        const char* Kinds;
        const char* FormType;
        TSkinControlTypes After;
    };
    const TCase Cases[] = {
        {"xcMainMenu, xcMenuItem, xcSystemMenu", "sfMainform", {xcMainMenu, xcSystemMenu}},
        {"xcMenuItem, xcSystemMenu, xcEdit", "sfMainform", {xcMenuItem, xcEdit}},
        {"xcMainMenu, xcMenuItem, xcSystemMenu", "sfOnlyThisForm", {xcMainMenu, xcMenuItem, xcSystemMenu}},
    };
    TComponent Root(nullptr);
    int K = 0;
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Kinds);
        const std::string Name = "Kinds" + std::to_string(K++);
        ReadFormText(&Root,
                     Form(Name, std::string("    SkinControls = [") + C.Kinds + "]\n    SkinFormtype = " +
                                    C.FormType + "\n"),
                     "kinds.frm");
        EXPECT_EQ(Root.Find<TSkinData>(Name)->SkinControls, C.After);
    }
}

// A skin file named at run time is loaded when it exists; a missing one
// only keeps its name and leaves the skin empty.
TEST(SkinData, SkinFileLoadsAnExistingFileOnly) {
    const auto Dir = std::filesystem::temp_directory_path() / ("skin_data_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(Dir);
    const std::string Path = (Dir / "look.skn").string();
    const std::vector<uint8_t> File = WriteSkinFile(DrawSkin(SkinVariants().front()));
    std::ofstream(Path, std::ios::binary).write(reinterpret_cast<const char*>(File.data()),
                                                static_cast<std::streamsize>(File.size()));

    TSkinData S(nullptr);
    S.SetSkinFile(Path);
    EXPECT_EQ(S.SkinFile(), Path);
    EXPECT_FALSE(S.SkinEmpty);
    EXPECT_EQ(S.SkinStream().Size(), static_cast<int64_t>(File.size()));
    EXPECT_FALSE(S.Borders[TSkinData::bsTop]->Bitmap->Empty());

    const std::string Missing = (Dir / "none.skn").string();
    S.SetSkinFile(Missing);
    EXPECT_EQ(S.SkinFile(), Missing);
    EXPECT_TRUE(S.SkinEmpty);
    EXPECT_EQ(S.SkinStream().Size(), static_cast<int64_t>(File.size()));

    TSkinData D(nullptr);
    D.SetDesigning(true);
    D.SetSkinFile(Path);
    EXPECT_EQ(D.SkinStream().Size(), 0);
    EXPECT_TRUE(D.SkinEmpty);
    std::filesystem::remove_all(Dir);
}

TEST(SkinData, FilterFormSkin) {
    struct TCase {
        const char* Class;
        bool FastReport;
        bool DoSkin;
    };
    const TCase Cases[] = {
        {"SysMonthCal32", false, false}, {"sysmonthcal32", false, true}, {"TrpWindow", true, false},
        {"TrpWindow", false, true},     {"TRPWindow", true, true},     {"TButton", true, true},
        {"XTrpWindow", true, true},
    };
    RegisterReportWindowClassPrefix("Trp");
    TSkinData S(nullptr);
    int W = 1;
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Class);
        if (C.FastReport)
            S.SkinControls.Include(xcFastReport);
        else
            S.SkinControls.Exclude(xcFastReport);
        bool DoSkin = true;
        HWND Window = reinterpret_cast<HWND>(static_cast<intptr_t>(W++));
        S.FilterFormSkin(Window, C.Class, DoSkin);
        EXPECT_EQ(DoSkin, C.DoSkin);
        EXPECT_EQ(S.LastFilteredWindow, Window);
    }
    // A handler decides alone: it sees the class and may keep skinning on.
    std::string Seen;
    S.OnFormSkin = [&](TObject* Sender, const std::string& Name, bool& DoSkin) {
        EXPECT_EQ(Sender, &S);
        Seen = Name;
        DoSkin = !DoSkin;
    };
    bool DoSkin = true;
    S.FilterFormSkin(nullptr, "SysMonthCal32", DoSkin);
    EXPECT_EQ(Seen, "SysMonthCal32");
    EXPECT_FALSE(DoSkin);
    DoSkin = false;
    S.FilterFormSkin(nullptr, "TButton", DoSkin);
    EXPECT_TRUE(DoSkin);
    int Fired = 0;
    S.OnSkinChanged = [&](TObject* Sender) { Fired += Sender == &S; };
    S.SkinChangedNotify();
    EXPECT_EQ(Fired, 1);
}

// The application's icon at the small size on magenta, magenta transparent;
// the main window's own icon when it has one.
TEST(SkinData, AppIconIsTheApplicationsSmallIcon) {
    FormsStartup();
    auto MakeIcon = [](TColor Colour) {
        TBitmap Colour32(32, 32, pf24bit), Mask(32, 32, pf1bit);
        Colour32.Canvas().Brush().SetColor(Colour);
        Colour32.Canvas().FillRect(TRect(0, 0, 32, 32));
        Mask.Canvas().Brush().SetColor(clWhite);
        Mask.Canvas().FillRect(TRect(0, 0, 32, 32));
        Mask.Canvas().Brush().SetColor(clBlack);
        Mask.Canvas().FillRect(TRect(8, 8, 24, 24));  // only the middle is opaque
        ICONINFO I{TRUE, 0, 0, Mask.Handle(), Colour32.Handle()};
        return CreateIconIndirect(&I);
    };
    TSkinData S(nullptr);
    Application->Icon().SetHandle(nullptr);
    S.BuildAppIcon();  // no icon: kept as it was
    EXPECT_TRUE(S.AppIcon->Empty());

    Application->Icon().SetHandle(MakeIcon(clBlue));
    S.BuildAppIcon();
    const int W = GetSystemMetrics(SM_CXSMICON), H = GetSystemMetrics(SM_CYSMICON);
    ASSERT_EQ(S.AppIcon->Width(), W);
    ASSERT_EQ(S.AppIcon->Height(), H);
    EXPECT_TRUE(S.AppIcon->Transparent);
    EXPECT_EQ(S.AppIcon->TransparentColor, clFuchsia);
    EXPECT_EQ(S.AppIcon->Canvas().Pixel(0, 0) & 0xFFFFFF, clFuchsia);
    EXPECT_EQ(S.AppIcon->Canvas().Pixel(W / 2, H / 2) & 0xFFFFFF, clBlue);

    auto* Main = new TForm(Application);
    Main->Icon().SetHandle(MakeIcon(clLime));
    Application->SetMainForm(Main);
    Main->HandleNeeded();
    S.BuildAppIcon();
    EXPECT_EQ(S.AppIcon->Canvas().Pixel(W / 2, H / 2) & 0xFFFFFF, clLime);
    Application->SetMainForm(nullptr);
    Main->Free();
    FormsShutdown();
}

// The text helpers the skinned windows use: UTF-8 in, wide out; a counted
// or zero-terminated wide text; the same text drawn through the wide or the
// narrow call measures the same.
TEST(SkinData, TextHelpers) {
    EXPECT_EQ(StringToWideInCodePage(""), u"");
    EXPECT_EQ(StringToWideInCodePage("Caf\xC3\xA9 \xE2\x82\xAC"), u"Caf\u00E9 \u20AC");
    const char16_t Text[] = u"Title\0hidden";
    struct TCase {
        int Count;
        std::u16string Want;
    };
    for (const TCase& C : {TCase{-1, u"Title"}, TCase{3, u"Tit"}, TCase{0, u""}, TCase{8, std::u16string(Text, 8)}})
        EXPECT_EQ(PWideCharToWideString(Text, C.Count), C.Want) << C.Count;

    TBitmap B(200, 40, pf24bit);
    RECT Wide{0, 0, 0, 0}, Narrow{0, 0, 0, 0};
    const int HW = DrawWideText(B.Canvas().Handle(), u"Caf\u00E9 menu", &Wide, DT_CALCRECT | DT_SINGLELINE);
    UnicodePlatform = false;
    const int HN = DrawWideText(B.Canvas().Handle(), u"Caf\u00E9 menu", &Narrow, DT_CALCRECT | DT_SINGLELINE);
    UnicodePlatform = true;
    EXPECT_GT(HW, 0);
    EXPECT_EQ(HW, HN);
    EXPECT_GT(Wide.right, 0);
    EXPECT_EQ(Wide.right, Narrow.right);
}

// A window's control is the class library's own; none for 0 or a window the
// library did not make.
TEST(SkinData, ControlFromWindowProp) {
    FormsStartup();
    auto* F = new TForm(Application);
    HWND Foreign = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(ControlFromWindowProp(F->Handle()), F);
    EXPECT_EQ(ControlFromWindowProp(nullptr), nullptr);
    EXPECT_EQ(ControlFromWindowProp(Foreign), nullptr);
    DestroyWindow(Foreign);
    F->Free();
    FormsShutdown();
}

}  // namespace
