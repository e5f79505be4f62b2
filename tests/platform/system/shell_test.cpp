// Shell services: special folders from XDG settings, temporary names, version,
// opening documents through xdg-open, recursive delete, drops, volumes, modules.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/system/module.h"
#include "platform/system/shell.h"
#include "sys_test_util.h"

using namespace systest;

namespace {

const std::string kTool = SYS_TESTTOOL;

class Shell : public ::testing::Test {
protected:
    TEnvGuard Env{{"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_VIDEOS_DIR",
                   "XDG_DOCUMENTS_DIR", "XDG_DESKTOP_DIR", "XDG_MUSIC_DIR", "XDG_PICTURES_DIR", "TMPDIR", "PATH",
                   "SYS_OPENER_LOG"}};
    TTempDir Tmp;
};

TEST_F(Shell, SpecialFoldersFollowXdgSettingsAndDefaults) {
    const std::string home = Tmp.Path + "home";
    const std::string cfg = Tmp.Path + "cfg";
    ::mkdir(cfg.c_str(), 0755);
    WriteText(cfg + "/user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                                       "XDG_VIDEOS_DIR=\"$HOME/Filme\"\n"
                                       "XDG_DOCUMENTS_DIR=\"/srv/docs/\"\n"
                                       "XDG_MUSIC_DIR=\"relative/ignored\"\n");
    struct TCase {
        std::vector<std::pair<const char*, std::string>> Set;  // empty value: unset
        int Csidl;
        std::string Expected;
    };
    const std::vector<std::pair<const char*, std::string>> bare = {
        {"HOME", home}, {"XDG_DATA_HOME", ""}, {"XDG_CONFIG_HOME", ""}, {"XDG_CACHE_HOME", ""},
        {"XDG_VIDEOS_DIR", ""}, {"XDG_DOCUMENTS_DIR", ""}, {"XDG_DESKTOP_DIR", ""}, {"XDG_MUSIC_DIR", ""}};
    auto with = [&](std::vector<std::pair<const char*, std::string>> extra) {
        auto all = bare;
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    };
    const TCase cases[] = {
        // Defaults.
        {bare, CSIDL_APPDATA, home + "/.local/share"},
        {bare, CSIDL_LOCAL_APPDATA, home + "/.local/share"},
        {bare, CSIDL_PERSONAL, home + "/Documents"},
        {bare, CSIDL_DESKTOPDIRECTORY, home + "/Desktop"},
        {bare, CSIDL_MYVIDEO, home + "/Videos"},
        {bare, CSIDL_MYMUSIC, home + "/Music"},
        {bare, CSIDL_PROFILE, home},
        {bare, CSIDL_INTERNET_CACHE, home + "/.cache"},
        // Variables set.
        {with({{"XDG_DATA_HOME", "/data/share/"}}), CSIDL_APPDATA, "/data/share"},
        {with({{"XDG_DATA_HOME", "not/absolute"}}), CSIDL_APPDATA, home + "/.local/share"},
        {with({{"XDG_CACHE_HOME", "/c"}}), CSIDL_INTERNET_CACHE, "/c"},
        {with({{"XDG_VIDEOS_DIR", "/media/v"}}), CSIDL_MYVIDEO, "/media/v"},
        {with({{"XDG_DESKTOP_DIR", "/d/top"}}), CSIDL_DESKTOP, "/d/top"},
        // The user-dirs file.
        {with({{"XDG_CONFIG_HOME", cfg}}), CSIDL_MYVIDEO, home + "/Filme"},
        {with({{"XDG_CONFIG_HOME", cfg}}), CSIDL_PERSONAL, "/srv/docs"},
        {with({{"XDG_CONFIG_HOME", cfg}}), CSIDL_MYMUSIC, home + "/Music"},
        {with({{"XDG_CONFIG_HOME", cfg}, {"XDG_VIDEOS_DIR", "/env/wins"}}), CSIDL_MYVIDEO, "/env/wins"},
        // No path.
        {bare, CSIDL_DRIVES, ""},
        {bare, 0x7F, ""},
    };
    for (const auto& c : cases) {
        for (const auto& [name, value] : c.Set) {
            if (value.empty())
                ::unsetenv(name);
            else
                ::setenv(name, value.c_str(), 1);
        }
        EXPECT_EQ(SpecialFolderPath(c.Csidl), c.Expected) << c.Csidl;
        char buf[MAX_PATH] = {};
        BOOL ok = SHGetSpecialFolderPathA(nullptr, buf, c.Csidl, FALSE);
        EXPECT_EQ(ok != FALSE, !c.Expected.empty()) << c.Csidl;
        if (ok) {
            EXPECT_EQ(std::string(buf), c.Expected);
        }
    }
}

TEST_F(Shell, FoldersAreMadeWhenAsked) {
    ::setenv("HOME", (Tmp.Path + "home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (Tmp.Path + "data/deep").c_str(), 1);
    char buf[MAX_PATH];
    EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, buf), S_FALSE);  // known, not there
    EXPECT_FALSE(IsFolder(Tmp.Path + "data/deep"));
    EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, buf), S_OK);
    EXPECT_EQ(std::string(buf), Tmp.Path + "data/deep");
    EXPECT_TRUE(IsFolder(Tmp.Path + "data/deep"));
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, buf, CSIDL_MYVIDEO, TRUE));
    EXPECT_TRUE(IsFolder(Tmp.Path + "home/Videos"));
    EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_DRIVES, nullptr, 0, buf), E_INVALIDARG);
    // A folder that cannot be made.
    WriteText(Tmp.Path + "file", "x");
    ::setenv("XDG_DATA_HOME", (Tmp.Path + "file/sub").c_str(), 1);
    EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, buf, CSIDL_APPDATA, TRUE));
}

TEST_F(Shell, TemporaryFolderAndNames) {
    char buf[MAX_PATH];
    ::setenv("TMPDIR", Tmp.Path.substr(0, Tmp.Path.size() - 1).c_str(), 1);
    DWORD n = GetTempPathA(sizeof buf, buf);
    EXPECT_EQ(std::string(buf), Tmp.Path);
    EXPECT_EQ(n, Tmp.Path.size());
    EXPECT_EQ(GetTempPathA(3, buf), Tmp.Path.size() + 1);  // the size needed
    ::unsetenv("TMPDIR");
    GetTempPathA(sizeof buf, buf);
    EXPECT_EQ(std::string(buf), "/tmp/");

    char a[MAX_PATH], b[MAX_PATH];
    UINT ua = GetTempFileNameA(Tmp.Path.c_str(), "IMGxx", 0, a);
    UINT ub = GetTempFileNameA(Tmp.Path.c_str(), "IMGxx", 0, b);
    ASSERT_NE(ua, 0u);
    ASSERT_NE(ub, 0u);
    EXPECT_NE(std::string(a), std::string(b));
    EXPECT_TRUE(Exists(a));
    EXPECT_TRUE(Exists(b));
    EXPECT_EQ(std::string(a).rfind(Tmp.Path + "IMG", 0), 0u);
    EXPECT_EQ(GetTempFileNameA(Tmp.Path.c_str(), "ab", 0x51234, a), 0x1234u);
    EXPECT_EQ(std::string(a), Tmp.Path + "ab1234.tmp");
    EXPECT_FALSE(Exists(a));
    EXPECT_EQ(GetTempFileNameA((Tmp.Path + "missing").c_str(), "x", 0, a), 0u);
}

TEST_F(Shell, VersionIsAnNtSystemNewerThanXp) {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    ASSERT_TRUE(GetVersionExA(&v));
    EXPECT_EQ(v.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_TRUE(v.dwMajorVersion > 5 || (v.dwMajorVersion == 5 && v.dwMinorVersion > 1));
    OSVERSIONINFOEXA ex{};
    ex.dwOSVersionInfoSize = sizeof ex;
    EXPECT_TRUE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex)));
    v.dwOSVersionInfoSize = 12;
    EXPECT_FALSE(GetVersionExA(&v));
    EXPECT_EQ(GetVersion() & 0xFF, v.dwMajorVersion);
}

TEST_F(Shell, ShellExecuteOpensThroughXdgOpenWithoutAShell) {
    std::string bin = Tmp.Path + "bin/";
    ::mkdir(bin.c_str(), 0755);
    MakeFakeOpener(bin, kTool);
    ::setenv("PATH", bin.c_str(), 1);
    std::string log = Tmp.Path + "opener.log";
    ::setenv("SYS_OPENER_LOG", log.c_str(), 1);
    std::string doc = Tmp.Path + "my $(touch pwned) `x` 100% Grüße.mpg";
    WriteText(doc, "video");
    struct TCase {
        std::string File;
        const char* Dir;
        std::string Logged;
    };
    const TCase cases[] = {
        {doc, nullptr, "[" + doc + "]\n"},
        {"my $(touch pwned) `x` 100% Grüße.mpg", Tmp.Path.c_str(), "[" + doc + "]\n"},
        {"https://example.org/a?b=c&d=$(x)", nullptr, "[https://example.org/a?b=c&d=$(x)]\n"},
        {Tmp.Path, nullptr, "[" + Tmp.Path + "]\n"},  // a folder
    };
    for (const auto& c : cases) {
        ::unlink(log.c_str());
        HINSTANCE r = ShellExecuteA(nullptr, "open", c.File.c_str(), nullptr, c.Dir, 1);
        EXPECT_GT(reinterpret_cast<intptr_t>(r), 32) << c.File;
        EXPECT_EQ(WaitForText(log), c.Logged) << c.File;
    }
    EXPECT_FALSE(Exists(Tmp.Path + "pwned"));
    // Missing file, unknown verb, no opener installed.
    EXPECT_EQ(reinterpret_cast<intptr_t>(ShellExecuteA(nullptr, nullptr, (Tmp.Path + "none").c_str(), nullptr,
                                                       nullptr, 1)),
              SE_ERR_FNF);
    EXPECT_EQ(reinterpret_cast<intptr_t>(ShellExecuteA(nullptr, "print", doc.c_str(), nullptr, nullptr, 1)),
              SE_ERR_NOASSOC);
    ::setenv("PATH", (Tmp.Path + "empty").c_str(), 1);
    EXPECT_EQ(reinterpret_cast<intptr_t>(ShellExecuteA(nullptr, "open", doc.c_str(), nullptr, nullptr, 1)),
              SE_ERR_NOASSOC);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
}

TEST_F(Shell, ShellExecuteStartsAProgramWithItsParameters) {
    std::string log = Tmp.Path + "run.log";
    // The test tool named xdg-open writes its arguments, whatever folder it is in.
    std::string prog = Tmp.Path + "xdg-open";
    MakeFakeOpener(Tmp.Path, kTool);
    ::setenv("SYS_OPENER_LOG", log.c_str(), 1);
    HINSTANCE r = ShellExecuteA(nullptr, "open", prog.c_str(), "\"a b\" $HOME;x", nullptr, 1);
    EXPECT_GT(reinterpret_cast<intptr_t>(r), 32);
    EXPECT_EQ(WaitForText(log), "[a b]\n[$HOME;x]\n");
}

TEST_F(Shell, RecursiveDeleteRemovesTreesButNeverFollowsLinks) {
    std::string outside = Tmp.Path + "outside/";
    ::mkdir(outside.c_str(), 0755);
    WriteText(outside + "keep.txt", "keep");
    std::string tree = Tmp.Path + "VIDEO_TS";
    ::mkdir(tree.c_str(), 0755);
    ::mkdir((tree + "/sub").c_str(), 0755);
    ::mkdir((tree + "/sub/deeper").c_str(), 0755);
    WriteText(tree + "/VTS_01_1.VOB", "v");
    WriteText(tree + "/sub/deeper/x", "x");
    WriteText(tree + "/ro", "r");
    ::chmod((tree + "/ro").c_str(), 0444);
    ASSERT_EQ(::symlink(outside.c_str(), (tree + "/link").c_str()), 0);
    WriteText(Tmp.Path + "a.tmp", "");
    WriteText(Tmp.Path + "b.tmp", "");
    WriteText(Tmp.Path + "c.keep", "");

    std::string from = tree + '\0' + Tmp.Path + "*.tmp" + '\0' + '\0';
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    EXPECT_EQ(SHFileOperationA(&op), 0);
    EXPECT_FALSE(Exists(tree));
    EXPECT_FALSE(Exists(Tmp.Path + "a.tmp"));
    EXPECT_FALSE(Exists(Tmp.Path + "b.tmp"));
    EXPECT_TRUE(Exists(Tmp.Path + "c.keep"));
    EXPECT_EQ(ReadText(outside + "keep.txt"), "keep");

    std::string missing = Tmp.Path + "nothing" + '\0' + '\0';
    op.pFrom = missing.c_str();
    EXPECT_EQ(SHFileOperationA(&op), ERROR_FILE_NOT_FOUND);
    op.wFunc = FO_COPY;
    EXPECT_EQ(SHFileOperationA(&op), ERROR_NOT_SUPPORTED);
}

TEST_F(Shell, DroppedFileNamesAreReadBack) {
    const std::vector<std::string> names = {"/v/a b.mpg", "/v/Grüße.avi", "/v/$(x).mkv"};
    for (bool wide : {false, true}) {
        HDROP d = CreateDropFiles(names, POINT{10, 20}, wide);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(DragQueryFileA(d, 0xFFFFFFFFu, nullptr, 0), 3u);
        for (UINT i = 0; i < 3; ++i) {
            EXPECT_EQ(DragQueryFileA(d, i, nullptr, 0), names[i].size());
            char buf[256];
            EXPECT_EQ(DragQueryFileA(d, i, buf, sizeof buf), names[i].size());
            EXPECT_EQ(std::string(buf), names[i]);
        }
        char small[5];
        EXPECT_EQ(DragQueryFileA(d, 0, small, sizeof small), 4u);
        EXPECT_EQ(std::string(small), "/v/a");
        EXPECT_EQ(DragQueryFileA(d, 3, small, sizeof small), 0u);
        POINT pt{};
        EXPECT_TRUE(DragQueryPoint(d, &pt));
        EXPECT_EQ(pt.x, 10);
        EXPECT_EQ(pt.y, 20);
        DragFinish(d);
    }
}

TEST_F(Shell, VolumeInformationOfAFolder) {
    char name[256], fs[64];
    DWORD serial = 0, maxLen = 0, flags = 0;
    ASSERT_TRUE(GetVolumeInformationA(Tmp.Path.c_str(), name, sizeof name, &serial, &maxLen, &flags, fs, sizeof fs));
    EXPECT_GT(std::string(fs).size(), 0u);
    EXPECT_GE(maxLen, 14u);
    EXPECT_TRUE(flags & FILE_CASE_SENSITIVE_SEARCH);
    EXPECT_FALSE(GetVolumeInformationA((Tmp.Path + "none").c_str(), name, sizeof name, nullptr, nullptr, nullptr,
                                       nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

void Answer() {}

TEST(Modules, BuiltinModulesAndTheProgramFile) {
    EXPECT_EQ(LoadLibraryA("/x/NOSUCH.OCX"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    bool available = false;
    RegisterBuiltinModule("TESTMOD.DLL", {{"Answer", &Answer}}, [&] { return available; });
    EXPECT_EQ(LoadLibraryA("TESTMOD.DLL"), nullptr);  // not available on this system
    available = true;
    HMODULE m = LoadLibraryA("/some/folder\\testmod.dll");  // folder and letter case do not matter
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetProcAddress(m, "Answer"), &Answer);
    EXPECT_EQ(GetProcAddress(m, "Other"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_TRUE(FreeLibrary(m));

    char self[4096];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    std::string path(self, static_cast<size_t>(n));
    char buf[4096];
    EXPECT_EQ(GetModuleFileNameA(nullptr, buf, sizeof buf), path.size());
    EXPECT_EQ(std::string(buf), path);
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, 3), 3u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(small[3], 'x');
    EXPECT_EQ(GetSystemDirectoryA(buf, sizeof buf), path.rfind('/'));
    EXPECT_EQ(std::string(buf), path.substr(0, path.rfind('/')));
}

}  // namespace
