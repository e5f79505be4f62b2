// The settings dialog: video format, quality, aspect, temporary folder and
// the DirectShow switch of the options record.
#pragma once

#include "controls/skinned/sc_controls.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/stdctrls.h"

class TfrmSettings : public TForm {
public:
    explicit TfrmSettings(TComponent* AOwner);
    ~TfrmSettings() override;

    TGroupBox *grpVideoSettings = nullptr, *grpOutputSettings = nullptr, *grpDirectShow = nullptr;
    TLabel *lblVideoFormat = nullptr, *lblQuality = nullptr, *lblVideoAspect = nullptr, *lblTempDir = nullptr;
    TLabel *lblLowQuality = nullptr, *lblMediumQuality = nullptr, *lblHighQuliaty = nullptr;
    TComboBox *cmbVideoFormat = nullptr, *cmbVideoAspect = nullptr;
    TEdit* txtTempDir = nullptr;
    TButton *btnBrowse = nullptr, *btnOK = nullptr, *btnCancel = nullptr;
    TCheckBox* chkDirectShow = nullptr;
    TscTrackBar* TrackBarVideoQuality = nullptr;

    void LoadFromOptions();
    void SaveToOptions();
    void ApplyUITexts();

    void FormCreate(TObject* Sender);
    void btnBrowseClick(TObject* Sender);

private:
    // The stored VideoFormat when the list shows none of its entries (a value
    // from options.ini outside 0..1): OK keeps it instead of storing 255.
    int FLoadedVideoFormat = 0;
    int FLoadedVideoAspect = 0;
};

extern TfrmSettings* frmSettings;
