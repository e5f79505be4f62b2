// Support for headless tests of forms: message boxes answered by script,
// actions on modal windows when their loop starts, clicks and typing through
// the headless screen, and bounded pumping that reports what was on screen.
// Nothing here waits without a limit.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/classlib/forms.h"

namespace TestHooks {

// Opens the headless screen (TESSARO_SCREEN=headless) and the application
// objects; Stop undoes what Start did and removes every hook of this unit.
void Start();
void Stop();

// ---- Message boxes ---------------------------------------------------------------
struct TMessageBoxRecord {
    std::string Text, Caption;
    UINT Flags = 0;
    int Answer = 0;
};
// The next message boxes answer these results in turn (IDOK, IDYES, ...),
// through the platform's scripted answers. A box beyond the script returns
// its default button and counts as unexpected.
void ScriptMessageBoxes(const std::vector<int>& Answers);
const std::vector<TMessageBoxRecord>& MessageBoxesShown();
int UnexpectedMessageBoxes();

// ---- Modal windows ------------------------------------------------------------------
// Runs Action on the next form whose modal loop starts, from inside that loop
// (after the messages already waiting).
void OnNextModal(std::function<void(TCustomForm* Form)> Action);
// Runs Action on the next platform modal window (dialog box, message box,
// popup menu) once its loop has started.
void OnNextModalWindow(std::function<void(HWND Window)> Action);
// A modal form still open after Ms is closed with mrAbort, a screenshot is
// saved and the failure is recorded (0: off).
void SetModalWatchdog(int Ms);
// Texts of watchdog failures and timed-out pumps, for the test to report.
const std::vector<std::string>& Failures();

// ---- Acting on controls -------------------------------------------------------------
// A control of the form, or of any component the form owns, by name.
TControl* FindControlByName(TCustomForm* Form, const std::string& Name);
// The centre of a control in screen coordinates.
POINT ControlCenter(TControl* Control);
// A synthetic left click at the control's centre (press and release).
void Click(TControl* Control);
void Click(POINT ScreenPos);
void RightClick(POINT ScreenPos);
// Focuses the control and types the text.
void TypeText(TWinControl* Control, const std::string& Text);
// Chooses an item of a combo or list box as the user would (the control's
// change events run).
void Choose(TWinControl* ComboOrList, int Index);
// A key (VK_ code) with modifiers held around it.
void PressKey(int VirtualKey, bool Shift = false, bool Ctrl = false, bool Alt = false);

// ---- Pumping ---------------------------------------------------------------------------
struct TPumpResult {
    bool Ok = false;
    std::string What;  // on failure: what was awaited and the screenshot path
    explicit operator bool() const { return Ok; }
};
// Handles messages (idle processing included) until Done holds or TimeoutMs
// passes; on time-out saves a screenshot of the desktop.
TPumpResult PumpUntil(const std::function<bool()>& Done, int TimeoutMs, const std::string& What);
// Handles what is waiting now and paints.
void PumpPending();
// Saves the composed desktop; returns the path (under $TMPDIR or /tmp).
std::string Screenshot(const std::string& Name);

}  // namespace TestHooks
