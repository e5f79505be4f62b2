#include "controls/skinned/sc_form.h"

#include "controls/skinned/sc_file_theme.h"
#include "platform/classlib/formload.h"

TscForm::TscForm(TComponent* AOwner) : TCustomControl(AOwner) {}

void TscForm::SetFileTheme(TscFileTheme* Value) {
    FFileTheme = Value;
    if (Value) Value->FreeNotification(this);
}

void TscForm::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFileTheme) {
        FFileTheme = nullptr;
        FUIStyle = DeepBlue;
    }
}

TClassInfo& TscForm::StaticClassInfo() {
    static TClassInfo CI("TscForm", &TCustomControl::StaticClassInfo(), CreateComponentOf<TscForm>,
                         [](TClassInfo& C) { DefineThemeProperties<TscForm>(C); });
    return CI;
}
