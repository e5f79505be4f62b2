#include "pipeline/redirect.h"

#include <vector>

#include "platform/classlib/forms.h"
#include "platform/classlib/threads.h"
#include "platform/system/process.h"
#include "platform/rtl/scope.h"

namespace {

[[noreturn]] void RaiseWithError(const char* Text) { throw Exception(std::string(Text) + IntToStr(GetLastError())); }

DWORD PriorityClass(uint8_t p) {
    switch (p) {
        case 1: return IDLE_PRIORITY_CLASS;
        case 2: return NORMAL_PRIORITY_CLASS;
        case 3: return HIGH_PRIORITY_CLASS;
        case 4: return REALTIME_PRIORITY_CLASS;
        default: return 0;
    }
}

void CloseIf(HANDLE& h) {
    if (h) CloseHandle(h);
    h = nullptr;
}

}  // namespace

// Polls the two output pipes and the process; every read and the end run on the
// GUI thread through synchronised calls.
class TRedirectorThread : public TThread {
public:
    explicit TRedirectorThread(TRedirector* Owner)
        : FOwner(Owner), FOut(Owner->FStdOutRead), FErr(Owner->FStdErrRead), FProcess(Owner->FProcessHandle) {}
    std::atomic<bool> Stop{false};     // told to stop: leave after an idle pass
    std::atomic<bool> Abandon{false};  // the runner goes away: touch it no more

protected:
    void Execute() override {
        for (;;) {
            bool idle = Pass();
            if (Abandon) return;
            if (idle) {
                if (WaitForSingleObject(FProcess, 100) == WAIT_OBJECT_0) {
                    FOwner->FExited = true;
                    while (!Pass() && !Abandon) {
                    }
                    if (Abandon) return;
                    if (!Stop) Synchronize([this] {
                            if (!Abandon) FOwner->ProcessEnded();
                        });
                    return;
                }
            }
            if (Stop && idle) return;
        }
    }

private:
    // One look at both pipes; true when nothing was read.
    bool Pass() {
        bool idle = true;
        for (bool error : {false, true}) {
            if (Abandon || Stop) break;
            DWORD avail = 0;
            if (PeekNamedPipe(error ? FErr : FOut, /*lpBuffer=*/nullptr, 0, /*lpBytesRead=*/nullptr, &avail,
                              /*lpBytesLeftThisMessage=*/nullptr) &&
                avail > 0) {
                FOwner->FBytesAvailable = avail;
                Synchronize([this, error] {
                    if (!Abandon) FOwner->ReadPipe(error);
                });
                idle = false;
            }
        }
        return idle;
    }

    TRedirector* FOwner;
    HANDLE FOut, FErr, FProcess;
};

TRedirector::TRedirector() = default;

TRedirector::~TRedirector() {
    if (Running() && KillOnDestroy) {
        OnTerminated = nullptr;
        if (FWatcher) FWatcher->Stop = true;
        TerminateProcess(FProcessHandle, 0);
    }
    // The watchers must be gone before anything they read is freed.
    if (FWatcher) FRetired.push_back(std::move(FWatcher));
    for (auto& w : FRetired) w->Abandon = true;
    for (auto& w : FRetired) w->WaitFor();
    FRetired.clear();
    ClosePipes();
    CloseProcess();
}

std::string TRedirector::FullCommandLine() const {
    return FExecutable.empty() ? FCommandline : FExecutable + " " + FCommandline;
}

void TRedirector::SetCommandline(const std::string& Value) {
    if (Running() && !SameText(Value, FullCommandLine()))
        throw Exception("Cannot change Commandline while process is active");
    FCommandline = Value;
}

void TRedirector::SetDefaultErrorMode(bool Value) {
    if (Value == FDefaultErrorMode) return;
    if (Running()) throw Exception("Cannot change DefaultErrorMode while process is active");
    FDefaultErrorMode = Value;
}

void TRedirector::SetInititalPriority(uint8_t Value) {
    if (Running()) throw Exception("Cannot change InititalPriority while process is active");
    FInititalPriority = Value;
}

void TRedirector::FinishWatcher() {
    // Finished watchers go at once; one still returning from its end call (a new
    // run started from OnTerminated) is joined later, never waited for here.
    for (auto it = FRetired.begin(); it != FRetired.end();) {
        if ((*it)->Finished()) {
            (*it)->WaitFor();
            it = FRetired.erase(it);
        } else {
            ++it;
        }
    }
    if (!FWatcher) return;
    FWatcher->Stop = true;
    FRetired.push_back(std::move(FWatcher));
}

void TRedirector::RunCommand() {
    if (Running()) throw Exception("Process is already active");
    if (Trim(FullCommandLine()).empty()) throw Exception("No commandline to run");
    FinishWatcher();  // the previous run's watcher has left or is leaving
    FExited = false;
    FReadError.clear();
    rtl::TScopeExit Undo([&] {
        FWatcher.reset();
        ClosePipes();
        if (FProcessHandle) TerminateProcess(FProcessHandle, 0);
        CloseProcess();
    });
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof(sa);
    sa.bInheritHandle = TRUE;
    HANDLE self = GetCurrentProcess();
    struct {
        HANDLE* read;
        HANDLE* write;
        bool childReads;
        const char* create;
        const char* dup;
    } pipes[] = {
        {&FStdInRead, &FStdInWrite, true, "Error on STDIN pipe creation : ", "Error on STDIN pipe duplication : "},
        {&FStdOutRead, &FStdOutWrite, false, "Error on STDOUT pipe creation : ", "Error on STDOUT pipe duplication : "},
        {&FStdErrRead, &FStdErrWrite, false, "Error on STDERR pipe creation : ", "Error on STDERR pipe duplication : "},
    };
    for (auto& p : pipes) {
        if (!CreatePipe(p.read, p.write, &sa, 0)) RaiseWithError(p.create);
        HANDLE* childEnd = p.childReads ? p.read : p.write;
        HANDLE dup = nullptr;
        if (!DuplicateHandle(self, *childEnd, self, &dup, 0, TRUE, DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE)) {
            *childEnd = nullptr;  // closed by the duplication either way
            RaiseWithError(p.dup);
        }
        *childEnd = dup;
    }
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    si.wShowWindow = ShowWindowMode;
    si.hStdInput = FStdInRead;
    si.hStdOutput = FStdOutWrite;
    si.hStdError = FStdErrWrite;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    std::string exe = Trim(FExecutable);
    std::string cmd = FCommandline;
    std::string dir = Trim(CurrentDirectory);
    DWORD flags = PriorityClass(FInititalPriority) | (FDefaultErrorMode ? CREATE_DEFAULT_ERROR_MODE : 0);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(exe.empty() ? nullptr : exe.c_str(), cmd.data(), /*lpProcessAttributes=*/nullptr,
                        /*lpThreadAttributes=*/nullptr, TRUE, flags, Environment, dir.empty() ? nullptr : dir.c_str(),
                        &si, &pi))
        RaiseWithError("Error creating process : ");
    FProcessHandle = pi.hProcess;
    FThreadHandle = pi.hThread;
    FProcessId = pi.dwProcessId;
    FThreadId = pi.dwThreadId;
    FWatcher = std::make_unique<TRedirectorThread>(this);
    FWatcher->Start();
    Undo.Dismiss();
}

void TRedirector::KillProcess(uint32_t ExitCode) {
    if (!Running()) throw Exception("Cannot Terminate an inactive process");
    TerminateProcess(FProcessHandle, ExitCode);
}

void TRedirector::ReadPipe(bool Error) {
    HANDLE h = Error ? FStdErrRead : FStdOutRead;
    uint32_t n = FBytesAvailable;
    std::vector<char> buf(n ? n : 1);
    DWORD got = 0;
    if (!ReadFile(h, buf.data(), n, &got, /*lpOverlapped=*/nullptr)) {
        // A pipe that cannot be read any more: end the child, so that its end is
        // still reported and the step waiting for it goes on; the error follows.
        FReadError = std::string(Error ? "Error reading STDERR pipe : " : "Error reading STDOUT pipe : ") +
                     IntToStr(GetLastError());
        if (FProcessHandle) TerminateProcess(FProcessHandle, 0);
        return;
    }
    auto& event = Error ? OnErrorData : OnData;
    if (event && got > 0) event(this, buf.data(), static_cast<int32_t>(got));
}

void TRedirector::ProcessEnded() {
    if (FWatcher) FWatcher->Stop = true;
    ClosePipes();
    CloseProcess();
    if (OnTerminated) OnTerminated(this);
    if (!FReadError.empty()) {
        std::string text;
        text.swap(FReadError);
        if (Application) {
            Application->ShowException(Exception(text));
        } else {
            throw Exception(text);
        }
    }
}

void TRedirector::ClosePipes() {
    CloseIf(FStdInRead);
    CloseIf(FStdInWrite);
    CloseIf(FStdOutRead);
    CloseIf(FStdOutWrite);
    CloseIf(FStdErrRead);
    CloseIf(FStdErrWrite);
}

void TRedirector::CloseProcess() {
    CloseIf(FProcessHandle);
    CloseIf(FThreadHandle);
    FProcessId = 0;
    FThreadId = 0;
}
