// Shared helpers of the burning library's tests: temporary folders, files and
// running the independent readers (isoinfo, udfinfo, lsdvd) with a time limit.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace burntest {

// A folder under $TMPDIR (or /tmp) removed with everything in it at the end.
class TempDir {
public:
    const std::string& Path() const { return Folder.Path(); }  // without trailing '/'
private:
    TTempFolder Folder{"burnlib_test"};
};

// Runs a command line through sh with a time limit of Seconds; answers its output
// (stdout and stderr) and sets ExitCode (124 on time-out).
std::string RunTool(const std::string& Command, int& ExitCode, int Seconds = 120);
std::string Quote(const std::string& S);
bool HaveTool(const std::string& Name);

void WriteFile(const std::string& Path, const std::vector<uint8_t>& Data);
std::vector<uint8_t> ReadFile(const std::string& Path);
// Deterministic bytes.
std::vector<uint8_t> Pattern(size_t Size, uint32_t Seed);
bool Exists(const std::string& Path);

// Extents by file name ("VIDEO_TS.IFO", version suffix dropped) from "isoinfo -l" output.
std::map<std::string, uint32_t> IsoExtents(const std::string& Listing);
// The number after Key in Text ("Volume size is: "), -1 when absent.
int64_t NumberAfter(const std::string& Text, const std::string& Key);

// A small UDF reader for the checks: the files of /VIDEO_TS by name, read through
// anchor, partition, file set, directories and file entries (short extents).
// Raises std::runtime_error naming the structure that is wrong.
std::map<std::string, std::vector<uint8_t>> ReadUdfFolder(const std::string& Image, const std::string& Folder);
std::vector<std::string> ListDir(const std::string& Dir);

}  // namespace burntest
