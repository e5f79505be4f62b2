#include "pipeline/conversion.h"

#include <algorithm>

#include "core/globals.h"
#include "pipeline/converter_parser.h"
#include "platform/system/process.h"
#include "platform/system/toolhelp.h"

#include <unistd.h>

std::string ConverterOptions() {
    std::string s;
    if (Options.VideoFormat == 0) s += "-target pal-dvd ";
    else if (Options.VideoFormat == 1) s += "-target ntsc-dvd ";
    s += "-b " + IntToStr(Options.Quality) + "k ";
    if (Options.VideoAspect == 0) s += "-aspect 4:3 ";
    else if (Options.VideoAspect == 1) s += "-aspect 16:9 ";
    return s;
}

bool UsesDirectShowScript(const std::string& Source) {
    if (Options.UseDirectShow) return true;
    std::string ext = ExtractFileExt(Source);
    if (ext.empty() || !AvsExtList) return false;
    for (int i = 0; i < AvsExtList->Count(); ++i)
        if (AvsExtList->Get(i) == ext) return true;
    return false;
}

void WriteDirectShowScript(const std::string& Source) {
    TStringList lines;
    lines.LoadFromFile(ProfileDir + "DirectShow.avs");
    for (int i = 0; i < lines.Count(); ++i)
        lines.Put(i, StringReplace(lines[i], "<%InputFile%>", Source, rfReplaceAll | rfIgnoreCase));
    lines.SaveToFile(Options.TempDir + "DirectShow.avs");
}

std::string ConvertBatchText(const std::string& Source, int Number) {
    std::string input = UsesDirectShowScript(Source) ? Options.TempDir + "DirectShow.avs" : Source;
    std::string head = "\"" + Options.ConverterFile + "\" -p " + ConverterAccessCode + " -i \"" + input + "\" ";
    std::string out = Options.TempDir + IntToStr(Number);
    return head + ConverterOptions() + " \"" + out + ".mpg\"\r\n" + head +
           " -y -f image2 -ss 01.000 -t 0.001 -s 150x114  \"" + out + ".jpg\"\r\n";
}

void WriteConvertBatch() {
    const std::string& source = Options.CurrentSource;
    if (UsesDirectShowScript(source)) WriteDirectShowScript(source);
    std::string text = ConvertBatchText(source, Options.OutputNumber);
    TFileStream f(Options.TempDir + "~convert.bat", fmCreate);
    f.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

bool ConvertedFileMissing() {
    const std::string Out = Options.TempDir + IntToStr(Options.OutputNumber) + ".mpg";
    return !FileExists(Out) || FileSizeOf(Out) <= 0;
}

void DeleteConvertFiles() {
    DeleteFile(Options.TempDir + "~convert.bat");
    DeleteFile(Options.TempDir + "DirectShow.avs");
}

TConverterLineResult ParseConverterLine(const std::string& Line, const std::string& Predecessor, double Now) {
    TConverterLineResult r;
    if (Line.find("Input #0, ") != std::string::npos) {
        std::string name = TextBetween(Line, "from '", "':");
        if (name != "N/A") {
            Options.InputName = name;
            if (ExtractFileExt(Options.InputName) == ".avs") Options.InputName = Options.CurrentSource;
        }
    }
    if (Line.rfind("  Duration: ", 0) == 0) {
        std::string rest = Line.substr(11);
        size_t comma = rest.find(',');
        std::string value = Trim(comma == std::string::npos ? rest : rest.substr(0, comma));
        if (value != "N/A") Options.DurationMs = static_cast<int32_t>(DurationToMs(value));
    }
    if (Line.find(" time=") != std::string::npos) {
        int64_t ms = 0;
        if (ReadTimeValue(TextBetween(Line, " time=", " "), ms)) Options.PositionMs = static_cast<int32_t>(ms);
    }

    double elapsed = Now - Options.BatchStartTime;
    if (Options.DurationMs != 0 && Options.PositionMs != 0) {
        r.Progress = true;
        Options.FilePercent = static_cast<int32_t>(
            std::min<int64_t>(100, Round(static_cast<double>(Options.PositionMs) / Options.DurationMs * 100)));
        double fileElapsed = Now - Options.FileStartTime;
        double fileTotal = Options.DurationMs * fileElapsed / Options.PositionMs;
        r.FileRemaining = fileTotal - fileElapsed;
        Options.BatchProgressBytes = Options.FileBytes * Options.FilePercent / 100 + Options.BatchDoneBytes;
        if (Options.BatchProgressBytes != 0 && Options.BatchBytes != 0) {
            r.BatchProgress = true;
            Options.BatchPercent = static_cast<int32_t>(std::min<int64_t>(
                100, Round(static_cast<double>(Options.BatchProgressBytes) / Options.BatchBytes * 100)));
            r.BatchEstimated = Options.BatchBytes * elapsed / Options.BatchProgressBytes;
            r.BatchRemaining = r.BatchEstimated - elapsed;
        }
    }
    if (IsConverterErrorLine(Line, Predecessor, Options.CurrentSource)) {
        Options.FileFailed = true;
        r.Error = true;
    }
    return r;
}

bool KillProcessesByName(const std::string& Name) {
    bool result = false;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (!snap || snap == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof(pe);
    DWORD self = GetCurrentProcessId();
    uid_t me = getuid();
    for (BOOL more = Process32First(snap, &pe); more; more = Process32Next(snap, &pe)) {
        // Other users' programs are none of ours to end.
        if (pe.th32ProcessID == self || pe.th32OwnerUid != me) continue;
        bool match = SameText(pe.szExeFile, Name);
        if (!match) {
            HANDLE mods = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pe.th32ProcessID);
            if (mods && mods != INVALID_HANDLE_VALUE) {
                MODULEENTRY32 me32{};
                me32.dwSize = sizeof(me32);
                if (Module32First(mods, &me32)) match = SameText(me32.szExePath, Name);
                CloseHandle(mods);
            }
        }
        if (!match) continue;
        HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, pe.th32ProcessID);
        if (!h) continue;
        result = TerminateProcess(h, 0) != 0;
        CloseHandle(h);
    }
    CloseHandle(snap);
    return result;
}
