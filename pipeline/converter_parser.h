// The pure pieces of reading the converter's console output.
#pragma once

#include <cstdint>
#include <string>

#include "platform/rtl/classes.h"

// The parts between the occurrences of Delimiter, empty ones included.
TStringList SplitText(const std::string& Text, const std::string& Delimiter);

// "h:mm:ss.ss" to milliseconds; a part that does not read counts 0.
int64_t DurationToMs(const std::string& Text);

// The trimmed text after the first Opening up to the next Closing, which is
// searched from the value's second character on; "" when no Closing follows.
std::string TextBetween(const std::string& Text, const std::string& Opening, const std::string& Closing);

// The value of " time=": seconds ("30.00") or a clock time ("00:00:30.00").
// False for "N/A" or nothing; "10000000000.0" reads as 0.
bool ReadTimeValue(const std::string& Text, int64_t& Ms);

// Whether a converter line reports a failure. Predecessor is the line before it in
// the same chunk. Source is the file being converted: the converter reports a
// file it cannot open as "<source>: <reason>".
bool IsConverterErrorLine(const std::string& Line, const std::string& Predecessor, const std::string& Source);
