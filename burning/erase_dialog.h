// The erase dialog: picks a writer, a speed and the kind of erase, and erases
// a rewritable disc with its own engine. Modal, made anew for each use.
#pragma once

#include <memory>

#include "burning/burn_engine.h"
#include "controls/extra/gp_controls.h"
#include "controls/skinned/sc_controls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/stdctrls.h"

class TfrmEraseDisc : public TForm {
public:
    explicit TfrmEraseDisc(TComponent* AOwner);
    ~TfrmEraseDisc() override;

    TGpProgressBar* prgTotal = nullptr;
    TLabel *lblDevice = nullptr, *lblErase_Speed = nullptr, *lblDescription = nullptr, *lblStatus = nullptr,
           *lblPencent = nullptr, *lblDiscSyteSource = nullptr, *lblDiscSyteSource1 = nullptr,
           *lblFreeSource = nullptr, *lblFreeSource1 = nullptr, *lblOnDiscSource = nullptr,
           *lblOnDiscSource1 = nullptr;
    TButton *btnErase = nullptr, *btnRefresh = nullptr;
    TComboBox *cmbDevice = nullptr, *cmbEraseSpeed = nullptr;
    TscCheckBox *chkQuickErase = nullptr, *chkEjectAfterErase = nullptr;

    std::unique_ptr<TsbBurner> Burner;
    int32_t DeviceNumber = 0;  // 1-based position of the selected writer in cmbDevice
    TsbDiscSpace SelectedDiscSpace;
    DISC_TYPE SelectedDiscType = DISC_TYPE_UNKNOWN;
    // Set by the burn step before showing: a successful erase closes the dialog.
    bool CloseOnSuccess = false;

    void RefreshDevices(bool WithDialog);
    void SelectDevice(int Index);
    void ShowDiscInfo();
    void ShowEraseOptions();
    void ApplyEraseOptions();
    void SetControlsEnabled(bool Enabled);
    void ApplyUITexts();

    // Event hub handlers.
    void EraseProgress(TObject* Sender, int Percent);
    void EraseDone(TObject* Sender, bool Success);
    void EraseError(TObject* Sender, const std::string& Text);

    void FormCreate(TObject* Sender);
    void FormDestroy(TObject* Sender);
    void btnEraseClick(TObject* Sender);
    void btnRefreshClick(TObject* Sender);
    void cmbDeviceChange(TObject* Sender);
    void btnMinClick(TObject* Sender);
    void btnHelpClick(TObject* Sender);
    void btnCloseClick(TObject* Sender);
};
