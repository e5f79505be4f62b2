#include "controls/skinned/sc_controls.h"

#include "platform/classlib/formload.h"

void RegisterSkinnedControls() {
    RegisterClasses({&TscCheckBox::StaticClassInfo(), &TscTrackBar::StaticClassInfo(), &TscImagePanel::StaticClassInfo(),
                     &TscForm::StaticClassInfo(), &TscFileTheme::StaticClassInfo(), &TscPopupMenu::StaticClassInfo(),
                     &TscMainMenu::StaticClassInfo(), &TscTitleBar::StaticClassInfo()});
}
