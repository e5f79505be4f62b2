#include "platform/classlib/dialogs.h"

#include "platform/commctl/commctrl.h"

TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
    static const char* const Captions[] = {"Warning", "Error", "Information", "Confirm", ""};
    static const UINT Icons[] = {MB_ICONWARNING, MB_ICONERROR, MB_ICONINFORMATION, MB_ICONQUESTION, 0};
    UINT Type = MB_OK;
    auto Has = [&](TMsgDlgBtn B) { return Buttons.Contains(B); };
    if (Has(mbYes) && Has(mbNo))
        Type = Has(mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
    else if (Has(mbAbort) || Has(mbIgnore))
        Type = MB_ABORTRETRYIGNORE;
    else if (Has(mbRetry))
        Type = MB_RETRYCANCEL;
    else if (Has(mbOK) && Has(mbCancel))
        Type = MB_OKCANCEL;
    std::string Caption = DlgType == mtCustom ? (Application ? Application->Title : std::string()) : Captions[DlgType];
    UINT Flags = Type | Icons[DlgType];
    int R = Application ? Application->MessageBox(Msg, Caption, Flags) : MessageBoxA(nullptr, Msg.c_str(), Caption.c_str(), Flags);
    // The ids of the buttons are the modal results of the same names.
    return R;
}

void ShowMessage(const std::string& Msg) {
    if (Application)
        Application->MessageBox(Msg, Application->Title, MB_OK);
    else
        MessageBoxA(nullptr, Msg.c_str(), "", MB_OK);
}
