// A program started in a folder made by the test, with a work folder and list
// entries that tests add directly, for the first two steps of a run.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/globals.h"
#include "pipeline/source_list.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/commctrl.h"
#include "platform/commctl/testhooks.h"
#include "platform/rtl/sysutils.h"
#include "ui/main_form.h"
#include "ui/program.h"
#include "temp_folder.h"

class MainConvert : public ::testing::Test {
protected:
    void SetUp() override {
        Root = Scratch.Slashed();
        AppFolder = Root + "app/";
        ForceDirectories(AppFolder + "langs");
        setenv("XDG_DATA_HOME", (Root + "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Root + "config").c_str(), 1);
        TestHooks::Start();
        BeforeStart();
        Started = ProgramStartup(AppFolder);
        ASSERT_TRUE(Started);
        ASSERT_NE(frmMain, nullptr);
        F = frmMain;
        F->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([] { return frmMain->Showing(); }, 3000, "the main window to show"));
        TestHooks::PumpPending();
        Temp = Root + "work/";
        Options.TempDir = Temp;
        Options.ConverterFile = std::string(TESSARO_APP_DIR) + "/moxilon.dll";
        Options.TemplateDir = std::string(TESSARO_APP_DIR) + "/template1/";
        Options.VideoFormat = 0;
        Options.VideoAspect = 0;
        Options.UseDirectShow = false;
        NoMenuDvd = false;
        TestHooks::SetModalWatchdog(180000);
    }
    void TearDown() override {
        TestHookSetModalWindowHook(nullptr);
        TestHooks::SetModalWatchdog(0);
        for (const std::string& Failure : TestHooks::Failures()) ADD_FAILURE() << Failure;
        if (frmMain) {
            // The entries' data belong to the test.
            for (int I = 0; I < frmMain->lsvFiles->Items().Count(); ++I) frmMain->lsvFiles->Items().Item(I)->Data = nullptr;
            frmMain->lsvFiles->Items().Clear();
        }
        if (Started) ProgramShutdown();
        EXPECT_TRUE(TThread::WaitForAllEnded(5000));
        TestHooks::Stop();
    }

    // What a test sets up before the program starts (registry values, say).
    virtual void BeforeStart() {}

    // A list entry as the source list makes it: the full path as caption.
    void AddSource(const std::string& Path) {
        auto Item = std::make_unique<TFileItem>();
        ProbeMediaFile(Path, *Item);
        if (Item->FileSize.empty()) Item->FileSize = IntToStr(static_cast<int64_t>(FileSizeOf(Path)));
        TListItem* Entry = F->lsvFiles->Items().Add();
        Entry->SetCaption(Path);
        Entry->Data = Item.get();
        Items.push_back(std::move(Item));
    }
    static void WriteFileText(const std::string& Path, const std::string& Text) {
        std::ofstream Out(Path, std::ios::binary);
        Out << Text;
    }
    static int64_t FileSizeOf(const std::string& Path) {
        std::ifstream In(Path, std::ios::binary | std::ios::ate);
        return In ? static_cast<int64_t>(In.tellg()) : 0;
    }
    // A test clip made by the real converter's tool; false when it could not be made.
    static bool MakeClip(const std::string& Path, int Seconds) {
        std::string Cmd = "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=" +
                          std::to_string(Seconds) + " -f lavfi -i sine=frequency=440:duration=" +
                          std::to_string(Seconds) + " -c:v mpeg4 -c:a aac -shortest '" + Path + "'";
        return std::system(Cmd.c_str()) == 0;
    }

    TTempFolder Scratch{"tessaro_conv"};
    std::string Root, AppFolder, Temp;
    bool Started = false;
    TfrmMain* F = nullptr;
    std::vector<std::unique_ptr<TFileItem>> Items;
};
