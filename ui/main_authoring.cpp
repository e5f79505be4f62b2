// Steps 3 to 5 of a run, as methods of the main window: the subpicture and
// DVD-structure files, the menu videos and the DVD structure.
#include <atomic>

#include "core/globals.h"
#include "core/ui_texts.h"
#include "pipeline/authoring.h"
#include "pipeline/line_building.h"
#include "pipeline/progress_dialogs.h"
#include "pipeline/redirect.h"
#include "controls/extra/gp_controls.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/commctrl.h"
#include "platform/system/process.h"
#include "ui/main_form.h"

namespace {

uint8_t ToolPriority(uint8_t ProcessPriority) {
    switch (ProcessPriority) {
        case 1:
            return 2;
        case 2:
            return 3;
        case 3:
            return 4;
        default:
            return 1;
    }
}

void SetStatusText(TStatusBar* Bar, const std::string& Text) {
    if (Bar && Bar->Panels().Count() > 0) Bar->Panels().Items(0)->SetText(Text);
}

void SetStepPercent(int Percent) { SetStepBar(Percent); }

}  // namespace

namespace {
// The step dialog's bar, whichever bar class the dialog has.
[[maybe_unused]] void SetBar(TProgressBar* Bar, int Percent) {
    if (Bar) Bar->SetPosition(Percent);
}
[[maybe_unused]] void SetBar(TGpProgressBar* Bar, int Percent) {
    if (Bar) Bar->SetPercent(static_cast<int16_t>(Percent));
}
}  // namespace

void SetStepBar(int Percent) {
    if (frmProgressOther) SetBar(frmProgressOther->prgStatus, Percent);
}

uint8_t MenuToolPriority(uint8_t ProcessPriority) { return ToolPriority(ProcessPriority); }
uint8_t AuthorToolPriority(uint8_t ProcessPriority) { return ToolPriority(ProcessPriority); }

// Writes every page's subpicture file and dvd.xml with menus, with the step's
// fixed progress values handed to the GUI thread.
class TBulidXMLThread : public TThread {
protected:
    void Execute() override {
        Progress(0);
        const TTemplateLayout Layout = ReadTemplateLayout(Options.TemplateDir + "dat.dat");
        WritePageXmls(Layout);
        for (int P : {10, 20, 30, 40}) {
            Progress(P);
            Sleep(500);
        }
        Progress(50);
        WriteMenuDvdXml();
        for (int P : {60, 70, 80, 90}) {
            Progress(P);
            Sleep(500);
        }
        Progress(100);
    }

private:
    void Progress(int Percent) {
        if (Terminated()) return;
        Queue([Percent] { SetStepPercent(Percent); });
    }
};

void TfrmMain::EndRunWithError(const std::string& Text) {
    Application->MessageBox(Text, STR_Error, MB_OK | MB_ICONERROR);
    if (frmProgressOther && frmProgressOther->Visible()) frmProgressOther->Close();
    SetRunningState(false);
}

void TfrmMain::WMBuildMenuXml(TMessage&) {
    if (PipelineCancelled) return;
    if (frmProgressOther) frmProgressOther->SetupMenuXmlStep();
    SetStatusText(StatusBar, STR_PROCESSOTHER_BurnDVDStep3);
    Application->ProcessMessages();
    if (NoMenuDvd) {
        try {
            WriteNoMenuDvdXml();
        } catch (const std::exception& E) {
            EndRunWithError(E.what());
            return;
        }
        PostMessageA(Handle(), WM_AUTHOR_DVD, 0, 0);
        return;
    }
    auto* Worker = new TBulidXMLThread();
    Worker->FreeOnTerminate = true;
    // The end handler runs on the GUI thread; a window already gone hears nothing.
    Worker->OnTerminate = [this](TObject* Sender) {
        if (frmMain == this) MenuXmlThreadDone(Sender);
    };
    Worker->Start();
}

void TfrmMain::MenuXmlThreadDone(TObject* Sender) {
    // A worker that failed must not hand half-written files to the menu step.
    auto* Worker = dynamic_cast<TThread*>(Sender);
    if (Worker && Worker->HasFatalException()) {
        EndRunWithError(Worker->FatalException);
        return;
    }
    PostMessageA(Handle(), WM_BUILD_MENU_VIDEO, 0, 0);
}

void TfrmMain::WMBuildMenuVideo(TMessage&) {
    if (PipelineCancelled) return;
    MenuRedirector.reset();  // the last run's batch ends before the next starts
    MenuRedirector = std::make_unique<TRedirector>();
    MenuRedirector->SetInititalPriority(MenuToolPriority(Options.ProcessPriority));
    MenuRedirector->SetDefaultErrorMode(true);
    MenuRedirector->OnTerminated = [this](TObject* Sender) { MenuBatchDone(Sender); };
    MenuRedirector->KillOnDestroy = true;
    WriteMenuBatch();
    Options.PendingOutput.clear();
    MenuRedirector->SetCommandline("\"" + Options.TempDir + "menu.bat\"");
    MenuRedirector->RunCommand();
    if (frmProgressOther) {
        SetStepPercent(0);
        frmProgressOther->SetupMenuVideoStep();
    }
    SetStatusText(StatusBar, STR_PROCESSOTHER_BurnDVDStep4);
    Application->ProcessMessages();
}

void TfrmMain::MenuBatchDone(TObject*) {
    if (!frmProgressOther) return;
    SetStepPercent(100);
    DeleteMenuFiles();
    PostMessageA(Handle(), WM_AUTHOR_DVD, 0, 0);
}

void TfrmMain::WMAuthorDvd(TMessage&) {
    if (PipelineCancelled) return;
    AuthorRedirector.reset();
    AuthorRedirector = std::make_unique<TRedirector>();
    AuthorRedirector->SetInititalPriority(AuthorToolPriority(Options.ProcessPriority));
    AuthorRedirector->SetDefaultErrorMode(true);
    AuthorRedirector->OnData = [this](TObject* Sender, const char* Buffer, int32_t Size) {
        AuthorOutput(Sender, Buffer, Size);
    };
    AuthorRedirector->OnErrorData = AuthorRedirector->OnData;
    AuthorRedirector->OnTerminated = [this](TObject* Sender) { AuthorDone(Sender); };
    AuthorRedirector->KillOnDestroy = true;
    Options.PendingOutput.clear();
    OutputFolder = NewDiscFolder(Options.TempDir);
    AuthorRedirector->SetCommandline(AuthorCommandLine(OutputFolder));
    AuthorRedirector->RunCommand();
    if (frmProgressOther) {
        SetStepPercent(0);
        frmProgressOther->SetupAuthoringStep();
    }
    SetStatusText(StatusBar, STR_PROCESSOTHER_BurnDVDStep5);
    Application->ProcessMessages();
}

void TfrmMain::AuthorOutput(TObject*, const char* Buffer, int32_t Size) {
    const bool Exited = AuthorRedirector && AuthorRedirector->Exited();
    for (const TOutputLine& L : BuildOutputLines(Buffer, Size, Exited, Options.PendingOutput)) {
        const int P = AuthorLineProgress(L.Line, Options.TitleCount);
        if (P >= 0) SetStepPercent(P);
    }
}

void TfrmMain::AuthorDone(TObject*) {
    if (!frmProgressOther) return;
    SetStepPercent(100);
    DeleteTitleFiles();
    frmProgressOther->SetupBurnStep();
    SetStatusText(StatusBar, STR_PROCESSOTHER_BurnDVDStep6);
    Application->ProcessMessages();
    PostMessageA(Handle(), WM_BURN_DISC, 0, 0);
}
