// What the burn step's tests share: the burning engine's statuses as the hub
// hears them, the engine log switched on, and a program started in a folder
// of the test that runs Burn VIDEO_TS with scripted answers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "core/globals.h"
#include "core/sb_eventer.h"
#include "pipeline/progress_dialogs.h"
#include "platform/classlib/testhooks.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/commctrl.h"
#include "platform/rtl/sysutils.h"
#include "platform/system/registry.h"
#include "ui/main_form.h"
#include "ui/program.h"
#include "temp_folder.h"

// Every status the hub hears, in order, from whichever thread, passed on to
// the handler that was there before.
class TStatusLog {
public:
    void Attach() {
        Shown = sbCallBackEventer->OnMessage;
        sbCallBackEventer->OnMessage = [this](const std::string& Text, int Kind) {
            {
                std::lock_guard<std::mutex> G(Lock);
                Items.push_back(Text);
            }
            if (OnStatus) OnStatus(Text);
            if (Shown) Shown(Text, Kind);
        };
    }
    std::vector<std::string> Texts() {
        std::lock_guard<std::mutex> G(Lock);
        return Items;
    }
    void Clear() {
        std::lock_guard<std::mutex> G(Lock);
        Items.clear();
    }
    // Called on the thread that reports, before the text is passed on.
    std::function<void(const std::string&)> OnStatus;

private:
    TsbMessageEvent Shown;
    std::mutex Lock;
    std::vector<std::string> Items;
};

// Items of Needles appear in Haystack in this order.
inline bool InOrder(const std::vector<std::string>& Haystack, const std::vector<std::string>& Needles) {
    auto It = Haystack.begin();
    for (const std::string& N : Needles) {
        It = std::find(It, Haystack.end(), N);
        if (It == Haystack.end()) return false;
        ++It;
    }
    return true;
}

// The engine log switch in the registry store, read when the program starts.
inline void EnableEngineLog() {
    HKEY K = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\BurnLib\\Sample", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &K, nullptr),
              ERROR_SUCCESS);
    DWORD One = 1;
    RegSetValueExA(K, "LogEnabled", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&One), 4);
    RegCloseKey(K);
}

// The log file holds Line as the engine writes it: "hh:nn:ss.zzz: " + text.
inline bool LogHasLine(const std::string& LogFile, const std::string& Line) {
    std::ifstream In(LogFile);
    const std::string Log((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    return std::regex_search(Log, std::regex("(^|\n)\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d: " + Line + "\n"));
}

// The program started in a folder of the test, its window shown, the hub's
// statuses logged. Subclasses put their burning library in place before the
// start and take it away after the end.
class BurnStepFixture : public ::testing::Test {
public:
    void SetUp() override {
        Root = Scratch.Slashed();
        AppFolder = Root + "app/";
        ForceDirectories(AppFolder + "langs");
        setenv("XDG_DATA_HOME", (Root + "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Root + "config").c_str(), 1);
        BeforeStart();
        if (HasFatalFailure()) return;
        TestHooks::Start();
        Started = ProgramStartup(AppFolder);
        ASSERT_TRUE(Started);
        F = frmMain;
        F->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([] { return frmMain->Showing(); }, 3000, "the main window to show"));
        TestHooks::PumpPending();
        Statuses.Attach();
        TestHooks::SetModalWatchdog(60000);
    }
    void TearDown() override {
        if (Root.empty()) return;
        TestHooks::SetModalWatchdog(0);
        for (const std::string& Failure : TestHooks::Failures()) ADD_FAILURE() << Failure;
        if (frmProgressOther) frmProgressOther->Hide();
        BeforeShutdown();
        if (Started) ProgramShutdown();
        EXPECT_TRUE(TThread::WaitForAllEnded(5000));
        TestHooks::Stop();
        AfterShutdown();
    }

    // Burn VIDEO_TS on Folder, the folder picker accepting it, the boxes
    // answered in turn; returns once the step has returned.
    void BurnVideoTs(const std::string& Folder, const std::vector<int>& Answers) {
        Options.LastOpenDir = ExcludeTrailingPathDelimiter(Folder);
        TestHooks::ScriptMessageBoxes(Answers);
        TestHooks::OnNextModalWindow([](HWND Window) { PostMessageA(Window, WM_COMMAND, IDOK, 0); });
        F->actBurnVideoTS->Execute();
    }
    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> Texts;
        for (const auto& Box : TestHooks::MessageBoxesShown()) Texts.push_back(Box.Text);
        return Texts;
    }
    std::vector<std::string> StatusTexts() { return Statuses.Texts(); }
    // The step has ended: window unlocked, its dialog gone.
    void ExpectStepEnded() {
        EXPECT_TRUE(F->actBurn->Enabled());
        EXPECT_TRUE(F->lsvFiles->Enabled());
        EXPECT_TRUE(F->pnlBurner->Enabled());
        EXPECT_FALSE(frmProgressOther && frmProgressOther->Visible());
    }

    TTempFolder Scratch{"tessaro_burnstep"};
    std::string Root, AppFolder;
    bool Started = false;
    TfrmMain* F = nullptr;
    TStatusLog Statuses;

protected:
    virtual void BeforeStart() {}
    virtual void BeforeShutdown() {}
    virtual void AfterShutdown() {}
};
