// The burning engine's log: a plain text trace of its library calls and their
// failures, one line per event ("hh:nn:ss.zzz: " + text), appended beside the
// executable as <executable name>.log. Off unless the registry value LogEnabled
// (HKEY_LOCAL_MACHINE\Software\BurnLib\Sample) is set.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/classlib/classes_ext.h"

constexpr const char* sbLogRegistryKey = "Software\\BurnLib";
constexpr const char* sbLogRegistrySubKey = "Sample";

class TsbLogger : public TPersistent {
public:
    // Reads LogEnabled and LogLevel from the registry; a missing or unreadable
    // key leaves the log off.
    TsbLogger();

    int LogLevel = 0;
    bool LogEnabled = false;
    std::string LogFile;  // empty until first needed

    // Appends one line when the log is on; Level is ignored. Never raises: the
    // engine logs from the library's callback on its workers, and a trace that
    // cannot be written must not break a burn.
    void WriteLogLine(const std::string& Text, int Level = 0);
    // The log file's path, computed once.
    std::string LogFileName();

private:
    std::mutex FLock;  // one line at a time, from any thread
};

// The one logger, made by BurnEngineStartup.
extern std::unique_ptr<TsbLogger> sbLogger;

// Writes Text to the engine log when the logger exists.
void sbLog(const std::string& Text);

// Opens FileName for appending (made when missing), writes Line, flushes and
// closes it; raises EInOutError when that fails (the file is closed anyway).
void AppendLineToFile(const std::string& FileName, const std::string& Line);
// The file name of Path without folder and extension.
std::string ExtractFileTitle(const std::string& Path);
