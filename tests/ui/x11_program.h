// For tests that run the program on an X server of their own.
#pragma once

#include <chrono>
#include <functional>

#include "platform/classlib/forms.h"
#include "platform/win/winuser.h"

namespace xvfbtest {

// Handles messages until Done holds or Ms pass; true when Done held. The time
// only bounds a failure.
inline bool PumpUntil(const std::function<bool()>& Done, int Ms) {
    const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
    while (!Done()) {
        if (std::chrono::steady_clock::now() >= End) return false;
        Application->ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

}  // namespace xvfbtest
