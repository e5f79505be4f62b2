// Unicode windows and wide control text. Wide captions and hints live beside
// the class library's UTF-8 ones in caption holders; a windowed Unicode control
// is made from its own ".UnicodeClass" window class and subclassed by a trap
// that sits between the window, the library's window procedures and the
// control. All of it runs on the GUI thread: one control is created at a time.
#pragma once

#include <functional>
#include <string>

#include "platform/classlib/controls.h"
#include "platform/classlib/forms.h"
#include "unicode/widestrings.h"
#include "unicode/widewrappers.h"

// The wide value follows the ANSI one when the ANSI form of the wide value
// differs from it; returns the wide value.
WideString SyncWideWithAnsi(WideString& Wide, const std::string& Ansi);
// Sets the wide value and, through Setter, its ANSI form; a new value whose
// ANSI form is the current ANSI value but which does not survive the round
// trip first sets "" so that a change is signalled.
void SetWideWithAnsi(const WideString& NewValue, WideString& Wide, const std::string& Ansi,
                     const std::function<void(const std::string&)>& Setter);

WideString GetWideControlText(TControl* Control);
void SetWideControlText(TControl* Control, const WideString& Text);
WideString GetWideControlHint(TControl* Control);
void SetWideControlHint(TControl* Control, const WideString& Text);
// The first non-empty wide hint of the control or one of its parents.
WideString FindWideHintUpwards(TControl* Control);
WideString GetShortWideHint(const WideString& Hint);
WideString GetLongWideHint(const WideString& Hint);
// CM_HINTSHOW of a Unicode control: the hint shown is the short part of the
// first wide hint of the control or its parents.
void PrepareWideHint(TMessage& Message);
// The caption and hint are stored unless the control's action supplies them.
bool ControlCaptionStored(TControl* Control);
bool ControlHintStored(TControl* Control);

// Makes the control's window from "<window class>.UnicodeClass" (a superclass
// of SystemClass when given), binds it to the control and subclasses it.
// Raises the last system error when a class or window cannot be made.
void CreateUnicodeWindow(TWinControl* Control, const TCreateParams& Params, const std::string& SystemClass);
// Raises EUniInternalError when the control's window is not a Unicode window.
void SubClassUnicodeControl(TWinControl* Control, const std::string& AnsiCaption);
// The trap of a control's window is installed (for tests and the hint code).
bool IsUnicodeControlSubclassed(TWinControl* Control);

// A character above 255 moves to the high word of wParam and the low word
// becomes 255, for the class library's ANSI handlers; Restore undoes it.
void MakeCharMessageSafeForAnsi(TMessage& Message);
void RestoreCharMessage(TMessage& Message);
void RestoreCharMessage(WPARAM& WParam);

// The hint window of wide hints: a Unicode window whose caption is the wide
// hint text. The application makes it when PrepareWideHint chose it for a
// Unicode control; the hint-info record then tags itself as its data.
class TUniCustomHintWindow : public THintWindow {
    TESSARO_CLASSINFO
public:
    explicit TUniCustomHintWindow(TComponent* AOwner) : THintWindow(AOwner) {}
    WideString Caption() { return GetWideControlText(this); }
    void SetCaption(const WideString& Value) { SetWideControlText(this, Value); }
    TRect CalcHintRect(int MaxWidth, const std::string& AHint, void* AData) override;
    void ActivateHintData(const TRect& Rect, const std::string& AHint, void* AData) override;
    void WndProc(TMessage& Message) override;

protected:
    void CreateWnd() override;
    void Paint() override;

private:
    bool FBlockPaint = false;
    bool FActivating = false;
};
// The data is a hint-info record tagged by PrepareWideHint (its data points to
// itself and its window class is a TUniCustomHintWindow).
bool IsUniHintData(void* Data);
// The wide text of a tagged hint: the short wide hint of the control when the
// ANSI hint text is still its UTF-8 form, else the ANSI text converted.
WideString GetWideHintText(const THintInfo& Info);

// Start and end of this unit (run by UnicodeStartup / UnicodeShutdown): the
// window atoms are added and deleted; after the end, subclassed windows only
// forget their handle on WM_DESTROY.
void UnicodeWindowsStartup();
void UnicodeWindowsShutdown();
