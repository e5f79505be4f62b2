#include "platform/classlib/appevnts.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<TApplicationEvents*>& Live() {
    static std::vector<TApplicationEvents*> L;
    return L;
}

// Sits in the application's OnMessage, before the handler that was there.
struct TDispatcher {
    TMessageEvent Previous;
    void operator()(MSG& Msg, bool& Handled) const {
        std::vector<TApplicationEvents*> Now(Live());
        for (auto I = Now.rbegin(); I != Now.rend() && !Handled; ++I) {
            // One freed by an earlier handler of this message hears nothing.
            if (std::find(Live().begin(), Live().end(), *I) == Live().end()) continue;
            if ((*I)->OnMessage) (*I)->OnMessage(Msg, Handled);
        }
        if (!Handled && Previous) Previous(Msg, Handled);
    }
};

// Again whenever the application's handler was replaced since (or the
// application object is a new one).
void Install() {
    if (!Application || Application->OnMessage.target<TDispatcher>()) return;
    Application->OnMessage = TDispatcher{Application->OnMessage};
}

}  // namespace

TApplicationEvents::TApplicationEvents(TComponent* AOwner) : TComponent(AOwner) {
    Live().push_back(this);
    Install();
}

TApplicationEvents::~TApplicationEvents() {
    auto& L = Live();
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
}
