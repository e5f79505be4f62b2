// The built-in shell32 module the wide folder browse goes through.
#include "unicode/widewrappers.h"

#include "platform/commctl/shellfolder.h"
#include "platform/commctl/shellmodule.h"
#include "platform/system/module.h"
#include "uni_test_env.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace {

TEST(ShellModule, TheFourEntryPointsAreFoundByName) {
    RegisterShellModule();
    HMODULE m = LoadLibraryW(u"SHELL32.DLL");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetProcAddress(m, "SHBrowseForFolderW"), reinterpret_cast<FARPROC>(&SHBrowseForFolderW));
    EXPECT_EQ(GetProcAddress(m, "SHGetPathFromIDListW"), reinterpret_cast<FARPROC>(&SHGetPathFromIDListW));
    EXPECT_EQ(GetProcAddress(m, "SHGetFileInfoW"), reinterpret_cast<FARPROC>(&SHGetFileInfoW));
    EXPECT_EQ(GetProcAddress(m, "SHFileOperationW"), reinterpret_cast<FARPROC>(&SHFileOperationW));
    EXPECT_EQ(GetProcAddress(m, "SHBrowseForFolderA"), nullptr);
    FreeLibrary(m);
}

TEST(ShellModule, TheWideBrowseLoadsShellAndShowsTheWideTitle) {
    WideString shownTitle;
    TestHooks::OnNextModalWindow([&](HWND dlg) {
        shownTitle = WindowTextW(GetDlgItem(dlg, IDC_BFF_TITLE));
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    });
    char16_t display[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.lpszTitle = kMixed.c_str();
    info.pszDisplayName = display;
    EXPECT_EQ(BrowseForFolderWide(&info), nullptr);  // cancelled
    EXPECT_EQ(shownTitle, kMixed);
    EXPECT_TRUE(Shell32Loaded());
    FreeShell32Module();
    EXPECT_FALSE(Shell32Loaded());
}

TEST(ShellModule, WideFileOperationsDeleteWideNames) {
    const TTempFolder Scratch("shellmodule");
    const std::string dir = Scratch.Path();
    const std::string a = dir + "/\xE6\x97\xA5\xE6\x9C\xAC", b = dir + "/\xCE\xBA.txt";
    ASSERT_EQ(mkdir(a.c_str(), 0755), 0);
    std::ofstream(a + "/inside") << "x";
    std::ofstream(b) << "y";
    const WideString wdir(dir.begin(), dir.end());
    WideString list = wdir + u"/\u65E5\u672C";
    list += u'\0';
    list += wdir + u"/\u03BA.txt";
    list += u'\0';
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = list.c_str();
    op.fFlags = FOF_NOCONFIRMATION;
    EXPECT_EQ(SHFileOperationW(&op), 0);
    struct stat st {};
    EXPECT_NE(stat(a.c_str(), &st), 0);
    EXPECT_NE(stat(b.c_str(), &st), 0);
    EXPECT_EQ(rmdir(dir.c_str()), 0);  // nothing else went
    op.wFunc = FO_COPY;
    EXPECT_EQ(SHFileOperationW(&op), static_cast<int>(ERROR_NOT_SUPPORTED));
}

}  // namespace
