// The log window: a text that can be saved to a file.
#pragma once

#include <string>

#include "platform/classlib/dialogs.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/stdctrls.h"

class TfrmLog : public TForm {
public:
    explicit TfrmLog(TComponent* AOwner);
    ~TfrmLog() override;

    TMemo* mmoLog = nullptr;
    TPanel* pnlBottom = nullptr;
    TButton *btnOK = nullptr, *btnSave = nullptr;
    TSaveDialog* dlgSave = nullptr;

    void ApplyUITexts();
    // Centres the button pair in the bottom panel, 8 pixels apart.
    void ArrangeButtons();
    // Writes the memo's lines to FileName, one line per line.
    void SaveLogTo(const std::string& FileName);

    void FormCreate(TObject* Sender);
    void FormResize(TObject* Sender);
    void btnSaveClick(TObject* Sender);
    void btnOKClick(TObject* Sender);
};

extern TfrmLog* frmLog;
