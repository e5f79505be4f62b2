#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/globals.h"
#include "pipeline/authoring.h"

namespace fs = std::filesystem;

namespace {

class Authoring : public ::testing::Test {
protected:
    void SetUp() override {
        saved = Options;
        Options.TempDir = "/t/";
        Options.ResourcesDir = "/a/resources/";
        AppDir = "/a/";
        Options.StillEncoderFile = "/a/stillpress.dll";
        Options.VideoEncoderFile = "/a/vidpack.dll";
        Options.MultiplexerFile = "/a/plexora.dll";
        Options.SubpictureMuxerFile = "/a/plexora2.dll";
        Options.AuthoringToolFile = "/a/authora.dll";
        Options.VideoFormat = 0;
        layout.Button1X = 100;
        layout.Button1Y = 80;
        layout.Button2X = 400;
        layout.Button2Y = 80;
        layout.FirstX = 10;
        layout.FirstY = 400;
        layout.FirstWidth = 90;
        layout.FirstHeight = 40;
        layout.PreX = 110;
        layout.PreY = 400;
        layout.NextX = 210;
        layout.NextY = 401;
    }
    void TearDown() override {
        Options = saved;
        AppDir = savedApp;
    }
    TOptions saved;
    std::string savedApp = AppDir;
    TTemplateLayout layout;
};

TEST_F(Authoring, PageXmlWithOneAndTwoTitles) {
    const std::string head =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<subpictures>\r\n<stream>\r\n"
        "<spu transparent=\"000000\" highlight=\"/t/menu_1_mask_red.png\" force=\"yes\" start=\"00:00:00.00\" "
        "select=\"/t/menu_1_mask_blue.png\">\r\n"
        "<button x0=\"100\" y0=\"80\" x1=\"260\" y1=\"204\"  name=\"Button1\" />\r\n";
    const std::string second = "<button x0=\"400\" y0=\"80\" x1=\"560\" y1=\"204\"  name=\"Button2\" />\r\n";
    const std::string tail =
        "<button x0=\"10\" y0=\"400\" x1=\"100\" y1=\"440\"  name=\"first\" />\r\n"
        "<button x0=\"110\" y0=\"400\" x1=\"200\" y1=\"440\"  name=\"pre\" />\r\n"
        "<button x0=\"210\" y0=\"401\" x1=\"300\" y1=\"441\"  name=\"next\" />\r\n"
        "</spu>\r\n</stream>\r\n</subpictures>\r\n";
    EXPECT_EQ(PageXmlText(1, false, layout), head + tail);
    EXPECT_EQ(PageXmlText(1, true, layout), head + second + tail);
}

TEST_F(Authoring, DvdXmlWithMenusForThreeTitles) {
    const std::string vob = "<vob chapters=\"15:00,30:00,45:00,1:00:00,1:15:00,1:30:00,1:45:00,2:00:00\" file=\"/t/";
    const std::string want =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<dvdauthor jumppad=\"1\">\r\n<vmgm>\r\n<menus>\r\n<pgc>\r\n"
        "<vob file=\"/a/resources/empty.mpg\"/>\r\n<pre>jump titleset 1 menu;</pre>\r\n</pgc>\r\n</menus>\r\n"
        "</vmgm>\r\n<titleset>\r\n<menus>\r\n"
        "<pgc>\r\n<button name=\"Button1\">jump title 1;</button>\r\n<button name=\"Button2\">jump title 2;</button>\r\n"
        "<button name=\"first\">jump menu 1;</button>\r\n<button name=\"pre\">jump menu 1;</button>\r\n"
        "<button name=\"next\">jump menu 2;</button>\r\n<vob pause=\"inf\" file=\"/t/menu_final_0.mpg\"/>\r\n</pgc>\r\n"
        "<pgc>\r\n<button name=\"Button1\">jump title 3;</button>\r\n"
        "<button name=\"first\">jump menu 1;</button>\r\n<button name=\"pre\">jump menu 1;</button>\r\n"
        "<button name=\"next\">jump menu 2;</button>\r\n<vob pause=\"inf\" file=\"/t/menu_final_1.mpg\"/>\r\n</pgc>\r\n"
        "</menus>\r\n<titles>\r\n"
        "<pgc>\r\n" + vob + "0.mpg\"/>\r\n<post>call vmgm menu 1;</post>\r\n</pgc>\r\n"
        "<pgc>\r\n" + vob + "1.mpg\"/>\r\n<post>call vmgm menu 1;</post>\r\n</pgc>\r\n"
        "<pgc>\r\n" + vob + "2.mpg\"/>\r\n<post>call vmgm menu 1;</post>\r\n</pgc>\r\n"
        "</titles>\r\n</titleset>\r\n</dvdauthor>\r\n";
    EXPECT_EQ(MenuDvdXmlText(3), want);
    // One title: one page whose pre and next both stay on menu 1.
    std::string one = MenuDvdXmlText(1);
    EXPECT_NE(one.find("<button name=\"pre\">jump menu 1;</button>\r\n<button name=\"next\">jump menu 1;</button>"),
              std::string::npos);
    EXPECT_EQ(one.find("Button2"), std::string::npos);
}

TEST_F(Authoring, DvdXmlWithoutMenusChainsTheTitles) {
    const std::string vob = "<vob chapters=\"15:00,30:00,45:00,1:00:00,1:15:00,1:30:00,1:45:00,2:00:00\" file=\"/t/";
    std::string want =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<dvdauthor jumppad=\"1\">\r\n<vmgm>\r\n<menus>\r\n<pgc>\r\n"
        "<vob file=\"/a/resources/empty.mpg\"/>\r\n<pre>jump title 1;</pre>\r\n</pgc>\r\n</menus>\r\n</vmgm>\r\n"
        "<titleset>\r\n<titles>\r\n";
    for (int t = 0; t < 5; ++t)
        want += "<pgc>\r\n" + vob + std::to_string(t) + ".mpg\"/>\r\n<post>jump title " +
                std::to_string(t == 4 ? 1 : t + 2) + ";</post>\r\n</pgc>\r\n";
    want += "</titles>\r\n</titleset>\r\n</dvdauthor>\r\n";
    EXPECT_EQ(NoMenuDvdXmlText(4), want);
}

TEST_F(Authoring, AnNtscDiscGetsAnNtscMainMenu) {
    Options.VideoFormat = 1;
    for (const std::string& Xml : {MenuDvdXmlText(3), NoMenuDvdXmlText(2)}) {
        EXPECT_NE(Xml.find("<vob file=\"/a/resources/ntsc/empty.mpg\"/>\r\n"), std::string::npos) << Xml;
        EXPECT_EQ(Xml.find("resources/empty.mpg"), std::string::npos) << Xml;
    }
    // The builder's progress still knows the main menu's line.
    EXPECT_EQ(AuthorLineProgress("STAT: Processing /a/resources/ntsc/empty.mpg...", 3), 100);
    Options.VideoFormat = 0;
}

TEST_F(Authoring, MenuBatchForOneAndThreePagesInBothNorms) {
    auto page = [](int p, const char* rate, const char* norm) {
        std::string n = std::to_string(p);
        return "\"/a/stillpress.dll\" -n 50 -I p -f " + std::string(rate) + " -j \"/t/menu_" + n +
               ".jpg\" | \"/a/vidpack.dll\" -n " + norm + " -f 8 -o \"/t/menu_back_" + n + ".m2v\"\r\n" +
               "\"/a/plexora.dll\" -f 8 -o \"/t/menu_" + n + ".mpg\" \"/t/menu_back_" + n +
               ".m2v\" \"/a/resources/silence.mp2\"\r\n" + "\"/a/plexora2.dll\" \"/t/" + n + ".xml\" < \"/t/menu_" + n +
               ".mpg\" > \"/t/menu_final_" + n + ".mpg\"\r\n";
    };
    EXPECT_EQ(MenuBatchText(1), page(0, "25", "p"));
    Options.VideoFormat = 1;
    EXPECT_EQ(MenuBatchText(3), page(0, "29.97", "n") + page(1, "29.97", "n") + page(2, "29.97", "n"));
    Options.VideoFormat = 2;
    EXPECT_EQ(MenuFrameRate(), "");
    EXPECT_EQ(MenuNorm(), "");
}

TEST_F(Authoring, PathsWithMarkupCharactersStayValidXml) {
    Options.TempDir = "/home/me/Tom & Jerry <1>/";
    std::string x = PageXmlText(0, false, layout);
    EXPECT_NE(x.find("highlight=\"/home/me/Tom &amp; Jerry &lt;1&gt;/menu_0_mask_red.png\""), std::string::npos);
    EXPECT_EQ(x.find("Tom & Jerry"), std::string::npos);
}

TEST_F(Authoring, BuilderProgress) {
    Options.TempDir = "/t/";
    struct {
        const char* line;
        int bar;
    } cases[] = {
        {"DVDAuthor::dvdauthor, version 0.7.2.", -1},
        {"running /a/authora.dll -o x", 20},
        {"STAT: Processing /t/1.mpg...", 50},
        {"STAT: Processing /t/0.mpg...", 25},
        {"STAT: Processing /t/3.mpg...", 100},
        {"STAT: Processing /t/11.mpg...", -1},
        {"STAT: Processing /other/1.mpg...", -1},
        {"STAT: Processing /a/resources/empty.mpg...", 100},
    };
    for (const auto& c : cases) EXPECT_EQ(AuthorLineProgress(c.line, 4), c.bar) << c.line;
}

TEST_F(Authoring, NewDiscFolderTakesTheFirstFreeNumber) {
    fs::path base = fs::temp_directory_path() / ("disc folders " + std::to_string(::getpid()));
    fs::create_directories(base / "DVD_DISC1");
    fs::create_directories(base / "DVD_DISC2");
    std::ofstream(base / "DVD_DISC3") << "a file";
    EXPECT_EQ(NewDiscFolder(base.string()), (base / "DVD_DISC4").string());
    EXPECT_TRUE(fs::is_directory(base / "DVD_DISC4"));
    EXPECT_EQ(NewDiscFolder(base.string() + "/"), (base / "DVD_DISC5").string());
    fs::remove_all(base);
}

TEST_F(Authoring, TemplateLayoutReadsEveryValueAndZeroForMissingOnes) {
    fs::path dir = fs::temp_directory_path() / ("layout " + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "dat.dat", std::ios::binary)
        << "[Button1]\r\nx=100\r\ny = 80\r\n[Diff]\r\nx=5\r\ny=5\r\n[First]\r\nx=1\r\ny=2\r\nwidth=90\r\nheight=40\r\n"
           "[Next]\r\nx=abc\r\n";
    TTemplateLayout l = ReadTemplateLayout((dir / "dat.dat").string());
    EXPECT_EQ(l.Button1X, 100);
    EXPECT_EQ(l.Button1Y, 80);
    EXPECT_EQ(l.Button2X, 0);
    EXPECT_EQ(l.DiffX, 5);
    EXPECT_EQ(l.FirstWidth, 90);
    EXPECT_EQ(l.FirstHeight, 40);
    EXPECT_EQ(l.NextX, 0);
    fs::remove_all(dir);
}

}  // namespace
