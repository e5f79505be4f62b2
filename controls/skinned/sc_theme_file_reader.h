// Reading a theme file: a container of named pictures, integers, flags and
// texts that starts with the text "SCPack_TB".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/sysutils.h"

// A theme file that is not one (its header is too short).
TESSARO_DECLARE_EXCEPTION(EscInvalidThemeFile, Exception)

// True when the file exists, opens for reading and its first 12 bytes, up to
// the first zero byte, read "SCPack_TB". Never raises.
bool IsValidThemeFile(const std::string& FileName);

class TscThemeFileReader {
public:
    // Parses the file at once; errors of opening and reading propagate.
    explicit TscThemeFileReader(const std::string& FileName);
    // The same over bytes already in memory.
    TscThemeFileReader(const uint8_t* Data, size_t Size);
    ~TscThemeFileReader();
    TscThemeFileReader(const TscThemeFileReader&) = delete;
    TscThemeFileReader& operator=(const TscThemeFileReader&) = delete;

    // The first picture entry of that name (case-blind), positioned at 0;
    // nullptr when absent. The reader keeps it.
    TMemoryStream* GetStream(const std::string& Name);
    // The first integer entry's value; -1 when absent.
    int GetInteger(const std::string& Name) const;
    // The first flag entry's value (non-zero is true); false when absent.
    bool GetBool(const std::string& Name) const;
    // The first text entry's text; empty when absent.
    std::string GetText(const std::string& Name) const;

    // Every entry read, in file order, for each kind.
    std::vector<std::pair<std::string, std::unique_ptr<TMemoryStream>>> Streams;
    std::vector<std::pair<std::string, int32_t>> Integers;
    std::vector<std::pair<std::string, uint8_t>> Booleans;
    std::vector<std::pair<std::string, std::string>> Texts;

private:
    void Parse(const uint8_t* Data, size_t Size);
};
