// A window caption drawn from the look's pictures: three sections, a row of
// caption buttons, the caption text and an optional application icon. It moves
// its form when dragged, runs the buttons' actions and owns the system menu.
#pragma once

#include <memory>
#include <string>

#include "controls/skinned/sc_menus.h"
#include "platform/classlib/extctrls.h"

enum TscTitleBarBtnType { scMax, scMin, scClose, scHelp, scControlBox, scCustom };
enum TscTitleBarAlign { scLeft, scRight, scClient };
using TscTitleBarButtonClickEvent = std::function<void(TObject* Sender, int ButtonIndex)>;

class TscTitleBar;

class TscTitleBarButton : public TCollectionItem {
public:
    explicit TscTitleBarButton(TCollection* Collection);
    void Assign(const TscTitleBarButton& Source);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    TscTitleBarBtnType ButtonType() const { return FButtonType; }
    // A second control-box button is refused with a message.
    void SetButtonType(TscTitleBarBtnType Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    int Top() const { return FTop; }
    void SetTop(int Value);
    TscUIStyle UIStyle() const { return FUIStyle; }
    void SetUIStyle(TscUIStyle Value);
    TPicture& PicNormal() { return *FPicNormal; }
    TPicture& PicMouseOn() { return *FPicMouseOn; }
    TPicture& PicMouseDown() { return *FPicMouseDown; }
    TPopupMenu* ControlBoxMenu = nullptr;

    // The pictures and top from the look (custom buttons keep their own).
    void ApplyStyle();
    // The button's action on the bar's form.
    void Click();
    TscTitleBar* TitleBar() const;

private:
    bool FVisible = true;
    TscTitleBarBtnType FButtonType = scCustom;
    bool FTransparent = false;
    int FTop = 2;
    TscUIStyle FUIStyle = DeepBlue;
    std::unique_ptr<TPicture> FPicNormal, FPicMouseOn, FPicMouseDown;
};

class TscTitleBarSection : public TCollectionItem {
public:
    explicit TscTitleBarSection(TCollection* Collection);
    void Assign(const TscTitleBarSection& Source);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TscTitleBarAlign Align() const { return FAlign; }
    // A second client section is refused with a message.
    void SetAlign(TscTitleBarAlign Value);
    TPicture& Picture() { return *FPicture; }
    void SetPicture(TGraphic* Value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);

private:
    int FWidth = 10;
    TscTitleBarAlign FAlign = scLeft;
    std::unique_ptr<TPicture> FPicture;
    bool FStretch = false;
    bool FAutoSize = false;
};

// Collections that repaint their title bar when an item changes.
template <class T>
class TscTitleBarCollection : public TCollectionOf<T> {
public:
    explicit TscTitleBarCollection(TscTitleBar* Owner) : FOwner(Owner) {}
    TscTitleBar* Owner() const { return FOwner; }

protected:
    void Update(TCollectionItem* Item) override;

private:
    TscTitleBar* FOwner;
};
using TscTitleBarButtons = TscTitleBarCollection<TscTitleBarButton>;
using TscTitleBarSections = TscTitleBarCollection<TscTitleBarSection>;

// The collections as a form file stores them, replacing the items there.
void ReadTitleBarButtons(TscTitleBar& Bar, const TFormValue& V, TFormReader& R);
void ReadTitleBarSections(TscTitleBar& Bar, const TFormValue& V, TFormReader& R);

class TscTitleBarPopupMenu : public TscPopupMenu {
public:
    TscTitleBarPopupMenu(TComponent* AOwner, TscTitleBar* Bar);
    TscTitleBar* TitleBar = nullptr;
    // Items enabled by the bar's visible buttons; placed for right-to-left bars.
    void Popup(int X, int Y) override;
};

class TscTitleBar : public TCustomPanel, public TscThemeClient {
    TESSARO_CLASSINFO
public:
    explicit TscTitleBar(TComponent* AOwner);
    ~TscTitleBar() override;

    TscUIStyle UIStyle() const override { return FUIStyle; }
    void SetUIStyle(TscUIStyle Value) override;
    TscFileTheme* FileTheme() const override { return FFileTheme; }
    // Keeps the caption colour.
    void SetFileTheme(TscFileTheme* Value) override;
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TscTitleBarSections& Sections() { return *FSections; }
    TscTitleBarButtons& Buttons() { return *FButtons; }
    int ButtonInterval() const { return FButtonInterval; }
    void SetButtonInterval(int Value);
    bool FormActive() const { return FFormActive; }
    void SetFormActive(bool Value);
    int LeftBtnXOffset() const { return FLeftBtnXOffset; }
    void SetLeftBtnXOffset(int Value);
    int RightBtnXOffset() const { return FRightBtnXOffset; }
    void SetRightBtnXOffset(int Value);
    bool DrawAppIcon() const { return FDrawAppIcon; }
    void SetDrawAppIcon(bool Value);
    int RoundCorner = 0, RoundCornerBottom = 0;
    bool Custom = false;
    TscTitleBarButtonClickEvent OnCustomBtnsClick, OnHelpBtnClick;

    TscTitleBarPopupMenu* TitleBarMenu() const { return FTitleBarMenu; }
    int HotButton() const { return FHotButton; }
    bool ButtonPressed() const { return FButtonPressed; }
    int CaptionAreaHeight() const { return FCaptionAreaHeight; }
    int ButtonTop() const { return FButtonTop; }
    // The caption as the last paint drew it (shortened with "..." when needed).
    const std::string& DrawnCaption() const { return FDrawnCaption; }
    // Where each visible button was drawn at the last paint (empty rectangle: not drawn).
    TRect ButtonRect(int Index) const;

    void UpdateMaximizeButtons();
    TGraphic* GetLeftSectionGraphic();
    TGraphic* GetRightSectionGraphic();
    TGraphic* GetClientSectionGraphic();
    // The width of the skinned form's border picture (0 without one or off a skinned form).
    int FormBorderPictureWidth() const;
    bool HasThreeSectionPictures();
    // The bar's bottom-left corner on the screen, where its menus open.
    POINT MenuPoint();

    virtual void PaintSections(TBitmap& B);
    virtual void PaintButtonsAndCaption(TBitmap& B);

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool ParentIsSkinnedForm() const;
    void RebuildFromStyle(TscUIStyle Effective, bool FromFile);
    int ButtonAt(POINT P) const;

    TscUIStyle FUIStyle = DeepBlue;
    TscFileTheme* FFileTheme = nullptr;
    std::unique_ptr<TscTitleBarSections> FSections;
    std::unique_ptr<TscTitleBarButtons> FButtons;
    bool FAutoSize = false;
    int FButtonInterval = 0;
    bool FFormActive = true;
    int FLeftBtnXOffset = 0, FRightBtnXOffset = 0;
    bool FDrawAppIcon = false;
    bool FKeepFontColor = false;
    TscTitleBarPopupMenu* FTitleBarMenu = nullptr;
    bool FButtonPressed = false;
    int FHotButton = -1;
    int FCaptionAreaHeight = 0, FButtonTop = 0;
    std::string FDrawnCaption;
    std::vector<TRect> FButtonRects;
};
