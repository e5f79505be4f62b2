#include "burning/sb_logger.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/classlib/tregistry.h"
#include "platform/rtl/sysutils.h"
#include "platform/system/module.h"

std::unique_ptr<TsbLogger> sbLogger;

TsbLogger::TsbLogger() {
    try {
        TRegistry Reg(KEY_ALL_ACCESS);
        Reg.RootKey = HKEY_LOCAL_MACHINE;
        if (Reg.OpenKey(sbLogRegistryKey, /*CanCreate=*/true) &&
            Reg.OpenKey(sbLogRegistrySubKey, /*CanCreate=*/false)) {
            if (Reg.ValueExists("LogEnabled")) LogEnabled = Reg.ReadBool("LogEnabled");
            if (Reg.ValueExists("LogLevel")) LogLevel = Reg.ReadInteger("LogLevel");
        }
    } catch (const std::exception&) {
        // An unreadable value leaves the log off.
        LogEnabled = false;
    }
}

std::string TsbLogger::LogFileName() {
    if (LogFile.empty()) {
        std::string Exe = GetModuleFileNameStr();
        LogFile = ExtractFilePath(Exe) + ExtractFileTitle(Exe) + ".log";
    }
    return LogFile;
}

void TsbLogger::WriteLogLine(const std::string& Text, int) {
    if (!LogEnabled) return;
    std::lock_guard<std::mutex> G(FLock);
    try {
        AppendLineToFile(LogFileName(), FormatDateTime("hh:nn:ss.zzz", Now()) + ": " + Text);
    } catch (const std::exception&) {
        // Dropped: see the header.
    }
}

void sbLog(const std::string& Text) {
    if (sbLogger) sbLogger->WriteLogLine(Text, 0);
}

void AppendLineToFile(const std::string& FileName, const std::string& Line) {
    std::FILE* F = std::fopen(FileName.c_str(), "ab");
    if (!F) throw EInOutError("Cannot open " + FileName + ": " + std::strerror(errno));
    std::string Out = Line + "\n";
    bool Ok = std::fwrite(Out.data(), 1, Out.size(), F) == Out.size();
    int Err = errno;
    Ok = std::fflush(F) == 0 && Ok;
    if (!Ok) Err = errno;
    Ok = std::fclose(F) == 0 && Ok;
    if (!Ok) throw EInOutError("Cannot write " + FileName + ": " + std::strerror(Err ? Err : EIO));
}

std::string ExtractFileTitle(const std::string& Path) {
    std::string Name = ExtractFileName(Path);
    std::string Ext = ExtractFileExt(Name);
    return Name.substr(0, Name.size() - Ext.size());
}
