// Unicode labels, buttons and images, wide text measuring on a canvas, and
// wide text on the clipboard.
#pragma once

#include "platform/classlib/extctrls.h"
#include "platform/classlib/graphics.h"
#include "platform/classlib/stdctrls.h"
#include "unicode/uniactnlist.h"
#include "unicode/unicodewindows.h"

using TWideCaption = WideString;

// The canvas's font is selected; {0, 0} for an empty text.
SIZE WideTextExtent(TCanvas& Canvas, const WideString& Text);
int WideTextWidth(TCanvas& Canvas, const WideString& Text);
int WideTextHeight(TCanvas& Canvas, const WideString& Text);

class TUniCustomLabel : public TCustomLabel {
    TESSARO_CLASSINFO
public:
    explicit TUniCustomLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
    WideString Hint() { return GetWideControlHint(this); }
    void SetHint(const WideString& Value) { SetWideControlHint(this, Value); }

    void ActionChange(TBasicAction* Sender, bool CheckDefaults) override;
    // CM_DIALOGCHAR: the hot key of the wide caption focuses FocusControl.
    void WndProc(TMessage& Message) override;

protected:
    std::unique_ptr<TControlActionLink> CreateActionLink() override {
        return UniActionLinkFor(this, *TCustomLabel::CreateActionLink());
    }
    virtual WideString GetLabelText() { return GetWideControlText(this); }
    void DoDrawText(HDC DC, RECT& Rect, UINT Flags) override;
};

class TUniLabel : public TUniCustomLabel {
    TESSARO_CLASSINFO
public:
    explicit TUniLabel(TComponent* AOwner) : TUniCustomLabel(AOwner) {}
    TWideCaption Caption() { return GetWideControlText(this); }
    void SetCaption(const TWideCaption& Value) { SetWideControlText(this, Value); }
};

class TUniButton : public TButton {
    TESSARO_CLASSINFO
public:
    explicit TUniButton(TComponent* AOwner) : TButton(AOwner) {}
    TWideCaption Caption() { return GetWideControlText(this); }
    void SetCaption(const TWideCaption& Value) { SetWideControlText(this, Value); }
    WideString Hint() { return GetWideControlHint(this); }
    void SetHint(const WideString& Value) { SetWideControlHint(this, Value); }
    void ActionChange(TBasicAction* Sender, bool CheckDefaults) override;
    // CM_DIALOGCHAR: the hot key of the wide caption clicks the button.
    void WndProc(TMessage& Message) override;

protected:
    void CreateWnd() override;
    std::unique_ptr<TControlActionLink> CreateActionLink() override {
        return UniActionLinkFor(this, *TButton::CreateActionLink());
    }
};

class TUniImage : public TImage {
    TESSARO_CLASSINFO
public:
    explicit TUniImage(TComponent* AOwner) : TImage(AOwner) {}
    WideString Hint() { return GetWideControlHint(this); }
    void SetHint(const WideString& Value) { SetWideControlHint(this, Value); }
    void WndProc(TMessage& Message) override {
        if (Message.Msg == CM_HINTSHOW) PrepareWideHint(Message);
        TImage::WndProc(Message);
    }

protected:
    std::unique_ptr<TControlActionLink> CreateActionLink() override {
        return UniActionLinkFor(this, *TImage::CreateActionLink());
    }
};

class TUniClipboard {
public:
    // The ANSI (UTF-8) form as CF_TEXT and the text as CF_UNICODETEXT; the
    // clipboard is closed again also when a step fails. False when it could
    // not be opened.
    bool SetAsWideText(const WideString& Text);
    // CF_UNICODETEXT, else CF_TEXT read as UTF-8; empty when neither is there.
    WideString AsWideText();
};
TUniClipboard& GetUniClipboard();
