// The menu half of a run with the real tools: composed pages, the subpicture and
// structure files, menu.bat through the command processor, then the structure
// builder; the disc folder is read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdio>
#include <fstream>

#include "core/globals.h"
#include "pipeline/authoring.h"
#include "pipeline/menu_images.h"
#include "platform/classlib/jpeg.h"
#include "platform/system/process.h"

namespace fs = std::filesystem;

namespace {

// Runs a command line to its end (bounded), output dropped; the exit code or -1.
int RunToEnd(const std::string& CommandLine, DWORD TimeoutMs = 300000) {
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::string cl = CommandLine;
    if (!CreateProcessA(nullptr, cl.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, TimeoutMs) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 10000);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return static_cast<int>(code);
}

uint32_t Be32(const std::vector<unsigned char>& d, size_t p) {
    return static_cast<uint32_t>(d[p]) << 24 | d[p + 1] << 16 | d[p + 2] << 8 | d[p + 3];
}
uint16_t Be16(const std::vector<unsigned char>& d, size_t p) { return static_cast<uint16_t>(d[p] << 8 | d[p + 1]); }

// Number of menu programme chains of the first language unit of a titleset.
int MenuPgcCount(const fs::path& ifo) {
    std::ifstream in(ifo, std::ios::binary);
    std::vector<unsigned char> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (d.size() < 0x100) return -1;
    size_t ut = static_cast<size_t>(Be32(d, 0xD0)) * 2048;  // VTSM_PGCI_UT
    if (ut == 0 || ut + 16 > d.size()) return 0;
    size_t pgcit = ut + Be32(d, ut + 8 + 4);
    if (pgcit + 2 > d.size()) return -1;
    return Be16(d, pgcit);
}

TEST(MenuChain, ThreeTitlesWithMenusBecomeADiscFolder) {
    TOptions saved = Options;
    std::string savedApp = AppDir;
    fs::path dir = fs::temp_directory_path() / ("menu chain ä " + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string app = std::string(TESSARO_APP_DIR) + "/";
    AppDir = app;
    Options.TempDir = dir.string() + "/";
    Options.TemplateDir = app + "template2/";
    Options.ResourcesDir = app + "resources/";
    Options.StillEncoderFile = app + "stillpress.dll";
    Options.VideoEncoderFile = app + "vidpack.dll";
    Options.MultiplexerFile = app + "plexora.dll";
    Options.SubpictureMuxerFile = app + "plexora2.dll";
    Options.AuthoringToolFile = app + "authora.dll";
    Options.VideoFormat = 0;
    Options.TitleCount = 3;

    // Titles as the conversion step leaves them: t.mpg and t.jpg.
    for (int t = 0; t < 3; ++t) {
        std::string mpg = Options.TempDir + std::to_string(t) + ".mpg";
        ASSERT_EQ(RunToEnd("ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=352x288:rate=25:duration=" +
                      std::to_string(2 + t) + " -f lavfi -i anullsrc=r=48000:cl=stereo -shortest -target pal-dvd \"" +
                      mpg + "\""),
                  0);
        TBitmap b(150, 114, pf24bit);
        b.Canvas().Brush().SetColor(RGB(60 * t, 120, 200));
        b.Canvas().FillRect(Rect(0, 0, 150, 114));
        TJPEGImage j;
        j.Assign(b);
        j.SaveToFile(Options.TempDir + std::to_string(t) + ".jpg");
    }

    ASSERT_TRUE(BuildMenuImages(nullptr, nullptr));
    WritePageXmls(ReadTemplateLayout(Options.TemplateDir + "dat.dat"));
    WriteMenuDvdXml();
    WriteMenuBatch();
    ASSERT_EQ(RunToEnd("\"" + Options.TempDir + "menu.bat\""), 0);
    for (int p = 0; p < 2; ++p)
        ASSERT_GT(fs::file_size(dir / ("menu_final_" + std::to_string(p) + ".mpg")), 10000u) << "page " << p;
    DeleteMenuFiles();

    std::string out = NewDiscFolder(Options.TempDir);
    ASSERT_EQ(out, Options.TempDir + "DVD_DISC1");
    ASSERT_EQ(RunToEnd(AuthorCommandLine(out)), 0);
    DeleteTitleFiles();

    fs::path vts = fs::path(out) / "VIDEO_TS";
    EXPECT_TRUE(fs::exists(vts / "VIDEO_TS.IFO"));
    // Two pages, plus the chain the builder adds for its jump pad.
    EXPECT_EQ(MenuPgcCount(vts / "VTS_01_0.IFO"), 2 + 1);
    // An independent reader sees the three titles with their lengths.
    std::string listing;
    if (FILE* f = popen(("lsdvd '" + out + "' 2>/dev/null").c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, f)) listing += buf;
        pclose(f);
    }
    EXPECT_NE(listing.find("Title: 01, Length: 00:00:02"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Title: 02, Length: 00:00:03"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Title: 03, Length: 00:00:04"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("Title: 04"), std::string::npos) << listing;

    // Only the disc folder is left of the run.
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir)) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, (std::vector<std::string>{"DVD_DISC1"}));

    Options = saved;
    AppDir = savedApp;
    fs::remove_all(dir);
}

}  // namespace
