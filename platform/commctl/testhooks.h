// Hooks for headless tests: scripted answers to message boxes and a callback
// that acts on every modal window when its loop starts (dialog boxes, message
// boxes, popup menus, the file and folder dialogs). The class library builds
// its test support on these. All of them belong to the calling process and are
// meant for the GUI thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/windef.h"

// Answers (IDOK, IDYES, ...) consumed in order by MessageBoxA/W: while one is
// queued, a message box returns it at once without showing a window.
void TestHookQueueMessageBoxAnswer(int Answer);
void TestHookClearMessageBoxAnswers();
int TestHookPendingMessageBoxAnswers();

// Every message box asked for, answered by script, by the modal hook or by a user.
struct TMessageBoxRecord {
    std::string Text;
    std::string Caption;
    UINT Type = 0;
    int Answer = 0;
};
std::vector<TMessageBoxRecord> TestHookMessageBoxLog();
void TestHookClearMessageBoxLog();

// Called with the modal window (a "#32770" dialog or message box, a "#32768"
// popup menu, or the owner window of a menu bar loop) once its modal loop has
// started, after the window is shown and before the first message is taken;
// the hook may inject input through the headless screen, send messages, or end
// the loop (EndDialog, EndMenu). An empty function removes the hook.
using TModalWindowHook = std::function<void(HWND Window)>;
void TestHookSetModalWindowHook(TModalWindowHook Hook);

// On the headless screen a message box with neither a scripted answer nor a
// modal hook never waits: it returns its default button and is logged.

// The mount table the file dialogs read their volumes from (default
// "/proc/self/mounts"); an empty path restores the default.
void TestHookSetMountTable(const std::string& Path);
