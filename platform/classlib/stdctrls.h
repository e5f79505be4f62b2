// Standard controls over the platform's standard window classes: labels,
// buttons, check boxes, radio buttons, edits, memos, combo boxes, list boxes
// and group boxes. Each keeps its state in the object too, so it can be set
// before its window exists and survives a re-created window.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/classlib/controls.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
    TESSARO_CLASSINFO
public:
    explicit TCustomLabel(TComponent* AOwner);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TAlignment Alignment = taLeftJustify;
    TTextLayout Layout = tlTop;
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool Transparent = false;
    bool ShowAccelChar = true;
    TWinControl* FocusControl = nullptr;
    void Loaded() override;

protected:
    void Paint() override;
    void TextChanged() override { AdjustBounds(); }
    void FontChanged() override;
    void AdjustBounds();
    UINT DrawFlags() const;
    // Draws (or with DT_CALCRECT measures) the caption on DC, whose font is the
    // label's: disabled text twice, offset by a pixel, in the two button colours.
    virtual void DoDrawText(HDC DC, RECT& Rect, UINT Flags);

private:
    bool FAutoSize = true;
    bool FWordWrap = false;
};

class TLabel : public TCustomLabel {
    TESSARO_CLASSINFO
public:
    explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

// ---- Buttons -------------------------------------------------------------------
class TButtonControl : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TButtonControl(TComponent* AOwner);

protected:
    std::unique_ptr<TControlActionLink> CreateActionLink() override;
};

class TButtonActionLink : public TWinControlActionLink {
public:
    using TWinControlActionLink::TWinControlActionLink;
};

class TButton : public TButtonControl {
    TESSARO_CLASSINFO
public:
    explicit TButton(TComponent* AOwner);
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel = false;
    TModalResult ModalResult = mrNone;
    void Click() override;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;

private:
    bool FDefault = false;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TButtonControl {
    TESSARO_CLASSINFO
public:
    explicit TCustomCheckBox(TComponent* AOwner);
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return FState; }
    void SetState(TCheckBoxState Value);
    bool AllowGrayed = false;
    TAlignment Alignment = taRightJustify;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    virtual void Toggle();

private:
    TCheckBoxState FState = cbUnchecked;
};

class TCheckBox : public TCustomCheckBox {
    TESSARO_CLASSINFO
public:
    explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
};

class TRadioButton : public TButtonControl {
    TESSARO_CLASSINFO
public:
    explicit TRadioButton(TComponent* AOwner);
    bool Checked() const { return FChecked; }
    // Checking one unchecks the other radio buttons of the same parent.
    void SetChecked(bool Value);
    TAlignment Alignment = taRightJustify;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;

private:
    bool FChecked = false;
};

// ---- Edits -----------------------------------------------------------------------
class TCustomEdit : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TCustomEdit(TComponent* AOwner);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    char PasswordChar = 0;
    bool AutoSelect = true;
    TBorderStyle BorderStyle = bsSingleBorder;
    // 0-based, in characters of the text (bytes of its UTF-8).
    int SelStart();
    void SetSelStart(int Value);
    int SelLength();
    void SetSelLength(int Value);
    std::string SelText();
    void SetSelText(const std::string& Value);
    void SelectAll();
    void Clear() { SetText(""); }
    bool Modified();
    TNotifyEvent OnChange;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    void TextChanged() override;
    virtual void Change();

private:
    bool FReadOnly = false;
    int FMaxLength = 0;
    bool FChanging = false;
};

class TEdit : public TCustomEdit {
    TESSARO_CLASSINFO
public:
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomMemo : public TCustomEdit {
    TESSARO_CLASSINFO
public:
    explicit TCustomMemo(TComponent* AOwner);
    ~TCustomMemo() override;
    // The lines of the text: reading and writing go through the text.
    TStrings& Lines() { return *FLines; }
    TScrollStyle ScrollBars = ssNone;
    bool WordWrap = true;
    bool WantReturns = true;
    bool WantTabs = false;

protected:
    void CreateParams(TCreateParams& Params) override;

private:
    std::unique_ptr<TStrings> FLines;
};

class TMemo : public TCustomMemo {
    TESSARO_CLASSINFO
public:
    explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
};

// ---- Lists -------------------------------------------------------------------------
// Item strings of a list or combo box: kept here and mirrored into the window.
class TControlItems : public TStrings {
public:
    struct TMessages {
        UINT Add, Insert, Delete, Reset, SetData;
    };
    TControlItems(TWinControl* Control, TMessages Messages) : FControl(Control), FMsg(Messages) {}
    int Count() const override { return static_cast<int>(FItems.size()); }
    std::string Get(int Index) const override;
    void Put(int Index, const std::string& S) override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* Obj) override;
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
    void Clear() override;
    int Add(const std::string& S) override;
    bool Sorted = false;
    // Fills the window from the kept items (after it is made).
    void PushAll();
    std::function<void()> OnChange;

private:
    void Check(int Index) const;
    TWinControl* FControl;
    TMessages FMsg;
    std::vector<std::pair<std::string, TObject*>> FItems;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;
    TStrings& Items() { return *FItems; }
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Value);
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle Value);
    bool Sorted() const;
    void SetSorted(bool Value);
    int DropDownCount = 8;
    int MaxLength = 0;
    bool DroppedDown();
    void SetDroppedDown(bool Value);
    TNotifyEvent OnChange, OnSelect, OnDropDown, OnCloseUp;
    void WndProc(TMessage& Message) override;
    void Loaded() override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    std::string GetText() override;
    void SetTextBuf(const std::string& Value) override;
    virtual void Change();

private:
    std::unique_ptr<TControlItems> FItems;
    int FItemIndex = -1;
    TComboBoxStyle FStyle = csDropDown;
};

class TComboBox : public TCustomComboBox {
    TESSARO_CLASSINFO
public:
    explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};

class TCustomListBox : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TCustomListBox(TComponent* AOwner);
    ~TCustomListBox() override;
    TStrings& Items() { return *FItems; }
    int ItemIndex();
    void SetItemIndex(int Value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool ExtendedSelect = true;
    bool Selected(int Index);
    void SetSelected(int Index, bool Value);
    int SelCount();
    bool Sorted() const;
    void SetSorted(bool Value);
    int ItemHeight = 13;
    void Clear() { FItems->Clear(); }
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;

private:
    std::unique_ptr<TControlItems> FItems;
    bool FMultiSelect = false;
    int FItemIndex = -1;
    std::vector<bool> FSelected;  // before the window exists
};

class TListBox : public TCustomListBox {
    TESSARO_CLASSINFO
public:
    explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

// ---- Group box ------------------------------------------------------------------------
class TCustomGroupBox : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TCustomGroupBox(TComponent* AOwner);
    TRect ClientRect() override;

protected:
    void Paint() override;
};

class TGroupBox : public TCustomGroupBox {
    TESSARO_CLASSINFO
public:
    explicit TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}
};

void RegisterStdCtrlsClasses();
