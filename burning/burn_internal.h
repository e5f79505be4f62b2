// Helpers shared by the engine's source files (not for other folders).
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "platform/classlib/threads.h"
#include "platform/rtl/sysutils.h"
#include "platform/system/process.h"

// Through the event hub, when it exists.
void sbStatus(const std::string& Text, int Kind);
void sbProgress(TObject* Sender, int Percent);
// The application's pending messages, when there is an application.
void sbProcessMessages();
// Format of a UI text; the text itself when a language file broke its format.
std::string sbFormatText(const std::string& Text, const std::vector<TVarRec>& Args);
// A handle of the worker that stays valid after the worker has freed itself
// (INVALID_HANDLE_VALUE when none could be made).
HANDLE sbDuplicateThreadHandle(TThread& Thread);
// Waits until the worker behind Handle is gone, then closes Handle.
void sbJoinHandle(HANDLE& Handle);

// The wait loop: while the slot holds a worker, wait up to 80 ms on its handle
// and process messages; the worker's end handler empties the slot. Then the
// worker is joined, so nothing of it runs once this returns. True when there
// was something to wait for.
template <class T>
bool sbWaitForSlot(std::atomic<T*>& Slot, HANDLE& Handle) {
    if (!Slot.load() && Handle == INVALID_HANDLE_VALUE) return false;
    while (Slot.load()) {
        if (Handle == INVALID_HANDLE_VALUE) {
            // Without a handle only the slot tells the end.
            Sleep(80);
        } else if (WaitForSingleObject(Handle, 80) != WAIT_TIMEOUT) {
            break;
        }
        sbProcessMessages();
    }
    sbJoinHandle(Handle);
    Slot = nullptr;
    return true;
}
