// Message dialogs of the class library, shown as platform message boxes.
#pragma once

#include <string>

#include "platform/classlib/forms.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// The caption is the type's ("Warning", "Error", "Information", "Confirm"),
// the application's title for mtCustom. The buttons map to the nearest
// message-box set; the result is the modal result of the button chosen.
TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
void ShowMessage(const std::string& Msg);
