// The process-wide event hub between the burning engine and the windows. The
// window that currently drives the engine sets the handlers; each firing call
// does nothing while its handler is unassigned.
//
// OnProgress, OnBuffer and OnMessage may be fired on the burn or scan worker
// (from the burning library's callback): a handler that touches windows must
// hand its values over to the GUI thread. The erase events come on the GUI
// thread, except OnError, which the erase worker fires.
#pragma once

#include <functional>
#include <string>

#include "platform/rtl/classes.h"

// Kinds of a status text.
constexpr int sbMsgInfo = 0;       // information
constexpr int sbMsgError = 1;      // error of the whole operation
constexpr int sbMsgStepError = 2;  // failure of one step

using TsbPercentEvent = std::function<void(TObject* Sender, int Percent)>;
using TsbMessageEvent = std::function<void(const std::string& Text, int Kind)>;
using TsbDoneEvent = std::function<void(TObject* Sender, bool Success)>;
using TsbErrorEvent = std::function<void(TObject* Sender, const std::string& Text)>;

class TsbCallBackEventer : public TObject {
public:
    TsbPercentEvent OnProgress;
    TsbPercentEvent OnBuffer;
    TsbMessageEvent OnMessage;
    TsbPercentEvent OnEraseProgress;
    TsbDoneEvent OnEraseDone;
    TsbErrorEvent OnError;

    void DoProgress(TObject* Sender, int Percent) {
        if (OnProgress) OnProgress(Sender, Percent);
    }
    void DoBuffer(TObject* Sender, int Percent) {
        if (OnBuffer) OnBuffer(Sender, Percent);
    }
    void DoMessage(const std::string& Text, int Kind) {
        if (OnMessage) OnMessage(Text, Kind);
    }
    void DoEraseProgress(TObject* Sender, int Percent) {
        if (OnEraseProgress) OnEraseProgress(Sender, Percent);
    }
    void DoEraseDone(TObject* Sender, bool Success) {
        if (OnEraseDone) OnEraseDone(Sender, Success);
    }
    void DoError(TObject* Sender, const std::string& Text) {
        if (OnError) OnError(Sender, Text);
    }
};
