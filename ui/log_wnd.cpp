#include "ui/log_wnd.h"

#include "core/ui_texts.h"

TfrmLog* frmLog = nullptr;

TfrmLog::TfrmLog(TComponent* AOwner) : TForm(AOwner) {
    DefineMethod("FormCreate", &TfrmLog::FormCreate);
    DefineMethod("FormResize", &TfrmLog::FormResize);
    DefineMethod("btnSaveClick", &TfrmLog::btnSaveClick);
    DefineMethod("btnOKClick", &TfrmLog::btnOKClick);
    DefineField("mmoLog", mmoLog);
    DefineField("pnlBottom", pnlBottom);
    DefineField("btnOK", btnOK);
    DefineField("btnSave", btnSave);
    DefineField("dlgSave", dlgSave);
    LoadFromResource("frmLog");
}

TfrmLog::~TfrmLog() {
    if (frmLog == this) frmLog = nullptr;
}

void TfrmLog::FormCreate(TObject*) {
    ApplyUITexts();
    ArrangeButtons();
}

void TfrmLog::FormResize(TObject*) { ArrangeButtons(); }

void TfrmLog::ApplyUITexts() {
    SetCaption(STR_LOG_Title);
    btnSave->SetCaption(STR_LOG_Save);
    btnOK->SetCaption(STR_OK);
    dlgSave->Filter = STR_LOG_DialogFilter;
}

void TfrmLog::ArrangeButtons() {
    if (!btnOK || !btnSave || !pnlBottom) return;
    const int P = btnSave->Left() + btnSave->Width() - btnOK->Left();
    btnOK->SetLeft(pnlBottom->ClientWidth() / 2 - P / 2);
    btnSave->SetLeft(btnOK->Left() + btnOK->Width() + 8);
}

void TfrmLog::SaveLogTo(const std::string& FileName) { mmoLog->Lines().SaveToFile(FileName); }

void TfrmLog::btnSaveClick(TObject*) {
    if (dlgSave->Execute()) SaveLogTo(dlgSave->FileName);
}

void TfrmLog::btnOKClick(TObject*) { Close(); }
