// The drive panel of the main window: the writers found, the chosen writer
// opened in the engine, its speeds and write modes, the burn options read back
// from the panel, the Erase action, and the last step of a run, which writes
// the VIDEO_TS folder to the chosen writer.
#include "burning/burn_engine.h"
#include "burning/burn_step.h"
#include "burning/erase_dialog.h"
#include "core/sb_eventer.h"
#include "pipeline/progress_dialogs.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "platform/commctl/commctrl.h"
#include "ui/main_form.h"

void TfrmMain::RefreshDevices(bool WithDialog) {
    if (sbCallBackEventer) sbCallBackEventer->DoMessage(IDS_Main_Info_RefreshDevice, sbMsgInfo);
    TsbDeviceFinder& Finder = *Burner->DeviceFinder;
    Finder.Transport = Options.IsWin9x ? ttAspi : ttSpti;
    Finder.InfoText = IDS_Main_Info_FindDevice;
    Finder.FindDevices(WithDialog);
    Finder.ListWriters(cmbDevice->Items());
    const int Count = cmbDevice->Items().Count();
    if (DeviceNumber <= 0) DeviceNumber = Count;
    if (DeviceNumber > Count || DeviceNumber <= 0) {
        if (Count > 0) {
            DeviceNumber = Count;
            SelectDevice(Count - 1);
        } else {
            // The writer used before is gone: its handle and disc must not be
            // used for a burn.
            Burner->CloseDevice();
            SelectedDiscType = DISC_TYPE_NO_MEDIA;
            SelectedDiscSpace = TsbDiscSpace{};
            Application->MessageBox(IDS_Main_MSG_NoFindDevice, IDS_main_MSG_Hint, MB_OK);
        }
    } else {
        SelectDevice(DeviceNumber - 1);
    }
    ShowDiscSpace();
}

void TfrmMain::SelectDevice(int Index) {
    cmbDevice->SetItemIndex(Index);
    auto* E = static_cast<TsbDeviceItem*>(cmbDevice->Items().GetObject(Index));
    TsbBurner& B = *Burner;
    B.UseDevice(*E);
    SelectedDiscSpace = E->DiscSpace;
    SelectedDiscType = E->DiscType;
    if (B.WriteSpeeds->Count() > 0) {
        B.BurnOptions.SpeedFactor = B.WriteSpeeds->GetItem(0)->SpeedInPoint;
        B.BurnOptions.Speed = B.WriteSpeeds->GetItem(0)->SpeedInSize;
    }
    // The list shown is the engine's list: a position read back later must
    // name the speed the user saw.
    FillSpeedList();
}

void TfrmMain::FillSpeedList() {
    TsbBurner& B = *Burner;
    const int OldSpeed = cmbBurnSpeed->ItemIndex();
    cmbBurnSpeed->Items().Clear();
    for (int I = 0; I < B.WriteSpeeds->Count(); ++I) cmbBurnSpeed->Items().Add(B.WriteSpeeds->GetItem(I)->StrSpeed);
    cmbBurnSpeed->SetItemIndex(OldSpeed >= 0 && OldSpeed < cmbBurnSpeed->Items().Count() ? OldSpeed
                               : cmbBurnSpeed->Items().Count() > 0                     ? 0
                                                                                       : -1);
}

void TfrmMain::cmbDeviceChange(TObject*) {
    if (cmbDevice->ItemIndex() < 0) return;
    DeviceNumber = cmbDevice->ItemIndex() + 1;
    SelectDevice(cmbDevice->ItemIndex());
}

void TfrmMain::btnRefreshClick(TObject*) {
    RefreshDevices(true);
    ShowBurnOptions();
}

void TfrmMain::ShowDiscSpace() {
    if (!StatusBar || StatusBar->Panels().Count() < 2) return;
    StatusBar->Panels().Items(1)->SetText(DiscSpaceText(static_cast<DISC_TYPE>(SelectedDiscType), SelectedDiscSpace));
}

void TfrmMain::ShowBurnOptions() {
    TsbBurner& B = *Burner;
    FillSpeedList();
    const TsbBurnOptions& O = B.BurnOptions;
    chkTestMode->SetChecked(O.TestMode);
    ckbSOPC->SetChecked(O.OPC);
    ckbSOPC->SetEnabled(!chkTestMode->Checked());
    chkEjectAfter->SetChecked(O.EjectAfterBurn);
    chkBufferProtect->SetChecked(O.BufferProtect);
    ckbCloseDisc->SetChecked(!O.NextSessionAllowed);
    txtDiscLabel->SetText(Options.DVDLabel);

    const int OldMode = cmbModes->ItemIndex();
    cmbModes->Items().Clear();
    TaoModeIndex = SaoModeIndex = DaoPqModeIndex = DaoRawModeIndex = -1;
    const bool Dvd = IsDvdMedia(static_cast<DISC_TYPE>(SelectedDiscType));
    if (B.WriteModes.DiscAtOnceRawPW && !Dvd) DaoRawModeIndex = cmbModes->Items().Add(IDS_Burn_Mode_DiscAtOnceRawPW);
    if (B.WriteModes.DiscAtOncePQ && !Dvd) DaoPqModeIndex = cmbModes->Items().Add(IDS_Burn_Mode_DiscAtOncePQ);
    if (B.WriteModes.SessionAtOnce && !Dvd) SaoModeIndex = cmbModes->Items().Add(IDS_Burn_Mode_SessionAtOnce);
    if (B.WriteModes.TrackAtOnce) TaoModeIndex = cmbModes->Items().Add(IDS_Burn_Mode_TrackAtOnce);
    if (OldMode >= 0 && OldMode < cmbModes->Items().Count()) {
        cmbModes->SetItemIndex(OldMode);
    } else {
        switch (O.WriteMode) {
            case 3:
            case 6:
                cmbModes->SetItemIndex(DaoRawModeIndex);
                break;
            case 2:
            case 5:
                cmbModes->SetItemIndex(DaoPqModeIndex);
                break;
            case 1:
            case 8:
                cmbModes->SetItemIndex(SaoModeIndex);
                break;
            case 0:
            case 7:
                cmbModes->SetItemIndex(TaoModeIndex);
                break;
            default:
                break;
        }
    }
    const int Sel = cmbModes->ItemIndex();
    if (Sel >= 0 && (Sel == DaoRawModeIndex || Sel == DaoPqModeIndex)) ckbCloseDisc->SetChecked(true);
}

void TfrmMain::ApplyBurnOptions() {
    TsbBurner& B = *Burner;
    TsbBurnOptions O = B.BurnOptions;
    const int Sel = cmbModes->ItemIndex();
    // Tested in this order, so the last match wins.
    if (Sel == DaoRawModeIndex) O.WriteMode = 6;
    if (Sel == DaoPqModeIndex) O.WriteMode = 5;
    if (Sel == SaoModeIndex) O.WriteMode = 8;
    if (Sel == TaoModeIndex) O.WriteMode = 7;
    O.TestMode = chkTestMode->Checked();
    O.NextSessionAllowed = !ckbCloseDisc->Checked();
    O.OPC = ckbSOPC->Checked() && ckbSOPC->Enabled();
    O.EjectAfterBurn = chkEjectAfter->Checked();
    O.CDROMXA = ckbCDROMXA->Checked();
    O.BufferProtect = chkBufferProtect->Checked();
    const int Speed = cmbBurnSpeed->ItemIndex();
    if (Speed >= 0 && Speed < B.WriteSpeeds->Count()) {
        O.SpeedFactor = B.WriteSpeeds->GetItem(Speed)->SpeedInPoint;
        O.Speed = B.WriteSpeeds->GetItem(Speed)->SpeedInSize;
    }
    B.BurnOptions = O;
    Options.DVDLabel = txtDiscLabel->Text();
}

void TfrmMain::RunEraseDialog(bool FromBurnStep) {
    std::unique_ptr<TfrmEraseDisc, void (*)(TfrmEraseDisc*)> Erase(new TfrmEraseDisc(this),
                                                                     [](TfrmEraseDisc* D) { D->Free(); });
    if (FromBurnStep) {
        // The burn follows on the same disc: it stays in, and the dialog
        // closes by itself once the disc is erased.
        Erase->chkEjectAfterErase->SetChecked(false);
        Erase->chkEjectAfterErase->SetEnabled(false);
        Erase->CloseOnSuccess = true;
    }
    Erase->ShowModal();
}

void TfrmMain::ActEraseExecute(TObject*) {
    RunEraseDialog(false);
    RefreshDevices(false);
    ShowBurnOptions();
}

// ---- The burn step ------------------------------------------------------------------------------
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
