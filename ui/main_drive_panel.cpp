// The drive panel of the main window: the writers found, the chosen writer
// opened in the engine, its speeds and write modes, the burn options read back
// from the panel and the Erase action. The burn step itself is in
// main_burn_step.cpp.
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
