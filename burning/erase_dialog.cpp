#include "burning/erase_dialog.h"

#include "burning/burn_step.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "platform/commctl/commctrl.h"
#include "platform/system/shell.h"

TfrmEraseDisc::TfrmEraseDisc(TComponent* AOwner) : TForm(AOwner) {
    RegisterGpControls();
    RegisterSkinnedControls();
    DefineMethod("FormCreate", &TfrmEraseDisc::FormCreate);
    DefineMethod("FormDestroy", &TfrmEraseDisc::FormDestroy);
    DefineMethod("btnEraseClick", &TfrmEraseDisc::btnEraseClick);
    DefineMethod("btnRefreshClick", &TfrmEraseDisc::btnRefreshClick);
    DefineMethod("cmbDeviceChange", &TfrmEraseDisc::cmbDeviceChange);
    DefineMethod("btnMinClick", &TfrmEraseDisc::btnMinClick);
    DefineMethod("btnHelpClick", &TfrmEraseDisc::btnHelpClick);
    DefineMethod("btnCloseClick", &TfrmEraseDisc::btnCloseClick);
    DefineField("prgTotal", prgTotal);
    DefineField("lblDevice", lblDevice);
    DefineField("lblErase_Speed", lblErase_Speed);
    DefineField("lblDescription", lblDescription);
    DefineField("lblStatus", lblStatus);
    DefineField("lblPencent", lblPencent);
    DefineField("lblDiscSyteSource", lblDiscSyteSource);
    DefineField("lblDiscSyteSource1", lblDiscSyteSource1);
    DefineField("lblFreeSource", lblFreeSource);
    DefineField("lblFreeSource1", lblFreeSource1);
    DefineField("lblOnDiscSource", lblOnDiscSource);
    DefineField("lblOnDiscSource1", lblOnDiscSource1);
    DefineField("btnErase", btnErase);
    DefineField("btnRefresh", btnRefresh);
    DefineField("cmbDevice", cmbDevice);
    DefineField("cmbEraseSpeed", cmbEraseSpeed);
    DefineField("chkQuickErase", chkQuickErase);
    DefineField("chkEjectAfterErase", chkEjectAfterErase);
    LoadFromResource("frmEraseDisc");
}

namespace {
// The dialog whose handlers the event hub holds.
TfrmEraseDisc* HubDialog = nullptr;
}  // namespace

TfrmEraseDisc::~TfrmEraseDisc() {
    // The hub must not keep calling into a freed dialog.
    if (HubDialog == this) {
        HubDialog = nullptr;
        if (sbCallBackEventer) {
            sbCallBackEventer->OnEraseProgress = nullptr;
            sbCallBackEventer->OnEraseDone = nullptr;
            sbCallBackEventer->OnError = nullptr;
        }
    }
    Burner.reset();
}

void TfrmEraseDisc::FormCreate(TObject*) {
    ApplyUITexts();
    Burner = std::make_unique<TsbBurner>();
    BurnLibDll->BurnLib_UpStartEx();
    DeviceNumber = 0;
    RefreshDevices(true);
    CloseOnSuccess = false;
}

void TfrmEraseDisc::FormDestroy(TObject*) { Burner.reset(); }

void TfrmEraseDisc::ApplyUITexts() {
    SetCaption(IDS_ERASEDISC_LABEL_Title);
    lblDevice->SetCaption(IDS_ERASEDISC_LABEL_Drive);
    lblDescription->SetCaption(IDS_ERASEDISC_LABEL_Description);
    chkQuickErase->SetCaption(IDS_ERASEDISC_CHECKBOX_QuickErase);
    chkEjectAfterErase->SetCaption(IDS_ERASEDISC_CHECKBOX_EjectAfterErase);
    btnErase->SetCaption(IDS_ERASEDISC_BUTTON_Erase);
    lblStatus->SetCaption("");
}

void TfrmEraseDisc::RefreshDevices(bool WithDialog) {
    if (sbCallBackEventer) sbCallBackEventer->DoMessage(IDS_Main_Info_RefreshDevice, sbMsgInfo);
    TsbDeviceFinder& Finder = *Burner->DeviceFinder;
    Finder.Transport = Options.IsWin9x ? ttAspi : ttSpti;
    Finder.InfoText = IDS_Main_Info_FindDevice;
    Finder.FindDevices(WithDialog);
    Finder.ListWriters(cmbDevice->Items());
    int Count = cmbDevice->Items().Count();
    if (DeviceNumber <= 0) DeviceNumber = Count;
    if (DeviceNumber > Count || DeviceNumber <= 0) {
        if (Count > 0) {
            // The engine must hold the writer the list shows, so the last one
            // is selected fully, not only in the list.
            DeviceNumber = Count;
            SelectDevice(Count - 1);
        } else {
            MessageBoxA(Handle(), IDS_Main_MSG_NoFindDevice.c_str(), IDS_main_MSG_Hint.c_str(), MB_OK);
        }
    } else {
        SelectDevice(DeviceNumber - 1);
    }
    ShowDiscInfo();
}

void TfrmEraseDisc::SelectDevice(int Index) {
    cmbDevice->SetItemIndex(Index);
    auto* E = static_cast<TsbDeviceItem*>(cmbDevice->Items().GetObject(Index));
    TsbBurner& B = *Burner;
    B.UseDevice(*E);
    SelectedDiscSpace = E->DiscSpace;
    SelectedDiscType = E->DiscType;
    if (B.WriteSpeeds->Count() > 0) {
        B.EraseOptions.SpeedFactor = B.WriteSpeeds->GetItem(0)->SpeedInPoint;
        B.EraseOptions.Speed = B.WriteSpeeds->GetItem(0)->SpeedInSize;
    }
    ShowEraseOptions();
}

void TfrmEraseDisc::cmbDeviceChange(TObject*) {
    if (cmbDevice->ItemIndex() < 0) return;
    DeviceNumber = cmbDevice->ItemIndex() + 1;
    SelectDevice(cmbDevice->ItemIndex());
    ShowDiscInfo();
}

void TfrmEraseDisc::ShowDiscInfo() {
    lblDiscSyteSource1->SetCaption(DiscTypeName(SelectedDiscType));
    lblOnDiscSource1->SetCaption(sbBytesToMBText(SelectedDiscSpace.UsedBytes) + " MB");
    lblFreeSource1->SetCaption(sbBytesToMBText(SelectedDiscSpace.FreeBytes) + " MB");
}

void TfrmEraseDisc::ShowEraseOptions() {
    int Old = cmbEraseSpeed->ItemIndex();
    cmbEraseSpeed->Items().Clear();
    TsbDiscSpeedList& Speeds = *Burner->WriteSpeeds;
    for (int I = 0; I < Speeds.Count(); ++I) cmbEraseSpeed->Items().Add(Speeds.GetItem(I)->StrSpeed);
    cmbEraseSpeed->SetItemIndex(Old >= 0 && Old < Speeds.Count() ? Old : (Speeds.Count() > 0 ? 0 : -1));
    chkQuickErase->SetChecked(!Burner->EraseOptions.FullErase);
    chkEjectAfterErase->SetChecked(Burner->EraseOptions.EjectAfterErase);
}

void TfrmEraseDisc::ApplyEraseOptions() {
    TsbEraseOptions& O = Burner->EraseOptions;
    O.FullErase = !chkQuickErase->Checked();
    TsbDiscSpeedList& Speeds = *Burner->WriteSpeeds;
    if (Speeds.Count() > 0) {
        int I = cmbEraseSpeed->ItemIndex();
        if (I < 0 || I >= Speeds.Count()) I = 0;
        O.SpeedFactor = Speeds.GetItem(I)->SpeedInPoint;
        O.Speed = Speeds.GetItem(I)->SpeedInSize;
    }
    O.EjectAfterErase = chkEjectAfterErase->Checked();
    O.ShowEraseProgress = true;
    if (sbCallBackEventer) {
        HubDialog = this;
        sbCallBackEventer->OnEraseProgress = [this](TObject* S, int P) { EraseProgress(S, P); };
        sbCallBackEventer->OnEraseDone = [this](TObject* S, bool Ok) { EraseDone(S, Ok); };
        sbCallBackEventer->OnError = [this](TObject* S, const std::string& T) { EraseError(S, T); };
    }
}

void TfrmEraseDisc::SetControlsEnabled(bool Enabled) {
    for (TControl* C : std::initializer_list<TControl*>{cmbDevice, cmbEraseSpeed, btnRefresh, chkEjectAfterErase,
                                                         chkQuickErase, btnErase})
        C->SetEnabled(Enabled);
}

void TfrmEraseDisc::btnEraseClick(TObject*) {
    lblStatus->SetCaption(IDS_ERASEDISC_LABEL_Status_StartErase);
    ApplyEraseOptions();
    SetControlsEnabled(false);
    Burner->Erase();
}

void TfrmEraseDisc::EraseProgress(TObject*, int Percent) {
    prgTotal->SetPercent(Percent);
    lblPencent->SetCaption(IntToStr(Percent) + "%");
    lblStatus->SetCaption(Percent > 99 ? IDS_ERASEDISC_MSG_TimeHint : IDS_ERASEDISC_LABEL_Status_Erasing);
}

void TfrmEraseDisc::EraseDone(TObject*, bool Success) {
    if (Success && CloseOnSuccess) {
        if (sbCallBackEventer) sbCallBackEventer->DoMessage(IDS_ERASEDISC_LABEL_Status_EraseCompleted, sbMsgInfo);
        SetControlsEnabled(true);
        // Close on a modal form would turn the result into Cancel.
        ModalResult = mrOk;
        if (!Modal()) Close();
    } else if (Success) {
        SetControlsEnabled(true);
        MessageBoxA(Handle(), IDS_ERASEDISC_LABEL_Status_EraseCompleted.c_str(), IDS_ERASEDISC_MSG_Hint.c_str(),
                    MB_OK | MB_ICONINFORMATION);
    } else {
        SetControlsEnabled(true);
        MessageBoxA(Handle(), IDS_ERASEDISC_LABEL_Status_EraseError.c_str(), IDS_ERASEDISC_MSG_Error.c_str(),
                    MB_OK | MB_ICONERROR);
    }
}

// The failure text is already in the engine's LastError and the log.
void TfrmEraseDisc::EraseError(TObject*, const std::string&) {}

void TfrmEraseDisc::btnRefreshClick(TObject*) {
    RefreshDevices(true);
    ShowEraseOptions();
}

void TfrmEraseDisc::btnMinClick(TObject*) {
    if (Application->MainForm()) Application->MainForm()->SetWindowState(wsMinimized);
}

void TfrmEraseDisc::btnHelpClick(TObject*) {
    ShellExecuteA(Handle(), "Open", HelpFile.c_str(), /*lpParameters=*/nullptr, /*lpDirectory=*/nullptr, SW_SHOWNORMAL);
}

void TfrmEraseDisc::btnCloseClick(TObject*) { Close(); }
