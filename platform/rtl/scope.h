// Cleanup by scope: what must happen when a block is left, whether by its
// end, a return or an exception, written once beside what it undoes.
#pragma once

#include <utility>

namespace rtl {

// Runs Action when the scope is left, unless Dismiss was called first (the
// form for an undo that only a failure needs).
template <class TAction>
class [[nodiscard]] TScopeExit {
public:
    explicit TScopeExit(TAction Action) : FAction(std::move(Action)) {}
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;
    ~TScopeExit() {
        if (FArmed) FAction();
    }
    void Dismiss() { FArmed = false; }

private:
    TAction FAction;
    bool FArmed = true;
};

// Sets Target to Value for the scope and puts the old value back when it is left.
template <class T>
class [[nodiscard]] TSetForScope {
public:
    template <class U>
    TSetForScope(T& Target, U&& Value) : FTarget(Target), FOld(std::move(Target)) {
        FTarget = std::forward<U>(Value);
    }
    TSetForScope(const TSetForScope&) = delete;
    TSetForScope& operator=(const TSetForScope&) = delete;
    ~TSetForScope() { FTarget = std::move(FOld); }

private:
    T& FTarget;
    T FOld;
};

}  // namespace rtl
