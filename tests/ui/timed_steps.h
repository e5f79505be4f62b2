// Steps of a test that run from a timer, so that they also run inside a
// modal loop (a dialog's, a menu's). The timer goes with the object, on every
// way out of the test, a failed assertion included, before the frame its
// handler refers to.
#pragma once

#include <functional>
#include <utility>

#include "platform/classlib/extctrls.h"

class TTimedSteps {
public:
    TTimedSteps(int IntervalMs, std::function<void()> Step) : Timer(new TTimer(/*AOwner=*/nullptr)) {
        Timer->SetInterval(IntervalMs);
        Timer->SetOnTimer([Run = std::move(Step)](TObject*) { Run(); });
    }
    ~TTimedSteps() {
        Timer->SetEnabled(false);
        Timer->Free();
    }
    // No further steps.
    void Stop() { Timer->SetEnabled(false); }
    TTimedSteps(const TTimedSteps&) = delete;
    TTimedSteps& operator=(const TTimedSteps&) = delete;

private:
    TTimer* Timer;
};
