// The folder picker scripted over the namespace's test tree.
#include <gtest/gtest.h>

#include "controls/extra/fp_browse.h"
#include "controls/extra/fp_testtree.h"
#include "controls/golden_png.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/shlobj_dialogs.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

using sysconv::Utf8ToUtf16;

std::u16string Text(HWND W) {
    char16_t Buf[512] = {0};
    GetWindowTextW(W, Buf, 512);
    return Buf;
}

std::vector<std::u16string> Rows(HWND Dlg) {
    HWND L = GetDlgItem(Dlg, IDC_BFF_FOLDERS);
    std::vector<std::u16string> Out;
    const LRESULT N = SendMessageW(L, LB_GETCOUNT, 0, 0);
    for (LRESULT I = 0; I < N; ++I) {
        char16_t Buf[512] = {0};
        SendMessageW(L, LB_GETTEXT, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(Buf));
        Out.push_back(Buf);
    }
    return Out;
}

// Selects (or opens, with a double click) the row showing Name.
bool Pick(HWND Dlg, const std::u16string& Name, bool Open) {
    const auto R = Rows(Dlg);
    for (size_t I = 0; I < R.size(); ++I)
        if (R[I] == Name) {
            HWND L = GetDlgItem(Dlg, IDC_BFF_FOLDERS);
            SendMessageW(L, LB_SETCURSEL, I, 0);
            SendMessageW(Dlg, WM_COMMAND, MAKEWPARAM(IDC_BFF_FOLDERS, Open ? LBN_DBLCLK : LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(L));
            return true;
        }
    return false;
}

bool Centred(HWND Dlg) {
    RECT R;
    GetWindowRect(Dlg, &R);
    const int CX = GetSystemMetrics(SM_CXSCREEN) / 2 - (R.right - R.left) / 2;
    const int CY = GetSystemMetrics(SM_CYSCREEN) / 2 - (R.bottom - R.top) / 2;
    return R.left == CX && R.top == CY;
}

TEST_F(FpTestTree, PickerWalksFromTheDesktopToAFolderNamedInJapanese) {
    TFpBrowseForFolder B(nullptr);
    EXPECT_EQ(B.Options(), TFpBrowseFlags{bfNewDialogStyle});
    B.SetOptions(TFpBrowseFlags{bfEditBox});
    EXPECT_EQ(B.Options(), (TFpBrowseFlags{bfNewDialogStyle, bfEditBox}));
    B.SetOptions(TFpBrowseFlags{bfNewDialogStyle});
    B.SetTitle(u"Select DVD VIDEO_TS Folder Path");
    B.SetWindowTitle(u"Pick a folder");
    B.SetDialogButtonCaption(u"Burn");
    std::vector<std::string> Events;
    B.OnShow = [&](TObject*) { Events.push_back("show"); };
    B.OnClose = [&](TObject*) { Events.push_back("close"); };
    int Changes = 0;
    B.OnChange = [&](TObject*) { ++Changes; };
    std::vector<std::u16string> Desktop, Computer, Disc;
    bool WasCentred = false, OkEnabled = false;
    std::u16string Caption, Button, Following;
    TestHooks::OnNextModalWindow([&](HWND Dlg) {
        WasCentred = Centred(Dlg);
        Caption = Text(Dlg);
        Button = Text(GetDlgItem(Dlg, IDOK));
        OkEnabled = IsWindowEnabled(GetDlgItem(Dlg, IDOK));
        Desktop = Rows(Dlg);
        EXPECT_TRUE(Pick(Dlg, u"Computer", true));
        Computer = Rows(Dlg);
        EXPECT_TRUE(Pick(Dlg, u"My Disc", true));
        Disc = Rows(Dlg);
        EXPECT_TRUE(Pick(Dlg, u"ビデオ", false));
        Following = B.GetPath();
        PostMessageW(Dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    ASSERT_TRUE(B.Execute());
    const WideString Chosen = Utf8ToUtf16((Root / "mnt/disc/ビデオ").string());
    EXPECT_EQ(B.GetPath(), Chosen);
    EXPECT_EQ(Following, Chosen);
    EXPECT_GE(Changes, 3);
    EXPECT_TRUE(WasCentred);
    EXPECT_TRUE(OkEnabled);
    EXPECT_EQ(Caption, u"Pick a folder");
    EXPECT_EQ(Button, u"Burn");
    // An empty Path opens on Computer, on the desktop's list.
    ASSERT_GE(Desktop.size(), 4u);
    EXPECT_EQ(Desktop[0], u"Computer");
    EXPECT_EQ(Desktop[1], u"Home");
    const std::u16string Mnt = Utf8ToUtf16((Root / "mnt").string());
    EXPECT_EQ(Computer, (std::vector<std::u16string>{u"..", u"/", Mnt + u"/usb", u"My Disc", Mnt + u"/with blank"}));
    EXPECT_EQ(Disc, (std::vector<std::u16string>{u"..", u"VIDEO_TS", u"ビデオ"}));
    EXPECT_EQ(Events, (std::vector<std::string>{"show", "close"}));
    EXPECT_EQ(B.DialogWindow(), nullptr);
}

TEST_F(FpTestTree, PickerPlacesItselfAndFollowsFileSystemOnly) {
    TFpBrowseForFolder B(nullptr);
    B.SetPath(Utf8ToUtf16((Root / "mnt/disc/VIDEO_TS").string()));
    struct Case {
        int Left, Top;
        bool Centred;
    } Cases[] = {{-1, -1, true}, {100, 0, true}, {100, 50, false}};
    for (const auto& C : Cases) {
        B.SetDialogLeft(C.Left);
        B.SetDialogTop(C.Top);
        bool WasCentred = false;
        RECT R{};
        std::u16string Shown;
        TestHooks::OnNextModalWindow([&](HWND Dlg) {
            WasCentred = Centred(Dlg);
            GetWindowRect(Dlg, &R);
            Shown = Text(GetDlgItem(Dlg, IDC_BFF_PATH));
            PostMessageW(Dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
        EXPECT_FALSE(B.Execute());
        EXPECT_EQ(WasCentred, C.Centred) << C.Left << "," << C.Top;
        if (!C.Centred) {
            EXPECT_EQ(R.left, 100);
            EXPECT_EQ(R.top, 50);
        }
        EXPECT_EQ(Shown, Utf8ToUtf16((Root / "mnt/disc/VIDEO_TS").string()));
        EXPECT_EQ(B.GetPath(), Utf8ToUtf16((Root / "mnt/disc/VIDEO_TS").string()));  // kept when cancelled
    }
    // File system only: Computer disables OK and empties Path; a folder enables it again.
    B.SetOptions(TFpBrowseFlags{bfNewDialogStyle, bfFileSystemOnly});
    B.SetDialogLeft(-1);
    bool OkOnComputer = true, OkOnFolder = false;
    WideString PathOnComputer = u"x";
    int Closes = 0;
    B.OnClose = [&](TObject*) { ++Closes; };
    TestHooks::OnNextModalWindow([&](HWND Dlg) {
        LPITEMIDLIST Drives = nullptr;
        SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &Drives);
        SendMessageW(Dlg, BFFM_SETSELECTIONA, 0, reinterpret_cast<LPARAM>(Drives));
        CoTaskMemFree(Drives);
        OkOnComputer = IsWindowEnabled(GetDlgItem(Dlg, IDOK));
        PathOnComputer = B.GetPath();
        EXPECT_TRUE(Pick(Dlg, u"Home", false));
        OkOnFolder = IsWindowEnabled(GetDlgItem(Dlg, IDOK));
        PostMessageW(Dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_FALSE(B.Execute());
    EXPECT_FALSE(OkOnComputer);
    EXPECT_EQ(PathOnComputer, u"");
    EXPECT_TRUE(OkOnFolder);
    EXPECT_EQ(Closes, 1);
    // Without it, choosing Computer gives its name.
    B.SetOptions(TFpBrowseFlags{bfNewDialogStyle});
    B.SetPath(u"");
    TestHooks::OnNextModalWindow([&](HWND Dlg) { PostMessageW(Dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
    EXPECT_TRUE(B.Execute());
    EXPECT_EQ(B.GetPath(), u"Computer");
}

TEST_F(FpTestTree, PickerListsTheDesktopWithOurIcons) {
    TFpBrowseForFolder B(nullptr);
    B.SetTitle(u"Select DVD VIDEO_TS Folder Path");
    TestHooks::OnNextModalWindow([&](HWND Dlg) {
        ExpectWindowMatchesGolden(Dlg, "controls/fp_browse_desktop.png");
        PostMessageW(Dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_FALSE(B.Execute());
}

TEST_F(FpTestTree, PickerRootedAtAFolderStaysWithinIt) {
    TFpBrowseForFolder B(nullptr);
    EXPECT_EQ(B.RootedAt, SF_DESKTOP);
    B.SetRootedAtFileSystemFolder(Utf8ToUtf16((Root / "mnt/disc").string()));
    EXPECT_EQ(B.RootedAt, SF_FILESYSTEMFOLDER);
    std::vector<std::u16string> Top, AfterUp;
    TestHooks::OnNextModalWindow([&](HWND Dlg) {
        Top = Rows(Dlg);
        EXPECT_TRUE(Pick(Dlg, u"VIDEO_TS", true));
        EXPECT_TRUE(Pick(Dlg, u"..", true));
        AfterUp = Rows(Dlg);
        EXPECT_TRUE(Pick(Dlg, u"VIDEO_TS", false));
        PostMessageW(Dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    ASSERT_TRUE(B.Execute());
    // No ".." above the root.
    EXPECT_EQ(Top, (std::vector<std::u16string>{u"VIDEO_TS", u"ビデオ"}));
    EXPECT_EQ(AfterUp, Top);
    EXPECT_EQ(B.GetPath(), Utf8ToUtf16((Root / "mnt/disc/VIDEO_TS").string()));
    // A root that is not there falls back to RootedAt.
    B.SetRootedAtFileSystemFolder(Utf8ToUtf16((Root / "gone").string()));
    B.RootedAt = SF_DRIVES;
    B.SetPath(u"");
    TestHooks::OnNextModalWindow([&](HWND Dlg) {
        Top = Rows(Dlg);
        PostMessageW(Dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_FALSE(B.Execute());
    ASSERT_FALSE(Top.empty());
    EXPECT_EQ(Top[0], u"/");
}

}  // namespace
