// The conversion step's files and its reading of the converter's output, apart
// from the windows that show it.
#pragma once

#include <cstdint>
#include <string>

// The converter's access code, passed on every converter line.
constexpr const char* ConverterAccessCode = "4702385";

// "-target pal-dvd -b 6400k -aspect 4:3 " for the current Options.
std::string ConverterOptions();

// Whether Source is converted through the DirectShow script: UseDirectShow, or its
// extension (with the dot, letter case included) is one of AvsExtList.
bool UsesDirectShowScript(const std::string& Source);

// Writes Options.TempDir + "DirectShow.avs" from ProfileDir's template with every
// "<%InputFile%>" (any letter case) replaced by Source; raises when the template
// cannot be read.
void WriteDirectShowScript(const std::string& Source);

// The two lines of ~convert.bat for Source as output number Number.
std::string ConvertBatchText(const std::string& Source, int Number);
// Writes ~convert.bat (and the script when needed) for Options.CurrentSource as
// Options.OutputNumber.
void WriteConvertBatch();
// True when the converter left no program stream for the current file: the
// file failed, whatever its output said.
bool ConvertedFileMissing();
void DeleteConvertFiles();

// What one converter line changed, for the conversion dialog.
struct TConverterLineResult {
    bool Progress = false;       // the file's percent and times were computed
    bool BatchProgress = false;  // and the batch's
    bool Error = false;          // the line reports a failure; show it
    double FileRemaining = 0;    // TDateTime spans
    double BatchEstimated = 0;
    double BatchRemaining = 0;
};

// Applies one line of the converter's output to the run state in Options (input
// name, duration, position, percents, failure). Now is the current time.
TConverterLineResult ParseConverterLine(const std::string& Line, const std::string& Predecessor, double Now);

// Terminates (exit code 0) every process of this user whose program file name or
// full program path equals Name, letter case ignored; the outcome of the last
// termination (false when there was none).
bool KillProcessesByName(const std::string& Name);
