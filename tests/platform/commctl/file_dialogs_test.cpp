// The open and save dialogs and the folder browser, driven by scripts.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "cc_test_util.h"
#include "controls/golden_png.h"
#include "platform/commctl/commdlg.h"
#include "platform/commctl/shlobj_dialogs.h"
#include "platform/commctl/testhooks.h"
#include "platform/rtl/scope.h"
#include "temp_folder.h"

using namespace cctest;

namespace {

class FileDialogs : public CtlTest {
protected:
    void SetUp() override {
        CtlTest::SetUp();
        TestHookClearMessageBoxLog();
        Dir = Scratch.Path();
        for (const char* f : {"b.MPG", "a.avi", "c.txt", "notes.avi.txt"}) std::ofstream(Dir + "/" + f) << "x";
        std::filesystem::create_directory(Dir + "/sub");
        std::filesystem::create_directory(Dir + "/sub/deeper");
        std::filesystem::create_directory(Dir + "/.hidden");
        std::ofstream(Dir + "/sub/inner.avi") << "x";
    }
    void TearDown() override {
        TestHookSetModalWindowHook(nullptr);
        TestHookClearMessageBoxAnswers();
        CtlTest::TearDown();
    }
    static std::vector<std::u16string> Items(HWND list) {
        std::vector<std::u16string> out;
        int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            char16_t buf[256] = {};
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
            out.push_back(buf);
        }
        return out;
    }
    POINT ItemPoint(HWND list, int i) {
        RECT r;
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        return At(list, 20, (r.top + r.bottom) / 2);
    }
    static int IndexOf(HWND list, const char16_t* s) {
        return static_cast<int>(SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(s)));
    }
    POINT Centre(HWND c) {
        RECT r;
        GetWindowRect(c, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    TTempFolder Scratch{"commctl_fd"};
    std::string Dir;
};

TEST_F(FileDialogs, OpenTwoFilesOfAFolderThroughTheVideoFilter) {
    static const char kFilter[] = "Video files\0*.avi;*.mpg\0All files\0*.*\0";
    std::vector<std::u16string> shown;
    TestHookSetModalWindowHook([&](HWND dlg) {
        HWND list = GetDlgItem(dlg, IDC_FD_FILES);
        shown = Items(list);
        Script({[&, list] { Click(ItemPoint(list, IndexOf(list, u"a.avi"))); },
                [&, list] {
                    Screen->KeyDown(VK_SHIFT);
                    Click(ItemPoint(list, IndexOf(list, u"b.MPG")));
                    Screen->KeyUp(VK_SHIFT);
                },
                [&, dlg] { Click(Centre(GetDlgItem(dlg, IDOK))); }});
    });
    char file[1024] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Host;
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = Dir.c_str();
    ofn.Flags = OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER;
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    // Folders first ("../" to go up), then the files the filter lets through; no hidden entries.
    EXPECT_EQ(shown, (std::vector<std::u16string>{u"../", u"sub/", u"a.avi", u"b.MPG"}));
    std::string folder = file;
    EXPECT_EQ(folder, std::filesystem::canonical(Dir).string());
    EXPECT_EQ(ofn.nFileOffset, folder.size() + 1);
    const char* p = file + folder.size() + 1;
    EXPECT_STREQ(p, "a.avi");
    p += std::strlen(p) + 1;
    EXPECT_STREQ(p, "b.MPG");
    p += std::strlen(p) + 1;
    EXPECT_EQ(*p, 0);  // double NUL
    EXPECT_EQ(ofn.nFilterIndex, 1u);
    EXPECT_TRUE(IsWindowEnabled(Host));
}

TEST_F(FileDialogs, NamesWithQuotesSelectedInTheListComeBackWhole) {
    // The name box shows a quoted list, but the files are taken from the list:
    // names holding quotes, blanks and accents come back as they are on disk.
    const std::string Quoted = "$(touch x) it's 50% \"odd\" é.avi", Plain = "plain.avi";
    for (const std::string& f : {Quoted, Plain}) std::ofstream(Dir + "/" + f) << "x";
    struct Case {
        std::vector<std::string> Select;
    } Cases[] = {{{Quoted}}, {{Quoted, Plain}}};
    for (const auto& C : Cases) {
        TestHookSetModalWindowHook([&](HWND dlg) {
            HWND list = GetDlgItem(dlg, IDC_FD_FILES);
            std::vector<std::function<void()>> Steps;
            for (size_t I = 0; I < C.Select.size(); ++I)
                Steps.push_back([&, list, I] {
                    if (I > 0) Screen->KeyDown(VK_CONTROL);
                    const int At = static_cast<int>(SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                                 reinterpret_cast<LPARAM>(C.Select[I].c_str())));
                    Click(ItemPoint(list, At));
                    if (I > 0) Screen->KeyUp(VK_CONTROL);
                });
            Steps.push_back([&, dlg] { Click(Centre(GetDlgItem(dlg, IDOK))); });
            Script(Steps);
        });
        char file[4096] = {};
        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = Host;
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof file;
        ofn.lpstrInitialDir = Dir.c_str();
        ofn.Flags = OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
        ASSERT_TRUE(GetOpenFileNameA(&ofn)) << C.Select.size();
        std::vector<std::string> Got;
        if (C.Select.size() == 1) {
            Got.push_back(std::filesystem::path(file).filename().string());
        } else {
            for (const char* p = file + std::strlen(file) + 1; *p; p += std::strlen(p) + 1) Got.push_back(p);
        }
        EXPECT_EQ(Got, C.Select);
        EXPECT_TRUE(TestHookMessageBoxLog().empty());
    }
    EXPECT_FALSE(std::filesystem::exists(Dir + "/x"));
}

TEST_F(FileDialogs, NavigationFilterChangeAndMissingFiles) {
    std::vector<std::u16string> inSub, allFiles;
    TestHookQueueMessageBoxAnswer(IDOK);  // "File not found" is answered
    TestHookSetModalWindowHook([&](HWND dlg) {
        HWND list = GetDlgItem(dlg, IDC_FD_FILES);
        Script({[&, list] { Screen->DoubleClick(ItemPoint(list, IndexOf(list, u"sub/"))); },
                [&, list] { inSub = Items(list); },
                [&, list] { Screen->DoubleClick(ItemPoint(list, 0)); },  // back up
                [&, dlg] {
                    HWND types = GetDlgItem(dlg, IDC_FD_TYPES);
                    SendMessageW(types, CB_SETCURSEL, 1, 0);
                    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_FD_TYPES, CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));
                },
                [&, list] { allFiles = Items(list); },
                [&, dlg] {
                    SetDlgItemTextA(dlg, IDC_FD_NAME, "missing.avi");
                    Click(Centre(GetDlgItem(dlg, IDOK)));
                },
                [&, dlg] {
                    EXPECT_TRUE(IsWindow(dlg));  // still open after the warning
                    SetDlgItemTextA(dlg, IDC_FD_NAME, "sub/inner.avi");
                    Screen->KeyPress(VK_RETURN);
                },
                [dlg] { if (IsWindow(dlg)) PostMessageW(dlg, WM_CLOSE, 0, 0); }});
    });
    char16_t file[512] = u"";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Host;
    ofn.lpstrFilter = u"Video\0*.avi;*.mpg\0All\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = 512;
    std::u16string dirW(Dir.begin(), Dir.end());
    ofn.lpstrInitialDir = dirW.c_str();
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    ASSERT_TRUE(GetOpenFileNameW(&ofn));
    EXPECT_EQ(inSub, (std::vector<std::u16string>{u"../", u"deeper/", u"inner.avi"}));
    EXPECT_EQ(allFiles.size(), 6u);  // ../ sub/ and all four files
    std::string got(file, file + std::char_traits<char16_t>::length(file));
    EXPECT_EQ(got, std::filesystem::canonical(Dir).string() + "/sub/inner.avi");
    EXPECT_EQ(ofn.nFilterIndex, 2u);
    EXPECT_EQ(file[ofn.nFileExtension - 1], u'.');
    auto log = TestHookMessageBoxLog();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.back().Text.find("File not found"), std::string::npos);
}

TEST_F(FileDialogs, PlacesFoldersAboveSizeAndDateColumnsAndBackspace) {
    // A fixed folder and clock, so the screenshot is the same on every machine.
    const std::string Root = "/tmp/tessaro-open-dialog";
    // The folder's name is in the picture, so runs from two build trees take turns.
    const int Lock = open("/tmp/tessaro-open-dialog.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    ASSERT_GE(Lock, 0);
    ASSERT_EQ(flock(Lock, LOCK_EX), 0);
    rtl::TScopeExit Unlock([&] { close(Lock); });
    std::filesystem::remove_all(Root);
    const std::string Home = Root + "/home", Clips = Home + "/Videos/clips";
    std::filesystem::create_directories(Clips);
    std::filesystem::create_directories(Home + "/Downloads");
    std::ofstream(Clips + "/a.mp4") << std::string(1500, 'x');
    std::ofstream(Clips + "/big.mpg").close();
    std::filesystem::resize_file(Clips + "/big.mpg", 3 * 1024 * 1024);
    std::ofstream(Clips + "/\xc3\xa9 holiday.avi") << "0123456789";
    const std::string Mounts = Root + "/mounts";
    std::ofstream(Mounts) << "proc /proc proc rw 0 0\n/dev/sr0 /media/user/MY\\040DISC iso9660 ro 0 0\n"
                             "/dev/sdb1 /mnt/usb vfat rw 0 0\n/dev/sda1 / ext4 rw 0 0\n";
    // 2026-03-01 12:00 UTC
    const auto Stamp = std::filesystem::file_time_type::clock::from_sys(std::chrono::sys_seconds{std::chrono::seconds{1772366400}});
    for (const auto& E : std::filesystem::recursive_directory_iterator(Root)) std::filesystem::last_write_time(E.path(), Stamp);
    const std::string OldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const std::string OldTz = std::getenv("TZ") ? std::getenv("TZ") : "";
    setenv("HOME", Home.c_str(), 1);
    setenv("TZ", "UTC", 1);
    tzset();
    TestHookSetMountTable(Mounts);

    std::vector<std::u16string> places, above, inClips, afterBack, downloads, atRoot;
    TestHookSetModalWindowHook([&](HWND dlg) {
        HWND list = GetDlgItem(dlg, IDC_FD_FILES), placeList = GetDlgItem(dlg, IDC_FD_PLACES);
        HWND lookIn = GetDlgItem(dlg, IDC_FD_LOOKIN);
        Script({[&, dlg, list, placeList, lookIn] {
                    places = Items(placeList);
                    inClips = Items(list);
                    for (int I = 0, N = static_cast<int>(SendMessageW(lookIn, CB_GETCOUNT, 0, 0)); I < N; ++I) {
                        char16_t Buf[256] = {};
                        SendMessageW(lookIn, CB_GETLBTEXT, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(Buf));
                        above.push_back(Buf);
                    }
                    ExpectWindowMatchesGolden(dlg, "commctl/open_dialog.png");
                },
                [&, list] {
                    SetFocus(list);
                    Screen->KeyPress(VK_BACK);
                },
                [&, list] { afterBack = Items(list); },
                [&, placeList] { Click(ItemPoint(placeList, 2)); },  // Downloads
                [&, list] { downloads = Items(list); },
                [&, dlg, lookIn] {
                    SendMessageW(lookIn, CB_SETCURSEL, 0, 0);
                    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_FD_LOOKIN, CBN_SELCHANGE), reinterpret_cast<LPARAM>(lookIn));
                },
                [&, list] { atRoot = Items(list); },
                [&, dlg] {
                    // A full path typed into the name box opens that file from anywhere.
                    std::string Typed = Clips + "/big.mpg";
                    SetDlgItemTextA(dlg, IDC_FD_NAME, Typed.c_str());
                    Screen->KeyPress(VK_RETURN);
                },
                // A step that went wrong leaves the dialog open: close it, so the test fails instead of waiting.
                [dlg] { if (IsWindow(dlg)) PostMessageW(dlg, WM_CLOSE, 0, 0); }});
    });
    char file[1024] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Host;
    ofn.lpstrFilter = "Video files\0*.avi;*.mpg;*.mp4\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = Clips.c_str();
    ofn.Flags = OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    const BOOL Opened = GetOpenFileNameA(&ofn);
    TestHookSetMountTable("");
    setenv("HOME", OldHome.c_str(), 1);
    if (OldTz.empty()) unsetenv("TZ"); else setenv("TZ", OldTz.c_str(), 1);
    tzset();
    ASSERT_TRUE(Opened);
    // Home and its usual folders that exist, the whole file system, then the volumes (blanks unescaped).
    EXPECT_EQ(places, (std::vector<std::u16string>{u"Home", u"Videos", u"Downloads", u"File system", u"MY DISC", u"usb"}));
    EXPECT_EQ(above, (std::vector<std::u16string>{u"/", u"/tmp", u"/tmp/tessaro-open-dialog", u"/tmp/tessaro-open-dialog/home",
                                                  u"/tmp/tessaro-open-dialog/home/Videos", u"/tmp/tessaro-open-dialog/home/Videos/clips"}));
    EXPECT_EQ(inClips, (std::vector<std::u16string>{u"../", u"a.mp4", u"big.mpg", u"\u00e9 holiday.avi"}));
    EXPECT_EQ(afterBack, (std::vector<std::u16string>{u"../", u"clips/"}));
    EXPECT_EQ(downloads, (std::vector<std::u16string>{u"../"}));
    ASSERT_FALSE(atRoot.empty());
    EXPECT_NE(atRoot.front(), u"../");  // nothing above the root
    EXPECT_STREQ(file, (Clips + "/big.mpg").c_str());
    std::filesystem::remove_all(Root);
}

TEST_F(FileDialogs, CancelSmallBufferAndSaveWithDefaultExtension) {
    TestHookSetModalWindowHook([&](HWND dlg) { Script({[dlg] { PostMessageW(dlg, WM_CLOSE, 0, 0); }}); });
    char file[16] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = Dir.c_str();
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    // A result longer than the buffer fails with FNERR_BUFFERTOOSMALL.
    TestHookSetModalWindowHook([&](HWND dlg) {
        Script({[dlg] {
            SetDlgItemTextA(dlg, IDC_FD_NAME, "notes.avi.txt");
            SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }});
    });
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
    // Save: the default extension is added; an existing file asks first.
    TestHookQueueMessageBoxAnswer(IDNO);
    TestHookSetModalWindowHook([&](HWND dlg) {
        Script({[dlg] {
                    SetDlgItemTextA(dlg, IDC_FD_NAME, "c");
                    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                },
                [dlg] {
                    SetDlgItemTextA(dlg, IDC_FD_NAME, "log");
                    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                }});
    });
    char save[512] = {};
    OPENFILENAMEA so{};
    so.lStructSize = sizeof so;
    so.lpstrFile = save;
    so.nMaxFile = sizeof save;
    so.lpstrInitialDir = Dir.c_str();
    so.lpstrDefExt = "txt";
    so.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    ASSERT_TRUE(GetSaveFileNameA(&so));
    EXPECT_EQ(std::string(save), std::filesystem::canonical(Dir).string() + "/log.txt");
    EXPECT_EQ(TestHookPendingMessageBoxAnswers(), 0);  // "c.txt already exists" was asked and refused
}

int CALLBACK BrowseCallback(HWND h, UINT msg, LPARAM lp, LPARAM data) {
    auto* log = reinterpret_cast<std::vector<std::string>*>(data);
    if (msg == BFFM_INITIALIZED) {
        SendMessageW(h, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(log->front().c_str()));
    } else if (msg == BFFM_SELCHANGED) {
        char path[260] = {};
        if (SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lp), path)) {
            log->push_back(path);
            SendMessageW(h, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
        } else {
            SendMessageW(h, BFFM_ENABLEOK, 0, 0);
        }
    }
    return 0;
}

TEST_F(FileDialogs, BrowseForFolderStartsAtTheCallbacksFolderAndReturnsTheChoice) {
    std::string canon = std::filesystem::canonical(Dir).string();
    std::vector<std::string> log{canon + "/sub"};
    std::u16string status;
    TestHookSetModalWindowHook([&](HWND dlg) {
        HWND list = GetDlgItem(dlg, IDC_BFF_FOLDERS);
        Script({[&, dlg] {
                    char16_t buf[260] = {};
                    GetDlgItemTextW(dlg, IDC_BFF_STATUS, buf, 260);
                    status = buf;
                },
                [&, list] { Screen->DoubleClick(ItemPoint(list, IndexOf(list, u"sub"))); },  // open sub
                [&, list] { Click(ItemPoint(list, IndexOf(list, u"deeper"))); },
                [&] { Screen->KeyPress(VK_RETURN); }});
    });
    BROWSEINFOA bi{};
    char name[260] = {};
    bi.hwndOwner = Host;
    bi.pszDisplayName = name;
    bi.lpszTitle = "Choose the output folder";
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    bi.lpfn = BrowseCallback;
    bi.lParam = reinterpret_cast<LPARAM>(&log);
    LPITEMIDLIST pidl = SHBrowseForFolderA(&bi);
    ASSERT_NE(pidl, nullptr);
    char path[260] = {};
    ASSERT_TRUE(SHGetPathFromIDListA(pidl, path));
    EXPECT_EQ(std::string(path), canon + "/sub/deeper");
    EXPECT_STREQ(name, "deeper");
    ILFree(pidl);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[1], canon + "/sub");  // the callback's start folder was selected first
    EXPECT_EQ(std::string(status.begin(), status.end()), canon + "/sub");
    // Cancel gives nothing; the allocator frees item lists.
    TestHookSetModalWindowHook([](HWND) { Script({[] { PostMessageW(GetActiveWindow(), WM_CLOSE, 0, 0); }}); });
    EXPECT_EQ(SHBrowseForFolderA(&bi), nullptr);
    LPMALLOC m = nullptr;
    ASSERT_EQ(SHGetMalloc(&m), 0);
    LPITEMIDLIST made = ILCreateFromPathA("/tmp");
    ASSERT_NE(made, nullptr);
    ASSERT_TRUE(SHGetPathFromIDListA(made, path));
    EXPECT_STREQ(path, "/tmp");
    m->Free(made);
    m->Release();
}

}  // namespace
