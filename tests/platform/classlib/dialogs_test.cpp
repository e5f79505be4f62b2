// The open dialog and message dialogs of the class library, driven by script.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "platform/classlib/dialogs.h"
#include "platform/classlib/testhooks.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/testhooks.h"
#include "platform/system/process.h"
#include "platform/commctl/commdlg.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

std::vector<std::string> ListBoxTexts(HWND List) {
    std::vector<std::string> Out;
    int N = static_cast<int>(SendMessageA(List, LB_GETCOUNT, 0, 0));
    for (int I = 0; I < N; ++I) {
        // The dialog's list is a Unicode window: its texts come as UTF-16.
        char16_t Buf[512] = {};
        SendMessageW(List, LB_GETTEXT, I, reinterpret_cast<LPARAM>(Buf));
        std::string S;
        for (char16_t* P = Buf; *P; ++P) S += static_cast<char>(*P);
        Out.push_back(S);
    }
    return Out;
}

TEST(Dialogs, OpenDialogReturnsTwoFilesOfAFolderThroughItsFilter) {
    namespace fs = std::filesystem;
    fs::path Dir = fs::path(::testing::TempDir()) / ("classlib_open_" + std::to_string(getpid()));
    fs::create_directories(Dir / "sub");
    for (const char* N : {"a.avi", "b.MPG", "c.mpg", "notes.txt", "d.mkv"}) std::ofstream(Dir / N) << "x";
    TOpenDialog D(nullptr);
    D.Filter = "Video files|*.avi;*.mpg|All files|*.*";
    D.InitialDir = Dir.string() + "/";
    D.Options = {ofAllowMultiSelect, ofHideReadOnly, ofEnableSizing, ofFileMustExist};
    std::vector<std::string> Shown;
    TestHooks::OnNextModalWindow([&](HWND W) {
        for (const std::string& S : ListBoxTexts(GetDlgItem(W, IDC_FD_FILES)))
            if (S.empty() || S.back() != '/') Shown.push_back(S);
        SetDlgItemTextA(W, IDC_FD_NAME, "\"a.avi\" \"c.mpg\"");
        PostMessageA(W, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(W, IDOK)));
    });
    ASSERT_TRUE(D.Execute());
    std::sort(Shown.begin(), Shown.end());
    EXPECT_EQ(Shown, (std::vector<std::string>{"a.avi", "b.MPG", "c.mpg"}));
    ASSERT_EQ(D.Files().Count(), 2);
    EXPECT_EQ(D.Files().Get(0), (Dir / "a.avi").string());
    EXPECT_EQ(D.Files().Get(1), (Dir / "c.mpg").string());
    EXPECT_EQ(D.FileName, D.Files().Get(0));
    // Cancelled: false, nothing chosen.
    TestHooks::OnNextModalWindow([](HWND W) { PostMessageA(W, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_FALSE(D.Execute());
    EXPECT_EQ(D.Files().Count(), 0);
    fs::remove_all(Dir);
}

TEST(Dialogs, MessageDlgMapsTypesAndButtonsAndReturnsTheModalResult) {
    TestHooks::ScriptMessageBoxes({IDNO, IDOK, IDRETRY});
    EXPECT_EQ(MessageDlg("Erase the disc?", mtConfirmation, mbYesNoCancel, 0), mrNo);
    EXPECT_EQ(MessageDlg("Done", mtInformation, {mbOK}, 0), mrOk);
    EXPECT_EQ(MessageDlg("Failed", mtError, mbAbortRetryIgnore, 0), mrRetry);
    const auto& Shown = TestHooks::MessageBoxesShown();
    ASSERT_EQ(Shown.size(), 3u);
    EXPECT_EQ(Shown[0].Caption, "Confirm");
    EXPECT_EQ(Shown[0].Flags & MB_TYPEMASK, MB_YESNOCANCEL);
    EXPECT_EQ(Shown[0].Flags & MB_ICONMASK, MB_ICONQUESTION);
    EXPECT_EQ(Shown[1].Caption, "Information");
    EXPECT_EQ(Shown[2].Caption, "Error");
    EXPECT_EQ(Shown[2].Flags & MB_TYPEMASK, MB_ABORTRETRYIGNORE);
    EXPECT_EQ(TestHooks::UnexpectedMessageBoxes(), 0);
}

// Synchronised calls run while the GUI thread sits in the platform's own
// modal loop (a message box), which knows nothing of threads.
TEST(Dialogs, SynchronizeRunsWhileAPlatformMessageBoxIsOpen) {
    struct TWorker : TThread {
        HWND Box = nullptr;
        DWORD RanOn = 0;
        void Execute() override {
            Synchronize([this] { RanOn = GetCurrentThreadId(); });
            // Answer the box only after the call has run on the GUI thread.
            PostMessageA(Box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
        }
    } W;
    TestHookClearMessageBoxAnswers();
    TestHooks::OnNextModalWindow([&W](HWND Box) {
        W.Box = Box;
        W.Start();
    });
    int R = MessageBoxA(nullptr, "Stop the burn?", "Tessaro", MB_YESNO);
    W.WaitFor();
    EXPECT_EQ(R, IDNO);
    EXPECT_EQ(W.RanOn, GetCurrentThreadId());
}

}  // namespace
