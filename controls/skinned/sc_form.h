// The skinned form component: dropped on a form it removes the window's own
// caption, fills the client, puts a title bar at its top, paints the window's
// frame from the look's colours, shapes the window with rounded corners and
// shows a main menu on a menu bar. It gives the form's skinned controls their
// default look.
#pragma once

#include <memory>

#include "controls/skinned/sc_helpers.h"
#include "controls/skinned/sc_title_bar.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/toolbar.h"

class TApplicationEvents;
class TForm;
class TscForm;

// The skinned form's menu bar: one flat button per top-level menu item.
class TscMenuBar : public TToolBar {
public:
    TscMenuBar(TComponent* AOwner, TscForm* Form) : TToolBar(AOwner), SkinForm(Form) {}
    TscForm* SkinForm;
};

class TscForm : public TCustomPanel, public TscThemeClient {
    TESSARO_CLASSINFO
public:
    explicit TscForm(TComponent* AOwner);
    ~TscForm() override;
    TscUIStyle UIStyle() const override { return FUIStyle; }
    void SetUIStyle(TscUIStyle Value) override;
    TscFileTheme* FileTheme() const override { return FFileTheme; }
    void SetFileTheme(TscFileTheme* Value) override;
    bool UIStyleAutoUpdateSub = false;
    TColor FrameColor() const { return FBorderColor; }
    void SetFrameColor(TColor Value);
    int FrameWidth() const { return FBorderWidth; }
    void SetFrameWidth(int Value);
    TscTitleBar* TitleBar() const { return FTitleBar; }
    bool TitleBarVisible() const { return FTitleBar && FTitleBar->Visible(); }
    void SetTitleBarVisible(bool Value);
    // 0 while the title bar is hidden; setting reshapes the window.
    int RoundCorner() const;
    void SetRoundCorner(int Value);
    int RoundCornerBottom() const;
    void SetRoundCornerBottom(int Value);
    // The form this one skins; nullptr for an inert second one.
    TForm* SkinnedForm() const { return FForm; }
    TMainMenu* Menu() const { return FMenu; }
    // Shows the menu's top-level items on the menu bar (nil removes the bar).
    void SetMenu(TMainMenu* Value);
    TscMenuBar* MenuBar() const { return FMenuBar; }
    void RebuildMenuBar();
    void UpdateMenuBarButtons();
    TColor MenuBarColor() const { return FMenuBarColor; }
    void SetMenuBarColor(TColor Value);
    int MenuBarHeight() const { return FMenuBarHeight; }
    void SetMenuBarHeight(int Value);
    // The width of the theme's side border picture (0 without one).
    int BorderPictureWidth() const;
    // The frame taken off the client at the left and right, and at the bottom.
    int SideFrameWidth() const;
    int BottomFrameHeight() const;

    // The caption shown on the title bar, which the form takes as well.
    std::string FormCaption() const;
    void SetFormCaption(const std::string& Value);
    // The panel made to fill the client; the skinned form itself is refused.
    TWinControl* FormPanel() const { return FFormPanel; }
    void SetFormPanel(TWinControl* Value);
    static constexpr const char* Version = "5.8";

    void PaintFrame();
    void ApplyRoundCorners();
    // Size messages counted while the form that started maximised stays so.
    int MaximizedSizeCount() const { return FMaxSizeCount; }

    // The message the title bar asks for the border picture's width with.
    static constexpr UINT MsgBorderPictureWidth = 9923;
    // The frame every skinned window keeps around its client.
    static constexpr int FrameSize = 3;

protected:
    void Paint() override;
    void Resize() override;
    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void FormWindowProc(TMessage& M);
    void RemoveCaptionBit();
    void RecomputeFrame();
    bool AppMessage(MSG& Msg);
    void DrawMenuBarButton(TToolButton* Button, TCanvas& C, TCustomDrawState State, bool& DefaultDraw);
    void DrawMenuBarBackground(TCanvas& C, const TRect& R, bool& DefaultDraw);
    // The look the menu bar is drawn in: the menu's when it is a skinned one.
    bool MenuLook(TscUIStyle& Effective, TscFileTheme*& Theme);

    TscUIStyle FUIStyle = DeepBlue;
    TscFileTheme* FFileTheme = nullptr;
    TscTitleBar* FTitleBar = nullptr;
    TForm* FForm = nullptr;
    TWndMethod FSavedWindowProc;
    std::unique_ptr<TBitmap> FRightBorderPicture;
    int FBottomBorderHeight = 0;
    TColor FBorderColor = clBlack;
    int FBorderWidth = 1;
    TRect FRestoreBounds;
    bool FStartedMaximized = false;
    int FMaxSizeCount = 0;
    bool FDestroying = false;
    TMainMenu* FMenu = nullptr;
    TscMenuBar* FMenuBar = nullptr;
    TColor FMenuBarColor = clBtnFace;
    TWinControl* FFormPanel = nullptr;
    int FMenuBarHeight = 22;
    // Hears the application's queue: Alt+Space and the menu's shortcuts.
    std::unique_ptr<TApplicationEvents> FAppEvents;
};
