#pragma once
#include <string>
#include <vector>

namespace converter {

inline constexpr const char* kAccessCode = "4702385";

// Reads the script's DirectShowSource("...") line; empty when there is none.
std::string ScriptSource(const std::string& scriptPath);

// Turns the converter's arguments into ffmpeg's argument vector (program first).
// False, with a message, when the access code is missing or wrong.
bool PrepareArguments(const std::vector<std::string>& args, std::vector<std::string>& out, std::string& error);

}  // namespace converter
