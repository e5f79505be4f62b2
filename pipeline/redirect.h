// The child-process runner: one command line run as a hidden child with its
// standard input, output and error on pipes; what it writes and its end come as
// events on the GUI thread, in order, the end after the last chunk.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/classes_ext.h"
#include "platform/rtl/windef.h"

class TRedirector;
class TRedirectorThread;

// Buffer holds Size bytes, not terminated, valid during the call only.
using TRedirectorDataEvent = std::function<void(TObject* Sender, const char* Buffer, int32_t Size)>;

class TRedirector : public TObject {
public:
    TRedirector();
    ~TRedirector() override;

    const std::string& Executable() const { return FExecutable; }
    void SetExecutable(const std::string& Value) { FExecutable = Value; }
    const std::string& Commandline() const { return FCommandline; }
    void SetCommandline(const std::string& Value);
    bool DefaultErrorMode() const { return FDefaultErrorMode; }
    void SetDefaultErrorMode(bool Value);
    uint8_t InititalPriority() const { return FInititalPriority; }
    void SetInititalPriority(uint8_t Value);
    bool KillOnDestroy = false;
    std::string CurrentDirectory;
    void* Environment = nullptr;
    uint16_t ShowWindowMode = 0;

    TRedirectorDataEvent OnData;
    TRedirectorDataEvent OnErrorData;
    TNotifyEvent OnTerminated;

    bool Running() const { return FProcessHandle != nullptr; }
    HANDLE ProcessHandle() const { return FProcessHandle; }
    bool Exited() const { return FExited; }
    uint32_t BytesAvailable() const { return FBytesAvailable; }
    // Executable, a blank and Commandline; Commandline alone without Executable.
    std::string FullCommandLine() const;

    void RunCommand();
    void KillProcess(uint32_t ExitCode);

private:
    friend class TRedirectorThread;
    void ReadPipe(bool Error);  // GUI thread
    void ProcessEnded();        // GUI thread
    void ClosePipes();
    void CloseProcess();
    void FinishWatcher();

    std::string FExecutable, FCommandline;
    bool FDefaultErrorMode = false;
    uint8_t FInititalPriority = 0;
    HANDLE FProcessHandle = nullptr, FThreadHandle = nullptr;
    DWORD FProcessId = 0, FThreadId = 0;
    HANDLE FStdInRead = nullptr, FStdInWrite = nullptr;
    HANDLE FStdOutRead = nullptr, FStdOutWrite = nullptr;
    HANDLE FStdErrRead = nullptr, FStdErrWrite = nullptr;
    std::atomic<uint32_t> FBytesAvailable{0};
    std::atomic<bool> FExited{false};
    std::unique_ptr<TRedirectorThread> FWatcher;
    std::vector<std::unique_ptr<TRedirectorThread>> FRetired;
    std::string FReadError;  // a failed read, reported after the end
};
