// Wide message dialogs: a form built at run time with an icon, a word-wrapped
// wide message and a row of buttons, laid out in dialog units of the message
// font.
#pragma once

#include "platform/classlib/dialogs.h"
#include "unicode/uniforms.h"
#include "unicode/unistdctrls.h"

class TUniMessageForm : public TUniForm {
public:
    explicit TUniMessageForm(TComponent* AOwner);
    // Divider, title, divider, message, divider, button captions, divider;
    // each divider is 27 "-" and a line break.
    WideString GetFormText();
    // Kept for the caller; the program opens no help by context.
    int HelpContext = 0;
    std::string HelpFile;

private:
    void CustomKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
};

// EUniInternalError for a type or button out of range.
WideString GetMessageCaption(TMsgDlgType Type);
WideString GetButtonCaption(TMsgDlgBtn Button);
// The caller frees the form.
TUniMessageForm* BuildWideMessageDialog(const WideString& Msg, TMsgDlgType Type, TMsgDlgButtons Buttons);
// X >= 0 sets the left, Y >= 0 the top; both negative centre it on the screen.
int WideMessageDlgPosHelp(const WideString& Msg, TMsgDlgType Type, TMsgDlgButtons Buttons, int HelpContext, int X,
                          int Y, const WideString& HelpFile);
void ShowWideMessagePos(const WideString& Msg, int X, int Y);
void ShowWideMessage(const WideString& Msg);
