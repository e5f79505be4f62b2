// Application events as a component: every live TApplicationEvents hears the
// messages the application's loop takes from its queue, newest first, until
// one marks a message handled; a handler the application had before then
// hears what none handled.
#pragma once

#include "platform/classlib/forms.h"

class TApplicationEvents : public TComponent {
public:
    explicit TApplicationEvents(TComponent* AOwner);
    ~TApplicationEvents() override;
    TMessageEvent OnMessage;
};
