// Step 2 of a run, as methods of the main window: the menu pictures composed
// by a worker under the step dialog, and the end of a run's steps dialog.
#include "core/globals.h"
#include "core/qem_utils.h"
#include "core/ui_texts.h"
#include "pipeline/authoring.h"
#include "pipeline/conversion.h"
#include "pipeline/menu_images.h"
#include "pipeline/progress_dialogs.h"
#include "pipeline/redirect.h"
#include "controls/extra/gp_controls.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/commctrl.h"
#include "platform/system/process.h"
#include "platform/rtl/sysutils.h"
#include "ui/main_form.h"

namespace {

void SetStatusText(TStatusBar* Bar, const std::string& Text) {
    if (Bar && Bar->Panels().Count() > 0) Bar->Panels().Items(0)->SetText(Text);
}

}  // namespace

// Composes the menu pages off the GUI thread; its end handler reads Success.
class TBulidMenuImageThread : public TThread {
public:
    explicit TBulidMenuImageThread(TfrmMain* AMainWindow) : MainWindow(AMainWindow) { FreeOnTerminate = true; }

    TfrmMain* MainWindow;
    bool Success = true;

protected:
    void Execute() override {
        Success = BuildMenuImages(
            [this](int Percent) {
                if (!Terminated()) Queue([Percent] { SetStepBar(Percent); });
            },
            [](int Ms) { Sleep(static_cast<DWORD>(Ms)); });
    }
};

// ---- Step 2: the menu pictures ------------------------------------------------------------
void TfrmMain::WMBuildMenuImages(TMessage&) {
    if (PipelineCancelled) return;
    if (frmProgress && frmProgress->Visible()) {
        frmProgress->Finished = true;
        if (frmProgress->Modal())
            frmProgress->ModalResult = mrOk;
        else
            frmProgress->Close();
    }
    if (NoMenuDvd) {
        PostMessageA(Handle(), WM_BUILD_MENU_XML, 0, 0);
    } else {
        if (frmProgressOther) frmProgressOther->SetupMenuImageStep();
        SetStatusText(StatusBar, STR_PROCESSOTHER_BurnDVDStep2);
        Application->ProcessMessages();
        auto* Worker = new TBulidMenuImageThread(this);
        // The end handler runs on the GUI thread; a window already gone hears nothing.
        Worker->OnTerminate = [this](TObject* Sender) {
            if (frmMain == this) MenuImageThreadDone(Sender);
        };
        Worker->Start();
    }
    if (frmProgressOther) frmProgressOther->ShowModal();

    if (MenuRedirector && MenuRedirector->Running()) {
        MenuRedirector->KillProcess(0);
        // The runner's child is the batch; the tools it started outlive it.
        for (const std::string* Tool : {&Options.StillEncoderFile, &Options.VideoEncoderFile,
                                        &Options.MultiplexerFile, &Options.SubpictureMuxerFile})
            KillProcessesByName(*Tool);
        DeleteMenuFiles();
    }
    if (AuthorRedirector && AuthorRedirector->Running()) {
        AuthorRedirector->KillProcess(0);
        KillProcessesByName(Options.AuthoringToolFile);
        DeleteTitleFiles();
    }
    SetRunningState(false);
    DeleteTempDvdFolders();
}

void TfrmMain::MenuImageThreadDone(TObject* Sender) {
    auto* Worker = dynamic_cast<TBulidMenuImageThread*>(Sender);
    if (Worker && Worker->Success && !Worker->HasFatalException()) {
        PostMessageA(Handle(), WM_BUILD_MENU_XML, 0, 0);
        return;
    }
    Application->MessageBox(IDS_main_MSG_BuildMenuImageError, IDS_main_MSG_Error, MB_OK);
    if (frmProgressOther && frmProgressOther->Visible()) frmProgressOther->Close();
}

void TfrmMain::DeleteTempDvdFolders() {
    for (const char* Folder : {"VIDEO_TS", "AUDIO_TS"}) {
        const std::string Path = Options.TempDir + Folder;
        if (DirectoryExists(Path)) DeleteFolderRecursive(Path);
    }
}
