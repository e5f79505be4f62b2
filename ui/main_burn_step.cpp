// The last step of a run, as methods of the main window: the VIDEO_TS folder
// written to the chosen writer (or to an image file), with its checks, its
// step dialog and its end.
#include "burning/burn_engine.h"
#include "burning/burn_step.h"
#include "burning/erase_dialog.h"
#include "core/sb_eventer.h"
#include "pipeline/progress_dialogs.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "platform/commctl/commctrl.h"
#include "ui/main_form.h"

namespace {
void Status(const std::string& Text, int Kind) {
    if (sbCallBackEventer) sbCallBackEventer->DoMessage(Text, Kind);
}
int Box(const std::string& Text, const std::string& Caption, unsigned Flags) {
    return Application->MessageBox(Text, Caption, Flags);
}
}  // namespace

void TfrmMain::EndBurnStep() {
    SetRunningState(false);
    if (!frmProgressOther) return;
    if (frmProgressOther->tmTime) frmProgressOther->tmTime->SetEnabled(false);
    if (!frmProgressOther->Visible()) return;
    // A run's step dialog is modal: its loop ends once this step returns, and
    // the run's clean-up follows there. It goes from the screen now, before
    // the step's last box.
    if (frmProgressOther->Modal()) {
        frmProgressOther->ModalResult = mrCancel;
        frmProgressOther->Hide();
    } else {
        frmProgressOther->Close();
    }
}

void TfrmMain::WMBurnDisc(TMessage&) {
    if (PipelineCancelled) return;
    // The step's dialog is up from the moment the step is on its way; gone, it
    // was cancelled before the step could start, and that cancel stands.
    if (frmProgressOther && !frmProgressOther->Visible()) {
        Status(IDS_Main_BurnCancel, sbMsgError);
        EndBurnStep();
        return;
    }
    try {
        RunBurnStep();
    } catch (const std::exception& E) {
        // A writer that cannot be opened ends the step like its other early ends.
        if (Burner->GrabberHandle) {
            Burner->ReleaseTray();
            Burner->LoadTray();
        }
        EndBurnStep();
        Application->MessageBox(E.what(), IDS_main_MSG_Error, MB_OK | MB_ICONERROR);
    }
}

bool TfrmMain::RunBurnStep() {
    TsbBurner& B = *Burner;
    Options.DVDLabel = txtDiscLabel->Text();
    B.Cancelled = false;
    B.AudioFiles->Clear();
    B.FileList->Clear();

    const std::string Output = IncludeTrailingPathDelimiter(OutputFolder);
    // The folder as it is named on disk: a chosen "video_ts" is burnt as found.
    std::string VideoTs = FindNameNoCase(Output, "VIDEO_TS");
    const std::string Folder = Output + (VideoTs.empty() ? std::string("VIDEO_TS") : VideoTs);
    if (!CheckVideoTsFolder(Folder) &&
        Box(IDS_main_MSG_DVDFile, IDS_main_MSG_Hint, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK) {
        EndBurnStep();
        return false;
    }

    // Only what goes onto the disc counts, not whatever else lies beside it.
    NeedSpace = GetVideoFolderSize(OutputFolder);
    if (NeedSpace <= 0 || IsFolderEmpty(OutputFolder)) {
        Box(Format(IDS_Main_MSG_FolderSize0, {NeedSpace}), IDS_main_MSG_Hint, MB_OK);
        EndBurnStep();
        return false;
    }
    B.VideoBurnOptions = DvdVideoBurnOptions(Folder, Options.DVDLabel, Now());

    B.LoadTray();
    RefreshDevices(false);
    // The writer may have gone since the last scan: nothing to burn on (the
    // scan has said so).
    if (cmbDevice->Items().Count() == 0) {
        EndBurnStep();
        return false;
    }
    ReportBurnSpace(NeedSpace, SelectedDiscSpace);
    ApplyBurnOptions();
    B.LockTray();
    if (!frmProgressOther) {
        frmProgressOther = new TfrmProgressOther(this);
        frmProgressOther->Burner = Burner.get();
    }

    TsbDiscCheckHost Host;
    Host.MessageBox = [](const std::string& Text, const std::string& Caption, unsigned Flags) {
        return Box(Text, Caption, Flags);
    };
    Host.RunEraseDialog = [this] { RunEraseDialog(true); };
    // The checks read the selected disc anew after each of their rescans.
    DISC_TYPE DiscType = static_cast<DISC_TYPE>(SelectedDiscType);
    Host.Rescan = [this, &DiscType] {
        RefreshDevices(false);
        DiscType = static_cast<DISC_TYPE>(SelectedDiscType);
    };
    auto Present = [&] {
        if (cmbDevice->Items().Count() == 0) return false;
        DiscType = static_cast<DISC_TYPE>(SelectedDiscType);
        return CheckDiscPresent(B, TsbSelectedDisc{SelectedDiscSpace, DiscType}, NeedSpace, Host);
    };
    while (!Present()) {
        Status(IDS_main_MSG_PleaseCheckWriteDevice, sbMsgInfo);
        if (Box(IDS_main_MSG_PleaseCheckWriteDevice, IDS_main_MSG_Hint, MB_OKCANCEL | MB_ICONINFORMATION) !=
            IDOK) {
            Status(IDS_Main_BurnCancel, sbMsgError);
            B.ReleaseTray();
            B.LoadTray();
            EndBurnStep();
            return false;
        }
        B.LoadTray();
        RefreshDevices(false);
    }

    SetRunningState(true);
    ApplyBurnOptions();
    if (!PrepareBurner(B)) {
        B.ReleaseTray();
        B.LoadTray();
        EndBurnStep();
        return false;
    }
    B.LockTray();
    if (frmProgressOther && frmProgressOther->tmTime) frmProgressOther->tmTime->SetEnabled(true);
    B.BurnVideo();

    const bool Ok = B.Success;
    const bool TestMode = B.BurnOptions.TestMode;
    // A failure always leaves its text; a cancel leaves none.
    const bool UserCancelled = !Ok && B.LastError.empty();
    // A test burn never ejects.
    if (B.BurnOptions.EjectAfterBurn && Ok && !TestMode)
        B.Eject();
    else
        B.ReleaseTray();
    EndBurnStep();
    if (Ok) {
        const std::string& Text = TestMode ? IDS_Main_MSG_TestModeFinished : IDS_Main_MSG_Finished;
        Status(Text, sbMsgInfo);
        Box(Text, IDS_main_MSG_Hint, MB_OK | MB_ICONINFORMATION);
        return true;
    }
    if (sbCallBackEventer) {
        sbCallBackEventer->DoProgress(this, 0);
        sbCallBackEventer->DoBuffer(this, 0);
    }
    if (UserCancelled) {
        Status(IDS_Main_BurnCancel, sbMsgError);
        return false;
    }
    const std::string& Text = TestMode ? IDS_Main_MSG_TestModeFaile : IDS_Main_MSG_Faile;
    Status(Text, sbMsgError);
    Box(Text, IDS_main_MSG_Hint, MB_OK | MB_ICONERROR);
    return false;
}
