// The about box: product title, version, copyright, the online page and the
// support address, and a legal notice.
#pragma once

#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/stdctrls.h"

class TfrmAbout : public TForm {
public:
    explicit TfrmAbout(TComponent* AOwner);
    ~TfrmAbout() override;

    TLabel *lblApplicationTitle = nullptr, *lblVersion = nullptr, *lblVersionText = nullptr,
           *lblCopyright = nullptr, *lblCopyrightText = nullptr, *lblWarning = nullptr;
    TControl *lblOnlineResources = nullptr, *lblTechnicalSupport = nullptr;
    TBevel *imgLine1 = nullptr, *imgLine2 = nullptr, *imgLine3 = nullptr;
    TButton* btnOK = nullptr;

    void ApplyUITexts();

    void FormShow(TObject* Sender);
    void FormMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void lblOnlineResourcesClick(TObject* Sender);
    void lblTechnicalSupportClick(TObject* Sender);
};

extern TfrmAbout* frmAbout;
