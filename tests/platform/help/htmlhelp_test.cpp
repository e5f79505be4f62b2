// The help viewer entry as the help loader binds and calls it.
#include <gtest/gtest.h>

#include "platform/help/htmlhelp.h"
#include "platform/system/module.h"
#include "platform/system/shell.h"
#include "sys_test_util.h"

using namespace systest;

namespace {

const std::string kTool = SYS_TESTTOOL;

class HtmlHelp : public ::testing::Test {
protected:
    void SetUp() override {
        InitHtmlHelp();
        ::mkdir((Tmp.Path + "bin").c_str(), 0755);
        MakeFakeOpener(Tmp.Path + "bin/", kTool);
        ::setenv("PATH", (Tmp.Path + "bin").c_str(), 1);
        ::setenv("SYS_OPENER_LOG", Log.c_str(), 1);
    }
    // Binds the entry the way the loader does: system folder + "/HHCTRL.OCX".
    THtmlHelpAProc Bind() {
        char dir[256];
        UINT n = GetSystemDirectoryA(dir, 255);
        std::string path = std::string(dir, n) + "/HHCTRL.OCX";
        HMODULE m = LoadLibraryA(path.c_str());
        if (!m) return nullptr;
        return reinterpret_cast<THtmlHelpAProc>(GetProcAddress(m, "HtmlHelpA"));
    }
    TEnvGuard Env{{"PATH", "SYS_OPENER_LOG"}};
    TTempDir Tmp;
    std::string Log = Tmp.Path + "opener.log";
};

TEST_F(HtmlHelp, OpensAnExistingHelpFileInTheViewer) {
    THtmlHelpAProc entry = Bind();
    ASSERT_NE(entry, nullptr);
    DWORD cookie = 0;
    entry(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&cookie));
    EXPECT_NE(cookie, 0u);
    std::string file = Tmp.Path + "English_help.chm";
    WriteText(file, "help");
    ::chmod(file.c_str(), 0755);  // even an executable help file is only ever opened
    struct TCase {
        std::string Arg;
    };
    const TCase cases[] = {{file}, {file + "::/topic.htm>main"}, {file + ">main"}};
    for (const auto& c : cases) {
        ::unlink(Log.c_str());
        EXPECT_EQ(entry(nullptr, c.Arg.c_str(), HH_DISPLAY_TOPIC, 0), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << c.Arg;
        EXPECT_EQ(WaitForText(Log), "[" + file + "]\n") << c.Arg;
    }
}

TEST_F(HtmlHelp, AMissingHelpFileStartsNothing) {
    THtmlHelpAProc entry = Bind();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry(nullptr, (Tmp.Path + "missing_help.chm").c_str(), HH_DISPLAY_TOPIC, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(entry(nullptr, nullptr, HH_DISPLAY_TOPIC, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ::usleep(100000);
    EXPECT_FALSE(Exists(Log));
}

TEST_F(HtmlHelp, WithoutAViewerTheModuleIsNotInstalled) {
    ::setenv("PATH", (Tmp.Path + "nothing").c_str(), 1);
    EXPECT_EQ(Bind(), nullptr);  // the loader then raises its "not installed" message
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    std::string file = Tmp.Path + "x.chm";
    WriteText(file, "help");
    EXPECT_EQ(HtmlHelpA(nullptr, file.c_str(), HH_DISPLAY_TOPIC, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
}

}  // namespace
