#include "pipeline/authoring.h"

#include "core/globals.h"
#include "platform/rtl/inifiles.h"

namespace {

const char* const kCrLf = "\r\n";

// Paths go into attribute values: a folder named "Tom & Jerry" must not break the XML.
std::string XmlEscape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string N(int v) { return IntToStr(v); }

void WriteText(const std::string& FileName, const std::string& Text) {
    TFileStream f(FileName, fmCreate);
    f.WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
}

std::string ButtonLine(const char* name, int x0, int y0, int w, int h) {
    return "<button x0=\"" + N(x0) + "\" y0=\"" + N(y0) + "\" x1=\"" + N(x0 + w) + "\" y1=\"" + N(y0 + h) +
           "\"  name=\"" + name + "\" />" + kCrLf;
}

std::string XmlHead() {
    return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>") + kCrLf + "<dvdauthor jumppad=\"1\">" + kCrLf +
           "<vmgm>" + kCrLf + "<menus>" + kCrLf + "<pgc>" + kCrLf;
}

std::string TitleVobLine(int t) {
    return "<vob chapters=\"15:00,30:00,45:00,1:00:00,1:15:00,1:30:00,1:45:00,2:00:00\" file=\"" +
           XmlEscape(Options.TempDir + N(t) + ".mpg") + "\"/>" + kCrLf;
}

}  // namespace

TTemplateLayout ReadTemplateLayout(const std::string& DatFile) {
    TIniFile ini(DatFile);
    TTemplateLayout l;
    l.Button1X = ini.ReadInteger("Button1", "x", 0);
    l.Button1Y = ini.ReadInteger("Button1", "y", 0);
    l.Button2X = ini.ReadInteger("Button2", "x", 0);
    l.Button2Y = ini.ReadInteger("Button2", "y", 0);
    l.DiffX = ini.ReadInteger("Diff", "x", 0);
    l.DiffY = ini.ReadInteger("Diff", "y", 0);
    l.FirstX = ini.ReadInteger("First", "x", 0);
    l.FirstY = ini.ReadInteger("First", "y", 0);
    l.FirstWidth = ini.ReadInteger("First", "width", 0);
    l.FirstHeight = ini.ReadInteger("First", "height", 0);
    l.PreX = ini.ReadInteger("Pre", "x", 0);
    l.PreY = ini.ReadInteger("Pre", "y", 0);
    l.NextX = ini.ReadInteger("Next", "x", 0);
    l.NextY = ini.ReadInteger("Next", "y", 0);
    return l;
}

int MenuPageCount(int TitleCount) { return TitleCount > 0 ? (TitleCount + 1) / 2 : 0; }

std::string PageXmlText(int Page, bool HasSecondTitle, const TTemplateLayout& L) {
    const std::string& T = Options.TempDir;
    std::string p = N(Page);
    std::string s = std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>") + kCrLf + "<subpictures>" + kCrLf +
                    "<stream>" + kCrLf + "<spu transparent=\"000000\" highlight=\"" +
                    XmlEscape(T + "menu_" + p + "_mask_red.png") +
                    "\" force=\"yes\" start=\"00:00:00.00\" select=\"" + XmlEscape(T + "menu_" + p + "_mask_blue.png") +
                    "\">" + kCrLf;
    s += ButtonLine("Button1", L.Button1X, L.Button1Y, TitleButtonWidth, TitleButtonHeight);
    if (HasSecondTitle) s += ButtonLine("Button2", L.Button2X, L.Button2Y, TitleButtonWidth, TitleButtonHeight);
    s += ButtonLine("first", L.FirstX, L.FirstY, L.FirstWidth, L.FirstHeight);
    s += ButtonLine("pre", L.PreX, L.PreY, L.FirstWidth, L.FirstHeight);
    s += ButtonLine("next", L.NextX, L.NextY, L.FirstWidth, L.FirstHeight);
    s += std::string("</spu>") + kCrLf + "</stream>" + kCrLf + "</subpictures>" + kCrLf;
    return s;
}

std::string MainMenuVideo(const std::string& ResourcesFolder) {
    // One disc, one norm: players refuse a PAL main menu in front of NTSC titles.
    return ResourcesFolder + (Options.VideoFormat == 1 ? "ntsc/empty.mpg" : "empty.mpg");
}

std::string MenuDvdXmlText(int TitleCount) {
    std::string s = XmlHead();
    s += "<vob file=\"" + XmlEscape(MainMenuVideo(Options.ResourcesDir)) + "\"/>" + kCrLf;
    s += std::string("<pre>jump titleset 1 menu;</pre>") + kCrLf + "</pgc>" + kCrLf + "</menus>" + kCrLf + "</vmgm>" +
         kCrLf + "<titleset>" + kCrLf + "<menus>" + kCrLf;
    int pages = MenuPageCount(TitleCount);
    for (int p = 0; p < pages; ++p) {
        bool second = 2 * p + 1 < TitleCount;
        s += std::string("<pgc>") + kCrLf;
        s += "<button name=\"Button1\">jump title " + N(2 * p + 1) + ";</button>" + kCrLf;
        if (second) s += "<button name=\"Button2\">jump title " + N(2 * p + 2) + ";</button>" + kCrLf;
        s += std::string("<button name=\"first\">jump menu 1;</button>") + kCrLf;
        s += "<button name=\"pre\">jump menu " + N(p == 0 ? 1 : p) + ";</button>" + kCrLf;
        s += "<button name=\"next\">jump menu " + N(p == pages - 1 ? p + 1 : p + 2) + ";</button>" + kCrLf;
        s += "<vob pause=\"inf\" file=\"" + XmlEscape(Options.TempDir + "menu_final_" + N(p) + ".mpg") + "\"/>" + kCrLf;
        s += std::string("</pgc>") + kCrLf;
    }
    s += std::string("</menus>") + kCrLf + "<titles>" + kCrLf;
    for (int t = 0; t < TitleCount; ++t) {
        s += std::string("<pgc>") + kCrLf + TitleVobLine(t) + "<post>call vmgm menu 1;</post>" + kCrLf + "</pgc>" + kCrLf;
    }
    s += std::string("</titles>") + kCrLf + "</titleset>" + kCrLf + "</dvdauthor>" + kCrLf;
    return s;
}

std::string NoMenuDvdXmlText(int LastTitle) {
    std::string s = XmlHead();
    s += "<vob file=\"" + XmlEscape(MainMenuVideo(AppDir + "resources/")) + "\"/>" + kCrLf;
    s += std::string("<pre>jump title 1;</pre>") + kCrLf + "</pgc>" + kCrLf + "</menus>" + kCrLf + "</vmgm>" + kCrLf +
         "<titleset>" + kCrLf + "<titles>" + kCrLf;
    for (int t = 0; t <= LastTitle; ++t) {
        s += std::string("<pgc>") + kCrLf + TitleVobLine(t);
        s += "<post>jump title " + N(t == LastTitle ? 1 : t + 2) + ";</post>" + kCrLf + "</pgc>" + kCrLf;
    }
    s += std::string("</titles>") + kCrLf + "</titleset>" + kCrLf + "</dvdauthor>" + kCrLf;
    return s;
}

std::string MenuFrameRate() {
    switch (Options.VideoFormat) {
        case 0: return "25";
        case 1: return "29.97";
        default: return "";
    }
}

std::string MenuNorm() {
    switch (Options.VideoFormat) {
        case 0: return "p";
        case 1: return "n";
        default: return "";
    }
}

std::string MenuBatchText(int PageCount) {
    const std::string& T = Options.TempDir;
    std::string s;
    for (int p = 0; p < PageCount; ++p) {
        std::string n = N(p);
        s += "\"" + Options.StillEncoderFile + "\" -n 50 -I p -f " + MenuFrameRate() + " -j \"" + T + "menu_" + n +
             ".jpg\" | \"" + Options.VideoEncoderFile + "\" -n " + MenuNorm() + " -f 8 -o \"" + T + "menu_back_" + n +
             ".m2v\"" + kCrLf;
        s += "\"" + Options.MultiplexerFile + "\" -f 8 -o \"" + T + "menu_" + n + ".mpg\" \"" + T + "menu_back_" + n +
             ".m2v\" \"" + Options.ResourcesDir + "silence.mp2\"" + kCrLf;
        s += "\"" + Options.SubpictureMuxerFile + "\" \"" + T + n + ".xml\" < \"" + T + "menu_" + n + ".mpg\" > \"" + T +
             "menu_final_" + n + ".mpg\"" + kCrLf;
    }
    return s;
}

void WritePageXmls(const TTemplateLayout& Layout) {
    int pages = MenuPageCount(Options.TitleCount);
    for (int p = 0; p < pages; ++p)
        WriteText(Options.TempDir + N(p) + ".xml", PageXmlText(p, 2 * p + 1 < Options.TitleCount, Layout));
}

void WriteMenuDvdXml() { WriteText(Options.TempDir + "dvd.xml", MenuDvdXmlText(Options.TitleCount)); }

void WriteNoMenuDvdXml() { WriteText(Options.TempDir + "dvd.xml", NoMenuDvdXmlText(Options.OutputNumber)); }

void WriteMenuBatch() { WriteText(Options.TempDir + "menu.bat", MenuBatchText(MenuPageCount(Options.TitleCount))); }

std::string NewDiscFolder(const std::string& Base) {
    std::string base = IncludeTrailingPathDelimiter(Base);
    for (int n = 1;; ++n) {
        std::string candidate = base + "DVD_DISC" + N(n);
        if (DirectoryExists(candidate)) continue;
        // A file of that name is no folder either; it cannot become one.
        if (FileExists(candidate)) continue;
        return ForceDirectories(candidate) ? candidate : std::string();
    }
}

std::string AuthorCommandLine(const std::string& OutputFolder) {
    return "\"" + Options.AuthoringToolFile + "\" -o \"" + OutputFolder + "\" -x \"" + Options.TempDir + "dvd.xml\"";
}

int AuthorLineProgress(const std::string& Line, int TitleCount) {
    int bar = -1;
    if (!Options.AuthoringToolFile.empty() && Line.find(Options.AuthoringToolFile) != std::string::npos) bar = 20;
    const std::string stat = "STAT: Processing " + Options.TempDir;
    if (TitleCount > 0 && Line.find(stat) != std::string::npos) {
        for (int t = 0; t < TitleCount; ++t) {
            // The title's full name, so that "11.mpg" is not taken for "1.mpg".
            if (Line.find(Options.TempDir + N(t) + ".mpg") != std::string::npos) bar = (100 / TitleCount) * (t + 1);
        }
    }
    if (Line.find("empty.mpg") != std::string::npos) bar = 100;
    return bar;
}

void DeleteMenuFiles() {
    const std::string& T = Options.TempDir;
    int pages = MenuPageCount(Options.TitleCount);
    for (int p = 0; p < pages; ++p) {
        std::string n = N(p);
        DeleteFile(T + "menu_" + n + ".jpg");
        DeleteFile(T + "menu_" + n + "_mask_blue.png");
        DeleteFile(T + "menu_" + n + "_mask_red.png");
        DeleteFile(T + "menu_" + n + ".mpg");
        DeleteFile(T + "menu_back_" + n + ".m2v");
        DeleteFile(T + n + ".xml");
    }
    DeleteFile(T + "menu.bat");
}

void DeleteTitleFiles() {
    const std::string& T = Options.TempDir;
    for (int t = 0; t < Options.TitleCount; ++t) DeleteFile(T + N(t) + ".mpg");
    for (int p = 0; p < MenuPageCount(Options.TitleCount); ++p) DeleteFile(T + "menu_final_" + N(p) + ".mpg");
    DeleteFile(T + "dvd.xml");
}
