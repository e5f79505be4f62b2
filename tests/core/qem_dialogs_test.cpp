// The shared routines that show windows: folder browser, busy cursor and the
// message dialog with own button captions, on the headless screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "core/qem_utils.h"
#include "core_fixture.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"
#include "platform/commctl/shlobj_dialogs.h"
#include "platform/gdi/gdi.h"
#include "platform/system/unicode_conv.h"
#include "platform/win/winuser.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

class QemDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        TestHooks::Start();
        // The browser shows resolved paths.
        Dir = fs::canonical(Scratch.Path()).string() + "/";
    }
    void TearDown() override {
        TestHooks::Stop();
    }

    static std::string Text(HWND Wnd) {
        char Buf[1024] = {};
        GetWindowTextA(Wnd, Buf, sizeof Buf);
        return Buf;
    }
    static std::string ItemText(HWND Dlg, int Id) { return Text(GetDlgItem(Dlg, Id)); }
    static void Command(HWND Dlg, int Id, WORD Code) {
        SendMessageA(Dlg, WM_COMMAND, MAKEWPARAM(Id, Code), reinterpret_cast<LPARAM>(GetDlgItem(Dlg, Id)));
    }
    // Picks a folder of the browser's list as a click would.
    static void PickFolder(HWND Dlg, const std::string& Name, bool Open) {
        HWND List = GetDlgItem(Dlg, IDC_BFF_FOLDERS);
        const std::u16string Wide = sysconv::Utf8ToUtf16(Name);
        const LRESULT Index = SendMessageW(List, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(Wide.c_str()));
        ASSERT_GE(Index, 0) << Name;
        SendMessageA(List, LB_SETCURSEL, static_cast<WPARAM>(Index), 0);
        Command(Dlg, IDC_BFF_FOLDERS, LBN_SELCHANGE);
        if (Open) Command(Dlg, IDC_BFF_FOLDERS, LBN_DBLCLK);
    }

    TTempFolder Scratch{"core_test"};
    std::string Dir;
};

// ---- Busy cursor -------------------------------------------------------------------

TEST_F(QemDialogs, BusyCursorNestsAndNeverCountsBelowZero) {
    ASSERT_NE(Screen, nullptr);
    ASSERT_EQ(Screen->Cursor(), crDefault);
    // An End without a Begin leaves the cursor alone and the count at zero...
    Screen->SetCursor(crCross);
    EndBusyCursor();
    EXPECT_EQ(Screen->Cursor(), crCross);
    Screen->SetCursor(crDefault);
    EndBusyCursor();
    EXPECT_EQ(Screen->Cursor(), crDefault);
    // ...so that one Begin and one End still bring the default cursor back.
    BeginBusyCursor();
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    EndBusyCursor();
    EXPECT_EQ(Screen->Cursor(), crDefault);

    BeginBusyCursor();
    BeginBusyCursor();
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    EndBusyCursor();
    EXPECT_EQ(Screen->Cursor(), crHourGlass) << "the outer section is still busy";
    EndBusyCursor();
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EndBusyCursor();
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

// ---- Folder browser ------------------------------------------------------------------

struct TBrowseSeen {
    std::string Title, Status, Shown;
    bool OkEnabled = false;
};

TEST_F(QemDialogs, BrowseForFolderStartsOnTheFolderAndReturnsTheChoice) {
    const std::string Start = Dir + "Mein Ordner ü";
    fs::create_directories(Start + "/inner");
    fs::create_directories(Dir + "b");

    // Confirmed at once: the callback's start selection is the answer.
    TBrowseSeen Seen;
    TestHooks::OnNextModalWindow([&](HWND Dlg) {
        Seen.Title = ItemText(Dlg, IDC_BFF_TITLE);
        Seen.Status = ItemText(Dlg, IDC_BFF_STATUS);
        Seen.Shown = ItemText(Dlg, IDC_BFF_PATH);
        Command(Dlg, IDOK, BN_CLICKED);
    });
    std::string Folder = Start;
    EXPECT_TRUE(BrowseForFolder(nullptr, Folder, "Please select a folder!", 0x41, ""));
    EXPECT_EQ(Folder, Start);
    EXPECT_EQ(Seen.Title, "Please select a folder!");
    EXPECT_EQ(Seen.Status, Start);
    EXPECT_EQ(Seen.Shown, Start);

    // Into the start folder and on to a sub-folder: the status follows.
    TestHooks::OnNextModalWindow([&](HWND Dlg) {
        PickFolder(Dlg, "Mein Ordner ü", true);
        PickFolder(Dlg, "inner", false);
        Seen.Status = ItemText(Dlg, IDC_BFF_STATUS);
        Command(Dlg, IDOK, BN_CLICKED);
    });
    EXPECT_TRUE(BrowseForFolder(nullptr, Folder, "Please select a folder!", 0x41, ""));
    EXPECT_EQ(Folder, Start + "/inner");
    EXPECT_EQ(Seen.Status, Start + "/inner");

    // Cancel after moving elsewhere keeps the folder.
    TestHooks::OnNextModalWindow([&](HWND Dlg) {
        PickFolder(Dlg, "..", true);
        Command(Dlg, IDCANCEL, BN_CLICKED);
    });
    EXPECT_FALSE(BrowseForFolder(nullptr, Folder, "Please select a folder!", 0x41, ""));
    EXPECT_EQ(Folder, Start + "/inner");
    EXPECT_EQ(TestHooks::UnexpectedMessageBoxes(), 0);
}

TEST_F(QemDialogs, BrowseForFolderStaysWithinTheRoot) {
    fs::create_directories(Dir + "root/kid");
    fs::create_directories(Dir + "elsewhere");
    TBrowseSeen Seen;
    TestHooks::OnNextModalWindow([&](HWND Dlg) {
        Seen.Status = ItemText(Dlg, IDC_BFF_STATUS);
        PickFolder(Dlg, "kid", false);
        Command(Dlg, IDOK, BN_CLICKED);
    });
    std::string Folder = Dir + "elsewhere";
    EXPECT_TRUE(BrowseForFolder(nullptr, Folder, "Pick", 0x41, Dir + "root"));
    EXPECT_EQ(Seen.Status, Dir + "root");  // a start outside the root falls back to it
    EXPECT_EQ(Folder, Dir + "root/kid");
}

TEST_F(QemDialogs, BrowseForFolderGivesNoAnswerForAFolderWithoutAPath) {
    // Deeper than a path buffer holds: the browser lists it, but it has no
    // path the caller could be given.
    std::string Deep = Dir;
    while (Deep.size() < 300) Deep += std::string(40, 'd') + "/";
    fs::create_directories(Deep);
    Deep.pop_back();
    TBrowseSeen Seen{"", "unset", "", true};
    TestHooks::OnNextModalWindow([&](HWND Dlg) {
        Seen.Status = ItemText(Dlg, IDC_BFF_STATUS);
        Seen.OkEnabled = IsWindowEnabled(GetDlgItem(Dlg, IDOK));
        EndDialog(Dlg, IDOK);  // as if OK had been pressed anyway
    });
    std::string Folder = Deep;
    EXPECT_FALSE(BrowseForFolder(nullptr, Folder, "Pick", 0x41, ""));
    EXPECT_EQ(Folder, Deep);
    EXPECT_EQ(Seen.Status, "");
    EXPECT_FALSE(Seen.OkEnabled);
}

// ---- Message dialog with own captions ----------------------------------------------

TEST_F(QemDialogs, CustomMessageDialogAnsweredByScript) {
    struct Case {
        int Answer;
        TModalResult Result;
    } Cases[] = {{IDOK, mrOk}, {IDCANCEL, mrCancel}};
    for (const Case& C : Cases) {
        TestHooks::ScriptMessageBoxes({C.Answer});
        EXPECT_EQ(ShowCustomMessageDialog("Do you want to cancel encoding now?", "Question", mtConfirmation,
                                          mbOKCancel, {"Yes", "Cancel"}),
                  C.Result);
        const auto& Shown = TestHooks::MessageBoxesShown();
        ASSERT_EQ(Shown.size(), 1u);
        EXPECT_EQ(Shown[0].Text, "Do you want to cancel encoding now?");
        EXPECT_EQ(Shown[0].Caption, "Question");
        EXPECT_EQ(Shown[0].Flags, UINT(MB_OKCANCEL | MB_ICONQUESTION));
        EXPECT_EQ(TestHooks::UnexpectedMessageBoxes(), 0);
    }
}

struct TButtonSeen {
    int Id;
    std::string Text;
    RECT Rect;  // in the dialog's client
};

// The push buttons of the box from left to right.
std::vector<TButtonSeen> ButtonsOf(HWND Dlg) {
    std::vector<TButtonSeen> Out;
    for (HWND C = GetWindow(Dlg, GW_CHILD); C; C = GetWindow(C, GW_HWNDNEXT)) {
        char Class[32] = {};
        GetClassNameA(C, Class, sizeof Class);
        if (std::string(Class) != "Button") continue;
        char Buf[256] = {};
        GetWindowTextA(C, Buf, sizeof Buf);
        RECT R{};
        GetWindowRect(C, &R);
        MapWindowPoints(nullptr, Dlg, reinterpret_cast<POINT*>(&R), 2);
        Out.push_back({GetDlgCtrlID(C), Buf, R});
    }
    std::sort(Out.begin(), Out.end(), [](const TButtonSeen& A, const TButtonSeen& B) { return A.Rect.left < B.Rect.left; });
    return Out;
}

int CaptionWidth(HWND Button, const std::string& Caption) {
    HDC DC = GetDC(Button);
    HGDIOBJ Old = SelectObject(DC, reinterpret_cast<HGDIOBJ>(SendMessageA(Button, WM_GETFONT, 0, 0)));
    RECT R{0, 0, 0, 0};
    DrawTextA(DC, Caption.c_str(), -1, &R, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(DC, Old);
    ReleaseDC(Button, DC);
    return R.right - R.left;
}

TEST_F(QemDialogs, CustomMessageDialogShowsItsCaptionsSideBySide) {
    const std::string Long = "Überschreiben und mit der nächsten Datei weitermachen";
    struct Case {
        const char* Name;
        TMsgDlgType Type;
        TMsgDlgButtons Buttons;
        std::vector<std::string> Captions;
        std::vector<int> Ids;  // left to right
        int Press;             // index of the button pressed
        TModalResult Result;
        bool Wide;             // the longest caption decides the width
    } Cases[] = {
        {"close question", mtConfirmation, mbOKCancel, {"Yes", "Cancel"}, {IDOK, IDCANCEL}, 0, mrOk, false},
        {"three, one long", mtWarning, mbYesNoCancel, {Long, "Nein", "Abbrechen"}, {IDYES, IDNO, IDCANCEL}, 1, mrNo, true},
        // the class library orders Cancel before Retry
        {"retry and cancel", mtError, TMsgDlgButtons{mbRetry, mbCancel}, {"Stop", "Again"}, {IDCANCEL, IDRETRY}, 1, mrRetry, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        std::string DlgTitle;
        int DlgWidth = 0;
        std::vector<TButtonSeen> Seen;
        std::vector<int> Measured;
        TestHooks::OnNextModalWindow([&](HWND Dlg) {
            DlgTitle = Text(Dlg);
            RECT DR{};
            GetWindowRect(Dlg, &DR);
            DlgWidth = DR.right - DR.left;
            Seen = ButtonsOf(Dlg);
            for (const std::string& Caption : C.Captions) Measured.push_back(CaptionWidth(GetDlgItem(Dlg, C.Ids[0]), Caption));
            if (C.Press < static_cast<int>(Seen.size())) Command(Dlg, Seen[C.Press].Id, BN_CLICKED);
            else EndDialog(Dlg, IDCANCEL);
        });
        EXPECT_EQ(ShowCustomMessageDialog("Message text", "Own title", C.Type, C.Buttons, C.Captions), C.Result);
        EXPECT_EQ(DlgTitle, "Own title");
        ASSERT_EQ(Seen.size(), C.Ids.size());
        const int N = static_cast<int>(Seen.size());
        const int W = std::max(*std::max_element(Measured.begin(), Measured.end()) + 16, 88);
        EXPECT_EQ(W > 88, C.Wide);
        EXPECT_GE(DlgWidth, (W + 12) * N + 32);
        for (int I = 0; I < N; ++I) {
            EXPECT_EQ(Seen[I].Id, C.Ids[I]) << I;
            EXPECT_EQ(Seen[I].Text, C.Captions[I]) << I;
            EXPECT_EQ(Seen[I].Rect.right - Seen[I].Rect.left, W) << I;
            EXPECT_EQ(Seen[I].Rect.left, (DlgWidth - (W + 12) * N) / 2 + (W + 12) * I) << I;
        }
    }
}

TEST_F(QemDialogs, CustomMessageDialogKeepsTheBoxsOwnCaptionsBeyondTheGivenOnes) {
    std::vector<TButtonSeen> Seen;
    TestHooks::OnNextModalWindow([&](HWND Dlg) {
        Seen = ButtonsOf(Dlg);
        Command(Dlg, IDNO, BN_CLICKED);
    });
    EXPECT_EQ(ShowCustomMessageDialog("Message", "Title", mtInformation, mbYesNoCancel, {"Ja"}), mrNo);
    ASSERT_EQ(Seen.size(), 3u);
    EXPECT_EQ(Seen[0].Text, "Ja");
    EXPECT_EQ(Seen[1].Text, "&No");
    EXPECT_EQ(Seen[2].Text, "Cancel");
    for (const TButtonSeen& B : Seen) EXPECT_EQ(B.Rect.right - B.Rect.left, 88);
}

TEST_F(QemDialogs, CustomMessageDialogAnswersNothingWhenTheBoxFails) {
    MessageBoxHook = [](HWND, const std::string&, const std::string&, UINT) -> int {
        throw Exception("no box today");
    };
    EXPECT_EQ(ShowCustomMessageDialog("Message", "Title", mtConfirmation, mbOKCancel, {"Yes", "Cancel"}), mrNone);
    MessageBoxHook = nullptr;
    // Nothing of the failed call is left behind: the next box is captioned.
    std::vector<TButtonSeen> Seen;
    TestHooks::OnNextModalWindow([&](HWND Dlg) {
        Seen = ButtonsOf(Dlg);
        Command(Dlg, IDCANCEL, BN_CLICKED);
    });
    EXPECT_EQ(ShowCustomMessageDialog("Message", "Title", mtConfirmation, mbOKCancel, {"Sure", "Not now"}), mrCancel);
    ASSERT_EQ(Seen.size(), 2u);
    EXPECT_EQ(Seen[0].Text, "Sure");
    EXPECT_EQ(Seen[1].Text, "Not now");
}

}  // namespace
