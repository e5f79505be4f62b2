// The skinned form component: placed on a form, it gives the form's skinned
// controls their default look and takes a theme component. Its own frame and
// title bar drawing is not part of the library yet.
#pragma once

#include "controls/skinned/sc_helpers.h"

class TscForm : public TCustomControl, public TscThemeClient {
    TESSARO_CLASSINFO
public:
    explicit TscForm(TComponent* AOwner);
    TscUIStyle UIStyle() const override { return FUIStyle; }
    void SetUIStyle(TscUIStyle Value) override { FUIStyle = Value; }
    TscFileTheme* FileTheme() const override { return FFileTheme; }
    void SetFileTheme(TscFileTheme* Value) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TscUIStyle FUIStyle = DeepBlue;
    TscFileTheme* FFileTheme = nullptr;
};
