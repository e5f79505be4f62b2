// A whole run driven from the Burn action as the user starts it: the program's
// own launchers of the outside tools, clips made by the test, every message box
// answered (by a scripted rule or with OK) and its text kept, and a bounded wait
// until the run has ended and the window is unlocked. The image recorder of the
// burn step writes into a folder of the test.
#pragma once

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/ui/main_convert_fixture.h"

#include "pipeline/progress_dialogs.h"
#include "pipeline/redirect.h"

class ProductionRun : public MainConvert {
protected:
    void SetUp() override {
        MainConvert::SetUp();
        if (HasFatalFailure()) return;
        const std::string App = std::string(TESSARO_APP_DIR) + "/";
        Options.ConverterFile = App + "moxilon.dll";
        Options.StillEncoderFile = App + "stillpress.dll";
        Options.VideoEncoderFile = App + "vidpack.dll";
        Options.MultiplexerFile = App + "plexora.dll";
        Options.SubpictureMuxerFile = App + "plexora2.dll";
        Options.AuthoringToolFile = App + "authora.dll";
        // The menu-less structure names the main menu's video in the program
        // folder itself, so the media files are copied there.
        ForceDirectories(AppFolder + "resources/ntsc");
        ForceDirectories(AppFolder + "langs/English_Profile");
        CopyTestFile(App + "resources/empty.mpg", AppFolder + "resources/empty.mpg");
        CopyTestFile(App + "resources/ntsc/empty.mpg", AppFolder + "resources/ntsc/empty.mpg");
        CopyTestFile(App + "resources/silence.mp2", AppFolder + "resources/silence.mp2");
        CopyTestFile(App + "langs/English_Profile/DirectShow.avs", AppFolder + "langs/English_Profile/DirectShow.avs");
        Options.ResourcesDir = AppFolder + "resources/";
        Options.ProcessPriority = 0;
        RecorderDir = Root + "recorder/";
        ForceDirectories(RecorderDir);
        setenv("TESSARO_RECORDER_DIR", RecorderDir.c_str(), 1);
        ForceDirectories(Root + "src");
    }
    void TearDown() override {
        unsetenv("TESSARO_RECORDER_DIR");
        MainConvert::TearDown();
    }

    // The first of the named programs that is not on the path, or "".
    static std::string MissingTool(const std::vector<std::string>& Names) {
        for (const std::string& N : Names)
            if (std::system(("command -v " + N + " >/dev/null 2>&1").c_str()) != 0) return N;
        return {};
    }

    // A clip of the given length made by the converter's tool, small so that
    // the run stays short.
    static bool MakeSmallClip(const std::string& Path, int Seconds) {
        const std::string S = std::to_string(Seconds);
        const std::string Cmd = "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=176x144:rate=25:duration=" +
                                S + " -f lavfi -i sine=frequency=440:duration=" + S +
                                " -c:v mpeg4 -c:a aac -shortest '" + Path + "'";
        return std::system(Cmd.c_str()) == 0;
    }

    // A box whose text holds Part is answered with Answer; every other box
    // with OK, or with its first button when it has no OK.
    void AnswerBox(const std::string& Part, int Answer) { Rules.emplace_back(Part, Answer); }

    struct TRunResult {
        bool Ended = false;               // ended and unlocked within the time
        std::vector<std::string> Boxes;   // "caption: text" of every box, in order
        std::vector<bool> OverStepDialog;  // per box: the step dialog still on screen
        double Seconds = 0;
        bool Shown(const std::string& Part) const {
            for (const std::string& B : Boxes)
                if (B.find(Part) != std::string::npos) return true;
            return false;
        }
    };

    // No step dialog open, no child of a step running, the window unlocked.
    bool RunEnded() const {
        if (!F->actBurn->Enabled() || !F->lsvFiles->Enabled()) return false;
        if (frmProgress && frmProgress->Visible()) return false;
        if (frmProgressOther && frmProgressOther->Visible()) return false;
        for (TRedirector* R : {F->ConvertRedirector.get(), F->MenuRedirector.get(), F->AuthorRedirector.get()})
            if (R && R->Running()) return false;
        return true;
    }

    // Presses Burn and waits, at most TimeoutMs, for the run to end. The steps
    // run inside the dialogs' modal loops; the modal watchdog bounds those.
    TRunResult RunBurn(int TimeoutMs = 300000) {
        TRunResult Result;
        const auto Start = std::chrono::steady_clock::now();
        TestHooks::ScriptMessageBoxes({});
        TestHookSetModalWindowHook([this, &Result](HWND Box) {
            Result.OverStepDialog.push_back(frmProgressOther && frmProgressOther->Visible());
            std::string Text;
            for (HWND C = GetWindow(Box, GW_CHILD); C; C = GetWindow(C, GW_HWNDNEXT)) {
                char Buf[4096] = {};
                GetWindowTextA(C, Buf, sizeof Buf);
                Text += std::string(Buf) + "\n";
            }
            int Answer = 0;
            for (const auto& [Part, A] : Rules)
                if (Text.find(Part) != std::string::npos) {
                    Answer = A;
                    break;
                }
            if (!Answer) {
                for (int Id : {IDOK, IDYES, IDRETRY, IDABORT, IDCANCEL})
                    if (GetDlgItem(Box, Id)) {
                        Answer = Id;
                        break;
                    }
            }
            EndDialog(Box, Answer ? Answer : IDOK);
        });
        TestHooks::SetModalWatchdog(TimeoutMs);
        F->actBurn->Execute();
        Result.Ended = static_cast<bool>(TestHooks::PumpUntil([this] { return RunEnded(); }, TimeoutMs,
                                                                 "the run to end and the window to unlock"));
        // Whatever the last step posted is handled before the result is read.
        TestHooks::PumpPending();
        TestHookSetModalWindowHook(nullptr);
        for (const auto& B : TestHookMessageBoxLog()) Result.Boxes.push_back(B.Caption + ": " + B.Text);
        Result.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
        return Result;
    }

    static void CopyTestFile(const std::string& From, const std::string& To) {
        std::ifstream In(From, std::ios::binary);
        std::ofstream Out(To, std::ios::binary);
        Out << In.rdbuf();
    }

    std::string RecorderDir;
    std::vector<std::pair<std::string, int>> Rules;
};
